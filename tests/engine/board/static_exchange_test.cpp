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

// Side 1's silver takes side 0's pawn on 4-7, which only side 0's gold
// defends. A gold on a file or diagonal between its king and an enemy slider
// may not leave that line for 4-7, so the silver's capture stands; with the
// slider off the line the gold recaptures and the exchange is worth less.
TEST(StaticExchange, APinnedDefenderDoesNotRecapture) {
  struct Case {
    const char* line;
    PlacedPiece gold, slider, sliderOffLine;
  };
  const Case cases[] = {
      {"file", {0, GOLD, 5, 8}, {1, ROOK, 5, 1}, {1, ROOK, 8, 1}},
      {"diagonal", {0, GOLD, 4, 8}, {1, BISHOP, 1, 5}, {1, BISHOP, 2, 3}},
  };
  for (const Case& c : cases) {
    for (int stage = 0; stage < GAME_STAGE_COUNT; ++stage) {
      int values[2], gains[2];
      for (int pinned = 0; pinned < 2; ++pinned) {
        const Position position = BuildPosition(1, {{0, KING, 5, 9}, {1, KING, 9, 1}, {0, PAWN, 4, 7},
                                                    {1, SILVER, 4, 6}, c.gold, pinned ? c.slider : c.sliderOffLine});
        SetUpUndecidedThink(position, stage);
        values[pinned] = StaticExchangeForStage(position, 1, PAWN, 4, 7, position.PieceIdAt(4, 6), &gains[pinned], 0);
      }
      EXPECT_EQ(values[1], gains[1]) << c.line << " stage " << stage;
      EXPECT_LT(values[0], gains[0]) << c.line << " stage " << stage;
    }
  }
}

}  // namespace
