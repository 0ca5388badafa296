// Strategy adjustment of the tables: each strategy's rules on positions
// where they fire, checked against the amounts the rules give, and the
// turned position giving side 1 the turned change over random openings.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>
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

// ---------------------------------------------------------------------------
// Whole rule families, one adjuster at a time on a table whose entries all
// differ: every square a rule names must change by its amount (or take its
// value, or copy its source) and every other entry must stay.

// One step of the model: add to the side's (or the opponent's) entry, set
// it, or copy the side's entry of another square of the same row.
struct Step {
  enum Kind { ADD, ENEMY_ADD, SET, COPY, CAP } kind;
  int type, file, rank, amount;
  int fromFile = 0, fromRank = 0;
};
Step Add(int type, int file, int rank, int amount) { return {Step::ADD, type, file, rank, amount}; }
Step EnemyAdd(int type, int file, int rank, int amount) { return {Step::ENEMY_ADD, type, file, rank, amount}; }
Step Set(int type, int file, int rank, int value) { return {Step::SET, type, file, rank, value}; }
Step Copy(int type, int file, int rank, int fromFile, int fromRank) {
  return {Step::COPY, type, file, rank, 0, fromFile, fromRank};
}
std::vector<Step> AddEach(int type, std::vector<std::pair<int, int>> squares, int amount) {
  std::vector<Step> steps;
  for (const auto& [file, rank] : squares) steps.push_back(Add(type, file, rank, amount));
  return steps;
}

// entry := min(entry, the side's entry at the source + amount).
Step Cap(int type, int file, int rank, int fromFile, int fromRank, int amount) {
  return {Step::CAP, type, file, rank, amount, fromFile, fromRank};
}

// The amount on every square of ranks first..last.
std::vector<Step> AddOnRanks(int type, int firstRank, int lastRank, int amount) {
  std::vector<Step> steps;
  for (int file = 1; file <= 9; ++file)
    for (int rank = firstRank; rank <= lastRank; ++rank) steps.push_back(Add(type, file, rank, amount));
  return steps;
}

using Adjuster = void (*)(const Position&, int side);

struct FamilyCase {
  const char* what;
  Adjuster adjust;
  std::vector<PlacedPiece> pieces;
  std::vector<HandPieces> hands;
  std::vector<std::vector<Step>> steps;  // in the order the rules run
};

void Fill(PieceSquareTable& table) {
  for (int row = 0; row < 2 * PIECE_ROW_COUNT; ++row)
    for (int square = 0; square < SQUARE_COUNT; ++square) table.value[row][square] = 1000 * row + square;
}

// Runs the case for one side: side 1 gets the position turned and every
// square of the model turned with it.
void CheckFamily(const FamilyCase& c, int side) {
  Position position = BuildPosition(0, c.pieces, c.hands);
  if (side == 1) position = TurnedPosition(position);
  PieceSquareTable expected, table;
  Fill(expected);
  Fill(table);
  const auto file = [&](int f) { return side == 0 ? f : 10 - f; };
  const auto rank = [&](int r) { return side == 0 ? r : 10 - r; };
  for (const std::vector<Step>& group : c.steps) {
    for (const Step& s : group) {
      const int row = g_pieceSquareRow[s.type];
      int& entry = expected.At(row, s.kind == Step::ENEMY_ADD ? 1 - side : side, file(s.file), rank(s.rank));
      switch (s.kind) {
        case Step::ADD: case Step::ENEMY_ADD: entry += s.amount; break;
        case Step::SET: entry = s.amount; break;
        case Step::COPY: entry = expected.At(row, side, file(s.fromFile), rank(s.fromRank)); break;
        case Step::CAP: entry = std::min(entry, expected.At(row, side, file(s.fromFile), rank(s.fromRank)) + s.amount); break;
      }
    }
  }
  PieceSquareTable* const active = g_activePieceSquareTable;
  g_activePieceSquareTable = &table;
  c.adjust(position, side);
  g_activePieceSquareTable = active;
  for (int row = 0; row < 2 * PIECE_ROW_COUNT; ++row)
    for (int f = 1; f <= 9; ++f)
      for (int r = 1; r <= 9; ++r)
        EXPECT_EQ(table.value[row][SquareIndex(f, r)], expected.value[row][SquareIndex(f, r)])
            << c.what << ", side " << side << ": row " << row % PIECE_ROW_COUNT << " of side "
            << row / PIECE_ROW_COUNT << " at " << f << r;
}

