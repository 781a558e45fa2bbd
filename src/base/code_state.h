// The assembler's part of AssemblerState: the image being built, the forward references, the
// segment, placement, character maps and the listing run's lines. Their operations are those
// of src/assembler/ (assembler.h, and emit.h for the bytes of instructions).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "base/memory.h"

constexpr int32_t kImageSize = 65536;
constexpr int32_t kCodeBufferSize = 131072;  // upper half: staging area of floating blocks

// The image: the lower half holds the program in emission order, the upper half the floating
// blocks until they are placed. It lives from start to exit: the listing run reads it.
struct CodeBuffer {
  std::array<uint8_t, kCodeBufferSize> bytes{};
};

// Assert checks the value of an ASSERT; its target is the index of its text in
// FixupList::assertion_texts, or -1 for none.
enum class FixupKind : uint8_t {
  DefineLabel = 0,
  Byte = 1,
  Word = 2,
  Relative = 3,
  BitNumber = 4,
  Assert = 5,
};

// The values an operand takes without a warning of --warn=range: an 8-bit operand -128..255,
// an index displacement -128..127, a 16-bit operand -32768..65535. The bytes stored are the
// value's low 8 or 16 bits whatever it is.
enum class OperandRange : uint8_t { None, Byte, Displacement, Word };

// A forward reference: the saved postfix form of an expression and where its value goes.
// The items live in FixupList::values/kinds from first to first + count.
struct Fixup {
  int32_t target = 0;  // CodeBuffer offset, or the label reference for DefineLabel
  int32_t line = 0;
  int32_t scope = 0;  // label scope identifier current when the record was made
  int32_t file = 0;   // name-pool offset of the source file name
  int32_t first = 0;
  int32_t count = 0;
  int32_t origin = 0;  // the line's kept origin (SourceLocation::origin), or 0
  FixupKind kind = FixupKind::Byte;
  OperandRange range = OperandRange::None;  // --warn=range: the range of a Byte or Word value
  uint16_t column = 0;                      // of the expression in its line (lines are short)
};
static_assert(sizeof(Fixup) == 32, "a fixup record fills half a cache line");

struct FixupList {
  std::vector<Fixup, LargeAllocator<Fixup>> records;  // in creation order
  std::vector<int32_t, LargeAllocator<int32_t>> values;
  std::vector<int32_t, LargeAllocator<int32_t>> kinds;
  size_t expected = 0;  // records the sources read so far may make (ExpectFixupsForSource)
  std::vector<std::string> assertion_texts;  // the texts of the ASSERTs checked at the end
};

// The segment that the last ORG opened, and the addresses of the image (kept across passes).
struct SegmentState {
  int32_t address = 0;   // the ORG operand
  int32_t position = 0;  // its CodeBuffer position
  // The address at which the image's first byte is assembled: that of the last ORG made while
  // the image was still empty (0 without one).
  int32_t load_address = 0;
  bool exec_given = false;  // END gave the execution address
  int32_t exec_address = 0;
};

// ---- Placement -----------------------------------------------------------------------------

constexpr int kMaxArrangeNumbers = 64;  // an ARRANGE holds at most 32 (place, skip) pairs

// Where the placement run that an ORG made left the location and the position.
struct PlacementEnd {
  int32_t location = 0;
  int32_t position = 0;
};

// A block the placement run gave its address, to be copied there after resolution.
struct PlacedBlock {
  int32_t source = 0;  // staging offset
  int32_t destination = 0;
  int32_t size = 0;
};

// A closed floating block waiting for the placement run.
struct WaitingBlock {
  int32_t reference = 0;  // the block's label
  int32_t size = 0;       // the block's length
};

