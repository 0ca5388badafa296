// The fixed table of 64-bit Zobrist keys with which the game-record side and
// the opening book key their positions.
#pragma once

#include <cstdint>

struct HashKey {
  uint32_t first;   // XORed into the first word of a key
  uint32_t second;  // XORed into the second word

  friend constexpr bool operator==(const HashKey&, const HashKey&) = default;
};

inline constexpr int HASH_KEY_TABLE_SIZE = 2344;
// Board keys: index 81 * kind + square for 28 kinds (0-13 the side to move's
// rook, bishop, gold, silver, knight, lance, pawn, king, dragon, horse,
// promoted silver, knight, lance, tokin; 14-27 the other side's).
inline constexpr int HASH_BOARD_KEYS = 81 * 28;
// Hand keys, one per (type, count), for the side to move and then the other.
inline constexpr int HASH_HAND_KEYS_TO_MOVE = 2268;
inline constexpr int HASH_HAND_KEYS_OTHER = 2306;

extern HashKey g_hashKeyTable[HASH_KEY_TABLE_SIZE];

// Fills g_hashKeyTable; runs once at start-up (a static initialiser calls
// it), and again harmlessly.
void InitHashKeyTable();
