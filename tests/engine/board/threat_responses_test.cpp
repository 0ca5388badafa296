// Defenders, escapes and threat replies: the diagrams of their rules and of
// mended faults (their properties over random positions are in the shared
// node-generator run).
#include <algorithm>
#include <cstring>
#include <set>
#include <tuple>

#include <gtest/gtest.h>

#include "engine/board/defender_generator.h"
#include "engine/board/make_move.h"
#include "engine/board/move_gen_helpers.h"
#include "engine/board/move_generators.h"
#include "engine/board/threat_responses.h"
#include "engine/eval/game_stage.h"
#include "engine/search/move_code.h"
#include "engine/search/search_globals.h"
#include "support/engine_oracle.h"
#include "support/generator_checks.h"
#include "support/make_unmake_checks.h"
#include "support/playout.h"
#include "support/position_builder.h"

namespace {

// A pawn taking a gold gets the gold's escapes and no defenders; the same
// threat twice, around a null reply, answers each once. A reply is taken
// only when it describes a move of this position.
TEST(GenerateThreatResponses, AnswersEachThreatOnceAndTakesOnlyAFittingReply) {
  ResetSearchGlobals();
  SetUpUndecidedThink(BuildPosition(0, {{0, KING, 5, 9}, {1, KING, 5, 1}}), 1);
  Position position = BuildPosition(0, {{0, KING, 1, 9}, {1, KING, 9, 1}, {0, GOLD, 5, 5}, {1, PAWN, 5, 4},
                                        {0, SILVER, 3, 7}, {0, GOLD, 7, 7}});
  MoveRecord out[MAX_GENERATED_MOVES];
  const MoveCode byPawn = PackMoveCode(5, 4, 5, 5, 0x47, 0x23, false);
  const MoveCode once[2] = {1, byPawn}, twice[4] = {3, byPawn, NULL_MOVE_CODE, byPawn};
  const int count = GenerateThreatResponses(position, once, 6, 12, out);
  EXPECT_EQ(count, GeneratePieceEscapes(position, 5, 5, 6, 0, 0, 0, out));
  EXPECT_EQ(GenerateThreatResponses(position, twice, 6, 12, out), count);
  position = BuildPosition(0, {{0, KING, 5, 9}, {1, KING, 5, 1}, {0, GOLD, 4, 8}}, {{0, PAWN, 1}});
  const struct {
    MoveCode reply;
    int expected;
  } replies[] = {
      {PackMoveCode(4, 8, 4, 7, 0x23, 0, false), 1}, {PackMoveCode(0, 0, 5, 5, 0x27, 0, false), 1},
      {PackMoveCode(6, 8, 6, 7, 0x23, 0, false), 0},   // empty from-square
      {PackMoveCode(4, 8, 4, 7, 0x24, 0, false), 0},   // another piece there
      {PackMoveCode(0, 0, 5, 5, 0x23, 0, false), 0},   // no gold in hand
      {PackMoveCode(0, 0, 15, 5, 0x27, 0, false), 0},  // off the board
  };
  for (const auto& r : replies) {
    const MoveCode list[3] = {2, NULL_MOVE_CODE, r.reply};
    EXPECT_EQ(GenerateThreatResponses(position, list, 6, 12, out, 8), r.expected) << std::hex << r.reply;
  }
}

// The reply keeps the capture its code names: a capture whose target has
// gone, or a quiet reply onto an enemy piece, no longer fits the board.
TEST(GenerateThreatResponses, ReplyKeepsTheCaptureItNames) {
  ResetSearchGlobals();
  SetUpUndecidedThink(BuildPosition(0, {{0, KING, 5, 9}, {1, KING, 5, 1}}), 1);
  const char* goldAlone = "4k4/9/9/9/9/9/9/5G3/4K4 b - 1";
  const char* goldFacingPawn = "4k4/9/9/9/9/9/5p3/5G3/4K4 b - 1";
  // After the gold's threat 5七-6六 the reply took it there; on the board
  // 6六 is still empty.
  const char* game = "ln1k2sn1/r1sg1g2l/pp1pppbpp/2p6/9/PPP1P4/3PGPPPP/4R1S2/LNS1KG1NL w Pb 1";
  const MoveCode goldThreat = PackMoveCode(5, 7, 6, 6, 0x23, 0, false);
  const MoveCode silverThreat = PackMoveCode(7, 9, 8, 8, 0x24, 0, false);
  const struct {
    const char* what;
    const char* diagram;
    MoveCode threat, reply, later;
    bool appended;
  } cases[] = {
      {"capture of a gone gold", goldAlone, NULL_MOVE_CODE, PackMoveCode(4, 8, 4, 7, 0x23, 0x43, false), 0, false},
      {"quiet step that fits", goldAlone, NULL_MOVE_CODE, PackMoveCode(4, 8, 4, 7, 0x23, 0, false), 0, true},
      {"quiet step onto a pawn", goldFacingPawn, NULL_MOVE_CODE, PackMoveCode(4, 8, 4, 7, 0x23, 0, false), 0, false},
      {"capture of the pawn", goldFacingPawn, NULL_MOVE_CODE, PackMoveCode(4, 8, 4, 7, 0x23, 0x47, false), 0, true},
      {"bishop takes a gold not there", game, goldThreat, PackMoveCode(3, 3, 6, 6, 0x42, 0x23, false), silverThreat,
       false},
      {"bishop steps there", game, goldThreat, PackMoveCode(3, 3, 6, 6, 0x42, 0, false), silverThreat, true},
  };
  for (const auto& c : cases) {
    const Position position = PositionFromDiagram(c.diagram);
    const MoveCode list[4] = {3, c.threat, c.reply, c.later == 0 ? NULL_MOVE_CODE : c.later};
    MoveRecord out[MAX_GENERATED_MOVES];
    const int count = GenerateThreatResponses(position, list, 2, 8, out);
    const bool carried = std::any_of(out, out + count, [&](const MoveRecord& move) {
      return ToMoveCode(move) == c.reply;
    });
    const bool onReplySquares = std::any_of(out, out + count, [&](const MoveRecord& move) {
      return move.fromFile == MoveCodeFromFile(c.reply) && move.fromRank == MoveCodeFromRank(c.reply) &&
             move.toFile == MoveCodeToFile(c.reply) && move.toRank == MoveCodeToRank(c.reply);
    });
    EXPECT_EQ(carried, c.appended) << c.what;
    EXPECT_EQ(onReplySquares, c.appended) << c.what;
  }
}

// A later threat that takes the gold where the reply put it: the pieces the
// gold guards on its square now (the silver in front) get their moves; a
// reply elsewhere, or a pawn taken, leaves them out. Ply 5, past the
// interpositions, so nothing else moves the silver forward.
TEST(GenerateThreatResponses, PiecesGuardedFromTheReplysSquareMove) {
  ResetSearchGlobals();
  const Position position =
      BuildPosition(0, {{0, KING, 9, 9}, {1, KING, 1, 1}, {0, GOLD, 5, 7}, {0, SILVER, 5, 6}, {1, ROOK, 4, 1}});
  SetUpUndecidedThink(position, 1);
  const MoveCode goldSideways = PackMoveCode(5, 7, 4, 7, 0x23, 0, false);
  const MoveCode goldBack = PackMoveCode(5, 7, 5, 8, 0x23, 0, false);
  const struct {
    const char* what;
    MoveCode reply, later;
    bool silverMoves;
  } cases[] = {
      {"rook takes the gold on the reply's square", goldSideways, PackMoveCode(4, 1, 4, 7, 0x41, 0x23, false), true},
      {"rook takes on a square the reply left alone", goldBack, PackMoveCode(4, 1, 4, 7, 0x41, 0x23, false), false},
      {"rook takes a pawn there", goldSideways, PackMoveCode(4, 1, 4, 7, 0x41, 0x27, false), false},
  };
  for (const auto& c : cases) {
    const MoveCode list[4] = {3, NULL_MOVE_CODE, c.reply, c.later};
    MoveRecord out[MAX_GENERATED_MOVES];
    const int count = GenerateThreatResponses(position, list, 5, 8, out);
    const bool silverForward = std::any_of(out, out + count, [](const MoveRecord& m) {
      return m.fromFile == 5 && m.fromRank == 6 && m.toFile == 5 && m.toRank == 5;
    });
    EXPECT_EQ(silverForward, c.silverMoves) << c.what;
  }
}

// Defending the own pawn on 5-5 that an enemy rook attacks down the file,
// with only a bishop in hand: the farthest open square of each diagonal
// (1-9, 9-9, 9-1, and 3-3 short of the king's 2-2) from depth 5; none below
// depth 5 for a pawn, nor when the attacker is a dragon.
TEST(GenerateDefenders, BishopDropsForAPawnByDepthAndAttacker) {
  ResetSearchGlobals();
  const struct {
    const char* what;
    int attacker, depth;
    std::vector<int> expected;  // file * 10 + rank
  } cases[] = {
      {"rook at depth 5", ROOK, 5, {19, 99, 91, 33}},
      {"rook at depth 4", ROOK, 4, {}},
      {"dragon at depth 5", DRAGON, 5, {}},
  };
  for (const auto& c : cases) {
    const Position position = BuildPosition(
        0, {{0, KING, 9, 8}, {1, KING, 1, 1}, {0, PAWN, 5, 5}, {1, c.attacker, 5, 2}}, {{0, BISHOP, 1}});
    SetUpUndecidedThink(position, 1);
    MoveRecord out[MAX_GENERATED_MOVES];
    const int count = GenerateDefenders(position, 5, 5, c.depth, 7, 0, out);
    std::vector<int> drops;
    for (int i = 0; i < count; ++i) {
      if (out[i].IsDrop()) drops.push_back(out[i].toFile * 10 + out[i].toRank);
    }
    EXPECT_EQ(drops, c.expected) << c.what;
  }
}

// A gold on 5-4 that an enemy rook attacks down the file, a bishop in
// hand: the lower diagonals end on 1-8 and 9-8, the edge files of the
// side's second rank, which take the drop only above depth 2; at depth 2
// the next squares in, 2-7 and 8-7, take it instead.
TEST(GenerateDefenders, BishopDropsOnTheSecondRanksEdgeOnlyAboveDepthTwo) {
  ResetSearchGlobals();
  const Position position = BuildPosition(
      0, {{0, KING, 5, 9}, {1, KING, 1, 1}, {0, GOLD, 5, 4}, {1, ROOK, 5, 2}}, {{0, BISHOP, 1}});
  SetUpUndecidedThink(position, 1);
  for (const int depth : {2, 3}) {
    MoveRecord out[MAX_GENERATED_MOVES];
    const int count = GenerateDefenders(position, 5, 4, depth, 7, 0, out);
    std::vector<int> drops;
    for (int i = 0; i < count; ++i) {
      if (out[i].IsDrop()) drops.push_back(out[i].toFile * 10 + out[i].toRank);
    }
    const bool edge = depth > 2;
    for (const int square : {18, 98}) {
      EXPECT_EQ(std::count(drops.begin(), drops.end(), square), edge ? 1 : 0) << "depth " << depth << " " << square;
    }
    for (const int square : {27, 87}) {
      EXPECT_EQ(std::count(drops.begin(), drops.end(), square), edge ? 0 : 1) << "depth " << depth << " " << square;
    }
  }
}

// Diagrams of the rules, side 0 to move, as the moves written: type * 1000
// + file * 100 + rank * 10 + promote, drops 10000 more. Defenders take the
// depth, limit and first-only flag; escapes the depth and first-only flag.
struct NodeCase {
  const char* what;
  std::vector<PlacedPiece> pieces;
  std::vector<HandPieces> hand;
  GameStage stage;
  bool escape;
  int file, rank, depth, limit, firstOnly;
  std::vector<int> expected;
};

TEST(NodeGenerators, DiagramsOfTheRules) {
  const std::vector<PlacedPiece> kings = {{0, KING, 1, 9}, {1, KING, 9, 1}};
  auto with = [](std::vector<PlacedPiece> pieces, std::initializer_list<PlacedPiece> more) {
    pieces.insert(pieces.end(), more);
    return pieces;
  };
  const std::vector<PlacedPiece> rooks = {{0, KING, 5, 9}, {1, KING, 9, 1}, {0, ROOK, 5, 5}, {1, ROOK, 5, 1}};
  const NodeCase cases[] = {
      // First-only still writes the supporting gold moves, then returns
      // after the first gold drop; without it every defender comes.
      {"first only", with(kings, {{0, PAWN, 5, 5}, {0, GOLD, 6, 7}}), {{0, GOLD, 2}, {0, BISHOP, 1}}, STAGE_OPENING,
       false, 5, 5, 6, 3, 1, {3660, 3570, 13560}},
      {"all of them", with(kings, {{0, PAWN, 5, 5}, {0, GOLD, 6, 7}}), {{0, GOLD, 2}, {0, BISHOP, 1}}, STAGE_OPENING,
       false, 5, 5, 6, 7, 0, {3660, 3560, 3570, 13560, 13460, 13450, 13540, 13650, 13660, 12280, 12990, 12730, 12110}},
      {"one bishop drop per diagonal, one rook drop", kings, {{0, BISHOP, 1}, {0, ROOK, 1}}, STAGE_ENDGAME, false, 5, 5,
       6, 7, 0, {12280, 12990, 12730, 12110, 11150}},
      {"gold behind", with(kings, {{0, GOLD, 5, 7}}), {}, STAGE_ENDGAME, false, 5, 5, 6, 7, 0, {3460, 3560, 3660}},
      {"silver ahead", with(kings, {{0, SILVER, 5, 2}}), {}, STAGE_ENDGAME, false, 5, 3, 6, 7, 0, {4631, 4431}},
      // The pawn drop on the bishop's square before the corner bishop: from depth 6.
      {"pawn drop at depth 5", {{0, KING, 5, 9}, {1, KING, 5, 1}, {0, BISHOP, 9, 9}}, {{0, PAWN, 1}}, STAGE_ENDGAME,
       false, 8, 7, 5, 7, 0, {}},
      {"pawn drop at depth 6", {{0, KING, 5, 9}, {1, KING, 5, 1}, {0, BISHOP, 9, 9}}, {{0, PAWN, 1}}, STAGE_ENDGAME,
       false, 8, 7, 6, 7, 0, {17880}},
      // The rook attacked down its file takes the rank or walks on.
      {"rook walks the rank", rooks, {}, STAGE_ENDGAME, true, 5, 5, 6, 0, 1, {1450}},
      {"rook between pawns", with(rooks, {{0, PAWN, 1, 7}, {0, PAWN, 2, 7}, {0, PAWN, 3, 7}, {0, PAWN, 4, 7},
                                          {0, PAWN, 6, 7}, {0, PAWN, 7, 7}, {0, PAWN, 8, 7}, {0, PAWN, 9, 7}}),
       {}, STAGE_ENDGAME, true, 5, 5, 6, 0, 1, {1450, 1650}},
      // A first-only end still counts every move written before it: the
      // knight's jump to the guarded 4三, then to the free 6三.
      {"knight counts both", {{0, KING, 5, 9}, {1, KING, 9, 1}, {0, KNIGHT, 5, 5}, {0, GOLD, 4, 4}, {1, PAWN, 4, 2}},
       {}, STAGE_ENDGAME, true, 5, 5, 6, 0, 1, {5431, 5631}},
  };
  for (const NodeCase& c : cases) {
    ResetSearchGlobals();
    g_gameStage = c.stage;
    const Position position = BuildPosition(0, c.pieces, c.hand);
    MoveRecord out[64];
    const int count = c.escape ? GeneratePieceEscapes(position, c.file, c.rank, c.depth, c.firstOnly, 0, 0, out, 64)
                               : GenerateDefenders(position, c.file, c.rank, c.depth, c.limit, c.firstOnly, out, 64);
    std::vector<int> written;
    for (int i = 0; i < count; ++i) {
      const MoveRecord& m = out[i];
      written.push_back((m.IsDrop() ? 10000 : 0) + TypeOf(m.pieceCode) * 1000 + m.toFile * 100 + m.toRank * 10 + m.promote);
    }
    EXPECT_EQ(written, c.expected) << c.what;
  }
}

// After the enemy's last move (side 1 to move in the diagram): defending
// moves only where the enemy attacks directly (its rook 2一 to 5一 behind
// its silver on 5四 attacks the gold 5七 only through the silver); escapes
// of a rook attacked by a bishop but not of one attacked by a rook.
// The step table holds exactly the steps that turn a gold mover or silver
// near the target into an attacker (for promoting silvers, a gold mover),
// derived here from how the pieces step.
TEST(GenerateDefenders, StepTableIsExactlyTheAttackingSteps) {
  auto attacks = [](const movegen::Step* steps, int count, int df, int dr) {
    return std::any_of(steps, steps + count, [&](const movegen::Step& s) { return df + s.df == 0 && dr + s.dr == 0; });
  };
  using movegen::kGoldSteps, movegen::kSilverSteps;
  for (const DefenderSteps& entry : g_defenderSteps) {
    // The mover's steps, its steps as an attacker after the move, the list.
    using Steps = const movegen::Step*;
    const std::tuple<Steps, int, Steps, int, int, const int8_t(*)[2]> kinds[3] = {
        {kGoldSteps, 6, kGoldSteps, 6, entry.goldCount, entry.gold},
        {kSilverSteps, 5, kSilverSteps, 5, entry.silverCount, entry.silver},
        {kSilverSteps, 5, kGoldSteps, 6, entry.promotingCount, entry.promoting}};
    for (const auto& [moves, moveCount, attack, attackCount, listedCount, list] : kinds) {
      std::set<std::pair<int, int>> expected, listed;
      for (int i = 0; i < moveCount && !attacks(moves, moveCount, entry.df, entry.dr); ++i) {
        const int df = entry.df + moves[i].df, dr = entry.dr + moves[i].dr;
        if ((df != 0 || dr != 0) && attacks(attack, attackCount, df, dr)) expected.insert({moves[i].df, moves[i].dr});
      }
      for (int i = 0; i < listedCount; ++i) listed.insert({list[i][0], list[i][1]});
      EXPECT_EQ(listed, expected) << "position " << int{entry.df} << "," << int{entry.dr};
    }
  }
}

TEST(GenerateDefendingMoves, AnswerOnlyDirectAttacksAndRookForRookStays) {
  const auto answers = [](std::vector<PlacedPiece> pieces, int from, int to, bool escapes) {
    ResetSearchGlobals();
    Position position = escapes ? BuildPosition(1, pieces) : BuildPosition(1, pieces, {{0, PAWN, 1}});
    SetUpUndecidedThink(position, 1);
    InitAttackHistory();
    const MoveRecord move = MoveOn(position, from / 10, from % 10, to / 10, to % 10);
    MakeMove(position, move, 1);
    MoveRecord out[64];
    int written = 0;
    const int count = escapes ? GenerateEscapesOfAttackedPieces(position, 2, 0, 0, out)
                              : GenerateDefendingMoves(position, written, 4, out);
    UnmakeMove(position, move, 1);
    return count;
  };
  const std::vector<PlacedPiece> gold = {{0, KING, 9, 9}, {1, KING, 1, 1}, {0, GOLD, 5, 7}, {1, ROOK, 2, 1}};
  std::vector<PlacedPiece> screened = gold;
  screened.push_back({1, SILVER, 5, 4});
  EXPECT_EQ(answers(screened, 21, 51, false), 0);
  EXPECT_GT(answers(gold, 21, 51, false), 0);
  const std::vector<PlacedPiece> rook = {{0, KING, 5, 9}, {1, KING, 5, 1}, {0, ROOK, 2, 5}};
  EXPECT_EQ(answers({rook[0], rook[1], rook[2], {1, ROOK, 8, 1}}, 81, 85, true), 0);
  EXPECT_GT(answers({rook[0], rook[1], rook[2], {1, BISHOP, 8, 1}}, 81, 52, true), 0);
}

}  // namespace

