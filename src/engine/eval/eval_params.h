// The evaluation weights rebuilt before every think: the parameter object
// the static evaluation reads (g_evalParams), the stage tables the root
// screening and the exchange evaluator read (RootEvalTables, RootLineWeight),
// the play styles, and the builders that fill them.
#pragma once

#include <cstdint>

#include "engine/board/position.h"
#include "engine/eval/game_stage.h"
#include "engine/eval/senkei.h"

// ---------------------------------------------------------------------------
// The evaluation parameters

inline constexpr int HAND_KIND_COUNT = 8;     // kind 0 unused, 1-7 rook .. pawn
inline constexpr int HAND_ORDINAL_COUNT = 18;  // the (i+1)-th piece of a kind in hand
inline constexpr int KING_OFFSET_COUNT = 17;   // rank offset -8..8 from a king, stored +8
inline constexpr int FILE_DISTANCE_COUNT = 9;  // file distance 0..8 from a king
inline constexpr int KING_DEFENCE_ROWS = 6;    // gold, silver, knight, lance, pawn, horse
inline constexpr int KING_ATTACK_ROWS = 3;

// The two halves of a split hand value, stored interleaved.
struct HandSplitValue {
  int32_t handAttackValue;
  int32_t handReserveValue;
};

// Every entry a signed 32-bit integer, in the order the evaluators expect.
struct EvalParams {
  int32_t valid;  // 0 until the first build, 1 after every build
  int32_t handValue[HAND_KIND_COUNT][HAND_ORDINAL_COUNT];
  HandSplitValue handSplit[HAND_KIND_COUNT][HAND_ORDINAL_COUNT];
  int32_t pieceValue[TYPE_TABLE_SIZE];
  int32_t kingDefenceTable[2][KING_DEFENCE_ROWS][KING_OFFSET_COUNT][FILE_DISTANCE_COUNT];
  int32_t kingAttackTable[2][KING_ATTACK_ROWS][KING_OFFSET_COUNT][FILE_DISTANCE_COUNT][2];  // [..][file part, rank part]
  int32_t kingApproachTable[2][KING_ATTACK_ROWS][KING_OFFSET_COUNT][FILE_DISTANCE_COUNT];
  int32_t openFileWeight[9];
  int32_t openFileScale[19];
  int32_t kingSquareValue[2][9][9];  // [side][file - 1][rank - 1]
  int32_t lineWeight[10];            // 0-8 by distance to the first piece, 9 the open line
  int32_t sideGridWeight[2][10][10];  // [side][file][rank], 1-9 used
  int32_t sideRankWeight[2][10];      // [side][rank], 1-9 used
  int32_t handCountPenalty[20];

  int LineWeight(int i) const { return lineWeight[i]; }
  int LineWeightOpen() const { return lineWeight[9]; }
  int SideGridWeight(int side, int file, int rank) const { return sideGridWeight[side][file][rank]; }
  int GridWeight(int side, int rank) const { return sideRankWeight[side][rank]; }
};

// Whoever changes it other than through InitEvalParams rebuilds the
// king-relative tables (BuildKingRelativeTables) before evaluating.
extern EvalParams g_evalParams;
// 1 when either side's strategy of this think is 居矢倉, read by the pattern term.
extern int32_t g_yaguraStrategyFlag;

// ---------------------------------------------------------------------------
// Play styles

struct PlayStyle {
  const char* name;
};
inline constexpr int PLAY_STYLE_COUNT = 3;
extern const PlayStyle g_playStyles[PLAY_STYLE_COUNT];  // 標準, 強引, 慎重

// The number of play styles: 3.
int PlayStyleCount();
// Name of the style in the low 4 bits of a play-style word; the first
// style's name for an index outside the table.
const char* GetPlayStyleName(int word);

// ---------------------------------------------------------------------------
// Root tables of the current think

inline constexpr int ROOT_HAND_KINDS = 7;       // rook .. pawn, index base type - 1
inline constexpr int ROOT_KING_BLOCKS = 24;     // row + 6 x side (own king), + 12 (enemy king)
inline constexpr int ENEMY_KING_BLOCK = 12;

