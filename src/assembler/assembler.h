// Statement loop, pseudo-instructions, code buffer with forward references, placement,
// character maps and the listing lines of the listing run.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "driver/memory.h"

struct AssemblerState;
struct SourceContext;

constexpr int32_t kImageSize = 65536;
constexpr int32_t kCodeBufferSize = 131072;  // upper half: staging area of floating blocks

struct CodeBuffer {
  std::array<uint8_t, kCodeBufferSize> bytes{};
  int32_t position = 0;  // next offset to write
  // One past the furthest image byte stored or placed so far: the image length after
  // assembly. An ARRANGE without pairs moves the position back below it, to patch bytes in
  // the middle; the bytes behind stay in the image.
  int32_t end = 0;
  int32_t staging = kImageSize;  // next free offset of the staging area
  int32_t placed_end = 0;        // end of the placed blocks: nothing is stored below it again
};

enum class FixupKind : uint8_t { DefineLabel = 0, Byte = 1, Word = 2, Relative = 3, BitNumber = 4 };

// The values an operand takes without a warning of --warn=range: an 8-bit operand -128..255,
// an index displacement -128..127, a 16-bit operand -32768..65535. The bytes stored are the
// value's low 8 or 16 bits whatever it is.
enum class OperandRange : uint8_t { None, Byte, Displacement, Word };

struct OperandLimits {
  int32_t low = 0;
  int32_t high = 0;
};
// The limits of a range (None: every value).
OperandLimits LimitsOf(OperandRange range);
// True when value, an operand of range, lies outside it. Labels hold 16-bit values, so that a
// label made as -1 is FFFFh: an 8-bit operand or a displacement of FF80h..FFFFh counts as
// -128..-1 and is inside.
bool OutsideOperandRange(int32_t value, OperandRange range);

// A forward reference: the saved postfix form of an expression and where its value goes.
// The items live in FixupList::values/kinds from first to first + count.
struct Fixup {
  int32_t target = 0;  // CodeBuffer offset, or the label reference for DefineLabel
  int32_t line = 0;
  int32_t scope = 0;  // label scope identifier current when the record was made
  int32_t file = 0;   // name-pool offset of the source file name
  int32_t first = 0;
  int32_t count = 0;
  int32_t place = 0;  // --errors=gnu: KeepPlace's place of the line, or 0
  FixupKind kind = FixupKind::Byte;
  OperandRange range = OperandRange::None;  // --warn=range: the range of a Byte or Word value
};
static_assert(sizeof(Fixup) == 32, "a fixup record fills half a cache line");

struct FixupList {
  std::vector<Fixup, LargeAllocator<Fixup>> records;  // in creation order
  std::vector<int32_t, LargeAllocator<int32_t>> values;
  std::vector<int32_t, LargeAllocator<int32_t>> kinds;
  size_t expected = 0;  // records the sources read so far may make (ExpectFixupsForSource)
};

// Where the placement run that an ORG made left the location and the position.
struct PlacementEnd {
  int32_t location = 0;
  int32_t position = 0;
};

// OFFSET and ARRANGE state, and the floating blocks between the assembly pass's placement
// runs; kept across passes (END closes both modes).
struct PlacementState {
  const char *mode_name = nullptr;  // active placement mode, for the exclusion message
  bool offset_open = false;
  int32_t saved_location = 0;
  int32_t saved_position = 0;
  int32_t arrange_numbers[64] = {};  // (place, skip) pairs
  int32_t arrange_count = 0;         // ARRANGE is open exactly when this is above 0
  int32_t arrange_pair = 0;
  int32_t arrange_placed = 0;
  struct ClosedBlock {
    int32_t reference = 0;  // the block's label
    int32_t size = 0;       // the block's length
  };
  std::vector<ClosedBlock> waiting_blocks;   // closed blocks not yet placed
  std::vector<PlacementEnd> org_placements;  // the runs made at ORG, for the listing pass
};

// Floating block state (IN_PAGE, PAGE_ALIGNED); reset before every pass.
struct FloatingState {
  int32_t block = 0;  // label reference of the open block (assembly pass); 0 = none
  bool in_page_check = false;
  int32_t block_state = 0;              // 0 none, 1 opened without '{', 2 opened with '{'
  bool pending = false;                 // a block was assembled since the last placement run
  int32_t scope = 0;                    // block with '{': identifier of the scope it opened
  const SourceContext *line = nullptr;  // block without '{': the context of its line
  int32_t org_placements_replayed = 0;  // listing pass: ORG placement runs followed so far
};

// Character map state.
struct CharMapState {
  int32_t map = 0;                  // the map CHRMAP selected: 0 ASCII .. 5 USER-DEFINED
  bool lower_shift = false;         // MZ-ASCII: the shift code has switched to lower case
  std::array<uint8_t, 256> user{};  // the USER-DEFINED map that MAPCHR fills
};

// Statement results returned by AssembleLine.
enum StatementResult : int {
  kResultError = 0,
  kResultOk = 1,
  kResultEnd = 2,
  kResultInclude = 3,
  kResultBlockStart = 4,
  kResultBinclude = 7,
};

// Assembles one source line in the given context.
StatementResult AssembleLine(AssemblerState &st, const char *line, SourceContext &ctx);

// ---- Code buffer ------------------------------------------------------------------------

