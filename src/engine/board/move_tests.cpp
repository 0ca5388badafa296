// The forcing and threat tests read the board, the attack records and the
// changed-square list of the current make depth; nothing here makes a move.
// Key fields may hold any nibble, so every square taken from a key is
// checked against the board before it is read.
#include "engine/board/move_tests.h"

#include <initializer_list>

#include "engine/board/make_move.h"
#include "engine/board/move_gen_helpers.h"
#include "engine/board/move_generators.h"
#include "engine/search/node_services.h"
#include "engine/search/search_globals.h"

using namespace movegen;

const uint32_t g_movementClassMask[TYPE_TABLE_SIZE] = {
    0, 67, 32, 17, 9, 4, 3, 1, 0,  // none, rook .. king
    0, 0, 0, 0, 0, 0, 0, 0,        // 9-16
    91, 57, 0, 17, 17, 17, 17,     // dragon, horse, -, promoted silver, knight, lance, pawn
};

namespace {

bool IsOnChangedList(int file, int rank) {
  for (const AttackChangeRecord* record = LastRecordedMoveList(); record != nullptr; record = record->next) {
    if (record->file == file && record->rank == rank) return true;
  }
  return false;
}

// The changed squares as a set, read once per test.
class ChangedSquares {
 public:
  void Add(int file, int rank) {
    const int square = SquareIndex(file, rank);
    bits_[square >> 6] |= uint64_t{1} << (square & 63);
  }
  bool Has(int file, int rank) const {
    if (!IsOnBoard(file, rank)) return false;
    const int square = SquareIndex(file, rank);
    return (bits_[square >> 6] >> (square & 63)) & 1;
  }

 private:
  uint64_t bits_[2] = {0, 0};
};

// The piece on a square a key names, 0 when the key names no board square.
PieceCode CodeOnKeySquare(const Position& position, int file, int rank) {
  return IsOnBoard(file, rank) ? position.PieceCodeAt(file, rank) : PieceCode{0};
}

bool RookOnFile(const Position& position, int file) {
  return position.pieces[2].file == file || position.pieces[3].file == file;
}

// Everything IsForcingMove needs about the move and the key.
class ForcingTest {
 public:
  ForcingTest(const Position& position, const MoveRecord* line, int id, int promote, int dropFlag, int toFile,
              int toRank, int level)
      : p_(position),
        line_(line),
        side_(position.sideToMove),
        forward_(SideSign(side_)),
        id_(id),
        promote_(promote),
        drop_(dropFlag != 0),
        toFile_(toFile),
        toRank_(toRank),
        level_(level),
        key_(g_forcingMoveFilter),
        enemyPawn_(static_cast<PieceCode>(OwnerBit(side_ ^ 1) | PAWN)),
        ownRook_(static_cast<PieceCode>(OwnerBit(side_) | ROOK)) {
    // A piece in hand may keep the promoted code it was captured with; a
    // drop lays it unpromoted, so the drop is tested as the unpromoted piece.
    code_ = drop_ ? static_cast<PieceCode>(OwnerBit(side_) | g_pieceIdBaseCode[id]) : position.pieces[id].code;
  }

  bool Run() {
    ExcludeLines();
    if (drop_ && KeyTestsForcing()) return true;
    if (ChangedListForcing()) return true;
    if (TypeOf(code_) == PAWN && promote_) {
      const MoveRecord& previous = line_[-1];
      if (toFile_ == previous.fromFile && toRank_ == previous.fromRank && TypeOf(previous.pieceCode) == BISHOP &&
          previous.capturedId < 22) {
        return true;
      }
    }
    const PieceCode tested = promote_ ? static_cast<PieceCode>(code_ | PROMOTED_BIT) : code_;
    switch (PieceTestResult(TypeOf(tested))) {
      case kForcing:
        return true;
      case kNotForcing:
      case kGoOn:
        break;
    }
    return RookFilePawnPatterns();
  }

 private:
  enum Result { kForcing, kNotForcing, kGoOn };

  bool OnBoardPiece() const { return !drop_ && p_.pieces[id_].file > 0; }

