// The files of a run: every one is named and checked before anything is built, then built in
// memory, then written all together, all or nothing: a run that fails at any step leaves every
// file as it was.
#include "driver/outputs.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "driver/passes.h"
#include "output/output.h"
#include "source/source.h"

namespace {

constexpr size_t kMaxExtensionPosition = 251;

// The names of the files the run writes.
struct OutputNames {
  std::string image;                                   // empty with -d
  std::string label_list, symbol_file, assemble_list;  // empty when not asked for
  std::string make_rule;                               // --deps, or empty
  std::string wav, t88, cmt;                           // the tapes, when asked for
  std::vector<std::string> symbol_files;               // --symbols, in order
  std::string sld;                                     // --sld, or empty
};

// The name of a listing: the output name with the listing's extension. False, with a message,
// when the extension cannot be applied (the name would be left as the output name).
bool ListingName(const AssemblerState &st, const char *extension, std::string &name) {
  const std::string &output = st.options.output_name;
  name = output;
  if (!ReplaceExtension(name, extension)) {
    name = output.substr(0, std::min(output.rfind('.'), output.size())) + extension;
    ConsoleMessage(Msg::ListingNameTooLong, name.c_str());
    return false;
  }
  return true;
}

bool NameOutputs(const AssemblerState &st, OutputNames &names) {
  const Options &options = st.options;
  if (options.mode != OutputMode::dump) {
    names.image = options.output_name;
  }
  names.make_rule = options.deps_name;
  names.wav = options.wav_name;
  names.t88 = options.t88_name;
  names.cmt = options.cmt_name;
  for (const SymbolFileRequest &request : options.symbol_files) {
    names.symbol_files.push_back(request.path);
  }
  names.sld = options.sld_name;
  return (!options.label_list || ListingName(st, ".lst", names.label_list)) &&
         (!options.symbol_file || ListingName(st, ".sym", names.symbol_file)) &&
         (!options.assemble_list || ListingName(st, ".als", names.assemble_list));
}

// No file the run writes may be a file it has read (links followed), and no two may be the
// same file. False, with a message naming the file, when one is.
bool CheckOutputNames(const AssemblerState &st, const std::vector<std::string> &names) {
  for (size_t i = 0; i < names.size(); ++i) {
    const char *name = names[i].c_str();
    if (IsInputFile(st, name)) {
      ConsoleMessage(Msg::OutputIsInput, name);
      return false;
    }
    for (size_t j = 0; j < i; ++j) {
      if (names[j] == names[i] || SameExistingFile(names[j].c_str(), name) ||
          ResolvedPath(names[j].c_str()) == ResolvedPath(name)) {
        ConsoleMessage(Msg::OutputNamedTwice, name);
        return false;
      }
    }
  }
  return true;
}

std::vector<std::string> NamesOf(const OutputNames &names) {
  std::vector<std::string> list;
  for (const std::string *name :
       {&names.image, &names.wav, &names.t88, &names.cmt, &names.label_list, &names.symbol_file,
        &names.assemble_list, &names.sld, &names.make_rule}) {
    if (!name->empty()) {
      list.push_back(*name);
    }
  }
  list.insert(list.end(), names.symbol_files.begin(), names.symbol_files.end());
  return list;
}

std::vector<std::string> NamesOf(const std::vector<OutputFile> &files) {
  std::vector<std::string> list;
  list.reserve(files.size());
  for (const OutputFile &file : files) {
    list.push_back(file.path);
  }
  return list;
}

// Builds the image file for the output mode (and D000.bin beside an MZT cut at D000h), or
// prints the dump. False when a disk cannot be built or the image does not fit its format
// (reported).
bool BuildImageFiles(const AssemblerState &st, const Image &image, const std::string &name,
                     std::vector<OutputFile> &files) {
  const Options &options = st.options;
  std::string contents;
  OutputKind kind = OutputKind::Image;
  bool ok = true;
  switch (options.mode) {
    case OutputMode::bin:
      contents = BinaryFile(image);
      break;
    case OutputMode::hex:
      contents = IntelHexFile(image);
      break;
    case OutputMode::mzt: {
      if (!CheckMztSize(image, options.truncate_d000)) {
        return false;
      }
      std::string overflow;
      uint8_t header[kMztHeaderSize] = {};
      EncodeMztName(header, options.mzt_name.c_str());
      files.push_back({name, MztFile(header, image, options.truncate_d000, &overflow), kind});
      if (!overflow.empty()) {
        files.push_back({kOverflowFileName, std::move(overflow), kind});
      }
      return true;
    }
    case OutputMode::dump:
      DumpImage(image);
      return true;
    case OutputMode::d88_pc8801:
      kind = OutputKind::Disk;
      ok = BuildPc8801Disk(name.c_str(), image, contents);
      break;
    case OutputMode::d88_mz2000_2d:
    case OutputMode::d88_mz2000_2dd:
      kind = OutputKind::Disk;
      ok = BuildMz2000Disk(
          name.c_str(), image, options.disk_name.c_str(),
          options.mode == OutputMode::d88_mz2000_2d ? DiskType::TwoD : DiskType::TwoDD, contents);
      break;
  }
  if (ok) {
    files.push_back({name, std::move(contents), kind});
  }
  return ok;
}

bool IsMz2000Disk(OutputMode mode) {
  return mode == OutputMode::d88_mz2000_2d || mode == OutputMode::d88_mz2000_2dd;
}

// A file name without its folders and its extension.
std::string Stem(const std::string &path) {
  const size_t slash = path.rfind('/');
  std::string stem = slash == std::string::npos ? path : path.substr(slash + 1);
  return stem.substr(0, std::min(stem.rfind('.'), stem.size()));
}

// The name a tape of the run carries: that of -m, or of the -2 boot disk, else the output
// file's own name.
std::string TapeName(const Options &options) {
  if (options.mode == OutputMode::mzt) {
    return options.mzt_name;
  }
  if (IsMz2000Disk(options.mode)) {
    return options.disk_name.substr(0, kBootNameLength);
  }
  return Stem(options.output_name);
}

// The tape timing of --wav: as --wav-timing says, else the MZ-80B/MZ-2000 one for a program of
// an MZ-2000 boot disk and the MZ-700 one for any other.
TapeTiming WavTiming(const Options &options) {
  if (options.wav_timing_given) {
    return options.wav_timing;
  }
  return IsMz2000Disk(options.mode) ? TapeTiming::Mz80b : TapeTiming::Mz700;
}

}  // namespace

