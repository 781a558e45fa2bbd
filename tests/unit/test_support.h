// Helpers shared by the unit tests.
#pragma once

#include <memory>
#include <string>

#include "driver/state.h"

// Frees the label table, text store and fixups of a test's state.
struct StateDeleter {
  void operator()(AssemblerState *st) const;
};
using StatePtr = std::unique_ptr<AssemblerState, StateDeleter>;

// A fresh state with its label table and text store created, ready for a pass.
StatePtr MakeState();

// Points the scanner at a line (the text must outlive the scan) in a fresh context.
void StartLine(AssemblerState &st, const char *line);