// OFFSET and ARRANGE, and the floating blocks between the assembly pass's placement runs; kept
// across passes (END closes both modes). The block open in a pass is PassState::floating.
struct PlacementState {
  const char *mode_name = nullptr;  // active placement mode, for the exclusion message
  bool offset_open = false;
  int32_t saved_location = 0;
  int32_t saved_position = 0;
  int32_t arrange_numbers[kMaxArrangeNumbers] = {};  // (place, skip) pairs
  int32_t arrange_count = 0;                         // ARRANGE is open exactly when this is above 0
  int32_t arrange_pair = 0;
  int32_t arrange_placed = 0;
  std::vector<WaitingBlock> waiting_blocks;  // closed blocks not yet placed
  std::vector<PlacementEnd> org_placements;  // the runs made at ORG, for the listing pass
  std::vector<PlacedBlock> placed;           // kept until the blocks are copied
  int32_t placed_end = 0;  // end of the placed blocks: nothing is stored below it again
};

struct SourceContext;

// How the floating block open in a pass was opened.
enum class BlockOpening : uint8_t {
  None,     // no block open
  OnLine,   // without '{': the block ends with its line
  InScope,  // with '{' (or PROC): the block ends with the ENDP of the scope it opened
};

// The floating block (IN_PAGE, PAGE_ALIGNED) open in a pass; reset before every pass.
struct FloatingBlock {
  int32_t block = 0;  // label reference of the open block (assembly pass); 0 = none
  bool in_page_check = false;
  BlockOpening opening = BlockOpening::None;
  bool pending = false;                 // a block was assembled since the last placement run
  int32_t scope = 0;                    // block with '{': identifier of the scope it opened
  const SourceContext *line = nullptr;  // block without '{': the context of its line
  int32_t org_placements_replayed = 0;  // listing pass: ORG placement runs followed so far
  int32_t staging = kImageSize;         // next free offset of the staging area
};

// ---- Character maps ------------------------------------------------------------------------

constexpr std::array<uint8_t, 256> IdentityMap() {
  std::array<uint8_t, 256> map{};
  for (int i = 0; i < 256; ++i) {
    map[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
  }
  return map;
}

// Character map state of a pass.
struct CharMapState {
  int32_t map = 0;           // the map CHRMAP selected: 0 ASCII .. 5 USER-DEFINED
  bool lower_shift = false;  // MZ-ASCII: the shift code switched to lower case
  std::array<uint8_t, 256> user = IdentityMap();  // the USER-DEFINED map that MAPCHR fills
};

// ---- The listing run ------------------------------------------------------------------------

struct AssembleList;
struct ListingLine;

// What the listing run notes for the source-level debug data, in source order: the first byte
// of a statement, or a label defined by a line (kept as its scope and record index: the value
// is read when the run is over).
enum class TraceKind : uint8_t { Statement, Label };
struct TraceEvent {
  TraceKind kind = TraceKind::Statement;
  int32_t file = 0;   // name-pool offset of the file the line was written in
  int32_t line = 0;   // its line there (a line of a body at its line in the definition)
  int32_t value = 0;  // Statement: the address of its first byte; Label: the record's scope
  int32_t index = 0;  // Label: the record's index in its scope
};

// What the listing run notes for the label list's T-state totals (--cycles), in source order:
// a label defined by a line (its record's scope and index), or an instruction with its
// T-states (the longer path first).
struct TimingEvent {
  bool label = false;
  int32_t scope = 0;  // label
  int32_t index = 0;  // label
  int32_t taken = 0;  // instruction
  int32_t not_taken = 0;
};

// The listing run's lists: nullptr in the assembly pass.
struct ListingState {
  AssembleList *list = nullptr;                // the assemble list being built
  ListingLine *line = nullptr;                 // the listing line of the line being assembled
  std::vector<TraceEvent> *trace = nullptr;    // --sld: the events noted; nullptr when not asked
  std::vector<TimingEvent> *timing = nullptr;  // --cycles and -l: the events noted, or nullptr
  bool statement_untraced = false;  // the statement being assembled has stored no byte yet
};
