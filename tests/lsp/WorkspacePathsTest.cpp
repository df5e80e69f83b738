#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

#include "lsp/Workspace.h"
#include "support/TempDir.h"

namespace tarnel::test {
namespace {

namespace fs = std::filesystem;

// An editor names a file by where it really is; the modules of a project must be known by the
// same path however the project reaches them: through a linked folder, as a linked file, up
// through "..", or not there at all.
TEST(WorkspacePathsTest, ModulesAreKnownByTheirRealPaths) {
  TempDir dir;
  const fs::path root = fs::canonical(dir.Path());
  const std::string sub = "Attribute VB_Name = \"M\"\r\nSub P()\r\nEnd Sub\r\n";
  dir.Write("shared/real/Lib.bas", sub);
  dir.Write("shared/Other.bas", sub);
  dir.Write("shared/Three.bas", sub);
  fs::create_directory_symlink(root / "shared/real", root / "linked");
  dir.WriteLines("proj/P.vbp", {"Module=Lib; ..\\linked\\Lib.bas", "Module=Two; Two.bas",
                                "Module=Three; ..\\shared\\Three.bas", "Module=Gone; Gone.bas"});
  fs::create_symlink(root / "shared/Other.bas", root / "proj/Two.bas");

  Workspace space({});
  space.AddFolders({root.string()});
  const std::vector<std::string> files = space.ModuleFiles();
  const std::set<std::string> found(files.begin(), files.end());
  const std::set<std::string> expected = {
      (root / "shared/real/Lib.bas").string(), (root / "shared/Other.bas").string(),
      (root / "shared/Three.bas").string(), (root / "proj/Gone.bas").string()};
  EXPECT_EQ(found, expected);
  EXPECT_EQ(space.ProceduresIn((root / "shared/Other.bas").string()).size(), 1u);
  EXPECT_EQ(space.ProceduresIn((root / "shared/real/Lib.bas").string()).size(), 1u);
}

// A module that two projects list is one file: its callers come once each, with each call once,
// though both projects' analyses find them.
TEST(WorkspaceCallsTest, AModuleListedByTwoProjectsGivesEachCallerOnce) {
  TempDir dir;
  const fs::path root = fs::canonical(dir.Path());
  dir.Write("Lib.bas", "Attribute VB_Name = \"Lib\"\r\nPublic Sub Target()\r\nEnd Sub\r\n");
  dir.Write(
      "Use.bas",
      "Attribute VB_Name = \"Use\"\r\nSub Caller()\r\n    Target\r\n    Target\r\nEnd Sub\r\n");
  dir.Write("More.bas", "Attribute VB_Name = \"More\"\r\nSub Other()\r\n    Target\r\nEnd Sub\r\n");
  dir.WriteLines("A.vbp", {"Module=Lib; Lib.bas", "Module=Use; Use.bas"});
  dir.WriteLines("B.vbp", {"Module=Lib; Lib.bas", "Module=Use; Use.bas", "Module=More; More.bas"});

  Workspace space({});
  space.AddFolders({root.string()});
  ASSERT_EQ(space.ProjectFiles().size(), 2u);
  const std::vector<ProcedureItem> lib = space.ProceduresIn((root / "Lib.bas").string());
  ASSERT_EQ(lib.size(), 1u);
  std::vector<std::pair<std::string, std::vector<int>>> callers;
  for (const CallItem& call : space.Incoming(lib[0])) {
    std::vector<int> lines;
    for (const SourceRange& range : call.FromRanges) lines.push_back(range.Start.Line);
    callers.emplace_back(call.Procedure.Name, lines);
  }
  const std::vector<std::pair<std::string, std::vector<int>>> expected = {{"Caller", {2, 3}},
                                                                          {"Other", {2}}};
  EXPECT_EQ(callers, expected);
  EXPECT_EQ(space.CallsOf(lib[0]).size(), 3u);
}

// The callers' files are read several at a time the first time their places are asked for. Each
// caller's call stands at a line and column of its own, one module's in the editor's unsaved text
// and one's after text in code page 932, so that a file's lines read from the wrong place, from
// disk instead of the editor, or undecoded, move some answer.
TEST(WorkspaceCallsTest, CallersInManyFilesAreFoundWhereTheirTextsHaveThem) {
  for (const ReadingKind reading : {ReadingKind::Precise, ReadingKind::Classic}) {
    TempDir dir;
    const fs::path root = fs::canonical(dir.Path());
    dir.Write("Lib.bas", "Attribute VB_Name = \"Lib\"\r\nPublic Sub Target()\r\nEnd Sub\r\n");
    std::string project = "Module=Lib; Lib.bas\r\n";
    std::map<std::string, SourcePosition> expected;
    const auto callerText = [](int i, int blankLines, const std::string& before) {
      std::string text = "Attribute VB_Name = \"U" + std::to_string(i) + "\"\r\nSub C" +
                         std::to_string(i) + "()\r\n";
      for (int k = 0; k < blankLines; ++k) text += "\r\n";
      return text + before + "Target\r\nEnd Sub\r\n";
    };
    for (int i = 0; i < 12; ++i) {
      const std::string name = "U" + std::to_string(i) + ".bas";
      // Module 5's line holds two characters of two bytes each in code page 932, before the call.
      const std::string before =
          i == 5 ? "    s = \"\x96\xbc\x91\x4f\": " : std::string(static_cast<std::size_t>(i), ' ');
      dir.Write(name, callerText(i, i % 3, before));
      project += "Module=U" + std::to_string(i) + "; " + name + "\r\n";
      expected[(root / name).string()] = {2 + i % 3, i == 5 ? 14 : i};
    }
    dir.Write("P.vbp", project);

    Workspace::Options options;
    options.Reading = reading;
    options.Encoding = SourceEncoding::Cp932;
    Workspace space(options);
    space.AddFolders({root.string()});
    // The editor moves module 7's call down two lines and in by three blanks, unsaved.
    const std::string edited = (root / "U7.bas").string();
    ASSERT_TRUE(space.SetOpenText(edited, callerText(7, 1 + 2, std::string(10, ' '))));
    space.Reanalyse({edited});
    expected[edited] = {5, 10};

    const std::vector<ProcedureItem> lib = space.ProceduresIn((root / "Lib.bas").string());
    ASSERT_EQ(lib.size(), 1u);
    for (int round = 0; round < 2; ++round) {  // read, then kept
      std::map<std::string, SourcePosition> found;
      for (const SourceLocation& at : space.CallsOf(lib[0])) found[at.Path] = at.Range.Start;
      EXPECT_EQ(found, expected) << "round " << round;
      for (const CallItem& call : space.Incoming(lib[0])) {
        ASSERT_EQ(call.FromRanges.size(), 1u);
        EXPECT_EQ(call.FromRanges[0].Start, expected[call.Procedure.Path]);
        EXPECT_EQ(call.Procedure.Range.Start.Line, 1) << call.Procedure.Path;
      }
    }
  }
}

// The marks of many modules asked for at once read their files several at a time: each module
// gets its own marks at its own places, from the editor's unsaved text where there is one and
// from lines kept before, as when asked for one module at a time.
TEST(WorkspaceMarksTest, MarksOfManyModulesAtOnceAreEachModulesOwn) {
  TempDir dir;
  const fs::path root = fs::canonical(dir.Path());
  const auto moduleText = [](int i, int blankLines, int indent) {
    std::string text = "Attribute VB_Name = \"U" + std::to_string(i) + "\"\r\n";
    for (int k = 0; k < blankLines; ++k) text += "\r\n";
    return text + std::string(static_cast<std::size_t>(indent), ' ') + "Public Sub Lonely" +
           std::to_string(i) + "()\r\nEnd Sub\r\n";
  };
  std::string project;
  std::vector<std::string> paths;
  std::map<std::string, std::pair<std::string, SourcePosition>> expected;
  for (int i = 0; i < 10; ++i) {
    const std::string name = "U" + std::to_string(i) + ".bas";
    dir.Write(name, moduleText(i, i % 3, i));
    project += "Module=U" + std::to_string(i) + "; " + name + "\r\n";
    paths.push_back((root / name).string());
    expected[paths.back()] = {"Lonely" + std::to_string(i), {1 + i % 3, i + 11}};
  }
  dir.Write("P.vbp", project);

  Workspace space({});
  space.AddFolders({root.string()});
  // Module 4 in the editor, unsaved, its procedure three lines lower; module 6's lines kept.
  ASSERT_TRUE(space.SetOpenText(paths[4], moduleText(4, 4 + 3, 4)));
  space.Reanalyse({paths[4]});
  expected[paths[4]].second.Line = 8;
  ASSERT_EQ(space.ProceduresIn(paths[6]).size(), 1u);

  for (int round = 0; round < 2; ++round) {  // made, then as they were
    const std::vector<const std::vector<UnusedMark>*> marks = space.UnusedIn(paths);
    ASSERT_EQ(marks.size(), paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i) {
      ASSERT_EQ(marks[i]->size(), 1u) << paths[i];
      const UnusedMark& mark = marks[i]->front();
      EXPECT_EQ(std::make_pair(mark.Procedure.Name, mark.Procedure.SelectionRange.Start),
                expected[paths[i]])
          << "round " << round << ' ' << paths[i];
      EXPECT_EQ(&space.UnusedIn(paths[i]), marks[i]) << "the same list, kept";
    }
  }
}

// A procedure that the file ends without an End line runs to the file's last line, before and
// after an edit moves the procedures' numbers.
TEST(WorkspaceRangesTest, AProcedureWithoutEndRunsToTheLastLine) {
  TempDir dir;
  const fs::path root = fs::canonical(dir.Path());
  const std::string path = (root / "M.bas").string();
  dir.Write("M.bas", "Attribute VB_Name = \"M\"\r\nSub A()\r\nEnd Sub\r\nSub B()\r\n    A\r\n");
  dir.WriteLines("P.vbp", {"Module=M; M.bas"});
  Workspace space({});
  space.AddFolders({root.string()});
  const auto lastOfB = [&] {
    for (const ProcedureItem& item : space.ProceduresIn(path)) {
      if (item.Name == "B") return item.Range.End.Line;
    }
    return -1;
  };
  EXPECT_EQ(lastOfB(), 4);
  space.SetOpenText(path,
                    "Attribute VB_Name = \"M\"\r\nSub C()\r\nEnd Sub\r\nSub A()\r\n"
                    "End Sub\r\nSub B()\r\n    A\r\n");
  ASSERT_TRUE(space.Reanalyse({path}));
  EXPECT_EQ(lastOfB(), 6);
}

}  // namespace
}  // namespace tarnel::test
