// Error slot, message buffer, the three print operations and the message catalogue.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <string>
#include <type_traits>
#include <vector>

struct AssemblerState;
struct SourceContext;

#include "driver/messages_enum.inc"

// One catalogue entry: the text as written (UTF-8) and the bytes the program prints (CP932).
struct MessageEntry {
  Msg id;
  const char *utf8;
  const char *sjis;
};

// The texts the print operations use: the catalogue's CP932 bytes (the default), the same
// texts as UTF-8, or their English versions.
enum class MessageLanguage { cp932, utf8, english };

// How error and warning lines are printed: as the catalogue writes them, on standard output
// (the default), or as "FILE:LINE: error: TEXT" on standard error (--errors=gnu).
enum class ErrorStyle { classic, gnu };

// The whole catalogue, in Msg order. It is visible here so that every call that formats an
// entry can be checked against the entry's conversions when it is compiled.
inline constexpr MessageEntry kMessageCatalogue[] = {
#include "driver/messages_table.inc"
};
static_assert(sizeof kMessageCatalogue / sizeof kMessageCatalogue[0] ==
                  static_cast<size_t>(Msg::Count),
              "catalogue and Msg differ");

// ---- Compile-time check of a message's arguments ----------------------------------------------

namespace message_format {

// What a printf conversion takes, and what an argument of a call is.
enum class Kind { Int, Unsigned, Text, Other };

// int for the integer types that promote to int, unsigned for unsigned int, text for char
// pointers; anything else (long, std::string, ...) matches no conversion of the catalogue.
template <typename T>
consteval Kind KindOf() {
  using D = std::decay_t<T>;
  if constexpr (std::is_same_v<D, const char *> || std::is_same_v<D, char *>) {
    return Kind::Text;
  } else if constexpr (std::is_integral_v<D>) {
    using Promoted = decltype(+D{});
    if constexpr (std::is_same_v<Promoted, int>) {
      return std::is_unsigned_v<D> ? Kind::Unsigned : Kind::Int;  // uint8_t, uint16_t
    } else if constexpr (std::is_same_v<Promoted, unsigned>) {
      return Kind::Unsigned;
    } else {
      return Kind::Other;
    }
  } else {
    return Kind::Other;
  }
}

// What a conversion letter takes: %d %i %c an int, %u %o %x %X an unsigned int (or a narrower
// unsigned type, which promotes to an int of the same value), %s a char pointer. Any other
// letter (a length modifier, %p, %f) is one this check does not know: Other, matching nothing.
constexpr Kind Wanted(char conversion) {
  switch (conversion) {
    case 'd':
    case 'i':
    case 'c':
      return Kind::Int;
    case 'u':
    case 'o':
    case 'x':
    case 'X':
      return Kind::Unsigned;
    case 's':
      return Kind::Text;
    default:
      return Kind::Other;
  }
}

// True when the arguments, in order, are what the printf format's conversions take (a '*'
// width or precision takes an int).
template <typename... Args>
consteval bool ArgumentsMatch(const char *format) {
  constexpr Kind given[] = {KindOf<Args>()..., Kind::Other};
  constexpr size_t count = sizeof...(Args);
  size_t next = 0;
  auto take = [&](Kind wanted) {
    return wanted != Kind::Other && next < count && given[next++] == wanted;
  };
  for (const char *p = format; *p != '\0'; ++p) {
    if (*p != '%') {
      continue;
    }
    ++p;
    if (*p == '%') {
      continue;
    }
    while (*p == '-' || *p == '+' || *p == ' ' || *p == '#' || *p == '0') {
      ++p;
    }
    for (int part = 0; part < 2; ++part) {  // the width, then the precision after '.'
      if (part == 1) {
        if (*p != '.') {
          break;
        }
        ++p;
      }
      if (*p == '*') {
        if (!take(Kind::Int)) {
          return false;
        }
        ++p;
      }
      while (*p >= '0' && *p <= '9') {
        ++p;
      }
    }
    if (!take(Wanted(*p))) {
      return false;
    }
  }
  return next == count;
}

// Deliberately not constexpr: reached only when a message's conversions and its arguments
// differ, it makes the call that passes them fail to compile.
void ArgumentsDoNotMatchTheMessage();

}  // namespace message_format

// A catalogue message named at a call together with the types of the arguments the call
// passes; made only at compile time, and only when they match the message's conversions.
template <typename... Args>
struct CheckedMessage {
  Msg id;
  // Implicit, so that a call names the message as Msg::Name.
  consteval CheckedMessage(Msg message) : id(message) {
    if (!message_format::ArgumentsMatch<Args...>(
            kMessageCatalogue[static_cast<int>(message)].sjis)) {
      message_format::ArgumentsDoNotMatchTheMessage();
    }
  }
};

// The message parameter of a print operation: its arguments are taken from the call's other
// arguments, never deduced from the message.
template <typename... Args>
using MessageFor = CheckedMessage<std::type_identity_t<Args>...>;

constexpr int kMessageBufferSize = 256;
// A run stops after this many error lines, so that a runaway source (a macro that calls
// itself) cannot print without end.
constexpr int kMaxErrorLines = 10000;
// The name under which the -D text is assembled, in place of a file name.
constexpr char kDefineFileName[] = "in -D option";

