// Placement: OFFSET sections that only count, ARRANGE regions assembled into existing code,
// floating blocks (IN_PAGE, PAGE_ALIGNED) staged apart and packed into 256-byte pages by the
// placement run, and the copy of the placed blocks into the image.
#include "assembler/placement.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "assembler/code.h"
#include "lexer/lexer.h"
#include "symbols/symbols.h"

namespace {

constexpr int32_t kPageSize = 256;
constexpr int64_t kAddressSpace = 0x10000;  // no page starts at or above it

bool OffsetOpen(const AssemblerState &st) { return st.placement.offset_open; }
bool BlockOpen(const AssemblerState &st) { return st.pass.floating.opening != BlockOpening::None; }

// The exclusion rule: a directive that opens a mode (or ORG) fails while another mode is open.
// An OFFSET inside an OFFSET only sets a new location, so OFFSET passes over an open OFFSET.
bool CheckExcluded(AssemblerState &st, const char *directive, bool offset_excludes) {
  if ((offset_excludes && OffsetOpen(st)) || ArrangeOpen(st) || BlockOpen(st)) {
    SetError(st, Msg::ModeConflict, st.placement.mode_name, directive);
    return false;
  }
  return true;
}

void CloseFloatingBlock(AssemblerState &st) {
  FloatingBlock &fl = st.pass.floating;
  PlacementState &pl = st.placement;
  if (fl.block != 0) {
    // Assembly pass: the block waits with its length, and the next block is staged behind
    // this one.
    pl.waiting_blocks.push_back({fl.block, st.pass.location});
    fl.staging = st.pass.position;
    fl.block = 0;
  }
  st.pass.location = pl.saved_location;
  st.pass.position = pl.saved_position;
  st.pass.statement_address = pl.saved_location;
  fl.in_page_check = false;
  fl.opening = BlockOpening::None;
  fl.scope = 0;
  fl.line = nullptr;
}

// ---- The placement run ----------------------------------------------------------------------

struct BlockToPlace {
  int32_t reference = 0;  // the block label (scope-independent)
  int32_t scope = 0;      // where the label lives: with index, the collection order
  int32_t index = 0;
  int32_t size = 0;
};

// The 256-byte pages of one run: page i covers base + 256 i .. base + 256 i + 255, and its
// free tail (free[i] bytes) starts at base + 256 (i + 1) - free[i].
struct Pages {
  int64_t base = 0;
  int64_t next = 0;  // address of the next page not opened yet
  std::vector<int32_t> free;

  int64_t TailStart(size_t page) const {
    return base + kPageSize * static_cast<int64_t>(page + 1) - free[page];
  }
  // Opens the next page with the given free tail.
  void Open(int32_t free_tail) {
    free.push_back(free_tail);
    next += kPageSize;
  }
};

// No room for a block: the classic line says only that; --errors=gnu names the block and the
// line of its label.
bool NoPageLeft(AssemblerState &st, const BlockToPlace &block, const char *kind) {
  SetError(st, Msg::PlacementError, MessageText(Msg::BufferOverflow));
  const ScopedRef home = LabelHome(st, block.reference);
  if (const Label *label = RecordAt(st, home); label != nullptr) {
    const char *name = NameAt(st.names, label->name);
    AddErrorDetail(st, Msg::DetailNoPageFor, kind, name, block.size);
    AddErrorNote(st, DefinitionOf(st, home).place, Msg::DetailBlockDefined, name);
  }
  return false;
}

// Gives a block its address: its label takes the address and becomes defined, and the block is
// recorded for the copy. delta turns an address of the segment into an image position.
bool Place(AssemblerState &st, const BlockToPlace &block, const char *kind, int64_t address,
           int64_t delta) {
  const int64_t destination = address + delta;
  if (address + block.size > kAddressSpace || destination < 0 ||
      destination + block.size > kImageSize) {
    return NoPageLeft(st, block, kind);
  }
  Label *label = LabelAt(st, block.reference);
  const int32_t source = kImageSize + label->value;  // the staging offset it started at
  label->value = static_cast<uint16_t>(address);
  label->kind = kLabelDefined;
  label->flags &= static_cast<uint8_t>(~kFloatingFlags);
  const auto to = static_cast<int32_t>(destination);
  st.placement.placed.push_back({source, to, block.size});
  st.placement.placed_end = std::max(st.placement.placed_end, to + block.size);
  return true;
}

// The page an IN_PAGE block of size bytes goes to: the first page it fills exactly; else the
// roomiest page before the last with more room than it needs; else the last page when it has
// more room; else -1 (a new page).
int32_t ChoosePage(const Pages &pages, int32_t size) {
  const std::vector<int32_t> &free = pages.free;
  for (size_t i = 0; i < free.size(); ++i) {
    if (free[i] == size) {
      return static_cast<int32_t>(i);
    }
  }
  int32_t roomiest = -1;
  for (size_t i = 0; i + 1 < free.size(); ++i) {
    if (free[i] > size && (roomiest < 0 || free[i] > free[static_cast<size_t>(roomiest)])) {
      roomiest = static_cast<int32_t>(i);
    }
  }
  if (roomiest >= 0) {
    return roomiest;
  }
  if (!free.empty() && free.back() > size) {
    return static_cast<int32_t>(free.size() - 1);
  }
  return -1;
}

// Takes the blocks waiting for placement, each into its list: PAGE_ALIGNED blocks and IN_PAGE
// blocks, each largest first and, among equal sizes, in collection order (the root scope
// first, then the scopes in creation order, labels in table order within a scope).
void CollectWaitingBlocks(AssemblerState &st, std::vector<BlockToPlace> &aligned,
                          std::vector<BlockToPlace> &in_page) {
  std::vector<WaitingBlock> waiting;
  waiting.swap(st.placement.waiting_blocks);
  for (const auto &[reference, size] : waiting) {
    const Label *label = LabelAt(st, reference);
    if (label == nullptr || reference >= 0) {
      continue;
    }
    const ScopedRef where = LabelHome(st, reference);
    const BlockToPlace block{reference, where.scope, where.index, size};
    ((label->flags & kFlagPageAligned) != 0 ? aligned : in_page).push_back(block);
  }
  const auto order = [](const BlockToPlace &a, const BlockToPlace &b) {
    if (a.size != b.size) {
      return a.size > b.size;
    }
    return a.scope != b.scope ? a.scope < b.scope : a.index < b.index;
  };
  std::sort(aligned.begin(), aligned.end(), order);
  std::sort(in_page.begin(), in_page.end(), order);
}

}  // namespace

