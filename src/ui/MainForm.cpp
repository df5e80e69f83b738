#include "ui/MainForm.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDate>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLayout>
#include <QLocale>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QShowEvent>
#include <QStatusBar>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>

#include "analysis/Analysis.h"
#include "controls/AlignLayout.h"
#include "platform/ByteText.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "platform/Paths.h"
#include "platform/Profile.h"
#include "reports/ReportWriter.h"
#include "reports/ToolLauncher.h"
#include "ui/AboutDlg.h"
#include "ui/CallListModel.h"
#include "ui/DbgForm.h"
#include "ui/ExportMenu.h"
#include "ui/FileDialog.h"
#include "ui/Fonts.h"
#include "ui/HelpWindow.h"
#include "ui/MessagePresenter.h"
#include "ui/ProcedureViewer.h"
#include "ui/ResultTreeModel.h"
#include "ui/SaveTarget.h"
#include "ui/SplitterBars.h"
#include "ui/UnusedWindow.h"

namespace tarnel {

namespace {

const char* const kInitialCaption = "Tarnel " TARNEL_VERSION;

QString Shown(std::string_view bytes) { return QString::fromStdString(Cp932ToUtf8(bytes)); }

std::string Engine(const QString& native) { return NativeToEngine(native.toStdString()); }

// The list index error of a malformed "Exec" entry, naming the entry's key so that the user can
// find it in the settings file.
TarnelError EntryError(const std::string& key) {
  return TarnelError(std::string(ListIndexError().what()) + " : [Exec] " + Cp932ToUtf8(key));
}

// A report list: no border, flat, no editing, no sorting, items as added.
QTreeView* MakeReportList(QWidget* parent, const char* name, CallListModel* model) {
  auto* list = new QTreeView(parent);
  list->setObjectName(name);
  list->setModel(model);
  list->setRootIsDecorated(false);
  list->setItemsExpandable(false);
  list->setUniformRowHeights(true);
  list->setSortingEnabled(false);
  list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setFrameShape(QFrame::NoFrame);
  list->setIconSize(QSize(16, 16));
  list->header()->setSectionsClickable(false);
  list->header()->setStretchLastSection(false);
  list->header()->setSectionResizeMode(QHeaderView::Interactive);
  const int widths[CallListModel::kColumns] = {100, 50, 80, 80, 30, 30};
  for (int i = 0; i < CallListModel::kColumns; ++i) list->header()->resizeSection(i, widths[i]);
  list->setProperty("HelpContext", 5);
  return list;
}

// What the user chose not to see, so that the lists are known to be incomplete; empty for nothing.
QString SkippedMessagesNote(long fileNotFound, long eof) {
  QStringList parts;
  if (fileNotFound > 0) parts << QStringLiteral("%1 File Not Found").arg(fileNotFound);
  if (eof > 0) parts << QStringLiteral("%1 Eof").arg(eof);
  if (parts.isEmpty()) return {};
  return QStringLiteral("Skipped messages: ") + parts.join(QStringLiteral(", "));
}

}  // namespace

std::string ExecutableFolder() {
  return NativeToEngine(QCoreApplication::applicationDirPath().toStdString() + "/");
}

TMainForm::TMainForm(std::string programDir, std::vector<std::string> arguments, QWidget* parent)
    : QMainWindow(parent),
      host_(this),
      ctx_(host_),
      programDir_(std::move(programDir)),
      arguments_(std::move(arguments)),
      caption_(kInitialCaption) {
  setObjectName("MainForm");
  RunDialog = [](QDialog& dialog) { return dialog.exec(); };
  BuildLayout();
  BuildMenus();
  auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
  f1->setContext(Qt::WindowShortcut);
  connect(f1, &QShortcut::activated, this, &TMainForm::HelpForFocus);
  Guarded([this] { FormCreate(); });
}

TMainForm::~TMainForm() {
  if (appHook_ != nullptr) qApp->removeEventFilter(appHook_);
  FormDestroy();
}

void TMainForm::BuildLayout() {
  setWindowTitle(QString::fromLatin1(kInitialCaption));
  setFont(DesignedFont(kFormFace, 12));
  setProperty("HelpContext", 1);

  // The panes dock like the panels of a classic form, so that the splitter bars can resize them.
  auto* central = new QWidget(this);
  central->resize(543, 274);
  auto* panes = new AlignLayout(central);
  panes->setEnabled(false);  // nothing is placed until every pane has its stored size

  Panel2 = new QWidget(central);
  Panel2->setObjectName("Panel2");
  Panel2->resize(153, 274);
  auto* treeBox = new QVBoxLayout(Panel2);
  treeBox->setContentsMargins(0, 0, 0, 0);
  treeModel_ = new ResultTreeModel(this);
  TreeView1 = new QTreeView(Panel2);
  TreeView1->setObjectName("TreeView1");
  TreeView1->setModel(treeModel_);
  TreeView1->setHeaderHidden(true);
  TreeView1->setIndentation(19);
  TreeView1->setUniformRowHeights(true);
  TreeView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  TreeView1->setSelectionMode(QAbstractItemView::SingleSelection);
  TreeView1->setIconSize(QSize(16, 16));
  TreeView1->setProperty("HelpContext", 4);
  // Names are shown whole: the one column is as wide as its widest shown name and the tree
  // scrolls sideways when that is wider than the pane.
  TreeView1->setTextElideMode(Qt::ElideNone);
  TreeView1->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  TreeView1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  TreeView1->header()->setStretchLastSection(false);
  TreeView1->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  // The selection stays highlighted while another control has the focus.
  QPalette palette = TreeView1->palette();
  palette.setColor(QPalette::Inactive, QPalette::Highlight,
                   palette.color(QPalette::Active, QPalette::Highlight));
  palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                   palette.color(QPalette::Active, QPalette::HighlightedText));
  TreeView1->setPalette(palette);
  treeBox->addWidget(TreeView1);
  panes->addWidget(Panel2, Align::Left);

