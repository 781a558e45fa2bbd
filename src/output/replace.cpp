// All-or-nothing replacement of a file's contents: a temporary file beside the target, flushed
// to the disk and then renamed over it, so that a failure at any step leaves the old file whole.
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <utility>

#include "output/output.h"

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

}  // namespace

bool ReplaceFileContents(const char *path, const uint8_t *bytes, size_t size,
                         FileReplaceError *error) {
  std::string target;
  if (!ResolveLinks(path, target)) {
    return Fail(error, FileReplaceStage::Open, errno);
  }
  struct stat old_file;
  bool exists = stat(target.c_str(), &old_file) == 0;
  if (exists && !S_ISREG(old_file.st_mode)) {
    return WriteIntoSpecialFile(target, bytes, size, error);
  }
  // A file the user may not write stays as it is, as it would for a write in place.
  if (exists && faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
    return Fail(error, FileReplaceStage::Open, errno);
  }
  mode_t mode = exists ? (old_file.st_mode & 07777) : NewFileMode();

  std::string temporary = FolderOf(target) + "/" + kTemporaryPattern;
  int fd = mkstemp(temporary.data());
  if (fd < 0) {
    return Fail(error, FileReplaceStage::Open, errno);
  }
  // Over a file-size limit (ulimit -f) the write fails with EFBIG instead of ending the
  // process, so that the temporary file is still removed.
  struct sigaction ignore = {}, old_action = {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGXFSZ, &ignore, &old_action);
  bool ok = fchmod(fd, mode) == 0 && WriteAll(fd, bytes, size) && fsync(fd) == 0;
  int saved = errno;
  sigaction(SIGXFSZ, &old_action, nullptr);
  if (close(fd) != 0 && ok) {
    ok = false;
    saved = errno;
  }
  if (ok && rename(temporary.c_str(), target.c_str()) != 0) {
    ok = false;
    saved = errno;
  }
  if (!ok) {
    unlink(temporary.c_str());
    return Fail(error, FileReplaceStage::Write, saved);
  }
  // The new contents are in place; a folder that cannot be flushed (some file systems refuse
  // fsync on a folder) does not undo that, so its result cannot make the replacement fail.
  int folder = open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    (void)fsync(folder);
    close(folder);
  }
  return true;
}
