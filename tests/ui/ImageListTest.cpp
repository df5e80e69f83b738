#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QPoint>
#include <utility>
#include <vector>

#include "ui/ImageList.h"

namespace tarnel {
namespace {

const QColor kWhite(255, 255, 255);
const QColor kCyan(0, 184, 216);

using Pixels = std::vector<std::pair<QPoint, QColor>>;

// The small image of an index as the tree draws it at 96 pixels per inch.
QImage SmallImage(int index) {
  ImageList1();  // registers the images
  QImage image(TImageList::ResourcePath(index, false));
  return image.convertToFormat(QImage::Format_ARGB32);
}

bool Dark(const QColor& c) { return c.alpha() == 255 && c.value() < 0x60; }

void ExpectPixels(int index, const Pixels& expected) {
  const QImage image = SmallImage(index);
  ASSERT_EQ(image.size(), QSize(16, 16)) << index;
  for (const auto& [at, color] : expected) {
    EXPECT_EQ(image.pixelColor(at), color)
        << "image " << index << " at " << at.x() << "," << at.y();
  }
}

TEST(ImageListTest, UserControlImagesAreWhiteWindowsWithCyanTitleBars) {
  // The group: two windows, the front one's title bar and body, the back one's title bar.
  ExpectPixels(4, {{{8, 6}, kCyan}, {{8, 9}, kWhite}, {{10, 2}, kCyan}});
  // The module: one window.
  ExpectPixels(9, {{{7, 3}, kCyan}, {{8, 6}, kWhite}, {{8, 12}, kWhite}});
  EXPECT_TRUE(Dark(SmallImage(9).pixelColor(1, 8)));  // its frame
}

TEST(ImageListTest, ProjectImageIsAStackOfThreeSheets) {
  const QImage image = SmallImage(0);
  ASSERT_EQ(image.size(), QSize(16, 16));
  // White paper on each sheet: the front one, and the two behind it where they stand out.
  for (QPoint paper : {QPoint(4, 6), QPoint(2, 8), QPoint(11, 10), QPoint(13, 6)}) {
    EXPECT_EQ(image.pixelColor(paper), kWhite) << paper.x() << "," << paper.y();
  }
  // Across row 10 the right edges of the three sheets follow one another.
  for (int x : {10, 12, 14}) EXPECT_TRUE(Dark(image.pixelColor(x, 10))) << x;
  EXPECT_TRUE(Dark(image.pixelColor(1, 10)));
}

TEST(ImageListTest, EverySmallImageIsSixteenPixelsAndNotEmpty) {
  for (int i = 0; i < TImageList::kCount; ++i) {
    const QImage image = SmallImage(i);
    ASSERT_EQ(image.size(), QSize(16, 16)) << i;
    int opaque = 0;
    for (int y = 0; y < 16; ++y) {
      for (int x = 0; x < 16; ++x) opaque += image.pixelColor(x, y).alpha() > 0 ? 1 : 0;
    }
    EXPECT_GT(opaque, 30) << i;
  }
}

}  // namespace
}  // namespace tarnel
