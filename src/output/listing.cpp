// The listings: the label list (.lst) and the symbol file (.sym), made from the label table,
// and the lines of the assemble list (.als) that the listing run appends statement by statement.
#include <algorithm>
#include <cstring>
#include <map>
#include <utility>
#include <vector>

#include "base/text.h"
#include "output/output.h"
#include "symbols/symbols.h"

namespace {

constexpr size_t kLineLimit = 255;  // a listing line holds at most 255 characters
constexpr size_t kTextColumn = 24;  // where the source text begins
constexpr int32_t kBytesPerLine = 4;
constexpr size_t kBlanksBeforeText = 5;  // after the fourth byte column
// "AAAA", four blanks and the byte columns "B0 B1 B2 B3" come before those blanks.
static_assert(4 + 4 + 3 * kBytesPerLine - 1 + kBlanksBeforeText == kTextColumn);
// With the T-states column (--cycles) the text moves on by a tab stop, so that tabs in it line
// up as before; the column's longer path is right-aligned two characters wide.
constexpr size_t kTimedTextColumn = 32;
constexpr size_t kBlanksBeforeCycles = 2;
constexpr int kCycleDigits = 2;
constexpr int kSymbolsPerLine = 4;

void PutHex(std::string &out, uint32_t value, int digits) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) {
    out += kDigits[(value >> shift) & 0xF];
  }
}

// A decimal number, padded with blanks on the left to at least width characters.
void PutDecimal(std::string &out, int32_t value, int width = 0) {
  const std::string digits = std::to_string(value);
  if (digits.size() < static_cast<size_t>(width)) {
    out.append(static_cast<size_t>(width) - digits.size(), ' ');
  }
  out += digits;
}

// The T-states column, " 4", "12/7", "21/16", empty for a line without instructions, then the
// blanks up to the text at kTimedTextColumn (one at least) of the line that begins at start.
void PutCycleColumn(std::string &out, size_t start, const CycleColumn &cycles) {
  out.append(kBlanksBeforeCycles, ' ');
  if (cycles.instructions > 0) {
    PutDecimal(out, cycles.taken, kCycleDigits);
    if (cycles.two_paths) {
      out += '/';
      PutDecimal(out, cycles.not_taken);
    }
  }
  const size_t column = out.size() - start;
  out.append(column < kTimedTextColumn ? kTimedTextColumn - column : 1, ' ');
}

bool IsShiftJisLead(char c) {
  const auto byte = static_cast<uint8_t>(c);
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// The length of text cut to at most room bytes, never between the two bytes of a Shift-JIS
// character.
size_t CutLength(std::string_view text, size_t room) {
  if (text.size() <= room) {
    return text.size();
  }
  size_t length = 0;
  while (length < room) {
    const size_t width = IsShiftJisLead(text[length]) ? 2 : 1;
    if (length + width > room) {
      break;
    }
    length += width;
  }
  return length;
}

// "NAME<tabs>": two tabs for names of up to 7 characters, one for 8 to 15, a blank beyond.
void PutPaddedName(std::string &out, const char *name) {
  out += name;
  const size_t tabs = 2 - std::min<size_t>(std::strlen(name) / 8, 2);
  if (tabs > 0) {
    out.append(tabs, '\t');
  } else {
    out += ' ';
  }
}

// A label the label list shows: its index in its scope, its own name and its value.
struct ListedLabel {
  int32_t index = 0;
  const char *name = nullptr;
  uint16_t value = 0;
};

// The labels of a scope that the label list shows, sorted by their own names in unsigned byte
// order (equal names keep their table order).
std::vector<ListedLabel> ListedLabels(const AssemblerState &st, int32_t scope,
                                      const LabelListFilter &filter) {
  std::vector<ListedLabel> kept;
  ForEachLabelIn(st, scope, [&](int32_t index, const Label &label) {
    const char *name = NameAt(st.names, label.name);
    if (label.kind != kLabelDefined || (label.flags & kFlagFromOuter) != 0 || name[0] == '@' ||
        (filter.global_only && (label.flags & kFlagGlobal) == 0) ||
        !std::string_view(name).starts_with(filter.prefix)) {
      return;
    }
    kept.push_back({index, name, label.value});
  });
  std::stable_sort(kept.begin(), kept.end(), [](const ListedLabel &a, const ListedLabel &b) {
    return std::strcmp(a.name, b.name) < 0;
  });
  return kept;
}

// The T-states of the instructions from an address label to the next: how many there are, and
// the sums of their shorter and of their longer paths.
struct LabelCycles {
  int32_t instructions = 0;
  int32_t shortest = 0;
  int32_t longest = 0;
};
using LabelKey = std::pair<int32_t, int32_t>;  // scope and record index
using CycleTotals = std::map<LabelKey, LabelCycles>;

// True for a label that starts a run of code: one defined at an address by a name of its own,
// not a constant (EQU, in sorted_constants), a '=' label or an anonymous local label.
bool StartsCode(const AssemblerState &st, const std::vector<LabelKey> &sorted_constants,
                const TimingEvent &event) {
  const Label *label = RecordAt(st, {event.scope, event.index});
  return label != nullptr && (label->flags & kFlagRedefinable) == 0 &&
         NameAt(st.names, label->name)[0] != '@' &&
         !std::binary_search(sorted_constants.begin(), sorted_constants.end(),
                             LabelKey{event.scope, event.index});
}

// The totals of the address labels. The run of each ends at the next address label in source
// order: that is the code written under it, even where an ORG moves back or a floating block
// is placed elsewhere. Constants, '=' labels and local labels within a run do not end it.
CycleTotals TotalsOf(const AssemblerState &st, const std::vector<TimingEvent> &timing) {
  std::vector<LabelKey> constants;
  for (const ScopedRef &constant : Constants(st)) {
    constants.emplace_back(constant.scope, constant.index);
  }
  std::sort(constants.begin(), constants.end());
  CycleTotals totals;
  LabelCycles *current = nullptr;  // the run under way; nullptr before the first label
  for (const TimingEvent &event : timing) {
    if (!event.label) {
      if (current != nullptr) {
        current->instructions += 1;
        current->shortest += std::min(event.taken, event.not_taken);
        current->longest += std::max(event.taken, event.not_taken);
      }
    } else if (StartsCode(st, constants, event)) {
      current = &totals[{event.scope, event.index}];
      *current = LabelCycles{};
    }
  }
  return totals;
}

// "\t; 45 T-states", or "\t; 38-45 T-states" when the shorter paths take less time.
void PutLabelCycles(std::string &out, const LabelCycles &cycles) {
  out += "\t; ";
  PutDecimal(out, cycles.shortest);
  if (cycles.longest != cycles.shortest) {
    out += '-';
    PutDecimal(out, cycles.longest);
  }
  out += " T-states";
}

}  // namespace

