// Constant tables of the full and incremental evaluation, shared by their two
// files. Tables indexed by type cover every type code up to the wall (9) or
// the tokin (23), so that no reader can run past their end.
#pragma once

#include <cstdint>

#include "engine/board/position.h"

inline constexpr int NO_ROW = -1;
inline constexpr int BASE_TYPE_TABLE_SIZE = 10;  // 0 none .. 8 king, 9 the wall

// Rows of the king-relative tables by evaluation type (NO_ROW: none).
extern const int8_t DefenceRow[TYPE_TABLE_SIZE];
extern const int8_t AttackRow[TYPE_TABLE_SIZE];
extern const int8_t ApproachRow[TYPE_TABLE_SIZE];

extern const int FileDistanceWeight[9];
extern const int FileClassWeight[6][8];
// [king file - 1][file - 1]: stored as written, read through KingFileClassOf.
extern const int8_t KingFileClass[9][9];
inline int KingFileClassOf(int kingFile, int file) { return KingFileClass[kingFile - 1][file - 1]; }

inline constexpr int TOKIN_CROWDING_SIZE = 18;
extern const int TokinCrowding[TOKIN_CROWDING_SIZE];

// The enemy-king term's weights, by base type of the target.
extern const int LineTargetWeight[BASE_TYPE_TABLE_SIZE];
extern const int ForwardTargetWeight[BASE_TYPE_TABLE_SIZE];
extern const int DiagonalTargetWeight[BASE_TYPE_TABLE_SIZE];
extern const int TargetSupportWeight[4];
extern const int TargetDistanceWeight[6];
extern const int RookRankBonus[16];
extern const int BishopProximity[37];

// Distances and indexes past a table's last entry weigh nothing.
inline int TargetDistanceWeightAt(int distance) { return distance >= 0 && distance < 6 ? TargetDistanceWeight[distance] : 0; }
inline int RookRankBonusAt(int index) { return index >= 0 && index < 16 ? RookRankBonus[index] : 0; }
