#include <filesystem>
#include <memory>

#include "UiFixture.h"
#include "support/RecordingPrompts.h"
#include "support/SessionFixture.h"
#include "ui/DspForm.h"
#include "ui/FileDialog.h"
#include "ui/MainForm.h"

namespace tarnel {
namespace {

using test::Strings;

// The report of the main window and the source window's Save, aimed at the files of the open
// project, at names that differ from existing ones only in letter case, and at free names.
class MainFormSaveTest : public test::UiFixture {
 protected:
  void SetUp() override {
    UiFixture::SetUp();
    project = WriteDemo();
    Start();
    main().OpenProject(project);
  }
  // "O&utput File" with name chosen in the dialog (native path), replacing a file of that name.
  void Output(const std::string& name) {
    prompts.WorkFileDialog([this, name](TFileDialog& files) {
      if (std::filesystem::exists(name)) prompts.ConfirmAnswers = {true};
      files.selectFile(name);
      files.accept();
    });
    if (answerYes) prompts.BoxAnswers = {MessageAnswer::Yes};
    main().OutputFile1()->trigger();
    prompts.BoxAnswers.clear();  // no question about the name came
  }

  std::string project;
  bool answerYes = false;
};

TEST_F(MainFormSaveTest, AReportIsNeverWrittenOverTheProjectOrItsModules) {
  const std::string module = test::ReadNative(dir.File("demo/Module1.bas"));
  const std::string vbp = test::ReadNative(dir.File("demo/Demo.vbp"));
  for (const char* input : {"demo/Module1.bas", "demo/Demo.vbp", "prog/resv.dic"}) {
    errors.clear();
    Output(dir.File(input));
    EXPECT_EQ(errors, Strings{"ﾌｧｲﾙ " + dir.File(input) + " を作成できません"}) << input;
  }
  EXPECT_EQ(test::ReadNative(dir.File("demo/Module1.bas")), module);
  EXPECT_EQ(test::ReadNative(dir.File("demo/Demo.vbp")), vbp);
  EXPECT_TRUE(questions.empty());
  // An existing file that the analysis did not read is replaced as chosen.
  errors.clear();
  dir.Write("demo/old.txt", "old");
  Output(dir.File("demo/old.txt"));
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(test::ReadNative(dir.File("demo/old.txt")), ExpectedReportBytes(project));
}

TEST_F(MainFormSaveTest, ANameThatDiffersOnlyInCaseAsksAndNeverTouchesTheOtherFile) {
  dir.Write("out/report.txt", "keep");
  Output(dir.File("out/REPORT.TXT"));
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_NE(questions[0].find("\"report.txt\""), std::string::npos) << questions[0];
  EXPECT_NE(questions[0].find("\"REPORT.TXT\""), std::string::npos) << questions[0];
  EXPECT_FALSE(std::filesystem::exists(dir.File("out/REPORT.TXT")));  // declined

  answerYes = true;
  Output(dir.File("out/REPORT.TXT"));
  EXPECT_EQ(questions.size(), 2u);
  EXPECT_EQ(test::ReadNative(dir.File("out/report.txt")), "keep");
  EXPECT_EQ(test::ReadNative(dir.File("out/REPORT.TXT")), ExpectedReportBytes(project));
  // A module spelt in capitals is another file too: asked, then written beside it.
  Output(dir.File("demo/MODULE1.BAS"));
  EXPECT_EQ(questions.size(), 3u);
  EXPECT_NE(test::ReadNative(dir.File("demo/Module1.bas")), ExpectedReportBytes(project));
  EXPECT_TRUE(errors.empty());
}

class DspFormSaveTest : public test::SessionFixture {
 protected:
  void SetUp() override {
    Lines("Demo.vbp", {"Module=Module1; Module1.bas"});
    Lines("Module1.bas", {"Attribute VB_Name = \"Module1\"", "Sub Main()", "    Bump", "End Sub",
                          "Sub Bump()", "End Sub"});
    Analyze();
    form = std::make_unique<TDspForm>(owner.session, prompts);
    form->ShowProcedure(Proc("Main"), "");
  }
  void Save(const std::string& name) {
    prompts.ChooseFileName(name);
    if (answerYes) prompts.BoxAnswers = {MessageAnswer::Yes};
    form->SavetoFile1->trigger();
    prompts.BoxAnswers.clear();
  }

  test::RecordingPrompts prompts;
  std::unique_ptr<TDspForm> form;
  Strings& errors = prompts.Errors;
  Strings& questions = prompts.Questions;
  bool answerYes = false;
};

TEST_F(DspFormSaveTest, SourceIsNeverSavedOverAModuleAndAsksBesideAnotherSpelling) {
  const std::string module = test::ReadNative(dir.File("Module1.bas"));
  Save(dir.File("Module1.bas"));
  EXPECT_EQ(errors, Strings{"ﾌｧｲﾙ " + dir.File("Module1.bas") + " を作成できません"});
  EXPECT_EQ(test::ReadNative(dir.File("Module1.bas")), module);

  Save(dir.File("MODULE1.BAS"));
  EXPECT_EQ(questions.size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(dir.File("MODULE1.BAS")));
  answerYes = true;
  Save(dir.File("MODULE1.BAS"));
  EXPECT_EQ(test::ReadNative(dir.File("MODULE1.BAS")), "Sub Main()\r\n    Bump\r\nEnd Sub\r\n");
  EXPECT_EQ(test::ReadNative(dir.File("Module1.bas")), module);
  EXPECT_EQ(errors.size(), 1u);
}

}  // namespace
}  // namespace tarnel
