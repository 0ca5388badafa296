// The score blend: its fixed points and knees, and the side symmetry over
// random states with the full-weight limit of the mix.
#include <gtest/gtest.h>

#include "engine/eval/score_blend.h"
#include "support/playout.h"

namespace {

TEST(ScoreBlend, CompressionsAndWeightsHitTheirFixedPoints) {
  const int bands[][2] = {{2400, 2400}, {2900, 2900}, {2399, 2399}, {2901, 2901}, {2260, 2242}};
  for (const auto& [value, compressed] : bands) EXPECT_EQ(CompressOutsideBand({int16_t(value), 0}), compressed);
  EXPECT_EQ(CompressOutsideBand({2400, 7}), 2407);
  const int materials[][2] = {{4500, 4500}, {6500, 6101}, {8500, 7101}};
  for (const auto& [value, compressed] : materials) EXPECT_EQ(CompressAbove4500({int16_t(value), 0}), compressed);
  const int weights[][2] = {{950, 0}, {1400, 25}, {1900, 105}, {2999, 511}, {3000, 512}};
  for (const auto& [attack, weight] : weights) EXPECT_EQ(AttackBlendWeight(attack, 2400), weight) << attack;
  EXPECT_EQ(AttackBlendWeight(1300, 1900), 25);  // a defence of 1900 adds 100
  EXPECT_EQ(CompressLead(5980, 4000), 5980);
  EXPECT_EQ(CompressLead(6600, 4000), 4000 + 1980 + ((205 * 620) >> 8));
}

// Swapping the viewpoint negates the score; under a full-strength attack the
// attacked side's material does not enter.
TEST(ScoreBlend, IsAntisymmetricAndIgnoresMaterialUnderAFullAttack) {
  PlayoutRandom random{77};
  const auto word = [&](int low, int high) { return static_cast<int16_t>(low + random.Below(high - low)); };
  for (int trial = 0; trial < 20000; ++trial) {
    EvalState state;
    for (int side = 0; side < 2; ++side) {
      for (auto& list : state.side[side].attackList)
        for (uint16_t& entry : list) entry = static_cast<uint16_t>(random.Below(900));
      state.side[side].attackSum = word(-500, 2500);
      state.side[side].enemyKingTerm = word(0, 400);
      state.defence[side] = {word(0, 5000), word(-100, 100)};
      state.material[side] = {word(100, 12000), word(-100, 100)};
      state.reserveValue[side] = word(0, 3000);
    }
    EXPECT_EQ(BlendScore(state, 0), -BlendScore(state, 1));
    state.side[1].attackSum = 3000;
    state.side[1].enemyKingTerm = 0;
    const int before = BlendScore(state, 0);
    state.material[0].value = static_cast<int16_t>(state.material[0].value + 1000);
    EXPECT_EQ(BlendScore(state, 0), before);
  }
}

}  // namespace
