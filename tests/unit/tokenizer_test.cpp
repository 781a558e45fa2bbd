// Tokenizer: numbers, keywords, identifiers, the '(' probe, local labels and the skip scan.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "lexer/scanner.h"
#include "test_support.h"

namespace {

struct Scanned {
  int32_t kind;
  int32_t value;
  std::string text;
  LocalForm local_form = LocalForm::None;
};

// Scans a whole line in the given conditional state; stops after the end of the line or a
// failed scan (kind -1).
std::vector<Scanned> ScanAll(AssemblerState &st, const char *line, int32_t if_state = 0,
                             int32_t if_depth = 0) {
  StartLine(st, line);
  st.source.context->conditional.state = static_cast<IfState>(if_state);
  st.source.context->conditional.depth = if_depth;
  std::vector<Scanned> tokens;
  for (;;) {
    Token token;
    if (!ScanToken(st, token)) {
      tokens.push_back({-1, 0, ""});
      return tokens;
    }
    tokens.push_back({token.kind, token.value, std::string(token.Text()), token.local_form});
    if (token.kind == kEndOfLine || token.kind == kSkippedLine) {
      return tokens;
    }
  }
}

std::vector<int32_t> Kinds(AssemblerState &st, const char *line, int32_t if_state = 0,
                           int32_t if_depth = 0) {
  std::vector<int32_t> kinds;
  for (const Scanned &token : ScanAll(st, line, if_state, if_depth)) {
    kinds.push_back(token.kind);
  }
  return kinds;
}

TEST(Tokenizer, NumberForms) {
  auto st = MakeState();
  const struct {
    const char *text;
    int32_t value;
  } cases[] = {
      {"10",           10        },
      {"10B",          2         },
      {"10H",          16        },
      {"1BH",          27        },
      {"0FFH",         255       },
      {"0ffh",         255       },
      {"0x1F",         31        },
      {"0X1f",         31        },
      {"$1F",          31        },
      {"$1_F",         31        },
      {"1_000",        1000      },
      {"0B",           0         },
      {"0BH",          11        },
      {"1B",           1         },
      {"0100",         100       },
      {"1011B",        11        },
      {"0B1H",         177       },
      {"4294967296",   0         },
      {"0x",           0         },
      {"123456789ABH", 0x456789AB},
      {"0x123456789",  0x23456789},
      {"$FFFFFFFF",    -1        },
      {"1_0_B",        2         },
      {"0b1010",       10        }, // "0b" and binary digits, where no other form reads the run
      {"0B1",          1         },
      {"0b1111_0000",  0xF0      },
      {"0B_",          0         },
  };
  for (const auto &c : cases) {
    auto tokens = ScanAll(*st, c.text);
    ASSERT_EQ(tokens.size(), 2u) << c.text;
    EXPECT_EQ(tokens[0].kind, kNumber) << c.text;
    EXPECT_EQ(tokens[0].value, c.value) << c.text;
  }
  for (const char *bad : {"12B", "0AB", "1A", "9F", "0b102", "0b_1", "0b10B", "0B1E"}) {
    auto tokens = ScanAll(*st, bad);
    EXPECT_EQ(tokens.back().kind, -1) << bad;
    EXPECT_EQ(st->diag.error, MessageText(Msg::InvalidNumber)) << bad;
  }
  // What does not belong to the number is left for the next token.
  EXPECT_EQ(ScanAll(*st, "0xG")[1].text, "G");  // "0x" without a digit: 0, the X taken
  EXPECT_EQ(Kinds(*st, "10G"), (std::vector<int32_t>{kNumber, kIdentifier, kEndOfLine}));
  EXPECT_EQ(ScanAll(*st, "0b101G")[1].text, "G");
  EXPECT_EQ(Kinds(*st, "$"), (std::vector<int32_t>{kDollar, kEndOfLine}));
  EXPECT_EQ(Kinds(*st, "$_"), (std::vector<int32_t>{kDollar, kIdentifier, kEndOfLine}));
}

TEST(Tokenizer, EveryKeywordInAnyCase) {
  auto st = MakeState();
  // Each row: the kind of its first word; the words after it have the following kinds.
  const std::pair<int32_t, std::string> runs[] = {
      {kAdd,     "ADD ADC SUB SBC AND XOR OR CP LD HALT NOP EX DJNZ JR INC DEC RRCA RLCA RRA RLA"  },
      {kDaa,     "DAA CPL SCF CCF RET POP EXX JP OUT IN DI EI CALL PUSH RST NEG RETN RETI IM RRD"  },
      {kRld,     "RLD LDI LDD LDIR LDDR CPI CPD CPIR CPDR INI IND INIR INDR OUTI OUTD OTIR OTDR"   },
      {kRlc,     "RLC RRC RL RR SLA SRA SLL SRL BIT RES SET TSTI A B C D E H L IXH IXL IYH IYL I R"},
      {kRegAF,   "AF BC DE HL SP IX IY"                                                            },
      {kCondNZ,  "NZ Z NC PO PE P M DB DW DS ORG MACRO ENDM ALIGN OFFSET"                          },
      {kInclude, "INCLUDE BINCLUDE IF ELSE ENDIF DISPC ERROR PROC ENDP ELIF CHRMAP MAPCHR"         },
      {kArrange, "ARRANGE PAGE_ALIGNED IN_PAGE REPT END"                                           },
      {kDb,      "DEFB DEFW DEFS"                                                                  },
      {kCondPO,  "NV"                                                                              },
      {kCondPE,  "V"                                                                               },
      {kElif,    "ELSIF"                                                                           },
      {kElif,    "ELSEIF"                                                                          },
      {kEqu,     "EQU"                                                                             },
      {kDefined, "DEFINED"                                                                         },
      {kProc,    "{"                                                                               },
      {kEndp,    "}"                                                                               },
  };
  for (const auto &[first, words] : runs) {
    int32_t kind = first;
    for (size_t at = 0; at < words.size(); ++kind) {
      const size_t end = std::min(words.find(' ', at), words.size());
      std::string word = words.substr(at, end - at);
      at = end + 1;
      EXPECT_EQ(ScanAll(*st, word.c_str())[0].kind, kind) << word;
      word[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(word[0])));
      EXPECT_EQ(ScanAll(*st, word.c_str())[0].kind, kind) << word;
    }
  }
}

