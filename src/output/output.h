// Output writers: raw binary, Intel HEX, MZT, the console dump, D88 disk images, the
// listings and the make rule of the files read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/state.h"

constexpr int kMztHeaderSize = 128;

// How much of a name the MZT name field holds.
struct MztNameFit {
  size_t kept = 0;     // the name's first characters that are stored
  bool whole = false;  // all of them, followed by the end mark 0Dh
};

// Encodes an MZT name into header[0] (attribute) and header[1..17].
MztNameFit EncodeMztName(uint8_t *header, const char *name);

// The image handed to the writers: bytes 0..length-1 at load_address.
struct Image {
  const uint8_t *bytes = nullptr;
  int32_t length = 0;
  int32_t load_address = 0;
  int32_t exec_address = 0;
};

// The contents of each image file.
std::string BinaryFile(const Image &image);
std::string IntelHexFile(const Image &image);
// The MZT tape image. With truncate_at_d000 the image stops before D000h and the bytes from
// D000h on go to *overflow, the contents of D000.bin (left empty when there are none).
std::string MztFile(const uint8_t *header, const Image &image, bool truncate_at_d000,
                    std::string *overflow);
// False, with the message printed, when the MZT would hold more bytes than its 16-bit size
// field can give (a 64 KiB image without the cut at D000h).
[[nodiscard]] bool CheckMztSize(const Image &image, bool truncate_at_d000);
constexpr const char *kOverflowFileName = "D000.bin";
void DumpImage(const Image &image);

// D88 disk images. A 2D disk lists 80 tracks, a 2DD disk 160.
enum class DiskType { TwoD, TwoDD };

// Builds, into disk, the D88 file at path with the PC-8801 boot loader (track 0) and the image
// (from track 1): the existing file updated, or a new blank disk. Every message goes to
// standard error.
[[nodiscard]] bool BuildPc8801Disk(const char *path, const Image &image, std::string &disk);
// The characters of a boot disk name that the MZ-2000 boot record holds.
constexpr size_t kBootNameLength = 10;

// Prints the warnings of an MZ-2000 boot disk on the console, then builds, into disk, the D88
// file at path with the boot record, the fill sectors, the image and the allocation map. name
// is the boot disk name (at most kBootNameLength characters are used).
[[nodiscard]] bool BuildMz2000Disk(const char *path, const Image &image, const char *name,
                                   DiskType type, std::string &disk);
// Reports on standard error that the disk at path could not be written (or, when there was no
// such file, created).
void ReportDiskNotWritten(const char *path);

// ---- Dependency rule ---------------------------------------------------------------------

// The make rule "TARGETS: PREREQUISITES" (--deps), each name written so that make reads it
// back as it is: blanks, '#', ':', wildcards and '|' escaped with '\', '$' doubled, '%'
// escaped in targets. False, with the name in unwritable, when a name holds what a rule cannot
// (a line end, ';', '=', a leading '~' or a trailing '\'). Every prerequisite after the first
// also gets an empty rule of its own, "NAME:", so that a renamed file does not stop make (but
// for a name with a TAB, which make cannot read as a target).
[[nodiscard]] bool BuildMakeRule(const std::vector<std::string> &targets,
                                 const std::vector<std::string> &prerequisites, std::string &rule,
                                 std::string &unwritable);

// ---- Replacing files ---------------------------------------------------------------------

// What a file written by a run is, for the message when it cannot be written.
enum class OutputKind { Image, Disk, Tape, Listing, Debugger, MakeRule };

// A file a run writes: its name and its whole new contents.
struct OutputFile {
  std::string path;
  std::string contents;
  OutputKind kind = OutputKind::Image;
};

// Where a file replacement stopped: Open when the new file could not be begun (nothing was
// made), Write when it could not be completed. Either way the old file is as it was.
enum class FileReplaceStage { None, Open, Write };
struct FileReplaceError {
  FileReplaceStage stage = FileReplaceStage::None;
  int error_number = 0;  // the system's errno at the failing step
};

// Replaces the contents of every file (following symbolic links to their targets) all
// together, all or nothing: each file's new bytes go to a temporary file in the same folder,
// flushed, and only when every one is complete are they renamed over the old files, keeping
// their permission bits. A new file gets the bits of an ordinary create. A device or pipe is
// written directly, after every regular file is ready. On failure every old file is unchanged,
// no temporary file is left, *failed (when given) is the index of the file that failed and
// *error (when given) says why. The names must lead to different files. A SIGHUP, SIGINT,
// SIGTERM or SIGPIPE while the files are written removes every temporary file before it ends
// the process; the renames are held together against signals, and against another process's
// renames into the same folders (by an advisory lock on each folder), so that the set is
// committed whole.
[[nodiscard]] bool ReplaceFiles(const std::vector<OutputFile> &files, size_t *failed,
                                FileReplaceError *error);
