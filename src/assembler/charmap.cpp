// Character maps: DB strings converted into a Sharp MZ character set, and the CHRMAP, MAPCHR
// and DISPC directives.
#include "assembler/charmap.h"

#include <iterator>
#include <span>
#include <string_view>

#include "assembler/code.h"
#include "assembler/emit.h"
#include "lexer/lexer.h"

namespace {

// The maps CHRMAP selects, by their number in CharMapState::map.
enum CharMap : int32_t {
  kMapAscii = 0,      // source codes unchanged
  kMapMzAscii = 1,    // MZ-ASCII: upper-case letters, lower case behind the shift code
  kMapMzAsciiEu = 2,  // MZ-ASCII, European variant
  kMapDisplay = 3,    // display code
  kMapDisplayEu = 4,  // display code, European variant
  kMapUser = 5,       // filled by MAPCHR
};

struct MapName {
  std::string_view name;  // upper case; CHRMAP names are compared without regard to case
  CharMap map;
};

constexpr MapName kMapNames[] = {
    {"ASCII",          kMapAscii    },
    {"MZ-ASCII",       kMapMzAscii  },
    {"MZ-ASCII-JP",    kMapMzAscii  },
    {"MZ-ASCII-EU",    kMapMzAsciiEu},
    {"DISPLAYCODE",    kMapDisplay  },
    {"DISPLAYCODE-JP", kMapDisplay  },
    {"DISPLAYCODE-EU", kMapDisplayEu},
    {"USER-DEFINED",   kMapUser     },
};

constexpr size_t kMaxMapName = 63;

// What each map takes under --source-encoding=utf-8, by its number: the CP932 bytes of any
// character (the maps that pass codes through), or the one byte of an ASCII character, and in
// the Japanese maps of a half-width katakana too (A1h..DFh).
enum class MapInput : uint8_t { Cp932, Ascii, AsciiKana };

constexpr MapInput kMapInputs[] = {
    MapInput::Cp932,      // ASCII
    MapInput::AsciiKana,  // MZ-ASCII
    MapInput::Ascii,      // MZ-ASCII-EU
    MapInput::AsciiKana,  // DISPLAYCODE
    MapInput::Ascii,      // DISPLAYCODE-EU
    MapInput::Cp932,      // USER-DEFINED
};
static_assert(std::size(kMapInputs) == kMapUser + 1);

// MZ-ASCII: the code that switches between upper and lower case letters.
constexpr uint8_t kShiftCode = 0x05;

// MZ-ASCII-EU codes of '^' and '_'.
constexpr uint8_t kEuCaret = 0x8B;
constexpr uint8_t kEuUnderscore = 0x90;

// Each table gives the codes of the source bytes from its first code on, one row of 16 source
// codes a line; the comment in front of a row is the row's first source code.
// clang-format off

// Display code of source codes 20h..7Fh (DISPLAYCODE and DISPC).
constexpr uint8_t kDisplayFirst = 0x20;
constexpr uint8_t kDisplay[] = {
    /* 20 */ 0x00, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6B, 0x6A, 0x2F, 0x2A, 0x2E, 0x2D,
    /* 30 */ 0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28, 0x29, 0x4F, 0x2C, 0x51, 0x2B, 0x57, 0x49,
    /* 40 */ 0x55, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F,
    /* 50 */ 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x52, 0x59, 0x54, 0x50, 0x3C,
    /* 60 */ 0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F,
    /* 70 */ 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x00, 0x79, 0x00, 0xE3, 0x00,
};

// Display code of source codes A0h..DFh, the half-width katakana (DISPLAYCODE and DISPC).
constexpr uint8_t kDisplayKanaFirst = 0xA0;
constexpr uint8_t kDisplayKana[] = {
    /* A0 */ 0x00, 0xBD, 0x9D, 0xB1, 0xB5, 0xB9, 0xB4, 0x9E, 0xB2, 0xB6, 0xBA, 0xBE, 0x9F, 0xB3, 0xB7, 0xBB,
    /* B0 */ 0xBF, 0xA3, 0x85, 0xA4, 0xA5, 0xA6, 0x94, 0x87, 0x88, 0x9C, 0x82, 0x98, 0x84, 0x92, 0x90, 0x83,
    /* C0 */ 0x91, 0x81, 0x9A, 0x97, 0x93, 0x95, 0x89, 0xA1, 0xAF, 0x8B, 0x86, 0x96, 0xA2, 0xAB, 0xAA, 0x8A,
    /* D0 */ 0x8E, 0xB0, 0xAD, 0x8D, 0xA7, 0xA8, 0xA9, 0x8F, 0x8C, 0xAE, 0xAC, 0x9B, 0xA0, 0x99, 0xBC, 0xB8,
};

// Display code, European variant, of source codes 20h..7Fh (DISPLAYCODE-EU); the rows 20h..4Fh
// are those of the display code.
constexpr uint8_t kDisplayEuFirst = 0x20;
constexpr uint8_t kDisplayEu[] = {
    /* 20 */ 0x00, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6B, 0x6A, 0x2F, 0x2A, 0x2E, 0x2D,
    /* 30 */ 0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28, 0x29, 0x4F, 0x2C, 0x51, 0x2B, 0x57, 0x49,
    /* 40 */ 0x55, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F,
    /* 50 */ 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x52, 0x59, 0x54, 0xBE, 0xBF,
    /* 60 */ 0xA4, 0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8A, 0x8B, 0x8C, 0x8D, 0x8E, 0x8F,
    /* 70 */ 0x90, 0x91, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9A, 0xBC, 0x80, 0x40, 0xA5, 0x00,
};

// MZ-ASCII-EU codes of source codes 60h..7Eh (31 codes).
constexpr uint8_t kMzAsciiEuFirst = 0x60;
constexpr uint8_t kMzAsciiEu[] = {
    /* 60 */ 0x93, 0xA1, 0x9A, 0x9F, 0x9C, 0x92, 0xAA, 0x97, 0x98, 0xA6, 0xAF, 0xA9, 0xB8, 0xB3, 0xB0, 0xB7,
    /* 70 */ 0x9E, 0xA0, 0x9D, 0xA4, 0x96, 0xA5, 0xAB, 0xA3, 0x9B, 0xBD, 0xA2, 0xBE, 0xC0, 0x80, 0x94,
};

// clang-format on

static_assert(sizeof kDisplay == 0x60 && sizeof kDisplayKana == 0x40);
static_assert(sizeof kDisplayEu == 0x60 && sizeof kMzAsciiEu == 0x1F);

// The code of c in a table that starts at source code first; c itself outside the table.
uint8_t FromTable(std::span<const uint8_t> table, uint8_t first, uint8_t c) {
  if (c < first || static_cast<size_t>(c - first) >= table.size()) {
    return c;
  }
  return table[static_cast<size_t>(c - first)];
}

uint8_t DisplayCode(uint8_t c) {
  return c >= kDisplayKanaFirst ? FromTable(kDisplayKana, kDisplayKanaFirst, c)
                                : FromTable(kDisplay, kDisplayFirst, c);
}

bool IsUpper(uint8_t c) { return c >= 'A' && c <= 'Z'; }
bool IsLower(uint8_t c) { return c >= 'a' && c <= 'z'; }

// The code of one source byte in the selected map; MZ-ASCII's shift codes come on top.
uint8_t ConvertChar(const CharMapState &maps, uint8_t c) {
  switch (maps.map) {
    case kMapMzAscii:
      // Lower-case letters become upper case (behind the shift code); half-width katakana and
      // punctuation A1h..DFh move down to 81h..BFh.
      return IsLower(c) || (c >= 0xA1 && c <= 0xDF) ? static_cast<uint8_t>(c - 0x20) : c;
    case kMapMzAsciiEu:
      if (c == '^') {
        return kEuCaret;
      }
      return c == '_' ? kEuUnderscore : FromTable(kMzAsciiEu, kMzAsciiEuFirst, c);
    case kMapDisplay:
      return DisplayCode(c);
    case kMapDisplayEu:
      return FromTable(kDisplayEu, kDisplayEuFirst, c);
    case kMapUser:
      return maps.user[c];
    default:
      return c;
  }
}

// Emits one source byte of a DB string through the selected map; last_byte receives the
// CodeBuffer position of the last byte emitted for it.
bool EmitMappedChar(AssemblerState &st, uint8_t c, int32_t &last_byte) {
  CharMapState &maps = st.pass.charmap;
  if (maps.map == kMapMzAscii &&
      ((IsUpper(c) && maps.lower_shift) || (IsLower(c) && !maps.lower_shift))) {
    if (!EmitByte(st, kShiftCode)) {
      return false;
    }
    maps.lower_shift = IsLower(c);
  }
  last_byte = st.pass.position;
  return EmitByte(st, ConvertChar(maps, c));
}

// Closes a pending lower-case shift, so that a string ends in upper case.
bool CloseShift(AssemblerState &st) {
  CharMapState &maps = st.pass.charmap;
  if (maps.map != kMapMzAscii || !maps.lower_shift) {
    return true;
  }
  if (!EmitByte(st, kShiftCode)) {
    return false;
  }
  maps.lower_shift = false;
  return true;
}

// The name of a map, as CHRMAP names it first.
const char *NameOfMap(int32_t map) {
  for (const MapName &row : kMapNames) {
    if (row.map == map) {
      return row.name.data();  // each name is a whole string literal
    }
  }
  return "";
}

MapInput InputOf(int32_t map) {
  return map >= 0 && map <= kMapUser ? kMapInputs[map] : MapInput::Cp932;
}

// True for a map that takes the CP932 bytes of every character: one that has none is a
// character without a code in CP932 itself.
bool MapTakesCp932(int32_t map) { return InputOf(map) == MapInput::Cp932; }

// True when the map has a code for the character: the map takes its CP932 bytes.
bool MapHolds(int32_t map, const TextChar &c) {
  const MapInput input = InputOf(map);
  if (input == MapInput::Cp932) {
    return c.count > 0;
  }
  const uint8_t byte = c.bytes[0];
  return c.count == 1 &&
         (byte < 0x80 || (input == MapInput::AsciiKana && byte >= 0xA1 && byte <= 0xDF));
}

// Hands each byte from the scan position up to the closing quote to emit (under
// --source-encoding=utf-8 the CP932 bytes of each character, which map must hold) and leaves
// the scan position behind the quote; the end of the line first fails with missing.
template <typename Emit>
bool ForEachQuoted(AssemblerState &st, char quote, Msg missing, int32_t map, Emit emit) {
  for (;;) {
    TextChar c;
    if (!TakeTextChar(st, c)) {
      return false;
    }
    if (c.length == 0) {
      SetErrorMessage(st, missing);
      return false;
    }
    if (c.code == static_cast<uint8_t>(quote)) {
      return true;
    }
    if (st.options.source_utf8 && !MapHolds(map, c)) {
      SetNoCodeError(st, c, MapTakesCp932(map) ? nullptr : NameOfMap(map));
      return false;
    }
    for (int32_t i = 0; i < c.count; ++i) {
      if (!emit(c.bytes[i])) {
        return false;
      }
    }
  }
}

}  // namespace

