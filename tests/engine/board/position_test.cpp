// Set-up and from-scratch attack records of the engine position: the records
// the ray rules name on small positions, the six-piece handicap and the
// rebuild of the in-hand stacks. (Every make of the walk tests compares all
// records with RecomputeAttacks and the oracle; these are the named cases.)
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <initializer_list>
#include <tuple>
#include <vector>

#include "engine/board/make_move.h"
#include "engine/board/hand_lists.h"
#include "support/engine_oracle.h"
#include "support/position_builder.h"

namespace {

// The engine's own records of a position laid out by the independent
// builder; they must equal the oracle's.
Position EngineRecordsOf(const std::vector<PlacedPiece>& pieces, int sideToMove = 0) {
  const Position built = BuildPosition(sideToMove, pieces);
  Position position = built;
  RecomputeAttacks(position);
  EXPECT_TRUE(SameAttackRecords(position, built));
  return position;
}

constexpr uint32_t Ids(std::initializer_list<int> ids) {
  uint32_t set = 0;
  for (int id : ids) set |= 1u << id;
  return set;
}

TEST(AttackRecords, HoldTheAttackersTheRayRulesName) {
  const Position initial = StartPosition();
  // Rook 2 behind its lance 18 and rook 3 behind a gold on files 5 and 2;
  // rook 2 also runs into its knight on 6-9.
  const Position lines = EngineRecordsOf({{0, KING, 9, 5}, {1, KING, 1, 1}, {0, ROOK, 5, 9}, {0, LANCE, 5, 8},
                                          {1, PAWN, 5, 3}, {0, KNIGHT, 6, 9}, {0, ROOK, 2, 9}, {0, GOLD, 2, 8}});
  // Rook 2 and bishop 4 check the king on 5-3 along a file and a diagonal.
  const Position check = EngineRecordsOf({{0, KING, 9, 9}, {1, KING, 5, 3}, {0, ROOK, 5, 8}, {0, BISHOP, 8, 6}}, 1);
  const struct {
    const char* what;
    const Position& position;
    int file, rank, directCount;
    uint32_t directLow, xraySet, slidingSet;  // of side 0
  } cases[] = {
      {"king, golds and rook along rank 8", initial, 5, 8, 4, Ids({0, 2, 6, 7}), 0, Ids({2})},
      {"rook past its pawn, which steps", initial, 2, 6, 1, Ids({29}), Ids({2}), 0},
      {"rook behind its lance, on the enemy pawn", lines, 5, 3, 1, Ids({18}), Ids({2}), Ids({2, 18})},
      {"nothing past the enemy pawn", lines, 5, 2, 0, 0, 0, 0},
      {"rook behind its gold", lines, 2, 7, 1, Ids({6}), Ids({3}), 0},
      {"one square past a gold only", lines, 2, 6, 0, 0, 0, 0},
      {"nothing past a knight", lines, 7, 9, 0, 0, 0, 0},
      {"behind the king on the rook's file", check, 5, 2, 1, Ids({2}), 0, 0},
      {"two behind the king", check, 5, 1, 0, 0, 0, 0},
      {"behind the king on the bishop's diagonal", check, 4, 2, 1, Ids({4}), 0, 0},
  };
  for (const auto& [what, position, file, rank, directCount, directLow, xraySet, slidingSet] : cases) {
    const SquareAttackRecord& record = *position.SquareRecord(file, rank);
    EXPECT_EQ(std::make_tuple(int{record.directCount[0]}, record.directSet[0].low, int{record.xrayCount[0]},
                              record.xraySet[0], record.slidingSet[0]),
              std::make_tuple(directCount, directLow, std::popcount(xraySet), xraySet, slidingSet))
        << what;
  }
}

// The six-piece handicap takes its pieces out of play in the shared
// template: the initial set-up and an unknown handicap (side 1 to move) keep
// them out; the even handicap puts them back.
TEST(PositionSetUp, SixPieceHandicapTakesItsPiecesOutOfPlayUntilTheNextHandicap) {
  const std::vector<int> removed = {3, 5, 16, 17, 20, 21};
  Position position;
  const std::tuple<int, int, bool> steps[] = {{HANDICAP_SIX, 1, true}, {-1, 0, true}, {9, 1, true}, {HANDICAP_EVEN, 0, false}};
  for (const auto& [handicap, side, out] : steps) {
    if (handicap < 0) SetupInitialPosition(position);  // reads the template as the handicap left it
    else SetupHandicap(position, handicap);
    EXPECT_EQ(position.sideToMove, side) << handicap;
    for (int id = 0; id < PIECE_COUNT; ++id)
      EXPECT_EQ(position.pieces[id].file == OUT_OF_PLAY_FILE, out && std::count(removed.begin(), removed.end(), id) == 1)
          << handicap << " " << id;
  }
}

TEST(RebuildHandLists, StacksOffBoardIdsInOrderAsInHandAndTheRestOutOfPlay) {
  Position position = StartPosition();
  for (int id : {23, 25, 8}) {
    position.board[position.pieces[id].file][position.pieces[id].rank] = static_cast<int8_t>(EMPTY_PIECE_ID);
    position.pieces[id].file = OUT_OF_PLAY_FILE;
  }
  position.hand[0][PAWN - 1] = position.hand[1][PAWN - 1] = position.hand[1][GOLD - 1] = 1;
  RebuildHandLists(position);
  EXPECT_EQ(std::make_tuple(position.handStack[g_handListStart[PAWN]], position.handStack[g_handListStart[PAWN] + 1],
                            position.handStack[g_handListStart[GOLD]]),
            std::make_tuple(23, 25, 8));
  for (int id : {23, 25, 8}) EXPECT_EQ(position.pieces[id].file, IN_HAND_FILE) << id;
  EXPECT_EQ(position.pieces[22].file, 9);
  // With fewer pieces in hand than off the board, the later ids are out of play.
  position.hand[0][PAWN - 1] = 0;
  RebuildHandLists(position);
  EXPECT_EQ(std::make_pair(position.pieces[23].file, position.pieces[25].file),
            std::make_pair(int8_t{IN_HAND_FILE}, int8_t{OUT_OF_PLAY_FILE}));
}

}  // namespace
