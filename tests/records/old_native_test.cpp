// The old binary record: files built here from the layout (little-endian
// header, the 11 x 16 block of the stored position, 16-byte move records),
// read back as games; every result code, both ends of the stored ply, the
// refusals, and a mutation fuzz of the bytes.
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "records/kifu.h"
#include "records/record_stream.h"
#include "support/kifu_builder.h"
#include "support/kifu_graph_checks.h"

namespace {

// Bytes as stored, NULs included.
class BytesInStream : public InStream {
 public:
  explicit BytesInStream(std::string bytes) : bytes_(std::move(bytes)) {}
  int ReadLine(SjisString&) override { return -1; }
  char* Gets(char*, int) override { return nullptr; }
  int Read(void* buf, int size) override {
    const int count = std::min(size, static_cast<int>(bytes_.size() - at_));
    bytes_.copy(static_cast<char*>(buf), static_cast<size_t>(count), at_);
    at_ += static_cast<size_t>(count);
    return count;
  }
  void Unget(char) override { at_ -= at_ > 0 ? 1 : 0; }
  void Rewind() override { at_ = 0; }
  bool IsEof() override { return at_ >= bytes_.size(); }

 private:
  std::string bytes_;
  size_t at_ = 0;
};

struct StoredMove {
  KifuMove move;
  int result = 0;
  int seconds = 0;
};

struct KrsFile {
  int kinds[2] = {0, 0};
  int flags = 0;
  KifuPosition stored;
  int32_t n = 0;
  std::vector<StoredMove> moves;
  int32_t m = -1;  // -1: the number of moves

