#include "lsp/MessageReader.h"

#include <algorithm>
#include <cctype>
#include <optional>

namespace tarnel {

namespace {

constexpr std::size_t kChunk = 65536;

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

// The value of a Content-Length field: digits only, and no overflow.
std::optional<std::size_t> ParseLength(std::string_view text, bool& huge) {
  text = Trim(text);
  if (text.empty() || text.size() > 19) {
    huge = !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    return std::nullopt;
  }
  std::size_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<std::size_t>(c - '0');
  }
  return value;
}

}  // namespace

MessageReader::MessageReader(Source source, std::size_t limit)
    : source_(std::move(source)), limit_(limit) {}

bool MessageReader::Fill() {
  if (ended_) return false;
  if (start_ > 0 && start_ >= buffer_.size() / 2) {
    buffer_.erase(0, start_);
    start_ = 0;
  }
  const std::size_t old = buffer_.size();
  buffer_.resize(old + kChunk);
  const std::size_t got = source_(buffer_.data() + old, kChunk);
  buffer_.resize(old + std::min(got, kChunk));
  if (got == 0) ended_ = true;
  return got > 0;
}

bool MessageReader::ReadHeaderLine(std::string& line, bool& tooLong) {
  line.clear();
  tooLong = false;
  for (;;) {
    const std::size_t end = buffer_.find('\n', start_);
    if (end != std::string::npos) {
      std::string_view text(buffer_.data() + start_, end - start_);
      if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
      if (!tooLong) line.append(text);
      if (line.size() > kLongestHeaderLine) tooLong = true;
      start_ = end + 1;
      return true;
    }
    // A line without an end yet: keep no more of it than a header line may hold.
    if (buffer_.size() - start_ > kLongestHeaderLine) {
      tooLong = true;
      start_ = buffer_.size();
    }
    if (!Fill()) {
      line.assign(buffer_, start_, std::string::npos);  // what came of a line that never ended
      start_ = buffer_.size();
      return false;
    }
  }
}

bool MessageReader::Skip(std::size_t count) {
  while (count > 0) {
    if (start_ == buffer_.size() && !Fill()) return false;
    const std::size_t take = std::min(count, buffer_.size() - start_);
    start_ += take;
    count -= take;
  }
  return true;
}

MessageReader::Result MessageReader::Next() {
  std::optional<std::size_t> length;
  bool bad = false;
  bool huge = false;
  bool any = false;
  std::string line;
  for (;;) {
    bool tooLong = false;
    if (!ReadHeaderLine(line, tooLong)) {
      return {any || !line.empty() ? Status::Truncated : Status::End, {}};
    }
    if (line.empty() && !tooLong) {
      if (!any) continue;  // blank lines between messages are harmless
      break;
    }
    any = true;
    if (tooLong) {
      bad = true;
      continue;
    }
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos) {
      bad = true;
      continue;
    }
    if (EqualsIgnoringCase(Trim(std::string_view(line).substr(0, colon)), "Content-Length")) {
      bool fieldHuge = false;
      length = ParseLength(std::string_view(line).substr(colon + 1), fieldHuge);
      huge = fieldHuge;
      if (!length && !huge) bad = true;
    }
  }
  if (huge) return {Status::TooLarge, {}};
  if (bad || !length) {
    // Without a trusted length the body cannot be told from the next header; reading goes on
    // at the next line, where a well-formed message will be found again.
    return {Status::BadHeader, {}};
  }
  if (*length > limit_) {
    if (!Skip(*length)) return {Status::Truncated, {}};
    return {Status::TooLarge, {}};
  }
  while (buffer_.size() - start_ < *length) {
    if (!Fill()) return {Status::Truncated, {}};
  }
  Result result{Status::Message, buffer_.substr(start_, *length)};
  start_ += *length;
  return result;
}

bool MessageReader::HasBufferedMessage() const {
  if (ended_) return true;
  const std::string_view rest(buffer_.data() + start_, buffer_.size() - start_);
  std::size_t headerEnd = rest.find("\r\n\r\n");
  if (headerEnd == std::string_view::npos) return false;
  // Only a plain Content-Length is trusted here; anything else waits for Next to judge it.
  const std::string_view header = rest.substr(0, headerEnd);
  const std::size_t field = header.find("Content-Length:");
  if (field == std::string_view::npos) return false;
  bool huge = false;
  const std::size_t lineEnd = header.find("\r\n", field);
  std::optional<std::size_t> length = ParseLength(
      header.substr(field + 15, lineEnd == std::string_view::npos ? std::string_view::npos
                                                                  : lineEnd - field - 15),
      huge);
  return length && rest.size() - headerEnd - 4 >= *length;
}

std::string FrameHeader(std::size_t bodySize) {
  return "Content-Length: " + std::to_string(bodySize) + "\r\n\r\n";
}

std::string FrameMessage(std::string_view body) {
  std::string framed = FrameHeader(body.size());
  framed.append(body);
  return framed;
}

}  // namespace tarnel
