// The king-attack generator: drops are proposed into the stamped table by
// target (the king, its neighbours, each enemy piece, own batteries, the
// enemy camp) and turned into moves at the end; board moves come straight
// from the per-piece generators.
#include "engine/board/king_attack_generator.h"

#include <cstddef>
#include <initializer_list>

#include <cstring>

#include "engine/board/attack_drop_proposers.h"
#include "engine/board/attacking_board_moves.h"
#include "engine/board/king_attack_shallow.h"
#include "engine/board/move_gen_helpers.h"
#include "engine/board/move_tests.h"
#include "engine/board/static_exchange.h"
#include "engine/eval/eval_params.h"
#include "engine/eval/game_stage.h"
#include "engine/search/search_globals.h"

using namespace movegen;

AttackMoveStamps g_attackMoveStamps;

namespace {
// The table is ready (stamp 1) before any think clears it.
[[maybe_unused]] const bool g_attackMoveStampsReady = (InitAttackMoveStamps(), true);
}  // namespace

const int g_dropThreshold[3][DROP_THRESHOLD_DEPTHS] = {
    {20, 10, 5},     // the rest 0
    {100, 50, 25, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10,
     10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10},
    {300, 200, 100, 50, 50, 50, 50, 50, 50, 50, 50, 50, 50, 50, 50, 50, 50, 50, 50, 50,
     50, 50, 50, 50, 50, 50, 50, 50, 50, 50, 50, 50, 50, 50, 50, 50, 50, 50, 50, 50},
};

namespace {

int StageIndex() { return g_gameStage < 0 ? 0 : g_gameStage > 2 ? 2 : g_gameStage; }

}  // namespace

int DropThreshold(int depth) {
  const int index = depth < 0 ? 0 : depth >= DROP_THRESHOLD_DEPTHS ? DROP_THRESHOLD_DEPTHS - 1 : depth;
  return g_dropThreshold[StageIndex()][index];
}

// ---------------------------------------------------------------------------
// The stamp table

bool AttackMoveStamps::First(uint32_t* group, int id, int file, int rank, int promote, int tag) {
  if (group[kProposed] == stamp) return false;
  group[kProposed] = stamp;
  if (tag != kNoTag) group[tag] = stamp;
  // Earlier calls' marks are older than the stamp; clearing keeps the
  // group's meaning exact even when a slot was touched by this call.
  group[kTwice] = 0;
  group[kWeak] = 0;
  if (count < static_cast<uint32_t>(kCandidateCapacity)) {
    candidates[count++] = {static_cast<uint32_t>(id), static_cast<uint32_t>(file), static_cast<uint32_t>(rank),
                           static_cast<uint32_t>(promote)};
  }
  return true;
}

void AttackMoveStamps::Mark(int id, int file, int rank, int promote, int tag) {
  uint32_t* group = Group(id, file, rank, promote);
  if (First(group, id, file, rank, promote, tag)) return;
  group[kTwice] = stamp;
  group[kWeak] = 0;
}

void AttackMoveStamps::MarkWeak(int id, int file, int rank, int promote, int tag) {
  uint32_t* group = Group(id, file, rank, promote);
  if (First(group, id, file, rank, promote, tag)) {
    group[kWeak] = stamp;
    return;
  }
  if (tag == kTagKing && group[kTagKing] == stamp) group[kTwice] = stamp;
  group[kWeak] = 0;
}

void AttackMoveStamps::MarkTwice(int id, int file, int rank, int promote, int tag) {
  uint32_t* group = Group(id, file, rank, promote);
  First(group, id, file, rank, promote, tag);
  group[kTwice] = stamp;
  group[kWeak] = 0;
}

void ClearAttackMoveStamps() {
  std::memset(g_attackMoveStamps.slots, 0, sizeof g_attackMoveStamps.slots);
  g_attackMoveStamps.count = 0;
}

void InitAttackMoveStamps() {
  ClearAttackMoveStamps();
  g_attackMoveStamps.stamp = 1;
}

