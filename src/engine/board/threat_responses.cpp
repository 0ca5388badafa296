// Threat replies. Every helper writes through a bounded sink from the
// caller's array on and returns its count; the threat generator appends the
// helpers' output and removes duplicates at the end.
#include "engine/board/threat_responses.h"

#include <algorithm>
#include <cstdlib>

#include "engine/board/defender_generator.h"
#include "engine/board/make_move.h"
#include "engine/board/move_gen_helpers.h"
#include "engine/board/static_exchange.h"
#include "engine/eval/game_stage.h"
#include "engine/search/search_globals.h"

using namespace movegen;

namespace {

constexpr int kLevelMajorsAndGenerals = 13;
constexpr int kLevelAllButPawns = 21;
constexpr int kLevelAny = 39;
constexpr int kWorthDefending = 100;

// Reads of the attack records for the side to move.
struct View {
  explicit View(const Position& position)
      : p(position), side(position.sideToMove), enemy(side ^ 1), s(SideSign(side)) {}

  bool Empty(int file, int rank) const { return IsOnBoard(file, rank) && p.IsEmpty(file, rank); }
  bool Free(int file, int rank) const { return IsOnBoard(file, rank) && !IsBlockedFor(p, side, file, rank); }
  bool Own(int file, int rank) const { return IsOnBoard(file, rank) && IsOwnPiece(p, side, file, rank); }
  int EnemyDirect(int file, int rank) const { return p.AttackCountAt(enemy, file, rank); }
  int OwnDirect(int file, int rank) const { return p.AttackCountAt(side, file, rank); }
  int OwnCount(int file, int rank) const { return p.AttackCountWithXray(side, file, rank); }
  int FirstAttacker(int who, int file, int rank) const {
    const SquareAttackRecord& record = *p.SquareRecord(file, rank);
    return HighestBit64(record.directSet[who].high, record.directSet[who].low);
  }
  bool SafeAt(int level, int file, int rank) const {
    if (EnemyDirect(file, rank) == 0) return true;
    return OwnCount(file, rank) >= 2 && FirstAttacker(enemy, file, rank) <= level;
  }
  int PromoteFlag(const PieceListEntry& piece, int toRank) const {
    return MayPromote(piece.code, side, piece.rank, toRank) ? 1 : 0;
  }
  // The drop rules plus the two conditions of the side's own bishop square.
  bool BishopSquareAllows(int file, int rank, int depth) const {
    const int home = side == 0 ? 8 : 2;
    if (file != home || rank != home) return true;
    if (p.hand[enemy][BISHOP - 1] > 0 && OwnCount(file, rank) < 2 && depth <= 2) return false;
    const int corner = side == 0 ? 9 : 1;
    return p.PieceCodeAt(corner, corner) != (OwnerBit(side) | BISHOP) || depth > 5;
  }

  const Position& p;
  int side, enemy, s;
};

// Escapes of one piece; `first` ends the function with 1 in first-only mode.
class Escapes {
 public:
  Escapes(const Position& position, int file, int rank, int depth, bool firstOnly, int exFile, int exRank,
          MoveSink& sink)
      : v_(position), f_(file), r_(rank), depth_(depth), firstOnly_(firstOnly), exFile_(exFile), exRank_(exRank),
        sink_(sink) {}

  int Run() {
    if (!v_.Own(f_, r_)) return 0;
    const PieceListEntry& piece = v_.p.pieces[v_.p.PieceIdAt(f_, r_)];
    const int start = sink_.count;
    switch (TypeOf(piece.code)) {
      case ROOK:
      case DRAGON:
        Rook(piece);
        break;
      case BISHOP:
      case HORSE:
        Bishop(piece);
        break;
      case KNIGHT:
        for (int df = -1; df <= 1; df += 2) {
          const int file = f_ + df;
          const int rank = r_ + 2 * v_.s;
          if (!v_.Free(file, rank) || !v_.SafeAt(kLevelAny, file, rank)) continue;
          if (Write(file, rank, IsPromotionZone(v_.side, rank) ? 1 : 0)) break;
        }
        break;
      case LANCE:
        Lance(piece);
        break;
      case PAWN: {
        const int rank = r_ + v_.s;
        if (v_.Empty(f_, rank) && !IsPromotionZone(v_.side, rank) && v_.SafeAt(kLevelAny, f_, rank)) {
          Write(f_, rank, 0);
        }
        break;
      }
      default:
        Steps(piece);
        break;
    }
    // An early end in first-only mode still reports every move written
    // before it, so the caller keeps them all.
    return sink_.count - start;
  }

