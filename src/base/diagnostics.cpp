// The error slot, locations, reports and the two printers of a diagnostic.
#include "base/diagnostics.h"

#include <algorithm>
#include <cassert>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/printers.h"
#include "base/state.h"

namespace {

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

// The token of a line at a column, as a detail names it: a word, a Shift-JIS character (with
// utf8, a UTF-8 character) or one other character; "" when the line ends there (its comment or
// its end).
std::string TokenAt(std::string_view line, int32_t column, bool utf8) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
    line.remove_suffix(1);
  }
  if (column <= 0 || static_cast<size_t>(column) > line.size()) {
    return {};
  }
  size_t start = static_cast<size_t>(column) - 1;
  while (start < line.size() && (line[start] == ' ' || line[start] == '\t')) {
    ++start;
  }
  if (start == line.size()) {
    return {};
  }
  auto is_word = [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '@' || c == '?';
  };
  const char first = line[start];
  if (first == ';') {
    return {};
  }
  size_t end = start + 1;
  if (is_word(first)) {
    while (end < line.size() && is_word(line[end])) {
      ++end;
    }
  } else if (static_cast<unsigned char>(first) >= 0x80 && utf8) {
    constexpr size_t kLongestUtf8 = 4;
    while (end < line.size() && end - start < kLongestUtf8 &&
           (static_cast<unsigned char>(line[end]) & 0xC0) == 0x80) {
      ++end;  // the continuation bytes of a UTF-8 character
    }
  } else if (static_cast<unsigned char>(first) >= 0x80 && end < line.size()) {
    ++end;  // the two bytes of a Shift-JIS character
  } else if (static_cast<unsigned char>(first) < 0x20 || first == 0x7F) {
    char code[8];  // a control character is named by its code
    std::snprintf(code, sizeof code, "\\x%02X",
                  static_cast<unsigned>(static_cast<unsigned char>(first)));
    return code;
  }
  return std::string(line.substr(start, end - start));
}

// The UTF-8 byte-order mark some editors put in front of a file.
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// What --errors=gnu says about a syntax error at column of the line: the token there, the end
// of the line, or the byte-order mark an editor put in front of the file.
void ExplainUnexpected(AssemblerState &st, int32_t column) {
  const SourceContext *ctx = st.source.context;
  if (ctx == nullptr || ctx->text == nullptr) {
    return;
  }
  const std::string_view line = ctx->text;
  if (column == 1 && ctx->line == 1 && ctx->caller == nullptr &&
      line.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
    AddErrorDetail(st, Msg::DetailByteOrderMark);
    return;
  }
  const std::string token = TokenAt(line, column, st.options.source_utf8);
  if (token.empty()) {
    AddErrorDetail(st, Msg::DetailLineEnds);
  } else {
    AddErrorDetail(st, Msg::DetailUnexpected, token.c_str());
  }
  st.diag.detail_generic = true;
}

// A line of a macro body that uses a parameter the call left empty: the error is likely its
// consequence, and --errors=gnu says so after what else it found.
void ExplainEmptyArgument(AssemblerState &st) {
  const SourceContext *ctx = st.source.context;
  if (ctx == nullptr || ctx->empty_argument == 0) {
    return;
  }
  int32_t given = 0;
  for (int32_t n = 0; n < kMacroArguments; ++n) {
    if (ctx->args[n] != 0) {
      given = n + 1;
    }
  }
  char text[kMessageBufferSize];
  std::snprintf(text, sizeof text, MessageText(Msg::DetailMissingArgument), ctx->empty_argument,
                given);
  Diagnostics &diag = st.diag;
  const size_t used = std::strlen(diag.detail);
  std::snprintf(diag.detail + used, sizeof diag.detail - used, "%s%s", used > 0 ? "; " : "", text);
}

bool IsSyntaxMessage(Msg id) { return id == Msg::SyntaxError || id == Msg::ExpressionSyntax; }

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

