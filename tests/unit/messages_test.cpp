// The message catalogue: every entry's printed bytes are its text in CP932, and the slot and
// buffer operations never overrun.
#include <gtest/gtest.h>
#include <iconv.h>

#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "test_support.h"

namespace {

std::string ToCp932(const char *utf8) {
  iconv_t cd = iconv_open("CP932", "UTF-8");
  EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
  std::string in = utf8;
  std::string out(in.size() * 2 + 8, '\0');
  char *in_ptr = in.data();
  size_t in_left = in.size();
  char *out_ptr = out.data();
  size_t out_left = out.size();
  size_t converted = iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left);
  iconv_close(cd);
  EXPECT_NE(converted, static_cast<size_t>(-1)) << utf8;
  out.resize(out.size() - out_left);
  return out;
}

TEST(MessageCatalogue, EveryEntryIsItsTextInCp932) {
  for (int i = 0; i < static_cast<int>(Msg::Count); ++i) {
    const MessageEntry &entry = kMessageCatalogue[i];
    EXPECT_EQ(static_cast<int>(entry.id), i) << "row out of order: " << entry.utf8;
    EXPECT_EQ(ToCp932(entry.utf8), entry.sjis) << entry.utf8;
  }
}

// The printf conversions of a text, in order ("%5d", "%s", "%%" ...).
std::vector<std::string> Conversions(const char *text) {
  std::vector<std::string> found;
  for (const char *p = text; (p = std::strchr(p, '%')) != nullptr;) {
    const char *start = p++;
    while (*p != '\0' && std::strchr("-+ #0123456789.", *p) != nullptr) {
      ++p;
    }
    if (*p != '\0') {
      ++p;
    }
    found.emplace_back(start, p);
  }
  return found;
}

// A text is the message alone: the printers write the place in front of it and end its line.
bool HoldsAPlace(std::string_view text) {
  return text.find('\n') != std::string_view::npos || text.starts_with("Error %") ||
         text.starts_with("Warning") || text.starts_with("Info :");
}

// The English texts are printed with the arguments of the Japanese ones, and neither holds the
// place of its line.
TEST(MessageCatalogue, EveryEntryHasAnEnglishTextWithTheSameConversions) {
  for (const MessageEntry &entry : kMessageCatalogue) {
    const char *english = MessageTextIn(entry.id, MessageLanguage::English);
    ASSERT_NE(english, nullptr) << entry.utf8;
    EXPECT_NE(*english, '\0') << entry.utf8;
    EXPECT_EQ(Conversions(english), Conversions(entry.utf8)) << english;
    EXPECT_FALSE(HoldsAPlace(english)) << english;
    EXPECT_FALSE(HoldsAPlace(entry.utf8)) << entry.utf8;
  }
  EXPECT_EQ(Conversions("Error %s%5d: %s (%+d) %04X 100%%\n"),
            (std::vector<std::string>{"%s", "%5d", "%s", "%+d", "%04X", "%%"}));
}

// The language selects the texts of every operation that names a catalogue message.
TEST(MessageCatalogue, LanguageSelectsTheTexts) {
  auto st = MakeState();
  EXPECT_STREQ(MessageText(Msg::SyntaxError),
               MessageTextIn(Msg::SyntaxError, MessageLanguage::Cp932));
  SelectMessageLanguage(MessageLanguage::Utf8);
  EXPECT_STREQ(MessageText(Msg::SyntaxError), "構文エラー");
  SelectMessageLanguage(MessageLanguage::English);
  SetError(*st, Msg::AlreadyDefined, "LOOP", MessageText(Msg::KindMacro));
  EXPECT_STREQ(st->diag.error, "LOOP is already defined as a macro");
  SelectMessageLanguage(MessageLanguage::Cp932);
  EXPECT_STREQ(MessageText(Msg::InvalidNumber), ToCp932("無効な数値キャラクタ").c_str());
}

