// Japanese move notation: exact texts of the classic cases for both players,
// markers and piece tokens, and over random and seeded positions that every
// legal move gets a text of its own and the second player's words mirror the first's.
#include "records/move_notation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "records/kifu_position.h"
#include "records/sjis_string.h"
#include "support/kifu_builder.h"

namespace {

constexpr int kSecond = KIFU_SECOND_PLAYER_BIT;

void Put(KifuPosition& position, int file, int rank, int code) {
  position.board[KifuPosition::SquareIndex(file, rank)] = code;
}

std::string Text(const SjisString& text) { return std::string(text.Text(), static_cast<size_t>(text.Length())); }

std::string Notation(const KifuPosition& position, const KifuMove& move, int prevFile = 0, int prevRank = 0) {
  SjisString out("left over");
  position.MoveNotation(move, prevFile, prevRank, out);
  return Text(out);
}

// The notation of the move given by its squares (from file 11/12 and the type
// for a drop), its piece bytes filled from the position.
std::string NotationOf(const KifuPosition& position, int fromFile, int fromRank, int toFile, int toRank,
                       int promote = 0, int prevFile = 0, int prevRank = 0) {
  KifuMove move(fromFile, fromRank, toFile, toRank, 0, 0, promote, KifuMoveKind::Ordinary);
  EXPECT_TRUE(position.CompleteMove(move));
  EXPECT_GT(position.IsValidMove(move, 1), 0) << "the example must be a move of this position";
  return Notation(position, move, prevFile, prevRank);
}

std::string Formatted(const KifuMove& move, int flags = 0, int prevFile = 0, int prevRank = 0, int* result = nullptr) {
  SjisString out("left over");
  const int returned = move.FormatText(prevFile, prevRank, out, flags);
  if (result != nullptr) *result = returned;
  return Text(out);
}

TEST(MoveNotationExamples, TwoGoldsAreToldApartByLeftAndRight) {
  KifuPosition first = BuildKifuPosition({{4, 9, KIFU_GOLD}, {6, 9, KIFU_GOLD}}, 0);
  EXPECT_EQ(NotationOf(first, 6, 9, 5, 8), "▲５八金左");
  EXPECT_EQ(NotationOf(first, 4, 9, 5, 8), "▲５八金右");

  // The second player faces the other way: the gold on 6一 is on its right.
  KifuPosition second = BuildKifuPosition({{4, 1, KIFU_GOLD | kSecond}, {6, 1, KIFU_GOLD | kSecond}}, 1);
  EXPECT_EQ(NotationOf(second, 6, 1, 5, 2), "△５二金右");
  EXPECT_EQ(NotationOf(second, 4, 1, 5, 2), "△５二金左");
}

TEST(MoveNotationExamples, StraightUpIsChokuAlone) {
  KifuPosition position = BuildKifuPosition({{5, 9, KIFU_SILVER}, {4, 9, KIFU_SILVER}}, 0);
  EXPECT_EQ(NotationOf(position, 5, 9, 5, 8), "▲５八銀直");
  EXPECT_EQ(NotationOf(position, 4, 9, 5, 8), "▲５八銀右");
}

TEST(MoveNotationExamples, DifferentDirectionsAreToldByTheVerticalWord) {
  KifuPosition position = BuildKifuPosition({{5, 9, KIFU_GOLD}, {4, 8, KIFU_GOLD}}, 0);
  EXPECT_EQ(NotationOf(position, 5, 9, 5, 8), "▲５八金上");
  EXPECT_EQ(NotationOf(position, 4, 8, 5, 8), "▲５八金寄");

  KifuPosition back = BuildKifuPosition({{5, 7, KIFU_GOLD}, {4, 9, KIFU_GOLD}}, 0);
  EXPECT_EQ(NotationOf(back, 5, 7, 5, 8), "▲５八金引");
  EXPECT_EQ(NotationOf(back, 4, 9, 5, 8), "▲５八金上");

  // Seen from the second player, moving toward rank 9 is 上.
  KifuPosition second = BuildKifuPosition({{5, 3, KIFU_GOLD | kSecond}, {6, 1, KIFU_GOLD | kSecond}}, 1);
  EXPECT_EQ(NotationOf(second, 5, 3, 5, 2), "△５二金引");
  EXPECT_EQ(NotationOf(second, 6, 1, 5, 2), "△５二金上");
}

TEST(MoveNotationExamples, SixTokinsOnOneSquareGetSixTexts) {
  const KifuPosition position = BuildKifuPosition({{5, 6, KIFU_PRO_PAWN},
                                                   {5, 4, KIFU_PRO_PAWN},
                                                   {4, 6, KIFU_PRO_PAWN},
                                                   {6, 6, KIFU_PRO_PAWN},
                                                   {4, 5, KIFU_PRO_PAWN},
                                                   {6, 5, KIFU_PRO_PAWN}},
                                                  0);
  EXPECT_EQ(NotationOf(position, 5, 6, 5, 5), "▲５五と直");
  EXPECT_EQ(NotationOf(position, 5, 4, 5, 5), "▲５五と引");
  EXPECT_EQ(NotationOf(position, 4, 6, 5, 5), "▲５五と右上");
  EXPECT_EQ(NotationOf(position, 6, 6, 5, 5), "▲５五と左上");
  EXPECT_EQ(NotationOf(position, 4, 5, 5, 5), "▲５五と右寄");
  EXPECT_EQ(NotationOf(position, 6, 5, 5, 5), "▲５五と左寄");
}

TEST(MoveNotationExamples, DropsSayUchiOnlyWhenABoardMoveReachesTheSquare) {
  KifuPosition position = BuildKifuPosition({{4, 9, KIFU_SILVER}}, 0);
  position.hands[0][KIFU_SILVER] = 1;
  EXPECT_EQ(NotationOf(position, KIFU_FIRST_HAND_FILE, KIFU_SILVER, 5, 8), "▲５八銀打");
  EXPECT_EQ(NotationOf(position, 4, 9, 5, 8), "▲５八銀");  // the drop is no rival of a board move
  EXPECT_EQ(NotationOf(position, KIFU_FIRST_HAND_FILE, KIFU_SILVER, 5, 5), "▲５五銀");

  KifuPosition second = BuildKifuPosition({{6, 1, KIFU_GOLD | kSecond}}, 1);
  second.hands[1][KIFU_GOLD] = 2;
  EXPECT_EQ(NotationOf(second, KIFU_SECOND_HAND_FILE, KIFU_GOLD, 5, 2), "△５二金打");
  EXPECT_EQ(NotationOf(second, KIFU_SECOND_HAND_FILE, KIFU_GOLD, 9, 9), "△９九金");
}

TEST(MoveNotationExamples, PromotionDeclinedAndTheSameSquare) {
  KifuPosition position =
      BuildKifuPosition({{2, 4, KIFU_PAWN}, {2, 3, KIFU_PAWN | kSecond}, {7, 4, KIFU_GOLD}, {4, 3, KIFU_SILVER}}, 0);
  position.hands[0][KIFU_SILVER] = 1;
  EXPECT_EQ(NotationOf(position, 2, 4, 2, 3, 0), "▲２三歩不成");
  EXPECT_EQ(NotationOf(position, 2, 4, 2, 3, 1), "▲２三歩成");
  EXPECT_EQ(NotationOf(position, 2, 4, 2, 3, 1, 2, 3), "▲同　歩成");
  EXPECT_EQ(NotationOf(position, 2, 4, 2, 3, 0, 2, 3), "▲同　歩不成");
  EXPECT_EQ(NotationOf(position, 7, 4, 7, 3), "▲７三金");                               // a gold never promotes
  EXPECT_EQ(NotationOf(position, 4, 3, 5, 4), "▲５四銀不成");                           // leaving the zone counts
  EXPECT_EQ(NotationOf(position, KIFU_FIRST_HAND_FILE, KIFU_SILVER, 9, 2), "▲９二銀");  // nor a drop

  KifuPosition second = BuildKifuPosition({{8, 6, KIFU_PAWN | kSecond}, {1, 1, KIFU_PRO_SILVER | kSecond}}, 1);
  EXPECT_EQ(NotationOf(second, 8, 6, 8, 7, 0), "△８七歩不成");
  EXPECT_EQ(NotationOf(second, 8, 6, 8, 7, 1, 8, 7), "△同　歩成");
  EXPECT_EQ(NotationOf(second, 1, 1, 1, 2), "△１二成銀");
}

TEST(MoveNotationText, MarkersWriteTheirWords) {
  struct Marker {
    KifuMoveKind kind;
    const char* word;
    bool sideMark;
  };
  const Marker markers[] = {
      {KifuMoveKind::Mate, "詰み", true},
      {KifuMoveKind::Resignation, "投了", true},
      {KifuMoveKind::LossOnTime, "切れ負け", true},
      {KifuMoveKind::Loss, "負け", true},
      {KifuMoveKind::LossByFoul, "反則負け", true},
      {KifuMoveKind::WinByFoul, "反則勝ち", true},
      {KifuMoveKind::Win, "勝ち", true},
      {KifuMoveKind::Impasse, "持将棋", false},
      {KifuMoveKind::Repetition, "千日手", false},
      {KifuMoveKind::RepetitionCheckBySecond, "千日手-後手連続王手", false},
      {KifuMoveKind::RepetitionCheckByFirst, "千日手-先手連続王手", false},
      {KifuMoveKind::GameStart, "== 対局開始 ==", false},
      {KifuMoveKind::TakeBack, "待った", true},
      {KifuMoveKind::Interruption, "中断", false},
      {KifuMoveKind::Resumption, "再開", false},
  };
  for (const Marker& marker : markers) {
    for (int piece : {int{KIFU_PAWN}, KIFU_KING | kSecond}) {
      const KifuMove move(5, 9, 5, 8, piece, 0, 1, marker.kind);
      int result = -2;
      const std::string mark = !marker.sideMark ? "" : (piece == KIFU_PAWN ? "▲" : "△");
      EXPECT_EQ(Formatted(move, QUALIFIER_RIGHT, 5, 8, &result), mark + marker.word);
      EXPECT_EQ(result, 0);
    }
  }
  // The record's root is written with square (0, 0) and no flags.
  EXPECT_EQ(Formatted(KifuMove(0, 0, 0, 0, 0, 0, 0, KifuMoveKind::GameStart)), "== 対局開始 ==");
}

TEST(MoveNotationText, KindOutsideTheTableLeavesOnlyTheMark) {
  for (int kind : {16, 17, 100, 255}) {
    int result = 0;
    const KifuMove first(5, 9, 5, 8, KIFU_GOLD, 0, 0, static_cast<KifuMoveKind>(kind));
    EXPECT_EQ(Formatted(first, 0, 0, 0, &result), "▲");
    EXPECT_EQ(result, -1);
    const KifuMove second(5, 1, 5, 2, KIFU_GOLD | kSecond, 0, 0, static_cast<KifuMoveKind>(kind));
    EXPECT_EQ(Formatted(second, 0, 0, 0, &result), "△");
    EXPECT_EQ(result, -1);
  }
}

TEST(MoveNotationText, SideMarkAndQualifierWordsInBitOrder) {
  const KifuMove gold(5, 9, 5, 8, KIFU_GOLD, 0, 0, KifuMoveKind::Ordinary);
  EXPECT_EQ(Formatted(gold, 0x1FF), "▲５八金右左中寄上引直行打");
  EXPECT_EQ(Formatted(gold, -1), "▲５八金右左中寄上引直行打");  // bits beyond 打 have no word
  EXPECT_EQ(Formatted(gold, QUALIFIER_FORWARD | QUALIFIER_MIDDLE), "▲５八金中行");
  // Only 1..15 is the first player: 0, 16 and stray bytes are written as the second.
  for (int code : {0, 16, 32, 200, 255}) {
    const std::string text = Formatted(KifuMove(5, 9, 5, 8, code, 0, 0, KifuMoveKind::Resignation));
    EXPECT_EQ(text, "△投了") << code;
  }
  EXPECT_EQ(Formatted(KifuMove(5, 9, 5, 8, 15, 0, 0, KifuMoveKind::Resignation)), "▲投了");
}

// Every byte pattern of a move is written without reading outside a table,
// and MoveNotation gives no words to a move whose square or piece would turn
// the generator's filters into "any".
TEST(MoveNotationText, StrayBytesAreWrittenSafely) {
  std::mt19937 random(7);
  KifuPosition position;
  for (int i = 0; i < 20000; ++i) {
    const auto byte = [&] { return static_cast<int>(random() & 0xFF); };
    const KifuMove move(byte(), byte(), byte(), byte(), byte(), byte(), byte() & 1,
                        static_cast<KifuMoveKind>(random() % 20));
    int result = 0;
    const std::string text = Formatted(move, static_cast<int>(random()), byte(), byte(), &result);
    EXPECT_TRUE(text.rfind("▲", 0) == 0 || text.rfind("△", 0) == 0 || static_cast<int>(move.kind) >= 8);
    EXPECT_EQ(result, static_cast<int>(move.kind) <= 15 ? 0 : -1);
    const std::string noted = Notation(position, move, 0, 0);
    const bool onBoard = move.toFile >= 1 && move.toFile <= 9 && move.toRank >= 1 && move.toRank <= 9;
    if (!onBoard || !move.piece.IsPiece()) {
      EXPECT_EQ(noted, Formatted(move, 0)) << "no words for a stray move";
    }
  }
  KifuPosition golds = BuildKifuPosition({{4, 9, KIFU_GOLD}, {6, 9, KIFU_GOLD}}, 0);
  for (const KifuMove& stray : {KifuMove(6, 9, -1, 8, KIFU_GOLD, 0, 0, KifuMoveKind::Ordinary),
                                KifuMove(6, 9, 5, -1, KIFU_GOLD, 0, 0, KifuMoveKind::Ordinary),
                                KifuMove(6, 9, 5, 8, 255, 0, 0, KifuMoveKind::Ordinary)}) {
    EXPECT_EQ(Notation(golds, stray), Formatted(stray, 0));
  }
}

TEST(KifuPieceCodeParse, ReadsTheNamesItWrites) {
  for (int style = 0; style <= 2; ++style) {
    for (int type = 1; type <= 15; ++type) {
      if (type == KIFU_NO_PIECE) continue;
      for (int side : {0, kSecond}) {
        const char* name = KifuPieceCode(type).Name(style);
        KifuPieceCode code(side | KIFU_PAWN);
        EXPECT_EQ(code.Parse(name), static_cast<int>(std::strlen(name))) << style << " " << type;
        EXPECT_EQ(code.Code(), side | type) << style << " " << type;
      }
    }
  }
}

TEST(KifuPieceCodeParse, TokensAndSideMarks) {
  struct Case {
    const char* token;
    int before;
    int used;
    int after;
  };
  const Case cases[] = {
      {"Ry", 0, 2, 15},
      {"rY", kSecond, 2, kSecond | 15},
      {"成銀", 0, 4, 12},
      {"成香x", kSecond, 4, kSecond | 10},
      {"▽", 5, 2, kSecond},
      {"△", 0, 2, kSecond},
      {"▲", kSecond | 5, 2, 0},
      {"王", 0, 2, 8},
      {"玉", kSecond, 2, kSecond | 8},
      {"竜", 0, 2, 15},
      {"杏", 0, 2, 10},
      {"　", kSecond | 5, 2, 0},
      {"・", 7, 2, 0},
      {"金将", 0, 2, 5},
      // Unknown tokens leave the code as it was.
      {"xx", 5, 0, 5},
      {"f", 5, 0, 5},
      {"", 5, 0, 5},
      {"成", 5, 0, 5},
      {"成金", 5, 0, 5},
      {"\x90", 5, 0, 5},
      {"--", 5, 0, 5},
  };
  for (const Case& c : cases) {
    KifuPieceCode code(c.before);
    EXPECT_EQ(code.Parse(c.token), c.used) << c.token;
    EXPECT_EQ(code.Code(), c.after) << c.token;
  }
  KifuPieceCode untouched(7);
  EXPECT_EQ(untouched.Parse(nullptr), 0);
  EXPECT_EQ(untouched.Code(), 7);
}

// ---- properties over many positions

std::vector<KifuMove> PseudoLegalMoves(const KifuPosition& position) {
  std::vector<KifuMove> moves(KIFU_MAX_MOVES);
  moves.resize(static_cast<size_t>(position.GenerateMoves(moves.data(), -1, -1, -1, -1, -1, -1, -1, -1)));
  return moves;
}

// The moves of the side to move that leave its king unattacked.
std::vector<KifuMove> LegalMoves(const KifuPosition& position) {
  std::vector<KifuMove> legal;
  for (const KifuMove& move : PseudoLegalMoves(position)) {
    KifuPosition after = position;
    if (!after.DoMove(move)) {
      ADD_FAILURE() << "a generated move is refused";
      continue;
    }
    if (!after.IsInCheck(position.sideToMove)) legal.push_back(move);
  }
  return legal;
}

bool SameSource(const KifuMove& a, const KifuMove& b) { return a.fromFile == b.fromFile && a.fromRank == b.fromRank; }
int Sign(int value) { return (value > 0) - (value < 0); }

// Whether another piece of the move's type can reach its square from
// somewhere else (for a drop: any board move of the type reaches it).
bool HasRival(const std::vector<KifuMove>& pseudoLegal, const KifuMove& move) {
  for (const KifuMove& other : pseudoLegal) {
    if (other.toFile != move.toFile || other.toRank != move.toRank || other.piece != move.piece) continue;
    if (other.IsDrop() || SameSource(other, move)) continue;
    return true;
  }
  return false;
}

// The one class of moves that get the same words: two moves along the
// destination's own file, one from behind it and one from in front, each
// written 直 alone because a rival of the type on another file also reaches
// the square from that move's own side of the rank. It takes four pieces of
// a type that steps or slides both straight and diagonally, forward and
// back: four horses, dragons or kings of one side, never a position with
// one full set.
bool IsStraightFromBothSides(const std::vector<KifuMove>& pseudoLegal, const KifuMove& a, const KifuMove& b) {
  if (a.IsDrop() || b.IsDrop() || a.piece != b.piece || a.toFile != b.toFile || a.toRank != b.toRank) return false;
  if (a.fromFile != a.toFile || b.fromFile != b.toFile) return false;
  if (Sign(a.fromRank - a.toRank) * Sign(b.fromRank - b.toRank) != -1) return false;
  const auto rivalOnItsSide = [&](const KifuMove& move) {
    for (const KifuMove& other : pseudoLegal) {
      if (other.IsDrop() || other.piece != move.piece || other.toFile != move.toFile || other.toRank != move.toRank)
        continue;
      if (other.fromFile != move.toFile && Sign(other.fromRank - move.toRank) == Sign(move.fromRank - move.toRank)) {
        return true;
      }
    }
    return false;
  };
  return rivalOnItsSide(a) && rivalOnItsSide(b);
}

KifuMove Turned(const KifuMove& move) {
  KifuMove turned = move;
  if (move.IsDrop()) {
    turned.fromFile = static_cast<int8_t>(KIFU_FIRST_HAND_FILE + KIFU_SECOND_HAND_FILE - move.fromFile);
  } else {
    turned.fromFile = static_cast<int8_t>(10 - move.fromFile);
    turned.fromRank = static_cast<int8_t>(10 - move.fromRank);
  }
  turned.toFile = static_cast<int8_t>(10 - move.toFile);
  turned.toRank = static_cast<int8_t>(10 - move.toRank);
  turned.piece = move.piece.Code() ^ kSecond;
  if (move.captured.IsPiece()) turned.captured = move.captured.Code() ^ kSecond;
  return turned;
}

std::string Describe(const KifuMove& move) {
  char text[80];
  std::snprintf(text, sizeof(text), "(%d,%d)->(%d,%d) piece %d promote %d", move.fromFile, move.fromRank, move.toFile,
                move.toRank, move.piece.Code(), move.promote);
  return text;
}

struct NotationCheck {
  int positions = 0;
  int moves = 0;
  int movesWithWords = 0;
  int documentedCollisions = 0;
};

// Every legal move of the position gets a text no other legal move gets
// (but for the documented class), words exactly when a rival exists, and
// the turned position writes the same words for the turned move.
void CheckPosition(const KifuPosition& position, int prevFile, int prevRank, NotationCheck& check) {
  const std::vector<KifuMove> pseudoLegal = PseudoLegalMoves(position);
  const std::vector<KifuMove> legal = LegalMoves(position);
  KifuPosition turned = position;
  turned.SwapSides();
  turned.sideToMove = 1 - position.sideToMove;
  std::vector<std::string> texts;
  ++check.positions;
  for (size_t i = 0; i < legal.size(); ++i) {
    const KifuMove& move = legal[i];
    const std::string text = Notation(position, move, prevFile, prevRank);
    ++check.moves;
    for (size_t j = 0; j < texts.size(); ++j) {
      if (texts[j] != text) continue;
      if (IsStraightFromBothSides(pseudoLegal, legal[j], move)) {
        ++check.documentedCollisions;
      } else {
        ADD_FAILURE() << "same text for " << Describe(legal[j]) << " and " << Describe(move);
      }
    }
    texts.push_back(text);
    const bool hasWords = text != Formatted(move, 0, prevFile, prevRank);
    EXPECT_EQ(hasWords, HasRival(pseudoLegal, move)) << Describe(move);
    check.movesWithWords += hasWords;
    const std::string turnedText = Notation(turned, Turned(move), 10 - prevFile, 10 - prevRank);
    EXPECT_EQ(text.substr(6), turnedText.substr(6)) << Describe(move);  // after mark and square
    EXPECT_NE(text.substr(0, 2), turnedText.substr(0, 2));
  }
}

// Plays up to `plies` random legal moves from the position, checking each
// position on the way; stops at a position without a legal move.
void PlayAndCheck(KifuPosition position, int plies, std::mt19937& random, NotationCheck& check) {
  int prevFile = 0, prevRank = 0;
  for (int ply = 0; ply < plies; ++ply) {
    CheckPosition(position, prevFile, prevRank, check);
    const std::vector<KifuMove> legal = LegalMoves(position);
    if (legal.empty()) return;
    const KifuMove move = legal[random() % legal.size()];
    ASSERT_TRUE(position.DoMove(move));
    prevFile = move.toFile;
    prevRank = move.toRank;
  }
}

#if defined(KIFU_SANITIZED)
constexpr int kScale = 2;
#else
constexpr int kScale = 1;
#endif

TEST(MoveNotationProperty, EveryLegalMoveOfRandomGamesHasItsOwnText) {
  std::mt19937 random(20261206);
  NotationCheck check;
  const HandicapFlags starts[] = {0, 0, 0, 0x1, 0x100, 0x300, 0x3FF, 0x400};
  for (int game = 0; game < 48 / kScale; ++game) {
    KifuPosition position;
    position.SetStart(starts[game % 8]);
    PlayAndCheck(position, 160, random, check);
  }
  EXPECT_GT(check.moves, 150000 / kScale);
  EXPECT_GT(check.movesWithWords, 5000 / kScale);
  EXPECT_EQ(check.documentedCollisions, 0);  // one full set never has four horses or dragons
}

// Pieces of one kind that can move to a square, counted so that the board
// still holds no more than one set.
struct SeedKind {
  int type;
  int most;
};
constexpr SeedKind kSeedKinds[] = {
    {KIFU_GOLD, 4},  {KIFU_SILVER, 4}, {KIFU_PRO_SILVER, 4}, {KIFU_PRO_PAWN, 6}, {KIFU_PRO_KNIGHT, 4},
    {KIFU_HORSE, 2}, {KIFU_DRAGON, 2}, {KIFU_KNIGHT, 2},     {KIFU_ROOK, 2},     {KIFU_BISHOP, 2},
};

// Squares from which a lone piece of the code reaches (file, rank).
std::vector<std::pair<int, int>> SourcesOf(int code, int file, int rank) {
  std::vector<std::pair<int, int>> sources;
  for (int fromRank = 1; fromRank <= 9; ++fromRank) {
    for (int fromFile = 1; fromFile <= 9; ++fromFile) {
      KifuPosition lone = BuildKifuPosition({}, KifuPieceCode(code).Side());
      Put(lone, fromFile, fromRank, code);
      KifuMove moves[KIFU_MAX_MOVES];
      if (lone.GenerateMoves(moves, -1, -1, file, rank, -1, -1, -1, -1) > 0) sources.emplace_back(fromFile, fromRank);
    }
  }
  return sources;
}

// A position where two or more pieces of one kind of one side can move to
// one square, both kings on the board, the rest of the set in hands and box.
bool SeededPosition(std::mt19937& random, KifuPosition& position) {
  const SeedKind kind = kSeedKinds[random() % std::size(kSeedKinds)];
  const int side = static_cast<int>(random() % 2);
  position = BuildKifuPosition({}, static_cast<int>(random() % 4 == 0 ? 1 - side : side));
  const int file = 1 + static_cast<int>(random() % 9), rank = 1 + static_cast<int>(random() % 9);
  const int code = kind.type | (side << 4);
  auto sources = SourcesOf(code, file, rank);
  std::shuffle(sources.begin(), sources.end(), random);
  const int count = std::min<int>(2 + static_cast<int>(random() % kind.most), kind.most);
  if (static_cast<int>(sources.size()) < 2) return false;
  for (int i = 0; i < count && i < static_cast<int>(sources.size()); ++i) {
    Put(position, sources[static_cast<size_t>(i)].first, sources[static_cast<size_t>(i)].second, code);
  }
  // Kings and a few pawns on free squares, then hands from the rest of the set.
  const auto freeSquare = [&](int& f, int& r) {
    do {
      f = 1 + static_cast<int>(random() % 9);
      r = 1 + static_cast<int>(random() % 9);
    } while (!position.At(f, r).IsEmpty() || (f == file && r == rank));
  };
  for (int king : {int{KIFU_KING}, KIFU_KING | kSecond}) {
    int f = 0, r = 0;
    freeSquare(f, r);
    Put(position, f, r, king);
  }
  for (int pawn = 0; pawn < 6; ++pawn) {
    int f = 0, r = 0;
    freeSquare(f, r);
    Put(position, f, r, (pawn % 2 == 0) ? KIFU_PAWN : (KIFU_PAWN | kSecond));
  }
  position.UpdateBoxAndHandicap();
  for (int type = KIFU_PAWN; type <= KIFU_ROOK; ++type) {
    const int boxed = position.hands[KIFU_BOX][type];
    const int toFirst = boxed > 0 ? static_cast<int>(random() % (boxed + 1)) : 0;
    const int toSecond = boxed - toFirst > 0 ? static_cast<int>(random() % (boxed - toFirst + 1)) : 0;
    position.hands[0][type] = static_cast<int8_t>(toFirst);
    position.hands[1][type] = static_cast<int8_t>(toSecond);
    position.hands[KIFU_BOX][type] = static_cast<int8_t>(boxed - toFirst - toSecond);
  }
  position.handicapFlags = 0;
  return position.IsValid() && !position.IsInCheck(1 - position.sideToMove);
}

TEST(MoveNotationProperty, SeveralPiecesOfOneKindOnOneSquareGetTheirOwnTexts) {
  std::mt19937 random(58);
  NotationCheck check;
  int seeded = 0;
  for (int attempt = 0; seeded < 600 / kScale && attempt < 20000; ++attempt) {
    KifuPosition position;
    if (!SeededPosition(random, position)) continue;
    ++seeded;
    PlayAndCheck(position, 6, random, check);
  }
  EXPECT_EQ(seeded, 600 / kScale);
  EXPECT_GT(check.movesWithWords, 7500 / kScale);
  EXPECT_EQ(check.documentedCollisions, 0);
}

// Every set of sources from which pieces of one type and side can reach one
// square, the board otherwise empty and the counts unbounded: the texts
// differ but for the documented class, which needs four horses, dragons or kings.
TEST(MoveNotationProperty, OnlyStraightMovesFromBothSidesShareWordsAndOnlyBeyondOneSet) {
  int collisionsByType[16] = {};
  for (int type = KIFU_PAWN; type <= KIFU_DRAGON; ++type) {
    if (type == KIFU_NO_PIECE) continue;
    for (int side = 0; side <= 1; ++side) {
      const int code = type | (side << 4);
      // The nearest source in each direction class (nearer pieces block farther ones).
      std::vector<std::pair<int, int>> representatives;
      for (const auto& [file, rank] : SourcesOf(code, 5, 5)) {
        bool kept = false;
        for (auto& kept_square : representatives) {
          if (Sign(kept_square.first - 5) == Sign(file - 5) && Sign(kept_square.second - 5) == Sign(rank - 5)) {
            if (std::max(std::abs(file - 5), std::abs(rank - 5)) <
                std::max(std::abs(kept_square.first - 5), std::abs(kept_square.second - 5))) {
              kept_square = {file, rank};
            }
            kept = true;
          }
        }
        if (!kept) representatives.emplace_back(file, rank);
      }
      const int n = static_cast<int>(representatives.size());
      for (int mask = 1; mask < (1 << n); ++mask) {
        KifuPosition position = BuildKifuPosition({}, side);
        for (int i = 0; i < n; ++i) {
          if (mask & (1 << i))
            Put(position, representatives[static_cast<size_t>(i)].first, representatives[static_cast<size_t>(i)].second,
                code);
        }
        KifuMove moves[KIFU_MAX_MOVES];
        const int count = position.GenerateMoves(moves, -1, -1, 5, 5, -1, -1, -1, -1);
        const std::vector<KifuMove> onto(moves, moves + count);
        std::vector<std::string> texts;
        for (const KifuMove& move : onto) {
          const std::string text = Notation(position, move);
          for (size_t j = 0; j < texts.size(); ++j) {
            if (texts[j] != text) continue;
            EXPECT_TRUE(IsStraightFromBothSides(onto, onto[j], move)) << Describe(onto[j]) << " " << Describe(move);
            EXPECT_GE(__builtin_popcount(static_cast<unsigned>(mask)), 4);
            ++collisionsByType[type];
          }
          texts.push_back(text);
        }
      }
    }
  }
  for (int type = KIFU_PAWN; type <= KIFU_DRAGON; ++type) {
    const bool movesEveryWay = type == KIFU_KING || type == KIFU_HORSE || type == KIFU_DRAGON;
    EXPECT_EQ(collisionsByType[type] > 0, movesEveryWay) << "type " << type;
  }
}

TEST(MoveNotationExamples, FourDragonsWriteBothFileMovesAsChoku) {
  const KifuPosition position =
      BuildKifuPosition({{5, 7, KIFU_DRAGON}, {5, 3, KIFU_DRAGON}, {4, 6, KIFU_DRAGON}, {6, 4, KIFU_DRAGON}}, 0);
  EXPECT_EQ(NotationOf(position, 5, 7, 5, 5), "▲５五龍直");
  EXPECT_EQ(NotationOf(position, 5, 3, 5, 5), "▲５五龍直");
  EXPECT_EQ(NotationOf(position, 4, 6, 5, 5), "▲５五龍右");
  EXPECT_EQ(NotationOf(position, 6, 4, 5, 5), "▲５五龍左");
}

}  // namespace
