#include "ui/CallListModel.h"

#include "ui/Cp932Text.h"
#include "ui/ImageList.h"

namespace tarnel {

CallListModel::CallListModel(const ProjectSession& session, CallSide side, QObject* parent)
    : QAbstractItemModel(parent), session_(session), side_(side) {}

void CallListModel::Clear() {
  beginResetModel();
  items_.clear();
  counted_ = nullptr;
  endResetModel();
}

void CallListModel::Refresh() {
  beginResetModel();
  items_ = session_.Rows(side_);
  sites_ = session_.HasCallSites();
  encoding_ = session_.RecordEncoding();
  counted_ = session_.CurrentProc();
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
  const CallRow& item = items_[static_cast<std::size_t>(row)];
  switch (column) {
    case 0:
      return FromRecordText(item.Proc->Name, encoding_);
    case 1:
      return item.Proc->Scope == "P" ? QStringLiteral("Private") : QStringLiteral("Global");
    case 2:
      return FromRecordText(item.Module->FullName, encoding_);
    case 3:
      return FromRecordText(item.Module->Name, encoding_);
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
  if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
  // While a procedure is selected, the first header counts the rows shown for it.
  if (section == 0 && counted_ != nullptr) {
    if (role == Qt::DisplayRole) return QStringLiteral("Name (%1)").arg(Count());
    if (role == Qt::ToolTipRole) {
      const QString name = FromRecordText(counted_->Name, encoding_);
      return side_ == CallSide::Callers
                 ? QStringLiteral("%1 caller(s) of %2").arg(Count()).arg(name)
                 : QStringLiteral("%1 calls %2 procedure(s)").arg(name).arg(Count());
    }
  }
  if (role != Qt::DisplayRole) return {};
  static const char* const kHeaders[kColumns + 1] = {"Name", "Scope", "Module", "File",
                                                     "",     "",      "Call at"};
  return QString::fromLatin1(kHeaders[section]);
}

Qt::ItemFlags CallListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

}  // namespace tarnel
