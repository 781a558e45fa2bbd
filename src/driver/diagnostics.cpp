// The message catalogue and the print operations.
#include "driver/diagnostics.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "driver/state.h"

namespace {

constexpr int kCatalogueSize = static_cast<int>(Msg::Count);

struct EnglishEntry {
  Msg id;
  const char *text;
};

constexpr EnglishEntry kEnglish[] = {
#include "driver/messages_en.inc"
};

constexpr bool InMsgOrder(const EnglishEntry *rows, int count) {
  for (int i = 0; i < count; ++i) {
    if (static_cast<int>(rows[i].id) != i) {
      return false;
    }
  }
  return true;
}
static_assert(static_cast<int>(sizeof kEnglish / sizeof kEnglish[0]) == kCatalogueSize &&
                  InMsgOrder(kEnglish, kCatalogueSize),
              "the English texts and Msg differ: run tools/gen_messages.py");

// One setting for the whole process: the messages are printed from every subsystem, most of
// which has no AssemblerState at hand when it names a text.
MessageLanguage selected_language = MessageLanguage::cp932;
ErrorStyle selected_style = ErrorStyle::classic;

// The program's name, where a line of --errors=gnu has no place in the source.
constexpr char kProgramName[] = "talvo";

enum class Severity { error, warning, info };

// The forms of the catalogue's whole-line messages, by what their texts begin with. The place
// characters name the place and the kind of line (their conversions take the message's first
// arguments: the file name and line number); the rest of the text, without its line end, is
// the message itself. A text of no form is an error about the whole run, all of it the message.
struct LineForm {
  std::string_view place;
  std::string_view followed_by;  // what must come after the place for the form to apply
  Severity severity;
};

constexpr LineForm kLineForms[] = {
    {"Error %s%5d: ",   "",     Severity::error  },
    {"Error %s     : ", "",     Severity::error  },
    {"Error ",          "%s\n", Severity::error  }, // placement: the argument is the text
    {"Warning %s %d: ", "",     Severity::warning},
    {"Warning: %s: ",   "",     Severity::warning},
    {"Warning: ",       "",     Severity::warning},
    {"Info : ",         "",     Severity::info   },
};

constexpr LineForm kWholeRunError = {"", "", Severity::error};

const LineForm &FormOf(std::string_view text) {
  for (const LineForm &form : kLineForms) {
    if (text.starts_with(form.place) &&
        text.substr(form.place.size()).starts_with(form.followed_by)) {
      return form;
    }
  }
  return kWholeRunError;
}

const char *SeverityName(Severity severity) {
  return severity == Severity::warning ? "warning" : "error";
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

// Prints an error or warning line of the catalogue in the form of --errors=gnu; args are the
// message's arguments. The place part, formatted alone with the same arguments, is what the
// whole line begins with: the message is the rest.
void PrintGnuLine(const DiagnosticPlace &place, const LineForm &form, const char *text,
                  va_list args) {
  std::string whole_format(text);
  if (!whole_format.empty() && whole_format.back() == '\n') {
    whole_format.pop_back();
  }
  va_list place_args;
  va_copy(place_args, args);
  const std::string place_part = FormatArguments(std::string(form.place).c_str(), place_args);
  va_end(place_args);
  const std::string whole = FormatArguments(whole_format.c_str(), args);
  const std::string message = whole.substr(std::min(place_part.size(), whole.size()));
  // The -D text is no file an editor could open: its lines are about the run, and say so.
  const bool define = place.file == kDefineFileName;
  std::string where = place.file.empty() || define ? kProgramName : place.file;
  if (!place.file.empty() && !define && place.line > 0) {
    where += ':' + std::to_string(place.line);
  }
  const std::string trail =
      define ? (place.trail.empty() ? place.file : place.file + "; " + place.trail) : place.trail;
  std::fflush(stdout);  // what the console shows stays in the order it was printed
  std::fprintf(stderr, "%s: %s: %s%s%s%s\n", where.c_str(), SeverityName(form.severity),
               message.c_str(), trail.empty() ? "" : " (", trail.c_str(), trail.empty() ? "" : ")");
}

// One step of a place's trail: the macro or REPT repetition that a replayed line lies in, and
// the line's number within the body. Like "error" and "warning", the words are part of the
// form that editors read, the same in every message language.
std::string TrailStep(const AssemblerState &st, const SourceContext &expansion, int32_t line) {
  if (expansion.macro_name != 0) {
    return "in macro " + std::string(NameAt(st, expansion.macro_name)) + ", line " +
           std::to_string(line);
  }
  return "in REPT, repetition " + std::to_string(expansion.repetition) + ", line " +
         std::to_string(line);
}

}  // namespace

const MessageEntry *MessageCatalogue(int &count) {
  count = static_cast<int>(Msg::Count);
  return kMessageCatalogue;
}

const char *MessageTextIn(Msg id, MessageLanguage language) {
  const int index = static_cast<int>(id);
  switch (language) {
    case MessageLanguage::utf8:
      return kMessageCatalogue[index].utf8;
    case MessageLanguage::english:
      return kEnglish[index].text;
    case MessageLanguage::cp932:
      break;
  }
  return kMessageCatalogue[index].sjis;
}

const char *MessageText(Msg id) { return MessageTextIn(id, selected_language); }

void SetMessageLanguage(MessageLanguage language) { selected_language = language; }

void SetErrorStyle(ErrorStyle style) { selected_style = style; }

bool GnuErrorStyle() { return selected_style == ErrorStyle::gnu; }

const char *GnuSeverityOf(const char *text, size_t &place_length) {
  const LineForm &form = FormOf(text);
  place_length = form.place.size();
  return form.severity == Severity::info ? nullptr : SeverityName(form.severity);
}

DiagnosticPlace PlaceOf(const AssemblerState &st, const SourceContext &ctx, int32_t line) {
  if (!GnuErrorStyle()) {
    return {};
  }
  std::vector<std::string> steps;  // innermost first
  const SourceContext *at = &ctx;
  for (; at->caller != nullptr; at = at->caller) {
    steps.push_back(TrailStep(st, *at, line));
    line = at->caller_line;
  }
  DiagnosticPlace place{NameAt(st, at->file_name), line, {}};
  std::for_each(steps.rbegin(), steps.rend(), [&](const std::string &step) {
    place.trail += (place.trail.empty() ? "" : "; ") + step;
  });
  return place;
}

DiagnosticPlace CurrentPlace(const AssemblerState &st) {
  return st.context != nullptr ? PlaceOf(st, *st.context, st.context->line) : DiagnosticPlace{};
}

DiagnosticPlace FilePlace(const AssemblerState &st, int32_t file, int32_t line) {
  if (!GnuErrorStyle()) {
    return {};
  }
  return {NameAt(st, file), line, {}};
}

int32_t KeepPlace(AssemblerState &st, const SourceContext &ctx, int32_t line) {
  if (!GnuErrorStyle() || ctx.caller == nullptr) {
    return 0;
  }
  std::vector<DiagnosticPlace> &kept = st.diag.kept_places;
  DiagnosticPlace place = PlaceOf(st, ctx, line);
  // The records of one line share its place.
  if (kept.empty() || !(kept.back() == place)) {
    kept.push_back(std::move(place));
  }
  return static_cast<int32_t>(kept.size());
}

DiagnosticPlace KeptPlace(const AssemblerState &st, int32_t kept, int32_t file, int32_t line) {
  if (kept > 0 && static_cast<size_t>(kept) <= st.diag.kept_places.size()) {
    return st.diag.kept_places[static_cast<size_t>(kept) - 1];
  }
  return FilePlace(st, file, line);
}

void SetError(AssemblerState &st, Msg id) { st.diag.error = MessageText(id); }

void FormatErrorUnchecked(AssemblerState &st, Msg id, ...) {
  va_list args;
  va_start(args, id);
  // vsnprintf never writes past the buffer: an overlong message is cut at its end.
  std::vsnprintf(st.diag.buffer, sizeof st.diag.buffer, MessageText(id), args);
  va_end(args);
  st.diag.error = st.diag.buffer;
}

void SetErrorText(AssemblerState &st, const char *text) { st.diag.error = text; }

void ClearError(AssemblerState &st) { st.diag.error = nullptr; }

void ConsolePrint(const char *format, ...) {
  va_list args;
  va_start(args, format);
  std::vprintf(format, args);
  va_end(args);
}

void PrintMessageUnchecked(const DiagnosticPlace &place, Msg id, ...) {
  const char *text = MessageText(id);
  const LineForm &form = FormOf(text);
  va_list args;
  va_start(args, id);
  if (GnuErrorStyle() && form.severity != Severity::info) {
    PrintGnuLine(place, form, text, args);
  } else {
    std::vprintf(text, args);
  }
  va_end(args);
}

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

void FileMessageUnchecked(FILE *file, Msg id, ...) {
  va_list args;
  va_start(args, id);
  std::vfprintf(file, MessageText(id), args);
  va_end(args);
}
