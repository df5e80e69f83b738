#include "reports/ToolLauncher.h"

#include "platform/ByteText.h"
#include "platform/Errors.h"
#include "platform/ProcessStart.h"
#include "reports/ReportWriter.h"
#include "reports/TreeDump.h"

namespace tarnel {

std::string ToolCommandLine(const std::string& command, const std::string& argument) {
  // Quotes in the argument, and backslashes before one or before the closing quote, are escaped
  // so that the program's command-line split gives the argument back whole and unchanged: on
  // this system a path may hold quotes. Other arguments get the plain quotes alone.
  std::string line = command + " \"";
  std::size_t backslashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    line.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
    backslashes = 0;
    line += c;
  }
  line.append(2 * backslashes, '\\');
  return line + "\"";
}

void RunTool(const ToolContext& context, const std::vector<std::string>& toolList, int tag) {
  if (tag < 0 || static_cast<std::size_t>(tag) >= toolList.size()) throw ListIndexError();
  std::vector<std::string> fields = SplitFields(toolList[static_cast<std::size_t>(tag)]);
  if (fields.size() < kToolFieldCount) throw ListIndexError();
  const std::string& mode = fields[1];
  const std::string& form = fields[2];
  const std::string& direction = fields[3];
  const std::string& style = fields[4];
  const std::string& command = fields[5];
  const std::string& argument = fields[6];

  std::string temp = context.ProgramDir + (form == "C" ? "Xreftmp.csv" : "Xreftmp.txt");
  auto start = [&](const std::string& line) {
    if (!(context.Start ? context.Start(line) : StartProcess(line))) {
      // Nothing else would tell the user why the click did nothing.
      context.Host.ShowMessage("Cannot start : " + line);
    }
  };

  if (mode == "P") {
    // The report writer takes one letter of each; an empty field has none to give.
    if (form.empty() || direction.empty() || style.empty()) {
      context.Host.ShowMessage("Exec " + fields[0] +
                               " : mode P needs the form, direction and style fields");
      return;
    }
    std::string line = ToolCommandLine(command, temp);
    if (WriteXref(context.Host, context.Report, temp,
                  ReportOptionsOf(form[0], direction[0], style[0]))) {
      start(line);
    }
    return;
  }

  std::string chosen = argument.empty()     ? temp
                       : argument == "@VBP" ? context.ProjectPath
                                            : argument;
  std::string line = ToolCommandLine(command, chosen);
  if (mode == "A") WriteTreeDump(context.Report.Tree, temp);
  start(line);
}

}  // namespace tarnel
