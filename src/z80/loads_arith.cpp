// Z80 loads and arithmetic: the 8-bit ALU group, 16-bit ADD/ADC/SBC, INC/DEC and LD.
#include "z80/operands.h"

namespace z80 {

namespace {

struct AluRow {
  int32_t kind;
  uint8_t base;       // register form: base | r
  uint8_t immediate;  // immediate form: immediate n
};

// op s   10 ooo rrr      op n   11 ooo 110 n
constexpr AluRow kAlu[] = {
    {kAdd, 0x80, 0xC6},
    {kAdc, 0x88, 0xCE},
    {kSub, 0x90, 0xD6},
    {kSbc, 0x98, 0xDE},
    {kAnd, 0xA0, 0xE6},
    {kXor, 0xA8, 0xEE},
    {kOr,  0xB0, 0xF6},
    {kCp,  0xB8, 0xFE},
};

const AluRow &AluOf(int32_t mnemonic) {
  for (const AluRow &row : kAlu) {
    if (row.kind == mnemonic) {
      return row;
    }
  }
  return kAlu[0];
}

// ADD HL,ss   00 ss1 001 (IX, IY: prefix, and ss = 10 means the same index register)
bool EncodeAdd16(AssemblerState &st, const PairOperand &first) {
  if (!Accept(st) || !EmitIndexPrefix(st, first.prefix) || !ExpectComma(st)) {
    return false;
  }
  Token token;
  const int32_t kind = PeekKind(st, token);
  PairOperand second;
  const bool same = (kind == kRegHL && first.prefix == 0) ||
                    (kind == kRegIX && first.prefix == 0xDD) ||
                    (kind == kRegIY && first.prefix == 0xFD);
  if (!same && (!PairOf(kind, second) || second.p == 2)) {
    return Invalid(st);
  }
  const int32_t p = same ? 2 : second.p;
  return Accept(st) && EmitByte(st, static_cast<uint8_t>(0x09 | p << 4));
}

// ADC HL,ss   ED 01 ss1 010      SBC HL,ss   ED 01 ss0 010
bool EncodeAdcSbc16(AssemblerState &st, int32_t mnemonic) {
  if (!Accept(st) || !ExpectComma(st)) {
    return false;
  }
  Token token;
  PairOperand second;
  if (!PairOf(PeekKind(st, token), second) || second.prefix != 0) {
    return Invalid(st);
  }
  const uint8_t op = mnemonic == kAdc ? 0x4A : 0x42;
  return Accept(st) && EmitByte(st, 0xED) && EmitByte(st, static_cast<uint8_t>(op | second.p << 4));
}

// The CB-group result forms of LD: LD g,RLC (IX+d) .. LD g,SET b,(IX+d) for register g.
bool EncodeLdCbResult(AssemblerState &st, int32_t source, int32_t g) {
  if (!Accept(st)) {
    return false;
  }
  const int32_t k = RotateIndex(source);
  if (k >= 0) {
    int32_t opcode_offset = 0;
    return EncodeCbOperand(st, static_cast<uint8_t>(k << 3 | g), opcode_offset);
  }
  return EncodeBitOperation(st, static_cast<uint8_t>(BitBase(source) | g));
}

bool IsCbMnemonic(int32_t kind) { return RotateIndex(kind) >= 0 || BitBase(kind) >= 0; }

// LD A,s: the accumulator's own sources, then the general ones with d = 7.
bool EncodeLdA(AssemblerState &st) {
  if (!Accept(st) || !ExpectComma(st)) {
    return false;
  }
  Token token;
  const int32_t kind = PeekKind(st, token);
  RegOperand src;
  switch (kind) {
    case kIndBC:  // LD A,(BC)   0A
      return Accept(st) && EmitByte(st, 0x0A);
    case kIndDE:  // LD A,(DE)   1A
      return Accept(st) && EmitByte(st, 0x1A);
    case kRegI:  // LD A,I   ED 57
      return Accept(st) && EmitByte(st, 0xED) && EmitByte(st, 0x57);
    case kRegR:  // LD A,R   ED 5F
      return Accept(st) && EmitByte(st, 0xED) && EmitByte(st, 0x5F);
    default:
      break;
  }
  if (RegisterOf(kind, src)) {
    // LD A,s   01 111 sss
    return Accept(st) && EmitPrefix(st, src) && EmitByte(st, static_cast<uint8_t>(0x78 | src.r)) &&
           EmitDisplacement(st, src, false);
  }
  if (IsCbMnemonic(kind)) {
    return EncodeLdCbResult(st, kind, 7);
  }
  // LD A,(nn)   3A nn      LD A,n   3E n
  if (!EvaluateOperand(st)) {
    return false;
  }
  if (st.expr.memory_operand) {
    return EmitByte(st, 0x3A) && EmitEvaluatedWord(st);
  }
  return EmitByte(st, 0x3E) && EmitEvaluatedByte(st);
}

// Checks that LD d,s between two register operands exists; sets the message if not.
bool LdPairExists(AssemblerState &st, const RegOperand &dst, const RegOperand &src) {
  if (dst.IsMemory() && src.IsMemory()) {
    return Invalid(st);
  }
  // The index halves replace H and L only in register-to-register loads.
  if ((dst.IsHalf() && src.IsMemory()) || (src.IsHalf() && dst.IsMemory())) {
    return Invalid(st);
  }
  const bool dst_hl = dst.r == 4 || dst.r == 5;
  const bool src_hl = src.r == 4 || src.r == 5;
  if (dst_hl && src_hl && dst.prefix != src.prefix) {
    auto name = [](uint8_t prefix) { return prefix == 0xDD ? "IX" : prefix == 0xFD ? "IY" : ""; };
    auto letter = [](int32_t r) { return r == 4 ? 'H' : 'L'; };
    SetError(st, Msg::NoSuchLd, name(dst.prefix), letter(dst.r), name(src.prefix), letter(src.r));
    return false;
  }
  return true;
}

// LD r,s with a destination that has an index displacement: the displacement follows the
// opcode, so the opcode byte is reserved until the source is known.
// LD (IX+d),r   prefix 01 110 rrr d      LD (IX+d),n   prefix 00 110 110 d n
bool EncodeLdIndexedDestination(AssemblerState &st, const RegOperand &dst) {
  ReservedByte opcode;
  if (!EmitPrefix(st, dst) || !ReserveByte(st, opcode) || !EmitDisplacement(st, dst, false) ||
      !ExpectComma(st)) {
    return false;
  }
  Token token;
  RegOperand src;
  if (RegisterOf(PeekKind(st, token), src)) {
    if (!LdPairExists(st, dst, src) || !Accept(st)) {
      return false;
    }
    FillReserved(st, opcode, static_cast<uint8_t>(0x70 | src.r));
    return true;
  }
  if (!EvaluateOperand(st) || !EmitEvaluatedByte(st)) {
    return false;
  }
  FillReserved(st, opcode, 0x36);
  return true;
}

// LD r,s   01 ddd sss      LD r,n   00 ddd 110 n
// One index prefix serves both operands: LD B,(IX+d) is prefix 46 d, LD IXH,B prefix 60.
bool EncodeLdRegister(AssemblerState &st, const RegOperand &dst) {
  if (!Accept(st)) {
    return false;
  }
  if (dst.disp != Disp::None) {
    return EncodeLdIndexedDestination(st, dst);
  }
  if (!EmitPrefix(st, dst) || !ExpectComma(st)) {
    return false;
  }
  Token token;
  const int32_t kind = PeekKind(st, token);
  RegOperand src;
  if (RegisterOf(kind, src)) {
    if (!LdPairExists(st, dst, src) || !Accept(st)) {
      return false;
    }
    if (dst.prefix == 0 && !EmitPrefix(st, src)) {
      return false;
    }
    return EmitByte(st, static_cast<uint8_t>(0x40 | dst.r << 3 | src.r)) &&
           EmitDisplacement(st, src, false);
  }
  if (dst.prefix == 0 && !dst.IsMemory() && IsCbMnemonic(kind)) {
    return EncodeLdCbResult(st, kind, dst.r);
  }
  return EmitByte(st, static_cast<uint8_t>(dst.r << 3 | 6)) && EvaluateOperand(st) &&
         EmitEvaluatedByte(st);
}

// LD SP,HL   F9         LD dd,nn   00 dd0 001 nn      LD HL,(nn)   2A nn
// LD dd,(nn)   ED 01 dd1 011 nn      (IX, IY: prefix, as HL)
bool EncodeLdPair(AssemblerState &st, const PairOperand &dst, int32_t first) {
  if (!Accept(st) || !ExpectComma(st)) {
    return false;
  }
  if (first == kRegSP) {
    Token token;
    PairOperand src;
    if (PairOf(PeekKind(st, token), src) && src.p == 2) {
      return Accept(st) && EmitIndexPrefix(st, src.prefix) && EmitByte(st, 0xF9);
    }
  }
  if (!EmitIndexPrefix(st, dst.prefix)) {
    return false;
  }
  if (!EvaluateExpression(st)) {
    return false;
  }
  bool ok;
  if (!st.expr.memory_operand) {
    ok = EmitByte(st, static_cast<uint8_t>(0x01 | dst.p << 4));
  } else if (dst.p == 2) {
    ok = EmitByte(st, 0x2A);
  } else {
    ok = EmitByte(st, 0xED) && EmitByte(st, static_cast<uint8_t>(0x4B | dst.p << 4));
  }
  return ok && EmitEvaluatedWord(st);
}

// LD (nn),s by source register.
constexpr OpcodeRow kStores[] = {
    {kRegA,  0,    0x32},
    {kRegBC, 0xED, 0x43},
    {kRegDE, 0xED, 0x53},
    {kRegHL, 0,    0x22},
    {kRegSP, 0xED, 0x73},
    {kRegIX, 0xDD, 0x22},
    {kRegIY, 0xFD, 0x22},
};

// LD (nn),s: the address is evaluated first and lands behind the opcode.
bool EncodeLdStore(AssemblerState &st) {
  if (!EvaluateOperand(st)) {
    return false;
  }
  if (!st.expr.memory_operand) {
    return Invalid(st);
  }
  if (!ExpectComma(st)) {
    return false;
  }
  Token token;
  const int32_t kind = PeekKind(st, token);
  for (const OpcodeRow &row : kStores) {
    if (row.kind == kind) {
      return Accept(st) && EmitIndexPrefix(st, row.prefix) && EmitByte(st, row.op) &&
             EmitEvaluatedWord(st);
    }
  }
  return Invalid(st);
}

// LD (BC),A  02   LD (DE),A  12   LD I,A  ED 47   LD R,A  ED 4F: the source must be A.
bool EncodeLdFromA(AssemblerState &st, int32_t first) {
  if (!Accept(st) || !ExpectComma(st)) {
    return false;
  }
  if (!AcceptKind(st, kRegA)) {
    return Invalid(st);
  }
  switch (first) {
    case kIndBC:
      return EmitByte(st, 0x02);
    case kIndDE:
      return EmitByte(st, 0x12);
    case kRegI:
      return EmitByte(st, 0xED) && EmitByte(st, 0x47);
    default:
      return EmitByte(st, 0xED) && EmitByte(st, 0x4F);
  }
}

// The "A," in front of the operand of SUB, AND, XOR, OR and CP is redundant: it is
// dropped with a warning. Any other start of the operand is left unread.
void SkipRedundantA(AssemblerState &st) {
  Token token;
  if (PeekKind(st, token) != kRegA) {
    return;
  }
  const ScanMark before_a = MarkScan(st);
  if (Accept(st) && AcceptKind(st, kComma)) {
    Report(st, Msg::RedundantA);
    return;
  }
  RewindScan(st, before_a);
}

}  // namespace

// SUB s, AND s, XOR s, OR s, CP s (also written with "A,").
bool EncodeArith8(AssemblerState &st, int32_t mnemonic) {
  SkipRedundantA(st);
  const AluRow &row = AluOf(mnemonic);
  return EncodeAluOperand(st, row.base, row.immediate);
}

// ADD A,s  ADC A,s  SBC A,s, and the 16-bit ADD HL/IX/IY,ss  ADC HL,ss  SBC HL,ss.
bool EncodeAddAdcSbc(AssemblerState &st, int32_t mnemonic) {
  Token token;
  const int32_t first = PeekKind(st, token);
  if (first == kRegA) {
    const AluRow &row = AluOf(mnemonic);
    return Accept(st) && ExpectComma(st) && EncodeAluOperand(st, row.base, row.immediate);
  }
  PairOperand pair;
  if (!PairOf(first, pair) || pair.p != 2) {
    return Invalid(st);
  }
  if (mnemonic == kAdd) {
    return EncodeAdd16(st, pair);
  }
  return pair.prefix == 0 ? EncodeAdcSbc16(st, mnemonic) : Invalid(st);
}

// INC ss  00 ss0 011   DEC ss  00 ss1 011   INC r  00 rrr 100   DEC r  00 rrr 101
bool EncodeIncDec(AssemblerState &st, int32_t mnemonic) {
  const bool inc = mnemonic == kInc;
  Token token;
  const int32_t kind = PeekKind(st, token);
  PairOperand pair;
  if (PairOf(kind, pair)) {
    return Accept(st) && EmitIndexPrefix(st, pair.prefix) &&
           EmitByte(st, static_cast<uint8_t>(pair.p << 4 | (inc ? 0x03 : 0x0B)));
  }
  RegOperand reg;
  if (!RegisterOf(kind, reg)) {
    return Invalid(st);
  }
  return Accept(st) && EmitPrefix(st, reg) &&
         EmitByte(st, static_cast<uint8_t>(reg.r << 3 | (inc ? 0x04 : 0x05))) &&
         EmitDisplacement(st, reg, false);
}

// LD in all its forms; the first operand chooses the shape.
bool EncodeLd(AssemblerState &st, int32_t /*mnemonic*/) {
  Token token;
  const int32_t first = PeekKind(st, token);
  if (first == kRegA) {
    return EncodeLdA(st);
  }
  RegOperand reg;
  if (RegisterOf(first, reg)) {
    return EncodeLdRegister(st, reg);
  }
  PairOperand pair;
  if (PairOf(first, pair)) {
    return EncodeLdPair(st, pair, first);
  }
  if (first == kIndBC || first == kIndDE || first == kRegI || first == kRegR) {
    return EncodeLdFromA(st, first);
  }
  return EncodeLdStore(st);
}

}  // namespace z80
