#include "ui/Cp932Text.h"

#include "platform/CodePage.h"

namespace tarnel {

QString FromCp932(std::string_view bytes) { return QString::fromStdString(Cp932ToUtf8(bytes)); }

}  // namespace tarnel
