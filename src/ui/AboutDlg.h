#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

namespace tarnel {

// The about box, shown modally from "&About...".
class TAboutDlg : public QDialog {
  Q_OBJECT

 public:
  explicit TAboutDlg(QWidget* parent = nullptr);

  // The program's picture: documents under a magnifying glass, drawn at any size.
  static QPixmap ProgramPicture(int size, qreal devicePixelRatio = 1.0);

  QPushButton* OKBtn;
  QFrame* Bevel1;
  QLabel* Image1;
  QLabel* Label1;
  QLabel* Label2;
  QLabel* Label3;
  QLabel* Label4;
};

}  // namespace tarnel
