// The shallow king-attack generator: four sections written in order, each
// move guarded by an exchange floor, the threat filter, the done list and
// the back rules; moves go straight into the caller's array.
#include "engine/board/king_attack_shallow.h"

#include <cstddef>
#include <initializer_list>

#include <cstdlib>

#include "engine/board/attack_drop_proposers.h"
#include "engine/board/capture_generators.h"
#include "engine/board/move_gen_helpers.h"
#include "engine/board/move_tests.h"
#include "engine/board/static_exchange.h"
#include "engine/eval/game_stage.h"

using namespace movegen;

const int g_checkGainThreshold[3] = {-100, -100, 150};

bool IsAttackerBitSet(const SquareAttackRecord& record, int side, int id) {
  return id >= 0 && id < 32 && ((record.directSet[side].low >> id) & 1) != 0;
}

int FirstPieceIdOnRay(const Position& position, int file, int rank, int fileStep, int rankStep) {
  int f = file + fileStep, r = rank + rankStep;
  // The wall ring stops every ray before it leaves the 11 x 11 board.
  while (position.board[f][r] == EMPTY_PIECE_ID) f += fileStep, r += rankStep;
  return position.board[f][r];
}

const PieceListEntry& FirstPieceOnRay(const Position& position, int file, int rank, int fileStep, int rankStep) {
  return position.pieces[FirstPieceIdOnRay(position, file, rank, fileStep, rankStep)];
}

namespace {

// King-neighbour attack table: for a piece type and the king step k (the
// neighbour N = K + step k, rank step times the attacker's forward sign),
// whether the piece on N attacks K. Bits by step index.
constexpr uint8_t kOrthogonal = 0b01010101, kDiagonal = 0b10101010, kGoldLike = 0b01111101;
constexpr uint8_t kNeighbourAttack[TYPE_TABLE_SIZE] = {
    0, kOrthogonal, kDiagonal, kGoldLike, 0b10111010, 0, 0b00010000, 0b00010000, 0,  // 0-8
    0, 0, 0, 0, 0, 0, 0, 0,                                                         // 9-16
    0xff, 0xff, 0, kGoldLike, kGoldLike, kGoldLike, kGoldLike,                      // 17-23
};
// First PieceId of each kind, by base type (rook .. pawn).
constexpr int kFirstIdOfKind[9] = {0, 2, 4, 6, 10, 14, 18, 22, 0};

class ShallowRun {
 public:
  ShallowRun(const Position& position, const MoveRecord* last, const MoveRecord* prev, uint32_t key,
             const MoveCodeList& done, MoveRecord* out)
      : p_(position),
        last_(last),
        prev_(prev),
        key_(key),
        done_(done),
        out_(out),
        s_(position.sideToMove),
        o_(position.sideToMove ^ 1),
        fwd_(SideSign(position.sideToMove)),
        floor_(g_checkGainThreshold[g_gameStage < 0 ? 0 : g_gameStage > 2 ? 2 : g_gameStage]) {}

  int Run() {
    for (int id = 0; id < PIECE_COUNT; ++id) {
      const PieceListEntry& piece = p_.pieces[id];
      if (!IsOnBoard(piece.file, piece.rank)) continue;
      if (IsOwnedBy(piece.code, s_)) {
        if (!IsPromoted(piece.code)) Promotions(id, piece);
      } else if (id > 1) {
        Captures(id, piece);
      }
    }
    const PieceListEntry& king = p_.pieces[o_];
    if (IsOnBoard(king.file, king.rank)) {
      ChecksNextToKing(king.file, king.rank);
      if (InHand(ROOK)) ForkDrops(king.file, king.rank, ROOK);
      if (InHand(BISHOP)) ForkDrops(king.file, king.rank, BISHOP);
      LineMoves(king.file, king.rank);
    }
    return count_;
  }

