#include "ui/MainForm.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDate>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
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
#include "ui/Cp932Text.h"
#include "ui/DbgForm.h"
#include "ui/ExportMenu.h"
#include "ui/FileDialog.h"
#include "ui/Fonts.h"
#include "ui/HelpWindow.h"
#include "ui/ListSplit.h"
#include "ui/Navigator.h"
#include "ui/ProcedureTableWindow.h"
#include "ui/ProcedureViewer.h"
#include "ui/QtUserPrompts.h"
#include "ui/ResultTreeModel.h"
#include "ui/SaveTarget.h"
#include "ui/SplitterBars.h"
#include "ui/UnusedWindow.h"
#include "ui/UserPrompts.h"
#include "ui/ViewMenus.h"

namespace tarnel {

namespace {

const char* const kInitialCaption = "Tarnel " TARNEL_VERSION;

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
  // Native bytes, not through QString: a folder whose name is not UTF-8 must keep its name.
  return NativeToEngine(ExecutableFolderOf(nullptr));
}

TMainForm::TMainForm(UserPrompts& prompts, std::string programDir,
                     std::vector<std::string> arguments, QWidget* parent)
    : QMainWindow(parent),
      prompts_(prompts),
      host_(this, prompts),
      session_(host_, std::move(programDir), kInitialCaption),
      arguments_(std::move(arguments)) {
  setObjectName("MainForm");
  BuildLayout();
  BuildMenus();
  navigator_ = new Navigator(*this);
  viewMenus_ = new TViewMenus(*this);
  connect(viewMenus_, &TViewMenus::CallHierarchyRequested, navigator_,
          [this](const TPassRec* proc) { navigator_->ShowCallHierarchy(proc); });
  auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
  f1->setContext(Qt::WindowShortcut);
  connect(f1, &QShortcut::activated, this, &TMainForm::HelpForFocus);
  session_.AddObserver(this);
  host_.SetSession(&session_);
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

  Panel2_ = new QWidget(central);
  Panel2_->setObjectName("Panel2");
  Panel2_->resize(153, 274);
  auto* treeBox = new QVBoxLayout(Panel2_);
  treeBox->setContentsMargins(0, 0, 0, 0);
  treeModel_ = new ResultTreeModel(this);
  TreeView1_ = new QTreeView(Panel2_);
  TreeView1_->setObjectName("TreeView1");
  TreeView1_->setModel(treeModel_);
  TreeView1_->setHeaderHidden(true);
  TreeView1_->setIndentation(19);
  TreeView1_->setUniformRowHeights(true);
  TreeView1_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  TreeView1_->setSelectionMode(QAbstractItemView::SingleSelection);
  TreeView1_->setIconSize(QSize(16, 16));
  TreeView1_->setProperty("HelpContext", 4);
  // Names are shown whole: the one column is as wide as its widest shown name and the tree
  // scrolls sideways when that is wider than the pane.
  TreeView1_->setTextElideMode(Qt::ElideNone);
  TreeView1_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  TreeView1_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  TreeView1_->header()->setStretchLastSection(false);
  TreeView1_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  // The selection stays highlighted while another control has the focus.
  QPalette palette = TreeView1_->palette();
  palette.setColor(QPalette::Inactive, QPalette::Highlight,
                   palette.color(QPalette::Active, QPalette::Highlight));
  palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                   palette.color(QPalette::Active, QPalette::HighlightedText));
  TreeView1_->setPalette(palette);
  treeBox->addWidget(TreeView1_);
  panes->addWidget(Panel2_, Align::Left);

  Separater1_ = MakeLevelBar(central, Panel2_, 2, 274);
  Separater1_->setObjectName("Separater1");

  Panel1_ = new QFrame(central);
  Panel1_->setObjectName("Panel1");
  Panel1_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Panel1_->setLineWidth(2);
  panes->addWidget(Panel1_, Align::Client);
  auto* lists = new AlignLayout(Panel1_);
  lists->setEnabled(false);
  lsYCallItems_ = new CallListModel(session_, CallSide::Callers, this);
  lsICallItems_ = new CallListModel(session_, CallSide::Callees, this);
  lsYCall_ = MakeReportList(Panel1_, "lsYCall", lsYCallItems_);
  lsYCall_->resize(384, 137);
  lists->addWidget(lsYCall_, Align::Top);
  Separater2_ = MakeVerticalBar(Panel1_, lsYCall_, 384, 5);
  Separater2_->setObjectName("Separater2");
  lsICall_ = MakeReportList(Panel1_, "lsICall", lsICallItems_);
  lists->addWidget(lsICall_, Align::Client);
  lists->setEnabled(true);
  panes->setEnabled(true);
  setCentralWidget(central);
  panes->Realign();
  lists->Realign();
  // The designed share of the upper list: 137 of the 265 pixels the two lists have.
  listSplit_ = new TListSplit(Panel1_, lsYCall_, Separater2_);
  listSplit_->SetShare(137.0 / 265.0);

