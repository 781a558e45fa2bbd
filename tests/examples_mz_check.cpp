// Runs the Sharp MZ examples: each is assembled with the command line its header gives, its
// files are held against the expected ones, and it is run on a small model of its machine:
// - MZ-700 and MZ-80K: the MZT body at its load address, started at its execution address
//   with the monitor's stack (10F0h) and the MZ-700 monitor's command loop (00ADh) as the
//   return address (on the MZ-80K it only marks the program's return). The monitor ROM
//   (0000h-0FFFh) is reduced to the entry points the examples call: LETNL, PRNT and MSG print into
//   a string and keep BC, DE and HL, as the monitor's routines do; AF comes back changed, so a
//   program that counts on it fails. Any other entry point ends the run as a failure. The text VRAM
//   at D000h (40 x 25 display codes) and the MZ-700's colour VRAM at D800h are plain memory.
// - MZ-2000: the program is read from the D88 as the IPL reads it and started at the boot
//   record's execution address. Port E8h: bit 7 set puts the VRAM at D000h-FFFFh in place of
//   the RAM, bit 6 chooses the character VRAM (set) or the graphic VRAM (clear); reading the
//   port gives the value last written. The character VRAM holds one ASCII code per cell,
//   80 cells to a row. No other port exists.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "machine.h"

namespace {

using examples::Assemble;
using examples::Assembly;
using examples::Machine;
using examples::Paths;
using examples::Tally;

constexpr uint16_t kLetnl = 0x0006;
constexpr uint16_t kPrnt = 0x0012;
constexpr uint16_t kMsg = 0x0015;
constexpr uint16_t kCommandLoop = 0x00AD;
constexpr uint16_t kMonitorStack = 0x10F0;
constexpr uint16_t kVram = 0xD000;
constexpr uint16_t kColourVram = 0xD800;
constexpr size_t kColumns = 40;
constexpr size_t kRows = 25;
constexpr long kBudget = 2'000'000;  // T-states: far more than any of the examples needs

std::string Hex(unsigned value, int digits = 4) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*Xh", digits, value);
  return text;
}

uint16_t Word(const std::vector<uint8_t> &bytes, size_t at) {
  return at + 1 < bytes.size() ? static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8) : 0;
}

// The MZ display codes of the characters the examples put on the screen, from the machine's
// display code list.
std::vector<std::pair<char, uint8_t>> DisplayCodes() {
  std::vector<std::pair<char, uint8_t>> codes = {
      {' ', 0x00},
      {'-', 0x2A},
      {'=', 0x2B},
      {';', 0x2C},
      {'/', 0x2D},
      {'.', 0x2E},
      {',', 0x2F},
      {'?', 0x49},
      {':', 0x4F},
      {'!', 0x61},
      {'(', 0x68},
      {')', 0x69},
      {'+', 0x6A},
      {'*', 0x6B}
  };
  for (int i = 0; i < 26; ++i) {
    codes.emplace_back(static_cast<char>('A' + i), static_cast<uint8_t>(0x01 + i));
  }
  for (int i = 0; i < 10; ++i) {
    codes.emplace_back(static_cast<char>('0' + i), static_cast<uint8_t>(0x20 + i));
  }
  return codes;
}

// Reads display codes back as text: `marker` (a cell the program left alone) as '~', a code
// outside the list as '#'.
std::string DecodeDisplay(const Machine &machine, uint16_t from, size_t count, uint8_t marker) {
  static const std::vector<std::pair<char, uint8_t>> codes = DisplayCodes();
  std::string text;
  for (size_t i = 0; i < count; ++i) {
    uint8_t code = machine.memory[static_cast<uint16_t>(from + i)];
    char shown = code == marker ? '~' : '#';
    for (const auto &[character, display] : codes) {
      if (display == code && code != marker) {
        shown = character;
      }
    }
    text += shown;
  }
  return text;
}

// The 128-byte MZT header and the body behind it.
struct Mzt {
  uint8_t attribute = 0;
  std::string name;  // up to the 0Dh that ends it
  uint16_t size = 0, load = 0, exec = 0;
  std::vector<uint8_t> body;
};

