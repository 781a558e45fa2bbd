// Z80 instruction encoder.
#pragma once

#include <cstdint>

#include "base/state.h"

// Reads the operands of the mnemonic (a token kind for which IsMnemonic holds) at the scan
// position and emits the instruction. False with the message in the slot on error.
[[nodiscard]] bool EncodeInstruction(AssemblerState &st, int32_t mnemonic);
