// Character maps: DB strings through the selected map, and CHRMAP, MAPCHR and DISPC (private to
// src/assembler/).
#pragma once

#include <cstdint>

#include "assembler/assembler.h"

// Emits a DB string from the scan position (behind its opening quote) up to its closing quote
// through the selected map, ending it in upper case; addend_at receives the CodeBuffer position
// of the byte that a "+ expr" after the string adds to (-1: the string has no character).
[[nodiscard]] bool EmitMappedString(AssemblerState &st, int32_t &addend_at);
// CHRMAP "name", MAPCHR code, value {, value} and DISPC item {, item}.
StatementResult DoChrmap(AssemblerState &st);
StatementResult DoMapchr(AssemblerState &st);
StatementResult DoDispc(AssemblerState &st);
