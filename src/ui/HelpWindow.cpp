#include "ui/HelpWindow.h"

#include <QShortcut>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "platform/Paths.h"
#include "platform/TextFile.h"

namespace tarnel {

THelpWindow::THelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("HelpWindow");
  setWindowTitle(QStringLiteral("Tarnel Help"));
  resize(560, 480);
  Browser = new QTextBrowser(this);
  Browser->setOpenExternalLinks(false);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(Browser);
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  escape->setContext(Qt::WindowShortcut);
  connect(escape, &QShortcut::activated, this, &QWidget::close);
}

void THelpWindow::ShowContext(int context) {
  if (!FileExists(helpFile_)) throw FileOpenError(helpFile_);
  QString html = QString::fromUtf8(ReadWholeFile(helpFile_));
  Browser->setHtml(html);
  anchor_ = QStringLiteral("context%1").arg(context);
  if (!html.contains(QStringLiteral("name=\"%1\"").arg(anchor_))) anchor_ = "context1";
  show();
  raise();
  Browser->scrollToAnchor(anchor_);
}

}  // namespace tarnel
