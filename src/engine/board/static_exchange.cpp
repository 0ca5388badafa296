// Static exchange evaluation. The attacker lists of both sides are read once
// from the square's attack record, cheapest first (highest PieceId); each
// capture appends the balance if the other side stopped there, and a
// backward minimax over those entries gives the value. Pieces are valued by
// the current think's root tables and piece-square table.
#include "engine/board/static_exchange.h"

#include <bit>
#include <cstdint>
#include <cstdlib>

#include "engine/eval/eval_params.h"
#include "engine/eval/game_stage.h"
#include "engine/eval/piece_square_table.h"

namespace {

// One side's candidates: direct attackers, then second-line ones, which
// count only when no direct attacker was skipped as pinned.
struct AttackerList {
  uint8_t direct[PIECE_COUNT];
  uint8_t xray[PIECE_COUNT];
  int directCount = 0, directNext = 0;
  int xrayCount = 0, xrayNext = 0;
  bool pinnedSkipped = false;
};

uint64_t DirectSet(const SquareAttackRecord& record, int side) {
  return (static_cast<uint64_t>(record.directSet[side].high) << 32) | record.directSet[side].low;
}

// Appends the set's ids, highest first.
int AppendDescending(uint64_t set, uint8_t* ids, int count) {
  while (set != 0) {
    const int id = 63 - std::countl_zero(set);
    ids[count++] = static_cast<uint8_t>(id);
    set &= ~(uint64_t{1} << id);
  }
  return count;
}

int Sign(int value) { return (value > 0) - (value < 0); }

// Whether the piece may not leave its line with its king for the target:
// an enemy slider stands beyond it on a line to the own king with nothing
// between, and the target is off that line.
bool IsPinned(const Position& position, int side, int id, int targetFile, int targetRank) {
  if (id == side) return false;  // the side's own king
  const PieceListEntry& piece = position.pieces[id];
  const int enemy = 1 - side;
  if (position.SquareRecord(piece.file, piece.rank)->slidingSet[enemy] == 0) return false;
  const PieceListEntry& king = position.pieces[side];
  if (king.file < 1) return false;
  const int df = piece.file - king.file, dr = piece.rank - king.rank;
  if (df != 0 && dr != 0 && std::abs(df) != std::abs(dr)) return false;
  const int stepFile = Sign(df), stepRank = Sign(dr);
  int file = king.file + stepFile, rank = king.rank + stepRank;
  while (file != piece.file || rank != piece.rank) {
    if (!position.IsEmpty(file, rank)) return false;
    file += stepFile;
    rank += stepRank;
  }
  // The wall ring stops the walk.
  do {
    file += stepFile;
    rank += stepRank;
  } while (position.IsEmpty(file, rank));
  if (!IsOnBoard(file, rank)) return false;
  const PieceCode beyond = position.PieceCodeAt(file, rank);
  if (!IsOwnedBy(beyond, enemy)) return false;
  const int type = TypeOf(beyond);
  const bool diagonal = stepFile != 0 && stepRank != 0;
  bool pins;
  if (diagonal) {
    pins = type == BISHOP || type == HORSE;
  } else {
    pins = type == ROOK || type == DRAGON ||
           (type == LANCE && stepFile == 0 && (king.rank - rank) * SideSign(enemy) > 0);
  }
  if (!pins) return false;
  const bool targetOnLine = (targetFile - king.file) * stepRank == (targetRank - king.rank) * stepFile;
  return !targetOnLine;
}

int NextAttacker(const Position& position, int side, AttackerList& list, int targetFile, int targetRank) {
  while (list.directNext < list.directCount) {
    const int id = list.direct[list.directNext++];
    if (!IsPinned(position, side, id, targetFile, targetRank)) return id;
    list.pinnedSkipped = true;
  }
  if (list.pinnedSkipped) return -1;
  while (list.xrayNext < list.xrayCount) {
    const int id = list.xray[list.xrayNext++];
    if (!IsPinned(position, side, id, targetFile, targetRank)) return id;
  }
  return -1;
}

// An unpromoted capturer other than a gold or king that starts or lands in
// its promotion zone counts as promoted on the target.
int TypeOnTarget(int side, int type, int fromRank, int toRank) {
  if (IsPromoted(static_cast<PieceCode>(type)) || type == GOLD || type == KING) return type;
  if (IsPromotionZone(side, fromRank) || IsPromotionZone(side, toRank)) return type | PROMOTED_BIT;
  return type;
}

int PieceValue(const Position& position, int side, int type, int file, int rank, bool kingRelative) {
  const int row = g_pieceSquareRow[type];
  const int square = row < 0 ? 0 : g_activePieceSquareTable->At(row, side, file, rank);
  return square + RootPieceValue(position, side, type, file, rank, kingRelative);
}

int Exchange(const Position& position, int s, int capturedType, int file, int rank, int firstCapturer,
             int* firstGain, int margin, bool kingRelative) {
  const SquareAttackRecord& record = *position.SquareRecord(file, rank);
  AttackerList lists[2];
  const int o = 1 - s;
  lists[s].direct[0] = static_cast<uint8_t>(firstCapturer);
  lists[s].directCount =
      AppendDescending(DirectSet(record, s) & ~(uint64_t{1} << firstCapturer), lists[s].direct, 1);
  lists[o].directCount = AppendDescending(DirectSet(record, o), lists[o].direct, 0);
  for (int side = 0; side < 2; ++side) lists[side].xrayCount = AppendDescending(record.xraySet[side], lists[side].xray, 0);

  int held[2][8];
  for (int side = 0; side < 2; ++side) {
    for (int kind = 0; kind < 8; ++kind) held[side][kind] = position.hand[side][kind];
  }
  int entries[2 * PIECE_COUNT];
  int count = 0;
  int balance = capturedType != 0 ? PieceValue(position, o, capturedType, file, rank, kingRelative) : 0;
  int onTarget = capturedType;
  int mover = s;
  int kingTakenBy = -1;
  for (;;) {
    const int id = NextAttacker(position, mover, lists[mover], file, rank);
    if (id < 0) break;
    if (onTarget == KING) {
      kingTakenBy = mover;
      break;
    }
    const PieceListEntry& piece = position.pieces[id];
    const int type = TypeOf(piece.code);
    const int landed = TypeOnTarget(mover, type, piece.rank, rank);
    const int sign = mover == s ? 1 : -1;
    if (onTarget != 0) {
      const int base = BaseTypeOf(static_cast<PieceCode>(onTarget));
      balance += sign * RootHandValue(base, held[mover][base - 1]++);
    }
    balance -= sign * PieceValue(position, mover, type, piece.file, piece.rank, kingRelative);
    entries[count++] = balance + sign * PieceValue(position, mover, landed, file, rank, kingRelative);
    if (count == 1) *firstGain = entries[0];
    onTarget = landed;
    mover = 1 - mover;
  }

  int value;
  int pairs;
  if (count == 0) {
    // s has no capture that keeps its king covered; the capture it was
    // asked about would lose the king.
    value = kingTakenBy == s ? EXCHANGE_KING_TAKEN : -EXCHANGE_KING_TAKEN;
    *firstGain = value;
    return value;
  }
  if (kingTakenBy == s) {
    value = EXCHANGE_KING_TAKEN;
    pairs = count / 2;
  } else if (kingTakenBy == o) {
    // o may stop before taking the king, but never would.
    value = entries[count - 1] - margin < -EXCHANGE_KING_TAKEN ? entries[count - 1] - margin : -EXCHANGE_KING_TAKEN;
    pairs = (count - 1) / 2;
  } else if (mover == o) {  // o ran out after s's last capture
    value = entries[count - 1] - margin;
    pairs = (count - 1) / 2;
  } else {  // s ran out after o's last capture
    value = entries[count - 1];
    pairs = count / 2;
  }
  for (int pair = pairs - 1; pair >= 0; --pair) {
    const int sEntry = entries[2 * pair] - margin;
    const int oEntry = entries[2 * pair + 1] + margin;
    const int best = oEntry > value ? oEntry : value;
    value = sEntry < best ? sEntry : best;
  }
  return value;
}

}  // namespace

