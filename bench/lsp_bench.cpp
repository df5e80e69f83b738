// tarnel-bench-lsp FOLDER [ROUNDS]: the language server's workspace on the projects under FOLDER
// (precise reading, Auto encoding). Times the first analysis, then rounds of "one module edited
// and saved": the project read again and the edited procedure's callers asked for.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "lsp/Workspace.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: tarnel-bench-lsp FOLDER [ROUNDS]\n");
    return 2;
  }
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
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
  std::string original;
  {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    original = text.str();
  }
  std::vector<double> times;
  for (int round = 0; round < rounds; ++round) {
    {
      std::ofstream out(path, std::ios::binary | std::ios::trunc);
      out << original << "' edit " << round << "\r\n";
    }
    start = std::chrono::steady_clock::now();
    space.Reanalyse({path});
    std::vector<tarnel::ProcedureItem> procedures = space.ProceduresIn(path);
    std::size_t callers = procedures.empty() ? 0 : space.Incoming(procedures.front()).size();
    times.push_back(Seconds(start));
    std::printf("edit %d: %.1f ms (%zu procedures, %zu callers of the first)\n", round,
                times.back() * 1000, procedures.size(), callers);
  }
  std::ofstream(path, std::ios::binary | std::ios::trunc) << original;
  std::sort(times.begin(), times.end());
  std::printf("edit to current answers: min %.1f ms, median %.1f ms, max %.1f ms\n",
              times.front() * 1000, times[times.size() / 2] * 1000, times.back() * 1000);
  return 0;
}
