// Macros and REPT: their definition lines, the arguments of a macro call and the replay of an
// expansion. The bodies are captured, and REPT bodies repeated, by the line loop.
#include <algorithm>
#include <iterator>
#include <string_view>

#include "base/text.h"
#include "lexer/lexer.h"
#include "source/reader.h"
#include "source/source.h"
#include "symbols/symbols.h"

namespace {

constexpr int kReptNameSize = 9;  // "?R?" and five serial characters, with the NUL

// The anonymous labels of declared macros' expansions take serials from kExpansionSerials on,
// a range of kExpansionRange for each depth of expansion. The serials below stay the source's
// own (those of undeclared macros too, which share the families of the line that calls them):
// more labels of one family than any source defines.
constexpr int32_t kExpansionSerials = 0x30000000;
constexpr int32_t kExpansionRange = 0x04000000;
static_assert(kExpansionSerials + kMaxMacroDepth * kExpansionRange - 1 == 0x3FFFFFFF,
              "the ranges end with the largest serial a local label's name holds");

// Makes a label record an empty macro.
void MakeMacro(Label &label) {
  label.kind = kLabelMacro;
  label.value = 0;
  label.body = 0;
}

// Gives a declared macro's expansion anonymous-label families of its own, the caller's counters
// kept in saved. Each expansion at a depth goes on in its depth's range where the one before
// stopped, one serial further: that serial, never defined, is what an @B before its first
// definition names (and an @F after the last definition of the expansion before), so neither
// reaches a label of another expansion.
void EnterOwnFamilies(AssemblerState &st, int32_t (&saved)[kLocalFamilies]) {
  DeclaredNames &names = st.pass.declared;
  const int32_t depth = names.depth++;
  const int32_t base = kExpansionSerials + depth * kExpansionRange;
  for (int f = 0; f < kLocalFamilies; ++f) {
    saved[f] = st.pass.local_counters[f];
    st.pass.local_counters[f] = base + names.used[depth][f] + 1;
  }
}

// Notes what the expansion used of its range and gives the caller its counters back.
void LeaveOwnFamilies(AssemblerState &st, const int32_t (&saved)[kLocalFamilies]) {
  DeclaredNames &names = st.pass.declared;
  const int32_t depth = --names.depth;
  const int32_t base = kExpansionSerials + depth * kExpansionRange;
  for (int f = 0; f < kLocalFamilies; ++f) {
    names.used[depth][f] = std::min(st.pass.local_counters[f] - base, kExpansionRange - 2);
    st.pass.local_counters[f] = saved[f];
  }
}

}  // namespace

void CollectMacroArguments(AssemblerState &st, std::string_view rest, SourceContext &ctx) {
  std::fill(std::begin(ctx.args), std::end(ctx.args), 0u);
  const char *p = rest.data();
  for (int n = 0; n < kMacroArguments; ++n) {
    while (IsBlank(*p)) {
      ++p;
    }
    if (*p == ';') {
      break;
    }
    const char *start = p;
    const char *stop = nullptr;
    while (*p != '\0' && *p != ',') {
      if (!IsBlank(*p)) {
        ++p;
        continue;
      }
      const char *after = p;
      while (IsBlank(*after)) {
        ++after;
      }
      if (*after == ';' || *after == '\0') {
        stop = p;
        p = after;
        break;
      }
      p = after;
    }
    if (stop == nullptr) {
      stop = p;
    }
    if (stop > start) {
      ctx.args[n] = AppendText(st.text, std::string_view(start, static_cast<size_t>(stop - start)));
    }
    if (*p != ',') {
      break;
    }
    ++p;
  }
}

// name MACRO [parameter [= text] [, parameter [= text]]...]
bool DefineMacro(AssemblerState &st, std::string_view name) {
  st.source.pending_macro.reset();
  if (IsListingPass(st)) {
    // The assembly pass made the macro; its definition line only passes the body over.
    const Label *label = LabelAt(st, FindLabel(st, name));
    if (label != nullptr && label->kind == kLabelMacro) {
      SetOperand(st, name);
      return true;
    }
  }
  const int32_t reference = DeclareLabel(st, name, false);
  if (reference == 0) {
    return false;
  }
  MakeMacro(*LabelAt(st, reference));
  SetOperand(st, name);
  st.source.context->capturing_rept = false;
  if (OnlyCommentFollows(st)) {
    return true;
  }
  // A faulty parameter list is reported here; the body is captured all the same, so that its
  // lines are not assembled as the file's, and a call of the macro fails.
  DeclaredMacro &macro = st.source.pending_macro.emplace();
  if (!ReadParameterList(st, macro)) {
    ReportStatementError(st);
    macro.broken = true;
  }
  return true;
}

