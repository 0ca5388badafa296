// Move-ordering values and the candidate-list sort.
#include "engine/eval/move_ordering.h"

#include "engine/board/static_exchange.h"
#include "engine/eval/eval_params.h"
#include "engine/eval/evaluate_full.h"
#include "engine/eval/game_stage.h"
#include "engine/eval/piece_square_table.h"

namespace {

// The active piece-square table's entry of a type for the side; 0 for a type with no row.
int SquareValue(int type, int side, int file, int rank) {
  const int* entry = TableEntry(g_activePieceSquareTable, side, static_cast<PieceCode>(type), file, rank);
  return entry != nullptr ? *entry : 0;
}

int PieceValue(int type) { return g_activeRootEvalTables->pieceValue[type]; }

// An unpromoted rook or bishop leaving the enemy camp: its worth there is
// the threat it stands for, which no table value measures, so it counts 0.
bool LeavesEnemyCampUnpromoted(int side, int type, int fromRank) {
  return (type == ROOK || type == BISHOP) && InEnemyCamp(side, fromRank);
}

// What taking the piece gives the capturer: the piece's worth to its owner
// (by `worth`) and its value in the capturer's hand.
template <typename Worth>
int CaptureGain(const Position& position, int side, PieceCode capturedCode, Worth worth) {
  if (capturedCode == 0) return 0;
  const int capturedType = EvalTypeOf(capturedCode);
  const int baseType = BaseTypeOf(capturedCode);
  return worth(capturedType) + RootHandValue(baseType, HandCountOf(position, side, baseType));
}

// Opening value of a quiet board move: the piece-square gain, promotion and
// capture counted by plain piece values.
int OpeningGain(const Position& position, int side, const MoveRecord& move) {
  const int type = TypeOf(move.pieceCode);
  int gain = 0;
  if (!LeavesEnemyCampUnpromoted(side, type, move.fromRank)) {
    const int newType = move.promote ? type + PROMOTED_BIT : type;
    gain = SquareValue(newType, side, move.toFile, move.toRank) -
           SquareValue(type, side, move.fromFile, move.fromRank) - PieceValue(type) + PieceValue(newType);
  }
  // As in the positional gain, a capture counts even when the origin's worth is skipped.
  return gain + CaptureGain(position, side, move.capturedCode, [&](int capturedType) {
           return SquareValue(capturedType, 1 - side, move.toFile, move.toRank) + PieceValue(capturedType);
         });
}

int CandidateValue(const Position& position, const MoveRecord& move) {
  const int side = position.sideToMove;
  const GameStage stage = g_gameStage;
  const int secondWeight = (stage + 1) / 2;  // 0 in the opening, 1 later
  if (move.IsNull()) return 0;
  if (move.IsDrop()) {
    int dropValue = 0;
    const int exchange =
        ExchangeValueForEval(position, side, BaseTypeOf(move.pieceCode), move.toFile, move.toRank, &dropValue);
    return exchange + secondWeight * dropValue;
  }
  if (position.AttackCount(1 - side, move.toFile, move.toRank) > 0) {
    int firstGain = 0;
    const int capturedType = move.capturedCode != 0 ? EvalTypeOf(move.capturedCode) : 0;
    const int exchange = stage != STAGE_OPENING ? StaticExchange(position, side, capturedType, move.toFile, move.toRank,
                                                                 move.pieceId, &firstGain, 0)
                                                : StaticExchangeOpening(position, side, capturedType, move.toFile,
                                                                        move.toRank, move.pieceId, &firstGain, 0);
    return exchange + secondWeight * firstGain;
  }
  if (stage != STAGE_OPENING) {
    return 2 * MovePositionalGain(position, side, TypeOf(move.pieceCode), move.capturedCode, move.fromFile,
                                  move.fromRank, move.toFile, move.toRank, move.promote);
  }
  return OpeningGain(position, side, move);
}

}  // namespace

void ScoreCandidateMoves(const Position& position, CandidateMoveNode* first) {
  for (CandidateMoveNode* node = first; node != nullptr; node = node->next) {
    node->value = CandidateValue(position, *node->move);
  }
}

int MovePositionalGain(const Position& position, int side, int type, PieceCode capturedCode, int fromFile, int fromRank,
                       int toFile, int toRank, int promote) {
  int gain = 0;
  if (!LeavesEnemyCampUnpromoted(side, type, fromRank)) {
    const int newType = promote ? type + PROMOTED_BIT : type;
    gain = RootPieceValue(position, side, newType, toFile, toRank, true) -
           RootPieceValue(position, side, type, fromFile, fromRank, true);
  }
  return gain + CaptureGain(position, side, capturedCode, [&](int capturedType) {
           return RootPieceValue(position, 1 - side, capturedType, toFile, toRank, true);
         });
}

CandidateMoveNode* SortMoveListByValue(CandidateMoveNode* first) {
  // Insertion sort straight on the links: no array, so no length limit, and
  // a node passes earlier ones only on a strictly greater value (stable).
  CandidateMoveNode* head = nullptr;
  CandidateMoveNode* tail = nullptr;
  for (CandidateMoveNode* node = first; node != nullptr;) {
    CandidateMoveNode* following = node->next;
    CandidateMoveNode* after = tail;
    while (after != nullptr && after->value < node->value) after = after->prev;
    node->prev = after;
    node->next = after != nullptr ? after->next : head;
    if (node->next != nullptr) {
      node->next->prev = node;
    } else {
      tail = node;
    }
    if (after != nullptr) {
      after->next = node;
    } else {
      head = node;
    }
    node = following;
  }
  return head;
}
