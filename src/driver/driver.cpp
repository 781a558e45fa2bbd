// Command line parsing and the order of an assembly run.
#include "driver/driver.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "driver/state.h"

namespace {

constexpr int kExitFailure = -1;
constexpr size_t kNameBufferSize = 256;
constexpr size_t kMaxExtensionPosition = 251;
constexpr size_t kMaxDiskName = 10;

const char *const kUsage[] = {
    "TALVO -- Z80 Absolute Assembler ver 0.12 by Ostrel\n\n",
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
  for (const char *line : kUsage) {
    ConsolePrint("%s", line);
  }
}

// What option parsing decided: go on, or stop with an exit status.
enum class ParseOutcome { Continue, Exit };

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

// Assembles the -D text as one line under the file name "in -D option". A text longer than a
// line, or a statement that needs more than its one line, fails with a message.
bool AssembleDefine(AssemblerState &st) {
  SourceContext ctx;
  ctx.file_name = AddName(st, "in -D option");
  ctx.listing = st.assemble_list;
  const char *name = NameAt(st, ctx.file_name);
  const std::string_view define = st.options.define;
  if (define.size() >= kLineCapacity) {
    PrintErrorLine(st, Msg::ReplayLineTooLong, name);
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
      PrintErrorLine(st, Msg::LineError, name, ctx.line, st.diag.error);
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

bool WriteOutput(const AssemblerState &st, const Image &image) {
  const Options &options = st.options;
  switch (options.mode) {
    case OutputMode::bin:
      return WriteBinary(options.output_name.c_str(), image);
    case OutputMode::hex:
      return WriteIntelHex(options.output_name.c_str(), image);
    case OutputMode::mzt:
      return WriteMzt(options.output_name.c_str(), options.mzt_header, image,
                      options.truncate_d000);
    case OutputMode::dump:
      DumpImage(image);
      return true;
    case OutputMode::d88_pc8801:
      return WritePc8801Disk(options.output_name.c_str(), image);
    case OutputMode::d88_mz2000_2d:
      return WriteMz2000Disk(options.output_name.c_str(), image, options.disk_name.c_str(),
                             DiskType::k2D);
    case OutputMode::d88_mz2000_2dd:
      return WriteMz2000Disk(options.output_name.c_str(), image, options.disk_name.c_str(),
                             DiskType::k2DD);
  }
  return false;
}

int Finish(AssemblerState &st, int status) {
  ClearFixups(st);
  FreeLabelTable(st);
  FreeTextStore(st.text);
  std::fflush(stdout);
  return status;
}

bool SameExistingFile(const char *a, const char *b) {
  struct stat first, second;
  return stat(a, &first) == 0 && stat(b, &second) == 0 && first.st_dev == second.st_dev &&
         first.st_ino == second.st_ino;
}

// The name of a listing: the output name with the listing's extension. False, with a message,
// when the extension cannot be applied (the name would be left as the output name) or when
// the listing would replace the output file or a file the run has read.
bool ListingName(const AssemblerState &st, const char *extension, std::string &name) {
  const std::string &output = st.options.output_name;
  name = output;
  if (!ReplaceExtension(name, extension)) {
    name = output.substr(0, std::min(output.rfind('.'), output.size())) + extension;
    ConsoleMessage(Msg::ListingNameTooLong, name.c_str());
    return false;
  }
  if (name == output || SameExistingFile(name.c_str(), output.c_str()) ||
      IsInputFile(st, name.c_str())) {
    ConsoleMessage(Msg::ListingOverInput, name.c_str());
    return false;
  }
  return true;
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

// Writes the label list, the symbol file and the assemble list that were asked for, in this
// order, each all or nothing. False when any of them could not be written (each reported).
bool WriteListings(AssemblerState &st) {
  const Options &options = st.options;
  bool ok = true;
  std::string name;
  if (options.label_list) {
    const LabelListFilter filter{options.label_list_all_scopes, options.label_list_global_only,
                                 options.label_prefix};
    ok = ListingName(st, ".lst", name) && WriteListingFile(name, BuildLabelList(st, filter)) && ok;
  }
  if (options.symbol_file) {
    ok = ListingName(st, ".sym", name) && WriteListingFile(name, BuildSymbolFile(st)) && ok;
  }
  if (options.assemble_list) {
    ok = ListingName(st, ".als", name) && WriteListingFile(name, RunListingPass(st)) && ok;
  }
  return ok;
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
  if (!WriteOutput(st, image)) {
    return Finish(st, kExitFailure);
  }
  // A listing that cannot be written fails the program; the image written stays.
  return Finish(st, WriteListings(st) ? 0 : kExitFailure);
}
