// The statement loop: splits a line into statements, handles the label field and the
// pseudo-instructions, and reports the first error of the line.
#include <cassert>
#include <optional>
#include <string>
#include <string_view>

#include "assembler/assembler.h"
#include "assembler/charmap.h"
#include "assembler/code.h"
#include "assembler/emit.h"
#include "assembler/explain.h"
#include "assembler/listline.h"
#include "assembler/placement.h"
#include "assembler/statements.h"
#include "lexer/lexer.h"
#include "source/source.h"
#include "symbols/symbols.h"
#include "z80/z80.h"

namespace {

constexpr size_t kMaxErrorText = 63;

// The text in double quotes of ERROR or ASSERT, at most 63 characters; false (message set)
// when it is missing, too long or not closed.
bool ReadQuotedText(AssemblerState &st, std::string_view &text) {
  const QuotedText form = ScanQuotedText(st, text);
  if (form == QuotedText::Missing) {
    SetError(st, Msg::MissingOpenDoubleQuote);
  } else if (text.size() > kMaxErrorText) {
    SetError(st, Msg::ErrorTextTooLong);
  } else if (form == QuotedText::Unclosed) {
    SetError(st, Msg::MissingCloseDoubleQuote);
  } else {
    return true;
  }
  return false;
}

// ---- Directives -----------------------------------------------------------------------

// ORG expr
StatementResult DoOrg(AssemblerState &st) {
  int32_t value = 0;
  if (!CheckNoPlacementMode(st, "ORG") || !EvaluateKnown(st, value)) {
    return Failed();
  }
  if (st.pass.floating.pending && !PlaceBlocksAtOrg(st)) {
    return Failed();  // the placement run has printed its own message; the line counts
  }
  // A new segment follows the whole image, also when an ARRANGE without pairs has moved the
  // position back into the code before.
  SegmentState &segment = st.segment;
  // --warn=org: the image is one run of bytes, so the next one lands right after the last.
  if (const int64_t lands = (int64_t{segment.load_address} + st.pass.image_end) & 0xFFFF;
      Warns(st.options, kWarnOrg) && !IsListingPass(st) && st.pass.image_end > 0 &&
      (value & 0xFFFF) != lands) {
    ReportAtLine(st, kCurrentLine, ColumnAt(st, st.expr.start), Msg::WarnOrgImage,
                 static_cast<unsigned>(value & 0xFFFF), static_cast<unsigned>(lands));
  }
  st.pass.position = st.pass.image_end;
  segment.position = st.pass.position;
  segment.address = value;
  st.pass.location = value;
  if (st.pass.image_end == 0) {
    segment.load_address = value;  // the image's first byte, when one comes, is assembled here
  }
  return kResultOk;
}

// END [expr]
StatementResult DoEnd(AssemblerState &st) {
  if (CloseOffsetOrArrange(st)) {
    return kResultOk;
  }
  Token next;
  if (TryPeekToken(st, next) && next.kind == kEndOfLine) {
    return kResultEnd;
  }
  int32_t value = 0;
  if (!EvaluateEndOperand(st, value)) {
    return Failed();
  }
  st.segment.exec_address = value;
  st.segment.exec_given = true;
  return kResultEnd;
}

// DEFM 'text': those sources mean the text, where DB here reads a character constant and keeps
// one byte of it. The item is refused rather than stored so; the text is written in double
// quotes.
void RefuseSingleQuotedText(AssemblerState &st) {
  SetError(st, Msg::MissingOpenDoubleQuote);
  const std::string_view rest = RestOfLine(st);
  // Advice only for a text that double quotes can hold as written: no '"', no doubled quote.
  const size_t close = rest.find('\'', 1);
  if (close != std::string_view::npos && rest.substr(close, 2) != "''") {
    const std::string_view text = rest.substr(1, close - 1);
    if (text.find('"') == std::string_view::npos) {
      std::string quoted(1, '"');
      quoted.append(text).push_back('"');
      AddErrorDetail(st, Msg::DetailWriteInstead, quoted.c_str());
    }
  }
}

// One double-quoted DB string, optionally followed by + expr.
bool EmitString(AssemblerState &st) {
  int32_t last_start = -1;  // position of the string's byte that receives the addition
  if (!EmitMappedString(st, last_start)) {
    return false;
  }
  if (!TakeIf(st, kPlus)) {
    return true;
  }
  int32_t value = 0;
  if (!EvaluateKnown(st, value)) {
    return false;
  }
  // An empty string, or one in an OFFSET section, left no byte of its own to add to.
  if (!IsListingPass(st) && last_start >= 0 && last_start < st.pass.position) {
    st.code.bytes[static_cast<size_t>(last_start)] += static_cast<uint8_t>(value);
  }
  return true;
}

// The items of DB and DEFM.
StatementResult EmitByteItems(AssemblerState &st, bool text_only_in_double_quotes) {
  do {
    Token next;
    if (!PeekToken(st, next)) {
      return Failed();
    }
    if (next.kind == kQuote && text_only_in_double_quotes) {
      RefuseSingleQuotedText(st);
      return Failed();
    }
    if (next.kind == kDoubleQuote) {
      if (!TakePeekedToken(st) || !EmitString(st)) {
        return Failed();
      }
    } else if (!EmitOperandByte(st)) {
      return Failed();
    }
  } while (TakeIf(st, kComma));
  return kResultOk;
}

// DB item {, item}
StatementResult DoDb(AssemblerState &st) { return EmitByteItems(st, false); }

// DW expr {, expr}
StatementResult DoDw(AssemblerState &st) {
  do {
    if (!EmitOperandWord(st)) {
      return Failed();
    }
  } while (TakeIf(st, kComma));
  return kResultOk;
}

// DS size [, fill]
StatementResult DoDs(AssemblerState &st) {
  int32_t size = 0;
  if (!EvaluateKnown(st, size)) {
    return Failed();
  }
  if (size < 0) {
    SetError(st, Msg::NegativeDs);
    return Failed();
  }
  int32_t fill = 0;
  if (TakeIf(st, kComma) && !EvaluateKnown(st, fill)) {
    return Failed();
  }
  WarnIfOutOfRange(st, fill, OperandRange::Byte);
  // In an OFFSET section the bytes are only counted and the location wraps at 64 KiB: beyond
  // one turn only the rest of the size moves it, so that DS 7FFFFFFFH takes no billions of steps.
  constexpr int32_t kTurn = 0x10000;
  if (st.placement.offset_open && size > kTurn) {
    size = kTurn + size % kTurn;
  }
  for (int32_t i = 0; i < size; ++i) {
    if (!EmitByte(st, static_cast<uint8_t>(fill))) {
      return Failed();
    }
  }
  return kResultOk;
}

// ALIGN n, n a power of two up to 256
StatementResult DoAlign(AssemblerState &st) {
  int32_t n = 0;
  if (!EvaluateKnown(st, n)) {
    RestateError(st, Msg::ValueUndetermined);  // whatever failed: ALIGN needs its value now
    return Failed();
  }
  if (n > 256) {
    SetError(st, Msg::AlignTooLarge);
    return Failed();
  }
  if (n <= 0 || (n & (n - 1)) != 0) {
    SetError(st, Msg::AlignNotPower);
    return Failed();
  }
  while ((st.pass.location & (n - 1)) != 0) {
    if (!EmitByte(st, 0)) {
      return Failed();
    }
  }
  return kResultOk;
}

// ERROR "text" — fails the line with the user's text as its message.
StatementResult DoError(AssemblerState &st) {
  std::string_view text;
  if (ReadQuotedText(st, text)) {
    SetError(st, Msg::UserError, TextForMessages(st, text).c_str());
  }
  return Failed();
}

// PROC / { — an unnamed scope.
StatementResult DoProc(AssemblerState &st) { return FromBool(EnterScope(st, "")); }

// ENDP / } — back to the enclosing scope.
StatementResult DoEndp(AssemblerState &st) {
  CloseFloatingBlockAtEndp(st);
  if (!CloseScope(st)) {
    SetError(st, Msg::EndpWithoutProc);
    return Failed();
  }
  return kResultOk;
}

// ", offset [, length]" after the quoted name of BINCLUDE: the slice of the file it copies,
// both values needed at once. Whether the slice lies inside the file is known once it is read.
bool ReadSlice(AssemblerState &st, SourceContext &ctx) {
  int32_t offset = 0;
  int32_t length = -1;
  Token next;
  if (!TakePeekedToken(st) || !EvaluateKnown(st, offset) || !PeekToken(st, next)) {
    return false;
  }
  if (next.kind == kComma && (!TakePeekedToken(st) || !EvaluateKnown(st, length))) {
    return false;
  }
  if (offset < 0 || (next.kind == kComma && length < 0)) {
    SetError(st, Msg::NegativeSlice);
    return false;
  }
  ctx.slice_offset = offset;
  ctx.slice_length = length;
  return true;
}

// INCLUDE name / BINCLUDE name, the name plain or in double quotes; a quoted BINCLUDE name
// may be followed by the slice of the file to copy.
StatementResult ReadFileOperand(AssemblerState &st, const char *keyword, StatementResult result) {
  std::string_view name;
  if (!CheckNotInLineBlock(st, keyword) || !ScanFileName(st, name)) {
    return Failed();
  }
  if (name.size() >= kOperandPathCapacity) {
    SetError(st, Msg::FileNameTooLong);
    return Failed();
  }
  SetOperand(st, name);
  SourceContext &ctx = *st.source.context;
  ctx.slice_offset = 0;
  ctx.slice_length = -1;
  // A quoted name leaves the scan behind its closing quote, a plain one right at its end: a
  // comma after a plain name would be part of it.
  const bool quoted = ScanPoint(st) != name.data() + name.size();
  Token next;
  if (!PeekToken(st, next)) {
    return Failed();
  }
  if (result == kResultBinclude && quoted && next.kind == kComma) {
    if (!ReadSlice(st, ctx) || !PeekToken(st, next)) {
      return Failed();
    }
  }
  if (next.kind != kEndOfLine) {
    SetError(st, Msg::NothingMayFollow, keyword);
    return Failed();
  }
  return result;
}

StatementResult DoInclude(AssemblerState &st) {
  return ReadFileOperand(st, "INCLUDE", kResultInclude);
}

StatementResult DoBinclude(AssemblerState &st) {
  return ReadFileOperand(st, "BINCLUDE", kResultBinclude);
}

StatementResult DoIfStatement(AssemblerState &st) { return FromBool(DoIf(st)); }
StatementResult DoElifStatement(AssemblerState &st) { return FromBool(DoElif(st)); }
StatementResult DoElseStatement(AssemblerState &st) { return FromBool(DoElse(st)); }
StatementResult DoEndifStatement(AssemblerState &st) { return FromBool(DoEndif(st)); }

StatementResult DoRept(AssemblerState &st) {
  return CheckNotInLineBlock(st, "REPT") && DefineRept(st) ? kResultBlockStart : kResultError;
}

// ENDM outside a body capture does nothing.
StatementResult DoNothing(AssemblerState &) { return kResultOk; }

StatementResult Unsupported(AssemblerState &st) {
  SetError(st, Msg::UnsupportedDirective);
  return Failed();
}

using DirectiveHandler = StatementResult (*)(AssemblerState &);

struct DirectiveRow {
  int32_t kind;
  DirectiveHandler handler;
};

// Every code of the pseudo-instruction range, in code order.
constexpr DirectiveRow kDirectives[] = {
    {kDb,          DoDb            },
    {kDw,          DoDw            },
    {kDs,          DoDs            },
    {kOrg,         DoOrg           },
    {kMacro,       Unsupported     },
    {kEndm,        DoNothing       },
    {kAlign,       DoAlign         },
    {kOffset,      DoOffset        },
    {kUnassigned,  nullptr         }, // the gap in the codes: never dispatched
    {kColon,       Unsupported     },
    {kEqu,         Unsupported     },
    {kAssign,      Unsupported     },
    {kDoubleColon, Unsupported     },
    {kInclude,     DoInclude       },
    {kBinclude,    DoBinclude      },
    {kIf,          DoIfStatement   },
    {kElse,        DoElseStatement },
    {kEndif,       DoEndifStatement},
    {kDispc,       DoDispc         },
    {kError,       DoError         },
    {kProc,        DoProc          },
    {kEndp,        DoEndp          },
    {kElif,        DoElifStatement },
    {kChrmap,      DoChrmap        },
    {kMapchr,      DoMapchr        },
    {kArrange,     DoArrange       },
    {kPageAligned, Unsupported     },
    {kInPage,      Unsupported     },
    {kRept,        DoRept          },
    {kEnd,         DoEnd           },
};
static_assert(sizeof kDirectives / sizeof kDirectives[0] == kEnd - kDb + 1);

constexpr bool DirectiveTableInOrder() {
  for (int32_t i = 0; i <= kEnd - kDb; ++i) {
    if (kDirectives[i].kind != kDb + i) {
      return false;
    }
  }
  return true;
}
static_assert(DirectiveTableInOrder(), "directive rows must follow the token codes");

// The statement of a token that starts one: an instruction, a pseudo-instruction or the
// label field.
StatementResult Statement(AssemblerState &st, const Token &token) {
  if (IsMnemonic(token.kind)) {
    const bool ok = EncodeInstruction(st, token.kind);
    // '$' of a following statement on the line is the address after this instruction,
    // whether or not it was complete.
    st.pass.statement_address = st.pass.location;
    return FromBool(ok);
  }
  if (IsDirective(token.kind)) {
    return kDirectives[token.kind - kDb].handler(st);
  }
  if (token.kind == kIdentifier) {
    return LabelField(st, token);
  }
  SetError(st, Msg::SyntaxError);
  ExplainReservedLabel(st, token);
  return Failed();
}

}  // namespace

