// kifu perft: counts the legal-move tree from a start position with the
// engine's generator, or with --rules by the game record's rules; the
// figure that pins down move generation and legality.
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <string>
#include <system_error>

#include "charset.h"
#include "cli/command.h"
#include "engine/board/engine_perft.h"
#include "engine/board/make_move.h"
#include "engine/board/position.h"
#include "engine/service/record_bridge.h"
#include "records/kifu_legal_moves.h"

namespace {

constexpr int kMaxDepth = 6;  // depth 6 takes about half a minute, 7 would take a quarter of an hour
// Every bit the record's handicap flags define (0x800 removes nothing).
constexpr HandicapFlags kAllHandicapBits = 0xFFF;

// The whole text as a number in the base; false for anything else.
bool ParseWhole(const std::string& text, int base, int& value) {
  if (text.empty()) return false;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value, base);
  return error == std::errc() && stop == end;
}

// Decimal, or hexadecimal after 0x.
bool ParseFlags(const std::string& text, int& value) {
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    return ParseWhole(text.substr(2), 16, value);
  }
  return ParseWhole(text, 10, value);
}

}  // namespace

int RunPerftCommand(const CommandArgs& args) {
  bool recordRules = false;
  bool haveDepth = false;
  int depth = 0;
  int flags = 0;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--rules") {
      recordRules = true;
    } else if (arg == "--handicap") {
      if (i + 1 == args.size()) return UsageError("perft: --handicap needs FLAGS");
      const std::string& text = args[++i];
      if (!ParseFlags(text, flags) || flags < 0 || flags > kAllHandicapBits) {
        return UsageError("perft: handicap flags '" + text + "' are not a number from 0 to 0xFFF");
      }
    } else if (arg.rfind("--", 0) == 0) {
      return UsageError("perft: unknown option '" + arg + "'");
    } else {
      if (haveDepth) return UsageError("perft: more than one depth given");
      if (!ParseWhole(arg, 10, depth) || depth < 0 || depth > kMaxDepth) {
        return UsageError("perft: depth '" + arg + "' is not a number from 0 to " + std::to_string(kMaxDepth));
      }
      haveDepth = true;
    }
  }
  if (!haveDepth) return UsageError("perft: no depth given");

  KifuPosition position;
  position.SetStart(flags);
  if (recordRules) {
    std::printf("perft --rules depth %d handicap 0x%X\n", depth, static_cast<unsigned>(flags));
    std::printf("%llu\n", static_cast<unsigned long long>(RecordPerft(position, depth)));
    return 0;
  }
  // The engine starts from the same record position, so every handicap the
  // flags can name is counted the same way by both.
  static Position engine;
  // A guard: removing pieces from the start leaves a position the engine
  // holds, for every flag from 0 to 0xFFF.
  if (KifuPositionToEngine(engine, position) != 0) {
    std::fprintf(stderr, "kifu: perft: the engine cannot hold the start position of handicap 0x%X\n",
                 static_cast<unsigned>(flags));
    return 1;
  }
  InitAttackHistory();
  std::printf("perft depth %d handicap 0x%X\n", depth, static_cast<unsigned>(flags));
  std::printf("%llu\n", static_cast<unsigned long long>(EnginePerft(engine, depth)));
  return 0;
}
