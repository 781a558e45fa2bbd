// Code buffer: appending bytes to the image, operands that may be forward references, and the
// resolution pass that patches those references once every label is known.
#include <algorithm>
#include <climits>
#include <functional>
#include <map>
#include <memory>
#include <queue>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "driver/state.h"

namespace {

// Target of a record whose placeholder was not stored (made inside an OFFSET section): the
// value is still computed and checked, but no byte is patched.
constexpr int32_t kNoTarget = -1;
constexpr int32_t kInPageLimit = 256;
constexpr int32_t kMaxArrangeNumbers = 64;
constexpr uint8_t kFloatingFlags = kFlagPageAligned | kFlagInPage;

// Wrapping signed 32-bit arithmetic.
int32_t Add32(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

int32_t Sub32(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

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
  int32_t position = st.code.position;
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
  Fixup record;
  record.target = target;
  record.kind = kind;
  record.line = st.context != nullptr ? st.context->line : 0;
  record.file = st.context != nullptr ? st.context->file_name : 0;
  record.place = st.context != nullptr ? KeepPlace(st, *st.context, record.line) : 0;
  record.scope = st.labels.current != nullptr ? st.labels.current->identifier : 0;
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
  if (word.target == kNoTarget || st.code.position == Add32(word.target, 1)) {
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
  if (!AppendRecord(st, FixupKind::Byte, st.code.position, values.data(), kinds.data(),
                    static_cast<int32_t>(values.size()), false)) {
    return false;
  }
  Fixup &high = list.records.back();
  high.line = low.line;
  high.file = low.file;
  high.place = low.place;
  high.scope = low.scope;
  return true;
}

// ---- Range warnings -----------------------------------------------------------------------

// Prints the warning of --warn=range when value lies outside range; file and line name the
// line the value belongs to.
void WarnOutside(const DiagnosticPlace &place, const char *file, int32_t line, int32_t value,
                 OperandRange range) {
  if (OutsideOperandRange(value, range)) {
    const OperandLimits limits = LimitsOf(range);
    PrintMessageAt(place, Msg::RangeWarning, file, line, value, limits.low, limits.high);
  }
}

// The range a fixup of the current line is checked against when it is resolved: none without
// --warn=range, and none in the listing pass, whose values the assembly pass has checked.
void NoteRange(AssemblerState &st, size_t record, OperandRange range) {
  const bool wanted = st.options.warn_range && !IsListingPass(st);
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
  const SourceContext *ctx = st.context;
  if (!st.options.warn_range || IsListingPass(st) || ctx == nullptr) {
    return;
  }
  WarnOutside(CurrentPlace(st), NameAt(st, ctx->file_name), ctx->line, value, range);
}

bool EmitByte(AssemblerState &st, uint8_t byte) {
  PlacementState &pl = st.placement;
  if (pl.offset_open) {
    NoteListedByte(st, st.pass.location, -1);
    st.pass.location = static_cast<int32_t>((static_cast<uint32_t>(st.pass.location) + 1) & 0xFFFF);
    return true;
  }
  // Work on copies: a refused byte leaves the location, the position and the pair unchanged.
  int32_t location = st.pass.location;
  int32_t position = st.code.position;
  int32_t pair = pl.arrange_pair;
  const int32_t pairs = pl.arrange_count > 0 ? PairCount(pl) : 0;
  const bool arranging = pairs > 0;
  if (arranging && (pair < 0 || pair >= pairs)) {
    pair = 0;
  }
  if (arranging && pl.arrange_placed == 0 && !StepOverEmptyPairs(pl, location, position, pair)) {
    SetError(st, Msg::ArrangeOverflow);
    return false;
  }
  const int32_t limit = st.pass.floating.block != 0 ? kCodeBufferSize : kImageSize;
  if (position < 0 || position >= limit) {
    SetError(st, Msg::BufferOverflow);
    return false;
  }
  if (st.pass.floating.in_page_check && location >= kInPageLimit) {
    st.pass.floating.in_page_check = false;  // reported once per block
    SetError(st, Msg::InPageOverflow);
    return false;
  }
  if (pl.arrange_count > 0 && location >= pl.saved_location) {
    SetError(st, Msg::ArrangeOverflow);
    return false;
  }
  if (IsListingPass(st)) {
    NoteListedByte(st, location, position);  // the image keeps the assembly pass's bytes
  } else {
    // Placed blocks are copied to their places after the last line: code written over one
    // would be lost without a word.
    if (position < st.code.placed_end) {
      SetError(st, Msg::PlacedBlockOverlap);
      return false;
    }
    st.code.bytes[static_cast<size_t>(position)] = byte;
  }
  if (st.pass.floating.block == 0) {
    st.code.end = std::max(st.code.end, position + 1);
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
  st.code.position = position;
  return true;
}

void SkipEmptyArrangePairs(AssemblerState &st) {
  PlacementState &pl = st.placement;
  if (pl.arrange_count <= 0 || pl.arrange_placed != 0) {
    return;
  }
  int32_t location = st.pass.location;
  int32_t position = st.code.position;
  int32_t pair = pl.arrange_pair;
  // When no pair places anything, the first byte fails and nothing moves.
  if (StepOverEmptyPairs(pl, location, position, pair)) {
    st.pass.location = location;
    st.code.position = position;
    pl.arrange_pair = pair;
  }
}

bool EmitEvaluatedByte(AssemblerState &st, OperandRange range) {
  if (st.expr.known) {
    const int32_t value = st.expr.postfix.values[0];
    WarnIfOutOfRange(st, value, range);
    return EmitByte(st, static_cast<uint8_t>(value & 0xFF));
  }
  if (!NewFixup(st, FixupKind::Byte, st.code.position, false)) {
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
  if (!NewFixup(st, FixupKind::Word, st.code.position, false)) {
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
    SetErrorFormat(st, Msg::OffsetSuffix, MessageText(Msg::RelativeOutOfRange), excess);
    return false;
  }
  return NewFixup(st, FixupKind::Relative, st.code.position, true) && EmitByte(st, 0);
}

// The reserved byte always follows a prefix byte of the same instruction, so it goes exactly
// to the current position (an ARRANGE gap is stepped over right after the byte before it).
bool ReserveByte(AssemblerState &st, ReservedByte &slot) {
  slot.offset = st.code.position;
  if (!EmitByte(st, 0)) {
    return false;
  }
  // An OFFSET section only counts addresses; the listing pass keeps the stored image.
  slot.stored = st.code.position != slot.offset && !IsListingPass(st);
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

bool NewFixup(AssemblerState &st, FixupKind kind, int32_t target, bool relative) {
  if (kind != FixupKind::DefineLabel) {
    if (st.placement.offset_open) {
      target = kNoTarget;  // nothing is stored in an OFFSET section
    } else if (kind != FixupKind::BitNumber && target == st.code.position) {
      target = NextBytePosition(st);
    }
  }
  const PostfixBuffer &postfix = st.expr.postfix;
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

void ClearFixups(AssemblerState &st) {
  st.fixups.records.clear();
  st.fixups.values.clear();
  st.fixups.kinds.clear();
  st.diag.kept_places.clear();
}

// ---- Resolution pass ----------------------------------------------------------------------
//
// The pass behaves as repeated sweeps over the records in creation order, each evaluating
// every record it can and stopping when a sweep removes none. A record that could not be
// evaluated is stopped by one label; revisiting it before that label (or a label of the same
// name in an enclosing scope, which the outward lookup could find) becomes defined would give
// the same result with no effect. So a blocked record waits on those labels and is woken when
// one is defined: into the current sweep when it lies behind the record being evaluated, into
// the next sweep otherwise. Records are thus evaluated in the same order, with the same label
// values, and print the same lines as full sweeps would, in roughly linear time. The labels of
// the same name in enclosing scopes are not looked up one by one (a record deep in nested
// scopes would cost their depth): a definition wakes every record waiting on its name whose
// scope lies inside the defined label's scope, an identifier range, since a scope's nested
// scopes are made after it and before the scopes that follow it. A wake that finds nothing
// changed only evaluates the record once more, as a full sweep would.

namespace {

enum class Outcome { Value, Blocked, Dropped, MidCode };

struct Waiter {
  int32_t record = 0;
  uint32_t token = 0;  // matches the record's token while this wait is current
};

struct Resolver {
  explicit Resolver(AssemblerState &state) : st(state) {}
  AssemblerState &st;
  std::vector<uint8_t> pending;    // still in the list
  std::vector<uint8_t> scheduled;  // queued for this sweep or the next
  std::vector<uint32_t> tokens;    // bumped when a record is woken, voiding its other waits;
                                   // made at the first wait
  // Records blocked on each label, by the label's number (the first number of its scope plus
  // its index): lists threaded through waits, newest first. A list costs no allocation of its
  // own, which a map of vectors paid twice for every blocked record.
  std::vector<int64_t> first_number;  // by scope identifier
  std::vector<int32_t> waiting;       // by label number: latest entry of waits, or -1
  struct WaitEntry {
    Waiter waiter;
    int32_t next = -1;
  };
  std::vector<WaitEntry> waits;
  // Records that a label of the blocking label's name in an enclosing scope can set free: by
  // the name's hash, then by the record's scope.
  std::unordered_map<uint64_t, std::multimap<int32_t, Waiter>> outward;
  std::vector<int32_t> subtree_end;  // by scope identifier: the last identifier of its subtree
  // The records of the sweep under way, in order: those queued before it began (a sorted list
  // walked by a cursor; in the first sweep every record, 0 .. first_sweep - 1, without a list)
  // and those woken into it behind the record being evaluated (a heap). A record is never in
  // both: a queued one is not woken again until it has been evaluated.
  std::vector<int32_t> sweep_list;
  size_t first_sweep = 0;
  size_t sweep_at = 0;
  std::priority_queue<int32_t, std::vector<int32_t>, std::greater<int32_t>> sweep;
  std::vector<int32_t> next_sweep;
  std::vector<int32_t> stack;
  int32_t current = -1;  // record being evaluated
  bool failed = false;
};

bool IsUnary(int32_t kind) { return kind == kNegate || kind == kNot || kind == kComplement; }

bool IsBinary(int32_t kind) { return kind == kColon || (kind >= kMul && kind <= kLogicalOr); }

const char *FileOf(const AssemblerState &st, const Fixup &record) {
  return NameAt(st, record.file);
}

DiagnosticPlace PlaceOf(const AssemblerState &st, const Fixup &record) {
  return KeptPlace(st, record.place, record.file, record.line);
}

// Notes, for every scope, the last scope made inside it (its own identifier when none).
void MapSubtrees(Resolver &r) {
  const std::vector<std::unique_ptr<LabelScope>> &scopes = r.st.labels.scopes;
  r.subtree_end.resize(scopes.size());
  for (size_t i = 0; i < scopes.size(); ++i) {
    r.subtree_end[i] = static_cast<int32_t>(i);
  }
  // A scope is made after its parent, so its own subtree is complete when it is reached.
  for (size_t i = scopes.size(); i-- > 1;) {
    if (const LabelScope *parent = scopes[i]->parent) {
      int32_t &end = r.subtree_end[static_cast<size_t>(parent->identifier)];
      end = std::max(end, r.subtree_end[i]);
    }
  }
}

// Numbers every label of every scope, scope after scope, for the wait lists; the lists' heads
// are made at the first wait (a program whose references all resolve at once needs none).
void NumberLabels(Resolver &r) {
  const std::vector<std::unique_ptr<LabelScope>> &scopes = r.st.labels.scopes;
  r.first_number.resize(scopes.size() + 1);
  int64_t total = 0;
  for (size_t i = 0; i < scopes.size(); ++i) {
    r.first_number[i] = total;
    total += static_cast<int64_t>(scopes[i]->records.size());
  }
  r.first_number.back() = total;
}

// Where the record a label reference names lives: its own scope for a scope-independent one,
// else the current scope (scope -1 when there is none).
ScopedRef PlaceOfReference(const AssemblerState &st, int32_t reference) {
  if (reference < 0) {
    const auto entry = static_cast<size_t>(-static_cast<int64_t>(reference));
    return entry < st.labels.scoped_refs.size() ? st.labels.scoped_refs[entry] : ScopedRef{-1, 0};
  }
  return {st.labels.current != nullptr ? st.labels.current->identifier : -1, reference};
}

// The number of the label at place, or -1 when it has none (a record made after numbering).
int64_t LabelNumber(const Resolver &r, const ScopedRef &place) {
  const std::vector<std::unique_ptr<LabelScope>> &scopes = r.st.labels.scopes;
  if (place.scope < 0 || static_cast<size_t>(place.scope) + 1 >= r.first_number.size() ||
      place.index < 1 ||
      static_cast<size_t>(place.index) >=
          scopes[static_cast<size_t>(place.scope)]->records.size()) {
    return -1;
  }
  const int64_t number = r.first_number[static_cast<size_t>(place.scope)] + place.index;
  return number < static_cast<int64_t>(r.waiting.size()) ? number : -1;
}

// The next record of the sweep under way, in order; false at the sweep's end.
bool NextOfSweep(Resolver &r, int32_t &record) {
  const size_t listed = r.first_sweep > 0 ? r.first_sweep : r.sweep_list.size();
  if (r.sweep_at < listed) {
    const auto next =
        r.first_sweep > 0 ? static_cast<int32_t>(r.sweep_at) : r.sweep_list[r.sweep_at];
    if (r.sweep.empty() || next < r.sweep.top()) {
      ++r.sweep_at;
      record = next;
      return true;
    }
  }
  if (r.sweep.empty()) {
    return false;
  }
  record = r.sweep.top();
  r.sweep.pop();
  return true;
}

// Queues a waiting record for this sweep or the next, unless its wait is stale.
void Schedule(Resolver &r, const Waiter &w) {
  const auto i = static_cast<size_t>(w.record);
  if (!r.pending[i] || r.scheduled[i] || r.tokens[i] != w.token) {
    return;
  }
  r.scheduled[i] = 1;
  r.tokens[i] += 1;
  if (w.record > r.current) {
    r.sweep.push(w.record);
  } else {
    r.next_sweep.push_back(w.record);
  }
}

// The label at place has just been defined: wakes the records blocked on it and those in its
// scope or a scope inside it that are blocked on a label of its name.
void Wake(Resolver &r, const Label *label, const ScopedRef &place) {
  const int32_t scope = place.scope;
  const int64_t number = LabelNumber(r, place);
  if (number >= 0) {
    int32_t entry = r.waiting[static_cast<size_t>(number)];
    r.waiting[static_cast<size_t>(number)] = -1;
    for (; entry >= 0; entry = r.waits[static_cast<size_t>(entry)].next) {
      Schedule(r, r.waits[static_cast<size_t>(entry)].waiter);
    }
  }
  if (r.outward.empty()) {
    return;
  }
  auto named = r.outward.find(HashName(NameAt(r.st, label->name)));
  if (named == r.outward.end() || scope < 0 || static_cast<size_t>(scope) >= r.subtree_end.size()) {
    return;
  }
  std::multimap<int32_t, Waiter> &by_scope = named->second;
  const auto first = by_scope.lower_bound(scope);
  const auto last = by_scope.upper_bound(r.subtree_end[static_cast<size_t>(scope)]);
  for (auto it = first; it != last; ++it) {
    Schedule(r, it->second);
  }
  by_scope.erase(first, last);
}

// The record (its scope current) waits on label, at place, and, when the label may still take
// its value from an enclosing scope, on the labels of its name there.
void Wait(Resolver &r, int32_t record, const Label *label, const ScopedRef &place) {
  if (r.waiting.empty()) {
    r.waiting.assign(static_cast<size_t>(r.first_number.back()), -1);
    r.tokens.assign(r.pending.size(), 0);
  }
  const Waiter waiter{record, r.tokens[static_cast<size_t>(record)]};
  const int64_t number = LabelNumber(r, place);
  if (number < 0 || r.waits.size() >= static_cast<size_t>(INT32_MAX)) {
    // Not numbered, or no room in the lists: the next sweep evaluates the record again, as a
    // full sweep would.
    r.scheduled[static_cast<size_t>(record)] = 1;
    r.next_sweep.push_back(record);
    return;
  }
  int32_t &head = r.waiting[static_cast<size_t>(number)];
  r.waits.push_back({waiter, head});
  head = static_cast<int32_t>(r.waits.size() - 1);
  // Only a record in a nested scope can take a value from an enclosing one.
  const LabelScope *scope = r.st.labels.current;
  const char *name = NameAt(r.st, label->name);
  if (label->kind == kLabelUndefined && name[0] != '@' && scope != nullptr &&
      scope->parent != nullptr) {
    r.outward[HashName(name)].emplace(scope->identifier, waiter);
  }
}

// Evaluates the saved items on a stack. An identifier without a value takes one from a
// defined label of the same name in an enclosing scope (never for generated '@' names);
// otherwise the record is blocked on it.
Outcome Evaluate(Resolver &r, const Fixup &record, int32_t &value, const Label *&blocked,
                 ScopedRef &blocked_at) {
  AssemblerState &st = r.st;
  std::vector<int32_t> &stack = r.stack;
  stack.clear();
  for (int32_t k = 0; k < record.count; ++k) {
    const size_t at = static_cast<size_t>(record.first) + static_cast<size_t>(k);
    const int32_t item = st.fixups.values[at];
    const int32_t kind = st.fixups.kinds[at];
    if (kind == kNumber) {
      stack.push_back(item);
    } else if (kind == kIdentifier) {
      Label *label = LabelAt(st, item);
      if (label == nullptr) {
        return Outcome::MidCode;
      }
      if (label->kind != kLabelDefined) {
        const char *name = NameAt(st, label->name);
        const Label *outer = label->kind == kLabelUndefined && name[0] != '@'
                                 ? FindLabelOutward(st, name, kLabelDefined)
                                 : nullptr;
        if (outer == nullptr) {
          blocked = label;
          blocked_at = PlaceOfReference(st, item);
          return Outcome::Blocked;
        }
        label->value = outer->value;
        label->kind = kLabelDefined;
        label->flags |= kFlagFromOuter;
        Wake(r, label, PlaceOfReference(st, item));
      }
      stack.push_back(label->value);
    } else if (IsUnary(kind) && !stack.empty()) {
      stack.back() = ApplyUnary(kind, stack.back());
    } else if (IsBinary(kind) && stack.size() >= 2) {
      const int32_t right = stack.back();
      stack.pop_back();
      const char *message = nullptr;
      if (!ApplyBinary(kind, stack.back(), right, stack.back(), message)) {
        PrintErrorLine(st, PlaceOf(st, record), Msg::LineError, FileOf(st, record), record.line,
                       message != nullptr ? message : MessageText(Msg::DivisionByZero));
        return Outcome::Dropped;
      }
    } else {
      return Outcome::MidCode;
    }
  }
  if (stack.empty()) {
    return Outcome::MidCode;
  }
  value = stack.back();
  return Outcome::Value;
}

void Patch(AssemblerState &st, int32_t target, int32_t value) {
  if (target >= 0 && target < kCodeBufferSize) {
    st.code.bytes[static_cast<size_t>(target)] = static_cast<uint8_t>(value & 0xFF);
  }
}

void Apply(Resolver &r, const Fixup &record, int32_t value) {
  AssemblerState &st = r.st;
  switch (record.kind) {
    case FixupKind::DefineLabel: {
      Label *label = LabelAt(st, record.target);
      if (label != nullptr) {
        const bool newly = label->kind != kLabelDefined;
        label->value = static_cast<uint16_t>(value & 0xFFFF);
        label->kind = kLabelDefined;
        if (newly) {
          Wake(r, label, PlaceOfReference(st, record.target));
        }
      }
      break;
    }
    case FixupKind::Byte:
      WarnOutside(PlaceOf(st, record), FileOf(st, record), record.line, value, record.range);
      Patch(st, record.target, value);
      break;
    case FixupKind::Word:
      WarnOutside(PlaceOf(st, record), FileOf(st, record), record.line, value, record.range);
      Patch(st, record.target, value);
      if (record.target != kNoTarget) {
        Patch(st, Add32(record.target, 1), value >> 8);
      }
      break;
    case FixupKind::Relative:
      if (value < -128 || value > 127) {
        const int32_t excess = value > 127 ? value - 127 : value + 128;
        PrintErrorLine(st, PlaceOf(st, record), Msg::LineErrorOffset, FileOf(st, record),
                       record.line, MessageText(Msg::RelativeOutOfRange), excess);
        r.failed = true;
      } else {
        Patch(st, record.target, value);
      }
      break;
    case FixupKind::BitNumber:
      if (static_cast<uint32_t>(value) > 7) {
        PrintErrorLine(st, PlaceOf(st, record), Msg::LineError, FileOf(st, record), record.line,
                       MessageText(Msg::BitOutOfRange));
        r.failed = true;
      } else if (record.target >= 0 && record.target < kCodeBufferSize) {
        st.code.bytes[static_cast<size_t>(record.target)] |= static_cast<uint8_t>(value << 3);
      }
      break;
  }
}

// Names each label that keeps records from resolving, once, at its first remaining reference.
void ReportUnresolved(Resolver &r) {
  AssemblerState &st = r.st;
  std::unordered_set<const Label *> reported;  // names of other kinds (macros) keep their kind
  for (size_t i = 0; i < st.fixups.records.size(); ++i) {
    if (!r.pending[i]) {
      continue;
    }
    const Fixup record = st.fixups.records[i];
    (void)SelectScope(st, record.scope);
    for (int32_t k = 0; k < record.count; ++k) {
      const size_t item = static_cast<size_t>(record.first) + static_cast<size_t>(k);
      if (st.fixups.kinds[item] != kIdentifier) {
        continue;
      }
      Label *label = LabelAt(st, st.fixups.values[item]);
      if (label == nullptr || label->kind == kLabelDefined || label->kind == kLabelReported ||
          (label->flags & kFloatingFlags) != 0) {
        continue;
      }
      if (label->kind == kLabelUndefined) {
        label->kind = kLabelReported;
      } else if (!reported.insert(label).second) {
        continue;
      }
      std::string name = NameAt(st, label->name);
      if (name[0] == '@') {
        name.resize(2);  // a generated local label shows as '@' and its family
      }
      PrintErrorLine(st, PlaceOf(st, record), Msg::UnresolvedLabel, FileOf(st, record), record.line,
                     name.c_str());
    }
  }
}

// Keeps only the records still pending, in order.
void KeepPending(Resolver &r) {
  auto &records = r.st.fixups.records;
  size_t kept = 0;
  for (size_t i = 0; i < records.size(); ++i) {
    if (r.pending[i]) {
      records[kept++] = records[i];
    }
  }
  records.resize(kept);
}

}  // namespace

bool ResolveFixups(AssemblerState &st) {
  const size_t count = st.fixups.records.size();
  if (count == 0) {
    return true;
  }
  LabelScope *entry_scope = st.labels.current;
  Resolver r(st);
  MapSubtrees(r);
  NumberLabels(r);
  r.pending.assign(count, 1);
  r.scheduled.assign(count, 1);
  r.first_sweep = count;
  size_t remaining = count;
  bool ok = true;
  for (;;) {
    bool removed = false;
    r.current = -1;
    int32_t i = 0;
    while (NextOfSweep(r, i)) {
      r.scheduled[static_cast<size_t>(i)] = 0;
      r.current = i;
      const Fixup record = st.fixups.records[static_cast<size_t>(i)];
      (void)SelectScope(st, record.scope);
      int32_t value = 0;
      const Label *blocked = nullptr;
      ScopedRef blocked_at;
      const Outcome outcome = Evaluate(r, record, value, blocked, blocked_at);
      if (outcome == Outcome::Blocked) {
        Wait(r, i, blocked, blocked_at);
        continue;
      }
      if (outcome == Outcome::MidCode) {
        PrintErrorLine(st, PlaceOf(st, record), Msg::UnexpectedMidCode, FileOf(st, record),
                       record.line);
        KeepPending(r);
        st.labels.current = entry_scope;
        return false;
      }
      if (outcome == Outcome::Value) {
        Apply(r, record, value);
      } else {
        r.failed = true;
      }
      r.pending[static_cast<size_t>(i)] = 0;
      remaining -= 1;
      removed = true;
    }
    if (remaining == 0) {
      break;
    }
    if (!removed) {
      ReportUnresolved(r);
      ok = false;
      break;
    }
    std::sort(r.next_sweep.begin(), r.next_sweep.end());
    r.sweep_list.swap(r.next_sweep);
    r.first_sweep = 0;
    r.sweep_at = 0;
    r.next_sweep.clear();
  }
  ClearFixups(st);
  st.labels.current = entry_scope;
  return ok && !r.failed;
}