namespace {

// One lance in hand defends 5-5 from 5-8, the only square of file 5 behind
// it whose next square back is occupied (the own king on 5-9); 5-6 and 5-7
// have an empty unattacked square behind them. With a pawn in hand as well
// the pawn takes 5-6 first and the lance still goes to 5-8.
TEST(GenerateDefenders, ALanceInHandDropsWhereItIsBackedUp) {
  const std::vector<PlacedPiece> kings = {{0, KING, 5, 9}, {1, KING, 1, 1}};
  for (const bool pawn : {false, true}) {
    std::vector<HandPieces> hand = {{0, LANCE, 1}};
    if (pawn) hand.push_back({0, PAWN, 1});
    const Position position = BuildPosition(0, kings, hand);
    SetUpUndecidedThink(position, 1);
    MoveRecord out[64];
    const int count = GenerateDefenders(position, 5, 5, 6, 7, 0, out);
    std::vector<int> drops;
    for (int i = 0; i < count; ++i) {
      if (out[i].IsDrop()) drops.push_back(TypeOf(out[i].pieceCode) * 100 + out[i].toFile * 10 + out[i].toRank);
    }
    const std::vector<int> expected = pawn ? std::vector<int>{PAWN * 100 + 56, LANCE * 100 + 58}
                                           : std::vector<int>{LANCE * 100 + 58};
    EXPECT_EQ(drops, expected) << (pawn ? "with a pawn" : "lance alone");
  }
}

}  // namespace

