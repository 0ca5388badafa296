// Constant tables of the root-screening evaluators, one column per form
// (endgame, middle game, opening).
#include <array>
#include <utility>

#include "engine/eval/root_eval_blocks.h"

namespace root_eval {
namespace {

using TypeEntries = std::array<std::pair<int, int>, 11>;

// A table by type (promotion included) from its listed entries; the rest 0.
constexpr std::array<int, TYPE_TABLE_SIZE> ByType(const TypeEntries& entries) {
  std::array<int, TYPE_TABLE_SIZE> table{};
  for (const auto& [type, value] : entries) table[type] = value;
  return table;
}

}  // namespace

const TypeTableByForm RookTargetValue = {
    ByType({{{BISHOP, 50}, {GOLD, 35}, {SILVER, 23}, {KNIGHT, 45}, {PAWN, 10}, {KING, 35}, {HORSE, 45},
             {PRO_SILVER, 23}, {PRO_KNIGHT, 16}, {PRO_LANCE, 12}, {TOKIN, 8}}}),
    ByType({{{BISHOP, 30}, {GOLD, 15}, {SILVER, 12}, {KNIGHT, 40}, {PAWN, 6}, {KING, 15}, {HORSE, 20},
             {PRO_SILVER, 12}, {PRO_KNIGHT, 10}, {PRO_LANCE, 9}, {TOKIN, 5}}}),
    ByType({{{BISHOP, 5}, {GOLD, 3}, {SILVER, 2}, {KNIGHT, 4}, {PAWN, 1}, {KING, 3}, {HORSE, 4}, {PRO_SILVER, 2},
             {PRO_KNIGHT, 2}, {PRO_LANCE, 1}, {TOKIN, 1}}}),
};

const TypeTableByForm BishopTargetValue = {
    ByType({{{ROOK, 85}, {BISHOP, 60}, {GOLD, 99}, {SILVER, 78}, {KNIGHT, 28}, {LANCE, 22}, {KING, 99},
             {PRO_SILVER, 10}, {PRO_KNIGHT, 9}, {PRO_LANCE, 8}, {TOKIN, 8}}}),
    ByType({{{ROOK, 25}, {BISHOP, 18}, {GOLD, 18}, {SILVER, 12}, {KNIGHT, 12}, {LANCE, 7}, {KING, 25},
             {PRO_SILVER, 6}, {PRO_KNIGHT, 5}, {PRO_LANCE, 5}, {TOKIN, 5}}}),
    ByType({{{ROOK, 10}, {BISHOP, 6}, {GOLD, 6}, {SILVER, 5}, {KNIGHT, 5}, {LANCE, 3}, {KING, 10},
             {PRO_SILVER, 3}, {PRO_KNIGHT, 3}, {PRO_LANCE, 2}, {TOKIN, 2}}}),
};

const int RookRankValue[ROOT_FORM_COUNT][9] = {
    {120, 113, 99, 82, 58, 18, -7, -18, -19},
    {30, 26, 18, 15, 12, 8, 3, 0, 0},
    {10, 9, 6, 4, 3, 2, 1, 0, 0},
};
const int RookStepValue[ROOT_FORM_COUNT][9] = {
    {0, 2, 5, 9, 14, 16, 18, 20, 20},
    {0, 2, 5, 9, 12, 14, 15, 16, 16},
    {0, 1, 2, 3, 4, 5, 6, 7, 7},
};
const int RookMobilityValue[ROOT_FORM_COUNT][14] = {
    {0, 3, 6, 8, 9, 10, 10, 10, 10, 10, 10, 10, 10, 10},
    {0, 3, 6, 8, 9, 10, 10, 10, 10, 10, 10, 10, 10, 10},
    {0, 1, 2, 3, 4, 5, 5, 5, 5, 5, 5, 5, 5, 5},
};
const int RookAheadOfPawnPenalty[ROOT_FORM_COUNT] = {70, 150, 90};
const int PawnClassValue[ROOT_FORM_COUNT][4][9] = {
    {},
    {{0, 0, 40, 54, 7, 3, 1, -49, -57},
     {0, 0, 120, 148, 35, 5, 1, -49, -57},
     {0, 0, 28, 37, 4, 3, 1, -49, -57},
     {0, 0, 47, 62, 10, 5, 1, -49, -57}},
    {{0, 0, 16, 25, 4, 0, -1, -38, -44},
     {0, 0, 58, 65, 15, 0, -1, -38, -44},
     {0, 0, 13, 20, 2, 0, -1, -38, -44},
     {0, 0, 28, 33, 3, 0, -1, -38, -44}},
};
const int KnightPawnValue[ROOT_FORM_COUNT][5] = {{}, {12, 9, 10, 1, 0}, {5, 0, 2, -1, -2}};
const double LineSupportFactor[4] = {1.2, 1.0, 0.7, 0.5};
const double LineDistanceFactor[6] = {0, 1.0, 0.9, 0.8, 0.4, 0.15};
const int DiagonalRankScale[37] = {3072, 3072, 2970, 2867, 2560, 2458, 2458, 2458, 2048, 1741, 1638, 1638, 1638,
                                   1434, 1434, 1434, 1126, 1024, 922,  922,  819,  819,  717,  717,  614,
                                   614,  512,  512,  419,  410,  307,  307,  205,  205,  102,  102,  102};
const int HorseProximity[37] = {86, 84, 82, 77, 65, 63, 62, 61, 56, 46, 44, 42, 40, 32, 30, 28, 21, 19, 18,
                                17, 16, 15, 14, 13, 12, 11, 10, 9,  8,  7,  6,  5,  4,  3,  2,  1,  0};
const int KingZoneFactor[4] = {15, 11, 7, 3};

}  // namespace root_eval
