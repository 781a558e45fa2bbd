// Tests of the image files: MZT names, HEX records, the D000h split, the dump, and an MZT with
// its D000.bin written together, all or nothing.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <numeric>
#include <string>
#include <utility>
#include <vector>

#include "output/output.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

std::string Counting(int count) {
  std::string bytes(static_cast<size_t>(count), '\0');
  std::iota(bytes.begin(), bytes.end(), '\0');
  return bytes;
}

Image At(const std::string &bytes, int32_t load, int32_t exec = 0) {
  return Image{reinterpret_cast<const uint8_t *>(bytes.data()), static_cast<int32_t>(bytes.size()),
               load, exec};
}

std::string Field(const char *name) {
  uint8_t header[kMztHeaderSize] = {};
  EncodeMztName(header, name);
  EXPECT_EQ(header[0], 0x01);
  return std::string(reinterpret_cast<const char *>(header + 1), 17);
}

}  // namespace

TEST(MztName, CaseMarksEndAndPadding) {
  EXPECT_EQ(Field("Hello"),
            "H\x05"
            "ELLO\x05\r" +
                std::string(9, ' '));
  EXPECT_EQ(Field("ABC"), "ABC\r" + std::string(13, ' '));
  EXPECT_EQ(Field("1-\x81\x40z"), "1-\x81\x40\x05Z\x05\r" + std::string(9, ' '));
  // A full field has no end mark; an 18th character is dropped.
  EXPECT_EQ(Field("ABCDEFGHIJKLMNOPQR"), "ABCDEFGHIJKLMNOPQ");
  EXPECT_EQ(Field("ABCDEFGHIJKLMNOp"), "ABCDEFGHIJKLMNO\x05P");
  // No room for a case mark at the last position: the name ends there.
  EXPECT_EQ(Field("ABCDEFGHIJKLMNOPq"), "ABCDEFGHIJKLMNOP\r");
  EXPECT_EQ(Field("ABCDEFGHIJKLMabC"),
            "ABCDEFGHIJKLM\x05"
            "AB\r");
}

TEST(IntelHex, RecordsChecksumsAnd64KBoundary) {
  const struct {
    std::string bytes;
    int32_t load;
    const char *records;
  } cases[] = {
      {Counting(20),       0x8000,                   ":10800000000102030405060708090A0B0C0D0E0FF8\n:048010001011121326\n"},
      {std::string(1,      '\0'),                    0,                                                                    ":0100000000FF\n"},
      {std::string(1,                  '\xAA'),                              0xFFFF,                                                                          ":01FFFF00AA57\n"},
      {std::string(1, '\xAA'),                         0x10010,        ":020000040001F9\n:01001000AA45\n"},
      {Counting(24),           0xFFF8,
       ":08FFF8000001020304050607E5\n:020000040001F9\n"
       ":1000000008090A0B0C0D0E0F1011121314151617F8\n"                                     },
  };
  for (const auto &c : cases) {
    EXPECT_EQ(IntelHexFile(At(c.bytes, c.load)), std::string(c.records) + ":00000001FF\n")
        << c.load;
  }
}

TEST(Dump, BytesStandInTheirColumns) {
  testing::internal::CaptureStdout();
  DumpImage(At("\xAA\xBB\xCC", 0x8005));
  DumpImage(At(Counting(10), 0x8000));
  DumpImage(At("\xAA\xBB\xCC", 0x10006));
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "8000:" + std::string(15, ' ') +
                " AA BB CC\n"
                "8000: 00 01 02 03 04 05 06 07\n8008: 08 09\n"
                "10000:" +
                std::string(18, ' ') + " AA BB\n10008: CC\n");
}

