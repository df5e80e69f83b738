// Field splitting of tool entries and body lines, against a byte-by-byte model of the rule.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "platform/ByteText.h"
#include "platform/ProcessStart.h"
#include "reports/ToolLauncher.h"

namespace {

using namespace tarnel;

bool IsBlank(unsigned char b) { return b >= 1 && b <= 32; }

// The splitting rule written out step by step: blanks are bytes 1..32, a NUL ends the text,
// quoted fields undo doubled quotes, a comma after a field starts the next one, a trailing comma
// adds an empty field.
std::vector<std::string> ModelSplit(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  std::vector<std::string> fields;
  std::size_t i = 0;
  auto skip = [&] {
    while (i < text.size() && IsBlank(static_cast<unsigned char>(text[i]))) ++i;
  };
  skip();
  if (i == text.size()) return fields;
  for (;;) {
    std::string field;
    if (text[i] == '"') {
      ++i;
      while (i < text.size()) {
        if (text[i] == '"') {
          if (i + 1 < text.size() && text[i + 1] == '"') {
            field += '"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        field += text[i++];
      }
    } else {
      while (i < text.size() && text[i] != ',' && !IsBlank(static_cast<unsigned char>(text[i]))) {
        field += text[i++];
      }
    }
    fields.push_back(field);
    skip();
    if (i == text.size()) return fields;
    if (text[i] == ',') {
      ++i;
      skip();
      if (i == text.size()) {
        fields.emplace_back();
        return fields;
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> fields = SplitFields(text);
  FUZZ_CHECK(fields == ModelSplit(text));

  // The view form agrees, also when its vectors are reused from a longer or a shorter line.
  static std::vector<std::string_view> views;
  static std::string unquoted;
  const std::string copy(text);  // the views must not depend on the fuzzer's buffer outliving
  SplitFieldViews(copy.substr(copy.size() / 2), views, unquoted);
  SplitFieldViews(copy, views, unquoted);
  FUZZ_CHECK(std::vector<std::string>(views.begin(), views.end()) == fields);

  const std::string_view used = text.substr(0, text.find('\0'));
  const bool quoted = used.find('"') != std::string_view::npos;
  std::array<bool, 256> present{};
  for (char c : used) present[static_cast<unsigned char>(c)] = true;
  std::size_t total = 0;
  for (const std::string& field : fields) {
    total += field.size();
    for (char c : field) {
      const auto b = static_cast<unsigned char>(c);
      FUZZ_CHECK(present[b]);  // nothing is invented
      FUZZ_CHECK(b != 0);
      FUZZ_CHECK(quoted || (!IsBlank(b) && c != ','));
    }
  }
  FUZZ_CHECK(total <= used.size());
  // Without quotes, the fields are exactly the non-separator bytes in order.
  if (!quoted) {
    std::string joined, kept;
    for (const std::string& field : fields) joined += field;
    for (char c : used) {
      if (!IsBlank(static_cast<unsigned char>(c)) && c != ',') kept += c;
    }
    FUZZ_CHECK(joined == kept);
  }

  // A tool's command line gives its argument back as one word, whatever the argument holds;
  // a program name in quotes comes back without them.
  const std::string argument(used);
  std::vector<std::string> words = SplitCommandLine(ToolCommandLine("tool", argument));
  FUZZ_CHECK(words.size() == 2 && words[0] == "tool" && words[1] == argument);
  for (std::size_t i = 0; i < fields.size() && i < 4; ++i) {
    const std::string& field = fields[i];
    if (field.find('"') != std::string::npos) continue;
    words = SplitCommandLine(ToolCommandLine("\"" + field + "\"", argument));
    FUZZ_CHECK(words.size() == 2 && words[0] == field && words[1] == argument);
  }

  // Letter case: two texts are the same ignoring case exactly when their folds are equal.
  const std::string_view a = used.substr(0, used.size() / 2);
  const std::string_view b = used.substr(used.size() / 2);
  FUZZ_CHECK(SameTextIgnoreCase(a, b) == (FoldCase(a) == FoldCase(b)));
  FUZZ_CHECK(SameTextIgnoreCase(a, FoldCase(a)));
  return 0;
}
