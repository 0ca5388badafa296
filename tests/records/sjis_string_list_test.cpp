// SjisStringList: the list's own strings appended across the block chain.
#include "records/sjis_string_list.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// "ソ0", "ソ1", ...: each value carries a 0x5C trail byte and its index.
std::string Numbered(int index) { return "ソ" + std::to_string(index % 16); }

// Blocks never move, so a string of the list stays valid while it is copied
// into the list, also when the copy needs a new block.
TEST(SjisStringList, AppendsItsOwnStringsAcrossBlocks) {
  SjisStringList list;
  for (int i = 0; i < 16; ++i) list.Append(SjisString(Numbered(i).c_str()));
  for (int i = 0; i < 40; ++i) ASSERT_NE(list.Append(list.At(i)), nullptr);
  ASSERT_EQ(list.Count(), 56);
  for (int i = 0; i < 56; ++i) ASSERT_EQ(std::string(list.At(i).Text()), Numbered(i)) << i;
  EXPECT_TRUE(&list.At(56) == &SjisString::Empty() && &list.At(-1) == &SjisString::Empty());
}

// Assignment replaces the contents by a deep copy, across blocks; assigning
// a list to itself keeps it.
TEST(SjisStringList, CopyAssignmentReplacesByADeepCopy) {
  SjisStringList source, target;
  for (int i = 0; i < 20; ++i) source.Append(SjisString(Numbered(i).c_str()));
  for (int i = 0; i < 3; ++i) target.Append(SjisString("old"));
  target = source;
  source.Clear();
  ASSERT_EQ(target.Count(), 20);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(std::string(target.At(i).Text()), Numbered(i)) << i;
  const SjisStringList& same = target;
  target = same;
  ASSERT_EQ(target.Count(), 20);
  EXPECT_EQ(std::string(target.At(19).Text()), Numbered(19));
  target = source;
  EXPECT_EQ(target.Count(), 0);
}

}  // namespace
