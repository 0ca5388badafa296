// Drop proposers: every one walks from its target to the empty squares a
// dropped piece would attack it from, applies its gating, the capture loss
// test and the back-move rules, and stamps the survivors.
#include "engine/board/attack_drop_proposers.h"

#include <cstddef>
#include <initializer_list>

#include "engine/board/king_attack_generator.h"
#include "engine/board/move_gen_helpers.h"
#include "engine/board/move_tests.h"
#include "engine/board/static_exchange.h"

using namespace movegen;

// ---------------------------------------------------------------------------
// Shared terms

int NthAttackerWithXray(const Position& position, int side, int file, int rank, int n) {
  if (!IsOnBoard(file, rank)) return -1;
  const int direct = position.AttackCount(side, file, rank);
  if (n < direct) return NthAttacker(position, side, file, rank, n);
  return NthXrayAttacker(position, side, file, rank, n - direct);
}

bool PassesCaptureLossTest(const Position& position, int file, int rank, PieceCode code, int limit) {
  const int enemy = position.sideToMove ^ 1;
  if (position.AttackCountAt(enemy, file, rank) == 0) return true;
  const int capturer = NthAttacker(position, enemy, file, rank, 0);
  int firstGain = 0;
  return StaticExchangeForStage(position, enemy, TypeOf(code), file, rank, capturer, &firstGain, 0) <= limit;
}

namespace {

bool BothMoves(const MoveRecord* last, const MoveRecord* prev) {
  return last != nullptr && prev != nullptr && !last->IsNull() && !prev->IsNull();
}

// The opponent's last move took, with a board move by a piece that can
// step back, on the square of the own previous move.
bool LastRetookPrevious(const MoveRecord& last, const MoveRecord& prev) {
  return !last.IsDrop() && last.IsCapture() && last.toFile == prev.toFile && last.toRank == prev.toRank &&
         LastMoverCanStepBack(last);
}

}  // namespace

bool IsBackMoveRule1(const MoveRecord* last, const MoveRecord* prev, int fromFile, int fromRank, int toFile,
                     int toRank) {
  if (!BothMoves(last, prev) || !prev->IsDrop() || prev->toFile != fromFile || prev->toRank != fromRank) return false;
  if (last->IsDrop() || last->IsCapture() || !LastMoverCanStepBack(*last)) return false;
  return toFile == last->fromFile && toRank == last->fromRank;
}

bool IsBackDropRule2(const MoveRecord* last, const MoveRecord* prev, int file, int rank) {
  if (!BothMoves(last, prev) || !prev->IsDrop() || !LastRetookPrevious(*last, *prev)) return false;
  return file == last->fromFile && rank == last->fromRank;
}

bool IsBackDropRule3(const MoveRecord* last, const MoveRecord* prev, int file, int rank, uint32_t bits) {
  if (!BothMoves(last, prev) || prev->IsDrop() || prev->IsCapture()) return false;
  if ((g_movementClassMask[TypeOf(prev->pieceCode)] & bits) != bits || !LastRetookPrevious(*last, *prev)) return false;
  return file == prev->fromFile && rank == prev->fromRank;
}

bool IsBackDrop(const MoveRecord* last, const MoveRecord* prev, int file, int rank, uint32_t bits) {
  return IsBackDropRule2(last, prev, file, rank) || IsBackDropRule3(last, prev, file, rank, bits);
}

bool HasSecondTargetBeyond(const Position& position, int side, int file, int rank, int direction, int relax) {
  const Step step = kLineDirections[direction];
  int f = file + step.df, r = rank + step.dr;
  while (IsOnBoard(f, r) && position.IsEmpty(f, r)) f += step.df, r += step.dr;
  if (!IsOnBoard(f, r)) return false;
  const PieceCode code = CodeAt(position, f, r);
  const int enemy = side ^ 1;
  if (!IsOwnedBy(code, enemy)) return false;
  const int base = BaseTypeOf(code);
  if (base == ROOK || base == KING) return true;
  const bool cheap = AttackTotal(position, enemy, f, r) - relax <= AttackTotal(position, side, f, r);
  if (base == PAWN) return cheap && IsPromotionZone(side, r);
  return cheap;
}

