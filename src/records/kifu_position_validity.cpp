// Whether a record position is one a game can be in: piece counts within
// the full set, one king a side, no two unpromoted pawns of a side on a
// file, no dead pieces, and the side that has just moved not in check.
#include "records/kifu_move_walk.h"
#include "records/kifu_movement.h"
#include "records/kifu_position.h"

bool KifuPosition::IsValid() const {
  if (sideToMove != 0 && sideToMove != 1) return false;
  // Every count within the full set: a negative count could hide a surplus
  // elsewhere from the sum.
  for (int type = KIFU_PAWN; type <= KIFU_ROOK; ++type) {
    int total = 0;
    for (int store = 0; store <= KIFU_BOX; ++store) {
      if (hands[store][type] < 0 || hands[store][type] > KIFU_FULL_SET[type]) return false;
      total += hands[store][type];
    }
    if (total > KIFU_FULL_SET[type]) return false;
  }
  if (hands[0][KIFU_KING] != 0 || hands[1][KIFU_KING] != 0) return false;
  if (hands[KIFU_BOX][KIFU_KING] < 0 || hands[KIFU_BOX][KIFU_KING] > KIFU_FULL_SET[KIFU_KING]) return false;

  int kings[2] = {0, 0};
  int used[9] = {};
  bool pawnOnFile[2][10] = {};
  for (int rank = 1; rank <= 9; ++rank) {
    for (int file = 1; file <= 9; ++file) {
      const KifuPieceCode code = board[SquareIndex(file, rank)];
      if (code.IsEmpty()) continue;
      if (!code.IsPiece()) return false;  // a border or out-of-range byte on a square
      const int side = code.Side(), type = code.Type();
      if (type == KIFU_KING) {
        if (++kings[side] > 1) return false;
        continue;
      }
      if (type == KIFU_PAWN) {
        if (pawnOnFile[side][file]) return false;
        pawnOnFile[side][file] = true;
      }
      if (IsKifuDeadEnd(type, side, rank)) return false;
      const int base = KifuBaseType(type);
      used[base] += 1;
      if (used[base] + hands[0][base] + hands[1][base] + hands[KIFU_BOX][base] > KIFU_FULL_SET[base]) return false;
    }
  }
  // Kings in the box belong to the same full set as those on the board.
  if (kings[0] + kings[1] + hands[KIFU_BOX][KIFU_KING] > KIFU_FULL_SET[KIFU_KING]) return false;
  // The side that has just moved can't be in check: the side to move would
  // take its king. (This also covers both kings attacked at once.)
  if (kifu_walk::AttacksKing(*this, sideToMove)) return false;
  // Without the first player's king (a handicap) any king set-up is allowed.
  if (handicapFlags == HANDICAP_FIRST_KING) return true;
  return kings[0] == 1 && kings[1] == 1;
}
