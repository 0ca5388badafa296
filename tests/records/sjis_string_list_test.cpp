// SjisStringList: order and lookup across the block chain, the list's own
// strings appended, deep copies, moves and clearing.
#include "records/sjis_string_list.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

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
  for (int count : {0, 1, 15, 16, 17, 33}) {
    SjisStringList list;
    Fill(list, count);
    ExpectNumbered(list, count);
  }
}

// Blocks never move, so a string of the list stays valid while it is
// copied, also when the copy needs a new block.
TEST(SjisStringList, AppendsItsOwnStrings) {
  SjisStringList list;
  Fill(list, 16);
  for (int i = 0; i < 40; ++i) ASSERT_NE(list.Append(list.At(i)), nullptr);
  ASSERT_EQ(list.Count(), 56);
  for (int i = 16; i < 56; ++i) EXPECT_EQ(Bytes(list.At(i)), Bytes(list.At(i - 16)));
}

TEST(SjisStringList, CopiesAreDeepAndMovesLeaveTheSourceEmpty) {
  SjisStringList list;
  Fill(list, 40);
  SjisStringList copy(list);
  list.Clear();
  ExpectNumbered(list, 0);
  ExpectNumbered(copy, 40);
  list = copy;
  ExpectNumbered(list, 40);
  SjisStringList moved(std::move(copy));
  ExpectNumbered(moved, 40);
  ExpectNumbered(copy, 0);
  list = std::move(moved);
  ExpectNumbered(list, 40);
  Fill(moved, 20);  // a moved-from list works as a new one
  ExpectNumbered(moved, 20);
}

}  // namespace
