// Tokenizer: reads the current line one token at a time.
#include <algorithm>
#include <array>
#include <climits>
#include <cstring>

#include "lexer/keywords.h"
#include "lexer/lexer.h"
#include "lexer/scanner.h"

namespace {

using namespace lexer;

// The upper case of every byte that continues a word, 0 for every other byte: one look-up
// both ends a word and builds its keyword key.
constexpr std::array<char, 256> MakeWordUpper() {
  std::array<char, 256> upper{};
  for (int c = 0; c < 256; ++c) {
    if ((kClasses[static_cast<size_t>(c)] & (kLetter | kDigit | kWordMark)) != 0) {
      upper[static_cast<size_t>(c)] = Upper(static_cast<char>(c));
    }
  }
  return upper;
}

constexpr std::array<char, 256> kWordUpper = MakeWordUpper();

// Value of a hexadecimal digit, either case.
uint32_t DigitValue(char c) {
  c = Upper(c);
  return c <= '9' ? static_cast<uint32_t>(c - '0') : static_cast<uint32_t>(c - 'A' + 10);
}

// Tokens of one character.
struct SingleToken {
  char c;
  int32_t kind;
};

constexpr SingleToken kSingleTokens[] = {
    {',',  kComma      },
    {')',  kRParen     },
    {'\'', kQuote      },
    {'"',  kDoubleQuote},
    {'+',  kPlus       },
    {'-',  kMinus      },
    {'~',  kComplement },
    {'*',  kMul        },
    {'/',  kDiv        },
    {'%',  kMod        },
    {'^',  kBitXor     },
    {'{',  kProc       },
    {'}',  kEndp       },
};

// Operators that become a pair when the second character follows the first; otherwise the
// first character alone is `single`. Rows with the same first character are adjacent.
struct PairToken {
  char first;
  char second;
  int32_t pair;
  int32_t single;
};

constexpr PairToken kPairTokens[] = {
    {'!', '=', kNotEqual,     kNot    },
    {'<', '=', kLessEqual,    kLess   },
    {'<', '<', kShl,          kLess   },
    {'>', '=', kGreaterEqual, kGreater},
    {'>', '>', kShr,          kGreater},
    {'=', '=', kEqual,        kAssign },
    {'&', '&', kLogicalAnd,   kBitAnd },
    {'|', '|', kLogicalOr,    kBitOr  },
    {':', ':', kDoubleColon,  kColon  },
};

// What the first character of a token starts, and for a single-character token its kind.
enum StartAction : uint8_t {
  kStartInvalid,
  kStartLineEnd,
  kStartWord,
  kStartNumber,
  kStartDollar,
  kStartParenthesis,
  kStartLocalLabel,
  kStartSingle,
  kStartPair,
};

struct StartRow {
  StartAction action;
  uint8_t kind;  // kStartSingle: the token's kind
};

constexpr std::array<StartRow, 256> MakeStarts() {
  std::array<StartRow, 256> starts{};
  for (size_t c = 0; c < 256; ++c) {
    if ((kClasses[c] & (kLetter | kWordMark)) != 0) {
      starts[c].action = kStartWord;
    } else if ((kClasses[c] & kDigit) != 0) {
      starts[c].action = kStartNumber;
    }
  }
  starts['\0'].action = kStartLineEnd;
  starts['$'].action = kStartDollar;
  starts['('].action = kStartParenthesis;
  starts['@'].action = kStartLocalLabel;
  for (const SingleToken &single : kSingleTokens) {
    starts[static_cast<uint8_t>(single.c)] = {kStartSingle, static_cast<uint8_t>(single.kind)};
  }
  for (const PairToken &pair : kPairTokens) {
    starts[static_cast<uint8_t>(pair.first)].action = kStartPair;
  }
  return starts;
}

constexpr std::array<StartRow, 256> kStarts = MakeStarts();

constexpr int32_t kMaxIdentifierLength = 63;
constexpr int32_t kLocalLabelLength = 7;
constexpr int32_t kAnyLocalFamily = 10;  // counter index of the "@@" family
constexpr int32_t kLargestSerial = 0x3FFFFFFF;

// Accumulates hexadecimal digits and underscores after "$" or "0x".
int32_t ReadHexRun(AssemblerState &st) {
  uint32_t value = 0;
  for (char c = *st.scan.pos; IsHexDigit(c) || c == '_'; c = *++st.scan.pos) {
    if (c != '_') {
      value = value * 16 + DigitValue(c);
    }
  }
  return static_cast<int32_t>(value);
}

// A word: an identifier or a keyword, found in the keyword tables by the key built while the
// word is read. A word longer than 63 characters ends there; the rest is the next token.
bool ScanIdentifier(AssemblerState &st, Token &token) {
  const char *const start = st.scan.pos;
  const char *end = start;
  uint64_t packed = 0;
  for (char upper = kWordUpper[static_cast<uint8_t>(*end)]; upper != 0;
       upper = kWordUpper[static_cast<uint8_t>(*++end)]) {
    packed = PackKeyChar(packed, upper);
  }
  const int32_t length = std::min(static_cast<int32_t>(end - start), kMaxIdentifierLength);
  st.scan.pos = start + length;
  token.length = length;
  token.kind = FindKeyword(std::string_view(start, static_cast<size_t>(length)), packed);
  if (token.kind == kRegAF && *st.scan.pos == '\'') {
    ++st.scan.pos;
    token.kind = kRegAFAlt;
  }
  return true;
}

// "0b" and binary digits with underscores, the first after the B a digit, from start to end:
// read only when the run is no number of the other forms ("0B" is binary zero, "0B1H" and
// "0BH" hexadecimal numbers), so no number changes its value.
bool ReadPrefixedBinary(const char *start, const char *end, int32_t &value) {
  if (end - start < 3 || start[0] != '0' || Upper(start[1]) != 'B' ||
      (start[2] != '0' && start[2] != '1')) {
    return false;
  }
  uint32_t bits = 0;
  for (const char *c = start + 2; c < end; ++c) {
    if (*c == '0' || *c == '1') {
      bits = bits * 2 + static_cast<uint32_t>(*c - '0');
    } else if (*c != '_') {
      return false;
    }
  }
  value = static_cast<int32_t>(bits);
  return true;
}

// A number whose first character is a decimal digit: decimal, hexadecimal with an H suffix,
// binary with a B suffix, 0x and hexadecimal digits, or 0b and binary digits. Every
// accumulator wraps at 32 bits.
bool ScanNumber(AssemblerState &st, Token &token, Msg &problem) {
  const char *const start = st.scan.pos;
  const char first = TakeChar(st);
  token.kind = kNumber;
  if (first == '0' && PeekUpper(st) == 'X') {
    TakeChar(st);
    if (IsHexDigit(*st.scan.pos)) {
      token.value = ReadHexRun(st);
      return true;
    }
  }
  const uint32_t digit = DigitValue(first);
  uint32_t hex = digit;
  uint32_t decimal = digit;
  uint32_t binary = digit;
  bool all_decimal = true;
  // 1: binary digits so far; 2: a B just followed binary digits; 0: not binary.
  int binary_state = digit <= 1 ? 1 : 0;
  for (;;) {
    const char c = PeekUpper(st);
    if (c == 'H') {
      TakeChar(st);
      token.value = static_cast<int32_t>(hex);
      return true;
    }
    if (c == '_') {
      TakeChar(st);
      continue;
    }
    if (!IsHexDigit(c)) {
      break;
    }
    const uint32_t value = DigitValue(c);
    hex = hex * 16 + value;
    if (c == 'B' && binary_state == 1) {
      binary_state = 2;
      all_decimal = false;
    } else {
      if (binary_state == 2) {
        binary_state = 0;  // that B was a hexadecimal digit after all
      }
      if (all_decimal) {
        all_decimal = value <= 9;
        if (all_decimal) {
          decimal = decimal * 10 + value;
        }
      }
      if (binary_state == 1 && value <= 1) {
        binary = binary * 2 + value;
      } else {
        binary_state = 0;
      }
    }
    TakeChar(st);
  }
  if (binary_state == 2) {
    token.value = static_cast<int32_t>(binary);
  } else if (all_decimal) {
    token.value = static_cast<int32_t>(decimal);
  } else if (!ReadPrefixedBinary(start, st.scan.pos, token.value)) {
    problem = Msg::InvalidNumber;
    return false;
  }
  return true;
}

// Register-indirect operands: (HL) (DE) (BC) (SP) (IX) (IY) (C), and "(IX" / "(IY" before a
// sign. Blanks may follow '(' and precede ')', never split the register name. Anything else
// is a plain '(' and the scan goes on after it (and its blanks).
struct IndirectForm {
  char first;
  char second;
  int32_t closed;   // kind when ')' follows
  int32_t indexed;  // kind when '+' or '-' follows; 0 when not allowed
};

constexpr IndirectForm kIndirectForms[] = {
    {'H', 'L', kIndHL, 0       },
    {'D', 'E', kIndDE, 0       },
    {'B', 'C', kIndBC, 0       },
    {'S', 'P', kIndSP, 0       },
    {'I', 'X', kIndIX, kIndexIX},
    {'I', 'Y', kIndIY, kIndexIY},
};

bool ScanParenthesis(AssemblerState &st, Token &token) {
  TakeChar(st);
  SkipBlanks(st);
  const char *after_paren = st.scan.pos;
  token.kind = kLParen;
  const char c1 = TakeUpper(st);
  if (c1 == 'C') {
    SkipBlanks(st);
    if (TakeChar(st) == ')') {
      token.kind = kPortC;
      return true;
    }
  } else {
    const char c2 = TakeUpper(st);
    SkipBlanks(st);
    const char next = *st.scan.pos;
    for (const IndirectForm &form : kIndirectForms) {
      if (form.first != c1 || form.second != c2) {
        continue;
      }
      if (next == ')') {
        TakeChar(st);
        token.kind = form.closed;
        return true;
      }
      if (form.indexed != 0 && (next == '+' || next == '-')) {
        token.kind = form.indexed;
        return true;
      }
    }
  }
  st.scan.pos = after_paren;
  return true;
}

// Generated local labels: "@@" and "@0".."@9" define, "@B" "@F" "@nB" "@nF" refer back or
// forward. The name carries the family and the serial of the definition meant.
bool ScanLocalLabel(AssemblerState &st, Token &token, Msg &problem) {
  TakeChar(st);
  const char c = PeekUpper(st);
  char family = '@';
  char direction = 0;  // 0 definition, 'B' backward, 'F' forward
  if (c >= '0' && c <= '9') {
    family = TakeChar(st);
    const char next = PeekUpper(st);
    if (next == 'B' || next == 'F') {
      direction = TakeUpper(st);
    }
  } else if (c == '@') {
    TakeChar(st);
  } else if (c == 'B' || c == 'F') {
    direction = TakeUpper(st);
  } else {
    problem = Msg::SyntaxError;
    return false;
  }
  int32_t &counter = st.pass.local_counters[family == '@' ? kAnyLocalFamily : family - '0'];
  token.kind = kIdentifier;
  token.length = kLocalLabelLength;
  if (direction == 0) {
    FormatLocalLabel(token.local, family, counter);
    if (counter < INT32_MAX) {
      ++counter;
    }
    st.scan.kept_at = nullptr;  // a kept reference form may name another label now
    token.local_form = LocalForm::Definition;
    return true;
  }
  token.local_form = LocalForm::Reference;
  if (direction == 'F') {
    FormatLocalLabel(token.local, family, counter);
  } else if (counter > 0) {
    FormatLocalLabel(token.local, family, counter - 1);
  } else {
    // Nothing of this family is defined yet: name a label that no definition can make, so
    // the reference stays unresolved instead of reaching a later definition.
    FormatLocalLabel(token.local, family, 0);
    std::memset(token.local + 2, '-', kLocalLabelLength - 2);
  }
  return true;
}

}  // namespace

