// The source reader: the line loop that hands each line to the statement assembler and acts on
// the results that concern files and bodies (INCLUDE, BINCLUDE, the capture of MACRO and REPT
// bodies and the repetition of a REPT), the source files of the command line and the -D text.
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "assembler/assembler.h"
#include "lexer/lexer.h"
#include "source/reader.h"
#include "source/source.h"
#include "symbols/symbols.h"

namespace {

// A body holds REPT blocks nested at most three deep.
constexpr int32_t kMaxReptNesting = 4;

// ---- Body capture ----------------------------------------------------------------------------

enum class LineScan { Open, Closed, Failed };

struct BodyLineScan {
  LineScan result = LineScan::Open;
  bool lone_endm = false;  // the line holds the closing ENDM and nothing else but a comment
  Msg problem = Msg::MacroInMacro;  // Failed: why
  int32_t column = 0;               // Failed: the column of the word at fault
};

// The nesting scan of one captured line: counts the REPT blocks opened and closed inside the
// body and finds the ENDM that closes it. Every token counts, wherever it stands on the line,
// except text in quotes, which is data. The line is only looked at: it is scanned apart from
// the conditionals, and the scan and the local labels' counters are given back afterwards, so
// that the replay names its local labels exactly as a plain source would.
BodyLineScan ScanBodyLine(AssemblerState &st, const char *line) {
  const ScanMark mark = MarkScan(st);
  BeginLineScan(st, line, nullptr);
  BodyLineScan found;
  bool line_end = false;
  int tokens = 0;
  while (found.result == LineScan::Open && !line_end) {
    const std::string_view before = RestOfLine(st);
    Token token;
    if (!TryScanToken(st, token)) {
      // Text that forms no token (Shift-JIS outside quotes, a malformed number) is passed over.
      if (RestOfLine(st).data() == before.data()) {
        if (before.empty()) {
          break;
        }
        TakeChar(st);
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
        SkipPastQuote(st, '\'');
        break;
      case kDoubleQuote:
        SkipPastQuote(st, '"');
        break;
      case kEndm:
        if (st.source.capture_nesting == 0) {
          found.result = LineScan::Closed;
          found.lone_endm = tokens == 1 && OnlyCommentFollows(st);
        } else {
          --st.source.capture_nesting;
        }
        break;
      case kRept:
        if (++st.source.capture_nesting >= kMaxReptNesting) {
          found.result = LineScan::Failed;
          found.problem = Msg::ReptNestTooDeep;
          found.column = ColumnAt(st, token.start);
        }
        break;
      case kMacro:
        found.result = LineScan::Failed;
        found.problem = Msg::MacroInMacro;
        found.column = ColumnAt(st, token.start);
        break;
      default:
        break;
    }
  }
  RewindScan(st, mark);
  return found;
}

// Replays a REPT body count times in a copy of ctx that keeps its file name and macro
// arguments, and names ctx and the REPT line as its caller. Each repetition starts with an
// empty conditional state and numbers its lines within the body from 1, so a message names the
// same line in every repetition. False when a repetition does not run to the end of the body.
bool ReplayRept(AssemblerState &st, SourceContext &ctx, uint32_t body, int32_t rept_line,
                int32_t rept_column) {
  SourceContext copy;
  copy.file_name = ctx.file_name;
  copy.caller = &ctx;
  copy.caller_line = rept_line;
  copy.caller_column = rept_column;
  // The body follows the REPT line, where that line was written.
  if (ctx.caller != nullptr) {
    copy.body_file = ctx.body_file;
    copy.body_line = ctx.body_line + rept_line;
  } else {
    copy.body_file = ctx.file_name;
    copy.body_line = rept_line;
  }
  std::copy(std::begin(ctx.args), std::end(ctx.args), std::begin(copy.args));
  while (ctx.repeat > 0) {
    ++copy.repetition;
    copy.line = 1;
    copy.replay = body;
    copy.conditional = ConditionalStack{};
    copy.repeat = 0;
    copy.read_failed = false;
    const FileResult result = RunLineLoop(st, copy);
    st.source.context = &ctx;
    if (result != FileResult::EndOfInput) {
      return false;
    }
    --ctx.repeat;
  }
  return true;
}

}  // namespace

CaptureResult CaptureBody(AssemblerState &st, SourceContext &ctx) {
  const bool listing = IsListingPass(st);
  const int32_t header_line = ctx.line;
  const int32_t header_column = ctx.operand_column;
  const int32_t index = FindLabel(st, ctx.operand);
  CountLine(ctx);  // the MACRO or REPT line itself
  st.source.capture_nesting = 0;
  // A REPT body is of no use once repeated, unless the listing run replays it: then it is
  // released after its repetitions, so that a REPT inside a macro called again and again does
  // not fill the store.
  const bool release = ctx.capturing_rept && !listing && !ListingRunFollows(st.options);
  // A macro that declares its parameters is stored with its record, which the LOCAL lines at
  // the head of its body complete.
  std::optional<DeclaredMacro> declared;
  if (!ctx.capturing_rept && !listing) {
    declared = std::move(st.source.pending_macro);
  }
  st.source.pending_macro.reset();
  ctx.capturing_rept = false;
  const uint32_t mark = st.text.used;

  // Each line is stored exactly as read; the first one starts the body.
  uint32_t first = 0;
  bool first_line = true;
  bool head = declared.has_value();  // only LOCAL lines, blank lines and comments so far
  int32_t stored_lines = 0;
  LineScan scan = LineScan::Open;
  char line[kLineCapacity];
  while (scan == LineScan::Open && ReadLine(st, ctx, line)) {
    const BodyLineScan found = ScanBodyLine(st, line);
    scan = found.result;
    if (scan == LineScan::Failed && !listing) {
      ReportLineUnchecked(st, ctx.line, found.column, found.problem);
    }
    LocalLine kind = LocalLine::Other;
    if (head) {
      kind = ReadLocalLine(st, line, *declared);
      if (kind == LocalLine::Failed) {
        ReportStatementError(st);
        declared->broken = true;
      }
      head = kind != LocalLine::Other;
    }
    // A body whose first line is its lone closing ENDM stays empty; a declared macro's body
    // holds it, so that its record has a body to be found by.
    const bool empty_body = first_line && found.lone_endm && !declared.has_value();
    first_line = false;
    if (!listing && !empty_body) {
      const uint32_t offset = AppendText(st.text, line);
      if (first == 0) {
        first = offset;
      }
      ++stored_lines;
      if (kind == LocalLine::Local || kind == LocalLine::Failed) {
        declared->replay = offset + static_cast<uint32_t>(std::strlen(line)) + 1;
        declared->passed_lines = stored_lines;
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
      ReportAtLine(st, header_line, header_column, Msg::NoMatchingEndm);
    }
    ctx.repeat = 0;
    ReleaseTextFrom(st.text, mark);  // no label names a body that failed
    return CaptureResult::Failed;
  }

  Label *label = LabelAt(st, index);
  uint32_t body = 0;
  const bool broken = declared.has_value() && declared->broken;
  if (label != nullptr && label->kind == kLabelMacro) {
    if (!listing && !release) {
      label->body = first;
      label->value = static_cast<uint16_t>(first);
      if (ctx.repeat == 0 && first != 0) {
        st.source.macro_origins[first] =
            ctx.caller != nullptr ? BodyOrigin{ctx.body_file, ctx.body_line + header_line}
                                  : BodyOrigin{ctx.file_name, header_line};
      }
      if (declared.has_value() && first != 0) {
        if (declared->replay == 0) {
          declared->replay = first;
        }
        st.source.declared_macros.insert_or_assign(first, std::move(*declared));
      }
    }
    body = listing ? label->body : first;
  }
  const bool ok = body == 0 || ReplayRept(st, ctx, body, header_line, header_column);
  ctx.repeat = 0;
  // What the repetitions stored (macro arguments) they have released again; anything else
  // stored since (a macro defined in an included file) must stay, and the body with it.
  if (release && st.text.used == body_end) {
    ReleaseTextFrom(st.text, mark);
  }
  // A declared macro whose MACRO or LOCAL line failed counts one error against its MACRO line.
  return ok && !broken ? CaptureResult::Captured : CaptureResult::ReplayFailed;
}

namespace {

// ---- Files -----------------------------------------------------------------------------------

bool IncludeSource(AssemblerState &st);

// Assembles a source file opened under name (top-level, or included by the current context).
bool AssembleOpenFile(AssemblerState &st, FILE *file, const char *name) {
  ++st.source.include_depth;
  SourceContext *outer = st.source.context;
  SourceContext ctx;
  ctx.file_name = AddName(st.names, name);
  ctx.file = file;
  if (outer != nullptr) {
    ctx.includer = outer;
    ctx.include_line = outer->line;
    ctx.include_column = outer->operand_column;
  }
  struct stat info {};
  if (!IsListingPass(st) && fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode)) {
    ExpectSourceBytes(st, static_cast<uint64_t>(info.st_size));
    ExpectFixupsForSource(st, static_cast<uint64_t>(info.st_size));
  }
  auto reader = std::make_unique<LineReader>();
  ctx.reader = reader.get();
  const FileResult result = RunLineLoop(st, ctx);
  std::fclose(file);
  if (result == FileResult::EndOfInput && st.source.include_depth == 1) {
    // Under --errors=gnu the warning points at the last line.
    ReportAtLine(st, std::max(ctx.line - 1, 1), 0, Msg::EofBeforeEnd);
  }
  st.source.context = outer;  // ctx ends here
  --st.source.include_depth;
  return result != FileResult::Failed;
}

// Assembles the source file that INCLUDE names in the current context, found as OpenIncluded
// finds it; the file is then known by the path that opened.
bool IncludeSource(AssemblerState &st) {
  const SourceContext &ctx = *st.source.context;
  std::string opened;
  std::string searched;
  FILE *file = OpenIncluded(st, ctx, "r", opened, searched);
  if (file == nullptr) {
    if (st.source.open_reported) {
      return false;
    }
    ReportAtLineDetailed(st, ctx.line, ctx.operand_column,
                         FormatMessage(Msg::DetailSearched, searched.c_str()),
                         Msg::CannotOpenSource, ctx.operand);
    return false;
  }
  return AssembleOpenFile(st, file, opened.c_str());
}

// The statements a -D text cannot hold, by the result they give: each needs a file or the
// lines that follow it, and the -D text is one line of its own.
struct DefineRefusal {
  StatementResult result;
  const char *keyword;
};
constexpr DefineRefusal kDefineRefusals[] = {
    {kResultEnd,        "END"       },
    {kResultInclude,    "INCLUDE"   },
    {kResultBinclude,   "BINCLUDE"  },
    {kResultBlockStart, "MACRO/REPT"},
};

// At the end of a file or the -D text (not of a body, which its expansion reads): every
// conditional it opened and did not close is an error at the line of its IF, the outermost
// first; their number.
int32_t ReportOpenConditionals(AssemblerState &st, const SourceContext &ctx) {
  if (ctx.caller != nullptr) {
    return 0;
  }
  const ConditionalStack &conditional = ctx.conditional;
  for (int32_t level = 0; level < conditional.depth; ++level) {
    ReportAtLine(st, conditional.opened_at[level], conditional.opened_column[level],
                 Msg::IfWithoutEndif);
  }
  return conditional.depth;
}

// Counts a line (or a repetition) of a macro or REPT body. Past the limit the run stops, said
// once, at the line that called or repeated the body: a REPT count of billions (whose bytes,
// in an OFFSET section, never fill the image) would otherwise run for hours. False then.
bool CountBodyLine(AssemblerState &st) {
  constexpr int64_t kMaxBodyLines = int64_t{1} << 22;
  if (++st.pass.body_lines <= kMaxBodyLines) {
    return true;
  }
  if (!st.pass.abandoned) {
    Report(st, Msg::TooManyBodyLines, static_cast<int32_t>(kMaxBodyLines));
    st.pass.abandoned = true;
  }
  return false;
}

}  // namespace

FileResult RunLineLoop(AssemblerState &st, SourceContext &ctx) {
  st.source.context = &ctx;
  char buffer[kLineCapacity];
  const char *line = nullptr;
  int32_t errors = 0;
  if (ctx.caller != nullptr && !CountBodyLine(st)) {
    return FileResult::Failed;  // a repetition counts even when its body is empty
  }
  while (!st.pass.abandoned && (line = NextLine(st, ctx, buffer)) != nullptr) {
    if (ctx.caller != nullptr && !CountBodyLine(st)) {
      return FileResult::Failed;
    }
    ctx.text = line;
    ctx.conditional.line = ctx.line;
    switch (AssembleLine(st, line, ctx)) {
      case kResultError:
        ++errors;
        CountLine(ctx);
        break;
      case kResultOk:
        CountLine(ctx);
        break;
      case kResultEnd:
        errors += ReportOpenConditionals(st, ctx) + ctx.cut_lines;
        return errors > 0 ? FileResult::Failed : FileResult::EndedByEnd;
      case kResultInclude:
        if (st.source.include_depth >= kMaxIncludeDepth) {
          Report(st, Msg::IncludeTooDeep);
          st.pass.abandoned = true;
          return FileResult::Failed;
        }
        if (!IncludeSource(st)) {
          return FileResult::Failed;
        }
        CountLine(ctx);
        break;
      case kResultBlockStart:
        switch (CaptureBody(st, ctx)) {
          case CaptureResult::Captured:
            break;
          case CaptureResult::ReplayFailed:
            ++errors;
            break;
          case CaptureResult::Failed:
            return FileResult::Failed;
        }
        break;
      case kResultBinclude:
        if (!IncludeBinary(st)) {
          return FileResult::Failed;
        }
        CountLine(ctx);
        break;
    }
  }
  if (ctx.read_failed || st.pass.abandoned) {
    return FileResult::Failed;
  }
  errors += ReportOpenConditionals(st, ctx) + ctx.cut_lines;
  return errors > 0 ? FileResult::Failed : FileResult::EndOfInput;
}

bool AssembleSourceFile(AssemblerState &st, const char *name) {
  // name may point into the TextStore, which the file's macro bodies and arguments grow and
  // move: it is read only before the first line, and the name pool's copy serves afterwards.
  FILE *file = OpenInput(st, name, "r");
  if (file == nullptr) {
    // --errors=gnu adds the system's reason, unless the file does not exist.
    const int error = errno;
    if (!st.source.open_reported) {
      const std::string detail =
          error == ENOENT ? std::string()
                          : FormatMessage(Msg::DetailSystemReason, name, std::strerror(error));
      ReportAtLineDetailed(st, kCurrentLine, CurrentColumn(st), detail, Msg::CannotOpenSource,
                           name);
    }
    return false;
  }
  return AssembleOpenFile(st, file, name);
}

bool AssembleDefine(AssemblerState &st, const char *text, int32_t number) {
  SourceContext ctx;
  ctx.file_name = AddName(st.names, kDefineFileName);
  ctx.line = number;
  SourceContext *outer = st.source.context;
  st.source.context = &ctx;
  // A name alone defines it as 1 (a line of a name alone assembles nothing but an error).
  const char *value = IsPlainName(text) ? "=1" : "";
  const std::string whole = std::string(text) + value;
  bool ok = false;
  if (whole.size() >= kLineCapacity) {
    Report(st, Msg::ReplayLineTooLong);
  } else {
    char line[kLineCapacity];
    std::memcpy(line, whole.c_str(), whole.size() + 1);
    ctx.text = line;
    ctx.conditional.line = ctx.line;
    const StatementResult result = AssembleLine(st, line, ctx);
    for (const DefineRefusal &refusal : kDefineRefusals) {
      if (result == refusal.result) {
        Report(st, Msg::NotInDefine, refusal.keyword);
      }
    }
    ok = result == kResultOk && ReportOpenConditionals(st, ctx) == 0;
  }
  st.source.context = outer;
  return ok;
}

void SetOperand(AssemblerState &st, std::string_view text) {
  SourceContext &ctx = *st.source.context;
  const size_t length = std::min(text.size(), sizeof ctx.operand - 1);
  std::memcpy(ctx.operand, text.data(), length);
  ctx.operand[length] = '\0';
  ctx.operand_column = CurrentColumn(st);
}