// ---- OFFSET and ARRANGE -----------------------------------------------------------------------

// OFFSET [expr]: from here to END bytes only count; the location becomes expr (or 0).
StatementResult DoOffset(AssemblerState &st) {
  if (!CheckExcluded(st, "OFFSET", false)) {
    return kResultError;
  }
  PlacementState &pl = st.placement;
  if (!pl.offset_open) {
    pl.mode_name = "OFFSET";
    pl.offset_open = true;
    pl.saved_location = st.pass.location;
  }
  Token next;
  if (!PeekToken(st, next)) {
    return kResultError;
  }
  int32_t value = 0;
  if (next.kind != kEndOfLine && !EvaluateKnown(st, value)) {
    return kResultError;
  }
  st.pass.location = value & 0xFFFF;
  return kResultOk;
}

// ARRANGE address {, place, skip}: the following bytes overwrite the current segment from
// address on, place bytes at a time with skip bytes stepped over, until END. Without pairs it
// only moves the location and the position to address.
StatementResult DoArrange(AssemblerState &st) {
  if (!CheckExcluded(st, "ARRANGE", true)) {
    return kResultError;
  }
  PlacementState &pl = st.placement;
  pl.mode_name = "ARRANGE";
  int32_t value = 0;
  if (!EvaluateKnown(st, value)) {
    return kResultError;
  }
  const int64_t address = value & 0xFFFF;
  const int64_t assembled = int64_t{st.pass.image_end} - st.segment.position;
  if (address < st.segment.address || address >= int64_t{st.segment.address} + assembled) {
    SetError(st, Msg::ArrangeAddressRange);
    return kResultError;
  }
  // The numbers are read aside: a faulty statement leaves no half-open region behind.
  int32_t numbers[kMaxArrangeNumbers] = {};
  int32_t count = 0;
  while (count < kMaxArrangeNumbers && TakeIf(st, kComma)) {
    int32_t number = 0;
    if (!EvaluateKnown(st, number)) {
      return kResultError;
    }
    numbers[count++] = number & 0xFFFF;
  }
  if (count % 2 != 0) {
    SetError(st, Msg::ArrangeOddCount);
    return kResultError;
  }
  std::copy_n(numbers, count, pl.arrange_numbers);
  pl.arrange_count = count;
  pl.arrange_pair = 0;
  pl.arrange_placed = 0;
  pl.saved_location = st.pass.location;  // also the end of the area ARRANGE may fill
  pl.saved_position = st.pass.position;
  st.pass.position = static_cast<int32_t>(st.segment.position + (address - st.segment.address));
  st.pass.location = static_cast<int32_t>(address);
  SkipEmptyArrangePairs(st);
  return kResultOk;
}

// ---- Floating blocks ----------------------------------------------------------------------

