#include "platform/CodePage.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "platform/ByteText.h"

namespace tarnel {

namespace {

constexpr char32_t kRawByteBase = 0xF700;

class Converter {
 public:
  Converter(const char* to, const char* from) : handle_(iconv_open(to, from)) {
    if (handle_ == reinterpret_cast<iconv_t>(-1)) {
      throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
    }
  }
  ~Converter() { iconv_close(handle_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts as much of in as possible; returns false on an invalid or incomplete sequence, with
  // in advanced to it and LastError() telling which (EILSEQ or EINVAL).
  bool Run(std::string_view& in, std::string& out) {
    iconv(handle_, nullptr, nullptr, nullptr, nullptr);
    char buffer[4096];
    while (!in.empty()) {
      char* src = const_cast<char*>(in.data());
      std::size_t srcLeft = in.size();
      char* dst = buffer;
      std::size_t dstLeft = sizeof buffer;
      std::size_t rc = iconv(handle_, &src, &srcLeft, &dst, &dstLeft);
      const int error = errno;
      out.append(buffer, static_cast<std::size_t>(dst - buffer));
      in.remove_prefix(in.size() - srcLeft);
      if (rc == static_cast<std::size_t>(-1) && error != E2BIG) {
        lastError_ = error;
        return false;
      }
    }
    return true;
  }

  int LastError() const { return lastError_; }

 private:
  iconv_t handle_;
  int lastError_ = 0;
};

// Length of the UTF-8 sequence at the start of s, or 0 when it is not a valid one.
std::size_t Utf8SequenceLength(std::string_view s, char32_t& codePoint) {
  unsigned char b = static_cast<unsigned char>(s[0]);
  std::size_t length;
  if (b < 0x80) {
    codePoint = b;
    return 1;
  } else if (b >= 0xC2 && b <= 0xDF) {
    length = 2;
    codePoint = b & 0x1F;
  } else if (b >= 0xE0 && b <= 0xEF) {
    length = 3;
    codePoint = b & 0x0F;
  } else if (b >= 0xF0 && b <= 0xF4) {
    length = 4;
    codePoint = b & 0x07;
  } else {
    return 0;
  }
  if (s.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if ((c & 0xC0) != 0x80) return 0;
    codePoint = (codePoint << 6) | (c & 0x3F);
  }
  return length;
}

Converter& ToCp932() {
  thread_local Converter converter("CP932", "UTF-8");
  return converter;
}

// Code page 932 as the system's converter reads it, asked once for every byte and every pair of
// bytes: text is then decoded a character at a time from these tables, where a converter call
// over each text took a third of the language server's start on a Japanese project. The
// converter keeps no state between characters, so a character read alone reads as in a text.
class Cp932Decoding {
 public:
  static const Cp932Decoding& Get() {
    static const Cp932Decoding decoding;
    return decoding;
  }

  // Appends cp932 as UTF-8 to out; a byte that starts no character becomes its raw-byte code
  // point, and the next character starts after it. Without out, only reads whether every byte is
  // part of a character.
  bool Decode(std::string_view cp932, std::string* out) const {
    std::size_t i = 0;
    while (i < cp932.size()) {
      const std::size_t plain = AsciiPrefixLength(cp932.substr(i));
      if (out != nullptr) out->append(cp932.data() + i, plain);
      i += plain;
      if (i == cp932.size()) break;
      const auto byte = static_cast<unsigned char>(cp932[i]);
      char16_t character = single_[byte];
      std::size_t length = 1;
      if (leadRow_[byte] >= 0 && i + 1 < cp932.size()) {
        const auto trail = static_cast<unsigned char>(cp932[i + 1]);
        character = pairs_[static_cast<std::size_t>(leadRow_[byte]) * 256 + trail];
        length = 2;
      }
      if (out == nullptr) {
        if (character == kNone) return false;
      } else {
        AppendUtf8(character == kNone ? kRawByteBase + byte : character, *out);
      }
      i += character == kNone ? 1 : length;
    }
    return true;
  }

 private:
  static constexpr char16_t kNone = 0;  // no character; no byte above 0x7F reads as U+0000

  Cp932Decoding() {
    leadRow_.fill(-1);
    Converter converter("UTF-16LE", "CP932");
    // The one UTF-16 unit that bytes read as alone, or kNone; incomplete tells a lead byte.
    const auto read = [&](std::string_view bytes, bool& incomplete) -> char16_t {
      std::string units;
      incomplete = false;
      if (!converter.Run(bytes, units)) {
        incomplete = converter.LastError() == EINVAL;
        return kNone;
      }
      if (units.size() != 2) return kNone;
      return static_cast<char16_t>(static_cast<unsigned char>(units[0]) |
                                   static_cast<unsigned char>(units[1]) << 8);
    };
    std::int16_t rows = 0;
    for (int byte = 0x80; byte < 256; ++byte) {
      bool incomplete = false;
      const char alone = static_cast<char>(byte);
      single_[static_cast<std::size_t>(byte)] = read(std::string_view(&alone, 1), incomplete);
      if (incomplete) leadRow_[static_cast<std::size_t>(byte)] = rows++;
    }
    pairs_.assign(static_cast<std::size_t>(rows) * 256, kNone);
    for (int lead = 0x80; lead < 256; ++lead) {
      const std::int16_t row = leadRow_[static_cast<std::size_t>(lead)];
      if (row < 0) continue;
      for (int trail = 0; trail < 256; ++trail) {
        const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        bool incomplete = false;
        pairs_[static_cast<std::size_t>(row) * 256 + static_cast<std::size_t>(trail)] =
            read(std::string_view(pair, 2), incomplete);
      }
    }
  }

  std::array<char16_t, 256> single_{};     // a byte above 0x7F read alone
  std::array<std::int16_t, 256> leadRow_;  // the row of a lead byte in pairs_, or -1
  std::vector<char16_t> pairs_;            // by lead's row and trail byte
};

}  // namespace

void AppendUtf8(char32_t c, std::string& out) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string Cp932ToUtf8(std::string_view cp932) {
  if (IsAscii(cp932)) return std::string(cp932);
  std::string out;
  out.reserve(cp932.size() * 3 / 2);
  Cp932Decoding::Get().Decode(cp932, &out);
  return out;
}

namespace {

// Converts utf8 to code page 932; lost reports whether anything had no code page 932 form.
std::string ConvertToCp932(std::string_view utf8, bool& lost) {
  lost = false;
  if (IsAscii(utf8)) return std::string(utf8);
  std::string out;
  out.reserve(utf8.size());
  while (!utf8.empty()) {
    // Hand iconv the run up to the next private-use raw byte, which it would not map back.
    std::size_t runEnd = 0;
    char32_t codePoint = 0;
    std::size_t length = 0;
    while (runEnd < utf8.size()) {
      length = Utf8SequenceLength(utf8.substr(runEnd), codePoint);
      if (length == 0 || (codePoint >= kRawByteBase && codePoint < kRawByteBase + 0x100)) break;
      runEnd += length;
    }
    std::string_view run = utf8.substr(0, runEnd);
    while (!run.empty()) {
      if (ToCp932().Run(run, out)) break;
      // A character without a code page 932 form: skip its whole sequence.
      char32_t ignored;
      std::size_t skip = Utf8SequenceLength(run, ignored);
      out += '?';
      lost = true;
      run.remove_prefix(skip == 0 ? 1 : skip);
    }
    utf8.remove_prefix(runEnd);
    if (utf8.empty()) break;
    if (length == 0) {
      out += utf8[0];  // invalid UTF-8 byte: keep it
      lost = true;
      utf8.remove_prefix(1);
    } else {
      out += static_cast<char>(codePoint - kRawByteBase);
      utf8.remove_prefix(length);
    }
  }
  return out;
}

}  // namespace

std::string Utf8ToCp932(std::string_view utf8) {
  bool lost;
  return ConvertToCp932(utf8, lost);
}

bool RepresentableInCp932(std::string_view utf8) {
  bool lost;
  ConvertToCp932(utf8, lost);
  return !lost;
}

bool IsValidUtf8(std::string_view bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    int follow;
    std::uint32_t min;
    std::uint32_t cp;
    if (c < 0x80) {
      i += AsciiPrefixLength(bytes.substr(i));
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      follow = 1, min = 0x80, cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      follow = 2, min = 0x800, cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      follow = 3, min = 0x10000, cp = c & 0x07;
    } else {
      return false;
    }
    if (i + static_cast<std::size_t>(follow) >= bytes.size()) return false;
    for (int k = 1; k <= follow; ++k) {
      const auto t = static_cast<unsigned char>(bytes[i + k]);
      if ((t & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (t & 0x3F);
    }
    // Overlong forms, surrogates and code points past U+10FFFF are not UTF-8.
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += static_cast<std::size_t>(follow) + 1;
  }
  return true;
}

bool IsValidCp932(std::string_view bytes) {
  return IsAscii(bytes) || Cp932Decoding::Get().Decode(bytes, nullptr);
}

}  // namespace tarnel
