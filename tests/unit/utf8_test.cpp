// Quoted text under --source-encoding: the Unicode -> CP932 table, the UTF-8 reader and how
// messages show what it read.
#include <gtest/gtest.h>

#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "lexer/scanner.h"
#include "test_support.h"

namespace {

// A two-byte CP932 code: lead byte 81h..9Fh or E0h..FCh, trail byte 40h..7Eh or 80h..FCh.
bool IsTwoByteCode(uint32_t code) {
  const uint32_t lead = code >> 8;
  const uint32_t trail = code & 0xFF;
  return ((lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC)) &&
         ((trail >= 0x40 && trail <= 0x7E) || (trail >= 0x80 && trail <= 0xFC));
}

// Reads the one character of text as UTF-8; the error slot is left to the caller.
bool Read(AssemblerState &st, const char *text, TextChar &c) {
  st.options.source_utf8 = true;
  StartLine(st, text);
  return lexer::ReadTextChar(st, text, c);
}

std::vector<uint8_t> Bytes(const TextChar &c) { return {c.bytes, c.bytes + c.count}; }

TEST(Cp932Table, RunsAreSortedApartAndHoldValidCodes) {
  const std::span<const lexer::Cp932Run> runs = lexer::Cp932Runs();
  ASSERT_FALSE(runs.empty());
  uint32_t next_free = 0;  // the first code point after the run before
  uint32_t mapped = 0;
  for (const lexer::Cp932Run &run : runs) {
    ASSERT_GT(run.count, 0) << std::hex << run.first;
    ASSERT_GE(run.first, next_free) << std::hex << run.first;
    ASSERT_LE(uint32_t{run.first} + run.count, 0x10000u) << std::hex << run.first;
    for (uint32_t i = 0; i < run.count; ++i) {
      const uint32_t code = uint32_t{run.code} + i;
      EXPECT_TRUE(code < 0x100 || IsTwoByteCode(code)) << std::hex << run.first + i;
    }
    next_free = uint32_t{run.first} + run.count;
    mapped += run.count;
  }
  // ASCII is itself, and the codec writes all of these code points (tests/utf8_check.py
  // holds each one against it).
  EXPECT_EQ(runs.front().first, 0);
  EXPECT_GE(runs.front().count, 0x80);
  EXPECT_EQ(runs.front().code, 0);
  EXPECT_EQ(mapped, 9408u);
}

// Each length of sequence, from its lowest to its highest code point; the bytes of every code
// point are held against the codec by tests/utf8_check.py.
TEST(Utf8Reader, SequencesOfEachLengthDecode) {
  auto st = MakeState();
  const struct {
    const char *text;
    uint32_t code;
    int32_t length;
    std::vector<uint8_t> bytes;
  } cases[] = {
      {"A",                'A',      1, {0x41}      },
      {"\x7F",             0x7F,     1, {0x7F}      },
      {"\xC2\x80",         0x80,     2, {0x80}      },
      {"\xDF\xBF",         0x7FF,    2, {}          },
      {"\xE0\xA0\x80",     0x800,    3, {}          },
      {"\xEF\xBD\xB1",     0xFF71,   3, {0xB1}      }, // a half-width katakana: one byte
      {"\xE3\x81\x82",     0x3042,   3, {0x82, 0xA0}},
      {"\xEF\xBF\xBF",     0xFFFF,   3, {}          },
      {"\xF0\x90\x80\x80", 0x10000,  4, {}          },
      {"\xF4\x8F\xBF\xBF", 0x10FFFF, 4, {}          },
  };
  for (const auto &row : cases) {
    TextChar c;
    ASSERT_TRUE(Read(*st, row.text, c)) << row.text << ": " << TakeError(*st);
    EXPECT_EQ(c.code, row.code) << row.text;
    EXPECT_EQ(c.length, row.length) << row.text;
    EXPECT_EQ(Bytes(c), row.bytes) << row.text;
    EXPECT_EQ(c.start, row.text);
  }
}

TEST(Utf8Reader, TheLineEndIsNeverPassed) {
  auto st = MakeState();
  for (bool utf8 : {false, true}) {
    st->options.source_utf8 = utf8;
    const char line[] = "";
    StartLine(*st, line);
    TextChar c;
    ASSERT_TRUE(TakeTextChar(*st, c));
    EXPECT_EQ(c.length, 0);
    EXPECT_EQ(RestOfLine(*st).data(), line);
  }
}

TEST(Utf8Reader, MalformedBytesAreNamedAtTheirColumn) {
  auto st = MakeState();
  const struct {
    std::string line;  // the malformed bytes follow " DB \""
    const char *named;
  } cases[] = {
      {"\x80",             "80"      }, // a continuation byte alone
      {"\xBF\x41",         "BF"      },
      {"\xC0\x80",         "C0"      }, // overlong forms
      {"\xC1\xBF",         "C1"      },
      {"\xE0\x80\x80",     "E0"      },
      {"\xF0\x80\x80\x80", "F0"      },
      {"\xED\xA0\x80",     "ED"      }, // a surrogate
      {"\xF4\x90\x80\x80", "F4"      }, // beyond U+10FFFF
      {"\xF5\x80\x80\x80", "F5"      },
      {"\xFF",             "FF"      },
      {"\xE3\x81",         "E3 81"   }, // cut short by the line end
      {"\xE3\x81\x41",     "E3 81"   }, // ... or by an ASCII character
      {"\xF0\x9F\x98",     "F0 9F 98"},
      {"\xC3\"",           "C3"      }, // ... or by the closing quote
      {"\x82\xA0",         "82"      }, // Shift-JIS
  };
  st->options.source_utf8 = true;
  for (const auto &row : cases) {
    const std::string line = " DB \"" + row.line;
    StartLine(*st, line.c_str());
    TextChar c;
    EXPECT_FALSE(lexer::ReadTextChar(*st, line.c_str() + 5, c)) << row.named;
    EXPECT_EQ(st->diag.error_column, 6) << row.named;
    EXPECT_EQ(TakeError(*st), Text(Msg::MalformedUtf8, row.named));
  }
}

TEST(CharacterConstant, MessagesShowTheCharacterWhereTheirTextCanHoldIt) {
  auto st = MakeState();
  st->options.source_utf8 = true;
  const struct {
    MessageLanguage language;
    const char *line;
    const char *named;
  } cases[] = {
      {MessageLanguage::English, " DB 'é'",           "U+00E9 'é'"          },
      {MessageLanguage::Utf8,    " DB 'é'",           "U+00E9 'é'"          },
      {MessageLanguage::Cp932,   " DB 'é'",           "U+00E9"               }, // CP932 has no 'é'
      {MessageLanguage::English, " DB '\xC2\x85'",     "U+0085"               }, // a control character
      {MessageLanguage::English, " DB '\xE2\x80\xA8'", "U+2028 '\xE2\x80\xA8'"},
  };
  for (const auto &row : cases) {
    MessageSettingsScope scope;
    SelectMessageLanguage(row.language);
    StartLine(*st, row.line);
    Token db;
    ASSERT_TRUE(ScanToken(*st, db));
    int32_t value = 0;
    EXPECT_FALSE(EvaluateKnown(*st, value));
    EXPECT_EQ(TakeError(*st), Text(Msg::NoShiftJisCode, row.named)) << row.line;
  }
}

TEST(MessageText, Utf8SourceTextIsPrintedInTheMessagesEncoding) {
  auto st = MakeState();
  const struct {
    bool utf8;
    MessageLanguage language;
    std::string text;
    std::string printed;
  } cases[] = {
      {true,  MessageLanguage::Cp932,   "aあｱ",         "a\x82\xA0\xB1"},
      {true,  MessageLanguage::Cp932,   "é\xFF\xE3\x81.", "???."         }, // no code, no UTF-8
      {true,  MessageLanguage::Utf8,    "aあé",          "aあé"       },
      {true,  MessageLanguage::English, "é",              "é"           },
      {false, MessageLanguage::Cp932,   "\x82\xA0\xFF",    "\x82\xA0\xFF" },
  };
  for (const auto &row : cases) {
    MessageSettingsScope scope;
    SelectMessageLanguage(row.language);
    st->options.source_utf8 = row.utf8;
    EXPECT_EQ(TextForMessages(*st, row.text), row.printed) << row.text;
  }
}

}  // namespace