void ShikenMinoOpening(const Position& p, int side) { AdjustShikenMino(p, STAGE_OPENING, side); }
void FunaKyusen(const Position& p, int side) { AdjustFunaKyusen(p, STAGE_OPENING, side); }
void RangingRook(const Position& p, int side) { AdjustRangingRook(p, STAGE_OPENING, side); }
void IbiAnaguma(const Position& p, int side) { AdjustIbiAnaguma(p, STAGE_OPENING, side); }
void HidariMino(const Position& p, int side) { AdjustHidariMino(p, STAGE_OPENING, side); }
void StaticVsRanging(const Position& p, int side) { AdjustStaticVsRanging(p, STAGE_OPENING, side); }
void AiFuriKinMuso(const Position& p, int side) { AdjustAiFuriKinMuso(p, STAGE_OPENING, side); }
template <SenkeiId kOpponent>
void UndecidedAgainst(const Position& p, int side) {
  const SenkeiId pair[2] = {kOpponent, kOpponent};
  AdjustUndecided(p, side, STAGE_OPENING, pair);
}

// Knights never stand unpromoted on ranks 1-2 and are lost on rank 3; the
// edge files lose most.
std::vector<Step> KnightRanksSet() {
  std::vector<Step> steps;
  for (int file = 1; file <= 9; ++file) {
    const bool edge = file == 1 || file == 9;
    steps.push_back(Set(KNIGHT, file, 3, edge ? -369 : -249));
    steps.push_back(Set(KNIGHT, file, 2, edge ? -158 : -146));
    steps.push_back(Set(KNIGHT, file, 1, edge ? -150 : -135));
  }
  return steps;
}
// The castle blends on the king's wing (files as for a king on the left).
std::vector<Step> CastleBlend(bool mirror, int gold78, int gold67, int silver77, int silver68, int pawn76,
                              int bishop88) {
  const auto f = [mirror](int file) { return mirror ? 10 - file : file; };
  return {Add(GOLD, f(7), 8, gold78),     Add(GOLD, f(6), 7, gold67), Add(SILVER, f(7), 7, silver77),
          Add(SILVER, f(6), 8, silver68), Add(PAWN, f(7), 6, pawn76), Add(BISHOP, f(8), 8, bishop88)};
}

// The opponent's pawn rows of 8一..8五, lowered by every 四間美濃 table.
const std::vector<Step> kEnemyEighthFile = {EnemyAdd(PAWN, 8, 1, -10), EnemyAdd(PAWN, 8, 2, -10),
                                            EnemyAdd(PAWN, 8, 3, -10), EnemyAdd(PAWN, 8, 4, -10),
                                            EnemyAdd(PAWN, 8, 5, -10)};
// 5七 empty: the king keeps away from the centre.
const std::vector<Step> kKingOffTheCentre = {Add(KING, 4, 8, -5), Add(KING, 3, 9, -5), Add(KING, 5, 8, -3),
                                             Add(KING, 5, 9, -3)};
// The opponent holds a bishop: the defenders' squares of the left side.
const std::vector<Step> kBishopInHand = {
    Add(GOLD, 5, 8, -1),   Add(GOLD, 6, 9, 4),    Add(GOLD, 6, 8, 8),    Add(GOLD, 7, 9, 4),
    Add(GOLD, 7, 8, 4),    Add(GOLD, 7, 8, 9),    Add(SILVER, 8, 8, 12), Add(SILVER, 6, 8, 3),
    Add(SILVER, 5, 8, 3),  Add(SILVER, 4, 7, 4),  Add(SILVER, 2, 7, -3), Add(PAWN, 2, 6, -5),
    Add(PAWN, 2, 5, -7),   Add(GOLD, 4, 7, -3),   Add(SILVER, 4, 6, -4), Add(SILVER, 5, 6, -4)};

