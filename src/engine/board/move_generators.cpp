// The full generator and the single-square generator share one board-move
// writer per piece kind; drops walk the empty squares once for all types.
#include "engine/board/move_generators.h"

#include <bit>
#include <cstddef>
#include <cstring>

#include "engine/board/king_safety.h"
#include "engine/board/make_move.h"
#include "engine/board/move_gen_helpers.h"
#include "engine/eval/piece_square_table.h"

using namespace movegen;

namespace {

// Write() packs the leading bytes of a record (from file and rank, to file
// and rank, moving and captured id, moving and captured code) as one word.
static_assert(offsetof(MoveRecord, fromFile) == 0 && offsetof(MoveRecord, toFile) == 2 &&
              offsetof(MoveRecord, pieceId) == 4 && offsetof(MoveRecord, capturedId) == 5 &&
              offsetof(MoveRecord, pieceCode) == 6 && offsetof(MoveRecord, capturedCode) == 7);
static_assert(std::endian::native == std::endian::little);

// Writes moves of one piece of side Side (a template parameter, so that
// the side's direction and zone are constants); `out` advances past every
// record written.
template <int Side>
class PieceMoveWriter {
 public:
  PieceMoveWriter(const Position& position, MoveRecord* out, int id, int file, int rank)
      : position_(position),
        out_(out),
        id_(id),
        file_(file),
        rank_(rank),
        code_(position.pieces[id].code),
        fromZone_(IsPromotionZone(Side, rank)),
        pieceWord_(static_cast<uint64_t>(file) | static_cast<uint64_t>(rank) << 8 | static_cast<uint64_t>(id) << 32 |
                   static_cast<uint64_t>(code_) << 48) {}

  MoveRecord* end() const { return out_; }

  // All moves of the piece; king moves onto squares the enemy attacks
  // directly only when kingMayEnterAttacked.
  void WriteAll(bool kingMayEnterAttacked) {
    switch (TypeOf(code_)) {
      case ROOK:
        Lines(kFirstRookLine, BaseTypeOf(code_) == ROOK);
        break;
      case DRAGON:
        Lines(kFirstRookLine, false);
        AbsoluteSteps(kFirstBishopLine);
        break;
      case BISHOP:
        Lines(kFirstBishopLine, true);
        break;
      case HORSE:
        Lines(kFirstBishopLine, false);
        AbsoluteSteps(kFirstRookLine);
        break;
      case GOLD:
      case PRO_SILVER:
      case PRO_KNIGHT:
      case PRO_LANCE:
      case TOKIN:
        for (const Step& step : kGoldSteps) StepTo(file_ + step.df, rank_ + step.dr * kForward);
        break;
      case SILVER:
        for (const Step& step : kSilverSteps) SilverStepTo(file_ + step.df, rank_ + step.dr * kForward);
        break;
      case KNIGHT:
        KnightJumpTo(file_ - 1);
        KnightJumpTo(file_ + 1);
        break;
      case LANCE:
        LanceMoves();
        break;
      case PAWN:
        PawnMove();
        break;
      case KING:
        for (const Step& step : kKingSteps) KingStepTo(file_ + step.df, rank_ + step.dr, kingMayEnterAttacked);
        break;
      default:  // never reached: a piece on the board has one of the types above
        break;
    }
  }

 private:
  static constexpr int kForward = SideSign(Side);
  static constexpr int kEnemy = Side ^ 1;
  static constexpr PieceCode kOwnerBit = OwnerBit(Side);

  // A cell the piece may move to: its code lacks the mover's owner bit,
  // which an own piece and the wall (both bits) carry.
  bool Enterable(PieceCode code) const { return (code & kOwnerBit) == 0; }

  // The record's leading eight bytes as one word: the piece's own part is
  // fixed, the target's squares, id and code are or-ed in per move.
  void Write(int toFile, int toRank, int target, int promote) {
    const uint64_t head = pieceWord_ | static_cast<uint64_t>(toFile) << 16 | static_cast<uint64_t>(toRank) << 24 |
                          static_cast<uint64_t>(target) << 40 |
                          static_cast<uint64_t>(position_.pieces[target].code) << 56;
    std::memcpy(out_, &head, sizeof head);
    out_->promote = static_cast<uint8_t>(promote);
    ++out_;
  }

