#include "ui/UnusedWindow.h"

#include <QHeaderView>
#include <QMenuBar>
#include <QTreeWidget>

#include "platform/Paths.h"
#include "reports/ExportGraph.h"
#include "ui/Cp932Text.h"
#include "ui/FileDialog.h"
#include "ui/UserPrompts.h"

namespace tarnel {

namespace {

// Sorts the line column as a number, the others as text.
class UnusedItem : public QTreeWidgetItem {
 public:
  using QTreeWidgetItem::QTreeWidgetItem;
  bool operator<(const QTreeWidgetItem& other) const override {
    const int column = treeWidget() != nullptr ? treeWidget()->sortColumn() : 0;
    if (column == 4) return text(4).toLongLong() < other.text(4).toLongLong();
    return text(column).compare(other.text(column), Qt::CaseInsensitive) < 0;
  }
};

}  // namespace

TUnusedWindow::TUnusedWindow(UserPrompts& prompts, QWidget* parent)
    : QMainWindow(parent), prompts_(prompts) {
  setObjectName("UnusedWindow");
  setWindowTitle(QStringLiteral("Unused Procedures"));
  resize(640, 400);
  lvUnused = new QTreeWidget(this);
  lvUnused->setObjectName("lvUnused");
  lvUnused->setRootIsDecorated(false);
  lvUnused->setHeaderLabels({QStringLiteral("Mark"), QStringLiteral("Name"), QStringLiteral("Kind"),
                             QStringLiteral("File"), QStringLiteral("Line")});
  lvUnused->setSortingEnabled(true);
  lvUnused->sortByColumn(-1, Qt::AscendingOrder);  // the analysis's order until a header is hit
  setCentralWidget(lvUnused);
  connect(lvUnused, &QTreeWidget::itemDoubleClicked, this,
          [this](QTreeWidgetItem* item, int) { ItemDoubleClicked(item); });
  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  QAction* save = file->addAction(QStringLiteral("&Save As..."));
  save->setObjectName("SaveUnused");
  connect(save, &QAction::triggered, this, &TUnusedWindow::Save1Click);
  QAction* close = file->addAction(QStringLiteral("&Close"));
  connect(close, &QAction::triggered, this, &QWidget::close);
}

void TUnusedWindow::Fill(const ProjectSession& session) {
  Clear();
  const AnalysisResult& result = session.Result();
  if (result.Precise) entries_ = CollectUnused(result.SymbolList, *result.Precise);
  const TextEncoding encoding = session.RecordEncoding();
  const auto shown = [encoding](const std::string& bytes) {
    return FromRecordText(bytes, encoding);
  };
  lvUnused->setSortingEnabled(false);
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const UnusedEntry& e = entries_[i];
    auto* item = new UnusedItem(lvUnused);
    item->setText(0, QString::fromLatin1(e.Mark.data(), static_cast<int>(e.Mark.size())));
    item->setText(1, shown(e.Procedure->FullName));
    item->setText(2, QString::fromLatin1(ProcedureKindWord(e.Procedure->Kind).data()));
    item->setText(3, e.Module != nullptr ? shown(e.Module->Name) : QString());
    item->setText(4, QString::number(e.Procedure->StartLine));
    item->setData(0, Qt::UserRole, static_cast<qulonglong>(i));
  }
  lvUnused->setSortingEnabled(true);
  for (int c = 0; c < 4; ++c) lvUnused->resizeColumnToContents(c);
}

void TUnusedWindow::Clear() {
  lvUnused->clear();
  entries_.clear();
}

int TUnusedWindow::Count() const { return lvUnused->topLevelItemCount(); }

QString TUnusedWindow::Text(int row, int column) const {
  const QTreeWidgetItem* item = lvUnused->topLevelItem(row);
  return item == nullptr ? QString() : item->text(column);
}

void TUnusedWindow::ItemDoubleClicked(QTreeWidgetItem* item) {
  if (item == nullptr || !OpenSource) return;
  const auto i = item->data(0, Qt::UserRole).toULongLong();
  if (i < entries_.size()) OpenSource(*entries_[i].Procedure);
}

void TUnusedWindow::Save1Click() {
  FileRequest request;
  request.Mode = TFileDialog::Mode::Save;
  request.Title = QStringLiteral("Save");
  request.Filters = {QStringLiteral("Text (*.txt)"), QStringLiteral("CSV (*.csv)"),
                     QStringLiteral("All files (*)")};
  request.DefaultSuffix = QStringLiteral("txt");
  request.Preselect = "unused.txt";
  if (const std::optional<std::string> path = prompts_.ChooseFile(this, request)) SaveAs(*path);
}

void TUnusedWindow::SaveAs(const std::string& nativePath) {
  try {
    FileLineSink file(NativeToEngine(nativePath));
    WriteUnusedList(file, entries_, WantsCsv(nativePath));
    file.Close();
  } catch (const std::exception& e) {
    prompts_.ShowError(this, QString::fromUtf8(e.what()));
  }
}

}  // namespace tarnel
