// Strategy re-decision: one position per classifier and decision rule, each
// also turned round for side 1, and the random draws each choice takes.
#include "engine/eval/strategy_redecision.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "engine/board/engine_random.h"
#include "support/position_builder.h"

namespace {

// "K59 r28 hb": upper case side 0, lower case side 1, file and rank; an "h"
// before the letter puts one piece of that type in the hand; "start" is the
// even start.
Position Build(const std::string& text) {
  std::vector<PlacedPiece> board;
  std::vector<HandPieces> hand;
  std::istringstream in(text);
  for (std::string token; in >> token && token != "start";) {
    const bool inHand = token[0] == 'h';
    const char letter = token[inHand ? 1 : 0];
    const int side = std::isupper(static_cast<unsigned char>(letter)) ? 0 : 1;
    const int type = static_cast<int>(std::string("RBGSNLPK").find(static_cast<char>(std::toupper(letter)))) + 1;
    if (inHand) {
      hand.push_back({side, type, 1});
    } else {
      board.push_back({side, type, token[1] - '0', token[2] - '0'});
    }
  }
  return text == "start" ? StartPosition() : BuildPosition(0, board, hand);
}

using Rule = int (*)(const Position&, int);
struct RuleCase {
  const char* what;
  Rule rule;
  const char* pieces;
  int expected;
  int draws = 0;  // random numbers the rule takes
  int sides = 3;  // bit 0: side 0 on the position; bit 1: side 1 on the turned position
};

int SvS(const Position& p, int s) { return ClassifyStaticVsStatic(p, s, 0); }
int SvSMino(const Position& p, int s) { return ClassifyStaticVsStatic(p, s, SenkeiBit(3)); }
int SvR(const Position& p, int s) { return ClassifyStaticVsRanging(p, s, SenkeiBit(8)); }
int RvS(const Position& p, int s) { return ClassifyRangingVsStatic(p, s); }
int Castle(const Position& p, int s) { return DetectCastle(p, s); }
template <SenkeiId current>
int Decide(const Position& p, int s) {
  return ReconsiderStrategy(p, s, 0, current, 0);
}
template <SenkeiMask allowed, SenkeiMask preferred>
int Choose(const Position& p, int s) {
  return ReconsiderStrategy(p, s, allowed, 0, preferred);
}
template <SenkeiMask allowed>
int MaskOf(const Position& p, int s) {
  return static_cast<int>(PositionSenkeiMask(p, s, allowed));
}
template <SenkeiMask mask, SenkeiMask preferred>
int Pick(const Position&, int) {
  return RandomPick(mask, preferred);
}

const RuleCase kRuleCases[] = {
    {"start, the other side's call", Decide<0>, "start", 1, 0},
    {"current 12 kept", Decide<12>, "start", 12, 0},
    {"current 4, rook off 88 and 89", Decide<4>, "start", 3, 0},
    {"current out of range", Decide<40>, "start", 1, 0},
    {"current 1, bishops exchanged", Decide<1>, "K59 k51 R28 r82 hB hb", 2, 0},
    {"single camp: one draw", Choose<SenkeiBit(18) | SenkeiBit(21), SenkeiBit(21)>, "start", 21, 1},
    {"missing rook: a pick of the mask", Choose<SenkeiBit(3) | SenkeiBit(5), SenkeiBit(3)>, "K59 k51", 3, 1},
    {"handicap id when 3 is not allowed", Choose<SenkeiBit(14), 0>, "K59 k51", 14, 0, 2},
    {"empty pick", Pick<0, ALL_SENKEI_MASK>, "start", 0, 0},
    {"single-id pick", Pick<SenkeiBit(9), 0>, "start", 9, 1},
    {"book bit 30 cut: 51804 % 6", Pick<0x4000F801, 0>, "start", 1, 1},
    {"right-half king", SvS, "K38 k51 B88 b22", 18},
    {"bishops exchanged", SvS, "K59 k51 hB hb", 2},
    {"yagura start", SvS, "K59 k51 R28 P27 B88 b22", 1},
    {"mino preferred", SvSMino, "K59 k51 R28 P27 B88 b22", 3},
    {"castle count 7", SvS, "K69 G59 S48 G78 k51 B88 b22", 21},
    {"anaguma by knight", SvR, "K78 N77 S88 k51 B68", 8},
    {"anaguma closed", SvR, "K99 L98 N89 k51", 8},
    {"silver 78", SvR, "K59 S78 k51", 7},
    {"two forward silvers", SvR, "K59 S47 S57 k51", 5},
    {"lance and knight", SvR, "K88 L98 N89 k51", 8},
    {"king 88 silver 79", SvR, "K88 S79 k51", 7},
    {"king 98", SvR, "K98 k51", 7},
    {"silver 76", SvR, "K59 S76 k51", 5},
    {"bishop home silver 77", SvR, "K59 B88 S77 k51", 5},
    {"random pick of the preferred", SvR, "K59 k51", 8, 1},
    {"ranging anaguma", RvS, "K19 k51", 9},
    {"anaguma on the way", RvS, "K28 L18 N29 S37 k51", 9},
    {"anaguma: silver 27 and gold 39", RvS, "K28 L18 N29 S27 G39 k51", 9},
    {"anaguma: silver 27 without the gold", RvS, "K28 L18 N29 S27 G49 k51", 3},
    {"mino otherwise", RvS, "K28 L18 S27 k51", 3},
    {"obstacle: king right", AnagumaObstacle, "K38 k51", 100},
    {"obstacle: lance home", AnagumaObstacle, "K59 L99 k51", 1},
    {"obstacle: enemy bishop", AnagumaObstacle, "K78 L99 S77 k51 hb", 2},
    {"obstacle: gold right", AnagumaObstacle, "K59 G39 G69 k51", 4},
    {"obstacle: gold centre", AnagumaObstacle, "K59 G79 G49 G39 k51", 5},
    {"obstacle: gold on file 6", AnagumaObstacle, "K59 G69 k51", 5},
    {"obstacle: a gold on file 7 decides nothing", AnagumaObstacle, "K59 G79 k51", 0},
    {"ranging obstacle: king left", RangingAnagumaObstacle, "K78 k51", 100},
    {"ranging obstacle: lance home", RangingAnagumaObstacle, "K59 L19 k51", 1},
    {"ranging obstacle: lance gone", RangingAnagumaObstacle, "K59 k51 hb", 0},
    {"ranging obstacle: enemy bishop", RangingAnagumaObstacle, "K59 L19 S39 k51 hb", 2},
    {"castle mino", Castle, "K59 L19 S38 G49 k51", 3},
    {"castle left mino", Castle, "K87 S78 G69 k51", 7},
    {"castle ranging anaguma", Castle, "K19 k51", 9},
    {"castle anaguma", Castle, "K99 k51", 8},
    {"undecided: king 58", Decide<0>, "K58 k51 R28 r82", 10},
    {"undecided: ranging vs static", Decide<0>, "K59 k51 R78 r82", 3},
    {"undecided: ranging vs ranging", Decide<0>, "K59 k51 R78 r32", 6, 1},
    {"yagura against a ranging rook", Decide<1>, "K59 k51 R28 r32 B88 b22", 5},
    {"yagura keeps its gold", Decide<1>, "K59 k51 R28 r32 B88 b22 G89 S78", 7},
    {"mino to kin muso", Decide<3>, "K28 S39 G49 k51 R78 r32", 6},
    {"kin muso sees a static enemy", Decide<6>, "K59 k51 R78 r82 s62", 3},
    {"ranging anaguma sees pawns meet", Decide<9>, "K28 L19 S39 k51 R78 r82 s74 P66 p65", 3},
    {"ranging anaguma: the pawns apart", Decide<9>, "K28 L19 S39 k51 R78 r82 s74 P67 p65", 9},
    {"ranging anaguma: rook 62 over pawn 64", Decide<9>, "K28 L19 S39 k51 R78 r62 s54 p64", 3},
    {"ranging anaguma: no silver forward", Decide<9>, "K28 L19 S39 k51 R78 r82 s73 P66 p65", 9},
    {"ranging ids less the dropped, 19 as 9", MaskOf<0x4050C>, "K59 L19 k51", 0x104},
    {"9 blocked", MaskOf<0x104>, "K59 L19 k51", 0x4},
    {"static and anti-ranging", MaskOf<SenkeiBit(1) | SenkeiBit(5)>, "K59 k51", 0},
    {"enemy rook home, anti-ranging", MaskOf<SenkeiBit(5)>, "K59 k51 r82", 0},
    {"castle built, other ids", MaskOf<SenkeiBit(3) | SenkeiBit(6)>, "K59 L19 S38 G49 k51", 0},
    {"upper handicap refused to side 0", MaskOf<SenkeiBit(12)>, "K59 k51", 0, 0, 1},
};

// Each rule on its position for side 0, and on the turned position for
// side 1, with the same seed: the same id and the same number of draws.
TEST(StrategyRedecision, EachRuleGivesItsIdAndDraws) {
  for (const RuleCase& c : kRuleCases) {
    uint32_t after = 7;
    for (int i = 0; i < c.draws; ++i) after = after * 1664525u + 0x10001u;
    const Position position = Build(c.pieces);
    for (int side = 0; side < 2; ++side) {
      if (!((c.sides >> side) & 1)) continue;
      SetRandomSeed(7);
      EXPECT_EQ(c.rule(side == 0 ? position : TurnedPosition(position), side), c.expected) << c.what << side;
      EXPECT_EQ(GetRandomSeed(), after) << c.what << side;
    }
  }
}

}  // namespace