// REPT count
bool DefineRept(AssemblerState &st) {
  SourceContext &ctx = *st.source.context;
  if (ctx.repeat != 0) {
    SetError(st, Msg::ReptInRept);
    return false;
  }
  // Both passes generate the same names in the same order, so the listing pass finds the
  // bodies the assembly pass captured.
  char name[kReptNameSize] = "?R?";
  EncodeSerial(name + 3, st.pass.rept_counter++);
  name[kReptNameSize - 1] = '\0';
  if (!IsListingPass(st)) {
    const int32_t reference = DeclareLabel(st, name, false);
    if (reference == 0) {
      return false;
    }
    MakeMacro(*LabelAt(st, reference));
  }
  SetOperand(st, name);

  int32_t count = 0;
  if (!EvaluateKnown(st, count)) {
    return false;
  }
  if (!OnlyCommentFollows(st)) {
    SetError(st, Msg::NothingMayFollow, "REPT");
    return false;
  }
  // The count is kept only for a block that is actually captured; a negative count repeats
  // the body no time at all, like 0.
  ctx.repeat = std::max(count, 0);
  ctx.capturing_rept = true;
  return true;
}

// Expands a macro called at column of the line: its arguments, then its body replayed in a
// context of its own.
bool InvokeMacro(AssemblerState &st, uint32_t body, int32_t name, int32_t column) {
  if (st.pass.macro_depth >= kMaxMacroDepth) {
    SetError(st, Msg::MacroNestTooDeep);
    return false;
  }
  SourceContext *caller = st.source.context;
  SourceContext expansion;
  expansion.file_name = caller->file_name;
  expansion.replay = body;
  expansion.caller = caller;
  expansion.caller_line = caller->line;
  expansion.caller_column = column;
  expansion.macro_name = name;
  if (const auto found = st.source.macro_origins.find(body);
      found != st.source.macro_origins.end()) {
    expansion.body_file = found->second.file;
    expansion.body_line = found->second.line;
  }
  const auto found = st.source.declared_macros.find(body);
  const DeclaredMacro *declared =
      found != st.source.declared_macros.end() ? &found->second : nullptr;
  const uint32_t mark = st.text.used;
  const std::string_view rest = RestOfLine(st);
  if (declared == nullptr) {
    CollectMacroArguments(st, rest, expansion);
  } else if (BindDeclaredArguments(st, *declared, name, column, expansion)) {
    // The LOCAL lines are passed over; the lines after them keep their numbers in the body.
    expansion.replay = declared->replay;
    expansion.line = 1 + declared->passed_lines;
  } else {
    ReleaseTextFrom(st.text, mark);
    return false;
  }
  const uint32_t arguments_end = st.text.used;
  ++st.pass.macro_depth;

  int32_t caller_counters[kLocalFamilies] = {};
  if (declared != nullptr) {
    EnterOwnFamilies(st, caller_counters);
  }
  const FileResult result = body != 0 ? RunLineLoop(st, expansion) : FileResult::EndOfInput;
  if (declared != nullptr) {
    LeaveOwnFamilies(st, caller_counters);
  }
  st.source.context = caller;
  // Nothing after the arguments is assembled: the scan resumes at the end of the line.
  ResumeLineScan(st, caller->text, rest.data() + rest.size(), &caller->conditional);
  // The arguments end with the expansion. They stay only when something stored after them
  // must stay too: a macro defined in a file the body included, or a REPT body kept for the
  // listing run.
  if (st.text.used == arguments_end) {
    ReleaseTextFrom(st.text, mark);
  }
  if (st.pass.macro_depth > 0) {
    --st.pass.macro_depth;
  }
  if (result != FileResult::EndOfInput) {
    SetError(st, Msg::MacroExpansionFailed);
    st.diag.error_column = column;
    return false;
  }
  return true;
}
