// The examples for the PC-8801 and for plain Z80 systems, assembled against their expected
// files and run in libz80ex:
// - pc8801_boot: the D88 is read here and booted through TALVO's own loader, on a model of
//   the text window, the disk unit and the 8255 handshake the loader uses; then the program
//   runs and its text is looked for on the text screen. A second version is assembled onto
//   the same disk, which must change only in the sectors of the program and its loader.
//   The loader is also run with images of other lengths and load addresses, generated here.
// - rom_interrupt: the ROM takes maskable interrupts and NMIs between rounds of its main loop.
// - features: the feature tour returns the sum of its data file, which the test adds up too.
#include <unistd.h>
#include <z80ex/z80ex.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "machine.h"

namespace fs = std::filesystem;
using examples::Assembly;
using examples::Machine;
using examples::Paths;
using examples::Tally;

namespace {

using Bytes = std::vector<uint8_t>;

uint16_t Word(const Bytes &bytes, size_t at) {
  return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

uint32_t Long(const Bytes &bytes, size_t at) {
  return static_cast<uint32_t>(Word(bytes, at) | Word(bytes, at + 2) << 16);
}

std::string Hex(unsigned value) {
  char text[16];
  std::snprintf(text, sizeof text, "%04Xh", value);
  return text;
}

void WriteBytes(const fs::path &path, const Bytes &bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char *>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

const Bytes &Output(const Assembly &assembly, const std::string &name) {
  static const Bytes kNone;
  auto found = assembly.files.find(name);
  return found == assembly.files.end() ? kNone : found->second;
}

// The labels of a label list (-l): a line "NAME<tabs>EQU<tab>0NNNNH" each.
std::map<std::string, uint16_t> ReadLabels(const Bytes &list) {
  std::map<std::string, uint16_t> labels;
  std::istringstream in(std::string(list.begin(), list.end()));
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string name, equ, value;
    if (fields >> name >> equ >> value && equ == "EQU" && value.size() > 1 && value.back() == 'H') {
      labels[name] = static_cast<uint16_t>(std::strtoul(value.c_str(), nullptr, 16));
    }
  }
  return labels;
}

bool Label(const std::map<std::string, uint16_t> &labels, const std::string &name, uint16_t &value,
           Tally &tally, const std::string &what) {
  auto found = labels.find(name);
  if (!tally.Check(found != labels.end(), what + ": label " + name + " in the label list")) {
    return false;
  }
  value = found->second;
  return true;
}

// --- D88 disk images -------------------------------------------------------------------------
// A 32-byte header (its size at 1Ch), a table of 164 track offsets at 20h (track index
// cylinder * 2 + side, 0 for no track), and on each track its sectors: a 16-byte header
// (C, H, R, N, the track's sector count at 4, the data size at 0Eh) and the data.

struct Sector {
  uint8_t c = 0, h = 0, r = 0, n = 0;
  size_t header = 0;  // offset of the sector header in the file
  size_t size = 0;    // bytes of data, after the header
};

struct Disk {
  Bytes bytes;
  std::vector<std::vector<Sector>> tracks;
};

constexpr size_t kTrackTable = 0x20;
constexpr size_t kTrackSlots = 164;
constexpr size_t kDiskHeader = kTrackTable + 4 * kTrackSlots;

// Reads the layout of an image; an error names what does not hold.
std::string ReadD88(const Bytes &bytes, Disk &disk) {
  if (bytes.size() < kDiskHeader) {
    return "shorter than the header and track table";
  }
  if (Long(bytes, 0x1C) != bytes.size()) {
    return "the size in the header is not the size of the file";
  }
  disk.bytes = bytes;
  disk.tracks.assign(kTrackSlots, {});
  for (size_t t = 0; t < kTrackSlots; ++t) {
    size_t at = Long(bytes, kTrackTable + 4 * t);
    if (at == 0) {
      continue;
    }
    if (at < kDiskHeader || at >= bytes.size()) {
      return "track " + std::to_string(t) + " lies outside the file";
    }
    size_t count = 0;
    do {
      if (at + 16 > bytes.size()) {
        return "track " + std::to_string(t) + ": a sector header runs past the end";
      }
      Sector sector{bytes[at], bytes[at + 1],       bytes[at + 2], bytes[at + 3],
                    at,        Word(bytes, at + 14)};
      count = Word(bytes, at + 4);
      if (at + 16 + sector.size > bytes.size()) {
        return "track " + std::to_string(t) + ": sector data runs past the end";
      }
      disk.tracks[t].push_back(sector);
      at += 16 + sector.size;
    } while (disk.tracks[t].size() < count);
  }
  return "";
}

// A PC-8801 2D disk as formatted: tracks 0 to 79, 16 sectors of 256 bytes each, R from 1 on.
std::string CheckLayout2D(const Disk &disk) {
  if (disk.bytes[0x1B] != 0x00) {
    return "the media type is not 2D";
  }
  for (size_t t = 0; t < kTrackSlots; ++t) {
    const auto &track = disk.tracks[t];
    if (t >= 80) {
      if (!track.empty()) {
        return "track " + std::to_string(t) + " beyond the 80 of a 2D disk";
      }
      continue;
    }
    if (track.size() != 16) {
      return "track " + std::to_string(t) + " has " + std::to_string(track.size()) + " sectors";
    }
    for (size_t i = 0; i < track.size(); ++i) {
      const Sector &s = track[i];
      if (s.c != t / 2 || s.h != t % 2 || s.r != i + 1 || s.n != 1 || s.size != 256) {
        return "track " + std::to_string(t) + ", sector " + std::to_string(i) +
               ": unexpected C/H/R/N or size";
      }
    }
  }
  return "";
}

const Sector *FindSector(const Disk &disk, size_t track, int r) {
  if (track >= disk.tracks.size()) {
    return nullptr;
  }
  for (const Sector &s : disk.tracks[track]) {
    if (s.r == r) {
      return &s;
    }
  }
  return nullptr;
}

Bytes SectorData(const Disk &disk, const Sector &s) {
  auto from = disk.bytes.begin() + static_cast<std::ptrdiff_t>(s.header + 16);
  return Bytes(from, from + static_cast<std::ptrdiff_t>(s.size));
}

// --- A PC-8801 as the boot loader sees it ----------------------------------------------------
// The loader's own entry points into the ROM are trapped; the rest of what it uses is modelled:
// - port 31h: bit 1 clear is ROM mode (the BASIC ROM at 0000h-7FFFh, where the disk routines
//   are), set is 64 KiB RAM mode; with bits 1 and 2 clear the text window is in use;
// - the text window: 8000h-83FFh reads and writes main RAM from (port 70h) * 256 on; port 78h
//   steps the window on by 256 bytes;
// - the disk unit, through the 8255 at FCh-FFh: commands and parameters go through the ROM
//   (37CCh, 37D2h); data comes back a byte at a time on port FCh, two bytes a handshake round:
//   PC5 set (control word 0Bh) asks for a byte and the unit answers by raising port FEh bit 0;
//   PC6 set (0Dh) asks for the next and the unit answers by dropping bit 0 again.

constexpr uint16_t kCommandRoutine = 0x37CC;
constexpr uint16_t kParameterRoutine = 0x37D2;
constexpr uint16_t kBootSector = 0xC000;
constexpr uint16_t kBootStack = 0xE000;  // where the boot ROM's stack is taken to be
constexpr uint16_t kVram = 0xF3C8;
constexpr int kRows = 25;
constexpr int kRowBytes = 120;
constexpr uint8_t kFill = 0xE5;  // RAM before the boot, so that stray writes show
constexpr int kLatency = 3;      // port FEh reads before the disk unit's answer shows

struct Command {
  uint8_t code = 0;
  Bytes parameters;
  bool operator==(const Command &) const = default;
};

struct Pc8801 {
  Machine machine;
  const Disk *disk = nullptr;
  uint8_t port31 = 0x00;  // ROM mode, as the boot ROM runs
  uint8_t window = 0;
  uint8_t port_c = 0;  // the 8255's port C as the computer drives it
  // The disk unit.
  std::vector<Command> commands;
  Bytes stream;          // the bytes of the sectors it sends
  size_t sent = 0;       // how many of them were put on port FCh
  bool waiting = false;  // a byte is on port FCh that was not read
  uint8_t data = 0;
  uint8_t signal = 0;  // port FEh bit 0 as the computer reads it
  uint8_t answer = 0;  // what it becomes after the latency
  int delay = 0;
  std::vector<std::string> faults;  // what the loader did that the machine would not take

  void Fault(const std::string &text) {
    if (faults.size() < 10) {
      faults.push_back(text + " (PC " + Hex(machine.Reg(regPC)) + ")");
    }
  }
  bool WindowOn() const { return (port31 & 0x06) == 0; }
  uint16_t Through(uint16_t address) const {
    return static_cast<uint16_t>((window << 8) + (address - 0x8000));
  }
};

// The parameters each command takes.
size_t ParameterCount(uint8_t code) { return code == 0x02 ? 4 : 0; }

void StartCommand(Pc8801 &pc, uint8_t code) {
  if (pc.port31 & 0x02) {
    pc.Fault("a ROM routine called in 64 KiB RAM mode");
  }
  if (!pc.commands.empty() &&
      pc.commands.back().parameters.size() != ParameterCount(pc.commands.back().code)) {
    pc.Fault("a command before the parameters of the last one were all sent");
  }
  if (pc.sent != pc.stream.size() || pc.waiting) {
    pc.Fault("a command before the data of the last one was all read");
  }
  if (code != 0x02 && code != 0x12) {
    pc.Fault("command " + Hex(code) + ", which the model does not know");
  }
  pc.commands.push_back({code, {}});
  if (code != 0x12) {
    return;
  }
  // Send data: the sectors the last read command named, in order.
  pc.stream.clear();
  pc.sent = 0;
  if (pc.commands.size() < 2 || pc.commands[pc.commands.size() - 2].code != 0x02 ||
      pc.commands[pc.commands.size() - 2].parameters.size() != 4) {
    pc.Fault("command 12h without a complete command 02h before it");
    return;
  }
  const Bytes &read = pc.commands[pc.commands.size() - 2].parameters;  // count, drive, track, R
  for (int i = 0; i < read[0]; ++i) {
    const Sector *sector = FindSector(*pc.disk, read[2], read[3] + i);
    if (read[1] != 0 || !sector) {
      pc.Fault("a sector the disk in drive 0 does not have");
      return;
    }
    Bytes bytes = SectorData(*pc.disk, *sector);
    pc.stream.insert(pc.stream.end(), bytes.begin(), bytes.end());
  }
}

void AddParameter(Pc8801 &pc, uint8_t value) {
  if (pc.commands.empty() ||
      pc.commands.back().parameters.size() >= ParameterCount(pc.commands.back().code)) {
    pc.Fault("a parameter the command does not take");
    return;
  }
  pc.commands.back().parameters.push_back(value);
}

// The disk unit puts the next byte on port FCh and answers with the given level of FEh bit 0.
void Present(Pc8801 &pc, uint8_t level) {
  if (pc.waiting) {
    pc.Fault("the next byte asked for before the last was read");
  }
  if (pc.sent >= pc.stream.size()) {
    pc.Fault("a byte asked for beyond the data of the command");
    return;
  }
  pc.data = pc.stream[pc.sent++];
  pc.waiting = true;
  pc.answer = level;
  pc.delay = kLatency;
}

void Control(Pc8801 &pc, uint8_t value) {
  if (value & 0x80) {
    pc.Fault("an 8255 mode word");
    return;
  }
  int bit = value >> 1 & 7;
  bool was = pc.port_c >> bit & 1;
  pc.port_c = static_cast<uint8_t>(value & 1 ? pc.port_c | 1 << bit : pc.port_c & ~(1 << bit));
  if (bit != 5 && bit != 6) {
    pc.Fault("port C bit " + std::to_string(bit) + " written");
  } else if (value & 1 && !was) {
    Present(pc, bit == 5 ? 1 : 0);
  }
}

uint8_t InPort(Pc8801 &pc, uint8_t port) {
  if (port == 0xFE) {
    if (pc.delay > 0) {
      --pc.delay;
    } else {
      pc.signal = pc.answer;
    }
    return static_cast<uint8_t>((pc.port_c & 0xF0) | pc.signal);
  }
  if (port == 0xFC) {
    if (!pc.waiting || pc.delay > 0) {
      pc.Fault("port FCh read before the disk unit put a byte there");
    }
    pc.waiting = false;
    return pc.data;
  }
  pc.Fault("IN from port " + Hex(port));
  return 0xFF;
}

void OutPort(Pc8801 &pc, uint8_t port, uint8_t value) {
  switch (port) {
    case 0x31:
      pc.port31 = value;
      break;
    case 0x32:
      break;  // display and memory details the model leaves out
    case 0x70:
      pc.window = value;
      break;
    case 0x78:
      ++pc.window;
      break;
    case 0xFF:
      Control(pc, value);
      break;
    default:
      pc.Fault("OUT to port " + Hex(port));
  }
}

void Attach(Pc8801 &pc) {
  Machine &m = pc.machine;
  m.read_memory = [&pc](uint16_t address, uint8_t &value) {
    if (!pc.WindowOn() || address < 0x8000 || address >= 0x8400) {
      return false;
    }
    value = pc.machine.memory[pc.Through(address)];
    return true;
  };
  m.write_memory = [&pc](uint16_t address, uint8_t value) {
    if (!pc.WindowOn() || address < 0x8000 || address >= 0x8400) {
      return false;
    }
    pc.machine.memory[pc.Through(address)] = value;
    return true;
  };
  // INI puts the byte counter B on the upper half of the port address: the ports decode the
  // lower half only.
  m.in = [&pc](uint16_t port) { return InPort(pc, static_cast<uint8_t>(port)); };
  m.out = [&pc](uint16_t port, uint8_t value) { OutPort(pc, static_cast<uint8_t>(port), value); };
  m.traps[kCommandRoutine] = [&pc](Machine &machine) {
    StartCommand(pc, static_cast<uint8_t>(machine.Reg(regAF) >> 8));
    return static_cast<int>(machine.Return());
  };
  m.traps[kParameterRoutine] = [&pc](Machine &machine) {
    AddParameter(pc, static_cast<uint8_t>(machine.Reg(regAF) >> 8));
    return static_cast<int>(machine.Return());
  };
}

uint8_t Initial(uint16_t address) {
  return address >= kVram && address < kVram + kRows * kRowBytes ? ' ' : kFill;
}

// What a loader must ask the disk unit for to read length bytes from track 1 on: a read of
// each track's sectors (up to 16, from sector 1), then the command that sends them.
std::vector<Command> ExpectedCommands(size_t length) {
  std::vector<Command> commands;
  size_t sectors = (length + 255) / 256;
  for (uint8_t track = 1; sectors > 0; ++track) {
    auto count = static_cast<uint8_t>(sectors < 16 ? sectors : 16);
    commands.push_back(Command{0x02, Bytes({count, 0, track, 1})});
    commands.push_back(Command{0x12, {}});
    sectors -= count;
  }
  return commands;
}

// Boots the disk: sector 1 of track 0 at C000h, run there until it jumps to exec. Then the
// disk unit must have been asked for the image's sectors and have sent them all, the image
// must be at load, and RAM must be as it was but for the image's sectors, the boot sector and
// what the loader uses (its copy at F21Eh and its stack below F2C0h).
bool Boot(Pc8801 &pc, Tally &tally, const std::string &what, const Bytes &image, uint16_t load,
          uint16_t exec) {
  Machine &m = pc.machine;
  for (size_t a = 0; a < m.memory.size(); ++a) {
    m.memory[a] = Initial(static_cast<uint16_t>(a));
  }
  const Sector *boot = FindSector(*pc.disk, 0, 1);
  if (!tally.Check(boot != nullptr, what + ": track 0 has sector 1")) {
    return false;
  }
  m.Load(kBootSector, SectorData(*pc.disk, *boot));
  m.traps[exec] = [](Machine &) { return Machine::kStop; };
  bool stopped = examples::Run(m, kBootSector, kBootStack, 100'000'000);
  m.traps.erase(exec);
  bool ok =
      tally.Check(stopped && m.Reg(regPC) == exec,
                  what + ": the loader jumps to " + Hex(exec) + " (at " + Hex(m.Reg(regPC)) + ")");
  for (const auto &fault : pc.faults) {
    tally.Check(false, what + ": loader: " + fault);
  }
  ok &= pc.faults.empty();
  ok &= tally.Check(pc.commands == ExpectedCommands(image.size()),
                    what + ": the disk unit gets a read of each track of the image and a send");
  ok &= tally.Check(pc.sent == pc.stream.size() && !pc.waiting,
                    what + ": every byte the disk unit sent is read");
  ok &= tally.Check(pc.port31 & 0x02, what + ": 64 KiB RAM mode at the jump");
  bool placed = image.size() > 0;
  for (size_t i = 0; i < image.size(); ++i) {
    placed &= m.memory[static_cast<uint16_t>(load + i)] == image[i];
  }
  ok &= tally.Check(placed, what + ": the image is in RAM at " + Hex(load));
  size_t loaded_end = load + (image.size() + 255) / 256 * 256;
  int stray = -1;
  for (size_t a = 0; a < m.memory.size() && stray < 0; ++a) {
    bool used = (a >= load && a < loaded_end) || (a >= kBootSector && a < kBootSector + 0x100) ||
                (a >= 0xF21E && a < 0xF2C0) || (a >= kBootStack - 2u && a < kBootStack);
    if (!used && m.memory[a] != Initial(static_cast<uint16_t>(a))) {
      stray = static_cast<int>(a);
    }
  }
  ok &= tally.Check(stray < 0, what + ": no other RAM changed (first at " +
                                   Hex(static_cast<unsigned>(stray)) + ")");
  return ok;
}

// Runs the booted program until it halts; the screen must hold the text in row 12, centred,
// and spaces everywhere else.
void CheckScreen(Pc8801 &pc, Tally &tally, const std::string &what, uint16_t exec,
                 const std::string &text) {
  Machine &m = pc.machine;
  examples::Run(m, exec, m.Reg(regSP), 1'000'000);
  tally.Check(z80ex_doing_halt(m.cpu), what + ": the program ends in its HALT");
  for (const auto &fault : pc.faults) {
    tally.Check(false, what + ": program: " + fault);
  }
  size_t at = 12 * kRowBytes + (80 - text.size()) / 2;
  std::string screen(kRows * kRowBytes, ' ');
  screen.replace(at, text.size(), text);
  std::string shown(m.memory.begin() + kVram, m.memory.begin() + kVram + kRows * kRowBytes);
  size_t differs = 0;
  while (differs < screen.size() && shown[differs] == screen[differs]) {
    ++differs;
  }
  tally.Check(differs == screen.size(),
              what + ": the screen shows \"" + text + "\" in row 12 and nothing else (first " +
                  "difference in row " + std::to_string(differs / kRowBytes) + ", byte " +
                  std::to_string(differs % kRowBytes) + ")");
}

// The sectors a load of length bytes from track 1 on occupies, and the boot sector.
bool LoaderSector(size_t track, int r, size_t length) {
  size_t index = (track - 1) * 16 + static_cast<size_t>(r - 1);
  return (track == 0 && r == 1) || (track >= 1 && index < (length + 255) / 256);
}

void CheckPc8801Boot(const Paths &paths, Tally &tally, std::vector<fs::path> &scratch) {
  const std::string kText1 = "HELLO, PC-8801";
  const std::string kText2 = "HELLO AGAIN, FROM THE UPDATED DISK";
  // A disk left in the examples folder would make the first run an update.
  tally.Check(!fs::exists(paths.examples / "pc8801_boot.d88"),
              "pc8801_boot: no pc8801_boot.d88 of an earlier run in " + paths.examples.string());
  Assembly raw1, disk1, raw2, disk2;
  examples::Assemble(paths, tally, "pc8801_boot", {"pc8801_boot.asm"}, {"pc8801_boot.bin"}, raw1);
  examples::Assemble(paths, tally, "pc8801_boot", {"-8", "-l", "pc8801_boot.asm"},
                     {"pc8801_boot.d88", "pc8801_boot.lst"}, disk1);
  scratch.push_back(disk1.folder);
  uint16_t start = 0;
  if (!Label(ReadLabels(Output(disk1, "pc8801_boot.lst")), "START", start, tally, "pc8801_boot")) {
    return;
  }
  Disk first;
  std::string error = ReadD88(Output(disk1, "pc8801_boot.d88"), first);
  if (!tally.Check(error.empty(), "pc8801_boot: the D88 reads: " + error) ||
      !tally.Check(CheckLayout2D(first).empty(), "pc8801_boot: " + CheckLayout2D(first))) {
    return;
  }
  {
    Pc8801 pc;
    pc.disk = &first;
    Attach(pc);
    // START is the program's first byte: its load address and its execution address.
    if (Boot(pc, tally, "pc8801_boot", Output(raw1, "pc8801_boot.bin"), start, start)) {
      CheckScreen(pc, tally, "pc8801_boot", start, kText1);
    }
  }

  // Another file on the disk, which the update must leave alone.
  const Sector *kept = FindSector(first, 50, 9);
  if (!tally.Check(kept != nullptr, "pc8801_boot: track 50 has sector 9")) {
    return;
  }
  const std::string kMark = "A FILE KEPT ON THE DISK";
  std::copy(kMark.begin(), kMark.end(),
            first.bytes.begin() + static_cast<std::ptrdiff_t>(kept->header + 16));
  WriteBytes(disk1.folder / "pc8801_boot.d88", first.bytes);
  examples::Assemble(paths, tally, "pc8801_boot_v2", {"-DVERSION=2", "pc8801_boot.asm"},
                     {"pc8801_boot.bin"}, raw2);
  examples::Assemble(paths, tally, "pc8801_boot_v2", {"-8", "-l", "-DVERSION=2", "pc8801_boot.asm"},
                     {"pc8801_boot.d88", "pc8801_boot.lst"}, disk2, disk1.folder);
  scratch.push_back(disk2.folder);
  Disk second;
  error = ReadD88(Output(disk2, "pc8801_boot.d88"), second);
  if (!tally.Check(error.empty(), "pc8801_boot_v2: the D88 reads: " + error)) {
    return;
  }
  const Bytes &image2 = Output(raw2, "pc8801_boot.bin");
  bool same_layout =
      second.bytes.size() == first.bytes.size() &&
      std::equal(first.bytes.begin(), first.bytes.begin() + kDiskHeader, second.bytes.begin());
  if (!tally.Check(same_layout, "pc8801_boot_v2: the updated disk keeps its header and tracks")) {
    return;
  }
  int changed = 0;
  std::string unexpected;
  for (size_t t = 0; t < 80; ++t) {
    for (const Sector &s : first.tracks[t]) {
      auto from = static_cast<std::ptrdiff_t>(s.header);
      auto to = from + 16 + static_cast<std::ptrdiff_t>(s.size);
      if (std::equal(first.bytes.begin() + from, first.bytes.begin() + to,
                     second.bytes.begin() + from)) {
        continue;
      }
      ++changed;
      if (!LoaderSector(t, s.r, image2.size()) && unexpected.empty()) {
        unexpected = "track " + std::to_string(t) + " sector " + std::to_string(s.r);
      }
    }
  }
  tally.Check(changed > 0 && unexpected.empty(),
              "pc8801_boot_v2: only the boot sector and the image's sectors change (" +
                  std::to_string(changed) + " changed; " + unexpected + ")");
  tally.Check(std::equal(kMark.begin(), kMark.end(),
                         second.bytes.begin() + static_cast<std::ptrdiff_t>(kept->header + 16)),
              "pc8801_boot_v2: the other file on the disk is kept");
  uint16_t start2 = 0;
  if (Label(ReadLabels(Output(disk2, "pc8801_boot.lst")), "START", start2, tally,
            "pc8801_boot_v2")) {
    Pc8801 pc;
    pc.disk = &second;
    Attach(pc);
    if (Boot(pc, tally, "pc8801_boot_v2", image2, start2, start2)) {
      CheckScreen(pc, tally, "pc8801_boot_v2", start2, kText2);
    }
  }
}

// The loader with images of other lengths and load addresses: one byte; exactly one sector;
// one byte into a second; a whole track; one sector more; several tracks. The load addresses
// are off page boundaries, so that each sector lands across two pages.
void CheckLoaderLengths(const Paths &paths, Tally &tally, std::vector<fs::path> &scratch) {
  fs::path folder = fs::temp_directory_path() / ("talvo-pc-loader-" + std::to_string(::getpid()));
  fs::create_directories(folder);
  scratch.push_back(folder);
  std::mt19937 random(8801);
  const std::pair<size_t, uint16_t> kCases[] = {
      {1,     0x1000},
      {256,   0x1234},
      {257,   0x10FF},
      {4096,  0x2001},
      {4097,  0x1080},
      {12345, 0x1234}
  };
  for (const auto &[length, load] : kCases) {
    std::string what = "loader, " + std::to_string(length) + " bytes at " + Hex(load);
    Bytes image(length);
    for (auto &byte : image) {
      byte = static_cast<uint8_t>(random());
    }
    fs::path data = folder / ("image" + std::to_string(length) + ".bin");
    fs::path source = folder / ("image" + std::to_string(length) + ".asm");
    WriteBytes(data, image);
    char org[16];
    std::snprintf(org, sizeof org, "0%04XH", load);
    std::string text = std::string("        ORG     ") + org + "\nSTART:  BINCLUDE \"" +
                       data.string() + "\"\n        END     START\n";
    WriteBytes(source, Bytes(text.begin(), text.end()));
    Assembly assembly;
    examples::Assemble(paths, tally, "loader", {"-8", "-o", "image.d88", source.string()}, {},
                       assembly);
    scratch.push_back(assembly.folder);
    Disk disk;
    std::string error = ReadD88(examples::ReadFile(assembly.folder / "image.d88"), disk);
    if (!tally.Check(error.empty(), what + ": the D88 reads: " + error)) {
      continue;
    }
    Pc8801 pc;
    pc.disk = &disk;
    Attach(pc);
    Boot(pc, tally, what, image, load, load);
  }
}

// --- rom_interrupt -----------------------------------------------------------------------------

// Reads an Intel HEX file of data records and an end record; an error names the first fault.
std::string ReadIntelHex(const Bytes &file, std::map<uint16_t, uint8_t> &bytes) {
  std::istringstream in(std::string(file.begin(), file.end()));
  std::string line;
  bool ended = false;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') {
      line.pop_back();
    }
    if (ended || line.size() < 11 || line[0] != ':' || line.size() % 2 == 0) {
      return "a malformed line: " + line;
    }
    Bytes record;
    uint8_t sum = 0;
    for (size_t i = 1; i < line.size(); i += 2) {
      record.push_back(static_cast<uint8_t>(std::strtoul(line.substr(i, 2).c_str(), nullptr, 16)));
      sum = static_cast<uint8_t>(sum + record.back());
    }
    if (sum != 0 || record.size() != record[0] + 5u) {
      return "a wrong checksum or length: " + line;
    }
    auto address = static_cast<uint16_t>(record[1] << 8 | record[2]);
    if (record[3] == 0x01) {
      ended = true;
    } else if (record[3] == 0x00) {
      for (size_t i = 0; i < record[0]; ++i) {
        bytes[static_cast<uint16_t>(address + i)] = record[4 + i];
      }
    } else {
      return "an unexpected record type: " + line;
    }
  }
  return ended ? "" : "no end record";
}