bool OpenFloatingBlock(AssemblerState &st, std::string_view name) {
  PlacementState &pl = st.placement;
  FloatingBlock &fl = st.pass.floating;
  uint8_t flags = 0;
  bool in_page = false;
  for (;;) {
    Token next;
    if (!PeekToken(st, next)) {
      return false;
    }
    if (next.kind != kInPage && next.kind != kPageAligned) {
      break;
    }
    const char *keyword = next.kind == kInPage ? "IN_PAGE" : "PAGE_ALIGNED";
    if (!CheckExcluded(st, keyword, true) || !TakePeekedToken(st)) {
      return false;
    }
    pl.mode_name = keyword;
    if (next.kind == kPageAligned) {
      flags |= kFlagPageAligned;
    } else {
      in_page = true;
      if ((flags & kFlagPageAligned) == 0) {
        flags |= kFlagInPage;
      }
    }
  }
  pl.saved_location = st.pass.location;
  pl.saved_position = st.pass.position;
  if (IsListingPass(st)) {
    // The block was placed: it is listed at its address and with the bytes copied there.
    if (Label *label = LabelAt(st, FindLabel(st, name))) {
      st.pass.position =
          static_cast<int32_t>(int64_t{st.pass.position} + label->value - st.pass.location);
      st.pass.location = label->value;
    }
    st.pass.statement_address = st.pass.location;
    fl.in_page_check = false;
  } else {
    const int32_t reference = DeclareLabel(st, name, true);
    if (reference == 0) {
      return false;
    }
    Label *label = LabelAt(st, reference);
    label->value = static_cast<uint16_t>(fl.staging & 0xFFFF);
    // The block label gets its value from the placement run, so DEFINED() stays 0 for it in
    // both runs.
    label->flags = flags | kFlagDefinedLate;
    fl.block = reference;
    st.pass.location = 0;
    st.pass.position = fl.staging;
    st.pass.statement_address = 0;
    fl.in_page_check = in_page;
  }
  fl.opening = BlockOpening::OnLine;
  fl.line = st.source.context;
  fl.pending = true;
  return true;
}

void BlockEndsWithScope(AssemblerState &st) {
  st.pass.floating.opening = BlockOpening::InScope;
  st.pass.floating.scope = CurrentScope(st);
}

bool CloseOffsetOrArrange(AssemblerState &st) {
  PlacementState &pl = st.placement;
  if (pl.offset_open) {
    pl.offset_open = false;
    st.pass.location = pl.saved_location;
    return true;
  }
  if (pl.arrange_count > 0) {
    pl.arrange_count = 0;
    st.pass.location = pl.saved_location;
    st.pass.position = pl.saved_position;
    return true;
  }
  return false;
}

bool ArrangeOpen(const AssemblerState &st) { return st.placement.arrange_count > 0; }

void CloseFloatingBlockAtEndp(AssemblerState &st) {
  const FloatingBlock &fl = st.pass.floating;
  // A PROC nested in a '{' block ends with its own ENDP; the block ends with the ENDP of the
  // scope it opened.
  if (fl.opening == BlockOpening::OnLine ||
      (fl.opening == BlockOpening::InScope && CurrentScope(st) == fl.scope)) {
    CloseFloatingBlock(st);
  }
}

void CloseFloatingBlockAtLineEnd(AssemblerState &st, const SourceContext &ctx) {
  if (st.pass.floating.opening == BlockOpening::OnLine && st.pass.floating.line == &ctx) {
    CloseFloatingBlock(st);
  }
}

bool CheckNoPlacementMode(AssemblerState &st, const char *directive) {
  return CheckExcluded(st, directive, true);
}

bool CheckNotInLineBlock(AssemblerState &st, const char *directive) {
  const FloatingBlock &fl = st.pass.floating;
  if (fl.opening == BlockOpening::OnLine && fl.line == st.source.context) {
    SetError(st, Msg::ModeConflict, st.placement.mode_name, directive);
    return false;
  }
  return true;
}

bool CheckPlacementModesClosed(AssemblerState &st) {
  PlacementState &pl = st.placement;
  if (!OffsetOpen(st) && !ArrangeOpen(st) && !BlockOpen(st)) {
    return true;
  }
  SetError(st, Msg::PlacementError, FormatMessage(Msg::ModeNotClosed, pl.mode_name).c_str());
  if (BlockOpen(st)) {
    CloseFloatingBlock(st);
  }
  pl.offset_open = false;
  pl.arrange_count = 0;
  return false;
}

// ---- The placement run ----------------------------------------------------------------------

