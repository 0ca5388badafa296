// Interior nodes make, test and unmake every move. At the last ply, out of
// check, the moves are only counted: a king move the generator writes is
// safe (the enemy does not attack its target directly), a drop cannot
// uncover the king, and another board move is legal unless its piece is
// pinned and leaves the pin line, which is exactly what a make and a look at
// the own king would show; pawn drops in front of the enemy king are still
// played out for the pawn-drop-mate rule.
#include "engine/board/engine_perft.h"

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

// The pin line of each own piece at one node: found once from the few
// enemy sliders that line up with the own king.
class PinLines {
 public:
  PinLines(const Position& position, int side) : king_(position.pieces[side]) {
    for (int8_t& line : line_) line = kFree;
    static constexpr int kSliders[] = {2, 3, 4, 5, 18, 19, 20, 21};
    for (const int id : kSliders) {
      const PieceListEntry& slider = position.pieces[id];
      if (!IsOwnedBy(slider.code, side ^ 1) || !IsOnBoard(slider.file, slider.rank)) continue;
      const int fileDifference = slider.file - king_.file;
      const int rankDifference = slider.rank - king_.rank;
      if (!IsAligned(fileDifference, rankDifference) || !SlidesTowardKing(slider.code, fileDifference, rankDifference)) {
        continue;
      }
      const int df = Sign(fileDifference);
      const int dr = Sign(rankDifference);
      int shield = -1;
      int file = king_.file + df;
      int rank = king_.rank + dr;
      for (; file != slider.file || rank != slider.rank; file += df, rank += dr) {
        if (position.IsEmpty(file, rank)) continue;
        if (shield >= 0 || !IsOwnedBy(position.PieceCodeAt(file, rank), side)) {
          shield = -2;
          break;
        }
        shield = position.PieceIdAt(file, rank);
      }
      if (shield >= 0) {
        line_[shield] = static_cast<int8_t>(LineToward(df, dr));
        any_ = true;
      }
    }
  }

  // Whether any own piece is pinned.
  bool Any() const { return any_; }

  // Whether the board move keeps the own king covered.
  bool KeepsKingCovered(const MoveRecord& move) const {
    const int line = line_[move.pieceId];
    if (line == kFree) return true;
    // A pinned piece may still move along its line, up to the pinning slider.
    const int fileDifference = move.toFile - king_.file;
    const int rankDifference = move.toRank - king_.rank;
    return IsAligned(fileDifference, rankDifference) && LineToward(fileDifference, rankDifference) == line;
  }

 private:
  static constexpr int8_t kFree = -1;

  // Whether the enemy slider's ray runs along the line toward the king
  // (the king is at minus the differences from it).
  static bool SlidesTowardKing(PieceCode code, int fileDifference, int rankDifference) {
    const bool straight = fileDifference == 0 || rankDifference == 0;
    switch (TypeOf(code)) {
      case ROOK:
      case DRAGON:
        return straight;
      case BISHOP:
      case HORSE:
        return !straight;
      case LANCE:
        return fileDifference == 0 && Sign(-rankDifference) == SideSign(OwnerOf(code));
      default:
        return false;
    }
  }

  const PieceListEntry& king_;
  int8_t line_[PIECE_COUNT];
  bool any_ = false;
};

uint64_t CountLegalLeaves(Position& position, const MoveRecord* moves, int count) {
  const int side = position.sideToMove;
  const PinLines pins(position, side);
  uint64_t leaves = 0;
  for (int n = 0; n < count; ++n) {
    const MoveRecord& move = moves[n];
    if (move.IsDrop()) {
      if (IsPawnDropCheck(position, move, side)) {
        MakeMove(position, move, 0);
        const bool legal = HasEvasion(position) != 0;
        UnmakeMove(position, move, 0);
        if (!legal) continue;
      }
      ++leaves;
      continue;
    }
    if (pins.Any() && TypeOf(move.pieceCode) != KING && !pins.KeepsKingCovered(move)) continue;
    leaves += move.promote && HasOmittedTwin(move, side) ? 2 : 1;
  }
  return leaves;
}

uint64_t Perft(Position& position, int depth);

// After the move was made: whether it left the mover's king safe and, for
// a pawn drop in front of the enemy king, gave no mate.
bool WasLegal(const Position& position, const MoveRecord& move, int side) {
  if (IsKingAttacked(position, side)) return false;
  return !IsPawnDropCheck(position, move, side) || HasEvasion(position) != 0;
}

// Makes the move, counts the tree below it when it is legal, unmakes it.
uint64_t PlayAndCount(Position& position, const MoveRecord& move, int depth) {
  const int side = position.sideToMove;
  MakeMove(position, move, 0);
  const uint64_t below = !WasLegal(position, move, side) ? 0 : depth == 1 ? 1 : Perft(position, depth - 1);
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

int GenerateLegalMoves(Position& position, MoveRecord* moves) {
  static MoveRecord candidates[MAX_GENERATED_MOVES];
  int count = 0;
  GenerateAllMoves(position, count, candidates);
  const int side = position.sideToMove;
  int legal = 0;
  const auto keepIfLegal = [&](const MoveRecord& move) {
    MakeMove(position, move, 0);
    const bool keep = WasLegal(position, move, side);
    UnmakeMove(position, move, 0);
    if (keep && legal < MAX_GENERATED_MOVES) moves[legal++] = move;
  };
  for (int n = 0; n < count; ++n) {
    keepIfLegal(candidates[n]);
    if (HasOmittedTwin(candidates[n], side)) {
      MoveRecord twin = candidates[n];
      twin.promote = 0;
      keepIfLegal(twin);
    }
  }
  for (int n = 0; n < legal; ++n) {
    moves[n].previous = n > 0 ? &moves[n - 1] : nullptr;
    moves[n].next = n + 1 < legal ? &moves[n + 1] : nullptr;
  }
  return legal;
}

uint64_t EnginePerft(Position& position, int depth) {
  if (depth <= 0) return 1;
  return Perft(position, depth);
}