  Separater1 = MakeLevelBar(central, Panel2, 2, 274);
  Separater1->setObjectName("Separater1");

  Panel1 = new QFrame(central);
  Panel1->setObjectName("Panel1");
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Panel1->setLineWidth(2);
  panes->addWidget(Panel1, Align::Client);
  auto* lists = new AlignLayout(Panel1);
  lists->setEnabled(false);
  lsYCallItems = new CallListModel(this);
  lsICallItems = new CallListModel(this);
  lsYCall = MakeReportList(Panel1, "lsYCall", lsYCallItems);
  lsYCall->resize(384, 137);
  lists->addWidget(lsYCall, Align::Top);
  Separater2 = MakeVerticalBar(Panel1, lsYCall, 384, 5);
  Separater2->setObjectName("Separater2");
  lsICall = MakeReportList(Panel1, "lsICall", lsICallItems);
  lists->addWidget(lsICall, Align::Client);
  lists->setEnabled(true);
  panes->setEnabled(true);
  setCentralWidget(central);
  panes->Realign();
  lists->Realign();

  QStatusBar* bar = statusBar();
  bar->setObjectName("StatusBar1");
  bar->setFixedHeight(24);
  bar->setSizeGripEnabled(false);
  for (int i = 0; i < 2; ++i) {
    StatusPanels[i] = new QLabel(bar);
    StatusPanels[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
    StatusPanels[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  }
  StatusPanels[0]->setFixedWidth(150);
  bar->addWidget(StatusPanels[0]);
  bar->addWidget(StatusPanels[1], 1);  // the last panel reaches to the right edge
  StatusNote = new QLabel(bar);
  StatusNote->setObjectName("StatusNote");
  StatusNote->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  StatusNote->hide();
  bar->addPermanentWidget(StatusNote);

  resize(543, 298 + menuBar()->sizeHint().height());

  connect(TreeView1->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) {
            if (viewsReady_) cancelNote_.clear();
            TreeView1Change(current);
          });
  for (QTreeView* list : {lsYCall, lsICall}) {
    connect(list->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this, list](const QModelIndex& current, const QModelIndex& previous) {
              // The item that takes the focus mark, or, when none does, the one that lost it.
              lsYCallChange(list, current.isValid()    ? current.row()
                                  : previous.isValid() ? previous.row()
                                                       : -1);
            });
  }
  for (QTreeView* view : {TreeView1, lsYCall, lsICall}) {
    view->installEventFilter(this);
    view->viewport()->installEventFilter(this);
  }
}

