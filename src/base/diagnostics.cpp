// The error slot, locations, reports and the two printers of a diagnostic.
#include "base/diagnostics.h"

#include <algorithm>
#include <cassert>
#include <cstdarg>
#include <cstdio>
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

// One expansion of a location's trail. Like "error" and "warning", the words are part of the
// form that editors read, the same in every message language.
std::string TrailStep(const AssemblerState &st, const ExpansionStep &step) {
  if (step.macro_name != 0) {
    return "in macro " + std::string(NameAt(st.names, step.macro_name)) + ", line " +
           std::to_string(step.line);
  }
  return "in REPT, repetition " + std::to_string(step.repetition) + ", line " +
         std::to_string(step.line);
}

// "main.asm:7: error: TEXT (in macro M, line 2)" on standard error. A line of a body is named
// by the line of a file its outermost expansion was started from, and the expansions follow.
void PrintGnu(const AssemblerState *st, const Diagnostic &d) {
  std::string file;
  int32_t line = 0;
  std::string trail;
  const ExpansionChain *chain = d.expansions;
  if (chain == nullptr && st != nullptr && d.location.chain > 0 &&
      static_cast<size_t>(d.location.chain) <= st->diag.chains.size()) {
    chain = &st->diag.chains[static_cast<size_t>(d.location.chain) - 1];
  }
  if (chain != nullptr) {
    file = FileName(st, chain->file);
    line = chain->line;
    for (const ExpansionStep &step : chain->steps) {
      trail += (trail.empty() ? "" : "; ") + TrailStep(*st, step);
    }
  } else {
    file = FileName(st, d.location.file);
    line = d.location.line;
  }
  // The -D text is no file an editor could open: its lines are about the run, and say so.
  const bool define = file == kDefineFileName;
  std::string where = file.empty() || define ? kProgramName : file;
  if (!file.empty() && !define && line > 0) {
    where += ':' + std::to_string(line);
  }
  if (define) {
    trail = trail.empty() ? file : file + "; " + trail;
  }
  std::fflush(stdout);  // what the console shows stays in the order it was printed
  std::fprintf(stderr, "%s: %s: %.*s%s%s%s\n", where.c_str(), SeverityName(d.severity),
               static_cast<int>(d.text.size()), d.text.data(), trail.empty() ? "" : " (",
               trail.c_str(), trail.empty() ? "" : ")");
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

// Prints a diagnostic of the run; an error counts against the error-line limit.
void PrintOfRun(AssemblerState &st, const Diagnostic &d) {
  if (d.severity != Severity::Error || CountErrorLine(st)) {
    PrintDiagnostic(&st, d);
  }
}

// The chain of expansions of a line of ctx, a line of a macro or REPT body.
ExpansionChain ChainOf(const SourceContext &ctx, int32_t line) {
  ExpansionChain chain;
  const SourceContext *at = &ctx;
  for (; at->caller != nullptr; at = at->caller) {
    chain.steps.push_back({at->macro_name, at->repetition, line});
    line = at->caller_line;
  }
  std::reverse(chain.steps.begin(), chain.steps.end());
  chain.file = at->file_name;
  chain.line = line;
  return chain;
}

// Prints a diagnostic about a line of the current context (the line being assembled when line
// is kCurrentLine), with the chain of its expansions where a printer shows it.
void PrintAboutLine(AssemblerState &st, Diagnostic d, int32_t line) {
  const SourceContext *ctx = st.source.context;
  if (ctx == nullptr) {
    PrintOfRun(st, d);
    return;
  }
  d.location = {ctx->file_name, line == kCurrentLine ? ctx->line : line, 0, 0};
  if (GnuErrorStyle() && ctx->caller != nullptr) {
    const ExpansionChain chain = ChainOf(*ctx, d.location.line);
    d.expansions = &chain;
    PrintOfRun(st, d);
    return;
  }
  PrintOfRun(st, d);
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
}

void SetErrorMessage(AssemblerState &st, Msg id) {
  assert(std::string_view(MessageText(id)).find('%') == std::string_view::npos);
  SetErrorUnchecked(st, id);
}

void ReportMessage(AssemblerState &st, Msg id) {
  assert(std::string_view(MessageText(id)).find('%') == std::string_view::npos);
  ReportLineUnchecked(st, kCurrentLine, id);
}

void RestateError(AssemblerState &st, Msg id) {
  assert(st.diag.error != nullptr && "only a failure that set its message is restated");
  st.diag.error = MessageText(id);
  st.diag.error_message = id;
}

bool HasError(const AssemblerState &st) { return st.diag.error != nullptr; }

const char *ErrorText(const AssemblerState &st) {
  return st.diag.error != nullptr ? st.diag.error : "";
}

void ReportStatementError(AssemblerState &st) {
  const MessageEntry &entry = EntryOf(st.diag.error_message);
  Diagnostic d{entry.severity, entry.form, ErrorText(st), {}};
  if (d.form == LineForm::Line && st.pass.macro_depth > 0) {
    d.form = LineForm::File;
  }
  PrintAboutLine(st, d, kCurrentLine);
  st.diag.error = nullptr;
}

SourceLocation KeepLocation(AssemblerState &st) {
  const SourceContext *ctx = st.source.context;
  if (ctx == nullptr) {
    return {};
  }
  SourceLocation where{ctx->file_name, ctx->line, 0, 0};
  if (GnuErrorStyle() && ctx->caller != nullptr) {
    std::vector<ExpansionChain> &kept = st.diag.chains;
    ExpansionChain chain = ChainOf(*ctx, ctx->line);
    // The records of one line share its chain.
    if (kept.empty() || !(kept.back() == chain)) {
      kept.push_back(std::move(chain));
    }
    where.chain = static_cast<int32_t>(kept.size());
  }
  return where;
}

void ReportLineUnchecked(AssemblerState &st, int32_t line, Msg id, ...) {
  va_list args;
  va_start(args, id);
  const std::string text = FormatArguments(MessageText(id), args);
  va_end(args);
  const MessageEntry &entry = EntryOf(id);
  PrintAboutLine(st, {entry.severity, entry.form, text, {}}, line);
}

void ReportUnchecked(AssemblerState &st, const SourceLocation &where, Msg id, ...) {
  va_list args;
  va_start(args, id);
  const std::string text = FormatArguments(MessageText(id), args);
  va_end(args);
  const MessageEntry &entry = EntryOf(id);
  PrintOfRun(st, {entry.severity, entry.form, text, where});
}

void ConsoleMessageUnchecked(Msg id, ...) {
  va_list args;
  va_start(args, id);
  const std::string text = FormatArguments(MessageText(id), args);
  va_end(args);
  const MessageEntry &entry = EntryOf(id);
  PrintDiagnostic(nullptr, {entry.severity, entry.form, text, {}});
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

void PrintDiagnostic(const AssemblerState *st, const Diagnostic &diagnostic) {
  if (GnuErrorStyle() && diagnostic.severity != Severity::Info) {
    PrintGnu(st, diagnostic);
  } else {
    PrintClassic(st, diagnostic);
  }
}
