// What the end of the run says about the program as a whole: the labels whose values a line
// needed before they had one, the scopes left open, the labels never named.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "assembler/assembler.h"
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
