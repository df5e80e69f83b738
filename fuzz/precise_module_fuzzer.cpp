// The lexer and the precise declaration scan on the bytes of one module file, read as code page
// 932 and as UTF-8 text, with and without a header.
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "analysis/PreciseScan.h"

namespace {

using namespace tarnel;
using namespace tarnel::fuzz;

void CheckLexer(const std::string& bytes, long physical, bool doubleByte) {
  TextReader file = TextReader::FromBytes(bytes);
  const CondConstants project = ParseCondComp("A = 1 : B = A + 1");
  VbLexer lexer(file, 0, project, doubleByte);
  VbStatement s;
  long lastLine = 0;
  while (lexer.Next(s)) {
    FUZZ_CHECK(!s.Tokens.empty() || !s.Label.empty());
    FUZZ_CHECK(s.Line >= 1 && s.Line <= physical && s.Line >= lastLine);
    for (const VbToken& t : s.Tokens) {
      FUZZ_CHECK(!t.Text.empty());
      FUZZ_CHECK(t.Line >= s.Line && t.Line <= physical);
      FUZZ_CHECK(t.Text.find_first_of("\r\n") == std::string_view::npos);
      // A separator ends a statement; it is never one of its tokens.
      FUZZ_CHECK(!(t.Kind == TokenKind::Operator && t.Text == ":"));
      FUZZ_CHECK(t.Kind != TokenKind::String || t.Text.front() == '"');
      lastLine = t.Line;
    }
  }
  FUZZ_CHECK(lexer.LineNo() == physical);
}

void CheckScan(const std::string& bytes, long physical, bool hasHeader, bool doubleByte) {
  TextReader file = TextReader::FromBytes(bytes);
  ModuleModel module;
  ScanModuleText(file, hasHeader, {}, doubleByte, module);
  long nextFree = 1;
  for (const ProcedureDecl& proc : module.Procedures) {
    FUZZ_CHECK(proc.StartLine >= nextFree);
    FUZZ_CHECK(proc.BodyLines >= 0);
    FUZZ_CHECK(!proc.Name.empty());
    const long last = static_cast<long>(proc.StartLine) + proc.BodyLines;
    FUZZ_CHECK(last <= physical);
    FUZZ_CHECK(proc.EndLine == 0 || proc.EndLine >= proc.StartLine);
    nextFree = proc.EndLine > 0 ? proc.EndLine : proc.StartLine;
  }
  // The call pass's scan sees the same procedures: each body statement names one of them.
  TextReader again = TextReader::FromBytes(bytes);
  ModuleModel bodies;
  const std::size_t count = module.Procedures.size();
  ScanModuleText(
      again, hasHeader, {}, doubleByte, bodies,
      [&](std::size_t proc, const std::vector<VariableDecl>& locals, const VbStatement& s) {
        FUZZ_CHECK(proc < count);
        FUZZ_CHECK(s.Line >= module.Procedures[proc].StartLine);
        for (const VariableDecl& v : locals) FUZZ_CHECK(!v.Name.empty());
        // A statement handed on after its procedure ended keeps its tokens.
        for (const VbToken& t : s.Tokens) {
          FUZZ_CHECK(t.Line >= s.Line);
          FUZZ_CHECK(t.Text.find_first_of("\r\n") == std::string_view::npos);
        }
      });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const long physical = CountPhysicalLines(bytes);
  for (bool doubleByte : {true, false}) {
    CheckLexer(bytes, physical, doubleByte);
    CheckScan(bytes, physical, false, doubleByte);
    CheckScan(bytes, physical, true, doubleByte);
  }
  return 0;
}
