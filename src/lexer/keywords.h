// Keyword lookup of the tokenizer (private to src/lexer/).
#pragma once

#include <cstdint>
#include <string_view>

// Adds one character, upper-cased, to the packed key of a word: the characters of a word of up
// to eight packed into one integer, first character in the most significant used byte ("LD"
// is 0x4C44).
constexpr uint64_t PackKeyChar(uint64_t packed, char upper) {
  return packed << 8 | static_cast<uint8_t>(upper);
}
constexpr size_t kMaxPackedLength = 8;

// The keyword kind of a word of either case, whose packed key the scan built as it read the
// word (the key of a longer word holds only its last eight characters and is not used);
// kIdentifier when the word is no keyword.
int32_t FindKeyword(std::string_view word, uint64_t packed);
