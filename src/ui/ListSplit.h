#pragma once

#include <QObject>

class QEvent;
class QWidget;

namespace tarnel {

// Shares the height of the lists' pane between the upper list and the lower one, so that both
// grow and shrink with the window. The share is what the pane showed when set up, and then what
// the user made it by dragging the bar between the lists.
class TListSplit : public QObject {
 public:
  // pane holds upper (docked at the top), the bar below it, and the list that fills the rest.
  TListSplit(QWidget* pane, QWidget* upper, QWidget* bar);

  // The upper list's part of the height the two lists share, 0 to 1.
  double Share() const { return share_; }
  void SetShare(double share);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  int ListsHeight() const;
  void Apply();

  QWidget* pane_;
  QWidget* upper_;
  QWidget* bar_;
  double share_ = 0.5;
  bool applying_ = false;
};

}  // namespace tarnel
