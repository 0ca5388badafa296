// Defenders, escapes and threat replies: properties over random positions
// (pseudo-legal, clean, bounded, defenders attack their square, escapes
// move only their piece) and the diagrams of their rules and mended faults.
#include <algorithm>
#include <cstring>
#include <set>

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

using Generator = std::function<int(MoveRecord*, int)>;

// Pseudo-legal, clean, no king step onto an attacked square, and within a
// small capacity nothing past it.
::testing::AssertionResult Checked(Position& position, const Generator& generate, std::vector<MoveRecord>& out,
                                   int smallCapacity) {
  ::testing::AssertionResult clean =
      RunsCleanly(position, [&](MoveRecord* o) { return generate(o, MAX_GENERATED_MOVES); }, out);
  if (!clean) return clean;
  const std::vector<MoveKey> oracle = SortedKeys(OracleMoves(position, MoveSet::kPseudoLegal));
  for (const MoveRecord& move : out) {
    if (!std::binary_search(oracle.begin(), oracle.end(), KeyOf(move)) ||
        (move.pieceId <= 1 && position.AttackCount(position.sideToMove ^ 1, move.toFile, move.toRank) > 0)) {
      return ::testing::AssertionFailure() << "not a move or a king step into check: " << DescribeMove(move);
    }
  }
  MoveRecord small[8];
  std::memset(small, 0x5a, sizeof small);
  const int n = generate(small, smallCapacity);
  if (n > smallCapacity) return ::testing::AssertionFailure() << n << " moves in room for " << smallCapacity;
  for (int i = smallCapacity; i < 8; ++i) {
    if (small[i].toFile != 0x5a) return ::testing::AssertionFailure() << "wrote past the capacity";
  }
  return ::testing::AssertionSuccess();
}

bool HasDuplicates(const std::vector<MoveRecord>& moves) {
  const std::vector<MoveKey> keys = SortedKeys(moves);
  return std::adjacent_find(keys.begin(), keys.end()) != keys.end();
}

// Opponent moves as codes: the side to move flipped on a copy.
std::vector<MoveCode> OpponentCodes(const Position& position) {
  static Position flipped;
  std::memcpy(&flipped, &position, sizeof flipped);
  flipped.sideToMove ^= 1;
  MoveRecord moves[MAX_GENERATED_MOVES];
  int count = 0;
  GenerateAllMoves(flipped, count, moves);
  std::vector<MoveCode> codes;
  for (int i = 0; i < count; ++i) codes.push_back(ToMoveCode(moves[i]));
  return codes;
}

// The step table holds exactly the steps that turn a gold mover or silver
// near the target into an attacker (for promoting silvers, a gold mover).
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

// On random squares of random positions: defenders attack their square,
// escapes move only their piece, the helpers beside them run cleanly.
TEST(NodeGenerators, DefendersAndEscapesOverRandomPositions) {
  ResetSearchGlobals();
  PlayoutRandom random{616};
  int defenders = 0, escapes = 0;
  ForEachSamplePosition(SampleCount(1500), 5200, [&](Position& position) {
    const int side = position.sideToMove;
    for (int n = 0; n < 4; ++n) {
      const int file = 1 + random.Below(9);
      const int rank = 1 + random.Below(9);
      g_gameStage = STAGE_ENDGAME;  // no fifth-rank support, whose moves back a pawn from behind
      std::vector<MoveRecord> out;
      ASSERT_TRUE(Checked(position, [&](MoveRecord* o, int room) {
        return GenerateDefenders(position, file, rank, random.Below(8), 7, random.Below(2), o, room);
      }, out, random.Below(5)));
      const uint64_t before = movegen::DirectAttackers(position, side, file, rank);
      for (const MoveRecord& move : out) {
        if (move.pieceId == side && move.toFile == file && move.toRank == rank) continue;
        MakeMove(position, move, 0);
        const uint64_t after = movegen::DirectAttackers(position, side, file, rank);
        UnmakeMove(position, move, 0);
        const bool movedPieceAttacks = (after >> move.pieceId & 1) != 0;
        const bool sliderUncovered = ((after & ~before) & 0x3c003cu) != 0;  // rooks, bishops, lances
        ASSERT_TRUE(movedPieceAttacks || sliderUncovered) << DescribeMove(move) << " for " << file << "-" << rank;
        ++defenders;
      }
      SetUpUndecidedThink(position, random.Below(3));
      const int exFile = random.Below(10);
      const int exRank = random.Below(10);
      const int firstOnly = random.Below(2);
      ASSERT_TRUE(Checked(position, [&](MoveRecord* o, int room) {
        return GeneratePieceEscapes(position, file, rank, random.Below(6), firstOnly, exFile, exRank, o, room);
      }, out, random.Below(5)));
      const int type = BaseTypeOf(position.PieceCodeAt(file, rank));
      for (const MoveRecord& move : out) {
        ASSERT_TRUE(move.fromFile == file && move.fromRank == rank) << DescribeMove(move);
        if (type != KNIGHT && type != LANCE && type != PAWN) {
          ASSERT_FALSE(move.toFile == exFile && move.toRank == exRank) << DescribeMove(move);
        }
      }
      escapes += static_cast<int>(out.size());
      // The other helpers on the same square: batteries, protected pieces, a bishop sidestep.
      const int d = 1 + random.Below(3);
      ASSERT_TRUE(Checked(position, [&](MoveRecord* o, int room) {
        const int battery = GenerateBatteryMoves(position, file, rank, o, room);
        const int guarded = GenerateMovesOfProtectedPieces(position, file, rank, o + battery, room - battery);
        const int used = battery + guarded;
        return used + GenerateBishopSidesteps(position, file, rank, file + d, rank + d, 4, firstOnly, o + used, room - used);
      }, out, random.Below(5)));
    }
  });
  EXPECT_GT(defenders, SampleCount(1000));
  EXPECT_GT(escapes, SampleCount(1000));
}

