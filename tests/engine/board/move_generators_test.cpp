// The full generator against the oracle's pseudo-legal
// moves, stored-move validity against the oracle, list unlinking, and the
// engine perft against the record rules' perft.
#include <algorithm>

#include <gtest/gtest.h>

#include "engine/board/engine_perft.h"
#include "engine/board/make_move.h"
#include "engine/board/move_gen_helpers.h"
#include "engine/board/move_generators.h"
#include "engine/service/record_bridge.h"
#include "records/kifu_legal_moves.h"
#include "support/engine_oracle.h"
#include "support/generator_checks.h"
#include "support/position_builder.h"

namespace {

// The non-promoting move the generator leaves out beside a promoting pawn,
// rook or bishop move, when it exists.
bool AddTwin(const MoveRecord& move, int side, std::vector<MoveRecord>& moves) {
  const int base = BaseTypeOf(move.pieceCode);
  if (!move.promote || (base != PAWN && base != ROOK && base != BISHOP)) return false;
  if (movegen::IsDeadEndMove(move.pieceCode, side, move.toRank)) return false;
  MoveRecord twin = move;
  twin.promote = 0;
  moves.push_back(twin);
  return true;
}

// The oracle's pseudo-legal moves less king moves onto squares the enemy
// attacks, which is all GenerateAllMoves leaves out besides the twins.
std::vector<MoveRecord> ExpectedAllMoves(const Position& position) {
  std::vector<MoveRecord> expected;
  const int enemy = position.sideToMove ^ 1;
  for (const MoveRecord& move : OracleMoves(position, MoveSet::kPseudoLegal)) {
    if (TypeOf(move.pieceCode) == KING && position.AttackCount(enemy, move.toFile, move.toRank) > 0) continue;
    expected.push_back(move);
  }
  return expected;
}

TEST(GenerateAllMoves, WithTwinsEqualsTheOraclesPseudoLegalMoves) {
  const auto compare = [](Position& position) {
    std::vector<MoveRecord> moves;
    MoveRecord* head = nullptr;
    int count = -1;
    ASSERT_TRUE(RunsCleanly(position, [&](MoveRecord* out) {
      head = GenerateAllMoves(position, count, out);
      return count;
    }, moves));
    // A list in array order, the head null exactly when empty.
    ASSERT_EQ(head == nullptr, count == 0);
    for (int n = 0; n < count; ++n) {
      ASSERT_EQ(head[n].previous, n == 0 ? nullptr : &head[n - 1]);
      ASSERT_EQ(head[n].next, n + 1 == count ? nullptr : &head[n + 1]);
    }
    const int side = position.sideToMove;
    const size_t generated = moves.size();
    for (size_t n = 0; n < generated; ++n) AddTwin(moves[n], side, moves);
    ASSERT_EQ(SortedKeys(moves), SortedKeys(ExpectedAllMoves(position)));
  };
  ForEachSamplePosition(SampleCount(3000), 500, compare);
}

// A stored move is valid exactly when the oracle offers it (twins and all).
TEST(IsMoveValid, AcceptsExactlyTheOraclesMovesAmongThoseOfEarlierPositions) {
  std::vector<MoveRecord> stored;
  ForEachSamplePosition(SampleCount(1500), 900, [&](Position& position) {
    const std::vector<MoveKey> offered = SortedKeys(OracleMoves(position, MoveSet::kPseudoLegal));
    for (const MoveRecord& move : stored) {
      const bool expected = std::binary_search(offered.begin(), offered.end(), KeyOf(move));
      ASSERT_EQ(IsMoveValid(position, move), expected ? 1 : 0) << position.sideToMove;
    }
    const std::vector<MoveRecord> now = OracleMoves(position, MoveSet::kPseudoLegal);
    // Keep a rolling sample of recent moves of both sides.
    for (size_t n = 0; n < now.size(); n += 7) stored.push_back(now[n]);
    if (stored.size() > 60) stored.erase(stored.begin(), stored.begin() + static_cast<long>(stored.size() - 60));
    MoveRecord null{};
    null.SetNull();
    ASSERT_EQ(IsMoveValid(position, null), OracleInCheck(position, position.sideToMove) ? 0 : 1);
  });
}

// The n-th attacker walks each set from the highest PieceId down, to the
// count of the set and no further: past it, or on a square with second-line
// attackers only, the direct walk gives -1, never an id to index with.
TEST(NthAttacker, WalksTheSetsDownToTheirCounts) {
  ForEachSamplePosition(SampleCount(300), 1900, [](Position& position) {
    for (int square = 0; square < SQUARE_COUNT; ++square)
      for (int side = 0; side < 2; ++side)
        for (const bool xray : {false, true}) {
          const int file = square / 9 + 1, rank = square % 9 + 1;
          const SquareAttackRecord& record = *position.SquareRecord(file, rank);
          const int count = xray ? record.xrayCount[side] : record.directCount[side];
          for (int n = 0, previous = PIECE_COUNT; n <= count; ++n) {
            const int id = xray ? movegen::NthXrayAttacker(position, side, file, rank, n)
                                : movegen::NthAttacker(position, side, file, rank, n);
            ASSERT_TRUE(n == count ? id == -1 : id >= 0 && id < previous && IsOwnedBy(position.pieces[id].code, side));
            previous = id;
          }
        }
  });
}

TEST(UnlinkMove, ReturnsTheNewHeadAndKeepsTheNodesLinks) {
  Position position = StartPosition();
  MoveRecord moves[MAX_GENERATED_MOVES];
  int count = 0;
  MoveRecord* head = GenerateAllMoves(position, count, moves);
  EXPECT_EQ(UnlinkMove(nullptr, head), head);
  EXPECT_EQ(head = UnlinkMove(&moves[0], head), &moves[1]);
  EXPECT_EQ(UnlinkMove(&moves[5], head), head);
  EXPECT_TRUE(moves[1].previous == nullptr && moves[0].next == &moves[1]);  // the unlinked node keeps its links
  EXPECT_TRUE(moves[4].next == &moves[6] && moves[6].previous == &moves[4]);
  moves[7].previous = moves[7].next = nullptr;
  EXPECT_EQ(UnlinkMove(&moves[7], &moves[7]), nullptr);
}

// Perft with the engine's generator against the record rules, from the even
// start and from every handicap the record flags name; depth 5 of the even
// start (19,861,490) is measured in bench/.
TEST(EnginePerft, MatchesTheRecordRules) {
  Position position = StartPosition();
  InitAttackHistory();
  const uint64_t even[] = {1, 30, 900, 25470, 719731};
  for (int depth = 0; depth <= 4; ++depth) EXPECT_EQ(EnginePerft(position, depth), even[depth]) << depth;
  // Every engine handicap and some flag sets only the records name.
  for (const HandicapFlags flags : {0x001, 0x100, 0x200, 0x201, 0x300, 0x303, 0x30f, 0x301, 0x3c0, 0x3f5, 0xfff}) {
    KifuPosition record;
    record.SetStart(flags);
    ASSERT_EQ(KifuPositionToEngine(position, record), 0) << flags;
    const uint64_t nodes = EnginePerft(position, 3);
    EXPECT_EQ(nodes, RecordPerft(record, 3)) << std::hex << flags;
    EXPECT_GT(nodes, 0u) << std::hex << flags;
  }
}

}  // namespace