  void ExcludeLines() {
    if (!OnBoardPiece()) return;
    const PieceListEntry& piece = p_.pieces[id_];
    excluded_[0] = LineToward(piece.file - toFile_, piece.rank - toRank_);
    if (p_.IsEmpty(toFile_, toRank_)) excluded_[1] = OppositeLine(excluded_[0]);
  }
  bool IsExcluded(int line) const { return line == excluded_[0] || line == excluded_[1]; }

  bool KeyTestsForcing() const {
    const int type = TypeOf(code_);
    if ((KeyPawnFile(key_) == toFile_ && type == PAWN) || (type == TOKIN && line_[-1].promote)) return true;
    // With a pawn won, the type test answers only for a side holding
    // exactly one pawn; otherwise the drop still meets the square test.
    if (BaseTypeOf(code_) == KeyType(key_) && (KeyType(key_) != PAWN || p_.hand[side_][PAWN - 1] == 1)) return true;
    if (toFile_ == KeyFromFile(key_) && toRank_ == KeyFromRank(key_)) {
      const int onKey = TypeOf(CodeOnKeySquare(p_, KeyToFile(key_), KeyToRank(key_)));
      if (onKey == PAWN || onKey == LANCE || onKey == KNIGHT) return true;
      if (onKey == SILVER && KeyFromFile(key_) == KeyToFile(key_)) return true;
    }
    return false;
  }

  bool ChangedListForcing() {
    bool forcing = false;
    for (const AttackChangeRecord* record = LastRecordedMoveList(); record != nullptr; record = record->next) {
      if (!IsOnBoard(record->file, record->rank)) continue;
      changed_.Add(record->file, record->rank);
      if (record->file == toFile_ && record->rank == toRank_) forcing = true;
      const int onSquare = p_.PieceIdAt(record->file, record->rank);
      if (onSquare < 6 && IsOwnedBy(p_.pieces[onSquare].code, side_)) forcing = true;
    }
    return forcing;
  }

  bool AlreadyAttacked(int file, int rank) const {
    return !drop_ && id_ < 32 && (p_.AttackSetLow(side_, file, rank) >> id_ & 1) != 0;
  }
  bool EnemyPawnInFront(int file, int rank) const { return p_.PieceCodeAt(file, rank + forward_) == enemyPawn_; }
  bool IsEnemy(int file, int rank) const { return IsOwnedBy(p_.PieceCodeAt(file, rank), side_ ^ 1); }

  // A changed square the move now attacks: an enemy piece there is
  // forcing, an empty one when the level allows (level 4) and no enemy pawn
  // guards its front, or with the horse's rule when either holds.
  bool Hit(int file, int rank, bool horseRule = false) const {
    if (!changed_.Has(file, rank) || IsOwnPiece(p_, side_, file, rank)) return false;
    if (IsEnemy(file, rank)) return true;
    if (!p_.IsEmpty(file, rank)) return false;
    const bool levelAllows = level_ >= 4;
    const bool unguarded = !EnemyPawnInFront(file, rank);
    return horseRule ? levelAllows || unguarded : levelAllows && unguarded;
  }

  bool StepsHit(const Step* steps, int count, bool precheck) const {
    for (int n = 0; n < count; ++n) {
      const int file = toFile_ + steps[n].df;
      const int rank = toRank_ + steps[n].dr * forward_;
      if (precheck && (!IsOnBoard(file, rank) || AlreadyAttacked(file, rank))) continue;
      if (Hit(file, rank)) return true;
    }
    return false;
  }

  // The single steps of a dragon (diagonal) or horse (orthogonal) along
  // lines first .. first + 3, with the gold's precheck.
  bool LineStepsHit(int first, bool horseRule) const {
    for (int line = first; line < first + 4; ++line) {
      const int file = toFile_ + kLineDirections[line].df;
      const int rank = toRank_ + kLineDirections[line].dr;
      if (!IsOnBoard(file, rank) || AlreadyAttacked(file, rank)) continue;
      if (Hit(file, rank, horseRule)) return true;
    }
    return false;
  }

