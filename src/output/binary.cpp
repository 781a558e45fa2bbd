// Image files: raw binary, Intel HEX, MZT tape image (with the D000h split), and the console
// dump.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/diagnostics.h"
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

constexpr int32_t kMztLimit = 0xD000;    // -T keeps the MZT below this address
constexpr int32_t kMztLongest = 0xFFFF;  // the size field is 16 bits wide

constexpr int32_t kHexRecordBytes = 16;
constexpr uint32_t kHexSegmentSize = 0x10000;  // one data record never crosses this boundary

constexpr int kDumpColumns = 8;

bool IsLower(uint8_t c) { return c >= 'a' && c <= 'z'; }

// Appends one Intel HEX record: count, 16-bit address, type, data, checksum. The checksum is
// the two's complement of the sum of every byte before it.
void PutHexRecord(std::string &out, uint8_t type, uint16_t address, const uint8_t *data,
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
  out += line;
}

// The bytes of the image the MZT holds: all of them, or with -T those below D000h (none when
// it loads at or above D000h); the rest go to D000.bin.
int32_t MztBodySize(const Image &image, bool truncate_at_d000) {
  int64_t end = static_cast<int64_t>(image.load_address) + image.length;
  if (truncate_at_d000 && end > kMztLimit) {
    int64_t room = static_cast<int64_t>(kMztLimit) - image.load_address;
    return room > 0 ? static_cast<int32_t>(room) : 0;
  }
  return image.length;
}

std::string Bytes(const uint8_t *bytes, int32_t count) {
  return count > 0 ? std::string(reinterpret_cast<const char *>(bytes), static_cast<size_t>(count))
                   : std::string();
}

}  // namespace

MztNameFit EncodeMztName(uint8_t *header, const char *name) {
  header[0] = kMztAttribute;
  int pos = kMztNameFirst;
  bool lower = false;
  const auto *next = reinterpret_cast<const unsigned char *>(name);
  for (;;) {
    uint8_t c = *next;
    if (c != '\0') {
      ++next;
    }
    const bool name_ends = c == '\0';
    bool end = name_ends;
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
      // A character replaced by the end was read but not stored.
      const auto read = static_cast<size_t>(next - reinterpret_cast<const unsigned char *>(name));
      return {name_ends ? read : read - 1, name_ends};
    }
    header[pos++] = c;
    if (pos > kMztNameLast) {
      // A full field has no end mark; the rest of the name is dropped.
      return {static_cast<size_t>(next - reinterpret_cast<const unsigned char *>(name)), false};
    }
  }
}

std::string BinaryFile(const Image &image) { return Bytes(image.bytes, image.length); }

bool CheckMztSize(const Image &image, bool truncate_at_d000) {
  const int32_t size = MztBodySize(image, truncate_at_d000);
  if (size <= kMztLongest) {
    return true;
  }
  const auto first = static_cast<unsigned>(image.load_address);
  ConsoleMessage(Msg::MztTooLong, first, first + static_cast<unsigned>(size) - 1U,
                 static_cast<unsigned>(size));
  return false;
}

std::string MztFile(const uint8_t *header, const Image &image, bool truncate_at_d000,
                    std::string *overflow) {
  const int32_t size = MztBodySize(image, truncate_at_d000);
  const int32_t overflow_from = size;  // image offset where D000.bin starts

  uint8_t full[kMztHeaderSize];
  std::memcpy(full, header, kMztZeroFrom);
  Put16(full + kMztSizeOffset, static_cast<uint32_t>(size));
  Put16(full + kMztLoadOffset, static_cast<uint32_t>(image.load_address));
  Put16(full + kMztExecOffset, static_cast<uint32_t>(image.exec_address));
  std::memset(full + kMztZeroFrom, 0, kMztHeaderSize - kMztZeroFrom);

  if (overflow != nullptr) {
    *overflow = Bytes(image.bytes + overflow_from, image.length - overflow_from);
  }
  return Bytes(full, kMztHeaderSize) + Bytes(image.bytes, size);
}

std::string IntelHexFile(const Image &image) {
  std::string out;
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
  out += ":00000001FF\n";
  return out;
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