  std::string Bytes() const {
    std::string out(238, '\0');
    auto put = [&](size_t at, uint32_t value, int count) {
      for (int i = 0; i < count; ++i) out[at + static_cast<size_t>(i)] = static_cast<char>(value >> (8 * i));
    };
    put(32, static_cast<uint32_t>(kinds[0]), 2);
    put(34, static_cast<uint32_t>(kinds[1]), 2);
    put(42, static_cast<uint32_t>(stored.sideToMove), 2);
    put(44, static_cast<uint32_t>(flags), 2);
    for (int rank = 1; rank <= 9; ++rank) {
      for (int file = 1; file <= 9; ++file) out[46 + 16 * rank + file] = static_cast<char>(stored.At(file, rank).Code());
    }
    for (int type = 1; type <= 8; ++type) {
      for (int store = 0; store < 3; ++store) out[46 + 16 * type + 11 + store] = stored.hands[store][type];
    }
    put(222, static_cast<uint32_t>(n), 4);
    put(234, static_cast<uint32_t>(m < 0 ? static_cast<int>(moves.size()) : m), 4);
    for (const StoredMove& stored_move : moves) {
      const KifuMove& move = stored_move.move;
      char record[16] = {move.fromFile, move.fromRank, move.toFile, move.toRank, static_cast<char>(move.piece.Code()),
                         static_cast<char>(move.captured.Code()), static_cast<char>(move.promote),
                         static_cast<char>(stored_move.result), static_cast<char>(stored_move.seconds),
                         static_cast<char>(stored_move.seconds >> 8)};
      out.append(record, 16);
    }
    return out;
  }
};

// A game of `plies` random moves with the times 0, 1, ... and 0xFFFF last,
// stored after n of them.
KrsFile RandomGame(uint32_t seed, int plies, int n) {
  KrsFile file;
  KifuPosition position;
  int time = 0;
  for (const KifuMove& move : KifuRandomPlayout(position, plies, seed)) file.moves.push_back({move, 0, time++});
  if (!file.moves.empty()) file.moves.back().seconds = 0xFFFF;
  file.n = std::min(n, static_cast<int>(file.moves.size()));
  for (int index = 0; index < file.n; ++index) file.stored.DoMove(file.moves[static_cast<size_t>(index)].move);
  return file;
}

int Read(Kifu& kifu, const std::string& bytes) {
  BytesInStream in(bytes);
  return kifu.ReadOldNative(in, false);
}

// The line read: each move node along the first continuations.
std::vector<const KifuMoveNode*> MainLine(const Kifu& kifu) {
  std::vector<const KifuMoveNode*> line;
  for (const KifuPositionNode* at = kifu.StartNode(); at->outgoing.Count() > 0; at = at->outgoing.At(0)->reachedNode)
    line.push_back(at->outgoing.At(0));
  return line;
}

TEST(OldNative, GamesReadFromAnyStoredPly) {
  for (uint32_t seed = 1; seed <= 20; ++seed) {
    const int plies = 1 + static_cast<int>(seed * 3 % 40);
    for (const int n : {0, plies / 2, plies}) {
      const KrsFile file = RandomGame(seed, plies, n);
      Kifu kifu;
      ASSERT_EQ(Read(kifu, file.Bytes()), 0) << seed << " n=" << n;
      ExpectKifuGraphValid(kifu);
      EXPECT_TRUE(kifu.StartNode()->position == KifuStartPosition());
      const auto line = MainLine(kifu);
      ASSERT_EQ(line.size(), file.moves.size());
      for (size_t at = 0; at < line.size(); ++at) {
        EXPECT_EQ(line[at]->move, file.moves[at].move);
        EXPECT_EQ(line[at]->consumedTime, file.moves[at].seconds);
      }
      EXPECT_STREQ(kifu.PlayerName(0).Text(), "人間");
    }
  }
}

TEST(OldNative, ResultCodesEndTheGame) {
  const KifuMoveKind kinds[] = {KifuMoveKind::Resignation, KifuMoveKind::Interruption, KifuMoveKind::TakeBack,
                                KifuMoveKind::Win,         KifuMoveKind::LossOnTime,   KifuMoveKind::LossByFoul,
                                KifuMoveKind::Loss,        KifuMoveKind::Repetition};
  for (int code = 1; code <= 10; ++code) {
    for (const bool secondPlayer : {false, true}) {
      KrsFile file = RandomGame(static_cast<uint32_t>(code), 6, 6);
      file.kinds[1] = 3;
      // Code 10 and above is an ordinary move: a seventh move then.
      KifuPosition after = file.stored;
      const KifuMove next = KifuRandomPlayout(after, 1, 99).front();
      StoredMove last{code < 10 ? KifuMove(0, 0, 0, 0, secondPlayer ? 24 : 8, 0, 0, KifuMoveKind::Ordinary) : next,
                      code, 0xFFFF};
      file.moves.push_back(last);
      if (secondPlayer) file.n = 7;  // n = m: the stored position before a marker
      Kifu kifu;
      if (code == 10 && secondPlayer) {
        // Stored after the seventh move: the block must show it.
        file.stored = after;
      }
      ASSERT_EQ(Read(kifu, file.Bytes()), 0) << code;
      const auto line = MainLine(kifu);
      ASSERT_EQ(line.size(), 7u);
      const KifuMoveKind expected =
          code == 10 ? KifuMoveKind::Ordinary
          : code == 9 ? (secondPlayer ? KifuMoveKind::RepetitionCheckBySecond : KifuMoveKind::RepetitionCheckByFirst)
                      : kinds[code - 1];
      EXPECT_EQ(line.back()->move.kind, expected) << code;
      EXPECT_EQ(line.back()->consumedTime, 0xFFFF);
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
  for (const size_t cut : {0, 31, 32, 36, 40, 42, 221, 222, 237, 238, 250}) refused.push_back(game.Bytes().substr(0, cut));
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
  variant([](KrsFile& f) { f.moves[2].move.piece = f.moves[2].move.piece.Code() ^ 16; });   // taken back
  variant([](KrsFile& f) { f.moves[7].move.captured = 5; });                                // played forward
  variant([](KrsFile& f) { f.moves[1].result = 1; });
  variant([](KrsFile& f) { f.moves[6].result = 2; });
  variant([](KrsFile& f) { f.moves[3].result = 2; f.moves.resize(5); });
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
