// Calls of the king-attack generator per second over middle-game positions
// (plies 40-100 of random games), at a selective depth and at the shallow
// end, with the evaluation set up for the middle game.
#include <benchmark/benchmark.h>

#include <vector>

#include "engine/board/king_attack_generator.h"
#include "engine/board/make_move.h"
#include "engine/eval/eval_params.h"
#include "engine/eval/eval_setup.h"
#include "engine/eval/game_stage.h"
#include "engine/search/search_globals.h"
#include "support/playout.h"

namespace {

const std::vector<Position>& MiddleGamePositions() {
  static const std::vector<Position> positions = [] {
    std::vector<Position> found;
    for (uint64_t game = 0; found.size() < 400; ++game) {
      Position position{};
      SetupHandicap(position, HANDICAP_EVEN);
      InitAttackHistory();
      PlayoutEvents events;
      int ply = 0;
      PlayRandomGame(
          position, 900 + game, 100,
          [&](Position& current, const MoveRecord& move) {
            MakeMove(current, move, 0);
            ++ply;
            if (ply >= 40 && ply % 6 == 0) {
              const PieceListEntry& king = current.pieces[current.sideToMove];
              // The generator runs only when the side to move is not in check.
              if (current.AttackCount(current.sideToMove ^ 1, king.file, king.rank) == 0) found.push_back(current);
            }
            return true;
          },
          events);
    }
    InitAttackHistory();
    return found;
  }();
  return positions;
}

void RunGenerator(benchmark::State& state, int depth) {
  const std::vector<Position>& positions = MiddleGamePositions();
  const SenkeiId pair[2] = {SENKEI_UNDECIDED, SENKEI_UNDECIDED};
  g_gameStage = STAGE_MIDDLE;
  InitEvalParams(positions[0], pair);
  InitEvalTables(positions[0], g_gameStage, pair);
  ResetSearchGlobals();
  ClearAttackMoveStamps();
  static MoveCodeList done;
  done.Clear();
  static MoveRecord out[4096];
  int64_t moves = 0;
  for (auto _ : state) {
    for (const Position& position : positions) {
      ++g_searchGeneration;
      moves += GenerateKingAttackMoves(position, g_lineMoves, depth, 0, done, out);
    }
    benchmark::DoNotOptimize(out);
  }
  const double calls = static_cast<double>(positions.size());
  state.counters["calls/s"] = benchmark::Counter(calls, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["moves/call"] =
      static_cast<double>(moves) / (calls * static_cast<double>(state.iterations()));
}

void BM_KingAttackMovesDepth6(benchmark::State& state) { RunGenerator(state, 6); }
BENCHMARK(BM_KingAttackMovesDepth6)->Unit(benchmark::kMillisecond);

void BM_KingAttackMovesShallow(benchmark::State& state) { RunGenerator(state, 0); }
BENCHMARK(BM_KingAttackMovesShallow)->Unit(benchmark::kMillisecond);

}  // namespace
