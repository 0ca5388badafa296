// Record positions for the tests: a position from a short piece list, its
// turned colour-swapped twin, positions reached by seeded random playouts,
// and the check that a refused operation changes nothing.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "records/kifu_position.h"

// Random-run counts of the record tests are divided by this in the
// sanitizer build, which runs several times slower.
#ifdef KIFU_SANITIZED
inline constexpr int KIFU_RUN_SCALE = 4;
#else
inline constexpr int KIFU_RUN_SCALE = 1;
#endif

struct KifuPlacement {
  int file;
  int rank;
  int code;  // KifuPieceCode value; + 16 for the second player
};

// The start position with the handicap's pieces in the box.
KifuPosition KifuStartPosition(HandicapFlags flags = HANDICAP_NONE);

// An ordinary move from its squares and piece bytes.
KifuMove KifuOrdinaryMove(int fromFile, int fromRank, int toFile, int toRank, int piece, int captured, int promote = 0);

// Empty board (border kept), empty hands and box, flags 0, and the pieces.
KifuPosition BuildKifuPosition(std::initializer_list<KifuPlacement> pieces, int sideToMove);

// The position turned by 180 degrees with colours and side to move swapped:
// the same game seen from the other chair.
KifuPosition KifuTurned(const KifuPosition& position);

// Plays up to plies random legal moves (stopping early at a mate) and
// returns the moves played.
std::vector<KifuMove> KifuRandomPlayout(KifuPosition& position, int plies, uint32_t seed);

// About a hundred positions along seeded random games from the even start,
// the two-piece handicap and the start without the first player's king.
std::vector<KifuPosition> KifuSamplePositions();

// A position where two to six pieces of one kind and side (no more than one
// set holds: golds, silvers, promoted pieces, dragons, horses, knights, rooks,
// bishops) reach one square, both kings and six pawns elsewhere, the rest of
// the set spread over hands and box; false when it came out invalid.
bool KifuCrowdedPosition(std::mt19937& random, KifuPosition& position);

// Each move is refused by operation(position, move), which leaves both the
// position and the move as they were.
template <class Operation>
void ExpectKifuRefused(KifuPosition position, Operation operation, std::initializer_list<KifuMove> moves) {
  const KifuPosition before = position;
  for (KifuMove move : moves) {
    const KifuMove given = move;
    EXPECT_FALSE(operation(position, move) || !(position == before) || !(move == given))
        << int{given.fromFile} << "," << int{given.fromRank} << "-" << int{given.toFile} << "," << int{given.toRank};
  }
}
