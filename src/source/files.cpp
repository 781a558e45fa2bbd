// The files a run reads: opening them, finding INCLUDE and BINCLUDE files, copying a BINCLUDE
// file into the image, and knowing them again by device and inode. When a listing run follows,
// every open is recorded, so that the listing run reads what the assembly run read.
#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "assembler/assembler.h"
#include "source/reader.h"
#include "source/source.h"

namespace {

// The most a file that is not a regular one is kept in memory for the listing run: beyond it
// (a device that never ends, such as /dev/zero) its open fails as "File too large".
constexpr size_t kMaxKeptBytes = size_t{256} * 1024 * 1024;

FileIdentity IdentityOf(const struct stat &info) {
  return {static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
}

// Opens name and finds what it is; nullptr with errno set when it cannot be opened. A folder
// opens on some systems but holds no bytes to read: it counts as a file that cannot be opened
// (EISDIR).
FILE *OpenExisting(const char *name, const char *mode, struct stat &info) {
  FILE *file = std::fopen(name, mode);
  if (file == nullptr) {
    return nullptr;
  }
  const bool known = fstat(fileno(file), &info) == 0;
  if (!known || S_ISDIR(info.st_mode)) {
    const int error = known ? EISDIR : errno;
    std::fclose(file);
    errno = error;
    return nullptr;
  }
  return file;
}

enum class WholeRead { Done, TooLarge, Failed };

// Reads the rest of file into bytes, at most kMaxKeptBytes.
WholeRead ReadWhole(FILE *file, std::string &bytes) {
  char chunk[16 * 1024];
  size_t got = 0;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
    if (got > kMaxKeptBytes - bytes.size()) {
      return WholeRead::TooLarge;
    }
    bytes.append(chunk, got);
  }
  return std::ferror(file) != 0 ? WholeRead::Failed : WholeRead::Done;
}

// A stream over the kept bytes of a file; the bytes stay in place as long as the run.
FILE *OpenKept(InputRead &read) { return fmemopen(read.bytes.data(), read.bytes.size(), "r"); }

// The open of the assembly run, recorded when a listing run follows. A file that is not a
// regular one is read whole, at once, and read from the kept bytes. A read that fails leaves
// the file with its error, which its reader reports as it reports any failed read.
FILE *OpenFirst(AssemblerState &st, const char *name, const char *mode) {
  struct stat info {};
  FILE *file = OpenExisting(name, mode, info);
  if (file == nullptr) {
    return nullptr;
  }
  if (st.source.inputs.insert(IdentityOf(info)).second) {
    st.source.input_names.emplace_back(name);
  }
  if (!ListingRunFollows(st.options)) {
    return file;
  }
  InputRead read{name, VersionOf(info), !S_ISREG(info.st_mode), {}};
  if (!read.kept) {
    st.source.reads.push_back(std::move(read));
    return file;
  }
  switch (ReadWhole(file, read.bytes)) {
    case WholeRead::Done:
      break;
    case WholeRead::TooLarge:
      std::fclose(file);
      errno = EFBIG;
      return nullptr;
    case WholeRead::Failed:
      return file;
  }
  std::fclose(file);
  st.source.reads.push_back(std::move(read));
  return OpenKept(st.source.reads.back());
}

// The open of the listing run: the next open the assembly run recorded. A kept file is read
// from its bytes, without opening it again (a pipe would be found drained, a FIFO would wait
// for a writer); a regular file must be the same file, of the same size and modification
// time, else the run fails, reported here.
FILE *OpenAgain(AssemblerState &st, const char *name, const char *mode) {
  SourceState &source = st.source;
  InputRead *read =
      source.next_read < source.reads.size() ? &source.reads[source.next_read] : nullptr;
  if (read != nullptr && read->kept && read->path == name) {
    ++source.next_read;
    return OpenKept(*read);
  }
  struct stat info {};
  FILE *file = OpenExisting(name, mode, info);
  if (file == nullptr) {
    return nullptr;  // a name the assembly run tried in vain too, or a file gone since
  }
  if (read == nullptr || read->kept || !(read->version == VersionOf(info))) {
    std::fclose(file);
    if (const SourceContext *ctx = st.source.context; ctx != nullptr) {
      ReportAtLine(st, ctx->line, ctx->operand_column, Msg::InputChanged, name);  // at its name
    } else {
      Report(st, Msg::InputChanged, name);
    }
    source.open_reported = true;
    errno = 0;
    return nullptr;
  }
  ++source.next_read;
  return file;
}

}  // namespace

// nullptr leaves in errno why the file could not be opened; st.source.open_reported says that
// the failure has been reported already.
FILE *OpenInput(AssemblerState &st, const char *name, const char *mode) {
  st.source.open_reported = false;
  if (IsListingPass(st) && ListingRunFollows(st.options)) {
    return OpenAgain(st, name, mode);
  }
  return OpenFirst(st, name, mode);
}

