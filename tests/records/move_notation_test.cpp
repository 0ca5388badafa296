// Japanese move notation: exact texts of the classic cases, markers and piece
// tokens; and over random games from every start and seeded positions, that
// every legal move gets a text of its own, words only beside a rival,
// mirrored for the other side, which the phrase reader reads back.
#include "records/move_notation.h"

#include <cstdio>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "board_geometry.h"
#include "records/move_phrase.h"
#include "support/kifu_builder.h"
#include "support/kifu_perft.h"

namespace {

constexpr int SECOND = KIFU_SECOND_PLAYER_BIT;

std::string Formatted(const KifuMove& move, int flags, int prevFile = 0, int prevRank = 0, int* result = nullptr) {
  SjisString out("left over");
  const int returned = move.FormatText(prevFile, prevRank, out, flags);
  if (result != nullptr) *result = returned;
  return std::string(out.Text(), static_cast<size_t>(out.Length()));
}

std::string Notation(const KifuPosition& position, const KifuMove& move, int prevFile = 0, int prevRank = 0) {
  SjisString out("left over");
  position.MoveNotation(move, prevFile, prevRank, out);
  return std::string(out.Text(), static_cast<size_t>(out.Length()));
}

TEST(MoveNotation, ClassicExamples) {
  const KifuPosition golds = BuildKifuPosition({{4, 9, KIFU_GOLD}, {6, 9, KIFU_GOLD}}, 0);
  // The second player faces the other way: the gold on 6一 is on its right.
  const KifuPosition secondGolds = BuildKifuPosition({{4, 1, KIFU_GOLD + SECOND}, {6, 1, KIFU_GOLD + SECOND}}, 1);
  const KifuPosition silvers = BuildKifuPosition({{5, 9, KIFU_SILVER}, {4, 9, KIFU_SILVER}}, 0);
  const KifuPosition upAndSideways = BuildKifuPosition({{5, 9, KIFU_GOLD}, {4, 8, KIFU_GOLD}}, 0);
  // clang-format off
  const KifuPosition tokins = BuildKifuPosition({{5, 6, KIFU_PRO_PAWN}, {5, 4, KIFU_PRO_PAWN}, {4, 6, KIFU_PRO_PAWN},
                                                 {6, 6, KIFU_PRO_PAWN}, {4, 5, KIFU_PRO_PAWN}, {6, 5, KIFU_PRO_PAWN}},
                                                0);
  // clang-format on
  KifuPosition silverDrop = BuildKifuPosition({{4, 9, KIFU_SILVER}}, 0);
  KifuPosition pawn =
      BuildKifuPosition({{2, 4, KIFU_PAWN}, {2, 3, KIFU_PAWN + SECOND}, {7, 4, KIFU_GOLD}, {4, 3, KIFU_SILVER}}, 0);
  silverDrop.hands[0][KIFU_SILVER] = pawn.hands[0][KIFU_SILVER] = 1;
  const KifuPosition second = BuildKifuPosition({{8, 6, KIFU_PAWN + SECOND}, {1, 1, KIFU_PRO_SILVER + SECOND}}, 1);
  // A dragon or horse on the square's file is named 右 or 左 beside its rival,
  // never 直: it may as well come straight back.
  // (The property test below shows that the rival gets the other word.)
  const KifuPosition dragons = BuildKifuPosition({{5, 7, KIFU_DRAGON}, {4, 6, KIFU_DRAGON}}, 0);
  const KifuPosition backDragons = BuildKifuPosition({{5, 3, KIFU_DRAGON}, {4, 4, KIFU_DRAGON}}, 0);
  const KifuPosition horses = BuildKifuPosition({{5, 4, KIFU_HORSE}, {7, 3, KIFU_HORSE}}, 0);
  const KifuPosition secondHorses = BuildKifuPosition({{5, 4, KIFU_HORSE + SECOND}, {7, 3, KIFU_HORSE + SECOND}}, 1);
  const struct {
    const KifuPosition& position;
    int from, to, promote, previous;  // squares as file * 10 + rank; from 114: a silver from the hand
    const char* text;
    // clang-format off
  } examples[] = {
      {golds, 69, 58, 0, 0, "▲５八金左"},          {golds, 49, 58, 0, 0, "▲５八金右"},
      {secondGolds, 61, 52, 0, 0, "△５二金右"},    {secondGolds, 41, 52, 0, 0, "△５二金左"},
      {silvers, 59, 58, 0, 0, "▲５八銀直"},        {silvers, 49, 58, 0, 0, "▲５八銀右"},
      {upAndSideways, 59, 58, 0, 0, "▲５八金上"},  {upAndSideways, 48, 58, 0, 0, "▲５八金寄"},
      {tokins, 56, 55, 0, 0, "▲５五と直"},         {tokins, 54, 55, 0, 0, "▲５五と引"},
      {tokins, 46, 55, 0, 0, "▲５五と右上"},       {tokins, 65, 55, 0, 0, "▲５五と左寄"},
      // 打 only where a board move reaches the square; a drop is no rival of a board move.
      {silverDrop, 114, 58, 0, 0, "▲５八銀打"},    {silverDrop, 49, 58, 0, 0, "▲５八銀"},
      {silverDrop, 114, 55, 0, 0, "▲５五銀"},
      // 不成 in or out of the zone, never for a gold or a drop; 同　 onto the previous square.
      {pawn, 24, 23, 0, 0, "▲２三歩不成"},         {pawn, 24, 23, 1, 0, "▲２三歩成"},
      {pawn, 24, 23, 1, 23, "▲同　歩成"},          {pawn, 74, 73, 0, 0, "▲７三金"},
      {pawn, 43, 54, 0, 0, "▲５四銀不成"},         {pawn, 114, 92, 0, 0, "▲９二銀"},
      {second, 86, 87, 1, 87, "△同　歩成"},        {second, 11, 12, 0, 0, "△１二成銀"},
      {dragons, 57, 55, 0, 0, "▲５五龍左"},        {backDragons, 44, 55, 0, 0, "▲５五龍右"},
      {horses, 54, 55, 0, 0, "▲５五馬右"},         {secondHorses, 54, 55, 0, 0, "△５五馬左"}};
  // clang-format on
  for (const auto& [position, from, to, promote, previous, text] : examples) {
    KifuMove move(from / 10, from % 10, to / 10, to % 10, 0, 0, promote, KifuMoveKind::Ordinary);
    ASSERT_TRUE(position.CompleteMove(move));
    ASSERT_GT(position.IsValidMove(move, 1), 0) << text;
    EXPECT_EQ(Notation(position, move, previous / 10, previous % 10), text);
  }
}

TEST(MoveNotationText, MarkersQualifierWordsAndSideMarks) {
  // clang-format off
  const char* const words[] = {"詰み", "投了", "切れ負け", "負け", "反則負け", "反則勝ち", "勝ち", "持将棋",
      "千日手", "千日手-後手連続王手", "千日手-先手連続王手", "== 対局開始 ==", "待った", "中断", "再開"};
  // clang-format on
  for (int kind = 1; kind <= 15; ++kind) {
    const bool sideless = kind >= 8 && kind != 13;
    for (int piece : {int{KIFU_PAWN}, KIFU_KING + SECOND}) {
      const std::string mark = sideless ? "" : piece == KIFU_PAWN ? "▲" : "△";
      int result = -2;
      const KifuMove marker(5, 9, 5, 8, piece, 0, 1, static_cast<KifuMoveKind>(kind));
      EXPECT_EQ(Formatted(marker, QUALIFIER_RIGHT, 5, 8, &result), mark + words[kind - 1]);
      EXPECT_EQ(result, 0);
    }
  }
  for (int kind : {16, 100, 255}) {  // only the side mark
    int result = 0;
    const KifuMove unknown(5, 1, 5, 2, KIFU_GOLD + SECOND, 0, 0, static_cast<KifuMoveKind>(kind));
    EXPECT_EQ(Formatted(unknown, 0, 0, 0, &result), "△");
    EXPECT_EQ(result, -1);
  }
  const KifuMove gold(5, 9, 5, 8, KIFU_GOLD, 0, 0, KifuMoveKind::Ordinary);
  EXPECT_EQ(Formatted(gold, -1), "▲５八金右左中寄上引直行打");  // bit order; bits beyond 打 have no word
  // Only 1..15 is the first player: 0, 16 and stray bytes are written as the second.
  for (int code : {0, 16, 200}) EXPECT_EQ(Formatted(KifuMove(5, 9, 5, 8, code, 0, 0, KifuMoveKind::Loss), 0), "△負け");
  // A square or piece byte that would read as "any" in the generator's filters gets no words.
  const KifuPosition golds = BuildKifuPosition({{4, 9, KIFU_GOLD}, {6, 9, KIFU_GOLD}}, 0);
  for (const KifuMove& stray : {KifuOrdinaryMove(6, 9, -1, 8, KIFU_GOLD, 0),
                                KifuOrdinaryMove(6, 9, 5, -1, KIFU_GOLD, 0), KifuOrdinaryMove(6, 9, 5, 8, 255, 0)}) {
    EXPECT_EQ(Notation(golds, stray), Formatted(stray, 0));
  }
}

TEST(KifuPieceCodeParse, ReadsTheNamesItWritesAndTheTokens) {
  for (int style = 0; style <= 2; ++style) {
    for (int type = 1; type <= 15; ++type) {
      if (type == KIFU_NO_PIECE) continue;
      KifuPieceCode code(SECOND | KIFU_PAWN);
      const char* name = KifuPieceCode(type).Name(style);
      EXPECT_EQ(code.Parse(name), static_cast<int>(std::strlen(name))) << name;
      EXPECT_EQ(code.Code(), SECOND | type) << name;  // the side is kept
    }
  }
  EXPECT_STREQ(KifuPieceCode(KIFU_PRO_LANCE + SECOND).Name(3), "L");
  EXPECT_EQ(KifuPieceCode(KIFU_PAWN).Name(4), nullptr);
  // clang-format off
  const std::tuple<const char*, int, int, int> cases[] = {  // token, code before, bytes used, code after
      {"Ry", 0, 2, 15},     {"rY", SECOND, 2, SECOND | 15}, {"成銀", 0, 4, 12},       {"成香x", SECOND, 4, SECOND | 10},
      {"▽", 5, 2, SECOND},  {"△", 0, 2, SECOND},           {"▲", SECOND | 5, 2, 0},  {"王", 0, 2, 8},
      {"竜", 0, 2, 15},     {"　", SECOND | 5, 2, 0},       {"・", 7, 2, 0},          {"金将", 0, 2, 5},
      {"xx", 5, 0, 5},      {"f", 5, 0, 5},                 {"", 5, 0, 5},            {"成", 5, 0, 5},
      {"成金", 5, 0, 5},    {"\x90", 5, 0, 5},              {"--", 5, 0, 5},          {nullptr, 7, 0, 7}};
  // clang-format on
  for (const auto& [token, before, used, after] : cases) {
    KifuPieceCode code(before);
    EXPECT_EQ(code.Parse(token), used) << token;
    EXPECT_EQ(code.Code(), after) << token;
  }
}

// ---- properties over many positions

// The move as seen from the other chair (KifuTurned's position).
KifuMove Turned(const KifuMove& m) {
  const int captured = m.captured.IsPiece() ? m.captured.Code() ^ SECOND : m.captured.Code();
  const int otherHand = KIFU_FIRST_HAND_FILE + KIFU_SECOND_HAND_FILE - m.fromFile;
  return m.IsDrop() ? KifuMove(otherHand, m.fromRank, TurnedFile(m.toFile), TurnedRank(m.toRank),
                               m.piece.Code() ^ SECOND, 0, m.promote, m.kind)
                    : KifuMove(TurnedFile(m.fromFile), TurnedRank(m.fromRank), TurnedFile(m.toFile),
                               TurnedRank(m.toRank), m.piece.Code() ^ SECOND, captured, m.promote, m.kind);
}

// The move's notation, with 同 and without, followed by a time or not,
// reads back as the move, ending where the time starts.
void ExpectPhraseReadsBack(const KifuPosition& position, const KifuMove& move, std::mt19937& random) {
  for (const int same : {0, 1}) {
    const int seconds = static_cast<int>(random() % 6000);
    char time[16] = "";
    if (random() % 2 == 0) std::snprintf(time, sizeof time, "  (%02d:%02d)", seconds / 60, seconds % 60);
    const std::string text = Notation(position, move, same * move.toFile, same * move.toRank);
    KifuMove read;
    int offset = 0, readSeconds = -1;
    EXPECT_TRUE(ParseMovePhrase(read, position, same * move.toFile, same * move.toRank,
                                SjisString((text + time).c_str()), offset, readSeconds) && read == move) << text;
    EXPECT_EQ(offset, static_cast<int>(text.size()) + (*time != '\0' ? 2 : 0));
    EXPECT_EQ(readSeconds, *time != '\0' ? seconds : 0);
  }
}

// Plays up to `plies` random legal moves, checking in each position that
// every legal move gets a text no other gets; that it has words exactly when
// another board piece of its type reaches its square; that the turned
// position writes the same words with the other side mark; and that the
// text reads back as the move. Returns how many
// moves had words.
int PlayAndCheck(KifuPosition position, int plies, std::mt19937& random) {
  int prevFile = 0, prevRank = 0, movesWithWords = 0;
  for (int ply = 0; ply < plies; ++ply) {
    const std::vector<KifuMove> generated = KifuGeneratedMoves(position), legal = KifuLegalMoves(position);
    const KifuPosition turned = KifuTurned(position);
    std::set<std::string> texts;
    for (const KifuMove& move : legal) {
      const std::string text = Notation(position, move, prevFile, prevRank);
      EXPECT_TRUE(texts.insert(text).second) << "written twice: " << int{move.fromFile} << int{move.fromRank};
      const bool rival = std::any_of(generated.begin(), generated.end(), [&](const KifuMove& other) {
        return !other.IsDrop() && other.piece == move.piece && other.toFile == move.toFile &&
               other.toRank == move.toRank && (other.fromFile != move.fromFile || other.fromRank != move.fromRank);
      });
      const bool hasWords = text != Formatted(move, 0, prevFile, prevRank);
      EXPECT_EQ(hasWords, rival) << int{move.fromFile} << int{move.fromRank};
      movesWithWords += hasWords;
      const std::string turnedText = Notation(turned, Turned(move), TurnedFile(prevFile), TurnedRank(prevRank));
      EXPECT_EQ(text.substr(6), turnedText.substr(6));  // after the mark and the square
      EXPECT_NE(text.substr(0, 2), turnedText.substr(0, 2));
      ExpectPhraseReadsBack(position, move, random);
    }
    if (legal.empty()) break;
    const KifuMove& move = legal[random() % legal.size()];
    EXPECT_TRUE(position.DoMove(move));
    prevFile = move.toFile;
    prevRank = move.toRank;
  }
  return movesWithWords;
}

// Random games from the handicap starts, and short games from seeded
// positions where several pieces of one kind reach one square.
TEST(MoveNotationProperty, EveryLegalMoveHasItsOwnText) {
  std::mt19937 random(20261206);
  int games = 0, seeded = 0, movesWithWords = 0;
  for (; games < 48 / KIFU_RUN_SCALE; ++games) {
    const HandicapFlags start = games % 4 == 0 ? HANDICAP_NONE : KIFU_KNOWN_HANDICAPS[games % std::size(KIFU_KNOWN_HANDICAPS)];
    movesWithWords += PlayAndCheck(KifuStartPosition(start), 160, random);
  }
  for (int attempt = 0; seeded < 600 / KIFU_RUN_SCALE && attempt < 20000; ++attempt) {
    KifuPosition position;
    if (KifuCrowdedPosition(random, position)) movesWithWords += PlayAndCheck(position, 6, random), ++seeded;
  }
  EXPECT_EQ(seeded, 600 / KIFU_RUN_SCALE);
  EXPECT_GT(movesWithWords, 12500 / KIFU_RUN_SCALE);
}

}  // namespace
