#include "ui/ImageList.h"

// The images are compiled into the static library; nothing else refers to them, so they are
// registered by name.
static void InitIconResources() { Q_INIT_RESOURCE(icons); }

namespace tarnel {

TImageList::TImageList() {
  InitIconResources();
  icons_.resize(kCount);
  for (int i = 0; i < kCount; ++i) {
    icons_[static_cast<std::size_t>(i)].addFile(ResourcePath(i, false), QSize(kSize, kSize));
    icons_[static_cast<std::size_t>(i)].addFile(ResourcePath(i, true), QSize(2 * kSize, 2 * kSize));
  }
}

QIcon TImageList::Icon(int index) const {
  if (index < 0 || index >= kCount) return {};
  return icons_[static_cast<std::size_t>(index)];
}

QString TImageList::ResourcePath(int index, bool doubleSize) {
  return QStringLiteral(":/icons/%1%2.png")
      .arg(index, 2, 10, QLatin1Char('0'))
      .arg(doubleSize ? QStringLiteral("@2x") : QString());
}

const TImageList& ImageList1() {
  static const TImageList list;
  return list;
}

}  // namespace tarnel
