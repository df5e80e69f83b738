#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <utility>

#include "UiFixture.h"
#include "ui/QtAnalysisHost.h"

namespace tarnel {
namespace {

using test::Strings;

// Many missing modules and a module that shrinks once the declarations are read: the boxes that
// one analysis gives over and over.
class RepeatedMessagesTest : public test::UiFixture {
 protected:
  void SetUp() override {
    UiFixture::SetUp();
    SetMessagePresenter([this](QWidget*, MessageKind kind, const QString& text) {
      boxes.emplace_back(kind, text.toStdString());
      return kind == MessageKind::Repeated && skip ? MessageAnswer::SkipRest : MessageAnswer::Ok;
    });
    dir.WriteLines("p/P.vbp", {"Module=Gone1; Gone1.bas", "Module=Gone2; Gone2.bas",
                               "Module=M; M.bas", "Module=Gone3; Gone3.bas"});
    WriteModule();
    project = NativeToEngine(dir.File("p/P.vbp"));
    Start();
  }
  // Three procedures; cut after the declaration scan, each of them ends early.
  void WriteModule() {
    dir.WriteLines("p/M.bas",
                   {"Attribute VB_Name = \"M\"", "Sub A()", "    x = 1", "End Sub", "Sub B()",
                    "    x = 2", "End Sub", "Sub C()", "    x = 3", "End Sub"});
  }
  void OpenShrinking() {
    WriteModule();
    QTimer::singleShot(0, [this] { dir.WriteLines("p/M.bas", {"Attribute VB_Name = \"M\""}); });
    main().OpenProject(project);
  }
  Strings Texts(MessageKind kind) const {
    Strings texts;
    for (const auto& [k, text] : boxes) {
      if (k == kind) texts.push_back(text);
    }
    return texts;
  }

  std::string project;
  std::vector<std::pair<MessageKind, std::string>> boxes;
  bool skip = false;
};

TEST_F(RepeatedMessagesTest, SkippingTheRestKeepsTheFirstBoxOfEachKindAndCountsTheOthers) {
  skip = true;
  OpenShrinking();
  EXPECT_EQ(Texts(MessageKind::Repeated),
            (Strings{"File Not Found : " + dir.File("p/Gone1.bas"), "Eof"}));
  EXPECT_EQ(boxes.size(), 2u);
  EXPECT_TRUE(main().Session().ViewsReady());
  EXPECT_EQ(main().PanelText(0), "Ready");
  EXPECT_TRUE(main().StatusNote()->isVisibleTo(&main()));
  EXPECT_EQ(main().StatusNote()->text(), "Skipped messages: 2 File Not Found, 2 Eof");

  // The choice holds for one analysis only: the next one shows its first boxes again.
  boxes.clear();
  skip = false;
  OpenShrinking();
  EXPECT_EQ(Texts(MessageKind::Repeated),
            (Strings{"File Not Found : " + dir.File("p/Gone1.bas"),
                     "File Not Found : " + dir.File("p/Gone2.bas"),
                     "File Not Found : " + dir.File("p/Gone3.bas"), "Eof", "Eof", "Eof"}));
  EXPECT_FALSE(main().StatusNote()->isVisibleTo(&main()));
  EXPECT_EQ(main().StatusNote()->text(), "");
}

TEST_F(RepeatedMessagesTest, SkippingOneKindLeavesTheOtherShown) {
  SetMessagePresenter([this](QWidget*, MessageKind kind, const QString& text) {
    boxes.emplace_back(kind, text.toStdString());
    return text == "Eof" ? MessageAnswer::SkipRest : MessageAnswer::Ok;
  });
  OpenShrinking();
  EXPECT_EQ(Texts(MessageKind::Repeated).size(), 4u);
  EXPECT_EQ(main().StatusNote()->text(), "Skipped messages: 2 Eof");
}

TEST_F(RepeatedMessagesTest, TheBoxOffersSkipTheRestBesideOk) {
  SetMessagePresenter({});  // the real box, closed from a timer
  QtAnalysisHost host(&main());
  Strings buttons;
  auto clickSkip = [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    for (QAbstractButton* button : box->buttons()) buttons.push_back(button->text().toStdString());
    for (QAbstractButton* button : box->buttons()) {
      if (button->text() == "&Skip the rest") button->click();
    }
    if (box->isVisible()) box->done(0);  // never leave a box open
  };
  // Until the box is up, and for any box that should not have come.
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, clickSkip);
  closer.start(10);
  host.ShowRepeatedMessage(RepeatedMessage::FileNotFound, "File Not Found : a.bas");
  host.ShowRepeatedMessage(RepeatedMessage::FileNotFound, "File Not Found : b.bas");
  closer.stop();
  EXPECT_EQ(host.SkippedMessages(RepeatedMessage::FileNotFound), 1);
  EXPECT_EQ(host.SkippedMessages(RepeatedMessage::Eof), 0);
  ASSERT_EQ(buttons.size(), 2u);
  EXPECT_NE(std::find(buttons.begin(), buttons.end(), "&Skip the rest"), buttons.end());
  host.ResetRepeatedMessages();
  EXPECT_EQ(host.SkippedMessages(RepeatedMessage::FileNotFound), 0);
}

}  // namespace
}  // namespace tarnel
