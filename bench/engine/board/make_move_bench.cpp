// Throughput of make+unmake over the moves of deterministic random games,
// against a from-scratch RecomputeAttacks of the same positions.
#include <benchmark/benchmark.h>

#include <cstring>
#include <utility>
#include <vector>

#include "engine/board/make_move.h"
#include "engine/board/position.h"
#include "support/engine_oracle.h"
#include "support/playout.h"

namespace {

// A stretch of a game: its first position and up to 40 moves, few enough
// to nest recorded makes within the 44 history layers.
struct Line {
  Position start;
  std::vector<MoveRecord> moves;
};

// A node of a game with every pseudo-legal move there, as a search sees it.
struct Node {
  Position position;
  std::vector<MoveRecord> moves;
};

struct Corpus {
  std::vector<Line> lines;
  std::vector<Node> nodes;
};

// 24 oracle-legal random games of up to 160 plies from the even and
// handicap starts, cut into lines of 40 moves; every fourth position of
// them becomes a node with all its pseudo-legal moves.
const Corpus& TheCorpus() {
  static const Corpus corpus = [] {
    Corpus built;
    for (int game = 0; game < 24; ++game) {
      Position position;
      SetupHandicap(position, game % 8);
      Position start;
      std::memcpy(&start, &position, sizeof position);
      InitAttackHistory();
      PlayoutEvents events;
      const std::vector<MoveRecord> played = PlayRandomGame(
          position, 9000 + game, 160,
          [](Position& line, const MoveRecord& move) {
            MakeMove(line, move, 0);
            return true;
          },
          events);
      std::memcpy(&position, &start, sizeof position);
      for (size_t ply = 0; ply < played.size(); ++ply) {
        if (ply % 40 == 0) {
          built.lines.emplace_back();
          std::memcpy(&built.lines.back().start, &position, sizeof position);
        }
        built.lines.back().moves.push_back(played[ply]);
        if (ply % 4 == 0) {
          Node node;
          std::memcpy(&node.position, &position, sizeof position);
          node.moves = OracleMoves(position, MoveSet::kPseudoLegal);
          built.nodes.push_back(std::move(node));
        }
        MakeMove(position, played[ply], 0);
      }
    }
    Position reset;
    SetupHandicap(reset, HANDICAP_EVEN);
    InitAttackHistory();
    return built;
  }();
  return corpus;
}

// Plays each line of the games forward and takes it back, move by move.
void BM_MakeUnmakeGameLines(benchmark::State& state) {
  std::vector<Line> lines = TheCorpus().lines;
  const int recordFlag = static_cast<int>(state.range(0));
  InitAttackHistory();
  int64_t pairs = 0;
  for (auto _ : state) {
    for (Line& line : lines) {
      for (const MoveRecord& move : line.moves) MakeMove(line.start, move, recordFlag);
      for (size_t ply = line.moves.size(); ply > 0; --ply) UnmakeMove(line.start, line.moves[ply - 1], recordFlag);
      pairs += static_cast<int64_t>(line.moves.size());
    }
    benchmark::ClobberMemory();
  }
  state.counters["make+unmake/s"] = benchmark::Counter(static_cast<double>(pairs), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MakeUnmakeGameLines)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Makes and unmakes every pseudo-legal move of each node, as a search does.
void BM_MakeUnmakeAllMovesOfNodes(benchmark::State& state) {
  const Corpus& corpus = TheCorpus();
  const int recordFlag = static_cast<int>(state.range(0));
  std::vector<Node> nodes = corpus.nodes;
  InitAttackHistory();
  int64_t pairs = 0;
  for (auto _ : state) {
    for (Node& node : nodes) {
      for (const MoveRecord& move : node.moves) {
        MakeMove(node.position, move, recordFlag);
        UnmakeMove(node.position, move, recordFlag);
      }
      pairs += static_cast<int64_t>(node.moves.size());
    }
    benchmark::ClobberMemory();
  }
  state.counters["make+unmake/s"] = benchmark::Counter(static_cast<double>(pairs), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MakeUnmakeAllMovesOfNodes)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The from-scratch computation on the same nodes, for comparison.
void BM_RecomputeAttacks(benchmark::State& state) {
  std::vector<Node> nodes = TheCorpus().nodes;
  int64_t positions = 0;
  for (auto _ : state) {
    for (Node& node : nodes) {
      RecomputeAttacks(node.position);
      benchmark::DoNotOptimize(node.position.attacks);
    }
    positions += static_cast<int64_t>(nodes.size());
  }
  state.counters["positions/s"] = benchmark::Counter(static_cast<double>(positions), benchmark::Counter::kIsRate);
  state.counters["ns/position"] = benchmark::Counter(static_cast<double>(positions),
                                                     benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_RecomputeAttacks)->Unit(benchmark::kMillisecond);

}  // namespace
