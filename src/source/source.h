// Source files, line reading, the text store, conditional assembly, macros and REPT: the
// public face of the source folder.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/state.h"

// ---- Text store ----------------------------------------------------------------------------

[[nodiscard]] bool CreateTextStore(TextStore &store);
void FreeTextStore(TextStore &store);
// Appends text and its NUL; returns the offset of the text. When the store cannot grow, the
// run ends (EndRunOutOfMemory).
uint32_t AppendText(TextStore &store, std::string_view text);
// The string at offset and, in next, the offset after its NUL; nullptr beyond the end.
const char *ReadText(const TextStore &store, uint32_t offset, uint32_t &next);

// ---- Files -----------------------------------------------------------------------------------

// Assembles one source file (top-level or included); false when it fails. name is read before
// the first line only, so it may point into the TextStore.
[[nodiscard]] bool AssembleSourceFile(AssemblerState &st, const char *name);
// Assembles a -D text as line number of the file name kDefineFileName; a name alone is defined
// as 1. A text longer than a line, or a statement that needs more than its one line, fails
// with a message.
[[nodiscard]] bool AssembleDefine(AssemblerState &st, const char *text, int32_t number);
// True when path names a file (symbolic links followed) that the run has read: a source file,
// an INCLUDE or a BINCLUDE file.
bool IsInputFile(const AssemblerState &st, const char *path);
// The names by which the files the run has read were first read, in that order.
const std::vector<std::string> &InputNames(const AssemblerState &st);
// Where the line being assembled was written (a line of a macro or REPT body at its line in
// the definition): the name-pool offset of its file and its line there. False between lines.
bool LineWrittenAt(const AssemblerState &st, int32_t &file, int32_t &line);
// True when both paths name one existing file (symbolic links followed).
bool SameExistingFile(const char *a, const char *b);

// The file name of INCLUDE or BINCLUDE, or the name of the block whose body follows the line:
// what the reader acts on when the line's statement result asks it to. Cut at 255 characters.
void SetOperand(AssemblerState &st, std::string_view text);

// ---- Conditional assembly ---------------------------------------------------------------

// IF expr / ELIF expr / ELSE / ENDIF, called with the keyword consumed; false (message set)
// when the statement fails.
[[nodiscard]] bool DoIf(AssemblerState &st);
[[nodiscard]] bool DoElif(AssemblerState &st);
[[nodiscard]] bool DoElse(AssemblerState &st);
[[nodiscard]] bool DoEndif(AssemblerState &st);

// ---- Macros and REPT --------------------------------------------------------------------

// "name MACRO [parameters]", called with the MACRO token consumed: defines the macro in the
// current scope, names it as the line's operand; false (message set) on error. A faulty
// parameter list is reported at once: the body is captured all the same, and a call fails.
[[nodiscard]] bool DefineMacro(AssemblerState &st, std::string_view name);
// "REPT count", called with the REPT token consumed; false (message set) on error.
[[nodiscard]] bool DefineRept(AssemblerState &st);
// Invokes a macro whose body starts at the TextStore offset body (0 = empty body) and whose
// name is at the name-pool offset name: collects the arguments from the rest of the line,
// replays the body, leaves the scan at the line end. The expansion of a macro that declares
// its parameters numbers its anonymous labels in families of its own.
[[nodiscard]] bool InvokeMacro(AssemblerState &st, uint32_t body, int32_t name, int32_t column);
