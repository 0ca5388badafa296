// What kifu says about its input: a refused file in one line (exit 1), a
// read that stopped early still shown or written (exit 3), and pasted UTF-8
// read as the file it came from.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "support/test_files.h"
#include "support/test_paths.h"

namespace {

struct Outcome {
  int status = -1;
  std::string out, err;
};

// Runs a shell line with kifu as $K; stdout and stderr collected.
Outcome RunShell(const std::string& line) {
  const std::string errPath = ProcessTempPath("read_outcome.err");
  const std::string command = "K='" + std::string(KifuBinary()) + "'; (" + line + ") 2>'" + errPath + "'";
  FILE* pipe = popen(command.c_str(), "r");
  Outcome result;
  char buffer[4096];
  for (size_t got; pipe != nullptr && (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) result.out.append(buffer, got);
  const int raw = pipe != nullptr ? pclose(pipe) : -1;
  result.status = raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  result.err = FileBytes(errPath);
  std::remove(errPath.c_str());
  return result;
}

// A literal as the terminal shows it (the other literals are Shift-JIS).
std::string Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

void Write(const std::string& path, const std::string& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

// What `kifu show` prints (UTF-8) pasted back gives the record the file gives.
TEST(ReadOutcome, ShownRecordPastedBackConvertsAsTheFile) {
  const std::string direct = ProcessTempPath("direct.kif"), pasted = ProcessTempPath("pasted.kif");
  int compared = 0;
  for (const char* format : {".kif", ".ki2"}) {
    const std::vector<std::string> files = FilesWithExtension(CorpusDir(), format);
    ASSERT_GE(files.size(), 40u);
    for (size_t index = 0; index < files.size(); index += 8) {
      const std::string& file = files[index];
      ASSERT_EQ(RunShell("$K convert '" + file + "' '" + direct + "'").status, 0) << file;
      const Outcome piped = RunShell("$K show '" + file + "' | $K convert - '" + pasted + "'");
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
  Write(path, "手合割：平手\n手数----指手--\n   1 ７六歩(77)\n   2 同　飛(29)\n   3 ２六歩(27)\n");
  for (const std::string command : {"show", "convert", "moves", "eval"}) {
    const Outcome result = RunShell("$K " + command + " '" + path + "'" + (command == "convert" ? " -" : ""));
    EXPECT_EQ(result.status, 3) << command << result.err;
    EXPECT_EQ(result.err, "kifu: " + path +
                              Utf8(u8":4: stopped reading at '   2 同　飛(29)': no such piece on 2九; the moves after "
                                   u8"it are not in the record\n"))
        << command;
    EXPECT_FALSE(result.out.empty()) << command;
  }
  std::remove(path.c_str());
}

TEST(ReadOutcome, RefusedInputIsNamedInOneLine) {
  const std::string path = ProcessTempPath("refused.kif"), utf8 = ProcessTempPath("record.kifu");
  Write(path, "手合割：平手\n後手の持駒：歩\n手数----指手--\n");
  Write(utf8, "");
  const Outcome refused = RunShell("$K show '" + path + "'");
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.err, "kifu: " + path + Utf8(u8": more 歩 than the 18 of a set: the start position is not valid\n"));
  const Outcome unknown = RunShell("$K convert '" + path + "' -");
  EXPECT_EQ(unknown.status, 1);
  const Outcome kifu = RunShell("$K show '" + utf8 + "'");
  EXPECT_EQ(kifu.status, 1);
  EXPECT_NE(kifu.err.find("UTF-8 record"), std::string::npos);
  EXPECT_NE(kifu.err.find("iconv -f UTF-8 -t CP932"), std::string::npos);
  // A pasted character with no Shift-JIS form is named with its line.
  const Outcome pasted = RunShell(Utf8(u8"printf '手合割：平手\\n\\n\\342\\231\\245\\n' | $K convert - -"));
  EXPECT_EQ(pasted.status, 1);
  EXPECT_EQ(pasted.err.find("kifu: standard input:3:"), 0u) << pasted.err;
  EXPECT_NE(RunShell("$K --help").out.find("3 done but the input was not read to its end"), std::string::npos);
  std::remove(path.c_str());
  std::remove(utf8.c_str());
}

}  // namespace
