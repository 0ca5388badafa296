// Full and incremental evaluation under random parameters: the incremental
// state equals the full one after every move of random games (but for the
// cases the design exempts), a position and its turned mirror give mirrored
// states, the top-six lists keep their exact semantics, and the named cases.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/board/make_move.h"
#include "engine/eval/eval_params.h"
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
    // Every tenth game with the tuned tables of the start, the others with random ones.
    if (game % 10 == 0) {
      Position start{};
      SetupHandicap(start, game % 8);
      const SenkeiId pair[2] = {0, 0};
      InitEvalParams(start, pair);
    } else {
      FillRandomEvalParams(500 + game, g_evalParams, g_testTable);
    }
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

// A random position: kings off the edge ranks (whose asymmetries the design
// keeps), every other piece on a random free square, promoted or not, or in
// a random hand.
Position RandomPosition(PlayoutRandom& random, std::vector<PlacedPiece>& onBoard, std::vector<HandPieces>& inHand) {
  bool taken[10][10] = {};
  const auto freeSquare = [&](int lowRank, int highRank, int& file, int& rank) {
    do {
      file = 1 + random.Below(9);
      rank = lowRank + random.Below(highRank - lowRank + 1);
    } while (taken[file][rank]);
    taken[file][rank] = true;
  };
  onBoard.clear();
  inHand.clear();
  for (int side = 0; side < 2; ++side) {
    int file, rank;
    freeSquare(2, 8, file, rank);
    onBoard.push_back({side, KING, file, rank});
  }
  for (int id = 2; id < PIECE_COUNT; ++id) {
    const int base = g_pieceIdBaseCode[id] & 0x0f, side = random.Below(2);
    if (random.Below(4) == 0) {
      inHand.push_back({side, base, 1});
      continue;
    }
    int file, rank;
    freeSquare(1, 9, file, rank);
    const bool promote = base != GOLD && random.Below(3) == 0;
    onBoard.push_back({side, promote ? base | PROMOTED_BIT : base, file, rank});
  }
  return BuildPosition(random.Below(2), onBoard, inHand);
}

// The same position turned by 180 degrees with the sides exchanged.
Position MirrorOf(const std::vector<PlacedPiece>& onBoard, const std::vector<HandPieces>& inHand, int sideToMove) {
  std::vector<PlacedPiece> turned;
  for (const PlacedPiece& piece : onBoard)
    turned.push_back({1 - piece.side, piece.type, TurnedFile(piece.file), TurnedRank(piece.rank)});
  std::vector<HandPieces> swapped;
  for (const HandPieces& hand : inHand) swapped.push_back({1 - hand.side, hand.type, hand.count});
  return BuildPosition(1 - sideToMove, turned, swapped);
}

// The entries of two lists together, when neither has had to drop one.
bool MergedLists(const uint16_t* a, const uint16_t* b, std::vector<int>& merged) {
  if (a[TOP_SIX_SIZE - 1] != 0 || b[TOP_SIX_SIZE - 1] != 0) return false;
  merged.assign(a, a + TOP_SIX_SIZE);
  merged.insert(merged.end(), b, b + TOP_SIX_SIZE);
  std::sort(merged.begin(), merged.end());
  return true;
}

// The rook terms depend on the order of the rooks and on which way a rook on
// the king's file looks; elsewhere the enemy-king term is symmetric.
bool RookTermsSymmetric(const Position& position) {
  const PieceListEntry &a = position.pieces[2], &b = position.pieces[3];
  if (a.file >= 1 && b.file >= 1 && OwnerOf(a.code) == OwnerOf(b.code)) return false;
  for (const PieceListEntry* rook : {&a, &b})
    if (rook->file >= 1 && rook->file == position.pieces[1 - OwnerOf(rook->code)].file) return false;
  return true;
}

