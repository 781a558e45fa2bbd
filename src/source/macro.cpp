// Macros and REPT: definitions, body capture with its nesting scan, argument collection and
// the replay of expansions and repetitions.
#include <algorithm>
#include <cstring>
#include <iterator>

#include "driver/state.h"

namespace {

constexpr int32_t kMaxMacroDepth = 4;   // expansions nest at most four deep
constexpr int32_t kMaxReptNesting = 4;  // a body holds REPT blocks nested at most three deep
constexpr int kMaxArguments = 9;
constexpr int kReptNameSize = 9;  // "?R?" and five serial characters, with the NUL

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// True when nothing but blanks or a comment is left on the line.
bool OnlyCommentFollows(AssemblerState &st) { return !SkipBlanks(st) || *st.scan.pos == '\0'; }

void SetOperand(SourceContext &ctx, std::string_view name) {
  size_t length = std::min(name.size(), sizeof ctx.operand - 1);
  std::memcpy(ctx.operand, name.data(), length);
  ctx.operand[length] = '\0';
}

// Makes a label record an empty macro.
void MakeMacro(Label &label) {
  label.kind = kLabelMacro;
  label.value = 0;
  label.body = 0;
}

enum class LineScan { Open, Closed, Failed };

struct BodyLineScan {
  LineScan result = LineScan::Open;
  bool lone_endm = false;  // the line holds the closing ENDM and nothing else but a comment
};

// Moves the scan past quoted text whose opening quote has just been taken.
void SkipQuoted(AssemblerState &st, char quote) {
  const char *close = std::strchr(st.scan.pos, quote);
  st.scan.pos = close != nullptr ? close + 1 : st.scan.pos + std::strlen(st.scan.pos);
}

// The nesting scan of one captured line: counts the REPT blocks opened and closed inside the
// body and finds the ENDM that closes it. Every token counts, wherever it stands on the line,
// except text in quotes, which is data. quiet suppresses the messages (listing pass).
BodyLineScan ScanBodyLine(AssemblerState &st, const SourceContext &ctx, const char *line,
                          bool quiet) {
  // The line is only looked at: the scan runs in a scratch context without conditional state,
  // and the scan position and the local-label counters are given back afterwards, so that
  // the replay names its local labels exactly as a plain source would.
  SourceContext scratch;
  SourceContext *saved_context = st.context;
  const ScanState saved_scan = st.scan;
  st.context = &scratch;
  st.scan.pos = line;
  st.scan.lookahead_end = line;

  LineScan result = LineScan::Open;
  bool line_end = false;
  bool lone_endm = false;
  int tokens = 0;
  while (result == LineScan::Open && !line_end) {
    const char *before = st.scan.pos;
    Token token;
    if (!ScanToken(st, token)) {
      // Text that forms no token (Shift-JIS outside quotes, a malformed number) is passed over.
      if (st.scan.pos == before) {
        if (*before == '\0') {
          break;
        }
        ++st.scan.pos;
      }
      continue;
    }
    ++tokens;
    switch (token.kind) {
      case kEndOfLine:
      case kSkippedLine:
        line_end = true;
        break;
      case kQuote:
        SkipQuoted(st, '\'');
        break;
      case kDoubleQuote:
        SkipQuoted(st, '"');
        break;
      case kEndm:
        if (st.capture_nesting == 0) {
          result = LineScan::Closed;
          lone_endm = tokens == 1 && (!SkipBlanks(st) || *st.scan.pos == '\0');
        } else {
          --st.capture_nesting;
        }
        break;
      case kRept:
        if (++st.capture_nesting >= kMaxReptNesting) {
          if (!quiet) {
            PrintErrorLine(st, PlaceOf(st, ctx, ctx.line), Msg::ReptNestTooDeep,
                           NameAt(st, ctx.file_name), ctx.line);
          }
          result = LineScan::Failed;
        }
        break;
      case kMacro:
        if (!quiet) {
          PrintErrorLine(st, PlaceOf(st, ctx, ctx.line), Msg::MacroInMacro,
                         NameAt(st, ctx.file_name), ctx.line);
        }
        result = LineScan::Failed;
        break;
      default:
        break;
    }
  }
  st.scan = saved_scan;
  st.context = saved_context;
  ClearError(st);
  return {result, lone_endm};
}

// Replays a REPT body count times in a copy of ctx that keeps its file name, listing file
// and macro arguments, and names ctx and the REPT line as its caller. Each repetition starts with
// an empty conditional state and numbers its lines within the body from 1, so a message names the
// same line in every repetition. False when a repetition does not run to the end of the body.
bool ReplayRept(AssemblerState &st, SourceContext &ctx, uint32_t body, int32_t rept_line) {
  SourceContext copy;
  copy.file_name = ctx.file_name;
  copy.listing = ctx.listing;
  copy.caller = &ctx;
  copy.caller_line = rept_line;
  std::copy(std::begin(ctx.args), std::end(ctx.args), std::begin(copy.args));
  while (ctx.repeat > 0) {
    ++copy.repetition;
    copy.line = 1;
    copy.replay = body;
    copy.if_state = kIfNone;
    copy.if_depth = 0;
    copy.repeat = 0;
    copy.read_failed = false;
    FileResult result = RunLineLoop(st, copy);
    st.context = &ctx;
    if (result != FileResult::EndOfInput) {
      return false;
    }
    --ctx.repeat;
  }
  return true;
}

}  // namespace

