// Label table: scopes of hashed label records and scope-independent references.
#include "symbols/symbols.h"

#include "symbols/table.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

namespace {

constexpr size_t kScopedRefsStart = 64;
constexpr size_t kMaxScopeName = 63;
constexpr size_t kQualifiedSize = 256;
constexpr size_t kMaxIndex = std::numeric_limits<int32_t>::max();
constexpr uint64_t kSourceBytesPerName = 16;
constexpr uint64_t kSourceBytesPerPoolByte = 2;
constexpr uint64_t kMaxExpectedBytes = uint64_t{64} << 20;
// Scopes that may be open inside one another (see OpenScope).
constexpr int32_t kMaxScopeDepth = 256;

// Bucket counts a scope's hash table steps through as it grows; each is prime, so the
// remainder spreads the rotate-and-xor hash well. A scope starts with none, so that a scope
// without labels (an empty PROC) costs only its record, and takes the first at its first label.
constexpr int32_t kBucketSizes[] = {
    13,     61,     251,    997,     2003,    4001,    8009,    16001,    32003,    64007,
    128021, 256019, 512009, 1024021, 2048003, 4096013, 8192003, 16384001, 32768011,
};
// The table grows when the records outnumber the buckets by this factor (mean chain length):
// a search for a new name, the commonest search of all, then reads a link or none.
constexpr size_t kMaxLoad = 1;

// Byte-exact comparison of a stored name with text; stops at the stored NUL.
bool SameName(const AssemblerState &st, const Label &label, std::string_view text) {
  const char *stored = NameAt(st.names, label.name);
  for (char c : text) {
    if (*stored == '\0' || *stored != c) {
      return false;
    }
    ++stored;
  }
  return *stored == '\0';
}

// The bucket of a hash: its remainder by the bucket count, moved round by its quotient,
// scattered. Names that differ only in their last characters (serial numbers) have hashes
// close together, so the same quotient, and stay in neighbouring buckets; hashes whose
// remainders alone would pile up (a serial's digit weights can be near multiples of one
// another for some bucket counts: a few buckets took every name) are set apart by their
// quotients.
size_t Bucket(const LabelScope &scope, uint64_t hash) {
  constexpr uint64_t kScatter = 0x9E3779B97F4A7C15;  // 2^64 divided by the golden ratio
  const uint64_t size = scope.buckets.size();        // below 2^32
  const uint64_t quotient = hash / size;
  const uint64_t remainder = hash % size;
  const uint64_t shift = (((quotient * kScatter) >> 32) * size) >> 32;  // 0 .. size - 1
  const uint64_t bucket = remainder + shift;
  return static_cast<size_t>(bucket >= size ? bucket - size : bucket);
}

// The 32 bits of a hash that a link keeps: both halves, so that names differing only in
// their first characters still differ here.
uint32_t LinkTag(uint64_t hash) { return static_cast<uint32_t>(hash ^ (hash >> 32)); }

int32_t FindIn(const AssemblerState &st, const LabelScope &scope, std::string_view text,
               uint64_t hash) {
  if (scope.buckets.empty()) {
    return 0;  // no label yet
  }
  const uint32_t tag = LinkTag(hash);
  for (int32_t i = scope.buckets[Bucket(scope, hash)]; i != 0;
       i = scope.links[static_cast<size_t>(i)].next) {
    const auto at = static_cast<size_t>(i);
    if (scope.links[at].tag == tag && SameName(st, scope.records[at], text)) {
      return i;
    }
  }
  return 0;
}

int32_t FindIn(const AssemblerState &st, const LabelScope &scope, std::string_view text) {
  return FindIn(st, scope, text, HashName(text));
}

// Rebuilds the chains over a larger bucket array once they have grown long, hashing the names
// again (in creation order, as the pool holds them). Chain order is of no consequence: a name
// occurs at most once per scope.
void GrowBuckets(const AssemblerState &st, LabelScope &scope) {
  const size_t records = scope.records.size() - 1;
  if (records <= kMaxLoad * scope.buckets.size()) {
    return;
  }
  size_t size = 0;
  for (int32_t candidate : kBucketSizes) {
    if (static_cast<size_t>(candidate) > scope.buckets.size()) {
      size = static_cast<size_t>(candidate);
      break;
    }
  }
  if (size == 0) {
    return;  // largest size reached: chains simply get longer
  }
  scope.buckets.assign(size, 0);
  for (size_t i = 1; i < scope.links.size(); ++i) {
    LabelLink &link = scope.links[i];
    const size_t bucket = Bucket(scope, HashName(NameAt(st.names, scope.records[i].name)));
    link.next = scope.buckets[bucket];
    scope.buckets[bucket] = static_cast<int32_t>(i);
  }
}

// The buckets a scope starts with: the fewest, but in the root scope enough for a quarter of
// the names that the announced source may declare, so that a large program's table is not
// rebuilt (hashing every name again) each time it doubles on the way. A quarter: the array is
// filled with zeros at once, and a program with fewer labels than guessed should not pay much.
size_t FirstBucketCount(const AssemblerState &st, const LabelScope &scope) {
  constexpr uint64_t kGuessShare = 4;
  const uint64_t names =
      scope.parent == nullptr ? st.labels.expected_bytes / kSourceBytesPerName / kGuessShare : 0;
  size_t count = static_cast<size_t>(kBucketSizes[0]);
  for (int32_t candidate : kBucketSizes) {
    if (static_cast<uint64_t>(candidate) > names) {
      break;
    }
    count = static_cast<size_t>(candidate);
  }
  return count;
}

// Adds a record for a name known to be absent from the scope, with its hash.
int32_t Insert(AssemblerState &st, LabelScope &scope, std::string_view text, uint64_t hash) {
  const int32_t name = scope.records.size() < kMaxIndex ? AddName(st.names, text) : 0;
  if (name == 0) {
    SetError(st, Msg::SyntaxError);  // the table can take no more records or names
    return 0;
  }
  if (scope.records.empty()) {
    scope.records.push_back(Label{});  // index 0 is never a record
    scope.links.push_back(LabelLink{});
    scope.buckets.assign(FirstBucketCount(st, scope), 0);
  }
  const auto index = static_cast<int32_t>(scope.records.size());
  const size_t bucket = Bucket(scope, hash);
  Label label;
  label.name = name;
  scope.records.push_back(label);
  scope.links.push_back(LabelLink{LinkTag(hash), scope.buckets[bucket]});
  scope.buckets[bucket] = index;
  GrowBuckets(st, scope);
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

// Creates a scope with the next identifier (not yet linked to a parent).
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

const LabelScope *ScopeAt(const AssemblerState &st, int32_t identifier) {
  const auto &scopes = st.labels.scopes;
  if (identifier < 0 || static_cast<size_t>(identifier) >= scopes.size()) {
    return nullptr;
  }
  return scopes[static_cast<size_t>(identifier)].get();
}

// A label's first definition; empty when its place was not kept (places are kept only when a
// message can show them, and only up to the last label noted).
LabelDefinition DefinitionIn(const LabelScope &scope, int32_t index) {
  if (index <= 0 || static_cast<size_t>(index) >= scope.definitions.size()) {
    return {};
  }
  return scope.definitions[static_cast<size_t>(index)];
}

}  // namespace

Label *FindLabelIn(AssemblerState &st, LabelScope &scope, std::string_view text) {
  const int32_t index = FindIn(st, scope, text);
  return index == 0 ? nullptr : &scope.records[static_cast<size_t>(index)];
}

bool CreateLabelTable(AssemblerState &st) {
  LabelTable &table = st.labels;
  table = LabelTable{};
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

void ExpectSourceBytes(AssemblerState &st, uint64_t bytes) {
  LabelTable &table = st.labels;
  if (table.scopes.empty()) {
    return;
  }
  // Generous guesses (a program holds about a label per 70 bytes, and names take a sixth of
  // its text; a list of labels alone, a label per 27 bytes and a third), bounded so that even
  // a huge source asks for no more than some 110 MiB of address space.
  table.expected_bytes = bytes >= kMaxExpectedBytes - table.expected_bytes
                             ? kMaxExpectedBytes
                             : table.expected_bytes + bytes;
  const size_t names = static_cast<size_t>(table.expected_bytes / kSourceBytesPerName);
  LabelScope &root = *table.scopes.front();
  if (names > root.records.capacity()) {
    root.records.reserve(names);
    root.links.reserve(names);
  }
  ReserveNames(st.names, static_cast<size_t>(table.expected_bytes / kSourceBytesPerPoolByte));
}

uint64_t HashName(std::string_view text) {
  uint64_t h = 0;
  for (char ch : text) {
    const auto c = static_cast<uint8_t>(ch);
    // (c AND 7Fh) - 16 fits a signed byte, so the sign extension is the plain difference.
    const auto x = static_cast<uint64_t>(static_cast<int64_t>(c & 0x7F) - 16);
    h = ((h << 7) | (h >> 57)) ^ x;
  }
  return h;
}

LabelSearch SearchLabel(AssemblerState &st, std::string_view text) {
  LabelSearch search;
  search.scope = st.labels.current;
  search.hash = HashName(text);
  if (search.scope != nullptr) {
    search.index = FindIn(st, *search.scope, text, search.hash);
  }
  return search;
}

int32_t FindLabel(AssemblerState &st, std::string_view text) { return SearchLabel(st, text).index; }

int32_t AddLabel(AssemblerState &st, std::string_view text) {
  return AddSearchedLabel(st, text, SearchLabel(st, text));
}

int32_t AddSearchedLabel(AssemblerState &st, std::string_view text, const LabelSearch &search) {
  LabelScope *scope = st.labels.current;
  if (scope != nullptr && search.scope != scope) {
    return AddLabel(st, text);  // searched elsewhere: search here
  }
  if (scope == nullptr || search.index != 0) {
    return 0;
  }
  return Insert(st, *scope, text, search.hash);
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
  for (LabelScope *scope = st.labels.current->parent; scope != nullptr; scope = scope->parent) {
    Label *label = FindLabelIn(st, *scope, text);
    if (label != nullptr && label->kind == kind) {
      return label;
    }
  }
  return nullptr;
}

bool CheckNoOuterUse(AssemblerState &st, std::string_view name) {
  const LabelTable &table = st.labels;
  if (table.outer_uses.empty() || table.current == nullptr || IsListingPass(st)) {
    return true;
  }
  const auto found = table.outer_uses.find({table.current->identifier, std::string(name)});
  if (found == table.outer_uses.end()) {
    return true;
  }
  const std::string text(name);
  SetError(st, Msg::OuterValueUsedEarlier, text.c_str(), PlaceName(st, found->second).c_str());
  SetErrorColumn(st, name.data());
  AddErrorNote(st, found->second, Msg::DetailOuterValueUsed, text.c_str());
  return false;
}

int32_t DeclareLabel(AssemblerState &st, std::string_view text, bool scoped) {
  return DeclareSearchedLabel(st, text, SearchLabel(st, text), scoped);
}

int32_t DeclareSearchedLabel(AssemblerState &st, std::string_view text, const LabelSearch &search,
                             bool scoped) {
  LabelScope *scope = st.labels.current;
  if (scope == nullptr) {
    SetError(st, Msg::SyntaxError);
    return 0;
  }
  if (!st.labels.outer_uses.empty() && !CheckNoOuterUse(st, text)) {
    return 0;
  }
  if (search.scope != scope) {
    return DeclareLabel(st, text, scoped);  // searched elsewhere: search here
  }
  // One hash and one search serve both the lookup and the insertion.
  int32_t index = search.index;
  if (index == 0) {
    index = Insert(st, *scope, text, search.hash);
    if (index == 0) {
      return 0;
    }
  } else {
    const Label &label = scope->records[static_cast<size_t>(index)];
    // A floating block waiting for its address has no value yet but is defined all the same.
    const bool block = (label.flags & kFloatingFlags) != 0;
    if (label.kind != kLabelUndefined || block) {
      SetError(st, Msg::AlreadyDefined, NameAt(st.names, label.name),
               MessageText(block ? Msg::KindLabel : KindName(label.kind)));
      SetErrorColumn(st, text.data());
      AddErrorNote(st, DefinitionIn(*scope, index).place, Msg::DetailFirstDefined,
                   NameAt(st.names, label.name));
      return 0;
    }
  }
  NoteDefinition(st, index, text.data());
  return scoped ? MakeScopedRef(st, index) : index;
}

int32_t MakeScopedRef(AssemblerState &st, int32_t index) {
  LabelTable &table = st.labels;
  if (table.current == nullptr || table.scoped_refs.empty() ||
      table.scoped_refs.size() >= kMaxIndex) {
    SetError(st, Msg::SyntaxError);
    return 0;
  }
  table.scoped_refs.push_back(ScopedRef{table.current->identifier, index});
  return -static_cast<int32_t>(table.scoped_refs.size() - 1);
}

void NoteDefinition(AssemblerState &st, int32_t reference, const char *name) {
  // The places are what --errors=gnu and --warn=unused say; without them none is kept.
  if (!GnuErrorStyle() && !Warns(st.options, kWarnUnused)) {
    return;
  }
  const ScopedRef home = LabelHome(st, reference);
  if (ScopeAt(st, home.scope) == nullptr || home.index <= 0) {
    return;
  }
  LabelScope &scope = *st.labels.scopes[static_cast<size_t>(home.scope)];
  const auto index = static_cast<size_t>(home.index);
  if (index >= scope.records.size()) {
    return;
  }
  if (index >= scope.definitions.size()) {
    scope.definitions.resize(scope.records.size());
  }
  LabelDefinition &definition = scope.definitions[index];
  if (definition.place.file == 0) {
    definition.place = PlaceHere(st, ColumnAt(st, name));
    definition.serial = st.labels.definitions_noted++;
  }
}

int32_t DefinitionsNoted(const AssemblerState &st) { return st.labels.definitions_noted; }

const Label *RecordAt(const AssemblerState &st, ScopedRef where) {
  const LabelScope *scope = ScopeAt(st, where.scope);
  if (scope == nullptr || where.index <= 0 ||
      static_cast<size_t>(where.index) >= scope->records.size()) {
    return nullptr;
  }
  return &scope->records[static_cast<size_t>(where.index)];
}

LabelDefinition DefinitionOf(const AssemblerState &st, ScopedRef where) {
  const LabelScope *scope = ScopeAt(st, where.scope);
  return scope == nullptr ? LabelDefinition{} : DefinitionIn(*scope, where.index);
}

ScopedRef FindDefinedOutward(AssemblerState &st, int32_t identifier, std::string_view text) {
  const LabelScope *scope = ScopeAt(st, identifier);
  for (LabelScope *outer = scope != nullptr ? scope->parent : nullptr; outer != nullptr;
       outer = outer->parent) {
    const int32_t index = FindIn(st, *outer, text);
    if (index != 0 && outer->records[static_cast<size_t>(index)].kind != kLabelUndefined) {
      return {outer->identifier, index};
    }
  }
  return {-1, 0};
}

SourcePlace ScopeOpenedAt(const AssemblerState &st, int32_t identifier) {
  const LabelScope *scope = ScopeAt(st, identifier);
  return scope != nullptr ? scope->opened : SourcePlace{};
}

const char *ScopeName(const AssemblerState &st, int32_t identifier) {
  const LabelScope *scope = ScopeAt(st, identifier);
  return scope != nullptr ? scope->name.c_str() : "";
}

ScopedRef LabelHome(const AssemblerState &st, int32_t reference) {
  const LabelTable &table = st.labels;
  if (reference < 0) {
    const auto entry = static_cast<size_t>(-static_cast<int64_t>(reference));
    return entry < table.scoped_refs.size() ? table.scoped_refs[entry] : ScopedRef{-1, 0};
  }
  return {table.current != nullptr ? table.current->identifier : -1, reference};
}

bool OpenScope(AssemblerState &st, std::string_view name) {
  LabelScope *parent = st.labels.current;
  LabelScope *scope = parent != nullptr && parent->depth >= kMaxScopeDepth ? nullptr : NewScope(st);
  if (scope == nullptr) {
    SetError(st, Msg::ScopeTooDeep);
    return false;
  }
  scope->parent = parent;
  scope->depth = parent == nullptr ? 0 : parent->depth + 1;
  scope->name = std::string(name.substr(0, kMaxScopeName));
  scope->opened = PlaceHere(st, CurrentColumn(st));
  st.labels.current = scope;
  return true;
}

bool CloseScope(AssemblerState &st) {
  LabelScope *scope = st.labels.current;
  if (scope == nullptr || scope->parent == nullptr) {
    return false;
  }
  st.labels.current = scope->parent;
  return true;
}

void EnterListedScope(AssemblerState &st) {
  ++st.labels.listing_scope_counter;
  (void)SelectScope(st, st.labels.listing_scope_counter);
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

int32_t CurrentScope(const AssemblerState &st) {
  return st.labels.current != nullptr ? st.labels.current->identifier : 0;
}

bool InNestedScope(const AssemblerState &st) {
  return st.labels.current != nullptr && st.labels.current->parent != nullptr;
}

int32_t ScopeCount(const AssemblerState &st) {
  return static_cast<int32_t>(st.labels.scopes.size());
}

int32_t ParentScope(const AssemblerState &st, int32_t identifier) {
  const LabelScope *scope = ScopeAt(st, identifier);
  return scope != nullptr && scope->parent != nullptr ? scope->parent->identifier : -1;
}

int32_t RecordCount(const AssemblerState &st, int32_t identifier) {
  const LabelScope *scope = ScopeAt(st, identifier);
  return scope != nullptr ? static_cast<int32_t>(scope->records.size()) : 0;
}

const char *QualifiedName(AssemblerState &st, int32_t index) {
  return QualifiedNameIn(st, CurrentScope(st), index);
}

void NoteConstant(AssemblerState &st, int32_t index) {
  st.labels.constants.push_back({CurrentScope(st), index});
}

const std::vector<ScopedRef> &Constants(const AssemblerState &st) { return st.labels.constants; }

const char *QualifiedNameIn(AssemblerState &st, int32_t identifier, int32_t index) {
  LabelTable &table = st.labels;
  table.qualified.clear();
  const LabelScope *in = ScopeAt(st, identifier);
  const Label *label =
      in != nullptr && index > 0 && index < static_cast<int32_t>(in->records.size())
          ? &in->records[static_cast<size_t>(index)]
          : nullptr;
  if (label == nullptr) {
    return table.qualified.c_str();
  }
  // Built from the right: the name, then each enclosing scope's name and a '.', while the
  // prefix still fits into the room left of a 256-byte text (with its NUL).
  char buffer[kQualifiedSize];
  size_t start = kQualifiedSize - 1;
  buffer[start] = '\0';
  const std::string_view name = NameAt(st.names, label->name);
  const size_t length = name.size() < start ? name.size() : start;
  start -= length;
  std::memcpy(buffer + start, name.data(), length);
  for (const LabelScope *scope = in; scope != nullptr && scope->parent != nullptr;
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
