#pragma once

#include <QColor>
#include <QFrame>
#include <QLine>
#include <QMetaObject>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <vector>

class QMouseEvent;
class QObject;
class QPaintEvent;
class QWidget;

namespace tarnel {

// Vertical: a bar lying across its container, docked at the top and dragged up and down.
// Level: an upright bar docked at the left and dragged left and right.
enum class Tkind : std::uint8_t { Vertical = 0, Level = 1 };

enum class TBevelCut { None, Lowered, Raised, Space };

using TNotifyEvent = std::function<void(QObject* Sender)>;
using TMyEvent = std::function<void(QObject* Sender, int Pos, int Cg)>;

// The drag area: the bar's container in the client coordinates of its top-level window;
// Right and Bottom lie one past the last pixel.
struct TDragArea {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  friend bool operator==(const TDragArea&, const TDragArea&) = default;
};

// A thin splitter bar between two docked panes. Dragging it with the left button shows an
// inverted line that follows the pointer within TopMgn and EndMgn of the container; on
// release the bar resizes ReSizeCtrl, and the container's AlignLayout moves the bar so that
// it again sits against that control. Nothing is resized while the drag lasts.
//
// Set up like a loaded form: create it in the container, set the cursor and the stored
// size, SetKind, SetReSizeCtrl and the margins, then call Loaded(), which brings back the
// cursor and the size that SetKind replaced. Do this before the container is shown, or with
// the container's AlignLayout disabled, so that no re-alignment overwrites the stored size
// before SetKind saves it.
class TSeparater : public QFrame {
  Q_OBJECT

 public:
  explicit TSeparater(QWidget* parent = nullptr);
  ~TSeparater() override;

  Tkind Kind() const { return kind_; }
  // Runs in full every time, also when the kind is unchanged: remembers the cursor and the
  // size along the drag axis, then takes the kind's cursor, alignment and thickness 5.
  void SetKind(Tkind kind);

  // Brings back the cursor and the size remembered by the last SetKind.
  virtual void Loaded();

  QWidget* ReSizeCtrl() const { return reSizeCtrl_; }
  // Links the neighbour that a drag resizes and docks it ahead of the bar (edge -1 on the
  // bar's alignment). The link is dropped when that control is destroyed.
  void SetReSizeCtrl(QWidget* control);

  int TopMgn() const { return topMgn_; }
  void SetTopMgn(int value) { topMgn_ = value; }
  int EndMgn() const { return endMgn_; }
  void SetEndMgn(int value) { endMgn_ = value; }
  int LineWidth() const { return lineWidth_; }
  void SetLineWidth(int value) { lineWidth_ = value; }

  const TNotifyEvent& OnStartDrag() const { return onStartDrag_; }
  void SetOnStartDrag(TNotifyEvent handler) { onStartDrag_ = std::move(handler); }
  const TMyEvent& OnEndDrag() const { return onEndDrag_; }
  void SetOnEndDrag(TMyEvent handler) { onEndDrag_ = std::move(handler); }

  QColor Color() const;
  void SetColor(const QColor& color);
  TBevelCut BevelInner() const { return bevelInner_; }
  void SetBevelInner(TBevelCut cut);
  TBevelCut BevelOuter() const { return bevelOuter_; }
  void SetBevelOuter(TBevelCut cut);
  int BevelWidth() const { return bevelWidth_; }
  void SetBevelWidth(int width);

  // Call OnEndDrag / OnStartDrag when assigned, and emit the matching signal.
  virtual void NotifyEndDrag(QObject* Sender, int Pos, int Cg);
  virtual void NotifyStartDrag(QObject* Sender);

  // The drag as it stands (the values of the last drag once it is over).
  bool Dragging() const { return dragging_; }
  int LinePos() const { return linePos_; }
  int HalfThickness() const { return halfThickness_; }
  int GrabOffset() const { return grabOffset_; }
  const TDragArea& DragArea() const { return dragArea_; }
  QWidget* DragForm() const { return dragForm_; }
  // The lines that stand inverted on the drag form now, in its client coordinates; drawing
  // a line a second time at the same place takes it off again.
  const std::vector<QLine>& ShownLines() const { return shownLines_; }
  // How many times a line was drawn since the last drag began.
  int LinesDrawn() const { return linesDrawn_; }

 signals:
  void DragStarted(QObject* sender);
  void DragEnded(QObject* sender, int pos, int cg);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void DrawLine(int pos);
  void SetThickness(int size);

  QPointer<QWidget> dragForm_;
  QWidget* reSizeCtrl_ = nullptr;
  QMetaObject::Connection reSizeCtrlGone_;
  Tkind kind_ = Tkind::Vertical;
  TNotifyEvent onStartDrag_;
  TMyEvent onEndDrag_;
  int topMgn_ = 0;
  int endMgn_ = 0;
  int lineWidth_ = 0;
  TDragArea dragArea_;
  int linePos_ = 0;
  int grabOffset_ = 0;
  int savedSize_ = 0;
  int halfThickness_ = 0;
  bool dragging_ = false;
  Qt::CursorShape savedCursor_ = Qt::ArrowCursor;

  TBevelCut bevelInner_ = TBevelCut::None;
  TBevelCut bevelOuter_ = TBevelCut::Raised;
  int bevelWidth_ = 1;
  QPointer<QWidget> overlay_;
  std::vector<QLine> shownLines_;
  int linesDrawn_ = 0;
};

}  // namespace tarnel
