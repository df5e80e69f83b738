#pragma once

#include <optional>
#include <string_view>

#include "analysis/ResultTree.h"
#include "analysis/SymbolList.h"

namespace tarnel {

// The layout of the report. An "Exec" entry may give any letter; one that is neither F nor C
// makes a bare report: no prefixes and no arrow lines.
enum class ReportForm { Fixed, Comma, Bare };

// What follows a procedure's label. Nothing stands for a letter that names no direction, which
// leaves the procedures out of the report altogether.
enum class ReportDirection { Callees, Callers, Both, LabelsOnly, Nothing };

// The procedure label: the kind word and the name, or the declaration line.
enum class ReportStyle { KindAndName, Declaration };

struct ReportOptions {
  ReportForm Form = ReportForm::Fixed;
  ReportDirection Direction = ReportDirection::Both;
  ReportStyle Style = ReportStyle::KindAndName;
};

// What a report is made of: the tree to walk, the records its links name, and the first line.
struct ReportInput {
  const ResultTree& Tree;
  const SymbolList& Symbols;
  std::string_view Caption;
};

// Every letter, compared exactly, as an "Exec" entry gives them: F and C; I, Y, B and N; S.
// Any other letter is the bare form, no direction, the declaration style.
ReportForm FormOfLetter(char letter);
ReportDirection DirectionOfLetter(char letter);
ReportStyle StyleOfLetter(char letter);
ReportOptions ReportOptionsOf(char form, char direction, char style);

// The letters a user names on the command line; D is the declaration style.
inline constexpr std::string_view kFormLetters = "FC";
inline constexpr std::string_view kDirectionLetters = "IYBN";
inline constexpr std::string_view kStyleLetters = "SD";

// A value that is exactly one of the command-line letters, or nullopt.
std::optional<ReportForm> ParseReportForm(std::string_view value);
std::optional<ReportDirection> ParseReportDirection(std::string_view value);
std::optional<ReportStyle> ParseReportStyle(std::string_view value);

}  // namespace tarnel
