#pragma once

// Engine internal: front ends reach the engine through Analysis.h.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/LineCallTally.h"
#include "analysis/SourceDecoder.h"
#include "analysis/Symbol.h"
#include "analysis/TokenTable.h"
#include "platform/ByteText.h"
#include "platform/TextFile.h"

namespace tarnel {

// What the scan of one procedure body found besides its callees.
struct BodyScanResult {
  bool ReachedEof = false;  // the file ended before the body did
  long EndLine = 0;         // LineNo after the scan
};

// Reads procedure bodies and finds the procedures they call by name. Each scanner has buffers of
// its own and only reads the token table, so scanners on several threads can share it. Scanners
// of different threads stand side by side in one array: each takes whole cache lines, so that
// one thread's writes to its buffers never evict the line another thread works in.
class alignas(64) BodyScanner : private FieldBatches {
 public:
  // procedures: how many procedures the token table can name.
  BodyScanner(const TokenTable& tokens, int procedures, PathResolver& resolver);

  // Scans proc's body in its module file, reading the file at most once for a run of procedures
  // of one module in line order, and appends the procedures it calls to callees: positions in
  // the token table's procedures, in the order found, each once. Throws FileOpenError when the
  // file cannot be read.
  BodyScanResult Scan(const TPassRec& proc, const TPassRec& module, std::vector<int>& callees);
  // Files are decoded with decoder when one is set.
  void SetDecoder(const SourceDecoder* decoder) { decoder_ = decoder; }

 private:
  TextReader& Seek(const TPassRec& module, long startLine);
  void ScanLine(std::string_view logical, const TPassRec& proc, std::vector<int>& callees);
  // The same for a line too long to keep a view of each token: they are looked up a batch at a
  // time and tallied as they come, twice: with every token, and without the first own name
  // (IsOwnName), which goes when a "=" comes later.
  void ScanLongLine(std::string_view logical, const TPassRec& proc, std::vector<int>& callees);
  // Looks up a batch of a long line's tokens and tallies them.
  void Take(std::span<const std::string_view> tokens) override;
  // Appends what the line's tokens (tokens_) call, from its last token to its first: each callee
  // once in the body. Each token is looked up once, from the last.
  void TakeCallsFromLast(std::vector<int>& callees);

  // Whether token is the procedure's own name. An assignment to it before the first "=" sets the
  // result; it is no call. Only that first occurrence goes: a line without "=", or whose first own
  // name comes after it, keeps every token. The length is compared first: most tokens differ in
  // it, and the call is saved.
  static bool IsOwnName(std::string_view token, std::string_view name) {
    return token.size() == name.size() && SameTextIgnoreCase(token, name);
  }

  const TokenTable& table_;
  const SourceDecoder* decoder_ = nullptr;
  PathResolver& resolver_;

  TextReader reader_;  // the module file being read, when moduleKey_ is set
  std::string moduleKey_;
  long readerLine_ = 0;

  std::string joined_, unquoted_, folded_;
  std::vector<std::string_view> tokens_;  // the line's tokens, or a batch of a long line's

  // A long line's calls with every token, and without its first own name before any "=".
  LineCallTally everyToken_, withoutOwnName_;
  std::string_view ownName_;  // of the procedure being scanned
  bool sawOwnName_ = false;   // before any "="
  bool sawEquals_ = false;
  // A bit per procedure that the body being scanned already calls; taken back when the scan ends.
  // A bit rather than a word keeps the whole set in the first-level cache.
  std::vector<std::uint64_t> called_;
};

}  // namespace tarnel
