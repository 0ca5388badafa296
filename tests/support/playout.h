// Deterministic random games over oracle moves, biased toward captures,
// promotions and drops so that long games reach the rarer cases of make and
// unmake; with counters of the events the games went through.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "charset.h"
#include "engine/board/position.h"

// splitmix64: a fixed seed gives the same games on every platform.
class PlayoutRandom {
 public:
  explicit PlayoutRandom(uint64_t seed) : state_(seed) {}
  uint64_t Next();
  // Uniform in 0 .. bound - 1 (bound > 0).
  int Below(int bound);

 private:
  uint64_t state_;
};

struct PlayoutEvents {
  uint64_t plies = 0;
  uint64_t captures = 0;
  uint64_t promotedCaptures = 0;    // the captured piece was promoted
  uint64_t promotions = 0;
  uint64_t drops = 0;
  uint64_t kingEscapes = 0;         // king moves made while in check
  uint64_t discoveredAttacks = 0;   // moves that open an own slider's line onto an enemy piece
  uint64_t discoveredChecks = 0;    // ... onto the enemy king
  uint64_t mates = 0;               // games that ended with the side to move mated

  PlayoutEvents& operator+=(const PlayoutEvents& other);
};

// Chooses among the legal moves by kind (capture, promotion, drop, other),
// favouring the first three, then uniformly within the kind; moves is not
// empty.
const MoveRecord& PickPlayoutMove(const std::vector<MoveRecord>& moves, PlayoutRandom& random);
// Counts what the move does in the position before it (ply, capture, ...).
void CountPlayoutEvents(const Position& before, const MoveRecord& move, PlayoutEvents& events);

// Makes the move on the position in place; false ends the game after it.
using PlayoutPlayer = std::function<bool(Position& position, const MoveRecord& move)>;

// Plays up to maxPlies oracle-legal moves from the position, each through
// play, stopping early at mate; returns the moves played, in order.
std::vector<MoveRecord> PlayRandomGame(Position& position, uint64_t seed, int maxPlies, const PlayoutPlayer& play,
                                       PlayoutEvents& events);
