// Constant tables of the full and incremental evaluation, typed in as the
// evaluation's design gives them.
#include "engine/eval/eval_tables.h"

namespace {
constexpr int8_t N = NO_ROW;
}

//                                           -  R  B  G  S  N  L  P  K  9 .. 16                   +R +B 19 +S +N +L +P
const int8_t DefenceRow[TYPE_TABLE_SIZE] = {N, N, N, 0, 1, 2, 3, 4, N, N, N, N, N, N, N, N, N, N, 5, N, 0, 0, 0, 0};
const int8_t AttackRow[TYPE_TABLE_SIZE] = {N, N, N, 0, 2, N, N, N, N, N, N, N, N, N, N, N, N, N, N, N, 0, 0, 0, 1};
const int8_t ApproachRow[TYPE_TABLE_SIZE] = {N, N, N, N, N, 0, N, 1, N, N, N, N, N, N, N, N, N, N, 2, N, N, N, N, N};

const int FileDistanceWeight[9] = {128, 128, 192, 256, 384, 410, 430, 430, 430};

const int FileClassWeight[6][8] = {
    {38, 28, 18, 5, 0, 0, 0, 0}, {38, 28, 18, 5, 0, 0, 0, 0}, {12, 9, 5, 1, 0, 0, 0, 0},
    {9, 6, 4, 1, 0, 0, 0, 0},    {12, 9, 5, 1, 0, 0, 0, 0},   {12, 9, 5, 1, 0, 0, 0, 0},
};

const int8_t KingFileClass[9][9] = {
    {3, 7, 6, 5, 4, 3, 2, 1, 0}, {0, 3, 6, 5, 4, 3, 2, 1, 0}, {0, 1, 3, 5, 4, 3, 2, 1, 0},
    {0, 1, 2, 3, 4, 3, 2, 1, 0}, {0, 1, 2, 3, 3, 3, 2, 1, 0}, {0, 1, 2, 3, 4, 3, 2, 1, 0},
    {0, 1, 2, 3, 4, 5, 3, 1, 0}, {0, 1, 2, 3, 4, 5, 6, 3, 0}, {0, 1, 2, 3, 4, 5, 6, 7, 3},
};

const int TokinCrowding[TOKIN_CROWDING_SIZE] = {0, 100, 300, 500, 600, 600, 600, 600, 600,
                                                600, 600, 600, 600, 600, 600, 600, 600, 600};

//                                                  -  R  B    G    S    N    L   P   K  wall
const int LineTargetWeight[BASE_TYPE_TABLE_SIZE] = {0, 0, 216, 216, 160, 82, 80, 10, 0, 0};
const int ForwardTargetWeight[BASE_TYPE_TABLE_SIZE] = {0, 0, 216, 216, 160, 120, 120, 80, 0, 0};
const int DiagonalTargetWeight[BASE_TYPE_TABLE_SIZE] = {0, 216, 160, 216, 160, 82, 80, 10, 0, 0};
const int TargetSupportWeight[4] = {307, 256, 179, 128};
const int TargetDistanceWeight[6] = {0, 256, 230, 205, 102, 38};
const int RookRankBonus[16] = {300, 298, 290, 260, 230, 200, 170, 140, 110, 80, 50, 20, 10, 0, 0, 0};
const int BishopProximity[37] = {258, 252, 246, 231, 195, 189, 186, 183, 168, 138, 132, 126, 120,
                                 96,  90,  84,  63,  57,  54,  51,  48,  45,  42,  39,  36,  33,
                                 30,  27,  24,  21,  18,  15,  12,  9,   6,   3,   0};
