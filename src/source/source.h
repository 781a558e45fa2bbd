// Source files, line reading, the text store, conditional assembly, macros and REPT.
#pragma once

#include <compare>
#include <cstdint>
#include <cstdio>
#include <string_view>

struct AssemblerState;
struct AssembleList;

constexpr int kLineCapacity = 1024;  // a line holds at most 1,023 characters
constexpr int kOperandPathCapacity = 256;
constexpr int kIfStackSize = 10;
constexpr int kMaxIncludeDepth = 64;

// Growable store of NUL-terminated strings: the source list, captured bodies and
// macro arguments. Offset 0 never names a string.
struct TextStore {
  char *bytes = nullptr;
  uint32_t capacity = 0;
  uint32_t used = 0;
};

[[nodiscard]] bool CreateTextStore(TextStore &store);
void FreeTextStore(TextStore &store);
// Appends text and its NUL; returns the offset of the text. When the store cannot grow, the
// run ends (EndRunOutOfMemory).
uint32_t AppendText(TextStore &store, std::string_view text);
// Drops every string stored from mark on, mark being the store's `used` size taken earlier;
// the room is used again by the next appends.
void ReleaseTextFrom(TextStore &store, uint32_t mark);
// The string at offset and, in next, the offset after its NUL; nullptr beyond the end.
const char *ReadText(const TextStore &store, uint32_t offset, uint32_t &next);

// Buffered reading of a source file: lines are cut out of large blocks, as a line-by-line
// read of at most 1,023 characters would deliver them. The line handed out last stays in the
// block, ended by a NUL written over the byte that follows it, until the next line is read.
struct LineReader {
  static constexpr size_t kBlockSize = size_t{64} * 1024;
  char block[kBlockSize + 1];  // one more byte for the NUL after a line that fills the block
  size_t begin = 0;            // first unread byte
  size_t end = 0;              // end of the bytes read
  bool at_eof = false;
  bool failed = false;  // the read that found no more bytes failed
  char covered = 0;     // the byte at block[begin] that the NUL of the last line covers
};

// State of one file being read or one body being replayed.
struct SourceContext {
  int32_t line = 1;
  int32_t file_name = 0;  // name-pool offset
  uint32_t replay = 0;    // 0: reading a file; else TextStore offset of the next line
  int32_t if_state = 0;
  int32_t if_depth = 0;
  int32_t if_stack[kIfStackSize] = {};
  int32_t repeat = 0;
  bool capturing_rept = false;              // the block whose body follows is a REPT, not a MACRO
  char operand[kOperandPathCapacity] = {};  // INCLUDE/BINCLUDE file, or block name
  uint32_t args[9] = {};                    // TextStore offsets of %1..%9; 0 = absent
  FILE *file = nullptr;
  LineReader *reader = nullptr;     // buffer over file, when the reader made one
  AssembleList *listing = nullptr;  // the assemble list, listing pass only
  // A line could not be read (a replayed line grew too long, a read error, a line beyond the
  // largest line number): the file or body fails; the reader has printed why.
  bool read_failed = false;
  bool line_count_full = false;  // the line number has reached its largest value
  // A replayed body (macro expansion, REPT repetition): the context of the line that called
  // the macro or holds the REPT, and that line's number; the macro's name (name-pool offset,
  // 0 for a REPT) or the repetition (from 1). Error places of --errors=gnu are made from them.
  const SourceContext *caller = nullptr;
  int32_t caller_line = 0;
  int32_t macro_name = 0;
  int32_t repetition = 0;
};

// Counts a line of the context. The number stops at its largest value, 2,147,483,647; the
// reader then refuses any further line of the file.
inline void CountLine(SourceContext &ctx) {
  if (ctx.line < INT32_MAX) {
    ++ctx.line;
  } else {
    ctx.line_count_full = true;
  }
}

enum class FileResult { Failed, EndedByEnd, EndOfInput };

// A file the run has read, by device and inode, so that no file the run writes replaces it.
struct FileIdentity {
  uint64_t device = 0;
  uint64_t inode = 0;
  auto operator<=>(const FileIdentity &) const = default;
};

