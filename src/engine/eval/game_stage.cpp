// The game-stage rule: a count of what has advanced into the enemy camp,
// been promoted or been taken into hand decides opening, middle game or
// endgame.
#include "engine/eval/game_stage.h"

GameStage g_gameStage = STAGE_OPENING;
const char* const g_gameStageNames[GAME_STAGE_COUNT] = {"序盤", "中盤", "終盤"};

namespace {

constexpr int STAGE_COUNT_LIMIT = 45;
constexpr GameStage kStageByQuarter[12] = {0, 1, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2};

struct StageCount {
  int full = 0;
  int half = 0;  // counted at half weight
};

// A bishop or horse of the side not to move that hangs: undefended and
// attacked by the side to move. It is about to be lost, so it counts nothing.
bool IsHangingBishop(const Position& position, int owner, int type, int file, int rank) {
  const int mover = position.sideToMove;
  return owner != mover && (type == BISHOP || type == HORSE) && position.AttackCount(owner, file, rank) == 0 &&
         position.AttackCount(mover, file, rank) > 0;
}

void CountBoard(const Position& position, StageCount& count) {
  for (int file = 1; file <= 9; ++file) {
    for (int rank = 1; rank <= 9; ++rank) {
      const PieceCode code = position.PieceCodeAt(file, rank);
      if (code == 0) continue;
      const int owner = OwnerOf(code);
      const int type = TypeOf(code);
      if (IsHangingBishop(position, owner, type, file, rank)) continue;
      if (IsPromoted(code)) {
        count.full += type == DRAGON ? 3 : 2;
      } else if (IsPromotionZone(owner, rank)) {
        count.full += type == ROOK ? 2 : 1;
      } else if ((type == SILVER || type == KNIGHT) && RelativeRank(owner, rank) >= 4 && RelativeRank(owner, rank) <= 5) {
        count.half += 1;
      }
    }
  }
}

void CountHands(const Position& position, StageCount& count) {
  for (int side = 0; side < 2; ++side) {
    const int8_t* hand = position.hand[side];
    count.full += 3 * hand[ROOK - 1] + hand[GOLD - 1] + hand[SILVER - 1] + hand[KNIGHT - 1] + hand[LANCE - 1];
    count.half += hand[BISHOP - 1] + hand[PAWN - 1];
  }
}

// Pawns in the enemy camp, and pawns standing head to head with a pawn.
void CountPawns(const Position& position, StageCount& count) {
  for (int id = 22; id < PIECE_COUNT; ++id) {
    const PieceListEntry& pawn = position.pieces[id];
    if (pawn.file < 1 || TypeOf(pawn.code) != PAWN) continue;
    const int owner = OwnerOf(pawn.code);
    if (IsPromotionZone(owner, pawn.rank)) {
      count.half += 1;
      continue;
    }
    const int frontRank = pawn.rank + SideSign(owner);
    if (IsOnBoard(pawn.file, frontRank) && TypeOf(position.PieceCodeAt(pawn.file, frontRank)) == PAWN) count.half += 1;
  }
}

}  // namespace

GameStage DetermineGameStage(const Position& position) {
  StageCount count;
  CountBoard(position, count);
  CountHands(position, count);
  CountPawns(position, count);
  int total = count.full + static_cast<int>(count.half * 0.5);
  if (total > STAGE_COUNT_LIMIT) total = STAGE_COUNT_LIMIT;
  return kStageByQuarter[total / 4];
}
