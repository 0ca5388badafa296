// The score blend: its fixed points and knees, and the side symmetry over
// random states with the full-weight limit of the mix.
#include <gtest/gtest.h>

#include "engine/eval/score_blend.h"
#include "support/playout.h"

namespace {

// The blend composed again from its rule, over the pieces pinned above.
// tokins < 0 asks for the plain blend; otherwise the tokin-aware one with
// that many tokins of the side.
int ModelBlend(const EvalState& state, int s, int tokins) {
  const int o = 1 - s;
  const bool aware = tokins >= 0;
  const int attack = SumSideTerms(state.side[s]) + (aware ? 150 * tokins + 300 : 0);
  const int enemyAttack = SumSideTerms(state.side[o]);
  const int defence = CompressOutsideBand(state.defence[s]), enemyDefence = CompressOutsideBand(state.defence[o]);
  const int bandLow = aware ? 2850 : 2400;
  // An opponent defence of 2400 adds nothing, so the bonus is added here.
  const int weight =
      AttackBlendWeight(attack + (enemyDefence < bandLow ? (bandLow - enemyDefence) / 5 : 0), 2400);
  const int enemyWeight = AttackBlendWeight(enemyAttack, defence);
  const int total = state.reserveValue[s] + defence + attack;
  const int enemyTotal = state.reserveValue[o] + enemyDefence - (aware ? 450 : 0) + enemyAttack;
  const int shift = aware ? 100 : 0;
  const auto value = [](int material, int positional, int opponentWeight) {
    if (opponentWeight == 512) return positional;
    const int lead = CompressLead(material, positional);
    return opponentWeight == 0 ? lead : ((512 - opponentWeight) * lead + opponentWeight * positional) >> 9;
  };
  return value(CompressAbove4500(state.material[s]) + shift, total, enemyWeight) -
         value(CompressAbove4500(state.material[o]) - shift, enemyTotal, weight);
}

EvalState RandomState(PlayoutRandom& random) {
  const auto word = [&](int low, int high) { return static_cast<int16_t>(low + random.Below(high - low)); };
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

// Swapping the viewpoint negates the score; under a full-strength attack the
// attacked side's material does not enter.
TEST(ScoreBlend, IsAntisymmetricAndIgnoresMaterialUnderAFullAttack) {
  PlayoutRandom random{77};
  for (int trial = 0; trial < 20000; ++trial) {
    EvalState state = RandomState(random);
    EXPECT_EQ(BlendScore(state, 0), -BlendScore(state, 1));
    state.side[1].attackSum = 3000;
    state.side[1].enemyKingTerm = 0;
    const int before = BlendScore(state, 0);
    state.material[0].value = static_cast<int16_t>(state.material[0].value + 1000);
    EXPECT_EQ(BlendScore(state, 0), before);
  }
}

// Both sides' defence in the band at 2600, no attack, material 3000 each,
// two tokins: the tokins add 600 to the attack (weight still 0 with the
// bonus (2850 - 2600) / 5), material 3100 against 2900, so 200 where the
// plain blend gives 0. With an attack sum of 1500 the tokin-aware weight is
// 105 + 407 x 250 / 1100 = 197: ((315 x 2900 + 197 x 2150) >> 9) = 2611
// against 3100; the plain weight is 25 + 80 x 100 / 500 = 41:
// ((471 x 3000 + 41 x 2600) >> 9) = 2967 against 3000.
TEST(ScoreBlend, TokinAwareBlendOnHandWorkedStates) {
  EvalState state;
  for (int side = 0; side < 2; ++side) {
    state.defence[side] = {2600, 0};
    state.material[side] = {3000, 0};
  }
  Position position{};
  position.tokins[0].count = 2;
  EXPECT_EQ(BlendScore(state, 0), 0);
  EXPECT_EQ(BlendScoreTokinAware(state, position, 0), 200);
  state.side[0].attackSum = 1500;
  EXPECT_EQ(BlendScore(state, 0), 3000 - 2967);
  EXPECT_EQ(BlendScoreTokinAware(state, position, 0), 3100 - 2611);
}

// Over random states and tokin counts, both blends from both sides agree
// with the rule composed from the pinned pieces.
TEST(ScoreBlend, BothBlendsComposeTheirPiecesAsTheRuleSays) {
  PlayoutRandom random{78};
  Position position{};
  for (int trial = 0; trial < 20000; ++trial) {
    const EvalState state = RandomState(random);
    const int side = trial % 2;
    const int tokins = random.Below(10);
    position.tokins[side].count = static_cast<uint32_t>(tokins);
    position.tokins[1 - side].count = static_cast<uint32_t>(random.Below(10));
    ASSERT_EQ(BlendScore(state, side), ModelBlend(state, side, -1)) << trial;
    ASSERT_EQ(BlendScoreTokinAware(state, position, side), ModelBlend(state, side, tokins)) << trial;
  }
}

}  // namespace
