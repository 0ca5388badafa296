// Constant tables of the pattern term. The rook-file rank and target
// values, the pawn-advance and knight-flank tables and the rook line
// factors are the opening column of the root evaluators' tables
// (root_eval_blocks.h), which hold the same numbers.
#pragma once

#include "engine/board/position.h"

namespace pattern_eval {

// exposure x (0..7) -> scale in 1/1024.
extern const int ExposureScale[8];
// By type with promotion; pawn, king, dragon, horse and the wall 0.
extern const int DiagonalTargetValue[TYPE_TABLE_SIZE];

enum KingZoneSquareKind : int {
  ZONE_FRONT,
  ZONE_FRONT_DIAGONAL,
  ZONE_SIDE,
  ZONE_REAR_DIAGONAL,
  ZONE_REAR,
  KING_ZONE_SQUARE_KINDS
};
struct ExposureLimit {
  int cap;
  int weight;
};
// [kind][king on an edge file]
extern const ExposureLimit ExposureLimits[KING_ZONE_SQUARE_KINDS][2];

}  // namespace pattern_eval
