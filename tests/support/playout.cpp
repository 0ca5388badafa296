// Random games for the make/unmake tests: move choice, event counting and
// the game loop. Reads only the board and hands (never the attack records).
#include "support/playout.h"

#include "support/engine_oracle.h"

namespace {

enum MoveKind { kCapture, kPromotion, kDrop, kOther, kKindCount };

// Captures come first so that promoted pieces get taken back; drops are
// often the most numerous moves, so they are chosen by kind, not by count.
constexpr int kKindWeight[kKindCount] = {5, 3, 2, 3};

MoveKind KindOf(const MoveRecord& move) {
  if (move.IsCapture()) return kCapture;
  if (move.promote) return kPromotion;
  return move.IsDrop() ? kDrop : kOther;
}

// A kind by its weight among the kinds present, then a move of it uniformly.
const MoveRecord& PickMove(const std::vector<MoveRecord>& moves, PlayoutRandom& random) {
  std::vector<const MoveRecord*> byKind[kKindCount];
  for (const MoveRecord& move : moves) byKind[KindOf(move)].push_back(&move);
  int totalWeight = 0;
  for (int kind = 0; kind < kKindCount; ++kind) totalWeight += byKind[kind].empty() ? 0 : kKindWeight[kind];
  int draw = random.Below(totalWeight), kind = 0;
  for (; byKind[kind].empty() || draw >= kKindWeight[kind]; ++kind)
    if (!byKind[kind].empty()) draw -= kKindWeight[kind];
  return *byKind[kind][random.Below(static_cast<int>(byKind[kind].size()))];
}

void CountEvents(const Position& before, const MoveRecord& move, PlayoutEvents& events) {
  events.promotedCaptures += move.IsCapture() && IsPromoted(move.capturedCode);
  events.promotions += move.promote;
  events.drops += move.IsDrop();
  events.kingEscapes += TypeOf(move.pieceCode) == KING && OracleInCheck(before, before.sideToMove);
}

}  // namespace

uint64_t PlayoutRandom::Next() {
  uint64_t z = (state += 0x9e3779b97f4a7c15ull);
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
  return z ^ (z >> 31);
}

std::vector<MoveRecord> PlayRandomGame(Position& position, uint64_t seed, int maxPlies, const PlayoutPlayer& play,
                                       PlayoutEvents& events) {
  PlayoutRandom random{seed};
  std::vector<MoveRecord> played;
  for (int ply = 0; ply < maxPlies; ++ply) {
    const std::vector<MoveRecord> moves = OracleMoves(position);
    if (moves.empty()) break;
    const MoveRecord move = PickMove(moves, random);
    CountEvents(position, move, events);
    played.push_back(move);
    if (!play(position, move)) break;
  }
  return played;
}

std::vector<Position> RandomOpeningPositions(uint64_t seed, int plies) {
  PlayoutRandom random{seed};
  std::vector<Position> positions(1);
  SetupInitialPosition(positions[0]);
  for (int ply = 0; ply < plies; ++ply) {
    const std::vector<MoveRecord> moves = OracleMoves(positions.back());
    if (moves.empty()) break;
    Position next{};
    OracleApplyMove(positions.back(), moves[random.Below(static_cast<int>(moves.size()))], next);
    positions.push_back(next);
  }
  return positions;
}
