// Constant tables of the pattern term.
#include "engine/eval/pattern_tables.h"

namespace pattern_eval {

const int ExposureScale[8] = {1024, 1290, 1625, 2048, 2580, 3251, 4096, 5161};

const int DiagonalTargetValue[TYPE_TABLE_SIZE] = {
    /* none */ 0, /* rook */ 10, /* bishop */ 6, /* gold */ 6, /* silver */ 5, /* knight */ 5, /* lance */ 3,
    /* pawn */ 0, /* king */ 0, /* wall */ 0, 0, 0, 0, 0, 0, 0, 0, /* dragon */ 0, /* horse */ 0, 0,
    /* promoted silver */ 3, /* promoted knight */ 3, /* promoted lance */ 2, /* tokin */ 2};

// Front, front diagonals, sides, rear diagonals, rear; the edge column for
// a king on file 1 or 9.
const ExposureLimit ExposureLimits[KING_ZONE_SQUARE_KINDS][2] = {
    {{250, 80}, {250, 80}},
    {{175, 56}, {250, 80}},
    {{125, 40}, {175, 56}},
    {{75, 24}, {75, 24}},
    {{75, 24}, {75, 24}},
};

}  // namespace pattern_eval
