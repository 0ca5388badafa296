// The constant tables of the evaluation parameters. The given values are
// written out as they stand; the rest of the king-relative tables and
// the castle blocks are drawn at compile time by the rules below (explained
// in docs/piece-square-tables.md), so the rule is the only copy of them.
#include "engine/eval/eval_params_tables.h"

#include <array>

#include "engine/eval/guard_weights.h"

namespace eval_tables {
namespace {

constexpr int O = KING_OFFSET_COUNT;
constexpr int D = FILE_DISTANCE_COUNT;
using Block = std::array<std::array<int, D>, O>;  // [offset][distance]
using Profile = std::array<std::array<int, D>, 3>;  // offsets 7, 8, 9

constexpr int Trunc(double value) { return static_cast<int>(value); }

// The telling rows: offsets 7 / 8 / 9 (the rank in front of the king, the
// king's rank, the rank behind), distances 0..8.
constexpr Profile kDefenceGold = {{{735, 747, 750, 580, 410, 240, 150, 70, 5},
                                   {770, 770, 745, 621, 497, 373, 160, 72, 5},
                                   {640, 697, 715, 600, 485, 370, 150, 70, 5}}};
constexpr Profile kDefenceHorse = {{{590, 590, 595, 595, 500, 428, 370, 343, 335},
                                    {580, 580, 585, 585, 500, 428, 370, 343, 335},
                                    {560, 560, 565, 565, 495, 423, 370, 343, 335}}};
constexpr Profile kAttackGold = {{{1000, 880, 740, 605, 365, 130, 0, 0, 0},
                                  {790, 760, 590, 410, 200, 0, 0, 0, 0},
                                  {635, 550, 400, 180, 0, 0, 0, 0, 0}}};
constexpr Profile kApproachKnight = {{{172, 141, 81, 30, 0, 0, 0, 0, 0},
                                      {20, 21, 20, 0, 0, 0, 0, 0, 0},
                                      {0, 0, 0, 0, 0, 0, 0, 0, 0}}};

constexpr Profile Scaled(const Profile& profile, double factor) {
  Profile result{};
  for (int i = 0; i < 3; ++i) {
    for (int d = 0; d < D; ++d) result[i][d] = Trunc(profile[i][d] * factor);
  }
  return result;
}

// A block from its three telling rows: every rank further from the king
// keeps `ahead` (toward offset 0) or `behind` (toward offset 16) of the
// rank next to it nearer the king, truncated.
constexpr Block Extend(const Profile& profile, double ahead, double behind) {
  Block block{};
  for (int i = 0; i < 3; ++i) block[7 + i] = profile[i];
  for (int offset = 6; offset >= 0; --offset) {
    for (int d = 0; d < D; ++d) block[offset][d] = Trunc(block[offset + 1][d] * ahead);
  }
  for (int offset = 10; offset < O; ++offset) {
    for (int d = 0; d < D; ++d) block[offset][d] = Trunc(block[offset - 1][d] * behind);
  }
  return block;
}

// K1 guards as the quick evaluation's guard values do. Weights and nearness
// are taken as exact tenths and hundredths and every step is a whole-number
// fraction truncated once, so no product falls a hair below an integer.
constexpr int Tenths(double value) { return static_cast<int>(value * 10 + 0.5); }
constexpr int Hundredths(double value) { return static_cast<int>(value * 100 + 0.5); }

// Nearness on the king's file of a guard at a defence offset (offset - 8
// ranks behind the king), in hundredths.
constexpr int KingFileNearness(int offset) {
  const int behind = offset - 8;
  if (behind < NEAREST_BEHIND || behind > FARTHEST_BEHIND) return 0;
  return Hundredths(kNearness[behind - NEAREST_BEHIND][0]);
}

// A kind's telling rows: the gold's times its guard weight over the gold's.
// The knight's row is stored before the parameters' scaling of it, so it
// comes out at its guard weight after that scaling.
constexpr Profile GuardRows(int type) {
  const int percentKept = type == KNIGHT ? KNIGHT_DEFENCE_PERCENT : 100;
  const int numerator = Tenths(kGuardWeight[type]) * 100, denominator = Tenths(kGuardWeight[GOLD]) * percentKept;
  Profile result{};
  for (int i = 0; i < 3; ++i) {
    for (int d = 0; d < D; ++d) result[i][d] = kDefenceGold[i][d] * numerator / denominator;
  }
  return result;
}

// A defence block from its telling rows: every rank further from the king
// keeps of the rank next to it nearer the king the share that the nearness
// on the king's file keeps from the one to the other. Where the nearness
// has run out nothing guards, so the ranks beyond stay 0.
constexpr Block ExtendByNearness(const Profile& profile) {
  Block block{};
  for (int i = 0; i < 3; ++i) block[7 + i] = profile[i];
  const auto keep = [&block](int offset, int nearer) {
    const int from = KingFileNearness(nearer), to = KingFileNearness(offset);
    for (int d = 0; d < D; ++d) block[offset][d] = from == 0 ? 0 : block[nearer][d] * to / from;
  };
  for (int offset = 6; offset >= 0; --offset) keep(offset, offset + 1);
  for (int offset = 10; offset < O; ++offset) keep(offset, offset - 1);
  return block;
}

// K1: gold and horse telling rows as given; a horse guards from afar, so
// its further ranks keep 0.9 each.
constexpr std::array<Block, 6> kDefence = {
    ExtendByNearness(kDefenceGold),
    ExtendByNearness(GuardRows(SILVER)),
    ExtendByNearness(GuardRows(KNIGHT)),
    ExtendByNearness(GuardRows(LANCE)),
    ExtendByNearness(GuardRows(PAWN)),
    Extend(kDefenceHorse, 0.9, 0.9),
};
// K2: rows 0-2 attack (gold, tokin, silver), rows 3-5 approach (knight,
// pawn, horse). Attackers count most in front of the enemy king.
constexpr std::array<Block, 6> kAttack = {
    Extend(kAttackGold, 0.65, 0.5),
    Extend(Scaled(kAttackGold, 0.9), 0.65, 0.5),
    Extend(Scaled(kAttackGold, 0.85), 0.65, 0.5),
    Extend(kApproachKnight, 0.65, 0.5),
    Extend(Scaled(kApproachKnight, 0.6), 0.65, 0.5),
    Extend(Scaled(kApproachKnight, 1.5), 0.65, 0.5),
};

// Root king blocks: a piece is worth at least its floor wherever it stands,
// plus a share of its K1 entry near its own king or of its K2 entry near
// the enemy king (the larger counts). Rows by defence row: gold, silver,
// knight, lance, pawn, horse; the K2 row each kind attacks with.
constexpr int kBlockFloor[6] = {600, 540, 350, 300, 60, 1000};
constexpr int kAttackRowOf[6] = {0, 2, 3, 4, 4, 5};
// Shares by stage: the middle game leans on defence, the endgame on attack.
// The opening reads the endgame's blocks (BuildStageTables), so its entry
// repeats the endgame's.
constexpr double kDefenceShare[3] = {0.2, 0.3, 0.2};
constexpr double kAttackShare[3] = {0.35, 0.2, 0.35};

using StageBlocks = std::array<std::array<Block, 12>, 3>;
constexpr StageBlocks MakeStageBlocks() {
  StageBlocks result{};
  for (int stage = 0; stage < 3; ++stage) {
    for (int row = 0; row < 6; ++row) {
      for (int offset = 0; offset < O; ++offset) {
        for (int d = 0; d < D; ++d) {
          result[stage][row][offset][d] = kBlockFloor[row] + Trunc(kDefence[row][offset][d] * kDefenceShare[stage]);
          result[stage][row + 6][offset][d] =
              kBlockFloor[row] + Trunc(kAttack[kAttackRowOf[row]][offset][d] * kAttackShare[stage]);
        }
      }
    }
  }
  return result;
}
constexpr StageBlocks kStageBlocks = MakeStageBlocks();

constexpr int kCastle[2][10][10] = {{
    {},
    {0, -68, -51, -47, -52, -38, -33, -40, -55, -65},
    {0, -66, -45, -38, -32, -17, -5, -27, -37, -51},
    {0, -52, -43, -34, -23, -10, -1, -21, -29, -46},
    {0, -50, -39, -29, -20, -7, 4, -10, -22, -37},
    {0, -50, -38, -30, -19, -5, 8, -3, -19, -35},
    {0, -50, -39, -29, -20, -7, 4, -10, -22, -37},
    {0, -52, -44, -34, -23, -10, -1, -21, -29, -46},
    {0, -56, -45, -38, -32, -17, -5, -27, -37, -51},
    {0, -68, -51, -47, -52, -38, -33, -40, -55, -65},
}, {
    {},
    {0, -68, -51, -47, -52, -38, -33, -40, -55, -65},
    {0, -66, -32, -28, -27, -23, -5, -27, -37, -51},
    {0, -52, -26, -24, -27, -23, -1, -21, -29, -46},
    {0, -50, -31, -30, -26, -24, 4, -10, -22, -37},
    {0, -50, -38, -29, -28, -25, 8, -3, -19, -35},
    {0, -50, -39, -34, -25, -12, 4, -10, -22, -37},
    {0, -52, -47, -39, -26, -10, -1, -21, -29, -46},
    {0, -56, -52, -44, -32, -17, -5, -27, -37, -51},
    {0, -71, -58, -50, -52, -38, -33, -40, -55, -65},
}};
constexpr auto& kC0 = kCastle[0];
constexpr auto& kC1 = kCastle[1];

// Castle blocks m = stage + 2k: ordinary castles move from C0 (opening)
// halfway toward C1 (middle game) and read C1 in the endgame, the block
// they share with the left-side castles' opening; left-side castles then
// keep three quarters and half of C1.
using CastleBlocks = std::array<std::array<std::array<int, 10>, 10>, 5>;
constexpr CastleBlocks MakeCastleBlocks() {
  CastleBlocks result{};
  for (int file = 1; file <= 9; ++file) {
    for (int rank = 1; rank <= 9; ++rank) {
      result[0][file][rank] = kC0[file][rank];
      result[1][file][rank] = (kC0[file][rank] + kC1[file][rank]) / 2;
      result[2][file][rank] = kC1[file][rank];
      result[3][file][rank] = kC1[file][rank] * 3 / 4;
      result[4][file][rank] = kC1[file][rank] / 2;
    }
  }
  return result;
}
constexpr CastleBlocks kCastleBlocks = MakeCastleBlocks();

template <class Array, class Target>
constexpr void CopyBlock(const Array& from, Target& to) {
  for (int offset = 0; offset < O; ++offset) {
    for (int d = 0; d < D; ++d) to[offset][d] = from[offset][d];
  }
}

// Static storage filled once from the constexpr rules (plain arrays are
// what the builders index).
struct Generated {
  int defence[6][O][D];
  int attack[6][O][D];
  int stageBlock[3][12][O][D];
  int castleBlock[5][10][10];
};
constexpr Generated MakeGenerated() {
  Generated generated{};
  for (int row = 0; row < 6; ++row) {
    CopyBlock(kDefence[row], generated.defence[row]);
    CopyBlock(kAttack[row], generated.attack[row]);
  }
  for (int stage = 0; stage < 3; ++stage) {
    for (int block = 0; block < 12; ++block) CopyBlock(kStageBlocks[stage][block], generated.stageBlock[stage][block]);
  }
  for (int m = 0; m < 5; ++m) {
    for (int file = 0; file < 10; ++file) {
      for (int rank = 0; rank < 10; ++rank) generated.castleBlock[m][file][rank] = kCastleBlocks[m][file][rank];
    }
  }
  return generated;
}
constexpr Generated kGenerated = MakeGenerated();

// The given telling rows come out of the rules unchanged.
static_assert(kGenerated.defence[0][8][0] == 770 && kGenerated.defence[5][9][8] == 335);
static_assert(kGenerated.attack[0][7][0] == 1000 && kGenerated.attack[3][9][0] == 0);


}  // namespace

const int kHandValue[HAND_KIND_COUNT][HAND_ORDINAL_COUNT] = {
    {},
    {1270, 1140},
    {1080, 890},
    {765, 750, 740, 730},
    {680, 670, 660, 650},
    {480, 460, 375, 325},
    {400, 385, 305, 260},
    {88, 84, 74, 50, 25, 10, 4, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2},
};
const int kHandSplitBase[HAND_KIND_COUNT][HAND_ORDINAL_COUNT] = {
    {},
    {1270, 1140},
    {1080, 890},
    {765, 750, 740, 730},
    {680, 670, 660, 650},
    {440, 330, 320, 300},
    {400, 300, 290, 285},
    {68, 54, 32, 15, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1},
};
const double kHandSplitFactor[HAND_KIND_COUNT] = {0.0, 0.8, 0.4, 0.75, 0.73, 0.7, 0.5, 0.3};
const int kPieceValue[TYPE_TABLE_SIZE] = {
    0, 830, 820, 690, 620, 400, 345, 78, 1000000,  // 0-8
    0, 0,   0,   0,   0,   0,   0,   0,            // 9-16
    1200, 1130, 0, 690, 690, 690, 690,             // dragon, horse, 19, promoted minors
};

const int (&kKingDefenceBase)[KING_DEFENCE_ROWS][O][D] = kGenerated.defence;
const int (&kKingAttackBase)[6][O][D] = kGenerated.attack;
const int (&kStageKingBlock)[GAME_STAGE_COUNT][12][O][D] = kGenerated.stageBlock;
const int (&kCastleBlock)[5][10][10] = kGenerated.castleBlock;
const int (&kCastleTable)[2][10][10] = kCastle;

// Stage 0 keeps H1's knights, lances and pawns; stages 1 and 2 take H2's
// knights and lances and pawns of their own. Every stage values bishops at
// 1090, 890.
const int kStageHandValue[GAME_STAGE_COUNT][ROOT_HAND_KINDS][HAND_ORDINAL_COUNT] = {
    {{1270, 1140}, {1090, 890}, {765, 750, 740, 730}, {680, 670, 660, 650}, {480, 460, 375, 325},
     {400, 385, 305, 260}, {88, 84, 74, 50, 25, 10, 4, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2}},
    {{1270, 1140}, {1090, 890}, {765, 750, 740, 730}, {680, 670, 660, 650}, {440, 330, 320, 300},
     {400, 300, 290, 285}, {88, 81, 58, 20, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
    {{1270, 1140}, {1090, 890}, {765, 750, 740, 730}, {680, 670, 660, 650}, {440, 330, 320, 300},
     {400, 300, 290, 285}, {91, 81, 58, 20, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
};

const int kOpenFileWeight[9] = {256, 230, 205, 154, 102, 51, 26, 20, 20};
const int kOpenFileScale[19] = {0, 50, 100, 150, 160, 165, 166, 167, 168, 169, 170, 170, 170, 170, 170, 170, 170, 170, 170};
const int kKingTable[9][9] = {
    {1490, 1500, 1480, 1450, 1450, 1450, 1480, 1500, 1490},
    {1495, 1500, 1480, 1450, 1450, 1450, 1480, 1500, 1495},
    {1295, 1300, 1280, 1250, 1250, 1250, 1280, 1300, 1295},
    {950, 960, 940, 910, 910, 910, 940, 960, 950},
    {500, 520, 500, 470, 470, 470, 500, 520, 500},
    {110, 160, 120, 90, 90, 90, 120, 160, 110},
    {-100, 0, -50, -80, -80, -80, -50, 0, 0},
    {-100, 0, -50, -100, -140, -100, -50, 0, -100},
    {-30, -10, -100, -200, -250, -200, -100, -10, -30},
};
const int kLineWeightDeveloped[9] = {11, 11, 9, 8, 5, 2, -5, -9, -20};
const int kLineWeightUndeveloped[9] = {11, 11, 9, 8, 7, 6, 1, 0, 0};
const int kSideRankBase[9] = {0, 0, 4, 6, 40, 30, 9, 3, 0};
const int kHandCountPenalty[20] = {0, 5, 50, 90, 100, 100, 100, 100, 100, 100,
                                   100, 100, 100, 100, 100, 100, 100, 100, 100, 100};

const int kRootLineRows[3][9] = {
    {11, 11, 9, 8, 5, 2, -2, -8, -20},
    {14, 12, 12, 8, 2, -7, -17, -37, -100},
    {16, 15, 14, 7, -1, -19, -40, -100, -200},
};
const int kHandTotalPenalty[20] = {0, 5, 115, 155, 180, 180, 180, 180, 180, 180,
                                   180, 180, 180, 180, 180, 180, 180, 180, 180, 180};
const int kCastleRankRow[9] = {0, 0, 4, 6, 40, 30, 9, 3, 0};

}  // namespace eval_tables
