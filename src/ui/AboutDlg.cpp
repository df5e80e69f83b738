#include "ui/AboutDlg.h"

#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>

#include "ui/Fonts.h"

namespace tarnel {

namespace {

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, const QFont& font,
                  const QColor& color, int left, int top) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setFont(font);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, color);
  label->setPalette(palette);
  label->move(left, top);
  label->adjustSize();
  return label;
}

}  // namespace

QPixmap TAboutDlg::ProgramPicture(int size, qreal devicePixelRatio) {
  QPixmap pixmap(QSize(size, size) * devicePixelRatio);
  pixmap.setDevicePixelRatio(devicePixelRatio);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 64.0, size / 64.0);
  // Three stacked source sheets with lines of text and a call arrow between two of them.
  for (int i = 2; i >= 0; --i) {
    QRectF sheet(6 + i * 6, 4 + i * 6, 34, 42);
    p.setPen(QPen(QColor(40, 40, 90), 1.5));
    p.setBrush(i == 0 ? QColor(255, 255, 240) : QColor(225, 230, 245));
    p.drawRect(sheet);
  }
  p.setPen(QPen(QColor(60, 60, 60), 1.5));
  for (int row = 0; row < 5; ++row)
    p.drawLine(QPointF(11, 11 + row * 7), QPointF(34, 11 + row * 7));
  p.setPen(QPen(QColor(200, 30, 30), 2.5));
  QPainterPath arrow;
  arrow.moveTo(34, 18);
  arrow.cubicTo(52, 18, 52, 40, 40, 40);
  p.setBrush(Qt::NoBrush);
  p.drawPath(arrow);
  p.setBrush(QColor(200, 30, 30));
  p.drawPolygon(QPolygonF({QPointF(40, 35), QPointF(40, 45), QPointF(34, 40)}));
  // The magnifying glass.
  p.setPen(QPen(QColor(30, 30, 30), 4));
  p.setBrush(QColor(170, 220, 255, 160));
  p.drawEllipse(QPointF(42, 44), 11, 11);
  p.setPen(QPen(QColor(120, 70, 20), 6, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(50, 52), QPointF(60, 62));
  return pixmap;
}

TAboutDlg::TAboutDlg(QWidget* parent) : QDialog(parent) {
  setObjectName("AboutDlg");
  setWindowTitle(QStringLiteral("Tarnel"));
  setFont(DesignedFont(kFormFace, 12));
  setFixedSize(308, 179);
  setProperty("HelpContext", 1);

  OKBtn = new QPushButton(QStringLiteral("OK"), this);
  OKBtn->setObjectName("OKBtn");
  OKBtn->setGeometry(118, 154, 74, 24);
  OKBtn->setDefault(true);
  connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);

  Bevel1 = new QFrame(this);
  Bevel1->setObjectName("Bevel1");
  Bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
  Bevel1->setGeometry(8, 8, 292, 137);

  Image1 = new QLabel(this);
  Image1->setObjectName("Image1");
  Image1->setGeometry(16, 16, 89, 89);
  Image1->setScaledContents(true);
  Image1->setPixmap(ProgramPicture(89, devicePixelRatioF()));

  const QFont big = DesignedFont(kAboutFace, 19, true);
  Label1 = MakeLabel(this, "Label1", "Visual Basic 4.0", big, Qt::black, 112, 64);
  Label2 = MakeLabel(this, "Label2", "Tarnel", big, Qt::black, 136, 16);
  Label3 = MakeLabel(this, "Label3", "for", big, Qt::black, 160, 40);
  Label4 = MakeLabel(this, "Label4", "Ver " TARNEL_VERSION, DesignedFont(kAboutFace, 13), Qt::blue, 112, 96);
}

}  // namespace tarnel
