// Label table: scopes of label records, the name pool and scope-independent references.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "driver/memory.h"

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

struct Label {
  int32_t name = 0;  // offset into the name pool
  uint16_t value = 0;
  uint8_t kind = kLabelUndefined;
  uint8_t flags = 0;
  uint32_t body = 0;  // macro: TextStore offset of the body's first line (0 = empty)
};

// A record's place in its hash chain, kept apart from the records so that a search walks a
// dense array: it reads a record only when the hash matches.
struct LabelLink {
  uint32_t tag = 0;  // the record name's HashName, folded to 32 bits
  int32_t next = 0;  // next record in the same hash chain; 0 ends it
};

struct LabelScope {
  std::vector<Label, LargeAllocator<Label>> records;  // index 0 unused; indices follow creation
                                                      // order; empty until the first label
  std::vector<LabelLink, LargeAllocator<LabelLink>> links;  // by record index
  std::vector<int32_t, LargeAllocator<int32_t>> buckets;  // hash chain heads; none until the first
                                                          // label, grows when chains get long
  LabelScope *parent = nullptr;
  LabelScope *next = nullptr;  // next scope in creation order
  int32_t identifier = 0;      // creation serial; root is 0
  int32_t depth = 0;           // number of enclosing scopes; root is 0
  std::string name;            // label that opened the scope (at most 63 characters)
};

struct ScopedRef {
  int32_t scope = 0;
  int32_t index = 0;
};

struct LabelTable {
  std::vector<char, LargeAllocator<char>> pool;     // NUL-terminated names; offset 0 is none
  std::vector<std::unique_ptr<LabelScope>> scopes;  // indexed by identifier; [0] is the root
  LabelScope *current = nullptr;
  std::vector<ScopedRef> scoped_refs;  // entry 0 unused
  int32_t listing_scope_counter = 0;   // listing pass: PROC openings met so far
  uint64_t expected_bytes = 0;         // source bytes announced by ExpectSourceBytes
  std::string qualified;               // result buffer of QualifiedName
};

[[nodiscard]] bool CreateLabelTable(AssemblerState &st);
void FreeLabelTable(AssemblerState &st);

// Makes room in the name pool and the root scope for the labels that a source file of this
// many bytes may declare, so that those tables need not move (copying themselves) as they
// grow. Room never written costs address space only.
void ExpectSourceBytes(AssemblerState &st, uint64_t bytes);

// Appends a name to the pool; returns its offset (0 on failure).
int32_t AddName(AssemblerState &st, std::string_view text);
// The NUL-terminated name stored at a pool offset.
const char *NameAt(const AssemblerState &st, int32_t offset);

// The hash of a name: each character's (c AND 7Fh) - 16 XORed in after a rotation by 7 bits,
// so that the last nine characters of a name never overlap and names that differ only in a
// serial number land in neighbouring buckets. bucket = hash % bucket count (13 at a scope's
// first label).
uint64_t HashName(std::string_view text);

// A name looked up in the current scope: its record index (0 when absent) and its hash, so
// that a declaration or an insertion that follows at once neither hashes nor searches again.
struct LabelSearch {
  int32_t index = 0;
  uint64_t hash = 0;
  const LabelScope *scope = nullptr;  // the scope searched
};
LabelSearch SearchLabel(AssemblerState &st, std::string_view text);

// Looks a name up in the current scope only; 0 when absent.
int32_t FindLabel(AssemblerState &st, std::string_view text);
// Looks a name up in the given scope only; nullptr when absent.
Label *FindLabelIn(AssemblerState &st, LabelScope &scope, std::string_view text);
// Adds a new zeroed record to the current scope; 0 when the name exists already.
int32_t AddLabel(AssemblerState &st, std::string_view text);
// AddLabel for a name that search (of the current scope, nothing added since) found absent.
int32_t AddSearchedLabel(AssemblerState &st, std::string_view text, const LabelSearch &search);
// The record a label reference names, or nullptr.
Label *LabelAt(AssemblerState &st, int32_t reference);
// Searches the enclosing scopes (not the current one) for a record of the given kind.
Label *FindLabelOutward(AssemblerState &st, std::string_view text, uint8_t kind);
// Finds or creates a name for a definition; fails (0, message set) when already defined.
// With scoped, returns a negative scope-independent reference.
int32_t DeclareLabel(AssemblerState &st, std::string_view text, bool scoped);
// DeclareLabel for a name just looked up by search (of the current scope, nothing added since).
int32_t DeclareSearchedLabel(AssemblerState &st, std::string_view text, const LabelSearch &search,
                             bool scoped);
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