TEST(Mzt, HeaderAndD000Split) {
  uint8_t header[kMztHeaderSize];
  std::fill(std::begin(header), std::end(header), 0xEE);  // the writer clears 18h..7Fh
  EncodeMztName(header, "GAME");
  const std::string name(reinterpret_cast<const char *>(header), 0x12);
  const std::string zeros(0x68, '\0');
  const std::string image = Counting(0x4000);

  std::string overflow = "old";
  EXPECT_EQ(MztFile(header, At(image, 0xA000, 0xA123), false, &overflow),
            name + std::string("\x00\x40\x00\xA0\x23\xA1", 6) + zeros + image);
  EXPECT_EQ(overflow, "");  // no D000.bin

  EXPECT_EQ(MztFile(header, At(image, 0xA000, 0xA123), true, &overflow),
            name + std::string("\x00\x30\x00\xA0\x23\xA1", 6) + zeros + image.substr(0, 0x3000));
  EXPECT_EQ(overflow, image.substr(0x3000));

  // From D000h on there is no room: an empty tape image, everything in D000.bin.
  EXPECT_EQ(MztFile(header, At("\x01\x02", 0xE000, 0xE000), true, &overflow),
            name + std::string("\x00\x00\x00\xE0\x00\xE0", 6) + zeros);
  EXPECT_EQ(overflow, "\x01\x02");
}

// The size field takes up to FFFFh bytes; with -T only the part below D000h goes on the tape,
// which always fits, so a 64 KiB image is refused only without it.
TEST(Mzt, SizeFieldLimit) {
  const std::string full(0x10000, '\x5A');
  const std::string most(0xFFFF, '\x5A');
  EXPECT_TRUE(CheckMztSize(At(most, 0), false));
  EXPECT_TRUE(CheckMztSize(At(most, 0x10), true));
  EXPECT_FALSE(CheckMztSize(At(full, 0), false));
  EXPECT_FALSE(CheckMztSize(At(full, 0xE000), false));
  EXPECT_TRUE(CheckMztSize(At(full, 0), true));
  EXPECT_TRUE(CheckMztSize(At(full, 0xE000), true));  // all of it in D000.bin
  std::string overflow;
  const uint8_t header[kMztHeaderSize] = {};
  EXPECT_EQ(MztFile(header, At(full, 0), true, &overflow).size(), kMztHeaderSize + 0xD000U);
  EXPECT_EQ(overflow.size(), 0x3000U);
}

// Whole runs that write an MZT with D000.bin over older files of both names.
class OutputRun : public WholeRunTest {
 protected:
  void SetUp() override {
    WholeRunTest::SetUp();
    // 200h bytes at CF00h: 100h before D000h, 100h from D000h on.
    std::ofstream("prog.asm") << "\tORG 0CF00H\n\tDS 200H, 0AAH\n\tEND\n";
    std::ofstream("prog.mzt") << "old tape";
    std::ofstream("D000.bin") << "old overflow";
  }
  // Runs the tape-image run that must fail with the message and keep the older tape image.
  void RunFailing(std::vector<std::string> args, const std::string &message) {
    std::string out;
    EXPECT_EQ(Run(std::move(args), &out), -1);  // -1: the run was not ended by a signal
    EXPECT_EQ(out, message);
    EXPECT_EQ(ReadFile("prog.mzt"), "old tape");
  }
  void ExpectOldFiles() {
    EXPECT_EQ(ReadFile("prog.mzt"), "old tape");
    EXPECT_EQ(ReadFile("D000.bin"), "old overflow");
    size_t files = 0;
    for ([[maybe_unused]] const auto &entry : fs::directory_iterator(".")) {
      ++files;
    }
    EXPECT_EQ(files, 3u);  // no temporary file is left
  }
};

TEST_F(OutputRun, BothFilesAreWrittenTogether) {
  EXPECT_EQ(Run({"-mGAME", "-T", "prog.asm"}), 0);
  EXPECT_EQ(ReadFile("prog.mzt").size(), 0x80u + 0x100u);
  EXPECT_EQ(ReadFile("D000.bin"), std::string(0x100, '\xAA'));
}