bool BishopHasEscape(const Position& position, int b, int promoted, int file, int rank, int dropDirection) {
  const int other = b ^ 1;
  if (promoted) {
    for (int line = kFirstRookLine; line < kFirstRookLine + 4; ++line) {
      const int f = file + kLineDirections[line].df, r = rank + kLineDirections[line].dr;
      if (!IsBlockedFor(position, b, f, r) && position.AttackCount(other, f, r) == 0) return true;
    }
  }
  // The diagonal across the attacking line: 5 and 7 for lines 4 and 6, else 4 and 6.
  const int across = (dropDirection == 4 || dropDirection == 6) ? 5 : 4;
  for (const int line : {across, across + 2}) {
    const Step step = kLineDirections[line];
    for (int f = file + step.df, r = rank + step.dr;; f += step.df, r += step.dr) {
      if (IsBlockedFor(position, b, f, r)) break;
      if (position.AttackCount(other, f, r) == 0) return true;
      if (!position.IsEmpty(f, r)) break;
    }
  }
  return false;
}

namespace {

// Every square strictly between the drop square and (file, rank), which
// share a file or a rank, is empty: the dropped rook covers the square.
bool RookCovers(const Position& position, int dropFile, int dropRank, int file, int rank) {
  if (dropFile != file && dropRank != rank) return false;
  const int df = Sign(file - dropFile), dr = Sign(rank - dropRank);
  for (int f = dropFile + df, r = dropRank + dr; f != file || r != rank; f += df, r += dr) {
    if (!position.IsEmpty(f, r)) return false;
  }
  return true;
}

}  // namespace

bool IsBishopTrappedByRookDrop(const Position& position, int side, int file, int rank, PieceCode bishopCode,
                               int dropFile, int dropRank) {
  const int enemy = side ^ 1;
  if (IsPromoted(bishopCode)) {
    for (int line = kFirstRookLine; line < kFirstRookLine + 4; ++line) {
      const int f = file + kLineDirections[line].df, r = rank + kLineDirections[line].dr;
      if (f == dropFile && r == dropRank) return false;
      if (f == dropFile || r == dropRank) continue;
      if (!IsBlockedFor(position, enemy, f, r) && position.AttackCount(side, f, r) == 0) return false;
    }
  }
  for (int line = kFirstBishopLine; line < kFirstBishopLine + 4; ++line) {
    const Step step = kLineDirections[line];
    for (int f = file + step.df, r = rank + step.dr;; f += step.df, r += step.dr) {
      if (IsBlockedFor(position, enemy, f, r)) break;
      if (position.AttackCount(side, f, r) == 0 && !RookCovers(position, dropFile, dropRank, f, r)) return false;
      if (!position.IsEmpty(f, r)) break;  // the first piece of s is a square to take
    }
  }
  return true;
}

// ---------------------------------------------------------------------------
// Proposers

namespace {

// What every proposer reads: the side, the drop piece and the records.
struct DropScope {
  const Position& p;
  int s, o, fwd, depth;
  const MoveRecord* last;
  const MoveRecord* prev;

  DropScope(const Position& position, int depthValue, const MoveRecord* lastMove, const MoveRecord* prevMove)
      : p(position),
        s(position.sideToMove),
        o(position.sideToMove ^ 1),
        fwd(SideSign(position.sideToMove)),
        depth(depthValue),
        last(lastMove),
        prev(prevMove) {}

