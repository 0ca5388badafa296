// Loading, saving and pasting records by type: the extension rule, one game
// through every format by file and by paste, random pastes, saves that fail
// and keep the old file byte for byte, and saves that close their files.
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <tuple>

#include <gtest/gtest.h>

#include "records/game_record.h"
#include "records/record_files.h"
#include "records/record_stream.h"
#include "support/kifu_builder.h"
#include "support/kifu_graph_checks.h"
#include "support/random_record.h"
#include "support/test_files.h"

namespace {

// A holder of a random game that every format carries whole: one line,
// first continuations selected.
void HoldPlainGame(GameRecord& game, uint32_t seed) {
  RandomRecordOptions options;
  options.transpositions = options.comments = options.analysis = options.specialMoves = false;
  options.maxBranches = 0;
  delete game.record;
  game.record = BuildRandomRecord(seed, options).release();
  game.record->SelectFirstMoves();
  game.currentNode = game.record->Root();
  *game.currentPosition = game.record->StartNode()->position;
}

std::vector<KifuMove> MainLine(const Kifu& kifu) {
  std::vector<KifuMove> line;
  for (const KifuPositionNode* at = kifu.StartNode(); at->outgoing.Count() > 0; at = at->outgoing.At(0)->reachedNode)
    line.push_back(at->outgoing.At(0)->move);
  return line;
}

// Saved and loaded by extension (.txt as CSA because the caller says so),
// and pasted as the clipboard copies it: the paste's reader gives what the
// file's reader gives; starts are equal, lines too where moves are kept.
TEST(RecordFiles, OneGameThroughEveryFormat) {
  const std::pair<const char*, KifuFileType> cases[] = {
      {"Game.KIF", KIFU_FILE_KIF}, {"a.b.csa", KIFU_FILE_CSA}, {"x.Bkf", KIFU_FILE_KIF}, {"x.ki2", KIFU_FILE_KI2},
      {"x.krs", KIFU_FILE_OLD_NATIVE}, {"x.RVQ", KIFU_FILE_RVQ}, {"x.ckf", KIFU_FILE_CKF},
      {"x.rvf", KIFU_FILE_JAPANESE_TEXT}, {"x.txt", 0}, {"game.kifu", -1}, {"no_dot", -1}, {"dir.kif/x", -1}};
  for (const auto& [path, type] : cases) EXPECT_EQ(KifuFileTypeOfPath(path), type) << path;
  const std::string path = ProcessTempPath("every");
  for (uint32_t seed = 1; seed <= 12; ++seed) {
    GameRecord game;
    HoldPlainGame(game, seed);
    for (const std::string ext : {".kif", ".ki2", ".csa", ".rvq", ".ckf", ".txt", "", ".kifu"}) {
      KifuFileType type = ext == ".txt" ? KIFU_FILE_CSA : KIFU_FILE_DETECT, readType = type;
      const bool known = ext.size() == 4;  // no dot or a five-byte extension: nothing is touched
      GameRecord read, pasted;
      ASSERT_EQ(game.Save((path + ext).c_str(), &type), known) << ext;
      ASSERT_EQ(read.Load((path + ext).c_str(), &readType, false), known) << ext;
      if (!known) {
        EXPECT_NE(::access((path + ext).c_str(), F_OK), 0) << ext;  // nothing was created
        continue;
      }
      std::remove((path + ext).c_str());
      EXPECT_TRUE(read.record->StartNode()->position == game.record->StartNode()->position) << seed << ext;
      EXPECT_STREQ(read.title.Text(), (path + ext).c_str());
      if (type != KIFU_FILE_RVQ) {
        EXPECT_EQ(MainLine(*read.record), MainLine(*game.record)) << seed << ext;
      }
      if (ext == ".txt" || ext == ".ckf") continue;
      SjisString text;
      ASSERT_TRUE(game.WriteToString(text, type, false));
      pasted.modified = 1;
      ASSERT_TRUE(pasted.LoadFromText(text)) << ext;
      EXPECT_EQ(CompareKifu(*read.record, *pasted.record), "") << ext;
      EXPECT_TRUE(pasted.title.IsEmpty() && pasted.modified == 0 && pasted.currentNode == pasted.record->Root());
    }
  }
  // Japanese-notation text has no KIF move table: the second reader takes it.
  SjisString japanese;
  japanese.Assign("手合割：平手\n\n先手持駒：なし\n後手持駒：なし\n\n▲７六歩\n△３四歩\n");
  GameRecord pasted;
  ASSERT_TRUE(pasted.LoadFromText(japanese));
  EXPECT_EQ(pasted.record->LineLength(), 2);
}

// Random bytes and words of no format (no "：" either: a KI2 or KIF header
// line is any key and value around one) never pass for a record.
TEST(RecordFiles, RandomPastesFailAndChangeNothing) {
  std::mt19937 random(7);
  const char* const words[] = {"hello", "7", "<", ">", "\n", " ", "--", "$", "#", "[", "]", "手合", "歩", "\r\n"};
  GameRecord game;
  KifuPlayLine(*game.record, game.record->StartNode(), {{7, 7, 7, 6}, {3, 3, 3, 4}});
  game.modified = 1;
  const std::string before = DescribeKifuGraph(*game.record);
  for (int round = 0; round < 1000; ++round) {
    std::string text;
    for (int count = static_cast<int>(random() % 30); count > 0; --count) {
      text += random() % 3 == 0 ? std::string(1, static_cast<char>(1 + random() % 255)) : words[random() % 14];
    }
    SjisString pasted;
    pasted.Assign(text.c_str());
    ASSERT_FALSE(game.LoadFromText(pasted)) << text;
    ASSERT_TRUE(DescribeKifuGraph(*game.record) == before && game.modified == 1) << text;
  }
}

TEST(RecordFiles, FailedSavesKeepTheOldFile) {
  const std::string folder = ProcessTempPath("saves"), target = folder + "/game.kif", old = "old\r\n";
  ::mkdir(folder.c_str(), 0777);
  ::mkdir((folder + "/dir.csa").c_str(), 0777);
  GameRecord game;
  HoldPlainGame(game, 21);
  auto refused = [&](const std::string& path, KifuFileType type) {
    std::ofstream(path == target + "/inside.kif" ? target : path, std::ios::binary) << old;
    EXPECT_FALSE(game.Save(path.c_str(), &type)) << path;
    EXPECT_FALSE(game.SavePosition(path.c_str(), &type)) << path;
    EXPECT_EQ(FileBytes(path == target + "/inside.kif" ? target : path), old) << path;
  };
  for (const char* name : {"/game.krs", "/game.rvf", "/game.txt", "/no_dot"}) refused(folder + name, KIFU_FILE_DETECT);
  refused(target, KIFU_FILE_OLD_NATIVE);
  refused(target + "/inside.kif", KIFU_FILE_DETECT);  // the folder is a file
  EXPECT_FALSE(game.Save((folder + "/missing/game.kif").c_str(), nullptr));
  EXPECT_FALSE(game.Save((folder + "/dir.csa").c_str(), nullptr));  // the target is a folder
  // A device that fills up: writes fail, as they do on a full disk.
  FileOutStream full;
  ASSERT_EQ(full.Open("/dev/full"), 0);
  game.record->WriteKif(full);
  EXPECT_NE(full.Close(), 0);
  // A file-size limit holds even for root: every format's rewrite fails
  // part-way, and nothing of it is left behind.
  rlimit saved, small;
  ::getrlimit(RLIMIT_FSIZE, &saved);
  small = saved;
  small.rlim_cur = 64;
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  ::setrlimit(RLIMIT_FSIZE, &small);
  for (const KifuFileType type : {KIFU_FILE_KIF, KIFU_FILE_KI2, KIFU_FILE_CSA, KIFU_FILE_RVQ, KIFU_FILE_CKF}) {
    refused(target, type);
  }
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);
  for (const std::string& left : FilesWithExtension(folder, "")) EXPECT_EQ(left.find(".tmp"), std::string::npos);
  game.modified = 1;
  ASSERT_TRUE(game.SavePosition(target.c_str(), nullptr));
  EXPECT_EQ(game.modified, 1);
  ASSERT_TRUE(game.Save(target.c_str(), nullptr));
  EXPECT_TRUE(game.modified == 0 && target == game.title.Text());
  for (const char* name : {"/game.krs", "/game.rvf", "/game.txt", "/no_dot", "/game.kif"}) std::remove((folder + name).c_str());
  ::rmdir((folder + "/dir.csa").c_str());
  ::rmdir(folder.c_str());
}

