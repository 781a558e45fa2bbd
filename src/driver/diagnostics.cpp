// The message catalogue and the print operations.
#include "driver/diagnostics.h"

#include <cstdio>

#include "driver/state.h"

const MessageEntry *MessageCatalogue(int &count) {
  count = static_cast<int>(Msg::Count);
  return kMessageCatalogue;
}

const char *MessageText(Msg id) { return kMessageCatalogue[static_cast<int>(id)].sjis; }

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
