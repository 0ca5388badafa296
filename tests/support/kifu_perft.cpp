// Generated and legal move lists of a record position, for the tests.
#include "support/kifu_perft.h"

#include <cstddef>

std::vector<KifuMove> KifuGeneratedMoves(const KifuPosition& position) {
  std::vector<KifuMove> moves(KIFU_MAX_MOVES);
  moves.resize(static_cast<size_t>(position.GenerateMoves(moves.data(), -1, -1, -1, -1, -1, -1, -1, -1)));
  return moves;
}

std::vector<KifuMove> KifuLegalMoves(const KifuPosition& position) {
  std::vector<KifuMove> legal;
  KifuPosition after;
  for (const KifuMove& move : KifuGeneratedMoves(position)) {
    if (PlayLegalRecordMove(position, move, after)) legal.push_back(move);
  }
  return legal;
}
