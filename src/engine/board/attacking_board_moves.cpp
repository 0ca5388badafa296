// Attacking board moves of the step pieces: king, gold-type pieces, silver,
// knight, lance and pawn. The sliders are in attacking_slider_moves.cpp.
#include "engine/board/attacking_board_moves.h"

#include <cstddef>
#include <initializer_list>

#include "engine/board/attack_move_writer.h"
#include "engine/board/king_attack_generator.h"
#include "engine/board/static_exchange.h"
#include "engine/eval/eval_params.h"
#include "engine/eval/game_stage.h"
#include "engine/eval/piece_square_table.h"

using namespace attackmoves;

namespace {

// After a king step in direction d (kKingSteps order), the directions of
// the squares newly next to the king.
constexpr int kKingNewNeighbours[8][6] = {
    {7, 0, 1, -1}, {7, 0, 1, 2, 3, -1}, {1, 2, 3, -1}, {1, 2, 3, 4, 5, -1},
    {3, 4, 5, -1}, {3, 4, 5, 6, 7, -1}, {5, 6, 7, -1}, {5, 6, 7, 0, 1, -1},
};
// After a gold step d (kGoldSteps order), the gold steps newly attacked.
constexpr int kGoldNewTargets[6][5] = {
    {0, 1, 5, -1}, {0, 1, 2, 5, -1}, {1, 2, 3, -1}, {2, 3, 4, -1}, {3, 4, 5, -1}, {0, 1, 4, 5, -1},
};
// After a silver step d (kSilverSteps order): silver steps newly attacked by
// the plain move, gold steps by the promoting one.
constexpr int kSilverNewTargets[5][6] = {
    {0, 1, 2, 3, 4, -1}, {0, 1, 2, 4, -1}, {0, 1, 2, 3, -1}, {0, 2, 3, 4, -1}, {0, 1, 3, 4, -1},
};
constexpr int kPromotedSilverNewTargets[5][6] = {
    {0, 1, 5, -1}, {0, 1, 2, 3, 5, -1}, {0, 1, 2, 3, 4, -1}, {0, 2, 3, 4, 5, -1}, {0, 1, 3, 4, 5, -1},
};
// Keep thresholds on the positional part by [from depth 3][stage].
constexpr int kGoldKeep[2][3] = {{50, 250, 300}, {10, 120, 160}};
constexpr int kSilverKeep[2][3] = {{50, 250, 300}, {20, 60, 160}};

int Stage() { return g_gameStage < 0 ? 0 : g_gameStage > 2 ? 2 : g_gameStage; }

// What a piece of `type` of the side is worth on the square for the
// positional part: piece-square entry and piece value in the opening, the
// larger king-relative value later.
int Worth(const Position& p, int side, int type, int file, int rank) {
  if (g_gameStage == STAGE_OPENING) {
    const int row = g_pieceSquareRow[type];
    const int square = row < 0 ? 0 : g_activePieceSquareTable->At(row, side, file, rank);
    return square + RootPieceValue(p, side, type, file, rank, false);
  }
  return KingRelativeWorth(p, side, type, file, rank);
}

int Exchange(const Position& p, int id, int file, int rank) {
  int firstGain = 0;
  return StaticExchangeForStage(p, p.sideToMove, TypeOf(CodeAt(p, file, rank)), file, rank, id, &firstGain, 0);
}

struct Sides {
  int s, o, fwd;
  explicit Sides(const Position& p) : s(p.sideToMove), o(p.sideToMove ^ 1), fwd(SideSign(p.sideToMove)) {}
};

// Whether a square newly attacked from D holds an enemy piece worth the
// move: not a pawn or tokin; a tokin from depth 8; an unpromoted pawn
// outside the endgame from depth 4 when the enemy does not outnumber.
bool NewTargetWorth(const Position& p, const Sides& sd, int depth, int file, int rank) {
  if (!IsOnBoard(file, rank)) return false;
  const PieceCode code = CodeAt(p, file, rank);
  if (!IsOwnedBy(code, sd.o)) return false;
  const int type = TypeOf(code);
  if (type == TOKIN) return depth >= 8;
  if (type == PAWN) {
    return g_gameStage != STAGE_ENDGAME && depth >= 4 && AttackTotal(p, sd.o, file, rank) <= AttackTotal(p, sd.s, file, rank);
  }
  return true;
}

// The gold and silver members: judge one destination and, when kept, write it.
struct StepJudge {
  const AttackMoveInputs& in;
  const Sides& sd;
  int id;
  PieceCode code;
  int file, rank;

