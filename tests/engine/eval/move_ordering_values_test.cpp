// Ordering values of moves the opponent cannot answer by an exchange,
// against an independent model of the gains, for both sides in every stage.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "engine/board/move_generators.h"
#include "engine/eval/eval_params.h"
#include "engine/eval/game_stage.h"
#include "engine/eval/move_ordering.h"
#include "engine/eval/piece_square_table.h"
#include "support/generator_checks.h"
#include "support/root_worth_model.h"

namespace {

// Independent model of the ordering values of unexchanged moves, from the
// rule: the king-relative worth of the root tables (root_worth_model), the
// camp rule for rooks and bishops, the opening's piece-square gain, and the
// capture terms.
namespace model {

bool CampRule(int side, int type, int fromRank) {
  const bool inEnemyCamp = side == 0 ? fromRank <= 3 : fromRank >= 7;
  return (type == ROOK || type == BISHOP) && inEnemyCamp;
}

int CaptureHand(const Position& position, int side, PieceCode captured) {
  const int base = captured & 0x0f;
  return RootHandValue(base, position.hand[side][base - 1]);
}

int PositionalGain(const Position& position, int side, const MoveRecord& m) {
  const int type = m.pieceCode & 0x9f;
  int gain = 0;
  if (!CampRule(side, type, m.fromRank)) {
    const int newType = m.promote ? type + 16 : type;
    gain = ModelRootWorth(position, side, newType, m.toFile, m.toRank) -
           ModelRootWorth(position, side, type, m.fromFile, m.fromRank);
  }
  if (m.capturedCode != 0) {
    gain += ModelRootWorth(position, 1 - side, m.capturedCode & 0x9f, m.toFile, m.toRank) +
            CaptureHand(position, side, m.capturedCode);
  }
  return gain;
}

int Square(int type, int side, int file, int rank) {
  const int row = g_pieceSquareRow[type];
  return row < 0 ? 0 : g_activePieceSquareTable->At(row, side, file, rank);
}

int OpeningGain(const Position& position, int side, const MoveRecord& m) {
  const int type = m.pieceCode & 0x9f;
  const int* value = g_activeRootEvalTables->pieceValue;
  int gain = 0;
  if (!CampRule(side, type, m.fromRank)) {
    const int newType = m.promote ? type + 16 : type;
    gain = Square(newType, side, m.toFile, m.toRank) - Square(type, side, m.fromFile, m.fromRank) - value[type] +
           value[newType];
  }
  if (m.capturedCode != 0) {
    const int captured = m.capturedCode & 0x9f;
    gain += Square(captured, 1 - side, m.toFile, m.toRank) + value[captured] +
            CaptureHand(position, side, m.capturedCode);
  }
  return gain;
}

}  // namespace model

// Both sides to move, every stage: a board move onto a square the opponent
// does not attack is worth its piece-square gain once in the opening and
// twice its king-relative gain later; the gain itself follows the model for
// every board move, captures and promotions included.
TEST(ScoreCandidateMoves, UnexchangedMovesFollowTheGainModel) {
  static MoveRecord moves[MAX_GENERATED_MOVES];
  int sample = 0;
  int valued[2] = {0, 0};
  ForEachSamplePosition(SampleCount(300), 29, [&](Position& position) {
    const int stage = sample++ % GAME_STAGE_COUNT;
    SetUpUndecidedThink(position, stage);
    int count = 0;
    GenerateAllMoves(position, count, moves);
    if (count == 0) return;
    std::vector<CandidateMoveNode> nodes(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
      nodes[i] = {&moves[i], 0, {0, 0, 0}, i + 1 < count ? &nodes[i + 1] : nullptr, nullptr};
    }
    ScoreCandidateMoves(position, nodes.data());
    const int side = position.sideToMove;
    for (const CandidateMoveNode& node : nodes) {
      const MoveRecord& m = *node.move;
      if (m.IsDrop()) continue;
      const int type = m.pieceCode & 0x9f;
      ASSERT_EQ(MovePositionalGain(position, side, type, m.capturedCode, m.fromFile, m.fromRank, m.toFile, m.toRank,
                                   m.promote),
                model::PositionalGain(position, side, m))
          << "stage " << stage << " side " << side << " " << int{m.fromFile} << int{m.fromRank} << "-"
          << int{m.toFile} << int{m.toRank};
      if (position.attacks[9 * (m.toFile - 1) + m.toRank - 1].directCount[1 - side] > 0) continue;
      const int expected = stage == 0 ? model::OpeningGain(position, side, m)
                                      : 2 * model::PositionalGain(position, side, m);
      ASSERT_EQ(node.value, expected) << "stage " << stage << " side " << side << " " << int{m.fromFile}
                                      << int{m.fromRank} << "-" << int{m.toFile} << int{m.toRank};
      ++valued[side];
    }
  });
  EXPECT_GT(valued[0], 0);
  EXPECT_GT(valued[1], 0);
}

}  // namespace
