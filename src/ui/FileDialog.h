#pragma once

#include <QAbstractListModel>
#include <QDialog>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/FolderListing.h"

class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QListView;
class QModelIndex;
class QPushButton;

namespace tarnel {

class UserPrompts;

// A native file name as the user reads it: UTF-8 names as they are, any other bytes (names from
// a Windows archive) as code page 932.
QString ShownFileName(std::string_view nativeName);

// The entries of one folder, listed by the bytes of their names: folders first, then the files
// whose extension one of the patterns allows, each group in name order.
class NativeFolderModel : public QAbstractListModel {
 public:
  explicit NativeFolderModel(QObject* parent = nullptr);

  // nativeFolder ends in "/".
  void SetFolder(std::string nativeFolder);
  const std::string& Folder() const { return folder_; }
  // Patterns such as "*.vbp" (letter case ignored) or "*"; empty allows every file.
  void SetPatterns(QStringList patterns);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;

  const FolderEntry& Entry(int row) const { return entries_[static_cast<std::size_t>(row)]; }
  // The row whose shown name is shown, or -1.
  int RowOf(const QString& shown) const;

 private:
  void Reload();
  bool Allowed(const FolderEntry& entry) const;

  std::string folder_;
  QStringList patterns_;
  std::vector<FolderEntry> entries_;
};

// The program's open and save dialog. Qt's own dialog drops names that are not valid in the
// locale's encoding; this one lists and returns native bytes. Its own questions and errors go
// through prompts.
class TFileDialog : public QDialog {
  Q_OBJECT

 public:
  enum class Mode { Open, Save };
  TFileDialog(QWidget* parent, const QString& title, Mode mode, UserPrompts& prompts);

  // Filters such as "CSVﾌｧｲﾙ (*.csv)"; the first is selected.
  void setNameFilters(const QStringList& filters);
  QStringList nameFilters() const;
  void selectNameFilter(const QString& filter);
  QString selectedNameFilter() const;
  // The extension that a name typed without one gets: the selected filter's, else this one.
  void setDefaultSuffix(const QString& suffix) { defaultSuffix_ = suffix; }
  QString defaultSuffix() const;

  // Shows nativeFolder (ending in "/").
  void SetFolder(const std::string& nativeFolder);
  // Names what the dialog is for ("Open", "Report"...): it starts in the folder where the last
  // dialog of that purpose was accepted, when the folder memory knows one that still exists, and
  // tells the memory the folder it is accepted in.
  void SetPurpose(const std::string& purpose);
  // The memory behind SetPurpose (native folders ending in "/"); empty functions remember nothing.
  struct FolderMemory {
    std::function<std::string(const std::string& purpose)> Folder;
    std::function<void(const std::string& purpose, const std::string& folder)> Chosen;
  };
  static void SetFolderMemory(FolderMemory memory);
  // Goes to the folder of a native path and puts its name in the name field.
  void selectFile(const std::string& nativePath);
  // What the name field holds, as typed.
  void SetFileName(const QString& name);
  // Opens the entry of a row as a double-click does: a folder is entered, a file chosen.
  void ActivateRow(int row);

  // The chosen file's native path once the dialog was accepted.
  const std::string& SelectedFile() const { return selected_; }

  NativeFolderModel* Model() const { return model_; }
  QPushButton* HelpButton() const { return help_; }

  // Takes the name field: a folder is entered, a file chosen (Save adds the extension and asks
  // before replacing; Open wants an existing file).
  void accept() override;

 signals:
  void helpRequested();

 private:
  void NameFilterChanged();
  // The native path that the name field stands for.
  std::string TypedPath() const;

  Mode mode_;
  UserPrompts& prompts_;
  NativeFolderModel* model_;
  QLabel* folderLabel_;
  QListView* list_;
  QLineEdit* name_;
  QComboBox* types_;
  QDialogButtonBox* buttons_;
  QPushButton* help_;
  QString defaultSuffix_;
  // The entry last put into the name field by a click, so that its bytes are used while the
  // field still shows it.
  std::string pickedName_;
  QString pickedShown_;
  std::string selected_;
  std::string purpose_;
};

// What an open or save dialog shows.
struct FileRequest {
  TFileDialog::Mode Mode = TFileDialog::Mode::Open;
  QString Title;
  QString ObjectName;
  QStringList Filters;  // the first is selected
  QString DefaultSuffix;
  // A native path, or a bare name for the start folder, put into the name field; empty for none.
  std::string Preselect;
  // Which dialog this is ("Open", "Report", ...): it starts in the folder last used for it.
  std::string Purpose;
  // What the Help button opens; nothing when empty.
  std::function<void()> Help;
};

// The dialog that request describes, a child of over.
std::unique_ptr<TFileDialog> MakeFileDialog(QWidget* over, const FileRequest& request,
                                            UserPrompts& prompts);

}  // namespace tarnel
