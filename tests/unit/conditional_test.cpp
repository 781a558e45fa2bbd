// Conditional assembly: what ELSE and ELIF do in every state, and the nesting limit.
#include <gtest/gtest.h>

#include "test_support.h"

namespace {

struct Transition {
  int32_t from;
  bool ok;
  int32_t to;
};

// Runs a directive on operand in a context whose innermost level is in state from.
void Check(bool (*directive)(AssemblerState &), const char *operand, const Transition &row,
           Msg failure) {
  auto st = MakeState();
  StartLine(*st, operand);
  SourceContext &ctx = *st->context;
  if (row.from != kIfNone) {
    ctx.if_depth = 1;
    ctx.if_state = row.from;
  }
  EXPECT_EQ(directive(*st), row.ok) << "from " << row.from;
  EXPECT_EQ(ctx.if_state, row.to) << "from " << row.from;
  EXPECT_STREQ(st->diag.error, row.ok ? nullptr : MessageText(failure)) << "from " << row.from;
}

TEST(Conditional, ElseInEveryState) {
  const Transition rows[] = {
      {kIfNone,       false, kIfNone   },
      {kIfFalse,      true,  kIfElse   },
      {kIfElse,       false, kIfElse   },
      {kIfTrue,       true,  kIfDone   },
      {kIfDone,       false, kIfDone   },
      {kIfSkipAll,    true,  kIfSkipAll},
      {kIfAfterTaken, true,  kIfDone   },
  };
  for (const Transition &row : rows) {
    Check(DoElse, "", row, Msg::ElseWithoutIf);
  }
}

TEST(Conditional, ElifInEveryState) {
  // The condition is looked at only in state 1: an unknown name elsewhere does not matter.
  const Transition rows[] = {
      {kIfNone,       false, kIfNone      },
      {kIfElse,       false, kIfElse      },
      {kIfTrue,       true,  kIfAfterTaken},
      {kIfDone,       true,  kIfDone      },
      {kIfSkipAll,    true,  kIfSkipAll   },
      {kIfAfterTaken, true,  kIfAfterTaken},
  };
  for (const Transition &row : rows) {
    Check(DoElif, "NOWHERE", row, Msg::ElifWithoutIf);
  }
  Check(DoElif, "2-1", {kIfFalse, true, kIfTrue}, Msg::ElifWithoutIf);
}

TEST(Conditional, PushesNeverLeaveTheStack) {
  auto st = MakeState();
  StartLine(*st, "");
  SourceContext &ctx = *st->context;
  for (int i = 0; i < 9; ++i) {
    PushIfState(*st, kIfTrue);
  }
  EXPECT_EQ(st->diag.error, nullptr);
  PushIfState(*st, kIfTrue);  // the tenth level: opened, skipped whole, and the line fails
  EXPECT_STREQ(st->diag.error, MessageText(Msg::TooMuchIfNesting));
  EXPECT_EQ(ctx.if_state, kIfSkipAll);
  PushIfState(*st, kIfTrue);
  EXPECT_EQ(ctx.if_depth, kIfStackSize);
  EXPECT_EQ(ctx.if_state, kIfSkipAll);
}

}  // namespace