  int Direct(int side, int file, int rank) const { return p.AttackCountAt(side, file, rank); }
  int Total(int side, int file, int rank) const { return AttackTotal(p, side, file, rank); }
  // s has no direct attacker on the square while o has one.
  bool OnlyEnemyAttacks(int file, int rank) const { return Direct(s, file, rank) == 0 && Direct(o, file, rank) > 0; }
  bool EmptySquare(int file, int rank) const { return IsOnBoard(file, rank) && p.IsEmpty(file, rank); }
  bool HasCode(int file, int rank, PieceCode code) const { return IsOnBoard(file, rank) && CodeAt(p, file, rank) == code; }
  PieceCode EnemyPawn() const { return static_cast<PieceCode>(OwnerBit(o) | PAWN); }
  PieceCode OwnPawn() const { return static_cast<PieceCode>(OwnerBit(s) | PAWN); }
  bool EnemyPawnInFront(int file, int rank) const { return HasCode(file, rank + fwd, EnemyPawn()); }
  bool InEnemyCamp(int rank) const { return IsPromotionZone(s, rank); }
  PieceCode Code(int type) const { return static_cast<PieceCode>(OwnerBit(s) | type); }
};

void Propose(int id, int file, int rank, bool weak, int tag) {
  if (weak) {
    g_attackMoveStamps.MarkWeak(id, file, rank, 0, tag);
  } else {
    g_attackMoveStamps.Mark(id, file, rank, 0, tag);
  }
}

// Skeleton steps 2-4 of the gold and silver proposers; `attackFloor` is
// the depth up to which a square only the enemy attacks is refused.
bool PassesSkeletonGating(const DropScope& d, int file, int rank, int attackFloor, int type, int limit) {
  if (d.depth <= attackFloor && d.OnlyEnemyAttacks(file, rank)) return false;
  if (d.Total(d.o, file, rank) > d.Total(d.s, file, rank) + 1 && !d.HasCode(file, rank - d.fwd, d.OwnPawn())) {
    return false;
  }
  if (d.EnemyPawnInFront(file, rank)) {
    if (d.depth < 2) return false;
    if (!PassesCaptureLossTest(d.p, file, rank, d.Code(type), limit)) return false;
  }
  return true;
}

// The gold and silver members: drop squares are the target minus each step.
template <std::size_t N>
void ProposeStepDrops(const DropScope& d, int type, const Step (&steps)[N], int file, int rank, bool weak, int tag,
                      int attackFloor, int limit, uint32_t bits, uint32_t stepMask) {
  const int id = d.p.HandStackTop(d.s, type);
  if (id < 0) return;
  for (std::size_t n = 0; n < N; ++n) {
    if (((stepMask >> n) & 1) == 0) continue;
    const int qf = file - steps[n].df, qr = rank - steps[n].dr * d.fwd;
    if (!d.EmptySquare(qf, qr)) continue;
    if (!PassesSkeletonGating(d, qf, qr, attackFloor, type, limit)) continue;
    if (IsBackDrop(d.last, d.prev, qf, qr, bits)) continue;
    Propose(id, qf, qr, weak, tag);
  }
}

// The bishop proposers' common gating and loss test on q, next to the
// target or not. Unlike the gold and silver, whose loss test guards only a
// square under an enemy pawn, a bishop is tested wherever the enemy attacks q.
bool PassesBishopGating(const DropScope& d, int file, int rank, bool nextToTarget) {
  if (d.depth <= 2 && d.OnlyEnemyAttacks(file, rank)) return false;
  const bool skipLossTest = d.depth >= 4 && nextToTarget && d.Direct(d.o, file, rank) == 1;
  if (!skipLossTest && !PassesCaptureLossTest(d.p, file, rank, d.Code(BISHOP), 600)) return false;
  return !IsBackDrop(d.last, d.prev, file, rank, 0x20);
}

// The square beyond q on the line (away from the target) is empty and the
// enemy does not attack it: a drop farther back would do as well.
bool OpenBeyond(const DropScope& d, int file, int rank, const Step& step) {
  const int f = file + step.df, r = rank + step.dr;
  return d.EmptySquare(f, r) && d.Direct(d.o, f, r) == 0;
}

enum class BishopMarking { kChecks, kOnRook };

void ProposeBishopLines(const DropScope& d, int file, int rank, int tag, BishopMarking marking) {
  const int id = d.p.HandStackTop(d.s, BISHOP);
  if (id < 0) return;
  for (int line = kFirstBishopLine; line < kFirstBishopLine + 4; ++line) {
    const Step step = kLineDirections[line];
    for (int qf = file + step.df, qr = rank + step.dr; d.EmptySquare(qf, qr); qf += step.df, qr += step.dr) {
      const bool next = qf == file + step.df && qr == rank + step.dr;
      if (!PassesBishopGating(d, qf, qr, next)) continue;
      if (OpenBeyond(d, qf, qr, step)) {
        g_attackMoveStamps.MarkWeak(id, qf, qr, 0, tag);
      } else if (marking == BishopMarking::kOnRook && HasSecondTargetBeyond(d.p, d.s, qf, qr, line, 0)) {
        g_attackMoveStamps.MarkTwice(id, qf, qr, 0, tag);
      } else {
        g_attackMoveStamps.Mark(id, qf, qr, 0, tag);
      }
    }
  }
}

// Gating of the rook-line proposers: o's total above s's, or the enemy
// pawn in front of q, refuses it.
bool PassesRookLineGating(const DropScope& d, int file, int rank) {
  if (d.Total(d.o, file, rank) > d.Total(d.s, file, rank) || d.EnemyPawnInFront(file, rank)) return false;
  return !IsBackDrop(d.last, d.prev, file, rank, 0x43);
}

// An own rook or dragon on q's file sees, through q, an enemy piece on the
// other side: the dropped rook would stand in a battery.
bool OwnRookLooksThrough(const DropScope& d, int file, int rank) {
  for (const int dr : {-1, 1}) {
    int r = rank + dr;
    while (d.EmptySquare(file, r)) r += dr;
    if (!IsOnBoard(file, r)) continue;
    const PieceCode code = CodeAt(d.p, file, r);
    if (!IsOwnedBy(code, d.s) || BaseTypeOf(code) != ROOK) continue;
    int ahead = rank - dr;
    while (d.EmptySquare(file, ahead)) ahead -= dr;
    if (IsOnBoard(file, ahead) && IsOwnedBy(CodeAt(d.p, file, ahead), d.o)) return true;
  }
  return false;
}

// The squares of the rook-line proposers: T's rank toward file 1 (when
// scanRank), then behind T on its file while in the enemy camp. File 1 is
// the board's for either side, not turned for side 1, as the line table's
// directions are.
template <typename Visit>
void ForEachRookLineSquare(const DropScope& d, int file, int rank, bool scanRank, Visit visit) {
  if (scanRank) {
    for (int f = file - 1; d.EmptySquare(f, rank); --f) visit(f, rank);
  }
  for (int r = rank - d.fwd; d.EmptySquare(file, r) && d.InEnemyCamp(r); r -= d.fwd) visit(file, r);
}

void LanceWalk(const DropScope& d, int file, int rank, int firstOffset, int tag) {
  const int id = d.p.HandStackTop(d.s, LANCE);
  if (id < 0) return;
  int r = rank - firstOffset * d.fwd;
  // A lance one square short of the last rank is left to the pawn.
  if (firstOffset == 1 && d.EmptySquare(file, r) && RelativeRank(d.s, r) == 2 && !HasPawnOnFile(d.p, d.s, file) &&
      d.p.hand[d.s][PAWN - 1] > 0) {
    r -= d.fwd;
  }
  const bool enemyMayBlock = d.p.hand[d.o][PAWN - 1] > 0 && !HasPawnOnFile(d.p, d.o, file);
  for (; d.EmptySquare(file, r); r -= d.fwd) {
    // Shallow, a square only the enemy watches while it could drop a pawn
    // between ends the walk: every farther drop could be cut off the same way.
    if (d.depth < 4 && enemyMayBlock && d.OnlyEnemyAttacks(file, r)) break;
    if (d.depth < 3 && d.OnlyEnemyAttacks(file, r)) continue;
    // A farther drop is preferred while the square behind is free and quiet.
    if (d.EmptySquare(file, r - d.fwd) && d.Direct(d.o, file, r - d.fwd) == 0) continue;
    if (IsBackDrop(d.last, d.prev, file, r, 0x03)) continue;
    g_attackMoveStamps.Mark(id, file, r, 0, tag);
  }
}

}  // namespace

