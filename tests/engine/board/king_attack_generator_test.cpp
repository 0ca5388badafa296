// The king-attack generators beyond the shared node-generator properties
// and the engine signature: diagrams of rules the sampled positions rarely meet.
#include <algorithm>
#include <cstdint>

#include <gtest/gtest.h>

#include "engine/board/attack_drop_proposers.h"
#include "engine/board/attacking_board_moves.h"
#include "engine/board/king_attack_generator.h"
#include "engine/board/king_attack_shallow.h"
#include "engine/board/make_move.h"
#include "engine/search/search_globals.h"
#include "support/engine_oracle.h"
#include "support/generator_checks.h"
#include "support/make_unmake_checks.h"
#include "support/position_builder.h"

namespace {

MoveCodeList g_done;

// GenerateKingAttackMoves with null line records on a built position.
std::vector<MoveRecord> AttackMoves(Position& position, int depth, int stage) {
  InitAttackMoveStamps();
  ResetSearchGlobals();
  SetUpUndecidedThink(position, stage);
  g_done.Clear();
  std::vector<MoveRecord> moves;
  EXPECT_TRUE(RunsCleanly(position, [&](MoveRecord* out) {
    return GenerateKingAttackMoves(position, g_lineMoves, depth, 0, g_done, out);
  }, moves));
  return moves;
}

// Moves as file * 100 + rank * 10 + promote, drops or board moves of one piece.
std::vector<int> Targets(const std::vector<MoveRecord>& moves, int pieceId = -1) {
  std::vector<int> targets;
  for (const MoveRecord& m : moves) {
    if (pieceId < 0 ? m.IsDrop() : m.pieceId == pieceId) targets.push_back(m.toFile * 100 + m.toRank * 10 + m.promote);
  }
  return targets;
}

// Diagrams of the rules, side 0 to move, as the moves of one piece (or the
// drops, piece -1) the generator writes at a depth and stage.
struct AttackCase {
  const char* what;
  std::vector<PlacedPiece> pieces;
  std::vector<HandPieces> hand;
  int depth, stage, pieceId;
  std::vector<int> expected;
};

TEST(KingAttackGenerator, DiagramsOfTheRules) {
  const std::vector<PlacedPiece> kings = {{0, KING, 5, 9}, {1, KING, 5, 1}, {1, GOLD, 4, 1}, {1, GOLD, 6, 1}};
  auto with = [](std::vector<PlacedPiece> pieces, std::initializer_list<PlacedPiece> more) {
    pieces.insert(pieces.end(), more);
    return pieces;
  };
  const AttackCase cases[] = {
      // The shallow rook takes (promoting) the piece the enemy king stands
      // right behind, not one next to the king nor one behind a second piece.
      {"rook takes the screen", {{0, KING, 9, 9}, {1, KING, 5, 1}, {1, SILVER, 5, 3}, {0, ROOK, 5, 8}, {0, GOLD, 6, 9}},
       {}, 0, 1, 2, {531}},
      {"screen next to the king", {{0, KING, 9, 9}, {1, KING, 5, 1}, {1, SILVER, 5, 2}, {0, ROOK, 5, 8}, {0, GOLD, 6, 9}},
       {}, 0, 1, 2, {}},
      {"screen behind a pawn", {{0, KING, 9, 9}, {1, KING, 5, 1}, {1, SILVER, 5, 3}, {0, ROOK, 5, 8}, {0, GOLD, 6, 9},
        {1, PAWN, 5, 5}}, {}, 0, 1, 2, {550}},
      // The shallow rook fork on the king's file: a pawn is no second target,
      // a loose gold is, an enemy rook met first stops the drop.
      {"fork of a pawn", with(kings, {{1, PAWN, 2, 3}}), {{0, ROOK, 1}}, 0, 1, -1, {}},
      {"fork of a gold", with(kings, {{1, PAWN, 2, 3}, {1, GOLD, 8, 5}}), {{0, ROOK, 1}}, 0, 1, -1, {550}},
      {"rook met first", with(kings, {{1, PAWN, 2, 3}, {1, GOLD, 8, 5}, {1, ROOK, 2, 5}}), {{0, ROOK, 1}}, 0, 1, -1, {}},
      // On an open file every square from the second outward that forks a loose piece.
      {"fork down the open file", with(kings, {{1, SILVER, 9, 3}, {1, SILVER, 1, 4}, {1, SILVER, 9, 5},
        {1, SILVER, 1, 6}, {1, GOLD, 9, 7}, {1, GOLD, 1, 8}}), {{0, ROOK, 1}}, 0, 2, -1, {530, 540, 550, 560, 570, 580}},
  };
  for (const AttackCase& c : cases) {
    Position position = BuildPosition(0, c.pieces, c.hand);
    EXPECT_EQ(Targets(AttackMoves(position, c.depth, c.stage), c.pieceId), c.expected) << c.what;
  }
}

// A bishop drop on the enemy rook's diagonal with an undefended gold beyond
// (the king far away) counts as proposed twice at once and survives at depth 3.
TEST(AttackDropProposers, BishopForkOfRookAndGoldCountsTwice) {
  Position position = BuildPosition(0, {{0, KING, 9, 9}, {1, KING, 1, 1}, {1, ROOK, 5, 5}, {1, GOLD, 8, 2}},
                                    {{0, BISHOP, 1}});
  const std::vector<int> drops = Targets(AttackMoves(position, 3, 1));
  EXPECT_NE(std::find(drops.begin(), drops.end(), 640), drops.end());
  BeginAttackMoveStamps();
  ProposeBishopDropsOnRook(position, 3, 5, 5, g_lineMoves, g_lineMoves - 1);
  EXPECT_TRUE(g_attackMoveStamps.IsMarked(position.HandStackTop(0, BISHOP), 6, 4, 0, AttackMoveStamps::kTwice));
}

// One attack-move generator's moves for one piece of a built position.
using PieceGenerator = int (*)(const AttackMoveInputs&, int, PieceCode, int, int, MoveRecord*);
// The last move is the null move; `previous`, when given, is the side's own
// move before it.
std::vector<int> PieceAttacks(const std::vector<PlacedPiece>& pieces, PieceGenerator generate, int id, int depth,
                              const MoveRecord* previous = nullptr) {
  Position position = BuildPosition(0, pieces);
  // A diagram whose side not to move stands in check has no rule to show.
  EXPECT_FALSE(OracleInCheck(position, 1));
  ResetSearchGlobals();
  if (previous != nullptr) g_lineMoves[-1] = *previous;
  g_done.Clear();
  SetUpUndecidedThink(position, 1);
  const AttackMoveInputs in{position, g_lineMoves, g_lineMoves - 1, depth, 0, g_done};
  const PieceListEntry piece = position.pieces[id];
  std::vector<MoveRecord> moves;
  EXPECT_TRUE(RunsCleanly(position, [&](MoveRecord* out) {
    return generate(in, id, piece.code, piece.file, piece.rank, out);
  }, moves));
  return Targets(moves, id);
}

TEST(AttackingBoardMoves, DiagramsOfThePieceRules) {
  const std::vector<PlacedPiece> rook = {{0, KING, 1, 9}, {1, KING, 9, 1}, {0, ROOK, 5, 7}};
  // The silver on the long diagonal's far end shields its king.
  const std::vector<PlacedPiece> bishop = {{0, KING, 5, 9}, {1, KING, 1, 2}, {1, SILVER, 1, 1}, {0, BISHOP, 8, 8},
                                           {0, GOLD, 6, 7}, {1, BISHOP, 8, 4}};
  const std::vector<PlacedPiece> silverLance = {{0, KING, 9, 9}, {1, KING, 5, 3}, {0, SILVER, 3, 1}, {0, GOLD, 4, 1},
                                                {0, LANCE, 1, 5}, {1, GOLD, 1, 2}};
  const std::vector<PlacedPiece> rookLane = {{0, KING, 5, 2}, {1, KING, 9, 1}, {0, ROOK, 9, 4}, {0, PAWN, 9, 3},
                                             {0, GOLD, 9, 5}};
  const std::vector<PlacedPiece> pawnAhead = {{0, KING, 5, 9}, {1, KING, 9, 1}, {0, SILVER, 5, 5}, {1, PAWN, 5, 4}};
  const struct {
    const char* what;
    std::vector<int> actual, expected;
  } cases[] = {
      // An unpromoted rook entering the camp promotes without a target
      // count; its quiet moves short of the camp find nothing to attack.
      {"rook into the camp", PieceAttacks(rook, GenerateRookMoveAttacks, 2, 1), {531, 521, 511}},
      // A quiet bishop move whose cross diagonal meets an enemy bishop:
      // never below depth 3, at once from depth 3. Into the camp only where
      // the enemy attacks less (3-3 but not 2-2, next to the king), and the
      // silver at the end is taken, promoting.
      {"bishop at depth 2", PieceAttacks(bishop, GenerateBishopMoveAttacks, 4, 2), {331, 111}},
      {"bishop at depth 3", PieceAttacks(bishop, GenerateBishopMoveAttacks, 4, 3), {660, 331, 111}},
      // Along rank 4 only 5-4 has a target: its forward file meets the own
      // king in the camp with 5-3 open before it, one count, enough at depth 6.
      {"rook lane past the own king", PieceAttacks(rookLane, GenerateRookMoveAttacks, 2, 6), {540}},
      {"one count is not enough at depth 1", PieceAttacks(rookLane, GenerateRookMoveAttacks, 2, 1), {}},
      // A silver stepping back next to the king checks only unpromoted; a
      // lance taking on its second rank only promotes.
      {"plain silver check", PieceAttacks(silverLance, GenerateSilverMoveAttacks, 10, 5), {421, 420, 221}},
      {"lance on its second rank", PieceAttacks(silverLance, GenerateLanceMoveAttacks, 18, 5), {131, 121}},
      // An undefended pawn straight ahead is taken at once, by a silver as
      // by a gold, though the step gains nothing else at depth 1.
      {"silver takes the pawn ahead", PieceAttacks(pawnAhead, GenerateSilverMoveAttacks, 10, 1), {540}},
  };
  for (const auto& c : cases) EXPECT_EQ(c.actual, c.expected) << c.what;
}

}  // namespace

