// D88 disk images: blank 2D and 2DD disks, the track and sector walk that writes data into a
// disk, the PC-8801 boot disk with its loader and the MZ-2000 boot disk with its boot record and
// allocation map. The whole disk is built in memory, to be written back once, all or nothing.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "base/diagnostics.h"
#include "output/little_endian.h"
#include "output/output.h"

namespace {

// File layout: a 32-byte header, a table of 164 track offsets, then the tracks.
constexpr size_t kSizeField = 0x1C;
constexpr size_t kTrackTable = 0x20;
constexpr int kTrackSlots = 164;
constexpr size_t kHeaderSize = kTrackTable + static_cast<size_t>(kTrackSlots) * 4;  // 2B0h

// Tracks of a disk made here: 16 sectors of 256 bytes, each after a 16-byte sector header.
constexpr int kSectorsPerTrack = 16;
constexpr size_t kSectorHeaderSize = 16;
constexpr size_t kSectorSize = 256;
constexpr size_t kTrackSize = kSectorsPerTrack * (kSectorHeaderSize + kSectorSize);  // 1100h

// Sector header fields.
constexpr size_t kCylinder = 0;
constexpr size_t kSide = 1;
constexpr size_t kRecord = 2;  // sector number R
constexpr size_t kSizeCode = 3;
constexpr size_t kSectorCount = 4;
constexpr size_t kDataSize = 0x0E;
constexpr uint8_t kSizeCode256 = 0x01;

struct DiskLayout {
  DiskType type;
  int tracks;          // tracks listed by a blank disk: cylinders x 2 sides
  uint16_t map_total;  // MZ-2000 allocation map, bytes 4-5
  bool map_pairs;      // MZ-2000 allocation map: one bit for each pair of logical sectors
};

constexpr DiskLayout kLayouts[] = {
    {DiskType::TwoD,  80,  0x04A0, false},
    {DiskType::TwoDD, 160, 0x0500, true },
};

// The bytes of a disk come from calloc rather than new, so that a disk too large for the
// memory is reported by the disk writer, on standard error, like its other failures.
struct FreeBytes {
  void operator()(uint8_t *bytes) const { std::free(bytes); }
};

// A disk being written: the whole file in memory.
struct Disk {
  const char *path = nullptr;
  DiskType type = DiskType::TwoD;  // of a new disk
  std::unique_ptr<uint8_t[], FreeBytes> bytes;
  size_t size = 0;
  // The bytes of sector data written so far: on a disk whose tracks are missing, short or
  // overlapping, two writes could land on the same sector, the later one destroying the
  // earlier.
  std::vector<bool> written;
};

// Prints a message of the disk writers on standard error. The console is flushed first, so that its
// lines (the warnings) come before. Under --errors=gnu it is an error line about the whole run, as
// every other, with the detail after its text.
template <typename... Args>
void DiskMessageDetailed(std::string_view detail, MessageFor<Args...> message, Args... args) {
  if (GnuErrorStyle()) {
    ConsoleMessageDetailed(detail, message, args...);
    return;
  }
  std::fflush(stdout);
  const std::string text = FormatMessage(message, args...);
  std::fprintf(stderr, "%s\n", text.c_str());
}
template <typename... Args>
void DiskMessage(MessageFor<Args...> message, Args... args) {
  DiskMessageDetailed({}, message, args...);
}

bool Foreign() {
  DiskMessage(Msg::UnsupportedFormat);
  return false;
}

const DiskLayout *LayoutOf(DiskType type) {
  for (const DiskLayout &layout : kLayouts) {
    if (layout.type == type) {
      return &layout;
    }
  }
  return nullptr;
}

bool Allocate(Disk &disk, size_t size) {
  disk.bytes.reset(static_cast<uint8_t *>(std::calloc(size == 0 ? 1 : size, 1)));
  disk.size = size;
  if (disk.bytes == nullptr) {
    DiskMessage(Msg::NoMemory);
    return false;
  }
  return true;
}

// A blank formatted disk: every listed track with its 16 numbered sectors of 00h.
bool MakeBlankDisk(Disk &disk) {
  const DiskLayout *layout = LayoutOf(disk.type);
  if (layout == nullptr) {
    DiskMessage(Msg::UnknownDiskType);
    return false;
  }
  if (!Allocate(disk, kHeaderSize + static_cast<size_t>(layout->tracks) * kTrackSize)) {
    return false;
  }
  uint8_t *bytes = disk.bytes.get();
  Put32(bytes + kSizeField, static_cast<uint32_t>(disk.size));
  for (int track = 0; track < layout->tracks; ++track) {
    size_t offset = kHeaderSize + static_cast<size_t>(track) * kTrackSize;
    Put32(bytes + kTrackTable + 4 * static_cast<size_t>(track), static_cast<uint32_t>(offset));
    for (int sector = 0; sector < kSectorsPerTrack; ++sector) {
      uint8_t *header =
          bytes + offset + static_cast<size_t>(sector) * (kSectorHeaderSize + kSectorSize);
      header[kCylinder] = static_cast<uint8_t>(track / 2);
      header[kSide] = static_cast<uint8_t>(track % 2);
      header[kRecord] = static_cast<uint8_t>(sector + 1);
      header[kSizeCode] = kSizeCode256;
      Put16(header + kSectorCount, kSectorsPerTrack);
      Put16(header + kDataSize, kSectorSize);
    }
  }
  return true;
}

// Reads count bytes from the file's position on; false (reported) when they cannot be read.
bool ReadFully(const Disk &disk, int fd, uint8_t *bytes, size_t count) {
  size_t done = 0;
  while (done < count) {
    ssize_t got = read(fd, bytes + done, count - done);
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got <= 0) {
      DiskMessage(Msg::ReadError, disk.path);
      return false;
    }
    done += static_cast<size_t>(got);
  }
  return true;
}