void ProposePawnDrops(const Position& p, int depth, int file, int rank, const MoveRecord* last,
                      const MoveRecord* prev, int tag) {
  const DropScope d(p, depth, last, prev);
  const int id = p.HandStackTop(d.s, PAWN);
  const int qr = rank - d.fwd;
  if (id < 0 || !d.EmptySquare(file, qr) || HasPawnOnFile(p, d.s, file)) return;
  if (depth < 2 && d.OnlyEnemyAttacks(file, qr)) return;
  if (IsBackDrop(last, prev, file, qr, 0x01)) return;
  g_attackMoveStamps.Mark(id, file, qr, 0, tag);
}

void ProposePawnDropsNear(const Position& p, int depth, int file, int rank, const MoveRecord* last,
                          const MoveRecord* prev) {
  static constexpr Step kNearOffsets[5] = {{0, 2}, {1, 1}, {1, 2}, {-1, 1}, {-1, 2}};
  const DropScope d(p, depth, last, prev);
  const int id = p.HandStackTop(d.s, PAWN);
  if (id < 0 || (rank - 5) * d.fwd <= 1) return;
  for (const Step& offset : kNearOffsets) {
    const int qf = file - offset.df, qr = rank - offset.dr * d.fwd;
    if (!d.EmptySquare(qf, qr) || (qr - 5) * d.fwd <= 0 || HasPawnOnFile(p, d.s, qf)) continue;
    if (IsOwnPiece(p, d.s, qf, qr + d.fwd)) continue;
    if (depth < 2 && d.OnlyEnemyAttacks(qf, qr)) continue;
    if (depth < 4 && d.OnlyEnemyAttacks(qf, qr + d.fwd)) continue;
    if (IsBackDrop(last, prev, qf, qr, 0x01)) continue;
    g_attackMoveStamps.Mark(id, qf, qr, 0, AttackMoveStamps::kTagPawnVariant);
  }
}

