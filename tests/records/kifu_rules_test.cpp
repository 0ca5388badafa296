// The record side's rules: perft from the start and the handicaps, the
// generator against the move test and its filters, check, pawn-drop mate,
// position validity, completing moves and impasse declarations.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <utility>
#include <vector>

#include "records/kifu_position.h"
#include "support/kifu_builder.h"
#include "support/kifu_perft.h"

namespace {

constexpr int SECOND = KIFU_SECOND_PLAYER_BIT;
constexpr int ANY = -1;

std::vector<KifuMove> Generate(const KifuPosition& position, int fromFile, int fromRank, int toFile, int toRank,
                               int piece, int captured, int promote, int side) {
  std::vector<KifuMove> moves(KIFU_MAX_MOVES);
  const int count =
      position.GenerateMoves(moves.data(), fromFile, fromRank, toFile, toRank, piece, captured, promote, side);
  moves.resize(count);
  return moves;
}

std::vector<KifuMove> GenerateAll(const KifuPosition& position) {
  return Generate(position, ANY, ANY, ANY, ANY, ANY, ANY, ANY, ANY);
}

// Positions along random games from the start and two handicaps.
std::vector<KifuPosition> SamplePositions() {
  std::vector<KifuPosition> samples;
  for (HandicapFlags flags : {HANDICAP_NONE, HandicapFlags{0x300}, HANDICAP_FIRST_KING}) {
    for (uint32_t seed = 1; seed <= 4; ++seed) {
      KifuPosition position = KifuStartPosition(flags);
      for (int leg = 0; leg < 8; ++leg) {
        if (KifuRandomPlayout(position, 15, seed * 100 + static_cast<uint32_t>(leg)).empty()) break;
        samples.push_back(position);
      }
    }
  }
  return samples;
}

TEST(KifuPerft, EvenStartMatchesTheKnownCounts) {
  const KifuPosition start = KifuStartPosition();
  EXPECT_EQ(KifuPerft(start, 1), 30u);
  EXPECT_EQ(KifuPerft(start, 2), 900u);
  EXPECT_EQ(KifuPerft(start, 3), 25470u);
#ifndef KIFU_SANITIZED
  EXPECT_EQ(KifuPerft(start, 4), 719731u);
#endif
}

TEST(KifuPerft, EveryHandicapStartHasMoves) {
  for (HandicapFlags flags : KIFU_KNOWN_HANDICAPS) {
    const KifuPosition start = KifuStartPosition(flags);
    EXPECT_GT(KifuPerft(start, 1), 0u) << flags;
    EXPECT_GT(KifuPerft(start, 3), KifuPerft(start, 2)) << flags;
  }
}

TEST(KifuMoveGeneration, StartPositionInGenerationOrder) {
  // Board moves by source rank, then file; each piece's steps in table
  // order, then its rays outward.
  const std::vector<std::pair<int, int>> expected = {
      {17, 16}, {27, 26}, {37, 36}, {47, 46}, {57, 56}, {67, 66}, {77, 76}, {87, 86}, {97, 96},  // pawns
      {28, 18}, {28, 38}, {28, 48}, {28, 58}, {28, 68}, {28, 78},                                // rook
      {19, 18}, {39, 38}, {39, 48}, {49, 38}, {49, 48}, {49, 58}, {59, 48}, {59, 58}, {59, 68},
      {69, 58}, {69, 68}, {69, 78}, {79, 68}, {79, 78}, {99, 98}};
  const std::vector<KifuMove> moves = GenerateAll(KifuStartPosition());
  ASSERT_EQ(moves.size(), expected.size());
  for (size_t i = 0; i < moves.size(); ++i) {
    EXPECT_EQ(moves[i].fromFile * 10 + moves[i].fromRank, expected[i].first) << i;
    EXPECT_EQ(moves[i].toFile * 10 + moves[i].toRank, expected[i].second) << i;
  }
}

TEST(KifuMoveGeneration, DropsComeFirstPawnFirstAndNeverWithPromotion) {
  KifuPosition position = BuildKifuPosition({{5, 9, KIFU_KING}, {5, 1, KIFU_KING + SECOND}, {3, 5, KIFU_PAWN}}, 0);
  position.hands[0][KIFU_PAWN] = 1;
  position.hands[0][KIFU_KNIGHT] = 1;
  const std::vector<KifuMove> moves = GenerateAll(position);
  ASSERT_FALSE(moves.empty());
  EXPECT_EQ(moves[0], KifuOrdinaryMove(KIFU_FIRST_HAND_FILE, KIFU_PAWN, 1, 2, KIFU_PAWN, 0));  // not rank 1, not file 3
  const auto firstKnight =
      std::find_if(moves.begin(), moves.end(), [](const KifuMove& m) { return m.fromRank == KIFU_KNIGHT; });
  ASSERT_NE(firstKnight, moves.end());
  EXPECT_EQ(*firstKnight, KifuOrdinaryMove(KIFU_FIRST_HAND_FILE, KIFU_KNIGHT, 1, 3, KIFU_KNIGHT, 0));
  EXPECT_EQ(std::count_if(moves.begin(), moves.end(),
                          [](const KifuMove& m) { return m.IsDrop() && m.fromRank == KIFU_PAWN && m.toFile == 3; }),
            0);
  for (const KifuMove& move : Generate(position, ANY, ANY, ANY, ANY, ANY, ANY, 1, ANY)) EXPECT_FALSE(move.IsDrop());
  EXPECT_TRUE(Generate(position, KIFU_SECOND_HAND_FILE, ANY, ANY, ANY, ANY, ANY, ANY, ANY).empty());
}

TEST(KifuMoveGeneration, GeneratesExactlyTheStrictlyValidMoves) {
  // Cross-check against IsValidMove, which judges a move by its geometry
  // rather than by walking steps and rays.
  for (const KifuPosition& position : SamplePositions()) {
    std::vector<KifuMove> valid;
    for (int fromFile : {1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12}) {
      for (int fromRank = 1; fromRank <= 9; ++fromRank) {
        for (int toRank = 1; toRank <= 9; ++toRank) {
          for (int toFile = 1; toFile <= 9; ++toFile) {
            KifuMove move = KifuOrdinaryMove(fromFile, fromRank, toFile, toRank, 0, 0);
            if (!position.CompleteMove(move)) continue;
            for (int promote : {0, 1}) {
              move.promote = static_cast<uint8_t>(promote);
              if (position.IsValidMove(move, 1) != 0) valid.push_back(move);
            }
          }
        }
      }
    }
    std::vector<KifuMove> generated = GenerateAll(position);
    auto order = [](const KifuMove& a, const KifuMove& b) { return std::memcmp(&a, &b, sizeof a) < 0; };
    std::sort(valid.begin(), valid.end(), order);
    std::sort(generated.begin(), generated.end(), order);
    EXPECT_EQ(generated, valid);
  }
}

// Whether a move of the full list passes the generator's filters.
bool PassesFilters(const KifuMove& move, int fromFile, int fromRank, int toFile, int toRank, KifuPieceCode piece,
                   KifuPieceCode captured, int promote) {
  auto matches = [](int filter, int value) { return filter == -1 || filter == 255 || filter == value; };
  if (!matches(fromFile, move.fromFile) || !matches(toFile, move.toFile) || !matches(toRank, move.toRank)) return false;
  if (!move.IsDrop() && !matches(fromRank, move.fromRank)) return false;
  if (piece.Value() != -1 && piece.Type() != move.piece.Type()) return false;
  if (captured.Value() != -1) {
    const bool emptyFilter = captured.Type() == KIFU_EMPTY || captured.Type() == KIFU_NO_PIECE;
    if (move.IsDrop() ? !emptyFilter : captured.Type() != move.captured.Type()) return false;
  }
  return matches(promote, move.promote);
}

TEST(KifuMoveGeneration, FiltersSelectAnOrderedSubsequence) {
  std::mt19937 random(11);
  for (const KifuPosition& position : SamplePositions()) {
    const std::vector<KifuMove> all = GenerateAll(position);
    ASSERT_FALSE(all.empty());
    for (int trial = 0; trial < 40; ++trial) {
      const KifuMove& sample = all[random() % all.size()];
      auto pick = [&](int value, int other) {
        const unsigned roll = random() % 4;
        return roll == 0 ? -1 : roll == 1 ? 255 : roll == 2 ? value : other;
      };
      const int fromFile = pick(sample.fromFile, static_cast<int>(random() % 14));
      const int fromRank = pick(sample.fromRank, static_cast<int>(random() % 10));
      const int toFile = pick(sample.toFile, static_cast<int>(random() % 10));
      const int toRank = pick(sample.toRank, static_cast<int>(random() % 10));
      const KifuPieceCode piece = pick(sample.piece.Code(), static_cast<int>(random() % 32));
      const KifuPieceCode captured = pick(sample.captured.Code(), static_cast<int>(random() % 32));
      const int promote = pick(sample.promote, static_cast<int>(random() % 3));
      std::vector<KifuMove> expected;
      for (const KifuMove& move : all) {
        if (PassesFilters(move, fromFile, fromRank, toFile, toRank, piece, captured, promote)) expected.push_back(move);
      }
      EXPECT_EQ(Generate(position, fromFile, fromRank, toFile, toRank, piece.Value(), captured.Value(), promote,
                         position.sideToMove),
                expected);
    }
  }
}

TEST(KifuMoveGeneration, NeverWritesPastTheCallersArray) {
  // An edited position with more pseudo-moves than any game allows: nine
  // rooks on rank 1, each with and without promotion down its file, and
  // every type in hand.
  KifuPosition position = BuildKifuPosition({}, 0);
  for (int file = 1; file <= 9; ++file) position.board[KifuPosition::SquareIndex(file, 1)] = KIFU_ROOK;
  for (int type = KIFU_PAWN; type <= KIFU_ROOK; ++type) position.hands[0][type] = 1;
  std::vector<KifuMove> moves(KIFU_MAX_MOVES + 1);
  const KifuMove guard = KifuOrdinaryMove(99, 99, 99, 99, 99, 99);
  moves.back() = guard;
  EXPECT_EQ(position.GenerateMoves(moves.data(), ANY, ANY, ANY, ANY, ANY, ANY, ANY, ANY), KIFU_MAX_MOVES);
  EXPECT_EQ(moves.back(), guard);
}

TEST(KifuMoveValidity, PromotionClassesAndGeometry) {
  const KifuPosition position = BuildKifuPosition({{5, 9, KIFU_KING},
                                                   {5, 1, KIFU_KING + SECOND},
                                                   {2, 2, KIFU_PAWN},
                                                   {6, 4, KIFU_SILVER},
                                                   {4, 4, KIFU_GOLD},
                                                   {1, 9, KIFU_LANCE},
                                                   {1, 7, KIFU_PAWN},
                                                   {8, 8, KIFU_ROOK},
                                                   {5, 5, KIFU_DRAGON},
                                                   {7, 3, KIFU_KNIGHT + SECOND}},
                                                  0);
  const KifuMove pawnToLastRank = KifuOrdinaryMove(2, 2, 2, 1, KIFU_PAWN, 0);
  EXPECT_EQ(position.IsValidMove(pawnToLastRank, 1), 0);
  EXPECT_EQ(position.IsValidMove(pawnToLastRank, 0), 2);
  EXPECT_EQ(position.IsValidMove(KifuOrdinaryMove(2, 2, 2, 1, KIFU_PAWN, 0, 1), 1), 2);
  EXPECT_EQ(position.IsValidMove(KifuOrdinaryMove(6, 4, 6, 3, KIFU_SILVER, 0), 1), 3);
  EXPECT_EQ(position.IsValidMove(KifuOrdinaryMove(6, 4, 7, 3, KIFU_SILVER, KIFU_KNIGHT + SECOND, 1), 1), 3);
  EXPECT_EQ(position.IsValidMove(KifuOrdinaryMove(4, 4, 4, 3, KIFU_GOLD, 0, 1), 1), 0);
  EXPECT_EQ(position.IsValidMove(KifuOrdinaryMove(4, 4, 4, 3, KIFU_GOLD, 0, 1), 0), 1);
  EXPECT_EQ(position.IsValidMove(KifuOrdinaryMove(1, 9, 1, 5, KIFU_LANCE, 0), 1), 0);  // over its own pawn
  EXPECT_EQ(position.IsValidMove(KifuOrdinaryMove(1, 9, 1, 8, KIFU_LANCE, 0), 1), 1);
  EXPECT_EQ(position.IsValidMove(KifuOrdinaryMove(8, 8, 7, 7, KIFU_ROOK, 0), 1), 0);
  EXPECT_EQ(position.IsValidMove(KifuOrdinaryMove(8, 8, 8, 2, KIFU_ROOK, 0), 1), 3);
  EXPECT_EQ(position.IsValidMove(KifuOrdinaryMove(5, 5, 4, 6, KIFU_DRAGON, 0), 1), 1);
  EXPECT_EQ(position.IsValidMove(KifuOrdinaryMove(5, 5, 3, 3, KIFU_DRAGON, 0), 1), 0);
  EXPECT_EQ(position.IsValidMove(KifuOrdinaryMove(5, 5, 5, 5, KIFU_DRAGON, 0), 0), 0);
  EXPECT_EQ(position.IsValidMove(KifuOrdinaryMove(7, 3, 6, 5, KIFU_KNIGHT + SECOND, 0), 1), 0);  // not its turn
}

TEST(KifuMoveValidity, DropRules) {
  KifuPosition position =
      BuildKifuPosition({{5, 9, KIFU_KING}, {5, 1, KIFU_KING + SECOND}, {3, 5, KIFU_PRO_PAWN}, {4, 6, KIFU_PAWN}}, 0);
  position.hands[0][KIFU_PAWN] = 1;
  position.hands[0][KIFU_KNIGHT] = 1;
  position.hands[0][KIFU_LANCE] = 1;
  auto drop = [](int type, int file, int rank) {
    return KifuOrdinaryMove(KIFU_FIRST_HAND_FILE, type, file, rank, type, 0);
  };
  EXPECT_EQ(position.IsValidMove(drop(KIFU_PAWN, 3, 4), 1), 1);  // beside its tokin
  EXPECT_EQ(position.IsValidMove(drop(KIFU_PAWN, 4, 4), 1), 0);  // a second pawn on file 4
  EXPECT_EQ(position.IsValidMove(drop(KIFU_PAWN, 6, 1), 1), 0);
  EXPECT_EQ(position.IsValidMove(drop(KIFU_LANCE, 6, 1), 1), 0);
  EXPECT_EQ(position.IsValidMove(drop(KIFU_KNIGHT, 6, 2), 1), 0);
  EXPECT_EQ(position.IsValidMove(drop(KIFU_KNIGHT, 6, 3), 1), 1);
  EXPECT_EQ(position.IsValidMove(drop(KIFU_KNIGHT, 3, 5), 1), 0);  // occupied
  EXPECT_EQ(position.IsValidMove(KifuOrdinaryMove(KIFU_FIRST_HAND_FILE, KIFU_KNIGHT, 6, 3, KIFU_KNIGHT, 0, 1), 1), 0);
  EXPECT_EQ(position.IsValidMove(drop(KIFU_GOLD, 6, 3), 1), 0);  // none in hand
}

TEST(KifuPositionValidity, PieceCountsKingsAndDeadPieces) {
  EXPECT_TRUE(BuildKifuPosition({{5, 1, KIFU_KING + SECOND}}, 1).IsValid() == false);
  KifuPosition noFirstKing = BuildKifuPosition({{5, 1, KIFU_KING + SECOND}}, 1);
  noFirstKing.handicapFlags = HANDICAP_FIRST_KING;
  EXPECT_TRUE(noFirstKing.IsValid());
  KifuPosition twoKings = BuildKifuPosition({{5, 9, KIFU_KING}, {4, 9, KIFU_KING}, {5, 1, KIFU_KING + SECOND}}, 0);
  EXPECT_FALSE(twoKings.IsValid());
  twoKings.handicapFlags = HANDICAP_FIRST_KING;
  EXPECT_FALSE(twoKings.IsValid());

  const KifuPosition kings = BuildKifuPosition({{5, 9, KIFU_KING}, {5, 1, KIFU_KING + SECOND}}, 0);
  ASSERT_TRUE(kings.IsValid());
  auto with = [&](int file, int rank, int code) {
    KifuPosition position = kings;
    position.board[KifuPosition::SquareIndex(file, rank)] = code;
    return position;
  };
  EXPECT_FALSE(with(3, 1, KIFU_PAWN).IsValid());
  EXPECT_FALSE(with(3, 1, KIFU_LANCE).IsValid());
  EXPECT_FALSE(with(3, 2, KIFU_KNIGHT).IsValid());
  EXPECT_FALSE(with(3, 8, KIFU_KNIGHT + SECOND).IsValid());
  EXPECT_TRUE(with(3, 1, KIFU_PRO_PAWN).IsValid());
  EXPECT_FALSE(with(3, 3, 40).IsValid());
  EXPECT_FALSE(with(3, 3, 255).IsValid());
  KifuPosition doublePawn = with(3, 3, KIFU_PAWN);
  doublePawn.board[KifuPosition::SquareIndex(3, 6)] = KIFU_PAWN;
  EXPECT_FALSE(doublePawn.IsValid());
  doublePawn.board[KifuPosition::SquareIndex(3, 6)] = KIFU_PRO_PAWN;
  EXPECT_TRUE(doublePawn.IsValid());

  auto withCount = [&](int store, int type, int count) {
    KifuPosition position = kings;
    position.hands[store][type] = static_cast<int8_t>(count);
    return position;
  };
  EXPECT_TRUE(withCount(0, KIFU_PAWN, 18).IsValid());
  EXPECT_FALSE(withCount(0, KIFU_PAWN, 19).IsValid());
  EXPECT_FALSE(withCount(1, KIFU_ROOK, 3).IsValid());
  EXPECT_FALSE(withCount(KIFU_BOX, KIFU_PAWN, -1).IsValid());
  EXPECT_FALSE(withCount(KIFU_BOX, KIFU_KING, -1).IsValid());
  EXPECT_FALSE(withCount(0, KIFU_KING, 1).IsValid());
  KifuPosition hidden = withCount(0, KIFU_PAWN, 20);
  hidden.hands[KIFU_BOX][KIFU_PAWN] = -2;  // the sum alone would be 18
  EXPECT_FALSE(hidden.IsValid());
  KifuPosition badSide = kings;
  badSide.sideToMove = 2;
  EXPECT_FALSE(badSide.IsValid());
}

TEST(KifuPositionValidity, BothKingsAttackedIsInvalid) {
  KifuPosition position = BuildKifuPosition(
      {{5, 9, KIFU_KING}, {5, 1, KIFU_KING + SECOND}, {5, 5, KIFU_ROOK}, {1, 9, KIFU_ROOK + SECOND}}, 0);
  EXPECT_FALSE(position.IsValid());
  position.board[KifuPosition::SquareIndex(1, 9)] = 0;
  EXPECT_TRUE(position.IsValid());  // only one king attacked
}

TEST(KifuCheck, AgreesWithTheGeneratorsKingCaptures) {
  std::mt19937 random(5);
  std::vector<KifuPosition> positions = SamplePositions();
  for (int round = 0; round < 400; ++round) {
    KifuPosition position = BuildKifuPosition({}, 0);
    position.board[KifuPosition::SquareIndex(1 + static_cast<int>(random() % 9), 1 + static_cast<int>(random() % 9))] =
        KIFU_KING;
    position.board[KifuPosition::SquareIndex(1 + static_cast<int>(random() % 9), 1 + static_cast<int>(random() % 9))] =
        KIFU_KING + SECOND;
    for (int piece = 0; piece < 12; ++piece) {
      int code = 1 + static_cast<int>(random() % 31);
      if ((code & 15) == KIFU_KING) code = KIFU_NO_PIECE;
      KifuPieceCode& square =
          position
              .board[KifuPosition::SquareIndex(1 + static_cast<int>(random() % 9), 1 + static_cast<int>(random() % 9))];
      if ((square.Type()) != KIFU_KING) square = code;
    }
    positions.push_back(position);
  }
  for (const KifuPosition& position : positions) {
    for (int side : {0, 1}) {
      const bool attacked = !Generate(position, ANY, ANY, ANY, ANY, ANY, KIFU_KING, ANY, 1 - side).empty();
      EXPECT_EQ(position.IsInCheck(side), attacked);
    }
  }
}

TEST(KifuCheck, TheBorderIsNoPiece) {
  for (int side : {0, 1}) {
    for (int rank = 1; rank <= 9; ++rank) {
      for (int file = 1; file <= 9; ++file) {
        const KifuPosition alone = BuildKifuPosition({{file, rank, (side << 4) + KIFU_KING}}, side);
        EXPECT_FALSE(alone.IsInCheck(side)) << file << rank;
      }
    }
  }
  const KifuPosition lances =
      BuildKifuPosition({{5, 5, KIFU_KING}, {5, 9, KIFU_LANCE + SECOND}, {5, 1, KIFU_LANCE + SECOND}}, 0);
  EXPECT_TRUE(lances.IsInCheck(0));  // the lance on 5一 looks down the file
  const KifuPosition behind = BuildKifuPosition({{5, 5, KIFU_KING}, {5, 9, KIFU_LANCE + SECOND}}, 0);
  EXPECT_FALSE(behind.IsInCheck(0));
  EXPECT_FALSE(behind.IsInCheck(7));
}

// The second player's king in the corner, with the first player's gold and
// silver covering its escapes.
KifuPosition CornerPosition() {
  return BuildKifuPosition({{1, 1, KIFU_KING + SECOND}, {2, 3, KIFU_GOLD}, {3, 2, KIFU_SILVER}, {9, 9, KIFU_KING}}, 0);
}

TEST(KifuPawnDropMate, DroppedPawnMateIsRefused) {
  KifuPosition position = CornerPosition();
  position.hands[0][KIFU_PAWN] = 1;
  const KifuMove drop = KifuOrdinaryMove(KIFU_FIRST_HAND_FILE, KIFU_PAWN, 1, 2, KIFU_PAWN, 0);
  ASSERT_EQ(position.IsValidMove(drop, 1), 1);
  KifuPosition after = position;
  ASSERT_TRUE(after.DoMove(drop));
  EXPECT_TRUE(after.IsPawnDropMate(drop));
  const std::vector<KifuMove> legal = KifuLegalMoves(position);
  EXPECT_EQ(std::count(legal.begin(), legal.end(), drop), 0);
  EXPECT_FALSE(legal.empty());
}

TEST(KifuPawnDropMate, LanceDropAndPawnPushMayMate) {
  KifuPosition position = CornerPosition();
  position.hands[0][KIFU_LANCE] = 1;
  const KifuMove lanceDrop = KifuOrdinaryMove(KIFU_FIRST_HAND_FILE, KIFU_LANCE, 1, 2, KIFU_LANCE, 0);
  KifuPosition after = position;
  ASSERT_TRUE(after.DoMove(lanceDrop));
  EXPECT_FALSE(after.IsPawnDropMate(lanceDrop));
  EXPECT_FALSE(after.HasLegalMove());
  EXPECT_TRUE(position.HasLegalMove());

  KifuPosition pushing = CornerPosition();
  pushing.board[KifuPosition::SquareIndex(1, 3)] = KIFU_PAWN;
  const KifuMove push = KifuOrdinaryMove(1, 3, 1, 2, KIFU_PAWN, 0);
  ASSERT_TRUE(pushing.DoMove(push));
  EXPECT_FALSE(pushing.IsPawnDropMate(push));
  EXPECT_FALSE(pushing.HasLegalMove());
}

TEST(KifuPawnDropMate, PinnedDefenderCannotTakeThePawn) {
  // The second player's silver on 2一 could take the pawn, but the rook on
  // 9一 pins it to the king.
  KifuPosition position = BuildKifuPosition({{1, 1, KIFU_KING + SECOND},
                                             {2, 1, KIFU_SILVER + SECOND},
                                             {2, 3, KIFU_GOLD},
                                             {9, 1, KIFU_ROOK},
                                             {9, 9, KIFU_KING}},
                                            0);
  position.hands[0][KIFU_PAWN] = 1;
  const KifuMove drop = KifuOrdinaryMove(KIFU_FIRST_HAND_FILE, KIFU_PAWN, 1, 2, KIFU_PAWN, 0);
  KifuPosition pinned = position;
  ASSERT_TRUE(pinned.DoMove(drop));
  EXPECT_TRUE(pinned.IsPawnDropMate(drop));

  KifuPosition unpinned = position;
  unpinned.board[KifuPosition::SquareIndex(9, 1)] = 0;
  ASSERT_TRUE(unpinned.DoMove(drop));
  EXPECT_FALSE(unpinned.IsPawnDropMate(drop));
}

TEST(KifuCompleteMove, FillsPiecesFromBoardHandsAndBox) {
  KifuPosition position = KifuStartPosition(HANDICAP_FIRST_KING);
  position.hands[1][KIFU_SILVER] = 1;
  KifuMove move = KifuOrdinaryMove(7, 7, 7, 3, 0, 0);
  move.kind = KifuMoveKind::Resignation;
  ASSERT_TRUE(position.CompleteMove(move));
  EXPECT_EQ(move, KifuOrdinaryMove(7, 7, 7, 3, KIFU_PAWN, KIFU_PAWN + SECOND));

  move = KifuOrdinaryMove(KIFU_SECOND_HAND_FILE, KIFU_SILVER, 5, 5, 0, 0);
  ASSERT_TRUE(position.CompleteMove(move));
  EXPECT_EQ(move.piece, KIFU_SILVER + SECOND);
  move = KifuOrdinaryMove(KIFU_BOX_FILE, KIFU_KING, 5, 9, 0, 0);
  ASSERT_TRUE(position.CompleteMove(move));
  EXPECT_EQ(move.piece, KIFU_KING);

  move = KifuOrdinaryMove(8, 2, KIFU_BOX_FILE, 0, 0, 0);  // into the box: the to-rank becomes the type
  ASSERT_TRUE(position.CompleteMove(move));
  EXPECT_EQ(move, KifuOrdinaryMove(8, 2, KIFU_BOX_FILE, KIFU_ROOK, KIFU_ROOK + SECOND, 0));

  for (KifuMove refused :
       {KifuOrdinaryMove(5, 5, 5, 4, 0, 0), KifuOrdinaryMove(10, 1, 5, 5, 0, 0), KifuOrdinaryMove(14, 1, 5, 5, 0, 0),
        KifuOrdinaryMove(KIFU_FIRST_HAND_FILE, KIFU_PAWN, 5, 5, 0, 0), KifuOrdinaryMove(KIFU_BOX_FILE, 9, 5, 5, 0, 0),
        KifuOrdinaryMove(7, 7, 7, 10, 0, 0), KifuOrdinaryMove(7, 7, 10, 3, 0, 0), KifuOrdinaryMove(7, 0, 7, 6, 0, 0),
        KifuOrdinaryMove(-5, 7, 7, 6, 0, 0)}) {
    const KifuMove before = refused;
    EXPECT_FALSE(position.CompleteMove(refused));
    EXPECT_EQ(refused, before);
  }
}

// The first player's king on 5一 with a dragon, a horse and eight tokins in
// the camp (18 points, 11 pieces).
KifuPosition ImpassePosition() {
  KifuPosition position =
      BuildKifuPosition({{5, 1, KIFU_KING}, {1, 1, KIFU_DRAGON}, {9, 1, KIFU_HORSE}, {5, 9, KIFU_KING + SECOND}}, 0);
  for (int file = 1; file <= 8; ++file) position.board[KifuPosition::SquareIndex(file, 3)] = KIFU_PRO_PAWN;
  return position;
}

TEST(KifuImpasse, BothThresholdsForTheFirstPlayer) {
  int points = 0;
  KifuPosition position = ImpassePosition();
  position.hands[0][KIFU_ROOK] = 1;
  position.hands[0][KIFU_BISHOP] = 1;
  EXPECT_EQ(position.CheckImpasseDeclaration(27, &points), 2);
  EXPECT_EQ(points, 28);
  position.hands[0][KIFU_BISHOP] = 0;
  position.hands[0][KIFU_PAWN] = 4;
  EXPECT_EQ(position.CheckImpasseDeclaration(27, &points), 1);
  EXPECT_EQ(points, 27);
  position.hands[0][KIFU_PAWN] = 3;
  EXPECT_EQ(position.CheckImpasseDeclaration(24, &points), 4);
  EXPECT_EQ(points, 26);
  EXPECT_EQ(position.CheckImpasseDeclaration(27, &points), 0);
  EXPECT_EQ(points, 26);
  EXPECT_EQ(position.CheckImpasseDeclaration(24, nullptr), 4);

  KifuPosition tooFew = position;
  tooFew.board[KifuPosition::SquareIndex(8, 3)] = 0;
  EXPECT_EQ(tooFew.CheckImpasseDeclaration(24, &points), 0);
  EXPECT_EQ(points, -1);
  KifuPosition inCheck = position;
  inCheck.board[KifuPosition::SquareIndex(5, 2)] = KIFU_GOLD + SECOND;
  EXPECT_EQ(inCheck.CheckImpasseDeclaration(24, &points), 0);
  KifuPosition outside = position;
  std::swap(outside.board[KifuPosition::SquareIndex(5, 1)], outside.board[KifuPosition::SquareIndex(5, 4)]);
  EXPECT_EQ(outside.CheckImpasseDeclaration(24, &points), 0);
  EXPECT_EQ(points, -1);
}

TEST(KifuImpasse, TheBoxCountsForTheSecondPlayerOnly) {
  int points = 0;
  KifuPosition first = ImpassePosition();
  first.hands[0][KIFU_BISHOP] = 1;
  first.hands[KIFU_BOX][KIFU_ROOK] = 1;
  EXPECT_EQ(first.CheckImpasseDeclaration(27, &points), 0);
  EXPECT_EQ(points, 23);

  KifuPosition second = first;
  second.SwapSides();
  second.sideToMove = 1;
  EXPECT_EQ(second.CheckImpasseDeclaration(27, &points), 3);
  EXPECT_EQ(points, 28);
  second.hands[KIFU_BOX][KIFU_ROOK] = 0;
  second.hands[KIFU_BOX][KIFU_PAWN] = 4;
  EXPECT_EQ(second.CheckImpasseDeclaration(27, &points), 3);
  EXPECT_EQ(points, 27);
}

}  // namespace
