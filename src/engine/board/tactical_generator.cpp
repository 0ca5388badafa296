// Line tactics: a front piece of the side stands between an own slider and
// an enemy target; moving the front piece off the line uncovers the
// slider's attack. Each pattern names which targets are worth it and how
// the front piece may move.
#include "engine/board/tactical_generator.h"

#include "engine/board/move_gen_helpers.h"
#include "engine/board/move_tests.h"
#include "engine/eval/game_stage.h"
#include "engine/search/search_globals.h"

using namespace movegen;

namespace {

bool IsPromotedMinor(int type) { return type == PRO_SILVER || type == PRO_KNIGHT || type == PRO_LANCE || type == TOKIN; }
bool IsMajorOrKing(int type) { return BaseTypeOf(static_cast<PieceCode>(type)) <= BISHOP || type == KING; }

class TacticalMoves {
 public:
  TacticalMoves(const Position& position, const MoveRecord* line, int depth, MoveRecord* out, int capacity)
      : p_(position), line_(line), depth_(depth), side_(position.sideToMove), enemy_(side_ ^ 1),
        s_(SideSign(side_)), sink_{out, 0, capacity} {}

  int Run() {
    RookOnFourthRank();
    RookLines();
    BishopLines();
    LanceLines();
    return sink_.count;
  }

 private:
  struct Square {
    int file, rank;
  };
  // The first cell from (file, rank) along the step that is not empty: a
  // piece or the wall.
  Square FirstPiece(int file, int rank, int df, int dr) const {
    do {
      file += df;
      rank += dr;
    } while (IsOnBoard(file, rank) && p_.IsEmpty(file, rank));
    return {file, rank};
  }
  bool Own(Square q) const { return IsOnBoard(q.file, q.rank) && IsOwnedBy(p_.PieceCodeAt(q.file, q.rank), side_); }
  bool Enemy(Square q) const {
    return IsOnBoard(q.file, q.rank) && IsOwnedBy(p_.PieceCodeAt(q.file, q.rank), enemy_);
  }
  bool Free(int file, int rank) const { return IsOnBoard(file, rank) && !IsBlockedFor(p_, side_, file, rank); }
  int EnemyDirect(int file, int rank) const { return p_.AttackCountAt(enemy_, file, rank); }
  // The enemy's count on a square does not exceed the side's (direct plus second line).
  bool NotOutnumbered(Square q) const {
    return p_.AttackCountWithXray(enemy_, q.file, q.rank) <= p_.AttackCountWithXray(side_, q.file, q.rank);
  }

  // Pattern 1: golds and silvers toward an enemy rook on its fourth rank
  // whose front squares only the big pieces guard.
  bool OnlyBigPiecesAttack(int file, int rank) const {
    uint64_t set = DirectAttackers(p_, enemy_, file, rank);
    return (set >> 6) == 0;
  }
  void RookOnFourthRank() {
    const int rookRank = side_ == 0 ? 4 : 6;
    const int behindRank = side_ == 0 ? 3 : 7;
    const int frontRank = side_ == 0 ? 6 : 4;
    for (int id = 2; id <= 3; ++id) {
      const PieceListEntry& rook = p_.pieces[id];
      if (!IsOwnedBy(rook.code, enemy_) || rook.rank != rookRank || rook.file < 2 || rook.file > 8) continue;
      if (!IsOwnedBy(p_.PieceCodeAt(rook.file, behindRank), enemy_)) continue;
      bool marked[BOARD_SIZE + 1] = {};
      for (int file = rook.file - 1; file <= rook.file + 1; ++file) {
        if (OnlyBigPiecesAttack(file, 5)) marked[file - 1] = marked[file] = marked[file + 1] = true;
      }
      for (int file = rook.file - 2; file <= rook.file + 2; ++file) {
        if (!IsOnBoard(file, frontRank) || !marked[file] || !p_.IsEmpty(file, frontRank)) continue;
        if (!OnlyBigPiecesAttack(file, frontRank)) continue;
        uint64_t set = DirectAttackers(p_, side_, file, frontRank);
        while (set != 0) {
          const int attacker = PopHighest(set);
          if (attacker < 6 || attacker > 13) continue;
          const PieceListEntry& piece = p_.pieces[attacker];
          sink_.BoardMove(p_, piece.file, piece.rank, file, frontRank, 0);
        }
      }
    }
  }

  // A front move passes when no follow-up key is set, the forcing test
  // accepts it, or the target stands on a changed square.
  void Add(int id, int toFile, int toRank, int promote, Square target, bool unfiltered) {
    if (!unfiltered && g_forcingMoveFilter != 0 && IsForcingMove(p_, line_, id, promote, 0, toFile, toRank, depth_) == 0 &&
        IsThreatSquare(target.file, target.rank) == 0) {
      return;
    }
    const PieceListEntry& piece = p_.pieces[id];
    sink_.BoardMove(p_, piece.file, piece.rank, toFile, toRank, promote);
  }

