#include "ui/CallHierarchyView.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <optional>

#include "reports/ExportGraph.h"
#include "reports/UnusedList.h"
#include "session/ProjectSession.h"
#include "ui/Cp932Text.h"
#include "ui/ImageList.h"

namespace tarnel {

namespace {

constexpr int kNodeRole = Qt::UserRole;
constexpr int kPopulatedRole = Qt::UserRole + 1;

QString LinesText(const std::vector<int>& lines) {
  if (lines.empty()) return {};
  return lines.size() == 1 ? QString::number(lines.front())
                           : QStringLiteral("%1 (%2)").arg(lines.front()).arg(lines.size());
}

}  // namespace

QString CallHierarchyView::Shown(const std::string& text) const {
  return FromRecordText(text, session_.RecordEncoding());
}

CallHierarchyView::CallHierarchyView(const ProjectSession& session, QWidget* parent)
    : QDockWidget(QStringLiteral("Call Hierarchy"), parent), session_(session) {
  setObjectName(QStringLiteral("CallHierarchy"));
  auto* splitter = new QSplitter(Qt::Vertical, this);
  const char* const names[2] = {"CallersTree", "CalleesTree"};
  for (int side = 0; side < 2; ++side) {
    auto* pane = new QWidget(splitter);
    auto* box = new QVBoxLayout(pane);
    box->setContentsMargins(2, 2, 2, 2);
    box->setSpacing(2);
    titles_[side] = new QLabel(pane);
    QTreeWidget* tree = trees_[side] = new QTreeWidget(pane);
    tree->setObjectName(QLatin1String(names[side]));
    tree->setColumnCount(ColumnCount);
    tree->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Module"), QStringLiteral("Kind"),
                           QStringLiteral("Line")});
    tree->setUniformRowHeights(true);
    tree->setIconSize(QSize(16, 16));
    const int widths[ColumnCount] = {130, 70, 70, 50};
    for (int column = 0; column < ColumnCount; ++column)
      tree->header()->resizeSection(column, widths[column]);
    tree->installEventFilter(this);
    connect(tree, &QTreeWidget::itemExpanded, this, &CallHierarchyView::Populate);
    connect(tree, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { OpenItem(item); });
    box->addWidget(titles_[side]);
    box->addWidget(tree);
    splitter->addWidget(pane);
  }
  setWidget(splitter);
  SetRoot(nullptr);
}

CallHierarchyView::~CallHierarchyView() = default;

void CallHierarchyView::SetRoot(const TPassRec* proc) {
  root_ = proc;
  const bool sites = session_.HasCallSites();
  for (int side = 0; side < 2; ++side) {
    trees_[side]->clear();
    trees_[side]->setColumnHidden(LineColumn, !sites);
    hierarchies_[side].reset();
    const QString word = side == 0 ? QStringLiteral("Callers") : QStringLiteral("Callees");
    if (proc == nullptr) {
      titles_[side]->setText(word);
      continue;
    }
    titles_[side]->setText(QStringLiteral("%1 of %2").arg(word, Shown(proc->FullName)));
    hierarchies_[side] = std::make_unique<CallHierarchy>(
        session_.Context().Result.SymbolList, *proc,
        side == 0 ? CallHierarchy::Direction::Callers : CallHierarchy::Direction::Callees);
    QTreeWidgetItem* top = MakeItem(side, 0);
    trees_[side]->addTopLevelItem(top);
    top->setExpanded(true);
  }
}