namespace {

// After a null move the piece the own previous quiet move moved does not go
// on along that move's line, either way; another line, or a previous
// capture or promotion, leaves its moves alone.
TEST(AttackingBoardMoves, NullMoveStopsTheLineOfTheOwnPreviousMove) {
  const std::vector<PlacedPiece> rook = {{0, KING, 1, 9}, {1, KING, 9, 1}, {0, ROOK, 5, 7}};
  const PieceCode code = OwnerBit(0) | ROOK;
  const auto previous = [&](int fromFile, int fromRank, PieceCode captured, int promote) {
    MoveRecord move{};
    move.Set(fromFile, fromRank, 5, 7, 2, code, captured ? 30 : EMPTY_PIECE_ID, captured, promote);
    return move;
  };
  const struct {
    const char* what;
    MoveRecord previous;
    std::vector<int> expected;
  } cases[] = {
      {"up the file before", previous(5, 8, 0, 0), {}},
      {"down the file before", previous(5, 3, 0, 0), {}},
      {"along the rank before", previous(6, 7, 0, 0), {531, 521, 511}},
      {"a capture up the file", previous(5, 8, OwnerBit(1) | PAWN, 0), {531, 521, 511}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PieceAttacks(rook, GenerateRookMoveAttacks, 2, 2, &c.previous), c.expected) << c.what;
  }
}

// A stamp that wraps to 0 clears the table, so a proposal made at stamp 1
// long ago is not taken for a current one.
TEST(AttackMoveStamps, AWrappedStampForgetsEveryProposal) {
  InitAttackMoveStamps();
  g_attackMoveStamps.Mark(6, 5, 5, 0, AttackMoveStamps::kTagKing);
  ASSERT_TRUE(g_attackMoveStamps.IsMarked(6, 5, 5, 0, AttackMoveStamps::kProposed));
  g_searchGeneration = 0;
  g_attackMoveStamps.stamp = UINT32_MAX;
  BeginAttackMoveStamps();
  EXPECT_EQ(g_attackMoveStamps.stamp, 1u);
  EXPECT_FALSE(g_attackMoveStamps.IsMarked(6, 5, 5, 0, AttackMoveStamps::kProposed));
  EXPECT_FALSE(g_attackMoveStamps.IsMarked(6, 5, 5, 0, AttackMoveStamps::kTagKing));
  EXPECT_EQ(g_attackMoveStamps.count, 0u);
}

}  // namespace