bool ReadMzt(Tally &tally, const std::string &what, const std::vector<uint8_t> &file, Mzt &mzt) {
  if (!tally.Check(file.size() >= 128, what + ": an MZT has a 128-byte header")) {
    return false;
  }
  mzt.attribute = file[0];
  for (size_t i = 1; i < 0x12 && file[i] != 0x0D; ++i) {
    mzt.name += static_cast<char>(file[i]);
  }
  mzt.size = Word(file, 0x12);
  mzt.load = Word(file, 0x14);
  mzt.exec = Word(file, 0x16);
  mzt.body.assign(file.begin() + 128, file.end());
  tally.Check(mzt.attribute == 0x01,
              what + ": attribute 01h (machine code), got " + Hex(mzt.attribute, 2));
  return tally.Check(mzt.size == mzt.body.size(), what + ": header size " + Hex(mzt.size) +
                                                      " but the body holds " +
                                                      std::to_string(mzt.body.size()) + " bytes");
}

// Reads an MZT as ReadMzt does; the tape must carry name and be loaded and started at start.
bool ReadTape(Tally &tally, const std::string &what, const std::vector<uint8_t> &file,
              const std::string &name, uint16_t start, Mzt &mzt) {
  if (!ReadMzt(tally, what, file, mzt)) {
    return false;
  }
  return tally.Check(mzt.name == name && mzt.load == start && mzt.exec == start,
                     what + ": tape " + name + " loaded and started at " + Hex(start) + ", got " +
                         mzt.name + " at " + Hex(mzt.load) + ", " + Hex(mzt.exec));
}

// The monitor as far as the examples use it, and a record of where the program wrote.
struct Monitor {
  std::string printed;
  std::vector<std::string> faults;  // what the program did that the machine would not take
  int stopped_at = -1;              // the monitor address the run ended at
  std::vector<std::pair<uint16_t, uint16_t>> writable;  // [from, to) ranges the program may write
};

// PRNT and MSG take the monitor's character set; the examples stay in the part that is ASCII.
void Print(Monitor &monitor, uint8_t code) {
  if (code == 0x0D) {
    monitor.printed += '\n';
  } else if (code >= 0x20 && code <= 0x5D) {
    monitor.printed += static_cast<char>(code);
  } else {
    monitor.printed += '<';
    monitor.printed += Hex(code, 2);
    monitor.printed += '>';
    monitor.faults.push_back("printed " + Hex(code, 2) + ", not upper-case text");
  }
}

// A monitor routine's end: back to the caller with AF changed.
int Done(Machine &machine) {
  machine.SetReg(regAF, 0xA5C3);
  return machine.Return();
}

void InstallMonitor(Machine &machine, Monitor &monitor) {
  for (int address = 0; address < 0x1000; ++address) {
    machine.traps[static_cast<uint16_t>(address)] = [&monitor, address](Machine &) {
      monitor.stopped_at = address;
      monitor.faults.push_back("entered the monitor at " + Hex(static_cast<unsigned>(address)) +
                               ", which the model lacks");
      return Machine::kStop;
    };
  }
  machine.traps[kLetnl] = [&monitor](Machine &m) {
    monitor.printed += '\n';
    return Done(m);
  };
  machine.traps[kPrnt] = [&monitor](Machine &m) {
    Print(monitor, static_cast<uint8_t>(m.Reg(regAF) >> 8));
    return Done(m);
  };
  machine.traps[kMsg] = [&monitor](Machine &m) {
    uint16_t at = m.Reg(regDE);
    for (int i = 0; m.memory[at] != 0x0D; ++i, ++at) {
      if (i == 256) {
        monitor.faults.push_back("MSG text without its 0Dh");
        return Machine::kStop;
      }
      Print(monitor, m.memory[at]);
    }
    return Done(m);
  };
  machine.write_memory = [&monitor](uint16_t address, uint8_t) {
    for (const auto &[from, to] : monitor.writable) {
      if (address >= from && address < to) {
        return false;
      }
    }
    monitor.faults.push_back("wrote " + Hex(address) + ", outside the screen and the stack");
    return false;
  };
}

