// Strategy re-decision: one position per classifier and decision rule (each
// also turned round for side 1), the random draws each choice takes, and
// the mirror property over random openings.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "engine/board/engine_random.h"
#include "engine/eval/strategy_redecision.h"
#include "support/generator_checks.h"
#include "support/playout.h"
#include "support/position_builder.h"

namespace {

// "K59 r28 hb": upper case side 0, lower case side 1, file and rank; an "h"
// before the letter puts one piece of that type in the hand.
Position Build(const std::string& text, int sideToMove = 0) {
  std::vector<PlacedPiece> board;
  std::vector<HandPieces> hand;
  std::istringstream in(text);
  for (std::string token; in >> token;) {
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
  return BuildPosition(sideToMove, board, hand);
}

using Rule = int (*)(const Position&, int);
struct RuleCase {
  const char* what;
  Rule rule;
  const char* pieces;
  int expected;
};

int SvS(const Position& p, int s) { return ClassifyStaticVsStatic(p, s, 0); }
int SvSMino(const Position& p, int s) { return ClassifyStaticVsStatic(p, s, SenkeiBit(3)); }
int SvR(const Position& p, int s) { return ClassifyStaticVsRanging(p, s, SenkeiBit(8)); }
int RvS(const Position& p, int s) { return ClassifyRangingVsStatic(p, s); }
int Castle(const Position& p, int s) { return DetectCastle(p, s); }
template <SenkeiId current>
int Decide(const Position& p, int s) { return ReconsiderStrategy(p, s, 0, current, 0); }
template <SenkeiMask allowed>
int MaskOf(const Position& p, int s) { return static_cast<int>(PositionSenkeiMask(p, s, allowed)); }

const RuleCase kRuleCases[] = {
    {"right-half king", SvS, "K38 k51 B88 b22", 18},
    {"bishops exchanged", SvS, "K59 k51 hB hb", 2},
    {"yagura start", SvS, "K59 k51 R28 P27 B88 b22", 1},
    {"mino preferred", SvSMino, "K59 k51 R28 P27 B88 b22", 3},
    {"castle count 7", SvS, "K69 G59 S48 G78 k51 B88 b22", 21},
    {"castle count 6", SvS, "K69 G59 S48 k51 B88 b22 P87 P76", 1},
    {"anaguma by knight", SvR, "K78 N77 S88 k51 B68", 8},
    {"anaguma closed", SvR, "K99 L98 N89 k51", 8},
    {"silver 78", SvR, "K59 S78 k51", 7},
    {"silver 79 pawn 86", SvR, "K59 S79 P86 k51", 7},
    {"two forward silvers", SvR, "K59 S47 S57 k51", 5},
    {"lance and knight", SvR, "K88 L98 N89 k51", 8},
    {"king 88 silver 79", SvR, "K88 S79 k51", 7},
    {"king 98", SvR, "K98 k51", 7},
    {"silver 76", SvR, "K59 S76 k51", 5},
    {"bishop home silver 77", SvR, "K59 B88 S77 k51", 5},
    {"random pick of the preferred", SvR, "K59 k51", 8},
    {"ranging anaguma", RvS, "K19 k51", 9},
    {"anaguma on the way", RvS, "K28 L18 N29 S37 k51", 9},
    {"anaguma silver 27", RvS, "K28 L18 N29 S27 G39 k51", 9},
    {"mino otherwise", RvS, "K28 L18 S27 k51", 3},
    {"obstacle: king right", AnagumaObstacle, "K38 k51", 100},
    {"obstacle: lance home", AnagumaObstacle, "K59 L99 k51", 1},
    {"obstacle: enemy bishop", AnagumaObstacle, "K78 L99 S77 k51 hb", 2},
    {"obstacle: gold right", AnagumaObstacle, "K59 G39 G69 k51", 4},
    {"obstacle: gold centre", AnagumaObstacle, "K59 G79 G49 G39 k51", 5},
    {"no obstacle", AnagumaObstacle, "K59 G78 k51", 0},
    {"ranging obstacle: king left", RangingAnagumaObstacle, "K78 k51", 100},
    {"ranging obstacle: lance home", RangingAnagumaObstacle, "K59 L19 k51", 1},
    {"ranging obstacle: lance gone", RangingAnagumaObstacle, "K59 k51 hb", 0},
    {"ranging obstacle: enemy bishop", RangingAnagumaObstacle, "K59 L19 S39 k51 hb", 2},
    {"ranging obstacle: none", RangingAnagumaObstacle, "K59 L19 S39 k51", 0},
    {"castle mino", Castle, "K59 L19 S38 G49 k51", 3},
    {"castle left mino", Castle, "K87 S78 G69 k51", 7},
    {"castle ranging anaguma", Castle, "K19 k51", 9},
    {"castle anaguma", Castle, "K99 k51", 8},
    {"undecided: king 58", Decide<0>, "K58 k51 R28 r82", 10},
    {"undecided: ranging vs static", Decide<0>, "K59 k51 R78 r82", 3},
    {"yagura against a ranging rook", Decide<1>, "K59 k51 R28 r32 B88 b22", 5},
    {"yagura keeps its gold", Decide<1>, "K59 k51 R28 r32 B88 b22 G89 S78", 7},
    {"mino to kin muso", Decide<3>, "K28 S39 G49 k51 R78 r32", 6},
    {"mino stays", Decide<3>, "K28 G49 k51 R78 r32", 3},
    {"seme mukaibisha stays", Decide<4>, "K59 k51 R88 r82", 4},
    {"kin muso sees a static enemy", Decide<6>, "K59 k51 R78 r82 s62", 3},
    {"kin muso stays", Decide<6>, "K59 k51 R78 r32 s62", 6},
    {"ranging anaguma sees pawns meet", Decide<9>, "K28 L19 S39 k51 R78 r82 s74 P66 p65", 3},
    {"ranging anaguma stays", Decide<9>, "K28 L19 S39 k51 R78 r82 s74", 9},
    {"ranging ids less the dropped, 19 as 9", MaskOf<0x4050C>, "K59 L19 k51", 0x104},
    {"9 blocked", MaskOf<0x104>, "K59 L19 k51", 0x4},
    {"static and anti-ranging", MaskOf<SenkeiBit(1) | SenkeiBit(5)>, "K59 k51", 0},
    {"enemy rook home, anti-ranging", MaskOf<SenkeiBit(5)>, "K59 k51 r82", 0},
    {"castle built, other ids", MaskOf<SenkeiBit(3) | SenkeiBit(6)>, "K59 L19 S38 G49 k51", 0},
    {"upper handicap for side 0", MaskOf<SenkeiBit(12)>, "K59 k51", 0},
};

TEST(StrategyRedecision, EachRuleGivesItsIdForBothSides) {
  for (const RuleCase& c : kRuleCases) {
    SetRandomSeed(7);
    const Position position = Build(c.pieces);
    EXPECT_EQ(c.rule(position, 0), c.expected) << c.what;
    // The upper handicap ids are refused to side 0 only.
    if (c.rule == MaskOf<SenkeiBit(12)>) continue;
    SetRandomSeed(7);
    EXPECT_EQ(c.rule(TurnedPosition(position), 1), c.expected) << c.what << " (turned)";
  }
}

// The examples the rules are known by, and how many draws each choice takes.
TEST(StrategyRedecision, StartPositionAndRandomDraws) {
  Position start{};
  SetupInitialPosition(start);
  for (int side = 0; side < 2; ++side) {
    SetRandomSeed(99);
    EXPECT_EQ(ReconsiderStrategy(start, side, 0, 0, 0), SENKEI_I_YAGURA);
    EXPECT_EQ(GetRandomSeed(), 99u) << "no draw at the start";
    EXPECT_EQ(ReconsiderStrategy(start, side, ALL_SENKEI_MASK, 12, 0), 12);
    EXPECT_EQ(ReconsiderStrategy(start, side, 0, 13, 0), 13);
    EXPECT_EQ(ReconsiderStrategy(start, side, 0, 4, 0), SENKEI_SHIKEN_MINO);
    EXPECT_EQ(ReconsiderStrategy(start, side, 0, 40, 0), SENKEI_I_YAGURA) << "out of range counts as 0";
  }
  EXPECT_EQ(ReconsiderStrategy(Build("K59 k51 R28 r82 hB hb"), 0, 0, 1, 0), SENKEI_KAKU_GAWARI);

  // One draw per non-empty pick, none for an empty one; bit 30 never an id.
  SetRandomSeed(0);
  EXPECT_EQ(RandomPick(0, ALL_SENKEI_MASK), 0);
  EXPECT_EQ(GetRandomSeed(), 0u);
  EXPECT_EQ(RandomPick(0x4000F801, 0), 12) << "(0x10001 & 0xFFFF) % 6 = 1: the second of 1, 12-16";
  EXPECT_EQ(RandomPick(SenkeiBit(9), 0), 9);
  EXPECT_EQ(RandomPick(ALL_SENKEI_MASK, SenkeiBit(21)), 21);
  SetRandomSeed(5);
  uint32_t expected = 5;
  for (int i = 0; i < 4; ++i) expected = expected * 1664525u + 0x10001u;
  EXPECT_EQ(ClassifyRangingVsRanging(start, 0), SENKEI_AI_FURI_KIN_MUSO);
  RandomPick(SenkeiBit(3), 0);
  const Position open = Build("K59 k51");
  const SenkeiId first = ClassifyStaticVsRanging(open, 0, 0);
  EXPECT_TRUE(first == 5 || first == 7 || first == 8);
  EXPECT_EQ(ClassifyStaticVsRanging(open, 0, SenkeiBit(5)), 5);
  EXPECT_EQ(GetRandomSeed(), expected) << "four choices, four draws";

  // A single-camp mask decides by one draw; a missing rook draws from the mask.
  SetRandomSeed(1);
  EXPECT_EQ(ReconsiderStrategy(start, 1, SenkeiBit(18) | SenkeiBit(21), 0, SenkeiBit(21)), 21);
  EXPECT_EQ(GetRandomSeed(), 1u * 1664525u + 0x10001u);
  Position rookOdds{};
  SetupHandicap(rookOdds, HANDICAP_ROOK);
  EXPECT_EQ(ReconsiderStrategy(rookOdds, 0, SenkeiBit(3) | SenkeiBit(5), 0, SenkeiBit(3)), 3);
  EXPECT_EQ(ReconsiderStrategy(rookOdds, 1, SenkeiBit(14), 0, 0), 14) << "the handicap id when 3 is not allowed";
}

// A position and its turned copy, decided for the other side with the same
// seed, give the same id (masks without the handicap ids, which only side 1
// may hold).
TEST(StrategyRedecision, TurnedPositionGivesTheSameId) {
  PlayoutRandom random{42};
  const SenkeiMask noHandicap = ALL_SENKEI_MASK & ~(0x1Fu << 11);
  for (int game = 0; game < SampleCount(40); ++game) {
    for (const Position& position : RandomOpeningPositions(1000 + static_cast<uint64_t>(game), 40)) {
      const SenkeiMask allowed = static_cast<SenkeiMask>(random.Next()) & noHandicap;
      const SenkeiMask preferred = random.Below(2) ? 0 : static_cast<SenkeiMask>(random.Next()) & noHandicap;
      SenkeiId current = random.Below(23);
      if (current >= 12 && current <= 16) current = 0;
      const Position turned = TurnedPosition(position);
      for (int side = 0; side < 2; ++side) {
        SetRandomSeed(static_cast<uint32_t>(game));
        const SenkeiId id = ReconsiderStrategy(position, side, allowed, current, preferred);
        const uint32_t after = GetRandomSeed();
        SetRandomSeed(static_cast<uint32_t>(game));
        ASSERT_EQ(ReconsiderStrategy(turned, 1 - side, allowed, current, preferred), id);
        ASSERT_EQ(GetRandomSeed(), after);
        ASSERT_GE(id, 0);
        ASSERT_LE(id, 22);
      }
    }
  }
}

}  // namespace
