// The listings: the label list (.lst) and the symbol file (.sym), made from the label table,
// and the lines of the assemble list (.als) that the listing run appends statement by statement.
#include <algorithm>
#include <cstring>
#include <vector>

#include "base/text.h"
#include "output/output.h"
#include "symbols/symbols.h"

namespace {

constexpr size_t kLineLimit = 255;  // a listing line holds at most 255 characters
constexpr size_t kTextColumn = 24;  // where the source text begins
constexpr int32_t kBytesPerLine = 4;
constexpr size_t kBlanksBeforeText = 5;  // after the fourth byte column
constexpr int kSymbolsPerLine = 4;

void PutHex(std::string &out, uint32_t value, int digits) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) {
    out += kDigits[(value >> shift) & 0xF];
  }
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

}  // namespace

void AppendListingLine(AssembleList &list, int32_t address, const uint8_t *image, int32_t first,
                       int32_t end, std::string_view text) {
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
  const int32_t count = first >= 0 && end > first ? end - first : 0;
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
  out.append(kBlanksBeforeText, ' ');
  out.append(text.substr(0, CutLength(text, kLineLimit - kTextColumn)));
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

std::string BuildLabelList(AssemblerState &st, const LabelListFilter &filter) {
  std::string out;
  // Scopes in creation order, the root first.
  const int32_t scopes = filter.all_scopes ? ScopeCount(st) : 1;
  for (int32_t scope = 0; scope < scopes; ++scope) {
    for (const ListedLabel &label : ListedLabels(st, scope, filter)) {
      PutPaddedName(out, QualifiedNameIn(st, scope, label.index));
      out += "EQU\t0";
      PutHex(out, label.value, 4);
      out += "H\n";
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
