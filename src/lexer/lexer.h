// Tokenizer, keyword tables and expression evaluator: the public face of the lexer folder.
// Other folders move through a line only through these operations.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "base/state.h"
#include "base/text.h"

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
  // Operators of the postfix form only: HIGH and LOW are scanned as identifiers, and the
  // expression reads them as operators where an operand follows them.
  kHigh = 168, kLow,
};
// clang-format on

inline bool IsMnemonic(int32_t kind) { return kind >= kAdd && kind <= kTsti; }
// A register or condition written as a bare word (A, HL, SP, IX, NZ, M; not AF' or "(HL)").
inline bool IsRegisterWord(int32_t kind) {
  return (kind >= kRegA && kind <= kRegIY) || (kind >= kCondNZ && kind <= kCondM);
}
inline bool IsDirective(int32_t kind) { return kind >= kDb && kind <= kEnd && kind != kUnassigned; }

// ---- Scanning a line -------------------------------------------------------------------------

// Points the scanner at a line to be assembled, whose skipped branches the conditional state
// decides (nullptr: a line scanned apart from the conditionals, all of its tokens returned).
// Under --source-encoding=utf-8 a byte-order mark in front of a file's first line is passed
// over: the line begins behind it.
void BeginLineScan(AssemblerState &st, const char *line, ConditionalStack *conditional);
// Points the scanner at a position of a line whose scan was left (for a macro's expansion):
// the columns stay those of the line.
void ResumeLineScan(AssemblerState &st, const char *line, const char *position,
                    ConditionalStack *conditional);

// Skips blanks; on ';' moves to the end of the line and returns false.
inline bool SkipBlanks(AssemblerState &st) {
  while (IsBlank(*st.scan.pos)) {
    ++st.scan.pos;
  }
  if (*st.scan.pos == ';') {
    st.scan.comment = st.scan.pos;
    st.scan.pos += std::strlen(st.scan.pos);
    return false;
  }
  return true;
}
// Skips blanks; true when nothing but a comment is left on the line.
bool OnlyCommentFollows(AssemblerState &st);
// Reads the next token and advances past it; false on a lexical error (message in the slot).
[[nodiscard]] bool ScanToken(AssemblerState &st, Token &token);
// Reads the next token without consuming it (the blanks before it are consumed).
[[nodiscard]] bool PeekToken(AssemblerState &st, Token &token);
// ScanToken and PeekToken for a look whose failure is no error of the statement: the slot is
// left as it is, and whoever reads the text next meets the same characters.
[[nodiscard]] bool TryScanToken(AssemblerState &st, Token &token);
[[nodiscard]] bool TryPeekToken(AssemblerState &st, Token &token);
// Consumes the token found by the last PeekToken: jumps over it when the scan position is still
// where that peek left it, otherwise scans one token again.
[[nodiscard]] bool TakePeekedToken(AssemblerState &st);
// True when the next token is of the given kind; takes it then. Text that forms no token is
// not of the kind: it is left for the next read, which reports it.
bool TakeIf(AssemblerState &st, int32_t kind);

// Where the scan of a line stands, with the local labels' counters, to return to later.
struct ScanMark {
  ScanState scan;
  int32_t local_counters[kLocalFamilies] = {};
};
ScanMark MarkScan(const AssemblerState &st);
void RewindScan(AssemblerState &st, const ScanMark &mark);

// The rest of the line from the scan position (the scan does not move).
std::string_view RestOfLine(const AssemblerState &st);
// The instruction or directive a misspelt word most likely stands for ("" when none is near).
std::string NearestStatementWord(std::string_view word);
// The whole line being scanned (nullptr before the first).
inline const char *LineBeingScanned(const AssemblerState &st) { return st.scan.line; }
// Where the scan of the line stands: the first character it has not read.
inline const char *ScanPoint(const AssemblerState &st) { return st.scan.pos; }

