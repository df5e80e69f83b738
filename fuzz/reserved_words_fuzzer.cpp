// The reserved-word dictionary loaded from arbitrary bytes.
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "analysis/ReservedWords.h"

namespace {

using namespace tarnel;

// The file's lines: up to CR, LF or the end; one CR and then one LF end a line; a NUL ends it all.
std::vector<std::string> ExpectedLines(std::string_view content) {
  content = content.substr(0, content.find('\0'));
  std::vector<std::string> lines;
  std::size_t i = 0;
  while (i < content.size()) {
    std::string line;
    while (i < content.size() && content[i] != '\r' && content[i] != '\n') line += content[i++];
    lines.push_back(line);
    if (i < content.size() && content[i] == '\r') ++i;
    if (i < content.size() && content[i] == '\n') ++i;
  }
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view content(reinterpret_cast<const char*>(data), size);
  ReservedWordList words;
  words.LoadFromBytes("stale\r\nwords\r\n");  // a reload replaces everything
  words.LoadFromBytes(content);

  const std::vector<std::string> expected = ExpectedLines(content);
  FUZZ_CHECK(words.Words() == expected);
  const std::string_view used = content.substr(0, content.find('\0'));
  std::size_t total = 0;
  for (const std::string& word : words.Words()) {
    FUZZ_CHECK(word.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos);
    FUZZ_CHECK(used.find(word) != std::string_view::npos);
    FUZZ_CHECK(words.Contains(word));
    total += word.size();
  }
  FUZZ_CHECK(total <= used.size());

  // Membership is exact: probe with pieces of the input, with and without changes of case.
  const std::set<std::string> set(expected.begin(), expected.end());
  for (std::size_t start = 0; start < used.size(); start += 7) {
    for (std::size_t length : {std::size_t{0}, std::size_t{1}, std::size_t{3}, std::size_t{8}}) {
      std::string probe(used.substr(start, length));
      FUZZ_CHECK(words.Contains(probe) == (set.count(probe) > 0));
      for (char& c : probe) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
      }
      FUZZ_CHECK(words.Contains(probe) == (set.count(probe) > 0));
    }
  }
  if (!set.count("stale")) FUZZ_CHECK(!words.Contains("stale"));
  return 0;
}
