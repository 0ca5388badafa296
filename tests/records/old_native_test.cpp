// The old binary record: files built here from the layout (little-endian
// header, the 11 x 16 block of the stored position, 16-byte move records),
// read back as games; every result code, both ends of the stored ply, the
// refusals, and a mutation fuzz of the bytes.
#include <array>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "records/kifu.h"
#include "records/record_files.h"
#include "support/kifu_builder.h"
#include "support/kifu_graph_checks.h"
#include "support/test_files.h"

namespace {

struct KrsFile {
  int kinds[2] = {0, 0};
  int flags = 0;
  KifuPosition stored;
  int32_t n = 0;
  int32_t m = -1;  // -1: the number of records
  std::vector<std::array<int, 10>> records;  // the seven move bytes, result code, seconds

  std::string Bytes() const {
    std::string out(238, '\0');
    auto put = [&](size_t at, int64_t value, int count) {
      for (int i = 0; i < count; ++i) out[at + static_cast<size_t>(i)] = static_cast<char>(value >> (8 * i));
    };
    put(32, kinds[0], 2);
    put(34, kinds[1], 2);
    put(42, stored.sideToMove, 2);
    put(44, flags, 2);
    for (int row = 1; row <= 9; ++row) {
      for (int file = 1; file <= 9; ++file) out[46 + 16 * row + file] = static_cast<char>(stored.At(file, row).Code());
      for (int store = 0; store < 3 && row <= 8; ++store) out[46 + 16 * row + 11 + store] = stored.hands[store][row];
    }
    put(222, n, 4);
    put(234, m < 0 ? static_cast<int>(records.size()) : m, 4);
    for (const auto& r : records) {
      for (int i = 0; i < 8; ++i) out += static_cast<char>(r[static_cast<size_t>(i)]);
      out += static_cast<char>(r[8]);
      out += static_cast<char>(r[8] >> 8);
      out.append(6, '\0');
    }
    return out;
  }
};

std::array<int, 10> Record(const KifuMove& move, int result, int seconds) {
  return {move.fromFile, move.fromRank, move.toFile, move.toRank, move.piece.Code(), move.captured.Code(),
          move.promote, result, seconds};
}

// A game of `plies` random moves timed 0, 1, ... and 0xFFFF last, stored
// after n of them.
KrsFile RandomGame(uint32_t seed, int plies, int n) {
  KrsFile file;
  KifuPosition position;
  const std::vector<KifuMove> moves = KifuRandomPlayout(position, plies, seed);
  for (size_t at = 0; at < moves.size(); ++at) {
    file.records.push_back(Record(moves[at], 0, at + 1 == moves.size() ? 0xFFFF : static_cast<int>(at)));
  }
  file.n = std::min(n, static_cast<int>(moves.size()));
  for (int at = 0; at < file.n; ++at) file.stored.DoMove(moves[static_cast<size_t>(at)]);
  return file;
}

// Bytes as stored, NULs included.
class BytesInStream : public InStream {
 public:
  explicit BytesInStream(std::string bytes) : bytes_(std::move(bytes)) {}
  int ReadLine(SjisString&) override { return -1; }
  char* Gets(char*, int) override { return nullptr; }
  int Read(void* buf, int size) override {
    const size_t count = bytes_.copy(static_cast<char*>(buf), static_cast<size_t>(size), at_);
    at_ += count;
    return static_cast<int>(count);
  }
  void Unget(char) override {}
  void Rewind() override { at_ = 0; }
  bool IsEof() override { return at_ >= bytes_.size(); }

