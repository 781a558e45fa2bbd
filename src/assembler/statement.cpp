// The statement loop: splits a line into statements, handles the label field and the
// pseudo-instructions, and reports the first error of the line.
#include <cassert>
#include <string>
#include <string_view>

#include "assembler/assembler.h"
#include "assembler/charmap.h"
#include "assembler/code.h"
#include "assembler/emit.h"
#include "assembler/explain.h"
#include "assembler/listline.h"
#include "assembler/placement.h"
#include "lexer/lexer.h"
#include "source/source.h"
#include "symbols/symbols.h"
#include "z80/z80.h"

namespace {

constexpr size_t kMaxErrorText = 63;

// Listing pass: the label the assembly pass defined at this line is marked as reached.
// Returns the label (nullptr when there is none).
Label *MarkReached(AssemblerState &st, const Token &name) {
  Label *label = LabelAt(st, FindLabel(st, name.Text()));
  TraceLabel(st, name.Text());
  if (label != nullptr && (label->flags & kFlagDefinedLate) == 0) {
    label->flags |= kFlagListingReached;
  }
  return label;
}

// ---- Label field ----------------------------------------------------------------------

// NAME: — a label at the current location. search: the name looked up in the current scope.
bool DefineColonLabel(AssemblerState &st, const Token &name, const LabelSearch &search) {
  if (!TakePeekedToken(st)) {
    return false;
  }
  if (IsListingPass(st)) {
    MarkReached(st, name);
    return true;
  }
  int32_t index = DeclareSearchedLabel(st, name.Text(), search, false);
  return index != 0 && DefineLabelHere(st, index);
}

// NAME:: — a label of the global scope, defined from whatever scope is current.
bool DefineGlobalLabel(AssemblerState &st, const Token &name) {
  const int32_t inner = CurrentScope(st);
  SelectRootScope(st);
  bool ok = false;
  if (IsListingPass(st)) {
    MarkReached(st, name);
    ok = TakePeekedToken(st);
  } else {
    int32_t reference = DeclareLabel(st, name.Text(), true);
    if (reference != 0 && TakePeekedToken(st) && DefineLabelHere(st, reference)) {
      LabelAt(st, reference)->flags |= kFlagGlobal;
      ok = true;
    }
  }
  (void)SelectScope(st, inner);
  return ok;
}

// NAME EQU expr
bool DefineEquate(AssemblerState &st, const Token &name, const LabelSearch &search) {
  if (IsListingPass(st)) {
    if (const Label *label = MarkReached(st, name)) {
      ShowListingValue(st, label->value);
    }
    return TakePeekedToken(st) && EvaluateExpression(st);
  }
  int32_t index = DeclareSearchedLabel(st, name.Text(), search, false);
  if (index == 0 || !TakePeekedToken(st) || !EvaluateExpression(st)) {
    return false;
  }
  NoteConstant(st, index);
  Label *label = LabelAt(st, index);
  if (st.expr.known) {
    label->value = static_cast<uint16_t>(st.expr.postfix.values[0]);
    label->kind = kLabelDefined;
    return true;
  }
  label->flags |= kFlagDefinedLate;
  return NewFixup(st, FixupKind::DefineLabel, index, false, st.expr.postfix);
}

// NAME = expr — a redefinable label.
bool DefineAssignment(AssemblerState &st, const Token &name, const LabelSearch &search) {
  const int32_t found = search.index;
  if (IsListingPass(st)) {
    // The listing pass assigns again, so that the lines after this one see the value they saw
    // in the assembly pass (not the last one assigned), and conditions take the same branches.
    MarkReached(st, name);
    int32_t value = 0;
    if (!TakePeekedToken(st) || !EvaluateKnown(st, value)) {
      return false;
    }
    if (Label *label = LabelAt(st, found);
        label != nullptr && (label->flags & kFlagRedefinable) != 0) {
      label->value = static_cast<uint16_t>(value);
      ShowListingValue(st, label->value);
    }
    return true;
  }
  int32_t index = found;
  if (index != 0 && (LabelAt(st, index)->flags & kFlagRedefinable) == 0) {
    SetError(st, Msg::LabelNotRedefinable);
    return false;
  }
  if (index == 0 && (index = AddSearchedLabel(st, name.Text(), search)) == 0) {
    return false;
  }
  NoteDefinition(st, index, name.start);
  int32_t value = 0;
  if (!TakePeekedToken(st) || !EvaluateKnown(st, value)) {
    return false;
  }
  Label *label = LabelAt(st, index);
  label->value = static_cast<uint16_t>(value);
  label->kind = kLabelDefined;
  label->flags |= kFlagRedefinable;
  return true;
}

// Opens a scope: a new one in the assembly pass, the next one created then in the listing pass.
bool EnterScope(AssemblerState &st, std::string_view name) {
  if (IsListingPass(st)) {
    EnterListedScope(st);
    return true;
  }
  return OpenScope(st, name);
}

// NAME PROC / NAME { — a label at the current location that opens a named scope.
bool DefineProcLabel(AssemblerState &st, const Token &name, const LabelSearch &search) {
  if (IsListingPass(st)) {
    MarkReached(st, name);
  } else {
    int32_t index = DeclareSearchedLabel(st, name.Text(), search, false);
    if (index == 0) {
      return false;
    }
    // Inside a floating block the label too waits for the block's address.
    if (!DefineLabelHere(st, index)) {
      return false;
    }
  }
  return TakePeekedToken(st) && EnterScope(st, name.Text());
}

// NAME IN_PAGE|PAGE_ALIGNED ... [{ | PROC] — a floating block; with '{' it is a scope of its
// own, named after the block, and ends with the ENDP that closes that scope.
bool DefineFloatingBlock(AssemblerState &st, const Token &name) {
  if (IsListingPass(st)) {
    TraceLabel(st, name.Text());
  }
  if (!OpenFloatingBlock(st, name.Text())) {
    return false;
  }
  if (TakeIf(st, kProc)) {
    if (!EnterScope(st, name.Text())) {
      return false;
    }
    BlockEndsWithScope(st);
  }
  return true;
}

StatementResult Failed() { return kResultError; }

StatementResult FromBool(bool ok) { return ok ? kResultOk : kResultError; }

// A statement that starts with an identifier.
StatementResult LabelField(AssemblerState &st, const Token &name) {
  if (name.local_form == LocalForm::Reference) {
    SetError(st, Msg::InvalidLabel);
    return Failed();
  }
  const LabelSearch search = SearchLabel(st, name.Text());
  Label *found = LabelAt(st, search.index);
  if (found != nullptr && found->kind == kLabelMacro) {
    Token next;
    if (IsListingPass(st) && PeekToken(st, next) && next.kind == kMacro) {
      // The definition line of the macro: its body is passed over.
      found->flags |= kFlagListingReached;
      SetOperand(st, name.Text());
      return kResultBlockStart;
    }
    ListLineBeforeExpansion(st);
    return FromBool(InvokeMacro(st, found->body, found->name, ColumnAt(st, name.start)));
  }
  Token next;
  if (!PeekToken(st, next)) {
    return Failed();
  }
  switch (next.kind) {
    case kColon:
      return FromBool(DefineColonLabel(st, name, search));
    case kDoubleColon:
      return FromBool(DefineGlobalLabel(st, name));
    case kEqu:
      return FromBool(DefineEquate(st, name, search));
    case kAssign:
      return FromBool(DefineAssignment(st, name, search));
    case kMacro:
      if (!TakePeekedToken(st) || !DefineMacro(st, name.Text())) {
        return Failed();
      }
      return kResultBlockStart;
    case kProc:
      return FromBool(DefineProcLabel(st, name, search));
    case kInPage:
    case kPageAligned:
      return FromBool(DefineFloatingBlock(st, name));
    default:
      break;
  }
  if (InNestedScope(st)) {
    if (Label *macro = FindLabelOutward(st, name.Text(), kLabelMacro)) {
      ListLineBeforeExpansion(st);
      return FromBool(InvokeMacro(st, macro->body, macro->name, ColumnAt(st, name.start)));
    }
  }
  SetError(st, Msg::UndefinedIdentifier, std::string(name.Text()).c_str());
  SetErrorColumn(st, name.start);
  ExplainUnknownWord(st, name, next);
  return Failed();
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
  if (!EvaluateKnown(st, value)) {
    return Failed();
  }
  st.segment.exec_address = value;
  st.segment.exec_given = true;
  return kResultEnd;
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

// DB item {, item}
StatementResult DoDb(AssemblerState &st) {
  do {
    Token next;
    if (!PeekToken(st, next)) {
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
  const QuotedText form = ScanQuotedText(st, text);
  if (form == QuotedText::Missing) {
    SetError(st, Msg::MissingOpenDoubleQuote);
  } else if (text.size() > kMaxErrorText) {
    SetError(st, Msg::ErrorTextTooLong);
  } else if (form == QuotedText::Unclosed) {
    SetError(st, Msg::MissingCloseDoubleQuote);
  } else {
    SetError(st, Msg::UserError, std::string(text).c_str());
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

// INCLUDE name / BINCLUDE name, the name plain or in double quotes.
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
  Token next;
  if (!PeekToken(st, next)) {
    return Failed();
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
