// Conditional assembly: IF, ELIF, ELSE and ENDIF over the conditional state of the context.
#include "lexer/lexer.h"
#include "source/source.h"

namespace {

ConditionalStack &Conditional(AssemblerState &st) { return st.source.context->conditional; }

// Evaluates the condition at the scan position and opens a level for it, at the column of its
// keyword: the taken branch when it is non-zero, a skipped one when it is zero, a wholly
// skipped conditional when its value is not known yet. Nothing is opened when the expression
// itself fails.
bool OpenConditional(AssemblerState &st, int32_t column) {
  if (!EvaluateCondition(st)) {
    return false;
  }
  const IfState state = !st.expr.known                   ? kIfSkipAll
                        : st.expr.postfix.values[0] != 0 ? kIfTrue
                                                         : kIfFalse;
  if (!PushConditional(Conditional(st), state, column)) {
    SetError(st, Msg::TooMuchIfNesting);
    return false;
  }
  if (!st.expr.known) {
    SetValueUnknown(st);
    return false;
  }
  return true;
}

}  // namespace

// IF expr
bool DoIf(AssemblerState &st) { return OpenConditional(st, CurrentColumn(st)); }

// ELIF expr (also ELSIF, ELSEIF)
bool DoElif(AssemblerState &st) {
  ConditionalStack &conditional = Conditional(st);
  switch (conditional.state) {
    case kIfFalse: {
      // The level goes on: a conditional left open is still named by the line of its IF.
      const int32_t depth = conditional.depth;
      const int32_t line = conditional.opened_at[depth - 1];
      const int32_t column = conditional.opened_column[depth - 1];
      PopConditional(conditional);
      const bool ok = OpenConditional(st, column);
      if (conditional.depth == depth) {
        conditional.opened_at[depth - 1] = line;
      }
      return ok;
    }
    case kIfTrue:
      conditional.state = kIfAfterTaken;  // the condition is not looked at: the rest is skipped
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
  ConditionalStack &conditional = Conditional(st);
  switch (conditional.state) {
    case kIfFalse:
      conditional.state = kIfElse;
      return true;
    case kIfTrue:
    case kIfAfterTaken:
      conditional.state = kIfDone;
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
  ConditionalStack &conditional = Conditional(st);
  if (conditional.state == kIfNone) {
    SetError(st, Msg::EndifWithoutIf);
    return false;
  }
  PopConditional(conditional);
  return true;
}