  Result PieceTestResult(int type) {
    switch (type) {
      case GOLD:
        return StepsHit(kGoldSteps, 6, true) ? kForcing : kGoOn;
      case SILVER:
        return StepsHit(kSilverSteps, 5, false) ? kForcing : kGoOn;
      case PRO_SILVER:
      case PRO_KNIGHT:
      case PRO_LANCE:
      case TOKIN:
        return StepsHit(kGoldSteps, 6, false) ? kForcing : kGoOn;
      case KNIGHT:
        for (const int df : {-1, 1}) {
          const int file = toFile_ + df;
          const int rank = toRank_ + 2 * forward_;
          if (IsOnBoard(file, rank) && Hit(file, rank)) return kForcing;
        }
        return kGoOn;
      case LANCE:
        return LanceWalk();
      case PAWN:
        return PawnTest() ? kForcing : kGoOn;
      case ROOK:
        return RookWalk() ? kForcing : kGoOn;
      case BISHOP:
        return BishopWalk() ? kForcing : kGoOn;
      case DRAGON:
        return LineStepsHit(kFirstBishopLine, false) || RookWalk() ? kForcing : kGoOn;
      case HORSE:
        return LineStepsHit(kFirstRookLine, true) || BishopWalk() ? kForcing : kGoOn;
      default:
        return kGoOn;
    }
  }

  Result LanceWalk() const {
    for (int rank = toRank_ + forward_; IsOnBoard(toFile_, rank); rank += forward_) {
      if (level_ >= 3 && toFile_ == KeyToFile(key_) && rank == KeyToRank(key_) - forward_) return kForcing;
      if (changed_.Has(toFile_, rank)) {
        if (IsOwnPiece(p_, side_, toFile_, rank)) return kGoOn;
        if (IsEnemy(toFile_, rank)) return kForcing;
        if (level_ >= 3 && !EnemyPawnInFront(toFile_, rank)) return kForcing;
      }
      if (!p_.IsEmpty(toFile_, rank)) break;
    }
    return kGoOn;
  }

  bool PawnTest() const {
    if (level_ >= 3 && toFile_ == KeyToFile(key_) && toRank_ + forward_ == KeyToRank(key_) - forward_) return true;
    const int rank = toRank_ + forward_;
    return changed_.Has(toFile_, rank) && (level_ >= 4 || IsEnemy(toFile_, rank));
  }

  bool RookWalk() const {
    for (int line = kFirstRookLine; line < kFirstRookLine + 4; ++line) {
      if (IsExcluded(line)) continue;
      const int df = kLineDirections[line].df;
      const int dr = kLineDirections[line].dr;
      for (int file = toFile_ + df, rank = toRank_ + dr;; file += df, rank += dr) {
        const PieceCode code = p_.PieceCodeAt(file, rank);
        if (code == WALL_CODE) break;
        if (code == 0) {
          if (level_ >= 3 && !AlreadyAttacked(file, rank) && (level_ >= 5 || !EnemyPawnInFront(file, rank)) &&
              changed_.Has(file, rank)) {
            return true;
          }
          continue;
        }
        if (IsOwnedBy(code, side_ ^ 1)) {
          if (!AlreadyAttacked(file, rank) && changed_.Has(file, rank)) return true;
          break;
        }
        // An own rook or dragon behind, or an own lance on its forward line,
        // backs the rook up along the line.
        const bool backs = BaseTypeOf(code) == ROOK || (TypeOf(code) == LANCE && dr == forward_);
        if (!backs) break;
      }
    }
    return false;
  }

  bool BishopWalk() const {
    for (int line = kFirstBishopLine; line < kFirstBishopLine + 4; ++line) {
      if (IsExcluded(line)) continue;
      const int df = kLineDirections[line].df;
      const int dr = kLineDirections[line].dr;
      for (int file = toFile_ + df, rank = toRank_ + dr; !IsWallCell(p_, file, rank); file += df, rank += dr) {
        if (AlreadyAttacked(file, rank)) continue;
        if (changed_.Has(file, rank)) {
          if (IsOwnPiece(p_, side_, file, rank)) break;
          if (IsEnemy(file, rank)) return true;
          if (level_ >= 4 && !EnemyPawnInFront(file, rank)) return true;
        }
        if (file == KeyFromFile(key_) && rank == KeyFromRank(key_) && file != 1 && file != 9 && rank != 1 &&
            rank != 9) {
          return true;
        }
        if (!p_.IsEmpty(file, rank)) break;
      }
    }
    return false;
  }

