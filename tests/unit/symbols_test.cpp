// Label table: hashing, scopes, duplicates, outward lookup, growth and qualified names.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "symbols/table.h"
#include "test_support.h"

namespace {

TEST(HashName, RotatesAndXorsEachCharacter) {
  EXPECT_EQ(HashName("A") % 997, 49u);
  EXPECT_EQ(HashName("AB"), 0x18B2u);
  EXPECT_EQ(HashName("LOOP1234"), 0x78FDFC042891A4u);      // eight characters do not overlap
  EXPECT_EQ(HashName("LONG_LABEL"), 0x3F7CDE7BC62C9AA2u);  // the tenth wraps past 64 bits
  EXPECT_EQ(HashName("\x05"), 0xFFFFFFFFFFFFFFF5u);        // a negative difference is sign-extended
  EXPECT_EQ(HashName("\xC1"), HashName("A"));              // bit 7 is ignored
}

TEST(LabelTable, NamesAreCaseSensitiveAndScopesSeparate) {
  auto st = MakeState();
  LabelScope *root = st->labels.current;
  EXPECT_EQ(AddLabel(*st, "Loop"), 1);
  EXPECT_EQ(AddLabel(*st, "LOOP"), 2);
  EXPECT_EQ(AddLabel(*st, "Loop"), 0);
  EXPECT_EQ(FindLabel(*st, "Loo"), 0);
  EXPECT_STREQ(NameAt(st->names, LabelAt(*st, 2)->name), "LOOP");
  for (int32_t bad : {0, 3, -1, INT32_MIN}) {
    EXPECT_EQ(LabelAt(*st, bad), nullptr);
  }
  ASSERT_TRUE(OpenScope(*st, "FIRST"));
  LabelScope *first = st->labels.current;
  EXPECT_EQ(FindLabel(*st, "LOOP"), 0);
  EXPECT_EQ(AddLabel(*st, "LOOP"), 1);  // an independent record of the inner scope
  ASSERT_TRUE(OpenScope(*st, ""));
  LabelScope *second = st->labels.current;
  EXPECT_EQ(second->identifier, 2);
  EXPECT_EQ(second->parent, first);
  EXPECT_EQ(root->next, first);
  EXPECT_EQ(first->next, second);
  EXPECT_FALSE(SelectScope(*st, 3));
  EXPECT_EQ(st->labels.current, second);
  ASSERT_TRUE(SelectScope(*st, 1));
  EXPECT_EQ(LabelAt(*st, 1), &first->records[1]);
  ASSERT_TRUE(OpenScope(*st, "THIRD"));
  SelectRootScope(*st);
  EXPECT_EQ(st->labels.current, root);
}

// A search serves the declaration or insertion that follows it; one made in another scope is
// not trusted, and the name is searched again where it is declared.
TEST(LabelTable, ASearchServesTheDeclarationThatFollows) {
  auto st = MakeState();
  const LabelSearch absent = SearchLabel(*st, "NEW");
  EXPECT_EQ(absent.index, 0);
  EXPECT_EQ(absent.hash, HashName("NEW"));
  EXPECT_EQ(DeclareSearchedLabel(*st, "NEW", absent, false), 1);
  EXPECT_EQ(FindLabel(*st, "NEW"), 1);
  EXPECT_EQ(AddSearchedLabel(*st, "NEW", SearchLabel(*st, "NEW")), 0);  // present now

  const LabelSearch in_root = SearchLabel(*st, "NEW");
  ASSERT_TRUE(OpenScope(*st, "INNER"));
  EXPECT_EQ(DeclareSearchedLabel(*st, "NEW", in_root, true), -1);  // the inner scope's own
  EXPECT_EQ(st->labels.current->records.size(), 2u);
  EXPECT_EQ(AddSearchedLabel(*st, "NEW", in_root), 0);  // searched here again: present
  EXPECT_EQ(AddSearchedLabel(*st, "OTHER", SearchLabel(*st, "OTHER")), 2);
}

// Room announced for a large source is only reserved: no record exists before the first label,
// indices start at 1, and the tables never move while they stay within the room.
TEST(LabelTable, ExpectedSourceBytesReserveRoomOnly) {
  auto st = MakeState();
  ExpectSourceBytes(*st, 3'200'000);
  LabelScope &root = *st->labels.current;
  EXPECT_TRUE(root.records.empty());
  EXPECT_GE(root.records.capacity(), 100'000u);
  EXPECT_GE(st->names.bytes.capacity(), 800'000u);
  ASSERT_EQ(AddLabel(*st, "FIRST"), 1);
  // Buckets for a quarter of the 200,000 names guessed, so that the table is not rebuilt at
  // every doubling on the way; a nested scope starts small all the same.
  EXPECT_EQ(root.buckets.size(), 32'003u);
  ASSERT_TRUE(OpenScope(*st, "INNER"));
  ASSERT_EQ(AddLabel(*st, "X"), 1);
  EXPECT_EQ(st->labels.current->buckets.size(), 13u);
  SelectRootScope(*st);
  const Label *first = &root.records[1];
  for (int i = 0; i < 90'000; ++i) {
    ASSERT_EQ(AddLabel(*st, "L" + std::to_string(i)), i + 2);
  }
  EXPECT_EQ(&root.records[1], first);
  EXPECT_EQ(FindLabel(*st, "L89999"), 90'001);
  ExpectSourceBytes(*st, UINT64_MAX);  // bounded: a huge file asks for no unbounded room
  EXPECT_LE(root.records.capacity(), size_t{8} << 20);
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
    EXPECT_EQ(TakeError(*st), expected);
  }
}

TEST(LabelTable, OutwardLookupSkipsTheCurrentScopeAndOtherKinds) {
  auto st = MakeState();
  LabelAt(*st, AddLabel(*st, "N"))->kind = kLabelDefined;
  LabelAt(*st, AddLabel(*st, "M"))->kind = kLabelMacro;
  ASSERT_TRUE(OpenScope(*st, "MID"));
  LabelScope *middle = st->labels.current;
  AddLabel(*st, "N");  // undefined placeholder: passed over
  ASSERT_TRUE(OpenScope(*st, "IN"));
  LabelScope *inner = st->labels.current;
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
    ASSERT_STREQ(NameAt(st->names, LabelAt(*st, i)->name), name.c_str());
  }
  std::vector<int32_t> refs;
  for (int i = 1; i <= 200; ++i) {
    refs.push_back(MakeScopedRef(*st, i));
  }
  ASSERT_TRUE(OpenScope(*st, "OTHER"));  // scope-independent references ignore the current scope
  for (size_t i = 0; i < 200; ++i) {
    ASSERT_EQ(refs[i], -static_cast<int32_t>(i + 1));
    ASSERT_EQ(LabelAt(*st, refs[i]), &st->labels.scopes[0]->records[i + 1]);
  }
  EXPECT_EQ(LabelAt(*st, -201), nullptr);
}

// Names of many lengths, names that share a long prefix, and names that differ only in their
// last character or length: each is found, declared again and read back.
TEST(LabelTable, ShortAndLongNamesThatDifferAtTheEnd) {
  constexpr size_t kShortName = 15;
  auto st = MakeState();
  std::vector<std::string> names;
  for (size_t length :
       {size_t{1}, size_t{2}, size_t{3}, size_t{4}, size_t{5}, size_t{7}, size_t{8}, size_t{9},
        kShortName - 1, kShortName, kShortName + 1, kShortName + 2, size_t{64}, size_t{1000}}) {
    const std::string base(length, 'N');
    names.push_back(base);
    names.push_back(base.substr(0, length - 1) + "M");  // differs in the last character
    names.push_back(base + "\xC1");                     // one longer, with bit 7 set
  }
  names.push_back(std::string(kShortName, 'N') + std::string(kShortName, 'X'));
  names.push_back(std::string(kShortName, 'N') + std::string(kShortName, 'Y'));
  for (size_t i = 0; i < names.size(); ++i) {
    ASSERT_EQ(FindLabel(*st, names[i]), 0) << names[i];
    ASSERT_EQ(AddLabel(*st, names[i]), static_cast<int32_t>(i + 1)) << names[i];
  }
  for (size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(FindLabel(*st, names[i]), static_cast<int32_t>(i + 1)) << names[i];
    EXPECT_EQ(AddLabel(*st, names[i]), 0) << names[i];
    EXPECT_EQ(DeclareLabel(*st, names[i], false), static_cast<int32_t>(i + 1));
    EXPECT_EQ(NameAt(st->names, LabelAt(*st, static_cast<int32_t>(i + 1))->name), names[i]);
  }
  EXPECT_EQ(FindLabel(*st, std::string(kShortName + 1, 'M')), 0);
  EXPECT_EQ(FindLabel(*st, std::string(999, 'N')), 0);
  EXPECT_EQ(FindLabel(*st, ""), 0);
  const int32_t empty = AddLabel(*st, "");
  EXPECT_EQ(FindLabel(*st, ""), empty);
}

// Names whose hashes are equal and names crowded into the first bucket array: each is found,
// and a name that is absent is not.
TEST(LabelTable, EqualHashesAndCrowdedBuckets) {
  // In a name of ten characters the first one's bits 1..6 wrap round onto the last one's bits
  // 0..5: A (31h) and C (33h) first, 0 (20h) and 1 (21h) last cancel out.
  std::vector<std::string> equal;  // pairs with the same hash
  for (int i = 0; i < 6; ++i) {
    const std::string middle = std::to_string(12345670 + i * 3);
    equal.push_back("A" + middle + "0");
    equal.push_back("C" + middle + "1");
    ASSERT_EQ(HashName(equal[equal.size() - 2]), HashName(equal.back())) << equal.back();
  }
  auto st = MakeState();
  for (size_t i = 0; i < equal.size(); ++i) {
    ASSERT_EQ(AddLabel(*st, equal[i]), static_cast<int32_t>(i + 1));
  }
  for (size_t i = 0; i < equal.size(); ++i) {
    EXPECT_EQ(FindLabel(*st, equal[i]), static_cast<int32_t>(i + 1)) << equal[i];
  }
  EXPECT_EQ(FindLabel(*st, "L"), 0);

  // Forty names in one scope pass the first bucket array's growth; names from another scope
  // are absent here.
  ASSERT_TRUE(OpenScope(*st, "SMALL"));
  for (int i = 1; i <= 40; ++i) {
    ASSERT_EQ(AddLabel(*st, "S" + std::to_string(i)), i);
    for (int j = 1; j <= i; ++j) {
      ASSERT_EQ(FindLabel(*st, "S" + std::to_string(j)), j);
    }
    ASSERT_EQ(FindLabel(*st, "S" + std::to_string(i + 1)), 0);
    ASSERT_EQ(FindLabel(*st, equal[0]), 0);
  }
  EXPECT_EQ(st->labels.current->buckets.size(), 61u);
}

// Serial names of seven digits: for some bucket counts the digits' weights are near multiples
// of one another, and a plain remainder put 1,500,000 such names into 150,000 buckets. They
// must spread like random names (over some three quarters of as many buckets as names here).
TEST(LabelTable, SerialNamesSpreadOverTheBuckets) {
  auto st = MakeState();
  char name[16];
  const int kNames = 1'100'000;
  for (int i = 0; i < kNames; ++i) {
    std::snprintf(name, sizeof name, "F%07d", i);
    ASSERT_NE(AddLabel(*st, name), 0);
  }
  const LabelScope &root = *st->labels.current;
  ASSERT_EQ(root.buckets.size(), 2'048'003u);
  size_t used = 0;
  for (int32_t head : root.buckets) {
    used += head != 0 ? 1 : 0;
  }
  EXPECT_GT(used, size_t{kNames} * 2 / 3);
  EXPECT_EQ(FindLabel(*st, "F0765432"), 765'433);
}

// Growth keeps creation order: records stay where they were made, however the buckets grow.
TEST(LabelTable, GrowthKeepsRecordsInCreationOrder) {
  auto st = MakeState();
  const int kNames = 5000;
  for (int i = 1; i <= kNames; ++i) {
    const int32_t index = AddLabel(*st, "ORDER" + std::to_string(kNames - i));
    ASSERT_EQ(index, i);
    LabelAt(*st, index)->value = static_cast<uint16_t>(i);
  }
  const LabelScope &root = *st->labels.current;
  ASSERT_EQ(root.records.size(), static_cast<size_t>(kNames + 1));
  for (int i = 1; i <= kNames; ++i) {
    const std::string name = "ORDER" + std::to_string(kNames - i);
    ASSERT_EQ(NameAt(st->names, root.records[static_cast<size_t>(i)].name), name);
    ASSERT_EQ(root.records[static_cast<size_t>(i)].value, i);
    ASSERT_EQ(FindLabel(*st, name), i);
  }
}

TEST(QualifiedName, PrefixesEnclosingScopesWithinTheBuffer) {
  auto st = MakeState();
  EXPECT_STREQ(QualifiedName(*st, AddLabel(*st, "TOP")), "TOP");
  ASSERT_TRUE(OpenScope(*st, "OUTER"));
  ASSERT_TRUE(OpenScope(*st, "INNER"));
  EXPECT_STREQ(QualifiedName(*st, AddLabel(*st, "LOOP")), "OUTER.INNER.LOOP");
  ASSERT_TRUE(OpenScope(*st, ""));
  EXPECT_STREQ(QualifiedName(*st, AddLabel(*st, "X")), "OUTER.INNER..X");
  // Five scopes of 63-character names: only three fit into 255 characters before "X".
  SelectRootScope(*st);
  for (char c = 'a'; c <= 'e'; ++c) {
    ASSERT_TRUE(OpenScope(*st, std::string(70, c)));  // kept to 63 characters
  }
  EXPECT_EQ(std::string(QualifiedName(*st, AddLabel(*st, "X"))),
            std::string(63, 'c') + "." + std::string(63, 'd') + "." + std::string(63, 'e') + ".X");
}

// A label keeps the place of its first definition and the number of definitions before it;
// an enclosing scope's definition is found from an inner scope, and a second definition
// notes the first one for --errors=gnu.
TEST(Definitions, KeepTheFirstPlaceAndFindTheEnclosingOne) {
  const MessageSettingsScope settings;
  SelectErrorStyle(ErrorStyle::Gnu);
  SelectMessageLanguage(MessageLanguage::English);
  auto st = MakeState();
  const char *line = "SIZE:\n";
  StartLine(*st, line);
  st->source.context->file_name = AddName(st->names, "main.asm");
  st->source.context->line = 3;
  const std::string_view name(line, 4);
  const int32_t size = DeclareLabel(*st, name, false);
  ASSERT_NE(size, 0);
  st->source.context->line = 9;
  NoteDefinition(*st, size, line);  // a later definition leaves the first place
  const LabelDefinition first = DefinitionOf(*st, {0, size});
  EXPECT_EQ(first.place.line, 3);
  EXPECT_EQ(first.place.column, 1);
  EXPECT_EQ(first.serial, 0);
  EXPECT_EQ(DefinitionsNoted(*st), 1);
  ASSERT_TRUE(OpenScope(*st, "P"));
  EXPECT_EQ(FindDefinedOutward(*st, CurrentScope(*st), "SIZE").scope, -1);  // no value yet
  SelectRootScope(*st);
  LabelAt(*st, size)->kind = kLabelDefined;
  EXPECT_EQ(DeclareLabel(*st, name, false), 0);
  EXPECT_EQ(TakeError(*st), "SIZE is already defined as a label");
  EXPECT_EQ(st->diag.note_place.line, 3);
  ASSERT_TRUE(SelectScope(*st, 1));
  const ScopedRef found = FindDefinedOutward(*st, CurrentScope(*st), "SIZE");
  EXPECT_EQ(found.scope, 0);
  EXPECT_EQ(found.index, size);
  EXPECT_EQ(FindDefinedOutward(*st, 0, "SIZE").scope, -1);  // the root has no enclosing scope
}

}  // namespace
