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
    if (!logical.empty()) ScanLine(logical, proc, callees);
  }
  readerLine_ = counters.LineNo;
  result.EndLine = counters.LineNo;
  return result;
}

void BodyScanner::ScanLine(std::string_view logical, const TPassRec& proc,
                           std::vector<int>& callees) {
  // Parentheses separate as blanks do, as if BlankOut had made them blanks.
  SplitCodeFieldViews(logical, tokens_, unquoted_);

  // An assignment to the procedure's own name before the first "=" sets its result; it is no
  // call. Only that first occurrence goes: a line without "=", or whose first own name comes
  // after it, keeps every token, so the name is looked for only before the "=".
  // The length is compared here first: most tokens differ in it, and the call is saved.
  const auto equals = std::find(tokens_.begin(), tokens_.end(), std::string_view("="));
  if (equals != tokens_.end()) {
    const std::size_t ownSize = proc.Name.size();
    const auto own = std::find_if(tokens_.begin(), equals, [&](std::string_view t) {
      return t.size() == ownSize && SameTextIgnoreCase(t, proc.Name);
    });
    if (own != equals) tokens_.erase(own);
  }

  for (long n = static_cast<long>(tokens_.size()) - 1; n >= 0; --n) {
    TokenTable::Meaning meaning = table_.Look(tokens_[static_cast<std::size_t>(n)], folded_);
    // The token before a reserved word is looked up without a dictionary test of its own.
    if (meaning.Reserved) {
      if (--n < 0) break;
      meaning = table_.Look(tokens_[static_cast<std::size_t>(n)], folded_);
    }
    if (tokens_[static_cast<std::size_t>(n)].empty()) continue;  // never names a procedure
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
