// Code buffer and forward references: byte checks, operands, and the resolution pass.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <random>
#include <string>

#include "assembler/code.h"
#include "assembler/emit.h"
#include "symbols/table.h"
#include "test_support.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

// Points the scanner at text as line `line` of main.asm.
void Line(AssemblerState &st, int line, const char *text) {
  StartLine(st, text);
  st.source.context->line = line;
  st.source.context->file_name = AddName(st.names, "main.asm");
}

// Evaluates text on line `line` and saves it, unknown, as a record of kind and target.
void Defer(AssemblerState &st, int line, const char *text, FixupKind kind, int32_t target) {
  Line(st, line, text);
  ASSERT_TRUE(EvaluateExpression(st));
  ASSERT_FALSE(st.expr.known) << text;
  ASSERT_TRUE(NewFixup(st, kind, target, kind == FixupKind::Relative, st.expr.postfix));
}

Label &Named(AssemblerState &st, const char *name) {
  const int32_t index = FindLabel(st, name);
  return *LabelAt(st, index != 0 ? index : AddLabel(st, name));
}

void Define(AssemblerState &st, const char *name, uint16_t value, uint8_t kind = kLabelDefined) {
  Named(st, name).value = value;
  Named(st, name).kind = kind;
}

std::string Error(AssemblerState &st) { return TakeError(st); }

std::vector<uint8_t> Image(const AssemblerState &st, int from, int to) {
  return std::vector<uint8_t>(st.code.bytes.begin() + from, st.code.bytes.begin() + to);
}

std::string Resolve(AssemblerState &st, bool expect_ok) {
  CaptureStdout();
  EXPECT_EQ(ResolveFixups(st), expect_ok);
  EXPECT_TRUE(st.fixups.records.empty());
  return GetCapturedStdout();
}

TEST(EmitByte, AppliesItsLimitsInOrder) {
  auto st = MakeState();
  Line(*st, 1, "");
  st->pass.position = kImageSize - 1;
  ASSERT_TRUE(EmitByte(*st, 0x3E));
  EXPECT_EQ(st->code.bytes[kImageSize - 1], 0x3E);
  EXPECT_FALSE(EmitByte(*st, 2));
  EXPECT_EQ(Error(*st), MessageText(Msg::BufferOverflow));
  EXPECT_EQ(st->pass.position, kImageSize);
  EXPECT_EQ(st->pass.location, 1);

  st->pass.floating.block = -1;  // a floating block stages up to the end of the buffer
  st->pass.location = 255;
  st->pass.floating.in_page_check = true;
  AssembleList list;
  st->listing.list = &list;  // the listing pass stores nothing
  ASSERT_TRUE(EmitByte(*st, 5));
  EXPECT_EQ(st->code.bytes[kImageSize], 0);
  EXPECT_FALSE(EmitByte(*st, 6));
  EXPECT_EQ(Error(*st), MessageText(Msg::InPageOverflow));
  EXPECT_TRUE(EmitByte(*st, 6));  // reported once per block
  st->pass.position = kCodeBufferSize;
  EXPECT_FALSE(EmitByte(*st, 7));

  st->placement.offset_open = true;  // only counts, and wraps at 16 bits
  st->pass.location = 0xFFFF;
  ASSERT_TRUE(EmitByte(*st, 0xAA));
  EXPECT_EQ(st->pass.location, 0);
  EXPECT_EQ(st->pass.position, kCodeBufferSize);
}

