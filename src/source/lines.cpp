// Line reading: the lines of a file cut out of large blocks, and the lines of a replayed body
// with their macro arguments put in.
#include <cstdio>
#include <cstring>

#include "lexer/lexer.h"
#include "source/reader.h"
#include "source/source.h"

namespace {

const char *FileNameOf(const AssemblerState &st, const SourceContext &ctx) {
  return NameAt(st.names, ctx.file_name);
}

// A replayed line being put together in a line buffer.
struct LineBuilder {
  char (&buffer)[kLineCapacity];
  size_t length = 0;
  // False when the piece would not fit in a line.
  bool Append(const char *piece, size_t size) {
    if (length + size > kLineCapacity - 1) {
      return false;
    }
    std::memcpy(buffer + length, piece, size);
    length += size;
    return true;
  }
  bool AppendStored(const AssemblerState &st, uint32_t offset) {
    uint32_t unused = 0;
    const char *text = ReadText(st.text, offset, unused);
    return text == nullptr || Append(text, std::strlen(text));
  }
};

// Appends the text from begin to end, replacing %1..%9 by the macro arguments and noting the
// first one the call left empty. False when the result would not fit in a line.
bool AppendWithArguments(const AssemblerState &st, SourceContext &ctx, LineBuilder &out,
                         const char *begin, const char *end) {
  const char *p = begin;
  for (;;) {
    const auto *percent =
        static_cast<const char *>(std::memchr(p, '%', static_cast<size_t>(end - p)));
    if (percent == nullptr) {
      break;
    }
    if (!out.Append(p, static_cast<size_t>(percent - p))) {
      return false;
    }
    const char next = percent + 1 < end ? percent[1] : '\0';
    if (next >= '1' && next <= '9') {
      uint32_t unused = 0;
      const char *argument = ReadText(st.text, ctx.args[next - '1'], unused);
      if (argument != nullptr && !out.Append(argument, std::strlen(argument))) {
        return false;
      }
      if ((argument == nullptr || *argument == '\0') && ctx.empty_argument == 0) {
        ctx.empty_argument = next - '0';
      }
      p = percent + 2;
    } else {
      if (!out.Append("%", 1)) {
        return false;
      }
      p = percent + 1;
    }
  }
  return out.Append(p, static_cast<size_t>(end - p));
}

// Copies a stored body line into buffer, replacing %1..%9 by the macro arguments; in the
// expansion of a declared macro also each word the macro declares (a parameter or a LOCAL
// name) by its text. A word is a name as the tokenizer reads the line: no part of a longer
// name, of a number, of a text in quotes or of the comment. The inserted texts are not read
// again. False when the result would not fit in a line.
bool SubstituteArguments(AssemblerState &st, SourceContext &ctx, const char *text,
                         char (&buffer)[kLineCapacity]) {
  ctx.empty_argument = 0;
  LineBuilder out{buffer};
  const char *copied = text;  // the text before it is in the buffer
  bool ok = true;
  if (ctx.declared != nullptr) {
    // The line is only looked at: its scan and the local labels' counters are given back.
    const ScanMark mark = MarkScan(st);
    BeginLineScan(st, text, nullptr);
    const char *failed_at = nullptr;
    for (Token token; ok;) {
      if (!TryScanToken(st, token)) {
        if (token.start == failed_at) {
          TakeChar(st);  // text that forms no token is passed over
        }
        failed_at = token.start;
        continue;
      }
      if (token.kind == kEndOfLine) {
        break;
      }
      if (token.kind == kQuote || token.kind == kDoubleQuote) {
        SkipPastQuote(st, token.kind == kQuote ? '\'' : '"');
        continue;
      }
      if ((token.kind != kIdentifier || token.local_form != LocalForm::None) &&
          !IsRegisterWord(token.kind)) {
        continue;
      }
      const auto &words = ctx.declared->words;
      const auto found =
          words.find(std::string_view(token.start, static_cast<size_t>(token.length)));
      if (found == words.end()) {
        continue;
      }
      ok = AppendWithArguments(st, ctx, out, copied, token.start) &&
           out.AppendStored(st, ctx.words[static_cast<size_t>(found->second)]);
      copied = token.start + token.length;
    }
    RewindScan(st, mark);
  }
  ok = ok && AppendWithArguments(st, ctx, out, copied, copied + std::strlen(copied));
  if (!ok) {
    return false;
  }
  buffer[out.length] = '\0';
  return true;
}

// Cuts the next line out of the reader's block, refilling it from the file as needed: at most
// 1,023 characters, up to and including a line end. The line is ended in place by a NUL over
// the byte after it, which is put back first thing at the next call. cut is set when the line
// fills the 1,023 characters without its line end: more of it may follow.
const char *ReadBufferedLine(LineReader &reader, FILE *file, bool &cut) {
  constexpr size_t kMaxLine = kLineCapacity - 1;
  reader.block[reader.begin] = reader.covered;
  for (;;) {
    const size_t available = reader.end - reader.begin;
    const size_t window = available < kMaxLine ? available : kMaxLine;
    char *start = reader.block + reader.begin;
    const auto *newline = static_cast<const char *>(std::memchr(start, '\n', window));
    size_t length = 0;
    if (newline != nullptr) {
      length = static_cast<size_t>(newline - start) + 1;
    } else if (available >= kMaxLine || (reader.at_eof && available > 0)) {
      length = window;
      cut = length == kMaxLine;
    } else if (reader.at_eof) {
      return nullptr;
    } else {
      // Move the partial line to the front and read more behind it.
      std::memmove(reader.block, start, available);
      reader.begin = 0;
      reader.end = available;
      const size_t got =
          std::fread(reader.block + available, 1, LineReader::kBlockSize - available, file);
      reader.end += got;
      reader.at_eof = got == 0;
      reader.failed = got == 0 && std::ferror(file) != 0;
      continue;
    }
    reader.begin += length;
    reader.covered = reader.block[reader.begin];
    reader.block[reader.begin] = '\0';
    return start;
  }
}

// What the rest of a cut line held, once passed over.
struct SkippedRest {
  bool blank = true;    // nothing but blanks before the line end (or the end of the file)
  bool failed = false;  // the file could not be read to the line end
};

// Passes over the rest of the line whose first 1,023 characters the reader handed out last, up
// to and including its line end, block by block: however long the line, no more of it is held
// than one block. The reader then stands at the next line, as ReadBufferedLine leaves it.
SkippedRest SkipBufferedRest(LineReader &reader, FILE *file) {
  SkippedRest rest;
  reader.block[reader.begin] = reader.covered;
  for (;;) {
    const char *start = reader.block + reader.begin;
    const size_t available = reader.end - reader.begin;
    const auto *newline = static_cast<const char *>(std::memchr(start, '\n', available));
    const char *stop = newline != nullptr ? newline : start + available;
    for (const char *p = start; rest.blank && p < stop; ++p) {
      rest.blank = IsBlank(*p);
    }
    if (newline != nullptr) {
      reader.begin += static_cast<size_t>(newline - start) + 1;
      break;
    }
    if (reader.at_eof) {
      reader.begin = reader.end;
      break;
    }
    reader.begin = 0;
    reader.end = std::fread(reader.block, 1, LineReader::kBlockSize, file);
    reader.at_eof = reader.end == 0;
    reader.failed = reader.at_eof && std::ferror(file) != 0;
    rest.failed = reader.failed;
  }
  reader.covered = reader.block[reader.begin];
  reader.block[reader.begin] = '\0';
  return rest;
}

// The same for a file read without a LineReader, one character at a time.
SkippedRest SkipUnbufferedRest(FILE *file) {
  SkippedRest rest;
  int c = 0;
  while ((c = std::getc(file)) != EOF && c != '\n') {
    rest.blank = rest.blank && IsBlank(static_cast<char>(c));
  }
  rest.failed = c == EOF && std::ferror(file) != 0;
  return rest;
}

// True when a ';' outside quoted text begins a comment in text. The lexer reads the text as it
// reads any line, so that a quote ends where the tokenizer ends it and AF' is a register, not a
// quote; its scan and the local labels' counters are given back afterwards. No token holds a
// ';' (the scan takes one only as the start of a comment), so once the quoted texts are passed
// over, any ';' left begins a comment.
bool HoldsComment(AssemblerState &st, const char *text) {
  const ScanMark mark = MarkScan(st);
  BeginLineScan(st, text, nullptr);
  const char *unquoted = text;      // from here to the line end, no text in quotes is left
  const char *failed_at = nullptr;  // where the last token that could not be read began
  for (;;) {
    Token token;
    if (!TryScanToken(st, token)) {
      // Text that forms no token (Shift-JIS outside quotes) is passed over: a second failure
      // at the same place has not moved the scan.
      if (token.start == failed_at) {
        TakeChar(st);
      }
      failed_at = token.start;
      continue;
    }
    if (token.kind == kEndOfLine) {
      break;
    }
    if (token.kind == kQuote || token.kind == kDoubleQuote) {
      const char quote = token.kind == kQuote ? '\'' : '"';
      const char *close = std::strchr(token.start + 1, quote);
      SkipPastQuote(st, quote);
      unquoted = close != nullptr ? close + 1 : token.start + std::strlen(token.start);
    }
  }
  RewindScan(st, mark);
  return std::strchr(unquoted, ';') != nullptr;
}

// A line cut at 1,023 characters, its rest passed over: when the rest was only blanks, or the
// cut falls in a comment, the line is its first 1,023 characters; otherwise the line is too
// long, reported at its own line number: it is read as an empty line, and the file fails.
// buffer holds the first 1,023 characters. nullptr when the file could not be read.
const char *FinishCutLine(AssemblerState &st, SourceContext &ctx, char (&buffer)[kLineCapacity],
                          const SkippedRest &rest) {
  if (rest.failed) {
    return nullptr;
  }
  if (!rest.blank && !HoldsComment(st, buffer)) {
    ctx.text = buffer;  // what --errors=gnu shows of the line
    ReportAtLine(st, ctx.line, kLineCapacity, Msg::SourceLineTooLong);
    ctx.text = nullptr;
    ++ctx.cut_lines;
    // An empty line, as one with nothing before its line end reads (a bare NUL would end a
    // body it is captured into).
    std::memcpy(buffer, "\n", 2);
  }
  return buffer;
}

// Reads the next line of the context's file, where it lies in the reader's block or into
// buffer. A read error, or a line beyond the largest line number, is reported and fails the
// file.
const char *ReadFileLine(AssemblerState &st, SourceContext &ctx, char (&buffer)[kLineCapacity]) {
  if (ctx.file == nullptr) {
    return nullptr;
  }
  const char *line = nullptr;
  bool failed = false;
  bool cut = false;
  if (ctx.reader != nullptr) {
    line = ReadBufferedLine(*ctx.reader, ctx.file, cut);
    failed = line == nullptr && ctx.reader->failed;
    if (cut) {
      // The rest is read over the block the line lies in.
      std::memcpy(buffer, line, kLineCapacity);
      line = FinishCutLine(st, ctx, buffer, SkipBufferedRest(*ctx.reader, ctx.file));
      failed = line == nullptr;
    }
  } else {
    line = std::fgets(buffer, kLineCapacity, ctx.file) != nullptr ? buffer : nullptr;
    failed = line == nullptr && std::ferror(ctx.file) != 0;
    if (line != nullptr && std::strlen(buffer) == kLineCapacity - 1 &&
        buffer[kLineCapacity - 2] != '\n') {
      line = FinishCutLine(st, ctx, buffer, SkipUnbufferedRest(ctx.file));
      failed = line == nullptr;
    }
  }
  if (failed) {
    Report(st, Msg::SourceNotReadable, FileNameOf(st, ctx));
    ctx.read_failed = true;
    return nullptr;
  }
  if (line != nullptr && ctx.line_count_full) {
    Report(st, Msg::TooManyLines, FileNameOf(st, ctx));
    ctx.read_failed = true;
    return nullptr;
  }
  return line;
}

}  // namespace

const char *NextLine(AssemblerState &st, SourceContext &ctx, char (&buffer)[kLineCapacity]) {
  ctx.text = nullptr;  // the line before is gone
  if (ctx.replay == 0) {
    ctx.text = ReadFileLine(st, ctx, buffer);
    return ctx.text;
  }
  uint32_t next = 0;
  const char *text = ReadText(st.text, ctx.replay, next);
  if (text == nullptr || *text == '\0') {
    return nullptr;  // end of the body
  }
  ctx.replay = next;
  if (!SubstituteArguments(st, ctx, text, buffer)) {
    Report(st, Msg::ReplayLineTooLong);
    ctx.read_failed = true;
    return nullptr;
  }
  ctx.text = buffer;
  return buffer;
}

bool ReadLine(AssemblerState &st, SourceContext &ctx, char (&buffer)[kLineCapacity]) {
  const char *line = NextLine(st, ctx, buffer);
  if (line != nullptr) {
    ctx.text = buffer;
  }
  if (line != nullptr && line != buffer) {
    std::memcpy(buffer, line, std::strlen(line) + 1);  // at most a whole line and its NUL
  }
  return line != nullptr;
}
