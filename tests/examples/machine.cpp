#include "machine.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace examples {

bool Tally::Check(bool ok, const std::string &what) {
  ++checks;
  if (!ok) {
    ++failures;
    std::printf("FAILED: %s\n", what.c_str());
  }
  return ok;
}

bool ReadPaths(int argc, char **argv, Paths &paths) {
  if (argc != 4 && !(argc == 5 && std::string(argv[4]) == "--update")) {
    std::fprintf(stderr, "usage: %s TALVO EXAMPLES EXPECTED [--update]\n", argv[0]);
    return false;
  }
  paths.talvo = fs::absolute(argv[1]).string();
  paths.examples = fs::absolute(argv[2]);
  paths.expected = fs::absolute(argv[3]);
  paths.update = argc == 5;
  return true;
}

std::vector<uint8_t> ReadFile(const fs::path &path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

namespace {

void WriteFile(const fs::path &path, const std::vector<uint8_t> &bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char *>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

// Quotes an argument for the shell.
std::string Quoted(const std::string &text) {
  std::string quoted = "'";
  for (char c : text) {
    quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  }
  return quoted + "'";
}

}  // namespace

bool Assemble(const Paths &paths, Tally &tally, const std::string &expected_prefix,
              const std::vector<std::string> &args, const std::vector<std::string> &outputs,
              Assembly &assembly, const fs::path &reuse) {
  fs::path folder = fs::temp_directory_path() /
                    ("talvo-example-" + expected_prefix + "-" + std::to_string(::getpid()));
  std::error_code error;
  fs::remove_all(folder, error);
  fs::create_directories(folder);
  fs::copy(paths.examples, folder,
           fs::copy_options::recursive | fs::copy_options::overwrite_existing);
  if (!reuse.empty()) {
    for (const auto &name : outputs) {
      if (fs::exists(reuse / name)) {
        fs::copy_file(reuse / name, folder / name, fs::copy_options::overwrite_existing);
      }
    }
  }
  std::string command = "cd " + Quoted(folder.string()) + " && " + Quoted(paths.talvo);
  for (const auto &arg : args) {
    command += ' ';
    command += Quoted(arg);
  }
  command += " >talvo.out 2>&1";
  assembly.folder = folder;
  assembly.files.clear();
  if (!tally.Check(std::system(command.c_str()) == 0, expected_prefix + ": " + command)) {
    std::vector<uint8_t> printed = ReadFile(folder / "talvo.out");
    std::fwrite(printed.data(), 1, printed.size(), stdout);
    return false;
  }
  bool same = true;
  for (const auto &name : outputs) {
    std::vector<uint8_t> bytes = ReadFile(folder / name);
    fs::path expected = paths.expected / (expected_prefix + "." + name);
    if (paths.update) {
      WriteFile(expected, bytes);
    } else {
      same &= tally.Check(
          fs::exists(folder / name) && fs::exists(expected) && bytes == ReadFile(expected),
          expected_prefix + ": " + name + " differs from " + expected.string());
    }
    assembly.files[name] = std::move(bytes);
  }
  return same;
}

namespace {

Z80EX_BYTE ReadMemory(Z80EX_CONTEXT *, Z80EX_WORD address, int, void *data) {
  auto &machine = *static_cast<Machine *>(data);
  uint8_t value = 0;
  if (machine.read_memory && machine.read_memory(address, value)) {
    return value;
  }
  return machine.memory[address];
}

void WriteMemory(Z80EX_CONTEXT *, Z80EX_WORD address, Z80EX_BYTE value, void *data) {
  auto &machine = *static_cast<Machine *>(data);
  if (machine.write_memory && machine.write_memory(address, value)) {
    return;
  }
  machine.memory[address] = value;
}

Z80EX_BYTE ReadPort(Z80EX_CONTEXT *, Z80EX_WORD port, void *data) {
  auto &machine = *static_cast<Machine *>(data);
  return machine.in ? machine.in(port) : 0xFF;
}

void WritePort(Z80EX_CONTEXT *, Z80EX_WORD port, Z80EX_BYTE value, void *data) {
  auto &machine = *static_cast<Machine *>(data);
  if (machine.out) {
    machine.out(port, value);
  }
}

Z80EX_BYTE ReadVector(Z80EX_CONTEXT *, void *) { return 0xFF; }

}  // namespace

Machine::Machine() {
  cpu = z80ex_create(ReadMemory, this, WriteMemory, this, ReadPort, this, WritePort, this,
                     ReadVector, this);
}

Machine::~Machine() { z80ex_destroy(cpu); }

uint16_t Machine::Reg(Z80_REG_T reg) const { return z80ex_get_reg(cpu, reg); }

void Machine::SetReg(Z80_REG_T reg, uint16_t value) { z80ex_set_reg(cpu, reg, value); }

uint16_t Machine::Return() {
  uint16_t sp = Reg(regSP);
  auto address = static_cast<uint16_t>(memory[sp] | memory[static_cast<uint16_t>(sp + 1)] << 8);
  SetReg(regSP, static_cast<uint16_t>(sp + 2));
  return address;
}

void Machine::Load(uint16_t address, const std::vector<uint8_t> &bytes, size_t from, size_t count) {
  for (size_t i = from; i < bytes.size() && i - from < count; ++i) {
    memory[static_cast<uint16_t>(address + (i - from))] = bytes[i];
  }
}

bool Run(Machine &machine, uint16_t pc, uint16_t sp, long max_tstates, int return_to) {
  z80ex_reset(machine.cpu);
  machine.SetReg(regSP, sp);
  if (return_to >= 0) {
    sp = static_cast<uint16_t>(sp - 2);
    machine.memory[sp] = static_cast<uint8_t>(return_to);
    machine.memory[static_cast<uint16_t>(sp + 1)] = static_cast<uint8_t>(return_to >> 8);
    machine.SetReg(regSP, sp);
  }
  machine.SetReg(regPC, pc);
  long tstates = 0;
  while (tstates < max_tstates) {
    uint16_t at = machine.Reg(regPC);
    if (!z80ex_last_op_type(machine.cpu)) {  // not in the middle of a prefixed instruction
      if (return_to >= 0 && at == return_to) {
        return true;
      }
      auto trap = machine.traps.find(at);
      if (trap != machine.traps.end()) {
        int next = trap->second(machine);
        if (next == Machine::kStop) {
          return true;
        }
        machine.SetReg(regPC, static_cast<uint16_t>(next));
        continue;
      }
    }
    tstates += z80ex_step(machine.cpu);
  }
  return false;
}

void Resume(Machine &machine, long tstates) {
  for (long spent = 0; spent < tstates;) {
    spent += z80ex_step(machine.cpu);
  }
}

int Interrupt(Machine &machine) { return z80ex_int(machine.cpu); }

}  // namespace examples
