// Label table: the name pool, scopes of hashed label records and scope-independent references.
#include "symbols/symbols.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>

#include "driver/state.h"

namespace {

constexpr size_t kPoolStart = 4096;
constexpr size_t kScopedRefsStart = 64;
constexpr size_t kMaxScopeName = 63;
constexpr size_t kQualifiedSize = 256;
constexpr size_t kMaxIndex = std::numeric_limits<int32_t>::max();

// A scope's index starts with this many slots at its first label and doubles whenever it would
// become more than half full, so that a probe sequence stays short.
constexpr size_t kFirstSlots = 4;

// A name with its key and lookup hash, computed once for the lookups and the insertion of one
// operation.
struct Probe {
  std::string_view text;
  NameKey key;
  uint32_t hash = 0;
};

uint64_t Mix(uint64_t h, uint64_t word) {
  constexpr uint64_t kMultiplier = 0x9E3779B97F4A7C15u;
  h = (h ^ word) * kMultiplier;
  return h ^ (h >> 29);
}

uint32_t Finish(uint64_t h) {
  h = Mix(h, h >> 32);
  return static_cast<uint32_t>(h ^ (h >> 32));
}

template <typename Word>
uint64_t Load(const char *from) {
  Word word;
  std::memcpy(&word, from, sizeof word);
  return word;
}

// A short name's two words; a long name gets the mark alone. The words hold the name's bytes
// as in memory, zero-padded, with its length in the last byte. On a little-endian machine they
// are read straight from the text in at most three loads that stay within it.
NameKey MakeKey(std::string_view text) {
  NameKey key;
  const size_t length = text.size();
  if (length > kShortName) {
    key.words[1] = static_cast<uint64_t>(kLongName) << 56;
    return key;
  }
  const char *p = text.data();
  if constexpr (std::endian::native == std::endian::little) {
    if (length >= 8) {
      key.words[0] = Load<uint64_t>(p);
      if (length > 8) {  // the bytes from 8 on, taken from the last eight
        key.words[1] = Load<uint64_t>(p + length - 8) >> (8 * (16 - length));
      }
    } else if (length >= 4) {  // two overlapping loads of four bytes
      key.words[0] = Load<uint32_t>(p) | Load<uint32_t>(p + length - 4) << (8 * (length - 4));
    } else if (length > 0) {  // the first, middle and last bytes cover up to three
      key.words[0] = Load<uint8_t>(p) | Load<uint8_t>(p + length / 2) << (8 * (length / 2)) |
                     Load<uint8_t>(p + length - 1) << (8 * (length - 1));
    }
    key.words[1] |= static_cast<uint64_t>(length) << 56;
  } else {
    unsigned char bytes[sizeof key.words] = {};
    std::memcpy(bytes, p, length);
    bytes[sizeof bytes - 1] = static_cast<unsigned char>(length);
    std::memcpy(key.words, bytes, sizeof bytes);
  }
  return key;
}

bool IsLong(const NameKey &key) { return key.words[1] >> 56 == kLongName; }

// A long name's hash reads it eight bytes at a time, the tail zero-padded, its length first.
uint32_t HashLong(std::string_view text) {
  uint64_t h = Mix(0, text.size());
  size_t at = 0;
  for (; at + sizeof(uint64_t) <= text.size(); at += sizeof(uint64_t)) {
    uint64_t word = 0;
    std::memcpy(&word, text.data() + at, sizeof word);
    h = Mix(h, word);
  }
  if (at < text.size()) {
    uint64_t word = 0;
    std::memcpy(&word, text.data() + at, text.size() - at);
    h = Mix(h, word);
  }
  return Finish(h);
}

uint32_t HashKey(const NameKey &key) { return Finish(Mix(Mix(0, key.words[0]), key.words[1])); }

inline Probe MakeProbe(std::string_view text) {
  Probe probe{text, MakeKey(text)};
  probe.hash = IsLong(probe.key) ? HashLong(text) : HashKey(probe.key);
  return probe;
}

// Byte-exact comparison of a long name stored in the pool with text; stops at the stored NUL.
bool SameLongName(const AssemblerState &st, const Label &label, std::string_view text) {
  const char *stored = NameAt(st, label.name);
  for (char c : text) {
    if (*stored == '\0' || *stored != c) {
      return false;
    }
    ++stored;
  }
  return *stored == '\0';
}

bool Matches(const AssemblerState &st, const Label &label, const Probe &probe) {
  if (label.key.words[0] != probe.key.words[0] || label.key.words[1] != probe.key.words[1]) {
    return false;
  }
  return !IsLong(probe.key) || SameLongName(st, label, probe.text);
}

size_t SlotMask(const LabelScope &scope) { return scope.slots.size() - 1; }

inline int32_t FindIn(const AssemblerState &st, const LabelScope &scope, const Probe &probe) {
  if (scope.slots.empty()) {
    return 0;  // no label yet
  }
  const size_t mask = SlotMask(scope);
  for (size_t at = probe.hash & mask;; at = (at + 1) & mask) {
    const LabelSlot &slot = scope.slots[at];
    if (slot.index == 0) {
      return 0;
    }
    if (slot.hash == probe.hash &&
        Matches(st, scope.records[static_cast<size_t>(slot.index)], probe)) {
      return slot.index;
    }
  }
}

void PlaceSlot(LabelScope &scope, LabelSlot slot) {
  const size_t mask = SlotMask(scope);
  size_t at = slot.hash & mask;
  while (scope.slots[at].index != 0) {
    at = (at + 1) & mask;
  }
  scope.slots[at] = slot;
}

// Doubles the index once the next record would fill more than half of it. The slots are
// placed again in their old order; which slot a record takes is of no consequence, as a name
// occurs at most once per scope and records keep their indices.
void GrowSlots(LabelScope &scope) {
  if (2 * scope.records.size() <= scope.slots.size()) {
    return;
  }
  std::vector<LabelSlot> old(2 * scope.slots.size());
  old.swap(scope.slots);
  for (const LabelSlot &slot : old) {
    if (slot.index != 0) {
      PlaceSlot(scope, slot);
    }
  }
}

// Adds a record for a name known to be absent from the current scope.
int32_t Insert(AssemblerState &st, LabelScope &scope, const Probe &probe) {
  if (scope.records.size() >= kMaxIndex / 2) {
    return 0;
  }
  const int32_t name = AddName(st, probe.text);
  if (name == 0) {
    return 0;
  }
  if (scope.records.empty()) {
    scope.records.push_back(Label{});  // index 0 is never a record
    scope.slots.assign(kFirstSlots, LabelSlot{});
  }
  GrowSlots(scope);
  const auto index = static_cast<int32_t>(scope.records.size());
  Label label;
  label.key = probe.key;
  label.name = name;
  scope.records.push_back(label);
  PlaceSlot(scope, LabelSlot{probe.hash, index});
  return index;
}

Msg KindName(uint8_t kind) {
  switch (kind) {
    case kLabelDefined:
      return Msg::KindLabel;
    case kLabelMacro:
      return Msg::KindMacro;
    default:
      return Msg::KindUnknown;
  }
}

}  // namespace

