// SjisStringList: order and lookup across the block chain, the list's own
// strings appended, deep copies, moves and clearing.
#include "records/sjis_string_list.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

// "ソ0", "ソ1", ...: each value carries a 0x5C trail byte and its index.
std::string Numbered(int index) { return "ソ" + std::to_string(index % 16); }

void ExpectNumbered(const SjisStringList& list, int count) {
  ASSERT_EQ(list.Count(), count);
  for (int i = 0; i < count; ++i) ASSERT_EQ(std::string(list.At(i).Text()), Numbered(i)) << i;
  EXPECT_TRUE(&list.At(count) == &SjisString::Empty() && &list.At(-1) == &SjisString::Empty());
}

// Blocks never move, so a string of the list stays valid while it is copied
// into the list, also when the copy needs a new block.
TEST(SjisStringList, KeepsOrderAcrossBlocksThroughCopiesAndMoves) {
  for (int count : {0, 1, 15, 16, 17, 33}) {
    SjisStringList list;
    for (int i = 0; i < count; ++i) ASSERT_NE(list.Append(SjisString(Numbered(i).c_str())), nullptr);
    ExpectNumbered(list, count);
  }
  SjisStringList list;
  for (int i = 0; i < 16; ++i) list.Append(SjisString(Numbered(i).c_str()));
  for (int i = 0; i < 40; ++i) ASSERT_NE(list.Append(list.At(i)), nullptr);
  ExpectNumbered(list, 56);
  SjisStringList copy(list);
  list.Clear();
  ExpectNumbered(list, 0);
  ExpectNumbered(copy, 56);
  list = copy;
  SjisStringList moved(std::move(copy));
  ExpectNumbered(copy, 0);
  moved.Append(SjisString("ソ8"));  // a deep copy: the source is not touched
  ExpectNumbered(list, 56);
  list = std::move(moved);
  ExpectNumbered(moved, 0);
  ExpectNumbered(list, 57);
  moved.Append(SjisString("ソ0"));  // a moved-from list works as a new one
  ExpectNumbered(moved, 1);
}

}  // namespace
