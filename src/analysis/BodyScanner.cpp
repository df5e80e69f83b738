#include "analysis/BodyScanner.h"

#include <algorithm>

#include "analysis/AnalysisSteps.h"
#include "platform/ByteText.h"
#include "platform/Errors.h"
#include "platform/Paths.h"

namespace tarnel {

BodyScanner::BodyScanner(const TokenTable& tokens, int procedures, PathResolver& resolver)
    : table_(tokens),
      resolver_(resolver),
      called_((static_cast<std::size_t>(procedures) + 63) / 64, 0) {}

TextReader& BodyScanner::Seek(const TPassRec& module, long startLine) {
  if (moduleKey_.empty() || moduleKey_ != module.Key) {
    moduleKey_.clear();
    if (!resolver_.Resolve(module.Text)) throw FileOpenError(module.Text);
    if (decoder_ != nullptr) {
      decoder_->Load(reader_, module.Text, resolver_);
    } else {
      reader_.Open(module.Text, resolver_);
    }
    moduleKey_ = module.Key;
    readerLine_ = 0;
  }
  if (readerLine_ > startLine) {
    reader_.Rewind();
    readerLine_ = 0;
  }
  reader_.SkipLines(startLine - readerLine_);
  readerLine_ = startLine;
  return reader_;
}

namespace {

// Lines up to this long are split into one vector of tokens, at most sixteen bytes per byte of
// the line; longer ones are looked up a batch of tokens at a time and keep a byte per token.
constexpr std::size_t kLongLine = 4096;

}  // namespace

BodyScanResult BodyScanner::Scan(const TPassRec& proc, const TPassRec& module,
                                 std::vector<int>& callees) {
  BodyScanResult result;
  TextReader& file = Seek(module, proc.StartLine);
  LineCounters counters;
  counters.LineNo = proc.StartLine;
  // However the scan ends (a read can throw), this body's marks are cleared for the next one.
  struct Unmark {
    std::vector<std::uint64_t>& Called;
    const std::vector<int>& Callees;
    const std::size_t First;
    ~Unmark() {
      for (std::size_t i = First; i < Callees.size(); ++i) {
        Called[static_cast<std::size_t>(Callees[i]) / 64] = 0;
      }
    }
  } unmark{called_, callees, callees.size()};
  const long last = static_cast<long>(proc.StartLine) + proc.BodyLines;
  while (counters.LineNo < last) {
    if (file.AtEnd()) {
      result.ReachedEof = true;
      break;
    }
    std::string_view logical = ReadLogicalLineView(counters, file, joined_);
    if (logical.size() > kLongLine) {
      ScanLongLine(logical, proc, callees);
    } else if (!logical.empty()) {
      ScanLine(logical, proc, callees);
    }
  }
  readerLine_ = counters.LineNo;
  result.EndLine = counters.LineNo;
  return result;
}

void BodyScanner::ScanLine(std::string_view logical, const TPassRec& proc,
                           std::vector<int>& callees) {
  // Parentheses separate as blanks do, as if BlankOut had made them blanks.
  SplitCodeFieldViews(logical, tokens_, unquoted_);
  // The own name (see NoticeOwnName) is looked for only before the first "=", and only when
  // there is one.
  const auto equals = std::find(tokens_.begin(), tokens_.end(), std::string_view("="));
  if (equals != tokens_.end()) {
    const auto own = std::find_if(tokens_.begin(), equals,
                                  [&](std::string_view t) { return IsOwnName(t, proc.Name); });
    if (own != equals) tokens_.erase(own);
  }
  TakeCallsFromLast(
      tokens_.size(), [&](std::size_t n) { return table_.Look(tokens_[n], folded_); },
      [&](std::size_t n) { return tokens_[n].empty(); }, callees);
}

void BodyScanner::ScanLongLine(std::string_view logical, const TPassRec& proc,
                               std::vector<int>& callees) {
  marks_.clear();
  named_.clear();
  ownName_ = proc.Name;
  ownAt_ = -1;
  sawEquals_ = false;
  SplitCodeFieldBatches(logical, tokens_, unquoted_, *this);
  if (ownAt_ >= 0 && sawEquals_) Forget(static_cast<std::size_t>(ownAt_));
  // Each token that names a procedure, counted from the end, gives its procedure as the walk
  // passes it.
  std::size_t nextNamed = named_.size();
  TakeCallsFromLast(
      marks_.size(),
      [&](std::size_t n) {
        TokenTable::Meaning meaning;
        meaning.Reserved = (marks_[n] & kReserved) != 0;
        if ((marks_[n] & kNamesProcedure) != 0) meaning.Callee = named_[--nextNamed];
        return meaning;
      },
      [&](std::size_t n) { return (marks_[n] & kEmpty) != 0; }, callees);
}

void BodyScanner::Take(std::span<const std::string_view> tokens) {
  for (const std::string_view token : tokens) {
    if (!sawEquals_) NoticeOwnName(token, marks_.size());
    const TokenTable::Meaning meaning = table_.Look(token, folded_);
    std::uint8_t mark = (meaning.Reserved ? kReserved : 0) | (token.empty() ? kEmpty : 0);
    if (meaning.Callee >= 0) {
      mark |= kNamesProcedure;
      named_.push_back(meaning.Callee);
    }
    marks_.push_back(mark);
  }
}

void BodyScanner::Forget(std::size_t position) {
  if ((marks_[position] & kNamesProcedure) != 0) {
    const auto before =
        std::count_if(marks_.begin(), marks_.begin() + static_cast<long>(position),
                      [](std::uint8_t mark) { return (mark & kNamesProcedure) != 0; });
    named_.erase(named_.begin() + before);
  }
  marks_.erase(marks_.begin() + static_cast<long>(position));
}

template <typename MeaningAt, typename EmptyAt>
void BodyScanner::TakeCallsFromLast(std::size_t count, MeaningAt meaningAt, EmptyAt emptyAt,
                                    std::vector<int>& callees) {
  for (long n = static_cast<long>(count) - 1; n >= 0; --n) {
    TokenTable::Meaning meaning = meaningAt(static_cast<std::size_t>(n));
    // The token before a reserved word is taken without a dictionary test of its own.
    if (meaning.Reserved) {
      if (--n < 0) break;
      meaning = meaningAt(static_cast<std::size_t>(n));
    }
    if (emptyAt(static_cast<std::size_t>(n))) continue;  // never names a procedure
    const int callee = meaning.Callee;
    if (callee < 0) continue;
    std::uint64_t& word = called_[static_cast<std::size_t>(callee) / 64];
    const std::uint64_t bit = std::uint64_t{1} << (static_cast<unsigned>(callee) % 64);
    if ((word & bit) != 0) continue;  // a callee is entered once
    word |= bit;
    callees.push_back(callee);
  }
}

}  // namespace tarnel
