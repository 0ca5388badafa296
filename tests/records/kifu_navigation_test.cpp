// Moving through a record: branch and merge-source selection with the
// selected line kept consistent through a merged position, refusals off the
// line, promotion to the main line, plies renumbered by a deletion, and the
// calls that steps and edits make on the kifu list.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <utility>
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

  kifu.Root()->comment.Assign("start");
  EXPECT_TRUE(kifu.ClearMoves());
  EXPECT_STREQ(kifu.Root()->comment.Text(), "") << "the start's comment goes with the moves";
  EXPECT_EQ(kifu.Table()->Count(), 1);
  kifu.Reset(HANDICAP_NONE);
  EXPECT_EQ(log.Take(false),
            (Calls{"Get", "Begin", "Current 0", "Truncate 0", "Line 0", "End", "Current 3", "Current 0", "Get", "Begin",
                   "Current 0", "Truncate 0", "Line 0", "End", "Current 0", "Current 0"}));
}

// 1. 7六歩 2. 3四歩 3. 2六歩 4. 8四歩, an interruption at 5, 9六歩 at 6,
// with the unselected variation 2. 8四歩.
struct MarkedLine {
  Kifu kifu;
  KifuMoveNode* line[6];  // the root, then plies 1 to 4
  KifuMoveNode* afterMarker;
  KifuMoveNode* variation;
  MarkedLine() {
    line[0] = kifu.Root();
    KifuPositionNode* node = kifu.StartNode();
    const std::array<int, 4> squares[] = {{7, 7, 7, 6}, {3, 3, 3, 4}, {2, 7, 2, 6}, {8, 3, 8, 4}};
    for (int ply = 1; ply <= 4; ++ply) {
      line[ply] = KifuPlayLine(kifu, node, {squares[ply - 1]});
      node = line[ply]->reachedNode;
    }
    line[5] = node->AddMove(KifuMove(0, 0, 0, 0, 0, 0, 0, KifuMoveKind::Interruption), 0, nullptr, -1, kifu.Table(),
                            MergeChooser(), true);
    afterMarker = KifuPlayLine(kifu, line[5]->reachedNode, {{9, 7, 9, 6}});
    variation = line[1]->reachedNode->AddMove(KifuMoveIn(line[1]->reachedNode->position, 8, 3, 8, 4), 0, nullptr, -1,
                                              kifu.Table(), MergeChooser(), false);
  }
};

TEST(KifuNavigation, FindingPliesAndPreviousMoves) {
  MarkedLine m;
  Kifu& kifu = m.kifu;
  // {from ply, to ply, expected ply}; 9 is past the line's end (the
  // interruption at 5 and the move after it at 6).
  const std::array<int, 3> cases[] = {{0, -1, 0}, {2, 2, 2}, {4, 1, 1}, {0, 3, 3}, {0, 9, 6}, {1, 0, 0}, {6, 2, 2}};
  for (const auto& [from, ply, expected] : cases) {
    KifuMoveNode* start = from == 6 ? m.afterMarker : m.line[from];
    EXPECT_EQ(kifu.FindNodeAtPly(start, ply), expected == 6 ? m.afterMarker : m.line[expected]) << from << "->" << ply;
  }
  EXPECT_EQ(kifu.PreviousMoveAt(m.line[2], 0), m.line[1]);
  EXPECT_EQ(kifu.PreviousMoveAt(m.line[3], 5), m.line[2]) << "an index outside gives the selected one";
  EXPECT_EQ(kifu.PreviousMoveAt(m.variation, -1), m.line[1]);
  EXPECT_EQ(kifu.PreviousMoveAt(kifu.Root(), 0), kifu.Root());
  EXPECT_EQ(kifu.LineLength(), 6);
}

TEST(KifuNavigation, PerMoveDataAlongTheSelectedLine) {
  MarkedLine m;
  Kifu& kifu = m.kifu;
  EXPECT_TRUE(kifu.SetConsumedTime(m.line[3], 30));
  EXPECT_FALSE(kifu.SetConsumedTime(m.variation, 5));
  EXPECT_FALSE(kifu.SetConsumedTime(nullptr, 5));
  EXPECT_EQ(m.line[3]->consumedTime * 100 + m.variation->consumedTime, 3000);

  std::vector<KifuMoveNode*> moves(m.line + 1, m.line + 6);
  moves.push_back(m.afterMarker);
  moves.push_back(m.variation);
  const auto fill = [&] {
    for (KifuMoveNode* move : moves) {
      move->thinkResult.value = 7;
      move->thinkResult.predictedReply = 9;
      move->thinkResult.annotation = 1;
    }
  };
  // {side to clear} -> per move (plies 1-4, marker, after it, variation): cleared
  const std::pair<int, std::array<bool, 7>> sides[] = {{0, {true, false, true, false, false, false, false}},
                                                       {1, {false, true, false, true, false, false, false}}};
  for (const auto& [side, cleared] : sides) {
    fill();
    kifu.ClearSideEvaluations(side);
    for (size_t i = 0; i < moves.size(); ++i) {
      const ThinkResult& tr = moves[i]->thinkResult;
      EXPECT_EQ(tr.value * 10 + tr.predictedReply, cleared[i] ? 327670 : 79) << side << " " << i;
      EXPECT_EQ(tr.annotation, 1);
    }
  }
  fill();
  kifu.ResetLineThinkResults();
  for (size_t i = 0; i < moves.size(); ++i) {
    const bool ordinaryOnTheLine = i != 4 && i != 6;
    EXPECT_EQ(moves[i]->thinkResult.annotation, ordinaryOnTheLine ? 0 : 1) << i;
  }
}

TEST(KifuNavigation, HeaderNamesAndExtraPairs) {
  Kifu kifu;
  kifu.PlayerName(0).Assign("甲野");
  kifu.PlayerName(1).Assign("乙川");
  kifu.Date().Assign("2026/12/07");
  kifu.Title().Assign("題");
  kifu.Event().Assign("名人戦");
  const std::pair<const char*, const char*> named[] = {{"先手", "甲野"},  {"下手", "甲野"},         {"後手", "乙川"},
                                                       {"上手", "乙川"},  {"対局日", "2026/12/07"}, {"表題", "題"},
                                                       {"棋戦", "名人戦"}};
  for (const auto& [key, value] : named) EXPECT_STREQ(kifu.GetHeader(key), value) << key;
  EXPECT_EQ(kifu.GetHeader("場所"), nullptr);
  EXPECT_FALSE(kifu.SetHeader("", "x"));
  EXPECT_FALSE(kifu.SetHeader(nullptr, "x"));
  EXPECT_TRUE(kifu.SetHeader("場所", "東京"));
  EXPECT_TRUE(kifu.SetHeader("手合割", "平手"));
  EXPECT_TRUE(kifu.SetHeader("場所", "大阪"));
  EXPECT_STREQ(kifu.GetHeader("場所"), "大阪");
  EXPECT_STREQ(kifu.GetHeader("手合割"), "平手");
  EXPECT_EQ(kifu.ExtraHeaders().Count(), 4);
  EXPECT_EQ(kifu.GetHeader("大阪"), nullptr) << "values are no keys";
  kifu.ClearHeaders();
  for (const auto& [key, value] : named) EXPECT_STREQ(kifu.GetHeader(key), "") << key;
  EXPECT_EQ(kifu.ExtraHeaders().Count(), 0);
  EXPECT_EQ(kifu.GetHeader("場所"), nullptr);
}
