// MakeMove and UnmakeMove against the oracle: the full depth-4 tree of the
// even position and thousands of random games, checking after every make and
// unmake the attack records, the restored position, the position keys and
// the attack history.
#include <algorithm>
#include <cstdio>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/board/make_move.h"
#include "engine/board/position.h"
#include "engine/board/position_key.h"
#include "support/engine_oracle.h"
#include "support/playout.h"

namespace {

struct KeyPair {
  PositionKey forHandSide[2];
};

KeyPair FullKeys(const Position& position) {
  KeyPair keys{};
  for (int handSide = 0; handSide < 2; ++handSide) ComputePositionKey(position, handSide, keys.forHandSide[handSide]);
  return keys;
}

KeyPair UpdatedKeys(KeyPair keys, const MoveRecord& move) {
  for (int handSide = 0; handSide < 2; ++handSide) UpdatePositionKey(keys.forHandSide[handSide], handSide, move);
  return keys;
}

std::string DescribeMove(const MoveRecord& move) {
  std::ostringstream text;
  if (move.IsDrop()) text << "drop on ";
  else text << int{move.fromFile} << "-" << int{move.fromRank} << ">";
  text << int{move.toFile} << "-" << int{move.toRank} << (move.promote ? "+" : "") << " (id "
       << int{move.pieceId} << ")";
  return text.str();
}

std::string DescribeLine(const std::vector<MoveRecord>& line) {
  std::string text;
  for (const MoveRecord& move : line) text += DescribeMove(move) + " ";
  return text;
}

bool HasAttack(const SquareAttackRecord& record, int side, int id) {
  const bool direct = id >= 32 ? (record.directSet[side].high >> (id - 32)) & 1 : (record.directSet[side].low >> id) & 1;
  return direct || (id < 32 && ((record.xraySet[side] >> id) & 1));
}

int AttackTotal(const SquareAttackRecord& record, int side) { return record.directCount[side] + record.xrayCount[side]; }

// The layer of a recorded make: each side's change on each square is the net
// change of its direct plus second-line count; a capture lists the squares
// the mover stopped attacking and those newly reached by an enemy slider
// that attacked the from-square directly, each once; other moves list none.
::testing::AssertionResult LayerDescribesMove(const Position& before, const Position& after, const MoveRecord& move,
                                              int layer) {
  for (int square = 0; square < SQUARE_COUNT; ++square)
    for (int side = 0; side < 2; ++side) {
      const int expected = AttackTotal(after.attacks[square], side) - AttackTotal(before.attacks[square], side);
      const int recorded = g_attackHistory.layer[layer][square].change[side];
      if (recorded != expected)
        return ::testing::AssertionFailure() << "layer " << layer << " square " << square / 9 + 1 << "-"
                                             << square % 9 + 1 << " side " << side << ": change " << recorded
                                             << ", counts moved by " << expected;
    }
  std::set<int> expectedList;
  if (move.IsCapture()) {
    const int mover = before.sideToMove, other = 1 - mover;
    const SquareAttackRecord& from = *before.SquareRecord(move.fromFile, move.fromRank);
    for (int square = 0; square < SQUARE_COUNT; ++square) {
      const SquareAttackRecord& was = before.attacks[square];
      const SquareAttackRecord& is = after.attacks[square];
      if (HasAttack(was, mover, move.pieceId) && !HasAttack(is, mover, move.pieceId)) expectedList.insert(square);
      for (int slider = 0; slider < 32; ++slider)
        if (((from.directSet[other].low & from.slidingSet[other]) >> slider & 1) && !HasAttack(was, other, slider) &&
            HasAttack(is, other, slider))
          expectedList.insert(square);
    }
  }
  std::set<int> listed;
  int length = 0;
  for (const AttackChangeRecord* entry = g_attackHistoryLists[layer + 1]; entry != nullptr; entry = entry->next) {
    if (++length > SQUARE_COUNT) return ::testing::AssertionFailure() << "list of layer " << layer << " loops";
    const int square = SquareIndex(entry->file, entry->rank);
    if (entry != &g_attackHistory.layer[layer][square])
      return ::testing::AssertionFailure() << "list of layer " << layer << " links a record of another layer";
    if (!listed.insert(square).second)
      return ::testing::AssertionFailure() << "list of layer " << layer << " holds " << int{entry->file} << "-"
                                           << int{entry->rank} << " twice";
  }
  if (listed != expectedList) {
    std::ostringstream text;
    text << "list of layer " << layer << " holds {";
    for (int square : listed) text << " " << square / 9 + 1 << "-" << square % 9 + 1;
    text << " }, expected {";
    for (int square : expectedList) text << " " << square / 9 + 1 << "-" << square % 9 + 1;
    return ::testing::AssertionFailure() << text.str() << " }";
  }
  return ::testing::AssertionSuccess();
}

// Every change counter of the layers at and above the depth is zero.
::testing::AssertionResult HistoryClearFromDepth() {
  for (int layer = std::max(g_attackHistoryDepth, 0); layer < ATTACK_HISTORY_LAYERS; ++layer)
    for (int square = 0; square < SQUARE_COUNT; ++square) {
      const AttackChangeRecord& record = g_attackHistory.layer[layer][square];
      if (record.change[0] != 0 || record.change[1] != 0)
        return ::testing::AssertionFailure() << "layer " << layer << " square " << square / 9 + 1 << "-"
                                             << square % 9 + 1 << " keeps a change at depth " << g_attackHistoryDepth;
    }
  return ::testing::AssertionSuccess();
}

// The position after a make: the oracle's copy-apply (attack records of its
// own), a recount of the engine's, and the keys updated move by move.
::testing::AssertionResult MadeAsExpected(const Position& position, const Position& expected, const KeyPair& keys) {
  if (::testing::AssertionResult same = EquivalentPositions(position, expected); !same)
    return ::testing::AssertionFailure() << "differs from the oracle: " << same.message();
  Position recounted = position;
  RecomputeAttacks(recounted);
  if (::testing::AssertionResult same = SameAttackRecords(position, recounted); !same)
    return ::testing::AssertionFailure() << "differs from a recount: " << same.message();
  const KeyPair full = FullKeys(position);
  for (int handSide = 0; handSide < 2; ++handSide)
    if (!(keys.forHandSide[handSide] == full.forHandSide[handSide]))
      return ::testing::AssertionFailure() << "updated key differs from the full key for hand side " << handSide;
  return ::testing::AssertionSuccess();
}

// Makes and unmakes the move with recording and checks everything on the
// way; the position is back as it was afterwards.
::testing::AssertionResult CheckRecordedMakeAndUnmake(Position& position, const MoveRecord& move, const KeyPair& keys) {
  const Position before = position;
  Position expected;
  OracleApplyMove(before, move, expected);
  const int layer = g_attackHistoryDepth;
  MakeMove(position, move, 1);
  ::testing::AssertionResult made = MadeAsExpected(position, expected, UpdatedKeys(keys, move));
  if (made && g_attackHistoryDepth != layer + 1) made = ::testing::AssertionFailure() << "depth not raised";
  if (made) made = LayerDescribesMove(before, position, move, layer);
  UnmakeMove(position, move, 1);
  if (!made) return ::testing::AssertionFailure() << "after making " << DescribeMove(move) << ": " << made.message();
  if (g_attackHistoryDepth != layer) return ::testing::AssertionFailure() << "depth not lowered";
  if (::testing::AssertionResult same = EquivalentPositions(position, before); !same)
    return ::testing::AssertionFailure() << "after unmaking " << DescribeMove(move) << ": " << same.message();
  if (::testing::AssertionResult clear = HistoryClearFromDepth(); !clear) return clear;
  return ::testing::AssertionSuccess();
}

class DepthFourWalk {
 public:
  uint64_t Leaves() const { return leaves_; }
  const std::string& Failure() const { return failure_; }

