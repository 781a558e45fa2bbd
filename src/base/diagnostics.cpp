// The error slot, locations, reports and the two printers of a diagnostic.
#include "base/diagnostics.h"

#include <algorithm>
#include <cassert>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/state.h"

namespace {

// The program's name, where a line of --errors=gnu has no place in the source.
constexpr char kProgramName[] = "talvo";

const char *SeverityName(Severity severity) {
  return severity == Severity::Warning ? "warning" : "error";
}

std::string FormatArguments(const char *format, va_list args) {
  va_list measure;
  va_copy(measure, args);
  const int length = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  if (length <= 0) {
    return {};
  }
  std::string text(static_cast<size_t>(length) + 1, '\0');
  std::vsnprintf(text.data(), text.size(), format, args);
  text.resize(static_cast<size_t>(length));
  return text;
}

const char *FileName(const AssemblerState *st, int32_t file) {
  return st != nullptr ? NameAt(st->names, file) : "";
}

// "Error main.asm    7: TEXT": the place the classic form of the line shows, then the text.
void PrintClassic(const AssemblerState *st, const Diagnostic &d) {
  const bool warning = d.severity == Severity::Warning;
  const char *file = FileName(st, d.location.file);
  switch (d.form) {
    case LineForm::Bare:
      break;
    case LineForm::Severity:
      std::fputs(d.severity == Severity::Info ? "Info : "
                 : warning                    ? "Warning: "
                                              : "Error ",
                 stdout);
      break;
    case LineForm::File:
      std::printf(warning ? "Warning: %s: " : "Error %s     : ", file);
      break;
    case LineForm::Line:
      std::printf(warning ? "Warning %s %d: " : "Error %s%5d: ", file, d.location.line);
      break;
  }
  std::fwrite(d.text.data(), 1, d.text.size(), stdout);
  std::fputc('\n', stdout);
}

// "FILE:LINE:COLUMN" as editors read it ("FILE:LINE" without a column, the program's name
// without a file).
std::string PlaceText(const char *file, int32_t line, int32_t column) {
  if (*file == '\0') {
    return kProgramName;
  }
  std::string where = file;
  if (line > 0) {
    where += ':' + std::to_string(line);
    if (column > 0) {
      where += ':' + std::to_string(column);
    }
  }
  return where;
}

// The line as read, without its line end, and a caret under column: every byte before the
// column is copied as a blank (a tab as a tab), so that the caret stands under its byte
// whatever the width of a tab, and each byte of a Shift-JIS character keeps its column.
void AddSourceLine(std::string &out, std::string_view text, int32_t line, int32_t column) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
    text.remove_suffix(1);
  }
  char number[16];
  std::snprintf(number, sizeof number, "%5d | ", line);
  out += number;
  out += text;
  out += '\n';
  if (column <= 0) {
    return;
  }
  out += "      | ";
  for (size_t i = 0; i + 1 < static_cast<size_t>(column) && i < text.size(); ++i) {
    out += text[i] == '\t' ? '\t' : ' ';
  }
  out += "^\n";
}

const char *FrameText(const AssemblerState &st, const Frame &frame, std::string &text) {
  switch (frame.kind) {
    case FrameKind::Macro:
      text = "in expansion of macro '" + std::string(NameAt(st.names, frame.name)) + "'";
      break;
    case FrameKind::Repetition:
      text = "in repetition " + std::to_string(frame.repetition) + " of REPT";
      break;
    case FrameKind::Include:
      text = "included from here";
      break;
  }
  return text.c_str();
}

// A line of --errors=gnu, made before it is printed: the first line up to the end of its text
// (a detail found later goes after it), and the rest.
struct GnuLines {
  std::string head;
  std::string tail;
};

// "main.asm:7:5: error: TEXT: DETAIL", the line with a caret, a note for each frame the line
// was reached through, innermost first, and a note about another place. Like "error",
// "warning" and "note", the words of the frames are part of the form that editors read, the
// same in every message language.
GnuLines MakeGnuLines(const AssemblerState *st, const Diagnostic &d) {
  const LineOrigin *origin = d.origin;
  if (origin == nullptr && st != nullptr && d.location.origin > 0 &&
      static_cast<size_t>(d.location.origin) <= st->diag.origins.size()) {
    origin = &st->diag.origins[static_cast<size_t>(d.location.origin) - 1];
  }
  const char *file = FileName(st, origin != nullptr ? origin->file : d.location.file);
  const int32_t line = origin != nullptr ? origin->line : d.location.line;
  // The -D text is no file an editor could open: its lines are about the run, and say so.
  const bool define = std::strcmp(file, kDefineFileName) == 0;
  GnuLines lines;
  lines.head = define ? kProgramName : PlaceText(file, line, d.location.column);
  lines.head += ": ";
  lines.head += SeverityName(d.severity);
  lines.head += ": ";
  lines.head += d.text;
  if (!d.detail.empty()) {
    lines.head += ": ";
    lines.head += d.detail;
  }
  std::string &out = lines.tail;
  out = define ? " (in -D option)\n" : "\n";
  if (origin != nullptr && st != nullptr) {
    if (!origin->text.empty() && !define) {
      AddSourceLine(out, origin->text, line, d.location.column);
    }
    std::string text;
    for (const Frame &frame : origin->frames) {
      out += PlaceText(FileName(st, frame.file), frame.line, frame.column);
      out += ": note: ";
      out += FrameText(*st, frame, text);
      out += '\n';
    }
  }
  if (!d.note.empty() && st != nullptr) {
    const SourcePlace &at = d.note_place;
    out += PlaceText(FileName(st, at.file), at.line, at.column);
    out += ": note: ";
    out += d.note;
    out += '\n';
  }
  return lines;
}

