#pragma once

namespace tarnel {

// For a short-lived process that builds a large result once and exits: the allocator keeps what
// it got from the system, serves the main thread from one heap backed by large pages where the
// system grants them, and gives each of up to threads - 1 other threads (no more than the
// machine's cores allow) an arena of its own. A batch analysis touches tens of megabytes once,
// and on small pages the page faults cost more than the work; a long-running process should not
// call this, since it never gives memory back. threads counts every thread that allocates at
// once, the main one included. Does nothing where the allocator or the system lacks the means,
// or under a sanitizer's allocator.
void PreferLargePagesForOneShotRun(unsigned threads);

// For a thread that a one-shot run (PreferLargePagesForOneShotRun) starts to share its work, as
// the first thing the thread does: when the thread's blocks come from an arena made for it, lets
// that arena's memory past its first large page come in large pages too. The allocator grows such
// an arena a few small pages at a time, which leaves a large page's span usable only in part when
// first touched, and so backed by small pages, each a fault of its own. Does nothing in any other
// process, or where the means lack.
void PrepareWorkerArenaForOneShotRun();

// For a long-running process (the window): the C library's allocator backs its heaps, those of
// worker threads too, with large pages where the system grants them and grows the main heap in
// steps of 32 MB, while still giving memory back. That setting (GLIBC_TUNABLES) is read only when
// a process starts, so the first call starts the program again with it, from argv; in the
// restarted process the call takes the setting out of the environment again, so that programs
// started from this one run as they would have. Does nothing (and returns) where the system has
// no large pages, the user has set the allocator's tunables, the restart fails, or under a
// sanitizer's allocator.
void PreferLargePagesForLongRun(char** argv);

// Whether the system backs memory with large pages on request (Linux's transparent huge pages
// not turned off).
bool SystemGrantsLargePages();

}  // namespace tarnel
