#include "reports/ReportWriter.h"

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

// Writes one procedure: its label, then its links in the chosen direction. The label goes out on
// the line of the first link, or alone.
class ProcedureWriter {
 public:
  ProcedureWriter(LineSink& sink, const SymbolList& symbols, char form, const TPassRec& proc)
      : sink_(sink), symbols_(symbols), form_(form), prefix_(Prefix(form, proc.Level)) {}

  static std::string Prefix(char form, int level) {
    std::size_t above = level > 1 ? static_cast<std::size_t>(level - 1) : 0;
    if (form == 'F') return std::string(above * 4, ' ');
    if (form == 'C') return std::string(above, ',');
    return {};
  }

  void Write(const TPassRec& proc, char direction, char style) {
    pending_ = prefix_ + Label(proc, style);
    switch (direction) {
      case 'N':
        sink_.WriteLine(pending_);
        break;
      case 'I':
        WriteLinks(proc.Calls, kArrowRight);
        break;
      case 'Y':
        WriteLinks(proc.CalledBy, kArrowLeft);
        break;
      case 'B':
        WriteLinks(proc.Calls, kArrowRight);
        WriteLinks(proc.CalledBy, kArrowLeft);
        break;
      default:
        break;
    }
  }

 private:
  std::string Label(const TPassRec& proc, char style) const {
    if (style == 'S') return KindWord(proc.Kind) + proc.Name;
    if (form_ == 'F') return proc.Text;
    return "\"" + proc.Text + "\"";
  }

  // The pending line on its own, unless it is empty or only the comma prefix.
  void FlushAlone() {
    if (!pending_.empty() && !(form_ == 'C' && pending_ == prefix_)) sink_.WriteLine(pending_);
  }

  void WriteLinks(const std::vector<std::string>& keys, const std::string& arrow) {
    if (form_ == 'C') {
      if (keys.empty()) {
        FlushAlone();
      } else {
        for (const std::string& key : keys) {
          line_.assign(pending_).append(",").append(arrow).append(",");
          line_.append(symbols_.Find(key).FullName);
          sink_.WriteLine(line_);
          pending_ = prefix_;
        }
      }
      pending_ = prefix_;
      return;
    }
    if (keys.empty()) {
      FlushAlone();
      pending_.clear();
      return;
    }
    if (form_ != 'F') return;  // other forms write no arrow lines
    std::size_t width = pending_.size() > kArrowColumn ? 0 : pending_.size();
    for (const std::string& key : keys) {
      line_.assign(pending_).append(kArrowColumn - width, ' ').append(arrow).append(" ");
      line_.append(symbols_.Find(key).FullName);
      sink_.WriteLine(line_);
      pending_.assign(width, ' ');
    }
    pending_.clear();
  }

  LineSink& sink_;
  const SymbolList& symbols_;
  char form_;
  std::string prefix_;
  std::string pending_;
  std::string line_;  // the arrow line being put together
};

}  // namespace

void WriteXrefLines(LineSink& sink, const ResultTree& tree, const SymbolList& symbols,
                    std::string_view caption, char form, char direction, char style) {
  for (const TreeNode& node : tree.Nodes()) {
    const TPassRec* record = node.Record;
    if (record == nullptr) {
      sink.WriteLine(caption);
    } else if (IsProcedureKind(record->Kind)) {
      ProcedureWriter(sink, symbols, form, *record).Write(*record, direction, style);
    } else {
      sink.WriteLine(ProcedureWriter::Prefix(form, record->Level) + record->Name);
    }
  }
}

bool WriteXref(AnalysisHost& host, const ResultTree& tree, const SymbolList& symbols,
               std::string_view caption, const WritePath& fileName, char form, char direction,
               char style) {
  if (tree.Empty()) {
    host.ShowMessage(" No Output Item \r");
    return false;
  }
  FileLineSink sink(fileName);
  WriteXrefLines(sink, tree, symbols, caption, form, direction, style);
  sink.Close();
  return true;
}

void SaveReport(AnalysisHost& host, const ResultTree& tree, const SymbolList& symbols,
                std::string_view caption, const WritePath& fileName) {
  char form = UpperExtension(fileName.Engine()) == ".CSV" ? 'C' : 'F';
  WriteXref(host, tree, symbols, caption, fileName, form, 'B', 'S');
}

}  // namespace tarnel