namespace {

bool IsSkippingLine(const AssemblerState &st) {
  return st.scan.conditional != nullptr && IsSkipping(st.scan.conditional->state);
}

// An operator of one or two characters, whose first character is c.
bool ScanPair(AssemblerState &st, Token &token, char c) {
  const PairToken *alone = nullptr;
  for (const PairToken &pair : kPairTokens) {
    if (pair.first != c) {
      continue;
    }
    if (alone == nullptr) {
      alone = &pair;
    }
    if (st.scan.pos[1] == pair.second) {
      st.scan.pos += 2;
      token.kind = pair.pair;
      return true;
    }
  }
  ++st.scan.pos;
  token.kind = alone->single;
  return true;
}

// Scans the token at the scan position, the blanks before it already passed; false on a
// lexical error, which problem names.
[[gnu::always_inline]] inline bool ScanHere(AssemblerState &st, Token &token, bool skipping,
                                            Msg &problem) {
  token.kind = kEndOfLine;
  token.value = 0;
  token.length = 0;
  token.local_form = LocalForm::None;
  if (skipping) {
    return SkipScan(st, token, problem);
  }
  const char c = *st.scan.pos;
  const StartRow row = kStarts[static_cast<uint8_t>(c)];
  switch (row.action) {
    case kStartLineEnd:
      return true;
    case kStartWord:
      return ScanIdentifier(st, token);
    case kStartNumber:
      return ScanNumber(st, token, problem);
    case kStartDollar:
      ++st.scan.pos;
      if (IsHexDigit(*st.scan.pos)) {
        token.kind = kNumber;
        token.value = ReadHexRun(st);
      } else {
        token.kind = kDollar;
      }
      return true;
    case kStartParenthesis:
      return ScanParenthesis(st, token);
    case kStartLocalLabel:
      return ScanLocalLabel(st, token, problem);
    case kStartSingle:
      ++st.scan.pos;
      token.kind = row.kind;
      return true;
    case kStartPair:
      return ScanPair(st, token, c);
    case kStartInvalid:
      break;
  }
  problem = Msg::SyntaxError;
  return false;
}

// Scan and Peek serve the token reads that report their failure and those that do not; each
// is made part of both (the reads of every line go through them).
[[gnu::always_inline]] inline bool Scan(AssemblerState &st, Token &token, Msg &problem) {
  token.start = st.scan.pos;
  if (SkipBlanks(st)) {
    token.start = st.scan.pos;
  }
  st.scan.token_start = token.start;
  return ScanHere(st, token, IsSkippingLine(st), problem);
}

[[gnu::always_inline]] inline bool Peek(AssemblerState &st, Token &token, Msg &problem) {
  ScanState &scan = st.scan;
  SkipBlanks(st);
  const char *start = scan.pos;
  scan.token_start = start;
  const bool skipping = IsSkippingLine(st);
  if (scan.kept_at == start && !skipping) {
    token = scan.kept;
    scan.peek_start = start;
    scan.lookahead_end = scan.kept_end;
    return true;
  }
  token.start = start;
  const bool ok = ScanHere(st, token, skipping, problem);
  // A failed peek leaves nothing to jump to: taking it scans again and fails again.
  scan.lookahead_end = ok ? scan.pos : start;
  scan.peek_start = start;
  scan.pos = start;
  // Skipped text is not kept: its scan opens the levels of the IF words it passes.
  const bool keep = ok && !skipping && !IsLocalDefinition(token);
  scan.kept_at = keep ? start : nullptr;
  if (keep) {
    scan.kept = token;
    scan.kept_end = scan.lookahead_end;
  }
  return ok;
}

}  // namespace

