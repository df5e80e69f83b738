#pragma once

#include <QMainWindow>
#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "analysis/AnalysisContext.h"
#include "analysis/ResultTree.h"
#include "ui/QtAnalysisHost.h"

class QAction;
class QDialog;
class QFrame;
class QLabel;
class QMenu;
class QModelIndex;
class QTreeView;

namespace tarnel {

class TUnusedWindow;

class CallListModel;
class ProcedureViewer;
class ResultTreeModel;
class TAboutDlg;
class TDbgForm;
class THelpWindow;

// The main window: the tree of the project, the callers and callees of the selected procedure,
// the menus, the settings and the one way to open a project.
class TMainForm : public QMainWindow {
  Q_OBJECT

 public:
  // programDir is the program's folder (engine path ending in "/"): the settings, dictionary, help
  // and temporary files lie there. arguments are the command-line arguments after the program
  // name, native bytes. Runs FormCreate.
  TMainForm(std::string programDir, std::vector<std::string> arguments, QWidget* parent = nullptr);
  ~TMainForm() override;

  // The windows created after this one.
  void AttachWindows(TDbgForm* dbgForm, ProcedureViewer* viewer, TAboutDlg* aboutDlg);

  // Shows the window the first time: FormShow (its failure in the error box), then the window
  // centred on the screen.
  void ShowMainWindow();

  // The designed operations. The handlers catch every failure and show it in the error box;
  // OpenProject, Read1Click and LoadSettings leave failures to their caller.
  void FormShow();
  void OpenProject(const std::string& path);
  void LoadSettings();
  void Read1Click();
  void OpenVClick();
  void OutputFile1Click();
  void Exit1Click();
  void About1Click();
  void Help2Click();
  void MdummyClick(QAction* item);
  // Switches between the classic and the precise reading, remembers the choice in tarnel.ini and
  // analyses the open project again.
  void PreciseReading1Click(bool checked);
  // Options > Unused Procedures: the precise reading's list in a window of its own.
  void UnusedProcedures1Click();
  TUnusedWindow* UnusedWindow() const { return unusedWindow_; }
  // nativePaths: the dropped files' names as the file system holds them.
  void WMDropFiles(const std::vector<std::string>& nativePaths);
  // The result views.
  void TreeView1Change(const QModelIndex& node);
  void TreeView1Enter();
  void TreeView1DblClick();
  void FillCallList(const std::vector<std::string>& keys, QTreeView* list,
                    const TPassRec* selected = nullptr);
  // row: the item whose state changed, -1 for none.
  void lsYCallChange(QTreeView* sender, int row);
  void lsYCallEnter(QTreeView* sender);
  void lsYCallDblClick(QTreeView* sender);

  // F1: the topic of the focused control's help context.
  void HelpForFocus();
  void ShowHelp(int context);

  // State.
  AnalysisContext& Context() { return ctx_; }
  const std::string& ProgramDir() const { return programDir_; }
  const std::string& ProjectPath() const { return projectPath_; }
  const std::string& Caption() const { return caption_; }
  bool ViewsReady() const { return viewsReady_; }
  bool Analysing() const { return analysing_; }
  const ResultTree& Tree() const { return tree_; }
  // The procedure whose relations the lists show, or nullptr.
  const TPassRec* CurrentProc() const { return currentProc_; }
  // The list item that last took the focus mark in either list: its list (nullptr for none),
  // row and record.
  QTreeView* CurrentListOwner() const { return currentList_; }
  int CurrentListRow() const { return currentRow_; }
  const TPassRec* CurrentListItem() const;
  ResultTreeModel* TreeModel() const { return treeModel_; }
  THelpWindow* HelpWindow();
  QString PanelText(int panel) const;

  // Runs a modal dialog and returns its result; tests replace it to answer without showing.
  std::function<int(QDialog&)> RunDialog;
  // Starts an external tool's command line; tests replace it to record the lines.
  std::function<void(const std::string&)> StartProgram;

  // Components.
  QLabel* StatusPanels[2] = {};
  // Right of the panels, shown only while there is a note about the last analysis.
  QLabel* StatusNote = nullptr;
  QWidget* Panel2 = nullptr;
  QWidget* Separater1 = nullptr;  // the splitter bars
  QFrame* Panel1 = nullptr;
  QTreeView* TreeView1 = nullptr;
  QTreeView* lsYCall = nullptr;
  QWidget* Separater2 = nullptr;
  QTreeView* lsICall = nullptr;
  CallListModel* lsYCallItems = nullptr;
  CallListModel* lsICallItems = nullptr;
  QMenu* File1 = nullptr;
  QMenu* MAddIn = nullptr;
  QMenu* Options1 = nullptr;
  QMenu* Help1 = nullptr;
  QAction* OpenV = nullptr;
  QAction* Read1 = nullptr;
  QAction* OutputFile1 = nullptr;
  QAction* Exit1 = nullptr;
  QAction* Mdummy = nullptr;
  QAction* PreciseReading1 = nullptr;
  QAction* UnusedProcedures1 = nullptr;
  QAction* About1 = nullptr;
  QAction* Help2 = nullptr;

 signals:
  // The window was closed: the program ends.
  void Closed();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildLayout();
  void BuildMenus();
  void FormCreate();
  void FormDestroy();
  void SetStatusPanel(int panel, const QString& text);
  void SetStatusNote(const QString& text);
  // Runs a user action and shows any failure in the error box.
  void Guarded(const std::function<void()>& action);
  CallListModel* ItemsOf(QTreeView* list) const;
  void ClearCurrentListItem();
  void ShowProcedure(const TPassRec& proc, const std::string& markName);
  void ShowError(const QString& text);
  std::vector<std::string> DroppedFiles(const QDropEvent* event) const;

  TUnusedWindow* unusedWindow_ = nullptr;
  QtAnalysisHost host_;
  AnalysisContext ctx_;
  std::string programDir_;
  std::vector<std::string> arguments_;
  std::string helpFile_;
  // The key of each "Exec" entry, in the order of ToolList.
  std::vector<std::string> toolKeys_;
  std::string projectPath_;
  std::string caption_;
  bool viewsReady_ = false;
  bool analysing_ = false;
  // Panel 1's note that the last cross-reference pass was cancelled; empty when it ran through.
  QString cancelNote_;
  // The application-wide hook: every event of the program passes AppMessage.
  class AppMessageHook : public QObject {
   public:
    explicit AppMessageHook(TMainForm* form) : QObject(form), form_(form) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
      return form_->AppMessage(watched, event);
    }

   private:
    TMainForm* form_;
  };
  bool AppMessage(QObject* watched, QEvent* event);
  AppMessageHook* appHook_ = nullptr;
  bool sized_ = false;
  const TPassRec* currentProc_ = nullptr;
  QTreeView* currentList_ = nullptr;
  int currentRow_ = -1;
  ResultTree tree_;
  ResultTreeModel* treeModel_ = nullptr;
  TDbgForm* dbgForm_ = nullptr;
  ProcedureViewer* viewer_ = nullptr;
  TAboutDlg* aboutDlg_ = nullptr;
  THelpWindow* helpWindow_ = nullptr;
};

// The program's folder from the executable's path, as engine text ending in "/".
std::string ExecutableFolder();

}  // namespace tarnel