namespace {

// The shallow generator's moves of one piece (the rook with PieceId 2 by
// default) in a game stage, null line records.
std::vector<int> ShallowRookTargets(Position& position, int pieceId = 2, int stage = 1) {
  ResetSearchGlobals();
  SetUpUndecidedThink(position, stage);
  g_done.Clear();
  std::vector<MoveRecord> moves;
  EXPECT_TRUE(RunsCleanly(position, [&](MoveRecord* out) {
    return GenerateKingAttackMovesShallow(position, g_lineMoves, g_lineMoves, g_lineMoves - 1, 0, g_done, out);
  }, moves));
  return Targets(moves, pieceId);
}

// A rook off the king's lines goes where the king is the first piece ahead,
// 5-5 below it, only over open squares: a pawn on 7-5 leaves only 9-1.
TEST(KingAttackShallow, RookApproachesTheKingOnlyWhereItReaches) {
  for (const bool blocked : {false, true}) {
    std::vector<PlacedPiece> pieces = {{0, KING, 9, 9}, {1, KING, 5, 1}, {0, ROOK, 9, 5}};
    if (blocked) pieces.push_back({0, PAWN, 7, 5});
    Position position = BuildPosition(0, pieces);
    const std::vector<int> targets = ShallowRookTargets(position);
    EXPECT_EQ(std::count(targets.begin(), targets.end(), 550), blocked ? 0 : 1) << blocked;
    EXPECT_EQ(std::count(targets.begin(), targets.end(), 911), 1) << blocked;
  }
}

// A rook two files from the king, already in its promotion zone (so no
// push into the zone competes), steps onto the king's rank at 7-1,
// promoting, and onto its file at 5-3.
TEST(KingAttackShallow, RookStepsOntoTheKingsRankFromTwoFilesAway) {
  Position position = BuildPosition(0, {{0, KING, 9, 9}, {1, KING, 5, 1}, {0, ROOK, 7, 3}});
  const std::vector<int> targets = ShallowRookTargets(position);
  EXPECT_EQ(std::count(targets.begin(), targets.end(), 711), 1);
  EXPECT_EQ(std::count(targets.begin(), targets.end(), 531), 1);
}

// While a key is set, the shallow lance capture up the file is refused after
// an enemy lance move from that file that ended on another rank; a lance
// move elsewhere, or none, leaves the capture of the rook.
TEST(KingAttackShallow, LanceCaptureAfterAnEnemyLanceMoveOnItsFile) {
  Position position = BuildPosition(
      0, {{0, KING, 9, 9}, {1, KING, 1, 1}, {0, LANCE, 5, 7}, {1, ROOK, 5, 3}, {1, LANCE, 5, 2}});
  ResetSearchGlobals();
  SetUpUndecidedThink(position, 1);
  const PieceCode enemyLance = static_cast<PieceCode>(OwnerBit(1) | LANCE);
  const struct {
    const char* what;
    int fromFile, fromRank, toRank;
    uint32_t key;
    std::vector<int> expected;
  } cases[] = {
      {"lance moved on the file", 5, 1, 2, 0x5544, {}},
      {"no key", 5, 1, 2, 0, {531}},
      {"lance moved on another file", 4, 1, 2, 0x5544, {531}},
  };
  // The rook's square changed with the last move, so the threat test
  // lets the capture through.
  SetChangedSquares({{5, 3}});
  for (const auto& c : cases) {
    MoveRecord last{};
    last.Set(c.fromFile, c.fromRank, c.fromFile, c.toRank, 19, enemyLance, EMPTY_PIECE_ID, 0, 0);
    g_done.Clear();
    std::vector<MoveRecord> moves;
    EXPECT_TRUE(RunsCleanly(position, [&](MoveRecord* out) {
      return GenerateKingAttackMovesShallow(position, &last, &last, g_lineMoves - 1, c.key, g_done, out);
    }, moves));
    EXPECT_EQ(Targets(moves, 18), c.expected) << c.what;
  }
  InitAttackHistory();
}

}  // namespace

