// The forms that sources written for other assemblers use (NAME: EQU, NAME:: EQU, a label
// without its colon, DEFM, INCBIN) against the forms they stand for: whole runs of the two
// say and write the same, and the listing run lists what the assembly pass assembled.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "test_support.h"

namespace {

// What a run says and writes.
struct RunResult {
  int status = 0;
  std::string console, errors, image, labels, symbols, listed, deps;
};

// Each line of a text, cut to its first width characters.
std::string LineStarts(const std::string &text, size_t width) {
  std::string starts;
  for (size_t at = 0; at < text.size();) {
    const size_t end = std::min(text.find('\n', at), text.size());
    starts += text.substr(at, std::min(end - at, width)) + "\n";
    at = end + 1;
  }
  return starts;
}

// The lines of an assemble list that read "DB n": the byte each shows and its n. The byte
// comes from the image; the text is what the listing run assembled there.
std::vector<std::pair<int, int>> ListedDbLines(const std::string &list) {
  std::vector<std::pair<int, int>> lines;
  for (size_t at = 0; at < list.size();) {
    const size_t end = std::min(list.find('\n', at), list.size());
    const std::string line = list.substr(at, end - at);
    const size_t db = line.find("DB ", 24);
    if (line.size() > 24 && line[8] != ' ' && db != std::string::npos &&
        line.find_first_not_of(" \t", 24) == db) {
      lines.emplace_back(std::stoi(line.substr(8, 2), nullptr, 16), std::stoi(line.substr(db + 3)));
    }
    at = end + 1;
  }
  return lines;
}

// --errors=gnu lines without the source lines they repeat, which differ where the forms do.
std::string WithoutSourceLines(const std::string &errors) {
  std::string kept;
  for (size_t at = 0; at < errors.size();) {
    const size_t end = std::min(errors.find('\n', at), errors.size());
    const std::string line = errors.substr(at, end - at);
    // "   12 | text" repeats a source line; "      | ^" marks its column, and stays.
    const size_t bar = line.find(" | ");
    const std::string number = bar == std::string::npos ? "" : line.substr(0, bar);
    if (number.find_first_not_of(' ') == std::string::npos ||
        number.find_first_not_of(" 0123456789") != std::string::npos) {
      kept += line + "\n";
    }
    at = end + 1;
  }
  return kept;
}

// The template with every '%' replaced by the text.
std::string Filled(std::string pattern, const std::string &text) {
  for (size_t at = pattern.find('%'); at != std::string::npos; at = pattern.find('%', at)) {
    pattern.replace(at, 1, text);
    at += text.size();
  }
  return pattern;
}

class PortedForms : public WholeRunTest {
 protected:
  RunResult Assemble(const std::string &source, std::vector<std::string> options = {}) {
    std::ofstream("p.asm") << source;
    for (const char *option : {"-l", "-Y", "-x", "--deps=p.d", "--errors=gnu", "p.asm"}) {
      options.push_back(option);
    }
    RunResult result;
    testing::internal::CaptureStderr();
    result.status = Run(options, &result.console);
    result.errors = testing::internal::GetCapturedStderr();
    result.image = ReadFile("p.bin");
    result.labels = ReadFile("p.lst");
    result.symbols = ReadFile("p.sym");
    result.listed = ReadFile("p.als");
    result.deps = ReadFile("p.d");
    for (const char *written : {"p.bin", "p.lst", "p.sym", "p.als", "p.d"}) {
      std::filesystem::remove(written);
    }
    return result;
  }

