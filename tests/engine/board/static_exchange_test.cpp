// Static exchange evaluation against a brute-force minimax of the capture
// sequence over random positions (attackers from the oracle's own attack
// records, pins found from the pinning sliders' side, values read from the
// root tables by the test's own indexing), and the empty-hand drop.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "engine/board/make_move.h"
#include "engine/board/static_exchange.h"
#include "engine/eval/eval_params.h"
#include "engine/eval/eval_setup.h"
#include "engine/eval/piece_square_table.h"
#include "support/engine_oracle.h"
#include "support/generator_checks.h"
#include "support/playout.h"
#include "support/position_builder.h"

namespace {

constexpr int KING_TAKEN = 1000000;

// The worth of a piece from the root tables: square value plus the piece
// value, or the larger king-relative block entry for the rows that have one
// (gold-like 0, silver 1, knight 2, lance 3, pawn 4, horse 5).
int Value(const Position& position, int side, int type, int file, int rank, bool kingRelative) {
  const int row = g_pieceSquareRow[type];
  const int square = row < 0 ? 0 : g_activePieceSquareTable->value[row + 9 * side][9 * (file - 1) + rank - 1];
  const int kingRow = type == HORSE ? 5 : type >= PRO_SILVER ? 0 : (type >= GOLD && type <= PAWN) ? type - GOLD : -1;
  if (!kingRelative || kingRow < 0) return square + g_rootEvalTables.pieceValue[type];
  const PieceListEntry& own = position.pieces[side];
  const PieceListEntry& enemy = position.pieces[1 - side];
  const int (&blocks)[24][17][9] = g_rootEvalTables.kingBlock;
  return square + std::max(blocks[kingRow + 6 * side][rank - own.rank + 8][std::abs(file - own.file)],
                           blocks[kingRow + 6 * side + 12][enemy.rank - rank + 8][std::abs(file - enemy.file)]);
}

// Pinned: some enemy slider's ray meets this piece first and the own king
// right behind it, and the target is off that ray's line.
bool Pinned(const Position& position, int side, int id, int targetFile, int targetRank) {
  if (id == side) return false;
  const PieceListEntry& piece = position.pieces[id];
  for (int enemyId = 0; enemyId < PIECE_COUNT; ++enemyId) {
    const PieceListEntry& slider = position.pieces[enemyId];
    if (slider.file < 1 || !IsOwnedBy(slider.code, 1 - side)) continue;
    std::vector<std::pair<int, int>> rays;
    const int type = TypeOf(slider.code);
    if (type == ROOK || type == DRAGON) rays = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
    if (type == BISHOP || type == HORSE) rays = {{1, 1}, {1, -1}, {-1, 1}, {-1, -1}};
    if (type == LANCE) rays = {{0, SideSign(1 - side)}};
    for (const auto& [df, dr] : rays) {
      int file = slider.file + df, rank = slider.rank + dr;
      while (IsOnBoard(file, rank) && position.IsEmpty(file, rank)) file += df, rank += dr;
      if (file != piece.file || rank != piece.rank) continue;
      do file += df, rank += dr;
      while (IsOnBoard(file, rank) && position.IsEmpty(file, rank));
      if (!IsOnBoard(file, rank) || position.PieceIdAt(file, rank) != side) continue;
      if ((targetFile - slider.file) * dr != (targetRank - slider.rank) * df) return true;
    }
  }
  return false;
}

std::vector<int> Descending(uint64_t set) {
  std::vector<int> ids;
  for (int id = 63; id >= 0; --id)
    if ((set >> id) & 1) ids.push_back(id);
  return ids;
}
uint64_t Direct(const SquareAttackRecord& record, int side) {
  return (uint64_t{record.directSet[side].high} << 32) | record.directSet[side].low;
}

constexpr int kForced = 3 * KING_TAKEN;  // stop value of s's first capture, which must be made

// The capture sequence as a game tree: lists and hands travel by value.
struct ExchangeOracle {
  const Position& position;
  int s, file, rank, margin;
  bool kingRelative;
  int* firstEntry;
  struct State {
    std::vector<int> direct[2], xray[2];
    size_t next[2] = {0, 0}, nextXray[2] = {0, 0};
    bool skipped[2] = {false, false};
    int held[2][8];
  };

