// Capture generators: every loop runs over a side's direct attacker set of
// a square in descending PieceId order, cheapest kind first, king last.
// Exchange values come from the static exchange of the current stage.
#include "engine/board/capture_generators.h"

#include <initializer_list>

#include "engine/board/make_move.h"
#include "engine/board/move_gen_helpers.h"
#include "engine/board/move_tests.h"
#include "engine/board/static_exchange.h"
#include "engine/eval/eval_params.h"
#include "engine/eval/game_stage.h"
#include "engine/eval/piece_square_table.h"
#include "engine/search/node_services.h"
#include "engine/search/search_globals.h"

using namespace movegen;

const int g_captureGainThreshold[3][4] = {
    {50, 50, 100, 200},
    {100, 100, 250, 400},
    {200, 200, 400, 600},
};

namespace {

// An exchange this bad ends the moves onto one square.
constexpr int kHopelessExchange = -400;
// What an undefended capture of anything but a pawn is worth at least.
constexpr int kUndefendedCaptureValue = 101;

int Threshold(int level) {
  const int stage = g_gameStage < 0 ? 0 : g_gameStage >= GAME_STAGE_COUNT ? GAME_STAGE_COUNT - 1 : g_gameStage;
  return g_captureGainThreshold[stage][level < 0 ? 0 : level > 3 ? 3 : level];
}

// The exchange value for the side to move of piece `id` moving first onto
// (file, rank), whatever stands there.
int ExchangeValue(const Position& position, int id, int file, int rank) {
  int firstGain = 0;
  return StaticExchangeForStage(position, position.sideToMove, TypeOf(position.PieceCodeAt(file, rank)), file, rank,
                                id, &firstGain, 0);
}

// A piece's worth on a square: its piece-square entry plus the plain
// piece value in the opening, the king-relative one later.
int PieceWorth(const Position& position, int side, int type, int file, int rank) {
  const int row = g_pieceSquareRow[type];
  const int square = row < 0 ? 0 : g_activePieceSquareTable->At(row, side, file, rank);
  return square + RootPieceValue(position, side, type, file, rank, g_gameStage != STAGE_OPENING);
}

int PromoteFlag(const Position& position, int id, int toRank) {
  const PieceListEntry& piece = position.pieces[id];
  return MayPromote(piece.code, OwnerOf(piece.code), piece.rank, toRank) ? 1 : 0;
}

// Writes piece `id`'s move onto (file, rank) with its promotion flag.
MoveRecord* WriteMoveOnto(const Position& position, MoveRecord* out, int id, int file, int rank) {
  const PieceListEntry& piece = position.pieces[id];
  WritePieceMove(position, *out, piece.file, piece.rank, file, rank, PromoteFlag(position, id, rank));
  return out + 1;
}

// The gain of taking an undefended piece: the mover's change of worth
// (none for a rook or bishop already promoting from its zone) plus the
// taken piece in hand and off the enemy's board.
int UndefendedCaptureGain(const Position& position, int id, int file, int rank) {
  const int side = position.sideToMove;
  const PieceListEntry& mover = position.pieces[id];
  const int base = BaseTypeOf(mover.code);
  int moverTerm = 0;
  const bool promotingFromZone =
      !IsPromoted(mover.code) && (base == ROOK || base == BISHOP) && IsPromotionZone(side, mover.rank);
  if (!promotingFromZone) {
    const int typeAfter = TypeOf(mover.code) | (PromoteFlag(position, id, rank) ? PROMOTED_BIT : 0);
    moverTerm = PieceWorth(position, side, typeAfter, file, rank) -
                PieceWorth(position, side, TypeOf(mover.code), mover.file, mover.rank);
  }
  const PieceCode captured = position.PieceCodeAt(file, rank);
  const int capturedBase = BaseTypeOf(captured);
  return moverTerm + RootHandValue(capturedBase, position.hand[side][capturedBase - 1]) +
         PieceWorth(position, side ^ 1, TypeOf(captured), file, rank);
}

// A knight whose capture sets up a fork of the enemy king from there.
bool KnightEyesKing(const Position& position, int id, int file, int rank) {
  const int side = position.sideToMove;
  if (TypeOf(position.pieces[id].code) != KNIGHT || RelativeRank(side, rank) < 3) return false;
  const PieceListEntry& king = position.pieces[side ^ 1];
  const int jumpRank = rank + 2 * SideSign(side);
  return king.rank == jumpRank && (king.file == file - 1 || king.file == file + 1);
}

MoveRecord* CapturesOf(const Position& position, int file, int rank, int threshold, MoveRecord* out) {
  const int side = position.sideToMove;
  const bool defended = position.AttackCount(side ^ 1, file, rank) > 0;
  uint64_t attackers = DirectAttackers(position, side, file, rank);
  while (attackers != 0) {
    const int id = PopHighest(attackers);
    const int value = defended ? ExchangeValue(position, id, file, rank) : UndefendedCaptureGain(position, id, file, rank);
    if (value > threshold || (value >= 1 && KnightEyesKing(position, id, file, rank))) {
      out = WriteMoveOnto(position, out, id, file, rank);
    }
  }
  return out;
}

MoveRecord* PromotingPawnPush(const Position& position, int id, int threshold, MoveRecord* out) {
  const PieceListEntry& pawn = position.pieces[id];
  const int side = position.sideToMove;
  const int rank = pawn.rank + SideSign(side);
  if (!position.IsEmpty(pawn.file, rank) || !IsPromotionZone(side, rank)) return out;
  if (ExchangeValue(position, id, pawn.file, rank) <= threshold) return out;
  WritePieceMove(position, *out, pawn.file, pawn.rank, pawn.file, rank, 1);
  return out + 1;
}

// A rook outside the zone that sees down its file to the last rank goes
// in to promote on the second rank, or the third when the enemy holds the
// second.
MoveRecord* RookPushToPromote(const Position& position, int id, MoveRecord* out) {
  const PieceListEntry& rook = position.pieces[id];
  const int side = position.sideToMove;
  const int enemy = side ^ 1;
  if (IsPromotionZone(side, rook.rank)) return out;
  const int lastRank = BackRank(enemy);
  if ((DirectAttackers(position, side, rook.file, lastRank) >> id & 1) == 0) return out;
  if (IsOwnPiece(position, enemy, rook.file, lastRank) && position.AttackCount(enemy, rook.file, lastRank) == 0) {
    return out;
  }
  const int second = lastRank - SideSign(side);
  const int third = second - SideSign(side);
  int target = second;
  if (position.AttackCount(enemy, rook.file, second) > 0) {
    if (position.AttackCount(enemy, rook.file, third) > 0) return out;
    target = third;
  }
  WritePieceMove(position, *out, rook.file, rook.rank, rook.file, target, 1);
  return out + 1;
}

// A square a side's move may end on: not the wall, not an own piece.
bool IsTargetFor(const Position& position, int side, int file, int rank) {
  return IsOnBoard(file, rank) && !IsOwnPiece(position, side, file, rank);
}

}  // namespace

