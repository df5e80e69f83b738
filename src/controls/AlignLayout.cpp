#include "controls/AlignLayout.h"

#include <QEvent>
#include <QVariant>
#include <QWidget>
#include <QWidgetItem>
#include <algorithm>

namespace tarnel {

namespace {

constexpr const char* kAlignProperty = "tarnelAlign";

// Whether the child takes part in the placement: children hidden on purpose and windows
// of their own do not.
bool Takes(const QWidget* child) {
  if (child == nullptr || child->isWindow()) return false;
  return !(child->testAttribute(Qt::WA_WState_ExplicitShowHide) &&
           child->testAttribute(Qt::WA_WState_Hidden));
}

// The edge that orders children of one alignment, smallest first.
int OrderKey(const QWidget* child, Align align) {
  switch (align) {
    case Align::Top:
      return child->y();
    case Align::Bottom:
      return -(child->y() + child->height());
    case Align::Left:
      return child->x();
    case Align::Right:
      return -(child->x() + child->width());
    default:
      return 0;
  }
}

}  // namespace

void SetAlign(QWidget* child, Align align) {
  if (child == nullptr) return;
  child->setProperty(kAlignProperty, static_cast<int>(align));
  if (AlignLayout* layout = AlignLayout::Of(child->parentWidget())) {
    if (layout->indexOf(child) < 0) layout->QLayout::addWidget(child);
    layout->Realign();
  }
}

Align AlignOf(const QWidget* child) {
  if (child == nullptr) return Align::None;
  const QVariant value = child->property(kAlignProperty);
  if (!value.isValid()) return Align::None;
  const int raw = value.toInt();
  if (raw < static_cast<int>(Align::None) || raw > static_cast<int>(Align::Client)) {
    return Align::None;
  }
  return static_cast<Align>(raw);
}

AlignLayout::AlignLayout(QWidget* container) : QLayout(container) {
  setContentsMargins(0, 0, 0, 0);
  setSpacing(0);
  // The container's size is the owner's business; the layout only places children.
  setSizeConstraint(QLayout::SetNoConstraint);
}

AlignLayout::~AlignLayout() {
  while (QLayoutItem* item = takeAt(0)) delete item;
}

void AlignLayout::addWidget(QWidget* child, Align align) {
  if (child == nullptr) return;
  child->setProperty(kAlignProperty, static_cast<int>(align));
  if (indexOf(child) < 0) QLayout::addWidget(child);
  Realign();
}

void AlignLayout::Realign() {
  QWidget* container = parentWidget();
  if (container == nullptr || !isEnabled()) return;
  setGeometry(container->testAttribute(Qt::WA_LayoutOnEntireRect) ? container->rect()
                                                                  : container->contentsRect());
}

AlignLayout* AlignLayout::Of(const QWidget* container) {
  if (container == nullptr) return nullptr;
  return qobject_cast<AlignLayout*>(container->layout());
}

void AlignLayout::RealignContainerOf(const QWidget* child) {
  if (child == nullptr) return;
  if (AlignLayout* layout = Of(child->parentWidget())) layout->Realign();
}

void AlignLayout::addItem(QLayoutItem* item) {
  if (item == nullptr) return;
  items_.push_back(item);
  if (QWidget* child = item->widget()) child->installEventFilter(this);
  invalidate();
}

QLayoutItem* AlignLayout::itemAt(int index) const {
  if (index < 0 || index >= static_cast<int>(items_.size())) return nullptr;
  return items_[index];
}

QLayoutItem* AlignLayout::takeAt(int index) {
  if (index < 0 || index >= static_cast<int>(items_.size())) return nullptr;
  QLayoutItem* item = items_[index];
  items_.erase(items_.begin() + index);
  if (QWidget* child = item->widget()) child->removeEventFilter(this);
  invalidate();
  return item;
}

int AlignLayout::count() const { return static_cast<int>(items_.size()); }

QSize AlignLayout::sizeHint() const {
  int width = 0;
  int height = 0;
  QSize client(0, 0);
  for (QLayoutItem* item : items_) {
    const QWidget* child = item->widget();
    if (!Takes(child)) continue;
    switch (AlignOf(child)) {
      case Align::Top:
      case Align::Bottom:
        height += child->height();
        break;
      case Align::Left:
      case Align::Right:
        width += child->width();
        break;
      case Align::Client:
        client = client.expandedTo(item->sizeHint());
        break;
      default:
        break;
    }
  }
  const QMargins margins = contentsMargins();
  return QSize(width + client.width() + margins.left() + margins.right(),
               height + client.height() + margins.top() + margins.bottom());
}

QSize AlignLayout::minimumSize() const { return QSize(0, 0); }

Qt::Orientations AlignLayout::expandingDirections() const { return Qt::Horizontal | Qt::Vertical; }

void AlignLayout::setGeometry(const QRect& rect) {
  QLayout::setGeometry(rect);
  Place(rect.marginsRemoved(contentsMargins()));
}

void AlignLayout::Place(const QRect& area) {
  if (placing_) return;
  placing_ = true;

  struct Entry {
    QLayoutItem* item;
    Align align;
    int key;
  };
  std::vector<Entry> entries;
  entries.reserve(items_.size());
  for (QLayoutItem* item : items_) {
    const QWidget* child = item->widget();
    const Align align = AlignOf(child);
    entries.push_back({item, align, child != nullptr ? OrderKey(child, align) : 0});
  }
  // Stable, so that children on the same edge keep the order they had.
  std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
    if (a.align != b.align) return static_cast<int>(a.align) < static_cast<int>(b.align);
    return a.key < b.key;
  });
  for (std::size_t i = 0; i < entries.size(); ++i) items_[i] = entries[i].item;

  int left = area.left();
  int top = area.top();
  int right = area.left() + area.width();
  int bottom = area.top() + area.height();
  for (const Entry& entry : entries) {
    QWidget* child = entry.item->widget();
    if (!Takes(child)) continue;
    const int spanX = std::max(0, right - left);
    const int spanY = std::max(0, bottom - top);
    switch (entry.align) {
      case Align::Top:
        child->setGeometry(left, top, spanX, child->height());
        top += child->height();
        break;
      case Align::Bottom:
        child->setGeometry(left, bottom - child->height(), spanX, child->height());
        bottom -= child->height();
        break;
      case Align::Left:
        child->setGeometry(left, top, child->width(), spanY);
        left += child->width();
        break;
      case Align::Right:
        child->setGeometry(right - child->width(), top, child->width(), spanY);
        right -= child->width();
        break;
      case Align::Client:
        child->setGeometry(left, top, spanX, spanY);
        break;
      case Align::None:
        break;
    }
  }
  placing_ = false;
}

bool AlignLayout::eventFilter(QObject* watched, QEvent* event) {
  // A child that was resized or moved by anyone but this layout re-aligns the container now,
  // so that a neighbour docked after it follows at once.
  if (!placing_ && (event->type() == QEvent::Resize || event->type() == QEvent::Move)) {
    const QWidget* child = qobject_cast<const QWidget*>(watched);
    if (child != nullptr && child->parentWidget() == parentWidget() &&
        AlignOf(child) != Align::None) {
      Realign();
    }
  }
  return QLayout::eventFilter(watched, event);
}

}  // namespace tarnel