void CheckRom(const Paths &paths, Tally &tally, std::vector<fs::path> &scratch) {
  Assembly rom, hex;
  examples::Assemble(paths, tally, "rom_interrupt", {"-i", "rom_interrupt.asm"},
                     {"rom_interrupt.hex"}, hex);
  examples::Assemble(paths, tally, "rom_interrupt", {"-l", "rom_interrupt.asm"},
                     {"rom_interrupt.bin", "rom_interrupt.lst"}, rom);
  scratch.push_back(rom.folder);
  const Bytes &image = Output(rom, "rom_interrupt.bin");
  std::map<uint16_t, uint8_t> programmed;
  std::string error = ReadIntelHex(Output(hex, "rom_interrupt.hex"), programmed);
  bool same = error.empty() && programmed.size() == image.size();
  for (size_t a = 0; same && a < image.size(); ++a) {
    same = programmed.count(static_cast<uint16_t>(a)) &&
           programmed[static_cast<uint16_t>(a)] == image[a];
  }
  tally.Check(same, "rom_interrupt: the HEX file holds the image from 0000h " + error);

  auto labels = ReadLabels(Output(rom, "rom_interrupt.lst"));
  uint16_t ticks_at = 0, nmis_at = 0, loops_at = 0;
  if (!Label(labels, "TICKS", ticks_at, tally, "rom_interrupt") ||
      !Label(labels, "NMIS", nmis_at, tally, "rom_interrupt") ||
      !Label(labels, "LOOPS", loops_at, tally, "rom_interrupt") ||
      !tally.Check(image.size() > 0x66, "rom_interrupt: the image reaches the NMI at 0066h")) {
    return;
  }
  Machine m;
  m.memory.fill(0xA5);  // RAM holds anything at power-on
  m.Load(0, image);
  auto word = [&m](uint16_t at) {
    return static_cast<uint16_t>(m.memory[at] | m.memory[static_cast<uint16_t>(at + 1)] << 8);
  };
  examples::Run(m, 0x0000, 0xA5A5, 2000);
  tally.Check(m.Reg(regIFF1) == 1 && m.Reg(regIM) == 1,
              "rom_interrupt: after reset interrupts are on, in mode 1");
  tally.Check(word(ticks_at) == 0 && word(nmis_at) == 0 && word(loops_at) > 0,
              "rom_interrupt: the counters start from 0 and the main loop runs");
  for (int tick = 1; tick <= 5; ++tick) {
    uint16_t loops = word(loops_at);
    std::string what = "rom_interrupt, interrupt " + std::to_string(tick) + ": ";
    tally.Check(examples::Interrupt(m) > 0 && m.Reg(regPC) == 0x0038, what + "taken, at 0038h");
    examples::Resume(m, 700 + 37 * tick);  // end at varying points of the main loop
    tally.Check(word(ticks_at) == tick, what + "TICKS counts it");
    tally.Check(word(loops_at) > loops && m.Reg(regIFF1) == 1 && m.Reg(regSP) == 0x0000,
                what + "the main loop goes on, interrupts on, the stack as it was");
  }
  uint16_t loops = word(loops_at);
  z80ex_nmi(m.cpu);
  tally.Check(m.Reg(regPC) == 0x0066, "rom_interrupt: an NMI goes to 0066h");
  examples::Resume(m, 700);
  tally.Check(word(nmis_at) == 1 && word(ticks_at) == 5 && word(loops_at) > loops,
              "rom_interrupt: NMIS counts the NMI and the main loop goes on");
  tally.Check(m.Reg(regIFF1) == 1 && examples::Interrupt(m) > 0,
              "rom_interrupt: after the NMI interrupts are taken again");
}

