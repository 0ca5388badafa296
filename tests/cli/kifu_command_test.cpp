// The built kifu command as a user runs it: help, usage errors with exit
// status 2 and a message on stderr, and perft counts on the last line.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "support/test_files.h"
#include "support/test_paths.h"

namespace {

struct CommandResult {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs kifu with the arguments (given as shell words) and collects its exit
// status and both outputs. CTest runs the cases as parallel processes, so
// the stderr file is per process.
CommandResult RunKifu(const std::string& arguments) {
  const std::string errPath = ::testing::TempDir() + "kifu_command_" + std::to_string(getpid()) + ".err";
  const std::string line = std::string("'") + KifuBinary() + "' " + arguments + " 2>'" + errPath + "'";
  FILE* pipe = popen(line.c_str(), "r");
  CommandResult result;
  char buffer[4096];
  for (size_t read; pipe != nullptr && (read = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    result.out.append(buffer, read);
  const int raw = pipe != nullptr ? pclose(pipe) : -1;
  result.status = raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  std::ifstream err(errPath, std::ios::binary);
  result.err.assign(std::istreambuf_iterator<char>(err), std::istreambuf_iterator<char>());
  std::remove(errPath.c_str());
  return result;
}

std::string LastLine(std::string text) {
  while (!text.empty() && text.back() == '\n') text.pop_back();
  const size_t newline = text.rfind('\n');
  return newline == std::string::npos ? text : text.substr(newline + 1);
}

TEST(KifuCommand, HelpListsPerftAndSucceeds) {
  const CommandResult result = RunKifu("--help");
  EXPECT_EQ(result.status, 0);
  EXPECT_NE(result.out.find("perft [--rules]"), std::string::npos) << result.out;
}

TEST(KifuCommand, UsageErrorsExitTwoWithAMessage) {
  for (const char* call : {"", "nosuchcommand", "perft", "perft 7", "perft --rules", "perft --rules 7", "perft --rules three",
                           "perft --rules 2 3", "perft --rules 2 --handicap", "perft --rules 2 --handicap 0x1000",
                           "perft --rules 2 --engine"}) {
    const CommandResult result = RunKifu(call);
    EXPECT_EQ(result.status, 2) << "kifu " << call;
    EXPECT_FALSE(result.err.empty()) << "kifu " << call;
    EXPECT_TRUE(result.out.empty()) << "kifu " << call << ": " << result.out;
  }
}

TEST(KifuCommand, PerftCountsTheRecordRulesTree) {
#ifdef KIFU_SANITIZED
  const CommandResult even = RunKifu("perft --rules 3");
  EXPECT_EQ(LastLine(even.out), "25470") << even.err;
#else
  const CommandResult even = RunKifu("perft --rules 4");
  EXPECT_EQ(LastLine(even.out), "719731") << even.err;
#endif
  EXPECT_EQ(even.status, 0);
  // The rook handicap, where side 1 moves first; flags in hex or decimal, before or after the depth.
  for (const char* call : {"perft --rules 3 --handicap 0x200", "perft --handicap 512 --rules 3"}) {
    const CommandResult handicap = RunKifu(call);
    EXPECT_EQ(handicap.status, 0) << call << ": " << handicap.err;
    EXPECT_EQ(LastLine(handicap.out), "18570") << call;
  }
}

// The engine's generator gives the record rules' counts, handicaps included.
TEST(KifuCommand, PerftCountsTheEngineTree) {
  for (const auto& [call, count] : {std::pair{"perft 4", "719731"}, std::pair{"perft 3 --handicap 0x200", "18570"}}) {
    const CommandResult result = RunKifu(call);
    EXPECT_EQ(result.status, 0) << call << ": " << result.err;
    EXPECT_EQ(LastLine(result.out), count) << call;
  }
}

// convert writes what it read (KIF to armoured and back gives the same
// bytes); show prints the record in UTF-8; both fail clearly on bad files.
TEST(KifuCommand, ConvertAndShowRecordFiles) {
  const std::string input = std::string(TestDataDir()) + "/kif/hand_checked.kif";
  const std::string armoured = ::testing::TempDir() + "command_" + std::to_string(getpid()) + ".ckf";
  const std::string plain = ::testing::TempDir() + "command_" + std::to_string(getpid()) + ".KIF";
  EXPECT_EQ(RunKifu("convert '" + input + "' '" + armoured + "'").status, 0);
  const CommandResult back = RunKifu("convert '" + armoured + "' '" + plain + "'");
  EXPECT_EQ(back.status, 0) << back.err;
  std::ifstream original(input, std::ios::binary), converted(plain, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(original), {}),
            std::string(std::istreambuf_iterator<char>(converted), {}));
  const CommandResult shown = RunKifu("show '" + armoured + "'");
  EXPECT_EQ(shown.status, 0);
  // The output is UTF-8 while this file's narrow literals are Shift-JIS.
  const std::string recapture(reinterpret_cast<const char*>(u8"\n   9 同　飛(28)   ( 0:03/00:01:14)"));
  EXPECT_NE(shown.out.find(recapture), std::string::npos);

  const std::string garbage = ::testing::TempDir() + "command_" + std::to_string(getpid()) + "_garbage.kif";
  std::ofstream(garbage) << "not a record\n";
  for (const std::string& call : {std::string("show /nonexistent.kif"), "show '" + garbage + "'",
                                  "convert '" + input + "' /nonexistent/dir/out.kif",
                                  "convert /nonexistent.kif '" + plain + "'"}) {
    const CommandResult failed = RunKifu(call);
    EXPECT_EQ(failed.status, 1) << call;
    EXPECT_NE(failed.err.find("kifu: "), std::string::npos) << call;
  }
  for (const std::string& call : {std::string("show"), "convert '" + input + "'", "convert '" + input + "' out.txt"}) {
    EXPECT_EQ(RunKifu(call).status, 2) << call;
  }
  for (const std::string& path : {armoured, plain, garbage}) std::remove(path.c_str());
}

// "-" reads pasted text from standard input and writes KIF to standard
// output; every format goes through the same dispatch; formats without a
// writer are refused before anything is written.
TEST(KifuCommand, ConvertThroughStandardStreamsAndEveryFormat) {
  const std::string input = std::string(TestDataDir()) + "/kif/hand_checked.kif";
  const std::string base = ::testing::TempDir() + "dispatch_" + std::to_string(getpid());
  const CommandResult direct = RunKifu("convert '" + input + "' -");
  ASSERT_EQ(direct.status, 0) << direct.err;
  std::ifstream original(input, std::ios::binary);
  EXPECT_EQ(direct.out, std::string(std::istreambuf_iterator<char>(original), {}));
  for (const char* ext : {".csa", ".ki2", ".rvq"}) {
    ASSERT_EQ(RunKifu("convert '" + input + "' '" + base + ext + "'").status, 0) << ext;
    const CommandResult piped = RunKifu("convert - '" + base + ".kif' < '" + base + ext + "'");
    EXPECT_EQ(piped.status, 0) << ext << piped.err;
    EXPECT_EQ(RunKifu("show '" + base + ".kif'").status, 0) << ext;
    std::remove((base + ext).c_str());
  }
  EXPECT_EQ(RunKifu("convert '" + input + "' '" + base + ".krs'").status, 2);
  const CommandResult garbage = RunKifu("convert - '" + base + ".kif' < /dev/null");
  EXPECT_EQ(garbage.status, 1);
  EXPECT_NE(garbage.err.find("kifu: "), std::string::npos);
  std::remove((base + ".kif").c_str());
}

}  // namespace

namespace {

// kifu moves: two header lines, then one line per move of the position; a
// fixed seed gives the same output; clear failures for what it can't read.
TEST(KifuCommand, MovesRanksThePositionsMoves) {
  const std::string input = std::string(TestDataDir()) + "/kif/hand_checked.kif";
  const CommandResult even = RunKifu("moves '" + input + "' --ply 0 --seed 0x10");
  EXPECT_EQ(even.status, 0) << even.err;
  EXPECT_EQ(std::count(even.out.begin(), even.out.end(), '\n'), 2 + 30) << even.out;
  EXPECT_NE(even.out.find("\nstage: 0 "), std::string::npos) << even.out;
  EXPECT_EQ(RunKifu("moves '" + input + "' --seed 16 --ply 0").out, even.out);
  EXPECT_EQ(RunKifu("moves '" + input + "'").status, 0);

  const std::string garbage = ProcessTempPath("moves_garbage.kif");
  std::ofstream(garbage) << "not a record\n";
  const std::string kingless = std::string(TestDataDir()) + "/../../samples/mate_problem.kif";
  for (const std::string& call : {std::string("moves /nonexistent.kif"), "moves '" + garbage + "'",
                                  "moves '" + input + "' --ply 11", "moves '" + kingless + "'"}) {
    const CommandResult failed = RunKifu(call);
    EXPECT_EQ(failed.status, 1) << call;
    EXPECT_NE(failed.err.find("kifu: moves: "), std::string::npos) << call << ": " << failed.err;
  }
  std::remove(garbage.c_str());
  for (const char* call : {"moves", "moves a.kif b.kif", "moves a.kif --ply", "moves a.kif --ply -1",
                                  "moves a.kif --seed x"}) {
    EXPECT_EQ(RunKifu(call).status, 2) << call;
  }
}

// kifu eval: every figure named, the root moves ranked by a value that is
// the sum of their two parts; the failures of kifu moves.
TEST(KifuCommand, EvalNamesEveryFigure) {
  const std::string input = std::string(TestDataDir()) + "/kif/hand_checked.kif";
  const CommandResult result = RunKifu("eval '" + input + "' --ply 4");
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

  const std::string garbage = ProcessTempPath("eval_garbage.kif");
  std::ofstream(garbage) << "not a record\n";
  const std::string kingless = std::string(TestDataDir()) + "/../../samples/mate_problem.kif";
  for (const std::string& call : {std::string("eval /nonexistent.kif"), "eval '" + garbage + "'",
                                  "eval '" + input + "' --ply 11", "eval '" + kingless + "'"}) {
    const CommandResult failed = RunKifu(call);
    EXPECT_EQ(failed.status, 1) << call;
    EXPECT_NE(failed.err.find("kifu: eval: "), std::string::npos) << call << ": " << failed.err;
  }
  std::remove(garbage.c_str());
  for (const char* call : {"eval", "eval a.kif b.kif", "eval a.kif --ply", "eval a.kif --ply x"}) {
    EXPECT_EQ(RunKifu(call).status, 2) << call;
  }
}

}  // namespace