  int Next(State& state, int side) const {
    while (state.next[side] < state.direct[side].size()) {
      const int id = state.direct[side][state.next[side]++];
      if (!Pinned(position, side, id, file, rank)) return id;
      state.skipped[side] = true;
    }
    while (!state.skipped[side] && state.nextXray[side] < state.xray[side].size()) {
      const int id = state.xray[side][state.nextXray[side]++];
      if (!Pinned(position, side, id, file, rank)) return id;
    }
    return -1;
  }

  // `mover` may take the piece of type onTarget (balance: s's material so
  // far without it) or stop at stopValue; the value of best play.
  int Best(State state, int mover, int onTarget, int balance, int stopValue) const {
    const int id = Next(state, mover);
    if (id < 0) return stopValue;
    const int sign = mover == s ? 1 : -1;
    int reply = sign * KING_TAKEN;
    if (onTarget != KING) {
      const PieceListEntry& piece = position.pieces[id];
      const int type = TypeOf(piece.code);
      const bool promotes = !IsPromoted(piece.code) && type != GOLD && type != KING &&
                            (IsPromotionZone(mover, piece.rank) || IsPromotionZone(mover, rank));
      const int landed = promotes ? type + 16 : type;
      if (onTarget != 0) balance += sign * g_rootEvalTables.handValue[(onTarget & 15) - 1][state.held[mover][(onTarget & 15) - 1]++];
      balance -= sign * Value(position, mover, type, piece.file, piece.rank, kingRelative);
      const int entry = balance + sign * Value(position, mover, landed, file, rank, kingRelative);
      if (stopValue == kForced) *firstEntry = entry;
      // The other side may stop here: s's entries count less the margin, the other's plus it.
      reply = Best(state, 1 - mover, landed, balance, entry - sign * margin);
    }
    if (stopValue == kForced) return reply;
    return mover == s ? std::max(stopValue, reply) : std::min(stopValue, reply);
  }
};

// Attackers from the oracle's own recount of the attack records.
int OracleExchange(const Position& position, int s, int capturedType, int file, int rank, int first, int* firstGain,
                   int margin, bool kingRelative) {
  Position fresh = position;
  OracleRecount(fresh);
  const SquareAttackRecord& record = *fresh.SquareRecord(file, rank);
  ExchangeOracle::State state;
  for (int side = 0; side < 2; ++side) {
    state.direct[side] = Descending(Direct(record, side) & ~(side == s ? uint64_t{1} << first : 0));
    state.xray[side] = Descending(record.xraySet[side]);
    for (int kind = 0; kind < 8; ++kind) state.held[side][kind] = position.hand[side][kind];
  }
  state.direct[s].insert(state.direct[s].begin(), first);
  *firstGain = KING_TAKEN;  // stays when s's first capture takes the king
  ExchangeOracle oracle{position, s, file, rank, margin, kingRelative, firstGain};
  const int start = capturedType != 0 ? Value(position, 1 - s, capturedType, file, rank, kingRelative) : 0;
  const int value = oracle.Best(state, s, capturedType, start, kForced);
  // No capture left for s at all: the capture would lose the king.
  return value == kForced ? (*firstGain = -KING_TAKEN) : value;
}

TEST(StaticExchange, MatchesTheMinimaxOfTheCaptureSequenceOverRandomPositions) {
  const int games = SampleCount(40);
  const SenkeiId ids[] = {SENKEI_UNDECIDED, SENKEI_I_YAGURA, SENKEI_SHIKEN_MINO, SENKEI_HIDARI_MINO, SENKEI_IBI_ANAGUMA};
  int compared = 0, found = 0;
  for (int game = 0; game < games; ++game) {
    Position position = StartPosition(game % 3 == 0 ? HANDICAP_EVEN : game % 8);
    PlayoutEvents events;
    int ply = 0;
    PlayRandomGame(position, 3300 + game, 140, [&](Position& current, const MoveRecord& move) {
      MakeMove(current, move, 0);
      if (++ply % 15 != 5) return true;
      const SenkeiId pair[2] = {ids[game % 5], ids[(game / 5) % 5]};
      const GameStage stage = static_cast<GameStage>((game + ply) % 3);
      const bool later = stage != STAGE_OPENING;
      g_gameStage = stage;
      InitEvalParams(current, pair);
      InitEvalTables(current, stage, pair);
      const int side = current.sideToMove;
      int best = 0;
      for (int file = 1; file <= 9; ++file)
        for (int rank = 1; rank <= 9; ++rank) {
          const PieceCode target = current.PieceCodeAt(file, rank);
          if (IsOwnedBy(target, side)) continue;
          const SquareAttackRecord& record = *current.SquareRecord(file, rank);
          for (int first : Descending(Direct(record, side))) {
            for (const int margin : {0, 30})
              for (const bool kingRelative : {false, true}) {
                int gain = 0, oracleGain = 0;
                const auto exchange = kingRelative ? StaticExchange : StaticExchangeOpening;
                EXPECT_EQ(exchange(current, side, TypeOf(target), file, rank, first, &gain, margin),
                          OracleExchange(current, side, TypeOf(target), file, rank, first, &oracleGain, margin, kingRelative));
                EXPECT_EQ(gain, oracleGain);
                ++compared;
              }
            int gain = 0;
            if (target != 0 && !Pinned(current, side, first, file, rank))
              best = std::max(best, OracleExchange(current, side, TypeOf(target), file, rank, first, &gain, 0, later));
          }
          // Drops of every kind the side holds, less what the enemy's cheapest attacker wins.
          for (int type = ROOK; type <= PAWN && target == 0; ++type) {
            const int held = current.hand[side][type - 1];
            if (held == 0) continue;
            int drop = 0, gain = 0;
            const int value = ExchangeValueForEval(current, side, type, file, rank, &drop);
            int expected = Value(current, side, type, file, rank, later) - g_rootEvalTables.handValue[type - 1][held - 1];
            if (type <= BISHOP && IsPromotionZone(side, rank)) expected = 0;
            EXPECT_EQ(drop, expected);
            const std::vector<int> enemies = Descending(Direct(record, 1 - side));
            if (!enemies.empty())
              expected -= std::max(0, OracleExchange(current, 1 - side, type, file, rank, enemies[0], &gain, 0, later));
            EXPECT_EQ(value, expected);
          }
        }
      MoveRecord capture{};
      EXPECT_EQ(FindBestCapture(current, capture), best > 0 ? 1 : 0);
      if (best > 0) {
        int gain = 0;
        found += 1;
        EXPECT_TRUE(IsOwnedBy(capture.capturedCode, 1 - side) && current.PieceIdAt(capture.fromFile, capture.fromRank) == capture.pieceId);
        EXPECT_EQ(StaticExchangeForStage(current, side, TypeOf(capture.capturedCode), capture.toFile, capture.toRank,
                                         capture.pieceId, &gain, 0), best);
      }
      return !HasFailure();
    }, events);
  }
  EXPECT_GT(compared, games * 50);
  EXPECT_GT(found, games);
}

// No gold in hand: the drop gives up the first hand value, never a slot
// before the table. A second-line attacker alone (the lance's direct attack
// taken out of the record) opens no exchange.
TEST(StaticExchange, DropValuesWithNothingInHandAndOnlyASecondLineAttacker) {
  Position position = BuildPosition(0, {{0, KING, 5, 9}, {1, KING, 9, 1}, {1, ROOK, 5, 1}, {1, LANCE, 5, 2}});
  SetUpUndecidedThink(position, STAGE_MIDDLE);
  SquareAttackRecord& record = *position.SquareRecord(5, 5);
  ASSERT_TRUE(record.directCount[1] == 1 && record.xraySet[1] != 0);
  record.directCount[1] = 0;
  record.directSet[1] = {0, 0};
  int drop = 0;
  const int expected = Value(position, 0, GOLD, 5, 5, true) - g_rootEvalTables.handValue[GOLD - 1][0];
  EXPECT_EQ(ExchangeValueForEval(position, 0, GOLD, 5, 5, &drop), expected);
  EXPECT_EQ(drop, expected);
}

}  // namespace
