#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/ModuleMembers.h"
#include "platform/TextHashTable.h"

namespace tarnel {
namespace {

const MemberSet* Find(const ModuleMembers& members, std::string_view folded) {
  return members.Find(folded, TextHashTable::Hash(folded));
}

MemberSet& Enter(ModuleMembers& members, std::string_view folded) {
  bool entered = false;
  return members.Enter(folded, TextHashTable::Hash(folded), entered);
}

std::string NameOf(const ModuleMembers& members, std::size_t entry) {
  std::string name = "left over";
  members.NameInto(entry, name);
  return name;
}

std::vector<std::uint32_t> ListOf(const ProcedureList& list) {
  return std::vector<std::uint32_t>(list.begin(), list.end());
}

TEST(ModuleMembersTest, FindsEveryNameByItsWholeTextAcrossGrowth) {
  ModuleMembers members;
  // Names that share their first sixteen bytes and differ after them, or only in length, among
  // enough others that the table grows several times.
  const std::vector<std::string> tricky = {"getcustomerrecord",
                                           "getcustomerrecordset",
                                           "getcustomerrecorz",
                                           "getcustomerrecor",
                                           "a",
                                           ""};
  std::vector<std::string> names = tricky;
  for (int i = 0; i < 300; ++i) names.push_back("name" + std::to_string(i));
  for (std::size_t i = 0; i < names.size(); ++i) {
    Enter(members, names[i]).Procedures.push_back(static_cast<std::uint32_t>(i));
  }
  ASSERT_EQ(members.Count(), names.size());
  for (std::size_t i = 0; i < names.size(); ++i) {
    const MemberSet* set = Find(members, names[i]);
    ASSERT_NE(set, nullptr) << names[i];
    EXPECT_EQ(ListOf(set->Procedures), std::vector<std::uint32_t>{static_cast<std::uint32_t>(i)});
    EXPECT_EQ(NameOf(members, i), names[i]);
  }
  EXPECT_EQ(Find(members, "getcustomerrecords"), nullptr);
  EXPECT_EQ(Find(members, "getcustomerrecordsex"), nullptr);
  EXPECT_EQ(Find(members, "name300"), nullptr);
  // Entering a name again gives its set, not a new one.
  bool entered = true;
  members.Enter("getcustomerrecordset", TextHashTable::Hash("getcustomerrecordset"), entered)
      .Procedures.push_back(900);
  EXPECT_FALSE(entered);
  EXPECT_EQ(members.Count(), names.size());
  EXPECT_EQ(ListOf(Find(members, "getcustomerrecordset")->Procedures),
            (std::vector<std::uint32_t>{1, 900}));
  // A name looked up with the hash of another is told apart by its bytes, in the head or after.
  EXPECT_EQ(members.Find("name7", TextHashTable::Hash("name8")), nullptr);
  EXPECT_EQ(members.Find("getcustomerrecorz", TextHashTable::Hash("getcustomerrecord")), nullptr);
}

TEST(ModuleMembersTest, ProcedureListKeepsOrderPastThePlacesItHoldsInPlace) {
  ProcedureList list;
  EXPECT_TRUE(list.empty());
  for (std::uint32_t p : {5u, 3u, 9u, 1u, 7u}) list.push_back(p);
  EXPECT_EQ(list.size(), 5u);
  EXPECT_EQ(list.front(), 5u);
  EXPECT_EQ(ListOf(list), (std::vector<std::uint32_t>{5, 3, 9, 1, 7}));

  // Moved, in place or past it, the list goes whole and leaves an empty one.
  ProcedureList small;
  small.push_back(2);
  ProcedureList moved = std::move(list);
  EXPECT_EQ(ListOf(moved), (std::vector<std::uint32_t>{5, 3, 9, 1, 7}));
  EXPECT_TRUE(list.empty());  // NOLINT(bugprone-use-after-move): left empty, not dangling
  EXPECT_EQ(list.begin(), list.end());
  moved = std::move(small);
  EXPECT_EQ(ListOf(moved), std::vector<std::uint32_t>{2});
  EXPECT_TRUE(small.empty());  // NOLINT(bugprone-use-after-move)
}

}  // namespace
}  // namespace tarnel