bool EmitMappedString(AssemblerState &st, int32_t &addend_at) {
  // Every string starts in upper case: one that failed half-way leaves no shift behind.
  st.pass.charmap.lower_shift = false;
  addend_at = -1;
  if (!ForEachQuoted(st, '"', Msg::MissingCloseDoubleQuote, st.pass.charmap.map,
                     [&](uint8_t c) { return EmitMappedChar(st, c, addend_at); })) {
    return false;
  }
  const int32_t before_close = st.pass.position;
  if (!CloseShift(st)) {
    return false;
  }
  if (st.pass.position != before_close) {
    addend_at = before_close;  // the closing shift code is the string's last byte
  }
  return true;
}

// CHRMAP "name"
StatementResult DoChrmap(AssemblerState &st) {
  SkipBlanks(st);
  if (TakeChar(st) != '"') {
    SetError(st, Msg::MissingOpenDoubleQuote);
    return kResultError;
  }
  char name[kMaxMapName];
  size_t length = 0;
  for (char c = TakeUpper(st); c != '"'; c = TakeUpper(st)) {
    if (c == '\0' || length == kMaxMapName) {
      SetError(st, Msg::MissingCloseDoubleQuote);
      return kResultError;
    }
    name[length++] = c;
  }
  for (const MapName &row : kMapNames) {
    if (row.name == std::string_view(name, length)) {
      st.pass.charmap.map = row.map;
      return kResultOk;
    }
  }
  SetError(st, Msg::UnknownCharMap);
  return kResultError;
}