void WarnNamesCut(AssemblerState &st) {
  const Options &options = st.options;
  if (!Warns(options, kWarnText)) {
    return;
  }
  if (options.mode == OutputMode::mzt || !options.wav_name.empty()) {
    const std::string name = TapeName(options);
    uint8_t header[kMztHeaderSize] = {};
    const MztNameFit fit = EncodeMztName(header, name.c_str());
    if (!fit.whole) {
      const std::string kept = name.substr(0, fit.kept);
      ReportAt(st, SourceLocation{}, Msg::WarnMztNameCut, name.c_str(), kept.c_str());
    }
  }
  if (IsMz2000Disk(options.mode) && options.disk_name.size() > kBootNameLength) {
    const std::string kept = options.disk_name.substr(0, kBootNameLength);
    ReportAt(st, SourceLocation{}, Msg::WarnDiskNameCut, options.disk_name.c_str(), kept.c_str());
  }
}

namespace {

// Builds the tapes that were asked for: the MZ tape as audio (the MZT that -m writes, cut at
// D000h as with -m -T), and the PC-8001/8801 monitor tapes. False (reported) when the image
// does not fit an MZT.
bool BuildTapeFiles(const AssemblerState &st, const Image &image, const OutputNames &names,
                    std::vector<OutputFile> &files) {
  const Options &options = st.options;
  if (!names.wav.empty()) {
    // D000.bin, when the tape is cut, is written by -m beside its MZT.
    const bool cut = options.mode == OutputMode::mzt && options.truncate_d000;
    if (!CheckMztSize(image, cut)) {
      return false;
    }
    uint8_t header[kMztHeaderSize] = {};
    EncodeMztName(header, TapeName(options).c_str());
    std::string overflow;
    const std::string mzt = MztFile(header, image, cut, &overflow);
    files.push_back({names.wav, MzTapeWav(mzt, WavTiming(options)), OutputKind::Tape});
  }
  if (!names.t88.empty()) {
    files.push_back({names.t88, T88File(image, Stem(names.t88)), OutputKind::Tape});
  }
  if (!names.cmt.empty()) {
    files.push_back({names.cmt, MonitorTapeRecords(image), OutputKind::Tape});
  }
  return true;
}

// The symbol files of --symbols, in order. False (reported) when a --break names no label.
bool BuildSymbolFiles(AssemblerState &st, std::vector<OutputFile> &files) {
  const Options &options = st.options;
  if (options.symbol_files.empty()) {
    return true;
  }
  const std::vector<DebugLabel> labels = DebugLabels(st);
  MameScriptSettings mame;
  // The PC-8001/8801 systems name their main CPU "z80", the MZ systems "maincpu".
  if (options.mode == OutputMode::d88_pc8801 || !options.t88_name.empty() ||
      !options.cmt_name.empty()) {
    mame.cpu = "z80";
  }
  for (const std::string &name : options.breakpoints) {
    // A constant or a '=' label names no address to stop at.
    const auto found = std::find_if(labels.begin(), labels.end(), [&](const DebugLabel &label) {
      return label.name == name && !label.constant && !label.redefinable;
    });
    if (found == labels.end()) {
      ConsoleMessage(Msg::BreakLabelUndefined, name.c_str());
      return false;
    }
    mame.breakpoints.push_back(found->value);
  }
  for (const SymbolFileRequest &request : options.symbol_files) {
    files.push_back(
        {request.path, SymbolFileText(labels, request.format, mame), OutputKind::Debugger});
  }
  return true;
}

// Builds the label list, the symbol file, the assemble list and the debugger files that were
// asked for, in this order. False (reported) when the listing run fails, or a debugger file
// cannot be made. The T-state totals of the label list (--cycles) come from a listing run,
// made for them when nothing else asks for one.
bool BuildListings(AssemblerState &st, const OutputNames &names, std::vector<OutputFile> &files) {
  const Options &options = st.options;
  const LabelListFilter filter{options.label_list_all_scopes, options.label_list_global_only,
                               options.label_prefix};
  const bool timed_label_list = options.cycles && !names.label_list.empty();
  const size_t label_list_file = files.size();
  if (!names.label_list.empty()) {
    // With totals, the contents follow the listing run.
    files.push_back({names.label_list,
                     timed_label_list ? std::string() : BuildLabelList(st, filter),
                     OutputKind::Listing});
  }
  if (!names.symbol_file.empty()) {
    files.push_back({names.symbol_file, BuildSymbolFile(st), OutputKind::Listing});
  }
  std::vector<TraceEvent> trace;
  std::vector<TimingEvent> timing;
  if (ListingRunFollows(options) || timed_label_list) {
    std::string list;
    st.listing.timing = timed_label_list ? &timing : nullptr;
    const bool listed = RunListingPass(st, list, names.sld.empty() ? nullptr : &trace);
    st.listing.timing = nullptr;
    if (!listed) {
      return false;
    }
    if (!names.assemble_list.empty()) {
      files.push_back({names.assemble_list, std::move(list), OutputKind::Listing});
    }
  }
  if (timed_label_list) {
    files[label_list_file].contents = BuildLabelList(st, filter, &timing);
  }
  if (!BuildSymbolFiles(st, files)) {
    return false;
  }
  if (!names.sld.empty()) {
    std::string sld;
    std::string unwritable;
    // The memory model is named at the first line of the first file read.
    const std::vector<std::string> &inputs = InputNames(st);
    const std::string first = inputs.empty() ? std::string() : inputs.front();
    if (!BuildSldFile(st, trace, first, sld, unwritable)) {
      ConsoleMessage(Msg::SldNameUnwritable, unwritable.c_str());
      return false;
    }
    files.push_back({names.sld, std::move(sld), OutputKind::Debugger});
  }
  return true;
}

// The make rule of --deps, added to files: the image files of the run (the output name with
// -d) depend on every file it read, in the order they were first read. False (reported) when a
// name cannot be written into the rule.
bool BuildDepsFile(const AssemblerState &st, const std::string &name,
                   std::vector<OutputFile> &files) {
  std::vector<std::string> targets;
  for (const OutputFile &file : files) {
    if (file.kind == OutputKind::Image || file.kind == OutputKind::Disk ||
        file.kind == OutputKind::Tape) {
      targets.push_back(file.path);
    }
  }
  if (targets.empty()) {
    targets.push_back(st.options.output_name);
  }
  std::string rule;
  std::string unwritable;
  if (!BuildMakeRule(targets, InputNames(st), rule, unwritable)) {
    ConsoleMessage(Msg::DepsNameUnwritable, unwritable.c_str());
    return false;
  }
  files.push_back({name, std::move(rule), OutputKind::MakeRule});
  return true;
}

void ReportNotWritten(const OutputFile &file, const FileReplaceError &error) {
  switch (file.kind) {
    case OutputKind::Image: {
      // The classic line names neither the file nor the reason; --errors=gnu adds both.
      const std::string detail = FormatMessage(Msg::DetailSystemReason, file.path.c_str(),
                                               std::strerror(error.error_number));
      if (error.stage == FileReplaceStage::Open) {
        ConsoleMessageDetailed(detail, Msg::CannotOpenOutput);
      } else {
        ConsoleMessageDetailed(detail, Msg::CannotWriteOutput);
      }
      break;
    }
    case OutputKind::Disk: {
      if (!GnuErrorStyle()) {
        ReportDiskNotWritten(file.path.c_str());
        break;
      }
      // The same choice as the classic line (the old disk is there exactly when it was), with
      // the file and the reason.
      const std::string detail = FormatMessage(Msg::DetailSystemReason, file.path.c_str(),
                                               std::strerror(error.error_number));
      struct stat info;
      if (stat(file.path.c_str(), &info) == 0) {
        ConsoleMessageDetailed(detail, Msg::D88WriteFailed);
      } else {
        ConsoleMessageDetailed(detail, Msg::D88CreateFailed);
      }
      break;
    }
    case OutputKind::Tape:
      ConsoleMessage(Msg::TapeNotWritten, file.path.c_str(), std::strerror(error.error_number));
      break;
    case OutputKind::Listing:
      ConsoleMessage(Msg::ListingNotWritten, file.path.c_str(), std::strerror(error.error_number));
      break;
    case OutputKind::Debugger:
      ConsoleMessage(Msg::DebugFileNotWritten, file.path.c_str(),
                     std::strerror(error.error_number));
      break;
    case OutputKind::MakeRule:
      ConsoleMessage(Msg::DepsNotWritten, file.path.c_str(), std::strerror(error.error_number));
      break;
  }
}

}  // namespace

