// All-or-nothing replacement of files: each file's new contents go to a temporary file beside
// it, flushed to the disk, and only when every one is complete are they renamed over the old
// files, so that a failure at any step leaves every old file whole.
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
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
  const OutputFile *file = nullptr;
  std::string target;
  int resolve_error = 0;  // errno when the name could not be followed to its file
  bool exists = false;    // the target is there already (info holds its state)
  bool special = false;   // a device or a pipe
  struct stat info = {};
  size_t slot = 0;        // the temporary file's slot in the TemporaryTable
  std::string temporary;  // empty until the temporary file is made
};

// ---- Signals while the files are written ------------------------------------------------

// The names of the temporary files of the replacement under way, laid out before the signal
// handlers are installed, so that a handler reads them without allocating anything. Every change
// made while the handlers are in place is made with the signals held back (SignalCleanup::Hold),
// so a handler never sees a name half made or a file half removed.
struct TemporaryTable {
  std::vector<char> names;          // one slot per regular file: its NUL-terminated name
  std::vector<size_t> starts;       // where each slot begins in names
  std::vector<unsigned char> made;  // 1 while the slot's file exists
};

// The table the signal handler removes; a handler can reach nothing but a global.
const TemporaryTable *volatile table_to_remove = nullptr;

// The signals that end a run from outside (SIGPIPE: a pipe written into lost its reader).
constexpr int kCleanupSignals[] = {SIGHUP, SIGINT, SIGTERM, SIGPIPE};
constexpr size_t kCleanupSignalCount = sizeof(kCleanupSignals) / sizeof(kCleanupSignals[0]);

// Removes every temporary file, then ends the process by the signal itself, as its default
// action would have, so the caller sees the signal in the exit status. Only async-signal-safe
// calls here.
void RemoveTemporariesAndDie(int signal_number) {
  const TemporaryTable *table = table_to_remove;
  if (table != nullptr) {
    for (size_t i = 0; i < table->starts.size(); ++i) {
      if (table->made[i] != 0) {
        unlink(table->names.data() + table->starts[i]);
      }
    }
  }
  struct sigaction fallback = {};
  fallback.sa_handler = SIG_DFL;
  sigemptyset(&fallback.sa_mask);
  sigaction(signal_number, &fallback, nullptr);
  sigset_t only;
  sigemptyset(&only);
  sigaddset(&only, signal_number);
  raise(signal_number);                      // held back while the handler runs...
  sigprocmask(SIG_UNBLOCK, &only, nullptr);  // ...and taken here
}

// While it lives, SIGHUP, SIGINT, SIGTERM and SIGPIPE remove the temporary files of the table
// before they end the process; a signal the process ignores stays ignored. The previous actions
// come back when it ends, and a signal held back meanwhile then takes effect.
class SignalCleanup {
 public:
  explicit SignalCleanup(const TemporaryTable &table) {
    sigemptyset(&signals_);
    for (int signal_number : kCleanupSignals) {
      sigaddset(&signals_, signal_number);
    }
    struct sigaction cleanup = {};
    cleanup.sa_handler = RemoveTemporariesAndDie;
    cleanup.sa_mask = signals_;  // one handler at a time
    Hold();
    table_to_remove = &table;
    for (size_t i = 0; i < kCleanupSignalCount; ++i) {
      sigaction(kCleanupSignals[i], nullptr, &old_[i]);
      if (old_[i].sa_handler != SIG_IGN) {
        sigaction(kCleanupSignals[i], &cleanup, nullptr);
      }
    }
    Release();
  }
  ~SignalCleanup() {
    Hold();
    for (size_t i = 0; i < kCleanupSignalCount; ++i) {
      sigaction(kCleanupSignals[i], &old_[i], nullptr);
    }
    table_to_remove = nullptr;
    Release();
  }
  SignalCleanup(const SignalCleanup &) = delete;
  SignalCleanup &operator=(const SignalCleanup &) = delete;