// True when the track table lists no track: an unformatted disk, or a header that is blank.
bool ListsNoTrack(const uint8_t *header) {
  return std::all_of(header + kTrackTable, header + kHeaderSize, [](uint8_t b) { return b == 0; });
}

// Reads an existing regular file. It is untrusted: only the header is read before its length
// has been held against the disk size the header gives, so that a file far longer than the
// disk it claims to be (a huge sparse file) is refused without being copied into memory.
bool ReadDiskFile(Disk &disk, int fd) {
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    DiskMessage(Msg::CannotRead, disk.path);
    return false;
  }
  const uint64_t length = static_cast<uint64_t>(info.st_size);
  const std::string length_text = std::to_string(length);
  if (length == 0) {
    DiskMessage(Msg::DiskFileEmpty, disk.path);
    return false;
  }
  if (length < kHeaderSize) {
    DiskMessageDetailed(FormatMessage(Msg::DetailDiskBelowHeader, length_text.c_str(),
                                      std::to_string(kHeaderSize).c_str()),
                        Msg::UnsupportedFormat);
    return false;
  }
  uint8_t header[kHeaderSize];
  if (!ReadFully(disk, fd, header, sizeof header)) {
    return false;
  }
  // A disk without tracks takes no data: say so rather than that it is full.
  if (ListsNoTrack(header)) {
    DiskMessage(Msg::DiskNoTracks, disk.path);
    return false;
  }
  const uint32_t claimed = Get32(header + kSizeField);
  const std::string claimed_text = std::to_string(claimed);
  if (claimed > length) {
    DiskMessageDetailed(
        FormatMessage(Msg::DetailDiskCutOff, length_text.c_str(), claimed_text.c_str()),
        Msg::UnsupportedFormat);
    return false;
  }
  if (claimed < length) {
    DiskMessage(Msg::DiskLongerThanHeader, disk.path, length_text.c_str(), claimed_text.c_str());
    return false;
  }
  if (!Allocate(disk, claimed)) {
    return false;
  }
  std::memcpy(disk.bytes.get(), header, sizeof header);
  return ReadFully(disk, fd, disk.bytes.get() + sizeof header, disk.size - sizeof header);
}

// Loads the disk file into memory, or makes a blank disk when there is no such file.
bool LoadDisk(Disk &disk) {
  int fd = open(disk.path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT || errno == ENOTDIR) {
      return MakeBlankDisk(disk);
    }
    // A file that is there but cannot be read is never replaced by a blank disk.
    DiskMessage(Msg::CannotRead, disk.path);
    return false;
  }
  bool ok = ReadDiskFile(disk, fd);
  close(fd);
  return ok;
}

// The track index (cylinder x 2 + side) that a sector header names.
int TrackOf(const uint8_t *header) { return header[kCylinder] * 2 + header[kSide]; }

bool HeaderFits(const Disk &disk, size_t position) {
  return position <= disk.size && disk.size - position >= kSectorHeaderSize;
}

