#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <string>

#include "platform/Paths.h"
#include "support/TempDir.h"
#include "ui/FileDialog.h"
#include "ui/QtUserPrompts.h"

namespace tarnel {
namespace {

// The real boxes and dialogs, worked from a timer once they are up.
class QtUserPromptsTest : public ::testing::Test {
 protected:
  // Runs work on the first modal widget that comes up while ask runs; any later one is closed.
  template <typename Ask>
  auto WhileUp(const std::function<void(QWidget*)>& work, Ask ask) {
    bool done = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      QWidget* modal = QApplication::activeModalWidget();
      if (modal == nullptr) return;
      if (!done) {
        done = true;
        work(modal);
      }
      if (modal->isVisible()) static_cast<QDialog*>(modal)->reject();  // never leave one open
    });
    poll.start(10);
    return ask();
  }

  QtUserPrompts prompts;
  test::TempDir dir;
};

TEST_F(QtUserPromptsTest, ADialogsQuestionCarriesItsTitleAndDefaultsToNo) {
  std::string title;
  QString defaultButton;
  const bool declined = WhileUp(
      [&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        title = box->windowTitle().toStdString();
        defaultButton = box->defaultButton()->text();
        box->defaultButton()->click();
      },
      [&] { return prompts.Confirm(nullptr, "Save", "x already exists."); });
  EXPECT_FALSE(declined);
  EXPECT_EQ(title, "Save");
  EXPECT_EQ(defaultButton, "&No");
  const bool replaced = WhileUp(
      [](QWidget* modal) { qobject_cast<QMessageBox*>(modal)->button(QMessageBox::Yes)->click(); },
      [&] { return prompts.Confirm(nullptr, "Save", "x already exists."); });
  EXPECT_TRUE(replaced);
}

TEST_F(QtUserPromptsTest, BoxesAreTitledTarnelAndGiveTheButtonThatClosedThem) {
  std::string title;
  const MessageAnswer yes = WhileUp(
      [&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        title = box->windowTitle().toStdString();
        box->button(QMessageBox::Yes)->click();
      },
      [&] { return prompts.Show(nullptr, MessageKind::Question, "Go on?"); });
  EXPECT_EQ(yes, MessageAnswer::Yes);
  EXPECT_EQ(title, "Tarnel");
  // Escape closes a question with No and the other boxes with OK.
  const auto escape = [](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); };
  EXPECT_EQ(WhileUp(escape, [&] { return prompts.Show(nullptr, MessageKind::Question, "?"); }),
            MessageAnswer::No);
  for (MessageKind kind : {MessageKind::Message, MessageKind::Error, MessageKind::Repeated}) {
    EXPECT_EQ(WhileUp(escape, [&] { return prompts.Show(nullptr, kind, "x"); }), MessageAnswer::Ok);
  }
}

TEST_F(QtUserPromptsTest, TheFileDialogIsMadeAsRequestedAndGivesTheChosenFile) {
  dir.Write("p/Demo.vbp", "");
  FileRequest request;
  request.Mode = TFileDialog::Mode::Open;
  request.Title = QStringLiteral("Open");
  request.ObjectName = QStringLiteral("OpenDialog");
  request.Filters = {QStringLiteral("VisualBasic4.0 Project (*.vbp)")};
  request.Preselect = dir.File("p/Demo.vbp");
  int helped = 0;
  request.Help = [&] { ++helped; };
  std::string name;
  QStringList filters;
  const std::optional<std::string> chosen = WhileUp(
      [&](QWidget* modal) {
        auto* dialog = qobject_cast<TFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        name = (dialog->objectName() + " " + dialog->windowTitle()).toStdString();
        filters = dialog->nameFilters();
        dialog->HelpButton()->click();
        dialog->accept();  // the preselected name
      },
      [&] { return prompts.ChooseFile(nullptr, request); });
  EXPECT_EQ(chosen, dir.File("p/Demo.vbp"));
  EXPECT_EQ(name, "OpenDialog Open");
  EXPECT_EQ(filters, request.Filters);
  EXPECT_EQ(helped, 1);
  // Cancelled: nothing is chosen.
  EXPECT_EQ(WhileUp([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); },
                    [&] { return prompts.ChooseFile(nullptr, request); }),
            std::nullopt);
}

TEST_F(QtUserPromptsTest, AProgramThatCannotStartIsReportedAsNotStarted) {
  EXPECT_FALSE(prompts.StartProgram(dir.File("no-such-program") + " \"x\""));
  const std::string script = dir.Write("ok.sh", "#!/bin/sh\nexit 0\n");
  ASSERT_EQ(::chmod(script.c_str(), 0755), 0);
  EXPECT_TRUE(prompts.StartProgram(script));
}

}  // namespace
}  // namespace tarnel