TEST(FormationAdjusters, RuleFamiliesTouchTheirSquaresAndNoOther) {
  const FamilyCase cases[] = {
      {"四間美濃 opening nudges", ShikenMinoOpening,
       {{1, PAWN, 1, 4}, {0, PAWN, 1, 7}, {0, SILVER, 2, 7}, {0, GOLD, 3, 8}, {0, PAWN, 3, 7}, {0, PAWN, 4, 6},
        {0, GOLD, 4, 7}, {0, GOLD, 4, 9}},
       {},
       {{Add(PAWN, 1, 6, 20), Set(GOLD, 4, 9, 0), Add(GOLD, 3, 8, 12)},
        AddEach(GOLD, {{5, 6}, {6, 6}, {7, 6}}, -2),
        AddEach(GOLD, {{5, 7}, {5, 8}, {5, 9}, {6, 7}, {6, 8}, {6, 9}, {7, 7}, {7, 8}, {7, 9}}, -4),
        {Add(PAWN, 2, 6, -5), Add(PAWN, 2, 5, -5), Add(PAWN, 3, 6, 5)},
        kEnemyEighthFile,
        {Add(GOLD, 5, 8, -9)},
        kKingOffTheCentre}},
      // The silver on 3九 lowers 3八 and 4七; the gold on 4九 keeps its value
      // with the silver on 4七 and the second gold on 6九.
      {"四間美濃 silver at home", ShikenMinoOpening,
       {{0, SILVER, 3, 9}, {0, SILVER, 4, 7}, {0, GOLD, 4, 9}, {0, GOLD, 6, 9}}, {},
       {{Add(GOLD, 3, 8, -8), Add(GOLD, 4, 7, -8)}, kEnemyEighthFile, {Add(PAWN, 2, 5, -12)}, kKingOffTheCentre}},
      {"四間美濃 no exception without the second gold", ShikenMinoOpening,
       {{0, SILVER, 4, 7}, {0, GOLD, 4, 9}}, {},
       {{Set(GOLD, 4, 9, 0)}, kEnemyEighthFile, {Add(PAWN, 2, 5, -12)}, kKingOffTheCentre}},
      {"四間美濃 bishop in hand, rook on 6六", ShikenMinoOpening, {{0, ROOK, 6, 6}}, {{1, BISHOP, 1}},
       {{Set(GOLD, 4, 9, 0)}, kEnemyEighthFile, {Add(PAWN, 2, 5, -12)}, kKingOffTheCentre, {Add(PAWN, 5, 7, 6)},
        kBishopInHand}},
      // The gold on 5八 defends 5七 and the rook is not on 7六 or 6六.
      {"四間美濃 bishop in hand, 5七 defended", ShikenMinoOpening, {{0, GOLD, 5, 8}, {0, ROOK, 8, 8}},
       {{1, BISHOP, 1}},
       {{Set(GOLD, 4, 9, 0)}, kEnemyEighthFile, {Add(PAWN, 2, 5, -12)}, kKingOffTheCentre,
        {kBishopInHand.begin(), kBishopInHand.begin() + 5}, {kBishopInHand.begin() + 6, kBishopInHand.end()}}},
      // Facing the enemy rook on 3六: rook 8八 has an open rank to 2八; rook
      // 7八 is blocked by the silver on 4八.
      {"四間美濃 rook-exchange guard from 8八", ShikenMinoOpening, {{0, ROOK, 8, 8}, {1, ROOK, 3, 6}}, {},
       {{Set(GOLD, 4, 9, 0)}, kEnemyEighthFile, {Add(PAWN, 2, 5, -12), Add(ROOK, 8, 8, 200)}, kKingOffTheCentre}},
      {"四間美濃 rook-exchange guard blocked", ShikenMinoOpening,
       {{0, ROOK, 7, 8}, {0, SILVER, 4, 8}, {1, ROOK, 3, 6}}, {},
       {{Set(GOLD, 4, 9, 0)}, kEnemyEighthFile, {Add(PAWN, 2, 5, -12)}, kKingOffTheCentre}},
      {"四間美濃 Mino with the pawn on 5七", ShikenMinoOpening,
       {{0, KING, 2, 8}, {0, SILVER, 3, 8}, {0, GOLD, 4, 9}, {0, PAWN, 5, 7}}, {},
       {kEnemyEighthFile, {Add(PAWN, 2, 5, -12), Add(KING, 2, 8, -5), Add(KING, 3, 9, 2)},
        AddEach(PAWN, {{2, 6}, {2, 5}, {2, 4}}, 4), AddEach(KNIGHT, {{3, 7}, {4, 5}, {2, 5}}, 6),
        {Add(GOLD, 5, 8, 6)}}},
      {"舟囲い急戦 castle ready, king on 6八", FunaKyusen,
       {{1, PAWN, 9, 4}, {0, PAWN, 9, 7}, {0, KING, 6, 8}, {0, PAWN, 3, 7}, {0, SILVER, 7, 7}}, {},
       {{Add(PAWN, 9, 6, 20), Add(PAWN, 3, 7, 16), Add(SILVER, 3, 6, -15), Copy(BISHOP, 8, 8, 7, 9),
         Add(PAWN, 3, 7, 16)},
        {Set(KING, 8, 8, 28), Set(KING, 7, 8, 22), Set(KING, 8, 7, 17), Set(KING, 7, 9, 16), Set(KING, 8, 9, 10),
         Set(KING, 6, 8, 9), Set(GOLD, 7, 8, 15), Set(GOLD, 6, 7, 10), Set(GOLD, 6, 8, 5), Set(GOLD, 5, 8, 4),
         Set(GOLD, 7, 7, 0), Set(SILVER, 6, 7, 6), Set(SILVER, 7, 7, 4), Set(SILVER, 7, 8, 4),
         Set(SILVER, 8, 7, 2), Set(SILVER, 6, 8, 1), Set(SILVER, 5, 6, -3), Set(SILVER, 5, 7, -3),
         Set(SILVER, 5, 8, -6), Set(SILVER, 7, 9, -7), Set(SILVER, 6, 9, -10), Set(BISHOP, 7, 7, -4)}}},
      // Castled left: the pawn's +12 only, and no copy without 7七 taken.
      {"舟囲い急戦 king castled on 8八", FunaKyusen, {{0, KING, 8, 8}, {0, GOLD, 7, 8}}, {},
       {{Add(PAWN, 3, 7, 12)},
        {Set(KING, 8, 8, 28), Set(KING, 7, 8, 22), Set(KING, 8, 7, 17), Set(KING, 7, 9, 16), Set(KING, 8, 9, 10),
         Set(KING, 6, 8, 9), Set(GOLD, 7, 8, 15), Set(GOLD, 6, 7, 10), Set(GOLD, 6, 8, 5), Set(GOLD, 5, 8, 4),
         Set(GOLD, 7, 7, 0), Set(SILVER, 6, 7, 6), Set(SILVER, 7, 7, 4), Set(SILVER, 7, 8, 4),
         Set(SILVER, 8, 7, 2), Set(SILVER, 6, 8, 1), Set(SILVER, 5, 6, -3), Set(SILVER, 5, 7, -3),
         Set(SILVER, 5, 8, -6), Set(SILVER, 7, 9, -7), Set(SILVER, 6, 9, -10), Set(BISHOP, 7, 7, -4)},
        {Add(GOLD, 5, 8, 3), Add(GOLD, 6, 9, -5)}}},
      {"舟囲い急戦 castle not ready", FunaKyusen, {{0, KING, 5, 9}, {0, GOLD, 7, 7}}, {},
       {{Add(PAWN, 3, 7, 16), Copy(BISHOP, 8, 8, 7, 9)}}},
      {"振り飛車 before the swing", RangingRook, {{0, ROOK, 2, 8}}, {},
       {AddEach(GOLD, {{7, 8}, {6, 8}, {5, 8}, {4, 8}, {3, 8}}, -35),
        AddEach(GOLD, {{2, 7}, {3, 7}, {4, 7}, {5, 7}, {6, 7}}, -20),
        AddEach(SILVER, {{3, 8}, {4, 8}, {5, 8}}, -35), AddEach(SILVER, {{3, 7}, {4, 7}, {5, 7}}, -20),
        AddOnRanks(GOLD, 1, 6, -40), AddOnRanks(SILVER, 1, 6, -40),
        AddEach(KING, {{7, 8}, {6, 8}, {5, 8}, {4, 8}, {3, 8}}, -40)}},
      // The king neither on 8八 nor 9九, no knight on 7七: the golds shift a
      // file left, the rest of the castle waits.
      {"いびあな before the king enters", IbiAnaguma, {{0, KING, 6, 8}, {0, SILVER, 7, 9}}, {},
       {{Copy(GOLD, 7, 9, 6, 9), Copy(GOLD, 6, 8, 5, 8), Copy(GOLD, 7, 8, 6, 8), Add(GOLD, 6, 7, -3),
         Add(GOLD, 7, 7, -8), Add(PAWN, 6, 5, -10), Add(PAWN, 7, 5, -10), Add(PAWN, 5, 5, -5)},
        {Add(GOLD, 7, 9, -5), Add(LANCE, 9, 8, -10), Add(SILVER, 8, 8, -30), Add(GOLD, 7, 8, -30),
         Add(GOLD, 8, 8, -30)}}},
      // In the hole: the silver to 8八 beside the lance, golds 7九 and 7八,
      // and the king not drawn back out.
      {"いびあな king on 9九", IbiAnaguma, {{0, KING, 9, 9}, {0, LANCE, 9, 8}}, {},
       {{Add(LANCE, 9, 8, -10), Add(SILVER, 8, 8, 25), Add(GOLD, 7, 9, 8), Add(GOLD, 7, 8, 6), Add(KING, 8, 8, -10),
         Add(KING, 8, 9, -3)}}},
      {"いびあな king on 9九, silver 8八 and gold 7九", IbiAnaguma,
       {{0, KING, 9, 9}, {0, LANCE, 9, 8}, {0, SILVER, 8, 8}, {0, GOLD, 7, 9}, {0, KNIGHT, 7, 7}}, {},
       {{Add(KNIGHT, 7, 7, 15), Add(GOLD, 7, 9, 8), Add(GOLD, 7, 8, 6), Add(SILVER, 7, 8, 5), Add(KING, 8, 8, -10),
         Add(KING, 8, 9, -3)}}},
      {"いびあな knight on 7七, king on 8八", IbiAnaguma,
       {{0, KING, 8, 8}, {0, KNIGHT, 7, 7}, {0, SILVER, 6, 8}}, {},
       {{Copy(GOLD, 7, 9, 6, 9), Copy(GOLD, 6, 8, 5, 8), Copy(GOLD, 7, 8, 6, 8), Add(GOLD, 6, 7, -3),
         Add(GOLD, 7, 7, -8), Add(PAWN, 6, 5, -10), Add(PAWN, 7, 5, -10), Add(PAWN, 5, 5, -5)},
        {Add(KNIGHT, 7, 7, 15), Add(KING, 9, 9, 20), Add(LANCE, 9, 8, 3), Add(SILVER, 6, 8, -20)}}},
      {"ひだり美濃 edge pawns", HidariMino,
       {{0, KING, 8, 8}, {0, ROOK, 2, 8}, {0, PAWN, 9, 7}, {1, PAWN, 9, 4}, {0, SILVER, 8, 7}}, {},
       {{Add(PAWN, 9, 7, -15), Add(PAWN, 8, 6, -5), Add(PAWN, 6, 7, 2), Add(GOLD, 6, 9, -8), Add(GOLD, 7, 8, 4)}}},
      {"ひだり美濃 edge pawn with the king on 7八", HidariMino,
       {{0, KING, 7, 8}, {0, SILVER, 7, 9}, {0, ROOK, 2, 8}, {0, PAWN, 9, 7}, {0, PAWN, 8, 7}, {1, PAWN, 9, 5}}, {},
       {{Add(PAWN, 9, 7, -15), Add(KING, 8, 8, 10), Add(KING, 7, 8, 1)}}},
      {"ひだり美濃 nothing fires", HidariMino,
       {{0, KING, 8, 8}, {0, ROOK, 2, 8}, {0, PAWN, 9, 7}, {0, PAWN, 8, 7}, {1, PAWN, 9, 5}, {0, SILVER, 7, 9}},
       {},
       {}},
      {"対振り king at home", StaticVsRanging,
       {{0, KING, 5, 9}, {0, ROOK, 2, 8}, {0, SILVER, 4, 6}, {0, KNIGHT, 2, 9}}, {},
       {AddEach(ROOK, {{5, 8}, {6, 8}, {7, 8}, {8, 8}, {9, 8}}, -10),
        {Add(PAWN, 5, 7, 8), Add(PAWN, 5, 6, -8), Add(KNIGHT, 3, 7, -20)}}},
      // The enemy king on 3一: the 9th-file side is the wrong wing.
      {"対振り the wrong wing", StaticVsRanging,
       {{0, KING, 6, 8}, {0, ROOK, 2, 8}, {0, SILVER, 2, 6}, {1, KING, 3, 1}}, {},
       {{Add(PAWN, 5, 7, 8), Add(PAWN, 5, 6, -8), Add(KNIGHT, 8, 5, -35), Add(KNIGHT, 9, 5, -35)},
        AddEach(LANCE, {{9, 1}, {9, 2}, {9, 3}, {9, 4}, {9, 5}}, -50),
        {Add(PAWN, 9, 5, -35), Add(PAWN, 9, 4, -35), Add(BISHOP, 8, 4, -50)},
        AddEach(ROOK, {{9, 1}, {9, 2}, {9, 3}}, -60)}},
      {"相振金無双 king on file 5, bishop on 8八", AiFuriKinMuso,
       {{0, KING, 5, 9}, {0, ROOK, 2, 8}, {0, BISHOP, 8, 8}}, {},
       {{Add(SILVER, 7, 7, -20), Add(GOLD, 3, 8, -20)}, AddEach(GOLD, {{3, 8}, {4, 8}, {5, 8}}, -50),
        AddEach(SILVER, {{2, 8}, {3, 8}, {4, 8}}, -50), AddEach(SILVER, {{2, 7}, {3, 7}, {4, 7}}, -50)}},
      {"居矢倉 bishop line shut by the own pawn", AdjustIYagura,
       {{0, BISHOP, 8, 8}, {0, PAWN, 6, 6}, {0, PAWN, 5, 6}, {0, PAWN, 4, 7}, {0, KING, 6, 9}}, {},
       {{Add(KING, 7, 9, -20), Add(PAWN, 4, 6, -6), Add(KING, 8, 8, 6), Add(KING, 7, 9, 2), Add(SILVER, 7, 6, -30)}}},
      // The enemy bishop on 2二 sees 6六 over an empty diagonal; no enemy
      // pawn stands on file 6.
      {"居矢倉 enemy bishop aims at 6六", AdjustIYagura,
       {{0, BISHOP, 9, 7}, {0, KING, 5, 9}, {1, BISHOP, 2, 2}, {1, PAWN, 7, 3}}, {},
       {{Add(PAWN, 4, 6, -10), Add(SILVER, 7, 7, -12), Add(SILVER, 4, 7, -10), Add(GOLD, 6, 7, 5),
         Add(KING, 7, 9, -6)},
        {Add(KING, 7, 8, -12), Add(KING, 7, 9, -15), Add(KING, 6, 8, -7), Add(KING, 6, 9, -9),
         Add(SILVER, 7, 6, -30)}}},
      {"居矢倉 enemy bishop aims, pawn on 6四, silver on 6三", AdjustIYagura,
       {{0, BISHOP, 9, 7}, {0, KING, 6, 9}, {1, BISHOP, 2, 2}, {1, PAWN, 6, 4}, {1, SILVER, 6, 3}}, {},
       {{Add(PAWN, 4, 6, -10), Add(SILVER, 7, 7, -12), Add(SILVER, 4, 7, -10), Add(GOLD, 6, 7, 5),
         Add(KING, 7, 9, -6), Add(SILVER, 7, 6, -30)}}},
      {"居矢倉 enemy bishop aims, but the file's pawn stays home", AdjustIYagura,
       {{0, BISHOP, 8, 8}, {0, PAWN, 6, 7}, {0, KING, 6, 9}, {1, BISHOP, 2, 2}, {1, PAWN, 6, 3}}, {},
       {{Add(KING, 7, 9, -20), Add(SILVER, 7, 6, -30)}}},
      {"居矢倉 bishop on 7七, silver on 7九", AdjustIYagura,
       {{0, BISHOP, 7, 7}, {0, SILVER, 7, 9}, {0, KING, 5, 9}, {0, ROOK, 2, 8}}, {},
       {{Add(SILVER, 6, 8, -5), Add(SILVER, 8, 8, 8), Add(KING, 7, 8, -12), Add(KING, 7, 9, -15),
         Add(KING, 6, 8, -7), Add(KING, 6, 9, -9), Add(SILVER, 7, 6, -30)}}},
      // King on 7八: lean 0.75, blends trunc(0.25 a + 0.75 b).
      {"未決定 king on 7八", UndecidedAgainst<SENKEI_UNDECIDED>, {{0, KING, 7, 8}, {1, KING, 5, 1}}, {},
       {KnightRanksSet(), CastleBlend(false, 9, 7, 18, 2, 7, -8)}},
      // King on 3八: lean -0.75, the castle on the right wing.
      {"未決定 against a ranging rook", UndecidedAgainst<SENKEI_SHIKEN_MINO>, {{0, KING, 3, 8}, {1, KING, 5, 1}},
       {},
       {KnightRanksSet(), {Add(ROOK, 5, 8, -460)}, AddEach(ROOK, {{6, 8}, {7, 8}, {8, 8}}, -60),
        {Add(PAWN, 5, 6, -2)}, CastleBlend(true, 9, 7, 18, 2, 7, -8)}},
      {"未決定 king at home against a static rook for ranging", UndecidedAgainst<SENKEI_FUNA_KYUSEN>,
       {{0, KING, 5, 9}, {1, KING, 5, 1}}, {},
       {KnightRanksSet(), {Add(BISHOP, 7, 7, 5), Add(PAWN, 2, 5, -20)}, CastleBlend(false, 2, 1, 3, 6, 4, 3)}},
      {"未決定 king on 9九 against 攻向飛車", UndecidedAgainst<SENKEI_SEME_MUKAIBISHA>,
       {{0, KING, 9, 9}, {1, KING, 5, 1}}, {},
       {KnightRanksSet(), {Add(ROOK, 5, 8, -460)}, AddEach(ROOK, {{6, 8}, {7, 8}, {8, 8}}, -60),
        {Add(PAWN, 5, 6, -2)}, CastleBlend(false, 12, 10, 23, 1, 8, -12)}},
      {"未決定 king on 6八 against 相振金無双", UndecidedAgainst<SENKEI_AI_FURI_KIN_MUSO>,
       {{0, KING, 6, 8}, {1, KING, 5, 1}}, {},
       {KnightRanksSet(), {Add(SILVER, 7, 8, 8), Add(GOLD, 6, 9, 6), Add(PAWN, 2, 5, -12)}}},
      {"未決定 king on 4九 against 相振金無双", UndecidedAgainst<SENKEI_AI_FURI_KIN_MUSO>,
       {{0, KING, 4, 9}, {1, KING, 5, 1}}, {},
       {KnightRanksSet(), {Add(SILVER, 3, 8, 8), Add(GOLD, 4, 9, 6), Add(PAWN, 8, 5, -12)}}},
  };
  for (const FamilyCase& c : cases)
    for (int side = 0; side < 2; ++side) CheckFamily(c, side);
}