void LabelRecords::push_back(const Label &label) {
  const size_t shifted = size_ + kFirstBlock;
  if ((shifted & (shifted - 1)) == 0) {  // a power of two: the blocks so far are full
    const size_t count = static_cast<size_t>(std::bit_width(shifted)) - kFirstBits;
    auto blocks = std::make_unique<Block[]>(count + 1);
    for (size_t i = 0; i < count; ++i) {
      blocks[i] = std::move(blocks_[i]);
    }
    blocks[count].reset(static_cast<Label *>(::operator new(shifted * sizeof(Label))));
    blocks_ = std::move(blocks);
  }
  ::new (&At(size_)) Label(label);
  ++size_;
}

bool CreateLabelTable(AssemblerState &st) {
  LabelTable &table = st.labels;
  table = LabelTable{};
  table.pool.reserve(kPoolStart);
  table.pool.push_back('\0');  // offset 0 is never a name
  table.scoped_refs.reserve(kScopedRefsStart);
  table.scoped_refs.push_back(ScopedRef{});  // entry 0 is never used
  LabelScope *root = NewScope(st);
  if (root == nullptr) {
    FreeLabelTable(st);
    return false;
  }
  table.current = root;
  return true;
}

void FreeLabelTable(AssemblerState &st) { st.labels = LabelTable{}; }

