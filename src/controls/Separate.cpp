#include "controls/Separate.h"

#include <QMainWindow>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>
#include <QPalette>
#include <QPen>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "controls/AlignLayout.h"

namespace tarnel {

namespace {

constexpr int kKindThickness = 5;

// Margins and positions are plain 32-bit values that an owner may set to anything; sums are
// taken wide and held at the ends of the range.
int Saturate(std::int64_t value) {
  return static_cast<int>(std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(),
                                                   std::numeric_limits<int>::max()));
}

// XOR drawing: the same line drawn twice leaves the screen as it was.
void ToggleLine(std::vector<QLine>& lines, const QLine& line) {
  const auto found = std::find(lines.begin(), lines.end(), line);
  if (found != lines.end()) {
    lines.erase(found);
  } else {
    lines.push_back(line);
  }
}

QRect LineBounds(const QLine& line, int penWidth) {
  const int reach = std::max(penWidth, 1);
  return QRect(line.p1(), line.p2()).normalized().adjusted(-reach, -reach, reach, reach);
}

// A transparent pane over the whole top-level window that inverts the pixels under the
// drag lines. It takes no input, so the bar keeps receiving the pointer.
class DragLineOverlay : public QWidget {
 public:
  DragLineOverlay(QWidget* form, int penWidth) : QWidget(form), penWidth_(penWidth) {
    setObjectName(QStringLiteral("tarnelDragLine"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    setGeometry(form->rect());
    raise();
    show();
  }

  void Toggle(const QLine& line) {
    ToggleLine(lines_, line);
    update(LineBounds(line, penWidth_));
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    if (lines_.empty()) return;
    QPainter painter(this);
    // Difference with white inverts as well where the engine has no raster operations.
    painter.setCompositionMode(painter.paintEngine()->hasFeature(QPaintEngine::RasterOpModes)
                                   ? QPainter::RasterOp_SourceXorDestination
                                   : QPainter::CompositionMode_Difference);
    QPen pen(Qt::white);
    pen.setWidth(penWidth_);
    pen.setCapStyle(Qt::FlatCap);
    painter.setPen(pen);
    for (const QLine& line : lines_) painter.drawLine(line);
  }

 private:
  int penWidth_;
  std::vector<QLine> lines_;
};

void DrawBevel(QPainter& painter, QRect& rect, TBevelCut cut, int width, const QPalette& palette) {
  if (cut == TBevelCut::None) return;
  const QColor light = palette.color(QPalette::Light);
  const QColor dark = palette.color(QPalette::Dark);
  const QColor topLeft = cut == TBevelCut::Raised ? light : dark;
  const QColor bottomRight = cut == TBevelCut::Raised ? dark : light;
  for (int i = 0; i < width && rect.width() > 0 && rect.height() > 0; ++i) {
    if (cut != TBevelCut::Space) {
      painter.fillRect(QRect(rect.left(), rect.top(), rect.width(), 1), topLeft);
      painter.fillRect(QRect(rect.left(), rect.top(), 1, rect.height()), topLeft);
      painter.fillRect(QRect(rect.left(), rect.bottom(), rect.width(), 1), bottomRight);
      painter.fillRect(QRect(rect.right(), rect.top(), 1, rect.height()), bottomRight);
    }
    rect.adjust(1, 1, -1, -1);
  }
}

}  // namespace

TSeparater::TSeparater(QWidget* parent) : QFrame(parent) {
  setFrameStyle(QFrame::NoFrame);
  QPalette colours = palette();
  colours.setColor(QPalette::Window, colours.color(QPalette::Button));
  setPalette(colours);
  setAutoFillBackground(true);

  // Kind stays Vertical without running SetKind, so the saved cursor and size stay 0.
  lineWidth_ = 3;
  setCursor(Qt::SplitVCursor);
  SetAlign(this, Align::Top);
  SetThickness(kKindThickness);
  endMgn_ = 6;
  topMgn_ = 1;
}

TSeparater::~TSeparater() { delete overlay_.data(); }

void TSeparater::SetKind(Tkind kind) {
  savedCursor_ = cursor().shape();
  if (kind == Tkind::Level) {
    savedSize_ = width();
    kind_ = Tkind::Level;
    setCursor(Qt::SplitHCursor);
    SetAlign(this, Align::Left);
  } else {
    savedSize_ = height();
    kind_ = Tkind::Vertical;
    setCursor(Qt::SplitVCursor);
    SetAlign(this, Align::Top);
  }
  SetThickness(kKindThickness);
}

void TSeparater::Loaded() {
  setCursor(savedCursor_);
  SetThickness(savedSize_);
}

void TSeparater::SetThickness(int size) {
  if (kind_ == Tkind::Level) {
    resize(size, height());
  } else {
    resize(width(), size);
  }
  AlignLayout::RealignContainerOf(this);
}

void TSeparater::SetReSizeCtrl(QWidget* control) {
  if (reSizeCtrlGone_) disconnect(reSizeCtrlGone_);
  reSizeCtrl_ = control;
  if (control == nullptr) return;
  reSizeCtrlGone_ = connect(control, &QObject::destroyed, this, [this](QObject* gone) {
    if (gone == reSizeCtrl_) reSizeCtrl_ = nullptr;
  });
  // Edge -1 puts the control ahead of the bar among the children docked on that edge.
  if (kind_ == Tkind::Level) {
    control->move(-1, control->y());
    SetAlign(control, Align::Left);
  } else {
    control->move(control->x(), -1);
    SetAlign(control, Align::Top);
  }
}

QColor TSeparater::Color() const { return palette().color(QPalette::Window); }

void TSeparater::SetColor(const QColor& color) {
  QPalette colours = palette();
  colours.setColor(QPalette::Window, color);
  setPalette(colours);
}

void TSeparater::SetBevelInner(TBevelCut cut) {
  bevelInner_ = cut;
  update();
}

void TSeparater::SetBevelOuter(TBevelCut cut) {
  bevelOuter_ = cut;
  update();
}

void TSeparater::SetBevelWidth(int width) {
  bevelWidth_ = std::max(width, 1);
  update();
}

void TSeparater::NotifyEndDrag(QObject* Sender, int Pos, int Cg) {
  if (onEndDrag_) onEndDrag_(Sender, Pos, Cg);
  emit DragEnded(Sender, Pos, Cg);
}

void TSeparater::NotifyStartDrag(QObject* Sender) {
  if (onStartDrag_) onStartDrag_(Sender);
  emit DragStarted(Sender);
}

void TSeparater::mousePressEvent(QMouseEvent* event) {
  QWidget* container = parentWidget();
  if (event->button() != Qt::LeftButton || container == nullptr || isWindow()) {
    QFrame::mousePressEvent(event);
    return;
  }
  event->accept();

  QWidget* form = window();
  dragForm_ = form;
  auto* mainWindow = qobject_cast<QMainWindow*>(form);
  if (container == form) {
    dragArea_ = {0, 0, form->width(), form->height()};
  } else if (mainWindow != nullptr && container == mainWindow->centralWidget()) {
    // The central widget stands for the form's client area, which reaches down over the status
    // bar to the form's bottom edge.
    const int top = container->mapTo(form, QPoint(0, 0)).y();
    dragArea_ = {0, top, form->width(), form->height()};
  } else {
    const QPoint topLeft = container->mapTo(form, QPoint(0, 0));
    const QPoint bottomRight =
        container->mapTo(form, QPoint(container->width(), container->height()));
    dragArea_ = {topLeft.x(), topLeft.y(), bottomRight.x(), bottomRight.y()};
  }

  NotifyStartDrag(this);
  dragging_ = true;

  // A press while a drag is under way starts afresh on a clean window.
  delete overlay_.data();
  shownLines_.clear();
  linesDrawn_ = 0;
  overlay_ = new DragLineOverlay(form, lineWidth_);

  const int thickness = kind_ == Tkind::Vertical ? height() : width();
  halfThickness_ = thickness / 2;
  const QPointF at = event->position();
  const int pointer = static_cast<int>(std::floor(kind_ == Tkind::Vertical ? at.y() : at.x()));
  grabOffset_ = Saturate(std::int64_t{pointer} - halfThickness_);
  linePos_ = (kind_ == Tkind::Vertical ? y() : x()) + halfThickness_;
  DrawLine(linePos_);
}

void TSeparater::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_) {
    QFrame::mouseMoveEvent(event);
    return;
  }
  event->accept();
  DrawLine(linePos_);

