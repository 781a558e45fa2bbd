// Operand vocabulary and shared emit operations of the Z80 encoder (private to src/z80/).
#pragma once

#include <cstdint>

#include "assembler/emit.h"
#include "lexer/lexer.h"

namespace z80 {

// The kind PeekKind reports when the next token could not be scanned.
constexpr int32_t kNoToken = -1;

// How an 8-bit register operand is followed in the code: nothing, a zero displacement
// ((IX), (IY)) or a displacement expression that is still to be read ((IX+d), (IY-d)).
enum class Disp : uint8_t { None, Zero, Expression };

// An 8-bit register operand: the 3-bit register field and the index prefix it needs.
// A table row: the token kind it answers and the opcode it gives, with its prefix (0 = none).
struct OpcodeRow {
  int32_t kind;
  uint8_t prefix;
  uint8_t op;
};

struct RegOperand {
  int32_t r = 0;
  uint8_t prefix = 0;  // 0, 0xDD or 0xFD
  Disp disp = Disp::None;
  bool IsMemory() const { return r == 6; }                        // (HL), (IX..), (IY..)
  bool IsHalf() const { return prefix != 0 && r != 6; }           // IXH, IXL, IYH, IYL
  bool IsIndexedMemory() const { return prefix != 0 && r == 6; }  // (IX..), (IY..)
};

// A 16-bit register pair: the 2-bit pair field and the index prefix (IX and IY are HL).
struct PairOperand {
  int32_t p = 0;
  uint8_t prefix = 0;
};

// Peeks the next token; its kind, or kNoToken on a lexical error (not reported: the caller
// treats the operand as unknown, and whoever reads it next meets the same character and
// reports it in its own terms).
int32_t PeekKind(AssemblerState &st, Token &token);
// Consumes the token found by the last peek.
[[nodiscard]] bool Accept(AssemblerState &st);
// Peeks and consumes the next token when its kind is `kind`; false (nothing taken) otherwise.
bool AcceptKind(AssemblerState &st, int32_t kind);

// The 8-bit register operand named by a token kind; false when the token is not one.
bool RegisterOf(int32_t kind, RegOperand &out);
// The register pair BC, DE, HL, SP, IX or IY named by a token kind; false otherwise.
bool PairOf(int32_t kind, PairOperand &out);
// The condition field (NZ 0 .. M 7) of a token kind, or -1 when it is not a condition.
int32_t ConditionOf(int32_t kind);

// Sets the invalid-operand message; returns false.
bool Invalid(AssemblerState &st);
// Consumes a ','; fails with the missing-comma message otherwise.
[[nodiscard]] bool ExpectComma(AssemblerState &st);

// Emits an index prefix (0xDD, 0xFD); nothing for 0.
[[nodiscard]] bool EmitIndexPrefix(AssemblerState &st, uint8_t prefix);
// Emits the index prefix of a register operand.
[[nodiscard]] bool EmitPrefix(AssemblerState &st, const RegOperand &reg);
// Emits the displacement of an indexed operand (none, a zero, or the expression that follows
// and its ')'). A missing ')' is an invalid operand; so is a bad expression when
// `invalid_on_error`, otherwise the evaluator's message stands.
[[nodiscard]] bool EmitDisplacement(AssemblerState &st, const RegOperand &reg,
                                    bool invalid_on_error);
// Evaluates the expression at the scan position; whatever fails, the failure is reported as an
// invalid operand.
[[nodiscard]] bool EvaluateOperand(AssemblerState &st);

// ALU operand: register form `base | r` (with prefix and displacement) or immediate form
// `immediate n`. Every operand failure is reported as an invalid operand.
[[nodiscard]] bool EncodeAluOperand(AssemblerState &st, uint8_t base, uint8_t immediate);
// CB-group operand: [prefix] CB [d] op. The low three bits of op are 6 when the register
// field is to be filled from the operand, else they name the register receiving the result
// (that form needs (IX+d) or (IY+d)). Sets opcode_offset to where op went.
[[nodiscard]] bool EncodeCbOperand(AssemblerState &st, uint8_t op, int32_t &opcode_offset);
// BIT/RES/SET b,operand with base 0x40/0x80/0xC0 plus the register field (6 = from operand).
[[nodiscard]] bool EncodeBitOperation(AssemblerState &st, uint8_t base);

// The instruction families, each given the mnemonic's token kind.
[[nodiscard]] bool EncodeArith8(AssemblerState &st, int32_t mnemonic);
[[nodiscard]] bool EncodeAddAdcSbc(AssemblerState &st, int32_t mnemonic);
[[nodiscard]] bool EncodeIncDec(AssemblerState &st, int32_t mnemonic);
[[nodiscard]] bool EncodeLd(AssemblerState &st, int32_t mnemonic);
[[nodiscard]] bool EncodeFixed(AssemblerState &st, int32_t mnemonic);
[[nodiscard]] bool EncodeRotate(AssemblerState &st, int32_t mnemonic);
[[nodiscard]] bool EncodeBit(AssemblerState &st, int32_t mnemonic);
[[nodiscard]] bool EncodeJpCall(AssemblerState &st, int32_t mnemonic);
[[nodiscard]] bool EncodeJrDjnz(AssemblerState &st, int32_t mnemonic);
[[nodiscard]] bool EncodeRet(AssemblerState &st, int32_t mnemonic);
[[nodiscard]] bool EncodeRst(AssemblerState &st, int32_t mnemonic);
[[nodiscard]] bool EncodeIm(AssemblerState &st, int32_t mnemonic);
[[nodiscard]] bool EncodePushPop(AssemblerState &st, int32_t mnemonic);
[[nodiscard]] bool EncodeEx(AssemblerState &st, int32_t mnemonic);
[[nodiscard]] bool EncodeIn(AssemblerState &st, int32_t mnemonic);
[[nodiscard]] bool EncodeOut(AssemblerState &st, int32_t mnemonic);
[[nodiscard]] bool EncodeTsti(AssemblerState &st, int32_t mnemonic);

// The rotate/shift index k (RLC 0 .. SRL 7) of a mnemonic, or -1.
inline int32_t RotateIndex(int32_t kind) { return kind >= kRlc && kind <= kSrl ? kind - kRlc : -1; }
// The base opcode (0x40, 0x80, 0xC0) of BIT, RES, SET, or -1.
inline int32_t BitBase(int32_t kind) {
  return kind >= kBit && kind <= kSet ? (kind - kBit + 1) << 6 : -1;
}

// True when a table indexed by mnemonic has one row per mnemonic, in token-kind order (1..69).
template <typename Row, size_t Count>
constexpr bool RowsFollowMnemonics(const Row (&rows)[Count]) {
  int32_t expected = 1;
  for (const Row &row : rows) {
    if (row.kind != expected++) {
      return false;
    }
  }
  return expected == kTsti + 1;
}

// --errors=gnu: adds to an error of the operands of an instruction (operands: where its
// operand field begins) the operand at fault and the forms the instruction has.
void ExplainOperands(AssemblerState &st, int32_t mnemonic, const char *operands);

}  // namespace z80
