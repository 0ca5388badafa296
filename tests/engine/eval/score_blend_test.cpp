// The score blend: its fixed points and knees, the side symmetry over random
// states, and the two limits of the mix (no attack: material; full attack:
// no material).
#include <gtest/gtest.h>

#include "engine/eval/score_blend.h"
#include "support/playout.h"

namespace {

EvalState RandomState(PlayoutRandom& random) {
  EvalState state;
  for (EvalSideTerms& terms : state.side) {
    for (auto& list : terms.attackList)
      for (uint16_t& entry : list) entry = static_cast<uint16_t>(random.Below(900));
    terms.attackSum = static_cast<int16_t>(random.Below(3000) - 500);
    terms.enemyKingTerm = static_cast<int16_t>(random.Below(400));
  }
  for (int side = 0; side < 2; ++side) {
    state.defence[side] = {static_cast<int16_t>(random.Below(5000)), static_cast<int16_t>(random.Below(200) - 100)};
    state.material[side] = {static_cast<int16_t>(random.Below(12000)), static_cast<int16_t>(random.Below(200) - 100)};
    state.reserveValue[side] = static_cast<int16_t>(random.Below(3000));
  }
  return state;
}

TEST(ScoreBlend, CompressionsAndWeightsHitTheirFixedPoints) {
  EXPECT_EQ(CompressOutsideBand({2400, 7}), 2407);
  EXPECT_EQ(CompressOutsideBand({2900, 0}), 2900);
  EXPECT_EQ(CompressOutsideBand({2399, 0}), 2399);
  EXPECT_EQ(CompressOutsideBand({2901, 0}), 2901);
  EXPECT_EQ(CompressOutsideBand({2260, 0}), 2242);
  EXPECT_EQ(CompressAbove4500({4500, 0}), 4500);
  EXPECT_EQ(CompressAbove4500({6500, 0}), 6101);
  EXPECT_EQ(CompressAbove4500({8500, 0}), 7101);
  const int attacks[] = {950, 1400, 1900, 2999, 3000}, weights[] = {0, 25, 105, 511, 512};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(AttackBlendWeight(attacks[i], 2400), weights[i]) << attacks[i];
  EXPECT_EQ(AttackBlendWeight(1300, 1900), AttackBlendWeight(1400, 2400));  // 100 more against a weak defence
  EXPECT_EQ(CompressLead(5980, 4000), 5980);
  EXPECT_EQ(CompressLead(6600, 4000), 4000 + 1980 + ((205 * 620) >> 8));
}

TEST(ScoreBlend, IsAntisymmetricAndMixesByTheOpponentsWeight) {
  PlayoutRandom random{77};
  for (int trial = 0; trial < 20000; ++trial) {
    EvalState state = RandomState(random);
    EXPECT_EQ(BlendScore(state, 0), -BlendScore(state, 1));
    // Without attack on either side, only the (capped) materials count.
    EvalState quiet = state;
    for (int side = 0; side < 2; ++side) {
      quiet.side[side] = EvalSideTerms{};
      quiet.defence[side] = {2600, 0};
    }
    const int total[2] = {quiet.reserveValue[0] + 2600, quiet.reserveValue[1] + 2600};
    EXPECT_EQ(BlendScore(quiet, 0), CompressLead(CompressAbove4500(quiet.material[0]), total[0]) -
                                        CompressLead(CompressAbove4500(quiet.material[1]), total[1]));
    // Under a full-strength attack a side's material does not enter.
    EvalState crushed = state;
    crushed.side[1].attackSum = 3000;
    crushed.side[1].enemyKingTerm = 0;
    const int before = BlendScore(crushed, 0);
    crushed.material[0].value = static_cast<int16_t>(crushed.material[0].value + 1000);
    EXPECT_EQ(BlendScore(crushed, 0), before);
  }
}

TEST(ScoreBlend, TokinAwareFormIsTheBlendWithItsShiftedInputs) {
  PlayoutRandom random{78};
  Position position{};
  for (int trial = 0; trial < 5000; ++trial) {
    EvalState state = RandomState(random);
    position.tokins[0].count = static_cast<uint32_t>(random.Below(5));
    // The same adjustments written on the state itself, with materials that
    // stay below the first knee so that +-100 passes through the compression.
    for (int side = 0; side < 2; ++side) state.material[side].value = static_cast<int16_t>(random.Below(4300) + 100);
    EvalState shifted = state;
    shifted.side[0].attackSum = static_cast<int16_t>(state.side[0].attackSum + 150 * position.tokins[0].count + 300);
    shifted.material[0].value = static_cast<int16_t>(state.material[0].value + 100);
    shifted.material[1].value = static_cast<int16_t>(state.material[1].value - 100);
    shifted.defence[1].addend = static_cast<int16_t>(state.defence[1].addend - 450);
    // Only side 0's attack weight may see the lowered defence: keep side 1's
    // attack out of reach of both weights' knees by comparing where it is 0.
    shifted.side[1] = state.side[1] = EvalSideTerms{};
    EXPECT_EQ(BlendScoreTokinAware(state, position, 0), BlendScore(shifted, 0));
  }
}

}  // namespace
