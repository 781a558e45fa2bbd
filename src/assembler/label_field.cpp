// The label field of a statement: label definitions (NAME:, NAME::, EQU, '=', PROC, floating
// blocks, a label without its colon in the first column), macro calls and definitions, and the
// statement words that sources written for other assemblers use.
#include <string>
#include <string_view>

#include "assembler/code.h"
#include "assembler/explain.h"
#include "assembler/listline.h"
#include "assembler/placement.h"
#include "assembler/statements.h"
#include "source/source.h"
#include "symbols/symbols.h"

bool EnterScope(AssemblerState &st, std::string_view name) {
  if (IsListingPass(st)) {
    EnterListedScope(st);
    return true;
  }
  return OpenScope(st, name);
}

namespace {

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

// NAME: (the colon taken), and NAME in the first column before an instruction or a directive —
// a label at the current location. search: the name looked up in the current scope.
bool DefineColonLabel(AssemblerState &st, const Token &name, const LabelSearch &search) {
  if (IsListingPass(st)) {
    MarkReached(st, name);
    return true;
  }
  int32_t index = DeclareSearchedLabel(st, name.Text(), search, false);
  return index != 0 && DefineLabelHere(st, index);
}

// NAME:: (the colons taken) — a label of the global scope, defined from whatever scope is
// current.
bool DefineGlobalLabel(AssemblerState &st, const Token &name) {
  const int32_t inner = CurrentScope(st);
  SelectRootScope(st);
  bool ok = true;
  if (IsListingPass(st)) {
    MarkReached(st, name);
  } else {
    int32_t reference = DeclareLabel(st, name.Text(), true);
    ok = reference != 0 && DefineLabelHere(st, reference);
    if (ok) {
      LabelAt(st, reference)->flags |= kFlagGlobal;
    }
  }
  (void)SelectScope(st, inner);
  return ok;
}

// The value of an EQU label (reference) from the expression just read: now when it is known,
// else after the last line.
bool SetEquateValue(AssemblerState &st, int32_t reference) {
  Label *label = LabelAt(st, reference);
  if (st.expr.known) {
    label->value = static_cast<uint16_t>(st.expr.postfix.values[0]);
    label->kind = kLabelDefined;
    return true;
  }
  label->flags |= kFlagDefinedLate;
  return NewFixup(st, FixupKind::DefineLabel, reference, false, st.expr.postfix);
}

// NAME EQU expr, also written NAME: EQU expr
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
  return SetEquateValue(st, index);
}

// NAME:: EQU expr — a constant of the global scope, defined from whatever scope is current; the
// expression names the labels of the current scope, as every other operand of the line does.
bool DefineGlobalEquate(AssemblerState &st, const Token &name) {
  const int32_t inner = CurrentScope(st);
  SelectRootScope(st);
  const bool listing = IsListingPass(st);
  int32_t reference = 0;  // scope-independent: the expression is read in the current scope
  if (listing) {
    if (const Label *label = MarkReached(st, name)) {
      ShowListingValue(st, label->value);
    }
  } else if ((reference = DeclareLabel(st, name.Text(), true)) != 0) {
    NoteConstant(st, LabelHome(st, reference).index);
    LabelAt(st, reference)->flags |= kFlagGlobal;
  }
  (void)SelectScope(st, inner);
  if ((!listing && reference == 0) || !TakePeekedToken(st) || !EvaluateExpression(st)) {
    return false;
  }
  return listing || SetEquateValue(st, reference);
}

// NAME: or NAME:: (colon: the colon token, peeked), a label; with EQU after the colon a
// constant, as NAME EQU expr (sources written for other assemblers put the colon before EQU).
bool DefineColonForm(AssemblerState &st, const Token &name, const LabelSearch &search,
                     const Token &colon) {
  const bool global = colon.kind == kDoubleColon;
  if (!TakePeekedToken(st)) {
    return false;
  }
  // The token is looked at only when the text reads EQU: the look is spared for every other
  // label line, and never counts a local label definition that follows (X: @@:) before its scan.
  const char *c = colon.start + (global ? 2 : 1);
  while (IsBlank(*c)) {
    ++c;
  }
  if (Token after; Upper(c[0]) == 'E' && Upper(c[1]) == 'Q' && Upper(c[2]) == 'U' &&
                   TryPeekToken(st, after) && after.kind == kEqu) {
    return global ? DefineGlobalEquate(st, name) : DefineEquate(st, name, search);
  }
  return global ? DefineGlobalLabel(st, name) : DefineColonLabel(st, name, search);
}

