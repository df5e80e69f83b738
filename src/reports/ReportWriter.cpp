#include "reports/ReportWriter.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <memory>

#include "platform/Paths.h"

namespace tarnel {

namespace {

const std::string kArrowRight = "\x81\xa8";  // → in code page 932
const std::string kArrowLeft = "\x81\xa9";   // ←
constexpr std::size_t kArrowColumn = 40;

const char* KindWord(int kind) {
  switch (kind) {
    case KindSub:
      return "Sub ";
    case KindFunction:
      return "Function ";
    case KindPropertyGet:
      return "Property Get ";
    case KindPropertyLet:
      return "Property Let ";
    case KindPropertySet:
      return "Property Set ";
    case KindDeclareSub:
      return "Declare Sub ";
    case KindDeclareFunction:
      return "Declare Function ";
    case KindEvent:
      return "Event ";
    default:
      return "";
  }
}

// The full names of linked records, found by key through the symbol list once and then
// remembered by the key's number. Links name the same few thousand procedures over and over; a
// hash probe per link, or a visit to the record's own string, each a cache miss in a large
// project, cost more than writing the line. What is remembered per number is a four-byte place,
// so that the table of places stays in the cache even for a hundred thousand procedures; a place
// leads to the name's length and bytes side by side in a block, one cache line for most names.
// The copies go into blocks rather than one growing string: the report is written at the end of a
// run, when the room that the analysis gave back lies in pieces.
class LinkNames {
 public:
  explicit LinkNames(const SymbolList& symbols) : symbols_(symbols) {}

  // The name stays valid while this store lives: blocks and long names never move.
  std::string_view FullNameOf(ProcedureKey key) {
    if (!keptAll_) KeepAll();
    char buffer[ProcedureKey::kMaxText];
    const std::uint32_t number = key.Number();
    if (number >= kMaxNumber) return symbols_.Find(key.FormatTo(buffer)).FullName;
    if (number >= places_.size()) places_.resize(number + 1, kNotYet);
    std::uint32_t& place = places_[number];
    // The list decides: a missing key throws.
    if (place == kNotYet) place = Keep(symbols_.Find(key.FormatTo(buffer)).FullName);
    return At(place);
  }

 private:
  // Keeps the name of every procedure at once, when the first is asked for, in the order of the
  // keys' numbers: a caller's list names its procedures in that order, and then reads the blocks
  // one after the other instead of wherever each name happened to be first asked for.
  void KeepAll() {
    keptAll_ = true;
    for (int i = 0; i < symbols_.Count(); ++i) {
      const TPassRec& record = symbols_.Recorded(i);
      unsigned level = 0;
      std::size_t number = 0;
      if (!ParseWrittenKey(record.Key, level, number) || level != 4 || number >= kMaxNumber) {
        continue;
      }
      if (number >= places_.size()) places_.resize(number + 1, kNotYet);
      // The record that the key finds, as FullNameOf would find it.
      if (places_[number] == kNotYet && &symbols_.Find(record.Key) == &record) {
        places_[number] = Keep(record.FullName);
      }
    }
  }

  static constexpr std::uint32_t kMaxNumber = 1U << 22;
  static constexpr std::uint32_t kNotYet = 0;
  // A place: the block's number in the high bits and the offset in it in the low ones, or, with
  // kLongBit, the number of a name too long for a block.
  static constexpr unsigned kOffsetBits = 16;
  static constexpr std::size_t kBlockBytes = std::size_t{1} << kOffsetBits;
  static constexpr std::uint32_t kLongBit = 1U << 31;
  static constexpr std::size_t kMaxBlocks = std::size_t{1} << (31 - kOffsetBits);  // below kLongBit

  std::uint32_t Keep(std::string_view text) {
    const std::size_t need = sizeof(std::uint32_t) + text.size();
    if (need > kBlockBytes || blocks_.size() >= kMaxBlocks) {
      longNames_.emplace_back(text);
      return kLongBit | static_cast<std::uint32_t>(longNames_.size() - 1);
    }
    // Offset 0 of the first block is never used, so that no place reads as kNotYet.
    if (blocks_.empty() || need > kBlockBytes - blockUsed_) {
      blocks_.push_back(std::make_unique<char[]>(kBlockBytes));
      blockUsed_ = blocks_.size() == 1 ? 1 : 0;
    }
    char* at = blocks_.back().get() + blockUsed_;
    const auto length = static_cast<std::uint32_t>(text.size());
    std::memcpy(at, &length, sizeof length);
    std::memcpy(at + sizeof length, text.data(), text.size());
    const auto place =
        static_cast<std::uint32_t>(((blocks_.size() - 1) << kOffsetBits) | blockUsed_);
    blockUsed_ += need;
    return place;
  }

