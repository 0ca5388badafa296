// The drop proposers of the king-attack generator: given a target square,
// find the empty squares from which a dropped piece of one type attacks it,
// filter them and propose the survivors to g_attackMoveStamps. Also the
// terms they share with the attacking board moves: capture loss test,
// back-move rules, second targets and the x-ray attacker order.
#pragma once

#include <cstdint>

#include "engine/board/position.h"

// ---------------------------------------------------------------------------
// Shared terms (s the side to move, o the enemy)

// The side's attackers of the square in descending PieceId order, direct
// ones first, then second-line ones; -1 when there are not n + 1.
int NthAttackerWithXray(const Position& position, int side, int file, int rank, int n);
// Whether a piece of `code` on q survives the enemy's first capture: true
// when o does not attack q directly or its exchange value is within the limit.
bool PassesCaptureLossTest(const Position& position, int file, int rank, PieceCode code, int limit);
// Back-move rule 1: a board move from (fromFile, fromRank) to (toFile,
// toRank) that returns the square the opponent's last move left, after the
// own previous move dropped this piece there.
bool IsBackMoveRule1(const MoveRecord* last, const MoveRecord* prev, int fromFile, int fromRank, int toFile,
                     int toRank);
// Back-move rule 2: a drop on the square the piece that took the own
// dropped piece came from.
bool IsBackDropRule2(const MoveRecord* last, const MoveRecord* prev, int file, int rank);
// Back-move rule 3: a drop on the square the own previous move left, by a
// piece that moved at least like the dropped type (movement bits).
bool IsBackDropRule3(const MoveRecord* last, const MoveRecord* prev, int file, int rank, uint32_t bits);
// Rules 2 and 3 together.
bool IsBackDrop(const MoveRecord* last, const MoveRecord* prev, int file, int rank, uint32_t bits);
// Whether the first piece from the square along line `direction` (0-7, the
// move tests' numbering) is a second target worth a fork; relax eases the
// defence count by 1.
bool HasSecondTargetBeyond(const Position& position, int side, int file, int rank, int direction, int relax);
// Whether an enemy bishop (of side b) attacked from line `dropDirection`
// (4-7) can step aside, or, as a horse, step orthogonally.
bool BishopHasEscape(const Position& position, int b, int promoted, int file, int rank, int dropDirection);
// Whether a rook dropped on (dropFile, dropRank) leaves the enemy bishop on
// (file, rank) no square to flee to.
bool IsBishopTrappedByRookDrop(const Position& position, int side, int file, int rank, PieceCode bishopCode,
                               int dropFile, int dropRank);

// ---------------------------------------------------------------------------
// Drop proposers: (position, depth, target square, the opponent's last
// move, the own previous move, ...). Each proposes only a type the side
// holds, with the top of its in-hand stack.

// A pawn behind the target (the caller keeps the two-pawn rule).
void ProposePawnDrops(const Position& p, int depth, int file, int rank, const MoveRecord* last,
                      const MoveRecord* prev, int tag);
// Pawns two files or ranks off a target deep in the enemy camp (tag 7).
void ProposePawnDropsNear(const Position& p, int depth, int file, int rank, const MoveRecord* last,
                          const MoveRecord* prev);
// A lance as far back on the target's file as the line stays safe.
void ProposeLanceDrops(const Position& p, int depth, int file, int rank, const MoveRecord* last,
                       const MoveRecord* prev, int tag);
// The same from two squares behind the target on.
void ProposeLanceDropsOnPawn(const Position& p, int depth, int file, int rank, const MoveRecord* last,
                             const MoveRecord* prev, int tag);
// The two knight squares that jump onto the target.
void ProposeKnightDrops(const Position& p, int depth, int file, int rank, const MoveRecord* last,
                        const MoveRecord* prev, bool weak, int tag);
// Silver squares around the target (option 1: the two in front of it, whose back diagonals reach it).
void ProposeSilverDrops(const Position& p, int depth, int file, int rank, const MoveRecord* last,
                        const MoveRecord* prev, bool weak, int option, int tag);
// Gold squares around the target.
void ProposeGoldDrops(const Position& p, int depth, int file, int rank, const MoveRecord* last,
                      const MoveRecord* prev, bool weak, int tag);
// Bishops on the target's diagonals, checking the king (tag 4).
void ProposeBishopDropChecks(const Position& p, int depth, int file, int rank, const MoveRecord* last,
                             const MoveRecord* prev);
// Bishops on the target's diagonals with the caller's tag.
void ProposeBishopDropsAt(const Position& p, int depth, int file, int rank, const MoveRecord* last,
                          const MoveRecord* prev, int tag);
// Bishops on an enemy rook's diagonals; a fork counts twice at once.
void ProposeBishopDropsOnRook(const Position& p, int depth, int file, int rank, const MoveRecord* last,
                              const MoveRecord* prev);
// Bishops against an unpromoted enemy bishop outside the camp it attacks.
void ProposeBishopDropsOnBishop(const Position& p, int depth, int file, int rank, PieceCode bishopCode);
// Rooks on the target's rank, then its file.
void ProposeRookDrops(const Position& p, int depth, int file, int rank, const MoveRecord* last,
                      const MoveRecord* prev, int tag);
// Rooks on a camp target's rank toward file 1 and behind it in the camp.
void ProposeRookDropLines(const Position& p, int depth, int file, int rank, const MoveRecord* last,
                          const MoveRecord* prev, int tag);
// Rooks that attack an enemy bishop and may leave it no escape.
void ProposeBishopTrapRookDrops(const Position& p, int depth, int file, int rank, int bishopId,
                                PieceCode bishopCode, const MoveRecord* last, const MoveRecord* prev, int tag);
// A bishop on the camp square itself (tag as given).
void ProposeBishopDropInCamp(const Position& p, const MoveRecord* last, const MoveRecord* prev, int depth, int file,
                             int rank, int tag);
// A rook on the camp square itself.
void ProposeRookDropInCamp(const Position& p, const MoveRecord* last, const MoveRecord* prev, int depth, int file,
                           int rank, int tag);
// Rooks behind an own lance or pawn on (file, rank).
void ProposeRookDropBehind(const Position& p, int side, int depth, int file, int rank, const MoveRecord* last,
                           const MoveRecord* prev);