TEST(Tokenizer, IdentifiersKeepTheirCase) {
  auto st = MakeState();
  for (const char *word : {"INPAGE", "LDX", "ENDIFS", "Label", "LABEL", "A1", "#x?", "_"}) {
    auto tokens = ScanAll(*st, word);
    EXPECT_EQ(tokens[0].kind, kIdentifier) << word;
    EXPECT_EQ(tokens[0].text, word);
  }
  EXPECT_EQ(Kinds(*st, "AF'"), (std::vector<int32_t>{kRegAFAlt, kEndOfLine}));
  EXPECT_EQ(Kinds(*st, "af '"), (std::vector<int32_t>{kRegAF, kQuote, kEndOfLine}));
  auto tokens = ScanAll(*st, std::string(70, 'x').c_str());
  ASSERT_EQ(tokens.size(), 3u);
  EXPECT_EQ(tokens[0].text, std::string(63, 'x'));
  EXPECT_EQ(tokens[1].text, std::string(7, 'x'));
}

TEST(Tokenizer, OperatorsAndPunctuation) {
  auto st = MakeState();
  EXPECT_EQ(Kinds(*st, "<= << < >= >> > == = != ! && & || | :: : ^ ~ * / % + - , )"),
            (std::vector<int32_t>{
                kLessEqual,   kShl,      kLess,   kGreaterEqual, kShr,      kGreater,   kEqual,
                kAssign,      kNotEqual, kNot,    kLogicalAnd,   kBitAnd,   kLogicalOr, kBitOr,
                kDoubleColon, kColon,    kBitXor, kComplement,   kMul,      kDiv,       kMod,
                kPlus,        kMinus,    kComma,  kRParen,       kEndOfLine}));
  EXPECT_EQ(Kinds(*st, "1<-2"),
            (std::vector<int32_t>{kNumber, kLess, kMinus, kNumber, kEndOfLine}));
  for (const char *bad : {".", "[", "]", "\\", "\x82\xa0"}) {
    EXPECT_EQ(Kinds(*st, bad).back(), -1) << bad;
    EXPECT_EQ(st->diag.error, MessageText(Msg::SyntaxError));
  }
}