void TMainForm::BuildMenus() {
  File1 = menuBar()->addMenu(QStringLiteral("&File"));
  OpenV = File1->addAction(QStringLiteral("&Open Vbp"));
  connect(OpenV, &QAction::triggered, this, &TMainForm::OpenVClick);
  Read1 = File1->addAction(QStringLiteral("&Read"));
  Read1->setVisible(false);
  OutputFile1 = File1->addAction(QStringLiteral("O&utput File"));
  connect(OutputFile1, &QAction::triggered, this, &TMainForm::OutputFile1Click);
  AddExportMenu(*this, File1);
  File1->addSeparator();
  Exit1 = File1->addAction(QStringLiteral("&Exit"));
  connect(Exit1, &QAction::triggered, this, &TMainForm::Exit1Click);

  MAddIn = menuBar()->addMenu(QStringLiteral("&Exec"));
  Mdummy = MAddIn->addAction(QStringLiteral("dummy"));
  Mdummy->setVisible(false);
  // Without tool items the menu still drops down, as an empty box one can see.
  MAddIn->setMinimumSize(100, 8);

  Options1 = menuBar()->addMenu(QStringLiteral("&Options"));
  PreciseReading1 = Options1->addAction(QStringLiteral("&Precise Reading (VB5/VB6)"));
  PreciseReading1->setCheckable(true);
  connect(PreciseReading1, &QAction::triggered, this, &TMainForm::PreciseReading1Click);
  UnusedProcedures1 = Options1->addAction(QStringLiteral("&Unused Procedures..."));
  UnusedProcedures1->setObjectName("UnusedProcedures1");
  connect(UnusedProcedures1, &QAction::triggered, this, &TMainForm::UnusedProcedures1Click);
  // The marks come from the precise reading only.
  connect(Options1, &QMenu::aboutToShow, this,
          [this] { UnusedProcedures1->setEnabled(ctx_.Precise != nullptr); });

  Help1 = menuBar()->addMenu(QStringLiteral("&Help"));
  About1 = Help1->addAction(QStringLiteral("&About..."));
  connect(About1, &QAction::triggered, this, &TMainForm::About1Click);
  Help2 = Help1->addAction(QStringLiteral("&Help"));
  connect(Help2, &QAction::triggered, this, &TMainForm::Help2Click);
}

void TMainForm::AttachWindows(TDbgForm* dbgForm, ProcedureViewer* viewer, TAboutDlg* aboutDlg) {
  dbgForm_ = dbgForm;
  viewer_ = viewer;
  aboutDlg_ = aboutDlg;
  host_.SetProgressDialog(dbgForm);
  if (dbgForm != nullptr) dbgForm->SetCancelFlag(&ctx_.CancelRequested);
}

void TMainForm::FormCreate() {
  // ProgramDir came with the constructor; the lists were made empty with the context.
  helpFile_ = programDir_ + "xref.hlp";
  LoadSettings();
  LoadReservedWords(ctx_, programDir_ + "resv.dic");
  setAcceptDrops(true);
  appHook_ = new AppMessageHook(this);
  qApp->installEventFilter(appHook_);
}

void TMainForm::FormDestroy() {
  treeModel_->SetTree(nullptr);
  lsYCallItems->Clear();
  lsICallItems->Clear();
  tree_.Clear();
  ClearSymbols(ctx_);
}

void TMainForm::LoadSettings() {
  const std::string ini = programDir_ + "tarnel.ini";
  const QString today = QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat);
  WriteProfileString(ini, "Date", "Last", Utf8ToCp932(today.toStdString()));
  // One reading serves every entry, however many there are.
  const ProfileFile settings(ini);
  const bool precise =
      SameTextIgnoreCase(settings.GetString("Options", "Reading", ""), "Precise");
  ctx_.Reading = precise ? ReadingKind::Precise : ReadingKind::Classic;
  PreciseReading1->setChecked(precise);
  const std::vector<std::string> keys = settings.GetKeys("Exec");
  for (std::size_t i = 0; i < keys.size(); ++i) {
    std::string value = settings.GetString("Exec", keys[i], "");
    ctx_.ToolList.push_back(value);
    toolKeys_.push_back(keys[i]);
    std::vector<std::string> fields = SplitFields(value);
    if (fields.empty()) throw EntryError(keys[i]);
    auto* item = new QAction(Shown(fields[0]), MAddIn);
    item->setData(static_cast<int>(i));  // the item's Tag: its entry in ToolList
    connect(item, &QAction::triggered, this, [this, item] { MdummyClick(item); });
    MAddIn->addAction(item);
  }
}

