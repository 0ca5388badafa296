// The built kifu command as a user runs it from a shell, for the command
// tests: exit status and both outputs.
#pragma once

#include <string>

struct KifuRun {
  int status = -1;  // the exit status; -1 when the shell didn't exit normally
  std::string out;
  std::string err;
};

// Runs a shell line in which $K names the built kifu command (so that pipes
// and redirections read as typed: "$K show a.kif | $K convert - b.kif").
KifuRun RunKifu(const std::string& line);
