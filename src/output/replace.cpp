// All-or-nothing replacement of files: each file's new contents go to a temporary file beside
// it, flushed to the disk, and only when every one is complete are they renamed over the old
// files, so that a failure at any step leaves every old file whole.
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "output/output.h"
#include "output/replace.h"

namespace {

constexpr int kMaxLinkHops = 40;  // as the system's own limit on nested links
constexpr off_t kLinkRoom = 4096;
constexpr mode_t kNewFileMode = 0666;
constexpr const char *kTemporaryPattern = ".talvo-XXXXXX";

bool Fail(FileReplaceError *error, FileReplaceStage stage, int error_number) {
  if (error != nullptr) {
    error->stage = stage;
    error->error_number = error_number;
  }
  return false;
}

// The folder part of a path: "." for a bare name, "/" for a name in the root.
std::string FolderOf(const std::string &path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    return ".";
  }
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Follows symbolic links from path to the file they name, which need not exist yet (a link
// may point at a file still to be made). Returns false with errno set on a loop or an error.
bool ResolveLinks(const char *path, std::string &target) {
  target = path;
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    struct stat info;
    if (lstat(target.c_str(), &info) != 0) {
      return errno == ENOENT;  // a new file: the name itself is the target
    }
    if (!S_ISLNK(info.st_mode)) {
      return true;
    }
    // Some file systems report a size of 0 for their links.
    size_t room = info.st_size > kLinkRoom ? static_cast<size_t>(info.st_size) : kLinkRoom;
    std::string link(room + 1, '\0');
    ssize_t length = readlink(target.c_str(), link.data(), link.size());
    if (length < 0) {
      return false;
    }
    if (static_cast<size_t>(length) >= link.size()) {
      errno = ENAMETOOLONG;  // the link changed while it was read
      return false;
    }
    link.resize(static_cast<size_t>(length));
    if (link[0] != '/') {
      link.insert(0, FolderOf(target) + '/');
    }
    target = std::move(link);
  }
  errno = ELOOP;
  return false;
}

// Writes all bytes to fd, going on after partial writes and interruptions.
bool WriteAll(int fd, const uint8_t *bytes, size_t size) {
  while (size > 0) {
    ssize_t written = write(fd, bytes, size);
    if (written < 0) {
      if (errno == EINTR) {
        continue;
      }
      return false;
    }
    bytes += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

// A device or a pipe cannot be swapped for a new file: the bytes go straight into it.
bool WriteIntoSpecialFile(const std::string &target, const uint8_t *bytes, size_t size,
                          FileReplaceError *error) {
  int fd = open(target.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) {
    return Fail(error, FileReplaceStage::Open, errno);
  }
  bool ok = WriteAll(fd, bytes, size);
  int saved = errno;
  if (close(fd) != 0 && ok) {
    ok = false;
    saved = errno;
  }
  return ok || Fail(error, FileReplaceStage::Write, saved);
}

// The permission bits a file made by an ordinary create would get.
mode_t NewFileMode() {
  mode_t mask = umask(0);
  umask(mask);
  return kNewFileMode & ~mask;
}

// One file of a replacement on its way: the file its name leads to, and either the temporary
// file beside it that holds the new contents, or, for a device or a pipe, the bytes that go
// straight into it.
struct Prepared {
  std::string target;
  std::string temporary;  // empty for a special file
  const OutputFile *file = nullptr;
};

// Writes the new contents of a regular file (or of a file still to be made) into a flushed
// temporary file beside its target.
bool PrepareRegularFile(Prepared &prepared, const struct stat *old_file, FileReplaceError *error) {
  // A file the user may not write stays as it is, as it would for a write in place.
  if (old_file != nullptr && faccessat(AT_FDCWD, prepared.target.c_str(), W_OK, AT_EACCESS) != 0) {
    return Fail(error, FileReplaceStage::Open, errno);
  }
  const mode_t mode = old_file != nullptr ? (old_file->st_mode & 07777) : NewFileMode();
  std::string temporary = FolderOf(prepared.target) + "/" + kTemporaryPattern;
  int fd = mkstemp(temporary.data());
  if (fd < 0) {
    return Fail(error, FileReplaceStage::Open, errno);
  }
  const std::string &contents = prepared.file->contents;
  bool ok = fchmod(fd, mode) == 0 &&
            WriteAll(fd, reinterpret_cast<const uint8_t *>(contents.data()), contents.size()) &&
            fsync(fd) == 0;
  int saved = errno;
  if (close(fd) != 0 && ok) {
    ok = false;
    saved = errno;
  }
  if (!ok) {
    unlink(temporary.c_str());
    return Fail(error, FileReplaceStage::Write, saved);
  }
  prepared.temporary = std::move(temporary);
  return true;
}

// Resolves the name of a file to replace and, for a regular file, writes its temporary file.
bool Prepare(const OutputFile &file, Prepared &prepared, FileReplaceError *error) {
  prepared.file = &file;
  if (!ResolveLinks(file.path.c_str(), prepared.target)) {
    return Fail(error, FileReplaceStage::Open, errno);
  }
  struct stat old_file;
  const bool exists = stat(prepared.target.c_str(), &old_file) == 0;
  if (exists && !S_ISREG(old_file.st_mode)) {
    return true;  // a device or a pipe: written once every regular file is ready
  }
  return PrepareRegularFile(prepared, exists ? &old_file : nullptr, error);
}

void RemoveTemporaries(const std::vector<Prepared> &prepared, size_t from) {
  for (size_t i = from; i < prepared.size(); ++i) {
    if (!prepared[i].temporary.empty()) {
      unlink(prepared[i].temporary.c_str());
    }
  }
}

// Over a file-size limit (ulimit -f) a write fails with EFBIG instead of ending the process, so
// that the temporary files are still removed and the failure reported. Restored when it ends.
class IgnoreFileSizeSignal {
 public:
  IgnoreFileSizeSignal() {
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &old_);
  }
  ~IgnoreFileSizeSignal() { sigaction(SIGXFSZ, &old_, nullptr); }
  IgnoreFileSizeSignal(const IgnoreFileSizeSignal &) = delete;
  IgnoreFileSizeSignal &operator=(const IgnoreFileSizeSignal &) = delete;

 private:
  struct sigaction old_ = {};
};

}  // namespace

std::string ResolvedPath(const char *path) {
  std::string target;
  if (!ResolveLinks(path, target)) {
    return path;
  }
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(target, ec);
  if (ec) {
    return target;
  }
  const std::filesystem::path plain = std::filesystem::weakly_canonical(absolute, ec);
  return ec ? absolute.string() : plain.string();
}

bool ReplaceFiles(const std::vector<OutputFile> &files, size_t *failed, FileReplaceError *error) {
  auto fail_at = [&](size_t index) {
    if (failed != nullptr) {
      *failed = index;
    }
    return false;
  };
  std::vector<Prepared> prepared(files.size());
  {
    IgnoreFileSizeSignal ignore;
    for (size_t i = 0; i < files.size(); ++i) {
      if (!Prepare(files[i], prepared[i], error)) {
        RemoveTemporaries(prepared, 0);
        return fail_at(i);
      }
    }
    // Every regular file is complete: now the bytes go into the devices and pipes, whose old
    // contents cannot be kept anyway.
    for (size_t i = 0; i < files.size(); ++i) {
      const std::string &contents = files[i].contents;
      if (prepared[i].temporary.empty() &&
          !WriteIntoSpecialFile(prepared[i].target,
                                reinterpret_cast<const uint8_t *>(contents.data()), contents.size(),
                                error)) {
        RemoveTemporaries(prepared, 0);
        return fail_at(i);
      }
    }
  }
  // The renames. One can fail only when the folder changes under the run (it is removed, say);
  // the files renamed before it then stay new.
  for (size_t i = 0; i < files.size(); ++i) {
    if (!prepared[i].temporary.empty() &&
        rename(prepared[i].temporary.c_str(), prepared[i].target.c_str()) != 0) {
      (void)Fail(error, FileReplaceStage::Write, errno);
      RemoveTemporaries(prepared, i);
      return fail_at(i);
    }
  }
  // The new contents are in place; a folder that cannot be flushed (some file systems refuse
  // fsync on a folder) does not undo that, so its result cannot make the replacement fail.
  for (const Prepared &done : prepared) {
    if (done.temporary.empty()) {
      continue;
    }
    int folder = open(FolderOf(done.target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
      (void)fsync(folder);
      close(folder);
    }
  }
  return true;
}

bool ReplaceFileContents(const char *path, const uint8_t *bytes, size_t size,
                         FileReplaceError *error) {
  std::vector<OutputFile> files(1);
  files[0].path = path;
  files[0].contents.assign(reinterpret_cast<const char *>(bytes), size);
  return ReplaceFiles(files, nullptr, error);
}