// True when the sector at position, header and data, lies inside the file.
bool SectorFits(const Disk &disk, size_t position) {
  return HeaderFits(disk, position) &&
         disk.size - position - kSectorHeaderSize >= Get16(disk.bytes.get() + position + kDataSize);
}

// Notes count bytes from offset on as written; false when any of them was written before.
bool MarkWritten(Disk &disk, size_t offset, size_t count) {
  if (disk.written.size() != disk.size) {
    disk.written.assign(disk.size, false);
  }
  for (size_t i = offset; i < offset + count; ++i) {
    if (disk.written[i]) {
      return false;
    }
  }
  std::fill(disk.written.begin() + static_cast<std::ptrdiff_t>(offset),
            disk.written.begin() + static_cast<std::ptrdiff_t>(offset + count), true);
  return true;
}

// Writes data into the disk from the given track and sector on, sector after sector and track
// after track, passing over tracks the table leaves out. A track or sector not numbered as
// a plain disk numbers it, one whose data would lie in the header, and one that this output
// has written already are refused; data left over after the last track overflows the disk.
bool WriteSectors(Disk &disk, int first_track, int first_sector, const uint8_t *data,
                  size_t length) {
  uint8_t *bytes = disk.bytes.get();
  int start = first_sector;
  for (int track = first_track; track < kTrackSlots && length > 0; ++track, start = 1) {
    size_t offset = Get32(bytes + kTrackTable + 4 * static_cast<size_t>(track));
    if (offset == 0) {
      continue;
    }
    if (!HeaderFits(disk, offset) || TrackOf(bytes + offset) != track) {
      return Foreign();
    }
    int count = static_cast<int>(Get16(bytes + offset + kSectorCount));
    size_t position = offset;
    int at = 1;  // ordinal of the sector at position within the track
    for (int sector = start; sector <= count && length > 0; ++sector) {
      for (; at < sector; ++at) {
        if (!SectorFits(disk, position)) {
          return Foreign();
        }
        position += kSectorHeaderSize + Get16(bytes + position + kDataSize);
      }
      if (!SectorFits(disk, position)) {
        return Foreign();
      }
      const uint8_t *header = bytes + position;
      // Data inside the header or its track table would overwrite the disk's own layout.
      if (TrackOf(header) != track || header[kRecord] != sector ||
          position + kSectorHeaderSize < kHeaderSize) {
        return Foreign();
      }
      size_t room = Get16(header + kDataSize);
      size_t part = room < length ? room : length;
      if (!MarkWritten(disk, position + kSectorHeaderSize, part)) {
        return Foreign();
      }
      std::memcpy(bytes + position + kSectorHeaderSize, data, part);
      data += part;
      length -= part;
    }
  }
  if (length > 0) {
    DiskMessage(Msg::DiskFull);
    return false;
  }
  return true;
}

// The finished disk, as the contents of its file.
void TakeDisk(const Disk &disk, std::string &contents) {
  contents.assign(reinterpret_cast<const char *>(disk.bytes.get()), disk.size);
}

// PC-8801 boot loader, loaded at C000h. Bytes 2-7 take the load address, the image length and
// the execution address; it reads the image from track 1, sector 1 on and jumps to it.
constexpr uint8_t kPc8801Loader[] = {
    0x18, 0x06, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF3, 0x21, 0x16, 0xC0, 0x11, 0x1E, 0xF2, 0x01,
    0x82, 0x00, 0xD5, 0xED, 0xB0, 0xC9, 0x31, 0xC0, 0xF2, 0x3E, 0x39, 0xD3, 0x31, 0x3E, 0xA8, 0xD3,
    0x32, 0x2A, 0x02, 0xC0, 0x7D, 0x32, 0x7B, 0xF2, 0x7C, 0xD3, 0x70, 0xED, 0x5B, 0x04, 0xC0, 0x1B,
    0x1C, 0x14, 0x0E, 0x01, 0x3E, 0x02, 0xCD, 0xCC, 0x37, 0x1E, 0x10, 0x7A, 0xBB, 0x30, 0x01, 0x5F,
    0x7B, 0xCD, 0xD2, 0x37, 0xAF, 0xCD, 0xD2, 0x37, 0x79, 0xCD, 0xD2, 0x37, 0x3E, 0x01, 0xCD, 0xD2,
    0x37, 0x3E, 0x12, 0xCD, 0xCC, 0x37, 0xC5, 0xCD, 0x77, 0xF2, 0x1D, 0x20, 0xFA, 0xC1, 0x0C, 0x7A,
    0xD6, 0x10, 0x57, 0x28, 0x02, 0x30, 0xCD, 0x3E, 0x3B, 0xD3, 0x31, 0x2A, 0x06, 0xC0, 0xE9, 0x01,
    0xFC, 0x00, 0x21, 0x00, 0x80, 0x3E, 0x0B, 0xD3, 0xFF, 0xDB, 0xFE, 0x0F, 0x30, 0xFB, 0x3E, 0x0A,
    0xD3, 0xFF, 0xED, 0xA2, 0x3E, 0x0D, 0xD3, 0xFF, 0xDB, 0xFE, 0x0F, 0x38, 0xFB, 0xED, 0xA2, 0x3E,
    0x0C, 0xD3, 0xFF, 0x20, 0xE0, 0xD3, 0x78, 0xC9,
};
static_assert(sizeof kPc8801Loader == 152);
constexpr size_t kLoaderLoad = 2;
constexpr size_t kLoaderLength = 4;
constexpr size_t kLoaderExec = 6;