  // An enemy piece worth a quiet move's attack: a rook or the king, or
  // anything but an unpromoted pawn that the enemy does not defend.
  bool BishopFrontSees(Square q) const {
    if (!Enemy(q)) return false;
    const int type = TypeOf(p_.PieceCodeAt(q.file, q.rank));
    if (type == ROOK || type == KING) return true;
    return type != PAWN && EnemyDirect(q.file, q.rank) == 0;
  }

  // Pattern 2, a bishop or horse in front of an own rook.
  void BishopInFrontOfRook(int frontId, Square target) {
    const PieceListEntry& front = p_.pieces[frontId];
    const int type = TypeOf(p_.PieceCodeAt(target.file, target.rank));
    const bool worth = type == KING || ((IsMajorOrKing(type) || type == GOLD || type == SILVER || type == PRO_SILVER) &&
                                        EnemyDirect(target.file, target.rank) == 0);
    if (!worth) return;
    for (int n = kFirstBishopLine; n < kFirstBishopLine + 4; ++n) {
      const Step& line = kLineDirections[n];
      for (int file = front.file + line.df, rank = front.rank + line.dr; Free(file, rank);
           file += line.df, rank += line.dr) {
        const bool capture = !p_.IsEmpty(file, rank);
        const int promote = MayPromote(front.code, side_, front.rank, rank) ? 1 : 0;
        if (capture || promote || QuietBishopThreatens(front.code, file, rank)) {
          Add(frontId, file, rank, promote, target, false);
        }
        if (capture) break;
      }
    }
  }
  bool QuietBishopThreatens(PieceCode code, int file, int rank) const {
    for (int n = kFirstBishopLine; n < kFirstBishopLine + 4; ++n) {
      if (BishopFrontSees(FirstPiece(file, rank, kLineDirections[n].df, kLineDirections[n].dr))) return true;
    }
    if (!IsPromoted(code)) return false;
    for (int n = kFirstRookLine; n < kFirstRookLine + 4; ++n) {
      if (BishopFrontSees({file + kLineDirections[n].df, rank + kLineDirections[n].dr})) return true;
    }
    return false;
  }

  void RookLines() {
    for (int id = 2; id <= 3; ++id) {
      const PieceListEntry& rook = p_.pieces[id];
      if (!IsOnBoard(rook.file, rook.rank) || !IsOwnedBy(rook.code, side_)) continue;
      for (int n = kFirstRookLine; n < kFirstRookLine + 4; ++n) {
        const Step& line = kLineDirections[n];
        const Square front = FirstPiece(rook.file, rook.rank, line.df, line.dr);
        if (!Own(front)) continue;
        const Square target = FirstPiece(front.file, front.rank, line.df, line.dr);
        if (!Enemy(target)) continue;
        const int frontId = p_.PieceIdAt(front.file, front.rank);
        const int frontType = TypeOf(p_.pieces[frontId].code);
        if (BaseTypeOf(p_.pieces[frontId].code) == BISHOP) {
          BishopInFrontOfRook(frontId, target);
        } else if (frontType == LANCE && line.dr == 0) {
          if (BaseTypeOf(p_.PieceCodeAt(target.file, target.rank)) == PAWN) continue;
          const Square hit = FirstPiece(front.file, front.rank, 0, s_);
          if (Enemy(hit)) Add(frontId, hit.file, hit.rank, IsPromotionZone(side_, hit.rank) ? 1 : 0, target, false);
        }
      }
    }
  }

  // Pattern 3 targets behind a bishop's front piece.
  bool BishopTargetQualifies(Square q) const {
    const int type = TypeOf(p_.PieceCodeAt(q.file, q.rank));
    if (IsMajorOrKing(type)) return true;
    if (type == GOLD || type == SILVER || type == KNIGHT || type == LANCE || IsPromotedMinor(type)) {
      return NotOutnumbered(q);
    }
    return type == PAWN && IsPromotionZone(side_, q.rank) && NotOutnumbered(q);
  }

  // Whether a step (df, dr) lies along the line either way.
  static bool OnLine(int df, int dr, const Step& line) {
    return (df == line.df && dr == line.dr) || (df == -line.df && dr == -line.dr);
  }

