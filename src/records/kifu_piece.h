// The game record's one-byte piece code, its names, and the eight-byte move
// record with its kinds (ordinary moves and the record's markers).
#pragma once

#include <cstdint>

#include "charset.h"

class SjisString;

// Piece types of the record side (the low four bits of a KifuPieceCode).
enum KifuPieceType : int {
  KIFU_EMPTY = 0,
  KIFU_PAWN = 1,
  KIFU_LANCE = 2,
  KIFU_KNIGHT = 3,
  KIFU_SILVER = 4,
  KIFU_GOLD = 5,
  KIFU_BISHOP = 6,
  KIFU_ROOK = 7,
  KIFU_KING = 8,
  KIFU_PRO_PAWN = 9,
  KIFU_PRO_LANCE = 10,
  KIFU_PRO_KNIGHT = 11,
  KIFU_PRO_SILVER = 12,
  KIFU_NO_PIECE = 13,  // written by some editors; always read as an empty square
  KIFU_HORSE = 14,
  KIFU_DRAGON = 15,
};
inline constexpr int KIFU_SECOND_PLAYER_BIT = 16;
inline constexpr int KIFU_PROMOTED_BIT = 8;
inline constexpr uint8_t KIFU_BORDER_CODE = 255;  // border squares; "any" in generator filters

// The type a piece is counted as in hands and the box: a promoted piece
// counts as its unpromoted type, a king stays a king (type 8, not 8 & 7 = 0,
// so that a king moved off the board keeps a slot of its own).
constexpr int KifuBaseType(int type) { return type == KIFU_KING ? KIFU_KING : type & 7; }

// The types that promote: pawn, lance, knight, silver, bishop and rook
// (not gold or king, nor a type already promoted).
constexpr bool IsKifuPromotableType(int type) {
  return type == KIFU_PAWN || type == KIFU_LANCE || type == KIFU_KNIGHT || type == KIFU_SILVER ||
         type == KIFU_BISHOP || type == KIFU_ROOK;
}

// How many far ranks are dead ends for a type (IsDeadEndRank in
// board_geometry.h): 1 for pawns and lances, 2 for knights, 0 for the rest.
constexpr int KifuDeadEndRanks(int type) {
  return (type == KIFU_PAWN || type == KIFU_LANCE) ? 1 : (type == KIFU_KNIGHT ? 2 : 0);
}

// One-byte piece code: type in bits 0-3, bit 4 set for the second player's
// pieces; 255 is the board border. Codes 32-254 are never pieces.
class KifuPieceCode {
 public:
  constexpr KifuPieceCode() = default;
  // Implicit: codes are written as plain numbers throughout the record code.
  constexpr KifuPieceCode(int code) : code_(static_cast<uint8_t>(code)) {}

  // The stored byte.
  constexpr uint8_t Code() const { return code_; }
  // The code as a signed number (255 gives -1, "any" in the filters).
  constexpr int Value() const { return static_cast<int8_t>(code_); }
  // Type 0..15 (the low four bits).
  constexpr int Type() const { return code_ & 15; }
  // Owner: 0 first player, 1 second player.
  constexpr int Side() const { return (code_ >> 4) & 1; }
  // A real piece: code 1..31 of a type other than 0 and 13.
  constexpr bool IsPiece() const { return code_ <= 31 && Type() != KIFU_EMPTY && Type() != KIFU_NO_PIECE; }
  // An empty square: code 0..31 of type 0 or 13.
  constexpr bool IsEmpty() const { return code_ <= 31 && (Type() == KIFU_EMPTY || Type() == KIFU_NO_PIECE); }
  // A promoted piece (types 9..15 except 13).
  constexpr bool IsPromoted() const { return IsPiece() && Type() > KIFU_KING; }

  constexpr bool operator==(const KifuPieceCode&) const = default;

