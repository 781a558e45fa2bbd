// The name pool: the one store of the run's names (labels, macros, source files), each
// NUL-terminated and referred to by its offset.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "base/memory.h"

struct NamePool {
  std::vector<char, LargeAllocator<char>> bytes;  // offset 0 is never a name
};

// Makes the pool empty, with the unused offset 0.
void CreateNamePool(NamePool &pool);
// Makes room for this many bytes of names at once, so that a large pool need not move (copying
// itself) as it grows.
void ReserveNames(NamePool &pool, size_t bytes);
// Appends a name; returns its offset (0 when the pool cannot hold it).
int32_t AddName(NamePool &pool, std::string_view text);
// The NUL-terminated name at an offset ("" for 0 or an offset beyond the pool).
inline const char *NameAt(const NamePool &pool, int32_t offset) {
  const auto &bytes = pool.bytes;
  if (offset <= 0 || static_cast<size_t>(offset) >= bytes.size()) {
    return "";
  }
  return &bytes[static_cast<size_t>(offset)];
}
