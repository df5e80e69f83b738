// Calls PreferLargePagesForLongRun as the window's program does, then tells what the process was
// started with and what programs it starts would see. With "--arenas N" instead, calls
// PreferLargePagesForOneShotRun(N) as the batch tool does, lets five threads allocate at once
// and tells how many arenas the allocator made; with "--marked", tells where the range marked for
// large pages lies and what has touched it; with "--worker-arena", how a worker's arena of a
// one-shot run is laid out and backed. Built without a sanitizer, whose allocator would make
// either call do nothing.
#include <malloc.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <latch>
#include <sstream>
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
    const std::string entry =
        all.substr(at, end == std::string::npos ? std::string::npos : end - at);
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

// Calls take(start, end, line) for each line of /proc/self/smaps that tells of a mapping, with
// that mapping's address range.
template <typename Take>
void ForEachMappingLine(Take take) {
  std::ifstream smaps("/proc/self/smaps");
  std::uintptr_t start = 0, end = 0;
  std::string line;
  while (std::getline(smaps, line)) {
    unsigned long first = 0, last = 0;
    char dash = 0;
    std::istringstream fields(line);
    if (std::isxdigit(static_cast<unsigned char>(line[0])) &&
        (fields >> std::hex >> first >> dash >> last) && dash == '-') {
      start = first;
      end = last;
    } else {
      take(start, end, line);
    }
  }
}

// The mappings that the process asked to have large pages, with their resident size.
struct MarkedRange {
  std::uintptr_t Start = 0;
  std::uintptr_t End = 0;
  long RssKb = -1;
};
std::vector<MarkedRange> MarkedRanges() {
  std::vector<MarkedRange> marked;
  long rssKb = -1;  // a mapping's Rss line comes before its flags
  ForEachMappingLine([&](std::uintptr_t start, std::uintptr_t end, const std::string& line) {
    if (line.rfind("Rss:", 0) == 0) {
      rssKb = std::atol(line.c_str() + 4);
    } else if (line.rfind("VmFlags:", 0) == 0 && line.find(" hg") != std::string::npos) {
      marked.push_back({start, end, rssKb});
    }
  });
  return marked;
}

// Where the heap's range for large pages starts, whether anything touched it before it was
// marked, and whether the blocks allocated afterwards come from it.
void TellMarkedRange() {
  tarnel::PreferLargePagesForOneShotRun(1);
  const std::vector<MarkedRange> marked = MarkedRanges();
  if (marked.size() != 1) {
    std::printf("marked ranges: %zu\n", marked.size());
    return;
  }
  const MarkedRange& range = marked[0];
  std::printf("starts on a large page: %s\n", range.Start % (2u << 20) == 0 ? "yes" : "no");
  std::printf("resident when marked: %ld kB\n", range.RssKb);
  // Small blocks, as the analysis allocates them, until they come from the range.
  std::vector<void*> blocks;
  bool inRange = false;
  for (int i = 0; i < 100000 && !inRange; ++i) {
    blocks.push_back(std::malloc(64));
    const auto at = reinterpret_cast<std::uintptr_t>(blocks.back());
    inRange = at >= range.Start && at < range.End;
  }
  std::printf("later blocks come from it: %s\n", inRange ? "yes" : "no");
  for (void* block : blocks) std::free(block);
}

// The resident size in large pages of the mapping that holds address, in kB, or -1.
long LargePagesKbAround(std::uintptr_t address) {
  long kb = -1;
  ForEachMappingLine([&](std::uintptr_t start, std::uintptr_t end, const std::string& line) {
    if (address >= start && address < end && line.rfind("AnonHugePages:", 0) == 0) {
      kb = std::atol(line.c_str() + 14);
    }
  });
  return kb;
}

// A worker of a one-shot run readies its arena, twice, and then allocates and writes small blocks
// as the analysis does: whether its first blocks stay in the arena's first large page's span,
// which keeps small pages, and whether large pages back the later ones, past that span.
void TellWorkerArena() {
  tarnel::PreferLargePagesForOneShotRun(2);
  std::thread worker([] {
    tarnel::PrepareWorkerArenaForOneShotRun();
    tarnel::PrepareWorkerArenaForOneShotRun();
    constexpr int kBlocks = 100000;  // about 6 MB with the allocator's headers
    std::vector<char*> blocks;
    blocks.reserve(kBlocks);
    for (int i = 0; i < kBlocks; ++i) {
      blocks.push_back(static_cast<char*>(std::malloc(48)));
      std::memset(blocks.back(), 1, 48);
    }
    constexpr std::uintptr_t kHeapReservation = 64u << 20;
    const auto first = reinterpret_cast<std::uintptr_t>(blocks.front());
    const bool inFirstSpan = first - (first & ~(kHeapReservation - 1)) < (2u << 20);
    std::printf("first blocks in the first span: %s\n", inFirstSpan ? "yes" : "no");
    const long kb = LargePagesKbAround(reinterpret_cast<std::uintptr_t>(blocks.back()));
    std::printf("large pages under the later blocks: %s\n", kb >= 2048 ? "yes" : "no");
    for (char* block : blocks) std::free(block);
  });
  worker.join();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--worker-arena") == 0) {
    TellWorkerArena();
    return 0;
  }
  if (argc == 2 && std::strcmp(argv[1], "--marked") == 0) {
    TellMarkedRange();
    return 0;
  }
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
