#include "ui/ListSplit.h"

#include <QEvent>
#include <QResizeEvent>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace tarnel {

TListSplit::TListSplit(QWidget* pane, QWidget* upper, QWidget* bar)
    : QObject(pane), pane_(pane), upper_(upper), bar_(bar) {
  if (ListsHeight() > 0) share_ = static_cast<double>(upper_->height()) / ListsHeight();
  pane_->installEventFilter(this);
  upper_->installEventFilter(this);
}

int TListSplit::ListsHeight() const { return pane_->contentsRect().height() - bar_->height(); }

void TListSplit::SetShare(double share) {
  share_ = std::clamp(share, 0.0, 1.0);
  Apply();
}

void TListSplit::Apply() {
  const int height = ListsHeight();
  if (height <= 0) return;
  const int upper = static_cast<int>(std::lround(share_ * height));
  if (upper == upper_->height()) return;
  applying_ = true;
  upper_->resize(upper_->width(), upper);
  applying_ = false;
}

bool TListSplit::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::Resize) return false;
  const auto* resize = static_cast<QResizeEvent*>(event);
  if (watched == pane_ && resize->size().height() != resize->oldSize().height()) {
    Apply();
  } else if (watched == upper_ && !applying_ &&
             resize->size().height() != resize->oldSize().height() && ListsHeight() > 0) {
    // Only the bar changes the upper list's height besides this: the user's new share.
    share_ = std::clamp(static_cast<double>(resize->size().height()) / ListsHeight(), 0.0, 1.0);
  }
  return false;
}

}  // namespace tarnel
