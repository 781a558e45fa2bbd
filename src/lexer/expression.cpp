// Expression evaluator: recursive descent that builds the postfix form, folding constants.
#include <climits>
#include <string_view>

#include "driver/state.h"
#include "lexer/lexer.h"
#include "symbols/symbols.h"

namespace {

// The last token peeked within the current expression: the levels of the grammar ask for the
// same token at the same place several times, and it is scanned once for all of them.
struct PeekCache {
  const char *at = nullptr;  // scan position of the cached peek; nullptr = none
  const char *end = nullptr;
  const char *error = nullptr;  // the tokenizer's message when the peek failed
  bool ok = false;
  Token token;
};

// The state of one expression being parsed.
struct Parser {
  explicit Parser(AssemblerState &state) : st(state) {}
  AssemblerState &st;
  PeekCache peek;
  int32_t paren_depth = 0;
  int32_t outer_groups = 0;  // parenthesised groups at the outermost level
  bool group = false;        // the last primary was a parenthesised group
};

using LevelParser = bool (*)(Parser &);

bool ParseJoin(Parser &p);
bool ParseUnary(Parser &p);

bool Append(AssemblerState &st, int32_t value, int32_t kind) {
  PostfixBuffer &buffer = st.expr.postfix;
  if (buffer.count >= kPostfixCapacity) {
    SetError(st, Msg::ExpressionTooLong);
    return false;
  }
  buffer.values[buffer.count] = value;
  buffer.kinds[buffer.count] = kind;
  ++buffer.count;
  return true;
}

// Completes a binary operation. A postfix form of several items always ends with an operator,
// so the last two items are both numbers exactly when both operands are single numbers: they
// are then replaced by the result. Otherwise the operator is appended.
bool FoldBinary(AssemblerState &st, int32_t kind) {
  PostfixBuffer &buffer = st.expr.postfix;
  const int32_t n = buffer.count;
  if (n >= 2 && buffer.kinds[n - 1] == kNumber && buffer.kinds[n - 2] == kNumber) {
    int32_t result = 0;
    const char *message = nullptr;
    if (!ApplyBinary(kind, buffer.values[n - 2], buffer.values[n - 1], result, message)) {
      SetErrorText(st, message);
      return false;
    }
    buffer.values[n - 2] = result;
    buffer.count = n - 1;
    return true;
  }
  return Append(st, 0, kind);
}

template <size_t N>
bool Contains(const int32_t (&kinds)[N], int32_t kind) {
  for (int32_t k : kinds) {
    if (k == kind) {
      return true;
    }
  }
  return false;
}

// Peeks the next token, scanning it once however many levels of the grammar ask for it at
// the same place. A token whose scan has a side effect (the definition form of a generated
// local label advances its counter) is not kept, so each peek of it scans again.
bool PeekCached(Parser &p, Token &token) {
  AssemblerState &st = p.st;
  PeekCache &cache = p.peek;
  SkipBlanks(st);
  if (cache.at != nullptr && st.scan.pos == cache.at) {
    st.scan.peek_start = st.scan.pos;
    st.scan.lookahead_end = cache.end;
    token = cache.token;
    if (!cache.ok) {
      st.diag.error = cache.error;
    }
    return cache.ok;
  }
  const bool ok = PeekToken(st, token);
  const bool side_effect =
      ok && token.kind == kIdentifier && token.text[0] == '@' && token.value == 0;
  if (!side_effect) {
    cache.at = st.scan.pos;
    cache.end = st.scan.lookahead_end;
    cache.error = st.diag.error;
    cache.ok = ok;
    cache.token = token;
  }
  return ok;
}

// One left-associative binary level: operand { operator operand }. A token that is not one
// of this level's operators, or that cannot be scanned, ends the level without failing.
template <size_t N>
bool ParseBinary(Parser &p, const int32_t (&operators)[N], LevelParser operand) {
  if (!operand(p)) {
    return false;
  }
  for (;;) {
    Token op;
    if (!PeekCached(p, op) || !Contains(operators, op.kind)) {
      return true;
    }
    const int32_t kind = op.kind;
    if (!TakePeekedToken(p.st) || !operand(p) || !FoldBinary(p.st, kind)) {
      return false;
    }
  }
}

constexpr int32_t kJoinOperators[] = {kColon};
constexpr int32_t kLogicalOrOperators[] = {kLogicalOr};
constexpr int32_t kLogicalAndOperators[] = {kLogicalAnd};
constexpr int32_t kBitOrOperators[] = {kBitOr};
constexpr int32_t kBitXorOperators[] = {kBitXor};
constexpr int32_t kBitAndOperators[] = {kBitAnd};
constexpr int32_t kEqualityOperators[] = {kEqual, kNotEqual};
constexpr int32_t kRelationalOperators[] = {kGreater, kLess, kGreaterEqual, kLessEqual};
constexpr int32_t kShiftOperators[] = {kShl, kShr};
constexpr int32_t kAdditiveOperators[] = {kPlus, kMinus};
constexpr int32_t kMultiplicativeOperators[] = {kMul, kDiv, kMod};

// multiplicative := unary { ('*' | '/' | '%') unary }
bool ParseMultiplicative(Parser &p) { return ParseBinary(p, kMultiplicativeOperators, ParseUnary); }
// additive := multiplicative { ('+' | '-') multiplicative }
bool ParseAdditive(Parser &p) { return ParseBinary(p, kAdditiveOperators, ParseMultiplicative); }
// shift := additive { ('<<' | '>>') additive }
bool ParseShift(Parser &p) { return ParseBinary(p, kShiftOperators, ParseAdditive); }
// relational := shift { ('>' | '<' | '>=' | '<=') shift }
bool ParseRelational(Parser &p) { return ParseBinary(p, kRelationalOperators, ParseShift); }
// equality := relational { ('==' | '!=') relational }
bool ParseEquality(Parser &p) { return ParseBinary(p, kEqualityOperators, ParseRelational); }
// bit_and := equality { '&' equality }
bool ParseBitAnd(Parser &p) { return ParseBinary(p, kBitAndOperators, ParseEquality); }
// bit_xor := bit_and { '^' bit_and }
bool ParseBitXor(Parser &p) { return ParseBinary(p, kBitXorOperators, ParseBitAnd); }
// bit_or := bit_xor { '|' bit_xor }
bool ParseBitOr(Parser &p) { return ParseBinary(p, kBitOrOperators, ParseBitXor); }
// logical_and := bit_or { '&&' bit_or }
bool ParseLogicalAnd(Parser &p) { return ParseBinary(p, kLogicalAndOperators, ParseBitOr); }
// logical_or := logical_and { '||' logical_and }
bool ParseLogicalOr(Parser &p) { return ParseBinary(p, kLogicalOrOperators, ParseLogicalAnd); }
// join := logical_or { ':' logical_or }   (high byte : low byte)
bool ParseJoin(Parser &p) { return ParseBinary(p, kJoinOperators, ParseLogicalOr); }

// '(' join ')'
bool ParseGroup(Parser &p) {
  AssemblerState &st = p.st;
  ++p.paren_depth;
  if (!TakePeekedToken(st) || !ParseJoin(p)) {
    return false;
  }
  Token close;
  if (!ScanToken(st, close) || close.kind != kRParen) {
    SetError(st, Msg::MissingRParen);
    return false;
  }
  --p.paren_depth;
  p.group = true;
  if (p.paren_depth == 0) {
    ++p.outer_groups;
  }
  return true;
}

// "'" bytes "'": the raw bytes, each shifted in from the right (only the last four count).
bool ParseCharacterConstant(AssemblerState &st) {
  if (!TakePeekedToken(st)) {
    return false;
  }
  uint32_t value = 0;
  while (*st.scan.pos != '\'') {
    if (*st.scan.pos == '\0') {
      SetError(st, Msg::MissingCloseQuote);
      return false;
    }
    value = value << 8 | static_cast<uint8_t>(TakeChar(st));
  }
  TakeChar(st);
  return Append(st, static_cast<int32_t>(value), kNumber);
}

// '$': the statement's address; inside a floating block it counts from the block's start, so
// it stays "block label + offset" until the block is placed.
bool ParseDollar(AssemblerState &st) {
  if (!TakePeekedToken(st)) {
    return false;
  }
  const int32_t block = st.pass.floating.block;
  if (block == 0) {
    return Append(st, st.pass.statement_address, kNumber);
  }
  return Append(st, block, kIdentifier) && Append(st, st.pass.statement_address, kNumber) &&
         Append(st, 0, kPlus);
}

// DEFINED '(' name ')': 1 when the name has a value (or is a macro) in the current scope. In
// the listing pass, 1 when its definition has been reached in that pass.
bool ParseDefined(AssemblerState &st) {
  if (!TakePeekedToken(st)) {
    return false;
  }
  Token token;
  if (!ScanToken(st, token) || token.kind != kLParen) {
    SetError(st, Msg::MissingLParen);
    return false;
  }
  if (!ScanToken(st, token) || token.kind != kIdentifier) {
    SetError(st, Msg::IllegalDefinedLabel);
    return false;
  }
  const int32_t index = FindLabel(st, std::string_view(token.text, token.length));
  const Label *label = index != 0 ? LabelAt(st, index) : nullptr;
  bool defined = false;
  if (label != nullptr) {
    defined = IsListingPass(st) ? (label->flags & kFlagListingReached) != 0
                                : label->kind != kLabelUndefined;
  }
  if (!Append(st, defined ? 1 : 0, kNumber)) {
    return false;
  }
  if (!ScanToken(st, token) || token.kind != kRParen) {
    SetError(st, Msg::MissingRParen);
    return false;
  }
  return true;
}

// A label: its value when it has one, else a reference to resolve later. A name not seen
// before is added to the current scope without a value.
bool ParseLabel(AssemblerState &st, const Token &token) {
  const std::string_view name(token.text, token.length);
  int32_t index = FindLabel(st, name);
  if (index == 0) {
    index = AddLabel(st, name);
    if (index == 0) {
      return false;
    }
  }
  const Label *label = LabelAt(st, index);
  if (label == nullptr) {
    return false;
  }
  const bool appended = label->kind == kLabelDefined ? Append(st, label->value, kNumber)
                                                     : Append(st, index, kIdentifier);
  return appended && TakePeekedToken(st);
}

// primary := '(' join ')' | character | '$' | DEFINED '(' name ')' | label | number
bool ParsePrimary(Parser &p) {
  AssemblerState &st = p.st;
  Token token;
  if (!PeekCached(p, token)) {
    return false;
  }
  p.group = false;
  switch (token.kind) {
    case kLParen:
      return ParseGroup(p);
    case kQuote:
      return ParseCharacterConstant(st);
    case kDollar:
      return ParseDollar(st);
    case kDefined:
      return ParseDefined(st);
    case kIdentifier:
      return ParseLabel(st, token);
    case kNumber:
      return Append(st, token.value, kNumber) && TakePeekedToken(st);
    default:
      SetError(st, Msg::ExpressionSyntax);
      return false;
  }
}

// unary := ('!' | '~' | '-' | '+') unary | primary
bool ParseUnary(Parser &p) {
  AssemblerState &st = p.st;
  Token token;
  if (!PeekCached(p, token)) {
    return false;
  }
  int32_t op = 0;
  switch (token.kind) {
    case kPlus:
      return TakePeekedToken(st) && ParseUnary(p);
    case kMinus:
      op = kNegate;
      break;
    case kNot:
    case kComplement:
      op = token.kind;
      break;
    default:
      return ParsePrimary(p);
  }
  if (!TakePeekedToken(st) || !ParseUnary(p)) {
    return false;
  }
  PostfixBuffer &buffer = st.expr.postfix;
  if (buffer.count > 0 && buffer.kinds[buffer.count - 1] == kNumber) {
    int32_t &last = buffer.values[buffer.count - 1];
    last = ApplyUnary(op, last);
    return true;
  }
  return Append(st, 0, op);
}

}  // namespace

