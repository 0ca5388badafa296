// Legal-move filtering and perft over the record position's rules.
#include "support/kifu_perft.h"

#include <cstddef>

namespace {

// Plays move on a copy; false when the rules refuse it or it is illegal.
bool PlayLegal(const KifuPosition& position, const KifuMove& move, KifuPosition& after) {
  after = position;
  if (!after.DoMove(move)) return false;
  if (after.IsInCheck(move.piece.Side())) return false;
  return !after.IsPawnDropMate(move);
}

}  // namespace

std::vector<KifuMove> KifuGeneratedMoves(const KifuPosition& position) {
  std::vector<KifuMove> moves(KIFU_MAX_MOVES);
  moves.resize(static_cast<size_t>(position.GenerateMoves(moves.data(), -1, -1, -1, -1, -1, -1, -1, -1)));
  return moves;
}

std::vector<KifuMove> KifuLegalMoves(const KifuPosition& position) {
  std::vector<KifuMove> legal;
  KifuPosition after;
  for (const KifuMove& move : KifuGeneratedMoves(position)) {
    if (PlayLegal(position, move, after)) legal.push_back(move);
  }
  return legal;
}

uint64_t KifuPerft(const KifuPosition& position, int depth) {
  if (depth <= 0) return 1;
  uint64_t nodes = 0;
  KifuPosition after;
  for (const KifuMove& move : KifuGeneratedMoves(position)) {
    if (PlayLegal(position, move, after)) nodes += depth == 1 ? 1 : KifuPerft(after, depth - 1);
  }
  return nodes;
}
