// Move-ordering values and the candidate sort: the sort as a stable,
// descending permutation with sound links; scoring over random positions
// of every stage (position untouched, a move's gain undone by its reverse),
// and the capture and camp rules on diagrams.
#include "engine/eval/move_ordering.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <vector>

#include "engine/board/move_generators.h"
#include "engine/eval/game_stage.h"
#include "support/generator_checks.h"
#include "support/playout.h"
#include "support/position_builder.h"

namespace {

// Nodes for the moves, linked in array order.
std::vector<CandidateMoveNode> Candidates(MoveRecord* moves, int count) {
  std::vector<CandidateMoveNode> nodes(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    nodes[i] = {&moves[i], 0, {0, 0, 0}, i + 1 < count ? &nodes[i + 1] : nullptr, i > 0 ? &nodes[i - 1] : nullptr};
  }
  return nodes;
}

// The order of the sorted list as indexes into nodes, with every link checked.
std::vector<int> SortedOrder(CandidateMoveNode* head, const std::vector<CandidateMoveNode>& nodes) {
  std::vector<int> order;
  const CandidateMoveNode* previous = nullptr;
  for (const CandidateMoveNode* node = head; node != nullptr; node = node->next) {
    EXPECT_EQ(node->prev, previous);
    if (order.size() > nodes.size()) break;  // a cycle
    order.push_back(static_cast<int>(node - nodes.data()));
    previous = node;
  }
  return order;
}

TEST(SortMoveListByValue, StableDescendingPermutation) {
  EXPECT_EQ(SortMoveListByValue(nullptr), nullptr);
  PlayoutRandom random{7};
  for (int run = 0; run < SampleCount(400); ++run) {
    const int count = run == 0 ? 3000 : random.Below(run % 10 == 0 ? 700 : 40) + 1;
    std::vector<MoveRecord> moves(static_cast<size_t>(count));
    std::vector<CandidateMoveNode> nodes = Candidates(moves.data(), count);
    const int spread = random.Below(3) == 0 ? 3 : 1000;  // many ties, or few
    for (CandidateMoveNode& node : nodes) node.value = random.Below(spread) - spread / 2;
    // std::stable_sort as the independent truth of a stable descending order.
    std::vector<int> expected(static_cast<size_t>(count));
    std::iota(expected.begin(), expected.end(), 0);
    std::stable_sort(expected.begin(), expected.end(), [&](int a, int b) { return nodes[a].value > nodes[b].value; });
    ASSERT_EQ(SortedOrder(SortMoveListByValue(nodes.data()), nodes), expected);
    ASSERT_EQ(SortedOrder(SortMoveListByValue(&nodes[expected[0]]), nodes), expected) << "sorting twice";
  }
}

// Every stage over random positions: scoring leaves the position alone, and
// a quiet move's positional gain is undone by the move back.
TEST(ScoreCandidateMoves, LeavesThePositionAndQuietGainsAreUndoneByTheReverse) {
  static MoveRecord moves[MAX_GENERATED_MOVES];
  int checked = 0;
  ForEachSamplePosition(SampleCount(600), 11, [&](Position& position) {
    SetUpUndecidedThink(position, checked++ % GAME_STAGE_COUNT);
    int count = 0;
    GenerateAllMoves(position, count, moves);
    if (count == 0) return;
    std::vector<CandidateMoveNode> nodes = Candidates(moves, count);
    static Position before;
    std::memcpy(&before, &position, sizeof position);
    ScoreCandidateMoves(position, nodes.data());
    ASSERT_EQ(std::memcmp(&before, &position, sizeof position), 0) << "scoring changed the position";
    const int side = position.sideToMove;
    for (const CandidateMoveNode& node : nodes) {
      const MoveRecord& m = *node.move;
      const int type = TypeOf(m.pieceCode);
      const bool campRule =
          (type == ROOK || type == BISHOP) && (IsPromotionZone(side, m.fromRank) || IsPromotionZone(side, m.toRank));
      if (m.IsDrop() || m.IsCapture() || m.promote || campRule) continue;
      const int gain = MovePositionalGain(position, side, type, 0, m.fromFile, m.fromRank, m.toFile, m.toRank, 0);
      ASSERT_EQ(gain + MovePositionalGain(position, side, type, 0, m.toFile, m.toRank, m.fromFile, m.fromRank, 0), 0)
          << "a quiet move and its reverse";
    }
  });
}

// One move's value in a diagram: side 0 to move, enemy king far away.
int ValueOf(int stage, std::vector<PlacedPiece> pieces, int fromFile, int fromRank, int toFile, int toRank) {
  pieces.insert(pieces.end(), {{0, KING, 9, 9}, {1, KING, 1, 1}});
  const Position position = BuildPosition(0, pieces);
  SetUpUndecidedThink(position, stage);
  MoveRecord move = MoveOn(position, fromFile, fromRank, toFile, toRank);
  std::vector<CandidateMoveNode> nodes = Candidates(&move, 1);
  ScoreCandidateMoves(position, nodes.data());
  return nodes[0].value;
}

// Taking a loose silver on an unattacked square is worth more than stepping
// to the empty square, in every stage.
TEST(ScoreCandidateMoves, LooseCapturesGainInEveryStage) {
  for (int stage = 0; stage < GAME_STAGE_COUNT; ++stage) {
    const int capture = ValueOf(stage, {{0, GOLD, 5, 5}, {1, SILVER, 5, 4}}, 5, 5, 5, 4);
    const int step = ValueOf(stage, {{0, GOLD, 5, 5}}, 5, 5, 5, 4);
    EXPECT_GT(capture, step + 200) << "stage " << stage;
  }
}

// An unpromoted rook or bishop leaving the enemy camp counts nothing, even
// when it promotes; from outside the camp the promotion is worth its value.
TEST(MovePositionalGain, RookAndBishopLeavingTheEnemyCampCountNothing) {
  const Position position = BuildPosition(0, {{0, KING, 9, 9}, {1, KING, 1, 1}, {0, ROOK, 5, 2}, {0, BISHOP, 7, 3},
                                              {1, ROOK, 5, 8}, {1, BISHOP, 3, 7}});
  for (int stage = 0; stage < GAME_STAGE_COUNT; ++stage) {
    SetUpUndecidedThink(position, stage);
    EXPECT_EQ(MovePositionalGain(position, 0, ROOK, 0, 5, 2, 5, 5, 1), 0) << "stage " << stage;
    EXPECT_EQ(MovePositionalGain(position, 0, BISHOP, 0, 7, 3, 4, 6, 1), 0) << "stage " << stage;
    EXPECT_EQ(MovePositionalGain(position, 1, ROOK, 0, 5, 8, 5, 5, 1), 0) << "stage " << stage;
    EXPECT_EQ(MovePositionalGain(position, 1, BISHOP, 0, 3, 7, 6, 4, 1), 0) << "stage " << stage;
    EXPECT_GT(MovePositionalGain(position, 0, ROOK, 0, 5, 5, 5, 2, 1), 0) << "stage " << stage;
    EXPECT_GT(MovePositionalGain(position, 1, BISHOP, 0, 6, 4, 3, 7, 1), 0) << "stage " << stage;
  }
  // The opening's ordering value of a quiet move out of the camp is 0 too.
  EXPECT_EQ(ValueOf(0, {{0, ROOK, 5, 2}}, 5, 2, 5, 6), 0);
  EXPECT_EQ(ValueOf(0, {{0, BISHOP, 7, 3}}, 7, 3, 4, 6), 0);
}

}  // namespace
