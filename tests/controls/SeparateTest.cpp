#include <gtest/gtest.h>

#include <QApplication>
#include <QFrame>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>
#include <memory>
#include <vector>

#include "controls/AlignLayout.h"
#include "controls/Separate.h"
#include "support/MouseEvents.h"

namespace tarnel {
namespace {

using test::SendMouse;

void Press(QWidget* target, QPoint at, Qt::MouseButton button = Qt::LeftButton,
           Qt::MouseButtons held = Qt::NoButton) {
  SendMouse(target, QEvent::MouseButtonPress, at, button, held | button);
}

void Move(QWidget* target, QPoint at, Qt::MouseButtons held = Qt::LeftButton) {
  SendMouse(target, QEvent::MouseMove, at, Qt::NoButton, held);
}

void Release(QWidget* target, QPoint at, Qt::MouseButton button = Qt::LeftButton,
             Qt::MouseButtons stillHeld = Qt::NoButton) {
  SendMouse(target, QEvent::MouseButtonRelease, at, button, stillHeld);
}

struct EndCall {
  QObject* sender;
  int pos;
  int cg;
};

// The main window's panes at their stored size: a 543 x 298 client area, the status bar at
// the bottom, the tree's panel and an upright bar of width 2 at the left, and the list panel
// (lowered bevel of width 2) holding the two lists with a lying bar between them.
class MainPanesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form_.resize(543, 298);
    auto* formLayout = new AlignLayout(&form_);
    statusBar_ = new QWidget(&form_);
    statusBar_->resize(543, 24);
    formLayout->addWidget(statusBar_, Align::Bottom);
    panel2_ = new QFrame(&form_);
    panel2_->resize(153, 274);
    formLayout->addWidget(panel2_, Align::Left);

    separater1_ = new TSeparater(&form_);
    separater1_->setCursor(Qt::SplitHCursor);
    separater1_->resize(2, 274);
    separater1_->SetKind(Tkind::Level);
    separater1_->SetBevelOuter(TBevelCut::None);
    separater1_->SetReSizeCtrl(panel2_);
    separater1_->Loaded();

    panel1_ = new QFrame(&form_);
    panel1_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel1_->setLineWidth(2);
    formLayout->addWidget(panel1_, Align::Client);

    auto* listLayout = new AlignLayout(panel1_);
    lsYCall_ = new QWidget(panel1_);
    lsYCall_->resize(384, 137);
    listLayout->addWidget(lsYCall_, Align::Top);
    separater2_ = new TSeparater(panel1_);
    separater2_->setCursor(Qt::SplitVCursor);
    separater2_->resize(384, 5);
    separater2_->SetKind(Tkind::Vertical);
    separater2_->SetReSizeCtrl(lsYCall_);
    separater2_->Loaded();
    lsICall_ = new QWidget(panel1_);
    listLayout->addWidget(lsICall_, Align::Client);

    for (TSeparater* bar : {separater1_, separater2_}) {
      bar->SetOnStartDrag([this](QObject* sender) { starts_.push_back(sender); });
      bar->SetOnEndDrag([this](QObject* sender, int pos, int cg) {
        ends_.push_back({sender, pos, cg});
      });
    }
    form_.show();
    QApplication::processEvents();
  }

  QWidget* Overlay() { return form_.findChild<QWidget*>(QStringLiteral("tarnelDragLine")); }

  QWidget form_;
  QWidget* statusBar_ = nullptr;
  QFrame* panel2_ = nullptr;
  TSeparater* separater1_ = nullptr;
  QFrame* panel1_ = nullptr;
  QWidget* lsYCall_ = nullptr;
  TSeparater* separater2_ = nullptr;
  QWidget* lsICall_ = nullptr;
  std::vector<QObject*> starts_;
  std::vector<EndCall> ends_;
};