void ProposeLanceDrops(const Position& p, int depth, int file, int rank, const MoveRecord* last,
                       const MoveRecord* prev, int tag) {
  const DropScope d(p, depth, last, prev);
  if (!d.EmptySquare(file, rank - d.fwd)) return;
  LanceWalk(d, file, rank, 1, tag);
}

void ProposeLanceDropsOnPawn(const Position& p, int depth, int file, int rank, const MoveRecord* last,
                             const MoveRecord* prev, int tag) {
  const DropScope d(p, depth, last, prev);
  if (!d.EmptySquare(file, rank - d.fwd) || !d.EmptySquare(file, rank - 2 * d.fwd)) return;
  LanceWalk(d, file, rank, 2, tag);
}

void ProposeKnightDrops(const Position& p, int depth, int file, int rank, const MoveRecord* last,
                        const MoveRecord* prev, bool weak, int tag) {
  const DropScope d(p, depth, last, prev);
  const int id = p.HandStackTop(d.s, KNIGHT);
  const int qr = rank - 2 * d.fwd;
  if (id < 0 || qr < 1 || qr > 9) return;
  for (const int qf : {file - 1, file + 1}) {
    if (!d.EmptySquare(qf, qr)) continue;
    if (d.OnlyEnemyAttacks(qf, qr) && (depth < 2 || (depth < 3 && d.Direct(d.o, qf, qr) >= 2))) continue;
    if (depth < 4 && d.EnemyPawnInFront(qf, qr)) continue;
    if (IsBackDrop(last, prev, qf, qr, 0x04)) continue;
    Propose(id, qf, qr, weak, tag);
  }
}

void ProposeSilverDrops(const Position& p, int depth, int file, int rank, const MoveRecord* last,
                        const MoveRecord* prev, bool weak, int option, int tag) {
  // Option 1 keeps the steps (1,-1) and (-1,-1): silver squares in front of the target.
  const uint32_t steps = option == 1 ? 0b01100u : 0b11111u;
  ProposeStepDrops(DropScope(p, depth, last, prev), SILVER, kSilverSteps, file, rank, weak, tag, 2, 600, 0x09,
                   steps);
}

