#include <gtest/gtest.h>

#include "analysis/ResultTree.h"
#include "support/ProjectFixture.h"

namespace tarnel {
namespace {

class ResultTreeTest : public test::ProjectFixture {};

TEST_F(ResultTreeTest, RootThenEveryRecordUnderItsParentInKeyOrder) {
  Lines("Demo.vbp", {"Form=F.frm", "Module=M; M.bas", "Class=C; C.cls"});
  Lines("M.bas", {"Attribute VB_Name = \"M\"", "Sub B()", "End Sub", "Sub A()", "End Sub"});
  Lines("F.frm", {"Attribute VB_Name = \"F\"", "Sub Form_Load()", "End Sub"});
  Lines("C.cls", {"Attribute VB_Name = \"C\""});
  Analyze();
  ResultTree tree = ResultTree::Build(ctx.Result.SymbolList);
  EXPECT_TRUE(ctx.Result.SymbolList.InKeyOrder());
  std::vector<std::string> shown;
  for (const TreeNode& node : tree.Nodes()) {
    shown.push_back(std::string(static_cast<std::size_t>(node.Depth), '>') + node.Caption + "/" +
                    std::to_string(node.Image));
  }
  EXPECT_EQ(shown, (std::vector<std::string>{"Vbp/0", ">" + GroupCaption(1) + "/1", ">>M.bas/6",
                                             ">>>B/11", ">>>A/11", ">" + GroupCaption(2) + "/2",
                                             ">>F.frm/7", ">>>Form_Load/11",
                                             ">" + GroupCaption(3) + "/3", ">>C.cls/8"}));
  EXPECT_EQ(tree.Node(0).Children, (std::vector<int>{1, 5, 8}));
  EXPECT_EQ(tree.Node(4).Parent, 2);
  EXPECT_EQ(tree.Node(0).Record, nullptr);
}

TEST_F(ResultTreeTest, AProjectWithoutModulesHasOnlyTheRoot) {
  Lines("Demo.vbp", {"Name=\"Empty\""});
  Analyze();
  ResultTree tree = ResultTree::Build(ctx.Result.SymbolList);
  ASSERT_EQ(tree.Count(), 1);
  EXPECT_EQ(tree.Node(0).Caption, "Vbp");
  EXPECT_TRUE(ResultTree().Empty());
}

}  // namespace
}  // namespace tarnel