TEST(FullEvaluation, APositionAndItsMirrorGiveMirroredStates) {
  PlayoutRandom random{31};
  int listsCompared = 0, enemyKingTermsCompared = 0;
  for (int trial = 0; trial < 3000; ++trial) {
    FillRandomEvalParams(900 + trial, g_evalParams, g_testTable);
    std::vector<PlacedPiece> onBoard;
    std::vector<HandPieces> inHand;
    const Position position = RandomPosition(random, onBoard, inHand);
    const Position mirror = MirrorOf(onBoard, inHand, position.sideToMove);
    EvalState state = FullOf(position), turned = FullOf(mirror);
    const bool rookTerms = RookTermsSymmetric(position);
    if (rookTerms) {
      EvalEnemyKingTerm(position, &state);
      EvalEnemyKingTerm(mirror, &turned);
      enemyKingTermsCompared += 1;
    }
    for (int side = 0; side < 2; ++side) {
      const int other = 1 - side;
      const EvalSideTerms &a = state.side[side], &b = turned.side[other];
      ASSERT_EQ(a.attackSum, b.attackSum) << trial;
      ASSERT_EQ(a.openFileAccumulator, b.openFileAccumulator) << trial;
      ASSERT_EQ(a.enemyKingTerm, b.enemyKingTerm) << trial;
      ASSERT_EQ(state.defence[side].value, turned.defence[other].value) << trial;
      ASSERT_EQ(state.reserveValue[side], turned.reserveValue[other]) << trial;
      ASSERT_EQ(state.material[side].value, turned.material[other].value) << trial;
      // A piece on the king's file or rank goes to the "lower or equal" list on
      // both boards, so the lists compare merged by part.
      for (int part = 0; part < 2; ++part) {
        std::vector<int> mine, theirs;
        if (!MergedLists(a.attackList[2 * part], a.attackList[2 * part + 1], mine) ||
            !MergedLists(b.attackList[2 * part], b.attackList[2 * part + 1], theirs))
          continue;
        ASSERT_EQ(mine, theirs) << trial;
        listsCompared += 1;
      }
    }
  }
  EXPECT_GT(listsCompared, 6000);
  EXPECT_GT(enemyKingTermsCompared, 500);
}

std::vector<int> Entries(const uint16_t* list) { return std::vector<int>(list, list + TOP_SIX_SIZE); }

TEST(TopSixList, KeepsTheSixLargestAndRemovesByPlace) {
  uint16_t list[TOP_SIX_SIZE] = {};
  for (int value : {50, 0, -3, 90, 70, 70, 10, 60, 5, 80})  // 0 and less never enter; 5 falls out
    TopSixInsert(list, value);
  EXPECT_EQ(Entries(list), (std::vector<int>{90, 80, 70, 70, 60, 50}));
  uint16_t copy[TOP_SIX_SIZE];
  std::copy(list, list + TOP_SIX_SIZE, copy);
  TopSixRemove(copy, 50);  // not above the sixth entry: nothing
  TopSixRemove(copy, 45);
  EXPECT_EQ(Entries(copy), Entries(list));
  TopSixRemove(copy, 75);  // not in the list: the entry at its place (80, above 70) goes all the same
  EXPECT_EQ(Entries(copy), (std::vector<int>{90, 70, 70, 60, 50, 50}));
  std::copy(list, list + TOP_SIX_SIZE, copy);
  TopSixRemove(copy, 90);  // the first of a full list: places 5 and 6 end equal
  EXPECT_EQ(Entries(copy), (std::vector<int>{80, 70, 70, 60, 50, 50}));
  std::copy(list, list + TOP_SIX_SIZE, copy);
  TopSixReplace(copy, 65, 20);  // smaller and old not in the list: unchanged
  EXPECT_EQ(Entries(copy), Entries(list));
  TopSixReplace(copy, 70, 85);
  EXPECT_EQ(Entries(copy), (std::vector<int>{90, 85, 80, 70, 60, 50}));
  TopSixReplace(copy, 80, 55);
  EXPECT_EQ(Entries(copy), (std::vector<int>{90, 85, 70, 60, 55, 50}));
  TopSixReplace(copy, 20, 95);  // larger, old not in the list: the last entry falls out
  EXPECT_EQ(Entries(copy), (std::vector<int>{95, 90, 85, 70, 60, 55}));
}