TEST(EmitByte, ArrangePlacesAndSkipsInPairsWithinTheReservedArea) {
  auto st = MakeState();
  std::fill_n(st->code.bytes.begin(), 8, 0xEE);
  st->pass.location = 0x100;
  st->placement.saved_location = 0x108;
  // (0, 1): a pair that places nothing only skips; then (2, 1).
  st->placement.arrange_count = 4;
  std::copy_n(std::begin({0, 1, 2, 1}), 4, st->placement.arrange_numbers);
  for (uint8_t b = 1; b <= 4; ++b) {
    ASSERT_TRUE(EmitByte(*st, b));
  }
  EXPECT_EQ(Image(*st, 0, 8), (std::vector<uint8_t>{0xEE, 1, 2, 0xEE, 0xEE, 3, 4, 0xEE}));
  EXPECT_EQ(st->pass.location, 0x109);
  EXPECT_FALSE(EmitByte(*st, 5));
  EXPECT_EQ(Error(*st), MessageText(Msg::ArrangeOverflow));
  EXPECT_EQ(st->pass.position, 9);
}

TEST(Operands, KnownValuesAreTruncatedAndRelativeJumpsChecked) {
  auto st = MakeState();
  Line(*st, 1, "300");
  ASSERT_TRUE(EmitOperandByte(*st));
  Line(*st, 1, "-1");
  ASSERT_TRUE(EmitOperandWord(*st));
  st->pass.location = 0x101;  // the displacement byte of a jump at 0x100
  Line(*st, 2, "100H");
  ASSERT_TRUE(EmitRelative(*st));
  EXPECT_EQ(Image(*st, 0, 4), (std::vector<uint8_t>{0x2C, 0xFF, 0xFF, 0xFE}));
  const std::pair<const char *, int> far[] = {
      {"101H+1+128", 1 },
      {"101H+1-129", -1}
  };
  for (const auto &[target, excess] : far) {
    st->pass.location = 0x101;
    Line(*st, 3, target);
    EXPECT_FALSE(EmitRelative(*st));
    EXPECT_EQ(Error(*st), Text(Msg::RelativeOutOfRange, excess));
  }
  EXPECT_EQ(st->pass.position, 4);
  EXPECT_TRUE(st->fixups.records.empty());
}

TEST(OperandRange, EachRangeEndsWhereItsFieldDoes) {
  struct Case {
    OperandRange range;
    int32_t inside_low, inside_high;
  };
  for (const Case &c : {
           Case{OperandRange::Byte,         -128,   255  },
           Case{OperandRange::Displacement, -128,   127  },
           Case{OperandRange::Word,         -32768, 65535}
  }) {
    EXPECT_FALSE(OutsideOperandRange(c.inside_low, c.range));
    EXPECT_FALSE(OutsideOperandRange(c.inside_high, c.range));
    EXPECT_TRUE(OutsideOperandRange(c.inside_low - 1, c.range));
    EXPECT_TRUE(OutsideOperandRange(c.inside_high + 1, c.range));
    EXPECT_TRUE(OutsideOperandRange(INT32_MIN, c.range));
    EXPECT_TRUE(OutsideOperandRange(INT32_MAX, c.range));
    EXPECT_EQ(LimitsOf(c.range).low, c.inside_low);
    EXPECT_EQ(LimitsOf(c.range).high, c.inside_high);
  }
  // A label holds 16 bits: FF80h..FFFFh is a small negative byte or displacement, and the
  // values just below it are not.
  for (OperandRange range : {OperandRange::Byte, OperandRange::Displacement}) {
    EXPECT_FALSE(OutsideOperandRange(0xFF80, range));
    EXPECT_FALSE(OutsideOperandRange(0xFFFF, range));
    EXPECT_TRUE(OutsideOperandRange(0xFF7F, range));
    EXPECT_TRUE(OutsideOperandRange(0x10000, range));
  }
  EXPECT_FALSE(OutsideOperandRange(INT32_MIN, OperandRange::None));
}

