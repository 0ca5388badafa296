// SjisStringList: order and lookup across the block chain, deep copies,
// clearing, appending the list's own strings, and running out of memory.
#include "records/sjis_string_list.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "records/failing_allocation.h"

namespace {

std::string Bytes(const SjisString& s) { return std::string(s.Text(), static_cast<size_t>(s.Length())); }

// "ソ0", "ソ1", ...: each value carries a 0x5C trail byte and its index.
SjisString Numbered(int index) {
  SjisString s("ソ");
  s.AppendNumber(index);
  return s;
}

void Fill(SjisStringList& list, int count) {
  for (int i = 0; i < count; ++i) ASSERT_NE(list.Append(Numbered(i)), nullptr);
}

void ExpectNumbered(const SjisStringList& list, int count) {
  ASSERT_EQ(list.Count(), count);
  for (int i = 0; i < count; ++i) ASSERT_EQ(Bytes(list.At(i)), Bytes(Numbered(i))) << i;
  EXPECT_EQ(&list.At(count), &SjisString::Empty());
  EXPECT_EQ(&list.At(-1), &SjisString::Empty());
}

TEST(SjisStringList, KeepsOrderAcrossBlocks) {
  for (int count : {0, 1, 15, 16, 17, 32, 33, 100}) {
    SjisStringList list;
    Fill(list, count);
    ExpectNumbered(list, count);
  }
  SjisStringList seventeen;
  Fill(seventeen, 17);
  EXPECT_EQ(Bytes(seventeen.At(16)), "ソ16");
  EXPECT_EQ(&seventeen.At(17), &SjisString::Empty());
}

TEST(SjisStringList, StoresIndependentCopies) {
  SjisStringList list;
  SjisString source("表題");
  SjisString* stored = list.Append(source);
  ASSERT_NE(stored, nullptr);
  source.Assign("changed");
  EXPECT_EQ(Bytes(list.At(0)), "表題");
  ASSERT_NE(list.Append(SjisString()), nullptr);  // empty strings count too
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(stored, &list.At(0));
}

// Appending a string of the list itself, also when that needs a new block:
// blocks never move, so the source stays valid while it is copied.
TEST(SjisStringList, AppendsItsOwnStrings) {
  SjisStringList list;
  Fill(list, 16);
  for (int i = 0; i < 40; ++i) ASSERT_NE(list.Append(list.At(i)), nullptr);
  ASSERT_EQ(list.Count(), 56);
  for (int i = 16; i < 56; ++i) EXPECT_EQ(Bytes(list.At(i)), Bytes(list.At(i - 16)));
}

TEST(SjisStringList, CopiesMovesAndClears) {
  SjisStringList list;
  Fill(list, 40);
  SjisStringList copy(list);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(&list.At(0), &SjisString::Empty());
  ExpectNumbered(copy, 40);

  Fill(list, 3);  // reusable after clearing
  ExpectNumbered(list, 3);
  list = copy;
  ExpectNumbered(list, 40);
  list = list;
  ExpectNumbered(list, 40);

  SjisStringList moved(std::move(copy));
  ExpectNumbered(moved, 40);
  EXPECT_EQ(copy.Count(), 0);
  list = std::move(moved);
  ExpectNumbered(list, 40);
  EXPECT_EQ(moved.Count(), 0);
  Fill(moved, 20);  // a moved-from list works as a new one
  ExpectNumbered(moved, 20);
}

TEST(SjisStringList, RunningOutOfMemoryLeavesTheListUnchanged) {
  SjisStringList list;
  Fill(list, 16);
  const SjisString next = Numbered(16);
  {
    failing_allocation::Scope noMemory(0);  // the new block
    EXPECT_EQ(list.Append(next), nullptr);
  }
  ExpectNumbered(list, 16);
  {
    failing_allocation::Scope blockOnly(1);  // the block, not the text
    EXPECT_EQ(list.Append(next), nullptr);
  }
  ExpectNumbered(list, 16);
  for (int i = 16; i < 20; ++i) ASSERT_NE(list.Append(Numbered(i)), nullptr);
  ExpectNumbered(list, 20);
}

}  // namespace
