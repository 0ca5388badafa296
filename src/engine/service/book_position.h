// The opening book's 45-byte position record, written by
// KifuPosition::ToBookPosition and compared byte for byte by the book.
#pragma once

#include <cstdint>

// Forty piece slots in fixed groups (kings 0-1, rooks 2-3, bishops 4-5,
// golds 6-9, silvers 10-13, knights 14-17, lances 18-21, pawns 22-39), each
// ascending within its group: 10 x row + column of the square seen from the
// side to move, 89 - 10 x type for a piece in hand, plus 128 for the side
// not to move, 255 for an unused slot. Then the promoted bits: bit i of
// byte j for slot 8j + i.
struct BookPosition {
  uint8_t slots[40];
  uint8_t promotedBits[5];
};
static_assert(sizeof(BookPosition) == 45, "the book compares 45-byte records");