  void Walk(Position& position, const KeyPair& keys, int depth) {
    for (const MoveRecord& move : OracleLegalMoves(position)) {
      line_.push_back(move);
      if (depth == 1) {
        leaves_ += 1;
        if (::testing::AssertionResult checked = CheckRecordedMakeAndUnmake(position, move, keys); !checked)
          failure_ = DescribeLine(line_) + ": " + checked.message();
      } else {
        // The inner nodes: make for real, walk below, and check the unmake.
        const Position before = position;
        Position expected;
        OracleApplyMove(before, move, expected);
        const KeyPair childKeys = UpdatedKeys(keys, move);
        MakeMove(position, move, 1);
        if (::testing::AssertionResult made = MadeAsExpected(position, expected, childKeys); !made)
          failure_ = DescribeLine(line_) + ": " + made.message();
        if (failure_.empty()) Walk(position, childKeys, depth - 1);
        UnmakeMove(position, move, 1);
        if (::testing::AssertionResult same = EquivalentPositions(position, before); !same && failure_.empty())
          failure_ = "after unmaking " + DescribeLine(line_) + ": " + same.message();
        if (::testing::AssertionResult clear = HistoryClearFromDepth(); !clear && failure_.empty())
          failure_ = DescribeLine(line_) + ": " + clear.message();
      }
      line_.pop_back();
      if (!failure_.empty()) return;
    }
  }