TEST(MessageCatalogue, KnownBytes) {
  // 無効な数値キャラクタ
  EXPECT_STREQ(MessageText(Msg::InvalidNumber),
               "\x96\xB3\x8C\xF8\x82\xC8\x90\x94\x92\x6C\x83\x4C\x83\x83\x83\x89\x83\x4E\x83\x5E");
  // 未解決のラベル '%s', a whole line printed as "Error FILE LINE: TEXT".
  EXPECT_STREQ(MessageText(Msg::UnresolvedLabel),
               "\x96\xA2\x89\xF0\x8C\x88\x82\xCC\x83\x89\x83x\x83\x8B '%s'");
  EXPECT_EQ(EntryOf(Msg::UnresolvedLabel).form, LineForm::Line);
  EXPECT_EQ(EntryOf(Msg::EofBeforeEnd).form, LineForm::File);
  EXPECT_EQ(EntryOf(Msg::EofBeforeEnd).severity, Severity::Warning);
  EXPECT_EQ(EntryOf(Msg::FreeSpace).severity, Severity::Info);
  EXPECT_EQ(EntryOf(Msg::CannotOpenSource).form, LineForm::Bare);
}

// The compile-time check of a call's arguments against a message's conversions.
using message_format::ArgumentsMatch;
constexpr const char *Format(Msg id) { return EntryOf(id).sjis; }
static_assert(ArgumentsMatch<int32_t, int, int32_t>(Format(Msg::RangeWarning)));
static_assert(!ArgumentsMatch<int32_t, int32_t>(Format(Msg::RangeWarning)));  // one too few
static_assert(!ArgumentsMatch<int, int, int, int>(Format(Msg::RangeWarning)));
static_assert(!ArgumentsMatch<const char *, int, int>(Format(Msg::RangeWarning)));
static_assert(!ArgumentsMatch<int, long, int>(Format(Msg::RangeWarning)));
static_assert(ArgumentsMatch<const char *, const char *>(Format(Msg::AlreadyDefined)));
static_assert(ArgumentsMatch<char>(Format(Msg::IllegalOption)));  // %c takes the promoted char
static_assert(!ArgumentsMatch<const char *>(Format(Msg::IllegalOption)));
static_assert(ArgumentsMatch<unsigned, unsigned, int32_t>(Format(Msg::FreeSpace)));
static_assert(ArgumentsMatch<uint16_t, uint8_t, int16_t>(Format(Msg::FreeSpace)));
static_assert(!ArgumentsMatch<int, int, int>(Format(Msg::FreeSpace)));  // %X wants unsigned
static_assert(ArgumentsMatch<>(Format(Msg::SyntaxError)));
static_assert(!ArgumentsMatch<const char *>(Format(Msg::SyntaxError)));  // nothing to take it
static_assert(ArgumentsMatch<>("100%% sure"));
static_assert(ArgumentsMatch<int, int>("%*d") && !ArgumentsMatch<int>("%*d"));
static_assert(!ArgumentsMatch<long>("%ld") && !ArgumentsMatch<double>("%f"));

TEST(ErrorSlot, FormattedMessageIsCutAtTheBufferEnd) {
  auto st = MakeState();
  std::string long_name(1000, 'X');
  SetError(*st, Msg::UndefinedIdentifier, long_name.c_str());
  ASSERT_EQ(st->diag.error, st->diag.buffer);
  EXPECT_EQ(TakeError(*st).size(), static_cast<size_t>(kMessageBufferSize - 1));
  EXPECT_FALSE(HasError(*st));
}

TEST(ErrorSlot, AlreadyDefinedNamesTheKind) {
  auto st = MakeState();
  SetError(*st, Msg::AlreadyDefined, "LOOP", MessageText(Msg::KindLabel));
  std::string expected = std::string("LOOP") + ToCp932("はすでにラベルとして定義されています");
  EXPECT_EQ(std::string(st->diag.error), expected);
}

// ---- The two printers -------------------------------------------------------------------------

// Prints with the style selected and returns what went to standard output and standard error.
template <typename Print>
std::pair<std::string, std::string> Printed(ErrorStyle style, Print print) {
  const MessageSettingsScope settings;
  SelectErrorStyle(style);
  SelectMessageLanguage(MessageLanguage::English);
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  print();
  return {testing::internal::GetCapturedStdout(), testing::internal::GetCapturedStderr()};
}

