// Questions about a king that the generators and the mate code share:
// whether a piece shields its king from an enemy slider (a pin), whether
// the side to move stands in check, and whether it has any legal reply.
#pragma once

#include "engine/board/position.h"

// Result of LineAttackTest for a piece that shields nothing.
inline constexpr int NOT_PINNED = -100;

// For the piece (id) on (pieceFile, pieceRank) of the king on (kingFile,
// kingRank): NOT_PINNED unless the squares between them are empty and a
// slider of enemySide attacks the piece's square along that line from
// beyond it; otherwise the file step of the line from the king through the
// piece, with its rank step written to *rankStep.
int LineAttackTest(const Position& position, int enemySide, int kingFile, int kingRank, int pieceFile, int pieceRank,
                   int id, int* rankStep);
// Whether the side's king stands on the board and is attacked directly.
bool IsKingAttacked(const Position& position, int side);
// 0 when the side to move is in check and has no legal reply (mate),
// non-zero otherwise (also when it is not in check). Exact: it counts
// interposing drops on every square of the line and refuses a pawn drop
// that would mate, which it plays out on a scratch copy.
int HasEvasion(const Position& position);
