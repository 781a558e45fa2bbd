// Tests of the all-or-nothing file replacement and of D88 disks that cannot be written back.
#include <errno.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "base/diagnostics.h"
#include "output/output.h"
#include "output/replace.h"

namespace fs = std::filesystem;

namespace {

class ReplaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/talvo-replace-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    old_mask_ = umask(022);
  }
  void TearDown() override {
    umask(old_mask_);
    fs::permissions(dir_, fs::perms::owner_all);
    fs::remove_all(dir_);
  }
  std::string Path(const char *name) const { return (dir_ / name).string(); }
  // The names in the test folder, to show that no temporary file stays behind.
  std::string Listing() const {
    std::set<std::string> sorted;
    for (const auto &entry : fs::directory_iterator(dir_)) {
      sorted.insert(entry.path().filename().string());
    }
    std::string names;
    for (const std::string &name : sorted) {
      names += name + " ";
    }
    return names;
  }
  fs::path dir_;
  mode_t old_mask_ = 0;
};

std::string Read(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Write(const std::string &path, const std::string &text) {
  std::ofstream(path, std::ios::binary) << text;
}

bool Replace(const std::string &path, const std::string &text, FileReplaceError *error = nullptr) {
  return ReplaceFileContents(path.c_str(), reinterpret_cast<const uint8_t *>(text.data()),
                             text.size(), error);
}

// Builds the PC-8801 disk at path and writes it back as a run does, with the run's message on
// standard error when it cannot be written.
bool WriteDisk(const std::string &path, const Image &image) {
  std::vector<OutputFile> files(1);
  files[0].path = path;
  files[0].kind = OutputKind::Disk;
  if (!BuildPc8801Disk(path.c_str(), image, files[0].contents)) {
    return false;
  }
  if (!ReplaceFiles(files, nullptr, nullptr)) {
    ReportDiskNotWritten(path.c_str());
    return false;
  }
  return true;
}

mode_t ModeOf(const std::string &path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

}  // namespace

TEST_F(ReplaceTest, NewAndExistingFilesThroughLinks) {
  ASSERT_TRUE(Replace(Path("new"), "one"));
  EXPECT_EQ(Read(Path("new")), "one");
  EXPECT_EQ(ModeOf(Path("new")), 0644u);  // 0666 less the umask, as a plain create

  chmod(Path("new").c_str(), 0640);
  ASSERT_TRUE(Replace(Path("new"), "two, longer"));
  EXPECT_EQ(Read(Path("new")), "two, longer");
  EXPECT_EQ(ModeOf(Path("new")), 0640u);

  // A link (relative to its own folder, through a second link) updates its target.
  fs::create_directory(dir_ / "sub");
  fs::create_symlink("sub/first", dir_ / "link");
  fs::create_symlink("target", dir_ / "sub" / "first");
  ASSERT_TRUE(Replace(Path("link"), "made"));  // the target does not exist yet
  ASSERT_TRUE(Replace(Path("link"), "updated"));
  EXPECT_TRUE(fs::is_symlink(dir_ / "link"));
  EXPECT_TRUE(fs::is_symlink(dir_ / "sub" / "first"));
  EXPECT_EQ(Read(Path("sub/target")), "updated");
  EXPECT_EQ(Listing(), "link new sub ");

  // A device is written into, never replaced.
  ASSERT_TRUE(Replace("/dev/null", "nothing"));
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

TEST_F(ReplaceTest, FailuresLeaveTheOldFileAndNoTemporary) {
  Write(Path("keep"), "original");
  FileReplaceError error;
  EXPECT_FALSE(Replace(Path("missing/file"), "x", &error));
  EXPECT_EQ(error.stage, FileReplaceStage::Open);

  fs::create_symlink("loop", dir_ / "loop");
  EXPECT_FALSE(Replace(Path("loop"), "x", &error));
  EXPECT_EQ(error.error_number, ELOOP);

  // Over the file-size limit the write fails (the process is not ended by SIGXFSZ).
  struct sigaction before = {}, after = {};
  sigaction(SIGXFSZ, nullptr, &before);
  struct rlimit old_limit;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  struct rlimit small = old_limit;
  small.rlim_cur = 4;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  bool ok = Replace(Path("keep"), "much longer than four bytes", &error);
  setrlimit(RLIMIT_FSIZE, &old_limit);
  sigaction(SIGXFSZ, nullptr, &after);
  EXPECT_FALSE(ok);
  EXPECT_EQ(error.stage, FileReplaceStage::Write);
  EXPECT_EQ(error.error_number, EFBIG);
  EXPECT_EQ(after.sa_handler, before.sa_handler);

  EXPECT_EQ(Read(Path("keep")), "original");
  EXPECT_EQ(Listing().find(".talvo"), std::string::npos) << Listing();
}

// Files replaced together: when any one of them cannot be written, none changes.
TEST_F(ReplaceTest, AFailureOfOneFileKeepsEveryOldFile) {
  Write(Path("first"), "first, old");
  Write(Path("second"), "second, old");
  auto files = [&](const std::string &other) {
    std::vector<OutputFile> list(3);
    list[0].path = Path("first");
    list[0].contents = "first, new";
    list[1].path = Path("second");
    list[1].contents = "second, new and long enough to pass a small size limit";
    list[2].path = other;
    list[2].contents = "third";
    return list;
  };
  size_t failed = 0;
  FileReplaceError error;
  EXPECT_FALSE(ReplaceFiles(files(Path("missing/third")), &failed, &error));
  EXPECT_EQ(failed, 2u);
  EXPECT_EQ(error.stage, FileReplaceStage::Open);
  // A device is written only when every regular file is ready, and before any is renamed.
  EXPECT_FALSE(ReplaceFiles(files("/dev/full"), &failed, &error));
  EXPECT_EQ(failed, 2u);
  EXPECT_EQ(error.error_number, ENOSPC);

  // Over the file-size limit, the second file fails after the first was complete.
  struct rlimit old_limit;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  struct rlimit small = old_limit;
  small.rlim_cur = 16;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  bool ok = ReplaceFiles(files(Path("third")), &failed, &error);
  setrlimit(RLIMIT_FSIZE, &old_limit);
  EXPECT_FALSE(ok);
  EXPECT_EQ(failed, 1u);
  EXPECT_EQ(error.error_number, EFBIG);

  EXPECT_EQ(Read(Path("first")), "first, old");
  EXPECT_EQ(Read(Path("second")), "second, old");
  EXPECT_EQ(Listing(), "first second ");

  ASSERT_TRUE(ReplaceFiles(files(Path("third")), nullptr, nullptr));
  EXPECT_EQ(Read(Path("first")), "first, new");
  EXPECT_EQ(Read(Path("third")), "third");
  EXPECT_EQ(Listing(), "first second third ");
}

// A disk in a folder the user may not write to, and a read-only disk, stay as they were, with
// the message on standard error. The write runs in a child process that is not the superuser,
// for whom permission bits do not count.
TEST_F(ReplaceTest, DiskThatCannotBeWrittenBack) {
  const uint8_t program[] = {0x01, 0x02, 0x03};
  const struct {
    const char *name;
    fs::perms folder, file;
  } cases[] = {
      {"folder.d88",
       fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
           fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec,
       fs::perms::all & ~(fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec)},
      {"file.d88",   fs::perms::all,
       fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read                    },
  };
  const std::string want = std::string(MessageText(Msg::D88WriteFailed)) + "\n";
  for (const auto &c : cases) {
    ASSERT_TRUE(WriteDisk(Path(c.name), Image{program, 1, 0, 0}));
    const std::string before = Read(Path(c.name));
    fs::permissions(Path(c.name), c.file);
    fs::permissions(dir_, c.folder);
    int pipe_ends[2];
    ASSERT_EQ(pipe(pipe_ends), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      dup2(pipe_ends[1], STDERR_FILENO);
      if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) {
        _exit(2);
      }
      _exit(WriteDisk(Path(c.name), Image{program, 3, 0x8000, 0x8000}) ? 1 : 0);
    }
    close(pipe_ends[1]);
    std::string message;
    char buffer[256];
    for (ssize_t got; (got = read(pipe_ends[0], buffer, sizeof buffer)) > 0;) {
      message.append(buffer, static_cast<size_t>(got));
    }
    close(pipe_ends[0]);
    int status = -1;
    waitpid(child, &status, 0);
    fs::permissions(dir_, fs::perms::owner_all);
    EXPECT_EQ(status, 0) << c.name;  // exited with 0: the write failed
    EXPECT_EQ(message, want) << c.name;
    EXPECT_EQ(Read(Path(c.name)), before) << c.name;
    EXPECT_EQ(Listing(), std::string(c.name) + " ");
    fs::remove(Path(c.name));
  }
}