 private:
  bool Excluded(int file, int rank) const { return file == exFile_ && rank == exRank_; }
  // Writes the move; true when first-only mode ends here.
  bool Write(int file, int rank, int promote) {
    sink_.BoardMove(v_.p, f_, r_, file, rank, promote);
    return firstOnly_ && v_.EnemyDirect(file, rank) == 0;
  }
  // Steps onto own-free squares safe at the level, the excluded one skipped.
  bool StepMoves(const Step* steps, int count, int level, bool relative, bool king) {
    for (int i = 0; i < count; ++i) {
      const int file = f_ + steps[i].df;
      const int rank = r_ + steps[i].dr * (relative ? v_.s : 1);
      if (!v_.Free(file, rank) || Excluded(file, rank) || !v_.SafeAt(level, file, rank)) continue;
      // The king never steps onto a square the enemy attacks.
      if (king && v_.EnemyDirect(file, rank) > 0) continue;
      if (Write(file, rank, 0)) return true;
    }
    return false;
  }
  bool Steps(const PieceListEntry& piece) {
    const int type = TypeOf(piece.code);
    if (type == SILVER) return StepMoves(kSilverSteps, 5, kLevelAllButPawns, true, false);
    if (type == KING) return StepMoves(kKingSteps, 8, kLevelAllButPawns, false, true);
    return StepMoves(kGoldSteps, 6, kLevelAllButPawns, true, false);
  }

  // 0 none, 1 along the file, 2 along the rank.
  int AttackLine() const {
    uint64_t set = DirectAttackers(v_.p, v_.enemy, f_, r_);
    while (set != 0) {
      const PieceListEntry& attacker = v_.p.pieces[PopHighest(set)];
      const int type = TypeOf(attacker.code);
      if (type == LANCE) return 1;
      if (type == ROOK || type == DRAGON) {
        if (attacker.file == f_) return 1;
        if (attacker.rank == r_) return 2;
      }
    }
    return 0;
  }
  bool Rook(const PieceListEntry& piece) {
    const int line = AttackLine();
    const bool unpromoted = TypeOf(piece.code) == ROOK;
    if (firstOnly_ && PreliminarySearch(piece, line, unpromoted)) return true;
    for (int n = kFirstRookLine; n < kFirstRookLine + 4; ++n) {
      const Step& step = kLineDirections[n];
      if ((line == 1 && step.df == 0) || (line == 2 && step.dr == 0)) continue;
      for (int file = f_ + step.df, rank = r_ + step.dr; v_.Empty(file, rank); file += step.df, rank += step.dr) {
        if (Excluded(file, rank) || !v_.SafeAt(kLevelMajorsAndGenerals, file, rank)) continue;
        sink_.BoardMove(v_.p, f_, r_, file, rank, v_.PromoteFlag(piece, rank));
        if (firstOnly_ && v_.EnemyDirect(file, rank) == 0) break;
      }
    }
    if (TypeOf(piece.code) != DRAGON) return false;
    return StepMoves(&kLineDirections[kFirstBishopLine], 4, kLevelMajorsAndGenerals, false, false);
  }
  // First-only: one unattacked square along the rank, else behind on the file.
  bool PreliminarySearch(const PieceListEntry& piece, int line, bool unpromoted) {
    const int promote = unpromoted && IsPromotionZone(v_.side, r_) ? 1 : 0;
    if (line != 2) {
      for (int df = -1; df <= 1; df += 2) {
        for (int file = f_ + df; v_.Empty(file, r_); file += df) {
          if (Excluded(file, r_) || v_.EnemyDirect(file, r_) > 0) continue;
          if (unpromoted && !IsPromotionZone(v_.side, r_) && PawnBehind(file, r_)) continue;
          sink_.BoardMove(v_.p, f_, r_, file, r_, promote);
          return true;
        }
      }
    }
    if (line != 1) {
      int far = r_ - v_.s;
      while (v_.Empty(f_, far)) far -= v_.s;
      for (int rank = far + v_.s; rank != r_; rank += v_.s) {
        if (Excluded(f_, rank) || v_.EnemyDirect(f_, rank) > 0) continue;
        sink_.BoardMove(v_.p, f_, r_, f_, rank, promote);
        return true;
      }
    }
    static_cast<void>(piece);
    return false;
  }
  // The first piece behind the square on its file is an own unpromoted pawn.
  bool PawnBehind(int file, int rank) const {
    do rank -= v_.s;
    while (v_.Empty(file, rank));
    return IsOnBoard(file, rank) && v_.p.PieceCodeAt(file, rank) == (OwnerBit(v_.side) | PAWN);
  }
  bool Bishop(const PieceListEntry& piece) {
    for (int n = kFirstBishopLine; n < kFirstBishopLine + 4; ++n) {
      const Step& step = kLineDirections[n];
      for (int file = f_ + step.df, rank = r_ + step.dr; v_.Empty(file, rank); file += step.df, rank += step.dr) {
        if (Excluded(file, rank) || !v_.SafeAt(kLevelMajorsAndGenerals, file, rank)) continue;
        sink_.BoardMove(v_.p, f_, r_, file, rank, v_.PromoteFlag(piece, rank));
        if (firstOnly_ && v_.EnemyDirect(file, rank) == 0) break;
      }
    }
    if (TypeOf(piece.code) != HORSE) return false;
    return StepMoves(&kLineDirections[kFirstRookLine], 4, kLevelMajorsAndGenerals, false, false);
  }
  void Lance(const PieceListEntry& piece) {
    // A lone enemy rook on the lance's file pins it to needing support.
    bool pinnedOnFile = false;
    if (v_.EnemyDirect(f_, r_) == 1) {
      const int attacker = v_.FirstAttacker(v_.enemy, f_, r_);
      pinnedOnFile = (attacker == 2 || attacker == 3) && v_.p.pieces[attacker].file == f_;
    }
    for (int k = 1; k <= 2; ++k) {
      const int rank = r_ + k * v_.s;
      if (!IsOnBoard(f_, rank) || v_.Own(f_, rank)) break;
      const bool empty = v_.p.IsEmpty(f_, rank);
      const bool inZone = IsPromotionZone(v_.side, rank);
      const bool thin = depth_ < 4 && empty && !inZone && v_.OwnDirect(f_, rank) == 1;
      const bool ok = v_.OwnCount(f_, rank) >= 2 || (v_.EnemyDirect(f_, rank) == 0 && !pinnedOnFile);
      if (ok && !thin) sink_.BoardMove(v_.p, f_, r_, f_, rank, inZone ? 1 : 0);
      if (!empty) break;
    }
    static_cast<void>(piece);
  }

