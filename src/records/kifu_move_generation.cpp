// Filtered generation of the record position's pseudo-legal moves, written
// into the caller's array in the fixed order of kifu_move_walk.h.
#include "records/kifu_move_walk.h"
#include "records/kifu_position.h"

int KifuPosition::GenerateMoves(KifuMove* out, int fromFile, int fromRank, int toFile, int toRank, KifuPieceCode piece,
                                KifuPieceCode captured, int promote, int side) const {
  if (out == nullptr) return 0;
  if (side != 0 && side != 1) side = sideToMove;
  if (side != 0 && side != 1) return 0;
  const kifu_walk::MoveFilter filter{fromFile,
                                     fromRank,
                                     toFile,
                                     toRank,
                                     piece.Value() == -1 ? -1 : piece.Type(),
                                     captured.Value() == -1 ? -1 : captured.Type(),
                                     promote,
                                     side};
  int count = 0;
  kifu_walk::ForEachMove(*this, filter, [&](const KifuMove& move) {
    out[count++] = move;
    return count < KIFU_MAX_MOVES;  // the callers' arrays hold this many
  });
  return count;
}
