#include "ui/Cp932Text.h"

#include "platform/CodePage.h"

namespace tarnel {

QString FromCp932(std::string_view bytes) { return QString::fromStdString(Cp932ToUtf8(bytes)); }

QString FromRecordText(std::string_view bytes, TextEncoding encoding) {
  if (encoding == TextEncoding::Cp932) return FromCp932(bytes);
  return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QString FromSourceLine(std::string_view bytes, SourceEncoding fileEncoding) {
  return QString::fromStdString(DecodeToUtf8(bytes, fileEncoding));
}

}  // namespace tarnel
