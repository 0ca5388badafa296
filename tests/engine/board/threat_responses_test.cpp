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
#include "engine/eval/eval_params.h"
#include "engine/eval/eval_setup.h"
#include "engine/eval/game_stage.h"
#include "engine/search/move_code.h"
#include "engine/search/search_globals.h"
#include "support/engine_oracle.h"
#include "support/generator_checks.h"
#include "support/make_unmake_checks.h"
#include "support/playout.h"
#include "support/position_builder.h"

namespace {

void SetUpThink(const Position& position, int stage) {
  const SenkeiId pair[2] = {SENKEI_UNDECIDED, SENKEI_UNDECIDED};
  g_gameStage = static_cast<GameStage>(stage);
  InitEvalParams(position, pair);
  InitEvalTables(position, g_gameStage, pair);
}

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
    if (!std::binary_search(oracle.begin(), oracle.end(), KeyOf(move))) {
      return ::testing::AssertionFailure() << "not a move: " << DescribeMove(move);
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

bool KingStepsSafe(const Position& position, const std::vector<MoveRecord>& moves) {
  return std::all_of(moves.begin(), moves.end(), [&](const MoveRecord& m) {
    return m.pieceId > 1 || position.AttackCount(position.sideToMove ^ 1, m.toFile, m.toRank) == 0;
  });
}

bool HasDuplicates(const std::vector<MoveRecord>& moves) {
  for (size_t i = 0; i < moves.size(); ++i) {
    for (size_t j = 0; j < i; ++j) {
      if (IsSameMove(moves[i], moves[j])) return true;
    }
  }
  return false;
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

TEST(GenerateDefenders, DefendersAttackTheirSquareOverRandomPositions) {
  ResetSearchGlobals();
  PlayoutRandom random{515};
  int defenders = 0;
  ForEachSamplePosition(SampleCount(1500), 5100, [&](Position& position) {
    g_gameStage = STAGE_ENDGAME;  // no fifth-rank support, whose moves back a pawn from behind
    const int side = position.sideToMove;
    for (int n = 0; n < 3; ++n) {
      const int file = 1 + random.Below(9);
      const int rank = 1 + random.Below(9);
      const int depth = random.Below(8);
      const int firstOnly = random.Below(2);
      std::vector<MoveRecord> out;
      ASSERT_TRUE(Checked(position, [&](MoveRecord* o, int room) {
        return GenerateDefenders(position, file, rank, depth, 7, firstOnly, o, room);
      }, out, random.Below(5)));
      ASSERT_TRUE(KingStepsSafe(position, out));
      const uint64_t before = movegen::DirectAttackers(position, side, file, rank);
      for (const MoveRecord& move : out) {
        if (move.pieceId == side && move.toFile == file && move.toRank == rank) continue;
        MakeMove(position, move, 0);
        const uint64_t after = movegen::DirectAttackers(position, side, file, rank);
        UnmakeMove(position, move, 0);
        const uint64_t gained = after & ~before;
        const bool movedPieceAttacks = (after >> move.pieceId & 1) != 0;
        const bool sliderUncovered = (gained & 0x3c003cu) != 0;  // rooks, bishops, lances
        ASSERT_TRUE(movedPieceAttacks || sliderUncovered) << DescribeMove(move) << " for " << file << "-" << rank;
        ++defenders;
      }
    }
  });
  EXPECT_GT(defenders, SampleCount(1000));
}

// The step table holds exactly the steps that turn a gold mover or silver
// near the target into an attacker (for promoting silvers, a gold mover).
TEST(GenerateDefenders, StepTableIsExactlyTheAttackingSteps) {
  auto attacks = [](const movegen::Step* steps, int count, int df, int dr) {
    return std::any_of(steps, steps + count, [&](const movegen::Step& s) { return df + s.df == 0 && dr + s.dr == 0; });
  };
  for (const DefenderSteps& entry : g_defenderSteps) {
    struct Kind {
      const movegen::Step* moves;
      int moveCount;
      const movegen::Step* attack;
      int attackCount;
      int listed;
      const int8_t (*list)[2];
    };
    const Kind kinds[3] = {{movegen::kGoldSteps, 6, movegen::kGoldSteps, 6, entry.goldCount, entry.gold},
                           {movegen::kSilverSteps, 5, movegen::kSilverSteps, 5, entry.silverCount, entry.silver},
                           {movegen::kSilverSteps, 5, movegen::kGoldSteps, 6, entry.promotingCount, entry.promoting}};
    for (const Kind& kind : kinds) {
      std::set<std::pair<int, int>> expected;
      const bool attacksAlready = attacks(kind.moves == kind.attack ? kind.attack : movegen::kSilverSteps,
                                          kind.moves == kind.attack ? kind.attackCount : 5, entry.df, entry.dr);
      for (int i = 0; i < kind.moveCount && !attacksAlready; ++i) {
        const int df = entry.df + kind.moves[i].df;
        const int dr = entry.dr + kind.moves[i].dr;
        if ((df != 0 || dr != 0) && attacks(kind.attack, kind.attackCount, df, dr)) {
          expected.insert({kind.moves[i].df, kind.moves[i].dr});
        }
      }
      std::set<std::pair<int, int>> listed;
      for (int i = 0; i < kind.listed; ++i) listed.insert({kind.list[i][0], kind.list[i][1]});
      EXPECT_EQ(listed, expected) << "position " << int{entry.df} << "," << int{entry.dr};
    }
  }
}

std::vector<std::string> Described(const MoveRecord* moves, int count) {
  std::vector<std::string> text;
  for (int i = 0; i < count; ++i) text.push_back(DescribeMove(moves[i]));
  return text;
}

TEST(GenerateDefenders, FirstOnlyStillSupportsAndReturnsAfterTheFirstGoldDrop) {
  ResetSearchGlobals();
  g_gameStage = STAGE_OPENING;
  const Position position = BuildPosition(0, {{0, KING, 1, 9}, {1, KING, 9, 1}, {0, PAWN, 5, 5}, {0, GOLD, 6, 7}},
                                          {{0, GOLD, 2}, {0, BISHOP, 1}});
  MoveRecord out[64];
  MoveRecord expected[3];
  expected[0].Set(6, 7, 6, 6, 6, 0x23, EMPTY_PIECE_ID, 0, 0);
  expected[1].Set(6, 7, 5, 7, 6, 0x23, EMPTY_PIECE_ID, 0, 0);
  expected[2].SetDrop(5, 6, static_cast<PieceId>(position.HandStackTop(0, GOLD)), 0x23);
  const int count = GenerateDefenders(position, 5, 5, 6, 3, 1, out, 64);
  EXPECT_EQ(Described(out, count), Described(expected, 3));
  EXPECT_GT(GenerateDefenders(position, 5, 5, 6, 7, 0, out, 64), 8);
}

TEST(GenerateDefenders, OneBishopDropPerDiagonalAndOneRookDrop) {
  ResetSearchGlobals();
  g_gameStage = STAGE_ENDGAME;
  const Position position =
      BuildPosition(0, {{0, KING, 1, 9}, {1, KING, 9, 1}}, {{0, BISHOP, 1}, {0, ROOK, 1}});
  MoveRecord out[64];
  const int count = GenerateDefenders(position, 5, 5, 6, 7, 0, out, 64);
  std::vector<int> drops;
  for (int i = 0; i < count; ++i) drops.push_back(TypeOf(out[i].pieceCode) * 100 + out[i].toFile * 10 + out[i].toRank);
  EXPECT_EQ(drops, (std::vector<int>{228, 299, 273, 211, 115}));
}

TEST(GenerateDefenders, GoldBehindAndSilverAheadTakeTheirListedSteps) {
  ResetSearchGlobals();
  g_gameStage = STAGE_ENDGAME;
  MoveRecord out[64];
  Position position = BuildPosition(0, {{0, KING, 1, 9}, {1, KING, 9, 1}, {0, GOLD, 5, 7}});
  int count = GenerateDefenders(position, 5, 5, 6, 7, 0, out, 64);
  std::vector<int> targets;
  for (int i = 0; i < count; ++i) targets.push_back(out[i].toFile * 10 + out[i].toRank);
  EXPECT_EQ(targets, (std::vector<int>{46, 56, 66}));
  position = BuildPosition(0, {{0, KING, 1, 9}, {1, KING, 9, 1}, {0, SILVER, 5, 2}});
  count = GenerateDefenders(position, 5, 3, 6, 7, 0, out, 64);
  targets.clear();
  for (int i = 0; i < count; ++i) targets.push_back(out[i].toFile * 100 + out[i].toRank * 10 + out[i].promote);
  EXPECT_EQ(targets, (std::vector<int>{631, 431}));
}

TEST(GenerateDefenders, PawnDropOnTheBishopSquareBeforeTheCornerBishop) {
  ResetSearchGlobals();
  g_gameStage = STAGE_ENDGAME;
  const Position position = BuildPosition(0, {{0, KING, 5, 9}, {1, KING, 5, 1}, {0, BISHOP, 9, 9}}, {{0, PAWN, 1}});
  MoveRecord out[64];
  auto dropsPawn = [&](int depth) {
    const int count = GenerateDefenders(position, 8, 7, depth, 7, 0, out, 64);
    return std::any_of(out, out + count, [](const MoveRecord& m) { return m.IsDrop() && m.toFile == 8 && m.toRank == 8; });
  };
  EXPECT_FALSE(dropsPawn(5));
  EXPECT_TRUE(dropsPawn(6));
}

TEST(GeneratePieceEscapes, EscapesMoveOnlyTheirPieceOverRandomPositions) {
  ResetSearchGlobals();
  PlayoutRandom random{616};
  int escapes = 0;
  ForEachSamplePosition(SampleCount(1500), 5200, [&](Position& position) {
    SetUpThink(position, random.Below(3));
    for (int n = 0; n < 4; ++n) {
      const int file = 1 + random.Below(9);
      const int rank = 1 + random.Below(9);
      const int exFile = random.Below(10);
      const int exRank = random.Below(10);
      const int firstOnly = random.Below(2);
      std::vector<MoveRecord> out;
      ASSERT_TRUE(Checked(position, [&](MoveRecord* o, int room) {
        return GeneratePieceEscapes(position, file, rank, random.Below(6), firstOnly, exFile, exRank, o, room);
      }, out, random.Below(5)));
      ASSERT_TRUE(KingStepsSafe(position, out));
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
  EXPECT_GT(escapes, SampleCount(1000));
}

// Threat lists of opponent moves, repeated entries and made-up replies.
TEST(GenerateThreatResponses, PseudoLegalWithoutDuplicatesOverRandomThreats) {
  ResetSearchGlobals();
  PlayoutRandom random{717};
  int answers = 0;
  ForEachSamplePosition(SampleCount(1200), 5300, [&](Position& position) {
    SetUpThink(position, random.Below(3));
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
    ASSERT_TRUE(KingStepsSafe(position, out));
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
    SetUpThink(position, random.Below(3));
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
    ASSERT_TRUE(KingStepsSafe(position, out));
    answers += static_cast<int>(out.size());
    ASSERT_TRUE(Checked(position, [&](MoveRecord* o, int room) {
      return GenerateEscapesOfAttackedPieces(position, depth, last.toFile, last.toRank, o, room);
    }, out, random.Below(5)));
    ASSERT_TRUE(KingStepsSafe(position, out));
    answers += static_cast<int>(out.size());
    ASSERT_TRUE(Checked(position, [&](MoveRecord* o, int room) { return GenerateKingRoomMoves(position, o, room); },
                        out, random.Below(5)));
    ASSERT_TRUE(KingStepsSafe(position, out));
    ASSERT_EQ(std::memcmp(&history, &g_attackHistory, sizeof history), 0);
    ASSERT_EQ(list, g_attackHistoryLists[g_attackHistoryDepth]);
    UnmakeMove(position, last, 1);
  });
  EXPECT_GT(answers, SampleCount(500));
}

TEST(GenerateThreatResponses, PawnTakingAGoldGetsNoDefendersAndDuplicatesCollapse) {
  ResetSearchGlobals();
  SetUpThink(BuildPosition(0, {{0, KING, 5, 9}, {1, KING, 5, 1}}), 1);
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
  SetUpThink(BuildPosition(0, {{0, KING, 5, 9}, {1, KING, 5, 1}}), 1);
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

// The rook on 5五 attacked down its file by the enemy rook on 5一.
TEST(GeneratePieceEscapes, FirstOnlyRookTakesTheRankOrWalksOn) {
  ResetSearchGlobals();
  g_gameStage = STAGE_ENDGAME;
  std::vector<PlacedPiece> pieces = {{0, KING, 5, 9}, {1, KING, 9, 1}, {0, ROOK, 5, 5}, {1, ROOK, 5, 1}};
  MoveRecord out[64];
  Position position = BuildPosition(0, pieces);
  ASSERT_EQ(GeneratePieceEscapes(position, 5, 5, 6, 1, 0, 0, out), 1);
  EXPECT_EQ(out[0].toRank, 5);
  for (int file : {1, 2, 3, 4, 6, 7, 8, 9}) pieces.push_back({0, PAWN, file, 7});
  position = BuildPosition(0, pieces);
  const int count = GeneratePieceEscapes(position, 5, 5, 6, 1, 0, 0, out);
  EXPECT_EQ(Described(out, count), (std::vector<std::string>{DescribeMove(out[0]), DescribeMove(out[1])}));
  EXPECT_EQ(out[0].toFile * 10 + out[0].toRank, 45);
  EXPECT_EQ(out[1].toFile * 10 + out[1].toRank, 65);
}

// A first-only early end still counts every move written before it: the
// knight's jump to the guarded 4三 and then to the free 6三.
TEST(GeneratePieceEscapes, FirstOnlyCountsEveryMoveWritten) {
  ResetSearchGlobals();
  const Position position = BuildPosition(0, {{0, KING, 5, 9}, {1, KING, 9, 1}, {0, KNIGHT, 5, 5}, {0, GOLD, 4, 4},
                                              {1, PAWN, 4, 2}});
  MoveRecord out[8];
  ASSERT_EQ(GeneratePieceEscapes(position, 5, 5, 6, 1, 0, 0, out, 8), 2);
  EXPECT_EQ(out[1].toFile * 10 + out[1].toRank, 63);
}

// Side 1's rook comes to 5一 behind its silver on 5四: the own gold on 5七
// is only attacked through the silver, so nothing is defended; without the
// silver the rook attacks the gold directly.
TEST(GenerateDefendingMoves, OnlyWhereTheEnemyAttacksDirectly) {
  ResetSearchGlobals();
  for (const bool silver : {true, false}) {
    std::vector<PlacedPiece> pieces = {{0, KING, 9, 9}, {1, KING, 1, 1}, {0, GOLD, 5, 7}, {1, ROOK, 2, 1}};
    if (silver) pieces.push_back({1, SILVER, 5, 4});
    Position position = BuildPosition(1, pieces, {{0, PAWN, 1}});
    SetUpThink(position, 1);
    InitAttackHistory();
    MoveRecord move{};
    move.Set(2, 1, 5, 1, static_cast<PieceId>(position.PieceIdAt(2, 1)), 0x41, EMPTY_PIECE_ID, 0, 0);
    MakeMove(position, move, 1);
    MoveRecord out[64];
    int written = 0;
    EXPECT_EQ(GenerateDefendingMoves(position, written, 4, out) > 0, !silver);
    UnmakeMove(position, move, 1);
  }
}

// The enemy's last move brings its rook (or bishop) onto the own rook.
TEST(GenerateEscapesOfAttackedPieces, RookForRookStays) {
  ResetSearchGlobals();
  for (const int attacker : {int{ROOK}, int{BISHOP}}) {
    Position position = BuildPosition(1, {{0, KING, 5, 9}, {1, KING, 5, 1}, {0, ROOK, 2, 5}, {1, attacker, 8, 1}});
    SetUpThink(position, 1);
    InitAttackHistory();
    MoveRecord move{};
    const int id = position.PieceIdAt(8, 1);
    move.Set(8, 1, attacker == ROOK ? 8 : 5, attacker == ROOK ? 5 : 2, static_cast<PieceId>(id), position.pieces[id].code,
             EMPTY_PIECE_ID, 0, 0);
    MakeMove(position, move, 1);
    MoveRecord out[64];
    EXPECT_EQ(GenerateEscapesOfAttackedPieces(position, 2, 0, 0, out) > 0, attacker == BISHOP);
    UnmakeMove(position, move, 1);
  }
}

// Pieces on every edge: nothing read or written beyond the board.
TEST(NodeGenerators, PiecesOnTheEdgesStayOnTheBoard) {
  ResetSearchGlobals();
  for (int side = 0; side < 2; ++side) {
    Position position = BuildPosition(side, {{0, KING, 9, 9}, {1, KING, 1, 1}, {0, LANCE, 2, 2}, {1, LANCE, 8, 8},
                                             {0, KNIGHT, 4, 3}, {1, KNIGHT, 2, 7}, {0, ROOK, 1, 9}, {1, ROOK, 9, 1},
                                             {0, BISHOP, 5, 2}, {1, BISHOP, 5, 9}, {0, PAWN, 9, 2}, {1, PAWN, 1, 8}},
                                      {{0, PAWN, 1}, {1, PAWN, 1}, {0, KNIGHT, 1}, {1, LANCE, 1}});
    SetUpThink(position, 0);
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
