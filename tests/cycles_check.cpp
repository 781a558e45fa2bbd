// Holds the T-states that --cycles shows against an independent Z80 emulator, libz80ex: every
// opcode of every page (none, CB, ED, DD, FD, DD CB, FD CB) that the cycle table times is run
// in the emulator from states that send each two-path instruction down both paths, and the
// times the emulator counts must be the table's. Then every instruction form the assembler
// accepts (the opcode golden cases) is assembled with -x --cycles, and each line of the
// assemble list must show the times the emulator counts for that line's bytes.
//
// Usage: cycles_check TALVO OPCODE_CASES_FOLDER
#include <unistd.h>
#include <z80ex/z80ex.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "z80/z80.h"

namespace fs = std::filesystem;

namespace {

constexpr uint16_t kCodeAt = 0x8000;

// The memory and the emulator that runs one instruction at a time.
struct Machine {
  std::array<uint8_t, 65536> memory{};
  Z80EX_CONTEXT *cpu = nullptr;
};

Z80EX_BYTE ReadMemory(Z80EX_CONTEXT *, Z80EX_WORD address, int, void *machine) {
  return static_cast<Machine *>(machine)->memory[address];
}
void WriteMemory(Z80EX_CONTEXT *, Z80EX_WORD address, Z80EX_BYTE value, void *machine) {
  static_cast<Machine *>(machine)->memory[address] = value;
}
Z80EX_BYTE ReadPort(Z80EX_CONTEXT *, Z80EX_WORD, void *) { return 0xFF; }
void WritePort(Z80EX_CONTEXT *, Z80EX_WORD, Z80EX_BYTE, void *) {}
Z80EX_BYTE ReadVector(Z80EX_CONTEXT *, void *) { return 0xFF; }

// The states an instruction starts from: the flags all clear and all set (each condition holds
// in one of them), with B at 1 and at 2 (DJNZ, INIR, OTIR, INDR, OTDR end or go on) and BC at 1
// and at 2 (LDIR, CPIR, LDDR, CPDR). A is 55h and memory holds zeros, so CPIR never finds it.
struct Start {
  uint16_t af;
  uint16_t bc;
};
constexpr Start kStarts[] = {
    {0x5500, 0x0101},
    {0x55FF, 0x0101},
    {0x5500, 0x0201},
    {0x55FF, 0x0201},
    {0x5500, 0x0001},
    {0x55FF, 0x0001},
    {0x5500, 0x0002},
    {0x55FF, 0x0002},
};

// The T-states the emulator counts for the instruction code, from start: its prefixes and
// the instruction itself, each of which the emulator runs as a step of its own.
int RunOnce(Machine &machine, const std::vector<uint8_t> &code, const Start &start) {
  machine.memory.fill(0);
  for (size_t i = 0; i < code.size(); ++i) {
    machine.memory[kCodeAt + i] = code[i];
  }
  z80ex_reset(machine.cpu);
  z80ex_set_reg(machine.cpu, regPC, kCodeAt);
  z80ex_set_reg(machine.cpu, regSP, 0xC000);
  z80ex_set_reg(machine.cpu, regAF, start.af);
  z80ex_set_reg(machine.cpu, regBC, start.bc);
  z80ex_set_reg(machine.cpu, regDE, 0x5000);
  z80ex_set_reg(machine.cpu, regHL, 0x4000);
  z80ex_set_reg(machine.cpu, regIX, 0x4000);
  z80ex_set_reg(machine.cpu, regIY, 0x4000);
  int t_states = 0;
  for (int step = 0; step < 4; ++step) {
    t_states += z80ex_step(machine.cpu);
    if (z80ex_last_op_type(machine.cpu) == 0) {
      break;
    }
  }
  return t_states;
}

// The distinct T-states of the instruction over every start.
std::set<int> RunAll(Machine &machine, const std::vector<uint8_t> &code) {
  std::set<int> seen;
  for (const Start &start : kStarts) {
    seen.insert(RunOnce(machine, code, start));
  }
  return seen;
}

std::string Hex(const std::vector<uint8_t> &code) {
  std::string text;
  for (uint8_t byte : code) {
    char digits[4];
    std::snprintf(digits, sizeof digits, "%02X ", byte);
    text += digits;
  }
  return text;
}

std::string Times(const std::set<int> &times) {
  std::string text;
  for (int t : times) {
    text += (text.empty() ? "" : "/") + std::to_string(t);
  }
  return text;
}

struct Tally {
  int passed = 0;
  int failed = 0;
  void Check(bool ok, const std::string &what) {
    if (ok) {
      ++passed;
    } else {
      ++failed;
      std::printf("FAIL %s\n", what.c_str());
    }
  }
};

// An opcode page: the bytes in front of the opcode, and those behind it (none but for the
// indexed CB pages, whose displacement comes first: DD CB d op).
struct Page {
  const char *name;
  std::vector<uint8_t> before;
};
const Page kPages[] = {
    {"unprefixed", {}                },
    {"CB",         {0xCB}            },
    {"ED",         {0xED}            },
    {"DD",         {0xDD}            },
    {"FD",         {0xFD}            },
    {"DD CB",      {0xDD, 0xCB, 0x00}},
    {"FD CB",      {0xFD, 0xCB, 0x00}},
};

// The table against the emulator, opcode by opcode. A prefix byte in the opcode's place is
// left to the page it opens; the only codes the table does not time are those of the DD and FD
// pages that do not use HL, before which the prefix has no effect.
void CheckTable(Machine &machine, Tally &tally) {
  int untimed = 0;
  for (const Page &page : kPages) {
    const bool index_page =
        page.before == std::vector<uint8_t>{0xDD} || page.before == std::vector<uint8_t>{0xFD};
    for (int opcode = 0; opcode < 256; ++opcode) {
      const bool opens_page = (page.before.empty() && (opcode == 0xCB || opcode == 0xDD ||
                                                       opcode == 0xED || opcode == 0xFD)) ||
                              (index_page && opcode == 0xCB);
      if (opens_page) {
        continue;
      }
      std::vector<uint8_t> code = page.before;
      code.push_back(static_cast<uint8_t>(opcode));
      code.resize(code.size() + 2, 0);  // operands: zeros
      InstructionTiming timing;
      if (!InstructionCycles(code.data(), static_cast<int32_t>(code.size()), timing)) {
        ++untimed;
        tally.Check(index_page, "untimed " + Hex(code));
        continue;
      }
      const std::set<int> table{timing.taken, timing.not_taken};
      const std::set<int> seen = RunAll(machine, code);
      tally.Check(seen == table, std::string(page.name) + " " + Hex(code) + ": table " +
                                     Times(table) + ", emulator " + Times(seen));
    }
  }
  // Of each index page's 255 codes, 85 make an instruction of IX or IY (as the encoder emits).
  constexpr int kIndexCodesWithoutHl = 2 * (255 - 85);
  tally.Check(untimed == kIndexCodesWithoutHl, "untimed codes: " + std::to_string(untimed));
}

// The T-states column of an assemble list line (it begins after the bytes, at column 19, and
// ends at the text, at column 32): the set of its values, empty when the column is.
std::set<int> ColumnTimes(const std::string &line) {
  std::set<int> times;
  const std::string column = line.size() > 19 ? line.substr(19, 13) : "";
  const char *p = column.c_str();
  while (*p != '\0') {
    char *end = nullptr;
    const long value = std::strtol(p, &end, 10);
    if (end == p) {
      ++p;
    } else {
      times.insert(static_cast<int>(value));
      p = end;
    }
  }
  return times;
}

// The bytes a listing line shows (columns 8 to 18).
std::vector<uint8_t> LineBytes(const std::string &line) {
  std::vector<uint8_t> bytes;
  for (size_t at = 8; at + 2 <= 19 && at + 2 <= line.size(); at += 3) {
    const std::string pair = line.substr(at, 2);
    if (pair == "  ") {
      break;
    }
    bytes.push_back(static_cast<uint8_t>(std::strtoul(pair.c_str(), nullptr, 16)));
  }
  return bytes;
}

// Every line of the opcode cases' assemble lists that shows bytes holds one instruction: its
// column must hold the times the emulator counts for them.
void CheckListings(Machine &machine, Tally &tally, const char *talvo, const fs::path &cases) {
  const fs::path scratch = fs::temp_directory_path() / ("cycles_check." + std::to_string(getpid()));
  fs::create_directories(scratch);
  int lines = 0;
  for (const char *name :
       {"opcodes_main", "opcodes_cb", "opcodes_ed", "opcodes_index", "opcodes_index_cb"}) {
    const fs::path source = cases / (std::string(name) + ".asm");
    fs::copy_file(source, scratch / source.filename(), fs::copy_options::overwrite_existing);
    const std::string command =
        "cd '" + scratch.string() + "' && '" + talvo + "' -x --cycles " + name + ".asm >/dev/null";
    tally.Check(std::system(command.c_str()) == 0, std::string("assembling ") + name);
    std::ifstream list(scratch / (std::string(name) + ".als"));
    std::string line;
    while (std::getline(list, line)) {
      const std::vector<uint8_t> bytes = LineBytes(line);
      if (bytes.empty()) {
        continue;
      }
      ++lines;
      const std::set<int> shown = ColumnTimes(line);
      const std::set<int> seen = RunAll(machine, bytes);
      tally.Check(shown == seen,
                  std::string(name) + ": " + line + " (emulator: " + Times(seen) + ")");
    }
  }
  fs::remove_all(scratch);
  // The opcode cases hold some 2,400 instruction lines.
  tally.Check(lines > 2000, "instruction lines listed: " + std::to_string(lines));
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: cycles_check TALVO OPCODE_CASES_FOLDER\n");
    return 2;
  }
  Machine machine;
  machine.cpu = z80ex_create(ReadMemory, &machine, WriteMemory, &machine, ReadPort, nullptr,
                             WritePort, nullptr, ReadVector, nullptr);
  Tally tally;
  CheckTable(machine, tally);
  CheckListings(machine, tally, argv[1], argv[2]);
  z80ex_destroy(machine.cpu);
  std::printf("%d passed, %d failed\n", tally.passed, tally.failed);
  return tally.failed == 0 ? 0 : 1;
}
