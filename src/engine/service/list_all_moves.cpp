// The all-moves list over a private copy of the position.
#include "engine/service/list_all_moves.h"

#include <cstring>

#include "engine/board/engine_perft.h"
#include "engine/board/king_attack_generator.h"
#include "engine/eval/move_ordering.h"
#include "engine/search/move_code_list.h"

namespace {

// Every candidate the stamp table can hold, each written at most once, and
// the board moves besides.
constexpr int KING_ATTACK_ROOM = AttackMoveStamps::kCandidateCapacity + MAX_GENERATED_MOVES;

// The attacking moves the search would try first at a node of depth 1 (the
// least depth that runs the full generator rather than its shallow variant)
// reached by a null move, with nothing searched yet.
int CountKingAttackMoves(const Position& position) {
  static MoveRecord attacks[KING_ATTACK_ROOM];
  static MoveCodeList done;
  MoveRecord line[2];
  line[0].SetNull();
  line[1].SetNull();
  done.Clear();
  ClearAttackMoveStamps();
  return GenerateKingAttackMoves(position, &line[1], 1, 0, done, attacks);
}

}  // namespace

int ListAllMoves(const Position& position, const ThinkRequest& request, AllMovesList& out) {
  // The legality test makes and unmakes moves: it works on a copy.
  static Position work;
  static MoveRecord moves[MAX_GENERATED_MOVES];
  static CandidateMoveNode nodes[MAX_GENERATED_MOVES];
  static NodeState root;
  std::memcpy(&work, &position, sizeof work);
  if (BeginThink(work, request, root, out.setup) != 0) return -1;

  const int count = GenerateLegalMoves(work, moves);
  int n = 0;
  for (MoveRecord* move = count > 0 ? moves : nullptr; move != nullptr; move = move->next, ++n) {
    nodes[n] = {move, 0, {0, 0, 0}, nullptr, n > 0 ? &nodes[n - 1] : nullptr};
    if (n > 0) nodes[n - 1].next = &nodes[n];
  }
  CandidateMoveNode* first = nullptr;
  if (n > 0) {
    ScoreCandidateMoves(work, nodes);
    first = SortMoveListByValue(nodes);
  }

  out.count = 0;
  const int side = work.sideToMove;
  for (const CandidateMoveNode* node = first; node != nullptr; node = node->next) {
    ListedMove& listed = out.moves[out.count++];
    listed.move = *node->move;
    listed.move.previous = listed.move.next = nullptr;
    listed.value = node->value;
    const MoveRecord& m = *node->move;
    listed.gain = m.IsDrop() ? 0
                             : MovePositionalGain(work, side, TypeOf(m.pieceCode), m.capturedCode, m.fromFile,
                                                  m.fromRank, m.toFile, m.toRank, m.promote);
  }
  out.kingAttackCount = CountKingAttackMoves(work);
  EndThink(request);
  return 0;
}
