// The root's per-think set-up, in the order the evaluation depends on:
// strategies decide the tables, the stage decides which, the parameters and
// tables must exist before the root's full evaluation reads them.
#include "engine/search/think_setup.h"

#include "engine/board/king_attack_generator.h"
#include "engine/board/make_move.h"
#include "engine/board/move_generators.h"
#include "engine/board/move_tests.h"
#include "engine/eval/eval_params.h"
#include "engine/eval/eval_setup.h"
#include "engine/eval/evaluate_full.h"
#include "engine/eval/move_ordering.h"
#include "engine/eval/piece_square_table.h"
#include "engine/eval/strategy_redecision.h"
#include "engine/search/search_globals.h"

bool HasBothKings(const Position& position) {
  return IsOnBoard(position.pieces[0].file, position.pieces[0].rank) &&
         IsOnBoard(position.pieces[1].file, position.pieces[1].rank);
}

int BeginThink(const Position& position, const ThinkRequest& request, NodeState& root, ThinkSetup& out) {
  if (!HasBothKings(position)) return -1;
  const int engineSide = request.engineSide & 1;
  out.senkei[engineSide] =
      ReconsiderStrategy(position, engineSide, request.allowed, request.current, request.preferred);
  out.senkei[1 - engineSide] = ReconsiderStrategy(position, 1 - engineSide, 0, 0, 0);
  out.stage = DetermineGameStage(position);
  PrepareThink(position, out, root);
  return 0;
}

void PrepareThink(const Position& position, const ThinkSetup& setup, NodeState& root) {
  g_gameStage = setup.stage;
  InitEvalParams(position, setup.senkei);
  InitEvalTables(position, setup.stage, setup.senkei);
  g_searchGeneration = 0;
  ClearAttackMoveStamps();
  EvaluateFull(position, &root.eval);
  InitAttackHistory();
}

MoveRecord* FilterRootList(MoveRecord* head, int& count, const MoveRecord* last, const MoveRecord* previous) {
  // A single generated move is searched whatever it undoes.
  if (count < 2) return head;
  // The filter unlinks in place, so the list is kept to be put back should
  // every move go: a root with no move to search would have no answer.
  MoveRecord* kept[MAX_GENERATED_MOVES];
  int keptCount = 0;
  for (MoveRecord* move = head; move != nullptr && keptCount < MAX_GENERATED_MOVES; move = move->next) {
    kept[keptCount++] = move;
  }
  int remaining = count;
  MoveRecord* filtered = FilterRootBackMoves(head, remaining, last, previous);
  if (filtered != nullptr && remaining > 0) {
    count = remaining;
    return filtered;
  }
  for (int i = 0; i < keptCount; ++i) {
    kept[i]->previous = i > 0 ? kept[i - 1] : nullptr;
    kept[i]->next = i + 1 < keptCount ? kept[i + 1] : nullptr;
  }
  return keptCount > 0 ? kept[0] : nullptr;
}

CandidateMoveNode* OrderRootList(const Position& position, CandidateMoveNode* first) {
  ScoreCandidateMoves(position, first);
  return SortMoveListByValue(first);
}

void EndThink(const ThinkRequest& request) { RestoreEvalTableSide(request.engineSide & 1); }