int GenerateCaptures(const Position& position, const MoveRecord* line, int level, MoveRecord* out) {
  (void)line;
  const int side = position.sideToMove;
  const int threshold = Threshold(level);
  MoveRecord* const begin = out;
  for (int id = 2; id < PIECE_COUNT; ++id) {
    const PieceListEntry& piece = position.pieces[id];
    if (!IsOnBoard(piece.file, piece.rank)) continue;
    if (IsOwnedBy(piece.code, side ^ 1)) {
      out = CapturesOf(position, piece.file, piece.rank, threshold, out);
    } else if (TypeOf(piece.code) == PAWN) {
      out = PromotingPawnPush(position, id, threshold, out);
    } else if (TypeOf(piece.code) == ROOK) {
      out = RookPushToPromote(position, id, out);
    }
  }
  return static_cast<int>(out - begin);
}

int GenerateCapturesOnChangedSquares(const Position& position, int level, MoveRecord* out) {
  const int side = position.sideToMove;
  const int threshold = Threshold(level);
  MoveRecord* const begin = out;
  for (const AttackChangeRecord* record = LastRecordedMoveList(); record != nullptr; record = record->next) {
    const int file = record->file;
    const int rank = record->rank;
    if (!IsOnBoard(file, rank)) continue;
    const bool empty = position.IsEmpty(file, rank);
    if (!empty && !IsOwnPiece(position, side ^ 1, file, rank)) continue;
    if (empty && !IsPromotionZone(side, rank)) continue;
    uint64_t attackers = DirectAttackers(position, side, file, rank);
    while (attackers != 0) {
      const int id = PopHighest(attackers);
      const PieceListEntry& piece = position.pieces[id];
      bool write;
      if (!empty) {
        write = ExchangeValue(position, id, file, rank) > threshold;
      } else if (TypeOf(piece.code) == ROOK) {
        write = !IsPromotionZone(side, piece.rank) && position.AttackCount(side ^ 1, file, rank) == 0;
      } else if (TypeOf(piece.code) == PAWN) {
        write = ExchangeValue(position, id, file, rank) > threshold;
      } else {
        write = false;
      }
      if (write) out = WriteMoveOnto(position, out, id, file, rank);
    }
  }
  return static_cast<int>(out - begin);
}