  View v_;
  int f_, r_, depth_;
  bool firstOnly_;
  int exFile_, exRank_;
  MoveSink& sink_;
};

// Appends a helper's output that writes into (out, capacity) at the sink's end.
template <typename Helper>
void Append(MoveSink& sink, Helper helper) {
  sink.count += helper(sink.out + sink.count, sink.Room());
}

int SidestepsInto(const Position& position, int file, int rank, int enemyFile, int enemyRank, bool firstOnly,
                  MoveSink& sink) {
  const View v(position);
  if (!v.Own(file, rank) || BaseTypeOf(position.PieceCodeAt(file, rank)) != BISHOP) return 0;
  const PieceListEntry& bishop = position.pieces[position.PieceIdAt(file, rank)];
  const int product = Sign(enemyFile - file) * Sign(enemyRank - rank);
  if (product == 0) return 0;
  const int start = sink.count;
  // The other diagonal, forward first.
  const int steps[2][2] = {{-product * v.s, v.s}, {product * v.s, -v.s}};
  for (const auto& step : steps) {
    for (int f = file + step[0], r = rank + step[1]; v.Empty(f, r); f += step[0], r += step[1]) {
      if (v.EnemyDirect(f, r) > 0 && v.OwnCount(f, r) == 1) continue;
      if (IsOnBoard(f, r + v.s) && position.PieceCodeAt(f, r + v.s) == (OwnerBit(v.enemy) | PAWN)) continue;
      sink.BoardMove(position, file, rank, f, r, v.PromoteFlag(bishop, r));
      if (firstOnly && v.EnemyDirect(f, r) == 0) return sink.count - start;
    }
  }
  return sink.count - start;
}

void BatteryInto(const Position& position, int file, int rank, MoveSink& sink) {
  const View v(position);
  if (!IsOnBoard(file, rank)) return;
  uint64_t attackers = DirectAttackers(position, v.side, file, rank);
  while (attackers != 0) {
    const PieceListEntry& a = position.pieces[PopHighest(attackers)];
    // By base type: a promoted knight, like the knight it was, leads no
    // battery, though it steps like a gold.
    const int base = BaseTypeOf(a.code);
    if (base == KNIGHT || base == KING) continue;
    const int df = Sign(a.file - file);
    const int dr = Sign(a.rank - rank);
    if (!IsAligned(a.file - file, a.rank - rank)) continue;
    const bool diagonal = df != 0 && dr != 0;
    for (int f = a.file + df, r = a.rank + dr; v.Empty(f, r); f += df, r += dr) {
      uint64_t backers = DirectAttackers(position, v.side, f, r);
      while (backers != 0) {
        const PieceListEntry& b = position.pieces[PopHighest(backers)];
        const int type = BaseTypeOf(b.code);
        if (type != (diagonal ? BISHOP : ROOK)) continue;
        // Already on the line through the square and A.
        if ((b.file - file) * dr == (b.rank - rank) * df) continue;
        sink.BoardMove(position, b.file, b.rank, f, r, v.PromoteFlag(b, r));
      }
    }
  }
}

void ProtectedPiecesInto(const Position& position, int file, int rank, MoveSink& sink) {
  const View v(position);
  if (!IsOnBoard(file, rank) || position.IsEmpty(file, rank)) return;
  const int type = TypeOf(position.PieceCodeAt(file, rank));
  auto protect = [&](int f, int r) {
    if (!v.Own(f, r)) return;
    MoveRecord moves[64];
    const int n = GenerateMovesFromSquare(position, f, r, moves);
    for (int i = 0; i < n; ++i) {
      // The king never steps onto a square the enemy attacks.
      if (moves[i].pieceId == v.side && v.EnemyDirect(moves[i].toFile, moves[i].toRank) > 0) continue;
      sink.Copy(moves[i]);
    }
  };
  auto slides = [&](int firstLine) {
    for (int n = firstLine; n < firstLine + 4; ++n) {
      const Step& step = kLineDirections[n];
      int f = file + step.df;
      int r = rank + step.dr;
      while (v.Empty(f, r)) {
        f += step.df;
        r += step.dr;
      }
      protect(f, r);
    }
  };
  auto steps = [&](const Step* table, int count) {
    for (int i = 0; i < count; ++i) protect(file + table[i].df, rank + table[i].dr * v.s);
  };
  static constexpr Step kKnightJumps[2] = {{-1, 2}, {1, 2}};
  switch (type) {
    case ROOK:
    case DRAGON:
      slides(kFirstRookLine);
      break;
    case BISHOP:
    case HORSE:
      slides(kFirstBishopLine);
      break;
    case GOLD:
    case PRO_SILVER:
    case PRO_KNIGHT:
    case PRO_LANCE:
    case TOKIN:
      steps(kGoldSteps, 6);
      break;
    case SILVER:
      steps(kSilverSteps, 5);
      break;
    case KNIGHT:
      steps(kKnightJumps, 2);
      break;
    default:
      break;
  }
}

// The reply of the threat list as a move record: squares on the board, the
// source piece the side's and of the code the reply names, a drop only from
// a held type. False when it does not describe a move of this position.
// The reply was read with the threat played before it, so here its target
// may be gone or another piece may stand on its destination: the record
// keeps the captured code the reply names, with the board's ids, and
// IsMoveValid refuses such a reply.
bool ReplyToMove(const Position& position, MoveCode code, MoveRecord& move) {
  const int side = position.sideToMove;
  const int toFile = MoveCodeToFile(code);
  const int toRank = MoveCodeToRank(code);
  const PieceCode moving = MoveCodePiece(code);
  if (!IsOnBoard(toFile, toRank) || !IsOwnedBy(moving, side)) return false;
  const int fromFile = MoveCodeFromFile(code);
  const int fromRank = MoveCodeFromRank(code);
  if (fromFile == 0 && fromRank == 0) {
    const int type = BaseTypeOf(moving);
    if (type < ROOK || type > PAWN || IsPromoted(moving) || position.hand[side][type - 1] <= 0) return false;
    WriteDrop(position, move, side, type, toFile, toRank);
    return true;
  }
  if (!IsOnBoard(fromFile, fromRank) || position.PieceCodeAt(fromFile, fromRank) != moving) return false;
  if (BaseTypeOf(moving) == KING && position.AttackCount(side ^ 1, toFile, toRank) > 0) return false;
  WriteBoardMove(move, fromFile, fromRank, toFile, toRank, position.PieceIdAt(fromFile, fromRank), moving,
                 position.PieceIdAt(toFile, toRank), MoveCodeCaptured(code), MoveCodePromotes(code) ? 1 : 0);
  return true;
}

// Duplicates replaced by the last move; the moved-in move is examined again.
int RemoveDuplicatesBySwap(MoveRecord* moves, int count) {
  for (int i = 1; i < count; ++i) {
    for (int j = 0; j < i; ++j) {
      if (!IsSameMove(moves[j], moves[i])) continue;
      moves[i--] = moves[--count];
      break;
    }
  }
  return count;
}

class ThreatResponses {
 public:
  ThreatResponses(const Position& position, const MoveCode* threats, int ply, int depthLimit, MoveRecord* out,
                  int capacity)
      : v_(position), threats_(threats), ply_(ply), depth_(depthLimit - ply), out_(out), sink_{scratch_.moves, 0, ScratchMoves::Room(capacity)} {}

