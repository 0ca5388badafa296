// The plain move generators: every pseudo-legal move of the side to move
// (drops first, then board moves piece by piece) linked into a list, the
// moves of the piece on one square, and the list helpers of the root and
// the search (unlink, validity of a stored move, useless lance moves,
// removal of moves that leave the own king attacked).
#pragma once

#include "engine/board/position.h"

// Room for every move GenerateAllMoves can write in any position: the side's
// board moves are at most 348 (every piece at its most mobile: two kings,
// two dragons, two horses, lances with both promotion choices, silvers,
// knights, golds and tokins) and its drops at most 7 types x 79 squares.
inline constexpr int MAX_GENERATED_MOVES = 1024;

// Writes every pseudo-legal move of the side to move from array[0] on and
// links them in array order; returns the head (the array) or null with
// count 0. No non-promoting twin of a pawn, rook or bishop move that may
// promote; no king move onto a square the enemy attacks directly; no test
// of a pawn-drop mate.
MoveRecord* GenerateAllMoves(const Position& position, int& count, MoveRecord* array);
// The board moves of the piece on the square when it belongs to the side
// to move, by the rules of GenerateAllMoves except that king moves ignore
// the enemy's attacks; returns the number written, no links.
int GenerateMovesFromSquare(const Position& position, int file, int rank, MoveRecord* array);
// Takes the node out of its list and returns the new head; the node's own
// links stay as they were. A null node returns the head.
MoveRecord* UnlinkMove(MoveRecord* node, MoveRecord* head);
// 1 when the stored move (board move, drop or null move) can be played now
// by the side to move, else 0.
int IsMoveValid(const Position& position, const MoveRecord& move);
// 1 when the lance move or lance drop is one the search does not need
// (judged by the active piece-square table), else 0.
int IsUselessLanceMove(const Position& position, const MoveRecord& move, int level);
// Unlinks, in list order, the useless lance moves (unless level is -1) and
// the moves after which the enemy attacks the mover's king; lowers count
// per removal and returns the new head. Makes and unmakes on the position.
MoveRecord* RemoveIllegalMoves(Position& position, MoveRecord* head, int& count, int level);
