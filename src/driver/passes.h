// The runs over the sources (private to src/driver/).
#pragma once

#include <string>

#include "base/state.h"

// Resets the per-pass state before a run over the sources.
void ResetForPass(AssemblerState &st);

// One run over the -D text and every source file, in order, after the per-pass reset.
[[nodiscard]] bool RunPass(AssemblerState &st);
// The listing run: the -D text and every source file assembled once more, storing no byte,
// each line appending its listing line to the assemble list, which is returned. Its errors
// are printed but do not change the outcome of the program.
std::string RunListingPass(AssemblerState &st);
