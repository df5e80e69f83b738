#include "lsp/Uri.h"

namespace tarnel {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<std::string> FileUriToPath(std::string_view uri) {
  constexpr std::string_view scheme = "file://";
  if (uri.size() < scheme.size()) return std::nullopt;
  for (std::size_t i = 0; i < scheme.size(); ++i) {
    const char c = uri[i];
    if ((c >= 'A' && c <= 'Z' ? c + 32 : c) != scheme[i]) return std::nullopt;
  }
  uri.remove_prefix(scheme.size());
  // "file://localhost/x" names the same file as "file:///x".
  if (uri.substr(0, 9) == "localhost") uri.remove_prefix(9);
  if (uri.empty() || uri[0] != '/') return std::nullopt;
  std::string path;
  for (std::size_t i = 0; i < uri.size(); ++i) {
    if (uri[i] == '?' || uri[i] == '#') break;
    if (uri[i] != '%') {
      path += uri[i];
      continue;
    }
    if (i + 2 >= uri.size()) return std::nullopt;
    const int high = HexValue(uri[i + 1]), low = HexValue(uri[i + 2]);
    if (high < 0 || low < 0 || (high == 0 && low == 0)) return std::nullopt;
    path += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return path;
}

std::string PathToFileUri(std::string_view path) {
  static const char* const kHex = "0123456789ABCDEF";
  std::string uri = "file://";
  for (char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
        (byte >= '0' && byte <= '9') || c == '-' || c == '.' || c == '_' || c == '~' || c == '/') {
      uri += c;
    } else {
      uri += '%';
      uri += kHex[byte >> 4];
      uri += kHex[byte & 15];
    }
  }
  return uri;
}

}  // namespace tarnel
