#include "ui/ProcedureTableWindow.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/Paths.h"
#include "platform/TextFile.h"
#include "ui/FileDialog.h"
#include "ui/ProcedureTableModel.h"
#include "ui/SaveTarget.h"
#include "ui/UserPrompts.h"

namespace tarnel {

TProcedureTableWindow::TProcedureTableWindow(UserPrompts& prompts, QWidget* parent)
    : QMainWindow(parent), prompts_(prompts), model_(new ProcedureTableModel(this)) {
  setObjectName("ProcedureTableWindow");
  setWindowTitle(QStringLiteral("Procedures"));
  resize(760, 440);

  auto* central = new QWidget(this);
  auto* box = new QVBoxLayout(central);
  box->setContentsMargins(4, 4, 4, 4);
  filter_ = new QLineEdit(central);
  filter_->setObjectName("ProcedureFilter");
  filter_->setPlaceholderText(QStringLiteral("Filter by name"));
  filter_->setClearButtonEnabled(true);
  box->addWidget(filter_);
  table_ = new QTableView(central);
  table_->setObjectName("ProcedureTable");
  table_->setModel(model_);
  table_->setSortingEnabled(true);
  table_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
  table_->horizontalHeader()->setSectionsMovable(false);
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->verticalHeader()->hide();
  table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setWordWrap(false);
  table_->setContextMenuPolicy(Qt::ActionsContextMenu);
  box->addWidget(table_);
  setCentralWidget(central);
  count_ = new QLabel(this);
  count_->setObjectName("ProcedureCount");
  statusBar()->addWidget(count_, 1);
  statusBar()->setSizeGripEnabled(false);

  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  QAction* save = file->addAction(QStringLiteral("&Save as CSV..."));
  save->setObjectName("SaveTable");
  save->setShortcut(QKeySequence::Save);
  connect(save, &QAction::triggered, this, &TProcedureTableWindow::SaveClick);
  file->addSeparator();
  QAction* close = file->addAction(QStringLiteral("&Close"));
  close->setShortcut(QKeySequence(Qt::Key_Escape));
  connect(close, &QAction::triggered, this, &QWidget::close);

  QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
  QAction* open = new QAction(QStringLiteral("&Open Source"), this);
  open->setObjectName("OpenTableSource");
  connect(open, &QAction::triggered, this, [this] {
    const std::vector<int> rows = SelectedRows();
    if (!rows.empty()) OpenRow(rows.front());
  });
  QAction* copy = new QAction(QStringLiteral("&Copy"), this);
  copy->setObjectName("CopyTableRows");
  copy->setShortcut(QKeySequence::Copy);
  copy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  connect(copy, &QAction::triggered, this, [this] { CopyRows(false); });
  QAction* copyCsv = new QAction(QStringLiteral("Copy as CS&V"), this);
  copyCsv->setObjectName("CopyTableCsv");
  connect(copyCsv, &QAction::triggered, this, [this] { CopyRows(true); });
  QAction* find = new QAction(QStringLiteral("&Filter"), this);
  find->setShortcut(QKeySequence::Find);
  connect(find, &QAction::triggered, filter_, [this] {
    filter_->setFocus();
    filter_->selectAll();
  });
  edit->addAction(open);
  edit->addAction(copy);
  edit->addAction(copyCsv);
  edit->addSeparator();
  edit->addAction(find);
  table_->addActions({open, copy, copyCsv});

  connect(filter_, &QLineEdit::textChanged, this, &TProcedureTableWindow::SetFilterText);
  // Activation is a double-click (or the platform's single click) and Enter.
  connect(table_, &QTableView::activated, this,
          [this](const QModelIndex& index) { OpenRow(index.row()); });

  UpdateCount();
}

void TProcedureTableWindow::Fill(const AnalysisContext& ctx) {
  ctx_ = &ctx;
  model_->Fill(ctx);
  table_->resizeColumnsToContents();
  UpdateCount();
}

void TProcedureTableWindow::Clear() {
  ctx_ = nullptr;
  model_->Clear();
  UpdateCount();
}

void TProcedureTableWindow::SetFilterText(const QString& text) {
  if (filter_->text() != text) filter_->setText(text);  // comes back here through textChanged
  model_->SetFilter(text);
  UpdateCount();
}

void TProcedureTableWindow::UpdateCount() {
  const int shown = model_->rowCount();
  count_->setText(model_->FilterText().isEmpty()
                      ? QStringLiteral("%1 procedures").arg(shown)
                      : QStringLiteral("%1 of %2 procedures").arg(shown).arg(model_->TotalCount()));
}

std::vector<int> TProcedureTableWindow::SelectedRows() const {
  std::vector<int> rows;
  for (const QModelIndex& index : table_->selectionModel()->selectedRows()) {
    rows.push_back(index.row());
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}

void TProcedureTableWindow::CopyRows(bool csv) {
  const ProcedureTable* table = model_->Table();
  const std::vector<int> rows = SelectedRows();
  if (table == nullptr || rows.empty()) return;
  const std::string text = csv ? table->ToCsv(rows) : table->ToTabText(rows);
  QApplication::clipboard()->setText(QString::fromStdString(text));
}

void TProcedureTableWindow::OpenRow(int row) {
  const TPassRec* proc = model_->RecordAt(row);
  if (proc != nullptr && OpenSource) OpenSource(*proc);
}

void TProcedureTableWindow::SaveClick() {
  FileRequest request;
  request.Mode = TFileDialog::Mode::Save;
  request.Title = QStringLiteral("Save");
  request.ObjectName = QStringLiteral("TableSaveDialog");
  request.Purpose = "Table";
  request.Filters = {QStringLiteral("CSV (*.csv)"), QStringLiteral("All files (*)")};
  request.DefaultSuffix = QStringLiteral("csv");
  request.Preselect = "procedures.csv";
  if (const std::optional<std::string> path = prompts_.ChooseFile(this, request)) SaveAs(*path);
}

void TProcedureTableWindow::SaveAs(const std::string& nativePath) {
  try {
    std::optional<std::string> target = NativeToEngine(nativePath);
    // Never over a file the analysis read, and not beside a name that differs only in case
    // unless the user says so.
    if (ctx_ != nullptr) target = CheckSaveTarget(*ctx_, nativePath, prompts_, this);
    if (!target) return;
    const ProcedureTable* table = model_->Table();
    TextWriter file(WritePath::FromNative(nativePath));
    if (table != nullptr) {
      file.Write(table->ToCsv());
    } else {
      // Nothing open: the header alone, so the file still says what it would hold.
      std::string header;
      for (int c = 0; c < ProcedureTable::Mark; ++c) {
        header += (c > 0 ? "," : "");
        header += ProcedureTable::Header(static_cast<ProcedureTable::Column>(c));
      }
      file.Write(header + "\r\n");
    }
    file.Close();
  } catch (const std::exception& e) {
    prompts_.ShowError(this, QString::fromUtf8(e.what()));
  }
}

}  // namespace tarnel
