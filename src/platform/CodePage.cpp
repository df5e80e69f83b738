#include "platform/CodePage.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <stdexcept>

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
  // in advanced to it.
  bool Run(std::string_view& in, std::string& out) {
    iconv(handle_, nullptr, nullptr, nullptr, nullptr);
    char buffer[4096];
    while (!in.empty()) {
      char* src = const_cast<char*>(in.data());
      std::size_t srcLeft = in.size();
      char* dst = buffer;
      std::size_t dstLeft = sizeof buffer;
      std::size_t rc = iconv(handle_, &src, &srcLeft, &dst, &dstLeft);
      int error = errno;
      out.append(buffer, static_cast<std::size_t>(dst - buffer));
      in.remove_prefix(in.size() - srcLeft);
      if (rc == static_cast<std::size_t>(-1) && error != E2BIG) return false;
    }
    return true;
  }

 private:
  iconv_t handle_;
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

Converter& FromCp932() {
  thread_local Converter converter("UTF-8", "CP932");
  return converter;
}

Converter& ToCp932() {
  thread_local Converter converter("CP932", "UTF-8");
  return converter;
}

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
  while (!cp932.empty()) {
    if (FromCp932().Run(cp932, out)) break;
    AppendUtf8(kRawByteBase + static_cast<unsigned char>(cp932[0]), out);
    cp932.remove_prefix(1);
  }
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
  if (IsAscii(bytes)) return true;
  std::string ignored;
  return FromCp932().Run(bytes, ignored);
}

}  // namespace tarnel
