// Whether a record position is one a game can be in: piece counts within
// the full set, one king a side, no two unpromoted pawns of a side on a
// file, no dead pieces, and the side that has just moved not in check.
#include <string>

#include "records/kifu_move_walk.h"
#include "records/kifu_movement.h"
#include "records/kifu_position.h"
#include "records/read_report.h"

namespace {

const char* SideName(int side) { return side == 0 ? "the first player" : "the second player"; }

std::string TooMany(int type) {
  return std::string("more ") + KifuPieceCode(type).Name(0) + " than the " + std::to_string(KIFU_FULL_SET[type]) +
         " of a set";
}

}  // namespace

bool KifuPosition::IsValid() const { return InvalidReason().empty(); }

std::string KifuPosition::InvalidReason() const {
  if (sideToMove != 0 && sideToMove != 1) return "no side to move";
  // Every count within the full set: a negative count could hide a surplus
  // elsewhere from the sum.
  for (int type = KIFU_PAWN; type <= KIFU_ROOK; ++type) {
    int total = 0;
    for (int store = 0; store <= KIFU_BOX; ++store) {
      // The box holds what the board and hands leave of the set: below 0
      // when they hold too many.
      if (hands[store][type] < 0) {
        return store == KIFU_BOX ? TooMany(type) : std::string("a negative count of ") + KifuPieceCode(type).Name(0);
      }
      if (hands[store][type] > KIFU_FULL_SET[type]) return TooMany(type);
      total += hands[store][type];
    }
    if (total > KIFU_FULL_SET[type]) return TooMany(type);
  }
  if (hands[0][KIFU_KING] != 0 || hands[1][KIFU_KING] != 0) return "a king in hand";
  if (hands[KIFU_BOX][KIFU_KING] < 0 || hands[KIFU_BOX][KIFU_KING] > KIFU_FULL_SET[KIFU_KING]) return TooMany(KIFU_KING);

  int kings[2] = {0, 0};
  int used[9] = {};
  bool pawnOnFile[2][10] = {};
  for (int rank = 1; rank <= 9; ++rank) {
    for (int file = 1; file <= 9; ++file) {
      const KifuPieceCode code = board[SquareIndex(file, rank)];
      if (code.IsEmpty()) continue;
      if (!code.IsPiece()) return "no piece code on " + ReadSquareText(file, rank);
      const int side = code.Side(), type = code.Type();
      if (type == KIFU_KING) {
        if (++kings[side] > 1) return std::string("two kings of ") + SideName(side);
        continue;
      }
      if (type == KIFU_PAWN) {
        if (pawnOnFile[side][file]) {
          return std::string("two unpromoted pawns of ") + SideName(side) + " on file " + std::to_string(file);
        }
        pawnOnFile[side][file] = true;
      }
      if (IsKifuDeadEnd(type, side, rank)) {
        return std::string("the ") + code.Name(1) + " of " + SideName(side) + " on " + ReadSquareText(file, rank) +
               " can never move";
      }
      const int base = KifuBaseType(type);
      used[base] += 1;
      if (used[base] + hands[0][base] + hands[1][base] + hands[KIFU_BOX][base] > KIFU_FULL_SET[base]) {
        return TooMany(base);
      }
    }
  }
  // Kings in the box belong to the same full set as those on the board.
  if (kings[0] + kings[1] + hands[KIFU_BOX][KIFU_KING] > KIFU_FULL_SET[KIFU_KING]) return TooMany(KIFU_KING);
  // The side that has just moved can't be in check: the side to move would
  // take its king. (This also covers both kings attacked at once.)
  if (kifu_walk::AttacksKing(*this, sideToMove)) {
    return std::string(SideName(1 - sideToMove)) + ", not to move, is in check";
  }
  // Without the first player's king (a handicap) any king set-up is allowed.
  if (handicapFlags == HANDICAP_FIRST_KING) return "";
  for (int side = 0; side < 2; ++side) {
    if (kings[side] != 1) return std::string(SideName(side)) + " has no king";
  }
  return "";
}
