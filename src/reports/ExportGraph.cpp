#include "reports/ExportGraph.h"

#include "analysis/ProcedureKey.h"
#include "platform/CodePage.h"
#include "platform/Paths.h"

namespace tarnel {

namespace fs = std::filesystem;

std::string_view ProcedureKindWord(int kind) {
  switch (kind) {
    case KindSub:
      return "Sub";
    case KindFunction:
      return "Function";
    case KindPropertyGet:
      return "Property Get";
    case KindPropertyLet:
      return "Property Let";
    case KindPropertySet:
      return "Property Set";
    case KindDeclareSub:
      return "Declare Sub";
    case KindDeclareFunction:
      return "Declare Function";
    case KindEvent:
      return "Event";
    default:
      return "Procedure";
  }
}

fs::path AbsolutePath(const fs::path& path) {
  std::error_code error;
  fs::path absolute = fs::absolute(path.empty() ? fs::path(".") : path, error);
  if (error) return path;
  fs::path canonical = fs::weakly_canonical(absolute, error);
  return error ? absolute.lexically_normal() : canonical;
}

std::string RelativePath(const fs::path& file, const fs::path& folder) {
  fs::path relative = file.lexically_relative(folder);
  return relative.empty() ? file.generic_string() : relative.generic_string();
}

ExportGraph ExportGraph::Build(const ResultTree& tree, const SymbolList& symbols,
                               std::string_view projectPath, const CallSiteSource* sites,
                               bool textIsUtf8) {
  const auto utf8 = [textIsUtf8](const std::string& text) {
    return textIsUtf8 ? text : Cp932ToUtf8(text);
  };
  ExportGraph graph;
  graph.symbols_ = &symbols;
  graph.hasCallSites_ = sites != nullptr;
  const std::string::size_type separator = LastSeparator(projectPath);
  graph.projectName_ =
      Cp932ToUtf8(separator == std::string::npos ? projectPath : projectPath.substr(separator + 1));
  graph.projectFolder_ = AbsolutePath(EngineToNative(NativeFolderOf(projectPath)));

  // Modules are the tree's second level and procedures its third, whatever their kinds.
  for (const TreeNode& node : tree.Nodes()) {
    if (node.Record == nullptr) continue;
    const TPassRec& record = *node.Record;
    if (node.Depth == 2) {
      ExportModule module;
      module.Record = &record;
      module.Reference = utf8(record.Name);
      module.Name = record.FullName.empty() ? module.Reference : utf8(record.FullName);
      if (std::optional<std::string> found = ResolvePath(record.Text)) {
        module.File = AbsolutePath(*found);
      }
      graph.modules_.push_back(std::move(module));
    } else if (node.Depth == 3 && !graph.modules_.empty()) {
      ExportProcedure procedure;
      procedure.Record = &record;
      procedure.Module = static_cast<int>(graph.modules_.size()) - 1;
      procedure.Name = utf8(record.Name);
      procedure.FullName = utf8(record.FullName);
      procedure.Declaration = utf8(record.Text);
      graph.modules_.back().Procedures.push_back(static_cast<int>(graph.procedures_.size()));
      graph.procedures_.push_back(std::move(procedure));
    }
  }

  std::size_t slots = 16;
  while (slots < graph.procedures_.size() * 2) slots *= 2;
  graph.byKey_.assign(slots, KeySlot{});
  graph.byRecord_.reserve(graph.procedures_.size());
  std::size_t calls = 0;
  for (std::size_t i = 0; i < graph.procedures_.size(); ++i) {
    const TPassRec* record = graph.procedures_[i].Record;
    graph.IndexKey(record->Key, static_cast<int>(i));
    graph.byRecord_.emplace(record, static_cast<int>(i));
    calls += record->Calls.size();
    // The first procedure of a key keeps it, as in byKey_; a number far beyond the procedures'
    // count is left to byKey_.
    if (const auto number = ProcedureKeyIndex(record->Key);
        number && *number < 4 * graph.procedures_.size() + 16) {
      if (*number >= graph.byNumber_.size()) graph.byNumber_.resize(*number + 1, -1);
      if (graph.byNumber_[*number] < 0) graph.byNumber_[*number] = static_cast<int>(i);
    }
  }
  graph.edges_.reserve(calls);

  for (std::size_t caller = 0; caller < graph.procedures_.size(); ++caller) {
    const TPassRec& record = *graph.procedures_[caller].Record;
    char buffer[ProcedureKey::kMaxText];
    for (ProcedureKey link : record.Calls) {
      const std::string_view key = link.FormatTo(buffer);
      const int callee = graph.FindProcedure(key);
      if (callee < 0) continue;  // a record that the tree leaves out
      ExportEdge edge;
      edge.Caller = static_cast<int>(caller);
      edge.Callee = callee;
      if (sites != nullptr) sites->AppendLines(record, key, edge.Lines);
      graph.edges_.push_back(std::move(edge));
    }
  }
  return graph;
}

namespace {

std::size_t KeyHash(std::string_view key) {
  std::size_t hash = 2166136261u;
  for (char c : key) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
  return hash;
}

}  // namespace

void ExportGraph::IndexKey(std::string_view key, int index) {
  if (key.empty() || key.size() > sizeof(KeySlot::Key)) return;
  const std::size_t mask = byKey_.size() - 1;
  for (std::size_t at = KeyHash(key) & mask;; at = (at + 1) & mask) {
    KeySlot& slot = byKey_[at];
    if (slot.Size == 0) {
      key.copy(slot.Key, key.size());
      slot.Size = static_cast<std::uint8_t>(key.size());
      slot.Index = index;
      return;
    }
    if (std::string_view(slot.Key, slot.Size) == key) return;  // the first record keeps it
  }
}

int ExportGraph::FindExactKey(std::string_view key) const {
  // A key as the analysis writes it holds all that byKey_ would give for it, by its number.
  if (const auto number = ProcedureKeyIndex(key); number && *number < byNumber_.size()) {
    return byNumber_[*number];
  }
  if (byKey_.empty() || key.empty() || key.size() > sizeof(KeySlot::Key)) return -1;
  const std::size_t mask = byKey_.size() - 1;
  for (std::size_t at = KeyHash(key) & mask;; at = (at + 1) & mask) {
    const KeySlot& slot = byKey_[at];
    if (slot.Size == 0) return -1;
    if (std::string_view(slot.Key, slot.Size) == key) return slot.Index;
  }
}

int ExportGraph::FindProcedure(std::string_view key) const {
  if (const int exact = FindExactKey(key); exact >= 0) return exact;
  // Keys match without regard to letter case, as the list finds them.
  const TPassRec* record = symbols_ == nullptr ? nullptr : symbols_->TryFind(key);
  if (record == nullptr) return -1;
  auto it = byRecord_.find(record);
  return it == byRecord_.end() ? -1 : it->second;
}

}  // namespace tarnel
