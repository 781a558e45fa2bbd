// The lexer's part of AssemblerState: the token, the scan of the line being assembled and the
// result of the last expression. Their operations are those of src/lexer/lexer.h.
#pragma once

#include <cstdint>
#include <string_view>

#include "base/conditional_stack.h"

// The form of a generated local label token ("@@", "@3" define; "@B", "@2F" refer).
enum class LocalForm : uint8_t { None, Definition, Reference };

// One token of the current line. Its text is a view of the line, so a token is used only
// while that line is being assembled.
struct Token {
  int32_t kind = 0;    // a TokenKind
  int32_t value = 0;   // Number: its value
  int32_t length = 0;  // identifier or keyword: characters of its text (1..63)
  LocalForm local_form = LocalForm::None;
  const char *start = nullptr;  // where the token begins in the line
  char local[8] = {};           // generated local label: its name, NUL-terminated
  // The text of an identifier or keyword (empty for other tokens): the characters as written,
  // or the generated name of a local label, which is written as "@..." in the line.
  std::string_view Text() const {
    const char *text = local_form != LocalForm::None ? local : start;
    return {text, static_cast<size_t>(length)};
  }
};

// The scan of the line being assembled.
struct ScanState {
  const char *line = nullptr;           // the line being scanned
  const char *pos = nullptr;            // next character to read; never past the NUL
  const char *token_start = nullptr;    // where the token read last (scanned or peeked) begins
  const char *comment = nullptr;        // where the line's comment begins, once a scan met it
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
  // The conditional state of the line's file or body: its skipped branches return only the
  // conditional keywords. nullptr for a line scanned apart from the conditionals.
  ConditionalStack *conditional = nullptr;
};

// The local labels' counters of a pass: @0..@9 and (index 10) @@ definitions so far.
constexpr int kLocalFamilies = 11;

constexpr int kPostfixCapacity = 256;

// Postfix form of the last expression, folded while it was parsed.
struct PostfixBuffer {
  int32_t values[kPostfixCapacity] = {};
  int32_t kinds[kPostfixCapacity] = {};
  int32_t count = 0;
};

// The last expression evaluated: read by every folder that evaluates operands.
struct ExpressionState {
  PostfixBuffer postfix;
  const char *start = nullptr;  // where it begins in the line; nullptr before one on a line
  // Its longest character constant of more than one byte, for --warn=text: where its text
  // begins, its bytes (0: none) and the characters of its text up to the closing quote.
  const char *text_constant = nullptr;
  int32_t text_length = 0;
  int32_t text_span = 0;
  bool known = false;           // postfix is a single Number: its value is the result
  bool memory_operand = false;  // the expression is one parenthesised group
  // The statement needs the value at once: a name the current scope does not define takes
  // the value of an enclosing scope that does.
  bool at_once = false;
};
