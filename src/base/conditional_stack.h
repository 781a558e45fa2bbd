// The conditional state of a file or a replayed body: the state of the innermost open IF and
// those of the levels around it. The tokenizer skips the lines of a skipped branch and opens
// the levels of the IF words it meets there; the conditional directives move between states.
#pragma once

#include <cstdint>

// Conditional states. A conditional past its taken branch remembers whether its ELSE has been
// seen, so that one ELSE is accepted there and a second one is not.
enum IfState : int32_t {
  kIfNone = 0,        // no conditional open: assembled
  kIfFalse = 1,       // conditions false so far, no branch taken: skipped
  kIfElse = 2,        // ELSE after false conditions: assembled
  kIfTrue = 3,        // the branch whose condition was true: assembled
  kIfDone = 4,        // ELSE after the taken branch: skipped
  kIfSkipAll = 5,     // the whole conditional is skipped (nested in skipped text, undetermined,
                      // or too deep)
  kIfAfterTaken = 6,  // ELIF after the taken branch, no ELSE yet: skipped
};

constexpr int kIfStackSize = 10;

struct ConditionalStack {
  IfState state = kIfNone;
  int32_t depth = 0;  // levels saved below the innermost
  IfState saved[kIfStackSize] = {};
  int32_t line = 0;                          // the line being read, set by the reader
  int32_t opened_at[kIfStackSize] = {};      // the line of the IF that opened each level
  int32_t opened_column[kIfStackSize] = {};  // and the column of that IF (0: not known)
};

constexpr bool IsSkipping(IfState state) {
  return state == kIfFalse || state == kIfDone || state == kIfSkipAll || state == kIfAfterTaken;
}

// Opens a level in the given state for the IF at column of the line being read. One level too
// deep it is opened all the same, skipped as a whole so that its ENDIF stays balanced, and the
// result is false (too much nesting).
inline bool PushConditional(ConditionalStack &stack, IfState state, int32_t column) {
  const bool fits = stack.depth < kIfStackSize - 1;
  if (!fits) {
    state = kIfSkipAll;
  }
  if (stack.depth >= kIfStackSize) {
    return fits;  // only a wholly skipped level can sit here, and it stays as it is
  }
  stack.saved[stack.depth] = stack.state;
  stack.opened_at[stack.depth] = stack.line;
  stack.opened_column[stack.depth] = column;
  ++stack.depth;
  stack.state = state;
  return fits;
}

// Opens the level of an IF met in skipped text, skipped as a whole. One level too deep it
// opens nothing and the result is false (too much nesting).
inline bool PushSkippedConditional(ConditionalStack &stack, int32_t column) {
  if (stack.depth >= kIfStackSize - 1) {
    return false;
  }
  return PushConditional(stack, kIfSkipAll, column);
}

// Drops the innermost level.
inline void PopConditional(ConditionalStack &stack) {
  if (stack.depth <= 0) {
    stack.depth = 0;
    stack.state = kIfNone;
    return;
  }
  --stack.depth;
  stack.state = stack.saved[stack.depth];
}