void TMainForm::FormShow() {
  if (arguments_.empty()) return;
  std::string first = NativeToEngine(arguments_.front());
  if (UpperExtension(first) == ".VBP") OpenProject(first);
}

void TMainForm::ShowMainWindow() {
  Guarded([this] { FormShow(); });
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
  show();
}

void TMainForm::OpenProject(const std::string& path) {
  // The cross-reference pass lets events through; a drop then must not start over its data.
  if (analysing_) return;
  analysing_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{analysing_};

  viewsReady_ = false;
  currentProc_ = nullptr;
  ClearCurrentListItem();
  // The views let go of the records before the records go.
  treeModel_->SetTree(nullptr);
  tree_.Clear();
  lsICallItems->Clear();
  lsYCallItems->Clear();
  if (unusedWindow_ != nullptr) unusedWindow_->Clear();
  ClearSymbols(ctx_);
  SetStatusNote({});

  cancelNote_.clear();
  ctx_.CancelRequested = false;
  host_.ResetRepeatedMessages();
  AnalyzeProject(ctx_, path);
  // The pass stops at the record where it saw the flag; the lists lack what lies beyond it.
  const QString cancelNote = ctx_.CancelRequested
                                 ? QStringLiteral("Cross-reference cancelled at record %1 of %2")
                                       .arg(host_.Position())
                                       .arg(host_.Maximum())
                                 : QString();

  caption_ = path;
  setWindowTitle(Shown(path));
  Read1Click();
  SetStatusPanel(0, QStringLiteral("Ready"));
  viewsReady_ = true;
  cancelNote_ = cancelNote;
  TreeView1->setFocus();
  if (!cancelNote_.isEmpty()) SetStatusPanel(1, cancelNote_);
  projectPath_ = path;
  SetStatusNote(SkippedMessagesNote(host_.SkippedMessages(RepeatedMessage::FileNotFound),
                                    host_.SkippedMessages(RepeatedMessage::Eof)));
  if (unusedWindow_ != nullptr && unusedWindow_->isVisible()) unusedWindow_->Fill(ctx_);
}

void TMainForm::Read1Click() {
  TreeView1->setUpdatesEnabled(false);
  tree_ = ResultTree::Build(ctx_.SymbolList);
  treeModel_->SetTree(&tree_);
  QModelIndex root = treeModel_->IndexOf(0);
  TreeView1->setCurrentIndex(root);
  TreeView1->expand(root);  // a fresh model shows every other node collapsed
  TreeView1->setUpdatesEnabled(true);
}

void TMainForm::TreeView1Change(const QModelIndex& node) {
  if (!viewsReady_) return;
  if (const TPassRec* r = treeModel_->RecordOf(node)) {
    FillCallList(r->CalledBy, lsYCall, r);
    FillCallList(r->Calls, lsICall, r);
    // Until another node is chosen, the note of a cancelled pass stays in the panel.
    SetStatusPanel(1, cancelNote_.isEmpty() ? Shown(r->Text) : cancelNote_);
    currentProc_ = IsProcedureKind(r->Kind) ? r : nullptr;
  }
  ClearCurrentListItem();
}

void TMainForm::TreeView1Enter() { TreeView1Change(TreeView1->currentIndex()); }

void TMainForm::TreeView1DblClick() {
  if (currentProc_ != nullptr) ShowProcedure(*currentProc_, currentProc_->Name);
}

void TMainForm::FillCallList(const std::vector<std::string>& keys, QTreeView* list,
                             const TPassRec* selected) {
  CallListModel* items = ItemsOf(list);
  if (keys.empty()) {
    items->Clear();
    return;
  }
  items->Fill(ctx_, keys, selected, list == lsYCall);
}

void TMainForm::lsYCallChange(QTreeView* sender, int row) {
  if (!viewsReady_ || row < 0 || row >= ItemsOf(sender)->Count()) return;
  if (sender->currentIndex().isValid() && sender->currentIndex().row() == row) {
    currentList_ = sender;
    currentRow_ = row;
    cancelNote_.clear();
    SetStatusPanel(1, Shown(ItemsOf(sender)->RecordAt(row)->Text));
  } else {
    ClearCurrentListItem();
  }
}

void TMainForm::lsYCallEnter(QTreeView* sender) {
  QModelIndexList selected = sender->selectionModel()->selectedIndexes();
  if (!selected.isEmpty()) lsYCallChange(sender, selected.front().row());
}

