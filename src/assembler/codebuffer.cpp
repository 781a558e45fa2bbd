// Code buffer: appending bytes to the image at the location counter, and operands that may be
// forward references, recorded as fixups for the resolution pass (resolve.cpp).
#include <algorithm>
#include <climits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "assembler/assembler.h"
#include "assembler/code.h"
#include "assembler/emit.h"
#include "assembler/listline.h"
#include "lexer/lexer.h"
#include "symbols/symbols.h"

namespace {

constexpr int32_t kInPageLimit = 256;

// ---- ARRANGE stepping ---------------------------------------------------------------------

int32_t PairCount(const PlacementState &pl) {
  const int32_t count =
      pl.arrange_count < kMaxArrangeNumbers ? pl.arrange_count : kMaxArrangeNumbers;
  return count > 0 ? count / 2 : 0;
}

// Steps over pairs that place no byte (place count 0), applying their skips, so that pair
// always names where the next byte goes. False when no pair places anything.
bool StepOverEmptyPairs(const PlacementState &pl, int32_t &location, int32_t &position,
                        int32_t &pair) {
  const int32_t pairs = PairCount(pl);
  if (pair < 0 || pair >= pairs) {
    pair = 0;
  }
  for (int32_t n = 0; n < pairs; ++n) {
    if (pl.arrange_numbers[2 * static_cast<size_t>(pair)] > 0) {
      return true;
    }
    const int32_t skip = pl.arrange_numbers[2 * pair + 1];
    location = Add32(location, skip);
    position = Add32(position, skip);
    pair = (pair + 1) % pairs;
  }
  return pairs == 0;
}

// Where the next byte will be stored (differs from the position only at the start of an
// ARRANGE region whose first pairs place nothing).
int32_t NextBytePosition(const AssemblerState &st) {
  const PlacementState &pl = st.placement;
  int32_t location = st.pass.location;
  int32_t position = st.pass.position;
  int32_t pair = pl.arrange_pair;
  if (pl.arrange_count > 0 && pl.arrange_placed == 0) {
    (void)StepOverEmptyPairs(pl, location, position, pair);
  }
  return position;
}

// ---- Records ------------------------------------------------------------------------------

// Before a record is appended to full lists: past a small program's count, the lists take room
// for every record the sources were expected to make (two items each), so that a program with
// many forward references does not copy its lists at every doubling, and one with few takes
// no room it does not use.
void MakeRoomForRecord(FixupList &list) {
  constexpr size_t kSmallProgram = 16384;
  const size_t capacity = list.records.capacity();
  if (list.records.size() < capacity || capacity < kSmallProgram || list.expected <= capacity) {
    return;
  }
  list.records.reserve(list.expected);
  if (2 * list.expected > list.values.capacity()) {
    list.values.reserve(2 * list.expected);
    list.kinds.reserve(2 * list.expected);
  }
}

// Appends a record of count items, plus the "minus the address after the displacement byte"
// tail when relative is set.
bool AppendRecord(AssemblerState &st, FixupKind kind, int32_t target, const int32_t *values,
                  const int32_t *kinds, int32_t count, bool relative) {
  FixupList &list = st.fixups;
  const int32_t block = st.pass.floating.block;
  const size_t tail = relative ? (block != 0 ? 4 : 2) : 0;
  if (count < 0 || list.values.size() + static_cast<size_t>(count) + tail > INT32_MAX) {
    SetError(st, Msg::ExpressionTooLong);
    return false;
  }
  MakeRoomForRecord(list);
  // Only --errors=gnu shows a column.
  const SourceLocation where = KeepLocation(st, GnuErrorStyle() ? ColumnAt(st, st.expr.start) : 0);
  Fixup record;
  record.target = target;
  record.kind = kind;
  record.line = where.line;
  record.file = where.file;
  record.origin = where.origin;
  record.column = static_cast<uint16_t>(where.column);
  record.scope = CurrentScope(st);
  record.first = static_cast<int32_t>(list.values.size());
  record.count = count + static_cast<int32_t>(tail);
  list.values.insert(list.values.end(), values, values + count);
  list.kinds.insert(list.kinds.end(), kinds, kinds + count);
  if (relative) {
    const int32_t after = Add32(st.pass.location, 1);
    if (block != 0) {
      // target - (block address + location + 1)
      list.values.insert(list.values.end(), {block, after, 0, 0});
      list.kinds.insert(list.kinds.end(), {kIdentifier, kNumber, kPlus, kMinus});
    } else {
      list.values.insert(list.values.end(), {after, 0});
      list.kinds.insert(list.kinds.end(), {kNumber, kMinus});
    }
  }
  list.records.push_back(record);
  return true;
}

// A word placeholder whose two bytes were not stored side by side (an ARRANGE skip fell
// between them) becomes two byte records: the low byte at its target, the high byte wherever
// the second placeholder goes.
bool SplitWordRecord(AssemblerState &st, size_t index) {
  FixupList &list = st.fixups;
  Fixup &word = list.records[index];
  if (word.target == kNoTarget || st.pass.position == Add32(word.target, 1)) {
    return true;
  }
  word.kind = FixupKind::Byte;
  const Fixup low = word;
  std::vector<int32_t> values(list.values.begin() + low.first,
                              list.values.begin() + low.first + low.count);
  std::vector<int32_t> kinds(list.kinds.begin() + low.first,
                             list.kinds.begin() + low.first + low.count);
  values.insert(values.end(), {8, 0});
  kinds.insert(kinds.end(), {kNumber, kShr});
  if (!AppendRecord(st, FixupKind::Byte, st.pass.position, values.data(), kinds.data(),
                    static_cast<int32_t>(values.size()), false)) {
    return false;
  }
  Fixup &high = list.records.back();
  high.line = low.line;
  high.file = low.file;
  high.origin = low.origin;
  high.column = low.column;
  high.scope = low.scope;
  return true;
}

// The range a fixup of the current line is checked against when it is resolved: none without
// --warn=range, and none in the listing pass, whose values the assembly pass has checked.
void NoteRange(AssemblerState &st, size_t record, OperandRange range) {
  const bool wanted = Warns(st.options, kWarnRange) && !IsListingPass(st);
  st.fixups.records[record].range = wanted ? range : OperandRange::None;
}

}  // namespace

