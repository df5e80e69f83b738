#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "analysis/ResultTree.h"
#include "platform/CodePage.h"
#include "reports/ByteSink.h"
#include "reports/ExportGraph.h"
#include "support/ProjectFixture.h"

namespace tarnel::test {

// Projects for the export tests, analysed with the classic reading.
class ExportFixture : public ProjectFixture {
 protected:
  // Writes a module from UTF-8 lines, stored in code page 932 with CR LF.
  void Module(const std::string& name, const std::vector<std::string>& utf8Lines) {
    std::string bytes;
    for (const std::string& line : utf8Lines) bytes += Utf8ToCp932(line) + "\r\n";
    dir.Write(name, bytes);
  }

  // Names no VB compiler takes but the line scanner reads: a quote, a backslash, Japanese, and
  // "Dup" in three modules. The project names Mod1.bas in other letter case and the Japanese
  // module in code page 932; on disk both are as git would check them out. Inside folder
  // (empty or ending in "/").
  void WriteAwkward(const std::string& folder = "") {
    Module(folder + "Awk.vbp",
           {"Module=Mod1; mod1.BAS", "Module=Mod2; モジュール.bas", "Class=C; Odd.cls"});
    Module(folder + "Mod1.bas",
           {"Attribute VB_Name = \"Mod\\One\"", "Sub Say\"Hi()", "  Back\\Slash", "End Sub",
            "Sub Back\\Slash()", "  表示", "End Sub", "Function 表示()", "End Function",
            "Sub Dup()", "End Sub", "Private Sub Hidden()", "End Sub"});
    Module(folder + "モジュール.bas", {"Attribute VB_Name = \"モジュール\"", "Sub Dup()", "  Dup",
                                       "  Back\\Slash", "End Sub"});
    Module(folder + "Odd.cls", {"VERSION 1.0 CLASS", "BEGIN", "END", "Attribute VB_Name = \"C\"",
                                "Public Sub Dup()", "Say\"Hi", "End Sub"});
  }

  // Analyses the project and builds the export graph over its tree.
  const ExportGraph& Build(const std::string& project, const CallSiteSource* sites = nullptr) {
    Analyze(project);
    tree = ResultTree::Build(ctx.Result.SymbolList);
    graph = ExportGraph::Build(tree, ctx.Result.SymbolList, Engine(project), sites);
    return graph;
  }

  // The example project, read where it lies.
  const ExportGraph& BuildExample() {
    const std::string project = NativeToEngine(SourcePath("examples/Demo/Demo.vbp"));
    AnalyzeProject(ctx, project);
    tree = ResultTree::Build(ctx.Result.SymbolList);
    graph = ExportGraph::Build(tree, ctx.Result.SymbolList, project);
    return graph;
  }

  ResultTree tree;
  ExportGraph graph;
};

// The lines of text, without their LF.
inline std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

inline std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

// A program on the PATH, for the checks that run the real tools where they are installed.
inline bool HaveProgram(const std::string& name) {
  return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

// Runs a shell command; returns its exit status and puts what it printed in output.
inline int RunCommand(const std::string& command, std::string& output) {
  output.clear();
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return -1;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
  const int status = pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A Python with the jsonschema module: Debian's own first.
inline std::string SchemaPython() {
  for (const char* python : {"/usr/bin/python3", "python3"}) {
    if (std::system((std::string(python) + " -c 'import jsonschema' >/dev/null 2>&1").c_str()) ==
        0) {
      return python;
    }
  }
  return {};
}

// One call site source for the tests: every call is made at lines 3 and 4 of the caller's file.
class TwoSitesEach : public CallSiteSource {
 public:
  void AppendLines(const TPassRec&, std::string_view, std::vector<int>& lines) const override {
    lines.push_back(3);
    lines.push_back(4);
  }
};

}  // namespace tarnel::test
