#include "session/ProjectSession.h"

#include <algorithm>

#include "analysis/Analysis.h"
#include "platform/ByteText.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "platform/Profile.h"
#include "reports/ExportGraph.h"
#include "reports/JsonExport.h"
#include "reports/ReportWriter.h"
#include "reports/ToolLauncher.h"
#include "reports/TreeDump.h"
#include "reports/UnusedList.h"

namespace tarnel {

namespace {

// The list index error of a malformed "Exec" entry, naming the entry's key so that the user can
// find it in the settings file.
TarnelError EntryError(const std::string& key) {
  return TarnelError(std::string(ListIndexError().what()) + " : [Exec] " + Cp932ToUtf8(key));
}

}  // namespace

ProjectSession::ProjectSession(AnalysisHost& host, std::string programDir, std::string caption)
    : host_(host), ctx_(*this), programDir_(std::move(programDir)), caption_(std::move(caption)) {}

ProjectSession::~ProjectSession() {
  for (SessionObserver* observer : observers_) observer->ReleaseRecords();
  tree_.Clear();
  ClearSymbols(ctx_.Result);
}

void ProjectSession::AddObserver(SessionObserver* observer) { observers_.push_back(observer); }

void ProjectSession::RemoveObserver(SessionObserver* observer) {
  observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

void ProjectSession::LoadSettings(const std::string& today) {
  const std::string ini = SettingsFile();
  WriteProfileString(ini, "Date", "Last", today);
  // One reading serves every entry, however many there are.
  const ProfileFile settings(ini);
  const bool precise = SameTextIgnoreCase(settings.GetString("Options", "Reading", ""), "Precise");
  ctx_.Options.Reading = precise ? ReadingKind::Precise : ReadingKind::Classic;
  // A value this program does not know leaves the modules read as they are.
  ctx_.Options.Encoding = ParseSourceEncoding(settings.GetString("Options", "Encoding", ""))
                              .value_or(SourceEncoding::Cp932);
  for (const std::string& key : settings.GetKeys("Exec")) {
    std::string value = settings.GetString("Exec", key, "");
    toolList_.push_back(value);
    toolKeys_.push_back(key);
    std::vector<std::string> fields = SplitFields(value);
    if (fields.empty()) throw EntryError(key);
    toolCaptions_.push_back(fields[0]);
  }
}

void ProjectSession::LoadDictionary() { LoadDictionary(programDir_ + "resv.dic"); }

void ProjectSession::LoadDictionary(const std::string& enginePath) {
  LoadReservedWords(ctx_.Options, enginePath);
}

void ProjectSession::UseEncoding(SourceEncoding encoding) { ctx_.Options.Encoding = encoding; }

bool ProjectSession::TextIsUtf8() const { return !ctx_.Result.Decoder.KeepsBytes(); }

void ProjectSession::ChangeReading(ReadingKind reading) {
  ctx_.Options.Reading = reading;
  WriteProfileString(SettingsFile(), "Options", "Reading",
                     reading == ReadingKind::Precise ? "Precise" : "Classic");
  if (!projectPath_.empty()) OpenProject(projectPath_);
}

void ProjectSession::ChangeEncoding(SourceEncoding encoding) {
  // Saved first: when the file cannot be written, the records keep the encoding they were read in.
  WriteProfileString(SettingsFile(), "Options", "Encoding", SourceEncodingName(encoding));
  ctx_.Options.Encoding = encoding;
  if (!projectPath_.empty()) OpenProject(projectPath_);
}

void ProjectSession::OpenProject(const std::string& path) {
  if (analysing_) return;
  analysing_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{analysing_};

  viewsReady_ = false;
  currentProc_ = nullptr;
  ClearListItem();
  // The views let go of the records before the records go.
  for (SessionObserver* observer : observers_) observer->ReleaseRecords();
  tree_.Clear();
  callers_.clear();
  callees_.clear();
  ClearSymbols(ctx_.Result);

  cancelNote_.clear();
  AnalyzeProject(ctx_, path);
  // The pass stops at the record where the host asked it to; the lists lack what lies beyond it.
  std::string note;
  if (ctx_.Result.Cancelled) {
    note = "Cross-reference cancelled at record " + std::to_string(progressPosition_) + " of " +
           std::to_string(progressMaximum_);
  }

  caption_ = path;
  tree_ = ResultTree::Build(ctx_.Result.SymbolList);
  for (SessionObserver* observer : observers_) observer->ProjectRead();
  viewsReady_ = true;
  cancelNote_ = note;
  for (SessionObserver* observer : observers_) observer->ViewsReady();
  projectPath_ = path;
}

std::optional<std::string> ProjectSession::SelectNode(const TPassRec* record, bool moved) {
  if (!viewsReady_) return std::nullopt;
  if (moved) cancelNote_.clear();
  std::optional<std::string> status;
  if (record != nullptr) {
    FillRows(callers_, *record, CallSide::Callers);
    FillRows(callees_, *record, CallSide::Callees);
    // Until another node is chosen, the note of a cancelled pass stays in the status bar.
    status = cancelNote_.empty() ? StatusOf(*record) : cancelNote_;
    currentProc_ = IsProcedureKind(record->Kind) ? record : nullptr;
  }
  ClearListItem();
  return status;
}

void ProjectSession::FillRows(std::vector<CallRow>& rows, const TPassRec& selected, CallSide side) {
  const std::vector<ProcedureKey>& keys =
      side == CallSide::Callers ? selected.CalledBy : selected.Calls;
  std::optional<PreciseCallSites> sites;
  if (ctx_.Result.Precise) sites.emplace(*ctx_.Result.Precise);
  rows.clear();
  rows.reserve(keys.size());
  for (const std::string key : keys) {
    const TPassRec& proc = FindSymbol(ctx_.Result, key);
    CallRow& row = rows.emplace_back(CallRow{&proc, &FindSymbol(ctx_.Result, proc.ParentKey), {}});
    if (!sites) continue;
    // A caller's sites lie in the caller's body; a callee's in the selected procedure's.
    if (side == CallSide::Callers) {
      sites->AppendLines(proc, selected.Key, row.Sites);
    } else {
      sites->AppendLines(selected, proc.Key, row.Sites);
    }
  }
}

std::optional<std::string> ProjectSession::FocusListItem(CallSide side, int row) {
  const std::vector<CallRow>& rows = Rows(side);
  if (!viewsReady_ || row < 0 || static_cast<std::size_t>(row) >= rows.size()) return std::nullopt;
  currentSide_ = side;
  currentRow_ = row;
  cancelNote_.clear();
  return StatusOf(*rows[static_cast<std::size_t>(row)].Proc);
}

std::string ProjectSession::StatusOf(const TPassRec& record) const {
  // A module's Text is its path, engine text whatever the encoding of the other texts.
  if (TextIsUtf8() && IsModuleKind(record.Kind)) {
    return Cp932ToUtf8(record.Text);
  }
  return record.Text;
}

void ProjectSession::ClearListItem() {
  currentSide_.reset();
  currentRow_ = -1;
}

const std::vector<CallRow>& ProjectSession::Rows(CallSide side) const {
  return side == CallSide::Callers ? callers_ : callees_;
}

const TPassRec* ProjectSession::CurrentListItem() const {
  if (!currentSide_) return nullptr;
  const std::vector<CallRow>& rows = Rows(*currentSide_);
  if (currentRow_ < 0 || static_cast<std::size_t>(currentRow_) >= rows.size()) return nullptr;
  return rows[static_cast<std::size_t>(currentRow_)].Proc;
}

std::optional<ProcedureRequest> ProjectSession::ProcedureForTree() const {
  if (currentProc_ == nullptr) return std::nullopt;
  return ProcedureRequest{currentProc_, currentProc_->Name};
}

std::optional<ProcedureRequest> ProjectSession::ProcedureForList(CallSide side) const {
  const TPassRec* item = CurrentListItem();
  // An item is focused only in lists that a procedure filled, so CurrentProc is set then.
  if (item == nullptr || currentProc_ == nullptr) return std::nullopt;
  if (side == CallSide::Callers) return ProcedureRequest{item, currentProc_->Name};
  return ProcedureRequest{currentProc_, item->Name};
}

void ProjectSession::SaveReport(const std::string& enginePath) {
  ::tarnel::SaveReport(host_, ReportInput{tree_, ctx_.Result.SymbolList, caption_}, enginePath);
}

void ProjectSession::WriteReport(LineSink& sink, const ReportOptions& options) const {
  // The caption is the project's path, engine text; the records may hold UTF-8 already.
  const std::string caption = TextIsUtf8() ? Cp932ToUtf8(caption_) : caption_;
  WriteXrefLines(sink, {tree_, ctx_.Result.SymbolList, caption}, options);
}

bool ProjectSession::IsInput(const std::string& nativePath) const {
  return IsAnalysisInput(ctx_, nativePath);
}

void ProjectSession::ExportJson(const WritePath& file) const {
  WriteSymbolsJsonFile(file, ctx_.Result.SymbolList, ctx_.Result.Precise.get(), TextIsUtf8());
}

void ProjectSession::ExportTreeDump(const WritePath& file) const { WriteTreeDump(tree_, file); }

void ProjectSession::Export(const std::vector<ExportJob>& jobs) const {
  if (jobs.empty()) return;
  std::optional<PreciseCallSites> sites;
  if (ctx_.Result.Precise) sites.emplace(*ctx_.Result.Precise);
  std::vector<Finding> findings;
  const auto isSarif = [](const ExportJob& job) { return job.Format == ExportFormat::Sarif; };
  if (std::any_of(jobs.begin(), jobs.end(), isSarif)) findings = FindingsOf(UnusedProcedures());
  const ExportGraph graph = ExportGraph::Build(tree_, ctx_.Result.SymbolList, projectPath_,
                                               sites ? &*sites : nullptr, TextIsUtf8());
  for (const ExportJob& job : jobs) {
    WriteExportFile(job.Format, graph, job.File, isSarif(job) ? findings : std::vector<Finding>{});
  }
}

std::vector<UnusedEntry> ProjectSession::UnusedProcedures() const {
  if (!ctx_.Result.Precise) return {};
  return CollectUnused(ctx_.Result.SymbolList, *ctx_.Result.Precise);
}

void ProjectSession::RunTool(int tag, const std::function<bool(const std::string&)>& start) {
  ToolContext context{
      host_, {tree_, ctx_.Result.SymbolList, caption_}, programDir_, projectPath_, start};
  try {
    ::tarnel::RunTool(context, toolList_, tag);
  } catch (const ListIndexError&) {
    if (tag < 0 || static_cast<std::size_t>(tag) >= toolKeys_.size()) throw;
    throw EntryError(toolKeys_[static_cast<std::size_t>(tag)]);
  }
}

void ProjectSession::ShowMessage(const std::string& text) { host_.ShowMessage(text); }

void ProjectSession::ShowRepeatedMessage(RepeatedMessage kind, const std::string& text) {
  host_.ShowRepeatedMessage(kind, text);
}

void ProjectSession::BeginProgress() { host_.BeginProgress(); }

void ProjectSession::SetProgressRange(int maximum) {
  progressMaximum_ = maximum;
  progressPosition_ = 0;
  host_.SetProgressRange(maximum);
}

void ProjectSession::SetProgress(int position, const std::string& counter,
                                 const std::string& name) {
  progressPosition_ = position;
  host_.SetProgress(position, counter, name);
}

void ProjectSession::ProcessEvents() { host_.ProcessEvents(); }

bool ProjectSession::CancelRequested() { return host_.CancelRequested(); }

void ProjectSession::EndProgress() { host_.EndProgress(); }

}  // namespace tarnel
