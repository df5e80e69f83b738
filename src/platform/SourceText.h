#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/CodePage.h"  // IsValidUtf8

// How module files are decoded. Code page 932 is the engine's own text and needs no decoding;
// every other choice turns the source into UTF-8.
namespace tarnel {

enum class SourceEncoding { Cp932, Cp1252, Utf8, Auto };

// "932", "1252", "UTF-8" (letter case and the dash ignored) or "Auto"; nullopt otherwise.
std::optional<SourceEncoding> ParseSourceEncoding(std::string_view text);
const char* SourceEncodingName(SourceEncoding encoding);

std::string Cp1252ToUtf8(std::string_view cp1252);

// Which legacy code page makes more sense of bytes that are not UTF-8: Cp932, Cp1252, or nullopt
// when the text gives no evidence either way (no non-ASCII bytes, or as much for each).
std::optional<SourceEncoding> GuessLegacyCodePage(std::string_view bytes);

// The bytes as UTF-8 from a concrete encoding (Cp932, Cp1252 or Utf8; Utf8 is kept as it is).
std::string DecodeToUtf8(std::string_view bytes, SourceEncoding encoding);

}  // namespace tarnel
