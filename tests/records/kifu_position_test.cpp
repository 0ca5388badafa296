// Record pieces and positions: names and tokens, start positions and
// handicaps, play and take-back, board editing, whole-position edits, the
// key and the book form, and robustness against arbitrary bytes.
#include "records/kifu_position.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "engine/board/hash_key_table.h"
#include "engine/service/book_position.h"
#include "support/kifu_builder.h"

namespace {

constexpr int SECOND = KIFU_SECOND_PLAYER_BIT;

// The box as UpdateBoxAndHandicap recounts it; unchanged when no piece was
// created or lost.
KifuPosition Recounted(KifuPosition position) {
  position.UpdateBoxAndHandicap();
  return position;
}

bool SameBox(const KifuPosition& a, const KifuPosition& b) {
  return std::memcmp(a.hands[KIFU_BOX], b.hands[KIFU_BOX], sizeof a.hands[KIFU_BOX]) == 0;
}

KifuPositionKey KeyOf(const KifuPosition& position) {
  KifuPositionKey key;
  position.ComputeKey(key);
  return key;
}

TEST(KifuPieceCode, NamesInEveryStyleAndValue) {
  EXPECT_STREQ(KifuPieceCode(KIFU_PRO_LANCE).Name(0), "杏");
  EXPECT_STREQ(KifuPieceCode(KIFU_PRO_LANCE).Name(1), "成香");
  EXPECT_STREQ(KifuPieceCode(KIFU_HORSE + SECOND).Name(2), "UM");
  EXPECT_STREQ(KifuPieceCode(KIFU_DRAGON).Name(3), "R");
  EXPECT_STREQ(KifuPieceCode(KIFU_NO_PIECE).Name(1), "　");
  EXPECT_STREQ(KifuPieceCode(KIFU_EMPTY).Name(0), "・");
  EXPECT_STREQ(KifuPieceCode(KIFU_KING + SECOND).Name(1), "玉");
  EXPECT_EQ(KifuPieceCode(KIFU_PAWN).Name(4), nullptr);
  EXPECT_EQ(KifuPieceCode(KIFU_PAWN).Name(-1), nullptr);
  EXPECT_EQ(std::strlen(KifuPieceCode(KIFU_PRO_SILVER).Name(1)), 4u);  // two Shift-JIS characters
  EXPECT_EQ(KifuPieceCode(255).Value(), -1);
  EXPECT_EQ(KifuPieceCode(KIFU_ROOK + SECOND).Value(), 23);
}

TEST(KifuPieceCode, ParsesTokensKeepingTheSide) {
  KifuPieceCode code = KIFU_PAWN + SECOND;
  EXPECT_EQ(code.Parse("Ry"), 2);
  EXPECT_EQ(code, KIFU_DRAGON + SECOND);
  EXPECT_EQ(code.Parse("成銀x"), 4);
  EXPECT_EQ(code, KIFU_PRO_SILVER + SECOND);
  EXPECT_EQ(code.Parse("玉"), 2);
  EXPECT_EQ(code, KIFU_KING + SECOND);
  EXPECT_EQ(code.Parse("▲"), 2);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(code.Parse("▽"), 2);
  EXPECT_EQ(code, SECOND);
  EXPECT_EQ(code.Parse("・"), 2);
  EXPECT_EQ(code, 0);
  code = KIFU_GOLD;
  for (const char* unknown : {"xx", "f", "", "成", "同　"}) {
    EXPECT_EQ(code.Parse(unknown), 0) << unknown;
    EXPECT_EQ(code, KIFU_GOLD);
  }
  EXPECT_EQ(code.Parse(nullptr), 0);
}

TEST(KifuPosition, StartPositionsAndTheSideToMove) {
  const KifuPosition even = KifuStartPosition();
  EXPECT_EQ(even.sideToMove, 0);
  EXPECT_EQ(even.At(5, 9), KIFU_KING);
  EXPECT_EQ(even.At(5, 1), KIFU_KING + SECOND);
  EXPECT_EQ(even.At(2, 8), KIFU_ROOK);
  EXPECT_EQ(even.At(2, 2), KIFU_BISHOP + SECOND);
  EXPECT_EQ(even.At(0, 5), 255);
  EXPECT_EQ(even.At(-4, 99), 255);
  EXPECT_TRUE(even.IsValid());

  const KifuPosition noKing = KifuStartPosition(HANDICAP_FIRST_KING);
  EXPECT_EQ(noKing.sideToMove, 0);
  EXPECT_EQ(noKing.At(5, 9), 0);
  EXPECT_EQ(noKing.HandCount(KIFU_BOX, KIFU_KING), 1);
  EXPECT_TRUE(noKing.IsValid());

  const KifuPosition lance = KifuStartPosition(HANDICAP_LANCE_11);
  EXPECT_EQ(lance.sideToMove, 1);
  EXPECT_EQ(lance.At(1, 1), 0);
  EXPECT_EQ(lance.HandCount(KIFU_BOX, KIFU_LANCE), 1);
  EXPECT_EQ(lance.HandCount(3, KIFU_LANCE), 0);
  EXPECT_EQ(lance.HandCount(0, 9), 0);
}

TEST(KifuPosition, EveryKnownHandicapIsRecognisedFromItsBox) {
  for (HandicapFlags flags : KIFU_KNOWN_HANDICAPS) {
    const KifuPosition start = KifuStartPosition(flags);
    KifuPosition recounted = start;
    recounted.handicapFlags = 0x12345;
    recounted.UpdateBoxAndHandicap();
    EXPECT_EQ(recounted.handicapFlags, flags);
    EXPECT_TRUE(SameBox(recounted, start)) << flags;
    EXPECT_TRUE(start.IsValid()) << flags;
  }
}

TEST(KifuPosition, UnknownBoxesGiveOther) {
  KifuPosition position = KifuStartPosition();
  ASSERT_TRUE(position.EditMove(KifuOrdinaryMove(2, 2, KIFU_BOX_FILE, KIFU_BISHOP, KIFU_BISHOP + SECOND, 0)));
  ASSERT_TRUE(position.EditMove(KifuOrdinaryMove(8, 2, KIFU_BOX_FILE, KIFU_ROOK, KIFU_ROOK + SECOND, 0)));
  position.UpdateBoxAndHandicap();
  EXPECT_EQ(position.handicapFlags, 0x300);

  position = KifuStartPosition();
  ASSERT_TRUE(position.EditMove(KifuOrdinaryMove(2, 2, KIFU_BOX_FILE, KIFU_BISHOP, KIFU_BISHOP + SECOND, 0)));
  ASSERT_TRUE(position.EditMove(KifuOrdinaryMove(1, 1, KIFU_BOX_FILE, KIFU_LANCE, KIFU_LANCE + SECOND, 0)));
  position.UpdateBoxAndHandicap();
  EXPECT_EQ(position.handicapFlags, HANDICAP_OTHER);

  position = KifuStartPosition();
  ASSERT_TRUE(position.EditMove(KifuOrdinaryMove(5, 3, KIFU_BOX_FILE, KIFU_PAWN, KIFU_PAWN + SECOND, 0)));
  position.UpdateBoxAndHandicap();
  EXPECT_EQ(position.handicapFlags, HANDICAP_OTHER);
  EXPECT_EQ(position.HandCount(KIFU_BOX, KIFU_PAWN), 1);
}

TEST(KifuPosition, EqualityIgnoresOnlyTheHandicap) {
  KifuPosition a = KifuStartPosition(), b = KifuStartPosition();
  b.handicapFlags = HANDICAP_OTHER;
  EXPECT_TRUE(a == b);
  b.sideToMove = 1;
  EXPECT_TRUE(a != b);
  b.CopyFrom(a);
  b.hands[KIFU_BOX][KIFU_PAWN] = 1;
  EXPECT_TRUE(a != b);
}

TEST(KifuPosition, PlayoutsUndoBackToTheStartAndKeepEveryPiece) {
  for (HandicapFlags flags : {HANDICAP_NONE, HandicapFlags{0x300}, HandicapFlags{0x3FF}, HANDICAP_FIRST_KING}) {
    for (uint32_t seed = 1; seed <= 6; ++seed) {
      const KifuPosition start = KifuStartPosition(flags);
      KifuPosition position = start;
      const std::vector<KifuMove> moves = KifuRandomPlayout(position, 120, seed);
      ASSERT_FALSE(moves.empty());
      EXPECT_TRUE(SameBox(Recounted(position), start)) << "pieces created or lost";
      EXPECT_TRUE(position.IsValid());
      for (auto move = moves.rbegin(); move != moves.rend(); ++move) {
        ASSERT_TRUE(position.UndoMove(*move));
        EXPECT_FALSE(position.UndoMove(*move)) << "a move taken back twice";
      }
      EXPECT_TRUE(position == start) << "flags " << flags << " seed " << seed;
    }
  }
}

TEST(KifuPosition, CapturedPromotedRookGoesToHandAndComesBack) {
  KifuPosition position = BuildKifuPosition(
      {{5, 9, KIFU_KING}, {5, 1, KIFU_KING + SECOND}, {3, 5, KIFU_GOLD}, {3, 4, KIFU_DRAGON + SECOND}}, 0);
  const KifuPosition before = position;
  const KifuMove capture = KifuOrdinaryMove(3, 5, 3, 4, KIFU_GOLD, KIFU_DRAGON + SECOND);
  ASSERT_TRUE(position.DoMove(capture));
  EXPECT_EQ(position.HandCount(0, KIFU_ROOK), 1);
  EXPECT_EQ(position.At(3, 4), KIFU_GOLD);
  EXPECT_EQ(position.sideToMove, 1);
  ASSERT_TRUE(position.UndoMove(capture));
  EXPECT_TRUE(position == before);
}

TEST(KifuPosition, MovesThatDisagreeWithTheBoardAreRefused) {
  const KifuPosition start = KifuStartPosition();
  const KifuMove refused[] = {
      KifuOrdinaryMove(7, 7, 7, 6, KIFU_ROOK, 0),                              // a pawn stands there
      KifuOrdinaryMove(7, 7, 7, 6, KIFU_PAWN, KIFU_GOLD + SECOND),             // nothing to capture
      KifuOrdinaryMove(5, 5, 5, 4, KIFU_PAWN, 0),                              // empty source
      KifuOrdinaryMove(KIFU_FIRST_HAND_FILE, KIFU_PAWN, 5, 5, KIFU_PAWN, 0),   // empty hand
      KifuOrdinaryMove(KIFU_SECOND_HAND_FILE, KIFU_PAWN, 5, 5, KIFU_PAWN, 0),  // another hand
      KifuOrdinaryMove(10, 7, 10, 6, KIFU_PAWN, 0),
      KifuOrdinaryMove(7, 7, 7, 16, KIFU_PAWN, 0),  // off the board
  };
  for (const KifuMove& move : refused) {
    KifuPosition position = start;
    EXPECT_EQ(position.IsValidMove(move, 0), 0);
    EXPECT_FALSE(position.DoMove(move));
    EXPECT_TRUE(position == start);
  }
  // A drop whose piece is not the hand's type would turn a pawn into a gold.
  KifuPosition withPawn = BuildKifuPosition({{5, 9, KIFU_KING}, {5, 1, KIFU_KING + SECOND}}, 0);
  withPawn.hands[0][KIFU_PAWN] = 1;
  const KifuPosition before = withPawn;
  EXPECT_FALSE(withPawn.DoMove(KifuOrdinaryMove(KIFU_FIRST_HAND_FILE, KIFU_PAWN, 5, 5, KIFU_GOLD, 0)));
  EXPECT_TRUE(withPawn == before);
  EXPECT_TRUE(withPawn.DoMove(KifuOrdinaryMove(KIFU_FIRST_HAND_FILE, KIFU_PAWN, 5, 5, KIFU_PAWN, 0)));
  EXPECT_EQ(withPawn.HandCount(0, KIFU_PAWN), 0);
}

TEST(KifuPosition, TakeBacksThatCannotHaveBeenPlayedAreRefused) {
  KifuPosition position = KifuStartPosition();
  const KifuMove push = KifuOrdinaryMove(7, 7, 7, 6, KIFU_PAWN, 0);
  ASSERT_TRUE(position.DoMove(push));
  const KifuPosition after = position;
  const KifuMove refused[] = {
      KifuOrdinaryMove(7, 7, 7, 6, KIFU_PAWN, 0, 1),                           // not promoted on the board
      KifuOrdinaryMove(8, 8, 7, 6, KIFU_PAWN, 0),                              // source occupied
      KifuOrdinaryMove(7, 7, 7, 6, KIFU_PAWN, KIFU_PAWN + SECOND),             // no pawn in hand to give back
      KifuOrdinaryMove(7, 7, 7, 6, KIFU_PAWN, KIFU_PAWN),                      // own piece "captured"
      KifuOrdinaryMove(7, 7, 7, 6, KIFU_PAWN, 200),                            // not a code
      KifuOrdinaryMove(KIFU_SECOND_HAND_FILE, KIFU_PAWN, 7, 6, KIFU_PAWN, 0),  // drop from the wrong hand
      KifuOrdinaryMove(0, 7, 7, 6, KIFU_PAWN, 0),
      KifuOrdinaryMove(7, 7, 7, 60, KIFU_PAWN, 0),
  };
  for (const KifuMove& move : refused) {
    EXPECT_FALSE(position.UndoMove(move));
    EXPECT_TRUE(position == after);
  }
}

TEST(KifuPosition, CapturedKingIsKeptInTheHandsKingSlot) {
  KifuPosition position = BuildKifuPosition({{5, 9, KIFU_KING}, {5, 1, KIFU_KING + SECOND}, {5, 5, KIFU_ROOK}}, 0);
  const KifuPosition before = position;
  const KifuMove capture = KifuOrdinaryMove(5, 5, 5, 1, KIFU_ROOK, KIFU_KING + SECOND);
  ASSERT_NE(position.IsValidMove(capture, 1), 0);
  ASSERT_TRUE(position.DoMove(capture));
  EXPECT_EQ(position.HandCount(0, KIFU_KING), 1);
  EXPECT_TRUE(SameBox(Recounted(position), Recounted(before)));
  EXPECT_FALSE(position.IsValid());
  ASSERT_TRUE(position.UndoMove(capture));
  EXPECT_TRUE(position == before);
}

TEST(KifuPosition, EditingInPlaceCyclesPiecesAndOwners) {
  KifuPosition position = BuildKifuPosition({{5, 5, KIFU_PAWN}, {4, 4, KIFU_GOLD}, {3, 3, KIFU_KING}}, 0);
  const KifuMove pawnInPlace = KifuOrdinaryMove(5, 5, 5, 5, KIFU_PAWN, KIFU_PAWN, 1);
  for (int expected : {9, 17, 25, 1}) {
    ASSERT_TRUE(position.EditMove(pawnInPlace));
    EXPECT_EQ(position.At(5, 5), expected);
  }
  ASSERT_TRUE(position.EditMove(KifuOrdinaryMove(4, 4, 4, 4, KIFU_GOLD, KIFU_GOLD, 1)));
  EXPECT_EQ(position.At(4, 4), KIFU_GOLD + SECOND);
  ASSERT_TRUE(position.EditMove(KifuOrdinaryMove(4, 4, 4, 4, KIFU_GOLD + SECOND, KIFU_GOLD + SECOND, 1)));
  EXPECT_EQ(position.At(4, 4), KIFU_GOLD);
  ASSERT_TRUE(position.EditMove(KifuOrdinaryMove(3, 3, 3, 3, KIFU_KING, KIFU_KING, 1)));
  EXPECT_EQ(position.At(3, 3), KIFU_KING + SECOND);

  const KifuPosition before = position;
  EXPECT_FALSE(position.EditMove(KifuOrdinaryMove(5, 5, 5, 5, KIFU_PAWN, KIFU_PAWN, 0)));  // needs the flag
  EXPECT_FALSE(position.EditMove(KifuOrdinaryMove(6, 6, 6, 6, KIFU_PAWN, 0, 1)));          // nothing there
  EXPECT_TRUE(position == before);
}

TEST(KifuPosition, EditingMovesBetweenBoardHandsAndBox) {
  KifuPosition position = KifuStartPosition();
  // Board to box and back; a king may go to the box, never to a hand.
  EXPECT_FALSE(position.EditMove(KifuOrdinaryMove(5, 9, KIFU_FIRST_HAND_FILE, KIFU_KING, KIFU_KING, 0)));
  ASSERT_TRUE(position.EditMove(KifuOrdinaryMove(5, 9, KIFU_BOX_FILE, KIFU_KING, KIFU_KING, 0)));
  EXPECT_EQ(position.HandCount(KIFU_BOX, KIFU_KING), 1);
  ASSERT_TRUE(position.EditMove(KifuOrdinaryMove(KIFU_BOX_FILE, KIFU_KING, 5, 5, KIFU_KING, 0)));
  EXPECT_EQ(position.At(5, 5), KIFU_KING);
  EXPECT_EQ(position.HandCount(KIFU_BOX, KIFU_KING), 0);
  // A swap: the displaced piece goes back to the source square.
  ASSERT_TRUE(position.EditMove(KifuOrdinaryMove(5, 5, 5, 7, KIFU_KING, KIFU_PAWN)));
  EXPECT_EQ(position.At(5, 5), KIFU_PAWN);
  EXPECT_EQ(position.At(5, 7), KIFU_KING);
  // From a hand onto an occupied square: the displaced piece goes to that hand.
  ASSERT_TRUE(position.EditMove(KifuOrdinaryMove(5, 5, KIFU_SECOND_HAND_FILE, KIFU_PAWN, KIFU_PAWN, 0)));
  ASSERT_TRUE(
      position.EditMove(KifuOrdinaryMove(KIFU_SECOND_HAND_FILE, KIFU_PAWN, 2, 8, KIFU_PAWN + SECOND, KIFU_ROOK)));
  EXPECT_EQ(position.HandCount(1, KIFU_ROOK), 1);
  EXPECT_EQ(position.HandCount(1, KIFU_PAWN), 0);
  EXPECT_EQ(position.sideToMove, 0);
  EXPECT_EQ(Recounted(position).handicapFlags, HANDICAP_NONE);
}

TEST(KifuPosition, EditingRefusesWhatWouldBreakCounts) {
  KifuPosition position = KifuStartPosition();
  position.hands[0][KIFU_GOLD] = 1;
  const KifuPosition before = position;
  const KifuMove refused[] = {
      KifuOrdinaryMove(KIFU_FIRST_HAND_FILE, KIFU_PAWN, 5, 5, KIFU_PAWN, 0),                     // empty hand
      KifuOrdinaryMove(KIFU_BOX_FILE, KIFU_ROOK, 5, 5, KIFU_ROOK, 0),                            // empty box
      KifuOrdinaryMove(KIFU_FIRST_HAND_FILE, KIFU_GOLD, KIFU_FIRST_HAND_FILE, 5, KIFU_GOLD, 0),  // same hand
      KifuOrdinaryMove(KIFU_FIRST_HAND_FILE, KIFU_GOLD, 5, 9, KIFU_GOLD, KIFU_KING),             // king into a hand
      KifuOrdinaryMove(10, 5, 5, 5, KIFU_GOLD, 0),
      KifuOrdinaryMove(5, 9, 10, 8, KIFU_KING, 0),
      KifuOrdinaryMove(KIFU_FIRST_HAND_FILE, 9, 5, 5, KIFU_GOLD, 0),
      KifuOrdinaryMove(5, 9, 14, 8, KIFU_KING, 0),
      KifuOrdinaryMove(5, 9, KIFU_BOX_FILE, 0, KIFU_KING, 0),
      KifuOrdinaryMove(-3, 120, 5, 5, KIFU_GOLD, 0),
      KifuOrdinaryMove(5, 7, 5, 6, KIFU_PAWN, 255),  // a border code would land on the board
  };
  for (const KifuMove& move : refused) {
    EXPECT_FALSE(position.EditMove(move));
    EXPECT_TRUE(position == before);
  }
  EXPECT_TRUE(position.EditMove(KifuOrdinaryMove(KIFU_FIRST_HAND_FILE, KIFU_GOLD, 5, 5, KIFU_GOLD, 0)));
  EXPECT_EQ(position.HandCount(0, KIFU_GOLD), 0);
}

TEST(KifuPosition, SwappingSidesTwiceIsIdentity) {
  for (uint32_t seed = 1; seed <= 8; ++seed) {
    KifuPosition position = KifuStartPosition(seed % 2 ? HANDICAP_NONE : HandicapFlags{0x200});
    KifuRandomPlayout(position, 60, seed);
    KifuPosition swapped = position;
    swapped.SwapSides();
    EXPECT_EQ(swapped.HandCount(0, KIFU_PAWN), position.HandCount(1, KIFU_PAWN));
    swapped.SwapSides();
    EXPECT_TRUE(swapped == position);
  }
  KifuPosition start = KifuStartPosition();
  start.SwapSides();
  EXPECT_TRUE(start == KifuStartPosition());
}

TEST(KifuPosition, CollectingAndGatheringPieces) {
  KifuPosition position = KifuStartPosition();
  ASSERT_TRUE(position.CollectBoardPieces(KIFU_BOX));
  EXPECT_EQ(position.At(5, 9), KIFU_KING);
  EXPECT_EQ(position.At(7, 7), 0);
  EXPECT_EQ(position.HandCount(KIFU_BOX, KIFU_PAWN), 18);
  EXPECT_EQ(position.HandCount(KIFU_BOX, KIFU_ROOK), 2);
  EXPECT_TRUE(SameBox(Recounted(position), position));

  position = KifuStartPosition();
  ASSERT_TRUE(position.CollectBoardPieces(1));
  ASSERT_TRUE(position.GatherHands(0));
  EXPECT_EQ(position.HandCount(0, KIFU_PAWN), 18);
  EXPECT_EQ(position.HandCount(1, KIFU_PAWN), 0);
  EXPECT_TRUE(position.IsValid());

  const KifuPosition before = position;
  EXPECT_FALSE(position.CollectBoardPieces(3));
  EXPECT_FALSE(position.CollectBoardPieces(-1));
  EXPECT_FALSE(position.GatherHands(KIFU_BOX));
  EXPECT_TRUE(position == before);
}

TEST(KifuPositionKey, TurnedPositionWithTheOtherSideToMoveSharesTheKey) {
  for (uint32_t seed = 1; seed <= 10; ++seed) {
    KifuPosition position = KifuStartPosition();
    KifuRandomPlayout(position, 30 + static_cast<int>(seed), seed);
    KifuPosition turned = position;
    turned.SwapSides();
    turned.sideToMove = 1 - turned.sideToMove;
    EXPECT_EQ(KeyOf(position), KeyOf(turned));
    KifuPosition moved = position;
    KifuRandomPlayout(moved, 1, seed);
    EXPECT_NE(KeyOf(position), KeyOf(moved));
  }
  KifuPosition start = KifuStartPosition();
  start.sideToMove = 1;
  EXPECT_EQ(KeyOf(start), KeyOf(KifuStartPosition()));
}

TEST(KifuPositionKey, EntriesAreIndexedFromTheSideToMove) {
  // The second player's king on 5一 with the second player to move is its
  // own king (kind 7) on the turned square 9 x 8 + 4; a first-player pawn
  // in hand is the other side's first pawn key.
  KifuPosition position = BuildKifuPosition({{5, 1, KIFU_KING + SECOND}}, 1);
  position.hands[0][KIFU_PAWN] = 1;
  const HashKey king = g_hashKeyTable[81 * 7 + 76];
  const HashKey pawn = g_hashKeyTable[2326];
  const KifuPositionKey key = KeyOf(position);
  EXPECT_EQ(key.first, king.first ^ pawn.first);
  EXPECT_EQ(key.second, king.second ^ pawn.second);
}

TEST(KifuPosition, BookFormOfTheStartPosition) {
  const uint8_t expected[45] = {84, 132, 71,  145, 77,  139, 83,  85,  131, 133, 82, 86, 130, 134, 81,
                                87, 129, 135, 80,  88,  128, 136, 60,  61,  62,  63, 64, 65,  66,  67,
                                68, 148, 149, 150, 151, 152, 153, 154, 155, 156, 0,  0,  0,   0,   0};
  BookPosition book;
  ASSERT_TRUE(KifuStartPosition().ToBookPosition(book));
  EXPECT_EQ(std::memcmp(&book, expected, sizeof expected), 0);
  // The start is symmetric, so it reads the same with the second player to move.
  KifuPosition secondToMove = KifuStartPosition();
  secondToMove.sideToMove = 1;
  BookPosition turned;
  ASSERT_TRUE(secondToMove.ToBookPosition(turned));
  EXPECT_EQ(std::memcmp(&book, &turned, sizeof book), 0);
}

TEST(KifuPosition, BookFormOfALoneKingPromotionsAndHands) {
  // Without the first player's king, the second player's king is the
  // opponent's and stands in slot 1.
  BookPosition book;
  ASSERT_TRUE(KifuStartPosition(HANDICAP_FIRST_KING).ToBookPosition(book));
  EXPECT_EQ(book.slots[0], 255);
  EXPECT_EQ(book.slots[1], 4 + 128);

  KifuPosition position = BuildKifuPosition(
      {{5, 9, KIFU_KING}, {1, 1, KIFU_KING + SECOND}, {3, 3, KIFU_DRAGON}, {7, 7, KIFU_PRO_PAWN + SECOND}}, 1);
  position.hands[0][KIFU_ROOK] = 1;
  position.hands[1][KIFU_PAWN] = 2;
  position.handicapFlags = HANDICAP_FIRST_KING;
  ASSERT_TRUE(position.ToBookPosition(book));
  // Second player to move: squares are turned, the first player's pieces are the other side's.
  EXPECT_EQ(book.slots[0], 88);        // own king on 1一 seen turned
  EXPECT_EQ(book.slots[1], 4 + 128);   // opponent's king on 5九
  EXPECT_EQ(book.slots[2], 19 + 128);  // the opponent's rook in hand
  EXPECT_EQ(book.slots[3], 66 + 128);  // the opponent's dragon on 3三
  EXPECT_EQ(book.slots[22], 22);       // own tokin on 7七
  EXPECT_EQ(book.slots[23], 79);       // own pawns in hand
  EXPECT_EQ(book.slots[24], 79);
  EXPECT_EQ(book.slots[25], 255);
  EXPECT_EQ(book.promotedBits[0], 1 << 3);  // the dragon, sorted into slot 3
  EXPECT_EQ(book.promotedBits[2], 1 << 6);  // the tokin in slot 22

  BookPosition untouched;
  std::memset(&untouched, 0xAB, sizeof untouched);
  position.hands[0][KIFU_ROOK] = 3;
  EXPECT_FALSE(position.ToBookPosition(untouched));
  EXPECT_EQ(untouched.slots[0], 0xAB);
}

TEST(KifuPosition, ArbitraryBytesNeverReachOutsideTheTables) {
  // Every public operation on positions and moves of random bytes; the
  // sanitizer build catches any read or write out of bounds.
  std::mt19937 random(7);
  auto byte = [&] { return static_cast<int>(random() % 256); };
  auto small = [&] { return static_cast<int>(random() % 20) - 3; };
  const int rounds = 20000;
  for (int round = 0; round < rounds; ++round) {
    KifuPosition position = KifuStartPosition();
    for (int rank = 1; rank <= 9; ++rank) {
      for (int file = 1; file <= 9; ++file) {
        if (random() % 3 == 0)
          position.board[KifuPosition::SquareIndex(file, rank)] = random() % 4 ? small() & 31 : byte();
      }
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
    KifuMove move(small(), small(), small(), small(), byte(), byte(), byte(), static_cast<KifuMoveKind>(small() & 15));
    if (count > 0 && random() % 2) move = moves[random() % count];
    position.IsValidMove(move, static_cast<int>(random() % 2));
    position.IsPawnDropMate(move);
    KifuMove completed = move;
    position.CompleteMove(completed);
    KifuPosition copy = position;
    copy.DoMove(move);
    copy.UndoMove(move);
    copy.EditMove(move);
    copy.EditMove(completed);
    copy.SwapSides();
    copy.CollectBoardPieces(small());
    copy.GatherHands(small());
    copy.UpdateBoxAndHandicap();
    position.HandCount(small(), small());
  }
}

}  // namespace
