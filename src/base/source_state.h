// The source reader's part of AssemblerState: the text store, the contexts of the files and
// bodies being read and the files the run has read. Their operations are those of
// src/source/source.h.
#pragma once

#include <sys/stat.h>

#include <compare>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/conditional_stack.h"
#include "base/scan_state.h"

constexpr int kLineCapacity = 1024;  // a line holds at most 1,023 characters
constexpr int kOperandPathCapacity = 256;
constexpr int kMacroArguments = 9;  // %1..%9
constexpr int kMaxMacroDepth = 4;   // macro expansions nest at most four deep

// Growable store of NUL-terminated strings: the source list, captured bodies and
// macro arguments. Offset 0 never names a string.
struct TextStore {
  char *bytes = nullptr;
  uint32_t capacity = 0;
  uint32_t used = 0;
};

struct LineReader;

// A parameter that a MACRO line declares: NAME, or NAME=TEXT, whose text stands in for an
// argument the call leaves out or empty.
struct MacroParameter {
  std::string name;
  std::string fallback;
  bool optional = false;  // declared with '='
};

// Looks the declared words up by a view of a line's text, without a copy.
struct WordHash {
  using is_transparent = void;
  size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
};

// A macro whose MACRO line declares its parameters, and the LOCAL names of the first lines of
// its body. A replayed line has each word that is one of them replaced.
struct DeclaredMacro {
  std::vector<MacroParameter> parameters;
  std::vector<std::string> locals;
  // Each parameter and LOCAL name: its index, the parameters first, then the LOCAL names.
  std::unordered_map<std::string, int32_t, WordHash, std::equal_to<>> words;
  uint32_t replay = 0;       // TextStore offset of the first line after the LOCAL lines
  int32_t passed_lines = 0;  // the body lines before it, which an expansion passes over
  bool broken = false;       // its MACRO or LOCAL line failed (reported): a call fails
};

// What a pass names for the expansions of declared macros, in the same order in both passes.
struct DeclaredNames {
  int32_t local_serial = 0;  // expansions that have named their LOCAL labels so far
  int32_t depth = 0;         // declared expansions under way, one inside another
  // Each depth of declared expansions numbers its anonymous labels in a range of its own:
  // the serials used so far in it, by family, from the start of the range.
  int32_t used[kMaxMacroDepth][kLocalFamilies] = {};
};

// State of one file being read or one body being replayed.
struct SourceContext {
  int32_t line = 1;
  int32_t file_name = 0;  // name-pool offset
  uint32_t replay = 0;    // 0: reading a file; else TextStore offset of the next line
  ConditionalStack conditional;
  int32_t repeat = 0;
  bool capturing_rept = false;              // the block whose body follows is a REPT, not a MACRO
  char operand[kOperandPathCapacity] = {};  // INCLUDE/BINCLUDE file, or block name
  int32_t operand_column = 0;  // where the operand's statement names it (the file, MACRO, REPT)
  // BINCLUDE "name", offset, length: the slice of the file it copies; a length of -1 copies
  // the rest of the file.
  int32_t slice_offset = 0;
  int32_t slice_length = -1;
  uint32_t args[kMacroArguments] = {};  // TextStore offsets of %1..%9; 0 = absent
  // The expansion of a declared macro: the macro, and the TextStore offsets of the texts its
  // words stand for (0: empty), by the words' index.
  const DeclaredMacro *declared = nullptr;
  std::vector<uint32_t> words;
  FILE *file = nullptr;
  LineReader *reader = nullptr;  // buffer over file, when the reader made one
  // A line could not be read (a replayed line grew too long, a read error, a line beyond the
  // largest line number): the file or body fails; the reader has printed why.
  bool read_failed = false;
  bool line_count_full = false;  // the line number has reached its largest value
  // Lines of the file longer than a line holds, cut outside a comment: each was reported and
  // read as an empty line; the file fails at its end.
  int32_t cut_lines = 0;
  // The line last read, while it is assembled (nullptr between lines): what a diagnostic
  // about it shows.
  const char *text = nullptr;
  // A line of a body: its first %n whose argument the call left empty (0: none).
  int32_t empty_argument = 0;
  // A replayed body (macro expansion, REPT repetition): the context of the line that called
  // the macro or holds the REPT, that line's number and the column of the macro's name or of
  // REPT; the macro's name (name-pool offset, 0 for a REPT) or the repetition (from 1); and
  // where the body was written: its first line follows line body_line of body_file. The
  // locations of diagnostics are made from them.
  const SourceContext *caller = nullptr;
  int32_t caller_line = 0;
  int32_t caller_column = 0;
  int32_t macro_name = 0;
  int32_t repetition = 0;
  int32_t body_file = 0;
  int32_t body_line = 0;
  // A file read by INCLUDE: the context of the INCLUDE line, that line and the column of its
  // file name.
  const SourceContext *includer = nullptr;
  int32_t include_line = 0;
  int32_t include_column = 0;
};

// Where a macro's body was written: the file and the line of its MACRO statement.
struct BodyOrigin {
  int32_t file = 0;
  int32_t line = 0;
};

// A file by device and inode, so that no file the run writes replaces one it has read.
struct FileIdentity {
  uint64_t device = 0;
  uint64_t inode = 0;
  auto operator<=>(const FileIdentity &) const = default;
};

// A file as an open found it: the file, its size and the time its contents last changed. Two
// opens of a file that did not change in between find the same version.
struct FileVersion {
  FileIdentity identity;
  int64_t size = 0;
  int64_t modified_seconds = 0;
  int64_t modified_nanoseconds = 0;
  bool operator==(const FileVersion &) const = default;
};

inline FileVersion VersionOf(const struct stat &info) {
  return {
      {static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)},
      static_cast<int64_t>(info.st_size),
      static_cast<int64_t>(info.st_mtim.tv_sec),
      static_cast<int64_t>(info.st_mtim.tv_nsec)
  };
}

// One file the assembly run opened, when a listing run follows: the listing run must read
// what the assembly run read. A regular file is opened again and must be found unchanged; any
// other (a pipe, a FIFO, a device) can be read only once, so it was read whole and its bytes
// are kept, and both runs read them.
struct InputRead {
  std::string path;  // the name it was opened by
  FileVersion version;
  bool kept = false;
  std::string bytes;  // kept: the file's bytes
};

struct SourceState {
  SourceContext *context = nullptr;  // context of the line being assembled or read
  int32_t include_depth = 0;
  int32_t capture_nesting = 0;           // REPT blocks open in the body being captured
  std::set<FileIdentity> inputs;         // every file the run has read
  std::vector<std::string> input_names;  // the names they were first read by, in that order
  // Every open of the assembly run, in order, when a listing run follows (a deque: a kept
  // copy is read in place while later opens are added); the listing run's next open.
  std::deque<InputRead> reads;
  size_t next_read = 0;
  // The last open failed for a reason it has reported itself (the file changed between the
  // runs): the caller adds no message of its own.
  bool open_reported = false;
  std::unordered_map<uint32_t, BodyOrigin> macro_origins;  // by the body's TextStore offset
  // The macros that declare their parameters, by the body's TextStore offset; and the record of
  // the MACRO line just read, until its body is captured (none: it declares nothing).
  std::unordered_map<uint32_t, DeclaredMacro> declared_macros;
  std::optional<DeclaredMacro> pending_macro;
};
