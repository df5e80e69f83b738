#include "ui/UnusedWindow.h"

#include <QHeaderView>
#include <QMenuBar>
#include <QTreeWidget>

#include "platform/CodePage.h"
#include "platform/Paths.h"
#include "reports/ExportGraph.h"
#include "ui/FileDialog.h"
#include "ui/MessagePresenter.h"

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

TUnusedWindow::TUnusedWindow(QWidget* parent) : QMainWindow(parent) {
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

  ShowError = [this](const QString& text) { PresentMessage(this, MessageKind::Error, text); };
  AskSaveFileName = [this]() -> std::optional<std::string> {
    TFileDialog dialog(this, QStringLiteral("Save"), TFileDialog::Mode::Save);
    dialog.setNameFilters({QStringLiteral("Text (*.txt)"), QStringLiteral("CSV (*.csv)"),
                           QStringLiteral("All files (*)")});
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    dialog.selectFile("unused.txt");
    if (dialog.exec() != QDialog::Accepted || dialog.SelectedFile().empty()) return std::nullopt;
    return dialog.SelectedFile();
  };
}

void TUnusedWindow::Fill(const AnalysisResult& result) {
  Clear();
  if (result.Precise) entries_ = CollectUnused(result.SymbolList, *result.Precise);
  const bool utf8 = !result.Decoder.KeepsBytes();
  const auto shown = [utf8](const std::string& bytes) {
    return QString::fromStdString(utf8 ? bytes : Cp932ToUtf8(bytes));
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
  if (!AskSaveFileName) return;
  if (const std::optional<std::string> path = AskSaveFileName()) SaveAs(*path);
}

void TUnusedWindow::SaveAs(const std::string& nativePath) {
  try {
    FileLineSink file(NativeToEngine(nativePath));
    WriteUnusedList(file, entries_, WantsCsv(nativePath));
    file.Close();
  } catch (const std::exception& e) {
    if (ShowError) ShowError(QString::fromUtf8(e.what()));
  }
}

}  // namespace tarnel
