// Position keys and the two fixed key tables: the tables stay frozen and keep
// their constraints, updated keys equal full keys, transpositions share a
// key, and the match functions read hands the way the mate solver needs.
#include "engine/board/position_key.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <random>
#include <tuple>
#include <vector>

#include "engine/board/hash_key_table.h"
#include "engine/board/make_move.h"

void PrintTo(const PositionKey& key, std::ostream* out) {
  *out << std::hex << "{" << key.word[0] << ", " << key.word[1] << ", " << key.word[2] << "}" << std::dec;
}

namespace {

// ---------------------------------------------------------------------------
// Helpers: a start position and moves played by editing only what keys read

// Word-wise FNV-1a over 64 bits, every word of a table in index order.
uint64_t ChecksumStep(uint64_t checksum, uint32_t word) { return (checksum ^ word) * 0x100000001b3ULL; }
constexpr uint64_t CHECKSUM_START = 0xcbf29ce484222325ULL;

Position StartPosition() {
  Position position{};
  SetupHandicap(position, HANDICAP_EVEN);
  return position;
}

// The position plus the ids of the pieces in hand by base type, so that a
// drop can put a real id on the board. Moves are played by editing only
// what keys read (board, piece list, hands, side to move), so the walks may
// reach any placement, legal or not.
struct HandEditedGame {
  Position position = StartPosition();
  std::vector<PieceId> inHand[9];
};

MoveRecord BoardMove(const Position& position, int fromFile, int fromRank, int toFile, int toRank, bool promote = false) {
  const PieceCode captured = position.IsEmpty(toFile, toRank) ? 0 : position.PieceCodeAt(toFile, toRank);
  MoveRecord move{};
  move.Set(fromFile, fromRank, toFile, toRank, static_cast<PieceId>(position.PieceIdAt(fromFile, fromRank)),
           position.PieceCodeAt(fromFile, fromRank), static_cast<PieceId>(position.PieceIdAt(toFile, toRank)), captured,
           promote ? 1 : 0);
  return move;
}

MoveRecord DropMove(const HandEditedGame& game, int type, int toFile, int toRank) {
  MoveRecord move{};
  move.SetDrop(toFile, toRank, game.inHand[type].back(), static_cast<PieceCode>(OwnerBit(game.position.sideToMove) | type));
  return move;
}

MoveRecord NullMove() {
  MoveRecord move{};
  move.SetNull();
  return move;
}

void PlayByHand(HandEditedGame& game, const MoveRecord& move) {
  Position& position = game.position;
  position.sideToMove ^= 1;
  if (move.IsNull()) return;
  const int side = OwnerOf(move.pieceCode);
  PieceCode newCode = move.pieceCode;
  if (move.IsDrop()) {
    const int type = BaseTypeOf(move.pieceCode);
    --position.hand[side][type - 1];
    game.inHand[type].pop_back();
  } else {
    if (move.IsCapture()) {
      const int type = BaseTypeOf(move.capturedCode);
      ++position.hand[side][type - 1];
      game.inHand[type].push_back(move.capturedId);
      position.pieces[move.capturedId] = {IN_HAND_FILE, 0, 0};
    }
    position.board[move.fromFile][move.fromRank] = EMPTY_PIECE_ID;
    if (move.promote) newCode |= PROMOTED_BIT;
  }
  position.board[move.toFile][move.toRank] = static_cast<int8_t>(move.pieceId);
  position.pieces[move.pieceId] = {move.toFile, move.toRank, newCode};
}

PositionKey KeyOf(const Position& position, int handSide) {
  PositionKey key;
  ComputePositionKey(position, handSide, key);
  return key;
}

// Updates the keys of both hand sides, plays the move by hand and checks
// each updated key against the full key of the new position.
void PlayAndCheckKeys(HandEditedGame& game, const MoveRecord& move) {
  PositionKey updated[2] = {KeyOf(game.position, 0), KeyOf(game.position, 1)};
  for (int handSide = 0; handSide < 2; ++handSide) UpdatePositionKey(updated[handSide], handSide, move);
  PlayByHand(game, move);
  for (int handSide = 0; handSide < 2; ++handSide) {
    ASSERT_EQ(updated[handSide], KeyOf(game.position, handSide))
        << "hand side " << handSide << ", move " << int{move.fromFile} << int{move.fromRank} << "-" << int{move.toFile}
        << int{move.toRank} << (move.promote ? "+" : "");
  }
}

uint32_t HandField(const PositionKey& key, int type) { return key.word[2] & HAND_FIELD_MASK[type]; }

// ---------------------------------------------------------------------------
// The fixed tables

TEST(KeyTables, StayFrozen) {
  uint64_t positionChecksum = CHECKSUM_START;
  for (const PositionKey& entry : g_positionKeyTable) {
    for (uint32_t word : entry.word) positionChecksum = ChecksumStep(positionChecksum, word);
  }
  EXPECT_EQ(positionChecksum, 0x18662a83382a2b2aULL);
  EXPECT_EQ(g_positionKeyTable[0], (PositionKey{{0x31f5865b, 0x2aa6f241, 0x24800000}}));
  EXPECT_EQ(g_positionKeyTable[1000], (PositionKey{{0xb58e7548, 0xffc6c16a, 0xb6800000}}));
  EXPECT_EQ(g_positionKeyTable[2753], (PositionKey{{0x57a516a5, 0xd42aa326, 0xe4c00000}}));

  uint64_t hashChecksum = CHECKSUM_START;
  for (const HashKey& entry : g_hashKeyTable) hashChecksum = ChecksumStep(ChecksumStep(hashChecksum, entry.first), entry.second);
  EXPECT_EQ(hashChecksum, 0xbefba83b4240cadcULL);
  EXPECT_EQ(g_hashKeyTable[0], (HashKey{0xc1bda102, 0x509b9fbe}));
  EXPECT_EQ(g_hashKeyTable[1], (HashKey{0x6d9a5c7e, 0x6c0c835a}));
  EXPECT_EQ(g_hashKeyTable[HASH_HAND_KEYS_TO_MOVE], (HashKey{0xfff13194, 0xd456be21}));
  EXPECT_EQ(g_hashKeyTable[HASH_KEY_TABLE_SIZE - 1], (HashKey{0xfbc9bf7b, 0x40026efd}));
}

TEST(KeyTables, KeepTheirConstraints) {
  std::vector<std::tuple<uint32_t, uint32_t, uint32_t>> triples;
  for (const PositionKey& entry : g_positionKeyTable) {
    EXPECT_EQ(entry.word[2] & 0x3fffff, 0u);
    EXPECT_FALSE(entry.word[0] == 0 && entry.word[1] == 0 && entry.word[2] == 0);
    triples.emplace_back(entry.word[0], entry.word[1], entry.word[2]);
  }
  std::sort(triples.begin(), triples.end());
  EXPECT_EQ(std::adjacent_find(triples.begin(), triples.end()), triples.end());

  std::vector<std::pair<uint32_t, uint32_t>> pairs;
  for (const HashKey& entry : g_hashKeyTable) {
    EXPECT_FALSE(entry.first == 0 && entry.second == 0);
    pairs.emplace_back(entry.first, entry.second);
  }
  std::sort(pairs.begin(), pairs.end());
  EXPECT_EQ(std::adjacent_find(pairs.begin(), pairs.end()), pairs.end());
}

TEST(KeyTables, InitHashKeyTableRestoresTheValues) {
  const HashKey saved = g_hashKeyTable[77];
  g_hashKeyTable[77] = {0, 0};
  InitHashKeyTable();
  EXPECT_EQ(g_hashKeyTable[77], saved);
  EXPECT_EQ(g_hashKeyTable[0], (HashKey{0xc1bda102, 0x509b9fbe}));
}

// ---------------------------------------------------------------------------
// Full keys

TEST(ComputePositionKey, PacksTheHandSideAndTheSideToMove) {
  Position position = StartPosition();
  const PositionKey empty = KeyOf(position, 1);
  const int counts[7] = {2, 1, 4, 3, 2, 1, 18};  // rook .. pawn
  for (int type = ROOK; type <= PAWN; ++type) position.hand[1][type - 1] = static_cast<int8_t>(counts[type - 1]);
  position.hand[0][PAWN - 1] = 5;  // the other hand never enters the key
  position.sideToMove = 1;
  const PositionKey key = KeyOf(position, 1);
  EXPECT_EQ(key.word[0], empty.word[0]);
  EXPECT_EQ(key.word[1], empty.word[1]);
  EXPECT_EQ(key.word[2] ^ empty.word[2],
            POSITION_KEY_SIDE_BIT | 2u << 19 | 1u << 17 | 4u << 14 | 3u << 11 | 2u << 8 | 1u << 5 | 18u);
  EXPECT_EQ(KeyOf(position, 0).word[2] & POSITION_KEY_HAND_BITS, 5u);
}

// ---------------------------------------------------------------------------
// Updated keys

TEST(UpdatePositionKey, MatchesTheFullKeyAlongAnOpeningWithEveryKindOfMove) {
  HandEditedGame game;
  PlayAndCheckKeys(game, BoardMove(game.position, 7, 7, 7, 6));                // 7g-7f
  PlayAndCheckKeys(game, BoardMove(game.position, 3, 3, 3, 4));                // 3c-3d
  PlayAndCheckKeys(game, BoardMove(game.position, 8, 8, 2, 2, true));          // 8h x 2b, promotes
  PlayAndCheckKeys(game, BoardMove(game.position, 3, 1, 2, 2));                // 3a x 2b, takes the horse
  EXPECT_EQ(game.position.hand[1][BISHOP - 1], 1);
  PlayAndCheckKeys(game, DropMove(game, BISHOP, 5, 5));                        // B*5e
  PlayAndCheckKeys(game, NullMove());
  PlayAndCheckKeys(game, BoardMove(game.position, 5, 5, 1, 1, true));          // 5e x 1a, promotes
  PlayAndCheckKeys(game, DropMove(game, BISHOP, 4, 6));                        // B*4f by side 1
  PlayAndCheckKeys(game, BoardMove(game.position, 4, 6, 1, 9, true));          // 4f x 1i, promotes
  PlayAndCheckKeys(game, BoardMove(game.position, 1, 1, 1, 3));                // horse 1a x 1c
  PlayAndCheckKeys(game, BoardMove(game.position, 1, 9, 1, 7));                // horse 1i x 1g
  PlayAndCheckKeys(game, DropMove(game, LANCE, 5, 5));                         // L*5e by side 0
  PlayAndCheckKeys(game, DropMove(game, PAWN, 5, 6));                          // P*5f by side 1
}

TEST(UpdatePositionKey, CaptureOfAPromotedPieceRaisesItsBaseTypeCounter) {
  HandEditedGame game;
  const int dragonId = game.position.PieceIdAt(2, 8);
  game.position.pieces[dragonId].code |= PROMOTED_BIT;  // side 0's rook on 2h is a dragon
  game.position.board[2][8] = EMPTY_PIECE_ID;
  game.position.board[2][4] = static_cast<int8_t>(dragonId);
  game.position.pieces[dragonId].rank = 4;
  game.position.sideToMove = 1;
  const PositionKey before = KeyOf(game.position, 1);
  PlayAndCheckKeys(game, BoardMove(game.position, 2, 3, 2, 4));  // pawn 2c x dragon 2d
  const PositionKey after = KeyOf(game.position, 1);
  EXPECT_EQ(HandField(after, ROOK), HandField(before, ROOK) + HAND_FIELD_INCREMENT[ROOK]);
}

TEST(UpdatePositionKey, FollowsRandomEditWalksForBothHandSides) {
#if defined(KIFU_SANITIZED)
  constexpr int WALKS = 10;
#else
  constexpr int WALKS = 60;
#endif
  std::mt19937 random(20240611);
  for (int walk = 0; walk < WALKS; ++walk) {
    HandEditedGame game;
    for (int ply = 0; ply < 300; ++ply) {
      const Position& position = game.position;
      const int side = position.sideToMove;
      std::vector<int> typesInHand;
      for (int type = ROOK; type <= PAWN; ++type) {
        if (position.hand[side][type - 1] > 0) typesInHand.push_back(type);
      }
      const int choice = static_cast<int>(random() % 20);
      if (choice == 0) {
        PlayAndCheckKeys(game, NullMove());
      } else if (choice < 6 && !typesInHand.empty()) {
        int file, rank;
        do {
          file = static_cast<int>(random() % 9) + 1;
          rank = static_cast<int>(random() % 9) + 1;
        } while (!position.IsEmpty(file, rank));
        PlayAndCheckKeys(game, DropMove(game, typesInHand[random() % typesInHand.size()], file, rank));
      } else {
        std::vector<int> movers;
        for (int id = 0; id < PIECE_COUNT; ++id) {
          if (position.pieces[id].file >= 1 && IsOwnedBy(position.pieces[id].code, side)) movers.push_back(id);
        }
        const PieceListEntry from = position.pieces[movers[random() % movers.size()]];
        int file, rank;
        for (;;) {
          file = static_cast<int>(random() % 9) + 1;
          rank = static_cast<int>(random() % 9) + 1;
          if (position.IsEmpty(file, rank)) break;
          const PieceCode target = position.PieceCodeAt(file, rank);
          if (!IsOwnedBy(target, side) && BaseTypeOf(target) != KING) break;
        }
        const int type = BaseTypeOf(from.code);
        const bool promote = !IsPromoted(from.code) && type != GOLD && type != KING && random() % 2 == 0;
        PlayAndCheckKeys(game, BoardMove(position, from.file, from.rank, file, rank, promote));
      }
      if (::testing::Test::HasFatalFailure()) return;
    }
  }
}

TEST(UpdatePositionKey, NullMoveTogglesOnlyTheSideBit) {
  const Position start = StartPosition();
  for (int handSide = 0; handSide < 2; ++handSide) {
    PositionKey key = KeyOf(start, handSide);
    const PositionKey before = key;
    UpdatePositionKey(key, handSide, NullMove());
    EXPECT_EQ(key.word[0], before.word[0]);
    EXPECT_EQ(key.word[1], before.word[1]);
    EXPECT_EQ(key.word[2] ^ before.word[2], POSITION_KEY_SIDE_BIT);
  }
}

TEST(UpdatePositionKey, SecondCaptureUpdateRaisesTheCounterAgain) {
  HandEditedGame game;
  PlayByHand(game, BoardMove(game.position, 7, 7, 7, 6));
  PlayByHand(game, BoardMove(game.position, 7, 3, 7, 4));
  PlayByHand(game, BoardMove(game.position, 7, 6, 7, 5));
  PlayByHand(game, NullMove());
  const MoveRecord capture = BoardMove(game.position, 7, 5, 7, 4);  // side 0's pawn takes
  PositionKey key = KeyOf(game.position, 0);
  const PositionKey before = key;
  UpdatePositionKey(key, 0, capture);
  UpdatePositionKey(key, 0, capture);
  EXPECT_EQ(key.word[0], before.word[0]);
  EXPECT_EQ(key.word[1], before.word[1]);
  EXPECT_EQ(key.word[2], before.word[2] + 2 * HAND_FIELD_INCREMENT[PAWN]);
  // The other side's counters are not stored, so its key only loses the
  // board change and the side bit twice over: it comes back whole.
  PositionKey otherKey = KeyOf(game.position, 1);
  const PositionKey otherBefore = otherKey;
  UpdatePositionKey(otherKey, 1, capture);
  UpdatePositionKey(otherKey, 1, capture);
  EXPECT_EQ(otherKey, otherBefore);
}

// Plays the listed board moves (from file, from rank, to file, to rank,
// promote) with MakeMove, updating the keys of both hand sides as it goes.
struct PlayedLine {
  Position position;
  PositionKey key[2];
};

PlayedLine PlayLine(int handicap, const std::vector<std::vector<int>>& moves) {
  PlayedLine line{};
  SetupHandicap(line.position, handicap);
  for (int handSide = 0; handSide < 2; ++handSide) line.key[handSide] = KeyOf(line.position, handSide);
  for (const std::vector<int>& m : moves) {
    const MoveRecord move = BoardMove(line.position, m[0], m[1], m[2], m[3], m[4] != 0);
    for (int handSide = 0; handSide < 2; ++handSide) UpdatePositionKey(line.key[handSide], handSide, move);
    MakeMove(line.position, move, 0);
  }
  return line;
}

TEST(PositionKey, TranspositionsShareOneKey) {
  // The bishop exchange before or after the rook pawns' advance.
  const PlayedLine exchangeFirst = PlayLine(HANDICAP_EVEN, {{7, 7, 7, 6, 0}, {3, 3, 3, 4, 0}, {8, 8, 2, 2, 1},
                                                            {3, 1, 2, 2, 0}, {2, 7, 2, 6, 0}, {8, 3, 8, 4, 0}});
  const PlayedLine exchangeLast = PlayLine(HANDICAP_EVEN, {{2, 7, 2, 6, 0}, {8, 3, 8, 4, 0}, {7, 7, 7, 6, 0},
                                                           {3, 3, 3, 4, 0}, {8, 8, 2, 2, 1}, {3, 1, 2, 2, 0}});
  // A handicap game, where side 1 moves first.
  const PlayedLine silverFirst = PlayLine(HANDICAP_BISHOP, {{3, 1, 3, 2, 0}, {7, 7, 7, 6, 0}, {7, 3, 7, 4, 0}});
  const PlayedLine pawnFirst = PlayLine(HANDICAP_BISHOP, {{7, 3, 7, 4, 0}, {7, 7, 7, 6, 0}, {3, 1, 3, 2, 0}});
  for (int handSide = 0; handSide < 2; ++handSide) {
    EXPECT_EQ(exchangeFirst.key[handSide], exchangeLast.key[handSide]) << handSide;
    EXPECT_EQ(exchangeFirst.key[handSide], KeyOf(exchangeLast.position, handSide)) << handSide;
    EXPECT_EQ(silverFirst.key[handSide], pawnFirst.key[handSide]) << handSide;
    EXPECT_EQ(silverFirst.key[handSide], KeyOf(pawnFirst.position, handSide)) << handSide;
  }
  EXPECT_EQ(exchangeFirst.position.hand[0][BISHOP - 1], 1);
  EXPECT_EQ(exchangeFirst.position.hand[1][BISHOP - 1], 1);
}

// ---------------------------------------------------------------------------
// Matches

PositionKey KeyWithHand(int pawns, int golds, int sideToMove) {
  Position position = StartPosition();
  position.hand[0][PAWN - 1] = static_cast<int8_t>(pawns);
  position.hand[0][GOLD - 1] = static_cast<int8_t>(golds);
  position.sideToMove = static_cast<uint8_t>(sideToMove);
  return KeyOf(position, 0);
}

TEST(MatchPositionKey, ReadsHandDominance) {
  const PositionKey threePawnsGold = KeyWithHand(3, 1, 0);
  const PositionKey twoPawnsGold = KeyWithHand(2, 1, 0);
  EXPECT_EQ(MatchPositionKey(threePawnsGold, twoPawnsGold), 1);
  EXPECT_EQ(MatchPositionKey(twoPawnsGold, threePawnsGold), 2);
  EXPECT_EQ(MatchPositionKeyAtLeast(threePawnsGold, twoPawnsGold), 1);
  EXPECT_EQ(MatchPositionKeyAtLeast(twoPawnsGold, threePawnsGold), 0);

  const PositionKey threePawns = KeyWithHand(3, 0, 0);
  EXPECT_EQ(MatchPositionKey(threePawns, twoPawnsGold), 0);
  EXPECT_EQ(MatchPositionKey(twoPawnsGold, threePawns), 0);
  EXPECT_EQ(MatchPositionKeyAtLeast(threePawns, twoPawnsGold), 0);
  EXPECT_EQ(MatchPositionKeyAtLeast(twoPawnsGold, threePawns), 0);

  const PositionKey otherSideToMove = KeyWithHand(3, 1, 1);
  EXPECT_EQ(MatchPositionKey(threePawnsGold, otherSideToMove), 0);
  EXPECT_EQ(MatchPositionKeyAtLeast(threePawnsGold, otherSideToMove), 1);

  EXPECT_EQ(MatchPositionKey(threePawnsGold, threePawnsGold), 3);
  EXPECT_EQ(MatchPositionKeyAtLeast(threePawnsGold, threePawnsGold), 3);
}

TEST(MatchPositionKey, NeedsTheSameBoard) {
  const PositionKey key = KeyWithHand(3, 1, 0);
  const PositionKey fewer = KeyWithHand(2, 1, 0);
  for (int word = 0; word < 3; ++word) {
    PositionKey otherBoard = key;
    otherBoard.word[word] ^= word < 2 ? 1u : 1u << 22;  // bits 22-31 of word 2 are board bits
    EXPECT_EQ(MatchPositionKey(otherBoard, fewer), 0) << word;
    EXPECT_EQ(MatchPositionKeyAtLeast(otherBoard, fewer), 0) << word;
  }
}

}  // namespace
