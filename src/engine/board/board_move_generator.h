// The node search's staged board moves (pattern drops, then every board move
// of the side to move, without duplicates) and the pieces shared by the
// node generators: the bounded move writer, the 8-bit move hash, move
// identity and the stamped duplicate removal.
#pragma once

#include <cstdint>

#include "engine/board/move_generators.h"
#include "engine/board/position.h"

// Writes moves into the caller's array and never past its capacity: a move
// that does not fit is dropped, so an undersized array loses moves instead
// of memory.
struct MoveSink {
  MoveRecord* out;
  int count;
  int capacity;

  bool Full() const { return count >= capacity; }
  // Room left from out + count on.
  int Room() const { return capacity - count; }
  MoveRecord* Next() { return Full() ? nullptr : &out[count++]; }
  void BoardMove(const Position& position, int fromFile, int fromRank, int toFile, int toRank, int promote);
  void Drop(const Position& position, int side, int baseType, int toFile, int toRank);
  // Appends a move written elsewhere, its list links left as they are here.
  void Copy(const MoveRecord& move);
};

// The generators that remove duplicates build their list here first, so
// that nothing past the returned count of the caller's array is written.
struct ScratchMoves {
  MoveRecord moves[MAX_GENERATED_MOVES];
  static int Room(int capacity) { return capacity < MAX_GENERATED_MOVES ? capacity : MAX_GENERATED_MOVES; }
  // Copies the first `count` moves to out and returns count.
  int CopyTo(MoveRecord* out, int count) const;
};

// The 8-bit hash that spreads moves over the duplicate table's slots: 0 for
// the null move, else the low byte of a sum over squares and codes.
int MoveHash(const MoveRecord& move);
// The same move for duplicate removal: both null; drops of one code to one
// square; board moves agreeing in squares, promotion, moving and captured code.
bool IsSameMove(const MoveRecord& a, const MoveRecord& b);
// Removes later duplicates in one pass, closing up (order kept); a 256-slot
// stamp table spreads the moves and a hit is confirmed by comparison.
// Returns the new count.
int RemoveDuplicateMoves(MoveRecord* moves, int count, uint32_t stamp);

// Stamp offsets of the duplicate tables over the node counter.
inline constexpr uint32_t BOARD_MOVE_STAMP_OFFSET = 199941;

// Pattern drops and every board move of the side to move (no quiet
// non-promoting lance move, no unpromoted twin of a pawn, rook or bishop
// move that may promote, no king move onto an attacked square), filtered by
// IsForcingMove while g_forcingMoveFilter is set, without duplicates.
// `line` is the record of this ply (line[-1] the side's own last move).
int GenerateBoardMoves(const Position& position, const MoveRecord* line, int ply, int remainingDepth,
                       MoveRecord* out, int capacity = MAX_GENERATED_MOVES);
