// Output writers: raw binary, Intel HEX, MZT, the console dump, D88 disk images and the
// listings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

struct AssemblerState;

constexpr int kMztHeaderSize = 128;

// Encodes an MZT name into header[0] (attribute) and header[1..17].
void EncodeMztName(uint8_t *header, const char *name);

// The image handed to the writers: bytes 0..length-1 at load_address.
struct Image {
  const uint8_t *bytes = nullptr;
  int32_t length = 0;
  int32_t load_address = 0;
  int32_t exec_address = 0;
};

[[nodiscard]] bool WriteBinary(const char *path, const Image &image);
[[nodiscard]] bool WriteMzt(const char *path, const uint8_t *header, const Image &image,
                            bool truncate_at_d000);
[[nodiscard]] bool WriteIntelHex(const char *path, const Image &image);
void DumpImage(const Image &image);

// D88 disk images. A 2D disk lists 80 tracks, a 2DD disk 160.
enum class DiskType { k2D, k2DD };

// Writes the PC-8801 boot loader (track 0) and the image (from track 1) into a D88 file,
// updating it when it exists. Every message goes to standard error.
[[nodiscard]] bool WritePc8801Disk(const char *path, const Image &image);
// Prints the warnings of an MZ-2000 boot disk on the console, then writes the boot record,
// the fill sectors, the image and the allocation map into a D88 file, updating it when it
// exists. name is the boot disk name (at most 10 characters are used).
[[nodiscard]] bool WriteMz2000Disk(const char *path, const Image &image, const char *name,
                                   DiskType type);

// Where a file replacement stopped: Open when the new file could not be begun (nothing was
// made), Write when it could not be completed. Either way the old file is as it was.
enum class FileReplaceStage { None, Open, Write };
struct FileReplaceError {
  FileReplaceStage stage = FileReplaceStage::None;
  int error_number = 0;  // the system's errno at the failing step
};

// Replaces the contents of the file at path (following symbolic links to their target) with
// the given bytes, all or nothing: the bytes go to a temporary file in the same folder, which
// is flushed and renamed over the old file, keeping its permission bits. A new file gets the
// bits of an ordinary create. A device or pipe is written directly. On failure the old file is
// unchanged, no temporary file is left, and *error (when given) says why.
[[nodiscard]] bool ReplaceFileContents(const char *path, const uint8_t *bytes, size_t size,
                                       FileReplaceError *error = nullptr);

// ---- Listings ------------------------------------------------------------------------------

// The assemble list that the listing run builds in memory, written whole when the run ends.
struct AssembleList {
  std::string text;
  bool previous_empty = false;  // the last listing line had no source text
};

// Appends the listing line of one statement: the address (or the value an EQU or '=' line
// shows; its low 16 bits), the bytes image[first, end) that the statement put into the image
// (none when first < 0 or end <= first), and the source text, whose trailing blanks and line
// end are dropped here. A line with no text is printed as its address alone, and not at all
// right after another such line.
void AppendListingLine(AssembleList &list, int32_t address, const uint8_t *image, int32_t first,
                       int32_t end, std::string_view text);

// Which labels the label list shows.
struct LabelListFilter {
  bool all_scopes = false;   // -ll: every scope, each its own sorted group
  bool global_only = false;  // -lg: only labels defined with '::'
  std::string_view prefix;   // -l:PREFIX: own names starting with it; empty = all
};

// The label list (.lst): "NAME<tabs>EQU\t0XXXXH" lines sorted by own name, scope by scope.
std::string BuildLabelList(AssemblerState &st, const LabelListFilter &filter);
// The symbol file (.sym): "XXXX NAME\t" entries of the root scope, four to a CRLF line.
std::string BuildSymbolFile(AssemblerState &st);
// Writes a listing all or nothing; on failure prints a message naming the file.
[[nodiscard]] bool WriteListingFile(const std::string &path, const std::string &text);
