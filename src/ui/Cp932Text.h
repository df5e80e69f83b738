#pragma once

#include <QString>
#include <string_view>

namespace tarnel {

// Engine text (code page 932 bytes) as the windows show it.
QString FromCp932(std::string_view bytes);

}  // namespace tarnel
