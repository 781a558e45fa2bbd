// A place in the source as --errors=gnu names it: the file and the line where a line was
// written (a line of a macro or REPT body at its line in the definition), and a column.
#pragma once

#include <cstdint>

struct SourcePlace {
  int32_t file = 0;  // name-pool offset; 0: no place
  int32_t line = 0;
  int32_t column = 0;  // from 1; 0: not known
};