  int Run() {
    if (threats_ == nullptr) return 0;
    const int count = threats_[0];
    const MoveCode* codes = threats_ + 1;
    for (int i = 0; i < count; i += 2) {
      if (codes[i] != NULL_MOVE_CODE) Threat(codes[i], i, count > 1 ? codes[1] : NULL_MOVE_CODE);
    }
    if (count >= 2 && codes[1] != NULL_MOVE_CODE) {
      MoveRecord reply;
      if (ReplyToMove(v_.p, codes[1], reply) && IsMoveValid(v_.p, reply) != 0) sink_.Copy(reply);
    }
    return scratch_.CopyTo(out_, RemoveDuplicatesBySwap(sink_.out, sink_.count));
  }

 private:
  void Threat(MoveCode threat, int index, MoveCode reply) {
    const int toFile = MoveCodeToFile(threat);
    const int toRank = MoveCodeToRank(threat);
    if (!IsOnBoard(toFile, toRank)) return;
    const int fromFile = MoveCodeFromFile(threat);
    const int fromRank = MoveCodeFromRank(threat);
    const bool drop = fromFile == 0;
    const PieceCode moving = MoveCodePiece(threat);
    const PieceCode captured = MoveCodeCaptured(threat);
    const Position& p = v_.p;
    if (!drop && IsOnBoard(fromFile, fromRank)) {
      const PieceCode onTarget = p.PieceCodeAt(toFile, toRank);
      if (BaseTypeOf(moving) == BISHOP && v_.Own(toFile, toRank) && BaseTypeOf(onTarget) == BISHOP &&
          std::abs(toFile - fromFile) == std::abs(toRank - fromRank)) {
        SidestepsInto(p, toFile, toRank, fromFile, fromRank, false, sink_);
      } else if (!p.IsEmpty(toFile, toRank)) {
        Escapes(p, toFile, toRank, depth_, false, 0, 0, sink_).Run();
      }
    }
    const int capturedBase = BaseTypeOf(captured);
    if (!(TypeOf(moving) == PAWN && capturedBase >= ROOK && capturedBase <= SILVER)) {
      Append(sink_, [&](MoveRecord* o, int room) { return GenerateDefenders(p, toFile, toRank, depth_, 7, 0, o, room); });
    }
    if (ply_ < 5) {
      BatteryInto(p, toFile, toRank, sink_);
      if (drop && p.IsEmpty(toFile, toRank)) OccupyDropSquare(toFile, toRank);
      Interpositions(toFile, toRank);
    }
    if (index > 0 && captured != 0 && capturedBase != PAWN && capturedBase != LANCE) {
      int file = toFile;
      int rank = toRank;
      if (reply != NULL_MOVE_CODE && MoveCodeToFile(reply) == toFile && MoveCodeToRank(reply) == toRank) {
        file = MoveCodeFromFile(reply);
        rank = MoveCodeFromRank(reply);
      }
      if (IsOnBoard(file, rank)) {
        ProtectedPiecesInto(p, file, rank, sink_);
        if (ply_ == 2 && p.PieceCodeAt(file, rank) == (OwnerBit(v_.side) | DRAGON)) DragonRetreat(file, rank);
      }
    }
  }

