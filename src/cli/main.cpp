#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <exception>
#include <iostream>

#include "analysis/AnalysisOptions.h"
#include "cli/BatchTool.h"
#include "platform/Errors.h"
#include "platform/MemoryTuning.h"
#include "platform/Paths.h"

namespace {

// A standard stream that was closed gets a read-only /dev/null: a file opened later must not
// take its number and receive the report, and writing to it still fails as it should.
void KeepStandardStreamsTaken() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
      int opened = ::open("/dev/null", O_RDONLY);
      if (opened >= 0 && opened != fd) ::close(opened);
    }
  }
}

// The report is only out once standard output took all of it.
bool StandardOutputClosedCleanly() {
  std::cout.flush();
  bool ok = !std::cout.fail();
  ok = std::fflush(stdout) == 0 && ok;
  ok = std::fclose(stdout) == 0 && ok;
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  // The analysis's own thread and its workers allocate at once. Both readings gain: the precise
  // one's peak stays within a megabyte of what the default allocator gives it.
  tarnel::PreferLargePagesForOneShotRun(1 + tarnel::AnalysisOptions{}.Workers);
  KeepStandardStreamsTaken();
  std::ios::sync_with_stdio(false);
  int status;
  try {
    std::vector<std::string> args(argv + 1, argv + argc);
    status = tarnel::RunBatchTool(args, tarnel::ExecutableFolderOf(argv[0]), std::cout, stderr,
                                  isatty(fileno(stderr)) != 0, /*processEndsAfter=*/true);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  if (!StandardOutputClosedCleanly() && status == 0) {
    std::fprintf(stderr, "%s\n", tarnel::FileWriteError("standard output").what());
    return 1;
  }
  return status;
}