  // Walking back from (file, rank) over empty squares, the first piece is
  // the own unpromoted rook.
  bool OwnRookBehind(int file, int rank) const {
    for (; IsOnBoard(file, rank); rank -= forward_) {
      const PieceCode code = p_.PieceCodeAt(file, rank);
      if (code != 0) return code == ownRook_;
    }
    return false;
  }
  // Walking along the rank from the file next to the key's file toward
  // `file`, the first piece stands on that file or beyond it.
  bool NothingInBetween(int rank, int file) const {
    const int step = Sign(file - KeyToFile(key_));
    if (step == 0) return true;
    int walk = KeyToFile(key_) + step;
    while (IsOnBoard(walk, rank) && p_.IsEmpty(walk, rank)) walk += step;
    return (walk - file) * step >= 0;
  }
  bool TotalsFavour() const {
    const int own = AttackTotal(p_, side_, toFile_, toRank_);
    const int enemy = AttackTotal(p_, side_ ^ 1, toFile_, toRank_);
    return drop_ ? own >= enemy : own > enemy;
  }
  int RookBehindStartRank() const { return toRank_ - (drop_ ? 1 : 2) * forward_; }

  bool RookFilePawnPatterns() const {
    const bool moverIsPawn = TypeOf(code_) == PAWN;
    const int keyFile = KeyToFile(key_);
    const int keyRank = KeyToRank(key_);
    const PieceCode onKey = CodeOnKeySquare(p_, keyFile, keyRank);
    const bool pawnInFront = TypeOf(p_.PieceCodeAt(toFile_, toRank_ + forward_)) == PAWN;
    if (keyRank != toRank_) {
      if (keyRank != toRank_ + forward_ || TypeOf(onKey) != LANCE || !moverIsPawn || !pawnInFront) return false;
      if (!IsOnBoard(keyFile, keyRank) || p_.PawnRankOnFile(side_, keyFile) != 0 || !RookOnFile(p_, toFile_)) {
        return false;
      }
      if (p_.hand[side_][PAWN - 1] < (drop_ ? 2 : 1) || !TotalsFavour()) return false;
      return NothingInBetween(toRank_, toFile_) && OwnRookBehind(toFile_, RookBehindStartRank());
    }
    if (moverIsPawn && pawnInFront && RookOnFile(p_, toFile_) && TotalsFavour() &&
        NothingInBetween(toRank_, toFile_) && OwnRookBehind(toFile_, RookBehindStartRank())) {
      return true;
    }
    if (!moverIsPawn && p_.IsEmpty(toFile_, toRank_)) return false;
    if (TypeOf(onKey) != PAWN) return false;
    if (AttackTotal(p_, side_, keyFile, keyRank) <= AttackTotal(p_, side_ ^ 1, keyFile, keyRank)) return false;
    if (!RookOnFile(p_, keyFile)) return false;
    if (p_.PieceCodeAt(toFile_, toRank_ + forward_) == enemyPawn_ &&
        AttackTotal(p_, side_ ^ 1, toFile_, toRank_) != 1) {
      return false;
    }
    if (!NothingInBetween(keyRank, toFile_)) return false;
    return OwnRookBehind(keyFile, keyRank - forward_);
  }

