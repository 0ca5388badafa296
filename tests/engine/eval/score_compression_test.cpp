// The defence compression over every distance of every band step on both
// sides of the band, and the place weights of a top-six list, each against
// a model written from the blend's rule.
#include <gtest/gtest.h>

#include "engine/eval/score_blend.h"

namespace {

// The compression's factor table: 1024 times 18.0, 18.4, 18.8, 19.2, 19.6,
// 20.0, 21.6, 23.2, 24.8, 26.4, 28.0 per 140 points away, then 30310.
int ModelCompressed(int value, int addend) {
  static const int factors[11] = {18432, 18842, 19251, 19661, 20070, 20480, 22118, 23757, 25395, 27034, 28672};
  if (value >= 2400 && value <= 2900) return value + addend;
  const int distance = value < 2400 ? 2400 - value : value - 2900;
  const int factor = distance / 140 < 11 ? factors[distance / 140] : 30310;
  return value - (((factor * distance) / 140) >> 10) + addend;
}

TEST(CompressOutsideBand, EveryDistanceOfEveryStepOnBothSides) {
  for (int distance = 0; distance < 12 * 140; ++distance) {
    for (const int value : {2400 - distance, 2900 + distance}) {
      ASSERT_EQ(CompressOutsideBand({static_cast<int16_t>(value), 0}), ModelCompressed(value, 0)) << value;
    }
  }
  for (const int value : {-20000, 0, 2650, 9999, 30000})
    EXPECT_EQ(CompressOutsideBand({static_cast<int16_t>(value), -3}), ModelCompressed(value, -3)) << value;
}

// Place weights 1, 39/64 and 13/64 for places 3-6, one place at a time and
// all together.
TEST(SumSideGroup, PlaceWeights) {
  struct Case {
    uint16_t list[6];
    int sum;
  };
  const Case cases[] = {
      {{640, 0, 0, 0, 0, 0}, 640},          {{0, 640, 0, 0, 0, 0}, 390},
      {{0, 0, 640, 0, 0, 0}, 130},          {{0, 0, 0, 640, 0, 0}, 130},
      {{0, 0, 0, 0, 640, 0}, 130},          {{0, 0, 0, 0, 0, 640}, 130},
      {{1000, 200, 10, 0, 0, 0}, 1123},     {{60000, 5, 5, 5, 5, 5}, 60000 + (35 * 13 >> 6)},
      {{64, 64, 64, 64, 64, 64}, 64 + 91},  {{0, 1, 0, 0, 0, 0}, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(SumSideGroup(c.list), c.sum) << c.list[0] << " " << c.list[1];
}

}  // namespace
