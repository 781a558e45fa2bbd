// Tokenizer: reads the current line one token at a time; skips lines of unassembled branches.
#include <array>
#include <climits>
#include <cstring>

#include "driver/state.h"
#include "lexer/lexer.h"
#include "source/source.h"

namespace {

// Character classes. Bytes 0x80..0xFF belong to none of them.
enum : uint8_t {
  kBlank = 0x01,
  kLetter = 0x02,
  kDigit = 0x04,
  kHexDigit = 0x08,
  kWordMark = 0x10,  // '_', '#', '?': may begin and continue a word like a letter
};

constexpr std::array<uint8_t, 256> MakeClasses() {
  std::array<uint8_t, 256> classes{};
  for (unsigned char c : {' ', '\t', '\n', '\v', '\f', '\r'}) {
    classes[c] = kBlank;
  }
  for (int c = 'A'; c <= 'Z'; ++c) {
    classes[c] = kLetter;
    classes[c + 32] = kLetter;
  }
  for (int c = '0'; c <= '9'; ++c) {
    classes[c] = kDigit | kHexDigit;
  }
  for (int c = 'A'; c <= 'F'; ++c) {
    classes[c] |= kHexDigit;
    classes[c + 32] |= kHexDigit;
  }
  for (unsigned char c : {'_', '#', '?'}) {
    classes[c] = kWordMark;
  }
  return classes;
}

constexpr std::array<uint8_t, 256> kClasses = MakeClasses();

bool HasClass(char c, uint8_t classes) {
  return (kClasses[static_cast<uint8_t>(c)] & classes) != 0;
}
bool IsWordStart(char c) { return HasClass(c, kLetter | kWordMark); }
bool IsWordChar(char c) { return HasClass(c, kLetter | kDigit | kWordMark); }
bool IsHexDigit(char c) { return HasClass(c, kHexDigit); }

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

constexpr int32_t kMaxIdentifierLength = 63;
constexpr int32_t kLocalLabelLength = 7;
constexpr int32_t kAnyLocalFamily = 10;  // counter index of the "@@" family
constexpr int32_t kLargestSerial = 0x3FFFFFFF;

void SkipWordRest(AssemblerState &st) {
  while (IsWordChar(*st.scan.pos)) {
    ++st.scan.pos;
  }
}

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

bool ScanIdentifier(AssemblerState &st, Token &token) {
  int32_t length = 0;
  while (length < kMaxIdentifierLength && IsWordChar(*st.scan.pos)) {
    token.text[length++] = *st.scan.pos++;
  }
  token.text[length] = '\0';
  token.length = length;
  token.kind = kIdentifier;
  MatchKeyword(token);
  if (token.kind == kRegAF && *st.scan.pos == '\'') {
    ++st.scan.pos;
    token.kind = kRegAFAlt;
  }
  return true;
}

// A number whose first character is a decimal digit: decimal, hexadecimal with an H suffix,
// binary with a B suffix, or 0x and hexadecimal digits. Every accumulator wraps at 32 bits.
bool ScanNumber(AssemblerState &st, Token &token) {
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
  } else {
    SetError(st, Msg::InvalidNumber);
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
bool ScanLocalLabel(AssemblerState &st, Token &token) {
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
    SetError(st, Msg::SyntaxError);
    return false;
  }
  int32_t &counter = st.scan.local_counters[family == '@' ? kAnyLocalFamily : family - '0'];
  token.kind = kIdentifier;
  token.length = kLocalLabelLength;
  if (direction == 0) {
    FormatLocalLabel(token.text, family, counter);
    if (counter < INT32_MAX) {
      ++counter;
    }
    token.value = 0;
    return true;
  }
  token.value = -1;
  if (direction == 'F') {
    FormatLocalLabel(token.text, family, counter);
  } else if (counter > 0) {
    FormatLocalLabel(token.text, family, counter - 1);
  } else {
    // Nothing of this family is defined yet: name a label that no definition can make, so
    // the reference stays unresolved instead of reaching a later definition.
    FormatLocalLabel(token.text, family, 0);
    std::memset(token.text + 2, '-', kLocalLabelLength - 2);
  }
  return true;
}

// After a skipped word's 'E': matches the rest of ELSE, ELIF, ELSIF, ELSEIF or ENDIF, taking
// the characters that match; returns the keyword kind, or 0.
int32_t MatchSkippedKeyword(AssemblerState &st) {
  auto take_if = [&st](char wanted) {
    if (PeekUpper(st) != wanted) {
      return false;
    }
    TakeChar(st);
    return true;
  };
  if (take_if('L')) {
    if (take_if('S') && take_if('E') && !IsWordChar(*st.scan.pos)) {
      return kElse;
    }
    if (take_if('I') && take_if('F') && !IsWordChar(*st.scan.pos)) {
      return kElif;
    }
    return 0;
  }
  if (take_if('N') && take_if('D') && take_if('I') && take_if('F') && !IsWordChar(*st.scan.pos)) {
    return kEndif;
  }
  return 0;
}

// The line lies in a branch that is not assembled: return only the words that end or change
// the branch (ELSE, ELIF, ENDIF), or kSkippedLine at the end of the line. A nested IF opens a
// skipped level. Strings and comments are passed over whole.
bool SkipScan(AssemblerState &st, Token &token) {
  const char *&pos = st.scan.pos;
  for (;;) {
    const char c = PeekUpper(st);
    if (c == '\0') {
      token.kind = kSkippedLine;
      return true;
    }
    TakeChar(st);
    if (c == 'E') {
      const int32_t kind = MatchSkippedKeyword(st);
      if (kind != 0) {
        token.kind = kind;
        return true;
      }
      SkipWordRest(st);
    } else if (c == 'I') {
      // Only an F is taken here: a ';' or a quote right after the I keeps its meaning.
      if (PeekUpper(st) == 'F') {
        TakeChar(st);
        if (!IsWordChar(*pos) && !PushSkippedIf(st)) {
          return false;
        }
      }
      SkipWordRest(st);
    } else if (c == ';') {
      pos += std::strlen(pos);
    } else if (c == '\'' || c == '"') {
      while (*pos != '\0' && *pos != c) {
        ++pos;
      }
      TakeChar(st);
    } else if (IsWordStart(c)) {
      SkipWordRest(st);
    } else {
      while (*pos != '\0' && !IsWordChar(*pos) && *pos != ';' && *pos != '\'' && *pos != '"') {
        ++pos;
      }
    }
  }
}

}  // namespace

