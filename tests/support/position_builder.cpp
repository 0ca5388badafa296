// Builds engine positions from piece lists with the oracle's own attack
// computation, so that rule cases do not lean on the code under test.
#include "support/position_builder.h"

#include <gtest/gtest.h>

#include <cassert>
#include <cctype>
#include <cstring>
#include <sstream>

#include "support/engine_oracle.h"

Position BuildPosition(int sideToMove, const std::vector<PlacedPiece>& onBoard,
                       const std::vector<HandPieces>& inHand) {
  Position position{};
  position.sideToMove = static_cast<uint8_t>(sideToMove);
  for (int file = 0; file < BOARD_SIZE; ++file)
    for (int rank = 0; rank < BOARD_SIZE; ++rank) {
      // The wall ids are those of the set-up template's ring.
      const int cell = IsOnBoard(file, rank) ? EMPTY_PIECE_ID : g_initialBoardTemplate[file][rank];
      position.board[file][rank] = static_cast<int8_t>(cell);
      if (cell > EMPTY_PIECE_ID)
        position.pieces[cell] = {static_cast<int8_t>(file), static_cast<int8_t>(rank), WALL_CODE};
    }
  for (int id = 0; id < PIECE_COUNT; ++id) position.pieces[id].file = OUT_OF_PLAY_FILE;

  int nextId[9];  // by base type
  for (int type = ROOK; type <= PAWN; ++type) nextId[type] = g_handListStart[type];
  const auto takeId = [&](int baseType, int side) {
    if (baseType == KING) return side;
    assert(nextId[baseType] < g_handListStart[baseType] + g_handListSize[baseType]);
    return nextId[baseType]++;
  };
  for (const PlacedPiece& piece : onBoard) {
    const int id = takeId(piece.type & 0x0f, piece.side);
    const PieceCode code = static_cast<PieceCode>(OwnerBit(piece.side) | piece.type);
    position.pieces[id] = {static_cast<int8_t>(piece.file), static_cast<int8_t>(piece.rank), code};
    position.board[piece.file][piece.rank] = static_cast<int8_t>(id);
  }
  for (const auto& [side, type, count] : inHand)
    for (int n = 0; n < count; ++n) {
      const int id = takeId(type, side);
      position.handStack[g_handListStart[type] + position.hand[0][type - 1] + position.hand[1][type - 1]] =
          static_cast<PieceId>(id);
      position.hand[side][type - 1] = static_cast<int8_t>(position.hand[side][type - 1] + 1);
      position.pieces[id] = {IN_HAND_FILE, 0, static_cast<PieceCode>(OwnerBit(side) | type)};
    }
  OracleRecount(position);
  return position;
}

namespace {

// The base type a diagram letter names (either case), 0 for none.
int DiagramType(char letter) {
  static constexpr char kLetters[] = "RBGSNLPK";  // in base type order from 1
  const char* found = letter == 0 ? nullptr : std::strchr(kLetters, std::toupper(static_cast<unsigned char>(letter)));
  return found == nullptr ? 0 : static_cast<int>(found - kLetters) + 1;
}

}  // namespace

Position PositionFromDiagram(const std::string& diagram) {
  std::istringstream fields(diagram);
  std::string board, side, hands;
  fields >> board >> side >> hands;
  std::vector<PlacedPiece> onBoard;
  std::vector<HandPieces> inHand;
  int file = 9, rank = 1;
  bool promoted = false, bad = (side != "b" && side != "w") || hands.empty();
  for (const char c : board) {
    if (c == '/') {
      bad |= file != 0 || promoted;
      file = 9;
      ++rank;
    } else if (c == '+') {
      promoted = true;
    } else if (c >= '1' && c <= '9') {
      bad |= promoted;
      file -= c - '0';
    } else {
      const int type = DiagramType(c);
      bad |= type == 0 || file < 1 || (promoted && (type == GOLD || type == KING));
      if (bad) break;
      onBoard.push_back({std::isupper(static_cast<unsigned char>(c)) ? 0 : 1, promoted ? type | PROMOTED_BIT : type,
                         file--, rank});
      promoted = false;
    }
  }
  bad |= file != 0 || rank != 9 || promoted;
  if (hands != "-") {
    int count = 0;
    for (const char c : hands) {
      if (std::isdigit(static_cast<unsigned char>(c))) {
        count = count * 10 + (c - '0');
        continue;
      }
      const int type = DiagramType(c);
      bad |= type == 0 || type == KING;
      if (bad) break;
      inHand.push_back({std::isupper(static_cast<unsigned char>(c)) ? 0 : 1, type, count == 0 ? 1 : count});
      count = 0;
    }
    bad |= count != 0;
  }
  if (bad) {
    ADD_FAILURE() << "not a diagram: " << diagram;
    return BuildPosition(0, {});
  }
  return BuildPosition(side == "b" ? 0 : 1, onBoard, inHand);
}

Position StartPosition(int handicap) {
  Position position{};
  SetupHandicap(position, handicap);
  return position;
}

Position TurnedPosition(const Position& position) {
  std::vector<PlacedPiece> onBoard;
  for (int id = 0; id < PIECE_COUNT; ++id) {
    const PieceListEntry& piece = position.pieces[id];
    if (piece.file < 1) continue;
    onBoard.push_back({1 - OwnerOf(piece.code), TypeOf(piece.code), TurnedFile(piece.file), TurnedRank(piece.rank)});
  }
  std::vector<HandPieces> inHand;
  for (int side = 0; side < 2; ++side)
    for (int type = ROOK; type <= PAWN; ++type)
      if (position.hand[side][type - 1] > 0) inHand.push_back({1 - side, type, position.hand[side][type - 1]});
  return BuildPosition(1 - position.sideToMove, onBoard, inHand);
}

MoveRecord MoveOn(const Position& position, int fromFile, int fromRank, int toFile, int toRank, int promote) {
  MoveRecord move{};
  if (fromFile == 0) {
    const int type = fromRank;
    const int top = g_handListStart[type] + position.hand[0][type - 1] + position.hand[1][type - 1] - 1;
    // A piece in hand keeps no meaningful code: the drop names its owner and type.
    move.SetDrop(toFile, toRank, position.handStack[top], static_cast<PieceCode>(OwnerBit(position.sideToMove) | type));
    return move;
  }
  const int moving = position.board[fromFile][fromRank], captured = position.board[toFile][toRank];
  const PieceCode capturedCode = captured == EMPTY_PIECE_ID ? 0 : position.pieces[captured].code;
  move.Set(fromFile, fromRank, toFile, toRank, static_cast<PieceId>(moving), position.pieces[moving].code,
           static_cast<PieceId>(captured), capturedCode, promote);
  return move;
}
