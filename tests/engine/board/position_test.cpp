// Set-up, recounts and from-scratch attack records of the engine position:
// the initial position and handicaps, the ray rules of AddPieceAttacks on
// small positions, hand stacks and totals, and the side-relative table.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#include "engine/board/make_move.h"
#include "engine/board/position.h"
#include "engine/service/hand_lists.h"
#include "support/engine_oracle.h"
#include "support/playout.h"
#include "support/position_builder.h"
#include "support/position_checks.h"

namespace {

#ifdef KIFU_SANITIZED
constexpr int kHeavyDivisor = 3;  // sanitized builds play a third of the games
#else
constexpr int kHeavyDivisor = 1;
#endif

bool Has(uint32_t set, int id) { return (set >> id) & 1; }
bool HasDirect(const Position& position, int side, int file, int rank, int id) {
  const SquareAttackRecord& record = *position.SquareRecord(file, rank);
  return id < 32 ? Has(record.directSet[side].low, id) : Has(record.directSet[side].high, id - 32);
}

// A piece list for the independent builder.
class PieceList {
 public:
  PieceList& Place(int side, int type, int file, int rank) {
    onBoard_.push_back({side, type, file, rank});
    return *this;
  }
  PieceList& Hand(int side, int baseType, int count) {
    inHand_.push_back({side, baseType, count});
    return *this;
  }
  PieceList& SideToMove(int side) {
    sideToMove_ = side;
    return *this;
  }
  // The position laid out by the independent builder, then rebuilt by the
  // engine's own steps (stacks, recounts, attack records); both must agree.
  Position Build() const {
    const Position reference = BuildPosition(sideToMove_, onBoard_, inHand_);
    Position position;
    std::memcpy(&position, &reference, sizeof position);
    for (int id = 0; id < PIECE_COUNT; ++id) {
      if (position.pieces[id].file == IN_HAND_FILE) position.pieces[id].file = OUT_OF_PLAY_FILE;
    }
    std::memset(position.handStack, 0, sizeof position.handStack);
    std::memset(position.pawnRank, 0xff, sizeof position.pawnRank);
    std::memset(position.tokins, 0, sizeof position.tokins);
    std::memset(position.handTotal, 0xff, sizeof position.handTotal);
    std::memset(position.attacks, 0xff, sizeof position.attacks);
    RebuildHandLists(position);
    RecountPawnFiles(position);
    RecountTokins(position);
    RecountHandTotals(position);
    RecomputeAttacks(position);
    EXPECT_TRUE(EquivalentPositions(position, reference));
    return position;
  }

