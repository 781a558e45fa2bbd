// Tokenizer, keyword tables and expression evaluator: the public face of the lexer folder.
#pragma once

#include <cstdint>
#include <string_view>

struct AssemblerState;

// Token codes. Every other folder dispatches on these numbers and on the ranges
// 1..69 (instruction mnemonics) and 107..136 (pseudo-instructions).
// clang-format off
enum TokenKind : int32_t {
  kEndOfLine = 0,
  // Instruction mnemonics.
  kAdd = 1, kAdc, kSub, kSbc, kAnd, kXor, kOr, kCp, kLd,
  kHalt = 10, kNop, kEx, kDjnz, kJr,
  kInc = 15, kDec,
  kRrca = 17, kRlca, kRra, kRla, kDaa, kCpl, kScf, kCcf,
  kRet = 25, kPop, kExx, kJp, kOut, kIn,
  kDi = 31, kEi, kCall, kPush, kRst, kNeg,
  kRetn = 37, kReti, kIm, kRrd, kRld,
  kLdi = 42, kLdd, kLdir, kLddr, kCpi, kCpd, kCpir, kCpdr,
  kIni = 50, kInd, kInir, kIndr, kOuti, kOutd, kOtir, kOtdr,
  kRlc = 58, kRrc, kRl, kRr, kSla, kSra, kSll, kSrl,
  kBit = 66, kRes, kSet,
  kTsti = 69,
  // Registers and register operands.
  kRegA = 70, kRegB, kRegC, kRegD, kRegE, kRegH, kRegL,
  kRegIXH = 77, kRegIXL, kRegIYH, kRegIYL,
  kRegI = 81, kRegR,
  kRegAF = 83, kRegBC, kRegDE, kRegHL, kRegSP, kRegIX, kRegIY,
  kRegAFAlt = 90,
  kIndHL = 91, kIndDE, kIndBC, kIndSP, kIndIX, kIndIY,
  kIndexIX = 97, kIndexIY,  // "(IX" / "(IY" followed by a sign
  kPortC = 99,
  // Conditions (the carry condition is kRegC).
  kCondNZ = 100, kCondZ, kCondNC, kCondPO, kCondPE, kCondP, kCondM,
  // Pseudo-instructions.
  kDb = 107, kDw, kDs,
  kOrg = 110, kMacro, kEndm, kAlign, kOffset,
  kUnassigned = 115,  // a gap: no keyword has this code, and no token is given it
  kColon = 116,
  kEqu = 117,
  kAssign = 118,
  kDoubleColon = 119,
  kInclude = 120, kBinclude, kIf, kElse, kEndif, kDispc, kError,
  kProc = 127,
  kEndp = 128,
  kElif = 129,
  kChrmap = 130, kMapchr, kArrange, kPageAligned, kInPage, kRept, kEnd,
  // Punctuation and operators.
  kLParen = 137, kRParen, kComma, kQuote, kDoubleQuote,
  kDollar = 142,
  kNegate = 143,
  kNot = 144, kComplement,
  kMul = 146, kDiv, kMod, kPlus, kMinus,
  kShl = 151, kShr, kGreater, kLess, kGreaterEqual, kLessEqual,
  kEqual = 157, kNotEqual,
  kBitAnd = 159, kBitXor, kBitOr, kLogicalAnd, kLogicalOr,
  kDefined = 164,
  kIdentifier = 165,
  kNumber = 166,
  kSkippedLine = 167,
};
// clang-format on

inline bool IsMnemonic(int32_t kind) { return kind >= kAdd && kind <= kTsti; }
inline bool IsDirective(int32_t kind) { return kind >= kDb && kind <= kEnd && kind != kUnassigned; }

// One token of the current line. Its text is a view of the line, so a token is used only
// while that line is being assembled.
struct Token {
  int32_t kind = kEndOfLine;
  // Number: its value. Identifier: 0; generated local label: 0 for a definition
  // form, -1 for a reference form.
  int32_t value = 0;
  int32_t length = 0;           // identifier or keyword: characters of its text (1..63)
  const char *start = nullptr;  // where the token begins in the line
  char local[8] = {};           // generated local label: its name, NUL-terminated
  // The text of an identifier or keyword (empty for other tokens): the characters as written,
  // or the generated name of a local label, which is written as "@..." in the line.
  std::string_view Text() const {
    const char *text = length > 0 && *start == '@' ? local : start;
    return {text, static_cast<size_t>(length)};
  }
};

