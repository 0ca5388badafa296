// The searched-move list against a plain set over random codes.
#include <cstdint>
#include <set>

#include <gtest/gtest.h>

#include "engine/search/move_code_list.h"
#include "support/playout.h"

namespace {

TEST(MoveCodeList, AnswersAsASetAndForgetsOnClear) {
  static MoveCodeList list{};
  EXPECT_FALSE(list.HasDrop());
  PlayoutRandom random{5};
  for (int round = 0; round < 50; ++round) {
    list.Clear();
    std::set<MoveCode> added;
    bool drop = false;
    for (int n = random.Below(40); n > 0; --n) {
      // Squares only: about one code in nine is a drop.
      const bool isDrop = random.Below(9) == 0;
      const MoveCode code = PackMoveCode(isDrop ? 0 : 1 + random.Below(9), isDrop ? 0 : 1 + random.Below(9),
                                         1 + random.Below(9), 1 + random.Below(9), 0x27, 0, false);
      ASSERT_TRUE(list.Add(code));
      added.insert(code);
      drop = drop || isDrop;
    }
    EXPECT_EQ(list.HasDrop(), drop);
    for (int n = 0; n < 200; ++n) {
      const MoveCode code = PackMoveCode(random.Below(10), random.Below(10), 1 + random.Below(9),
                                         1 + random.Below(9), 0x27, 0, false);
      ASSERT_EQ(list.Contains(code), added.count(code) == 1);
    }
  }
  list.Clear();
  for (int n = 0; n < MoveCodeList::kCapacity; ++n) ASSERT_TRUE(list.Add(n));
  EXPECT_FALSE(list.Add(1));
}

// After 2^32 clears the stamp comes round again: a drop added at stamp 1
// must not make a list holding only a board move report a drop.
TEST(MoveCodeList, AWrappedStampForgetsTheOldDrops) {
  static MoveCodeList list{};
  list.Clear();
  ASSERT_EQ(list.stamp, 1u);
  ASSERT_TRUE(list.Add(PackMoveCode(0, 0, 5, 5, 0x27, 0, false)));
  list.stamp = UINT32_MAX;
  list.Clear();
  EXPECT_EQ(list.stamp, 1u);
  ASSERT_TRUE(list.Add(PackMoveCode(7, 7, 7, 6, 0x27, 0, false)));
  EXPECT_FALSE(list.HasDrop());
  EXPECT_FALSE(list.HasDrop(5, 5, 0x27));
}

// The square forms ask for exactly one code: a list holding other moves, or
// nothing, does not hold it; the very move is found.
TEST(MoveCodeList, SquareLookupsFindOnlyTheVeryMove) {
  static MoveCodeList list{};
  list.Clear();
  EXPECT_FALSE(list.Contains(7, 7, 7, 6, 0x27, 0, 0));
  EXPECT_FALSE(list.HasDrop(5, 5, 0x27));
  ASSERT_TRUE(list.Add(PackMoveCode(7, 7, 7, 6, 0x27, 0, false)));
  ASSERT_TRUE(list.Add(PackMoveCode(0, 0, 5, 5, 0x27, 0, false)));
  EXPECT_TRUE(list.Contains(7, 7, 7, 6, 0x27, 0, 0));
  EXPECT_TRUE(list.HasDrop(5, 5, 0x27));
  const struct {
    int fromFile, fromRank, toFile, toRank, captured, promote;
  } others[] = {{7, 7, 7, 5, 0, 0}, {7, 7, 7, 6, 0, 1}, {7, 7, 7, 6, 0x47, 0}, {8, 7, 8, 6, 0, 0}};
  for (const auto& m : others) {
    EXPECT_FALSE(list.Contains(m.fromFile, m.fromRank, m.toFile, m.toRank, 0x27, static_cast<PieceCode>(m.captured),
                               m.promote))
        << m.fromFile << m.fromRank << m.toFile << m.toRank;
  }
  EXPECT_FALSE(list.HasDrop(5, 4, 0x27));
  EXPECT_FALSE(list.HasDrop(5, 5, 0x26));
  // A cleared list forgets the codes it held, also the drop just past its
  // new end when it holds another drop again.
  list.Clear();
  ASSERT_TRUE(list.Add(PackMoveCode(0, 0, 5, 4, 0x27, 0, false)));
  EXPECT_TRUE(list.HasDrop(5, 4, 0x27));
  EXPECT_FALSE(list.HasDrop(5, 5, 0x27));
  EXPECT_FALSE(list.Contains(7, 7, 7, 6, 0x27, 0, 0));
}

}  // namespace
