#include "ui/FileDialog.h"

#include <sys/stat.h>

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/CodePage.h"
#include "ui/UserPrompts.h"

namespace tarnel {

namespace {

bool ValidUtf8(std::string_view bytes) {
  const QByteArray data(bytes.data(), static_cast<qsizetype>(bytes.size()));
  QString decoded = QString::fromUtf8(data);
  return decoded.toUtf8() == data;
}

// The patterns between the parentheses of "Name (*.a *.b)".
QStringList PatternsOf(const QString& filter) {
  const QRegularExpressionMatch match =
      QRegularExpression(QStringLiteral("\\(([^)]*)\\)")).match(filter);
  return match.hasMatch() ? match.captured(1).split(QLatin1Char(' '), Qt::SkipEmptyParts)
                          : QStringList{};
}

// The folder the dialogs start in: where the last one ended, else the current folder.
std::string& LastFolder() {
  static std::string folder;
  return folder;
}

TFileDialog::FolderMemory& PurposeFolders() {
  static TFileDialog::FolderMemory memory;
  return memory;
}

std::string CurrentFolder() {
  std::string folder = QFile::encodeName(QDir::currentPath()).toStdString();
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

std::string LastComponent(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

QString ShownFileName(std::string_view nativeName) {
  if (ValidUtf8(nativeName)) return QString::fromUtf8(nativeName.data(), nativeName.size());
  return QString::fromStdString(Cp932ToUtf8(nativeName));
}

NativeFolderModel::NativeFolderModel(QObject* parent) : QAbstractListModel(parent) {}

void NativeFolderModel::SetFolder(std::string nativeFolder) {
  if (nativeFolder.empty() || nativeFolder.back() != '/') nativeFolder += '/';
  folder_ = std::move(nativeFolder);
  Reload();
}

void NativeFolderModel::SetPatterns(QStringList patterns) {
  patterns_ = std::move(patterns);
  Reload();
}

bool NativeFolderModel::Allowed(const FolderEntry& entry) const {
  if (entry.IsFolder || patterns_.isEmpty()) return true;
  const QString shown = ShownFileName(entry.Name);
  return std::any_of(patterns_.begin(), patterns_.end(), [&](const QString& pattern) {
    return QRegularExpression::fromWildcard(pattern, Qt::CaseInsensitive).match(shown).hasMatch();
  });
}

void NativeFolderModel::Reload() {
  beginResetModel();
  entries_.clear();
  for (FolderEntry& entry : ListFolder(folder_)) {
    if (Allowed(entry)) entries_.push_back(std::move(entry));
  }
  std::sort(entries_.begin(), entries_.end(), [](const FolderEntry& a, const FolderEntry& b) {
    if (a.IsFolder != b.IsFolder) return a.IsFolder;
    return ShownFileName(a.Name).compare(ShownFileName(b.Name), Qt::CaseInsensitive) < 0;
  });
  endResetModel();
}

int NativeFolderModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(entries_.size());
}

QVariant NativeFolderModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const FolderEntry& entry = Entry(index.row());
  if (role == Qt::DisplayRole) return ShownFileName(entry.Name);
  if (role == Qt::DecorationRole) {
    return QApplication::style()->standardIcon(entry.IsFolder ? QStyle::SP_DirIcon
                                                              : QStyle::SP_FileIcon);
  }
  return {};
}

int NativeFolderModel::RowOf(const QString& shown) const {
  for (int row = 0; row < rowCount(); ++row) {
    if (ShownFileName(Entry(row).Name) == shown) return row;
  }
  return -1;
}

TFileDialog::TFileDialog(QWidget* parent, const QString& title, Mode mode, UserPrompts& prompts)
    : QDialog(parent), mode_(mode), prompts_(prompts), model_(new NativeFolderModel(this)) {
  setWindowTitle(title);
  resize(460, 320);

  auto* up = new QToolButton(this);
  up->setObjectName("UpButton");
  up->setIcon(style()->standardIcon(QStyle::SP_FileDialogToParent));
  connect(up, &QToolButton::clicked, this, [this] { SetFolder(ParentFolder(model_->Folder())); });
  folderLabel_ = new QLabel(this);
  folderLabel_->setObjectName("FolderLabel");
  auto* top = new QHBoxLayout;
  top->addWidget(new QLabel(QStringLiteral("Look in:"), this));
  top->addWidget(folderLabel_, 1);
  top->addWidget(up);

  list_ = new QListView(this);
  list_->setModel(model_);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  connect(list_, &QListView::activated, this,
          [this](const QModelIndex& index) { ActivateRow(index.row()); });
  connect(list_, &QListView::clicked, this, [this](const QModelIndex& index) {
    const FolderEntry& entry = model_->Entry(index.row());
    if (entry.IsFolder) return;
    pickedName_ = entry.Name;
    pickedShown_ = ShownFileName(entry.Name);
    name_->setText(pickedShown_);
  });

  name_ = new QLineEdit(this);
  name_->setObjectName("FileName");
  types_ = new QComboBox(this);
  types_->setObjectName("FileTypes");
  connect(types_, &QComboBox::currentIndexChanged, this, [this] { NameFilterChanged(); });
  auto* fields = new QFormLayout;
  fields->addRow(QStringLiteral("File name:"), name_);
  fields->addRow(QStringLiteral("Files of type:"), types_);

  buttons_ = new QDialogButtonBox(this);
  buttons_->addButton(mode == Mode::Open ? QDialogButtonBox::Open : QDialogButtonBox::Save);
  buttons_->addButton(QDialogButtonBox::Cancel);
  help_ = buttons_->addButton(QDialogButtonBox::Help);
  connect(buttons_, &QDialogButtonBox::accepted, this, &TFileDialog::accept);
  connect(buttons_, &QDialogButtonBox::rejected, this, &TFileDialog::reject);
  connect(help_, &QPushButton::clicked, this, &TFileDialog::helpRequested);

  auto* box = new QVBoxLayout(this);
  box->addLayout(top);
  box->addWidget(list_, 1);
  box->addLayout(fields);
  box->addWidget(buttons_);

  SetFolder(LastFolder().empty() ? CurrentFolder() : LastFolder());
  name_->setFocus();
}

void TFileDialog::setNameFilters(const QStringList& filters) {
  types_->clear();
  types_->addItems(filters);
  types_->setCurrentIndex(0);
  NameFilterChanged();
}

QStringList TFileDialog::nameFilters() const {
  QStringList filters;
  for (int i = 0; i < types_->count(); ++i) filters << types_->itemText(i);
  return filters;
}

void TFileDialog::selectNameFilter(const QString& filter) {
  const int i = types_->findText(filter);
  if (i >= 0) types_->setCurrentIndex(i);
}

QString TFileDialog::selectedNameFilter() const { return types_->currentText(); }

QString TFileDialog::defaultSuffix() const {
  for (const QString& pattern : PatternsOf(selectedNameFilter())) {
    const QString extension = pattern.mid(2);
    if (pattern.startsWith(QStringLiteral("*.")) && !extension.isEmpty() &&
        !extension.contains(QLatin1Char('*')) && !extension.contains(QLatin1Char('?'))) {
      return extension;
    }
  }
  return defaultSuffix_;
}

void TFileDialog::NameFilterChanged() { model_->SetPatterns(PatternsOf(selectedNameFilter())); }

void TFileDialog::SetFolder(const std::string& nativeFolder) {
  model_->SetFolder(nativeFolder);
  folderLabel_->setText(ShownFileName(model_->Folder()));
}

void TFileDialog::selectFile(const std::string& nativePath) {
  const std::size_t slash = nativePath.rfind('/');
  if (slash != std::string::npos) SetFolder(nativePath.substr(0, slash + 1));
  const std::string name = LastComponent(nativePath);
  pickedName_ = name;
  pickedShown_ = ShownFileName(name);
  name_->setText(pickedShown_);
}

void TFileDialog::SetFileName(const QString& name) { name_->setText(name); }

void TFileDialog::ActivateRow(int row) {
  if (row < 0 || row >= model_->rowCount()) return;
  const FolderEntry& entry = model_->Entry(row);
  if (entry.IsFolder) {
    SetFolder(model_->Folder() + entry.Name + "/");
    return;
  }
  selectFile(model_->Folder() + entry.Name);
  accept();
}

std::string TFileDialog::TypedPath() const {
  const QString text = name_->text();
  // While the field shows the entry picked from the list, that entry's own bytes count.
  const std::string name = text == pickedShown_ && !pickedName_.empty()
                               ? pickedName_
                               : QFile::encodeName(text).toStdString();
  if (!name.empty() && name.front() == '/') return name;
  return model_->Folder() + name;
}

void TFileDialog::accept() {
  if (name_->text().isEmpty()) return;
  std::string path = TypedPath();
  if (IsFolder(path)) {
    SetFolder(path);
    name_->clear();
    return;
  }
  if (mode_ == Mode::Save) {
    const QString suffix = defaultSuffix();
    // A filter may name a whole file ("tags"): that name is taken as typed.
    const bool namedByFilter =
        PatternsOf(selectedNameFilter()).contains(QFile::decodeName(LastComponent(path).c_str()));
    if (LastComponent(path).find('.') == std::string::npos && !suffix.isEmpty() && !namedByFilter) {
      path += "." + QFile::encodeName(suffix).toStdString();
    }
    if (PathExists(path) &&
        !prompts_.Confirm(this, windowTitle(),
                          QStringLiteral("%1 already exists.\nDo you want to replace it?")
                              .arg(ShownFileName(path)))) {
      return;
    }
  } else if (!PathExists(path)) {
    prompts_.ShowError(this, QStringLiteral("%1\nFile not found.").arg(ShownFileName(path)));
    return;
  }
  selected_ = path;
  LastFolder() = path.substr(0, path.size() - LastComponent(path).size());
  if (!purpose_.empty() && PurposeFolders().Chosen) PurposeFolders().Chosen(purpose_, LastFolder());
  QDialog::accept();
}

std::unique_ptr<TFileDialog> MakeFileDialog(QWidget* over, const FileRequest& request,
                                            UserPrompts& prompts) {
  auto dialog = std::make_unique<TFileDialog>(over, request.Title, request.Mode, prompts);
  dialog->setObjectName(request.ObjectName);
  dialog->setNameFilters(request.Filters);
  dialog->setDefaultSuffix(request.DefaultSuffix);
  if (!request.Purpose.empty()) dialog->SetPurpose(request.Purpose);
  if (!request.Preselect.empty()) dialog->selectFile(request.Preselect);
  if (request.Help) {
    QObject::connect(dialog.get(), &TFileDialog::helpRequested, dialog.get(), request.Help);
  }
  return dialog;
}

void TFileDialog::SetPurpose(const std::string& purpose) {
  purpose_ = purpose;
  if (!PurposeFolders().Folder) return;
  const std::string folder = PurposeFolders().Folder(purpose);
  struct stat info {};
  if (!folder.empty() && folder.back() == '/' && ::stat(folder.c_str(), &info) == 0 &&
      S_ISDIR(info.st_mode)) {
    SetFolder(folder);
  }
}

void TFileDialog::SetFolderMemory(FolderMemory memory) { PurposeFolders() = std::move(memory); }

}  // namespace tarnel
