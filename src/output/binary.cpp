// Image writers: raw binary, Intel HEX, MZT tape image (with the D000h split) and console dump.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "driver/diagnostics.h"
#include "output/little_endian.h"
#include "output/output.h"

namespace {

constexpr int kMztNameFirst = 1;  // name field: header[1..17]
constexpr int kMztNameLast = 17;
constexpr uint8_t kMztAttribute = 0x01;
constexpr uint8_t kMztCaseMark = 0x05;  // brackets a run of lower-case letters
constexpr uint8_t kMztNameEnd = 0x0D;
constexpr uint8_t kMztPad = 0x20;
constexpr int kMztSizeOffset = 0x12;
constexpr int kMztLoadOffset = 0x14;
constexpr int kMztExecOffset = 0x16;
constexpr int kMztZeroFrom = 0x18;

constexpr int32_t kMztLimit = 0xD000;  // -T keeps the MZT below this address
constexpr const char *kOverflowName = "D000.bin";

constexpr int32_t kHexRecordBytes = 16;
constexpr uint32_t kHexSegmentSize = 0x10000;  // one data record never crosses this boundary

constexpr int kDumpColumns = 8;

// An output file being written. Any failed write is remembered so that the file is closed,
// reported and removed once, at the end.
struct OutputFile {
  FILE *file = nullptr;
  const char *path = nullptr;
  bool failed = false;
};

// Removes a partial output. Only a regular file is removed: a device or a link named as the
// output (/dev/full, say) is left where it is.
void Discard(const char *path) {
  std::error_code ec;
  if (std::filesystem::symlink_status(path, ec).type() == std::filesystem::file_type::regular) {
    std::filesystem::remove(path, ec);
  }
}

// Creates the file; on failure prints the message and returns false.
bool Open(OutputFile &out, const char *path, bool text) {
  out.path = path;
  out.failed = false;
  out.file = std::fopen(path, text ? "w" : "wb");
  if (out.file == nullptr) {
    ConsoleMessage(Msg::CannotOpenOutput);
    return false;
  }
  return true;
}

void PutBytes(OutputFile &out, const uint8_t *bytes, int32_t count) {
  if (count <= 0 || out.failed) {
    return;
  }
  size_t n = static_cast<size_t>(count);
  if (std::fwrite(bytes, 1, n, out.file) != n) {
    out.failed = true;
  }
}

void PutText(OutputFile &out, const char *text) {
  if (!out.failed && std::fputs(text, out.file) == EOF) {
    out.failed = true;
  }
}

// Closes the file. A write or close that failed prints the message, removes the partial
// file and returns false.
bool Close(OutputFile &out) {
  bool ok = !out.failed && std::ferror(out.file) == 0;
  if (std::fclose(out.file) != 0) {
    ok = false;
  }
  out.file = nullptr;
  if (!ok) {
    ConsoleMessage(Msg::CannotWriteOutput);
    Discard(out.path);
  }
  return ok;
}

// Writes count image bytes as a whole file.
bool WriteFileBytes(const char *path, const uint8_t *bytes, int32_t count) {
  OutputFile out;
  if (!Open(out, path, false)) {
    return false;
  }
  PutBytes(out, bytes, count);
  return Close(out);
}

bool IsLower(uint8_t c) { return c >= 'a' && c <= 'z'; }

// Appends one Intel HEX record: count, 16-bit address, type, data, checksum. The checksum is
// the two's complement of the sum of every byte before it.
void PutHexRecord(OutputFile &out, uint8_t type, uint16_t address, const uint8_t *data,
                  int32_t count) {
  char line[8 + 2 * 255 + 4];
  int length = std::snprintf(line, sizeof line, ":%02X%04X%02X", static_cast<unsigned>(count),
                             static_cast<unsigned>(address), static_cast<unsigned>(type));
  unsigned sum = static_cast<unsigned>(count) + (address >> 8) + (address & 0xFF) + type;
  for (int32_t i = 0; i < count; ++i) {
    length += std::snprintf(line + length, sizeof line - static_cast<size_t>(length), "%02X",
                            static_cast<unsigned>(data[i]));
    sum += data[i];
  }
  std::snprintf(line + length, sizeof line - static_cast<size_t>(length), "%02X\n",
                (0x100 - (sum & 0xFF)) & 0xFF);
  PutText(out, line);
}

}  // namespace

