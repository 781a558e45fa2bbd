// The files a run writes (private to src/driver/).
#pragma once

#include <string>

#include "base/state.h"
#include "output/output.h"

// Replaces the extension (from the last '.' on, or the end) of name; false when that
// position lies beyond 251 characters.
bool ReplaceExtension(std::string &name, const char *extension);

// --warn=text: warns about a tape or boot disk name that its field cannot hold whole.
void WarnNamesCut(AssemblerState &st);

// Names, checks, builds and writes every file of the run: the image (or the dump), the
// listings and the make rule asked for. False (reported) when any step fails; then no file
// has changed.
[[nodiscard]] bool WriteOutputs(AssemblerState &st, const Image &image);
