// The TextStore: one growable array of NUL-terminated strings, referred to by offset.
#include <cstdlib>
#include <cstring>

#include "base/memory.h"
#include "source/reader.h"
#include "source/source.h"

namespace {
constexpr uint32_t kTextStep = 4096;

// Sanitizer builds move the store on every append, so that a pointer kept across an append
// reads freed memory at once and the sanitizer names it, instead of only after a growth.
#ifdef TALVO_MOVE_ON_APPEND
constexpr bool kMoveOnEveryAppend = true;
#else
constexpr bool kMoveOnEveryAppend = false;
#endif

// Moves the store's bytes into a fresh block of capacity bytes; false when none is free.
bool MoveStore(TextStore &store, uint64_t capacity) {
  auto *moved = static_cast<char *>(std::malloc(capacity));
  if (moved == nullptr) {
    return false;
  }
  std::memcpy(moved, store.bytes, store.used);
  std::free(store.bytes);
  store.bytes = moved;
  store.capacity = static_cast<uint32_t>(capacity);
  return true;
}

// Gives the store capacity bytes, moving it when the build asks for that; false when no
// memory is free.
bool GrowStore(TextStore &store, uint64_t capacity) {
  if (kMoveOnEveryAppend) {
    return MoveStore(store, capacity);
  }
  auto *grown = static_cast<char *>(std::realloc(store.bytes, capacity));
  if (grown == nullptr) {
    return false;
  }
  store.bytes = grown;
  store.capacity = static_cast<uint32_t>(capacity);
  return true;
}

}  // namespace

bool CreateTextStore(TextStore &store) {
  store.bytes = static_cast<char *>(std::malloc(kTextStep));
  if (store.bytes == nullptr) {
    return false;
  }
  store.bytes[0] = '\0';  // offset 0 never names a string
  store.capacity = kTextStep;
  store.used = 1;
  return true;
}

void FreeTextStore(TextStore &store) {
  std::free(store.bytes);
  store = TextStore{};
}

uint32_t AppendText(TextStore &store, std::string_view text) {
  uint64_t needed = uint64_t{store.used} + text.size() + 1;
  if (store.bytes == nullptr || needed >= UINT32_MAX) {
    EndRunOutOfMemory();  // offsets are 32 bits: a store this large counts as memory exhausted
  }
  if (needed >= store.capacity || kMoveOnEveryAppend) {
    // Grow in whole steps; doubling the step count keeps appends amortised O(1).
    uint64_t capacity = store.capacity;
    while (needed >= capacity) {
      capacity +=
          capacity < uint64_t{16} * kTextStep ? kTextStep : capacity / 2 / kTextStep * kTextStep;
    }
    if (capacity >= UINT32_MAX || !GrowStore(store, capacity)) {
      EndRunOutOfMemory();
    }
  }
  uint32_t offset = store.used;
  if (!text.empty()) {
    std::memcpy(store.bytes + offset, text.data(), text.size());
  }
  store.bytes[offset + text.size()] = '\0';
  store.used = static_cast<uint32_t>(needed);
  return offset;
}

void ReleaseTextFrom(TextStore &store, uint32_t mark) {
  if (mark >= 1 && mark <= store.used) {
    store.used = mark;
  }
}

const char *ReadText(const TextStore &store, uint32_t offset, uint32_t &next) {
  if (offset == 0 || offset >= store.used) {
    next = offset;
    return nullptr;
  }
  const char *text = store.bytes + offset;
  next = offset + static_cast<uint32_t>(std::strlen(text)) + 1;
  return text;
}