int StaticExchange(const Position& position, int side, int capturedType, int file, int rank, int firstCapturer,
                   int* firstGain, int margin) {
  return Exchange(position, side, capturedType, file, rank, firstCapturer, firstGain, margin, true);
}

int StaticExchangeOpening(const Position& position, int side, int capturedType, int file, int rank,
                          int firstCapturer, int* firstGain, int margin) {
  return Exchange(position, side, capturedType, file, rank, firstCapturer, firstGain, margin, false);
}

int StaticExchangeForStage(const Position& position, int side, int capturedType, int file, int rank,
                           int firstCapturer, int* firstGain, int margin) {
  return Exchange(position, side, capturedType, file, rank, firstCapturer, firstGain, margin,
                  g_gameStage != STAGE_OPENING);
}

int ExchangeValueForEval(const Position& position, int side, int baseType, int file, int rank, int* dropValue) {
  const bool kingRelative = g_gameStage != STAGE_OPENING;
  // With none in hand the drop gives up what a first piece would be worth
  // (the table's first entry), never a slot before the table.
  const int held = position.hand[side][baseType - 1];
  int value = PieceValue(position, side, baseType, file, rank, kingRelative) - RootHandValue(baseType, held > 0 ? held - 1 : 0);
  if ((baseType == ROOK || baseType == BISHOP) && IsPromotionZone(side, rank)) value = 0;
  *dropValue = value;
  const int enemy = 1 - side;
  // Only a direct attacker can open the exchange; a second-line one alone
  // leaves the set empty.
  const uint64_t attackers = DirectSet(*position.SquareRecord(file, rank), enemy);
  if (attackers != 0) {
    const int first = 63 - std::countl_zero(attackers);
    int gain = 0;
    const int taken = Exchange(position, enemy, baseType, file, rank, first, &gain, 0, kingRelative);
    if (taken > 0) value -= taken;
  }
  return value;
}

int FindBestCapture(const Position& position, MoveRecord& out) {
  const int side = position.sideToMove;
  int best = 0;
  bool found = false;
  for (int file = 1; file <= 9; ++file) {
    for (int rank = 1; rank <= 9; ++rank) {
      const PieceCode target = position.PieceCodeAt(file, rank);
      if (!IsOwnedBy(target, 1 - side)) continue;
      uint8_t ids[PIECE_COUNT];
      const int count = AppendDescending(DirectSet(*position.SquareRecord(file, rank), side), ids, 0);
      for (int i = 0; i < count; ++i) {
        // A pinned piece's capture is not a move to propose: the exchange
        // would value the next attacker's instead.
        if (IsPinned(position, side, ids[i], file, rank)) continue;
        int gain = 0;
        const int value = StaticExchangeForStage(position, side, TypeOf(target), file, rank, ids[i], &gain, 0);
        if (value <= best) continue;
        best = value;
        found = true;
        const PieceListEntry& piece = position.pieces[ids[i]];
        const int type = TypeOf(piece.code);
        out.Set(piece.file, piece.rank, file, rank, ids[i], piece.code, static_cast<PieceId>(position.PieceIdAt(file, rank)),
                target, TypeOnTarget(side, type, piece.rank, rank) != type ? 1 : 0);
      }
    }
  }
  return found ? 1 : 0;
}