bool EvaluateExpression(AssemblerState &st) {
  ExpressionState &expr = st.expr;
  // The message that stands when a step fails without one of its own.
  SetError(st, Msg::MissingRParen);
  expr.postfix.count = 0;
  Parser p(st);
  Token first;
  const bool starts_with_group = PeekCached(p, first) && first.kind == kLParen;
  const bool ok = ParseJoin(p);
  expr.memory_operand = starts_with_group && p.group && p.outer_groups == 1;
  expr.known = expr.postfix.count == 1 && expr.postfix.kinds[0] == kNumber;
  if (ok) {
    ClearError(st);
  }
  return ok;
}

bool ApplyBinary(int32_t kind, int32_t a, int32_t b, int32_t &result, const char *&message) {
  // Unsigned arithmetic wraps without undefined behaviour; the casts back are modular.
  const uint32_t ua = static_cast<uint32_t>(a);
  const uint32_t ub = static_cast<uint32_t>(b);
  message = nullptr;
  switch (kind) {
    case kColon:
      result = static_cast<int32_t>(ua << 8 | (ub & 0xFF));
      return true;
    case kLogicalOr:
      result = (a != 0 || b != 0) ? 1 : 0;
      return true;
    case kLogicalAnd:
      result = (a != 0 && b != 0) ? 1 : 0;
      return true;
    case kBitOr:
      result = static_cast<int32_t>(ua | ub);
      return true;
    case kBitXor:
      result = static_cast<int32_t>(ua ^ ub);
      return true;
    case kBitAnd:
      result = static_cast<int32_t>(ua & ub);
      return true;
    case kEqual:
      result = a == b ? 1 : 0;
      return true;
    case kNotEqual:
      result = a != b ? 1 : 0;
      return true;
    case kGreater:
      result = a > b ? 1 : 0;
      return true;
    case kLess:
      result = a < b ? 1 : 0;
      return true;
    case kGreaterEqual:
      result = a >= b ? 1 : 0;
      return true;
    case kLessEqual:
      result = a <= b ? 1 : 0;
      return true;
    case kShl:
      result = static_cast<int32_t>(ua << (ub & 31));
      return true;
    case kShr:
      result = a >> (ub & 31);  // arithmetic: the sign bit is copied
      return true;
    case kPlus:
      result = static_cast<int32_t>(ua + ub);
      return true;
    case kMinus:
      result = static_cast<int32_t>(ua - ub);
      return true;
    case kMul:
      result = static_cast<int32_t>(ua * ub);
      return true;
    case kDiv:
    case kMod:
      if (b == 0) {
        message = MessageText(Msg::DivisionByZero);
        return false;
      }
      if (a == INT32_MIN && b == -1) {
        result = kind == kDiv ? a : 0;  // the quotient wraps to itself
        return true;
      }
      result = kind == kDiv ? a / b : a % b;
      return true;
    default:
      message = MessageText(Msg::ExpressionSyntax);
      return false;
  }
}

int32_t ApplyUnary(int32_t kind, int32_t a) {
  switch (kind) {
    case kNegate:
      return static_cast<int32_t>(0u - static_cast<uint32_t>(a));
    case kNot:
      return a == 0 ? 1 : 0;
    case kComplement:
      return ~a;
    default:
      return a;
  }
}

bool EvaluateKnown(AssemblerState &st, int32_t &value) {
  if (!EvaluateExpression(st)) {
    return false;
  }
  if (!st.expr.known) {
    SetError(st, Msg::ValueUndetermined);
    return false;
  }
  value = st.expr.postfix.values[0];
  return true;
}