// Runs the program of an MZT from its execution address, as the monitor starts it, and checks
// that it came back to the command loop (by RET or a jump) without a fault.
void RunFromMonitor(Tally &tally, const std::string &what, Machine &machine, Monitor &monitor,
                    uint16_t exec) {
  bool ended = examples::Run(machine, exec, kMonitorStack, kBudget, kCommandLoop);
  if (ended && monitor.stopped_at < 0) {
    monitor.stopped_at = machine.Reg(regPC);
  }
  tally.Check(ended && monitor.stopped_at == kCommandLoop,
              what + ": the run goes back to the monitor's command loop");
  std::set<std::string> reported;  // each fault once, however often the program made it
  for (const auto &fault : monitor.faults) {
    if (reported.insert(fault).second) {
      tally.Check(false, what + ": " + fault);
    }
  }
}

// A screen as the test expects it: '~' for a cell the program leaves alone.
struct Screen {
  std::vector<std::string> rows = std::vector<std::string>(kRows, std::string(kColumns, '~'));
  void Put(size_t row, size_t column, const std::string &text) {
    rows[row].replace(column, text.size(), text);
  }
};

void CheckScreen(Tally &tally, const std::string &what, const Machine &machine,
                 const Screen &screen, uint8_t marker) {
  for (size_t row = 0; row < kRows; ++row) {
    std::string shown =
        DecodeDisplay(machine, static_cast<uint16_t>(kVram + kColumns * row), kColumns, marker);
    tally.Check(shown == screen.rows[row], what + ": row " + std::to_string(row) + " shows [" +
                                               shown + "], expected [" + screen.rows[row] + "]");
  }
}

// Removes an example's scratch folder when its checks all passed, and keeps it otherwise, for
// a look at what talvo wrote and printed (talvo.out).
struct Scratch {
  const Tally &tally;
  const Assembly &assembly;
  int failures_before;
  ~Scratch() {
    if (assembly.folder.empty()) {
      return;
    }
    if (tally.failures == failures_before) {
      std::error_code error;
      std::filesystem::remove_all(assembly.folder, error);
    } else {
      std::printf("kept %s\n", assembly.folder.c_str());
    }
  }
};

void CheckMz700Vram(const Paths &paths, Tally &tally) {
  const std::string what = "mz700_vram";
  Assembly assembly;
  Scratch scratch{tally, assembly, tally.failures};
  Assemble(paths, tally, what, {"-mVRAM", "mz700_vram.asm"}, {"mz700_vram.mzt"}, assembly);
  Mzt mzt;
  if (!ReadTape(tally, what, assembly.files["mz700_vram.mzt"], "VRAM", 0x1200, mzt)) {
    return;
  }

  constexpr uint8_t kLeft = 0xC7;  // what the screen showed before: no code the texts use
  constexpr uint8_t kWhiteOnBlue = 0x71;
  Machine machine;
  Monitor monitor;
  monitor.writable = {
      {kVram,       kVram + kColumns * kRows      },
      {kColourVram, kColourVram + kColumns * kRows},
      {0x1000,      kMonitorStack                 }
  };
  InstallMonitor(machine, monitor);
  for (size_t i = 0; i < kColumns * kRows; ++i) {
    machine.memory[kVram + i] = kLeft;
    machine.memory[kColourVram + i] = kWhiteOnBlue;
  }
  machine.Load(mzt.load, mzt.body);
  RunFromMonitor(tally, what, machine, monitor, mzt.exec);

  tally.Check(monitor.printed == "\nTHE BOX BELOW IS WRITTEN INTO VRAM.\n",
              what + ": printed [" + monitor.printed + "]");
  Screen screen;
  screen.Put(10, 0, std::string(kColumns, '='));
  screen.Put(11, 0, "=   SHARP MZ-700: TEXT VRAM AT D000H   =");
  screen.Put(12, 0, "=  40 X 25 CELLS, A DISPLAY CODE EACH  =");
  screen.Put(13, 0, std::string(kColumns, '='));
  const std::string foot = "WRITTEN WITH DB UNDER CHRMAP.";
  screen.Put(15, (kColumns - foot.size()) / 2, foot);
  CheckScreen(tally, what, machine, screen, kLeft);

  // The title row (11) turns yellow on blue; every other cell keeps its colour.
  std::string wrong;
  for (size_t i = 0; i < kColumns * kRows; ++i) {
    uint8_t expected = i / kColumns == 11 ? 0x61 : kWhiteOnBlue;
    if (machine.memory[kColourVram + i] != expected && wrong.empty()) {
      wrong = Hex(static_cast<unsigned>(kColourVram + i)) + " holds " +
              Hex(machine.memory[kColourVram + i], 2);
    }
  }
  tally.Check(wrong.empty(), what + ": colour VRAM: " + wrong);
}