 private:
  bool InHand(int type) const { return p_.hand[s_][type - 1] > 0; }
  bool InZone(int rank) const { return IsPromotionZone(s_, rank); }
  int Exchange(int id, int file, int rank) const {
    int firstGain = 0;
    return StaticExchangeForStage(p_, s_, TypeOf(CodeAt(p_, file, rank)), file, rank, id, &firstGain, 0);
  }
  bool AlreadyWritten(int fromFile, int fromRank, int toFile, int toRank, PieceCode code, int promote) const {
    for (int n = 0; n < count_; ++n) {
      if (out_[n].Matches(fromFile, fromRank, toFile, toRank, code, promote)) return true;
    }
    return false;
  }
  bool Filtered(int id, PieceCode code, int promote, int toFile, int toRank) const {
    return key_ != 0 && IsThreatMove(p_, id, code, promote, toFile, toRank) == 0;
  }

  // A board move of piece `id` through the filter, the done list and, when
  // asked, the back rule and the comparison with this call's moves.
  bool WriteMove(int id, int toFile, int toRank, int promote, bool backRule, bool unique) {
    const PieceListEntry& piece = p_.pieces[id];
    if (Filtered(id, piece.code, promote, toFile, toRank)) return false;
    const PieceCode captured = CodeAt(p_, toFile, toRank);
    if (done_.Contains(piece.file, piece.rank, toFile, toRank, piece.code, captured, promote)) return false;
    if (unique && AlreadyWritten(piece.file, piece.rank, toFile, toRank, piece.code, promote)) return false;
    if (backRule && IsBackMoveRule1(last_, prev_, piece.file, piece.rank, toFile, toRank)) return false;
    out_[count_++].Set(piece.file, piece.rank, toFile, toRank, static_cast<PieceId>(id), piece.code,
                       static_cast<PieceId>(p_.PieceIdAt(toFile, toRank)), captured, promote);
    return true;
  }
  void WriteDrop(int type, int toFile, int toRank) {
    const int id = p_.HandStackTop(s_, type);
    const PieceCode code = static_cast<PieceCode>(OwnerBit(s_) | type);
    out_[count_].SetDrop(toFile, toRank, static_cast<PieceId>(id), code);
    ++count_;
  }
  int PromoteFlag(int id, int toRank) const {
    const PieceListEntry& piece = p_.pieces[id];
    return MayPromote(piece.code, s_, piece.rank, toRank) ? 1 : 0;
  }

