// The record position's 64-bit key, read from the side to move through the
// fixed key table the engine and the opening book share.
#include <algorithm>

#include "board_geometry.h"
#include "engine/board/hash_key_table.h"
#include "records/kifu_position.h"

namespace {

// Key kind of each record type: rook 0, bishop 1, gold 2, silver 3, knight
// 4, lance 5, pawn 6, king 7, then the promoted rook, bishop, silver,
// knight, lance and pawn 8-13 (types 0 and 13 never reach the table).
constexpr int kKeyKind[16] = {-1, 6, 5, 4, 3, 2, 1, 0, 7, 13, 12, 11, 10, -1, 9, 8};
constexpr int OTHER_SIDE_KIND_OFFSET = 14;
// Offset of each hand type's run of count keys from the hand's base
// (rook 0, bishop 2, gold 4, silver 8, knight 12, lance 16, pawn 20).
constexpr int kHandKeyOffset[8] = {-1, 20, 16, 12, 8, 4, 2, 0};

// Square index of the key table, turned for the second player to move.
constexpr int KeySquare(int toMove, int file, int rank) {
  return toMove == 0 ? 9 * (rank - 1) + (file - 1) : 9 * (TurnedRank(rank) - 1) + (TurnedFile(file) - 1);
}

void XorKey(KifuPositionKey& key, int index) {
  key.first ^= g_hashKeyTable[index].first;
  key.second ^= g_hashKeyTable[index].second;
}

}  // namespace

void KifuPosition::ComputeKey(KifuPositionKey& key) const {
  const int toMove = sideToMove == 1 ? 1 : 0;
  key = KifuPositionKey{};
  for (int rank = 1; rank <= 9; ++rank) {
    for (int file = 1; file <= 9; ++file) {
      const KifuPieceCode code = board[SquareIndex(file, rank)];
      if (!code.IsPiece()) continue;
      const int kind = kKeyKind[code.Type()] + (code.Side() != toMove ? OTHER_SIDE_KIND_OFFSET : 0);
      XorKey(key, 81 * kind + KeySquare(toMove, file, rank));
    }
  }
  for (int side = 0; side <= 1; ++side) {
    const int base = side == toMove ? HASH_HAND_KEYS_TO_MOVE : HASH_HAND_KEYS_OTHER;
    for (int type = KIFU_PAWN; type <= KIFU_ROOK; ++type) {
      // A count beyond the full set (an invalid position) keys as the full
      // set, which keeps the index inside the type's run of keys.
      const int count = std::min<int>(hands[side][type], KIFU_FULL_SET[type]);
      if (count > 0) XorKey(key, base + kHandKeyOffset[type] + count - 1);
    }
  }
}
