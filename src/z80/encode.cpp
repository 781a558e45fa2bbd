// Z80 instruction encoder entry: the mnemonic table that routes each mnemonic to its family.
#include "z80/z80.h"

#include "z80/operands.h"

namespace {

using Encoder = bool (*)(AssemblerState &st, int32_t mnemonic);

struct MnemonicRow {
  int32_t kind;
  Encoder encode;
};

using namespace z80;

// One row per mnemonic, in token-kind order (1..69), so the kind indexes the table.
// clang-format off
constexpr MnemonicRow kMnemonics[] = {
    {kAdd, EncodeAddAdcSbc}, {kAdc, EncodeAddAdcSbc}, {kSub, EncodeArith8},
    {kSbc, EncodeAddAdcSbc}, {kAnd, EncodeArith8},    {kXor, EncodeArith8},
    {kOr, EncodeArith8},     {kCp, EncodeArith8},     {kLd, EncodeLd},
    {kHalt, EncodeFixed},    {kNop, EncodeFixed},     {kEx, EncodeEx},
    {kDjnz, EncodeJrDjnz},   {kJr, EncodeJrDjnz},     {kInc, EncodeIncDec},
    {kDec, EncodeIncDec},    {kRrca, EncodeFixed},    {kRlca, EncodeFixed},
    {kRra, EncodeFixed},     {kRla, EncodeFixed},     {kDaa, EncodeFixed},
    {kCpl, EncodeFixed},     {kScf, EncodeFixed},     {kCcf, EncodeFixed},
    {kRet, EncodeRet},       {kPop, EncodePushPop},   {kExx, EncodeFixed},
    {kJp, EncodeJpCall},     {kOut, EncodeOut},       {kIn, EncodeIn},
    {kDi, EncodeFixed},      {kEi, EncodeFixed},      {kCall, EncodeJpCall},
    {kPush, EncodePushPop},  {kRst, EncodeRst},       {kNeg, EncodeFixed},
    {kRetn, EncodeFixed},    {kReti, EncodeFixed},    {kIm, EncodeIm},
    {kRrd, EncodeFixed},     {kRld, EncodeFixed},     {kLdi, EncodeFixed},
    {kLdd, EncodeFixed},     {kLdir, EncodeFixed},    {kLddr, EncodeFixed},
    {kCpi, EncodeFixed},     {kCpd, EncodeFixed},     {kCpir, EncodeFixed},
    {kCpdr, EncodeFixed},    {kIni, EncodeFixed},     {kInd, EncodeFixed},
    {kInir, EncodeFixed},    {kIndr, EncodeFixed},    {kOuti, EncodeFixed},
    {kOutd, EncodeFixed},    {kOtir, EncodeFixed},    {kOtdr, EncodeFixed},
    {kRlc, EncodeRotate},    {kRrc, EncodeRotate},    {kRl, EncodeRotate},
    {kRr, EncodeRotate},     {kSla, EncodeRotate},    {kSra, EncodeRotate},
    {kSll, EncodeRotate},    {kSrl, EncodeRotate},    {kBit, EncodeBit},
    {kRes, EncodeBit},       {kSet, EncodeBit},       {kTsti, EncodeTsti},
};
// clang-format on

static_assert(RowsFollowMnemonics(kMnemonics), "mnemonic rows must cover kinds 1..69 in order");

}  // namespace

bool EncodeInstruction(AssemblerState &st, int32_t mnemonic) {
  const char *operands = RestOfLine(st).data();
  BeginInstruction(st);
  const bool encoded = kMnemonics[mnemonic - 1].encode(st, mnemonic);
  EndInstruction(st, encoded);
  if (encoded) {
    return true;
  }
  ExplainOperands(st, mnemonic, operands);
  return false;
}