int GenerateCapturesOnSquare(const Position& position, int file, int rank, MoveRecord* out, int* bestValue) {
  *bestValue = 0;
  const int side = position.sideToMove;
  if (!IsTargetFor(position, side, file, rank)) return 0;
  const bool defended = position.AttackCount(side ^ 1, file, rank) > 0;
  const bool pawnTarget = TypeOf(position.PieceCodeAt(file, rank)) == PAWN;
  MoveRecord* const begin = out;
  uint64_t attackers = DirectAttackers(position, side, file, rank);
  while (attackers != 0) {
    const int id = PopHighest(attackers);
    if (defended) {
      const int value = ExchangeValue(position, id, file, rank);
      if (value < kHopelessExchange) break;
      if (value > *bestValue) *bestValue = value;
    } else if (!pawnTarget && *bestValue < kUndefendedCaptureValue) {
      *bestValue = kUndefendedCaptureValue;
    }
    out = WriteMoveOnto(position, out, id, file, rank);
  }
  return static_cast<int>(out - begin);
}

int GenerateRecaptures(const Position& position, const MoveRecord& justMade, MoveRecord* out) {
  const int side = position.sideToMove;
  if (!IsTargetFor(position, side, justMade.toFile, justMade.toRank)) return 0;
  uint64_t attackers = DirectAttackers(position, side, justMade.toFile, justMade.toRank);
  if (attackers == 0) return 0;
  const int id = PopHighest(attackers);
  const PieceListEntry& piece = position.pieces[id];
  const int target = justMade.pieceId;
  WriteBoardMove(*out, piece.file, piece.rank, justMade.toFile, justMade.toRank, id, piece.code, target,
                 position.pieces[target].code, PromoteFlag(position, id, justMade.toRank));
  return 1;
}

int GenerateMovesToSquare(const Position& position, const MoveRecord* line, int file, int rank, int extra,
                          MoveRecord* out) {
  const int side = position.sideToMove;
  if (!IsTargetFor(position, side, file, rank)) return 0;
  const bool defended = position.AttackCount(side ^ 1, file, rank) > 0;
  MoveRecord* const begin = out;
  uint64_t attackers = DirectAttackers(position, side, file, rank);
  while (attackers != 0) {
    const int id = PopHighest(attackers);
    if (defended && ExchangeValue(position, id, file, rank) < kHopelessExchange) break;
    if (g_forcingMoveFilter != 0 &&
        IsForcingMove(position, line, id, PromoteFlag(position, id, rank), 0, file, rank, extra) == 0) {
      continue;
    }
    out = WriteMoveOnto(position, out, id, file, rank);
  }
  return static_cast<int>(out - begin);
}

int GeneratePieceMoves(const Position& position, int file, int rank, MoveRecord* out) {
  if (!IsOnBoard(file, rank)) return 0;
  const int id = position.board[file][rank];
  if (id >= PIECE_COUNT) return 0;
  const PieceCode code = position.pieces[id].code;
  const int side = position.sideToMove;
  if (!IsOwnedBy(code, side)) return 0;
  const int enemy = side ^ 1;
  const int forward = SideSign(side);
  MoveRecord* const begin = out;
  // The king is never a target: no position the search reaches has it en prise.
  const auto capturable = [&](int targetId) { return targetId >= 2 && targetId < PIECE_COUNT; };
  switch (TypeOf(code)) {
    case GOLD:
    case SILVER: {
      const bool gold = TypeOf(code) == GOLD;
      const Step* steps = gold ? kGoldSteps : kSilverSteps;
      const int count = gold ? 6 : 5;
      for (int n = 0; n < count; ++n) {
        const int toFile = file + steps[n].df;
        const int toRank = rank + steps[n].dr * forward;
        if (IsBlockedFor(position, side, toFile, toRank)) break;
        const int target = position.board[toFile][toRank];
        if (!capturable(target) || target >= 22) continue;
        if (target >= 6 && position.AttackCountWithXray(enemy, toFile, toRank) >=
                               position.AttackCountWithXray(side, toFile, toRank)) {
          continue;
        }
        WritePieceMove(position, *out++, file, rank, toFile, toRank, !gold && IsPromotionZone(side, toRank) ? 1 : 0);
      }
      break;
    }
    case KNIGHT:
      for (const int toFile : {file - 1, file + 1}) {
        const int toRank = rank + 2 * forward;
        if (!IsOnBoard(toFile, toRank) || IsOwnPiece(position, side, toFile, toRank)) break;
        const int target = position.board[toFile][toRank];
        if (!capturable(target) || target >= 14) continue;
        WritePieceMove(position, *out++, file, rank, toFile, toRank, IsPromotionZone(side, toRank) ? 1 : 0);
      }
      break;
    case PAWN: {
      const int toRank = rank + forward;
      if (IsBlockedFor(position, side, file, toRank)) break;
      const int target = position.board[file][toRank];
      if (target < 2) break;
      const bool inZone = IsPromotionZone(side, toRank);
      if ((inZone && position.AttackCount(enemy, file, toRank) == 0) || (capturable(target) && target <= 21)) {
        WritePieceMove(position, *out++, file, rank, file, toRank, inZone ? 1 : 0);
      }
      break;
    }
    default:
      break;
  }
  return static_cast<int>(out - begin);
}

int UndefendedCaptureValue(const Position& position, int id, int file, int rank) {
  return UndefendedCaptureGain(position, id, file, rank);
}
