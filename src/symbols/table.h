// The label table's operations that only its own folder uses (private to src/symbols/).
#pragma once

#include <cstdint>
#include <string_view>

#include "base/state.h"

// Adds a new zeroed record to the current scope; 0 when the name exists already, or (message
// set) when the table cannot take another record.
int32_t AddLabel(AssemblerState &st, std::string_view text);
// Looks a name up in the given scope only; nullptr when absent.
Label *FindLabelIn(AssemblerState &st, LabelScope &scope, std::string_view text);
// The qualified name (QualifiedNameIn) of record index of the current scope.
const char *QualifiedName(AssemblerState &st, int32_t index);

// Appends a scope-independent reference to record index of the current scope; returns -entry
// (0, message set, when the table can take no more).
int32_t MakeScopedRef(AssemblerState &st, int32_t index);
