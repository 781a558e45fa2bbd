// The assemble list's line layout, and the listings written by a whole run: failures that
// must say which listing was not written and leave every file as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "driver/driver.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

const uint8_t kBytes[] = {0x3E, 0x01, 0xDD, 0x21, 0x34, 0x12, 0xC3, 0x00, 0x80, 0xFF};

// The listing lines of one statement whose bytes are kBytes[0, count).
std::string Lines(int32_t address, int32_t count, std::string_view text) {
  AssembleList list;
  AppendListingLine(list, address, kBytes, count > 0 ? 0 : -1, count, text);
  return list.text;
}

TEST(ListingLine, ShowsUpToFourBytesBeforeTheTextInColumn24) {
  EXPECT_EQ(Lines(0x8000, 0, "\tNOP\n"), "8000                    \tNOP\n");
  EXPECT_EQ(Lines(0x8000, 1, "X"), "8000    3E              X\n");
  EXPECT_EQ(Lines(0x8000, 2, "X"), "8000    3E 01           X\n");
  EXPECT_EQ(Lines(0x8000, 3, "X"), "8000    3E 01 DD        X\n");
  EXPECT_EQ(Lines(0x8000, 4, "X"), "8000    3E 01 DD 21     X\n");
}

TEST(ListingLine, FurtherBytesFollowFourToALine) {
  EXPECT_EQ(Lines(0x8000, 6, "L6"),
            "8000    3E 01 DD 21     L6\n"
            "8004    34 12\n");
  EXPECT_EQ(Lines(0x8000, 8, "L8"),
            "8000    3E 01 DD 21     L8\n"
            "8004    34 12 C3 00\n");
  EXPECT_EQ(Lines(0xFFFC, 9, "L9"),
            "FFFC    3E 01 DD 21     L9\n"
            "0000    34 12 C3 00\n"
            "0004    80\n");
}

TEST(ListingLine, AddressesAreShownAsFourDigits) {
  EXPECT_EQ(Lines(0x10000, 0, "X"), "0000                    X\n");
  EXPECT_EQ(Lines(-1, 0, "X"), "FFFF                    X\n");
  EXPECT_EQ(Lines(0x12345, 0, "X"), "2345                    X\n");
}

TEST(ListingLine, TrailingBlanksAndLineEndsAreDropped) {
  EXPECT_EQ(Lines(0, 0, "LOOP:\tJR LOOP ; back  \t\r\n"),
            "0000                    LOOP:\tJR LOOP ; back\n");
}

TEST(ListingLine, AnEmptyTextShowsTheAddressOnceForARun) {
  AssembleList list;
  AppendListingLine(list, 0x10, kBytes, -1, 0, "  \n");
  AppendListingLine(list, 0x10, kBytes, -1, 0, "\n");
  AppendListingLine(list, 0x10, kBytes, -1, 0, "");
  EXPECT_EQ(list.text, "0010\n");
  AppendListingLine(list, 0x10, kBytes, 0, 1, " NOP");
  AppendListingLine(list, 0x11, kBytes, -1, 0, "\r\n");
  EXPECT_EQ(list.text, "0010\n0010    3E               NOP\n0011\n");
}

TEST(ListingLine, IsCutAt255CharactersBetweenCharacters) {
  const std::string text(300, 'x');
  const std::string line = Lines(0, 0, text);
  EXPECT_EQ(line.size(), 256u);  // 255 characters and the line end
  EXPECT_EQ(line.substr(24, 231), std::string(231, 'x'));
  // A Shift-JIS character (two bytes) that would be split at the limit is left out whole.
  const std::string sjis = std::string(230, 'x') + "\x83\x41" + "yz";
  const std::string cut = Lines(0, 0, sjis);
  EXPECT_EQ(cut, "0000" + std::string(20, ' ') + std::string(230, 'x') + "\n");
  const std::string fits = std::string(229, 'x') + "\x83\x41" + "yz";
  EXPECT_EQ(Lines(0, 0, fits).size(), 256u);
}

// Whole runs in a scratch folder.
class ListingRun : public WholeRunTest {
 protected:
  void SetUp() override {
    WholeRunTest::SetUp();
    std::ofstream("prog.asm") << "\tORG 8000H\nSTART:\tLD A,1\n\tJP START\n\tEND\n";
  }
};

std::string Read(const char *path) { return ReadFile(path); }

const std::string kImage("\x3E\x01\xC3\x00\x80", 5);

TEST_F(ListingRun, AListingThatCannotBeWrittenFailsTheRunAndWritesNothing) {
  fs::create_directory("prog.lst");  // in the way of the label list
  std::string out;
  EXPECT_EQ(Run({"-l", "-Y", "prog.asm"}, &out), -1);
  EXPECT_EQ(out, "Cannot write listing file 'prog.lst': Is a directory\n");
  EXPECT_TRUE(fs::is_directory("prog.lst"));
  EXPECT_FALSE(fs::exists("prog.bin"));
  EXPECT_FALSE(fs::exists("prog.sym"));
}

TEST_F(ListingRun, ANameWithoutRoomForTheExtensionIsNotWrittenOverTheOutput) {
  const std::string output(253, 'a');  // no dot: ".lst" would go at 253, beyond 251
  std::string out;
  EXPECT_EQ(Run({"-o", output, "-l", "prog.asm"}, &out), -1);
  EXPECT_EQ(out, "Listing file name is too long: " + output + ".lst\n");
  EXPECT_FALSE(fs::exists(output));
}

TEST_F(ListingRun, AListingIsNeverWrittenOverTheOutputOrAnInput) {
  std::string out;
  EXPECT_EQ(Run({"-o", "prog.sym", "-Y", "prog.asm"}, &out), -1);
  EXPECT_EQ(out, "Output file 'prog.sym' is also another output of the run; nothing is written\n");
  EXPECT_FALSE(fs::exists("prog.sym"));

  // A symbolic link named like the listing that leads to the source.
  fs::create_symlink("prog.asm", "prog.als");
  const std::string source = Read("prog.asm");
  EXPECT_EQ(Run({"-x", "prog.asm"}, &out), -1);
  EXPECT_EQ(out, "Output file 'prog.als' is a file the run reads; nothing is written\n");
  EXPECT_EQ(Read("prog.asm"), source);
  EXPECT_FALSE(fs::exists("prog.bin"));
}

}  // namespace
