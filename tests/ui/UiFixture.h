#pragma once

#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QString>
#include <QStringList>
#include <QTreeView>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Paths.h"
#include "reports/LineSink.h"
#include "reports/ReportWriter.h"
#include "support/RecordingPrompts.h"
#include "support/TempDir.h"
#include "ui/MainForm.h"
#include "ui/ProgramWindows.h"

namespace tarnel::test {

// A program folder "prog/" with the dictionary and help file, projects beside it, and the
// program's windows created on demand. What the windows ask is answered by the test's script and
// recorded; nothing is shown and no program is started.
class UiFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    dir.Write("prog/resv.dic", ReadNative(SourcePath("data/resv.dic")));
    dir.Write("prog/xref.hlp", ReadNative(SourcePath("data/xref.hlp")));
  }
  void TearDown() override {
    windows.reset();
    // An answer left over is a dialog or box that the test expected and the windows never asked.
    EXPECT_TRUE(prompts.AllAnswered());
  }

  // Creates the windows as the program does, with these command-line arguments (native bytes).
  TMainForm& Start(std::vector<std::string> arguments = {}, std::string programDir = {}) {
    if (programDir.empty()) programDir = ProgramDir();
    windows = std::make_unique<TProgramWindows>(prompts, programDir, std::move(arguments));
    return main();
  }
  TMainForm& main() { return *windows->MainForm; }
  std::string ProgramDir() const { return NativeToEngine(dir.File("prog/")); }
  std::string Prog(std::string_view name) const { return dir.File("prog/" + std::string(name)); }

  // Module1 (Main calls Bump; Bump) in "name"/Demo.vbp; returns the project's engine path.
  std::string WriteDemo(const std::string& folder = "demo") {
    dir.WriteLines(folder + "/Demo.vbp", {"Module=Module1; Module1.bas"});
    dir.WriteLines(
        folder + "/Module1.bas",
        {"Attribute VB_Name = \"Module1\"", "Public Sub Main()", "    Bump 1", "End Sub",
         "Private Function Bump(n As Integer) As Integer", "    Bump = n + 1", "End Function"});
    return NativeToEngine(dir.File(folder + "/Demo.vbp"));
  }

  // The tree's captions in tree order, indented with one blank per depth.
  std::vector<std::string> TreeCaptions() const;

  // The bytes of the F, B, S report of the open project, as the writer makes them.
  std::string ExpectedReportBytes(const std::string& caption) {
    MemoryLineSink expected;
    WriteXrefLines(expected,
                   {main().Session().Tree(), main().Session().Result().SymbolList, caption}, {});
    std::string bytes;
    for (const std::string& line : expected.Lines) bytes += line + "\r\n";
    return bytes;
  }

  TempDir dir;
  RecordingPrompts prompts;
  std::unique_ptr<TProgramWindows> windows;
  // The texts of the boxes and the started command lines, as the prompts recorded them.
  std::vector<std::string>& messages = prompts.Messages;
  std::vector<std::string>& errors = prompts.Errors;
  std::vector<std::string>& questions = prompts.Questions;
  std::vector<std::string>& started = prompts.Started;
};

inline std::vector<std::string> UiFixture::TreeCaptions() const {
  std::vector<std::string> captions;
  const QAbstractItemModel* model = windows->MainForm->TreeView1()->model();
  std::function<void(const QModelIndex&, int)> walk = [&](const QModelIndex& parent, int depth) {
    for (int row = 0; row < model->rowCount(parent); ++row) {
      QModelIndex index = model->index(row, 0, parent);
      captions.push_back(std::string(static_cast<std::size_t>(depth), ' ') +
                         index.data().toString().toStdString());
      walk(index, depth + 1);
    }
  };
  walk(QModelIndex(), 0);
  return captions;
}

using Strings = std::vector<std::string>;

// "表プロジェクト" in code page 932 bytes, as a folder unpacked from a Windows archive is named.
// Not UTF-8; the second byte of "表" is a backslash.
inline const std::string kSjisFolder = "\x95\x5C\x83\x76\x83\x8D\x83\x57\x83\x46\x83\x4E\x83\x67";

}  // namespace tarnel::test
