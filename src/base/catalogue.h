// The message catalogue: every text the program prints, in CP932, UTF-8 and English, with the
// form of its line; the selected language and error style; the compile-time check of a call's
// message arguments.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "base/messages_enum.inc"

// What a line reports.
enum class Severity : uint8_t { Error, Warning, Info };

// The place a classic line shows in front of its text.
enum class LineForm : uint8_t {
  Bare,      // the text alone: a message about the whole run ("File 'x' cannot open")
  Severity,  // "Error TEXT", "Warning: TEXT", "Info : TEXT"
  File,      // "Error FILE     : TEXT", "Warning: FILE: TEXT"
  Line,      // "Error FILE%5d: TEXT", "Warning FILE %d: TEXT"
};

// One catalogue entry: how its line reads, the text as written (UTF-8) and the bytes the
// program prints (CP932). A text is the message alone: no place in front, no line end.
struct MessageEntry {
  Msg id;
  Severity severity;
  LineForm form;
  const char *utf8;
  const char *sjis;
};

// The texts the printers use: the catalogue's CP932 bytes (the default), the same texts as
// UTF-8, or their English versions.
enum class MessageLanguage { Cp932, Utf8, English };

// How error and warning lines are printed: the classic form on standard output (the default),
// or "FILE:LINE: error: TEXT" on standard error (--errors=gnu).
enum class ErrorStyle { Classic, Gnu };

// The whole catalogue, in Msg order. It is visible here so that every call that formats an
// entry can be checked against the entry's conversions when it is compiled.
inline constexpr MessageEntry kMessageCatalogue[] = {
#include "base/messages_table.inc"
};
static_assert(sizeof kMessageCatalogue / sizeof kMessageCatalogue[0] ==
                  static_cast<size_t>(Msg::Count),
              "catalogue and Msg differ");

constexpr const MessageEntry &EntryOf(Msg id) { return kMessageCatalogue[static_cast<int>(id)]; }

// The printed bytes of a message, in the selected language.
const char *MessageText(Msg id);
// The text of a message in a given language.
const char *MessageTextIn(Msg id, MessageLanguage language);

// The language and the error style of every message printed. They hold for the process: the
// messages are printed from every folder, the output writers among them, which have no
// AssemblerState at hand.
struct MessageSettings {
  MessageLanguage language = MessageLanguage::Cp932;
  ErrorStyle style = ErrorStyle::Classic;
};
const MessageSettings &CurrentMessageSettings();
void SelectMessageLanguage(MessageLanguage language);  // --messages
void SelectErrorStyle(ErrorStyle style);               // --errors
inline bool GnuErrorStyle() { return CurrentMessageSettings().style == ErrorStyle::Gnu; }

// The settings of one run: the defaults while it lasts, and the settings from before it again
// once it ends, so that --messages and --errors hold for their own run only.
class MessageSettingsScope {
 public:
  MessageSettingsScope();
  ~MessageSettingsScope();
  MessageSettingsScope(const MessageSettingsScope &) = delete;
  MessageSettingsScope &operator=(const MessageSettingsScope &) = delete;

 private:
  MessageSettings saved_;
};

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
    if (!message_format::ArgumentsMatch<Args...>(EntryOf(message).sjis)) {
      message_format::ArgumentsDoNotMatchTheMessage();
    }
  }
};

// The message parameter of a print operation: its arguments are taken from the call's other
// arguments, never deduced from the message.
template <typename... Args>
using MessageFor = CheckedMessage<std::type_identity_t<Args>...>;
