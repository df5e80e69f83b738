#include "ui/ExportMenu.h"

#include <QMenu>
#include <filesystem>
#include <optional>

#include "platform/Paths.h"
#include "reports/UnusedList.h"
#include "ui/FileDialog.h"
#include "ui/MainForm.h"
#include "ui/UserPrompts.h"

namespace tarnel {

namespace {

struct ExportItem {
  ExportFormat Format;
  const char* Name;     // object name of the menu item
  const char* Caption;  // menu text
  const char* Filter;
  const char* Suffix;  // empty: the name is taken as typed
  const char* FileName;
};

constexpr ExportItem kItems[] = {
    {ExportFormat::CallGraphDot, "ExportCallGraph", "&Call Graph (Graphviz)...",
     "Graphviz DOT (*.dot *.gv)", "dot", "calls.dot"},
    {ExportFormat::ModuleGraphDot, "ExportModuleGraph", "&Module Graph (Graphviz)...",
     "Graphviz DOT (*.dot *.gv)", "dot", "modules.dot"},
    {ExportFormat::EdgesJsonLines, "ExportEdges", "&Edges (JSON Lines)...", "JSON Lines (*.jsonl)",
     "jsonl", "edges.jsonl"},
    {ExportFormat::Tags, "ExportTags", "&Tags File...", "Tags files (tags *.tags)", "", "tags"},
    {ExportFormat::Sarif, "ExportSarif", "&Findings (SARIF)...", "SARIF (*.sarif *.json)", "sarif",
     "findings.sarif"},
};

const ExportItem& ItemOf(ExportFormat format) {
  for (const ExportItem& item : kItems) {
    if (item.Format == format) return item;
  }
  return kItems[0];
}

}  // namespace

QMenu* AddExportMenu(TMainForm& form, QMenu* file) {
  QMenu* menu = file->addMenu(QStringLiteral("E&xport"));
  menu->setObjectName("Export1");
  for (const ExportItem& item : kItems) {
    QAction* action = menu->addAction(QString::fromUtf8(item.Caption));
    action->setObjectName(item.Name);
    const ExportFormat format = item.Format;
    QObject::connect(action, &QAction::triggered, &form,
                     [&form, format] { ExportClick(form, format); });
    if (format == ExportFormat::Sarif) {
      // Unused and unreachable procedures are found by the precise reading only.
      action->setToolTip(QStringLiteral("Needs the precise reading"));
      const auto update = [&form, action] {
        action->setEnabled(form.Session().Reading() == ReadingKind::Precise);
      };
      update();
      QObject::connect(menu, &QMenu::aboutToShow, action, update);
    }
  }
  return menu;
}

void ExportClick(TMainForm& form, ExportFormat format) {
  try {
    const ExportItem& item = ItemOf(format);
    FileRequest request;
    request.Mode = TFileDialog::Mode::Save;
    request.Title = QStringLiteral("Export");
    request.ObjectName = QStringLiteral("ExportDialog");
    request.Filters = {QString::fromUtf8(item.Filter), QStringLiteral("All files (*)")};
    request.DefaultSuffix = QString::fromUtf8(item.Suffix);
    request.Purpose = "Export";
    // Beside the project, where a tags file is looked for.
    const std::string folder = form.Session().ProjectPath().empty()
                                   ? std::string()
                                   : EngineToNative(FolderOf(form.Session().ProjectPath()));
    request.Preselect = folder + item.FileName;
    const std::optional<std::string> chosen = form.Prompts().ChooseFile(&form, request);
    if (!chosen) return;
    if (form.Session().Tree().Empty()) {
      form.Session().Context().Host->ShowMessage(" No Output Item \r");
      return;
    }
    form.Session().Export({{format, WritePath::FromNative(*chosen)}});
  } catch (const std::exception& e) {
    form.Prompts().ShowError(&form, QString::fromUtf8(e.what()));
  }
}

}  // namespace tarnel
