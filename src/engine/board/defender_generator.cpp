// Defenders of one square. The board-move steps (1-6) end early in
// first-only mode once a defender stands on an unattacked square; the
// fifth-rank support, the drops and the unmasking bishop step follow.
#include "engine/board/defender_generator.h"

#include <algorithm>
#include <cstdlib>

#include "engine/board/move_gen_helpers.h"
#include "engine/eval/game_stage.h"

using namespace movegen;

namespace {

constexpr int kLevelMajorsAndGenerals = 13;
constexpr int kLevelAllButPawns = 21;

bool IsGoldMover(int type) {
  return type == GOLD || type == PRO_SILVER || type == PRO_KNIGHT || type == PRO_LANCE || type == TOKIN;
}

class Defenders {
 public:
  Defenders(const Position& position, int file, int rank, int depth, bool firstOnly, MoveRecord* out, int capacity)
      : p_(position), f_(file), r_(rank), depth_(depth), firstOnly_(firstOnly), side_(position.sideToMove),
        enemy_(side_ ^ 1), s_(SideSign(side_)), sink_{out, 0, capacity} {}

  int Run() {
    if (!IsOnBoard(f_, r_)) return 0;
    BoardMoves();
    FifthRankSupport();
    if (Drops()) return sink_.count;
    BishopOffTheFile();
    return sink_.count;
  }

 private:
  bool Empty(int file, int rank) const { return IsOnBoard(file, rank) && p_.IsEmpty(file, rank); }
  bool Own(int file, int rank, int type) const {
    return IsOnBoard(file, rank) && p_.PieceCodeAt(file, rank) == (OwnerBit(side_) | type);
  }
  bool EnemyPiece(int file, int rank, int type) const {
    return IsOnBoard(file, rank) && p_.PieceCodeAt(file, rank) == (OwnerBit(enemy_) | type);
  }
  int EnemyDirect(int file, int rank) const { return p_.AttackCountAt(enemy_, file, rank); }
  int OwnDirect(int file, int rank) const { return p_.AttackCountAt(side_, file, rank); }
  int OwnCount(int file, int rank) const { return p_.AttackCountWithXray(side_, file, rank); }
  int FirstEnemyAttacker(int file, int rank) const {
    return HighestBit64(p_.SquareRecord(file, rank)->directSet[enemy_].high,
                        p_.SquareRecord(file, rank)->directSet[enemy_].low);
  }
  int Held(int type) const { return p_.hand[side_][type - 1]; }
  bool InZone(int rank) const { return IsPromotionZone(side_, rank); }
  bool SafeAt(int level, int file, int rank) const {
    if (EnemyDirect(file, rank) == 0) return true;
    return OwnCount(file, rank) >= 2 && FirstEnemyAttacker(file, rank) <= level;
  }
  // Every square strictly between (file, rank) and the target is empty;
  // the two lie on one line.
  bool ClearTo(int file, int rank) const {
    const int df = Sign(f_ - file);
    const int dr = Sign(r_ - rank);
    for (file += df, rank += dr; file != f_ || rank != r_; file += df, rank += dr) {
      if (!p_.IsEmpty(file, rank)) return false;
    }
    return true;
  }
  // Every square from (file, rank) exclusive to (toFile, toRank) inclusive is
  // empty along one line.
  bool ReachedOverEmpty(int file, int rank, int toFile, int toRank) const {
    const int df = Sign(toFile - file);
    const int dr = Sign(toRank - rank);
    do {
      file += df;
      rank += dr;
      if (!p_.IsEmpty(file, rank)) return false;
    } while (file != toFile || rank != toRank);
    return true;
  }

  // Writes a board move; in first-only mode reports whether it ends the
  // board-move steps (a destination without an enemy direct attacker).
  bool Move(int fromFile, int fromRank, int toFile, int toRank, int promote) {
    sink_.BoardMove(p_, fromFile, fromRank, toFile, toRank, promote);
    return firstOnly_ && EnemyDirect(toFile, toRank) == 0;
  }

  void BoardMoves() {
    if (PawnPush() || NearbyGenerals() || Rooks() || Bishops() || Knights()) return;
    KingSteps();
  }

