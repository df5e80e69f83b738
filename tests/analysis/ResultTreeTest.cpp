#include <gtest/gtest.h>

#include "analysis/ResultTree.h"
#include "support/PlacedRecords.h"
#include "support/ProjectFixture.h"

namespace tarnel {
namespace {

class ResultTreeTest : public test::ProjectFixture {};

std::vector<int> ChildrenOf(const TreeNode& node) {
  return {node.Children.begin(), node.Children.end()};
}

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
    shown.push_back(std::string(static_cast<std::size_t>(node.Depth), '>') +
                    std::string(node.Caption()) + "/" + std::to_string(node.Image));
  }
  EXPECT_EQ(shown, (std::vector<std::string>{"Vbp/0", ">" + GroupCaption(1) + "/1", ">>M.bas/6",
                                             ">>>B/11", ">>>A/11", ">" + GroupCaption(2) + "/2",
                                             ">>F.frm/7", ">>>Form_Load/11",
                                             ">" + GroupCaption(3) + "/3", ">>C.cls/8"}));
  EXPECT_EQ(ChildrenOf(tree.Node(0)), (std::vector<int>{1, 5, 8}));
  EXPECT_EQ(tree.Node(4).Parent, 2);
  EXPECT_EQ(tree.Node(0).Record, nullptr);
}

// Parents are found without regard to letter case; a record whose parent is not in the tree is
// left out with everything under it; of two records with one key, the first takes the children.
TEST(ResultTreeRecordsTest, ParentsByFoldedKeyAndOrphansLeftOut) {
  SymbolList list;
  const auto add = [&](std::string key, std::string parent, std::string name) {
    test::AddPlacedRecord(list, std::move(key), std::move(parent), std::move(name));
  };
  add("4-0002", "3-000a", "p2");
  add("3-000A", "2-0001", "m1");
  add("4-0001", "3-000A", "p1");
  add("2-0001", "1", "g");
  add("4-0009", "3-0009", "orphan");
  add("5-0001", "4-0009", "under orphan");
  add("3-000a", "2-0001", "m1 again");
  add("4-0003", "3-000a", "p3");
  ResultTree tree = ResultTree::Build(list);
  std::vector<std::string> shown;
  for (const TreeNode& node : tree.Nodes()) {
    shown.push_back(std::to_string(node.Depth) + std::string(node.Caption()) + "<" +
                    std::to_string(node.Parent));
  }
  EXPECT_EQ(shown, (std::vector<std::string>{"0Vbp<-1", "1g<0", "2m1<1", "3p1<2", "3p2<2", "3p3<2",
                                             "2m1 again<1"}));
  EXPECT_EQ(ChildrenOf(tree.Node(2)), (std::vector<int>{3, 4, 5}));
  EXPECT_EQ(ChildrenOf(tree.Node(6)), std::vector<int>{});
  // The child lists live in the tree and go with it when it moves.
  ResultTree moved;
  moved = std::move(tree);
  tree = ResultTree::Build(list);
  tree.Clear();
  EXPECT_EQ(ChildrenOf(moved.Node(2)), (std::vector<int>{3, 4, 5}));
  EXPECT_EQ(ChildrenOf(moved.Node(1)), (std::vector<int>{2, 6}));
}

TEST_F(ResultTreeTest, AProjectWithoutModulesHasOnlyTheRoot) {
  Lines("Demo.vbp", {"Name=\"Empty\""});
  Analyze();
  ResultTree tree = ResultTree::Build(ctx.Result.SymbolList);
  ASSERT_EQ(tree.Count(), 1);
  EXPECT_EQ(tree.Node(0).Caption(), "Vbp");
  EXPECT_TRUE(ResultTree().Empty());
}

}  // namespace
}  // namespace tarnel
