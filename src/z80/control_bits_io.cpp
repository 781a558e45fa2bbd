// Z80 control flow, CB-group rotates and bit operations, stack, exchange, input and output,
// and the instructions without operands.
#include "z80/operands.h"

namespace z80 {

namespace {

// Instructions without operands.
constexpr OpcodeRow kFixed[] = {
    {kNop,  0,    0x00},
    {kHalt, 0,    0x76},
    {kDi,   0,    0xF3},
    {kEi,   0,    0xFB},
    {kDaa,  0,    0x27},
    {kCpl,  0,    0x2F},
    {kScf,  0,    0x37},
    {kCcf,  0,    0x3F},
    {kRlca, 0,    0x07},
    {kRrca, 0,    0x0F},
    {kRla,  0,    0x17},
    {kRra,  0,    0x1F},
    {kExx,  0,    0xD9},
    {kNeg,  0xED, 0x44},
    {kRetn, 0xED, 0x45},
    {kReti, 0xED, 0x4D},
    {kRrd,  0xED, 0x67},
    {kRld,  0xED, 0x6F},
    {kLdi,  0xED, 0xA0},
    {kCpi,  0xED, 0xA1},
    {kIni,  0xED, 0xA2},
    {kOuti, 0xED, 0xA3},
    {kLdd,  0xED, 0xA8},
    {kCpd,  0xED, 0xA9},
    {kInd,  0xED, 0xAA},
    {kOutd, 0xED, 0xAB},
    {kLdir, 0xED, 0xB0},
    {kCpir, 0xED, 0xB1},
    {kInir, 0xED, 0xB2},
    {kOtir, 0xED, 0xB3},
    {kLddr, 0xED, 0xB8},
    {kCpdr, 0xED, 0xB9},
    {kIndr, 0xED, 0xBA},
    {kOtdr, 0xED, 0xBB},
};

}  // namespace

bool EncodeFixed(AssemblerState &st, int32_t mnemonic) {
  for (const OpcodeRow &row : kFixed) {
    if (row.kind == mnemonic) {
      return EmitIndexPrefix(st, row.prefix) && EmitByte(st, row.op);
    }
  }
  return Invalid(st);
}

// RLC RRC RL RR SLA SRA SLL SRL s   CB 00 kkk rrr   (indexed: prefix CB d 00 kkk 110)
bool EncodeRotate(AssemblerState &st, int32_t mnemonic) {
  int32_t opcode_offset = 0;
  return EncodeCbOperand(st, static_cast<uint8_t>(RotateIndex(mnemonic) << 3 | 6), opcode_offset);
}

// BIT RES SET b,s   CB oo bbb rrr
bool EncodeBit(AssemblerState &st, int32_t mnemonic) {
  return EncodeBitOperation(st, static_cast<uint8_t>(BitBase(mnemonic) | 6));
}

// JP nn  C3   JP cc,nn  11 ccc 010   JP (HL)  E9 (IX, IY: prefix)
// CALL nn  CD   CALL cc,nn  11 ccc 100
bool EncodeJpCall(AssemblerState &st, int32_t mnemonic) {
  const bool jp = mnemonic == kJp;
  Token token;
  const int32_t kind = PeekKind(st, token);
  if (jp && (kind == kIndHL || kind == kIndIX || kind == kIndIY)) {
    const uint8_t prefix = kind == kIndIX ? 0xDD : kind == kIndIY ? 0xFD : 0;
    return Accept(st) && EmitIndexPrefix(st, prefix) && EmitByte(st, 0xE9);
  }
  const int32_t cc = ConditionOf(kind);
  uint8_t op = jp ? 0xC3 : 0xCD;
  if (cc >= 0) {
    if (!Accept(st) || !ExpectComma(st)) {
      return false;
    }
    op = static_cast<uint8_t>((jp ? 0xC2 : 0xC4) | cc << 3);
  }
  return EmitByte(st, op) && EmitOperandWord(st);
}

// JR e  18 e   JR cc,e  001 cc 000 e (NZ, Z, NC, C only)   DJNZ e  10 e
bool EncodeJrDjnz(AssemblerState &st, int32_t mnemonic) {
  uint8_t op = 0x10;
  if (mnemonic == kJr) {
    Token token;
    const int32_t cc = ConditionOf(PeekKind(st, token));
    op = 0x18;
    if (cc >= 0 && cc <= 3) {
      if (!Accept(st) || !ExpectComma(st)) {
        return false;
      }
      op = static_cast<uint8_t>(0x20 | cc << 3);
    }
  }
  return EmitByte(st, op) && EmitRelative(st);
}

// RET  C9   RET cc  11 ccc 000
bool EncodeRet(AssemblerState &st, int32_t /*mnemonic*/) {
  Token token;
  const int32_t cc = ConditionOf(PeekKind(st, token));
  if (cc < 0) {
    return EmitByte(st, 0xC9);
  }
  return Accept(st) && EmitByte(st, static_cast<uint8_t>(0xC0 | cc << 3));
}

// RST p   11 ppp 111, where the operand is the address p*8 itself (00H .. 38H).
bool EncodeRst(AssemblerState &st, int32_t /*mnemonic*/) {
  int32_t address = 0;
  if (!EvaluateKnown(st, address)) {
    return false;
  }
  if ((address & ~0x38) != 0) {
    return Invalid(st);
  }
  return EmitByte(st, static_cast<uint8_t>(0xC7 | address));
}

// IM 0  ED 46   IM 1  ED 56   IM 2  ED 5E
bool EncodeIm(AssemblerState &st, int32_t /*mnemonic*/) {
  constexpr uint8_t kModes[] = {0x46, 0x56, 0x5E};
  int32_t mode = 0;
  if (!EvaluateKnown(st, mode) || !EmitByte(st, 0xED)) {
    return false;
  }
  if (mode < 0 || mode > 2) {
    return Invalid(st);
  }
  return EmitByte(st, kModes[mode]);
}

// PUSH qq  11 qq0 101   POP qq  11 qq0 001   (qq: BC DE HL AF; IX, IY: prefix, as HL)
bool EncodePushPop(AssemblerState &st, int32_t mnemonic) {
  Token token;
  const int32_t kind = PeekKind(st, token);
  PairOperand pair;
  if (kind == kRegAF) {
    pair.p = 3;
  } else if (!PairOf(kind, pair) || kind == kRegSP) {
    return Invalid(st);
  }
  const uint8_t base = mnemonic == kPush ? 0xC5 : 0xC1;
  return Accept(st) && EmitIndexPrefix(st, pair.prefix) &&
         EmitByte(st, static_cast<uint8_t>(base | pair.p << 4));
}

struct ExchangeRow {
  int32_t first;
  int32_t second;
  uint8_t prefix;
  uint8_t op;
};

constexpr ExchangeRow kExchanges[] = {
    {kRegAF, kRegAFAlt, 0,    0x08},
    {kRegAF, kRegAF,    0,    0x08},
    {kRegDE, kRegHL,    0,    0xEB},
    {kIndSP, kRegHL,    0,    0xE3},
    {kIndSP, kRegIX,    0xDD, 0xE3},
    {kIndSP, kRegIY,    0xFD, 0xE3},
};

// EX AF,AF'  EX DE,HL  EX (SP),HL/IX/IY: operands are tokens, never expressions.
bool EncodeEx(AssemblerState &st, int32_t /*mnemonic*/) {
  Token token;
  const int32_t first = PeekKind(st, token);
  if (first != kRegAF && first != kRegDE && first != kIndSP) {
    return Invalid(st);
  }
  if (!Accept(st) || !ExpectComma(st)) {
    return false;
  }
  const int32_t second = PeekKind(st, token);
  for (const ExchangeRow &row : kExchanges) {
    if (row.first == first && row.second == second) {
      return Accept(st) && EmitIndexPrefix(st, row.prefix) && EmitByte(st, row.op);
    }
  }
  return Invalid(st);
}

// IN r,(C)  ED 01 rrr 000 (F or (HL): rrr = 110)      IN A,(n)  DB n
bool EncodeIn(AssemblerState &st, int32_t /*mnemonic*/) {
  Token token;
  const int32_t kind = PeekKind(st, token);
  RegOperand reg;
  int32_t r = -1;
  if (RegisterOf(kind, reg) && reg.prefix == 0) {
    r = reg.r;
  } else if (kind == kIdentifier && token.length == 1 && (token.Text()[0] | 0x20) == 'f') {
    r = 6;
  }
  if (r < 0) {
    return Invalid(st);
  }
  if (!Accept(st) || !ExpectComma(st)) {
    return false;
  }
  if (AcceptKind(st, kPortC)) {
    return EmitByte(st, 0xED) && EmitByte(st, static_cast<uint8_t>(0x40 | r << 3));
  }
  if (r != 7) {
    return Invalid(st);
  }
  if (!EmitByte(st, 0xDB) || !EmitOperandByte(st)) {
    return false;
  }
  // The port must be written in parentheses, IN A,(n).
  return st.expr.memory_operand || Invalid(st);
}

// OUT (C),r  ED 01 rrr 001   OUT (C),0  ED 71   OUT (n),A  D3 n
bool EncodeOut(AssemblerState &st, int32_t /*mnemonic*/) {
  Token token;
  if (AcceptKind(st, kPortC)) {
    if (!ExpectComma(st)) {
      return false;
    }
    // One token: a plain register, or the number 0 as written (no expression).
    if (!TryScanToken(st, token)) {
      return Invalid(st);
    }
    RegOperand reg;
    if (RegisterOf(token.kind, reg) && reg.prefix == 0 && !reg.IsMemory()) {
      return EmitByte(st, 0xED) && EmitByte(st, static_cast<uint8_t>(0x41 | reg.r << 3));
    }
    if (token.kind == kNumber && token.value == 0) {
      return EmitByte(st, 0xED) && EmitByte(st, 0x71);
    }
    return Invalid(st);
  }
  if (!EvaluateExpression(st)) {
    return false;
  }
  if (!st.expr.memory_operand) {
    return Invalid(st);
  }
  if (!ExpectComma(st)) {
    return false;
  }
  if (!AcceptKind(st, kRegA)) {
    return Invalid(st);
  }
  return EmitByte(st, 0xD3) && EmitEvaluatedByte(st);
}

// TSTI (C)   ED 70, the same code as IN F,(C).
bool EncodeTsti(AssemblerState &st, int32_t /*mnemonic*/) {
  if (!AcceptKind(st, kPortC)) {
    return Invalid(st);
  }
  return EmitByte(st, 0xED) && EmitByte(st, 0x70);
}

}  // namespace z80
