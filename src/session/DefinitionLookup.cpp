#include "session/DefinitionLookup.h"

#include <vector>

#include "analysis/NameIndex.h"
#include "analysis/PreciseModel.h"
#include "platform/ByteText.h"

namespace tarnel {

namespace {

bool IsNameByte(unsigned char b) {
  return (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || b == '_' ||
         b >= 0x80;
}

// The starts of the characters of line, double-byte characters taken whole.
std::vector<std::size_t> CharacterStarts(std::string_view line, bool cp932) {
  std::vector<std::size_t> starts;
  for (std::size_t i = 0; i < line.size();) {
    starts.push_back(i);
    const auto b = static_cast<unsigned char>(line[i]);
    if (cp932) {
      i += IsLeadByte(b) && i + 1 < line.size() ? 2 : 1;
    } else {
      // A UTF-8 character: its lead byte and the continuation bytes after it.
      ++i;
      while (b >= 0xC0 && i < line.size() && (static_cast<unsigned char>(line[i]) & 0xC0) == 0x80)
        ++i;
    }
  }
  return starts;
}

// The run of name characters around character c, as [first, last] character indexes.
bool NameRun(std::string_view line, const std::vector<std::size_t>& starts, std::size_t c,
             std::size_t& first, std::size_t& last) {
  auto isName = [&](std::size_t k) {
    return IsNameByte(static_cast<unsigned char>(line[starts[k]]));
  };
  if (c >= starts.size() || !isName(c)) return false;
  first = last = c;
  while (first > 0 && isName(first - 1)) --first;
  while (last + 1 < starts.size() && isName(last + 1)) ++last;
  return true;
}

std::string Slice(std::string_view line, const std::vector<std::size_t>& starts, std::size_t first,
                  std::size_t last) {
  const std::size_t end = last + 1 < starts.size() ? starts[last + 1] : line.size();
  return std::string(line.substr(starts[first], end - starts[first]));
}

}  // namespace

NameInLine NameAt(std::string_view line, std::size_t at, bool cp932) {
  NameInLine found;
  const std::vector<std::size_t> starts = CharacterStarts(line, cp932);
  if (starts.empty()) return found;
  // The character holding byte at; a click just past a name's end still means that name.
  std::size_t c = 0;
  while (c + 1 < starts.size() && starts[c + 1] <= at) ++c;
  std::size_t first = 0;
  std::size_t last = 0;
  if (!(at < line.size() && NameRun(line, starts, c, first, last)) &&
      !(c > 0 && starts[c] == at && NameRun(line, starts, c - 1, first, last)) &&
      !(at >= line.size() && NameRun(line, starts, starts.size() - 1, first, last))) {
    return found;
  }
  found.Name = Slice(line, starts, first, last);
  if (first >= 2 && line[starts[first - 1]] == '.') {
    std::size_t qFirst = 0;
    std::size_t qLast = 0;
    if (NameRun(line, starts, first - 2, qFirst, qLast)) {
      found.Qualifier = Slice(line, starts, qFirst, qLast);
    }
  }
  return found;
}

const TPassRec* FindDefinition(const AnalysisContext& ctx, const TPassRec& shown, int line,
                               const NameInLine& name) {
  if (name.Name.empty()) return nullptr;
  if (ctx.Result.Precise != nullptr) {
    auto sites = ctx.Result.Precise->CallSites.find(shown.Key);
    if (sites == ctx.Result.Precise->CallSites.end()) return nullptr;
    const TPassRec* byName = nullptr;
    for (const CallSite& site : sites->second) {
      if (site.Line != line || site.Callee == nullptr) continue;
      if (!SameTextIgnoreCase(site.Callee->Name, name.Name)) continue;
      if (name.Qualifier.empty()) return site.Callee;
      // Of two callees of one name on the line, the one in the named module.
      const TPassRec* module = ctx.Result.SymbolList.TryFind(site.Callee->ParentKey);
      if (module != nullptr && SameTextIgnoreCase(module->FullName, name.Qualifier))
        return site.Callee;
      if (byName == nullptr) byName = site.Callee;
    }
    return byName;
  }
  const std::string token = name.Qualifier.empty() ? name.Name : name.Qualifier + "." + name.Name;
  if (const TPassRec* full = ctx.Result.ProcFullNames.Find(token)) return full;
  return ctx.Result.ProcNames.Find(token);
}

}  // namespace tarnel