int32_t AddName(AssemblerState &st, std::string_view text) {
  std::vector<char> &pool = st.labels.pool;
  if (pool.empty() || text.size() >= kMaxIndex - pool.size()) {
    return 0;
  }
  const auto offset = static_cast<int32_t>(pool.size());
  pool.insert(pool.end(), text.begin(), text.end());
  pool.push_back('\0');
  return offset;
}

const char *NameAt(const AssemblerState &st, int32_t offset) {
  const std::vector<char> &pool = st.labels.pool;
  if (offset <= 0 || static_cast<size_t>(offset) >= pool.size()) {
    return "";
  }
  return &pool[static_cast<size_t>(offset)];
}

uint32_t HashName(std::string_view text) {
  uint32_t h = 0;
  for (char ch : text) {
    const auto c = static_cast<uint8_t>(ch);
    // (c AND 7Fh) - 16 fits a signed byte, so the sign extension is the plain difference.
    const auto x = static_cast<uint32_t>(static_cast<int32_t>(c & 0x7F) - 16);
    h = ((h << 7) | (h >> 25)) ^ x;
  }
  return h;
}

uint32_t LookupHash(std::string_view text) { return MakeProbe(text).hash; }

uint32_t LabelHash(const AssemblerState &st, const Label &label) {
  return IsLong(label.key) ? HashLong(NameAt(st, label.name)) : HashKey(label.key);
}

int32_t FindLabel(AssemblerState &st, std::string_view text) {
  const LabelScope *scope = st.labels.current;
  return scope == nullptr ? 0 : FindIn(st, *scope, MakeProbe(text));
}

Label *FindLabelIn(AssemblerState &st, LabelScope &scope, std::string_view text) {
  const int32_t index = FindIn(st, scope, MakeProbe(text));
  return index == 0 ? nullptr : &scope.records[static_cast<size_t>(index)];
}

int32_t AddLabel(AssemblerState &st, std::string_view text) {
  LabelScope *scope = st.labels.current;
  const Probe probe = MakeProbe(text);
  if (scope == nullptr || FindIn(st, *scope, probe) != 0) {
    return 0;
  }
  return Insert(st, *scope, probe);
}

Label *LabelAt(AssemblerState &st, int32_t reference) {
  LabelTable &table = st.labels;
  LabelScope *scope = table.current;
  int64_t index = reference;
  if (reference < 0) {
    const int64_t entry = -static_cast<int64_t>(reference);
    if (entry >= static_cast<int64_t>(table.scoped_refs.size())) {
      return nullptr;
    }
    const ScopedRef &ref = table.scoped_refs[static_cast<size_t>(entry)];
    if (ref.scope < 0 || static_cast<size_t>(ref.scope) >= table.scopes.size()) {
      return nullptr;
    }
    scope = table.scopes[static_cast<size_t>(ref.scope)].get();
    index = ref.index;
  }
  if (scope == nullptr || index < 1 || index >= static_cast<int64_t>(scope->records.size())) {
    return nullptr;
  }
  return &scope->records[static_cast<size_t>(index)];
}

Label *FindLabelOutward(AssemblerState &st, std::string_view text, uint8_t kind) {
  if (st.labels.current == nullptr) {
    return nullptr;
  }
  const Probe probe = MakeProbe(text);
  for (LabelScope *scope = st.labels.current->parent; scope != nullptr; scope = scope->parent) {
    const int32_t index = FindIn(st, *scope, probe);
    if (index != 0 && scope->records[static_cast<size_t>(index)].kind == kind) {
      return &scope->records[static_cast<size_t>(index)];
    }
  }
  return nullptr;
}

