// The driver: command line, the order of a run and the exit status.
#pragma once

#include <string>

struct AssemblerState;

// Runs the whole program on an argument vector; returns the exit status (0 or -1).
int RunTalvo(AssemblerState &st, int argc, char **argv);

// Replaces the extension (from the last '.' on, or the end) of name; false when that
// position lies beyond 251 characters.
bool ReplaceExtension(std::string &name, const char *extension);
