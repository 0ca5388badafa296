// The pattern term: the tempo goes to the side not in turn, the king-zone
// square in front of the king is worth 125 to each side, the advanced
// silver's cap, the home rook's bishop-drop rows, and only the words it
// names change.
#include "engine/eval/pattern_eval.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/eval/eval_params.h"
#include "engine/eval/king_relative_values.h"
#include "engine/search/node_state.h"
#include "support/position_builder.h"
#include "support/root_eval_fill.h"

namespace {


EvalState PatternOf(const Position& position, bool nullMove, int silverSquare = 0) {
  NodeState node;
  MoveRecord move{};
  if (nullMove)
    move.SetNull();
  else
    move.Set(5, 7, 5, 6, 22, 0x27, EMPTY_PIECE_ID, 0, 0);
  EvalPatternTerm(position, silverSquare, &move, &node.eval);
  return node.eval;
}

TEST(PatternTerm, WritesOnlyItsWordsAndTheFlag) {
  FillRandomRootTables(7, true);
  const EvalState state = PatternOf(StartPosition(), false);
  EvalState rest = state;
  for (int side = 0; side < 2; ++side) {
    rest.defence[side].addend = rest.material[side].addend = rest.side[side].enemyKingTerm = 0;
  }
  rest.flags &= ~EVAL_FLAG_PATTERN_TERM;
  const EvalState untouched{};
  EXPECT_EQ(std::memcmp(&rest, &untouched, sizeof rest), 0);
  EXPECT_EQ(state.flags, EVAL_FLAG_PATTERN_TERM);
}

// Everything but the tempo is the same after a real and a null node move
// when no knight stands on rank 5 (whose pawn test reads the move).
TEST(PatternTerm, TempoGoesToTheSideNotInTurn) {
  FillRandomRootTables(8, false);
  const Position position = BuildPosition(0, {{0, KING, 5, 9}, {1, KING, 5, 1}, {0, GOLD, 4, 8}, {1, SILVER, 6, 2}});
  const EvalState real = PatternOf(position, false), null = PatternOf(position, true);
  EXPECT_EQ(real.defence[1].addend - null.defence[1].addend, -600);
  EXPECT_EQ(real.defence[0].addend - null.defence[0].addend, 600);
  for (int side = 0; side < 2; ++side) {
    EXPECT_EQ(real.material[side].addend, null.material[side].addend);
    EXPECT_EQ(real.side[side].enemyKingTerm, null.side[side].enemyKingTerm);
  }
}

// The square in front of a corner king, attacked by a lance with a rook
// behind it and guarded by the king alone: cap 250 split in two, and 30
// more off the owner's defence for the lone guard. The other zone squares
// hold enemy pieces or are the wall, and are skipped.
TEST(PatternTerm, FrontSquareOfTheKingOutnumbered) {
  FillRandomRootTables(9, false);
  const Position position = BuildPosition(
      0, {{0, KING, 1, 9}, {1, KING, 5, 1}, {1, SILVER, 2, 8}, {1, GOLD, 2, 9}, {1, LANCE, 1, 2}, {1, ROOK, 1, 1}});
  const EvalState real = PatternOf(position, false);
  EXPECT_EQ(real.side[1].enemyKingTerm, 125);
  EXPECT_EQ(real.defence[0].addend, -125 - 30);
  EXPECT_EQ(PatternOf(position, true).defence[0].addend, -125 - 30 - 600);
  // An own silver on that square: the same split of a piece-valued amount,
  // and 15 off for the lone guard.
  const Position occupied = BuildPosition(0, {{0, KING, 1, 9}, {1, KING, 5, 1}, {1, SILVER, 2, 8}, {1, GOLD, 2, 9},
                                        {1, LANCE, 1, 2}, {1, ROOK, 1, 1}, {0, SILVER, 1, 8}});
  const EvalState held = PatternOf(occupied, false);
  EXPECT_GT(held.side[1].enemyKingTerm, 0);
  EXPECT_EQ(held.defence[0].addend, -held.side[1].enemyKingTerm - 15);
}

// A just-advanced silver facing a pawn drop, with every diagonal square
// worth far less than an own piece's -200 there: the cap is the best of
// the four, not -200. The silver's own square is worth 0, so the cap is
// the whole change.
TEST(PatternTerm, AdvancedSilverCapIsTheBestOfItsDiagonals) {
  FillRandomRootTables(10, false);
  const Position position = BuildPosition(
      0, {{0, KING, 5, 9}, {1, KING, 5, 1}, {0, SILVER, 5, 5}, {0, SILVER, 4, 8}, {1, GOLD, 5, 3}}, {{1, PAWN, 1}});
  g_evalParams.sideGridWeight[0][5][5] = 0;
  for (const int file : {4, 6})
    for (const int rank : {4, 6}) g_evalParams.sideGridWeight[0][file][rank] = -1000;
  const int named = PatternOf(position, false, 16 * 5 + 5).material[0].addend;
  EXPECT_LT(named - PatternOf(position, false).material[0].addend, -200);
}

// A home rook on the far wing over its pawn on rank 6 or 7 fears a bishop
// drop: 7 off its side's pattern sum while the enemy holds a bishop, less
// as a gold closes the diagonal, the last listed gold deciding; nothing on
// the king's wing, with the rook out of its camp or the pawn elsewhere.
TEST(PatternTerm, RookFearsABishopDropOnlyWhereItCanLand) {
  FillRandomRootTables(10, false);
  const struct {
    std::vector<PlacedPiece> pieces;
    int cost;
  } rows[] = {
      {{{0, ROOK, 8, 8}, {0, PAWN, 8, 7}}, 7},
      {{{0, ROOK, 8, 8}, {0, PAWN, 8, 6}}, 7},
      {{{0, ROOK, 8, 8}, {0, PAWN, 8, 5}}, 0},
      {{{0, ROOK, 8, 8}, {0, PAWN, 8, 7}, {0, GOLD, 6, 9}}, 5},
      {{{0, ROOK, 8, 8}, {0, PAWN, 8, 7}, {0, GOLD, 6, 8}}, 3},
      {{{0, ROOK, 8, 8}, {0, PAWN, 8, 7}, {0, GOLD, 7, 7}, {0, GOLD, 6, 9}}, 1},
      {{{0, ROOK, 8, 8}, {0, PAWN, 8, 7}, {0, GOLD, 7, 8}, {0, GOLD, 6, 8}}, 0},
      {{{0, ROOK, 2, 8}, {0, PAWN, 2, 7}}, 0},
      {{{0, ROOK, 8, 6}, {0, PAWN, 8, 7}}, 0},
  };
  // What the enemy's bishop in hand costs side 0's pattern sum, less what it
  // costs with the kings alone (the opening evaluator's own bishop-drop rule).
  const auto cost = [](const std::vector<PlacedPiece>& more, bool turned) {
    std::vector<PlacedPiece> pieces = {{0, KING, 5, 9}, {1, KING, 5, 1}};
    pieces.insert(pieces.end(), more.begin(), more.end());
    Position without = BuildPosition(0, pieces), with = BuildPosition(0, pieces, {{1, BISHOP, 1}});
    if (turned) without = TurnedPosition(without), with = TurnedPosition(with);
    return PatternOf(without, false).material[turned].addend - PatternOf(with, false).material[turned].addend;
  };
  for (const auto& row : rows) {
    for (const bool turned : {false, true}) {
      EXPECT_EQ(cost(row.pieces, turned) - cost({}, turned), row.cost)
          << row.pieces[0].file << row.pieces[0].rank << " pawn " << row.pieces[1].rank << " turned " << turned;
    }
  }
}

// An advanced pawn is worth t = the two parts of a tokin's attack on the
// enemy king from the square ahead, t >> 3 with that square free and no
// pawn beyond it, else t >> 5, and nothing when t < 8; it counts once more
// for the attacker with each of the first two pieces in hand. No piece
// attacks the other king's zone, so only this rule reads the hand.
TEST(PatternTerm, AdvancedPawnCountsAsATokinAgainstTheKing) {
  struct Case {
    int side, file, rank;
    bool free;
    std::vector<PlacedPiece> more;
  };
  const Case cases[] = {
      {0, 5, 4, true, {}},  {0, 3, 3, true, {}}, {0, 7, 4, false, {{1, PAWN, 7, 2}}}, {0, 4, 4, false, {{1, SILVER, 4, 3}}},
      {1, 5, 6, true, {}},  {1, 2, 7, true, {}}, {1, 8, 6, false, {{0, GOLD, 8, 7}}},  {0, 1, 4, true, {{1, GOLD, 1, 2}}},
  };
  int counted = 0;
  for (int seed = 20; seed < 24; ++seed) {
    FillRandomRootTables(static_cast<uint64_t>(seed), false);
    for (const Case& c : cases) {
      const int enemy = 1 - c.side, forward = c.side == 0 ? -1 : 1;
      std::vector<PlacedPiece> pieces = {{0, KING, 5, 9}, {1, KING, 5, 1}, {c.side, PAWN, c.file, c.rank}};
      pieces.insert(pieces.end(), c.more.begin(), c.more.end());
      const int kingRank = c.side == 0 ? 1 : 9;
      int t = 0;
      for (int part = 0; part < 2; ++part)
        t += KingAttackValue(g_evalParams, c.side, TOKIN, 5, kingRank, c.file, c.rank + forward, part);
      const int v = t < 8 ? 0 : t >> (c.free ? 3 : 5);
      counted += v > 0;
      EvalState byHand[3];
      for (int golds = 0; golds <= 2; ++golds) {
        std::vector<HandPieces> hand;
        if (golds > 0) hand.push_back({c.side, GOLD, golds});
        byHand[golds] = PatternOf(BuildPosition(c.side, pieces, hand), false);
      }
      EXPECT_EQ(byHand[1].side[c.side].enemyKingTerm - byHand[0].side[c.side].enemyKingTerm, v) << c.file << c.rank;
      EXPECT_EQ(byHand[2].side[c.side].enemyKingTerm - byHand[0].side[c.side].enemyKingTerm, 2 * v) << c.file << c.rank;
      EXPECT_EQ(byHand[2].defence[enemy].addend, byHand[0].defence[enemy].addend);
    }
  }
  EXPECT_GT(counted, 8) << "too few pawns worth counting to test the rule";
}

}  // namespace