// The length fields of the loader and of the MZ-2000 boot record are 16 bits wide.
constexpr int32_t kLongestImage = 0xFFFF;

// What the PC-8801 loader still needs while the image comes in, which the image must not cover.
// It starts at C000h, copies its last 82h bytes (C016h-C097h) to F21Eh-F29Fh, sets SP to F2C0h
// and goes on there, putting each sector in place through the memory window.
// - It reads the load address and the length (C002h-C005h) before the first sector and never
//   runs its first copy again, but the execution address (C006h-C007h) after the last one.
// - Its set-up, F21Eh-F23Bh, runs once before the first sector; the rest, F23Ch-F29Fh (the loop
//   over the tracks, the final jump, the sector reader), until the last byte is in. The stack
//   grows down from F2C0h: the loader's own calls take 4 bytes, the ROM disk routines it calls
//   more, and only the end of the code bounds them, so all of F2A0h-F2BFh is its stack.
struct AddressRange {
  int32_t first;
  int32_t last;
};
constexpr AddressRange kLoaderInUse[] = {
    {0xC006, 0xC007},
    {0xF23C, 0xF2BF}
};
constexpr int32_t kAddressSpace = 0x10000;

// The image's first and last address, as assembled, for a message.
unsigned FirstAddress(const Image &image) { return static_cast<unsigned>(image.load_address); }
unsigned LastAddress(const Image &image) {
  return static_cast<unsigned>(image.load_address) + static_cast<unsigned>(image.length) - 1U;
}

// True when the image covers a byte of range, wrapping past FFFFh as the loader's addresses do.
bool Covers(const Image &image, const AddressRange &range) {
  const int32_t first = image.load_address & (kAddressSpace - 1);
  const int32_t end = first + image.length;  // below 20000h: the image wraps at most once
  return (first <= range.last && range.first < end) || range.first + kAddressSpace < end;
}

// Refuses an image that the PC-8801 loader would not load and start as assembled.
bool CheckPc8801Image(const Image &image) {
  if (image.length > kLongestImage) {
    DiskMessage(Msg::Pc8801TooLong, FirstAddress(image), LastAddress(image),
                static_cast<unsigned>(image.length));
    return false;
  }
  for (const AddressRange &range : kLoaderInUse) {
    if (Covers(image, range)) {
      DiskMessage(Msg::Pc8801LoaderOverlap, FirstAddress(image), LastAddress(image),
                  static_cast<unsigned>(range.first), static_cast<unsigned>(range.last));
      return false;
    }
  }
  return true;
}

// MZ-2000 boot disk. Logical sector L lies on track (L / 16) XOR 1, sector L % 16 + 1 (the two
// sides of a cylinder swapped), and holds its bytes complemented.
constexpr int kBootSector = 0;
constexpr int kMapSector = 15;
constexpr int kImageSector = 48;
constexpr uint8_t kSystemFill = 0xBF;  // logical sectors 1-14 and 24-47
constexpr int kZeroFirst = 16;         // logical sectors 16-23 hold 00h
constexpr int kZeroLast = 23;

