// The pattern term: a first half of king safety (defence and enemy-king
// words, with the tempo), then a second half of piece configuration
// (material addends). The steps run in a fixed order; each adds to the
// working sums of its half.
#include "engine/eval/pattern_eval.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "engine/board/static_exchange.h"
#include "engine/eval/eval_cells.h"
#include "engine/eval/eval_params.h"
#include "engine/eval/eval_tables.h"
#include "engine/eval/king_relative_values.h"
#include "engine/eval/pattern_tables.h"
#include "engine/eval/root_eval_blocks.h"
#include "engine/eval/side_view.h"

using namespace eval_cells;
using namespace pattern_eval;

namespace {

constexpr int TEMPO = 600;

struct PatternSums {
  int defence[2] = {0, 0};     // DS: to the defence addends
  int kingAttack[2] = {0, 0};  // KS: to the enemy-king words
  int pattern[2] = {0, 0};     // PS: to the material addends
};

bool InOwnCamp(int side, int rank) { return (5 - rank) * SideSign(side) >= 2; }

// ---------------------------------------------------------------------------
// First half

// A gold its side does not guard, in its camp, with a way in for the enemy.
bool GoldIsExposed(const Position& position, int side, int f, int r) {
  const int enemy = 1 - side, back = -SideSign(side);
  for (const int towards : {+1, -1}) {  // higher files first
    if (!EmptyAt(position, f + towards, r)) continue;
    for (int file = f + 2 * towards;; file += towards) {
      if (EmptyAt(position, file, r)) {
        if (position.AttackCountAt(side, file, r) == 0) return true;
        continue;
      }
      const PieceCode code = CodeAt(position, file, r);
      if (IsOwnedBy(code, enemy) && BaseTypeOf(code) == ROOK) return true;
      break;
    }
  }
  if (r == PawnHomeRank(side) && EmptyAt(position, f, r + back)) {
    if (IsPieceAt(position, enemy, ROOK, f, r + 2 * back)) return true;
    if (EmptyAt(position, f, r + 2 * back) && position.AttackCountAt(side, f, r + 2 * back) == 0) return true;
  }
  if (r == PieceHomeRank(side)) {
    // The border counts as occupied (it holds a piece of both sides), so a
    // gold on an edge file is never open behind.
    bool open = true;
    for (int df = -1; df <= 1; df += 2) {
      if (HoldsPieceOf(position, enemy, f + df, r + back) || position.AttackCountAt(side, f + df, r + back) != 0) {
        open = false;
      }
    }
    if (open) return true;
  }
  return false;
}

void HangingGolds(const Position& position, PatternSums& sums) {
  for (int id = 6; id <= 9; ++id) {
    const PieceListEntry& gold = position.pieces[id];
    if (!OnBoard(gold)) continue;
    const int side = OwnerOf(gold.code);
    const PieceListEntry& king = position.pieces[side];
    if (!OnBoard(king) || position.AttackCount(side, gold.file, gold.rank) != 0 || !InOwnCamp(side, gold.rank))
      continue;
    if (GoldIsExposed(position, side, gold.file, gold.rank)) {
      sums.defence[side] -= KingDefenceValue(g_evalParams, side, GOLD, king.file, king.rank, gold.file, gold.rank) / 5;
    }
  }
}

void TokinsAndAdvancedPawns(const Position& position, PatternSums& sums) {
  for (int side = 0; side < 2; ++side) {
    const int enemy = 1 - side, forward = SideSign(side);
    const PieceListEntry& enemyKing = position.pieces[enemy];
    if (!OnBoard(enemyKing)) continue;
    for (uint32_t i = 0; i < position.tokins[side].count; ++i) {
      const PieceListEntry& tokin = position.pieces[position.tokins[side].ids[i]];
      if (root_eval::TokinReachesTarget(position, side, tokin.file, tokin.rank, enemyKing.file)) {
        sums.kingAttack[side] += 150;
      }
    }
    for (int file = 1; file <= 9; ++file) {
      const int rank = position.PawnRankOnFile(side, file);
      if (rank == 0 || (rank - 5) * forward < 1) continue;
      // What the pawn would be worth promoted on the square ahead.
      const AttackParts parts =
          KingAttackParts(g_evalParams, side, TOKIN, enemyKing.file, enemyKing.rank, file, rank + forward);
      const int worth = parts.part[0] + parts.part[1];
      if (worth < 8) continue;
      const bool free =
          EmptyAt(position, file, rank + forward) && TypeOf(CodeAt(position, file, rank + 2 * forward)) != PAWN;
      const int value = worth >> (free ? 3 : 5);
      sums.defence[enemy] -= value;
      if (position.handTotal[side] >= 1) sums.kingAttack[side] += value;
      if (position.handTotal[side] >= 2) sums.kingAttack[side] += value;
    }
  }
}

// Whether an unpromoted piece of the side with a PieceId in one of the
// ranges attacks the square directly.
bool AttackedByUnpromoted(const Position& position, int side, int file, int rank, std::initializer_list<int> firstIds) {
  for (const int first : firstIds) {
    const int last = first <= 4 ? first + 1 : first + 3;  // rooks and bishops two, knights and lances four
    for (int id = first; id <= last; ++id) {
      if (AttackedByPiece(position, side, file, rank, id) && !IsPromoted(position.pieces[id].code)) return true;
    }
  }
  return false;
}
constexpr int ROOK_IDS = 2, BISHOP_IDS = 4, KNIGHT_IDS = 14, LANCE_IDS = 18;

struct ZoneSquare {
  KingZoneSquareKind kind;
  int df, dr;  // dr counted forward for the king's side
};
constexpr ZoneSquare kZoneSquares[8] = {
    {ZONE_FRONT, 0, +1}, {ZONE_FRONT_DIAGONAL, -1, +1}, {ZONE_FRONT_DIAGONAL, +1, +1}, {ZONE_SIDE, -1, 0},
    {ZONE_SIDE, +1, 0},  {ZONE_REAR_DIAGONAL, -1, -1},  {ZONE_REAR_DIAGONAL, +1, -1},  {ZONE_REAR, 0, -1},
};

void KingZone(const Position& position, int side, PatternSums& sums) {
  const int enemy = 1 - side, forward = SideSign(side);
  const PieceListEntry& king = position.pieces[side];
  const bool edge = king.file == 1 || king.file == 9;
  const auto hand = [&](int type) { return static_cast<int>(position.hand[enemy][type - 1]); };
  const int handTotal = static_cast<int>(position.handTotal[enemy]);
  for (const ZoneSquare& zone : kZoneSquares) {
    const int file = king.file + zone.df, rank = king.rank + zone.dr * forward;
    if (HoldsPieceOf(position, enemy, file, rank)) continue;  // enemy pieces and the wall
    const ExposureLimit limit = ExposureLimits[zone.kind][edge ? 1 : 0];
    const int a = ControlAt(position, side, file, rank);
    int b = ControlAt(position, enemy, file, rank);
    if (!position.IsEmpty(file, rank)) {
      if (a == 1) sums.defence[side] -= 15;
      if (b == 0) continue;
      const int pieceValue = PieceValue(g_evalParams, TypeOf(position.PieceCodeAt(file, rank)));
      const int v = a < b    ? pieceValue / 15 + limit.cap
                    : a == b ? pieceValue / 24 + limit.weight
                             : pieceValue / 30 + limit.weight / 2;
      sums.kingAttack[enemy] += v / 2;
      sums.defence[side] -= v / 2;
      continue;
    }
    if (a == 1) sums.defence[side] -= 30;
    if (b == 0) continue;
    const bool enemyPawnInFront = IsPieceAt(position, enemy, PAWN, file, rank + forward);
    bool reduces = false;
    int h = 0;
    switch (zone.kind) {
      case ZONE_FRONT:
        h = hand(SILVER) + hand(LANCE) + hand(GOLD) + hand(ROOK);
        reduces = AttackedByUnpromoted(position, enemy, file, rank, {KNIGHT_IDS, BISHOP_IDS});
        break;
      case ZONE_FRONT_DIAGONAL:
      case ZONE_REAR_DIAGONAL:
        h = zone.kind == ZONE_FRONT_DIAGONAL ? hand(SILVER) + hand(GOLD) + hand(BISHOP) : hand(SILVER) + hand(BISHOP);
        reduces =
            enemyPawnInFront || AttackedByUnpromoted(position, enemy, file, rank, {KNIGHT_IDS, ROOK_IDS, LANCE_IDS});
        break;
      case ZONE_SIDE:
        h = hand(GOLD) + hand(ROOK);
        reduces =
            enemyPawnInFront || AttackedByUnpromoted(position, enemy, file, rank, {KNIGHT_IDS, LANCE_IDS, BISHOP_IDS});
        break;
      default:
        h = hand(GOLD) + hand(ROOK);
        reduces = AttackedByUnpromoted(position, enemy, file, rank, {KNIGHT_IDS});
        break;
    }
    int m = 2;
    if ((rank - 5) * forward >= -1) {  // outside the side's camp
      m = 1;
      if (b >= 2 && reduces) b -= 1;
    }
    int v;
    if (b > a) {
      v = limit.cap;
    } else {
      const int p = hand(PAWN) >= 1 && position.PawnRankOnFile(enemy, file) == 0 ? 1 : 0;
      int x;
      switch (zone.kind) {
        case ZONE_FRONT:
          x = (p + h - a) * 3 + (handTotal - h) * m + 4 * b;
          break;
        case ZONE_FRONT_DIAGONAL:
          x = (h - a) * 3 + (p - h + handTotal) * m + 4 * b;
          break;
        default:
          x = (h - a) * 3 + 4 * b;
          break;
      }
      x = Clamp(x, -7, 7);
      v = x >= 0 ? (ExposureScale[x] * limit.weight) >> 10 : (limit.weight * 1024) / ExposureScale[-x];
      v = std::min(v, limit.cap);
    }
    sums.kingAttack[enemy] += v / 2;
    sums.defence[side] -= v / 2;
  }
}

// A king boxed in by its own pieces or by enemy control. Files are absolute
// for both sides, as the rows always were.
void BoxedKing(const Position& position, int side, PatternSums& sums) {
  const PieceListEntry& king = position.pieces[side];
  const int kf = king.file, kr = king.rank;
  const auto closed = [&](int file, int rank) {
    return HoldsPieceOf(position, side, file, rank) || position.AttackCountAt(1 - side, file, rank) >= 1;
  };
  const int pawnHome = PawnHomeRank(side), pawnFront = PawnFrontRank(side);
  const int pieceHome = PieceHomeRank(side), back = BackRank(side);
  const bool innerFile = kf == 3 || kf == 4 || kf == 6 || kf == 7;
  const int outer = kf < 5 ? kf - 1 : kf + 1;  // the file beside the king towards the edge
  if (kr == pawnHome && (kf == 1 || kf == 9)) {
    const int inner = kf == 1 ? 2 : 8;
    if (closed(inner, pawnFront) && closed(kf, pawnFront)) sums.defence[side] -= 150;
  } else if (kr == back && innerFile) {
    if (closed(outer, pieceHome) && closed(outer, back)) sums.defence[side] -= 150;
  } else if (kr == pieceHome && innerFile) {
    if (closed(outer, pawnHome) && closed(outer, pieceHome) && closed(outer, back)) sums.defence[side] -= 150;
  } else if (kr == pieceHome && (kf == 2 || kf == 8)) {
    const int edgeFile = kf == 2 ? 1 : 9;
    if (closed(edgeFile, pawnHome)) sums.defence[side] -= 50;
    if (closed(edgeFile, pieceHome)) sums.defence[side] -= 50;
  }
}

void FirstHalf(const Position& position, PatternSums& sums) {
  HangingGolds(position, sums);
  TokinsAndAdvancedPawns(position, sums);
  for (int side = 0; side < 2; ++side) {
    if (OnBoard(position.pieces[side])) KingZone(position, side, sums);
  }
  for (int side = 0; side < 2; ++side) {
    if (OnBoard(position.pieces[side])) BoxedKing(position, side, sums);
  }
}

// ---------------------------------------------------------------------------
// Second half

struct SecondHalfState {
  int rookFile[2] = {0, 0};
  bool rookActive = false;
  int silverCount[2] = {0, 0};
  int silverFlags[2] = {0, 0};  // 1 a silver out of camp, 2 one out on the king's wing, 4 one home on it
  int advance[2] = {0, 0};
  int chosenSilverRank[2] = {0, 0};
};

int RookFileRankValue(int k) { return root_eval::RookRankValue[root_eval::FORM_OPENING][k]; }

// An unpromoted rook outside its enemy camp: its file, rank and pawn.
int HomeRookValue(const Position& position, int id, int side, int fR, int rR) {
  const int enemy = 1 - side, u = SideSign(side);
  int value = 0;
  const RayHit ahead = FirstOnRay(position, fR, rR, 0, u);
  const int k = RelativeRank(side, ahead.rank);  // the wall beyond the far rank reads 0
  value += ahead.steps - 1 + RookFileRankValue(k);
  if (IsOwnedBy(ahead.code, enemy)) {
    value += root_eval::RookTargetValueOf(root_eval::FORM_OPENING, TypeOf(ahead.code));
    if (TypeOf(ahead.code) == PAWN && ahead.rank == 5 - u &&
        ControlAt(position, side, ahead.file, ahead.rank) <= ControlAt(position, enemy, ahead.file, ahead.rank)) {
      value -= 10;
    }
  }
  const bool ownPiece = IsOwnedBy(ahead.code, side);
  if (ownPiece && TypeOf(ahead.code) == BISHOP) {
    const RayHit beyond = FirstOnRay(position, ahead.file, ahead.rank, 0, u);
    const int beyondId = IsOnBoard(beyond.file, beyond.rank) ? position.PieceIdAt(beyond.file, beyond.rank) : 0;
    // Rooks facing each other once the bishop moves: less so when the
    // side's own rook is guarded.
    if (beyondId == 2 || beyondId == 3) value -= position.AttackCount(side, fR, rR) >= 1 ? 5 : 10;
  }
  if (ownPiece && (TypeOf(ahead.code) == BISHOP || TypeOf(ahead.code) == SILVER)) {
    // An own bishop or silver will step aside: the file is as open as the
    // cell beyond it. The silver is read as the bishop is, as the own piece.
    const RayHit beyond = FirstOnRay(position, ahead.file, ahead.rank, 0, u);
    value += RookFileRankValue(RelativeRank(side, beyond.rank)) - RookFileRankValue(k);
  }
  if (ownPiece && TypeOf(ahead.code) == PAWN) {
    // The enemy's pawn on rank 5, backed through it by the other rook, wins
    // the square in front of the rook's pawn: the other rook's second-line
    // attack is read on that square, where the exchange happens.
    if (ahead.rank == PawnHomeRank(side) &&
        ControlAt(position, side, fR, ahead.rank + u) <= ControlAt(position, enemy, fR, ahead.rank + u) &&
        IsPieceAt(position, enemy, PAWN, fR, 5) &&
        ((position.XraySet(enemy, fR, ahead.rank + u) >> (5 - id)) & 1) != 0) {
      value -= 8;
    }
    if ((ahead.rank == PawnHomeRank(side) || ahead.rank == PawnHomeRank(side) + u) &&
        HoldsPieceOf(position, side, fR, ahead.rank + u)) {
      value -= 5;
    }
  }
  if (!ahead.IsWall()) {
    const RayHit next = FirstOnRay(position, ahead.file, ahead.rank, 0, u);
    if (!next.IsWall() && IsOwnedBy(next.code, enemy) && TypeOf(next.code) == PAWN) {
      const RayHit after = FirstOnRay(position, next.file, next.rank, 0, u);
      if (IsOwnedBy(after.code, enemy) && TypeOf(after.code) == LANCE) value -= 15;
    }
  }
  const int higher = FirstOnRay(position, fR, rR, +1, 0).file, lower = FirstOnRay(position, fR, rR, -1, 0).file;
  value += std::min(higher - lower - 3, 5);
  if (AheadOfOwnPawn(position, side, fR, rR)) value -= 90;
  const int pawn = position.PawnRankOnFile(side, fR);
  if (position.hand[enemy][BISHOP - 1] >= 1 && (fR - 5) * u < 0 && (5 - rR) * u > 1 && pawn != 0 &&
      (pawn == 5 - u || pawn == 5 - 2 * u)) {
    const SideView view{position, side};
    int w = 7;
    if (view.Own(GOLD, 6, 9)) w = 5;
    if (view.Own(GOLD, 6, 8)) w = 3;
    if (view.Own(GOLD, 7, 7)) w = 1;
    if (view.Own(GOLD, 7, 8)) w = 0;
    value -= w;
  }
  const PieceListEntry& king = position.pieces[side];
  const int e = king.file - 5;
  if (OnBoard(king) && (std::abs(e) == 1 || std::abs(e) == 2) && (fR - king.file) * e >= 0) value -= 15;
  return value;
}

void Rooks(const Position& position, PatternSums& sums, SecondHalfState& state) {
  int lastValue = 0, lastSide = 0;
  bool doubled = false;
  for (int id = 2; id <= 3; ++id) {
    const PieceListEntry& rook = position.pieces[id];
    if (!OnBoard(rook)) continue;
    const int side = OwnerOf(rook.code), enemy = 1 - side;
    state.rookFile[side] = rook.file;
    if (!IsPromoted(rook.code) && !IsPromotionZone(side, rook.rank)) {
      sums.pattern[side] += HomeRookValue(position, id, side, rook.file, rook.rank);
      continue;
    }
    state.rookActive = true;
    const PieceListEntry& enemyKing = position.pieces[enemy];
    if (!OnBoard(enemyKing) || enemyKing.file == rook.file) continue;
    const RayHit target = FirstOnRay(position, rook.file, rook.rank, enemyKing.file > rook.file ? +1 : -1, 0);
    if (IsOwnedBy(target.code, side) && BaseTypeOf(target.code) == ROOK) doubled = true;
    // The wall is never a target: it neither adds nor becomes the last value.
    if (!IsOwnedBy(target.code, enemy)) continue;
    const int distance = std::max(std::abs(target.file - enemyKing.file), std::abs(target.rank - enemyKing.rank));
    if (distance >= 6) continue;
    const int support = Clamp(
        1 - ControlAt(position, side, target.file, target.rank) + ControlAt(position, enemy, target.file, target.rank),
        0, 3);
    const int value = static_cast<int>(LineTargetWeight[BaseTypeOf(target.code)] *
                                       root_eval::LineSupportFactor[support] * root_eval::LineDistanceFactor[distance]);
    sums.pattern[side] += value;
    lastValue = value;
    lastSide = side;
  }
  if (doubled) sums.pattern[lastSide] += lastValue;
}

void Bishops(const Position& position, PatternSums& sums) {
  for (int id = 4; id <= 5; ++id) {
    const PieceListEntry& bishop = position.pieces[id];
    if (!OnBoard(bishop)) continue;
    const int side = OwnerOf(bishop.code), u = SideSign(side);
    int best = -10000;
    for (const int fileStep : {-1, +1}) {
      const RayHit hit = FirstOnRay(position, bishop.file, bishop.rank, fileStep, u);
      const int k = RelativeRank(side, hit.rank) - 1 + (hit.IsWall() ? 1 : 0);
      int w = g_evalParams.LineWeight(k);
      if (!hit.IsWall() && TypeOf(hit.code) == PAWN && (hit.rank - 5) * u > -2) {
        // Through a pawn the diagonal still threatens what stands behind it;
        // an empty run to the wall threatens nothing.
        const RayHit beyond = FirstOnRay(position, hit.file, hit.rank, fileStep, u);
        if (!beyond.IsWall() && !HoldsPieceOf(position, side, beyond.file, beyond.rank)) {
          w += (DiagonalTargetValue[TypeOf(beyond.code)] * 800) >> 10;
        }
      }
      if (!HoldsPieceOf(position, side, hit.file, hit.rank)) w += DiagonalTargetValue[TypeOf(hit.code)];
      best = std::max(best, w);
    }
    if (AheadOfOwnPawn(position, side, bishop.file, bishop.rank)) best -= g_evalParams.LineWeightOpen();
    sums.pattern[side] += best;
  }
}

struct ChosenSilver {
  int id = -1;
  int file = 0, rank = 0;
  int priority = -1;
  int distance = 0;
};

// What the enemy wins around a just-advanced silver after a pawn drop in
// front of it: the best of its four diagonal retreats and advances. A
// square holding an own piece counts -200, the others their own value,
// however low.
int AdvancedSilverCap(const Position& position, int side, const ChosenSilver& silver, int dropExchange) {
  const int u = SideSign(side);
  int cap = std::numeric_limits<int>::min();
  for (const int df : {-1, +1}) {
    for (const int dr : {-1, +1}) {
      const int file = silver.file + df, rank = silver.rank + dr;
      int value = -200;
      if (!HoldsPieceOf(position, side, file, rank)) {
        int firstGain = 0;
        const PieceCode code = position.PieceCodeAt(file, rank);
        value =
            StaticExchangeOpening(position, side, code == 0 ? 0 : TypeOf(code), file, rank, silver.id, &firstGain, 0) +
            g_evalParams.SideGridWeight(side, file, rank);
        const int pawn = position.PawnRankOnFile(side, file);
        if (pawn != 0 && (rank - pawn) * u >= 1) value -= g_evalParams.GridWeight(side, rank);
        value -= 10 + dropExchange;
      }
      cap = std::max(cap, value);
    }
  }
  return cap;
}

void Silvers(const Position& position, int advancedSilverSquare, PatternSums& sums, SecondHalfState& state) {
  ChosenSilver chosen[2];
  for (int id = 10; id <= 13; ++id) {
    const PieceListEntry& silver = position.pieces[id];
    if (!OnBoard(silver) || IsPromoted(silver.code)) continue;
    const int side = OwnerOf(silver.code), u = SideSign(side);
    const PieceListEntry& king = position.pieces[side];
    if (!OnBoard(king)) continue;
    const int f = silver.file, r = silver.rank, kf = king.file, kr = king.rank;
    const bool kingWing = (f - 5) * (kf - 5) > 0;
    if (InOwnCamp(side, r)) {
      if (kingWing) state.silverFlags[side] |= 4;
    } else {
      state.silverFlags[side] |= 1;
      state.advance[side] += 54;
      if (kingWing) state.silverFlags[side] |= 2;
    }
    ++state.silverCount[side];
    ChosenSilver& best = chosen[side];
    const int d2 = (kr - r) * (kr - r) + (kf - f) * (kf - f);
    const int rf = state.rookFile[side];
    bool distanceTest = true, take = false;
    if (rf != 0) {
      const int priority = (kf - f) * (rf - kf) >= 1 ? 0 : (f - rf) * (rf - kf) < 0 ? 1 : 2;
      if (priority != best.priority) {
        distanceTest = false;
        take = priority > best.priority;
        if (take) best.priority = priority;
      }
    }
    if (distanceTest) take = d2 > best.distance || (d2 == best.distance && u * (best.rank - r) > 0);
    if (take) {
      best.id = id;
      best.file = f;
      best.rank = r;
      best.distance = d2;
    }
  }
  for (int side = 0; side < 2; ++side) {
    state.chosenSilverRank[side] = chosen[side].rank;
    if (state.silverCount[side] == 0) continue;
    const ChosenSilver& silver = chosen[side];
    const int enemy = 1 - side, u = SideSign(side);
    int g = g_evalParams.SideGridWeight(side, silver.file, silver.rank);
    const int pawn = position.PawnRankOnFile(side, silver.file);
    if (pawn != 0 && u * (silver.rank - pawn) > 0) g -= g_evalParams.GridWeight(side, silver.rank);
    if (state.silverCount[side] == 1) {
      // The king's file stands in the fixed table's type argument.
      sums.pattern[side] +=
          std::max(g, SideRelativeTableValue(side, position.pieces[side].file, silver.file, silver.rank));
      continue;
    }
    int value = g;
    const int front = silver.rank + u;
    if (advancedSilverSquare != 0 && advancedSilverSquare >> 4 == silver.file &&
        (advancedSilverSquare & 15) == silver.rank && position.PawnRankOnFile(enemy, silver.file) == 0 &&
        position.hand[enemy][PAWN - 1] >= 1 && EmptyAt(position, silver.file, front)) {
      int dropValue = 0;
      const int dropExchange = ExchangeValueForEval(position, enemy, PAWN, silver.file, front, &dropValue);
      if (dropExchange > -30) value = std::min(value, AdvancedSilverCap(position, side, silver, dropExchange));
    }
    sums.pattern[side] += value;
  }
}

void Golds(const Position& position, PatternSums& sums, SecondHalfState& state) {
  // King, golds and silvers: ids 0, 1 and 6-13 in the direct set's low word.
  constexpr uint32_t kGuardIds = 0x3u | (0xffu << 6);
  for (int id = 6; id <= 9; ++id) {
    const PieceListEntry& gold = position.pieces[id];
    if (!OnBoard(gold)) continue;
    const int side = OwnerOf(gold.code), u = SideSign(side);
    const PieceListEntry& king = position.pieces[side];
    if (!OnBoard(king)) continue;
    const int f = gold.file, r = gold.rank, kf = king.file;
    if (kf != 5) {
      const int file = kf < 5 ? f + 1 : f - 1;
      const PieceCode code = CodeAt(position, file, r - u);
      if (IsOwnedBy(code, side) && (BaseTypeOf(code) == GOLD || BaseTypeOf(code) == SILVER)) sums.pattern[side] -= 9;
    }
    if (r == BackRank(side) && state.silverFlags[side] == 3) {
      sums.pattern[side] -= 5;
    } else if (!InOwnCamp(side, r)) {
      state.advance[side] += 90;
    }
    if ((position.AttackSetLow(side, f, r) & kGuardIds) == 0 && ((kf < 3 && f < 6) || (kf >= 8 && f >= 5)) &&
        InOwnCamp(side, r)) {
      sums.pattern[side] -= 3;
    }
  }
}

void SecondHalf(const Position& position, int advancedSilverSquare, bool nullMove, PatternSums& sums) {
  SecondHalfState state;
  Rooks(position, sums, state);
  Bishops(position, sums);
  // Pawns, knights, the trapped rook, silver forks and the king beside its
  // back rank are the opening evaluator's rules with the same tables.
  root_eval::Accumulators shared;
  root_eval::PawnChainClasses(position, root_eval::FORM_OPENING, shared);
  Silvers(position, advancedSilverSquare, sums, state);
  root_eval::KnightPawns(position, root_eval::FORM_OPENING, nullMove, shared);
  root_eval::BishopDrop(position, shared);
  if (position.hand[0][SILVER - 1] + position.hand[1][SILVER - 1] >= 1)
    root_eval::SilverForks(position, nullMove, shared);
  root_eval::KingOnSecondRank(position, shared);
  for (int side = 0; side < 2; ++side) sums.pattern[side] += shared.activity[side];
  Golds(position, sums, state);
  for (int side = 0; side < 2; ++side) {
    if (state.advance[side] <= 100) continue;
    int w = (state.advance[side] - 100) / 3;
    if (position.hand[1 - side][BISHOP - 1] >= 1) w *= 2;
    sums.pattern[side] -= w;
  }
  if (state.rookActive || state.rookFile[0] == 0 || state.rookFile[1] == 0 || g_yaguraStrategyFlag == 0) return;
  for (int side = 0; side < 2; ++side) {
    sums.pattern[side] +=
        root_eval::CastleListAmount(position, side, state.rookFile[side], state.chosenSilverRank[side], true);
  }
}

}  // namespace

void EvalPatternTerm(const Position& position, int advancedSilverSquare, const MoveRecord* nodeMove, EvalState* state) {
  state->flags |= EVAL_FLAG_PATTERN_TERM;
  const bool nullMove = nodeMove != nullptr && nodeMove->IsNull();
  // The side in turn: after a null move the side to move did not just move.
  const int inTurn = nullMove ? 1 - position.sideToMove : position.sideToMove;
  PatternSums sums;
  FirstHalf(position, sums);
  AddToWord(state->defence[1 - inTurn].addend, -TEMPO);
  for (int side = 0; side < 2; ++side) AddToWord(state->defence[side].addend, sums.defence[side]);
  for (int side = 0; side < 2; ++side) AddToWord(state->side[side].enemyKingTerm, sums.kingAttack[side]);
  SecondHalf(position, advancedSilverSquare, nullMove, sums);
  for (int side = 0; side < 2; ++side) AddToWord(state->material[side].addend, sums.pattern[side]);
}
