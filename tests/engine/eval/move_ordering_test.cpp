// Move-ordering values and the candidate sort: the sort as a stable,
// descending permutation with sound links; scoring over random positions
// of every stage (position untouched, quiet moves at twice their gain
// outside the opening, a move's gain undone by its reverse).
#include "engine/eval/move_ordering.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <vector>

#include "engine/board/move_generators.h"
#include "engine/eval/eval_params.h"
#include "engine/eval/eval_setup.h"
#include "support/generator_checks.h"
#include "support/playout.h"

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

// Every stage over random positions, the tables built for the position.
TEST(ScoreCandidateMoves, PropertiesOverRandomPositions) {
  static MoveRecord moves[MAX_GENERATED_MOVES];
  int checked = 0;
  ForEachSamplePosition(SampleCount(600), 11, [&](Position& position) {
    const SenkeiId pair[2] = {0, 0};
    const GameStage stage = checked++ % GAME_STAGE_COUNT;
    g_gameStage = stage;
    InitEvalParams(position, pair);
    InitEvalTables(position, stage, pair);
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
      if (m.IsDrop() || position.AttackCount(1 - side, m.toFile, m.toRank) > 0) continue;
      const int type = TypeOf(m.pieceCode);
      const int gain = MovePositionalGain(position, side, type, m.capturedCode, m.fromFile, m.fromRank, m.toFile,
                                          m.toRank, m.promote);
      if (stage != STAGE_OPENING) {
        ASSERT_EQ(node.value, 2 * gain);
      }
      const bool campRule =
          (type == ROOK || type == BISHOP) && (IsPromotionZone(side, m.fromRank) || IsPromotionZone(side, m.toRank));
      if (m.IsCapture() || m.promote || campRule) continue;
      ASSERT_EQ(gain + MovePositionalGain(position, side, type, 0, m.toFile, m.toRank, m.fromFile, m.fromRank, 0), 0)
          << "a quiet move and its reverse";
    }
  });
}

}  // namespace
