#pragma once

#include <QFrame>
#include <functional>
#include <memory>
#include <vector>

#include "analysis/Symbol.h"

class QLineEdit;
class QListWidget;

namespace tarnel {

class ProcedureSearch;
class ProjectSession;

// "Go to procedure": a popup with a field and the procedures whose "Module.Name" holds what is
// typed, the name's prefix first, then a word start, then anywhere. Enter or a double-click takes
// the highlighted one; Escape closes.
class GoToProcedure : public QFrame {
  Q_OBJECT

 public:
  static constexpr int kMaxShown = 200;

  GoToProcedure(const ProjectSession& session, QWidget* parent);
  ~GoToProcedure() override;

  // Shows the popup at the top of the parent window with an empty field.
  void Open();
  // Lists the matches of text (what typing does).
  void Search(const QString& text);
  int Count() const { return static_cast<int>(shown_.size()); }
  const TPassRec* RecordAt(int row) const;
  // Takes the match at row: closes and hands it to Chosen.
  void Choose(int row);
  // The records are about to go.
  void Forget();

  std::function<void(const TPassRec& proc)> Chosen;

  QLineEdit* Input;
  QListWidget* List;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  const ProjectSession& session_;
  std::unique_ptr<ProcedureSearch> search_;
  std::vector<const TPassRec*> shown_;
};

}  // namespace tarnel
