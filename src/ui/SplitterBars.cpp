#include "ui/SplitterBars.h"

#include "controls/Separate.h"

namespace tarnel {

namespace {

// Set up as the bar expects: cursor and stored size first, then the kind, then Loaded().
QWidget* MakeBar(QWidget* container, QWidget* reSizeCtrl, int width, int height, Tkind kind) {
  auto* bar = new TSeparater(container);
  bar->setCursor(kind == Tkind::Level ? Qt::SizeHorCursor : Qt::SizeVerCursor);
  bar->resize(width, height);
  bar->SetKind(kind);
  if (kind == Tkind::Level) bar->SetBevelOuter(TBevelCut::None);
  bar->SetReSizeCtrl(reSizeCtrl);
  bar->SetLineWidth(3);
  bar->SetTopMgn(1);
  bar->SetEndMgn(6);
  bar->Loaded();
  return bar;
}

}  // namespace

QWidget* MakeLevelBar(QWidget* container, QWidget* reSizeCtrl, int width, int height) {
  return MakeBar(container, reSizeCtrl, width, height, Tkind::Level);
}

QWidget* MakeVerticalBar(QWidget* container, QWidget* reSizeCtrl, int width, int height) {
  return MakeBar(container, reSizeCtrl, width, height, Tkind::Vertical);
}

}  // namespace tarnel
