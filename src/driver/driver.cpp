// Command line parsing and the order of an assembly run.
#include "driver/driver.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "driver/state.h"

namespace {

constexpr int kExitFailure = -1;
constexpr size_t kNameBufferSize = 256;
constexpr size_t kMaxExtensionPosition = 251;
constexpr size_t kMaxDiskName = 10;

constexpr char kBanner[] = "TALVO -- Z80 Absolute Assembler ver 0.12 by Ostrel\n";

const char *const kUsage[] = {
    "Usage: TALVO [options] sourcefile [,sourcefile...]\n",
    "  -oxxx Set output file name\n",
    "  -i    Output with Intel HEX format\n",
    "  -mxxx Output MZT file (xxx is filename in MZT image)\n",
    "  -2xxx Output D88 file for MZ-2000 (xxx is boot disk name)\n",
    "  -8    Output D88 file for PC-8801\n",
    "  -d    Just dump the result\n",
    "  -l    Output label definition list (.lst)\n",
    "  -x    Output assemble list (.als)\n",
    "  -D    Define a label (ex. -Dlabel=1234h)\n",
    "  -T    Truncate MZT file if it exceeds D000h\n",
    "  -Y    Output symbol table file (.sym)\n",
};

void PrintUsage() {
  ConsolePrint("%s\n", kBanner);
  for (const char *line : kUsage) {
    ConsolePrint("%s", line);
  }
}

// What option parsing decided: go on, stop with an exit status, or refuse the argument (a
// long option's value; the caller reports it).
enum class ParseOutcome { Continue, Exit, Reject };

struct ParseResult {
  ParseOutcome outcome = ParseOutcome::Continue;
  int status = 0;
};

ParseResult Stop(int status) { return {ParseOutcome::Exit, status}; }

// The value of an option that takes one: the text attached after `skip` characters, or
// the next argument whatever it looks like. nullptr when there is neither.
const char *OptionValue(int argc, char **argv, int &index, size_t skip) {
  const char *attached = argv[index] + skip;
  if (*attached != '\0') {
    return attached;
  }
  if (index + 1 >= argc) {
    return nullptr;
  }
  return argv[++index];
}

// Long options, "--NAME" or "--NAME=VALUE", each a row of kLongOptions below.

void PrintLongOptions();

// --help: the usage text, then the options it does not list.
ParseResult ShowHelp(Options &, const char *) {
  PrintUsage();
  ConsolePrint("  -Ixxx Search INCLUDE and BINCLUDE files also in folder xxx\n");
  PrintLongOptions();
  return Stop(0);
}

// --version: the banner line.
ParseResult ShowVersion(Options &, const char *) {
  ConsolePrint("%s", kBanner);
  return Stop(0);
}

// Compares two texts without regard to the case of ASCII letters.
bool SameIgnoringCase(const char *a, const char *b) {
  for (; *a != '\0' && Upper(*a) == Upper(*b); ++a, ++b) {
  }
  return *a == '\0' && *b == '\0';
}

// A value of a long option that names one of a few settings.
template <typename Setting>
struct NamedSetting {
  const char *name;
  Setting setting;
};

// Applies the setting that value names (in any letter case); Reject when no row names it.
template <typename Setting, size_t N>
ParseResult SelectNamed(const NamedSetting<Setting> (&rows)[N], const char *value,
                        void (*apply)(Setting)) {
  for (const NamedSetting<Setting> &row : rows) {
    if (SameIgnoringCase(value, row.name)) {
      apply(row.setting);
      return {};
    }
  }
  return {ParseOutcome::Reject, 0};
}

// --messages=LANGUAGE: the texts of the catalogue messages from here on.
ParseResult SelectMessages(Options &, const char *value) {
  static constexpr NamedSetting<MessageLanguage> kLanguages[] = {
      {"cp932", MessageLanguage::cp932  },
      {"utf-8", MessageLanguage::utf8   },
      {"en",    MessageLanguage::english},
  };
  return SelectNamed(kLanguages, value, SetMessageLanguage);
}

// --errors=STYLE: how error and warning lines are printed from here on.
ParseResult SelectErrorStyle(Options &, const char *value) {
  static constexpr NamedSetting<ErrorStyle> kStyles[] = {
      {"classic", ErrorStyle::classic},
      {"gnu",     ErrorStyle::gnu    },
  };
  return SelectNamed(kStyles, value, SetErrorStyle);
}

// --warn=range: warnings about operand values their field cannot hold.
ParseResult SelectWarnings(Options &options, const char *value) {
  if (!SameIgnoringCase(value, "range")) {
    return {ParseOutcome::Reject, 0};
  }
  options.warn_range = true;
  return {};
}

// --deps=FILE: a make rule naming every file the run reads.
ParseResult SelectDepsFile(Options &options, const char *value) {
  if (*value == '\0') {
    return {ParseOutcome::Reject, 0};
  }
  options.deps_name = value;
  return {};
}

struct LongOption {
  const char *name;  // without the leading "--"; a name ending in '=' takes a value
  ParseResult (*apply)(Options &options, const char *value);
  const char *help;  // its line of the --help text
};

const LongOption kLongOptions[] = {
    {"help",      ShowHelp,         "  --help        Print this usage text\n"         },
    {"version",   ShowVersion,      "  --version     Print the version\n"             },
    {"messages=", SelectMessages,
     "  --messages=xx Print messages in cp932 (default), utf-8 or en (English)\n"     },
    {"errors=",   SelectErrorStyle,
     "  --errors=gnu  Print errors and warnings as FILE:LINE: error: TEXT on stderr\n"},
    {"warn=",     SelectWarnings,
     "  --warn=range  Warn about operand values outside the range of their field\n"   },
    {"deps=",     SelectDepsFile,
     "  --deps=xxx    Write a make rule: the output depends on every file read\n"     },
};

void PrintLongOptions() {
  for (const LongOption &option : kLongOptions) {
    ConsolePrint("%s", option.help);
  }
}

// An argument that begins with "--": the row of its name applies it. An unknown name, a value
// the row refuses, or a missing or extra "=VALUE" is an illegal option.
ParseResult ParseLongOption(Options &options, const char *arg) {
  const char *body = arg + 2;
  for (const LongOption &option : kLongOptions) {
    const size_t length = std::strlen(option.name);
    const bool takes_value = option.name[length - 1] == '=';
    if (takes_value ? std::strncmp(body, option.name, length) == 0
                    : std::strcmp(body, option.name) == 0) {
      ParseResult result = option.apply(options, body + length);
      if (result.outcome != ParseOutcome::Reject) {
        return result;
      }
      break;
    }
  }
  ConsoleMessage(Msg::IllegalLongOption, arg);
  return Stop(kExitFailure);
}

void SetMode(Options &options, OutputMode mode, const char *extension) {
  options.mode = mode;
  if (extension != nullptr) {
    options.extension = extension;
  }
}

ParseResult ParseArguments(AssemblerState &st, int argc, char **argv, bool &have_source) {
  Options &options = st.options;
  for (int i = 1; i < argc; ++i) {
    const char *arg = argv[i];
    if (arg[0] != '-') {
      uint32_t offset = AppendText(st.text, arg);
      if (offset == 0) {
        ConsoleMessage(Msg::CantInitTextStore);
        return Stop(kExitFailure);
      }
      if (!have_source) {
        options.first_source = offset;
        have_source = true;
      }
      ++options.source_count;
      continue;
    }
    if (arg[1] == '-') {
      ParseResult result = ParseLongOption(options, arg);
      if (result.outcome != ParseOutcome::Continue) {
        return result;
      }
      continue;
    }
    switch (arg[1]) {
      case 'o': {
        const char *value = OptionValue(argc, argv, i, 2);
        if (value == nullptr) {
          PrintUsage();
          return Stop(0);
        }
        if (std::strlen(value) >= kNameBufferSize) {
          ConsoleMessage(Msg::OutputNameTooLong);
          return Stop(kExitFailure);
        }
        options.output_name = value;
        options.output_given = true;
        break;
      }
      case 'i':
        SetMode(options, OutputMode::hex, ".hex");
        break;
      case 'm': {
        const char *value = OptionValue(argc, argv, i, 2);
        if (value == nullptr) {
          PrintUsage();
          return Stop(0);
        }
        SetMode(options, OutputMode::mzt, ".mzt");
        EncodeMztName(options.mzt_header, value);
        break;
      }
      case '2': {
        // "-25" selects the 2DD variant; the '5' is not part of the name.
        bool two_dd = arg[2] == '5';
        const char *value = OptionValue(argc, argv, i, two_dd ? 3 : 2);
        if (value == nullptr) {
          PrintUsage();
          return Stop(0);
        }
        SetMode(options, two_dd ? OutputMode::d88_mz2000_2dd : OutputMode::d88_mz2000_2d, ".d88");
        options.disk_name.assign(value, strnlen(value, kMaxDiskName));
        break;
      }
      case '8':
        SetMode(options, OutputMode::d88_pc8801, ".d88");
        break;
      case 'd':
        SetMode(options, OutputMode::dump, nullptr);
        break;
      case 'l':
        options.label_list = true;
        if (arg[2] == 'l') {
          options.label_list_all_scopes = true;
        } else if (arg[2] == 'g') {
          options.label_list_global_only = true;
        } else if (arg[2] == ':') {
          options.label_prefix = arg + 3;
        }
        break;
      case 'x':
        options.assemble_list = true;
        break;
      case 'I': {
        const char *value = OptionValue(argc, argv, i, 2);
        if (value == nullptr) {
          ConsoleMessage(Msg::IncludeFolderMissing);
          return Stop(kExitFailure);
        }
        options.include_folders.emplace_back(value);
        break;
      }
      case 'D':
        if (arg[2] == '\0') {
          ConsoleMessage(Msg::ErrorInDOption);
          return Stop(kExitFailure);
        }
        options.define = arg + 2;
        break;
      case 'T':
        options.truncate_d000 = true;
        break;
      case 'Y':
        options.symbol_file = true;
        break;
      default:
        ConsoleMessage(Msg::IllegalOption, arg[1]);
        return Stop(kExitFailure);
    }
  }
  return {};
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

namespace {

// The statements a -D text cannot hold, by the result they give: each needs a file or the
// lines that follow it, and the -D text is one line of its own.
struct DefineRefusal {
  StatementResult result;
  const char *keyword;
};
constexpr DefineRefusal kDefineRefusals[] = {
    {kResultEnd,        "END"       },
    {kResultInclude,    "INCLUDE"   },
    {kResultBinclude,   "BINCLUDE"  },
    {kResultBlockStart, "MACRO/REPT"},
};

// Assembles the -D text as one line under the file name kDefineFileName. A text longer than a
// line, or a statement that needs more than its one line, fails with a message.
bool AssembleDefine(AssemblerState &st) {
  SourceContext ctx;
  ctx.file_name = AddName(st, kDefineFileName);
  ctx.listing = st.assemble_list;
  const char *name = NameAt(st, ctx.file_name);
  const std::string_view define = st.options.define;
  if (define.size() >= kLineCapacity) {
    PrintErrorLine(st, PlaceOf(st, ctx, ctx.line), Msg::ReplayLineTooLong, name);
    return false;
  }
  char line[kLineCapacity];
  std::snprintf(line, sizeof line, "%s", st.options.define);
  SourceContext *outer = st.context;
  StatementResult result = AssembleLine(st, line, ctx);
  st.context = outer;
  for (const DefineRefusal &refusal : kDefineRefusals) {
    if (result == refusal.result) {
      SetErrorFormat(st, Msg::NotInDefine, refusal.keyword);
      PrintErrorLine(st, PlaceOf(st, ctx, ctx.line), Msg::LineError, name, ctx.line, st.diag.error);
      ClearError(st);
    }
  }
  return result == kResultOk;
}

// One run over the -D text and every source file, in order. An empty name is a file that
// cannot be opened, not the end of the list.
bool RunPass(AssemblerState &st) {
  ResetForPass(st);
  if (st.options.define != nullptr && !AssembleDefine(st)) {
    return false;
  }
  uint32_t offset = st.options.first_source;
  for (int32_t i = 0; i < st.options.source_count; ++i) {
    uint32_t next = 0;
    const char *name = ReadText(st.text, offset, next);
    if (name == nullptr || !AssembleSourceFile(st, name)) {
      return false;
    }
    offset = next;
  }
  return true;
}

int Finish(AssemblerState &st, int status) {
  SetMessageLanguage(MessageLanguage::cp932);  // --messages and --errors hold for this run only
  SetErrorStyle(ErrorStyle::classic);
  ClearFixups(st);
  FreeLabelTable(st);
  FreeTextStore(st.text);
  std::fflush(stdout);
  return status;
}

// ---- Output files --------------------------------------------------------------------------
//
// Every file of a run is named and checked before anything is built, then built in memory,
// then written all together, all or nothing: a run that fails at any step leaves every file
// as it was.

bool SameExistingFile(const char *a, const char *b) {
  struct stat first, second;
  return stat(a, &first) == 0 && stat(b, &second) == 0 && first.st_dev == second.st_dev &&
         first.st_ino == second.st_ino;
}

// The names of the files the run writes.
struct OutputNames {
  std::string image;                                   // empty with -d
  std::string label_list, symbol_file, assemble_list;  // empty when not asked for
  std::string make_rule;                               // --deps, or empty
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
  for (const std::string *name : {&names.image, &names.label_list, &names.symbol_file,
                                  &names.assemble_list, &names.make_rule}) {
    if (!name->empty()) {
      list.push_back(*name);
    }
  }
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
// prints the dump. False when a disk cannot be built (reported).
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
      std::string overflow;
      files.push_back(
          {name, MztFile(options.mzt_header, image, options.truncate_d000, &overflow), kind});
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
          options.mode == OutputMode::d88_mz2000_2d ? DiskType::k2D : DiskType::k2DD, contents);
      break;
  }
  if (ok) {
    files.push_back({name, std::move(contents), kind});
  }
  return ok;
}

// The listing run: the -D text and every source file assembled once more, storing no byte,
// each line appending its listing line to the assemble list. Its errors are printed but do
// not change the outcome of the program.
std::string RunListingPass(AssemblerState &st) {
  AssembleList list;
  st.assemble_list = &list;
  (void)RunPass(st);
  (void)ResolveFixups(st);
  ClearFixups(st);
  st.assemble_list = nullptr;
  return std::move(list.text);
}

// Builds the label list, the symbol file and the assemble list that were asked for, in this
// order.
void BuildListings(AssemblerState &st, const OutputNames &names, std::vector<OutputFile> &files) {
  const Options &options = st.options;
  if (!names.label_list.empty()) {
    const LabelListFilter filter{options.label_list_all_scopes, options.label_list_global_only,
                                 options.label_prefix};
    files.push_back({names.label_list, BuildLabelList(st, filter), OutputKind::Listing});
  }
  if (!names.symbol_file.empty()) {
    files.push_back({names.symbol_file, BuildSymbolFile(st), OutputKind::Listing});
  }
  if (!names.assemble_list.empty()) {
    files.push_back({names.assemble_list, RunListingPass(st), OutputKind::Listing});
  }
}

// The make rule of --deps, added to files: the image files of the run (the output name with
// -d) depend on every file it read, in the order they were first read. False (reported) when a
// name cannot be written into the rule.
bool BuildDepsFile(const AssemblerState &st, const std::string &name,
                   std::vector<OutputFile> &files) {
  std::vector<std::string> targets;
  for (const OutputFile &file : files) {
    if (file.kind == OutputKind::Image || file.kind == OutputKind::Disk) {
      targets.push_back(file.path);
    }
  }
  if (targets.empty()) {
    targets.push_back(st.options.output_name);
  }
  std::string rule;
  std::string unwritable;
  if (!BuildMakeRule(targets, st.input_names, rule, unwritable)) {
    ConsoleMessage(Msg::DepsNameUnwritable, unwritable.c_str());
    return false;
  }
  files.push_back({name, std::move(rule), OutputKind::MakeRule});
  return true;
}

void ReportNotWritten(const OutputFile &file, const FileReplaceError &error) {
  switch (file.kind) {
    case OutputKind::Image:
      if (error.stage == FileReplaceStage::Open) {
        ConsoleMessage(Msg::CannotOpenOutput);
      } else {
        ConsoleMessage(Msg::CannotWriteOutput);
      }
      break;
    case OutputKind::Disk:
      ReportDiskNotWritten(file.path.c_str());
      break;
    case OutputKind::Listing:
      ConsoleMessage(Msg::ListingNotWritten, file.path.c_str(), std::strerror(error.error_number));
      break;
    case OutputKind::MakeRule:
      ConsoleMessage(Msg::DepsNotWritten, file.path.c_str(), std::strerror(error.error_number));
      break;
  }
}

// Names, checks, builds and writes every file of the run: the image (or the dump) and the
// listings asked for. False (reported) when any step fails; then no file has changed.
bool WriteOutputs(AssemblerState &st, const Image &image) {
  OutputNames names;
  if (!NameOutputs(st, names) || !CheckOutputNames(st, NamesOf(names))) {
    return false;
  }
  std::vector<OutputFile> files;
  if (!BuildImageFiles(st, image, names.image, files)) {
    return false;
  }
  BuildListings(st, names, files);
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

}  // namespace

int RunTalvo(AssemblerState &st, int argc, char **argv) {
  if (argc <= 1) {
    PrintUsage();
    return 0;
  }
  if (!CreateLabelTable(st)) {
    ConsoleMessage(Msg::CantInitLabelTable);
    return kExitFailure;
  }
  if (!CreateTextStore(st.text)) {
    ConsoleMessage(Msg::CantInitTextStore);
    return Finish(st, kExitFailure);
  }
  bool have_source = false;
  ParseResult parsed = ParseArguments(st, argc, argv, have_source);
  if (parsed.outcome == ParseOutcome::Exit) {
    return Finish(st, parsed.status);
  }
  if (!have_source) {
    PrintUsage();
    return Finish(st, 0);
  }
  if (AppendText(st.text, "") == 0) {
    ConsoleMessage(Msg::CantInitTextStore);
    return Finish(st, kExitFailure);
  }
  if (!st.options.output_given) {
    uint32_t unused = 0;
    std::string name = ReadText(st.text, st.options.first_source, unused);
    if (name.size() >= kNameBufferSize || !ReplaceExtension(name, st.options.extension)) {
      ConsoleMessage(Msg::InputNameTooLong);
      return Finish(st, kExitFailure);
    }
    st.options.output_name = name;
  }

  if (!RunPass(st)) {
    // Resolve anyway, so that unresolved labels are reported too (unless the error-line limit
    // has stopped the run: nothing more would be printed).
    if (!st.diag.stopped) {
      (void)ResolveFixups(st);
    }
    return Finish(st, kExitFailure);
  }
  if (!CheckPlacementModesClosed(st) || !PlaceBlocks(st) || !ResolveFixups(st) ||
      !CopyPlacedBlocks(st)) {
    return Finish(st, kExitFailure);
  }
  if (st.code.end == 0) {
    ConsoleMessage(Msg::BinaryEmpty);
    return Finish(st, kExitFailure);
  }
  Image image;
  image.bytes = st.code.bytes.data();
  image.length = st.code.end;
  image.load_address = st.load_address;
  image.exec_address = st.exec_address;
  return Finish(st, WriteOutputs(st, image) ? 0 : kExitFailure);
}
