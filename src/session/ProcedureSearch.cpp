#include "session/ProcedureSearch.h"

#include <algorithm>

#include "platform/ByteText.h"

namespace tarnel {

namespace {

bool IsSmall(unsigned char b) { return b >= 'a' && b <= 'z'; }
bool IsCapital(unsigned char b) { return b >= 'A' && b <= 'Z'; }

// Where a word starts in the original (unfolded) text: the first character, a character after
// "_", "." or a blank, or a capital after a small letter.
bool StartsWord(std::string_view original, std::size_t at) {
  if (at == 0) return true;
  unsigned char before = static_cast<unsigned char>(original[at - 1]);
  unsigned char here = static_cast<unsigned char>(original[at]);
  return before == '_' || before == '.' || before == ' ' || (IsSmall(before) && IsCapital(here));
}

// The best rank of folded needle in folded haystack, trying only character starts.
MatchRank RankIn(std::string_view original, std::string_view folded, std::string_view needle) {
  if (needle.empty() || needle.size() > folded.size()) return MatchRank::None;
  MatchRank best = MatchRank::None;
  for (std::size_t i = 0; i + needle.size() <= folded.size();) {
    if (folded.compare(i, needle.size(), needle) == 0) {
      // A match that would end on a lead byte cuts a character in two.
      std::size_t end = i + needle.size();
      bool cutsCharacter = false;
      for (std::size_t j = i; j < end; ++j) {
        if (IsLeadByte(static_cast<unsigned char>(folded[j]))) {
          if (j + 1 >= end) cutsCharacter = true;
          ++j;
        }
      }
      if (!cutsCharacter) {
        if (i == 0) return MatchRank::NamePrefix;
        if (StartsWord(original, i)) return MatchRank::WordStart;
        best = MatchRank::Substring;
      }
    }
    i += IsLeadByte(static_cast<unsigned char>(folded[i])) ? 2 : 1;
  }
  return best;
}

MatchRank RankFolded(std::string_view name, std::string_view fullName, std::string_view foldedFull,
                     std::string_view foldedText) {
  std::string_view foldedName = foldedFull.substr(foldedFull.size() - name.size());
  MatchRank inName = RankIn(name, foldedName, foldedText);
  if (inName == MatchRank::NamePrefix) return inName;
  MatchRank inFull = RankIn(fullName, foldedFull, foldedText);
  // "Module.Na" starts the full name: as good as a word start.
  if (inFull == MatchRank::NamePrefix) inFull = MatchRank::WordStart;
  return std::min(inName, inFull);
}

}  // namespace

ProcedureSearch::ProcedureSearch(const SymbolList& symbols) {
  for (int i = 0; i < symbols.Count(); ++i) {
    const TPassRec& r = symbols.At(i);
    if (!IsProcedureKind(r.Kind)) continue;
    // FullName is "Module.Name"; a record whose FullName does not end in its name is searched
    // under both joined.
    std::string full =
        r.FullName.size() >= r.Name.size() &&
                r.FullName.compare(r.FullName.size() - r.Name.size(), r.Name.size(), r.Name) == 0
            ? r.FullName
            : r.FullName + "." + r.Name;
    entries_.push_back({&r, FoldCase(full)});
  }
}

MatchRank ProcedureSearch::Rank(std::string_view name, std::string_view fullName,
                                std::string_view foldedText) {
  std::string full(fullName);
  if (full.size() < name.size() || full.compare(full.size() - name.size(), name.size(), name) != 0)
    full = full + "." + std::string(name);
  return RankFolded(name, full, FoldCase(full), foldedText);
}

std::vector<ProcedureSearch::Match> ProcedureSearch::Find(std::string_view text,
                                                          std::size_t limit) const {
  std::vector<Match> found;
  if (text.empty() || limit == 0) return found;
  const std::string needle = FoldCase(text);
  std::vector<std::pair<Match, std::size_t>> ranked;  // with list position for ties
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const Entry& e = entries_[i];
    if (e.FoldedFullName.find(needle) == std::string::npos) continue;  // quick reject
    const std::string& name = e.Record->Name;
    std::string_view full = e.FoldedFullName.size() == e.Record->FullName.size()
                                ? std::string_view(e.Record->FullName)
                                : std::string_view();
    std::string joined;
    if (full.empty()) {
      joined = e.Record->FullName + "." + name;
      full = joined;
    }
    MatchRank rank = RankFolded(name, full, e.FoldedFullName, needle);
    if (rank != MatchRank::None) ranked.push_back({{e.Record, rank}, i});
  }
  auto better = [](const auto& a, const auto& b) {
    if (a.first.Rank != b.first.Rank) return a.first.Rank < b.first.Rank;
    if (a.first.Record->Name.size() != b.first.Record->Name.size())
      return a.first.Record->Name.size() < b.first.Record->Name.size();
    return a.second < b.second;
  };
  if (ranked.size() > limit) {
    std::partial_sort(ranked.begin(), ranked.begin() + static_cast<std::ptrdiff_t>(limit),
                      ranked.end(), better);
    ranked.resize(limit);
  } else {
    std::sort(ranked.begin(), ranked.end(), better);
  }
  for (const auto& r : ranked) found.push_back(r.first);
  return found;
}

}  // namespace tarnel