// A damaged armoured KIF file holds what the KIF reader read, and the
// report names the first fault in the file, the reader's or the armour's;
// a file cut at a line end lacks the line the writer ends with.
TEST(RecordFiles, DamagedArmouredKifNamesItsFirstFault) {
  const std::vector<std::string> kif = {"手合割：平手",   "手数----指手---------消費時間--", "   1 ７六歩(77)",
                                        "   2 ３四歩(33)", "   3 ２六歩(27)",                 "#--separator--"};
  // The text with lines (1-based) changed; an empty one is dropped.
  const auto text = [&kif](std::vector<std::pair<size_t, std::string>> changes) {
    std::vector<std::string> lines = kif;
    for (const auto& [line, changed] : changes) lines[line - 1] = changed;
    std::string joined;
    for (const std::string& line : lines) joined += line.empty() ? "" : line + "\n";
    return joined;
  };
  const struct {
    std::string text;
    int blankAt;  // a blank put in as this character of the file (0: none)
    int result, at;  // at: the line (or character) named, 0 for none
    size_t moves;
    bool damaged;
  } cases[] = {
      {text({}), 0, 0, 0, 3, false},
      {text({}), 9, 0, 9, 3, true},
      {text({{5, ""}, {6, ""}}), 0, 0, 4, 2, true},
      {text({{4, kif[3] + "\x07"}}), 0, 0, 4, 3, true},
      {text({{3, "   1 ７五歩(77)"}, {5, kif[4] + "\x07"}}), 0, 0, 3, 0, false},
      {text({{4, kif[3] + "\xA0"}, {5, "   3 ２五歩(27)"}}), 0, 0, 4, 2, true},
      {text({{4, "   4 ３四歩(33)"}, {5, kif[4] + "\x07"}}), 0, 0, 4, 1, false},
      {text({{1, kif[0] + "\x80"}}), 0, -1, 1, 0, true},
      // Refused at the moves line for its start, before the damage.
      {text({{1, kif[0] + "\n後手の持駒：歩"}, {4, kif[3] + "\x07"}}), 0, -1, 0, 0, false},
  };
  const std::string path = ProcessTempPath("damaged.ckf");
  for (const auto& c : cases) {
    ArmouredFileOutStream out;
    ASSERT_EQ(out.Open(path.c_str()), 0);
    out.WriteString(c.text.c_str());
    out.Close();
    std::string armour = FileBytes(path);
    if (c.blankAt > 0) armour.insert(static_cast<size_t>(c.blankAt - 1), 1, ' ');
    ASSERT_TRUE(WriteFileBytes(path, armour));
    Kifu read;
    ReadReport report;
    ASSERT_EQ(ReadKifuFile(path.c_str(), KIFU_FILE_CKF, read, false, &report), c.result) << c.text;
    EXPECT_EQ(std::make_tuple(report.at, report.Stopped(), report.damaged), std::make_tuple(c.at, c.at > 0, c.damaged))
        << c.text << report.reason;
    EXPECT_EQ(report.unit, c.blankAt > 0 ? ReadUnit::Character : ReadUnit::Line) << c.text;
    EXPECT_EQ(MainLine(read).size(), c.moves) << c.text;
  }
  std::remove(path.c_str());
}

}  // namespace

