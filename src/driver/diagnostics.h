// Error slot, message buffer, the three print operations and the message catalogue.
#pragma once

#include <cstdarg>
#include <cstdio>

struct AssemblerState;

#include "driver/messages_enum.inc"

// One catalogue entry: the text as written (UTF-8) and the bytes the program prints (CP932).
struct MessageEntry {
  Msg id;
  const char *utf8;
  const char *sjis;
};

constexpr int kMessageBufferSize = 256;

struct Diagnostics {
  const char *error = nullptr;           // the current line's first error, or nullptr
  char buffer[kMessageBufferSize] = {};  // the one formatted message
};

// The whole catalogue, in Msg order.
const MessageEntry *MessageCatalogue(int &count);
// The printed bytes of a message.
const char *MessageText(Msg id);

// Sets the error slot to a catalogue message.
void SetError(AssemblerState &st, Msg id);
// Formats a catalogue message with arguments into the message buffer (cut at its end) and
// sets the slot to it.
void SetErrorFormat(AssemblerState &st, Msg id, ...);
// Sets the slot to text that the caller owns (an ERROR statement's own text).
void SetErrorText(AssemblerState &st, const char *text);
void ClearError(AssemblerState &st);

// Console print: standard output.
void ConsolePrint(const char *format, ...) __attribute__((format(printf, 1, 2)));
// Console print of a catalogue message with arguments.
void ConsoleMessage(Msg id, ...);
// File print of a catalogue message with arguments (the disk writers report on standard error).
void FileMessage(FILE *file, Msg id, ...);

// Ends the process after an allocation failed: the console is flushed, the message printed and
// the exit status is 255. It writes without allocating, so it works with no memory left.
[[noreturn]] void EndRunOutOfMemory();
// Makes a failed operator new end the run through EndRunOutOfMemory.
void InstallOutOfMemoryHandler();
