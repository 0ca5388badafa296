// Move phrases: the classic phrases of records and the cases the reader
// must refuse. That every legal move's notation reads back as the move is
// checked with the notation's own property (move_notation_test).
#include "records/move_phrase.h"

#include <gtest/gtest.h>

#include <string>

#include "records/move_notation.h"
#include "support/kifu_builder.h"

namespace {

constexpr int SECOND = KIFU_SECOND_PLAYER_BIT;

struct Parsed {
  bool ok;
  KifuMove move;
  int offset, seconds;
};

Parsed Parse(const KifuPosition& position, const std::string& text, int sameFile = 0, int sameRank = 0) {
  const SjisString phrase(text.c_str());
  Parsed result{false, KifuMove(), 0, -1};
  result.ok = ParseMovePhrase(result.move, position, sameFile, sameRank, phrase, result.offset, result.seconds);
  return result;
}

// Source square of the phrase's move as file * 10 + rank (a drop: its hand
// file * 10 + type), or 0 when the phrase is refused.
int SourceOf(const KifuPosition& position, const char* text, int same = 0) {
  const Parsed parsed = Parse(position, text, same / 10, same % 10);
  return parsed.ok ? parsed.move.fromFile * 10 + parsed.move.fromRank : 0;
}

TEST(MovePhrase, ReadsThePhrasesOfRecordsAndTheMendedCases) {
  const KifuPosition start = KifuStartPosition();
  KifuPosition bishops = BuildKifuPosition({{1, 1, KIFU_BISHOP}, {3, 3, KIFU_PAWN + SECOND}}, 0);
  bishops.hands[0][KIFU_BISHOP] = 1;  // a file without a rank (▲３角打) names no square, not rank 1
  // Two dragons: the one on the destination's file is 左 beside the other
  // (as written), 直 in older files; both on one file, 直 is the one moving up.
  const KifuPosition dragons = BuildKifuPosition({{3, 7, KIFU_DRAGON}, {2, 4, KIFU_DRAGON}}, 0);
  const KifuPosition onOneFile = BuildKifuPosition({{5, 7, KIFU_DRAGON}, {5, 3, KIFU_DRAGON}}, 0);
  // The gold on 6九 is pinned: only 4九 can go, with or without a word.
  const KifuPosition pinned = BuildKifuPosition(
      {{5, 9, KIFU_KING}, {6, 9, KIFU_GOLD}, {4, 9, KIFU_GOLD}, {9, 9, KIFU_ROOK + SECOND}, {5, 1, KIFU_KING + SECOND}}, 0);
  const struct {
    const KifuPosition& position;
    const char* text;
    int same, source;
    // clang-format off
  } cases[] = {
      {start, "▲７六歩", 0, 77},       {start, "▲76FU", 0, 77},         {start, "▲５八", 0, 59},
      {start, "▲７六", 0, 0},          {start, "△３四歩", 0, 0},        {start, "▲７十六歩", 0, 0},
      {start, "▲十六歩", 0, 0},        {start, "▲７〇歩", 0, 0},        {start, "▲７六・", 0, 0},
      {start, "▲\x81", 0, 0},          {start, "▲", 0, 0},              {start, "", 0, 0},
      {bishops, "▲２二角", 0, 11},     {bishops, "▲２二角打", 0, 116},  {bishops, "▲３三角成", 0, 11},
      {bishops, "▲３角打", 0, 0},      {bishops, "▲3角打", 0, 0},       {bishops, "▲３一角打", 0, 116},
      {bishops, "▲同　角不成", 33, 11}, {bishops, "▲同角生", 33, 11},  {bishops, "▲同　角", 0, 0},
      {dragons, "▲３三龍右", 0, 24},   {dragons, "▲３三龍左", 0, 37},   {dragons, "▲３三龍直", 0, 37},
      {onOneFile, "▲５四龍直", 0, 57}, {pinned, "▲５八金", 0, 49}};
  // clang-format on
  for (const auto& [position, text, same, source] : cases) EXPECT_EQ(SourceOf(position, text, same), source) << text;
  SjisString written;
  dragons.MoveNotation(KifuOrdinaryMove(3, 7, 3, 3, KIFU_DRAGON, 0), 0, 0, written);
  EXPECT_STREQ(written.Text(), "▲３三龍左");
  for (const char* timed : {"▲２二角 (01:30)", "▲２二角( 1:30)"}) {
    const Parsed parsed = Parse(bishops, timed);
    EXPECT_EQ(parsed.seconds, 90) << timed;
    EXPECT_EQ(timed[parsed.offset], '(');
  }
}

}  // namespace