// One record, two printers: the classic line names the file and the line of the diagnostic
// (the line within the body for a line of a macro); --errors=gnu names the line where it was
// written, at its column, shows it with a caret and gives a note for each step it was reached
// through, innermost first.
TEST(Printers, ClassicAndGnuLinesOfOneRecord) {
  auto st = MakeState();
  const int32_t file = AddName(st->names, "main.asm");
  const int32_t library = AddName(st->names, "lib.asm");
  const int32_t macro = AddName(st->names, "M");
  st->diag.origins.push_back({
      library,
      5,
      {{FrameKind::Repetition, 0, 3, library, 4, 2},
        {FrameKind::Macro, macro, 0, file, 20, 3},
        {FrameKind::Include, 0, 0, file, 1, 10}},
      "\t\x82\xa0 LD A,(IX+200)\r\n"
  });
  using Lines = std::pair<std::string, std::string>;
  struct Case {
    Diagnostic diagnostic;
    Lines classic, gnu;
  };
  const SourceLocation line{file, 7, 0, 0};
  const SourceLocation in_macro{file, 2, 12, 1};
  const Case cases[] = {
      {{Severity::Error, LineForm::Line, "Syntax error", {}, line, nullptr, {}, {}},
       {"Error main.asm    7: Syntax error\n", ""},
       {"", "main.asm:7: error: Syntax error\n"}            },
      {{Severity::Error,
        LineForm::File,
        "Offset out of range",
        "the offset is 200",
        in_macro,
        nullptr,
        "'D' is first defined here",
        {file, 3, 1}},
       {"Error main.asm     : Offset out of range\n", ""},
       {"",
        "lib.asm:5:12: error: Offset out of range: the offset is 200\n"
        "    5 | \t\x82\xa0 LD A,(IX+200)\n"
        "      | \t          ^\n"
        "lib.asm:4:2: note: in repetition 3 of REPT\n"
        "main.asm:20:3: note: in expansion of macro 'M'\n"
        "main.asm:1:10: note: included from here\n"
        "main.asm:3:1: note: 'D' is first defined here\n"}  },
      {{Severity::Warning, LineForm::Line, "Redundant operand 'A,'", {}, line, nullptr, {}, {}},
       {"Warning main.asm 7: Redundant operand 'A,'\n", ""},
       {"", "main.asm:7: warning: Redundant operand 'A,'\n"}},
      {{Severity::Warning, LineForm::File, "EOF is found", {}, {file, 9, 0, 0}, nullptr, {}, {}},
       {"Warning: main.asm: EOF is found\n", ""},
       {"", "main.asm:9: warning: EOF is found\n"}          },
 // No place: the program's name. A placement line names no place in the classic form.
      {{Severity::Error, LineForm::Bare, "Illegal option: -Q", {}, {}, nullptr, {}, {}},
       {"Illegal option: -Q\n", ""},
       {"", "talvo: error: Illegal option: -Q\n"}           },
      {{Severity::Error, LineForm::Severity, "No room", {}, line, nullptr, {}, {}},
       {"Error No room\n", ""},
       {"", "main.asm:7: error: No room\n"}                 },
      {{Severity::Warning, LineForm::Severity, "Beyond DFFFh", {}, {}, nullptr, {}, {}},
       {"Warning: Beyond DFFFh\n", ""},
       {"", "talvo: warning: Beyond DFFFh\n"}               },
 // An information line stays as it is, on standard output.
      {{Severity::Info, LineForm::Severity, "8010-80FF free", {}, {}, nullptr, {}, {}},
       {"Info : 8010-80FF free\n", ""},
       {"Info : 8010-80FF free\n", ""}                      },
  };
  for (const Case &c : cases) {
    EXPECT_EQ(Printed(ErrorStyle::Classic, [&] { PrintDiagnostic(st.get(), c.diagnostic); }),
              c.classic);
    EXPECT_EQ(Printed(ErrorStyle::Gnu, [&] { PrintDiagnostic(st.get(), c.diagnostic); }), c.gnu);
  }
}

// The -D text is no file an editor could open: its lines are about the run, and say so.
TEST(Printers, TheDefineTextIsNamedAsTheRun) {
  auto st = MakeState();
  const Diagnostic d{
      Severity::Error,
      LineForm::Line,
      "Syntax error",
      {                },
      {AddName(st->names, kDefineFileName), 1, 0, 0},
      nullptr,
      {               },
      {               }
  };
  EXPECT_EQ(Printed(ErrorStyle::Classic, [&] { PrintDiagnostic(st.get(), d); }).first,
            "Error in -D option    1: Syntax error\n");
  EXPECT_EQ(Printed(ErrorStyle::Gnu, [&] { PrintDiagnostic(st.get(), d); }).second,
            "talvo: error: Syntax error (in -D option)\n");
}