// The forms of a text in double quotes after spaces and tabs (ERROR, a quoted file name).
enum class QuotedText { Missing, Unclosed, Closed };
// Skips spaces and tabs; when a '"' follows, text receives what follows it up to the next '"'
// (Closed, the scan behind it) or the end of the line (Unclosed); else Missing.
QuotedText ScanQuotedText(AssemblerState &st, std::string_view &text);
// The operand of INCLUDE and BINCLUDE after spaces and tabs: a name in double quotes, or the
// characters up to a blank or ';'. False (message set) when the closing quote is missing.
[[nodiscard]] bool ScanFileName(AssemblerState &st, std::string_view &name);
// Moves the scan behind the next quote character, or to the end of the line.
void SkipPastQuote(AssemblerState &st, char quote);

// One character of a string or character constant as the output takes it: in a CP932 source
// one byte as it is; under --source-encoding=utf-8 one UTF-8 character and its CP932 code.
struct TextChar {
  const char *start = nullptr;  // where it is written in the line
  int32_t length = 0;           // its bytes in the line
  uint32_t code = 0;            // --source-encoding=utf-8: its code point
  uint8_t bytes[2] = {};        // its CP932 code, of count bytes (0: CP932 has none)
  int32_t count = 0;
};
// Takes the character at the scan position, which is no line end. False for malformed UTF-8:
// the message is set, at its column.
[[nodiscard]] bool TakeTextChar(AssemblerState &st, TextChar &c);
// Sets the slot's error for a character the output cannot hold, at its column: it has no CP932
// code (map nullptr), or no code in the character map of that name.
void SetNoCodeError(AssemblerState &st, const TextChar &c, const char *map);
// Text of a source line as a message prints it: as it is, but for a --source-encoding=utf-8
// source in CP932 messages, where it is converted (a character without a CP932 code, or bytes
// that are no UTF-8, as '?').
std::string TextForMessages(const AssemblerState &st, std::string_view text);

// The characters of the line, one at a time: the next one taken (the end of the line, NUL, is
// never passed); the next one taken, in upper case.
inline char TakeChar(AssemblerState &st) {
  const char c = *st.scan.pos;
  if (c != '\0') {
    ++st.scan.pos;
  }
  return c;
}
inline char TakeUpper(AssemblerState &st) { return Upper(TakeChar(st)); }
// True when text is a word that is no keyword: a name a label may have (at most 63
// characters).
bool IsPlainName(std::string_view text);
// Writes the five-character base-64 encoding of serial (0..0x3FFFFFFF) into out.
void EncodeSerial(char *out, int32_t serial);

// ---- Expressions -------------------------------------------------------------------------

// Parses the expression at the scan position into st.expr.postfix.
[[nodiscard]] bool EvaluateExpression(AssemblerState &st);
// EvaluateExpression for the condition of IF or ELIF, whose value is needed at once and after
// which a false condition leaves the rest of the line unread.
[[nodiscard]] bool EvaluateCondition(AssemblerState &st);
// Evaluates an expression whose value is needed at once; fails with "value undetermined"
// when it depends on a label not yet defined. Inside a scope, a name the scope does not define
// takes the value of the innermost enclosing scope that defines it with a known value.
[[nodiscard]] bool EvaluateKnown(AssemblerState &st, int32_t &value);
// EvaluateKnown for the operand of END, after which the rest of the line is never read.
[[nodiscard]] bool EvaluateEndOperand(AssemblerState &st, int32_t &value);
// Sets the slot to "value not yet known" for the expression just evaluated, naming its labels
// without a value for --errors=gnu.
void SetValueUnknown(AssemblerState &st);
// Applies a binary operator (kind) to a and b with wrapping signed 32-bit arithmetic; false
// for a division or remainder by zero. The most negative number divided by -1 wraps to itself
// (remainder 0).
[[nodiscard]] bool ApplyBinary(int32_t kind, int32_t a, int32_t b, int32_t &result);
// Applies a unary operator (kNegate, kNot, kComplement; kHigh, kLow: bits 8-15, bits 0-7).
int32_t ApplyUnary(int32_t kind, int32_t a);
