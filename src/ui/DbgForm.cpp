#include "ui/DbgForm.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "ui/Fonts.h"

namespace tarnel {

TDbgForm::TDbgForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setObjectName("DbgForm");
  setWindowTitle(QStringLiteral("プロジェクト解析中"));
  setFont(DesignedFont(kFormFace, 12));
  setFixedSize(303, 113);

  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setObjectName("ProgressBar1");
  ProgressBar1->setGeometry(16, 32, 262, 16);
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setValue(0);
  ProgressBar1->setTextVisible(false);

  DbgPrg = new QLabel(QStringLiteral("DbgPrg"), this);
  DbgPrg->setObjectName("DbgPrg");
  DbgPrg->setFont(DesignedFont(kFormFace, 13));
  DbgPrg->move(48, 56);
  DbgPrg->setMinimumWidth(240);

  DbgProc = new QLabel(QStringLiteral("DbgProc"), this);
  DbgProc->setObjectName("DbgProc");
  DbgProc->setFont(DesignedFont(kFormFace, 13));
  DbgProc->move(40, 8);
  DbgProc->setMinimumWidth(250);

  btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
  btnCancel->setObjectName("btnCancel");
  btnCancel->setGeometry(96, 80, 75, 25);
  btnCancel->setAutoDefault(false);
  connect(btnCancel, &QPushButton::clicked, this, &TDbgForm::btnCancelClick);
}

void TDbgForm::btnCancelClick() { cancelRequested_ = true; }

void TDbgForm::closeEvent(QCloseEvent* event) { event->ignore(); }

}  // namespace tarnel