int32_t DeclareLabel(AssemblerState &st, std::string_view text, bool scoped) {
  LabelScope *scope = st.labels.current;
  if (scope == nullptr) {
    SetError(st, Msg::SyntaxError);
    return 0;
  }
  const Probe probe = MakeProbe(text);
  int32_t index = FindIn(st, *scope, probe);
  if (index == 0) {
    index = Insert(st, *scope, probe);
    if (index == 0) {
      SetError(st, Msg::SyntaxError);
      return 0;
    }
  } else {
    const Label &label = scope->records[static_cast<size_t>(index)];
    // A floating block waiting for its address has no value yet but is defined all the same.
    const bool block = (label.flags & (kFlagPageAligned | kFlagInPage)) != 0;
    if (label.kind != kLabelUndefined || block) {
      SetErrorFormat(st, Msg::AlreadyDefined, NameAt(st, label.name),
                     MessageText(block ? Msg::KindLabel : KindName(label.kind)));
      return 0;
    }
  }
  return scoped ? MakeScopedRef(st, index) : index;
}

int32_t MakeScopedRef(AssemblerState &st, int32_t index) {
  LabelTable &table = st.labels;
  if (table.current == nullptr || table.scoped_refs.empty() ||
      table.scoped_refs.size() >= kMaxIndex) {
    return 0;
  }
  table.scoped_refs.push_back(ScopedRef{table.current->identifier, index});
  return -static_cast<int32_t>(table.scoped_refs.size() - 1);
}

LabelScope *NewScope(AssemblerState &st) {
  LabelTable &table = st.labels;
  if (table.scopes.size() >= kMaxIndex) {
    return nullptr;
  }
  auto scope = std::make_unique<LabelScope>();
  scope->identifier = static_cast<int32_t>(table.scopes.size());
  LabelScope *created = scope.get();
  // Scopes are chained in creation order, which is also their order in the vector.
  if (!table.scopes.empty()) {
    table.scopes.back()->next = created;
  }
  table.scopes.push_back(std::move(scope));
  return created;
}

LabelScope *OpenScope(AssemblerState &st, std::string_view name) {
  LabelScope *parent = st.labels.current;
  LabelScope *scope = NewScope(st);
  if (scope == nullptr) {
    return nullptr;
  }
  scope->parent = parent;
  scope->name = std::string(name.substr(0, kMaxScopeName));
  st.labels.current = scope;
  return scope;
}

bool SelectScope(AssemblerState &st, int32_t identifier) {
  LabelTable &table = st.labels;
  if (identifier < 0 || static_cast<size_t>(identifier) >= table.scopes.size()) {
    return false;
  }
  table.current = table.scopes[static_cast<size_t>(identifier)].get();
  return true;
}

void SelectRootScope(AssemblerState &st) {
  LabelScope *scope = st.labels.current;
  if (scope == nullptr) {
    scope = st.labels.scopes.empty() ? nullptr : st.labels.scopes.front().get();
  }
  while (scope != nullptr && scope->parent != nullptr) {
    scope = scope->parent;
  }
  st.labels.current = scope;
}

const char *QualifiedName(AssemblerState &st, int32_t index) {
  LabelTable &table = st.labels;
  table.qualified.clear();
  const Label *label = index > 0 ? LabelAt(st, index) : nullptr;
  if (label == nullptr) {
    return table.qualified.c_str();
  }
  // Built from the right: the name, then each enclosing scope's name and a '.', while the
  // prefix still fits into the room left of a 256-byte text (with its NUL).
  char buffer[kQualifiedSize];
  size_t start = kQualifiedSize - 1;
  buffer[start] = '\0';
  const std::string_view name = NameAt(st, label->name);
  const size_t length = name.size() < start ? name.size() : start;
  start -= length;
  std::memcpy(buffer + start, name.data(), length);
  for (const LabelScope *scope = table.current; scope != nullptr && scope->parent != nullptr;
       scope = scope->parent) {
    if (scope->name.size() >= start) {
      break;
    }
    buffer[--start] = '.';
    start -= scope->name.size();
    std::memcpy(buffer + start, scope->name.data(), scope->name.size());
  }
  table.qualified.assign(buffer + start);
  return table.qualified.c_str();
}