  const QPointF at = event->position();
  const int pointer = static_cast<int>(std::floor(kind_ == Tkind::Vertical ? at.y() : at.x()));
  const int start = kind_ == Tkind::Vertical ? y() : x();
  // The extent of the area that the line may run in, which is the container's unless the
  // container stands for the form's client area.
  const int extent = kind_ == Tkind::Vertical ? dragArea_.Bottom - dragArea_.Top
                                              : dragArea_.Right - dragArea_.Left;

  std::int64_t candidate = std::int64_t{start} + pointer - grabOffset_;
  const std::int64_t limit = std::int64_t{extent} - endMgn_;
  // The lower margin wins only when it is crossed; otherwise the far limit applies, even when
  // a container smaller than both margins puts that limit below the lower margin.
  if (candidate < topMgn_) {
    candidate = topMgn_;
  } else if (candidate > limit) {
    candidate = limit;
  }
  linePos_ = Saturate(candidate);
  DrawLine(linePos_);
}

void TSeparater::mouseReleaseEvent(QMouseEvent* event) {
  if (!dragging_) {
    QFrame::mouseReleaseEvent(event);
    return;
  }
  event->accept();
  dragging_ = false;
  DrawLine(linePos_);
  delete overlay_.data();

  const int pos = Saturate(std::int64_t{linePos_} - halfThickness_);
  if (QWidget* control = reSizeCtrl_) {
    // A line near the start edge can ask for less than nothing; the control then closes.
    if (kind_ == Tkind::Vertical) {
      control->resize(control->width(), std::max(0, Saturate(std::int64_t{pos} - control->y())));
    } else {
      control->resize(std::max(0, Saturate(std::int64_t{pos} - control->x())), control->height());
    }
    AlignLayout::RealignContainerOf(control);
  }
  const int cg = Saturate(std::int64_t{pos} - (kind_ == Tkind::Vertical ? y() : x()));
  NotifyEndDrag(this, pos, cg);
}

void TSeparater::DrawLine(int pos) {
  const std::int64_t along = kind_ == Tkind::Vertical ? std::int64_t{dragArea_.Top} + pos
                                                      : std::int64_t{dragArea_.Left} + pos;
  const QLine line =
      kind_ == Tkind::Vertical
          ? QLine(dragArea_.Left, Saturate(along), dragArea_.Right - 1, Saturate(along))
          : QLine(Saturate(along), dragArea_.Top, Saturate(along), dragArea_.Bottom - 1);
  ++linesDrawn_;
  ToggleLine(shownLines_, line);
  if (overlay_) static_cast<DragLineOverlay*>(overlay_.data())->Toggle(line);
}

void TSeparater::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  QPainter painter(this);
  QRect rect = this->rect();
  DrawBevel(painter, rect, bevelOuter_, bevelWidth_, palette());
  DrawBevel(painter, rect, bevelInner_, bevelWidth_, palette());
}

}  // namespace tarnel
