// Tests of the PC-8001/8801 tapes: the monitor's records of a CMT file and the T88 image that
// carries them, against a dump typed in byte by byte and against a reader of both formats.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "output/output.h"

namespace {

// The bytes of a hex dump such as "3A 90 00".
std::string Hex(std::string_view dump) {
  std::string bytes;
  unsigned value = 0;
  int digits = 0;
  for (char c : dump) {
    if (c == ' ' || c == '\n') {
      continue;
    }
    unsigned digit =
        c <= '9' ? static_cast<unsigned>(c - '0') : static_cast<unsigned>(c - 'A') + 10;
    value = value << 4 | digit;
    if (++digits == 2) {
      bytes += static_cast<char>(value);
      value = 0;
      digits = 0;
    }
  }
  EXPECT_EQ(digits, 0) << dump;
  return bytes;
}

Image At(const std::string &bytes, int32_t load) {
  return Image{reinterpret_cast<const uint8_t *>(bytes.data()), static_cast<int32_t>(bytes.size()),
               load, 0};
}

// Bytes 0, 7, 14, ...: no two neighbours alike, and every value turns up.
std::string Pattern(int count) {
  std::string bytes;
  for (int i = 0; i < count; ++i) {
    bytes += static_cast<char>(i * 7);
  }
  return bytes;
}

uint32_t Le(const std::string &file, size_t at, int bytes) {
  uint32_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) {
    value = value << 8 | static_cast<uint8_t>(file.at(at + static_cast<size_t>(i)));
  }
  return value;
}

// What a loader finds in a record stream.
struct Loaded {
  uint32_t address = 0;
  std::vector<int> lengths;  // of the data records
  std::string data;
  bool sums_right = true;  // every record's bytes after its 3A add up to 0 mod 256
  bool ended = false;      // the end record was last
};

Loaded Load(const std::string &records) {
  Loaded loaded;
  auto at = [&](size_t k) { return static_cast<uint8_t>(records.at(k)); };
  EXPECT_EQ(at(0), 0x3A);
  loaded.address = static_cast<uint32_t>(at(1) << 8 | at(2));
  loaded.sums_right = (at(1) + at(2) + at(3)) % 256 == 0;
  size_t k = 4;
  while (k < records.size()) {
    EXPECT_EQ(at(k), 0x3A) << k;
    const int n = at(k + 1);
    if (n == 0) {
      loaded.ended = k + 3 == records.size() && at(k + 2) == 0;
      break;
    }
    unsigned sum = static_cast<unsigned>(n);
    for (int i = 0; i <= n; ++i) {
      sum += at(k + 2 + static_cast<size_t>(i));
    }
    loaded.sums_right = loaded.sums_right && sum % 256 == 0;
    loaded.data += records.substr(k + 2, static_cast<size_t>(n));
    loaded.lengths.push_back(n);
    k += 3 + static_cast<size_t>(n);
  }
  return loaded;
}

// A tag of a T88 file; timed tags with their start time and duration, data tags with their
// byte count and type word, and then the rest of their data.
struct Tag {
  uint32_t id = 0;
  uint32_t start = 0, duration = 0;
  uint32_t count = 0, type = 0;
  std::string bytes;
};

std::vector<Tag> Tags(const std::string &t88) {
  std::vector<Tag> tags;
  EXPECT_EQ(t88.substr(0, 24), std::string("PC-8801 Tape Image(T88)\0", 24));
  size_t k = 24;
  while (k + 4 <= t88.size()) {
    Tag tag;
    tag.id = Le(t88, k, 2);
    const size_t length = Le(t88, k + 2, 2);
    const size_t data = k + 4;
    if (tag.id >= 0x0100) {
      tag.start = Le(t88, data, 4);
      tag.duration = Le(t88, data + 4, 4);
    }
    if (tag.id == 0x0101) {
      tag.count = Le(t88, data + 8, 2);
      tag.type = Le(t88, data + 10, 2);
      tag.bytes = t88.substr(data + 12, length - 12);
    }
    tags.push_back(tag);
    k = data + length;
    if (tag.id == 0) {
      break;
    }
  }
  EXPECT_EQ(k, t88.size()) << "bytes after the end tag";
  return tags;
}

