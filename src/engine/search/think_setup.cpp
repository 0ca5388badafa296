// The root's per-think set-up, in the order the evaluation depends on:
// strategies decide the tables, the stage decides which, the parameters and
// tables must exist before the root's full evaluation reads them.
#include "engine/search/think_setup.h"

#include "engine/board/king_attack_generator.h"
#include "engine/board/make_move.h"
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
  // The filtered list serves the root's mate checks only (the search keeps
  // every move), so a list that loses every move is no fault: none of them
  // is checked for mate.
  return FilterRootBackMoves(head, count, last, previous);
}

CandidateMoveNode* OrderRootList(const Position& position, CandidateMoveNode* first) {
  ScoreCandidateMoves(position, first);
  return SortMoveListByValue(first);
}

void EndThink(const ThinkRequest& request) { RestoreEvalTableSide(request.engineSide & 1); }
