#pragma once

#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "cli/BatchTool.h"

namespace tarnel::test {

// Runs the batch tool with args, its report going to out; err receives what it printed on
// standard error. Returns the exit status.
inline int RunBatch(const std::vector<std::string>& args, const std::string& programDir,
                    std::ostream& out, std::string& err) {
  std::FILE* errFile = std::tmpfile();
  int status = RunBatchTool(args, programDir, out, errFile, false);
  std::rewind(errFile);
  err.clear();
  char buffer[4096];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, errFile)) > 0) err.append(buffer, got);
  std::fclose(errFile);
  return status;
}

}  // namespace tarnel::test
