// The built kifu command as a user runs it: help, usage errors with exit
// status 2 and a message on stderr, and perft counts on the last line.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "support/test_paths.h"

namespace {

struct CommandResult {
  int status = -1;
  std::string out;
  std::string err;
};

std::string ReadWhole(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

// Runs kifu with the arguments (given as shell words) and collects its
// exit status and both outputs.
CommandResult RunKifu(const std::string& arguments) {
  // CTest runs the cases as parallel processes: the files are per process and call.
  static int calls = 0;
  const std::string stem = ::testing::TempDir() + "kifu_command_" + std::to_string(getpid()) + "_" +
                           std::to_string(calls++);
  const std::string outPath = stem + ".out";
  const std::string errPath = stem + ".err";
  const std::string line =
      std::string("'") + KifuBinary() + "' " + arguments + " >'" + outPath + "' 2>'" + errPath + "'";
  const int raw = std::system(line.c_str());
  CommandResult result;
  result.status = raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  result.out = ReadWhole(outPath);
  result.err = ReadWhole(errPath);
  std::remove(outPath.c_str());
  std::remove(errPath.c_str());
  return result;
}

std::string LastLine(const std::string& text) {
  std::string trimmed = text;
  while (!trimmed.empty() && trimmed.back() == '\n') trimmed.pop_back();
  const size_t start = trimmed.rfind('\n');
  return start == std::string::npos ? trimmed : trimmed.substr(start + 1);
}

TEST(KifuCommand, HelpListsPerftAndSucceeds) {
  const CommandResult result = RunKifu("--help");
  EXPECT_EQ(result.status, 0);
  EXPECT_NE(result.out.find("perft"), std::string::npos) << result.out;
}

TEST(KifuCommand, UsageErrorsExitTwoWithAMessage) {
  const char* badCalls[] = {
      "",                                  // no command
      "nosuchcommand",
      "perft 3",                           // --rules is required
      "perft --rules",                     // no depth
      "perft --rules 7",                   // depth beyond 6
      "perft --rules -1",
      "perft --rules three",
      "perft --rules 3x",
      "perft --rules 2 3",                 // two depths
      "perft --rules 2 --handicap",        // flags missing
      "perft --rules 2 --handicap 0x1000",
      "perft --rules 2 --handicap 0xZZ",
      "perft --rules 2 --handicap -1",
      "perft --rules 2 --engine",          // unknown option
  };
  for (const char* call : badCalls) {
    const CommandResult result = RunKifu(call);
    EXPECT_EQ(result.status, 2) << "kifu " << call;
    EXPECT_FALSE(result.err.empty()) << "kifu " << call;
    EXPECT_TRUE(result.out.empty()) << "kifu " << call << ": " << result.out;
  }
}

TEST(KifuCommand, PerftCountsTheRecordRulesTree) {
  const struct {
    const char* arguments;
    const char* count;
  } known[] = {
      {"perft --rules 0", "1"},
      {"perft --rules 1", "30"},
      {"perft --rules 2", "900"},
#ifdef KIFU_SANITIZED
      {"perft --rules 3", "25470"},
#else
      {"perft --rules 4", "719731"},
#endif
  };
  for (const auto& entry : known) {
    const CommandResult result = RunKifu(entry.arguments);
    EXPECT_EQ(result.status, 0) << entry.arguments << ": " << result.err;
    EXPECT_EQ(LastLine(result.out), entry.count) << entry.arguments;
  }
}

TEST(KifuCommand, PerftFromAHandicapStart) {
  const CommandResult hex = RunKifu("perft --rules 3 --handicap 0x200");
  ASSERT_EQ(hex.status, 0) << hex.err;
  EXPECT_GT(std::stoll(LastLine(hex.out)), 0);
  // The same flags in decimal, before the depth.
  const CommandResult decimal = RunKifu("perft --handicap 512 --rules 3");
  ASSERT_EQ(decimal.status, 0) << decimal.err;
  EXPECT_EQ(LastLine(decimal.out), LastLine(hex.out));
  // The giver moves first: a handicap changes the tree.
  EXPECT_NE(LastLine(hex.out), LastLine(RunKifu("perft --rules 3").out));
}

}  // namespace
