// The engine's position record: board of piece ids with a wall ring, the
// piece list, hands with their in-hand stacks, per-square attack records,
// tokin lists, pawn files and hand totals; the move record; set-up and the
// recounts that rebuild the derived tables.
#pragma once

#include <cstdint>

#include "board_geometry.h"
#include "charset.h"

// ---------------------------------------------------------------------------
// Piece identities and codes

// A PieceId names one physical piece for the whole game: 0-1 kings (of side
// 0 and 1), 2-3 rooks, 4-5 bishops, 6-9 golds, 10-13 silvers, 14-17 knights,
// 18-21 lances, 22-39 pawns; 40 an empty square, 41-80 the wall cells.
using PieceId = uint8_t;
inline constexpr PieceId EMPTY_PIECE_ID = 40;
inline constexpr PieceId FIRST_WALL_ID = 41;
inline constexpr int PIECE_COUNT = 40;
inline constexpr int PIECE_LIST_SIZE = 81;

// PieceCode: bits 0-3 base type, 0x10 promoted, 0x20 owned by side 0,
// 0x40 owned by side 1. 0 is no piece.
using PieceCode = uint8_t;
enum PieceType : uint8_t {
  NO_TYPE = 0,
  ROOK = 1, BISHOP = 2, GOLD = 3, SILVER = 4, KNIGHT = 5, LANCE = 6, PAWN = 7, KING = 8,
  DRAGON = 17, HORSE = 18, PRO_SILVER = 20, PRO_KNIGHT = 21, PRO_LANCE = 22, TOKIN = 23,
};
inline constexpr PieceCode PROMOTED_BIT = 0x10;
inline constexpr PieceCode WALL_CODE = 0x69;  // both owner bits and type 9
inline constexpr int TYPE_TABLE_SIZE = 24;    // types with promotion, 0-23

constexpr PieceCode OwnerBit(int side) { return static_cast<PieceCode>(0x20 << side); }
// Exactly one owner bit: a wall cell, which carries both, is nobody's piece,
// so no code treats the border as an own or an enemy piece.
constexpr bool IsOwnedBy(PieceCode code, int side) { return (code & (OwnerBit(0) | OwnerBit(1))) == OwnerBit(side); }
constexpr int OwnerOf(PieceCode code) { return (code & 0x40) ? 1 : 0; }
constexpr int TypeOf(PieceCode code) { return code & 0x9f; }      // with promotion
constexpr int BaseTypeOf(PieceCode code) { return code & 0x8f; }  // without
constexpr bool IsPromoted(PieceCode code) { return (code & PROMOTED_BIT) != 0; }
static_assert(!IsOwnedBy(WALL_CODE, 0) && !IsOwnedBy(WALL_CODE, 1));

// ---------------------------------------------------------------------------
// Sides, squares and side-relative ranks

// Side 0 moves toward rank 1, side 1 toward rank 9 (board_geometry.h).
constexpr int PawnFrontRank(int side) { return (3 - side) * 2; }
constexpr int PawnHomeRank(int side) { return 7 - 4 * side; }
constexpr int PieceHomeRank(int side) { return 8 - 6 * side; }
constexpr int BackRank(int side) { return 9 - 8 * side; }

inline constexpr int BOARD_SIZE = 11;  // files and ranks 0-10, 0 and 10 the wall ring
inline constexpr int SQUARE_COUNT = 81;
// Index of a real square (file and rank 1-9) in the attack records.
constexpr int SquareIndex(int file, int rank) { return 9 * (file - 1) + (rank - 1); }

// ---------------------------------------------------------------------------
// Fixed tables

extern const PieceCode g_pieceIdBaseCode[PIECE_COUNT + 1];  // base type of each id; [40] = WALL_CODE
extern const uint8_t g_handListStart[9];                    // by base type 1-8
extern const uint8_t g_handListSize[9];