void BeginAttackMoveStamps() {
  // Every call gets a stamp newer than any slot: a second call at the same
  // search generation must not see the first call's proposals as its own.
  const uint32_t wanted = g_searchGeneration + 1975;
  uint32_t stamp = wanted > g_attackMoveStamps.stamp ? wanted : g_attackMoveStamps.stamp + 1;
  if (stamp == 0) {
    ClearAttackMoveStamps();
    stamp = 1;
  }
  g_attackMoveStamps.stamp = stamp;
  g_attackMoveStamps.count = 0;
}

// ---------------------------------------------------------------------------
// Tests shared with the proposers

bool CaptureGainExceeds(const Position& position, int side, PieceCode code, int file, int rank, int threshold) {
  if (position.AttackCountAt(side, file, rank) == 0) return false;
  const int capturer = NthAttacker(position, side, file, rank, 0);
  int firstGain = 0;
  return StaticExchangeForStage(position, side, TypeOf(code), file, rank, capturer, &firstGain, 0) > threshold;
}

int KingRelativeWorth(const Position& position, int side, int type, int file, int rank) {
  return RootPieceValue(position, side, type, file, rank, g_gameStage != STAGE_OPENING);
}

int DropTradeGain(const Position& position, int side, PieceCode placed, int file, int rank, PieceCode taken) {
  const int takenBase = BaseTypeOf(taken), placedBase = BaseTypeOf(placed);
  // The next piece of the taken type joins the hand; the last piece of the
  // placed type leaves it.
  const int held = position.hand[side][placedBase - 1];
  return RootHandValue(takenBase, position.hand[side][takenBase - 1]) - RootHandValue(placedBase, held > 0 ? held - 1 : 0) +
         KingRelativeWorth(position, side ^ 1, TypeOf(taken), file, rank) +
         KingRelativeWorth(position, side, TypeOf(placed), file, rank);
}

bool IsCampPawnDropWorth(const Position& position, int side, int depth, int file, int rank) {
  const int enemy = side ^ 1;
  if (position.AttackCountAt(side, file, rank) == 0 && position.AttackCountAt(enemy, file, rank) > 0 &&
      (depth == 2 || depth == 3)) {
    return false;
  }
  const int held = position.hand[side][PAWN - 1];
  const int worth = KingRelativeWorth(position, side, TOKIN, file, rank) - RootHandValue(PAWN, held > 0 ? held - 1 : 0);
  return worth >= DropThreshold(depth);
}

bool IsCampDropSquareUsable(const Position& position, int side, int /*depth*/, int file, int rank) {
  return position.AttackCountAt(side, file, rank) > 0 || position.AttackCountAt(side ^ 1, file, rank) == 0;
}

int SafeCampSquareCount(const Position& position, int side) {
  const int enemy = side ^ 1;
  int safe = 0;
  for (int relative = 1; relative <= 3; ++relative) {
    const int rank = RelativeRank(side, relative);
    for (int file = 1; file <= 9; ++file) {
      if (!position.IsEmpty(file, rank)) continue;
      const int enemyCount = position.AttackCount(enemy, file, rank);
      if (enemyCount == 0 || (enemyCount == 1 && position.AttackCount(side, file, rank) > 0)) ++safe;
    }
  }
  return safe;
}

// ---------------------------------------------------------------------------
// The generator

namespace {

class KingAttackRun {
 public:
  KingAttackRun(const Position& position, const MoveRecord* line, int depth, uint32_t key, const MoveCodeList& done,
                MoveRecord* out)
      : p_(position),
        last_(line),
        prev_(line != nullptr ? line - 1 : nullptr),
        depth_(depth),
        key_(key),
        done_(done),
        out_(out),
        s_(position.sideToMove),
        o_(position.sideToMove ^ 1),
        fwd_(SideSign(position.sideToMove)),
        inputs_{position, line, prev_, depth, key, done} {}