  // Holds the signals back until Release; one that arrives meanwhile waits. Not nested.
  void Hold() { sigprocmask(SIG_BLOCK, &signals_, &saved_mask_); }
  void Release() { sigprocmask(SIG_SETMASK, &saved_mask_, nullptr); }

 private:
  sigset_t signals_ = {};
  sigset_t saved_mask_ = {};
  struct sigaction old_[kCleanupSignalCount] = {};
};

// One slot, holding the pattern of mkstemp, for each regular file to be replaced.
TemporaryTable TableFor(std::vector<Prepared> &prepared) {
  TemporaryTable table;
  for (Prepared &file : prepared) {
    if (file.resolve_error != 0 || file.special) {
      continue;
    }
    file.slot = table.starts.size();
    table.starts.push_back(table.names.size());
    const std::string pattern = FolderOf(file.target) + "/" + kTemporaryPattern;
    table.names.insert(table.names.end(), pattern.begin(), pattern.end());
    table.names.push_back('\0');
  }
  table.made.assign(table.starts.size(), 0);
  return table;
}

// Removes the temporary files still there.
void RemoveTemporaries(TemporaryTable &table, SignalCleanup &signals) {
  signals.Hold();
  for (size_t i = 0; i < table.starts.size(); ++i) {
    if (table.made[i] != 0) {
      unlink(table.names.data() + table.starts[i]);
      table.made[i] = 0;
    }
  }
  signals.Release();
}

// ---- The steps of a replacement -----------------------------------------------------------

// Follows the name of a file to replace to its file and notes what is there now.
void Resolve(const OutputFile &file, Prepared &prepared) {
  prepared.file = &file;
  if (!ResolveLinks(file.path.c_str(), prepared.target)) {
    prepared.resolve_error = errno;
    return;
  }
  prepared.exists = stat(prepared.target.c_str(), &prepared.info) == 0;
  // A device or a pipe is written once every regular file is ready.
  prepared.special = prepared.exists && !S_ISREG(prepared.info.st_mode);
}

