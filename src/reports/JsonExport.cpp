#include "reports/JsonExport.h"

#include <charconv>
#include <cstring>

#include "platform/ByteText.h"
#include "platform/CodePage.h"
#include "reports/ExportText.h"

namespace tarnel {

namespace {

// Engine text is converted only when it holds more than ASCII, which reads the same either way.
void AppendString(std::string& out, std::string_view engineText, bool isUtf8 = false) {
  if (isUtf8 || IsAscii(engineText)) {
    AppendJsonString(out, engineText);
  } else {
    AppendJsonString(out, Cp932ToUtf8(engineText));
  }
}

void AppendNumber(std::string& out, long value) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  out.append(digits, end);
}

void AppendKeys(std::string& out, const std::vector<ProcedureKey>& keys) {
  // The quoted keys are put together in a block of their own and go into out a block at a time:
  // a key is a few bytes, and an append of its own would cost more than its formatting.
  constexpr std::size_t kKeyAtMost = ProcedureKey::kMaxText + 4;  // ", " and the quotes
  char block[64 * kKeyAtMost];
  std::size_t used = 0;
  block[used++] = '[';
  char buffer[ProcedureKey::kMaxText];
  for (std::size_t i = 0; i < keys.size(); ++i) {
    if (used + kKeyAtMost + 1 > sizeof block) {  // and room for the closing "]"
      out.append(block, used);
      used = 0;
    }
    if (i > 0) {
      block[used++] = ',';
      block[used++] = ' ';
    }
    // Digits and "-": nothing to escape.
    block[used++] = '"';
    const std::size_t size = keys[i].FormatTo(buffer).size();
    std::memcpy(block + used, buffer, ProcedureKey::kMaxText);
    used += size;
    block[used++] = '"';
  }
  block[used++] = ']';
  out.append(block, used);
}

void AppendPreciseFields(std::string& out, const PreciseModel& precise, const std::string& key) {
  out += ", \"CallSites\": [";
  if (auto it = precise.CallSites.find(key); it != precise.CallSites.end()) {
    // The callees' keys first: each is a visit to a record elsewhere in memory, and visits that
    // do not wait for each other's text to be written overlap.
    thread_local std::vector<std::string_view> callees;
    callees.clear();
    for (const CallSite& site : it->second) callees.push_back(site.Callee->Key);
    for (std::size_t i = 0; i < it->second.size(); ++i) {
      out += i > 0 ? ", {\"Key\": " : "{\"Key\": ";
      AppendString(out, callees[i]);
      out += ", \"Line\": ";
      AppendNumber(out, it->second[i].Line);
      out += '}';
    }
  }
  ProcedureMarks marks;
  if (auto it = precise.Marks.find(key); it != precise.Marks.end()) marks = it->second;
  const auto flag = [](bool b) { return b ? "true" : "false"; };
  out.append("], \"EntryPoint\": ").append(flag(marks.EntryPoint));
  out.append(", \"Unused\": ").append(flag(marks.Unused));
  out.append(", \"Unreachable\": ").append(flag(marks.Unreachable));
  out.append(", \"ByName\": ").append(flag(marks.ByName));
}

}  // namespace

void WriteSymbolsJson(ByteSink& sink, const SymbolList& symbols, const PreciseModel* precise,
                      bool textIsUtf8) {
  const bool u = textIsUtf8;
  sink.Write(precise != nullptr ? "{\"Reading\": \"Precise\", \"symbols\": [" : "{\"symbols\": [");
  std::string out;  // one record at a time
  // Recording order, not the list's current order, which the tree may have changed to key order.
  for (int i = 0; i < symbols.Count(); ++i) {
    const TPassRec& r = symbols.Recorded(i);
    const bool procedure = IsProcedureKind(r.Kind);
    out.assign(i > 0 ? ",\n  " : "\n  ");
    out.append("{\"Level\": ");
    AppendNumber(out, r.Level);
    out.append(", \"Name\": ");
    AppendString(out, r.Name, u);
    out += ", \"FullName\": ";
    AppendString(out, r.FullName, u);
    out += ", \"Key\": ";
    AppendString(out, r.Key);
    out += ", \"ParentKey\": ";
    AppendString(out, r.ParentKey);
    out += ", \"Scope\": ";
    AppendString(out, r.Scope);
    out.append(", \"Kind\": ");
    AppendNumber(out, r.Kind);
    out += ", \"Text\": ";
    // A module's Text is its path, which stays engine text.
    AppendString(out, r.Text, u && !IsModuleKind(r.Kind));
    out.append(", \"StartLine\": ");
    AppendNumber(out, procedure ? r.StartLine : 0);
    out.append(", \"BodyLines\": ");
    AppendNumber(out, procedure ? r.BodyLines : 0);
    out += ", \"Calls\": ";
    AppendKeys(out, r.Calls);
    out += ", \"CalledBy\": ";
    AppendKeys(out, r.CalledBy);
    if (precise != nullptr && procedure) AppendPreciseFields(out, *precise, r.Key);
    out += '}';
    sink.Write(out);
  }
  sink.Write(symbols.Count() > 0 ? "\n]}\n" : "]}\n");
}

void WriteSymbolsJsonFile(const WritePath& fileName, const SymbolList& symbols,
                          const PreciseModel* precise, bool textIsUtf8) {
  FileByteSink sink(fileName);
  WriteSymbolsJson(sink, symbols, precise, textIsUtf8);
  sink.Close();
}

}  // namespace tarnel
