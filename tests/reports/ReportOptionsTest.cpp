#include <gtest/gtest.h>

#include "reports/ReportOptions.h"

namespace tarnel {
namespace {

TEST(ReportOptionsTest, EveryLetterOfAnEntryMeansSomethingAndOnlyUpperCaseNamesAChoice) {
  EXPECT_EQ(FormOfLetter('F'), ReportForm::Fixed);
  EXPECT_EQ(FormOfLetter('C'), ReportForm::Comma);
  EXPECT_EQ(FormOfLetter('c'), ReportForm::Bare);
  EXPECT_EQ(FormOfLetter('T'), ReportForm::Bare);
  EXPECT_EQ(DirectionOfLetter('I'), ReportDirection::Callees);
  EXPECT_EQ(DirectionOfLetter('Y'), ReportDirection::Callers);
  EXPECT_EQ(DirectionOfLetter('B'), ReportDirection::Both);
  EXPECT_EQ(DirectionOfLetter('N'), ReportDirection::LabelsOnly);
  EXPECT_EQ(DirectionOfLetter('b'), ReportDirection::Nothing);
  EXPECT_EQ(StyleOfLetter('S'), ReportStyle::KindAndName);
  EXPECT_EQ(StyleOfLetter('D'), ReportStyle::Declaration);
  EXPECT_EQ(StyleOfLetter('s'), ReportStyle::Declaration);
  const ReportOptions options = ReportOptionsOf('C', 'Y', 'x');
  EXPECT_EQ(options.Form, ReportForm::Comma);
  EXPECT_EQ(options.Direction, ReportDirection::Callers);
  EXPECT_EQ(options.Style, ReportStyle::Declaration);
}

TEST(ReportOptionsTest, TheDefaultIsTheSavedReport) {
  const ReportOptions options;
  EXPECT_EQ(options.Form, ReportForm::Fixed);
  EXPECT_EQ(options.Direction, ReportDirection::Both);
  EXPECT_EQ(options.Style, ReportStyle::KindAndName);
}

TEST(ReportOptionsTest, CommandLineValuesAreExactlyOneKnownLetter) {
  EXPECT_EQ(ParseReportForm("C"), ReportForm::Comma);
  EXPECT_EQ(ParseReportDirection("N"), ReportDirection::LabelsOnly);
  EXPECT_EQ(ParseReportStyle("D"), ReportStyle::Declaration);
  for (const char* bad : {"", "c", "FC", "F ", "X"}) {
    EXPECT_FALSE(ParseReportForm(bad)) << bad;
  }
  for (const char* bad : {"", "b", "BB", "Q"}) {
    EXPECT_FALSE(ParseReportDirection(bad)) << bad;
  }
  // The entry's "any other letter" is not a command-line style.
  for (const char* bad : {"", "s", "x", "SD"}) {
    EXPECT_FALSE(ParseReportStyle(bad)) << bad;
  }
}

}  // namespace
}  // namespace tarnel