[[nodiscard]] bool EmitByte(AssemblerState &st, uint8_t byte);
// Emits the low 8 bits of the expression just evaluated (st.expr), or, when its value is not
// known yet, a zero placeholder and a Byte fixup for it. A value outside range is warned about
// (--warn=range), now or when the fixup is resolved.
[[nodiscard]] bool EmitEvaluatedByte(AssemblerState &st, OperandRange range = OperandRange::Byte);
// As EmitEvaluatedByte for a little-endian word. The buffer records an unknown word as one
// Word fixup, or as two Byte fixups when an ARRANGE gap falls between its two placeholders.
[[nodiscard]] bool EmitEvaluatedWord(AssemblerState &st);
// Evaluates the expression at the scan position and emits it with EmitEvaluatedByte.
[[nodiscard]] bool EmitOperandByte(AssemblerState &st);
// Evaluates the expression at the scan position and emits it with EmitEvaluatedWord.
[[nodiscard]] bool EmitOperandWord(AssemblerState &st);
// --warn=range: warns about a value of the line being assembled that lies outside range.
void WarnIfOutOfRange(AssemblerState &st, int32_t value, OperandRange range);
// Evaluates a jump target and emits the relative displacement (or a Relative fixup).
[[nodiscard]] bool EmitRelative(AssemblerState &st);

// A byte emitted before its value is known and filled in later by the same statement (an
// opcode that its displacement precedes in the source but follows in the code).
struct ReservedByte {
  int32_t offset = 0;
  bool stored = false;  // false when nothing went into the buffer (OFFSET section, listing)
};
[[nodiscard]] bool ReserveByte(AssemblerState &st, ReservedByte &slot);
void FillReserved(AssemblerState &st, const ReservedByte &slot, uint8_t value);

// Defines a label (reference) at the location counter.
[[nodiscard]] bool DefineLabelHere(AssemblerState &st, int32_t reference);
// Saves the postfix buffer as a fixup of the given kind and target; relative adds the
// "minus the address after the displacement byte" tail.
[[nodiscard]] bool NewFixup(AssemblerState &st, FixupKind kind, int32_t target, bool relative);
// Resolves every fixup after the last line; false when any failed (messages printed).
[[nodiscard]] bool ResolveFixups(AssemblerState &st);
// Drops every remaining fixup.
void ClearFixups(AssemblerState &st);
// Counts the forward references that a source file of this many bytes may make: once the
// fixup lists have grown past a small program's, they make room for all of them at once
// instead of moving (copying themselves) at every doubling.
void ExpectFixupsForSource(AssemblerState &st, uint64_t bytes);

// Steps an ARRANGE region that was just opened over its leading pairs that place no byte, so
// that the location and position name where the next byte goes.
void SkipEmptyArrangePairs(AssemblerState &st);

// ---- Placement ----------------------------------------------------------------------------

// OFFSET [expr] and ARRANGE address {, place, skip}.
StatementResult DoOffset(AssemblerState &st);
StatementResult DoArrange(AssemblerState &st);
// NAME IN_PAGE|PAGE_ALIGNED {IN_PAGE|PAGE_ALIGNED}, the first keyword next: opens a floating
// block that ends with its line (the caller turns it into a '{' block).
[[nodiscard]] bool OpenFloatingBlock(AssemblerState &st, std::string_view name);
// ENDP / }: closes the floating block when it ends here (a block of this line, or the block
// whose own scope is being closed).
void CloseFloatingBlockAtEndp(AssemblerState &st);
// End of a line: closes the block that this line opened without '{'.
void CloseFloatingBlockAtLineEnd(AssemblerState &st, const SourceContext &ctx);
// Fails with the exclusion message while a placement mode is open (for ORG).
[[nodiscard]] bool CheckNoPlacementMode(AssemblerState &st, const char *directive);
// Fails with the exclusion message when a block opened without '{' on this line is open: the
// file or body that the directive reads would only come after the block had ended.
[[nodiscard]] bool CheckNotInLineBlock(AssemblerState &st, const char *directive);
// ORG after floating blocks: the placement run in the assembly pass; the listing pass moves on
// to where that run left the location and position.
[[nodiscard]] bool PlaceBlocksAtOrg(AssemblerState &st);
// After the last line: reports a mode or block left open (and closes it); false when one was.
[[nodiscard]] bool CheckPlacementModesClosed(AssemblerState &st);
// Places the floating blocks assembled since the last run into 256-byte pages behind the code.
[[nodiscard]] bool PlaceBlocks(AssemblerState &st);
// Copies the placed blocks from the staging area to their places in the image.
[[nodiscard]] bool CopyPlacedBlocks(AssemblerState &st);

// ---- Character maps -----------------------------------------------------------------------

// Emits a DB string from the scan position (behind its opening quote) up to its closing quote
// through the selected map, ending it in upper case; addend_at receives the CodeBuffer position
// of the byte that a "+ expr" after the string adds to (-1: the string has no character).
[[nodiscard]] bool EmitMappedString(AssemblerState &st, int32_t &addend_at);
// CHRMAP "name", MAPCHR code, value {, value} and DISPC item {, item}.
StatementResult DoChrmap(AssemblerState &st);
StatementResult DoMapchr(AssemblerState &st);
StatementResult DoDispc(AssemblerState &st);

// ---- Listing run ------------------------------------------------------------------------

// What the listing line of the line being assembled shows. Each AssembleLine of the listing
// run has its own (a macro expansion assembles lines inside its invoking line), and
// st.listing_line points at the innermost one.
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
