// kifu moves: the engine's view of one position of a record. A think is set
// up there as the search root does, and every legal move is printed with
// its ordering value and positional gain, best first.
#include <cstdint>
#include <cstdio>
#include <string>

#include "app/ckrs_doc.h"
#include "app/clipboard.h"
#include "charset.h"
#include "cli/command.h"
#include "cli/engine_position.h"
#include "cli/read_outcome.h"
#include "cli/utf8_text.h"
#include "engine/board/engine_random.h"
#include "engine/service/game_init.h"
#include "engine/service/list_all_moves.h"
#include "engine/service/record_bridge.h"
#include "records/kifu_graph.h"

namespace {

int Fail(const std::string& message) {
  std::fprintf(stderr, "kifu: moves: %s\n", message.c_str());
  return 1;
}

}  // namespace

int RunMovesCommand(const CommandArgs& args) {
  EngineCommandArgs options;
  if (const std::string error = ParseEngineCommandArgs(args, true, options); !error.empty()) {
    return UsageError("moves: " + error);
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
  if (options.haveSeed) SetRandomSeed(options.seed);
  GameStrategies game;
  GameInit(game, STRATEGY_ANY, STRATEGY_ANY);
  const int side = position.sideToMove;
  const ThinkRequest request{side, game.allowed[side], game.current[side], 0};
  static AllMovesList list;
  if (ListAllMoves(position, request, list) != 0) {
    return Fail("the position at ply " + std::to_string(ply) + " lacks a king on the board");
  }

  std::string text = "strategy: 先手 " + std::string(g_senkeiNames[list.setup.senkei[0]]) + " (" +
                     std::to_string(list.setup.senkei[0]) + "), 後手 " + g_senkeiNames[list.setup.senkei[1]] + " (" +
                     std::to_string(list.setup.senkei[1]) + ")\n";
  text += "stage: " + std::to_string(list.setup.stage) + " " + g_gameStageNames[list.setup.stage] + "\n";
  const KifuMove previous = ply > 0 ? doc.Record().currentNode->move : KifuMove{};
  char line[160];
  for (int i = 0; i < list.count; ++i) {
    const ListedMove& listed = list.moves[i];
    std::snprintf(line, sizeof line, "%4d %-16s value %6d gain %6d\n", i + 1,
                  EngineMoveNotation(recordPosition, listed.move, previous).c_str(), listed.value, listed.gain);
    text += line;
  }
  if (const std::string error = PrintAsUtf8(text.c_str()); !error.empty()) return Fail(error);
  return ReadOutcomeStatus(options.path, report);
}
