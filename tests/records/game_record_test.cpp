// The record holder: repetition with the continuous-check rule and the side
// to move, the clock replay against sums of the consumed times, and
// grafting another record's line.
#include "records/game_record.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

#include "support/kifu_builder.h"
#include "support/kifu_graph_checks.h"

namespace {

constexpr int SECOND = KIFU_SECOND_PLAYER_BIT;

// Plays moves given as file-rank pairs (5958 = 5九 to 5八) after the current
// node, selected, and makes the last one current.
void Play(GameRecord& game, const std::vector<int>& moves, int seconds = 0) {
  for (int squares : moves) {
    KifuPositionNode* here = game.currentNode->reachedNode;
    const KifuMove move = KifuMoveIn(here->position, squares / 1000, squares / 100 % 10, squares / 10 % 10, squares % 10);
    game.currentNode = here->AddMove(move, seconds, nullptr, -1, game.record->Table(), MergeChooser::None(), true);
    ASSERT_NE(game.currentNode, nullptr) << squares;
    *game.currentPosition = game.currentNode->reachedNode->position;
  }
}

void StartFrom(GameRecord& game, const KifuPosition& start) {
  ASSERT_TRUE(game.record->SetStartPosition(start));
  *game.currentPosition = start;
}

TEST(GameRecordRepetition, FourOccurrencesWithTheSameSideToMove) {
  GameRecord game;
  for (int cycle = 1; cycle <= 3; ++cycle) {
    Play(game, {5958, 5152, 5859, 5251});
    EXPECT_EQ(game.CheckRepetition(), cycle == 3 ? 9 : 0) << cycle;  // three occurrences are no repetition
  }
  // A marker is no move: the position before it is not another occurrence.
  GameRecord marked;
  Play(marked, {5958, 5152, 5859, 5251, 5958, 5152, 5859, 5251});
  KifuPositionNode* last = marked.currentNode->reachedNode;
  marked.currentNode = last->AddMove(KifuMove(0, 0, 0, 0, 0, 0, 0, KifuMoveKind::Interruption), 0, nullptr, -1,
                                     marked.record->Table(), MergeChooser::None(), true);
  ASSERT_NE(marked.currentNode, nullptr);
  EXPECT_EQ(marked.CheckRepetition(), 0);
  // The symmetric start board comes back every five plies with the other side
  // to move (the first king walks a triangle): both share the key, yet only
  // the same side to move counts.
  GameRecord turned;
  for (int cycle = 1; cycle <= 6; ++cycle) {
    Play(turned, cycle % 2 ? std::vector<int>{5958, 5152, 5848, 5251, 4859}
                           : std::vector<int>{5152, 5958, 5242, 5859, 4251});
    EXPECT_EQ(turned.CheckRepetition(), cycle == 6 ? 9 : 0) << cycle;
  }
}

// A rook checks from 5三 and 4三 in turn while the king steps between 5九
// and 4九; the same seen from the other chair is the first player's check.
TEST(GameRecordRepetition, ContinuousCheckByEitherSide) {
  const KifuPosition checked = BuildKifuPosition({{5, 9, KIFU_KING}, {1, 1, KIFU_KING + SECOND}, {5, 3, KIFU_ROOK + SECOND}}, 0);
  for (bool turned : {false, true}) {
    GameRecord game;
    StartFrom(game, turned ? KifuTurned(checked) : checked);
    const std::vector<int> cycle =
        turned ? std::vector<int>{5161, 5767, 6151, 6757} : std::vector<int>{5949, 5343, 4959, 4353};
    for (int round = 0; round < 3; ++round) Play(game, cycle);
    EXPECT_EQ(game.CheckRepetition(), turned ? 11 : 10);
  }
  // The check broken once: the rook steps aside to 6三 and back in the first cycle.
  GameRecord broken;
  StartFrom(broken, checked);
  Play(broken, {5949, 5363, 4959, 6353});
  for (int round = 0; round < 2; ++round) Play(broken, {5949, 5343, 4959, 4353});
  EXPECT_EQ(broken.CheckRepetition(), 9);
}

TEST(KifuClock, InitAndTheStateMachine) {
  KifuClock clock;
  clock.Init(0, 0, 0);
  EXPECT_EQ(clock.mainTime * 10 + clock.state, -10);
  clock.Init(0, 30, 0);
  EXPECT_EQ(clock.state * 10 + clock.remaining, 30);
  clock.Init(600, 30, 10);
  EXPECT_EQ(clock.state * 1000 + clock.remaining, 2600);
  clock.Spend(650);  // 50 past the main time: 20 beyond the byoyomi takes a period
  EXPECT_EQ(clock.state * 1000 + clock.periodsLeft * 100 + clock.remaining, 3920);
  for (const auto& [seconds, periodsUsed] : {std::pair{30, 0}, {31, 1}, {91, 2}}) {
    clock.Init(0, 30, 10);
    clock.Spend(seconds);
    EXPECT_EQ(clock.periodsLeft, 10 - periodsUsed) << seconds;
  }
}

// The clock of a side from the sums of its consumed times alone: main time
// spent first, then per move what goes beyond the byoyomi in started minutes.
KifuClock ExpectedClock(const KifuClock& setUp, const std::vector<int>& times) {
  KifuClock clock = setUp;
  int total = 0, periodsUsed = 0, lastRest = 0;
  for (int seconds : times) {
    const int before = total;
    total += seconds;
    if (clock.state == CLOCK_UNLIMITED || (clock.mainTime > 0 && total <= clock.mainTime)) continue;
    lastRest = before >= clock.mainTime ? seconds : total - clock.mainTime;
    periodsUsed += (std::max(lastRest - clock.byoyomi, 0) + 59) / 60;
  }
  if (clock.state == CLOCK_UNLIMITED) {
    clock.remaining = total;
  } else if (clock.mainTime > 0 && total <= clock.mainTime) {
    clock.remaining = clock.mainTime - total;
  } else {
    clock.state = CLOCK_BYOYOMI;
    const int over = lastRest - clock.byoyomi;
    clock.remaining = over <= 0 ? lastRest : over - 60 * ((over + 59) / 60 - 1);
    clock.periodsLeft = std::max(clock.periods - periodsUsed, 0);
  }
  return clock;
}

TEST(GameRecordClocks, ReplayAgreesWithTheSumsOfEachSidesTimesAlongARandomGame) {
  GameRecord game;
  KifuPosition position = KifuStartPosition();
  std::mt19937 random(11);
  std::vector<int> times[2];
  for (const KifuMove& move : KifuRandomPlayout(position, 200, 5)) {
    KifuPositionNode* here = game.currentNode->reachedNode;
    const int seconds = static_cast<int>(random() % 40 == 0 ? random() % 400 : random() % 45);
    game.currentNode = here->AddMove(move, seconds, nullptr, -1, game.record->Table(), MergeChooser::None(), true);
    ASSERT_NE(game.currentNode, nullptr);
    times[move.piece.Side()].push_back(seconds);
    for (const auto& [main, byoyomi, periods] : {std::tuple{0, 0, 0}, {900, 30, 5}, {0, 20, 40}, {120, 0, 3}}) {
      KifuClock setUp, clocks[2];
      setUp.Init(main, byoyomi, periods);
      clocks[0] = clocks[1] = setUp;
      game.ReplayClocks(clocks);
      for (int side : {0, 1}) {
        const KifuClock expected = ExpectedClock(setUp, times[side]);
        EXPECT_EQ(std::tuple(clocks[side].state, clocks[side].periodsLeft, clocks[side].remaining),
                  std::tuple(expected.state, expected.periodsLeft, expected.remaining))
            << "ply " << times[0].size() + times[1].size() << " side " << side << " main " << main;
      }
    }
  }
}

TEST(GameRecordMergeLine, AddsTheOtherLineOrNothing) {
  GameRecord game, other;
  Play(game, {7776});
  Play(other, {7776, 3334, 2726, 8384});
  game.currentNode = game.record->Root();
  const int nodesBefore = ExpectKifuGraphValid(*game.record);
  // A position of the other line that its moves don't lead to: nothing is added.
  KifuPositionNode* afterThree = other.currentNode->leftNode;
  afterThree->position.board[KifuPosition::SquareIndex(5, 5)] = KIFU_GOLD;
  EXPECT_FALSE(game.MergeLine(other.record->Root(), true));
  EXPECT_EQ(ExpectKifuGraphValid(*game.record), nodesBefore);
  afterThree->position.board[KifuPosition::SquareIndex(5, 5)] = 0;
  // The line grafts onto the existing 7六歩 and continues it, selected.
  ASSERT_TRUE(game.MergeLine(other.record->Root(), true));
  EXPECT_EQ(ExpectKifuGraphValid(*game.record), nodesBefore + 3);
  EXPECT_TRUE(game.record->MoveAtPly(4) != nullptr && game.record->MoveAtPly(4)->reachedNode->position ==
                                                            other.currentNode->reachedNode->position);
  // From a position the other line doesn't start at: false.
  game.currentNode = game.record->MoveAtPly(1);
  EXPECT_FALSE(game.MergeLine(other.record->Root(), false));
}

TEST(GameRecord, ResetStartsTheHandicapGameAfresh) {
  GameRecord game;
  Play(game, {7776});
  game.modified = 1;
  game.title.Assign("x");
  game.Reset(HANDICAP_TWO_PIECES);
  EXPECT_TRUE(game.currentNode == game.record->Root() && *game.currentPosition == KifuStartPosition(HANDICAP_TWO_PIECES));
  EXPECT_TRUE(game.modified == 0 && game.title.IsEmpty() && game.record->StartNode()->outgoing.Count() == 0);
}

}  // namespace
