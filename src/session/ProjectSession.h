#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "analysis/AnalysisContext.h"
#include "analysis/AnalysisHost.h"
#include "analysis/ResultTree.h"
#include "analysis/Symbol.h"
#include "platform/SourceText.h"
#include "platform/TextFile.h"
#include "reports/Exports.h"
#include "reports/LineSink.h"
#include "reports/ReportOptions.h"
#include "reports/UnusedList.h"

namespace tarnel {

// The two report lists of the main window: who calls the selected procedure, and whom it calls.
enum class CallSide { Callers, Callees };

// One row of a report list: a procedure and the module it belongs to, and after a precise
// analysis the lines at which the call between it and the selected procedure is made.
struct CallRow {
  const TPassRec* Proc;
  const TPassRec* Module;
  std::vector<int> Sites;
};

// What the source window is asked to show: a procedure and the name to mark in it.
struct ProcedureRequest {
  const TPassRec* Proc;
  std::string MarkName;
};

// How the records of an analysis hold their texts: code page 932 bytes as the modules have them,
// or UTF-8 when the source encoding setting decodes the modules. A module record's Text is its
// path and stays engine text either way.
enum class TextEncoding { Cp932, Utf8 };

// What the views of a session hear from it.
class SessionObserver {
 public:
  virtual ~SessionObserver() = default;
  // The records are about to go: every view drops what points into them.
  virtual void ReleaseRecords() = 0;
  // The analysis ran and the tree is built; the views are not yet ready for selections.
  virtual void ProjectRead() {}
  // The views may now show and select records.
  virtual void ViewsReady() {}
};

// One export of the open project and the file it goes to.
struct ExportJob {
  ExportFormat Format;
  WritePath File;
};

// One open project and the rules of the windows over it, without any window: the analysis and its
// result tree, the project path and caption, the selected procedure and list item, the settings
// and the "Exec" tools. Texts are engine text (code page 932).
class ProjectSession : private AnalysisHost {
 public:
  // host shows the engine's messages and progress; programDir ends in "/" and holds tarnel.ini,
  // the dictionary and the temporary files of the tools; caption stands until a project is open.
  ProjectSession(AnalysisHost& host, std::string programDir, std::string caption);
  ProjectSession(const ProjectSession&) = delete;
  ProjectSession& operator=(const ProjectSession&) = delete;
  ~ProjectSession() override;

  void AddObserver(SessionObserver* observer);
  void RemoveObserver(SessionObserver* observer);

  // Settings: writes today's date (engine text) under [Date] Last, then reads the reading, the
  // source encoding and the "Exec" entries of tarnel.ini. A malformed entry stops the reading with
  // the list index error naming its key; the entries before it stay.
  void LoadSettings(const std::string& today);
  // The reserved-word dictionary beside the program. Throws FileOpenError.
  void LoadDictionary();
  // The dictionary at enginePath instead. Throws FileOpenError.
  void LoadDictionary(const std::string& enginePath);
  // Remembers the reading in tarnel.ini and analyses the open project again with it.
  void ChangeReading(ReadingKind reading);
  ReadingKind Reading() const { return ctx_.Options.Reading; }
  // Remembers how module files are decoded in tarnel.ini and analyses the open project again.
  void ChangeEncoding(SourceEncoding encoding);
  SourceEncoding Encoding() const { return ctx_.Options.Encoding; }
  // The encoding of the records' texts, fixed when their analysis began.
  TextEncoding RecordEncoding() const {
    return TextIsUtf8() ? TextEncoding::Utf8 : TextEncoding::Cp932;
  }
  // For this session only: the reading and the encoding of the module files of the next analysis.
  void UseReading(ReadingKind reading) { ctx_.Options.Reading = reading; }
  // Whether the analyses make the procedures' name indexes, which only lookups read (the batch
  // tool makes none).
  void IndexNames(bool index) { ctx_.Options.IndexNames = index; }
  void UseEncoding(SourceEncoding encoding);
  // Whether the records hold UTF-8 rather than code page 932 (they were read with another
  // encoding than 932).
  bool TextIsUtf8() const;

  // Analyses the project at path (engine text): the observers let go of the records first. Does
  // nothing while an analysis runs (the pass lets events through, and a drop may come then).
  // Throws the file errors of the analysis.
  void OpenProject(const std::string& path);