  // The four lines from lines[first]; every move of an unpromoted rook or
  // bishop that may promote does, without a non-promoting twin.
  void Lines(int first, bool canPromote) {
    for (int line = first; line < first + 4; ++line) {
      const int df = kLineDirections[line].df;
      const int dr = kLineDirections[line].dr;
      for (int toFile = file_ + df, toRank = rank_ + dr;; toFile += df, toRank += dr) {
        const int target = position_.board[toFile][toRank];
        if (target != EMPTY_PIECE_ID && !Enterable(position_.pieces[target].code)) break;
        Write(toFile, toRank, target, canPromote && (fromZone_ || IsPromotionZone(Side, toRank)) ? 1 : 0);
        if (target != EMPTY_PIECE_ID) break;
      }
    }
  }

  // One step along each of the four lines from lines[first] (the extra
  // steps of a dragon or horse), never promoting.
  void AbsoluteSteps(int first) {
    for (int line = first; line < first + 4; ++line) {
      StepTo(file_ + kLineDirections[line].df, rank_ + kLineDirections[line].dr);
    }
  }

  void StepTo(int toFile, int toRank) {
    const int target = position_.board[toFile][toRank];
    if (!Enterable(position_.pieces[target].code)) return;
    Write(toFile, toRank, target, 0);
  }

  void SilverStepTo(int toFile, int toRank) {
    const int target = position_.board[toFile][toRank];
    if (!Enterable(position_.pieces[target].code)) return;
    if (fromZone_ || IsPromotionZone(Side, toRank)) Write(toFile, toRank, target, 1);
    Write(toFile, toRank, target, 0);
  }

  void KnightJumpTo(int toFile) {
    const int toRank = rank_ + 2 * kForward;
    // A jump from the last two ranks would leave the wall ring's array.
    if (!IsOnBoard(toFile, toRank)) return;
    const int target = position_.board[toFile][toRank];
    if (!Enterable(position_.pieces[target].code)) return;
    if (IsPromotionZone(Side, toRank)) Write(toFile, toRank, target, 1);
    if (!IsDeadEndRank(Side, toRank, 2)) Write(toFile, toRank, target, 0);
  }

  void LanceMoves() {
    for (int toRank = rank_ + kForward;; toRank += kForward) {
      const int target = position_.board[file_][toRank];
      if (target != EMPTY_PIECE_ID && !Enterable(position_.pieces[target].code)) break;
      if (IsPromotionZone(Side, toRank)) Write(file_, toRank, target, 1);
      if (!IsDeadEndRank(Side, toRank, 1)) Write(file_, toRank, target, 0);
      if (target != EMPTY_PIECE_ID) break;
    }
  }

  void PawnMove() {
    const int toRank = rank_ + kForward;
    const int target = position_.board[file_][toRank];
    if (!Enterable(position_.pieces[target].code)) return;
    Write(file_, toRank, target, IsPromotionZone(Side, toRank) ? 1 : 0);
  }

  void KingStepTo(int toFile, int toRank, bool mayEnterAttacked) {
    const int target = position_.board[toFile][toRank];
    if (!Enterable(position_.pieces[target].code)) return;
    if (!mayEnterAttacked && position_.AttackCount(kEnemy, toFile, toRank) > 0) return;
    Write(toFile, toRank, target, 0);
  }