  // An enemy unpromoted pawn straight ahead (the first step of either
  // order) that the enemy does not defend is taken without judging.
  bool TakenAtOnce(int step, int toFile, int toRank) const {
    const Position& p = in.position;
    return step == 0 && CodeAt(p, toFile, toRank) == static_cast<PieceCode>(OwnerBit(sd.o) | PAWN) &&
           p.AttackCount(sd.o, toFile, toRank) == 0;
  }

  // Returns whether to keep the move from (file, rank) to D, with the
  // positional part against `keep` and the newly attacked steps.
  template <std::size_t N>
  bool Keep(int toFile, int toRank, int typeAfter, const int (&keep)[2][3], bool silverFloor, const Step (&steps)[N],
            const int* newTargets) const {
    const Position& p = in.position;
    const int depth = in.depth;
    const PieceCode target = CodeAt(p, toFile, toRank);
    // g is the placing alone: the piece a capture wins counts in e, and a
    // capture must still pass the placing thresholds or find a new target.
    const int g = Worth(p, sd.s, typeAfter, toFile, toRank) - Worth(p, sd.s, TypeOf(code), file, rank);
    int e;
    if (p.AttackCount(sd.o, toFile, toRank) == 0) {
      e = g + (target != 0 ? RootPieceValue(p, sd.o, TypeOf(target), toFile, toRank, false) : 0);
    } else {
      const int own = AttackTotal(p, sd.s, toFile, toRank), enemy = AttackTotal(p, sd.o, toFile, toRank);
      if (own == 1 && ((depth <= 1 && enemy >= 1) || (depth == 2 && enemy >= 2))) return false;
      e = Exchange(p, id, toFile, toRank);
    }
    if (silverFloor && depth < 5 && e < -500) return false;
    if ((depth > 3 || e >= -500) && g >= keep[depth >= 3 ? 1 : 0][Stage()]) return true;
    for (const int* t = newTargets; *t >= 0; ++t) {
      const int tf = toFile + steps[*t].df, tr = toRank + steps[*t].dr * sd.fwd;
      if (NewTargetWorth(p, sd, depth, tf, tr)) return true;
    }
    return false;
  }
};

}  // namespace

int GenerateKingMoveAttacks(const AttackMoveInputs& in, int side, int kingFile, int kingRank, MoveRecord* out) {
  const Position& p = in.position;
  const int o = side ^ 1, fwd = SideSign(side);
  MoveWriter writer(in, p.PieceIdAt(kingFile, kingRank), CodeAt(p, kingFile, kingRank), kingFile, kingRank, out);
  for (int d = 0; d < 8; ++d) {
    const int df = kKingSteps[d].df, dr = kKingSteps[d].dr * fwd;
    const int f = kingFile + df, r = kingRank + dr;
    if (IsBlockedFor(p, side, f, r) || AttackTotal(p, o, f, r) != 0) continue;
    if (!p.IsEmpty(f, r)) {
      writer.Write(f, r, 0);
      continue;
    }
    if (in.depth < 2) continue;
    for (const int* n = kKingNewNeighbours[d]; *n >= 0; ++n) {
      const int nf = f + kKingSteps[*n].df, nr = r + kKingSteps[*n].dr * fwd;
      if (!IsOnBoard(nf, nr) || !IsOwnedBy(CodeAt(p, nf, nr), o)) continue;
      if (AttackTotal(p, o, nf, nr) <= AttackTotal(p, side, nf, nr)) {
        writer.Write(f, r, 0);
        break;
      }
    }
  }
  return writer.Count();
}

int GenerateGoldMoveAttacks(const AttackMoveInputs& in, int id, PieceCode code, int file, int rank, MoveRecord* out) {
  const Position& p = in.position;
  const Sides sd(p);
  MoveWriter writer(in, id, code, file, rank, out);
  const StepJudge judge{in, sd, id, code, file, rank};
  for (int d = 0; d < 6; ++d) {
    const int f = file + kGoldSteps[d].df, r = rank + kGoldSteps[d].dr * sd.fwd;
    if (IsBlockedFor(p, sd.s, f, r)) continue;
    const bool take = judge.TakenAtOnce(d, f, r);
    if (!take && !judge.Keep(f, r, TypeOf(code), kGoldKeep, false, kGoldSteps, kGoldNewTargets[d])) continue;
    if (writer.IsBackMove(f, r)) continue;
    writer.Write(f, r, 0);
  }
  return writer.Count();
}

