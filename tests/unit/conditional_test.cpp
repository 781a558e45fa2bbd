// Conditional assembly: what ELSE and ELIF do in every state, and the nesting limit.
#include <gtest/gtest.h>

#include "test_support.h"

namespace {

struct Transition {
  IfState from;
  bool ok;
  IfState to;
};

// Runs a directive on operand in a context whose innermost level is in state from.
void Check(bool (*directive)(AssemblerState &), const char *operand, const Transition &row,
           Msg failure) {
  auto st = MakeState();
  StartLine(*st, operand);
  SourceContext &ctx = *st->source.context;
  if (row.from != kIfNone) {
    ctx.conditional.depth = 1;
    ctx.conditional.state = row.from;
  }
  EXPECT_EQ(directive(*st), row.ok) << "from " << row.from;
  EXPECT_EQ(ctx.conditional.state, row.to) << "from " << row.from;
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
  ConditionalStack stack;
  for (int i = 0; i < 9; ++i) {
    EXPECT_TRUE(PushConditional(stack, kIfTrue, 1));
  }
  EXPECT_FALSE(PushConditional(stack, kIfTrue, 1));  // the tenth level: opened, skipped whole
  EXPECT_EQ(stack.state, kIfSkipAll);
  EXPECT_FALSE(PushConditional(stack, kIfTrue, 1));
  EXPECT_EQ(stack.depth, kIfStackSize);
  EXPECT_EQ(stack.state, kIfSkipAll);
  // An IF in skipped text opens nothing once the stack is full.
  EXPECT_FALSE(PushSkippedConditional(stack, 1));
  EXPECT_EQ(stack.depth, kIfStackSize);
  for (int i = 0; i < kIfStackSize; ++i) {
    PopConditional(stack);
  }
  EXPECT_EQ(stack.state, kIfNone);
  PopConditional(stack);  // one ENDIF too many leaves the stack empty
  EXPECT_EQ(stack.depth, 0);
}

// The one message of a failing IF: too deep wins over an undetermined condition, and either
// way the level is opened, skipped whole, so that its ENDIF stays balanced.
TEST(Conditional, AFailingIfOpensASkippedLevel) {
  struct Case {
    const char *condition;
    int32_t depth;
    Msg failure;
  };
  for (const Case &c : {
           Case{"1",     kIfStackSize - 1, Msg::TooMuchIfNesting },
           Case{"LATER", kIfStackSize - 1, Msg::TooMuchIfNesting },
           Case{"LATER", 0,                Msg::ValueUndetermined}
  }) {
    auto st = MakeState();
    StartLine(*st, c.condition);
    ConditionalStack &stack = st->source.context->conditional;
    stack.depth = c.depth;
    EXPECT_FALSE(DoIf(*st)) << c.condition;
    EXPECT_EQ(TakeError(*st), MessageText(c.failure)) << c.condition;
    EXPECT_EQ(stack.state, kIfSkipAll) << c.condition;
    EXPECT_EQ(stack.depth, c.depth + 1) << c.condition;
  }
}

}  // namespace
