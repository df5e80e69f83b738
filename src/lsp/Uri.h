#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarnel {

// "file:///a%20b/c.bas" -> "/a b/c.bas"; nullopt for other schemes and malformed escapes.
std::optional<std::string> FileUriToPath(std::string_view uri);
// An absolute native path as a file URI, with every byte but the unreserved ones and "/" escaped.
std::string PathToFileUri(std::string_view path);

}  // namespace tarnel
