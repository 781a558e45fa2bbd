// Z80 encoder: emit failures, OFFSET sections, the scan after an operand, the statement address.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "test_support.h"
#include "z80/z80.h"

namespace {

using Bytes = std::vector<uint8_t>;

std::string Error(const AssemblerState &st) { return st.diag.error ? st.diag.error : ""; }

// Assembles one instruction (mnemonic first) and returns the bytes it added to the image.
bool Encode(AssemblerState &st, const char *text, Bytes &out) {
  StartLine(st, text);
  const int32_t start = st.pass.position;
  Token mnemonic;
  if (!ScanToken(st, mnemonic) || !IsMnemonic(mnemonic.kind)) {
    ADD_FAILURE() << "no mnemonic in " << text;
    return false;
  }
  const bool ok = EncodeInstruction(st, mnemonic.kind);
  out.assign(st.code.bytes.begin() + start, st.code.bytes.begin() + st.pass.position);
  return ok;
}

int32_t NextKind(AssemblerState &st) {
  Token token;
  return ScanToken(st, token) ? token.kind : -1;
}

TEST(Z80Errors, FullBufferIsReportedAsSuchNotAsABadOperand) {
  for (const char *text :
       {"AND 5", "CP (IX+1)", "RLC (IY+2)", "SET 3,(HL)", "LD B,5", "LD (IX+1),5"}) {
    auto st = MakeState();
    st->pass.position = kImageSize - 1;  // room for one byte only
    Bytes bytes;
    EXPECT_FALSE(Encode(*st, text, bytes)) << text;
    EXPECT_EQ(Error(*st), MessageText(Msg::BufferOverflow)) << text;
  }
}

TEST(Z80Offset, IndexedStoreInAnOffsetSectionOnlyCountsAddresses) {
  auto st = MakeState();
  st->placement.offset_open = true;
  st->pass.location = 0x4000;
  st->code.bytes[0] = 0xAA;
  st->code.bytes[1] = 0xBB;
  Bytes bytes;
  ASSERT_TRUE(Encode(*st, "LD (IX+1),B", bytes)) << Error(*st);
  ASSERT_TRUE(Encode(*st, "LD (IY-1),5", bytes)) << Error(*st);
  EXPECT_EQ(st->pass.position, 0);
  EXPECT_EQ(st->pass.location, 0x4007);
  EXPECT_EQ(st->code.bytes[0], 0xAA);
  EXPECT_EQ(st->code.bytes[1], 0xBB);
}

TEST(Z80Scan, OperandsAreReadUpToTheirEndAndNoFurther) {
  // A word operand is evaluated before its opcode goes out: the scan stays behind it.
  const char *texts[] = {"LD (1234H),HL NOP", "LD HL,(FWD) NOP", "LD A,(FWD) NOP",
                         "LD (FWD),A NOP",    "LD IX,FWD NOP",   "SUB A NOP"};
  for (const char *text : texts) {
    auto st = MakeState();
    Bytes bytes;
    ASSERT_TRUE(Encode(*st, text, bytes)) << text << ": " << Error(*st);
    EXPECT_EQ(NextKind(*st), kNop) << text;
  }
}

// The encoder hands an evaluated word operand to the code buffer once; the buffer steps over an
// ARRANGE gap between its two bytes, known or not, and the forward word's placeholders are
// patched where they went.
TEST(Z80Arrange, WordOperandsFollowTheGapsOfTheCodeBuffer) {
  struct Case {
    const char *text;
    Bytes image;  // the first seven bytes after resolution; EE is a byte stepped over
  };
  const Case cases[] = {
      {"LD HL,(1234H)", {0x2A, 0xEE, 0x34, 0xEE, 0x12, 0xEE, 0xEE}},
      {"LD (FWD),A",    {0x32, 0xEE, 0xCD, 0xEE, 0xAB, 0xEE, 0xEE}},
      {"LD A,(FWD)",    {0x3A, 0xEE, 0xCD, 0xEE, 0xAB, 0xEE, 0xEE}},
      {"LD BC,(FWD)",   {0xED, 0xEE, 0x4B, 0xEE, 0xCD, 0xEE, 0xAB}},
      {"LD IY,FWD",     {0xFD, 0xEE, 0x21, 0xEE, 0xCD, 0xEE, 0xAB}},
      {"JP FWD",        {0xC3, 0xEE, 0xCD, 0xEE, 0xAB, 0xEE, 0xEE}},
  };
  for (const Case &c : cases) {
    auto st = MakeState();
    std::fill_n(st->code.bytes.begin(), 8, 0xEE);
    st->pass.location = 0x100;
    st->placement.saved_location = 0x200;
    st->placement.arrange_count = 2;  // place one byte, step over one
    st->placement.arrange_numbers[0] = 1;
    st->placement.arrange_numbers[1] = 1;
    Bytes bytes;
    ASSERT_TRUE(Encode(*st, c.text, bytes)) << c.text << ": " << Error(*st);
    EXPECT_EQ(NextKind(*st), kEndOfLine) << c.text;
    if (Label *fwd = LabelAt(*st, FindLabel(*st, "FWD"))) {
      fwd->value = 0xABCD;
      fwd->kind = kLabelDefined;
    }
    ASSERT_TRUE(ResolveFixups(*st)) << c.text;
    EXPECT_EQ(Bytes(st->code.bytes.begin(), st->code.bytes.begin() + 7), c.image) << c.text;
  }
}

// '$' of the statement after an instruction on the same line is the address behind it, also
// when the instruction failed half way.
TEST(Z80StatementAddress, FollowsTheLocationAfterSuccessAndFailure) {
  auto st = MakeState();
  st->pass.location = 0x8000;
  StartLine(*st, " LD BC,1 DW $");
  EXPECT_EQ(AssembleLine(*st, " LD BC,1 DW $", *st->source.context), kResultOk);
  EXPECT_EQ(Bytes(st->code.bytes.begin(), st->code.bytes.begin() + 5),
            (Bytes{0x01, 0x01, 0x00, 0x03, 0x80}));
  StartLine(*st, " LD (IX+1)");
  testing::internal::CaptureStdout();
  EXPECT_EQ(AssembleLine(*st, " LD (IX+1)", *st->source.context), kResultError);
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(st->pass.statement_address, st->pass.location);
  EXPECT_EQ(st->pass.location, 0x8008);  // prefix, reserved opcode, displacement
}

}  // namespace
