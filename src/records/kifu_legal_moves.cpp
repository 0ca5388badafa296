// Legality on top of the pseudo-legal walk: the forbidden pawn-drop mate,
// whether the side to move has a legal move, the legal-move filter and perft.
#include "records/kifu_legal_moves.h"

#include "records/kifu_move_walk.h"

namespace {

// Whether playing move leaves side's king unattacked.
bool LeavesKingSafe(const KifuPosition& position, const KifuMove& move, int side) {
  KifuPosition after = position;
  if (!after.DoMove(move)) return false;
  return !after.IsInCheck(side);
}

}  // namespace

bool KifuPosition::IsPawnDropMate(const KifuMove& drop) const {
  if (drop.kind != KifuMoveKind::Ordinary || !drop.IsDrop()) return false;
  if (drop.piece != KIFU_PAWN && drop.piece != KIFU_PAWN + KIFU_SECOND_PLAYER_BIT) return false;
  const int dropper = drop.piece.Side();
  const int frontFile = drop.toFile, frontRank = drop.toRank + SideSign(dropper);
  if (!IsOnBoard(frontFile, frontRank)) return false;
  const KifuPieceCode enemyKing = ((1 - dropper) << 4) + KIFU_KING;
  if (board[SquareIndex(frontFile, frontRank)] != enemyKing) return false;
  if (sideToMove != 0 && sideToMove != 1) return false;
  // Mate when no reply, pinned pieces' replies included, leaves the king safe.
  const int defender = sideToMove;
  return kifu_walk::ForEachMove(*this, kifu_walk::AllMovesOf(defender),
                                [&](const KifuMove& reply) { return !LeavesKingSafe(*this, reply, defender); });
}

bool KifuPosition::HasLegalMove() const {
  if (sideToMove != 0 && sideToMove != 1) return false;
  const int side = sideToMove;
  return !kifu_walk::ForEachMove(*this, kifu_walk::AllMovesOf(side),
                                 [&](const KifuMove& move) { return !LeavesKingSafe(*this, move, side); });
}

bool PlayLegalRecordMove(const KifuPosition& position, const KifuMove& move, KifuPosition& after) {
  after = position;
  if (!after.DoMove(move)) return false;
  if (after.IsInCheck(move.piece.Side())) return false;
  return !after.IsPawnDropMate(move);
}

uint64_t RecordPerft(const KifuPosition& position, int depth) {
  if (depth <= 0) return 1;
  KifuMove generated[KIFU_MAX_MOVES];
  const int count = position.GenerateMoves(generated, -1, -1, -1, -1, -1, -1, -1, -1);
  uint64_t nodes = 0;
  KifuPosition after;
  for (int i = 0; i < count; ++i) {
    if (PlayLegalRecordMove(position, generated[i], after)) nodes += depth == 1 ? 1 : RecordPerft(after, depth - 1);
  }
  return nodes;
}