namespace {

// At depth 4 a quiet rook move whose only target is an enemy horse needs a
// second target when the horse can escape along a diagonal: over an empty
// square the side attacks, onto one it doesn't. The rook's 5-7 looks up
// file 5 at the horse on 5-3, hemmed in by its own pieces but for 4-4 and
// 3-5 beyond it.
TEST(AttackingBoardMoves, RookTargetingAHorseThatCanEscapeNeedsASecondTarget) {
  const std::vector<PlacedPiece> horse = {{0, KING, 1, 9}, {1, KING, 1, 1},  {0, ROOK, 9, 7},   {0, PAWN, 4, 5},
                                          {1, HORSE, 5, 3}, {1, GOLD, 4, 2}, {1, GOLD, 6, 2},   {1, SILVER, 6, 4},
                                          {1, SILVER, 3, 3}};
  auto has57 = [](const std::vector<int>& targets) { return std::count(targets.begin(), targets.end(), 570) == 1; };
  EXPECT_FALSE(has57(PieceAttacks(horse, GenerateRookMoveAttacks, 2, 4))) << "escape over 4-4 to 3-5";
  std::vector<PlacedPiece> shut = horse;
  shut.push_back({1, PAWN, 3, 5});
  EXPECT_TRUE(has57(PieceAttacks(shut, GenerateRookMoveAttacks, 2, 4))) << "3-5 taken by its own pawn";
}

bool Has(const std::vector<int>& moves, int move) { return std::find(moves.begin(), moves.end(), move) != moves.end(); }

// A rook's quiet move counts the first pieces across its line. Below depth 6
// an enemy pawn is a target only inside the camp, and never for a dragon; a dragon does not count a piece it already stands diagonally
// next to. The own pawn on 5-6 leaves 5-7 the only square up the file.
TEST(AttackingBoardMoves, RookCrossLineTargets) {
  const auto board = [](int rookType, PlacedPiece target) {
    return std::vector<PlacedPiece>{{0, KING, 1, 9}, {1, KING, 9, 1}, {0, rookType, 5, 8}, {0, PAWN, 5, 6}, target};
  };
  const std::vector<PlacedPiece> pawnOnRank7 = board(ROOK, {1, PAWN, 2, 7});
  const std::vector<PlacedPiece> dragonPawn = board(DRAGON, {1, PAWN, 2, 7});
  const std::vector<PlacedPiece> pawnInCamp = board(ROOK, {1, PAWN, 2, 3});
  const std::vector<PlacedPiece> dragonPawnInCamp = board(DRAGON, {1, PAWN, 2, 3});
  const std::vector<PlacedPiece> bishopNextToDragon = board(DRAGON, {1, BISHOP, 4, 7});
  const std::vector<PlacedPiece> bishopFarther = board(DRAGON, {1, BISHOP, 3, 7});
  const struct {
    const char* what;
    std::vector<int> moves;
    int move;
    bool written;
  } cases[] = {
      {"pawn outside the camp at depth 5", PieceAttacks(pawnOnRank7, GenerateRookMoveAttacks, 2, 5), 570, false},
      {"pawn outside the camp at depth 6", PieceAttacks(pawnOnRank7, GenerateRookMoveAttacks, 2, 6), 570, true},
      {"dragon, pawn outside the camp at depth 5", PieceAttacks(dragonPawn, GenerateRookMoveAttacks, 2, 5), 570,
       false},
      {"dragon, pawn outside the camp at depth 6", PieceAttacks(dragonPawn, GenerateRookMoveAttacks, 2, 6), 570,
       true},
      {"pawn in the camp ahead of 2-8 at depth 5", PieceAttacks(pawnInCamp, GenerateRookMoveAttacks, 2, 5), 280, true},
      {"dragon, pawn in the camp ahead of 2-8 at depth 5", PieceAttacks(dragonPawnInCamp, GenerateRookMoveAttacks, 2, 5),
       280, false},
      {"bishop next to the dragon, across 5-7", PieceAttacks(bishopNextToDragon, GenerateRookMoveAttacks, 2, 6), 570,
       false},
      {"bishop next to the dragon, ahead of 4-8", PieceAttacks(bishopNextToDragon, GenerateRookMoveAttacks, 2, 6),
       480, false},
      {"bishop one file farther, across 5-7", PieceAttacks(bishopFarther, GenerateRookMoveAttacks, 2, 6), 570, true},
  };
  for (const auto& c : cases) EXPECT_EQ(Has(c.moves, c.move), c.written) << c.what;
}

}  // namespace

namespace {

// A check from a square next to the king is kept while its exchange loses
// at most 50. In the opening stage (plain piece values) the gold (PieceId
// 6) on 5-3 steps to 5-2 when the silver on 4-3 covers it (the king leaves
// it, value 0), not when it stands alone (the king takes a gold).
TEST(KingAttackShallow, CheckNextToTheKingNeedsAnExchangeOfMinus50) {
  for (const bool covered : {true, false}) {
    std::vector<PlacedPiece> pieces = {{0, KING, 9, 9}, {1, KING, 5, 1}, {0, GOLD, 5, 3}};
    if (covered) pieces.push_back({0, SILVER, 4, 3});
    Position position = BuildPosition(0, pieces);
    const std::vector<int> targets = ShallowRookTargets(position, 6, 0);
    EXPECT_EQ(std::count(targets.begin(), targets.end(), 520), covered ? 1 : 0) << covered;
  }
}

}  // namespace
