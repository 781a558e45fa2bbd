// The characters of strings and character constants: bytes as they are in a CP932 source, UTF-8
// characters converted to their CP932 codes under --source-encoding=utf-8.
#include <algorithm>
#include <cstdio>
#include <string>

#include "lexer/lexer.h"
#include "lexer/scanner.h"

namespace {

using lexer::Cp932Run;

constexpr Cp932Run kCp932Runs[] = {
#include "base/cp932_table.inc"
};

// The well-formed UTF-8 sequences by their first byte: their length, and the range the second
// byte lies in (every later byte lies in 80h..BFh). The narrower second ranges leave out the
// overlong forms, the surrogates and everything beyond U+10FFFF.
struct Utf8Lead {
  uint8_t low;
  uint8_t high;
  uint8_t length;
  uint8_t second_low;
  uint8_t second_high;
};

constexpr Utf8Lead kUtf8Leads[] = {
    {0x00, 0x7F, 1, 0x00, 0x00},
    {0xC2, 0xDF, 2, 0x80, 0xBF},
    {0xE0, 0xE0, 3, 0xA0, 0xBF},
    {0xE1, 0xEC, 3, 0x80, 0xBF},
    {0xED, 0xED, 3, 0x80, 0x9F},
    {0xEE, 0xEF, 3, 0x80, 0xBF},
    {0xF0, 0xF0, 4, 0x90, 0xBF},
    {0xF1, 0xF3, 4, 0x80, 0xBF},
    {0xF4, 0xF4, 4, 0x80, 0x8F},
};

// The payload bits of the first byte of a sequence of each length (index: length).
constexpr uint8_t kLeadBits[] = {0x00, 0x7F, 0x1F, 0x0F, 0x07};

// Decodes the UTF-8 character at text, which ends at its NUL (no continuation byte is a NUL):
// its length and code point, or 0 when the bytes are malformed, the length of the malformed
// part in bad (the first byte and the continuation bytes that fit it before the fault).
int32_t DecodeUtf8(const char *text, uint32_t &code, int32_t &bad) {
  const auto first = static_cast<uint8_t>(text[0]);
  const Utf8Lead *lead =
      std::find_if(std::begin(kUtf8Leads), std::end(kUtf8Leads),
                   [&](const Utf8Lead &row) { return first >= row.low && first <= row.high; });
  bad = 1;
  if (lead == std::end(kUtf8Leads)) {
    return 0;
  }
  code = first & kLeadBits[lead->length];
  for (int32_t i = 1; i < lead->length; ++i) {
    const auto next = static_cast<uint8_t>(text[i]);
    const uint8_t low = i == 1 ? lead->second_low : 0x80;
    const uint8_t high = i == 1 ? lead->second_high : 0xBF;
    if (next < low || next > high) {
      bad = i;
      return 0;
    }
    code = code << 6 | (next & 0x3F);
  }
  return lead->length;
}

// The CP932 bytes of a code point, the run that holds it found by halves: their number (0 when
// no run holds it, 1 for a code below 100h, else 2, the lead byte first).
int32_t Cp932Bytes(uint32_t code, uint8_t (&bytes)[2]) {
  const Cp932Run *after =
      std::upper_bound(std::begin(kCp932Runs), std::end(kCp932Runs), code,
                       [](uint32_t value, const Cp932Run &run) { return value < run.first; });
  if (after == std::begin(kCp932Runs) || code - after[-1].first >= after[-1].count) {
    return 0;
  }
  const uint32_t cp932 = after[-1].code + (code - after[-1].first);
  if (cp932 < 0x100) {
    bytes[0] = static_cast<uint8_t>(cp932);
    return 1;
  }
  bytes[0] = static_cast<uint8_t>(cp932 >> 8);
  bytes[1] = static_cast<uint8_t>(cp932);
  return 2;
}

bool Printable(uint32_t code) {
  return code >= 0x20 && code != 0x7F && !(code >= 0x80 && code < 0xA0);
}

// How a message names a character: by its code point, and where the printed text can hold it,
// the character itself in quotes (CP932 messages only those with a CP932 code).
std::string CharacterName(const TextChar &c) {
  char code[16];
  std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c.code));
  std::string name = code;
  if (!Printable(c.code)) {
    return name;
  }
  if (CurrentMessageSettings().language != MessageLanguage::Cp932) {
    name.append(" '").append(c.start, static_cast<size_t>(c.length)).push_back('\'');
  } else if (c.count > 0) {
    name.append(" '")
        .append(reinterpret_cast<const char *>(c.bytes), static_cast<size_t>(c.count))
        .push_back('\'');
  }
  return name;
}

// The malformed bytes as the message writes them: "E3 81".
std::string HexBytes(const char *text, int32_t length) {
  std::string hex;
  for (int32_t i = 0; i < length; ++i) {
    char byte[4];
    std::snprintf(byte, sizeof byte, "%s%02X", i > 0 ? " " : "",
                  static_cast<unsigned>(static_cast<uint8_t>(text[i])));
    hex += byte;
  }
  return hex;
}

}  // namespace

std::span<const Cp932Run> lexer::Cp932Runs() { return kCp932Runs; }

std::string TextForMessages(const AssemblerState &st, std::string_view text) {
  if (!st.options.source_utf8 || CurrentMessageSettings().language != MessageLanguage::Cp932) {
    return std::string(text);
  }
  const std::string whole(text);  // NUL-terminated: the decoder stops at its end
  std::string printed;
  for (size_t at = 0; at < whole.size();) {
    uint32_t code = 0;
    int32_t bad = 0;
    const int32_t length = DecodeUtf8(whole.c_str() + at, code, bad);
    uint8_t bytes[2] = {'?'};
    const int32_t count = length > 0 ? std::max(Cp932Bytes(code, bytes), 1) : 1;
    printed.append(reinterpret_cast<const char *>(bytes), static_cast<size_t>(count));
    at += static_cast<size_t>(length > 0 ? length : bad);
  }
  return printed;
}

bool lexer::ReadTextChar(AssemblerState &st, const char *text, TextChar &c) {
  c = TextChar{};
  c.start = text;
  c.length = *text != '\0' ? 1 : 0;  // the end of the line is never passed
  c.code = static_cast<uint8_t>(*text);
  c.bytes[0] = static_cast<uint8_t>(*text);
  c.count = 1;
  if (!st.options.source_utf8 || c.code < 0x80) {
    return true;  // a byte as it is; ASCII is the same in both encodings
  }
  int32_t bad = 0;
  c.length = DecodeUtf8(text, c.code, bad);
  if (c.length == 0) {
    SetError(st, Msg::MalformedUtf8, HexBytes(text, bad).c_str());
    SetErrorColumn(st, text);
    return false;
  }
  c.count = Cp932Bytes(c.code, c.bytes);
  return true;
}

bool TakeTextChar(AssemblerState &st, TextChar &c) {
  if (!lexer::ReadTextChar(st, st.scan.pos, c)) {
    return false;
  }
  st.scan.pos += c.length;
  return true;
}

void SetNoCodeError(AssemblerState &st, const TextChar &c, const char *map) {
  const std::string name = CharacterName(c);
  if (map == nullptr) {
    SetError(st, Msg::NoShiftJisCode, name.c_str());
  } else {
    SetError(st, Msg::NoCharMapCode, name.c_str(), map);
  }
  SetErrorColumn(st, c.start);
}
