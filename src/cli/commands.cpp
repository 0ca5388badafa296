// The table of the kifu command's subcommands.
#include "cli/command.h"

// perft_command.cpp
int RunPerftCommand(const CommandArgs& args);
// record_commands.cpp
int RunConvertCommand(const CommandArgs& args);
int RunShowCommand(const CommandArgs& args);
// moves_command.cpp
int RunMovesCommand(const CommandArgs& args);
// eval_command.cpp
int RunEvalCommand(const CommandArgs& args);

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands = {
      {"perft", "[--rules] DEPTH [--handicap FLAGS]",
       "count the legal-move tree (engine generator, or record rules with --rules; depth 0-6; FLAGS decimal or "
       "0x-hex)",
       RunPerftCommand},
      {"convert", "IN OUT",
       "read a record and write it again (.kif/.bkf KIF, .ckf armoured KIF, .ki2 KI2, .csa CSA, .rvq RVQ; .krs and "
       ".rvf read only; IN - reads pasted text from standard input, OUT - writes KIF to standard output)",
       RunConvertCommand},
      {"show", "FILE", "print a record as KIF text in UTF-8", RunShowCommand},
      {"moves", "FILE [--ply N] [--seed S]",
       "the engine's strategies, stage and moves ranked by ordering value at ply N (default: the last)",
       RunMovesCommand},
      {"eval", "FILE [--ply N]",
       "the engine's evaluation terms, blended score and root moves ranked by screening value at ply N (default: the "
       "last)",
       RunEvalCommand},
  };
  return commands;
}