// A move direction of a piece type: relative step (dr counted forward for
// the owner), whether it slides, and by DirectionId (the slot number) how
// the type continues along that direction: 0 not, 1 one step, 2 sliding.
struct PieceMoveSlot {
  int8_t df, dr;
  uint8_t slides;
  uint8_t continuation;
};
struct PieceMoves {
  uint8_t count;
  PieceMoveSlot slot[8];
};
extern const PieceMoves g_pieceMoveTable[TYPE_TABLE_SIZE];

// DirectionId of a side-relative step (df, dr), indexed by 3*df - dr + 4;
// the opposite direction is DirectionId ^ 2. Index 4 (no step) holds -1.
extern const int8_t g_directionIndex[9];
constexpr int DirectionIndexSlot(int df, int dr) { return 3 * df - dr + 4; }

// The initial board, [file][rank], of PieceIds (40 empty, 41-80 walls).
// SetupHandicap rewrites its six handicap cells.
extern int g_initialBoardTemplate[BOARD_SIZE][BOARD_SIZE];

// ---------------------------------------------------------------------------
// Records

// Attackers of one square, per side. The direct set is a 64-bit set of
// PieceIds split in two words; only sliders (ids 2-5, 18-21) ever appear in
// the second-line and sliding sets, so 32 bits hold them.
struct SquareAttackRecord {
  uint8_t directCount[2];
  uint8_t xrayCount[2];
  struct {
    uint32_t high;  // ids 32-39 at bit id - 32
    uint32_t low;   // ids 0-31
  } directSet[2];
  uint32_t xraySet[2];
  uint32_t slidingSet[2];
};
static_assert(sizeof(SquareAttackRecord) == 36);

struct PieceListEntry {
  int8_t file;  // 1-9 on the board, 0 in a hand, -1 out of play
  int8_t rank;
  PieceCode code;
};
static_assert(sizeof(PieceListEntry) == 3);

inline constexpr int8_t IN_HAND_FILE = 0;
inline constexpr int8_t OUT_OF_PLAY_FILE = -1;

struct TokinList {
  uint32_t count;
  uint32_t ids[18];
};

// Plain record: no constructor, copied whole byte for byte where a caller
// needs a scratch copy. Value-initialise it (Position p{}) before set-up.
struct Position {
  uint8_t sideToMove;
  PieceListEntry pieces[PIECE_LIST_SIZE];  // by PieceId; the king of side s is entry s
  int8_t hand[2][8];                   // [side][base type - 1]; the king slot stays 0
  PieceId handStack[PIECE_COUNT];      // ids in hand, grouped by type, shared by both sides
  int8_t board[BOARD_SIZE][BOARD_SIZE];  // [file][rank] PieceId
  SquareAttackRecord attacks[SQUARE_COUNT];
  TokinList tokins[2];
  int8_t pawnRank[2][10];  // [side][file]: rank of the side's unpromoted pawn, 0 none
  uint32_t handTotal[2];   // pieces in hand not counting pawns

  PieceListEntry* PieceEntry(int id) { return &pieces[id]; }
  const PieceListEntry* PieceEntry(int id) const { return &pieces[id]; }
  int PieceIdAt(int file, int rank) const { return board[file][rank]; }
  PieceCode PieceCodeAt(int file, int rank) const { return pieces[board[file][rank]].code; }
  SquareAttackRecord* SquareRecord(int file, int rank) { return &attacks[SquareIndex(file, rank)]; }
  const SquareAttackRecord* SquareRecord(int file, int rank) const { return &attacks[SquareIndex(file, rank)]; }
  int PawnRankOnFile(int side, int file) const { return pawnRank[side][file]; }
  bool IsEmpty(int file, int rank) const { return board[file][rank] == EMPTY_PIECE_ID; }
  int AttackCount(int side, int file, int rank) const { return SquareRecord(file, rank)->directCount[side]; }
  // Direct attackers of any cell, the wall ring and beyond counting 0: the
  // one way generators and evaluators read counts near the border.
  int AttackCountAt(int side, int file, int rank) const {
    return IsOnBoard(file, rank) ? SquareRecord(file, rank)->directCount[side] : 0;
  }
  // Pieces of a base type in both hands: the height of the type's in-hand stack.
  int HandStackHeight(int baseType) const { return hand[0][baseType - 1] + hand[1][baseType - 1]; }
  // The piece a drop of this base type by `side` takes: the top of the
  // type's in-hand stack; -1 when the side holds none.
  int HandStackTop(int side, int baseType) const;
  int AttackCountWithXray(int side, int file, int rank) const {
    const SquareAttackRecord* record = SquareRecord(file, rank);
    return record->directCount[side] + record->xrayCount[side];
  }
  uint32_t AttackSetLow(int side, int file, int rank) const { return SquareRecord(file, rank)->directSet[side].low; }
  uint32_t XraySet(int side, int file, int rank) const { return SquareRecord(file, rank)->xraySet[side]; }
};

