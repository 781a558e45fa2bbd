// Expression evaluator: precedence climbing that builds the postfix form, folding constants.
#include <array>
#include <cassert>
#include <climits>
#include <string_view>

#include "lexer/lexer.h"
#include "lexer/scanner.h"
#include "symbols/symbols.h"

namespace {

using lexer::IsLocalDefinition;

// The definition form of an anonymous label ("@@", "@3") advances its family's counter each time
// it is scanned, and the counter names every anonymous label that follows. Where an expression
// meets such a token, it scans it a fixed number of times, part of the language like the names
// themselves: twice where an operand stands, once more for the look at an expression's first
// token, and once for each of the eleven precedence levels where an operator may stand.
constexpr int32_t kOperandLooks = 2;
constexpr int32_t kOperatorLooks = 11;

// Binding power of each binary operator, loosest first; 0 for every other token kind.
constexpr int32_t kLowestPrecedence = 1;
constexpr std::array<uint8_t, kSkippedLine + 1> MakePrecedences() {
  std::array<uint8_t, kSkippedLine + 1> table{};
  table[kColon] = 1;  // high byte : low byte
  table[kLogicalOr] = 2;
  table[kLogicalAnd] = 3;
  table[kBitOr] = 4;
  table[kBitXor] = 5;
  table[kBitAnd] = 6;
  table[kEqual] = table[kNotEqual] = 7;
  table[kGreater] = table[kLess] = table[kGreaterEqual] = table[kLessEqual] = 8;
  table[kShl] = table[kShr] = 9;
  table[kPlus] = table[kMinus] = 10;
  table[kMul] = table[kDiv] = table[kMod] = 11;
  return table;
}
constexpr std::array<uint8_t, kSkippedLine + 1> kPrecedences = MakePrecedences();
static_assert(kPrecedences[kMul] == kOperatorLooks, "one look for each precedence level");

int32_t PrecedenceOf(int32_t kind) {
  return kind >= 0 && kind <= kSkippedLine ? kPrecedences[static_cast<size_t>(kind)] : 0;
}

// The state of one expression being parsed.
struct Parser {
  explicit Parser(AssemblerState &state) : st(state) {}
  AssemblerState &st;
  Token token;  // the token peeked last
  int32_t paren_depth = 0;
  int32_t outer_groups = 0;  // parenthesised groups at the outermost level
  bool group = false;        // the last primary was a parenthesised group
};

bool ParseBinary(Parser &p, int32_t min_precedence, int32_t &next);
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
    if (!ApplyBinary(kind, buffer.values[n - 2], buffer.values[n - 1], result)) {
      SetError(st, Msg::DivisionByZero);
      return false;
    }
    buffer.values[n - 2] = result;
    buffer.count = n - 1;
    return true;
  }
  return Append(st, 0, kind);
}

// Peeks the next token into p.token; nullptr when it cannot be scanned (message set, unless
// quiet). The definition form of an anonymous label is scanned `looks` times.
const Token *Peek(Parser &p, int32_t looks, bool quiet = false) {
  bool ok = false;
  int32_t look = 0;
  do {
    ok = quiet ? TryPeekToken(p.st, p.token) : PeekToken(p.st, p.token);
  } while (ok && ++look < looks && IsLocalDefinition(p.token));
  return ok ? &p.token : nullptr;
}

// The kind of the token where an operator may stand; -1 when none can be scanned there (the
// expression ends before it, and whoever reads on meets it).
int32_t PeekOperator(Parser &p) {
  const Token *token = Peek(p, kOperatorLooks, true);
  return token != nullptr ? token->kind : -1;
}