// Scan state of the line being assembled.
struct ScanState {
  const char *pos = nullptr;            // next character to read; never past the NUL
  const char *lookahead_end = nullptr;  // end of the token found by the last peek
  const char *peek_start = nullptr;     // where the token found by the last peek begins
  // The token found by the last peek, while a peek at the same place may take it without a
  // scan: kept_at is where it begins (nullptr when nothing is kept), kept_end where it ends.
  // Nothing is kept across lines, from skipped text (whose scan opens the levels of the IF
  // words it passes), or of a definition form of a local label (each of its scans advances
  // its family's counter, and names the references scanned after it).
  Token kept;
  const char *kept_at = nullptr;
  const char *kept_end = nullptr;
  int32_t local_counters[11] = {};  // @0..@9 and (index 10) @@ definitions so far
};

// Points the scanner at a line to be assembled.
void BeginLineScan(AssemblerState &st, const char *line);
// True for the definition form of a generated local label ("@@", "@3"), whose every scan
// advances its family's counter.
inline bool IsLocalDefinition(const Token &token) {
  return token.kind == kIdentifier && token.value == 0 && token.length > 0 && *token.start == '@';
}

// Skips blanks; on ';' moves to the end of the line and returns false.
bool SkipBlanks(AssemblerState &st);
// Reads the next token and advances past it; false on a lexical error (message in the slot).
[[nodiscard]] bool ScanToken(AssemblerState &st, Token &token);
// Reads the next token without consuming it (the blanks before it are consumed).
[[nodiscard]] bool PeekToken(AssemblerState &st, Token &token);
// Consumes the token found by the last PeekToken: jumps over it when the scan position is still
// where that peek left it, otherwise scans one token again.
[[nodiscard]] bool TakePeekedToken(AssemblerState &st);
// True when the next token is of the given kind; takes it then.
bool TakeIf(AssemblerState &st, int32_t kind);
// The upper case of an ASCII letter; every other byte (Shift-JIS included) as it is.
constexpr char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }
// Writes "@" family and the five-character base-64 serial into text (8 bytes with NUL).
void FormatLocalLabel(char *text, char family, int32_t serial);
// Writes the five-character base-64 encoding of serial (0..0x3FFFFFFF) into out.
void EncodeSerial(char *out, int32_t serial);
// Character helpers shared by the statement code that reads strings itself.
char PeekUpper(const AssemblerState &st);
char TakeChar(AssemblerState &st);
char TakeUpper(AssemblerState &st);

// ---- Expressions -------------------------------------------------------------------------

constexpr int kPostfixCapacity = 256;

// Postfix form of the last expression, folded while it was parsed.
struct PostfixBuffer {
  int32_t values[kPostfixCapacity] = {};
  int32_t kinds[kPostfixCapacity] = {};
  int32_t count = 0;
};

struct ExpressionState {
  PostfixBuffer postfix;
  bool known = false;           // postfix is a single Number: its value is the result
  bool memory_operand = false;  // the expression is one parenthesised group
};

// Parses the expression at the scan position into st.expr.postfix.
[[nodiscard]] bool EvaluateExpression(AssemblerState &st);
// Evaluates an expression whose value is needed at once; fails with "value undetermined"
// when it depends on a label not yet defined.
[[nodiscard]] bool EvaluateKnown(AssemblerState &st, int32_t &value);
// Applies a binary operator (kind) to a and b with wrapping signed 32-bit arithmetic.
// False for a division or remainder by zero; message is then the catalogue text to report.
// The most negative number divided by -1 wraps to itself (remainder 0).
[[nodiscard]] bool ApplyBinary(int32_t kind, int32_t a, int32_t b, int32_t &result,
                               const char *&message);
// Applies a unary operator (kNegate, kNot, kComplement).
int32_t ApplyUnary(int32_t kind, int32_t a);
