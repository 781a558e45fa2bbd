// The source reader: opens source files, reads and replays lines, hands each line to the
// statement assembler and acts on the results that concern files.
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "driver/state.h"

namespace {

const char *FileNameOf(const AssemblerState &st, const SourceContext &ctx) {
  return NameAt(st, ctx.file_name);
}

FileIdentity IdentityOf(const struct stat &info) {
  return {static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
}

// Opens a file the run reads and notes it as read. A folder opens on some systems but holds
// no bytes to read: it counts as a file that cannot be opened (nullptr).
FILE *OpenInput(AssemblerState &st, const char *name, const char *mode) {
  FILE *file = std::fopen(name, mode);
  if (file == nullptr) {
    return nullptr;
  }
  struct stat info;
  if (fstat(fileno(file), &info) != 0 || S_ISDIR(info.st_mode)) {
    std::fclose(file);
    return nullptr;
  }
  st.inputs.insert(IdentityOf(info));
  return file;
}

// Copies the bytes of the BINCLUDE file named in the context into the image.
bool IncludeBinary(AssemblerState &st, SourceContext &ctx) {
  FILE *file = OpenInput(st, ctx.operand, "rb");
  if (file == nullptr) {
    PrintErrorLine(st, Msg::FileNotFound, FileNameOf(st, ctx), ctx.line, ctx.operand);
    return false;
  }
  unsigned char chunk[4096];
  bool ok = true;
  size_t got = 0;
  while (ok && (got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
    for (size_t i = 0; i < got; ++i) {
      if (!EmitByte(st, chunk[i])) {
        PrintErrorLine(st, Msg::FileTooLarge, FileNameOf(st, ctx), ctx.line, ctx.operand);
        ok = false;
        break;
      }
    }
  }
  // A read that failed is no end of file: the bytes after it would be missing from the image.
  if (ok && std::ferror(file) != 0) {
    PrintErrorLine(st, Msg::BincludeNotReadable, FileNameOf(st, ctx), ctx.line, ctx.operand);
    ok = false;
  }
  std::fclose(file);
  ClearError(st);
  return ok;
}

// Copies a stored body line into buffer, replacing %1..%9 by the macro arguments.
// False when the result would not fit in a line.
bool SubstituteArguments(const AssemblerState &st, const SourceContext &ctx, const char *text,
                         char (&buffer)[kLineCapacity]) {
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

}  // namespace

namespace {

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
    PrintErrorLine(st, Msg::SourceNotReadable, FileNameOf(st, ctx));
    ctx.read_failed = true;
    return nullptr;
  }
  if (line != nullptr && ctx.line_count_full) {
    PrintErrorLine(st, Msg::TooManyLines, FileNameOf(st, ctx));
    ctx.read_failed = true;
    return nullptr;
  }
  return line;
}

}  // namespace

const char *NextLine(AssemblerState &st, SourceContext &ctx, char (&buffer)[kLineCapacity]) {
  if (ctx.replay == 0) {
    return ReadFileLine(st, ctx, buffer);
  }
  uint32_t next = 0;
  const char *text = ReadText(st.text, ctx.replay, next);
  if (text == nullptr || *text == '\0') {
    return nullptr;  // end of the body
  }
  ctx.replay = next;
  if (!SubstituteArguments(st, ctx, text, buffer)) {
    PrintErrorLine(st, Msg::ReplayLineTooLong, FileNameOf(st, ctx));
    ctx.read_failed = true;
    return nullptr;
  }
  return buffer;
}

bool ReadLine(AssemblerState &st, SourceContext &ctx, char (&buffer)[kLineCapacity]) {
  const char *line = NextLine(st, ctx, buffer);
  if (line != nullptr && line != buffer) {
    std::memcpy(buffer, line, std::strlen(line) + 1);  // at most a whole line and its NUL
  }
  return line != nullptr;
}

FileResult RunLineLoop(AssemblerState &st, SourceContext &ctx) {
  char buffer[kLineCapacity];
  const char *line = nullptr;
  int32_t errors = 0;
  while (!st.pass.abandoned && (line = NextLine(st, ctx, buffer)) != nullptr) {
    switch (AssembleLine(st, line, ctx)) {
      case kResultError:
        ++errors;
        CountLine(ctx);
        break;
      case kResultOk:
        CountLine(ctx);
        break;
      case kResultEnd:
        return errors > 0 ? FileResult::Failed : FileResult::EndedByEnd;
      case kResultInclude:
        if (st.include_depth >= kMaxIncludeDepth) {
          PrintErrorLine(st, Msg::LineError, FileNameOf(st, ctx), ctx.line,
                         MessageText(Msg::IncludeTooDeep));
          st.pass.abandoned = true;
          return FileResult::Failed;
        }
        if (!AssembleSourceFile(st, ctx.operand)) {
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
        if (!IncludeBinary(st, ctx)) {
          return FileResult::Failed;
        }
        CountLine(ctx);
        break;
    }
  }
  if (ctx.read_failed || errors > 0 || st.pass.abandoned) {
    return FileResult::Failed;
  }
  return FileResult::EndOfInput;
}

bool AssembleSourceFile(AssemblerState &st, const char *name) {
  // name may point into the TextStore, which the file's macro bodies and arguments grow and
  // move: it is read only before the first line, and the name pool's copy serves afterwards.
  FILE *file = OpenInput(st, name, "r");
  if (file == nullptr) {
    PrintErrorLine(st, Msg::CannotOpenSource, name);
    return false;
  }
  ++st.include_depth;
  SourceContext *outer = st.context;
  SourceContext ctx;
  ctx.file_name = AddName(st, name);
  ctx.file = file;
  auto reader = std::make_unique<LineReader>();
  ctx.reader = reader.get();
  ctx.listing = st.assemble_list;
  FileResult result = RunLineLoop(st, ctx);
  st.context = outer;  // ctx ends here
  std::fclose(file);
  if (result == FileResult::EndOfInput && st.include_depth == 1) {
    ConsoleMessage(Msg::EofBeforeEnd, FileNameOf(st, ctx));
  }
  --st.include_depth;
  return result != FileResult::Failed;
}

bool IsInputFile(const AssemblerState &st, const char *path) {
  struct stat info;
  return stat(path, &info) == 0 && st.inputs.count(IdentityOf(info)) != 0;
}
