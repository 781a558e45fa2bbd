// Tests of the Sharp MZ cassette audio: the WAV fields, the length of the recording, where each
// piece of the tape lies, the checksums and the half copies, for both timings. The samples are
// read back by a pulse decoder of this file, not by the writer's tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "output/output.h"

namespace {

constexpr size_t kDataStart = 44;

std::string HelloHeader(uint16_t size) {
  uint8_t header[kMztHeaderSize] = {};
  EncodeMztName(header, "HELLO");
  std::string image(reinterpret_cast<const char *>(header), kMztHeaderSize);
  image[0x12] = static_cast<char>(size & 0xFF);
  image[0x13] = static_cast<char>(size >> 8);
  image[0x14] = image[0x16] = '\0';
  image[0x15] = image[0x17] = '\x12';  // load and exec at 1200h
  return image;
}

uint32_t Word32(const std::string &wav, size_t at) {
  uint32_t value = 0;
  for (size_t k = 4; k-- > 0;) {
    value = value << 8 | static_cast<uint8_t>(wav[at + k]);
  }
  return value;
}

std::vector<int> Samples(const std::string &wav) {
  std::vector<int> samples;
  for (size_t at = kDataStart; at + 1 < wav.size(); at += 2) {
    const auto raw = static_cast<uint16_t>(static_cast<uint8_t>(wav[at]) |
                                           static_cast<uint8_t>(wav[at + 1]) << 8);
    samples.push_back(raw >= 0x8000 ? static_cast<int>(raw) - 0x10000 : static_cast<int>(raw));
  }
  return samples;
}

// The pulses of samples[from, to): 'S' for a short one, 'L' for a long one ('?' for any other
// shape), 'z' for each zero sample.
std::string Pulses(const std::vector<int> &samples, size_t from, size_t to, int short_half) {
  std::string pulses;
  size_t at = from;
  while (at < to) {
    if (samples[at] == 0) {
      pulses += 'z';
      ++at;
      continue;
    }
    size_t high = 0;
    size_t low = 0;
    for (; at < to && samples[at] == 32767; ++at) {
      ++high;
    }
    for (; at < to && samples[at] == -32768; ++at) {
      ++low;
    }
    const auto half = static_cast<size_t>(short_half);
    pulses += high == half && low == half ? 'S' : high == 2 * half && low == 2 * half ? 'L' : '?';
    if (high == 0 && low == 0) {
      ++at;  // a sample of another value
    }
  }
  return pulses;
}

// The pulses of bytes: for each an L, then its bits as S or L, most significant first.
std::string PulsesOf(const std::string &bytes) {
  std::string pulses;
  for (char c : bytes) {
    pulses += 'L';
    for (int bit = 7; bit >= 0; --bit) {
      pulses += (static_cast<uint8_t>(c) >> bit & 1) != 0 ? 'L' : 'S';
    }
  }
  return pulses;
}

// A gap of short pulses, then a tape mark of marks long and marks short pulses and an L.
std::string GapAndMark(size_t gap, size_t marks) {
  return std::string(gap, 'S') + std::string(marks, 'L') + std::string(marks, 'S') + "L";
}

// Whether samples[copy, copy + count) repeat samples[block, block + count).
bool Copied(const std::vector<int> &s, size_t copy, size_t block, size_t count) {
  const auto at = [&s](size_t k) { return s.begin() + static_cast<ptrdiff_t>(k); };
  return copy + count <= s.size() && std::equal(at(copy), at(copy + count), at(block));
}

size_t Ones(const std::string &bytes) {
  size_t ones = 0;
  for (char c : bytes) {
    for (auto b = static_cast<uint8_t>(c); b != 0; b = static_cast<uint8_t>(b >> 1)) {
      ones += b & 1U;
    }
  }
  return ones;
}

// The MZ-700 samples of a block of bytes and of its checksum.
size_t BlockSamples(const std::string &bytes) { return 20 * bytes.size() + 2 * Ones(bytes); }
size_t ChecksumSamples(const std::string &block) {
  const auto sum = static_cast<uint16_t>(Ones(block));
  return BlockSamples(std::string{static_cast<char>(sum >> 8), static_cast<char>(sum & 0xFF)});
}

// Where the file block starts: behind the header part and the gap and mark of the file part.
size_t FileStart(const std::string &header) {
  const size_t h = BlockSamples(header);
  const size_t ch = ChecksumSamples(header);
  return 44244 + h + ch + 516 + h / 2 + ch + 4 + 8000 + 22124;
}

// The 511-byte program: 7 bytes of code (22 bits set), DS 500, "END" and a line end.
std::string HelloImage() {
  std::string body = std::string("\x21\x1F\x12\xCD\x1D\x00\xC9", 7) + std::string(500, '\0');
  body += "END\r";
  return HelloHeader(static_cast<uint16_t>(body.size())) + body;
}

}  // namespace