TEST_F(MainPanesTest, StoredFormKeepsTheUprightBarAtWidthTwo) {
  EXPECT_EQ(panel2_->geometry(), QRect(0, 0, 153, 274));
  EXPECT_EQ(separater1_->geometry(), QRect(153, 0, 2, 274));
  EXPECT_EQ(separater1_->cursor().shape(), Qt::SplitHCursor);
  EXPECT_EQ(panel1_->geometry(), QRect(155, 0, 388, 274));
  EXPECT_EQ(statusBar_->geometry(), QRect(0, 274, 543, 24));
  EXPECT_EQ(lsYCall_->geometry(), QRect(2, 2, 384, 137));
  EXPECT_EQ(separater2_->geometry(), QRect(2, 139, 384, 5));
  EXPECT_EQ(lsICall_->geometry(), QRect(2, 144, 384, 128));
}

TEST_F(MainPanesTest, DragUpResizesUpperListAndBarFollowsIt) {
  QSignalSpy ended(separater2_, &TSeparater::DragEnded);
  Press(separater2_, QPoint(10, 3));
  ASSERT_TRUE(separater2_->Dragging());
  EXPECT_EQ(separater2_->DragForm(), &form_);
  EXPECT_EQ(separater2_->DragArea(), (TDragArea{155, 0, 543, 274}));
  EXPECT_EQ(separater2_->HalfThickness(), 2);
  EXPECT_EQ(separater2_->GrabOffset(), 1);
  EXPECT_EQ(separater2_->LinePos(), 141);
  EXPECT_EQ(separater2_->ShownLines(), std::vector<QLine>{QLine(155, 141, 542, 141)});
  ASSERT_NE(Overlay(), nullptr);
  EXPECT_TRUE(Overlay()->isVisible());
  ASSERT_EQ(starts_.size(), 1u);
  EXPECT_EQ(starts_[0], separater2_);

  Move(separater2_, QPoint(10, -50));
  EXPECT_EQ(separater2_->LinePos(), 88);
  EXPECT_EQ(separater2_->ShownLines(), std::vector<QLine>{QLine(155, 88, 542, 88)});
  Move(separater2_, QPoint(10, -200));
  EXPECT_EQ(separater2_->LinePos(), 1);
  Move(separater2_, QPoint(10, -50));
  EXPECT_EQ(separater2_->LinePos(), 88);
  // Nothing is resized while the line moves.
  EXPECT_EQ(lsYCall_->height(), 137);
  EXPECT_EQ(separater2_->y(), 139);

  Release(separater2_, QPoint(10, -50));
  EXPECT_FALSE(separater2_->Dragging());
  EXPECT_EQ(lsYCall_->height(), 84);
  EXPECT_EQ(separater2_->y(), 86);
  EXPECT_EQ(lsICall_->geometry(), QRect(2, 91, 384, 181));
  ASSERT_EQ(ends_.size(), 1u);
  EXPECT_EQ(ends_[0].sender, separater2_);
  EXPECT_EQ(ends_[0].pos, 86);
  EXPECT_EQ(ends_[0].cg, 0);
  EXPECT_EQ(ended.count(), 1);
  // Each of the three moves erased and drew once, the release erased once more.
  EXPECT_EQ(separater2_->LinesDrawn(), 8);
  EXPECT_TRUE(separater2_->ShownLines().empty());
  EXPECT_EQ(Overlay(), nullptr);
  EXPECT_EQ(starts_.size(), 1u);
}

TEST_F(MainPanesTest, PressAndReleaseWithoutMovementKeepsEverySize) {
  Press(separater2_, QPoint(0, 4));
  Release(separater2_, QPoint(0, 4));
  EXPECT_EQ(lsYCall_->height(), 137);
  EXPECT_EQ(separater2_->y(), 139);
  ASSERT_EQ(ends_.size(), 1u);
  EXPECT_EQ(ends_[0].pos, 139);
  EXPECT_EQ(ends_[0].cg, 0);

  Press(separater1_, QPoint(1, 100));
  Release(separater1_, QPoint(1, 100));
  EXPECT_EQ(panel2_->width(), 153);
  EXPECT_EQ(separater1_->x(), 153);
}

