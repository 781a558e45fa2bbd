// The label table's operations that only its own folder uses (private to src/symbols/).
#pragma once

#include <cstdint>

#include "base/state.h"

// Appends a scope-independent reference to record index of the current scope; returns -entry
// (0, message set, when the table can take no more).
int32_t MakeScopedRef(AssemblerState &st, int32_t index);
