// Macros and REPT: argument splitting, the nesting scan of a capture, and the listing pass,
// which replays the bodies of the assembly pass without storing or reporting anything again.
#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

#include "driver/driver.h"
#include "driver/passes.h"
#include "source/reader.h"
#include "test_support.h"

namespace {

std::vector<std::string> Arguments(const AssemblerState &st, const SourceContext &ctx) {
  std::vector<std::string> args;
  for (uint32_t slot : ctx.args) {
    uint32_t next = 0;
    const char *text = ReadText(st.text, slot, next);
    args.emplace_back(text == nullptr ? "-" : text);
  }
  while (!args.empty() && args.back() == "-") {
    args.pop_back();
  }
  return args;
}

TEST(MacroArguments, SplitAtCommasWithBlanksAndComments) {
  const std::pair<const char *, std::vector<std::string>> rows[] = {
      {"\tA, B ,C\n",                {"A", "B ", "C"}                             },
      {" a b ;comment\n",            {"a b"}                                      },
      {" x;y\n",                     {"x;y"}                                      },
      {" ; only a comment\n",        {}                                           },
      {" ,second,,fourth\n",         {"-", "second", "-", "fourth"}               },
      {" a ,  ;c\n",                 {"a "}                                       },
      {" 1,2,3,4,5,6,7,8,9,10,11\n", {"1", "2", "3", "4", "5", "6", "7", "8", "9"}},
  };
  auto st = MakeState();
  for (const auto &[line, expected] : rows) {
    StartLine(*st, line);
    st->source.context->args[4] = 99;  // a stale slot is cleared
    CollectMacroArguments(*st, RestOfLine(*st), *st->source.context);
    EXPECT_EQ(Arguments(*st, *st->source.context), expected) << line;
  }
}

// A context reading stored lines as its source.
struct Source {
  SourceContext ctx;
  Source(AssemblerState &st, std::initializer_list<const char *> lines) {
    ctx.file_name = AddName(st.names, "main.asm");
    for (const char *line : lines) {
      uint32_t offset = AppendText(st.text, line);
      ctx.replay = ctx.replay == 0 ? offset : ctx.replay;
    }
    AppendText(st.text, "");
  }
  // Runs a MACRO or REPT line's definition in this context.
  void Define(AssemblerState &st, const char *operand, const char *macro_name = nullptr) {
    StartLine(st, operand);
    st.source.context = &ctx;
    EXPECT_TRUE(macro_name != nullptr ? DefineMacro(st, macro_name) : DefineRept(st));
  }
  std::string NextLine(AssemblerState &st) {
    char buffer[kLineCapacity];
    return ReadLine(st, ctx, buffer) ? buffer : "-";
  }
};

TEST(Capture, NestingScanOnlyLooksAtTheLine) {
  auto st = MakeState();
  Source src(*st, {"@@: DB 1\n", "@3: IF 0\n", "\x93\xfa\x96\x7b ENDM\n", "next\n"});
  src.Define(*st, "\n", "Scan");
  ASSERT_EQ(CaptureBody(*st, src.ctx), CaptureResult::Captured);
  for (int32_t counter : st->pass.local_counters) {
    EXPECT_EQ(counter, 0);  // anonymous labels are named when the body is replayed
  }
  EXPECT_EQ(src.ctx.conditional.depth, 0);
  EXPECT_EQ(st->diag.error, nullptr);
  EXPECT_EQ(src.NextLine(*st), "next\n");

  // A capture that failed on its nesting does not leave its count to the next one.
  Source deep(*st, {" REPT 1\n", " REPT 1\n", " REPT 1\n", " REPT 1\n"});
  deep.Define(*st, "\n", "Deep");
  testing::internal::CaptureStdout();
  EXPECT_EQ(CaptureBody(*st, deep.ctx), CaptureResult::Failed);
  testing::internal::GetCapturedStdout();
  Source plain(*st, {" ENDM\n", "next\n"});
  plain.Define(*st, "\n", "Plain");
  ASSERT_EQ(CaptureBody(*st, plain.ctx), CaptureResult::Captured);
  EXPECT_EQ(plain.NextLine(*st), "next\n");
}

TEST(Capture, ListingPassReplaysWithoutStoringOrReporting) {
  auto st = MakeState();
  st->options.assemble_list = true;  // the REPT body is kept for the listing run
  AssembleList list;
  AssembleList *listing = &list;
  uint32_t used = 0;
  for (AssembleList *pass : {static_cast<AssembleList *>(nullptr), listing}) {
    ResetForPass(*st);
    Source src(*st, {"\tDB 1\n", "\tENDM\n"});
    st->listing.list = pass;
    used = st->text.used;
    src.Define(*st, " 3\n");
    EXPECT_STREQ(src.ctx.operand, "?R?00000");
    ASSERT_EQ(CaptureBody(*st, src.ctx), CaptureResult::Captured);
    EXPECT_EQ(st->pass.location, 3);
  }
  EXPECT_EQ(st->text.used, used);  // the second run stored nothing

  // Its messages came in the assembly pass: the listing pass fails quietly.
  Source bad(*st, {"MAC MACRO\n", "\tENDM\n"});
  st->listing.list = listing;
  bad.Define(*st, "\n", "Bad");
  testing::internal::CaptureStdout();
  EXPECT_EQ(CaptureBody(*st, bad.ctx), CaptureResult::Failed);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  st->listing.list = nullptr;
}

// The store keeps what a later line may replay, and nothing else: the arguments of a finished
// expansion are released, and so is a REPT body once repeated, unless the listing run will
// replay it; an expansion that stored something lasting (here such a REPT body) keeps its
// arguments beneath it.
TEST(Release, FinishedExpansionsAndRepetitionsLeaveTheStoreAsItWas) {
  for (bool listing_run : {false, true}) {
    auto st = MakeState();
    st->options.assemble_list = listing_run;
    Source rept(*st, {"\tDB 1\n", "\tENDM\n"});
    uint32_t used = st->text.used;
    rept.Define(*st, " 2\n");
    ASSERT_EQ(CaptureBody(*st, rept.ctx), CaptureResult::Captured);
    EXPECT_EQ(st->text.used == used, !listing_run);

    // Bodies stored as a definition stores them (a replayed line would lose its %1).
    const uint32_t put = AppendText(st->text, "\tDB %1\n");
    AppendText(st->text, "");
    const uint32_t nested = AppendText(st->text, "\tREPT 1\n");
    AppendText(st->text, "\tDB %1\n");
    AppendText(st->text, "\tENDM\n");
    AppendText(st->text, "");
    used = st->text.used;
    const std::string line = " 30H+" + std::string(400, '0') + ", 2\n";
    for (uint32_t body : {put, nested}) {
      StartLine(*st, line.c_str());
      ASSERT_TRUE(InvokeMacro(*st, body, 0, 1));
      EXPECT_EQ(st->text.used == used, !listing_run || body == put);
    }
    EXPECT_EQ(std::string(st->code.bytes.begin(), st->code.bytes.begin() + 4), "\1\1\x30\x30");
  }
}

// ---- Declared parameters ---------------------------------------------------------------

// Reads a MACRO line's parameter list; "" when it is read, else the message.
std::string ReadList(AssemblerState &st, const char *line, DeclaredMacro &macro) {
  StartLine(st, line);
  macro = DeclaredMacro{};
  return ReadParameterList(st, macro) ? "" : TakeError(st);
}

TEST(DeclaredMacro, ParameterListsAndTheirFaults) {
  auto st = MakeState();
  DeclaredMacro macro;
  ASSERT_EQ(ReadList(*st, " x, y = 1+2 ;c, z\n", macro), "");
  ASSERT_EQ(macro.parameters.size(), 2u);
  EXPECT_EQ(macro.parameters[1].fallback, "1+2");
  EXPECT_TRUE(macro.parameters[1].optional);
  EXPECT_FALSE(macro.parameters[0].optional);
  // A fallback is written as an argument is: in <...> with its commas, or empty.
  ASSERT_EQ(ReadList(*st, " x=<1,2>, y=, W=\"a,b\"\n", macro), "");
  EXPECT_EQ(macro.parameters[0].fallback, "1,2");
  EXPECT_EQ(macro.parameters[1].fallback, "");
  EXPECT_TRUE(macro.parameters[1].optional);
  EXPECT_EQ(macro.parameters[2].fallback, "\"a,b\"");
  EXPECT_EQ(macro.words.at("W"), 2);  // names keep their letter case
  // Registers and conditions may name parameters, as sources write them.
  ASSERT_EQ(ReadList(*st, " iy, hl, sp, m\n", macro), "");
  EXPECT_EQ(macro.words.at("m"), 3);

  const std::pair<const char *, std::string> faults[] = {
      {" x, x\n",                   Text(Msg::MacroWordTwice,        "x")},
      {" x, ld\n",                           Text(Msg::MacroWordNotName,                                                 "ld")},
      {" org\n",                      Text(Msg::MacroWordNotName,     "org")},
      {" @@\n",Text(Msg::MacroWordNotName, "@@")},
      {" @F\n",                     Text(Msg::MacroNameList,                                               "MACRO")},
      {" x y\n",                           Text(Msg::MacroNameList,                                                    "MACRO")},
      {" x,\n",                   Text(Msg::MacroNameList,    "MACRO")},
      {" ,x\n",Text(Msg::MacroNameList,"MACRO")},
      {" 1\n",                     Text(Msg::MacroNameList,           "MACRO")},
      {" x=<1,2\n",                           Text(Msg::MissingCloseAngle)                                                   },
  };
  for (const auto &[line, message] : faults) {
    EXPECT_EQ(ReadList(*st, line, macro), message) << line;
  }
}

// A declared macro with the parameters of list and the LOCAL names of locals.
DeclaredMacro Declare(AssemblerState &st, const char *list, const char *locals = nullptr) {
  DeclaredMacro macro;
  EXPECT_EQ(ReadList(st, list, macro), "");
  if (locals != nullptr) {
    EXPECT_EQ(ReadLocalLine(st, locals, macro), LocalLine::Local);
  }
  return macro;
}

// The texts a call binds to the macro's words ("-" for an empty one), or the message.
std::vector<std::string> Bind(AssemblerState &st, const DeclaredMacro &macro, const char *call,
                              SourceContext &expansion) {
  StartLine(st, call);
  expansion = SourceContext{};
  const int32_t name = AddName(st.names, "MAC");
  if (!BindDeclaredArguments(st, macro, name, 1, expansion)) {
    return {TakeError(st)};
  }
  EXPECT_EQ(RestOfLine(st).data(), call);  // the scan is left where it was
  std::vector<std::string> texts;
  for (uint32_t offset : expansion.words) {
    uint32_t next = 0;
    const char *text = ReadText(st.text, offset, next);
    texts.emplace_back(text == nullptr ? "-" : text);
  }
  return texts;
}

TEST(DeclaredMacro, CallsSplitAtCommasOutsideQuotesAndBrackets) {
  auto st = MakeState();
  const DeclaredMacro macro = Declare(*st, " x, y=9, w=\n");
  using Texts = std::vector<std::string>;
  const std::pair<const char *, Texts> rows[] = {
      {" 1 + 2 , 3\n",              {"1 + 2", "3", "-"}        },
      {" <0EDH,042H>, 5\n",         {"0EDH,042H", "5", "-"}    },
      {" < a, b > ,,c\n",           {" a, b ", "9", "c"}       },
      {" 'a,b;c', \"x>y\"\n",       {"'a,b;c'", "\"x>y\"", "-"}},
      {" <'>',\">\">\n",            {"'>',\">\"", "9", "-"}    },
      {" a<b, <<1>\n",              {"a<b", "<1", "-"}         },
      {" AF',AF' ; a comment, 2\n", {"AF'", "AF'", "-"}        },
      {" x;y,z\n",                  {"x", "9", "-"}            },
      {" 1, <>\n",                  {"1", "9", "-"}            },
  };
  for (const auto &[call, expected] : rows) {
    SourceContext expansion;
    EXPECT_EQ(Bind(*st, macro, call, expansion), expected) << call;
    EXPECT_EQ(expansion.args[1] != 0, true) << call;  // %2 is the fallback where left out
  }
  const std::pair<const char *, std::string> faults[] = {
      {"\n",                            Text(Msg::MacroArgumentMissing,  "MAC", "x")},
      {" , 1\n",                           Text(Msg::MacroArgumentMissing,                                                          "MAC", "x")},
      {" 1,2,3,4\n",Text(Msg::MacroTooManyArguments,"MAC", 3, 4)},
      {" 1,2,3,\n",                               Text(Msg::MacroTooManyArguments,                                                   "MAC", 3, 4)},
      {" <1,2\n",                          Text(Msg::MissingCloseAngle)                                                                                                                },
      {" <1,';'\n",                               Text(Msg::MissingCloseAngle)                                                   },
      {" <1>2\n",                          Text(Msg::MissingComma)     },
  };
  for (const auto &[call, message] : faults) {
    SourceContext expansion;
    EXPECT_EQ(Bind(*st, macro, call, expansion), std::vector<std::string>{message}) << call;
  }
}

TEST(DeclaredMacro, WordsAreReplacedWholeOutsideQuotesAndComments) {
  auto st = MakeState();
  DeclaredMacro macro = Declare(*st, " x, val, w\n", " LOCAL lab, here ; two\n");
  SourceContext expansion;
  // The inserted texts are not read again: the argument of x names val.
  ASSERT_EQ(Bind(*st, macro, " val, 2, (HL)\n", expansion).size(), 5u);
  SourceContext before;
  StartLine(*st, " 0 x\n");
  const std::pair<const char *, std::string> rows[] = {
      {"lab: LD A,x\n",               "lab?0000000: LD A,val\n"      },
      {" DB x,val,xval,val2,_x,x_\n", " DB val,2,xval,val2,_x,x_\n"  },
      {" DB 'x',\"val\" ; x val\n",   " DB 'x',\"val\" ; x val\n"    },
      {" EX AF,AF' ; x\n",            " EX AF,AF' ; x\n"             },
      {" LD w,(x)\n",                 " LD (HL),(val)\n"             },
      {" DB 0ABH,$ab,%1,'%2',x%1\n",  " DB 0ABH,$ab,val,'2',valval\n"},
      {" JR @F\nhere:\n",             " JR @F\nhere?0000000:\n"      },
      {"x:x\n",                       "val:val\n"                    },
  };
  for (const auto &[body, expected] : rows) {
    Source src(*st, {body});
    src.ctx.declared = &macro;
    src.ctx.words = expansion.words;
    std::copy(std::begin(expansion.args), std::end(expansion.args), std::begin(src.ctx.args));
    EXPECT_EQ(src.NextLine(*st), expected) << body;
  }
  // The scan of the line before is given back.
  EXPECT_STREQ(st->scan.line, " 0 x\n");
  for (int32_t counter : st->pass.local_counters) {
    EXPECT_EQ(counter, 0);
  }

  // A second expansion names its LOCAL labels anew; LOCAL names may not repeat the parameters.
  ASSERT_EQ(Bind(*st, macro, " 1, 2, 3\n", expansion)[3], "lab?0000001");
  EXPECT_EQ(ReadLocalLine(*st, " local x\n", macro), LocalLine::Failed);
  EXPECT_EQ(TakeError(*st), Text(Msg::MacroWordTwice, "x"));
  EXPECT_EQ(ReadLocalLine(*st, "LOCAL: NOP\n", macro), LocalLine::Other);
  EXPECT_EQ(ReadLocalLine(*st, " ; comment\n", macro), LocalLine::Blank);
  const std::string long_name = " LOCAL " + std::string(56, 'n') + "\n";
  EXPECT_EQ(ReadLocalLine(*st, long_name.c_str(), macro), LocalLine::Failed);
  EXPECT_EQ(TakeError(*st), Text(Msg::LocalNameTooLong, std::string(56, 'n').c_str(), 55));
}

TEST(DeclaredMacro, ALineThatGrowsPastALineFails) {
  auto st = MakeState();
  DeclaredMacro macro = Declare(*st, " x\n");
  const std::string call = " " + std::string(600, '1') + "\n";
  SourceContext expansion;
  ASSERT_EQ(Bind(*st, macro, call.c_str(), expansion).size(), 1u);
  Source src(*st, {" DB x\n", " DB x,x\n"});
  src.ctx.declared = &macro;
  src.ctx.words = expansion.words;
  EXPECT_EQ(src.NextLine(*st), " DB " + std::string(600, '1') + "\n");
  testing::internal::CaptureStdout();
  EXPECT_EQ(src.NextLine(*st), "-");
  EXPECT_NE(testing::internal::GetCapturedStdout(), "");
  EXPECT_TRUE(src.ctx.read_failed);
}

}  // namespace