  int Run() {
    BeginAttackMoveStamps();
    const PieceListEntry& king = p_.pieces[o_];
    if (IsOnBoard(king.file, king.rank)) {
      ChecksByDrop(king.file, king.rank);
      if (depth_ >= 4) DropsNextToKing(king.file, king.rank);
    }
    const PieceListEntry& own = p_.pieces[s_];
    if (IsOnBoard(own.file, own.rank)) written_ += GenerateKingMoveAttacks(inputs_, s_, own.file, own.rank, Out());
    for (int id = 2; id < PIECE_COUNT; ++id) {
      const PieceListEntry& piece = p_.pieces[id];
      if (!IsOnBoard(piece.file, piece.rank)) continue;
      if (IsOwnedBy(piece.code, s_)) {
        OwnPiece(id, piece);
      } else {
        EnemyPiece(id, piece);
      }
    }
    if (depth_ >= 2) CampDrops();
    WriteCandidates();
    return written_;
  }

 private:
  MoveRecord* Out() { return out_ + written_; }
  bool InHand(int type) const { return p_.hand[s_][type - 1] > 0; }
  int Total(int side, int file, int rank) const { return AttackTotal(p_, side, file, rank); }
  int Direct(int side, int file, int rank) const { return p_.AttackCountAt(side, file, rank); }
  bool NoOwnPawnOn(int file) const { return !HasPawnOnFile(p_, s_, file); }
  int SafeCamp() {
    if (safeCamp_ < 0) safeCamp_ = SafeCampSquareCount(p_, s_);
    return safeCamp_;
  }
  // The enemy piece's king-relative worth for the enemy reaches the drop threshold.
  bool WorthReachesThreshold(const PieceListEntry& piece) const {
    return KingRelativeWorth(p_, o_, TypeOf(piece.code), piece.file, piece.rank) >= DropThreshold(depth_);
  }

  // Steps 3 and 4: drops at the king and next to it.
  void DropsAt(int file, int rank, int tag, bool check) {
    if (InHand(PAWN) && NoOwnPawnOn(file)) ProposePawnDrops(p_, depth_, file, rank, last_, prev_, tag);
    if (InHand(LANCE)) ProposeLanceDrops(p_, depth_, file, rank, last_, prev_, tag);
    if (InHand(KNIGHT)) ProposeKnightDrops(p_, depth_, file, rank, last_, prev_, false, tag);
    if (InHand(SILVER)) ProposeSilverDrops(p_, depth_, file, rank, last_, prev_, false, 0, tag);
    if (InHand(GOLD)) ProposeGoldDrops(p_, depth_, file, rank, last_, prev_, false, tag);
    if (InHand(BISHOP)) {
      if (check) {
        ProposeBishopDropChecks(p_, depth_, file, rank, last_, prev_);
      } else {
        ProposeBishopDropsAt(p_, depth_, file, rank, last_, prev_, tag);
      }
    }
    if (InHand(ROOK)) ProposeRookDrops(p_, depth_, file, rank, last_, prev_, tag);
  }
  void ChecksByDrop(int file, int rank) { DropsAt(file, rank, AttackMoveStamps::kTagKing, true); }
  void DropsNextToKing(int kingFile, int kingRank) {
    for (const Step& step : kLineDirections) {
      const int file = kingFile + step.df, rank = kingRank + step.dr;
      if (!IsOnBoard(file, rank) || IsOwnPiece(p_, s_, file, rank)) continue;
      if (!p_.IsEmpty(file, rank) && Total(s_, file, rank) + 1 < Total(o_, file, rank)) continue;
      DropsAt(file, rank, AttackMoveStamps::kTagNeighbour, false);
    }
  }

