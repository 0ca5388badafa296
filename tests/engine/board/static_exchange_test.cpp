// The drop values the evaluation reads from the static exchange; the
// exchange itself is pinned by the engine signature.
#include <gtest/gtest.h>

#include "engine/board/static_exchange.h"
#include "engine/eval/game_stage.h"
#include "support/generator_checks.h"
#include "support/position_builder.h"

namespace {

// No gold in hand: the drop gives up what a first gold would be worth, never
// a slot before the hand table. A second-line attacker alone (the lance's
// direct attack taken out of the record) opens no exchange.
TEST(StaticExchange, DropValuesWithNothingInHandAndOnlyASecondLineAttacker) {
  auto dropValues = [](int golds, int& drop) {
    Position position = BuildPosition(0, {{0, KING, 5, 9}, {1, KING, 9, 1}, {1, ROOK, 5, 1}, {1, LANCE, 5, 2}},
                                      {{0, GOLD, golds}});
    SetUpUndecidedThink(position, STAGE_MIDDLE);
    SquareAttackRecord& record = *position.SquareRecord(5, 5);
    EXPECT_TRUE(record.directCount[1] == 1 && record.xraySet[1] != 0);
    record.directCount[1] = 0;
    record.directSet[1] = {0, 0};
    return ExchangeValueForEval(position, 0, GOLD, 5, 5, &drop);
  };
  int none = 0, one = 0;
  const int value = dropValues(0, none);
  EXPECT_EQ(value, none);
  EXPECT_EQ(dropValues(1, one), one);
  EXPECT_EQ(none, one);
}

}  // namespace
