// Castle-formation rules on both grids: the evaluation parameters' silver
// grid (every rule, every stage) and the root tables' castle grid (the gold
// and いびあな rules in the opening only). Grids preset to 100 everywhere,
// values worked by hand from the rules.
#include <gtest/gtest.h>

#include <algorithm>
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

// One step of the rules on a grid seen from the side: scale, fill (all, or
// all but rank 9), set, or add over a box of files and ranks.
struct GridStep {
  enum Kind { SCALE, FILL, FILL_KEEP_BACK, SET, ADD } kind;
  double factor = 0;
  int firstFile = 0, lastFile = 0, firstRank = 0, lastRank = 0, value = 0;
};
GridStep Scale(double factor) { return {GridStep::SCALE, factor}; }
GridStep Box(int firstFile, int lastFile, int firstRank, int lastRank, int value) {
  return {GridStep::ADD, 0, firstFile, lastFile, firstRank, lastRank, value};
}
GridStep At(int file, int rank, int value) { return Box(file, file, rank, rank, value); }

// Every strategy rule and the ranging-rook rule on a grid preset to 100,
// worked step by step; no case has a gold on ranks 1-6 nor id 8,
// so the silver grid and the castle grid of every stage agree.
TEST(CastleFormation, StrategyRulesOnEverySquare) {
  const struct {
    const char* what;
    SenkeiId id;
    std::vector<PlacedPiece> pieces;  // side 0's view; the enemy king on 5一 unless placed
    std::vector<GridStep> steps;
  } cases[] = {
      {"振り飛車 rook still on 2八", SENKEI_SEME_MUKAIBISHA, {{0, ROOK, 2, 8}, {0, KING, 3, 9}, {0, PAWN, 5, 7}},
       {{GridStep::FILL}, Scale(0.8), At(6, 6, -5)}},
      {"振り飛車 rook on 1八", SENKEI_SEME_MUKAIBISHA, {{0, ROOK, 1, 8}, {0, KING, 6, 9}}, {{GridStep::FILL}, Scale(0.8)}},
      {"振り飛車 king at home", SENKEI_SEME_MUKAIBISHA, {{0, ROOK, 7, 8}, {0, KING, 5, 9}}, {Scale(0.25), Scale(0.8)}},
      {"振り飛車 golds 6九 and 4九", SENKEI_SEME_MUKAIBISHA,
       {{0, ROOK, 7, 8}, {0, KING, 3, 9}, {0, GOLD, 6, 9}, {0, GOLD, 4, 9}}, {Scale(0.25), Scale(0.8)}},
      {"振り飛車 enemy king on 3一, pawn 7四", SENKEI_SEME_MUKAIBISHA,
       {{0, ROOK, 7, 8}, {0, KING, 2, 8}, {1, KING, 3, 1}, {1, PAWN, 7, 4}}, {Scale(0.25), Scale(0.8)}},
      {"振り飛車 enemy king on 4二, pawn 7四", SENKEI_SEME_MUKAIBISHA,
       {{0, ROOK, 7, 8}, {0, KING, 2, 8}, {1, KING, 4, 2}, {1, PAWN, 7, 4}}, {Scale(0.25), Scale(0.8)}},
      {"振り飛車 enemy king on 3一 without the pawn", SENKEI_SEME_MUKAIBISHA,
       {{0, ROOK, 7, 8}, {0, KING, 2, 8}, {1, KING, 3, 1}, {1, PAWN, 7, 3}}, {Scale(0.8)}},
      {"振り飛車 enemy king on 5一", SENKEI_SEME_MUKAIBISHA,
       {{0, ROOK, 5, 8}, {0, KING, 2, 8}, {1, PAWN, 7, 4}}, {Scale(0.8)}},
      {"振り飛車 king 3九 and pawn 5七", SENKEI_FURI_ANAGUMA, {{0, ROOK, 5, 8}, {0, KING, 3, 9}, {0, PAWN, 5, 7}},
       {Scale(0.8), At(6, 6, -5)}},
      {"未決定 king at home", SENKEI_UNDECIDED, {{0, KING, 5, 9}}, {{GridStep::FILL}}},
      {"未決定 rook 6八, king 3八", SENKEI_UNDECIDED, {{0, ROOK, 6, 8}, {0, KING, 3, 8}},
       {Box(5, 8, 9, 9, 9), Box(5, 8, 8, 8, 5)}},
      {"未決定 rook 7八, king 1八", SENKEI_UNDECIDED, {{0, ROOK, 7, 8}, {0, KING, 1, 8}},
       {Box(5, 8, 9, 9, 9), Box(5, 8, 8, 8, 5)}},
      {"未決定 rook 7八, king 4八", SENKEI_UNDECIDED, {{0, ROOK, 7, 8}, {0, KING, 4, 8}},
       {Box(5, 8, 9, 9, 9), Box(5, 8, 8, 8, 5)}},
      {"未決定 rook 2八, king 3八", SENKEI_UNDECIDED, {{0, ROOK, 2, 8}, {0, KING, 3, 8}}, {}},
      {"未決定 rook 6八, king 4九", SENKEI_UNDECIDED, {{0, ROOK, 6, 8}, {0, KING, 4, 9}}, {}},
      {"居矢倉 enemy king 2二", SENKEI_I_YAGURA, {{0, KING, 6, 9}, {1, KING, 2, 2}},
       {Box(6, 9, 2, 9, -12), Box(5, 5, 2, 9, -8), Box(1, 4, 2, 9, 4), At(3, 7, -4), At(1, 5, 10), At(1, 4, 12)}},
      {"居矢倉 enemy king 3一", SENKEI_I_YAGURA, {{0, KING, 7, 8}, {1, KING, 3, 1}},
       {Box(6, 9, 2, 9, -12), Box(5, 5, 2, 9, -8), Box(1, 4, 2, 9, 4), At(3, 7, -4), At(1, 5, 4), At(1, 4, 10)}},
      {"居矢倉 enemy king elsewhere", SENKEI_I_YAGURA, {{0, KING, 6, 9}},
       {Box(6, 9, 2, 9, -12), Box(5, 5, 2, 9, -8), Box(1, 4, 2, 9, 4), At(3, 7, -4), {GridStep::FILL_KEEP_BACK}}},
      {"居矢倉 king at home", SENKEI_I_YAGURA, {{0, KING, 5, 9}, {1, KING, 2, 2}},
       {Box(6, 9, 2, 9, -12), Box(5, 5, 2, 9, -8), Box(1, 4, 2, 9, 4), At(3, 7, -4)}},
      {"居矢倉 gold on 4九", SENKEI_I_YAGURA, {{0, KING, 6, 9}, {0, GOLD, 4, 9}},
       {Box(6, 9, 2, 9, -12), Box(5, 5, 2, 9, -8), Box(1, 4, 2, 9, 4), At(3, 7, -4)}},
      {"居矢倉 silver on 7九", SENKEI_I_YAGURA, {{0, KING, 6, 9}, {0, SILVER, 7, 9}},
       {Box(6, 9, 2, 9, -12), Box(5, 5, 2, 9, -8), Box(1, 4, 2, 9, 4), At(3, 7, -4)}},
      {"角換わり", SENKEI_KAKU_GAWARI, {{0, KING, 6, 9}}, {Box(6, 9, 2, 9, -10), Box(1, 4, 2, 9, 4)}},
      {"舟囲い急戦", SENKEI_FUNA_KYUSEN, {{0, KING, 6, 9}}, {Box(6, 9, 2, 9, -8), Box(1, 4, 2, 9, 4)}},
      {"中住まい king at home", SENKEI_NAKA_ZUMAI, {{0, KING, 5, 9}},
       {Box(1, 9, 1, 1, -6), Box(1, 9, 2, 2, -7), Box(1, 9, 3, 3, -8), Box(1, 9, 4, 4, -9), Box(1, 9, 5, 6, -10),
        Box(1, 9, 7, 8, -6)}},
      {"中住まい king moved", SENKEI_NAKA_ZUMAI, {{0, KING, 5, 8}}, {}},
      {"２枚落上手 king at home", SENKEI_TWO_PIECE_UPPER, {{0, KING, 5, 9}}, {{GridStep::SET}}},
      {"２枚落上手 king moved", SENKEI_TWO_PIECE_UPPER, {{0, KING, 4, 8}},
       {Box(1, 9, 9, 9, 10), Box(1, 9, 8, 8, 7), Box(1, 9, 7, 7, 4), Box(1, 9, 6, 6, 1), Box(1, 9, 5, 5, -2),
        Box(1, 9, 1, 4, -5)}},
      {"力戦中飛車", SENKEI_RIKISEN_NAKABISHA, {{0, ROOK, 5, 8}, {0, KING, 6, 9}},
       {Scale(0.8), At(7, 5, -6), At(7, 6, -6), At(7, 7, -6), At(8, 7, -4)}},
      {"椎葉玉", SENKEI_SHIIBA_GYOKU, {{0, KING, 6, 9}}, {Scale(0.33)}},
  };
  for (const auto& c : cases) {
    int expected[10][10];
    for (auto& row : expected)
      for (int& entry : row) entry = 100;
    for (const GridStep& step : c.steps)
      for (int file = 1; file <= 9; ++file)
        for (int rank = 1; rank <= 9; ++rank) {
          int& entry = expected[file][rank];
          switch (step.kind) {
            case GridStep::SCALE: entry = static_cast<int>(entry * step.factor); break;
            case GridStep::FILL: entry = -30; break;
            case GridStep::FILL_KEEP_BACK: if (rank != 9) entry = -30; break;
            case GridStep::SET: entry = 0; break;
            case GridStep::ADD:
              if (file >= step.firstFile && file <= step.lastFile && rank >= step.firstRank && rank <= step.lastRank)
                entry += step.value;
              break;
          }
        }
    std::vector<PlacedPiece> pieces = c.pieces;
    if (std::none_of(pieces.begin(), pieces.end(), [](const PlacedPiece& p) { return p.side == 1 && p.type == KING; }))
      pieces.push_back({1, KING, 5, 1});
    const Position home = BuildPosition(0, pieces);
    for (int side = 0; side < 2; ++side) {
      const Position position = side == 0 ? home : TurnedPosition(home);
      // The other side is a handicap upper side with its king moved: its
      // grid changes by rank only, and is not examined.
      const SenkeiId pair[2] = {side == 0 ? c.id : SENKEI_BISHOP_UPPER, side == 0 ? SENKEI_BISHOP_UPPER : c.id};
      for (int grid = 0; grid < 3; ++grid) {
        int32_t (*grids)[10][10] = grid == 0 ? g_evalParams.sideGridWeight : g_rootEvalTables.castleGrid;
        Preset(grids);
        if (grid == 0) ScoreCastleFormationParams(position, pair);
        else ScoreCastleFormation(position, grid == 1 ? STAGE_OPENING : STAGE_MIDDLE, pair);
        for (int file = 1; file <= 9; ++file)
          for (int rank = 1; rank <= 9; ++rank)
            EXPECT_EQ(grids[side][RelativeFile(side, file)][RelativeRank(side, rank)], expected[file][rank])
                << c.what << " side " << side << " grid " << grid << " at " << file << rank;
      }
    }
  }
}

}  // namespace
