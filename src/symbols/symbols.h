// Label table: scopes of label records and scope-independent references. Other folders reach
// the table only through these operations.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "base/state.h"

[[nodiscard]] bool CreateLabelTable(AssemblerState &st);
void FreeLabelTable(AssemblerState &st);

// Makes room in the name pool and the root scope for the labels that a source file of this
// many bytes may declare, so that those tables need not move (copying themselves) as they
// grow. Room never written costs address space only.
void ExpectSourceBytes(AssemblerState &st, uint64_t bytes);

// The hash of a name: each character's (c AND 7Fh) - 16 XORed in after a rotation by 7 bits,
// so that the last nine characters of a name never overlap and names that differ only in a
// serial number land in neighbouring buckets. bucket = hash % bucket count (13 at a scope's
// first label).
uint64_t HashName(std::string_view text);

// ---- Looking up and declaring --------------------------------------------------------------

// A name looked up in the current scope: its record index (0 when absent) and its hash, so
// that a declaration or an insertion that follows at once neither hashes nor searches again.
struct LabelSearch {
  int32_t index = 0;
  uint64_t hash = 0;
  const LabelScope *scope = nullptr;  // the scope searched
};
LabelSearch SearchLabel(AssemblerState &st, std::string_view text);

// Looks a name up in the current scope only; 0 when absent.
int32_t FindLabel(AssemblerState &st, std::string_view text);
// Adds a new zeroed record to the current scope for a name that search (of the current scope,
// nothing added since) found absent; 0 when the name exists already, or (message set) when
// the table cannot take another record.
int32_t AddSearchedLabel(AssemblerState &st, std::string_view text, const LabelSearch &search);
// The record a label reference names, or nullptr.
Label *LabelAt(AssemblerState &st, int32_t reference);
// Searches the enclosing scopes (not the current one) for a record of the given kind.
Label *FindLabelOutward(AssemblerState &st, std::string_view text, uint8_t kind);
// Finds or creates a name for a definition; fails (0, message set) when already defined.
// With scoped, returns a negative scope-independent reference.
int32_t DeclareLabel(AssemblerState &st, std::string_view text, bool scoped);
// DeclareLabel for a name just looked up by search (of the current scope, nothing added since).
int32_t DeclareSearchedLabel(AssemblerState &st, std::string_view text, const LabelSearch &search,
                             bool scoped);
// Where the record a label reference names lives: its own scope for a scope-independent one,
// else the current scope (scope -1 when there is none).
ScopedRef LabelHome(const AssemblerState &st, int32_t reference);
// Notes the line being assembled, at the name's column, as where the record a reference names
// is defined; a record keeps the place of its first definition, numbered in the order noted.
void NoteDefinition(AssemblerState &st, int32_t reference, const char *name);
// The definitions noted so far: the number the next one gets.
int32_t DefinitionsNoted(const AssemblerState &st);
// The record at a place of the table, or nullptr.
const Label *RecordAt(const AssemblerState &st, ScopedRef where);
// Where the record was first defined (place.file 0: not noted).
LabelDefinition DefinitionOf(const AssemblerState &st, ScopedRef where);
// The record of the nearest scope enclosing scope identifier that defines the name (as a
// label or a macro); scope -1 when none does.
ScopedRef FindDefinedOutward(AssemblerState &st, int32_t identifier, std::string_view text);
// The line that opened a scope, and the label that names it.
SourcePlace ScopeOpenedAt(const AssemblerState &st, int32_t identifier);
const char *ScopeName(const AssemblerState &st, int32_t identifier);

// ---- Scopes --------------------------------------------------------------------------------

// Opens a scope, child of the current one, made current; its name is the opening label's.
// Fails (message set) when scopes would nest too deep: a name a scope lacks is looked up
// through every enclosing scope, so deep nesting (an unclosed PROC repeated by REPT) would
// make every such lookup as slow as the nesting is deep.
[[nodiscard]] bool OpenScope(AssemblerState &st, std::string_view name);
// Makes the enclosing scope current; false at the root scope.
[[nodiscard]] bool CloseScope(AssemblerState &st);
// Listing pass: makes current the scope that the next scope opening of the assembly pass made.
void EnterListedScope(AssemblerState &st);
[[nodiscard]] bool SelectScope(AssemblerState &st, int32_t identifier);
void SelectRootScope(AssemblerState &st);
// The current scope's identifier (0: the root).
int32_t CurrentScope(const AssemblerState &st);
// True when the current scope is not the root.
bool InNestedScope(const AssemblerState &st);
// Scopes made so far; their identifiers run from 0 (the root) on, each made after its parent.
int32_t ScopeCount(const AssemblerState &st);
// The identifier of a scope's parent; -1 for the root.
int32_t ParentScope(const AssemblerState &st, int32_t identifier);
// The records of a scope, the unused index 0 counted (0 for a scope without labels).
int32_t RecordCount(const AssemblerState &st, int32_t identifier);

// Calls visit(index, label) for every record of a scope, in table order.
template <typename Visit>
void ForEachLabelIn(const AssemblerState &st, int32_t identifier, Visit visit) {
  const LabelScope &scope = *st.labels.scopes[static_cast<size_t>(identifier)];
  for (size_t i = 1; i < scope.records.size(); ++i) {
    visit(static_cast<int32_t>(i), scope.records[i]);
  }
}

// Notes that EQU defines the record index of the current scope: its value is a constant, not
// an address.
void NoteConstant(AssemblerState &st, int32_t index);
// The records noted so by NoteConstant, in order.
const std::vector<ScopedRef> &Constants(const AssemblerState &st);

// ---- Values of enclosing scopes needed at once ----------------------------------------------

// For a value needed at once: the record of the innermost enclosing scope that defines name
// with a known value, when the current scope does not define it (nullptr when there is none).
// In the assembly pass the use is noted at place, for the current scope and the scopes
// between it and the one that served, so that a later definition there fails.
const Label *OuterValueAtOnce(AssemblerState &st, std::string_view name, SourcePlace place);
// False (message set, with a note at the use) when the current scope took the value of name
// from an enclosing scope at once before this definition.
[[nodiscard]] bool CheckNoOuterUse(AssemblerState &st, std::string_view name);

// Display name of record index of a scope: the enclosing scope names joined by '.'.
const char *QualifiedNameIn(AssemblerState &st, int32_t identifier, int32_t index);
