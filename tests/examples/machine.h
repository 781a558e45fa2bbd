// The pieces every example run shares: assembling an example with the built program in a
// scratch folder and holding the files it writes against the expected ones, and a Z80 in
// libz80ex with 64 KiB of memory, whose memory, ports and monitor entry points a machine model
// can take over.
#ifndef TALVO_TESTS_EXAMPLES_MACHINE_H
#define TALVO_TESTS_EXAMPLES_MACHINE_H

#include <z80ex/z80ex.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace examples {

// Counts the checks and prints each failed one; the run fails when any did.
struct Tally {
  int checks = 0;
  int failures = 0;
  bool Check(bool ok, const std::string &what);
};

// Where the programs and their expected outputs are, and whether to rewrite the expected files.
struct Paths {
  std::string talvo;               // the built assembler
  std::filesystem::path examples;  // the examples folder (sources and their include files)
  std::filesystem::path expected;  // the expected output of each example
  bool update = false;             // write the expected files from this run instead
};

// Reads Paths from the command line: TALVO EXAMPLES EXPECTED [--update]. False on bad usage.
bool ReadPaths(int argc, char **argv, Paths &paths);

// Copies the examples folder into a fresh scratch folder, runs talvo there with args and
// checks that it succeeds. Each file named in outputs is then read, held byte for byte against
// EXPECTED/<expected_prefix>.<file name> (or written there with --update) and returned in files.
// A scratch folder holding a file of an earlier run may be given as reuse (a disk to update).
struct Assembly {
  std::filesystem::path folder;                       // the scratch folder the run wrote into
  std::map<std::string, std::vector<uint8_t>> files;  // output file name -> bytes
};
bool Assemble(const Paths &paths, Tally &tally, const std::string &expected_prefix,
              const std::vector<std::string> &args, const std::vector<std::string> &outputs,
              Assembly &assembly, const std::filesystem::path &reuse = {});

std::vector<uint8_t> ReadFile(const std::filesystem::path &path);

// A Z80 with 64 KiB of RAM. A model may hook memory, ports and addresses:
// - read_memory / write_memory, when set, see every access first and return true when they
//   handled it (a window, a ROM, a video memory);
// - in / out handle the ports (unhandled input reads FFh);
// - traps: when the program counter reaches an address of the map, its function runs instead
//   of the code there (a monitor or ROM entry point); it returns the address to go on at, or
//   kStop to end the run.
struct Machine {
  static constexpr int kStop = -1;
  std::array<uint8_t, 65536> memory{};
  std::function<bool(uint16_t address, uint8_t &value)> read_memory;
  std::function<bool(uint16_t address, uint8_t value)> write_memory;
  std::function<uint8_t(uint16_t port)> in;
  std::function<void(uint16_t port, uint8_t value)> out;
  std::map<uint16_t, std::function<int(Machine &)>> traps;
  Z80EX_CONTEXT *cpu = nullptr;

  Machine();
  ~Machine();
  Machine(const Machine &) = delete;
  Machine &operator=(const Machine &) = delete;

  uint16_t Reg(Z80_REG_T reg) const;
  void SetReg(Z80_REG_T reg, uint16_t value);
  // Pops the return address, as a RET would, and returns it: the end of a trapped CALL.
  uint16_t Return();
  void Load(uint16_t address, const std::vector<uint8_t> &bytes, size_t from = 0,
            size_t count = SIZE_MAX);
};

// Runs from pc with the stack at sp until a trap stops it or max_tstates pass; true when a trap
// stopped it. With return_to (0 to FFFFh) that address is pushed first, as the caller's return
// address, and reaching it stops the run too: the program returned.
bool Run(Machine &machine, uint16_t pc, uint16_t sp, long max_tstates, int return_to = -1);

// Goes on from where the machine stands, without a reset and without traps, for at least
// tstates T-states: a program resumed after an interrupt.
void Resume(Machine &machine, long tstates);

// Raises a maskable interrupt (the data bus holding FFh, RST 38h under IM 0 and IM 1); returns
// the T-states it took, 0 when interrupts are disabled.
int Interrupt(Machine &machine);

}  // namespace examples

#endif
