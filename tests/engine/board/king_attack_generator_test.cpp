// The king-attack generators beyond the shared node-generator properties:
// the proposers' drops attack their targets, the diagrams of the rules and
// the shallow variant's promotions.
#include <algorithm>
#include <cstring>
#include <set>

#include <gtest/gtest.h>

#include "engine/board/attack_drop_proposers.h"
#include "engine/board/attacking_board_moves.h"
#include "engine/board/king_attack_generator.h"
#include "engine/board/king_attack_shallow.h"
#include "engine/board/make_move.h"
#include "engine/board/move_gen_helpers.h"
#include "engine/board/move_tests.h"
#include "engine/board/static_exchange.h"
#include "engine/eval/game_stage.h"
#include "engine/search/search_globals.h"
#include "support/engine_oracle.h"
#include "support/generator_checks.h"
#include "support/make_unmake_checks.h"
#include "support/playout.h"
#include "support/position_builder.h"

namespace {

MoveCodeList g_done;

// Each proposer, asked for any target square, proposes only empty board
// squares for a held type (never a second pawn on a file), and the drops
// whose rule aims at the target attack it once made.
TEST(AttackDropProposers, DropsLandOnEmptySquaresOfHeldTypesAndAttackTheirTarget) {
  InitAttackMoveStamps();
  PlayoutRandom random{91};
  static Position after;
  int attacking = 0;
  ForEachAttackScenario(SampleCount(600), 7300, [&](Position& position, int sample) {
    SetUpUndecidedThink(position, sample % 3);
    const int side = position.sideToMove;
    const int depth = random.Below(9);
    const MoveRecord* last = g_lineMoves + 1;
    const MoveRecord* prev = g_lineMoves;
    for (int file = 1; file <= 9; ++file) {
      for (int rank = 1; rank <= 9; ++rank) {
        for (int proposer = 0; proposer < 14; ++proposer) {
          ++g_searchGeneration;
          BeginAttackMoveStamps();
          const int tag = AttackMoveStamps::kTagKing;
          bool aims = true;
          switch (proposer) {
            case 0: ProposePawnDrops(position, depth, file, rank, last, prev, tag); break;
            case 1: ProposePawnDropsNear(position, depth, file, rank, last, prev); aims = false; break;
            case 2: ProposeLanceDrops(position, depth, file, rank, last, prev, tag); break;
            case 3: ProposeLanceDropsOnPawn(position, depth, file, rank, last, prev, tag); break;
            case 4: ProposeKnightDrops(position, depth, file, rank, last, prev, depth < 3, tag); break;
            case 5: ProposeSilverDrops(position, depth, file, rank, last, prev, false, depth & 1, tag); break;
            case 6: ProposeGoldDrops(position, depth, file, rank, last, prev, true, tag); break;
            case 7: ProposeBishopDropChecks(position, depth, file, rank, last, prev); break;
            case 8: ProposeBishopDropsOnRook(position, depth, file, rank, last, prev); break;
            case 9: ProposeBishopDropsOnBishop(position, depth, file, rank, static_cast<PieceCode>(OwnerBit(side ^ 1) | BISHOP)); break;
            case 10: ProposeRookDrops(position, depth, file, rank, last, prev, tag); break;
            case 11: ProposeRookDropLines(position, depth, file, rank, last, prev, tag); break;
            case 12: ProposeBishopTrapRookDrops(position, depth, file, rank, 4, static_cast<PieceCode>(OwnerBit(side ^ 1) | HORSE), last, prev, tag); break;
            default: ProposeRookDropBehind(position, side, depth, file, rank, last, prev); break;
          }
          for (uint32_t n = 0; n < g_attackMoveStamps.count; ++n) {
            const AttackMoveStamps::Candidate& c = g_attackMoveStamps.candidates[n];
            const int id = static_cast<int>(c.pieceId);
            const int type = BaseTypeOf(g_pieceIdBaseCode[id]);
            ASSERT_TRUE(IsOnBoard(static_cast<int>(c.file), static_cast<int>(c.rank)));
            ASSERT_TRUE(position.IsEmpty(static_cast<int>(c.file), static_cast<int>(c.rank)));
            ASSERT_EQ(id, position.HandStackTop(side, type)) << "proposer " << proposer;
            ASSERT_TRUE(movegen::IsDropAllowed(position, side, type, static_cast<int>(c.file), static_cast<int>(c.rank)))
                << "proposer " << proposer << " type " << type << " at " << c.file << c.rank;
            const int qf = static_cast<int>(c.file), qr = static_cast<int>(c.rank), fwd = SideSign(side);
            const PieceCode enemyPawn = static_cast<PieceCode>(OwnerBit(side ^ 1) | PAWN);
            if (type == ROOK) {
              // Never a rook with the enemy pawn in front of it.
              ASSERT_FALSE(IsOnBoard(qf, qr + fwd) && position.PieceCodeAt(qf, qr + fwd) == enemyPawn);
            }
            if (type == LANCE) {
              // As far back as the line stays safe: the square behind is
              // taken, off the board or watched by the enemy.
              const int back = qr - fwd;
              ASSERT_FALSE(IsOnBoard(qf, back) && position.IsEmpty(qf, back) && position.AttackCount(side ^ 1, qf, back) == 0);
            }
            if (!aims) continue;
            MoveRecord drop{};
            drop.SetDrop(qf, qr, static_cast<PieceId>(id), static_cast<PieceCode>(OwnerBit(side) | type));
            drop.fromRank = 0;
            OracleApplyMove(position, drop, after);
            ASSERT_TRUE((movegen::DirectAttackers(after, side, file, rank) >> id) & 1)
                << "proposer " << proposer << " drop at " << c.file << c.rank << " misses " << file << rank;
            ++attacking;
          }
        }
      }
    }
  });
  EXPECT_GT(attacking, SampleCount(400));
}

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
std::vector<int> PieceAttacks(const std::vector<PlacedPiece>& pieces, PieceGenerator generate, int id, int depth) {
  Position position = BuildPosition(0, pieces);
  ResetSearchGlobals();
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
  const std::vector<PlacedPiece> knight = {{0, KING, 5, 9}, {1, KING, 9, 1}, {0, KNIGHT, 3, 5}};
  const std::vector<PlacedPiece> rook = {{0, KING, 1, 9}, {1, KING, 9, 1}, {0, ROOK, 5, 7}};
  const std::vector<PlacedPiece> bishop = {{0, KING, 5, 9}, {1, KING, 1, 1}, {0, BISHOP, 8, 8}, {0, GOLD, 6, 7},
                                           {1, BISHOP, 8, 4}};
  const std::vector<PlacedPiece> silverLance = {{0, KING, 9, 9}, {1, KING, 5, 3}, {0, SILVER, 3, 1}, {0, GOLD, 4, 1},
                                                {0, LANCE, 1, 5}, {1, GOLD, 1, 2}};
  const std::vector<PlacedPiece> pawnAhead = {{0, KING, 5, 9}, {1, KING, 9, 1}, {0, SILVER, 5, 5}, {1, PAWN, 5, 4}};
  const struct {
    const char* what;
    std::vector<int> actual, expected;
  } cases[] = {
      // At depth 1 a knight jumping into the camp writes its promotion only
      // and stops; from depth 2 both squares get both moves.
      {"knight at depth 1", PieceAttacks(knight, GenerateKnightMoveAttacks, 14, 1), {231}},
      {"knight at depth 2", PieceAttacks(knight, GenerateKnightMoveAttacks, 14, 2), {231, 230, 431, 430}},
      // An unpromoted rook entering the camp promotes without a target
      // count; its quiet moves short of the camp find nothing to attack.
      {"rook into the camp", PieceAttacks(rook, GenerateRookMoveAttacks, 2, 1), {531, 521, 511}},
      // A quiet bishop move whose cross diagonal meets an enemy bishop:
      // never below depth 3, at once from depth 3.
      {"bishop at depth 2", PieceAttacks(bishop, GenerateBishopMoveAttacks, 4, 2), {331, 111}},
      {"bishop at depth 3", PieceAttacks(bishop, GenerateBishopMoveAttacks, 4, 3), {660, 331, 111}},
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

// The shallow variant's pawn and knight promotions: every one onto an empty
// zone square whose exchange value passes the stage's floor (strictly) is
// written; others come only as checks next to the king.
TEST(KingAttackGeneratorShallow, PromotionsAreExactlyThoseAboveTheFloor) {
  int expected = 0;
  ForEachAttackScenario(SampleCount(1500), 8800, [&](Position& position, int sample) {
    SetUpUndecidedThink(position, sample % 3);
    g_lineMoves[0].SetNull();
    g_lineMoves[1].SetNull();
    g_done.Clear();
    std::vector<MoveRecord> moves;
    ASSERT_TRUE(RunsCleanly(position, [&](MoveRecord* out) {
      return GenerateKingAttackMovesShallow(position, g_lineMoves + 1, g_lineMoves + 1, g_lineMoves, 0, g_done, out);
    }, moves));
    const int side = position.sideToMove;
    const int floor = g_checkGainThreshold[g_gameStage];
    for (const MoveRecord& move : OracleMoves(position)) {
      const int type = TypeOf(move.pieceCode);
      if (move.IsDrop() || !move.promote || move.IsCapture() || (type != PAWN && type != KNIGHT)) continue;
      int gain = 0;
      const int value = StaticExchangeForStage(position, side, 0, move.toFile, move.toRank, move.pieceId, &gain, 0);
      const bool written = std::any_of(moves.begin(), moves.end(), [&](const MoveRecord& m) { return KeyOf(m) == KeyOf(move); });
      if (value > floor) {
        ++expected;
        EXPECT_TRUE(written) << DescribeMove(move) << " value " << value;
      } else if (written) {
        static Position after;
        OracleApplyMove(position, move, after);
        EXPECT_TRUE(OracleInCheck(after, side ^ 1)) << DescribeMove(move) << " value " << value;
      }
    }
  });
  EXPECT_GT(expected, 0);
}

}  // namespace
