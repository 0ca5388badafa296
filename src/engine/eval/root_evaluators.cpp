// The root-screening evaluators of stages 1 and 2 and the blocks they share
// with the opening evaluator. Every walk ends at the wall ring; every read
// of a cell near it goes through the border-safe helpers.
#include "engine/eval/root_evaluators.h"

#include <algorithm>
#include <cstdlib>

#include "engine/board/static_exchange.h"
#include "engine/eval/eval_cells.h"
#include "engine/eval/eval_params.h"
#include "engine/eval/eval_setup.h"
#include "engine/eval/eval_tables.h"
#include "engine/eval/root_eval_blocks.h"

using namespace eval_cells;

namespace root_eval {
namespace {

bool IsRookOrDragonOf(PieceCode code, int side) { return IsOwnedBy(code, side) && BaseTypeOf(code) == ROOK; }

// The rank value of the first cell ahead: 0 for the wall.
int RankValueOf(RootForm form, int side, const RayHit& hit) {
  return RookRankValue[form][hit.IsWall() ? 0 : RelativeRank(side, hit.rank)];
}

// The opening's extra rules for an unpromoted rook outside its enemy camp.
int OpeningRookRules(const Position& position, int id, int side, int file, int rank, const RayHit& ahead) {
  const int enemy = 1 - side, forward = SideSign(side);
  const int rho = RelativeRank(side, rank);
  int amount = 0;
  // The enemy's dragon inside the side's camp threatens a rook at home.
  const PieceListEntry& other = position.pieces[5 - id];
  if (rho >= 7 && OnBoard(other) && IsOwnedBy(other.code, enemy) && TypeOf(other.code) == DRAGON &&
      RelativeRank(side, other.rank) >= 7) {
    amount -= position.AttackCount(side, file, rank) == 0 ? 190 : 90;
  }
  if (!ahead.IsWall() && IsOwnedBy(ahead.code, side)) {
    const int type = TypeOf(ahead.code);
    if (type == BISHOP || type == SILVER) {
      // An own bishop or silver in front will step aside: the file is as
      // open as the cell beyond it.
      const RayHit beyond = FirstOnRay(position, ahead.file, ahead.rank, 0, forward);
      amount += RankValueOf(FORM_OPENING, side, beyond) - RankValueOf(FORM_OPENING, side, ahead);
    } else if (type == PAWN) {
      const int pawnRho = RelativeRank(side, ahead.rank);
      if ((pawnRho == 7 || pawnRho == 6) && HoldsPieceOf(position, side, ahead.file, ahead.rank + forward)) amount -= 5;
    }
    const RayHit second = FirstOnRay(position, ahead.file, ahead.rank, 0, forward);
    if (!second.IsWall() && IsOwnedBy(second.code, enemy) && TypeOf(second.code) == PAWN) {
      const RayHit third = FirstOnRay(position, second.file, second.rank, 0, forward);
      if (IsOwnedBy(third.code, enemy) && TypeOf(third.code) == LANCE) amount -= 15;
    }
  }
  // A bishop in the enemy's hand aims at a home rook on the far wing
  // through the rook's advanced pawn; golds near the rook close the diagonal.
  const int pawn = position.PawnRankOnFile(side, file);
  const int pawnRho = pawn != 0 ? RelativeRank(side, pawn) : 0;
  if (position.hand[enemy][BISHOP - 1] >= 1 && RelativeFile(side, file) >= 6 && rho >= 7 &&
      (pawnRho == 6 || pawnRho == 7)) {
    const auto goldOn = [&](int f, int r) {
      return IsPieceAt(position, side, GOLD, RelativeFile(side, f), RelativeRank(side, r));
    };
    amount -= goldOn(7, 8) ? 0 : goldOn(7, 7) ? 2 : goldOn(6, 8) ? 7 : goldOn(6, 9) ? 10 : 15;
  }
  const PieceListEntry& king = position.pieces[side];
  if (OnBoard(king) && (king.file == 3 || king.file == 4 || king.file == 6 || king.file == 7) &&
      (file - king.file) * (king.file - 5) >= 0) {
    amount -= 15;
  }
  return amount;
}

}  // namespace

void RookLines(const Position& position, RootForm form, Accumulators& acc, RookSummary* summary) {
  int lastValue = 0, lastSide = 0;
  bool doubled = false;
  for (int id = 2; id <= 3; ++id) {
    const PieceListEntry& rook = position.pieces[id];
    if (!OnBoard(rook)) continue;
    const int side = OwnerOf(rook.code), enemy = 1 - side, forward = SideSign(side);
    const int file = rook.file, rank = rook.rank;
    if (summary != nullptr) summary->rookFile[side] = file;
    if (!IsPromoted(rook.code) && !IsPromotionZone(side, rank)) {
      const RayHit ahead = FirstOnRay(position, file, rank, 0, forward);
      acc.activity[side] += RankValueOf(form, side, ahead) + RookStepValueAt(form, ahead.steps);
      if (IsOwnedBy(ahead.code, enemy)) acc.activity[side] += RookTargetValueOf(form, TypeOf(ahead.code));
      const int higher = FirstOnRay(position, file, rank, +1, 0).file;
      const int lower = FirstOnRay(position, file, rank, -1, 0).file;
      const int behind = FirstOnRay(position, file, rank, 0, -forward).steps;
      acc.activity[side] += RookMobilityValue[form][Clamp(higher - lower + behind - 3, 0, 13)];
      if (AheadOfOwnPawn(position, side, file, rank)) acc.activity[side] -= RookAheadOfPawnPenalty[form];
      if (form == FORM_OPENING) acc.activity[side] += OpeningRookRules(position, id, side, file, rank, ahead);
      continue;
    }
    if (summary != nullptr) summary->activeRook = true;
    const PieceListEntry& enemyKing = position.pieces[enemy];
    if (!OnBoard(enemyKing) || file == enemyKing.file) continue;
    const RayHit target = FirstOnRay(position, file, rank, enemyKing.file > file ? +1 : -1, 0);
    if (IsOwnedBy(target.code, enemy)) {
      const int distance = std::max(std::abs(target.file - enemyKing.file), std::abs(target.rank - enemyKing.rank));
      if (distance > 5) continue;
      int supportClass = ControlAt(position, enemy, target.file, target.rank) -
                         ControlAt(position, side, target.file, target.rank) + 1;
      if (form == FORM_ENDGAME && IsPieceAt(position, enemy, PAWN, target.file, target.rank - SideSign(enemy))) {
        ++supportClass;
      }
      supportClass = Clamp(supportClass, 0, 3);
      const int weight = LineTargetWeight[BaseTypeOf(target.code)];
      const int value = form == FORM_ENDGAME
                            ? (weight * TargetSupportWeight[supportClass] * TargetDistanceWeight[distance]) >> 16
                            : static_cast<int>(weight * LineSupportFactor[supportClass] * LineDistanceFactor[distance]);
      acc.activity[side] += value;
      lastValue = value;
      lastSide = side;
    } else if (IsRookOrDragonOf(target.code, side)) {
      doubled = true;
    }
  }
  // Doubled rooks count the most recent line value twice, whichever rook
  // produced it.
  if (doubled) acc.activity[lastSide] += lastValue;
}

namespace {

// RootLineWeight: three rows of nine by stage, read by rho 1..9.
int LineWeightAt(int row, int rho) { return RootLineWeight[row * 9 + rho - 1]; }
int SquaredDistance(int file, int rank, const PieceListEntry& king) {
  return (file - king.file) * (file - king.file) + (rank - king.rank) * (rank - king.rank);
}

void BishopsEndgameForm(const Position& position, Accumulators& acc) {
  for (int id = 4; id <= 5; ++id) {
    const PieceListEntry& bishop = position.pieces[id];
    if (!OnBoard(bishop)) continue;
    const int side = OwnerOf(bishop.code), enemy = 1 - side;
    const PieceListEntry& ownKing = position.pieces[side];
    const PieceListEntry& enemyKing = position.pieces[enemy];
    if (!OnBoard(ownKing) || !OnBoard(enemyKing)) continue;
    if (!IsPromoted(bishop.code)) {
      int values[2];
      for (int i = 0; i < 2; ++i) {
        const int fileStep = i == 0 ? -1 : +1, rankStep = SideSign(side);
        const RayHit hit = FirstOnRay(position, bishop.file, bishop.rank, fileStep, rankStep);
        int file = hit.file, rank = hit.rank, value = 0;
        if (IsOwnedBy(hit.code, enemy)) {
          value = BishopTargetValueOf(FORM_ENDGAME, TypeOf(hit.code));
        } else {
          // An own piece or the wall: the diagonal reaches the cell before it.
          file -= fileStep;
          rank -= rankStep;
        }
        const int distance = SquaredDistance(file, rank, enemyKing);
        if (distance <= 36) value += (LineWeightAt(2, RelativeRank(side, rank)) * DiagonalRankScale[distance]) >> 10;
        values[i] = value;
      }
      acc.activity[side] += std::max(values[0], values[1]) + std::min(values[0], values[1]) / 2;
      continue;
    }
    int nearestOwn = 36, nearestEnemy = 36;
    static constexpr int kSteps[4][2] = {{-1, +1}, {+1, +1}, {+1, -1}, {-1, -1}};
    // The walk ends at the board's edge: a border cell is no square the
    // horse reaches, so it is left out of the distances.
    for (const auto& step : kSteps) {
      for (int file = bishop.file + step[0], rank = bishop.rank + step[1]; IsOnBoard(file, rank);
           file += step[0], rank += step[1]) {
        nearestOwn = std::min(nearestOwn, SquaredDistance(file, rank, ownKing));
        nearestEnemy = std::min(nearestEnemy, SquaredDistance(file, rank, enemyKing));
        if (!position.IsEmpty(file, rank)) break;
      }
    }
    acc.activity[side] +=
        HorseProximity[std::min(nearestOwn, nearestEnemy)] + HorseProximity[std::max(nearestOwn, nearestEnemy)] / 2;
  }
}

}  // namespace

void BishopsMiddleForm(const Position& position, RootForm form, Accumulators& acc) {
  const int row = form == FORM_MIDDLE ? 1 : 0;
  const double xrayFactor = form == FORM_MIDDLE ? 0.6 : 0.8;
  for (int id = 4; id <= 5; ++id) {
    const PieceListEntry& bishop = position.pieces[id];
    if (!OnBoard(bishop)) continue;
    const int side = OwnerOf(bishop.code), enemy = 1 - side;
    int best = 0;
    for (int i = 0; i < 2; ++i) {
      const int fileStep = i == 0 ? -1 : +1, rankStep = SideSign(side);
      const RayHit hit = FirstOnRay(position, bishop.file, bishop.rank, fileStep, rankStep);
      const int rank = hit.IsWall() ? hit.rank - rankStep : hit.rank;
      int value = LineWeightAt(row, RelativeRank(side, rank));
      if (!hit.IsWall() && TypeOf(hit.code) == PAWN) {
        // Through a pawn the diagonal still threatens what stands behind it.
        const RayHit beyond = FirstOnRay(position, hit.file, hit.rank, fileStep, rankStep);
        if (IsOwnedBy(beyond.code, enemy)) {
          value += static_cast<int>(BishopTargetValueOf(form, TypeOf(beyond.code)) * xrayFactor);
        }
      }
      if (IsOwnedBy(hit.code, enemy)) value += BishopTargetValueOf(form, TypeOf(hit.code));
      best = i == 0 ? value : std::max(best, value);
    }
    if (AheadOfOwnPawn(position, side, bishop.file, bishop.rank)) best -= RootLineWeight[ROOT_LINE_OPEN];
    acc.activity[side] += best;
  }
}

void PawnChainClasses(const Position& position, RootForm form, Accumulators& acc) {
  for (int side = 0; side < 2; ++side) {
    const int enemy = 1 - side, forward = SideSign(side);
    if (form == FORM_OPENING && position.hand[enemy][BISHOP - 1] >= 1 &&
        !IsPieceAt(position, side, PAWN, 5, RelativeRank(side, 7))) {
      acc.activity[side] -= 10;
    }
    for (int file = 2; file <= 8; ++file) {
      const int pawn = position.PawnRankOnFile(side, file);
      if (pawn == 0) continue;
      const bool blocked =
          !EmptyAt(position, file, pawn + forward) || TypeOf(CodeAt(position, file, pawn + 2 * forward)) == PAWN;
      const int pawnClass = (blocked ? 2 : 0) + (position.AttackCount(side, file, pawn) > 0 ? 1 : 0);
      int value = PawnClassValueAt(form, pawnClass, RelativeRank(side, pawn));
      if (form == FORM_OPENING && value >= 20) {
        // A far pawn is worth its full value only with a piece behind it.
        const bool backed = IsPieceAt(position, side, SILVER, file, pawn - forward) ||
                            IsPieceAt(position, side, GOLD, file, pawn - forward) ||
                            IsPieceAt(position, side, KNIGHT, file, pawn - forward);
        if (!backed) value /= 2;
      }
      acc.activity[side] += value;
    }
  }
}

void AttackingSilver(const Position& position, RootForm form, Accumulators& acc, int* chosenRanks) {
  for (int side = 0; side < 2; ++side) {
    const PieceListEntry& king = position.pieces[side];
    if (!OnBoard(king)) continue;
    int rookFile = 0;
    for (int id = 2; id <= 3; ++id) {
      if (OnBoard(position.pieces[id]) && OwnerOf(position.pieces[id].code) == side)
        rookFile = position.pieces[id].file;
    }
    const int kf = king.file, kr = king.rank;
    int count = 0, chosenFile = 0, chosenRank = 0, chosenPriority = -1, chosenDistance = 0;
    for (int id = 10; id <= 13; ++id) {
      const PieceListEntry& silver = position.pieces[id];
      if (!OnBoard(silver) || OwnerOf(silver.code) != side || IsPromoted(silver.code)) continue;
      ++count;
      const int f = silver.file, r = silver.rank;
      const int distance =
          form == FORM_MIDDLE ? std::abs(kf - f) + std::abs(kr - r) : (kf - f) * (kf - f) + (kr - r) * (kr - r);
      bool take = false;
      if (rookFile != 0) {
        // Silvers on the rook's wing attack; those beyond the rook's file most.
        const int priority = (kf - f) * (rookFile - kf) > 0 ? 0 : (f - rookFile) * (rookFile - kf) >= 0 ? 2 : 1;
        if (priority > chosenPriority) {
          take = true;
        } else if (priority == chosenPriority) {
          take = distance > chosenDistance ||
                 (distance == chosenDistance && RelativeRank(side, r) > RelativeRank(side, chosenRank));
        }
        if (take) chosenPriority = priority;
      } else {
        take = chosenPriority == -1 || distance > chosenDistance ||
               (distance == chosenDistance && RelativeRank(side, r) > RelativeRank(side, chosenRank));
        chosenPriority = 0;
      }
      if (take) {
        chosenFile = f;
        chosenRank = r;
        chosenDistance = distance;
      }
    }
    if (chosenRanks != nullptr) chosenRanks[side] = chosenRank;
    if (count == 0) continue;
    int value = CastleGridGet(side, chosenFile, chosenRank);
    // Plane 2 holds the side's row by rank one place after the flag
    // (flat 202 for side 0, 212 for side 1).
    if (AheadOfOwnPawn(position, side, chosenFile, chosenRank)) value -= CastleGridGet(2, side, chosenRank + 1);
    if (form == FORM_MIDDLE) {
      if (count >= 2) acc.activity[side] += value;
    } else if (count == 1) {
      // The king's file stands in the fixed table's type argument: files
      // 1-4 read the silver's file, 6-9 the turned file, 5 nothing.
      acc.activity[side] += std::max(SideRelativeTableValue(side, kf, chosenFile, chosenRank), value);
    } else {
      acc.activity[side] += value;
    }
  }
}

void KnightPawns(const Position& position, RootForm form, bool nullMove, Accumulators& acc) {
  for (int id = 14; id <= 17; ++id) {
    const PieceListEntry& knight = position.pieces[id];
    if (!OnBoard(knight)) continue;
    const int side = OwnerOf(knight.code), enemy = 1 - side, forward = SideSign(side);
    const int f = knight.file, r = knight.rank;
    if (r != 5 && RelativeRank(side, r) != 7) continue;
    for (int neighbour = f - 1; neighbour <= f + 1; neighbour += 2) {
      if (neighbour < 1 || neighbour > 9) continue;
      const int pawn = position.PawnRankOnFile(side, neighbour);
      const int index = pawn == 0 ? 0 : Clamp(forward * (r - pawn) + 3, 0, 4);
      acc.activity[side] += KnightPawnValue[form][index];
      if (index == 1 && position.PawnRankOnFile(enemy, neighbour) == pawn + forward) acc.activity[side] += 7;
    }
    if (form != FORM_OPENING || r != 5) continue;
    const auto guarded = [&](int file) {
      const int base = BaseTypeOf(CodeAt(position, file, 5 + 2 * forward));
      return HoldsPieceOf(position, enemy, file, 5 + 2 * forward) && base >= ROOK && base <= LANCE;
    };
    if (guarded(f - 1) || guarded(f + 1)) continue;
    const int front = 5 + forward;
    if (IsPieceAt(position, enemy, PAWN, f, front)) {
      acc.activity[side] -= 100;
    } else if (position.IsEmpty(f, front) && (position.sideToMove == enemy || nullMove) &&
               position.PawnRankOnFile(enemy, f) == 0 && position.hand[enemy][PAWN - 1] >= 1) {
      int dropValue = 0;
      if (ExchangeValueForEval(position, enemy, PAWN, f, front, &dropValue) > -50) acc.activity[side] -= 100;
    }
  }
}

bool TokinReachesTarget(const Position& position, int side, int file, int rank, int enemyKingFile) {
  if (file == enemyKingFile) return false;
  const int enemy = 1 - side, back = -SideSign(side), d = enemyKingFile > file ? +1 : -1;
  // Targets are the enemy's king, rooks, bishops, golds and silvers.
  const auto target = [&](int f, int r) {
    return IsOnBoard(f, r) && IsOwnedBy(position.PieceCodeAt(f, r), enemy) && position.PieceIdAt(f, r) < 14;
  };
  const auto safe = [&](int f, int r) {
    return !HoldsPieceOf(position, side, f, r) && ControlAt(position, side, f, r) > ControlAt(position, enemy, f, r);
  };
  return target(file, rank + back) ||
         (safe(file, rank + back) && (target(file, rank + 2 * back) || target(file + d, rank + back))) ||
         target(file + d, rank) ||
         (safe(file + d, rank) && (target(file + d, rank + back) || target(file + 2 * d, rank)));
}

int SideToMoveDifference(const Position& position, const Accumulators& acc) {
  const int u = position.sideToMove;
  return (acc.activity[u] + acc.kingZone[u]) - (acc.activity[1 - u] + acc.kingZone[1 - u]);
}

}  // namespace root_eval

