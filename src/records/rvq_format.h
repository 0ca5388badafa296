// The RVQ text format's tokenizer. The writers and the reader are
// Kifu::WriteRvq, Kifu::WriteRvqPosition, KifuPosition::WriteRvqBlock and
// Kifu::ReadRvq (rvq_format.cpp).
#pragma once

#include "charset.h"
#include "records/record_stream.h"

// Tokens of NextRvqToken besides the piece words (their KifuPieceCode,
// 0-31) and the numbers (RVQ_NUMBER + value).
inline constexpr int RVQ_END = -1;
inline constexpr int RVQ_TEBAN = 0x100;
inline constexpr int RVQ_TEBAN_END = 0x101;
inline constexpr int RVQ_HAND_FIRST = 0x102;
inline constexpr int RVQ_HAND_FIRST_END = 0x103;
inline constexpr int RVQ_HAND_SECOND = 0x104;
inline constexpr int RVQ_HAND_SECOND_END = 0x105;
inline constexpr int RVQ_BOARD = 0x106;
inline constexpr int RVQ_BOARD_END = 0x107;
inline constexpr int RVQ_SENTE = 0x108;
inline constexpr int RVQ_GOTE = 0x109;
inline constexpr int RVQ_NUMBER = 266;
// Numbers above this read as this value: no count of the format comes near
// it, and the token stays far from overflowing.
inline constexpr int RVQ_NUMBER_CAP = 99999;

// The next token of an RVQ text: a tag, "sente"/"gote", a piece word, a
// number, or RVQ_END at the end of input. "#" lines, "[...]" and "$...$"
// are skipped, as are unknown words; a double-byte character is stepped
// over whole wherever it stands.
int NextRvqToken(InStream& in);
