#include <unistd.h>

#include <filesystem>
#include <iostream>

#include "cli/BatchTool.h"

namespace {

// The folder of the running executable, ending in "/".
std::string ProgramDir(const char* argv0) {
  std::error_code error;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) self = std::filesystem::absolute(argv0, error);
  return self.parent_path().string() + "/";
}

}  // namespace

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  std::vector<std::string> args(argv + 1, argv + argc);
  return tarnel::RunBatchTool(args, ProgramDir(argv[0]), std::cout, stderr,
                              isatty(fileno(stderr)) != 0);
}