void CheckMz700Split(const Paths &paths, Tally &tally) {
  const std::string what = "mz700_split";
  Assembly assembly;
  Scratch scratch{tally, assembly, tally.failures};
  Assemble(paths, tally, what, {"-T", "-mSPLIT", "mz700_split.asm"},
           {"mz700_split.mzt", "D000.bin"}, assembly);
  Mzt mzt;
  if (!ReadMzt(tally, what, assembly.files["mz700_split.mzt"], mzt)) {
    return;
  }
  const std::vector<uint8_t> &screen_part = assembly.files["D000.bin"];
  // The tape holds the code up to D000h and nothing beyond; the screen rows are in D000.bin.
  tally.Check(mzt.name == "SPLIT" && mzt.load == 0xCF00 && mzt.exec == 0xCF00 &&
                  mzt.load + mzt.size == kVram,
              what + ": tape SPLIT from CF00h up to D000h, got " + mzt.name + " at " +
                  Hex(mzt.load) + ", " + Hex(mzt.size) + " bytes");
  if (!tally.Check(
          screen_part.size() == 5 * kColumns,
          what + ": D000.bin holds 5 rows, got " + std::to_string(screen_part.size()) + " bytes")) {
    return;
  }

  constexpr uint8_t kLeft = 0xC7;
  Machine machine;
  Monitor monitor;
  monitor.writable = {
      {kVram,  kVram + kColumns * kRows},
      {0x1000, kMonitorStack           }
  };
  InstallMonitor(machine, monitor);
  for (size_t i = 0; i < kColumns * kRows; ++i) {
    machine.memory[kVram + i] = kLeft;
  }
  machine.Load(kVram, screen_part);
  Screen loaded;
  const std::string border(kColumns, '*');
  loaded.Put(0, 0, border);
  loaded.Put(1, 0, "*     THIS SCREEN CAME FROM D000.BIN,  *");
  loaded.Put(2, 0, "*     THE CODE FROM THE TAPE.          *");
  loaded.Put(3, 0, "*     D000.BIN HOLDS 00000 BYTES.      *");
  loaded.Put(4, 0, border);
  CheckScreen(tally, what + " before the run", machine, loaded, kLeft);

  machine.Load(mzt.load, mzt.body);
  RunFromMonitor(tally, what, machine, monitor, mzt.exec);
  tally.Check(machine.Reg(regSP) == kMonitorStack, what + ": the stack as it was");
  // The code fills in the size of the screen part and copies the top border to the last row.
  Screen done = loaded;
  char size[8];
  std::snprintf(size, sizeof size, "%05zu", screen_part.size());
  done.Put(3, 21, size);
  done.Put(kRows - 1, 0, border);
  CheckScreen(tally, what, machine, done, kLeft);
  tally.Check(monitor.printed.empty(),
              what + ": prints nothing, printed [" + monitor.printed + "]");
}

void CheckMz80k(const Paths &paths, Tally &tally) {
  const std::string what = "mz80k";
  Assembly assembly;
  Scratch scratch{tally, assembly, tally.failures};
  Assemble(paths, tally, what, {"-mSQUARES", "mz80k.asm"}, {"mz80k.mzt"}, assembly);
  Mzt mzt;
  if (!ReadTape(tally, what, assembly.files["mz80k.mzt"], "SQUARES", 0x1200, mzt)) {
    return;
  }
  Machine machine;
  Monitor monitor;
  monitor.writable = {
      {0x1000, kMonitorStack}
  };  // the stack only: all output goes through PRNT
  InstallMonitor(machine, monitor);
  machine.Load(mzt.load, mzt.body);
  RunFromMonitor(tally, what, machine, monitor, mzt.exec);
  tally.Check(machine.Reg(regSP) == kMonitorStack, what + ": the stack as it was");

  std::string expected = "\nSQUARES BY ADDING ODD NUMBERS\n";
  for (int n = 1; n <= 12; ++n) {
    char line[32];
    std::snprintf(line, sizeof line, "%3d *%3d =%3d\n", n, n, n * n);
    expected += line;
  }
  tally.Check(monitor.printed == expected,
              what + ": printed [" + monitor.printed + "], expected [" + expected + "]");
}

