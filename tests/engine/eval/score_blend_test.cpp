// The score blend: its fixed points and knees, the side symmetry over random
// states, the full-weight limit of the mix, and the tokin-aware form as the
// blend of shifted inputs.
#include <gtest/gtest.h>

#include "engine/eval/score_blend.h"
#include "support/playout.h"

namespace {

EvalState RandomState(PlayoutRandom& random, int materialLimit) {
  EvalState state;
  const auto word = [&](int low, int high) { return static_cast<int16_t>(low + random.Below(high - low)); };
  for (int side = 0; side < 2; ++side) {
    for (auto& list : state.side[side].attackList)
      for (uint16_t& entry : list) entry = static_cast<uint16_t>(random.Below(900));
    state.side[side].attackSum = word(-500, 2500);
    state.side[side].enemyKingTerm = word(0, 400);
    state.defence[side] = {word(0, 5000), word(-100, 100)};
    state.material[side] = {word(100, materialLimit), word(-100, 100)};
    state.reserveValue[side] = word(0, 3000);
  }
  return state;
}

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

TEST(ScoreBlend, IsAntisymmetricAndIgnoresMaterialUnderAFullAttack) {
  PlayoutRandom random{77};
  for (int trial = 0; trial < 20000; ++trial) {
    EvalState state = RandomState(random, 12000);
    EXPECT_EQ(BlendScore(state, 0), -BlendScore(state, 1));
    // Under a full-strength attack a side's material does not enter.
    state.side[1].attackSum = 3000;
    state.side[1].enemyKingTerm = 0;
    const int before = BlendScore(state, 0);
    state.material[0].value = static_cast<int16_t>(state.material[0].value + 1000);
    EXPECT_EQ(BlendScore(state, 0), before);
  }
}

// With materials below the first knee the +-100 passes the compression, and
// with no attack by the opponent only side 0's weight sees the lower defence:
// the tokin-aware score is the plain blend of the shifted state.
TEST(ScoreBlend, TokinAwareFormIsTheBlendWithItsShiftedInputs) {
  PlayoutRandom random{78};
  Position position{};
  for (int trial = 0; trial < 5000; ++trial) {
    EvalState state = RandomState(random, 4400);
    state.side[1] = EvalSideTerms{};
    position.tokins[0].count = static_cast<uint32_t>(random.Below(5));
    EvalState shifted = state;
    shifted.side[0].attackSum = static_cast<int16_t>(state.side[0].attackSum + 150 * position.tokins[0].count + 300);
    shifted.material[0].value = static_cast<int16_t>(state.material[0].value + 100);
    shifted.material[1].value = static_cast<int16_t>(state.material[1].value - 100);
    shifted.defence[1].addend = static_cast<int16_t>(state.defence[1].addend - 450);
    EXPECT_EQ(BlendScoreTokinAware(state, position, 0), BlendScore(shifted, 0));
  }
}

}  // namespace
