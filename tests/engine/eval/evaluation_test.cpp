// Full and incremental evaluation under random parameters: the incremental
// state equals the full one after every move of random games (but for the
// cases the design exempts), a position and its turned mirror give mirrored
// states, the top-six lists keep their exact semantics, and the named cases.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/board/make_move.h"
#include "engine/eval/eval_tables.h"
#include "engine/eval/evaluate_delta.h"
#include "engine/eval/evaluate_full.h"
#include "engine/search/node_state.h"
#include "support/engine_oracle.h"
#include "support/make_unmake_checks.h"
#include "support/eval_params_fill.h"
#include "support/playout.h"
#include "support/position_builder.h"

namespace {

PieceSquareTable g_testTable;

// Exempt from incremental = full, as the design has them:
// - an unpromoted rook or bishop crossing its camp line keeps its camp values
//   (attackSum and reserveValue of the mover);
// - a top-six list is exact only while it never has to hold six
//   contributions: a list is exempt when the pieces contributing to it before
//   or after the move are six or more (it can then drop or keep entries that
//   a re-evaluation would not).
struct Exemptions {
  bool sideSums[2] = {};
  bool list[2][ATTACK_LIST_COUNT] = {};
  bool Any() const {
    for (int side = 0; side < 2; ++side)
      if (sideSums[side] || std::count(list[side], list[side] + ATTACK_LIST_COUNT, true) > 0) return true;
    return false;
  }
};

// Bit set of the pieces with a positive entry in each attack list.
void AddContributors(const Position& position, uint64_t contributors[2][ATTACK_LIST_COUNT]) {
  for (int id = 0; id < PIECE_COUNT; ++id) {
    const PieceListEntry& piece = position.pieces[id];
    const int type = TypeOf(piece.code);
    if (piece.file < 1 || AttackRow[type] == NO_ROW) continue;
    const int side = OwnerOf(piece.code);
    const PieceListEntry& king = position.pieces[1 - side];
    for (int part = 0; part < 2; ++part) {
      if (KingAttackValue(g_evalParams, side, type, king.file, king.rank, piece.file, piece.rank, part) <= 0) continue;
      const int list = part == 0 ? FileListOf(piece.file, king.file) : RankListOf(piece.rank, king.rank);
      contributors[side][list] |= uint64_t{1} << id;
    }
  }
}

Exemptions ExemptionsOf(const Position& before, const Position& after, const MoveRecord& move) {
  Exemptions exempt;
  const int type = TypeOf(move.pieceCode), side = before.sideToMove;
  if (!move.IsDrop() && !move.promote && (type == ROOK || type == BISHOP) &&
      InEnemyCamp(side, move.fromRank) != InEnemyCamp(side, move.toRank))
    exempt.sideSums[side] = true;
  uint64_t contributors[2][ATTACK_LIST_COUNT] = {};
  AddContributors(before, contributors);
  AddContributors(after, contributors);
  for (int s = 0; s < 2; ++s)
    for (int list = 0; list < ATTACK_LIST_COUNT; ++list) exempt.list[s][list] = std::popcount(contributors[s][list]) >= 6;
  return exempt;
}

// Every word of the two states, but the exempt ones; names the first that differs.
::testing::AssertionResult SameState(const EvalState& actual, const EvalState& expected, const Exemptions& exempt = {}) {
  std::string diff;
  const auto check = [&](const char* what, int side, long a, long e) {
    if (a != e && diff.empty()) diff = std::string(what) + "[" + std::to_string(side) + "] " + std::to_string(a) +
                                       " != " + std::to_string(e);
  };
  check("flags", 0, actual.flags, expected.flags);
  for (int side = 0; side < 2; ++side) {
    const EvalSideTerms &a = actual.side[side], &e = expected.side[side];
    for (int list = 0; list < ATTACK_LIST_COUNT; ++list)
      for (int place = 0; place < TOP_SIX_SIZE && !exempt.list[side][list]; ++place)
        check(("attackList " + std::to_string(list)).c_str(), side, a.attackList[list][place],
              e.attackList[list][place]);
    if (!exempt.sideSums[side]) {
      check("attackSum", side, a.attackSum, e.attackSum);
      check("reserveValue", side, actual.reserveValue[side], expected.reserveValue[side]);
    }
    check("enemyKingTerm", side, a.enemyKingTerm, e.enemyKingTerm);
    check("openFileAccumulator", side, a.openFileAccumulator, e.openFileAccumulator);
    check("defence", side, actual.defence[side].value, expected.defence[side].value);
    check("defence addend", side, actual.defence[side].addend, expected.defence[side].addend);
    check("material", side, actual.material[side].value, expected.material[side].value);
    check("material addend", side, actual.material[side].addend, expected.material[side].addend);
  }
  if (diff.empty()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << diff;
}

EvalState FullOf(const Position& position) {
  NodeState node;  // flags 0, as the search constructs it
  EvaluateFull(position, &node.eval);
  return node.eval;
}

struct GameCounts {
  uint64_t moves = 0, exempt = 0, kingMoves = 0, kingCaptures = 0, promotedCaptures = 0, promotions = 0, drops = 0;
  size_t longestExactRun = 0;
};

// Plays a random game; at every node checks each legal move's incremental
// state from the node's (carried) state, then carries the played move's.
void CheckGame(int handicap, uint64_t seed, int maxPlies, bool everyMove, GameCounts& counts, std::string& failure) {
  Position position{};
  SetupHandicap(position, handicap);
  EvalState carried = FullOf(position);
  size_t run = 0;
  PlayoutEvents events;
  const auto deltaMatches = [&](Position& current, const MoveRecord& move, const EvalState& from, EvalState& child) {
    const Position before = current;
    MakeMove(current, move, 0);
    g_attackHistoryDepth = 0;
    EvaluateMoveDelta(move, current, from, &child);
    const Exemptions exempt = ExemptionsOf(before, current, move);
    const ::testing::AssertionResult same = SameState(child, FullOf(current), exempt);
    counts.moves += 1;
    counts.exempt += exempt.Any();
    counts.kingMoves += TypeOf(move.pieceCode) == KING;
    counts.kingCaptures += TypeOf(move.pieceCode) == KING && move.IsCapture();
    counts.promotedCaptures += move.IsCapture() && IsPromoted(move.capturedCode);
    counts.promotions += move.promote;
    counts.drops += move.IsDrop();
    if (!same && failure.empty()) failure = DescribeMove(move) + ": " + same.message();
    return !exempt.Any();
  };
  const PlayoutPlayer play = [&](Position& current, const MoveRecord& played) {
    // The parent's per-node words are set: the child must start without them.
    EvalEnemyKingTerm(current, &carried);
    carried.defence[0].addend = carried.material[1].addend = 77;
    if (everyMove)
      for (const MoveRecord& move : OracleMoves(current)) {
        Position probe = current;
        EvalState child;
        deltaMatches(probe, move, carried, child);
      }
    EvalState child;
    if (deltaMatches(current, played, carried, child)) {
      carried = child;
      counts.longestExactRun = std::max(counts.longestExactRun, ++run);
    } else {
      carried = FullOf(current);  // an exempt case: start over from the full state
      run = 0;
    }
    return failure.empty();
  };
  PlayRandomGame(position, seed, maxPlies, play, events);
}

TEST(IncrementalEvaluation, EqualsFullEvaluationAfterEveryMoveOfRandomGames) {
#ifdef KIFU_SANITIZED
  const int games = 160, probedGames = 8;
#else
  const int games = 2400, probedGames = 48;
#endif
  GameCounts counts;
  for (int game = 0; game < games; ++game) {
    FillRandomEvalParams(500 + game, g_evalParams, g_testTable);
    std::string failure;
    CheckGame(game % 8, 7000 + game, 160, game < probedGames, counts, failure);
    ASSERT_EQ(failure, "") << "game " << game << " from handicap " << game % 8;
  }
  // The games reach every kind of update, and long stretches stay exact.
  EXPECT_GT(counts.kingCaptures, 100u);
  EXPECT_GT(counts.promotedCaptures, 1000u);
  EXPECT_GT(counts.drops, 10000u);
  EXPECT_GT(counts.longestExactRun, 100u);
  EXPECT_LT(counts.exempt * 5, counts.moves);
  std::printf("%llu moves, %llu exempt, %llu king moves, %llu king captures, longest exact run %zu\n",
              static_cast<unsigned long long>(counts.moves), static_cast<unsigned long long>(counts.exempt),
              static_cast<unsigned long long>(counts.kingMoves), static_cast<unsigned long long>(counts.kingCaptures),
              counts.longestExactRun);
}

}  // namespace
