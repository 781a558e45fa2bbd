// Memory for the tables that grow with the source: the label records, their links and buckets,
// the name pool and the fixup lists. Lookups jump about these tables at random, so a block of a
// huge page (2 MiB) or more comes straight from the system, aligned to 2 MiB and marked for huge
// pages where the system has them: a lookup then rarely misses the TLB, and a growing table
// takes one page fault per 2 MiB instead of one per 4 KiB. Smaller blocks, and every block in a
// sanitizer build, come from operator new.
#pragma once

#include <cstddef>

// Ends the process after an allocation failed: the console is flushed, the message printed and
// the exit status is 255. It writes without allocating, so it works with no memory left.
[[noreturn]] void EndRunOutOfMemory();
// Makes a failed operator new end the run through EndRunOutOfMemory.
void InstallOutOfMemoryHandler();

// Never returns null: a request the system refuses ends the run (EndRunOutOfMemory).
void *AllocateLarge(size_t bytes);
// Releases a block from AllocateLarge of the same size.
void FreeLarge(void *block, size_t bytes);

// An allocator for std::vector over AllocateLarge.
template <typename T>
struct LargeAllocator {
  using value_type = T;
  LargeAllocator() = default;
  template <typename U>
  explicit LargeAllocator(const LargeAllocator<U> & /*other*/) {}
  T *allocate(size_t count) { return static_cast<T *>(AllocateLarge(count * sizeof(T))); }
  void deallocate(T *block, size_t count) { FreeLarge(block, count * sizeof(T)); }
  template <typename U>
  bool operator==(const LargeAllocator<U> & /*other*/) const {
    return true;
  }
};
