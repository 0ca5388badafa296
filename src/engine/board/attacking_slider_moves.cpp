// Attacking board moves of the sliders: rook or dragon, bishop or horse.
// A quiet move is written only when enough targets are counted from its
// destination; captures and promotions into the camp go straight through.
#include <cstddef>
#include <cstdlib>
#include <initializer_list>

#include "engine/board/attack_move_writer.h"
#include "engine/eval/game_stage.h"

using namespace attackmoves;

namespace {

bool IsGoldLike(int type) {
  return type == GOLD || type == SILVER || type == PRO_SILVER || type == PRO_KNIGHT || type == PRO_LANCE ||
         type == TOKIN;
}

// The slider being moved and what every judgement reads.
struct Slider {
  const AttackMoveInputs& in;
  const Position& p;
  int id;
  PieceCode code;
  int file, rank;
  int s, o, fwd;

  Slider(const AttackMoveInputs& inputs, int pieceId, PieceCode pieceCode, int f, int r)
      : in(inputs),
        p(inputs.position),
        id(pieceId),
        code(pieceCode),
        file(f),
        rank(r),
        s(inputs.position.sideToMove),
        o(inputs.position.sideToMove ^ 1),
        fwd(SideSign(inputs.position.sideToMove)) {}

  int Total(int side, int f, int r) const { return AttackTotal(p, side, f, r); }
  int Direct(int side, int f, int r) const { return p.AttackCountAt(side, f, r); }
  bool InCamp(int r) const { return IsPromotionZone(s, r); }
  bool EnemyCheap(int f, int r) const { return Total(o, f, r) <= Total(s, f, r); }
  bool EnemyPawnAt(int f, int r) const {
    return IsOnBoard(f, r) && CodeAt(p, f, r) == static_cast<PieceCode>(OwnerBit(o) | PAWN);
  }
  // The first cell from (f, r) along the step over empty squares.
  void FirstPiece(int& f, int& r, int df, int dr) const {
    f += df, r += dr;
    while (IsOnBoard(f, r) && p.IsEmpty(f, r)) f += df, r += dr;
  }
  // The next cell beyond (f, r) holds no own piece or border and the two
  // sides' totals there are equal: a supported piece that advances.
  bool OpenAndBalanced(int f, int r) const {
    return !IsBlockedFor(p, s, f, r) && Total(o, f, r) == Total(s, f, r);
  }
  // Lane check from Y back toward X: the first camp square the enemy leaves
  // open counts; leaving the camp first counts nothing.
  bool LaneCheck(int yf, int yr, int xf, int xr, bool anyAttack) const {
    if (!IsOnBoard(yf, yr) || !InCamp(yr)) return false;
    const int df = Sign(xf - yf), dr = Sign(xr - yr);
    for (int f = yf + df, r = yr + dr; (f != xf || r != xr) && IsOnBoard(f, r) && InCamp(r); f += df, r += dr) {
      const bool attacked = anyAttack ? Total(o, f, r) > 0 : Direct(o, f, r) > 0;
      if (!attacked) return true;
    }
    return false;
  }
  bool BackRulesRefuse(MoveWriter& writer, int toFile, int toRank, bool lineRuleApplies) const {
    const MoveRecord* last = in.last;
    if (last != nullptr && last->IsNull()) return lineRuleApplies && writer.RepeatsLineAfterNull(toFile, toRank);
    return writer.IsBackMove(toFile, toRank);
  }
  // Step 6 of the rook: at depth 1 or below a capture or promotion onto a
  // square only the rook holds, while the rook itself is not attacked.
  bool ShallowCaptureRefused(int f, int r) const {
    return in.depth <= 1 && Direct(o, f, r) > 0 && Total(s, f, r) == 1 && Direct(o, file, rank) == 0;
  }
};

// An escape square of an enemy horse on (f, r): along its diagonals over
// empty squares, one the enemy can stand on that the side does not attack.
bool HorseHasEscape(const Slider& sl, int f, int r) {
  for (int line = kFirstBishopLine; line < kFirstBishopLine + 4; ++line) {
    const Step step = kLineDirections[line];
    for (int ef = f + step.df, er = r + step.dr;; ef += step.df, er += step.dr) {
      if (IsBlockedFor(sl.p, sl.o, ef, er)) break;
      if (sl.Direct(sl.s, ef, er) == 0) return true;
      if (!sl.p.IsEmpty(ef, er)) break;
    }
  }
  return false;
}

// Targets counted from a rook's quiet destination X (step 4 of the rook).
int RookTargets(const Slider& sl, int xf, int xr, int d, bool promote, bool& horseEscape) {
  const Position& p = sl.p;
  const int depth = sl.in.depth;
  const bool dragon = TypeOf(sl.code) == DRAGON;
  const bool unpromoted = !IsPromoted(sl.code);
  int count = 0;
  auto judge = [&](int yf, int yr, bool forwardLine, bool diagonalStep) {
    const PieceCode y = IsOnBoard(yf, yr) ? CodeAt(p, yf, yr) : WALL_CODE;
    const bool laneAllowed = forwardLine && unpromoted && !promote;
    if (y == WALL_CODE || IsOwnedBy(y, sl.s)) {
      if (diagonalStep || !forwardLine) return;
      if (y == WALL_CODE) {
        if (laneAllowed && sl.LaneCheck(yf, yr, xf, xr, false)) ++count;
        return;
      }
      const int type = TypeOf(y);
      if (BaseTypeOf(y) == ROOK || BaseTypeOf(y) == BISHOP) return;
      if (IsGoldLike(type)) {
        if (depth < 4) return;
        if (sl.OpenAndBalanced(yf, yr + sl.fwd)) {
          ++count;
        } else if (laneAllowed && sl.LaneCheck(yf, yr, xf, xr, false)) {
          ++count;
        }
      } else if (type == LANCE) {
        int zf = yf, zr = yr;
        sl.FirstPiece(zf, zr, 0, sl.fwd);
        if (!IsBlockedFor(p, sl.s, zf, zr) && sl.Total(sl.o, zf, zr) == sl.Total(sl.s, zf, zr)) {
          ++count;
        } else if (laneAllowed && sl.LaneCheck(yf, yr, xf, xr, false)) {
          ++count;
        }
      } else if (type == PAWN) {
        if (IsPromotionZone(sl.s, yr + sl.fwd) && depth > 2) ++count;
      } else if (laneAllowed && sl.LaneCheck(yf, yr, xf, xr, false)) {
        ++count;
      }
      return;
    }
    const int type = TypeOf(y);
    if (type == ROOK || type == KING || type == DRAGON) {
      ++count;
    } else if (type == BISHOP) {
      if (depth > 3 || sl.EnemyCheap(yf, yr)) ++count;
    } else if (type == HORSE) {
      if (depth < 6 && HorseHasEscape(sl, yf, yr)) horseEscape = true;
      if (depth > 3 || sl.EnemyCheap(yf, yr)) ++count;
    } else {
      if (type == PAWN && depth < 6 && (!sl.InCamp(yr) || dragon)) return;
      if (sl.EnemyCheap(yf, yr)) ++count;
      if (count == 0 && laneAllowed && sl.LaneCheck(yf, yr, xf, xr, false)) ++count;
    }
  };
  // The two cross lines: the rook lines across d.
  for (const int cross : {(d + 1) & 3, (d + 3) & 3}) {
    const Step step = kLineDirections[cross];
    int yf = xf, yr = xr;
    sl.FirstPiece(yf, yr, step.df, step.dr);
    // A dragon already attacks what stands diagonally next to it.
    if (dragon && std::abs(yf - sl.file) == 1 && std::abs(yr - sl.rank) == 1) continue;
    judge(yf, yr, step.dr == sl.fwd, false);
  }
  if (promote || dragon) {
    for (int line = kFirstBishopLine; line < kFirstBishopLine + 4; ++line) {
      const int yf = xf + kLineDirections[line].df, yr = xr + kLineDirections[line].dr;
      if (IsOnBoard(yf, yr) && p.IsEmpty(yf, yr)) continue;
      judge(yf, yr, false, true);
    }
  }
  return count;
}

int RookCountNeeded(int depth, bool horseEscape) {
  if (depth == 1) return 2;
  if (depth == 2 || depth == 3) return g_gameStage == STAGE_OPENING ? 1 : 2;
  if (depth == 4 || depth == 5) return horseEscape ? 2 : 1;
  return 1;
}

void DragonDiagonalSteps(const Slider& sl, MoveWriter& writer) {
  const Position& p = sl.p;
  const int depth = sl.in.depth;
  for (int d = kFirstBishopLine; d < kFirstBishopLine + 4; ++d) {
    const int xf = sl.file + kLineDirections[d].df, xr = sl.rank + kLineDirections[d].dr;
    if (IsBlockedFor(p, sl.s, xf, xr)) continue;
    const bool empty = p.IsEmpty(xf, xr);
    if ((empty || sl.EnemyPawnAt(xf, xr)) && sl.Total(sl.o, xf, xr) >= sl.Total(sl.s, xf, xr)) continue;
    if (!empty) {
      if (!sl.ShallowCaptureRefused(xf, xr)) writer.Write(xf, xr, 0);
      continue;
    }
    int count = 0;
    auto judge = [&](int yf, int yr, bool diagonalNeighbour) {
      if (!IsOnBoard(yf, yr)) return;
      const PieceCode y = CodeAt(p, yf, yr);
      if (!IsOwnedBy(y, sl.o)) return;
      if (diagonalNeighbour && (DirectAttackers(p, sl.s, yf, yr) >> sl.id & 1)) return;
      if (!diagonalNeighbour && std::abs(yf - sl.file) <= 1 && std::abs(yr - sl.rank) <= 1) return;
      const int type = TypeOf(y);
      const bool behind = sl.Total(sl.s, yf, yr) < sl.Total(sl.o, yf, yr);
      if (type == PAWN) {
        if (depth >= 4 && !behind) ++count;
      } else if (BaseTypeOf(y) == ROOK || BaseTypeOf(y) == BISHOP) {
        if (!(depth < 4 && behind)) ++count;
      } else if (type == KING) {
        ++count;
      } else if (!behind) {
        ++count;
      }
    };
    for (int line = kFirstBishopLine; line < kFirstBishopLine + 4; ++line) {
      const int yf = xf + kLineDirections[line].df, yr = xr + kLineDirections[line].dr;
      if (yf == sl.file && yr == sl.rank) continue;
      judge(yf, yr, true);
    }
    for (int line = kFirstRookLine; line < kFirstRookLine + 4; ++line) {
      int yf = xf, yr = xr;
      sl.FirstPiece(yf, yr, kLineDirections[line].df, kLineDirections[line].dr);
      judge(yf, yr, false);
    }
    // The null-move line rule holds a dragon only to its orthogonal moves,
    // so these diagonal steps go straight to the filters.
    if (count >= (depth >= 3 ? 1 : 2)) writer.Write(xf, xr, 0);
  }
}

}  // namespace

