// Entry point of the kifu command: dispatches to the subcommands listed in
// commands.cpp and prints the help, or one command's usage.
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

void PrintCommandUsage(const Command& command) {
  std::printf("usage: kifu %s %s\n%s\n", command.name, command.usage, command.summary);
}

// --help or -h anywhere among a command's arguments asks for its usage
// instead of running it, so neither is ever taken for a file name.
bool AsksForHelp(const CommandArgs& args) {
  for (const std::string& arg : args) {
    if (arg == "--help" || arg == "-h") return true;
  }
  return false;
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
    if (name != command.name) continue;
    const CommandArgs args(argv + 2, argv + argc);
    if (AsksForHelp(args)) {
      PrintCommandUsage(command);
      return 0;
    }
    return command.run(args);
  }
  return UsageError("unknown command '" + name + "'");
}