 private:
  uint64_t leaves_ = 0;
  std::string failure_;
  std::vector<MoveRecord> line_;
};

TEST(MakeUnmakeWalk, DepthFourFromTheEvenPositionKeepsEveryRecordExact) {
  Position position{};
  SetupHandicap(position, HANDICAP_EVEN);
  const Position start = position;
  InitAttackHistory();
  DepthFourWalk walk;
  walk.Walk(position, FullKeys(position), 4);
  EXPECT_EQ(walk.Failure(), "");
  EXPECT_EQ(walk.Leaves(), 719731u);
  EXPECT_EQ(g_attackHistoryDepth, 0);
  EXPECT_TRUE(EquivalentPositions(position, start));
}

TEST(MakeUnmakeWalk, RandomGamesFromEveryStartKeepEveryRecordExact) {
#ifdef KIFU_SANITIZED
  const int gamesPerStart = 100;
#else
  const int gamesPerStart = 800;
#endif
  const int maxPlies = 200;
  PlayoutEvents events;
  InitAttackHistory();
  for (int game = 0; game < 8 * gamesPerStart; ++game) {
    Position position{};
    SetupHandicap(position, game % 8);
    const Position start = position;
    KeyPair keys = FullKeys(position);
    std::vector<Position> history;
    std::string failure;
    int ply = 0;
    // The game's own moves are made without recording, so every history
    // layer stays free; each ply's recorded probe runs in the layer of its
    // ply, as a search started at that ply would use them.
    const PlayoutPlayer play = [&](Position& current, const MoveRecord& move) {
      const int gameDepth = g_attackHistoryDepth;
      g_attackHistoryDepth = ply % ATTACK_HISTORY_LAYERS;
      ::testing::AssertionResult probe = CheckRecordedMakeAndUnmake(current, move, keys);
      g_attackHistoryDepth = gameDepth;
      history.push_back(current);
      Position expected;
      OracleApplyMove(current, move, expected);
      keys = UpdatedKeys(keys, move);
      MakeMove(current, move, 0);
      ++ply;
      if (probe) probe = MadeAsExpected(current, expected, keys);
      if (!probe) failure = "game " + std::to_string(game) + " ply " + std::to_string(ply) + ": " + probe.message();
      return static_cast<bool>(probe);
    };
    const std::vector<MoveRecord> moves = PlayRandomGame(position, 90000 + game, maxPlies, play, events);
    for (size_t index = moves.size(); index-- > 0 && failure.empty();) {
      UnmakeMove(position, moves[index], 0);
      if (::testing::AssertionResult same = EquivalentPositions(position, history[index]); !same)
        failure = "game " + std::to_string(game) + " unmaking ply " + std::to_string(index + 1) + " " +
                  DescribeMove(moves[index]) + ": " + same.message();
    }
    ASSERT_EQ(failure, "") << "moves: " << DescribeLine(moves);
    ASSERT_TRUE(EquivalentPositions(position, start));
    ASSERT_EQ(g_attackHistoryDepth, 0);
  }
  EXPECT_GT(events.captures, 0u);
  EXPECT_GT(events.promotedCaptures, 0u);
  EXPECT_GT(events.promotions, 0u);
  EXPECT_GT(events.drops, 0u);
  EXPECT_GT(events.kingEscapes, 0u);
  EXPECT_GT(events.discoveredAttacks, 0u);
  EXPECT_GT(events.discoveredChecks, 0u);
  std::printf("%llu plies: %llu captures (%llu of promoted pieces), %llu promotions, %llu drops, %llu king escapes, "
              "%llu discovered attacks (%llu checks), %llu mates\n",
              static_cast<unsigned long long>(events.plies), static_cast<unsigned long long>(events.captures),
              static_cast<unsigned long long>(events.promotedCaptures),
              static_cast<unsigned long long>(events.promotions), static_cast<unsigned long long>(events.drops),
              static_cast<unsigned long long>(events.kingEscapes),
              static_cast<unsigned long long>(events.discoveredAttacks),
              static_cast<unsigned long long>(events.discoveredChecks), static_cast<unsigned long long>(events.mates));
}

}  // namespace
