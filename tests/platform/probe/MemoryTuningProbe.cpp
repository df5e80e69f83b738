// Calls PreferLargePagesForLongRun as the window's program does, then tells what the process was
// started with and what programs it starts would see. With "--arenas N" instead, calls
// PreferLargePagesForOneShotRun(N) as the batch tool does, lets five threads allocate at once
// and tells how many arenas the allocator made. Built without a sanitizer, whose allocator
// would make either call do nothing.
#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <latch>
#include <string>
#include <thread>
#include <vector>

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

// Arenas in use once the main thread and five others have each allocated, all still running.
int ArenasWithSixThreads() {
  constexpr int kOthers = 5;
  std::latch allocated(kOthers + 1);
  std::latch counted(1);
  void* volatile mine = std::malloc(64);
  std::vector<std::thread> threads;
  for (int i = 0; i < kOthers; ++i) {
    threads.emplace_back([&] {
      void* volatile block = std::malloc(64);
      allocated.count_down();
      counted.wait();
      std::free(block);
    });
  }
  allocated.arrive_and_wait();
  char* text = nullptr;
  std::size_t size = 0;
  FILE* out = open_memstream(&text, &size);
  malloc_info(0, out);
  std::fclose(out);
  int arenas = 0;
  for (const char* at = text; (at = std::strstr(at, "<heap nr=")) != nullptr; ++at) ++arenas;
  std::free(text);
  counted.count_down();
  for (std::thread& thread : threads) thread.join();
  std::free(mine);
  return arenas;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--arenas") == 0) {
    tarnel::PreferLargePagesForOneShotRun(static_cast<unsigned>(std::atoi(argv[2])));
    std::printf("arenas: %d\n", ArenasWithSixThreads());
    return 0;
  }
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
