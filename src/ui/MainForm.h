#pragma once

#include <QMainWindow>
#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "session/ProjectSession.h"
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
class UserPrompts;
class TListSplit;
class TViewMenus;
class TProcedureTableWindow;

class CallListModel;
class Navigator;
class ProcedureViewer;
class ResultTreeModel;
class TAboutDlg;
class TDbgForm;
class THelpWindow;

// The main window: the tree of the project, the callers and callees of the selected procedure,
// the menus, the settings and the one way to open a project.
class TMainForm : public QMainWindow, private SessionObserver {
  Q_OBJECT

 public:
  // prompts is where the window and the windows it opens ask the user and start programs; it must
  // outlive the window. programDir is the program's folder (engine path ending in "/"): the
  // settings, dictionary, help and temporary files lie there. arguments are the command-line
  // arguments after the program name, native bytes. Runs FormCreate.
  TMainForm(UserPrompts& prompts, std::string programDir, std::vector<std::string> arguments,
            QWidget* parent = nullptr);
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
  // Options > Source Encoding: how module files are decoded; remembered in tarnel.ini, and the
  // open project is analysed again.
  void Encoding1Click(SourceEncoding encoding);
  // Options > Unused Procedures: the precise reading's list in a window of its own.
  void UnusedProcedures1Click();
  TUnusedWindow* UnusedWindow() const { return unusedWindow_; }
  // Options > Procedure Table: every procedure in a sortable table of its own.
  void ProcedureTable1Click();
  TProcedureTableWindow* ProcedureTableWindow() const { return tableWindow_; }
  // nativePaths: the dropped files' names as the file system holds them.
  void WMDropFiles(const std::vector<std::string>& nativePaths);
  // The result views.
  void TreeView1Change(const QModelIndex& node);
  void TreeView1Enter();
  void TreeView1DblClick();
  // row: the item whose state changed, -1 for none.
  void lsYCallChange(QTreeView* sender, int row);
  void lsYCallEnter(QTreeView* sender);
  void lsYCallDblClick(QTreeView* sender);

  // F1: the topic of the focused control's help context.
  void HelpForFocus();
  void ShowHelp(int context);

  // State: the open project and the rules over it.
  const ProjectSession& Session() const { return session_; }
  ResultTreeModel* TreeModel() const { return treeModel_; }
  // Search, Go to procedure, Back and Forward, the call hierarchy.
  Navigator* Navigation() const { return navigator_; }
  THelpWindow* HelpWindow();
  QString PanelText(int panel) const;

  UserPrompts& Prompts() const { return prompts_; }
  // What places the window before it first shows; it returns true when it did, and the window
  // then keeps that place and size instead of the designed ones. None: the designed size, centred.
  void SetWindowPlacer(std::function<bool()> placer) { placeWindow_ = std::move(placer); }
  // How the lists share their pane's height.
  TListSplit* ListSplit() const { return listSplit_; }
  // The context menus of the tree and the lists.
  TViewMenus* ViewMenus() const { return viewMenus_; }

  // Components, for the views and the tests.
  QLabel* StatusPanel(int panel) const { return StatusPanels_[panel]; }
  QLabel* StatusNote() const { return StatusNote_; }
  QWidget* Panel2() const { return Panel2_; }
  QWidget* Separater1() const { return Separater1_; }
  QFrame* Panel1() const { return Panel1_; }
  QTreeView* TreeView1() const { return TreeView1_; }
  QTreeView* lsYCall() const { return lsYCall_; }
  QWidget* Separater2() const { return Separater2_; }
  QTreeView* lsICall() const { return lsICall_; }
  CallListModel* lsYCallItems() const { return lsYCallItems_; }
  CallListModel* lsICallItems() const { return lsICallItems_; }
  QMenu* File1() const { return File1_; }
  QMenu* MAddIn() const { return MAddIn_; }
  QMenu* Options1() const { return Options1_; }
  QMenu* Help1() const { return Help1_; }
  QAction* OpenV() const { return OpenV_; }
  QAction* Read1() const { return Read1_; }
  QAction* OutputFile1() const { return OutputFile1_; }
  QAction* Exit1() const { return Exit1_; }
  QAction* Mdummy() const { return Mdummy_; }
  QAction* PreciseReading1() const { return PreciseReading1_; }
  QMenu* Encoding1() const { return Encoding1_; }
  QAction* EncodingItem(SourceEncoding encoding) const {
    return EncodingItems_[static_cast<int>(encoding)];
  }
  QAction* UnusedProcedures1() const { return UnusedProcedures1_; }
  QAction* ProcedureTable1() const { return ProcedureTable1_; }
  QAction* About1() const { return About1_; }
  QAction* Help2() const { return Help2_; }

