// The table of the kifu command's subcommands.
#include "cli/command.h"

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands = {};
  return commands;
}
