// Opening knowledge about root moves: a small signed category of a move
// under the mover's strategy, and how far a side's pieces stand from their
// initial squares. Squares in the rules are seen from the side judged.
#pragma once

#include "engine/board/position.h"
#include "engine/eval/senkei.h"

// Category of a move of the side to move under its strategy id; 0 when no rule matches.
int ClassifyRootMove(const Position& position, const MoveRecord& move, SenkeiId id);
// 1 for the side's squares 7九, 6八 and 5七 (the bishop's home diagonal), else 0.
int IsHomeDiagonalSquare(int side, int file, int rank);
// Sum of the side's pieces' distances from their initial squares; with flag
// 0 rooks, knights and pieces in hand count too.
int FormationDistance(const Position& position, int side, int flag);
