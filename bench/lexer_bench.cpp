// Times the precise reading's lexer alone: every module file of a folder, read into memory once,
// then lexed statement by statement, whole passes over all of them, and prints the best pass. The
// best of many passes is what a busy machine still lets through.
// usage: tarnel-bench-lexer FOLDER [PASSES]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "analysis/VbLexer.h"
#include "platform/TextFile.h"

namespace {

std::vector<std::string> ModuleTexts(const std::filesystem::path& folder) {
  std::vector<std::string> texts;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string ext = entry.path().extension().string();
    if (ext != ".bas" && ext != ".cls" && ext != ".frm") continue;
    std::ifstream file(entry.path(), std::ios::binary);
    texts.emplace_back(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  }
  return texts;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FOLDER [PASSES]\n", argv[0]);
    return 2;
  }
  const std::vector<std::string> texts = ModuleTexts(argv[1]);
  const int passes = argc > 2 ? std::max(1, std::atoi(argv[2])) : 20;
  const tarnel::CondConstants project;
  double best = 0;
  long tokens = 0;
  for (int pass = 0; pass < passes; ++pass) {
    const auto start = std::chrono::steady_clock::now();
    tokens = 0;
    for (const std::string& text : texts) {
      tarnel::TextReader reader = tarnel::TextReader::FromBytes(text);
      tarnel::VbLexer lexer(reader, 0, project, true);
      tarnel::VbStatement statement;
      while (lexer.Next(statement)) tokens += static_cast<long>(statement.Tokens.size());
    }
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    if (pass == 0 || ms < best) best = ms;
  }
  std::printf("modules %zu\ntokens  %ld\nbest    %.1f ms of %d passes\n", texts.size(), tokens,
              best, passes);
  return 0;
}
