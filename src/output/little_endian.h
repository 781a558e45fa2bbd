// Little-endian fields of the file formats the writers produce (private to src/output).
#pragma once

#include <cstdint>

inline uint32_t Get16(const uint8_t *at) { return static_cast<uint32_t>(at[0] | at[1] << 8); }

inline uint32_t Get32(const uint8_t *at) {
  return Get16(at) | static_cast<uint32_t>(at[2]) << 16 | static_cast<uint32_t>(at[3]) << 24;
}

// Stores the low 16 bits of value.
inline void Put16(uint8_t *at, uint32_t value) {
  at[0] = static_cast<uint8_t>(value & 0xFF);
  at[1] = static_cast<uint8_t>((value >> 8) & 0xFF);
}

inline void Put32(uint8_t *at, uint32_t value) {
  Put16(at, value & 0xFFFF);
  Put16(at + 2, value >> 16);
}
