// Castle-formation rules on both grids: the evaluation parameters' silver
// grid (every rule, every stage) and the root tables' castle grid (the gold
// and いびあな rules in the opening only). Grids preset to 100 everywhere,
// values worked by hand from the rules.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/eval/eval_params.h"
#include "engine/eval/eval_setup.h"
#include "support/position_builder.h"

namespace {

struct Square {
  int file, rank, value;  // seen from the examined side
};

struct Case {
  const char* what;
  SenkeiId id;
  std::vector<PlacedPiece> pieces;  // the examined side's, as side 0
  int params;                       // every other square of the silver grid
  int rootOpening, rootMiddle;      // every other square of the castle grid by stage
  std::vector<Square> squares;      // the squares that differ (on every grid that applies the rule)
};

void Preset(int32_t (*grids)[10][10]) {
  for (int side = 0; side < 2; ++side)
    for (int file = 1; file <= 9; ++file)
      for (int rank = 1; rank <= 9; ++rank) grids[side][file][rank] = 100;
}

// The examined side's grid against the case; the other side, undecided with
// its king at home, is filled with -30.
void ExpectGrids(const int32_t (*grids)[10][10], int side, int otherSquares, const std::vector<Square>& squares,
                 const std::string& what) {
  for (int file = 1; file <= 9; ++file) {
    for (int rank = 1; rank <= 9; ++rank) {
      int expected = otherSquares;
      for (const Square& s : squares)
        if (s.file == file && s.rank == rank) expected = s.value;
      EXPECT_EQ(grids[side][RelativeFile(side, file)][RelativeRank(side, rank)], expected)
          << what << " side " << side << " " << file << rank;
      EXPECT_EQ(grids[1 - side][file][rank], -30) << what << " other side";
    }
  }
}

TEST(CastleFormation, RulesOnTheSilverGridAndTheCastleGrid) {
  const Case cases[] = {
      // The finished いびあな: king 9九 with 8八 closed.
      {"いびあな finished", SENKEI_IBI_ANAGUMA, {{0, KING, 9, 9}, {0, SILVER, 8, 8}}, 100, 100, 100,
       {{4, 7, 90}, {4, 6, 96}, {3, 7, 91}, {6, 8, 105}}},
      {"いびあな with 8八 open", SENKEI_IBI_ANAGUMA, {{0, KING, 9, 9}, {0, SILVER, 7, 9}}, 50, 50, 100, {}},
      {"いびあな before the king enters", SENKEI_IBI_ANAGUMA, {{0, KING, 8, 8}, {0, SILVER, 7, 9}}, 50, 50, 100, {}},
      // 相振金無双 has no rule of its own: only the gold rule acts.
      {"a gold on rank 6", SENKEI_AI_FURI_KIN_MUSO, {{0, KING, 4, 9}, {0, GOLD, 5, 6}}, 50, 50, 100, {}},
      {"a gold on rank 4", SENKEI_AI_FURI_KIN_MUSO, {{0, KING, 4, 9}, {0, GOLD, 5, 4}}, 12, 12, 100, {}},
      {"a gold on rank 7", SENKEI_AI_FURI_KIN_MUSO, {{0, KING, 4, 9}, {0, GOLD, 5, 7}}, 100, 100, 100, {}},
  };
  for (const Case& c : cases) {
    std::vector<PlacedPiece> pieces = c.pieces;
    pieces.push_back({1, KING, 5, 1});
    const Position home = BuildPosition(0, pieces);
    for (int side = 0; side < 2; ++side) {
      const Position position = side == 0 ? home : TurnedPosition(home);
      const SenkeiId pair[2] = {side == 0 ? c.id : SENKEI_UNDECIDED, side == 0 ? SENKEI_UNDECIDED : c.id};
      Preset(g_evalParams.sideGridWeight);
      ScoreCastleFormationParams(position, pair);
      ExpectGrids(g_evalParams.sideGridWeight, side, c.params, c.squares, std::string(c.what) + " params");
      Preset(g_rootEvalTables.castleGrid);
      ScoreCastleFormation(position, STAGE_OPENING, pair);
      ExpectGrids(g_rootEvalTables.castleGrid, side, c.rootOpening, c.squares, std::string(c.what) + " opening");
      Preset(g_rootEvalTables.castleGrid);
      ScoreCastleFormation(position, STAGE_MIDDLE, pair);
      ExpectGrids(g_rootEvalTables.castleGrid, side, c.rootMiddle, {}, std::string(c.what) + " middle");
    }
  }
}

// The castle grid read as one array: plane, file and rank address entry
// (plane x 10 + file) x 10 + rank; an addition lands on that entry alone.
TEST(CastleGrid, AccessorsAddressOneEntry) {
  Preset(g_rootEvalTables.castleGrid);
  const int* flat = &g_rootEvalTables.castleGrid[0][0][0];
  CastleGridSet(1, 3, 4, 10);
  CastleGridAdd(1, 3, 4, -25);
  CastleGridSet(2, 0, 0, 1);
  CastleGridAdd(2, 0, 0, 7);
  EXPECT_EQ(CastleGridGet(1, 3, 4), -15);
  EXPECT_EQ(flat[(1 * 10 + 3) * 10 + 4], -15);
  EXPECT_EQ(flat[200], 8);  // the yagura flag's entry
  EXPECT_EQ(CastleGridGet(1, 4, 3), 100);  // file and rank not swapped
  EXPECT_EQ(CastleGridGet(0, 3, 4), 100);  // nor the planes
}

// Undecided, the rook swung to 6八 with the king castled on 4八: the left
// side's back two ranks gain, files 5 to 8, on both grids in every stage.
TEST(CastleFormation, UndecidedSwungRookWithTheKingOnTheRight) {
  const Position home = BuildPosition(0, {{0, KING, 4, 8}, {0, ROOK, 6, 8}, {1, KING, 5, 1}});
  std::vector<Square> squares;
  for (int file = 5; file <= 8; ++file) squares.insert(squares.end(), {{file, 9, 109}, {file, 8, 105}});
  for (int side = 0; side < 2; ++side) {
    const Position position = side == 0 ? home : TurnedPosition(home);
    const SenkeiId pair[2] = {SENKEI_UNDECIDED, SENKEI_UNDECIDED};
    Preset(g_evalParams.sideGridWeight);
    ScoreCastleFormationParams(position, pair);
    ExpectGrids(g_evalParams.sideGridWeight, side, 100, squares, "params");
    for (const GameStage stage : {STAGE_OPENING, STAGE_MIDDLE}) {
      Preset(g_rootEvalTables.castleGrid);
      ScoreCastleFormation(position, stage, pair);
      ExpectGrids(g_rootEvalTables.castleGrid, side, 100, squares, "stage " + std::to_string(stage));
    }
  }
}

}  // namespace
