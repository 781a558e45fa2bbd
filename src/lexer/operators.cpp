// The operators of expressions applied to values: by the evaluator when it folds constants and
// by the resolution pass when it evaluates a saved postfix form.
#include <cassert>
#include <climits>
#include <cstdint>

#include "lexer/lexer.h"

bool ApplyBinary(int32_t kind, int32_t a, int32_t b, int32_t &result) {
  // Unsigned arithmetic wraps without undefined behaviour; the casts back are modular.
  const uint32_t ua = static_cast<uint32_t>(a);
  const uint32_t ub = static_cast<uint32_t>(b);
  switch (kind) {
    case kColon:
      result = static_cast<int32_t>(ua << 8 | (ub & 0xFF));
      return true;
    case kLogicalOr:
      result = (a != 0 || b != 0) ? 1 : 0;
      return true;
    case kLogicalAnd:
      result = (a != 0 && b != 0) ? 1 : 0;
      return true;
    case kBitOr:
      result = static_cast<int32_t>(ua | ub);
      return true;
    case kBitXor:
      result = static_cast<int32_t>(ua ^ ub);
      return true;
    case kBitAnd:
      result = static_cast<int32_t>(ua & ub);
      return true;
    case kEqual:
      result = a == b ? 1 : 0;
      return true;
    case kNotEqual:
      result = a != b ? 1 : 0;
      return true;
    case kGreater:
      result = a > b ? 1 : 0;
      return true;
    case kLess:
      result = a < b ? 1 : 0;
      return true;
    case kGreaterEqual:
      result = a >= b ? 1 : 0;
      return true;
    case kLessEqual:
      result = a <= b ? 1 : 0;
      return true;
    case kShl:
      result = static_cast<int32_t>(ua << (ub & 31));
      return true;
    case kShr:
      result = a >> (ub & 31);  // arithmetic: the sign bit is copied
      return true;
    case kPlus:
      result = static_cast<int32_t>(ua + ub);
      return true;
    case kMinus:
      result = static_cast<int32_t>(ua - ub);
      return true;
    case kMul:
      result = static_cast<int32_t>(ua * ub);
      return true;
    case kDiv:
    case kMod:
      if (b == 0) {
        return false;
      }
      if (a == INT32_MIN && b == -1) {
        result = kind == kDiv ? a : 0;  // the quotient wraps to itself
        return true;
      }
      result = kind == kDiv ? a / b : a % b;
      return true;
    default:
      // Not a binary operator: the callers pass only the operators of the precedence table.
      assert(false && "a binary operator");
      result = 0;
      return true;
  }
}

int32_t ApplyUnary(int32_t kind, int32_t a) {
  switch (kind) {
    case kNegate:
      return static_cast<int32_t>(0u - static_cast<uint32_t>(a));
    case kNot:
      return a == 0 ? 1 : 0;
    case kComplement:
      return ~a;
    case kHigh:
      return (a >> 8) & 0xFF;
    case kLow:
      return a & 0xFF;
    default:
      return a;
  }
}
