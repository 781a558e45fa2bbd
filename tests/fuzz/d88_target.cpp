// Fuzz target: the D88 writers updating an existing disk file whose bytes are the input, as an
// untrusted image from the user's disk. Each input is given to the PC-8801 writer and to both
// MZ-2000 writers. A refused disk must stay byte for byte as it was; an updated disk keeps its
// size, its header and its track table, and no other file may appear beside it.
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_support.h"
#include "output/output.h"

namespace {

constexpr const char *kDiskName = "disk.d88";
constexpr size_t kDiskHeaderSize = 0x2B0;  // header and track table
constexpr int32_t kProgramSize = 5000;     // more than a track of 16 sectors of 256 bytes

uint8_t g_program[kProgramSize];

bool WriteDisk(int writer, const Image &image) {
  switch (writer) {
    case 0:
      return WritePc8801Disk(kDiskName, image);
    case 1:
      return WriteMz2000Disk(kDiskName, image, "FUZZ", DiskType::k2D);
    default:
      return WriteMz2000Disk(kDiskName, image, "FUZZ", DiskType::k2DD);
  }
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
    if (ok &&
        (now.size() != disk.size() || std::memcmp(now.data(), disk.data(), kDiskHeaderSize) != 0)) {
      Violation("writer %d changed the size or the header of the disk", writer);
    }
  }
  return 0;
}