// Threat lists of opponent moves, repeated entries and made-up replies.
TEST(GenerateThreatResponses, PseudoLegalWithoutDuplicatesOverRandomThreats) {
  ResetSearchGlobals();
  PlayoutRandom random{717};
  int answers = 0;
  ForEachSamplePosition(SampleCount(1200), 5300, [&](Position& position) {
    SetUpUndecidedThink(position, random.Below(3));
    const std::vector<MoveCode> threats = OpponentCodes(position);
    MoveRecord own[MAX_GENERATED_MOVES];
    int ownCount = 0;
    GenerateAllMoves(position, ownCount, own);
    if (threats.empty() || ownCount == 0) return;
    std::vector<MoveCode> list = {static_cast<MoveCode>(1 + random.Below(6))};
    for (int i = 0; i < list[0]; ++i) {
      if (i == 1) {
        list.push_back(random.Below(3) == 0 ? static_cast<MoveCode>(random.Next() & 0x7fffffff)
                                            : ToMoveCode(own[random.Below(ownCount)]));
      } else {
        list.push_back(i == 2 && random.Below(2) == 0 ? list[1 + 0] : threats[random.Below(static_cast<int>(threats.size()))]);
      }
    }
    const int ply = random.Below(7);
    std::vector<MoveRecord> out;
    ASSERT_TRUE(Checked(position, [&](MoveRecord* o, int room) {
      return GenerateThreatResponses(position, list.data(), ply, ply + 4 + random.Below(4), o, room);
    }, out, random.Below(5)));
    ASSERT_FALSE(HasDuplicates(out));
    answers += static_cast<int>(out.size());
    // Null codes give nothing.
    const MoveCode nulls[4] = {3, NULL_MOVE_CODE, NULL_MOVE_CODE, NULL_MOVE_CODE};
    MoveRecord none[4];
    ASSERT_EQ(GenerateThreatResponses(position, nulls, ply, ply + 6, none, 4), 0);
  });
  EXPECT_GT(answers, SampleCount(1000));
}

// After a recorded opponent move: defending moves, escapes and king room.
TEST(GenerateDefendingMoves, AnswerTheLastRecordedMoveOverRandomPositions) {
  ResetSearchGlobals();
  PlayoutRandom random{818};
  int answers = 0;
  ForEachSamplePosition(SampleCount(1200), 5400, [&](Position& position) {
    SetUpUndecidedThink(position, random.Below(3));
    MoveRecord moves[MAX_GENERATED_MOVES];
    int count = 0;
    GenerateAllMoves(position, count, moves);
    if (count == 0) return;
    int written = -1;
    ASSERT_EQ(GenerateDefendingMoves(position, written, 4, moves + count), 0);  // nothing at depth 0
    const MoveRecord last = moves[random.Below(count)];
    MakeMove(position, last, 1);
    static AttackHistory history;
    std::memcpy(&history, &g_attackHistory, sizeof history);
    const AttackChangeRecord* list = g_attackHistoryLists[g_attackHistoryDepth];
    const int depth = random.Below(6);
    std::vector<MoveRecord> out;
    ASSERT_TRUE(Checked(position, [&](MoveRecord* o, int room) {
      const int kept = GenerateDefendingMoves(position, written, depth, o, room);
      return written >= kept ? kept : -1;
    }, out, random.Below(5)));
    ASSERT_FALSE(HasDuplicates(out));
    answers += static_cast<int>(out.size());
    ASSERT_TRUE(Checked(position, [&](MoveRecord* o, int room) {
      return GenerateEscapesOfAttackedPieces(position, depth, last.toFile, last.toRank, o, room);
    }, out, random.Below(5)));
    answers += static_cast<int>(out.size());
    ASSERT_TRUE(Checked(position, [&](MoveRecord* o, int room) { return GenerateKingRoomMoves(position, o, room); },
                        out, random.Below(5)));
    ASSERT_EQ(std::memcmp(&history, &g_attackHistory, sizeof history), 0);
    ASSERT_EQ(list, g_attackHistoryLists[g_attackHistoryDepth]);
    UnmakeMove(position, last, 1);
  });
  EXPECT_GT(answers, SampleCount(500));
}