  const Position& p_;
  const MoveRecord* line_;
  const int side_;
  const int forward_;
  const int id_;
  const int promote_;
  const bool drop_;
  const int toFile_;
  const int toRank_;
  const int level_;
  const uint32_t key_;
  const PieceCode enemyPawn_;
  const PieceCode ownRook_;
  PieceCode code_;
  int excluded_[2] = {-1, -1};
  ChangedSquares changed_;
};

// What IsThreatMove needs about the move.
class ThreatTest {
 public:
  ThreatTest(const Position& position, int id, PieceCode code, int toFile, int toRank)
      : p_(position),
        side_(position.sideToMove),
        forward_(SideSign(side_)),
        id_(id),
        code_(code),
        toFile_(toFile),
        toRank_(toRank),
        key_(g_forcingMoveFilter) {}

  bool Run(int promote) const {
    if (id_ < 0) {
      if (KeyPawnFile(key_) == toFile_ && TypeOf(code_) == PAWN) return true;
      if (TypeOf(code_) == KeyType(key_)) return true;
    }
    if (IsOnChangedList(toFile_, toRank_)) return true;
    const PieceCode tested = promote ? static_cast<PieceCode>(code_ | PROMOTED_BIT) : code_;
    switch (TypeOf(tested)) {
      case GOLD:
      case PRO_SILVER:
      case PRO_KNIGHT:
      case PRO_LANCE:
      case TOKIN:
        return StepsHit(kGoldSteps, 6, true);
      case SILVER:
        return StepsHit(kSilverSteps, 5, false);
      case KNIGHT:
        return Hits(toFile_ - 1, toRank_ + 2 * forward_) || Hits(toFile_ + 1, toRank_ + 2 * forward_);
      case LANCE:
        for (int rank = toRank_ + forward_; IsOnBoard(toFile_, rank); rank += forward_) {
          if (Hits(toFile_, rank)) return true;
          if (!p_.IsEmpty(toFile_, rank)) break;
        }
        return false;
      case PAWN:
        return Hits(toFile_, toRank_ + forward_);
      case ROOK:
        return Walk(kFirstRookLine);
      case BISHOP:
        return Walk(kFirstBishopLine);
      case DRAGON:
        return LineSteps(kFirstBishopLine) || Walk(kFirstRookLine);
      case HORSE:
        return LineSteps(kFirstRookLine) || Walk(kFirstBishopLine);
      default:
        return false;
    }
  }

 private:
  // The full 64-bit set, so promoted pawns (PieceIds 32-39) are seen too.
  bool AlreadyAttacked(int file, int rank) const {
    return id_ >= 0 && (DirectAttackers(p_, side_, file, rank) >> id_ & 1) != 0;
  }
  bool Hits(int file, int rank) const {
    return IsOnBoard(file, rank) && IsOwnedBy(p_.PieceCodeAt(file, rank), side_ ^ 1) && IsOnChangedList(file, rank);
  }
  bool StepsHit(const Step* steps, int count, bool skipAttacked) const {
    for (int n = 0; n < count; ++n) {
      const int file = toFile_ + steps[n].df;
      const int rank = toRank_ + steps[n].dr * forward_;
      if (!IsOnBoard(file, rank) || (skipAttacked && AlreadyAttacked(file, rank))) continue;
      if (Hits(file, rank)) return true;
    }
    return false;
  }
  bool LineSteps(int first) const {
    for (int line = first; line < first + 4; ++line) {
      const int file = toFile_ + kLineDirections[line].df;
      const int rank = toRank_ + kLineDirections[line].dr;
      if (IsOnBoard(file, rank) && !AlreadyAttacked(file, rank) && Hits(file, rank)) return true;
    }
    return false;
  }
  bool Walk(int first) const {
    for (int line = first; line < first + 4; ++line) {
      const int df = kLineDirections[line].df;
      const int dr = kLineDirections[line].dr;
      for (int file = toFile_ + df, rank = toRank_ + dr; !IsWallCell(p_, file, rank); file += df, rank += dr) {
        if (AlreadyAttacked(file, rank)) continue;
        if (Hits(file, rank)) return true;
        if (file == KeyFromFile(key_) && rank == KeyFromRank(key_)) return true;
        if (!p_.IsEmpty(file, rank)) break;
      }
    }
    return false;
  }

