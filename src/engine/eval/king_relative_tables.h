// Every king-relative value of the evaluation for every king square, read
// by the incremental update instead of re-deriving them: a king move then
// costs two table reads per piece rather than the edge rules and weights of
// the value functions. Built from the parameters once per think; the full
// evaluation keeps computing the values from the parameters, so that the
// two checking each other also checks these tables.
#pragma once

#include <cstdint>

#include "engine/board/position.h"
#include "engine/eval/eval_params.h"
#include "engine/eval/king_relative_values.h"

// Value kinds: the types whose king-relative values coincide share a kind.
inline constexpr int DEFENCE_KIND_COUNT = KING_DEFENCE_ROWS;  // gold-like .. horse, as the defence rows
inline constexpr int APPROACH_KIND_COUNT = 2;                 // knight, pawn
inline constexpr int ATTACK_KIND_COUNT = KING_ATTACK_ROWS;    // gold-like, tokin, silver, as the attack rows
inline constexpr int NO_KIND = -1;

// The rows of a block's piece values: the king's own pieces' defence by
// kind, the enemy pieces' approach by kind, then a row of zeros for every
// other piece, so that a loop over all pieces needs no branch.
inline constexpr int FIRST_APPROACH_ROW = DEFENCE_KIND_COUNT;
inline constexpr int ZERO_ROW = FIRST_APPROACH_ROW + APPROACH_KIND_COUNT;
inline constexpr int PIECE_VALUE_ROWS = ZERO_ROW + 1;

// The square slots: SquareIndex of a board square, then one slot, always
// 0, for a piece in a hand or out of play.
inline constexpr int OFF_BOARD_SLOT = SQUARE_COUNT;
inline constexpr int SQUARE_SLOT_COUNT = SQUARE_COUNT + 1;
inline int SquareSlotOf(const PieceListEntry& piece) {
  // Without a branch: whether a piece is on the board follows no pattern.
  const int onBoard = -static_cast<int>(piece.file >= 1);
  return (SquareIndex(piece.file, piece.rank) & onBoard) | (OFF_BOARD_SLOT & ~onBoard);
}

// Defence values are summed in the low 32 bits of a 64-bit sum, approach
// values in the high 32 (DEFENCE_LANE, APPROACH_LANE: the shift of a value
// into its lane), so that one sum carries both.
inline constexpr int DEFENCE_LANE = 0;
inline constexpr int APPROACH_LANE = 32;
inline int64_t InLane(int value, int lane) {
  return static_cast<int64_t>(static_cast<uint64_t>(static_cast<int64_t>(value)) << lane);
}
// The two sums of such a sum (whose defence sum fits 32 bits).
inline int DefenceSumOf(int64_t sum) { return static_cast<int32_t>(static_cast<uint32_t>(sum)); }
inline int ApproachSumOf(int64_t sum) { return static_cast<int>((sum - DefenceSumOf(sum)) >> 32); }

// The values relative to one king of a side on one square: its own pieces'
// defence (edge adjustments included), and the enemy pieces' approach values
// and attack parts against it, by row or kind and square slot.
struct KingRelativeBlock {
  int32_t pieceValue[PIECE_VALUE_ROWS][SQUARE_SLOT_COUNT];
  AttackParts attack[ATTACK_KIND_COUNT][SQUARE_SLOT_COUNT];
};

struct KingRelativeTables {
  KingRelativeBlock block[2][SQUARE_COUNT];  // [king's side][king's square]
};
extern KingRelativeTables g_kingRelativeTables;

// Rebuilds every block from the parameters. InitEvalParams calls it; whoever
// changes g_evalParams another way calls it before evaluating.
void BuildKingRelativeTables(const EvalParams& params);

// The block of the side's king on the square.
inline const KingRelativeBlock& KingBlockAt(int side, int file, int rank) {
  return g_kingRelativeTables.block[side][SquareIndex(file, rank)];
}

// Kinds by evaluation type, NO_KIND for types without the value.
struct KingValueKinds {
  int8_t defence[TYPE_TABLE_SIZE];
  int8_t approach[TYPE_TABLE_SIZE];
  int8_t attack[TYPE_TABLE_SIZE];
};
extern const KingValueKinds g_kingValueKinds;

// A piece's values from the block of its own king (defence) or of the
// enemy king (approach, attack), for a type that has them.
inline int BlockDefence(const KingRelativeBlock& ownKing, int type, int slot) {
  return ownKing.pieceValue[g_kingValueKinds.defence[type]][slot];
}
inline int BlockApproach(const KingRelativeBlock& enemyKing, int type, int slot) {
  return enemyKing.pieceValue[FIRST_APPROACH_ROW + g_kingValueKinds.approach[type]][slot];
}
inline const AttackParts& BlockAttack(const KingRelativeBlock& enemyKing, int type, int slot) {
  return enemyKing.attack[g_kingValueKinds.attack[type]][slot];
}

// By whole piece code against a king of side s: the start of the
// piece-value row the piece reads (own pieces their defence row, enemy
// pieces their approach row, every other code the zero row), the lane its
// value is summed in, and the enemy pieces' attack kind (NO_KIND for none).
struct KingPieceRow {
  int16_t valueRowStart;
  int8_t lane;
  int8_t attackKind;
};
struct KingPieceRows {
  KingPieceRow byCode[2][256];  // [king's side][code]
};
extern const KingPieceRows g_kingPieceRows;
