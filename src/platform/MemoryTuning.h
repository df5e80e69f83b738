#pragma once

namespace tarnel {

// For a short-lived process that builds a large result once and exits: the allocator keeps what
// it got from the system, serves every thread from one heap, and that heap is backed by large
// pages where the system grants them. A batch analysis touches tens of megabytes once, and on
// small pages the page faults cost more than the work; a long-running process should not call
// this, since it never gives memory back. Does nothing where the allocator or the system lacks
// the means, or under a sanitizer's allocator.
void PreferLargePagesForOneShotRun();

}  // namespace tarnel
