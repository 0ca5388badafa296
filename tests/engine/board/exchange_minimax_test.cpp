// The exchange's stopping rule: each side may stop after any capture of the
// other, s's first capture is forced, the margin shifts every stopping point.
// Relations between the result and the first gain hold whatever the tables
// hold, so they are checked for both variants.
#include <gtest/gtest.h>

#include "engine/board/static_exchange.h"
#include "engine/eval/game_stage.h"
#include "support/generator_checks.h"
#include "support/position_builder.h"

namespace {

enum class Outcome { kFirstGainLessMargin, kBelowFirstGainAndZero, kKingNeverTaken };

struct ExchangeCase {
  const char* name;
  std::vector<PlacedPiece> pieces;  // side 0 moves first; the target is (5, 5)
  int fromFile, fromRank;           // s's first capturer
  int margin;
  Outcome outcome;
};

TEST(StaticExchange, EachSideStopsWhereGoingOnWouldLose) {
  const std::vector<ExchangeCase> cases = {
      // o has no recapture: the first entry less the margin is the value.
      {"pawn takes a lone gold", {{0, PAWN, 5, 6}, {1, GOLD, 5, 5}}, 5, 6, 0, Outcome::kFirstGainLessMargin},
      {"pawn takes a lone gold, margin", {{0, PAWN, 5, 6}, {1, GOLD, 5, 5}}, 5, 6, 37,
       Outcome::kFirstGainLessMargin},
      // The gold would recapture and be lost to the rook: o stops at once.
      {"pawn takes a pawn the gold guards, rook behind",
       {{0, PAWN, 5, 6}, {1, PAWN, 5, 5}, {1, GOLD, 5, 4}, {0, ROOK, 1, 5}},
       5, 6, 0, Outcome::kFirstGainLessMargin},
      // The gold recaptures the rook: worse for s than taking nothing more.
      {"rook takes a pawn the gold guards", {{0, ROOK, 1, 5}, {1, PAWN, 5, 5}, {1, GOLD, 5, 4}}, 1, 5, 0,
       Outcome::kBelowFirstGainAndZero},
      // s's king is its last capturer while o's rook still covers the square:
      // s stops before the king would be taken.
      {"king last while o still covers", {{0, PAWN, 5, 6}, {1, SILVER, 5, 5}, {1, GOLD, 5, 4}, {1, ROOK, 5, 1}},
       5, 6, 0, Outcome::kKingNeverTaken},
  };
  for (const ExchangeCase& c : cases) {
    std::vector<PlacedPiece> pieces = c.pieces;
    // The king case puts s's king next to the target; otherwise far away.
    if (c.outcome == Outcome::kKingNeverTaken) {
      pieces.push_back({0, KING, 4, 6});
    } else {
      pieces.push_back({0, KING, 9, 9});
    }
    pieces.push_back({1, KING, 9, 1});
    const Position position = BuildPosition(0, pieces);
    SetUpUndecidedThink(position, STAGE_MIDDLE);
    const int captured = position.IsEmpty(5, 5) ? 0 : TypeOf(position.PieceCodeAt(5, 5));
    const int capturer = position.PieceIdAt(c.fromFile, c.fromRank);
    for (const bool opening : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (opening ? ", opening" : ""));
      int gain = 0;
      const int value = opening ? StaticExchangeOpening(position, 0, captured, 5, 5, capturer, &gain, c.margin)
                                : StaticExchange(position, 0, captured, 5, 5, capturer, &gain, c.margin);
      switch (c.outcome) {
        case Outcome::kFirstGainLessMargin:
          EXPECT_GT(gain, 0);
          EXPECT_EQ(value, gain - c.margin);
          break;
        case Outcome::kBelowFirstGainAndZero:
          EXPECT_LT(value, gain);
          EXPECT_LT(value, 0);
          break;
        case Outcome::kKingNeverTaken:
          EXPECT_GT(value, -EXCHANGE_KING_TAKEN / 2);
          EXPECT_LT(value, gain);
          break;
      }
    }
  }
}

// s's king as its first and only capturer of a square o still covers: the
// capture would lose the king, which the exchange values at -1000000.
TEST(StaticExchange, AKingCapturingIntoACoveredSquareLosesAMillion) {
  const Position position =
      BuildPosition(0, {{0, KING, 4, 6}, {1, SILVER, 5, 5}, {1, GOLD, 5, 4}, {1, KING, 9, 1}});
  SetUpUndecidedThink(position, STAGE_MIDDLE);
  const int king = position.PieceIdAt(4, 6);
  for (const bool opening : {false, true}) {
    int gain = 0;
    const int value = opening ? StaticExchangeOpening(position, 0, SILVER, 5, 5, king, &gain, 0)
                              : StaticExchange(position, 0, SILVER, 5, 5, king, &gain, 0);
    EXPECT_EQ(value, -1000000) << (opening ? "opening" : "later stages");
  }
}

}  // namespace
