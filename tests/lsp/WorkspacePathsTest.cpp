#include <gtest/gtest.h>

#include <filesystem>
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