// --- features ----------------------------------------------------------------------------------

void CheckFeatures(const Paths &paths, Tally &tally, std::vector<fs::path> &scratch) {
  Assembly tour;
  examples::Assemble(paths, tally, "features", {"-I", "include", "-x", "-l", "features.asm"},
                     {"features.bin", "features.als", "features.lst"}, tour);
  scratch.push_back(tour.folder);
  const Bytes &image = Output(tour, "features.bin");
  auto labels = ReadLabels(Output(tour, "features.lst"));
  uint16_t start = 0, sum_at = 0, text_at = 0, table = 0, table_end = 0, digits = 0;
  if (!Label(labels, "START", start, tally, "features") ||
      !Label(labels, "SUM", sum_at, tally, "features") ||
      !Label(labels, "TEXT", text_at, tally, "features") ||
      !Label(labels, "TABLE", table, tally, "features") ||
      !Label(labels, "TABLE_END", table_end, tally, "features") ||
      !Label(labels, "DIGITS", digits, tally, "features")) {
    return;
  }
  Bytes data = examples::ReadFile(paths.examples / "data" / "table.bin");
  unsigned sum = 0;
  for (uint8_t byte : data) {
    sum += byte;
  }
  // START is the first byte of the image; the table and the digits lie within it.
  bool inside = table >= start && table_end - table == static_cast<int>(data.size()) &&
                table_end - start <= static_cast<int>(image.size()) && digits >= start &&
                digits + 16 - start <= static_cast<int>(image.size());
  if (!tally.Check(!data.empty() && inside, "features: TABLE and DIGITS lie in the image")) {
    return;
  }
  tally.Check(std::equal(data.begin(), data.end(), image.begin() + (table - start)),
              "features: BINCLUDE copies data/table.bin to TABLE");
  tally.Check((digits & 0xFF) + 16 <= 0x100 &&
                  std::string(image.begin() + (digits - start),
                              image.begin() + (digits - start) + 16) == "0123456789ABCDEF",
              "features: the IN_PAGE block DIGITS lies within one page");

  Machine m;
  m.memory.fill(0xA5);
  m.Load(start, image);
  bool returned = examples::Run(m, start, 0xF000, 100'000, 0xFFF0);
  tally.Check(returned, "features: the program returns");
  tally.Check(m.Reg(regHL) == sum, "features: HL = " + Hex(m.Reg(regHL)) + ", the sum of " +
                                       "data/table.bin is " + Hex(sum));
  tally.Check((m.memory[sum_at] | m.memory[sum_at + 1] << 8) == static_cast<int>(sum),
              "features: SUM holds the sum");
  char digits_text[8];
  std::snprintf(digits_text, sizeof digits_text, "%04X", sum & 0xFFFF);
  std::string shown(m.memory.begin() + text_at, m.memory.begin() + text_at + 5);
  tally.Check(shown == std::string(digits_text, 5),
              "features: TEXT holds \"" + std::string(digits_text) + "\" and a 0");
}

}  // namespace

int main(int argc, char **argv) {
  Paths paths;
  if (!examples::ReadPaths(argc, argv, paths)) {
    return 2;
  }
  Tally tally;
  std::vector<fs::path> scratch;
  CheckPc8801Boot(paths, tally, scratch);
  CheckLoaderLengths(paths, tally, scratch);
  CheckRom(paths, tally, scratch);
  CheckFeatures(paths, tally, scratch);
  std::error_code error;
  for (const auto &folder : scratch) {
    fs::remove_all(folder, error);
  }
  std::printf("examples_pc: %d checks, %d failed\n", tally.checks, tally.failures);
  return tally.failures == 0 ? 0 : 1;
}