namespace root_eval {
namespace {

// Walks the rank from a gold away from it: an empty square its side does not
// guard, or an enemy rook or dragon behind empty squares, leaves it open.
bool RankOpenTowards(const Position& position, int side, int file, int rank, int step) {
  if (!EmptyAt(position, file + step, rank)) return false;
  for (int f = file + 2 * step;; f += step) {
    if (EmptyAt(position, f, rank)) {
      if (position.AttackCountAt(side, f, rank) == 0) return true;
      continue;
    }
    return IsRookOrDragonOf(CodeAt(position, f, rank), 1 - side);
  }
}

void UndefendedGolds(const Position& position, RootForm form, Accumulators& acc) {
  for (int id = 6; id <= 9; ++id) {
    const PieceListEntry& gold = position.pieces[id];
    if (!OnBoard(gold)) continue;
    const int side = OwnerOf(gold.code), enemy = 1 - side, back = -SideSign(side);
    const int f = gold.file, r = gold.rank;
    if (position.AttackCount(side, f, r) != 0) continue;
    const PieceListEntry& ownKing = position.pieces[side];
    const PieceListEntry& enemyKing = position.pieces[enemy];
    if (!OnBoard(ownKing) || !OnBoard(enemyKing)) continue;
    // The two king-relative values of a gold that the exchange compares (row 0).
    const RootEvalTables& tables = *g_activeRootEvalTables;
    const int kd = tables.kingBlock[6 * side][r - ownKing.rank + 8][std::abs(f - ownKing.file)];
    const int ka = tables.kingBlock[6 * side + ENEMY_KING_BLOCK][enemyKing.rank - r + 8][std::abs(f - enemyKing.file)];
    const int rho = RelativeRank(side, r);
    if (!(ka < kd && rho >= 7)) continue;
    bool open = RankOpenTowards(position, side, f, r, +1) || RankOpenTowards(position, side, f, r, -1);
    if (!open && rho == 7) {
      if (EmptyAt(position, f, r + back)) {
        open = IsPieceAt(position, enemy, ROOK, f, r + 2 * back) ||
               (EmptyAt(position, f, r + 2 * back) && position.AttackCountAt(side, f, r + 2 * back) == 0);
      }
    } else if (!open && rho == 8) {
      open = true;
      for (int df = -1; df <= 1; df += 2) {
        if (HoldsPieceOf(position, enemy, f + df, r + back) || position.AttackCountAt(side, f + df, r + back) != 0) {
          open = false;
        }
      }
    }
    if (!open) continue;
    const bool rookInHand = position.hand[enemy][ROOK - 1] > 0;
    const int scale = form == FORM_ENDGAME ? (rookInHand ? 192 : 224) : (rookInHand ? 230 : 243);
    acc.activity[side] += std::max((scale * kd) >> 8, ka) - kd;
  }
}

void Tokins(const Position& position, Accumulators& acc) {
  for (int side = 0; side < 2; ++side) {
    const PieceListEntry& enemyKing = position.pieces[1 - side];
    if (!OnBoard(enemyKing)) continue;
    for (uint32_t i = 0; i < position.tokins[side].count; ++i) {
      const PieceListEntry& tokin = position.pieces[position.tokins[side].ids[i]];
      if (TokinReachesTarget(position, side, tokin.file, tokin.rank, enemyKing.file)) acc.activity[side] += 150;
    }
  }
}

void KingZone(const Position& position, RootForm form, int side, Accumulators& acc) {
  const int enemy = 1 - side, forward = SideSign(side);
  const PieceListEntry& king = position.pieces[side];
  const int handTotal = static_cast<int>(position.handTotal[enemy]);
  const bool handClass = form == FORM_ENDGAME
                             ? handTotal > 0
                             : handTotal - position.hand[enemy][ROOK - 1] - position.hand[enemy][BISHOP - 1] > 0;
  for (int df = -1; df <= 1; ++df) {
    for (int dr = -1; dr <= 1; ++dr) {
      if (df == 0 && dr == 0) continue;
      const int file = king.file + df, rank = king.rank + dr * forward;
      if (HoldsPieceOf(position, enemy, file, rank)) continue;  // enemy pieces and the wall
      const int own = ControlAt(position, side, file, rank) - 1, opp = ControlAt(position, enemy, file, rank);
      int weight;
      if (form == FORM_ENDGAME)
        weight = dr < 0 ? 3 : dr == 0 ? 5 : (df == 0 ? 10 : 9);
      else
        weight = dr > 0 ? 2 : 1;
      if (position.IsEmpty(file, rank)) {
        int zoneClass;
        if (own < opp)
          zoneClass = 0;
        else if (own == opp)
          zoneClass = handClass ? 1 : 2;
        else if (opp > 0)
          zoneClass = 3;
        else
          continue;
        acc.kingZone[side] -= weight * KingZoneFactor[zoneClass];
        continue;
      }
      const int value = g_activeRootEvalTables->pieceValue[TypeOf(position.PieceCodeAt(file, rank))];
      if (form == FORM_ENDGAME) {
        if (own < opp)
          acc.kingZone[side] += -50 - value / 15;
        else if (own == opp)
          acc.kingZone[side] += -2 * weight;
        else if (opp > 0)
          acc.kingZone[side] += -(value / 30);
      } else if (opp > 0) {
        acc.kingZone[side] += own > opp ? -(value / 40) : -(value / 25);
      }
    }
  }
}

}  // namespace

// Own pieces that hem a king in on its back two ranks. Squares are (file,
// rho): the files are absolute for both sides, as the table always was.
struct HemmingSquares {
  int file, rho;
  int alsoFile, alsoRho;  // a second square that must be held too, 0 none
  int amount;
  bool unlessPrevious;  // only when the item before did not apply
};
struct HemmedKing {
  int kingFile, kingRho;
  HemmingSquares items[3];
};
constexpr HemmedKing kHemmedKings[] = {
    {2, 9, {{1, 7, 0, 0, -150, false}, {1, 8, 0, 0, -240, false}}},
    {3, 9, {{2, 8, 0, 0, -240, false}, {1, 7, 0, 0, -120, false}, {1, 8, 0, 0, -180, false}}},
    {4, 9, {{2, 8, 0, 0, -180, false}, {3, 8, 3, 9, -210, false}}},
    {6, 9, {{8, 8, 0, 0, -180, false}, {7, 8, 7, 9, -210, false}}},
    {7, 9, {{8, 8, 0, 0, -240, false}, {9, 7, 0, 0, -120, false}, {9, 8, 0, 0, -180, false}}},
    {8, 9, {{9, 7, 0, 0, -150, false}, {9, 8, 0, 0, -240, false}}},
    {2, 8, {{1, 7, 0, 0, -190, false}, {1, 8, 0, 0, -135, false}}},
    {3, 8, {{2, 8, 0, 0, -210, false}, {1, 7, 0, 0, -105, false}, {1, 8, 0, 0, -150, false}}},
    {4, 8, {{2, 8, 0, 0, -165, false}, {3, 8, 3, 9, -180, false}}},
    {6, 8, {{8, 8, 0, 0, -165, false}, {7, 8, 7, 9, -180, true}}},
    {7, 8, {{8, 8, 0, 0, -210, false}, {9, 7, 0, 0, -105, false}, {9, 8, 0, 0, -150, false}}},
    {8, 8, {{9, 7, 0, 0, -190, false}, {9, 8, 0, 0, -135, false}}},
};

int HemmedKingAmount(const Position& position, int side, int kingFile, int kingRho) {
  const auto held = [&](int file, int rho) { return HoldsPieceOf(position, side, file, RelativeRank(side, rho)); };
  int amount = 0;
  for (const HemmedKing& entry : kHemmedKings) {
    if (entry.kingFile != kingFile || entry.kingRho != kingRho) continue;
    bool previousApplied = false;
    for (const HemmingSquares& item : entry.items) {
      if (item.file == 0) break;
      const bool applies = !(item.unlessPrevious && previousApplied) && held(item.file, item.rho) &&
                           (item.alsoFile == 0 || held(item.alsoFile, item.alsoRho));
      if (applies) amount += item.amount;
      previousApplied = applies;
    }
  }
  return amount;
}

namespace {

void EdgeAndHemmedKing(const Position& position, int side, Accumulators& acc) {
  const int enemy = 1 - side, forward = SideSign(side);
  const PieceListEntry& king = position.pieces[side];
  const int rho = RelativeRank(side, king.rank);
  if (rho == 7 && (king.file == 1 || king.file == 9)) {
    const auto closed = [&](int file, int rank) {
      return HoldsPieceOf(position, side, file, rank) || position.AttackCountAt(enemy, file, rank) > 0;
    };
    const int centreward = king.file == 1 ? 2 : 8;
    if (closed(centreward, king.rank + forward) && closed(king.file, king.rank + forward)) acc.kingZone[side] -= 300;
  } else if (rho == 9 || rho == 8) {
    acc.kingZone[side] += HemmedKingAmount(position, side, king.file, rho);
  }
}

}  // namespace

int EscapeSquareAmount(const Position& position, int side) {
  const int enemy = 1 - side;
  const PieceListEntry& king = position.pieces[side];
  if (std::abs(king.file - 5) < 2) return 0;
  const int file = king.file < 5 ? king.file + 1 : king.file - 1, rank = king.rank - SideSign(side);
  if (!EmptyAt(position, file, rank) || position.AttackCountAt(side, file, rank) != 1) return 0;
  if (position.AttackCountAt(enemy, file, rank) == 0) return -50;
  return position.hand[enemy][BISHOP - 1] >= 1 ? -150 : -100;
}

namespace {

void KingBlocks(const Position& position, RootForm form, Accumulators& acc) {
  for (int side = 0; side < 2; ++side) {
    if (!OnBoard(position.pieces[side])) continue;
    KingZone(position, form, side, acc);
    if (form == FORM_ENDGAME) EdgeAndHemmedKing(position, side, acc);
    acc.kingZone[side] += EscapeSquareAmount(position, side);
  }
}

}  // namespace
}  // namespace root_eval

