// The document's steps through its record: each moves the current node one
// move, to a ply or to another variation along the selected line, the
// position following, and a step that can't be made says so and stays.
#include <gtest/gtest.h>

#include <string>

#include "app/ckrs_doc.h"

namespace {

KifuMove Squares(int fromFile, int fromRank, int toFile, int toRank) {
  return KifuMove(fromFile, fromRank, toFile, toRank, 0, 0, 0, KifuMoveKind::Ordinary);
}

// The current move as "ply:to file to rank" (the root "0:00"), after
// checking that the position is the one it reaches.
std::string Where(const CKRSDoc& doc) {
  const GameRecord& game = doc.Record();
  EXPECT_TRUE(*game.currentPosition == game.currentNode->reachedNode->position);
  return std::to_string(doc.CurrentPly()) + ":" + std::to_string(game.currentNode->move.toFile) +
         std::to_string(game.currentNode->move.toRank);
}

TEST(CKRSDocNavigation, StepsFollowTheSelectedLineAndRefuseWhatIsNotThere) {
  Clipboard clipboard;
  CKRSDoc doc(clipboard);
  for (const KifuMove& move : {Squares(7, 7, 7, 6), Squares(3, 3, 3, 4), Squares(2, 7, 2, 6)}) {
    ASSERT_TRUE(doc.AddMove(move, 0));
  }
  EXPECT_FALSE(doc.GoForward());
  EXPECT_EQ(Where(doc), "3:26");
  EXPECT_TRUE(doc.GoBack());
  EXPECT_EQ(Where(doc), "2:34");
  doc.GoToFirst();
  EXPECT_EQ(Where(doc), "0:00");
  EXPECT_FALSE(doc.GoBack());
  EXPECT_TRUE(doc.GoForward());
  EXPECT_EQ(Where(doc), "1:76");
  EXPECT_FALSE(doc.GoToPly(5)) << "the line ends at 3";
  EXPECT_EQ(Where(doc), "3:26");
  EXPECT_FALSE(doc.GoToPly(-1));
  EXPECT_TRUE(doc.GoToPly(2));
  EXPECT_EQ(Where(doc), "2:34");

  // A variation at ply 3: 9六歩 beside 2六歩, selected as it is played.
  ASSERT_TRUE(doc.AddMove(Squares(9, 7, 9, 6), 0));
  EXPECT_EQ(Where(doc), "3:96");
  ASSERT_TRUE(doc.GoBack());
  EXPECT_TRUE(doc.GoForward(0));
  EXPECT_EQ(Where(doc), "3:26");
  EXPECT_FALSE(doc.GoForward(5));
  EXPECT_EQ(Where(doc), "3:26");
  EXPECT_TRUE(doc.SelectBranch(1, false));
  EXPECT_EQ(Where(doc), "3:96");
  EXPECT_TRUE(doc.SelectBranch(1, true));
  EXPECT_EQ(Where(doc), "3:26") << "stepping wraps around";
  EXPECT_FALSE(doc.SelectBranch(2, false));
  EXPECT_EQ(Where(doc), "3:26");
  doc.GoToLast();
  EXPECT_EQ(Where(doc), "3:26");
  doc.GoToFirst();
  EXPECT_FALSE(doc.SelectBranch(0, false)) << "the start is no variation";
  EXPECT_EQ(Where(doc), "0:00");
}

}  // namespace
