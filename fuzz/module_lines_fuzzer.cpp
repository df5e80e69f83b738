// The logical line reader and the declaration scanner on the bytes of one module file.
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "analysis/AnalysisSteps.h"
#include "analysis/ModuleScan.h"

namespace {

using namespace tarnel;
using namespace tarnel::fuzz;

struct Row {
  std::string_view Prefix;
  int Kind;
  std::string_view Scope;
};

// Every prefix that makes a logical line a declaration, Static forms included.
constexpr Row kRows[] = {
    {"Private Sub ", 11, "P"},
    {"Private Static Sub ", 11, "P"},
    {"Public Sub ", 11, "G"},
    {"Public Static Sub ", 11, "G"},
    {"Sub ", 11, "G"},
    {"Static Sub ", 11, "G"},
    {"Private Function ", 12, "P"},
    {"Private Static Function ", 12, "P"},
    {"Public Function ", 12, "G"},
    {"Public Static Function ", 12, "G"},
    {"Function ", 12, "G"},
    {"Static Function ", 12, "G"},
    {"Private Property Get ", 13, "P"},
    {"Public Property Get ", 13, "G"},
    {"Property Get ", 13, "G"},
    {"Private Property Let ", 14, "P"},
    {"Public Property Let ", 14, "G"},
    {"Property Let ", 14, "G"},
    {"Private Property Set ", 15, "P"},
    {"Public Property Set ", 15, "G"},
    {"Property Set ", 15, "G"},
};

// The row whose prefix the declaration text starts with (blank-filled, as LeftCut compares).
const Row* RowOf(std::string_view text) {
  for (const Row& row : kRows) {
    std::string head(text.substr(0, row.Prefix.size()));
    head.resize(row.Prefix.size(), ' ');
    if (head == row.Prefix) return &row;
  }
  return nullptr;
}

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= 32) s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= 32) s.remove_suffix(1);
  return s;
}

void CheckLogicalLines(const std::string& bytes, long physical) {
  TextReader file = TextReader::FromBytes(bytes);
  LineCounters counters;
  std::string joined;
  while (!file.AtEnd()) {
    const long before = counters.LineNo;
    counters.ContinuationCount = 0;
    std::string_view line = ReadLogicalLineView(counters, file, joined);
    const long read = counters.LineNo - before;
    // k physical lines give k - 1 joins, or k when the file ended after a continued line.
    FUZZ_CHECK(read >= 1);
    FUZZ_CHECK(read == counters.ContinuationCount + 1 ||
               (read == counters.ContinuationCount && file.AtEnd()));
    FUZZ_CHECK(line.find_first_of("\r\n\x1a'") == std::string_view::npos);
    // An end line reads as empty; only pieces joined together can make "End " again.
    FUZZ_CHECK(counters.ContinuationCount > 0 || line.empty() || !StartsWithEnd(line));
    FUZZ_CHECK(counters.LineNo <= physical);
  }
  FUZZ_CHECK(counters.LineNo == physical);
  // At the end nothing more is read and nothing counted.
  counters.ContinuationCount = 0;
  FUZZ_CHECK(ReadLogicalLineView(counters, file, joined).empty());
  FUZZ_CHECK(counters.LineNo == physical && counters.ContinuationCount == 0);
}

void CheckDeclarations(const std::string& bytes, long physical) {
  const std::vector<std::string> lines = PhysicalLines(bytes);
  TextReader file = TextReader::FromBytes(bytes);
  LineCounters counters;
  std::vector<ScannedDeclaration> found;
  std::string texts;
  FindDeclarations(counters, file, found, texts);
  FUZZ_CHECK(counters.LineNo == physical);

  long nextFree = 1;  // the first line that a further declaration may start on
  std::size_t i = 0;
  std::size_t textBytes = 0;
  ForEachDeclaration(
      found, texts,
      [&](const ScannedDeclaration& proc, std::string_view name, std::string_view text) {
        textBytes += name.size() + text.size();
        FUZZ_CHECK(proc.StartLine >= nextFree);
        FUZZ_CHECK(proc.BodyLines >= 0);
        const long last = static_cast<long>(proc.StartLine) + proc.BodyLines;
        FUZZ_CHECK(last <= physical);
        // Either the next physical line is the end line that ended the procedure, or the file
        // ended.
        const bool ended = last < physical && StartsWithEnd(lines[static_cast<std::size_t>(last)]);
        FUZZ_CHECK(ended || last == physical);
        FUZZ_CHECK(ended || i + 1 == found.size());
        nextFree = last + (ended ? 2 : 1);

        // The declaration text is the logical line that starts on StartLine.
        std::string_view first = CodeOf(lines[static_cast<std::size_t>(proc.StartLine - 1)]);
        if (!first.empty() && first.back() == '_') {
          FUZZ_CHECK(text.substr(0, first.size() - 1) == first.substr(0, first.size() - 1));
        } else {
          FUZZ_CHECK(text == first);
        }
        const Row* row = RowOf(text);
        FUZZ_CHECK(row != nullptr);
        FUZZ_CHECK(row->Kind == proc.Kind && row->Scope == proc.Scope);
        // The name: after the prefix, up to the first "(", trimmed; empty without a "(".
        std::string_view rest =
            text.size() > row->Prefix.size() ? text.substr(row->Prefix.size()) : "";
        std::size_t paren = rest.find('(');
        std::string expected = paren == std::string_view::npos
                                   ? std::string()
                                   : std::string(Trimmed(rest.substr(0, paren)));
        FUZZ_CHECK(name == expected);
        ++i;
      });
  FUZZ_CHECK(textBytes == texts.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const long physical = CountPhysicalLines(bytes);
  CheckLogicalLines(bytes, physical);
  CheckDeclarations(bytes, physical);
  return 0;
}