// The clipboard's copy of the current position alone, in every format; and
// saves and loads by the dozen that leave no file open behind them.
TEST(RecordFiles, PositionCopiesAndSavesThatCloseTheirFiles) {
  GameRecord game;
  const KifuMoveNode* last =
      KifuPlayLine(*game.record, game.record->StartNode(), {{7, 7, 7, 6}, {3, 3, 3, 4}, {8, 8, 2, 2}});
  *game.currentPosition = last->reachedNode->position;
  for (const KifuFileType type : {KIFU_FILE_KIF, KIFU_FILE_KI2, KIFU_FILE_CSA, KIFU_FILE_RVQ}) {
    SjisString text;
    ASSERT_TRUE(game.WriteToString(text, type, true));
    GameRecord pasted;
    ASSERT_TRUE(pasted.LoadFromText(text)) << text.Text();
    EXPECT_TRUE(pasted.record->StartNode()->position == *game.currentPosition) << text.Text();
    EXPECT_EQ(pasted.record->LineLength(), 0) << text.Text();
  }
  const auto openFiles = [] { return FilesWithExtension("/proc/self/fd", "").size(); };
  const size_t openBefore = openFiles();
  ASSERT_GT(openBefore, 2u);
  const std::string path = ProcessTempPath("descriptors");
  for (int round = 0; round < 10; ++round) {
    for (const std::string ext : {".kif", ".ki2", ".csa", ".rvq", ".ckf"}) {
      GameRecord read;
      ASSERT_TRUE(game.Save((path + ext).c_str(), nullptr) && game.SavePosition((path + ext).c_str(), nullptr));
      ASSERT_TRUE(read.Load((path + ext).c_str(), nullptr, false)) << ext;
      EXPECT_FALSE(game.Save((path + "/missing" + ext).c_str(), nullptr));
    }
  }
  EXPECT_EQ(openFiles(), openBefore);
  for (const char* ext : {".kif", ".ki2", ".csa", ".rvq", ".ckf"}) std::remove((path + ext).c_str());
}
