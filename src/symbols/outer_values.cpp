// Values of enclosing scopes for statements that need a value at once: inside a scope, a name
// the scope does not define takes the value of the innermost enclosing scope that defines it
// with a known value. The uses are noted here; DeclareSearchedLabel refuses a later definition
// of the name in the scopes that used it.
#include <string>
#include <string_view>

#include "symbols/symbols.h"
#include "symbols/table.h"

namespace {

// A name a statement can take at once: defined, with its value (a floating block waiting for
// its address has none yet).
bool HasKnownValue(const Label &label) {
  return label.kind == kLabelDefined && (label.flags & kFloatingFlags) == 0;
}

// True when the scope's own record of the name stood defined at this line in the assembly
// pass: defined, a floating block waiting for its address, or an EQU whose value comes later.
// The listing pass finds every record defined; there a value of an enclosing scope stands in
// a record made at resolution, and a '=' label counts from its first assignment on.
bool DefinedHere(const AssemblerState &st, const Label &own) {
  if (!IsListingPass(st)) {
    return own.kind != kLabelUndefined || (own.flags & (kFloatingFlags | kFlagDefinedLate)) != 0;
  }
  if (own.kind != kLabelDefined || (own.flags & kFlagFromOuter) != 0) {
    return false;
  }
  return (own.flags & kFlagRedefinable) == 0 || (own.flags & kFlagListingReached) != 0;
}

}  // namespace

const Label *OuterValueAtOnce(AssemblerState &st, std::string_view name, SourcePlace place) {
  LabelScope *current = st.labels.current;
  if (current == nullptr || current->parent == nullptr) {
    return nullptr;
  }
  if (const Label *own = FindLabelIn(st, *current, name); own != nullptr && DefinedHere(st, *own)) {
    return nullptr;  // the scope's own name
  }
  for (LabelScope *scope = current->parent; scope != nullptr; scope = scope->parent) {
    Label *label = FindLabelIn(st, *scope, name);
    if (label == nullptr ||
        (label->kind == kLabelUndefined && (label->flags & kFloatingFlags) == 0)) {
      continue;  // only named there, not defined
    }
    if (!HasKnownValue(*label)) {
      return nullptr;  // the innermost definition has no value yet: nothing serves
    }
    if (!IsListingPass(st)) {
      label->flags |= kFlagReferenced;
      for (const LabelScope *user = current; user != scope; user = user->parent) {
        st.labels.outer_uses.try_emplace({user->identifier, std::string(name)}, place);
      }
    }
    return label;
  }
  return nullptr;
}
