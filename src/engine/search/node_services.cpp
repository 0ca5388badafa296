// The node services: each reads the line records of the search globals and
// changes only what its header names.
#include "engine/search/node_services.h"

#include "engine/board/move_tests.h"
#include "engine/eval/evaluate_delta.h"
#include "engine/eval/pattern_eval.h"
#include "engine/eval/score_blend.h"
#include "engine/search/search_globals.h"

namespace {

// Whether the line holds the record `back` plies before the node's move. The
// store keeps one record before ply 0 (the game's move before the root's),
// so a line is too short for it below ply back - 1: the two-ply key reads
// from ply 0 on, the four-ply key (three back) from ply 2 on; at ply 1 its
// first move would lie before the store.
bool LineReaches(int back) { return g_ply - back >= -1 && g_ply < MAX_LINE_PLY; }

// A silver that stepped straight forward onto the middle rank, or onto the
// rank before it as its owner sees it (rank 4 for side 0, 6 for side 1),
// taking nothing or a plain pawn. A promoting silver lands as a promoted one.
bool AdvancesSilver(const MoveRecord& move) {
  if (move.IsNull() || move.IsDrop() || move.promote != 0 || TypeOf(move.pieceCode) != SILVER) return false;
  const int side = OwnerOf(move.pieceCode);
  if (move.toFile != move.fromFile || move.toRank != move.fromRank + SideSign(side)) return false;
  if (move.toRank != 5 && RelativeRank(side, move.toRank) != 4) return false;
  return !move.IsCapture() || TypeOf(move.capturedCode) == PAWN;
}

// The two per-node terms, once per node: a state holding both already has them.
void AddNodeTerms(const Position& position, int advancedSilverSquare, const MoveRecord& nodeMove, EvalState& state) {
  constexpr uint32_t both = EVAL_FLAG_ENEMY_KING_TERM | EVAL_FLAG_PATTERN_TERM;
  if ((state.flags & both) == both) return;
  EvalEnemyKingTerm(position, &state);
  EvalPatternTerm(position, advancedSilverSquare, &nodeMove, &state);
}

}  // namespace

int AdvancedSilverSquare() {
  if (!LineReaches(0)) return 0;
  const MoveRecord* move = &g_lineMoves[g_ply];
  if (move->IsNull()) {
    if (!LineReaches(1)) return 0;
    move = &g_lineMoves[g_ply - 1];
  }
  return AdvancesSilver(*move) ? 16 * move->toFile + move->toRank : 0;
}

uint32_t SetNodeFollowUpKey(const Position& position, int depth) {
  uint32_t key = 0;
  if (LineReaches(1)) {
    key = RecaptureKeyLines(position, g_lineMoves[g_ply - 1], g_lineMoves[g_ply], depth);
  }
  if (key == 0 && LineReaches(3)) {
    key = RecaptureKey3(g_lineMoves[g_ply - 3], g_lineMoves[g_ply - 2], g_lineMoves[g_ply]);
  }
  g_forcingMoveFilter = key;
  return key;
}

int NodeStaticScore(const Position& position, int advancedSilverSquare, const MoveRecord& nodeMove, EvalState& state) {
  AddNodeTerms(position, advancedSilverSquare, nodeMove, state);
  return BlendScore(state, position.sideToMove);
}

int NodeStaticScoreTokinAware(const Position& position, int advancedSilverSquare, const MoveRecord& nodeMove,
                              EvalState& state) {
  AddNodeTerms(position, advancedSilverSquare, nodeMove, state);
  return BlendScoreTokinAware(state, position, position.sideToMove);
}

bool MakeNullMove(Position& position, PositionKey& key, int handSide, NullMoveUndo& undo) {
  if (g_ply < -1 || g_ply + 1 >= MAX_LINE_PLY) return false;
  // No MakeMove: nothing moves, so the attack records and the history stay.
  MoveRecord nullMove{};
  nullMove.SetNull();
  position.sideToMove ^= 1;
  UpdatePositionKey(key, handSide, nullMove);
  ++g_ply;
  undo.lineRecord = g_lineMoves[g_ply];
  g_lineMoves[g_ply] = nullMove;
  return true;
}

void UnmakeNullMove(Position& position, PositionKey& key, int handSide, const NullMoveUndo& undo) {
  g_lineMoves[g_ply] = undo.lineRecord;
  --g_ply;
  // The null move only toggles the side bit, so a second one undoes it.
  MoveRecord nullMove{};
  nullMove.SetNull();
  UpdatePositionKey(key, handSide, nullMove);
  position.sideToMove ^= 1;
}

bool CanMakeRecordedMove() { return g_attackHistoryDepth >= 0 && g_attackHistoryDepth < ATTACK_HISTORY_LAYERS; }

const AttackChangeRecord* LastRecordedMoveList() {
  if (g_attackHistoryDepth < 0 || g_attackHistoryDepth > ATTACK_HISTORY_LAYERS) return nullptr;
  return g_attackHistoryLists[g_attackHistoryDepth];
}
