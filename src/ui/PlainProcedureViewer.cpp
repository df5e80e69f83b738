#include "ui/PlainProcedureViewer.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "analysis/Analysis.h"
#include "platform/CodePage.h"
#include "platform/TextFile.h"

namespace tarnel {

PlainProcedureViewer::PlainProcedureViewer(const AnalysisContext& ctx, QWidget* parent)
    : QWidget(parent, Qt::Window), ctx_(ctx) {
  setObjectName("ProcedureWindow");
  resize(560, 400);
  Text = new QPlainTextEdit(this);
  Text->setReadOnly(true);
  Text->setLineWrapMode(QPlainTextEdit::NoWrap);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(Text);
}

void PlainProcedureViewer::ShowProcedure(const TPassRec& proc, const std::string& markName) {
  const TPassRec& module = FindSymbol(ctx_, proc.ParentKey);
  TextReader reader(module.Text);
  reader.SkipLines(proc.StartLine > 0 ? proc.StartLine - 1 : 0);
  std::string lines;
  for (int i = 0; i < proc.BodyLines && !reader.AtEnd(); ++i) {
    lines += reader.ReadLine();
    lines += '\n';
  }
  Text->setPlainText(QString::fromStdString(Cp932ToUtf8(lines)));
  setWindowTitle(QString::fromStdString(Cp932ToUtf8(proc.Name + " - " + markName)));
  show();
  raise();
}

}  // namespace tarnel
