// What --errors=gnu adds to the errors of a statement's first word (private to
// src/assembler/).
#pragma once

#include "base/state.h"

// An unknown name begins a statement (next: the token after it): a label without its colon,
// a name after another without an operator, or a misspelt mnemonic.
void ExplainUnknownWord(AssemblerState &st, const Token &name, const Token &next);
// A register or condition name defined as a label (I = 0, C EQU 5).
void ExplainReservedLabel(AssemblerState &st, const Token &token);