// The whole per-think step for one side whose opponent (a handicap id) has
// no rules of its own.
template <SenkeiId kId, GameStage kStage = STAGE_OPENING>
void WholeStep(const Position& p, int side) {
  SenkeiId pair[2];
  pair[side] = kId;
  pair[1 - side] = SENKEI_TWO_PIECE_UPPER;
  ApplyStrategyToEvalTables(p, kStage, pair);
}

// King rows of ranks 7, 6, 5 capped at the home square's value less 150,
// 300, 450.
std::vector<Step> KingCap(int homeFile) {
  std::vector<Step> steps;
  for (int file = 1; file <= 9; ++file)
    for (int rank = 5; rank <= 7; ++rank) steps.push_back(Cap(KING, file, rank, homeFile, 8, -150 * (8 - rank)));
  return steps;
}

TEST(FormationAdjusters, InlineRulesAndTheEndgameCapTouchOnlyTheirSquares) {
  std::vector<Step> enemyEighthFile;  // 椎葉玉: the opponent's pawns of file 8, ranks 1-8
  for (int rank = 1; rank <= 8; ++rank) enemyEighthFile.push_back(EnemyAdd(PAWN, 8, rank, -15));
  std::vector<Step> rooksOfTheLeft;
  for (int file = 3; file <= 9; ++file)
    for (int rank = 4; rank <= 9; ++rank) rooksOfTheLeft.push_back(Add(ROOK, file, rank, -20));
  const FamilyCase cases[] = {
      {"角換わり silver at home, knight on 2五", WholeStep<SENKEI_KAKU_GAWARI>,
       {{0, SILVER, 3, 9}, {0, SILVER, 7, 7}, {0, SILVER, 6, 8}, {0, BISHOP, 8, 8}, {0, KNIGHT, 2, 5},
        {1, PAWN, 1, 4}},
       {},
       {{Add(PAWN, 7, 7, -8), Add(SILVER, 6, 7, 10)}, rooksOfTheLeft, {Add(SILVER, 4, 8, 3), Add(PAWN, 3, 6, -70)}}},
      {"振り穴３八金 king on 4八", WholeStep<SENKEI_FURI_ANA_38_GOLD>, {{0, SILVER, 3, 9}, {0, KING, 4, 8}}, {},
       {{Add(GOLD, 3, 9, -5), Add(LANCE, 1, 8, -10), Add(SILVER, 2, 8, -20), Add(PAWN, 4, 7, 10),
         Add(PAWN, 3, 7, 15)}}},
      {"振り穴３八金 king on 2八", WholeStep<SENKEI_FURI_ANA_38_GOLD>, {{0, SILVER, 3, 9}, {0, KING, 2, 8}}, {},
       {{Add(GOLD, 3, 9, -5), Add(PAWN, 4, 7, 10), Add(PAWN, 3, 7, 15)}}},
      {"振り穴３八金 king on 1九 behind the silver", WholeStep<SENKEI_FURI_ANA_38_GOLD>,
       {{0, SILVER, 2, 8}, {0, KING, 1, 9}}, {}, {{Add(LANCE, 1, 8, -10)}}},
      {"椎葉玉 against a king on 5二", WholeStep<SENKEI_SHIIBA_GYOKU>,
       {{0, KING, 6, 9}, {1, KING, 5, 2}, {1, BISHOP, 2, 2}}, {},
       {{Add(PAWN, 5, 9, -10), Add(PAWN, 5, 8, -10), Add(PAWN, 5, 7, -10), Add(PAWN, 5, 6, -8), Add(PAWN, 5, 5, -2),
         Add(SILVER, 4, 8, -10), EnemyAdd(SILVER, 2, 2, 20)},
        {EnemyAdd(PAWN, 3, 3, -8)},  // the opponent's own bishop rule: its bishop on its 8八
        enemyEighthFile}},
      {"椎葉玉 against a king on 4二", WholeStep<SENKEI_SHIIBA_GYOKU>,
       {{0, KING, 6, 9}, {1, KING, 4, 2}, {0, GOLD, 5, 9}}, {},
       {{Add(PAWN, 5, 9, -7), Add(PAWN, 5, 8, -7), Add(PAWN, 5, 7, -7), Add(PAWN, 5, 6, -7), Add(PAWN, 5, 5, -2)},
        enemyEighthFile}},
      {"椎葉玉 king not on 6九", WholeStep<SENKEI_SHIIBA_GYOKU>, {{0, KING, 5, 9}, {1, KING, 5, 2}}, {}, {}},
      // An enemy rook two ranks ahead of the king on 5九: V = -1.
      {"endgame cap, rook ahead", WholeStep<SENKEI_UNDECIDED, STAGE_ENDGAME>,
       {{0, KING, 5, 9}, {1, KING, 5, 1}, {1, ROOK, 5, 7}}, {}, {KingCap(8)}},
      // An own gold two ahead (+3) outweighs the rook three ahead (-0.95).
      {"endgame cap, gold holds", WholeStep<SENKEI_UNDECIDED, STAGE_ENDGAME>,
       {{0, KING, 5, 9}, {1, KING, 5, 1}, {0, GOLD, 5, 7}, {1, ROOK, 5, 6}}, {}, {}},
      // King on 3八: an enemy gold on 2五, three ahead one file over (-2.7),
      // against an own rook on 1六, two ahead two files over (+0.8); R from 2八.
      {"endgame cap, king on the right", WholeStep<SENKEI_UNDECIDED, STAGE_ENDGAME>,
       {{0, KING, 3, 8}, {1, KING, 5, 1}, {1, GOLD, 2, 5}, {0, ROOK, 1, 6}}, {}, {KingCap(2)}},
      // King on 4五 stands too high for the cap.
      {"endgame cap, king on rank 5", WholeStep<SENKEI_UNDECIDED, STAGE_ENDGAME>,
       {{0, KING, 4, 5}, {1, KING, 5, 1}, {1, ROOK, 4, 3}}, {}, {}},
      // Far pieces: an enemy silver eight ahead on the next file (-0.58 x 3)
      // beside an own lance seven ahead (+0.64): V < 0.
      {"endgame cap, the far rank", WholeStep<SENKEI_UNDECIDED, STAGE_ENDGAME>,
       {{0, KING, 6, 9}, {1, KING, 9, 5}, {1, SILVER, 7, 1}, {0, LANCE, 6, 2}}, {}, {KingCap(8)}},
      {"endgame cap, far pieces balance", WholeStep<SENKEI_UNDECIDED, STAGE_ENDGAME>,
       {{0, KING, 6, 9}, {1, KING, 9, 5}, {1, SILVER, 7, 1}, {0, GOLD, 6, 2}}, {}, {}},
  };
  for (const FamilyCase& c : cases)
    for (int side = 0; side < 2; ++side) CheckFamily(c, side);
}

