// Engine positions built from a short list of pieces, for rule cases that the
// set-up positions never reach. Independent of the engine's set-up code.
#pragma once

#include <string>
#include <vector>

#include "charset.h"
#include "engine/board/position.h"

struct PlacedPiece {
  int side;
  int type;  // with promotion: 1-8, 17, 18, 20-23
  int file;
  int rank;
};

struct HandPieces {
  int side;
  int type;  // base type 1-7
  int count;
};

// The position with these pieces on the board and in the hands and the side
// to move; PieceIds are taken in ascending order within each kind (a king
// takes its side's id), the unused ones are out of play; pawn files, tokin
// lists, hand totals and attack records are filled in by OracleRecount.
Position BuildPosition(int sideToMove, const std::vector<PlacedPiece>& onBoard,
                       const std::vector<HandPieces>& inHand = {});

// The position of a one-line diagram: ranks 1 to 9 separated by '/', each
// from file 9 to file 1 (a digit skips that many empty squares, '+' marks a
// promoted piece, PLNSGBRK upper case for side 0, lower case for side 1),
// then "b" or "w" for side 0 or 1 to move, then the hands ("-", or letters
// each after an optional count); a trailing move number is ignored.
// PieceIds are taken as BuildPosition takes them, in reading order.
// Malformed text fails the calling test.
Position PositionFromDiagram(const std::string& diagram);

// The engine's own set-up of a handicap start (HANDICAP_EVEN: the even game).
Position StartPosition(int handicap = HANDICAP_EVEN);

// The position turned by 180 degrees with the colours and the side to move
// swapped: every piece of side s on (f, r) stands for side 1 - s on
// (10 - f, 10 - r), and the hands change owners. PieceIds are taken afresh.
Position TurnedPosition(const Position& position);

// The move of the piece on (fromFile, fromRank) to (toFile, toRank), taking
// what stands there; fromFile 0 asks for the side to move's drop of base
// type fromRank, the top of its in-hand stack.
MoveRecord MoveOn(const Position& position, int fromFile, int fromRank, int toFile, int toRank, int promote = 0);