// '(' expression ')'
bool ParseGroup(Parser &p) {
  AssemblerState &st = p.st;
  ++p.paren_depth;
  int32_t next = 0;
  if (!TakePeekedToken(st) || !ParseBinary(p, kLowestPrecedence, next)) {
    return false;
  }
  if (next != kRParen) {
    // Whatever stands there is scanned once more as the closing token it is not, which
    // advances an anonymous label's counter like any other scan of it.
    Token close;
    (void)TryScanToken(st, close);
    SetError(st, Msg::MissingRParen);
    return false;
  }
  if (!TakePeekedToken(st)) {
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
  const char *text = st.scan.pos;
  while (*st.scan.pos != '\'') {
    if (*st.scan.pos == '\0') {
      SetError(st, Msg::MissingCloseQuote);
      return false;
    }
    value = value << 8 | static_cast<uint8_t>(TakeChar(st));
  }
  if (const auto length = static_cast<int32_t>(st.scan.pos - text); length > st.expr.text_length) {
    st.expr.text_constant = text;
    st.expr.text_length = length;
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
  const int32_t block = st.pass.floating.block;  // the placement's open block
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
  if (!TryScanToken(st, token) || token.kind != kLParen) {
    SetError(st, Msg::MissingLParen);
    return false;
  }
  if (!TryScanToken(st, token) || token.kind != kIdentifier) {
    SetError(st, Msg::IllegalDefinedLabel);
    return false;
  }
  const int32_t index = FindLabel(st, token.Text());
  const Label *label = index != 0 ? LabelAt(st, index) : nullptr;
  bool defined = false;
  if (label != nullptr) {
    defined = IsListingPass(st) ? (label->flags & kFlagListingReached) != 0
                                : label->kind != kLabelUndefined;
  }
  if (!defined && Warns(st.options, kWarnScope) && !IsListingPass(st) && InNestedScope(st) &&
      (FindLabelOutward(st, token.Text(), kLabelDefined) != nullptr ||
       FindLabelOutward(st, token.Text(), kLabelMacro) != nullptr)) {
    Report(st, Msg::WarnDefinedOuter, std::string(token.Text()).c_str());
  }
  if (!Append(st, defined ? 1 : 0, kNumber)) {
    return false;
  }
  if (!TryScanToken(st, token) || token.kind != kRParen) {
    SetError(st, Msg::MissingRParen);
    return false;
  }
  return true;
}

// A label: its value when it has one, else a reference to resolve later. A name not seen
// before is added to the current scope without a value.
bool ParseLabel(AssemblerState &st, const Token &token) {
  const std::string_view name = token.Text();
  const LabelSearch search = SearchLabel(st, name);
  int32_t index = search.index;
  if (index == 0) {
    index = AddSearchedLabel(st, name, search);
    if (index == 0) {
      return false;
    }
  }
  Label *label = LabelAt(st, index);
  if (!IsListingPass(st)) {
    label->flags |= kFlagReferenced;
  }
  const bool appended = label->kind == kLabelDefined ? Append(st, label->value, kNumber)
                                                     : Append(st, index, kIdentifier);
  return appended && TakePeekedToken(st);
}

// primary := '(' expression ')' | character | '$' | DEFINED '(' name ')' | label | number
bool ParsePrimary(Parser &p, const Token &token) {
  AssemblerState &st = p.st;
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
  const Token *token = Peek(p, kOperandLooks);
  if (token == nullptr) {
    return false;
  }
  int32_t op = 0;
  switch (token->kind) {
    case kPlus:
      return TakePeekedToken(st) && ParseUnary(p);
    case kMinus:
      op = kNegate;
      break;
    case kNot:
    case kComplement:
      op = token->kind;
      break;
    default:
      return ParsePrimary(p, *token);
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

// expression := unary { operator unary }, by precedence climbing: parses the operands and the
// operators that bind at least as tightly as min_precedence, each level left-associative, and
// stops before the first token that is no such operator; its kind goes to next (-1 when it
// cannot be scanned). Every place where an operator may stand is peeked once.
//   precedence, loosest first:  :   ||   &&   |   ^   &   == !=   > < >= <=   << >>   + -   * / %
bool ParseBinary(Parser &p, int32_t min_precedence, int32_t &next) {
  if (!ParseUnary(p)) {
    return false;
  }
  int32_t op = PeekOperator(p);
  for (int32_t precedence = PrecedenceOf(op); precedence >= min_precedence;
       precedence = PrecedenceOf(op)) {
    int32_t following = 0;
    if (!TakePeekedToken(p.st) || !ParseBinary(p, precedence + 1, following) ||
        !FoldBinary(p.st, op)) {
      return false;
    }
    op = following;
  }
  next = op;
  return true;
}

}  // namespace

bool EvaluateExpression(AssemblerState &st) {
  ExpressionState &expr = st.expr;
  expr.postfix.count = 0;
  expr.text_length = 0;
  Parser p(st);
  // A look at the first token only: the parse reads it again, and reports it when it fails.
  const Token *first = Peek(p, 1, true);
  expr.start = first != nullptr ? first->start : nullptr;
  const bool starts_with_group = first != nullptr && first->kind == kLParen;
  int32_t next = 0;
  const bool ok = ParseBinary(p, kLowestPrecedence, next);
  expr.memory_operand = starts_with_group && p.group && p.outer_groups == 1;
  expr.known = expr.postfix.count == 1 && expr.postfix.kinds[0] == kNumber;
  return ok;
}

bool ApplyBinary(int32_t kind, int32_t a, int32_t b, int32_t &result) {
  // Unsigned arithmetic wraps without undefined behaviour; the casts back are modular.
  const uint32_t ua = static_cast<uint32_t>(a);
  const uint32_t ub = static_cast<uint32_t>(b);
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
        return false;
      }
      if (a == INT32_MIN && b == -1) {
        result = kind == kDiv ? a : 0;  // the quotient wraps to itself
        return true;
      }
      result = kind == kDiv ? a / b : a % b;
      return true;
    default:
      // Not a binary operator: the callers pass only the operators of the precedence table.
      assert(false && "a binary operator");
      result = 0;
      return true;
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
    SetValueUnknown(st);
    return false;
  }
  value = st.expr.postfix.values[0];
  return true;
}

void SetValueUnknown(AssemblerState &st) {
  SetError(st, Msg::ValueUndetermined);
  SetErrorColumn(st, st.expr.start);
  const PostfixBuffer &postfix = st.expr.postfix;
  const int32_t scope = CurrentScope(st);
  for (int32_t i = 0; i < postfix.count; ++i) {
    if (postfix.kinds[i] == kIdentifier) {
      AddUnknownName(st, {scope, postfix.values[i]}, DefinitionsNoted(st));
    }
  }
}
