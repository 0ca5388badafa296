// Evaluation parameters: the given values standing verbatim, the worked
// examples of the split and interpolation rules, the generated tables'
// fall-off, stable rebuilds, the game-stage rule, the play-style names and
// the quick evaluator against a recount of its raw sums.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/board/make_move.h"
#include "engine/eval/eval_params.h"
#include "engine/eval/eval_params_tables.h"
#include "engine/eval/eval_setup.h"
#include "engine/eval/piece_square_table.h"
#include "engine/eval/quick_evaluate.h"
#include "support/generator_checks.h"
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

// Sum of (i + 1) x value over a table in memory order: a changed, lost or
// moved value shows. The expected sums were worked out from the given
// tables apart from this source.
template <class Table>
long long Checksum(const Table& table) {
  const int* values = reinterpret_cast<const int*>(&table);
  long long sum = 0;
  for (size_t i = 0; i < sizeof table / sizeof(int); ++i) sum += static_cast<long long>(i + 1) * values[i];
  return sum;
}
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
  EXPECT_EQ(g_evalParams.valid, 1);
  EXPECT_STREQ(GetPlayStyleName(0x21), "強引");
  EXPECT_STREQ(GetPlayStyleName(15), "標準");  // an unknown style reads as the first
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

// Silver, knight, lance and pawn defend as they guard in the quick
// evaluation: the gold's telling rows times the kind's guard weight over the
// gold's 5.0 (the knight's before the parameters keep 64/100 of it), and
// every further rank, for every row but the horse's, keeps of its neighbour
// nearer the king the share the nearness on the king's file keeps.
TEST(EvalParamsTables, KingDefenceRowsFollowTheGuardWeights) {
  const auto& k1 = eval_tables::kKingDefenceBase;
  // Guard weights in tenths by row (gold, silver, knight, lance, pawn) and
  // the nearness on the king's file in hundredths, by ranks behind the king
  // from -6 to 4; none beyond.
  const int weight[5] = {50, 49, 24, 20, 10};
  const int nearness[11] = {4, 13, 32, 50, 72, 96, 100, 88, 54, 29, 11};
  const auto near = [&](int offset) { return offset < 2 || offset > 12 ? 0 : nearness[offset - 2]; };
  for (int row = 0; row < 5; ++row) {
    int expected[17][9] = {};
    const int keptPercent = row == 2 ? 64 : 100;
    for (int offset = 7; offset <= 9; ++offset)
      for (int d = 0; d < 9; ++d) expected[offset][d] = k1[0][offset][d] * weight[row] * 100 / (50 * keptPercent);
    for (int offset = 6; offset >= 0; --offset)
      for (int d = 0; d < 9; ++d)
        expected[offset][d] = near(offset + 1) == 0 ? 0 : expected[offset + 1][d] * near(offset) / near(offset + 1);
    for (int offset = 10; offset < 17; ++offset)
      for (int d = 0; d < 9; ++d)
        expected[offset][d] = near(offset - 1) == 0 ? 0 : expected[offset - 1][d] * near(offset) / near(offset - 1);
    for (int offset = 0; offset < 17; ++offset)
      for (int d = 0; d < 9; ++d) EXPECT_EQ(k1[row][offset][d], expected[offset][d]) << row << " " << offset << " " << d;
  }
  // Two ranks in front of the king a gold keeps 72/96 of its row in front:
  // 735 x 0.75, truncated.
  EXPECT_EQ(k1[0][6][0], 551);
}

TEST(GameStage, CountsAdvancedPromotedAndCapturedPieces) {
  EXPECT_EQ(DetermineGameStage(StartPosition()), STAGE_OPENING);
  const std::vector<PlacedPiece> kings = {{0, KING, 5, 9}, {1, KING, 5, 1}};
  std::vector<PlacedPiece> pawnIn = kings;
  pawnIn.push_back({0, PAWN, 3, 3});  // 1 in the camp, and 1 at half weight
  EXPECT_EQ(DetermineGameStage(BuildPosition(0, pawnIn, {{0, ROOK, 1}})), STAGE_MIDDLE);  // 3 + 1 + 0
  EXPECT_EQ(DetermineGameStage(BuildPosition(0, pawnIn)), STAGE_OPENING);
  std::vector<PlacedPiece> promoted = kings;
  for (const PlacedPiece piece : {PlacedPiece{0, DRAGON, 9, 6}, {1, TOKIN, 1, 5}, {0, PRO_SILVER, 8, 5}}) promoted.push_back(piece);
  EXPECT_EQ(DetermineGameStage(BuildPosition(0, promoted)), STAGE_MIDDLE);  // 7
  promoted.push_back({1, PRO_LANCE, 2, 5});
  EXPECT_EQ(DetermineGameStage(BuildPosition(0, promoted)), STAGE_ENDGAME);  // 9
}