void AppendListingLine(AssembleList &list, int32_t address, const uint8_t *image, int32_t first,
                       int32_t end, std::string_view text, const CycleColumn *cycles) {
  text = text.substr(0, text.find_last_not_of(kBlanks) + 1);  // npos + 1 is 0: all blank
  std::string &out = list.text;
  const uint32_t at = static_cast<uint32_t>(address) & 0xFFFF;
  if (text.empty()) {
    // A run of empty lines shows once, as its address alone.
    if (!list.previous_empty) {
      PutHex(out, at, 4);
      out += '\n';
      list.previous_empty = true;
    }
    return;
  }
  list.previous_empty = false;

  // AAAA    B0 B1 B2 B3     text
  // AAAA    B0 B1 B2 B3  TT/tt   text       (--cycles)
  const int32_t count = first >= 0 && end > first ? end - first : 0;
  const size_t start = out.size();
  PutHex(out, at, 4);
  out.append(4, ' ');
  for (int32_t i = 0; i < kBytesPerLine; ++i) {
    if (i < count) {
      PutHex(out, image[first + i], 2);
    } else {
      out.append(2, ' ');
    }
    if (i < kBytesPerLine - 1) {
      out += ' ';
    }
  }
  if (cycles != nullptr) {
    PutCycleColumn(out, start, *cycles);
  } else {
    out.append(kBlanksBeforeText, ' ');
  }
  const size_t column = out.size() - start;
  out.append(text.substr(0, CutLength(text, column < kLineLimit ? kLineLimit - column : 0)));
  out += '\n';

  // The rest of the bytes, four to a line: AAAA    B4 B5 B6 B7
  for (int32_t shown = kBytesPerLine; shown < count; shown += kBytesPerLine) {
    PutHex(out, (at + static_cast<uint32_t>(shown)) & 0xFFFF, 4);
    out.append(3, ' ');
    for (int32_t i = shown; i < count && i < shown + kBytesPerLine; ++i) {
      out += ' ';
      PutHex(out, image[first + i], 2);
    }
    out += '\n';
  }
}

std::string BuildLabelList(AssemblerState &st, const LabelListFilter &filter,
                           const std::vector<TimingEvent> *timing) {
  const CycleTotals totals = timing != nullptr ? TotalsOf(st, *timing) : CycleTotals{};
  std::string out;
  // Scopes in creation order, the root first.
  const int32_t scopes = filter.all_scopes ? ScopeCount(st) : 1;
  for (int32_t scope = 0; scope < scopes; ++scope) {
    for (const ListedLabel &label : ListedLabels(st, scope, filter)) {
      PutPaddedName(out, QualifiedNameIn(st, scope, label.index));
      out += "EQU\t0";
      PutHex(out, label.value, 4);
      out += 'H';
      if (const auto found = totals.find({scope, label.index});
          found != totals.end() && found->second.instructions > 0) {
        PutLabelCycles(out, found->second);
      }
      out += '\n';
    }
  }
  return out;
}

std::string BuildSymbolFile(AssemblerState &st) {
  std::string out;
  int written = 0;
  constexpr int32_t kRoot = 0;
  ForEachLabelIn(st, kRoot, [&](int32_t index, const Label &label) {
    if (label.kind != kLabelDefined || (label.flags & (kFlagRedefinable | kFlagFromOuter)) != 0 ||
        NameAt(st.names, label.name)[0] == '@') {
      return;
    }
    PutHex(out, label.value, 4);
    out += ' ';
    out += QualifiedNameIn(st, kRoot, index);
    out += '\t';
    if (++written % kSymbolsPerLine == 0) {
      out += "\r\n";
    }
  });
  return out;
}