  // Step 6, own pieces: board moves, batteries and drops behind.
  void OwnPiece(int id, const PieceListEntry& piece) {
    const int f = piece.file, r = piece.rank;
    const PieceCode code = piece.code;
    const int type = TypeOf(code);
    if (id < 4) {
      written_ += GenerateRookMoveAttacks(inputs_, id, code, f, r, Out());
    } else if (id < 6) {
      written_ += GenerateBishopMoveAttacks(inputs_, id, code, f, r, Out());
      BishopBatteries(piece, BatteryShape::kBishop);
    } else if (type == SILVER) {
      written_ += GenerateSilverMoveAttacks(inputs_, id, code, f, r, Out());
      BishopBatteries(piece, BatteryShape::kSilver);
    } else if (type == GOLD || IsPromoted(code)) {
      written_ += GenerateGoldMoveAttacks(inputs_, id, code, f, r, Out());
      BishopBatteries(piece, BatteryShape::kGold);
    } else if (type == KNIGHT) {
      written_ += GenerateKnightMoveAttacks(inputs_, id, code, f, r, Out());
    } else if (type == LANCE) {
      written_ += GenerateLanceMoveAttacks(inputs_, id, code, f, r, Out());
      DropsBehindOwnLance(f, r);
    } else if (type == PAWN) {
      written_ += GeneratePawnMoveAttacks(inputs_, id, code, f, r, Out());
      DropsBehindOwnPawn(f, r);
    }
  }

  enum class BatteryShape { kBishop, kGold, kSilver };

  // Bishop drops behind an own piece that attacks a defended enemy piece
  // diagonally, so that the bishop backs the attack up.
  void BishopBatteries(const PieceListEntry& piece, BatteryShape shape) {
    if (!InHand(BISHOP)) return;
    const int id = p_.HandStackTop(s_, BISHOP);
    const PieceCode bishop = static_cast<PieceCode>(OwnerBit(s_) | BISHOP);
    for (int line = kFirstBishopLine; line < kFirstBishopLine + 4; ++line) {
      const Step step = kLineDirections[line];
      // Gold-type pieces attack only their two forward diagonals.
      if (shape == BatteryShape::kGold && step.dr != fwd_) continue;
      int xf = piece.file + step.df, xr = piece.rank + step.dr;
      if (shape == BatteryShape::kBishop) {
        while (IsOnBoard(xf, xr) && p_.IsEmpty(xf, xr)) xf += step.df, xr += step.dr;
      }
      if (!IsOnBoard(xf, xr)) continue;
      const PieceCode target = CodeAt(p_, xf, xr);
      if (!IsOwnedBy(target, o_)) continue;
      if (TypeOf(target) == PAWN && !IsPromotionZone(s_, xr)) continue;
      if (Direct(o_, xf, xr) == 0 || Total(s_, xf, xr) < Total(o_, xf, xr)) continue;
      for (int qf = piece.file - step.df, qr = piece.rank - step.dr; IsOnBoard(qf, qr) && p_.IsEmpty(qf, qr);
           qf -= step.df, qr -= step.dr) {
        if (Direct(s_, qf, qr) == 0 && Direct(o_, qf, qr) > 0) continue;
        if (CaptureGainExceeds(p_, o_, bishop, qf, qr, 200)) continue;
        if (IsBackDropRule2(last_, prev_, qf, qr)) continue;
        g_attackMoveStamps.Mark(id, qf, qr, 0, AttackMoveStamps::kTagKing);
      }
    }
  }

  // The first piece ahead of (file, rank) on its file, 0 when none.
  PieceCode FirstPieceAhead(int file, int rank) const {
    int r = rank + fwd_;
    while (IsOnBoard(file, r) && p_.IsEmpty(file, r)) r += fwd_;
    return IsOnBoard(file, r) ? CodeAt(p_, file, r) : PieceCode{0};
  }
  int FirstRankAhead(int file, int rank) const {
    int r = rank + fwd_;
    while (IsOnBoard(file, r) && p_.IsEmpty(file, r)) r += fwd_;
    return r;
  }

  void DropsBehindOwnLance(int file, int rank) {
    const int behind = rank - fwd_;
    if (depth_ < 3 || !IsOnBoard(file, behind) || !p_.IsEmpty(file, behind)) return;
    const int aheadRank = FirstRankAhead(file, rank);
    if (!IsOnBoard(file, aheadRank)) return;
    const PieceCode ahead = CodeAt(p_, file, aheadRank);
    if (InHand(LANCE) && IsOwnedBy(ahead, o_) && Direct(o_, file, aheadRank) > 0) {
      ProposeLanceDrops(p_, depth_, file, rank, last_, prev_, AttackMoveStamps::kTagKing);
    }
    if (InHand(ROOK) && ahead == static_cast<PieceCode>(OwnerBit(o_) | PAWN) &&
        Total(s_, file, aheadRank) >= Total(o_, file, aheadRank) && Direct(o_, file, aheadRank) > 0) {
      ProposeRookDropBehind(p_, s_, depth_, file, rank, last_, prev_);
    }
  }

