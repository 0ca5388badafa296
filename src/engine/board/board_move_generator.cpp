// Staged board moves of the node search: the pattern drops come first and
// skip the forcing filter; the piece moves follow in PieceId order, pawns
// first, then the long-range pieces and the king.
#include "engine/board/board_move_generator.h"

#include "engine/board/move_gen_helpers.h"
#include "engine/board/move_tests.h"
#include "engine/eval/game_stage.h"
#include "engine/search/search_globals.h"

using namespace movegen;

void MoveSink::BoardMove(const Position& position, int fromFile, int fromRank, int toFile, int toRank, int promote) {
  if (MoveRecord* move = Next()) WritePieceMove(position, *move, fromFile, fromRank, toFile, toRank, promote);
}

void MoveSink::Drop(const Position& position, int side, int baseType, int toFile, int toRank) {
  if (MoveRecord* move = Next()) WriteDrop(position, *move, side, baseType, toFile, toRank);
}

void MoveSink::Copy(const MoveRecord& move) {
  if (MoveRecord* to = Next()) {
    WriteBoardMove(*to, move.fromFile, move.fromRank, move.toFile, move.toRank, move.pieceId, move.pieceCode,
                   move.capturedId, move.capturedCode, move.promote);
  }
}

int ScratchMoves::CopyTo(MoveRecord* out, int count) const {
  MoveSink sink{out, 0, count};
  for (int i = 0; i < count; ++i) sink.Copy(moves[i]);
  return count;
}

int MoveHash(const MoveRecord& move) {
  if (move.IsNull()) return 0;
  int sum;
  if (move.IsDrop()) {
    sum = (move.pieceCode - 7 * move.toFile) * 17 + 33 * move.toRank;
  } else {
    sum = (move.fromRank + 3 * move.toRank) * 11 - 119 * move.toFile + 34 * move.fromFile + move.promote +
          move.pieceCode;
  }
  // Sums run from -960 to 1385: the byte is taken from the two's-complement
  // value, never used as a negative index.
  return static_cast<int>(static_cast<unsigned>(sum) & 0xffu);
}

bool IsSameMove(const MoveRecord& a, const MoveRecord& b) {
  if (a.IsNull() || b.IsNull()) return a.IsNull() && b.IsNull();
  if (a.IsDrop() || b.IsDrop()) {
    return a.IsDrop() && b.IsDrop() && a.toFile == b.toFile && a.toRank == b.toRank && a.pieceCode == b.pieceCode;
  }
  return a.fromFile == b.fromFile && a.fromRank == b.fromRank && a.toFile == b.toFile && a.toRank == b.toRank &&
         a.promote == b.promote && a.pieceCode == b.pieceCode && a.capturedCode == b.capturedCode;
}

int RemoveDuplicateMoves(MoveRecord* moves, int count, uint32_t stamp) {
  // Kept across calls: a slot counts only while it holds this call's stamp,
  // and a stale equal stamp costs a comparison, never a wrong removal.
  static uint32_t slots[256];
  int kept = 0;
  for (int i = 0; i < count; ++i) {
    const int hash = MoveHash(moves[i]);
    bool duplicate = false;
    if (slots[hash] == stamp) {
      for (int j = 0; j < kept && !duplicate; ++j) duplicate = IsSameMove(moves[j], moves[i]);
    }
    if (duplicate) continue;
    slots[hash] = stamp;
    moves[kept++] = moves[i];
  }
  return kept;
}

namespace {

class BoardMoves {
 public:
  BoardMoves(const Position& position, const MoveRecord* line, int ply, int depth, MoveRecord* out, int capacity)
      : p_(position), line_(line), ply_(ply), depth_(depth), side_(position.sideToMove), enemy_(side_ ^ 1),
        s_(SideSign(side_)), out_(out), sink_{scratch_.moves, 0, ScratchMoves::Room(capacity)} {}

  int Run() {
    BackRankInterposition();
    if (g_gameStage < 2) {
      DropsAgainstRooks();
      if (ply_ <= 4) {
        RookAdvanceDrop();
        CastleBishopDrop();
      }
    }
    MinorPieces();
    LongRangePieces();
    KingMoves();
    if (sink_.count == 0) return 0;
    return scratch_.CopyTo(out_, RemoveDuplicateMoves(sink_.out, sink_.count, g_nodeCount + BOARD_MOVE_STAMP_OFFSET));
  }