TEST(MzTapeWav, WavHeaderFields) {
  const struct {
    TapeTiming timing;
    uint32_t rate;
  } cases[] = {
      {TapeTiming::Mz700, 4400 },
      {TapeTiming::Mz80b, 48000},
  };
  for (const auto &c : cases) {
    const std::string wav = MzTapeWav(HelloImage(), c.timing);
    ASSERT_GT(wav.size(), kDataStart);
    const uint32_t data_size = static_cast<uint32_t>(wav.size() - kDataStart);
    EXPECT_EQ(wav.substr(0, 4), "RIFF");
    EXPECT_EQ(Word32(wav, 4), 36 + data_size);
    EXPECT_EQ(wav.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(Word32(wav, 16), 16u);
    EXPECT_EQ(Word32(wav, 20), 0x00010001u);  // PCM, one channel
    EXPECT_EQ(Word32(wav, 24), c.rate);
    EXPECT_EQ(Word32(wav, 28), 2 * c.rate);
    EXPECT_EQ(Word32(wav, 32), 0x00100002u);  // 2 bytes a frame, 16 bits
    EXPECT_EQ(wav.substr(36, 4), "data");
    EXPECT_EQ(Word32(wav, 40), data_size);
  }
}

// 83408 fixed samples, each block and checksum, and half of each block again.
TEST(MzTapeWav, SampleCountFollowsTheBlocks) {
  std::string counting;
  for (int i = 0; i < 1024; ++i) {
    counting += static_cast<char>(i & 0xFF);
  }
  const std::string bodies[] = {
      std::string(369, '\0'),     std::string(300, '\xFF'), counting, std::string(257, '\xA5'), "x",
      std::string(0xFFFF, '\xFF')};
  for (const std::string &body : bodies) {
    const std::string header = HelloHeader(static_cast<uint16_t>(body.size()));
    const size_t h = BlockSamples(header);
    const size_t f = BlockSamples(body);
    const size_t expected =
        83408 + h + h / 2 + 2 * ChecksumSamples(header) + f + f / 2 + 2 * ChecksumSamples(body);
    const std::string wav = MzTapeWav(header + body, TapeTiming::Mz700);
    EXPECT_EQ(wav.size(), kDataStart + 2 * expected) << body.size();
  }
}

// The segments of the 511-byte program end where they end in castool's recording of it.
TEST(MzTapeWav, SegmentsOfA511ByteProgram) {
  const std::string image = HelloImage();
  const std::string header = image.substr(0, kMztHeaderSize);
  const std::string body = image.substr(kMztHeaderSize);
  ASSERT_EQ(Ones(header), 44u);
  ASSERT_EQ(Ones(body), 34u);
  const std::vector<int> s = Samples(MzTapeWav(image, TapeTiming::Mz700));
  ASSERT_EQ(s.size(), 102992u);

  const std::string header_mark = GapAndMark(22000, 40);
  const std::string header_block = PulsesOf(header);
  const std::string header_sum = PulsesOf(std::string("\x00\x2C", 2));
  const std::string file_mark = GapAndMark(11000, 20);
  const std::string file_block = PulsesOf(body);
  const std::string file_sum = PulsesOf(std::string("\x00\x22", 2));
  const std::string copy_gap = "L" + std::string(256, 'S');
  const std::string silence = "L" + std::string(8000, 'z');
  const std::string half_copy;  // checked sample by sample below
  const struct {
    size_t end;
    std::string pulses;
  } segments[] = {
      {44244,  header_mark          },
      {46892,  header_block         },
      {47454,  header_sum + copy_gap},
      {48778,  half_copy            },
      {56828,  header_sum + silence },
      {78952,  file_mark            },
      {89240,  file_block           },
      {89800,  file_sum + copy_gap  },
      {94944,  half_copy            },
      {102992, file_sum + silence   },
  };
  size_t from = 0;
  for (const auto &segment : segments) {
    if (!segment.pulses.empty()) {
      EXPECT_EQ(Pulses(s, from, segment.end, 1), segment.pulses) << from;
    }
    from = segment.end;
  }
  EXPECT_TRUE(Copied(s, 47454, 44244, 1324));
  EXPECT_TRUE(Copied(s, 89800, 78952, 5144));
}

// A checksum over 255 sends its high byte first; one over FFFFh keeps its low 16 bits.
TEST(MzTapeWav, ChecksumHighByteFirst) {
  const struct {
    size_t ff_bytes;
    const char *checksum;
  } cases[] = {
      {300,    "\x09\x60"}, // 2400 ones
      {0x2001, "\x00\x08"}, // 65544 ones
  };
  for (const auto &c : cases) {
    const std::string body(c.ff_bytes, '\xFF');
    const std::string header = HelloHeader(static_cast<uint16_t>(body.size()));
    const std::vector<int> s = Samples(MzTapeWav(header + body, TapeTiming::Mz700));
    const size_t at = FileStart(header) + BlockSamples(body);
    EXPECT_EQ(Pulses(s, at, at + ChecksumSamples(body), 1), PulsesOf(std::string(c.checksum, 2)))
        << c.ff_bytes;
  }
}

// The copy of a block ends after floor(H/2) samples even inside a pulse; the checksum follows
// at once, so the cut pulse runs into its first long pulse.
TEST(MzTapeWav, HalfCopyCutInsideAPulse) {
  std::string header(kMztHeaderSize, '\0');
  header[0] = '\x01';  // H = 2562: the cut falls after the high sample of a short pulse
  const std::string body(400, '\0');
  const std::vector<int> s = Samples(MzTapeWav(header + body, TapeTiming::Mz700));
  const size_t block = 44244;
  const size_t h = BlockSamples(header);
  ASSERT_EQ(h, 2562u);
  const size_t copy = block + h + ChecksumSamples(header) + 516;
  EXPECT_EQ(s[block + h / 2 - 1], 32767);
  EXPECT_EQ(s[block + h / 2], -32768);  // the block goes on with the low half of the pulse
  EXPECT_TRUE(Copied(s, copy, block, h / 2));
  const std::vector<int> joint(s.begin() + static_cast<ptrdiff_t>(copy + h / 2 - 1),
                               s.begin() + static_cast<ptrdiff_t>(copy + h / 2 + 4));
  EXPECT_EQ(joint, (std::vector<int>{32767, 32767, 32767, -32768, -32768}));
  const std::string sum = {'\0', '\x01'};
  EXPECT_EQ(Pulses(s, copy + h / 2, copy + h / 2 + ChecksumSamples(header), 1), PulsesOf(sum));
}

// An empty body still has its file part: an empty block with checksum 0000 and an empty copy.
TEST(MzTapeWav, EmptyBodyKeepsTheFilePart) {
  const std::string header = HelloHeader(0);
  const std::vector<int> s = Samples(MzTapeWav(header, TapeTiming::Mz700));
  const size_t file = FileStart(header);
  ASSERT_EQ(s.size(), file + 40 + 516 + 40 + 4 + 8000);
  EXPECT_EQ(Pulses(s, 44244, 44244 + BlockSamples(header), 1), PulsesOf(header));
  EXPECT_EQ(Pulses(s, file - 22124 - 8004, file - 22124, 1), "L" + std::string(8000, 'z'));
  const std::string zero_sum = PulsesOf(std::string(2, '\0'));
  EXPECT_EQ(Pulses(s, file - 22124, s.size(), 1), GapAndMark(11000, 20) + zero_sum + "L" +
                                                      std::string(256, 'S') + zero_sum + "L" +
                                                      std::string(8000, 'z'));
}

// The MZ-80B timing: 48000 Hz, S = 8 + 8 samples, L = 16 + 16, gaps of 10000 and 5000 S.
TEST(MzTapeWav, Mz80bTiming) {
  const std::string image = HelloImage();
  const std::string header = image.substr(0, kMztHeaderSize);
  const std::string body = image.substr(kMztHeaderSize);
  const std::vector<int> s = Samples(MzTapeWav(image, TapeTiming::Mz80b));
  const size_t h = 8 * BlockSamples(header);  // each pulse 8 times as long as at 4400 Hz
  const size_t ch = 8 * ChecksumSamples(header);
  const size_t f = 8 * BlockSamples(body);
  const size_t cf = 8 * ChecksumSamples(body);
  const size_t short_pulse = 16;  // samples
  const size_t long_pulse = 32;
  const size_t header_mark = 10000 * short_pulse + 40 * long_pulse + 40 * short_pulse + long_pulse;
  const size_t header_part =
      header_mark + h + ch + long_pulse + 256 * short_pulse + h / 2 + ch + long_pulse + 8000;
  const size_t file_mark = 5000 * short_pulse + 20 * long_pulse + 20 * short_pulse + long_pulse;
  ASSERT_EQ(s.size(), header_part + file_mark + f + cf + long_pulse + 256 * short_pulse + f / 2 +
                          cf + long_pulse + 8000);

  EXPECT_EQ(Pulses(s, 0, header_mark, 8), GapAndMark(10000, 40));
  EXPECT_EQ(Pulses(s, header_mark, header_mark + h, 8), PulsesOf(header));
  EXPECT_EQ(Pulses(s, header_part - 8000 - long_pulse, header_part, 8),
            "L" + std::string(8000, 'z'));
  const size_t file = header_part + file_mark;
  EXPECT_EQ(Pulses(s, header_part, file, 8), GapAndMark(5000, 20));
  EXPECT_EQ(Pulses(s, file, file + f, 8), PulsesOf(body));
  const std::string checksum = {'\0', static_cast<char>(Ones(body))};
  EXPECT_EQ(Pulses(s, file + f, file + f + cf, 8), PulsesOf(checksum));
  const size_t copy = file + f + cf + long_pulse + 256 * short_pulse;
  EXPECT_TRUE(Copied(s, copy, file, f / 2));
  EXPECT_EQ(Pulses(s, copy + f / 2, copy + f / 2 + cf, 8), PulsesOf(checksum));
}
