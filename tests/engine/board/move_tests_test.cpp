// Follow-up keys on typical exchanges, the forcing and threat
// tests over random positions and keys (bounded, side-effect free, key 0
// inert, changed destinations forcing), line threats and the root filter.
#include <cstring>
#include <utility>

#include <gtest/gtest.h>

#include "engine/board/make_move.h"
#include "engine/board/move_generators.h"
#include "engine/board/move_tests.h"
#include "engine/search/search_globals.h"
#include "support/engine_oracle.h"
#include "support/generator_checks.h"
#include "support/playout.h"
#include "support/position_builder.h"

namespace {

MoveRecord Board(int fromFile, int fromRank, int toFile, int toRank, PieceCode code, PieceCode captured = 0) {
  MoveRecord move{};
  move.Set(fromFile, fromRank, toFile, toRank, 10, code, captured ? 30 : EMPTY_PIECE_ID, captured, 0);
  return move;
}
MoveRecord Drop(int toFile, int toRank, PieceCode code) {
  MoveRecord move{};
  move.Set(0, 0, toFile, toRank, 12, code, EMPTY_PIECE_ID, 0, 0);
  return move;
}

TEST(RecaptureKey, PacksTheAnswerAndTheTypeWon) {
  const MoveRecord goldTakesPawn = Board(5, 6, 5, 5, 0x23, 0x47);
  const MoveRecord silverRetakes = Board(4, 4, 5, 5, 0x44, 0x23);
  const uint32_t base = 0x5544;  // to rank 5, to file 5, from rank 4, from file 4
  EXPECT_EQ(RecaptureKey(goldTakesPawn, silverRetakes), 0x70000 + base);
  // The same exchange answered through the square of a quiet move between.
  EXPECT_EQ(RecaptureKey3(goldTakesPawn, Board(4, 3, 4, 4, 0x44), silverRetakes), base);
  EXPECT_EQ(RecaptureKey(Board(5, 6, 5, 5, 0x21, 0x43), silverRetakes), base + (GOLD << 16));
  EXPECT_EQ(RecaptureKey(Board(5, 6, 5, 5, 0x27, 0x41), silverRetakes), 0u);  // the cheaper piece took
  EXPECT_EQ(RecaptureKey(Board(5, 6, 5, 5, 0x27, 0x47), silverRetakes), 0u);  // pawn for pawn
  EXPECT_EQ(RecaptureKey(Board(5, 6, 5, 5, 0x27), silverRetakes), base + (5u << 24));
  EXPECT_EQ(RecaptureKey(Drop(5, 5, 0x23), silverRetakes), base);
  EXPECT_EQ(RecaptureKey(Board(5, 6, 5, 4, 0x23), silverRetakes), 0u);
  MoveRecord null{};
  null.SetNull();
  EXPECT_EQ(RecaptureKey(null, silverRetakes), 0u);
}

// The exchange answered through a quiet move between: the key follows
// what the move four plies back did on the square.
TEST(RecaptureKey3, FollowsTheFirstMoveOfTheExchange) {
  const MoveRecord quietSilver = Board(4, 3, 4, 4, 0x44);
  const MoveRecord silverRetakes = Board(4, 4, 5, 5, 0x44, 0x23);
  const uint32_t base = 0x5544;
  const struct {
    const char* what;
    MoveRecord first, middle;
    uint32_t expected;
  } cases[] = {
      {"pawn pushed", Board(5, 6, 5, 5, 0x27), quietSilver, base + (5u << 24)},
      {"gold moved", Board(5, 6, 5, 5, 0x23), quietSilver, base},
      {"gold dropped, silver dropped between", Drop(5, 5, 0x23), Drop(4, 4, 0x44), base},
      {"pawn pushed, silver dropped between", Board(5, 6, 5, 5, 0x27), Drop(4, 4, 0x44), 0},
      {"rook took a gold", Board(5, 6, 5, 5, 0x21, 0x43), quietSilver, base + (GOLD << 16)},
      {"gold took a rook", Board(5, 6, 5, 5, 0x23, 0x41), quietSilver, 0},
      {"gold took a gold", Board(5, 6, 5, 5, 0x23, 0x43), quietSilver, 0},
      {"tokin took a pawn", Board(5, 6, 5, 5, 0x37, 0x47), quietSilver, base},
      {"pawn took a pawn", Board(5, 6, 5, 5, 0x27, 0x47), quietSilver, 0},
      {"a capture between", Board(5, 6, 5, 5, 0x23), Board(4, 3, 4, 4, 0x44, 0x47), 0},
      {"the answer starts elsewhere", Board(5, 6, 5, 5, 0x23), Board(4, 3, 3, 4, 0x44), 0},
  };
  for (const auto& c : cases) EXPECT_EQ(RecaptureKey3(c.first, c.middle, silverRetakes), c.expected) << c.what;
}

// A pawn promoting on the square the own bishop just left by taking a piece
// (not a pawn) is forcing without any key or changed square.
TEST(IsForcingMove, PawnPromotesWhereTheBishopTookFrom) {
  ResetSearchGlobals();
  InitAttackHistory();
  const Position position =
      BuildPosition(0, {{0, KING, 5, 9}, {1, KING, 5, 1}, {0, PAWN, 3, 4}, {0, BISHOP, 7, 7}});
  const int pawn = position.PieceIdAt(3, 4);
  const struct {
    const char* what;
    int capturedId;
    PieceCode captured;
    int promote;
    bool forcing;
  } cases[] = {
      {"bishop took a gold", 6, 0x43, 1, true},
      {"bishop took a pawn", 30, 0x47, 1, false},
      {"no promotion", 6, 0x43, 0, false},
  };
  for (const auto& c : cases) {
    g_lineMoves[-1].Set(3, 3, 7, 7, 4, 0x22, static_cast<PieceId>(c.capturedId), c.captured, 0);
    EXPECT_EQ(IsForcingMove(position, g_lineMoves, pawn, c.promote, 0, 3, 3, 1), c.forcing ? 1 : 0) << c.what;
  }
  ResetSearchGlobals();
}

// Over random positions after a recorded move: both tests answer 0 or 1,
// change nothing, and read no square a garbage key names; a move onto a
// changed square is forcing; with key 0 and nothing changed nothing is.
TEST(IsForcingMove, BoundedAndInertWithoutKeyOrChanges) {
  ResetSearchGlobals();
  PlayoutRandom random{2024};
  MoveRecord moves[MAX_GENERATED_MOVES];
  static Position before;
  ForEachSamplePosition(SampleCount(1500), 2100, [&](Position& position) {
    int count = 0;
    GenerateAllMoves(position, count, moves);
    if (count == 0) return;
    const MoveRecord last = moves[random.Below(count)];
    g_lineMoves[0] = last;
    MakeMove(position, last, 1);
    std::memcpy(&before, &position, sizeof before);
    const bool nothingChanged = IsThreatSquare(0, 0) == 0 && g_attackHistoryLists[g_attackHistoryDepth] == nullptr;
    int replies = 0;
    GenerateAllMoves(position, replies, moves);
    for (int n = 0; n < replies; ++n) {
      const MoveRecord& move = moves[n];
      const int drop = move.IsDrop() ? 1 : 0, draw = random.Below(4);
      g_forcingMoveFilter = draw == 0 ? 0 : draw == 1 ? 0xffffffffu : static_cast<uint32_t>(random.Next());
      const int forcing = IsForcingMove(position, g_lineMoves, move.pieceId, move.promote, drop, move.toFile,
                                        move.toRank, random.Below(7));
      const int threat = IsThreatMove(position, drop ? -1 : move.pieceId, move.pieceCode, move.promote,
                                      move.toFile, move.toRank);
      ASSERT_TRUE((forcing == 0 || forcing == 1) && (threat == 0 || threat == 1));
      ASSERT_TRUE(drop || !IsThreatSquare(move.toFile, move.toRank) || forcing == 1) << "onto a changed square";
      ASSERT_TRUE(!nothingChanged || draw != 0 || forcing == 0) << "forcing with key 0 and nothing changed";
    }
    g_forcingMoveFilter = 0;
    ASSERT_EQ(std::memcmp(&before, &position, sizeof before), 0);
    UnmakeMove(position, last, 1);
  });
}

// Pawn and slider rules on the changed squares, and a drop onto the square
// the key's answer came from. A pawn threatens the one square in front of
// its destination: an enemy piece there at any level, an empty changed
// square from level 4. A rook sliding along its file onto an empty square
// adds nothing on that file; onto a capture the line ahead is new. With a
// pawn won on 3七, answered from 4八, a drop on 4八 is forcing: the type
// test passing over it (three pawns in hand) does not end the key tests.
TEST(IsForcingMove, RulesOnTheChangedSquaresAndTheKey) {
  const struct {
    const char* what;
    const char* diagram;
    std::vector<std::pair<int, int>> changed;
    uint32_t key;
    int fromFile, fromRank, toFile, toRank, level, expected;
  } cases[] = {
      {"pawn, level 3", "8k/9/9/5g3/9/4P4/9/9/K8 b - 1", {{5, 4}, {4, 4}}, 0, 5, 6, 5, 5, 3, 0},
      {"pawn, level 4", "8k/9/9/5g3/9/4P4/9/9/K8 b - 1", {{5, 4}, {4, 4}}, 0, 5, 6, 5, 5, 4, 1},
      {"pawn facing a piece", "8k/9/9/4g4/9/4P4/9/9/K8 b - 1", {}, 0, 5, 6, 5, 5, 0, 1},
      {"rook slides on its file", "8k/9/4g4/9/9/9/9/4R4/K8 b - 1", {{5, 3}}, 0, 5, 8, 5, 5, 0, 0},
      {"rook captures on its file", "8k/9/4g4/9/4p4/9/9/4R4/K8 b - 1", {{5, 3}}, 0, 5, 8, 5, 5, 0, 1},
      {"drop where the answer came from", "9/9/7K1/4r4/4p4/9/6P2/4k4/9 w 3p 1", {}, 0x00077384, 0, PAWN, 4, 8, 1, 1},
  };
  for (const auto& c : cases) {
    ResetSearchGlobals();
    SetChangedSquares(c.changed);
    g_forcingMoveFilter = c.key;
    const Position position = PositionFromDiagram(c.diagram);
    const MoveRecord move = MoveOn(position, c.fromFile, c.fromRank, c.toFile, c.toRank);
    EXPECT_EQ(IsForcingMove(position, g_lineMoves, move.pieceId, 0, move.IsDrop() ? 1 : 0, c.toFile, c.toRank, c.level),
              c.expected) << c.what;
  }
  ResetSearchGlobals();
  InitAttackHistory();
}

MoveRecord* LinkList(std::vector<MoveRecord>& moves) {
  for (size_t n = 0; n < moves.size(); ++n) {
    moves[n].previous = n > 0 ? &moves[n - 1] : nullptr;
    moves[n].next = n + 1 < moves.size() ? &moves[n + 1] : nullptr;
  }
  return moves.empty() ? nullptr : moves.data();
}

TEST(FilterRootBackMoves, DropsTheMovesThatOnlyPutAPieceBack) {
  // Our silver dropped on 5-5 was taken by a gold from 5-4: dropping onto 5-4 is removed.
  const MoveRecord silverDrop = Drop(5, 5, 0x24);
  const MoveRecord goldTakes = Board(5, 4, 5, 5, 0x43, 0x24);
  std::vector<MoveRecord> root = {Drop(5, 4, 0x23), Board(7, 7, 7, 6, 0x27), Drop(5, 4, 0x27)};
  int count = 3;
  MoveRecord* head = FilterRootBackMoves(LinkList(root), count, &goldTakes, &silverDrop);
  ASSERT_EQ(count, 1);
  EXPECT_EQ(head, &root[1]);
  EXPECT_EQ(head->next, nullptr);
  // Our silver moved 6-7 to 5-6 and a rook took it: only drops no stronger than a silver go back.
  const MoveRecord silverMove = Board(6, 7, 5, 6, 0x24);
  const MoveRecord rookTakes = Board(5, 2, 5, 6, 0x41, 0x24);
  std::vector<MoveRecord> drops = {Drop(6, 7, 0x27), Drop(6, 7, 0x23)};
  count = 2;
  head = FilterRootBackMoves(LinkList(drops), count, &rookTakes, &silverMove);
  ASSERT_EQ(count, 1);
  EXPECT_EQ(head, &drops[1]);
  // A filter that removes every candidate leaves an empty list.
  std::vector<MoveRecord> all = {Drop(6, 7, 0x27)};
  count = 1;
  EXPECT_EQ(FilterRootBackMoves(LinkList(all), count, &rookTakes, &silverMove), nullptr);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(FilterRootBackMoves(all.data(), count, nullptr, &silverMove), all.data());
}

// Keys packed by hand from the layout, every field at its largest and next
// to its neighbours, read back field by field.
TEST(FollowUpKey, FieldsReadBackFromTheLayout) {
  struct Case {
    int fromFile, fromRank, toFile, toRank, type, pawnFile;
  };
  const Case cases[] = {{1, 2, 3, 4, 5, 6}, {9, 9, 9, 9, 0x8f, 9}, {15, 15, 15, 15, 0xff, 0xff}, {0, 0, 0, 0, 7, 0}};
  for (const Case& c : cases) {
    const uint32_t key = static_cast<uint32_t>(c.fromFile) | static_cast<uint32_t>(c.fromRank) << 4 |
                         static_cast<uint32_t>(c.toFile) << 8 | static_cast<uint32_t>(c.toRank) << 12 |
                         static_cast<uint32_t>(c.type) << 16 | static_cast<uint32_t>(c.pawnFile) << 24;
    EXPECT_EQ(KeyFromFile(key), c.fromFile);
    EXPECT_EQ(KeyFromRank(key), c.fromRank);
    EXPECT_EQ(KeyToFile(key), c.toFile);
    EXPECT_EQ(KeyToRank(key), c.toRank);
    EXPECT_EQ(KeyType(key), c.type);
    EXPECT_EQ(KeyPawnFile(key), c.pawnFile);
  }
}

}  // namespace
