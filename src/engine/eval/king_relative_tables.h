// Every king-relative value of the evaluation for every king square, read
// by the incremental update instead of re-deriving them: a king move then
// costs two table reads per piece rather than the edge rules and weights of
// the value functions. Built from the parameters once per think; the full
// evaluation keeps computing the values from the parameters, so that the
// two checking each other also checks these tables.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

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
// The slot of a piece-list entry by its file and rank bytes read as one
// little-endian word, the rank cut to 4 bits: [rank & 15][file byte]. Files
// -1 and 0 (out of play, in a hand) give the off-board slot whatever rank
// the entry keeps. A table, as whether a piece is on the board follows no
// pattern; read as one word, a slot costs the king-move loop a load and a mask.
inline constexpr int SLOT_ENTRY_KEY_MASK = 0x0FFF;
using SquareSlotTable = std::array<uint8_t, SLOT_ENTRY_KEY_MASK + 1>;
constexpr SquareSlotTable MakeSquareSlotTable() {
  SquareSlotTable slots{};
  for (int key = 0; key <= SLOT_ENTRY_KEY_MASK; ++key) {
    const int file = static_cast<int8_t>(key & 0xFF), rank = key >> 8;
    slots[key] = static_cast<uint8_t>(file >= 1 && file <= 9 && rank >= 1 && rank <= 9 ? SquareIndex(file, rank)
                                                                                          : OFF_BOARD_SLOT);
  }
  return slots;
}
inline constexpr SquareSlotTable SQUARE_SLOT_BY_ENTRY = MakeSquareSlotTable();
static_assert(std::endian::native == std::endian::little && offsetof(PieceListEntry, file) == 0 &&
              offsetof(PieceListEntry, rank) == 1);
inline int SquareSlotOf(const PieceListEntry& piece) {
  uint16_t fileAndRank;
  std::memcpy(&fileAndRank, &piece, sizeof fileAndRank);
  return SQUARE_SLOT_BY_ENTRY[fileAndRank & SLOT_ENTRY_KEY_MASK];
}
// The same for a file 1-9 and a rank that may be 0 (none).
inline int SquareSlotOf(int file, int rank) { return SQUARE_SLOT_BY_ENTRY[(rank & 15) << 8 | file]; }

// Defence values are summed in the low 32 bits of a 64-bit sum, approach
// values in the high 32 (multiplied by their lane's factor), so that one
// sum carries both.
inline constexpr int64_t DEFENCE_LANE_FACTOR = 1;
inline constexpr int64_t APPROACH_LANE_FACTOR = int64_t{1} << 32;
// The two sums of such a sum (whose defence sum fits 32 bits).
inline int DefenceSumOf(int64_t sum) { return static_cast<int32_t>(static_cast<uint32_t>(sum)); }
inline int ApproachSumOf(int64_t sum) { return static_cast<int>((sum - DefenceSumOf(sum)) >> 32); }

// The values relative to one king of a side on one square: its own pieces'
// defence (edge adjustments included), and the enemy pieces' approach values
// and attack parts against it, by row or kind and square slot. Defence and
// approach values only ever go into 16-bit words, so they are kept modulo
// 2^16 (half the cache a king move reads); attack parts are compared whole.
struct KingRelativeBlock {
  int16_t pieceValue[PIECE_VALUE_ROWS][SQUARE_SLOT_COUNT];
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

// By whole piece code against a king of side s: the lane factor of its
// value (1 or 2^32), the start of the piece-value row the piece reads (own
// pieces their defence row, enemy pieces their approach row, every other
// code the zero row), and for the enemy's pieces with attack parts their
// attack kind (NO_KIND for the others) and all ones in `attackerMask`.
struct KingPieceRow {
  int64_t laneFactor;
  uint64_t attackerMask;
  int16_t valueRowStart;
  int8_t attackKind;
};
struct KingPieceRows {
  KingPieceRow byCode[2][256];  // [king's side][code]
};
extern const KingPieceRows g_kingPieceRows;
