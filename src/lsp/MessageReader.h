#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace tarnel {

// Reads the messages of a language client: a header block ("Content-Length: N", other fields
// ignored, each line ending in CR LF) and a blank line, then N bytes of JSON. Bytes come from a
// source that returns how many it put in the buffer, 0 at the end of input.
class MessageReader {
 public:
  using Source = std::function<std::size_t(char* buffer, std::size_t capacity)>;

  // Messages longer than limit bytes are refused (their bytes are skipped, never stored).
  MessageReader(Source source, std::size_t limit);

  enum class Status {
    Message,    // Body holds a message
    End,        // input ended between messages
    Truncated,  // input ended inside a header or a body
    BadHeader,  // a header block without a usable Content-Length; the block was skipped
    TooLarge,   // a Content-Length above the limit; the body was skipped
  };
  struct Result {
    ::tarnel::MessageReader::Status Status;
    std::string Body;
  };

  Result Next();

  // True when a whole message (or the end of input) can be read without waiting on the source.
  bool HasBufferedMessage() const;

  // The longest header line kept; longer ones make a bad header.
  static constexpr std::size_t kLongestHeaderLine = 8192;

 private:
  bool Fill();
  // One header line without its line end; false at the end of input.
  bool ReadHeaderLine(std::string& line, bool& tooLong);
  bool Skip(std::size_t count);

  Source source_;
  std::size_t limit_;
  std::string buffer_;
  std::size_t start_ = 0;
  bool ended_ = false;
};

// A message with its header, as the client expects it.
std::string FrameMessage(std::string_view body);
// The header alone, for a body sent after it.
std::string FrameHeader(std::size_t bodySize);

}  // namespace tarnel