  bool PawnPush() {
    if (!Empty(f_, r_ - s_) || InZone(r_ - s_) || !Own(f_, r_ - 2 * s_, PAWN)) return false;
    return Move(f_, r_ - 2 * s_, f_, r_ - s_, 0);
  }

  bool NearbyGenerals() {
    for (int file = f_ - 2; file <= f_ + 2; ++file) {
      for (int rank = r_ - 2; rank <= r_ + 2; ++rank) {
        if (!IsOnBoard(file, rank) || (file == f_ && rank == r_)) continue;
        const PieceCode code = p_.PieceCodeAt(file, rank);
        if (!IsOwnedBy(code, side_)) continue;
        const int type = TypeOf(code);
        if (type != SILVER && !IsGoldMover(type)) continue;
        const int df = file - f_;
        const int dr = s_ * (rank - r_);
        for (const DefenderSteps& entry : g_defenderSteps) {
          if (entry.df != df || entry.dr != dr) continue;
          if (type == SILVER) {
            for (int i = 0; i < entry.promotingCount; ++i) {
              const int toRank = rank + entry.promoting[i][1] * s_;
              if (!InZone(rank) && !InZone(toRank)) continue;
              if (Step(file, rank, file + entry.promoting[i][0], toRank, 1)) return true;
            }
            for (int i = 0; i < entry.silverCount; ++i) {
              if (Step(file, rank, file + entry.silver[i][0], rank + entry.silver[i][1] * s_, 0)) return true;
            }
          } else {
            for (int i = 0; i < entry.goldCount; ++i) {
              if (Step(file, rank, file + entry.gold[i][0], rank + entry.gold[i][1] * s_, 0)) return true;
            }
          }
        }
      }
    }
    return false;
  }
  bool Step(int fromFile, int fromRank, int toFile, int toRank, int promote) {
    if (!IsOnBoard(toFile, toRank) || IsBlockedFor(p_, side_, toFile, toRank)) return false;
    if (!SafeAt(kLevelAllButPawns, toFile, toRank)) return false;
    return Move(fromFile, fromRank, toFile, toRank, promote);
  }

  bool Rooks() {
    for (int id = 2; id <= 3; ++id) {
      const PieceListEntry& rook = p_.pieces[id];
      if (!IsOnBoard(rook.file, rook.rank) || !IsOwnedBy(rook.code, side_)) continue;
      if (rook.file == f_ || rook.rank == r_) continue;
      if (LineUp(rook, f_, rook.rank) || LineUp(rook, rook.file, r_)) return true;
    }
    return false;
  }
  // A slider's move over empty squares onto X, from which the line to the
  // target is clear, safe at level 13.
  bool LineUp(const PieceListEntry& piece, int file, int rank) {
    if (!IsOnBoard(file, rank) || !ReachedOverEmpty(piece.file, piece.rank, file, rank) || !ClearTo(file, rank)) {
      return false;
    }
    if (!SafeAt(kLevelMajorsAndGenerals, file, rank)) return false;
    return Move(piece.file, piece.rank, file, rank, MayPromote(piece.code, side_, piece.rank, rank) ? 1 : 0);
  }

