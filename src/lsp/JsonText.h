#pragma once

#include <string>
#include <string_view>

namespace tarnel {

// JSON text written straight into a string. An answer of ten thousand call sites took three times
// longer to build as nlohmann::json values, dump and free than the workspace took to find them;
// this writes the same bytes in one pass. Objects give their keys in the order nlohmann's objects
// sort them (by bytes), so that an answer reads the same whichever way it was made.
class JsonText {
 public:
  JsonText& BeginObject() { return Open('{'); }
  JsonText& EndObject() { return Close('}'); }
  JsonText& BeginArray() { return Open('['); }
  JsonText& EndArray() { return Close(']'); }
  // A member's name: plain text that needs no escape.
  JsonText& Key(std::string_view key);
  // A string value, escaped as nlohmann::json dumps it; bytes that are not UTF-8 become U+FFFD.
  JsonText& String(std::string_view text);
  JsonText& Int(long long value);
  // A value that is JSON text already.
  JsonText& Raw(std::string_view json);

  const std::string& Text() const { return out_; }
  // Starts again, keeping the storage unless it is larger than keepAtMost bytes.
  void Clear(std::size_t keepAtMost = std::string::npos) {
    if (out_.capacity() > keepAtMost) std::string().swap(out_);
    out_.clear();
    afterValue_ = false;
  }

 private:
  JsonText& Open(char bracket);
  JsonText& Close(char bracket);
  // A comma before a value or a name that follows another value in the same array or object.
  void Separate() {
    if (afterValue_) out_ += ',';
  }

  std::string out_;
  bool afterValue_ = false;
};

}  // namespace tarnel
