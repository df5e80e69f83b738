#include "reports/ReportOptions.h"

namespace tarnel {

namespace {

// The single letter of value when it is one of letters.
std::optional<char> OneOf(std::string_view value, std::string_view letters) {
  if (value.size() != 1 || letters.find(value[0]) == std::string_view::npos) return std::nullopt;
  return value[0];
}

}  // namespace

ReportForm FormOfLetter(char letter) {
  switch (letter) {
    case 'F':
      return ReportForm::Fixed;
    case 'C':
      return ReportForm::Comma;
    default:
      return ReportForm::Bare;
  }
}

ReportDirection DirectionOfLetter(char letter) {
  switch (letter) {
    case 'I':
      return ReportDirection::Callees;
    case 'Y':
      return ReportDirection::Callers;
    case 'B':
      return ReportDirection::Both;
    case 'N':
      return ReportDirection::LabelsOnly;
    default:
      return ReportDirection::Nothing;
  }
}

ReportStyle StyleOfLetter(char letter) {
  return letter == 'S' ? ReportStyle::KindAndName : ReportStyle::Declaration;
}

ReportOptions ReportOptionsOf(char form, char direction, char style) {
  return {FormOfLetter(form), DirectionOfLetter(direction), StyleOfLetter(style)};
}

std::optional<ReportForm> ParseReportForm(std::string_view value) {
  std::optional<char> letter = OneOf(value, kFormLetters);
  if (!letter) return std::nullopt;
  return FormOfLetter(*letter);
}

std::optional<ReportDirection> ParseReportDirection(std::string_view value) {
  std::optional<char> letter = OneOf(value, kDirectionLetters);
  if (!letter) return std::nullopt;
  return DirectionOfLetter(*letter);
}

std::optional<ReportStyle> ParseReportStyle(std::string_view value) {
  std::optional<char> letter = OneOf(value, kStyleLetters);
  if (!letter) return std::nullopt;
  return StyleOfLetter(*letter);
}

}  // namespace tarnel
