// Record positions: play and take-back over random games, refusals that
// would create or lose pieces, board editing, the key and the book form,
// and arbitrary bytes.
#include "records/kifu_position.h"

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <random>
#include <utility>
#include <vector>

#include "engine/board/hash_key_table.h"
#include "engine/service/book_position.h"
#include "records/sjis_string.h"
#include "support/kifu_builder.h"

namespace {

constexpr int SECOND = KIFU_SECOND_PLAYER_BIT;
constexpr int HAND = KIFU_FIRST_HAND_FILE;
constexpr int SECOND_HAND = KIFU_SECOND_HAND_FILE;

// The position with its box recounted from the full set: equal to the
// position itself while its box is exact and no piece was created or lost.
KifuPosition Recounted(KifuPosition position) {
  position.UpdateBoxAndHandicap();
  return position;
}

KifuPositionKey KeyOf(const KifuPosition& position) {
  KifuPositionKey key;
  position.ComputeKey(key);
  return key;
}

TEST(KifuPosition, RandomGamesUndoBackToTheStartAndKeepEveryPiece) {
  for (HandicapFlags flags : {HANDICAP_NONE, HandicapFlags{0x300}, HandicapFlags{0x3FF}, HANDICAP_FIRST_KING}) {
    for (uint32_t seed = 1; seed <= 6; ++seed) {
      const KifuPosition start = KifuStartPosition(flags);
      KifuPosition position = start;
      const std::vector<KifuMove> moves = KifuRandomPlayout(position, 120, seed);
      ASSERT_FALSE(moves.empty());
      EXPECT_TRUE(Recounted(position) == position);
      for (auto move = moves.rbegin(); move != moves.rend(); ++move) {
        ASSERT_TRUE(position.UndoMove(*move));
        EXPECT_FALSE(position.UndoMove(*move)) << "a move taken back twice";
      }
      EXPECT_TRUE(position == start) << "flags " << flags << " seed " << seed;
    }
  }
}

// Moves whose bytes disagree with the board would create or lose a piece,
// or drive a hand count below zero (random bytes are tried below; these are
// the near misses).
TEST(KifuPosition, MovesThatDisagreeWithTheBoardChangeNothing) {
  KifuPosition position = KifuStartPosition();
  position.hands[0][KIFU_PAWN] = 1;
  position.board[KifuPosition::SquareIndex(5, 7)] = 0;
  ExpectKifuRefused(position, [](KifuPosition& p, KifuMove& m) { return p.DoMove(m); },
                {KifuOrdinaryMove(7, 7, 7, 6, KIFU_PAWN, KIFU_GOLD + SECOND),   // nothing to capture
                 KifuOrdinaryMove(HAND, KIFU_PAWN, 5, 5, KIFU_GOLD, 0),         // not the hand's type
                 KifuOrdinaryMove(SECOND_HAND, KIFU_PAWN, 5, 5, KIFU_PAWN, 0),  // another hand
                 KifuOrdinaryMove(7, 7, 7, 6, KIFU_PAWN, KIFU_NO_PIECE),        // no byte UndoMove may write back
                 KifuMove(7, 7, 7, 6, KIFU_PAWN, 0, 0, KifuMoveKind::Resignation)});  // a marker is no move
  ASSERT_TRUE(position.DoMove(KifuOrdinaryMove(7, 7, 7, 6, KIFU_PAWN, 0)));
  ExpectKifuRefused(position, [](KifuPosition& p, KifuMove& m) { return p.UndoMove(m); },
                {KifuOrdinaryMove(7, 7, 7, 6, KIFU_PAWN, 0, 1),                 // not promoted on the board
                 KifuOrdinaryMove(7, 7, 7, 6, KIFU_PAWN, KIFU_GOLD + SECOND),   // no gold in hand to give back
                 KifuOrdinaryMove(7, 7, 7, 6, KIFU_PAWN, KIFU_PAWN),            // own piece "captured"
                 KifuOrdinaryMove(SECOND_HAND, KIFU_PAWN, 7, 6, KIFU_PAWN, 0),  // the wrong hand
                 KifuOrdinaryMove(7, 7, 7, 6, KIFU_PAWN, SECOND)});             // bytes never on a square
  // Only the side that has just moved takes back: after 7六歩 3四歩 2六歩 the
  // second player's 3四歩 is not the last move.
  const KifuMove secondPawn = KifuOrdinaryMove(3, 3, 3, 4, KIFU_PAWN + SECOND, 0);
  ASSERT_TRUE(position.DoMove(secondPawn) && position.DoMove(KifuOrdinaryMove(2, 7, 2, 6, KIFU_PAWN, 0)));
  ExpectKifuRefused(position, [](KifuPosition& p, KifuMove& m) { return p.UndoMove(m); }, {secondPawn});
  // A promote byte other than 0 and 1 is no promotion flag.
  const KifuPosition silver = BuildKifuPosition({{5, 9, KIFU_KING}, {5, 1, KIFU_KING + SECOND}, {3, 4, KIFU_SILVER}}, 0);
  ExpectKifuRefused(silver, [](KifuPosition& p, KifuMove& m) { return p.DoMove(m); },
                    {KifuOrdinaryMove(3, 4, 3, 3, KIFU_SILVER, 0, 2)});
}

// Hand counts are signed bytes: at 127 nothing may add to a hand; 126 and a
// capture reach 127 and come back. Gathering refuses negative counts.
TEST(KifuPosition, FullAndNegativeHands) {
  KifuPosition full = BuildKifuPosition({{5, 5, KIFU_PAWN}, {5, 4, KIFU_PAWN + SECOND}}, 0);
  full.hands[0][KIFU_PAWN] = 127;
  full.hands[1][KIFU_PAWN] = 1;
  const KifuMove capture = KifuOrdinaryMove(5, 5, 5, 4, KIFU_PAWN, KIFU_PAWN + SECOND);
  ExpectKifuRefused(full, [](KifuPosition& p, KifuMove& m) { return p.DoMove(m) || p.GatherHands(0); }, {capture});
  ExpectKifuRefused(full, [](KifuPosition& p, KifuMove& m) { return p.EditMove(m); },
                    {KifuOrdinaryMove(5, 5, HAND, KIFU_PAWN, KIFU_PAWN, 0)});
  full.hands[0][KIFU_PAWN] = 126;
  ASSERT_TRUE(full.DoMove(capture));
  EXPECT_TRUE(full.HandCount(0, KIFU_PAWN) == 127 && full.UndoMove(capture) && full.HandCount(0, KIFU_PAWN) == 126);
  full.hands[1][KIFU_PAWN] = -1;
  ExpectKifuRefused(full, [](KifuPosition& p, KifuMove&) { return p.GatherHands(0); }, {capture});
}

TEST(KifuPositionEdit, CyclesSwapsAndRefusals) {
  KifuPosition position = KifuStartPosition();
  // In place: a pawn steps through promoted and the other side's; a gold or king changes owner.
  const std::pair<int, std::vector<int>> cycles[] = {
      {77, {9, 17, 25, 1}}, {69, {KIFU_GOLD + SECOND, KIFU_GOLD}}, {59, {KIFU_KING + SECOND, KIFU_KING}}};
  for (const auto& [square, codes] : cycles) {
    for (int code : codes) {
      const int file = square / 10, rank = square % 10, before = position.At(file, rank).Code();
      ASSERT_TRUE(position.EditMove(KifuOrdinaryMove(file, rank, file, rank, before, before, 1)));
      EXPECT_EQ(position.At(file, rank), code);
    }
  }
  // The king to the box and back, then swapped with a pawn; a pawn to a hand and
  // from there onto the rook, which goes to that hand.
  ASSERT_TRUE(position.EditMove(KifuOrdinaryMove(5, 9, KIFU_BOX_FILE, KIFU_KING, KIFU_KING, 0)));
  ASSERT_TRUE(position.EditMove(KifuOrdinaryMove(KIFU_BOX_FILE, KIFU_KING, 5, 5, KIFU_KING, 0)));
  ASSERT_TRUE(position.EditMove(KifuOrdinaryMove(5, 5, 5, 7, KIFU_KING, KIFU_PAWN)));
  EXPECT_EQ(position.At(5, 5), KIFU_PAWN);
  EXPECT_EQ(position.At(5, 7), KIFU_KING);
  ASSERT_TRUE(position.EditMove(KifuOrdinaryMove(5, 5, SECOND_HAND, KIFU_PAWN, KIFU_PAWN, 0)));
  ASSERT_TRUE(position.EditMove(KifuOrdinaryMove(SECOND_HAND, KIFU_PAWN, 2, 8, KIFU_PAWN + SECOND, KIFU_ROOK)));
  EXPECT_EQ(position.HandCount(1, KIFU_ROOK), 1);
  EXPECT_EQ(position.HandCount(1, KIFU_PAWN), 0);
  EXPECT_EQ(position.sideToMove, 0);
  EXPECT_TRUE(Recounted(position) == position);
  ExpectKifuRefused(position, [](KifuPosition& p, KifuMove& m) { return p.EditMove(m); },
                {KifuOrdinaryMove(7, 7, 7, 7, KIFU_PAWN, KIFU_PAWN, 0),                   // in place needs the flag
                 KifuOrdinaryMove(4, 5, 4, 5, 0, 0, 1),                                   // nothing there to cycle
                 KifuOrdinaryMove(KIFU_BOX_FILE, KIFU_ROOK, 5, 4, KIFU_ROOK, 0),          // empty box
                 KifuOrdinaryMove(SECOND_HAND, KIFU_ROOK, SECOND_HAND, 5, KIFU_ROOK, 0),  // same hand
                 KifuOrdinaryMove(5, 7, HAND, KIFU_KING, KIFU_KING, 0),                   // king into a hand
                 KifuOrdinaryMove(SECOND_HAND, KIFU_ROOK, 5, 7, KIFU_ROOK, KIFU_KING),    // the same, displaced
                 KifuOrdinaryMove(6, 9, 7, 7, KIFU_GOLD, KIFU_ROOK),                      // a rook for the pawn
                 KifuOrdinaryMove(6, 9, KIFU_BOX_FILE, KIFU_GOLD, KIFU_GOLD, KIFU_PAWN),  // a pawn out of the box
                 KifuOrdinaryMove(-3, 120, 5, 4, KIFU_GOLD, 0)});
}

// Swapping sides carries every hand slot across, the king's included.
TEST(KifuPosition, SwappingSidesKeepsAKingInHand) {
  KifuPosition kingInHand = KifuStartPosition();
  kingInHand.hands[0][KIFU_KING] = 1;
  kingInHand.SwapSides();
  EXPECT_EQ(kingInHand.HandCount(1, KIFU_KING) * 10 + kingInHand.HandCount(0, KIFU_KING), 10);
}

// A copy takes every field, the handicap flags too, which equality leaves out.
TEST(KifuPosition, CopyFromTakesTheWholeRecord) {
  std::vector<KifuPosition> sources = KifuSamplePositions();
  KifuPosition unusual = KifuStartPosition(HANDICAP_TWO_PIECES);
  unusual.hands[1][KIFU_PAWN] = 3;
  unusual.sideToMove = 0;
  sources.push_back(unusual);
  for (const KifuPosition& source : sources) {
    KifuPosition copy = BuildKifuPosition({{5, 5, KIFU_GOLD}}, 1 - source.sideToMove);
    copy.handicapFlags = ~source.handicapFlags;
    copy.CopyFrom(source);
    EXPECT_EQ(std::memcmp(copy.board, source.board, sizeof copy.board), 0);
    EXPECT_EQ(std::memcmp(copy.hands, source.hands, sizeof copy.hands), 0);
    EXPECT_EQ(copy.sideToMove, source.sideToMove);
    EXPECT_EQ(copy.handicapFlags, source.handicapFlags);
  }
}

// Collecting takes every piece but the kings into a hand or the box;
// gathering moves the other hand's pieces across.
TEST(KifuPosition, CollectingAndGatheringPieces) {
  // Pawn, lance, knight, silver, gold, bishop, rook of a full set.
  const int fullSet[] = {18, 4, 4, 4, 4, 2, 2};
  for (int store : {0, 1, KIFU_BOX}) {
    KifuPosition position = KifuStartPosition();
    position.board[KifuPosition::SquareIndex(7, 7)] = KIFU_PRO_PAWN;  // a promoted piece counts as its type
    ASSERT_TRUE(position.CollectBoardPieces(store));
    for (int type = KIFU_PAWN; type <= KIFU_ROOK; ++type) {
      EXPECT_EQ(position.HandCount(store, type), fullSet[type - 1]) << store << " " << type;
    }
    EXPECT_EQ(position.HandCount(store, KIFU_KING), 0);
    int onBoard = 0;
    for (int rank = 1; rank <= 9; ++rank) {
      for (int file = 1; file <= 9; ++file) onBoard += position.At(file, rank).IsPiece();
    }
    EXPECT_EQ(onBoard * 100 + position.At(5, 9).Code() * 10 + position.At(5, 1).Code() % 16, 2 * 100 + 80 + 8);
    if (store == KIFU_BOX) continue;
    ASSERT_TRUE(position.GatherHands(1 - store));
    for (int type = KIFU_PAWN; type <= KIFU_ROOK; ++type) {
      EXPECT_EQ(position.HandCount(1 - store, type) * 100 + position.HandCount(store, type), fullSet[type - 1] * 100);
    }
  }
  KifuPosition start = KifuStartPosition();
  ExpectKifuRefused(start,
                    [](KifuPosition& p, KifuMove&) { return p.CollectBoardPieces(3) || p.CollectBoardPieces(-1); },
                    {KifuMove()});
  ExpectKifuRefused(start, [](KifuPosition& p, KifuMove&) { return p.GatherHands(KIFU_BOX); }, {KifuMove()});
}

// Turning twice (SwapSides twice) is the identity.
TEST(KifuPositionKey, OnlyTheSamePositionOrItsTurnedTwinShareTheKey) {
  // Along random games: equal keys only for the same position or its turned twin.
  const std::vector<KifuPosition> samples = KifuSamplePositions();
  for (size_t i = 0; i < samples.size(); ++i) {
    EXPECT_EQ(KeyOf(samples[i]), KeyOf(KifuTurned(samples[i])));
    EXPECT_TRUE(KifuTurned(KifuTurned(samples[i])) == samples[i]);
    for (size_t j = 0; j < i; ++j) {
      if (KeyOf(samples[i]) != KeyOf(samples[j])) continue;
      EXPECT_TRUE(samples[i] == samples[j] || KifuTurned(samples[i]) == samples[j]) << i << " " << j;
    }
  }
}

TEST(KifuPositionBook, ExactBytes) {
  const uint8_t start[45] = {84, 132, 71,  145, 77,  139, 83,  85,  131, 133, 82, 86, 130, 134, 81,
                             87, 129, 135, 80,  88,  128, 136, 60,  61,  62,  63, 64, 65,  66,  67,
                             68, 148, 149, 150, 151, 152, 153, 154, 155, 156, 0,  0,  0,   0,   0};
  BookPosition book;
  for (int side : {0, 1}) {  // the start is symmetric: the same from either chair
    KifuPosition position = KifuStartPosition();
    position.sideToMove = side;
    ASSERT_TRUE(position.ToBookPosition(book));
    EXPECT_EQ(std::memcmp(&book, start, sizeof start), 0);
  }
  // With the second player to move squares are turned: 10 x (9 - rank) +
  // 9 - file. Kings 5一 (84) and 5九 (132); the first player's dragon on 2二
  // (205, promoted) and pawn on 1七 (156), the second's tokin on 7七 (22,
  // promoted, sorted first in its group with its bit); hands: the second's
  // two pawns (79) and a gold (39), the first's bishop (157).
  KifuPosition position = BuildKifuPosition({{5, 9, KIFU_KING},
                                             {5, 1, KIFU_KING + SECOND},
                                             {2, 2, KIFU_DRAGON},
                                             {1, 7, KIFU_PAWN},
                                             {7, 7, KIFU_PRO_PAWN + SECOND}},
                                            1);
  position.hands[1][KIFU_PAWN] = 2;
  position.hands[1][KIFU_GOLD] = 1;
  position.hands[0][KIFU_BISHOP] = 1;
  position = Recounted(position);
  uint8_t expected[45];
  std::memset(expected, 255, 40);
  const std::pair<int, int> filled[] = {{0, 84},  {1, 132}, {2, 205}, {4, 157}, {6, 39},
                                        {22, 22}, {23, 79}, {24, 79}, {25, 156}};
  for (const auto& [slot, code] : filled) expected[slot] = static_cast<uint8_t>(code);
  const uint8_t promotedBits[5] = {0x04, 0, 0x40, 0, 0};  // slots 2 and 22
  std::memcpy(expected + 40, promotedBits, 5);
  ASSERT_TRUE(position.ToBookPosition(book));
  EXPECT_EQ(std::memcmp(&book, expected, sizeof expected), 0);
}

// Pieces of each base type on the board, in both hands and in the box.
std::vector<int> PieceCounts(const KifuPosition& position) {
  std::vector<int> counts(9, 0);
  for (const KifuPieceCode code : position.board) {
    if (code.IsPiece()) counts[KifuBaseType(code.Type())] += 1;
  }
  for (const auto& store : position.hands) {
    for (int type = 1; type <= KIFU_KING; ++type) counts[type] += store[type];
  }
  return counts;
}

// Every public operation on positions and moves of random bytes; the
// sanitizer build catches any read or write out of bounds.
TEST(KifuPosition, ArbitraryBytesNeverReachOutsideTheTables) {
  std::mt19937 random(7);
  auto byte = [&] { return static_cast<int>(random() % 256); };
  auto small = [&] { return static_cast<int>(random() % 20) - 3; };
  for (int round = 0; round < 20000; ++round) {
    KifuPosition position = KifuStartPosition();
    for (KifuPieceCode& code : position.board) {
      if (code != KIFU_BORDER_CODE && random() % 3 == 0) code = random() % 4 ? small() & 31 : byte();
    }
    for (auto& hand : position.hands) {
      for (int8_t& count : hand) count = static_cast<int8_t>(random() % 4 ? small() : byte());
    }
    position.sideToMove = random() % 8 ? static_cast<int>(random() % 2) : small();
    position.handicapFlags = random() % 2 ? HANDICAP_FIRST_KING : byte();

    KifuPositionKey key;
    position.ComputeKey(key);
    BookPosition book;
    position.ToBookPosition(book);
    position.IsValid();
    position.IsInCheck(small());
    position.HasLegalMove();
    int points;
    position.CheckImpasseDeclaration(24, &points);
    KifuMove moves[KIFU_MAX_MOVES];
    const int count =
        position.GenerateMoves(moves, small(), small(), small(), small(), byte(), byte(), small(), small());
    EXPECT_LE(count, KIFU_MAX_MOVES);
    KifuMove move(small(), small(), small(), small(), byte(), byte(), byte(), static_cast<KifuMoveKind>(byte()));
    if (count > 0 && random() % 2) move = moves[random() % count];
    position.IsValidMove(move, static_cast<int>(random() % 2));
    position.IsPawnDropMate(move);
    SjisString text;
    position.MoveNotation(move, small(), small(), text);
    KifuMove completed = move;
    position.CompleteMove(completed);
    // Each change of the position either keeps every piece or is refused
    // and changes nothing.
    KifuPosition copy = position;
    const auto playMoves = {
        +[](KifuPosition& p, const KifuMove& m) { return p.DoMove(m); },
        +[](KifuPosition& p, const KifuMove& m) { return p.UndoMove(m); },
        +[](KifuPosition& p, const KifuMove& m) { return p.EditMove(m); },
    };
    for (const KifuMove& tried : {move, completed}) {
      for (auto play : playMoves) {
        const KifuPosition before = copy;
        if (play(copy, tried)) {
          EXPECT_EQ(PieceCounts(copy), PieceCounts(before));
        } else {
          EXPECT_TRUE(copy == before && copy.handicapFlags == before.handicapFlags);
        }
      }
    }
    copy.SwapSides();
    copy.CollectBoardPieces(small());
    copy.GatherHands(small());
    copy.UpdateBoxAndHandicap();
    position.HandCount(small(), small());
  }
}

// Each hand count n > 0 adds the one table key of its (type, count), own
// hand from 2268 and the other hand from 2306 (rook 0, bishop 2, gold 4,
// silver 8, knight 12, lance 16, pawn 20 within a hand): a single piece in
// hand changes the start position's key by exactly the key of count 1.
TEST(KifuPositionKey, EachHandCountAddsItsOwnTableKey) {
  struct Case {
    int side, type, count, index;  // the side to move is 0
  };
  const Case cases[] = {{0, KIFU_ROOK, 1, 2268},   {0, KIFU_BISHOP, 2, 2271}, {0, KIFU_GOLD, 1, 2272},
                        {0, KIFU_SILVER, 1, 2276}, {0, KIFU_KNIGHT, 1, 2280}, {0, KIFU_LANCE, 1, 2284},
                        {0, KIFU_PAWN, 1, 2288},   {0, KIFU_PAWN, 18, 2305},  {1, KIFU_ROOK, 1, 2306},
                        {1, KIFU_GOLD, 3, 2312},   {1, KIFU_PAWN, 1, 2326},   {1, KIFU_LANCE, 1, 2322}};
  const KifuPosition start = KifuStartPosition();
  const KifuPositionKey startKey = KeyOf(start);
  for (const Case& c : cases) {
    KifuPosition position = start;
    position.hands[c.side][c.type] = static_cast<int8_t>(c.count);
    const KifuPositionKey expected{startKey.first ^ g_hashKeyTable[c.index].first,
                                   startKey.second ^ g_hashKeyTable[c.index].second};
    EXPECT_EQ(KeyOf(position), expected) << c.side << " " << c.type << " x" << c.count;
  }
}

}  // namespace