  QStatusBar* bar = statusBar();
  bar->setObjectName("StatusBar1");
  bar->setFixedHeight(24);
  bar->setSizeGripEnabled(false);
  for (int i = 0; i < 2; ++i) {
    StatusPanels_[i] = new QLabel(bar);
    StatusPanels_[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
    StatusPanels_[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  }
  StatusPanels_[0]->setFixedWidth(150);
  bar->addWidget(StatusPanels_[0]);
  bar->addWidget(StatusPanels_[1], 1);  // the last panel reaches to the right edge
  StatusNote_ = new QLabel(bar);
  StatusNote_->setObjectName("StatusNote");
  StatusNote_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  StatusNote_->hide();
  bar->addPermanentWidget(StatusNote_);

  resize(543, 298 + menuBar()->sizeHint().height());

  connect(TreeView1_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) { SelectNode(current, true); });
  for (QTreeView* list : {lsYCall_, lsICall_}) {
    connect(list->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this, list](const QModelIndex& current, const QModelIndex& previous) {
              // The item that takes the focus mark, or, when none does, the one that lost it.
              lsYCallChange(list, current.isValid()    ? current.row()
                                  : previous.isValid() ? previous.row()
                                                       : -1);
            });
  }
  for (QTreeView* view : {TreeView1_, lsYCall_, lsICall_}) {
    view->installEventFilter(this);
    view->viewport()->installEventFilter(this);
  }
}

void TMainForm::BuildMenus() {
  File1_ = menuBar()->addMenu(QStringLiteral("&File"));
  OpenV_ = File1_->addAction(QStringLiteral("&Open Vbp"));
  connect(OpenV_, &QAction::triggered, this, &TMainForm::OpenVClick);
  Read1_ = File1_->addAction(QStringLiteral("&Read"));
  Read1_->setVisible(false);
  OutputFile1_ = File1_->addAction(QStringLiteral("O&utput File"));
  connect(OutputFile1_, &QAction::triggered, this, &TMainForm::OutputFile1Click);
  AddExportMenu(*this, File1_);
  File1_->addSeparator();
  Exit1_ = File1_->addAction(QStringLiteral("&Exit"));
  connect(Exit1_, &QAction::triggered, this, &TMainForm::Exit1Click);

  MAddIn_ = menuBar()->addMenu(QStringLiteral("&Exec"));
  Mdummy_ = MAddIn_->addAction(QStringLiteral("dummy"));
  Mdummy_->setVisible(false);
  // Without tool items the menu still drops down, as an empty box one can see.
  MAddIn_->setMinimumSize(100, 8);

  Options1_ = menuBar()->addMenu(QStringLiteral("&Options"));
  PreciseReading1_ = Options1_->addAction(QStringLiteral("&Precise Reading (VB5/VB6)"));
  PreciseReading1_->setCheckable(true);
  connect(PreciseReading1_, &QAction::triggered, this, &TMainForm::PreciseReading1Click);
  Encoding1_ = Options1_->addMenu(QStringLiteral("Source &Encoding"));
  Encoding1_->setObjectName("Encoding1");
  auto* encodings = new QActionGroup(Encoding1_);
  encodings->setExclusive(true);
  const std::pair<SourceEncoding, const char*> encodingItems[] = {
      {SourceEncoding::Cp932, "&932 (Japanese)"},
      {SourceEncoding::Cp1252, "&1252 (Western European)"},
      {SourceEncoding::Utf8, "&UTF-8"},
      {SourceEncoding::Auto, "&Auto (each file by its content)"}};
  for (const auto& [encoding, caption] : encodingItems) {
    QAction* item = Encoding1_->addAction(QString::fromUtf8(caption));
    item->setCheckable(true);
    encodings->addAction(item);
    EncodingItems_[static_cast<int>(encoding)] = item;
    connect(item, &QAction::triggered, this,
            [this, encoding = encoding] { Encoding1Click(encoding); });
  }
  UnusedProcedures1_ = Options1_->addAction(QStringLiteral("&Unused Procedures..."));
  UnusedProcedures1_->setObjectName("UnusedProcedures1");
  connect(UnusedProcedures1_, &QAction::triggered, this, &TMainForm::UnusedProcedures1Click);
  ProcedureTable1_ = Options1_->addAction(QStringLiteral("Procedure &Table..."));
  ProcedureTable1_->setObjectName("ProcedureTable1");
  connect(ProcedureTable1_, &QAction::triggered, this, &TMainForm::ProcedureTable1Click);
  // The marks come from the precise reading only.
  connect(Options1_, &QMenu::aboutToShow, this,
          [this] { UnusedProcedures1_->setEnabled(session_.Result().Precise != nullptr); });

  Help1_ = menuBar()->addMenu(QStringLiteral("&Help"));
  About1_ = Help1_->addAction(QStringLiteral("&About..."));
  connect(About1_, &QAction::triggered, this, &TMainForm::About1Click);
  Help2_ = Help1_->addAction(QStringLiteral("&Help"));
  connect(Help2_, &QAction::triggered, this, &TMainForm::Help2Click);
}

