// Helpers shared by the fuzz targets: a scratch folder of the process's own, whole-file reads
// and writes in it, and the report of a broken invariant.
#pragma once

#include <sys/types.h>

#include <map>
#include <string>
#include <string_view>

// One entry of a folder: its contents and its inode (a replaced file gets a new one).
struct FolderEntry {
  std::string contents;
  ino_t inode = 0;
};
using FolderSnapshot = std::map<std::string, FolderEntry>;

// Makes a fresh folder (on a memory file system when there is one) the current folder; it is
// removed with everything in it when the process ends.
void EnterScratchFolder();
// Removes every entry of the current folder.
void ClearFolder();
// Every entry of the current folder, by name.
FolderSnapshot TakeSnapshot();
// Writes a whole file in the current folder; aborts when that fails.
void WriteWhole(const std::string &name, std::string_view contents);
// Reports a broken invariant on standard error and aborts, so that libFuzzer keeps the input.
[[noreturn]] void Violation(const char *format, ...) __attribute__((format(printf, 1, 2)));
