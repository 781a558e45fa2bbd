// The message catalogue: every entry's printed bytes are its text in CP932, and the slot and
// buffer operations never overrun.
#include <gtest/gtest.h>
#include <iconv.h>

#include <cstring>
#include <string>
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
  int count = 0;
  const MessageEntry *entries = MessageCatalogue(count);
  ASSERT_EQ(count, static_cast<int>(Msg::Count));
  for (int i = 0; i < count; ++i) {
    EXPECT_EQ(static_cast<int>(entries[i].id), i) << "row out of order: " << entries[i].utf8;
    EXPECT_EQ(ToCp932(entries[i].utf8), entries[i].sjis) << entries[i].utf8;
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

bool EndsLine(const char *text) {
  const size_t length = std::strlen(text);
  return length > 0 && text[length - 1] == '\n';
}

// The English texts are printed with the arguments of the Japanese ones, and whole-line
// messages must stay whole lines.
TEST(MessageCatalogue, EveryEntryHasAnEnglishTextWithTheSameConversions) {
  int count = 0;
  const MessageEntry *entries = MessageCatalogue(count);
  for (int i = 0; i < count; ++i) {
    const char *english = MessageTextIn(entries[i].id, MessageLanguage::english);
    ASSERT_NE(english, nullptr) << entries[i].utf8;
    EXPECT_NE(*english, '\0') << entries[i].utf8;
    EXPECT_EQ(Conversions(english), Conversions(entries[i].utf8)) << english;
    EXPECT_EQ(EndsLine(english), EndsLine(entries[i].utf8)) << english;
  }
  EXPECT_EQ(Conversions("Error %s%5d: %s (%+d) %04X 100%%\n"),
            (std::vector<std::string>{"%s", "%5d", "%s", "%+d", "%04X", "%%"}));
}

// The language selects the texts of every operation that names a catalogue message.
TEST(MessageCatalogue, LanguageSelectsTheTexts) {
  auto st = MakeState();
  EXPECT_STREQ(MessageText(Msg::SyntaxError),
               MessageTextIn(Msg::SyntaxError, MessageLanguage::cp932));
  SetMessageLanguage(MessageLanguage::utf8);
  EXPECT_STREQ(MessageText(Msg::SyntaxError), "構文エラー");
  SetMessageLanguage(MessageLanguage::english);
  SetErrorFormat(*st, Msg::AlreadyDefined, "LOOP", MessageText(Msg::KindMacro));
  EXPECT_STREQ(st->diag.error, "LOOP is already defined as a macro");
  SetMessageLanguage(MessageLanguage::cp932);
  EXPECT_STREQ(MessageText(Msg::InvalidNumber), ToCp932("無効な数値キャラクタ").c_str());
}

TEST(MessageCatalogue, KnownBytes) {
  // 無効な数値キャラクタ
  EXPECT_STREQ(MessageText(Msg::InvalidNumber),
               "\x96\xB3\x8C\xF8\x82\xC8\x90\x94\x92\x6C\x83\x4C\x83\x83\x83\x89\x83\x4E\x83\x5E");
  EXPECT_STREQ(MessageText(Msg::LineError), "Error %s%5d: %s\n");
}

// The compile-time check of a call's arguments against a message's conversions.
using message_format::ArgumentsMatch;
constexpr const char *Text(Msg id) { return kMessageCatalogue[static_cast<int>(id)].sjis; }
static_assert(ArgumentsMatch<const char *, int32_t, const char *>(Text(Msg::LineError)));
static_assert(!ArgumentsMatch<const char *, int32_t>(Text(Msg::LineError)));  // one too few
static_assert(!ArgumentsMatch<const char *, int, const char *, int>(Text(Msg::LineError)));
static_assert(!ArgumentsMatch<int32_t, const char *, const char *>(Text(Msg::LineError)));
static_assert(!ArgumentsMatch<const char *, long, const char *>(Text(Msg::LineError)));
static_assert(ArgumentsMatch<char>(Text(Msg::IllegalOption)));  // %c takes the promoted char
static_assert(!ArgumentsMatch<const char *>(Text(Msg::IllegalOption)));
static_assert(ArgumentsMatch<unsigned, unsigned, int32_t>(Text(Msg::FreeSpace)));
static_assert(ArgumentsMatch<uint16_t, uint8_t, int16_t>(Text(Msg::FreeSpace)));
static_assert(!ArgumentsMatch<int, int, int>(Text(Msg::FreeSpace)));  // %X wants unsigned
static_assert(ArgumentsMatch<>(Text(Msg::SyntaxError)));
static_assert(!ArgumentsMatch<const char *>(Text(Msg::SyntaxError)));  // nothing to take it
static_assert(ArgumentsMatch<>("100%% sure"));
static_assert(ArgumentsMatch<int, int>("%*d") && !ArgumentsMatch<int>("%*d"));
static_assert(!ArgumentsMatch<long>("%ld") && !ArgumentsMatch<double>("%f"));

TEST(ErrorSlot, FormattedMessageIsCutAtTheBufferEnd) {
  auto st = MakeState();
  std::string long_name(1000, 'X');
  SetErrorFormat(*st, Msg::UndefinedIdentifier, long_name.c_str());
  ASSERT_EQ(st->diag.error, st->diag.buffer);
  EXPECT_EQ(std::strlen(st->diag.error), static_cast<size_t>(kMessageBufferSize - 1));
  ClearError(*st);
  EXPECT_EQ(st->diag.error, nullptr);
}

TEST(ErrorSlot, AlreadyDefinedNamesTheKind) {
  auto st = MakeState();
  SetErrorFormat(*st, Msg::AlreadyDefined, "LOOP", MessageText(Msg::KindLabel));
  std::string expected = std::string("LOOP") + ToCp932("はすでにラベルとして定義されています");
  EXPECT_EQ(std::string(st->diag.error), expected);
}

// ---- --errors=gnu ------------------------------------------------------------------------------

// Prints with the style selected and returns what went to standard output and standard error.
template <typename Print>
std::pair<std::string, std::string> Printed(ErrorStyle style, Print print) {
  SetErrorStyle(style);
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  print();
  std::pair<std::string, std::string> printed{testing::internal::GetCapturedStdout(),
                                              testing::internal::GetCapturedStderr()};
  SetErrorStyle(ErrorStyle::classic);
  SetMessageLanguage(MessageLanguage::cp932);
  return printed;
}

TEST(GnuErrors, LinesNameTheirPlaceOnStandardError) {
  const DiagnosticPlace line{"main.asm", 7, {}};
  const DiagnosticPlace in_macro{"main.asm", 20, "in macro M, line 2"};
  using Lines = std::pair<std::string, std::string>;
  auto english = [](auto print) {
    return [print] {
      SetMessageLanguage(MessageLanguage::english);
      print();
    };
  };
  EXPECT_EQ(Printed(ErrorStyle::gnu, english([&] {
                      PrintMessageAt(line, Msg::LineError, "main.asm", 7, "Syntax error");
                    })),
            Lines("", "main.asm:7: error: Syntax error\n"));
  EXPECT_EQ(Printed(ErrorStyle::gnu, english([&] {
                      PrintMessageAt(in_macro, Msg::MacroLineError, "main.asm", "Syntax error");
                    })),
            Lines("", "main.asm:20: error: Syntax error (in macro M, line 2)\n"));
  EXPECT_EQ(Printed(ErrorStyle::gnu, english([&] {
                      PrintMessageAt(line, Msg::LineErrorOffset, "main.asm", 7, "Far", 3);
                    })),
            Lines("", "main.asm:7: error: Far (+3)\n"));
  EXPECT_EQ(Printed(ErrorStyle::gnu,
                    english([&] { PrintMessageAt(line, Msg::RedundantA, "main.asm", 7); })),
            Lines("", "main.asm:7: warning: Redundant operand 'A,'\n"));
  EXPECT_EQ(Printed(ErrorStyle::gnu, english([&] {
                      PrintMessageAt({"main.asm", 9, {}}, Msg::EofBeforeEnd, "main.asm");
                    })),
            Lines("", "main.asm:9: warning: EOF is found before 'END' command\n"));
  // No place: the program's name. The text of a placement line is its argument.
  EXPECT_EQ(Printed(ErrorStyle::gnu, english([] { ConsoleMessage(Msg::IllegalOption, 'Q'); })),
            Lines("", "talvo: error: Illegal option: -Q\n"));
  EXPECT_EQ(
      Printed(ErrorStyle::gnu, english([] { ConsoleMessage(Msg::PlacementError, "No room"); })),
      Lines("", "talvo: error: No room\n"));
  EXPECT_EQ(Printed(ErrorStyle::gnu, english([] { ConsoleMessage(Msg::WarnBeyondDFFF); })),
            Lines("", "talvo: warning: The binary extends beyond 0000h-DFFFh\n"));
  // An information line stays as it is, on standard output.
  EXPECT_EQ(Printed(ErrorStyle::gnu,
                    english([] { ConsoleMessage(Msg::FreeSpace, 0x8010u, 0x80FFu, 240); })),
            Lines("Info : 8010-80FF   240 bytes of free space\n", ""));
  // The classic style prints the catalogue's text whatever the place.
  EXPECT_EQ(Printed(ErrorStyle::classic, english([&] {
                      PrintMessageAt(in_macro, Msg::MacroLineError, "main.asm", "Syntax error");
                    })),
            Lines("Error main.asm     : Syntax error\n", ""));
}

TEST(GnuErrors, EveryTextHasTheSameFormInEveryLanguage) {
  // The English text must begin with the same place characters as the Japanese one, or its
  // lines would lose their place or keep a piece of it.
  for (int i = 0; i < static_cast<int>(Msg::Count); ++i) {
    const Msg id = static_cast<Msg>(i);
    const char *japanese = MessageTextIn(id, MessageLanguage::cp932);
    const char *english = MessageTextIn(id, MessageLanguage::english);
    size_t japanese_place = 0;
    size_t english_place = 0;
    const char *japanese_kind = GnuSeverityOf(japanese, japanese_place);
    const char *english_kind = GnuSeverityOf(english, english_place);
    EXPECT_STREQ(japanese_kind, english_kind) << english;
    EXPECT_EQ(std::string(japanese, japanese_place), std::string(english, english_place))
        << english;
  }
}

}  // namespace
