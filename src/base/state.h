// AssemblerState: the one record of a run's state, made of one sub-record per subsystem and
// passed explicitly as the first parameter of every operation. The records live here, below
// every folder; each folder's operations on its own records are in its header.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/code_state.h"
#include "base/diagnostics.h"
#include "base/label_state.h"
#include "base/names.h"
#include "base/scan_state.h"
#include "base/source_state.h"

enum class OutputMode { bin, mzt, hex, dump, d88_pc8801, d88_mz2000_2d, d88_mz2000_2dd };

// The forms of --symbols=FORMAT:FILE.
enum class SymbolFormat {
  Equ,   // "NAME EQU 0NNNNH" lines
  Noi,   // "DEF NAME 0xNNNN" lines
  Mame,  // a MAME debugger script: a comment at every label's address, breakpoints, then run
};

// The timings a Sharp MZ tape is recorded with.
enum class TapeTiming { Mz700, Mz80b };

// A symbol file that --symbols asks for.
struct SymbolFileRequest {
  SymbolFormat format = SymbolFormat::Equ;
  std::string path;
};

// The classes of warnings --warn=LIST asks for; none is on unless named.
enum WarnClass : uint32_t {
  kWarnRange = 1u << 0,     // operand values their field cannot hold
  kWarnOrg = 1u << 1,       // an ORG that is not where the next byte lands in the image
  kWarnWrap = 1u << 2,      // the location counter passes FFFFh, the image passes 64 KiB
  kWarnText = 1u << 3,      // a character constant longer than the bytes stored
  kWarnScope = 1u << 4,     // DEFINED() of a name only an enclosing scope defines
  kWarnUnclosed = 1u << 5,  // a scope still open at the end of the run
  kWarnUnused = 1u << 6,    // a label defined and never named
  kWarnAll = (1u << 7) - 1,
};

// Command-line settings: written by the driver, read by every folder.
struct Options {
  OutputMode mode = OutputMode::bin;
  const char *extension = ".bin";
  std::string output_name;  // from -o, or derived from the first source file
  bool output_given = false;
  std::string mzt_name;   // -m: the file name inside the MZT image
  std::string disk_name;  // -2 / -25 as given; the boot record holds its first 10 characters
  bool truncate_d000 = false;
  bool label_list = false;
  bool label_list_all_scopes = false;
  bool label_list_global_only = false;
  std::string label_prefix;
  bool symbol_file = false;
  bool source_utf8 = false;  // --source-encoding=utf-8: strings and characters are UTF-8
  bool cycles = false;       // --cycles: T-states in the assemble list and the label list
  bool assemble_list = false;
  std::vector<std::string> defines;  // -D texts, in order
  uint32_t first_source = 0;         // TextStore offset of the first source name
  int32_t source_count = 0;          // source names stored from there on, empty ones included
  std::vector<std::string> include_folders;  // -I, in order
  uint32_t warnings = 0;                     // --warn: the WarnClass bits asked for
  bool warnings_fail = false;                // --warn=error: a warning fails the run
  std::string deps_name;                     // --deps=FILE; empty: no dependency rule
  // Files for emulators and debuggers; an empty name: not asked for.
  std::vector<SymbolFileRequest> symbol_files;  // --symbols, in order
  std::vector<std::string> breakpoints;         // --break: label names, in order
  std::string sld_name;                         // --sld
  std::string wav_name;                         // --wav
  bool wav_timing_given = false;                // --wav-timing; else by the output mode
  TapeTiming wav_timing = TapeTiming::Mz700;
  std::string t88_name;  // --t88
  std::string cmt_name;  // --cmt
  // The last option that took the next argument as its value, and that value.
  std::string taken_option;
  std::string taken_value;
};

// Everything a pass starts afresh, the assembly pass and the listing pass alike: assigning a
// fresh value resets it all at once. Each field belongs to the folder named beside it.
struct PassState {
  // assembler: the location counter, '$' and where the next byte goes in the code buffer.
  int32_t location = 0;           // Z80 address of the next byte
  int32_t statement_address = 0;  // location at the statement's start: the value of '$'
  int32_t position = 0;           // next CodeBuffer offset to write
  // One past the furthest image byte stored or placed so far: the image length after
  // assembly. An ARRANGE without pairs moves the position back below it, to patch bytes in
  // the middle; the bytes behind stay in the image.
  int32_t image_end = 0;
  FloatingBlock floating;     // assembler (placement): the floating block open
  bool wrap_warned = false;   // assembler: --warn=wrap has warned about the location counter
  bool image_warned = false;  // assembler: ... and about the image size
  CharMapState charmap;       // assembler (character maps)
  // lexer: the local labels' counters.
  int32_t local_counters[kLocalFamilies] = {};
  // source: macro expansions under way, REPT bodies named so far.
  int32_t macro_depth = 0;
  int32_t rept_counter = 0;
  DeclaredNames declared;  // source: the names of declared macros' expansions
  int64_t body_lines = 0;  // lines and repetitions of macro and REPT bodies assembled so far
  // Set when INCLUDE nesting overflows (a file that includes itself), or when the error-line
  // limit is reached: every line loop stops, so that macros or further INCLUDE lines cannot
  // go on.
  bool abandoned = false;
};

struct AssemblerState;
inline bool Warns(const Options &options, WarnClass which) {
  return (options.warnings & which) != 0;
}

struct AssemblerState {
  Options options;
  Diagnostics diag;
  NamePool names;
  ScanState scan;
  ExpressionState expr;
  LabelTable labels;
  TextStore text;
  SourceState source;
  CodeBuffer code;
  FixupList fixups;
  SegmentState segment;
  PlacementState placement;
  ListingState listing;
  PassState pass;
};

// True when a listing run follows the assembly run: for the assemble list, or for the
// source-level debug data that it traces.
inline bool ListingRunFollows(const Options &options) {
  return options.assemble_list || !options.sld_name.empty();
}

// True in the listing pass: every line is listed, and no byte is stored.
inline bool IsListingPass(const AssemblerState &st) { return st.listing.list != nullptr; }
