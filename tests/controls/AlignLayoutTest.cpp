#include <gtest/gtest.h>

#include <QApplication>
#include <QFrame>
#include <QWidget>

#include "controls/AlignLayout.h"

namespace tarnel {
namespace {

QWidget* Child(QWidget* container, int width, int height) {
  auto* child = new QWidget(container);
  child->resize(width, height);
  return child;
}

TEST(AlignLayoutTest, PlacesTopBottomLeftRightThenClient) {
  QWidget container;
  container.resize(200, 100);
  auto* layout = new AlignLayout(&container);
  // Added in an order unlike the placing order, which goes by alignment.
  QWidget* client = Child(&container, 10, 10);
  QWidget* right = Child(&container, 30, 10);
  QWidget* left = Child(&container, 20, 10);
  QWidget* bottom = Child(&container, 10, 15);
  QWidget* top = Child(&container, 10, 25);
  layout->addWidget(client, Align::Client);
  layout->addWidget(right, Align::Right);
  layout->addWidget(left, Align::Left);
  layout->addWidget(bottom, Align::Bottom);
  layout->addWidget(top, Align::Top);
  container.show();
  QApplication::processEvents();

  EXPECT_EQ(top->geometry(), QRect(0, 0, 200, 25));
  EXPECT_EQ(bottom->geometry(), QRect(0, 85, 200, 15));
  EXPECT_EQ(left->geometry(), QRect(0, 25, 20, 60));
  EXPECT_EQ(right->geometry(), QRect(170, 25, 30, 60));
  EXPECT_EQ(client->geometry(), QRect(20, 25, 150, 60));
  EXPECT_EQ(AlignOf(client), Align::Client);
}

TEST(AlignLayoutTest, OrdersChildrenOfOneEdgeByTheirCurrentEdge) {
  QWidget container;
  container.resize(100, 100);
  auto* layout = new AlignLayout(&container);
  QWidget* first = Child(&container, 100, 10);
  QWidget* second = Child(&container, 100, 20);
  layout->addWidget(first, Align::Top);
  layout->addWidget(second, Align::Top);
  EXPECT_EQ(second->y(), 10);

  second->move(0, -1);
  layout->Realign();
  EXPECT_EQ(second->y(), 0);
  EXPECT_EQ(first->y(), 20);

  QWidget* leftA = Child(&container, 5, 5);
  QWidget* leftB = Child(&container, 7, 5);
  layout->addWidget(leftA, Align::Left);
  layout->addWidget(leftB, Align::Left);
  leftB->move(-1, 0);
  layout->Realign();
  EXPECT_EQ(leftB->x(), 0);
  EXPECT_EQ(leftA->x(), 7);
}

TEST(AlignLayoutTest, TiesKeepThePreviousOrderWhenAChildClosesAndOpensAgain) {
  QWidget container;
  container.resize(100, 100);
  auto* layout = new AlignLayout(&container);
  QWidget* bar = Child(&container, 100, 5);
  QWidget* pane = Child(&container, 100, 30);
  layout->addWidget(bar, Align::Top);
  pane->move(0, -1);
  layout->addWidget(pane, Align::Top);
  ASSERT_EQ(pane->y(), 0);
  ASSERT_EQ(bar->y(), 30);

  // Closed, the pane shares its top edge with the bar; it must stay ahead of it.
  pane->resize(100, 0);
  layout->Realign();
  EXPECT_EQ(bar->y(), 0);
  pane->resize(100, 40);
  layout->Realign();
  EXPECT_EQ(pane->y(), 0);
  EXPECT_EQ(bar->y(), 40);
}

TEST(AlignLayoutTest, FramedContainerInsetsItsChildren) {
  QFrame container;
  container.setFrameStyle(QFrame::Panel | QFrame::Sunken);
  container.setLineWidth(2);
  container.resize(100, 80);
  auto* layout = new AlignLayout(&container);
  QWidget* top = Child(&container, 1, 30);
  QWidget* client = Child(&container, 1, 1);
  layout->addWidget(top, Align::Top);
  layout->addWidget(client, Align::Client);

  EXPECT_EQ(top->geometry(), QRect(2, 2, 96, 30));
  EXPECT_EQ(client->geometry(), QRect(2, 32, 96, 46));
}

TEST(AlignLayoutTest, ResizingAVisibleChildMovesItsNeighboursAtOnce) {
  QWidget container;
  container.resize(100, 100);
  auto* layout = new AlignLayout(&container);
  QWidget* top = Child(&container, 100, 30);
  QWidget* client = Child(&container, 1, 1);
  layout->addWidget(top, Align::Top);
  layout->addWidget(client, Align::Client);
  container.show();
  QApplication::processEvents();

  top->resize(top->width(), 50);
  EXPECT_EQ(client->geometry(), QRect(0, 50, 100, 50));

  container.resize(100, 120);
  EXPECT_EQ(client->geometry(), QRect(0, 50, 100, 70));
}

TEST(AlignLayoutTest, HiddenChildTakesNoRoomAndOverfullContainerLeavesClientEmpty) {
  QWidget container;
  container.resize(100, 40);
  auto* layout = new AlignLayout(&container);
  QWidget* hidden = Child(&container, 100, 10);
  QWidget* top = Child(&container, 100, 30);
  QWidget* bottom = Child(&container, 100, 30);
  QWidget* client = Child(&container, 1, 1);
  hidden->hide();
  layout->addWidget(hidden, Align::Top);
  layout->addWidget(top, Align::Top);
  layout->addWidget(bottom, Align::Bottom);
  layout->addWidget(client, Align::Client);
  container.show();
  QApplication::processEvents();

  EXPECT_EQ(top->y(), 0);
  EXPECT_EQ(bottom->y(), 10);
  EXPECT_EQ(client->width(), 100);
  EXPECT_EQ(client->height(), 0);
}

TEST(AlignLayoutTest, SetAlignJoinsTheContainersLayout) {
  QWidget container;
  container.resize(100, 100);
  auto* layout = new AlignLayout(&container);
  QWidget* child = Child(&container, 12, 3);
  EXPECT_EQ(AlignOf(child), Align::None);
  EXPECT_EQ(layout->indexOf(child), -1);

  SetAlign(child, Align::Right);
  EXPECT_GE(layout->indexOf(child), 0);
  EXPECT_EQ(child->geometry(), QRect(88, 0, 12, 100));
  EXPECT_EQ(AlignLayout::Of(&container), layout);
}

}  // namespace
}  // namespace tarnel
