// Qualifier flags of the Japanese move notation: the relative words that
// KifuPosition::MoveNotation chooses and KifuMove::FormatText writes, in
// the order they are written (lowest bit first).
#pragma once

#include "charset.h"
#include "records/kifu_piece.h"
#include "records/kifu_position.h"
#include "records/sjis_string.h"

inline constexpr int QUALIFIER_RIGHT = 0x1;      // 右: the piece on the mover's right
inline constexpr int QUALIFIER_LEFT = 0x2;       // 左: the piece on the mover's left
inline constexpr int QUALIFIER_MIDDLE = 0x4;     // 中: the middle piece (never chosen, only written)
inline constexpr int QUALIFIER_SIDEWAYS = 0x8;   // 寄: moving sideways
inline constexpr int QUALIFIER_UP = 0x10;        // 上: moving forward
inline constexpr int QUALIFIER_BACK = 0x20;      // 引: moving back
inline constexpr int QUALIFIER_STRAIGHT = 0x40;  // 直: moving straight forward
inline constexpr int QUALIFIER_FORWARD = 0x80;   // 行: moving forward, other word (never chosen)
inline constexpr int QUALIFIER_DROP = 0x100;     // 打: a drop where a board move reaches the square too