// Boot record fields.
constexpr uint8_t kBootMark = 0x01;
constexpr char kBootId[] = "IPLPRO";
constexpr size_t kBootName = 0x07;
constexpr uint8_t kNameEnd = 0x0D;
constexpr size_t kBootLength = 0x14;
constexpr size_t kBootLoad = 0x16;
constexpr size_t kBootExec = 0x18;
constexpr size_t kBootFlag = 0x1D;
constexpr size_t kBootStart = 0x1E;
constexpr size_t kBootPages = 0x20;  // 2DD: memory pages of the image, then FFh
constexpr size_t kBootPagesEnd = 0x30;
constexpr size_t kBootBanks = 0x30;  // 2DD: fixed list
constexpr uint8_t kBanks2dd[] = {0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0xFF};
constexpr int32_t kPageSize = 0x2000;
constexpr uint8_t kFirstPage = 8;  // page number of address 0000h
constexpr uint8_t kListEnd = 0xFF;

// Allocation map fields.
constexpr size_t kMapId = 1;
constexpr uint8_t kMapIdValue = 0x30;
constexpr size_t kMapUsed = 2;
constexpr size_t kMapTotal = 4;
constexpr size_t kMapBits = 6;
constexpr size_t kMapLast = 255;  // 2DD: 01h

constexpr int32_t kTopAddress = 0xDFFF;  // -25: the image should stay below E000h

struct BootDisk {
  Disk disk;
  const DiskLayout *layout = nullptr;
  uint8_t map[kSectorSize] = {};
};

// Sets the bit of a logical sector (2DD: of its pair) in the allocation map and counts it when
// it was clear.
bool MarkUsed(BootDisk &boot, int logical) {
  int unit = boot.layout->map_pairs ? logical / 2 : logical;
  size_t index = kMapBits + static_cast<size_t>(unit / 8);
  if (index >= kSectorSize) {
    DiskMessage(Msg::DiskFull);
    return false;
  }
  uint8_t bit = static_cast<uint8_t>(1 << (unit % 8));
  if ((boot.map[index] & bit) == 0) {
    boot.map[index] |= bit;
    Put16(boot.map + kMapUsed, Get16(boot.map + kMapUsed) + 1);
  }
  return true;
}

void InitAllocationMap(BootDisk &boot) {
  std::memset(boot.map, 0, sizeof boot.map);
  boot.map[kMapId] = kMapIdValue;
  Put16(boot.map + kMapTotal, boot.layout->map_total);
  if (boot.layout->map_pairs) {
    boot.map[kMapLast] = 0x01;
  }
  (void)MarkUsed(boot, kMapSector);  // the map's own sector: always in range
}

// Writes 256 bytes, complemented, as one logical sector and marks it used.
bool WriteLogicalSector(BootDisk &boot, int logical, const uint8_t *data) {
  uint8_t inverted[kSectorSize];
  for (size_t i = 0; i < kSectorSize; ++i) {
    inverted[i] = static_cast<uint8_t>(~data[i]);
  }
  int track = (logical / kSectorsPerTrack) ^ 1;
  int sector = logical % kSectorsPerTrack + 1;
  return WriteSectors(boot.disk, track, sector, inverted, kSectorSize) && MarkUsed(boot, logical);
}

bool FillLogicalSectors(BootDisk &boot, int first, int last, uint8_t value) {
  uint8_t fill[kSectorSize];
  std::memset(fill, value, sizeof fill);
  for (int logical = first; logical <= last; ++logical) {
    if (!WriteLogicalSector(boot, logical, fill)) {
      return false;
    }
  }
  return true;
}

void BuildBootRecord(uint8_t *record, const Image &image, const char *name, bool two_dd) {
  std::memset(record, 0, kSectorSize);
  record[0] = kBootMark;
  std::memcpy(record + 1, kBootId, sizeof kBootId - 1);
  size_t name_length = strnlen(name, kBootNameLength);
  std::memcpy(record + kBootName, name, name_length);
  record[kBootName + name_length] = kNameEnd;
  Put16(record + kBootLength, static_cast<uint32_t>(image.length));
  Put16(record + kBootLoad, static_cast<uint32_t>(image.load_address));
  Put16(record + kBootExec, static_cast<uint32_t>(image.exec_address));
  record[kBootFlag] = 0xFF;
  Put16(record + kBootStart, kImageSector);
  if (two_dd) {
    // The pages the image occupies, from the first whole 8 KiB page at or after its load
    // address.
    int32_t load = image.load_address & 0xFFFF;
    int32_t pages = (image.length - 1) / kPageSize + 1;
    uint8_t page = static_cast<uint8_t>((load + kPageSize - 1) / kPageSize + kFirstPage);
    size_t at = kBootPages;
    for (int32_t j = 0; j < pages && at + 1 < kBootPagesEnd; ++j) {
      record[at++] = static_cast<uint8_t>(page + j);
    }
    record[at] = kListEnd;
    std::memcpy(record + kBootBanks, kBanks2dd, sizeof kBanks2dd);
  }
}

