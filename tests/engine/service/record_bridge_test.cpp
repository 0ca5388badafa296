// The bridge between record and engine: converted positions are complete and
// consistent engine positions whose legal moves, read back through
// EngineMoveToUi, are exactly the record rules' legal moves; refusals; and
// the record form of engine move codes.
#include "engine/service/record_bridge.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <tuple>
#include <vector>

#include "support/engine_oracle.h"
#include "support/kifu_perft.h"
#include "support/playout.h"

namespace {

// A move as both sides can name it: squares (a drop from file 11 or 12 with
// the record type as its rank) and the promote flag.
using MoveTriple = std::tuple<int, int, int, int, int>;

MoveTriple TripleOf(const KifuMove& move) {
  return {move.fromFile, move.fromRank, move.toFile, move.toRank, move.promote};
}

std::vector<MoveTriple> RecordLegalTriples(const KifuPosition& record) {
  std::vector<MoveTriple> triples;
  for (const KifuMove& move : KifuLegalMoves(record)) triples.push_back(TripleOf(move));
  std::sort(triples.begin(), triples.end());
  return triples;
}

std::vector<MoveTriple> EngineLegalTriples(const Position& position) {
  std::vector<MoveTriple> triples;
  for (const MoveRecord& move : OracleLegalMoves(position)) {
    KifuMove converted(99, 99, 99, 99, 99, 99, 99, KifuMoveKind::Mate);
    EXPECT_EQ(EngineMoveToUi(ToMoveCode(move), converted), 0) << "code " << ToMoveCode(move);
    EXPECT_EQ(converted.piece, KifuPieceCode(0));
    EXPECT_EQ(converted.captured, KifuPieceCode(0));
    EXPECT_EQ(converted.kind, KifuMoveKind::Ordinary);
    triples.push_back(TripleOf(converted));
  }
  std::sort(triples.begin(), triples.end());
  return triples;
}

// Engine base type (1 rook .. 7 pawn, 8 king) of a record type 1..15.
int EngineBaseOfRecordType(int type) {
  constexpr int kByRecordBase[9] = {0, 7, 6, 5, 4, 3, 2, 1, 8};
  return kByRecordBase[type == 8 ? 8 : type & 7];
}

// Every field of the engine position follows from the record position:
// board and piece list point at each other, codes and hands match, ids come
// in scan order, in-hand and out-of-play ids are marked, derived tables and
// attack records are what a recount and the oracle give.
void ExpectMatchesRecord(const Position& position, const KifuPosition& record) {
  ASSERT_EQ(position.sideToMove, record.sideToMove);
  int onBoard[9] = {};
  // Board pieces take their kind's PieceIds one after another in this
  // order: side 0 before side 1, rank 1 to 9, file 9 to 1.
  for (int side = 0; side < 2; ++side) {
    for (int rank = 1; rank <= 9; ++rank) {
      for (int file = 9; file >= 1; --file) {
        const KifuPieceCode piece = record.board[KifuPosition::SquareIndex(file, rank)];
        const int id = position.board[file][rank];
        if (!piece.IsPiece()) {
          if (side == 0) {
            EXPECT_EQ(id, EMPTY_PIECE_ID) << file << "-" << rank;
          }
          continue;
        }
        if (piece.Side() != side) continue;
        ASSERT_LT(id, PIECE_COUNT) << file << "-" << rank;
        const PieceCode code = position.pieces[id].code;
        const int base = EngineBaseOfRecordType(piece.Type());
        EXPECT_EQ(position.pieces[id].file, file);
        EXPECT_EQ(position.pieces[id].rank, rank);
        EXPECT_EQ(BaseTypeOf(code), base);
        EXPECT_EQ(g_pieceIdBaseCode[id], base) << "id " << id << " is of another kind";
        EXPECT_EQ(OwnerOf(code), side);
        EXPECT_TRUE(IsOwnedBy(code, side) && !IsOwnedBy(code, 1 - side));
        EXPECT_EQ(IsPromoted(code), piece.IsPromoted());
        EXPECT_EQ(id, base == KING ? side : g_handListStart[base] + onBoard[base]) << "id out of scan order";
        ++onBoard[base];
      }
    }
  }
  int inHand[9] = {};
  for (int side = 0; side < 2; ++side) {
    for (int type = 1; type <= 7; ++type) {
      const int engineType = EngineBaseOfRecordType(type);
      EXPECT_EQ(position.hand[side][engineType - 1], record.hands[side][type]);
      inHand[engineType] += record.hands[side][type];
    }
    EXPECT_EQ(position.hand[side][KING - 1], 0);
  }
  for (int type = ROOK; type <= KING; ++type) {
    const int start = g_handListStart[type];
    for (int slot = 0; slot < inHand[type]; ++slot) {
      const int id = position.handStack[start + slot];
      EXPECT_EQ(position.pieces[id].file, IN_HAND_FILE) << "stacked id " << id;
      // Hand pieces take the ids right after the kind's board pieces.
      EXPECT_EQ(id, start + onBoard[type] + slot);
    }
    int outOfPlay = 0;
    for (int id = start; id < start + g_handListSize[type]; ++id) outOfPlay += position.pieces[id].file == OUT_OF_PLAY_FILE;
    EXPECT_EQ(outOfPlay, g_handListSize[type] - onBoard[type] - inHand[type]) << "type " << type;
  }
  // Every piece on the board stands where the board says.
  for (int id = 0; id < PIECE_COUNT; ++id) {
    const PieceListEntry& entry = position.pieces[id];
    if (IsOnBoard(entry.file, entry.rank)) {
      EXPECT_EQ(position.board[entry.file][entry.rank], id);
    }
  }

  Position recounted = position;
  RecountPawnFiles(recounted);
  RecountTokins(recounted);
  RecountHandTotals(recounted);
  EXPECT_EQ(std::memcmp(recounted.pawnRank, position.pawnRank, sizeof position.pawnRank), 0);
  EXPECT_EQ(std::memcmp(recounted.handTotal, position.handTotal, sizeof position.handTotal), 0);
  for (int side = 0; side < 2; ++side) EXPECT_EQ(recounted.tokins[side].count, position.tokins[side].count);
  Position oracleAttacks = position;
  OracleComputeAttacks(oracleAttacks);
  EXPECT_TRUE(SameAttackRecords(position, oracleAttacks));
}

// Picks a record move, favouring captures, promotions and drops so that the
// games soon carry hands, promoted pieces and crowded boards.
const KifuMove& PickRecordMove(const std::vector<KifuMove>& moves, PlayoutRandom& random) {
  std::vector<const KifuMove*> eventful;
  for (const KifuMove& move : moves) {
    if (move.captured.IsPiece() || move.promote || move.IsDrop()) eventful.push_back(&move);
  }
  if (!eventful.empty() && random.Below(3) != 0) return *eventful[random.Below(static_cast<int>(eventful.size()))];
  return moves[random.Below(static_cast<int>(moves.size()))];
}

#ifdef KIFU_SANITIZED
constexpr int kGamesPerStart = 4;
#else
constexpr int kGamesPerStart = 20;
#endif
constexpr int kMaxPlies = 160;

// The record's start positions: even, every recognised handicap, and the
// first player without a king.
constexpr HandicapFlags kStarts[] = {0, 0x1, 0x100, 0x200, 0x201, 0x300, 0x303, 0x30F, 0x33F, 0x3FF, 0x400};

TEST(RecordBridge, LegalMovesAgreeWithRecordRulesOverRandomGames) {
  uint64_t positions = 0, movesCompared = 0, drops = 0, promotions = 0, captures = 0;
  for (HandicapFlags start : kStarts) {
    for (int game = 0; game < kGamesPerStart; ++game) {
      PlayoutRandom random(0x5eed0000u + static_cast<uint64_t>(start) * 97 + static_cast<uint64_t>(game));
      KifuPosition record;
      record.SetStart(start);
      for (int ply = 0; ply < kMaxPlies; ++ply) {
        Position position;
        ASSERT_EQ(KifuPositionToEngine(position, record), 0) << "start " << start << " ply " << ply;
        ExpectMatchesRecord(position, record);
        const std::vector<MoveTriple> expected = RecordLegalTriples(record);
        ASSERT_EQ(EngineLegalTriples(position), expected) << "start " << start << " game " << game << " ply " << ply;
        ++positions;
        movesCompared += expected.size();
        const std::vector<KifuMove> moves = KifuLegalMoves(record);
        if (moves.empty()) break;  // mate
        const KifuMove& move = PickRecordMove(moves, random);
        drops += move.IsDrop();
        promotions += move.promote;
        captures += move.captured.IsPiece();
        ASSERT_TRUE(record.DoMove(move));
      }
    }
  }
  // The games must reach what the bridge has to carry over.
  EXPECT_GT(drops, positions / 20);
  EXPECT_GT(promotions, positions / 50);
  EXPECT_GT(captures, positions / 10);
  std::printf("%llu positions, %llu moves compared (%llu drops, %llu promotions, %llu captures played)\n",
              static_cast<unsigned long long>(positions), static_cast<unsigned long long>(movesCompared),
              static_cast<unsigned long long>(drops), static_cast<unsigned long long>(promotions),
              static_cast<unsigned long long>(captures));
}

// The engine handicap that removes the same pieces as the record flags.
struct StartPair {
  HandicapFlags recordFlags;
  int engineHandicap;
};
constexpr StartPair kStartPairs[] = {{0, HANDICAP_EVEN},       {0x1, HANDICAP_LANCE},   {0x100, HANDICAP_BISHOP},
                                     {0x200, HANDICAP_ROOK},   {0x201, HANDICAP_ROOK_LANCE}, {0x300, HANDICAP_TWO},
                                     {0x303, HANDICAP_FOUR},   {0x30F, HANDICAP_SIX}};

TEST(KifuPositionToEngine, StartPositionsEqualTheEngineSetUpByteForByte) {
  for (const StartPair& pair : kStartPairs) {
    Position expected;
    SetupHandicap(expected, pair.engineHandicap);
    KifuPosition record;
    record.SetStart(pair.recordFlags);
    Position converted;
    std::memset(&converted, 0xA5, sizeof converted);
    ASSERT_EQ(KifuPositionToEngine(converted, record), 0);
    EXPECT_EQ(std::memcmp(&converted, &expected, sizeof converted), 0) << "flags " << pair.recordFlags;
  }
  // The six-piece handicap is left in the shared template; a conversion of
  // the even game must not pick any of it up.
  KifuPosition even;
  Position converted;
  ASSERT_EQ(KifuPositionToEngine(converted, even), 0);
  Position expected;
  SetupHandicap(expected, HANDICAP_EVEN);
  EXPECT_EQ(std::memcmp(&converted, &expected, sizeof converted), 0);
}

// A record position with only the listed pieces; nothing in hand or box.
KifuPosition EmptyRecord(int sideToMove) {
  KifuPosition record;
  for (int rank = 1; rank <= 9; ++rank) {
    for (int file = 1; file <= 9; ++file) record.board[KifuPosition::SquareIndex(file, rank)] = 0;
  }
  std::memset(record.hands, 0, sizeof record.hands);
  record.sideToMove = sideToMove;
  return record;
}

void Put(KifuPosition& record, int file, int rank, int code) { record.board[KifuPosition::SquareIndex(file, rank)] = code; }

constexpr int kSecond = KIFU_SECOND_PLAYER_BIT;

TEST(KifuPositionToEngine, RefusesPositionsTheEngineCannotHoldAndLeavesTheEmptyBoard) {
  // What a refusal leaves: the empty board, which is itself a valid conversion.
  Position empty;
  ASSERT_EQ(KifuPositionToEngine(empty, EmptyRecord(0)), 0);
  for (int id = 0; id < PIECE_COUNT; ++id) EXPECT_EQ(empty.pieces[id].file, OUT_OF_PLAY_FILE);

  struct Case {
    const char* what;
    KifuPosition record;
  };
  std::vector<Case> cases;
  auto start = [] { return KifuPosition(); };
  {
    KifuPosition record = start();
    Put(record, 5, 5, KIFU_KING);
    cases.push_back({"two first-player kings", record});
  }
  {
    KifuPosition record = start();
    Put(record, 5, 5, KIFU_KING | kSecond);
    cases.push_back({"two second-player kings", record});
  }
  {
    KifuPosition record = start();
    record.hands[1][KIFU_KING] = 1;
    cases.push_back({"a king in hand", record});
  }
  {
    KifuPosition record = start();
    record.hands[0][KIFU_ROOK] = 1;
    cases.push_back({"three rooks, one in hand", record});
  }
  {
    KifuPosition record = start();
    Put(record, 5, 5, KIFU_DRAGON | kSecond);
    cases.push_back({"three rooks, one promoted", record});
  }
  {
    KifuPosition record = start();
    record.hands[1][KIFU_PAWN] = 1;
    cases.push_back({"nineteen pawns", record});
  }
  {
    KifuPosition record = start();
    Put(record, 5, 5, KIFU_GOLD);
    cases.push_back({"five golds", record});
  }
  {
    KifuPosition record = start();
    record.hands[0][KIFU_SILVER] = -1;
    cases.push_back({"a negative hand count", record});
  }
  {
    KifuPosition record = start();
    record.hands[0][KIFU_PAWN] = 100;
    cases.push_back({"a hand beyond any set", record});
  }
  const struct {
    const char* what;
    int code, file, rank;
  } deadPieces[] = {
      {"a first-player pawn on rank 1", KIFU_PAWN, 5, 1},
      {"a first-player lance on rank 1", KIFU_LANCE, 5, 1},
      {"a first-player knight on rank 2", KIFU_KNIGHT, 5, 2},
      {"a first-player knight on rank 1", KIFU_KNIGHT, 5, 1},
      {"a second-player pawn on rank 9", KIFU_PAWN | kSecond, 5, 9},
      {"a second-player lance on rank 9", KIFU_LANCE | kSecond, 5, 9},
      {"a second-player knight on rank 8", KIFU_KNIGHT | kSecond, 5, 8},
  };
  for (const auto& dead : deadPieces) {
    KifuPosition record = EmptyRecord(0);
    Put(record, 1, 9, KIFU_KING);
    Put(record, 9, 1, KIFU_KING | kSecond);
    Put(record, dead.file, dead.rank, dead.code);
    cases.push_back({dead.what, record});
  }
  {
    KifuPosition record = start();
    Put(record, 5, 3, 0);
    Put(record, 5, 5, KIFU_PAWN);
    cases.push_back({"two first-player pawns on file 5", record});
  }
  {
    KifuPosition record = EmptyRecord(0);
    Put(record, 1, 9, KIFU_KING);
    Put(record, 5, 1, KIFU_KING | kSecond);
    Put(record, 5, 9, KIFU_ROOK);
    cases.push_back({"the side not to move in check", record});
  }
  {
    KifuPosition record = start();
    record.sideToMove = 2;
    cases.push_back({"side to move 2", record});
  }
  {
    KifuPosition record = start();
    Put(record, 5, 5, 40);
    cases.push_back({"square code 40", record});
  }
  {
    KifuPosition record = start();
    Put(record, 5, 5, KIFU_BORDER_CODE);
    cases.push_back({"a border code on a square", record});
  }

  for (const Case& refused : cases) {
    Position position;
    std::memset(&position, 0x5A, sizeof position);
    EXPECT_EQ(KifuPositionToEngine(position, refused.record), -1) << refused.what;
    EXPECT_EQ(std::memcmp(&position, &empty, sizeof position), 0) << refused.what << ": not the empty board";
  }
}

TEST(KifuPositionToEngine, AcceptsWhatTheEngineCanHold) {
  // Tsume: no first-player king (its PieceId stays out of play), the rest
  // of the set in the attacker's hand.
  KifuPosition tsume = EmptyRecord(0);
  Put(tsume, 5, 1, KIFU_KING | kSecond);
  Put(tsume, 4, 1, KIFU_GOLD | kSecond);
  Put(tsume, 5, 3, KIFU_PRO_PAWN);
  Put(tsume, 1, 1, KIFU_PRO_LANCE);  // promoted pieces may stand anywhere
  Put(tsume, 2, 2, KIFU_PRO_KNIGHT);
  for (int type = KIFU_PAWN; type <= KIFU_ROOK; ++type) tsume.hands[0][type] = static_cast<int8_t>(KIFU_FULL_SET[type]);
  tsume.hands[0][KIFU_PAWN] = 16;
  tsume.hands[0][KIFU_LANCE] = 3;
  tsume.hands[0][KIFU_KNIGHT] = 3;
  tsume.hands[0][KIFU_GOLD] = 3;
  // The side to move may stand in check; only the other side may not.
  KifuPosition checked = EmptyRecord(1);
  Put(checked, 1, 9, KIFU_KING);
  Put(checked, 5, 1, KIFU_KING | kSecond);
  Put(checked, 5, 9, KIFU_DRAGON);
  checked.hands[1][KIFU_PAWN] = 18;
  // The box holds what the engine leaves out of play.
  KifuPosition boxed;
  boxed.SetStart(0x3FF);
  boxed.hands[2][KIFU_PAWN] = 5;

  for (const KifuPosition* record : {&tsume, &checked, &boxed}) {
    Position position;
    ASSERT_EQ(KifuPositionToEngine(position, *record), 0);
    ExpectMatchesRecord(position, *record);
    EXPECT_EQ(EngineLegalTriples(position), RecordLegalTriples(*record));
  }
  Position position;
  ASSERT_EQ(KifuPositionToEngine(position, tsume), 0);
  EXPECT_EQ(position.pieces[0].file, OUT_OF_PLAY_FILE);
  EXPECT_EQ(position.pieces[1].file, 5);
  EXPECT_EQ(position.handTotal[0], 2u + 2u + 3u + 4u + 3u + 3u);
}

// ---------------------------------------------------------------------------
// EngineMoveToUi

constexpr PieceCode Side0(int type) { return static_cast<PieceCode>(OwnerBit(0) | type); }
constexpr PieceCode Side1(int type) { return static_cast<PieceCode>(OwnerBit(1) | type); }

KifuMove Converted(MoveCode code, int expectedResult = 0) {
  KifuMove out(99, 99, 99, 99, 99, 99, 99, KifuMoveKind::Mate);
  EXPECT_EQ(EngineMoveToUi(code, out), expectedResult) << "code " << code;
  return out;
}

TEST(EngineMoveToUi, DropsComeFromTheOwnersHandWithTheRecordType) {
  // Engine base types 1 rook .. 7 pawn against record types 7 rook .. 1 pawn.
  const int recordType[8] = {0, KIFU_ROOK, KIFU_BISHOP, KIFU_GOLD, KIFU_SILVER, KIFU_KNIGHT, KIFU_LANCE, KIFU_PAWN};
  for (int side = 0; side < 2; ++side) {
    for (int type = ROOK; type <= PAWN; ++type) {
      const PieceCode code = static_cast<PieceCode>(OwnerBit(side) | type);
      const KifuMove move = Converted(PackMoveCode(0, 0, 3, 5, code, 0, false));
      EXPECT_EQ(move, KifuMove(11 + side, recordType[type], 3, 5, 0, 0, 0, KifuMoveKind::Ordinary)) << type;
    }
  }
}

TEST(EngineMoveToUi, BoardMovesKeepSquaresAndPromotion) {
  EXPECT_EQ(Converted(PackMoveCode(7, 7, 7, 6, Side0(PAWN), 0, false)),
            KifuMove(7, 7, 7, 6, 0, 0, 0, KifuMoveKind::Ordinary));
  EXPECT_EQ(Converted(PackMoveCode(4, 4, 4, 3, Side0(SILVER), Side1(TOKIN), true)),
            KifuMove(4, 4, 4, 3, 0, 0, 1, KifuMoveKind::Ordinary));
  // Promotion also when leaving the zone, for side 1 toward rank 9.
  EXPECT_EQ(Converted(PackMoveCode(2, 7, 7, 2, Side1(BISHOP), Side0(ROOK), true)),
            KifuMove(2, 7, 7, 2, 0, 0, 1, KifuMoveKind::Ordinary));
  EXPECT_EQ(Converted(PackMoveCode(3, 6, 3, 7, Side1(PAWN), 0, true)).promote, 1);
  EXPECT_EQ(Converted(PackMoveCode(9, 1, 9, 9, Side0(DRAGON), Side1(LANCE), false)).toRank, 9);
  EXPECT_EQ(Converted(PackMoveCode(5, 5, 4, 6, Side0(HORSE), 0, false)).fromFile, 5);
  EXPECT_EQ(Converted(PackMoveCode(2, 9, 1, 7, Side0(KNIGHT), 0, false)).toFile, 1);
  EXPECT_EQ(Converted(PackMoveCode(5, 1, 4, 2, Side1(KING), 0, false)).toRank, 2);
}

TEST(EngineMoveToUi, RefusesCodesThatAreNoMoveAndLeavesTheOutputAlone) {
  const MoveCode refused[] = {
      NULL_MOVE_CODE, -1, INT32_MIN,
      PackMoveCode(0, 0, 0, 5, Side0(PAWN), 0, false),         // to file 0
      PackMoveCode(0, 0, 10, 5, Side0(PAWN), 0, false),        // to file 10
      PackMoveCode(0, 0, 5, 15, Side0(PAWN), 0, false),        // to rank 15
      PackMoveCode(10, 5, 9, 5, Side0(ROOK), 0, false),        // from file 10
      PackMoveCode(5, 0, 5, 1, Side1(ROOK), 0, false),         // from rank 0
      PackMoveCode(0, 3, 5, 5, Side0(PAWN), 0, false),         // from file 0 but a rank
      PackMoveCode(0, 0, 5, 5, Side0(PAWN), Side1(PAWN), false),  // drop capturing
      PackMoveCode(0, 0, 5, 5, Side0(SILVER), 0, true),        // drop promoting
      PackMoveCode(0, 0, 5, 5, Side0(KING), 0, false),         // king drop
      PackMoveCode(0, 0, 5, 5, Side0(TOKIN), 0, false),        // promoted drop
      PackMoveCode(0, 0, 5, 1, Side0(PAWN), 0, false),         // pawn drop on the far rank
      PackMoveCode(0, 0, 5, 8, Side1(KNIGHT), 0, false),       // knight drop on the last two ranks
      PackMoveCode(0, 0, 5, 5, PAWN, 0, false),                // no owner
      PackMoveCode(0, 0, 5, 5, PAWN | 0x60, 0, false),         // both owners
      PackMoveCode(5, 5, 5, 4, Side0(0), 0, false),            // type 0
      PackMoveCode(5, 5, 5, 4, Side0(9), 0, false),            // type 9
      PackMoveCode(5, 5, 5, 4, Side0(19), 0, false),           // promoted gold
      PackMoveCode(5, 5, 5, 4, Side0(24), 0, false),           // promoted king
      PackMoveCode(5, 5, 5, 5, Side0(KING), 0, false),         // from = to
      PackMoveCode(5, 5, 4, 5, Side0(PAWN), 0, false),         // pawn sideways
      PackMoveCode(5, 5, 5, 6, Side0(PAWN), 0, false),         // side 0's pawn backwards
      PackMoveCode(5, 5, 5, 4, Side1(PAWN), 0, false),         // side 1's pawn backwards
      PackMoveCode(5, 5, 4, 4, Side0(ROOK), 0, false),         // rook diagonally
      PackMoveCode(5, 5, 3, 4, Side0(BISHOP), 0, false),       // bishop off its lines
      PackMoveCode(5, 5, 4, 7, Side0(KNIGHT), 0, false),       // knight backwards
      PackMoveCode(5, 5, 5, 3, Side0(SILVER), 0, false),       // silver two steps
      PackMoveCode(5, 5, 5, 4, Side0(PAWN), Side0(GOLD), false),   // captures its own piece
      PackMoveCode(5, 5, 5, 4, Side0(PAWN), Side1(KING), false),   // captures a king
      PackMoveCode(5, 5, 5, 4, Side0(PAWN), Side1(12), false),     // captures no piece
      PackMoveCode(4, 4, 4, 3, Side0(GOLD), 0, true),          // gold promoting
      PackMoveCode(4, 4, 4, 3, Side0(TOKIN), 0, true),         // promoted piece promoting
      PackMoveCode(5, 5, 5, 4, Side0(SILVER), 0, true),        // promoting outside the zone
      PackMoveCode(5, 3, 5, 4, Side1(SILVER), 0, true),        // side 1 promoting in side 0's zone
      PackMoveCode(5, 2, 5, 1, Side0(PAWN), 0, false),         // pawn to the far rank unpromoted
      PackMoveCode(5, 2, 5, 1, Side0(LANCE), 0, false),        // lance to the far rank unpromoted
      PackMoveCode(4, 4, 5, 2, Side0(KNIGHT), 0, false),       // knight to rank 2 unpromoted
      PackMoveCode(4, 6, 5, 8, Side1(KNIGHT), 0, false),       // side 1's knight to rank 8 unpromoted
  };
  for (MoveCode code : refused) {
    const KifuMove before(99, 98, 97, 96, 95, 94, 93, KifuMoveKind::Mate);
    KifuMove out = before;
    EXPECT_EQ(EngineMoveToUi(code, out), -1) << "code " << std::hex << code;
    EXPECT_EQ(out, before);
  }
}

}  // namespace
