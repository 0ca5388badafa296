// The quick evaluator of root screening against an independent model over
// sample positions of every stage, with and without the shelter flag: the
// guard nearness, guard weights, miss slopes and tokin crowding typed in as
// the rule gives them.
#include "engine/eval/quick_evaluate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "engine/eval/eval_params.h"
#include "engine/eval/eval_setup.h"
#include "engine/eval/game_stage.h"
#include "engine/eval/piece_square_table.h"
#include "support/generator_checks.h"
#include "support/playout.h"
#include "support/position_builder.h"
#include "support/root_worth_model.h"

namespace {

// Nearness by ranks behind the own king (-6 .. +4, negative in front) and file distance.
constexpr double kNear[11][9] = {
    {0.04, 0, 0, 0, 0, 0, 0, 0, 0},
    {0.13, 0.11, 0.08, 0.03, 0, 0, 0, 0, 0},
    {0.32, 0.3, 0.27, 0.18, 0.11, 0.04, 0, 0, 0},
    {0.5, 0.48, 0.43, 0.37, 0.26, 0.18, 0.06, 0, 0},
    {0.72, 0.7, 0.67, 0.61, 0.46, 0.29, 0.08, 0, 0},
    {0.96, 0.94, 0.89, 0.78, 0.57, 0.37, 0.09, 0, 0},
    {1.0, 1.0, 0.93, 0.81, 0.59, 0.38, 0.09, 0, 0},
    {0.88, 0.83, 0.65, 0.55, 0.38, 0.18, 0.04, 0, 0},
    {0.54, 0.51, 0.41, 0.35, 0.14, 0.02, 0, 0, 0},
    {0.29, 0.26, 0.15, 0.03, 0, 0, 0, 0, 0},
    {0.11, 0.02, 0, 0, 0, 0, 0, 0, 0},
};

double GuardWeight(int type) {
  switch (type) {
    case GOLD: case PRO_SILVER: case PRO_KNIGHT: case PRO_LANCE: case TOKIN: return 5.0;
    case SILVER: return 4.9;
    case KNIGHT: return 2.4;
    case LANCE: return 2.0;
    case PAWN: return 1.0;
    default: return 0;
  }
}

// Crowding by tokin count; past eleven tokins it runs on by 100 a tokin.
int TokinCrowding(int tokins) {
  constexpr int kCrowding[12] = {0, 0, 100, 250, 440, 540, 640, 740, 840, 940, 1040, 1140};
  return tokins < 12 ? kCrowding[tokins] : 1140 + 100 * (tokins - 11);
}

double ModelGuard(const Position& position, int side) {
  const PieceListEntry& king = position.pieces[side];
  double guard = 0;
  for (int id = 0; id < PIECE_COUNT; ++id) {
    const PieceListEntry& piece = position.pieces[id];
    if (piece.file < 1 || OwnerOf(piece.code) != side) continue;
    // Side 0's king looks toward rank 1, so a piece on a higher rank is behind it.
    const int behind = side == 0 ? piece.rank - king.rank : king.rank - piece.rank;
    if (behind < -6 || behind > 4) continue;
    guard += kNear[behind + 6][std::abs(piece.file - king.file)] * GuardWeight(piece.code & 0x9f);
  }
  return guard;
}

int ModelRawSum(const Position& position, int side, bool kingRelative) {
  int sum = 0;
  int tokins = 0;
  for (int id = 0; id < PIECE_COUNT; ++id) {
    const PieceListEntry& piece = position.pieces[id];
    if (piece.file < 1 || OwnerOf(piece.code) != side) continue;
    const int type = piece.code & 0x9f;
    if (type == TOKIN) ++tokins;
    const int row = g_pieceSquareRow[type];
    if (row >= 0) sum += g_activePieceSquareTable->At(row, side, piece.file, piece.rank);
    if (type != KING) sum += kingRelative ? ModelRootWorth(position, side, type, piece.file, piece.rank)
                                          : g_activeRootEvalTables->pieceValue[type];
  }
  int handTotal = 0;
  for (int kind = ROOK; kind <= PAWN; ++kind) {
    const int held = position.hand[side][kind - 1];
    for (int i = 0; i < held; ++i) sum += RootHandValue(kind, i);
    if (kind != PAWN) handTotal += held;
  }
  for (int i = 0; i < handTotal; ++i) sum -= HandTotalPenalty(i);
  return sum - TokinCrowding(tokins);
}

int ModelCorrection(double guard) {
  constexpr double kSlope[11] = {18.0, 18.4, 18.8, 19.2, 19.6, 20.0, 21.6, 23.2, 24.8, 26.4, 28.0};
  const int miss = std::abs(static_cast<int>(std::trunc(guard)) - 19);
  return static_cast<int>(std::trunc(std::fabs(guard - 19.0) * (miss < 11 ? kSlope[miss] : 29.6)));
}

TEST(QuickEvaluate, SumsGuardsAndShelterFollowTheModel) {
  int sample = 0;
  int corrected = 0;
  ForEachSamplePosition(SampleCount(240), 41, [&](Position& position) {
    const int stage = sample++ % GAME_STAGE_COUNT;
    SetUpUndecidedThink(position, stage);
    const int mover = position.sideToMove;
    for (int flag : {0, stage}) {
      QuickEvalResult result{};
      QuickEvaluate(position, flag, &result);
      int adjusted[2];
      for (int side = 0; side < 2; ++side) {
        const double guard = ModelGuard(position, side);
        ASSERT_NEAR(result.guardValue[side], guard, 1e-9) << "side " << side;
        const int raw = ModelRawSum(position, side, flag != 0);
        ASSERT_EQ(result.rawSum[side], raw) << "stage " << stage << " flag " << flag << " side " << side;
        adjusted[side] = flag > 0 ? raw - ModelCorrection(guard) : raw;
        corrected += adjusted[side] != raw;
        ASSERT_EQ(result.adjustedSum[side], adjusted[side]) << "stage " << stage << " side " << side;
      }
      EXPECT_EQ(result.score, result.rawSum[mover] - result.rawSum[1 - mover]);
      EXPECT_EQ(result.finalDifference, adjusted[mover] - adjusted[1 - mover]);
    }
  });
  EXPECT_GT(corrected, 0);
}

// Built castles reach every miss of the guard target and up to eighteen
// tokins, which the sample games seldom do: side 0's golds, silvers,
// knights, lances and tokins scattered over ranks 3-9 around its king,
// the other golds and some pawns in its hand.
TEST(QuickEvaluate, BuiltCastlesCoverEveryMissAndTokinCount) {
  PlayoutRandom random{19};
  bool missSeen[13] = {};
  bool tokinsSeen[19] = {};
  for (int trial = 0; trial < SampleCount(1500); ++trial) {
    std::vector<PlacedPiece> pieces = {{0, KING, 5, 9}, {1, KING, 5, 1}};
    bool taken[10][10] = {};
    taken[5][9] = true;
    const auto place = [&](int type, int count) {
      for (int placed = 0; placed < count;) {
        // Mostly next to the king, so that thick castles come up too.
        const int file = random.Below(2) == 0 ? 3 + random.Below(5) : 1 + random.Below(9);
        const int rank = random.Below(2) == 0 ? 7 + random.Below(3) : 3 + random.Below(7);
        if (taken[file][rank]) continue;
        taken[file][rank] = true;
        pieces.push_back({0, type, file, rank});
        ++placed;
      }
    };
    const int tokins = trial % 19;
    const int golds = random.Below(5);
    place(GOLD, golds);
    place(SILVER, random.Below(5));
    place(KNIGHT, random.Below(5));
    place(LANCE, random.Below(5));
    place(TOKIN, tokins);
    // The pawns left over go to side 0's hand now and then, all eighteen included.
    const int pawnsInHand = trial % 3 == 0 ? 18 - tokins : 0;
    const Position position = BuildPosition(trial % 2, pieces, {{0, PAWN, pawnsInHand}, {0, GOLD, 4 - golds}});
    const int stage = 1 + trial % 2;
    SetUpUndecidedThink(position, stage);
    QuickEvalResult result{};
    QuickEvaluate(position, stage, &result);
    const double guard = ModelGuard(position, 0);
    ASSERT_NEAR(result.guardValue[0], guard, 1e-9);
    const int raw = ModelRawSum(position, 0, true);
    ASSERT_EQ(result.rawSum[0], raw) << tokins << " tokins";
    ASSERT_EQ(result.adjustedSum[0], raw - ModelCorrection(guard)) << "guard " << guard;
    missSeen[std::min(std::abs(static_cast<int>(guard) - 19), 12)] = true;
    tokinsSeen[tokins] = true;
  }
  for (int miss = 0; miss <= 12; ++miss) EXPECT_TRUE(missSeen[miss]) << "miss " << miss;
  for (int tokins = 0; tokins <= 18; ++tokins) EXPECT_TRUE(tokinsSeen[tokins]) << tokins << " tokins";
}

}  // namespace