 private:
  bool HoldsPawn() const { return p_.hand[side_][PAWN - 1] > 0; }
  bool FreeOfOwnPawn(int file) const { return !HasPawnOnFile(p_, side_, file); }
  bool Attacked(int side, int file, int rank) const { return p_.AttackCountAt(side, file, rank) > 0; }
  bool IsEnemyRookDrop(const MoveRecord& move) const {
    return move.IsDrop() && move.pieceCode == (OwnerBit(enemy_) | ROOK);
  }

  // Back-rank rook drop: a pawn dropped between the rook and the own king.
  void BackRankInterposition() {
    const MoveRecord& last = line_[0];
    const PieceListEntry& king = p_.pieces[side_];
    if (depth_ <= 3 || !HoldsPawn() || !IsEnemyRookDrop(last) || !IsOnBoard(king.file, king.rank)) return;
    const int rank = BackRank(side_);
    if (last.toRank != rank || last.toFile == king.file) return;
    const int step = king.file > last.toFile ? 1 : -1;
    for (int file = last.toFile + step; file - step != king.file; file += step) {
      if (!p_.IsEmpty(file, rank)) return;
      if (FreeOfOwnPawn(file) && Attacked(side_, file, rank)) {
        sink_.Drop(p_, side_, PAWN, file, rank);
        return;
      }
    }
  }

  // Pawns dropped on the attacked empty squares of an enemy rook's file.
  void DropsAgainstRooks() {
    if (!HoldsPawn()) return;
    for (int id = 2; id <= 3; ++id) {
      const PieceListEntry& rook = p_.pieces[id];
      if (!IsOnBoard(rook.file, rook.rank) || !IsOwnedBy(rook.code, enemy_) || !FreeOfOwnPawn(rook.file)) continue;
      // Toward the side: against the side's forward step. The rook's own
      // square ahead must be empty before the walk reads further.
      int rank = rook.rank - s_;
      if (!IsOnBoard(rook.file, rank) || !p_.IsEmpty(rook.file, rank)) continue;
      for (rank -= s_; IsOnBoard(rook.file, rank) && p_.IsEmpty(rook.file, rank); rank -= s_) {
        if (Attacked(side_, rook.file, rank)) sink_.Drop(p_, side_, PAWN, rook.file, rank);
      }
    }
  }

  // A rook that advanced down its file gets a pawn under it from behind.
  void RookAdvanceDrop() {
    const MoveRecord& last = line_[0];
    if (last.IsNull() || last.IsDrop() || !HoldsPawn()) return;
    if (last.pieceCode != (OwnerBit(enemy_) | ROOK) || last.fromFile != last.toFile) return;
    if ((last.toRank - last.fromRank) * -s_ <= 0) return;
    const int file = last.toFile;
    const int rank = last.toRank + s_;
    if (!IsOnBoard(file, rank) || !p_.IsEmpty(file, rank) || !FreeOfOwnPawn(file)) return;
    if (IsDeadEndRank(side_, rank, 1) || !Attacked(side_, file, rank)) return;
    sink_.Drop(p_, side_, PAWN, file, rank);
  }

  // A rook dropped into the castle beside the silver and lance: a bishop
  // dropped in front of it.
  void CastleBishopDrop() {
    const MoveRecord& last = line_[0];
    if (p_.hand[side_][BISHOP - 1] == 0 || !IsEnemyRookDrop(last)) return;
    const int file = last.toFile;
    const int rank = last.toRank;
    if ((file != 2 && file != 8) || rank != PieceHomeRank(side_)) return;
    const int centre = file == 2 ? 3 : 7;
    const int edge = file == 2 ? 1 : 9;
    if (p_.PieceCodeAt(centre, rank) != (OwnerBit(side_) | SILVER)) return;
    if (p_.PieceCodeAt(edge, rank) != (OwnerBit(side_) | LANCE)) return;
    if (!p_.IsEmpty(file, rank + s_)) return;
    sink_.Drop(p_, side_, BISHOP, file, rank + s_);
  }

  // A board move through the forcing filter.
  void Add(int id, int toFile, int toRank, int promote) {
    if (g_forcingMoveFilter != 0 && IsForcingMove(p_, line_, id, promote, 0, toFile, toRank, depth_) == 0) return;
    const PieceListEntry& piece = p_.pieces[id];
    sink_.BoardMove(p_, piece.file, piece.rank, toFile, toRank, promote);
  }
  bool Free(int file, int rank) const { return IsOnBoard(file, rank) && !IsBlockedFor(p_, side_, file, rank); }