// DEFM item {, item}: DB, as sources written for other assemblers name it.
StatementResult DoDefm(AssemblerState &st) { return EmitByteItems(st, true); }

// INCBIN name: BINCLUDE, as sources written for other assemblers name it.
StatementResult DoIncbin(AssemblerState &st) {
  return ReadFileOperand(st, "INCBIN", kResultBinclude);
}

// ASSERT expr [, "text"]: the run fails at the line when expr is 0. An expression that names
// a label defined later is checked after the last line, with every label's value.
StatementResult DoAssert(AssemblerState &st) {
  if (!EvaluateExpression(st)) {
    return Failed();
  }
  // The expression stays in st.expr while the text is read: no expression follows it.
  std::optional<std::string> text;
  Token next;
  if (!PeekToken(st, next)) {
    return Failed();
  }
  if (next.kind == kComma) {
    std::string_view quoted;
    if (!TakePeekedToken(st) || !ReadQuotedText(st, quoted)) {
      return Failed();
    }
    text = TextForMessages(st, quoted);
    if (!PeekToken(st, next)) {
      return Failed();
    }
  }
  if (next.kind != kEndOfLine) {
    SetError(st, Msg::NothingMayFollow, "ASSERT");
    return Failed();
  }
  if (IsListingPass(st)) {
    return kResultOk;  // the assembly pass has checked it, with the same values
  }
  if (!st.expr.known) {
    return FromBool(NewAssertion(st, text));
  }
  if (st.expr.postfix.values[0] != 0) {
    return kResultOk;
  }
  if (text.has_value()) {
    SetError(st, Msg::AssertionFailedText, text->c_str());
  } else {
    SetError(st, Msg::AssertionFailed);
  }
  SetErrorColumn(st, st.expr.start);
  return Failed();
}

