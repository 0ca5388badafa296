// The node services: which silver move names the advanced-silver square, the
// follow-up key chain over the line, the static score with its once-per-node
// terms, the null move and its undo, and the attack-history depth limit.
#include "engine/search/node_services.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <utility>
#include <vector>

#include "engine/eval/evaluate_delta.h"
#include "engine/eval/evaluate_full.h"
#include "engine/eval/pattern_eval.h"
#include "engine/eval/score_blend.h"
#include "engine/search/search_globals.h"
#include "support/engine_oracle.h"
#include "support/generator_checks.h"
#include "support/playout.h"
#include "support/position_builder.h"
#include "support/root_eval_fill.h"

namespace {

constexpr PieceCode Code(int side, int type) { return static_cast<PieceCode>(OwnerBit(side) | type); }

MoveRecord Board(int fromFile, int fromRank, int toFile, int toRank, PieceCode code, PieceCode captured = 0,
                 int promote = 0) {
  MoveRecord move{};
  move.Set(fromFile, fromRank, toFile, toRank, 10, code, captured != 0 ? 30 : EMPTY_PIECE_ID, captured, promote);
  return move;
}
MoveRecord Drop(int toFile, int toRank, PieceCode code) {
  MoveRecord move{};
  move.SetDrop(toFile, toRank, 10, code);
  return move;
}
MoveRecord Null() {
  MoveRecord move{};
  move.SetNull();
  return move;
}

// 16 x file + rank of the destination, from the rule: a silver one rank
// straight forward onto rank 5, or rank 4 (side 0) or 6 (side 1), taking
// nothing or an unpromoted pawn; after a null move the move before counts.
TEST(AdvancedSilverSquare, OnlyAStraightSilverStepIntoTheMiddle) {
  const PieceCode silver0 = Code(0, SILVER), silver1 = Code(1, SILVER);
  const MoveRecord unrelated = Board(1, 7, 1, 6, Code(0, PAWN));
  const struct {
    const char* what;
    MoveRecord move, before;
    int expected;
  } rows[] = {
      {"side 0 onto rank 5", Board(5, 6, 5, 5, silver0), unrelated, 16 * 5 + 5},
      {"side 1 onto rank 5", Board(4, 4, 4, 5, silver1), unrelated, 16 * 4 + 5},
      {"side 0 onto rank 4", Board(3, 5, 3, 4, silver0), unrelated, 16 * 3 + 4},
      {"side 1 onto rank 6", Board(7, 5, 7, 6, silver1), unrelated, 16 * 7 + 6},
      {"side 1 onto rank 4", Board(3, 3, 3, 4, silver1), unrelated, 0},
      {"side 0 onto rank 6", Board(7, 7, 7, 6, silver0), unrelated, 0},
      {"side 0 onto rank 3", Board(2, 4, 2, 3, silver0), unrelated, 0},
      {"side 1 onto rank 7", Board(8, 6, 8, 7, silver1), unrelated, 0},
      {"side 0 back onto rank 5", Board(5, 4, 5, 5, silver0), unrelated, 0},
      {"takes a pawn", Board(5, 6, 5, 5, silver0, Code(1, PAWN)), unrelated, 16 * 5 + 5},
      {"side 1 takes a pawn", Board(6, 5, 6, 6, silver1, Code(0, PAWN)), unrelated, 16 * 6 + 6},
      {"takes a tokin", Board(5, 6, 5, 5, silver0, Code(1, TOKIN)), unrelated, 0},
      {"takes a gold", Board(5, 6, 5, 5, silver0, Code(1, GOLD)), unrelated, 0},
      {"promoted silver", Board(5, 6, 5, 5, Code(0, PRO_SILVER)), unrelated, 0},
      {"promotes on the move", Board(5, 6, 5, 5, silver0, 0, 1), unrelated, 0},
      {"diagonal step", Board(6, 6, 5, 5, silver0), unrelated, 0},
      {"drop", Drop(5, 5, silver0), unrelated, 0},
      {"a gold", Board(5, 6, 5, 5, Code(0, GOLD)), unrelated, 0},
      {"null move after the step", Null(), Board(5, 6, 5, 5, silver0), 16 * 5 + 5},
      {"null move after a diagonal", Null(), Board(6, 6, 5, 5, silver0), 0},
      {"null move after a null move", Null(), Null(), 0},
      {"the step before a real move", unrelated, Board(5, 6, 5, 5, silver0), 0},
  };
  ResetSearchGlobals();
  for (const int ply : {0, 3}) {
    g_ply = ply;
    for (const auto& row : rows) {
      // At ply 0 the move before is the line's record before the root.
      g_lineMoves[ply - 1] = row.before;
      g_lineMoves[ply] = row.move;
      EXPECT_EQ(AdvancedSilverSquare(), row.expected) << row.what << " at ply " << ply;
    }
  }
  ResetSearchGlobals();
}

// Side 0 to move after side 1's last move; the line ends at the given ply
// with these moves, the last one at the ply.
uint32_t KeyAfter(int ply, const std::vector<MoveRecord>& line) {
  ResetSearchGlobals();
  const Position position = BuildPosition(0, {{0, KING, 5, 9}, {1, KING, 5, 1}});
  g_ply = ply;
  const int first = ply + 1 - static_cast<int>(line.size());
  for (size_t i = 0; i < line.size(); ++i) g_lineMoves[first + static_cast<int>(i)] = line[i];
  g_forcingMoveFilter = 0xdeadbeef;
  const uint32_t key = SetNodeFollowUpKey(position, 2);
  EXPECT_EQ(g_forcingMoveFilter, key);
  ResetSearchGlobals();
  return key;
}

// Keys worked from their layout: the answer 4-4 to 5-5 packs as 0x5544; a
// gold taking a pawn adds 0x70000 to the two-ply key and nothing to the
// four-ply one.
TEST(SetNodeFollowUpKey, TwoPlyKeyThenFourPlyKeyThenNone) {
  const MoveRecord goldTakesPawn = Board(5, 6, 5, 5, Code(0, GOLD), Code(1, PAWN));
  const MoveRecord silverRetakes = Board(4, 4, 5, 5, Code(1, SILVER), Code(0, GOLD));
  const MoveRecord silverSteps = Board(4, 3, 4, 4, Code(1, SILVER));
  const MoveRecord pawnElsewhere = Board(1, 7, 1, 6, Code(0, PAWN));
  const MoveRecord silverAside = Board(4, 4, 4, 5, Code(1, SILVER));
  const MoveRecord before = Board(8, 3, 8, 4, Code(1, PAWN));
  EXPECT_EQ(KeyAfter(2, {before, goldTakesPawn, silverRetakes}), 0x75544u) << "the recapture answers the capture";
  EXPECT_EQ(KeyAfter(3, {goldTakesPawn, silverSteps, pawnElsewhere, silverRetakes}), 0x5544u)
      << "retaken through the square of the move between";
  EXPECT_EQ(KeyAfter(3, {goldTakesPawn, silverSteps, pawnElsewhere, silverAside}), 0u) << "no exchange";
  // The line store begins one record before ply 0: at ply 1 the move four
  // plies back would lie before it; at ply 0 the record before the root
  // still gives the two-ply key.
  EXPECT_EQ(KeyAfter(1, {silverSteps, pawnElsewhere, silverRetakes}), 0u) << "too short for the four-ply key";
  EXPECT_EQ(KeyAfter(0, {goldTakesPawn, silverRetakes}), 0x75544u) << "from the record before the root";
}

// The score is the blend for the side to move after the enemy-king and
// pattern terms, unless the state holds both already; a state holding one
// of them still gets the other.
TEST(NodeStaticScore, BothTermsOnceThenTheBlend) {
  int visits = 0;
  ForEachSamplePosition(SampleCount(120), 310, [&](Position& position) {
    FillRandomRootTables(320 + visits, visits % 2 == 0);
    EvalState root;
    EvaluateFull(position, &root);
    const int silver = visits % 3 == 0 ? 16 * 5 + 5 : 0;
    const MoveRecord nodeMove = visits % 4 == 0 ? Null() : Board(5, 6, 5, 5, Code(position.sideToMove ^ 1, GOLD));
    const int side = position.sideToMove;
    for (const uint32_t flags : {0u, EVAL_FLAG_ENEMY_KING_TERM, EVAL_FLAG_PATTERN_TERM}) {
      EvalState byHand = root, state = root, tokin = root;
      byHand.flags = state.flags = tokin.flags = flags;
      EvalEnemyKingTerm(position, &byHand);
      EvalPatternTerm(position, silver, &nodeMove, &byHand);
      ASSERT_EQ(NodeStaticScore(position, silver, nodeMove, state), BlendScore(byHand, side)) << flags;
      ASSERT_EQ(std::memcmp(&state, &byHand, sizeof state), 0) << flags;
      ASSERT_EQ(NodeStaticScoreTokinAware(position, silver, nodeMove, tokin),
                BlendScoreTokinAware(byHand, position, side));
    }
    // Both already in: nothing is added, though the pattern term (its tempo
    // alone) would change the state.
    EvalState done = root;
    done.flags = EVAL_FLAG_ENEMY_KING_TERM | EVAL_FLAG_PATTERN_TERM;
    const EvalState before = done;
    EvalState again = done;
    EvalPatternTerm(position, silver, &nodeMove, &again);
    ASSERT_NE(std::memcmp(&again, &before, sizeof again), 0);
    ASSERT_EQ(NodeStaticScore(position, silver, nodeMove, done), BlendScore(before, side));
    ASSERT_EQ(NodeStaticScoreTokinAware(position, silver, nodeMove, done), BlendScoreTokinAware(before, position, side));
    ASSERT_EQ(std::memcmp(&done, &before, sizeof done), 0);
    ++visits;
  });
  EXPECT_GT(visits, SampleCount(120) / 2);
}

// While it stands the null move leaves the key of the same position with the
// other side to move and the null move on the line at the raised ply; its
// undo gives back every word of the position, the key and the line.
TEST(NullMove, KeyOfTheOtherSideToMoveAndAnExactUndo) {
  ResetSearchGlobals();
  static Position before;
  static MoveRecord lineBefore[MAX_LINE_PLY + 1];
  int visits = 0;
  ForEachSamplePosition(SampleCount(200), 330, [&](Position& position) {
    const int handSide = visits % 2;
    g_ply = visits % 5;
    g_lineMoves[g_ply + 1] = Board(2, 7, 2, 6, Code(0, PAWN));
    std::memcpy(&before, &position, sizeof before);
    std::memcpy(lineBefore, g_lineMoves - 1, sizeof lineBefore);
    PositionKey key, expected;
    ComputePositionKey(position, handSide, key);
    const PositionKey keyBefore = key;
    const int depth = g_attackHistoryDepth;
    NullMoveUndo undo;
    ASSERT_TRUE(MakeNullMove(position, key, handSide, undo));
    Position otherSide = before;
    otherSide.sideToMove ^= 1;
    ComputePositionKey(otherSide, handSide, expected);
    ASSERT_EQ(key, expected);
    ASSERT_EQ(std::memcmp(&position, &otherSide, sizeof position), 0);
    ASSERT_TRUE(g_ply == visits % 5 + 1 && g_lineMoves[g_ply].IsNull() && g_attackHistoryDepth == depth);
    UnmakeNullMove(position, key, handSide, undo);
    ASSERT_EQ(std::memcmp(&position, &before, sizeof position), 0);
    ASSERT_EQ(key, keyBefore);
    ASSERT_EQ(g_ply, visits % 5);
    ASSERT_EQ(std::memcmp(lineBefore, g_lineMoves - 1, sizeof lineBefore), 0);
    ++visits;
  });
  // The last ply of the line has no room after it: refused, nothing changed.
  Position position = StartPosition();
  PositionKey key{};
  NullMoveUndo undo;
  g_ply = MAX_LINE_PLY - 1;
  EXPECT_FALSE(MakeNullMove(position, key, 0, undo));
  EXPECT_TRUE(g_ply == MAX_LINE_PLY - 1 && position.sideToMove == 0 && key == PositionKey{});
  ResetSearchGlobals();
}

// 44 recorded makes fill the 44 layers; the guard refuses the next one and
// allows it again after an unmake.
TEST(CanMakeRecordedMove, RefusesTheFortyFifthLayer) {
  Position position = StartPosition();
  InitAttackHistory();
  PlayoutRandom random{44};
  std::vector<MoveRecord> made;
  for (int layer = 0; layer < ATTACK_HISTORY_LAYERS; ++layer) {
    ASSERT_TRUE(CanMakeRecordedMove()) << layer;
    const std::vector<MoveRecord> moves = OracleMoves(position);
    ASSERT_FALSE(moves.empty()) << "the game ended after " << layer << " moves";
    made.push_back(moves[static_cast<size_t>(random.Below(static_cast<int>(moves.size())))]);
    MakeMove(position, made.back(), 1);
  }
  EXPECT_FALSE(CanMakeRecordedMove());
  UnmakeMove(position, made.back(), 1);
  EXPECT_TRUE(CanMakeRecordedMove());
  for (int i = static_cast<int>(made.size()) - 2; i >= 0; --i) UnmakeMove(position, made[static_cast<size_t>(i)], 1);
  EXPECT_TRUE(EquivalentPositions(position, StartPosition()));
}

std::set<std::pair<int, int>> SquaresOf(const AttackChangeRecord* list) {
  std::set<std::pair<int, int>> squares;
  for (; list != nullptr; list = list->next) squares.insert({list->file, list->rank});
  return squares;
}

// Side 0's pawn 5-5 takes on 5-4 out of the line of side 1's bishop on 8-2:
// the pawn no longer attacks 5-4, and the bishop newly reaches 4-6 to 1-9.
// A null move on top leaves the list; a quiet recorded make has none.
TEST(LastRecordedMoveList, TheSquaresTheLastRecordedMakeChanged) {
  ResetSearchGlobals();
  InitAttackHistory();
  Position position =
      BuildPosition(0, {{0, KING, 5, 9}, {1, KING, 5, 1}, {0, PAWN, 5, 5}, {1, PAWN, 5, 4}, {1, BISHOP, 8, 2}});
  EXPECT_EQ(LastRecordedMoveList(), nullptr) << "no make standing";
  const MoveRecord capture = MoveOn(position, 5, 5, 5, 4);
  MakeMove(position, capture, 1);
  const std::set<std::pair<int, int>> expected = {{5, 4}, {4, 6}, {3, 7}, {2, 8}, {1, 9}};
  EXPECT_EQ(SquaresOf(LastRecordedMoveList()), expected);
  PositionKey key{};
  NullMoveUndo undo;
  ASSERT_TRUE(MakeNullMove(position, key, 0, undo));
  EXPECT_EQ(SquaresOf(LastRecordedMoveList()), expected);
  const MoveRecord quiet = MoveOn(position, 5, 9, 4, 8);
  MakeMove(position, quiet, 1);
  EXPECT_EQ(LastRecordedMoveList(), nullptr);
  UnmakeMove(position, quiet, 1);
  UnmakeNullMove(position, key, 0, undo);
  UnmakeMove(position, capture, 1);
  ResetSearchGlobals();
}

// A reset leaves the search state as a new think finds it: every line
// record the null move, buffer, ply, counters and follow-up key at 0.
TEST(ResetSearchGlobals, ClearsTheLineTheBufferAndEveryCounter) {
  g_moveBufferTop = 17;
  g_ply = 5;
  g_nodeCount = 99;
  g_searchGeneration = 3;
  g_forcingMoveFilter = 0x5544;
  for (int ply = -1; ply < MAX_LINE_PLY; ++ply) g_lineMoves[ply].SetDrop(5, 5, 22, PAWN);
  ResetSearchGlobals();
  EXPECT_EQ(g_moveBufferTop, 0);
  EXPECT_EQ(g_ply, 0);
  EXPECT_EQ(g_nodeCount, 0u);
  EXPECT_EQ(g_searchGeneration, 0u);
  EXPECT_EQ(g_forcingMoveFilter, 0u);
  for (int ply = -1; ply < MAX_LINE_PLY; ++ply) EXPECT_TRUE(g_lineMoves[ply].IsNull()) << ply;
}

}  // namespace