int GenerateRookMoveAttacks(const AttackMoveInputs& in, int id, PieceCode code, int file, int rank, MoveRecord* out) {
  const Slider sl(in, id, code, file, rank);
  const Position& p = sl.p;
  MoveWriter writer(in, id, code, file, rank, out);
  const bool unpromoted = !IsPromoted(code);
  for (int d = kFirstRookLine; d < kFirstRookLine + 4; ++d) {
    const Step step = kLineDirections[d];
    for (int xf = file + step.df, xr = rank + step.dr; !IsBlockedFor(p, sl.s, xf, xr); xf += step.df, xr += step.dr) {
      const bool empty = p.IsEmpty(xf, xr);
      const bool last = !empty;
      if ((empty || sl.EnemyPawnAt(xf, xr)) && sl.Total(sl.s, xf, xr) <= sl.Total(sl.o, xf, xr)) {
        if (last) break;
        continue;
      }
      if (empty && sl.EnemyPawnAt(xf, xr + sl.fwd)) continue;
      const bool promote = unpromoted && (sl.InCamp(rank) || sl.InCamp(xr));
      const bool direct = !empty || (promote && !sl.InCamp(rank));
      bool keep = true;
      if (direct) {
        keep = !sl.ShallowCaptureRefused(xf, xr);
      } else {
        bool horseEscape = false;
        const int count = RookTargets(sl, xf, xr, d, promote, horseEscape);
        keep = count >= RookCountNeeded(in.depth, horseEscape);
      }
      if (keep && !sl.BackRulesRefuse(writer, xf, xr, true)) writer.Write(xf, xr, promote ? 1 : 0);
      if (last) break;
    }
  }
  if (TypeOf(code) == DRAGON) DragonDiagonalSteps(sl, writer);
  return writer.Count();
}

