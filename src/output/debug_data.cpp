// What debuggers are told about a program: its labels, and the source-level debug data (SLD)
// that maps every statement's first byte back to its file and line.
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "output/output.h"
#include "symbols/symbols.h"

namespace {

// The memory of a plain 64 KiB machine without banks, as the debugger expects it: one page of
// 64 KiB (declared as one of 32) in one slot at 0000h.
constexpr char kMemoryModel[] = "pages.size:65536,pages.count:32,slots.count:1,slots.adr:0";
// The comment keywords a debugger may look for in the sources.
constexpr char kKeywords[] = "WPMEM,LOGPOINT,ASSERTION";

// Records by scope, then by index.
bool Before(ScopedRef a, ScopedRef b) {
  return a.scope != b.scope ? a.scope < b.scope : a.index < b.index;
}

bool IsConstant(const std::vector<ScopedRef> &sorted_constants, ScopedRef where) {
  return std::binary_search(sorted_constants.begin(), sorted_constants.end(), where, Before);
}

std::vector<ScopedRef> SortedConstants(const AssemblerState &st) {
  std::vector<ScopedRef> constants = Constants(st);
  std::sort(constants.begin(), constants.end(), Before);
  return constants;
}

// A label a debugger is told about: defined in its own scope (not a name only looked up in an
// enclosing one) and not anonymous.
bool Shown(const AssemblerState &st, const Label &label) {
  return label.kind == kLabelDefined && (label.flags & kFlagFromOuter) == 0 &&
         NameAt(st.names, label.name)[0] != '@';
}

// A field of an SLD line cannot hold the field separator or a line end.
bool FitsSldField(std::string_view text) {
  return text.find_first_of("|\r\n") == std::string_view::npos;
}

void PutSldPlace(std::string &out, std::string_view file, int32_t line) {
  out += file;
  out += '|';
  out += std::to_string(line);
  out += "||0|";
}

}  // namespace

std::vector<DebugLabel> DebugLabels(AssemblerState &st) {
  const std::vector<ScopedRef> constants = SortedConstants(st);
  std::vector<DebugLabel> labels;
  for (int32_t scope = 0; scope < ScopeCount(st); ++scope) {
    ForEachLabelIn(st, scope, [&](int32_t index, const Label &label) {
      if (!Shown(st, label)) {
        return;
      }
      labels.push_back({QualifiedNameIn(st, scope, index), label.value,
                        IsConstant(constants, {scope, index}),
                        (label.flags & kFlagRedefinable) != 0});
    });
  }
  return labels;
}

bool BuildSldFile(AssemblerState &st, const std::vector<TraceEvent> &trace,
                  std::string_view first_source, std::string &text, std::string &unwritable) {
  const std::vector<ScopedRef> constants = SortedConstants(st);
  std::string out = "|SLD.data.version|1\n||K|KEYWORDS|";
  out += kKeywords;
  out += '\n';
  if (!FitsSldField(first_source)) {
    unwritable = first_source;
    return false;
  }
  PutSldPlace(out, first_source, 1);
  out += "-1|-1|Z|";
  out += kMemoryModel;
  out += '\n';
  for (const TraceEvent &event : trace) {
    const std::string_view file = NameAt(st.names, event.file);
    if (!FitsSldField(file)) {
      unwritable = file;
      return false;
    }
    if (event.kind == TraceKind::Statement) {
      PutSldPlace(out, file, event.line);
      out += "0|";
      out += std::to_string(event.value & 0xFFFF);
      out += "|T|\n";
      continue;
    }
    const ScopedRef where{event.value, event.index};
    const Label *label = RecordAt(st, where);
    if (label == nullptr || !Shown(st, *label) || (label->flags & kFlagRedefinable) != 0) {
      continue;  // a '=' label has no one value to show
    }
    const std::string name = QualifiedNameIn(st, where.scope, where.index);
    if (name.find(',') != std::string::npos || !FitsSldField(name)) {
      unwritable = name;
      return false;
    }
    const bool constant = IsConstant(constants, where);
    PutSldPlace(out, file, event.line);
    out += constant ? "-1|" : "0|";
    out += std::to_string(label->value);
    // The label's scope names and its own: the debugger joins the parts with '.'.
    const size_t dot = name.rfind('.');
    out += "|L|,";
    if (dot == std::string::npos) {
      out += name;
      out += ',';
    } else {
      out += std::string_view(name).substr(0, dot);
      out += ',';
      out += std::string_view(name).substr(dot + 1);
      out += ",+local";
    }
    if (constant) {
      out += ",+equ";
    }
    out += '\n';
  }
  text = std::move(out);
  return true;
}
