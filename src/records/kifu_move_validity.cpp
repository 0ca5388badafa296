// Whether a record move is valid in the position and whether it must, may
// or can't promote; and the completion of a move given by its squares.
#include "records/kifu_move_walk.h"
#include "records/kifu_movement.h"
#include "records/kifu_position.h"

namespace {

constexpr int CAN_NOT_PROMOTE = 1;
constexpr int MUST_PROMOTE = 2;
constexpr int MAY_PROMOTE = 3;

constexpr int Sign(int value) { return (value > 0) - (value < 0); }

// Whether side's board piece on from can reach the destination by its type's
// movement (rays need the squares between empty); the promotion class is
// the caller's.
bool ReachesByMovement(const KifuPosition& position, int side, int type, int fromFile, int fromRank, int toFile,
                       int toRank) {
  const int df = toFile - fromFile, dr = toRank - fromRank;
  if (!MovementReaches(type, side, df, dr)) return false;
  if (StepsBy(kMovementBits[type], df, dr, side)) return true;
  // A slide: every square between must be empty.
  const int fileStep = Sign(df), rankStep = Sign(dr);
  for (int file = fromFile + fileStep, rank = fromRank + rankStep; file != toFile || rank != toRank;
       file += fileStep, rank += rankStep) {
    if (!position.board[KifuPosition::SquareIndex(file, rank)].IsEmpty()) return false;
  }
  return true;
}

int ValidDrop(const KifuPosition& position, const KifuMove& move, int side, int strict) {
  const int type = move.piece.Type();
  // The piece must come from its owner's hand, which must hold one of it.
  if (move.fromFile != KIFU_FIRST_HAND_FILE + side || type != move.fromRank) return 0;
  if (position.hands[side][type] < 1) return 0;
  if (!move.captured.IsEmpty() || !position.board[KifuPosition::SquareIndex(move.toFile, move.toRank)].IsEmpty()) {
    return 0;
  }
  if (strict && move.promote) return 0;
  if (IsKifuDeadEnd(type, side, move.toRank)) return 0;
  if (type == KIFU_PAWN && kifu_walk::HasUnpromotedPawnOnFile(position, side, move.toFile)) return 0;
  return CAN_NOT_PROMOTE;
}

}  // namespace

int KifuPosition::IsValidMove(const KifuMove& move, int strict) const {
  const int side = sideToMove;
  if (side != 0 && side != 1) return 0;
  const KifuPieceCode piece = move.piece;
  if (!piece.IsPiece() || piece.Side() != side) return 0;
  if (!IsOnBoard(move.toFile, move.toRank)) return 0;
  if (move.IsDrop()) {
    if (move.fromRank < KIFU_PAWN || move.fromRank > KIFU_ROOK) return 0;
    return ValidDrop(*this, move, side, strict);
  }
  if (!IsOnBoard(move.fromFile, move.fromRank)) return 0;

  // The piece bytes must be the board's: a move made for another position
  // would otherwise create or lose pieces when played.
  if (board[SquareIndex(move.fromFile, move.fromRank)] != piece) return 0;
  const KifuPieceCode target = board[SquareIndex(move.toFile, move.toRank)];
  const KifuPieceCode captured = move.captured;
  if (target.IsEmpty()) {
    // Only 0: UndoMove writes the captured byte back onto the square.
    if (captured.Code() != 0) return 0;
  } else if (!target.IsPiece() || captured != target || captured.Side() == side) {
    return 0;
  }

  const int type = piece.Type();
  int promotionClass = CAN_NOT_PROMOTE;
  if (CanPromote(type, side, move.fromRank, move.toRank)) {
    promotionClass = IsKifuDeadEnd(type, side, move.toRank) ? MUST_PROMOTE : MAY_PROMOTE;
  }
  if (strict && promotionClass == CAN_NOT_PROMOTE && move.promote) return 0;
  if (strict && promotionClass == MUST_PROMOTE && !move.promote) return 0;
  if (!ReachesByMovement(*this, side, type, move.fromFile, move.fromRank, move.toFile, move.toRank)) return 0;
  return promotionClass;
}

bool KifuPosition::CompleteMove(KifuMove& move) const {
  // Sources and destinations are a board square, a hand (11, 12) or the box
  // (13); file 10 and files beyond 13 are neither.
  KifuPieceCode moving;
  if (IsKifuStoreFile(move.fromFile)) {
    const int type = move.fromRank;
    if (type < KIFU_PAWN || type > KIFU_KING) return false;
    if (hands[move.fromFile - KIFU_FIRST_HAND_FILE][type] < 1) return false;
    moving = type | (move.fromFile == KIFU_SECOND_HAND_FILE ? KIFU_SECOND_PLAYER_BIT : 0);
  } else {
    if (!IsOnBoard(move.fromFile, move.fromRank)) return false;
    moving = board[SquareIndex(move.fromFile, move.fromRank)];
    if (!moving.IsPiece()) return false;
  }
  KifuPieceCode captured = 0;
  int toRank = move.toRank;
  if (IsKifuStoreFile(move.toFile)) {
    toRank = KifuBaseType(moving.Type());
  } else {
    if (!IsOnBoard(move.toFile, move.toRank)) return false;
    captured = kifu_walk::CapturedOn(board[SquareIndex(move.toFile, move.toRank)]);
  }
  move.piece = moving;
  move.captured = captured;
  move.toRank = static_cast<int8_t>(toRank);
  move.kind = KifuMoveKind::Ordinary;
  return true;
}
