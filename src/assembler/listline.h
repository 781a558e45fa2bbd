// The listing run's side of the statement loop (private to src/assembler/): what each line
// emitted and where, and its line in the assemble list.
#pragma once

#include <cstdint>
#include <string_view>

#include "assembler/assembler.h"

// What the listing line of the line being assembled shows. Each AssembleLine of the listing
// run has its own (a macro expansion assembles lines inside its invoking line), and
// st.listing.line points at the innermost one.
struct ListingLine {
  const char *text = nullptr;   // the line as read (with argument substitution)
  bool stored = false;          // a byte went into the image
  int32_t stored_address = 0;   // address of the first byte that went into the image
  int32_t first_position = 0;   // its CodeBuffer position
  int32_t end_position = 0;     // after the last byte of that first unbroken run
  bool run_ended = false;       // a later byte went elsewhere: the run is complete
  bool counted = false;         // a byte was only counted (OFFSET section)
  int32_t counted_address = 0;  // address of the first such byte
  bool shows_value = false;     // an EQU or '=' line shows its label's value instead
  uint16_t value = 0;
  bool written = false;  // the line's listing line is out already
  // --cycles: the positions of the bytes of the instruction being encoded (an ARRANGE gap may
  // part them), and the T-states of the line's instructions so far.
  static constexpr int32_t kLongestInstruction = 4;
  bool in_instruction = false;
  int32_t instruction_size = 0;
  int32_t instruction_positions[kLongestInstruction] = {};
  CycleColumn cycles;
};

// Listing run: makes line the listing line of the line text that AssembleLine starts.
void BeginListingLine(AssemblerState &st, ListingLine &line, const char *text);
// Notes a byte the current line emitted at address: stored at position, or only counted
// (position < 0). Does nothing outside a listed line.
void NoteListedByte(AssemblerState &st, int32_t address, int32_t position);
// The address column of the current line shows value (EQU, '=').
void ShowListingValue(AssemblerState &st, uint16_t value);
// Writes the current line's listing line now, with its whole text, before a macro expansion
// lists the lines of its body.
void ListLineBeforeExpansion(AssemblerState &st);
// Writes the current line's listing line at the end of the line, by the statement result:
// nothing for END and block starts; for INCLUDE and BINCLUDE only the text before the keyword
// (at keyword); nothing while an ARRANGE region is open.
void EndListingLine(AssemblerState &st, StatementResult result, const char *keyword);

// --sld: notes that the line being assembled defines the label name of the current scope (in
// the listing run, when the debug data is asked for).
void TraceLabel(AssemblerState &st, std::string_view name);
