// A check is found from the enemy king outward for drops and from each
// piece's own moves for board moves; legality comes from the pins, or, when
// the side to move stands in check itself, from playing the move on a copy.
#include "engine/board/check_generator.h"

#include <cstring>

#include "engine/board/king_safety.h"
#include "engine/board/make_move.h"
#include "engine/board/move_gen_helpers.h"
#include "engine/board/move_generators.h"

using namespace movegen;

namespace {

class CheckWriter {
 public:
  CheckWriter(const Position& position, MoveRecord* out)
      : p_(position),
        side_(position.sideToMove),
        forward_(SideSign(side_)),
        ownKing_(position.pieces[side_]),
        enemyKing_(position.pieces[side_ ^ 1]),
        inCheck_(IsKingAttacked(position, side_)),
        begin_(out),
        out_(out) {
    // Only the rare check positions play moves out on a copy.
    if (inCheck_) std::memcpy(&scratch_, &position, sizeof scratch_);
  }

  int Count() const { return static_cast<int>(out_ - begin_); }

  void Drops() {
    for (int type = ROOK; type <= PAWN; ++type) {
      if (p_.hand[side_][type - 1] <= 0) continue;
      const PieceMoves& moves = g_pieceMoveTable[type];
      for (int n = 0; n < moves.count; ++n) {
        // The squares from which the piece's move reaches the king.
        const int df = -moves.slot[n].df;
        const int dr = -moves.slot[n].dr * forward_;
        int file = enemyKing_.file + df;
        int rank = enemyKing_.rank + dr;
        for (; IsOnBoard(file, rank) && p_.IsEmpty(file, rank); file += df, rank += dr) {
          TryDrop(type, file, rank);
          if (!moves.slot[n].slides) break;
        }
      }
    }
  }

  void BoardMoves() {
    for (int id = 0; id < PIECE_COUNT; ++id) {
      const PieceListEntry& piece = p_.pieces[id];
      if (!IsOwnedBy(piece.code, side_) || !IsOnBoard(piece.file, piece.rank)) continue;
      MoveRecord moves[64];
      const int count = GenerateMovesFromSquare(p_, piece.file, piece.rank, moves);
      const bool uncovers = UncoversEnemyKing(id, piece);
      for (int n = 0; n < count; ++n) {
        const MoveRecord& move = moves[n];
        if (!GivesCheck(move, uncovers) || !IsLegalBoardMove(move)) continue;
        *out_++ = move;
      }
    }
  }

 private:
  void TryDrop(int type, int file, int rank) {
    if (!IsDropAllowed(p_, side_, type, file, rank)) return;
    MoveRecord drop{};
    WriteDrop(p_, drop, side_, type, file, rank);
    if (inCheck_ && !KeepsOwnKingSafe(drop)) return;
    // A pawn dropped right in front of the king checks it; mating so is forbidden.
    if (type == PAWN) {
      Position copy;
      std::memcpy(&copy, &p_, sizeof copy);
      MakeMove(copy, drop, 0);
      const int answered = HasEvasion(copy);
      UnmakeMove(copy, drop, 0);
      if (answered == 0) return;
    }
    *out_++ = drop;
  }

  // The piece stands between an own slider and the enemy king.
  bool UncoversEnemyKing(int id, const PieceListEntry& piece) const {
    if (!IsOnBoard(enemyKing_.file, enemyKing_.rank)) return false;
    return LineAttackTest(p_, side_, enemyKing_.file, enemyKing_.rank, piece.file, piece.rank, id, nullptr) !=
           NOT_PINNED;
  }

  static bool SameLine(int fromFile, int fromRank, int file, int rank, int kingFile, int kingRank) {
    const int df = file - kingFile;
    const int dr = rank - kingRank;
    return IsAligned(df, dr) && LineToward(df, dr) == LineToward(fromFile - kingFile, fromRank - kingRank);
  }

  bool GivesCheck(const MoveRecord& move, bool uncovers) const {
    const int kingFile = enemyKing_.file;
    const int kingRank = enemyKing_.rank;
    if (!IsOnBoard(kingFile, kingRank)) return false;
    if (uncovers && !SameLine(move.fromFile, move.fromRank, move.toFile, move.toRank, kingFile, kingRank)) {
      return true;
    }
    const PieceCode code = move.promote ? static_cast<PieceCode>(move.pieceCode | PROMOTED_BIT) : move.pieceCode;
    const PieceMoves& moves = g_pieceMoveTable[TypeOf(code)];
    for (int n = 0; n < moves.count; ++n) {
      const int df = moves.slot[n].df;
      const int dr = moves.slot[n].dr * forward_;
      if (!moves.slot[n].slides) {
        if (move.toFile + df == kingFile && move.toRank + dr == kingRank) return true;
        continue;
      }
      int file = move.toFile + df;
      int rank = move.toRank + dr;
      // The mover's from-square is empty after the move.
      while (IsOnBoard(file, rank) && (p_.IsEmpty(file, rank) || (file == move.fromFile && rank == move.fromRank)) &&
             (file != kingFile || rank != kingRank)) {
        file += df;
        rank += dr;
      }
      if (file == kingFile && rank == kingRank) return true;
    }
    return false;
  }

  bool IsLegalBoardMove(const MoveRecord& move) {
    if (inCheck_) return KeepsOwnKingSafe(move);
    if (TypeOf(move.pieceCode) == KING) return p_.AttackCount(side_ ^ 1, move.toFile, move.toRank) == 0;
    if (LineAttackTest(p_, side_ ^ 1, ownKing_.file, ownKing_.rank, move.fromFile, move.fromRank, move.pieceId,
                       nullptr) == NOT_PINNED) {
      return true;
    }
    return SameLine(move.fromFile, move.fromRank, move.toFile, move.toRank, ownKing_.file, ownKing_.rank);
  }

  bool KeepsOwnKingSafe(const MoveRecord& move) {
    MakeMove(scratch_, move, 0);
    const bool safe = !IsKingAttacked(scratch_, side_);
    UnmakeMove(scratch_, move, 0);
    return safe;
  }

  const Position& p_;
  const int side_;
  const int forward_;
  const PieceListEntry& ownKing_;
  const PieceListEntry& enemyKing_;
  const bool inCheck_;
  MoveRecord* const begin_;
  MoveRecord* out_;
  Position scratch_;
};

}  // namespace

MoveRecord* GenerateChecks(const Position& position, int& count, MoveRecord* array, int flag) {
  (void)flag;
  CheckWriter writer(position, array);
  writer.Drops();
  writer.BoardMoves();
  count = writer.Count();
  if (count == 0) return nullptr;
  for (int n = 0; n < count; ++n) {
    array[n].previous = n > 0 ? &array[n - 1] : nullptr;
    array[n].next = n + 1 < count ? &array[n + 1] : nullptr;
  }
  return array;
}
