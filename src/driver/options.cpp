// The command line: the usage text, the short options by letter and the long options from a
// table.
#include "driver/options.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "base/text.h"
#include "source/source.h"

namespace {

constexpr size_t kNameBufferSize = 256;

constexpr char kBanner[] = "TALVO -- Z80 Absolute Assembler ver 0.12 by Ostrel\n";

// The lines of the usage text, and of the --help text, which adds the lines marked help_only.
struct UsageLine {
  const char *text;
  bool help_only;
};

constexpr UsageLine kUsage[] = {
    {"Usage: TALVO [options] sourcefile [,sourcefile...]\n",                           false},
    {"  -oxxx Set output file name\n",                                                 false},
    {"  -i    Output with Intel HEX format\n",                                         false},
    {"  -mxxx Output MZT file (xxx is filename in MZT image)\n",                       false},
    {"  -2xxx Output D88 file for MZ-2000 (xxx is boot disk name)\n",                  false},
    {"  -25xxx  Output D88 file for MZ-2000, 2DD variant (xxx is boot disk name)\n",   true },
    {"  -8    Output D88 file for PC-8801\n",                                          false},
    {"  -d    Just dump the result\n",                                                 false},
    {"  -l    Output label definition list (.lst)\n",                                  false},
    {"  -ll   Output label definition list of every scope (.lst)\n",                   true },
    {"  -lg   Output label definition list of the :: labels only (.lst)\n",            true },
    {"  -l:xx Output label definition list of the labels whose names start with xx\n", true },
    {"  -x    Output assemble list (.als)\n",                                          false},
    {"  -D    Define a label (ex. -Dlabel=1234h)\n",                                   false},
    {"  -T    Truncate MZT file if it exceeds D000h\n",                                false},
    {"  -Y    Output symbol table file (.sym)\n",                                      false},
    {"  -Ixxx Search INCLUDE and BINCLUDE files also in folder xxx\n",                 true },
    {"  -o xxx (and -m, -2, -25, -D, -I) The value may also be the next argument\n",   true },
};

ParseResult Stop(int status) { return {ParseOutcome::Exit, status}; }

// The value of an option that takes one: the text attached after `skip` characters, or
// the next argument whatever it looks like (noted in options, for the message when no source
// file remains). nullptr when there is neither.
const char *OptionValue(Options &options, int argc, char **argv, int &index, size_t skip) {
  const char *attached = argv[index] + skip;
  if (*attached != '\0') {
    return attached;
  }
  if (index + 1 >= argc) {
    return nullptr;
  }
  options.taken_option = std::string(argv[index], skip);
  options.taken_value = argv[index + 1];
  return argv[++index];
}

// Long options, "--NAME" or "--NAME=VALUE", each a row of kLongOptions below.

void PrintLongOptions();

void PrintUsageLines(bool help) {
  ConsolePrint("%s\n", kBanner);
  for (const UsageLine &line : kUsage) {
    if (help || !line.help_only) {
      ConsolePrint("%s", line.text);
    }
  }
}

// --help and -h: the usage text with the lines only help shows, then the long options.
ParseResult ShowHelp(Options &, const char *) {
  PrintUsageLines(true);
  PrintLongOptions();
  ConsolePrint("  --    End of the options: every argument after it is a source file\n");
  return Stop(0);
}

// --version: the banner line.
ParseResult ShowVersion(Options &, const char *) {
  PrintBanner();
  return Stop(0);
}

// A value of a long option that names one of a few settings.
template <typename Setting>
struct NamedSetting {
  const char *name;
  Setting setting;
};

// The setting that name names (in any letter case); nullptr when no row names it.
template <typename Setting, size_t N>
const Setting *FindNamed(const NamedSetting<Setting> (&rows)[N], const char *name) {
  for (const NamedSetting<Setting> &row : rows) {
    if (SameIgnoringCase(name, row.name)) {
      return &row.setting;
    }
  }
  return nullptr;
}

// Applies the setting that value names; Reject when no row names it.
template <typename Setting, size_t N>
ParseResult SelectNamed(const NamedSetting<Setting> (&rows)[N], const char *value,
                        void (*apply)(Setting)) {
  const Setting *setting = FindNamed(rows, value);
  if (setting == nullptr) {
    return {ParseOutcome::Reject, 0};
  }
  apply(*setting);
  return {};
}

// --messages=LANGUAGE: the texts of the catalogue messages from here on.
ParseResult MessagesOption(Options &, const char *value) {
  static constexpr NamedSetting<MessageLanguage> kLanguages[] = {
      {"cp932", MessageLanguage::Cp932  },
      {"utf-8", MessageLanguage::Utf8   },
      {"en",    MessageLanguage::English},
  };
  return SelectNamed(kLanguages, value, SelectMessageLanguage);
}

// --errors=STYLE: how error and warning lines are printed from here on.
ParseResult ErrorsOption(Options &, const char *value) {
  static constexpr NamedSetting<ErrorStyle> kStyles[] = {
      {"classic", ErrorStyle::Classic},
      {"gnu",     ErrorStyle::Gnu    },
  };
  return SelectNamed(kStyles, value, SelectErrorStyle);
}

// The classes --warn names, with their lines of the --help text.
struct WarnName {
  const char *name;
  uint32_t classes;
  const char *help;
};

constexpr WarnName kWarnClasses[] = {
    {"range",    kWarnRange,    "operand values their field cannot hold (LD A,300)"           },
    {"org",      kWarnOrg,      "an ORG that is not where the next byte lands in the image"   },
    {"wrap",     kWarnWrap,     "the location counter passing FFFFh, the image passing 64 KiB"},
    {"text",     kWarnText,     "a character constant longer than its bytes, a name cut short"},
    {"scope",    kWarnScope,    "DEFINED() of a name that only an enclosing scope defines"    },
    {"unclosed", kWarnUnclosed, "a PROC or { scope still open at the end of the run"          },
    {"unused",   kWarnUnused,   "a label defined and never used"                              },
    {"all",      kWarnAll,      "every class above"                                           },
};

// --warn=LIST: the classes of warnings asked for, separated by commas; "all" names every
// class, "error" makes any warning fail the run.
ParseResult WarnOption(Options &options, const char *value) {
  uint32_t classes = 0;
  bool fail = false;
  const std::string_view list = value;
  size_t start = 0;
  while (start <= list.size()) {
    const size_t comma = std::min(list.find(',', start), list.size());
    const std::string item(list.substr(start, comma - start));
    const auto *found =
        std::find_if(std::begin(kWarnClasses), std::end(kWarnClasses),
                     [&](const WarnName &c) { return SameIgnoringCase(item.c_str(), c.name); });
    if (found != std::end(kWarnClasses)) {
      classes |= found->classes;
    } else if (SameIgnoringCase(item.c_str(), "error")) {
      fail = true;
    } else {
      return {ParseOutcome::Reject, 0};  // an unknown or empty class
    }
    start = comma + 1;
  }
  options.warnings |= classes;
  options.warnings_fail = options.warnings_fail || fail;
  return {};
}

// An option whose value names a file: the name, which must not be empty.
ParseResult FileName(std::string &name, const char *value) {
  if (*value == '\0') {
    return {ParseOutcome::Reject, 0};
  }
  name = value;
  return {};
}

// --deps=FILE: a make rule naming every file the run reads.
ParseResult DepsOption(Options &options, const char *value) {
  return FileName(options.deps_name, value);
}

// --symbols=FORMAT:FILE: a symbol file for a debugger, in one of the formats below.
ParseResult SymbolsOption(Options &options, const char *value) {
  static constexpr NamedSetting<SymbolFormat> kFormats[] = {
      {"equ",  SymbolFormat::Equ },
      {"noi",  SymbolFormat::Noi },
      {"mame", SymbolFormat::Mame},
  };
  const char *colon = std::strchr(value, ':');
  if (colon == nullptr || colon[1] == '\0') {
    return {ParseOutcome::Reject, 0};
  }
  const std::string name(value, static_cast<size_t>(colon - value));
  const SymbolFormat *format = FindNamed(kFormats, name.c_str());
  if (format == nullptr) {
    return {ParseOutcome::Reject, 0};
  }
  options.symbol_files.push_back({*format, colon + 1});
  return {};
}

// --break=LABEL: a breakpoint of the MAME debugger script at the label.
ParseResult BreakOption(Options &options, const char *value) {
  if (*value == '\0') {
    return {ParseOutcome::Reject, 0};
  }
  options.breakpoints.emplace_back(value);
  return {};
}

ParseResult SldOption(Options &options, const char *value) {
  return FileName(options.sld_name, value);
}
ParseResult WavOption(Options &options, const char *value) {
  return FileName(options.wav_name, value);
}
ParseResult T88Option(Options &options, const char *value) {
  return FileName(options.t88_name, value);
}
ParseResult CmtOption(Options &options, const char *value) {
  return FileName(options.cmt_name, value);
}

// --wav-timing=MACHINE: the tape timing of --wav, whatever the output mode.
ParseResult WavTimingOption(Options &options, const char *value) {
  static constexpr NamedSetting<TapeTiming> kTimings[] = {
      {"mz700", TapeTiming::Mz700},
      {"mz80b", TapeTiming::Mz80b},
  };
  const TapeTiming *timing = FindNamed(kTimings, value);
  if (timing == nullptr) {
    return {ParseOutcome::Reject, 0};
  }
  options.wav_timing = *timing;
  options.wav_timing_given = true;
  return {};
}

// --source-encoding=ENCODING: how strings and character constants of the sources are written.
ParseResult SourceEncodingOption(Options &options, const char *value) {
  static constexpr NamedSetting<bool> kEncodings[] = {
      {"cp932", false},
      {"utf-8", true },
  };
  const bool *utf8 = FindNamed(kEncodings, value);
  if (utf8 == nullptr) {
    return {ParseOutcome::Reject, 0};
  }
  options.source_utf8 = *utf8;
  return {};
}

ParseResult CyclesOption(Options &options, const char * /*value*/) {
  options.cycles = true;
  return {};
}

struct LongOption {
  const char *name;  // without the leading "--"; a name ending in '=' takes a value
  ParseResult (*apply)(Options &options, const char *value);
  const char *help;  // its line of the --help text
};

const LongOption kLongOptions[] = {
    {"help",             ShowHelp,             "  --help, -h    Print this usage text\n"                  },
    {"version",          ShowVersion,          "  --version     Print the version\n"                      },
    {"messages=",        MessagesOption,
     "  --messages=xx Print messages in cp932 (default), utf-8 or en (English)\n"                         },
    {"errors=",          ErrorsOption,
     "  --errors=gnu  Errors and warnings as FILE:LINE:COL: error: TEXT on stderr\n"                      },
    {"warn=",            WarnOption,
     "  --warn=LIST   Warnings of the comma-separated classes, each off unless named:\n"                  },
    {"deps=",            DepsOption,
     "  --deps=xxx    Write a make rule: the output depends on every file read\n"                         },
    {"symbols=",         SymbolsOption,
     "  --symbols=FMT:xxx  Labels for a debugger, FMT equ, noi or mame (repeatable)\n"                    },
    {"break=",           BreakOption,
     "  --break=LABEL Set a breakpoint of the MAME debugger script at the label\n"                        },
    {"sld=",             SldOption,
     "  --sld=xxx     Write source-level debug data (SLD): where each byte came from\n"                   },
    {"wav=",             WavOption,            "  --wav=xxx     Write the MZT tape as audio (WAV)\n"      },
    {"wav-timing=",      WavTimingOption,
     "  --wav-timing=xx  The timing of --wav: mz700, or mz80b (default with -2, -25)\n"                   },
    {"t88=",             T88Option,            "  --t88=xxx     Write a PC-8001/8801 monitor tape (T88)\n"},
    {"cmt=",             CmtOption,            "  --cmt=xxx     Write a PC-8001/8801 monitor tape (CMT)\n"},
    {"source-encoding=", SourceEncodingOption,
     "  --source-encoding=xx  Strings and characters: cp932 (as they are) or utf-8\n"                     },
    {"cycles",           CyclesOption,
     "  --cycles      Add T-states to the assemble list and totals to the label list\n"                   },
};

void PrintLongOptions() {
  for (const LongOption &option : kLongOptions) {
    ConsolePrint("%s", option.help);
    if (option.apply == WarnOption) {
      for (const WarnName &warn : kWarnClasses) {
        ConsolePrint("      %-10s%s\n", warn.name, warn.help);
      }
      ConsolePrint("      %-10s%s\n", "error", "not a class: any warning fails the run");
    }
  }
}

// An argument that is no option as it stands, named whole: an unknown long option, or a letter
// followed by text it does not take ("-ifoo").
ParseResult IllegalArgument(const char *arg) {
  ConsoleMessage(Msg::IllegalOptionArgument, arg);
  return Stop(kExitFailure);
}

// The letters that take nothing after them: "-x.asm" is no source but an illegal option.
bool TakesNothing(char letter) {
  static constexpr std::string_view kBareLetters = "i8dxTY";
  return kBareLetters.find(letter) != std::string_view::npos;
}

// What may follow -l: nothing, "l" (every scope), "g" (global labels only) or ":PREFIX".
bool LabelListVariant(const char *rest) {
  return rest[0] == '\0' || rest[0] == ':' ||
         ((rest[0] == 'l' || rest[0] == 'g') && rest[1] == '\0');
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
  return IllegalArgument(arg);
}

void SetMode(Options &options, OutputMode mode, const char *extension) {
  options.mode = mode;
  if (extension != nullptr) {
    options.extension = extension;
  }
}

// An option that takes a value stands last with nothing to take: the usage text, what is
// missing, and failure.
ParseResult ValueMissing(const char *option) {
  return UsageWithout(Msg::OptionValueMissing, option);
}

}  // namespace

