// The message catalogue and the print operations.
#include "driver/diagnostics.h"

#include <cstdio>

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

void ConsoleMessageUnchecked(Msg id, ...) {
  va_list args;
  va_start(args, id);
  std::vprintf(MessageText(id), args);
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
