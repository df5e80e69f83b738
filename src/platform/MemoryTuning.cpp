#include "platform/MemoryTuning.h"

#include <algorithm>
#include <cstdlib>  // defines __GLIBC__ on glibc
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#if defined(__linux__) && defined(__GLIBC__)
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#endif

namespace tarnel {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define TARNEL_FOREIGN_ALLOCATOR 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || \
    __has_feature(memory_sanitizer)
#define TARNEL_FOREIGN_ALLOCATOR 1
#endif
#endif

void PreferLargePagesForOneShotRun(unsigned threads) {
#if defined(__linux__) && defined(__GLIBC__) && !defined(TARNEL_FOREIGN_ALLOCATOR)
  constexpr std::uintptr_t kLargePage = 2u << 20;
  constexpr std::uintptr_t kSmallPage = 4u << 10;
  constexpr std::uintptr_t kHeaderRoom = 256;  // the allocator's headers and alignment, with room
  // The heap grows by this much address space at once; pages come only when touched.
  constexpr int kHeadroom = 256 << 20;
  constexpr int kLargestFromHeap = 32 << 20;  // the allocator's upper limit for this setting
  // An arena per thread: the main thread's is the madvised heap, which holds what the run keeps,
  // and each worker has one of its own. Threads that share an arena take turns at its lock
  // whenever their caches cannot serve an allocation: with one for all, a whole run on two cores
  // made twenty thousand futex calls and more. Large blocks come from the heap too, instead of
  // separate mappings on small pages.
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  mallopt(M_ARENA_MAX, static_cast<int>(std::clamp(threads, 1u, cores)));
  mallopt(M_MMAP_THRESHOLD, kLargestFromHeap);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  mallopt(M_TOP_PAD, kHeadroom);
  // Grow the heap once now and mark the grown range for large pages; later allocations are
  // served from it. A large page's span that the allocator writes to before the mark keeps small
  // pages, page by page, up to 512 faults. So the break first moves to a little below a large
  // page's boundary, far enough that the growth's own writes (the headers of the block that
  // makes the heap grow and of the free rest after it) land below the boundary, and the mark
  // starts there. The bytes skipped are address space, never touched.
  const std::size_t probeSize = mallinfo2().fordblks + 1;  // more than any free block holds
  const std::uintptr_t room = (probeSize + kHeaderRoom + kSmallPage - 1) & ~(kSmallPage - 1);
  const auto start = reinterpret_cast<std::uintptr_t>(sbrk(0));
  if (start == static_cast<std::uintptr_t>(-1)) return;
  const std::uintptr_t boundary = (start + room + kLargePage - 1) & ~(kLargePage - 1);
  if (sbrk(static_cast<intptr_t>(boundary - room - start)) == reinterpret_cast<void*>(-1)) return;
  void* volatile probe = std::malloc(probeSize);  // volatile: the pair must not be elided
  const auto after = reinterpret_cast<std::uintptr_t>(sbrk(0));
  std::free(probe);
  if (after <= boundary) return;
  madvise(reinterpret_cast<void*>(boundary), after - boundary, MADV_HUGEPAGE);
#else
  (void)threads;
#endif
}

#if defined(__linux__) && defined(__GLIBC__) && !defined(TARNEL_FOREIGN_ALLOCATOR)
namespace {

// In the environment of the restarted process only.
constexpr const char* kRestartMarker = "TARNEL_ALLOCATOR_RESTARTED";
// Large pages for every heap; the main heap grows by 32 MB beyond each request.
constexpr const char* kLongRunTunables = "glibc.malloc.hugetlb=1:glibc.malloc.top_pad=33554432";

}  // namespace
#endif

bool SystemGrantsLargePages() {
  std::ifstream file("/sys/kernel/mm/transparent_hugepage/enabled");
  const std::string modes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  return !modes.empty() && modes.find("[never]") == std::string::npos;
}

void PreferLargePagesForLongRun(char** argv) {
#if defined(__linux__) && defined(__GLIBC__) && !defined(TARNEL_FOREIGN_ALLOCATOR)
  if (std::getenv(kRestartMarker) != nullptr) {
    // The allocator has read its setting; programs started from here get the environment that
    // this program was started with.
    unsetenv("GLIBC_TUNABLES");
    unsetenv(kRestartMarker);
    return;
  }
  // Settings the user chose for the allocator stand.
  if (std::getenv("GLIBC_TUNABLES") != nullptr || argv == nullptr || argv[0] == nullptr ||
      !SystemGrantsLargePages()) {
    return;
  }
  // The program's own file by its path, so that the restarted process keeps its name.
  std::string self(4096, '\0');
  const ssize_t length = readlink("/proc/self/exe", self.data(), self.size() - 1);
  if (length <= 0 || static_cast<std::size_t>(length) >= self.size() - 1) return;
  self.resize(static_cast<std::size_t>(length));
  setenv("GLIBC_TUNABLES", kLongRunTunables, 1);
  setenv(kRestartMarker, "1", 1);
  execv(self.c_str(), argv);
  // Still here: the program goes on as it is.
  unsetenv("GLIBC_TUNABLES");
  unsetenv(kRestartMarker);
#else
  (void)argv;
#endif
}

}  // namespace tarnel
