// The board-only move generator for tests and benchmarks.
#include "support/pseudo_legal_moves.h"

namespace {

// Ranks left in front of a piece of `side` on `rank`.
int RanksAhead(int side, int rank) { return side == 0 ? rank - 1 : 9 - rank; }
bool InZone(int side, int rank) { return RanksAhead(side, rank) <= 2; }

// A piece of this base type with no more than this many ranks ahead could never move again.
bool WouldBeStuck(int baseType, int ranksAhead) {
  return ((baseType == PAWN || baseType == LANCE) && ranksAhead == 0) || (baseType == KNIGHT && ranksAhead <= 1);
}

bool CanPromote(PieceCode code) {
  const int type = TypeOf(code);
  return type != GOLD && type != KING && !IsPromoted(code);
}

int AddBoardMoves(const Position& position, int id, int toFile, int toRank, MoveRecord* moves) {
  const PieceListEntry& piece = position.pieces[id];
  const int side = OwnerOf(piece.code);
  const int target = position.board[toFile][toRank];
  const PieceId captured = static_cast<PieceId>(target);
  const PieceCode capturedCode = target == EMPTY_PIECE_ID ? PieceCode{0} : position.pieces[target].code;
  int count = 0;
  const bool promotable = CanPromote(piece.code) && (InZone(side, piece.rank) || InZone(side, toRank));
  if (!WouldBeStuck(TypeOf(piece.code), RanksAhead(side, toRank))) {
    moves[count++].Set(piece.file, piece.rank, toFile, toRank, static_cast<PieceId>(id), piece.code, captured,
                       capturedCode, 0);
  }
  if (promotable) {
    moves[count++].Set(piece.file, piece.rank, toFile, toRank, static_cast<PieceId>(id), piece.code, captured,
                       capturedCode, 1);
  }
  return count;
}

}  // namespace

int GeneratePseudoLegalMoves(const Position& position, MoveRecord* moves) {
  const int side = position.sideToMove;
  int count = 0;
  for (int id = 0; id < PIECE_COUNT; ++id) {
    const PieceListEntry& piece = position.pieces[id];
    if (piece.file < 1 || piece.file > 9 || !IsOwnedBy(piece.code, side)) continue;
    const PieceMoves& table = g_pieceMoveTable[TypeOf(piece.code)];
    for (int n = 0; n < table.count; ++n) {
      const int df = table.slot[n].df;
      const int dr = table.slot[n].dr * SideSign(side);
      int file = piece.file, rank = piece.rank;
      for (;;) {
        file += df;
        rank += dr;
        if (!IsOnBoard(file, rank)) break;
        const int target = position.board[file][rank];
        if (target != EMPTY_PIECE_ID) {
          const PieceCode code = position.pieces[target].code;
          if (IsOwnedBy(code, side) || TypeOf(code) == KING) break;
        }
        count += AddBoardMoves(position, id, file, rank, moves + count);
        if (target != EMPTY_PIECE_ID || !table.slot[n].slides) break;
      }
    }
  }
  for (int baseType = ROOK; baseType <= PAWN; ++baseType) {
    if (position.hand[side][baseType - 1] <= 0) continue;
    const int top = position.hand[0][baseType - 1] + position.hand[1][baseType - 1] - 1;
    const PieceId id = position.handStack[g_handListStart[baseType] + top];
    const PieceCode code = static_cast<PieceCode>(OwnerBit(side) | baseType);
    for (int file = 1; file <= 9; ++file) {
      if (baseType == PAWN && position.pawnRank[side][file] != 0) continue;
      for (int rank = 1; rank <= 9; ++rank) {
        if (position.board[file][rank] != EMPTY_PIECE_ID || WouldBeStuck(baseType, RanksAhead(side, rank))) continue;
        moves[count++].SetDrop(file, rank, id, code);
      }
    }
  }
  return count;
}

bool MoverKingAttacked(const Position& position) {
  const int mover = position.sideToMove ^ 1;
  const PieceListEntry& king = position.pieces[mover];
  return king.file >= 1 && king.file <= 9 && position.AttackCount(mover ^ 1, king.file, king.rank) > 0;
}
