// The files a run reads: opening them, finding INCLUDE and BINCLUDE files, copying a BINCLUDE
// file into the image, and knowing them again by device and inode.
#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "assembler/assembler.h"
#include "source/reader.h"
#include "source/source.h"

namespace {

FileIdentity IdentityOf(const struct stat &info) {
  return {static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
}

}  // namespace

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
  if (st.source.inputs.insert(IdentityOf(info)).second) {
    st.source.input_names.emplace_back(name);
  }
  return file;
}

namespace {

// The folder part of a path, with its '/'; empty for a name without one.
std::string_view FolderOf(std::string_view path) {
  const size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? std::string_view{} : path.substr(0, slash + 1);
}

}  // namespace

FILE *OpenIncluded(AssemblerState &st, const SourceContext &ctx, const char *mode,
                   std::string &opened, std::string &searched) {
  const std::string_view name = ctx.operand;
  opened = name;
  searched = "'" + opened + "'";
  FILE *file = OpenInput(st, ctx.operand, mode);
  if (file != nullptr || name.empty() || name.front() == '/') {
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
    searched += ", '" + opened + "'";
    file = OpenInput(st, opened.c_str(), mode);
    if (file != nullptr) {
      return file;
    }
  }
  opened = name;
  return nullptr;
}

bool IncludeBinary(AssemblerState &st) {
  const SourceContext &ctx = *st.source.context;
  std::string opened;
  std::string searched;
  FILE *file = OpenIncluded(st, ctx, "rb", opened, searched);
  if (file == nullptr) {
    ReportAtLineDetailed(st, ctx.line, ctx.operand_column,
                         FormatMessage(Msg::DetailSearched, searched.c_str()), Msg::FileNotFound,
                         ctx.operand);
    return false;
  }
  unsigned char chunk[4096];
  bool ok = true;
  size_t got = 0;
  while (ok && (got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
    for (size_t i = 0; i < got; ++i) {
      // Whatever stops the bytes (the image, an IN_PAGE page, an ARRANGE area), the file is
      // what does not fit.
      if (!TryEmitByte(st, chunk[i])) {
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
