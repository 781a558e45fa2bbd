// Fuzz target: the D88 writers updating an existing disk file whose bytes are the input, as an
// untrusted image from the user's disk. Each input is given to the PC-8801 writer and to both
// MZ-2000 writers. A refused disk must stay byte for byte as it was; an updated disk keeps its
// size, its header and its track table, gives back the program it was given when read as a
// drive reads it, and no other file may appear beside it.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_support.h"
#include "output/output.h"

namespace {

constexpr const char *kDiskName = "disk.d88";
constexpr size_t kDiskHeaderSize = 0x2B0;  // header and track table
constexpr int32_t kProgramSize = 5000;     // more than a track of 16 sectors of 256 bytes
constexpr int kTrackSlots = 164;
constexpr size_t kSectorHeaderSize = 16;
constexpr size_t kSectorSize = 256;
constexpr size_t kLoaderSize = 152;
constexpr int kMzImageSector = 48;

uint8_t g_program[kProgramSize];

// A little-endian field of the disk; 0 beyond its end.
uint32_t Field(const std::string &disk, size_t at, int bytes) {
  uint32_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) {
    size_t k = at + static_cast<size_t>(i);
    value = value << 8 | (k < disk.size() ? static_cast<uint8_t>(disk[k]) : 0u);
  }
  return value;
}

// Reads length bytes back as the writers lay them down: from a track and sector on, sector
// after sector in the order the track holds them, track after track through the track table,
// passing over the tracks it leaves out. A second, plain implementation of that walk, so that
// data that a later write overwrote shows. Empty when the walk leaves the file.
std::string ReadRun(const std::string &disk, int track, size_t sector, size_t length) {
  std::string data;
  for (; track < kTrackSlots && data.size() < length; ++track, sector = 1) {
    size_t position = Field(disk, 0x20 + 4 * static_cast<size_t>(track), 4);
    if (position == 0) {
      continue;
    }
    const size_t count = Field(disk, position + 4, 2);
    for (size_t ordinal = 1; ordinal <= count && data.size() < length; ++ordinal) {
      const size_t size = Field(disk, position + 0x0E, 2);
      if (position + kSectorHeaderSize + size > disk.size()) {
        return {};
      }
      if (ordinal >= sector) {
        data.append(disk, position + kSectorHeaderSize, std::min(size, length - data.size()));
      }
      position += kSectorHeaderSize + size;
    }
  }
  return data.size() == length ? data : std::string();
}

// An MZ-2000 logical sector read back: the sides of a cylinder swapped, bytes complemented.
std::string LogicalSector(const std::string &disk, int logical) {
  std::string data =
      ReadRun(disk, (logical / 16) ^ 1, static_cast<size_t>(logical % 16 + 1), kSectorSize);
  for (char &c : data) {
    c = static_cast<char>(~c);
  }
  return data;
}

// The program read back from an updated disk: after the PC-8801 loader, which holds its
// length, or after the MZ-2000 boot record, which does.
std::string ProgramOnDisk(const std::string &disk, int writer) {
  if (writer == 0) {
    std::string loader = ReadRun(disk, 0, 1, kLoaderSize);
    return ReadRun(disk, 1, 1, Field(loader, 4, 2));
  }
  std::string program;
  const size_t length = Field(LogicalSector(disk, 0), 0x14, 2);
  for (int logical = kMzImageSector; program.size() < length; ++logical) {
    std::string sector = LogicalSector(disk, logical);
    if (sector.empty()) {
      return {};
    }
    program += sector;
  }
  program.resize(length);
  return program;
}

// Builds the disk the writer makes of the existing one in the folder and, when it succeeds,
// puts it in place of the old one, as the program's output step does.
bool WriteDisk(int writer, const Image &image) {
  std::string built;
  bool ok = false;
  switch (writer) {
    case 0:
      ok = BuildPc8801Disk(kDiskName, image, built);
      break;
    case 1:
      ok = BuildMz2000Disk(kDiskName, image, "FUZZ", DiskType::TwoD, built);
      break;
    default:
      ok = BuildMz2000Disk(kDiskName, image, "FUZZ", DiskType::TwoDD, built);
      break;
  }
  if (ok) {
    WriteWhole(kDiskName, built);
  }
  return ok;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  EnterScratchFolder();
  for (int32_t i = 0; i < kProgramSize; ++i) {
    g_program[i] = static_cast<uint8_t>(i * 7 + 1);
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string disk(reinterpret_cast<const char *>(data), size);
  Image image;
  image.bytes = g_program;
  // The program's length comes from the input too, so that short and long programs meet
  // every kind of disk.
  image.length = size == 0 ? 1 : 1 + data[size - 1] % 8 * (kProgramSize / 8);
  for (int writer = 0; writer < 3; ++writer) {
    ClearFolder();
    WriteWhole(kDiskName, disk);
    bool ok = WriteDisk(writer, image);
    FolderSnapshot after = TakeSnapshot();
    if (after.size() != 1 || after.count(kDiskName) == 0) {
      Violation("writer %d left %zu files", writer, after.size());
    }
    const std::string &now = after[kDiskName].contents;
    if (!ok && now != disk) {
      Violation("writer %d refused the disk and changed it", writer);
    }
    if (ok && (now.size() != disk.size() || disk.size() < kDiskHeaderSize ||
               std::memcmp(now.data(), disk.data(), kDiskHeaderSize) != 0)) {
      Violation("writer %d changed the size or the header of the disk", writer);
    }
    if (ok && ProgramOnDisk(now, writer) != std::string(reinterpret_cast<const char *>(g_program),
                                                        static_cast<size_t>(image.length))) {
      Violation("writer %d wrote a disk that does not give its program back", writer);
    }
  }
  return 0;
}
