#pragma once

#include <QIcon>
#include <vector>

namespace tarnel {

// The 16 x 16 images of the tree and the lists: 0 the project, then one per record kind.
class TImageList {
 public:
  static constexpr int kCount = 23;
  static constexpr int kSize = 16;

  TImageList();
  // The image at index; an empty icon outside 0..15.
  QIcon Icon(int index) const;
  // Resource path of an image at 1x (16 px) or 2x (32 px).
  static QString ResourcePath(int index, bool doubleSize);

 private:
  std::vector<QIcon> icons_;
};

// The one image list of the program, made on first use.
const TImageList& ImageList1();

}  // namespace tarnel
