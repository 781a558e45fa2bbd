// Expression evaluator: values, precedence, folding, deferred labels, flags and limits.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "symbols/table.h"
#include "test_support.h"

namespace {

struct Item {
  int32_t value;
  int32_t kind;
  bool operator==(const Item &) const = default;
};

std::vector<Item> Items(const AssemblerState &st) {
  std::vector<Item> items;
  for (int32_t i = 0; i < st.expr.postfix.count; ++i) {
    items.push_back({st.expr.postfix.values[i], st.expr.postfix.kinds[i]});
  }
  return items;
}

std::string Repeat(const std::string &text, int times) {
  std::string result;
  for (int i = 0; i < times; ++i) {
    result += text;
  }
  return result;
}

bool Evaluate(AssemblerState &st, const char *text) {
  StartLine(st, text);
  return EvaluateExpression(st);
}

// Evaluates text that must fold to one number.
int32_t ValueOf(AssemblerState &st, const char *text) {
  EXPECT_TRUE(Evaluate(st, text)) << text;
  EXPECT_TRUE(st.expr.known) << text;
  EXPECT_EQ(st.diag.error, nullptr) << text;
  return st.expr.postfix.values[0];
}

int32_t Define(AssemblerState &st, const char *name, uint16_t value) {
  int32_t index = FindLabel(st, name);
  if (index == 0) {
    index = AddLabel(st, name);
  }
  Label *label = LabelAt(st, index);
  label->kind = kLabelDefined;
  label->value = value;
  return index;
}

TEST(Expression, ValuesPrecedenceAndAssociativity) {
  auto st = MakeState();
  const struct {
    const char *text;
    int32_t value;
  } cases[] = {
      {"1+2*3",               7                },
      {"(1+2)*3",             9                },
      {"2-3-4",               -5               },
      {"-2*3",                -6               },
      {"- -1",                1                },
      {"!5",                  0                },
      {"!0",                  1                },
      {"~0",                  -1               },
      {"+-+3",                -3               },
      {"7/2",                 3                },
      {"-7/2",                -3               },
      {"-7%2",                -1               },
      {"7%-2",                1                },
      {"1<<33",               2                },
      {"-16>>2",              -4               },
      {"1<<31",               INT32_MIN        },
      {"3>2",                 1                },
      {"-1<0",                1                },
      {"2>=2",                1                },
      {"2<=1",                0                },
      {"5==5",                1                },
      {"5!=5",                0                },
      {"2&&0",                0                },
      {"2||0",                1                },
      {"0||0",                0                },
      {"12H:34H",             0x1234           },
      {"1:2+3",               0x105            },
      {"0x123:0x456",         0x12356          },
      {"1|2^3&6",             1 | (2 ^ (3 & 6))},
      {"1+1==2&&3>2",         1                },
      {"100/10/5",            2                },
      {"1 << 2 + 1",          8                },
      {"6&3==3",              6 & 1            },
      {"2*3%4",               2                },
      {"16>>2>>1",            2                },
      {"2147483647+1",        INT32_MIN        },
      {"0-2147483647-2",      INT32_MAX        },
      {"65536*65536",         0                },
      {"(0-2147483647-1)/-1", INT32_MIN        },
      {"(0-2147483647-1)%-1", 0                },
      {"'AB'",                0x4142           },
      {"''",                  0                },
      {"'A'+1",               0x42             },
      {"'ABCDE'",             0x42434445       },
      {"'\x82\xa0'",          0x82A0           },
      {"((((7))))",           7                },
      {"1 ; comment",         1                },
 // HIGH and LOW bind like unary minus, in any letter case.
      {"HIGH 1234H",          0x12             },
      {"low 1234H",           0x34             },
      {"HIGH 1234H+1",        0x13             },
      {"HIGH (1234H+100H)",   0x13             },
      {"-HIGH 1234H",         -0x12            },
      {"LOW HIGH 123456H",    0x34             },
      {"HIGH ~0",             0xFF             },
      {"LOW !0",              1                },
      {"HIGH 'AB'",           0x41             },
      {"HIGH DEFINED(X)",     0                },
      {"HIGH 12H:LOW 3456H",  0x56             },
 // '%' is a binary number where an operand stands, the remainder between operands.
      {"%1010",               10               },
      {"%1_0",                2                },
      {"-%11",                -3               },
      {"7%%11",               1                },
      {"7 %11",               7                },
      {"1+%10*%11",           7                },
 // Two quotes in a character constant stand for one.
      {"''''",                0x27             },
      {"'a''b'",              0x612762         },
      {"'''a'",               0x2761           },
      {"''''''",              0x2727           },
  };
  for (const auto &c : cases) {
    EXPECT_EQ(ValueOf(*st, c.text), c.value) << c.text;
  }
}

TEST(Expression, ScanStopsAtTheFirstForeignToken) {
  auto st = MakeState();
  EXPECT_EQ(ValueOf(*st, "1 2"), 1);
  EXPECT_STREQ(st->scan.pos, "2");
  EXPECT_EQ(ValueOf(*st, "1+2 , 3"), 3);
  EXPECT_STREQ(st->scan.pos, ", 3");
  // A lexical error after a complete operand ends the expression without failing it.
  EXPECT_EQ(ValueOf(*st, "4 .x"), 4);
  EXPECT_STREQ(st->scan.pos, ".x");
}

TEST(Expression, Failures) {
  auto st = MakeState();
  const struct {
    const char *text;
    Msg message;
  } cases[] = {
      {"1 +",         Msg::ExpressionSyntax   },
      {"",            Msg::ExpressionSyntax   },
      {"A+1",         Msg::ExpressionSyntax   },
      {"\"x\"",       Msg::ExpressionSyntax   },
      {"(1+2",        Msg::MissingRParen      },
      {"(1,2)",       Msg::MissingRParen      },
      {"'A",          Msg::MissingCloseQuote  },
      {"1+.",         Msg::SyntaxError        },
      {"12B+1",       Msg::InvalidNumber      },
      {"1/0",         Msg::DivisionByZero     },
      {"5%(2-2)",     Msg::DivisionByZero     },
      {"DEFINED(A)",  Msg::IllegalDefinedLabel},
      {"DEFINED FOO", Msg::MissingLParen      },
      {"DEFINED(FOO", Msg::MissingRParen      },
      {"DEFINED(1)",  Msg::IllegalDefinedLabel},
      {"%102",        Msg::InvalidNumber      },
      {"%1010B",      Msg::InvalidNumber      },
      {"%2",          Msg::ExpressionSyntax   },
      {"% 1",         Msg::ExpressionSyntax   },
      {"1+%",         Msg::ExpressionSyntax   },
      {"HIGH (1",     Msg::MissingRParen      },
      {"LOW 'A",      Msg::MissingCloseQuote  },
  };
  for (const auto &c : cases) {
    EXPECT_FALSE(Evaluate(*st, c.text)) << c.text;
    EXPECT_EQ(st->diag.error, MessageText(c.message)) << c.text;
  }
}

TEST(Expression, UnknownValuesFoldOnlyTheirConstantParts) {
  auto st = MakeState();
  ASSERT_TRUE(Evaluate(*st, "FOO+1*2"));
  EXPECT_FALSE(st->expr.known);
  const int32_t foo = FindLabel(*st, "FOO");
  ASSERT_NE(foo, 0);
  EXPECT_EQ(LabelAt(*st, foo)->kind, kLabelUndefined);
  EXPECT_EQ(Items(*st), (std::vector<Item>{
                            {foo, kIdentifier},
                            {2,   kNumber    },
                            {0,   kPlus      }
  }));
  ASSERT_TRUE(Evaluate(*st, "1+FOO+2"));
  EXPECT_EQ(Items(*st),
            (std::vector<Item>{
                {1,   kNumber    },
                {foo, kIdentifier},
                {0,   kPlus      },
                {2,   kNumber    },
                {0,   kPlus      }
  }));
  ASSERT_TRUE(Evaluate(*st, "-FOO:(~FOO)"));
  EXPECT_EQ(
      Items(*st),
      (std::vector<Item>{
          {foo, kIdentifier},
          {0,   kNegate    },
          {foo, kIdentifier},
          {0,   kComplement},
          {0,   kColon     }
  }));
  // Division by zero with an unknown operand is left for the resolution pass.
  ASSERT_TRUE(Evaluate(*st, "FOO/0"));
  EXPECT_EQ(Items(*st).back(), (Item{0, kDiv}));
  Define(*st, "FOO", 10);
  EXPECT_EQ(ValueOf(*st, "FOO+1"), 11);
  Define(*st, "TOP", 0xFFFF);
  EXPECT_EQ(ValueOf(*st, "TOP"), 65535);
  EXPECT_EQ(ValueOf(*st, "TOP+1"), 65536);
  // '$' is the statement's address; in a floating block it waits for the block's placement.
  st->pass.statement_address = 0x1234;
  EXPECT_EQ(ValueOf(*st, "$+1"), 0x1235);
  st->pass.floating.block = -3;
  st->pass.statement_address = 5;
  ASSERT_TRUE(Evaluate(*st, "$+1"));
  EXPECT_EQ(Items(*st),
            (std::vector<Item>{
                {-3, kIdentifier},
                {5,  kNumber    },
                {0,  kPlus      },
                {1,  kNumber    },
                {0,  kPlus      }
  }));
}

// A label named HIGH or LOW keeps every reading it had: only an operand that no statement can
// begin with after the name makes the word an operator.
TEST(Expression, HighAndLowStayLabelsWhereALabelCouldStand) {
  auto st = MakeState();
  ASSERT_TRUE(Evaluate(*st, "HIGH FOO"));
  const int32_t foo = FindLabel(*st, "FOO");
  EXPECT_EQ(FindLabel(*st, "HIGH"), 0);  // an operator names no label
  EXPECT_EQ(Items(*st), (std::vector<Item>{
                            {foo, kIdentifier},
                            {0,   kHigh      }
  }));
  ASSERT_TRUE(Evaluate(*st, "LOW FOO+1"));
  EXPECT_EQ(Items(*st), (std::vector<Item>{
                            {foo, kIdentifier},
                            {0,   kLow       },
                            {1,   kNumber    },
                            {0,   kPlus      }
  }));
  Define(*st, "LOW", 0x10);
  EXPECT_EQ(ValueOf(*st, "LOW+1"), 0x11);
  EXPECT_EQ(ValueOf(*st, "LOW -1"), 0x0F);  // the binary minus
  EXPECT_EQ(ValueOf(*st, "LOW %3"), 1);     // the remainder
  EXPECT_EQ(ValueOf(*st, "LOW"), 0x10);
  EXPECT_EQ(ValueOf(*st, "low 1234H"), 0x34);  // names keep their case: no label "low"
  // Before a name that begins a statement of its own, the word is the label and the
  // expression ends at the name.
  const int32_t macro = AddLabel(*st, "TWICE");
  LabelAt(*st, macro)->kind = kLabelMacro;
  for (const char *text : {"LOW X: NOP", "LOW X:: NOP", "LOW X EQU 1", "LOW X = 1", "LOW X MACRO",
                           "LOW X PROC", "LOW X {", "LOW X IN_PAGE", "LOW X PAGE_ALIGNED",
                           "LOW TWICE 1", "LOW @@: NOP", "LOW X 0FFZ"}) {
    EXPECT_EQ(ValueOf(*st, text), 0x10) << text;
    EXPECT_EQ(*st->scan.pos, text[4]) << text;
  }
  // Before other names the word is the operator, and so it is before tokens no statement
  // begins with; the look at them is given back, the local labels' counters too.
  Define(*st, "TOP", 0x1234);
  EXPECT_EQ(ValueOf(*st, "LOW TOP"), 0x34);
  EXPECT_EQ(ValueOf(*st, "LOW $"), 0);
  EXPECT_EQ(ValueOf(*st, "LOW (1 == 1)"), 1);
  ASSERT_TRUE(Evaluate(*st, "LOW @B"));
  EXPECT_EQ(Items(*st).back(), (Item{0, kLow}));
  st->pass.local_counters[10] = 0;
  ASSERT_TRUE(Evaluate(*st, "TOP @@"));
  const int32_t looks_after_a_label = st->pass.local_counters[10];
  st->pass.local_counters[10] = 0;
  EXPECT_EQ(ValueOf(*st, "LOW @@"), 0x10);
  EXPECT_EQ(st->pass.local_counters[10], looks_after_a_label);
}

// END leaves the rest of its line unread, and so does a false IF or ELIF condition: a text that
// ended such an expression outside parentheses keeps ending it.
TEST(Expression, WhereTheRestOfTheLineMayStayUnread) {
  auto st = MakeState();
  auto condition = [&](const char *text) {
    StartLine(*st, text);
    EXPECT_TRUE(EvaluateCondition(*st)) << text;
    EXPECT_TRUE(st->expr.known) << text;
    return st->expr.postfix.values[0];
  };
  auto end_operand = [&](const char *text) {
    StartLine(*st, text);
    Token end;
    EXPECT_TRUE(ScanToken(*st, end) && end.kind == kEnd) << text;
    int32_t value = 0;
    EXPECT_TRUE(EvaluateEndOperand(*st, value)) << text;
    return value;
  };
  EXPECT_EQ(condition("HIGH 1234H == 12H"), 1);  // no label HIGH: the operator
  EXPECT_EQ(end_operand("END LOW 1234H"), 0x34);
  EXPECT_EQ(condition("''''"), 0);  // the first quote closes the constant
  EXPECT_STREQ(st->scan.pos, "''");
  EXPECT_EQ(end_operand(" end 'a''b'"), 'a');
  EXPECT_EQ(condition("(''''):'''' "), 0x2700);  // inside parentheses: the quote character
  Define(*st, "HIGH", 0);
  EXPECT_EQ(condition("HIGH 5"), 0);
  EXPECT_STREQ(st->scan.pos, "5");
  EXPECT_EQ(end_operand("END HIGH 5"), 0);
  EXPECT_EQ(condition("(HIGH 1234H)"), 0x12);
  EXPECT_EQ(ValueOf(*st, "HIGH 1234H"), 0x12);  // elsewhere a label before 5 was an error
  // A name that has no value yet keeps no reading: the label would fail at this line.
  ASSERT_TRUE(Evaluate(*st, "LOW"));
  EXPECT_EQ(condition("LOW 1234H"), 0x34);
  ASSERT_TRUE(OpenScope(*st, "INNER"));
  EXPECT_EQ(condition("HIGH 1234H"), 0x12);  // HIGH of the enclosing scope is not current
  SelectRootScope(*st);
}

TEST(Expression, DoubledQuotesFallBackWhereTheConstantWouldNotClose) {
  auto st = MakeState();
  const struct {
    const char *text;
    int32_t value;
    const char *rest;  // where the expression ends
    int32_t bytes;     // the longest constant, for --warn=text
  } cases[] = {
      {"'''",        0,           "'",   0},
      {"'a''",       'a',         "'",   1},
      {"'a''b",      'a',         "'b",  1},
      {"''''+1",     0x28,        "",    1},
      {"'a''b', 2",  0x612762,    ", 2", 3},
      {"'ab''cd'",   0x6227'6364, "",    5},
      {"'a'' , 'b'", 0x2720'2C20, "b'",  5},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(ValueOf(*st, c.text), c.value) << c.text;
    EXPECT_STREQ(st->scan.pos, c.rest) << c.text;
    EXPECT_EQ(st->expr.text_length, c.bytes) << c.text;
  }
}

TEST(Expression, MemoryOperandFlag) {
  auto st = MakeState();
  const struct {
    const char *text;
    bool memory;
  } cases[] = {
      {"(1234H)",       true },
      {"((1))",         true },
      {"(1+2)",         true },
      {"( TABLE + 2 )", true },
      {"(12H)+1",       false},
      {"(1)+(2)",       false},
      {"2*(1)",         false},
      {"-(1)",          false},
      {"(1):(2)",       false},
      {"1",             false},
      {"(1)*2+3",       false},
      {"(HIGH X)",      true },
      {"HIGH (X)",      false},
  };
  for (const auto &c : cases) {
    ASSERT_TRUE(Evaluate(*st, c.text)) << c.text;
    EXPECT_EQ(st->expr.memory_operand, c.memory) << c.text;
  }
}

TEST(Expression, DefinedLooksInTheCurrentScopeOnly) {
  auto st = MakeState();
  EXPECT_EQ(ValueOf(*st, "DEFINED(FOO)"), 0);
  EXPECT_EQ(FindLabel(*st, "FOO"), 0);  // nothing is created
  ASSERT_TRUE(Evaluate(*st, "LATER"));  // only mentioned: has no value yet
  EXPECT_EQ(ValueOf(*st, "defined( LATER )"), 0);
  Define(*st, "FOO", 1);
  EXPECT_EQ(ValueOf(*st, "DEFINED(FOO)"), 1);
  EXPECT_EQ(ValueOf(*st, "!DEFINED(FOO)+2"), 2);
  ASSERT_TRUE(OpenScope(*st, "INNER"));
  EXPECT_EQ(ValueOf(*st, "DEFINED(FOO)"), 0);  // defined only in the enclosing scope
  SelectRootScope(*st);
  // In the listing pass only a definition reached in that pass counts.
  AssembleList listing;
  auto in_listing_pass = [&] {
    StartLine(*st, "DEFINED(FOO)");
    st->listing.list = &listing;
    const int32_t value = EvaluateExpression(*st) ? st->expr.postfix.values[0] : -1;
    st->listing.list = nullptr;
    return value;
  };
  EXPECT_EQ(in_listing_pass(), 0);
  LabelAt(*st, FindLabel(*st, "FOO"))->flags |= kFlagListingReached;
  EXPECT_EQ(in_listing_pass(), 1);
}

TEST(Expression, BufferLimitIs256Items) {
  auto st = MakeState();
  // "-X" is two items and each "+X" two more: 128 terms need exactly 256 items.
  std::string text = "-X" + Repeat("+X", 127);
  ASSERT_TRUE(Evaluate(*st, text.c_str()));
  EXPECT_EQ(st->expr.postfix.count, 256);
  text += "+X";
  EXPECT_FALSE(Evaluate(*st, text.c_str()));
  EXPECT_EQ(st->diag.error, MessageText(Msg::ExpressionTooLong));
  // Constants fold as they go, so a long constant expression never fills the buffer.
  EXPECT_EQ(ValueOf(*st, ("1" + Repeat("+1", 400)).c_str()), 401);
  // Deep nesting, as deep as a line can hold, does not exhaust the stack.
  const std::string nested = Repeat("(", 1000) + "3" + Repeat(")", 1000);
  EXPECT_EQ(ValueOf(*st, nested.c_str()), 3);
}

// A plain recursive-descent parser over whitespace-separated tokens, one function per
// precedence level, that builds the postfix form with the same folding: the oracle for the
// evaluator's grammar.
class ReferenceParser {
 public:
  ReferenceParser(std::vector<std::string> tokens, int32_t label)
      : tokens_(tokens), label_(label) {}

  std::vector<Item> Parse() {
    Level(0);
    return items_;
  }

 private:
  // The binary operators by precedence level, loosest first.
  struct Operator {
    const char *text;
    int32_t kind;
    size_t level;
  };
  static constexpr Operator kOperators[] = {
      {":",  kColon,        0 },
      {"||", kLogicalOr,    1 },
      {"&&", kLogicalAnd,   2 },
      {"|",  kBitOr,        3 },
      {"^",  kBitXor,       4 },
      {"&",  kBitAnd,       5 },
      {"==", kEqual,        6 },
      {"!=", kNotEqual,     6 },
      {">",  kGreater,      7 },
      {"<",  kLess,         7 },
      {">=", kGreaterEqual, 7 },
      {"<=", kLessEqual,    7 },
      {"<<", kShl,          8 },
      {">>", kShr,          8 },
      {"+",  kPlus,         9 },
      {"-",  kMinus,        9 },
      {"*",  kMul,          10},
      {"/",  kDiv,          10},
      {"%",  kMod,          10},
  };
  static constexpr size_t kLevels = 11;

  const std::string &Next() const {
    static const std::string end;
    return at_ < tokens_.size() ? tokens_[at_] : end;
  }

  void Level(size_t level) {
    if (level == kLevels) {
      Unary();
      return;
    }
    Level(level + 1);
    for (bool found = true; found;) {
      found = false;
      for (const Operator &op : kOperators) {
        if (op.level == level && Next() == op.text) {
          ++at_;
          Level(level + 1);
          Fold(op.kind);
          found = true;
          break;
        }
      }
    }
  }

  void Unary() {
    const std::string token = Next();
    const int32_t op = token == "-"      ? kNegate
                       : token == "!"    ? kNot
                       : token == "~"    ? kComplement
                       : token == "HIGH" ? kHigh
                       : token == "LOW"  ? kLow
                                         : 0;
    if (op != 0 || token == "+") {
      ++at_;
      Unary();
      if (op != 0 && items_.back().kind == kNumber) {
        items_.back().value = ApplyUnary(op, items_.back().value);
      } else if (op != 0) {
        items_.push_back({0, op});
      }
      return;
    }
    ++at_;
    if (token == "(") {
      Level(0);
      ++at_;  // ")"
    } else if (token == "X") {
      items_.push_back({label_, kIdentifier});
    } else {
      items_.push_back({std::stoi(token), kNumber});
    }
  }

  void Fold(int32_t kind) {
    const size_t n = items_.size();
    if (items_[n - 1].kind == kNumber && items_[n - 2].kind == kNumber) {
      ASSERT_TRUE(ApplyBinary(kind, items_[n - 2].value, items_[n - 1].value, items_[n - 2].value));
      items_.pop_back();
    } else {
      items_.push_back({0, kind});
    }
  }

  std::vector<std::string> tokens_;
  size_t at_ = 0;
  int32_t label_;
  std::vector<Item> items_;
};

TEST(Expression, PrecedenceAndFoldingAgreeWithAPlainGrammar) {
  auto st = MakeState();
  const int32_t label = AddLabel(*st, "X");  // never defined: it keeps its part unfolded
  const char *operators[] = {":",  "||", "&&", "|",  "^", "&", "==", "!=", ">", "<",
                             ">=", "<=", "<<", ">>", "+", "-", "*",  "/",  "%"};
  const char *unary[] = {"-", "!", "~", "+", "HIGH", "LOW"};
  auto byte_operator = [](const std::string &token) { return token == "HIGH" || token == "LOW"; };
  uint32_t seed = 1979;
  auto random = [&seed](uint32_t n) {
    seed = seed * 1103515245 + 12345;
    return (seed >> 16) % n;
  };
  for (int round = 0; round < 3000; ++round) {
    std::vector<std::string> tokens;
    int open = 0;
    const int terms = 1 + static_cast<int>(random(8));
    for (int term = 0; term < terms; ++term) {
      const bool divisor = !tokens.empty() && (tokens.back() == "/" || tokens.back() == "%");
      if (divisor) {
        tokens.push_back(std::to_string(1 + random(9)));  // never a zero divisor
      } else {
        // After HIGH or LOW stands an operand: before '+' or '-' the word is a label, and
        // before "X :" too, since X: may define a label (the test's X never begins a statement).
        while (random(4) == 0) {
          const char *op = unary[random(6)];
          const bool sign = op[0] == '-' || op[0] == '+';
          tokens.push_back(sign && !tokens.empty() && byte_operator(tokens.back()) ? "~" : op);
        }
        if (term + 1 < terms && random(5) == 0) {
          tokens.push_back("(");
          ++open;
        }
        const bool after_byte_operator = !tokens.empty() && byte_operator(tokens.back());
        tokens.push_back(random(4) == 0 && !after_byte_operator ? "X"
                                                                : std::to_string(random(70000)));
        while (open > 0 && random(3) == 0) {
          tokens.push_back(")");
          --open;
        }
      }
      if (term + 1 < terms) {
        tokens.push_back(operators[random(19)]);
      }
    }
    for (; open > 0; --open) {
      tokens.push_back(")");
    }
    std::string text;
    for (const std::string &token : tokens) {
      text += token + " ";
    }
    ASSERT_TRUE(Evaluate(*st, text.c_str())) << text;
    EXPECT_EQ(Items(*st), ReferenceParser(tokens, label).Parse()) << text;
  }
}

TEST(Expression, OperatorSemanticsSharedWithTheResolver) {
  int32_t result = 0;
  EXPECT_FALSE(ApplyBinary(kMod, INT32_MIN, 0, result));  // division by zero
  EXPECT_FALSE(ApplyBinary(kDiv, 1, 0, result));
  ASSERT_TRUE(ApplyBinary(kColon, -1, 0x1FF, result));
  EXPECT_EQ(result, -1);
  ASSERT_TRUE(ApplyBinary(kShr, INT32_MIN, 63, result));
  EXPECT_EQ(result, -1);
  EXPECT_EQ(ApplyUnary(kNegate, INT32_MIN), INT32_MIN);
  EXPECT_EQ(ApplyUnary(kHigh, 0x12345678), 0x56);
  EXPECT_EQ(ApplyUnary(kHigh, -1), 0xFF);
  EXPECT_EQ(ApplyUnary(kLow, -2), 0xFE);
}

}  // namespace