// name MACRO
bool DefineMacro(AssemblerState &st, std::string_view name) {
  SourceContext &ctx = *st.context;
  if (IsListingPass(st)) {
    // The assembly pass made the macro; its definition line only passes the body over.
    int32_t index = FindLabel(st, name);
    Label *label = LabelAt(st, index);
    if (label != nullptr && label->kind == kLabelMacro) {
      SetOperand(ctx, name);
      return true;
    }
  }
  int32_t reference = DeclareLabel(st, name, false);
  if (reference == 0) {
    return false;
  }
  MakeMacro(*LabelAt(st, reference));
  SetOperand(ctx, name);
  ctx.capturing_rept = false;
  if (!OnlyCommentFollows(st)) {
    SetErrorFormat(st, Msg::NothingMayFollow, "MACRO");
    return false;
  }
  return true;
}

// REPT count
bool DefineRept(AssemblerState &st) {
  SourceContext &ctx = *st.context;
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
    int32_t reference = DeclareLabel(st, name, false);
    if (reference == 0) {
      return false;
    }
    MakeMacro(*LabelAt(st, reference));
  }
  SetOperand(ctx, name);

  if (!EvaluateExpression(st)) {
    return false;
  }
  if (!st.expr.known) {
    SetError(st, Msg::ValueUndetermined);
    return false;
  }
  int32_t count = st.expr.postfix.values[0];
  if (!OnlyCommentFollows(st)) {
    SetErrorFormat(st, Msg::NothingMayFollow, "REPT");
    return false;
  }
  // The count is kept only for a block that is actually captured; a negative count repeats
  // the body no time at all, like 0.
  ctx.repeat = std::max(count, 0);
  ctx.capturing_rept = true;
  return true;
}

