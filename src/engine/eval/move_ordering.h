// Move-ordering values: a cheap value per candidate move (an exchange value
// on an attacked square, else the positional gain from the piece-square and
// king-relative tables of the think) and the stable descending sort of a
// candidate list by it.
#pragma once

#include "engine/board/position.h"
#include "engine/search/candidate_move_node.h"

// Writes the ordering value of every node of the list; the side is the
// side to move of the position, which is the position before the moves.
void ScoreCandidateMoves(const Position& position, CandidateMoveNode* first);
// Positional gain of one board move of `side` with a piece of type (code
// without owner bits), capturing capturedCode (0 for none): the king-relative
// worth at the destination less that at the origin, plus the captured piece's
// worth and its value in the capturer's hand.
int MovePositionalGain(const Position& position, int side, int type, PieceCode capturedCode, int fromFile, int fromRank,
                       int toFile, int toRank, int promote);
// Sorts the list by value, descending; equal values keep their list order.
// Relinks next and prev and returns the new first node (null for an empty list).
CandidateMoveNode* SortMoveListByValue(CandidateMoveNode* first);
