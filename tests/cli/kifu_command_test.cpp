// The built kifu command as a user runs it: help, usage errors with exit
// status 2 and a message on stderr, failures to read or write with exit
// status 1, perft counts on the last line, conversions, moves and eval.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
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
  const std::string errPath = ProcessTempPath("kifu_command.err");
  const std::string line = std::string("'") + KifuBinary() + "' " + arguments + " 2>'" + errPath + "'";
  FILE* pipe = popen(line.c_str(), "r");
  CommandResult result;
  char buffer[4096];
  for (size_t read; pipe != nullptr && (read = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    result.out.append(buffer, read);
  const int raw = pipe != nullptr ? pclose(pipe) : -1;
  result.status = raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  result.err = FileBytes(errPath);
  std::remove(errPath.c_str());
  return result;
}

std::string LastLine(std::string text) {
  while (!text.empty() && text.back() == '\n') text.pop_back();
  const size_t newline = text.rfind('\n');
  return newline == std::string::npos ? text : text.substr(newline + 1);
}

const std::string kInput = std::string(TestDataDir()) + "/kif/hand_checked.kif";

TEST(KifuCommand, HelpListsPerftAndSucceeds) {
  const CommandResult result = RunKifu("--help");
  EXPECT_EQ(result.status, 0);
  EXPECT_NE(result.out.find("perft [--rules]"), std::string::npos) << result.out;
}

// Every command answers --help and -h with its own usage, wherever the flag
// stands, instead of taking it for a file name or a depth; every command the
// help lists has a row.
TEST(KifuCommand, EveryCommandPrintsItsUsageOnHelp) {
  const std::pair<std::string, std::string> calls[] = {
      {"perft", ""}, {"perft", "--rules 3"}, {"convert", ""}, {"convert", "a.kif"}, {"show", ""},
      {"show", "/nonexistent.kif"}, {"moves", ""}, {"moves", "a.kif --ply"}, {"eval", ""}, {"eval", "a.kif --ply x"},
      {"signature", ""}, {"signature", "--trace"}};
  for (const auto& [command, before] : calls) {
    const CommandResult longFlag = RunKifu(command + " " + before + " --help");
    EXPECT_EQ(longFlag.status, 0) << command << " " << before << ": " << longFlag.err;
    EXPECT_EQ(longFlag.out.rfind("usage: kifu " + command + " ", 0), 0u) << longFlag.out;
    EXPECT_TRUE(longFlag.err.empty()) << longFlag.err;
    const CommandResult shortFlag = RunKifu(command + " -h " + before);
    EXPECT_EQ(shortFlag.status, 0) << command << " -h " << before;
    EXPECT_EQ(shortFlag.out, longFlag.out);
    EXPECT_TRUE(shortFlag.err.empty()) << shortFlag.err;
  }
  std::istringstream help(RunKifu("--help").out);
  std::string line;
  while (std::getline(help, line) && line != "commands:") {
  }
  while (std::getline(help, line) && line.rfind("  ", 0) == 0) {
    const std::string name = line.substr(2, line.find(' ', 2) - 2);
    if (name == "--help") continue;
    EXPECT_TRUE(std::any_of(std::begin(calls), std::end(calls), [&](const auto& call) { return call.first == name; }))
        << "no row for " << name;
  }
}

TEST(KifuCommand, UsageErrorsExitTwoWithAMessage) {
  const std::string calls[] = {"", "nosuchcommand", "perft", "perft 7", "perft --rules", "perft --rules 7", "perft --rules three",
        "perft --rules 2 3", "perft --rules 2 --handicap", "perft --rules 2 --handicap 0x1000", "perft --rules 2 --engine",
        "show", "convert '" + kInput + "'", "convert '" + kInput + "' out.txt", "moves", "moves a.kif b.kif",
        "moves a.kif --ply", "moves a.kif --ply -1", "moves a.kif --seed x",
        "moves a.kif --ply 1 --ply 2", "moves a.kif --seed 1 --seed 1", "eval", "eval a.kif b.kif",
        "eval a.kif --ply", "eval a.kif --ply x", "eval a.kif --ply 1 --ply 2", "eval a.kif --seed 1"};
  for (const std::string& call : calls) {
    const CommandResult result = RunKifu(call);
    EXPECT_EQ(result.status, 2) << "kifu " << call;
    EXPECT_FALSE(result.err.empty()) << "kifu " << call;
    EXPECT_TRUE(result.out.empty()) << "kifu " << call << ": " << result.out;
  }
}

// Files that can't be read or written, a ply past the end and a position
// without both kings: exit 1 and a message naming the command.
TEST(KifuCommand, FailuresExitOneWithAMessage) {
  const std::string garbage = ProcessTempPath("garbage.kif");
  std::ofstream(garbage) << "not a record\n";
  const std::string kingless = std::string(TestDataDir()) + "/../../samples/mate_problem.kif";
  const std::pair<std::string, const char*> calls[] = {
      {"show /nonexistent.kif", "kifu: "}, {"show '" + garbage + "'", "kifu: "},
      {"convert '" + kInput + "' /nonexistent/dir/out.kif", "kifu: "}, {"convert /nonexistent.kif out.kif", "kifu: "},
      {"convert - out.kif < /dev/null", "kifu: "}, {"moves /nonexistent.kif", "kifu: moves: "},
      {"moves '" + garbage + "'", "kifu: moves: "}, {"moves '" + kInput + "' --ply 11", "kifu: moves: "},
      {"moves '" + kingless + "'", "kifu: moves: "}, {"eval /nonexistent.kif", "kifu: eval: "},
      {"eval '" + garbage + "'", "kifu: eval: "}, {"eval '" + kInput + "' --ply 11", "kifu: eval: "},
      {"eval '" + kingless + "'", "kifu: eval: "}};
  for (const auto& [call, message] : calls) {
    const CommandResult failed = RunKifu(call);
    EXPECT_EQ(failed.status, 1) << call;
    EXPECT_NE(failed.err.find(message), std::string::npos) << call << ": " << failed.err;
  }
  std::remove(garbage.c_str());
}

// Both trees, the rook handicap (side 1 moves first) with its flags in hex
// or decimal, before or after the depth.
TEST(KifuCommand, PerftCountsTheRecordRulesAndEngineTrees) {
  const std::pair<const char*, const char*> calls[] = {
#ifdef KIFU_SANITIZED
      {"perft --rules 3", "25470"},
#else
      {"perft --rules 4", "719731"},
#endif
      {"perft --rules 3 --handicap 0x200", "18570"}, {"perft --handicap 512 --rules 3", "18570"},
      {"perft 4", "719731"}, {"perft 3 --handicap 0x200", "18570"}};
  for (const auto& [call, count] : calls) {
    const CommandResult result = RunKifu(call);
    EXPECT_EQ(result.status, 0) << call << ": " << result.err;
    EXPECT_EQ(LastLine(result.out), count) << call;
  }
}

// convert writes what it read (KIF to armoured and back gives the same
// bytes, and so does KIF to standard output); show prints the record in
// UTF-8; "-" reads pasted text of every format from standard input; formats
// without a writer are refused before anything is written.
TEST(KifuCommand, ConvertAndShowRecordFiles) {
  const std::string base = ProcessTempPath("command");
  EXPECT_EQ(RunKifu("convert '" + kInput + "' '" + base + ".ckf'").status, 0);
  const CommandResult back = RunKifu("convert '" + base + ".ckf' '" + base + ".KIF'");
  EXPECT_EQ(back.status, 0) << back.err;
  EXPECT_EQ(FileBytes(kInput), FileBytes(base + ".KIF"));
  EXPECT_EQ(RunKifu("convert '" + kInput + "' -").out, FileBytes(kInput));
  const CommandResult shown = RunKifu("show '" + base + ".ckf'");
  EXPECT_EQ(shown.status, 0);
  // The output is UTF-8 while this file's narrow literals are Shift-JIS.
  const std::string recapture(reinterpret_cast<const char*>(u8"\n   9 同　飛(28)   ( 0:03/00:01:14)"));
  EXPECT_NE(shown.out.find(recapture), std::string::npos);
  for (const char* ext : {".csa", ".ki2", ".rvq"}) {
    ASSERT_EQ(RunKifu("convert '" + kInput + "' '" + base + ext + "'").status, 0) << ext;
    const CommandResult piped = RunKifu("convert - '" + base + ".kif' < '" + base + ext + "'");
    EXPECT_EQ(piped.status, 0) << ext << piped.err;
    EXPECT_EQ(RunKifu("show '" + base + ".kif'").status, 0) << ext;
    std::remove((base + ext).c_str());
  }
  EXPECT_EQ(RunKifu("convert '" + kInput + "' '" + base + ".krs'").status, 2);
  for (const char* ext : {".ckf", ".KIF", ".kif"}) std::remove((base + ext).c_str());
}

// kifu moves: two header lines, then one line per move of the position; a
// fixed seed gives the same output.
TEST(KifuCommand, MovesRanksThePositionsMoves) {
  const CommandResult even = RunKifu("moves '" + kInput + "' --ply 0 --seed 0x10");
  EXPECT_EQ(even.status, 0) << even.err;
  EXPECT_EQ(std::count(even.out.begin(), even.out.end(), '\n'), 2 + 30) << even.out;
  EXPECT_NE(even.out.find("\nstage: 0 "), std::string::npos) << even.out;
  EXPECT_EQ(RunKifu("moves '" + kInput + "' --seed 16 --ply 0").out, even.out);
  EXPECT_EQ(RunKifu("moves '" + kInput + "'").status, 0);
}

// kifu eval: every figure named, the root moves ranked by a value that is
// the sum of their two parts.
TEST(KifuCommand, EvalNamesEveryFigure) {
  const CommandResult result = RunKifu("eval '" + kInput + "' --ply 4");
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