int GenerateSilverMoveAttacks(const AttackMoveInputs& in, int id, PieceCode code, int file, int rank,
                              MoveRecord* out) {
  const Position& p = in.position;
  const Sides sd(p);
  MoveWriter writer(in, id, code, file, rank, out);
  const StepJudge judge{in, sd, id, code, file, rank};
  for (int d = 0; d < 5; ++d) {
    const int f = file + kSilverSteps[d].df, r = rank + kSilverSteps[d].dr * sd.fwd;
    if (IsBlockedFor(p, sd.s, f, r) || writer.IsBackMove(f, r)) continue;
    // An undefended pawn ahead is taken at once in both forms, promoting
    // (where it may) and plain: the capture decides, not the form.
    const bool take = judge.TakenAtOnce(d, f, r);
    // Promoting and plain moves are judged each on its own: a promotion
    // that loses the silver's diagonal attack is written plain.
    if (MayPromote(code, sd.s, rank, r) &&
        (take || judge.Keep(f, r, PRO_SILVER, kSilverKeep, true, kGoldSteps, kPromotedSilverNewTargets[d]))) {
      writer.Write(f, r, 1);
    }
    if (take || judge.Keep(f, r, SILVER, kSilverKeep, true, kSilverSteps, kSilverNewTargets[d])) writer.Write(f, r, 0);
  }
  return writer.Count();
}

int GenerateKnightMoveAttacks(const AttackMoveInputs& in, int id, PieceCode code, int file, int rank,
                              MoveRecord* out) {
  const Position& p = in.position;
  const Sides sd(p);
  const int depth = in.depth;
  MoveWriter writer(in, id, code, file, rank, out);
  const int r = rank + 2 * sd.fwd;
  for (const int f : {file - 1, file + 1}) {
    // A jump of two ranks can pass the wall ring: only board squares count.
    if (!IsOnBoard(f, r) || IsOwnPiece(p, sd.s, f, r)) continue;
    const int own = AttackTotal(p, sd.s, f, r), enemy = AttackTotal(p, sd.o, f, r);
    const bool inCamp = IsPromotionZone(sd.s, r);
    if (!p.IsEmpty(f, r)) {
      if (TypeOf(CodeAt(p, f, r)) == PAWN && own == 1 && ((depth < 2 && enemy > 0) || (depth == 2 && enemy >= 2))) {
        continue;
      }
    } else if (!inCamp) {
      const bool ownHalf = RelativeRank(sd.s, r) > 5;
      if (depth < 3 || (depth < 5 && ownHalf)) {
        uint64_t knights = movegen::DirectAttackers(p, sd.o, f, r) & (uint64_t{0xf} << 14);
        bool enemyKnight = false;
        while (knights != 0) {
          if (!IsPromoted(p.pieces[PopHighest(knights)].code)) enemyKnight = true;
        }
        if (enemyKnight) continue;
      }
      bool keep = false, reject = false;
      const int tr = r + 2 * sd.fwd;
      for (const int tf : {f - 1, f + 1}) {
        const PieceCode target = IsOnBoard(tf, tr) ? CodeAt(p, tf, tr) : WALL_CODE;
        if (IsOwnedBy(target, sd.o) &&
            (TypeOf(target) != PAWN || AttackTotal(p, sd.s, tf, tr) >= AttackTotal(p, sd.o, tf, tr))) {
          keep = true;
          break;
        }
        if (depth < 2 && !IsOwnedBy(target, sd.o)) {
          reject = true;
          break;
        }
      }
      if (!keep || reject) continue;
    } else {
      if (own == 1 && ((depth <= 1 && p.AttackCount(sd.o, f, r) > 0) || (depth == 2 && enemy >= 2))) continue;
      const bool pawnBehind = IsOnBoard(f, r - sd.fwd) && CodeAt(p, f, r - sd.fwd) == static_cast<PieceCode>(OwnerBit(sd.s) | PAWN);
      if (depth <= 1 && own + 1 <= enemy && !pawnBehind) continue;
    }
    if (writer.IsBackMove(f, r)) continue;
    if (inCamp) {
      // Shallow, the promotion is the knight's one try: the generator ends
      // here even when the filters refused it, and no plain jump stands in.
      writer.Write(f, r, 1);
      if (depth < 2) return writer.Count();
    }
    if (!IsDeadEndRank(sd.s, r, 2)) writer.Write(f, r, 0);
  }
  return writer.Count();
}