  const Position& p_;
  const int side_;
  const int forward_;
  const int id_;
  const PieceCode code_;
  const int toFile_;
  const int toRank_;
  const uint32_t key_;
};

uint32_t AnswerBase(const MoveRecord& answer) {
  return static_cast<uint32_t>(((answer.toRank * 16 + answer.toFile) * 16 + answer.fromRank) * 16 + answer.fromFile);
}

bool MovedUnpromotedPawn(const MoveRecord& move) { return TypeOf(move.pieceCode) == PAWN; }

// RecaptureKey's cases after the squares matched, for a first board move.
uint32_t BoardExchangeKey(const MoveRecord& first, uint32_t base) {
  if (!first.IsCapture()) {
    return MovedUnpromotedPawn(first) ? base + (static_cast<uint32_t>(first.toFile) << 24) : base;
  }
  // The piece won counts by its base type, so a tokin taken is a pawn
  // won: it goes to the hand as one.
  const int capturedBase = BaseTypeOf(first.capturedCode);
  if (!MovedUnpromotedPawn(first) && capturedBase == PAWN) return base + 0x70000;
  if (BaseTypeOf(first.pieceCode) >= capturedBase) return 0;
  return base + (static_cast<uint32_t>(capturedBase) << 16);
}

bool SameDestination(const MoveRecord& a, const MoveRecord& b) {
  return a.toFile == b.toFile && a.toRank == b.toRank;
}

bool IsBackMove(const MoveRecord& move, const MoveRecord& last, const MoveRecord& previous) {
  if (move.IsNull() || last.IsDrop() || !LastMoverCanStepBack(last)) return false;
  if (previous.IsDrop()) {
    if (!last.IsCapture()) {
      return !move.IsDrop() && move.pieceId == previous.pieceId && move.fromFile == previous.toFile &&
             move.fromRank == previous.toRank && move.toFile == last.fromFile && move.toRank == last.fromRank;
    }
    return SameDestination(last, previous) && move.IsDrop() && move.toFile == last.fromFile &&
           move.toRank == last.fromRank;
  }
  if (previous.IsCapture() || !last.IsCapture() || !SameDestination(last, previous) || !move.IsDrop()) return false;
  if (move.toFile != previous.fromFile || move.toRank != previous.fromRank) return false;
  const uint32_t dropped = g_movementClassMask[TypeOf(move.pieceCode)];
  const uint32_t moved = g_movementClassMask[TypeOf(previous.pieceCode)];
  return (dropped & ~moved) == 0;
}

}  // namespace

int IsForcingMove(const Position& position, const MoveRecord* line, int id, int promote, int dropFlag, int toFile,
                  int toRank, int level) {
  if (id < 0 || id >= PIECE_COUNT || !IsOnBoard(toFile, toRank)) return 0;
  ForcingTest test(position, line, id, promote, dropFlag, toFile, toRank, level);
  return test.Run() ? 1 : 0;
}

int IsThreatMove(const Position& position, int id, PieceCode code, int promote, int toFile, int toRank) {
  if (id >= PIECE_COUNT || !IsOnBoard(toFile, toRank)) return 0;
  return ThreatTest(position, id, code, toFile, toRank).Run(promote) ? 1 : 0;
}

uint32_t RecaptureKey(const MoveRecord& first, const MoveRecord& answer) {
  if (first.IsNull() || answer.IsNull() || !SameDestination(first, answer)) return 0;
  const uint32_t base = AnswerBase(answer);
  return first.IsDrop() ? base : BoardExchangeKey(first, base);
}

uint32_t RecaptureKeyLines(const Position& position, const MoveRecord& first, const MoveRecord& answer, int depth) {
  if (first.IsNull() || answer.IsNull() || !SameDestination(first, answer)) return 0;
  const uint32_t base = AnswerBase(answer);
  if (first.IsDrop()) {
    const int side = position.sideToMove;
    const bool edgePawn = BaseTypeOf(first.pieceCode) == PAWN && (first.toFile == 1 || first.toFile == 9);
    const int answerType = TypeOf(answer.pieceCode);
    const bool answeredByJumper =
        answerType == KNIGHT || (answerType == LANCE && answer.toRank != (side == 0 ? 2 : 8));
    const int kingFile = position.pieces[side ^ 1].file;
    const bool kingNear = kingFile - first.toFile < 3 && first.toFile - kingFile < 3;
    return depth >= 3 && edgePawn && answeredByJumper && kingNear ? 0 : base;
  }
  const uint32_t key = BoardExchangeKey(first, base);
  if (key != 0) {
    RecordLineThreats(position, first.fromFile, first.fromRank);
  }
  return key;
}