TEST(OperandRange, KnownAndResolvedValuesAreWarnedAboutOnlyWhenAsked) {
  for (bool asked : {false, true}) {
    auto st = MakeState();
    st->options.warnings = asked ? kWarnRange : 0u;
    Line(*st, 1, "300");
    ASSERT_TRUE(EvaluateExpression(*st));
    CaptureStdout();
    ASSERT_TRUE(EmitEvaluatedByte(*st, OperandRange::Displacement));
    Line(*st, 2, "-40000");
    ASSERT_TRUE(EmitOperandWord(*st));
    Line(*st, 3, "LATER");  // forward references, checked when they are resolved
    ASSERT_TRUE(EmitOperandByte(*st));
    Line(*st, 4, "LATER*2");
    ASSERT_TRUE(EmitOperandWord(*st));
    const std::string known = GetCapturedStdout();
    Define(*st, "LATER", 0x8000);
    const std::string resolved = Resolve(*st, true);
    if (asked) {
      const auto warning = [](int line, int value, int low, int high) {
        return WarningLine("main.asm", line, Text(Msg::RangeWarning, value, low, high));
      };
      EXPECT_EQ(known, warning(1, 300, -128, 127) + warning(2, -40000, -32768, 65535));
      EXPECT_EQ(resolved, warning(3, 0x8000, -128, 255) + warning(4, 0x10000, -32768, 65535));
    } else {
      EXPECT_EQ(known + resolved, "");
    }
    // The values are cut as always.
    EXPECT_EQ(Image(*st, 0, 6), (std::vector<uint8_t>{0x2C, 0xC0, 0x63, 0x00, 0x00, 0x00}));
  }
}

TEST(Resolve, ChainsOfDefinitionsTakeSeveralSweeps) {
  auto st = MakeState();
  st->pass.location = 0x101;
  Line(*st, 1, "L1+100H");
  ASSERT_TRUE(EmitRelative(*st));
  Defer(*st, 2, "L1", FixupKind::Byte, 5);
  Defer(*st, 3, "L2+1", FixupKind::DefineLabel, FindLabel(*st, "L1"));
  Defer(*st, 4, "L3", FixupKind::DefineLabel, FindLabel(*st, "L2"));
  Define(*st, "L3", 5);
  EXPECT_EQ(Resolve(*st, true), "");
  EXPECT_EQ(st->code.bytes[5], 6);
  // The forward jump has the byte of the same jump with a known target.
  st->pass.location = 0x101;
  Line(*st, 5, "L1+100H");
  ASSERT_TRUE(EmitRelative(*st));
  EXPECT_EQ(Image(*st, 0, 2), (std::vector<uint8_t>{0x04, 0x04}));
}

TEST(Resolve, ReportsEachUnresolvedLabelOnceInOrder) {
  auto st = MakeState();
  Define(*st, "MAC", 0, kLabelMacro);
  Defer(*st, 3, "MISSING+MAC", FixupKind::Byte, 0);
  Defer(*st, 4, "LATER+MISSING+MAC", FixupKind::Byte, 1);
  Defer(*st, 5, "FOO*BAR", FixupKind::Word, 2);
  st->expr.postfix.values[0] = AddLabel(*st, "@@AAAAB");  // generated names are not typed
  st->expr.postfix.kinds[0] = kIdentifier;
  st->expr.postfix.count = 1;
  ASSERT_TRUE(NewFixup(*st, FixupKind::Byte, 4, false, st->expr.postfix));
  Define(*st, "LATER", 1);
  const auto line = [](int n, const char *name) {
    return ErrorLine("main.asm", n, Text(Msg::UnresolvedLabel, name));
  };
  EXPECT_EQ(Resolve(*st, false),
            line(3, "MISSING") + line(3, "MAC") + line(5, "FOO") + line(5, "BAR") + line(5, "@@"));
  EXPECT_EQ(Named(*st, "MISSING").kind, kLabelReported);
  EXPECT_EQ(Named(*st, "MAC").kind, kLabelMacro);
}