TEST_F(MainPanesTest, LineStopsAtTopMarginAndUpperListClosesInsteadOfGoingNegative) {
  Press(separater2_, QPoint(0, 2));
  Move(separater2_, QPoint(0, -1000));
  EXPECT_EQ(separater2_->LinePos(), 1);
  Release(separater2_, QPoint(0, -1000));
  // 1 - 2 - 2 asks for a height of -3; the list closes and the bar sits at the inset.
  EXPECT_EQ(lsYCall_->height(), 0);
  EXPECT_EQ(separater2_->y(), 2);
  ASSERT_EQ(ends_.size(), 1u);
  EXPECT_EQ(ends_[0].pos, -1);
  EXPECT_EQ(ends_[0].cg, -3);

  // The closed list stays ahead of the bar and opens again from there.
  Press(separater2_, QPoint(0, 2));
  Move(separater2_, QPoint(0, 52));
  Release(separater2_, QPoint(0, 52));
  EXPECT_EQ(lsYCall_->geometry(), QRect(2, 2, 384, 50));
  EXPECT_EQ(separater2_->y(), 52);
}

TEST_F(MainPanesTest, LineStopsShortOfTheFarEdgeByEndMargin) {
  Press(separater2_, QPoint(0, 2));
  Move(separater2_, QPoint(0, 1000));
  EXPECT_EQ(separater2_->LinePos(), 274 - 6);
  Release(separater2_, QPoint(0, 1000));
  EXPECT_EQ(lsYCall_->height(), 268 - 2 - 2);
  EXPECT_EQ(separater2_->y(), 266);
  EXPECT_EQ(ends_.back().cg, 0);

  // The upright bar's extent is the form's client width.
  Press(separater1_, QPoint(0, 50));
  Move(separater1_, QPoint(1000, 50));
  EXPECT_EQ(separater1_->LinePos(), 543 - 6);
  Release(separater1_, QPoint(1000, 50));
  EXPECT_EQ(panel2_->width(), 536);
  EXPECT_EQ(separater1_->x(), 536);
  EXPECT_EQ(panel1_->geometry(), QRect(538, 0, 5, 274));
  EXPECT_EQ(ends_.back().pos, 536);
  EXPECT_EQ(ends_.back().cg, 0);
}

TEST_F(MainPanesTest, UprightBarOnTheFormDrawsOverTheWholeClientHeight) {
  Press(separater1_, QPoint(0, 30));
  EXPECT_EQ(separater1_->DragArea(), (TDragArea{0, 0, 543, 298}));
  EXPECT_EQ(separater1_->HalfThickness(), 1);
  EXPECT_EQ(separater1_->GrabOffset(), -1);
  // Width 2: the line starts at left + 1 and runs down across the status bar.
  EXPECT_EQ(separater1_->LinePos(), 154);
  EXPECT_EQ(separater1_->ShownLines(), std::vector<QLine>{QLine(154, 0, 154, 297)});

  Move(separater1_, QPoint(-40, 30));
  EXPECT_EQ(separater1_->LinePos(), 114);
  Release(separater1_, QPoint(-40, 30));
  EXPECT_EQ(panel2_->width(), 113);
  EXPECT_EQ(separater1_->geometry(), QRect(113, 0, 2, 274));
  EXPECT_EQ(panel1_->geometry(), QRect(115, 0, 428, 274));
  EXPECT_EQ(ends_.back().pos, 113);
  EXPECT_EQ(ends_.back().cg, 0);
}

TEST_F(MainPanesTest, OnlyTheLeftButtonStartsButAnyButtonEndsTheDrag) {
  Press(separater2_, QPoint(0, 2), Qt::RightButton);
  EXPECT_FALSE(separater2_->Dragging());
  Move(separater2_, QPoint(0, -60), Qt::RightButton);
  Release(separater2_, QPoint(0, -60), Qt::RightButton);
  EXPECT_TRUE(starts_.empty());
  EXPECT_TRUE(ends_.empty());
  EXPECT_EQ(lsYCall_->height(), 137);

  Press(separater2_, QPoint(0, 2));
  Press(separater2_, QPoint(0, 2), Qt::RightButton, Qt::LeftButton);
  Move(separater2_, QPoint(0, -37), Qt::LeftButton | Qt::RightButton);
  Release(separater2_, QPoint(0, -37), Qt::RightButton, Qt::LeftButton);
  EXPECT_FALSE(separater2_->Dragging());
  EXPECT_EQ(lsYCall_->height(), 98);
  ASSERT_EQ(ends_.size(), 1u);
  EXPECT_EQ(ends_[0].pos, 100);

  // The left button's own release comes after the drag has ended and changes nothing.
  Release(separater2_, QPoint(0, 200));
  EXPECT_EQ(ends_.size(), 1u);
  EXPECT_EQ(lsYCall_->height(), 98);
}

