// A think result: a reset clears what the record reads and leaves the
// service's own words; copies own their variation.
#include "engine/service/think_result.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

ThinkResult FilledResult() {
  ThinkResult result;
  result.value = -1234;
  result.annotation = 3;
  result.strategyBits = 0x40;
  result.predictedReply = 0x3344;
  result.pv = {0x1111, 0x2222};
  result.pvText.Assign("▲７六歩");
  result.status = 5;
  result.shownWithNextMove = 1;
  for (int i = 0; i < THINK_SERVICE_WORDS; ++i) result.serviceWords[i] = 100 + i;
  return result;
}

TEST(ThinkResult, ResetClearsWhatTheRecordReadsAndKeepsTheServiceWords) {
  ThinkResult result = FilledResult();
  result.Reset();
  EXPECT_EQ(result.value, 32767);
  EXPECT_EQ(result.annotation, 0);
  EXPECT_EQ(result.strategyBits, 0);
  EXPECT_EQ(result.predictedReply, 0);
  EXPECT_TRUE(result.pv.empty());
  EXPECT_STREQ(result.pvText.Text(), "");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.shownWithNextMove, 0);
  for (int i = 0; i < THINK_SERVICE_WORDS; ++i) EXPECT_EQ(result.serviceWords[i], 100 + i) << i;

  ThinkResult freed = FilledResult();
  freed.FreeBuffers();
  EXPECT_TRUE(freed.pv.empty());
  EXPECT_STREQ(freed.pvText.Text(), "");
  EXPECT_EQ(freed.value, -1234) << "freeing the buffers touches nothing else";
  EXPECT_EQ(freed.status, 5);
}

TEST(ThinkResult, ACopyOwnsItsVariation) {
  const ThinkResult source = FilledResult();
  ThinkResult copy = source;
  copy.pv.push_back(0x3333);
  copy.pvText.Append("△３四歩");
  EXPECT_EQ(source.pv, (std::vector<MoveCode>{0x1111, 0x2222}));
  EXPECT_STREQ(source.pvText.Text(), "▲７六歩");
  copy.Reset();
  EXPECT_EQ(source.pv.size(), 2u);
  EXPECT_EQ(copy.serviceWords[THINK_SERVICE_WORDS - 1], 100 + THINK_SERVICE_WORDS - 1);
}

}  // namespace