  // Name in style 0 (one character), 1 (full name), 2 (two letters) or
  // 3 (one letter); null for any other style. Both sides share the names.
  const char* Name(int style) const;
  // Reads one piece token at text into this code (keeping the side bit
  // unless the token is a side mark); the bytes used, or 0 and unchanged.
  int Parse(const char* text);

 private:
  uint8_t code_ = 0;
};
static_assert(sizeof(KifuPieceCode) == 1);

// The last byte of a KifuMove: 0 is a move on the board, every other kind a
// marker in the record (its moving-piece byte still tells the side).
enum class KifuMoveKind : uint8_t {
  Ordinary = 0,
  Mate = 1,
  Resignation = 2,
  LossOnTime = 3,
  Loss = 4,
  LossByFoul = 5,
  WinByFoul = 6,
  Win = 7,
  Impasse = 8,
  Repetition = 9,
  RepetitionCheckBySecond = 10,
  RepetitionCheckByFirst = 11,
  GameStart = 12,
  TakeBack = 13,
  Interruption = 14,
  Resumption = 15,
};

// Pseudo-files of moves: drops from a hand, and the piece box in editing.
inline constexpr int KIFU_FIRST_HAND_FILE = 11;
inline constexpr int KIFU_SECOND_HAND_FILE = 12;
inline constexpr int KIFU_BOX_FILE = 13;
// A hand or the box as the file of an editing move (11..13).
constexpr bool IsKifuStoreFile(int file) { return file >= KIFU_FIRST_HAND_FILE && file <= KIFU_BOX_FILE; }

// A move of the record. From file 1..9 a board square, 11/12 a drop from the
// first/second player's hand with the type in the from-rank byte, 13 the box
// (editing only); in editing moves the to file may also be 11..13 with the
// type in the to-rank byte. The moving piece is the unpromoted code for a
// promotion; captured is the destination's code (in editing, the piece that
// goes back to the source).
struct KifuMove {
  int8_t fromFile = 0;
  int8_t fromRank = 0;
  int8_t toFile = 0;
  int8_t toRank = 0;
  KifuPieceCode piece;
  KifuPieceCode captured;
  uint8_t promote = 0;
  KifuMoveKind kind = KifuMoveKind::Ordinary;

  constexpr KifuMove() = default;
  // The eight fields in record order.
  constexpr KifuMove(int srcFile, int srcRank, int dstFile, int dstRank, KifuPieceCode moving, KifuPieceCode taken,
                     int promotes, KifuMoveKind moveKind)
      : fromFile(static_cast<int8_t>(srcFile)),
        fromRank(static_cast<int8_t>(srcRank)),
        toFile(static_cast<int8_t>(dstFile)),
        toRank(static_cast<int8_t>(dstRank)),
        piece(moving),
        captured(taken),
        promote(static_cast<uint8_t>(promotes)),
        kind(moveKind) {}

  // Rewrites all eight fields.
  constexpr void Set(int srcFile, int srcRank, int dstFile, int dstRank, KifuPieceCode moving, KifuPieceCode taken,
                     int promotes, KifuMoveKind moveKind) {
    *this = KifuMove(srcFile, srcRank, dstFile, dstRank, moving, taken, promotes, moveKind);
  }
  // The moving piece.
  constexpr KifuPieceCode MovingPiece() const { return piece; }
  // A drop from a player's hand (from file 11 or 12).
  constexpr bool IsDrop() const { return fromFile == KIFU_FIRST_HAND_FILE || fromFile == KIFU_SECOND_HAND_FILE; }
  // Writes the move in Japanese notation into out (replacing it): side mark,
  // destination ("同　" on (prevFile, prevRank)), piece, the words of the
  // qualifier flags (records/move_notation.h), 成 or 不成; a marker writes
  // its word. 0, or -1 (only the side mark written) for a kind outside 0..15.
  int FormatText(int prevFile, int prevRank, SjisString& out, int flags) const;

  constexpr bool operator==(const KifuMove&) const = default;
};
static_assert(sizeof(KifuMove) == 8, "the move record is eight bytes");