 private:
  std::string bytes_;
  size_t at_ = 0;
};

// Reads the bytes, from memory or, as a load does, from a file (no line-end
// folding: CR, LF and 0x1A bytes are data here).
int Read(Kifu& kifu, const std::string& bytes, bool viaFile = false) {
  static const std::string path = ProcessTempPath("old.krs");
  BytesInStream memory(bytes);
  RawFileInStream file;
  if (viaFile) std::ofstream(path, std::ios::binary) << bytes;
  if (viaFile && file.Open(path.c_str()) != 0) return -2;
  return kifu.ReadOldNative(viaFile ? static_cast<InStream&>(file) : memory, false);
}

std::vector<const KifuMoveNode*> MainLine(const Kifu& kifu) {
  std::vector<const KifuMoveNode*> line;
  for (const KifuPositionNode* at = kifu.StartNode(); at->outgoing.Count() > 0; at = at->outgoing.At(0)->reachedNode)
    line.push_back(at->outgoing.At(0));
  return line;
}

// Stored at n = 0, halfway and n = m; then every result code ending a game
// (code 9 by the owner of its piece byte, 10 and above an ordinary move).
TEST(OldNative, GamesAndResultCodes) {
  for (uint32_t seed = 1; seed <= 20; ++seed) {
    const int plies = 1 + static_cast<int>(seed * 3 % 40);
    for (const int n : {0, plies / 2, plies}) {
      const KrsFile file = RandomGame(seed, plies, n);
      Kifu kifu;
      ASSERT_EQ(Read(kifu, file.Bytes(), true), 0) << seed << " n=" << n;
      ExpectKifuGraphValid(kifu);
      EXPECT_TRUE(kifu.StartNode()->position == KifuStartPosition());
      const auto line = MainLine(kifu);
      ASSERT_EQ(line.size(), file.records.size());
      for (size_t at = 0; at < line.size(); ++at) EXPECT_EQ(Record(line[at]->move, 0, line[at]->consumedTime), file.records[at]);
    }
  }
  const KifuMoveKind kinds[] = {KifuMoveKind::Resignation, KifuMoveKind::Interruption, KifuMoveKind::TakeBack,
                                KifuMoveKind::Win,         KifuMoveKind::LossOnTime,   KifuMoveKind::LossByFoul,
                                KifuMoveKind::Loss,        KifuMoveKind::Repetition,   KifuMoveKind::RepetitionCheckByFirst,
                                KifuMoveKind::Ordinary};
  for (int code = 1; code <= 10; ++code) {
    for (const int n : {6, 7}) {  // the marker after the stored position, or n = m
      KrsFile file = RandomGame(2, 6, 6);
      file.kinds[1] = 3;
      KifuPosition after = file.stored;
      const KifuMove next = KifuRandomPlayout(after, 1, 99).front();
      // A marker's piece byte: the second player's king at n = m, else the first's.
      const KifuMove marker(0, 0, 0, 0, n == 7 ? 24 : 8, 0, 0, KifuMoveKind::Ordinary);
      file.records.push_back(Record(code == 10 ? next : marker, code, 0xFFFF));
      file.n = n;
      if (n == 7 && code == 10) file.stored = after;
      Kifu kifu;
      ASSERT_EQ(Read(kifu, file.Bytes()), 0) << code;
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
  const std::string before = DescribeKifuGraph(kifu);
  const KrsFile game = RandomGame(5, 10, 4);
  std::vector<std::string> refused;
  for (const size_t cut : {0, 32, 36, 40, 42, 221, 222, 237, 238, 250}) refused.push_back(game.Bytes().substr(0, cut));
  auto variant = [&](auto change) {
    KrsFile file = game;
    change(file);
    refused.push_back(file.Bytes());
  };
  variant([](KrsFile& f) { f.stored.board[KifuPosition::SquareIndex(5, 5)] = 32; });
  variant([](KrsFile& f) { f.stored.hands[0][KIFU_PAWN] = 19; });
  variant([](KrsFile& f) { f.stored.hands[2][KIFU_KING] = 3; });
  variant([](KrsFile& f) { f.n = -1; });
  variant([](KrsFile& f) { f.n = 11; });
  variant([](KrsFile& f) { f.m = 0x7FFFFFFF; });
  variant([](KrsFile& f) { f.records[2][4] ^= 16; });  // a piece byte before the stored position
  variant([](KrsFile& f) { f.records[7][5] = 5; });    // a captured byte after it
  variant([](KrsFile& f) { f.records[1][7] = 1; });    // markers anywhere but last
  variant([](KrsFile& f) { f.records[6][7] = 2; });
  for (const std::string& bytes : refused) {
    EXPECT_EQ(Read(kifu, bytes), -1) << bytes.size();
    EXPECT_EQ(DescribeKifuGraph(kifu), before);
  }
  // Flag bits above the handicap's are dropped.
  KrsFile flagged = RandomGame(6, 4, 0);
  flagged.flags = 0xF100;
  ASSERT_EQ(Read(kifu, flagged.Bytes()), 0);
  EXPECT_EQ(kifu.StartNode()->position.handicapFlags, HANDICAP_BISHOP_22);
}

TEST(OldNative, MutatedFilesNeverBreakTheReader) {
#ifdef KIFU_SANITIZED
  constexpr int kCases = 3000;
#else
  constexpr int kCases = 20000;
#endif
  std::mt19937 random(18);
  int accepted = 0;
  for (int round = 0; round < kCases; ++round) {
    std::string bytes = RandomGame(static_cast<uint32_t>(round % 50), 1 + round % 30, round % 31).Bytes();
    for (int flips = 1 + static_cast<int>(random() % 4); flips > 0; --flips) {
      bytes[random() % bytes.size()] = static_cast<char>(random() % 3 == 0 ? random() % 40 : random());
    }
    if (random() % 4 == 0) bytes.resize(random() % bytes.size());
    Kifu kifu;
    const std::string empty = DescribeKifuGraph(kifu);
    if (Read(kifu, bytes) == 0) {
      ++accepted;
      ExpectKifuGraphValid(kifu);
    } else {
      ASSERT_EQ(DescribeKifuGraph(kifu), empty);
    }
  }
  EXPECT_GT(accepted, kCases / 20);
}

}  // namespace