// MAPCHR code, value {, value}: user map entries from code on, wrapping from FFh to 00h.
StatementResult DoMapchr(AssemblerState &st) {
  int32_t first = 0;
  if (!EvaluateKnown(st, first)) {
    return kResultError;
  }
  WarnIfOutOfRange(st, first, OperandRange::Byte);
  uint8_t code = static_cast<uint8_t>(first);
  while (TakeIf(st, kComma)) {
    int32_t value = 0;
    if (!EvaluateKnown(st, value)) {
      return kResultError;
    }
    WarnIfOutOfRange(st, value, OperandRange::Byte);
    st.pass.charmap.user[code++] = static_cast<uint8_t>(value);
  }
  return kResultOk;
}

// DISPC item {, item}: strings in either quote in display code whatever map is selected,
// any other item as one byte, unconverted.
StatementResult DoDispc(AssemblerState &st) {
  do {
    Token next;
    if (!PeekToken(st, next)) {
      return kResultError;
    }
    if (next.kind == kQuote || next.kind == kDoubleQuote) {
      const bool single = next.kind == kQuote;
      if (!TakePeekedToken(st) ||
          !ForEachQuoted(st, single ? '\'' : '"',
                         single ? Msg::MissingCloseQuote : Msg::MissingCloseDoubleQuote,
                         kMapDisplay, [&](uint8_t c) { return EmitByte(st, DisplayCode(c)); })) {
        return kResultError;
      }
    } else if (!EmitOperandByte(st)) {
      return kResultError;
    }
  } while (TakeIf(st, kComma));
  return kResultOk;
}
