// Diagnostics: the error slot of the statement being assembled, the locations diagnostics point
// at, and the reports, printed in the classic form or under --errors=gnu from one record.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/catalogue.h"

struct AssemblerState;

constexpr int kMessageBufferSize = 256;
// A run stops after this many error lines, so that a runaway source (a macro that calls
// itself) cannot print without end.
constexpr int kMaxErrorLines = 10000;
// The name under which the -D text is assembled, in place of a file name.
constexpr char kDefineFileName[] = "in -D option";

// One expansion a line lies in: a macro (by its name-pool offset) or a REPT repetition (from
// 1), and the line's number within the body.
struct ExpansionStep {
  int32_t macro_name = 0;  // 0 for a REPT
  int32_t repetition = 0;
  int32_t line = 0;
  bool operator==(const ExpansionStep &) const = default;
};

// The expansions a line of a macro or REPT body lies in, outermost first, and the line of a
// file that the outermost was started from.
struct ExpansionChain {
  int32_t file = 0;  // name-pool offset
  int32_t line = 0;
  std::vector<ExpansionStep> steps;
  bool operator==(const ExpansionChain &) const = default;
};

// Where a diagnostic points. A line of a macro or REPT body is known by the file of its
// expansion and its line number within the body; the chain names the expansions and the line
// they started from (kept only where a printer shows it: under --errors=gnu).
struct SourceLocation {
  int32_t file = 0;    // name-pool offset of the file; 0: none, the diagnostic is about the run
  int32_t line = 0;    // 0: none
  int32_t column = 0;  // 0: not known
  int32_t chain = 0;   // 1 + index into Diagnostics::chains; 0: the line lies in no expansion
};

// One line to print: what it reports, the place its classic form shows, its text (the message
// with its arguments, in the selected language) and where it points. The chain of a location
// of the line being assembled is made for the line alone (expansions), not kept.
struct Diagnostic {
  Severity severity = Severity::Error;
  LineForm form = LineForm::Line;
  std::string_view text;
  SourceLocation location;
  const ExpansionChain *expansions = nullptr;  // nullptr: the chain location.chain names
};

struct Diagnostics {
  // The error slot: the first error of the statement being assembled, set by the operation
  // that finds it and reported by the statement loop, which empties the slot again.
  const char *error = nullptr;  // the message's text, or nullptr
  Msg error_message = Msg::SyntaxError;
  char buffer[kMessageBufferSize] = {};  // the text of a message with arguments
  int error_lines = 0;                   // error lines printed so far in the program
  bool stopped = false;                  // the error-line limit stopped the run
  std::vector<ExpansionChain> chains;    // the chains that locations keep
};

// ---- The error slot --------------------------------------------------------------------------

// The unchecked operation behind SetError: a message with arguments is formatted into the
// message buffer, cut at its end.
void SetErrorUnchecked(AssemblerState &st, Msg id, ...);
// Sets the slot to a catalogue message with its arguments. The slot is empty: the operation
// that finds a problem sets it once, and its callers only return failure.
template <typename... Args>
void SetError(AssemblerState &st, MessageFor<Args...> message, Args... args) {
  SetErrorUnchecked(st, message.id, args...);
}
// SetError of a message without arguments that is chosen as the program runs (the problem a
// scan or a store found).
void SetErrorMessage(AssemblerState &st, Msg id);
// A caller that reports the failure of an operation in its own terms (an operand that does
// not evaluate is an invalid operand) puts its message in place of the operation's.
void RestateError(AssemblerState &st, Msg id);
bool HasError(const AssemblerState &st);
// The slot's text; "" when it is empty.
const char *ErrorText(const AssemblerState &st);
// Prints the slot's error at the current line and empties the slot. The message of a
// statement loses its line number inside a macro expansion ("Error FILE     : TEXT").
void ReportStatementError(AssemblerState &st);

// ---- Locations -------------------------------------------------------------------------------

// The location of the line being assembled (or read), for a record that outlives the line
// (a forward reference); its chain of expansions is kept where a printer shows it. None
// outside the lines of the run.
SourceLocation KeepLocation(AssemblerState &st);

// ---- Reports ---------------------------------------------------------------------------------

// The line ReportLineUnchecked reports about when it is given no other.
constexpr int32_t kCurrentLine = -1;
void ReportLineUnchecked(AssemblerState &st, int32_t line, Msg id, ...);
void ReportUnchecked(AssemblerState &st, const SourceLocation &where, Msg id, ...);
void ConsoleMessageUnchecked(Msg id, ...);

// Reports a catalogue message with its arguments about the line being assembled. An error is
// counted against the run's error-line limit.
template <typename... Args>
void Report(AssemblerState &st, MessageFor<Args...> message, Args... args) {
  ReportLineUnchecked(st, kCurrentLine, message.id, args...);
}
// Report of a message without arguments that is chosen as the program runs.
void ReportMessage(AssemblerState &st, Msg id);
// Reports about another line of the context being read: the opening line of a block, or the
// last line of a file.
template <typename... Args>
void ReportAtLine(AssemblerState &st, int32_t line, MessageFor<Args...> message, Args... args) {
  ReportLineUnchecked(st, line, message.id, args...);
}
// Reports about a location that a record kept from its line (a forward reference).
template <typename... Args>
void ReportAt(AssemblerState &st, const SourceLocation &where, MessageFor<Args...> message,
              Args... args) {
  ReportUnchecked(st, where, message.id, args...);
}
// Prints a catalogue message about no place in the source (options, output files, the disk
// writers); never counted.
template <typename... Args>
void ConsoleMessage(MessageFor<Args...> message, Args... args) {
  ConsoleMessageUnchecked(message.id, args...);
}
std::string FormatMessageUnchecked(Msg id, ...);
// A catalogue message with its arguments, as text (a part of another message).
template <typename... Args>
std::string FormatMessage(MessageFor<Args...> message, Args... args) {
  return FormatMessageUnchecked(message.id, args...);
}
// Console print: standard output.
void ConsolePrint(const char *format, ...) __attribute__((format(printf, 1, 2)));

// Prints a diagnostic: in the classic form on standard output, or under --errors=gnu as
// "FILE:LINE: error: TEXT (EXPANSIONS)" (or "warning") on standard error; information lines
// stay in the classic form. names and chains are those of the run (nullptr: no place to name).
void PrintDiagnostic(const AssemblerState *st, const Diagnostic &diagnostic);