TEST(Tokenizer, CommentsAndTokenStart) {
  auto st = MakeState();
  const char *line = "   ; only a comment";
  StartLine(*st, line);
  Token token;
  ASSERT_TRUE(ScanToken(*st, token));
  EXPECT_EQ(token.kind, kEndOfLine);
  EXPECT_EQ(token.start, line);  // before the blanks when the rest is a comment
  EXPECT_EQ(*st->scan.pos, '\0');
  EXPECT_EQ(Kinds(*st, "NOP;x"), (std::vector<int32_t>{kNop, kEndOfLine}));
}

TEST(Tokenizer, RegisterIndirectProbe) {
  auto st = MakeState();
  const int32_t end = kEndOfLine;
  const struct {
    const char *text;
    std::vector<int32_t> kinds;
  } cases[] = {
      {"(HL)",    {kIndHL, end}                                  },
      {"(hl )",   {kIndHL, end}                                  },
      {"( de)",   {kIndDE, end}                                  },
      {"(BC)",    {kIndBC, end}                                  },
      {"(SP)",    {kIndSP, end}                                  },
      {"( IX )",  {kIndIX, end}                                  },
      {"(iy)",    {kIndIY, end}                                  },
      {"( c )",   {kPortC, end}                                  },
      {"(",       {kLParen, end}                                 },
      {"(IX+3)",  {kIndexIX, kPlus, kNumber, kRParen, end}       },
      {"(IY -3)", {kIndexIY, kMinus, kNumber, kRParen, end}      },
      {"(IXH)",   {kLParen, kRegIXH, kRParen, end}               },
      {"(H L)",   {kLParen, kRegH, kRegL, kRParen, end}          },
      {"(SP+1)",  {kLParen, kRegSP, kPlus, kNumber, kRParen, end}},
      {"(CALL)",  {kLParen, kCall, kRParen, end}                 },
  };
  for (const auto &c : cases) {
    EXPECT_EQ(Kinds(*st, c.text), c.kinds) << c.text;
  }
  StartLine(*st, "(IX+3)");
  Token token;
  ASSERT_TRUE(ScanToken(*st, token));
  EXPECT_EQ(*st->scan.pos, '+');
}

TEST(Tokenizer, LocalLabelFamiliesAndNames) {
  auto st = MakeState();
  // In order: a reference before any definition names a label no definition makes.
  const std::pair<const char *, const char *> sequence[] = {
      {"@B",  "@@-----"},
      {"@F",  "@@00000"},
      {"@@",  "@@00000"},
      {"@b",  "@@00000"},
      {"@F",  "@@00001"},
      {"@@",  "@@00001"},
      {"@3",  "@300000"},
      {"@3",  "@300001"},
      {"@3B", "@300001"},
      {"@3f", "@300002"},
      {"@7B", "@7-----"},
  };
  for (const auto &[line, name] : sequence) {
    const Scanned token = ScanAll(*st, line)[0];
    const char last = static_cast<char>(std::toupper(line[std::strlen(line) - 1]));
    EXPECT_EQ(token.kind, kIdentifier) << line;
    EXPECT_EQ(token.text, name) << line;
    EXPECT_EQ(token.local_form,
              last == 'B' || last == 'F' ? LocalForm::Reference : LocalForm::Definition)
        << line;
  }
  EXPECT_EQ(st->pass.local_counters[3], 2);
  EXPECT_EQ(st->pass.local_counters[10], 2);
  EXPECT_EQ(Kinds(*st, "@X").back(), -1);
  EXPECT_EQ(st->diag.error, MessageText(Msg::SyntaxError));
  EXPECT_EQ(Kinds(*st, "@5:"), (std::vector<int32_t>{kIdentifier, kColon, kEndOfLine}));
  // Serials in base 64, most significant digit first.
  const std::pair<int32_t, const char *> serials[] = {
      {11,                    "@@0000;"},
      {12,                    "@@0000A"},
      {38,                    "@@0000a"},
      {64 * 64 + 2 * 64 + 63, "@@0012z"},
      {0x3FFFFFFF,            "@@zzzzz"},
      {0x40000000,            "@@00000"},
  };
  for (const auto &[serial, name] : serials) {
    char text[8];
    lexer::FormatLocalLabel(text, '@', serial);
    EXPECT_STREQ(text, name) << serial;
  }
}

