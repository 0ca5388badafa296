// What the engine commands share: a number argument, the engine position
// at a ply of a record's main line, and a move's record notation.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/board/position.h"
#include "records/kifu_piece.h"
#include "records/kifu_position.h"
#include "records/read_report.h"

class CKRSDoc;
class Clipboard;

// A whole non-negative number, decimal or 0x-hex, that fits in 32 bits.
bool ParseCommandNumber(const std::string& text, uint32_t& value);

// The arguments of an engine command: FILE [--ply N] [--seed S].
struct EngineCommandArgs {
  std::string path;
  uint32_t ply = 0, seed = 0;
  bool havePly = false, haveSeed = false;
};
// Parses them (--seed only where allowSeed); an empty text on success, else
// what is wrong, for the command's usage error.
std::string ParseEngineCommandArgs(const std::vector<std::string>& args, bool allowSeed, EngineCommandArgs& out);

// Opens the record file in the document, goes to the ply of its main line
// (the end when havePly is false) and sets up the engine position there;
// an empty text on success, else the error. The report tells whether the
// read stopped early.
std::string EnginePositionAtPly(const std::string& path, bool havePly, uint32_t ply, CKRSDoc& doc,
                                Clipboard& clipboard, Position& position, ReadReport& report);

// The move's record notation in the position, "同" taken from the previous
// move's destination; "?" for a move the record cannot take.
std::string EngineMoveNotation(const KifuPosition& position, const MoveRecord& move, const KifuMove& previous);