namespace {

// The folder part of a path, with its '/'; empty for a name without one.
std::string_view FolderOf(std::string_view path) {
  const size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? std::string_view{} : path.substr(0, slash + 1);
}

// A path tried in vain, as the list of paths searched names it: in quotes, followed by the
// system's reason unless the file does not exist.
std::string SearchedPath(const std::string &path, int error) {
  if (error == ENOENT || error == 0) {
    return "'" + path + "'";
  }
  return FormatMessage(Msg::DetailPathReason, path.c_str(), std::strerror(error));
}

}  // namespace

// On failure errno holds the first reason other than a missing file met on the way (such as
// too many open files), else ENOENT.
FILE *OpenIncluded(AssemblerState &st, const SourceContext &ctx, const char *mode,
                   std::string &opened, std::string &searched) {
  const std::string_view name = ctx.operand;
  opened = name;
  FILE *file = OpenInput(st, ctx.operand, mode);
  int reason = errno == ENOENT ? 0 : errno;
  searched = SearchedPath(opened, errno);
  if (file != nullptr || name.empty() || name.front() == '/' || st.source.open_reported) {
    return file;
  }
  std::vector<std::string> folders{std::string(FolderOf(NameAt(st.names, ctx.file_name)))};
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
    if (file != nullptr || st.source.open_reported) {
      return file;
    }
    if (reason == 0 && errno != ENOENT) {
      reason = errno;
    }
    searched += ", " + SearchedPath(opened, errno);
  }
  opened = name;
  errno = reason != 0 ? reason : ENOENT;
  return nullptr;
}

bool IncludeBinary(AssemblerState &st) {
  const SourceContext &ctx = *st.source.context;
  std::string opened;
  std::string searched;
  FILE *file = OpenIncluded(st, ctx, "rb", opened, searched);
  if (file == nullptr) {
    if (errno == EFBIG) {
      // A file that is no regular one, too large to be kept for the listing run.
      ReportAtLine(st, ctx.line, ctx.operand_column, Msg::FileTooLarge, ctx.operand);
    } else if (!st.source.open_reported) {
      ReportAtLineDetailed(st, ctx.line, ctx.operand_column,
                           FormatMessage(Msg::DetailSearched, searched.c_str()), Msg::FileNotFound,
                           ctx.operand);
    }
    return false;
  }
  // The file is read from its start, also past the bytes before the slice, so that a pipe
  // serves as well as a regular file; the bytes read tell where the file ends.
  const uint64_t first = static_cast<uint64_t>(ctx.slice_offset);
  const uint64_t stop =
      ctx.slice_length < 0 ? UINT64_MAX : first + static_cast<uint64_t>(ctx.slice_length);
  unsigned char chunk[4096];
  bool ok = true;
  uint64_t read = 0;  // bytes of the file read so far
  size_t got = 0;
  while (ok && read < stop && (got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
    for (size_t i = 0; i < got && read < stop; ++i, ++read) {
      // Whatever stops the bytes (the image, an IN_PAGE page, an ARRANGE area), the file is
      // what does not fit.
      if (read >= first && !TryEmitByte(st, chunk[i])) {
        ReportAtLine(st, ctx.line, ctx.operand_column, Msg::FileTooLarge, ctx.operand);
        ok = false;
        break;
      }
    }
  }
  // A read that failed is no end of file: the bytes after it would be missing from the image.
  if (ok && std::ferror(file) != 0) {
    ReportAtLine(st, ctx.line, ctx.operand_column, Msg::BincludeNotReadable, ctx.operand);
    ok = false;
  }
  // The file ended before the slice did (the offset and the length are each below 2^31, so
  // the size read fits an unsigned int).
  if (ok && (read < first || (ctx.slice_length >= 0 && read < stop))) {
    ReportAtLine(st, ctx.line, ctx.operand_column, Msg::SliceOutsideFile, ctx.operand,
                 static_cast<unsigned>(read));
    ok = false;
  }
  std::fclose(file);
  return ok;
}

bool IsInputFile(const AssemblerState &st, const char *path) {
  struct stat info;
  return stat(path, &info) == 0 && st.source.inputs.count(IdentityOf(info)) != 0;
}

const std::vector<std::string> &InputNames(const AssemblerState &st) {
  return st.source.input_names;
}

bool SameExistingFile(const char *a, const char *b) {
  struct stat first, second;
  return stat(a, &first) == 0 && stat(b, &second) == 0 && IdentityOf(first) == IdentityOf(second);
}

bool LineWrittenAt(const AssemblerState &st, int32_t &file, int32_t &line) {
  const SourceContext *ctx = st.source.context;
  if (ctx == nullptr) {
    return false;
  }
  WrittenPlace(*ctx, ctx->line, file, line);
  return true;
}