void TMainForm::AttachWindows(TDbgForm* dbgForm, ProcedureViewer* viewer, TAboutDlg* aboutDlg) {
  dbgForm_ = dbgForm;
  viewer_ = viewer;
  aboutDlg_ = aboutDlg;
  navigator_->SetViewer(viewer);
  host_.SetProgressDialog(dbgForm);
}

void TMainForm::FormCreate() {
  // ProgramDir came with the constructor; the lists were made empty with the context.
  helpFile_ = session_.ProgramDir() + "xref.hlp";
  LoadSettings();
  session_.LoadDictionary();
  setAcceptDrops(true);
  appHook_ = new AppMessageHook(this);
  qApp->installEventFilter(appHook_);
}

void TMainForm::FormDestroy() {
  session_.RemoveObserver(this);
  ReleaseRecords();
}

void TMainForm::LoadSettings() {
  const QString today = QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat);
  // The entries read before a malformed one still get their items.
  struct ShowSettings {
    TMainForm* form;
    ~ShowSettings() { form->AddToolItems(); }
  } show{this};
  session_.LoadSettings(Utf8ToCp932(today.toStdString()));
}

void TMainForm::AddToolItems() {
  PreciseReading1_->setChecked(session_.Reading() == ReadingKind::Precise);
  EncodingItem(session_.Encoding())->setChecked(true);
  const std::vector<std::string>& captions = session_.ToolCaptions();
  for (std::size_t i = MAddIn_->actions().size() - 1; i < captions.size(); ++i) {
    auto* item = new QAction(FromCp932(captions[i]), MAddIn_);
    item->setData(static_cast<int>(i));  // the item's Tag: its entry in ToolList
    connect(item, &QAction::triggered, this, [this, item] { MdummyClick(item); });
    MAddIn_->addAction(item);
  }
}

void TMainForm::FormShow() {
  if (arguments_.empty()) return;
  std::string first = NativeToEngine(arguments_.front());
  if (UpperExtension(first) == ".VBP") OpenProject(first);
}

void TMainForm::ShowMainWindow() {
  Guarded([this] { FormShow(); });
  if (placeWindow_ && placeWindow_()) {
    sized_ = true;
  } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
  show();
}

void TMainForm::OpenProject(const std::string& path) {
  session_.OpenProject(path);
  if (session_.ViewsReady() && session_.ProjectPath() == path) emit ProjectOpened(path);
}

void TMainForm::ReleaseRecords() {
  treeModel_->SetTree(nullptr);
  lsICallItems_->Clear();
  lsYCallItems_->Clear();
  if (unusedWindow_ != nullptr) unusedWindow_->Clear();
  if (tableWindow_ != nullptr) tableWindow_->Clear();
  SetStatusNote({});
  host_.ResetRepeatedMessages();
}

void TMainForm::ProjectRead() {
  setWindowTitle(FromCp932(session_.Caption()));
  Read1Click();
}