void TMainForm::lsYCallDblClick(QTreeView* sender) {
  const TPassRec* q = CurrentListItem();
  // An item is focused only in lists that a procedure filled, so CurrentProc is set then.
  if (q == nullptr || currentProc_ == nullptr) return;
  if (sender == lsYCall) {
    ShowProcedure(*q, currentProc_->Name);
  } else {
    ShowProcedure(*currentProc_, q->Name);
  }
  const std::vector<int>& sites = ItemsOf(sender)->SiteLines(currentRow_);
  if (viewer_ != nullptr && !sites.empty()) viewer_->MarkLines(sites);
}

const TPassRec* TMainForm::CurrentListItem() const {
  return currentList_ == nullptr ? nullptr : ItemsOf(currentList_)->RecordAt(currentRow_);
}

CallListModel* TMainForm::ItemsOf(QTreeView* list) const {
  return list == lsYCall ? lsYCallItems : lsICallItems;
}

void TMainForm::ClearCurrentListItem() {
  currentList_ = nullptr;
  currentRow_ = -1;
}

void TMainForm::ShowProcedure(const TPassRec& proc, const std::string& markName) {
  if (viewer_ == nullptr) return;
  Guarded([&] { viewer_->ShowProcedure(proc, markName); });
}

void TMainForm::OpenVClick() {
  Guarded([this] {
    TFileDialog dialog(this, QStringLiteral("Open"), TFileDialog::Mode::Open);
    dialog.setObjectName("OpenDialog");
    dialog.setNameFilters({QStringLiteral("VisualBasic4.0 Project (*.vbp)")});
    connect(&dialog, &TFileDialog::helpRequested, this, [this] { ShowHelp(2); });
    if (RunDialog(dialog) != QDialog::Accepted || dialog.SelectedFile().empty()) return;
    OpenProject(NativeToEngine(dialog.SelectedFile()));
  });
}

void TMainForm::OutputFile1Click() {
  Guarded([this] {
    TFileDialog dialog(this, QStringLiteral("Save"), TFileDialog::Mode::Save);
    dialog.setObjectName("SaveDialog");
    dialog.setNameFilters({QStringLiteral("ﾃｷｽﾄﾌｧｲﾙ (*.txt)"), QStringLiteral("CSVﾌｧｲﾙ (*.csv)")});
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    connect(&dialog, &TFileDialog::helpRequested, this, [this] { ShowHelp(3); });
    if (RunDialog(dialog) != QDialog::Accepted || dialog.SelectedFile().empty()) return;
    // The name carries the extension of the chosen type, which decides the report's form.
    const std::optional<std::string> target =
        CheckSaveTarget(ctx_, dialog.SelectedFile(), [this](const QString& question) {
          return PresentMessage(this, MessageKind::Question, question) == MessageAnswer::Yes;
        });
    if (!target) return;
    SaveReport(host_, tree_, ctx_.SymbolList, caption_, *target);
  });
}

void TMainForm::Exit1Click() { close(); }

void TMainForm::About1Click() {
  if (aboutDlg_ == nullptr) return;
  CentreOver(aboutDlg_, this);
  RunDialog(*aboutDlg_);
}

void TMainForm::Help2Click() {
  Guarded([this] { HelpWindow()->ShowContents(); });
}

void TMainForm::ShowHelp(int context) {
  Guarded([this, context] { HelpWindow()->ShowContext(context); });
}

void TMainForm::HelpForFocus() {
  for (QWidget* w = QApplication::focusWidget(); w != nullptr; w = w->parentWidget()) {
    int context = w->property("HelpContext").toInt();
    if (context != 0) {
      ShowHelp(context);
      return;
    }
  }
  ShowHelp(1);
}

THelpWindow* TMainForm::HelpWindow() {
  if (helpWindow_ == nullptr) helpWindow_ = new THelpWindow(this);
  helpWindow_->SetHelpFile(helpFile_);
  return helpWindow_;
}

void TMainForm::MdummyClick(QAction* item) {
  Guarded([this, item] {
    ToolContext context{host_,       tree_,        ctx_.SymbolList, caption_,
                        programDir_, projectPath_, StartProgram};
    const int tag = item->data().toInt();
    try {
      RunTool(context, ctx_.ToolList, tag);
    } catch (const ListIndexError&) {
      if (tag < 0 || static_cast<std::size_t>(tag) >= toolKeys_.size()) throw;
      throw EntryError(toolKeys_[static_cast<std::size_t>(tag)]);
    }
  });
}

