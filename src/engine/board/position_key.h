// The engine's 96-bit position key: Zobrist words of the board plus one
// side's hand as packed counters, computed from scratch or updated per move,
// and the equality and hand-dominance tests that the search tables use.
#pragma once

#include <array>
#include <cstdint>

#include "charset.h"
#include "engine/board/position.h"

// Words 0 and 1 and bits 22-31 of word 2: XOR of the table entries of the
// pieces on the board. Word 2 bit 21: the side to move. Bits 0-20: the hand
// of the hand side (fixed by the caller for all keys of one table).
struct PositionKey {
  uint32_t word[3];

  friend constexpr bool operator==(const PositionKey&, const PositionKey&) = default;
};
static_assert(sizeof(PositionKey) == 12);

inline constexpr uint32_t POSITION_KEY_BOARD_BITS = 0xffc00000u;  // of word 2
inline constexpr uint32_t POSITION_KEY_SIDE_BIT = 0x200000u;
inline constexpr uint32_t POSITION_KEY_HAND_BITS = 0x1fffffu;

// Hand counter fields of word 2, by base type (king and type 0 have none).
inline constexpr uint32_t HAND_FIELD_INCREMENT[9] = {0, 0x80000, 0x20000, 0x4000, 0x800, 0x100, 0x20, 0x1, 0};
inline constexpr uint32_t HAND_FIELD_MASK[9] = {0, 0x180000, 0x60000, 0x1c000, 0x3800, 0x700, 0xe0, 0x1f, 0};

// Table entries: 2 owners x 17 kinds x 81 squares. Kind = base type 1-8,
// plus 8 when promoted; kinds 0, 11 (promoted gold) and 16 (promoted king)
// are never read but hold keys all the same.
inline constexpr int POSITION_KEY_KINDS = 17;
inline constexpr int POSITION_KEY_TABLE_SIZE = 2 * POSITION_KEY_KINDS * SQUARE_COUNT;
static_assert(POSITION_KEY_TABLE_SIZE == 2754);

constexpr int PositionKeyKind(PieceCode code) { return BaseTypeOf(code) + (IsPromoted(code) ? 8 : 0); }
constexpr int PositionKeyIndex(int owner, int kind, int square) {
  return owner + 2 * (kind + POSITION_KEY_KINDS * square);
}

// Fixed, distinct, never all-zero triples; third words have bits 0-21 clear.
extern const std::array<PositionKey, POSITION_KEY_TABLE_SIZE> g_positionKeyTable;

// Full key of the position, with the hand of handSide packed into word 2.
void ComputePositionKey(const Position& position, int handSide, PositionKey& out);
// Updates the key for a move about to be made or just made (reads only the
// move). Captures and drops move the hand counter the same way each time.
void UpdatePositionKey(PositionKey& key, int handSide, const MoveRecord& move);
// 0 when the boards differ or a's hand lacks something b's hand has, 3 when
// the keys are equal, otherwise 1 (a's hand holds at least b's).
int MatchPositionKeyAtLeast(const PositionKey& a, const PositionKey& b);
// 0 when the boards differ, 3 when the keys are equal, otherwise 1 when a's
// hand dominates, 2 when b's does, 0 when mixed or the hands are equal.
int MatchPositionKey(const PositionKey& a, const PositionKey& b);
