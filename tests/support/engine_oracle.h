// An independent legal-move oracle for the engine position: move generation,
// copy-apply, attack records and perft worked out from the board, the piece
// list and the hands alone, plus comparisons of positions with readable diffs.
#pragma once

#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "charset.h"
#include "engine/board/position.h"

// Every legal move of the side to move: board moves with each allowed
// promotion choice, then drops; moving and captured ids and codes filled in.
std::vector<MoveRecord> OracleLegalMoves(const Position& position);
// Whether a piece of bySide attacks (file, rank), read from the board.
bool OracleIsSquareAttacked(const Position& position, int file, int rank, int bySide);
// Whether the side's king stands attacked.
bool OracleInCheck(const Position& position, int side);

// Writes into `after` the position reached by the move, computed without
// MakeMove: every table, attack records included, follows from the move.
void OracleApplyMove(const Position& before, const MoveRecord& move, Position& after);
// Fills all 81 attack records from the board by the ray rules, independently
// of the engine's own recount.
void OracleComputeAttacks(Position& position);
// Number of move sequences of the given length (leaf nodes), by copy-apply.
uint64_t OraclePerft(const Position& position, int depth);

// Success when all attack records are equal; otherwise names the first
// differing square and prints both records.
::testing::AssertionResult SameAttackRecords(const Position& actual, const Position& expected);
// Success when the positions agree field by field except what an unmake may
// leave behind: stack slots above the tops, rank and code of pieces in hand,
// tokin-list slots beyond the count and the order of a tokin list.
::testing::AssertionResult EquivalentPositions(const Position& actual, const Position& expected);