StatementResult AssembleLine(AssemblerState &st, const char *line, SourceContext &ctx) {
  assert(st.source.context == &ctx && "a line is assembled in the current context");
  assert(!HasError(st) && "every error of an earlier line was reported");
  BeginLineScan(st, line, &ctx.conditional);
  st.pass.statement_address = st.pass.location;
  ListingLine listing;
  ListingLine *const outer_listing = st.listing.line;
  const bool outer_untraced = st.listing.statement_untraced;
  if (IsListingPass(st)) {
    BeginListingLine(st, listing, line);
  }

  StatementResult result = kResultOk;
  Token token;
  while (result == kResultOk) {
    if (!ScanToken(st, token)) {
      result = kResultError;
    } else if (token.kind == kEndOfLine || token.kind == kSkippedLine) {
      break;
    } else {
      st.listing.statement_untraced = true;  // its first byte is traced (--sld)
      result = Statement(st, token);
      st.listing.statement_untraced = false;
    }
  }
  // One signal of failure: a statement fails exactly when it has set its message.
  assert((result == kResultError) == HasError(st));
  CloseFloatingBlockAtLineEnd(st, ctx);
  if (IsListingPass(st)) {
    EndListingLine(st, result, token.start);
  }
  st.listing.line = outer_listing;
  st.listing.statement_untraced = outer_untraced;
  if (result == kResultError) {
    ReportStatementError(st);
  }
  return result;
}
