// The runs over the sources (private to src/driver/).
#pragma once

#include <string>
#include <vector>

#include "base/state.h"

// Resets the per-pass state before a run over the sources.
void ResetForPass(AssemblerState &st);

// One run over the -D text and every source file, in order, after the per-pass reset.
[[nodiscard]] bool RunPass(AssemblerState &st);
// The listing run: the -D text and every source file assembled once more, storing no byte,
// each line appending its listing line to the assemble list, left in text. False (reported)
// when it fails, as when a file it reads again is not what the assembly pass read: the list
// would not show what was assembled. With trace, the run also notes there every statement's
// first byte and every label definition, for the source-level debug data.
[[nodiscard]] bool RunListingPass(AssemblerState &st, std::string &text,
                                  std::vector<TraceEvent> *trace);
