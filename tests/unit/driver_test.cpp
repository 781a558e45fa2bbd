// Output-name derivation and the per-pass reset.
#include <gtest/gtest.h>

#include <string>

#include "driver/driver.h"
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
  st->code.position = 10;
  st->code.bytes[0] = 0x55;
  st->code.staging = 70000;
  st->scan.local_counters[10] = 4;
  st->load_address = 0x8000;
  st->placement.offset_open = true;
  ASSERT_NE(OpenScope(*st, "INNER"), nullptr);
  ResetForPass(*st);
  EXPECT_EQ(st->pass.location, 0);
  EXPECT_EQ(st->pass.rept_counter, 0);
  EXPECT_EQ(st->pass.charmap.map, 0);
  EXPECT_EQ(st->pass.charmap.user[65], 65);
  EXPECT_EQ(st->code.position, 0);
  EXPECT_EQ(st->code.staging, kImageSize);
  EXPECT_EQ(st->scan.local_counters[10], 0);
  EXPECT_EQ(st->labels.current->parent, nullptr);
  EXPECT_EQ(st->code.bytes[0], 0x55);
  EXPECT_EQ(st->load_address, 0x8000);
  EXPECT_TRUE(st->placement.offset_open);  // END closes OFFSET, not the reset
}

}  // namespace
