// The name pool.
#include "base/names.h"

#include <limits>

namespace {
constexpr size_t kPoolStart = 4096;
constexpr size_t kMaxOffset = std::numeric_limits<int32_t>::max();
}  // namespace

void CreateNamePool(NamePool &pool) {
  pool.bytes.clear();
  pool.bytes.reserve(kPoolStart);
  pool.bytes.push_back('\0');
}

void ReserveNames(NamePool &pool, size_t bytes) {
  if (bytes > pool.bytes.capacity()) {
    pool.bytes.reserve(bytes);
  }
}

int32_t AddName(NamePool &pool, std::string_view text) {
  auto &bytes = pool.bytes;
  if (bytes.empty() || text.size() >= kMaxOffset - bytes.size()) {
    return 0;
  }
  const auto offset = static_cast<int32_t>(bytes.size());
  bytes.insert(bytes.end(), text.begin(), text.end());
  bytes.push_back('\0');
  return offset;
}
