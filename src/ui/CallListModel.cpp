#include "ui/CallListModel.h"

#include <optional>

#include "analysis/Analysis.h"
#include "platform/CodePage.h"
#include "reports/UnusedList.h"
#include "ui/ImageList.h"

namespace tarnel {

namespace {
QString Shown(const std::string& bytes) { return QString::fromStdString(Cp932ToUtf8(bytes)); }
}  // namespace

CallListModel::CallListModel(QObject* parent) : QAbstractItemModel(parent) {}

void CallListModel::Clear() {
  beginResetModel();
  items_.clear();
  endResetModel();
}

void CallListModel::Fill(const AnalysisContext& ctx, const std::vector<std::string>& keys,
                         const TPassRec* selected, bool itemsCallSelected) {
  beginResetModel();
  items_.clear();
  items_.reserve(keys.size());
  sites_ = ctx.Precise != nullptr && selected != nullptr;
  std::optional<PreciseCallSites> sites;
  if (sites_) sites.emplace(*ctx.Precise);
  for (const std::string& key : keys) {
    const TPassRec& proc = FindSymbol(ctx, key);
    const TPassRec& module = FindSymbol(ctx, proc.ParentKey);
    Item& item = items_.emplace_back(Item{&proc, &module, {}});
    if (!sites) continue;
    if (itemsCallSelected) {
      sites->AppendLines(proc, selected->Key, item.Sites);
    } else {
      sites->AppendLines(*selected, proc.Key, item.Sites);
    }
  }
  endResetModel();
}

const std::vector<int>& CallListModel::SiteLines(int row) const {
  static const std::vector<int> none;
  if (row < 0 || row >= Count()) return none;
  return items_[static_cast<std::size_t>(row)].Sites;
}

const TPassRec* CallListModel::RecordAt(int row) const {
  if (row < 0 || row >= Count()) return nullptr;
  return items_[static_cast<std::size_t>(row)].Proc;
}

QString CallListModel::Text(int row, int column) const {
  if (row < 0 || row >= Count()) return {};
  const Item& item = items_[static_cast<std::size_t>(row)];
  switch (column) {
    case 0:
      return Shown(item.Proc->Name);
    case 1:
      return item.Proc->Scope == "P" ? QStringLiteral("Private") : QStringLiteral("Global");
    case 2:
      return Shown(item.Module->FullName);
    case 3:
      return Shown(item.Module->Name);
    case 4:
      return QString::number(item.Proc->StartLine);
    case 5:
      return QString::number(item.Proc->BodyLines);
    case 6:
      if (item.Sites.empty()) return {};
      return item.Sites.size() == 1
                 ? QString::number(item.Sites.front())
                 : QStringLiteral("%1 (%2)").arg(item.Sites.front()).arg(item.Sites.size());
    default:
      return {};
  }
}

QModelIndex CallListModel::index(int row, int column, const QModelIndex& parent) const {
  if (parent.isValid() || row < 0 || row >= Count() || column < 0 || column >= columnCount()) {
    return {};
  }
  return createIndex(row, column);
}

QModelIndex CallListModel::parent(const QModelIndex&) const { return {}; }

int CallListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : Count();
}

int CallListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumns + (sites_ ? 1 : 0);
}

QVariant CallListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  if (role == Qt::DisplayRole) return Text(index.row(), index.column());
  if (role == Qt::DecorationRole && index.column() == 0) {
    return ImageList1().Icon(items_[static_cast<std::size_t>(index.row())].Proc->Kind);
  }
  return {};
}

QVariant CallListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  static const char* const kHeaders[kColumns + 1] = {"Name", "Scope", "Module", "File",
                                                     "",     "",      "Call at"};
  if (section < 0 || section >= columnCount()) return {};
  return QString::fromLatin1(kHeaders[section]);
}

Qt::ItemFlags CallListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

}  // namespace tarnel