// True when path names a file (symbolic links followed) that the run has read: a source file,
// an INCLUDE or a BINCLUDE file.
bool IsInputFile(const AssemblerState &st, const char *path);

// Assembles one source file (top-level or included); false when it fails. name is read before
// the first line only, so it may point into the TextStore.
[[nodiscard]] bool AssembleSourceFile(AssemblerState &st, const char *name);
// Reads and assembles every line of a context (file or replayed body).
FileResult RunLineLoop(AssemblerState &st, SourceContext &ctx);
// Reads the next line into buffer; false when there is none.
bool ReadLine(AssemblerState &st, SourceContext &ctx, char (&buffer)[kLineCapacity]);
// The next line, NUL-terminated, or nullptr when there is none: a line of a file read through
// a LineReader stays in its block (valid until the next read), any other goes into buffer.
const char *NextLine(AssemblerState &st, SourceContext &ctx, char (&buffer)[kLineCapacity]);

// ---- Conditional assembly ---------------------------------------------------------------

// Conditional states of a context. A conditional past its taken branch remembers whether its
// ELSE has been seen, so that one ELSE is accepted there and a second one is not.
enum IfState : int32_t {
  kIfNone = 0,        // no conditional open: assembled
  kIfFalse = 1,       // conditions false so far, no branch taken: skipped
  kIfElse = 2,        // ELSE after false conditions: assembled
  kIfTrue = 3,        // the branch whose condition was true: assembled
  kIfDone = 4,        // ELSE after the taken branch: skipped
  kIfSkipAll = 5,     // the whole conditional is skipped (nested in skipped text, undetermined,
                      // or too deep)
  kIfAfterTaken = 6,  // ELIF after the taken branch, no ELSE yet: skipped
};

// IF expr / ELIF expr / ELSE / ENDIF, called with the keyword consumed; false (message set)
// when the statement fails.
[[nodiscard]] bool DoIf(AssemblerState &st);
[[nodiscard]] bool DoElif(AssemblerState &st);
[[nodiscard]] bool DoElse(AssemblerState &st);
[[nodiscard]] bool DoEndif(AssemblerState &st);
// Pushes a conditional level with a new state. One level too deep, the message is set and the
// level is still opened, skipped whole, so that its ENDIF stays balanced.
void PushIfState(AssemblerState &st, int32_t state);
// Opens the level of an IF met in skipped text, skipped whole. One level too deep, it opens
// nothing and fails (message set).
[[nodiscard]] bool PushSkippedIf(AssemblerState &st);
inline bool IsSkipping(int32_t if_state) {
  return if_state == kIfFalse || if_state == kIfDone || if_state == kIfSkipAll ||
         if_state == kIfAfterTaken;
}

// ---- Macros and REPT --------------------------------------------------------------------

// "name MACRO", called with the MACRO token consumed: defines the macro in the current scope,
// puts its name into the context's operand path; false (message set) on error.
[[nodiscard]] bool DefineMacro(AssemblerState &st, std::string_view name);
// "REPT count", called with the REPT token consumed; false (message set) on error.
[[nodiscard]] bool DefineRept(AssemblerState &st);
// Invokes a macro whose body starts at the TextStore offset body (0 = empty body) and whose
// name is at the name-pool offset name: collects the arguments from the rest of the line,
// replays the body, leaves the scan at the line end.
[[nodiscard]] bool InvokeMacro(AssemblerState &st, uint32_t body, int32_t name);
enum class CaptureResult {
  Captured,      // the body was stored (and a REPT replayed in full)
  ReplayFailed,  // a REPT repetition failed: one error counts against the REPT line
  Failed,        // no closing ENDM, or a nesting error: the context fails at once
};

// Captures the body named in ctx.operand, and replays it when it is a REPT.
[[nodiscard]] CaptureResult CaptureBody(AssemblerState &st, SourceContext &ctx);
// Collects up to nine macro arguments from the scan position into the slots of ctx.
void CollectMacroArguments(AssemblerState &st, SourceContext &ctx);