TEST(Tokenizer, PeekedTokenIsScannedOnce) {
  auto st = MakeState();
  StartLine(*st, "  @@ NOP");
  Token token;
  ASSERT_TRUE(PeekToken(*st, token));
  EXPECT_EQ(token.Text(), "@@00000");
  EXPECT_EQ(*st->scan.pos, '@');  // blanks consumed, token not
  ASSERT_TRUE(TakePeekedToken(*st));
  EXPECT_EQ(st->pass.local_counters[10], 1);
  ASSERT_TRUE(ScanToken(*st, token));
  EXPECT_EQ(token.kind, kNop);
  // A position moved since the peek is scanned afresh, not jumped over.
  StartLine(*st, "ABC DEF");
  ASSERT_TRUE(PeekToken(*st, token));
  st->scan.pos += 1;
  ASSERT_TRUE(TakePeekedToken(*st));
  EXPECT_STREQ(st->scan.pos, " DEF");
  // A failed peek is not taken as a success: the take scans again, and reports the failure.
  StartLine(*st, "12B");
  EXPECT_FALSE(TryPeekToken(*st, token));
  EXPECT_FALSE(HasError(*st));
  EXPECT_FALSE(TakePeekedToken(*st));
  EXPECT_EQ(TakeError(*st), MessageText(Msg::InvalidNumber));
}

TEST(Tokenizer, APeekAtTheSamePlaceTakesTheKeptToken) {
  auto st = MakeState();
  char line[] = "  LD A,1";
  StartLine(*st, line);
  Token first;
  Token again;
  ASSERT_TRUE(PeekToken(*st, first));
  line[3] = 'X';  // a second scan would find an identifier
  ASSERT_TRUE(PeekToken(*st, again));
  EXPECT_EQ(again.kind, kLd);
  EXPECT_EQ(again.start, line + 2);
  ASSERT_TRUE(TakePeekedToken(*st));
  EXPECT_EQ(std::string(st->scan.pos), " A,1");
  // A new line keeps nothing, though it lies in the same buffer.
  StartLine(*st, line);
  ASSERT_TRUE(PeekToken(*st, again));
  EXPECT_EQ(again.kind, kIdentifier);
  EXPECT_EQ(again.Text(), "LX");
}

TEST(Tokenizer, LocalLabelDefinitionsAreScannedByEveryPeek) {
  auto st = MakeState();
  const char *line = "@F @@";
  StartLine(*st, line);
  Token token;
  ASSERT_TRUE(PeekToken(*st, token));
  EXPECT_EQ(token.Text(), "@@00000");
  ASSERT_TRUE(TakePeekedToken(*st));
  ASSERT_TRUE(PeekToken(*st, token));
  ASSERT_TRUE(PeekToken(*st, token));
  EXPECT_EQ(token.Text(), "@@00001");
  EXPECT_EQ(st->pass.local_counters[10], 2);
  // The reference peeked before the definitions names the next label when peeked again.
  st->scan.pos = line;
  ASSERT_TRUE(PeekToken(*st, token));
  EXPECT_EQ(token.Text(), "@@00002");
}

