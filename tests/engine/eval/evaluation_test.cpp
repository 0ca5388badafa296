// Full and incremental evaluation under random and tuned parameters: the
// incremental state equals the full one after every move of random games
// (but for the cases the design exempts), a full top-six list, and the
// named cases.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "engine/board/make_move.h"
#include "engine/eval/eval_params.h"
#include "engine/eval/eval_setup.h"
#include "engine/eval/evaluate_delta.h"
#include "engine/eval/evaluate_full.h"
#include "engine/eval/king_relative_tables.h"
#include "engine/search/node_state.h"
#include "support/engine_oracle.h"
#include "support/eval_params_fill.h"
#include "support/generator_checks.h"
#include "support/make_unmake_checks.h"
#include "support/playout.h"
#include "support/position_builder.h"

namespace {

PieceSquareTable g_testTable;

EvalState FullOf(const Position& position) {
  NodeState node;  // flags 0, as the search constructs it
  EvaluateFull(position, &node.eval);
  return node.eval;
}

std::vector<int> Words(const EvalState& state) {
  std::vector<uint16_t> words(sizeof state / 2);
  std::memcpy(words.data(), &state, sizeof state);
  return std::vector<int>(words.begin(), words.end());
}

// Sets to 0, in both states, the words the design exempts after the move,
// and says whether there were any:
// - an unpromoted rook or bishop crossing its camp line keeps its camp
//   values (attackSum and reserveValue of the mover);
// - a top-six list is exact only while it never has to hold six entries:
//   exempt when six or more pieces contribute to it before or after the move.
bool ClearExemptWords(const Position& before, const Position& after, const MoveRecord& move, EvalState& a,
                      EvalState& b) {
  bool any = false;
  const int side = before.sideToMove, type = TypeOf(move.pieceCode);
  if (!move.IsDrop() && !move.promote && (type == ROOK || type == BISHOP) &&
      InEnemyCamp(side, move.fromRank) != InEnemyCamp(side, move.toRank)) {
    a.side[side].attackSum = a.reserveValue[side] = b.side[side].attackSum = b.reserveValue[side] = 0;
    any = true;
  }
  uint64_t contributors[2][ATTACK_LIST_COUNT] = {};
  for (const Position* position : {&before, &after})
    for (int id = 6; id < PIECE_COUNT; ++id) {
      const PieceListEntry& piece = position->pieces[id];
      const int pieceType = TypeOf(piece.code), owner = OwnerOf(piece.code);
      const PieceListEntry& king = position->pieces[1 - owner];
      if (piece.file < 1 || AttackRow[pieceType] == NO_ROW) continue;
      const AttackParts parts =
          KingAttackParts(g_evalParams, owner, pieceType, king.file, king.rank, piece.file, piece.rank);
      if (parts.part[0] > 0) contributors[owner][FileListOf(piece.file, king.file)] |= uint64_t{1} << id;
      if (parts.part[1] > 0) contributors[owner][RankListOf(piece.rank, king.rank)] |= uint64_t{1} << id;
    }
  for (int s = 0; s < 2; ++s)
    for (int list = 0; list < ATTACK_LIST_COUNT; ++list)
      if (std::popcount(contributors[s][list]) >= 6) {
        std::fill_n(a.side[s].attackList[list], TOP_SIX_SIZE, 0);
        std::fill_n(b.side[s].attackList[list], TOP_SIX_SIZE, 0);
        any = true;
      }
  return any;
}

// Random games under random tables (every tenth under the tuned tables of
// its start): after every move the incremental state from the carried one
// equals the full state of the child. The carried state starts over from
// the full one after an exempt case.
TEST(IncrementalEvaluation, EqualsFullEvaluationAfterEveryMoveOfRandomGames) {
  const int games = SampleCount(1000);
  uint64_t moves = 0, exempt = 0, kingCaptures = 0, longestRun = 0, run = 0;
  PlayoutEvents events;
  for (int game = 0; game < games; ++game) {
    Position position = StartPosition(game % 8);
    const SenkeiId pair[2] = {0, 0};
    if (game % 10 == 0)
      InitEvalParams(position, pair);
    else
      FillRandomEvalParams(500 + game, g_evalParams, g_testTable);
    EvalState carried = FullOf(position);
    PlayRandomGame(position, 7000 + game, 160, [&](Position& current, const MoveRecord& move) {
      // The parent's per-node words are set: the child must start without them.
      EvalEnemyKingTerm(current, &carried);
      carried.defence[0].addend = carried.material[1].addend = 77;
      const Position before = current;
      MakeMove(current, move, 0);
      g_attackHistoryDepth = 0;
      EvalState child, full = FullOf(current);
      EvaluateMoveDelta(move, current, carried, &child);
      EvalState compared = child;
      const bool isExempt = ClearExemptWords(before, current, move, compared, full);
      EXPECT_EQ(Words(compared), Words(full)) << DescribeMove(move) << " game " << game << " after " << moves;
      carried = isExempt ? FullOf(current) : child;
      run = isExempt ? 0 : run + 1;
      longestRun = std::max(longestRun, run);
      moves += 1, exempt += isExempt;
      kingCaptures += TypeOf(move.pieceCode) == KING && move.IsCapture();
      return !HasFailure();
    }, events);
    ASSERT_FALSE(HasFailure());
  }
  // The games reach every kind of update, and long stretches stay exact.
  // Among them thousands of king captures, whose captured attacker must
  // leave no entry behind (removed against the king's old square).
  EXPECT_LT(exempt * 10, moves);
  EXPECT_GT(std::min({kingCaptures, events.promotedCaptures / 10, events.drops / 100, longestRun}),
            static_cast<uint64_t>(games / 40));
}

// A full list: the sixth entry cannot be removed; a value not in the list
// removes the entry at its place; removing the first leaves places 5 and 6
// equal; a smaller new value for an absent old one changes nothing.
TEST(TopSixList, FullListDropsAndRemovesByPlace) {
  const std::pair<std::pair<int, int>, std::vector<int>> changes[] = {
      {{50, 0}, {90, 80, 70, 70, 60, 50}}, {{75, 0}, {90, 70, 70, 60, 50, 50}},
      {{90, 0}, {80, 70, 70, 60, 50, 50}}, {{65, 20}, {90, 80, 70, 70, 60, 50}},
      {{20, 95}, {95, 90, 80, 70, 70, 60}}};
  for (const auto& [change, expected] : changes) {
    uint16_t list[TOP_SIX_SIZE] = {90, 80, 70, 70, 60, 50};
    TopSixReplace(list, change.first, change.second);  // a new value of 0 removes
    EXPECT_EQ(std::vector<int>(list, list + TOP_SIX_SIZE), expected) << change.first << " to " << change.second;
  }
}

// Parameters all zero: only the fixed values of the design remain.
void ZeroParams() {
  std::memset(&g_evalParams, 0, sizeof g_evalParams);
  BuildKingRelativeTables(g_evalParams);
  std::memset(&g_testTable, 0, sizeof g_testTable);
  g_activePieceSquareTable = &g_testTable;
}

TEST(FullEvaluation, FixedValuesOfTokinsRooksOpenFilesAndKingSquares) {
  ZeroParams();
  std::vector<PlacedPiece> pieces = {{0, KING, 5, 9}, {1, KING, 5, 1}};
  for (int i = 0; i < 18; ++i) pieces.push_back({0, TOKIN, 1 + i % 9, 3 + i / 9});
  EXPECT_EQ(FullOf(BuildPosition(0, pieces)).material[0].value, -9300);
  const EvalState rooks = FullOf(BuildPosition(0, {{0, KING, 5, 9}, {1, KING, 5, 1}, {0, ROOK, 2, 3}, {1, ROOK, 2, 3}}));
  EXPECT_EQ(std::vector<int>({rooks.side[0].attackSum, rooks.reserveValue[0], rooks.side[1].attackSum,
                              rooks.reserveValue[1]}),
            std::vector<int>({650, 100, 150, 400}));  // in the enemy camp, and outside it
  // No pawn anywhere: all nine files open, the term capped at 320.
  std::fill_n(g_evalParams.openFileWeight, 9, 100);
  g_evalParams.openFileScale[0] = 256;
  const EvalState open = FullOf(BuildPosition(0, {{0, KING, 5, 9}, {1, KING, 5, 1}}));
  EXPECT_EQ(open.side[0].openFileAccumulator, 900u);
  EXPECT_EQ(open.side[0].attackSum, 320);
  // The king's square values, read with the base the tuned table is filled
  // with (file 1 and rank 1 at index 0).
  Position start = StartPosition();
  const SenkeiId pair[2] = {0, 0};
  InitEvalParams(start, pair);
  const int kings[][6] = {{5, 9, 5, 1, -250, -250}, {1, 7, 9, 3, -100, 0}, {9, 7, 1, 3, 0, -100}, {2, 1, 8, 9, 1500, 1500}};
  for (const auto& [file0, rank0, file1, rank1, value0, value1] : kings) {
    const EvalState state = FullOf(BuildPosition(0, {{0, KING, file0, rank0}, {1, KING, file1, rank1}}));
    EXPECT_EQ(std::make_pair(int{state.defence[0].value}, int{state.defence[1].value}), std::make_pair(value0, value1));
  }
}

// A rook whose rank meets the enemy king and whose file ends at the wall, one
// whose file ends at the wall five files from the king, a bishop near the
// wall: the king and the wall weigh nothing as targets, distances past the
// tables nothing, and walks stop at the border without taking it.
TEST(EnemyKingTerm, LinesEndingAtTheKingOrTheWallAndAddedOncePerNode) {
  ZeroParams();
  const struct {
    std::vector<PlacedPiece> pieces;
    int expected;
  } cases[] = {
      {{{0, KING, 9, 9}, {1, KING, 4, 1}, {0, ROOK, 1, 1}}, 300 + (80 * 102 >> 8)},  // rank bonus, wall at 3
      {{{0, KING, 5, 9}, {1, KING, 4, 1}, {0, ROOK, 9, 5}}, 0},
      {{{0, KING, 9, 9}, {1, KING, 1, 2}, {0, BISHOP, 2, 5}}, 195 >> 1},  // nearest 1-4, not the wall's 0-3
  };
  for (const auto& [pieces, expected] : cases) {
    const Position position = BuildPosition(1, pieces);
    EvalState state = FullOf(position);
    EvalEnemyKingTerm(position, &state);
    EvalEnemyKingTerm(position, &state);  // the second call adds nothing
    EXPECT_EQ(std::vector<int>({state.side[0].enemyKingTerm, state.side[1].enemyKingTerm, int(state.flags)}),
              std::vector<int>({expected, 0, int(EVAL_FLAG_ENEMY_KING_TERM)}));
  }
}

// A lance within four files of the enemy king stands in for a pawn at the
// first piece ahead of it, or on the king's rank; five files or more away
// it adds nothing, though a pawn there would be worth something.
TEST(EnemyKingTerm, LanceWithinFourFilesOfTheKing) {
  const struct {
    int side, file, rank;
    std::vector<PlacedPiece> more;
    int reach;  // the rank of the pawn it stands for, 0 for none
  } cases[] = {
      {0, 5, 6, {}, 1},  {0, 6, 6, {}, 0},  {0, 4, 7, {{1, PAWN, 4, 3}}, 3}, {0, 9, 5, {}, 0},
      {1, 5, 3, {}, 9},  {1, 4, 2, {}, 0},  {1, 6, 1, {{0, GOLD, 6, 6}}, 6}, {1, 9, 4, {}, 9},
  };
  int outsideWorth = 0;
  for (int seed = 40; seed < 44; ++seed) {
    FillRandomEvalParams(static_cast<uint64_t>(seed), g_evalParams, g_testTable);
    for (const auto& c : cases) {
      const int kingFile = c.side == 0 ? 1 : 9, kingRank = c.side == 0 ? 1 : 9;
      std::vector<PlacedPiece> pieces = {{0, KING, 9, 9}, {1, KING, 1, 1}, {c.side, LANCE, c.file, c.rank}};
      pieces.insert(pieces.end(), c.more.begin(), c.more.end());
      const Position position = BuildPosition(0, pieces);
      NodeState node;
      EvalEnemyKingTerm(position, &node.eval);
      const auto pawnOn = [&](int rank) {
        return KingApproachValue(g_evalParams, c.side, PAWN, kingFile, kingRank, c.file, rank);
      };
      if (c.reach == 0) outsideWorth |= pawnOn(kingRank);
      EXPECT_EQ(node.eval.side[c.side].enemyKingTerm, c.reach == 0 ? 0 : pawnOn(c.reach)) << c.side << " " << c.file;
      EXPECT_EQ(node.eval.side[1 - c.side].enemyKingTerm, 0);
    }
  }
  EXPECT_NE(outsideWorth, 0) << "the tables should value a pawn five files away";
}

}  // namespace