  std::string_view At(std::uint32_t place) const {
    if ((place & kLongBit) != 0) return longNames_[place & ~kLongBit];
    const char* at = blocks_[place >> kOffsetBits].get() + (place & (kBlockBytes - 1));
    std::uint32_t length;
    std::memcpy(&length, at, sizeof length);
    return {at + sizeof length, length};
  }

  const SymbolList& symbols_;
  std::vector<std::uint32_t> places_;  // by key number
  std::vector<std::unique_ptr<char[]>> blocks_;
  std::size_t blockUsed_ = 0;          // bytes taken in the last block
  std::deque<std::string> longNames_;  // a name's bytes stay where they are as others come
  bool keptAll_ = false;
};

// The comma-separated forms give a declaration in quotes.
void AppendQuoted(std::string_view text, std::string& out) {
  out.append("\"").append(text).append("\"");
}

std::size_t LevelsAbove(int level) { return level > 1 ? static_cast<std::size_t>(level - 1) : 0; }

// One form of the report. A procedure's label waits in the pending line until the first link is
// written beside it, or it goes out alone.
class FormWriter {
 public:
  FormWriter(LineSink& sink, const SymbolList& symbols) : sink_(sink), names_(symbols) {}
  virtual ~FormWriter() = default;

  virtual std::string Prefix(int level) const = 0;

  void WriteProcedure(const TPassRec& proc, const ReportOptions& options) {
    prefix_ = Prefix(proc.Level);
    // Written into the line's own buffer, which keeps its room from one procedure to the next.
    pending_.assign(prefix_);
    AppendLabel(proc, options.Style, pending_);
    switch (options.Direction) {
      case ReportDirection::LabelsOnly:
        sink_.WriteLine(pending_);
        break;
      case ReportDirection::Callees:
        WriteLinks(proc.Calls, kArrowRight);
        break;
      case ReportDirection::Callers:
        WriteLinks(proc.CalledBy, kArrowLeft);
        break;
      case ReportDirection::Both:
        WriteLinks(proc.Calls, kArrowRight);
        WriteLinks(proc.CalledBy, kArrowLeft);
        break;
      case ReportDirection::Nothing:
        break;
    }
  }

 protected:
  virtual void AppendDeclarationLabel(const std::string& text, std::string& out) const = 0;
  virtual void WriteLinks(const std::vector<ProcedureKey>& keys, const std::string& arrow) = 0;

  // A line per key: the first head and the linked name on the first, the other head and the
  // name on the others. The heads are put together once per list, not once per line, in
  // buffers that keep their room.
  void WriteLinkLines(const std::vector<ProcedureKey>& keys) {
    // All the names first: in a large project nearly every one is a cache miss, and reads that
    // do not wait for each other's lines to be written overlap.
    linked_.clear();
    for (const ProcedureKey key : keys) linked_.push_back(names_.FullNameOf(key));
    for (std::size_t i = 0; i < linked_.size(); ++i) {
      sink_.WriteJoined(i == 0 ? firstHead_ : restHead_, linked_[i], line_);
    }
  }

  LineSink& sink_;
  std::string prefix_;
  std::string pending_;
  std::string firstHead_, restHead_;  // of the link lines, for WriteLinkLines

 private:
  void AppendLabel(const TPassRec& proc, ReportStyle style, std::string& out) const {
    if (style == ReportStyle::KindAndName) {
      out.append(KindWord(proc.Kind)).append(proc.Name);
    } else {
      AppendDeclarationLabel(proc.Text, out);
    }
  }

  LinkNames names_;
  std::string line_;  // where a sink that needs it gets a link line put together
  std::vector<std::string_view> linked_;  // the names of one list, for WriteLinkLines
};

// Blanks by level; the arrows line up in one column after labels of up to 40 bytes.
class FixedFormWriter : public FormWriter {
 public:
  using FormWriter::FormWriter;

