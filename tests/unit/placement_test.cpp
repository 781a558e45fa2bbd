// Placement: the listing pass follows the placed blocks, and the guards around the copy of
// placed blocks into the image.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "assembler/emit.h"
#include "driver/driver.h"
#include "driver/passes.h"
#include "test_support.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

struct Mark {
  int32_t location = 0;
  int32_t position = 0;
};

// Assembles the lines as one file, in the listing pass when listing is given; returns the
// location and position after each line.
std::vector<Mark> RunLines(AssemblerState &st, const std::vector<const char *> &lines,
                           AssembleList *listing = nullptr) {
  ResetForPass(st);
  SourceContext ctx;
  ctx.file_name = AddName(st.names, "main.asm");
  st.source.context = &ctx;
  st.listing.list = listing;
  std::vector<Mark> marks;
  for (const char *line : lines) {
    EXPECT_EQ(AssembleLine(st, line, ctx), kResultOk) << line;
    marks.push_back({st.pass.location, st.pass.position});
    ++ctx.line;
  }
  st.source.context = nullptr;
  st.listing.list = nullptr;
  return marks;
}

TEST(ListingPass, ListsBlocksAtTheirPlacedAddressAndGoesOnBehindThem) {
  auto st = MakeState();
  const std::vector<const char *> lines = {
      " ORG 8000H",   " DS 10H", "BLK IN_PAGE {", " NOP",  "INNER: LD A,(INNER)",
      " }",           " DB 1",   " ORG 9000H",    " DB 2", "ONE PAGE_ALIGNED DB 3",
      " LD HL,ONE+1",
  };
  CaptureStdout();
  (void)RunLines(*st, lines);
  ASSERT_TRUE(PlaceBlocks(*st));
  ASSERT_TRUE(ResolveFixups(*st));
  ASSERT_TRUE(CopyPlacedBlocks(*st));
  EXPECT_EQ(GetCapturedStdout(), "Info : " + Text(Msg::FreeSpace, 0x9004, 0x90FF, 0xFC) + "\n");
  // BLK went behind the first segment (8011h), ONE to the page after the second (9100h).
  const std::vector<uint8_t> image(st->code.bytes.begin(), st->code.bytes.begin() + 0x116);
  EXPECT_EQ(st->pass.position, 0x116);
  EXPECT_EQ(image[0x10], 1);
  EXPECT_EQ(std::vector<uint8_t>(image.begin() + 0x11, image.begin() + 0x16),
            (std::vector<uint8_t>{0x00, 0x3A, 0x12, 0x80, 2}));
  EXPECT_EQ(std::vector<uint8_t>(image.begin() + 0x15, image.begin() + 0x19),
            (std::vector<uint8_t>{2, 0x21, 0x01, 0x91}));
  EXPECT_EQ(image[0x115], 3);

  AssembleList listing;
  const std::vector<Mark> marks = RunLines(*st, lines, &listing);
  const std::vector<Mark> expected = {
      {0x8000, 0x00},
      {0x8010, 0x10},
      {0x8011, 0x11}, // the block at its address and its bytes
      {0x8012, 0x12},
      {0x8015, 0x15},
      {0x8010, 0x10}, // back behind the segment
      {0x8011, 0x11},
      {0x9000, 0x15}, // behind the block the ORG placed
      {0x9001, 0x16},
      {0x9001, 0x16}, // a block of one line ends with it
      {0x9004, 0x19},
  };
  ASSERT_EQ(marks.size(), expected.size());
  for (size_t i = 0; i < marks.size(); ++i) {
    EXPECT_EQ(marks[i].location, expected[i].location) << lines[i];
    EXPECT_EQ(marks[i].position, expected[i].position) << lines[i];
  }
  // Nothing was stored again.
  EXPECT_EQ(std::vector<uint8_t>(st->code.bytes.begin(), st->code.bytes.begin() + 0x116), image);
}

TEST(PlacedBlocks, CodeIsNotStoredOverAPlacedBlock) {
  auto st = MakeState();
  StartLine(*st, "");
  st->placement.placed_end = 0x20;
  st->pass.position = 0x1F;
  EXPECT_FALSE(EmitByte(*st, 1));
  EXPECT_EQ(TakeError(*st), MessageText(Msg::PlacedBlockOverlap));
  EXPECT_EQ(st->pass.position, 0x1F);
  st->pass.position = 0x20;
  EXPECT_TRUE(EmitByte(*st, 1));
  AssembleList listing;
  st->listing.list = &listing;  // the listing pass stores nothing
  st->pass.position = 0;
  EXPECT_TRUE(EmitByte(*st, 1));
  EXPECT_EQ(st->code.bytes[0], 0);
  st->listing.list = nullptr;
}

TEST(PlacedBlocks, CopyStaysInsideTheStagingAreaAndTheImage) {
  struct Row {
    std::vector<PlacedBlock> records;
    bool ok;
  };
  const Row rows[] = {
      {{{kImageSize + 4, 0x10, 2}, {kImageSize, 0x08, 4}}, true },
      {{{kImageSize, 0x0F, 4}},                            false}, // past the end of the image
      {{{kImageSize, 0x08, 4}, {kImageSize, 0x0A, 2}},     false}, // over another block
      {{{kImageSize - 1, 0x00, 2}},                        false}, // not from the staging area
      {{{kCodeBufferSize - 1, 0x00, 2}},                   false}, // past the staging area
  };
  for (const Row &row : rows) {
    auto st = MakeState();
    st->pass.image_end = 0x12;
    for (int i = 0; i < 8; ++i) {
      st->code.bytes[static_cast<size_t>(kImageSize + i)] = static_cast<uint8_t>(0xA0 + i);
    }
    st->placement.placed = row.records;
    EXPECT_EQ(CopyPlacedBlocks(*st), row.ok);
    EXPECT_EQ(TakeError(*st), row.ok ? "" : MessageText(Msg::PlacedBlockOverlap));
    EXPECT_TRUE(st->placement.placed.empty());
    if (row.ok) {
      EXPECT_EQ(std::vector<uint8_t>(st->code.bytes.begin() + 8, st->code.bytes.begin() + 0x12),
                (std::vector<uint8_t>{0xA0, 0xA1, 0xA2, 0xA3, 0, 0, 0, 0, 0xA4, 0xA5}));
    }
  }
}

}  // namespace
