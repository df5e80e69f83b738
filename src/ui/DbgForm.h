#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace tarnel {

// The progress dialog of the cross-reference pass. Its Cancel button only sets the cancel flag;
// the pass polls it and hides the dialog.
class TDbgForm : public QDialog {
  Q_OBJECT

 public:
  explicit TDbgForm(QWidget* parent = nullptr);

  // The flag that btnCancelClick sets (the analysis context's CancelRequested).
  void SetCancelFlag(bool* flag) { cancelFlag_ = flag; }

  QProgressBar* ProgressBar1;
  QLabel* DbgPrg;
  QLabel* DbgProc;
  QPushButton* btnCancel;

 public slots:
  void btnCancelClick();
  // Escape and the window manager's close do not end the pass.
  void reject() override {}

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  bool* cancelFlag_ = nullptr;
};

}  // namespace tarnel