namespace {

// Targets counted from a bishop's quiet destination X (step 3 of the
// bishop); -1 means "write at once", -2 "never write".
constexpr int kWriteNow = -1;
constexpr int kNeverWrite = -2;

int BishopTargets(const Slider& sl, int xf, int xr, int d) {
  const Position& p = sl.p;
  const int depth = sl.in.depth;
  const bool horse = TypeOf(sl.code) == HORSE;
  const bool unpromoted = !IsPromoted(sl.code);
  int count = 0;
  int verdict = 0;
  auto judge = [&](int yf, int yr, bool forwardLine, bool orthogonalStep) {
    const PieceCode y = IsOnBoard(yf, yr) ? CodeAt(p, yf, yr) : WALL_CODE;
    const bool laneAllowed = forwardLine && unpromoted;
    const int df = Sign(yf - xf), dr = Sign(yr - xr);
    if (y == WALL_CODE || IsOwnedBy(y, sl.s)) {
      if (orthogonalStep || !forwardLine) return;
      if (y == WALL_CODE) {
        if (laneAllowed && sl.LaneCheck(yf, yr, xf, xr, true)) ++count;
        return;
      }
      if (BaseTypeOf(y) == ROOK || BaseTypeOf(y) == BISHOP) return;
      if (IsGoldLike(TypeOf(y)) && sl.OpenAndBalanced(yf + df, yr + dr)) {
        ++count;
      } else if (laneAllowed && sl.LaneCheck(yf, yr, xf, xr, true)) {
        ++count;
      }
      return;
    }
    const int type = TypeOf(y);
    if (type == ROOK || type == DRAGON || type == HORSE) {
      if (depth >= 2) {
        verdict = kWriteNow;
      } else {
        ++count;
      }
    } else if (type == BISHOP) {
      verdict = depth < 3 ? kNeverWrite : kWriteNow;
    } else if (type == KING) {
      if (std::abs(yf - xf) <= 1 && std::abs(yr - xr) <= 1) {
        verdict = kWriteNow;
      } else {
        ++count;
      }
    } else {
      if (type == PAWN && depth < 4 && sl.InCamp(yr)) return;
      if (sl.EnemyCheap(yf, yr)) ++count;
      if (count == 0 && laneAllowed && sl.LaneCheck(yf, yr, xf, xr, true)) ++count;
    }
  };
  // The two cross diagonals across d: the lines of 4-7 at right angles.
  for (int cross = kFirstBishopLine; cross < kFirstBishopLine + 4 && verdict == 0; ++cross) {
    if (cross == d || cross == OppositeLine(d)) continue;
    const Step step = kLineDirections[cross];
    int yf = xf, yr = xr;
    sl.FirstPiece(yf, yr, step.df, step.dr);
    judge(yf, yr, step.dr == sl.fwd, false);
  }
  if (horse) {
    for (int line = kFirstRookLine; line < kFirstRookLine + 4 && verdict == 0; ++line) {
      const int yf = xf + kLineDirections[line].df, yr = xr + kLineDirections[line].dr;
      if (IsOnBoard(yf, yr) && p.IsEmpty(yf, yr)) continue;
      // Orthogonally next to the horse's own square: it already attacks it.
      if (std::abs(yf - sl.file) + std::abs(yr - sl.rank) == 1) continue;
      judge(yf, yr, false, true);
    }
  }
  return verdict != 0 ? verdict : count;
}

void HorseOrthogonalSteps(const Slider& sl, MoveWriter& writer) {
  const Position& p = sl.p;
  const int depth = sl.in.depth;
  for (int d = kFirstRookLine; d < kFirstRookLine + 4; ++d) {
    const Step step = kLineDirections[d];
    const int xf = sl.file + step.df, xr = sl.rank + step.dr;
    if (IsBlockedFor(p, sl.s, xf, xr)) continue;
    const bool empty = p.IsEmpty(xf, xr);
    if ((empty || sl.EnemyPawnAt(xf, xr)) && sl.Total(sl.o, xf, xr) >= sl.Total(sl.s, xf, xr)) continue;
    if (!empty) {
      // The null-move line rule holds a horse only to its diagonal moves.
      writer.Write(xf, xr, 0);
      continue;
    }
    int count = 0;
    bool now = false;
    const int bf = xf + step.df, br = xr + step.dr;
    if (IsOnBoard(bf, br) && IsOwnedBy(CodeAt(p, bf, br), sl.o)) {
      const int type = TypeOf(CodeAt(p, bf, br));
      if (type == ROOK || type == DRAGON) {
        now = true;
      } else if (type == KING) {
        count = 1;
        now = depth >= 4;
      } else if (!(type == PAWN && depth < 4) && sl.EnemyCheap(bf, br)) {
        count = 1;
      }
    }
    for (int line = kFirstBishopLine; line < kFirstBishopLine + 4 && !now; ++line) {
      const Step diagonal = kLineDirections[line];
      int zf = xf, zr = xr;
      sl.FirstPiece(zf, zr, diagonal.df, diagonal.dr);
      if (!IsOnBoard(zf, zr) || zf == sl.file || zr == sl.rank) continue;
      const PieceCode z = CodeAt(p, zf, zr);
      const int type = TypeOf(z);
      if (IsOwnedBy(z, sl.s)) {
        if (diagonal.dr == sl.fwd && IsGoldLike(type) && sl.OpenAndBalanced(zf + diagonal.df, zr + diagonal.dr)) ++count;
      } else if (type == ROOK || type == DRAGON) {
        now = true;
      } else if (type == PAWN && depth < 4) {
      } else if (type == KING || sl.EnemyCheap(zf, zr)) {
        ++count;
      }
    }
    if (now || count >= (depth < 4 ? 2 : 1)) writer.Write(xf, xr, 0);
  }
}

}  // namespace

