#include <algorithm>

#include "reports/ExportFixture.h"
#include "reports/Exports.h"
#include "reports/TagsExport.h"

namespace tarnel {
namespace {

const std::vector<std::string> kHeader = {
    "!_TAG_FILE_ENCODING\tutf-8\t//",
    "!_TAG_FILE_FORMAT\t2\t/extended format/",
    "!_TAG_FILE_SORTED\t1\t/0=unsorted, 1=sorted, 2=foldcase/",
    "!_TAG_PROGRAM_NAME\tTarnel\t/Visual Basic cross-reference browser/",
};

// The fields of a tags line: name, file, address and the extended fields.
std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1) {
    fields.push_back(line.substr(start, tab - start));
  }
  fields.push_back(line.substr(start));
  return fields;
}

class TagsExportTest : public test::ExportFixture {
 protected:
  std::vector<std::string> Tags(const std::string& folder) {
    StringByteSink sink;
    WriteTags(sink, graph, AbsolutePath(folder));
    return test::SplitLines(sink.Text);
  }
  // Writes the tags file as the batch tool and the window do, and returns its path.
  std::string TagsFile(const std::string& name) {
    WriteExportFile(ExportFormat::Tags, graph, Engine(name));
    return dir.File(name);
  }
};

TEST_F(TagsExportTest, HeaderThenOneEntryPerProcedureSortedByName) {
  WriteAwkward();
  Build("Awk.vbp");
  const std::vector<std::string> lines = Tags(dir.Path());
  const std::vector<std::string> expected = {
      "Back\\Slash\tMod1.bas\t5;\"\tkind:sub\tline:5\tmodule:Mod\\\\One\taccess:public",
      "Dup\tMod1.bas\t10;\"\tkind:sub\tline:10\tmodule:Mod\\\\One\taccess:public",
      "Dup\tOdd.cls\t5;\"\tkind:sub\tline:5\tclass:C\taccess:public",
      "Dup\tモジュール.bas\t2;\"\tkind:sub\tline:2\tmodule:モジュール\taccess:public",
      "Hidden\tMod1.bas\t12;\"\tkind:sub\tline:12\tmodule:Mod\\\\One\taccess:private\tfile:",
      "Say\"Hi\tMod1.bas\t2;\"\tkind:sub\tline:2\tmodule:Mod\\\\One\taccess:public",
      "表示\tMod1.bas\t8;\"\tkind:function\tline:8\tmodule:Mod\\\\One\taccess:public",
  };
  std::vector<std::string> all = kHeader;
  all.insert(all.end(), expected.begin(), expected.end());
  EXPECT_EQ(lines, all);
  EXPECT_TRUE(std::is_sorted(lines.begin(), lines.end()));
}

TEST_F(TagsExportTest, FilesAreRelativeToTheTagsFilesFolder) {
  WriteAwkward("プロジェクト/");
  Build("プロジェクト/Awk.vbp");
  EXPECT_EQ(Fields(Tags(dir.File("プロジェクト/"))[kHeader.size()])[1], "Mod1.bas");
  EXPECT_EQ(Fields(Tags(dir.Path())[kHeader.size()])[1], "プロジェクト/Mod1.bas");
  EXPECT_EQ(Fields(Tags(dir.File("elsewhere/deeper"))[kHeader.size()])[1],
            "../../プロジェクト/Mod1.bas");
  // Written to a file, the folder is the file's own.
  const std::string written = test::ReadNative(TagsFile("プロジェクト/tags"));
  EXPECT_NE(written.find("\nBack\\Slash\tMod1.bas\t5;\""), std::string::npos);
}

TEST_F(TagsExportTest, ExampleKindsScopesAndAccess) {
  BuildExample();
  const std::vector<std::string> lines = Tags(test::SourcePath("examples/Demo"));
  std::size_t procedures = graph.Procedures().size();
  EXPECT_EQ(lines.size(), kHeader.size() + procedures);
  auto has = [&](const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  };
  EXPECT_TRUE(
      has("InitApp\tModule1.bas\t31;\"\tkind:sub\tline:31\tmodule:Module1\taccess:private"
          "\tfile:"));
  EXPECT_TRUE(
      has("NextLogId\tModule1.bas\t52;\"\tkind:function\tline:52\tmodule:Module1\taccess:"
          "private\tfile:"));
  EXPECT_TRUE(has("StepValue\tfrmMain.frm\t" + std::to_string(Proc("StepValue").StartLine) +
                  ";\"\tkind:property\tline:" + std::to_string(Proc("StepValue").StartLine) +
                  "\tclass:frmMain\taccess:public"));
}

TEST_F(TagsExportTest, NamesATagLineCannotHoldGetNoEntry) {
  Module("B.vbp", {"Module=B; B.bas"});
  Module("B.bas", {"Attribute VB_Name = \"B\"", "Sub !Bang()", "End Sub", "Sub Ok()", "End Sub"});
  Build("B.vbp");
  const std::vector<std::string> lines = Tags(dir.Path());
  ASSERT_EQ(lines.size(), kHeader.size() + 1);
  EXPECT_EQ(lines.back().substr(0, 3), "Ok\t");
}

TEST_F(TagsExportTest, ReadtagsFindsEveryAwkwardName) {
  if (!test::HaveProgram("readtags")) GTEST_SKIP() << "readtags is not installed";
  WriteAwkward("src/");
  Build("src/Awk.vbp");
  const std::string tags = TagsFile("tags");
  auto lookup = [&](const std::string& name) {
    std::string output;
    EXPECT_EQ(test::RunCommand("readtags -t '" + tags + "' -e -E - '" + name + "'", output), 0);
    return test::SplitLines(output);
  };
  std::vector<std::string> found = lookup("表示");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0], "表示\tsrc/Mod1.bas\t8;\"\tkind:function\tmodule:Mod\\\\One\taccess:public");
  found = lookup("Say\"Hi");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(Fields(found[0])[2], "2;\"");
  // readtags prints a name with its backslash escaped.
  found = lookup("Back\\Slash");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(Fields(found[0])[0], "Back\\\\Slash");
  EXPECT_EQ(Fields(found[0])[2], "5;\"");
  found = lookup("Dup");
  ASSERT_EQ(found.size(), 3u);
  EXPECT_NE(found[2].find("src/モジュール.bas\t2;\""), std::string::npos);
  EXPECT_TRUE(lookup("Hidde").empty());
}

TEST_F(TagsExportTest, VimJumpsToTheDeclaration) {
  if (!test::HaveProgram("vim")) GTEST_SKIP() << "vim is not installed";
  WriteAwkward("src/");
  Build("src/Awk.vbp");
  const std::string tags = TagsFile("tags");
  auto jump = [&](const std::string& name) {
    const std::string out = dir.File("vim.out");
    std::string output;
    test::RunCommand("vim -es -u NONE -i NONE -N -c 'set encoding=utf-8' -c 'set tags=" + tags +
                         "' -c 'tag " + name + "' -c 'redir! > " + out +
                         "' -c 'echo expand(\"%:p\") line(\".\")' -c 'redir END' -c 'qa!' "
                         "</dev/null",
                     output);
    return test::ReadNative(out);
  };
  EXPECT_EQ(jump("表示"), "\n" + dir.File("src/Mod1.bas") + " 8");
  EXPECT_EQ(jump("Back\\Slash"), "\n" + dir.File("src/Mod1.bas") + " 5");
  EXPECT_EQ(jump("Hidden"), "\n" + dir.File("src/Mod1.bas") + " 12");
}

}  // namespace
}  // namespace tarnel