 private:
  std::vector<PlacedPiece> onBoard_;
  std::vector<HandPieces> inHand_;
  int sideToMove_ = 0;
};

// Kings out of the way of the lines the tests look at.
PieceList WithKings() {
  PieceList pieces;
  pieces.Place(0, KING, 9, 9).Place(1, KING, 1, 1);
  return pieces;
}

// The template is one global; every test leaves it as the even game left it.
class HandicapTest : public ::testing::Test {
 protected:
  void TearDown() override {
    Position position;
    SetupHandicap(position, HANDICAP_EVEN);
  }
};

// ---------------------------------------------------------------------------

TEST(InitialPosition, DerivedTablesMatchTheBoard) {
  Position position;
  SetupInitialPosition(position);
  EXPECT_EQ(position.sideToMove, 0);
  for (int file = 1; file <= 9; ++file) {
    EXPECT_EQ(position.PawnRankOnFile(0, file), 7);
    EXPECT_EQ(position.PawnRankOnFile(1, file), 3);
  }
  EXPECT_EQ(position.tokins[0].count, 0u);
  EXPECT_EQ(position.tokins[1].count, 0u);
  EXPECT_EQ(position.handTotal[0], 0u);
  EXPECT_EQ(position.handTotal[1], 0u);
  for (int id = 0; id < PIECE_COUNT; ++id) {
    const PieceListEntry& entry = *position.PieceEntry(id);
    ASSERT_TRUE(IsOnBoard(entry.file, entry.rank)) << "piece " << id;
    EXPECT_EQ(OwnerOf(entry.code), entry.rank <= 3 ? 1 : 0) << "piece " << id;
  }
  EXPECT_EQ(position.PieceEntry(0)->file, 5);
  EXPECT_EQ(position.PieceEntry(1)->rank, 1);
  EXPECT_EQ(position.PieceCodeAt(5, 5), 0);
  EXPECT_EQ(position.PieceCodeAt(0, 0), WALL_CODE);
  const PieceListEntry& empty = *position.PieceEntry(EMPTY_PIECE_ID);
  EXPECT_EQ(empty.file | empty.rank | empty.code, 0);
  EXPECT_EQ(DescribeInconsistency(position), "");
}

TEST(InitialPosition, NamedSquaresHoldTheirAttackers) {
  Position position;
  SetupInitialPosition(position);
  // King 0, golds 6 and 7 and rook 2 along the empty rank 8.
  EXPECT_EQ(position.AttackCount(0, 5, 8), 4);
  EXPECT_EQ(position.AttackSetLow(0, 5, 8), (1u << 0) | (1u << 2) | (1u << 6) | (1u << 7));
  EXPECT_EQ(position.AttackCount(1, 5, 8), 0);
  // The rook reaches its own pawn on 2-7 and, the pawn stepping forward, 2-6 in second line.
  EXPECT_TRUE(HasDirect(position, 0, 2, 7, 2));
  EXPECT_EQ(position.AttackCount(0, 2, 6), 1);
  EXPECT_EQ(position.SquareRecord(2, 6)->xrayCount[0], 1);
  EXPECT_EQ(position.XraySet(0, 2, 6), 1u << 2);
  EXPECT_EQ(position.AttackCountWithXray(0, 2, 6), 2);
  // The square beyond a one-step continuation carries no sliding bit.
  EXPECT_FALSE(Has(position.SquareRecord(2, 6)->slidingSet[0], 2));
  // Side 1's pawns 31-39 sit in the high word of the direct set.
  EXPECT_EQ(position.SquareRecord(1, 4)->directSet[1].high, 1u << (39 - 32));
}

TEST(InitialPosition, IsItsOwnMirrorWithSidesSwapped) {
  Position position;
  SetupInitialPosition(position);
  for (int file = 1; file <= 9; ++file) {
    for (int rank = 1; rank <= 9; ++rank) {
      for (int side = 0; side < 2; ++side) {
        EXPECT_EQ(position.AttackCount(side, file, rank), position.AttackCount(side ^ 1, 10 - file, 10 - rank));
        EXPECT_EQ(position.AttackCountWithXray(side, file, rank),
                  position.AttackCountWithXray(side ^ 1, 10 - file, 10 - rank));
      }
    }
  }
}

TEST(InitialPosition, SetUpOverAnyBytesGivesTheSameBytes) {
  Position dirty, clean;
  std::memset(&dirty, 0xa5, sizeof dirty);
  std::memset(&clean, 0, sizeof clean);
  SetupInitialPosition(dirty);
  SetupInitialPosition(clean);
  EXPECT_EQ(std::memcmp(&dirty, &clean, sizeof dirty), 0);
}

// ---------------------------------------------------------------------------

TEST_F(HandicapTest, EachHandicapRemovesItsPiecesAndGivesSide1TheMove) {
  const std::vector<std::vector<int>> removed = {
      {}, {21}, {5}, {3}, {3, 21}, {3, 5}, {3, 5, 20, 21}, {3, 5, 16, 17, 20, 21},
  };
  for (int handicap = 0; handicap <= 7; ++handicap) {
    SCOPED_TRACE(handicap);
    Position position;
    SetupHandicap(position, handicap);
    EXPECT_EQ(position.sideToMove, handicap == 0 ? 0 : 1);
    for (int id = 0; id < PIECE_COUNT; ++id) {
      const bool gone = std::find(removed[handicap].begin(), removed[handicap].end(), id) != removed[handicap].end();
      EXPECT_EQ(position.PieceEntry(id)->file == OUT_OF_PLAY_FILE, gone) << "piece " << id;
    }
    EXPECT_EQ(DescribeInconsistency(position), "");
  }
}

TEST_F(HandicapTest, SixPieceHandicapEmptiesTheTemplateUntilTheNextHandicap) {
  Position position;
  SetupHandicap(position, HANDICAP_SIX);
  for (int id : {3, 5, 16, 17, 20, 21}) EXPECT_EQ(position.PieceEntry(id)->file, OUT_OF_PLAY_FILE);
  EXPECT_EQ(position.sideToMove, 1);
  // A plain set-up reads the template as the handicap left it.
  SetupInitialPosition(position);
  for (int id : {3, 5, 16, 17, 20, 21}) EXPECT_EQ(position.PieceEntry(id)->file, OUT_OF_PLAY_FILE);
  EXPECT_EQ(g_initialBoardTemplate[8][2], EMPTY_PIECE_ID);
  // The next handicap writes every cell again, whatever came before.
  SetupHandicap(position, HANDICAP_LANCE);
  for (int id : {3, 5, 16, 17, 20}) EXPECT_TRUE(IsOnBoard(position.PieceEntry(id)->file, 1)) << id;
  EXPECT_EQ(position.PieceEntry(21)->file, OUT_OF_PLAY_FILE);
}

TEST_F(HandicapTest, ValueOutsideTheTableKeepsTheTemplateButGivesSide1TheMove) {
  Position position;
  SetupHandicap(position, HANDICAP_ROOK);
  SetupHandicap(position, 9);
  EXPECT_EQ(position.PieceEntry(3)->file, OUT_OF_PLAY_FILE);
  EXPECT_EQ(position.PieceEntry(5)->file, 2);
  EXPECT_EQ(position.sideToMove, 1);
  SetupHandicap(position, -1);
  EXPECT_EQ(position.PieceEntry(3)->file, OUT_OF_PLAY_FILE);
  EXPECT_EQ(position.sideToMove, 1);
}

// ---------------------------------------------------------------------------

TEST(AttackRules, RookBehindOwnLanceSeesEverySquareTheLanceReaches) {
  PieceList builder = WithKings();
  builder.Place(0, ROOK, 5, 9).Place(0, LANCE, 5, 7).Place(1, PAWN, 5, 3);
  const Position position = builder.Build();
  const int rook = position.PieceIdAt(5, 9), lance = position.PieceIdAt(5, 7);
  EXPECT_TRUE(HasDirect(position, 0, 5, 7, rook));
  for (int rank = 3; rank <= 6; ++rank) {
    SCOPED_TRACE(rank);
    EXPECT_TRUE(HasDirect(position, 0, 5, rank, lance));
    EXPECT_EQ(position.XraySet(0, 5, rank), 1u << rook);
    EXPECT_EQ(position.SquareRecord(5, rank)->xrayCount[0], 1);
    EXPECT_TRUE(Has(position.SquareRecord(5, rank)->slidingSet[0], rook));
  }
  // The enemy pawn ends both rays.
  EXPECT_EQ(position.AttackCountWithXray(0, 5, 2), 0);
  EXPECT_EQ(DescribeInconsistency(position), "");
}

TEST(AttackRules, LanceAheadOfOwnRookDoesNotCarryTheRookBackwards) {
  PieceList builder = WithKings();
  builder.Place(0, ROOK, 5, 5).Place(0, LANCE, 5, 7);
  const Position position = builder.Build();
  EXPECT_TRUE(HasDirect(position, 0, 5, 7, position.PieceIdAt(5, 5)));
  EXPECT_EQ(position.AttackCountWithXray(0, 5, 8), 0);
}

TEST(AttackRules, OneStepPieceGivesOneSquareInSecondLineAndKnightNone) {
  PieceList builder = WithKings();
  builder.Place(0, ROOK, 5, 9).Place(0, GOLD, 5, 7).Place(0, ROOK, 2, 9).Place(0, KNIGHT, 2, 7);
  builder.Place(0, BISHOP, 8, 7).Place(0, GOLD, 7, 6);
  const Position position = builder.Build();
  const int rook = position.PieceIdAt(5, 9), bishop = position.PieceIdAt(8, 7);
  EXPECT_EQ(position.XraySet(0, 5, 6), 1u << rook);
  EXPECT_FALSE(Has(position.SquareRecord(5, 6)->slidingSet[0], rook));
  EXPECT_EQ(position.AttackCountWithXray(0, 5, 5), 0);
  EXPECT_EQ(position.AttackCountWithXray(0, 2, 6), 0);
  // A gold steps diagonally forward but not back: the bishop sees past it
  // one square forward, and nothing when it stands in front of it.
  EXPECT_EQ(position.XraySet(0, 6, 5), 1u << bishop);
  EXPECT_EQ(position.AttackCountWithXray(0, 5, 4), 0);
  EXPECT_EQ(DescribeInconsistency(position), "");
}

TEST(AttackRules, SliderCheckingAKingAlsoAttacksTheSquareBehindIt) {
  PieceList builder;
  builder.Place(0, KING, 9, 9).Place(1, KING, 5, 3).Place(0, ROOK, 5, 8).Place(0, BISHOP, 8, 6);
  const Position position = builder.Build();
  const int rook = position.PieceIdAt(5, 8), bishop = position.PieceIdAt(8, 6);
  // Rook along the file: 5-3 with the sliding bit, 5-2 without; 5-1 untouched.
  EXPECT_TRUE(HasDirect(position, 0, 5, 3, rook));
  EXPECT_TRUE(HasDirect(position, 0, 5, 2, rook));
  EXPECT_FALSE(Has(position.SquareRecord(5, 2)->slidingSet[0], rook));
  EXPECT_FALSE(HasDirect(position, 0, 5, 1, rook));
  // Bishop along the diagonal 8-6, 7-5, 6-4, 5-3 (king), 4-2.
  EXPECT_TRUE(HasDirect(position, 0, 5, 3, bishop));
  EXPECT_TRUE(HasDirect(position, 0, 4, 2, bishop));
  EXPECT_FALSE(HasDirect(position, 0, 3, 1, bishop));
  EXPECT_EQ(DescribeInconsistency(position), "");
}

TEST(AttackRules, NoSquareBehindAKingSeenInSecondLineOrBehindOtherPieces) {
  PieceList builder;
  builder.Place(0, KING, 9, 9).Place(1, KING, 5, 3).Place(0, ROOK, 5, 8).Place(0, LANCE, 5, 6);
  builder.Place(1, SILVER, 2, 3).Place(0, ROOK, 2, 8);
  const Position position = builder.Build();
  const int rook = position.PieceIdAt(5, 8), secondRook = position.PieceIdAt(2, 8);
  EXPECT_TRUE(Has(position.XraySet(0, 5, 3), rook));
  EXPECT_FALSE(Has(position.XraySet(0, 5, 2), rook));
  EXPECT_FALSE(HasDirect(position, 0, 5, 2, rook));
  EXPECT_TRUE(HasDirect(position, 0, 2, 3, secondRook));
  EXPECT_FALSE(HasDirect(position, 0, 2, 2, secondRook));
}

TEST(AttackRules, PiecesOnEdgeSquaresStayInsideTheBoard) {
  // Pieces that could never move from where they stand still get records
  // without reading or writing past the wall ring.
  PieceList builder;
  builder.Place(0, KNIGHT, 1, 1).Place(0, KNIGHT, 9, 2).Place(1, KNIGHT, 5, 9).Place(1, LANCE, 1, 9);
  builder.Place(0, DRAGON, 9, 1).Place(1, HORSE, 1, 8);
  const Position position = builder.Build();
  EXPECT_EQ(DescribeInconsistency(position), "");
  EXPECT_EQ(position.AttackCount(0, 8, 1), 1);  // the dragon only
}

// Mirrored positions (turned 180 degrees, sides swapped) have mirrored records.
TEST(AttackRules, RecordsOfRandomPositionsMirror) {
  const int games = 6 / kHeavyDivisor;
  for (int game = 0; game < games; ++game) {
    Position position;
    SetupInitialPosition(position);
    PlayoutEvents events;
    const auto engineMove = [](Position& played, const MoveRecord& move) {
      MakeMove(played, move, 0);
      return true;
    };
    ASSERT_GT(PlayRandomGame(position, 1000 + game, 120, engineMove, events).size(), 40u);
    PieceList mirror;
    for (int id = 0; id < PIECE_COUNT; ++id) {
      const PieceListEntry& entry = *position.PieceEntry(id);
      if (!IsOnBoard(entry.file, entry.rank)) continue;
      mirror.Place(OwnerOf(entry.code) ^ 1, TypeOf(entry.code), 10 - entry.file, 10 - entry.rank);
    }
    for (int side = 0; side < 2; ++side) {
      for (int type = ROOK; type <= PAWN; ++type) mirror.Hand(side ^ 1, type, position.hand[side][type - 1]);
    }
    mirror.SideToMove(position.sideToMove ^ 1);
    const Position mirrored = mirror.Build();
    for (int file = 1; file <= 9; ++file) {
      for (int rank = 1; rank <= 9; ++rank) {
        const SquareAttackRecord& a = *position.SquareRecord(file, rank);
        const SquareAttackRecord& b = *mirrored.SquareRecord(10 - file, 10 - rank);
        for (int side = 0; side < 2; ++side) {
          ASSERT_EQ(a.directCount[side], b.directCount[side ^ 1]) << file << "-" << rank;
          ASSERT_EQ(a.xrayCount[side], b.xrayCount[side ^ 1]) << file << "-" << rank;
          ASSERT_EQ(std::popcount(a.slidingSet[side]), std::popcount(b.slidingSet[side ^ 1]));
        }
      }
    }
    EXPECT_EQ(mirrored.handTotal[0], position.handTotal[1]);
  }
}

// ---------------------------------------------------------------------------

TEST(HandLists, StackedPiecesAreInHandInIdOrderAndTheRestOutOfPlay) {
  Position position;
  SetupInitialPosition(position);
  // Take pawns 23 and 25 and gold 8 off the board, put two pawns and the gold in hands.
  for (int id : {23, 25, 8}) {
    PieceListEntry& entry = *position.PieceEntry(id);
    position.board[entry.file][entry.rank] = static_cast<int8_t>(EMPTY_PIECE_ID);
    entry.file = OUT_OF_PLAY_FILE;
  }
  position.hand[0][PAWN - 1] = 1;
  position.hand[1][PAWN - 1] = 1;
  position.hand[1][GOLD - 1] = 1;
  RebuildHandLists(position);
  EXPECT_EQ(position.handStack[g_handListStart[PAWN]], 23);
  EXPECT_EQ(position.handStack[g_handListStart[PAWN] + 1], 25);
  EXPECT_EQ(position.handStack[g_handListStart[GOLD]], 8);
  for (int id : {23, 25, 8}) EXPECT_EQ(position.PieceEntry(id)->file, IN_HAND_FILE) << id;
  EXPECT_EQ(position.PieceEntry(22)->file, 9);
  RecountHandTotals(position);
  RecountPawnFiles(position);
  RecomputeAttacks(position);
  EXPECT_EQ(DescribeInconsistency(position), "");

  // With fewer pieces in hand than off the board, the later ids are out of play.
  position.hand[0][PAWN - 1] = 0;
  RebuildHandLists(position);
  EXPECT_EQ(position.PieceEntry(23)->file, IN_HAND_FILE);
  EXPECT_EQ(position.PieceEntry(25)->file, OUT_OF_PLAY_FILE);
}

TEST(HandLists, HandTotalsLeavePawnsOut) {
  PieceList builder = WithKings();
  builder.Hand(0, PAWN, 5).Hand(0, SILVER, 2).Hand(0, ROOK, 1).Hand(1, PAWN, 3).Hand(1, LANCE, 1);
  const Position position = builder.Build();
  EXPECT_EQ(position.handTotal[0], 3u);
  EXPECT_EQ(position.handTotal[1], 1u);
  EXPECT_EQ(DescribeInconsistency(position), "");
}

TEST(HandLists, TokinsAndPawnFilesFollowTheBoard) {
  PieceList builder = WithKings();
  builder.Place(0, TOKIN, 3, 3).Place(0, PAWN, 3, 6).Place(1, TOKIN, 7, 8).Place(1, PAWN, 4, 4);
  const Position position = builder.Build();
  EXPECT_EQ(position.tokins[0].count, 1u);
  EXPECT_EQ(position.tokins[0].ids[0], static_cast<uint32_t>(position.PieceIdAt(3, 3)));
  EXPECT_EQ(position.tokins[1].count, 1u);
  EXPECT_EQ(position.PawnRankOnFile(0, 3), 6);
  EXPECT_EQ(position.PawnRankOnFile(1, 4), 4);
  EXPECT_EQ(position.PawnRankOnFile(1, 7), 0);
}

// ---------------------------------------------------------------------------

TEST(SideRelativeTable, HoldsItsValuesSeenFromEitherSide) {
  const int expected[10][9] = {
      {},
      {0, 0, 0, -1, -3, -5, -7, -9, -10},
      {0, 0, 0, -1, -3, -5, -7, -9, -10},
      {0, 0, 0, -1, -3, -5, -7, -9, -10},
      {0, 0, 0, -1, -3, -5, -7, -9, -10},
      {-15, -5, -3, -5, -3, -5, -7, -9, -10},
      {-54, -43, -33, -22, -7, 4, -10, -22, -37},
      {-58, -50, -40, -29, -16, -7, -27, -35, -52},
      {-66, -55, -48, -42, -27, -15, -37, -47, -61},
      {-78, -61, -57, -62, -48, -43, -50, -65, -75},
  };
  for (int row = 1; row <= 9; ++row) {
    for (int d = -4; d <= 4; ++d) {
      // Side 1 counts d from rank 5 downward, side 0 upward; types above the
      // knight read the row from the other edge.
      EXPECT_EQ(SideRelativeTableValue(1, ROOK, row, 5 + d), expected[row][d + 4]) << row << " " << d;
      EXPECT_EQ(SideRelativeTableValue(0, SILVER, row, 5 - d), expected[row][d + 4]) << row << " " << d;
      EXPECT_EQ(SideRelativeTableValue(1, LANCE, 10 - row, 5 + d), expected[row][d + 4]) << row << " " << d;
      EXPECT_EQ(SideRelativeTableValue(0, KNIGHT, row, 5 + d), 0);
    }
  }
}

}  // namespace