  bool Bishops() {
    for (int id = 4; id <= 5; ++id) {
      const PieceListEntry& bishop = p_.pieces[id];
      if (!IsOnBoard(bishop.file, bishop.rank) || !IsOwnedBy(bishop.code, side_)) continue;
      if (bishop.file == f_ && bishop.rank == r_) continue;
      const int difference = bishop.file - bishop.rank;
      const int sum = bishop.file + bishop.rank;
      if (((difference - (f_ - r_)) & 1) == 0) {
        if (std::abs(bishop.file - f_) == std::abs(bishop.rank - r_)) {
          UnmaskingPawnPush(bishop);
          continue;
        }
        // Where the bishop's diagonals cross the target's.
        const int x1File = (f_ - r_ + sum) / 2;
        const int x2File = (f_ + r_ + difference) / 2;
        if (LineUp(bishop, x1File, sum - x1File) || LineUp(bishop, x2File, x2File - difference)) return true;
      } else if (TypeOf(bishop.code) == HORSE && HorseOneLineAway(bishop)) {
        return true;
      }
    }
    return false;
  }
  // An own pawn alone in the diagonal between the bishop and the target is
  // pushed out of the way; this does not end first-only mode.
  void UnmaskingPawnPush(const PieceListEntry& bishop) {
    const int df = Sign(f_ - bishop.file);
    const int dr = Sign(r_ - bishop.rank);
    int file = bishop.file + df;
    int rank = bishop.rank + dr;
    while ((file != f_ || rank != r_) && p_.IsEmpty(file, rank)) {
      file += df;
      rank += dr;
    }
    if ((file == f_ && rank == r_) || !Own(file, rank, PAWN)) return;
    if (!Empty(file, rank + s_) || InZone(rank + s_) || !ClearTo(file, rank)) return;
    sink_.BoardMove(p_, file, rank, file, rank + s_, 0);
  }
  bool HorseOneLineAway(const PieceListEntry& horse) {
    const int hf = horse.file;
    const int hr = horse.rank;
    if (std::abs(hf - f_) + std::abs(hr - r_) == 1) return false;
    const int differenceGap = (f_ - r_) - (hf - hr);
    const int sumGap = (f_ + r_) - (hf + hr);
    int e;
    int fileSquareRank;
    int stepRank;
    if (differenceGap == 1 || differenceGap == -1) {
      e = differenceGap;
      fileSquareRank = r_ + e;
      stepRank = hr - e;
    } else if (sumGap == 1 || sumGap == -1) {
      e = sumGap;
      fileSquareRank = r_ - e;
      stepRank = hr + e;
    } else {
      return false;
    }
    const int diagonal[2][2] = {{f_ - e, r_}, {f_, fileSquareRank}};
    for (const auto& square : diagonal) {
      if (!IsOnBoard(square[0], square[1]) || !ReachedOverEmpty(hf, hr, square[0], square[1])) continue;
      if (!SafeAt(kLevelMajorsAndGenerals, square[0], square[1])) continue;
      if (Move(hf, hr, square[0], square[1], 0)) return true;
    }
    const int orthogonal[2][2] = {{hf + e, hr}, {hf, stepRank}};
    for (const auto& square : orthogonal) {
      if (!Empty(square[0], square[1]) || !ClearTo(square[0], square[1])) continue;
      if (!SafeAt(kLevelMajorsAndGenerals, square[0], square[1])) continue;
      if (Move(hf, hr, square[0], square[1], 0)) return true;
    }
    return false;
  }

  // A knight two files off or straight behind, four ranks back, jumps to
  // where it attacks the target.
  bool Knights() {
    const int fromRank = r_ - 4 * s_;
    const int toRank = r_ - 2 * s_;
    if (fromRank < 1 || fromRank > 9) return false;
    const int jumps[4][2] = {{f_ - 2, f_ - 1}, {f_ + 2, f_ + 1}, {f_, f_ - 1}, {f_, f_ + 1}};
    for (const auto& jump : jumps) {
      if (!Own(jump[0], fromRank, KNIGHT) || !KnightSquareUsable(jump[1], toRank)) continue;
      if (Move(jump[0], fromRank, jump[1], toRank, 0)) return true;
    }
    return false;
  }
  bool KnightSquareUsable(int file, int rank) const {
    if (!Empty(file, rank) || EnemyPiece(file, rank + s_, PAWN)) return false;
    return OwnCount(file, rank) >= 2 || EnemyDirect(file, rank) == 0;
  }

  bool KingSteps() {
    const PieceListEntry& king = p_.pieces[side_];
    if (!IsOnBoard(king.file, king.rank)) return false;
    const int distance = std::max(std::abs(king.file - f_), std::abs(king.rank - r_));
    if (distance != 2) return false;
    for (const movegen::Step& step : kKingSteps) {
      const int file = king.file + step.df;
      const int rank = king.rank + step.dr;
      if (!Empty(file, rank) || EnemyDirect(file, rank) > 0) continue;
      if (std::abs(file - f_) > 1 || std::abs(rank - r_) > 1) continue;
      sink_.BoardMove(p_, king.file, king.rank, file, rank, 0);
      if (firstOnly_) return true;
    }
    return false;
  }

