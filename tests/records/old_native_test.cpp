// The old binary record: files built here from the layout (little-endian
// header, the 11 x 16 block of the stored position, 16-byte move records),
// read back as games; every result code, both ends of the stored ply, the
// refusals, and a mutation fuzz of the bytes.
#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "records/game_record.h"
#include "records/kifu.h"
#include "records/record_files.h"
#include "support/kifu_builder.h"
#include "support/kifu_graph_checks.h"
#include "support/old_native_bytes.h"
#include "support/random_record.h"
#include "support/test_files.h"

namespace {

// The raw file stream a load uses, over bytes in memory (NULs, CR, LF and
// 0x1A included).
class BytesInStream : public RawFileInStream {
 public:
  explicit BytesInStream(std::string bytes) : bytes_(std::move(bytes)) {
    file_ = bytes_.empty() ? nullptr : fmemopen(bytes_.data(), bytes_.size(), "rb");
  }
  ~BytesInStream() override { Close(); }  // before the bytes go

 private:
  std::string bytes_;
};

// A file of `plies` random moves, stored after n of them, with m = the
// records given plus `extra`.
std::string RandomGame(uint32_t seed, int plies, int n, const std::string& extra = "") {
  KifuPosition stored;
  const std::vector<KifuMove> moves = KifuRandomPlayout(stored, plies, seed);
  n = std::min(n, static_cast<int>(moves.size()));
  for (int at = static_cast<int>(moves.size()); at > n; --at) stored.UndoMove(moves[static_cast<size_t>(at - 1)]);
  return OldNativeGameBytes(stored, moves, n, extra);
}

// Stored after a pawn's two-square step 5七-5五: it goes back to 5七, but
// can't be played again from there.
std::string TwoSquarePawnStep() {
  KifuPosition stored = KifuStartPosition();
  stored.board[KifuPosition::SquareIndex(5, 5)] = stored.board[KifuPosition::SquareIndex(5, 7)];
  stored.board[KifuPosition::SquareIndex(5, 7)] = 0;
  stored.sideToMove = 1;
  return OldNativeGameBytes(stored, {KifuOrdinaryMove(5, 7, 5, 5, KIFU_PAWN, 0)}, 1);
}

int Read(Kifu& kifu, const std::string& bytes) {
  BytesInStream in(bytes);
  return kifu.ReadOldNative(in, false);
}

std::vector<const KifuMoveNode*> MainLine(const Kifu& kifu) {
  std::vector<const KifuMoveNode*> line;
  for (const KifuPositionNode* at = kifu.StartNode(); at->outgoing.Count() > 0; at = at->outgoing.At(0)->reachedNode)
    line.push_back(at->outgoing.At(0));
  return line;
}

// A refusal says what is wrong: the move that is not possible (its number
// counted from 1), or where the file ends; the report's place is that move.
TEST(OldNative, RefusalNamesTheMoveOrTheEnd) {
  const std::string game = RandomGame(7, 10, 0);
  std::string illegal = game;
  illegal[238 + 2 * 16 + 4] = 0;  // the third move moves no piece
  const struct {
    std::string bytes;
    ReadProblem problem;
    const char* reason;
    int move;
  } cases[] = {
      {illegal, ReadProblem::ImpossibleMove, "move 3 is not possible in the position", 3},
      {game.substr(0, game.size() - 5), ReadProblem::UnreadableMove, "the file ends inside move 10", 10},
      {game.substr(0, game.size() - 16), ReadProblem::UnreadableMove, "the file ends before move 10", 10},
      {RandomGame(7, 10, 6).substr(0, 238 + 3 * 16 + 1), ReadProblem::UnreadableMove, "the file ends inside move 4", 4},
      {TwoSquarePawnStep(), ReadProblem::ImpossibleMove, "move 1 is not possible in the position", 1},
  };
  for (const auto& c : cases) {
    Kifu kifu;
    BytesInStream in(c.bytes);
    ReadReport report;
    EXPECT_EQ(kifu.ReadOldNative(in, false, &report), -1) << c.reason;
    EXPECT_EQ(std::tuple(report.problem, report.at, report.unit, report.reason),
              std::tuple(c.problem, c.move, ReadUnit::Move, std::string(c.reason)));
    EXPECT_EQ(kifu.LineLength(), 0);
  }
}

// Bytes past the moves the header counts (a count with its lowest bit
// cleared, part of a record or whole records appended, a count of 0) are
// damage named after the last counted move; the record is the one that the
// file cut after that move gives, which reads clean.
TEST(OldNative, BytesAfterTheCountedMovesAreDamage) {
  const std::string game = RandomGame(11, 40, 0), halfway = RandomGame(11, 40, 5);
  const int m = static_cast<int>(game.size() - kOldNativeHeaderBytes) / 16;
  ASSERT_GE(m, 8);  // the lowered count stays above the stored ply 5
  const auto counted = [](std::string bytes, int count) {
    PutLittleEndian(bytes, kOldNativeRecordCountAt, count, 4);
    return bytes;
  };
  const auto cut = [&](const std::string& bytes, int count) {
    return counted(bytes, count).substr(0, kOldNativeHeaderBytes + 16 * static_cast<size_t>(count));
  };
  const int lowered = m & (m - 1);
  const std::string afterLowered = std::to_string(16 * (m - lowered)) + " bytes after move " + std::to_string(lowered);
  const std::string moreRecords = RandomGame(12, 2, 0).substr(kOldNativeHeaderBytes), last = std::to_string(m);
  const struct {
    std::string bytes, clean, reason;
    int move;
  } cases[] = {
      {counted(game, lowered), cut(game, lowered), afterLowered, lowered},
      {counted(halfway, lowered), cut(halfway, lowered), afterLowered, lowered},
      {game + "\x01\x02\x03\x04\x05", game, "5 bytes after move " + last, m},
      {game + std::string(1, '\0'), game, "1 byte after move " + last, m},
      {halfway + moreRecords, halfway, "32 bytes after move " + last, m},
      // Counting stops past a mebibyte, so an input that never ends can't keep the reader.
      {game + std::string((1 << 20) + 4096, 'x'), game, "more than 1048576 bytes after move " + last, m},
      {counted(game, 0), cut(game, 0), std::to_string(16 * m) + " bytes after the header, which announces no moves", 0},
  };
  for (const auto& c : cases) {
    Kifu kifu, clean;
    ReadReport report, cleanReport;
    BytesInStream in(c.bytes), cleanIn(c.clean);
    ASSERT_EQ(kifu.ReadOldNative(in, false, &report), 0) << c.reason;
    ASSERT_EQ(clean.ReadOldNative(cleanIn, false, &cleanReport), 0) << c.reason;
    EXPECT_FALSE(cleanReport.Stopped()) << c.reason;
    EXPECT_EQ(DescribeKifuGraph(kifu), DescribeKifuGraph(clean)) << c.reason;
    EXPECT_TRUE(report.Stopped() && report.damaged) << c.reason;
    EXPECT_EQ(std::tuple(report.problem, report.at, report.unit, report.reason),
              std::tuple(ReadProblem::DamagedBytes, c.move, ReadUnit::Move, c.reason));
  }
}

// Stored at n = 0, halfway and n = m; then every result code ending a game
// (code 9 by the owner of its piece byte, 10 and above an ordinary move).
TEST(OldNative, GamesAndResultCodes) {
  for (uint32_t seed = 1; seed <= 20; ++seed) {
    const int plies = 1 + static_cast<int>(seed * 3 % 40);
    for (const int n : {0, plies / 2, plies}) {
      const std::string bytes = RandomGame(seed, plies, n);
      Kifu kifu;
      ASSERT_EQ(Read(kifu, bytes), 0) << seed << " n=" << n;
      ExpectKifuGraphValid(kifu);
      EXPECT_TRUE(kifu.StartNode()->position == KifuStartPosition());
      const auto line = MainLine(kifu);
      ASSERT_EQ(line.size() * 16 + 238, bytes.size());
      for (size_t at = 0; at < line.size(); ++at) {
        EXPECT_EQ(OldNativeMoveRecord(line[at]->move, 0, line[at]->consumedTime), bytes.substr(238 + 16 * at, 16));
      }
    }
  }
  const KifuMoveKind kinds[] = {KifuMoveKind::Resignation, KifuMoveKind::Interruption, KifuMoveKind::TakeBack,
                                KifuMoveKind::Win,         KifuMoveKind::LossOnTime,   KifuMoveKind::LossByFoul,
                                KifuMoveKind::Loss,        KifuMoveKind::Repetition,   KifuMoveKind::RepetitionCheckByFirst,
                                KifuMoveKind::Ordinary};
  for (int code = 1; code <= 10; ++code) {
    for (const int n : {6, 7}) {  // the last record after the stored position, or n = m
      // A marker's piece byte: the second player's king at n = m, else the first's.
      const KifuMove marker(0, 0, 0, 0, n == 7 ? 24 : 8, 0, 0, KifuMoveKind::Ordinary);
      std::string bytes =
          code == 10 ? RandomGame(2, 7, n) : RandomGame(2, 6, 6, OldNativeMoveRecord(marker, code, 0xFFFF));
      if (code == 10) PutLittleEndian(bytes, 238 + 96 + 7, code, 1);
      PutLittleEndian(bytes, 222, n, 4);
      PutLittleEndian(bytes, 34, 3, 2);
      Kifu kifu;
      ASSERT_EQ(Read(kifu, bytes), 0) << code;
      const KifuMoveNode* last = MainLine(kifu).back();
      const KifuMoveKind expected = code == 9 && n == 7 ? KifuMoveKind::RepetitionCheckBySecond : kinds[code - 1];
      EXPECT_TRUE(last->move.kind == expected && last->consumedTime == 0xFFFF) << code;
      EXPECT_STREQ(kifu.PlayerName(0).Text(), "人間");
      EXPECT_STREQ(kifu.PlayerName(1).Text(), "青嵐将棋");
    }
  }
}

TEST(OldNative, DamagedFilesAreRefusedAndChangeNothing) {
  Kifu kifu;
  KifuPlayLine(kifu, kifu.StartNode(), {{2, 7, 2, 6}});
  const std::string before = DescribeKifuGraph(kifu), game = RandomGame(5, 10, 4);
  std::vector<std::string> refused;
  for (const size_t cut : {0, 32, 36, 40, 42, 221, 222, 237, 238, 250}) refused.push_back(game.substr(0, cut));
  // Offset, value, bytes: a board code past 31, hand and box counts past the
  // full set, n < 0, n > m, a huge m, a piece byte before the stored
  // position and a captured byte after it, markers anywhere but last.
  const std::tuple<size_t, int64_t, int> patches[] = {
      {46 + 16 * 5 + 5, 32, 1}, {46 + 16 + 11, 19, 1}, {46 + 16 * 8 + 13, 3, 1}, {222, -1, 4}, {222, 11, 4},
      {234, 0x7FFFFFFF, 4}, {238 + 32 + 4, game[238 + 32 + 4] ^ 16, 1}, {238 + 112 + 5, 5, 1}, {238 + 16 + 7, 1, 1},
      {238 + 96 + 7, 2, 1}};
  for (const auto& [at, value, count] : patches) {
    refused.push_back(game);
    PutLittleEndian(refused.back(), at, value, count);
  }
  for (const std::string& bytes : refused) {
    EXPECT_EQ(Read(kifu, bytes), -1) << bytes.size();
    EXPECT_EQ(DescribeKifuGraph(kifu), before);
  }
  // A start the rules can't play from: a second first-player king on 5五.
  std::string twoKings = RandomGame(5, 10, 0);
  PutLittleEndian(twoKings, 46 + 16 * 5 + 5, KIFU_KING, 1);
  BytesInStream in(twoKings);
  ReadReport report;
  EXPECT_EQ(kifu.ReadOldNative(in, false, &report), -1);
  EXPECT_EQ(report.problem, ReadProblem::InvalidStart);
  EXPECT_EQ(DescribeKifuGraph(kifu), before);
  // Flag bits above the handicap's are dropped.
  std::string flagged = game;
  PutLittleEndian(flagged, 44, 0xF100, 2);
  ASSERT_EQ(Read(kifu, flagged), 0);
  EXPECT_EQ(kifu.StartNode()->position.handicapFlags, HANDICAP_BISHOP_22);
}

TEST(OldNative, MutatedFilesNeverBreakTheReader) {
  std::vector<std::string> games;
  for (int round = 0; round < 150; ++round) games.push_back(RandomGame(static_cast<uint32_t>(round % 50), 1 + round % 30, round % 31));
  // Small codes (pieces, result codes, sides), n and m bytes, and line ends.
  const std::vector<std::string> kTokens = {std::string(1, '\0'), "\x01", "\x09", "\x0b", "\x18", "\x1f", "\x20",
                                            "\xff\xff", "\r\n", "\x1a"};
  const int cases = 20000 / KIFU_RUN_SCALE;
  const auto read = [](Kifu& kifu, const std::string& bytes, int) { return Read(kifu, bytes); };
  EXPECT_GT(FuzzRecordReader(games, kTokens, cases, read), cases / 20);
}

}  // namespace

