// Moving through a record: branch and merge-source selection with the
// selected line kept consistent through a merged position, refusals off the
// line, promotion to the main line, and plies renumbered by a deletion
// (steps and edits of ordinary records are pinned by the record signature).
#include <gtest/gtest.h>

#include <string>

#include "records/kifu.h"
#include "support/kifu_graph_checks.h"

namespace {

// Three first moves from the start; a merged position reached in 4 and 8 plies.
struct BranchyKifu {
  Kifu kifu;
  KifuMoveNode* shortWay;
  KifuMoveNode* longWay;
  BranchyKifu() {
    KifuPlayLine(kifu, kifu.StartNode(), {{9, 7, 9, 6}});
    shortWay = KifuPlayLine(kifu, kifu.StartNode(), {{2, 7, 2, 6}, {7, 1, 6, 2}, {2, 6, 2, 5}, {6, 2, 7, 1}});
    KifuPlayLine(kifu, shortWay->reachedNode, {{7, 7, 7, 6}});
    // Silvers out and back first, merged only at the end.
    KifuMoveNode* detour = KifuPlayLine(kifu, kifu.StartNode(),
                                {{3, 9, 4, 8}, {7, 1, 6, 2}, {4, 8, 3, 9}, {6, 2, 7, 1}, {2, 7, 2, 6}, {7, 1, 6, 2},
                                 {2, 6, 2, 5}},
                                MergeChooser());
    longWay = KifuPlayLine(kifu, detour->reachedNode, {{6, 2, 7, 1}});
  }
};

}  // namespace

TEST(KifuNavigation, SelectingBranchesAndMergeSourcesKeepsTheLineConsistent) {
  BranchyKifu b;
  Kifu& kifu = b.kifu;
  EXPECT_EQ(kifu.StartNode()->outgoing.SelectedIndex(), 2);
  EXPECT_EQ(kifu.LineLength(), 9);
  EXPECT_FALSE(kifu.SelectBranch(0, 3, false));
  // A ply off the line selects nothing and says so.
  const std::string before = DescribeKifuGraph(kifu);
  for (int ply : {-1, 10}) EXPECT_FALSE(kifu.SelectBranch(ply, 1, true) || kifu.SelectMergeSource(ply, 1, true));
  EXPECT_FALSE(kifu.SelectBranch(9, 0, false)) << "the line's end has no move to select";
  EXPECT_EQ(DescribeKifuGraph(kifu), before);
  EXPECT_TRUE(kifu.SelectBranch(0, 1, false));
  // The line now enters the merged position the short way.
  EXPECT_EQ(kifu.MoveAtPly(4), b.shortWay);
  EXPECT_EQ(kifu.LineLength(), 5);
  ExpectKifuGraphValid(kifu);

  EXPECT_TRUE(kifu.SelectMergeSource(4, 1, true));
  EXPECT_EQ(kifu.MoveAtPly(8), b.longWay);
  EXPECT_EQ(kifu.StartNode()->outgoing.SelectedIndex(), 2);
  EXPECT_EQ(kifu.LineLength(), 9);
  EXPECT_EQ(kifu.FindOnSelectedLine(b.shortWay), nullptr);
  EXPECT_EQ(kifu.FindOnSelectedLine(b.longWay), b.longWay);
  EXPECT_FALSE(kifu.SelectMergeSource(8, 2, false));
  ExpectKifuGraphValid(kifu);

  kifu.PromoteLineToMain();
  EXPECT_EQ(kifu.StartNode()->outgoing.SelectedIndex(), 0);
  EXPECT_EQ(kifu.StartNode()->outgoing.At(1)->move.fromFile, 9) << "the former first move moved down";
  EXPECT_EQ(kifu.MoveAtPly(8), b.longWay);
  ASSERT_TRUE(kifu.SelectBranch(0, 1, false));
  kifu.PromoteLineToMain();
  EXPECT_EQ(kifu.StartNode()->outgoing.SelectedIndex() * 10 + kifu.StartNode()->outgoing.At(0)->move.fromFile, 9);
  ExpectKifuGraphValid(kifu);
}

TEST(KifuNavigation, DeletingTheSelectedWayIntoAMergedPositionRenumbersItsPlies) {
  BranchyKifu b;
  KifuPositionNode* merged = b.shortWay->reachedNode;
  EXPECT_EQ(merged->outgoing.At(0)->reachedNode->ply, 9);
  b.kifu.StartNode()->DeleteBranch(2, b.kifu.Table());
  EXPECT_EQ(merged->incoming.Selected(), b.shortWay);
  EXPECT_EQ(merged->outgoing.At(0)->reachedNode->ply, 5);
  ExpectKifuGraphValid(b.kifu);
}
