// Generator checks: random positions come from the oracle's playouts, and
// every judgement of a move is the oracle's own.
#include "support/generator_checks.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "engine/board/make_move.h"
#include "engine/eval/eval_params.h"
#include "engine/eval/eval_setup.h"
#include "engine/eval/game_stage.h"
#include "engine/search/search_globals.h"
#include "support/engine_oracle.h"
#include "support/make_unmake_checks.h"
#include "support/playout.h"
#include "support/position_builder.h"

void ForEachSamplePosition(int count, uint64_t seed, const std::function<void(Position&)>& visit) {
  int visited = 0;
  for (int game = 0; visited < count; ++game) {
    Position position{};
    SetupHandicap(position, game % 8);
    InitAttackHistory();
    PlayoutEvents events;
    PlayRandomGame(
        position, seed + static_cast<uint64_t>(game), 240,
        [&](Position& current, const MoveRecord& move) {
          // The game's makes are never taken back; each visit starts at depth 0.
          const int depth = g_attackHistoryDepth;
          g_attackHistoryDepth = 0;
          visit(current);
          g_attackHistoryDepth = depth;
          ++visited;
          MakeMove(current, move, 0);
          return visited < count;
        },
        events);
  }
  Position reset{};
  SetupHandicap(reset, HANDICAP_EVEN);
  InitAttackHistory();
}

void ForEachPositionInCheck(int count, uint64_t seed, const std::function<void(Position&)>& visit) {
  int visited = 0;
  static Position inCheck;
  ForEachSamplePosition(count * 4, seed, [&](Position& position) {
    if (visited >= count) return;
    const int side = position.sideToMove;
    for (const MoveRecord& move : OracleMoves(position)) {
      if (visited >= count) return;
      MakeMove(position, move, 0);
      const PieceListEntry& king = position.pieces[side ^ 1];
      const bool checks = position.AttackCount(side, king.file, king.rank) > 0;
      UnmakeMove(position, move, 0);
      if (!checks) continue;
      OracleApplyMove(position, move, inCheck);
      visit(inCheck);
      ++visited;
    }
  });
}

void ForEachAttackScenario(int count, uint64_t seed, const std::function<void(Position&, int sample)>& visit) {
  PlayoutRandom random{seed};
  int sample = 0;
  ForEachSamplePosition(count, seed, [&](Position& position) {
    const std::vector<MoveRecord> own = OracleMoves(position);
    if (own.empty()) return;
    const MoveRecord first = own[static_cast<size_t>(random.Below(static_cast<int>(own.size())))];
    MakeMove(position, first, 1);
    const std::vector<MoveRecord> replies = OracleMoves(position);
    if (!replies.empty()) {
      const MoveRecord reply = replies[static_cast<size_t>(random.Below(static_cast<int>(replies.size())))];
      MakeMove(position, reply, 1);
      if (!OracleInCheck(position, position.sideToMove)) {
        g_lineMoves[0] = first;
        g_lineMoves[1] = reply;
        g_ply = 1;
        visit(position, sample++);
      }
      UnmakeMove(position, reply, 1);
    }
    UnmakeMove(position, first, 1);
  });
  ResetSearchGlobals();
}

MoveKey KeyOf(const MoveRecord& move) {
  return {move.fromFile, move.fromRank, move.toFile, move.toRank, move.pieceId, move.capturedId, move.pieceCode,
          move.IsCapture() ? move.capturedCode : 0, move.promote};
}

std::vector<MoveKey> SortedKeys(const std::vector<MoveRecord>& moves) {
  std::vector<MoveKey> keys;
  keys.reserve(moves.size());
  for (const MoveRecord& move : moves) keys.push_back(KeyOf(move));
  std::sort(keys.begin(), keys.end());
  return keys;
}

::testing::AssertionResult RunsCleanly(Position& position, const std::function<int(MoveRecord*)>& generate,
                                       std::vector<MoveRecord>& moves) {
  constexpr int kRoom = 1200;
  static MoveRecord buffer[kRoom];
  std::memset(buffer, 0xa5, sizeof buffer);
  MoveRecord canary;
  std::memset(&canary, 0xa5, sizeof canary);
  static Position before;
  std::memcpy(&before, &position, sizeof before);
  static AttackHistory history;
  std::memcpy(&history, &g_attackHistory, sizeof history);
  const int depth = g_attackHistoryDepth;
  const int count = generate(buffer);
  if (count < 0 || count > kRoom - 1) return ::testing::AssertionFailure() << "count " << count;
  if (std::memcmp(&before, &position, sizeof before) != 0)
    return ::testing::AssertionFailure() << "the generator changed the position";
  if (std::memcmp(&history, &g_attackHistory, sizeof history) != 0 || depth != g_attackHistoryDepth)
    return ::testing::AssertionFailure() << "the generator changed the attack history";
  for (int n = count; n < kRoom; ++n)
    if (std::memcmp(&buffer[n], &canary, sizeof canary) != 0)
      return ::testing::AssertionFailure() << "record " << n << " written past the count " << count;
  moves.assign(buffer, buffer + count);
  for (const MoveRecord& move : moves) {
    MakeMove(position, move, 0);
    UnmakeMove(position, move, 0);
    const ::testing::AssertionResult same = EquivalentPositions(position, before);
    if (!same) return ::testing::AssertionFailure() << DescribeMove(move) << ": " << same.message();
  }
  return ::testing::AssertionSuccess();
}

bool OracleIsMated(const Position& position) {
  return OracleInCheck(position, position.sideToMove) && OracleMoves(position).empty();
}

void SetUpUndecidedThink(const Position& position, int stage) {
  const SenkeiId pair[2] = {SENKEI_UNDECIDED, SENKEI_UNDECIDED};
  g_gameStage = static_cast<GameStage>(stage);
  InitEvalParams(position, pair);
  InitEvalTables(position, g_gameStage, pair);
}

void SetChangedSquares(const std::vector<std::pair<int, int>>& squares) {
  InitAttackHistory();
  g_attackHistoryDepth = 1;
  AttackChangeRecord* previous = nullptr;
  for (const auto& [file, rank] : squares) {
    AttackChangeRecord* record = &g_attackHistory.At(0, file, rank);
    record->previous = previous;
    record->next = nullptr;
    (previous ? previous->next : g_attackHistoryLists[1]) = record;
    previous = record;
  }
}
