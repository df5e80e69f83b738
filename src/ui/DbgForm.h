#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace tarnel {

// The progress dialog of the cross-reference pass. Its Cancel button only notes the request; the
// pass asks for it through its host and hides the dialog.
class TDbgForm : public QDialog {
  Q_OBJECT

 public:
  explicit TDbgForm(QWidget* parent = nullptr);

  // Whether Cancel was clicked since the dialog was last reset, at the start of a pass.
  bool CancelRequested() const { return cancelRequested_; }
  void ResetCancel() { cancelRequested_ = false; }

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
  bool cancelRequested_ = false;
};

}  // namespace tarnel
