// The label table's part of AssemblerState: scopes of label records. Its operations are those
// of src/symbols/symbols.h; no other folder reads these records but through them.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/memory.h"
#include "base/place.h"

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
  kFlagReferenced = 0x80,  // named by an expression (not DEFINED()) of the assembly pass
};
// A floating block awaiting placement: defined, though its label has no value yet.
constexpr uint8_t kFloatingFlags = kFlagPageAligned | kFlagInPage;

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

// Where a label was first defined, and how many definitions the run had noted before it.
struct LabelDefinition {
  SourcePlace place;  // file 0: not defined by a line
  int32_t serial = 0;
};

struct LabelScope {
  std::vector<Label, LargeAllocator<Label>> records;  // index 0 unused; indices follow creation
                                                      // order; empty until the first label
  std::vector<LabelLink, LargeAllocator<LabelLink>> links;  // by record index
  // By record index: where each was first defined, kept under --errors=gnu and --warn=unused
  // only (shorter than the records: the records beyond were not noted).
  std::vector<LabelDefinition> definitions;
  std::vector<int32_t, LargeAllocator<int32_t>> buckets;  // hash chain heads; none until the first
                                                          // label, grows when chains get long
  LabelScope *parent = nullptr;
  LabelScope *next = nullptr;  // next scope in creation order
  int32_t identifier = 0;      // creation serial; root is 0
  int32_t depth = 0;           // number of enclosing scopes; root is 0
  std::string name;            // label that opened the scope (at most 63 characters)
  SourcePlace opened;          // the line that opened it
};

// Where a label record lives: its scope's identifier and its index there.
struct ScopedRef {
  int32_t scope = 0;
  int32_t index = 0;
};

struct LabelTable {
  std::vector<std::unique_ptr<LabelScope>> scopes;  // indexed by identifier; [0] is the root
  LabelScope *current = nullptr;
  std::vector<ScopedRef> scoped_refs;  // entry 0 unused
  int32_t listing_scope_counter = 0;   // listing pass: PROC openings met so far
  uint64_t expected_bytes = 0;         // source bytes announced by ExpectSourceBytes
  int32_t definitions_noted = 0;       // label definitions noted so far
  std::string qualified;               // result buffer of QualifiedName
  std::vector<ScopedRef> constants;    // the records EQU defined, in order (for debuggers)
  // Names whose value a statement took at once from an enclosing scope, by the scope that
  // took it (and each scope between it and the one that served): where it was taken. The name
  // may not be defined in those scopes afterwards.
  std::map<std::pair<int32_t, std::string>, SourcePlace> outer_uses;
};
