#include <array>

#include "analysis/Analysis.h"
#include "analysis/LineCompare.h"
#include "platform/ByteText.h"
#include "platform/Paths.h"

namespace tarnel {

namespace {

struct DeclarationRow {
  std::string_view Prefix;
  std::string_view StaticPrefix;  // empty when the row has no Static form
  Tkind Kind;
  const char* Scope;
};

// Tried in this order; at most one row matches a line.
constexpr std::array<DeclarationRow, 15> kDeclarationRows{{
    {"Private Sub ", "Private Static Sub ", KindSub, "P"},
    {"Public Sub ", "Public Static Sub ", KindSub, "G"},
    {"Sub ", "Static Sub ", KindSub, "G"},
    {"Private Function ", "Private Static Function ", KindFunction, "P"},
    {"Public Function ", "Public Static Function ", KindFunction, "G"},
    {"Function ", "Static Function ", KindFunction, "G"},
    {"Private Property Get ", "", KindPropertyGet, "P"},
    {"Public Property Get ", "", KindPropertyGet, "G"},
    {"Property Get ", "", KindPropertyGet, "G"},
    {"Private Property Let ", "", KindPropertyLet, "P"},
    {"Public Property Let ", "", KindPropertyLet, "G"},
    {"Property Let ", "", KindPropertyLet, "G"},
    {"Private Property Set ", "", KindPropertySet, "P"},
    {"Public Property Set ", "", KindPropertySet, "G"},
    {"Property Set ", "", KindPropertySet, "G"},
}};

// The matching row and the length of the prefix that matched, or nullptr.
const DeclarationRow* MatchDeclaration(std::string_view line, std::size_t& prefixLength) {
  // Every prefix begins with P, S or F; most lines begin with something else.
  if (line.empty() || (line[0] != 'P' && line[0] != 'S' && line[0] != 'F')) return nullptr;
  for (const DeclarationRow& row : kDeclarationRows) {
    if (StartsLikeLeftCut(line, row.Prefix)) {
      prefixLength = row.Prefix.size();
      return &row;
    }
    if (!row.StaticPrefix.empty() && StartsLikeLeftCut(line, row.StaticPrefix)) {
      prefixLength = row.StaticPrefix.size();
      return &row;
    }
  }
  return nullptr;
}

// The text after the prefix up to the first "(", trimmed; empty when no "(" follows.
std::string ProcedureName(std::string_view line, std::size_t prefixLength) {
  std::string_view rest = prefixLength < line.size() ? line.substr(prefixLength) : "";
  std::size_t paren = rest.find('(');
  if (paren == std::string_view::npos) return {};
  return std::string(TrimControls(rest.substr(0, paren)));
}

bool ReportMissing(AnalysisContext& ctx, const TPassRec& module) {
  if (FileExists(module.Text)) return false;
  ctx.Host->ShowMessage("File Not Found : " + module.Text);
  return true;
}

}  // namespace

void ReadStdModule(AnalysisContext& ctx, TPassRec& module) {
  if (ReportMissing(ctx, module)) return;
  TextReader file(module.Text);
  ctx.LineNo = 0;
  ctx.ContinuationCount = 0;
  std::string_view nameLine = file.ReadLineView();
  ctx.LineNo = 1;
  module.FullName = ExtractQuoted(nameLine, '"');
  ScanDeclarations(ctx, module, file);
}

void ReadHeaderModule(AnalysisContext& ctx, TPassRec& module) {
  if (ReportMissing(ctx, module)) return;
  TextReader file(module.Text);
  ctx.LineNo = 0;
  ctx.ContinuationCount = 0;
  while (!file.AtEnd()) {
    std::string_view line = file.ReadLineView();
    ++ctx.LineNo;
    if (StartsLikeLeftCut(line, "Attribute VB_Name")) {
      module.FullName = ExtractQuoted(line, '"');
      break;
    }
  }
  ScanDeclarations(ctx, module, file);
}

void ScanDeclarations(AnalysisContext& ctx, TPassRec& module, TextReader& file) {
  long found = 0;
  std::string joined;
  while (!file.AtEnd()) {
    ctx.ContinuationCount = 0;
    std::string_view line = ReadLogicalLineView(ctx, file, joined);
    std::size_t prefixLength = 0;
    const DeclarationRow* row = MatchDeclaration(line, prefixLength);
    if (row == nullptr) continue;

    ++found;
    TPassRec proc;
    proc.Level = 4;
    proc.Name = ProcedureName(line, prefixLength);
    proc.FullName = module.FullName + "." + proc.Name;
    proc.Key = CutTo(FormatKey(4, ctx.ProcedureTotal + found), 10);
    proc.ParentKey = CutTo(module.Key, 10);
    proc.Scope = row->Scope;
    proc.Kind = row->Kind;
    proc.Text.assign(line);
    proc.StartLine = static_cast<std::int32_t>(ctx.LineNo - ctx.ContinuationCount);

    // Only an end line that starts in the first column ends the procedure. A file that ends first
    // gives the procedure every line up to its end.
    bool ended = false;
    while (!file.AtEnd()) {
      std::string_view physical = file.ReadLineView();
      ++ctx.LineNo;
      if (IsEndLine(physical)) {
        ended = true;
        break;
      }
    }
    proc.BodyLines = static_cast<std::int32_t>(ctx.LineNo - proc.StartLine - (ended ? 1 : 0));
    AddSymbol(ctx, proc);
  }
  ctx.ProcedureTotal += found;
}

}  // namespace tarnel
