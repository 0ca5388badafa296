// Legal-move filtering and perft over the record position's rules.
#include "support/kifu_perft.h"

namespace {

// Plays move on a copy; false when the rules refuse it or it is illegal.
bool PlayLegal(const KifuPosition& position, const KifuMove& move, KifuPosition& after) {
  after = position;
  if (!after.DoMove(move)) return false;
  if (after.IsInCheck(move.piece.Side())) return false;
  return !after.IsPawnDropMate(move);
}

}  // namespace

std::vector<KifuMove> KifuLegalMoves(const KifuPosition& position) {
  KifuMove generated[KIFU_MAX_MOVES];
  const int count = position.GenerateMoves(generated, -1, -1, -1, -1, -1, -1, -1, -1);
  std::vector<KifuMove> legal;
  KifuPosition after;
  for (int i = 0; i < count; ++i) {
    if (PlayLegal(position, generated[i], after)) legal.push_back(generated[i]);
  }
  return legal;
}

uint64_t KifuPerft(const KifuPosition& position, int depth) {
  if (depth <= 0) return 1;
  KifuMove generated[KIFU_MAX_MOVES];
  const int count = position.GenerateMoves(generated, -1, -1, -1, -1, -1, -1, -1, -1);
  uint64_t nodes = 0;
  KifuPosition after;
  for (int i = 0; i < count; ++i) {
    if (!PlayLegal(position, generated[i], after)) continue;
    nodes += depth == 1 ? 1 : KifuPerft(after, depth - 1);
  }
  return nodes;
}
