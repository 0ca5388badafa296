// Make and unmake: records equal a recount after every make and unmake (of
// every pseudo-legal move of random games, illegal ones included), the
// position comes back, and the attack history holds the net changes and,
// for captures, the reply squares in their order.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "engine/board/make_move.h"
#include "engine/board/position.h"
#include "support/playout.h"
#include "support/position_builder.h"
#include "support/position_checks.h"
#include "support/pseudo_legal_moves.h"
#include "support/sfen_position.h"

namespace {

#ifdef KIFU_SANITIZED
constexpr int kHeavyDivisor = 4;  // sanitized builds play a quarter of the games
#else
constexpr int kHeavyDivisor = 1;
#endif

std::string Describe(const MoveRecord& move) {
  std::ostringstream text;
  if (move.IsDrop()) {
    text << "drop";
  } else {
    text << int{move.fromFile} << "-" << int{move.fromRank};
  }
  text << " to " << int{move.toFile} << "-" << int{move.toRank} << " piece " << int{move.pieceId} << " code "
       << int{move.pieceCode} << " captures " << int{move.capturedId} << (move.promote ? " promoting" : "");
  return text.str();
}

MoveRecord BoardMove(const Position& position, int fromFile, int fromRank, int toFile, int toRank, int promote = 0) {
  MoveRecord move{};
  const int id = position.PieceIdAt(fromFile, fromRank);
  const int captured = position.PieceIdAt(toFile, toRank);
  move.Set(fromFile, fromRank, toFile, toRank, static_cast<PieceId>(id), position.PieceEntry(id)->code,
           static_cast<PieceId>(captured), position.PieceCodeAt(toFile, toRank), promote);
  return move;
}

MoveRecord Drop(const Position& position, int side, int baseType, int toFile, int toRank) {
  MoveRecord move{};
  const int top = position.hand[0][baseType - 1] + position.hand[1][baseType - 1] - 1;
  move.SetDrop(toFile, toRank, position.handStack[g_handListStart[baseType] + top],
               static_cast<PieceCode>(OwnerBit(side) | baseType));
  return move;
}

Position FromSfen(const char* text) {
  Position position;
  EXPECT_TRUE(PositionFromSfen(text, position)) << text;
  return position;
}

bool Attacks(const SquareAttackRecord& record, int side, int id) {
  if (id >= 32) return (record.directSet[side].high >> (id - 32)) & 1;
  return ((record.directSet[side].low | record.xraySet[side]) >> id) & 1;
}

int Total(const SquareAttackRecord& record, int side) { return record.directCount[side] + record.xrayCount[side]; }

bool LayerIsClear(int layer) {
  for (const AttackChangeRecord& record : g_attackHistory.layer[layer]) {
    if (record.change[0] != 0 || record.change[1] != 0) return false;
  }
  return true;
}

// Squares of a layer's list from its head; stops at 82 entries (a cycle).
std::vector<int> ListedSquares(int slot) {
  std::vector<int> squares;
  for (const AttackChangeRecord* record = g_attackHistoryLists[slot]; record != nullptr && squares.size() <= 81;
       record = record->next) {
    squares.push_back(SquareIndex(record->file, record->rank));
  }
  return squares;
}

// The reply squares of a capture from the records before and after it, in
// the order the list holds them: squares opened by each enemy slider that
// attacked the from-square directly (highest id first, outward), pushed
// after the squares the mover lost and did not regain (moves in table order,
// outward), each push at the front.
std::vector<int> ExpectedReplySquares(const Position& before, const Position& after, const MoveRecord& move) {
  const int side = OwnerOf(move.pieceCode), other = side ^ 1;
  const int id = move.pieceId;
  std::vector<int> lost;
  const PieceMoves& moves = g_pieceMoveTable[TypeOf(move.pieceCode)];
  for (int n = 0; n < moves.count; ++n) {
    const int df = moves.slot[n].df, dr = moves.slot[n].dr * SideSign(side);
    for (int file = move.fromFile + df, rank = move.fromRank + dr; IsOnBoard(file, rank); file += df, rank += dr) {
      if (Attacks(*before.SquareRecord(file, rank), side, id) && !Attacks(*after.SquareRecord(file, rank), side, id)) {
        lost.push_back(SquareIndex(file, rank));
      }
      if (!moves.slot[n].slides) break;
    }
  }
  std::vector<int> opened;
  for (int slider = 31; slider >= 0; --slider) {
    const PieceListEntry& entry = *before.PieceEntry(slider);
    if (slider == move.capturedId || !IsOnBoard(entry.file, entry.rank) || OwnerOf(entry.code) != other) continue;
    if (!((before.AttackSetLow(other, move.fromFile, move.fromRank) >> slider) & 1)) continue;
    const int df = (move.fromFile > entry.file) - (move.fromFile < entry.file);
    const int dr = (move.fromRank > entry.rank) - (move.fromRank < entry.rank);
    for (int file = move.fromFile + df, rank = move.fromRank + dr; IsOnBoard(file, rank); file += df, rank += dr) {
      const int square = SquareIndex(file, rank);
      if (!Attacks(*after.SquareRecord(file, rank), other, slider) ||
          Attacks(*before.SquareRecord(file, rank), other, slider)) {
        continue;
      }
      if (std::find(lost.begin(), lost.end(), square) == lost.end()) opened.push_back(square);
    }
  }
  std::vector<int> list(opened.rbegin(), opened.rend());
  list.insert(list.end(), lost.rbegin(), lost.rend());
  return list;
}

// Makes the move recorded in layer `layer`, checks records, derived tables,
// change counters and list, unmakes it and checks that everything is back.
::testing::AssertionResult MakeUnmakeIsExact(Position& position, const MoveRecord& move, int layer) {
  Position before;
  std::memcpy(&before, &position, sizeof before);
  g_attackHistoryDepth = layer;
  AttackChangeRecord* const sentinel = &g_attackHistory.layer[0][0];
  g_attackHistoryLists[layer + 1] = sentinel;

  MakeMove(position, move, 1);
  if (g_attackHistoryDepth != layer + 1) return ::testing::AssertionFailure() << "depth did not rise";
  if (position.sideToMove != (before.sideToMove ^ 1)) return ::testing::AssertionFailure() << "side not flipped";
  std::string problem = DescribeInconsistency(position);
  if (!problem.empty()) return ::testing::AssertionFailure() << "after make of " << Describe(move) << ": " << problem;
  for (int square = 0; square < SQUARE_COUNT; ++square) {
    for (int side = 0; side < 2; ++side) {
      const int net = Total(position.attacks[square], side) - Total(before.attacks[square], side);
      if (g_attackHistory.layer[layer][square].change[side] != net) {
        return ::testing::AssertionFailure() << "change of square " << square << " side " << side << " is "
                                             << int{g_attackHistory.layer[layer][square].change[side]} << ", net "
                                             << net << " after " << Describe(move);
      }
    }
  }
  if (layer + 1 < ATTACK_HISTORY_LAYERS && !LayerIsClear(layer + 1)) {
    return ::testing::AssertionFailure() << "layer above the move changed";
  }
  const std::vector<int> listed = ListedSquares(layer + 1);
  const std::vector<int> expected =
      move.IsCapture() ? ExpectedReplySquares(before, position, move) : std::vector<int>{};
  if (listed != expected) {
    std::ostringstream text;
    text << "list of " << Describe(move) << ":";
    for (int square : listed) text << " " << square;
    text << " expected";
    for (int square : expected) text << " " << square;
    return ::testing::AssertionFailure() << text.str();
  }

  UnmakeMove(position, move, 1);
  if (g_attackHistoryDepth != layer) return ::testing::AssertionFailure() << "depth did not fall";
  if (!LayerIsClear(layer)) return ::testing::AssertionFailure() << "changes left after unmake of " << Describe(move);
  if (!SameLivePosition(position, before)) {
    problem = DescribeInconsistency(position);
    return ::testing::AssertionFailure() << "unmake of " << Describe(move) << " left another position " << problem;
  }
  return ::testing::AssertionSuccess();
}

class MakeMoveTest : public ::testing::Test {
 protected:
  void SetUp() override { InitAttackHistory(); }
  void TearDown() override { InitAttackHistory(); }
};

// ---------------------------------------------------------------------------

// Every pseudo-legal move (those leaving the own king attacked included) of
// every node of random games, made recorded at a depth that walks all layers.
TEST_F(MakeMoveTest, EveryMoveOfRandomGamesIsExactAndUndone) {
  const int games = 64 / kHeavyDivisor;
  const int plies = 200 / kHeavyDivisor;
  std::vector<MoveRecord> moves(MAX_PSEUDO_LEGAL_MOVES);
  long checked = 0, captures = 0;
  for (int game = 0; game < games; ++game) {
    Position position;
    SetupHandicap(position, game % 8);
    PlayoutRandom random(77 + game);
    for (int ply = 0; ply < plies; ++ply) {
      const int count = GeneratePseudoLegalMoves(position, moves.data());
      std::vector<int> legal;
      for (int n = 0; n < count; ++n) {
        ASSERT_TRUE(MakeUnmakeIsExact(position, moves[n], (ply + n) % ATTACK_HISTORY_LAYERS)) << "game " << game;
        ++checked;
        captures += moves[n].IsCapture() ? 1 : 0;
        MakeMove(position, moves[n], 0);
        if (!MoverKingAttacked(position)) legal.push_back(n);
        UnmakeMove(position, moves[n], 0);
      }
      if (legal.empty()) break;
      g_attackHistoryDepth = 0;
      MakeMove(position, moves[legal[random.Below(static_cast<int>(legal.size()))]], 0);
    }
  }
  Position reset;
  SetupHandicap(reset, HANDICAP_EVEN);  // the template is shared by every test
  EXPECT_GT(captures, checked / 50);
  std::printf("checked %ld moves, %ld captures\n", checked, captures);
}

// Positions where sliders cross: pins, x-rays through lances and golds,
// checks along lines with the king free to walk them.
TEST_F(MakeMoveTest, EveryMoveOfCrowdedSliderPositionsIsExact) {
  const char* positions[] = {
      "4r4/4l4/9/1b2K2R1/9/4L4/2B1g4/4L4/k8 b GSNPs 1",
      "8k/9/2r1g1+B2/9/s2K3l1/4S4/2b1L4/9/+R3L4 b GNPlp 1",
      "k3r4/9/4+l4/3+r1G3/b3K4/9/4B4/9/8L b SNP2g 1",
      "K3R4/9/4L4/3R1g3/B3k4/9/4b4/9/8l w sNp2G 1",
      "4k4/4l4/4r4/9/1b1GKG3/9/4R4/4L4/9 b - 1",
  };
  std::vector<MoveRecord> moves(MAX_PSEUDO_LEGAL_MOVES);
  for (const char* text : positions) {
    SCOPED_TRACE(text);
    Position position = FromSfen(text);
    ASSERT_EQ(DescribeInconsistency(position), "");
    for (int side = 0; side < 2; ++side) {
      position.sideToMove = static_cast<uint8_t>(side);
      const int count = GeneratePseudoLegalMoves(position, moves.data());
      for (int n = 0; n < count; ++n) ASSERT_TRUE(MakeUnmakeIsExact(position, moves[n], n % ATTACK_HISTORY_LAYERS));
    }
  }
}

// Forty recorded moves nested: each layer keeps its own counters and list
// while deeper moves are made, and all unwinds to zero.
TEST_F(MakeMoveTest, NestedRecordedMovesKeepEachLayer) {
  Position position;
  SetupInitialPosition(position);
  Position start;
  std::memcpy(&start, &position, sizeof start);
  PlayoutEvents events;
  const std::vector<MoveRecord> played = PlayRandomGame(
      position, 4242, 40,
      [](Position& line, const MoveRecord& move) {
        MakeMove(line, move, 0);
        return true;
      },
      events);
  const int plies = static_cast<int>(played.size());
  ASSERT_EQ(plies, 40);
  std::memcpy(&position, &start, sizeof position);
  g_attackHistoryDepth = 0;  // the game was played without unmakes
  std::vector<std::vector<int8_t>> changes;
  std::vector<std::vector<int>> lists;
  for (int ply = 0; ply < plies; ++ply) {
    MakeMove(position, played[ply], 1);
    // A probe without recording in between touches neither counters nor lists.
    std::vector<MoveRecord> probe(MAX_PSEUDO_LEGAL_MOVES);
    if (GeneratePseudoLegalMoves(position, probe.data()) > 0) {
      MakeMove(position, probe[0], 0);
      EXPECT_EQ(g_attackHistoryDepth, ply + 2);
      UnmakeMove(position, probe[0], 0);
    }
    std::vector<int8_t> layer;
    for (const AttackChangeRecord& record : g_attackHistory.layer[ply]) {
      layer.push_back(record.change[0]);
      layer.push_back(record.change[1]);
    }
    changes.push_back(layer);
    lists.push_back(ListedSquares(ply + 1));
  }
  for (int ply = 0; ply < plies; ++ply) {
    std::vector<int8_t> layer;
    for (const AttackChangeRecord& record : g_attackHistory.layer[ply]) {
      layer.push_back(record.change[0]);
      layer.push_back(record.change[1]);
    }
    EXPECT_EQ(layer, changes[ply]) << ply;
    EXPECT_EQ(ListedSquares(ply + 1), lists[ply]) << ply;
  }
  for (int ply = plies - 1; ply >= 0; --ply) {
    UnmakeMove(position, played[ply], 1);
    EXPECT_TRUE(LayerIsClear(ply)) << ply;
  }
  EXPECT_EQ(g_attackHistoryDepth, 0);
  EXPECT_TRUE(SameLivePosition(position, start));
}

// ---------------------------------------------------------------------------

TEST_F(MakeMoveTest, RookSlidingTowardAnEnemyRookCutsItsRayShort) {
  Position position = FromSfen("k8/4r4/9/9/9/9/9/4R4/8K b - 1");
  const int enemyRook = position.PieceIdAt(5, 2);
  ASSERT_TRUE(MakeUnmakeIsExact(position, BoardMove(position, 5, 8, 5, 4), 0));
  MakeMove(position, BoardMove(position, 5, 8, 5, 4), 0);
  EXPECT_TRUE((position.AttackSetLow(1, 5, 4) >> enemyRook) & 1);
  for (int rank = 5; rank <= 8; ++rank) EXPECT_EQ(position.AttackCountWithXray(1, 5, rank), 0) << rank;
}

TEST_F(MakeMoveTest, CaptureByAShieldListsLostAndOpenedSquaresOnce) {
  // Side 0's gold on 7-3 shields 6-4 and beyond from side 1's bishop on 9-1
  // and takes the pawn on 7-2.
  Position position = BuildPosition(0, {{0, KING, 5, 9}, {1, KING, 1, 1}, {1, BISHOP, 9, 1}, {0, GOLD, 7, 3},
                                         {1, PAWN, 7, 2}, {0, PAWN, 3, 7}});
  const MoveRecord capture = BoardMove(position, 7, 3, 7, 2);
  ASSERT_TRUE(MakeUnmakeIsExact(position, capture, 5));
  g_attackHistoryDepth = 5;
  MakeMove(position, capture, 1);
  // Lost in table order 7-2, 8-2, 8-3, 7-4, 6-3, 6-2; 8-2 and 6-2 come back
  // from 7-2; the bishop opens 6-4, 5-5, 4-6 and 3-7 (its ray ends on the pawn).
  const std::vector<int> expected = {SquareIndex(3, 7), SquareIndex(4, 6), SquareIndex(5, 5), SquareIndex(6, 4),
                                     SquareIndex(6, 3), SquareIndex(7, 4), SquareIndex(8, 3), SquareIndex(7, 2)};
  EXPECT_EQ(ListedSquares(6), expected);
  EXPECT_EQ(g_attackHistory.At(5, 8, 2).change[0], 0);
  EXPECT_EQ(g_attackHistory.At(5, 5, 5).change[1], 1);
  UnmakeMove(position, capture, 1);
  // Unmake leaves the list as the make left it.
  EXPECT_EQ(ListedSquares(6), expected);
}

TEST_F(MakeMoveTest, SilverTakingStraightAheadOfItsRookExtendsTheRook) {
  Position position = FromSfen("k8/9/9/9/9/4p4/4S4/9/4R3K b - 1");
  const int rook = position.PieceIdAt(5, 9);
  // Silver from 5-7 takes 5-6.
  const MoveRecord capture = BoardMove(position, 5, 7, 5, 6);
  ASSERT_TRUE(MakeUnmakeIsExact(position, capture, 0));
  MakeMove(position, capture, 0);
  EXPECT_TRUE((position.AttackSetLow(0, 5, 6) >> rook) & 1);
  EXPECT_EQ(position.XraySet(0, 5, 5), 1u << rook);
  EXPECT_EQ(position.PieceEntry(capture.capturedId)->file, IN_HAND_FILE);
}

TEST_F(MakeMoveTest, KingLeavingACheckingFileOpensTheRayPastIt) {
  Position position = FromSfen("k3r4/9/9/9/4K4/9/9/9/9 b - 1");
  const int rook = position.PieceIdAt(5, 1);
  const MoveRecord sideways = BoardMove(position, 5, 5, 4, 5);
  ASSERT_TRUE(MakeUnmakeIsExact(position, sideways, 0));
  MakeMove(position, sideways, 0);
  EXPECT_TRUE((position.AttackSetLow(1, 5, 6) >> rook) & 1);
  EXPECT_TRUE((position.SquareRecord(5, 6)->slidingSet[1] >> rook) & 1);
  for (int rank = 7; rank <= 9; ++rank) EXPECT_TRUE((position.AttackSetLow(1, 5, rank) >> rook) & 1) << rank;
}

// Illegal king moves along the checking line, toward and away from the
// checker, with and without a capture: the records stay exact, so the
// caller's test of the king square is reliable, and unmake restores all.
TEST_F(MakeMoveTest, KingWalkingAlongTheCheckingLineKeepsRecordsExact) {
  Position position = FromSfen("k3r4/9/9/4g4/4K4/4p4/9/9/4b4 b - 1");
  for (const MoveRecord& move : {BoardMove(position, 5, 5, 5, 4), BoardMove(position, 5, 5, 5, 6)}) {
    ASSERT_TRUE(MakeUnmakeIsExact(position, move, 3));
  }
  Position open = FromSfen("k3r4/9/9/9/4K4/9/9/9/9 b - 1");
  for (const MoveRecord& move : {BoardMove(open, 5, 5, 5, 4), BoardMove(open, 5, 5, 5, 6)}) {
    ASSERT_TRUE(MakeUnmakeIsExact(open, move, 3));
    MakeMove(open, move, 0);
    EXPECT_GT(open.AttackCount(1, move.toFile, move.toRank), 0);
    UnmakeMove(open, move, 0);
  }
}

TEST_F(MakeMoveTest, NonCaptureListsNothingButCountsChanges) {
  Position position;
  SetupInitialPosition(position);
  const MoveRecord pawn = BoardMove(position, 7, 7, 7, 6);
  g_attackHistoryLists[1] = &g_attackHistory.layer[0][0];
  MakeMove(position, pawn, 1);
  EXPECT_EQ(g_attackHistoryLists[1], nullptr);
  EXPECT_EQ(g_attackHistory.At(0, 7, 5).change[0], 1);   // the pawn's new target
  EXPECT_EQ(g_attackHistory.At(0, 7, 6).change[0], -1);  // its old one
  EXPECT_EQ(g_attackHistory.At(0, 6, 6).change[0], 1);   // the bishop, past the pawn's old square
  UnmakeMove(position, pawn, 1);
  EXPECT_TRUE(LayerIsClear(0));
}

TEST_F(MakeMoveTest, PromotionAndCaptureKeepTokinsPawnFilesAndHands) {
  Position position = FromSfen("k8/9/2+p6/3P5/9/9/9/9/8K b - 1");
  const int pawn = position.PieceIdAt(6, 4);
  const MoveRecord promote = BoardMove(position, 6, 4, 6, 3, 1);
  ASSERT_TRUE(MakeUnmakeIsExact(position, promote, 0));
  MakeMove(position, promote, 0);
  EXPECT_EQ(position.PawnRankOnFile(0, 6), 0);
  ASSERT_EQ(position.tokins[0].count, 1u);
  EXPECT_EQ(position.tokins[0].ids[0], static_cast<uint32_t>(pawn));
  UnmakeMove(position, promote, 0);
  EXPECT_EQ(position.PawnRankOnFile(0, 6), 4);
  EXPECT_EQ(position.tokins[0].count, 0u);

  // Taking the tokin adds a pawn to the hand but not to the hand total.
  Position tokinSide = FromSfen("k8/9/2+p6/3P5/9/9/9/9/8K w - 1");
  const MoveRecord takePawn = BoardMove(tokinSide, 7, 3, 6, 4);
  ASSERT_TRUE(MakeUnmakeIsExact(tokinSide, takePawn, 0));
  Position capturer = FromSfen("k8/9/2+p6/2G6/9/9/9/9/8K b - 1");
  const MoveRecord takeTokin = BoardMove(capturer, 7, 4, 7, 3);
  ASSERT_TRUE(MakeUnmakeIsExact(capturer, takeTokin, 0));
  MakeMove(capturer, takeTokin, 0);
  EXPECT_EQ(capturer.tokins[1].count, 0u);
  EXPECT_EQ(capturer.hand[0][PAWN - 1], 1);
  EXPECT_EQ(capturer.handTotal[0], 0u);
}

TEST_F(MakeMoveTest, DropsLowerHandTotalsExceptForPawns) {
  Position position = FromSfen("k8/9/9/9/9/9/9/9/8K b GP 1");
  ASSERT_EQ(position.handTotal[0], 1u);
  const MoveRecord pawn = Drop(position, 0, PAWN, 5, 5);
  ASSERT_TRUE(MakeUnmakeIsExact(position, pawn, 0));
  MakeMove(position, pawn, 0);
  EXPECT_EQ(position.handTotal[0], 1u);
  EXPECT_EQ(position.PawnRankOnFile(0, 5), 5);
  UnmakeMove(position, pawn, 0);
  const MoveRecord gold = Drop(position, 0, GOLD, 5, 5);
  ASSERT_TRUE(MakeUnmakeIsExact(position, gold, 0));
  MakeMove(position, gold, 0);
  EXPECT_EQ(position.handTotal[0], 0u);
  EXPECT_EQ(position.hand[0][GOLD - 1], 0);
}

TEST_F(MakeMoveTest, DepthMovesWithoutRecordingAndPastTheLastLayer) {
  Position position;
  SetupInitialPosition(position);
  const MoveRecord move = BoardMove(position, 7, 7, 7, 6);
  MakeMove(position, move, 0);
  EXPECT_EQ(g_attackHistoryDepth, 1);
  EXPECT_TRUE(LayerIsClear(0));
  UnmakeMove(position, move, 0);
  EXPECT_EQ(g_attackHistoryDepth, 0);

  // A recorded move beyond the 44 layers is played unrecorded, not written past the history.
  g_attackHistoryDepth = ATTACK_HISTORY_LAYERS;
  AttackChangeRecord* const head = g_attackHistoryLists[ATTACK_HISTORY_LAYERS];
  MakeMove(position, move, 1);
  EXPECT_EQ(g_attackHistoryDepth, ATTACK_HISTORY_LAYERS + 1);
  EXPECT_EQ(DescribeInconsistency(position), "");
  UnmakeMove(position, move, 1);
  EXPECT_EQ(g_attackHistoryDepth, ATTACK_HISTORY_LAYERS);
  EXPECT_EQ(g_attackHistoryLists[ATTACK_HISTORY_LAYERS], head);
  for (int layer = 0; layer < ATTACK_HISTORY_LAYERS; ++layer) EXPECT_TRUE(LayerIsClear(layer)) << layer;
}

// ---------------------------------------------------------------------------

TEST_F(MakeMoveTest, RayHelpersAddAndRemoveExactly) {
  Position position = FromSfen("k8/9/9/4p4/9/4L4/9/4R4/8K b - 1");
  Position before;
  std::memcpy(&before, &position, sizeof before);
  const int rook = position.PieceIdAt(5, 8);
  // The rook's forward ray, through its own lance into second line.
  RemoveSlidingRay(position, 0, 5, 8, 0, -1, rook, 1);
  EXPECT_EQ(position.AttackCountWithXray(0, 5, 7), 0);
  EXPECT_EQ(position.XraySet(0, 5, 5), 0u);
  EXPECT_EQ(g_attackHistory.At(0, 5, 4).change[0], -1);
  AddSlidingRay(position, 0, 5, 8, 0, -1, 0, rook, 1);
  EXPECT_TRUE(SameLivePosition(position, before));
  EXPECT_TRUE(LayerIsClear(0));

  EXPECT_EQ(RemoveAttackerBit(position, 0, 5, 5, rook), 0);
  EXPECT_EQ(position.SquareRecord(5, 5)->xrayCount[0], 0);
  EXPECT_EQ(RemoveAttackerBit(position, 0, 5, 5, rook), 1);
  EXPECT_EQ(RemoveAttackerBit(position, 0, 5, 7, rook), 0);
  EXPECT_EQ(position.AttackCount(0, 5, 7), 0);
}

}  // namespace
