// The end of a run whose memory ran out: a failed operator new and a text store that cannot
// grow both come here, so that no allocation failure aborts or goes unnoticed.
#include "base/memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>

#include "base/catalogue.h"

namespace {

constexpr int kOutOfMemoryStatus = 255;

// A sanitizer must see every block to check the accesses to it (GCC names AddressSanitizer
// with a macro, older clang only as a feature).
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSystemBlocks = false;
#elif defined(__has_feature)
constexpr bool kSystemBlocks = !__has_feature(address_sanitizer);
#else
constexpr bool kSystemBlocks = true;
#endif
constexpr size_t kHugePage = size_t{2} << 20;
// Blocks from a whole huge page on come from the system: a smaller one would make a small
// program's few fixups or labels take a whole huge page.
constexpr size_t kLargeBlock = kHugePage;

bool FromSystem(size_t bytes) { return kSystemBlocks && bytes >= kLargeBlock; }

size_t RoundToHugePage(size_t bytes) { return (bytes + kHugePage - 1) & ~(kHugePage - 1); }

}  // namespace

void *AllocateLarge(size_t bytes) {
  if (!FromSystem(bytes)) {
    return ::operator new(bytes);
  }
  const size_t length = RoundToHugePage(bytes);
  if (length < bytes || length > SIZE_MAX - kHugePage) {
    EndRunOutOfMemory();
  }
  // Mapped one huge page longer than needed, so that an aligned start lies inside; the
  // unaligned head and the tail are given back at once.
  void *mapped =
      mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) {
    EndRunOutOfMemory();
  }
  char *const start = static_cast<char *>(mapped);
  const size_t misalignment = reinterpret_cast<uintptr_t>(start) % kHugePage;
  const size_t head = misalignment == 0 ? 0 : kHugePage - misalignment;
  char *const block = start + head;
  if (head > 0) {
    (void)munmap(start, head);
  }
  (void)munmap(block + length, kHugePage - head);
#ifdef MADV_HUGEPAGE
  (void)madvise(block, length, MADV_HUGEPAGE);  // only a hint: without it, plain pages
#endif
  return block;
}

void FreeLarge(void *block, size_t bytes) {
  if (block == nullptr) {
    return;
  }
  if (!FromSystem(bytes)) {
    ::operator delete(block);
    return;
  }
  (void)munmap(block, RoundToHugePage(bytes));
}

void EndRunOutOfMemory() {
  std::fflush(stdout);
  const char *text = MessageText(Msg::NoMemory);
  (void)!write(STDOUT_FILENO, text, std::strlen(text));
  (void)!write(STDOUT_FILENO, "\n", 1);
  _exit(kOutOfMemoryStatus);
}

void InstallOutOfMemoryHandler() { std::set_new_handler(EndRunOutOfMemory); }
