#include "platform/MemoryTuning.h"

#include <algorithm>
#include <atomic>
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

#if defined(__linux__) && defined(__GLIBC__) && !defined(TARNEL_FOREIGN_ALLOCATOR)
namespace {

constexpr std::uintptr_t kLargePage = 2u << 20;
constexpr std::uintptr_t kSmallPage = 4u << 10;
constexpr std::uintptr_t kHeaderRoom = 256;  // the allocator's headers and alignment, with room

// Set once this process is a one-shot run whose main heap takes large pages.
std::atomic<bool> oneShotRun{false};
// Where the main heap begins: a worker whose blocks come from it, up to the program break, has
// no arena of its own.
std::atomic<std::uintptr_t> mainHeapStart{0};

}  // namespace
#endif

void PreferLargePagesForOneShotRun(unsigned threads) {
#if defined(__linux__) && defined(__GLIBC__) && !defined(TARNEL_FOREIGN_ALLOCATOR)
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
  // Before any other thread: what the allocator got from the break so far is the main heap's.
  const std::uintptr_t heapBegin = start - mallinfo2().arena;
  const std::uintptr_t boundary = (start + room + kLargePage - 1) & ~(kLargePage - 1);
  if (sbrk(static_cast<intptr_t>(boundary - room - start)) == reinterpret_cast<void*>(-1)) return;
  void* volatile probe = std::malloc(probeSize);  // volatile: the pair must not be elided
  const auto after = reinterpret_cast<std::uintptr_t>(sbrk(0));
  std::free(probe);
  if (after <= boundary) return;
  if (madvise(reinterpret_cast<void*>(boundary), after - boundary, MADV_HUGEPAGE) != 0) return;
  mainHeapStart = heapBegin;
  oneShotRun = true;
#else
  (void)threads;
#endif
}

void PrepareWorkerArenaForOneShotRun() {
#if defined(__linux__) && defined(__GLIBC__) && !defined(TARNEL_FOREIGN_ALLOCATOR)
  if (!oneShotRun) return;
  // The allocator gives a thread's arena a heap of its own, a reservation of this size aligned to
  // it, and makes its pages usable as the arena grows, a few at a time. A large page's span that
  // is usable only in part when first touched takes small pages, each a fault of its own.
  constexpr std::uintptr_t kHeapReservation = 64u << 20;
  // How far the heap grows at once: what a worker of a large run keeps, and short of the
  // reservation. Address space only: pages come when touched.
  constexpr std::uintptr_t kGrowth = 48u << 20;
  constexpr std::size_t kGrowthStep = 16u << 20;  // below the size the allocator maps apart
  // The first block attaches the thread to its arena. In an arena made for this thread it lies in
  // the heap's first span, after the heap's header.
  void* const first = std::malloc(1);
  const auto at = reinterpret_cast<std::uintptr_t>(first);
  std::free(first);
  const std::uintptr_t heap = at & ~(kHeapReservation - 1);
  const std::uintptr_t boundary = heap + kLargePage;
  const bool inMainHeap = at >= mainHeapStart && at < reinterpret_cast<std::uintptr_t>(sbrk(0));
  if (first == nullptr || inMainHeap || at >= boundary) return;
  // The heap grows by blocks given back at once, so that its spans are whole before anything
  // touches them, and the range past the first span is marked. The first span, which the header
  // has touched, keeps small pages: a worker of a small run, or of the classic reading, stays
  // within it, where a large page would take more memory than it uses. An arena grown before
  // does not grow again, and its range is marked as it was.
  void* blocks[kGrowth / kGrowthStep] = {};
  for (void*& block : blocks) block = std::malloc(kGrowthStep);
  for (void* block : blocks) std::free(block);
  madvise(reinterpret_cast<void*>(boundary), heap + kGrowth - boundary, MADV_HUGEPAGE);
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
