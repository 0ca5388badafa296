// Helpers shared by the move generators and the move tests: the step and
// line tables in the orders the generators walk them, the king-neighbour
// orders, attacker enumeration over the attack records, the promotion rule
// and the one way a generator writes a move record.
#pragma once

#include <bit>
#include <cstdint>

#include "board_geometry.h"
#include "engine/board/position.h"

namespace movegen {

// A (file, rank) step. In the side-relative tables the rank step counts
// forward for the mover and is multiplied by SideSign(side) before use.
struct Step {
  int8_t df, dr;
};

// Absolute lines, in the order the move tests number them: rook lines 0-3,
// bishop lines 4-7.
inline constexpr Step kLineDirections[8] = {{-1, 0}, {0, 1}, {1, 0}, {0, -1}, {-1, 1}, {1, 1}, {1, -1}, {-1, -1}};
inline constexpr int kFirstRookLine = 0;
inline constexpr int kFirstBishopLine = 4;

// Number of the line from one square toward another, by the signs of the
// file and rank differences; -1 when both are 0. Lines not on a rook or
// bishop line still get the number of the sign pair, so callers that need
// alignment test it themselves (IsAligned).
inline constexpr int8_t kLineFromSigns[9] = {7, 0, 4, 3, -1, 1, 6, 2, 5};
constexpr int Sign(int value) { return (value > 0) - (value < 0); }
constexpr int LineToward(int fileDifference, int rankDifference) {
  return kLineFromSigns[3 * Sign(fileDifference) + Sign(rankDifference) + 4];
}
// On one file, one rank or one diagonal, and not the same square.
constexpr bool IsAligned(int fileDifference, int rankDifference) {
  if (fileDifference == 0 && rankDifference == 0) return false;
  return fileDifference == 0 || rankDifference == 0 || fileDifference == rankDifference ||
         fileDifference == -rankDifference;
}
// The opposite line of a line number.
constexpr int OppositeLine(int line) { return line ^ 2; }

// Side-relative steps (rank step forward for the mover).
inline constexpr Step kGoldSteps[6] = {{0, 1}, {1, 1}, {1, 0}, {0, -1}, {-1, 0}, {-1, 1}};
inline constexpr Step kSilverSteps[5] = {{0, 1}, {1, 1}, {1, -1}, {-1, -1}, {-1, 1}};
// The king's steps, and the king neighbourhood of the mate tests, in the
// attacker's frame: neighbour 0 is the square beyond the king.
inline constexpr Step kKingSteps[8] = {{0, 1}, {1, 1}, {1, 0}, {1, -1}, {0, -1}, {-1, -1}, {-1, 0}, {-1, 1}};
// Absolute offsets of the king's flight squares in the order the check
// evasions try them.
inline constexpr Step kEvasionKingSteps[8] = {{0, -1}, {1, -1}, {-1, -1}, {1, 0}, {-1, 0}, {1, 1}, {-1, 1}, {0, 1}};

// ---------------------------------------------------------------------------
// Attacker sets

// A side's direct attackers of a square as one 64-bit set of PieceIds.
inline uint64_t DirectAttackers(const SquareAttackRecord& record, int side) {
  return static_cast<uint64_t>(record.directSet[side].high) << 32 | record.directSet[side].low;
}
inline uint64_t DirectAttackers(const Position& position, int side, int file, int rank) {
  return DirectAttackers(*position.SquareRecord(file, rank), side);
}

// Highest set bit of a 64-bit set given high word first: 32 + bit of the
// high word, else the bit of the low word; -1 for an empty set.
inline int HighestBit64(uint32_t high, uint32_t low) {
  if (high != 0) return 32 + std::bit_width(high) - 1;
  return std::bit_width(low) - 1;
}
// Takes the highest PieceId out of a non-empty set.
inline int PopHighest(uint64_t& set) {
  const int id = static_cast<int>(std::bit_width(set)) - 1;
  set &= ~(uint64_t{1} << id);
  return id;
}

// The (n+1)-th direct attacker of the side in descending PieceId order;
// -1 when there are not that many, so no caller indexes with a stale id.
inline int NthAttacker(const Position& position, int side, int file, int rank, int n) {
  uint64_t set = DirectAttackers(position, side, file, rank);
  for (int taken = 0; set != 0; ++taken) {
    const int id = PopHighest(set);
    if (taken == n) return id;
  }
  return -1;
}
// The same over the side's second-line attackers.
inline int NthXrayAttacker(const Position& position, int side, int file, int rank, int n) {
  uint64_t set = position.XraySet(side, file, rank);
  for (int taken = 0; set != 0; ++taken) {
    const int id = PopHighest(set);
    if (taken == n) return id;
  }
  return -1;
}

// ---------------------------------------------------------------------------
// Squares and promotion

// The piece code on a cell of the board or the wall ring.
inline PieceCode CodeAt(const Position& position, int file, int rank) { return position.PieceCodeAt(file, rank); }
inline bool IsWallCell(const Position& position, int file, int rank) {
  return position.board[file][rank] >= FIRST_WALL_ID;
}
// A piece of the side; walls and empty squares never are.
inline bool IsOwnPiece(const Position& position, int side, int file, int rank) {
  return IsOwnedBy(CodeAt(position, file, rank), side);
}
// A cell a piece of the side may not enter: an own piece or the wall.
inline bool IsBlockedFor(const Position& position, int side, int file, int rank) {
  const PieceCode code = CodeAt(position, file, rank);
  return IsOwnedBy(code, side) || code == WALL_CODE;
}

// An unpromoted piece other than a gold or king that starts or ends in the
// mover's promotion zone (a drop starts on rank 0, outside every zone).
inline bool MayPromote(PieceCode code, int side, int fromRank, int toRank) {
  if (IsPromoted(code)) return false;
  const int base = BaseTypeOf(code);
  if (base == GOLD || base == KING) return false;
  return IsPromotionZone(side, fromRank) || IsPromotionZone(side, toRank);
}
// An unpromoted pawn or lance on the last rank, or knight on the last two,
// could never move again, so the unpromoted move there does not exist.
inline bool IsDeadEndMove(PieceCode code, int side, int toRank) {
  if (IsPromoted(code)) return false;
  const int base = BaseTypeOf(code);
  if (base == PAWN || base == LANCE) return IsDeadEndRank(side, toRank, 1);
  if (base == KNIGHT) return IsDeadEndRank(side, toRank, 2);
  return false;
}

// A side's attack total on a cell: direct plus second-line attackers; 0 on
// the wall ring and beyond, whose records are never read.
inline int AttackTotal(const Position& position, int side, int file, int rank) {
  return IsOnBoard(file, rank) ? position.AttackCountWithXray(side, file, rank) : 0;
}
// Whether the side holds an unpromoted pawn on the file (1-9).
inline bool HasPawnOnFile(const Position& position, int side, int file) {
  return position.PawnRankOnFile(side, file) != 0;
}

// Whether the piece of `last` could step straight back to where it came
// from: a gold or promoted minor piece along a file or rank, a silver that
// changed file, a rook, bishop, king, dragon or horse.
inline bool LastMoverCanStepBack(const MoveRecord& last) {
  const bool straight = last.fromFile == last.toFile || last.fromRank == last.toRank;
  switch (TypeOf(last.pieceCode)) {
    case GOLD:
    case PRO_SILVER:
    case PRO_KNIGHT:
    case PRO_LANCE:
    case TOKIN:
      return straight;
    case SILVER:
      return last.fromFile != last.toFile;
    case ROOK:
    case BISHOP:
    case KING:
    case DRAGON:
    case HORSE:
      return true;
    default:
      return false;
  }
}

// ---------------------------------------------------------------------------
// Writing moves

inline void WriteBoardMove(MoveRecord& out, int fromFile, int fromRank, int toFile, int toRank, int id, PieceCode code,
                           int capturedId, PieceCode capturedCode, int promote) {
  out.fromFile = static_cast<int8_t>(fromFile);
  out.fromRank = static_cast<int8_t>(fromRank);
  out.toFile = static_cast<int8_t>(toFile);
  out.toRank = static_cast<int8_t>(toRank);
  out.pieceId = static_cast<PieceId>(id);
  out.capturedId = static_cast<PieceId>(capturedId);
  out.pieceCode = code;
  out.capturedCode = capturedCode;  // the empty square's piece entry has code 0
  out.promote = static_cast<uint8_t>(promote);
}
// The move of the piece on (fromFile, fromRank) to (toFile, toRank),
// capturing whatever stands there.
inline void WritePieceMove(const Position& position, MoveRecord& out, int fromFile, int fromRank, int toFile,
                           int toRank, int promote) {
  const int id = position.board[fromFile][fromRank];
  const int captured = position.board[toFile][toRank];
  WriteBoardMove(out, fromFile, fromRank, toFile, toRank, id, position.pieces[id].code, captured,
                 position.pieces[captured].code, promote);
}
// A drop of the top of the side's in-hand stack of the base type (the
// caller knows the side holds one); from file and from rank 0.
inline void WriteDrop(const Position& position, MoveRecord& out, int side, int baseType, int toFile, int toRank) {
  WriteBoardMove(out, 0, 0, toFile, toRank, position.HandStackTop(side, baseType),
                 static_cast<PieceCode>(OwnerBit(side) | baseType), EMPTY_PIECE_ID, 0, 0);
}

// Whether a drop of the base type by the side on the empty square breaks
// no drop rule: no second unpromoted pawn on a file, no pawn or lance on
// the last rank, no knight on the last two. The pawn-drop mate is not
// looked at.
inline bool IsDropAllowed(const Position& position, int side, int baseType, int file, int rank) {
  switch (baseType) {
    case PAWN:
      return position.PawnRankOnFile(side, file) == 0 && !IsDeadEndRank(side, rank, 1);
    case LANCE:
      return !IsDeadEndRank(side, rank, 1);
    case KNIGHT:
      return !IsDeadEndRank(side, rank, 2);
    default:
      return true;
  }
}

}  // namespace movegen
