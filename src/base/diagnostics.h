// Diagnostics: the error slot of the statement being assembled, the locations diagnostics point
// at, and the reports, printed in the classic form or under --errors=gnu from one record.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/catalogue.h"
#include "base/label_state.h"
#include "base/place.h"

struct AssemblerState;
struct SourceContext;

constexpr int kMessageBufferSize = 256;
// A run stops after this many error lines, so that a runaway source (a macro that calls
// itself) cannot print without end.
constexpr int kMaxErrorLines = 10000;
// The name under which the -D text is assembled, in place of a file name.
constexpr char kDefineFileName[] = "in -D option";

// One step of the way a line was reached: the expansion of a macro, a repetition of a REPT or
// the INCLUDE of its file, at the place of the line that made it (as --errors=gnu names a
// place: a line of a body by its line in the definition).
enum class FrameKind : uint8_t { Macro, Repetition, Include };
struct Frame {
  FrameKind kind = FrameKind::Macro;
  int32_t name = 0;        // Macro: the name-pool offset of its name
  int32_t repetition = 0;  // Repetition: from 1
  int32_t file = 0;        // name-pool offset
  int32_t line = 0;
  int32_t column = 0;  // 0: not known
  bool operator==(const Frame &) const = default;
};

// The place where line of ctx was written: a line of a macro or REPT body at its line in the
// definition, any other at its line in its file.
void WrittenPlace(const SourceContext &ctx, int32_t line, int32_t &file, int32_t &at);

// Where a line came from, as --errors=gnu names it: the place it was written (a line of a
// macro or REPT body at its line in the definition), the frames it was reached through,
// innermost first, and its text as it was read.
struct LineOrigin {
  int32_t file = 0;
  int32_t line = 0;
  std::vector<Frame> frames;
  std::string text;
  bool operator==(const LineOrigin &) const = default;
};

// Where a diagnostic points. The file and line are those the classic form names (a line of a
// body by the file of its expansion and its number within the body); the origin, kept only
// where a printer shows it (under --errors=gnu), is what that form names.
struct SourceLocation {
  int32_t file = 0;    // name-pool offset of the file; 0: none, the diagnostic is about the run
  int32_t line = 0;    // 0: none
  int32_t column = 0;  // of the token at fault, from 1, in bytes of the line as read; 0: none
  int32_t origin = 0;  // 1 + index into Diagnostics::origins; 0: none kept
};

// One line to print: what it reports, the place its classic form shows, its text (the message
// with its arguments, in the selected language), a detail that --errors=gnu adds to the text,
// and where it points. The origin of a line being assembled is made for the line alone.
struct Diagnostic {
  Severity severity = Severity::Error;
  LineForm form = LineForm::Line;
  std::string_view text;
  std::string_view detail;  // empty: none
  SourceLocation location;
  const LineOrigin *origin = nullptr;  // nullptr: the one location.origin names, if any
  std::string_view note;               // --errors=gnu: a note about another place; empty: none
  SourcePlace note_place;
};

// A line of --errors=gnu that waits for the end of the run, as does every one printed after
// it: its detail is to name what became of the labels whose values its statement needed.
struct HeldDiagnostic {
  std::string head;              // the first line, up to the end of its text
  std::string tail;              // the rest: the line end and the lines that follow
  std::vector<ScopedRef> names;  // the labels to explain; empty: printed as it is
  int32_t definitions = 0;       // the label definitions noted before its line
  std::string detail;            // what the end of the run found out; empty: nothing
};

struct Diagnostics {
  // The error slot: the first error of the statement being assembled, set by the operation
  // that finds it and reported by the statement loop, which empties the slot again.
  const char *error = nullptr;  // the message's text, or nullptr
  Msg error_message = Msg::SyntaxError;
  int32_t error_column = 0;              // the column of the token at fault
  char buffer[kMessageBufferSize] = {};  // the text of a message with arguments
  char detail[kMessageBufferSize] = {};  // --errors=gnu: what more the text can say; "" none
  bool detail_generic = false;           // the detail only names the token at the column
  int error_lines = 0;                   // error lines printed so far in the program
  int warning_lines = 0;                 // warning lines printed so far
  bool stopped = false;                  // the error-line limit stopped the run
  std::vector<LineOrigin> origins;       // the origins that locations keep
  // --errors=gnu: the slot's error is about labels whose values were not known yet, and a
  // note about another place (its text "" when none).
  std::vector<ScopedRef> unknown;
  int32_t unknown_definitions = 0;  // the label definitions noted before the line
  char note[kMessageBufferSize] = {};
  SourcePlace note_place;
  // --errors=gnu: the lines held back until the end of the run, from the first one whose
  // labels the end of the run explains.
  std::vector<HeldDiagnostic> held;
  bool holding = false;
};

// ---- The error slot --------------------------------------------------------------------------

