// Position keys and the two fixed key tables: the tables stay frozen and keep
// their constraints, the null move and repeated captures update as
// documented, transpositions share a key, and the matches read hand
// dominance. (Updated keys equal full keys after every move of the walks.)
#include "engine/board/position_key.h"

#include <gtest/gtest.h>

#include <array>
#include <iterator>
#include <set>
#include <utility>
#include <vector>

#include "engine/board/hash_key_table.h"
#include "engine/board/make_move.h"
#include "support/position_builder.h"

namespace {

PositionKey KeyOf(const Position& position, int handSide) {
  PositionKey key;
  ComputePositionKey(position, handSide, key);
  return key;
}

// Word-wise FNV-1a over 64 bits of every word of the table; and whether its
// entries are distinct and none is all zero.
template <class Table>
std::pair<uint64_t, bool> ChecksumAndDistinct(const Table& table) {
  uint64_t checksum = 0xcbf29ce484222325ULL;
  std::set<std::vector<uint32_t>> entries{{}};
  for (const auto& entry : table) {
    const uint32_t* words = reinterpret_cast<const uint32_t*>(&entry);
    std::vector<uint32_t> key(words, words + sizeof entry / 4);
    for (uint32_t word : key) checksum = (checksum ^ word) * 0x100000001b3ULL;
    entries.insert(std::vector<uint32_t>(key.size(), 0));
    entries.insert(key);
  }
  return {checksum, entries.size() == std::size(table) + 2};
}

TEST(KeyTables, StayFrozenAndKeepTheirConstraints) {
  for (const PositionKey& entry : g_positionKeyTable) EXPECT_EQ(entry.word[2] & 0x3fffff, 0u);
  EXPECT_EQ(ChecksumAndDistinct(g_positionKeyTable), std::make_pair(uint64_t{0x18662a83382a2b2a}, true));
  g_hashKeyTable[77] = {0, 0};
  InitHashKeyTable();  // fills the table again, whatever it holds
  EXPECT_EQ(ChecksumAndDistinct(g_hashKeyTable), std::make_pair(uint64_t{0xbefba83b4240cadc}, true));
  EXPECT_EQ(g_hashKeyTable[0], (HashKey{0xc1bda102, 0x509b9fbe}));
}

// The position after board moves (from file, from rank, to file, to rank,
// promote) from a handicap start.
Position PlayLine(int handicap, const std::vector<std::array<int, 5>>& moves) {
  Position position = StartPosition(handicap);
  InitAttackHistory();
  for (const auto& [fromFile, fromRank, toFile, toRank, promote] : moves)
    MakeMove(position, MoveOn(position, fromFile, fromRank, toFile, toRank, promote), 0);
  return position;
}

TEST(UpdatePositionKey, NullMoveTogglesOnlyTheSideBitAndACaptureRaisesTheCounterEachTime) {
  MoveRecord null{};
  null.SetNull();
  const Position position =
      PlayLine(HANDICAP_EVEN, {{7, 7, 7, 6, 0}, {3, 3, 3, 4, 0}, {7, 6, 7, 5, 0}, {7, 3, 7, 4, 0}});
  const MoveRecord capture = MoveOn(position, 7, 5, 7, 4);  // side 0's pawn takes
  for (int handSide = 0; handSide < 2; ++handSide) {
    const PositionKey start = KeyOf(position, handSide);
    PositionKey key = start;
    UpdatePositionKey(key, handSide, null);
    EXPECT_EQ(key, (PositionKey{{start.word[0], start.word[1], start.word[2] ^ POSITION_KEY_SIDE_BIT}}));
    key = start;
    UpdatePositionKey(key, handSide, capture);
    UpdatePositionKey(key, handSide, capture);
    // Board and side come back; only the hand side's counter rises, twice.
    const uint32_t raised = handSide == 0 ? 2 * HAND_FIELD_INCREMENT[PAWN] : 0;
    EXPECT_EQ(key, (PositionKey{{start.word[0], start.word[1], start.word[2] + raised}})) << handSide;
  }
}

TEST(PositionKey, TranspositionsShareOneKey) {
  // The bishop exchange before or after the rook pawns' advance; in a
  // handicap game, where side 1 moves first, a silver before or after a pawn.
  const std::array<int, 5> a = {7, 7, 7, 6, 0}, b = {3, 3, 3, 4, 0}, c = {8, 8, 2, 2, 1}, d = {3, 1, 2, 2, 0},
                           e = {2, 7, 2, 6, 0}, f = {8, 3, 8, 4, 0}, g = {3, 1, 3, 2, 0}, h = {7, 3, 7, 4, 0};
  const std::pair<Position, Position> pairs[] = {
      {PlayLine(HANDICAP_EVEN, {a, b, c, d, e, f}), PlayLine(HANDICAP_EVEN, {e, f, a, b, c, d})},
      {PlayLine(HANDICAP_BISHOP, {g, a, h}), PlayLine(HANDICAP_BISHOP, {h, a, g})},
  };
  for (const auto& [first, second] : pairs)
    for (int handSide = 0; handSide < 2; ++handSide) EXPECT_EQ(KeyOf(first, handSide), KeyOf(second, handSide));
}

PositionKey KeyWithHand(int pawns, int golds, int sideToMove) {
  Position position = StartPosition();
  position.hand[0][PAWN - 1] = static_cast<int8_t>(pawns);
  position.hand[0][GOLD - 1] = static_cast<int8_t>(golds);
  position.sideToMove = static_cast<uint8_t>(sideToMove);
  return KeyOf(position, 0);
}

TEST(MatchPositionKey, ReadHandDominanceOnTheSameBoard) {
  const struct {
    int pawnsA, goldsA, sideA, changedBoardWord;  // -1: a's board is b's
    int pawnsB, goldsB, sideB;
    int match, atLeast;
  } cases[] = {
      {3, 1, 0, -1, 2, 1, 0, 1, 1}, {2, 1, 0, -1, 3, 1, 0, 2, 0}, {3, 0, 0, -1, 2, 1, 0, 0, 0},
      {2, 1, 0, -1, 3, 0, 0, 0, 0}, {3, 1, 0, -1, 3, 1, 1, 0, 1}, {3, 1, 0, -1, 3, 1, 0, 3, 3},
      {3, 1, 0, 0, 2, 1, 0, 0, 0},  {3, 1, 0, 1, 2, 1, 0, 0, 0},  {3, 1, 0, 2, 2, 1, 0, 0, 0},
  };
  for (const auto& c : cases) {
    PositionKey a = KeyWithHand(c.pawnsA, c.goldsA, c.sideA);
    // Bits 22-31 of word 2 are board bits.
    if (c.changedBoardWord >= 0) a.word[c.changedBoardWord] ^= c.changedBoardWord < 2 ? 1u : 1u << 22;
    const PositionKey b = KeyWithHand(c.pawnsB, c.goldsB, c.sideB);
    const int row = static_cast<int>(&c - cases);
    EXPECT_EQ(MatchPositionKey(a, b), c.match) << "row " << row;
    EXPECT_EQ(MatchPositionKeyAtLeast(a, b), c.atLeast) << "row " << row;
  }
}

}  // namespace