// While it holds at most five contributions, a list is exactly the sorted
// multiset of them, whatever the sequence of inserts, removes and changes.
TEST(TopSixList, WithFiveOrFewerContributionsIsTheSortedMultiset) {
  PlayoutRandom random{5};
  for (int run = 0; run < 2000; ++run) {
    uint16_t list[TOP_SIX_SIZE] = {};
    std::vector<int> live;  // the contributions, positive or not
    for (int step = 0; step < 60; ++step) {
      const int value = random.Below(60) - 10, op = random.Below(3);
      if (op == 0 && live.size() < 5) {
        TopSixInsert(list, value);
        live.push_back(value);
      } else if (op == 1 && !live.empty()) {
        const size_t at = random.Below(static_cast<int>(live.size()));
        TopSixRemove(list, live[at]);
        live.erase(live.begin() + static_cast<long>(at));
      } else if (!live.empty()) {
        const size_t at = random.Below(static_cast<int>(live.size()));
        TopSixReplace(list, live[at], value);
        live[at] = value;
      }
      std::vector<int> expected;
      for (int v : live)
        if (v > 0) expected.push_back(v);
      std::sort(expected.rbegin(), expected.rend());
      expected.resize(TOP_SIX_SIZE, 0);
      ASSERT_EQ(Entries(list), expected) << "run " << run << " step " << step;
    }
  }
}

// Parameters that are all zero: only the fixed values of the design remain.
void ZeroParams() {
  std::memset(&g_evalParams, 0, sizeof g_evalParams);
  std::memset(&g_testTable, 0, sizeof g_testTable);
  g_activePieceSquareTable = &g_testTable;
}

TEST(FullEvaluation, FixedValuesOfTokinsRooksAndOpenFiles) {
  ZeroParams();
  std::vector<PlacedPiece> pieces = {{0, KING, 5, 9}, {1, KING, 5, 1}};
  for (int i = 0; i < 18; ++i) pieces.push_back({0, TOKIN, 1 + i % 9, 3 + i / 9});
  EXPECT_EQ(FullOf(BuildPosition(0, pieces)).material[0].value, -(0 + 100 + 300 + 500 + 14 * 600));
  // A rook in the enemy camp, and one outside it.
  const EvalState rooks = FullOf(BuildPosition(0, {{0, KING, 5, 9}, {1, KING, 5, 1}, {0, ROOK, 2, 3}, {1, ROOK, 2, 3}}));
  EXPECT_EQ(rooks.side[0].attackSum, 650);
  EXPECT_EQ(rooks.reserveValue[0], 100);
  EXPECT_EQ(rooks.side[1].attackSum, 150);
  EXPECT_EQ(rooks.reserveValue[1], 400);
  // No pawn anywhere: all nine files open, the term capped at 320.
  for (int distance = 0; distance < 9; ++distance) g_evalParams.openFileWeight[distance] = 100;
  g_evalParams.openFileScale[0] = 256;
  const EvalState open = FullOf(BuildPosition(0, {{0, KING, 5, 9}, {1, KING, 5, 1}}));
  EXPECT_EQ(open.side[0].openFileAccumulator, 900u);
  EXPECT_EQ(open.side[0].attackSum, 320);
}

