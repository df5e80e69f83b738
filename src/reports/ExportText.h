#pragma once

#include <string>
#include <string_view>

#include "platform/CodePage.h"

// Text helpers shared by the exports, which are all UTF-8.
namespace tarnel {

// A native name (a path as stored on disk) as UTF-8: as it is when it is UTF-8 already, decoded
// from code page 932 when it is raw bytes of an archive unpacked from Windows.
std::string NativeToUtf8(std::string_view native);

// Appends field as one CSV field (RFC 4180): as it is, or quoted with inner quotes doubled when
// it holds a comma, a quote or a line end.
void AppendCsvField(std::string& out, std::string_view field);

// Appends utf8 as a JSON string literal, quotes included.
void AppendJsonString(std::string& out, std::string_view utf8);

}  // namespace tarnel