// The unchecked operation behind SetError: a message with arguments is formatted into the
// message buffer, cut at its end.
void SetErrorUnchecked(AssemblerState &st, Msg id, ...);
// Sets the slot to a catalogue message with its arguments, at the column of the token read
// last. The slot is empty: the operation that finds a problem sets it once, and its callers
// only return failure.
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
void AddErrorDetailUnchecked(AssemblerState &st, Msg id, ...);
// Adds to the slot's error what --errors=gnu says more: the name, the operand or the form at
// fault (the classic line keeps its text).
template <typename... Args>
void AddErrorDetail(AssemblerState &st, MessageFor<Args...> message, Args... args) {
  AddErrorDetailUnchecked(st, message.id, args...);
}
// The error at fault lies at this column of the line (the token read last is not the one).
void SetErrorColumn(AssemblerState &st, const char *position);
void AddErrorNoteUnchecked(AssemblerState &st, const SourcePlace &place, Msg id, ...);
// Adds to the slot's error a note about another place (the first definition of a name
// defined twice); --errors=gnu prints it after the error.
template <typename... Args>
void AddErrorNote(AssemblerState &st, const SourcePlace &place, MessageFor<Args...> message,
                  Args... args) {
  AddErrorNoteUnchecked(st, place, message.id, args...);
}
// The slot's error is about a label whose value is not known yet, at a line after the given
// number of label definitions: under --errors=gnu the end of the run says whether it was
// defined later, where, or never.
void AddUnknownName(AssemblerState &st, ScopedRef where, int32_t definitions);
bool HasError(const AssemblerState &st);
// The slot's text; "" when it is empty.
const char *ErrorText(const AssemblerState &st);
// Prints the slot's error at the current line and empties the slot. The message of a
// statement loses its line number inside a macro expansion ("Error FILE     : TEXT").
void ReportStatementError(AssemblerState &st);

// ---- Locations -------------------------------------------------------------------------------

// The column of a position of the line being scanned, from 1; 0 outside it.
int32_t ColumnAt(const AssemblerState &st, const char *position);
// The column of the token read last.
int32_t CurrentColumn(const AssemblerState &st);
// Under --source-encoding=utf-8, the first line of a file when a UTF-8 byte-order mark begins
// it: the line behind the mark, which its diagnostics then show and count their columns from.
// Any other line as it is.
const char *PassByteOrderMark(AssemblerState &st, const char *line);
// The place of the line being assembled (or read), at column, as --errors=gnu names it; none
// outside the lines of the run.
SourcePlace PlaceHere(const AssemblerState &st, int32_t column);
// "FILE:LINE" of a place, as a detail names it.
std::string PlaceName(const AssemblerState &st, const SourcePlace &place);
// The location of the line being assembled (or read), at column, for a record that outlives
// the line (a forward reference); its origin is kept where a printer shows it. None outside
// the lines of the run.
SourceLocation KeepLocation(AssemblerState &st, int32_t column);

// ---- Reports ---------------------------------------------------------------------------------

// The line ReportLineUnchecked reports about when it is given no other.
constexpr int32_t kCurrentLine = -1;
void ReportLineUnchecked(AssemblerState &st, int32_t line, int32_t column, Msg id, ...);
void ReportUnchecked(AssemblerState &st, const SourceLocation &where, Msg id, ...);
void ConsoleMessageUnchecked(Msg id, ...);
void ReportLineDetailedUnchecked(AssemblerState &st, int32_t line, int32_t column,
                                 std::string_view detail, Msg id, ...);
void ReportDetailedUnchecked(AssemblerState &st, const SourceLocation &where,
                             std::string_view detail, Msg id, ...);
void ConsoleMessageDetailedUnchecked(std::string_view detail, Msg id, ...);

// Reports a catalogue message with its arguments about the line being assembled, at the
// column of the token read last. An error is counted against the run's error-line limit.
template <typename... Args>
void Report(AssemblerState &st, MessageFor<Args...> message, Args... args) {
  ReportLineUnchecked(st, kCurrentLine, CurrentColumn(st), message.id, args...);
}
// Report of a message without arguments that is chosen as the program runs.
void ReportMessage(AssemblerState &st, Msg id);
// Reports about another line of the context being read (column 0: not known): the opening
// line of a block, or the last line of a file.
template <typename... Args>
void ReportAtLine(AssemblerState &st, int32_t line, int32_t column, MessageFor<Args...> message,
                  Args... args) {
  ReportLineUnchecked(st, line, column, message.id, args...);
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
// ReportAtLine, ReportAt and ConsoleMessage with a detail that --errors=gnu adds to the text
// (what the classic line does not say: the places searched, the system's reason).
template <typename... Args>
void ReportAtLineDetailed(AssemblerState &st, int32_t line, int32_t column, std::string_view detail,
                          MessageFor<Args...> message, Args... args) {
  ReportLineDetailedUnchecked(st, line, column, detail, message.id, args...);
}
template <typename... Args>
void ReportAtDetailed(AssemblerState &st, const SourceLocation &where, std::string_view detail,
                      MessageFor<Args...> message, Args... args) {
  ReportDetailedUnchecked(st, where, detail, message.id, args...);
}
template <typename... Args>
void ConsoleMessageDetailed(std::string_view detail, MessageFor<Args...> message, Args... args) {
  ConsoleMessageDetailedUnchecked(detail, message.id, args...);
}
std::string FormatMessageUnchecked(Msg id, ...);
// A catalogue message with its arguments, as text (a part of another message).
template <typename... Args>
std::string FormatMessage(MessageFor<Args...> message, Args... args) {
  return FormatMessageUnchecked(message.id, args...);
}
// Prints the lines of --errors=gnu held back, each with the detail found for it, and holds no
// more.
void ReleaseHeldDiagnostics(AssemblerState &st);
// Console print: standard output.
void ConsolePrint(const char *format, ...) __attribute__((format(printf, 1, 2)));

// Prints a diagnostic: in the classic form on standard output, or under --errors=gnu as
// "FILE:LINE:COLUMN: error: TEXT: DETAIL" (or "warning") on standard error, then the line with
// a caret under the column, and a note for each frame the line was reached through;
// information lines stay in the classic form. st gives the names and the kept origins
// (nullptr: no place to name).
void PrintDiagnostic(const AssemblerState *st, const Diagnostic &diagnostic);
