// T-states: the cycle table read from encoded bytes, the assemble list's T-states column and
// the label list's totals (--cycles).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "test_support.h"
#include "z80/z80.h"

namespace fs = std::filesystem;

namespace {

// The timing of code, or {-1, -1} when the bytes make no timed instruction.
InstructionTiming Timing(const std::vector<uint8_t> &code) {
  InstructionTiming timing;
  if (!InstructionCycles(code.data(), static_cast<int32_t>(code.size()), timing)) {
    return {-1, -1, false};
  }
  return timing;
}

void ExpectTiming(const std::vector<uint8_t> &code, int32_t taken, int32_t not_taken) {
  std::string bytes;
  for (const uint8_t byte : code) {
    bytes += std::to_string(byte) + ' ';
  }
  const InstructionTiming timing = Timing(code);
  EXPECT_EQ(timing.taken, taken) << bytes;
  EXPECT_EQ(timing.not_taken, not_taken) << bytes;
}

TEST(CycleTable, ReadsTheOpcodeAfterThePrefixes) {
  ExpectTiming({0x00}, 4, 4);                // NOP
  ExpectTiming({0xCB, 0x06}, 15, 15);        // RLC (HL)
  ExpectTiming({0xED, 0xB0}, 21, 16);        // LDIR
  ExpectTiming({0xDD, 0x7E, 0x05}, 19, 19);  // LD A,(IX+5)
  ExpectTiming({0xFD, 0x24}, 8, 8);          // INC IYH
  // DD CB d op: the displacement, 7Eh here, is not the opcode (7Eh would be BIT 7, 20).
  ExpectTiming({0xDD, 0xCB, 0x7E, 0x06}, 23, 23);  // RLC (IX+7EH)
  ExpectTiming({0xFD, 0xCB, 0x06, 0x7E}, 20, 20);  // BIT 7,(IY+6)
}

TEST(CycleTable, IncompleteOrUnusedCodesAreNotTimed) {
  EXPECT_EQ(Timing({}).taken, -1);
  for (const uint8_t prefix : {uint8_t{0xCB}, uint8_t{0xED}, uint8_t{0xDD}, uint8_t{0xFD}}) {
    EXPECT_EQ(Timing({prefix}).taken, -1) << int{prefix};
  }
  EXPECT_EQ(Timing({0xDD, 0xCB, 0x05}).taken, -1);  // the opcode is missing
  // Before an opcode without HL an index prefix has no effect; the encoder never emits that.
  EXPECT_EQ(Timing({0xDD, 0x00}).taken, -1);
  EXPECT_EQ(Timing({0xFD, 0x76}).taken, -1);  // HALT
  EXPECT_EQ(Timing({0xDD, 0xDD, 0x21}).taken, -1);
}

// The opcodes of two paths, from their bit patterns: DJNZ 10, JR cc 001cc000, RET cc 11ccc000,
// JP cc 11ccc010, CALL cc 11ccc100; on the ED page the repeating block instructions 1011x0yy.
bool HasTwoPaths(bool ed_page, int op) {
  if (ed_page) {
    return (op & 0xF4) == 0xB0;
  }
  return op == 0x10 || (op & 0xE7) == 0x20 || (op & 0xC7) == 0xC0 || (op & 0xC7) == 0xC2 ||
         (op & 0xC7) == 0xC4;
}

TEST(CycleTable, ExactlyTheConditionalAndRepeatingInstructionsHaveTwoPaths) {
  for (int op = 0; op < 256; ++op) {
    for (const bool ed_page : {false, true}) {
      const std::vector<uint8_t> code = ed_page
                                            ? std::vector<uint8_t>{0xED, static_cast<uint8_t>(op)}
                                            : std::vector<uint8_t>{static_cast<uint8_t>(op), 0, 0};
      if (!ed_page && (op == 0xCB || op == 0xDD || op == 0xED || op == 0xFD)) {
        continue;  // a prefix: the code is on another page
      }
      const InstructionTiming timing = Timing(code);
      EXPECT_NE(timing.taken, -1) << ed_page << ' ' << op;
      EXPECT_EQ(timing.two_paths, HasTwoPaths(ed_page, op)) << ed_page << ' ' << op;
      // JP cc,nn takes the same time either way; every other one is faster not taken.
      const bool jump_cc = !ed_page && (op & 0xC7) == 0xC2;
      EXPECT_EQ(timing.taken == timing.not_taken, !timing.two_paths || jump_cc) << op;
    }
  }
}

// The lines of one statement with the T-states column.
std::string Line(std::string_view text, const CycleColumn &cycles) {
  static const uint8_t kBytes[] = {0xED, 0xB0, 0xDD, 0x21};
  AssembleList list;
  AppendListingLine(list, 0x8000, kBytes, 0, 2, text, &cycles);
  return list.text;
}

TEST(CycleColumn, StandsBetweenTheBytesAndTheTextAtColumn32) {
  EXPECT_EQ(Line("\tLDIR", {1, 21, 16, true}), "8000    ED B0        21/16      \tLDIR\n");
  EXPECT_EQ(Line("\tNOP", {1, 4, 4, false}), "8000    ED B0         4         \tNOP\n");
  EXPECT_EQ(Line("\tJP PE,0", {1, 10, 10, true}), "8000    ED B0        10/10      \tJP PE,0\n");
  EXPECT_EQ(Line("\tDB 0", {}), "8000    ED B0                   \tDB 0\n");
  // A line of many instructions may need more room: a blank still parts it from the text.
  EXPECT_EQ(Line("X", {9, 12345, 67890, true}), "8000    ED B0        12345/67890 X\n");
}

TEST(CycleColumn, TheLineIsStillCutAt255Characters) {
  const std::string line = Line(std::string(300, 'x'), {1, 4, 4, false});
  EXPECT_EQ(line.size(), 256u);  // 255 characters and the line end
  EXPECT_EQ(line.substr(32), std::string(223, 'x') + "\n");
}

// Whole runs with --cycles in a scratch folder.
class CyclesRun : public WholeRunTest {};

TEST_F(CyclesRun, TheLabelListGainsOnlyTheComments) {
  std::ofstream("prog.asm") << "SIZE\tEQU 4\n\tORG 8000H\nSTART:\tLD B,SIZE\n@@:\tDJNZ @B\n"
                               "DATA:\tDB 1\nLAST:\tRET NC\n\tEND\n";
  ASSERT_EQ(Run({"-l", "prog.asm"}), 0);
  const std::string plain = ReadFile("prog.lst");
  ASSERT_EQ(Run({"-l", "--cycles", "prog.asm"}), 0);
  EXPECT_EQ(ReadFile("prog.lst"),
            "DATA\t\tEQU\t08004H\n"
            "LAST\t\tEQU\t08005H\t; 5-11 T-states\n"
            "SIZE\t\tEQU\t00004H\n"
            "START\t\tEQU\t08000H\t; 15-20 T-states\n");
  EXPECT_EQ(
      plain,
      "DATA\t\tEQU\t08004H\nLAST\t\tEQU\t08005H\nSIZE\t\tEQU\t00004H\nSTART\t\tEQU\t08000H\n");
  EXPECT_FALSE(fs::exists("prog.als"));  // the listing run made for the totals writes no list
}

TEST_F(CyclesRun, AnInstructionPartedByAnArrangeGapIsTimedFromItsOwnBytes) {
  // LD IX,1234H lands as DD .. 21 .. 34 .. 12, the gaps keeping their FFh.
  std::ofstream("prog.asm") << "\tORG 8000H\n\tDB 0,0FFH,0,0FFH,0,0FFH,0,0FFH\n"
                               "\tARRANGE 8000H,1,1\nSPLIT:\tLD IX,1234H\n\tEND\n\tEND\n";
  ASSERT_EQ(Run({"-l", "--cycles", "prog.asm"}), 0);
  EXPECT_EQ(ReadFile("prog.bin"), std::string("\xDD\xFF\x21\xFF\x34\xFF\x12\xFF", 8));
  EXPECT_EQ(ReadFile("prog.lst"), "SPLIT\t\tEQU\t08000H\t; 14 T-states\n");
}

TEST_F(CyclesRun, AnOpcodeWrittenAfterItsDisplacementIsTimedAsStored) {
  // The opcode of LD (IX+d),r and of DD CB d op is filled in once the operands are read.
  std::ofstream("prog.asm") << "\tORG 0\n\tLD (IX+2),B\n\tSET 1,(IY+FAR)\nFAR\tEQU 5\n\tEND\n";
  ASSERT_EQ(Run({"-x", "--cycles", "prog.asm"}), 0);
  EXPECT_EQ(ReadFile("prog.als"),
            "0000                            \tORG 0\n"
            "0000    DD 70 02     19         \tLD (IX+2),B\n"
            "0003    FD CB 05 CE  23         \tSET 1,(IY+FAR)\n"
            "0005                            FAR\tEQU 5\n");
}

}  // namespace