// The file a name leads to, as ReplaceFiles finds it: symbolic links followed (the last may
// lead to a file still to be made), the path made absolute and plain, so that two names of one
// file give the same text.
std::string ResolvedPath(const char *path);

// ---- Listings ------------------------------------------------------------------------------

// The assemble list that the listing run builds in memory, written whole when the run ends.
struct AssembleList {
  std::string text;
  bool previous_empty = false;  // the last listing line had no source text
};

// The T-states column of a listing line (--cycles): the sums over the instructions of the
// line, the longer paths' and the shorter paths'; both are shown when an instruction has two
// paths. A line without instructions shows an empty column.
struct CycleColumn {
  int32_t instructions = 0;
  int32_t taken = 0;
  int32_t not_taken = 0;
  bool two_paths = false;
};

// Appends the listing line of one statement: the address (or the value an EQU or '=' line
// shows; its low 16 bits), the bytes image[first, end) that the statement put into the image
// (none when first < 0 or end <= first), the T-states column when cycles is given, and the
// source text, whose trailing blanks and line end are dropped here. A line with no text is
// printed as its address alone, and not at all right after another such line.
void AppendListingLine(AssembleList &list, int32_t address, const uint8_t *image, int32_t first,
                       int32_t end, std::string_view text, const CycleColumn *cycles = nullptr);

// Which labels the label list shows.
struct LabelListFilter {
  bool all_scopes = false;   // -ll: every scope, each its own sorted group
  bool global_only = false;  // -lg: only labels defined with '::'
  std::string_view prefix;   // -l:PREFIX: own names starting with it; empty = all
};

// The label list (.lst): "NAME<tabs>EQU\t0XXXXH" lines sorted by own name, scope by scope.
// With timing (--cycles: what the listing run noted), an address label followed by
// instructions gets the sum of their T-states as a comment, "\t; 38-45 T-states" (shorter and
// longer paths; one number when they agree): the instructions from its line to the next
// address label in source order.
std::string BuildLabelList(AssemblerState &st, const LabelListFilter &filter,
                           const std::vector<TimingEvent> *timing = nullptr);
// The symbol file (.sym): "XXXX NAME\t" entries of the root scope, four to a CRLF line.
std::string BuildSymbolFile(AssemblerState &st);

// ---- Files for emulators and debuggers -------------------------------------------------------

// A label as a debugger file names it.
struct DebugLabel {
  std::string name;  // the enclosing scope names and its own, joined by '.'
  uint16_t value = 0;
  bool constant = false;     // made by EQU: a value, not an address
  bool redefinable = false;  // made by '=': only its last value is known
};

// What a MAME debugger script adds to the labels: the tag of the CPU its commands are for
// ("maincpu" on the MZ machines, "z80" on the PC-8001/8801) and the breakpoint addresses.
struct MameScriptSettings {
  std::string cpu = "maincpu";
  std::vector<uint16_t> breakpoints;
};

// The labels a debugger is told about, scope by scope in creation order, each in table order:
// every label defined in its own scope, anonymous ones left out.
std::vector<DebugLabel> DebugLabels(AssemblerState &st);

// The text of a symbol file in format, of labels (in the order of the label table).
std::string SymbolFileText(const std::vector<DebugLabel> &labels, SymbolFormat format,
                           const MameScriptSettings &mame);

// The MZT tape image mzt (its 128-byte header, then the body) as the audio of a cassette
// recorded with timing: a 16-bit mono PCM WAV file.
std::string MzTapeWav(std::string_view mzt, TapeTiming timing);

// The image as the PC-8001/8801 machine-language monitor writes it to tape: an address record,
// data records and the end record (the whole contents of a CMT file).
std::string MonitorTapeRecords(const Image &image);
// The T88 tape image of those records, behind a leader, a name block "$$$NAME" (name: up to
// six letters and digits of it, upper-cased) and another leader.
std::string T88File(const Image &image, std::string_view name);

// The source-level debug data (SLD) of the events the listing run traced: the header, the
// keywords line and the memory model of a plain 64 KiB machine (named at line 1 of
// first_source), then in source order a line for every statement's first byte and every
// label (a constant of EQU marked as such; '=' labels left out). False, with the name in
// unwritable, when a file or label name holds what an SLD field cannot ('|', a line end; ','
// in a label).
[[nodiscard]] bool BuildSldFile(AssemblerState &st, const std::vector<TraceEvent> &trace,
                                std::string_view first_source, std::string &text,
                                std::string &unwritable);
