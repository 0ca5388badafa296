// Moving through a record: branch and merge-source selection with the
// selected line kept consistent through a merged position, refusals off the
// line, promotion to the main line, and plies renumbered by a deletion
// (steps and edits of ordinary records are pinned by the record signature).
#include <gtest/gtest.h>

#include <string>
#include <vector>

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

// Clearing one side's evaluations walks the selected line only up to its
// first marker: an interruption, what follows its resumption and the
// other side's moves keep their values.
TEST(KifuNavigation, ClearingASidesEvaluationsStopsAtTheFirstMarker) {
  Kifu kifu;
  KifuPlayLine(kifu, kifu.StartNode(), {{7, 7, 7, 6}, {3, 3, 3, 4}, {2, 7, 2, 6}});
  const auto marker = [&](KifuMoveKind kind) {
    const int toMove = kifu.MoveAtPly(kifu.LineLength())->reachedNode->position.sideToMove;
    const int king = KIFU_KING + (toMove == 1 ? KIFU_SECOND_PLAYER_BIT : 0);
    return kifu.AddMove(kifu.LineLength(), KifuMove(0, 0, 0, 0, king, 0, 0, kind), 0, nullptr, -1, MergeChooser::None());
  };
  ASSERT_NE(marker(KifuMoveKind::Interruption), nullptr);
  ASSERT_NE(marker(KifuMoveKind::Resumption), nullptr);
  KifuPlayLine(kifu, kifu.MoveAtPly(kifu.LineLength())->reachedNode, {{8, 3, 8, 4}, {2, 6, 2, 5}});
  std::vector<KifuMoveNode*> line;
  for (int ply = 1; ply <= kifu.LineLength(); ++ply) line.push_back(kifu.MoveAtPly(ply));
  ASSERT_EQ(line.size(), 7u);
  for (size_t i = 0; i < line.size(); ++i) {
    ASSERT_NE(line[i], nullptr);
    line[i]->thinkResult.value = static_cast<int>(100 + i);
    line[i]->thinkResult.predictedReply = 7;
  }
  kifu.ClearSideEvaluations(0);
  // Plies 1 and 3 are the first player's moves before the interruption.
  for (size_t i = 0; i < line.size(); ++i) {
    const bool cleared = i == 0 || i == 2;
    EXPECT_EQ(line[i]->thinkResult.value, cleared ? 32767 : static_cast<int>(100 + i)) << "ply " << i + 1;
    EXPECT_EQ(line[i]->thinkResult.predictedReply, cleared ? MoveCode{0} : MoveCode{7}) << "ply " << i + 1;
  }
}
