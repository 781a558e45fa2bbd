// The source reader: opens source files, reads and replays lines, hands each line to the
// statement assembler and acts on the results that concern files.
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "driver/state.h"

namespace {

const char *FileNameOf(const AssemblerState &st, const SourceContext &ctx) {
  return NameAt(st, ctx.file_name);
}

FileIdentity IdentityOf(const struct stat &info) {
  return {static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
}

// Opens a file the run reads and notes it as read, with the name it was first read by. A
// folder opens on some systems but holds no bytes to read: it counts as a file that cannot be
// opened (nullptr).
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
  if (st.inputs.insert(IdentityOf(info)).second) {
    st.input_names.emplace_back(name);
  }
  return file;
}

// The folder part of a path, with its '/'; empty for a name without one.
std::string_view FolderOf(std::string_view path) {
  const size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? std::string_view{} : path.substr(0, slash + 1);
}

// Opens the file that INCLUDE or BINCLUDE names in ctx: by the name as written; when that
// cannot be opened and the name is relative, by the name in the folder of the file being read,
// then in each -I folder in order. opened receives the path that opened. nullptr when none did.
FILE *OpenIncluded(AssemblerState &st, const SourceContext &ctx, const char *mode,
                   std::string &opened) {
  const std::string_view name = ctx.operand;
  opened = name;
  FILE *file = OpenInput(st, ctx.operand, mode);
  if (file != nullptr || name.empty() || name.front() == '/') {
    return file;
  }
  std::vector<std::string> folders{std::string(FolderOf(FileNameOf(st, ctx)))};
  for (const std::string &folder : st.options.include_folders) {
    folders.push_back(folder.empty() || folder.back() == '/' ? folder : folder + '/');
  }
  for (const std::string &folder : folders) {
    if (folder.empty()) {
      continue;  // the current folder: the name as written
    }
    opened = folder;
    opened += name;
    file = OpenInput(st, opened.c_str(), mode);
    if (file != nullptr) {
      return file;
    }
  }
  opened = name;
  return nullptr;
}

// Copies the bytes of the BINCLUDE file named in the context into the image.
bool IncludeBinary(AssemblerState &st, SourceContext &ctx) {
  std::string opened;
  FILE *file = OpenIncluded(st, ctx, "rb", opened);
  const DiagnosticPlace place = PlaceOf(st, ctx, ctx.line);
  if (file == nullptr) {
    PrintErrorLine(st, place, Msg::FileNotFound, FileNameOf(st, ctx), ctx.line, ctx.operand);
    return false;
  }
  unsigned char chunk[4096];
  bool ok = true;
  size_t got = 0;
  while (ok && (got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
    for (size_t i = 0; i < got; ++i) {
      if (!EmitByte(st, chunk[i])) {
        PrintErrorLine(st, place, Msg::FileTooLarge, FileNameOf(st, ctx), ctx.line, ctx.operand);
        ok = false;
        break;
      }
    }
  }
  // A read that failed is no end of file: the bytes after it would be missing from the image.
  if (ok && std::ferror(file) != 0) {
    PrintErrorLine(st, place, Msg::BincludeNotReadable, FileNameOf(st, ctx), ctx.line, ctx.operand);
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
    PrintErrorLine(st, PlaceOf(st, ctx, ctx.line), Msg::SourceNotReadable, FileNameOf(st, ctx));
    ctx.read_failed = true;
    return nullptr;
  }
  if (line != nullptr && ctx.line_count_full) {
    PrintErrorLine(st, PlaceOf(st, ctx, ctx.line), Msg::TooManyLines, FileNameOf(st, ctx));
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
    PrintErrorLine(st, PlaceOf(st, ctx, ctx.line), Msg::ReplayLineTooLong, FileNameOf(st, ctx));
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

namespace {
bool IncludeSource(AssemblerState &st, SourceContext &ctx);
}  // namespace

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
          PrintErrorLine(st, PlaceOf(st, ctx, ctx.line), Msg::LineError, FileNameOf(st, ctx),
                         ctx.line, MessageText(Msg::IncludeTooDeep));
          st.pass.abandoned = true;
          return FileResult::Failed;
        }
        if (!IncludeSource(st, ctx)) {
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

namespace {

// Assembles a source file opened under name (top-level or included).
bool AssembleOpenFile(AssemblerState &st, FILE *file, const char *name) {
  ++st.include_depth;
  SourceContext *outer = st.context;
  SourceContext ctx;
  ctx.file_name = AddName(st, name);
  ctx.file = file;
  struct stat info {};
  if (!IsListingPass(st) && fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode)) {
    ExpectSourceBytes(st, static_cast<uint64_t>(info.st_size));
    ExpectFixupsForSource(st, static_cast<uint64_t>(info.st_size));
  }
  auto reader = std::make_unique<LineReader>();
  ctx.reader = reader.get();
  ctx.listing = st.assemble_list;
  FileResult result = RunLineLoop(st, ctx);
  st.context = outer;  // ctx ends here
  std::fclose(file);
  if (result == FileResult::EndOfInput && st.include_depth == 1) {
    // Under --errors=gnu the warning points at the last line.
    PrintMessageAt(FilePlace(st, ctx.file_name, std::max(ctx.line - 1, 1)), Msg::EofBeforeEnd,
                   FileNameOf(st, ctx));
  }
  --st.include_depth;
  return result != FileResult::Failed;
}

// Assembles the source file that INCLUDE names in ctx, found as OpenIncluded finds it; the file
// is then known by the path that opened.
bool IncludeSource(AssemblerState &st, SourceContext &ctx) {
  std::string opened;
  FILE *file = OpenIncluded(st, ctx, "r", opened);
  if (file == nullptr) {
    PrintErrorLine(st, PlaceOf(st, ctx, ctx.line), Msg::CannotOpenSource, ctx.operand);
    return false;
  }
  return AssembleOpenFile(st, file, opened.c_str());
}

}  // namespace

bool AssembleSourceFile(AssemblerState &st, const char *name) {
  // name may point into the TextStore, which the file's macro bodies and arguments grow and
  // move: it is read only before the first line, and the name pool's copy serves afterwards.
  FILE *file = OpenInput(st, name, "r");
  if (file == nullptr) {
    PrintErrorLine(st, CurrentPlace(st), Msg::CannotOpenSource, name);
    return false;
  }
  return AssembleOpenFile(st, file, name);
}

bool IsInputFile(const AssemblerState &st, const char *path) {
  struct stat info;
  return stat(path, &info) == 0 && st.inputs.count(IdentityOf(info)) != 0;
}
