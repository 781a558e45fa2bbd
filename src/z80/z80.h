// Z80 instruction encoder, and the T-states of the instructions it encodes.
#pragma once

#include <cstdint>

#include "base/state.h"

// Reads the operands of the mnemonic (a token kind for which IsMnemonic holds) at the scan
// position and emits the instruction. False with the message in the slot on error.
[[nodiscard]] bool EncodeInstruction(AssemblerState &st, int32_t mnemonic);

// The T-states of one run of an instruction. A conditional jump, call or return and a block
// instruction that repeats have two paths: taken (repeating) and not taken (the last run),
// which JP cc,nn takes in the same time; any other instruction has one, given twice.
struct InstructionTiming {
  int32_t taken = 0;
  int32_t not_taken = 0;
  bool two_paths = false;
};

// The T-states of the instruction whose encoded bytes are code[0, size), from its opcode after
// the prefixes (CB, ED, DD, FD, DD CB d, FD CB d). False when the bytes hold no whole opcode
// of an instruction: too few bytes, or an index prefix before an opcode that does not use HL.
[[nodiscard]] bool InstructionCycles(const uint8_t *code, int32_t size, InstructionTiming &timing);