  // An enemy piece that a rook front piece's quiet move should aim at.
  bool RookFrontSees(Square q) const {
    if (!Enemy(q)) return false;
    return IsMajorOrKing(TypeOf(p_.PieceCodeAt(q.file, q.rank))) || NotOutnumbered(q);
  }
  // Nothing ahead up to the edge, or only an own piece on the two far ranks.
  bool OpenForward(int file, int rank) const {
    const Square ahead = FirstPiece(file, rank, 0, s_);
    if (!IsOnBoard(ahead.file, ahead.rank)) return true;
    return Own(ahead) && RelativeRank(side_, ahead.rank) <= 2;
  }
  bool QuietRookThreatens(PieceCode code, const Step& slide, int file, int rank) const {
    const Step across = {slide.dr, slide.df};
    for (int sign = -1; sign <= 1; sign += 2) {
      if (RookFrontSees(FirstPiece(file, rank, sign * across.df, sign * across.dr))) return true;
    }
    if (TypeOf(code) == ROOK && slide.dr == 0 && OpenForward(file, rank)) return true;
    if (TypeOf(code) == DRAGON) {
      for (int sign = -1; sign <= 1; sign += 2) {
        const Square q = {file + slide.df + sign * across.df, rank + slide.dr + sign * across.dr};
        if (RookFrontSees(q)) return true;
      }
    }
    return false;
  }

  void FrontStepsOffLine(int id, const Step* steps, int count, const Step& line, Square target, bool unfiltered,
                         bool silverPromotes, bool kingSafe) {
    const PieceListEntry& piece = p_.pieces[id];
    for (int i = 0; i < count; ++i) {
      const int dr = steps[i].dr * (kingSafe ? 1 : s_);
      if (OnLine(steps[i].df, dr, line)) continue;
      const int file = piece.file + steps[i].df;
      const int rank = piece.rank + dr;
      if (!Free(file, rank) || (kingSafe && EnemyDirect(file, rank) > 0)) continue;
      if (silverPromotes && MayPromote(piece.code, side_, piece.rank, rank)) Add(id, file, rank, 1, target, unfiltered);
      Add(id, file, rank, 0, target, unfiltered);
    }
  }

  // Slides along the given lines to the first piece, stopping before own pieces.
  void Slides(int id, int firstLine, Square target, bool unfiltered, bool rookTest) {
    const PieceListEntry& piece = p_.pieces[id];
    for (int n = firstLine; n < firstLine + 4; ++n) {
      const Step& slide = kLineDirections[n];
      for (int file = piece.file + slide.df, rank = piece.rank + slide.dr; Free(file, rank);
           file += slide.df, rank += slide.dr) {
        const bool capture = !p_.IsEmpty(file, rank);
        const int promote = MayPromote(piece.code, side_, piece.rank, rank) ? 1 : 0;
        if (!rookTest || capture || promote || QuietRookThreatens(piece.code, slide, file, rank)) {
          Add(id, file, rank, promote, target, unfiltered);
        }
        if (capture) break;
      }
    }
  }

  void BishopFrontMoves(int id, const Step& line, Square target, bool unfiltered) {
    const PieceListEntry& piece = p_.pieces[id];
    const int type = TypeOf(piece.code);
    if (type == GOLD || IsPromotedMinor(type)) {
      FrontStepsOffLine(id, kGoldSteps, 6, line, target, unfiltered, false, false);
    } else if (type == SILVER) {
      FrontStepsOffLine(id, kSilverSteps, 5, line, target, unfiltered, true, false);
    } else if (type == KNIGHT) {
      for (int df = -1; df <= 1; df += 2) {
        const int file = piece.file + df;
        const int rank = piece.rank + 2 * s_;
        if (!Free(file, rank)) continue;
        if (MayPromote(piece.code, side_, piece.rank, rank)) Add(id, file, rank, 1, target, unfiltered);
        if (!IsDeadEndRank(side_, rank, 2)) Add(id, file, rank, 0, target, unfiltered);
      }
    } else if (type == LANCE) {
      for (int rank = piece.rank + s_; Free(piece.file, rank); rank += s_) {
        const bool capture = !p_.IsEmpty(piece.file, rank);
        Add(id, piece.file, rank, IsPromotionZone(side_, rank) ? 1 : 0, target, unfiltered);
        // The unpromoted lance on the third rank keeps its next step in hand
        // when the square beyond the next one is taken.
        if (RelativeRank(side_, rank) == 3 && p_.IsEmpty(piece.file, rank + s_) &&
            !p_.IsEmpty(piece.file, rank + 2 * s_)) {
          Add(id, piece.file, rank, 0, target, unfiltered);
        }
        if (capture) break;
      }
    } else if (type == PAWN) {
      const int rank = piece.rank + s_;
      if (Free(piece.file, rank)) Add(id, piece.file, rank, IsPromotionZone(side_, rank) ? 1 : 0, target, unfiltered);
    } else if (type == KING) {
      FrontStepsOffLine(id, kKingSteps, 8, line, target, unfiltered, false, true);
    } else if (type == ROOK || type == DRAGON) {
      if (type == DRAGON) {
        for (int n = kFirstBishopLine; n < kFirstBishopLine + 4; ++n) {
          const Step& step = kLineDirections[n];
          if (OnLine(step.df, step.dr, line)) continue;
          if (Free(piece.file + step.df, piece.rank + step.dr)) {
            Add(id, piece.file + step.df, piece.rank + step.dr, 0, target, unfiltered);
          }
        }
      }
      Slides(id, kFirstRookLine, target, unfiltered, true);
    }
  }

