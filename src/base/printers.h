// The printers of a diagnostic, private to src/base/.
#pragma once

#include <cstdint>
#include <string>

#include "base/diagnostics.h"

// The name of a file of the name pool ("" without a state).
const char *FileName(const AssemblerState *st, int32_t file);
// "FILE:LINE:COLUMN" as editors read it.
std::string PlaceText(const char *file, int32_t line, int32_t column);
void PrintClassic(const AssemblerState *st, const Diagnostic &d);
// A line of --errors=gnu, made before it is printed: the first line up to the end of its text
// (a detail found later goes after it), and the rest.
struct GnuLines {
  std::string head;
  std::string tail;
};
GnuLines MakeGnuLines(const AssemblerState *st, const Diagnostic &d);
// Writes the lines to standard error, after what standard output holds so far.
void WriteGnuLines(const GnuLines &lines);