  const Position& position_;
  MoveRecord* out_;
  const int id_;
  const int file_;
  const int rank_;
  const PieceCode code_;
  const bool fromZone_;  // a piece that can promote may do so on every move
  const uint64_t pieceWord_;
};

// Drops of every type the side holds, rook first, on the empty squares by
// file and then rank.
MoveRecord* WriteDrops(const Position& position, int side, MoveRecord* out) {
  int heldTypes[7];
  int heldCount = 0;
  for (int type = ROOK; type <= PAWN; ++type) {
    if (position.hand[side][type - 1] > 0) heldTypes[heldCount++] = type;
  }
  if (heldCount == 0) return out;
  int8_t emptyFile[SQUARE_COUNT];
  int8_t emptyRank[SQUARE_COUNT];
  int emptyCount = 0;
  for (int file = 1; file <= 9; ++file) {
    for (int rank = 1; rank <= 9; ++rank) {
      if (!position.IsEmpty(file, rank)) continue;
      emptyFile[emptyCount] = static_cast<int8_t>(file);
      emptyRank[emptyCount] = static_cast<int8_t>(rank);
      ++emptyCount;
    }
  }
  for (int n = 0; n < heldCount; ++n) {
    const int type = heldTypes[n];
    const PieceCode code = static_cast<PieceCode>(OwnerBit(side) | type);
    const int id = position.HandStackTop(side, type);
    for (int square = 0; square < emptyCount; ++square) {
      const int file = emptyFile[square];
      const int rank = emptyRank[square];
      if (!IsDropAllowed(position, side, type, file, rank)) continue;
      WriteBoardMove(*out++, 0, 0, file, rank, id, code, EMPTY_PIECE_ID, 0, 0);
    }
  }
  return out;
}

// Board moves of every piece of Side on the board, by PieceId.
template <int Side>
MoveRecord* WriteBoardMoves(const Position& position, MoveRecord* out) {
  for (int id = 0; id < PIECE_COUNT; ++id) {
    const PieceListEntry& entry = position.pieces[id];
    // Pieces in hand have file 0, those out of play -1.
    if (!IsOwnedBy(entry.code, Side) || entry.file <= 0) continue;
    PieceMoveWriter<Side> writer(position, out, id, entry.file, entry.rank);
    writer.WriteAll(false);
    out = writer.end();
  }
  return out;
}

// Links array[0 .. count - 1] in order; returns the head or null.
MoveRecord* LinkInOrder(MoveRecord* array, int count) {
  if (count == 0) return nullptr;
  for (int n = 0; n < count; ++n) {
    array[n].previous = n > 0 ? &array[n - 1] : nullptr;
    array[n].next = n + 1 < count ? &array[n + 1] : nullptr;
  }
  return array;
}

bool IsOnBoardEntry(const PieceListEntry& entry) { return IsOnBoard(entry.file, entry.rank); }

int IsBoardMoveValid(const Position& position, const MoveRecord& move, int side) {
  if (!IsOnBoard(move.fromFile, move.fromRank) || !IsOnBoard(move.toFile, move.toRank)) return 0;
  const PieceCode target = position.PieceCodeAt(move.toFile, move.toRank);
  if (target != move.capturedCode || IsOwnedBy(target, side)) return 0;
  // A stored flag the piece can't carry out would corrupt the make.
  if (move.promote ? !MayPromote(move.pieceCode, side, move.fromRank, move.toRank)
                   : IsDeadEndMove(move.pieceCode, side, move.toRank)) {
    return 0;
  }
  // The make takes the ids from the record: a stored move whose pieces have
  // changed identity since would corrupt the piece list.
  if (position.board[move.toFile][move.toRank] != move.capturedId) return 0;
  uint64_t attackers = DirectAttackers(position, side, move.toFile, move.toRank);
  while (attackers != 0) {
    const int id = PopHighest(attackers);
    const PieceListEntry& attacker = position.pieces[id];
    if (attacker.file == move.fromFile && attacker.rank == move.fromRank && attacker.code == move.pieceCode) {
      return id == move.pieceId ? 1 : 0;
    }
  }
  return 0;
}

int IsDropValid(const Position& position, const MoveRecord& move, int side) {
  const int type = BaseTypeOf(move.pieceCode);
  if (type < ROOK || type > PAWN || move.pieceCode != (OwnerBit(side) | type)) return 0;
  if (!IsOnBoard(move.toFile, move.toRank) || !position.IsEmpty(move.toFile, move.toRank)) return 0;
  // A drop lays the top of the in-hand stack; another id would break the stack.
  if (position.HandStackTop(side, type) != move.pieceId) return 0;
  return IsDropAllowed(position, side, type, move.toFile, move.toRank) ? 1 : 0;
}

}  // namespace