TEST(SkipScan, FindsOnlyWholeConditionalWords) {
  auto st = MakeState();
  const int32_t skipped = kSkippedLine;
  const struct {
    const char *line;
    std::vector<int32_t> kinds;
  } cases[] = {
      {" DB \"ENDIF\"",                           {skipped}        },
      {" DB 'ELSE' ; ENDIF",                      {skipped}        },
      {"; ENDIF",                                 {skipped}        },
      {"LABEL: ENDIF",                            {kEndif, skipped}},
      {" else nop",                               {kElse, skipped} },
      {" ELSE:",                                  {kElse, skipped} },
      {" ELIF 1",                                 {kElif, skipped} },
      {" elsif X",                                {kElif, skipped} },
      {" ELSEIF X",                               {kElif, skipped} },
      {" DB \"open ENDIF",                        {skipped}        },
      {" LD A,I;ENDIF",                           {skipped}        },
      {" LD A,I'ELSE'",                           {skipped}        },
      {" DB 'a'' ELSE '",                         {skipped}        },
      {" DB ''''ELSE",                            {kElse, skipped} },
      {" ENDIFS ELSEX XELSE ELSE_1 ELS ENDI EIF", {skipped}        },
      {"",                                        {skipped}        },
  };
  for (const auto &c : cases) {
    EXPECT_EQ(Kinds(*st, c.line, 1), c.kinds) << c.line;
    EXPECT_EQ(st->source.context->conditional.depth, 0) << c.line;
  }
  StartLine(*st, " ELSE NOP");
  st->source.context->conditional.state = kIfDone;
  Token token;
  ASSERT_TRUE(ScanToken(*st, token));
  EXPECT_STREQ(st->scan.pos, " NOP");  // the statement loop goes on after the keyword
}

TEST(SkipScan, NestedIfOpensASkippedLevel) {
  auto st = MakeState();
  EXPECT_EQ(Kinds(*st, " if 1 ; IF", 4), (std::vector<int32_t>{kSkippedLine}));
  EXPECT_EQ(st->source.context->conditional.depth, 1);
  EXPECT_EQ(st->source.context->conditional.state, 5);
  EXPECT_EQ(st->source.context->conditional.saved[0], 4);
  for (const char *line : {" IFX 1", " DB 'IF'", "; IF", " XIF", " IF_1"}) {
    Kinds(*st, line, 1);
    EXPECT_EQ(st->source.context->conditional.depth, 0) << line;
  }
  // A peeked IF line taken afterwards opens one level only.
  StartLine(*st, "IF 0");
  st->source.context->conditional.state = kIfFalse;
  Token token;
  ASSERT_TRUE(PeekToken(*st, token));
  ASSERT_TRUE(TakePeekedToken(*st));
  EXPECT_EQ(st->source.context->conditional.depth, 1);
  // Depth 8 still opens a level; depth 9 refuses without opening one.
  Kinds(*st, " IF 1", 5, 8);
  EXPECT_EQ(st->source.context->conditional.depth, 9);
  EXPECT_EQ(Kinds(*st, " IF 1", 5, 9), (std::vector<int32_t>{-1}));
  EXPECT_EQ(st->diag.error, MessageText(Msg::TooMuchIfNesting));
  EXPECT_EQ(st->source.context->conditional.depth, 9);
}

// A misspelt statement word is met by the nearest instruction or directive: one edit (a
// character replaced, put in, left out, or two swapped) for a short word, two for a longer
// one; names near nothing get no suggestion.
TEST(Keywords, NearestStatementWord) {
  EXPECT_EQ(NearestStatementWord("LF"), "LD");
  EXPECT_EQ(NearestStatementWord("ldi"), "LDI");    // a keyword of either case is itself
  EXPECT_EQ(NearestStatementWord("PUHS"), "PUSH");  // two neighbours swapped
  EXPECT_EQ(NearestStatementWord("INCLDE"), "INCLUDE");
  EXPECT_EQ(NearestStatementWord("ENDMM"), "ENDM");
  EXPECT_EQ(NearestStatementWord("BC"), "SBC");  // a register is no statement word
  EXPECT_EQ(NearestStatementWord("IX"), "EX");
  EXPECT_EQ(NearestStatementWord("START"), "");
  EXPECT_EQ(NearestStatementWord(std::string(40, 'A')), "");
}

}  // namespace