  // Section 1, own unpromoted pieces: promotions onto empty squares.
  void Promotions(int id, const PieceListEntry& piece) {
    const int f = piece.file, r = piece.rank;
    switch (TypeOf(piece.code)) {
      case ROOK: {
        if (InZone(r)) return;
        int best = 0;
        for (int q = r + fwd_; IsOnBoard(f, q) && p_.IsEmpty(f, q); q += fwd_) {
          if (InZone(q) && p_.AttackCount(o_, f, q) == 0) best = q;
        }
        if (best != 0) WriteMove(id, f, best, 1, false, false);
        return;
      }
      case BISHOP:
        if (!InZone(r)) {
          // Forward-left, then forward-right, as the side sees them.
          for (const int df : {-fwd_, fwd_}) BishopEntry(id, f, r, df);
        } else {
          BishopInZone(id, f, r);
        }
        return;
      case KNIGHT:
        for (const int df : {-1, 1}) {
          const int tf = f + df, tr = r + 2 * fwd_;
          if (IsOnBoard(tf, tr) && InZone(tr) && p_.IsEmpty(tf, tr) && Exchange(id, tf, tr) > floor_) {
            WriteMove(id, tf, tr, 1, true, false);
          }
        }
        return;
      case LANCE:
        LancePromotions(id, f, r);
        return;
      case PAWN: {
        const int tr = r + fwd_;
        if (IsOnBoard(f, tr) && InZone(tr) && p_.IsEmpty(f, tr) && Exchange(id, f, tr) > floor_) {
          WriteMove(id, f, tr, 1, true, false);
        }
        return;
      }
      default:
        return;
    }
  }
  void BishopEntry(int id, int f, int r, int df) {
    int bestFile = 0, bestRank = 0;
    for (int tf = f + df, tr = r + fwd_; IsOnBoard(tf, tr); tf += df, tr += fwd_) {
      if (IsOwnPiece(p_, s_, tf, tr)) break;
      if (InZone(tr) && Exchange(id, tf, tr) >= floor_) bestFile = tf, bestRank = tr;
      if (!p_.IsEmpty(tf, tr)) break;
    }
    if (bestFile != 0 && p_.IsEmpty(bestFile, bestRank)) WriteMove(id, bestFile, bestRank, 1, true, false);
  }
  void BishopInZone(int id, int f, int r) {
    int bestValue = -300, bestFile = 0, bestRank = 0;
    for (int line = kFirstBishopLine; line < kFirstBishopLine + 4; ++line) {
      const Step step = kLineDirections[line];
      for (int tf = f + step.df, tr = r + step.dr; IsOnBoard(tf, tr) && !IsOwnPiece(p_, s_, tf, tr);
           tf += step.df, tr += step.dr) {
        const int value = Exchange(id, tf, tr);
        if (value > bestValue) bestValue = value, bestFile = tf, bestRank = tr;
        if (!p_.IsEmpty(tf, tr)) break;
      }
    }
    if (bestFile != 0 && p_.IsEmpty(bestFile, bestRank)) WriteMove(id, bestFile, bestRank, 1, true, false);
  }
  void LancePromotions(int id, int f, int r) {
    int blocker = r + fwd_;
    while (IsOnBoard(f, blocker) && p_.IsEmpty(f, blocker)) blocker += fwd_;
    if (!IsOnBoard(f, blocker) || !InZone(blocker)) return;
    int start = r + fwd_;
    if (!InZone(start)) start = RelativeRank(s_, 3);
    for (int tr = start; tr != blocker; tr += fwd_) {
      if (Filtered(id, p_.pieces[id].code, 1, f, tr)) return;
      if (Exchange(id, f, tr) > floor_) WriteMove(id, f, tr, 1, true, false);
    }
  }

  // Section 1, enemy pieces: captures by each own direct attacker.
  void Captures(int target, const PieceListEntry& piece) {
    const int f = piece.file, r = piece.rank;
    const bool defended = p_.AttackCount(o_, f, r) > 0;
    uint64_t attackers = DirectAttackers(p_, s_, f, r);
    while (attackers != 0) {
      const int id = PopHighest(attackers);
      const PieceCode code = p_.pieces[id].code;
      bool candidate = target < kFirstIdOfKind[BaseTypeOf(code)];
      if (!candidate) {
        const int value = defended ? Exchange(id, f, r) : UndefendedCaptureValue(p_, id, f, r);
        candidate = value > floor_;
      }
      if (!candidate) continue;
      if (key_ != 0 && TypeOf(code) == LANCE && last_ != nullptr && !last_->IsNull() && !last_->IsDrop() &&
          TypeOf(last_->pieceCode) == LANCE && last_->fromFile == f && last_->toRank != r) {
        continue;
      }
      const PieceListEntry& mover = p_.pieces[id];
      if (Filtered(id, code, PromoteFlag(id, r), f, r)) continue;
      if (done_.Contains(mover.file, mover.rank, f, r, code, piece.code, PromoteFlag(id, r))) continue;
      out_[count_++].Set(mover.file, mover.rank, f, r, static_cast<PieceId>(id), code, static_cast<PieceId>(target),
                         piece.code, PromoteFlag(id, r));
    }
  }