// Warnings about addresses the boot disk will not load as meant; printed, the run goes on.
void WarnBootDisk(const Image &image, DiskType type) {
  if (type == DiskType::TwoD) {
    if (image.load_address != 0 || image.exec_address != 0) {
      ConsoleMessage(Msg::WarnLoadExecNotZero);
    }
  } else {
    if (image.load_address % kPageSize != 0) {
      ConsoleMessage(Msg::WarnLoadNot8K);
    }
    int64_t last = static_cast<int64_t>(image.load_address) + image.length - 1;
    if (image.load_address > kTopAddress || last > kTopAddress) {
      ConsoleMessage(Msg::WarnBeyondDFFF);
    }
  }
}

}  // namespace

bool BuildPc8801Disk(const char *path, const Image &image, std::string &contents) {
  uint8_t loader[sizeof kPc8801Loader];
  std::memcpy(loader, kPc8801Loader, sizeof loader);
  Put16(loader + kLoaderLoad, static_cast<uint32_t>(image.load_address));
  Put16(loader + kLoaderLength, static_cast<uint32_t>(image.length));
  Put16(loader + kLoaderExec, static_cast<uint32_t>(image.exec_address));
  Disk disk;
  disk.path = path;
  disk.type = DiskType::TwoD;
  if (!CheckPc8801Image(image) || !LoadDisk(disk) ||
      !WriteSectors(disk, 0, 1, loader, sizeof loader) ||
      !WriteSectors(disk, 1, 1, image.bytes, static_cast<size_t>(image.length))) {
    return false;
  }
  TakeDisk(disk, contents);
  return true;
}

bool BuildMz2000Disk(const char *path, const Image &image, const char *name, DiskType type,
                     std::string &contents) {
  if (image.length > kLongestImage) {
    DiskMessage(Msg::Mz2000TooLong, FirstAddress(image), LastAddress(image),
                static_cast<unsigned>(image.length));
    return false;
  }
  WarnBootDisk(image, type);
  BootDisk boot;
  boot.disk.path = path;
  boot.disk.type = type;
  boot.layout = LayoutOf(type);
  if (boot.layout == nullptr) {
    DiskMessage(Msg::UnknownDiskType);
    return false;
  }
  if (!LoadDisk(boot.disk)) {
    return false;
  }
  InitAllocationMap(boot);
  uint8_t record[kSectorSize];
  BuildBootRecord(record, image, name, type == DiskType::TwoDD);
  if (!WriteLogicalSector(boot, kBootSector, record) ||
      !FillLogicalSectors(boot, kBootSector + 1, kMapSector - 1, kSystemFill) ||
      !FillLogicalSectors(boot, kZeroLast + 1, kImageSector - 1, kSystemFill) ||
      !FillLogicalSectors(boot, kZeroFirst, kZeroLast, 0x00)) {
    return false;
  }
  int logical = kImageSector;
  for (int32_t offset = 0; offset < image.length;
       offset += static_cast<int32_t>(kSectorSize), ++logical) {
    uint8_t sector[kSectorSize] = {};  // the last sector is padded with 00h
    size_t part = static_cast<size_t>(image.length - offset);
    std::memcpy(sector, image.bytes + offset, part < kSectorSize ? part : kSectorSize);
    if (!WriteLogicalSector(boot, logical, sector)) {
      return false;
    }
  }
  if (!WriteLogicalSector(boot, kMapSector, boot.map)) {
    return false;
  }
  TakeDisk(boot.disk, contents);
  return true;
}

void ReportDiskNotWritten(const char *path) {
  // The old file is as it was after a failed replacement: it is there exactly when it was.
  struct stat info;
  if (stat(path, &info) == 0) {
    DiskMessage(Msg::D88WriteFailed);
  } else {
    DiskMessage(Msg::D88CreateFailed);
  }
}