// Where an error or warning line points under --errors=gnu: the file and line an editor
// opens, and the macro expansions and REPT repetitions the reported line lies in, outermost
// first. An empty file names no place: the line concerns the whole run. Empty in the classic
// style, which prints its places as the catalogue's texts do.
struct DiagnosticPlace {
  std::string file;
  int32_t line = 0;  // 0: no line
  std::string trail;
  bool operator==(const DiagnosticPlace &) const = default;
};

struct Diagnostics {
  const char *error = nullptr;           // the current line's first error, or nullptr
  char buffer[kMessageBufferSize] = {};  // the one formatted message
  int error_lines = 0;                   // error lines printed so far in the program
  bool stopped = false;                  // the error-line limit stopped the run
  // --errors=gnu: the places of forward references made inside expansions, which are
  // reported after their contexts have ended (Fixup::place counts from 1).
  std::vector<DiagnosticPlace> kept_places;
};

// The whole catalogue, in Msg order.
const MessageEntry *MessageCatalogue(int &count);
// The printed bytes of a message, in the selected language.
const char *MessageText(Msg id);
// The text of a message in a given language.
const char *MessageTextIn(Msg id, MessageLanguage language);
// Selects the language of every message printed from now on (the --messages option).
void SetMessageLanguage(MessageLanguage language);
// Selects how every error and warning line is printed from now on (the --errors option).
void SetErrorStyle(ErrorStyle style);
bool GnuErrorStyle();

// How --errors=gnu prints a catalogue text: as "error" or "warning" (nullptr: an information
// line, printed as written), its first place_length characters being the place in front of the
// message that the line's place replaces.
const char *GnuSeverityOf(const char *text, size_t &place_length);

// The place of a line of a context: under --errors=gnu, the file and line that hold it (for a
// line of a macro or REPT body, those of the outermost call) and the expansions it lies in.
DiagnosticPlace PlaceOf(const AssemblerState &st, const SourceContext &ctx, int32_t line);
// The place of the line being assembled; none outside the lines of the run.
DiagnosticPlace CurrentPlace(const AssemblerState &st);
// The place of a line of a file (a name-pool offset), outside any expansion.
DiagnosticPlace FilePlace(const AssemblerState &st, int32_t file, int32_t line);
// Keeps the place of a line for a record that outlives its context: 0 when the record's own
// file and line will do (outside expansions, or in the classic style), else what KeptPlace
// takes.
int32_t KeepPlace(AssemblerState &st, const SourceContext &ctx, int32_t line);
// The place kept by KeepPlace, or that of the record's file and line when it kept none.
DiagnosticPlace KeptPlace(const AssemblerState &st, int32_t kept, int32_t file, int32_t line);

// Sets the error slot to a catalogue message.
void SetError(AssemblerState &st, Msg id);
// Sets the slot to text that the caller owns (an ERROR statement's own text).
void SetErrorText(AssemblerState &st, const char *text);
void ClearError(AssemblerState &st);

// Console print: standard output.
void ConsolePrint(const char *format, ...) __attribute__((format(printf, 1, 2)));

// The unchecked print operations behind the checked ones below.
void FormatErrorUnchecked(AssemblerState &st, Msg id, ...);
void PrintMessageUnchecked(const DiagnosticPlace &place, Msg id, ...);
void FileMessageUnchecked(FILE *file, Msg id, ...);

// Formats a catalogue message with arguments into the message buffer (cut at its end) and
// sets the slot to it.
template <typename... Args>
void SetErrorFormat(AssemblerState &st, MessageFor<Args...> message, Args... args) {
  FormatErrorUnchecked(st, message.id, args...);
}
// Prints a whole-line message of the catalogue about a place. In the classic style it is
// printed as written on standard output. Under --errors=gnu an error or warning line is
// printed on standard error as "FILE:LINE: error: TEXT (TRAIL)" (or "warning"), its TEXT being
// the message without the file and line the catalogue's form puts in front ("talvo" stands
// for a missing place); information lines stay as written on standard output.
template <typename... Args>
void PrintMessageAt(const DiagnosticPlace &place, MessageFor<Args...> message, Args... args) {
  PrintMessageUnchecked(place, message.id, args...);
}
// Console print of a catalogue message with arguments, about no place in the source.
template <typename... Args>
void ConsoleMessage(MessageFor<Args...> message, Args... args) {
  PrintMessageUnchecked(DiagnosticPlace{}, message.id, args...);
}
// Counts an error line about to be printed. Past the limit it prints nothing, stops the run
// (the line loops end, with failure) and, the first time, says so; false then.
[[nodiscard]] bool CountErrorLine(AssemblerState &st);
// Print of an error line of the run (a line that reports an error in the source or its
// files) about a place, counted against the error-line limit.
template <typename... Args>
void PrintErrorLine(AssemblerState &st, const DiagnosticPlace &place, MessageFor<Args...> message,
                    Args... args) {
  if (CountErrorLine(st)) {
    PrintMessageUnchecked(place, message.id, args...);
  }
}
// File print of a catalogue message with arguments (the disk writers report on standard error).
template <typename... Args>
void FileMessage(FILE *file, MessageFor<Args...> message, Args... args) {
  FileMessageUnchecked(file, message.id, args...);
}

// Ends the process after an allocation failed: the console is flushed, the message printed and
// the exit status is 255. It writes without allocating, so it works with no memory left.
[[noreturn]] void EndRunOutOfMemory();
// Makes a failed operator new end the run through EndRunOutOfMemory.
void InstallOutOfMemoryHandler();
