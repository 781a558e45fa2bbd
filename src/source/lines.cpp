// Line reading: the lines of a file cut out of large blocks, and the lines of a replayed body
// with their macro arguments put in.
#include <cstdio>
#include <cstring>

#include "source/reader.h"
#include "source/source.h"

namespace {

const char *FileNameOf(const AssemblerState &st, const SourceContext &ctx) {
  return NameAt(st.names, ctx.file_name);
}

// Copies a stored body line into buffer, replacing %1..%9 by the macro arguments.
// False when the result would not fit in a line.
bool SubstituteArguments(const AssemblerState &st, SourceContext &ctx, const char *text,
                         char (&buffer)[kLineCapacity]) {
  ctx.empty_argument = 0;
  size_t length = 0;
  auto append = [&](const char *piece, size_t size) {
    if (length + size > kLineCapacity - 1) {
      return false;
    }
    std::memcpy(buffer + length, piece, size);
    length += size;
    return true;
  };
  const char *p = text;
  for (;;) {
    const char *percent = std::strchr(p, '%');
    if (percent == nullptr) {
      break;
    }
    if (!append(p, static_cast<size_t>(percent - p))) {
      return false;
    }
    char next = percent[1];
    if (next >= '1' && next <= '9') {
      uint32_t unused = 0;
      const char *argument = ReadText(st.text, ctx.args[next - '1'], unused);
      if (argument != nullptr && !append(argument, std::strlen(argument))) {
        return false;
      }
      if ((argument == nullptr || *argument == '\0') && ctx.empty_argument == 0) {
        ctx.empty_argument = next - '0';
      }
      p = percent + 2;
    } else {
      if (!append("%", 1)) {
        return false;
      }
      p = percent + 1;
    }
  }
  if (!append(p, std::strlen(p))) {
    return false;
  }
  buffer[length] = '\0';
  return true;
}

// Cuts the next line out of the reader's block, refilling it from the file as needed: at most
// 1,023 characters, up to and including a line end. The line is ended in place by a NUL over
// the byte after it, which is put back first thing at the next call.
const char *ReadBufferedLine(LineReader &reader, FILE *file) {
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

// Reads the next line of the context's file, where it lies in the reader's block or into
// buffer. A read error, or a line beyond the largest line number, is reported and fails the
// file.
const char *ReadFileLine(AssemblerState &st, SourceContext &ctx, char (&buffer)[kLineCapacity]) {
  if (ctx.file == nullptr) {
    return nullptr;
  }
  const char *line = nullptr;
  bool failed = false;
  if (ctx.reader != nullptr) {
    line = ReadBufferedLine(*ctx.reader, ctx.file);
    failed = line == nullptr && ctx.reader->failed;
  } else {
    line = std::fgets(buffer, kLineCapacity, ctx.file) != nullptr ? buffer : nullptr;
    failed = line == nullptr && std::ferror(ctx.file) != 0;
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
