// Position keys and the two fixed key tables: the tables stay frozen and keep
// their constraints, the null move and repeated captures update as
// documented, transpositions share a key, and the matches read hand
// dominance. (Updated keys equal full keys after every move of the walks.)
#include "engine/board/position_key.h"

#include <gtest/gtest.h>

#include <array>
#include <ostream>
#include <set>
#include <tuple>
#include <utility>
#include <vector>

#include "engine/board/hash_key_table.h"
#include "engine/board/make_move.h"
#include "engine/search/move_code.h"
#include "support/position_builder.h"

void PrintTo(const PositionKey& key, std::ostream* out) {
  *out << std::hex << "{" << key.word[0] << ", " << key.word[1] << ", " << key.word[2] << "}" << std::dec;
}

namespace {

PositionKey KeyOf(const Position& position, int handSide) {
  PositionKey key;
  ComputePositionKey(position, handSide, key);
  return key;
}

// Word-wise FNV-1a over 64 bits.
uint64_t ChecksumStep(uint64_t checksum, uint32_t word) { return (checksum ^ word) * 0x100000001b3ULL; }
constexpr uint64_t kChecksumStart = 0xcbf29ce484222325ULL;

TEST(KeyTables, StayFrozenAndKeepTheirConstraints) {
  uint64_t checksum = kChecksumStart;
  std::set<std::tuple<uint32_t, uint32_t, uint32_t>> triples;
  for (const PositionKey& entry : g_positionKeyTable) {
    for (uint32_t word : entry.word) checksum = ChecksumStep(checksum, word);
    EXPECT_EQ(entry.word[2] & 0x3fffff, 0u);
    triples.emplace(entry.word[0], entry.word[1], entry.word[2]);
  }
  EXPECT_EQ(checksum, 0x18662a83382a2b2aULL);
  EXPECT_EQ(triples.size(), g_positionKeyTable.size());
  EXPECT_EQ(triples.count({0, 0, 0}), 0u);

  g_hashKeyTable[77] = {0, 0};
  InitHashKeyTable();  // fills the table again, whatever it holds
  checksum = kChecksumStart;
  std::set<std::pair<uint32_t, uint32_t>> pairs;
  for (const HashKey& entry : g_hashKeyTable) {
    checksum = ChecksumStep(ChecksumStep(checksum, entry.first), entry.second);
    pairs.emplace(entry.first, entry.second);
  }
  EXPECT_EQ(checksum, 0xbefba83b4240cadcULL);
  EXPECT_EQ(pairs.size(), static_cast<size_t>(HASH_KEY_TABLE_SIZE));
  EXPECT_EQ(pairs.count({0, 0}), 0u);
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
  EXPECT_EQ(ToMoveCode(null), NULL_MOVE_CODE);
  MoveRecord stored{};
  stored.fromFile = -2;  // the marker 254 lives in a signed byte
  EXPECT_TRUE(stored.IsNull());
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
  const std::pair<Position, Position> pairs[] = {
      {PlayLine(HANDICAP_EVEN, {{7, 7, 7, 6, 0}, {3, 3, 3, 4, 0}, {8, 8, 2, 2, 1}, {3, 1, 2, 2, 0}, {2, 7, 2, 6, 0},
                                {8, 3, 8, 4, 0}}),
       PlayLine(HANDICAP_EVEN, {{2, 7, 2, 6, 0}, {8, 3, 8, 4, 0}, {7, 7, 7, 6, 0}, {3, 3, 3, 4, 0}, {8, 8, 2, 2, 1},
                                {3, 1, 2, 2, 0}})},
      {PlayLine(HANDICAP_BISHOP, {{3, 1, 3, 2, 0}, {7, 7, 7, 6, 0}, {7, 3, 7, 4, 0}}),
       PlayLine(HANDICAP_BISHOP, {{7, 3, 7, 4, 0}, {7, 7, 7, 6, 0}, {3, 1, 3, 2, 0}})},
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
    EXPECT_EQ(MatchPositionKey(a, b), c.match) << c.pawnsA << c.goldsA << c.sideA << c.changedBoardWord << " vs "
                                               << c.pawnsB << c.goldsB << c.sideB;
    EXPECT_EQ(MatchPositionKeyAtLeast(a, b), c.atLeast) << c.pawnsA << c.goldsA << c.sideA << c.changedBoardWord;
  }
}

}  // namespace
