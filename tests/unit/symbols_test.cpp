// Label table: hashing, scopes, duplicates, outward lookup, growth and qualified names.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "test_support.h"

namespace {

TEST(HashName, RotatesAndXorsEachCharacter) {
  EXPECT_EQ(HashName("A") % 997, 49u);
  EXPECT_EQ(HashName("AB"), 0x18B2u);
  EXPECT_EQ(HashName("LOOP1234"), 0x4506C58u);  // wraps past 32 bits
  EXPECT_EQ(HashName("\x05"), 0xFFFFFFF5u);     // a negative difference is sign-extended
  EXPECT_EQ(HashName("\xC1"), HashName("A"));   // bit 7 is ignored
}

TEST(LabelTable, NamesAreCaseSensitiveAndScopesSeparate) {
  auto st = MakeState();
  LabelScope *root = st->labels.current;
  EXPECT_EQ(AddLabel(*st, "Loop"), 1);
  EXPECT_EQ(AddLabel(*st, "LOOP"), 2);
  EXPECT_EQ(AddLabel(*st, "Loop"), 0);
  EXPECT_EQ(FindLabel(*st, "Loo"), 0);
  EXPECT_STREQ(NameAt(*st, LabelAt(*st, 2)->name), "LOOP");
  for (int32_t bad : {0, 3, -1, INT32_MIN}) {
    EXPECT_EQ(LabelAt(*st, bad), nullptr);
  }
  LabelScope *first = OpenScope(*st, "FIRST");
  EXPECT_EQ(FindLabel(*st, "LOOP"), 0);
  EXPECT_EQ(AddLabel(*st, "LOOP"), 1);  // an independent record of the inner scope
  LabelScope *second = OpenScope(*st, "");
  EXPECT_EQ(second->identifier, 2);
  EXPECT_EQ(second->parent, first);
  EXPECT_EQ(root->next, first);
  EXPECT_EQ(first->next, second);
  EXPECT_FALSE(SelectScope(*st, 3));
  EXPECT_EQ(st->labels.current, second);
  ASSERT_TRUE(SelectScope(*st, 1));
  EXPECT_EQ(LabelAt(*st, 1), &first->records[1]);
  OpenScope(*st, "THIRD");
  SelectRootScope(*st);
  EXPECT_EQ(st->labels.current, root);
}

TEST(LabelTable, DeclareNamesTheKindOfAnEarlierDefinition) {
  auto st = MakeState();
  const int32_t fwd = AddLabel(*st, "FWD");
  EXPECT_EQ(DeclareLabel(*st, "FWD", false), fwd);  // only referenced so far
  const std::pair<uint8_t, Msg> cases[] = {
      {kLabelDefined,  Msg::KindLabel  },
      {kLabelMacro,    Msg::KindMacro  },
      {kLabelReported, Msg::KindUnknown}
  };
  for (const auto &[kind, word] : cases) {
    LabelAt(*st, fwd)->kind = kind;
    EXPECT_EQ(DeclareLabel(*st, "FWD", false), 0);
    char expected[256];
    std::snprintf(expected, sizeof expected, MessageText(Msg::AlreadyDefined), "FWD",
                  MessageText(word));
    EXPECT_STREQ(st->diag.error, expected);
  }
}

TEST(LabelTable, OutwardLookupSkipsTheCurrentScopeAndOtherKinds) {
  auto st = MakeState();
  LabelAt(*st, AddLabel(*st, "N"))->kind = kLabelDefined;
  LabelAt(*st, AddLabel(*st, "M"))->kind = kLabelMacro;
  LabelScope *middle = OpenScope(*st, "MID");
  AddLabel(*st, "N");  // undefined placeholder: passed over
  LabelScope *inner = OpenScope(*st, "IN");
  LabelAt(*st, AddLabel(*st, "N"))->kind = kLabelDefined;  // current scope: not searched
  EXPECT_EQ(FindLabelOutward(*st, "N", kLabelDefined), &st->labels.scopes[0]->records[1]);
  EXPECT_EQ(FindLabelOutward(*st, "N", kLabelUndefined), &middle->records[1]);
  EXPECT_EQ(FindLabelOutward(*st, "M", kLabelDefined), nullptr);
  EXPECT_NE(FindLabelOutward(*st, "M", kLabelMacro), nullptr);
  EXPECT_EQ(st->labels.current, inner);
}

TEST(LabelTable, GrowsPastItsStartingSizes) {
  auto st = MakeState();
  const int kNames = 100000;  // records, buckets and the pool all grow
  for (int i = 1; i <= kNames; ++i) {
    ASSERT_EQ(AddLabel(*st, "NAME_" + std::to_string(i)), i);
  }
  EXPECT_GT(st->labels.current->buckets.size(), 997u);
  for (int i = 1; i <= kNames; i += 7) {
    const std::string name = "NAME_" + std::to_string(i);
    ASSERT_EQ(FindLabel(*st, name), i);
    ASSERT_STREQ(NameAt(*st, LabelAt(*st, i)->name), name.c_str());
  }
  std::vector<int32_t> refs;
  for (int i = 1; i <= 200; ++i) {
    refs.push_back(MakeScopedRef(*st, i));
  }
  OpenScope(*st, "OTHER");  // scope-independent references ignore the current scope
  for (int i = 0; i < 200; ++i) {
    ASSERT_EQ(refs[i], -(i + 1));
    ASSERT_EQ(LabelAt(*st, refs[i]), &st->labels.scopes[0]->records[i + 1]);
  }
  EXPECT_EQ(LabelAt(*st, -201), nullptr);
}

TEST(QualifiedName, PrefixesEnclosingScopesWithinTheBuffer) {
  auto st = MakeState();
  EXPECT_STREQ(QualifiedName(*st, AddLabel(*st, "TOP")), "TOP");
  OpenScope(*st, "OUTER");
  OpenScope(*st, "INNER");
  EXPECT_STREQ(QualifiedName(*st, AddLabel(*st, "LOOP")), "OUTER.INNER.LOOP");
  OpenScope(*st, "");
  EXPECT_STREQ(QualifiedName(*st, AddLabel(*st, "X")), "OUTER.INNER..X");
  // Five scopes of 63-character names: only three fit into 255 characters before "X".
  SelectRootScope(*st);
  for (char c = 'a'; c <= 'e'; ++c) {
    OpenScope(*st, std::string(70, c));  // kept to 63 characters
  }
  EXPECT_EQ(std::string(QualifiedName(*st, AddLabel(*st, "X"))),
            std::string(63, 'c') + "." + std::string(63, 'd') + "." + std::string(63, 'e') + ".X");
}

}  // namespace