bool PlaceBlocksAtOrg(AssemblerState &st) {
  FloatingBlock &fl = st.pass.floating;
  std::vector<PlacementEnd> &ends = st.placement.org_placements;
  if (!IsListingPass(st)) {
    if (!PlaceBlocks(st)) {
      return false;
    }
    ends.push_back({st.pass.location, st.pass.position});
    return true;
  }
  // The listing pass makes no run of its own but goes on behind the placed blocks, so that
  // the code after this ORG is listed with the bytes at its image positions.
  fl.pending = false;
  if (static_cast<size_t>(fl.org_placements_replayed) < ends.size()) {
    const PlacementEnd &end = ends[static_cast<size_t>(fl.org_placements_replayed++)];
    st.pass.location = end.location;
    st.pass.position = end.position;
    st.pass.image_end = std::max(st.pass.image_end, end.position);
  }
  return true;
}

bool PlaceBlocks(AssemblerState &st) {
  st.pass.floating.pending = false;
  std::vector<BlockToPlace> aligned;
  std::vector<BlockToPlace> in_page;
  CollectWaitingBlocks(st, aligned, in_page);
  if (aligned.empty() && in_page.empty()) {
    return true;
  }
  // The blocks follow the whole of the segment's code, also the part behind a position that
  // an ARRANGE without pairs has moved back.
  if (st.pass.position < st.pass.image_end) {
    st.pass.location += st.pass.image_end - st.pass.position;
    st.pass.position = st.pass.image_end;
  }
  int64_t location = st.pass.location;
  const int64_t delta = int64_t{st.pass.position} - location;
  Pages pages;
  if (location < 0 || location >= kAddressSpace) {
    pages.base = pages.next = kAddressSpace;  // no page left below 10000h
  } else {
    pages.base = pages.next = location & 0xFF00;
    if ((location & 0xFF) != 0) {
      pages.Open(kPageSize - static_cast<int32_t>(location & 0xFF));
    }
  }

  // PAGE_ALIGNED blocks: each from the next page on; the location follows each block.
  for (const BlockToPlace &block : aligned) {
    if (pages.next >= kAddressSpace) {
      return NoPageLeft(st, block, "PAGE_ALIGNED");
    }
    const int64_t address = pages.next;
    if (!Place(st, block, "PAGE_ALIGNED", address, delta)) {
      return false;
    }
    int32_t rest = block.size;
    for (; rest > kPageSize; rest -= kPageSize) {
      pages.Open(0);
    }
    pages.Open(kPageSize - rest);
    location = address + block.size;
  }

  // IN_PAGE blocks: into the free page tails, a new page when none suits.
  for (const BlockToPlace &block : in_page) {
    if (block.size > kPageSize) {
      continue;  // it failed its line while it was assembled: the run has failed already
    }
    int32_t page = ChoosePage(pages, block.size);
    if (page < 0) {
      if (pages.next >= kAddressSpace) {
        return NoPageLeft(st, block, "IN_PAGE");
      }
      pages.Open(kPageSize);
      page = static_cast<int32_t>(pages.free.size() - 1);
    }
    const auto at = static_cast<size_t>(page);
    if (!Place(st, block, "IN_PAGE", pages.TailStart(at), delta)) {
      return false;
    }
    pages.free[at] -= block.size;
  }
  if (!pages.free.empty()) {
    location = std::max(location, pages.next - pages.free.back());
  }
  if (location != st.pass.location) {
    st.pass.location = static_cast<int32_t>(location);
    st.pass.position = static_cast<int32_t>(location + delta);
  }
  st.pass.image_end = std::max(st.pass.image_end, st.pass.position);

  // The free space left in every page but the last.
  for (size_t i = 0; i + 1 < pages.free.size(); ++i) {
    if (pages.free[i] != 0) {
      const int64_t page_end = pages.base + kPageSize * static_cast<int64_t>(i + 1) - 1;
      ConsoleMessage(Msg::FreeSpace, static_cast<unsigned>(pages.TailStart(i)),
                     static_cast<unsigned>(page_end), pages.free[i]);
    }
  }
  return true;
}

bool CopyPlacedBlocks(AssemblerState &st) {
  std::vector<PlacedBlock> &records = st.placement.placed;
  std::stable_sort(records.begin(), records.end(),
                   [](const auto &a, const auto &b) { return a.destination < b.destination; });
  // Every block comes from the staging area and goes inside the image, after the one before.
  bool ok = true;
  int32_t covered = 0;
  for (const PlacedBlock &record : records) {
    if (record.size < 0 || record.source < kImageSize ||
        record.source > kCodeBufferSize - record.size || record.destination < covered ||
        record.destination > st.pass.image_end - record.size) {
      SetError(st, Msg::PlacementError, MessageText(Msg::PlacedBlockOverlap));
      ok = false;
      break;
    }
    std::copy_n(st.code.bytes.begin() + record.source, record.size,
                st.code.bytes.begin() + record.destination);
    covered = record.destination + record.size;
  }
  records.clear();
  return ok;
}