  void FifthRankSupport() {
    if (g_gameStage > 1 || r_ != 5) return;
    bool supported = Own(f_, r_, PAWN);
    if (!supported && p_.IsEmpty(f_, r_) && Own(f_, r_ - s_, PAWN) && EnemyPiece(f_, r_ + s_, PAWN)) {
      int rank = r_ + 2 * s_;
      while (Empty(f_, rank)) rank += s_;
      supported = EnemyPiece(f_, rank, ROOK);
    }
    if (!supported) return;
    const int rank = r_ - 2 * s_;
    for (const int file : {f_ - s_, f_, f_ + s_}) {
      if (!Empty(file, rank)) continue;
      uint64_t set = DirectAttackers(p_, side_, file, rank);
      while (set != 0) {
        const PieceListEntry& piece = p_.pieces[PopHighest(set)];
        if (TypeOf(piece.code) == GOLD || TypeOf(piece.code) == SILVER) {
          sink_.BoardMove(p_, piece.file, piece.rank, file, rank, 0);
        }
      }
    }
  }

  // Returns true when first-only mode ends the function after a drop.
  bool Drop(int type, int file, int rank, bool returnsInFirstOnly) {
    sink_.Drop(p_, side_, type, file, rank);
    return firstOnly_ && returnsInFirstOnly;
  }
  // The conditions of any drop on the side's own bishop square.
  bool BishopSquareAllows(int file, int rank) const {
    const int home = side_ == 0 ? 8 : 2;
    if (file != home || rank != home) return true;
    if (p_.hand[enemy_][BISHOP - 1] > 0 && OwnCount(file, rank) < 2 && depth_ <= 2) return false;
    const int corner = side_ == 0 ? 9 : 1;
    return !Own(corner, corner, BISHOP) || depth_ > 5;
  }
  bool PawnDropAllowed() const { return Held(PAWN) > 0 && !HasPawnOnFile(p_, side_, f_); }

