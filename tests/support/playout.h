// Deterministic random games over oracle moves, biased toward captures,
// promotions and drops so that long games reach the rarer cases of make and
// unmake; with counters of the events the games went through.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "charset.h"
#include "engine/board/position.h"

// splitmix64 from a seed: the same games on every platform.
struct PlayoutRandom {
  uint64_t state;
  uint64_t Next();
  // Uniform in 0 .. bound - 1 (bound > 0).
  int Below(int bound) { return static_cast<int>(Next() % static_cast<uint64_t>(bound)); }
};

struct PlayoutEvents {
  uint64_t promotedCaptures = 0;   // the captured piece was promoted
  uint64_t promotions = 0;
  uint64_t drops = 0;
  uint64_t kingEscapes = 0;  // king moves made while in check
};

// Makes the move on the position in place; false ends the game after it.
using PlayoutPlayer = std::function<bool(Position& position, const MoveRecord& move)>;

// Plays up to maxPlies oracle-legal moves from the position, each through
// play, stopping early at mate; counts their events and returns them in order.
std::vector<MoveRecord> PlayRandomGame(Position& position, uint64_t seed, int maxPlies, const PlayoutPlayer& play,
                                       PlayoutEvents& events);

// The positions of one game of uniformly random legal moves from the even
// start, the start included: quiet openings, where castles and strategy
// rules apply (no bias toward captures).
std::vector<Position> RandomOpeningPositions(uint64_t seed, int plies);
