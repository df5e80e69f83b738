#pragma once

#include <string>
#include <string_view>

// Conversions between code page 932 (engine text) and UTF-8 (Qt, terminals, file names).
namespace tarnel {

// A byte that is not valid code page 932 becomes U+F700 + byte, a private-use code point that
// code page 932 never produces, so that Utf8ToCp932 restores it: the round trip is lossless.
std::string Cp932ToUtf8(std::string_view cp932);

// Characters without a code page 932 form become "?"; U+F700..U+F7FF become the raw byte; invalid
// UTF-8 bytes are passed through unchanged.
std::string Utf8ToCp932(std::string_view utf8);

// True when text converts to code page 932 without loss.
bool RepresentableInCp932(std::string_view utf8);

// Appends the UTF-8 form of a code point.
void AppendUtf8(char32_t codePoint, std::string& out);

// True when bytes are valid UTF-8 throughout: no overlong form, surrogate or code point past
// U+10FFFF.
bool IsValidUtf8(std::string_view bytes);

// True when bytes are code page 932 text throughout: no byte needs the private-use mapping.
bool IsValidCp932(std::string_view bytes);

}  // namespace tarnel
