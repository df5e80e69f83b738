#include "lsp/JsonText.h"

#include <charconv>
#include <nlohmann/json.hpp>

#include "platform/CodePage.h"

namespace tarnel {

JsonText& JsonText::Open(char bracket) {
  Separate();
  out_ += bracket;
  afterValue_ = false;
  return *this;
}

JsonText& JsonText::Close(char bracket) {
  out_ += bracket;
  afterValue_ = true;
  return *this;
}

JsonText& JsonText::Key(std::string_view key) {
  Separate();
  out_ += '"';
  out_ += key;
  out_ += "\":";
  afterValue_ = false;
  return *this;
}

namespace {

// Whether text can stand between quotes as it is: no byte to escape, and UTF-8 throughout.
bool IsPlainJsonString(std::string_view text) {
  bool ascii = true;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || c == '"' || c == '\\') return false;
    ascii = ascii && byte < 0x80;
  }
  return ascii || IsValidUtf8(text);
}

}  // namespace

JsonText& JsonText::String(std::string_view text) {
  Separate();
  afterValue_ = true;
  // Names and paths hold nothing to escape; the rest goes to nlohmann's own escaping, which
  // also replaces what is not UTF-8.
  if (!IsPlainJsonString(text)) {
    out_ += nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    return *this;
  }
  out_ += '"';
  out_ += text;
  out_ += '"';
  return *this;
}

JsonText& JsonText::Int(long long value) {
  Separate();
  afterValue_ = true;
  char digits[24];
  out_.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
  return *this;
}

JsonText& JsonText::Raw(std::string_view json) {
  Separate();
  afterValue_ = true;
  out_ += json;
  return *this;
}

}  // namespace tarnel
