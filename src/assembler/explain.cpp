// What diagnostics say beyond their message: at the end of the run, about the labels whose
// values a line needed before they had one, the scopes left open and the labels never named;
// under --errors=gnu, what a statement that begins with an unknown word most likely is.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "assembler/assembler.h"
#include "assembler/explain.h"
#include "lexer/lexer.h"
#include "symbols/symbols.h"

namespace {

// What became of a label whose value a line needed at once: defined further down (or by
// labels defined further down), in an enclosing scope only, or nowhere.
std::string ExplainName(AssemblerState &st, ScopedRef where, int32_t definitions_before) {
  const Label *label = RecordAt(st, where);
  if (label == nullptr) {
    return {};
  }
  const char *name = NameAt(st.names, label->name);
  const LabelDefinition own = DefinitionOf(st, where);
  if (own.place.file != 0 && (label->flags & kFlagFromOuter) == 0) {
    const std::string place = PlaceName(st, own.place);
    return own.serial < definitions_before
               ? FormatMessage(Msg::DetailValueLater, name, place.c_str())
               : FormatMessage(Msg::DetailDefinedLater, name, place.c_str());
  }
  const ScopedRef outer = FindDefinedOutward(st, where.scope, name);
  if (outer.scope >= 0) {
    const std::string place = PlaceName(st, DefinitionOf(st, outer).place);
    return FormatMessage(Msg::DetailOuterScope, name, place.c_str());
  }
  return FormatMessage(Msg::DetailNeverDefined, name);
}

// A label a warning about unused labels names: its place and its name.
struct UnusedLabel {
  SourcePlace place;
  const char *name = nullptr;
};

// Labels the source defines and no expression names. Local labels (@@, @1..@9), the names of
// REPT bodies and macros are left out, and so are the -D definitions: those are made to be
// asked about, or by the program itself.
std::vector<UnusedLabel> UnusedLabels(AssemblerState &st) {
  std::vector<UnusedLabel> unused;
  for (int32_t scope = 0; scope < ScopeCount(st); ++scope) {
    ForEachLabelIn(st, scope, [&](int32_t index, const Label &label) {
      const char *name = NameAt(st.names, label.name);
      const SourcePlace place = DefinitionOf(st, {scope, index}).place;
      if (label.kind == kLabelMacro || (label.flags & kFlagReferenced) != 0 || place.file == 0 ||
          std::strcmp(NameAt(st.names, place.file), kDefineFileName) == 0 || name[0] == '@' ||
          name[0] == '?') {
        return;
      }
      unused.push_back({place, name});
    });
  }
  std::stable_sort(unused.begin(), unused.end(), [](const UnusedLabel &a, const UnusedLabel &b) {
    return a.place.file != b.place.file ? a.place.file < b.place.file : a.place.line < b.place.line;
  });
  return unused;
}

bool IsWordByte(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '@' || c == '?';
}

SourceLocation LocationOfPlace(const SourcePlace &place) {
  return {place.file, place.line, place.column, 0};
}

}  // namespace

void WarnScopesLeftOpen(AssemblerState &st) {
  if (!Warns(st.options, kWarnUnclosed)) {
    return;
  }
  for (int32_t scope = CurrentScope(st); scope > 0; scope = ParentScope(st, scope)) {
    ReportAt(st, LocationOfPlace(ScopeOpenedAt(st, scope)), Msg::WarnScopeOpen,
             ScopeName(st, scope));
  }
}

void FinishDiagnostics(AssemblerState &st, bool assembled) {
  if (assembled && Warns(st.options, kWarnUnused)) {
    for (const UnusedLabel &label : UnusedLabels(st)) {
      ReportAt(st, LocationOfPlace(label.place), Msg::WarnUnused, label.name);
    }
  }
  for (HeldDiagnostic &held : st.diag.held) {
    for (const ScopedRef &name : held.names) {
      const std::string text = ExplainName(st, name, held.definitions);
      if (!text.empty()) {
        held.detail += held.detail.empty() ? "" : "; ";
        held.detail += text;
      }
    }
  }
  ReleaseHeldDiagnostics(st);
}

// --errors=gnu: what a statement that begins with an unknown name most likely is. A label
// without its colon before an instruction, where a bare name is no label (not in the first
// column, after another statement, a local label, before ENDP); a name that follows another
// without an operator (a function such as SIZEOF, or letters run on from a number); or a misspelt
// mnemonic.
void ExplainUnknownWord(AssemblerState &st, const Token &name, const Token &next) {
  if (!GnuErrorStyle()) {
    return;
  }
  const std::string word(name.Text());
  if (IsMnemonic(next.kind) || IsDirective(next.kind)) {
    // The label as written: the text of a local one is the name generated for it.
    const char *end = name.start;
    while (name.local_form != LocalForm::None && IsWordByte(*end)) {
      ++end;
    }
    AddErrorDetail(st, Msg::DetailNeedsColon,
                   end == name.start ? word.c_str() : std::string(name.start, end).c_str());
    return;
  }
  const char *line = LineBeingScanned(st);
  const char *before = name.start;
  while (line != nullptr && before > line && (before[-1] == ' ' || before[-1] == '\t')) {
    --before;
  }
  if (line != nullptr && before > line && IsWordByte(before[-1])) {
    const char *start = before;
    while (start > line && IsWordByte(start[-1])) {
      --start;
    }
    if (before == name.start && std::isdigit(static_cast<unsigned char>(*start)) != 0) {
      const std::string written(start, name.start + name.length);
      SetErrorColumn(st, start);
      AddErrorDetail(st, Msg::DetailNotNumber, written.c_str());
    } else {
      AddErrorDetail(st, Msg::DetailNoFunctions, std::string(start, before).c_str());
    }
    return;
  }
  const std::string nearest = NearestStatementWord(word);
  if (nearest.empty()) {
    AddErrorDetail(st, Msg::DetailNotInstruction, word.c_str());
  } else {
    AddErrorDetail(st, Msg::DetailDidYouMean, word.c_str(), nearest.c_str());
  }
}

// --errors=gnu: a register or condition name defined as a label (I = 0, C EQU 5).
void ExplainReservedLabel(AssemblerState &st, const Token &token) {
  const bool reserved = (token.kind >= kRegA && token.kind <= kRegAFAlt) ||
                        (token.kind >= kCondNZ && token.kind <= kCondM);
  Token next;
  if (!GnuErrorStyle() || !reserved || !TryPeekToken(st, next)) {
    return;
  }
  // The words after which the name would have been defined (the check stays out of a switch:
  // a temporary inside a case is destroyed by clang's code even when the case is not taken).
  static constexpr int32_t kDefiningWords[] = {kColon, kAssign, kEqu, kDoubleColon, kMacro, kProc};
  if (std::find(std::begin(kDefiningWords), std::end(kDefiningWords), next.kind) !=
      std::end(kDefiningWords)) {
    const std::string name(token.Text());
    AddErrorDetail(st, Msg::DetailReservedName, name.c_str());
  }
}
