#pragma once

#include <QString>
#include <string_view>

#include "platform/SourceText.h"
#include "session/ProjectSession.h"

namespace tarnel {

// Engine text (code page 932 bytes) as the windows show it: paths, messages, settings.
QString FromCp932(std::string_view bytes);

// A record's text, or a text made of records, as the windows show it.
QString FromRecordText(std::string_view bytes, TextEncoding encoding);

// A line of a module file, its bytes as read, decoded with the file's own encoding.
QString FromSourceLine(std::string_view bytes, SourceEncoding fileEncoding);

}  // namespace tarnel