// A rook whose rank meets the enemy king and whose file ends at the wall, and
// one whose file ends at the wall five files from the king: the king and
// the wall weigh nothing as targets, distances past the tables nothing, and
// a bishop's walk stops at the border without taking it.
TEST(EnemyKingTerm, LinesEndingAtTheKingOrTheWallAndAddedOncePerNode) {
  ZeroParams();
  const Position facing = BuildPosition(1, {{0, KING, 9, 9}, {1, KING, 4, 1}, {0, ROOK, 1, 1}});
  EvalState state = FullOf(facing);
  EvalEnemyKingTerm(facing, &state);
  EvalEnemyKingTerm(facing, &state);  // the second call adds nothing
  EXPECT_EQ(state.side[0].enemyKingTerm, 300 + (80 * 102 >> 8));  // rank bonus, wall at king distance 3
  EXPECT_EQ(state.side[1].enemyKingTerm, 0);
  EXPECT_EQ(state.flags, EVAL_FLAG_ENEMY_KING_TERM);
  const Position far = BuildPosition(1, {{0, KING, 5, 9}, {1, KING, 4, 1}, {0, ROOK, 9, 5}});
  state = FullOf(far);
  EvalEnemyKingTerm(far, &state);
  EXPECT_EQ(state.side[0].enemyKingTerm, 0);
  // A bishop's nearest square is a board square (1-4, squared distance 4),
  // not the wall cell 0-3 nearer the king; halved outside the camp.
  const Position bishop = BuildPosition(1, {{0, KING, 9, 9}, {1, KING, 1, 2}, {0, BISHOP, 2, 5}});
  state = FullOf(bishop);
  EvalEnemyKingTerm(bishop, &state);
  EXPECT_EQ(state.side[0].enemyKingTerm, 195 >> 1);
}

// A king that takes an attacker of its old square leaves none of the
// attacker's entries behind (checked exactly, lists and sums, under many
// parameter sets, with more attackers around so that removal by place shows).
TEST(IncrementalEvaluation, AKingThatCapturesLeavesNoDriftOfTheCapturedAttacker) {
  for (int type : {GOLD, SILVER, TOKIN, PAWN, KNIGHT}) {
    const Position before =
        BuildPosition(0, {{0, KING, 5, 8}, {1, KING, 5, 1}, {1, type, 4, 7}, {1, GOLD, 6, 7}, {1, SILVER, 5, 6},
                          {1, PRO_SILVER, 4, 8}, {1, TOKIN, 6, 9}, {1, PAWN, 5, 3}});
    for (int seed = 0; seed < 200; ++seed) {
      FillRandomEvalParams(seed, g_evalParams, g_testTable);
      MoveRecord move{};
      move.Set(5, 8, 4, 7, 0, before.pieces[0].code, static_cast<PieceId>(before.PieceIdAt(4, 7)),
               before.PieceCodeAt(4, 7), 0);
      Position after = before;
      MakeMove(after, move, 0);
      g_attackHistoryDepth = 0;
      EvalState child;
      EvaluateMoveDelta(move, after, FullOf(before), &child);
      ASSERT_TRUE(SameState(child, FullOf(after))) << "type " << type << " seed " << seed;
    }
  }
}

// The king's square values are read with the base they are filled with:
// file 1 and rank 1 at index 0 of the tuned table.
TEST(FullEvaluation, KingSquareValuesAreThoseOfTheTunedTable) {
  Position start{};
  SetupHandicap(start, HANDICAP_EVEN);
  const SenkeiId pair[2] = {0, 0};
  InitEvalParams(start, pair);
  const struct {
    int file0, rank0, file1, rank1, value0, value1;
  } cases[] = {{5, 9, 5, 1, -250, -250}, {1, 7, 9, 3, -100, 0}, {9, 7, 1, 3, 0, -100}, {2, 1, 8, 9, 1500, 1500}};
  for (const auto& [file0, rank0, file1, rank1, value0, value1] : cases) {
    const EvalState state = FullOf(BuildPosition(0, {{0, KING, file0, rank0}, {1, KING, file1, rank1}}));
    EXPECT_EQ(state.defence[0].value, value0) << file0 << "-" << rank0;
    EXPECT_EQ(state.defence[1].value, value1) << file1 << "-" << rank1;
  }
}

}  // namespace
