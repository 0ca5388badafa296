// The label table both ways: names to values and values to names, refusals
// of a second entry, removal by value, and clearing every chain.
#include <gtest/gtest.h>

#include <string>

#include "records/kif_format.h"

namespace {

constexpr int kLabels = 3000;  // three to a chain on average, so that every chain is used

std::string Name(int i) { return "kyoku" + std::to_string(i); }

TEST(LabelTable, NamesAndValuesBothWaysAndClearingEveryChain) {
  LabelTable byName(997);
  // The empty name's key is 0: it lives in the first chain.
  ASSERT_EQ(byName.Insert("", 7), 0);
  for (int i = 1; i <= kLabels; ++i) ASSERT_EQ(byName.Insert(Name(i).c_str(), i), 0) << i;
  EXPECT_EQ(byName.Insert(Name(5).c_str(), 99), -1);
  EXPECT_EQ(byName.Count(), kLabels + 1);
  EXPECT_EQ(byName.Find(""), 7);
  for (int i = 1; i <= kLabels; ++i) ASSERT_EQ(byName.Find(Name(i).c_str()), i) << i;
  EXPECT_EQ(byName.Find("kyoku0"), 0);

  byName.RemoveIf([](intptr_t value) { return value % 2 == 0; });
  EXPECT_EQ(byName.Count(), 1 + (kLabels + 1) / 2);
  for (int i = 1; i <= kLabels; ++i) ASSERT_EQ(byName.Find(Name(i).c_str()), i % 2 == 0 ? 0 : i) << i;
  byName.Clear();
  EXPECT_EQ(byName.Count(), 0);
  EXPECT_EQ(byName.Find(""), 0);
  for (int i = 1; i <= kLabels; i += 2) ASSERT_EQ(byName.Find(Name(i).c_str()), 0) << i;
  EXPECT_EQ(byName.Insert(Name(1).c_str(), 11), 0) << "a cleared name can be entered again";
  EXPECT_EQ(byName.Find(Name(1).c_str()), 11);

  LabelTable byValue(997);
  for (int value = 0; value < kLabels; ++value) ASSERT_EQ(byValue.InsertByValue(Name(value).c_str(), value), 0);
  EXPECT_EQ(byValue.InsertByValue("other", 12), -1) << "one name per value";
  for (int value = 0; value < kLabels; ++value) ASSERT_EQ(byValue.FindByValue(value), Name(value)) << value;
  EXPECT_EQ(byValue.FindByValue(kLabels), nullptr);
  byValue.Clear();
  EXPECT_EQ(byValue.FindByValue(0), nullptr) << "the first chain is cleared too";
}

}  // namespace
