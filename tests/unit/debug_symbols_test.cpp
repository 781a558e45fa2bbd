// Tests of the symbol files for debuggers: the lines of each form, which labels each keeps,
// their order, and that every line reads back under the rules of the program that reads it.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "output/output.h"

namespace {

const std::vector<DebugLabel> kProgram = {
    {"START",     0x1200, false, false},
    {"BUFSIZE",   0x0010, true,  false},
    {"COUNT",     0x0003, false, true },
    {"DUMP",      0x1206, false, false},
    {"DUMP.LOOP", 0x1206, false, false},
    {"ZERO",      0x0000, true,  false},
    {"TOP",       0xFFFF, false, false},
};

std::string Text(const std::vector<DebugLabel> &labels, SymbolFormat format,
                 const MameScriptSettings &mame = {}) {
  return SymbolFileText(labels, format, mame);
}

std::vector<std::string> Lines(const std::string &text) {
  EXPECT_TRUE(text.empty() || text.back() == '\n');
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    lines.push_back(line);
  }
  return lines;
}

// The parameters of a debugger script line as MAME's console splits it: ',' and ';' count
// outside double quotes only, and a '"' right after '\' does not end the quoted text. Empty
// when the line would be more than one command or its quotes do not close.
std::vector<std::string> MameParameters(const std::string &line) {
  std::vector<std::string> parameters(1);
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == '"' && (!quoted || line[i - 1] != '\\')) {
      quoted = !quoted;
    } else if (!quoted && c == ';') {
      return {};
    } else if (!quoted && c == ',') {
      parameters.emplace_back();
    } else {
      parameters.back() += c;
    }
  }
  return quoted ? std::vector<std::string>{} : parameters;
}

}  // namespace

TEST(DebugSymbols, EquLinesKeepConstantsAndSortByName) {
  EXPECT_EQ(Text(kProgram, SymbolFormat::Equ),
            "BUFSIZE EQU 00010H\nDUMP EQU 01206H\nDUMP.LOOP EQU 01206H\nSTART EQU 01200H\n"
            "TOP EQU 0FFFFH\nZERO EQU 00000H\n");
  // Unsigned byte order puts a Shift-JIS lead byte after the letters; equal names keep their
  // table order.
  const std::vector<DebugLabel> names = {
      {"\x81\x40", 1},
      {"b",        2},
      {"A",        3},
      {"_",        4},
      {"A",        5}
  };
  EXPECT_EQ(Text(names, SymbolFormat::Equ),
            "A EQU 00003H\nA EQU 00005H\n_ EQU 00004H\nb EQU 00002H\n\x81\x40 EQU 00001H\n");
}

TEST(DebugSymbols, NoiLinesSortByValueWithoutLeadingZeros) {
  EXPECT_EQ(Text(kProgram, SymbolFormat::Noi),
            "DEF ZERO 0x0\nDEF BUFSIZE 0x10\nDEF START 0x1200\nDEF DUMP 0x1206\n"
            "DEF DUMP.LOOP 0x1206\nDEF TOP 0xFFFF\n");
}

TEST(DebugSymbols, MameScriptCommentsAddressesThenBreaksAndRuns) {
  const MameScriptSettings pc8801 = {
      "z80", {0x1206, 0x1200, 0x1206}
  };
  // MAME keeps one comment per address: the labels of an address share it.
  EXPECT_EQ(Text(kProgram, SymbolFormat::Mame, pc8801),
            "focus z80\ncomadd 1200,START\ncomadd 1206,\"DUMP, DUMP.LOOP\"\n"
            "comadd FFFF,TOP\nbp 1206:z80\nbp 1200:z80\ngo\n");
  EXPECT_EQ(Text({}, SymbolFormat::Mame), "focus maincpu\ngo\n");
  // Anything but a plain identifier is quoted; '"' and a trailing '\' would end the quotes
  // wrongly and are dropped.
  const std::vector<DebugLabel> odd = {
      {"A\"B",             1},
      {"semi;colon,comma", 2},
      {"back\\",           3},
      {"#H?",              4},
      {"\"",               5}
  };
  EXPECT_EQ(Text(odd, SymbolFormat::Mame),
            "focus maincpu\ncomadd 0001,\"AB\"\ncomadd 0002,\"semi;colon,comma\"\n"
            "comadd 0003,\"back\"\ncomadd 0004,\"#H?\"\ngo\n");
}

// Every byte inside a name or at its ends, alone or in a shared comment, still gives one valid
// command with a comment free of '"', control bytes and a trailing '\'; a name left empty
// gives no command.
TEST(DebugSymbols, MameCommentsSurviveAnyByte) {
  std::vector<DebugLabel> labels;
  for (int byte = 1; byte < 256; ++byte) {
    const char c = static_cast<char>(byte);
    labels.push_back({std::string(1, c) + "x" + c, static_cast<uint16_t>(byte)});
    labels.push_back({std::string("x") + c + "x", 0x2000});
  }
  labels.push_back({"\"\"", 0x3000});
  size_t comments = 0;
  for (const std::string &line : Lines(Text(labels, SymbolFormat::Mame))) {
    EXPECT_NE(line.front(), '#');
    const std::vector<std::string> parameters = MameParameters(line);
    ASSERT_EQ(parameters.size(), line.starts_with("comadd ") ? 2u : 1u) << line;
    if (parameters.size() == 2) {
      ++comments;
      const std::string &comment = parameters[1];
      ASSERT_FALSE(comment.empty()) << line;
      EXPECT_EQ(comment.find_first_of("\"\t\n\r\x7F"), std::string::npos) << line;
      EXPECT_NE(comment.back(), '\\') << line;
    }
  }
  EXPECT_EQ(comments, 256u);  // 255 addresses of one name, 2000h of all the others
}

// The readers' rules: a .sym line is skipped when its name starts with ';' or '#', takes a
// trailing ':' into the name and ends the name at a blank; a .noi line must be exactly
// "DEF NAME 0xHEX". Names those rules would lose or change are left out.
TEST(DebugSymbols, EveryLineFitsItsReader) {
  std::vector<DebugLabel> labels = kProgram;
  for (const char *name : {"#HASH", ";SEMI", "COLON:", "TWO WORDS", "", "TAB\tX", "LF\nX"}) {
    labels.push_back({name, 0x4000});
  }
  labels.push_back({"MID#HASH?", 0x4001});
  // The name may hold '#' and ';' after its first byte.
  const std::regex equ(
      R"(^[^ \t;#][^ \t]*[ \t]+EQU[ \t]+([0-9][0-9A-F]*H|\$[0-9A-F]+|0x[0-9A-F]+|[0-9]+))");
  const std::vector<std::string> equ_lines = Lines(Text(labels, SymbolFormat::Equ));
  EXPECT_EQ(equ_lines.size(), 7u);
  for (const std::string &line : equ_lines) {
    const std::string name = line.substr(0, line.find(' '));
    EXPECT_TRUE(std::regex_search(line, equ)) << line;
    EXPECT_NE(name.back(), ':') << line;
  }
  const std::regex noi(R"(^DEF [^ \t]+ 0x[0-9A-F]+$)");
  const std::vector<std::string> noi_lines = Lines(Text(labels, SymbolFormat::Noi));
  EXPECT_EQ(noi_lines.size(), 10u);  // '#', ';' and ':' are fine there
  for (const std::string &line : noi_lines) {
    EXPECT_TRUE(std::regex_search(line, noi)) << line;
  }
}