// The engine's move. A drop has from file 0; the null move has from file
// NULL_MOVE_FILE. The field is a signed byte, so compare through IsNull.
inline constexpr uint8_t NULL_MOVE_FILE = 254;

struct MoveRecord {
  int8_t fromFile;
  int8_t fromRank;
  int8_t toFile;
  int8_t toRank;
  PieceId pieceId;
  PieceId capturedId;  // EMPTY_PIECE_ID for a non-capture
  PieceCode pieceCode;  // before promotion
  PieceCode capturedCode;
  MoveRecord* previous;
  MoveRecord* next;
  int16_t orderValue;
  uint8_t unused;
  uint8_t promote;

  void Set(int fromFileValue, int fromRankValue, int toFileValue, int toRankValue, PieceId moving,
           PieceCode movingCode, PieceId captured, PieceCode capturedCodeValue, int promoteFlag);
  void SetDrop(int toFileValue, int toRankValue, PieceId moving, PieceCode movingCode);
  void SetNull();
  bool IsNull() const { return static_cast<uint8_t>(fromFile) == NULL_MOVE_FILE; }
  bool IsDrop() const { return fromFile == 0; }
  bool IsCapture() const { return capturedId != EMPTY_PIECE_ID; }
  // The same move: for a board move all six fields equal; for a drop the
  // destination and the moving code.
  bool Matches(int fromFileValue, int fromRankValue, int toFileValue, int toRankValue, PieceCode movingCode,
               int promoteFlag) const {
    if (toFile != toFileValue || toRank != toRankValue || pieceCode != movingCode) return false;
    if (IsDrop()) return fromFileValue == 0;
    return fromFile == fromFileValue && fromRank == fromRankValue && promote == promoteFlag;
  }
};

// ---------------------------------------------------------------------------
// Set-up and recounts

// Handicaps; the handicapped side is side 1, which then moves first.
enum EngineHandicap : int {
  HANDICAP_EVEN = 0,        // 平手
  HANDICAP_LANCE = 1,       // 香落ち
  HANDICAP_BISHOP = 2,      // 角落ち
  HANDICAP_ROOK = 3,        // 飛車落ち
  HANDICAP_ROOK_LANCE = 4,  // 飛香落ち
  HANDICAP_TWO = 5,         // 二枚落ち
  HANDICAP_FOUR = 6,        // 四枚落ち
  HANDICAP_SIX = 7,         // 六枚落ち
};

// Writes the six handicap cells of the template, then sets up from it;
// every handicap but 0 gives the move to side 1.
void SetupHandicap(Position& position, int handicap);
// Builds the position from g_initialBoardTemplate.
void SetupInitialPosition(Position& position);

void RecountPawnFiles(Position& position);
void RecountTokins(Position& position);
void RecountHandTotals(Position& position);
// Zeroes the 81 attack records and adds the attacks of every piece on the board.
void RecomputeAttacks(Position& position);
// Adds one piece's attacks to the records (nothing when it is not on the board).
void AddPieceAttacks(Position& position, int id);

// Fixed side-relative weight used by the evaluation; 0 for knights.
int SideRelativeTableValue(int side, int type, int row, int rank);
