// Fuzz target: one whole run of the program, in this process, on the input as a source file.
// The first byte of the input picks the options, the rest is the source; with -D, the first
// line of the rest is the -D text instead. After every run the folder is checked: status 0
// leaves complete output files, a failed run leaves every file as it was, and no file the run
// read is ever changed.
#include <sys/stat.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "base/state.h"
#include "driver/driver.h"
#include "fuzz_support.h"
#include "output/little_endian.h"

namespace {

// Bits of the first byte.
constexpr uint8_t kModeBits = 0x07;      // row of kModes
constexpr uint8_t kTruncate = 0x08;      // -T --source-encoding=utf-8
constexpr uint8_t kDefine = 0x10;        // -D with the first line
constexpr uint8_t kAssembleList = 0x20;  // -x --sld --cycles
constexpr uint8_t kLabelLists = 0x40;    // -ll -Y --symbols (equ, mame) --t88
constexpr uint8_t kOldOutputs = 0x80;    // the outputs of an earlier run are in the folder

enum class Format { Binary, Hex, Mzt, Dump, Pc8801, Mz2000, Mz2000Dd };

struct Mode {
  const char *option;     // nullptr: the default raw binary
  const char *extension;  // of the output file; nullptr: no file (console dump)
  Format format;
};

constexpr Mode kModes[] = {
    {nullptr,       ".bin",  Format::Binary  },
    {"-i",          ".hex",  Format::Hex     },
    {"-mFUZZ",      ".mzt",  Format::Mzt     },
    {"-d",          nullptr, Format::Dump    },
    {"-8",          ".d88",  Format::Pc8801  },
    {"-2GAME",      ".d88",  Format::Mz2000  },
    {"-25GAME",     ".d88",  Format::Mz2000Dd},
    {"-mfuzz Name", ".mzt",  Format::Mzt     },
};
static_assert(sizeof kModes / sizeof kModes[0] == kModeBits + 1);

constexpr const char *kSourceName = "f.asm";
constexpr const char *kLabelList = "f.lst";
constexpr const char *kSymbolFile = "f.sym";
constexpr const char *kAssembleListName = "f.als";
// The files for debuggers and the PC-8801 tape, written beside the lists.
constexpr const char *kSldName = "f.sld";
constexpr const char *kEquName = "f.equ";
constexpr const char *kMameName = "f.mame";
constexpr const char *kT88Name = "f.t88";
constexpr const char *kOverflowName = "D000.bin";
constexpr int32_t kMztLimit = 0xD000;
constexpr size_t kMztHeaderSize = 128;
constexpr size_t kDiskHeaderSize = 0x2B0;
constexpr size_t kDiskSizeField = 0x1C;
constexpr size_t kTrackSize = 0x1100;
constexpr size_t kSectorHeaderSize = 16;
constexpr size_t kSectorSize = 256;
constexpr size_t kSectorsPerTrack = 16;
constexpr size_t kMzImageSector = 48;
constexpr const char *kOldContents = "old contents\n";

// Disks of an earlier run (2D, 2DD), made once at start-up, for the runs that update a disk.
std::string g_old_disk[2];

// What one run was asked to do.
struct Run {
  uint8_t choice = 0;
  const Mode *mode = nullptr;
  std::string source;
  std::string define;
  std::vector<std::string> outputs;  // every file the run may write
};

// The image as the run left it in the state.
struct Expected {
  const uint8_t *bytes = nullptr;
  int32_t length = -1;  // -1: not known (the listing run moves the position afterwards)
  uint32_t load = 0;
  uint32_t exec = 0;
};

// The name of the image file; empty for the console dump.
std::string ImageName(const Run &run) {
  return run.mode->extension == nullptr ? std::string() : std::string("f") + run.mode->extension;
}

Run Decode(const uint8_t *data, size_t size) {
  Run run;
  run.choice = data[0];
  run.mode = &kModes[run.choice & kModeBits];
  std::string rest(reinterpret_cast<const char *>(data + 1), size - 1);
  if ((run.choice & kDefine) != 0) {
    size_t end = rest.find('\n');
    std::string line = rest.substr(0, end);
    run.define = line.substr(0, line.find('\0'));  // an argument ends at its first NUL
    rest = end == std::string::npos ? std::string() : rest.substr(end + 1);
  }
  run.source = rest;
  if (run.mode->extension != nullptr) {
    run.outputs.push_back(ImageName(run));
  }
  if (run.mode->format == Format::Mzt && (run.choice & kTruncate) != 0) {
    run.outputs.push_back(kOverflowName);
  }
  if ((run.choice & kLabelLists) != 0) {
    run.outputs.push_back(kLabelList);
    run.outputs.push_back(kSymbolFile);
    run.outputs.push_back(kEquName);
    run.outputs.push_back(kMameName);
    run.outputs.push_back(kT88Name);
  }
  if ((run.choice & kAssembleList) != 0) {
    run.outputs.push_back(kAssembleListName);
    run.outputs.push_back(kSldName);
  }
  return run;
}

int RunProgram(AssemblerState &st, const Run &run) {
  std::vector<std::string> args = {"talvo"};
  if (run.mode->option != nullptr) {
    args.push_back(run.mode->option);
  }
  if ((run.choice & kTruncate) != 0) {
    args.push_back("-T");
    args.push_back("--source-encoding=utf-8");
  }
  if ((run.choice & kDefine) != 0) {
    args.push_back("-D" + run.define);
  }
  if ((run.choice & kAssembleList) != 0) {
    args.push_back("-x");
    args.push_back(std::string("--sld=") + kSldName);
    args.push_back("--cycles");
  }
  if ((run.choice & kLabelLists) != 0) {
    args.push_back("-ll");
    args.push_back("-Y");
    args.push_back(std::string("--symbols=equ:") + kEquName);
    args.push_back(std::string("--symbols=mame:") + kMameName);
    args.push_back(std::string("--t88=") + kT88Name);
  }
  args.push_back(kSourceName);
  std::vector<char *> argv;
  for (std::string &arg : args) {
    argv.push_back(arg.data());
  }
  argv.push_back(nullptr);
  return RunTalvo(st, static_cast<int>(args.size()), argv.data());
}

bool SameBytes(const std::string &file, size_t from, const uint8_t *bytes, size_t count) {
  return file.size() >= from + count && std::memcmp(file.data() + from, bytes, count) == 0;
}

void CheckBinary(const std::string &file, const Expected &image) {
  if (file.empty() || file.size() > kImageSize ||
      (image.length >= 0 && file.size() != static_cast<size_t>(image.length)) ||
      !SameBytes(file, 0, image.bytes, file.size())) {
    Violation("the binary (%zu bytes) is not the image (%d bytes)", file.size(), image.length);
  }
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  return c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

// Reads the Intel HEX file back: checksums, the extended addresses, data records that follow
// one another from the load address on, and the end record last.
void CheckHex(const std::string &file, const Expected &image) {
  uint32_t upper = 0;
  uint32_t next = image.load;
  std::vector<uint8_t> data;
  bool ended = false;
  size_t at = 0;
  while (at < file.size()) {
    size_t end = file.find('\n', at);
    if (ended || end == std::string::npos || file[at] != ':' || (end - at) % 2 != 1) {
      Violation("malformed Intel HEX line at byte %zu", at);
    }
    std::vector<uint8_t> record;
    unsigned sum = 0;
    for (size_t i = at + 1; i < end; i += 2) {
      int high = HexDigit(file[i]), low = HexDigit(file[i + 1]);
      if (high < 0 || low < 0) {
        Violation("bad hex digit at byte %zu", i);
      }
      record.push_back(static_cast<uint8_t>(high << 4 | low));
      sum += record.back();
    }
    if (record.size() < 5 || record[0] + 5u != record.size() || (sum & 0xFF) != 0) {
      Violation("bad Intel HEX record at byte %zu", at);
    }
    uint32_t address = static_cast<uint32_t>(record[1] << 8 | record[2]);
    switch (record[3]) {
      case 0x00:
        if ((upper << 16 | address) != next) {
          Violation("Intel HEX record at %X, expected %X", upper << 16 | address, next);
        }
        data.insert(data.end(), record.begin() + 4, record.end() - 1);
        next += record[0];
        break;
      case 0x01:
        ended = true;
        break;
      case 0x04:
        if (record[0] != 2) {
          Violation("bad extended address record");
        }
        upper = static_cast<uint32_t>(record[4] << 8 | record[5]);
        break;
      default:
        Violation("unexpected Intel HEX record type %u", record[3]);
    }
    at = end + 1;
  }
  if (!ended) {
    Violation("Intel HEX file without its end record");
  }
  std::string bytes(data.begin(), data.end());
  CheckBinary(bytes, image);
}

// The tape image: header fields and the image up to D000h (with -T), the rest in D000.bin.
void CheckMzt(const std::string &file, const FolderSnapshot &after, const Expected &image,
              bool truncate) {
  if (file.size() < kMztHeaderSize) {
    Violation("MZT file of %zu bytes", file.size());
  }
  const auto *header = reinterpret_cast<const uint8_t *>(file.data());
  size_t body = file.size() - kMztHeaderSize;
  if (Get16(header + 0x12) != body || Get16(header + 0x14) != (image.load & 0xFFFF) ||
      Get16(header + 0x16) != (image.exec & 0xFFFF)) {
    Violation("MZT header does not describe the image");
  }
  if (!SameBytes(file, kMztHeaderSize, image.bytes, body)) {
    Violation("MZT body differs from the image");
  }
  size_t rest = 0;
  if (truncate && image.load + body >= static_cast<uint32_t>(kMztLimit)) {
    auto overflow = after.find(kOverflowName);
    if (overflow != after.end() && overflow->second.contents != kOldContents) {
      rest = overflow->second.contents.size();
      if (!SameBytes(overflow->second.contents, 0, image.bytes + body, rest)) {
        Violation("D000.bin differs from the image");
      }
    }
  }
  if (body + rest == 0 || (image.length >= 0 && body + rest != static_cast<size_t>(image.length))) {
    Violation("MZT and D000.bin hold %zu bytes of a %d-byte image", body + rest, image.length);
  }
}

bool IsDisk(Format format) {
  return format == Format::Pc8801 || format == Format::Mz2000 || format == Format::Mz2000Dd;
}

// Where the data of sector 1-16 of a track lies on a disk laid out as a new one.
size_t SectorData(size_t track, size_t sector) {
  return kDiskHeaderSize + track * kTrackSize + (sector - 1) * (kSectorHeaderSize + kSectorSize) +
         kSectorHeaderSize;
}

// An MZ-2000 logical sector: the two sides of a cylinder swapped, the bytes complemented.
std::string LogicalSector(const std::string &file, size_t logical) {
  std::string data = file.substr(
      SectorData((logical / kSectorsPerTrack) ^ 1, logical % kSectorsPerTrack + 1), kSectorSize);
  for (char &c : data) {
    c = static_cast<char>(~c);
  }
  return data;
}

// The disk's size, then the program read back from it: from track 1 on after the PC-8801
// loader, which holds its length; from logical sector 48 on after the MZ-2000 boot record.
void CheckDisk(const std::string &file, const Run &run, bool old_disk, const Expected &image) {
  const bool two_dd = run.mode->format == Format::Mz2000Dd;
  size_t tracks = two_dd ? 160 : 80;
  size_t expected = old_disk ? g_old_disk[two_dd].size() : kDiskHeaderSize + tracks * kTrackSize;
  if (file.size() != expected ||
      Get32(reinterpret_cast<const uint8_t *>(file.data()) + kDiskSizeField) != expected) {
    Violation("disk of %zu bytes, expected %zu", file.size(), expected);
  }
  std::string program;
  size_t length = 0;
  if (run.mode->format == Format::Pc8801) {
    length = Get16(reinterpret_cast<const uint8_t *>(file.data()) + SectorData(0, 1) + 4);
    for (size_t k = 0; k * kSectorSize < length; ++k) {
      program +=
          file.substr(SectorData(1 + k / kSectorsPerTrack, k % kSectorsPerTrack + 1), kSectorSize);
    }
  } else {
    length = Get16(reinterpret_cast<const uint8_t *>(LogicalSector(file, 0).data()) + 0x14);
    for (size_t k = 0; k * kSectorSize < length; ++k) {
      program += LogicalSector(file, kMzImageSector + k);
    }
  }
  program.resize(length);
  CheckBinary(program, image);
}

// Checks the files that a successful run wrote (or, after a refused listing, may have written).
void CheckOutputs(const Run &run, const FolderSnapshot &before, const FolderSnapshot &after,
                  const Expected &image, bool must_exist) {
  for (const std::string &name : run.outputs) {
    auto now = after.find(name);
    auto then = before.find(name);
    bool changed = now != after.end() &&
                   (then == before.end() || then->second.contents != now->second.contents ||
                    then->second.inode != now->second.inode);
    if (!changed) {
      if (must_exist && name != kOverflowName) {
        Violation("'%s' was not written", name.c_str());
      }
      continue;
    }
    if (name != ImageName(run)) {
      continue;
    }
    switch (run.mode->format) {
      case Format::Binary:
        CheckBinary(now->second.contents, image);
        break;
      case Format::Hex:
        CheckHex(now->second.contents, image);
        break;
      case Format::Mzt:
        CheckMzt(now->second.contents, after, image, (run.choice & kTruncate) != 0);
        break;
      case Format::Pc8801:
      case Format::Mz2000:
      case Format::Mz2000Dd:
        CheckDisk(now->second.contents, run, then != before.end(), image);
        break;
      case Format::Dump:
        break;
    }
  }
}

// Writes the outputs of an earlier run: the disk from start-up, other files with a marker.
void PutOldOutputs(const Run &run) {
  for (const std::string &name : run.outputs) {
    if (IsDisk(run.mode->format) && name == ImageName(run)) {
      WriteWhole(name, g_old_disk[run.mode->format == Format::Mz2000Dd]);
    } else {
      WriteWhole(name, kOldContents);
    }
  }
}

void CheckRun(const Run &run, const AssemblerState &st, int status, const FolderSnapshot &before,
              const FolderSnapshot &after) {
  // The files of the folder that the run read: none of them may change.
  struct stat folder;
  if (stat(".", &folder) != 0) {
    Violation("the scratch folder is gone");
  }
  std::set<std::string> read;
  for (const auto &[name, entry] : before) {
    FileIdentity identity{static_cast<uint64_t>(folder.st_dev), static_cast<uint64_t>(entry.inode)};
    if (st.source.inputs.count(identity) != 0) {
      read.insert(name);
      auto now = after.find(name);
      if (now == after.end() || now->second.contents != entry.contents) {
        Violation("'%s' was read by the run and changed by it", name.c_str());
      }
    }
  }
  Expected image;
  image.bytes = st.code.bytes.data();
  image.length = (run.choice & kAssembleList) != 0 ? -1 : st.pass.image_end;
  image.load = static_cast<uint32_t>(st.segment.load_address);
  // Without an END operand the program starts at its first byte.
  image.exec = static_cast<uint32_t>(st.segment.exec_given ? st.segment.exec_address
                                                           : st.segment.load_address);

  // A listing named like a file the run read is refused: the run fails, and the image and the
  // other listings it wrote stay.
  bool listing_refused = false;
  for (const std::string &name : run.outputs) {
    listing_refused = listing_refused ||
                      (name.starts_with("f.") && name != ImageName(run) && read.count(name) != 0);
  }
  std::set<std::string> may_change;
  if (status == 0 || listing_refused) {
    may_change.insert(run.outputs.begin(), run.outputs.end());
  } else if (status != -1) {
    Violation("exit status %d", status);
  }
  std::set<std::string> names;
  for (const auto &[name, entry] : before) {
    names.insert(name);
  }
  for (const auto &[name, entry] : after) {
    names.insert(name);
  }
  for (const std::string &name : names) {
    auto then = before.find(name);
    auto now = after.find(name);
    bool same =
        then != before.end() && now != after.end() && then->second.contents == now->second.contents;
    if (!same && (may_change.count(name) == 0 || now == after.end())) {
      Violation("'%s' was %s by a run of status %d", name.c_str(),
                now == after.end() ? "removed" : "changed", status);
    }
  }
  if (!may_change.empty()) {
    CheckOutputs(run, before, after, image, status == 0);
  }
}

// Makes the disks of an earlier run: one 2D and one 2DD disk holding a small program.
void MakeOldDisks() {
  const char *options[] = {"-8", "-25OLD"};
  for (int i = 0; i < 2; ++i) {
    ClearFolder();
    WriteWhole(kSourceName, "\tORG 0\n\tDB 1,2,3\n\tEND\n");
    std::string option = options[i];
    std::string source = kSourceName;
    std::string program = "talvo";
    char *argv[] = {program.data(), option.data(), source.data(), nullptr};
    auto st = std::make_unique<AssemblerState>();
    if (RunTalvo(*st, 3, argv) != 0) {
      Violation("the disk of an earlier run could not be made");
    }
    FolderSnapshot made = TakeSnapshot();
    g_old_disk[i] = made["f.d88"].contents;
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  EnterScratchFolder();
  MakeOldDisks();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size == 0) {
    return 0;
  }
  Run run = Decode(data, size);
  ClearFolder();
  WriteWhole(kSourceName, run.source);
  if ((run.choice & kOldOutputs) != 0) {
    PutOldOutputs(run);
  }
  FolderSnapshot before = TakeSnapshot();
  auto st = std::make_unique<AssemblerState>();
  int status = RunProgram(*st, run);
  FolderSnapshot after = TakeSnapshot();
  CheckRun(run, *st, status, before, after);
  return 0;
}