  void OccupyDropSquare(int file, int rank) {
    const Position& p = v_.p;
    const int side = v_.side;
    auto held = [&](int type) { return p.hand[side][type - 1] > 0; };
    int type = 0;
    if (held(PAWN) && !HasPawnOnFile(p, side, file) && !IsDeadEndRank(side, rank, 1)) {
      type = PAWN;
    } else if (held(LANCE) && !IsDeadEndRank(side, rank, 1)) {
      type = LANCE;
    } else if (held(KNIGHT) && !IsDeadEndRank(side, rank, 2)) {
      type = KNIGHT;
    } else if (held(SILVER)) {
      type = SILVER;
    } else {
      const PieceListEntry& king = p.pieces[side];
      if (std::abs(king.file - file) <= 1 && std::abs(king.rank - rank) <= 1) {
        type = held(GOLD) ? GOLD : held(BISHOP) ? BISHOP : 0;
      }
    }
    if (type != 0) sink_.Drop(p, side, type, file, rank);
  }

  void Interpositions(int file, int rank) {
    const Position& p = v_.p;
    uint64_t attackers = DirectAttackers(p, v_.enemy, file, rank);
    while (attackers != 0) {
      const PieceListEntry& a = p.pieces[PopHighest(attackers)];
      const int type = TypeOf(a.code);
      const int distance = std::max(std::abs(a.file - file), std::abs(a.rank - rank));
      const bool slider = ((type == ROOK || type == DRAGON) && distance > 1) ||
                          ((type == BISHOP || type == HORSE) && std::abs(a.file - file) >= 2) || type == LANCE;
      if (!slider || !IsAligned(a.file - file, a.rank - rank)) continue;
      const int df = Sign(file - a.file);
      const int dr = Sign(rank - a.rank);
      for (int f = a.file + df, r = a.rank + dr; f != file || r != rank; f += df, r += dr) {
        if (!p.IsEmpty(f, r) || v_.OwnDirect(f, r) == 0) continue;
        const int behind = r - v_.s;
        if (v_.OwnDirect(f, r) >= 2 && IsOnBoard(f, behind) &&
            p.PieceCodeAt(f, behind) == (OwnerBit(v_.side) | PAWN)) {
          sink_.BoardMove(p, f, behind, f, r, IsPromotionZone(v_.side, r) ? 1 : 0);
        }
        for (int drop = PAWN; drop >= GOLD; --drop) {
          if (p.hand[v_.side][drop - 1] > 0 && IsDropAllowed(p, v_.side, drop, f, r)) {
            sink_.Drop(p, v_.side, drop, f, r);
            break;
          }
        }
      }
    }
  }