OperandLimits LimitsOf(OperandRange range) {
  switch (range) {
    case OperandRange::Byte:
      return {-128, 255};
    case OperandRange::Displacement:
      return {-128, 127};
    case OperandRange::Word:
      return {-32768, 65535};
    case OperandRange::None:
      break;
  }
  return {INT32_MIN, INT32_MAX};
}

bool OutsideOperandRange(int32_t value, OperandRange range) {
  const OperandLimits limits = LimitsOf(range);
  const bool negative_label = range != OperandRange::Word && value >= 0xFF80 && value <= 0xFFFF;
  return !negative_label && (value < limits.low || value > limits.high);
}

void WarnIfOutOfRange(AssemblerState &st, int32_t value, OperandRange range) {
  if (IsListingPass(st)) {
    return;
  }
  const int32_t stored = range == OperandRange::Word ? 2 : 1;
  const ExpressionState &expr = st.expr;
  if (Warns(st.options, kWarnText) && range != OperandRange::None && expr.text_length > stored) {
    const std::string text = TextForMessages(
        st, std::string_view(expr.text_constant, static_cast<size_t>(expr.text_span)));
    ReportAtLine(st, kCurrentLine, ColumnAt(st, expr.text_constant - 1), Msg::WarnLongCharacter,
                 text.c_str(), expr.text_length, stored);
  }
  if (!Warns(st.options, kWarnRange) || !OutsideOperandRange(value, range)) {
    return;
  }
  const OperandLimits limits = LimitsOf(range);
  ReportAtLine(st, kCurrentLine, ColumnAt(st, expr.start), Msg::RangeWarning, value, limits.low,
               limits.high);
}