// A .krs file loads byte for byte: times whose bytes are CR, LF and 0x1A
// come back as stored. A type no reader serves, or a file that isn't
// there, reads nothing.
TEST(OldNative, KrsFilesLoadAsStored) {
  std::string bytes = RandomGame(4, 12, 5);
  PutLittleEndian(bytes, 238 + 16 + 8, 0x0A0D, 2);
  PutLittleEndian(bytes, 238 + 32 + 8, 0x1A1A, 2);
  const std::string path = ProcessTempPath("old_native.krs");
  ASSERT_TRUE(WriteFileBytes(path, bytes));
  GameRecord game;
  ASSERT_TRUE(game.Load(path.c_str(), nullptr, false));
  const auto line = MainLine(*game.record);
  ASSERT_EQ(line.size(), 12u);
  EXPECT_EQ(line[1]->consumedTime, 0x0A0D);
  EXPECT_EQ(line[2]->consumedTime, 0x1A1A);
  for (size_t at = 0; at < line.size(); ++at) {
    EXPECT_EQ(OldNativeMoveRecord(line[at]->move, 0, line[at]->consumedTime), bytes.substr(238 + 16 * at, 16)) << at;
  }
  std::remove(path.c_str());
  Kifu kifu;
  const std::string text = ProcessTempPath("old_native.kif");
  ASSERT_TRUE(WriteFileBytes(text, "手数----指手---------消費時間--\n1 ７六歩(77)\n"));
  EXPECT_EQ(ReadKifuFile(text.c_str(), KIFU_FILE_JAPANESE_TEXT + 1, kifu, false), -1);
  std::remove(text.c_str());
  EXPECT_EQ(ReadKifuFile(path.c_str(), KIFU_FILE_OLD_NATIVE, kifu, false), -1);
  EXPECT_EQ(kifu.LineLength(), 0);
}