  void DropsBehindOwnPawn(int file, int rank) {
    if (depth_ < 3 || RelativeRank(s_, rank) >= 5 || Direct(o_, file, rank + fwd_) == 0) return;
    const int twoAhead = rank + 2 * fwd_;
    const bool pawnTwoAhead = IsOnBoard(file, twoAhead) && TypeOf(CodeAt(p_, file, twoAhead)) == PAWN;
    const bool ownTotalHolds = Total(s_, file, twoAhead) >= Total(o_, file, twoAhead);
    if (InHand(LANCE) && (!pawnTwoAhead || ownTotalHolds)) {
      ProposeLanceDrops(p_, depth_, file, rank, last_, prev_, AttackMoveStamps::kTagKing);
    }
    if (InHand(ROOK) && !pawnTwoAhead && ownTotalHolds) ProposeRookDropBehind(p_, s_, depth_, file, rank, last_, prev_);
  }

  // Step 6, enemy pieces: the drops that attack each of them.
  void EnemyPiece(int id, const PieceListEntry& piece) {
    constexpr int tag = AttackMoveStamps::kTagKing;
    const int f = piece.file, r = piece.rank;
    const bool holds = Total(s_, f, r) >= Total(o_, f, r);
    if (id >= 22) {
      EnemyPawn(piece, holds);
      return;
    }
    // Pawn and its variant, and lance, against every piece but pawns.
    if (InHand(PAWN) && NoOwnPawnOn(f)) {
      ProposePawnDrops(p_, depth_, f, r, last_, prev_, tag);
      if (depth_ >= 3) ProposePawnDropsNear(p_, depth_, f, r, last_, prev_);
    }
    if (InHand(LANCE)) ProposeLanceDrops(p_, depth_, f, r, last_, prev_, tag);
    const bool shallow = depth_ < 3;
    if (id < 4) {
      if (InHand(KNIGHT)) ProposeKnightDrops(p_, depth_, f, r, last_, prev_, shallow, tag);
      if (InHand(SILVER)) ProposeSilverDrops(p_, depth_, f, r, last_, prev_, shallow, 0, tag);
      if (InHand(GOLD)) ProposeGoldDrops(p_, depth_, f, r, last_, prev_, shallow, tag);
      if (InHand(BISHOP)) ProposeBishopDropsOnRook(p_, depth_, f, r, last_, prev_);
      if (InHand(ROOK) && depth_ >= 3) ProposeRookDrops(p_, depth_, f, r, last_, prev_, tag);
    } else if (id < 6) {
      if (InHand(KNIGHT)) ProposeKnightDrops(p_, depth_, f, r, last_, prev_, shallow, tag);
      if (InHand(SILVER)) ProposeSilverDrops(p_, depth_, f, r, last_, prev_, shallow, 0, tag);
      if (InHand(GOLD)) ProposeGoldDrops(p_, depth_, f, r, last_, prev_, shallow, tag);
      if (InHand(BISHOP)) ProposeBishopDropsOnBishop(p_, depth_, f, r, piece.code);
      if (InHand(ROOK)) RookDropsOnBishop(id, piece);
    } else if (id < 10) {
      if (InHand(KNIGHT)) ProposeKnightDrops(p_, depth_, f, r, last_, prev_, false, tag);
      if (InHand(SILVER)) ProposeSilverDrops(p_, depth_, f, r, last_, prev_, false, 0, tag);
      if (InHand(GOLD) && depth_ >= 2) ProposeGoldDrops(p_, depth_, f, r, last_, prev_, false, tag);
      if (InHand(BISHOP) && holds) ProposeBishopDropsAt(p_, depth_, f, r, last_, prev_, tag);
      if (InHand(ROOK) && holds) ProposeRookDrops(p_, depth_, f, r, last_, prev_, tag);
    } else if (id < 14) {
      if (InHand(KNIGHT)) ProposeKnightDrops(p_, depth_, f, r, last_, prev_, false, tag);
      if (InHand(SILVER)) ProposeSilverDrops(p_, depth_, f, r, last_, prev_, false, 0, tag);
      if (InHand(GOLD)) ProposeGoldDrops(p_, depth_, f, r, last_, prev_, false, tag);
      if (InHand(BISHOP) && holds) ProposeBishopDropsAt(p_, depth_, f, r, last_, prev_, tag);
      if (InHand(ROOK)) ProposeRookDrops(p_, depth_, f, r, last_, prev_, tag);
    } else {
      // Knights and lances.
      const bool knight = id < 18;
      if (InHand(KNIGHT) &&
          (!knight || Direct(s_, f, r) == 0 || Direct(o_, f, r) > 0 || depth_ >= 5)) {
        ProposeKnightDrops(p_, depth_, f, r, last_, prev_, false, tag);
      }
      MinorSilverGoldDrops(piece, holds);
      if (InHand(BISHOP) && holds) ProposeBishopDropsAt(p_, depth_, f, r, last_, prev_, tag);
      if (InHand(ROOK) && holds) ProposeRookDrops(p_, depth_, f, r, last_, prev_, tag);
    }
  }

