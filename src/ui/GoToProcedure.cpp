#include "ui/GoToProcedure.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

#include "platform/CodePage.h"
#include "session/ProcedureSearch.h"
#include "session/ProjectSession.h"
#include "ui/Cp932Text.h"

namespace tarnel {

GoToProcedure::GoToProcedure(const ProjectSession& session, QWidget* parent)
    : QFrame(parent, Qt::Popup), session_(session) {
  setObjectName(QStringLiteral("GoToProcedure"));
  setFrameStyle(QFrame::Box | QFrame::Plain);
  auto* box = new QVBoxLayout(this);
  box->setContentsMargins(4, 4, 4, 4);
  Input = new QLineEdit(this);
  Input->setObjectName(QStringLiteral("GoToInput"));
  Input->setPlaceholderText(QStringLiteral("Go to procedure: Module.Name"));
  List = new QListWidget(this);
  List->setObjectName(QStringLiteral("GoToList"));
  List->setUniformItemSizes(true);
  box->addWidget(Input);
  box->addWidget(List);
  Input->installEventFilter(this);
  connect(Input, &QLineEdit::textChanged, this, &GoToProcedure::Search);
  connect(List, &QListWidget::itemActivated, this,
          [this](QListWidgetItem* item) { Choose(List->row(item)); });
  resize(360, 260);
}

GoToProcedure::~GoToProcedure() = default;

void GoToProcedure::Open() {
  if (QWidget* window = parentWidget() ? parentWidget()->window() : nullptr) {
    const int width = std::max(360, window->width() * 2 / 3);
    resize(width, 260);
    move(window->mapToGlobal(QPoint((window->width() - width) / 2, 24)));
  }
  Input->clear();
  Search({});
  show();
  raise();
  Input->setFocus();
}

void GoToProcedure::Search(const QString& text) {
  List->clear();
  shown_.clear();
  const std::string utf8 = text.toStdString();
  if (utf8.empty() || !RepresentableInCp932(utf8)) return;
  // Built on first use after an analysis: most sessions never search.
  if (!search_) search_ = std::make_unique<ProcedureSearch>(session_.Context().Result.SymbolList);
  for (const ProcedureSearch::Match& match : search_->Find(Utf8ToCp932(utf8), kMaxShown)) {
    shown_.push_back(match.Record);
    auto* item = new QListWidgetItem(
        FromRecordText(match.Record->FullName, session_.RecordEncoding()), List);
    item->setToolTip(FromRecordText(match.Record->Text, session_.RecordEncoding()));
  }
  if (!shown_.empty()) List->setCurrentRow(0);
}

const TPassRec* GoToProcedure::RecordAt(int row) const {
  if (row < 0 || row >= Count()) return nullptr;
  return shown_[static_cast<std::size_t>(row)];
}

void GoToProcedure::Choose(int row) {
  const TPassRec* proc = RecordAt(row);
  if (proc == nullptr) return;
  hide();
  if (Chosen) Chosen(*proc);
}

void GoToProcedure::Forget() {
  hide();
  List->clear();
  shown_.clear();
  search_.reset();
}

bool GoToProcedure::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Input && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    switch (key->key()) {
      case Qt::Key_Up:
      case Qt::Key_Down:
      case Qt::Key_PageUp:
      case Qt::Key_PageDown:
        // The field keeps the focus while the arrows move through the list.
        QApplication::sendEvent(List, event);
        return true;
      case Qt::Key_Return:
      case Qt::Key_Enter:
        Choose(List->currentRow());
        return true;
      case Qt::Key_Escape:
        hide();
        return true;
      default:
        break;
    }
  }
  return QFrame::eventFilter(watched, event);
}

}  // namespace tarnel