  // Section 2: moves and drops onto the king's neighbours that check.
  void ChecksNextToKing(int kf, int kr) {
    for (int k = 0; k < 8; ++k) {
      const int nf = kf + kKingSteps[k].df, nr = kr + kKingSteps[k].dr * fwd_;
      if (!IsOnBoard(nf, nr) || IsOwnPiece(p_, s_, nf, nr) || p_.AttackCount(s_, nf, nr) == 0) continue;
      uint64_t attackers = DirectAttackers(p_, s_, nf, nr);
      while (attackers != 0) {
        const int id = PopHighest(attackers);
        if (((kNeighbourAttack[TypeOf(p_.pieces[id].code)] >> k) & 1) == 0) continue;
        if (Exchange(id, nf, nr) < -50) continue;
        WriteMove(id, nf, nr, PromoteFlag(id, nr), true, true);
      }
      if (!p_.IsEmpty(nf, nr)) continue;
      for (int type = ROOK; type <= PAWN; ++type) {
        if (!InHand(type) || ((kNeighbourAttack[type] >> k) & 1) == 0) continue;
        if (type == PAWN && HasPawnOnFile(p_, s_, nf)) continue;
        const PieceCode code = static_cast<PieceCode>(OwnerBit(s_) | type);
        if (!PassesCaptureLossTest(p_, nf, nr, code, 50)) continue;
        if (Filtered(-1, code, 0, nf, nr) || done_.HasDrop(nf, nr, code)) continue;
        if (AlreadyWritten(0, 0, nf, nr, code, 0)) continue;
        if (IsBackDrop(last_, prev_, nf, nr, g_movementClassMask[type])) continue;
        WriteDrop(type, nf, nr);
      }
    }
  }

  // Section 3: a rook or bishop dropped on the king's line that also hits
  // a second piece from the drop square.
  void ForkDrops(int kf, int kr, int type) {
    const int first = type == ROOK ? kFirstRookLine : kFirstBishopLine;
    // Rook lines in the order (-1,0), (0,1), (1,0), (0,-1); bishop lines
    // (-1,1), (1,1), (1,-1), (-1,-1): the move tests' numbering.
    const PieceCode code = static_cast<PieceCode>(OwnerBit(s_) | type);
    for (int line = first; line < first + 4; ++line) {
      const Step step = kLineDirections[line];
      if (!IsEmptySquare(kf + step.df, kr + step.dr) || !IsEmptySquare(kf + 2 * step.df, kr + 2 * step.dr)) continue;
      for (int sf = kf + 2 * step.df, sr = kr + 2 * step.dr; IsEmptySquare(sf, sr); sf += step.df, sr += step.dr) {
        if (!PassesCaptureLossTest(p_, sf, sr, code, 0)) continue;
        ForkAt(type, code, sf, sr, line);
      }
    }
  }
  bool IsEmptySquare(int file, int rank) const { return IsOnBoard(file, rank) && p_.IsEmpty(file, rank); }
  void ForkAt(int type, PieceCode code, int sf, int sr, int kingLine) {
    const int first = type == ROOK ? kFirstRookLine : kFirstBishopLine;
    const int back = OppositeLine(kingLine);
    const Step toKing = kLineDirections[back];
    const bool kingSideOpen =
        IsEmptySquare(sf + toKing.df, sr + toKing.dr) && p_.AttackCount(o_, sf + toKing.df, sr + toKing.dr) == 0;
    for (int line = first; line < first + 4; ++line) {
      if (line == back) continue;
      const Step step = kLineDirections[line];
      int xf = sf, xr = sr;
      do {
        xf += step.df, xr += step.dr;
      } while (IsEmptySquare(xf, xr));
      if (!IsOnBoard(xf, xr)) continue;
      const PieceCode x = CodeAt(p_, xf, xr);
      if (!IsOwnedBy(x, o_)) continue;
      const int xType = TypeOf(x);
      if (xType == type) return;  // an unpromoted rook (bishop) answers in kind
      if (xType == PAWN) continue;
      bool target = p_.AttackCount(o_, xf, xr) == 0 || p_.AttackCount(s_, xf, xr) > 0;
      if (type == BISHOP && xType == ROOK) {
        target = true;
      } else if (line == kingLine && kingSideOpen) {
        target = false;
      }
      if (!target) continue;
      if (IsBackDrop(last_, prev_, sf, sr, g_movementClassMask[type])) continue;
      if (!Filtered(-1, code, 0, sf, sr) && !done_.HasDrop(sf, sr, code)) WriteDrop(type, sf, sr);
      return;
    }
  }