void ProposeGoldDrops(const Position& p, int depth, int file, int rank, const MoveRecord* last,
                      const MoveRecord* prev, bool weak, int tag) {
  ProposeStepDrops(DropScope(p, depth, last, prev), GOLD, kGoldSteps, file, rank, weak, tag, 2, 900, 0x11,
                   0b111111u);
}

void ProposeBishopDropChecks(const Position& p, int depth, int file, int rank, const MoveRecord* last,
                             const MoveRecord* prev) {
  ProposeBishopLines(DropScope(p, depth, last, prev), file, rank, AttackMoveStamps::kTagKing, BishopMarking::kChecks);
}

void ProposeBishopDropsAt(const Position& p, int depth, int file, int rank, const MoveRecord* last,
                          const MoveRecord* prev, int tag) {
  ProposeBishopLines(DropScope(p, depth, last, prev), file, rank, tag, BishopMarking::kChecks);
}

void ProposeBishopDropsOnRook(const Position& p, int depth, int file, int rank, const MoveRecord* last,
                              const MoveRecord* prev) {
  ProposeBishopLines(DropScope(p, depth, last, prev), file, rank, AttackMoveStamps::kTagKing, BishopMarking::kOnRook);
}

void ProposeBishopDropsOnBishop(const Position& p, int depth, int file, int rank, PieceCode bishopCode) {
  const DropScope d(p, depth, nullptr, nullptr);
  const int id = p.HandStackTop(d.s, BISHOP);
  if (id < 0 || TypeOf(bishopCode) != BISHOP || IsPromotionZone(d.o, rank)) return;
  for (int line = kFirstBishopLine; line < kFirstBishopLine + 4; ++line) {
    const Step step = kLineDirections[line];
    for (int qf = file + step.df, qr = rank + step.dr; d.EmptySquare(qf, qr); qf += step.df, qr += step.dr) {
      if (depth <= 2 && d.Direct(d.s, qf, qr) == 0) continue;
      if (!PassesCaptureLossTest(p, qf, qr, d.Code(BISHOP), 600)) continue;
      const bool wins = depth < 7 && (HasSecondTargetBeyond(p, d.s, file, rank, OppositeLine(line), 1) ||
                                      !BishopHasEscape(p, d.o, 0, file, rank, line));
      if (wins) {
        g_attackMoveStamps.MarkTwice(id, qf, qr, 0, AttackMoveStamps::kTagKing);
      } else {
        g_attackMoveStamps.Mark(id, qf, qr, 0, AttackMoveStamps::kTagKing);
      }
    }
  }
}

void ProposeRookDrops(const Position& p, int depth, int file, int rank, const MoveRecord* last,
                      const MoveRecord* prev, int tag) {
  const DropScope d(p, depth, last, prev);
  const int id = p.HandStackTop(d.s, ROOK);
  if (id < 0) return;
  // The two rank lines (0 and 2), then the two file lines (1 and 3), in
  // the line table's absolute order for either side.
  for (const int line : {0, 2, 1, 3}) {
    const Step step = kLineDirections[line];
    const bool alongRank = step.dr == 0;
    for (int qf = file + step.df, qr = rank + step.dr; d.EmptySquare(qf, qr); qf += step.df, qr += step.dr) {
      if (d.Total(d.s, qf, qr) < d.Total(d.o, qf, qr) || d.EnemyPawnInFront(qf, qr)) continue;
      if (IsBackDrop(last, prev, qf, qr, 0x43)) continue;
      if (alongRank && depth < 5 && OpenBeyond(d, qf, qr, step) && !OwnRookLooksThrough(d, qf, qr)) {
        g_attackMoveStamps.MarkWeak(id, qf, qr, 0, tag);
      } else {
        g_attackMoveStamps.Mark(id, qf, qr, 0, tag);
      }
    }
  }
}

