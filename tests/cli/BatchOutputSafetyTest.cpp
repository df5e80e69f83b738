#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <sstream>
#include <streambuf>

#include "BatchRun.h"
#include "cli/BatchTool.h"
#include "support/ProjectFixture.h"

namespace tarnel {
namespace {

// Accepts limit bytes, then fails every write, as a full disk does.
class FullBuffer : public std::streambuf {
 public:
  explicit FullBuffer(std::size_t limit) : room_(limit) {}

 protected:
  std::streamsize xsputn(const char*, std::streamsize n) override {
    if (static_cast<std::size_t>(n) > room_) return 0;
    room_ -= static_cast<std::size_t>(n);
    return n;
  }
  int_type overflow(int_type c) override {
    return xsputn(nullptr, 1) == 1 ? traits_type::not_eof(c) : traits_type::eof();
  }

 private:
  std::size_t room_;
};

class BatchOutputSafetyTest : public test::ProjectFixture {
 protected:
  void SetUp() override {
    dir.Write("bin/resv.dic", "Call\r\n");
    Lines("Demo.vbp", {"Module=M; M.bas", "Class=C; C.cls"});
    Lines("M.bas", {"Attribute VB_Name = \"M\"", "Sub Main()", "    Bump", "End Sub", "Sub Bump()",
                    "End Sub"});
    Lines("C.cls", {"VERSION 1.0 CLASS", "Attribute VB_Name = \"C\"", "Sub Go()", "End Sub"});
  }
  int Run(std::vector<std::string> args, std::ostream& out) {
    return test::RunBatch(args, dir.File("bin/"), out, err);
  }
  int Run(std::vector<std::string> args) {
    std::ostringstream out;
    return Run(std::move(args), out);
  }
  std::string err;
};

TEST_F(BatchOutputSafetyTest, NoOutputReplacesTheProjectAModuleOrTheDictionary) {
  ASSERT_EQ(::link(dir.File("M.bas").c_str(), dir.File("alias.bas").c_str()), 0);
  ASSERT_EQ(::symlink(dir.File("C.cls").c_str(), dir.File("class-link").c_str()), 0);
  const std::string dictionary = dir.File("bin/resv.dic");
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"--output", dir.File("M.bas")},
      {"--output", dir.File("Demo.vbp")},
      {"--json", dir.File("C.cls")},
      {"--tree-dump", dir.File("alias.bas")},
      {"--output", dir.File("class-link")},
      {"--tree-dump", dir.Path() + "./M.bas"},
      {"--json", dictionary},
      {"--dot", dir.File("M.bas")},
      {"--edges", dir.File("Demo.vbp")},
      {"--tags", dir.File("alias.bas")},
  };
  for (const auto& [option, target] : cases) {
    SCOPED_TRACE(option + " " + target);
    const std::string before = test::ReadNative(target);
    // The JSON comes first in the writing order: no output may be written at all.
    const std::string other = option == "--json" ? "--tree-dump" : "--json";
    EXPECT_EQ(Run({option, target, other, dir.File("s.json"), dir.File("Demo.vbp")}), 1);
    EXPECT_EQ(err, "ﾌｧｲﾙ " + target + " を作成できません\n");
    EXPECT_EQ(test::ReadNative(target), before);
    EXPECT_FALSE(FileExists(dir.File("s.json")));
  }
}

TEST_F(BatchOutputSafetyTest, AnOutputNamedInAnotherCaseIsANewFile) {
  dir.Write("notes.txt", "mine");
  ASSERT_EQ(Run({"--output", dir.File("NOTES.TXT"), dir.File("Demo.vbp")}), 0);
  EXPECT_EQ(test::ReadNative(dir.File("notes.txt")), "mine");
  EXPECT_EQ(test::ReadNative(dir.File("NOTES.TXT")).rfind(dir.File("Demo.vbp"), 0), 0u);
  // A module named in another case is no input either: the analysis read M.bas, not m.BAS.
  ASSERT_EQ(Run({"--output", dir.File("m.BAS"), dir.File("Demo.vbp")}), 0);
  EXPECT_EQ(test::ReadNative(dir.File("M.bas")).rfind("Attribute VB_Name", 0), 0u);
}

TEST_F(BatchOutputSafetyTest, OutputsBesideAProjectInAForeignFolderAreWritten) {
  for (std::string folder : {"문서/", "caf\xe9/", "bs\\dir/", "x:y/"}) {
    SCOPED_TRACE(folder);
    dir.Write(folder + "Demo.vbp", test::ReadNative(dir.File("Demo.vbp")));
    dir.Write(folder + "M.bas", test::ReadNative(dir.File("M.bas")));
    dir.Write(folder + "C.cls", test::ReadNative(dir.File("C.cls")));
    ASSERT_EQ(Run({"--output", dir.File(folder + "r.txt"), "--json", dir.File(folder + "s.json"),
                   "--tree-dump", dir.File(folder + "t.txt"), dir.File(folder + "Demo.vbp")}),
              0);
    EXPECT_EQ(err, "");
    EXPECT_NE(test::ReadNative(dir.File(folder + "t.txt")).find("\t\t\tMain\r\n"),
              std::string::npos);
    EXPECT_NE(test::ReadNative(dir.File(folder + "s.json")).find("\"C.Go\""), std::string::npos);
    EXPECT_NE(test::ReadNative(dir.File(folder + "r.txt")).find("M.Bump"), std::string::npos);
  }
}

TEST_F(BatchOutputSafetyTest, AFailingStandardOutputIsAnErrorNotASuccess) {
  for (std::size_t room : {std::size_t{0}, std::size_t{40}}) {
    FullBuffer full(room);
    std::ostream out(&full);
    EXPECT_EQ(Run({dir.File("Demo.vbp")}, out), 1) << room;
    EXPECT_EQ(err, "standard output に書き込めません\n");
  }
  FullBuffer full(0);
  std::ostream out(&full);
  EXPECT_EQ(Run({"--help"}, out), 1);
}

TEST_F(BatchOutputSafetyTest, AProjectTooLargeToReadIsAnOpenError) {
  std::string huge = dir.Write("Huge.vbp", "");
  ASSERT_EQ(::truncate(huge.c_str(), off_t{30} << 30), 0);
  EXPECT_EQ(Run({huge}), 1);
  EXPECT_EQ(err, "ﾌｧｲﾙ " + huge + " は開けません\n");
}

}  // namespace
}  // namespace tarnel