// The raw sums recounted from the tables: piece and square values, hands by
// their values one by one, the hand-size and tokin-crowding penalties.
int RecountRawSum(const Position& position, int side) {
  const int handTotalPenalty[20] = {0, 5, 115, 155, 180, 180, 180, 180, 180, 180, 180, 180, 180, 180, 180, 180, 180, 180, 180, 180};
  const int crowding[19] = {0, 0, 100, 250, 440, 540, 640, 740, 840, 940, 1040, 1140, 1240, 1340, 1440, 1540, 1640, 1740, 1840};
  int sum = 0;
  for (int id = 0; id < PIECE_COUNT; ++id) {
    const PieceListEntry& piece = position.pieces[id];
    if (piece.file < 1 || OwnerOf(piece.code) != side) continue;
    const int type = TypeOf(piece.code);
    if (type != KING) sum += g_rootEvalTables.pieceValue[type];
    sum += g_activePieceSquareTable->value[g_pieceSquareRow[type] + 9 * side][9 * (piece.file - 1) + piece.rank - 1];
  }
  for (int type = ROOK; type <= PAWN; ++type)
    for (int i = 0; i < position.hand[side][type - 1]; ++i) sum += g_rootEvalTables.handValue[type - 1][i];
  for (uint32_t i = 0; i < position.handTotal[side]; ++i) sum -= handTotalPenalty[i];
  return sum - crowding[position.tokins[side].count];
}

void ExpectRecountedRawSums(const Position& position) {
  InitEvalTables(position, STAGE_OPENING, kUndecided);
  QuickEvalResult result;
  QuickEvaluate(position, 0, &result);
  for (int side = 0; side < 2; ++side) {
    EXPECT_EQ(result.rawSum[side], RecountRawSum(position, side));
    EXPECT_EQ(result.adjustedSum[side], result.rawSum[side]);
  }
  EXPECT_EQ(result.score, result.rawSum[position.sideToMove] - result.rawSum[1 - position.sideToMove]);
}

// Random games: once a game has reached the endgame it never reads as an
// opening again; the quick raw sums recount all along.
TEST(RandomGames, StagesNeverFallBackToTheOpeningAndQuickSumsRecount) {
  const int games = SampleCount(20);
  int endgames = 0;
  for (int game = 0; game < games; ++game) {
    Position position = StartPosition();
    bool reachedEndgame = false;
    PlayoutEvents events;
    PlayRandomGame(position, 7100 + game, 160, [&](Position& current, const MoveRecord& move) {
      MakeMove(current, move, 0);
      const GameStage stage = DetermineGameStage(current);
      EXPECT_FALSE(reachedEndgame && stage == STAGE_OPENING) << "game " << game;
      reachedEndgame |= stage == STAGE_ENDGAME;
      if (game < 3) ExpectRecountedRawSums(current);
      return !HasFailure();
    }, events);
    endgames += reachedEndgame;
  }
  EXPECT_GT(endgames, games / 2);
}

// Eighteen tokins on one side and every other piece in the other's hand; all
// eighteen pawns in one hand.
TEST(QuickEvaluate, FullHandsAndEighteenTokinsStayInsideTheTables) {
  std::vector<PlacedPiece> tokins = {{0, KING, 5, 9}, {1, KING, 5, 1}};
  for (int i = 0; i < 18; ++i) tokins.push_back({0, TOKIN, 1 + i % 9, 3 + i / 9});
  ExpectRecountedRawSums(BuildPosition(0, tokins, {{1, ROOK, 2}, {1, BISHOP, 2}, {1, GOLD, 4}, {1, SILVER, 4}, {1, KNIGHT, 4}, {1, LANCE, 4}}));
  ExpectRecountedRawSums(BuildPosition(1, {{0, KING, 5, 9}, {1, KING, 5, 1}}, {{0, PAWN, 18}}));
}

// A lone king in the corner: every off-board square of its neighbourhood,
// the border ring included, counts half its weight, and so do the three
// empty squares only the king covers; then the own-camp malus.
TEST(KingShelter, SquaresOffTheBoardCountHalfTheirWeight) {
  const Position position = BuildPosition(0, {{0, KING, 9, 9}, {1, KING, 1, 1}});
  const double weights[7][3] = {{0.5, 0.5, 0.5}, {0.8, 0.8, 0.7}, {1.0, 0.9, 0.8}, {1.0, 1.0, 0.85},
                                {0.8, 0.8, 0.7}, {0.75, 0.72, 0.65}, {0.68, 0.65, 0.6}};
  double expected = 0.5 * (1.0 + 1.0 + 0.9) - 5;
  for (int step = -2; step <= 4; ++step)
    for (int offset = -2; offset <= 2; ++offset)
      if (9 + offset > 9 || 9 - step > 9) expected += 0.5 * weights[step + 2][offset < 0 ? -offset : offset];
  EXPECT_DOUBLE_EQ(KingShelterValue(position, 0), expected);
  EXPECT_DOUBLE_EQ(KingShelterValue(TurnedPosition(position), 1), expected);
  EXPECT_EQ(ShelterFactor(20.5) + ShelterFactor(16.0) + ShelterFactor(14.0), 0.25 + 0.1);
}

}  // namespace
