// Builders of record positions for the tests.
#include "support/kifu_builder.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <random>
#include <utility>

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

bool KifuCrowdedPosition(std::mt19937& random, KifuPosition& position) {
  constexpr std::pair<int, int> kinds[] = {{KIFU_GOLD, 4},  {KIFU_SILVER, 4}, {KIFU_PRO_SILVER, 4}, {KIFU_PRO_PAWN, 6},
                                           {KIFU_HORSE, 2}, {KIFU_DRAGON, 2}, {KIFU_PRO_KNIGHT, 4}, {KIFU_KNIGHT, 2},
                                           {KIFU_ROOK, 2},  {KIFU_BISHOP, 2}};
  const auto [type, most] = kinds[random() % std::size(kinds)];
  const int side = static_cast<int>(random() % 2), code = type | side << 4;
  const int target = static_cast<int>(random() % 81);
  std::vector<int> sources;
  for (int from = 0; from < 81; ++from) {
    const KifuPosition lone = BuildKifuPosition({{1 + from % 9, 1 + from / 9, code}}, side);
    KifuMove moves[KIFU_MAX_MOVES];
    if (lone.GenerateMoves(moves, -1, -1, 1 + target % 9, 1 + target / 9, -1, -1, -1, -1) > 0) sources.push_back(from);
  }
  if (sources.size() < 2) return false;
  std::shuffle(sources.begin(), sources.end(), random);
  sources.resize(std::min<size_t>(sources.size(), static_cast<size_t>(2 + random() % (most - 1))));
  position = BuildKifuPosition({}, random() % 4 == 0 ? 1 - side : side);
  for (int from : sources) position.board[KifuPosition::SquareIndex(1 + from % 9, 1 + from / 9)] = code;
  for (int piece = 0; piece < 8; ++piece) {
    int square = target;
    while (square == target || !position.At(1 + square % 9, 1 + square / 9).IsEmpty())
      square = static_cast<int>(random() % 81);
    position.board[KifuPosition::SquareIndex(1 + square % 9, 1 + square / 9)] =
        (piece < 2 ? KIFU_KING : KIFU_PAWN) + KIFU_SECOND_PLAYER_BIT * (piece % 2);
  }
  position.UpdateBoxAndHandicap();
  for (int handType = KIFU_PAWN; handType <= KIFU_ROOK; ++handType) {
    for (int hand : {0, 1}) {
      int8_t& boxed = position.hands[KIFU_BOX][handType];
      position.hands[hand][handType] = static_cast<int8_t>(random() % (boxed + 1));
      boxed = static_cast<int8_t>(boxed - position.hands[hand][handType]);
    }
  }
  position.handicapFlags = HANDICAP_NONE;
  return position.IsValid() && !position.IsInCheck(1 - position.sideToMove);
}
