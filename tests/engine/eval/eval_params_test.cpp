// Evaluation parameters: the given values standing verbatim, the worked
// examples of the split and interpolation rules, the generated tables'
// fall-off, the game-stage rule for either side and the play-style names.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/eval/eval_params.h"
#include "engine/eval/eval_params_tables.h"
#include "engine/eval/eval_setup.h"
#include "engine/eval/piece_square_table.h"
#include "support/engine_oracle.h"
#include "support/eval_params_fill.h"
#include "support/playout.h"
#include "support/position_builder.h"

namespace {

constexpr SenkeiId kUndecided[2] = {SENKEI_UNDECIDED, SENKEI_UNDECIDED};

// Kings on their home squares and the given pawns of side 0, which set the
// formation distance (flag 1) of side 0 to the sum of their steps from rank 7.
Position WithPawnSteps(int steps) {
  std::vector<PlacedPiece> pieces = {{0, KING, 5, 9}, {1, KING, 5, 1}};
  for (int file = 1; steps > 0; ++file, steps -= 3) pieces.push_back({0, PAWN, file, 7 - (steps < 3 ? steps : 3)});
  return BuildPosition(0, pieces);
}

// The expected checksums were worked out from the given tables apart from this source.
long long TellingRows(const int (&table)[6][17][9], int row) {
  int rows[3][9];
  for (int offset = 7; offset <= 9; ++offset)
    for (int d = 0; d < 9; ++d) rows[offset - 7][d] = table[row][offset][d];
  return Checksum(rows);
}

TEST(EvalParamsTables, GivenTablesStandAsWritten) {
  using namespace eval_tables;
  EXPECT_EQ(Checksum(kHandValue), 833934);
  EXPECT_EQ(Checksum(kHandSplitBase), 780177);
  EXPECT_EQ(Checksum(kPieceValue), 9120589);
  EXPECT_EQ(Checksum(kKingTable), 881170);
  EXPECT_EQ(Checksum(kCastleTable), -571981);
  EXPECT_EQ(Checksum(kOpenFileWeight) + Checksum(kOpenFileScale), 3285 + 31440);
  EXPECT_EQ(Checksum(kLineWeightDeveloped) + Checksum(kLineWeightUndeveloped), -158 + 170);
  EXPECT_EQ(Checksum(kSideRankBase) + Checksum(kCastleRankRow) + Checksum(kHandCountPenalty), 503 + 503 + 20520);
  EXPECT_EQ(Checksum(kRootLineRows) + Checksum(kHandTotalPenalty), -10814 + 36975);
  EXPECT_EQ(Checksum(kStageHandValue), 6609213);
  EXPECT_EQ(TellingRows(kKingDefenceBase, 0) + TellingRows(kKingDefenceBase, 5), 141609 + 172243);
  EXPECT_EQ(TellingRows(kKingAttackBase, 0) + TellingRows(kKingAttackBase, 3), 76900 + 1488);
}

TEST(EvalParams, SplitsScalesAndGridsAsWorked) {
  SetupEvalParameters(&g_evalParams, StartPosition(), kUndecided);
  for (int kind = 1; kind < 8; ++kind)
    for (int i = 0; i < 18; ++i) {
      const HandSplitValue split = g_evalParams.handSplit[kind][i];
      EXPECT_EQ(split.handAttackValue + split.handReserveValue, eval_tables::kHandSplitBase[kind][i]);
    }
  // 330 x 0.7 is just below 231 in double precision: 230 and 100.
  EXPECT_EQ(g_evalParams.handSplit[KNIGHT][1].handAttackValue, 230);
  EXPECT_EQ(g_evalParams.handSplit[KNIGHT][1].handReserveValue, 100);
  // K2 row 0 at the king's square: 790 x 87 / 100 = 687, halved into both parts.
  EXPECT_EQ(g_evalParams.kingAttackTable[0][0][8][0][0], 343);
  EXPECT_EQ(g_evalParams.kingAttackTable[0][0][8][0][1], 343);
  EXPECT_EQ(g_evalParams.kingApproachTable[0][0][7][0], 172 * 87 / 100);
  EXPECT_EQ(g_evalParams.kingDefenceTable[1][5][16 - 9][0], 560);  // side 1 reads the offsets mirrored
  EXPECT_EQ(g_evalParams.kingDefenceTable[0][2][8][0], 770 * 3 / 4 * 64 / 100);  // a knight guards at 0.48 of a gold
  // Two ranks in front of the king a gold keeps 72/96 of its row in front: 735 x 0.75, truncated.
  EXPECT_EQ(eval_tables::kKingDefenceBase[0][6][0], 551);
  EXPECT_EQ(g_evalParams.valid, 1);
  EXPECT_STREQ(GetPlayStyleName(0x21), "強引");
  EXPECT_STREQ(GetPlayStyleName(15), "標準");  // an unknown style reads as the first
  ASSERT_EQ(PlayStyleCount(), 3);
  const char* const names[] = {"標準", "強引", "慎重"};
  for (int style = 0; style < PlayStyleCount(); ++style) EXPECT_STREQ(GetPlayStyleName(style), names[style]);
  // Golds at home, no castle rule for these ids: the grids are C1 and C0, side 0's turned.
  const SenkeiId pair[2] = {SENKEI_AI_FURI_KIN_MUSO, SENKEI_HIDARI_MINO};
  SetupEvalParameters(&g_evalParams, StartPosition(), pair);
  EXPECT_EQ(g_evalParams.sideGridWeight[1][9][1] + g_evalParams.sideGridWeight[1][2][2], -71 - 32);
  for (int file = 1; file <= 9; ++file)
    for (int rank = 1; rank <= 9; ++rank)
      EXPECT_EQ(g_evalParams.sideGridWeight[0][10 - file][10 - rank], eval_tables::kCastleTable[0][file][rank]);
}

TEST(EvalParams, LineWeightsFollowTheFormationDistance) {
  const struct {
    int steps;
    int expected[10];
  } cases[] = {
      {0, {11, 11, 9, 8, 7, 6, 1, 0, 0, 8}},
      {4, {11, 11, 9, 8, 6, 5, 0, -2, -5, 6}},
      {16, {11, 11, 9, 8, 5, 2, -5, -9, -20, 3}},
  };
  for (const auto& c : cases) {
    SetupEvalParameters(&g_evalParams, WithPawnSteps(c.steps), kUndecided);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(g_evalParams.lineWeight[i], c.expected[i]) << c.steps << " " << i;
  }
}

// Beyond the telling rows every generated rank keeps at most the value of
// the rank next to it nearer the king.
TEST(EvalParamsTables, GeneratedKingTablesFallOffWithRankDistance) {
  for (const auto* table : {&eval_tables::kKingDefenceBase, &eval_tables::kKingAttackBase})
    for (int row = 0; row < 6; ++row)
      for (int d = 0; d < 9; ++d) {
        for (int offset = 0; offset < 7; ++offset) EXPECT_LE((*table)[row][offset][d], (*table)[row][offset + 1][d]);
        for (int offset = 10; offset < 17; ++offset) EXPECT_LE((*table)[row][offset][d], (*table)[row][offset - 1][d]);
      }
}

// Each count for either side: the turned position is at the same stage.
TEST(GameStage, CountsAdvancedPromotedAndCapturedPiecesOfEitherSide) {
  EXPECT_EQ(DetermineGameStage(StartPosition()), STAGE_OPENING);
  const PlacedPiece kings[] = {{0, KING, 5, 9}, {1, KING, 5, 1}};
  const struct {
    std::vector<PlacedPiece> pieces;
    std::vector<HandPieces> hand;
    GameStage expected;
  } rows[] = {
      {{{0, PAWN, 3, 3}}, {{0, ROOK, 1}}, STAGE_MIDDLE},  // 3 + 1 in the camp + 0 at half weight
      {{{0, PAWN, 3, 3}}, {}, STAGE_OPENING},
      {{{0, PAWN, 3, 4}}, {{0, ROOK, 1}}, STAGE_OPENING},
      // 6 in hand + 1 for the pawn in the camp, and the pawn's half with the bishop's makes 8.
      {{{0, PAWN, 3, 3}}, {{0, ROOK, 1}, {1, ROOK, 1}, {0, BISHOP, 1}}, STAGE_ENDGAME},
      {{{0, ROOK, 2, 3}}, {{0, GOLD, 1}}, STAGE_OPENING},                   // 2 for the rook in the camp + 1
      {{{0, ROOK, 2, 3}}, {{0, GOLD, 1}, {1, SILVER, 1}}, STAGE_MIDDLE},   // 4
      {{{0, DRAGON, 9, 6}, {1, TOKIN, 1, 5}, {0, PRO_SILVER, 8, 5}}, {}, STAGE_MIDDLE},  // 7
      {{{0, DRAGON, 9, 6}, {1, TOKIN, 1, 5}, {0, PRO_SILVER, 8, 5}, {1, PRO_LANCE, 2, 5}}, {}, STAGE_ENDGAME},  // 9
  };
  for (const auto& row : rows) {
    std::vector<PlacedPiece> pieces(std::begin(kings), std::end(kings));
    pieces.insert(pieces.end(), row.pieces.begin(), row.pieces.end());
    const Position position = BuildPosition(0, pieces, row.hand);
    EXPECT_EQ(DetermineGameStage(position), row.expected) << pieces.size();
    EXPECT_EQ(DetermineGameStage(TurnedPosition(position)), row.expected) << pieces.size() << " turned";
  }
}

// A king in a back corner takes, on every defence row, the larger of each
// entry and the one a file nearer, from distance 8 down to 1 (each reads
// its neighbour before the neighbour changes); a king
// anywhere else keeps the stage's rows. The corner side is not to move, so
// no shelter scaling touches its rows.
TEST(StageTables, CornerKingFlattensItsDefenceRowsOutward) {
  const auto build = [](int cornerSide, int file, int rank, GameStage stage) {
    const int other = 1 - cornerSide;
    const Position position = BuildPosition(other, {{cornerSide, KING, file, rank}, {other, KING, 5, other == 0 ? 9 : 1}});
    RootEvalTables tables{};
    BuildStageTables(position, stage, &tables);
    return tables;
  };
  for (GameStage stage = 0; stage < GAME_STAGE_COUNT; ++stage) {
    for (int side = 0; side < 2; ++side) {
      const int home = side == 0 ? 9 : 1, inward = side == 0 ? 8 : 2;
      const RootEvalTables plain = build(side, 8, home, stage);
      // Off the back rank: the stage's rows unchanged.
      const RootEvalTables raised = build(side, 9, inward, stage);
      EXPECT_EQ(std::memcmp(raised.kingBlock, plain.kingBlock, sizeof plain.kingBlock), 0) << stage << side;
      for (const int cornerFile : {1, 9}) {
        RootEvalTables expected = plain;
        for (int row = 0; row < KING_DEFENCE_ROWS; ++row)
          for (int offset = 0; offset < KING_OFFSET_COUNT; ++offset)
            for (int d = FILE_DISTANCE_COUNT - 1; d >= 1; --d) {
              int32_t* entries = expected.kingBlock[row + 6 * side][offset];
              entries[d] = std::max(entries[d], entries[d - 1]);
            }
        const RootEvalTables corner = build(side, cornerFile, home, stage);
        for (int block = 0; block < ROOT_KING_BLOCKS; ++block)
          for (int offset = 0; offset < KING_OFFSET_COUNT; ++offset)
            for (int d = 0; d < FILE_DISTANCE_COUNT; ++d)
              ASSERT_EQ(corner.kingBlock[block][offset][d], expected.kingBlock[block][offset][d])
                  << "stage " << stage << " side " << side << " corner file " << cornerFile << " block " << block
                  << " offset " << offset << " distance " << d;
      }
    }
  }
}

// The stage count worked square by square: S = full + trunc(h / 2), stage
// 0 below 4, 1 below 8, else 2.
GameStage ModelGameStage(const Position& position) {
  const int mover = position.sideToMove;
  const auto inEnemyCamp = [](int side, int rank) { return side == 0 ? rank <= 3 : rank >= 7; };
  int full = 0, half = 0;
  for (int file = 1; file <= 9; ++file) {
    for (int rank = 1; rank <= 9; ++rank) {
      const PieceCode code = position.PieceCodeAt(file, rank);
      if (code == 0) continue;
      const int owner = OwnerOf(code), base = BaseTypeOf(code);
      if (owner != mover && base == BISHOP && position.AttackCount(owner, file, rank) == 0 &&
          position.AttackCount(mover, file, rank) > 0)
        continue;
      if (IsPromoted(code)) {
        full += base == ROOK ? 3 : 2;
      } else if (inEnemyCamp(owner, rank)) {
        full += base == ROOK ? 2 : 1;
        if (base == PAWN) ++half;
      } else {
        const bool forward = rank == 5 || rank == (owner == 0 ? 4 : 6);
        if ((base == SILVER || base == KNIGHT) && forward) ++half;
        const int front = owner == 0 ? rank - 1 : rank + 1;
        if (base == PAWN && position.PieceCodeAt(file, front) != 0) {
          const PieceCode ahead = position.PieceCodeAt(file, front);
          if (BaseTypeOf(ahead) == PAWN && !IsPromoted(ahead)) ++half;
        }
      }
    }
  }
  for (int side = 0; side < 2; ++side) {
    const auto held = [&](int type) { return static_cast<int>(position.hand[side][type - 1]); };
    full += 3 * held(ROOK) + held(GOLD) + held(SILVER) + held(KNIGHT) + held(LANCE);
    half += held(BISHOP) + held(PAWN);
  }
  const int count = std::min(full + half / 2, 45);
  return count < 4 ? STAGE_OPENING : count < 8 ? STAGE_MIDDLE : STAGE_ENDGAME;
}

// Over random games, biased toward captures and promotions, from the start
// to the endgame: the stage of every position as the model counts it.
TEST(GameStage, FollowsTheCountOverRandomGames) {
  int seen[GAME_STAGE_COUNT] = {};
  for (uint64_t game = 0; game < 12; ++game) {
    Position position = StartPosition();
    PlayoutEvents events;
    PlayRandomGame(position, 300 + game, 160,
                   [&](Position& p, const MoveRecord& move) {
                     Position after{};
                     OracleApplyMove(p, move, after);
                     p = after;
                     const GameStage expected = ModelGameStage(p);
                     ++seen[expected];
                     EXPECT_EQ(DetermineGameStage(p), expected) << "game " << game;
                     return true;
                   },
                   events);
  }
  for (int count : seen) EXPECT_GT(count, 20);
}

}  // namespace
