// Conditional assembly: IF, ELIF, ELSE and ENDIF over the conditional state of the context.
#include "driver/state.h"

namespace {

// Drops the innermost conditional level.
void PopIfState(SourceContext &ctx) {
  if (ctx.if_depth <= 0) {
    ctx.if_depth = 0;
    ctx.if_state = kIfNone;
    return;
  }
  --ctx.if_depth;
  ctx.if_state = ctx.if_stack[ctx.if_depth];
}

// Evaluates the condition at the scan position and opens a level for it: the taken branch
// when it is non-zero, a skipped one when it is zero, a wholly skipped conditional when its
// value is not known yet. Nothing is opened when the expression itself fails.
bool OpenConditional(AssemblerState &st) {
  if (!EvaluateExpression(st)) {
    return false;
  }
  if (!st.expr.known) {
    SetError(st, Msg::ValueUndetermined);
    PushIfState(st, kIfSkipAll);
    return false;
  }
  PushIfState(st, st.expr.postfix.values[0] != 0 ? kIfTrue : kIfFalse);
  return st.diag.error == nullptr;
}

}  // namespace

void PushIfState(AssemblerState &st, int32_t state) {
  SourceContext &ctx = *st.context;
  if (ctx.if_depth >= kIfStackSize - 1) {
    // Still opened, skipped as a whole, so that its ENDIF stays balanced.
    SetError(st, Msg::TooMuchIfNesting);
    state = kIfSkipAll;
  }
  if (ctx.if_depth >= kIfStackSize) {
    return;  // only a wholly skipped level can sit here, and it stays as it is
  }
  ctx.if_stack[ctx.if_depth] = ctx.if_state;
  ++ctx.if_depth;
  ctx.if_state = state;
}

bool PushSkippedIf(AssemblerState &st) {
  if (st.context->if_depth >= kIfStackSize - 1) {
    SetError(st, Msg::TooMuchIfNesting);
    return false;
  }
  PushIfState(st, kIfSkipAll);
  return true;
}

// IF expr
bool DoIf(AssemblerState &st) { return OpenConditional(st); }

// ELIF expr (also ELSIF, ELSEIF)
bool DoElif(AssemblerState &st) {
  SourceContext &ctx = *st.context;
  switch (ctx.if_state) {
    case kIfFalse:
      PopIfState(ctx);
      return OpenConditional(st);
    case kIfTrue:
      ctx.if_state = kIfAfterTaken;  // the condition is not looked at: the rest is skipped
      return true;
    case kIfAfterTaken:
    case kIfDone:
    case kIfSkipAll:
      return true;  // a branch after the taken one: nothing more is assembled
    default:        // none open, or after an ELSE that follows false conditions
      SetError(st, Msg::ElifWithoutIf);
      return false;
  }
}

// ELSE
bool DoElse(AssemblerState &st) {
  SourceContext &ctx = *st.context;
  switch (ctx.if_state) {
    case kIfFalse:
      ctx.if_state = kIfElse;
      return true;
    case kIfTrue:
    case kIfAfterTaken:
      ctx.if_state = kIfDone;
      return true;
    case kIfSkipAll:
      return true;
    default:  // none open, or a second ELSE
      SetError(st, Msg::ElseWithoutIf);
      return false;
  }
}

// ENDIF
bool DoEndif(AssemblerState &st) {
  SourceContext &ctx = *st.context;
  if (ctx.if_state == kIfNone) {
    SetError(st, Msg::EndifWithoutIf);
    return false;
  }
  PopIfState(ctx);
  return true;
}
