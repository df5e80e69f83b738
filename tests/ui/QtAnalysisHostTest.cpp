#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <utility>

#include "UiFixture.h"
#include "ui/QtAnalysisHost.h"
#include "ui/QtUserPrompts.h"

namespace tarnel {
namespace {

using test::Strings;

// Many missing modules and a module that shrinks once the declarations are read: the boxes that
// one analysis gives over and over.
class RepeatedMessagesTest : public test::UiFixture {
 protected:
  void SetUp() override {
    UiFixture::SetUp();
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
    for (const test::RecordingPrompts::Box& box : prompts.Boxes) {
      if (box.Kind == kind) texts.push_back(box.Text);
    }
    return texts;
  }

  std::string project;
};

TEST_F(RepeatedMessagesTest, SkippingTheRestKeepsTheFirstBoxOfEachKindAndCountsTheOthers) {
  // The first box of each kind is answered with "Skip the rest".
  prompts.BoxAnswers = {MessageAnswer::SkipRest, MessageAnswer::SkipRest};
  OpenShrinking();
  EXPECT_EQ(Texts(MessageKind::Repeated),
            (Strings{"File Not Found : " + dir.File("p/Gone1.bas"), "Eof"}));
  EXPECT_EQ(prompts.Boxes.size(), 2u);
  for (const test::RecordingPrompts::Box& box : prompts.Boxes) EXPECT_EQ(box.Over, &main());
  EXPECT_TRUE(main().Session().ViewsReady());
  EXPECT_EQ(main().PanelText(0), "Ready");
  EXPECT_TRUE(main().StatusNote()->isVisibleTo(&main()));
  EXPECT_EQ(main().StatusNote()->text(), "Skipped messages: 2 File Not Found, 2 Eof");

  // The choice holds for one analysis only: the next one shows its first boxes again.
  prompts.Boxes.clear();
  OpenShrinking();
  EXPECT_EQ(Texts(MessageKind::Repeated),
            (Strings{"File Not Found : " + dir.File("p/Gone1.bas"),
                     "File Not Found : " + dir.File("p/Gone2.bas"),
                     "File Not Found : " + dir.File("p/Gone3.bas"), "Eof", "Eof", "Eof"}));
  EXPECT_FALSE(main().StatusNote()->isVisibleTo(&main()));
  EXPECT_EQ(main().StatusNote()->text(), "");
}

TEST_F(RepeatedMessagesTest, SkippingOneKindLeavesTheOtherShown) {
  // Three missing modules, then the first "Eof", which skips the rest of its kind.
  prompts.BoxAnswers = {MessageAnswer::Ok, MessageAnswer::Ok, MessageAnswer::Ok,
                        MessageAnswer::SkipRest};
  OpenShrinking();
  EXPECT_EQ(Texts(MessageKind::Repeated).size(), 4u);
  EXPECT_EQ(Texts(MessageKind::Repeated).back(), "Eof");
  EXPECT_EQ(main().StatusNote()->text(), "Skipped messages: 2 Eof");
}

TEST_F(RepeatedMessagesTest, TheBoxOffersSkipTheRestBesideOk) {
  QtUserPrompts real;  // the real box, closed from a timer
  QtAnalysisHost host(&main(), real);
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