  // Section 4: own rooks and bishops against the king.
  void LineMoves(int kf, int kr) {
    for (int id = 2; id < 6; ++id) {
      const PieceListEntry& piece = p_.pieces[id];
      if (!IsOnBoard(piece.file, piece.rank) || !IsOwnedBy(piece.code, s_)) continue;
      const int df = kf - piece.file, dr = kr - piece.rank;
      const bool rook = id < 4;
      const bool onLine = rook ? (df == 0 || dr == 0) : (df == dr || df == -dr);
      if (onLine) {
        TakeScreen(id, piece, kf, kr);
      } else if (rook) {
        if (std::abs(dr) > 1) Approach(id, kf, piece.rank, kf, kr);
        if (std::abs(df) > 1) Approach(id, piece.file, kr, kf, kr);
      } else if (((df - dr) & 1) == 0) {
        // The crossings of the bishop's diagonals with the king's: on the
        // king's diagonal of constant file - rank, then of constant file + rank.
        const int a = piece.file - piece.rank, b = piece.file + piece.rank;
        const int ka = kf - kr, kb = kf + kr;
        CrossingMove(id, piece, (ka + b) / 2, (b - ka) / 2, kf, kr);
        CrossingMove(id, piece, (kb + a) / 2, (kb - a) / 2, kf, kr);
      }
    }
  }
  // The first piece between the slider and the king is an enemy piece with
  // the king right behind it and not next to it: take it.
  void TakeScreen(int id, const PieceListEntry& piece, int kf, int kr) {
    const int sf = Sign(kf - piece.file), sr = Sign(kr - piece.rank);
    const PieceListEntry& x = FirstPieceOnRay(p_, piece.file, piece.rank, sf, sr);
    if (!IsOwnedBy(x.code, o_) || (x.file == kf && x.rank == kr)) return;
    if (std::abs(kf - x.file) <= 1 && std::abs(kr - x.rank) <= 1) return;
    if (FirstPieceIdOnRay(p_, x.file, x.rank, sf, sr) != o_) return;
    LineMove(id, x.file, x.rank);
  }
  // A rook move to Y from which the king is the first piece along the line.
  void Approach(int id, int yf, int yr, int kf, int kr) {
    if (!IsOnBoard(yf, yr) || IsOwnPiece(p_, s_, yf, yr)) return;
    if (!IsAttackerBitSet(*p_.SquareRecord(yf, yr), s_, id)) return;
    if (FirstPieceIdOnRay(p_, yf, yr, Sign(kf - yf), Sign(kr - yr)) != o_) return;
    LineMove(id, yf, yr);
  }
  void CrossingMove(int id, const PieceListEntry& piece, int yf, int yr, int kf, int kr) {
    if (!IsOnBoard(yf, yr) || IsOwnPiece(p_, s_, yf, yr)) return;
    const int sf = Sign(yf - piece.file), sr = Sign(yr - piece.rank);
    // The first piece from the bishop toward Y stands on Y or beyond it.
    const PieceListEntry& first = FirstPieceOnRay(p_, piece.file, piece.rank, sf, sr);
    if (std::abs(first.file - piece.file) < std::abs(yf - piece.file) && IsOnBoard(first.file, first.rank)) return;
    if (FirstPieceIdOnRay(p_, yf, yr, Sign(kf - yf), Sign(kr - yr)) != o_) return;
    LineMove(id, yf, yr);
  }
  void LineMove(int id, int toFile, int toRank) {
    if (Exchange(id, toFile, toRank) < 0) return;
    WriteMove(id, toFile, toRank, PromoteFlag(id, toRank), true, true);
  }

  const Position& p_;
  const MoveRecord* last_;
  const MoveRecord* prev_;
  uint32_t key_;
  const MoveCodeList& done_;
  MoveRecord* out_;
  int s_, o_, fwd_;
  int floor_;
  int count_ = 0;
};

}  // namespace

int GenerateKingAttackMovesShallow(const Position& position, const MoveRecord* /*line*/, const MoveRecord* last,
                                   const MoveRecord* prev, uint32_t key, const MoveCodeList& done, MoveRecord* out) {
  return ShallowRun(position, last, prev, key, done, out).Run();
}