  bool Drops() {
    const int behind = r_ - s_;
    if (PawnDropAllowed() && Empty(f_, behind) && BishopSquareAllows(f_, behind)) {
      if (Drop(PAWN, f_, behind, true)) return true;
    }
    if (Held(LANCE) > 0 && Empty(f_, behind)) {
      for (int rank = behind; Empty(f_, rank); rank -= s_) {
        if (rank == behind && PawnDropAllowed()) continue;
        const int back = rank - s_;
        const bool backed = !p_.IsEmpty(f_, back) || p_.AttackCountAt(enemy_, f_, back) > 0;
        if (!backed || (OwnDirect(f_, rank) == 0 && EnemyDirect(f_, rank) > 0)) continue;
        if (Drop(LANCE, f_, rank, true)) return true;
      }
    }
    const bool kingBehind = depth_ < 3 && RelativeRank(side_, r_) == 7 && p_.IsEmpty(f_, r_) &&
                            p_.pieces[side_].file == f_ && p_.pieces[side_].rank == behind &&
                            OwnCount(f_, r_) < p_.AttackCountWithXray(enemy_, f_, r_);
    const int knightRank = r_ - 2 * s_;
    const bool knightsStop = kingBehind && EnemyPiece(f_, r_ + s_, PAWN) && p_.hand[enemy_][PAWN - 1] > 0;
    if (Held(KNIGHT) > 0 && knightRank >= 1 && knightRank <= 9 && !knightsStop) {
      for (const int file : {f_ - 1, f_ + 1}) {
        if (!KnightSquareFree(file, knightRank)) continue;
        if (Drop(KNIGHT, file, knightRank, true)) return true;
      }
    }
    if (kingBehind && (p_.hand[enemy_][GOLD - 1] > 0 || p_.hand[enemy_][SILVER - 1] > 0)) return false;
    if (GeneralDrops(GOLD, kGoldSteps, 6) || GeneralDrops(SILVER, kSilverSteps, 5)) return true;
    BishopDrops();
    RookDrop();
    return false;
  }
  bool KnightSquareFree(int file, int rank) const {
    if (!Empty(file, rank) || EnemyPiece(file, rank + s_, PAWN)) return false;
    return OwnDirect(file, rank) > 0 || EnemyDirect(file, rank) == 0;
  }
  bool GeneralDrops(int type, const movegen::Step* steps, int count) {
    if (Held(type) == 0) return false;
    for (int i = 0; i < count; ++i) {
      const int file = f_ - steps[i].df;
      const int rank = r_ - steps[i].dr * s_;
      if (!Empty(file, rank)) continue;
      if (EnemyDirect(file, rank) > 0 && (FirstEnemyAttacker(file, rank) >= 22 || OwnDirect(file, rank) == 0)) continue;
      if (Drop(type, file, rank, true)) return true;
    }
    return false;
  }
  void BishopDrops() {
    if (Held(BISHOP) == 0) return;
    // The target's pawn or rook counts whoever owns it; the rook's zone is
    // the enemy's promotion zone, the ranks where the enemy promotes (the
    // side's own camp), as every zone test names a zone by its promoter.
    const int type = TypeOf(p_.PieceCodeAt(f_, r_));
    if (depth_ < 5 && type == PAWN) return;
    if (depth_ >= 5) {
      if (type == PAWN && EnemyDirect(f_, r_) > 0 && TypeOf(p_.pieces[FirstEnemyAttacker(f_, r_)].code) == DRAGON) {
        return;
      }
      if (type == ROOK && IsPromotionZone(enemy_, r_)) return;
    }
    for (int n = kFirstBishopLine; n < kFirstBishopLine + 4; ++n) {
      int file, rank;
      if (FarthestOnLine(kLineDirections[n], [&](int x, int y) { return BishopDropSquare(x, y); }, &file, &rank))
        sink_.Drop(p_, side_, BISHOP, file, rank);
    }
  }
  // The farthest square of a line from the target, over empty squares only,
  // that the test accepts; false when there is none.
  template <typename Accepts>
  bool FarthestOnLine(const movegen::Step& line, Accepts accepts, int* file, int* rank) const {
    int far = 0;
    while (Empty(f_ + (far + 1) * line.df, r_ + (far + 1) * line.dr)) ++far;
    for (int k = far; k >= 1; --k) {
      *file = f_ + k * line.df;
      *rank = r_ + k * line.dr;
      if (accepts(*file, *rank)) return true;
    }
    return false;
  }
  bool BishopDropSquare(int file, int rank) const {
    if ((file == 1 || file == 9) && rank == PieceHomeRank(side_) && depth_ <= 2) return false;
    if (EnemyDirect(file, rank) == 0) return true;
    return p_.AttackCountWithXray(enemy_, file, rank) == 1 && FirstEnemyAttacker(file, rank) < 4 &&
           OwnCount(file, rank) >= 1;
  }
  void RookDrop() {
    if (Held(ROOK) == 0 || Held(GOLD) > 0 || Held(SILVER) > 0) return;
    for (int n = kFirstRookLine; n < kFirstRookLine + 4; ++n) {
      int file, rank;
      if (FarthestOnLine(kLineDirections[n], [&](int x, int y) { return EnemyDirect(x, y) == 0; }, &file, &rank)) {
        sink_.Drop(p_, side_, ROOK, file, rank);
        return;
      }
    }
  }

  // An own bishop on the target's file, backed by an own rook or lance
  // behind it, steps off the file and opens it.
  void BishopOffTheFile() {
    int rank = r_ - s_;
    while (Empty(f_, rank)) rank -= s_;
    if (!Own(f_, rank, BISHOP)) return;
    int back = rank - s_;
    while (Empty(f_, back)) back -= s_;
    if (!Own(f_, back, ROOK) && !Own(f_, back, LANCE)) return;
    const int promote = InZone(rank) ? 1 : 0;
    for (const int file : {f_ - s_, f_ + s_}) {
      if (Empty(file, rank - s_)) sink_.BoardMove(p_, f_, rank, file, rank - s_, promote);
    }
  }

  const Position& p_;
  int f_, r_;
  int depth_;
  bool firstOnly_;
  int side_, enemy_, s_;
  MoveSink sink_;
};

}  // namespace

int GenerateDefenders(const Position& position, int file, int rank, int remainingDepth, int /*kind*/, int firstOnly,
                      MoveRecord* out, int capacity) {
  return Defenders(position, file, rank, remainingDepth, firstOnly != 0, out, capacity).Run();
}
