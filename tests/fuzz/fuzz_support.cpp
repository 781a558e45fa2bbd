// Scratch folder and file helpers of the fuzz targets.
#include "fuzz_support.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace {

std::string g_folder;

void RemoveFolder() {
  if (!g_folder.empty()) {
    std::error_code ec;
    std::filesystem::remove_all(g_folder, ec);
  }
}

bool ReadWhole(const char *name, std::string &contents) {
  int fd = open(name, O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    return false;
  }
  contents.clear();
  char chunk[65536];
  ssize_t got = 0;
  while ((got = read(fd, chunk, sizeof chunk)) > 0) {
    contents.append(chunk, static_cast<size_t>(got));
  }
  close(fd);
  return got == 0;
}

}  // namespace

void EnterScratchFolder() {
  struct stat info;
  std::string pattern =
      stat("/dev/shm", &info) == 0 && access("/dev/shm", W_OK) == 0
          ? "/dev/shm/talvo-fuzz-XXXXXX"
          : (std::filesystem::temp_directory_path() / "talvo-fuzz-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr || chdir(pattern.c_str()) != 0) {
    Violation("cannot make the scratch folder %s", pattern.c_str());
  }
  g_folder = pattern;
  std::atexit(RemoveFolder);
}

void ClearFolder() {
  DIR *dir = opendir(".");
  if (dir == nullptr) {
    Violation("cannot read the scratch folder");
  }
  while (const dirent *entry = readdir(dir)) {
    std::string_view name = entry->d_name;
    if (name != "." && name != "..") {
      std::error_code ec;
      std::filesystem::remove_all(entry->d_name, ec);
    }
  }
  closedir(dir);
}

FolderSnapshot TakeSnapshot() {
  FolderSnapshot snapshot;
  DIR *dir = opendir(".");
  if (dir == nullptr) {
    Violation("cannot read the scratch folder");
  }
  while (const dirent *entry = readdir(dir)) {
    std::string_view name = entry->d_name;
    if (name == "." || name == "..") {
      continue;
    }
    FolderEntry &item = snapshot[entry->d_name];
    struct stat info;
    if (lstat(entry->d_name, &info) != 0 || !S_ISREG(info.st_mode) ||
        !ReadWhole(entry->d_name, item.contents)) {
      Violation("'%s' in the scratch folder is no readable file", entry->d_name);
    }
    item.inode = info.st_ino;
  }
  closedir(dir);
  return snapshot;
}

void WriteWhole(const std::string &name, std::string_view contents) {
  FILE *file = std::fopen(name.c_str(), "wb");
  if (file == nullptr ||
      std::fwrite(contents.data(), 1, contents.size(), file) != contents.size() ||
      std::fclose(file) != 0) {
    Violation("cannot write '%s' into the scratch folder", name.c_str());
  }
}

void Violation(const char *format, ...) {
  std::fflush(stdout);
  std::fputs("fuzz invariant broken: ", stderr);
  va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
  std::fputc('\n', stderr);
  std::abort();
}
