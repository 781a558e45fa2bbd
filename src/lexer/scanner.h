// The character classes of the tokenizer and the scans its files share (private to src/lexer/).
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "base/state.h"
#include "base/text.h"
#include "lexer/lexer.h"

namespace lexer {

// Character classes. Bytes 0x80..0xFF belong to none of them.
enum : uint8_t {
  kBlankClass = 0x01,
  kLetter = 0x02,
  kDigit = 0x04,
  kHexDigit = 0x08,
  kWordMark = 0x10,  // '_', '#', '?': may begin and continue a word like a letter
};

constexpr std::array<uint8_t, 256> MakeClasses() {
  std::array<uint8_t, 256> classes{};
  for (char c : kBlanks) {
    classes[static_cast<uint8_t>(c)] = kBlankClass;
  }
  constexpr size_t kToLower = 'a' - 'A';
  for (size_t c = 'A'; c <= 'Z'; ++c) {
    classes[c] = kLetter;
    classes[c + kToLower] = kLetter;
  }
  for (size_t c = '0'; c <= '9'; ++c) {
    classes[c] = kDigit | kHexDigit;
  }
  for (size_t c = 'A'; c <= 'F'; ++c) {
    classes[c] |= kHexDigit;
    classes[c + kToLower] |= kHexDigit;
  }
  for (char c : {'_', '#', '?'}) {
    classes[static_cast<uint8_t>(c)] = kWordMark;
  }
  return classes;
}

constexpr std::array<uint8_t, 256> kClasses = MakeClasses();

inline bool HasClass(char c, uint8_t classes) {
  return (kClasses[static_cast<uint8_t>(c)] & classes) != 0;
}
inline bool IsWordStart(char c) { return HasClass(c, kLetter | kWordMark); }
inline bool IsWordChar(char c) { return HasClass(c, kLetter | kDigit | kWordMark); }
inline bool IsHexDigit(char c) { return HasClass(c, kHexDigit); }

// The next character of the line in upper case.
inline char PeekUpper(const AssemblerState &st) { return Upper(*st.scan.pos); }

// True for the definition form of a generated local label ("@@", "@3"), whose every scan
// advances its family's counter.
inline bool IsLocalDefinition(const Token &token) {
  return token.local_form == LocalForm::Definition;
}

// Writes "@" family and the five-character base-64 serial into text (8 bytes with NUL).
void FormatLocalLabel(char *text, char family, int32_t serial);

// The line lies in a branch that is not assembled: returns only the words that end or change
// the branch (ELSE, ELIF, ENDIF), or kSkippedLine at the end of the line, and opens a skipped
// level for each IF it passes. False when one level too many would open (problem says which).
bool SkipScan(AssemblerState &st, Token &token, Msg &problem);

// Reads the character of a string or character constant at text (TakeTextChar without moving
// the scan).
[[nodiscard]] bool ReadTextChar(AssemblerState &st, const char *text, TextChar &c);

// A run of the Unicode -> CP932 table: the code points first..first+count-1 encode to the codes
// code..code+count-1 (a one-byte code below 100h, a two-byte one with its lead byte high).
struct Cp932Run {
  uint16_t first;
  uint16_t count;
  uint16_t code;
};
// The runs, sorted by first code point and apart from each other.
std::span<const Cp932Run> Cp932Runs();

}  // namespace lexer