  // Whether the follow-up key's from-square lies strictly between the front
  // piece and the target.
  bool KeyFromSquareBetween(Square front, Square target, const Step& line) const {
    if (g_forcingMoveFilter == 0) return false;
    const int file = KeyFromFile(g_forcingMoveFilter);
    const int rank = KeyFromRank(g_forcingMoveFilter);
    for (int f = front.file + line.df, r = front.rank + line.dr; f != target.file || r != target.rank;
         f += line.df, r += line.dr) {
      if (f == file && r == rank) return true;
    }
    return false;
  }

  void BishopLines() {
    for (int id = 4; id <= 5; ++id) {
      const PieceListEntry& bishop = p_.pieces[id];
      if (!IsOnBoard(bishop.file, bishop.rank) || !IsOwnedBy(bishop.code, side_)) continue;
      for (int n = kFirstBishopLine; n < kFirstBishopLine + 4; ++n) {
        const Step& line = kLineDirections[n];
        const Square front = FirstPiece(bishop.file, bishop.rank, line.df, line.dr);
        if (!Own(front)) continue;
        const Square target = FirstPiece(front.file, front.rank, line.df, line.dr);
        if (!Enemy(target) || !BishopTargetQualifies(target)) continue;
        BishopFrontMoves(p_.PieceIdAt(front.file, front.rank), line, target,
                         KeyFromSquareBetween(front, target, line));
      }
    }
  }

  // Pattern 4: the front piece of an own lance steps off the file.
  void LanceLines() {
    const Step file = {0, static_cast<int8_t>(s_)};
    for (int id = 18; id <= 21; ++id) {
      const PieceListEntry& lance = p_.pieces[id];
      if (!IsOnBoard(lance.file, lance.rank) || lance.code != (OwnerBit(side_) | LANCE)) continue;
      const Square front = FirstPiece(lance.file, lance.rank, 0, s_);
      if (!Own(front) || TypeOf(p_.PieceCodeAt(front.file, front.rank)) == PAWN) continue;
      const Square target = FirstPiece(front.file, front.rank, 0, s_);
      if (!Enemy(target)) continue;
      const int targetType = TypeOf(p_.PieceCodeAt(target.file, target.rank));
      if (targetType == LANCE) continue;
      if (targetType == PAWN &&
          (!NotOutnumbered(target) || (g_gameStage == 2 && !IsPromotionZone(side_, lance.rank)))) {
        continue;
      }
      const int frontId = p_.PieceIdAt(front.file, front.rank);
      const int type = TypeOf(p_.pieces[frontId].code);
      if (type == GOLD || IsPromotedMinor(type)) {
        FrontStepsOffLine(frontId, kGoldSteps, 6, file, target, false, false, false);
      } else if (type == SILVER) {
        static constexpr Step kDiagonals[4] = {{1, 1}, {1, -1}, {-1, -1}, {-1, 1}};
        FrontStepsOffLine(frontId, kDiagonals, 4, file, target, false, false, false);
      } else if (type == KING) {
        FrontStepsOffLine(frontId, kKingSteps, 8, file, target, false, false, true);
      } else if (type == HORSE) {
        const PieceListEntry& horse = p_.pieces[frontId];
        for (int df = -1; df <= 1; df += 2) {
          if (Free(horse.file + df, horse.rank)) Add(frontId, horse.file + df, horse.rank, 0, target, false);
        }
        Slides(frontId, kFirstBishopLine, target, false, false);
      } else if (type == BISHOP) {
        Slides(frontId, kFirstBishopLine, target, false, false);
      }
    }
  }

  const Position& p_;
  const MoveRecord* line_;
  int depth_;
  int side_;
  int enemy_;
  int s_;
  MoveSink sink_;
};

}  // namespace

int GenerateTacticalMoves(const Position& position, const MoveRecord* line, int depth, MoveRecord* out,
                          int capacity) {
  return TacticalMoves(position, line, depth, out, capacity).Run();
}