  // The dragon steps back along a line to the first safe square.
  void DragonRetreat(int file, int rank) {
    const Position& p = v_.p;
    for (int n = kFirstRookLine; n < kFirstRookLine + 4; ++n) {
      const Step& step = kLineDirections[n];
      int f = file + step.df;
      int r = rank + step.dr;
      while (v_.Empty(f, r)) {
        f += step.df;
        r += step.dr;
      }
      for (; f != file || r != rank; f -= step.df, r -= step.dr) {
        if (!v_.Free(f, r) || v_.EnemyDirect(f, r) > 0) continue;
        sink_.BoardMove(p, file, rank, f, r, 0);
        return;
      }
    }
  }

  View v_;
  const MoveCode* threats_;
  int ply_, depth_;
  MoveRecord* out_;
  ScratchMoves scratch_;
  MoveSink sink_;
};

// Whether the last recorded move lost the side an attacker of the square or
// gained the enemy one.
bool ChangedAgainstSide(int layer, int side, int file, int rank) {
  const AttackChangeRecord& record = g_attackHistory.At(layer, file, rank);
  return record.change[side] < 0 || record.change[side ^ 1] > 0;
}
// The layer the last recorded move wrote, -1 when none was.
int LastRecordedLayer() {
  const int layer = g_attackHistoryDepth - 1;
  return layer >= 0 && layer < ATTACK_HISTORY_LAYERS ? layer : -1;
}

class DefendingMoves {
 public:
  DefendingMoves(const Position& position, int depth, MoveRecord* out, int capacity)
      : v_(position), depth_(depth), out_(out), sink_{scratch_.moves, 0, ScratchMoves::Room(capacity)} {}

