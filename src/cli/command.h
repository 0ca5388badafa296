// The kifu command's subcommands. Each takes its own arguments (after the
// subcommand name) and returns the process exit status: 0 success, 1 a
// failure of the work itself, 2 a usage error, 3 done but the input was
// not read to its end.
#pragma once

#include <string>
#include <vector>

using CommandArgs = std::vector<std::string>;

struct Command {
  const char* name;
  const char* usage;    // arguments, for the help text
  const char* summary;  // one line, for the help text
  int (*run)(const CommandArgs& args);
};

// All subcommands, in the order the help lists them.
const std::vector<Command>& Commands();

// Prints "kifu: MESSAGE" and the usage hint to stderr; returns 2.
int UsageError(const std::string& message);