void BeginLineScan(AssemblerState &st, const char *line, ConditionalStack *conditional) {
  ScanState &scan = st.scan;
  if (st.options.source_utf8) {
    line = PassByteOrderMark(st, line);  // a UTF-8 file's mark is no part of its first line
  }
  scan.line = line;
  scan.token_start = line;
  scan.comment = nullptr;
  st.expr.start = nullptr;
  scan.pos = line;
  scan.lookahead_end = line;
  scan.peek_start = nullptr;
  scan.kept_at = nullptr;
  scan.conditional = conditional;
}

void ResumeLineScan(AssemblerState &st, const char *line, const char *position,
                    ConditionalStack *conditional) {
  BeginLineScan(st, position, conditional);
  st.scan.line = line;
}

bool ScanToken(AssemblerState &st, Token &token) {
  Msg problem = Msg::SyntaxError;
  if (Scan(st, token, problem)) {
    return true;
  }
  SetErrorMessage(st, problem);
  return false;
}

bool TryScanToken(AssemblerState &st, Token &token) {
  Msg problem = Msg::SyntaxError;
  return Scan(st, token, problem);
}

bool PeekToken(AssemblerState &st, Token &token) {
  Msg problem = Msg::SyntaxError;
  if (Peek(st, token, problem)) {
    return true;
  }
  SetErrorMessage(st, problem);
  return false;
}

