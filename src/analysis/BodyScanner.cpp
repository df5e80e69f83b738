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
// the line; longer ones are looked up a batch of tokens at a time and tallied as they come.
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
  // The own name (see IsOwnName) is looked for only before the first "=", and only when
  // there is one.
  const auto equals = std::find(tokens_.begin(), tokens_.end(), std::string_view("="));
  if (equals != tokens_.end()) {
    const auto own = std::find_if(tokens_.begin(), equals,
                                  [&](std::string_view t) { return IsOwnName(t, proc.Name); });
    if (own != equals) tokens_.erase(own);
  }
  TakeCallsFromLast(callees);
}

void BodyScanner::ScanLongLine(std::string_view logical, const TPassRec& proc,
                               std::vector<int>& callees) {
  ownName_ = proc.Name;
  sawOwnName_ = false;
  sawEquals_ = false;
  SplitCodeFieldBatches(logical, tokens_, unquoted_, *this);
  const bool ownNameGoes = sawOwnName_ && sawEquals_;
  (ownNameGoes ? withoutOwnName_ : everyToken_).TakeInto(callees, called_);
  (ownNameGoes ? everyToken_ : withoutOwnName_).Clear();
}

void BodyScanner::Take(std::span<const std::string_view> tokens) {
  for (const std::string_view token : tokens) {
    bool ownName = false;
    if (!sawEquals_) {
      if (token == "=") {
        sawEquals_ = true;
      } else if (!sawOwnName_ && IsOwnName(token, ownName_)) {
        ownName = sawOwnName_ = true;
      }
    }
    const TokenTable::Meaning meaning = table_.Look(token, folded_);
    everyToken_.Add(meaning.Reserved, token.empty(), meaning.Callee);
    if (!ownName) withoutOwnName_.Add(meaning.Reserved, token.empty(), meaning.Callee);
  }
}

void BodyScanner::TakeCallsFromLast(std::vector<int>& callees) {
  for (long n = static_cast<long>(tokens_.size()) - 1; n >= 0; --n) {
    TokenTable::Meaning meaning = table_.Look(tokens_[static_cast<std::size_t>(n)], folded_);
    // The token before a reserved word is taken without a dictionary test of its own.
    if (meaning.Reserved) {
      if (--n < 0) break;
      meaning = table_.Look(tokens_[static_cast<std::size_t>(n)], folded_);
    }
    if (tokens_[static_cast<std::size_t>(n)].empty()) continue;  // never names a procedure
    if (meaning.Callee >= 0) AppendCalleeOnce(meaning.Callee, callees, called_);
  }
}

}  // namespace tarnel