// A statement's error is reported at the current line, in a macro expansion without its line
// number, and the slot is empty again.
TEST(Printers, TheStatementErrorIsReportedOnceAtTheCurrentLine) {
  auto st = MakeState();
  StartLine(*st, "");
  st->source.context->file_name = AddName(st->names, "main.asm");
  st->source.context->line = 12;
  for (int depth : {0, 1}) {
    st->pass.macro_depth = depth;
    EXPECT_EQ(
        Printed(ErrorStyle::Classic,
                [&] {
                  SetError(*st, Msg::SyntaxError);
                  ReportStatementError(*st);
                })
            .first,
        depth == 0 ? "Error main.asm   12: Syntax error\n" : "Error main.asm     : Syntax error\n");
    EXPECT_FALSE(HasError(*st));
  }
  EXPECT_EQ(st->diag.error_lines, 2);
}

}  // namespace

// ---- Columns and details ------------------------------------------------------------------

// Columns count bytes of the line as read from 1; a token read at the end of the line (its
// comment passed over) stands just after the statement's last character, line ends left out.
TEST(Columns, CountBytesAndStopWhereTheStatementEnds) {
  auto st = MakeState();
  struct Case {
    const char *line;
    int scans;       // tokens read before the column is taken
    int32_t column;  // of the token read last
  };
  const Case cases[] = {
      {"\tLD\tA,B\n",                     1, 2},
      {"\tLD\tA,B\n",                     2, 5},
      {"\tLD\tA,   ; \x82\xa0 comment\n", 4, 7},
      {"\tNOP\r\n",                       2, 5},
  };
  for (const Case &c : cases) {
    StartLine(*st, c.line);
    Token token;
    for (int i = 0; i < c.scans; ++i) {
      ASSERT_TRUE(ScanToken(*st, token)) << c.line;
    }
    EXPECT_EQ(CurrentColumn(*st), c.column) << c.line;
  }
  // A position outside the line read last has no column.
  StartLine(*st, "\tNOP\n");
  const char other[] = "\tNOP\n";
  EXPECT_EQ(ColumnAt(*st, other), 0);
}

// Under --errors=gnu the first line whose labels the end of the run explains is held back
// with every line after it; the release prints them in their order, the detail in place.
TEST(Printers, HeldLinesKeepTheirOrderAndGetTheirDetail) {
  auto st = MakeState();
  StartLine(*st, "\tDS\tSIZE\n");
  st->source.context->file_name = AddName(st->names, "main.asm");
  st->source.context->line = 4;
  const std::string printed = Printed(ErrorStyle::Gnu, [&] {
                                SetError(*st, Msg::ValueUndetermined);
                                AddUnknownName(*st, {0, 1}, 0);
                                ReportStatementError(*st);
                                ReportAtLine(*st, kCurrentLine, 0, Msg::RedundantA);
                                EXPECT_EQ(st->diag.held.size(), 2u);  // nothing is printed yet
                                st->diag.held[0].detail = "'SIZE' is never defined";
                                ReleaseHeldDiagnostics(*st);
                              }).second;
  EXPECT_EQ(printed,
            "main.asm:4:1: error: Value of the expression not yet known: 'SIZE' is never "
            "defined\n"
            "    4 | \tDS\tSIZE\n"
            "      | ^\n"
            "main.asm:4: warning: Redundant operand 'A,'\n"
            "    4 | \tDS\tSIZE\n");
  EXPECT_FALSE(st->diag.holding);
  // The classic form holds nothing back and names no label.
  const std::string classic = Printed(ErrorStyle::Classic, [&] {
                                SetError(*st, Msg::ValueUndetermined);
                                AddUnknownName(*st, {0, 1}, 0);
                                ReportStatementError(*st);
                              }).first;
  EXPECT_EQ(classic, "Error main.asm    4: Value of the expression not yet known\n");
  EXPECT_TRUE(st->diag.held.empty());
}
