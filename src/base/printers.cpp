// The two printers of a diagnostic: the classic line on standard output, and the lines of
// --errors=gnu (the place with its column, the source line with a caret, the notes), made as
// text before they are written to standard error.
#include "base/printers.h"

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

}  // namespace

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

void PrintDiagnostic(const AssemblerState *st, const Diagnostic &diagnostic) {
  if (GnuErrorStyle() && diagnostic.severity != Severity::Info) {
    WriteGnuLines(MakeGnuLines(st, diagnostic));
  } else {
    PrintClassic(st, diagnostic);
  }
}
