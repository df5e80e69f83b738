#pragma once

#include <QTextEdit>

namespace tarnel {

// The source window's text: read-only text with the file's line numbers in a margin on the left,
// and Ctrl+click asking for the definition of the name under the mouse.
class SourceTextEdit : public QTextEdit {
  Q_OBJECT

 public:
  explicit SourceTextEdit(QWidget* parent = nullptr);

  // The number of the first shown line; the margin counts on from it. 0 hides the numbers.
  void SetFirstLineNumber(long long number);
  long long FirstLineNumber() const { return firstLine_; }
  int MarginWidth() const;
  QWidget* LineNumberArea() const { return margin_; }
  // The number shown beside a block (0 for none).
  long long LineNumberOf(int block) const { return firstLine_ > 0 ? firstLine_ + block : 0; }

 signals:
  // Ctrl+click on the text: the cursor stands where the mouse was.
  void DefinitionRequested(const QTextCursor& at);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  friend class LineNumberMargin;
  void PaintMargin(QPaintEvent* event);
  void UpdateMargin();

  QWidget* margin_;
  long long firstLine_ = 0;
};

}  // namespace tarnel