using namespace root_eval;

int EvalEndGameRoot(const Position& position, const MoveRecord* /*move*/) {
  Accumulators acc;
  root_eval::RookLines(position, FORM_ENDGAME, acc, nullptr);
  BishopsEndgameForm(position, acc);
  UndefendedGolds(position, FORM_ENDGAME, acc);
  Tokins(position, acc);
  KingBlocks(position, FORM_ENDGAME, acc);
  return root_eval::SideToMoveDifference(position, acc);
}

int EvalMiddleGameRoot(const Position& position, const MoveRecord* /*move*/, const QuickEvalResult* /*quick*/) {
  Accumulators acc;
  root_eval::RookLines(position, FORM_MIDDLE, acc, nullptr);
  root_eval::BishopsMiddleForm(position, FORM_MIDDLE, acc);
  root_eval::PawnChainClasses(position, FORM_MIDDLE, acc);
  root_eval::AttackingSilver(position, FORM_MIDDLE, acc, nullptr);
  root_eval::KnightPawns(position, FORM_MIDDLE, false, acc);
  UndefendedGolds(position, FORM_MIDDLE, acc);
  Tokins(position, acc);
  KingBlocks(position, FORM_MIDDLE, acc);
  return root_eval::SideToMoveDifference(position, acc);
}
