// Move-ordering values and the candidate sort: the sort as a stable,
// descending permutation with sound links; scoring over random positions
// of every stage (position untouched, quiet moves at twice their gain
// outside the opening, a move's gain undone by its reverse); the opening
// examples the values are known by.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/board/move_generators.h"
#include "engine/eval/eval_params.h"
#include "engine/eval/eval_setup.h"
#include "engine/eval/move_ordering.h"
#include "engine/eval/piece_square_table.h"
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
    const std::vector<int> order = SortedOrder(SortMoveListByValue(nodes.data()), nodes);
    ASSERT_EQ(static_cast<int>(order.size()), count);
    std::vector<bool> seen(static_cast<size_t>(count));
    for (size_t i = 0; i < order.size(); ++i) {
      ASSERT_FALSE(seen[order[i]]);
      seen[order[i]] = true;
      if (i == 0) continue;
      const CandidateMoveNode &before = nodes[order[i - 1]], &after = nodes[order[i]];
      ASSERT_GE(before.value, after.value);
      if (before.value == after.value) {
        ASSERT_LT(order[i - 1], order[i]) << "equal values keep their order";
      }
    }
    ASSERT_EQ(SortedOrder(SortMoveListByValue(&nodes[order[0]]), nodes), order) << "sorting twice";
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
      const bool campRule = (type == ROOK || type == BISHOP) &&
                            (IsPromotionZone(side, m.fromRank) || IsPromotionZone(side, m.toRank));
      if (m.IsCapture() || m.promote || campRule) continue;
      ASSERT_EQ(gain + MovePositionalGain(position, side, type, 0, m.toFile, m.toRank, m.fromFile, m.fromRank, 0), 0)
          << "a quiet move and its reverse";
    }
  });
}

// The opening values: a rook leaving the enemy camp is worth 0; a capture
// on an unattacked square is worth the piece's value, its square value for
// its owner and its value in the capturer's hand.
TEST(ScoreCandidateMoves, OpeningExamples) {
  const Position position = BuildPosition(0, {{0, KING, 5, 9}, {1, KING, 5, 1}, {0, ROOK, 2, 3}, {1, GOLD, 2, 5},
                                               {0, SILVER, 7, 7}, {1, PAWN, 7, 6}});
  const SenkeiId pair[2] = {1, 1};
  g_gameStage = STAGE_OPENING;
  InitEvalParams(position, pair);
  InitEvalTables(position, STAGE_OPENING, pair);
  const auto id = [&](int file, int rank) { return static_cast<PieceId>(position.PieceIdAt(file, rank)); };
  MoveRecord moves[3];
  moves[0].Set(2, 3, 3, 3, 2, static_cast<PieceCode>(OwnerBit(0) | ROOK), EMPTY_PIECE_ID, 0, 0);
  moves[1].Set(2, 3, 2, 5, 2, static_cast<PieceCode>(OwnerBit(0) | ROOK), id(2, 5),
               position.PieceCodeAt(2, 5), 0);
  moves[2].Set(7, 7, 7, 6, id(7, 7), position.PieceCodeAt(7, 7), id(7, 6),
               position.PieceCodeAt(7, 6), 0);
  std::vector<CandidateMoveNode> nodes = Candidates(moves, 3);
  ScoreCandidateMoves(position, nodes.data());
  EXPECT_EQ(nodes[0].value, 0);
  const auto captureWorth = [&](int type, int file, int rank) {
    return *TableEntry(g_activePieceSquareTable, 1, static_cast<PieceCode>(type), file, rank) +
           g_activeRootEvalTables->pieceValue[type] + RootHandValue(type, 0);
  };
  EXPECT_EQ(nodes[1].value, captureWorth(GOLD, 2, 5));
  const auto square = [&](int file, int rank) {
    return *TableEntry(g_activePieceSquareTable, 0, SILVER, file, rank);
  };
  EXPECT_EQ(nodes[2].value, square(7, 6) - square(7, 7) + captureWorth(PAWN, 7, 6));
}

}  // namespace
