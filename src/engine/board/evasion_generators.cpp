// Check evasions in the order the search tries them: captures of the
// checker, interpositions from the king outward, king moves last.
#include "engine/board/evasion_generators.h"

#include "engine/board/king_safety.h"
#include "engine/board/move_gen_helpers.h"
#include "engine/board/move_tests.h"

using namespace movegen;

namespace {

class EvasionWriter {
 public:
  EvasionWriter(const Position& position, const MoveRecord* line, int filter, MoveRecord* out)
      : p_(position),
        line_(line),
        filter_(filter),
        side_(position.sideToMove),
        king_(position.pieces[position.sideToMove]),
        begin_(out),
        out_(out) {}

  int Count() const { return static_cast<int>(out_ - begin_); }

  // Every own direct attacker of the square but the king and pinned pieces
  // moves there, capturing what stands there.
  void MovesOnto(int file, int rank) {
    uint64_t attackers = DirectAttackers(p_, side_, file, rank);
    while (attackers != 0) {
      const int id = PopHighest(attackers);
      const PieceListEntry& piece = p_.pieces[id];
      if (TypeOf(piece.code) == KING) continue;
      if (LineAttackTest(p_, side_ ^ 1, king_.file, king_.rank, piece.file, piece.rank, id, nullptr) != NOT_PINNED) {
        continue;
      }
      BoardMove(id, piece, file, rank);
    }
  }

  // Drops, pawn first, onto an interposition square the side attacks.
  void DropsOnto(int file, int rank) {
    for (int type = PAWN; type >= ROOK; --type) {
      if (p_.hand[side_][type - 1] <= 0 || !IsDropAllowed(p_, side_, type, file, rank)) continue;
      const int id = p_.HandStackTop(side_, type);
      if (!Accepts(id, 0, 1, file, rank)) continue;
      WriteDrop(p_, *out_++, side_, type, file, rank);
    }
  }

  void KingMoves() {
    for (const Step& step : kEvasionKingSteps) {
      const int file = king_.file + step.df;
      const int rank = king_.rank + step.dr;
      if (IsBlockedFor(p_, side_, file, rank) || p_.AttackCount(side_ ^ 1, file, rank) > 0) continue;
      if (!Accepts(side_, 0, 0, file, rank)) continue;
      WritePieceMove(p_, *out_++, king_.file, king_.rank, file, rank, 0);
    }
  }

 private:
  bool Accepts(int id, int promote, int dropFlag, int file, int rank) const {
    return filter_ == 0 || IsForcingMove(p_, line_, id, promote, dropFlag, file, rank, 0) != 0;
  }

  void BoardMove(int id, const PieceListEntry& piece, int file, int rank) {
    const PieceCode code = piece.code;
    const bool mayPromote = MayPromote(code, side_, piece.rank, rank);
    if (mayPromote) {
      if (Accepts(id, 1, 0, file, rank)) WritePieceMove(p_, *out_++, piece.file, piece.rank, file, rank, 1);
      // Promoting loses nothing for these, so their plain twin is left out.
      const int base = BaseTypeOf(code);
      if (base == ROOK || base == BISHOP || base == PAWN) return;
      if (base == LANCE && RelativeRank(side_, rank) == 2) return;
    }
    if (IsDeadEndMove(code, side_, rank)) return;
    if (Accepts(id, 0, 0, file, rank)) WritePieceMove(p_, *out_++, piece.file, piece.rank, file, rank, 0);
  }

  const Position& p_;
  const MoveRecord* line_;
  const int filter_;
  const int side_;
  const PieceListEntry& king_;
  MoveRecord* const begin_;
  MoveRecord* out_;
};

// Checkers whose line to the king can be blocked: rook, bishop, dragon,
// horse and the unpromoted lance.
bool CanBeBlocked(PieceCode code) { return (code & 0x8f) < 3 || TypeOf(code) == LANCE; }

}  // namespace

int GenerateCheckEvasions(const Position& position, const MoveRecord* line, int filter, MoveRecord* out) {
  const int side = position.sideToMove;
  const PieceListEntry& king = position.pieces[side];
  if (!IsOnBoard(king.file, king.rank)) return 0;
  EvasionWriter writer(position, line, filter, out);
  const SquareAttackRecord& kingRecord = *position.SquareRecord(king.file, king.rank);
  // With two or more checkers only the king can move.
  if (kingRecord.directCount[side ^ 1] == 1) {
    uint64_t checkers = DirectAttackers(kingRecord, side ^ 1);
    const PieceListEntry& checker = position.pieces[PopHighest(checkers)];
    writer.MovesOnto(checker.file, checker.rank);
    const int fileDifference = checker.file - king.file;
    const int rankDifference = checker.rank - king.rank;
    if (CanBeBlocked(checker.code) && IsAligned(fileDifference, rankDifference)) {
      const int df = Sign(fileDifference);
      const int dr = Sign(rankDifference);
      for (int file = king.file + df, rank = king.rank + dr; file != checker.file || rank != checker.rank;
           file += df, rank += dr) {
        if (position.AttackCount(side, file, rank) == 0) continue;
        writer.DropsOnto(file, rank);
        writer.MovesOnto(file, rank);
      }
    }
  }
  writer.KingMoves();
  return writer.Count();
}