// Writes the new contents of a regular file (or of a file still to be made) into a flushed
// temporary file beside its target, made in its slot of the table.
bool PrepareRegularFile(Prepared &prepared, TemporaryTable &table, SignalCleanup &signals,
                        FileReplaceError *error) {
  // A file the user may not write stays as it is, as it would for a write in place.
  if (prepared.exists && faccessat(AT_FDCWD, prepared.target.c_str(), W_OK, AT_EACCESS) != 0) {
    return Fail(error, FileReplaceStage::Open, errno);
  }
  const mode_t mode = prepared.exists ? (prepared.info.st_mode & 07777) : NewFileMode();
  char *name = table.names.data() + table.starts[prepared.slot];
  // Held back between the file's making and its noting, so that no signal can leave it.
  signals.Hold();
  int fd = mkstemp(name);
  int saved = errno;
  if (fd >= 0) {
    table.made[prepared.slot] = 1;
  }
  signals.Release();
  if (fd < 0) {
    return Fail(error, FileReplaceStage::Open, saved);
  }
  prepared.temporary = name;
  const std::string &contents = prepared.file->contents;
  bool ok = fchmod(fd, mode) == 0 &&
            WriteAll(fd, reinterpret_cast<const uint8_t *>(contents.data()), contents.size()) &&
            fsync(fd) == 0;
  saved = errno;
  if (close(fd) != 0 && ok) {
    ok = false;
    saved = errno;
  }
  return ok || Fail(error, FileReplaceStage::Write, saved);
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

// Advisory locks (flock) on the folders of the temporary files, held while the renames commit
// the set, so that two runs replacing the same files commit one after the other and each run's
// files stay together. Taken in the order of the folders' device and inode numbers, the same in
// every run, so that no two runs wait for each other. A folder that cannot be opened or locked
// (some file systems refuse flock) is committed without its lock.
class FolderLocks {
 public:
  explicit FolderLocks(const std::vector<Prepared> &prepared) {
    struct Folder {
      dev_t device;
      ino_t inode;
      int fd;
    };
    std::vector<Folder> folders;
    for (const Prepared &file : prepared) {
      if (file.temporary.empty()) {
        continue;
      }
      int fd = open(FolderOf(file.target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      if (fd < 0) {
        continue;
      }
      struct stat info;
      // A second name of a folder already here needs no lock of its own: a second flock of
      // that folder would wait for the first.
      bool skip = fstat(fd, &info) != 0;
      for (const Folder &folder : folders) {
        skip = skip || (folder.device == info.st_dev && folder.inode == info.st_ino);
      }
      if (skip) {
        close(fd);
        continue;
      }
      folders.push_back({info.st_dev, info.st_ino, fd});
    }
    std::sort(folders.begin(), folders.end(), [](const Folder &a, const Folder &b) {
      return a.device != b.device ? a.device < b.device : a.inode < b.inode;
    });
    for (const Folder &folder : folders) {
      while (flock(folder.fd, LOCK_EX) != 0 && errno == EINTR) {
      }
      fds_.push_back(folder.fd);
    }
  }
  ~FolderLocks() {
    for (int fd : fds_) {
      close(fd);  // which releases its lock
    }
  }
  FolderLocks(const FolderLocks &) = delete;
  FolderLocks &operator=(const FolderLocks &) = delete;

 private:
  std::vector<int> fds_;
};

// Renames every temporary file over its target, as one step that no signal interrupts (one that
// arrives meanwhile takes effect afterwards). A rename can fail only when the folder changes
// under the run (it is removed, say); the files renamed before it then stay new, and the
// temporary files from it on are left to the caller to remove.
bool Commit(const std::vector<Prepared> &prepared, TemporaryTable &table, SignalCleanup &signals,
            size_t &failed, FileReplaceError *error) {
  FolderLocks locks(prepared);
  signals.Hold();
  for (size_t i = 0; i < prepared.size(); ++i) {
    if (prepared[i].temporary.empty()) {
      continue;
    }
    if (rename(prepared[i].temporary.c_str(), prepared[i].target.c_str()) != 0) {
      (void)Fail(error, FileReplaceStage::Write, errno);
      signals.Release();
      failed = i;
      return false;
    }
    table.made[prepared[i].slot] = 0;
  }
  signals.Release();
  return true;
}

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
  std::vector<Prepared> prepared(files.size());
  for (size_t i = 0; i < files.size(); ++i) {
    Resolve(files[i], prepared[i]);
  }
  TemporaryTable table = TableFor(prepared);
  SignalCleanup signals(table);
  auto fail_at = [&](size_t index) {
    RemoveTemporaries(table, signals);
    if (failed != nullptr) {
      *failed = index;
    }
    return false;
  };
  {
    IgnoreFileSizeSignal ignore;
    for (size_t i = 0; i < files.size(); ++i) {
      if (prepared[i].resolve_error != 0) {
        (void)Fail(error, FileReplaceStage::Open, prepared[i].resolve_error);
        return fail_at(i);
      }
      if (!prepared[i].special && !PrepareRegularFile(prepared[i], table, signals, error)) {
        return fail_at(i);
      }
    }
    // Every regular file is complete: now the bytes go into the devices and pipes, whose old
    // contents cannot be kept anyway.
    for (size_t i = 0; i < files.size(); ++i) {
      const std::string &contents = files[i].contents;
      if (prepared[i].special &&
          !WriteIntoSpecialFile(prepared[i].target,
                                reinterpret_cast<const uint8_t *>(contents.data()), contents.size(),
                                error)) {
        return fail_at(i);
      }
    }
  }
  size_t failed_rename = 0;
  if (!Commit(prepared, table, signals, failed_rename, error)) {
    return fail_at(failed_rename);
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