TEST_F(OutputRun, AD000BinThatFailsKeepsTheOlderTapeImageToo) {
  // A D000.bin that cannot be written: a device that is always full.
  fs::remove("D000.bin");
  fs::create_symlink("/dev/full", "D000.bin");
  RunFailing({"-mGAME", "-T", "prog.asm"}, "Cannot write output file\n");
  EXPECT_TRUE(fs::is_symlink("D000.bin"));
  fs::remove("D000.bin");
  std::ofstream("D000.bin") << "old overflow";

  // A file-size limit that the tape image stays under and D000.bin does not.
  struct rlimit old_limit;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  struct rlimit small = old_limit;
  small.rlim_cur = 0x100;
  std::ofstream("prog.asm") << "\tORG 0CFF0H\n\tDS 1000H, 0AAH\n\tEND\n";
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  RunFailing({"-mGAME", "-T", "prog.asm"}, "Cannot write output file\n");
  setrlimit(RLIMIT_FSIZE, &old_limit);
  ExpectOldFiles();
}

TEST_F(OutputRun, AFileThatCannotBeMadeKeepsEveryOlderFile) {
  fs::remove("D000.bin");
  fs::create_directory("D000.bin");
  RunFailing({"-mGAME", "-T", "prog.asm"}, "Cannot open output file\n");
  EXPECT_TRUE(fs::is_directory("D000.bin"));
  fs::remove("D000.bin");

  // A listing that cannot be written keeps the older image as well.
  std::ofstream("D000.bin") << "old overflow";
  fs::create_directory("prog.als");
  RunFailing({"-mGAME", "-T", "-x", "prog.asm"},
             "Cannot write listing file 'prog.als': Is a directory\n");
  fs::remove("prog.als");
  ExpectOldFiles();
}

TEST(MakeRule, NamesAreWrittenAsMakeReadsThemBack) {
  std::string rule;
  std::string unwritable;
  ASSERT_TRUE(BuildMakeRule({"out put%.bin", "D000.bin"},
                            {"main.asm", "my file.inc", "cost$.inc", "a#b:c.inc", "p%q.inc",
                             "dir\\ x.inc", "back\\slash.inc"},
                            rule, unwritable));
  EXPECT_EQ(rule,
            "out\\ put\\%.bin D000.bin: main.asm \\\n"
            "  my\\ file.inc \\\n"
            "  cost$$.inc \\\n"
            "  a\\#b\\:c.inc \\\n"
            "  p%q.inc \\\n"
            "  dir\\\\\\ x.inc \\\n"
            "  back\\slash.inc\n"
            // Every file after the first has an empty rule, a pattern character escaped as in
            // a target, so that make goes on when the file is renamed.
            "\nmy\\ file.inc:\n"
            "\ncost$$.inc:\n"
            "\na\\#b\\:c.inc:\n"
            "\np\\%q.inc:\n"
            "\ndir\\\\\\ x.inc:\n"
            "\nback\\slash.inc:\n");
  ASSERT_TRUE(BuildMakeRule({"prog.bin"}, {"main.asm"}, rule, unwritable));
  EXPECT_EQ(rule, "prog.bin: main.asm\n");
  // '|' begins order-only prerequisites, but is plain in a target; make names no target with a
  // TAB in it.
  ASSERT_TRUE(BuildMakeRule({"o|p.bin"}, {"main.asm", "x|y.inc", "t\tab.inc"}, rule, unwritable));
  EXPECT_EQ(rule, "o|p.bin: main.asm \\\n  x\\|y.inc \\\n  t\\\tab.inc\n\nx|y.inc:\n");
  ASSERT_TRUE(BuildMakeRule({"prog.bin"}, {}, rule, unwritable));
  EXPECT_EQ(rule, "prog.bin:\n");
}

TEST(MakeRule, ANameARuleCannotHoldIsRefused) {
  for (const char *name : {"line\nend.inc", "semi;colon.inc", "a=b.inc", "~home.inc", "end\\"}) {
    std::string rule;
    std::string unwritable;
    EXPECT_FALSE(BuildMakeRule({"prog.bin"}, {"main.asm", name}, rule, unwritable)) << name;
    EXPECT_EQ(unwritable, name);
    EXPECT_FALSE(BuildMakeRule({name}, {"main.asm"}, rule, unwritable)) << name;
    EXPECT_EQ(unwritable, name);
  }
}
