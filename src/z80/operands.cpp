// Operand vocabulary of the Z80 encoder and the operand shapes shared by several families.
#include "z80/operands.h"

namespace z80 {

namespace {

struct RegisterRow {
  int32_t kind;
  RegOperand reg;
};

// 8-bit register operands: register field, index prefix, what follows in the code.
constexpr RegisterRow kRegisters[] = {
    {kRegB,    {0, 0, Disp::None}         },
    {kRegC,    {1, 0, Disp::None}         },
    {kRegD,    {2, 0, Disp::None}         },
    {kRegE,    {3, 0, Disp::None}         },
    {kRegH,    {4, 0, Disp::None}         },
    {kRegL,    {5, 0, Disp::None}         },
    {kIndHL,   {6, 0, Disp::None}         },
    {kRegA,    {7, 0, Disp::None}         },
    {kRegIXH,  {4, 0xDD, Disp::None}      },
    {kRegIXL,  {5, 0xDD, Disp::None}      },
    {kRegIYH,  {4, 0xFD, Disp::None}      },
    {kRegIYL,  {5, 0xFD, Disp::None}      },
    {kIndIX,   {6, 0xDD, Disp::Zero}      },
    {kIndIY,   {6, 0xFD, Disp::Zero}      },
    {kIndexIX, {6, 0xDD, Disp::Expression}},
    {kIndexIY, {6, 0xFD, Disp::Expression}},
};

struct PairRow {
  int32_t kind;
  PairOperand pair;
};

constexpr PairRow kPairs[] = {
    {kRegBC, {0, 0}   },
    {kRegDE, {1, 0}   },
    {kRegHL, {2, 0}   },
    {kRegSP, {3, 0}   },
    {kRegIX, {2, 0xDD}},
    {kRegIY, {2, 0xFD}},
};

struct ConditionRow {
  int32_t kind;
  int32_t cc;
};

// NV and V arrive as the kinds of PO and PE; C is the register token.
constexpr ConditionRow kConditions[] = {
    {kCondNZ, 0},
    {kCondZ,  1},
    {kCondNC, 2},
    {kRegC,   3},
    {kCondPO, 4},
    {kCondPE, 5},
    {kCondP,  6},
    {kCondM,  7},
};

// Reads the ')' that closes an (IX+d) operand.
bool ExpectCloseParen(AssemblerState &st) { return AcceptKind(st, kRParen) || Invalid(st); }

}  // namespace

int32_t PeekKind(AssemblerState &st, Token &token) {
  return TryPeekToken(st, token) ? token.kind : kNoToken;
}

bool Accept(AssemblerState &st) { return TakePeekedToken(st); }

bool AcceptKind(AssemblerState &st, int32_t kind) {
  Token token;
  return PeekKind(st, token) == kind && Accept(st);
}

bool RegisterOf(int32_t kind, RegOperand &out) {
  for (const RegisterRow &row : kRegisters) {
    if (row.kind == kind) {
      out = row.reg;
      return true;
    }
  }
  return false;
}

bool PairOf(int32_t kind, PairOperand &out) {
  for (const PairRow &row : kPairs) {
    if (row.kind == kind) {
      out = row.pair;
      return true;
    }
  }
  return false;
}

int32_t ConditionOf(int32_t kind) {
  for (const ConditionRow &row : kConditions) {
    if (row.kind == kind) {
      return row.cc;
    }
  }
  return -1;
}

bool Invalid(AssemblerState &st) {
  SetError(st, Msg::InvalidOperand);
  return false;
}

bool ExpectComma(AssemblerState &st) {
  if (AcceptKind(st, kComma)) {
    return true;
  }
  SetError(st, Msg::MissingComma);
  return false;
}

bool EmitIndexPrefix(AssemblerState &st, uint8_t prefix) {
  return prefix == 0 || EmitByte(st, prefix);
}

bool EmitPrefix(AssemblerState &st, const RegOperand &reg) {
  return EmitIndexPrefix(st, reg.prefix);
}

bool EmitDisplacement(AssemblerState &st, const RegOperand &reg, bool invalid_on_error) {
  switch (reg.disp) {
    case Disp::None:
      return true;
    case Disp::Zero:
      return EmitByte(st, 0);
    case Disp::Expression:
      break;
  }
  // The expression starts with the sign that followed IX or IY; it is cut to 8 bits (with a
  // warning outside -128..127 under --warn=range).
  const bool evaluated = invalid_on_error ? EvaluateOperand(st) : EvaluateExpression(st);
  return evaluated && EmitEvaluatedByte(st, OperandRange::Displacement) && ExpectCloseParen(st);
}

bool EvaluateOperand(AssemblerState &st) {
  if (EvaluateExpression(st)) {
    return true;
  }
  RestateError(st, Msg::InvalidOperand);
  return false;
}

// ADD A,s and kin: base|r with the register's prefix and displacement, or immediate n.
// Emit failures (buffer full, page or area exceeded) keep their own message.
bool EncodeAluOperand(AssemblerState &st, uint8_t base, uint8_t immediate) {
  Token token;
  RegOperand reg;
  if (!RegisterOf(PeekKind(st, token), reg)) {
    return EmitByte(st, immediate) && EvaluateOperand(st) && EmitEvaluatedByte(st);
  }
  if (!Accept(st) || !EmitPrefix(st, reg)) {
    return false;
  }
  return EmitByte(st, static_cast<uint8_t>(base | reg.r)) && EmitDisplacement(st, reg, true);
}

// RLC s and kin:          CB 00 kkk rrr       prefix CB d 00 kkk 110
// LD g,RLC (IX+d) and kin: prefix CB d 00 kkk ggg
bool EncodeCbOperand(AssemblerState &st, uint8_t op, int32_t &opcode_offset) {
  Token token;
  RegOperand reg;
  const bool result_form = (op & 7) != 6;
  // The index halves have no CB forms; a result register needs an indexed memory byte.
  if (!RegisterOf(PeekKind(st, token), reg) || reg.IsHalf() ||
      (result_form && !reg.IsIndexedMemory())) {
    return Invalid(st);
  }
  if (!Accept(st) || !EmitPrefix(st, reg)) {
    return false;
  }
  if (!result_form) {
    op = static_cast<uint8_t>((op & 0xF8) | reg.r);
  }
  if (!EmitByte(st, 0xCB) || !EmitDisplacement(st, reg, true)) {
    return false;
  }
  // Like every byte after the first of an instruction, the opcode goes to the position.
  opcode_offset = st.pass.position;
  return EmitByte(st, op);
}

// BIT b,s   CB 01 bbb rrr      RES b,s   CB 10 bbb rrr      SET b,s   CB 11 bbb rrr
bool EncodeBitOperation(AssemblerState &st, uint8_t base) {
  if (!EvaluateExpression(st)) {
    return false;
  }
  const bool known = st.expr.known;
  const int32_t bit = known ? st.expr.postfix.values[0] : 0;
  // The bit number's form is saved now: a displacement expression reuses the buffer.
  PostfixBuffer bit_form;
  if (!known) {
    bit_form = st.expr.postfix;
  }
  if (!ExpectComma(st)) {
    return false;
  }
  if (known) {
    if (static_cast<uint32_t>(bit) > 7) {
      SetError(st, Msg::BitOutOfRange);
      return false;
    }
    base = static_cast<uint8_t>(base | bit << 3);
  }
  int32_t opcode_offset = 0;
  if (!EncodeCbOperand(st, base, opcode_offset)) {
    return false;
  }
  if (known) {
    return true;
  }
  // The opcode went out with bit field 0; the resolution pass ORs the number in.
  return EmitBitNumberFixup(st, opcode_offset, bit_form);
}

}  // namespace z80
