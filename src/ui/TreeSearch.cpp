#include "ui/TreeSearch.h"

#include <QKeyEvent>
#include <QSignalBlocker>
#include <QTreeView>

#include "platform/CodePage.h"
#include "session/TreeFilter.h"
#include "ui/ResultTreeModel.h"

namespace tarnel {

TreeSearch::TreeSearch(QTreeView* tree, ResultTreeModel* model, QWidget* parent)
    : QLineEdit(parent), tree_(tree), model_(model) {
  setObjectName(QStringLiteral("TreeSearch"));
  setPlaceholderText(QStringLiteral("Find procedure or module (Ctrl+F)"));
  setClearButtonEnabled(true);
  connect(this, &QLineEdit::textChanged, this, &TreeSearch::Search);
  connect(model_, &ResultTreeModel::TreeChanged, this, &TreeSearch::TreeChanged);
}

TreeSearch::~TreeSearch() = default;

void TreeSearch::TreeChanged() {
  // The filter points into the old tree; the new one starts unfiltered.
  filter_.reset();
  matchCount_ = 0;
  // The text goes without a search: the new tree is whole already. The line's own signal still
  // goes out, so that its clear button goes with the text.
  clearing_ = true;
  clear();
  clearing_ = false;
  setStyleSheet({});
}

void TreeSearch::Search(const QString& text) {
  if (clearing_) return;
  const ResultTree* tree = model_->Tree();
  if (tree == nullptr) return;
  if (!filter_) filter_ = std::make_unique<TreeFilter>(*tree);
  const std::string utf8 = text.toStdString();
  // A character that code page 932 lacks is in no name.
  if (utf8.empty() || RepresentableInCp932(utf8)) {
    matchCount_ = filter_->Apply(Utf8ToCp932(utf8));
  } else {
    filter_->Apply("\n");  // no name holds a line end
    matchCount_ = 0;
  }
  ShowFiltered();
  setStyleSheet(!text.isEmpty() && matchCount_ == 0
                    ? QStringLiteral("QLineEdit { background: #ffe0e0; }")
                    : QString());
}

void TreeSearch::ShowFiltered() {
  if (!model_->Filtered() && !filter_->Active()) return;  // nothing to undo
  // The selection model is quiet meanwhile: a reset and a restored current node are no choice of
  // the user's, and must not fill the lists again.
  const QModelIndex current = tree_->currentIndex();
  const int currentNode = model_->NodeOf(current);
  QItemSelectionModel* selection = tree_->selectionModel();
  const QSignalBlocker quiet(selection);
  tree_->setUpdatesEnabled(false);
  const ResultTree& tree = *model_->Tree();
  const bool wasFiltered = model_->Filtered();
  if (!wasFiltered && filter_->Active()) {
    openedBefore_.clear();
    for (int i = 0; i < tree.Count(); ++i) {
      if (!tree.Node(i).Children.empty() && tree_->isExpanded(model_->IndexOf(i)))
        openedBefore_.push_back(i);
    }
  }
  model_->SetFilter(filter_->Active() ? filter_.get() : nullptr);
  if (filter_->Active()) {
    // Open the way down to every match; a matching module stays closed.
    std::vector<char> opened(static_cast<std::size_t>(tree.Count()), 0);
    for (int node : filter_->Matches()) {
      for (int up = tree.Node(node).Parent; up >= 0 && !opened[static_cast<std::size_t>(up)];
           up = tree.Node(up).Parent) {
        opened[static_cast<std::size_t>(up)] = 1;
        tree_->setExpanded(model_->IndexOf(up), true);
      }
    }
  } else if (wasFiltered) {
    for (int node : openedBefore_) tree_->setExpanded(model_->IndexOf(node), true);
    openedBefore_.clear();
  }
  const QModelIndex restored = model_->IndexOf(currentNode);
  if (restored.isValid()) {
    selection->setCurrentIndex(restored, QItemSelectionModel::ClearAndSelect);
    tree_->scrollTo(restored);
  }
  tree_->setUpdatesEnabled(true);
  tree_->viewport()->update();
}

bool TreeSearch::SelectFirstMatch() {
  if (!filter_ || filter_->Matches().empty()) return false;
  const QModelIndex first = model_->IndexOf(filter_->Matches().front());
  if (!first.isValid()) return false;
  tree_->setFocus();
  tree_->setCurrentIndex(first);
  tree_->scrollTo(first);
  return true;
}

void TreeSearch::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      SelectFirstMatch();
      return;
    case Qt::Key_Escape:
      clear();
      return;
    case Qt::Key_Down:
      tree_->setFocus();  // on into the matches
      return;
    default:
      QLineEdit::keyPressEvent(event);
  }
}

}  // namespace tarnel
