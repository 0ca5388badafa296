// The engine's generator: the documented first outputs, and no lost or
// repeated draw when two threads share it.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>
#include <vector>

#include "engine/board/engine_random.h"

namespace {

TEST(EngineRandom, FirstOutputsFromFixedSeeds) {
  const struct {
    uint32_t seed, first[3];
  } cases[] = {{0, {0x00010001, 0x6627660E, 0xDA08C2B7}}, {0xFFFFFFFF, {0xFFE799F4, 0x4EEF0965, 0x2ABFB822}}};
  for (const auto& c : cases) {
    SetRandomSeed(c.seed);
    for (uint32_t expected : c.first) EXPECT_EQ(NextRandom(), expected) << "seed " << c.seed;
    EXPECT_EQ(GetRandomSeed(), c.first[2]);
  }
}

// Two threads together draw exactly the values one thread draws alone.
TEST(EngineRandom, TwoThreadsDrawDistinctValuesOfOneSequence) {
  constexpr int kDraws = 20000;
  std::vector<uint32_t> expected(2 * kDraws), first(kDraws), second(kDraws);
  SetRandomSeed(7);
  for (uint32_t& v : expected) v = NextRandom();
  const uint32_t end = GetRandomSeed();
  SetRandomSeed(7);
  std::thread a([&] { for (uint32_t& v : first) v = NextRandom(); });
  std::thread b([&] { for (uint32_t& v : second) v = NextRandom(); });
  a.join();
  b.join();
  first.insert(first.end(), second.begin(), second.end());
  std::sort(first.begin(), first.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(first, expected);
  EXPECT_EQ(GetRandomSeed(), end);
}

}  // namespace
