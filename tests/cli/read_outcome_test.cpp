// What kifu says about its input: a refused file in one line (exit 1), a
// read that stopped early still shown or written (exit 3), and pasted UTF-8
// read as the file it came from.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/kifu_run.h"
#include "support/test_files.h"
#include "support/test_paths.h"

namespace {

// A literal as the terminal shows it (the other literals are Shift-JIS).
std::string Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

// What `kifu show` prints (UTF-8) pasted back gives the record the file gives.
TEST(ReadOutcome, ShownRecordPastedBackConvertsAsTheFile) {
  const std::string direct = ProcessTempPath("direct.kif"), pasted = ProcessTempPath("pasted.kif");
  int compared = 0;
  for (const char* format : {".kif", ".ki2"}) {
    const std::vector<std::string> files = FilesWithExtension(CorpusDir(), format);
    ASSERT_GE(files.size(), 40u);
    for (size_t index = 0; index < files.size(); index += 8) {
      const std::string& file = files[index];
      ASSERT_EQ(RunKifu("$K convert '" + file + "' '" + direct + "'").status, 0) << file;
      const KifuRun piped = RunKifu("$K show '" + file + "' | $K convert - '" + pasted + "'");
      ASSERT_EQ(piped.status, 0) << file << piped.err;
      EXPECT_EQ(FileBytes(pasted), FileBytes(direct)) << file;
      ++compared;
    }
  }
  EXPECT_GE(compared, 10);
  std::remove(direct.c_str());
  std::remove(pasted.c_str());
}

TEST(ReadOutcome, StoppedReadIsShownAndSaysWhere) {
  const std::string path = ProcessTempPath("stopped.kif");
  ASSERT_TRUE(WriteFileBytes(path, "手合割：平手\n手数----指手--\n   1 ７六歩(77)\n   2 同　飛(29)\n   3 ２六歩(27)\n"));
  for (const std::string command : {"show", "convert", "moves", "eval"}) {
    const KifuRun result = RunKifu("$K " + command + " '" + path + "'" + (command == "convert" ? " -" : ""));
    EXPECT_EQ(result.status, 3) << command << result.err;
    EXPECT_EQ(result.err, "kifu: " + path +
                              Utf8(u8":4: stopped reading at '   2 同　飛(29)': no such piece on 2九; the moves after "
                                   u8"it are not in the record\n"))
        << command;
    EXPECT_FALSE(result.out.empty()) << command;
  }
  std::remove(path.c_str());
}

// Lines passed over: the first named with its reason and the others
// counted; a stop after them is said too. The record is still shown (exit 3).
TEST(ReadOutcome, SkippedLinesAreNamedAndCounted) {
  const std::string path = ProcessTempPath("skipped.kif");
  const std::string start = "手合割：平手\n手数----指手--\n   1 ７六歩(77)\n   2 ３四歩(33)\n   4 ８四歩(83)\n";
  const struct {
    std::string rest;
    const char8_t* tail;
  } cases[] = {
      {"", u8"; it is not in the record\n"},
      {"   3 ２六歩(27)\n   5 ２五歩(26)\n   6 ８五歩(84)\n", u8" (and 2 more lines); they are not in the record\n"},
      {"   5 ２五歩(26)\n   3 ７六歩(77)\n",
       u8" (and 1 more line); they are not in the record, and reading stopped before the end\n"},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(WriteFileBytes(path, start + c.rest));
    const KifuRun result = RunKifu("$K show '" + path + "'");
    EXPECT_EQ(result.status, 3) << result.err;
    EXPECT_EQ(result.err, "kifu: " + path + Utf8(u8":5: skipped '   4 ８四歩(83)': move 4 where 3 was expected") +
                              Utf8(c.tail));
    EXPECT_FALSE(result.out.empty());
  }
  std::remove(path.c_str());
}

// An armoured file cut short reads what it holds, says where the text
// breaks off (exit 3), and is not replaced by its own shorter game.
TEST(ReadOutcome, CutArmouredFileIsNamedAndNotReplaced) {
  const std::string sample = std::string(TestDataDir()) + "/../../samples/opening";
  const std::string cut = ProcessTempPath("cut.ckf"), armour = FileBytes(sample + ".ckf").substr(0, 1000);
  ASSERT_TRUE(WriteFileBytes(cut, armour));
  // 1,000 characters hold 750 bytes of the KIF text, which is the .kif's
  // with LF line ends: the text breaks off in the line after their last LF.
  std::string text = FileBytes(sample + ".kif");
  std::erase(text, '\r');
  const std::string line = std::to_string(std::count(text.begin(), text.begin() + 750, '\n') + 1);
  const KifuRun shown = RunKifu("$K show '" + cut + "'");
  EXPECT_EQ(shown.status, 3);
  EXPECT_EQ(shown.err, "kifu: " + cut + ":" + line +
                           ": the text ends inside this line: the file was cut short; from there on the record may "
                           "lack or change what was written\n");
  EXPECT_FALSE(shown.out.empty());
  const KifuRun converted = RunKifu("$K convert '" + cut + "' '" + cut + "'");
  EXPECT_EQ(converted.status, 3);
  EXPECT_EQ(converted.err.find(shown.err), 0u) << converted.err;
  EXPECT_EQ(FileBytes(cut), armour);
  std::remove(cut.c_str());
}

TEST(ReadOutcome, RefusedInputIsNamedInOneLine) {
  const std::string path = ProcessTempPath("refused.kif"), utf8 = ProcessTempPath("record.kifu");
  ASSERT_TRUE(WriteFileBytes(path, "手合割：平手\n後手の持駒：歩\n手数----指手--\n"));
  ASSERT_TRUE(WriteFileBytes(utf8, ""));
  for (const std::string command : {"show", "convert"}) {
    const KifuRun refused = RunKifu("$K " + command + " '" + path + "'" + (command == "convert" ? " -" : ""));
    EXPECT_EQ(refused.status, 1) << command;
    EXPECT_EQ(refused.err, "kifu: " + path + Utf8(u8": more 歩 than the 18 of a set: the start position is not valid\n"))
        << command;
    EXPECT_TRUE(refused.out.empty()) << command;
  }
  const KifuRun kifu = RunKifu("$K show '" + utf8 + "'");
  EXPECT_EQ(kifu.status, 1);
  EXPECT_NE(kifu.err.find("UTF-8 record"), std::string::npos);
  EXPECT_NE(kifu.err.find("kifu convert - '"), std::string::npos) << kifu.err;
  // A pasted character with no Shift-JIS form is named with its line.
  const KifuRun pasted = RunKifu(Utf8(u8"printf '手合割：平手\\n\\n\\342\\231\\245\\n' | $K convert - -"));
  EXPECT_EQ(pasted.status, 1);
  EXPECT_EQ(pasted.err.find("kifu: standard input:3:"), 0u) << pasted.err;
  std::remove(path.c_str());
  std::remove(utf8.c_str());
}

}  // namespace