void PrintUsage() { PrintUsageLines(false); }

void PrintBanner() { ConsolePrint("%s", kBanner); }

ParseResult UsageWithout(Msg missing, const char *option) {
  PrintUsage();
  if (missing == Msg::OptionValueMissing) {
    ConsoleMessage(Msg::OptionValueMissing, option);
  } else {
    ConsoleMessage(Msg::NoSourceFile);
  }
  return Stop(kExitFailure);
}

ParseResult NoSourceLeft(const Options &options) {
  PrintUsage();
  const std::string detail =
      options.taken_option.empty()
          ? std::string()
          : FormatMessage(Msg::DetailOptionTook, options.taken_option.c_str(),
                          options.taken_value.c_str());
  ConsoleMessageDetailed(detail, Msg::NoSourceFile);
  return Stop(kExitFailure);
}

ParseResult ParseArguments(AssemblerState &st, int argc, char **argv, bool &have_source) {
  Options &options = st.options;
  bool options_ended = false;  // after "--" every argument is a source name
  for (int i = 1; i < argc; ++i) {
    const char *arg = argv[i];
    if (!options_ended && std::strcmp(arg, "--") == 0) {
      options_ended = true;
      continue;
    }
    if (options_ended || arg[0] != '-') {
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
    if ((TakesNothing(arg[1]) && arg[2] != '\0') || (arg[1] == 'l' && !LabelListVariant(arg + 2))) {
      return IllegalArgument(arg);
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
        const char *value = OptionValue(options, argc, argv, i, 2);
        if (value == nullptr) {
          return ValueMissing("-o");
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
        const char *value = OptionValue(options, argc, argv, i, 2);
        if (value == nullptr) {
          return ValueMissing("-m");
        }
        SetMode(options, OutputMode::mzt, ".mzt");
        options.mzt_name = value;
        break;
      }
      case '2': {
        // "-25" selects the 2DD variant; the '5' is not part of the name.
        bool two_dd = arg[2] == '5';
        const char *value = OptionValue(options, argc, argv, i, two_dd ? 3 : 2);
        if (value == nullptr) {
          return ValueMissing(two_dd ? "-25" : "-2");
        }
        SetMode(options, two_dd ? OutputMode::d88_mz2000_2dd : OutputMode::d88_mz2000_2d, ".d88");
        options.disk_name = value;
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
        const char *value = OptionValue(options, argc, argv, i, 2);
        if (value == nullptr) {
          ConsoleMessage(Msg::IncludeFolderMissing);
          return Stop(kExitFailure);
        }
        options.include_folders.emplace_back(value);
        break;
      }
      case 'D': {
        // -DTEXT or -D TEXT; each one is a line of its own, in order.
        const char *value = OptionValue(options, argc, argv, i, 2);
        if (value == nullptr || *value == '\0') {
          ConsoleMessage(Msg::ErrorInDOption);
          return Stop(kExitFailure);
        }
        options.defines.emplace_back(value);
        break;
      }
      case 'T':
        options.truncate_d000 = true;
        break;
      case 'Y':
        options.symbol_file = true;
        break;
      case 'h':
        if (arg[2] == '\0') {
          return ShowHelp(options, nullptr);
        }
        [[fallthrough]];  // "-hxxx" stays an illegal option
      default:
        ConsoleMessage(Msg::IllegalOption, arg[1]);
        return Stop(kExitFailure);
    }
  }
  return {};
}