TEST_F(MainPanesTest, DragAfterTheLinkedControlIsDestroyedResizesNothing) {
  delete lsYCall_;
  lsYCall_ = nullptr;
  EXPECT_EQ(separater2_->ReSizeCtrl(), nullptr);
  separater2_->parentWidget()->layout()->activate();
  QApplication::processEvents();
  ASSERT_EQ(separater2_->y(), 2);

  Press(separater2_, QPoint(0, 3));
  Move(separater2_, QPoint(0, 30));
  Release(separater2_, QPoint(0, 30));
  EXPECT_EQ(separater2_->y(), 2);
  ASSERT_EQ(ends_.size(), 1u);
  EXPECT_EQ(ends_[0].pos, 29);
  EXPECT_EQ(ends_[0].cg, 27);
}

TEST_F(MainPanesTest, PointerGrabKeepsTheDragWhenThePointerLeavesTheBar) {
  QWindow* window = form_.windowHandle();
  ASSERT_NE(window, nullptr);
  const QPoint onBar = separater2_->mapTo(&form_, QPoint(100, 2));
  const QPoint overLowerList = lsICall_->mapTo(&form_, QPoint(100, 60));
  QTest::mousePress(window, Qt::LeftButton, {}, onBar);
  ASSERT_TRUE(separater2_->Dragging());
  QTest::mouseMove(window, overLowerList);
  QTest::mouseRelease(window, Qt::LeftButton, {}, overLowerList);
  EXPECT_FALSE(separater2_->Dragging());
  // The pointer ended 65 pixels below the bar's top, having taken hold 2 pixels into it.
  EXPECT_EQ(lsYCall_->height(), 137 + 63);
  EXPECT_EQ(separater2_->y(), 139 + 63);
}

TEST(TSeparaterTest, StartsAsALyingBarWithoutRunningTheKindSetter) {
  QWidget container;
  container.resize(100, 50);
  new AlignLayout(&container);
  auto* bar = new TSeparater(&container);
  EXPECT_EQ(bar->Kind(), Tkind::Vertical);
  EXPECT_EQ(bar->LineWidth(), 3);
  EXPECT_EQ(bar->TopMgn(), 1);
  EXPECT_EQ(bar->EndMgn(), 6);
  EXPECT_EQ(bar->cursor().shape(), Qt::SplitVCursor);
  EXPECT_EQ(AlignOf(bar), Align::Top);
  EXPECT_EQ(bar->geometry(), QRect(0, 0, 100, 5));
  EXPECT_EQ(bar->ReSizeCtrl(), nullptr);
  EXPECT_EQ(bar->BevelOuter(), TBevelCut::Raised);
  EXPECT_EQ(bar->BevelInner(), TBevelCut::None);
  EXPECT_EQ(bar->BevelWidth(), 1);

  // Nothing was saved yet, so loading brings back size 0 and the default cursor.
  bar->Loaded();
  EXPECT_EQ(bar->height(), 0);
  EXPECT_EQ(bar->cursor().shape(), Qt::ArrowCursor);
}

