// Character helpers every folder shares: letter case and blanks, byte for byte (Shift-JIS bytes
// are neither letters nor blanks).
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

// The upper case of an ASCII letter; every other byte (Shift-JIS included) as it is.
constexpr char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

// The blanks of a source line: space, tab and the other ASCII white space.
constexpr std::string_view kBlanks = " \t\n\v\f\r";

constexpr std::array<bool, 256> MakeBlankTable() {
  std::array<bool, 256> table{};
  for (char c : kBlanks) {
    table[static_cast<uint8_t>(c)] = true;
  }
  return table;
}
inline constexpr std::array<bool, 256> kBlankTable = MakeBlankTable();

constexpr bool IsBlank(char c) { return kBlankTable[static_cast<uint8_t>(c)]; }

// True when a and b are the same text but for the case of ASCII letters.
constexpr bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (size_t i = 0; i < a.size(); ++i) {
    if (Upper(a[i]) != Upper(b[i])) {
      return false;
    }
  }
  return true;
}
