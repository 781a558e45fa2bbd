// The source reader's part of AssemblerState: the text store, the contexts of the files and
// bodies being read and the files the run has read. Their operations are those of
// src/source/source.h.
#pragma once

#include <compare>
#include <cstdint>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "base/conditional_stack.h"

constexpr int kLineCapacity = 1024;  // a line holds at most 1,023 characters
constexpr int kOperandPathCapacity = 256;
constexpr int kMacroArguments = 9;  // %1..%9

// Growable store of NUL-terminated strings: the source list, captured bodies and
// macro arguments. Offset 0 never names a string.
struct TextStore {
  char *bytes = nullptr;
  uint32_t capacity = 0;
  uint32_t used = 0;
};

struct LineReader;

// State of one file being read or one body being replayed.
struct SourceContext {
  int32_t line = 1;
  int32_t file_name = 0;  // name-pool offset
  uint32_t replay = 0;    // 0: reading a file; else TextStore offset of the next line
  ConditionalStack conditional;
  int32_t repeat = 0;
  bool capturing_rept = false;              // the block whose body follows is a REPT, not a MACRO
  char operand[kOperandPathCapacity] = {};  // INCLUDE/BINCLUDE file, or block name
  uint32_t args[kMacroArguments] = {};      // TextStore offsets of %1..%9; 0 = absent
  FILE *file = nullptr;
  LineReader *reader = nullptr;  // buffer over file, when the reader made one
  // A line could not be read (a replayed line grew too long, a read error, a line beyond the
  // largest line number): the file or body fails; the reader has printed why.
  bool read_failed = false;
  bool line_count_full = false;  // the line number has reached its largest value
  // A replayed body (macro expansion, REPT repetition): the context of the line that called
  // the macro or holds the REPT, and that line's number; the macro's name (name-pool offset,
  // 0 for a REPT) or the repetition (from 1). The locations of diagnostics are made from them.
  const SourceContext *caller = nullptr;
  int32_t caller_line = 0;
  int32_t macro_name = 0;
  int32_t repetition = 0;
};

// A file by device and inode, so that no file the run writes replaces one it has read.
struct FileIdentity {
  uint64_t device = 0;
  uint64_t inode = 0;
  auto operator<=>(const FileIdentity &) const = default;
};

struct SourceState {
  SourceContext *context = nullptr;  // context of the line being assembled or read
  int32_t include_depth = 0;
  int32_t capture_nesting = 0;           // REPT blocks open in the body being captured
  std::set<FileIdentity> inputs;         // every file the run has read
  std::vector<std::string> input_names;  // the names they were first read by, in that order
};
