// AssemblerState: the one record of a run's global state, made of one sub-record per
// subsystem and passed explicitly as the first parameter of every operation.
#pragma once

#include <cstdint>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "assembler/assembler.h"
#include "driver/diagnostics.h"
#include "lexer/lexer.h"
#include "output/output.h"
#include "source/source.h"
#include "symbols/symbols.h"

enum class OutputMode { bin, mzt, hex, dump, d88_pc8801, d88_mz2000_2d, d88_mz2000_2dd };

// Command-line settings.
struct Options {
  OutputMode mode = OutputMode::bin;
  const char *extension = ".bin";
  std::string output_name;  // from -o, or derived from the first source file
  bool output_given = false;
  uint8_t mzt_header[kMztHeaderSize] = {};
  std::string disk_name;  // -2 / -25, at most 10 characters
  bool truncate_d000 = false;
  bool label_list = false;
  bool label_list_all_scopes = false;
  bool label_list_global_only = false;
  std::string label_prefix;
  bool symbol_file = false;
  bool assemble_list = false;
  const char *define = nullptr;  // -D text
  uint32_t first_source = 0;     // TextStore offset of the first source name
  int32_t source_count = 0;      // source names stored from there on, empty ones included
  std::vector<std::string> include_folders;  // -I, in order
  bool warn_range = false;                   // --warn=range
  std::string deps_name;                     // --deps=FILE; empty: no dependency rule
};

// Fields reset before each run (the assembly pass and the listing pass): assigning a fresh
// value resets them all at once.
struct PassState {
  int32_t location = 0;           // Z80 address of the next byte
  int32_t statement_address = 0;  // location at the statement's start: the value of '$'
  FloatingState floating;
  CharMapState charmap;  // the user map is made the identity by ResetForPass
  int32_t rept_counter = 0;
  int32_t macro_depth = 0;
  // Set when INCLUDE nesting overflows (a file that includes itself), or when the error-line
  // limit is reached: every line loop stops, so that macros or further INCLUDE lines cannot
  // go on.
  bool abandoned = false;
};

struct AssemblerState {
  Options options;
  Diagnostics diag;
  ScanState scan;
  ExpressionState expr;
  LabelTable labels;
  TextStore text;
  CodeBuffer code;
  FixupList fixups;
  PassState pass;
  PlacementState placement;
  int32_t capture_nesting = 0;

  // Placement run results, kept across the run until the blocks are copied.
  struct PlacementRecord {
    int32_t source = 0;
    int32_t destination = 0;
    int32_t size = 0;
  };
  std::vector<PlacementRecord> placements;

  // Segment and addresses (not reset between passes).
  int32_t segment_address = 0;
  int32_t segment_position = 0;
  int32_t load_address = 0;
  int32_t exec_address = 0;

  // Source reading.
  SourceContext *context = nullptr;  // context of the line being assembled
  int32_t include_depth = 0;
  std::set<FileIdentity> inputs;          // every file the run has read
  std::vector<std::string> input_names;   // the names they were first read by, in that order
  AssembleList *assemble_list = nullptr;  // the assemble list being built (listing pass only)
  ListingLine *listing_line = nullptr;    // listing pass: the line being assembled
};

// Resets the per-pass fields before a run.
void ResetForPass(AssemblerState &st);

// True in the listing pass: the current context writes to a listing file, and no byte is stored.
inline bool IsListingPass(const AssemblerState &st) {
  return st.context != nullptr && st.context->listing != nullptr;
}
