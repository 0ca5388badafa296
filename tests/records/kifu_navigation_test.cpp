// Moving through a record: branch and merge-source selection with the
// selected line kept consistent through a merged position, refusals off the
// line, promotion to the main line, plies renumbered by a deletion, and the
// calls that steps and edits make on the kifu list.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records/kifu.h"
#include "support/kifu_graph_checks.h"
#include "support/kifu_list_log.h"

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

// Steps select the line they arrive at, and rebuild the list from the
// lower ply only while a display ply is set; edits rebuild from the ply
// they change (a deletion, the times and a merge source from 0); nothing
// reaches the list while notifications are off.
TEST(KifuNavigation, StepsAndEditsCallTheListInOrder) {
  using Calls = std::vector<std::string>;
  Kifu kifu;
  // 1. 7六歩 2. 8四歩 first, then 2. 3四歩 3. 2六歩 4. 8四歩 as the selected line.
  KifuMoveNode* first =
      KifuPlayLine(kifu, kifu.StartNode(), {{7, 7, 7, 6}, {8, 3, 8, 4}})->leftNode->incoming.Selected();
  KifuMoveNode* fourth = KifuPlayLine(kifu, first->reachedNode, {{3, 3, 3, 4}, {2, 7, 2, 6}, {8, 3, 8, 4}});
  KifuMoveNode* third = fourth->leftNode->incoming.Selected();
  KifuMoveNode* second = third->leftNode->incoming.Selected();
  KifuListLog log;
  kifu.SetObserver(&log);
  const Calls wholeLine = {"Get",    "Begin",  "Current 0", "Truncate 0", "Line 0",
                           "Line 1", "Line 2", "Line 3",    "Line 4",     "End"};
  EXPECT_EQ(log.Take(false), wholeLine);

  EXPECT_EQ(kifu.GoForward(kifu.Root(), -1), first);
  KifuMoveNode* variation = kifu.GoForward(first, 0);
  EXPECT_EQ(variation->move.fromFile * 10 + variation->move.toRank, 84);
  EXPECT_EQ(kifu.GoBack(variation, 7), first);
  EXPECT_EQ(kifu.GoToPly(kifu.Root(), 9), fourth);
  EXPECT_EQ(kifu.GoToPly(fourth, 2), second);
  EXPECT_EQ(log.Take(false), (Calls{"Current 1", "Current 2", "Current 1", "Current 4", "Current 2"}));

  kifu.SetDisplayPly(3);
  EXPECT_EQ(kifu.GoForward(second, -1), third);
  EXPECT_EQ(kifu.GoBack(third, -1), second);
  EXPECT_EQ(kifu.GoToPly(second, 0), kifu.Root());
  EXPECT_EQ(log.Take(false),
            (Calls{"Get",       "Begin",     "Current 2", "Truncate 2", "Line 2", "Line 3", "End",    "Current 2",
                   "Current 3",  // forward from 2 to 3
                   "Get",       "Begin",     "Current 2", "Truncate 2", "Line 2", "Line 3", "End",    "Current 3",
                   "Current 2",  // back from 3 to 2
                   "Get",       "Begin",     "Current 0", "Truncate 0", "Line 0", "Line 1", "Line 2", "Line 3",
                   "End",       "Current 2", "Current 0"}));

  kifu.NotifyPly(3);
  EXPECT_TRUE(kifu.SetComment(2, "ok  "));
  EXPECT_FALSE(kifu.SetComment(2, "ok"));
  EXPECT_FALSE(kifu.SetComment(3, ""));
  EXPECT_TRUE(kifu.SetComment(3, "x"));
  EXPECT_FALSE(kifu.SetComment(9, "x"));
  EXPECT_TRUE(kifu.SelectBranch(1, 1, true));  // the variation, two plies long
  EXPECT_EQ(log.Take(false), (Calls{"Current 3", "Mark 2 3", "Mark 3 1", "Get", "Begin", "Current 1", "Truncate 1",
                                    "Line 1", "Line 2", "End", "Current 3"}));
  kifu.SetDisplayPly(-1);
  EXPECT_TRUE(kifu.SelectBranch(1, -1, true));
  EXPECT_EQ(log.Take(false), (Calls{"Get", "Begin", "Current 1", "Truncate 1", "Line 1", "Line 2", "Line 3", "Line 4",
                                    "End", "Current 3"}));

  kifu.EnableNotify(false);
  kifu.GoForward(kifu.Root(), -1);
  kifu.NotifyPly(2);
  EXPECT_TRUE(kifu.SetComment(1, "y"));
  EXPECT_EQ(log.Take(false), Calls{});
  kifu.EnableNotify(true);
  Calls rebuilt = wholeLine;
  rebuilt.push_back("Current 3");
  EXPECT_EQ(log.Take(false), rebuilt);

  ASSERT_NE(kifu.AddMove(4, KifuMoveIn(fourth->reachedNode->position, 9, 7, 9, 6), 0, nullptr, -1, MergeChooser()),
            nullptr);
  EXPECT_EQ(log.Take(false),
            (Calls{"Get", "Begin", "Current 4", "Truncate 4", "Line 4", "Line 5", "End", "Current 3"}));
  EXPECT_TRUE(kifu.DeleteBranch(4, 0));
  EXPECT_TRUE(kifu.SetAllConsumedTimes(3));
  EXPECT_TRUE(kifu.SelectMergeSource(2, 0, false));
  Calls threeRebuilds;
  for (int i = 0; i < 3; ++i) threeRebuilds.insert(threeRebuilds.end(), rebuilt.begin(), rebuilt.end());
  EXPECT_EQ(log.Take(false), threeRebuilds);

  EXPECT_TRUE(kifu.ClearMoves());
  kifu.Reset(HANDICAP_NONE);
  EXPECT_EQ(log.Take(false),
            (Calls{"Get", "Begin", "Current 0", "Truncate 0", "Line 0", "End", "Current 3", "Current 0", "Get", "Begin",
                   "Current 0", "Truncate 0", "Line 0", "End", "Current 0", "Current 0"}));
}
