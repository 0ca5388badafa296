// Whether a king of the record position is attacked: the squares next to it
// read through the step table, then the rays out of it.
#include "records/kifu_movement.h"
#include "records/kifu_position.h"

namespace {

constexpr int TypeBit(int type) { return 1 << type; }

// The types that attack a first-player king from the square (fileOffset,
// rankOffset) away: those whose steps, for the second player, go from there
// to the king. This is the check table, derived from the one movement table.
constexpr int AttackersFrom(int fileOffset, int rankOffset) {
  int types = 0;
  for (int type = 0; type < 16; ++type) {
    if (StepsBy(kMovementBits[type], -fileOffset, -rankOffset, 1)) types |= TypeBit(type);
  }
  return types;
}
constexpr int PROMOTED_SMALL_PIECES = TypeBit(9) | TypeBit(10) | TypeBit(11) | TypeBit(12);
constexpr int PROMOTED_MAJOR_PIECES = TypeBit(KIFU_HORSE) | TypeBit(KIFU_DRAGON);
constexpr int SIDE_ATTACKERS =
    TypeBit(KIFU_GOLD) | TypeBit(KIFU_ROOK) | TypeBit(KIFU_KING) | PROMOTED_SMALL_PIECES | PROMOTED_MAJOR_PIECES;
// The six entries of the check table as the rules give them.
static_assert(AttackersFrom(1, -2) == TypeBit(KIFU_KNIGHT) && AttackersFrom(-1, -2) == TypeBit(KIFU_KNIGHT));
static_assert(AttackersFrom(0, -1) == (TypeBit(KIFU_PAWN) | TypeBit(KIFU_LANCE) | TypeBit(KIFU_SILVER) | SIDE_ATTACKERS));
static_assert(AttackersFrom(1, -1) == (TypeBit(KIFU_SILVER) | TypeBit(KIFU_GOLD) | TypeBit(KIFU_BISHOP) |
                                       TypeBit(KIFU_KING) | PROMOTED_SMALL_PIECES | PROMOTED_MAJOR_PIECES));
static_assert(AttackersFrom(1, 0) == SIDE_ATTACKERS && AttackersFrom(0, 1) == SIDE_ATTACKERS);
static_assert(AttackersFrom(-1, 1) == (TypeBit(KIFU_SILVER) | TypeBit(KIFU_BISHOP) | TypeBit(KIFU_KING) |
                                       PROMOTED_MAJOR_PIECES));

}  // namespace

bool KifuPosition::IsInCheck(int side) const {
  if (side != 0 && side != 1) return false;
  const KifuPieceCode king = (side << 4) + KIFU_KING;
  int kingFile = 0, kingRank = 0;
  for (int rank = 1; rank <= 9 && kingFile == 0; ++rank) {
    for (int file = 1; file <= 9; ++file) {
      if (board[SquareIndex(file, rank)] == king) {
        kingFile = file;
        kingRank = rank;
        break;
      }
    }
  }
  if (kingFile == 0) return false;
  const int enemy = 1 - side;
  // Only squares on the board are read: the border's 255 would otherwise
  // pass for a second-player promoted rook.
  auto enemyBitsAt = [&](int file, int rank) {
    if (!IsOnBoard(file, rank)) return 0;
    const KifuPieceCode code = board[SquareIndex(file, rank)];
    return (code.IsPiece() && code.Side() == enemy) ? kMovementBits[code.Type()] : 0;
  };
  // An enemy one step away whose step reaches the king.
  for (const KifuStep& step : kSteps) {
    const int bits = enemyBitsAt(kingFile - step.fileStep, kingRank - StepRank(step, enemy));
    if (bits & step.bit) return true;
  }
  // The first piece along each line, when it is an enemy sliding toward the king.
  for (int fileStep = -1; fileStep <= 1; ++fileStep) {
    for (int rankStep = -1; rankStep <= 1; ++rankStep) {
      if (fileStep == 0 && rankStep == 0) continue;
      int file = kingFile + fileStep, rank = kingRank + rankStep;
      while (IsOnBoard(file, rank) && board[SquareIndex(file, rank)].IsEmpty()) {
        file += fileStep;
        rank += rankStep;
      }
      if (SlidesAlong(enemyBitsAt(file, rank), -fileStep, -rankStep, enemy)) return true;
    }
  }
  return false;
}
