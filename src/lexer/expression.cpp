// Expression evaluator: precedence climbing that builds the postfix form, folding constants.
#include <algorithm>
#include <array>
#include <cassert>
#include <cstring>
#include <iterator>
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
  // The statement may leave the rest of its line unread after the expression (the operand of
  // END, a false IF or ELIF condition): outside parentheses, a text that ends the expression
  // there keeps ending it, so that such a line means what it always meant.
  bool rest_unread = false;
};

// True outside parentheses when the statement may leave the rest of the line unread.
bool RestMayStayUnread(const Parser &p) { return p.rest_unread && p.paren_depth == 0; }

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

// The quote that closes a character constant when two quotes inside it stand for one: the
// first one after the pairs that begin at quote, the first quote of the constant; nullptr when
// the line ends before it.
const char *CloseAfterPairs(const char *quote) {
  while (quote != nullptr && quote[1] == '\'') {
    quote = std::strchr(quote + 2, '\'');
  }
  return quote;
}

// "'" bytes "'": the raw bytes, each shifted in from the right (only the last four count). Two
// quotes inside stand for one ('''' is 27h, 'a''b' is 612762h), except where that would leave
// the constant open to the end of the line, or where the statement may leave the rest of its
// line unread: there the first quote closes the constant, followed by whatever stands behind.
// Under --source-encoding=utf-8 the bytes are the CP932 codes of the UTF-8 characters.
bool ParseCharacterConstant(Parser &p) {
  AssemblerState &st = p.st;
  if (!TakePeekedToken(st)) {
    return false;
  }
  const char *const text = st.scan.pos;
  const char *const first_quote = std::strchr(text, '\'');
  if (first_quote == nullptr) {
    st.scan.pos += std::strlen(st.scan.pos);
    SetError(st, Msg::MissingCloseQuote);
    return false;
  }
  const char *close = RestMayStayUnread(p) ? first_quote : CloseAfterPairs(first_quote);
  if (close == nullptr) {
    close = first_quote;
  }
  uint32_t value = 0;
  int32_t bytes = 0;
  for (const char *c = text; c < close;) {
    TextChar character;
    if (!lexer::ReadTextChar(st, c, character)) {
      return false;
    }
    if (character.count == 0) {
      SetNoCodeError(st, character, nullptr);
      return false;
    }
    for (int32_t i = 0; i < character.count; ++i) {
      value = value << 8 | character.bytes[i];
      ++bytes;
    }
    c += *c == '\'' ? 2 : character.length;  // a quote stands for the pair it begins
  }
  if (bytes > st.expr.text_length) {
    st.expr.text_constant = text;
    st.expr.text_length = bytes;
    st.expr.text_span = static_cast<int32_t>(close - text);
  }
  st.scan.pos = close + 1;
  return Append(st, static_cast<int32_t>(value), kNumber);
}

// '%' and binary digits where an operand stands (between operands '%' is the remainder): a
// binary number, with underscores like the other forms. Without a binary digit right after the
// '%' the operand is no expression, as it is without this form.
bool ParsePercentBinary(AssemblerState &st, const Token &percent) {
  const char first = percent.start[1];
  if (first != '0' && first != '1') {
    SetError(st, Msg::ExpressionSyntax);
    return false;
  }
  if (!TakePeekedToken(st)) {
    return false;
  }
  uint32_t value = 0;
  for (char c = *st.scan.pos; lexer::IsWordChar(c); c = *++st.scan.pos) {
    if (c == '0' || c == '1') {
      value = value * 2 + static_cast<uint32_t>(c - '0');
    } else if (c != '_') {
      SetError(st, Msg::InvalidNumber);
      return false;
    }
  }
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

// True when the name has a value (or is a macro) in the current scope; in the listing pass,
// when its definition has been reached in that pass. Both passes agree on every line.
bool DefinedHere(AssemblerState &st, std::string_view name) {
  const int32_t index = FindLabel(st, name);
  const Label *label = index != 0 ? LabelAt(st, index) : nullptr;
  if (label == nullptr) {
    return false;
  }
  return IsListingPass(st) ? (label->flags & kFlagListingReached) != 0
                           : label->kind != kLabelUndefined;
}

// DEFINED '(' name ')': 1 when DefinedHere.
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
  const bool defined = DefinedHere(st, token.Text());
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
  // A value needed at once that the scope lacks comes from the enclosing scope defining it.
  const Label *valued = label;
  if (st.expr.at_once) {
    const Label *outer = OuterValueAtOnce(st, name, PlaceHere(st, ColumnAt(st, token.start)));
    valued = outer != nullptr ? outer : label;
  }
  const bool appended = valued->kind == kLabelDefined ? Append(st, valued->value, kNumber)
                                                      : Append(st, index, kIdentifier);
  return appended && TakePeekedToken(st);
}