// NAME = expr — a redefinable label.
bool DefineAssignment(AssemblerState &st, const Token &name, const LabelSearch &search) {
  const int32_t found = search.index;
  if (IsListingPass(st)) {
    // The listing pass assigns again, so that the lines after this one see the value they saw
    // in the assembly pass (not the last one assigned), and conditions take the same branches.
    // Reached once the value is known: the first assignment's own value came from an
    // enclosing scope when the scope had none yet, as in the assembly pass.
    int32_t value = 0;
    if (!TakePeekedToken(st) || !EvaluateKnown(st, value)) {
      return false;
    }
    MarkReached(st, name);
    if (Label *label = LabelAt(st, found);
        label != nullptr && (label->flags & kFlagRedefinable) != 0) {
      label->value = static_cast<uint16_t>(value);
      ShowListingValue(st, label->value);
    }
    return true;
  }
  int32_t index = found;
  // The first assignment in this scope defines the name: not after a line took an enclosing
  // scope's value of it at once.
  if ((index == 0 || (LabelAt(st, index)->flags & kFlagRedefinable) == 0) &&
      !CheckNoOuterUse(st, name.Text())) {
    return false;
  }
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

// True when a macro counts at this point of the pass. The listing pass finds in the table every
// macro the run defined; it counts one only from its definition line on, as the assembly pass
// met it.
bool MacroHere(const AssemblerState &st, const Label *label) {
  return label != nullptr && label->kind == kLabelMacro &&
         (!IsListingPass(st) || (label->flags & kFlagListingReached) != 0);
}

// The macro of the nearest enclosing scope that a statement's first word calls, or nullptr.
Label *OuterMacro(AssemblerState &st, std::string_view name) {
  if (!IsListingPass(st)) {
    return FindLabelOutward(st, name, kLabelMacro);
  }
  const int32_t inner = CurrentScope(st);
  Label *macro = nullptr;
  for (int32_t scope = ParentScope(st, inner); scope >= 0 && macro == nullptr;
       scope = ParentScope(st, scope)) {
    (void)SelectScope(st, scope);
    if (Label *label = LabelAt(st, FindLabel(st, name)); MacroHere(st, label)) {
      macro = label;
    }
  }
  (void)SelectScope(st, inner);
  return macro;
}

// Statement words that are no keywords here, mostly of sources written for other assemblers:
// in any letter case, a name a label or a macro may have. A word counts as its statement only
// where nothing else of that name would be called or defined; a word that yields to a label
// is a label in the first column before an instruction, as it was before it was a statement.
struct PortedWord {
  std::string_view word;
  StatementResult (*handler)(AssemblerState &);
  bool yields_to_label = false;
};
constexpr PortedWord kPortedWords[] = {
    {"DEFM",   DoDefm,   false},
    {"INCBIN", DoIncbin, false},
    {"ASSERT", DoAssert, true },
};

const PortedWord *FindPortedWord(std::string_view text) {
  for (const PortedWord &row : kPortedWords) {
    if (SameIgnoringCase(text, row.word)) {
      return &row;
    }
  }
  return nullptr;
}

// The word after a name at the start of a line that makes the name a label without its colon:
// an instruction, or a directive that NAME: may stand before. ENDP is left out: NAME ENDP,
// which some sources write to close the scope NAME opened, would define a label NAME inside
// that scope, at its end, for every use of NAME in it.
bool FollowsBareLabel(AssemblerState &st, const Token &next) {
  if (IsMnemonic(next.kind)) {
    return true;
  }
  if (IsDirective(next.kind)) {
    return next.kind != kEndp;
  }
  if (next.kind != kIdentifier || FindPortedWord(next.Text()) == nullptr) {
    return false;
  }
  const Label *label = LabelAt(st, FindLabel(st, next.Text()));
  return !MacroHere(st, label) && OuterMacro(st, next.Text()) == nullptr;
}

// True when the token stands in the first column of its line, where sources written for
// other assemblers put a label without its colon.
bool InFirstColumn(const AssemblerState &st, const Token &token) {
  return token.start != nullptr && token.start == LineBeingScanned(st);
}

}  // namespace

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
    if (MacroHere(st, found)) {
      ListLineBeforeExpansion(st);
      return FromBool(InvokeMacro(st, found->body, found->name, ColumnAt(st, name.start)));
    }
  }
  Token next;
  if (!PeekToken(st, next)) {
    return Failed();
  }
  switch (next.kind) {
    case kColon:
    case kDoubleColon:
      return FromBool(DefineColonForm(st, name, search, next));
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
    if (Label *macro = OuterMacro(st, name.Text())) {
      ListLineBeforeExpansion(st);
      return FromBool(InvokeMacro(st, macro->body, macro->name, ColumnAt(st, name.start)));
    }
  }
  const PortedWord *word = FindPortedWord(name.Text());
  if (word != nullptr && !word->yields_to_label) {
    return word->handler(st);
  }
  if (name.local_form == LocalForm::None && InFirstColumn(st, name) && FollowsBareLabel(st, next)) {
    return FromBool(DefineColonLabel(st, name, search));
  }
  if (word != nullptr) {
    return word->handler(st);
  }
  SetError(st, Msg::UndefinedIdentifier, std::string(name.Text()).c_str());
  SetErrorColumn(st, name.start);
  ExplainUnknownWord(st, name, next);
  return Failed();
}