void WarnIfOutOfRangeAt(AssemblerState &st, const SourceLocation &where, int32_t value,
                        OperandRange range) {
  if (OutsideOperandRange(value, range)) {
    const OperandLimits limits = LimitsOf(range);
    ReportAt(st, where, Msg::RangeWarning, value, limits.low, limits.high);
  }
}

namespace {

// --warn=wrap: the first byte assembled beyond FFFFh, and the first beyond 64 KiB of image,
// each once in the run.
void WarnIfPastTop(AssemblerState &st, int32_t location, int32_t position) {
  if (IsListingPass(st)) {
    return;
  }
  constexpr int32_t kTop = 0xFFFF;
  if (location > kTop && !st.pass.wrap_warned) {
    st.pass.wrap_warned = true;
    ReportAtLine(st, kCurrentLine, ColumnAt(st, st.expr.start), Msg::WarnCounterWraps);
  }
  if (position > kTop && st.pass.floating.block == 0 && !st.pass.image_warned) {
    st.pass.image_warned = true;
    ReportAtLine(st, kCurrentLine, ColumnAt(st, st.expr.start), Msg::WarnImageTooLarge);
  }
}

// Stores one byte at the location counter, obeying the placement modes; false, with the
// reason in problem, when it does not fit (nothing moves then).
bool StoreByte(AssemblerState &st, uint8_t byte, Msg &problem) {
  PlacementState &pl = st.placement;
  if (pl.offset_open) {
    NoteListedByte(st, st.pass.location, -1);
    st.pass.location = static_cast<int32_t>((static_cast<uint32_t>(st.pass.location) + 1) & 0xFFFF);
    return true;
  }
  // Work on copies: a refused byte leaves the location, the position and the pair unchanged.
  int32_t location = st.pass.location;
  int32_t position = st.pass.position;
  int32_t pair = pl.arrange_pair;
  const int32_t pairs = pl.arrange_count > 0 ? PairCount(pl) : 0;
  const bool arranging = pairs > 0;
  if (arranging && (pair < 0 || pair >= pairs)) {
    pair = 0;
  }
  if (arranging && pl.arrange_placed == 0 && !StepOverEmptyPairs(pl, location, position, pair)) {
    problem = Msg::ArrangeOverflow;
    return false;
  }
  const int32_t limit = st.pass.floating.block != 0 ? kCodeBufferSize : kImageSize;
  if (position < 0 || position >= limit) {
    problem = Msg::BufferOverflow;
    return false;
  }
  if (st.pass.floating.in_page_check && location >= kInPageLimit) {
    st.pass.floating.in_page_check = false;  // reported once per block
    problem = Msg::InPageOverflow;
    return false;
  }
  if (pl.arrange_count > 0 && location >= pl.saved_location) {
    problem = Msg::ArrangeOverflow;
    return false;
  }
  if (IsListingPass(st)) {
    NoteListedByte(st, location, position);  // the image keeps the assembly pass's bytes
  } else {
    // Placed blocks are copied to their places after the last line: code written over one
    // would be lost without a word.
    if (position < st.placement.placed_end) {
      problem = Msg::PlacedBlockOverlap;
      return false;
    }
    st.code.bytes[static_cast<size_t>(position)] = byte;
  }
  if (st.pass.floating.block == 0) {
    st.pass.image_end = std::max(st.pass.image_end, position + 1);
  }
  if (Warns(st.options, kWarnWrap)) {
    WarnIfPastTop(st, location, position);
  }
  position += 1;
  location = Add32(location, 1);
  if (arranging) {
    pl.arrange_placed += 1;
    if (pl.arrange_placed >= pl.arrange_numbers[2 * static_cast<size_t>(pair)]) {
      const int32_t skip = pl.arrange_numbers[2 * pair + 1];
      location = Add32(location, skip);
      position = Add32(position, skip);
      pl.arrange_placed = 0;
      pair = (pair + 1) % pairs;
      (void)StepOverEmptyPairs(pl, location, position, pair);
    }
    pl.arrange_pair = pair;
  }
  st.pass.location = location;
  st.pass.position = position;
  return true;
}

}  // namespace