TEST(Resolve, RangeErrorsArePrintedInSweepOrderAndOthersStillApply) {
  auto st = MakeState();
  st->code.bytes[2] = 0x40;  // BIT 0,B waiting for its bit number
  st->pass.location = 0x100;
  Line(*st, 1, "TA");
  ASSERT_TRUE(EmitRelative(*st));  // applied in the second sweep, once TA is defined
  st->pass.location = 0x100;
  Line(*st, 2, "TB");
  ASSERT_TRUE(EmitRelative(*st));  // applied in the first sweep
  Defer(*st, 3, "TB-TC", FixupKind::DefineLabel, FindLabel(*st, "TA"));
  Defer(*st, 4, "TC-0FEH", FixupKind::BitNumber, 2);
  Defer(*st, 5, "1/TZ", FixupKind::Byte, 3);
  Defer(*st, 6, "TC*8", FixupKind::BitNumber, 4);
  Define(*st, "TB", 0x181);
  Define(*st, "TC", 0x101);
  Define(*st, "TZ", 0);
  EXPECT_EQ(Resolve(*st, false), ErrorLine("main.asm", 2, Text(Msg::RelativeOutOfRange, 1)) +
                                     ErrorLine("main.asm", 5, Text(Msg::DivisionByZero)) +
                                     ErrorLine("main.asm", 6, Text(Msg::BitOutOfRange)) +
                                     ErrorLine("main.asm", 1, Text(Msg::RelativeOutOfRange, -1)));
  EXPECT_EQ(Image(*st, 0, 5), (std::vector<uint8_t>{0, 0, 0x58, 0, 0}));
}

TEST(Resolve, RecordsOnlyPatchTheirOwnPlaceholders) {
  auto st = MakeState();
  st->placement.offset_open = true;  // nothing is stored in an OFFSET section
  Line(*st, 1, "X");
  ASSERT_TRUE(EmitOperandWord(*st));
  st->placement.offset_open = false;
  ASSERT_TRUE(EmitByte(*st, 0xC9));
  // A word whose bytes an ARRANGE skip separates.
  std::fill_n(st->code.bytes.begin() + 1, 4, 0xEE);
  st->placement.saved_location = 0x108;
  st->placement.arrange_count = 2;
  std::copy_n(std::begin({1, 1}), 2, st->placement.arrange_numbers);
  Line(*st, 2, "X");
  ASSERT_TRUE(EmitOperandWord(*st));
  Define(*st, "X", 0xABCD);
  Resolve(*st, true);
  EXPECT_EQ(Image(*st, 0, 5), (std::vector<uint8_t>{0xC9, 0xCD, 0xEE, 0xAB, 0xEE}));
}

TEST(Resolve, FloatingBlockLabelsAndJumpsWaitForTheBlockAddress) {
  auto st = MakeState();
  const int32_t block = DeclareLabel(*st, "BLK", true);
  Define(*st, "TARGET", 0x7F80);
  st->pass.floating.block = block;
  st->pass.location = 0x10;
  const int32_t inner = AddLabel(*st, "INNER");
  ASSERT_TRUE(DefineLabelHere(*st, inner));
  EXPECT_EQ(LabelAt(*st, inner)->kind, kLabelUndefined);
  st->pass.position = kImageSize;
  st->pass.location = 0x11;
  Line(*st, 1, "TARGET");  // known, but the block's address is not
  ASSERT_TRUE(EmitRelative(*st));
  Define(*st, "BLK", 0x7F00);
  Resolve(*st, true);
  EXPECT_EQ(LabelAt(*st, inner)->value, 0x7F10);
  EXPECT_EQ(st->code.bytes[kImageSize], 0x7F80 - 0x7F12);
}