// What the root screening, the ordering values and the exchange evaluator
// read; rebuilt by InitEvalTables for the stage of the think.
struct RootEvalTables {
  int32_t handValue[ROOT_HAND_KINDS][HAND_ORDINAL_COUNT];     // value of the (n+1)-th piece
  int32_t handValueSum[ROOT_HAND_KINDS][HAND_ORDINAL_COUNT];  // [n - 1]: all n pieces together
  int32_t pieceValue[TYPE_TABLE_SIZE];
  // Blocks 0-11: the own-king (defence) block of row + 6 x side, indexed
  // [rank - king rank + 8][file distance]; blocks 12-23: the enemy-king
  // block, indexed [enemy king rank - rank + 8][file distance].
  int32_t kingBlock[ROOT_KING_BLOCKS][KING_OFFSET_COUNT][FILE_DISTANCE_COUNT];
  // [plane][file][rank]: planes 0 and 1 the castle grids of sides 0 and 1,
  // plane 2 the yagura flag (flat 200) and two rows (flat 202 and 212).
  int32_t castleGrid[3][10][10];
};

extern RootEvalTables g_rootEvalTables;
// The process-wide pointer the readers go through; set by SelectRootEvalTables.
extern RootEvalTables* g_activeRootEvalTables;

// Three rows of 9 by stage, then the open-line entry; -99999 until built.
inline constexpr int ROOT_LINE_WEIGHT_SIZE = 28;
inline constexpr int ROOT_LINE_OPEN = 27;
extern int RootLineWeight[ROOT_LINE_WEIGHT_SIZE];
// The table kept beside it and preset with it.
extern int g_rootLineWeightTail[26];

// ---------------------------------------------------------------------------
// Builders

// Once per think: the stage-0 piece-square table, its strategy adjustment,
// then g_evalParams and the king-relative tables built from it; returns
// g_yaguraStrategyFlag.
int InitEvalParams(const Position& position, const SenkeiId pair[2]);
// Builds every entry of the parameter object for the position and strategies.
void SetupEvalParameters(EvalParams* params, const Position& position, const SenkeiId pair[2]);

// Hand values, piece values and king-relative blocks of the stage (stage 0
// takes the endgame blocks), then the flattening and shelter corrections.
void BuildStageTables(const Position& position, GameStage stage, RootEvalTables* tables);
// How well the side's king is covered, from its 5 x 7 neighbourhood.
double KingShelterValue(const Position& position, int side);
// Share taken off the defence rows of a well-covered king: 0, 0.1, 0.15 or 0.25.
double ShelterFactor(double value);
// Limits the side's king row ahead of the king to its square's value plus
// step per rank of distance.
void CapKingAdvance(const Position& position, int side, int step);
// The three stage rows and the open entry, row 0 eased toward the
// undeveloped weights while the side is still developing.
void BuildRootLineWeights(const Position& position, GameStage stage, const SenkeiId pair[2], int* table);
// The same into RootLineWeight.
void BuildRootLineWeights(const Position& position, GameStage stage, const SenkeiId pair[2]);
// Formation distance below which the line weights are eased: 18 for いびあな, else 12.
int DevelopmentThreshold(SenkeiId id);

// The castle-formation rules on the castle grid of the root tables.
void ScoreCastleFormation(const Position& position, GameStage stage, const SenkeiId pair[2]);
// The same rules on g_evalParams.sideGridWeight.
void ScoreCastleFormationParams(const Position& position, const SenkeiId pair[2]);
// The rules on the side grids grids[side][file][rank] (sides 0 and 1); rootGrid selects
// the root tables' variant, which applies the gold and いびあな rules only
// in the opening.
void ApplyCastleFormationRules(int32_t (*grids)[10][10], const Position& position, const SenkeiId pair[2],
                               bool rootGrid, GameStage stage);

// ---------------------------------------------------------------------------
// Values from the root tables

// Worth of a piece of the side with type (code & 0x9f) on a square from the
// root tables: with kingRelative, the larger of the own-king and enemy-king
// block entries for types with a defence row; otherwise (and for types
// without a row) the piece value by type.
int RootPieceValue(const Position& position, int side, int type, int file, int rank, bool kingRelative);
// Root hand value of the next piece of a base type when `held` are held;
// the count is kept inside the table.
int RootHandValue(int baseType, int held);
