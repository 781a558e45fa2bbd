// Output-name derivation, the per-pass reset, the limit on error lines and the source list.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "driver/driver.h"
#include "driver/outputs.h"
#include "driver/passes.h"
#include "test_support.h"

namespace {

std::string Replaced(std::string name, const char *extension = ".bin") {
  return ReplaceExtension(name, extension) ? name : "(too long)";
}

TEST(ReplaceExtension, UsesTheLastDotAnywhereInTheName) {
  EXPECT_EQ(Replaced("prog.z80"), "prog.bin");
  EXPECT_EQ(Replaced("prog"), "prog.bin");
  EXPECT_EQ(Replaced("..\\src\\prog"), "..bin");
  EXPECT_EQ(Replaced("dir.v2/prog"), "dir.bin");
  EXPECT_EQ(Replaced("a.b.c", ".hex"), "a.b.hex");
}

TEST(ReplaceExtension, PositionBeyond251Fails) {
  EXPECT_EQ(Replaced(std::string(251, 'a')), std::string(251, 'a') + ".bin");
  EXPECT_EQ(Replaced(std::string(252, 'a')), "(too long)");
  EXPECT_EQ(Replaced(std::string(251, 'a') + ".asm"), std::string(251, 'a') + ".bin");
}

TEST(ResetForPass, ClearsPassFieldsAndKeepsTheImageAndAddresses) {
  auto st = MakeState();
  st->pass.location = 0x1234;
  st->pass.rept_counter = 7;
  st->pass.charmap.map = 3;
  st->pass.charmap.user[65] = 0;
  st->pass.position = 10;
  st->code.bytes[0] = 0x55;
  st->pass.floating.staging = 70000;
  st->pass.local_counters[10] = 4;
  st->segment.load_address = 0x8000;
  st->placement.offset_open = true;
  ASSERT_TRUE(OpenScope(*st, "INNER"));
  ResetForPass(*st);
  EXPECT_EQ(st->pass.location, 0);
  EXPECT_EQ(st->pass.rept_counter, 0);
  EXPECT_EQ(st->pass.charmap.map, 0);
  EXPECT_EQ(st->pass.charmap.user[65], 65);
  EXPECT_EQ(st->pass.position, 0);
  EXPECT_EQ(st->pass.floating.staging, kImageSize);
  EXPECT_EQ(st->pass.local_counters[10], 0);
  EXPECT_FALSE(InNestedScope(*st));
  EXPECT_EQ(st->code.bytes[0], 0x55);
  EXPECT_EQ(st->segment.load_address, 0x8000);
  EXPECT_TRUE(st->placement.offset_open);  // END closes OFFSET, not the reset
}

using WholeRun = WholeRunTest;

size_t CountLines(const std::string &text, const std::string &start) {
  size_t count = 0;
  for (size_t at = 0; at < text.size();) {
    const size_t end = text.find('\n', at);
    count += text.compare(at, start.size(), start) == 0 ? 1u : 0u;
    at = end == std::string::npos ? text.size() : end + 1;
  }
  return count;
}

const std::string kStopped = "Too many errors: the run stops after 10000 error lines\n";

TEST_F(WholeRun, TheRunStopsAfter10000ErrorLines) {
  // Faulty lines and then an unresolved label, which is reported after the last line.
  auto write = [](int faulty) {
    std::ofstream source("bad.asm");
    source << "\tORG 8000H\n";
    for (int i = 0; i < faulty; ++i) {
      source << "\tLD A,\n";
    }
    source << "\tDW LATER\n\tEND\n";
  };
  // 10,000 error lines in all: every one is printed, as below the limit.
  write(kMaxErrorLines - 1);
  std::string out;
  EXPECT_EQ(Run({"bad.asm"}, &out), -1);
  EXPECT_EQ(CountLines(out, "Error "), static_cast<size_t>(kMaxErrorLines));
  EXPECT_EQ(CountLines(out, ""), static_cast<size_t>(kMaxErrorLines));
  EXPECT_NE(out.find("LATER"), std::string::npos);

  // One more: the 10,001st error line is not printed, the run stops with its own message.
  write(kMaxErrorLines);
  EXPECT_EQ(Run({"bad.asm"}, &out), -1);
  EXPECT_EQ(CountLines(out, "Error "), static_cast<size_t>(kMaxErrorLines));
  EXPECT_EQ(out.substr(out.size() - kStopped.size()), kStopped);
  EXPECT_EQ(out.find("LATER"), std::string::npos);

  // A macro that calls itself 80 times on each of its four levels would print 41 million
  // error lines.
  std::ofstream source("runaway.asm");
  source << "REC\tMACRO\n";
  for (int i = 0; i < 80; ++i) {
    source << "\tREC\n";
  }
  source << "\tENDM\n\tORG 0\n\tREC\n\tEND\n";
  source.close();
  EXPECT_EQ(Run({"runaway.asm"}, &out), -1);
  EXPECT_EQ(CountLines(out, "Error "), static_cast<size_t>(kMaxErrorLines));
  EXPECT_EQ(CountLines(out, ""), static_cast<size_t>(kMaxErrorLines) + 1);
  EXPECT_EQ(out.substr(out.size() - kStopped.size()), kStopped);
  EXPECT_FALSE(std::filesystem::exists("runaway.bin"));
}

TEST_F(WholeRun, IncludeSearchesTheIncludersFolderThenEachIFolder) {
  std::filesystem::create_directories("rom");
  std::filesystem::create_directories("lib");
  std::ofstream("rom/rom.asm") << "\tORG 100H\n\tINCLUDE here.inc\n\tINCLUDE lib.inc\n\tEND\n";
  std::ofstream("rom/here.inc") << "\tDB 1\n";
  std::ofstream("lib/lib.inc") << "\tDB 2\n\tBINCLUDE data.bin\n";
  std::ofstream("lib/data.bin") << "D";
  std::string out;
  EXPECT_EQ(Run({"-o", "rom.bin", "rom/rom.asm"}, &out), -1);
  EXPECT_EQ(out, "File 'lib.inc' cannot open\n");
  EXPECT_EQ(Run({"-Ilib", "-o", "rom.bin", "rom/rom.asm"}, &out), 0) << out;
  EXPECT_EQ(ReadFile("rom.bin"), std::string("\x01\x02"
                                             "D",
                                             3));

  // An absolute name is only ever opened as written: no folder is put in front of it.
  const std::string absolute = (dir_ / "nowhere" / "x.inc").string();
  std::filesystem::create_directories("lib" + (dir_ / "nowhere").string());
  std::ofstream("lib" + absolute) << "\tDB 3\n";
  std::ofstream("abs.asm") << "\tORG 100H\n\tINCLUDE " << absolute << "\n\tEND\n";
  EXPECT_EQ(Run({"-Ilib", "abs.asm"}, &out), -1);
  EXPECT_EQ(out, "File '" + absolute + "' cannot open\n");
}

}  // namespace