char PeekUpper(const AssemblerState &st) { return Upper(*st.scan.pos); }

char TakeChar(AssemblerState &st) {
  const char c = *st.scan.pos;
  if (c != '\0') {
    ++st.scan.pos;
  }
  return c;
}

char TakeUpper(AssemblerState &st) { return Upper(TakeChar(st)); }

bool SkipBlanks(AssemblerState &st) {
  while (HasClass(*st.scan.pos, kBlank)) {
    ++st.scan.pos;
  }
  if (*st.scan.pos == ';') {
    st.scan.pos += std::strlen(st.scan.pos);
    return false;
  }
  return true;
}

bool ScanToken(AssemblerState &st, Token &token) {
  token.start = st.scan.pos;
  if (SkipBlanks(st)) {
    token.start = st.scan.pos;
  }
  token.kind = kEndOfLine;
  token.value = 0;
  token.length = 0;
  token.text[0] = '\0';
  if (st.context != nullptr && IsSkipping(st.context->if_state)) {
    return SkipScan(st, token);
  }
  const char c = *st.scan.pos;
  if (IsWordStart(c)) {
    return ScanIdentifier(st, token);
  }
  if (HasClass(c, kDigit)) {
    return ScanNumber(st, token);
  }
  switch (c) {
    case '\0':
      return true;
    case '$':
      TakeChar(st);
      if (IsHexDigit(*st.scan.pos)) {
        token.kind = kNumber;
        token.value = ReadHexRun(st);
      } else {
        token.kind = kDollar;
      }
      return true;
    case '(':
      return ScanParenthesis(st, token);
    case '@':
      return ScanLocalLabel(st, token);
    default:
      break;
  }
  for (const SingleToken &single : kSingleTokens) {
    if (single.c == c) {
      TakeChar(st);
      token.kind = single.kind;
      return true;
    }
  }
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
  if (alone != nullptr) {
    TakeChar(st);
    token.kind = alone->single;
    return true;
  }
  SetError(st, Msg::SyntaxError);
  return false;
}

bool PeekToken(AssemblerState &st, Token &token) {
  SkipBlanks(st);
  const char *start = st.scan.pos;
  const bool ok = ScanToken(st, token);
  // A failed peek leaves nothing to jump to: taking it scans again and fails again.
  st.scan.lookahead_end = ok ? st.scan.pos : start;
  st.scan.peek_start = start;
  st.scan.pos = start;
  return ok;
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
  if (!PeekToken(st, next) || next.kind != kind) {
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

void FormatLocalLabel(char *text, char family, int32_t serial) {
  text[0] = '@';
  text[1] = family;
  EncodeSerial(text + 2, serial);
  text[kLocalLabelLength] = '\0';
}
