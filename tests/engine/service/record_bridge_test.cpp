// The bridge between record and engine: converted positions equal the
// builder's layout of the record's pieces, and their oracle moves, read back
// through EngineMoveToUi, are exactly the record rules' legal moves (also the
// test of the oracle's own rules); starts equal the engine set-up; refusals.
#include "engine/service/record_bridge.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "support/engine_oracle.h"
#include "support/generator_checks.h"
#include "support/kifu_perft.h"
#include "support/playout.h"
#include "support/position_builder.h"

namespace {

constexpr int kSecond = KIFU_SECOND_PLAYER_BIT;

// Engine type, with promotion, of a record piece type.
int EngineTypeOf(int recordType) {
  constexpr int kByRecordBase[9] = {0, PAWN, LANCE, KNIGHT, SILVER, GOLD, BISHOP, ROOK, KING};
  return kByRecordBase[KifuBaseType(recordType)] | (recordType > KIFU_KING ? PROMOTED_BIT : 0);
}

// The engine position of a record: board pieces in scan order (side 0
// first, rank 1 to 9, file 9 to 1) take their kind's PieceIds in turn, hand
// pieces the next ones, unused ids are out of play.
Position ExpectedEnginePosition(const KifuPosition& record) {
  std::vector<PlacedPiece> onBoard;
  std::vector<HandPieces> inHand;
  for (int side = 0; side < 2; ++side) {
    for (int rank = 1; rank <= 9; ++rank)
      for (int file = 9; file >= 1; --file) {
        const KifuPieceCode piece = record.board[KifuPosition::SquareIndex(file, rank)];
        if (piece.IsPiece() && piece.Side() == side) onBoard.push_back({side, EngineTypeOf(piece.Type()), file, rank});
      }
    for (int type = KIFU_PAWN; type <= KIFU_ROOK; ++type)
      if (record.hands[side][type] > 0) inHand.push_back({side, EngineTypeOf(type), record.hands[side][type]});
  }
  return BuildPosition(record.sideToMove, onBoard, inHand);
}

// A move as both sides name it: squares (a drop from file 11 or 12 with the
// record type as its rank) and the promote flag.
using MoveTriple = std::tuple<int, int, int, int, int>;

std::vector<MoveTriple> RecordLegalTriples(const KifuPosition& record) {
  std::vector<MoveTriple> triples;
  for (const KifuMove& move : KifuLegalMoves(record))
    triples.emplace_back(move.fromFile, move.fromRank, move.toFile, move.toRank, move.promote);
  std::sort(triples.begin(), triples.end());
  return triples;
}

std::vector<MoveTriple> EngineLegalTriples(const Position& position) {
  std::vector<MoveTriple> triples;
  for (const MoveRecord& move : OracleMoves(position)) {
    KifuMove converted(99, 99, 99, 99, 99, 99, 99, KifuMoveKind::Mate);
    EXPECT_EQ(EngineMoveToUi(ToMoveCode(move), converted), 0) << "code " << ToMoveCode(move);
    EXPECT_TRUE(converted.piece == 0 && converted.captured == 0 && converted.kind == KifuMoveKind::Ordinary);
    triples.emplace_back(converted.fromFile, converted.fromRank, converted.toFile, converted.toRank, converted.promote);
  }
  std::sort(triples.begin(), triples.end());
  return triples;
}

// Picks a record move, favouring captures, promotions and drops so that the
// games soon carry hands, promoted pieces and crowded boards.
const KifuMove& PickRecordMove(const std::vector<KifuMove>& moves, PlayoutRandom& random) {
  std::vector<const KifuMove*> eventful;
  for (const KifuMove& move : moves)
    if (move.captured.IsPiece() || move.promote || move.IsDrop()) eventful.push_back(&move);
  if (!eventful.empty() && random.Below(3) != 0) return *eventful[random.Below(static_cast<int>(eventful.size()))];
  return moves[random.Below(static_cast<int>(moves.size()))];
}

// From the even game, every recognised handicap and the first player
// without a king: so also king ids with a king missing and either side to move.
TEST(RecordBridge, ConvertedPositionsAndTheirMovesAgreeWithTheRecordOverRandomGames) {
  const int kGamesPerStart = SampleCount(20);
  uint64_t positions = 0, drops = 0, promotions = 0, captures = 0;
  for (HandicapFlags start : KIFU_KNOWN_HANDICAPS)
    for (int game = 0; game < kGamesPerStart; ++game) {
      PlayoutRandom random{0x5eed0000u + static_cast<uint64_t>(start) * 97 + static_cast<uint64_t>(game)};
      KifuPosition record;
      record.SetStart(start);
      for (int ply = 0; ply < 160; ++ply, ++positions) {
        Position position;
        SCOPED_TRACE("start " + std::to_string(start) + " game " + std::to_string(game) + " ply " +
                     std::to_string(ply));
        ASSERT_EQ(KifuPositionToEngine(position, record), 0);
        ASSERT_TRUE(EquivalentPositions(position, ExpectedEnginePosition(record)));
        ASSERT_EQ(EngineLegalTriples(position), RecordLegalTriples(record));
        const std::vector<KifuMove> moves = KifuLegalMoves(record);
        if (moves.empty()) break;  // mate
        const KifuMove& move = PickRecordMove(moves, random);
        drops += move.IsDrop();
        promotions += move.promote;
        captures += move.captured.IsPiece();
        ASSERT_TRUE(record.DoMove(move));
      }
    }
  EXPECT_GT(drops, positions / 20);
  EXPECT_GT(promotions, positions / 50);
  EXPECT_GT(captures, positions / 10);
}

TEST(KifuPositionToEngine, StartsEqualTheEngineSetUpByteForByte) {
  const std::pair<HandicapFlags, int> starts[] = {
      {0, HANDICAP_EVEN},   {0x1, HANDICAP_LANCE}, {0x100, HANDICAP_BISHOP}, {0x200, HANDICAP_ROOK},
      {0x201, HANDICAP_ROOK_LANCE}, {0x300, HANDICAP_TWO}, {0x303, HANDICAP_FOUR}, {0x30F, HANDICAP_SIX}};
  Position expected, converted;
  for (const auto& [flags, handicap] : starts) {
    std::memset(&expected, 0x5A, sizeof expected);
    SetupHandicap(expected, handicap);
    KifuPosition record;
    record.SetStart(flags);
    std::memset(&converted, 0xA5, sizeof converted);
    ASSERT_EQ(KifuPositionToEngine(converted, record), 0);
    EXPECT_EQ(std::memcmp(&converted, &expected, sizeof converted), 0) << "flags " << flags;
  }
  // The six-piece handicap is left in the shared template; a conversion of
  // the even game must not pick any of it up.
  ASSERT_EQ(KifuPositionToEngine(converted, KifuPosition()), 0);
  SetupHandicap(expected, HANDICAP_EVEN);
  EXPECT_EQ(std::memcmp(&converted, &expected, sizeof converted), 0);
}

void Put(KifuPosition& record, int file, int rank, int code) {
  record.board[KifuPosition::SquareIndex(file, rank)] = code;
}

// Only the kings: the first player's on 1-9, the second's on 9-1.
KifuPosition KingsOnly() {
  KifuPosition record;
  for (int rank = 1; rank <= 9; ++rank)
    for (int file = 1; file <= 9; ++file) Put(record, file, rank, KIFU_EMPTY);
  std::memset(record.hands, 0, sizeof record.hands);
  Put(record, 1, 9, KIFU_KING);
  Put(record, 9, 1, KIFU_KING | kSecond);
  return record;
}

TEST(KifuPositionToEngine, RefusesWhatTheEngineCannotHoldAndLeavesTheEmptyBoard) {
  KifuPosition emptyRecord = KingsOnly();
  Put(emptyRecord, 1, 9, KIFU_EMPTY);
  Put(emptyRecord, 9, 1, KIFU_EMPTY);
  Position empty;  // itself a valid conversion
  ASSERT_EQ(KifuPositionToEngine(empty, emptyRecord), 0);
  const std::pair<const char*, std::function<void(KifuPosition&)>> refusals[] = {
      {"two first-player kings", [](KifuPosition& r) { Put(r, 5, 5, KIFU_KING); }},
      {"a king in hand", [](KifuPosition& r) { r.hands[1][KIFU_KING] = 1; }},
      {"three rooks, one in hand", [](KifuPosition& r) { r.hands[0][KIFU_ROOK] = 1; }},
      {"nineteen pawns", [](KifuPosition& r) { r.hands[1][KIFU_PAWN] = 1; }},
      {"five golds", [](KifuPosition& r) { Put(r, 5, 5, KIFU_GOLD); }},
      {"a negative hand count", [](KifuPosition& r) { r.hands[0][KIFU_SILVER] = -1; }},
      {"two first-player pawns on a file", [](KifuPosition& r) { Put(r, 5, 3, 0); Put(r, 5, 5, KIFU_PAWN); }},
      {"side to move 2", [](KifuPosition& r) { r.sideToMove = 2; }},
      {"square code 40", [](KifuPosition& r) { Put(r, 5, 5, 40); }},
      {"a border code on a square", [](KifuPosition& r) { Put(r, 5, 5, KIFU_BORDER_CODE); }},
      {"the side not to move in check", [](KifuPosition& r) { r = KingsOnly(); Put(r, 9, 5, KIFU_ROOK); }},
      {"a first-player lance on rank 1", [](KifuPosition& r) { r = KingsOnly(); Put(r, 5, 1, KIFU_LANCE); }},
      {"a second-player pawn on rank 9", [](KifuPosition& r) { r = KingsOnly(); Put(r, 5, 9, KIFU_PAWN | kSecond); }},
  };
  for (const auto& [what, edit] : refusals) {
    KifuPosition record;
    edit(record);
    Position position;
    std::memset(&position, 0x5A, sizeof position);
    EXPECT_EQ(KifuPositionToEngine(position, record), -1) << what;
    EXPECT_EQ(std::memcmp(&position, &empty, sizeof position), 0) << what << ": not the empty board";
  }
}

constexpr PieceCode Side0(int type) { return static_cast<PieceCode>(OwnerBit(0) | type); }
constexpr PieceCode Side1(int type) { return static_cast<PieceCode>(OwnerBit(1) | type); }

// (What it gives for moves is checked on every legal move of the random games.)
TEST(EngineMoveToUi, RefusesCodesThatAreNoMoveAndLeavesTheOutputAlone) {
  // One code per rule: no move, squares off the board, drops that capture,
  // promote, drop a king or reach a dead end, no owner, steps the piece can't
  // make, a slide of length zero, captures of an own piece or a king, and
  // promotions that aren't allowed or are missing.
  const MoveCode refused[] = {
      NULL_MOVE_CODE, -1, PackMoveCode(7, 7, 7, 6, Side0(PAWN), 0, false) | INT32_MIN,
      PackMoveCode(0, 0, 5, 15, Side0(PAWN), 0, false), PackMoveCode(10, 5, 9, 5, Side0(ROOK), 0, false),
      PackMoveCode(0, 0, 5, 5, Side0(PAWN), Side1(PAWN), false), PackMoveCode(0, 0, 5, 5, Side0(SILVER), 0, true),
      PackMoveCode(0, 0, 5, 5, Side0(KING), 0, false), PackMoveCode(0, 0, 5, 8, Side1(KNIGHT), 0, false),
      PackMoveCode(0, 0, 5, 5, PAWN, 0, false), PackMoveCode(5, 5, 5, 4, Side1(PAWN), 0, false),
      PackMoveCode(5, 5, 4, 7, Side0(KNIGHT), 0, false), PackMoveCode(5, 5, 5, 5, Side1(HORSE), 0, false),
      PackMoveCode(5, 5, 5, 4, Side0(PAWN), Side0(GOLD), false), PackMoveCode(5, 5, 5, 4, Side0(PAWN), Side1(KING), false),
      PackMoveCode(4, 4, 4, 3, Side0(TOKIN), 0, true), PackMoveCode(5, 3, 5, 4, Side1(SILVER), 0, true),
      PackMoveCode(5, 2, 5, 1, Side0(LANCE), 0, false),
  };
  for (MoveCode code : refused) {
    const KifuMove before(99, 98, 97, 96, 95, 94, 93, KifuMoveKind::Mate);
    KifuMove out = before;
    EXPECT_EQ(EngineMoveToUi(code, out), -1) << "code " << std::hex << code;
    EXPECT_EQ(out, before);
  }
}

}  // namespace