// Flattened: the per-piece writer inlined into the one loop is what keeps
// the generator fast enough for perft.
[[gnu::flatten]] MoveRecord* GenerateAllMoves(const Position& position, int& count, MoveRecord* array) {
  const int side = position.sideToMove;
  MoveRecord* out = WriteDrops(position, side, array);
  out = side == 0 ? WriteBoardMoves<0>(position, out) : WriteBoardMoves<1>(position, out);
  count = static_cast<int>(out - array);
  return LinkInOrder(array, count);
}

int GenerateMovesFromSquare(const Position& position, int file, int rank, MoveRecord* array) {
  if (!IsOnBoard(file, rank)) return 0;
  const int id = position.board[file][rank];
  if (id >= PIECE_COUNT || !IsOwnedBy(position.pieces[id].code, position.sideToMove)) return 0;
  if (position.sideToMove == 0) {
    PieceMoveWriter<0> writer(position, array, id, file, rank);
    writer.WriteAll(true);
    return static_cast<int>(writer.end() - array);
  }
  PieceMoveWriter<1> writer(position, array, id, file, rank);
  writer.WriteAll(true);
  return static_cast<int>(writer.end() - array);
}

MoveRecord* UnlinkMove(MoveRecord* node, MoveRecord* head) {
  if (node == nullptr) return head;
  if (node->previous != nullptr) node->previous->next = node->next;
  if (node->next != nullptr) node->next->previous = node->previous;
  return node == head ? node->next : head;
}

int IsMoveValid(const Position& position, const MoveRecord& move) {
  const int side = position.sideToMove;
  if (move.IsNull()) {
    const PieceListEntry& king = position.pieces[side];
    return !IsOnBoardEntry(king) || position.AttackCount(side ^ 1, king.file, king.rank) == 0 ? 1 : 0;
  }
  if (move.IsDrop()) return IsDropValid(position, move, side);
  return IsBoardMoveValid(position, move, side);
}

int IsUselessLanceMove(const Position& position, const MoveRecord& move, int level) {
  const int side = position.sideToMove;
  const int forward = SideSign(side);
  if (move.IsNull() || !IsOnBoard(move.toFile, move.toRank)) return 0;
  if (move.IsDrop()) {
    if (BaseTypeOf(move.pieceCode) != LANCE) return 0;
    // A pawn dropped there does the lance's work.
    if (RelativeRank(side, move.toRank) == 2 && position.hand[side][PAWN - 1] > 0 &&
        position.PawnRankOnFile(side, move.toFile) == 0) {
      return 1;
    }
    // The lance could stand further back on the same file.
    const int behind = move.toRank - forward;
    return level >= 3 && IsOnBoard(move.toFile, behind) && position.IsEmpty(move.toFile, behind) &&
                   position.AttackCount(side ^ 1, move.toFile, behind) == 0
               ? 1
               : 0;
  }
  if (TypeOf(move.pieceCode) != LANCE || !IsOnBoard(move.fromFile, move.fromRank)) return 0;
  const PieceSquareTable& table = *g_activePieceSquareTable;
  if (table.At(ROW_LANCE, side, move.fromFile, move.fromRank) < table.At(ROW_LANCE, side, move.toFile, move.toRank)) {
    return 0;
  }
  if (!move.promote && RelativeRank(side, move.toRank) == 2) return 1;
  return !move.promote && !move.IsCapture() && position.AttackCount(side ^ 1, move.fromFile, move.fromRank) == 0
             ? 1
             : 0;
}

MoveRecord* RemoveIllegalMoves(Position& position, MoveRecord* head, int& count, int level) {
  const int side = position.sideToMove;
  for (MoveRecord* node = head; node != nullptr;) {
    MoveRecord* next = node->next;
    bool remove = level != -1 && IsUselessLanceMove(position, *node, level) != 0;
    if (!remove) {
      MakeMove(position, *node, 0);
      remove = IsKingAttacked(position, side);
      UnmakeMove(position, *node, 0);
    }
    if (remove) {
      head = UnlinkMove(node, head);
      --count;
    }
    node = next;
  }
  return head;
}