  void MinorPieces() {
    for (int id = PIECE_COUNT - 1; id >= 6; --id) {
      const PieceListEntry& piece = p_.pieces[id];
      if (!IsOnBoard(piece.file, piece.rank) || !IsOwnedBy(piece.code, side_)) continue;
      const int f = piece.file;
      const int r = piece.rank;
      switch (TypeOf(piece.code)) {
        case PAWN:
          if (Free(f, r + s_)) Add(id, f, r + s_, IsPromotionZone(side_, r + s_) ? 1 : 0);
          break;
        case LANCE:
          for (int rank = r + s_; Free(f, rank); rank += s_) {
            const bool capture = !p_.IsEmpty(f, rank);
            if (IsPromotionZone(side_, rank)) {
              Add(id, f, rank, 1);
              if (capture && RelativeRank(side_, rank) == 3) Add(id, f, rank, 0);
            } else if (capture) {
              Add(id, f, rank, 0);
            }
            if (capture) break;
          }
          break;
        case KNIGHT:
          for (int df = -1; df <= 1; df += 2) {
            const int file = f + df;
            const int rank = r + 2 * s_;
            if (!Free(file, rank)) continue;
            if (IsPromotionZone(side_, rank)) Add(id, file, rank, 1);
            if (!IsDeadEndRank(side_, rank, 2)) Add(id, file, rank, 0);
          }
          break;
        case SILVER:
          for (const Step& step : kSilverSteps) {
            const int file = f + step.df;
            const int rank = r + step.dr * s_;
            if (!Free(file, rank)) continue;
            if (MayPromote(piece.code, side_, r, rank)) Add(id, file, rank, 1);
            Add(id, file, rank, 0);
          }
          break;
        default:
          for (const Step& step : kGoldSteps) {
            const int file = f + step.df;
            const int rank = r + step.dr * s_;
            if (Free(file, rank)) Add(id, file, rank, 0);
          }
          break;
      }
    }
  }

  // After a null move the side's own last quiet move of this piece need not
  // be followed up along the same line, either way.
  bool SkipsLine(int id, const Step& line) const {
    if (ply_ < 3 || !line_[0].IsNull()) return false;
    const MoveRecord& own = line_[-1];
    if (own.IsNull() || own.IsDrop() || own.IsCapture() || own.promote != 0 || own.pieceId != id) return false;
    return line.df * (own.toRank - own.fromRank) == line.dr * (own.toFile - own.fromFile);
  }

  void LongRangePieces() {
    static constexpr int kOrder[4] = {4, 5, 2, 3};
    for (const int id : kOrder) {
      const PieceListEntry& piece = p_.pieces[id];
      if (!IsOnBoard(piece.file, piece.rank) || !IsOwnedBy(piece.code, side_)) continue;
      const bool bishop = BaseTypeOf(piece.code) == BISHOP;
      const int first = bishop ? kFirstBishopLine : kFirstRookLine;
      for (int n = first; n < first + 4; ++n) {
        const Step& line = kLineDirections[n];
        if (SkipsLine(id, line)) continue;
        for (int file = piece.file + line.df, rank = piece.rank + line.dr; Free(file, rank);
             file += line.df, rank += line.dr) {
          Add(id, file, rank, MayPromote(piece.code, side_, piece.rank, rank) ? 1 : 0);
          if (!p_.IsEmpty(file, rank)) break;
        }
      }
      if (!IsPromoted(piece.code)) continue;
      // The promoted piece's extra steps: a horse's orthogonal, a dragon's diagonal.
      const int steps = bishop ? kFirstRookLine : kFirstBishopLine;
      for (int n = steps; n < steps + 4; ++n) {
        const int file = piece.file + kLineDirections[n].df;
        const int rank = piece.rank + kLineDirections[n].dr;
        if (Free(file, rank)) Add(id, file, rank, 0);
      }
    }
  }

  void KingMoves() {
    const PieceListEntry& king = p_.pieces[side_];
    if (!IsOnBoard(king.file, king.rank)) return;
    for (const Step& step : kKingSteps) {
      const int file = king.file + step.df;
      const int rank = king.rank + step.dr;
      if (Free(file, rank) && !Attacked(enemy_, file, rank)) Add(side_, file, rank, 0);
    }
  }

  const Position& p_;
  const MoveRecord* line_;
  int ply_;
  int depth_;
  int side_;
  int enemy_;
  int s_;
  MoveRecord* out_;
  ScratchMoves scratch_;
  MoveSink sink_;
};

}  // namespace

int GenerateBoardMoves(const Position& position, const MoveRecord* line, int ply, int remainingDepth,
                       MoveRecord* out, int capacity) {
  return BoardMoves(position, line, ply, remainingDepth, out, capacity).Run();
}