// The record stream of a T88 file: its data tags after the name block, joined. Checks the
// timing of every tag on the way.
std::string RecordsIn(const std::string &t88) {
  const std::vector<Tag> tags = Tags(t88);
  std::string records;
  uint32_t time = 0;
  int data_tags = 0;
  for (const Tag &tag : tags) {
    if (tag.id < 0x0100) {
      continue;
    }
    EXPECT_EQ(tag.start, time);
    time += tag.duration;
    if (tag.id == 0x0101) {
      EXPECT_EQ(tag.count, tag.bytes.size());
      EXPECT_EQ(tag.duration, 44 * tag.count);
      EXPECT_EQ(tag.type, 0x01CCU);
      if (data_tags++ > 0) {
        records += tag.bytes;
      }
    }
  }
  EXPECT_EQ(tags.back().id, 0U);
  return records;
}

}  // namespace

// The 4-byte program LD A,41H / INC A / RET at 9000h saved as hello.t88.
TEST(PcTape, ExampleByteForByte) {
  const std::string program = Hex("3E 41 3C C9");
  EXPECT_EQ(MonitorTapeRecords(At(program, 0x9000)),
            Hex("3A 90 00 70 3A 04 3E 41 3C C9 78 3A 00 00"));
  EXPECT_EQ(T88File(At(program, 0x9000), "hello"),
            Hex("50 43 2D 38 38 30 31 20 54 61 70 65 20 49 6D 61 67 65"
                "28 54 38 38 29 00"
                "01 00 02 00 00 01"
                "02 01 08 00 00 00 00 00 F8 1E 00 00"
                "03 01 08 00 F8 1E 00 00 28 05 00 00"
                "01 01 15 00 20 24 00 00 8C 01 00 00 09 00 CC 01"
                "24 24 24 48 45 4C 4C 4F 20"
                "03 01 08 00 AC 25 00 00 4A 01 00 00"
                "01 01 1A 00 F6 26 00 00 68 02 00 00 0E 00 CC 01"
                "3A 90 00 70 3A 04 3E 41 3C C9 78 3A 00 00"
                "03 01 08 00 5E 29 00 00 7E 0F 00 00"
                "02 01 08 00 DC 38 00 00 24 24 00 00"
                "00 00 00 00"));
}

TEST(PcTape, AddressRecordAndEmptyImage) {
  EXPECT_EQ(MonitorTapeRecords(At("", 0x9000)), Hex("3A 90 00 70 3A 00 00"));
  // The address is the low 16 bits of the load address, high byte first.
  EXPECT_EQ(MonitorTapeRecords(At("", 0x12345)), Hex("3A 23 45 98 3A 00 00"));
  EXPECT_EQ(MonitorTapeRecords(At("", 0xFF01)), Hex("3A FF 01 00 3A 00 00"));
  EXPECT_EQ(MonitorTapeRecords(At("", 0)), Hex("3A 00 00 00 3A 00 00"));
  // The T88 of an empty image still carries both records.
  EXPECT_EQ(RecordsIn(T88File(At("", 0xC000), "E")), Hex("3A C0 00 40 3A 00 00"));
}

