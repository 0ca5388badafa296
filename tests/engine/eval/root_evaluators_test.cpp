// The root-screening evaluators: antisymmetry in the side to move, the
// mirror property over random games, and the named amounts (hemmed kings,
// the escape square, the rook ahead of its pawn, the pawn halving, the
// bishop-in-hand rule of the opening), the blocks' tables read entry by
// entry, and the opening's small blocks and castle list item by item.
#include "engine/eval/root_evaluators.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "engine/eval/eval_params.h"
#include "engine/eval/formation_root.h"
#include "engine/eval/game_stage.h"
#include "engine/eval/root_eval_blocks.h"
#include "engine/search/root_screening.h"
#include "support/playout.h"
#include "support/position_builder.h"
#include "support/root_eval_fill.h"

namespace {

using namespace root_eval;

#if defined(KIFU_SANITIZED)
constexpr int kGames = 6;
#else
constexpr int kGames = 40;
#endif

int Evaluate(const Position& position, int stage) {
  MoveRecord nullMove{};
  nullMove.SetNull();
  g_gameStage = stage;
  return EvalRootForStage(position, stage, &nullMove, nullptr);
}

// The endgame's hemmed-king rows are written with absolute files, and the
// king on 6八 counts its second row only when the first did not apply while
// the king on 4八 counts both: a turned position may differ there.
bool HemmedRowsDiffer(const Position& position) {
  for (int side = 0; side < 2; ++side) {
    const PieceListEntry& king = position.pieces[side];
    if (RelativeRank(side, king.rank) == 8 && (king.file == 4 || king.file == 6)) return true;
  }
  return false;
}

// A position turned with the owners swapped, under tables laid out the
// same for both sides, scores the same for its side to move (the opening
// evaluator too: its side-to-move rules turn with the position); flipping
// the side to move negates the later stages.
TEST(RootEvaluators, TurnedPositionScoresTheSameAndFlippingTheMoverNegates) {
  std::set<int> distinct[3];
  for (int game = 0; game < kGames; ++game) {
    FillRandomRootTables(100 + static_cast<uint64_t>(game), game % 2 == 0);
    for (const Position& position : RandomOpeningPositions(900 + static_cast<uint64_t>(game), 160)) {
      const Position turned = TurnedKeepingIds(position);
      for (int stage = 0; stage < 3; ++stage) {
        if (stage == STAGE_ENDGAME && HemmedRowsDiffer(position)) continue;
        const int value = Evaluate(position, stage);
        ASSERT_EQ(Evaluate(turned, stage), value) << "stage " << stage << " game " << game;
        distinct[stage].insert(value);
      }
      Position flipped = position;
      flipped.sideToMove ^= 1;
      ASSERT_EQ(EvalEndGameRoot(flipped, nullptr), -EvalEndGameRoot(position, nullptr));
      ASSERT_EQ(EvalMiddleGameRoot(flipped, nullptr, nullptr), -EvalMiddleGameRoot(position, nullptr, nullptr));
    }
  }
  for (const std::set<int>& values : distinct) EXPECT_GT(values.size(), 20u);  // the scores vary
}

TEST(RootEvaluators, HemmedKingRowsKeepTheirQuirks) {
  EXPECT_EQ(HemmedKingAmount(PositionFromDiagram("4k4/9/9/9/9/9/9/1GSK5/2G6 b -"), 0, 6, 8), -165);
  EXPECT_EQ(HemmedKingAmount(PositionFromDiagram("4k4/9/9/9/9/9/9/5KSG1/6G2 b -"), 0, 4, 8), -165 - 180);
  // Side 1 reads the same absolute files: its king on 6二 with pieces on
  // 8二, 7二 and 7一 is the right-hand row again.
  EXPECT_EQ(HemmedKingAmount(PositionFromDiagram("2g6/1gsk5/9/9/9/9/9/9/4K4 w -"), 1, 6, 8), -165);
}

TEST(RootEvaluators, EscapeSquareBehindTheKing) {
  EXPECT_EQ(EscapeSquareAmount(BuildPosition(0, {{0, KING, 2, 9}, {1, KING, 5, 1}}), 0), 0);  // back rank
  EXPECT_EQ(EscapeSquareAmount(BuildPosition(0, {{0, KING, 2, 8}, {1, KING, 5, 1}}), 0), -50);
  EXPECT_EQ(EscapeSquareAmount(BuildPosition(0, {{0, KING, 2, 8}, {1, KING, 5, 1}, {1, ROOK, 3, 1}}), 0), -100);
  EXPECT_EQ(
      EscapeSquareAmount(BuildPosition(0, {{0, KING, 2, 8}, {1, KING, 5, 1}, {1, ROOK, 3, 1}}, {{1, BISHOP, 1}}), 0),
      -150);
  EXPECT_EQ(EscapeSquareAmount(BuildPosition(0, {{0, KING, 4, 8}, {1, KING, 5, 1}}), 0), 0);  // near the centre
}

int RookActivity(const Position& position, RootForm form, int side) {
  Accumulators acc;
  RookLines(position, form, acc, nullptr);
  return acc.activity[side];
}

TEST(RootEvaluators, RookAheadOfItsPawn) {
  // Clearing the pawn-file entry leaves the board, so only the penalty changes.
  const auto penalty = [](int rookRank, RootForm form) {
    Position position = BuildPosition(0, {{0, KING, 5, 9}, {1, KING, 5, 1}, {0, ROOK, 2, rookRank}, {0, PAWN, 2, 7}});
    const int activity = RookActivity(position, form, 0);
    position.pawnRank[0][2] = 0;
    return RookActivity(position, form, 0) - activity;
  };
  for (const auto& [form, amount] :
       {std::pair{FORM_ENDGAME, 70}, std::pair{FORM_MIDDLE, 150}, std::pair{FORM_OPENING, 90}}) {
    EXPECT_EQ(penalty(6, form), amount);
    EXPECT_EQ(penalty(8, form), 0);  // behind its pawn
  }
}

// An own piece ahead of the rook, then the enemy's pawn with its lance
// behind it on the file: 15 less in the opening.
TEST(RootEvaluators, EnemyLanceBehindItsPawnOnTheRooksFile) {
  const auto activity = [](int lanceFile) {
    return RookActivity(BuildPosition(0, {{0, KING, 5, 9}, {1, KING, 5, 1}, {0, ROOK, 2, 8}, {0, PAWN, 2, 7},
                                          {1, PAWN, 2, 4}, {1, LANCE, lanceFile, 1}}),
                        FORM_OPENING, 0);
  };
  EXPECT_EQ(activity(2) - activity(1), -15);
}

TEST(FormationRoot, BishopInHandAgainstAHomeRookOnTheFarWing) {
  const auto cost = [](std::vector<PlacedPiece> golds) {
    std::vector<PlacedPiece> pieces = {{0, KING, 5, 9}, {1, KING, 5, 1}, {0, ROOK, 7, 7}, {0, PAWN, 7, 6}};
    pieces.insert(pieces.end(), golds.begin(), golds.end());
    return RookActivity(BuildPosition(0, pieces, {{1, BISHOP, 1}}), FORM_OPENING, 0) -
           RookActivity(BuildPosition(0, pieces), FORM_OPENING, 0);
  };
  EXPECT_EQ(cost({{0, GOLD, 7, 8}, {0, GOLD, 6, 9}}), 0);
  EXPECT_EQ(cost({{0, GOLD, 6, 9}}), -10);
  EXPECT_EQ(cost({}), -15);
  // The rook on 8八 behind its pawn on 8七: golds on 7七 and 6八 close less.
  const auto costAt88 = [](PlacedPiece gold) {
    const std::vector<PlacedPiece> pieces = {{0, KING, 5, 9}, {1, KING, 5, 1}, {0, ROOK, 8, 8}, {0, PAWN, 8, 7}, gold};
    return RookActivity(BuildPosition(0, pieces, {{1, BISHOP, 1}}), FORM_OPENING, 0) -
           RookActivity(BuildPosition(0, pieces), FORM_OPENING, 0);
  };
  EXPECT_EQ(costAt88({0, GOLD, 7, 7}), -2);
  EXPECT_EQ(costAt88({0, GOLD, 6, 8}), -7);
  EXPECT_EQ(costAt88({0, GOLD, 6, 9}), -10);
}

TEST(FormationRoot, FarPawnsAreHalvedUnlessBacked) {
  const auto chain = [](std::vector<PlacedPiece> extra) {
    std::vector<PlacedPiece> pieces = {{0, KING, 5, 9}, {1, KING, 5, 1}, {0, PAWN, 3, 3}};
    pieces.insert(pieces.end(), extra.begin(), extra.end());
    Accumulators acc;
    PawnChainClasses(BuildPosition(0, pieces), FORM_OPENING, acc);
    return acc.activity[0];
  };
  EXPECT_EQ(chain({{0, KNIGHT, 2, 5}}), 29);                     // defended on rho 3: 58 halved
  EXPECT_EQ(chain({{0, KNIGHT, 2, 5}, {0, SILVER, 3, 4}}), 58);  // a silver behind keeps it whole
  EXPECT_EQ(chain({}), 16);                                      // below 20: unchanged
}

// The yagura rules count only with the flag set, both rooks on the board
// and none of them active.
TEST(FormationRoot, YaguraRulesNeedBothRooksAtHome) {
  const auto withFlag = [](const std::vector<PlacedPiece>& pieces, bool flag) {
    FillRandomRootTables(21, flag);
    MoveRecord nullMove{};
    nullMove.SetNull();
    return EvalFormationRoot(BuildPosition(0, pieces), 0, &nullMove, nullptr);
  };
  std::vector<PlacedPiece> pieces = {
      {0, KING, 6, 9}, {1, KING, 4, 1}, {1, GOLD, 4, 2}, {0, SILVER, 4, 6}, {0, ROOK, 2, 8}};
  const auto flagEffect = [&](std::vector<PlacedPiece> extra) {
    std::vector<PlacedPiece> all = pieces;
    all.insert(all.end(), extra.begin(), extra.end());
    return withFlag(all, true) - withFlag(all, false);
  };
  // Side 0: king file below 7 with a silver on 4六, -5; of the squares two
  // ranks in front of its king 6七 and 7七 are unguarded (the silver guards
  // 5七), -10. Side 1's gold guards all three of its squares.
  EXPECT_EQ(flagEffect({{1, ROOK, 8, 2}}), -15);
  EXPECT_EQ(flagEffect({}), 0);                   // side 1 has no rook
  EXPECT_EQ(flagEffect({{1, DRAGON, 8, 2}}), 0);  // an active rook
  EXPECT_EQ(flagEffect({{1, ROOK, 8, 7}}), 0);    // a rook in its enemy camp
}

// A bishop in the mover's hand against the enemy rook on 3三 (7七 for
// side 1) that nothing of the mover guards: +100 to the mover.
TEST(FormationRoot, BishopDropOnAnUnguardedRook) {
  const struct Case {
    const char* what;
    std::vector<PlacedPiece> pieces;
    std::vector<HandPieces> hand;
    int expected;
  } cases[] = {
      {"unguarded rook", {{1, ROOK, 3, 3}}, {{0, BISHOP, 1}}, 100},
      {"two bishops count once", {{1, ROOK, 3, 3}}, {{0, BISHOP, 2}}, 100},
      {"no bishop in hand", {{1, ROOK, 3, 3}}, {{0, GOLD, 1}}, 0},
      {"the mover's pawn guards 3三", {{1, ROOK, 3, 3}, {0, PAWN, 3, 4}}, {{0, BISHOP, 1}}, 0},
      {"a dragon is no rook", {{1, DRAGON, 3, 3}}, {{0, BISHOP, 1}}, 0},
      {"the rook elsewhere", {{1, ROOK, 2, 3}}, {{0, BISHOP, 1}}, 0},
      {"the mover's own rook", {{0, ROOK, 3, 3}}, {{0, BISHOP, 1}}, 0},
  };
  for (const Case& c : cases) {
    std::vector<PlacedPiece> pieces = {{0, KING, 5, 9}, {1, KING, 5, 1}};
    pieces.insert(pieces.end(), c.pieces.begin(), c.pieces.end());
    const Position position = BuildPosition(0, pieces, c.hand);
    for (int side = 0; side < 2; ++side) {
      Accumulators acc;
      BishopDrop(side == 0 ? position : TurnedPosition(position), acc);
      EXPECT_EQ(acc.activity[side], c.expected) << c.what << " side " << side;
      EXPECT_EQ(acc.activity[1 - side], 0) << c.what << " side " << side;
    }
  }
}

// The castle list's amount for side 0 with the rook on file 2, and the same
// for side 1 on the turned position: the pieces are set beside the given
// ones (the kings).
void ExpectCastleListAmount(std::vector<PlacedPiece> pieces, const std::vector<PlacedPiece>& more, int expected,
                            const char* what) {
  pieces.insert(pieces.end(), more.begin(), more.end());
  const Position position = BuildPosition(0, pieces);
  EXPECT_EQ(CastleListAmount(position, 0, 2, 0, false), expected) << what;
  EXPECT_EQ(CastleListAmount(TurnedPosition(position), 1, 8, 0, false), expected) << what << " turned";
}

// Single yagura rules on their own: the king on 8四 stays clear of the
// rules that read the king, the rook is on 2八's file (neither 3 nor above
// 4), no attacking silver is chosen.
TEST(FormationRoot, YaguraRuleAmounts) {
  const struct Case {
    const char* what;
    std::vector<PlacedPiece> pieces;
    int expected;
  } cases[] = {
      {"rule 5: pawn 4七, silver 4六, bishop 2六", {{0, PAWN, 4, 7}, {0, SILVER, 4, 6}, {0, BISHOP, 2, 6}}, -13},
      {"rule 5: knight 3七 and pawn 2五", {{0, PAWN, 4, 7}, {0, SILVER, 4, 6}, {0, KNIGHT, 3, 7}, {0, PAWN, 2, 5}},
       -8},
      {"rule 5: knight 2九 and pawn 2五", {{0, PAWN, 4, 7}, {0, SILVER, 4, 6}, {0, KNIGHT, 2, 9}, {0, PAWN, 2, 5}},
       -8},
      {"rule 5: both", {{0, PAWN, 4, 7}, {0, SILVER, 4, 6}, {0, BISHOP, 2, 6}, {0, KNIGHT, 2, 9}, {0, PAWN, 2, 5}},
       -21},
      {"rule 5: no pawn on 4七", {{0, SILVER, 4, 6}, {0, BISHOP, 2, 6}, {0, KNIGHT, 2, 9}, {0, PAWN, 2, 5}}, 0},
      {"rule 5: knight without the pawn on 2五", {{0, PAWN, 4, 7}, {0, SILVER, 4, 6}, {0, KNIGHT, 2, 9}}, 0},
      {"rule 10: bishop 3七, silver 2六", {{0, BISHOP, 3, 7}, {0, SILVER, 2, 6}}, -6},
      {"rule 10: the first case hides the second",
       {{0, BISHOP, 3, 7}, {0, SILVER, 2, 6}, {0, BISHOP, 6, 8}, {0, PAWN, 5, 7}, {0, PAWN, 5, 6}}, -6},
      {"rule 10: bishop 6八, a piece on 5七", {{0, BISHOP, 6, 8}, {0, PAWN, 5, 7}}, -5},
      {"rule 10: and one on 5六", {{0, BISHOP, 7, 9}, {0, PAWN, 5, 7}, {0, GOLD, 5, 6}}, -10},
  };
  for (const Case& c : cases) ExpectCastleListAmount({{0, KING, 8, 4}, {1, KING, 5, 1}}, c.pieces, c.expected, c.what);
}

// The three squares two ranks in front of a king on rank 5 or further back
// lose 5 each when the side does not attack them and the enemy does not
// stand there; the middle one also not when the own pawn stands there.
TEST(FormationRoot, SquaresTwoRanksInFrontOfTheKing) {
  const struct Case {
    const char* what;
    std::vector<PlacedPiece> pieces;
    int expected;
  } cases[] = {
      {"king on 5五", {{0, KING, 5, 5}}, -15},
      {"king on 5六", {{0, KING, 5, 6}}, -15},
      {"king on 5四 is too far up", {{0, KING, 5, 4}}, 0},
      {"king on the edge 1六", {{0, KING, 1, 6}}, -10},
      {"own pawn in front", {{0, KING, 5, 5}, {0, PAWN, 5, 3}}, -10},
      {"own gold attacks two", {{0, KING, 5, 5}, {0, GOLD, 4, 4}}, -5},
      {"an enemy piece on one", {{0, KING, 5, 5}, {1, SILVER, 6, 3}}, -10},
  };
  for (const Case& c : cases) ExpectCastleListAmount({{1, KING, 5, 1}}, c.pieces, c.expected, c.what);
}

// A tokin on 5-3 reaches a king, rook, bishop, gold or silver of the enemy
// right behind it or beside it toward the enemy king (file 1), never a
// knight, lance or pawn, nor a piece on the far side.
TEST(RootEvaluators, TokinTargetsTheEnemysMajorAndGeneralPieces) {
  const struct {
    PlacedPiece piece;
    bool reaches;
  } cases[] = {
      {{1, SILVER, 5, 4}, true},  {{1, GOLD, 5, 4}, true},   {{1, ROOK, 5, 4}, true},  {{1, KNIGHT, 5, 4}, false},
      {{1, LANCE, 5, 4}, false},  {{1, SILVER, 4, 3}, true}, {{1, PAWN, 4, 3}, false}, {{1, SILVER, 6, 3}, false},
      {{0, SILVER, 5, 4}, false},
  };
  for (const auto& c : cases) {
    const Position position = BuildPosition(0, {{0, KING, 9, 9}, {1, KING, 1, 1}, {0, TOKIN, 5, 3}, c.piece});
    EXPECT_EQ(TokinReachesTarget(position, 0, 5, 3, 1), c.reaches) << c.piece.type << " " << c.piece.file << c.piece.rank;
    const Position turned = TurnedPosition(position);
    EXPECT_EQ(TokinReachesTarget(turned, 1, 5, 7, 9), c.reaches) << "turned";
  }
}

// A lone rook on file 1 of the side's own half: its activity is the rank
// value of the first cell ahead, the step value of the distance to it and
// the mobility value of m = (file of the first cell to the left) - (file of
// the first cell to the right) + (steps to the first cell behind) - 3. Own
// golds close the lines; both kings stand clear of them.
TEST(RootEvaluators, RookLineTablesByForm) {
  const struct {
    RootForm form;
    int rank[9], step[9], mobility[14];  // rank by rho 0 (wall)..8; step by steps 1..9
  } tables[] = {
      {FORM_ENDGAME, {120, 113, 99, 82, 58, 18, -7, -18, -19}, {0, 2, 5, 9, 14, 16, 18, 20, 20},
       {0, 3, 6, 8, 9, 10, 10, 10, 10, 10, 10, 10, 10, 10}},
      {FORM_MIDDLE, {30, 26, 18, 15, 12, 8, 3, 0, 0}, {0, 2, 5, 9, 12, 14, 15, 16, 16},
       {0, 3, 6, 8, 9, 10, 10, 10, 10, 10, 10, 10, 10, 10}},
      {FORM_OPENING, {10, 9, 6, 4, 3, 2, 1, 0, 0}, {0, 1, 2, 3, 4, 5, 6, 7, 7},
       {0, 1, 2, 3, 4, 5, 5, 5, 5, 5, 5, 5, 5, 5}},
  };
  for (const auto& t : tables) {
    for (const int rookRank : {9, 5, 4}) {
      for (int ahead = 0; ahead < rookRank; ++ahead) {      // 0: nothing ahead
        for (int beside = 2; beside <= 10; ++beside) {      // 10: nothing beside
          std::vector<PlacedPiece> pieces = {{0, KING, 9, 8}, {1, KING, 9, 2}, {0, ROOK, 1, rookRank}};
          if (ahead != 0) pieces.push_back({0, GOLD, 1, ahead});
          if (beside != 10) pieces.push_back({0, GOLD, beside, rookRank});
          const int steps = rookRank - ahead;
          const int m = std::min(beside + (10 - rookRank) - 3, 13);
          EXPECT_EQ(RookActivity(BuildPosition(0, pieces), t.form, 0), t.rank[ahead] + t.step[steps - 1] + t.mobility[m])
              << "form " << t.form << " rook 1" << rookRank << " ahead " << ahead << " beside " << beside;
        }
      }
    }
  }
}

// An enemy piece first ahead of the rook adds its target value over an own
// gold there; rooks, lances and dragons are no targets.
TEST(RootEvaluators, RookTargetValuesByForm) {
  const struct {
    int type;
    int value[ROOT_FORM_COUNT];  // endgame, middle, opening
  } targets[] = {
      {BISHOP, {50, 30, 5}},     {GOLD, {35, 15, 3}},       {SILVER, {23, 12, 2}},    {KNIGHT, {45, 40, 4}},
      {PAWN, {10, 6, 1}},        {KING, {35, 15, 3}},       {HORSE, {45, 20, 4}},     {PRO_SILVER, {23, 12, 2}},
      {PRO_KNIGHT, {16, 10, 2}}, {PRO_LANCE, {12, 9, 1}},   {TOKIN, {8, 5, 1}},       {ROOK, {0, 0, 0}},
      {LANCE, {0, 0, 0}},        {DRAGON, {0, 0, 0}},
  };
  for (const auto& target : targets) {
    for (const RootForm form : {FORM_ENDGAME, FORM_MIDDLE, FORM_OPENING}) {
      const Position own = BuildPosition(0, {{0, KING, 9, 8}, {1, KING, 9, 2}, {0, ROOK, 1, 9}, {0, GOLD, 1, 5}});
      const Position enemy = target.type == KING
                                 ? BuildPosition(0, {{0, KING, 9, 8}, {1, KING, 1, 5}, {0, ROOK, 1, 9}})
                                 : BuildPosition(0, {{0, KING, 9, 8}, {1, KING, 9, 2}, {0, ROOK, 1, 9},
                                                     {1, target.type, 1, 5}});
      EXPECT_EQ(RookActivity(enemy, form, 0) - RookActivity(own, form, 0), target.value[form])
          << "type " << target.type << " form " << form;
    }
  }
}

// One pawn of side 0 on 5-r: class 0 free, +1 defended (a gold beside it),
// +2 blocked (a silver in front, which does not defend it) or with a pawn
// two ahead. The opening halves values of 20 or more for an unbacked pawn.
TEST(RootEvaluators, PawnClassValuesByRank) {
  const int middle[4][9] = {{0, 0, 40, 54, 7, 3, 1, -49, -57},
                            {0, 0, 120, 148, 35, 5, 1, -49, -57},
                            {0, 0, 28, 37, 4, 3, 1, -49, -57},
                            {0, 0, 47, 62, 10, 5, 1, -49, -57}};
  const int opening[4][9] = {{0, 0, 16, 25, 4, 0, -1, -38, -44},
                             {0, 0, 58, 65, 15, 0, -1, -38, -44},
                             {0, 0, 13, 20, 2, 0, -1, -38, -44},
                             {0, 0, 28, 33, 3, 0, -1, -38, -44}};
  for (int rank = 2; rank <= 9; ++rank) {
    for (int pawnClass = 0; pawnClass < 4; ++pawnClass) {
      for (const bool pawnTwoAhead : {false, true}) {
        if (pawnTwoAhead && (pawnClass < 2 || rank < 3)) continue;
        std::vector<PlacedPiece> pieces = {{0, KING, 9, 9}, {1, KING, 1, 1}, {0, PAWN, 5, rank}};
        if (pawnClass % 2 == 1) pieces.push_back({0, GOLD, 4, rank});
        if (pawnClass >= 2) pieces.push_back(pawnTwoAhead ? PlacedPiece{1, PAWN, 5, rank - 2} : PlacedPiece{0, SILVER, 5, rank - 1});
        const Position position = BuildPosition(0, pieces);
        Accumulators middleAcc, openingAcc;
        PawnChainClasses(position, FORM_MIDDLE, middleAcc);
        PawnChainClasses(position, FORM_OPENING, openingAcc);
        const int open = opening[pawnClass][rank - 1];
        EXPECT_EQ(middleAcc.activity[0], middle[pawnClass][rank - 1]) << "class " << pawnClass << " rank " << rank;
        EXPECT_EQ(openingAcc.activity[0], open >= 20 ? open / 2 : open) << "class " << pawnClass << " rank " << rank;
      }
    }
  }
}

// A knight on 5-5 or 5-7 with an own pawn on file 4 (none on file 6): the
// index is 3 minus the ranks the pawn stands ahead of the knight, 0..4,
// and 0 for the empty file 6; an enemy pawn just in front of an index-1
// pawn adds 7.
TEST(RootEvaluators, KnightPawnValuesByIndex) {
  const int middle[5] = {12, 9, 10, 1, 0};
  const int opening[5] = {5, 0, 2, -1, -2};
  for (const int knightRank : {5, 7}) {
    for (int pawnRank = 2; pawnRank <= 9; ++pawnRank) {
      for (const bool enemyInFront : {false, true}) {
        const int index = std::clamp(pawnRank - knightRank + 3, 0, 4);
        if (enemyInFront && index != 1) continue;
        std::vector<PlacedPiece> pieces = {
            {0, KING, 9, 9}, {1, KING, 1, 1}, {0, KNIGHT, 5, knightRank}, {0, PAWN, 4, pawnRank}};
        if (enemyInFront) pieces.push_back({1, PAWN, 4, pawnRank - 1});
        const Position position = BuildPosition(0, pieces);
        for (const RootForm form : {FORM_MIDDLE, FORM_OPENING}) {
          const int* values = form == FORM_MIDDLE ? middle : opening;
          Accumulators acc;
          KnightPawns(position, form, false, acc);
          EXPECT_EQ(acc.activity[0], values[index] + values[0] + (enemyInFront ? 7 : 0))
              << "form " << form << " knight rank " << knightRank << " pawn rank " << pawnRank;
        }
      }
    }
  }
}

// Every item of the yagura castle list with a near miss beside it, and the
// squares two ranks in front of the king. The king stands on 8四 (clear of
// the king rules) unless the case places it; the rook file, the chosen
// silver's rank and the pattern flag are given per case.
TEST(FormationRoot, CastleListItems) {
  const struct Case {
    const char* what;
    std::vector<PlacedPiece> pieces;
    int rookFile, silverRank;
    bool patternForm;
    int expected;
  } cases[] = {
      {"front: king 5九, nothing guards 4七, 5七, 6七", {{0, KING, 5, 9}}, 2, 0, false, -15},
      {"front: an own pawn on the king's file", {{0, KING, 5, 9}, {0, PAWN, 5, 7}}, 2, 0, false, -10},
      {"front: an enemy piece on 4七", {{0, KING, 5, 9}, {1, PAWN, 4, 7}}, 2, 0, false, -10},
      {"front: an own silver on 6七 that nothing guards", {{0, KING, 5, 9}, {0, SILVER, 6, 7}}, 2, 0, false, -15},
      {"front: the gold on 5八 guards all three", {{0, KING, 5, 9}, {0, GOLD, 5, 8}}, 2, 0, false, 0},
      {"front: king on rank 5", {{0, KING, 5, 5}}, 2, 0, false, -15},
      {"front: king on the edge file", {{0, KING, 9, 6}, {0, LANCE, 9, 9}}, 2, 0, false, -10},
      {"item 1: king 6四, rook file 3", {{0, KING, 6, 4}}, 3, 0, false, -5},
      {"item 1: king on file 7", {{0, KING, 7, 4}}, 3, 0, false, 0},
      {"item 1b: king 6四, silver 4六", {{0, KING, 6, 4}, {0, SILVER, 4, 6}}, 2, 0, false, -5},
      {"item 2: silvers 6八 and 3七", {{0, SILVER, 6, 8}, {0, SILVER, 3, 7}}, 2, 0, false, -5},
      {"item 2: silvers 7九 and 4六", {{0, SILVER, 7, 9}, {0, SILVER, 4, 6}}, 2, 0, false, -5},
      {"item 2: silvers 5七 and 3七", {{0, SILVER, 5, 7}, {0, SILVER, 3, 7}}, 2, 0, false, -5},
      {"item 2: silvers 5八 and 3七", {{0, SILVER, 5, 8}, {0, SILVER, 3, 7}}, 2, 0, false, 0},
      {"item 3: knight 2五, silver on rank 7", {{0, KNIGHT, 2, 5}}, 2, 7, false, -12},
      {"item 3: knight 2五, silver on rank 9", {{0, KNIGHT, 2, 5}}, 2, 9, false, -12},
      {"item 3: knight 2五, silver on rank 6", {{0, KNIGHT, 2, 5}}, 2, 6, false, 0},
      {"item 3: knight 2五, no silver", {{0, KNIGHT, 2, 5}}, 2, 0, false, 0},
      {"item 5: silver 3七, pawn 4六", {{0, SILVER, 3, 7}, {0, PAWN, 4, 6}}, 2, 0, false, -5},
      {"item 6: rook file 5, silver 3七", {{0, SILVER, 3, 7}}, 5, 0, false, -5},
      {"item 6: rook file 6, silver 2六", {{0, SILVER, 2, 6}}, 6, 0, false, -5},
      {"item 6: rook file 4", {{0, SILVER, 3, 7}}, 4, 0, false, 0},
      {"item 6b: rook file 5, pawn 2五", {{0, PAWN, 2, 5}}, 5, 0, false, -3},
      {"item 6b: rook file 4, pawn 2五", {{0, PAWN, 2, 5}}, 4, 0, false, 0},
      {"item 7: bishop 5九, silver 3七", {{0, BISHOP, 5, 9}, {0, SILVER, 3, 7}}, 2, 0, false, -15},
      {"item 7: bishop 4八, silver 2六", {{0, BISHOP, 4, 8}, {0, SILVER, 2, 6}}, 2, 0, false, -15},
      {"item 7: bishop 4八, knight 3七", {{0, BISHOP, 4, 8}, {0, KNIGHT, 3, 7}}, 2, 0, false, -15},
      {"item 7: bishop 4八 alone", {{0, BISHOP, 4, 8}}, 2, 0, false, 0},
      // The gold on 7八 guards the three squares in front of the king on 7九.
      {"item 8: king 7九, gold 4九", {{0, KING, 7, 9}, {0, GOLD, 7, 8}, {0, GOLD, 4, 9}}, 2, 0, false, -5},
      {"item 8: king 8八, gold 4九", {{0, KING, 8, 8}, {0, PAWN, 9, 7}, {0, PAWN, 8, 7}, {0, PAWN, 7, 7}, {0, GOLD, 4, 9}},
       2, 0, false, -5},
      {"item 8: a silver on 6八", {{0, KING, 7, 9}, {0, GOLD, 7, 8}, {0, GOLD, 4, 9}, {0, SILVER, 6, 8}}, 2, 0, false,
       0},
      {"item 8: no gold on 4九", {{0, KING, 7, 9}, {0, GOLD, 7, 8}}, 2, 0, false, 0},
      {"item 9: bishop 3七, silver 2六", {{0, BISHOP, 3, 7}, {0, SILVER, 2, 6}}, 2, 0, false, -6},
      {"item 9b: bishop 6八, a piece on 5七", {{0, BISHOP, 6, 8}, {0, GOLD, 5, 7}}, 2, 0, false, -5},
      {"item 9b: bishop 7九, pieces on 5七 and 5六", {{0, BISHOP, 7, 9}, {0, GOLD, 5, 7}, {0, PAWN, 5, 6}}, 2, 0,
       false, -10},
      {"item 9b: bishop 6八, nothing on 5七", {{0, BISHOP, 6, 8}, {0, PAWN, 5, 6}}, 2, 0, false, 0},
      {"item 10: bishop 4六, knight 3七, silver 4八", {{0, BISHOP, 4, 6}, {0, KNIGHT, 3, 7}, {0, SILVER, 4, 8}}, 2,
       0, false, -5},
      {"item 10b: and a pawn on 1七",
       {{0, BISHOP, 4, 6}, {0, KNIGHT, 3, 7}, {0, SILVER, 4, 8}, {0, PAWN, 1, 7}}, 2, 0, false, -13},
      {"item 10b: and a pawn on 1六",
       {{0, BISHOP, 4, 6}, {0, KNIGHT, 3, 7}, {0, SILVER, 4, 8}, {0, PAWN, 1, 6}}, 2, 0, false, -10},
      {"item 10: no silver on 4八", {{0, BISHOP, 4, 6}, {0, KNIGHT, 3, 7}, {0, PAWN, 1, 7}}, 2, 0, false, 0},
      {"item 11: silver 8六, gold 5八", {{0, SILVER, 8, 6}, {0, GOLD, 5, 8}}, 2, 0, false, -5},
      {"item 11: silver 8六, gold 4九", {{0, SILVER, 8, 6}, {0, GOLD, 4, 9}}, 2, 0, false, -5},
      {"item 11: silver 8六 alone", {{0, SILVER, 8, 6}}, 2, 0, false, 0},
      {"item 12: silver 3六, pawn 3七, knight 2九", {{0, SILVER, 3, 6}, {0, PAWN, 3, 7}, {0, KNIGHT, 2, 9}}, 2, 0,
       false, -9},
      {"item 12b: silver 3六, knight 3七, pattern form", {{0, SILVER, 3, 6}, {0, KNIGHT, 3, 7}}, 2, 0, true, 5},
      {"item 12b: not in the opening evaluator", {{0, SILVER, 3, 6}, {0, KNIGHT, 3, 7}}, 2, 0, false, 0},
      {"item 13: pawn 6五", {{0, PAWN, 6, 5}}, 2, 0, false, -7},
      {"item 13: pawn 6五, knight 7七", {{0, PAWN, 6, 5}, {0, KNIGHT, 7, 7}}, 2, 0, false, 0},
      {"item 13: pawn 6五, silver 6六", {{0, PAWN, 6, 5}, {0, SILVER, 6, 6}}, 2, 0, false, 0},
  };
  for (const Case& c : cases) {
    std::vector<PlacedPiece> pieces = c.pieces;
    if (std::none_of(pieces.begin(), pieces.end(), [](const PlacedPiece& p) { return p.type == KING && p.side == 0; }))
      pieces.push_back({0, KING, 8, 4});
    pieces.push_back({1, KING, 5, 1});
    const Position position = BuildPosition(0, pieces);
    const int turnedSilverRank = c.silverRank == 0 ? 0 : 10 - c.silverRank;
    EXPECT_EQ(CastleListAmount(position, 0, c.rookFile, c.silverRank, c.patternForm), c.expected) << c.what;
    EXPECT_EQ(CastleListAmount(TurnedPosition(position), 1, 10 - c.rookFile, turnedSilverRank, c.patternForm),
              c.expected)
        << c.what << " turned";
  }
}

// The opening's small blocks for side 0, and for side 1 on the turned
// position: silver-drop forks of golds, the king on its second rank, the
// gold with a defender diagonally behind it towards the king's file.
TEST(FormationRoot, ForksSecondRankKingsAndStackedGolds) {
  enum Block { FORKS, SECOND_RANK, STACKED };
  const struct Case {
    const char* what;
    Block block;
    std::vector<PlacedPiece> pieces;
    std::vector<HandPieces> hand;
    int sideToMove;
    bool nullMove;
    int expected;
  } cases[] = {
      // Gold 5七: 4八 behind it is empty and unguarded, and a silver there
      // would also hit the rook on 3七.
      {"fork: to move, null move", FORKS, {{0, KING, 9, 9}, {0, GOLD, 5, 7}, {0, ROOK, 3, 7}}, {{1, SILVER, 1}}, 0, true, -20},
      {"fork: not to move, real move", FORKS, {{0, KING, 9, 9}, {0, GOLD, 5, 7}, {0, ROOK, 3, 7}}, {{1, SILVER, 1}}, 1, false, -20},
      {"fork: to move, real move", FORKS, {{0, KING, 9, 9}, {0, GOLD, 5, 7}, {0, ROOK, 3, 7}}, {{1, SILVER, 1}}, 0, false, 0},
      {"fork: not to move, null move", FORKS, {{0, KING, 9, 9}, {0, GOLD, 5, 7}, {0, ROOK, 3, 7}}, {{1, SILVER, 1}}, 1, true, 0},
      {"fork: rook on 5九 behind", FORKS, {{0, KING, 9, 1}, {0, GOLD, 5, 7}, {0, ROOK, 5, 9}}, {{1, SILVER, 1}}, 0, true, -40},
      {"fork: rook on 7九", FORKS, {{0, KING, 9, 1}, {0, GOLD, 5, 7}, {0, ROOK, 7, 9}}, {{1, SILVER, 1}}, 0, true, -20},
      {"fork: no silver in hand", FORKS, {{0, KING, 9, 9}, {0, GOLD, 5, 7}, {0, ROOK, 3, 7}}, {{1, GOLD, 1}}, 0, true, 0},
      {"fork: 4八 guarded", FORKS, {{0, KING, 9, 9}, {0, GOLD, 5, 7}, {0, ROOK, 3, 7}, {0, SILVER, 3, 9}},
       {{1, SILVER, 1}}, 0, true, 0},
      {"fork: 4八 taken", FORKS, {{0, KING, 9, 9}, {0, GOLD, 5, 7}, {0, ROOK, 3, 7}, {1, PAWN, 4, 8}},
       {{1, SILVER, 1}}, 0, true, 0},
      {"fork: a dragon is no rook", FORKS, {{0, KING, 9, 9}, {0, GOLD, 5, 7}, {0, DRAGON, 3, 7}}, {{1, SILVER, 1}}, 0, true, 0},
      {"second rank: king 2八", SECOND_RANK, {{0, KING, 2, 8}}, {}, 0, true, -7},
      {"second rank: king 1八", SECOND_RANK, {{0, KING, 1, 8}}, {}, 0, true, -7},
      {"second rank: king 8八", SECOND_RANK, {{0, KING, 8, 8}}, {}, 0, true, -7},
      {"second rank: 3九 guarded twice", SECOND_RANK, {{0, KING, 2, 8}, {0, GOLD, 4, 9}}, {}, 0, true, 0},
      {"second rank: 3九 taken", SECOND_RANK, {{0, KING, 2, 8}, {0, SILVER, 3, 9}}, {}, 0, true, 0},
      {"second rank: king 4八", SECOND_RANK, {{0, KING, 4, 8}}, {}, 0, true, 0},
      {"second rank: king 2七", SECOND_RANK, {{0, KING, 2, 7}}, {}, 0, true, 0},
      {"stacked: gold 3八, silver 4九", STACKED, {{0, KING, 5, 9}, {0, GOLD, 3, 8}, {0, SILVER, 4, 9}}, {}, 0, true, -9},
      {"stacked: gold 3八, gold 4九", STACKED, {{0, KING, 5, 9}, {0, GOLD, 3, 8}, {0, GOLD, 4, 9}}, {}, 0, true, -9},
      {"stacked: gold 7八, promoted silver 6九", STACKED, {{0, KING, 5, 9}, {0, GOLD, 7, 8}, {0, PRO_SILVER, 6, 9}},
       {}, 0, true, -9},
      {"stacked: gold 7八, promoted knight 6九", STACKED, {{0, KING, 5, 9}, {0, GOLD, 7, 8}, {0, PRO_KNIGHT, 6, 9}},
       {}, 0, true, 0},
      {"stacked: silver away from the king", STACKED, {{0, KING, 5, 9}, {0, GOLD, 3, 8}, {0, SILVER, 2, 9}}, {}, 0,
       true, 0},
      {"stacked: gold on the king's file", STACKED, {{0, KING, 5, 9}, {0, GOLD, 5, 8}, {0, SILVER, 4, 9}}, {}, 0, true,
       0},
      {"stacked: the enemy's silver", STACKED, {{0, KING, 5, 9}, {0, GOLD, 3, 8}, {1, SILVER, 4, 9}}, {}, 0, true, 0},
  };
  for (const Case& c : cases) {
    std::vector<PlacedPiece> pieces = c.pieces;
    pieces.push_back({1, KING, 5, 1});
    const Position home = BuildPosition(c.sideToMove, pieces, c.hand);
    for (int side = 0; side < 2; ++side) {
      const Position position = side == 0 ? home : TurnedPosition(home);
      Accumulators acc;
      switch (c.block) {
        case FORKS: SilverForks(position, c.nullMove, acc); break;
        case SECOND_RANK: KingOnSecondRank(position, acc); break;
        case STACKED: GoldBesideKingLine(position, acc); break;
      }
      EXPECT_EQ(acc.activity[side], c.expected) << c.what << " side " << side;
      EXPECT_EQ(acc.activity[1 - side], 0) << c.what << " side " << side;
    }
  }
}

// Every row of the hemmed-king table, for both sides (files absolute, rho
// turned): each listed item alone, a two-square item with only one of its
// squares held, and all items together (on 6八 the second counts only when
// the first did not).
TEST(RootEvaluators, HemmedKingTableRowByRow) {
  struct Item {
    int file, rho, alsoFile, alsoRho, amount;
  };
  const struct Row {
    int kingFile, kingRho;
    std::vector<Item> items;
    bool secondUnlessFirst;
  } rows[] = {
      {2, 9, {{1, 7, 0, 0, -150}, {1, 8, 0, 0, -240}}, false},
      {3, 9, {{2, 8, 0, 0, -240}, {1, 7, 0, 0, -120}, {1, 8, 0, 0, -180}}, false},
      {4, 9, {{2, 8, 0, 0, -180}, {3, 8, 3, 9, -210}}, false},
      {6, 9, {{8, 8, 0, 0, -180}, {7, 8, 7, 9, -210}}, false},
      {7, 9, {{8, 8, 0, 0, -240}, {9, 7, 0, 0, -120}, {9, 8, 0, 0, -180}}, false},
      {8, 9, {{9, 7, 0, 0, -150}, {9, 8, 0, 0, -240}}, false},
      {2, 8, {{1, 7, 0, 0, -190}, {1, 8, 0, 0, -135}}, false},
      {3, 8, {{2, 8, 0, 0, -210}, {1, 7, 0, 0, -105}, {1, 8, 0, 0, -150}}, false},
      {4, 8, {{2, 8, 0, 0, -165}, {3, 8, 3, 9, -180}}, false},
      {6, 8, {{8, 8, 0, 0, -165}, {7, 8, 7, 9, -180}}, true},
      {7, 8, {{8, 8, 0, 0, -210}, {9, 7, 0, 0, -105}, {9, 8, 0, 0, -150}}, false},
      {8, 8, {{9, 7, 0, 0, -190}, {9, 8, 0, 0, -135}}, false},
  };
  for (const Row& row : rows) {
    for (int side = 0; side < 2; ++side) {
      const auto amount = [&](const std::vector<std::pair<int, int>>& held) {
        std::vector<PlacedPiece> pieces = {{side, KING, row.kingFile, RelativeRank(side, row.kingRho)},
                                           {1 - side, KING, 5, RelativeRank(side, 9)}};
        for (const auto& [file, rho] : held) pieces.push_back({side, SILVER, file, RelativeRank(side, rho)});
        return HemmedKingAmount(BuildPosition(side, pieces), side, row.kingFile, row.kingRho);
      };
      const std::string where = "king " + std::to_string(row.kingFile) + "/rho " + std::to_string(row.kingRho) +
                                " side " + std::to_string(side);
      EXPECT_EQ(amount({}), 0) << where;
      std::vector<std::pair<int, int>> all;
      int total = 0;
      for (size_t i = 0; i < row.items.size(); ++i) {
        const Item& item = row.items[i];
        std::vector<std::pair<int, int>> squares = {{item.file, item.rho}};
        if (item.alsoFile != 0) {
          EXPECT_EQ(amount(squares), 0) << where << " item " << i << " first square only";
          EXPECT_EQ(amount({{item.alsoFile, item.alsoRho}}), 0) << where << " item " << i << " second square only";
          squares.push_back({item.alsoFile, item.alsoRho});
        }
        EXPECT_EQ(amount(squares), item.amount) << where << " item " << i;
        all.insert(all.end(), squares.begin(), squares.end());
        if (!(row.secondUnlessFirst && i == 1)) total += item.amount;
      }
      EXPECT_EQ(amount(all), total) << where << " all items";
    }
  }
}

// A lone gold on 5八 with its king on 9九: nothing guards it and 6八, 7八
// beside it lie open. With every own-king value KD and every enemy-king
// value KA, the penalty is max((F x KD) >> 8, KA) - KD against nothing when
// KA = KD; F = 243 / 230 (middle game, no rook / a rook in the enemy's
// hand) and 224 / 192 (end game). Side 1 on the turned board alike.
TEST(RootEvaluators, UndefendedGoldPenaltyByScale) {
  const struct Case {
    bool endGame, rookInHand, guarded;
    int kd, ka, expected;
  } cases[] = {
      {false, false, false, 1000, 0, 949 - 1000},    // 243000 / 256 = 949.2
      {false, true, false, 1000, 0, 898 - 1000},     // 230000 / 256 = 898.4
      {true, false, false, 1000, 0, 875 - 1000},     // 224000 / 256 = 875
      {true, true, false, 1000, 0, 750 - 1000},      // 192000 / 256 = 750
      {false, false, false, 300, 0, 284 - 300},      // 72900 / 256 = 284.8
      {false, false, false, 1000, 960, 960 - 1000},  // KA above the scaled KD
      {false, false, true, 1000, 0, 0},              // a silver on 4九 guards it
  };
  FillRandomRootTables(77, false);
  const auto fillBlocks = [](int kd, int ka) {
    for (int block = 0; block < ROOT_KING_BLOCKS; ++block)
      for (auto& offsets : g_activeRootEvalTables->kingBlock[block])
        for (int32_t& value : offsets) value = block < ENEMY_KING_BLOCK ? kd : ka;
  };
  for (const Case& c : cases) {
    std::vector<PlacedPiece> pieces = {{0, KING, 9, 9}, {1, KING, 5, 1}, {0, GOLD, 5, 8}};
    if (c.guarded) pieces.push_back({0, SILVER, 4, 9});
    std::vector<HandPieces> hand;
    if (c.rookInHand) hand.push_back({1, ROOK, 1});
    const Position home = BuildPosition(0, pieces, hand);
    for (const Position& position : {home, TurnedPosition(home)}) {
      const auto value = [&](int ka) {
        fillBlocks(c.kd, ka);
        MoveRecord nullMove{};
        nullMove.SetNull();
        return c.endGame ? EvalEndGameRoot(position, &nullMove) : EvalMiddleGameRoot(position, &nullMove, nullptr);
      };
      EXPECT_EQ(value(c.ka) - value(c.kd), c.expected)
          << (c.endGame ? "end" : "middle") << " game, rook in hand " << c.rookInHand << ", KD " << c.kd << ", KA "
          << c.ka << ", side " << position.sideToMove;
    }
  }
}

}  // namespace
