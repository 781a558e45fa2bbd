// Sharp MZ cassette audio: an MZT image as the pulse train of a tape, in a 16-bit mono WAV file.
//
// A tape holds two parts, the header and the file, each recorded as
//   gap, tape mark, L, block, checksum, L, 256 S, copy, checksum, L, silence
// where a bit 0 is a short pulse S, a bit 1 a long pulse L, and a byte is L then its bits, most
// significant first. The MZ-700 timing gives the waveform of MAME's castool ("convert mz") sample
// for sample, including its copies of only the first half of each block's samples, so that the
// two files can be compared byte for byte.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "output/little_endian.h"
#include "output/output.h"

namespace {

// A pulse: so many samples high, then so many low.
struct Pulse {
  int high = 0;
  int low = 0;
};

// The lengths of one part of the tape, in pulses: the gap of short pulses before it and the
// tape mark (mark long pulses, then as many short ones).
struct PartTiming {
  int gap = 0;
  int mark = 0;
};

struct Timing {
  uint32_t sample_rate = 0;
  Pulse short_pulse;  // bit 0
  Pulse long_pulse;   // bit 1, and the start of each byte
  PartTiming header_part;
  PartTiming file_part;
  int copy_gap = 0;  // short pulses between a block's checksum and its copy
  int silence = 0;   // zero samples that end each part
};

// Indexed by TapeTiming.
// MZ-700: 4400 Hz, S = 1 + 1 samples (454.5 us), L = 2 + 2 (909.1 us).
// MZ-80B and MZ-2000: 48000 Hz, S = 8 + 8 samples (333 us), L = 16 + 16 (667 us). These are the
// values of the MZ-80B recording in MAME's tape code after release 0.251; no released conversion
// tool writes this timing, so there is no file to compare it with.
constexpr Timing kTimings[] = {
    {4400,  {1, 1}, {2, 2},   {22000, 40}, {11000, 20}, 256, 8000},
    {48000, {8, 8}, {16, 16}, {10000, 40}, {5000, 20},  256, 8000},
};
static_assert(sizeof kTimings / sizeof kTimings[0] == static_cast<size_t>(TapeTiming::Mz80b) + 1,
              "one row for each TapeTiming");

constexpr int16_t kHigh = 32767;
constexpr int16_t kLow = -32768;
constexpr size_t kSampleBytes = 2;
constexpr size_t kWavHeaderSize = 44;

// The pieces of one part of the tape, in the order they are recorded.
enum class Piece {
  Gap,         // short pulses
  MarkLongs,   // the tape mark's long pulses
  MarkShorts,  // and its short ones
  Long,        // one long pulse
  Block,       // the bytes of the part
  Checksum,    // the count of 1 bits in the block, two bytes, high byte first
  CopyGap,     // short pulses before the copy
  HalfCopy,    // the first half of the block's samples, cut wherever it falls
  Silence,
};

constexpr Piece kPart[] = {
    Piece::Gap,      Piece::MarkLongs, Piece::MarkShorts, Piece::Long,
    Piece::Block,    Piece::Checksum,  Piece::Long,       Piece::CopyGap,
    Piece::HalfCopy, Piece::Checksum,  Piece::Long,       Piece::Silence,
};

// The bytes of one part and what the pieces need to know of them.
struct Part {
  std::string_view bytes;
  PartTiming timing;
  uint8_t checksum[2] = {};
  size_t block_samples = 0;
  size_t checksum_samples = 0;
};

size_t PulseSamples(const Pulse &pulse) {
  return static_cast<size_t>(pulse.high) + static_cast<size_t>(pulse.low);
}

size_t Ones(uint8_t byte) {
  size_t ones = 0;
  for (; byte != 0; byte = static_cast<uint8_t>(byte & (byte - 1))) {
    ++ones;
  }
  return ones;
}

// The samples of count bytes holding ones 1 bits: each byte is a long pulse and eight bits.
size_t BytesSamples(const Timing &t, size_t count, size_t ones) {
  const size_t s = PulseSamples(t.short_pulse);
  const size_t l = PulseSamples(t.long_pulse);
  return count * (l + 8 * s) + ones * (l - s);
}

Part MakePart(const Timing &t, std::string_view bytes, PartTiming timing) {
  Part part;
  part.bytes = bytes;
  part.timing = timing;
  size_t ones = 0;
  for (char c : bytes) {
    ones += Ones(static_cast<uint8_t>(c));
  }
  const auto sum = static_cast<uint16_t>(ones & 0xFFFF);  // kept as 16 bits
  part.checksum[0] = static_cast<uint8_t>(sum >> 8);
  part.checksum[1] = static_cast<uint8_t>(sum & 0xFF);
  part.block_samples = BytesSamples(t, bytes.size(), ones);
  part.checksum_samples = BytesSamples(t, 2, Ones(part.checksum[0]) + Ones(part.checksum[1]));
  return part;
}

size_t PieceSamples(const Timing &t, const Part &part, Piece piece) {
  const size_t s = PulseSamples(t.short_pulse);
  const size_t l = PulseSamples(t.long_pulse);
  switch (piece) {
    case Piece::Gap:
      return static_cast<size_t>(part.timing.gap) * s;
    case Piece::MarkLongs:
      return static_cast<size_t>(part.timing.mark) * l;
    case Piece::MarkShorts:
      return static_cast<size_t>(part.timing.mark) * s;
    case Piece::Long:
      return l;
    case Piece::Block:
      return part.block_samples;
    case Piece::Checksum:
      return part.checksum_samples;
    case Piece::CopyGap:
      return static_cast<size_t>(t.copy_gap) * s;
    case Piece::HalfCopy:
      return part.block_samples / 2;
    case Piece::Silence:
      return static_cast<size_t>(t.silence);
  }
  return 0;
}

// Appends the samples to a string whose room was reserved beforehand.
struct SampleWriter {
  std::string &out;
  std::string short_pulse;  // the little-endian sample bytes of each pulse
  std::string long_pulse;