bool TryPeekToken(AssemblerState &st, Token &token) {
  Msg problem = Msg::SyntaxError;
  return Peek(st, token, problem);
}

bool TakePeekedToken(AssemblerState &st) {
  if (st.scan.peek_start == st.scan.pos && st.scan.lookahead_end > st.scan.pos) {
    st.scan.pos = st.scan.lookahead_end;
    return true;
  }
  Token scratch;
  return ScanToken(st, scratch);
}

bool TakeIf(AssemblerState &st, int32_t kind) {
  Token next;
  if (!TryPeekToken(st, next) || next.kind != kind) {
    return false;
  }
  return TakePeekedToken(st);
}

void EncodeSerial(char *out, int32_t serial) {
  if (serial < 0 || serial > kLargestSerial) {
    std::memset(out, '0', 5);
    return;
  }
  for (int i = 4; i >= 0; --i) {
    const int digit = serial & 63;
    serial >>= 6;
    char c = 0;
    if (digit < 12) {
      c = static_cast<char>('0' + digit);
    } else if (digit < 38) {
      c = static_cast<char>('A' + digit - 12);
    } else {
      c = static_cast<char>('a' + digit - 38);
    }
    out[i] = c;
  }
}

bool IsPlainName(std::string_view text) {
  if (text.empty() || text.size() > static_cast<size_t>(kMaxIdentifierLength) ||
      !IsWordStart(text.front())) {
    return false;
  }
  uint64_t packed = 0;
  for (char c : text) {
    if (!IsWordChar(c)) {
      return false;
    }
    packed = PackKeyChar(packed, Upper(c));
  }
  return FindKeyword(text, packed) == kIdentifier;
}

void lexer::FormatLocalLabel(char *text, char family, int32_t serial) {
  text[0] = '@';
  text[1] = family;
  EncodeSerial(text + 2, serial);
  text[kLocalLabelLength] = '\0';
}
