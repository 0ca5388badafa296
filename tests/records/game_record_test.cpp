// The record holder: repetition with the continuous-check rule and the side
// to move, the clock's states, and grafting another record's line.
#include "records/game_record.h"

#include <gtest/gtest.h>

#include <array>
#include <tuple>
#include <utility>
#include <vector>

#include "support/kifu_builder.h"
#include "support/kifu_graph_checks.h"

namespace {

// Adds a move (or marker) after the current node, selected, and makes it current.
void Add(GameRecord& game, const KifuMove& move, int seconds = 0) {
  game.currentNode = game.currentNode->reachedNode->AddMove(move, seconds, nullptr, -1, game.record->Table(),
                                                            MergeChooser::None(), true);
  ASSERT_NE(game.currentNode, nullptr);
  *game.currentPosition = game.currentNode->reachedNode->position;
}

// Plays moves given as squares (5958 = 5九 to 5八).
void Play(GameRecord& game, const std::vector<int>& moves) {
  for (int s : moves) Add(game, KifuMoveIn(*game.currentPosition, s / 1000, s / 100 % 10, s / 10 % 10, s % 10));
}

// The symmetric start board comes back every five plies with the other side
// to move (a king walks a triangle): both share the key, but only the same
// side to move counts. A marker midway is stepped over, not counted again.
TEST(GameRecordRepetition, FourOccurrencesWithTheSameSideToMoveMarkersSteppedOver) {
  GameRecord game;
  for (int cycle = 1; cycle <= 6; ++cycle) {
    Play(game, cycle % 2 ? std::vector<int>{5958, 5152, 5848, 5251, 4859} : std::vector<int>{5152, 5958, 5242, 5859, 4251});
    if (cycle == 4) Add(game, KifuMove(0, 0, 0, 0, 0, 0, 0, KifuMoveKind::Interruption));
    EXPECT_EQ(game.CheckRepetition(), cycle == 6 ? 9 : 0) << cycle;  // at 4: three occurrences
  }
}

// A rook checks from 5三 and 4三 in turn while the king steps between 5九
// and 4九 (10); seen from the other chair it is the first player's check
// (11); with the check broken once, a plain repetition (9).
TEST(GameRecordRepetition, ContinuousCheckByEitherSide) {
  const KifuPosition checked = BuildKifuPosition(
      {{5, 9, KIFU_KING}, {1, 1, KIFU_KING + KIFU_SECOND_PLAYER_BIT}, {5, 3, KIFU_ROOK + KIFU_SECOND_PLAYER_BIT}}, 0);
  const std::tuple<bool, std::vector<int>, int> cases[] = {{false, {5949, 5343, 4959, 4353}, 10},
                                                          {true, {5161, 5767, 6151, 6757}, 11},
                                                          {false, {5949, 5363, 4959, 6353}, 9}};
  for (const auto& [turned, firstCycle, expected] : cases) {
    GameRecord game;
    *game.currentPosition = turned ? KifuTurned(checked) : checked;
    ASSERT_TRUE(game.record->SetStartPosition(*game.currentPosition));
    Play(game, firstCycle);
    for (int round = 0; round < 2; ++round) Play(game, expected == 11 ? firstCycle : std::vector<int>{5949, 5343, 4959, 4353});
    EXPECT_EQ(game.CheckRepetition(), expected);
  }
}

TEST(KifuClock, InitAndTheStateMachine) {
  // {main, byoyomi, periods, move} -> {main time, state, remaining, periods left}
  const std::pair<std::array<int, 4>, std::array<int, 4>> cases[] = {
      {{0, 0, 0, 0}, {-1, 0, 0, 0}},      {{0, 30, 0, 0}, {0, 3, 0, 0}},      {{600, 30, 10, 0}, {600, 2, 600, 10}},
      {{600, 30, 10, 650}, {600, 3, 20, 9}}, {{0, 30, 10, 30}, {0, 3, 30, 10}}, {{0, 30, 10, 31}, {0, 3, 1, 9}},
      {{0, 30, 10, 90}, {0, 3, 60, 9}},    {{0, 30, 10, 91}, {0, 3, 1, 8}},     {{0, 0, 0, 70}, {-1, 0, 70, 0}},
      {{600, 30, 10, 600}, {600, 2, 0, 10}}};  // the main time used to the second is still main time
  for (const auto& [given, expected] : cases) {
    KifuClock clock;
    clock.Init(given[0], given[1], given[2]);
    if (given[3] > 0) clock.Spend(given[3]);
    EXPECT_EQ((std::array<int, 4>{clock.mainTime, clock.state, clock.remaining, clock.periodsLeft}), expected);
  }
  // A state the machine does not know only takes the move's time as the last.
  KifuClock unknown;
  unknown.Init(600, 30, 10);
  unknown.state = 4;
  unknown.Spend(45);
  EXPECT_EQ((std::array<int, 4>{unknown.state, unknown.remaining, unknown.periodsLeft, unknown.lastMove}),
            (std::array<int, 4>{4, 600, 10, 45}));
}

// The line to the current node runs through a variation that is not
// selected, and a move follows the current node: neither the selected
// moves nor the later one are charged. First player 500, 150, 25 s;
// second player 40, 25 s. Clocks left in any state start over.
TEST(GameRecordClocks, ReplayChargesTheLineToTheCurrentNodeInOrder) {
  GameRecord game;
  Add(game, KifuMoveIn(*game.currentPosition, 7, 7, 7, 6), 500);
  Add(game, KifuMoveIn(*game.currentPosition, 3, 3, 3, 4), 40);
  KifuPositionNode* branchPoint = game.currentNode->reachedNode;
  Add(game, KifuMoveIn(*game.currentPosition, 2, 7, 2, 6), 150);
  Add(game, KifuMoveIn(*game.currentPosition, 8, 3, 8, 4), 25);
  Add(game, KifuMoveIn(*game.currentPosition, 2, 6, 2, 5), 25);
  KifuMoveNode* current = game.currentNode;
  Add(game, KifuMoveIn(*game.currentPosition, 8, 4, 8, 5), 999);
  ASSERT_NE(branchPoint->AddMove(KifuMoveIn(branchPoint->position, 9, 7, 9, 6), 1000, nullptr, 0, game.record->Table(),
                                 MergeChooser::None(), true),
            nullptr);
  game.currentNode = current;
  *game.currentPosition = current->reachedNode->position;

  using Fields = std::array<int, 7>;  // main, byoyomi, periods, last move, state, remaining, periods left
  const struct {
    std::array<int, 3> first, second;
    Fields firstAfter, secondAfter;
  } cases[] = {
      // 600 - 500 = 100; 150 spends it and 50 in byoyomi, 20 past the 30 s:
      // one period, 20 used in it; then 25 within the byoyomi. The
      // unlimited clock counts 40 + 25 up.
      {{600, 30, 10}, {0, 0, 0}, {600, 30, 10, 25, 3, 25, 9}, {-1, 0, 0, 25, 0, 65, 0}},
      // Byoyomi only: 500 draws eight periods of the two (470 past the
      // byoyomi), 150 two more, none left; 25 within. 55 - 40 = 15, then 25
      // spends it and 10 of the byoyomi.
      {{0, 30, 2}, {55, 10, 1}, {0, 30, 2, 25, 3, 25, 0}, {55, 10, 1, 10, 3, 10, 1}},
  };
  for (const auto& c : cases) {
    KifuClock clocks[2];
    clocks[0].Init(c.first[0], c.first[1], c.first[2]);
    clocks[1].Init(c.second[0], c.second[1], c.second[2]);
    for (KifuClock& clock : clocks) clock.Spend(700);  // left mid-game
    if (clocks[1].state == CLOCK_UNLIMITED) clocks[1].state = CLOCK_UNLIMITED_OLD;
    game.ReplayClocks(clocks);
    for (int side = 0; side < 2; ++side) {
      const KifuClock& k = clocks[side];
      EXPECT_EQ((Fields{k.mainTime, k.byoyomi, k.periods, k.lastMove, k.state, k.remaining, k.periodsLeft}),
                side == 0 ? c.firstAfter : c.secondAfter)
          << side;
    }
  }
}

// Every comment goes, the start's and a merged move's (no walk from the
// start arrives by it) included; the flag is the document's to set.
TEST(GameRecordComments, ClearingReachesEveryMove) {
  GameRecord game;
  Kifu& kifu = *game.record;
  KifuPlayLine(kifu, kifu.StartNode(), {{7, 7, 7, 6}, {3, 3, 3, 4}, {2, 7, 2, 6}, {8, 3, 8, 4}});
  KifuMoveNode* merging = KifuPlayLine(kifu, kifu.StartNode(), {{2, 7, 2, 6}, {3, 3, 3, 4}, {7, 7, 7, 6}});
  ASSERT_EQ(merging->reachedNode->incoming.IndexOf(merging), 1);
  std::vector<KifuMoveNode*> moves{kifu.Root()};
  for (KifuPositionNode* node : KifuReachableNodes(kifu)) {
    for (int i = 0; i < node->outgoing.Count(); ++i) moves.push_back(node->outgoing.At(i));
  }
  ASSERT_EQ(moves.size(), 8u);
  for (KifuMoveNode* move : moves) move->comment.Assign("注");
  game.ClearComments();
  for (KifuMoveNode* move : moves) EXPECT_STREQ(move->comment.Text(), "") << move->Ply();
  EXPECT_EQ(game.modified, 0);
}

TEST(GameRecordMergeLine, AddsTheOtherLineOrNothing) {
  GameRecord game, other;
  Play(game, {7776});
  Play(other, {7776, 3334, 2726, 8384});
  game.Reset(HANDICAP_NONE);  // a fresh start: current node the root, nothing else
  EXPECT_TRUE(game.currentNode == game.record->Root() && *game.currentPosition == KifuStartPosition());
  Play(game, {7776});
  game.currentNode = game.record->Root();
  const int nodesBefore = ExpectKifuGraphValid(*game.record);
  // A position of the other line that its moves don't lead to: nothing is added.
  KifuPieceCode& square = other.currentNode->leftNode->position.board[KifuPosition::SquareIndex(5, 5)];
  square = KIFU_GOLD;
  EXPECT_FALSE(game.MergeLine(other.record->Root(), true));
  EXPECT_EQ(ExpectKifuGraphValid(*game.record), nodesBefore);
  square = 0;
  // The line follows the existing 7六歩 and continues it, selected.
  ASSERT_TRUE(game.MergeLine(other.record->Root(), true));
  EXPECT_EQ(ExpectKifuGraphValid(*game.record), nodesBefore + 3);
  EXPECT_TRUE(game.record->MoveAtPly(4)->reachedNode->position == other.currentNode->reachedNode->position);
  game.currentNode = game.record->MoveAtPly(1);  // the other line doesn't start here
  EXPECT_FALSE(game.MergeLine(other.record->Root(), false));
}

}  // namespace
