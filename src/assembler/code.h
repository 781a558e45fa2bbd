// The code buffer's operations shared by the files of the assembler folder (private to
// src/assembler/): labels at the location counter, fixup records and the operand ranges.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "base/state.h"

// Target of a record whose placeholder was not stored (made inside an OFFSET section): the
// value is still computed and checked, but no byte is patched.
constexpr int32_t kNoTarget = -1;

// Wrapping signed 32-bit arithmetic.
inline int32_t Add32(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
inline int32_t Sub32(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

struct OperandLimits {
  int32_t low = 0;
  int32_t high = 0;
};
// The limits of a range (None: every value).
OperandLimits LimitsOf(OperandRange range);
// True when value, an operand of range, lies outside it. Labels hold 16-bit values, so that a
// label made as -1 is FFFFh: an 8-bit operand or a displacement of FF80h..FFFFh counts as
// -128..-1 and is inside.
bool OutsideOperandRange(int32_t value, OperandRange range);
// --warn=range: warns about a value of the line being assembled that lies outside range.
void WarnIfOutOfRange(AssemblerState &st, int32_t value, OperandRange range);
// --warn=range: warns, at a location a fixup kept, about a value outside range.
void WarnIfOutOfRangeAt(AssemblerState &st, const SourceLocation &where, int32_t value,
                        OperandRange range);

// The relative jump whose opcode lies at this offset of the code buffer: "DJNZ" or "JR".
const char *RelativeJumpName(const AssemblerState &st, int32_t opcode_at);

// Defines a label (reference) at the location counter.
[[nodiscard]] bool DefineLabelHere(AssemblerState &st, int32_t reference);
// Saves a postfix form as a fixup of the given kind and target; relative adds the "minus the
// address after the displacement byte" tail.
[[nodiscard]] bool NewFixup(AssemblerState &st, FixupKind kind, int32_t target, bool relative,
                            const PostfixBuffer &postfix);

// Saves the expression just evaluated as the condition of an ASSERT, checked after the last
// line, with its text (none: nullopt).
[[nodiscard]] bool NewAssertion(AssemblerState &st, const std::optional<std::string> &text);

// Steps an ARRANGE region that was just opened over its leading pairs that place no byte, so
// that the location and position name where the next byte goes.
void SkipEmptyArrangePairs(AssemblerState &st);
