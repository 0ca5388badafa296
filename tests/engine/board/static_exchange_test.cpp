// Static exchange evaluation against a brute-force minimax of the capture
// sequence over random positions (attackers from the oracle's own attack
// records, pins found from the pinning sliders' side, values read from the
// root tables by the test's own indexing), and the named cases.
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
#include "support/playout.h"
#include "support/position_builder.h"

namespace {

constexpr int KING_TAKEN = 1000000;

// Row of the king-relative blocks by type: gold-like 0, silver 1, knight 2,
// lance 3, pawn 4, horse 5.
int KingRow(int type) {
  switch (type) {
    case GOLD: case PRO_SILVER: case PRO_KNIGHT: case PRO_LANCE: case TOKIN: return 0;
    case SILVER: return 1;
    case KNIGHT: return 2;
    case LANCE: return 3;
    case PAWN: return 4;
    case HORSE: return 5;
    default: return -1;
  }
}

int Value(const Position& position, int side, int type, int file, int rank, bool kingRelative) {
  const int row = g_pieceSquareRow[type];
  const int square = row < 0 ? 0 : g_activePieceSquareTable->value[row + 9 * side][9 * (file - 1) + rank - 1];
  const int kingRow = KingRow(type);
  if (!kingRelative || kingRow < 0) return square + g_rootEvalTables.pieceValue[type];
  const PieceListEntry& own = position.pieces[side];
  const PieceListEntry& enemy = position.pieces[1 - side];
  const int nearOwn = g_rootEvalTables.kingBlock[kingRow + 6 * side][rank - own.rank + 8][std::abs(file - own.file)];
  const int nearEnemy =
      g_rootEvalTables.kingBlock[kingRow + 6 * side + 12][enemy.rank - rank + 8][std::abs(file - enemy.file)];
  return square + std::max(nearOwn, nearEnemy);
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

struct Candidates {
  std::vector<int> direct, xray;
  size_t nextDirect = 0, nextXray = 0;
  bool skipped = false;
};

std::vector<int> Descending(uint64_t set) {
  std::vector<int> ids;
  for (int id = 63; id >= 0; --id)
    if ((set >> id) & 1) ids.push_back(id);
  return ids;
}

struct Exchange {
  const Position& position;
  int s, file, rank, margin;
  bool kingRelative;

  int Next(Candidates& list, int side) const {
    while (list.nextDirect < list.direct.size()) {
      const int id = list.direct[list.nextDirect++];
      if (!Pinned(position, side, id, file, rank)) return id;
      list.skipped = true;
    }
    while (!list.skipped && list.nextXray < list.xray.size()) {
      const int id = list.xray[list.nextXray++];
      if (!Pinned(position, side, id, file, rank)) return id;
    }
    return -1;
  }

  // `mover` may capture the piece of type onTarget on the target, with
  // `balance` the material of s so far not counting that piece, or stop at
  // `stopValue` (kForced: s's first capture, which must be made); returns
  // the value both sides reach playing best.
  int Best(const Candidates lists[2], const int held[2][8], int mover, int onTarget, int balance,
           int stopValue) const {
    Candidates next[2] = {lists[0], lists[1]};
    const int id = Next(next[mover], mover);
    if (id < 0) return stopValue;
    const int sign = mover == s ? 1 : -1;
    int reply;
    if (onTarget == KING) {
      reply = sign * KING_TAKEN;
    } else {
      const PieceListEntry& piece = position.pieces[id];
      const int type = TypeOf(piece.code);
      const bool promotes = !IsPromoted(piece.code) && type != GOLD && type != KING &&
                            (IsPromotionZone(mover, piece.rank) || IsPromotionZone(mover, rank));
      const int landed = promotes ? type + 16 : type;
      int heldAfter[2][8];
      std::copy(&held[0][0], &held[0][0] + 16, &heldAfter[0][0]);
      if (onTarget != 0) {
        const int base = onTarget & 0x0f;
        balance += sign * g_rootEvalTables.handValue[base - 1][heldAfter[mover][base - 1]++];
      }
      balance -= sign * Value(position, mover, type, piece.file, piece.rank, kingRelative);
      const int entry = balance + sign * Value(position, mover, landed, file, rank, kingRelative);
      if (*firstEntry == kNoEntry) *firstEntry = entry;
      // The other side may stop right here: s's entries count less the
      // margin, the other side's plus it.
      reply = Best(next, heldAfter, 1 - mover, landed, balance, entry - sign * margin);
    }
    if (stopValue == kForced) return reply;
    return mover == s ? std::max(stopValue, reply) : std::min(stopValue, reply);
  }

  static constexpr int kNoEntry = -2 * KING_TAKEN, kForced = 3 * KING_TAKEN;
  int* firstEntry = nullptr;

  int Run(int capturedType, int firstCapturer, int* firstGain) {
    const Position fresh = [&] {
      Position copy = position;
      OracleRecount(copy);
      return copy;
    }();
    const SquareAttackRecord& record = *fresh.SquareRecord(file, rank);
    Candidates lists[2];
    for (int side = 0; side < 2; ++side) {
      const uint64_t direct = (uint64_t{record.directSet[side].high} << 32) | record.directSet[side].low;
      lists[side].direct = Descending(direct);
      lists[side].xray = Descending(record.xraySet[side]);
    }
    auto& own = lists[s].direct;
    own.erase(std::find(own.begin(), own.end(), firstCapturer));
    own.insert(own.begin(), firstCapturer);
    int held[2][8];
    for (int side = 0; side < 2; ++side)
      for (int kind = 0; kind < 8; ++kind) held[side][kind] = position.hand[side][kind];
    *firstGain = kNoEntry;
    firstEntry = firstGain;
    const int start = capturedType != 0 ? Value(position, 1 - s, capturedType, file, rank, kingRelative) : 0;
    const int value = Best(lists, held, s, capturedType, start, kForced);
    // With no capture left for s at all the capture would lose the king.
    if (value == kForced) return *firstGain = -KING_TAKEN;
    if (*firstGain == kNoEntry) *firstGain = value;  // s's first capture took the king
    return value;
  }
};

int OracleExchange(const Position& position, int side, int capturedType, int file, int rank, int first,
                   int* firstGain, int margin, bool kingRelative) {
  Exchange exchange{position, side, file, rank, margin, kingRelative};
  return exchange.Run(capturedType, first, firstGain);
}

Position RandomGamePosition(int game, int ply) {
  Position position{};
  SetupHandicap(position, game % 3 == 0 ? HANDICAP_EVEN : game % 8);
  PlayoutEvents events;
  PlayRandomGame(position, 3300 + game, ply, [](Position& current, const MoveRecord& move) {
    MakeMove(current, move, 0);
    return true;
  }, events);
  return position;
}

TEST(StaticExchange, MatchesTheMinimaxOfTheCaptureSequenceOverRandomPositions) {
#ifdef KIFU_SANITIZED
  constexpr int games = 6;
#else
  constexpr int games = 40;
#endif
  const SenkeiId ids[] = {SENKEI_UNDECIDED, SENKEI_I_YAGURA, SENKEI_SHIKEN_MINO, SENKEI_HIDARI_MINO, SENKEI_IBI_ANAGUMA};
  int compared = 0, found = 0;
  for (int game = 0; game < games; ++game) {
    for (int ply = 20; ply <= 140; ply += 15) {
      const Position position = RandomGamePosition(game, ply);
      const SenkeiId pair[2] = {ids[game % 5], ids[(game / 5) % 5]};
      const GameStage stage = static_cast<GameStage>((game + ply) % 3);
      g_gameStage = stage;
      InitEvalParams(position, pair);
      InitEvalTables(position, stage, pair);
      const int side = position.sideToMove;
      int bestOracle = 0;
      for (int file = 1; file <= 9; ++file)
        for (int rank = 1; rank <= 9; ++rank) {
          const PieceCode target = position.PieceCodeAt(file, rank);
          if (IsOwnedBy(target, side)) continue;
          const SquareAttackRecord& record = *position.SquareRecord(file, rank);
          for (int first : Descending((uint64_t{record.directSet[side].high} << 32) | record.directSet[side].low)) {
            for (const int margin : {0, 30}) {
              int gain = 0, oracleGain = 0;
              const int value =
                  StaticExchange(position, side, TypeOf(target), file, rank, first, &gain, margin);
              const int opening =
                  StaticExchangeOpening(position, side, TypeOf(target), file, rank, first, &gain, margin);
              const int expected =
                  OracleExchange(position, side, TypeOf(target), file, rank, first, &oracleGain, margin, true);
              ASSERT_EQ(value, expected) << "game " << game << " ply " << ply << " at " << file << rank;
              ASSERT_EQ(opening,
                        OracleExchange(position, side, TypeOf(target), file, rank, first, &oracleGain, margin, false));
              ASSERT_EQ(gain, oracleGain);
              ++compared;
            }
            if (target != 0 && !Pinned(position, side, first, file, rank)) {
              int gain = 0;
              bestOracle = std::max(bestOracle, OracleExchange(position, side, TypeOf(target), file, rank, first,
                                                               &gain, 0, stage != STAGE_OPENING));
            }
          }
          // Drops of every kind the side holds on an empty square.
          if (target != 0) continue;
          for (int type = ROOK; type <= PAWN; ++type) {
            const int held = position.hand[side][type - 1];
            if (held == 0) continue;
            int drop = 0;
            const int value = ExchangeValueForEval(position, side, type, file, rank, &drop);
            int expected = Value(position, side, type, file, rank, stage != STAGE_OPENING) -
                           g_rootEvalTables.handValue[type - 1][held - 1];
            if (type <= BISHOP && IsPromotionZone(side, rank)) expected = 0;
            ASSERT_EQ(drop, expected);
            const std::vector<int> enemies =
                Descending((uint64_t{record.directSet[1 - side].high} << 32) | record.directSet[1 - side].low);
            if (!enemies.empty()) {
              int gain = 0;
              expected -= std::max(0, OracleExchange(position, 1 - side, type, file, rank, enemies[0], &gain, 0,
                                                     stage != STAGE_OPENING));
            }
            ASSERT_EQ(value, expected);
          }
        }
      MoveRecord best{};
      const int result = FindBestCapture(position, best);
      ASSERT_EQ(result, bestOracle > 0 ? 1 : 0);
      if (result == 1) {
        ++found;
        int gain = 0;
        ASSERT_TRUE(IsOwnedBy(best.capturedCode, 1 - side));
        ASSERT_EQ(position.PieceIdAt(best.fromFile, best.fromRank), best.pieceId);
        ASSERT_EQ(StaticExchangeForStage(position, side, TypeOf(best.capturedCode), best.toFile, best.toRank,
                                         best.pieceId, &gain, 0),
                  bestOracle);
      }
    }
  }
  EXPECT_GT(compared, games * 50);
  EXPECT_GT(found, games);
}

class NamedExchanges : public ::testing::Test {
 protected:
  // Root tables of the middle game and the opening for a set-up position.
  void Tables(const Position& position, GameStage stage) {
    g_gameStage = stage;
    InitEvalParams(position, pair_);
    InitEvalTables(position, stage, pair_);
  }
  SenkeiId pair_[2] = {SENKEI_UNDECIDED, SENKEI_UNDECIDED};
};

TEST_F(NamedExchanges, PawnTakesAnUndefendedGold) {
  const Position position = BuildPosition(0, {{0, KING, 9, 9}, {1, KING, 1, 1}, {0, PAWN, 5, 5}, {1, GOLD, 5, 4}});
  Tables(position, STAGE_OPENING);
  const int pawn = position.PieceIdAt(5, 5);
  int gain = 0;
  const int value = StaticExchangeOpening(position, 0, GOLD, 5, 4, pawn, &gain, 0);
  const int expected = Value(position, 1, GOLD, 5, 4, false) + g_rootEvalTables.handValue[GOLD - 1][0] -
                       Value(position, 0, PAWN, 5, 5, false) + Value(position, 0, PAWN, 5, 4, false);
  EXPECT_EQ(value, expected);
  EXPECT_EQ(gain, expected);
}

TEST_F(NamedExchanges, RookTakesADefendedPawnAndLoses) {
  const Position position = BuildPosition(
      0, {{0, KING, 1, 9}, {1, KING, 9, 1}, {0, ROOK, 5, 8}, {1, PAWN, 5, 5}, {1, GOLD, 5, 4}});
  Tables(position, STAGE_MIDDLE);
  int gain = 0;
  const int value = StaticExchange(position, 0, PAWN, 5, 5, position.PieceIdAt(5, 8), &gain, 0);
  const int afterRook = Value(position, 1, PAWN, 5, 5, true) + g_rootEvalTables.handValue[PAWN - 1][0] -
                        Value(position, 0, ROOK, 5, 8, true);
  const int first = afterRook + Value(position, 0, ROOK, 5, 5, true);
  const int second = afterRook - g_rootEvalTables.handValue[ROOK - 1][0] + Value(position, 1, GOLD, 5, 4, true) -
                     Value(position, 1, GOLD, 5, 5, true);
  EXPECT_EQ(gain, first);
  EXPECT_EQ(value, std::min(first, second));
  EXPECT_LT(value, 0);
}

// The silver on 5八 is pinned to its king by the rook on 5二: the pawn
// takes first, the gold retakes, and the lance behind the pawn may not
// follow because a direct attacker was skipped.
TEST_F(NamedExchanges, APinnedCapturerIsSkippedAndSecondLineAttackersWait) {
  const Position position = BuildPosition(0, {{0, KING, 5, 9}, {1, KING, 9, 1}, {0, SILVER, 5, 8}, {1, ROOK, 5, 2},
                                              {0, PAWN, 4, 8}, {0, LANCE, 4, 9}, {1, SILVER, 4, 7}, {1, GOLD, 4, 6}});
  Tables(position, STAGE_OPENING);
  ASSERT_NE(position.SquareRecord(4, 7)->xraySet[0], 0u);
  int gain = 0;
  const int value = StaticExchangeOpening(position, 0, SILVER, 4, 7, position.PieceIdAt(5, 8), &gain, 0);
  const int afterPawn = Value(position, 1, SILVER, 4, 7, false) + g_rootEvalTables.handValue[SILVER - 1][0] -
                        Value(position, 0, PAWN, 4, 8, false);
  const int first = afterPawn + Value(position, 0, PAWN, 4, 7, false);
  const int second = afterPawn - g_rootEvalTables.handValue[PAWN - 1][0] + Value(position, 1, GOLD, 4, 6, false) -
                     Value(position, 1, GOLD, 4, 7, false);
  EXPECT_EQ(gain, first);
  EXPECT_EQ(value, std::min(first, second));
  MoveRecord best{};
  ASSERT_EQ(FindBestCapture(position, best), 1);
  EXPECT_NE(best.pieceId, position.PieceIdAt(5, 8));
}

// No gold in hand: the drop gives up the first hand value, never a slot
// before the table. A second-line attacker alone (the lance's direct attack
// taken out of the record) opens no exchange.
TEST_F(NamedExchanges, DropValuesWithNothingInHandAndOnlyASecondLineAttacker) {
  Position position = BuildPosition(0, {{0, KING, 5, 9}, {1, KING, 9, 1}, {1, ROOK, 5, 1}, {1, LANCE, 5, 2}});
  Tables(position, STAGE_MIDDLE);
  SquareAttackRecord& record = *position.SquareRecord(5, 5);
  ASSERT_EQ(record.directCount[1], 1);
  ASSERT_NE(record.xraySet[1], 0u);
  record.directCount[1] = 0;
  record.directSet[1] = {0, 0};
  int drop = 0;
  const int value = ExchangeValueForEval(position, 0, GOLD, 5, 5, &drop);
  EXPECT_EQ(drop, Value(position, 0, GOLD, 5, 5, true) - g_rootEvalTables.handValue[GOLD - 1][0]);
  EXPECT_EQ(value, drop);
}

}  // namespace
