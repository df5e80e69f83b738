#pragma once

#include <QLayout>
#include <QRect>
#include <QSize>
#include <vector>

class QWidget;
class QEvent;
class QObject;

namespace tarnel {

// How a child docks in its container. Children are placed in this order of kinds: every
// Top one, every Bottom one, every Left one, every Right one, then the Client ones fill what
// is left. None leaves the child where it is.
enum class Align { None, Top, Bottom, Left, Right, Client };

// Records a child's alignment. When the child's container has an AlignLayout the child
// joins it (if it is not in it yet) and the container re-aligns at once.
void SetAlign(QWidget* child, Align align);
Align AlignOf(const QWidget* child);

// A layout that docks children to the edges of their container, the way panels, lists and
// splitter bars dock in a classic form. Among children of the same alignment the order
// follows their current edge: top edge for Top, left edge for Left, bottom edge (lowest
// first) for Bottom, right edge (rightmost first) for Right; ties keep the previous order.
// So a child moved to top -1 comes first among the Top ones. A Top or Bottom child keeps
// its height, a Left or Right child its width; resizing or moving a child re-aligns the
// container at once.
//
// Usage: create it on the container, then addWidget(child, align) for each child (or
// SetAlign(child, align) once the container has the layout). Margins and spacing are 0;
// the area is the container's contents rectangle, so a framed container insets it. While a
// container is being set up, setEnabled(false) holds the placing back; after setEnabled(true),
// Realign() places everything.
class AlignLayout : public QLayout {
  Q_OBJECT

 public:
  explicit AlignLayout(QWidget* container = nullptr);
  ~AlignLayout() override;

  using QLayout::addWidget;
  void addWidget(QWidget* child, Align align);

  // Places every child now.
  void Realign();

  // The layout of a container, when it is an AlignLayout.
  static AlignLayout* Of(const QWidget* container);
  // Re-aligns the container that holds child, when that container has an AlignLayout.
  static void RealignContainerOf(const QWidget* child);

  void addItem(QLayoutItem* item) override;
  QLayoutItem* itemAt(int index) const override;
  QLayoutItem* takeAt(int index) override;
  int count() const override;
  QSize sizeHint() const override;
  QSize minimumSize() const override;
  Qt::Orientations expandingDirections() const override;
  void setGeometry(const QRect& rect) override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Place(const QRect& area);

  std::vector<QLayoutItem*> items_;
  bool placing_ = false;
};

}  // namespace tarnel