int GenerateBishopMoveAttacks(const AttackMoveInputs& in, int id, PieceCode code, int file, int rank,
                              MoveRecord* out) {
  const Slider sl(in, id, code, file, rank);
  const Position& p = sl.p;
  MoveWriter writer(in, id, code, file, rank, out);
  const bool unpromoted = !IsPromoted(code);
  for (int d = kFirstBishopLine; d < kFirstBishopLine + 4; ++d) {
    const Step step = kLineDirections[d];
    for (int xf = file + step.df, xr = rank + step.dr; !IsBlockedFor(p, sl.s, xf, xr); xf += step.df, xr += step.dr) {
      const bool empty = p.IsEmpty(xf, xr);
      const bool last = !empty;
      const bool skip = empty ? !(sl.Total(sl.o, xf, xr) < sl.Total(sl.s, xf, xr) && !sl.EnemyPawnAt(xf, xr + sl.fwd))
                              : sl.EnemyPawnAt(xf, xr) && !(in.depth > 5 || sl.Total(sl.o, xf, xr) < sl.Total(sl.s, xf, xr));
      if (skip) {
        if (last) break;
        continue;
      }
      const bool promote = unpromoted && (sl.InCamp(rank) || sl.InCamp(xr));
      bool keep = true;
      if (!promote && empty) {
        const int count = BishopTargets(sl, xf, xr, d);
        keep = count == kWriteNow || (count >= 0 && count >= (in.depth < 4 ? 2 : 1));
      }
      if (keep && !sl.BackRulesRefuse(writer, xf, xr, true)) writer.Write(xf, xr, promote ? 1 : 0);
      if (last) break;
    }
  }
  if (TypeOf(code) == HORSE) HorseOrthogonalSteps(sl, writer);
  return writer.Count();
}
