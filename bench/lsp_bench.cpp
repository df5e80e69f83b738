// tarnel-bench-lsp FOLDER [ROUNDS]: the language server's workspace on the projects under FOLDER
// (precise reading, Auto encoding). Times the first analysis, then rounds of edits to one module,
// each from the edit to current answers (the module's procedures and the callers of its first):
// a call added to a body and saved, the same typed but unsaved (the editor's text), and
// procedures added, renamed and removed (a declared name changed, so the modules using that name
// are read again too, and the keys of every later procedure move).
// Then the diagnostics of every module, as the server sends them after an edit. Last, the server
// itself in this process, without a client or a pipe: its start on the same folder, and its
// answers for the procedure with the most callers, from the request's text to the answer's.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/Symbol.h"
#include "lsp/Server.h"
#include "lsp/Uri.h"
#include "lsp/Workspace.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteAll(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// The text with line (from 0) inserted before line `at`.
std::string InsertLine(const std::string& text, int at, const std::string& line) {
  std::size_t pos = 0;
  for (int i = 0; i < at && pos != std::string::npos; ++i) {
    pos = text.find('\n', pos);
    if (pos != std::string::npos) ++pos;
  }
  if (pos == std::string::npos) pos = text.size();
  std::string out = text;
  out.insert(pos, line + "\r\n");
  return out;
}

