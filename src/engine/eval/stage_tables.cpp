// The stage part of the root tables: hand values and their running sums,
// piece values and the king-relative blocks of the stage, corrected for a
// king in a back corner and for a well-covered king; the root line weights;
// and the lookups of values in these tables.
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "engine/board/root_move_classification.h"
#include "engine/eval/eval_params.h"
#include "engine/eval/eval_params_tables.h"
#include "engine/eval/piece_square_table.h"

namespace {

using namespace eval_tables;

// King-relative row of a type (code & 0x9f): gold and promoted minors 0,
// silver 1, knight 2, lance 3, pawn 4, horse 5; -1 for rook, bishop, king
// and dragon, which are valued by type alone.
constexpr int kKingRowOfType[TYPE_TABLE_SIZE] = {
    -1, -1, -1, 0, 1, 2, 3, 4, -1,         // 0-8
    -1, -1, -1, -1, -1, -1, -1, -1,        // 9-16
    -1, 5, -1, 0, 0, 0, 0,                 // dragon, horse, 19, promoted minors
};
constexpr int ROW_HORSE_BLOCK = 5, ROW_GOLD_BLOCK = 0, ROW_SILVER_BLOCK = 1, ROW_PAWN_BLOCK = 4;

constexpr int kStageRookValue[GAME_STAGE_COUNT] = {830, 680, 500};
constexpr int ENDGAME_BISHOP_DISCOUNT = 100;

// Shelter weights by rank step (2 behind .. 4 ahead) and |file offset| 0-2.
constexpr double kShelterWeight[7][3] = {
    {0.5, 0.5, 0.5}, {0.8, 0.8, 0.7},   {1.0, 0.9, 0.8},    {1.0, 1.0, 0.85},
    {0.8, 0.8, 0.7}, {0.75, 0.72, 0.65}, {0.68, 0.65, 0.6},
};
// How much an own piece on a shelter square covers, by type (code & 0x9f).
constexpr double kShelterKindFactor[TYPE_TABLE_SIZE] = {
    0, 1, 1, 3, 3, 1, 1, 1, 0,  // 0-8: rook, bishop 1; gold, silver 3; king 0
    0, 0, 0, 0, 0, 0, 0, 0,     // 9-16
    2, 3, 0, 3, 3, 3, 3,        // dragon 2, horse 3, promoted minors 3
};

bool OnBoardPiece(const PieceListEntry& entry) { return entry.file >= 1; }

void BuildStageHandValues(GameStage stage, RootEvalTables* tables) {
  std::memcpy(tables->handValue, kStageHandValue[stage], sizeof tables->handValue);
  for (int kind = 0; kind < ROOT_HAND_KINDS; ++kind) {
    int sum = 0;
    for (int n = 0; n < HAND_ORDINAL_COUNT; ++n) {
      sum += tables->handValue[kind][n];
      tables->handValueSum[kind][n] = sum;
    }
  }
}

void BuildStageKingBlocks(GameStage stage, RootEvalTables* tables) {
  // The opening has no king-relative blocks of its own.
  const int dataStage = stage == STAGE_OPENING ? STAGE_ENDGAME : stage;
  for (int row = 0; row < KING_DEFENCE_ROWS; ++row) {
    for (int half = 0; half < 2; ++half) {
      const int (&source)[KING_OFFSET_COUNT][FILE_DISTANCE_COUNT] = kStageKingBlock[dataStage][row + 6 * half];
      for (int offset = 0; offset < KING_OFFSET_COUNT; ++offset) {
        for (int d = 0; d < FILE_DISTANCE_COUNT; ++d) {
          tables->kingBlock[row + ENEMY_KING_BLOCK * half][offset][d] = source[offset][d];
          tables->kingBlock[row + 6 + ENEMY_KING_BLOCK * half][offset][d] = source[KING_OFFSET_COUNT - 1 - offset][d];
        }
      }
    }
  }
}

// A king in a back corner is guarded from farther along its rank: each
// entry takes the larger of itself and the entry one file nearer.
void FlattenCornerKing(const Position& position, int side, RootEvalTables* tables) {
  const PieceListEntry& king = position.pieces[side];
  if (king.rank != BackRank(side) || (king.file != 1 && king.file != 9)) return;
  for (int row = 0; row < KING_DEFENCE_ROWS; ++row) {
    for (int offset = 0; offset < KING_OFFSET_COUNT; ++offset) {
      int32_t(&entries)[FILE_DISTANCE_COUNT] = tables->kingBlock[row + 6 * side][offset];
      for (int d = FILE_DISTANCE_COUNT - 1; d >= 1; --d) {
        if (entries[d - 1] > entries[d]) entries[d] = entries[d - 1];
      }
    }
  }
}

void ScaleDefenceRow(RootEvalTables* tables, int block, double factor) {
  for (int offset = 0; offset < KING_OFFSET_COUNT; ++offset) {
    for (int d = 0; d < FILE_DISTANCE_COUNT; ++d) {
      int32_t& entry = tables->kingBlock[block][offset][d];
      entry = static_cast<int>(entry * factor);
    }
  }
}

}  // namespace

void BuildStageTables(const Position& position, GameStage stage, RootEvalTables* tables) {
  BuildStageHandValues(stage, tables);
  std::memcpy(tables->pieceValue, kPieceValue, sizeof tables->pieceValue);
  tables->pieceValue[ROOK] = kStageRookValue[stage];
  if (stage == STAGE_ENDGAME) tables->pieceValue[BISHOP] -= ENDGAME_BISHOP_DISCOUNT;
  BuildStageKingBlocks(stage, tables);
  for (int side = 0; side < 2; ++side) FlattenCornerKing(position, side, tables);

  const int side = position.sideToMove;
  const double shelter = KingShelterValue(position, side);
  const double factor = ShelterFactor(shelter);
  if (factor > 0) {
    for (int row : {ROW_HORSE_BLOCK, ROW_GOLD_BLOCK, ROW_SILVER_BLOCK, ROW_PAWN_BLOCK}) {
      ScaleDefenceRow(tables, row + 6 * side, 1 - factor);
    }
  }
  if (shelter > 16.0 && stage == STAGE_ENDGAME) CapKingAdvance(position, side, 70);
}