uint32_t RecaptureKey3(const MoveRecord& fourBack, const MoveRecord& threeBack, const MoveRecord& last) {
  if (fourBack.IsNull() || threeBack.IsNull() || last.IsNull()) return 0;
  const bool quietMiddle = threeBack.IsDrop() ? !MovedUnpromotedPawn(fourBack) : !threeBack.IsCapture();
  if (!quietMiddle) return 0;
  if (last.fromFile != threeBack.toFile || last.fromRank != threeBack.toRank || !SameDestination(last, fourBack)) {
    return 0;
  }
  const uint32_t base = AnswerBase(last);
  if (fourBack.IsDrop()) return base;
  if (!fourBack.IsCapture()) {
    return MovedUnpromotedPawn(fourBack) ? base + (static_cast<uint32_t>(fourBack.toFile) << 24) : base;
  }
  const int capturedBase = BaseTypeOf(fourBack.capturedCode);
  if (!MovedUnpromotedPawn(fourBack) && capturedBase == PAWN) return base;
  if (BaseTypeOf(fourBack.pieceCode) >= capturedBase) return 0;
  // Never true: a pawn taken by a non-pawn returned above, by a pawn just before.
  if (capturedBase == PAWN) return base;
  return base + (static_cast<uint32_t>(capturedBase) << 16);
}

void RecordLineThreats(const Position& position, int file, int rank) {
  const int depth = g_attackHistoryDepth;
  // The records of the list belong to the layer of the last recorded make.
  if (depth < 1 || depth > ATTACK_HISTORY_LAYERS || !IsOnBoard(file, rank)) return;
  AttackChangeRecord* layer = g_attackHistory.layer[depth - 1];
  AttackChangeRecord* tail = g_attackHistoryLists[depth];
  while (tail != nullptr && tail->next != nullptr) tail = tail->next;
  const int side = position.sideToMove;
  const SquareAttackRecord& record = *position.SquareRecord(file, rank);
  uint32_t sliders = record.directSet[side].low & record.slidingSet[side];
  while (sliders != 0) {
    const int slider = 31 - std::countl_zero(sliders);
    sliders &= ~(1u << slider);
    const PieceListEntry& entry = position.pieces[slider];
    const int df = Sign(entry.file - file);
    const int dr = Sign(entry.rank - rank);
    if (df == 0 && dr == 0) continue;
    for (int walkFile = file, walkRank = rank; IsOnBoard(walkFile, walkRank); walkFile += df, walkRank += dr) {
      if (IsOwnPiece(position, side, walkFile, walkRank)) break;
      if (!IsOnChangedList(walkFile, walkRank)) {
        AttackChangeRecord* added = &layer[SquareIndex(walkFile, walkRank)];
        added->next = nullptr;
        added->previous = tail;
        if (tail != nullptr) {
          tail->next = added;
        } else {
          g_attackHistoryLists[depth] = added;
        }
        tail = added;
      }
      if (!position.IsEmpty(walkFile, walkRank)) break;
    }
  }
}

int IsThreatSquare(int file, int rank) { return IsOnChangedList(file, rank) ? 1 : 0; }

MoveRecord* FilterRootBackMoves(MoveRecord* head, int& count, const MoveRecord* last, const MoveRecord* previous) {
  if (last == nullptr || previous == nullptr || last->IsNull() || previous->IsNull()) return head;
  MoveRecord* node = head;
  while (node != nullptr) {
    MoveRecord* next = node->next;
    if (IsBackMove(*node, *last, *previous)) {
      head = UnlinkMove(node, head);
      --count;
    }
    node = next;
  }
  return head;
}