bool EmitByte(AssemblerState &st, uint8_t byte) {
  Msg problem = Msg::BufferOverflow;
  if (StoreByte(st, byte, problem)) {
    return true;
  }
  SetErrorMessage(st, problem);
  return false;
}

bool TryEmitByte(AssemblerState &st, uint8_t byte) {
  Msg problem = Msg::BufferOverflow;
  return StoreByte(st, byte, problem);
}

void SkipEmptyArrangePairs(AssemblerState &st) {
  PlacementState &pl = st.placement;
  if (pl.arrange_count <= 0 || pl.arrange_placed != 0) {
    return;
  }
  int32_t location = st.pass.location;
  int32_t position = st.pass.position;
  int32_t pair = pl.arrange_pair;
  // When no pair places anything, the first byte fails and nothing moves.
  if (StepOverEmptyPairs(pl, location, position, pair)) {
    st.pass.location = location;
    st.pass.position = position;
    pl.arrange_pair = pair;
  }
}

bool EmitEvaluatedByte(AssemblerState &st, OperandRange range) {
  if (st.expr.known) {
    const int32_t value = st.expr.postfix.values[0];
    WarnIfOutOfRange(st, value, range);
    return EmitByte(st, static_cast<uint8_t>(value & 0xFF));
  }
  if (!NewFixup(st, FixupKind::Byte, st.pass.position, false, st.expr.postfix)) {
    return false;
  }
  NoteRange(st, st.fixups.records.size() - 1, range);
  return EmitByte(st, 0);
}

bool EmitEvaluatedWord(AssemblerState &st) {
  if (st.expr.known) {
    const int32_t value = st.expr.postfix.values[0];
    WarnIfOutOfRange(st, value, OperandRange::Word);
    return EmitByte(st, static_cast<uint8_t>(value & 0xFF)) &&
           EmitByte(st, static_cast<uint8_t>((value >> 8) & 0xFF));
  }
  if (!NewFixup(st, FixupKind::Word, st.pass.position, false, st.expr.postfix)) {
    return false;
  }
  const size_t record = st.fixups.records.size() - 1;
  // A word split by an ARRANGE gap keeps the range on its low byte's record, which holds the
  // whole value.
  NoteRange(st, record, OperandRange::Word);
  return EmitByte(st, 0) && SplitWordRecord(st, record) && EmitByte(st, 0);
}

bool EmitOperandByte(AssemblerState &st) { return EvaluateExpression(st) && EmitEvaluatedByte(st); }

bool EmitOperandWord(AssemblerState &st) { return EvaluateExpression(st) && EmitEvaluatedWord(st); }

const char *RelativeJumpName(const AssemblerState &st, int32_t opcode_at) {
  constexpr uint8_t kDjnz = 0x10;
  const bool inside = opcode_at >= 0 && opcode_at < kCodeBufferSize;
  return inside && st.code.bytes[static_cast<size_t>(opcode_at)] == kDjnz ? "DJNZ" : "JR";
}

bool EmitRelative(AssemblerState &st) {
  if (!EvaluateExpression(st)) {
    return false;
  }
  // Inside a floating block the location counts from the block's start, so even a known
  // target needs the block's final address: such a jump is always resolved later.
  if (st.expr.known && st.pass.floating.block == 0) {
    const int32_t distance = Sub32(Sub32(st.expr.postfix.values[0], st.pass.location), 1);
    if (distance >= -128 && distance <= 127) {
      return EmitByte(st, static_cast<uint8_t>(distance & 0xFF));
    }
    const int32_t excess = distance > 127 ? distance - 127 : distance + 128;
    SetError(st, Msg::RelativeOutOfRange, excess);
    SetErrorColumn(st, st.expr.start);
    AddErrorDetail(st, Msg::DetailRelativeReach, RelativeJumpName(st, st.pass.position - 1));
    return false;
  }
  return NewFixup(st, FixupKind::Relative, st.pass.position, true, st.expr.postfix) &&
         EmitByte(st, 0);
}