  // Silver and gold drops on an enemy knight or lance.
  void MinorSilverGoldDrops(const PieceListEntry& piece, bool holds) {
    constexpr int tag = AttackMoveStamps::kTagKing;
    const int f = piece.file, r = piece.rank;
    if (Total(s_, f, r) >= 1 && Total(o_, f, r) == 0 && depth_ < 5) return;
    if (!IsPromoted(piece.code)) {
      if (!holds || !WorthReachesThreshold(piece)) return;
      if (InHand(SILVER)) ProposeSilverDrops(p_, depth_, f, r, last_, prev_, false, 0, tag);
      if (InHand(GOLD)) ProposeGoldDrops(p_, depth_, f, r, last_, prev_, false, tag);
      return;
    }
    if (InHand(SILVER)) ProposeSilverDrops(p_, depth_, f, r, last_, prev_, false, depth_ < 5 ? 1 : 0, tag);
    if (InHand(GOLD) && depth_ >= 5) ProposeGoldDrops(p_, depth_, f, r, last_, prev_, false, tag);
  }

  // Rook drops against an enemy bishop: none for a poorly supported drop at
  // low depth; a nearly trapped bishop outside the camp gets the trapping lines.
  void RookDropsOnBishop(int id, const PieceListEntry& piece) {
    const int f = piece.file, r = piece.rank;
    if (depth_ < 3 && Direct(s_, f, r) == 0 && Direct(o_, f, r) > 0) return;
    if (!IsPromotionZone(s_, r)) {
      int free = 0;
      for (int line = kFirstBishopLine; line < kFirstBishopLine + 4; ++line) {
        const int nf = f + kLineDirections[line].df, nr = r + kLineDirections[line].dr;
        // The border is no square to go to.
        if (!IsOnBoard(nf, nr)) continue;
        if (!IsOwnedBy(CodeAt(p_, nf, nr), o_) && Direct(o_, nf, nr) == 0) ++free;
      }
      if (free <= 1) {
        ProposeBishopTrapRookDrops(p_, depth_, f, r, id, piece.code, last_, prev_, AttackMoveStamps::kTagKing);
        ProposeRookDropLines(p_, depth_, f, r, last_, prev_, AttackMoveStamps::kTagKing);
        return;
      }
    }
    ProposeRookDrops(p_, depth_, f, r, last_, prev_, AttackMoveStamps::kTagKing);
  }

