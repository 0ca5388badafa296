// The record side's rules: perft, the generator against the move test, its
// filters and its cap, move and position validity, check, pawn-drop mate,
// completing moves and impasse declarations.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

#include "records/kifu_position.h"
#include "support/kifu_builder.h"
#include "support/kifu_perft.h"

namespace {

constexpr int SECOND = KIFU_SECOND_PLAYER_BIT;
constexpr int ANY = -1;

std::vector<KifuMove> Generate(const KifuPosition& position, int fromFile, int toFile, int toRank, int captured,
                               int promote, int side = ANY) {
  std::vector<KifuMove> moves(KIFU_MAX_MOVES);
  moves.resize(static_cast<size_t>(
      position.GenerateMoves(moves.data(), fromFile, ANY, toFile, toRank, ANY, captured, promote, side)));
  return moves;
}

// Squares are written file * 10 + rank.
KifuPosition With(KifuPosition position, int square, int code) {
  position.board[KifuPosition::SquareIndex(square / 10, square % 10)] = code;
  return position;
}

// The move between two squares (from 110 + type: a drop from the first
// player's hand) with the position's piece bytes.
KifuMove MoveOf(const KifuPosition& position, int from, int to, int promote = 0) {
  KifuMove move(from / 10, from % 10, to / 10, to % 10, from % 10, 0, promote, KifuMoveKind::Ordinary);
  position.CompleteMove(move);  // a drop of a type not in hand keeps its bytes
  return move;
}

// The rules do not care which chair a side sits in: a position and its
// turned colour-swapped twin have the same perft, handicap starts included.
TEST(RecordPerft, EvenStartMatchesTheKnownCountsAndTurnedPositionsCountTheSame) {
  const KifuPosition start = KifuStartPosition();
  EXPECT_EQ(RecordPerft(start, 1) * 10000000 + RecordPerft(start, 2), 300000900u);
  EXPECT_EQ(RecordPerft(start, 3), 25470u);
#ifndef KIFU_SANITIZED
  EXPECT_EQ(RecordPerft(start, 4), 719731u);
#endif
  for (HandicapFlags flags : KIFU_KNOWN_HANDICAPS) {
    const KifuPosition handicap = KifuStartPosition(flags);
    EXPECT_GT(RecordPerft(handicap, 1), 0u) << flags;
    EXPECT_EQ(RecordPerft(handicap, 3), RecordPerft(KifuTurned(handicap), 3)) << flags;
  }
  for (const KifuPosition& position : KifuSamplePositions()) {
    EXPECT_EQ(RecordPerft(position, 2), RecordPerft(KifuTurned(position), 2));
  }
}

// IsValidMove judges a move by its geometry rather than by walking steps and
// rays: the generator must write exactly the moves it accepts, drops first
// (by type, to rank, to file), then board moves by from rank and from file.
TEST(KifuMoveGeneration, GeneratesExactlyTheStrictlyValidMovesInOrderAndFiltersThem) {
  for (const KifuPosition& position : KifuSamplePositions()) {
    std::vector<KifuMove> valid;
    for (int from = 11; from <= 127; ++from) {
      for (int to = 11; to <= 99; ++to) {
        for (int promote : {0, 1}) {
          KifuMove move(from / 10, from % 10, to / 10, to % 10, 0, 0, promote, KifuMoveKind::Ordinary);
          if (to % 10 != 0 && position.CompleteMove(move) && position.IsValidMove(move, 1)) valid.push_back(move);
        }
      }
    }
    std::vector<KifuMove> generated = KifuGeneratedMoves(position);
    auto order = [](const KifuMove& m) {
      return m.IsDrop() ? std::tuple(0, int{m.fromRank}, int{m.toRank}, int{m.toFile})
                        : std::tuple(1, int{m.fromRank}, int{m.fromFile}, 0);
    };
    EXPECT_TRUE(std::is_sorted(generated.begin(), generated.end(),
                               [&](const KifuMove& a, const KifuMove& b) { return order(a) < order(b); }));
    auto bytes = [](const KifuMove& a, const KifuMove& b) { return std::memcmp(&a, &b, sizeof a) < 0; };
    std::sort(valid.begin(), valid.end(), bytes);
    std::sort(generated.begin(), generated.end(), bytes);
    EXPECT_EQ(generated, valid);
    // Each filter selects the matching moves of the full list, in its order;
    // 255 is "any" as -1 is.
    const std::vector<KifuMove> all = KifuGeneratedMoves(position);
    auto expect = [&](auto keep, int fromFile, int toFile, int captured, int promote) {
      std::vector<KifuMove> kept;
      std::copy_if(all.begin(), all.end(), std::back_inserter(kept), keep);
      EXPECT_EQ(Generate(position, fromFile, toFile, 255, captured, promote), kept);
    };
    const int hand = KIFU_FIRST_HAND_FILE + position.sideToMove;
    expect([](const KifuMove& m) { return m.promote == 1 && !m.IsDrop(); }, ANY, ANY, ANY, 1);
    expect([&](const KifuMove& m) { return m.fromFile == hand; }, hand, ANY, ANY, 255);
    expect([](const KifuMove& m) { return m.fromFile == 7 && m.toFile == 7 && !m.promote; }, 7, 7, ANY, 0);
    expect([](const KifuMove& m) { return m.captured.Type() == KIFU_PAWN; }, ANY, ANY, KIFU_PAWN + SECOND, ANY);
    expect([](const KifuMove& m) { return m.captured.IsEmpty(); }, 255, ANY, KIFU_EMPTY, ANY);
    EXPECT_TRUE(Generate(position, hand ^ 7, ANY, ANY, ANY, ANY).empty());  // the other hand
  }
}

TEST(KifuMoveGeneration, NeverWritesPastTheCallersArray) {
  // Nine rooks on rank 1, each with and without promotion down its file,
  // and every type in hand: more pseudo-moves than any game allows.
  KifuPosition position = BuildKifuPosition({}, 0);
  for (int file = 1; file <= 9; ++file) position = With(position, file * 10 + 1, KIFU_ROOK);
  for (int type = KIFU_PAWN; type <= KIFU_ROOK; ++type) position.hands[0][type] = 1;
  std::vector<KifuMove> moves(KIFU_MAX_MOVES + 1);
  const KifuMove guard = KifuOrdinaryMove(99, 99, 99, 99, 99, 99);
  moves.back() = guard;
  EXPECT_EQ(position.GenerateMoves(moves.data(), ANY, ANY, ANY, ANY, ANY, ANY, ANY, ANY), KIFU_MAX_MOVES);
  EXPECT_EQ(moves.back(), guard);
}

// Strict answers of 0 and 1 follow from the generator and the engine's move
// lists; these are the promotion classes and the lenient answers.
TEST(KifuMoveValidity, PromotionClassesAndLenientAnswers) {
  KifuPosition position = BuildKifuPosition({{5, 9, KIFU_KING}, {5, 1, KIFU_KING + SECOND}, {2, 2, KIFU_PAWN},
                                             {6, 4, KIFU_SILVER}, {4, 4, KIFU_GOLD}, {5, 5, KIFU_DRAGON},
                                             {3, 5, KIFU_PRO_PAWN}}, 0);
  position.hands[0][KIFU_PAWN] = 1;
  // from, to, promote flag, strict, expected class. A pawn to the last rank
  // must promote; a silver into or out of the zone may; a gold never; a pawn
  // drops on the file of its tokin; no move in place.
  const int cases[][5] = {{22, 21, 0, 0, 2}, {22, 21, 1, 1, 2}, {64, 63, 0, 1, 3}, {64, 73, 1, 1, 3},
                          {44, 43, 1, 0, 1}, {111, 34, 0, 1, 1}, {55, 55, 0, 0, 0}};
  for (const auto& [from, to, promote, strict, expected] : cases) {
    EXPECT_EQ(position.IsValidMove(MoveOf(position, from, to, promote), strict), expected) << from << "-" << to;
  }
}

// A drop's type byte names a hand piece, pawn to rook: a forged drop of a
// king, a promoted piece or nothing is refused by either side, even when
// the hand somehow holds one, while every hand piece drops onto 5e.
TEST(KifuMoveValidity, DropsOnlyPawnToRookTypes) {
  for (int side : {0, 1}) {
    KifuPosition position = BuildKifuPosition({{5, 9, KIFU_KING}, {5, 1, KIFU_KING + SECOND}}, side);
    for (int type = KIFU_PAWN; type <= KIFU_KING; ++type) position.hands[side][type] = 1;
    for (int type = 0; type < 16; ++type) {
      const KifuMove drop(KIFU_FIRST_HAND_FILE + side, type, 5, 5, (side == 1 ? SECOND : 0) | type, 0, 0,
                          KifuMoveKind::Ordinary);
      const int expected = type >= KIFU_PAWN && type <= KIFU_ROOK ? 1 : 0;
      EXPECT_EQ(position.IsValidMove(drop, 1), expected) << "side " << side << " type " << type;
      EXPECT_EQ(position.IsValidMove(drop, 0), expected) << "side " << side << " type " << type;
    }
  }
}

TEST(KifuPositionValidity, RefusesBytesThatAreNoPieceAndNoSideToMove) {
  const KifuPosition base = BuildKifuPosition({{5, 9, KIFU_KING}, {5, 1, KIFU_KING + SECOND}, {3, 3, KIFU_PAWN}}, 1);
  ASSERT_TRUE(base.IsValid());
  // Dead pieces, doubled pawns, kings, counts and check are refused on every
  // read of a file; what no file holds is a byte that is no piece.
  for (int code : {40, 255}) EXPECT_FALSE(With(base, 43, code).IsValid()) << code;
  KifuPosition badSide = base;
  badSide.sideToMove = 2;
  EXPECT_FALSE(badSide.IsValid());
  // Without the first player's king (0x400) a lone king passes, two kings never do.
  KifuPosition noFirstKing = With(base, 59, 0), twoKings = With(base, 49, KIFU_KING);
  noFirstKing.handicapFlags = twoKings.handicapFlags = HANDICAP_FIRST_KING;
  EXPECT_TRUE(noFirstKing.IsValid());
  EXPECT_FALSE(twoKings.IsValid());
}

// Against game positions and boards of two kings and twelve random pieces;
// the border's 255 would read as a second-player dragon if it were looked at.
TEST(KifuCheck, AgreesWithTheGeneratorsKingCapturesAndIgnoresTheBorder) {
  std::vector<KifuPosition> positions = KifuSamplePositions();
  std::mt19937 random(5);
  auto upTo = [&](int most) { return 1 + static_cast<int>(random() % static_cast<unsigned>(most)); };
  for (int round = 0; round < 400; ++round) {
    KifuPosition& soup = positions.emplace_back(BuildKifuPosition({}, 0));
    for (int piece = 0; piece < 14; ++piece) {
      const int code = piece < 2 ? KIFU_KING + SECOND * piece : upTo(31);
      KifuPieceCode& target = soup.board[KifuPosition::SquareIndex(upTo(9), upTo(9))];
      if (piece < 2 || ((code & 15) != KIFU_KING && target.Type() != KIFU_KING)) target = code;
    }
  }
  for (const KifuPosition& position : positions) {
    for (int side : {0, 1}) {
      EXPECT_EQ(position.IsInCheck(side), !Generate(position, ANY, ANY, ANY, KIFU_KING, ANY, 1 - side).empty());
    }
  }
  EXPECT_FALSE(positions[0].IsInCheck(7));
}

// The second player's king in the corner, the first player's gold and
// silver covering its escapes; a pawn or lance dropped on 1二 gives mate.
TEST(KifuPawnDropMate, OnlyADroppedPawnMayNotMate) {
  const KifuPosition corner =
      BuildKifuPosition({{1, 1, KIFU_KING + SECOND}, {2, 3, KIFU_GOLD}, {3, 2, KIFU_SILVER}, {9, 9, KIFU_KING}}, 0);
  // The silver on 2一 could take the pawn, but the rook on 9一 pins it.
  const KifuPosition pinned = With(With(With(corner, 32, 0), 21, KIFU_SILVER + SECOND), 91, KIFU_ROOK);
  const std::tuple<KifuPosition, int, bool, bool> cases[] = {
      // position, from, forbidden, mates
      {corner, 111, true, true},
      {corner, 112, false, true},
      {pinned, 111, true, true},
      {With(pinned, 91, 0), 111, false, false},
      {With(corner, 13, KIFU_PAWN), 13, false, true}};  // pushed, not dropped
  for (const auto& [before, from, forbidden, mates] : cases) {
    KifuPosition position = before;
    if (from > 100) position.hands[0][from % 10] = 1;
    const KifuMove move = MoveOf(position, from, 12);
    const std::vector<KifuMove> legal = KifuLegalMoves(position);
    EXPECT_EQ(std::count(legal.begin(), legal.end(), move), forbidden ? 0 : 1);
    ASSERT_TRUE(position.DoMove(move));
    EXPECT_EQ(position.IsPawnDropMate(move), forbidden);
    EXPECT_EQ(position.HasLegalMove(), !mates);
  }
}

TEST(KifuCompleteMove, FillsPiecesFromFilesOneToNineAndElevenToThirteenOnly) {
  KifuPosition position = KifuStartPosition(HANDICAP_FIRST_KING);
  position.hands[1][KIFU_SILVER] = 1;
  const std::pair<KifuMove, KifuMove> completed[] = {
      {KifuOrdinaryMove(7, 7, 7, 3, 0, 0), KifuOrdinaryMove(7, 7, 7, 3, KIFU_PAWN, KIFU_PAWN + SECOND)},
      {KifuOrdinaryMove(12, KIFU_SILVER, 5, 5, 0, 0), KifuOrdinaryMove(12, KIFU_SILVER, 5, 5, KIFU_SILVER + SECOND, 0)},
      {KifuOrdinaryMove(13, KIFU_KING, 5, 9, 0, 0), KifuOrdinaryMove(13, KIFU_KING, 5, 9, KIFU_KING, 0)},
      // Into the box: the to-rank becomes the type.
      {KifuOrdinaryMove(8, 2, 13, 0, 0, 0), KifuOrdinaryMove(8, 2, 13, KIFU_ROOK, KIFU_ROOK + SECOND, 0)}};
  for (auto [move, expected] : completed) {
    move.kind = KifuMoveKind::Resignation;
    ASSERT_TRUE(position.CompleteMove(move));
    EXPECT_EQ(move, expected);
  }
  ExpectKifuRefused(position, [](KifuPosition& p, KifuMove& m) { return p.CompleteMove(m); },
                    {KifuOrdinaryMove(5, 5, 5, 4, 0, 0), KifuOrdinaryMove(10, 1, 5, 5, 0, 0),
                     KifuOrdinaryMove(14, KIFU_GOLD, 5, 5, 0, 0), KifuOrdinaryMove(11, KIFU_PAWN, 5, 5, 0, 0),
                     KifuOrdinaryMove(13, 9, 5, 5, 0, 0), KifuOrdinaryMove(7, 7, 7, 10, 0, 0),
                     KifuOrdinaryMove(7, 7, 10, 3, 0, 0), KifuOrdinaryMove(7, 7, 14, 3, 0, 0),
                     KifuOrdinaryMove(7, 0, 7, 6, 0, 0),
                     KifuOrdinaryMove(-5, 7, 7, 6, 0, 0)});
}

// The first player's king on 5一 with a dragon, a horse and eight tokins in
// the camp: 11 pieces, 18 points; the rest in hand or in the box.
TEST(KifuImpasse, BothThresholdsAndWhatBarsADeclaration) {
  KifuPosition camp =
      BuildKifuPosition({{5, 1, KIFU_KING}, {1, 1, KIFU_DRAGON}, {9, 1, KIFU_HORSE}, {5, 9, KIFU_KING + SECOND}}, 0);
  for (int file = 1; file <= 8; ++file) camp = With(camp, file * 10 + 3, KIFU_PRO_PAWN);
  auto holding = [&](int store, int type, int count, int otherType) {
    KifuPosition position = camp;
    position.hands[store][type] = static_cast<int8_t>(count);
    position.hands[0][otherType] = 1;
    return position;
  };
  const KifuPosition exactly26 = holding(0, KIFU_PAWN, 3, KIFU_ROOK);
  const std::tuple<KifuPosition, int, int, int> cases[] = {
      // position, threshold, result, points
      {holding(0, KIFU_BISHOP, 1, KIFU_ROOK), 27, 2, 28},
      {holding(0, KIFU_PAWN, 4, KIFU_ROOK), 27, 1, 27},
      {exactly26, 24, 4, 26},
      {exactly26, 27, 0, 26},
      {With(exactly26, 83, 0), 24, 0, -1},                       // ten pieces
      {With(exactly26, 52, KIFU_GOLD + SECOND), 24, 0, -1},      // in check
      {With(With(exactly26, 51, 0), 54, KIFU_KING), 24, 0, -1}};  // the king outside the camp
  for (const auto& [position, threshold, expected, expectedPoints] : cases) {
    int points = 0;
    EXPECT_EQ(position.CheckImpasseDeclaration(threshold, &points), expected) << expectedPoints;
    EXPECT_EQ(points, expectedPoints);
  }
  EXPECT_EQ(exactly26.CheckImpasseDeclaration(24, nullptr), 4);
}

}  // namespace