// Captures a MACRO or REPT body after its definition line, then repeats a REPT.
CaptureResult CaptureBody(AssemblerState &st, SourceContext &ctx) {
  const bool listing = IsListingPass(st);
  const int32_t header_line = ctx.line;
  const int32_t index = FindLabel(st, ctx.operand);
  CountLine(ctx);  // the MACRO or REPT line itself
  st.capture_nesting = 0;
  // A REPT body is of no use once repeated, unless the listing run replays it: then it is
  // released after its repetitions, so that a REPT inside a macro called again and again does
  // not fill the store.
  const bool release = ctx.capturing_rept && !listing && !st.options.assemble_list;
  ctx.capturing_rept = false;
  const uint32_t mark = st.text.used;

  // Each line is stored exactly as read; the first one starts the body. In the listing pass
  // the bodies of the assembly pass are used and nothing is stored.
  uint32_t first = 0;
  bool first_line = true;
  LineScan scan = LineScan::Open;
  char line[kLineCapacity];
  while (scan == LineScan::Open && ReadLine(st, ctx, line)) {
    BodyLineScan found = ScanBodyLine(st, ctx, line, listing);
    scan = found.result;
    // A body whose first line is its lone closing ENDM stays empty.
    bool empty_body = first_line && found.lone_endm;
    first_line = false;
    if (!listing && !empty_body) {
      uint32_t offset = AppendText(st.text, line);
      if (first == 0) {
        first = offset;
      }
    }
    CountLine(ctx);
  }
  if (!listing) {
    (void)AppendText(st.text, "");  // the end mark: the body must not run on into what follows
  }
  const uint32_t body_end = st.text.used;
  if (scan != LineScan::Closed) {
    if (scan == LineScan::Open && !ctx.read_failed) {
      PrintErrorLine(st, PlaceOf(st, ctx, header_line), Msg::NoMatchingEndm,
                     NameAt(st, ctx.file_name), header_line);
    }
    ctx.repeat = 0;
    ReleaseTextFrom(st.text, mark);  // no label names a body that failed
    return CaptureResult::Failed;
  }

  Label *label = LabelAt(st, index);
  uint32_t body = 0;
  if (label != nullptr && label->kind == kLabelMacro) {
    if (!listing && !release) {
      label->body = first;
      label->value = static_cast<uint16_t>(first);
    }
    body = listing ? label->body : first;
  }
  bool ok = body == 0 || ReplayRept(st, ctx, body, header_line);
  ctx.repeat = 0;
  // What the repetitions stored (macro arguments) they have released again; anything else
  // stored since (a macro defined in an included file) must stay, and the body with it.
  if (release && st.text.used == body_end) {
    ReleaseTextFrom(st.text, mark);
  }
  return ok ? CaptureResult::Captured : CaptureResult::ReplayFailed;
}

// Splits the rest of an invocation line into the argument slots of ctx.
void CollectMacroArguments(AssemblerState &st, SourceContext &ctx) {
  std::fill(std::begin(ctx.args), std::end(ctx.args), 0u);
  const char *p = st.scan.pos;
  for (int n = 0; n < kMaxArguments; ++n) {
    while (IsBlank(*p)) {
      ++p;
    }
    if (*p == ';') {
      p += std::strlen(p);
      break;
    }
    // The argument runs to the next comma or the end of the line. Blanks followed by a
    // comment or by the end of the line end it; blanks before a comma belong to it.
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
        p = after + std::strlen(after);
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
  st.scan.pos = p;
}

// Expands a macro: its arguments, then its body replayed in a context of its own.
bool InvokeMacro(AssemblerState &st, uint32_t body, int32_t name) {
  if (st.pass.macro_depth >= kMaxMacroDepth) {
    SetError(st, Msg::MacroNestTooDeep);
    return false;
  }
  SourceContext *caller = st.context;
  SourceContext expansion;
  expansion.file_name = caller->file_name;
  expansion.listing = caller->listing;
  expansion.replay = body;
  expansion.caller = caller;
  expansion.caller_line = caller->line;
  expansion.macro_name = name;
  ++st.pass.macro_depth;
  const uint32_t mark = st.text.used;
  CollectMacroArguments(st, expansion);
  const uint32_t arguments_end = st.text.used;

  // Nothing after the arguments is assembled: the scan resumes at the end of the line.
  const char *line_end = st.scan.pos + std::strlen(st.scan.pos);
  FileResult result = body != 0 ? RunLineLoop(st, expansion) : FileResult::EndOfInput;
  st.context = caller;
  st.scan.pos = line_end;
  st.scan.lookahead_end = line_end;
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
    return false;
  }
  ClearError(st);
  return true;
}