void WriteGnuLines(const GnuLines &lines) {
  std::fflush(stdout);  // what the console shows stays in the order it was printed
  std::fwrite(lines.head.data(), 1, lines.head.size(), stderr);
  std::fwrite(lines.tail.data(), 1, lines.tail.size(), stderr);
}

// Counts an error line about to be printed. Past the limit it prints nothing, stops the run
// (the line loops end, with failure) and, the first time, says so; false then.
bool CountErrorLine(AssemblerState &st) {
  Diagnostics &diag = st.diag;
  if (diag.error_lines < kMaxErrorLines) {
    ++diag.error_lines;
    return true;
  }
  if (!diag.stopped) {
    diag.stopped = true;
    ConsoleMessage(Msg::TooManyErrors, kMaxErrorLines);
  }
  st.pass.abandoned = true;
  return false;
}

// Prints a diagnostic of the run; an error counts against the error-line limit. Under
// --errors=gnu a line about labels the end of the run explains is held back until then, and
// so is every line after it.
void PrintOfRun(AssemblerState &st, const Diagnostic &d, const std::vector<ScopedRef> &unknown = {},
                int32_t definitions = 0) {
  if (d.severity == Severity::Error && !CountErrorLine(st)) {
    return;
  }
  if (d.severity == Severity::Warning) {
    ++st.diag.warning_lines;
  }
  if (!GnuErrorStyle() || d.severity == Severity::Info) {
    PrintClassic(&st, d);
    return;
  }
  GnuLines lines = MakeGnuLines(&st, d);
  Diagnostics &diag = st.diag;
  if (!unknown.empty()) {
    diag.holding = true;
  }
  if (diag.holding) {
    diag.held.push_back({std::move(lines.head), std::move(lines.tail), unknown, definitions, {}});
  } else {
    WriteGnuLines(lines);
  }
}

// The place --errors=gnu names for line of ctx: a line of a body at its line in the definition.
void GnuPlace(const SourceContext &ctx, int32_t line, int32_t &file, int32_t &at) {
  if (ctx.caller != nullptr) {
    file = ctx.body_file;
    at = ctx.body_line + line;
  } else {
    file = ctx.file_name;
    at = line;
  }
}

// Where line of ctx came from, with its text (empty when it is not known).
LineOrigin OriginOf(const SourceContext &ctx, int32_t line, std::string_view text) {
  LineOrigin origin;
  GnuPlace(ctx, line, origin.file, origin.line);
  origin.text = text;
  for (const SourceContext *at = &ctx;;) {
    Frame frame;
    const SourceContext *outer = nullptr;
    if (at->caller != nullptr) {
      frame.kind = at->macro_name != 0 ? FrameKind::Macro : FrameKind::Repetition;
      frame.name = at->macro_name;
      frame.repetition = at->repetition;
      outer = at->caller;
      GnuPlace(*outer, at->caller_line, frame.file, frame.line);
      frame.column = at->caller_column;
    } else if (at->includer != nullptr) {
      frame.kind = FrameKind::Include;
      outer = at->includer;
      GnuPlace(*outer, at->include_line, frame.file, frame.line);
      frame.column = at->include_column;
    } else {
      break;
    }
    origin.frames.push_back(frame);
    at = outer;
  }
  return origin;
}

// The text of line of the current context when it is the line last read.
std::string_view TextOfLine(const SourceContext &ctx, int32_t line) {
  return line == ctx.line && ctx.text != nullptr ? std::string_view(ctx.text) : std::string_view();
}

