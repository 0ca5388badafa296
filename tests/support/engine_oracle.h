// An independent move oracle for the engine position: legal and pseudo-legal
// moves, copy-apply and attack records worked out from the board, the piece
// list and the hands alone, plus comparisons of positions with readable diffs.
#pragma once

#include <vector>

#include <gtest/gtest.h>

#include "charset.h"
#include "engine/board/position.h"

enum class MoveSet {
  kLegal,
  // Also the moves that leave the own king attacked and pawn-drop mates,
  // which make and unmake must handle as well.
  kPseudoLegal,
  // The pseudo-legal moves that leave the own king unattacked: the legal
  // moves plus pawn-drop mates.
  kKingSafe,
};

// The moves of the side to move: board moves with each allowed promotion
// choice, then drops; moving and captured ids and codes filled in, a drop
// taking the top of its type's in-hand stack.
std::vector<MoveRecord> OracleMoves(const Position& position, MoveSet set = MoveSet::kLegal);
// Whether the side's king stands attacked.
bool OracleInCheck(const Position& position, int side);

// Writes into `after` the position reached by the move, computed without
// MakeMove: board, piece list, hands and stacks follow the move, and every
// derived table is recounted by OracleRecount.
void OracleApplyMove(const Position& before, const MoveRecord& move, Position& after);
// Fills the pawn ranks, tokin lists, hand totals and all 81 attack records
// from the board and the hands, by the oracle's own ray rules.
void OracleRecount(Position& position);

// Success when all attack records are equal; otherwise names the first
// differing square and prints both records.
::testing::AssertionResult SameAttackRecords(const Position& actual, const Position& expected);
// Success when board and piece list point at each other and every in-hand
// stack slot below its type's top holds a piece in hand.
::testing::AssertionResult PiecesConsistent(const Position& position);
// Success when the positions agree field by field except what an unmake may
// leave behind: stack slots above the tops, rank and code of pieces in hand,
// tokin-list slots beyond the count and the order of a tokin list.
::testing::AssertionResult EquivalentPositions(const Position& actual, const Position& expected);
