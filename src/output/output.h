// Output writers: raw binary, Intel HEX, MZT and the console dump.
#pragma once

#include <cstdint>

struct AssemblerState;

constexpr int kMztHeaderSize = 128;

// Encodes an MZT name into header[0] (attribute) and header[1..17].
void EncodeMztName(uint8_t *header, const char *name);

// The image handed to the writers: bytes 0..length-1 at load_address.
struct Image {
  const uint8_t *bytes = nullptr;
  int32_t length = 0;
  int32_t load_address = 0;
  int32_t exec_address = 0;
};

[[nodiscard]] bool WriteBinary(const char *path, const Image &image);
[[nodiscard]] bool WriteMzt(const char *path, const uint8_t *header, const Image &image,
                            bool truncate_at_d000);
[[nodiscard]] bool WriteIntelHex(const char *path, const Image &image);
void DumpImage(const Image &image);