// Prints a diagnostic about a line of the current context (the line being assembled when line
// is kCurrentLine), with its origin where a printer shows it.
void PrintAboutLine(AssemblerState &st, Diagnostic d, int32_t line,
                    const std::vector<ScopedRef> &unknown = {}, int32_t definitions = 0) {
  const SourceContext *ctx = st.source.context;
  if (ctx == nullptr) {
    PrintOfRun(st, d, unknown, definitions);
    return;
  }
  const int32_t number = line == kCurrentLine ? ctx->line : line;
  d.location.file = ctx->file_name;
  d.location.line = number;
  if (!GnuErrorStyle()) {
    PrintOfRun(st, d);
    return;
  }
  const LineOrigin origin = OriginOf(*ctx, number, TextOfLine(*ctx, number));
  d.origin = &origin;
  PrintOfRun(st, d, unknown, definitions);
}

}  // namespace

void SetErrorUnchecked(AssemblerState &st, Msg id, ...) {
  assert(st.diag.error == nullptr && "a failure sets the slot once");
  va_list args;
  va_start(args, id);
  const char *text = MessageText(id);
  if (std::string_view(text).find('%') == std::string_view::npos) {
    st.diag.error = text;
  } else {
    // vsnprintf never writes past the buffer: an overlong message is cut at its end.
    std::vsnprintf(st.diag.buffer, sizeof st.diag.buffer, text, args);
    st.diag.error = st.diag.buffer;
  }
  va_end(args);
  st.diag.error_message = id;
  st.diag.error_column = CurrentColumn(st);
  st.diag.detail[0] = '\0';
  st.diag.note[0] = '\0';
  st.diag.unknown.clear();
}

void SetErrorMessage(AssemblerState &st, Msg id) {
  assert(std::string_view(MessageText(id)).find('%') == std::string_view::npos);
  SetErrorUnchecked(st, id);
}

void RestateError(AssemblerState &st, Msg id) {
  assert(st.diag.error != nullptr && "only a failure that set its message is restated");
  st.diag.error = MessageText(id);
  st.diag.error_message = id;
  st.diag.detail[0] = '\0';
}

void AddErrorDetailUnchecked(AssemblerState &st, Msg id, ...) {
  assert(st.diag.error != nullptr && "a detail belongs to an error");
  if (!GnuErrorStyle()) {
    return;  // only --errors=gnu shows it
  }
  va_list args;
  va_start(args, id);
  std::vsnprintf(st.diag.detail, sizeof st.diag.detail, MessageText(id), args);
  va_end(args);
}

void SetErrorColumn(AssemblerState &st, const char *position) {
  st.diag.error_column = ColumnAt(st, position);
}

void AddErrorNoteUnchecked(AssemblerState &st, const SourcePlace &place, Msg id, ...) {
  assert(st.diag.error != nullptr && "a note belongs to an error");
  if (!GnuErrorStyle() || place.file == 0) {
    return;
  }
  va_list args;
  va_start(args, id);
  std::vsnprintf(st.diag.note, sizeof st.diag.note, MessageText(id), args);
  va_end(args);
  st.diag.note_place = place;
}

void AddUnknownName(AssemblerState &st, ScopedRef where, int32_t definitions) {
  assert(st.diag.error != nullptr && "an unknown name belongs to an error");
  std::vector<ScopedRef> &unknown = st.diag.unknown;
  constexpr size_t kMostNames = 3;  // a detail names at most this many
  const bool seen = std::any_of(unknown.begin(), unknown.end(), [&](const ScopedRef &ref) {
    return ref.scope == where.scope && ref.index == where.index;
  });
  if (GnuErrorStyle() && !seen && unknown.size() < kMostNames) {
    unknown.push_back(where);
    st.diag.unknown_definitions = definitions;
  }
}

bool HasError(const AssemblerState &st) { return st.diag.error != nullptr; }

const char *ErrorText(const AssemblerState &st) {
  return st.diag.error != nullptr ? st.diag.error : "";
}

void ReportStatementError(AssemblerState &st) {
  Diagnostics &diag = st.diag;
  const MessageEntry &entry = EntryOf(diag.error_message);
  Diagnostic d{entry.severity, entry.form, ErrorText(st), diag.detail, {}, nullptr, {}, {}};
  d.location.column = diag.error_column;
  if (d.form == LineForm::Line && st.pass.macro_depth > 0) {
    d.form = LineForm::File;
  }
  if (diag.note[0] != '\0') {
    d.note = diag.note;
    d.note_place = diag.note_place;
  }
  PrintAboutLine(st, d, kCurrentLine, diag.unknown, diag.unknown_definitions);
  diag.error = nullptr;
  diag.detail[0] = '\0';
  diag.note[0] = '\0';
  diag.unknown.clear();
}

int32_t ColumnAt(const AssemblerState &st, const char *position) {
  const char *line = st.scan.line;
  const SourceContext *ctx = st.source.context;
  // Only the line last read has its columns: a body's capture scans its lines apart.
  if (line == nullptr || position == nullptr || ctx == nullptr || ctx->text != line ||
      position < line) {
    return 0;
  }
  // A position at or past the line end is the column just after the line's last character.
  size_t end = std::strlen(line);
  while (end > 0 && (line[end - 1] == '\n' || line[end - 1] == '\r')) {
    --end;
  }
  return static_cast<int32_t>(std::min(static_cast<size_t>(position - line), end)) + 1;
}

