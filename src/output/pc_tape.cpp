// PC-8001/8801 tapes: the machine-language monitor's records (the whole of a CMT file) and the
// T88 tape image that carries them between carrier tones.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "output/little_endian.h"
#include "output/output.h"

namespace {

// ---- Monitor records -----------------------------------------------------------------------
//   address record   3A  high  low  check
//   data record      3A  n  data[n]  check     (n = 1..255)
//   end record       3A  00  00
// Each check byte brings the sum of its record's bytes after the 3A to 0 mod 256.

constexpr uint8_t kRecordMark = 0x3A;
constexpr int32_t kDataRecordBytes = 128;  // every data record but the last, which holds the rest
constexpr uint32_t kAddressMask = 0xFFFF;  // the monitor's address is 16 bits wide
// The end record's n = 0, with a check byte after it: right for a loader that reads one and
// for one that stops at the 00.
constexpr uint8_t kEndRecord[] = {kRecordMark, 0x00, 0x00};

uint8_t CheckByte(uint32_t sum) { return static_cast<uint8_t>((0x100 - (sum & 0xFF)) & 0xFF); }

void PutByte(std::string &out, uint32_t value) {
  out += static_cast<char>(static_cast<uint8_t>(value & 0xFF));
}

// Appends the records of the image to out; starts receives the offset in out of every record.
void AppendRecords(std::string &out, const Image &image, std::vector<size_t> &starts) {
  const uint32_t address = static_cast<uint32_t>(image.load_address) & kAddressMask;
  starts.push_back(out.size());
  PutByte(out, kRecordMark);
  PutByte(out, address >> 8);  // big-endian, unlike the Z80's memory order
  PutByte(out, address);
  PutByte(out, CheckByte((address >> 8) + (address & 0xFF)));

  for (int32_t offset = 0; offset < image.length; offset += kDataRecordBytes) {
    const int32_t count =
        image.length - offset < kDataRecordBytes ? image.length - offset : kDataRecordBytes;
    starts.push_back(out.size());
    PutByte(out, kRecordMark);
    PutByte(out, static_cast<uint32_t>(count));
    uint32_t sum = static_cast<uint32_t>(count);
    for (int32_t i = 0; i < count; ++i) {
      const uint8_t value = image.bytes[offset + i];
      PutByte(out, value);
      sum += value;
    }
    PutByte(out, CheckByte(sum));
  }

  starts.push_back(out.size());
  out.append(reinterpret_cast<const char *>(kEndRecord), sizeof kEndRecord);
}

// ---- T88 -----------------------------------------------------------------------------------
//   file = header (24 bytes), tags..., end tag
//   tag  = id (2), length of the data (2), data        (all numbers little-endian)
// A timed tag's data begin with its start time and duration, in ticks of 1/4800 s; the start
// time is the sum of the durations of the timed tags before it.

constexpr std::string_view kT88Header{"PC-8801 Tape Image(T88)\0", 24};

enum class TagId : uint16_t {
  End = 0x0000,
  Version = 0x0001,
  Blank = 0x0100,  // silence (not written)
  Data = 0x0101,
  Space = 0x0102,  // carrier at 1200 Hz
  Mark = 0x0103,   // carrier at 2400 Hz: the leader before data
};

constexpr uint32_t kT88Version = 0x0100;  // 1.0: major in the high byte
constexpr uint32_t kTicksPerByte = 44;    // 11 bit times at 1200 bit/s
constexpr uint32_t kType1200 = 0x01CC;    // data tag type word: 1200 bit/s
constexpr size_t kDataInfoBytes = 12;     // start time, duration, byte count, type word
// The tag length is 16 bits, and counts the information bytes too.
constexpr size_t kMostDataBytes = 0xFFFF - kDataInfoBytes;

// The name block: "$$$", up to six letters and digits of the name, blanks to nine bytes.
constexpr std::string_view kNameMark = "$$$";
constexpr size_t kNameLetters = 6;
constexpr size_t kNameBlockBytes = 9;

// What one stretch of the tape holds: a carrier tone, or the bytes of a data tag.
enum class Contents { Carrier, NameBlock, Records };

struct Stretch {
  TagId tag;
  uint32_t ticks;  // a carrier's duration; a data tag's comes from its byte count
  Contents contents;
};

// The tape after the version tag, in order.
constexpr Stretch kT88Layout[] = {
    {TagId::Space, 7928, Contents::Carrier  }, // 1.65 s
    {TagId::Mark,  1320, Contents::Carrier  }, // 0.275 s leader
    {TagId::Data,  0,    Contents::NameBlock},
    {TagId::Mark,  330,  Contents::Carrier  },
    {TagId::Data,  0,    Contents::Records  },
    {TagId::Mark,  3966, Contents::Carrier  },
    {TagId::Space, 9252, Contents::Carrier  },
};

constexpr bool DataRowsAreDataTags() {
  for (const Stretch &stretch : kT88Layout) {
    if ((stretch.contents != Contents::Carrier) != (stretch.tag == TagId::Data)) {
      return false;
    }
  }
  return true;
}
static_assert(DataRowsAreDataTags(), "a row's tag must agree with what it holds");

struct TapeWriter {
  std::string out;
  uint32_t time = 0;  // where the next timed tag starts
};

void PutField(std::string &out, uint32_t value, int bytes) {
  uint8_t field[4];
  Put32(field, value);
  out.append(reinterpret_cast<const char *>(field), static_cast<size_t>(bytes));
}

// Appends a tag whose data are info followed by body.
void PutTag(TapeWriter &tape, TagId id, std::string_view info, std::string_view body) {
  PutField(tape.out, static_cast<uint32_t>(id), 2);
  PutField(tape.out, static_cast<uint32_t>(info.size() + body.size()), 2);
  tape.out += info;
  tape.out += body;
}

void PutTimedTag(TapeWriter &tape, TagId id, uint32_t ticks, std::string_view info,
                 std::string_view body) {
  std::string timing;
  PutField(timing, tape.time, 4);
  PutField(timing, ticks, 4);
  timing += info;
  PutTag(tape, id, timing, body);
  tape.time += ticks;
}

// A data tag at 1200 bit/s holding bytes (at most kMostDataBytes).
void PutDataTag(TapeWriter &tape, std::string_view bytes) {
  std::string info;
  PutField(info, static_cast<uint32_t>(bytes.size()), 2);
  PutField(info, kType1200, 2);
  PutTimedTag(tape, TagId::Data, static_cast<uint32_t>(bytes.size()) * kTicksPerByte, info, bytes);
}

// The records in data tags, one unless they are too long for a tag's length field (an image
// of about 62.5 KiB or more); then each tag but the last holds as many whole records as fit.
void PutRecordTags(TapeWriter &tape, const Image &image) {
  std::string records;
  std::vector<size_t> starts;
  AppendRecords(records, image, starts);
  const std::string_view all = records;
  size_t first = 0;  // where the records of the tag being filled begin
  for (size_t k = 1; k < starts.size(); ++k) {
    const size_t end = k + 1 < starts.size() ? starts[k + 1] : all.size();
    if (end - first > kMostDataBytes) {
      PutDataTag(tape, all.substr(first, starts[k] - first));
      first = starts[k];
    }
  }
  PutDataTag(tape, all.substr(first));
}

bool IsLetterOrDigit(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

std::string NameBlock(std::string_view name) {
  std::string block(kNameMark);
  for (char c : name) {
    if (!IsLetterOrDigit(c) || block.size() == kNameMark.size() + kNameLetters) {
      break;
    }
    block += Upper(c);
  }
  block.resize(kNameBlockBytes, ' ');
  return block;
}

}  // namespace

std::string MonitorTapeRecords(const Image &image) {
  std::string records;
  std::vector<size_t> starts;
  AppendRecords(records, image, starts);
  return records;
}

std::string T88File(const Image &image, std::string_view name) {
  TapeWriter tape;
  tape.out = kT88Header;
  std::string version;
  PutField(version, kT88Version, 2);
  PutTag(tape, TagId::Version, version, {});
  for (const Stretch &stretch : kT88Layout) {
    switch (stretch.contents) {
      case Contents::Carrier:
        PutTimedTag(tape, stretch.tag, stretch.ticks, {}, {});
        break;
      case Contents::NameBlock:
        PutDataTag(tape, NameBlock(name));
        break;
      case Contents::Records:
        PutRecordTags(tape, image);
        break;
    }
  }
  PutTag(tape, TagId::End, {}, {});
  return tape.out;
}
