#include <gtest/gtest.h>

#include "analysis/ResultTree.h"
#include "session/DefinitionLookup.h"
#include "session/TreeFilter.h"
#include "support/ProjectFixture.h"

namespace tarnel {
namespace {

TEST(NameAtTest, FindsTheNameAroundAByteWithItsQualifier) {
  const std::string line = "  x = Module2.Bump(1) + Twice(n)";
  EXPECT_EQ(NameAt(line, line.find("Bump") + 2).Name, "Bump");
  EXPECT_EQ(NameAt(line, line.find("Bump")).Qualifier, "Module2");
  // Right after a name's end still means the name; on the qualifier only the qualifier.
  EXPECT_EQ(NameAt(line, line.find("(n)")).Name, "Twice");
  EXPECT_EQ(NameAt(line, line.find("Module2") + 1).Name, "Module2");
  EXPECT_EQ(NameAt(line, line.find("Module2")).Qualifier, "");
  EXPECT_EQ(NameAt(line, line.size()).Name, "");  // ")" ends the line
  EXPECT_EQ(NameAt(line, 0).Name, "");
  EXPECT_EQ(NameAt("", 0).Name, "");
  EXPECT_EQ(NameAt("Bump", 4).Name, "Bump");
}

TEST(NameAtTest, TakesDoubleByteCharactersWhole) {
  // "\x95\x5c" is a character whose second byte is a backslash; "\x83\x41" ends in "A".
  const std::string line = "Call \x95\x5c\x83\x41_1 (a)";
  EXPECT_EQ(NameAt(line, 6).Name, "\x95\x5c\x83\x41_1");  // a click on a second byte
  EXPECT_EQ(NameAt(line, 5).Name, "\x95\x5c\x83\x41_1");
}

TEST(NameAtTest, TakesUtf8CharactersWholeWhenTheLineIsUtf8) {
  // "\xC4\x81" is a UTF-8 character whose second byte would lead a code page 932 pair and take
  // the parenthesis after it into the name.
  const std::string line = "x = Se\xC3\xB1\x61l(1) + A\xC4\x81(2)";
  EXPECT_EQ(NameAt(line, 7, false).Name, "Se\xC3\xB1\x61l");  // inside the two-byte character
  EXPECT_EQ(NameAt(line, 19, false).Name, "A\xC4\x81");
  EXPECT_EQ(NameAt(line, 19).Name, "A\xC4\x81(2");
}

class FindDefinitionTest : public test::ProjectFixture {
 protected:
  void Write() {
    Lines("Demo.vbp", {"Module=Module1; Module1.bas", "Module=Module2; Module2.bas"});
    Lines("Module1.bas", {"Attribute VB_Name = \"Module1\"",  // 1
                          "Sub Main()",                       // 2
                          "    Bump 1",                       // 3
                          "    Module2.Bump 2",               // 4
                          "    x=Bump(3)",                    // 5
                          "End Sub",                          // 6
                          "Sub Bump(n)",                      // 7
                          "End Sub"});
    Lines("Module2.bas", {"Attribute VB_Name = \"Module2\"", "Sub Bump(n)", "End Sub",
                          "Private Sub Main()", "    Bump 4", "End Sub"});
  }
  const TPassRec* Find(std::string_view caller, std::string_view module, int line,
                       NameInLine name) {
    for (int i = 0; i < ctx.Result.SymbolList.Count(); ++i) {
      const TPassRec& r = ctx.Result.SymbolList.At(i);
      if (r.Name == caller && FindSymbol(ctx.Result, r.ParentKey).FullName == module)
        return FindDefinition(ctx, r, line, name);
    }
    return nullptr;
  }
  std::string Where(const TPassRec* proc) {
    return proc == nullptr ? "none"
                           : FindSymbol(ctx.Result, proc->ParentKey).FullName + "." + proc->Name;
  }
};

TEST_F(FindDefinitionTest, ClassicReadingFindsWhatTheCallMarkingFinds) {
  Write();
  Analyze();
  // Unqualified: the Bump recorded first, whoever calls it; qualified: exactly that module's.
  EXPECT_EQ(Where(Find("Main", "Module1", 3, {"", "Bump"})), "Module1.Bump");
  EXPECT_EQ(Where(Find("Main", "Module2", 5, {"", "bump"})), "Module1.Bump");
  EXPECT_EQ(Where(Find("Main", "Module1", 4, {"Module2", "Bump"})), "Module2.Bump");
  EXPECT_EQ(Where(Find("Main", "Module1", 4, {"obj", "Bump"})), "none");
  EXPECT_EQ(Where(Find("Main", "Module1", 3, {"", "Nothing"})), "none");
  EXPECT_EQ(Where(Find("Main", "Module1", 3, {"", ""})), "none");
}

TEST_F(FindDefinitionTest, PreciseReadingFollowsTheResolvedCalleeOfThatLine) {
  Write();
  ctx.Options.Reading = ReadingKind::Precise;
  Analyze();
  ASSERT_NE(ctx.Result.Precise, nullptr);
  // In Module2 an unqualified Bump is Module2's own, which the classic marking would miss.
  EXPECT_EQ(Where(Find("Main", "Module2", 5, {"", "Bump"})), "Module2.Bump");
  EXPECT_EQ(Where(Find("Main", "Module1", 3, {"", "Bump"})), "Module1.Bump");
  EXPECT_EQ(Where(Find("Main", "Module1", 4, {"Module2", "Bump"})), "Module2.Bump");
  // Nothing is called by that name on another line.
  EXPECT_EQ(Where(Find("Main", "Module1", 6, {"", "Bump"})), "none");
  EXPECT_EQ(Where(Find("Bump", "Module1", 7, {"", "Bump"})), "none");
}

class TreeFilterTest : public test::ProjectFixture {
 protected:
  void SetUp() override {
    // "\x82\x60\x82\x61" is full-width "ＡＢ", which folds to "ａｂ"; "\x83\x41" ends in "A".
    Lines("Demo.vbp", {"Module=Util; Util.bas", "Module=Data; Data.bas"});
    Lines("Util.bas", {"Attribute VB_Name = \"Util\"", "Sub LoadData()", "End Sub",
                       "Sub \x82\x60\x82\x61"
                       "Calc()",
                       "End Sub", "Sub X\x83\x41Y()", "End Sub"});
    Lines("Data.bas",
          {"Attribute VB_Name = \"Data\"", "Sub Save()", "End Sub", "Sub Other()", "End Sub"});
    Analyze();
    tree = ResultTree::Build(ctx.Result.SymbolList);
  }
  std::vector<std::string> Shown(const TreeFilter& filter) {
    std::vector<std::string> shown;
    for (int i = 0; i < tree.Count(); ++i) {
      if (filter.Shown(i)) shown.emplace_back(tree.Node(i).Caption());
    }
    return shown;
  }
  std::vector<std::string> Matched(const TreeFilter& filter) {
    std::vector<std::string> names;
    for (int node : filter.Matches()) names.emplace_back(tree.Node(node).Caption());
    return names;
  }
  ResultTree tree;
};

TEST_F(TreeFilterTest, ShowsMatchesWithTheirGroupsAndModulesInTreeOrder) {
  TreeFilter filter(tree);
  EXPECT_EQ(filter.Apply("loaddata"), 1);
  EXPECT_EQ(Shown(filter),
            (test::Keys{"Vbp", std::string(tree.Node(1).Caption()), "Util.bas", "LoadData"}));
  // A module found by its name (not only its file) keeps all its procedures.
  filter.Apply("DATA");
  EXPECT_EQ(Matched(filter), (test::Keys{"LoadData", "Data.bas"}));
  EXPECT_EQ(Shown(filter), (test::Keys{"Vbp", std::string(tree.Node(1).Caption()), "Util.bas",
                                       "LoadData", "Data.bas", "Save", "Other"}));
  EXPECT_EQ(filter.Apply("nothing like it"), 0);
  EXPECT_EQ(Shown(filter), test::Keys{});
  filter.Apply("");
  EXPECT_FALSE(filter.Active());
  EXPECT_EQ(Shown(filter).size(), static_cast<std::size_t>(tree.Count()));
}

TEST_F(TreeFilterTest, JapaneseNamesMatchWholeCharactersWithoutLetterCase) {
  TreeFilter filter(tree);
  EXPECT_EQ(filter.Apply("\x82\x81\x82\x82"), 1);  // "ａｂ" finds "ＡＢCalc"
  EXPECT_EQ(Matched(filter), (test::Keys{"\x82\x60\x82\x61"
                                         "Calc"}));
  // "A" is the second byte of "\x83\x41", never a character of its own.
  EXPECT_EQ(filter.Apply("AY"), 0);
  EXPECT_EQ(filter.Apply("\x83"), 0);  // half a character finds nothing
  EXPECT_EQ(filter.Apply("X\x83\x41"), 1);
}

TEST(ContainsWholeCharactersTest, SkipsMatchesThatStartInsideACharacter) {
  // The first "AB" starts on a second byte; the second is whole.
  EXPECT_TRUE(ContainsWholeCharacters("\x83"
                                      "AB-AB",
                                      "ab") == false);
  EXPECT_TRUE(
      ContainsWholeCharacters("\x83"
                              "ABab",
                              "ab"));
  EXPECT_FALSE(
      ContainsWholeCharacters("\x83"
                              "AB",
                              "AB"));
  EXPECT_TRUE(
      ContainsWholeCharacters("x\x83"
                              "AAB",
                              "AB"));
  EXPECT_TRUE(ContainsWholeCharacters("anything", ""));
}

}  // namespace
}  // namespace tarnel