  int Run(int& written) {
    written = 0;
    const int layer = LastRecordedLayer();
    if (layer < 0) return 0;
    dropType_ = CheapestHeld();
    const Position& p = v_.p;
    for (int file = 1; file <= 9; ++file) {
      for (int rank = 1; rank <= 9; ++rank) {
        if (!Candidate(file, rank) || v_.EnemyDirect(file, rank) == 0) continue;
        if (!ChangedAgainstSide(layer, v_.side, file, rank)) continue;
        int gain = 0;
        const int value = StaticExchangeForStage(p, v_.enemy, TypeOf(p.PieceCodeAt(file, rank)), file, rank,
                                                 v_.FirstAttacker(v_.enemy, file, rank), &gain, 0);
        if (value < kWorthDefending) continue;
        Append(sink_, [&](MoveRecord* o, int room) { return GenerateDefenders(p, file, rank, depth_, 3, 1, o, room); });
        Interpose(file, rank);
      }
    }
    written = sink_.count;
    if (sink_.count == 0) return 0;
    return scratch_.CopyTo(out_, RemoveDuplicateMoves(sink_.out, sink_.count, g_nodeCount + DEFENDING_MOVE_STAMP_OFFSET));
  }

 private:
  bool Candidate(int file, int rank) const {
    const Position& p = v_.p;
    if (p.IsEmpty(file, rank)) return RelativeRank(v_.side, rank) >= 7;
    if (!v_.Own(file, rank)) return false;
    const int type = TypeOf(p.PieceCodeAt(file, rank));
    if (type != ROOK && type != BISHOP && type != GOLD && type != SILVER) return true;
    const int ahead = rank + v_.s;
    return !IsOnBoard(file, ahead) || p.PieceCodeAt(file, ahead) != (OwnerBit(v_.enemy) | PAWN);
  }
  int CheapestHeld() const {
    for (int type = PAWN; type >= ROOK; --type) {
      if (v_.p.hand[v_.side][type - 1] > 0) return type;
    }
    return 0;
  }
  int DropTypeFor(int file) const {
    if (dropType_ != PAWN || !HasPawnOnFile(v_.p, v_.side, file)) return dropType_;
    for (int type = ROOK; type <= LANCE; ++type) {
      if (v_.p.hand[v_.side][type - 1] > 0) return type;
    }
    return 0;
  }
  void Interpose(int file, int rank) {
    const Position& p = v_.p;
    uint64_t sliders = DirectAttackers(p, v_.enemy, file, rank) | p.XraySet(v_.enemy, file, rank);
    while (sliders != 0) {
      const PieceListEntry& a = p.pieces[PopHighest(sliders)];
      const int type = TypeOf(a.code);
      if (type != ROOK && type != BISHOP && type != LANCE && type != DRAGON && type != HORSE) continue;
      if (!IsAligned(a.file - file, a.rank - rank)) continue;
      const int df = Sign(file - a.file);
      const int dr = Sign(rank - a.rank);
      for (int f = a.file + df, r = a.rank + dr; f != file || r != rank; f += df, r += dr) {
        if (!p.IsEmpty(f, r) || v_.OwnDirect(f, r) == 0) continue;
        const int drop = DropTypeFor(f);
        if (drop != 0 && IsDropAllowed(p, v_.side, drop, f, r) && v_.BishopSquareAllows(f, r, depth_)) {
          sink_.Drop(p, v_.side, drop, f, r);
        }
        if (v_.OwnCount(f, r) < 2) continue;
        const int first = v_.FirstAttacker(v_.side, f, r);
        // The king never steps onto a square the enemy attacks.
        if (first == v_.side && v_.EnemyDirect(f, r) > 0) continue;
        const PieceListEntry& mover = p.pieces[first];
        sink_.BoardMove(p, mover.file, mover.rank, f, r, v_.PromoteFlag(mover, r));
      }
    }
  }

  View v_;
  int depth_;
  int dropType_ = 0;
  MoveRecord* out_;
  ScratchMoves scratch_;
  MoveSink sink_;
};

int KingRoomInto(const Position& position, MoveSink& sink) {
  const View v(position);
  const PieceListEntry& king = position.pieces[v.side];
  if (!IsOnBoard(king.file, king.rank)) return 0;
  bool cramped = false;
  for (const Step& step : kLineDirections) {
    const int f = king.file + step.df;
    const int r = king.rank + step.dr;
    if (v.Empty(f, r) && v.OwnCount(f, r) <= position.AttackCountWithXray(v.enemy, f, r)) cramped = true;
  }
  if (!cramped) return 0;
  const int start = sink.count;
  for (const Step& step : kLineDirections) {
    const int f = king.file + step.df;
    const int r = king.rank + step.dr;
    if (!IsOnBoard(f, r)) continue;
    const PieceCode code = position.PieceCodeAt(f, r);
    const int toCentre = f <= 4 ? 1 : -1;
    if (position.IsEmpty(f, r)) {
      if (v.EnemyDirect(f, r) == 0) sink.BoardMove(position, king.file, king.rank, f, r, 0);
    } else if (code == (OwnerBit(v.side) | SILVER)) {
      if (v.Empty(f + toCentre, r + v.s)) sink.BoardMove(position, f, r, f + toCentre, r + v.s, 0);
    } else if (code == (OwnerBit(v.side) | KNIGHT)) {
      const int rank = r + 2 * v.s;
      if (v.Empty(f + toCentre, rank)) {
        sink.BoardMove(position, f, r, f + toCentre, rank, IsPromotionZone(v.side, rank) ? 1 : 0);
      }
    }
  }
  return sink.count - start;
}

}  // namespace

