#pragma once

#include <string>
#include <string_view>
#include <vector>

// Starting external programs from a Windows-style command line, without a shell.
namespace tarnel {

// Splits a command line as a Windows program's start-up code does. The first word is the program:
// up to the next blank, or between double quotes when it starts with one. The other words are
// separated by blanks and tabs; double quotes group (a doubled quote inside a group is one quote);
// 2n backslashes before a quote give n backslashes, 2n+1 give n and a literal quote; other
// backslashes stay as they are.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

// Starts the program of commandLine (engine text) detached: no shell, no waiting, its output and
// exit left to itself. The program name is resolved like a path (letter case, "\") when it holds
// a separator, else searched in PATH. Returns false when it could not be started; callers that
// follow WinExec ignore that.
bool StartProcess(std::string_view commandLine);

}  // namespace tarnel
