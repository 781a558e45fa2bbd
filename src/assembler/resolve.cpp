// The resolution pass: after the last line every saved postfix form is evaluated, its
// placeholders patched and its labels defined; the labels that stay undefined are reported.
#include <algorithm>
#include <functional>
#include <map>
#include <queue>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "assembler/assembler.h"
#include "assembler/code.h"
#include "lexer/lexer.h"
#include "symbols/symbols.h"

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

// The location a record kept of its line.
SourceLocation LocationOf(const Fixup &record) {
  return {record.file, record.line, record.column, record.origin};
}

// Notes, for every scope, the last scope made inside it (its own identifier when none).
void MapSubtrees(Resolver &r) {
  const auto scopes = static_cast<size_t>(ScopeCount(r.st));
  r.subtree_end.resize(scopes);
  for (size_t i = 0; i < scopes; ++i) {
    r.subtree_end[i] = static_cast<int32_t>(i);
  }
  // A scope is made after its parent, so its own subtree is complete when it is reached.
  for (size_t i = scopes; i-- > 1;) {
    const int32_t parent = ParentScope(r.st, static_cast<int32_t>(i));
    if (parent >= 0) {
      int32_t &end = r.subtree_end[static_cast<size_t>(parent)];
      end = std::max(end, r.subtree_end[i]);
    }
  }
}

// Numbers every label of every scope, scope after scope, for the wait lists; the lists' heads
// are made at the first wait (a program whose references all resolve at once needs none).
void NumberLabels(Resolver &r) {
  const auto scopes = static_cast<size_t>(ScopeCount(r.st));
  r.first_number.resize(scopes + 1);
  int64_t total = 0;
  for (size_t i = 0; i < scopes; ++i) {
    r.first_number[i] = total;
    total += RecordCount(r.st, static_cast<int32_t>(i));
  }
  r.first_number.back() = total;
}

// The number of the label at place, or -1 when it has none (a record made after numbering).
int64_t LabelNumber(const Resolver &r, const ScopedRef &place) {
  if (place.scope < 0 || static_cast<size_t>(place.scope) + 1 >= r.first_number.size() ||
      place.index < 1 || place.index >= RecordCount(r.st, place.scope)) {
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
  auto named = r.outward.find(HashName(NameAt(r.st.names, label->name)));
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
  const char *name = NameAt(r.st.names, label->name);
  if (label->kind == kLabelUndefined && name[0] != '@' && InNestedScope(r.st)) {
    r.outward[HashName(name)].emplace(CurrentScope(r.st), waiter);
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
        const char *name = NameAt(st.names, label->name);
        Label *outer = label->kind == kLabelUndefined && name[0] != '@'
                           ? FindLabelOutward(st, name, kLabelDefined)
                           : nullptr;
        if (outer == nullptr) {
          blocked = label;
          blocked_at = LabelHome(st, item);
          return Outcome::Blocked;
        }
        label->value = outer->value;
        label->kind = kLabelDefined;
        label->flags |= kFlagFromOuter;
        outer->flags |= kFlagReferenced;
        Wake(r, label, LabelHome(st, item));
      }
      stack.push_back(label->value);
    } else if ((IsUnary(kind) || kind == kHigh || kind == kLow) && !stack.empty()) {
      stack.back() = ApplyUnary(kind, stack.back());
    } else if (IsBinary(kind) && stack.size() >= 2) {
      const int32_t right = stack.back();
      stack.pop_back();
      if (!ApplyBinary(kind, stack.back(), right, stack.back())) {
        ReportAt(st, LocationOf(record), Msg::DivisionByZero);
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
          Wake(r, label, LabelHome(st, record.target));
        }
      }
      break;
    }
    case FixupKind::Byte:
      WarnIfOutOfRangeAt(st, LocationOf(record), value, record.range);
      Patch(st, record.target, value);
      break;
    case FixupKind::Word:
      WarnIfOutOfRangeAt(st, LocationOf(record), value, record.range);
      Patch(st, record.target, value);
      if (record.target != kNoTarget) {
        Patch(st, Add32(record.target, 1), value >> 8);
      }
      break;
    case FixupKind::Relative:
      if (value < -128 || value > 127) {
        const int32_t excess = value > 127 ? value - 127 : value + 128;
        ReportAtDetailed(
            st, LocationOf(record),
            FormatMessage(Msg::DetailRelativeReach, RelativeJumpName(st, Sub32(record.target, 1))),
            Msg::RelativeOutOfRange, excess);
        r.failed = true;
      } else {
        Patch(st, record.target, value);
      }
      break;
    case FixupKind::Assert:
      if (value == 0) {
        if (const auto &texts = st.fixups.assertion_texts;
            record.target >= 0 && static_cast<size_t>(record.target) < texts.size()) {
          ReportAt(st, LocationOf(record), Msg::AssertionFailedText,
                   texts[static_cast<size_t>(record.target)].c_str());
        } else {
          ReportAt(st, LocationOf(record), Msg::AssertionFailed);
        }
        r.failed = true;
      }
      break;
    case FixupKind::BitNumber:
      if (static_cast<uint32_t>(value) > 7) {
        ReportAt(st, LocationOf(record), Msg::BitOutOfRange);
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
      std::string name = NameAt(st.names, label->name);
      if (name[0] == '@') {
        name.resize(2);  // a generated local label shows as '@' and its family
      }
      ReportAt(st, LocationOf(record), Msg::UnresolvedLabel, name.c_str());
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
  const int32_t entry_scope = CurrentScope(st);
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
        ReportAt(st, LocationOf(record), Msg::UnexpectedMidCode);
        KeepPending(r);
        (void)SelectScope(st, entry_scope);
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
  (void)SelectScope(st, entry_scope);
  return ok && !r.failed;
}