// Where line of ctx came from, with its text (empty when it is not known).
LineOrigin OriginOf(const SourceContext &ctx, int32_t line, std::string_view text) {
  LineOrigin origin;
  WrittenPlace(ctx, line, origin.file, origin.line);
  origin.text = text;
  for (const SourceContext *at = &ctx;;) {
    Frame frame;
    const SourceContext *outer = nullptr;
    if (at->caller != nullptr) {
      frame.kind = at->macro_name != 0 ? FrameKind::Macro : FrameKind::Repetition;
      frame.name = at->macro_name;
      frame.repetition = at->repetition;
      outer = at->caller;
      WrittenPlace(*outer, at->caller_line, frame.file, frame.line);
      frame.column = at->caller_column;
    } else if (at->includer != nullptr) {
      frame.kind = FrameKind::Include;
      outer = at->includer;
      WrittenPlace(*outer, at->include_line, frame.file, frame.line);
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
  Diagnostics &diag = st.diag;
  assert(diag.error != nullptr && "only a failure that set its message is restated");
  if (diag.error_message == id) {
    return;
  }
  // Under --errors=gnu what the operation found becomes the detail of the caller's message.
  const bool syntax = IsSyntaxMessage(diag.error_message);
  if (GnuErrorStyle() && diag.detail[0] == '\0' && !syntax) {
    std::snprintf(diag.detail, sizeof diag.detail, "%s", diag.error);
  }
  diag.error = MessageText(id);
  diag.error_message = id;
  if (syntax && diag.detail[0] == '\0') {
    ExplainUnexpected(st, diag.error_column);
  }
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
  st.diag.detail_generic = false;
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
  if (GnuErrorStyle()) {
    if (diag.detail[0] == '\0' && IsSyntaxMessage(diag.error_message)) {
      ExplainUnexpected(st, diag.error_column);
    }
    const Msg id = diag.error_message;
    if (diag.detail[0] == '\0' &&
        (id == Msg::MissingCloseQuote || id == Msg::MissingCloseDoubleQuote)) {
      AddErrorDetail(st, Msg::DetailStringOpened);
    }
    ExplainEmptyArgument(st);
    d.detail = diag.detail;
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
  const size_t length = std::strlen(line);
  if (static_cast<size_t>(position - line) > length) {
    return 0;  // not in this line
  }
  // A position in the line end is the column just after the line's last character.
  size_t end = length;
  while (end > 0 && (line[end - 1] == '\n' || line[end - 1] == '\r')) {
    --end;
  }
  return static_cast<int32_t>(std::min(static_cast<size_t>(position - line), end)) + 1;
}

const char *PassByteOrderMark(AssemblerState &st, const char *line) {
  SourceContext *ctx = st.source.context;
  if (!st.options.source_utf8 || ctx == nullptr || ctx->text != line || line == nullptr ||
      ctx->line != 1 || ctx->file == nullptr || ctx->caller != nullptr ||
      std::strncmp(line, kByteOrderMark.data(), kByteOrderMark.size()) != 0) {
    return line;
  }
  ctx->text = line + kByteOrderMark.size();
  return ctx->text;
}

int32_t CurrentColumn(const AssemblerState &st) {
  const char *at = st.scan.token_start;
  const char *line = st.scan.line;
  const SourceContext *ctx = st.source.context;
  // The scan's pointers are read only while its line is the line being assembled: once that
  // line's file has ended they point into a buffer that is gone.
  if (at == nullptr || line == nullptr || at < line || ctx == nullptr || ctx->text != line) {
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
  WrittenPlace(*ctx, ctx->line, place.file, place.line);
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

namespace {

void ReportLineWith(AssemblerState &st, int32_t line, int32_t column, std::string_view detail,
                    Msg id, va_list args) {
  const std::string text = FormatArguments(MessageText(id), args);
  const MessageEntry &entry = EntryOf(id);
  Diagnostic d{entry.severity, entry.form, text, detail, {}, nullptr, {}, {}};
  d.location.column = column;
  PrintAboutLine(st, d, line);
}

void ReportWith(AssemblerState &st, const SourceLocation &where, std::string_view detail, Msg id,
                va_list args) {
  const std::string text = FormatArguments(MessageText(id), args);
  const MessageEntry &entry = EntryOf(id);
  PrintOfRun(st, {entry.severity, entry.form, text, detail, where, nullptr, {}, {}});
}

void ConsoleMessageWith(std::string_view detail, Msg id, va_list args) {
  const std::string text = FormatArguments(MessageText(id), args);
  const MessageEntry &entry = EntryOf(id);
  PrintDiagnostic(nullptr, {entry.severity, entry.form, text, detail, {}, nullptr, {}, {}});
}

}  // namespace

void ReportLineUnchecked(AssemblerState &st, int32_t line, int32_t column, Msg id, ...) {
  va_list args;
  va_start(args, id);
  ReportLineWith(st, line, column, {}, id, args);
  va_end(args);
}

void ReportLineDetailedUnchecked(AssemblerState &st, int32_t line, int32_t column,
                                 std::string_view detail, Msg id, ...) {
  va_list args;
  va_start(args, id);
  ReportLineWith(st, line, column, detail, id, args);
  va_end(args);
}

void ReportMessage(AssemblerState &st, Msg id) {
  assert(std::string_view(MessageText(id)).find('%') == std::string_view::npos);
  ReportLineUnchecked(st, kCurrentLine, CurrentColumn(st), id);
}

void ReportUnchecked(AssemblerState &st, const SourceLocation &where, Msg id, ...) {
  va_list args;
  va_start(args, id);
  ReportWith(st, where, {}, id, args);
  va_end(args);
}

void ReportDetailedUnchecked(AssemblerState &st, const SourceLocation &where,
                             std::string_view detail, Msg id, ...) {
  va_list args;
  va_start(args, id);
  ReportWith(st, where, detail, id, args);
  va_end(args);
}

void ConsoleMessageUnchecked(Msg id, ...) {
  va_list args;
  va_start(args, id);
  ConsoleMessageWith({}, id, args);
  va_end(args);
}

void ConsoleMessageDetailedUnchecked(std::string_view detail, Msg id, ...) {
  va_list args;
  va_start(args, id);
  ConsoleMessageWith(detail, id, args);
  va_end(args);
}

std::string FormatMessageUnchecked(Msg id, ...) {
  va_list args;
  va_start(args, id);
  std::string text = FormatArguments(MessageText(id), args);
  va_end(args);
  return text;
}

void ConsolePrint(const char *format, ...) {
  va_list args;
  va_start(args, format);
  std::vprintf(format, args);
  va_end(args);
}

void WrittenPlace(const SourceContext &ctx, int32_t line, int32_t &file, int32_t &at) {
  if (ctx.caller != nullptr) {
    file = ctx.body_file;
    at = ctx.body_line + line;
  } else {
    file = ctx.file_name;
    at = line;
  }
}