void Report(const char* what, std::vector<double> times) {
  std::sort(times.begin(), times.end());
  std::printf("%s: min %.1f ms, median %.1f ms, max %.1f ms\n", what, times.front() * 1000,
              times[times.size() / 2] * 1000, times.back() * 1000);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: tarnel-bench-lsp FOLDER [ROUNDS]\n");
    return 2;
  }
  const int rounds = std::max(1, argc > 2 ? std::atoi(argv[2]) : 5);
  tarnel::Workspace::Options options;
  options.Dictionary = "data/resv.dic";
  tarnel::Workspace space(options);
  auto start = std::chrono::steady_clock::now();
  space.AddFolders({argv[1]});
  std::printf("first analysis: %.3f s, %zu project(s)\n", Seconds(start),
              space.ProjectFiles().size());
  const std::vector<std::string> modules = space.ModuleFiles();
  if (modules.empty()) return 1;
  const std::string path = modules[modules.size() / 2];
  const std::string original = ReadAll(path);
  std::vector<tarnel::ProcedureItem> procedures = space.ProceduresIn(path);
  auto body = std::find_if(procedures.begin(), procedures.end(), [](const auto& item) {
    return item.Kind >= tarnel::KindSub && item.Kind <= tarnel::KindFunction;
  });
  if (body == procedures.end()) return 1;
  const int inside = body->Range.Start.Line + 1;
  const std::string callee = procedures.back().Name;
  std::printf("edited module: %s (%zu procedures), call to %s added in %s\n", path.c_str(),
              procedures.size(), callee.c_str(), body->Name.c_str());

  std::size_t answers = 0;
  auto answer = [&] {
    std::vector<tarnel::ProcedureItem> now = space.ProceduresIn(path);
    answers += now.size() + (now.empty() ? 0 : space.Incoming(now.front()).size());
  };
  auto measure = [&](const char* what, const std::function<void(int)>& edit) {
    std::vector<double> times;
    std::size_t resolved = 0;
    for (int round = 0; round < rounds; ++round) {
      start = std::chrono::steady_clock::now();
      edit(round);
      answer();
      times.push_back(Seconds(start));
      resolved = std::max(resolved, space.LastResolved());
    }
    Report(what, times);
    std::printf("  (at most %zu of %zu modules' bodies read again)\n", resolved, modules.size());
  };

  measure("call added to a body, saved", [&](int round) {
    WriteAll(path, InsertLine(original, inside, round % 2 ? "    " + callee : "    ' x"));
    space.Reanalyse({path});
  });
  WriteAll(path, original);
  space.Reanalyse({path});
  measure("call added to a body, unsaved", [&](int round) {
    space.SetOpenText(path, InsertLine(original, inside, round % 2 ? "    " + callee : "    ' x"));
    space.Reanalyse({path});
  });
  space.SetOpenText(path, std::nullopt);
  space.Reanalyse({path});
  // Declarations: each round adds one more procedure (so every later key moves), then each
  // renames the last one, then each removes one.
  const auto withAdded = [&](int count, const std::string& last) {
    std::string text = original;
    for (int i = 0; i < count; ++i) {
      text += "Public Sub " + (i + 1 == count ? last : "BenchAdded" + std::to_string(i)) +
              "()\r\nEnd Sub\r\n";
    }
    return text;
  };
  measure("procedure added, saved", [&](int round) {
    WriteAll(path, withAdded(round + 1, "BenchAdded" + std::to_string(round)));
    space.Reanalyse({path});
  });
  measure("procedure renamed, saved", [&](int round) {
    WriteAll(path, withAdded(rounds, "BenchRenamed" + std::to_string(round)));
    space.Reanalyse({path});
  });
  measure("procedure removed, saved", [&](int round) {
    WriteAll(path,
             withAdded(rounds - round - 1, "BenchAdded" + std::to_string(rounds - round - 2)));
    space.Reanalyse({path});
  });
  WriteAll(path, original);
  space.Reanalyse({path});

  std::vector<double> times;
  for (int round = 0; round < rounds; ++round) {
    start = std::chrono::steady_clock::now();
    std::size_t marks = 0;
    for (const std::string& module : modules) marks += space.UnusedIn(module).size();
    times.push_back(Seconds(start));
    if (round == 0) std::printf("diagnostics: %zu marks\n", marks);
  }
  Report("diagnostics of every module", times);

  const tarnel::ProcedureItem* mostCalled = nullptr;
  std::vector<tarnel::ProcedureItem> all;
  for (const std::string& module : modules) {
    for (tarnel::ProcedureItem& item : space.ProceduresIn(module)) all.push_back(std::move(item));
  }
  for (const tarnel::ProcedureItem& item : all) {
    if (mostCalled == nullptr || item.Callers > mostCalled->Callers) mostCalled = &item;
  }
  if (mostCalled == nullptr) return 1;
  std::size_t sent = 0, bytes = 0;
  tarnel::Server server(
      [&](const std::string& body) {
        ++sent;
        bytes += body.size();
      },
      options.Dictionary);
  const auto timed = [&](const std::string& message) {
    sent = bytes = 0;
    start = std::chrono::steady_clock::now();
    server.Handle(message);
    return Seconds(start);
  };
  const std::string root = tarnel::PathToFileUri(argv[1]);
  const double initialize = timed(R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":)"
                                  R"({"processId":null,"rootUri":")" +
                                  root + R"(","capabilities":{}}})");
  const double diagnostics = timed(R"({"jsonrpc":"2.0","method":"initialized","params":{}})");
  std::printf("server: initialize %.0f ms, first diagnostics %.0f ms (%zu messages, %.1f MB)\n",
              initialize * 1000, diagnostics * 1000, sent, bytes / 1e6);
  const std::string position =
      R"("textDocument":{"uri":")" + tarnel::PathToFileUri(mostCalled->Path) +
      R"("},"position":{"line":)" + std::to_string(mostCalled->SelectionRange.Start.Line) +
      R"(,"character":)" + std::to_string(mostCalled->SelectionRange.Start.Column) + "}";
  std::printf("most called: %s, %d callers\n", mostCalled->Name.c_str(), mostCalled->Callers);
  const auto request = [&](const char* what, const std::string& message) {
    std::vector<double> answerTimes;
    for (int round = 0; round < rounds; ++round) answerTimes.push_back(timed(message));
    Report(what, answerTimes);
    std::printf("  (%.1f MB)\n", bytes / 1e6);
  };
  request("references", R"({"jsonrpc":"2.0","id":2,"method":"textDocument/references",)"
                        R"("params":{)" +
                            position + R"(,"context":{"includeDeclaration":true}}})");
  request("incoming calls",
          R"({"jsonrpc":"2.0","id":3,"method":"callHierarchy/incomingCalls","params":{"item":)"
          R"({"name":")" +
              mostCalled->Name + R"(","uri":")" + tarnel::PathToFileUri(mostCalled->Path) +
              R"(","selectionRange":{"start":{"line":)" +
              std::to_string(mostCalled->SelectionRange.Start.Line) +
              R"(,"character":0},"end":{"line":0,"character":0}}}}})");
  return answers == 0 ? 1 : 0;
}
