// Attacking board moves of the king-attack generator: per own piece, the
// moves that capture or attack something worth attacking, written straight
// into the caller's array. Each returns the number of moves written.
#pragma once

#include <cstdint>

#include "engine/board/position.h"
#include "engine/search/move_code_list.h"

// What every attack-move generator receives: `last` the opponent's last
// move (the search's line record of this node), `prev` the own previous
// move, the follow-up key (0 none) and the moves already searched.
struct AttackMoveInputs {
  const Position& position;
  const MoveRecord* last;
  const MoveRecord* prev;
  int depth;
  uint32_t key;
  const MoveCodeList& done;
};

// The own king's captures and steps next to enemy pieces, onto squares the
// enemy does not reach.
int GenerateKingMoveAttacks(const AttackMoveInputs& in, int side, int kingFile, int kingRank, MoveRecord* out);
// Rook or dragon.
int GenerateRookMoveAttacks(const AttackMoveInputs& in, int id, PieceCode code, int file, int rank, MoveRecord* out);
// Bishop or horse.
int GenerateBishopMoveAttacks(const AttackMoveInputs& in, int id, PieceCode code, int file, int rank,
                              MoveRecord* out);
// Gold and every promoted minor piece.
int GenerateGoldMoveAttacks(const AttackMoveInputs& in, int id, PieceCode code, int file, int rank, MoveRecord* out);
// Unpromoted silver, with its promoting twins.
int GenerateSilverMoveAttacks(const AttackMoveInputs& in, int id, PieceCode code, int file, int rank,
                              MoveRecord* out);
// Unpromoted knight.
int GenerateKnightMoveAttacks(const AttackMoveInputs& in, int id, PieceCode code, int file, int rank,
                              MoveRecord* out);
// Unpromoted lance.
int GenerateLanceMoveAttacks(const AttackMoveInputs& in, int id, PieceCode code, int file, int rank,
                             MoveRecord* out);
// Unpromoted pawn: the push, 0 or 1 move.
int GeneratePawnMoveAttacks(const AttackMoveInputs& in, int id, PieceCode code, int file, int rank, MoveRecord* out);