int GenerateLanceMoveAttacks(const AttackMoveInputs& in, int id, PieceCode code, int file, int rank,
                             MoveRecord* out) {
  const Position& p = in.position;
  const Sides sd(p);
  const int depth = in.depth;
  MoveWriter writer(in, id, code, file, rank, out);
  // With the key set after an enemy lance's move from this file, only its
  // destination rank is worth a promotion.
  int onlyRank = 0;
  if (in.key != 0 && in.last != nullptr && !in.last->IsNull() && !in.last->IsDrop() &&
      TypeOf(in.last->pieceCode) == LANCE && in.last->fromFile == file) {
    onlyRank = in.last->toRank;
  }
  for (int r = rank + sd.fwd; IsOnBoard(file, r) && !IsOwnPiece(p, sd.s, file, r); r += sd.fwd) {
    const PieceCode target = CodeAt(p, file, r);
    bool skipCapture = false;
    if (depth < 3 && target == static_cast<PieceCode>(OwnerBit(sd.o) | PAWN)) {
      const int own = AttackTotal(p, sd.s, file, r);
      const int front = r + sd.fwd;
      skipCapture = (own == 1 && p.AttackCount(sd.o, file, r) > 0) ||
                    (IsOnBoard(file, front) && p.IsEmpty(file, front) && p.hand[sd.s][PAWN - 1] > 0 &&
                     AttackTotal(p, sd.s, file, front) < AttackTotal(p, sd.o, file, front));
    }
    if (!writer.IsBackMove(file, r) && !skipCapture) {
      if (IsPromotionZone(sd.s, r)) {
        const bool blockedAhead = target == 0 && IsOwnPiece(p, sd.s, file, r + sd.fwd);
        if (!blockedAhead && (onlyRank == 0 || onlyRank == r)) writer.Write(file, r, 1);
      }
      // Plain moves only for captures, and never onto the last two ranks.
      if (target != 0 && RelativeRank(sd.s, r) >= 3) writer.Write(file, r, 0);
    }
    if (target != 0) break;
  }
  return writer.Count();
}

int GeneratePawnMoveAttacks(const AttackMoveInputs& in, int id, PieceCode code, int file, int rank, MoveRecord* out) {
  const Position& p = in.position;
  const Sides sd(p);
  const int depth = in.depth;
  MoveWriter writer(in, id, code, file, rank, out);
  const int r = rank + sd.fwd;
  if (!IsOnBoard(file, r) || IsOwnPiece(p, sd.s, file, r)) return 0;
  const bool inCamp = IsPromotionZone(sd.s, r);
  if (p.IsEmpty(file, r)) {
    const int own = AttackTotal(p, sd.s, file, r), enemy = AttackTotal(p, sd.o, file, r);
    const int beyond = r + sd.fwd;
    const PieceCode beyondCode = IsOnBoard(file, beyond) ? CodeAt(p, file, beyond) : WALL_CODE;
    if (depth < 3) {
      if (own == 1 && (enemy >= 2 || (enemy == 1 && depth <= 1))) return 0;
      if (TypeOf(beyondCode) == PAWN && (g_gameStage == STAGE_ENDGAME || depth < 2)) return 0;
    }
    if (!inCamp) {
      if (beyondCode == WALL_CODE || IsOwnedBy(beyondCode, sd.s)) return 0;
      if (beyondCode == static_cast<PieceCode>(OwnerBit(sd.o) | PAWN) && depth <= 3 &&
          RelativeRank(sd.s, rank) >= 7 && own <= enemy) {
        return 0;
      }
      const int n = RelativeRank(sd.s, r);
      if (beyondCode == 0 && n >= 5) {
        int back = rank - sd.fwd;
        while (IsOnBoard(file, back) && p.IsEmpty(file, back)) back -= sd.fwd;
        const PieceCode behind = IsOnBoard(file, back) ? CodeAt(p, file, back) : PieceCode{0};
        const bool backed = IsOwnedBy(behind, sd.s) && (TypeOf(behind) == LANCE || TypeOf(behind) == ROOK) &&
                            depth >= 2 * n - 6;
        const int twoBeyond = r + 2 * sd.fwd;
        const PieceCode far = IsOnBoard(file, twoBeyond) ? CodeAt(p, file, twoBeyond) : PieceCode{0};
        const bool opens = g_gameStage == STAGE_OPENING && depth >= 3 && IsOwnedBy(far, sd.s) &&
                           (TypeOf(far) == KNIGHT || TypeOf(far) == BISHOP);
        if (!backed && !opens) return 0;
      }
    }
  }
  if (writer.IsBackMove(file, r)) return 0;
  writer.Write(file, r, inCamp ? 1 : 0);
  return writer.Count();
}
