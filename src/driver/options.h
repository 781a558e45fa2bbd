// The command line (private to src/driver/).
#pragma once

#include "base/state.h"

constexpr int kExitFailure = -1;

// What option parsing decided: go on, stop with an exit status, or refuse the argument (a
// long option's value; the caller reports it).
enum class ParseOutcome { Continue, Exit, Reject };

struct ParseResult {
  ParseOutcome outcome = ParseOutcome::Continue;
  int status = 0;
};

// The banner line, then the usage text.
void PrintUsage();
// The banner line alone.
void PrintBanner();
// The usage text printed because the arguments lack something (a source file, or the value of
// an option that stands last), followed by a line that says what (missing is NoSourceFile or
// OptionValueMissing, for option); the result stops the run with failure.
ParseResult UsageWithout(Msg missing, const char *option = "");
// The usage text and "no source file", naming (under --errors=gnu) the option that took the
// argument after it as its value.
ParseResult NoSourceLeft(const Options &options);

// Reads the options into st.options and appends the source file names to the text store;
// have_source tells whether one was given.
ParseResult ParseArguments(AssemblerState &st, int argc, char **argv, bool &have_source);