TEST(GenerateThreatResponses, PawnTakingAGoldGetsNoDefendersAndDuplicatesCollapse) {
  ResetSearchGlobals();
  SetUpUndecidedThink(BuildPosition(0, {{0, KING, 5, 9}, {1, KING, 5, 1}}), 1);
  const Position position = BuildPosition(0, {{0, KING, 1, 9}, {1, KING, 9, 1}, {0, GOLD, 5, 5}, {1, PAWN, 5, 4},
                                              {0, SILVER, 3, 7}, {0, GOLD, 7, 7}});
  MoveRecord out[MAX_GENERATED_MOVES];
  MoveRecord escapes[MAX_GENERATED_MOVES];
  const MoveCode byPawn = PackMoveCode(5, 4, 5, 5, 0x47, 0x23, false);
  const MoveCode once[2] = {1, byPawn};
  int count = GenerateThreatResponses(position, once, 6, 12, out);
  EXPECT_EQ(count, GeneratePieceEscapes(position, 5, 5, 6, 0, 0, 0, escapes));
  // The same threat twice, around a null reply: each answer once.
  const MoveCode twice[4] = {3, byPawn, NULL_MOVE_CODE, byPawn};
  EXPECT_EQ(GenerateThreatResponses(position, twice, 6, 12, out), count);
}

TEST(GenerateThreatResponses, ReplyIsTakenOnlyWhenItDescribesAMoveHere) {
  ResetSearchGlobals();
  SetUpUndecidedThink(BuildPosition(0, {{0, KING, 5, 9}, {1, KING, 5, 1}}), 1);
  const Position position =
      BuildPosition(0, {{0, KING, 5, 9}, {1, KING, 5, 1}, {0, GOLD, 4, 8}}, {{0, PAWN, 1}});
  MoveRecord out[8];
  auto answers = [&](MoveCode reply) {
    const MoveCode list[3] = {2, NULL_MOVE_CODE, reply};
    return GenerateThreatResponses(position, list, 6, 12, out, 8);
  };
  EXPECT_EQ(answers(PackMoveCode(4, 8, 4, 7, 0x23, 0, false)), 1);
  EXPECT_EQ(answers(PackMoveCode(0, 0, 5, 5, 0x27, 0, false)), 1);
  EXPECT_EQ(answers(PackMoveCode(6, 8, 6, 7, 0x23, 0, false)), 0);  // empty from-square
  EXPECT_EQ(answers(PackMoveCode(4, 8, 4, 7, 0x24, 0, false)), 0);  // another piece there
  EXPECT_EQ(answers(PackMoveCode(0, 0, 5, 5, 0x23, 0, false)), 0);  // no gold in hand
  EXPECT_EQ(answers(PackMoveCode(0, 0, 15, 5, 0x27, 0, false)), 0);  // off the board
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

// Pieces on every edge: nothing read or written beyond the board.
TEST(NodeGenerators, PiecesOnTheEdgesStayOnTheBoard) {
  ResetSearchGlobals();
  for (int side = 0; side < 2; ++side) {
    Position position = BuildPosition(side, {{0, KING, 9, 9}, {1, KING, 1, 1}, {0, LANCE, 2, 2}, {1, LANCE, 8, 8},
                                             {0, KNIGHT, 4, 3}, {1, KNIGHT, 2, 7}, {0, ROOK, 1, 9}, {1, ROOK, 9, 1},
                                             {0, BISHOP, 5, 2}, {1, BISHOP, 5, 9}, {0, PAWN, 9, 2}, {1, PAWN, 1, 8}},
                                      {{0, PAWN, 1}, {1, PAWN, 1}, {0, KNIGHT, 1}, {1, LANCE, 1}});
    SetUpUndecidedThink(position, 0);
    std::vector<MoveRecord> out;
    for (int file = 1; file <= 9; ++file) {
      for (int rank = 1; rank <= 9; ++rank) {
        ASSERT_TRUE(Checked(position, [&](MoveRecord* o, int room) {
          return GenerateDefenders(position, file, rank, 6, 7, 0, o, room);
        }, out, 3));
        ASSERT_TRUE(Checked(position, [&](MoveRecord* o, int room) {
          return GeneratePieceEscapes(position, file, rank, 2, 0, 0, 0, o, room);
        }, out, 3));
        ASSERT_TRUE(Checked(position, [&](MoveRecord* o, int room) {
          return GenerateMovesOfProtectedPieces(position, file, rank, o, room) +
                 GenerateBatteryMoves(position, file, rank, o, 0);
        }, out, 3));
      }
    }
  }
}

}  // namespace