double KingShelterValue(const Position& position, int side) {
  const PieceListEntry& king = position.pieces[side];
  const int enemy = 1 - side;
  const int forward = SideSign(side);
  double value = 0;
  // Behind to ahead, and across from the side's left to its right.
  for (int step = -2; step <= 4; ++step) {
    for (int fileOffset = -2; fileOffset <= 2; ++fileOffset) {
      const double w = kShelterWeight[step + 2][std::abs(fileOffset)];
      const int file = king.file + fileOffset;
      const int rank = king.rank + step * forward;
      // The border ring counts as off the board, like everything beyond it.
      if (!IsOnBoard(file, rank)) {
        value += 0.5 * w;
        continue;
      }
      const PieceCode code = position.PieceCodeAt(file, rank);
      if (IsOwnedBy(code, side)) {
        value += w * kShelterKindFactor[TypeOf(code)];
      } else if (code == 0 && position.AttackCount(side, file, rank) > 0 &&
                 position.AttackCount(enemy, file, rank) == 0) {
        value += 0.5 * w;
      }
      if (position.AttackCount(enemy, file, rank) > 0) value -= w;
    }
  }
  if (IsOnBoard(king.file, king.rank)) {
    const int relative = RelativeRank(side, king.rank);
    if (relative <= 3) value += 5;
    if (relative >= 7) value -= 5;
  }
  return value;
}

double ShelterFactor(double value) {
  if (value > 20) return 0.25;
  if (value > 16) return 0.15;
  if (value > 14) return 0.1;
  return 0;
}

void CapKingAdvance(const Position& position, int side, int step) {
  const PieceListEntry& king = position.pieces[side];
  if (!IsOnBoard(king.file, king.rank)) return;
  PieceSquareTable& table = *g_activePieceSquareTable;
  const int kingValue = table.At(ROW_KING, side, king.file, king.rank);
  for (int file = 1; file <= 9; ++file) {
    for (int rank = 1; rank <= 9; ++rank) {
      if (RelativeRank(side, rank) >= RelativeRank(side, king.rank)) continue;
      const int limit = kingValue + step * std::abs(rank - king.rank);
      int& entry = table.At(ROW_KING, side, file, rank);
      if (entry > limit) entry = limit;
    }
  }
}

int DevelopmentThreshold(SenkeiId id) { return id == SENKEI_IBI_ANAGUMA ? 18 : 12; }

void BuildRootLineWeights(const Position& position, GameStage /*stage: every row is built*/, const SenkeiId pair[2],
                          int* table) {
  for (int row = 0; row < 3; ++row) {
    for (int i = 0; i < 9; ++i) table[9 * row + i] = kRootLineRows[row][i];
  }
  table[ROOT_LINE_OPEN] = LINE_OPEN_DEVELOPED;
  // The engine's side: side 1 when side 0 has no strategy (the other side's
  // pair entry is the one the think decided).
  const int side = pair[0] == SENKEI_UNDECIDED ? 1 : 0;
  const int n = FormationDistance(position, side, 1);
  const int limit = DevelopmentThreshold(pair[side]);
  if (n < limit) {
    const double t = static_cast<double>(n) / limit;
    for (int i = 0; i < 9; ++i) {
      table[i] = static_cast<int>(kLineWeightUndeveloped[i] * (1 - t) + kRootLineRows[0][i] * t);
    }
    table[ROOT_LINE_OPEN] = static_cast<int>(LINE_OPEN_UNDEVELOPED * (1 - t) + LINE_OPEN_DEVELOPED * t);
  }
}

void BuildRootLineWeights(const Position& position, GameStage stage, const SenkeiId pair[2]) {
  BuildRootLineWeights(position, stage, pair, RootLineWeight);
}

int RootPieceValue(const Position& position, int side, int type, int file, int rank, bool kingRelative) {
  const RootEvalTables& tables = *g_activeRootEvalTables;
  const int row = kKingRowOfType[type];
  if (kingRelative && row >= 0) {
    const PieceListEntry& own = position.pieces[side];
    const PieceListEntry& enemy = position.pieces[1 - side];
    // A king off the board (only in set-up positions) lends no block.
    const bool ownOnBoard = OnBoardPiece(own), enemyOnBoard = OnBoardPiece(enemy);
    if (ownOnBoard || enemyOnBoard) {
      int best = 0;
      if (ownOnBoard) best = tables.kingBlock[row + 6 * side][rank - own.rank + 8][std::abs(file - own.file)];
      if (enemyOnBoard) {
        const int viaEnemy =
            tables.kingBlock[row + 6 * side + ENEMY_KING_BLOCK][enemy.rank - rank + 8][std::abs(file - enemy.file)];
        if (!ownOnBoard || viaEnemy > best) best = viaEnemy;
      }
      return best;
    }
  }
  return tables.pieceValue[type];
}

int RootHandValue(int baseType, int held) {
  if (baseType < ROOK || baseType > PAWN) return 0;
  // 18 pawns are all there are: the count never passes the table.
  const int ordinal = held < HAND_ORDINAL_COUNT ? held : HAND_ORDINAL_COUNT - 1;
  return g_activeRootEvalTables->handValue[baseType - 1][ordinal];
}
