// Constant base tables of the evaluation parameters and the root tables:
// the given hand, piece, king and castle tables, and the tuning tables that
// are generated from them by the rules of docs/piece-square-tables.md.
#pragma once

#include "engine/eval/eval_params.h"

namespace eval_tables {

// [kind 0-7][ordinal]: H1 (whole hand values) and H2 (the split ones).
extern const int kHandValue[HAND_KIND_COUNT][HAND_ORDINAL_COUNT];
extern const int kHandSplitBase[HAND_KIND_COUNT][HAND_ORDINAL_COUNT];
// Share of an H2 value that goes to the attack half, by kind.
extern const double kHandSplitFactor[HAND_KIND_COUNT];
extern const int kPieceValue[TYPE_TABLE_SIZE];

// King-relative base tables K1 (defence) and K2 (attack rows 0-2, approach
// rows 3-5): [row][rank offset + 8][file distance], oriented for side 0.
extern const int (&kKingDefenceBase)[KING_DEFENCE_ROWS][KING_OFFSET_COUNT][FILE_DISTANCE_COUNT];
extern const int (&kKingAttackBase)[6][KING_OFFSET_COUNT][FILE_DISTANCE_COUNT];
// The knight's defence row (K1 row 2) counts this many hundredths of its
// base entries in the parameters of a think.
inline constexpr int KNIGHT_DEFENCE_PERCENT = 64;

extern const int kOpenFileWeight[9];
extern const int kOpenFileScale[19];
extern const int kKingTable[9][9];  // Q, rows as stored
extern const int kLineWeightDeveloped[9];    // L1, open line 3
extern const int kLineWeightUndeveloped[9];  // L0, open line 8
inline constexpr int LINE_OPEN_DEVELOPED = 3;
inline constexpr int LINE_OPEN_UNDEVELOPED = 8;
// C0 and C1, [table][file][rank] with index 0 unused.
extern const int (&kCastleTable)[2][10][10];
extern const int kSideRankBase[9];  // W, by rank as seen from the side
extern const int kHandCountPenalty[20];

// Root tables by stage: hand values [stage][base type - 1][ordinal], piece
// values with the stage's rook and bishop, and the king-relative blocks of
// side 0 ([stage][own rows 0-5, enemy rows 6-11][offset][distance]).
extern const int kStageHandValue[GAME_STAGE_COUNT][ROOT_HAND_KINDS][HAND_ORDINAL_COUNT];
extern const int (&kStageKingBlock)[GAME_STAGE_COUNT][12][KING_OFFSET_COUNT][FILE_DISTANCE_COUNT];
extern const int kRootLineRows[3][9];
extern const int kHandTotalPenalty[20];
// The five castle blocks [m][file][rank], m = stage + 2 x (strategy 7 or 8).
extern const int (&kCastleBlock)[5][10][10];
extern const int kCastleRankRow[9];  // F

}  // namespace eval_tables