// The reserved byte always follows a prefix byte of the same instruction, so it goes exactly
// to the current position (an ARRANGE gap is stepped over right after the byte before it).
bool ReserveByte(AssemblerState &st, ReservedByte &slot) {
  slot.offset = st.pass.position;
  if (!EmitByte(st, 0)) {
    return false;
  }
  // An OFFSET section only counts addresses; the listing pass keeps the stored image.
  slot.stored = st.pass.position != slot.offset && !IsListingPass(st);
  return true;
}

void FillReserved(AssemblerState &st, const ReservedByte &slot, uint8_t value) {
  if (slot.stored && slot.offset >= 0 && slot.offset < kCodeBufferSize) {
    st.code.bytes[static_cast<size_t>(slot.offset)] = value;
  }
}

bool DefineLabelHere(AssemblerState &st, int32_t reference) {
  Label *label = LabelAt(st, reference);
  if (label == nullptr) {
    SetError(st, Msg::InvalidLabel);
    return false;
  }
  const int32_t block = st.pass.floating.block;
  if (block == 0) {
    label->value = static_cast<uint16_t>(st.pass.location & 0xFFFF);
    label->kind = kLabelDefined;
    return true;
  }
  // Inside a floating block: block address + offset, known once the block is placed.
  label->flags |= kFlagDefinedLate;
  const int32_t values[] = {block, st.pass.location, 0};
  const int32_t kinds[] = {kIdentifier, kNumber, kPlus};
  return AppendRecord(st, FixupKind::DefineLabel, reference, values, kinds, 3, false);
}

bool EmitBitNumberFixup(AssemblerState &st, int32_t opcode_offset,
                        const PostfixBuffer &bit_number) {
  return NewFixup(st, FixupKind::BitNumber, opcode_offset, false, bit_number);
}

bool NewFixup(AssemblerState &st, FixupKind kind, int32_t target, bool relative,
              const PostfixBuffer &postfix) {
  if (kind != FixupKind::DefineLabel && kind != FixupKind::Assert) {
    if (st.placement.offset_open) {
      target = kNoTarget;  // nothing is stored in an OFFSET section
    } else if (kind != FixupKind::BitNumber && target == st.pass.position) {
      target = NextBytePosition(st);
    }
  }
  const int32_t count = postfix.count < 0                  ? 0
                        : postfix.count > kPostfixCapacity ? kPostfixCapacity
                                                           : postfix.count;
  return AppendRecord(st, kind, target, postfix.values, postfix.kinds, count, relative);
}

void ExpectFixupsForSource(AssemblerState &st, uint64_t bytes) {
  // A generous guess (a reference per 16 bytes of text), bounded so that even a huge source
  // asks for no more than some 200 MiB of address space.
  constexpr uint64_t kSourceBytesPerFixup = 16;
  constexpr uint64_t kMostFixups = uint64_t{4} << 20;
  const uint64_t wanted = st.fixups.expected + bytes / kSourceBytesPerFixup;
  st.fixups.expected = static_cast<size_t>(wanted < kMostFixups ? wanted : kMostFixups);
}

bool NewAssertion(AssemblerState &st, const std::optional<std::string> &text) {
  std::vector<std::string> &texts = st.fixups.assertion_texts;
  const int32_t target = text.has_value() ? static_cast<int32_t>(texts.size()) : -1;
  if (text.has_value()) {
    texts.emplace_back(*text);
  }
  return NewFixup(st, FixupKind::Assert, target, false, st.expr.postfix);
}

void ClearFixups(AssemblerState &st) {
  st.fixups.assertion_texts.clear();
  st.fixups.records.clear();
  st.fixups.values.clear();
  st.fixups.kinds.clear();
  st.diag.origins.clear();
}

Image ImageOfRun(const AssemblerState &st) {
  Image image;
  image.bytes = st.code.bytes.data();
  image.length = st.pass.image_end;
  // Without an END operand the program starts at its first byte.
  image.load_address = st.segment.load_address;
  image.exec_address = st.segment.exec_given ? st.segment.exec_address : st.segment.load_address;
  return image;
}