void TMainForm::PreciseReading1Click(bool checked) {
  Guarded([this, checked] {
    ctx_.Reading = checked ? ReadingKind::Precise : ReadingKind::Classic;
    WriteProfileString(programDir_ + "tarnel.ini", "Options", "Reading",
                       checked ? "Precise" : "Classic");
    if (!projectPath_.empty()) OpenProject(projectPath_);
  });
}

void TMainForm::UnusedProcedures1Click() {
  Guarded([this] {
    if (unusedWindow_ == nullptr) {
      unusedWindow_ = new TUnusedWindow(this);
      unusedWindow_->setWindowFlag(Qt::Window);
      unusedWindow_->OpenSource = [this](const TPassRec& proc) { ShowProcedure(proc, ""); };
    }
    unusedWindow_->Fill(ctx_);
    unusedWindow_->show();
    unusedWindow_->raise();
  });
}

void TMainForm::WMDropFiles(const std::vector<std::string>& nativePaths) {
  if (nativePaths.empty()) return;
  std::string first = NativeToEngine(nativePaths.front());
  if (UpperExtension(first) != ".VBP") return;
  Guarded([this, &first] { OpenProject(first); });
}

std::vector<std::string> TMainForm::DroppedFiles(const QDropEvent* event) const {
  std::vector<std::string> files;
  if (event->mimeData() == nullptr) return files;
  for (const QUrl& url : event->mimeData()->urls()) {
    // The path's bytes from its percent-encoding: toLocalFile() would replace the bytes of a
    // name that is not UTF-8.
    if (url.isLocalFile()) {
      files.push_back(
          QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString());
    }
  }
  return files;
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData() != nullptr && event->mimeData()->hasUrls() && !analysing_) {
    event->acceptProposedAction();
  }
}

void TMainForm::dropEvent(QDropEvent* event) {
  if (!acceptDrops()) return;
  std::vector<std::string> files = DroppedFiles(event);
  event->acceptProposedAction();
  WMDropFiles(files);
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn) {
    if (watched == TreeView1) TreeView1Enter();
    if (watched == lsYCall || watched == lsICall) lsYCallEnter(static_cast<QTreeView*>(watched));
  } else if (event->type() == QEvent::MouseButtonDblClick) {
    // The press before the double-click has already moved the selection.
    if (watched == TreeView1->viewport()) TreeView1DblClick();
    if (watched == lsYCall->viewport()) lsYCallDblClick(lsYCall);
    if (watched == lsICall->viewport()) lsYCallDblClick(lsICall);
  }
  return QMainWindow::eventFilter(watched, event);
}

bool TMainForm::AppMessage(QObject* watched, QEvent* event) {
  // A drop that reaches the program while its window is minimised opens the project, then
  // brings the window back.
  if (event->type() != QEvent::Drop || !isMinimized() || !acceptDrops()) return false;
  auto* widget = qobject_cast<QWidget*>(watched);
  if (widget == nullptr || widget->window() != this) return false;
  auto* drop = static_cast<QDropEvent*>(event);
  std::vector<std::string> files = DroppedFiles(drop);
  drop->acceptProposedAction();
  WMDropFiles(files);
  showNormal();
  return true;
}

void TMainForm::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (sized_) return;
  sized_ = true;
  // The client area below the menu is 543 x 298; the menu bar's height is known only now.
  layout()->activate();
  const int clientHeight = centralWidget()->height() + statusBar()->height();
  resize(width() + 543 - centralWidget()->width(), height() + 298 - clientHeight);
}

void TMainForm::closeEvent(QCloseEvent* event) {
  QMainWindow::closeEvent(event);
  if (event->isAccepted()) emit Closed();
}

void TMainForm::SetStatusPanel(int panel, const QString& text) {
  StatusPanels[panel]->setText(text);
}

void TMainForm::SetStatusNote(const QString& text) {
  StatusNote->setText(text);
  StatusNote->setVisible(!text.isEmpty());
}

QString TMainForm::PanelText(int panel) const { return StatusPanels[panel]->text(); }

void TMainForm::Guarded(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::exception& e) {
    ShowError(QString::fromUtf8(e.what()));
  }
}

void TMainForm::ShowError(const QString& text) { PresentMessage(this, MessageKind::Error, text); }

}  // namespace tarnel
