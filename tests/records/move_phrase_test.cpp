// Move phrases: every legal move's own notation reads back as that move
// (random games from every start, crowded positions, with 同 and times);
// the classic phrases of records; and the cases the reader must refuse.
#include "records/move_phrase.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "records/move_notation.h"
#include "support/kifu_builder.h"
#include "support/kifu_perft.h"

namespace {

constexpr int SECOND = KIFU_SECOND_PLAYER_BIT;

#if defined(KIFU_SANITIZED)
constexpr int SCALE = 4;
#else
constexpr int SCALE = 1;
#endif

struct Parsed {
  bool ok;
  KifuMove move;
  int offset;
  int seconds;
};

Parsed Parse(const KifuPosition& position, const std::string& text, int sameFile = 0, int sameRank = 0) {
  const SjisString phrase(text.c_str());
  Parsed result{false, KifuMove(), 0, -1};
  result.ok = ParseMovePhrase(result.move, position, sameFile, sameRank, phrase, result.offset, result.seconds);
  return result;
}

// Every legal move, written with and without 同 and followed by a time or
// not, reads back as itself, ending where the time starts.
void CheckRoundTrips(const KifuPosition& position, std::mt19937& random) {
  for (const KifuMove& move : KifuLegalMoves(position)) {
    for (const bool same : {false, true}) {
      SjisString text;
      position.MoveNotation(move, same ? move.toFile : 0, same ? move.toRank : 0, text);
      std::string phrase(text.Text());
      const int seconds = static_cast<int>(random() % 6000);
      const bool timed = random() % 2 == 0;
      if (timed) {
        char time[16];
        std::snprintf(time, sizeof time, "  (%02d:%02d)", seconds / 60, seconds % 60);
        phrase += time;
      }
      const Parsed parsed = Parse(position, phrase, same ? move.toFile : 0, same ? move.toRank : 0);
      ASSERT_TRUE(parsed.ok && parsed.move == move) << text.Text();
      EXPECT_EQ(parsed.offset, text.Length() + (timed ? 2 : 0));
      EXPECT_EQ(parsed.seconds, timed ? seconds : 0);
    }
  }
}

TEST(MovePhraseProperty, EveryLegalMoveReadsBackFromItsNotation) {
  std::mt19937 random(17);
  int positions = 0;
  for (int game = 0; game < 22 / SCALE; ++game) {
    KifuPosition position = KifuStartPosition(KIFU_KNOWN_HANDICAPS[game % std::size(KIFU_KNOWN_HANDICAPS)]);
    for (int ply = 0; ply < 150; ++ply, ++positions) {
      CheckRoundTrips(position, random);
      const std::vector<KifuMove> legal = KifuLegalMoves(position);
      if (legal.empty() || !position.DoMove(legal[random() % legal.size()])) break;
    }
  }
  for (int crowded = 0, attempt = 0; crowded < 800 / SCALE && attempt < 30000; ++attempt) {
    KifuPosition position;
    if (!KifuCrowdedPosition(random, position)) continue;
    ++crowded, ++positions;
    CheckRoundTrips(position, random);
    // One step on, so the other side sees the crowd too.
    const std::vector<KifuMove> legal = KifuLegalMoves(position);
    if (!legal.empty() && position.DoMove(legal[random() % legal.size()])) CheckRoundTrips(position, random), ++positions;
  }
  EXPECT_GT(positions, 3000 / SCALE);
}

KifuMove Read(const KifuPosition& position, const char* text, int sameFile = 0, int sameRank = 0) {
  const Parsed parsed = Parse(position, text, sameFile, sameRank);
  EXPECT_TRUE(parsed.ok) << text;
  return parsed.move;
}

TEST(MovePhrase, ReadsThePhrasesOfRecords) {
  const KifuPosition start = KifuStartPosition();
  EXPECT_EQ(Read(start, "▲７六歩"), KifuOrdinaryMove(7, 7, 7, 6, KIFU_PAWN, 0));
  EXPECT_EQ(Read(start, "▲76FU"), KifuOrdinaryMove(7, 7, 7, 6, KIFU_PAWN, 0));
  EXPECT_EQ(Read(start, "▲５八玉"), Read(start, "▲５八"));  // no piece: the king
  EXPECT_FALSE(Parse(start, "▲７六").ok);
  KifuPosition afterPawn = start;
  ASSERT_TRUE(afterPawn.DoMove(KifuOrdinaryMove(7, 7, 7, 6, KIFU_PAWN, 0)));
  EXPECT_EQ(Read(afterPawn, "▽３四歩"), KifuOrdinaryMove(3, 3, 3, 4, KIFU_PAWN + SECOND, 0));

  const KifuPosition golds = BuildKifuPosition({{4, 9, KIFU_GOLD}, {6, 9, KIFU_GOLD}, {5, 1, KIFU_KING + SECOND}}, 0);
  EXPECT_EQ(Read(golds, "▲５八金右").fromFile, 4);
  EXPECT_EQ(Read(golds, "▲５八金左").fromFile, 6);
  EXPECT_FALSE(Parse(golds, "▲５八金").ok);
  const KifuPosition secondGolds = BuildKifuPosition({{4, 1, KIFU_GOLD + SECOND}, {6, 1, KIFU_GOLD + SECOND}}, 1);
  EXPECT_EQ(Read(secondGolds, "△５二金右").fromFile, 6);

  KifuPosition bishops = BuildKifuPosition({{1, 1, KIFU_BISHOP}, {3, 3, KIFU_PAWN + SECOND}}, 0);
  bishops.hands[0][KIFU_BISHOP] = 1;
  EXPECT_EQ(Read(bishops, "▲２二角"), KifuOrdinaryMove(1, 1, 2, 2, KIFU_BISHOP, 0));
  EXPECT_EQ(Read(bishops, "▲２二角打"), KifuOrdinaryMove(11, KIFU_BISHOP, 2, 2, KIFU_BISHOP, 0));
  EXPECT_EQ(Read(bishops, "▲３三角成"), KifuOrdinaryMove(1, 1, 3, 3, KIFU_BISHOP, KIFU_PAWN + SECOND, 1));
  EXPECT_EQ(Read(bishops, "▲同　角不成", 3, 3), KifuOrdinaryMove(1, 1, 3, 3, KIFU_BISHOP, KIFU_PAWN + SECOND, 0));
  EXPECT_EQ(Read(bishops, "▲同角生", 3, 3), Read(bishops, "▲３三角", 3, 3));
  EXPECT_FALSE(Parse(bishops, "▲同　角").ok);  // no previous move
  EXPECT_FALSE(Parse(bishops, "△２二角").ok);  // not the side to move

  for (const char* timed : {"▲２二角 (01:30)", "▲２二角( 1:30)"}) {
    const Parsed parsed = Parse(bishops, timed);
    EXPECT_EQ(parsed.seconds, 90) << timed;
    EXPECT_EQ(timed[parsed.offset], '(');
  }
}

// A dragon or horse on the destination's file is written 右 or 左 beside its
// rival; both that and the destination's 右 / 左 read back, and files written
// with 直 on them still read (the one moving up).
TEST(MovePhraseMend, DragonsAndHorsesReadByTheirRightAndLeft) {
  const KifuPosition dragons = BuildKifuPosition({{3, 7, KIFU_DRAGON}, {2, 4, KIFU_DRAGON}}, 0);
  SjisString written;
  dragons.MoveNotation(KifuOrdinaryMove(3, 7, 3, 3, KIFU_DRAGON, 0), 0, 0, written);
  EXPECT_STREQ(written.Text(), "▲３三龍左");
  EXPECT_EQ(Read(dragons, "▲３三龍右").fromFile, 2);  // right of the destination
  EXPECT_EQ(Read(dragons, "▲３三龍左").fromFile, 3);  // on its file, left of the other
  EXPECT_EQ(Read(dragons, "▲３三龍直").fromFile, 3);
  // Both on the file: 直 is the one moving up, not the one coming back.
  const KifuPosition backAndUp = BuildKifuPosition({{5, 7, KIFU_DRAGON}, {5, 3, KIFU_DRAGON}}, 0);
  EXPECT_EQ(Read(backAndUp, "▲５四龍直").fromRank, 7);
}

TEST(MovePhraseMend, CandidatesLeavingTheKingInCheckAreNoRivals) {
  // The gold on 6九 is pinned by the rook on 9九: 右 or not, only 4九 may go.
  const KifuPosition pinned = BuildKifuPosition(
      {{5, 9, KIFU_KING}, {6, 9, KIFU_GOLD}, {4, 9, KIFU_GOLD}, {9, 9, KIFU_ROOK + SECOND}, {5, 1, KIFU_KING + SECOND}},
      0);
  EXPECT_EQ(Read(pinned, "▲５八金").fromFile, 4);
}

TEST(MovePhraseMend, StaysInsideTheTextAndRefusesRanksPastNine) {
  const KifuPosition start = KifuStartPosition();
  for (const char* refused : {"", "▲", "▲７", "▲７十六歩", "▲７〇歩", "▲十六歩", "▲０六歩", "▲７六・", "\x81", "▲\x81"}) {
    EXPECT_FALSE(Parse(start, refused).ok) << refused;
  }
  // Each prefix of a long phrase is read without a step past its end.
  const std::string whole = "▲２六歩(12:34)";
  for (size_t cut = 0; cut <= whole.size(); ++cut) {
    const Parsed parsed = Parse(start, whole.substr(0, cut));
    EXPECT_LE(parsed.offset, static_cast<int>(cut));
  }
}

}  // namespace
