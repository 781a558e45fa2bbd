// Tests of the image writers: MZT names, HEX records, the D000h split, the dump and failures.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <numeric>
#include <string>

#include "output/output.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

// Each test runs in its own empty directory, where D000.bin lands.
using OutputTest = ScratchFolderTest;

std::string Read(const char *path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

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

TEST_F(OutputTest, HexRecordsChecksumsAnd64KBoundary) {
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
    ASSERT_TRUE(WriteIntelHex("a.hex", At(c.bytes, c.load)));
    EXPECT_EQ(Read("a.hex"), std::string(c.records) + ":00000001FF\n") << c.load;
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

TEST_F(OutputTest, MztHeaderAndD000Split) {
  uint8_t header[kMztHeaderSize];
  std::fill(std::begin(header), std::end(header), 0xEE);  // the writer clears 18h..7Fh
  EncodeMztName(header, "GAME");
  const std::string name(reinterpret_cast<const char *>(header), 0x12);
  const std::string zeros(0x68, '\0');
  const std::string image = Counting(0x4000);

  ASSERT_TRUE(WriteMzt("a.mzt", header, At(image, 0xA000, 0xA123), false));
  EXPECT_EQ(Read("a.mzt"), name + std::string("\x00\x40\x00\xA0\x23\xA1", 6) + zeros + image);
  EXPECT_FALSE(fs::exists("D000.bin"));

  ASSERT_TRUE(WriteMzt("a.mzt", header, At(image, 0xA000, 0xA123), true));
  EXPECT_EQ(Read("a.mzt"),
            name + std::string("\x00\x30\x00\xA0\x23\xA1", 6) + zeros + image.substr(0, 0x3000));
  EXPECT_EQ(Read("D000.bin"), image.substr(0x3000));

  // From D000h on there is no room: an empty tape image, everything in D000.bin.
  ASSERT_TRUE(WriteMzt("a.mzt", header, At("\x01\x02", 0xE000, 0xE000), true));
  EXPECT_EQ(Read("a.mzt"), name + std::string("\x00\x00\x00\xE0\x00\xE0", 6) + zeros);
  EXPECT_EQ(Read("D000.bin"), "\x01\x02");
}

TEST_F(OutputTest, FailuresAreReportedAndLeaveNoFile) {
  const std::string image = Counting(4096);
  uint8_t header[kMztHeaderSize] = {};
  testing::internal::CaptureStdout();
  EXPECT_FALSE(WriteBinary("missing/a.bin", At(image, 0)));
  EXPECT_FALSE(WriteIntelHex("missing/a.hex", At(image, 0)));
  fs::create_directory("D000.bin");  // D000.bin cannot be created: the tape image goes too
  EXPECT_FALSE(WriteMzt("a.mzt", header, At(image, 0xCFFE), true));
  fs::remove("D000.bin");

  EXPECT_FALSE(WriteBinary("/dev/full", At(image, 0)));
  EXPECT_FALSE(WriteIntelHex("/dev/full", At(image, 0)));
  EXPECT_FALSE(WriteMzt("/dev/full", header, At(image, 0), false));
  fs::create_symlink("/dev/full", "D000.bin");
  EXPECT_FALSE(WriteMzt("b.mzt", header, At(image, 0xC800), true));
  fs::remove("D000.bin");

  // Regular files that stop growing, as on a full disk, are removed.
  struct rlimit old_limit;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  struct rlimit small = old_limit;
  small.rlim_cur = 1000;
  auto old_handler = signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  bool binary_ok = WriteBinary("a.bin", At(image, 0));
  bool d000_ok = WriteMzt("c.mzt", header, At(image, 0xCF00), true);  // D000.bin too big
  setrlimit(RLIMIT_FSIZE, &old_limit);
  signal(SIGXFSZ, old_handler);
  EXPECT_FALSE(binary_ok);
  EXPECT_FALSE(d000_ok);

  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Cannot open output file\nCannot open output file\nCannot open output file\n"
            "Cannot write output file\nCannot write output file\nCannot write output file\n"
            "Cannot write output file\nCannot write output file\nCannot write output file\n");
  EXPECT_TRUE(fs::is_character_file("/dev/full"));
  EXPECT_TRUE(fs::is_empty(fs::current_path()));
}