  // Selects a record of the tree (nullptr for a node without one). moved: the user moved the
  // selection, which ends the note of a cancelled pass. Fills the report lists and returns the
  // status text; nullopt while the views are not ready.
  std::optional<std::string> SelectNode(const TPassRec* record, bool moved);
  // The item at row of a report list took the focus mark; returns the status text, nullopt while
  // the views are not ready or when there is no such row.
  std::optional<std::string> FocusListItem(CallSide side, int row);
  void ClearListItem();
  // What a double click shows: on the tree, the selected procedure with its own name marked; on a
  // list, the caller with the selected procedure marked or the selected procedure with the callee
  // marked. nullopt when nothing is selected.
  std::optional<ProcedureRequest> ProcedureForTree() const;
  std::optional<ProcedureRequest> ProcedureForList(CallSide side) const;

  // The F, B, S report of the open project into enginePath.
  void SaveReport(const std::string& enginePath);
  // The report of the open project into sink, its caption in the records' encoding.
  void WriteReport(LineSink& sink, const ReportOptions& options) const;
  // Whether the analysis read the file at nativePath: no output may replace it.
  bool IsInput(const std::string& nativePath) const;
  // The records in recording order as JSON; the tree dump; the exports, from one graph of the
  // project. Each file replaces the old one only once written whole; file errors throw.
  void ExportJson(const WritePath& file) const;
  void ExportTreeDump(const WritePath& file) const;
  void Export(const std::vector<ExportJob>& jobs) const;
  // The unused, unreachable and maybe-called-by-name procedures; none before a precise analysis.
  std::vector<UnusedEntry> UnusedProcedures() const;
  // Runs the "Exec" entry tag; start starts its command line and says whether it could. A
  // malformed entry's error names its key.
  void RunTool(int tag, const std::function<bool(const std::string&)>& start);

  AnalysisContext& Context() { return ctx_; }
  const AnalysisContext& Context() const { return ctx_; }
  // What the last analysis found.
  const AnalysisResult& Result() const { return ctx_.Result; }
  const ResultTree& Tree() const { return tree_; }
  const std::string& ProgramDir() const { return programDir_; }
  const std::string& ProjectPath() const { return projectPath_; }
  const std::string& Caption() const { return caption_; }
  bool ViewsReady() const { return viewsReady_; }
  bool Analysing() const { return analysing_; }
  // The note that the last pass was cancelled, while it stands; empty otherwise.
  const std::string& CancelNote() const { return cancelNote_; }
  // The procedure whose relations the lists show, or nullptr.
  const TPassRec* CurrentProc() const { return currentProc_; }
  const std::vector<CallRow>& Rows(CallSide side) const;
  // Whether the rows carry call-site lines (after a precise analysis).
  bool HasCallSites() const { return ctx_.Result.Precise != nullptr; }
  // The list item that last took the focus mark, or nullptr; and its row.
  const TPassRec* CurrentListItem() const;
  int CurrentListRow() const { return currentRow_; }

  // The "Exec" entries in the order read, their keys, and the captions of those that have one.
  const std::vector<std::string>& ToolList() const { return toolList_; }
  const std::vector<std::string>& ToolCaptions() const { return toolCaptions_; }

 private:
  // The engine's host: everything goes on to the window's, and the bar's last range and position
  // are kept for the note of a cancelled pass.
  void ShowMessage(const std::string& text) override;
  void ShowRepeatedMessage(RepeatedMessage kind, const std::string& text) override;
  void BeginProgress() override;
  void SetProgressRange(int maximum) override;
  void SetProgress(int position, const std::string& counter, const std::string& name) override;
  void ProcessEvents() override;
  bool CancelRequested() override;
  void EndProgress() override;

  void FillRows(std::vector<CallRow>& rows, const TPassRec& selected, CallSide side);
  std::string SettingsFile() const { return programDir_ + "tarnel.ini"; }
  // The status text of a record, in the records' encoding.
  std::string StatusOf(const TPassRec& record) const;

  AnalysisHost& host_;
  AnalysisContext ctx_;
  std::string programDir_;
  std::vector<SessionObserver*> observers_;
  ResultTree tree_;
  std::string projectPath_;
  std::string caption_;
  bool viewsReady_ = false;
  bool analysing_ = false;
  std::string cancelNote_;
  int progressPosition_ = 0;
  int progressMaximum_ = 0;
  const TPassRec* currentProc_ = nullptr;
  std::vector<CallRow> callers_;
  std::vector<CallRow> callees_;
  std::optional<CallSide> currentSide_;
  int currentRow_ = -1;
  std::vector<std::string> toolList_;
  std::vector<std::string> toolKeys_;
  std::vector<std::string> toolCaptions_;
};

}  // namespace tarnel