void ProposeRookDropLines(const Position& p, int depth, int file, int rank, const MoveRecord* last,
                          const MoveRecord* prev, int tag) {
  const DropScope d(p, depth, last, prev);
  const int id = p.HandStackTop(d.s, ROOK);
  if (id < 0 || !d.InEnemyCamp(rank)) return;
  ForEachRookLineSquare(d, file, rank, true, [&](int qf, int qr) {
    if (PassesRookLineGating(d, qf, qr)) g_attackMoveStamps.Mark(id, qf, qr, 0, tag);
  });
}

void ProposeBishopTrapRookDrops(const Position& p, int depth, int file, int rank, int /*bishopId*/,
                                PieceCode bishopCode, const MoveRecord* last, const MoveRecord* prev, int tag) {
  const DropScope d(p, depth, last, prev);
  const int id = p.HandStackTop(d.s, ROOK);
  if (id < 0) return;
  ForEachRookLineSquare(d, file, rank, true, [&](int qf, int qr) {
    if (!PassesRookLineGating(d, qf, qr)) return;
    if (IsBishopTrappedByRookDrop(p, d.s, file, rank, bishopCode, qf, qr)) {
      g_attackMoveStamps.MarkTwice(id, qf, qr, 0, tag);
    } else {
      g_attackMoveStamps.Mark(id, qf, qr, 0, tag);
    }
  });
}

void ProposeBishopDropInCamp(const Position& p, const MoveRecord* last, const MoveRecord* prev, int depth, int file,
                             int rank, int tag) {
  const DropScope d(p, depth, last, prev);
  const int id = p.HandStackTop(d.s, BISHOP);
  if (id < 0 || !d.EmptySquare(file, rank)) return;
  if (!PassesCaptureLossTest(p, file, rank, d.Code(BISHOP), 600)) return;
  if (IsBackDrop(last, prev, file, rank, 0x20)) return;
  g_attackMoveStamps.Mark(id, file, rank, 0, tag);
}

void ProposeRookDropInCamp(const Position& p, const MoveRecord* last, const MoveRecord* prev, int depth, int file,
                           int rank, int tag) {
  const DropScope d(p, depth, last, prev);
  const int id = p.HandStackTop(d.s, ROOK);
  if (id < 0 || !d.EmptySquare(file, rank)) return;
  if (d.Total(d.s, file, rank) < d.Total(d.o, file, rank) || d.OnlyEnemyAttacks(file, rank) ||
      d.EnemyPawnInFront(file, rank)) {
    return;
  }
  if (IsBackDrop(last, prev, file, rank, 0x43)) return;
  g_attackMoveStamps.Mark(id, file, rank, 0, tag);
}

void ProposeRookDropBehind(const Position& p, int side, int depth, int file, int rank, const MoveRecord* last,
                           const MoveRecord* prev) {
  const DropScope d(p, depth, last, prev);
  const int id = p.HandStackTop(side, ROOK);
  if (id < 0 || side != d.s) return;
  // The enemy may drop a pawn two squares ahead of the own piece to cut the line.
  const int aheadRank = rank + 2 * d.fwd;
  const bool enemyMayBlock = d.EmptySquare(file, aheadRank) && p.hand[d.o][PAWN - 1] > 0 &&
                             !HasPawnOnFile(p, d.o, file) && d.Total(d.o, file, aheadRank) >= d.Total(d.s, file, aheadRank);
  for (int r = rank - d.fwd; d.EmptySquare(file, r); r -= d.fwd) {
    if (d.Direct(d.o, file, r) > 0) continue;
    if (IsBackDrop(last, prev, file, r, 0x43)) continue;
    const bool farther = d.EmptySquare(file, r - d.fwd) && d.Direct(d.o, file, r - d.fwd) == 0;
    if (farther || enemyMayBlock) {
      g_attackMoveStamps.MarkWeak(id, file, r, 0, AttackMoveStamps::kTagKing);
    } else {
      g_attackMoveStamps.MarkTwice(id, file, r, 0, AttackMoveStamps::kNoTag);
    }
  }
}