int32_t CurrentColumn(const AssemblerState &st) {
  const char *at = st.scan.token_start;
  const char *line = st.scan.line;
  if (at == nullptr || line == nullptr || at < line) {
    return 0;
  }
  // A token read at the end of the line (its comment passed over) stands where the text of
  // the statement ends: just after its last character.
  if (*at == '\0' || *at == '\n' || *at == '\r') {
    if (st.scan.comment != nullptr && st.scan.comment < at) {
      at = st.scan.comment;
    }
    while (at > line && (at[-1] == ' ' || at[-1] == '\t' || at[-1] == '\n' || at[-1] == '\r')) {
      --at;
    }
  }
  return ColumnAt(st, at);
}

SourcePlace PlaceHere(const AssemblerState &st, int32_t column) {
  const SourceContext *ctx = st.source.context;
  if (ctx == nullptr) {
    return {};
  }
  SourcePlace place;
  GnuPlace(*ctx, ctx->line, place.file, place.line);
  place.column = column;
  return place;
}

std::string PlaceName(const AssemblerState &st, const SourcePlace &place) {
  return PlaceText(FileName(&st, place.file), place.line, 0);
}

SourceLocation KeepLocation(AssemblerState &st, int32_t column) {
  const SourceContext *ctx = st.source.context;
  if (ctx == nullptr) {
    return {};
  }
  SourceLocation where{ctx->file_name, ctx->line, column, 0};
  if (GnuErrorStyle()) {
    std::vector<LineOrigin> &kept = st.diag.origins;
    LineOrigin origin = OriginOf(*ctx, ctx->line, TextOfLine(*ctx, ctx->line));
    // The records of one line share its origin.
    if (kept.empty() || !(kept.back() == origin)) {
      kept.push_back(std::move(origin));
    }
    where.origin = static_cast<int32_t>(kept.size());
  }
  return where;
}

void ReportLineUnchecked(AssemblerState &st, int32_t line, int32_t column, Msg id, ...) {
  va_list args;
  va_start(args, id);
  const std::string text = FormatArguments(MessageText(id), args);
  va_end(args);
  const MessageEntry &entry = EntryOf(id);
  Diagnostic d{entry.severity, entry.form, text, {}, {}, nullptr, {}, {}};
  d.location.column = column;
  PrintAboutLine(st, d, line);
}

void ReportMessage(AssemblerState &st, Msg id) {
  assert(std::string_view(MessageText(id)).find('%') == std::string_view::npos);
  ReportLineUnchecked(st, kCurrentLine, CurrentColumn(st), id);
}

void ReportUnchecked(AssemblerState &st, const SourceLocation &where, Msg id, ...) {
  va_list args;
  va_start(args, id);
  const std::string text = FormatArguments(MessageText(id), args);
  va_end(args);
  const MessageEntry &entry = EntryOf(id);
  PrintOfRun(st, {entry.severity, entry.form, text, {}, where, nullptr, {}, {}});
}

void ConsoleMessageUnchecked(Msg id, ...) {
  va_list args;
  va_start(args, id);
  const std::string text = FormatArguments(MessageText(id), args);
  va_end(args);
  const MessageEntry &entry = EntryOf(id);
  PrintDiagnostic(nullptr, {entry.severity, entry.form, text, {}, {}, nullptr, {}, {}});
}

std::string FormatMessageUnchecked(Msg id, ...) {
  va_list args;
  va_start(args, id);
  std::string text = FormatArguments(MessageText(id), args);
  va_end(args);
  return text;
}

void ReleaseHeldDiagnostics(AssemblerState &st) {
  Diagnostics &diag = st.diag;
  std::fflush(stdout);
  for (HeldDiagnostic &held : diag.held) {
    if (!held.detail.empty()) {
      held.head += ": ";
      held.head += held.detail;
    }
    std::fwrite(held.head.data(), 1, held.head.size(), stderr);
    std::fwrite(held.tail.data(), 1, held.tail.size(), stderr);
  }
  diag.held.clear();
  diag.holding = false;
}

void ConsolePrint(const char *format, ...) {
  va_list args;
  va_start(args, format);
  std::vprintf(format, args);
  va_end(args);
}

void PrintDiagnostic(const AssemblerState *st, const Diagnostic &diagnostic) {
  if (GnuErrorStyle() && diagnostic.severity != Severity::Info) {
    WriteGnuLines(MakeGnuLines(st, diagnostic));
  } else {
    PrintClassic(st, diagnostic);
  }
}
