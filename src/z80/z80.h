// Z80 instruction encoder.
#pragma once

#include <cstdint>

struct AssemblerState;

// Reads the operands of the mnemonic (token kind 1..69) at the scan position and emits
// the instruction. False with the message in the slot on error.
[[nodiscard]] bool EncodeInstruction(AssemblerState &st, int32_t mnemonic);