void EncodeMztName(uint8_t *header, const char *name) {
  header[0] = kMztAttribute;
  int pos = kMztNameFirst;
  bool lower = false;
  const auto *next = reinterpret_cast<const unsigned char *>(name);
  for (;;) {
    uint8_t c = *next;
    if (c != '\0') {
      ++next;
    }
    bool end = c == '\0';
    if (IsLower(c)) {
      c = static_cast<uint8_t>(c - 'a' + 'A');
      if (!lower) {
        // A lower-case run opens with a mark; with no room left for it the name ends here.
        if (pos < kMztNameLast) {
          header[pos++] = kMztCaseMark;
        } else {
          end = true;
        }
        lower = true;
      }
    } else if (lower) {
      if (pos < kMztNameLast) {
        header[pos++] = kMztCaseMark;
      } else {
        end = true;
      }
      lower = false;
    }
    if (end) {
      header[pos] = kMztNameEnd;
      for (int p = pos + 1; p <= kMztNameLast; ++p) {
        header[p] = kMztPad;
      }
      return;
    }
    header[pos++] = c;
    if (pos > kMztNameLast) {
      return;  // a full field has no end mark; the rest of the name is dropped
    }
  }
}

bool WriteBinary(const char *path, const Image &image) {
  return WriteFileBytes(path, image.bytes, image.length);
}

bool WriteMzt(const char *path, const uint8_t *header, const Image &image, bool truncate_at_d000) {
  int32_t size = image.length;
  int32_t overflow_from = image.length;  // image offset where D000.bin starts
  int64_t end = static_cast<int64_t>(image.load_address) + image.length;
  if (truncate_at_d000 && end > kMztLimit) {
    // A load address at or above D000h leaves no room: everything goes to D000.bin.
    int64_t room = static_cast<int64_t>(kMztLimit) - image.load_address;
    size = room > 0 ? static_cast<int32_t>(room) : 0;
    overflow_from = size;
  }

  uint8_t full[kMztHeaderSize];
  std::memcpy(full, header, kMztZeroFrom);
  Put16(full + kMztSizeOffset, static_cast<uint32_t>(size));
  Put16(full + kMztLoadOffset, static_cast<uint32_t>(image.load_address));
  Put16(full + kMztExecOffset, static_cast<uint32_t>(image.exec_address));
  std::memset(full + kMztZeroFrom, 0, kMztHeaderSize - kMztZeroFrom);

  OutputFile out;
  if (!Open(out, path, false)) {
    return false;
  }
  PutBytes(out, full, kMztHeaderSize);
  PutBytes(out, image.bytes, size);
  if (!Close(out)) {
    return false;
  }
  if (overflow_from < image.length &&
      !WriteFileBytes(kOverflowName, image.bytes + overflow_from, image.length - overflow_from)) {
    // Half a program is of no use: the tape image goes too.
    Discard(path);
    return false;
  }
  return true;
}

bool WriteIntelHex(const char *path, const Image &image) {
  OutputFile out;
  if (!Open(out, path, true)) {
    return false;
  }
  uint32_t segment = 0;  // bits 16..31 of the addresses of the current records
  int32_t offset = 0;
  while (offset < image.length) {
    uint32_t address = static_cast<uint32_t>(image.load_address) + static_cast<uint32_t>(offset);
    if ((address >> 16) != segment) {
      // Extended linear address: the upper 16 bits of every following record's address.
      segment = address >> 16;
      const uint8_t upper[2] = {static_cast<uint8_t>(segment >> 8),
                                static_cast<uint8_t>(segment & 0xFF)};
      PutHexRecord(out, 0x04, 0, upper, 2);
    }
    int32_t count = image.length - offset;
    if (count > kHexRecordBytes) {
      count = kHexRecordBytes;
    }
    uint32_t room = kHexSegmentSize - (address & 0xFFFF);
    if (static_cast<uint32_t>(count) > room) {
      count = static_cast<int32_t>(room);
    }
    PutHexRecord(out, 0x00, static_cast<uint16_t>(address & 0xFFFF), image.bytes + offset, count);
    offset += count;
  }
  PutText(out, ":00000001FF\n");
  return Close(out);
}

void DumpImage(const Image &image) {
  const uint32_t load = static_cast<uint32_t>(image.load_address);
  int column = static_cast<int>(load % kDumpColumns);
  if (column != 0) {
    // Start the first line at its 8-byte boundary so each byte stands in its own column.
    ConsolePrint("%04X:", load - static_cast<uint32_t>(column));
    for (int i = 0; i < column; ++i) {
      ConsolePrint("   ");
    }
  }
  for (int32_t k = 0; k < image.length; ++k) {
    if (column == 0) {
      ConsolePrint("%04X:", load + static_cast<uint32_t>(k));
    }
    ConsolePrint(" %02X", static_cast<unsigned>(image.bytes[k]));
    if (++column == kDumpColumns) {
      ConsolePrint("\n");
      column = 0;
    }
  }
  if (column != 0) {
    ConsolePrint("\n");
  }
}