void TMainForm::ViewsReady() {
  SetStatusPanel(0, QStringLiteral("Ready"));
  TreeView1_->setFocus();
  if (!session_.CancelNote().empty()) SetStatusPanel(1, FromCp932(session_.CancelNote()));
  SetStatusNote(SkippedMessagesNote(host_.SkippedMessages(RepeatedMessage::FileNotFound),
                                    host_.SkippedMessages(RepeatedMessage::Eof)));
  if (unusedWindow_ != nullptr && unusedWindow_->isVisible()) unusedWindow_->Fill(session_);
  if (tableWindow_ != nullptr && tableWindow_->isVisible()) tableWindow_->Fill(session_.Context());
}

void TMainForm::Read1Click() {
  TreeView1_->setUpdatesEnabled(false);
  treeModel_->SetTree(&session_.Tree(), session_.RecordEncoding());
  QModelIndex root = treeModel_->IndexOf(0);
  TreeView1_->setCurrentIndex(root);
  TreeView1_->expand(root);  // a fresh model shows every other node collapsed
  TreeView1_->setUpdatesEnabled(true);
}

void TMainForm::SelectNode(const QModelIndex& node, bool moved) {
  const std::optional<std::string> status = session_.SelectNode(treeModel_->RecordOf(node), moved);
  if (!session_.ViewsReady()) return;
  lsYCallItems_->Refresh();
  lsICallItems_->Refresh();
  if (status) SetStatusPanel(1, FromRecordText(*status, session_.RecordEncoding()));
}

void TMainForm::TreeView1Change(const QModelIndex& node) { SelectNode(node, false); }

void TMainForm::TreeView1Enter() { TreeView1Change(TreeView1_->currentIndex()); }

void TMainForm::TreeView1DblClick() { ShowProcedure(session_.ProcedureForTree()); }

void TMainForm::lsYCallChange(QTreeView* sender, int row) {
  if (!session_.ViewsReady() || row < 0 || row >= ItemsOf(sender)->Count()) return;
  if (sender->currentIndex().isValid() && sender->currentIndex().row() == row) {
    if (auto status = session_.FocusListItem(SideOf(sender), row)) {
      SetStatusPanel(1, FromRecordText(*status, session_.RecordEncoding()));
    }
  } else {
    session_.ClearListItem();
  }
}

void TMainForm::lsYCallEnter(QTreeView* sender) {
  QModelIndexList selected = sender->selectionModel()->selectedIndexes();
  if (!selected.isEmpty()) lsYCallChange(sender, selected.front().row());
}

void TMainForm::lsYCallDblClick(QTreeView* sender) {
  ShowProcedure(session_.ProcedureForList(SideOf(sender)));
  if (const TPassRec* item = session_.CurrentListItem()) navigator_->Visited(*item);
  const std::vector<int>& sites = ItemsOf(sender)->SiteLines(session_.CurrentListRow());
  if (viewer_ != nullptr && !sites.empty()) viewer_->MarkLines(sites);
}

CallSide TMainForm::SideOf(const QTreeView* list) const {
  return list == lsYCall_ ? CallSide::Callers : CallSide::Callees;
}

CallListModel* TMainForm::ItemsOf(const QTreeView* list) const {
  return list == lsYCall_ ? lsYCallItems_ : lsICallItems_;
}

void TMainForm::ShowProcedure(const std::optional<ProcedureRequest>& request) {
  if (viewer_ == nullptr || !request) return;
  Guarded([&] { viewer_->ShowProcedure(*request->Proc, request->MarkName); });
}

void TMainForm::OpenVClick() {
  Guarded([this] {
    FileRequest request;
    request.Mode = TFileDialog::Mode::Open;
    request.Title = QStringLiteral("Open");
    request.ObjectName = QStringLiteral("OpenDialog");
    request.Filters = {QStringLiteral("VisualBasic4.0 Project (*.vbp)")};
    request.Purpose = "Open";
    request.Help = [this] { ShowHelp(2); };
    const std::optional<std::string> chosen = prompts_.ChooseFile(this, request);
    if (!chosen) return;
    OpenProject(NativeToEngine(*chosen));
  });
}

