// The message catalogue and the print operations.
#include "driver/diagnostics.h"

#include <cstdio>

#include "driver/state.h"

namespace {

const MessageEntry kCatalogue[] = {
#include "driver/messages_table.inc"
};

constexpr int kCatalogueSize = static_cast<int>(sizeof kCatalogue / sizeof kCatalogue[0]);
static_assert(kCatalogueSize == static_cast<int>(Msg::Count), "catalogue and Msg differ");

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
  count = kCatalogueSize;
  return kCatalogue;
}

const char *MessageTextIn(Msg id, MessageLanguage language) {
  const int index = static_cast<int>(id);
  switch (language) {
    case MessageLanguage::utf8:
      return kCatalogue[index].utf8;
    case MessageLanguage::english:
      return kEnglish[index].text;
    case MessageLanguage::cp932:
      break;
  }
  return kCatalogue[index].sjis;
}

const char *MessageText(Msg id) { return MessageTextIn(id, selected_language); }

void SetMessageLanguage(MessageLanguage language) { selected_language = language; }

void SetError(AssemblerState &st, Msg id) { st.diag.error = MessageText(id); }

void SetErrorFormat(AssemblerState &st, Msg id, ...) {
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

void ConsoleMessage(Msg id, ...) {
  va_list args;
  va_start(args, id);
  std::vprintf(MessageText(id), args);
  va_end(args);
}

void FileMessage(FILE *file, Msg id, ...) {
  va_list args;
  va_start(args, id);
  std::vfprintf(file, MessageText(id), args);
  va_end(args);
}
