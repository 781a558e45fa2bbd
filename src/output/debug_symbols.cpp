// The symbol files for emulators and debuggers: "NAME EQU 0NNNNH" lines, NoICE "DEF" lines,
// and the MAME debugger script that shows every label beside its address.
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "output/output.h"

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

// Four upper-case hexadecimal digits.
void PutHex4(std::string &out, uint16_t value) {
  for (int shift = 12; shift >= 0; shift -= 4) {
    out += kHexDigits[(value >> shift) & 0xF];
  }
}

// Upper-case hexadecimal digits without leading zeros ("0" for zero).
void PutHexShort(std::string &out, uint16_t value) {
  int shift = 12;
  while (shift > 0 && ((value >> shift) & 0xF) == 0) {
    shift -= 4;
  }
  for (; shift >= 0; shift -= 4) {
    out += kHexDigits[(value >> shift) & 0xF];
  }
}

bool IsBlankOrControl(char c) {
  const auto byte = static_cast<uint8_t>(c);
  return byte <= ' ' || byte == 0x7F;
}

bool IsPlainIdentifierChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

// True when a reader that takes the name as the run of bytes up to the next blank gets it back
// whole: not empty, no blank or control byte in it.
bool IsOneToken(std::string_view name) {
  return !name.empty() && std::none_of(name.begin(), name.end(), IsBlankOrControl);
}

// A "NAME EQU value" reader skips a line whose first byte is ';' or '#', and keeps a trailing
// ':' as part of the name.
bool IsEquName(std::string_view name) {
  return IsOneToken(name) && name.front() != ';' && name.front() != '#' && name.back() != ':';
}

// The labels kept, in table order.
template <typename Keep>
std::vector<const DebugLabel *> Kept(const std::vector<DebugLabel> &labels, Keep keep) {
  std::vector<const DebugLabel *> kept;
  for (const DebugLabel &label : labels) {
    if (keep(label)) {
      kept.push_back(&label);
    }
  }
  return kept;
}

// By name in unsigned byte order (std::string compares chars as unsigned), equal names in
// table order.
void SortByName(std::vector<const DebugLabel *> &kept) {
  std::stable_sort(kept.begin(), kept.end(),
                   [](const DebugLabel *a, const DebugLabel *b) { return a->name < b->name; });
}

void SortByValue(std::vector<const DebugLabel *> &kept) {
  std::stable_sort(kept.begin(), kept.end(), [](const DebugLabel *a, const DebugLabel *b) {
    return a->value != b->value ? a->value < b->value : a->name < b->name;
  });
}

// NAME EQU 0NNNNH: EQU constants as well as addresses, since the debugger takes both as values.
// A '=' label is left out (only its last value is known), and so is a name the reader would
// skip or misread.
std::string EquFile(const std::vector<DebugLabel> &labels) {
  std::vector<const DebugLabel *> kept = Kept(
      labels, [](const DebugLabel &label) { return !label.redefinable && IsEquName(label.name); });
  SortByName(kept);
  std::string out;
  for (const DebugLabel *label : kept) {
    out += label->name;
    out += " EQU 0";
    PutHex4(out, label->value);
    out += "H\n";
  }
  return out;
}

// DEF NAME 0xN: the linker's spelling, upper-case digits without leading zeros.
std::string NoiFile(const std::vector<DebugLabel> &labels) {
  std::vector<const DebugLabel *> kept = Kept(
      labels, [](const DebugLabel &label) { return !label.redefinable && IsOneToken(label.name); });
  SortByValue(kept);
  std::string out;
  for (const DebugLabel *label : kept) {
    out += "DEF ";
    out += label->name;
    out += " 0x";
    PutHexShort(out, label->value);
    out += '\n';
  }
  return out;
}

// A name as text within the double quotes of a debugger command parameter, where ',' and ';'
// are text: a '"' cannot be escaped there and a control byte would end the line, so both are
// dropped; a '\' at the end could escape the closing quote, so trailing ones are dropped too.
std::string QuotableText(std::string_view name) {
  std::string text;
  for (char c : name) {
    if (c != '"' && (c == ' ' || !IsBlankOrControl(c))) {
      text += c;
    }
  }
  while (!text.empty() && text.back() == '\\') {
    text.pop_back();
  }
  return text;
}

// The comment parameter of the names at one address: a single plain identifier as it is,
// anything else in double quotes, the names joined by ", ". Empty when nothing is left.
std::string CommentParameter(const std::vector<std::string_view> &names) {
  if (names.size() == 1 && !names[0].empty() &&
      std::all_of(names[0].begin(), names[0].end(), IsPlainIdentifierChar)) {
    return std::string(names[0]);
  }
  std::string text;
  for (std::string_view name : names) {
    const std::string part = QuotableText(name);
    if (!part.empty()) {
      text += text.empty() ? "" : ", ";
      text += part;
    }
  }
  return text.empty() ? text : '"' + text + '"';
}

// The MAME debugger script:
//   focus CPU
//   comadd NNNN,NAME    one per address of labels, by address; its names by name
//   bp NNNN:CPU         one per breakpoint, in the given order, each address once
//   go
// MAME keeps one comment per address (a second comadd replaces the first), so the labels of an
// address share one comment. No line starts with '#' (MAME runs it as a command). An empty CPU
// tag leaves the commands to the CPU the debugger shows first.
std::string MameScript(const std::vector<DebugLabel> &labels, const MameScriptSettings &mame) {
  std::string out;
  if (!mame.cpu.empty()) {
    out += "focus " + mame.cpu + '\n';
  }
  std::vector<const DebugLabel *> kept =
      Kept(labels, [](const DebugLabel &label) { return !label.constant && !label.redefinable; });
  SortByValue(kept);
  for (size_t first = 0; first < kept.size();) {
    const uint16_t address = kept[first]->value;
    std::vector<std::string_view> names;
    for (; first < kept.size() && kept[first]->value == address; ++first) {
      names.push_back(kept[first]->name);
    }
    const std::string comment = CommentParameter(names);
    if (comment.empty()) {
      continue;  // MAME refuses an empty comment
    }
    out += "comadd ";
    PutHex4(out, address);
    out += ',' + comment + '\n';
  }
  std::vector<uint16_t> set;
  for (uint16_t address : mame.breakpoints) {
    if (std::find(set.begin(), set.end(), address) != set.end()) {
      continue;
    }
    set.push_back(address);
    out += "bp ";
    PutHex4(out, address);
    if (!mame.cpu.empty()) {
      out += ':' + mame.cpu;
    }
    out += '\n';
  }
  out += "go\n";
  return out;
}

}  // namespace

std::string SymbolFileText(const std::vector<DebugLabel> &labels, SymbolFormat format,
                           const MameScriptSettings &mame) {
  switch (format) {
    case SymbolFormat::Equ:
      return EquFile(labels);
    case SymbolFormat::Noi:
      return NoiFile(labels);
    case SymbolFormat::Mame:
      return MameScript(labels, mame);
  }
  return {};
}