void TMainForm::OutputFile1Click() {
  Guarded([this] {
    FileRequest request;
    request.Mode = TFileDialog::Mode::Save;
    request.Title = QStringLiteral("Save");
    request.ObjectName = QStringLiteral("SaveDialog");
    request.Filters = {QStringLiteral("ﾃｷｽﾄﾌｧｲﾙ (*.txt)"), QStringLiteral("CSVﾌｧｲﾙ (*.csv)")};
    request.DefaultSuffix = QStringLiteral("txt");
    request.Purpose = "Report";
    request.Help = [this] { ShowHelp(3); };
    const std::optional<std::string> chosen = prompts_.ChooseFile(this, request);
    if (!chosen) return;
    // The name carries the extension of the chosen type, which decides the report's form.
    const std::optional<std::string> target =
        CheckSaveTarget(session_.Context(), *chosen, prompts_, this);
    if (!target) return;
    session_.SaveReport(*target);
  });
}

void TMainForm::Exit1Click() { close(); }

void TMainForm::About1Click() {
  if (aboutDlg_ == nullptr) return;
  CentreOver(aboutDlg_, this);
  prompts_.Run(*aboutDlg_);
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
    session_.RunTool(item->data().toInt(),
                     [this](const std::string& line) { return prompts_.StartProgram(line); });
  });
}

void TMainForm::PreciseReading1Click(bool checked) {
  Guarded([this, checked] {
    session_.ChangeReading(checked ? ReadingKind::Precise : ReadingKind::Classic);
  });
}

void TMainForm::Encoding1Click(SourceEncoding encoding) {
  // Choosing the item already in force reads nothing again.
  if (encoding == session_.Encoding()) return;
  Guarded([this, encoding] { session_.ChangeEncoding(encoding); });
  // The check follows the setting, also when saving it failed.
  EncodingItem(session_.Encoding())->setChecked(true);
}

void TMainForm::OpenFromListWindow(const TPassRec& proc) {
  ShowProcedure(ProcedureRequest{&proc, ""});
  navigator_->Visited(proc);
}

void TMainForm::UnusedProcedures1Click() {
  Guarded([this] {
    if (unusedWindow_ == nullptr) {
      unusedWindow_ = new TUnusedWindow(prompts_, this);
      unusedWindow_->setWindowFlag(Qt::Window);
      unusedWindow_->OpenSource = [this](const TPassRec& proc) { OpenFromListWindow(proc); };
    }
    unusedWindow_->Fill(session_);
    unusedWindow_->show();
    unusedWindow_->raise();
  });
}

void TMainForm::ProcedureTable1Click() {
  Guarded([this] {
    if (tableWindow_ == nullptr) {
      tableWindow_ = new TProcedureTableWindow(prompts_, this);
      tableWindow_->setWindowFlag(Qt::Window);
      tableWindow_->OpenSource = [this](const TPassRec& proc) { OpenFromListWindow(proc); };
    }
    // Before a project is read to its end there is nothing to list.
    if (session_.ViewsReady()) {
      tableWindow_->Fill(session_.Context());
    } else {
      tableWindow_->Clear();
    }
    tableWindow_->show();
    tableWindow_->raise();
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
  if (event->mimeData() != nullptr && event->mimeData()->hasUrls() && !session_.Analysing()) {
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
    if (watched == TreeView1_) TreeView1Enter();
    if (watched == lsYCall_ || watched == lsICall_) lsYCallEnter(static_cast<QTreeView*>(watched));
  } else if (event->type() == QEvent::MouseButtonDblClick) {
    // The press before the double-click has already moved the selection.
    if (watched == TreeView1_->viewport()) TreeView1DblClick();
    if (watched == lsYCall_->viewport()) lsYCallDblClick(lsYCall_);
    if (watched == lsICall_->viewport()) lsYCallDblClick(lsICall_);
  } else if (event->type() == QEvent::KeyPress) {
    // Enter opens the source as a double-click does.
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      if (watched == TreeView1_) TreeView1DblClick();
      if (watched == lsYCall_ || watched == lsICall_)
        lsYCallDblClick(static_cast<QTreeView*>(watched));
      if (watched == TreeView1_ || watched == lsYCall_ || watched == lsICall_) return true;
    }
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
  StatusPanels_[panel]->setText(text);
}

void TMainForm::SetStatusNote(const QString& text) {
  StatusNote_->setText(text);
  StatusNote_->setVisible(!text.isEmpty());
}

QString TMainForm::PanelText(int panel) const { return StatusPanels_[panel]->text(); }

void TMainForm::Guarded(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::exception& e) {
    ShowError(QString::fromUtf8(e.what()));
  }
}

void TMainForm::ShowError(const QString& text) { prompts_.ShowError(this, text); }

}  // namespace tarnel