// The resolution pass as plain repeated sweeps over the list (Byte, Relative and DefineLabel
// records of + - * / expressions), to compare the printed lines and results against.
void SweepingResolve(AssemblerState &st) {
  std::vector<Fixup> list(st.fixups.records.begin(), st.fixups.records.end());
  for (bool removed = true; removed;) {
    removed = false;
    for (size_t i = 0; i < list.size();) {
      const Fixup f = list[i];
      (void)SelectScope(st, f.scope);
      std::vector<int32_t> stack;
      bool blocked = false;
      bool dropped = false;
      for (size_t k = static_cast<size_t>(f.first);
           k < static_cast<size_t>(f.first + f.count) && !blocked && !dropped; ++k) {
        const int32_t item = st.fixups.values[k];
        if (st.fixups.kinds[k] == kNumber) {
          stack.push_back(item);
        } else if (st.fixups.kinds[k] == kIdentifier) {
          Label *l = LabelAt(st, item);
          Label *o = l->kind == kLabelUndefined && NameAt(st.names, l->name)[0] != '@'
                         ? FindLabelOutward(st, NameAt(st.names, l->name), kLabelDefined)
                         : nullptr;
          if (o != nullptr) {
            l->value = o->value;
            l->kind = kLabelDefined;
            l->flags |= kFlagFromOuter;
            o->flags |= kFlagReferenced;  // the outer label is named by the reference
          }
          blocked = l->kind != kLabelDefined;
          stack.push_back(l->value);
        } else {
          const int32_t b = stack.back();
          stack.pop_back();
          dropped = !ApplyBinary(st.fixups.kinds[k], stack.back(), b, stack.back());
          if (dropped) {
            std::fputs(
                ErrorLine(NameAt(st.names, f.file), f.line, Text(Msg::DivisionByZero)).c_str(),
                stdout);
          }
        }
      }
      if (blocked) {
        ++i;
        continue;
      }
      list.erase(list.begin() + static_cast<long>(i));
      removed = true;
      const int32_t v = stack.back();
      if (dropped) {
        continue;
      } else if (f.kind == FixupKind::DefineLabel) {
        LabelAt(st, f.target)->value = static_cast<uint16_t>(v);
        LabelAt(st, f.target)->kind = kLabelDefined;
      } else if (f.kind == FixupKind::Byte || (v >= -128 && v <= 127)) {
        st.code.bytes[static_cast<size_t>(f.target)] = static_cast<uint8_t>(v);
      } else {
        std::fputs(ErrorLine(NameAt(st.names, f.file), f.line,
                             Text(Msg::RelativeOutOfRange, v > 127 ? v - 127 : v + 128))
                       .c_str(),
                   stdout);
      }
    }
    removed = removed && !list.empty();
  }
  for (const Fixup &f : list) {
    (void)SelectScope(st, f.scope);
    for (size_t k = static_cast<size_t>(f.first); k < static_cast<size_t>(f.first + f.count); ++k) {
      Label *l = st.fixups.kinds[k] == kIdentifier ? LabelAt(st, st.fixups.values[k]) : nullptr;
      if (l != nullptr && l->kind == kLabelUndefined) {
        l->kind = kLabelReported;
        const std::string name = NameAt(st.names, l->name);
        std::fputs(ErrorLine(NameAt(st.names, f.file), f.line,
                             Text(Msg::UnresolvedLabel,
                                  name.substr(0, name[0] == '@' ? 2 : name.size()).c_str()))
                       .c_str(),
                   stdout);
      }
    }
  }
  ClearFixups(st);
}

