// The code emission the instruction encoder uses: bytes, operands that may be forward
// references, and the bytes an instruction fills in later. The code buffer decides how a value
// not yet known is recorded and where each byte goes (ARRANGE gaps, floating blocks, OFFSET).
#pragma once

#include <cstdint>

#include "base/state.h"

// Appends one byte at the location counter; false (message set) when it does not fit.
[[nodiscard]] bool EmitByte(AssemblerState &st, uint8_t byte);
// Emits the low 8 bits of the expression just evaluated (st.expr), or, when its value is not
// known yet, a zero placeholder and a Byte fixup for it. A value outside range is warned about
// (--warn=range), now or when the fixup is resolved.
[[nodiscard]] bool EmitEvaluatedByte(AssemblerState &st, OperandRange range = OperandRange::Byte);
// As EmitEvaluatedByte for a little-endian word. The buffer records an unknown word as one
// Word fixup, or as two Byte fixups when an ARRANGE gap falls between its two placeholders.
[[nodiscard]] bool EmitEvaluatedWord(AssemblerState &st);
// Evaluates the expression at the scan position and emits it with EmitEvaluatedByte.
[[nodiscard]] bool EmitOperandByte(AssemblerState &st);
// Evaluates the expression at the scan position and emits it with EmitEvaluatedWord.
[[nodiscard]] bool EmitOperandWord(AssemblerState &st);
// Evaluates a jump target and emits the relative displacement (or a Relative fixup).
[[nodiscard]] bool EmitRelative(AssemblerState &st);

// Listing run: the bytes emitted from BeginInstruction to EndInstruction make one instruction,
// whose T-states the listings show (--cycles); encoded: it was emitted whole.
void BeginInstruction(AssemblerState &st);
void EndInstruction(AssemblerState &st, bool encoded);

// A byte emitted before its value is known and filled in later by the same statement (an
// opcode that its displacement precedes in the source but follows in the code).
struct ReservedByte {
  int32_t offset = 0;
  bool stored = false;  // false when nothing went into the buffer (OFFSET section, listing)
};
[[nodiscard]] bool ReserveByte(AssemblerState &st, ReservedByte &slot);
void FillReserved(AssemblerState &st, const ReservedByte &slot, uint8_t value);

// A bit number not known yet (BIT, SET, RES): its saved postfix form is resolved later and
// ORed, shifted into the bit field, into the opcode emitted at opcode_offset.
[[nodiscard]] bool EmitBitNumberFixup(AssemblerState &st, int32_t opcode_offset,
                                      const PostfixBuffer &bit_number);
