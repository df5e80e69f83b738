#pragma once

#include <QFont>

namespace tarnel {

// The face names the windows are designed with.
inline constexpr const char* kFormFace = "ＭＳ Ｐゴシック";
inline constexpr const char* kAboutFace = "Century";

// Maps the designed faces to installed ones (IPA, Noto CJK), once per run.
void RegisterFontSubstitutions();

// The designed face with a character height in pixels.
QFont DesignedFont(const char* face, int pixelHeight, bool bold = false);

}  // namespace tarnel
