// Random root tables and the id-keeping turned position.
#include "support/root_eval_fill.h"

#include "engine/eval/eval_params.h"
#include "engine/eval/eval_setup.h"
#include "support/eval_params_fill.h"
#include "support/playout.h"

namespace {
PieceSquareTable g_filledTable;
}  // namespace

void FillRandomRootTables(uint64_t seed, bool yagura) {
  FillRandomEvalParams(seed, g_evalParams, g_filledTable);
  PlayoutRandom random{seed ^ 0x5a5a5a5aULL};
  RootEvalTables& tables = g_rootEvalTables;
  g_activeRootEvalTables = &tables;
  for (auto& row : tables.handValue)
    for (int32_t& value : row) value = 50 + random.Below(800);
  for (auto& row : tables.handValueSum)
    for (int32_t& value : row) value = 50 + random.Below(3000);
  for (int32_t& value : tables.pieceValue) value = 100 + random.Below(1400);
  // Side 1's blocks are side 0's with the rank offset reversed, for the
  // own-king and the enemy-king halves alike.
  for (int half = 0; half < 2; ++half)
    for (int row = 0; row < 6; ++row)
      for (int offset = 0; offset < KING_OFFSET_COUNT; ++offset)
        for (int d = 0; d < FILE_DISTANCE_COUNT; ++d) {
          const int value = 100 + random.Below(1200);
          tables.kingBlock[row + ENEMY_KING_BLOCK * half][offset][d] = value;
          tables.kingBlock[row + 6 + ENEMY_KING_BLOCK * half][KING_OFFSET_COUNT - 1 - offset][d] = value;
        }
  for (int file = 1; file <= 9; ++file)
    for (int rank = 1; rank <= 9; ++rank) {
      const int value = random.Below(121) - 60;
      CastleGridSet(0, file, rank, value);
      CastleGridSet(1, TurnedFile(file), TurnedRank(rank), value);
    }
  static constexpr int kRow[9] = {0, 0, 4, 6, 40, 30, 9, 3, 0};
  for (int i = 0; i < 9; ++i) {
    CastleGridSet(2, 0, 2 + i, kRow[8 - i]);
    CastleGridSet(2, 1, 2 + i, kRow[i]);
  }
  CastleGridSet(2, 0, 0, yagura ? 1 : 0);
  g_yaguraStrategyFlag = yagura ? 1 : 0;
  for (int i = 0; i < ROOT_LINE_WEIGHT_SIZE; ++i) RootLineWeight[i] = random.Below(60) - 10;
}

Position TurnedKeepingIds(const Position& position) {
  Position turned = position;
  for (int file = 1; file <= 9; ++file)
    for (int rank = 1; rank <= 9; ++rank) turned.board[file][rank] = EMPTY_PIECE_ID;
  for (int id = 0; id < PIECE_COUNT; ++id) {
    const int to = id < 2 ? 1 - id : id;
    PieceListEntry entry = position.pieces[id];
    if (entry.code != 0)
      entry.code =
          static_cast<PieceCode>((entry.code & ~0x60) | ((entry.code & 0x20) << 1) | ((entry.code & 0x40) >> 1));
    if (IsOnBoard(entry.file, entry.rank)) {
      entry.file = static_cast<int8_t>(TurnedFile(entry.file));
      entry.rank = static_cast<int8_t>(TurnedRank(entry.rank));
      turned.board[entry.file][entry.rank] = static_cast<int8_t>(to);
    }
    turned.pieces[to] = entry;
  }
  for (int side = 0; side < 2; ++side)
    for (int type = 0; type < 8; ++type) turned.hand[side][type] = position.hand[1 - side][type];
  turned.sideToMove = static_cast<uint8_t>(1 - position.sideToMove);
  RecountPawnFiles(turned);
  RecountTokins(turned);
  RecountHandTotals(turned);
  RecomputeAttacks(turned);
  return turned;
}
