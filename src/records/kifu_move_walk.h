// The walk over the pseudo-legal moves of a record position in the fixed
// generation order, with the filters of GenerateMoves. The generator, the
// validity and legality tests stop it early through the visitor.
#pragma once

#include "records/kifu_movement.h"
#include "records/kifu_position.h"

namespace kifu_walk {

// A filter of -1 (or 255, the byte form) lets every value through.
constexpr bool IsAnyFilter(int value) { return value == -1 || value == 255; }
// Whether value passes the filter.
constexpr bool Matches(int filter, int value) { return IsAnyFilter(filter) || filter == value; }

// Whether side has an unpromoted pawn anywhere on the file.
inline bool HasUnpromotedPawnOnFile(const KifuPosition& position, int side, int file) {
  const KifuPieceCode pawn = KIFU_PAWN | (side << 4);
  for (int rank = 1; rank <= 9; ++rank) {
    if (position.board[KifuPosition::SquareIndex(file, rank)] == pawn) return true;
  }
  return false;
}

// A destination a piece of side may move to: empty or the other side's piece.
inline bool IsTarget(KifuPieceCode code, int side) { return code.IsEmpty() || (code.IsPiece() && code.Side() != side); }

// The captured byte of a move onto the square: its piece, or 0 for any empty
// code, so that taking the move back leaves a plain empty square.
inline KifuPieceCode CapturedOn(KifuPieceCode target) { return target.IsPiece() ? target : KifuPieceCode(0); }

struct MoveFilter {
  int fromFile;
  int fromRank;
  int toFile;
  int toRank;
  int pieceType;     // -1 any
  int capturedType;  // -1 any
  int promote;       // -1 any, 0 without, 1 with promotion
  int side;          // 0 or 1
};

// Every move of side, with all filters open.
constexpr MoveFilter AllMovesOf(int side) { return MoveFilter{-1, -1, -1, -1, -1, -1, -1, side}; }

// Emits the non-promoting and promoting forms of one board move allowed by
// the filter; false once the visitor asks to stop.
template <class Visit>
bool EmitBoardMove(const MoveFilter& filter, int fromFile, int fromRank, int toFile, int toRank, KifuPieceCode piece,
                   KifuPieceCode target, Visit& visit) {
  const int type = piece.Type();
  const KifuPieceCode captured = CapturedOn(target);
  // Without promotion unless the piece would be dead there. (Judged by the
  // rank alone: a knight jumping onto file 1 or 9 can still jump inward.)
  if (Matches(filter.promote, 0) && !IsKifuDeadEnd(type, filter.side, toRank)) {
    if (!visit(KifuMove(fromFile, fromRank, toFile, toRank, piece, captured, 0, KifuMoveKind::Ordinary))) return false;
  }
  if (Matches(filter.promote, 1) && CanPromote(type, filter.side, fromRank, toRank)) {
    if (!visit(KifuMove(fromFile, fromRank, toFile, toRank, piece, captured, 1, KifuMoveKind::Ordinary))) return false;
  }
  return true;
}

// Calls visit(move) for every pseudo-legal move matching the filter, in
// the generation order; returns false when visit stopped it. The order:
//  1. drops: type pawn..rook, then to rank 1..9, then to file 1..9;
//  2. board moves: from rank 1..9, then from file 1..9, for each piece
//     a. its steps in kSteps order (knight jumps, forward, sideways, back),
//     b. its rays by direction index 0..8 (file step index % 3 - 1, rank
//        step index / 3 - 1, negated for the second player), each from the
//        second square outward (the first is a step move);
//     each destination without promotion first, then with promotion.
template <class Visit>
bool ForEachMove(const KifuPosition& position, const MoveFilter& filter, Visit&& visit) {
  const int side = filter.side;
  const bool dropsAllowed =
      (IsAnyFilter(filter.fromFile) || filter.fromFile == KIFU_FIRST_HAND_FILE + side) &&
      (IsAnyFilter(filter.capturedType) || filter.capturedType == KIFU_EMPTY || filter.capturedType == KIFU_NO_PIECE) &&
      Matches(filter.promote, 0);
  if (dropsAllowed) {
    for (int type = KIFU_PAWN; type <= KIFU_ROOK; ++type) {
      if (!Matches(filter.pieceType, type) || position.hands[side][type] <= 0) continue;
      for (int rank = 1; rank <= 9; ++rank) {
        if (!Matches(filter.toRank, rank) || IsKifuDeadEnd(type, side, rank)) continue;
        for (int file = 1; file <= 9; ++file) {
          if (!Matches(filter.toFile, file) || !position.board[KifuPosition::SquareIndex(file, rank)].IsEmpty()) {
            continue;
          }
          if (type == KIFU_PAWN && HasUnpromotedPawnOnFile(position, side, file)) continue;
          const KifuMove drop(KIFU_FIRST_HAND_FILE + side, type, file, rank, (side << 4) | type, 0, 0,
                              KifuMoveKind::Ordinary);
          if (!visit(drop)) return false;
        }
      }
    }
  }
  if (!IsAnyFilter(filter.fromFile) && (filter.fromFile < 1 || filter.fromFile > 9)) return true;

  for (int fromRank = 1; fromRank <= 9; ++fromRank) {
    if (!Matches(filter.fromRank, fromRank)) continue;
    for (int fromFile = 1; fromFile <= 9; ++fromFile) {
      if (!Matches(filter.fromFile, fromFile)) continue;
      const KifuPieceCode piece = position.board[KifuPosition::SquareIndex(fromFile, fromRank)];
      if (!piece.IsPiece() || piece.Side() != side || !Matches(filter.pieceType, piece.Type())) continue;
      const int bits = kMovementBits[piece.Type()];

      for (const KifuStep& step : kSteps) {
        if ((bits & step.bit) == 0) continue;
        const int toFile = fromFile + step.fileStep;
        const int toRank = fromRank + StepRank(step, side);
        if (!IsOnBoard(toFile, toRank) || !Matches(filter.toFile, toFile) || !Matches(filter.toRank, toRank)) continue;
        const KifuPieceCode target = position.board[KifuPosition::SquareIndex(toFile, toRank)];
        if (!IsTarget(target, side) || !Matches(filter.capturedType, target.Type())) continue;
        if (!EmitBoardMove(filter, fromFile, fromRank, toFile, toRank, piece, target, visit)) return false;
      }

      if ((bits & ANY_RAY) == 0) continue;
      for (int direction = 0; direction <= 8; ++direction) {
        if (direction == 4) continue;
        const int fileStep = direction % 3 - 1;
        const int rankStep = -(direction / 3 - 1) * SideSign(side);
        if (!SlidesAlong(bits, fileStep, rankStep, side)) continue;
        const int firstFile = fromFile + fileStep, firstRank = fromRank + rankStep;
        if (!IsOnBoard(firstFile, firstRank) ||
            !position.board[KifuPosition::SquareIndex(firstFile, firstRank)].IsEmpty()) {
          continue;
        }
        for (int toFile = firstFile + fileStep, toRank = firstRank + rankStep; IsOnBoard(toFile, toRank);
             toFile += fileStep, toRank += rankStep) {
          const KifuPieceCode target = position.board[KifuPosition::SquareIndex(toFile, toRank)];
          if (!IsTarget(target, side)) break;
          if (Matches(filter.toFile, toFile) && Matches(filter.toRank, toRank) &&
              Matches(filter.capturedType, target.Type())) {
            if (!EmitBoardMove(filter, fromFile, fromRank, toFile, toRank, piece, target, visit)) return false;
          }
          if (target.IsPiece()) break;
        }
      }
    }
  }
  return true;
}

// Whether side has a move capturing the other side's king.
inline bool AttacksKing(const KifuPosition& position, int side) {
  MoveFilter filter = AllMovesOf(side);
  filter.capturedType = KIFU_KING;
  return !ForEachMove(position, filter, [](const KifuMove&) { return false; });
}

}  // namespace kifu_walk
