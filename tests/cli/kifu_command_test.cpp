// The built kifu command as a user runs it: help, usage errors with exit
// status 2 and a message on stderr, failures to read or write with exit
// status 1, perft counts on the last line, conversions read back by the
// library, moves and eval.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "cli/utf8_text.h"
#include "records/kifu.h"
#include "records/record_files.h"
#include "support/kifu_run.h"
#include "support/random_record.h"
#include "support/test_files.h"
#include "support/test_paths.h"

namespace {

std::string LastLine(std::string text) {
  while (!text.empty() && text.back() == '\n') text.pop_back();
  const size_t newline = text.rfind('\n');
  return newline == std::string::npos ? text : text.substr(newline + 1);
}

const std::string kInput = std::string(TestDataDir()) + "/kif/hand_checked.kif";
const std::string kQuotedInput = "'" + kInput + "'";

// The record in a file as the library reads it (the type by the
// extension); null when it is refused.
std::unique_ptr<Kifu> ReadRecord(const std::string& path) {
  auto kifu = std::make_unique<Kifu>();
  if (ReadKifuFile(path.c_str(), KifuFileTypeOfPath(path.c_str()), *kifu, false) != 0) return nullptr;
  return kifu;
}

// The output file holds the record the source file holds.
void ExpectSameRecord(const std::string& source, const std::string& output) {
  const std::unique_ptr<Kifu> expected = ReadRecord(source), read = ReadRecord(output);
  ASSERT_NE(expected, nullptr);
  ASSERT_NE(read, nullptr) << output;
  EXPECT_EQ(CompareKifu(*expected, *read), "");
}

std::vector<KifuMove> MainLine(const Kifu& kifu) {
  std::vector<KifuMove> moves;
  for (int ply = 1; ply <= kifu.LineLength(); ++ply) moves.push_back(kifu.MoveAtPly(ply)->move);
  return moves;
}

// The help names the exit statuses, and every command answers --help and
// -h with its own usage, wherever the flag stands, instead of taking it for
// a file name or a depth.
TEST(KifuCommand, HelpListsEveryCommandAndItsUsage) {
  const KifuRun help = RunKifu("$K --help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("perft [--rules]"), std::string::npos) << help.out;
  EXPECT_NE(help.out.find("3 done but the input was not read to its end"), std::string::npos) << help.out;
  const std::pair<std::string, std::string> calls[] = {
      {"perft", ""}, {"perft", "--rules 3"}, {"convert", ""}, {"convert", "a.kif"}, {"show", ""},
      {"show", "/nonexistent.kif"}, {"moves", ""}, {"moves", "a.kif --ply"}, {"eval", ""}, {"eval", "a.kif --ply x"}};
  for (const auto& [command, before] : calls) {
    const KifuRun longFlag = RunKifu("$K " + command + " " + before + " --help");
    EXPECT_EQ(longFlag.status, 0) << command << " " << before << ": " << longFlag.err;
    EXPECT_EQ(longFlag.out.rfind("usage: kifu " + command + " ", 0), 0u) << longFlag.out;
    EXPECT_TRUE(longFlag.err.empty()) << longFlag.err;
    const KifuRun shortFlag = RunKifu("$K " + command + " -h " + before);
    EXPECT_EQ(shortFlag.status, 0) << command << " -h " << before;
    EXPECT_EQ(shortFlag.out, longFlag.out);
    EXPECT_TRUE(shortFlag.err.empty()) << shortFlag.err;
  }
}

TEST(KifuCommand, UsageErrorsExitTwoWithAMessage) {
  const std::string calls[] = {"", "nosuchcommand", "perft", "perft 7", "perft --rules", "perft --rules 7", "perft --rules three",
        "perft --rules 2 3", "perft --rules 2 --handicap", "perft --rules 2 --handicap 0x1000", "perft --rules 2 --engine",
        "perft ''", "perft --rules 2 --handicap ''", "perft 2 --handicap 0x",
        "show", "convert " + kQuotedInput, "convert " + kQuotedInput + " out.txt", "convert " + kQuotedInput + " out.krs",
        "moves", "moves a.kif b.kif", "moves a.kif --ply", "moves a.kif --ply -1", "moves a.kif --seed x",
        "moves a.kif --ply 1 --ply 2", "moves a.kif --seed 1 --seed 1", "eval", "eval a.kif --seed 1",
        "signature"};  // test code now (build/bin/signature), no command
  for (const std::string& call : calls) {
    const KifuRun result = RunKifu("$K " + call);
    EXPECT_EQ(result.status, 2) << "kifu " << call;
    EXPECT_FALSE(result.err.empty()) << "kifu " << call;
    EXPECT_TRUE(result.out.empty()) << "kifu " << call << ": " << result.out;
  }
}

// Files that can't be read or written, a ply past the end and a position
// without both kings: exit 1 and a message naming the command; a failed
// conversion leaves no output file behind.
TEST(KifuCommand, FailuresExitOneWithAMessage) {
  const std::string garbage = ProcessTempPath("garbage.kif"), untouched = ProcessTempPath("untouched.kif");
  std::ofstream(garbage) << "not a record\n";
  const std::string kingless = std::string(TestDataDir()) + "/../../samples/mate_problem.kif";
  const std::pair<std::string, const char*> calls[] = {
      {"show /nonexistent.kif", "kifu: "}, {"show '" + garbage + "'", "kifu: "},
      {"convert " + kQuotedInput + " /nonexistent/dir/out.kif", "kifu: "},
      {"convert /nonexistent.kif '" + untouched + "'", "kifu: "},
      {"convert - '" + untouched + "' < /dev/null", "kifu: "}, {"moves /nonexistent.kif", "kifu: moves: "},
      {"moves '" + garbage + "'", "kifu: moves: "}, {"moves " + kQuotedInput + " --ply 11", "kifu: moves: "},
      {"moves '" + kingless + "'", "kifu: moves: "}, {"eval /nonexistent.kif", "kifu: eval: "},
      {"eval '" + garbage + "'", "kifu: eval: "}, {"eval " + kQuotedInput + " --ply 11", "kifu: eval: "},
      {"eval '" + kingless + "'", "kifu: eval: "}};
  for (const auto& [call, message] : calls) {
    const KifuRun failed = RunKifu("$K " + call);
    EXPECT_EQ(failed.status, 1) << call;
    EXPECT_EQ(failed.err.rfind(message, 0), 0u) << call << ": " << failed.err;
  }
  // Text whose lines end in CR alone, in every text format, whatever its first line.
  for (const auto& [name, text] : {std::pair{"cr.ki2", "開始日時：2020/01/01\r先手：甲\r▲７六歩\r"},
                                   {"cr.kif", "先手：甲\r手合割：平手\r手数----指手--\r1 ７六歩(77)\r"},
                                   {"cr.csa", "N+甲\rPI\r+\r+7776FU\r"},
                                   {"cr.rvf", "先手番\r\r| ・|\r"}, {"cr.rvq", "#=== RVQ\r<teban>sente</teban>"}}) {
    const std::string path = ProcessTempPath(name);
    ASSERT_TRUE(WriteFileBytes(path, text));
    const KifuRun failed = RunKifu("$K show '" + path + "'");
    std::remove(path.c_str());
    EXPECT_EQ(failed.status, 1) << name;
    EXPECT_EQ(failed.err.rfind("kifu: " + path + ": its lines end in CR alone", 0), 0u) << failed.err;
  }
  EXPECT_FALSE(std::ifstream(untouched).good()) << "a failed conversion wrote " << untouched;
  std::remove(garbage.c_str());
}

// Both trees, the rook handicap (side 1 moves first) with its flags in hex
// or decimal, before or after the depth. Both trees give the same counts,
// so the first line is what tells which one was counted.
TEST(KifuCommand, PerftCountsTheRecordRulesAndEngineTrees) {
  const std::tuple<const char*, const char*, const char*> calls[] = {
#ifdef KIFU_SANITIZED
      {"perft --rules 3", "perft --rules depth 3 handicap 0x0", "25470"},
#else
      {"perft --rules 4", "perft --rules depth 4 handicap 0x0", "719731"},
#endif
      {"perft --rules 3 --handicap 0x200", "perft --rules depth 3 handicap 0x200", "18570"},
      {"perft --handicap 512 --rules 3", "perft --rules depth 3 handicap 0x200", "18570"},
      {"perft 4", "perft depth 4 handicap 0x0", "719731"},
      {"perft 3 --handicap 0x200", "perft depth 3 handicap 0x200", "18570"}};
  for (const auto& [call, header, count] : calls) {
    const KifuRun result = RunKifu(std::string("$K ") + call);
    EXPECT_EQ(result.status, 0) << call << ": " << result.err;
    EXPECT_EQ(LastLine(result.out), count) << call;
    EXPECT_EQ(result.out, std::string(header) + "\n" + count + "\n") << call;
  }
}

// KIF to standard output gives the file's bytes; show prints the record in
// UTF-8.
TEST(KifuCommand, ConvertToStandardOutputKeepsKifBytesAndShowPrintsUtf8) {
  EXPECT_EQ(RunKifu("$K convert " + kQuotedInput + " -").out, FileBytes(kInput));
  const KifuRun shown = RunKifu("$K show " + kQuotedInput);
  EXPECT_EQ(shown.status, 0);
  // The output is UTF-8 while this file's narrow literals are Shift-JIS.
  const std::string recapture(reinterpret_cast<const char*>(u8"\n   9 同　飛(28)   ( 0:03/00:01:14)"));
  EXPECT_NE(shown.out.find(recapture), std::string::npos) << shown.out;
}

// Each format, written by the command and read back by the library, keeps
// what it carries: CSA the start and the main line, KI2 the selected line
// (one and the same line in a file just read; the variation is dropped),
// RVQ the start position alone.
TEST(KifuCommand, ConvertedFormatsReadBackAsTheRecord) {
  const std::unique_ptr<Kifu> original = ReadRecord(kInput);
  ASSERT_NE(original, nullptr);
  ASSERT_GT(original->Root()->reachedNode->outgoing.Count(), 1) << "the input should hold a variation";
  for (const char* extension : {".csa", ".ki2", ".rvq"}) {
    SCOPED_TRACE(extension);
    const std::string written = ProcessTempPath(std::string("converted") + extension);
    ASSERT_EQ(RunKifu("$K convert " + kQuotedInput + " '" + written + "'").status, 0);
    const std::unique_ptr<Kifu> read = ReadRecord(written);
    ASSERT_NE(read, nullptr);
    EXPECT_TRUE(read->StartNode()->position == original->StartNode()->position);
    if (std::strcmp(extension, ".rvq") == 0) {
      EXPECT_EQ(read->LineLength(), 0);
    } else {
      EXPECT_EQ(MainLine(*read), MainLine(*original));
      EXPECT_EQ(read->Table()->Count(), original->LineLength() + 1) << "only the selected line is kept";
    }
    std::remove(written.c_str());
  }
}

// A read that stopped early never replaces the file it came from, whatever
// the output calls it: exit 3, the file byte for byte as it was, and stderr
// says so. Another output is written as read, and a file read to its end
// is still converted in place.
TEST(KifuCommand, ConversionOntoAnInputReadInPartLeavesItAsItWas) {
  namespace fs = std::filesystem;
  const std::string stopped = "手合割：平手\n手数----指手--\n   1 ７六歩(77)\n   2 同　飛(29)\n   3 ２六歩(27)\n";
  const fs::path file = ProcessTempPath("in_place.kif"), folder = file.parent_path();
  const fs::path hardLink = ProcessTempPath("in_place_hard.kif"), symlink = ProcessTempPath("in_place_link.kif");
  const fs::path other = ProcessTempPath("in_place_other.kif");
  ASSERT_TRUE(WriteFileBytes(file, stopped));
  fs::remove(hardLink);
  fs::remove(symlink);
  fs::create_hard_link(file, hardLink);
  fs::create_symlink(file, symlink);
  const auto quoted = [](const fs::path& path) { return std::string(1, '\'').append(path.string()).append("'"); };
  const std::string calls[] = {
      quoted(file) + " " + quoted(file), quoted(file) + " " + quoted(folder / "." / file.filename()),
      quoted(file) + " " + quoted(folder / ".." / folder.filename() / file.filename()),
      quoted(file) + " " + quoted(hardLink), quoted(file) + " " + quoted(symlink), quoted(symlink) + " " + quoted(file),
      "- " + quoted(file) + " < " + quoted(file)};
  for (const std::string& call : calls) {
    const KifuRun run = RunKifu("$K convert " + call);
    EXPECT_EQ(run.status, 3) << call;
    EXPECT_NE(run.err.find("left as it was"), std::string::npos) << call << ": " << run.err;
    EXPECT_TRUE(FileBytes(file) == stopped) << call << " replaced the input";
  }
  fs::remove(other);
  EXPECT_EQ(RunKifu("$K convert " + quoted(file) + " " + quoted(other)).status, 3);
  const std::unique_ptr<Kifu> written = ReadRecord(other);
  ASSERT_NE(written, nullptr);
  EXPECT_EQ(written->LineLength(), 1) << "the move read";
  // An existing other file is no input: it is replaced.
  ASSERT_TRUE(WriteFileBytes(other, "stale"));
  EXPECT_EQ(RunKifu("$K convert " + quoted(file) + " " + quoted(other)).status, 3);
  EXPECT_NE(FileBytes(other).find("\r\n   1 ７六歩(77) "), std::string::npos) << FileBytes(other);
  // Read to its end (the move that stopped the read gone), the file is
  // rewritten in place as the writer ends lines.
  const std::string complete = "手合割：平手\n手数----指手--\n   1 ７六歩(77)\n";
  ASSERT_TRUE(WriteFileBytes(file, complete));
  EXPECT_EQ(RunKifu("$K convert " + quoted(symlink) + " " + quoted(file)).status, 0);
  EXPECT_NE(FileBytes(file).find("\r\n   1 ７六歩(77) "), std::string::npos) << FileBytes(file);
  for (const fs::path& path : {file, hardLink, symlink, other}) fs::remove(path);
}

// A UTF-8 record (a .kifu or .ki2u name, or a byte-order mark) is refused
// with a command that converts it. Run as printed, with the byte-order mark
// and with KI2 text, it writes the record the Shift-JIS file holds, and
// never onto the refused file.
TEST(KifuCommand, Utf8RefusalsHintACommandThatConverts) {
  struct Case {
    const char* source;
    const char* name;
    bool byteOrderMark;
  };
  for (const Case& row : {Case{"g0001.kif", "bom.kif", true}, Case{"g0002.ki2", "game.ki2u", false},
                          Case{"g0003.ki2", "bom.ki2u", true}, Case{"g0004.kif", "game.kifu", false}}) {
    SCOPED_TRACE(row.name);
    const std::string source = std::string(CorpusDir()) + "/" + row.source, utf8Path = ProcessTempPath(row.name);
    std::string utf8;
    ASSERT_TRUE(Cp932ToUtf8(FileBytes(source).c_str(), utf8));
    ASSERT_TRUE(WriteFileBytes(utf8Path, (row.byteOrderMark ? "\xEF\xBB\xBF" : "") + utf8));
    const KifuRun refused = RunKifu("$K show '" + utf8Path + "'");
    EXPECT_EQ(refused.status, 1);
    // "... for example: kifu convert - 'OUT' < 'IN'" to the end of the line
    const std::string lead = "kifu convert - '";
    const size_t at = refused.err.find(lead), outputEnd = refused.err.find("' < '", at);
    ASSERT_TRUE(at != std::string::npos && outputEnd != std::string::npos) << refused.err;
    const std::string hinted = refused.err.substr(at, refused.err.find('\n', at) - at);
    const std::string output = refused.err.substr(at + lead.size(), outputEnd - at - lead.size());
    EXPECT_NE(output, utf8Path);
    const KifuRun converted = RunKifu("$K" + hinted.substr(std::strlen("kifu")));
    EXPECT_EQ(converted.status, 0) << converted.err;
    ExpectSameRecord(source, output);
    std::remove(utf8Path.c_str());
    std::remove(output.c_str());
  }
  // Text that only looks like UTF-8 gets no conversion to try.
  const KifuRun broken = RunKifu("printf '\\357\\273\\277\\377' | $K show -");
  EXPECT_EQ(broken.status, 1);
  EXPECT_NE(broken.err.find("not valid UTF-8"), std::string::npos) << broken.err;
}

// A quote in a UTF-8 record's name: the hinted command still reads as
// typed and converts the record.
TEST(KifuCommand, Utf8HintQuotesAQuoteInTheName) {
  const std::string source = std::string(CorpusDir()) + "/g0004.kif", utf8Path = ProcessTempPath("it's.kifu");
  std::string utf8;
  ASSERT_TRUE(Cp932ToUtf8(FileBytes(source).c_str(), utf8));
  ASSERT_TRUE(WriteFileBytes(utf8Path, utf8));
  std::string quoted = "'";
  for (const char c : utf8Path) quoted += c == '\'' ? std::string("'\"'\"'") : std::string(1, c);
  const KifuRun refused = RunKifu("$K show " + quoted + "'");
  EXPECT_EQ(refused.status, 1);
  const size_t at = refused.err.find("kifu convert - ");
  ASSERT_NE(at, std::string::npos) << refused.err;
  const KifuRun converted = RunKifu("$K" + refused.err.substr(at + 4, refused.err.find('\n', at) - at - 4));
  EXPECT_EQ(converted.status, 0) << refused.err << converted.err;
  const std::string output = utf8Path.substr(0, utf8Path.size() - 5) + ".sjis.kif";
  ExpectSameRecord(source, output);
  std::remove(utf8Path.c_str());
  std::remove(output.c_str());
}

// Output that can't be written (a full device) fails with exit status 1
// and says so, for the record's bytes and for the text shown as UTF-8.
TEST(KifuCommand, WritingToAFullStandardOutputFails) {
  for (const std::string& call : {"convert " + kQuotedInput + " -", "show " + kQuotedInput}) {
    const KifuRun full = RunKifu("$K " + call + " > /dev/full");
    EXPECT_EQ(full.status, 1) << call;
    EXPECT_EQ(full.err.rfind("kifu: ", 0), 0u) << call << ": " << full.err;
    EXPECT_NE(full.err.find("writing to standard output failed"), std::string::npos) << call << ": " << full.err;
  }
}

// Bytes that are no CP932 character, in the middle or cut off at the end,
// each become U+FFFD and the conversion goes on after the first byte.
TEST(Utf8Text, UndecodableBytesBecomeReplacementCharacters) {
  const std::string mark = "\xEF\xBF\xBD";
  const std::pair<const char*, std::string> cases[] = {
      {"ab\x82", "ab" + mark},
      {"\x82\x20x", mark + " x"},
      {"\x81\x7F\x82\xA0", mark + "\x7F" + reinterpret_cast<const char*>(u8"あ")},
  };
  for (const auto& [cp932, expected] : cases) {
    std::string utf8;
    EXPECT_TRUE(Cp932ToUtf8(cp932, utf8)) << cp932;
    EXPECT_EQ(utf8, expected) << cp932;
  }
}

// kifu moves: two header lines, then one line per move of the position.
TEST(KifuCommand, MovesRanksThePositionsMoves) {
  const KifuRun even = RunKifu("$K moves " + kQuotedInput + " --ply 0 --seed 0x10");
  EXPECT_EQ(even.status, 0) << even.err;
  EXPECT_EQ(std::count(even.out.begin(), even.out.end(), '\n'), 2 + 30) << even.out;
  EXPECT_NE(even.out.find("\nstage: 0 "), std::string::npos) << even.out;
}

// kifu eval: every figure named, the root moves ranked by a value that is
// the sum of their two parts.
TEST(KifuCommand, EvalNamesEveryFigure) {
  const KifuRun result = RunKifu("$K eval " + kQuotedInput + " --ply 4");
  ASSERT_EQ(result.status, 0) << result.err;
  for (const char* name : {"position: ply 4, ", "\nstage: ", "\nfull evaluation", "\n  attack ", "\n  king defence ",
                           "\n  reserve ", "\n  material ", "\n  enemy-king term ", "\npattern term",
                           "\n  defence (tempo incl.) ", "\n  king attack ", "\n  shape ", "\nblended score (",
                           "\nquick evaluation: ", "\nroot moves by screening value ("}) {
    EXPECT_NE(result.out.find(name), std::string::npos) << name << "\n" << result.out;
  }
  std::istringstream lines(result.out.substr(result.out.find("\nroot moves by screening value (") + 1));
  std::string line;
  std::getline(lines, line);
  const int count = std::stoi(line.substr(line.find('(') + 1));
  int listed = 0, previous = 1 << 30;
  while (std::getline(lines, line)) {
    int rank = 0, value = 0, quick = 0, positional = 0;
    char notation[64];
    ASSERT_EQ(std::sscanf(line.c_str(), "%d %63s value %d quick %d positional %d", &rank, notation, &value, &quick,
                          &positional), 5) << line;
    EXPECT_EQ(value, quick + positional) << line;
    EXPECT_LE(value, previous) << line;
    previous = value;
    ++listed;
  }
  EXPECT_EQ(listed, count);
  EXPECT_GT(count, 20);
}

}  // namespace
