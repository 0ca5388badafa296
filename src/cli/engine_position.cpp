// The record-to-engine steps the engine commands share.
#include "cli/engine_position.h"

#include <charconv>
#include <limits>

#include "app/ckrs_doc.h"
#include "charset.h"
#include "cli/record_files.h"
#include "engine/search/move_code.h"
#include "engine/service/record_bridge.h"

bool ParseCommandNumber(const std::string& text, uint32_t& value) {
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const char* begin = text.data() + (hex ? 2 : 0);
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(begin, end, value, hex ? 16 : 10);
  return begin != end && error == std::errc() && stop == end;
}

std::string ParseEngineCommandArgs(const std::vector<std::string>& args, bool allowSeed, EngineCommandArgs& out) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--ply" || (allowSeed && arg == "--seed")) {
      const bool isPly = arg == "--ply";
      if (i + 1 >= args.size()) return arg + " needs a number";
      // A second value would silently replace the first: which one was meant is unknowable.
      if (isPly ? out.havePly : out.haveSeed) return arg + " given twice";
      if (!ParseCommandNumber(args[++i], isPly ? out.ply : out.seed)) return arg + " '" + args[i] + "' is no number";
      (isPly ? out.havePly : out.haveSeed) = true;
    } else if (out.path.empty() && !arg.empty() && arg[0] != '-') {
      out.path = arg;
    } else {
      return "unexpected argument '" + arg + "'";
    }
  }
  return out.path.empty() ? "give one record file" : "";
}

std::string EnginePositionAtPly(const std::string& path, bool havePly, uint32_t ply, CKRSDoc& doc,
                                Clipboard& clipboard, Position& position, ReadReport& report) {
  if (std::string error = ReadRecordFileForCommand(path, clipboard, doc, report); !error.empty()) return error;
  if (!havePly) {
    doc.GoToLast();
  } else if (ply > static_cast<uint32_t>(std::numeric_limits<int>::max()) || !doc.GoToPly(static_cast<int>(ply))) {
    return "ply " + std::to_string(ply) + " is past the end of the main line (" +
           std::to_string(doc.Record().record->LineLength()) + " moves)";
  }
  // A guard: the readers refuse a start the rules can't play from and play
  // only legal moves, which leaves no position the engine can't hold.
  if (KifuPositionToEngine(position, *doc.Record().currentPosition) != 0) {
    return "the engine cannot take the position at ply " + std::to_string(doc.CurrentPly());
  }
  return "";
}

std::string EngineMoveNotation(const KifuPosition& position, const MoveRecord& move, const KifuMove& previous) {
  KifuMove recordMove;
  if (EngineMoveToUi(ToMoveCode(move), recordMove) != 0 || !position.CompleteMove(recordMove)) return "?";
  SjisString text;
  position.MoveNotation(recordMove, previous.toFile, previous.toRank, text);
  return text.Text();
}
