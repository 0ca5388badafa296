// The per-think set-up of the root tables: the start-up preset, the castle
// blocks by stage and strategy, the yagura flag and
// rank rows, the stage values, and mirror symmetry of the grids and the
// quick evaluator over random positions.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/eval/eval_params.h"
#include "engine/eval/eval_setup.h"
#include "engine/eval/piece_square_table.h"
#include "engine/eval/quick_evaluate.h"
#include "support/eval_params_fill.h"
#include "support/generator_checks.h"
#include "support/position_builder.h"

namespace {

// Runs first in this program: nothing has built the tables yet.
TEST(RootLineWeight, IsPresetBeforeTheFirstBuild) {
  for (int entry : RootLineWeight) EXPECT_EQ(entry, -99999);
  for (int entry : g_rootLineWeightTail) EXPECT_EQ(entry, -99999);
}

TEST(InitEvalTables, CastleBlocksByStageAndStrategyWithTheirRowsAndFlag) {
  const Position position = StartPosition();
  // 相振金無双 has no castle rule: the grids are the blocks themselves.
  const auto grid = [&](GameStage stage, SenkeiId id0, SenkeiId id1, int plane, int file, int rank) {
    const SenkeiId pair[2] = {id0, id1};
    InitEvalTables(position, stage, pair);
    return CastleGridGet(plane, file, rank);
  };
  const SenkeiId kinMuso = SENKEI_AI_FURI_KIN_MUSO, mino = SENKEI_HIDARI_MINO;
  // The endgame's ordinary block is the opening's left-side block.
  for (int file = 1; file <= 9; ++file)
    for (int rank = 1; rank <= 9; ++rank)
      EXPECT_EQ(grid(STAGE_ENDGAME, kinMuso, kinMuso, 1, file, rank), grid(STAGE_OPENING, kinMuso, mino, 1, file, rank));
  const int reversed[9] = {0, 3, 9, 30, 40, 6, 4, 0, 0};
  const int* flat = &g_rootEvalTables.castleGrid[0][0][0];
  for (int i = 0; i < 9; ++i) {
    EXPECT_EQ(flat[202 + i], reversed[i]);
    EXPECT_EQ(flat[212 + i], reversed[8 - i]);
  }
  const SenkeiId yagura[2] = {SENKEI_UNDECIDED, SENKEI_I_YAGURA};
  for (GameStage stage = 0; stage < GAME_STAGE_COUNT; ++stage) {
    InitEvalTables(position, stage, yagura);
    EXPECT_EQ(flat[200], stage == STAGE_OPENING ? 1 : 0);
  }
}

// The set-up writes the squares 1..9 of planes 0 and 1 and the flag and the
// two rows of plane 2, and nothing else of the grid: the unused border
// entries keep what they held, for every stage and castle block.
TEST(InitEvalTables, WritesNoGridEntryOutsideItsSquaresAndRows) {
  const Position position = StartPosition();
  const auto used = [](int index) {
    const int plane = index / 100, file = index / 10 % 10, rank = index % 10;
    if (plane < 2) return file >= 1 && rank >= 1;
    return index == 200 || (index >= 202 && index <= 210) || (index >= 212 && index <= 220);
  };
  int* flat = &g_rootEvalTables.castleGrid[0][0][0];
  for (GameStage stage = 0; stage < GAME_STAGE_COUNT; ++stage) {
    for (const SenkeiId id : {SENKEI_UNDECIDED, SENKEI_HIDARI_MINO, SENKEI_IBI_ANAGUMA}) {
      const SenkeiId pair[2] = {id, id};
      for (int i = 0; i < 300; ++i) flat[i] = 12345;
      InitEvalTables(position, stage, pair);
      for (int i = 0; i < 300; ++i) {
        if (used(i)) continue;
        EXPECT_EQ(flat[i], 12345) << "entry " << i << " stage " << stage << " id " << id;
      }
    }
  }
}

// The stage tables of two kings off their home squares: the values the rules
// print, and a checksum of every entry (hand values and their sums, piece
// values, king blocks, castle grids), which a changed entry moves. The
// opening reads the endgame's king blocks.
TEST(BuildStageTables, PrintedValuesAndChecksumsByStage) {
  const Position position = BuildPosition(0, {{0, KING, 5, 8}, {1, KING, 5, 2}});
  const struct {
    int knights[4], lances[4], pawns[3], rook, bishop;
    long long checksum;
  } rows[GAME_STAGE_COUNT] = {
      {{480, 460, 375, 325}, {400, 385, 305, 260}, {88, 84, 74}, 830, 820, 4142066976},
      {{440, 330, 320, 300}, {400, 300, 290, 285}, {88, 81, 58}, 680, 820, 4142982010},
      {{440, 330, 320, 300}, {400, 300, 290, 285}, {91, 81, 58}, 500, 720, 4140453340},
  };
  RootEvalTables tables[GAME_STAGE_COUNT]{};
  for (GameStage stage = 0; stage < GAME_STAGE_COUNT; ++stage) {
    BuildStageTables(position, stage, &tables[stage]);
    const RootEvalTables& t = tables[stage];
    const auto& row = rows[stage];
    const auto& hand = t.handValue;
    EXPECT_EQ(std::vector<int>(hand[KNIGHT - 1], hand[KNIGHT - 1] + 4), std::vector<int>(row.knights, row.knights + 4));
    EXPECT_EQ(std::vector<int>(hand[LANCE - 1], hand[LANCE - 1] + 4), std::vector<int>(row.lances, row.lances + 4));
    EXPECT_EQ(std::vector<int>(hand[PAWN - 1], hand[PAWN - 1] + 3), std::vector<int>(row.pawns, row.pawns + 3));
    EXPECT_EQ(t.handValueSum[PAWN - 1][2], row.pawns[0] + row.pawns[1] + row.pawns[2]) << stage;
    EXPECT_EQ(std::make_pair(t.pieceValue[ROOK], t.pieceValue[BISHOP]), std::make_pair(row.rook, row.bishop));
    EXPECT_EQ(Checksum(t), row.checksum) << stage;
  }
  EXPECT_EQ(std::memcmp(tables[0].kingBlock, tables[2].kingBlock, sizeof tables[0].kingBlock), 0);
  // The line weights of the later stages stand as printed; the opening's
  // row eases with the formation (tested beside).
  int lines[ROOT_LINE_WEIGHT_SIZE];
  const SenkeiId pair[2] = {SENKEI_UNDECIDED, SENKEI_UNDECIDED};
  BuildRootLineWeights(position, STAGE_MIDDLE, pair, lines);
  EXPECT_EQ(std::vector<int>(lines + 9, lines + 27), (std::vector<int>{14, 12, 12, 8, 2, -7, -17, -37, -100, 16, 15,
                                                                       14, 7, -1, -19, -40, -100, -200}));
}

TEST(BuildRootLineWeights, RowZeroEasesTowardTheUndevelopedWeights) {
  int table[ROOT_LINE_WEIGHT_SIZE];
  const SenkeiId pair[2] = {SENKEI_UNDECIDED, SENKEI_IBI_ANAGUMA};
  BuildRootLineWeights(StartPosition(), STAGE_OPENING, pair, table);
  const int undeveloped[9] = {11, 11, 9, 8, 7, 6, 1, 0, 0};
  for (int i = 0; i < 9; ++i) EXPECT_EQ(table[i], undeveloped[i]);
  EXPECT_EQ(table[27] + table[26] + table[9], 8 - 200 + 14);
  EXPECT_EQ(DevelopmentThreshold(SENKEI_IBI_ANAGUMA) + DevelopmentThreshold(SENKEI_HIDARI_MINO), 18 + 12);
}

// A position and its mirror (turned, owners and the move swapped) give
// mirrored silver grids, castle grids and quick evaluations, for equal ids.
TEST(EvalSetup, TurnedPositionsGiveMirroredGridsAndQuickEvaluations) {
  const SenkeiId ids[] = {SENKEI_UNDECIDED, SENKEI_I_YAGURA, SENKEI_KAKU_GAWARI, SENKEI_SHIKEN_MINO,
                          SENKEI_FUNA_KYUSEN, SENKEI_IBI_ANAGUMA, SENKEI_NAKA_ZUMAI, SENKEI_TWO_PIECE_UPPER,
                          SENKEI_RIKISEN_NAKABISHA, SENKEI_SHIIBA_GYOKU};
  int visit = 0;
  ForEachSamplePosition(SampleCount(120), 64, [&](Position& position) {
    const SenkeiId id = ids[visit % 10], pair[2] = {id, id};
    const GameStage stage = static_cast<GameStage>(visit++ % 3);
    EvalParams params[2];
    RootEvalTables tables[2];
    QuickEvalResult quick[2];
    for (int turned = 0; turned < 2; ++turned) {
      const Position board = turned ? TurnedPosition(position) : position;
      InitEvalParams(board, pair);
      InitEvalTables(board, stage, pair);
      QuickEvaluate(board, stage, &quick[turned]);
      params[turned] = g_evalParams, tables[turned] = g_rootEvalTables;
    }
    for (int side = 0; side < 2; ++side) {
      for (int file = 1; file <= 9; ++file)
        for (int rank = 1; rank <= 9; ++rank) {
          EXPECT_EQ(params[0].sideGridWeight[side][file][rank], params[1].sideGridWeight[1 - side][10 - file][10 - rank]);
          EXPECT_EQ(tables[0].castleGrid[side][file][rank], tables[1].castleGrid[1 - side][10 - file][10 - rank]);
        }
      EXPECT_EQ(quick[0].rawSum[side], quick[1].rawSum[1 - side]);
      EXPECT_EQ(quick[0].adjustedSum[side], quick[1].adjustedSum[1 - side]);
      EXPECT_NEAR(quick[0].guardValue[side], quick[1].guardValue[1 - side], 1e-9);
    }
    EXPECT_EQ(std::make_pair(quick[0].score, quick[0].finalDifference), std::make_pair(quick[1].score, quick[1].finalDifference));
    ASSERT_FALSE(HasFailure()) << "visit " << visit;
  });
}

// Guard values worked by hand at the edges of the nearness rows: four ranks
// behind the king is the last that counts, six in front the first.
TEST(GuardValues, EdgesOfTheNearnessRows) {
  const Position position = BuildPosition(0, {{0, KING, 5, 3}, {0, GOLD, 5, 7},   // 4 behind: 0.11 x 5.0
                                              {0, SILVER, 4, 7},                  // 4 behind, 1 file: 0.02 x 4.9
                                              {0, GOLD, 6, 8},                    // 5 behind: nothing
                                              {1, KING, 1, 2}, {1, LANCE, 1, 8},  // 6 in front: 0.04 x 2.0
                                              {1, GOLD, 1, 9},                    // 7 in front: nothing
                                              {1, PAWN, 2, 7}});                  // 5 in front, 1 file: 0.11 x 1.0
  QuickEvalResult result{};
  GuardValues(position, 1, &result);
  EXPECT_NEAR(result.guardValue[0], 0.55 + 0.098, 1e-9);
  EXPECT_NEAR(result.guardValue[1], 0.08 + 0.11, 1e-9);
}

}  // namespace
