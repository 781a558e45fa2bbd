// Helpers shared by the unit tests.
#pragma once

#include <memory>
#include <string>

#include "driver/state.h"

// A fresh state with its label table and text store created, ready for a pass.
std::unique_ptr<AssemblerState> MakeState();

// Points the scanner at a line (the text must outlive the scan) in a fresh context.
void StartLine(AssemblerState &st, const char *line);
