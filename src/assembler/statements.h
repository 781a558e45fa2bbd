// What the statement loop and the label field share (private to src/assembler/).
#pragma once

#include <string_view>

#include "assembler/assembler.h"
#include "lexer/lexer.h"

inline StatementResult Failed() { return kResultError; }
inline StatementResult FromBool(bool ok) { return ok ? kResultOk : kResultError; }

// A statement that starts with an identifier: a label definition, a macro call or definition,
// a scope, a floating block, or a statement word that is no keyword (DEFM, INCBIN, ASSERT).
StatementResult LabelField(AssemblerState &st, const Token &name);

// Opens a scope: a new one in the assembly pass, the next one created then in the listing pass.
[[nodiscard]] bool EnterScope(AssemblerState &st, std::string_view name);

// DEFM "text" (as DB), INCBIN file (as BINCLUDE) and ASSERT expr [, "text"].
StatementResult DoDefm(AssemblerState &st);
StatementResult DoIncbin(AssemblerState &st);
StatementResult DoAssert(AssemblerState &st);
