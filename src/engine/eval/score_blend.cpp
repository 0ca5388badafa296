// The score blend: integer-only, run at every leaf. Divisions truncate toward
// zero and right shifts are arithmetic, each where the blend's rule says so.
#include "engine/eval/score_blend.h"

namespace {

constexpr int DEFENCE_BAND_LOW = 2400;
constexpr int DEFENCE_BAND_HIGH = 2900;
constexpr int BAND_STEP = 140;
// 1024 times 18.0, 18.4, ... 20.0, then 21.6 ... 28.0 per band step away.
constexpr int BandFactor[11] = {18432, 18842, 19251, 19661, 20070, 20480, 22118, 23757, 25395, 27034, 28672};
constexpr int BAND_FACTOR_BEYOND = 30310;

constexpr int FULL_WEIGHT = 512;
constexpr int TOKIN_ATTACK_BONUS = 150;
constexpr int TOKIN_BASE_BONUS = 300;
constexpr int TOKIN_DEFENCE_DISCOUNT = 450;
constexpr int TOKIN_MATERIAL_SHIFT = 100;

// The inputs of one side's value, taken once per blend.
struct SideInputs {
  int attack;   // A
  int defence;  // D
};

SideInputs InputsOf(const EvalState& state, int side) {
  return {SumSideTerms(state.side[side]), CompressOutsideBand(state.defence[side])};
}

// Material mixed into the positional total by the opponent's weight; at
// full weight the material does not count at all.
int MixedValue(int compressedMaterial, int positionalTotal, int opponentWeight) {
  if (opponentWeight == FULL_WEIGHT) return positionalTotal;
  const int material = CompressLead(compressedMaterial, positionalTotal);
  if (opponentWeight == 0) return material;
  return ((FULL_WEIGHT - opponentWeight) * material + opponentWeight * positionalTotal) >> 9;
}

}  // namespace

int SumSideGroup(const uint16_t* list) {
  return list[0] + ((3 * list[1] + list[2] + list[3] + list[4] + list[5]) * 13 >> 6);
}

int SumSideTerms(const EvalSideTerms& terms) {
  int total = terms.attackSum + terms.enemyKingTerm;
  for (const uint16_t* list : terms.attackList) total += SumSideGroup(list);
  return total;
}

int CompressOutsideBand(const EvalValuePair& pair) {
  const int value = pair.value;
  if (value >= DEFENCE_BAND_LOW && value <= DEFENCE_BAND_HIGH) return value + pair.addend;
  const int distance = value < DEFENCE_BAND_LOW ? DEFENCE_BAND_LOW - value : value - DEFENCE_BAND_HIGH;
  // The factor steps up every 140 points, so the result is not monotone
  // across a step: kept as the blend is tuned with it.
  const int step = distance / BAND_STEP;
  const int factor = step < 11 ? BandFactor[step] : BAND_FACTOR_BEYOND;
  return value - (((factor * distance) / BAND_STEP) >> 10) + pair.addend;
}

int CompressAbove4500(const EvalValuePair& pair) {
  const int value = pair.value;
  if (value <= 4500) return value + pair.addend;
  if (value <= 6500) return 4500 + ((205 * (value - 4500)) >> 8) + pair.addend;
  return 4500 + ((128 * value - 422000) >> 8) + pair.addend;
}

int CompressLead(int value, int reference) {
  const int lead = value - reference;
  if (lead <= 1980) return value;
  if (lead <= 2600) return reference + 1980 + ((205 * (lead - 1980)) >> 8);
  return reference + 1980 + ((128 * lead - 205700) >> 8);
}

int AttackBlendWeight(int attack, int opponentDefence) {
  // A defence below the band makes the attack count for more.
  const int x = attack + (opponentDefence < DEFENCE_BAND_LOW ? (DEFENCE_BAND_LOW - opponentDefence) / 5 : 0);
  if (x >= 3000) return FULL_WEIGHT;
  if (x <= 950) return 0;
  if (x < 1400) return (25 * (x - 950)) / 450;
  if (x < 1900) return 25 + (80 * (x - 1400)) / 500;
  return 105 + (407 * (x - 1900)) / 1100;
}

int BlendScore(const EvalState& state, int side) {
  const int other = 1 - side;
  const SideInputs own = InputsOf(state, side), opponent = InputsOf(state, other);
  const int ownWeight = AttackBlendWeight(own.attack, opponent.defence);
  const int opponentWeight = AttackBlendWeight(opponent.attack, own.defence);
  const int ownTotal = state.reserveValue[side] + own.defence + own.attack;
  const int opponentTotal = state.reserveValue[other] + opponent.defence + opponent.attack;
  return MixedValue(CompressAbove4500(state.material[side]), ownTotal, opponentWeight) -
         MixedValue(CompressAbove4500(state.material[other]), opponentTotal, ownWeight);
}

int BlendScoreTokinAware(const EvalState& state, const Position& position, int side) {
  const int other = 1 - side;
  const SideInputs own = InputsOf(state, side), opponent = InputsOf(state, other);
  const int tokins = static_cast<int>(position.tokins[side].count);
  const int ownAttack = own.attack + TOKIN_ATTACK_BONUS * tokins + TOKIN_BASE_BONUS;
  // Counting the defence 450 lower moves the weight's bonus threshold to 2850.
  const int opponentDefence = opponent.defence - TOKIN_DEFENCE_DISCOUNT;
  const int ownWeight = AttackBlendWeight(ownAttack, opponentDefence);
  const int opponentWeight = AttackBlendWeight(opponent.attack, own.defence);
  const int ownTotal = state.reserveValue[side] + own.defence + ownAttack;
  const int opponentTotal = state.reserveValue[other] + opponentDefence + opponent.attack;
  return MixedValue(CompressAbove4500(state.material[side]) + TOKIN_MATERIAL_SHIFT, ownTotal, opponentWeight) -
         MixedValue(CompressAbove4500(state.material[other]) - TOKIN_MATERIAL_SHIFT, opponentTotal, ownWeight);
}
