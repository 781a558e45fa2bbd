// The line reader, the files behind it, the capture of bodies and the arguments of a macro call
// (private to src/source/).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "base/state.h"

constexpr int kMaxIncludeDepth = 64;

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

// Counts a line of the context. The number stops at its largest value, 2,147,483,647; the
// reader then refuses any further line of the file.
inline void CountLine(SourceContext &ctx) {
  if (ctx.line < INT32_MAX) {
    ++ctx.line;
  } else {
    ctx.line_count_full = true;
  }
}

// Drops every string stored in the text store from mark on, mark being the store's `used` size
// taken earlier; the room is used again by the next appends.
void ReleaseTextFrom(TextStore &store, uint32_t mark);

// ---- Lines (lines.cpp) ---------------------------------------------------------------------

// The next line of the context (the current one), NUL-terminated, or nullptr when there is none:
// a line of a file read through a LineReader stays in its block (valid until the next read),
// any other goes into buffer. A line that cannot be read is reported and fails the context.
const char *NextLine(AssemblerState &st, SourceContext &ctx, char (&buffer)[kLineCapacity]);
// Reads the next line into buffer; false when there is none.
bool ReadLine(AssemblerState &st, SourceContext &ctx, char (&buffer)[kLineCapacity]);

// ---- Files (files.cpp) ---------------------------------------------------------------------

// Opens a file the run reads and notes it as read, with the name it was first read by. A
// folder opens on some systems but holds no bytes to read: it counts as a file that cannot be
// opened (nullptr).
FILE *OpenInput(AssemblerState &st, const char *name, const char *mode);
// Opens the file that INCLUDE or BINCLUDE names in ctx: by the name as written; when that
// cannot be opened and the name is relative, by the name in the folder of the file being read,
// then in each -I folder in order. opened receives the path that opened. nullptr when none did;
// searched then names every path tried, each in quotes, separated by commas.
FILE *OpenIncluded(AssemblerState &st, const SourceContext &ctx, const char *mode,
                   std::string &opened, std::string &searched);
// Copies the bytes of the BINCLUDE file named in the current context into the image; false
// (reported) when it cannot be read or does not fit.
[[nodiscard]] bool IncludeBinary(AssemblerState &st);

// ---- The line loop (reader.cpp) ------------------------------------------------------------

enum class FileResult { Failed, EndedByEnd, EndOfInput };

// Reads and assembles every line of a context (file or replayed body), made current while it
// runs.
FileResult RunLineLoop(AssemblerState &st, SourceContext &ctx);

enum class CaptureResult {
  Captured,      // the body was stored (and a REPT replayed in full)
  ReplayFailed,  // a REPT repetition failed, or a declared macro's MACRO or LOCAL line:
                 // one error counts against the MACRO or REPT line
  Failed,        // no closing ENDM, or a nesting error: the context fails at once
};

// Captures the MACRO or REPT body named in ctx.operand after its definition line, then repeats
// a REPT. In the listing pass the bodies of the assembly pass are used and nothing is stored.
[[nodiscard]] CaptureResult CaptureBody(AssemblerState &st, SourceContext &ctx);

// ---- Macro calls (macro.cpp) ---------------------------------------------------------------

// Splits the rest of an invocation line into the argument slots of ctx: up to nine, each
// running to the next comma or the end of the line. Blanks followed by a comment or by the end
// of the line end an argument; blanks before a comma belong to it.
void CollectMacroArguments(AssemblerState &st, std::string_view rest, SourceContext &ctx);

// ---- Declared parameters (parameters.cpp) ------------------------------------------------

// Reads the parameter list after MACRO into macro: NAME [= TEXT] [, NAME [= TEXT]]... up to the
// line end, TEXT written as an argument is. False (message set) when it is malformed.
[[nodiscard]] bool ReadParameterList(AssemblerState &st, DeclaredMacro &macro);

enum class LocalLine {
  Other,   // a line of the body proper
  Blank,   // nothing but blanks and a comment
  Local,   // LOCAL NAME [, NAME]...: the names are added to macro
  Failed,  // a LOCAL line whose list is malformed (message set)
};
// What a line at the head of a declared macro's body is; the line is only looked at.
LocalLine ReadLocalLine(AssemblerState &st, const char *line, DeclaredMacro &macro);

// Reads the arguments of a call of a declared macro (named name, at column) from the scan
// position and stores the texts of its words in expansion: the argument of each parameter (the
// parameter's fallback where the call leaves it out or empty; %1..%9 the first nine) and a name
// of each LOCAL name that is the expansion's own. Arguments are separated by commas outside
// quotes; one that begins with '<' is the text up to the next '>'. The scan is left where it
// was. False (message set) when the macro is broken, an argument is missing, there are too
// many, or a '<' is not closed.
[[nodiscard]] bool BindDeclaredArguments(AssemblerState &st, const DeclaredMacro &macro,
                                         int32_t name, int32_t column, SourceContext &expansion);