bool ReplaceExtension(std::string &name, const char *extension) {
  size_t dot = name.rfind('.');
  size_t position = dot == std::string::npos ? name.size() : dot;
  if (position > kMaxExtensionPosition) {
    return false;
  }
  name.resize(position);
  name += extension;
  return true;
}

bool WriteOutputs(AssemblerState &st, const Image &image) {
  OutputNames names;
  if (!NameOutputs(st, names) || !CheckOutputNames(st, NamesOf(names))) {
    return false;
  }
  const bool mame_script = std::any_of(
      st.options.symbol_files.begin(), st.options.symbol_files.end(),
      [](const SymbolFileRequest &request) { return request.format == SymbolFormat::Mame; });
  if (!st.options.breakpoints.empty() && !mame_script) {
    ConsoleMessage(Msg::BreakWithoutScript);
    return false;
  }
  std::vector<OutputFile> files;
  if (!BuildImageFiles(st, image, names.image, files) || !BuildTapeFiles(st, image, names, files)) {
    return false;
  }
  if (!BuildListings(st, names, files)) {
    return false;
  }
  if (!names.make_rule.empty() && !BuildDepsFile(st, names.make_rule, files)) {
    return false;
  }
  // Once more with D000.bin, and with any file that only the listing run read.
  if (!CheckOutputNames(st, NamesOf(files))) {
    return false;
  }
  size_t failed = 0;
  FileReplaceError error;
  if (!ReplaceFiles(files, &failed, &error)) {
    ReportNotWritten(files[failed], error);
    return false;
  }
  return true;
}
