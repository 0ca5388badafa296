// Strategy adjustment of the tables: each strategy's rules on positions
// where they fire, checked against the amounts the rules give, and the
// turned position giving side 1 the turned change over random openings.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/eval/formation_adjusters.h"
#include "engine/eval/piece_square_table.h"
#include "support/playout.h"
#include "support/position_builder.h"

namespace {

// One expected entry of either side's rows, at a real square: the change
// from the plain build, or the value itself when `absolute`.
struct Expect {
  int side, type, file, rank, amount;
  bool absolute = false;
};

struct RuleCase {
  const char* what;
  SenkeiId pair[2];
  GameStage stage;
  int sideToMove;
  std::vector<PlacedPiece> pieces;
  std::vector<Expect> expects;
};

PieceSquareTable Adjusted(const Position& position, GameStage stage, const SenkeiId pair[2], PieceSquareTable& plain) {
  BuildEvalTables(stage, pair);
  plain = *g_activePieceSquareTable;
  ApplyStrategyToEvalTables(position, stage, pair);
  return *g_activePieceSquareTable;
}

TEST(FormationAdjusters, RulesGiveTheirAmounts) {
  const RuleCase cases[] = {
      {"居矢倉 with the king at home", {1, 0}, 0, 0, {{0, KING, 5, 9}},
       {{0, KING, 6, 8, -7}, {0, KING, 6, 9, -9}, {0, KING, 7, 8, -12}, {0, KING, 7, 9, -15}}},
      {"角換わり with the silver at home", {2, 0}, 0, 0,
       {{0, SILVER, 3, 9}, {0, KNIGHT, 2, 5}, {1, PAWN, 1, 4}},
       {{0, ROOK, 5, 6, -20}, {0, ROOK, 9, 9, -20}, {0, ROOK, 2, 6, 0}, {0, SILVER, 4, 8, 3}, {0, PAWN, 3, 6, -70}}},
      {"四間美濃 before the swing", {3, 0}, 0, 0,
       {{0, ROOK, 2, 8}, {0, SILVER, 3, 9}, {0, PAWN, 1, 7}, {1, PAWN, 1, 4}, {0, PAWN, 5, 7}},
       {{0, GOLD, 7, 8, -35}, {0, GOLD, 3, 8, -43}, {0, GOLD, 5, 7, -20}, {0, SILVER, 5, 3, -40},
        {0, KING, 6, 8, -40}, {0, PAWN, 1, 6, 20}, {1, PAWN, 8, 1, -10}, {1, PAWN, 8, 5, -10}}},
      {"四間美濃 rook-exchange guard", {3, 0}, 0, 0,
       {{0, ROOK, 7, 8}, {1, ROOK, 3, 6}, {0, KING, 3, 9}},
       {{0, ROOK, 7, 8, 200}}},
      {"四間美濃 guard only in the opening", {3, 0}, 1, 0,
       {{0, ROOK, 7, 8}, {1, ROOK, 3, 6}, {0, KING, 3, 9}},
       {{0, ROOK, 7, 8, 0}}},
      {"舟囲い急戦 castle ready", {5, 0}, 0, 0, {{0, KING, 7, 8}, {0, SILVER, 7, 7}, {0, PAWN, 3, 7}},
       {{0, KING, 8, 8, 28, true}, {0, GOLD, 6, 7, 10, true}, {0, SILVER, 6, 9, -10, true},
        {0, BISHOP, 7, 7, -4, true}, {0, PAWN, 3, 7, 12}}},
      {"相振金無双 before the swing", {6, 0}, 0, 0, {{0, ROOK, 2, 8}, {0, BISHOP, 8, 8}, {0, KING, 4, 9}},
       {{0, GOLD, 3, 8, -70}, {0, GOLD, 5, 8, -50}, {0, SILVER, 2, 8, -50}, {0, SILVER, 7, 7, -20},
        {0, PAWN, 7, 7, -8}}},
      {"ひだり美濃 edge pawns", {7, 0}, 0, 0, {{0, PAWN, 9, 7}, {1, PAWN, 9, 4}},
       {{0, PAWN, 9, 7, -15}, {0, PAWN, 8, 6, -5}, {0, PAWN, 6, 7, 2}, {0, GOLD, 6, 9, -8}}},
      {"いびあな before the king enters", {8, 0}, 0, 0, {{0, KING, 6, 8}},
       {{0, SILVER, 8, 8, -30}, {0, GOLD, 8, 8, -30}, {0, LANCE, 9, 8, -10}}},
      {"振飛車穴熊 inline rules", {9, 0}, 0, 0, {{0, SILVER, 3, 9}, {0, KING, 4, 8}},
       {{0, GOLD, 3, 9, -5}, {0, LANCE, 1, 8, -10}, {0, SILVER, 2, 8, -20}, {0, PAWN, 4, 7, 10},
        {0, PAWN, 3, 7, 15}}},
      {"椎葉玉 against a king on 5二", {21, 0}, 0, 0, {{0, KING, 6, 9}, {1, KING, 5, 2}, {1, BISHOP, 2, 2}},
       {{0, PAWN, 5, 8, -10}, {0, PAWN, 5, 6, -8}, {0, PAWN, 5, 5, -2}, {0, SILVER, 4, 8, -10},
        {1, PAWN, 8, 3, -15}, {1, SILVER, 2, 2, 20}}},
      {"椎葉玉 against a king on 4二", {21, 0}, 0, 0, {{0, KING, 6, 9}, {1, KING, 4, 2}, {0, GOLD, 4, 9}},
       {{0, PAWN, 5, 9, -7}, {0, PAWN, 5, 6, -7}, {0, PAWN, 5, 5, -2}, {0, PAWN, 5, 4, 0}, {0, SILVER, 4, 8, 0}}},
      {"角換わり silvers on 7七 and 6八", {2, 0}, 0, 0, {{0, SILVER, 7, 7}, {0, SILVER, 6, 8}},
       {{0, SILVER, 6, 7, 10}}},
      // The king behind the rook on 6八 with the silver climbing: no Mino
      // yet (no silver on 3八), 5七 occupied.
      {"四間美濃 system", {3, 0}, 0, 0, {{0, KING, 2, 8}, {0, ROOK, 6, 8}, {0, SILVER, 5, 7}},
       {{0, SILVER, 5, 6, 6}, {0, PAWN, 6, 5, 4}, {0, PAWN, 5, 6, 3}}},
      {"四間美濃 system, silver on 4七", {3, 0}, 0, 0,
       {{0, KING, 2, 8}, {0, ROOK, 6, 8}, {0, SILVER, 4, 7}, {0, PAWN, 5, 7}},
       {{0, SILVER, 5, 6, 6}, {0, PAWN, 6, 5, 4}, {0, PAWN, 5, 6, 3}}},
      {"四間美濃 without the rook on 6八", {3, 0}, 0, 0, {{0, KING, 2, 8}, {0, ROOK, 7, 8}, {0, SILVER, 5, 7}},
       {{0, SILVER, 5, 6, 0}, {0, PAWN, 6, 5, 0}, {0, PAWN, 5, 6, 0}}},
      {"ひだり美濃 built", {7, 0}, 0, 0, {{0, KING, 8, 8}, {0, SILVER, 7, 8}, {0, GOLD, 6, 9}, {0, ROOK, 2, 8}},
       {{0, GOLD, 5, 8, 6}, {0, GOLD, 6, 7, 4}, {0, PAWN, 6, 6, 3}, {0, KING, 9, 8, -6}, {0, KING, 8, 8, 0}}},
      // Pawns 7六, 6六, silver 7七, golds 7八, 6七: all five in place with
      // the king on 8八.
      {"居矢倉 complete", {1, 0}, 0, 0,
       {{0, KING, 8, 8}, {0, PAWN, 7, 6}, {0, PAWN, 6, 6}, {0, SILVER, 7, 7}, {0, GOLD, 7, 8}, {0, GOLD, 6, 7},
        {0, ROOK, 2, 8}, {0, LANCE, 9, 9}, {0, KNIGHT, 8, 9}},
       {{0, LANCE, 9, 9, 2}, {0, KNIGHT, 3, 7, 8}, {0, ROOK, 2, 6, -3}, {0, KING, 8, 8, 22}, {0, KING, 7, 9, 10}}},
      {"居矢倉 four of five", {1, 0}, 0, 0,
       {{0, KING, 8, 8}, {0, PAWN, 7, 6}, {0, SILVER, 7, 7}, {0, GOLD, 7, 8}, {0, GOLD, 6, 7}, {0, ROOK, 2, 8}},
       {{0, LANCE, 9, 9, 0}, {0, KNIGHT, 3, 7, 0}, {0, ROOK, 2, 6, 0}, {0, KING, 8, 8, 18}, {0, KING, 7, 9, 8}}},
      {"undecided against a ranging rook", {0, 3}, 0, 0, {{0, KING, 5, 9}},
       {{0, KNIGHT, 1, 3, -369, true}, {0, KNIGHT, 5, 3, -249, true}, {0, ROOK, 5, 8, -460}}},
      {"static rook against ranging, king at home", {20, 0}, 0, 0, {{0, KING, 5, 9}},
       {{0, ROOK, 5, 8, -10}, {0, ROOK, 9, 8, -10}, {0, PAWN, 5, 7, 8}, {0, PAWN, 5, 6, -8}}},
  };
  for (const RuleCase& c : cases) {
    const Position position = BuildPosition(c.sideToMove, c.pieces);
    PieceSquareTable plain;
    const PieceSquareTable adjusted = Adjusted(position, c.stage, c.pair, plain);
    for (const Expect& e : c.expects) {
      const int row = g_pieceSquareRow[e.type];
      const int file = e.file, rank = e.rank;  // side 0 is adjusted: real squares
      const int got = adjusted.At(row, e.side, file, rank) - (e.absolute ? 0 : plain.At(row, e.side, file, rank));
      EXPECT_EQ(got, e.amount) << c.what << ": side " << e.side << " type " << e.type << " " << e.file << e.rank;
    }
  }
}

TEST(FormationAdjusters, NakaZumaiLowersTheOpponentsPawnsByKingDistance) {
  const int drop[5][9] = {{-6, -8, -24, -38, -48, -54, -58, -60, -62},
                          {-1, -3, -24, -38, -48, -54, -58, -60, -62},
                          {4, 2, -23, -38, -48, -54, -58, -60, -62},
                          {4, 2, -23, -38, -48, -54, -58, -60, -62},
                          {4, 2, -23, -38, -48, -54, -58, -60, -62}};
  const Position position = BuildPosition(0, {{0, KING, 5, 9}, {0, GOLD, 4, 9}, {1, KING, 3, 1}});
  const SenkeiId pair[2] = {SENKEI_NAKA_ZUMAI, SENKEI_I_YAGURA};
  PieceSquareTable plain;
  const PieceSquareTable adjusted = Adjusted(position, STAGE_OPENING, pair, plain);
  for (int file = 1; file <= 9; ++file)
    for (int k = 0; k < 5; ++k)
      EXPECT_EQ(adjusted.At(ROW_PAWN, 1, file, 5 - k) - plain.At(ROW_PAWN, 1, file, 5 - k), drop[k][std::abs(file - 3)]);
  EXPECT_EQ(adjusted.At(ROW_GOLD, 0, 4, 9) - plain.At(ROW_GOLD, 0, 4, 9), 3);
  // Mended: no enemy king, no distance to measure and no read past the table.
  const Position kingless = BuildPosition(0, {{0, KING, 5, 9}});
  Adjusted(kingless, STAGE_OPENING, pair, plain);
  EXPECT_EQ(std::memcmp(plain.value[9 + ROW_PAWN], g_activePieceSquareTable->value[9 + ROW_PAWN], sizeof plain.value[0]), 0);
}

// Over random openings, every strategy pair and stage: the turned position
// with the ids swapped gives each side the other's table turned.
TEST(FormationAdjusters, TurnedPositionGetsTheTurnedTables) {
  PlayoutRandom random{5};
  PieceSquareTable plain;
  for (int game = 0; game < 20; ++game) {
    for (const Position& position : RandomOpeningPositions(500 + game, 40)) {
      const SenkeiId pair[2] = {random.Below(23), random.Below(23)};
      const SenkeiId swapped[2] = {pair[1], pair[0]};
      const GameStage stage = random.Below(3);
      const PieceSquareTable table = Adjusted(position, stage, pair, plain);
      const PieceSquareTable turned = Adjusted(TurnedPosition(position), stage, swapped, plain);
      for (int side = 0; side < 2; ++side)
        for (int row = 0; row < PIECE_ROW_COUNT; ++row)
          for (int file = 1; file <= 9; ++file)
            for (int rank = 1; rank <= 9; ++rank)
              ASSERT_EQ(table.At(row, side, file, rank), turned.At(row, 1 - side, TurnedFile(file), TurnedRank(rank)))
                  << "ids " << pair[0] << "," << pair[1] << " stage " << stage << " row " << row;
    }
  }
}

}  // namespace