  // The template assembled with each text put in for '%': both runs say and write the same,
  // but for the source lines the messages and the assemble list repeat.
  void ExpectSameRunsOf(const std::string &pattern, const char *ported, const char *plain,
                        const std::vector<std::string> &options = {}) {
    const RunResult a = Assemble(Filled(pattern, ported), options);
    const RunResult b = Assemble(Filled(pattern, plain), options);
    EXPECT_EQ(a.status, b.status) << pattern;
    EXPECT_EQ(a.console, b.console) << pattern;
    EXPECT_EQ(WithoutSourceLines(a.errors), WithoutSourceLines(b.errors)) << pattern;
    EXPECT_EQ(a.image, b.image) << pattern;
    EXPECT_EQ(a.labels, b.labels) << pattern;
    EXPECT_EQ(a.symbols, b.symbols) << pattern;
    EXPECT_EQ(LineStarts(a.listed, 24), LineStarts(b.listed, 24)) << pattern;
    EXPECT_EQ(a.deps, b.deps) << pattern;
  }
};

TEST_F(PortedForms, ColonBeforeEquIsEqu) {
  // Known values, labels defined further down, a value needed at once, a scope.
  ExpectSameRunsOf(
      "\tORG 100H\nSIZE%EQU LAST-FIRST\nONE%EQU 1\n\tDS ONE\nFIRST:\tLD A,SIZE\n"
      "SCOPE PROC\nINNER%equ $+ONE\n\tDW INNER\n\tENDP\nLAST:\tEND\n",
      ":", " ");
  // The errors, at the same columns: defined twice, a broken expression, a value too late.
  ExpectSameRunsOf("TWICE EQU 1\nTWICE%EQU 2\nBAD%EQU 1+\n\tDS LATER\nLATER%EQU 1\n\tEND\n", ":",
                   " ");
  ExpectSameRunsOf("\tDB KEPT\nKEPT%EQU 5\n\tEND\n", "::", "  ");
}

TEST_F(PortedForms, ABareNameInTheFirstColumnIsAColonLabel) {
  std::ofstream("data.bin") << "xy";
  std::ofstream("part.inc") << "PART: NOP\n";
  ExpectSameRunsOf(
      "\tORG 8000H\nSTART% LD A,1\nLOOP% DJNZ LOOP\nBYTES% DB 1,\"A\"\nWORDS% DW START\n"
      "SPACE% DS 2\nMORE% DEFB 0\nEVEN% ALIGN 4\nSHOWN% DISPC \"A\"\nMAP% CHRMAP \"ASCII\"\n"
      "USER% MAPCHR 0,0\nTEST% IF 1\nINSIDE% NOP\nOTHER% ELIF 0\nNOTHERE% NOP\n"
      "CLOSED% ENDIF\nAGAIN% REPT 2\n\tNOP\n\tENDM\nONCE% REPT 1\nLAST% ENDM\nPLAIN% ENDM\n"
      "TABLE% OFFSET 4\nFIELD% DS 1\nAFTER% END\nNEWORG% ORG 9000H\nDATA% BINCLUDE data.bin\n"
      "SOURCE% INCLUDE part.inc\nTAIL% END\n\tNOP\n",
      " ", ":");
  // The errors of NAME: at the same places: defined twice (the second REPT repetition too).
  ExpectSameRunsOf("START% NOP\nSTOP% ERROR \"stop\"\nSTART% NOP\n\tREPT 2\nTWICE% NOP\n\tENDM\n",
                   " ", ":");
}

TEST_F(PortedForms, DefmIsDbAndIncbinIsBinclude) {
  ExpectSameRunsOf(
      "\tORG 0C000H\nTEXT:\t% \"HELLO\"+80H,0DH,1+2\n\tCHRMAP \"MZ-ASCII\"\n\t% \"ab\"\n"
      "MORE\t% 0\n\t% 1,\n\t% \"open\n\tEND\n",
      "DEFM", "DB  ");
  ExpectSameRunsOf("\t% \"x\"\n\tEND\n", "defm", "db  ");
  std::filesystem::create_directories("lib");
  std::ofstream("lib/font.bin") << "\x01\x02";
  ExpectSameRunsOf("\tORG 0C000H\nFONT:\t% font.bin\n\t% \"lib/font.bin\"\nMORE\t% font.bin\n",
                   "INCBIN  ", "BINCLUDE", {"-Ilib"});
  ExpectSameRunsOf("\t% \"FONT.BIN\"\n", "incbin  ", "binclude", {"-Ilib"});
}

TEST_F(PortedForms, TheAssembleListShowsTheLinesAssembled) {
  // The listing run finds in the label table the macros defined further down, and those of a
  // nearer scope defined after a call of an outer one: it must not call them before their line.
  // Each macro body is DB n of its own n.
  const RunResult run = Assemble(
      "\tORG 100H\n\tDEFM \"A\"\nDEFM MACRO\n\tDB 9\n\tENDM\n\tDEFM \"B\"\n"
      "NEAR MACRO\n\tDB 1\n\tENDM\nOUTER PROC\nLATER NOP\nINNER PROC\n\tNEAR\n\tENDP\n"
      "NEAR MACRO\n\tDB 2\n\tENDM\n\tNEAR\n\tENDP\nLATER MACRO\n\tDB 3\n\tENDM\n\tLATER\n\tEND\n");
  ASSERT_EQ(run.status, 0) << run.errors;
  EXPECT_EQ(run.image, std::string("A\x09\x00\x01\x02\x03", 6));
  const std::vector<std::pair<int, int>> lines = ListedDbLines(run.listed);
  EXPECT_EQ(lines.size(), 4u) << run.listed;
  for (const auto &[shown, written] : lines) {
    EXPECT_EQ(shown, written) << run.listed;
  }
}

TEST_F(PortedForms, TheLookAfterTheColonCountsNoLocalLabel) {
  // JR @F names the next @@; had the look for EQU counted the @@ of the line after it, the @@
  // would be named after the one that JR @F waits for, which would never come.
  const RunResult run = Assemble("\tJR @F\nX: @@: NOP\nY: EQU 1\n\tJR @B\n\tEND\n");
  ASSERT_EQ(run.status, 0) << run.errors;
  EXPECT_EQ(run.image, std::string("\x18\x00\x00\x18\xFD", 5));
}

}  // namespace