  std::string Prefix(int level) const override { return std::string(LevelsAbove(level) * 4, ' '); }

 protected:
  void AppendDeclarationLabel(const std::string& text, std::string& out) const override {
    out.append(text);
  }

  void WriteLinks(const std::vector<ProcedureKey>& keys, const std::string& arrow) override {
    if (keys.empty()) {
      if (!pending_.empty()) sink_.WriteLine(pending_);
      pending_.clear();
      return;
    }
    // The label, padded to the arrow column, starts the first line; blanks to the column start
    // the others.
    const std::size_t width = pending_.size() > kArrowColumn ? 0 : pending_.size();
    firstHead_.assign(pending_).append(kArrowColumn - width, ' ').append(arrow).append(" ");
    restHead_.assign(kArrowColumn, ' ').append(arrow).append(" ");
    WriteLinkLines(keys);
    pending_.clear();
  }
};

// A column per level, then the label, the arrow and the name, each in a column of its own.
class CommaFormWriter : public FormWriter {
 public:
  using FormWriter::FormWriter;

  std::string Prefix(int level) const override { return std::string(LevelsAbove(level), ','); }

 protected:
  void AppendDeclarationLabel(const std::string& text, std::string& out) const override {
    AppendQuoted(text, out);
  }

  void WriteLinks(const std::vector<ProcedureKey>& keys, const std::string& arrow) override {
    // The prefix alone is what is left after the label went out with a link.
    if (keys.empty() && !pending_.empty() && pending_ != prefix_) sink_.WriteLine(pending_);
    // The label starts the first line and the prefix alone the others.
    if (!keys.empty()) {
      firstHead_.assign(pending_).append(",").append(arrow).append(",");
      restHead_.assign(prefix_).append(",").append(arrow).append(",");
      WriteLinkLines(keys);
    }
    pending_ = prefix_;
  }
};

// Any other form letter: no prefix and no arrow lines; a label still goes out when a list it
// would have stood beside is empty.
class BareFormWriter : public FormWriter {
 public:
  using FormWriter::FormWriter;

  std::string Prefix(int) const override { return {}; }

 protected:
  void AppendDeclarationLabel(const std::string& text, std::string& out) const override {
    AppendQuoted(text, out);
  }

  void WriteLinks(const std::vector<ProcedureKey>& keys, const std::string&) override {
    if (!keys.empty()) return;
    if (!pending_.empty()) sink_.WriteLine(pending_);
    pending_.clear();
  }
};

std::unique_ptr<FormWriter> MakeFormWriter(ReportForm form, LineSink& sink,
                                           const SymbolList& symbols) {
  switch (form) {
    case ReportForm::Fixed:
      return std::make_unique<FixedFormWriter>(sink, symbols);
    case ReportForm::Comma:
      return std::make_unique<CommaFormWriter>(sink, symbols);
    case ReportForm::Bare:
      break;
  }
  return std::make_unique<BareFormWriter>(sink, symbols);
}

}  // namespace

void WriteXrefLines(LineSink& sink, const ReportInput& input, const ReportOptions& options) {
  std::unique_ptr<FormWriter> writer = MakeFormWriter(options.Form, sink, input.Symbols);
  for (const TreeNode& node : input.Tree.Nodes()) {
    const TPassRec* record = node.Record;
    if (record == nullptr) {
      sink.WriteLine(input.Caption);
    } else if (IsProcedureKind(record->Kind)) {
      writer->WriteProcedure(*record, options);
    } else {
      sink.WriteLine(writer->Prefix(record->Level) + record->Name);
    }
  }
}

bool WriteXref(AnalysisHost& host, const ReportInput& input, const WritePath& fileName,
               const ReportOptions& options) {
  if (input.Tree.Empty()) {
    host.ShowMessage(" No Output Item \r");
    return false;
  }
  FileLineSink sink(fileName);
  WriteXrefLines(sink, input, options);
  sink.Close();
  return true;
}

void SaveReport(AnalysisHost& host, const ReportInput& input, const WritePath& fileName) {
  ReportOptions options;
  options.Form =
      UpperExtension(fileName.Engine()) == ".CSV" ? ReportForm::Comma : ReportForm::Fixed;
  WriteXref(host, input, fileName, options);
}

}  // namespace tarnel