// Check bytes worked out by hand, the zero check included.
TEST(PcTape, CheckBytes) {
  EXPECT_EQ(MonitorTapeRecords(At("\x01", 0x8000)), Hex("3A 80 00 80 3A 01 01 FE 3A 00 00"));
  EXPECT_EQ(MonitorTapeRecords(At("\xFE\x01", 0x8000)), Hex("3A 80 00 80 3A 02 FE 01 FF 3A 00 00"));
  EXPECT_EQ(MonitorTapeRecords(At("\xFF", 0x8000)), Hex("3A 80 00 80 3A 01 FF 00 3A 00 00"));
  // 128 bytes of 01: 80h + 80h = 100h, check 00; the 129th byte in a record of its own.
  const std::string ones(129, '\x01');
  const std::string records = MonitorTapeRecords(At(ones, 0x8000));
  EXPECT_EQ(records.substr(4, 2), Hex("3A 80"));
  EXPECT_EQ(records.substr(134), Hex("00 3A 01 01 FE 3A 00 00"));
}

// Data records of 128 bytes, the last one shorter; never an empty data record.
TEST(PcTape, RecordSplits) {
  const struct {
    int size;
    std::vector<int> lengths;
  } cases[] = {
      {1,   {1}          },
      {127, {127}        },
      {128, {128}        },
      {129, {128, 1}     },
      {255, {128, 127}   },
      {256, {128, 128}   },
      {257, {128, 128, 1}},
  };
  for (const auto &c : cases) {
    const std::string program = Pattern(c.size);
    const std::string records = MonitorTapeRecords(At(program, 0xA000 + c.size));
    const Loaded loaded = Load(records);
    EXPECT_EQ(loaded.address, static_cast<uint32_t>(0xA000 + c.size)) << c.size;
    EXPECT_EQ(loaded.lengths, c.lengths) << c.size;
    EXPECT_EQ(loaded.data, program) << c.size;
    EXPECT_TRUE(loaded.sums_right) << c.size;
    EXPECT_TRUE(loaded.ended) << c.size;
    // The T88 holds the same records in one data tag, its length counting them.
    EXPECT_EQ(RecordsIn(T88File(At(program, 0xA000 + c.size), "P")), records) << c.size;
  }
}

// A tag's length field is 16 bits: records longer than 65523 bytes go into further data
// tags, each beginning with a whole record.
TEST(PcTape, LongRecordsOverSeveralDataTags) {
  for (int size : {64013, 64014, 65536}) {
    const std::string program = Pattern(size);
    const std::string t88 = T88File(At(program, 0), "BIG");
    const std::vector<Tag> tags = Tags(t88);
    const size_t records_tags = tags.size() - 9 + 1;  // the layout has one records tag
    EXPECT_EQ(records_tags, size == 64013 ? 1U : 2U) << size;
    for (size_t i = 5; i < 5 + records_tags; ++i) {
      EXPECT_EQ(tags[i].id, 0x0101U);
      EXPECT_LE(tags[i].bytes.size(), 65523U);
      EXPECT_EQ(tags[i].bytes.at(0), '\x3A');
    }
    const std::string records = RecordsIn(t88);
    EXPECT_EQ(records, MonitorTapeRecords(At(program, 0))) << size;
    EXPECT_EQ(Load(records).data, program) << size;
  }
}

// The name block: "$$$", up to six letters and digits, upper-cased, up to the first other
// character, blanks to nine bytes.
TEST(PcTape, NameBlock) {
  const struct {
    std::string_view name;
    const char *block;
  } cases[] = {
      {"hello",        "$$$HELLO "},
      {"Game2x",       "$$$GAME2X"},
      {"longername",   "$$$LONGER"},
      {"my_game",      "$$$MY    "},
      {"a.t88",        "$$$A     "},
      {"",             "$$$      "},
      {"-x",           "$$$      "},
      {"caf\xC3\xA9x", "$$$CAF   "},
      {"z[",           "$$$Z     "},
  };
  for (const auto &c : cases) {
    const std::string t88 = T88File(At(Hex("00"), 0x9000), c.name);
    EXPECT_EQ(Tags(t88).at(3).bytes, c.block) << c.name;
    EXPECT_EQ(t88.size(), 146U) << c.name;  // the example's length less its three other bytes
  }
}
