// Builders of record positions for the tests.
#include "support/kifu_builder.h"

#include <cstring>
#include <random>

#include "support/kifu_perft.h"

KifuPosition KifuStartPosition(HandicapFlags flags) {
  KifuPosition position;
  position.SetStart(flags);
  return position;
}

KifuMove KifuOrdinaryMove(int fromFile, int fromRank, int toFile, int toRank, int piece, int captured, int promote) {
  return KifuMove(fromFile, fromRank, toFile, toRank, piece, captured, promote, KifuMoveKind::Ordinary);
}

KifuPosition BuildKifuPosition(std::initializer_list<KifuPlacement> pieces, int sideToMove) {
  KifuPosition position;
  for (int rank = 1; rank <= 9; ++rank) {
    for (int file = 1; file <= 9; ++file) position.board[KifuPosition::SquareIndex(file, rank)] = 0;
  }
  std::memset(position.hands, 0, sizeof position.hands);
  position.handicapFlags = HANDICAP_NONE;
  position.sideToMove = sideToMove;
  for (const KifuPlacement& piece : pieces) {
    position.board[KifuPosition::SquareIndex(piece.file, piece.rank)] = piece.code;
  }
  return position;
}

KifuPosition KifuTurned(const KifuPosition& position) {
  KifuPosition turned = position;
  turned.SwapSides();
  turned.sideToMove = 1 - position.sideToMove;
  return turned;
}

std::vector<KifuMove> KifuRandomPlayout(KifuPosition& position, int plies, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<KifuMove> played;
  for (int ply = 0; ply < plies; ++ply) {
    const std::vector<KifuMove> legal = KifuLegalMoves(position);
    if (legal.empty()) break;
    const KifuMove& move = legal[random() % legal.size()];
    if (!position.DoMove(move)) break;
    played.push_back(move);
  }
  return played;
}

std::vector<KifuPosition> KifuSamplePositions() {
  std::vector<KifuPosition> samples;
  for (HandicapFlags flags : {HANDICAP_NONE, HandicapFlags{0x300}, HANDICAP_FIRST_KING}) {
    for (uint32_t seed = 1; seed <= 4; ++seed) {
      KifuPosition position = KifuStartPosition(flags);
      for (int leg = 0; leg < 8; ++leg) {
        if (KifuRandomPlayout(position, 15, seed * 100 + static_cast<uint32_t>(leg)).empty()) break;
        samples.push_back(position);
      }
    }
  }
  return samples;
}