// Reads logical sector `logical` of an MZ-2000 D88 as the IPL does: it lies on D88 track
// (logical / 16) XOR 1 (cylinder * 2 + side, the sides counted the other way round) as sector
// (logical % 16) + 1, each byte stored complemented. Empty on any fault, which is reported.
std::vector<uint8_t> ReadLogicalSector(Tally &tally, const std::vector<uint8_t> &d88, int logical) {
  const std::string what = "mz2000_boot: logical sector " + std::to_string(logical);
  int track = (logical / 16) ^ 1;
  int record = logical % 16 + 1;
  size_t entry = 0x20 + 4 * static_cast<size_t>(track);
  if (!tally.Check(entry + 4 <= d88.size(), what + ": no track table entry")) {
    return {};
  }
  size_t at = Word(d88, entry) | static_cast<size_t>(Word(d88, entry + 2)) << 16;
  if (!tally.Check(at != 0 && at + 16 <= d88.size(),
                   what + ": track " + std::to_string(track) + " missing")) {
    return {};
  }
  int sectors = Word(d88, at + 4);
  for (int i = 0; i < sectors && at + 16 <= d88.size(); ++i) {
    size_t size = Word(d88, at + 14);
    if (d88[at + 2] == record) {
      if (!tally.Check(size == 256 && at + 16 + size <= d88.size(),
                       what + ": a sector of 256 bytes")) {
        return {};
      }
      std::vector<uint8_t> bytes(d88.begin() + static_cast<long>(at) + 16,
                                 d88.begin() + static_cast<long>(at + 16 + size));
      for (auto &byte : bytes) {
        byte = static_cast<uint8_t>(~byte);
      }
      return bytes;
    }
    at += 16 + size;
  }
  tally.Check(false, what + ": sector " + std::to_string(record) + " not on track " +
                         std::to_string(track));
  return {};
}

