#include "ui/SourceTextEdit.h"

#include <QAbstractTextDocumentLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>

namespace tarnel {

class LineNumberMargin : public QWidget {
 public:
  explicit LineNumberMargin(SourceTextEdit* edit) : QWidget(edit), edit_(edit) {
    setObjectName(QStringLiteral("LineNumbers"));
  }

 protected:
  void paintEvent(QPaintEvent* event) override { edit_->PaintMargin(event); }

 private:
  SourceTextEdit* edit_;
};

SourceTextEdit::SourceTextEdit(QWidget* parent)
    : QTextEdit(parent), margin_(new LineNumberMargin(this)) {
  connect(document(), &QTextDocument::blockCountChanged, this, &SourceTextEdit::UpdateMargin);
  UpdateMargin();
}

void SourceTextEdit::SetFirstLineNumber(long long number) {
  firstLine_ = number;
  UpdateMargin();
}

int SourceTextEdit::MarginWidth() const {
  if (firstLine_ <= 0) return 0;
  const long long last = firstLine_ + std::max(1, document()->blockCount()) - 1;
  const int digits = static_cast<int>(QString::number(last).size());
  return 8 + fontMetrics().horizontalAdvance(QLatin1Char('9')) * digits;
}

void SourceTextEdit::UpdateMargin() {
  const int width = MarginWidth();
  setViewportMargins(width, 0, 0, 0);
  const QRect area = contentsRect();
  margin_->setGeometry(area.left(), area.top(), width, viewport()->height());
  margin_->setVisible(width > 0);
  margin_->update();
}

void SourceTextEdit::resizeEvent(QResizeEvent* event) {
  QTextEdit::resizeEvent(event);
  UpdateMargin();
}

void SourceTextEdit::changeEvent(QEvent* event) {
  QTextEdit::changeEvent(event);
  if (event->type() == QEvent::FontChange) UpdateMargin();
}

void SourceTextEdit::scrollContentsBy(int dx, int dy) {
  QTextEdit::scrollContentsBy(dx, dy);
  if (dy != 0) margin_->update();
}

void SourceTextEdit::PaintMargin(QPaintEvent* event) {
  QPainter painter(margin_);
  painter.fillRect(event->rect(), palette().color(QPalette::Window));
  if (firstLine_ <= 0) return;
  painter.setPen(palette().color(QPalette::Disabled, QPalette::Text));
  painter.setFont(font());
  const int offset = verticalScrollBar()->value();
  QAbstractTextDocumentLayout* layout = document()->documentLayout();
  // From the first block in view down to the margin's bottom.
  QTextBlock block = cursorForPosition(QPoint(0, 0)).block();
  const int width = margin_->width() - 4;
  const int lineHeight = fontMetrics().height();
  for (; block.isValid(); block = block.next()) {
    const QRectF box = layout->blockBoundingRect(block);
    const int top = static_cast<int>(box.top()) - offset;
    if (top > event->rect().bottom()) break;
    if (top + box.height() < event->rect().top()) continue;
    painter.drawText(0, top, width, lineHeight, Qt::AlignRight | Qt::AlignTop,
                     QString::number(LineNumberOf(block.blockNumber())));
  }
}

void SourceTextEdit::mousePressEvent(QMouseEvent* event) {
  // Ctrl+click goes to a definition instead of starting a selection.
  if (event->button() == Qt::LeftButton && (event->modifiers() & Qt::ControlModifier)) {
    event->accept();
    return;
  }
  QTextEdit::mousePressEvent(event);
}

void SourceTextEdit::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && (event->modifiers() & Qt::ControlModifier)) {
    event->accept();
    emit DefinitionRequested(cursorForPosition(event->position().toPoint()));
    return;
  }
  QTextEdit::mouseReleaseEvent(event);
}

}  // namespace tarnel
