// Shared checks of the move-generator tests: sample positions from random
// games, a generator run guarded by a canary and a byte comparison of the
// position, and moves as comparable keys.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "charset.h"
#include "engine/board/position.h"

// Scales a random-run count down under the sanitizers.
constexpr int SampleCount(int count) {
#ifdef KIFU_SANITIZED
  return count / 8 + 1;
#else
  return count;
#endif
}

// Calls visit for `count` positions of deterministic random games from the
// even and handicap starts (at attack-history depth 0). visit may make
// and unmake moves but must leave the position as it found it.
void ForEachSamplePosition(int count, uint64_t seed, const std::function<void(Position&)>& visit);
// Calls visit with the side to move not in check, after its own move and
// the opponent's reply, both recorded (g_lineMoves[0] the own move,
// g_lineMoves[1] the reply, g_ply 1), on positions of sample games; sample
// counts the visits. The search globals are reset afterwards.
void ForEachAttackScenario(int count, uint64_t seed, const std::function<void(Position&, int sample)>& visit);
// Calls visit for `count` positions in which the side to move is in check,
// each reached by a checking move from a sample position and built by the
// oracle's copy-apply.
void ForEachPositionInCheck(int count, uint64_t seed, const std::function<void(Position&)>& visit);

// A move's identity: squares, ids, codes and promote flag.
using MoveKey = std::array<int, 9>;
MoveKey KeyOf(const MoveRecord& move);
// Sorted keys of the moves.
std::vector<MoveKey> SortedKeys(const std::vector<MoveRecord>& moves);

// Runs a generator that writes into an array and returns its count: the
// position and the attack history must stay byte-identical, nothing may be
// written past the count, and each move must make and unmake back to the
// same position. The moves are returned in `moves`.
::testing::AssertionResult RunsCleanly(Position& position, const std::function<int(MoveRecord*)>& generate,
                                       std::vector<MoveRecord>& moves);

// Leaves a changed-square list of the given squares, as a recorded make
// does: the attack history cleared, at depth 1.
void SetChangedSquares(const std::vector<std::pair<int, int>>& squares);

// Whether the oracle sees the side to move mated.
bool OracleIsMated(const Position& position);
// Sets g_gameStage and builds the evaluation parameters and tables for the
// position with both strategies undecided, as a think would.
void SetUpUndecidedThink(const Position& position, int stage);