  // Drops on an enemy pawn or tokin.
  void EnemyPawn(const PieceListEntry& piece, bool holds) {
    constexpr int tag = AttackMoveStamps::kTagKing;
    const int f = piece.file, r = piece.rank;
    const bool tokin = IsPromoted(piece.code);
    const bool inCamp = IsPromotionZone(s_, r);
    if (InHand(PAWN) && NoOwnPawnOn(f) && (tokin || depth_ >= 3)) ProposePawnDrops(p_, depth_, f, r, last_, prev_, tag);
    if (InHand(LANCE) && (tokin || (depth_ >= 3 && inCamp && holds))) {
      ProposeLanceDropsOnPawn(p_, depth_, f, r, last_, prev_, tag);
    }
    const bool onlyEnemy = Direct(s_, f, r) == 0 && Direct(o_, f, r) > 0;
    const int sTotal = Total(s_, f, r), oTotal = Total(o_, f, r);
    if (InHand(KNIGHT) && depth_ >= 3 && !(onlyEnemy && depth_ <= 3)) {
      bool allowed = true;
      if (sTotal < oTotal) {
        const PieceListEntry& king = p_.pieces[o_];
        const bool kingBeyond = king.rank == r + fwd_ && king.file >= f - 1 && king.file <= f + 1;
        allowed = depth_ >= 4 && sTotal + 1 >= oTotal && kingBeyond;
      }
      if (allowed) ProposeKnightDrops(p_, depth_, f, r, last_, prev_, false, tag);
    }
    const bool guard = onlyEnemy && depth_ >= 2 && depth_ <= 4;
    if (InHand(SILVER) && depth_ >= 3 && !guard) {
      const PieceCode silver = static_cast<PieceCode>(OwnerBit(s_) | (RelativeRank(s_, r) < 5 ? PRO_SILVER : SILVER));
      if (DropTradeGain(p_, s_, silver, f, r, piece.code) >= 0) {
        ProposeSilverDrops(p_, depth_, f, r, last_, prev_, false, 0, tag);
      }
    }
    if (InHand(GOLD) && depth_ >= (tokin ? 5 : 3) && !guard &&
        DropTradeGain(p_, s_, static_cast<PieceCode>(OwnerBit(s_) | GOLD), f, r, piece.code) >= 0) {
      ProposeGoldDrops(p_, depth_, f, r, last_, prev_, false, tag);
    }
    if (InHand(BISHOP) && holds && depth_ >= (inCamp ? 3 : 4) &&
        (inCamp || DropTradeGain(p_, s_, static_cast<PieceCode>(OwnerBit(s_) | BISHOP), f, r, piece.code) >= 0)) {
      ProposeBishopDropsAt(p_, depth_, f, r, last_, prev_, tag);
    }
    if (!InHand(ROOK) || sTotal < oTotal) return;
    if (tokin) {
      ProposeRookDrops(p_, depth_, f, r, last_, prev_, tag);
    } else if (inCamp) {
      if (depth_ >= 3 && (SafeCamp() < 5 || WorthReachesThreshold(piece))) {
        ProposeRookDrops(p_, depth_, f, r, last_, prev_, tag);
      }
    } else if (depth_ >= 5 && (SafeCamp() < 5 || WorthReachesThreshold(piece))) {
      ProposeRookDropLines(p_, depth_, f, r, last_, prev_, tag);
    }
  }

