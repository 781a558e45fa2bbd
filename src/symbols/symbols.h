// Label table: scopes of label records, the name pool and scope-independent references.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

struct AssemblerState;

// Label kinds.
enum : uint8_t {
  kLabelUndefined = 0,  // mentioned before its definition, or a floating block awaiting placement
  kLabelDefined = 1,
  kLabelMacro = 2,
  kLabelReported = 0xFF,  // unresolved and already reported
};

// Label flags.
enum : uint8_t {
  kFlagRedefinable = 0x01,     // made by '='
  kFlagFromOuter = 0x02,       // value taken from an enclosing scope at resolution
  kFlagListingReached = 0x04,  // definition reached in the listing pass
  kFlagGlobal = 0x08,          // defined with '::'
  kFlagPageAligned = 0x10,     // floating PAGE_ALIGNED block awaiting placement
  kFlagInPage = 0x20,          // floating IN_PAGE-only block awaiting placement
  // Given its value by the resolution pass, not by its line (an EQU of a forward reference,
  // a label inside a floating block): DEFINED() was 0 for it all through the assembly pass,
  // so the listing pass never counts its definition as reached either.
  kFlagDefinedLate = 0x40,
};

// A name as the table compares it: names of up to kShortName characters are held whole in two
// words (zero-padded, the length in the last byte), so that a lookup compares two words and
// never reads the pool; a longer name is marked by kLongName in the last byte and compared
// with its text in the pool.
inline constexpr size_t kShortName = 15;
inline constexpr uint8_t kLongName = 0xFF;
struct NameKey {
  uint64_t words[2] = {0, 0};
};

// A label record: 32 bytes, so that two fit a cache line.
struct Label {
  NameKey key;       // the name, or the long-name mark
  int32_t name = 0;  // offset into the name pool
  uint16_t value = 0;
  uint8_t kind = kLabelUndefined;
  uint8_t flags = 0;
  int32_t block_size = 0;  // floating block label: the block's length
  uint32_t body = 0;       // macro: TextStore offset of the body's first line (0 = empty)
};

// One place of a scope's open-addressing index: the record's lookup hash and its index (0 =
// empty).
struct LabelSlot {
  uint32_t hash = 0;
  int32_t index = 0;
};

// A scope's records by index, in blocks of 4, 8, 16, ... records that never move: growth
// copies nothing, and never holds an old and a new array at once. A scope without labels holds
// no block.
class LabelRecords {
 public:
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  Label &operator[](size_t index) { return At(index); }
  const Label &operator[](size_t index) const { return At(index); }
  void push_back(const Label &label);

 private:
  static constexpr size_t kFirstBlock = 4;  // a power of two
  static constexpr size_t kFirstBits = std::bit_width(kFirstBlock);
  struct Free {
    void operator()(Label *block) const { ::operator delete(block); }
  };
  using Block = std::unique_ptr<Label, Free>;
  // Block b holds the records whose index + kFirstBlock has its top bit at 2^(b + 2).
  Label &At(size_t index) const {
    const size_t shifted = index + kFirstBlock;
    const size_t block = static_cast<size_t>(std::bit_width(shifted)) - kFirstBits;
    return blocks_[block].get()[shifted - (kFirstBlock << block)];
  }
  std::unique_ptr<Block[]> blocks_;  // as many as the size needs
  size_t size_ = 0;
};

struct LabelScope {
  LabelRecords records;          // index 0 unused; indices follow creation order; empty
                                 // until the first label
  std::vector<LabelSlot> slots;  // a power of two long, at most half full; none until the
                                 // first label
  LabelScope *parent = nullptr;
  LabelScope *next = nullptr;  // next scope in creation order
  int32_t identifier = 0;      // creation serial; root is 0
  std::string name;            // label that opened the scope (at most 63 characters)
};

struct ScopedRef {
  int32_t scope = 0;
  int32_t index = 0;
};

struct LabelTable {
  std::vector<char> pool;                           // NUL-terminated names; offset 0 is none
  std::vector<std::unique_ptr<LabelScope>> scopes;  // indexed by identifier; [0] is the root
  LabelScope *current = nullptr;
  std::vector<ScopedRef> scoped_refs;  // entry 0 unused
  int32_t listing_scope_counter = 0;   // listing pass: PROC openings met so far
  std::string qualified;               // result buffer of QualifiedName
};

[[nodiscard]] bool CreateLabelTable(AssemblerState &st);
void FreeLabelTable(AssemblerState &st);

// Appends a name to the pool; returns its offset (0 on failure).
int32_t AddName(AssemblerState &st, std::string_view text);
// The NUL-terminated name stored at a pool offset.
const char *NameAt(const AssemblerState &st, int32_t offset);

// The rotate-and-xor 32-bit hash of a name.
uint32_t HashName(std::string_view text);
// The hash that places a name in a scope's index (multiplicative, over whole words).
uint32_t LookupHash(std::string_view text);
// LookupHash of a record's name.
uint32_t LabelHash(const AssemblerState &st, const Label &label);

// Looks a name up in the current scope only; 0 when absent.
int32_t FindLabel(AssemblerState &st, std::string_view text);
// Looks a name up in the given scope only; nullptr when absent.
Label *FindLabelIn(AssemblerState &st, LabelScope &scope, std::string_view text);
// Adds a new zeroed record to the current scope; 0 when the name exists already.
int32_t AddLabel(AssemblerState &st, std::string_view text);
// The record a label reference names, or nullptr.
Label *LabelAt(AssemblerState &st, int32_t reference);
// Searches the enclosing scopes (not the current one) for a record of the given kind.
Label *FindLabelOutward(AssemblerState &st, std::string_view text, uint8_t kind);
// Finds or creates a name for a definition; fails (0, message set) when already defined.
// With scoped, returns a negative scope-independent reference.
int32_t DeclareLabel(AssemblerState &st, std::string_view text, bool scoped);
// Appends a scope-independent reference to record index of the current scope; returns -entry.
int32_t MakeScopedRef(AssemblerState &st, int32_t index);

// Creates a scope with the next identifier (not yet linked to a parent).
LabelScope *NewScope(AssemblerState &st);
// Makes a new scope, child of the current one, current; its name is the opening label's.
LabelScope *OpenScope(AssemblerState &st, std::string_view name);
[[nodiscard]] bool SelectScope(AssemblerState &st, int32_t identifier);
void SelectRootScope(AssemblerState &st);

// Display name of record index of the current scope: enclosing scope names joined by '.'.
const char *QualifiedName(AssemblerState &st, int32_t index);