void CheckMz2000Boot(const Paths &paths, Tally &tally) {
  const std::string what = "mz2000_boot";
  Assembly assembly;
  Scratch scratch{tally, assembly, tally.failures};
  Assemble(paths, tally, what, {"-2BOOTDEMO", "mz2000_boot.asm"}, {"mz2000_boot.d88"}, assembly);
  tally.Check(examples::ReadFile(assembly.folder / "talvo.out").empty(),
              what + ": talvo -2 prints no warning (load and execution address 0000h)");
  const std::vector<uint8_t> &d88 = assembly.files["mz2000_boot.d88"];
  if (!tally.Check(d88.size() > 0x2B0 && Word(d88, 0x1C) == (d88.size() & 0xFFFF) &&
                       Word(d88, 0x1E) == d88.size() >> 16,
                   what + ": the D88 header gives the file's size")) {
    return;
  }

  // The boot record: 01h, "IPLPRO", the disk name, then the image's length, load address,
  // execution address and first logical sector.
  std::vector<uint8_t> boot = ReadLogicalSector(tally, d88, 0);
  if (boot.empty()) {
    return;
  }
  const std::string name = "BOOTDEMO";
  tally.Check(boot[0] == 0x01 && std::memcmp(&boot[1], "IPLPRO", 6) == 0 &&
                  std::memcmp(&boot[7], name.data(), name.size()) == 0,
              what + ": boot record 01h IPLPRO BOOTDEMO");
  uint16_t length = Word(boot, 0x14), load = Word(boot, 0x16), exec = Word(boot, 0x18);
  uint16_t first = Word(boot, 0x1E);
  if (!tally.Check(load == 0 && exec == 0 && first == 48 && length > 0,
                   what + ": image from sector 48 loaded and started at 0000h, got " + Hex(length) +
                       " bytes from sector " + std::to_string(first) + " at " + Hex(load) +
                       ", started at " + Hex(exec))) {
    return;
  }

  Machine machine;
  for (unsigned sector = 0; sector * 256 < length; ++sector) {
    std::vector<uint8_t> bytes = ReadLogicalSector(tally, d88, static_cast<int>(first + sector));
    if (bytes.empty()) {
      return;
    }
    size_t count = std::min<size_t>(256, length - sector * 256);
    machine.Load(static_cast<uint16_t>(load + sector * 256), bytes, 0, count);
  }

  constexpr uint8_t kPortE8 = 0xE8, kMapped = 0x80, kCharacters = 0x40;
  constexpr uint8_t kFoundThere = 0x0D;  // the port's other bits, as the IPL leaves them
  constexpr uint8_t kLeft = '%';         // what the IPL left on the screen
  uint8_t latch = kFoundThere;
  std::vector<uint8_t> text_vram(0x3000, kLeft), graphic_vram(0x3000, 0);
  std::set<std::string> faults;
  auto window = [&](uint16_t address) -> uint8_t * {
    if (!(latch & kMapped) || address < kVram) {
      return nullptr;
    }
    return &(latch & kCharacters ? text_vram : graphic_vram)[address - kVram];
  };
  machine.read_memory = [&](uint16_t address, uint8_t &value) {
    uint8_t *cell = window(address);
    if (cell) {
      value = *cell;
    }
    return cell != nullptr;
  };
  machine.write_memory = [&](uint16_t address, uint8_t value) {
    uint8_t *cell = window(address);
    if (cell) {
      *cell = value;
    }
    return cell != nullptr;
  };
  machine.in = [&](uint16_t port) -> uint8_t {
    if ((port & 0xFF) == kPortE8) {
      return latch;
    }
    faults.insert("read port " + Hex(port & 0xFF, 2));
    return 0xFF;
  };
  machine.out = [&](uint16_t port, uint8_t value) {
    if ((port & 0xFF) != kPortE8) {
      faults.insert("wrote port " + Hex(port & 0xFF, 2));
    } else if ((value & 0x3F) != (kFoundThere & 0x3F)) {
      faults.insert("changed bits 5-0 of port E8h: " + Hex(value, 2));
    }
    if ((port & 0xFF) == kPortE8) {
      latch = value;
    }
  };

  // With no monitor, the program ends by halting with interrupts off: the run uses up its
  // budget, and the CPU must be halted for good at the end.
  examples::Run(machine, exec, 0x0000, kBudget);
  tally.Check(z80ex_doing_halt(machine.cpu) && machine.Reg(regIFF1) == 0,
              what + ": ends halted with interrupts off, PC " + Hex(machine.Reg(regPC)));
  for (const auto &fault : faults) {
    tally.Check(false, what + ": " + fault);
  }
  tally.Check(latch == kFoundThere, what + ": port E8h as found at the end, got " + Hex(latch, 2));

  // Row 0 holds the line, every other cell of the 80 x 25 screen a space; the graphic VRAM and
  // the RAM behind the window stay as they were.
  const std::string line = "MZ-2000: BOOTED FROM DISK, TEXT IN VRAM.";
  std::string expected = line + std::string(80 * 25 - line.size(), ' ');
  std::string shown(text_vram.begin(), text_vram.begin() + 80 * 25);
  tally.Check(shown.substr(0, 80) == expected.substr(0, 80),
              what + ": row 0 shows [" + shown.substr(0, 80) + "]");
  tally.Check(shown == expected, what + ": the rest of the screen cleared to spaces");
  bool graphic_clean = true, ram_clean = true;
  for (size_t i = 0; i < graphic_vram.size(); ++i) {
    graphic_clean &= graphic_vram[i] == 0;
    ram_clean &= machine.memory[kVram + i] == 0;
  }
  tally.Check(graphic_clean, what + ": the graphic VRAM untouched");
  tally.Check(ram_clean, what + ": the RAM at D000h-FFFFh untouched (VRAM mapped when written)");
}

}  // namespace

int main(int argc, char **argv) {
  Paths paths;
  if (!examples::ReadPaths(argc, argv, paths)) {
    return 2;
  }
  Tally tally;
  CheckMz700Vram(paths, tally);
  CheckMz700Split(paths, tally);
  CheckMz80k(paths, tally);
  CheckMz2000Boot(paths, tally);
  std::printf("examples_mz: %d checks, %d failed\n", tally.checks, tally.failures);
  return tally.failures == 0 ? 0 : 1;
}
