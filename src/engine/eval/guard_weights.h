// How much a piece guards its own king: a weight by kind and a nearness by
// ranks behind the king and file distance. The quick evaluation sums guard
// values with them, and the king-defence base table is drawn from them, so
// that both judge a castle alike.
#pragma once

#include "engine/board/position.h"

// Nearness of a guard to its king by ranks behind the king (-6 .. 4, so
// index behind - NEAREST_BEHIND; negative in front) and file distance.
// Outside those ranks a piece guards nothing.
inline constexpr int NEAREST_BEHIND = -6, FARTHEST_BEHIND = 4;
inline constexpr double kNearness[FARTHEST_BEHIND - NEAREST_BEHIND + 1][9] = {
    {0.04, 0, 0, 0, 0, 0, 0, 0, 0},
    {0.13, 0.11, 0.08, 0.03, 0, 0, 0, 0, 0},
    {0.32, 0.3, 0.27, 0.18, 0.11, 0.04, 0, 0, 0},
    {0.5, 0.48, 0.43, 0.37, 0.26, 0.18, 0.06, 0, 0},
    {0.72, 0.7, 0.67, 0.61, 0.46, 0.29, 0.08, 0, 0},
    {0.96, 0.94, 0.89, 0.78, 0.57, 0.37, 0.09, 0, 0},
    {1.0, 1.0, 0.93, 0.81, 0.59, 0.38, 0.09, 0, 0},
    {0.88, 0.83, 0.65, 0.55, 0.38, 0.18, 0.04, 0, 0},
    {0.54, 0.51, 0.41, 0.35, 0.14, 0.02, 0, 0, 0},
    {0.29, 0.26, 0.15, 0.03, 0, 0, 0, 0, 0},
    {0.11, 0.02, 0, 0, 0, 0, 0, 0, 0},
};

// Guard weight by type (code & 0x9f).
inline constexpr double kGuardWeight[TYPE_TABLE_SIZE] = {
    0, 0, 0, 5.0, 4.9, 2.4, 2.0, 1.0, 0,  // gold, silver, knight, lance, pawn
    0, 0, 0, 0,   0,   0,   0,   0,       //
    0, 0, 0, 5.0, 5.0, 5.0, 5.0,          // promoted minors
};
