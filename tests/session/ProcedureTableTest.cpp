#include <gtest/gtest.h>

#include "session/ProcedureTable.h"
#include "support/ProjectFixture.h"

namespace tarnel {
namespace {

class ProcedureTableTest : public test::ProjectFixture {
 protected:
  void SetUp() override {
    Lines("Demo.vbp", {"Module=Main; Main.bas", "Class=Acct; Acct.cls"});
    Lines("Main.bas",
          {"Attribute VB_Name = \"Main\"", "Sub Start()", "    Post", "    post", "    Total",
           "End Sub", "Private Function Total()", "    Post", "End Function"});
    // A name with a comma cannot occur, but a declaration line with quotes can; the module name
    // holds a full-width letter ("\x82\x60", Ａ) that must come out as UTF-8.
    Lines("Acct.cls",
          {"Attribute VB_Name = \"Acct\x82\x60\"", "Public Sub Post()", "", "", "End Sub"});
    Analyze();
  }
  std::vector<std::string> Column(const ProcedureTable& table, ProcedureTable::Column column) {
    std::vector<std::string> cells;
    for (int row = 0; row < table.RowCount(); ++row) cells.push_back(table.Cell(row, column));
    return cells;
  }
};

TEST_F(ProcedureTableTest, RowsHoldModuleKindScopeLinesAndCounts) {
  ProcedureTable table(ctx.Result.SymbolList);
  ASSERT_EQ(table.RowCount(), 3);
  EXPECT_EQ(Column(table, ProcedureTable::Name), (test::Keys{"Start", "Total", "Post"}));
  EXPECT_EQ(Column(table, ProcedureTable::Module), (test::Keys{"Main", "Main", "Acct\x82\x60"}));
  EXPECT_EQ(Column(table, ProcedureTable::Scope), (test::Keys{"G", "P", "G"}));
  EXPECT_EQ(Column(table, ProcedureTable::Callers), (test::Keys{"0", "1", "2"}));
  EXPECT_EQ(Column(table, ProcedureTable::Callees), (test::Keys{"2", "1", "0"}));
  EXPECT_EQ(Column(table, ProcedureTable::Line), (test::Keys{"2", "7", "2"}));
}

TEST_F(ProcedureTableTest, SortsNumbersByValueTextsWithoutCaseAndKeepsTiesInOrder) {
  ProcedureTable table(ctx.Result.SymbolList);
  table.Sort(ProcedureTable::Callers, false);
  EXPECT_EQ(Column(table, ProcedureTable::Name), (test::Keys{"Post", "Total", "Start"}));
  table.Sort(ProcedureTable::Name, true);
  EXPECT_EQ(Column(table, ProcedureTable::Name), (test::Keys{"Post", "Start", "Total"}));
  // Two rows of line 2: sorting by line keeps the name order among them.
  table.Sort(ProcedureTable::Line, true);
  EXPECT_EQ(Column(table, ProcedureTable::Name), (test::Keys{"Post", "Start", "Total"}));
  table.Sort(ProcedureTable::Lines, false);  // 3, 2 and 1 lines between declaration and end
  EXPECT_EQ(Column(table, ProcedureTable::Name), (test::Keys{"Start", "Post", "Total"}));
}

TEST_F(ProcedureTableTest, FilterNarrowsByNameAndAnEmptyTextShowsAll) {
  ProcedureTable table(ctx.Result.SymbolList);
  table.Filter("TOT");
  EXPECT_EQ(Column(table, ProcedureTable::Name), (test::Keys{"Total"}));
  table.Filter("acct");  // the module part of Module.Name
  EXPECT_EQ(Column(table, ProcedureTable::Name), (test::Keys{"Post"}));
  table.Filter("");
  EXPECT_EQ(table.RowCount(), 3);
}

TEST_F(ProcedureTableTest, CsvIsUtf8WithAHeaderQuotedFieldsAndCrLf) {
  ProcedureTable table(ctx.Result.SymbolList);
  EXPECT_EQ(table.ToCsv({2}),
            "Module,Name,Kind,Scope,Line,Lines,Callers,Callees\r\n"
            "Acct\xef\xbc\xa1,Post,Sub,G,2,2,2,0\r\n");
  EXPECT_EQ(table.ToCsv().substr(0, 51), "Module,Name,Kind,Scope,Line,Lines,Callers,Callees\r\n");
}

TEST_F(ProcedureTableTest, TabTextHasNoHeaderAndOneLinePerChosenRow) {
  ProcedureTable table(ctx.Result.SymbolList);
  EXPECT_EQ(table.ToTabText({2, 0}),
            "Acct\xef\xbc\xa1\tPost\tSub\tG\t2\t2\t2\t0\n"
            "Main\tStart\tSub\tG\t2\t3\t0\t2\n");
  EXPECT_EQ(table.ToTabText({}), "");
}

TEST_F(ProcedureTableTest, PreciseReadingAddsTheMarkColumnThatSortsAndSaves) {
  ctx.Options.Reading = ReadingKind::Precise;
  Analyze();
  ASSERT_NE(ctx.Result.Precise, nullptr);
  ProcedureTable classic(ctx.Result.SymbolList);
  EXPECT_EQ(classic.Columns(), ProcedureTable::Mark);
  ProcedureTable table(ctx.Result.SymbolList, ctx.Result.Precise.get());
  ASSERT_EQ(table.Columns(), ProcedureTable::ColumnCount);
  // Nothing calls Start; Total is called from it only; the bare "Post" in a standard module does
  // not reach the class's method.
  EXPECT_EQ(Column(table, ProcedureTable::Mark), (test::Keys{"Unused", "Unreachable", "Unused"}));
  table.Sort(ProcedureTable::Mark, false);
  EXPECT_EQ(Column(table, ProcedureTable::Name).front(), "Start");
  EXPECT_EQ(table.ToCsv({0}),
            "Module,Name,Kind,Scope,Line,Lines,Callers,Callees,Mark\r\n"
            "Main,Start,Sub,G,2,3,0,1,Unused\r\n");
}

}  // namespace
}  // namespace tarnel
