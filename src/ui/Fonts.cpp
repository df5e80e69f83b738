#include "ui/Fonts.h"

#include <QStringList>

namespace tarnel {

void RegisterFontSubstitutions() {
  // The first installed face of each list stands in for the designed one.
  QFont::insertSubstitutions(QString::fromUtf8(kFormFace),
                             {"IPAPGothic", "IPAGothic", "Noto Sans CJK JP", "VL PGothic"});
  QFont::insertSubstitutions(QString::fromUtf8(kAboutFace),
                             {"IPAPMincho", "IPAMincho", "IPAPGothic", "IPAGothic"});
}

QFont DesignedFont(const char* face, int pixelHeight, bool bold) {
  QFont font(QString::fromUtf8(face));
  font.setPixelSize(pixelHeight);
  font.setBold(bold);
  return font;
}

}  // namespace tarnel
