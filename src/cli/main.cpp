// Entry point of the kifu command: dispatches to the subcommands listed in
// commands.cpp and prints the help.
#include <cstdio>
#include <string>

#include "charset.h"
#include "cli/command.h"

namespace {

void PrintHelp() {
  std::printf("usage: kifu COMMAND [ARGUMENTS]\n\ncommands:\n");
  for (const Command& command : Commands()) {
    std::string head = std::string(command.name) + " " + command.usage;
    std::printf("  %-40s %s\n", head.c_str(), command.summary);
  }
  std::printf("  %-40s %s\n", "--help", "this text");
  std::printf(
      "\nexit status: 0 done, 1 failed, 2 usage error, 3 done but the input was not read to its end (the record "
      "as read was shown or written)\n");
}

}  // namespace

int UsageError(const std::string& message) {
  std::fprintf(stderr, "kifu: %s\n(run 'kifu --help' for the commands)\n", message.c_str());
  return 2;
}

int main(int argc, char** argv) {
  if (argc < 2) return UsageError("no command given");
  const std::string name = argv[1];
  if (name == "--help" || name == "-h" || name == "help") {
    PrintHelp();
    return 0;
  }
  for (const Command& command : Commands()) {
    if (name == command.name) return command.run(CommandArgs(argv + 2, argv + argc));
  }
  return UsageError("unknown command '" + name + "'");
}
