// The driver: command line, the order of a run and the exit status.
#pragma once

#include "base/state.h"

// Runs the whole program on an argument vector; returns the exit status (0 or -1).
int RunTalvo(AssemblerState &st, int argc, char **argv);