int GenerateThreatResponses(const Position& position, const MoveCode* threats, int ply, int depthLimit,
                            MoveRecord* out, int capacity) {
  return ThreatResponses(position, threats, ply, depthLimit, out, capacity).Run();
}

int GeneratePieceEscapes(const Position& position, int file, int rank, int remainingDepth, int firstOnly,
                         int excludedFile, int excludedRank, MoveRecord* out, int capacity) {
  MoveSink sink{out, 0, capacity};
  if (!IsOnBoard(file, rank)) return 0;
  return Escapes(position, file, rank, remainingDepth, firstOnly != 0, excludedFile, excludedRank, sink).Run();
}

int GenerateBishopSidesteps(const Position& position, int file, int rank, int enemyFile, int enemyRank,
                            int /*remainingDepth*/, int firstOnly, MoveRecord* out, int capacity) {
  MoveSink sink{out, 0, capacity};
  if (!IsOnBoard(file, rank)) return 0;
  return SidestepsInto(position, file, rank, enemyFile, enemyRank, firstOnly != 0, sink);
}

int GenerateBatteryMoves(const Position& position, int file, int rank, MoveRecord* out, int capacity) {
  MoveSink sink{out, 0, capacity};
  BatteryInto(position, file, rank, sink);
  return sink.count;
}

int GenerateMovesOfProtectedPieces(const Position& position, int file, int rank, MoveRecord* out, int capacity) {
  MoveSink sink{out, 0, capacity};
  ProtectedPiecesInto(position, file, rank, sink);
  return sink.count;
}

int GenerateDefendingMoves(const Position& position, int& writtenCount, int remainingDepth, MoveRecord* out,
                           int capacity) {
  return DefendingMoves(position, remainingDepth, out, capacity).Run(writtenCount);
}

int GenerateEscapesOfAttackedPieces(const Position& position, int remainingDepth, int excludedFile, int excludedRank,
                                    MoveRecord* out, int capacity) {
  const View v(position);
  MoveSink sink{out, 0, capacity};
  const int layer = LastRecordedLayer();
  auto consider = [&](int id) {
    const PieceListEntry& piece = position.pieces[id];
    if (!IsOnBoard(piece.file, piece.rank) || !IsOwnedBy(piece.code, v.side)) return;
    if (v.EnemyDirect(piece.file, piece.rank) == 0 || !ChangedAgainstSide(layer, v.side, piece.file, piece.rank)) {
      return;
    }
    const int first = v.FirstAttacker(v.enemy, piece.file, piece.rank);
    if (BaseTypeOf(piece.code) == ROOK) {
      // A rook for a rook is an even trade: the unpromoted rook stays.
      if (TypeOf(piece.code) == ROOK && BaseTypeOf(position.pieces[first].code) == ROOK) return;
    } else {
      int gain = 0;
      if (StaticExchangeForStage(position, v.enemy, TypeOf(piece.code), piece.file, piece.rank, first, &gain, 0) <
          kWorthDefending) {
        return;
      }
    }
    Escapes(position, piece.file, piece.rank, remainingDepth, true, excludedFile, excludedRank, sink).Run();
  };
  if (layer >= 0) {
    for (int id = 2; id <= 21; ++id) consider(id);
    const TokinList& tokins = position.tokins[v.side];
    for (uint32_t i = 0; i < tokins.count && i < 18; ++i) consider(static_cast<int>(tokins.ids[i]));
  }
  if (remainingDepth > 2) KingRoomInto(position, sink);
  return sink.count;
}

int GenerateKingRoomMoves(const Position& position, MoveRecord* out, int capacity) {
  MoveSink sink{out, 0, capacity};
  return KingRoomInto(position, sink);
}