// A random program: the root scope, S1 inside it, S2 inside S1 and S3 beside S1; labels
// defined or not, and records in any scope whose items name labels of their own scope or, by
// scope-independent reference, of another.
void BuildRandomProgram(AssemblerState &st, unsigned seed) {
  constexpr int32_t kScopes = 4;
  std::mt19937 random(seed);
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  ASSERT_TRUE(OpenScope(st, "S1"));
  ASSERT_TRUE(OpenScope(st, "S2"));  // inside S1
  SelectRootScope(st);
  ASSERT_TRUE(OpenScope(st, "S3"));  // beside S1
  for (int32_t scope = 0; scope < kScopes; ++scope) {
    ASSERT_TRUE(SelectScope(st, scope));
    for (const char *name : {"N0", "N1", "N2", "N3", "N4", "@@AAAAA"}) {
      if (pick(3) != 0) {
        const auto value = static_cast<uint16_t>(pick(300));
        Define(st, name, value, pick(3) == 0 ? kLabelDefined : kLabelUndefined);
      }
    }
  }
  auto labels_in = [&st](int32_t scope) {  // a scope without labels has no records at all
    return std::max(RecordCount(st, scope) - 1, 0);
  };
  Line(st, 1, "");
  for (int record = 0; record < 6 + pick(12); ++record) {
    const int32_t scope = pick(kScopes);
    const int32_t other = pick(kScopes);
    PostfixBuffer &postfix = st.expr.postfix;
    postfix.count = 0;
    for (int operand = 0; operand < 1 + pick(3); ++operand) {
      const bool number = labels_in(scope) == 0 || pick(3) == 0;
      int32_t value = number ? pick(260) - 4 : 1 + pick(labels_in(scope));
      if (!number && labels_in(other) > 0 && pick(4) == 0) {
        ASSERT_TRUE(SelectScope(st, other));
        value = MakeScopedRef(st, 1 + pick(labels_in(other)));
      }
      postfix.values[postfix.count] = value;
      postfix.kinds[postfix.count++] = number ? kNumber : kIdentifier;
      if (operand > 0) {
        postfix.kinds[postfix.count++] =
            std::vector<int32_t>{kPlus, kMinus, kMul, kDiv}[static_cast<size_t>(pick(4))];
      }
    }
    ASSERT_TRUE(SelectScope(st, scope));
    const int kind = labels_in(scope) == 0 ? 1 + pick(2) : pick(3);
    st.source.context->line = record + 1;
    ASSERT_TRUE(NewFixup(st, static_cast<FixupKind>(kind == 2 ? 3 : kind),
                         kind == 0 ? 1 + pick(labels_in(scope)) : pick(8), false, st.expr.postfix));
  }
  SelectRootScope(st);
}

std::string Snapshot(AssemblerState &st) {
  std::string text(st.code.bytes.begin(), st.code.bytes.begin() + 8);
  for (int32_t scope = 0; scope < ScopeCount(st); ++scope) {
    ForEachLabelIn(st, scope, [&text](int32_t, const Label &l) {
      text += std::to_string(l.value) + "/" + std::to_string(l.kind) + "/" +
              std::to_string(l.flags) + " ";
    });
  }
  return text;
}

TEST(Resolve, PrintsAndComputesWhatRepeatedSweepsWould) {
  for (unsigned seed = 1; seed <= 1500; ++seed) {
    auto fast = MakeState();
    auto slow = MakeState();
    BuildRandomProgram(*fast, seed);
    BuildRandomProgram(*slow, seed);
    CaptureStdout();
    (void)ResolveFixups(*fast);
    const std::string fast_out = GetCapturedStdout();
    CaptureStdout();
    SweepingResolve(*slow);
    ASSERT_EQ(fast_out, GetCapturedStdout()) << "seed " << seed;
    ASSERT_EQ(Snapshot(*fast), Snapshot(*slow)) << "seed " << seed;
  }
}

TEST(Resolve, LongChainsAndManyReferencesFinish) {
  auto st = MakeState();
  const int kCount = 50000;  // DB L0 / L0 EQU L1+1 / DB L1 / L1 EQU L2+1 / ...
  for (int i = 0; i < kCount; ++i) {
    const std::string name = "L" + std::to_string(i);
    const std::string next = "L" + std::to_string(i + 1) + "+1";
    Defer(*st, i + 1, name.c_str(), FixupKind::Byte, i);
    Defer(*st, i + 1, next.c_str(), FixupKind::DefineLabel, FindLabel(*st, name.c_str()));
  }
  Define(*st, ("L" + std::to_string(kCount)).c_str(), 0);
  Resolve(*st, true);
  EXPECT_EQ(Named(*st, "L0").value, kCount);
  EXPECT_EQ(st->code.bytes[0], kCount & 0xFF);
  EXPECT_EQ(st->code.bytes[kCount - 1], 1);
}

}  // namespace
