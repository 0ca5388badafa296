// Constant tables of the engine position: base type of each PieceId, the
// in-hand stack groups, the movement table with its continuations, the
// direction index and the initial board.
#include <initializer_list>

#include "engine/board/position.h"

const PieceCode g_pieceIdBaseCode[PIECE_COUNT + 1] = {
    KING, KING, ROOK, ROOK, BISHOP, BISHOP,              //
    GOLD, GOLD, GOLD, GOLD, SILVER, SILVER, SILVER, SILVER,  //
    KNIGHT, KNIGHT, KNIGHT, KNIGHT, LANCE, LANCE, LANCE, LANCE,  //
    PAWN, PAWN, PAWN, PAWN, PAWN, PAWN, PAWN, PAWN, PAWN,    //
    PAWN, PAWN, PAWN, PAWN, PAWN, PAWN, PAWN, PAWN, PAWN,    //
    WALL_CODE,
};

// By base type 1-8 (rook, bishop, gold, silver, knight, lance, pawn, king):
// the first slot of the type's group and its room; the group starts at the
// type's lowest PieceId.
const uint8_t g_handListStart[9] = {0, 2, 4, 6, 10, 14, 18, 22, 0};
const uint8_t g_handListSize[9] = {0, 2, 2, 4, 4, 4, 4, 18, 2};

namespace {

constexpr PieceMoveSlot M(int df, int dr, int slides = 0) {
  return {static_cast<int8_t>(df), static_cast<int8_t>(dr), static_cast<uint8_t>(slides), 0};
}

// Builds a type's entry: its moves in order, then the continuation of the
// type along each DirectionId 0-7.
constexpr PieceMoves Type(std::initializer_list<PieceMoveSlot> moves, std::initializer_list<int> continuation) {
  PieceMoves result{};
  for (const PieceMoveSlot& move : moves) result.slot[result.count++] = move;
  int direction = 0;
  for (int value : continuation) result.slot[direction++].continuation = static_cast<uint8_t>(value);
  return result;
}

constexpr PieceMoves kRook = Type({M(-1, 0, 1), M(0, 1, 1), M(1, 0, 1), M(0, -1, 1)}, {2, 2, 2, 2, 0, 0, 0, 0});
constexpr PieceMoves kBishop = Type({M(-1, 1, 1), M(1, 1, 1), M(1, -1, 1), M(-1, -1, 1)}, {0, 0, 0, 0, 2, 2, 2, 2});
constexpr PieceMoves kGold =
    Type({M(0, 1), M(1, 1), M(1, 0), M(0, -1), M(-1, 0), M(-1, 1)}, {1, 1, 1, 1, 0, 0, 1, 1});
constexpr PieceMoves kSilver = Type({M(0, 1), M(1, 1), M(1, -1), M(-1, -1), M(-1, 1)}, {0, 0, 0, 1, 1, 1, 1, 1});
constexpr PieceMoves kKnight = Type({M(1, 2), M(-1, 2)}, {0, 0, 0, 0, 0, 0, 0, 0});
constexpr PieceMoves kLance = Type({M(0, 1, 1)}, {0, 0, 0, 2, 0, 0, 0, 0});
constexpr PieceMoves kPawn = Type({M(0, 1)}, {0, 0, 0, 1, 0, 0, 0, 0});
constexpr PieceMoves kKing = Type({M(0, 1), M(1, 1), M(1, 0), M(1, -1), M(0, -1), M(-1, -1), M(-1, 0), M(-1, 1)},
                                  {1, 1, 1, 1, 1, 1, 1, 1});
constexpr PieceMoves kDragon = Type({M(-1, 0, 1), M(0, 1, 1), M(1, 0, 1), M(0, -1, 1), M(-1, 1), M(1, 1), M(1, -1),
                                     M(-1, -1)},
                                    {2, 2, 2, 2, 1, 1, 1, 1});
constexpr PieceMoves kHorse = Type({M(-1, 0), M(0, 1), M(1, 0), M(0, -1), M(-1, 1, 1), M(1, 1, 1), M(1, -1, 1),
                                    M(-1, -1, 1)},
                                   {1, 1, 1, 1, 2, 2, 2, 2});
constexpr PieceMoves kNone{};

}  // namespace

const PieceMoves g_pieceMoveTable[TYPE_TABLE_SIZE] = {
    kNone, kRook, kBishop, kGold, kSilver, kKnight, kLance, kPawn, kKing,      // 0-8
    kNone, kNone, kNone, kNone, kNone, kNone, kNone, kNone,                   // 9-16
    kDragon, kHorse, kNone, kGold, kGold, kGold, kGold,                       // 17-23
};

// (-1,0) 0, (0,-1) 1, (1,0) 2, (0,1) 3, (-1,-1) 4, (1,-1) 5, (1,1) 6, (-1,1) 7.
const int8_t g_directionIndex[9] = {7, 0, 4, 3, -1, 1, 6, 2, 5};

// [file][rank]: walls 41-80 on the ring, side 1's pieces on ranks 1-3,
// side 0's on ranks 7-9, 40 for an empty square.
int g_initialBoardTemplate[BOARD_SIZE][BOARD_SIZE] = {
    {71, 72, 73, 74, 75, 76, 77, 78, 79, 80, 41},  // file 0
    {70, 21, 40, 39, 40, 40, 40, 30, 40, 19, 42},  // file 1
    {69, 17,  5, 38, 40, 40, 40, 29,  2, 15, 43},  // file 2
    {68, 13, 40, 37, 40, 40, 40, 28, 40, 11, 44},  // file 3
    {67,  9, 40, 36, 40, 40, 40, 27, 40,  7, 45},  // file 4
    {66,  1, 40, 35, 40, 40, 40, 26, 40,  0, 46},  // file 5
    {65,  8, 40, 34, 40, 40, 40, 25, 40,  6, 47},  // file 6
    {64, 12, 40, 33, 40, 40, 40, 24, 40, 10, 48},  // file 7
    {63, 16,  3, 32, 40, 40, 40, 23,  4, 14, 49},  // file 8
    {62, 20, 40, 31, 40, 40, 40, 22, 40, 18, 50},  // file 9
    {61, 60, 59, 58, 57, 56, 55, 54, 53, 52, 51},  // file 10
};