TEST(TSeparaterTest, KindAssignedTwiceSavesWhatTheFirstAssignmentMade) {
  QWidget container;
  container.resize(100, 50);
  new AlignLayout(&container);
  auto* once = new TSeparater(&container);
  once->setCursor(Qt::IBeamCursor);
  once->resize(once->width(), 9);
  once->SetKind(Tkind::Vertical);
  EXPECT_EQ(once->height(), 5);
  once->Loaded();
  EXPECT_EQ(once->height(), 9);
  EXPECT_EQ(once->cursor().shape(), Qt::IBeamCursor);

  auto* twice = new TSeparater(&container);
  twice->setCursor(Qt::IBeamCursor);
  twice->resize(7, 30);
  twice->SetKind(Tkind::Level);
  EXPECT_EQ(twice->cursor().shape(), Qt::SplitHCursor);
  EXPECT_EQ(AlignOf(twice), Align::Left);
  EXPECT_EQ(twice->width(), 5);
  twice->SetKind(Tkind::Level);
  twice->Loaded();
  EXPECT_EQ(twice->width(), 5);
  EXPECT_EQ(twice->cursor().shape(), Qt::SplitHCursor);
}

TEST(TSeparaterTest, SetUpInAShownContainerKeepsTheStoredSizeWhileTheLayoutIsHeldBack) {
  QWidget container;
  container.resize(200, 100);
  auto* layout = new AlignLayout(&container);
  container.show();
  QApplication::processEvents();

  layout->setEnabled(false);
  auto* bar = new TSeparater(&container);
  bar->resize(2, 100);
  bar->SetKind(Tkind::Level);
  bar->Loaded();
  layout->setEnabled(true);
  layout->Realign();
  EXPECT_EQ(bar->geometry(), QRect(0, 0, 2, 100));
}

TEST(TSeparaterTest, LinkingAControlDocksItAheadOfTheBar) {
  QWidget container;
  container.resize(200, 100);
  auto* layout = new AlignLayout(&container);
  // The bar comes first in the container; the link puts the pane before it anyway.
  auto* bar = new TSeparater(&container);
  bar->resize(3, 100);
  bar->SetKind(Tkind::Level);
  auto* pane = new QWidget(&container);
  pane->resize(40, 10);
  layout->addWidget(pane, Align::Left);
  bar->Loaded();
  ASSERT_EQ(bar->x(), 0);
  ASSERT_EQ(pane->x(), 3);

  bar->SetReSizeCtrl(pane);
  EXPECT_EQ(bar->ReSizeCtrl(), pane);
  EXPECT_EQ(pane->geometry(), QRect(0, 0, 40, 100));
  EXPECT_EQ(bar->x(), 40);

  bar->SetReSizeCtrl(nullptr);
  EXPECT_EQ(bar->ReSizeCtrl(), nullptr);
  EXPECT_EQ(AlignOf(pane), Align::Left);
  EXPECT_EQ(bar->x(), 40);
}

TEST(TSeparaterTest, ContainerSmallerThanBothMarginsPutsTheFarLimitBelowTheTopMargin) {
  QWidget form;
  form.resize(100, 100);
  auto* holder = new QWidget(&form);
  holder->setGeometry(10, 20, 80, 4);
  auto* layout = new AlignLayout(holder);
  auto* pane = new QWidget(holder);
  pane->resize(80, 0);
  layout->addWidget(pane, Align::Top);
  auto* bar = new TSeparater(holder);
  bar->SetReSizeCtrl(pane);
  std::vector<EndCall> ends;
  bar->SetOnEndDrag([&ends](QObject* sender, int pos, int cg) {
    ends.push_back({sender, pos, cg});
  });
  form.show();
  QApplication::processEvents();
  ASSERT_EQ(bar->y(), 0);

  Press(bar, QPoint(0, 2));
  EXPECT_EQ(bar->DragArea(), (TDragArea{10, 20, 90, 24}));
  EXPECT_EQ(bar->LinePos(), 2);
  Move(bar, QPoint(0, 0));
  EXPECT_EQ(bar->LinePos(), 1);
  // Not below the top margin, so the far limit 4 - 6 applies.
  Move(bar, QPoint(0, 3));
  EXPECT_EQ(bar->LinePos(), -2);
  EXPECT_EQ(bar->ShownLines(), std::vector<QLine>{QLine(10, 18, 89, 18)});
  Release(bar, QPoint(0, 3));
  EXPECT_EQ(pane->height(), 0);
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_EQ(ends[0].pos, -4);
  EXPECT_EQ(ends[0].cg, -4);
}

}  // namespace
}  // namespace tarnel