 signals:
  // The window was closed: the program ends.
  void Closed();
  // OpenProject ran to its end with this project (engine text, as passed in).
  void ProjectOpened(const std::string& path);

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
  // A procedure opened from the unused list or the procedure table: its source, and a place in
  // the history.
  void OpenFromListWindow(const TPassRec& proc);
  void Guarded(const std::function<void()>& action);
  // moved: the user moved the selection rather than came back to it.
  void SelectNode(const QModelIndex& node, bool moved);
  void ShowProcedure(const std::optional<ProcedureRequest>& request);
  CallSide SideOf(const QTreeView* list) const;
  CallListModel* ItemsOf(const QTreeView* list) const;
  void AddToolItems();
  // The session's notifications.
  void ReleaseRecords() override;
  void ProjectRead() override;
  void ViewsReady() override;
  void ShowError(const QString& text);
  std::vector<std::string> DroppedFiles(const QDropEvent* event) const;

  TUnusedWindow* unusedWindow_ = nullptr;
  UserPrompts& prompts_;
  TProcedureTableWindow* tableWindow_ = nullptr;
  QtAnalysisHost host_;
  ProjectSession session_;
  QLabel* StatusPanels_[2] = {};
  // Right of the panels, shown only while there is a note about the last analysis.
  QLabel* StatusNote_ = nullptr;
  QWidget* Panel2_ = nullptr;
  QWidget* Separater1_ = nullptr;
  QFrame* Panel1_ = nullptr;
  QTreeView* TreeView1_ = nullptr;
  QTreeView* lsYCall_ = nullptr;
  QWidget* Separater2_ = nullptr;
  QTreeView* lsICall_ = nullptr;
  CallListModel* lsYCallItems_ = nullptr;
  CallListModel* lsICallItems_ = nullptr;
  QMenu* File1_ = nullptr;
  QMenu* MAddIn_ = nullptr;
  QMenu* Options1_ = nullptr;
  QMenu* Help1_ = nullptr;
  QAction* OpenV_ = nullptr;
  QAction* Read1_ = nullptr;
  QAction* OutputFile1_ = nullptr;
  QAction* Exit1_ = nullptr;
  QAction* Mdummy_ = nullptr;
  QAction* PreciseReading1_ = nullptr;
  QMenu* Encoding1_ = nullptr;
  // One radio item per setting, in the order of SourceEncoding.
  QAction* EncodingItems_[4] = {};
  QAction* UnusedProcedures1_ = nullptr;
  QAction* ProcedureTable1_ = nullptr;
  QAction* About1_ = nullptr;
  QAction* Help2_ = nullptr;
  std::vector<std::string> arguments_;
  std::string helpFile_;
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
  TListSplit* listSplit_ = nullptr;
  std::function<bool()> placeWindow_;
  TViewMenus* viewMenus_ = nullptr;
  ResultTreeModel* treeModel_ = nullptr;
  Navigator* navigator_ = nullptr;
  TDbgForm* dbgForm_ = nullptr;
  ProcedureViewer* viewer_ = nullptr;
  TAboutDlg* aboutDlg_ = nullptr;
  THelpWindow* helpWindow_ = nullptr;
};

// The program's folder from the executable's path, as engine text ending in "/".
std::string ExecutableFolder();

}  // namespace tarnel
