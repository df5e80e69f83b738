#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "cli/CliHost.h"

namespace tarnel {
namespace {

std::string Written(std::FILE* file) {
  std::rewind(file);
  std::string text;
  char buffer[4096];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, got);
  return text;
}

void RunPass(CliHost& host, int records) {
  host.BeginProgress();
  host.SetProgressRange(records - 1);
  for (int i = 0; i < records; ++i) {
    host.SetProgress(i, "Process Xref " + std::to_string(i) + "/" + std::to_string(records - 1),
                     "name");
    if (i == 1500) host.ShowMessage("Eof");
  }
  host.EndProgress();
}

TEST(CliHostTest, ALongPassOnATerminalShowsOneRewrittenProgressLine) {
  std::FILE* err = std::tmpfile();
  CliHost host(err, true);
  RunPass(host, 2501);
  // Every thousandth record and the last; a message starts a line of its own and the progress
  // line goes on below it; the pass ends its line.
  EXPECT_EQ(Written(err),
            "\rProcess Xref 0/2500\rProcess Xref 1000/2500\nEof\n\rProcess Xref 2000/2500"
            "\rProcess Xref 2500/2500\n");
  std::fclose(err);
}

TEST(CliHostTest, ShortPassesAndPipesShowOnlyMessages) {
  std::FILE* err = std::tmpfile();
  CliHost shortPass(err, true);
  RunPass(shortPass, 900);
  CliHost piped(err, false);
  RunPass(piped, 2501);
  piped.ShowMessage("File Not Found : \x95\x5c.bas\r");  // code page 932, CR removed
  EXPECT_EQ(Written(err), "Eof\nFile Not Found : 表.bas\n");
  std::fclose(err);
}

}  // namespace
}  // namespace tarnel
