// kifu eval: the engine's judgement of one position of a record. A think is
// set up there as the search root does; the full evaluation's terms, the
// enemy-king and pattern terms, the blended score and the root moves ranked
// by their screening values are printed, each figure named.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "app/ckrs_doc.h"
#include "app/clipboard.h"
#include "charset.h"
#include "cli/command.h"
#include "cli/engine_position.h"
#include "cli/read_outcome.h"
#include "cli/utf8_text.h"
#include "engine/board/move_generators.h"
#include "engine/eval/evaluate_delta.h"
#include "engine/eval/score_blend.h"
#include "engine/search/node_services.h"
#include "engine/search/root_screening.h"
#include "engine/search/think_setup.h"
#include "engine/service/game_init.h"

namespace {

int Fail(const std::string& message) {
  std::fprintf(stderr, "kifu: eval: %s\n", message.c_str());
  return 1;
}

const char* SideName(int side) { return side == 0 ? "先手" : "後手"; }

std::string Row(const char* name, int first, int second) {
  char line[120];
  std::snprintf(line, sizeof line, "  %-22s %8d %8d\n", name, first, second);
  return line;
}

// The change a term made to a 16-bit word.
int WordDelta(int16_t after, int16_t before) { return static_cast<int16_t>(static_cast<uint16_t>(after - before)); }

struct RankedMove {
  MoveRecord move;
  RootScreenValue value;
};

}  // namespace

int RunEvalCommand(const CommandArgs& args) {
  EngineCommandArgs options;
  if (const std::string error = ParseEngineCommandArgs(args, false, options); !error.empty()) {
    return UsageError("eval: " + error);
  }

  Clipboard clipboard;
  CKRSDoc doc(clipboard);
  ReadReport report;
  static Position position;
  if (const std::string error = EnginePositionAtPly(options.path, options.havePly, options.ply, doc, clipboard, position, report);
      !error.empty()) {
    return Fail(error);
  }
  const int ply = doc.CurrentPly();
  const KifuPosition& recordPosition = *doc.Record().currentPosition;
  GameStrategies game;
  GameInit(game, STRATEGY_ANY, STRATEGY_ANY);
  const int side = position.sideToMove;
  const ThinkRequest request{side, game.allowed[side], game.current[side], 0};
  NodeState root;
  ThinkSetup setup;
  if (BeginThink(position, request, root, setup) != 0) {
    return Fail("the position at ply " + std::to_string(ply) + " lacks a king on the board");
  }

  std::string text = "position: ply " + std::to_string(ply) + ", " + SideName(side) + " to move\n";
  text += "strategy: 先手 " + std::string(g_senkeiNames[setup.senkei[0]]) + " (" + std::to_string(setup.senkei[0]) +
          "), 後手 " + g_senkeiNames[setup.senkei[1]] + " (" + std::to_string(setup.senkei[1]) + ")\n";
  text += "stage: " + std::to_string(setup.stage) + " " + g_gameStageNames[setup.stage] + "\n";
  EvalState& state = root.eval;
  text += "full evaluation          先手     後手\n";
  text += Row("attack", SumSideTerms(state.side[0]), SumSideTerms(state.side[1]));
  text += Row("king defence", state.defence[0].value, state.defence[1].value);
  text += Row("reserve", state.reserveValue[0], state.reserveValue[1]);
  text += Row("material", state.material[0].value, state.material[1].value);
  // The enemy-king term alone for its row; the score adds both terms to the
  // root's state as a node does, and the pattern term's rows are what it
  // added beyond the enemy-king term.
  EvalState enemyKing = state;
  EvalEnemyKingTerm(position, &enemyKing);
  text += Row("enemy-king term", enemyKing.side[0].enemyKingTerm, enemyKing.side[1].enemyKingTerm);
  // A real move led to the record's position: the side to move is in turn.
  const MoveRecord nodeMove{};
  const int score = NodeStaticScore(position, 0, nodeMove, state);
  text += "pattern term             先手     後手\n";
  text += Row("defence (tempo incl.)", WordDelta(state.defence[0].addend, enemyKing.defence[0].addend),
              WordDelta(state.defence[1].addend, enemyKing.defence[1].addend));
  text += Row("king attack", WordDelta(state.side[0].enemyKingTerm, enemyKing.side[0].enemyKingTerm),
              WordDelta(state.side[1].enemyKingTerm, enemyKing.side[1].enemyKingTerm));
  text += Row("shape", WordDelta(state.material[0].addend, enemyKing.material[0].addend),
              WordDelta(state.material[1].addend, enemyKing.material[1].addend));
  text += "blended score (" + std::string(SideName(side)) + "): " + std::to_string(score) + "\n";

  static MoveRecord moves[MAX_GENERATED_MOVES];
  int count = 0;
  MoveRecord* head = GenerateAllMoves(position, count, moves);
  head = RemoveIllegalMoves(position, head, count, -1);
  std::vector<MoveRecord> candidates;
  for (MoveRecord* move = head; move != nullptr; move = move->next) candidates.push_back(*move);
  std::vector<RootScreenValue> values(candidates.size());
  QuickEvalResult rootQuick{};
  ScreenRootMoves(position, candidates.data(), static_cast<int>(candidates.size()), &rootQuick, values.data());
  std::vector<RankedMove> ranked;
  for (size_t i = 0; i < candidates.size(); ++i) ranked.push_back({candidates[i], values[i]});
  std::stable_sort(ranked.begin(), ranked.end(),
                   [](const RankedMove& a, const RankedMove& b) { return a.value.value > b.value.value; });
  text += "quick evaluation: " + std::to_string(rootQuick.finalDifference) + "\n";
  text += "root moves by screening value (" + std::to_string(ranked.size()) + ")\n";
  const KifuMove previous = ply > 0 ? doc.Record().currentNode->move : KifuMove{};
  char line[160];
  for (size_t i = 0; i < ranked.size(); ++i) {
    const RankedMove& entry = ranked[i];
    std::snprintf(line, sizeof line, "%4zu %-16s value %6d quick %6d positional %6d\n", i + 1,
                  EngineMoveNotation(recordPosition, entry.move, previous).c_str(), entry.value.value,
                  -entry.value.quickDifference, -entry.value.positional);
    text += line;
  }
  if (const std::string error = PrintAsUtf8(text.c_str()); !error.empty()) return Fail(error);
  return ReadOutcomeStatus(options.path, report);
}
