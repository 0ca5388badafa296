// Interior nodes make, test and unmake every move. At the last ply the moves
// are only counted, so legality comes from the attack records there: a
// board move is legal unless its piece is pinned and leaves the pin line,
// which is exactly what a make and a look at the own king would show.
#include "cli/engine_perft.h"

#include "engine/board/king_safety.h"
#include "engine/board/make_move.h"
#include "engine/board/move_gen_helpers.h"
#include "engine/board/move_generators.h"

using namespace movegen;

namespace {

// The generator writes only the promoting move of a pawn, rook or bishop
// that may promote; the non-promoting one is legal unless it is a dead end
// and is legal exactly when its twin is.
bool HasOmittedTwin(const MoveRecord& move, int side) {
  if (!move.promote || move.IsDrop()) return false;
  const int base = BaseTypeOf(move.pieceCode);
  if (base != PAWN && base != ROOK && base != BISHOP) return false;
  return !IsDeadEndMove(move.pieceCode, side, move.toRank);
}

// A pawn drop right in front of the enemy king.
bool IsPawnDropCheck(const Position& position, const MoveRecord& move, int side) {
  if (!move.IsDrop() || BaseTypeOf(move.pieceCode) != PAWN) return false;
  const PieceListEntry& enemyKing = position.pieces[side ^ 1];
  return enemyKing.file == move.toFile && enemyKing.rank == move.toRank + SideSign(side);
}

// Pin line of each own piece at one node, found on first use.
class PinCache {
 public:
  PinCache(const Position& position, int side) : position_(position), side_(side) {
    for (int8_t& state : state_) state = kUnknown;
  }

  // Whether the board move keeps the own king covered.
  bool KeepsKingCovered(const MoveRecord& move) {
    const PieceListEntry& king = position_.pieces[side_];
    int8_t& state = state_[move.pieceId];
    if (state == kUnknown && !IsAligned(move.fromFile - king.file, move.fromRank - king.rank)) state = kFree;
    if (state == kUnknown) {
      int rankStep = 0;
      const int fileStep = LineAttackTest(position_, side_ ^ 1, king.file, king.rank, move.fromFile, move.fromRank,
                                          move.pieceId, &rankStep);
      state = fileStep == NOT_PINNED ? kFree : static_cast<int8_t>(LineToward(fileStep, rankStep));
    }
    if (state == kFree) return true;
    // A pinned piece may still move along its line, up to the pinning slider.
    const int fileDifference = move.toFile - king.file;
    const int rankDifference = move.toRank - king.rank;
    return IsAligned(fileDifference, rankDifference) && LineToward(fileDifference, rankDifference) == state;
  }

 private:
  static constexpr int8_t kUnknown = -2;
  static constexpr int8_t kFree = -1;
  const Position& position_;
  const int side_;
  int8_t state_[PIECE_COUNT];
};

uint64_t CountLegalLeaves(Position& position, const MoveRecord* moves, int count) {
  const int side = position.sideToMove;
  PinCache pins(position, side);
  uint64_t leaves = 0;
  for (int n = 0; n < count; ++n) {
    const MoveRecord& move = moves[n];
    bool legal = true;
    if (move.IsDrop()) {
      if (IsPawnDropCheck(position, move, side)) {
        MakeMove(position, move, 0);
        legal = HasEvasion(position) != 0;
        UnmakeMove(position, move, 0);
      }
    } else if (TypeOf(move.pieceCode) != KING) {
      legal = pins.KeepsKingCovered(move);
    }
    if (legal) leaves += HasOmittedTwin(move, side) ? 2 : 1;
  }
  return leaves;
}

uint64_t Perft(Position& position, int depth);

// Makes the move, counts the tree below it when it is legal, unmakes it.
uint64_t PlayAndCount(Position& position, const MoveRecord& move, int depth) {
  const int side = position.sideToMove;
  MakeMove(position, move, 0);
  bool legal = !IsKingAttacked(position, side);
  if (legal && IsPawnDropCheck(position, move, side)) legal = HasEvasion(position) != 0;
  const uint64_t below = !legal ? 0 : depth == 1 ? 1 : Perft(position, depth - 1);
  UnmakeMove(position, move, 0);
  return below;
}

uint64_t Perft(Position& position, int depth) {
  MoveRecord moves[MAX_GENERATED_MOVES];
  int count = 0;
  GenerateAllMoves(position, count, moves);
  const int side = position.sideToMove;
  // Out of check, own-king safety at the last ply needs no make; in check a
  // drop may fail to cover the king, so every move is played.
  if (depth == 1 && !IsKingAttacked(position, side)) return CountLegalLeaves(position, moves, count);
  uint64_t total = 0;
  for (int n = 0; n < count; ++n) {
    total += PlayAndCount(position, moves[n], depth);
    if (HasOmittedTwin(moves[n], side)) {
      MoveRecord twin = moves[n];
      twin.promote = 0;
      total += PlayAndCount(position, twin, depth);
    }
  }
  return total;
}

}  // namespace

uint64_t EnginePerft(Position& position, int depth) {
  if (depth <= 0) return 1;
  return Perft(position, depth);
}