QTreeWidgetItem* CallHierarchyView::MakeItem(int side, int node) {
  const CallHierarchy& hierarchy = *hierarchies_[side];
  const CallHierarchy::Node& n = hierarchy.At(node);
  const TPassRec& proc = *n.Record;
  auto* item = new QTreeWidgetItem;
  item->setData(NameColumn, kNodeRole, node);
  item->setText(NameColumn, Shown(proc.Name));
  item->setIcon(NameColumn, ImageList1().Icon(proc.Kind));
  const TPassRec* module = session_.Context().Result.SymbolList.TryFind(proc.ParentKey);
  if (module != nullptr) {
    item->setText(ModuleColumn, Shown(module->FullName.empty() ? module->Name : module->FullName));
  }
  item->setText(KindColumn,
                QString::fromLatin1(ProcedureKindWord(proc.Kind).data(),
                                    static_cast<qsizetype>(ProcedureKindWord(proc.Kind).size())));
  item->setText(LineColumn, LinesText(SiteLines(side, node)));
  item->setToolTip(NameColumn, Shown(proc.Text));
  if (n.Recursive) {
    item->setText(NameColumn, item->text(NameColumn) + QStringLiteral(" (recursive)"));
    QFont font = item->font(NameColumn);
    font.setItalic(true);
    item->setFont(NameColumn, font);
    item->setForeground(NameColumn, QColor(128, 128, 128));
  }
  item->setChildIndicatorPolicy(hierarchy.CanExpand(node)
                                    ? QTreeWidgetItem::ShowIndicator
                                    : QTreeWidgetItem::DontShowIndicatorWhenChildless);
  return item;
}

void CallHierarchyView::Populate(QTreeWidgetItem* item) {
  const int side = SideOf(item->treeWidget());
  if (!hierarchies_[side] || item->data(NameColumn, kPopulatedRole).toBool()) return;
  item->setData(NameColumn, kPopulatedRole, true);
  const int node = item->data(NameColumn, kNodeRole).toInt();
  for (int child : hierarchies_[side]->Expand(node)) item->addChild(MakeItem(side, child));
  if (item->childCount() == 0) item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
}

std::vector<int> CallHierarchyView::SiteLines(int side, int node) const {
  std::vector<int> lines;
  const CallHierarchy& hierarchy = *hierarchies_[side];
  const CallHierarchy::Node& n = hierarchy.At(node);
  if (n.Parent < 0 || !session_.Context().Result.Precise) return lines;
  const TPassRec& parent = *hierarchy.At(n.Parent).Record;
  const PreciseCallSites sites(*session_.Context().Result.Precise);
  // The call lies in the caller's body: the item's own for a caller, its parent's for a callee.
  if (side == 0) {
    sites.AppendLines(*n.Record, parent.Key, lines);
  } else {
    sites.AppendLines(parent, n.Record->Key, lines);
  }
  return lines;
}

const TPassRec* CallHierarchyView::RecordOf(const QTreeWidgetItem* item) const {
  if (item == nullptr) return nullptr;
  const int side = SideOf(item->treeWidget());
  if (!hierarchies_[side]) return nullptr;
  return hierarchies_[side]->At(item->data(NameColumn, kNodeRole).toInt()).Record;
}

bool CallHierarchyView::IsRecursive(const QTreeWidgetItem* item) const {
  if (item == nullptr) return false;
  const int side = SideOf(item->treeWidget());
  if (!hierarchies_[side]) return false;
  return hierarchies_[side]->At(item->data(NameColumn, kNodeRole).toInt()).Recursive;
}

void CallHierarchyView::OpenItem(QTreeWidgetItem* item) {
  const TPassRec* proc = RecordOf(item);
  if (proc == nullptr) return;
  const int side = SideOf(item->treeWidget());
  const CallHierarchy& hierarchy = *hierarchies_[side];
  const int node = item->data(NameColumn, kNodeRole).toInt();
  const int parent = hierarchy.At(node).Parent;
  if (OpenSource) {
    if (parent < 0) {
      OpenSource(*proc, proc->Name, {});
    } else if (side == 0) {
      // A caller: its body, with the procedure it calls marked.
      OpenSource(*proc, hierarchy.At(parent).Record->Name, SiteLines(side, node));
    } else {
      // A callee: the body of its caller, with the callee marked.
      OpenSource(*hierarchy.At(parent).Record, proc->Name, SiteLines(side, node));
    }
  }
  if (Visited) Visited(*proc);
}

bool CallHierarchyView::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    auto* tree = qobject_cast<QTreeWidget*>(watched);
    if (tree != nullptr && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
      OpenItem(tree->currentItem());
      return true;
    }
  }
  return QDockWidget::eventFilter(watched, event);
}

}  // namespace tarnel