// True when the token at the scan position begins an operand that a label named HIGH or LOW
// cannot stand before: a statement would begin with it and fail. Not so '+', '-' and '%', the
// binary operators, nor a name that begins a statement of its own: a macro's name, a local
// label's definition ("@@:"), a label field (NAME:, NAME::, NAME EQU, NAME =, NAME MACRO,
// NAME PROC, NAME {, NAME IN_PAGE, NAME PAGE_ALIGNED), or one before a token that cannot be
// scanned.
bool ByteOperandFollows(AssemblerState &st) {
  constexpr int32_t kOperandStarts[] = {kNumber, kQuote,      kLParen, kDollar,
                                        kNot,    kComplement, kDefined};
  constexpr int32_t kLabelFields[] = {kColon, kDoubleColon, kEqu,    kAssign,
                                      kMacro, kProc,        kInPage, kPageAligned};
  Token next;
  if (!TryPeekToken(st, next)) {
    return false;
  }
  if (std::find(std::begin(kOperandStarts), std::end(kOperandStarts), next.kind) !=
      std::end(kOperandStarts)) {
    return true;
  }
  if (next.kind != kIdentifier || next.local_form != LocalForm::None) {
    return next.local_form == LocalForm::Reference;
  }
  const int32_t index = FindLabel(st, next.Text());
  const Label *label = index != 0 ? LabelAt(st, index) : nullptr;
  if ((label != nullptr && label->kind == kLabelMacro) ||
      (InNestedScope(st) && FindLabelOutward(st, next.Text(), kLabelMacro) != nullptr)) {
    return false;
  }
  Token after;
  return TakePeekedToken(st) && TryPeekToken(st, after) &&
         std::find(std::begin(kLabelFields), std::end(kLabelFields), after.kind) ==
             std::end(kLabelFields);
}

// HIGH and LOW, in any letter case, before an operand: kHigh or kLow; 0 where the word is a
// label, as everywhere else (LOW+1, LOW-1, LD A,LOW, DB HIGH). Where the statement may leave
// the rest of its line unread, a label (or macro) of that name defined above keeps its
// reading. The look at what follows is given back whole, local labels' counters included.
int32_t ByteOperatorOf(Parser &p, const Token &word) {
  if (word.local_form != LocalForm::None) {
    return 0;
  }
  const std::string_view text = word.Text();
  if (text.size() != 3 && text.size() != 4) {
    return 0;  // most names: neither word
  }
  const int32_t op = SameIgnoringCase(text, "HIGH")  ? kHigh
                     : SameIgnoringCase(text, "LOW") ? kLow
                                                     : 0;
  AssemblerState &st = p.st;
  if (op == 0 || (RestMayStayUnread(p) && DefinedHere(st, text))) {
    return 0;
  }
  const ScanMark mark = MarkScan(st);
  const bool operand = TakePeekedToken(st) && ByteOperandFollows(st);
  RewindScan(st, mark);
  return operand ? op : 0;
}

// primary := '(' expression ')' | character | '$' | DEFINED '(' name ')' | label | number
//          | '%' binary digits
bool ParsePrimary(Parser &p, const Token &token) {
  AssemblerState &st = p.st;
  p.group = false;
  switch (token.kind) {
    case kLParen:
      return ParseGroup(p);
    case kQuote:
      return ParseCharacterConstant(p);
    case kDollar:
      return ParseDollar(st);
    case kDefined:
      return ParseDefined(st);
    case kIdentifier:
      return ParseLabel(st, token);
    case kNumber:
      return Append(st, token.value, kNumber) && TakePeekedToken(st);
    case kMod:
      return ParsePercentBinary(st, token);
    default:
      SetError(st, Msg::ExpressionSyntax);
      return false;
  }
}

// unary := ('!' | '~' | '-' | '+' | HIGH | LOW) unary | primary
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
    case kIdentifier:
      op = ByteOperatorOf(p, *token);
      if (op == 0) {
        return ParsePrimary(p, *token);
      }
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

// Parses the expression; rest_unread: the statement may leave the rest of its line unread after
// it (the operand of END, a false IF or ELIF condition).
bool ParseExpression(AssemblerState &st, bool rest_unread) {
  ExpressionState &expr = st.expr;
  expr.postfix.count = 0;
  expr.text_length = 0;
  Parser p(st);
  // A look at the first token only: the parse reads it again, and reports it when it fails.
  const Token *first = Peek(p, 1, true);
  expr.start = first != nullptr ? first->start : nullptr;
  p.rest_unread = rest_unread;
  const bool starts_with_group = first != nullptr && first->kind == kLParen;
  int32_t next = 0;
  const bool ok = ParseBinary(p, kLowestPrecedence, next);
  expr.memory_operand = starts_with_group && p.group && p.outer_groups == 1;
  expr.known = expr.postfix.count == 1 && expr.postfix.kinds[0] == kNumber;
  return ok;
}

}  // namespace

bool EvaluateExpression(AssemblerState &st) { return ParseExpression(st, false); }

bool EvaluateCondition(AssemblerState &st) {
  st.expr.at_once = true;  // the branch is chosen at this line
  const bool parsed = ParseExpression(st, true);
  st.expr.at_once = false;
  return parsed;
}

namespace {

// The value of the expression, needed at once.
bool EvaluateKnownValue(AssemblerState &st, int32_t &value, bool rest_unread) {
  st.expr.at_once = true;
  const bool parsed = ParseExpression(st, rest_unread);
  st.expr.at_once = false;
  if (!parsed) {
    return false;
  }
  if (!st.expr.known) {
    SetValueUnknown(st);
    return false;
  }
  value = st.expr.postfix.values[0];
  return true;
}

}  // namespace

bool EvaluateKnown(AssemblerState &st, int32_t &value) {
  return EvaluateKnownValue(st, value, false);
}

bool EvaluateEndOperand(AssemblerState &st, int32_t &value) {
  return EvaluateKnownValue(st, value, true);
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
