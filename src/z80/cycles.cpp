// T-states of Z80 instructions, read from their encoded bytes: one 256-entry table per opcode
// page, indexed by the opcode that follows the prefixes.
#include <cstddef>

#include "z80/z80.h"

namespace {

// T-states of each opcode of a page, sixteen per row; for an instruction with two paths, the
// longer one (the jump taken, the block instruction repeating). 0: no instruction of its own
// (a prefix byte; on the index page an opcode that does not use HL, before which DD and FD
// act as a prefix of no effect, which the encoder never emits). Every count includes the
// M1 cycles of the prefixes.

// No prefix.
// clang-format off
constexpr uint8_t kMain[256] = {
//   0   1   2   3   4   5   6   7   8   9   A   B   C   D   E   F
     4, 10,  7,  6,  4,  4,  7,  4,  4, 11,  7,  6,  4,  4,  7,  4,  // 00
    13, 10,  7,  6,  4,  4,  7,  4, 12, 11,  7,  6,  4,  4,  7,  4,  // 10
    12, 10, 16,  6,  4,  4,  7,  4, 12, 11, 16,  6,  4,  4,  7,  4,  // 20
    12, 10, 13,  6, 11, 11, 10,  4, 12, 11, 13,  6,  4,  4,  7,  4,  // 30
     4,  4,  4,  4,  4,  4,  7,  4,  4,  4,  4,  4,  4,  4,  7,  4,  // 40 LD r,s
     4,  4,  4,  4,  4,  4,  7,  4,  4,  4,  4,  4,  4,  4,  7,  4,  // 50
     4,  4,  4,  4,  4,  4,  7,  4,  4,  4,  4,  4,  4,  4,  7,  4,  // 60
     7,  7,  7,  7,  7,  7,  4,  7,  4,  4,  4,  4,  4,  4,  7,  4,  // 70 76: HALT
     4,  4,  4,  4,  4,  4,  7,  4,  4,  4,  4,  4,  4,  4,  7,  4,  // 80 ALU A,s
     4,  4,  4,  4,  4,  4,  7,  4,  4,  4,  4,  4,  4,  4,  7,  4,  // 90
     4,  4,  4,  4,  4,  4,  7,  4,  4,  4,  4,  4,  4,  4,  7,  4,  // A0
     4,  4,  4,  4,  4,  4,  7,  4,  4,  4,  4,  4,  4,  4,  7,  4,  // B0
    11, 10, 10, 10, 17, 11,  7, 11, 11, 10, 10,  0, 17, 17,  7, 11,  // C0 CB: prefix
    11, 10, 10, 11, 17, 11,  7, 11, 11,  4, 10, 11, 17,  0,  7, 11,  // D0 DD: prefix
    11, 10, 10, 19, 17, 11,  7, 11, 11,  4, 10,  4, 17,  0,  7, 11,  // E0 ED: prefix
    11, 10, 10,  4, 17, 11,  7, 11, 11,  6, 10,  4, 17,  0,  7, 11,  // F0 FD: prefix
};

// CB: rotates and shifts, BIT, RES, SET; column 6 and E work on (HL).
constexpr uint8_t kCb[256] = {
//   0   1   2   3   4   5   6   7   8   9   A   B   C   D   E   F
     8,  8,  8,  8,  8,  8, 15,  8,  8,  8,  8,  8,  8,  8, 15,  8,  // 00 RLC RRC
     8,  8,  8,  8,  8,  8, 15,  8,  8,  8,  8,  8,  8,  8, 15,  8,  // 10 RL RR
     8,  8,  8,  8,  8,  8, 15,  8,  8,  8,  8,  8,  8,  8, 15,  8,  // 20 SLA SRA
     8,  8,  8,  8,  8,  8, 15,  8,  8,  8,  8,  8,  8,  8, 15,  8,  // 30 SLL SRL
     8,  8,  8,  8,  8,  8, 12,  8,  8,  8,  8,  8,  8,  8, 12,  8,  // 40 BIT
     8,  8,  8,  8,  8,  8, 12,  8,  8,  8,  8,  8,  8,  8, 12,  8,  // 50
     8,  8,  8,  8,  8,  8, 12,  8,  8,  8,  8,  8,  8,  8, 12,  8,  // 60
     8,  8,  8,  8,  8,  8, 12,  8,  8,  8,  8,  8,  8,  8, 12,  8,  // 70
     8,  8,  8,  8,  8,  8, 15,  8,  8,  8,  8,  8,  8,  8, 15,  8,  // 80 RES
     8,  8,  8,  8,  8,  8, 15,  8,  8,  8,  8,  8,  8,  8, 15,  8,  // 90
     8,  8,  8,  8,  8,  8, 15,  8,  8,  8,  8,  8,  8,  8, 15,  8,  // A0
     8,  8,  8,  8,  8,  8, 15,  8,  8,  8,  8,  8,  8,  8, 15,  8,  // B0
     8,  8,  8,  8,  8,  8, 15,  8,  8,  8,  8,  8,  8,  8, 15,  8,  // C0 SET
     8,  8,  8,  8,  8,  8, 15,  8,  8,  8,  8,  8,  8,  8, 15,  8,  // D0
     8,  8,  8,  8,  8,  8, 15,  8,  8,  8,  8,  8,  8,  8, 15,  8,  // E0
     8,  8,  8,  8,  8,  8, 15,  8,  8,  8,  8,  8,  8,  8, 15,  8,  // F0
};

// ED: as the CPU runs every code, the mirrors (ED 4C NEG, ED 55 RETN, ...) and the codes
// that do nothing (8, two opcode fetches) included.
constexpr uint8_t kEd[256] = {
//   0   1   2   3   4   5   6   7   8   9   A   B   C   D   E   F
     8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  // 00
     8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  // 10
     8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  // 20
     8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  // 30
    12, 12, 15, 20,  8, 14,  8,  9, 12, 12, 15, 20,  8, 14,  8,  9,  // 40 IN OUT SBC ADC LD
    12, 12, 15, 20,  8, 14,  8,  9, 12, 12, 15, 20,  8, 14,  8,  9,  // 50 NEG RETN IM
    12, 12, 15, 20,  8, 14,  8, 18, 12, 12, 15, 20,  8, 14,  8, 18,  // 60 RRD RLD
    12, 12, 15, 20,  8, 14,  8,  8, 12, 12, 15, 20,  8, 14,  8,  8,  // 70 IN F OUT (C),0
     8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  // 80
     8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  // 90
    16, 16, 16, 16,  8,  8,  8,  8, 16, 16, 16, 16,  8,  8,  8,  8,  // A0 LDI CPI INI OUTI
    21, 21, 21, 21,  8,  8,  8,  8, 21, 21, 21, 21,  8,  8,  8,  8,  // B0 LDIR CPIR INIR OTIR
     8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  // C0
     8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  // D0
     8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  // E0
     8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  8,  // F0
};

// DD and FD (IX and IY take the same time): the opcodes that use HL, H, L or (HL), which
// become IX, the index halves or (IX+d). CB is the indexed CB page.
constexpr uint8_t kIndex[256] = {
//   0   1   2   3   4   5   6   7   8   9   A   B   C   D   E   F
     0,  0,  0,  0,  0,  0,  0,  0,  0, 15,  0,  0,  0,  0,  0,  0,  // 00
     0,  0,  0,  0,  0,  0,  0,  0,  0, 15,  0,  0,  0,  0,  0,  0,  // 10
     0, 14, 20, 10,  8,  8, 11,  0,  0, 15, 20, 10,  8,  8, 11,  0,  // 20
     0,  0,  0,  0, 23, 23, 19,  0,  0, 15,  0,  0,  0,  0,  0,  0,  // 30
     0,  0,  0,  0,  8,  8, 19,  0,  0,  0,  0,  0,  8,  8, 19,  0,  // 40
     0,  0,  0,  0,  8,  8, 19,  0,  0,  0,  0,  0,  8,  8, 19,  0,  // 50
     8,  8,  8,  8,  8,  8, 19,  8,  8,  8,  8,  8,  8,  8, 19,  8,  // 60
    19, 19, 19, 19, 19, 19,  0, 19,  0,  0,  0,  0,  8,  8, 19,  0,  // 70
     0,  0,  0,  0,  8,  8, 19,  0,  0,  0,  0,  0,  8,  8, 19,  0,  // 80
     0,  0,  0,  0,  8,  8, 19,  0,  0,  0,  0,  0,  8,  8, 19,  0,  // 90
     0,  0,  0,  0,  8,  8, 19,  0,  0,  0,  0,  0,  8,  8, 19,  0,  // A0
     0,  0,  0,  0,  8,  8, 19,  0,  0,  0,  0,  0,  8,  8, 19,  0,  // B0
     0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  // C0
     0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  // D0
     0, 14,  0, 23,  0, 15,  0,  0,  0,  8,  0,  0,  0,  0,  0,  0,  // E0
     0,  0,  0,  0,  0,  0,  0,  0,  0, 10,  0,  0,  0,  0,  0,  0,  // F0
};

// DD CB d op and FD CB d op, by op: every code works on (IX+d); the columns other than 6 and E
// also load the result into a register (BIT only tests, whatever the column).
constexpr uint8_t kIndexCb[256] = {
//   0   1   2   3   4   5   6   7   8   9   A   B   C   D   E   F
    23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23,  // 00 RLC RRC
    23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23,  // 10 RL RR
    23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23,  // 20 SLA SRA
    23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23,  // 30 SLL SRL
    20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20,  // 40 BIT
    20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20,  // 50
    20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20,  // 60
    20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20,  // 70
    23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23,  // 80 RES
    23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23,  // 90
    23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23,  // A0
    23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23,  // B0
    23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23,  // C0 SET
    23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23,  // D0
    23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23,  // E0
    23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23,  // F0
};
// clang-format on

// An instruction with two paths: its opcode and the T-states of the shorter path (the jump
// not taken, the last run of a block instruction).
struct ShortPath {
  uint8_t opcode;
  uint8_t t_states;
};

// clang-format off
constexpr ShortPath kMainShortPaths[] = {
    {0x10,  8},                                      // DJNZ e
    {0x20,  7}, {0x28,  7}, {0x30,  7}, {0x38,  7},  // JR cc,e
    {0xC0,  5}, {0xC8,  5}, {0xD0,  5}, {0xD8,  5},  // RET cc
    {0xE0,  5}, {0xE8,  5}, {0xF0,  5}, {0xF8,  5},
    {0xC2, 10}, {0xCA, 10}, {0xD2, 10}, {0xDA, 10},  // JP cc,nn: the same either way
    {0xE2, 10}, {0xEA, 10}, {0xF2, 10}, {0xFA, 10},
    {0xC4, 10}, {0xCC, 10}, {0xD4, 10}, {0xDC, 10},  // CALL cc,nn
    {0xE4, 10}, {0xEC, 10}, {0xF4, 10}, {0xFC, 10},
};

constexpr ShortPath kEdShortPaths[] = {
    {0xB0, 16}, {0xB1, 16}, {0xB2, 16}, {0xB3, 16},  // LDIR CPIR INIR OTIR
    {0xB8, 16}, {0xB9, 16}, {0xBA, 16}, {0xBB, 16},  // LDDR CPDR INDR OTDR
};
// clang-format on

// A page: its table and the instructions of two paths on it.
struct Page {
  const uint8_t *t_states;
  const ShortPath *short_paths;
  size_t short_path_count;
};

constexpr Page kMainPage{kMain, kMainShortPaths, std::size(kMainShortPaths)};
constexpr Page kCbPage{kCb, nullptr, 0};
constexpr Page kEdPage{kEd, kEdShortPaths, std::size(kEdShortPaths)};
constexpr Page kIndexPage{kIndex, nullptr, 0};
constexpr Page kIndexCbPage{kIndexCb, nullptr, 0};

// Every instruction of two paths has its longer path in the page table, and a shorter path no
// longer than it.
constexpr bool ShortPathsFit(const Page &page) {
  for (size_t i = 0; i < page.short_path_count; ++i) {
    const ShortPath &row = page.short_paths[i];
    if (page.t_states[row.opcode] == 0 || row.t_states > page.t_states[row.opcode]) {
      return false;
    }
  }
  return true;
}
static_assert(ShortPathsFit(kMainPage) && ShortPathsFit(kEdPage));

bool Lookup(const Page &page, uint8_t opcode, InstructionTiming &timing) {
  const int32_t t_states = page.t_states[opcode];
  if (t_states == 0) {
    return false;
  }
  timing = InstructionTiming{t_states, t_states, false};
  for (size_t i = 0; i < page.short_path_count; ++i) {
    if (page.short_paths[i].opcode == opcode) {
      timing.not_taken = page.short_paths[i].t_states;
      timing.two_paths = true;
    }
  }
  return true;
}

}  // namespace

bool InstructionCycles(const uint8_t *code, int32_t size, InstructionTiming &timing) {
  constexpr uint8_t kCbPrefix = 0xCB, kEdPrefix = 0xED, kIxPrefix = 0xDD, kIyPrefix = 0xFD;
  if (code == nullptr || size < 1) {
    return false;
  }
  const uint8_t first = code[0];
  if (first == kCbPrefix || first == kEdPrefix) {
    return size >= 2 && Lookup(first == kCbPrefix ? kCbPage : kEdPage, code[1], timing);
  }
  if (first == kIxPrefix || first == kIyPrefix) {
    if (size < 2) {
      return false;
    }
    // DD CB d op: the opcode comes after the displacement.
    if (code[1] == kCbPrefix) {
      return size >= 4 && Lookup(kIndexCbPage, code[3], timing);
    }
    return Lookup(kIndexPage, code[1], timing);
  }
  return Lookup(kMainPage, first, timing);
}
