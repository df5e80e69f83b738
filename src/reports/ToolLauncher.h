#pragma once

#include <functional>
#include <string>
#include <vector>

#include "analysis/AnalysisHost.h"
#include "reports/ReportOptions.h"

namespace tarnel {

// What a click on an "&Exec" item works with. Texts are engine text (code page 932).
struct ToolContext {
  AnalysisHost& Host;
  ReportInput Report;       // its caption is the main window's
  std::string ProgramDir;   // ends in "/"; the temporary files lie there
  std::string ProjectPath;  // "@VBP"
  // Starts a command line, false when it could not be started; StartProcess when empty.
  std::function<bool(const std::string&)> Start;
};

// The fields of an "Exec" entry: caption, mode, form, direction, style, command, argument.
inline constexpr std::size_t kToolFieldCount = 7;

// The command line of a tool: the command, a blank, and the argument in double quotes, escaped
// where needed so that SplitCommandLine gives it back as one word, exactly.
std::string ToolCommandLine(const std::string& command, const std::string& argument);

// Runs the entry toolList[tag]: writes the report or the tree dump into ProgramDir + "Xreftmp.txt"
// or "Xreftmp.csv" as its fields say and starts its command. Throws ListIndexError when there is
// no such entry or it has fewer than seven fields, and the file errors of the writers. A mode "P"
// entry whose form, direction or style field is empty is refused with a message, and so is a
// command that cannot be started ("Cannot start : " and the command line).
void RunTool(const ToolContext& context, const std::vector<std::string>& toolList, int tag);

}  // namespace tarnel
