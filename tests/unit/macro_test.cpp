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

}  // namespace