  void Pulses(const std::string &pulse, int count) {
    for (int i = 0; i < count; ++i) {
      out += pulse;
    }
  }
  void Byte(uint8_t byte) {
    out += long_pulse;
    for (int bit = 7; bit >= 0; --bit) {
      out += (byte >> bit & 1) != 0 ? long_pulse : short_pulse;
    }
  }
};

// The samples of a pulse as the bytes of the WAV file.
std::string PulseBytes(const Pulse &pulse) {
  std::string bytes;
  for (int i = 0; i < pulse.high + pulse.low; ++i) {
    const auto sample = static_cast<uint16_t>(i < pulse.high ? kHigh : kLow);
    bytes += static_cast<char>(sample & 0xFF);
    bytes += static_cast<char>(sample >> 8);
  }
  return bytes;
}

void WritePart(const Timing &t, const Part &part, SampleWriter &w) {
  size_t block_start = 0;  // offset of the block's first sample byte in the output
  for (Piece piece : kPart) {
    switch (piece) {
      case Piece::Gap:
        w.Pulses(w.short_pulse, part.timing.gap);
        break;
      case Piece::MarkLongs:
        w.Pulses(w.long_pulse, part.timing.mark);
        break;
      case Piece::MarkShorts:
        w.Pulses(w.short_pulse, part.timing.mark);
        break;
      case Piece::Long:
        w.Pulses(w.long_pulse, 1);
        break;
      case Piece::Block:
        block_start = w.out.size();
        for (char c : part.bytes) {
          w.Byte(static_cast<uint8_t>(c));
        }
        break;
      case Piece::Checksum:
        w.Byte(part.checksum[0]);
        w.Byte(part.checksum[1]);
        break;
      case Piece::CopyGap:
        w.Pulses(w.short_pulse, t.copy_gap);
        break;
      case Piece::HalfCopy:
        // The room is reserved, so the string does not move while it copies from itself.
        w.out.append(w.out, block_start, part.block_samples / 2 * kSampleBytes);
        break;
      case Piece::Silence:
        w.out.append(static_cast<size_t>(t.silence) * kSampleBytes, '\0');
        break;
    }
  }
}

void Append16(std::string &out, uint32_t value) {
  uint8_t field[2];
  Put16(field, value);
  out.append(reinterpret_cast<const char *>(field), sizeof field);
}

void Append32(std::string &out, uint32_t value) {
  uint8_t field[4];
  Put32(field, value);
  out.append(reinterpret_cast<const char *>(field), sizeof field);
}

// The canonical 44-byte header of a PCM WAV file: RIFF, the fmt chunk, the data chunk's head.
void PutWavHeader(std::string &out, uint32_t sample_rate, size_t samples) {
  const auto data_size = static_cast<uint32_t>(samples * kSampleBytes);
  out += "RIFF";
  Append32(out, 36 + data_size);
  out += "WAVEfmt ";
  Append32(out, 16);  // the size of the fmt chunk
  Append16(out, 1);   // PCM
  Append16(out, 1);   // mono
  Append32(out, sample_rate);
  Append32(out, sample_rate * kSampleBytes);  // bytes per second
  Append16(out, kSampleBytes);                // bytes per sample frame
  Append16(out, 16);                          // bits per sample
  out += "data";
  Append32(out, data_size);
}

}  // namespace

// An image shorter than a header is recorded with the header completed by zero bytes. An empty
// body still gets its file part: an empty block, checksum 0000 and an empty copy. The WAV size
// fields hold 32 bits, which an MZT's 16-bit body (at most 57 MB of MZ-80B audio) stays far below.
std::string MzTapeWav(std::string_view mzt, TapeTiming timing) {
  const Timing &t = kTimings[static_cast<size_t>(timing)];
  char header[kMztHeaderSize] = {};
  const size_t header_size = mzt.size() < kMztHeaderSize ? mzt.size() : kMztHeaderSize;
  std::memcpy(header, mzt.data(), header_size);
  const Part parts[] = {
      MakePart(t, std::string_view(header, kMztHeaderSize), t.header_part),
      MakePart(t, mzt.substr(header_size), t.file_part),
  };

  size_t samples = 0;
  for (const Part &part : parts) {
    for (Piece piece : kPart) {
      samples += PieceSamples(t, part, piece);
    }
  }
  std::string out;
  out.reserve(kWavHeaderSize + samples * kSampleBytes);
  PutWavHeader(out, t.sample_rate, samples);
  SampleWriter writer{out, PulseBytes(t.short_pulse), PulseBytes(t.long_pulse)};
  for (const Part &part : parts) {
    WritePart(t, part, writer);
  }
  return out;
}
