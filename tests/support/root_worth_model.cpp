#include "support/root_worth_model.h"

#include <algorithm>
#include <cstdlib>

#include "engine/eval/eval_params.h"

int ModelDefenceRow(int type) {
  switch (type) {
    case GOLD: case PRO_SILVER: case PRO_KNIGHT: case PRO_LANCE: case TOKIN: return 0;
    case SILVER: return 1;
    case KNIGHT: return 2;
    case LANCE: return 3;
    case PAWN: return 4;
    case HORSE: return 5;
    default: return -1;
  }
}

int ModelRootWorth(const Position& position, int owner, int type, int file, int rank) {
  const RootEvalTables& tables = *g_activeRootEvalTables;
  const int row = ModelDefenceRow(type);
  if (row < 0) return tables.pieceValue[type];
  const PieceListEntry& ownKing = position.pieces[owner];
  const PieceListEntry& enemyKing = position.pieces[1 - owner];
  const int own = tables.kingBlock[row + 6 * owner][rank - ownKing.rank + 8][std::abs(ownKing.file - file)];
  const int enemy =
      tables.kingBlock[12 + row + 6 * owner][enemyKing.rank - rank + 8][std::abs(enemyKing.file - file)];
  return std::max(own, enemy);
}
