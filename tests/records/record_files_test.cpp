// Loading, saving and pasting records by type: the extension rule, the
// paste order over texts of every format, saves that fail and keep the old
// file byte for byte, and one game carried through every format.
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "records/game_record.h"
#include "records/record_files.h"
#include "records/record_stream.h"
#include "support/kifu_builder.h"
#include "support/kifu_graph_checks.h"
#include "support/random_record.h"
#include "support/test_files.h"

namespace {

void WriteBytes(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

// A game of a random record's shape that every format carries whole: one
// line, first continuations selected.
std::unique_ptr<Kifu> PlainGame(uint32_t seed) {
  RandomRecordOptions options;
  options.transpositions = options.comments = options.analysis = options.specialMoves = false;
  options.maxBranches = 0;
  auto kifu = BuildRandomRecord(seed, options);
  kifu->SelectFirstMoves();
  return kifu;
}

// Gives the holder a record, viewed from its start.
void Hold(GameRecord& game, std::unique_ptr<Kifu> kifu) {
  delete game.record;
  game.record = kifu.release();
  game.currentNode = game.record->Root();
  *game.currentPosition = game.record->StartNode()->position;
}

// The moves along the first continuations up to the first marker.
std::vector<KifuMove> MainLine(const Kifu& kifu) {
  std::vector<KifuMove> line;
  for (const KifuPositionNode* at = kifu.StartNode(); at->outgoing.Count() > 0; at = at->outgoing.At(0)->reachedNode) {
    if (at->outgoing.At(0)->move.kind != KifuMoveKind::Ordinary) break;
    line.push_back(at->outgoing.At(0)->move);
  }
  return line;
}

TEST(RecordFiles, TypeFollowsTheLastFourBytes) {
  const std::pair<const char*, KifuFileType> cases[] = {
      {"Game.KIF", KIFU_FILE_KIF}, {"a.b.csa", KIFU_FILE_CSA}, {"x.Bkf", KIFU_FILE_KIF}, {"x.ki2", KIFU_FILE_KI2},
      {"x.krs", KIFU_FILE_OLD_NATIVE}, {"x.RVQ", KIFU_FILE_RVQ}, {"x.ckf", KIFU_FILE_CKF},
      {"x.rvf", KIFU_FILE_JAPANESE_TEXT}, {"x.txt", 0}, {"game.kifu", -1}, {"no_dot", -1}, {"dir.kif/x", -1}};
  for (const auto& [path, type] : cases) EXPECT_EQ(KifuFileTypeOfPath(path), type) << path;
  GameRecord game;
  for (const char* path : {"game.kifu", "no_dot", "x.txt"}) {
    KifuFileType type = KIFU_FILE_DETECT;
    EXPECT_FALSE(game.Load(path, &type, false)) << path;
  }
  // A type given by the caller wins over the extension.
  const std::string csa = ProcessTempPath("record.txt");
  auto source = PlainGame(3);
  SjisString text;
  StringOutStream out(text, false);
  source->WriteCsa(out);
  WriteBytes(csa, text.Text());
  KifuFileType type = KIFU_FILE_CSA;
  ASSERT_TRUE(game.Load(csa.c_str(), &type, false));
  EXPECT_EQ(MainLine(*game.record), MainLine(*source));
  EXPECT_STREQ(game.title.Text(), csa.c_str());
  std::remove(csa.c_str());
}

TEST(RecordFiles, PasteTakesTheFirstReaderThatAccepts) {
  auto source = PlainGame(11);
  GameRecord holder;
  Hold(holder, std::make_unique<Kifu>(*source));
  struct Format {
    int code;
    int (*read)(Kifu&, InStream&);
  } formats[] = {{KIFU_FILE_KIF, [](Kifu& k, InStream& in) { return k.ReadKif(in, 0); }},
                 {KIFU_FILE_RVQ, [](Kifu& k, InStream& in) { return k.ReadRvq(in, false); }},
                 {KIFU_FILE_CSA, [](Kifu& k, InStream& in) { return k.ReadCsa(in, 0, 1); }},
                 {KIFU_FILE_KI2, [](Kifu& k, InStream& in) { return k.ReadKi2(in, false); }}};
  for (const Format& format : formats) {
    SjisString text;
    ASSERT_TRUE(holder.WriteToString(text, format.code, false));
    GameRecord pasted;
    pasted.modified = 1;
    ASSERT_TRUE(pasted.LoadFromText(text)) << format.code;
    Kifu direct;
    MemoryInStream in(text.Text());
    ASSERT_EQ(format.read(direct, in), 0);
    EXPECT_EQ(CompareKifu(direct, *pasted.record), "") << format.code;
    EXPECT_TRUE(pasted.title.IsEmpty() && pasted.modified == 0 && pasted.currentNode == pasted.record->Root());
  }
  // Japanese-notation text: no KIF move table, so the second reader.
  SjisString japanese;
  japanese.Assign("手合割：平手\n\n先手持駒：なし\n後手持駒：なし\n\n▲７六歩\n△３四歩\n");
  GameRecord pasted;
  ASSERT_TRUE(pasted.LoadFromText(japanese));
  EXPECT_EQ(pasted.record->LineLength(), 2);

  // Format 5 and other codes write KI2, with or without positionOnly.
  SjisString ki2, five, fivePosition;
  holder.WriteToString(ki2, KIFU_FILE_KI2, false);
  holder.WriteToString(five, 5, false);
  holder.WriteToString(fivePosition, 5, true);
  EXPECT_STREQ(five.Text(), ki2.Text());
  EXPECT_STREQ(fivePosition.Text(), ki2.Text());
  EXPECT_NE(std::string(ki2.Text()).find("\r\n"), std::string::npos);
}

// Random bytes and words of no format (no "：" either: a KI2 or KIF header
// line is any key and value around one) never pass for a record; texts mixed
// with format tokens may, and then must be sound.
TEST(RecordFiles, RandomPastesFailAndChangeNothing) {
  std::mt19937 random(7);
  const char* const plain[] = {"hello", "7", "<", ">", "\n", " ", "--", "$", "#", "[", "]", "手合", "歩", "\r\n"};
  const char* const tokens[] = {"FU", "<ban>", "+7776FU", "▲", "７六歩", "手合割", "PI", "N+", "<teban>"};
  for (int round = 0; round < 1000; ++round) {
    const bool mixed = round % 2 == 1;
    std::string text;
    for (int count = static_cast<int>(random() % 30); count > 0; --count) {
      if (random() % 3 == 0) {
        text += static_cast<char>(1 + random() % 255);
      } else {
        text += mixed && random() % 2 ? tokens[random() % std::size(tokens)] : plain[random() % std::size(plain)];
      }
    }
    SjisString pasted;
    pasted.Assign(text.c_str());
    GameRecord game;
    KifuPlayLine(*game.record, game.record->StartNode(), {{7, 7, 7, 6}, {3, 3, 3, 4}});
    game.modified = 1;
    const std::string before = DescribeKifuGraph(*game.record);
    if (game.LoadFromText(pasted)) {
      ASSERT_TRUE(mixed) << text;
      ExpectKifuGraphValid(*game.record);
      continue;
    }
    ASSERT_EQ(DescribeKifuGraph(*game.record), before) << text;
    ASSERT_EQ(game.modified, 1);
  }
}

TEST(RecordFiles, FailedSavesKeepTheOldFile) {
  const std::string folder = ProcessTempPath("saves");
  ::mkdir(folder.c_str(), 0777);
  const std::string target = folder + "/game.kif";
  const std::string old = "old contents\r\n";
  GameRecord game;
  Hold(game, PlainGame(21));
  auto refused = [&](const std::string& path, KifuFileType type) {
    WriteBytes(target, old);
    EXPECT_FALSE(game.Save(path.c_str(), &type)) << path;
    EXPECT_FALSE(game.SavePosition(path.c_str(), &type)) << path;
    EXPECT_EQ(FileBytes(target), old) << path;
  };
  for (const char* ext : {".krs", ".rvf", ".txt"}) {
    const std::string path = folder + "/game" + ext;
    WriteBytes(path, old);
    refused(path, KIFU_FILE_DETECT);
    EXPECT_EQ(FileBytes(path), old);
    std::remove(path.c_str());
  }
  refused(target, KIFU_FILE_OLD_NATIVE);
  refused(folder + "/missing/game.kif", KIFU_FILE_DETECT);
  refused(target + "/inside.kif", KIFU_FILE_DETECT);  // the folder is a file
  ::mkdir((folder + "/dir.csa").c_str(), 0777);
  refused(folder + "/dir.csa", KIFU_FILE_DETECT);     // the target is a folder
  // A device that fills up: writes fail, as they do on a full disk.
  FileOutStream full;
  ASSERT_EQ(full.Open("/dev/full"), 0);
  game.record->WriteKif(full);
  EXPECT_NE(full.Close(), 0);
  // A file-size limit holds even for root: the rewrite fails part-way.
  struct rlimit saved;
  ::getrlimit(RLIMIT_FSIZE, &saved);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = 64;
  ::setrlimit(RLIMIT_FSIZE, &small);
  for (const KifuFileType type : {KIFU_FILE_KIF, KIFU_FILE_KI2, KIFU_FILE_CSA, KIFU_FILE_RVQ, KIFU_FILE_CKF}) {
    refused(target, type);
  }
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);
  // Nothing of the failed saves is left behind.
  for (const std::string& left : FilesWithExtension(folder, "")) EXPECT_EQ(left.find(".tmp"), std::string::npos);
  game.modified = 1;
  KifuFileType type = KIFU_FILE_DETECT;
  ASSERT_TRUE(game.SavePosition(target.c_str(), &type));
  EXPECT_EQ(game.modified, 1);
  ASSERT_TRUE(game.Save(target.c_str(), &type));
  EXPECT_EQ(game.modified, 0);
  EXPECT_STREQ(game.title.Text(), target.c_str());
  std::remove(target.c_str());
  ::rmdir((folder + "/dir.csa").c_str());
  ::rmdir(folder.c_str());
}

TEST(RecordFiles, OneGameThroughEveryFormat) {
  const std::string path = ProcessTempPath("every");
  for (uint32_t seed = 1; seed <= 12; ++seed) {
    GameRecord game;
    Hold(game, PlainGame(seed));
    for (const char* ext : {".kif", ".ki2", ".csa", ".rvq", ".ckf"}) {
      KifuFileType type = KIFU_FILE_DETECT;
      ASSERT_TRUE(game.Save((path + ext).c_str(), &type)) << ext;
      GameRecord read;
      type = KIFU_FILE_DETECT;
      ASSERT_TRUE(read.Load((path + ext).c_str(), &type, false)) << ext;
      EXPECT_TRUE(read.record->StartNode()->position == game.record->StartNode()->position) << seed << ext;
      if (std::string(ext) == ".rvq") continue;  // RVQ keeps the position only
      EXPECT_EQ(MainLine(*read.record), MainLine(*game.record)) << seed << ext;
      std::remove((path + ext).c_str());
    }
  }
}

TEST(RecordFiles, MergesAndClearedComments) {
  GameRecord game;
  KifuPlayLine(*game.record, game.record->StartNode(), {{7, 7, 7, 6}, {3, 3, 3, 4}, {2, 7, 2, 6}});
  // The other order of the same moves reaches the same position: a merge.
  KifuPlayLine(*game.record, game.record->StartNode(), {{2, 7, 2, 6}, {3, 3, 3, 4}, {7, 7, 7, 6}});
  for (KifuMoveNode* node = game.record->NextNode(nullptr); node; node = game.record->NextNode(node)) {
    node->comment.Assign("c");
    for (int i = 0; node->reachedNode && i < node->reachedNode->outgoing.Count(); ++i)
      node->reachedNode->outgoing.At(i)->comment.Assign("c");
  }
  game.ClearComments();
  int moves = 0;
  for (KifuMoveNode* node = game.record->NextNode(nullptr); node; node = game.record->NextNode(node)) {
    EXPECT_TRUE(node->comment.IsEmpty());
    for (int i = 0; node->reachedNode && i < node->reachedNode->outgoing.Count(); ++i, ++moves)
      EXPECT_TRUE(node->reachedNode->outgoing.At(i)->comment.IsEmpty());
  }
  EXPECT_EQ(moves, 6);

  // A merge whose start the record does not hold fails and changes nothing.
  const std::string path = ProcessTempPath("merge.kif");
  GameRecord handicap;
  handicap.record->Reset(HANDICAP_ROOK_82);
  KifuFileType type = KIFU_FILE_DETECT;
  ASSERT_TRUE(handicap.Save(path.c_str(), &type));
  const std::string before = DescribeKifuGraph(*game.record);
  EXPECT_FALSE(game.Load(path.c_str(), &type, true));
  EXPECT_EQ(DescribeKifuGraph(*game.record), before);
  std::remove(path.c_str());
}

}  // namespace
