// Judging an impasse declaration: the declarer's king and pieces in the
// enemy camp and the points of its pieces there and in hand.
#include "board_geometry.h"
#include "records/kifu_position.h"

namespace {

// Points of a piece in a declaration: the major pieces 5, the king 0, the rest 1.
int ImpassePoints(int type) { return (type & 7) >= KIFU_BISHOP ? 5 : (type == KIFU_KING ? 0 : 1); }

}  // namespace

int KifuPosition::CheckImpasseDeclaration(int threshold, int* points) const {
  int ignored = 0;
  int& total = points != nullptr ? *points : ignored;
  total = -1;
  const int side = sideToMove;
  if (side != 0 && side != 1) return 0;
  const KifuPieceCode king = (side << 4) + KIFU_KING;
  int kingRank = 0;
  for (int rank = 1; rank <= 9 && kingRank == 0; ++rank) {
    for (int file = 1; file <= 9; ++file) {
      if (board[SquareIndex(file, rank)] == king) kingRank = rank;
    }
  }
  if (kingRank == 0 || !IsPromotionZone(side, kingRank) || IsInCheck(side)) return 0;

  int piecesInCamp = 0, sum = 0;
  for (int rank = 1; rank <= 9; ++rank) {
    if (!IsPromotionZone(side, rank)) continue;
    for (int file = 1; file <= 9; ++file) {
      const KifuPieceCode code = board[SquareIndex(file, rank)];
      if (!code.IsPiece() || code.Side() != side) continue;
      piecesInCamp += 1;
      sum += ImpassePoints(code.Type());
    }
  }
  if (piecesInCamp < 11) return 0;  // the king and at least ten more
  // The second player (the handicap giver in a handicap game) is credited
  // with the pieces the handicap removed.
  for (int type = KIFU_PAWN; type <= KIFU_ROOK; ++type) {
    if (hands[side][type] > 0) sum += hands[side][type] * ImpassePoints(type);
    if (side == 1 && hands[KIFU_BOX][type] > 0) sum += hands[KIFU_BOX][type] * ImpassePoints(type);
  }
  total = sum;
  if (sum < threshold) return 0;
  if (54 - sum < threshold) return side == 0 ? 2 : 3;
  if (threshold == 27) return side == 0 ? 1 : 3;
  return 4;
}