namespace {

// Step pieces escape onto their own steps only, with the side's forward
// sign: on an open board every step square is free and unattacked.
TEST(GeneratePieceEscapes, StepPiecesUseExactlyTheirSteps) {
  ResetSearchGlobals();
  SetUpUndecidedThink(BuildPosition(0, {{0, KING, 5, 9}, {1, KING, 5, 1}}), 1);
  const struct {
    int side, type;
    std::set<int> expected;  // file * 10 + rank
  } cases[] = {
      {0, SILVER, {54, 64, 44, 66, 46}},
      {1, SILVER, {56, 66, 46, 64, 44}},
      {0, GOLD, {54, 64, 44, 65, 45, 56}},
      {1, GOLD, {56, 66, 46, 65, 45, 54}},
  };
  for (const auto& c : cases) {
    const Position position = BuildPosition(c.side, {{0, KING, 9, 9}, {1, KING, 1, 1}, {c.side, c.type, 5, 5}});
    MoveRecord out[64];
    const int count = GeneratePieceEscapes(position, 5, 5, 6, 0, 0, 0, out, 64);
    std::set<int> squares;
    for (int i = 0; i < count; ++i) squares.insert(out[i].toFile * 10 + out[i].toRank);
    EXPECT_EQ(count, static_cast<int>(c.expected.size())) << c.side << " " << c.type;
    EXPECT_EQ(squares, c.expected) << c.side << " " << c.type;
  }
}

// A drop reply names a type that can be held, rook to pawn: codes of a
// king or of types beyond the pawn are refused whatever the hands hold.
TEST(GenerateThreatResponses, DropReplyOnlyOfAHandType) {
  ResetSearchGlobals();
  SetUpUndecidedThink(BuildPosition(0, {{0, KING, 5, 9}, {1, KING, 5, 1}}), 1);
  const Position position = BuildPosition(0, {{0, KING, 5, 9}, {1, KING, 5, 1}},
                                          {{0, ROOK, 1}, {1, ROOK, 1}, {1, BISHOP, 1}, {1, PAWN, 1}});
  MoveRecord out[MAX_GENERATED_MOVES];
  const struct {
    PieceCode code;
    int expected;
  } cases[] = {{0x21, 1}, {0x28, 0}, {0x29, 0}, {0x2a, 0}, {0x2f, 0}, {0x20, 0}};
  for (const auto& c : cases) {
    const MoveCode list[3] = {2, NULL_MOVE_CODE, PackMoveCode(0, 0, 5, 5, c.code, 0, false)};
    EXPECT_EQ(GenerateThreatResponses(position, list, 6, 12, out, 8), c.expected) << std::hex << int{c.code};
  }
}

}  // namespace