  // Step 7: drops into the enemy camp, inner rank first.
  void CampDrops() {
    constexpr int tag = AttackMoveStamps::kTagCamp;
    if (InHand(PAWN)) {
      for (int file = 1; file <= 9; ++file) {
        if (!NoOwnPawnOn(file)) continue;
        for (int relative = 3; relative >= 1; --relative) {
          const int rank = RelativeRank(s_, relative);
          if (p_.IsEmpty(file, rank) && IsCampPawnDropWorth(p_, s_, depth_, file, rank)) {
            ProposePawnDrops(p_, depth_, file, rank, last_, prev_, tag);
          }
        }
      }
    }
    if (InHand(BISHOP) && SafeCamp() < 7) {
      for (int relative = 3; relative >= 1; --relative) {
        const int rank = RelativeRank(s_, relative);
        for (int file = 1; file <= 9; ++file) {
          if (!p_.IsEmpty(file, rank) || !IsCampDropSquareUsable(p_, s_, depth_, file, rank)) continue;
          ProposeBishopDropInCamp(p_, last_, prev_, depth_, file, rank, tag);
          ProposeBishopDropsAt(p_, depth_, file, rank, last_, prev_, tag);
        }
      }
    }
    if (InHand(ROOK) && SafeCamp() < 5) {
      for (int relative = 3; relative >= 1; --relative) {
        const int rank = RelativeRank(s_, relative);
        for (int file = 1; file <= 9; ++file) {
          if (!p_.IsEmpty(file, rank)) continue;
          ProposeRookDropInCamp(p_, last_, prev_, depth_, file, rank, tag);
          ProposeRookDrops(p_, depth_, file, rank, last_, prev_, tag);
        }
      }
    }
  }

  // Step 8: the surviving candidates become moves, after the board moves.
  void WriteCandidates() {
    const AttackMoveStamps& stamps = g_attackMoveStamps;
    for (uint32_t n = 0; n < stamps.count; ++n) {
      const AttackMoveStamps::Candidate& c = stamps.candidates[n];
      const int id = static_cast<int>(c.pieceId), file = static_cast<int>(c.file), rank = static_cast<int>(c.rank);
      const int promote = static_cast<int>(c.promote);
      const PieceListEntry& piece = p_.pieces[id];
      const bool twice = stamps.IsMarked(id, file, rank, promote, AttackMoveStamps::kTwice);
      const bool weak = stamps.IsMarked(id, file, rank, promote, AttackMoveStamps::kWeak);
      // Never true: every proposal names the top piece of a hand stack, and
      // nothing moves between the proposals and this step.
      if (IsOnBoard(piece.file, piece.rank)) {
        if (key_ != 0 && IsForcingMove(p_, last_, id, promote, 0, file, rank, depth_) == 0) continue;
        const PieceCode captured = CodeAt(p_, file, rank);
        if (done_.Contains(piece.file, piece.rank, file, rank, piece.code, captured, promote)) continue;
        Out()->Set(piece.file, piece.rank, file, rank, static_cast<PieceId>(id), piece.code,
                   static_cast<PieceId>(p_.PieceIdAt(file, rank)), captured, promote);
        ++written_;
        continue;
      }
      const bool inCamp = IsPromotionZone(s_, rank);
      if (depth_ < 2) {
        if (!twice) continue;
      } else if (id == 2 || id == 3) {
        if (depth_ < 4 && weak) continue;
        if (!inCamp && !twice) continue;
      } else if (id == 4 || id == 5) {
        if (!twice && ((depth_ < 7 && !inCamp) || weak)) continue;
      } else if (weak) {
        continue;
      }
      if (key_ != 0 && IsForcingMove(p_, last_, id, 0, 1, file, rank, depth_) == 0) continue;
      const PieceCode code = static_cast<PieceCode>(OwnerBit(s_) | BaseTypeOf(g_pieceIdBaseCode[id]));
      if (done_.HasDrop(file, rank, code)) continue;
      Out()->SetDrop(file, rank, static_cast<PieceId>(id), code);
      ++written_;
    }
  }

  const Position& p_;
  const MoveRecord* last_;
  const MoveRecord* prev_;
  int depth_;
  uint32_t key_;
  const MoveCodeList& done_;
  MoveRecord* out_;
  int s_, o_, fwd_;
  AttackMoveInputs inputs_;
  int written_ = 0;
  int safeCamp_ = -1;
};

}  // namespace

int GenerateKingAttackMoves(const Position& position, const MoveRecord* line, int depth, uint32_t key,
                            const MoveCodeList& done, MoveRecord* out) {
  if (depth < 1) {
    return GenerateKingAttackMovesShallow(position, line, line, line != nullptr ? line - 1 : nullptr, key, done, out);
  }
  return KingAttackRun(position, line, depth, key, done, out).Run();
}
