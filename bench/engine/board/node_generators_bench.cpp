// Moves per second of the node search's staged board moves and threat
// replies over middle-game positions, with the full generator as reference.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "engine/board/board_move_generator.h"
#include "engine/board/make_move.h"
#include "engine/board/move_generators.h"
#include "engine/board/threat_responses.h"
#include "engine/eval/eval_params.h"
#include "engine/eval/eval_setup.h"
#include "engine/eval/game_stage.h"
#include "engine/search/move_code.h"
#include "engine/search/search_globals.h"
#include "support/playout.h"

namespace {

struct Node {
  Position position;
  std::vector<MoveCode> threats;  // count, then threat, reply, threat
};

// Plies 40 to 119 of 16 random games from the even start, every fifth
// position, each with a threat list of two opponent captures (or moves)
// around one reply of the side.
const std::vector<Node>& Nodes() {
  static const std::vector<Node> nodes = [] {
    std::vector<Node> built;
    for (int game = 0; game < 16; ++game) {
      Position position{};
      SetupHandicap(position, HANDICAP_EVEN);
      InitAttackHistory();
      PlayoutEvents events;
      int ply = 0;
      PlayRandomGame(position, 7700 + game, 120, [&](Position& current, const MoveRecord& move) {
        if (ply >= 40 && ply % 5 == 0) {
          Node node;
          std::memcpy(&node.position, &current, sizeof current);
          Position flipped;
          std::memcpy(&flipped, &current, sizeof current);
          flipped.sideToMove ^= 1;
          MoveRecord moves[MAX_GENERATED_MOVES];
          int theirs = 0;
          GenerateAllMoves(flipped, theirs, moves);
          std::vector<MoveCode> threats;
          for (int i = 0; i < theirs && threats.size() < 2; ++i) {
            if (moves[i].IsCapture()) threats.push_back(ToMoveCode(moves[i]));
          }
          if (threats.size() < 2 && theirs > 0) threats.push_back(ToMoveCode(moves[theirs / 2]));
          int ours = 0;
          GenerateAllMoves(current, ours, moves);
          const MoveCode reply = ours > 0 ? ToMoveCode(moves[ours / 3]) : NULL_MOVE_CODE;
          node.threats = {3, threats.empty() ? NULL_MOVE_CODE : threats[0], reply,
                          threats.size() > 1 ? threats[1] : NULL_MOVE_CODE};
          built.push_back(node);
        }
        ++ply;
        MakeMove(current, move, 0);
        return true;
      }, events);
    }
    const SenkeiId pair[2] = {SENKEI_UNDECIDED, SENKEI_UNDECIDED};
    g_gameStage = STAGE_MIDDLE;
    InitEvalParams(built.front().position, pair);
    InitEvalTables(built.front().position, g_gameStage, pair);
    return built;
  }();
  return nodes;
}

MoveRecord g_out[MAX_GENERATED_MOVES];

void BM_GenerateBoardMoves(benchmark::State& state) {
  const std::vector<Node>& nodes = Nodes();
  ResetSearchGlobals();
  g_gameStage = STAGE_MIDDLE;
  int64_t moves = 0;
  for (auto _ : state) {
    for (const Node& node : nodes) {
      ++g_nodeCount;
      moves += GenerateBoardMoves(node.position, g_lineMoves, 2, 6, g_out);
    }
    benchmark::DoNotOptimize(g_out);
  }
  state.SetItemsProcessed(moves);
}
BENCHMARK(BM_GenerateBoardMoves);

void BM_GenerateThreatResponses(benchmark::State& state) {
  const std::vector<Node>& nodes = Nodes();
  ResetSearchGlobals();
  g_gameStage = STAGE_MIDDLE;
  int64_t moves = 0;
  for (auto _ : state) {
    for (const Node& node : nodes) moves += GenerateThreatResponses(node.position, node.threats.data(), 2, 6, g_out);
    benchmark::DoNotOptimize(g_out);
  }
  state.SetItemsProcessed(moves);
}
BENCHMARK(BM_GenerateThreatResponses);

// Reference: every pseudo-legal move of the same positions.
void BM_GenerateAllMoves(benchmark::State& state) {
  const std::vector<Node>& nodes = Nodes();
  int64_t moves = 0;
  for (auto _ : state) {
    for (const Node& node : nodes) {
      int count = 0;
      GenerateAllMoves(node.position, count, g_out);
      moves += count;
    }
    benchmark::DoNotOptimize(g_out);
  }
  state.SetItemsProcessed(moves);
}
BENCHMARK(BM_GenerateAllMoves);

}  // namespace
