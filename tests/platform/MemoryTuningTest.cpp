#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <thread>

#include "platform/MemoryTuning.h"

namespace tarnel {
namespace {

std::string OutputOf(const std::string& command) {
  std::string output;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
    pclose(pipe);
  }
  return output;
}

const std::string kProbe = TARNEL_TUNING_PROBE;

// The program starts again, once, with the allocator's setting, its own arguments and its own
// name (the system keeps 15 bytes of it); what it starts afterwards sees neither the setting nor
// the restart's marker.
TEST(MemoryTuningTest, TheWindowsProgramRestartsWithLargePagesAndPassesNothingOn) {
  if (!SystemGrantsLargePages()) GTEST_SKIP() << "no large pages on this system";
  // The C library rewrites the setting in place as it reads it, so only its start is certain.
  const std::string output = OutputOf("env -u GLIBC_TUNABLES '" + kProbe + "' 'Demo Project.vbp'");
  EXPECT_EQ(output.rfind("started with: glibc.malloc.hugetlb=1", 0), 0u) << output;
  EXPECT_NE(output.find("\npassed on: -\nmarker passed on: -\nargument: Demo Project.vbp\n"
                        "name: memory_tuning_p\n"),
            std::string::npos)
      << output;
}

// Settings the user gave the allocator stand, and no restart is made.
TEST(MemoryTuningTest, TheUsersOwnAllocatorSettingsStand) {
  EXPECT_EQ(OutputOf("env GLIBC_TUNABLES=glibc.malloc.arena_max=2 '" + kProbe + "' x"),
            "started with: glibc.malloc.arena_max=2\n"
            "passed on: glibc.malloc.arena_max=2\n"
            "marker passed on: -\n"
            "argument: x\n"
            "name: memory_tuning_p\n");
}

// The batch tool's threads each get an arena of their own, up to the number it asks for and the
// machine's cores: sharing one, they would take turns at its lock.
TEST(MemoryTuningTest, EachThreadOfAOneShotRunAllocatesFromAnArenaOfItsOwn) {
  const unsigned cores = std::thread::hardware_concurrency();
  EXPECT_EQ(OutputOf("'" + kProbe + "' --arenas 1"), "arenas: 1\n");
  if (cores < 2) GTEST_SKIP() << "one core: one arena";
  const unsigned expected = std::min(cores, 4u);
  EXPECT_EQ(OutputOf("'" + kProbe + "' --arenas 4"), "arenas: " + std::to_string(expected) + "\n");
}

// The batch tool's heap is marked for large pages from a large page's boundary, and nothing
// writes to the marked range before the mark: a large page's span written to first keeps small
// pages, each a fault of its own. The allocations that follow come from the range.
TEST(MemoryTuningTest, AOneShotRunsHeapIsMarkedBeforeAnythingTouchesIt) {
  if (!SystemGrantsLargePages()) GTEST_SKIP() << "no large pages on this system";
  EXPECT_EQ(OutputOf("'" + kProbe + "' --marked"),
            "starts on a large page: yes\n"
            "resident when marked: 0 kB\n"
            "later blocks come from it: yes\n");
}

// A worker of the batch tool readies its own arena before it allocates. Its first blocks stay in
// the arena's first large page's span, on small pages, so that a worker that keeps little takes
// little; past that span large pages back its blocks, as they back the main thread's.
TEST(MemoryTuningTest, AOneShotRunsWorkerAllocatesOnLargePages) {
  if (!SystemGrantsLargePages()) GTEST_SKIP() << "no large pages on this system";
  if (std::thread::hardware_concurrency() < 2) GTEST_SKIP() << "one core: no arena of its own";
  EXPECT_EQ(OutputOf("'" + kProbe + "' --worker-arena"),
            "first blocks in the first span: yes\n"
            "large pages under the later blocks: yes\n");
}

}  // namespace
}  // namespace tarnel
