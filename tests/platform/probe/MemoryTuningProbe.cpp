// Calls PreferLargePagesForLongRun as the window's program does, then tells what the process was
// started with and what programs it starts would see. Built without a sanitizer, whose allocator
// would make the call do nothing.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/MemoryTuning.h"

namespace {

std::string Shown(const char* value) { return value ? value : "-"; }

// The variable as the process was started with it: the kernel keeps the first environment.
std::string StartedWith(const std::string& name) {
  std::ifstream file("/proc/self/environ", std::ios::binary);
  const std::string all((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const std::string prefix = name + "=";
  for (std::size_t at = 0; at < all.size();) {
    const std::size_t end = all.find('\0', at);
    const std::string entry = all.substr(at, end == std::string::npos ? std::string::npos : end - at);
    if (entry.compare(0, prefix.size(), prefix) == 0) return entry.substr(prefix.size());
    if (end == std::string::npos) break;
    at = end + 1;
  }
  return "-";
}

}  // namespace

int main(int, char** argv) {
  tarnel::PreferLargePagesForLongRun(argv);
  std::printf("started with: %s\n", StartedWith("GLIBC_TUNABLES").c_str());
  std::printf("passed on: %s\n", Shown(std::getenv("GLIBC_TUNABLES")).c_str());
  std::printf("marker passed on: %s\n", Shown(std::getenv("TARNEL_ALLOCATOR_RESTARTED")).c_str());
  std::printf("argument: %s\n", Shown(argv[1]).c_str());
  std::ifstream comm("/proc/self/comm");
  std::string name;
  std::getline(comm, name);
  std::printf("name: %s\n", name.c_str());
  return 0;
}
