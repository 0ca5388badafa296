// Small engine positions for tests, from a short piece list or an SFEN-style
// text, built the way the engine service builds one: board and piece list,
// hand counts, then the stacks and every recount.
#pragma once

#include <string_view>
#include <vector>

#include "engine/board/position.h"

class PositionBuilder {
 public:
  // A piece of `side` with type `type` (with promotion, e.g. DRAGON) on (file, rank).
  PositionBuilder& Place(int side, int type, int file, int rank);
  // `count` pieces of `baseType` in the side's hand.
  PositionBuilder& Hand(int side, int baseType, int count);
  PositionBuilder& SideToMove(int side);
  // False when a square is taken twice, a side has two kings, or a kind
  // has more pieces than PieceIds. PieceIds go in order of placement (a
  // king of side s is id s); pieces in hand take the remaining ids.
  bool Build(Position& out) const;

 private:
  struct Placed {
    int side, type, file, rank;
  };
  std::vector<Placed> placed_;
  int hand_[2][8] = {};
  int sideToMove_ = 0;
};

// Board ranks 1-9 separated by '/', files 9 to 1 within a rank, upper case
// for side 0, '+' before a promoted piece, digits for empty runs; then 'b'
// (side 0 to move) or 'w', then the hands ("-" or e.g. "2Pg"). Letters:
// K R B G S N L P.
bool PositionFromSfen(std::string_view text, Position& out);