// The endgame cap's weights by ranks ahead of the king (2-8) and file
// offset (0-2): an enemy pawn on one square against an own pawn on
// another caps the king row exactly when the enemy's weight is larger.
TEST(FormationAdjusters, EndgameCapWeighsTheSquaresAheadOfTheKing) {
  const double weight[9][3] = {{0, 0, 0},          {0, 0, 0},          {1.0, 0.95, 0.8},
                               {0.95, 0.9, 0.8},   {0.87, 0.84, 0.74}, {0.79, 0.77, 0.69},
                               {0.71, 0.69, 0.64}, {0.64, 0.62, 0.59}, {0.6, 0.58, 0.56}};
  const SenkeiId pair[2] = {SENKEI_UNDECIDED, SENKEI_UNDECIDED};
  PieceSquareTable table;
  for (int enemyAhead = 2; enemyAhead <= 8; ++enemyAhead)
    for (int enemyOffset = 0; enemyOffset <= 2; ++enemyOffset)
      for (int ownAhead = 2; ownAhead <= 8; ++ownAhead)
        for (int ownOffset = 0; ownOffset <= 2; ++ownOffset) {
          if (enemyAhead == ownAhead && enemyOffset == 0 && ownOffset == 0) continue;
          // The king on 5九; the enemy's pawn to its left, the own pawn to its right.
          const Position position = BuildPosition(0, {{0, KING, 5, 9}, {1, KING, 9, 1},
                                                       {1, PAWN, 5 + enemyOffset, 9 - enemyAhead},
                                                       {0, PAWN, 5 - ownOffset, 9 - ownAhead}});
          Fill(table);
          PieceSquareTable* const active = g_activePieceSquareTable;
          g_activePieceSquareTable = &table;
          ApplyStrategyToEvalTables(position, STAGE_ENDGAME, pair);
          g_activePieceSquareTable = active;
          const bool capped = table.At(ROW_KING, 0, 5, 7) != 1000 * ROW_KING + SquareIndex(5, 7);
          EXPECT_EQ(capped, weight[enemyAhead][enemyOffset] > weight[ownAhead][ownOffset])
              << "enemy " << enemyAhead << "/" << enemyOffset << ", own " << ownAhead << "/" << ownOffset;
        }
}

}  // namespace