namespace {

// A lance dropped on the second rank from the far edge is useless where a
// pawn could be dropped instead: a pawn in hand, none of the side's on the file.
TEST(IsUselessLanceMove, LanceDropWhereAPawnServes) {
  const struct {
    const char* what;
    int side, toRank;
    bool pawnInHand, pawnOnFile;
    int expected;
  } cases[] = {
      {"second rank, pawn in hand", 0, 2, true, false, 1},
      {"second rank, a pawn on the file", 0, 2, true, true, 0},
      {"second rank, no pawn in hand", 0, 2, false, false, 0},
      {"third rank", 0, 3, true, false, 0},
      {"side 1's second rank", 1, 8, true, false, 1},
      {"side 1's seventh rank", 1, 7, true, false, 0},
  };
  for (const auto& c : cases) {
    std::vector<PlacedPiece> pieces = {{0, KING, 9, 9}, {1, KING, 1, 1}};
    if (c.pawnOnFile) pieces.push_back({c.side, PAWN, 5, c.side == 0 ? 7 : 3});
    std::vector<HandPieces> hand = {{c.side, LANCE, 1}};
    if (c.pawnInHand) hand.push_back({c.side, PAWN, 1});
    const Position position = BuildPosition(c.side, pieces, hand);
    const MoveRecord drop = MoveOn(position, 0, LANCE, 5, c.toRank);
    EXPECT_EQ(IsUselessLanceMove(position, drop, 0), c.expected) << c.what;
  }
}

}  // namespace
