// The game record's position: 11 x 11 board with a border, both hands and
// the piece box, side to move and handicap; playing, taking back and editing
// moves, the position key, the book form, and the rules checks.
#pragma once

#include <cstdint>
#include <string>

#include "charset.h"
#include "records/kifu_piece.h"

class OutStream;
class SjisString;

struct BookPosition;

// Bit set of the pieces a handicap removes into the box: the second
// player's pieces from their start squares, or the first player's king.
using HandicapFlags = int32_t;
inline constexpr HandicapFlags HANDICAP_NONE = 0;
inline constexpr HandicapFlags HANDICAP_LANCE_11 = 0x1;    // lance on 1一
inline constexpr HandicapFlags HANDICAP_LANCE_91 = 0x2;    // lance on 9一
inline constexpr HandicapFlags HANDICAP_KNIGHT_21 = 0x4;   // knight on 2一
inline constexpr HandicapFlags HANDICAP_KNIGHT_81 = 0x8;   // knight on 8一
inline constexpr HandicapFlags HANDICAP_SILVER_31 = 0x10;  // silver on 3一
inline constexpr HandicapFlags HANDICAP_SILVER_71 = 0x20;  // silver on 7一
inline constexpr HandicapFlags HANDICAP_GOLD_41 = 0x40;    // gold on 4一
inline constexpr HandicapFlags HANDICAP_GOLD_61 = 0x80;    // gold on 6一
inline constexpr HandicapFlags HANDICAP_BISHOP_22 = 0x100;
inline constexpr HandicapFlags HANDICAP_ROOK_82 = 0x200;
inline constexpr HandicapFlags HANDICAP_FIRST_KING = 0x400;  // the first player's king on 5九
inline constexpr HandicapFlags HANDICAP_OTHER = 0x800;       // a box that is no known handicap

// The handicaps UpdateBoxAndHandicap recognises; any other box is HANDICAP_OTHER.
// Even, lance, bishop, rook, rook and lance, two pieces, four, six, eight,
// ten pieces, and the first player without a king.
inline constexpr HandicapFlags HANDICAP_TWO_PIECES = HANDICAP_BISHOP_22 | HANDICAP_ROOK_82;
inline constexpr HandicapFlags HANDICAP_FOUR_PIECES = HANDICAP_TWO_PIECES | HANDICAP_LANCE_11 | HANDICAP_LANCE_91;
inline constexpr HandicapFlags HANDICAP_SIX_PIECES = HANDICAP_FOUR_PIECES | HANDICAP_KNIGHT_21 | HANDICAP_KNIGHT_81;
inline constexpr HandicapFlags HANDICAP_EIGHT_PIECES = HANDICAP_SIX_PIECES | HANDICAP_SILVER_31 | HANDICAP_SILVER_71;
inline constexpr HandicapFlags HANDICAP_TEN_PIECES = HANDICAP_EIGHT_PIECES | HANDICAP_GOLD_41 | HANDICAP_GOLD_61;
inline constexpr HandicapFlags KIFU_KNOWN_HANDICAPS[] = {
    HANDICAP_NONE,         HANDICAP_LANCE_11,   HANDICAP_BISHOP_22,   HANDICAP_ROOK_82,
    HANDICAP_ROOK_82 | HANDICAP_LANCE_11,       HANDICAP_TWO_PIECES,  HANDICAP_FOUR_PIECES,
    HANDICAP_SIX_PIECES,   HANDICAP_EIGHT_PIECES, HANDICAP_TEN_PIECES, HANDICAP_FIRST_KING};
static_assert(HANDICAP_FOUR_PIECES == 0x303 && HANDICAP_SIX_PIECES == 0x30F && HANDICAP_EIGHT_PIECES == 0x33F &&
              HANDICAP_TEN_PIECES == 0x3FF && (HANDICAP_ROOK_82 | HANDICAP_LANCE_11) == 0x201);

// The record side's 64-bit position key as two words.
struct KifuPositionKey {
  uint32_t first = 0;
  uint32_t second = 0;
  constexpr bool operator==(const KifuPositionKey&) const = default;
};

// Pieces of a full set by type 0..8 (pawn 18 ... rook 2, king 2).
inline constexpr int KIFU_FULL_SET[9] = {0, 18, 4, 4, 4, 4, 2, 2, 2};

// Room every caller of GenerateMoves gives; the generator never writes more.
inline constexpr int KIFU_MAX_MOVES = 598;

// Hands and the box as the side argument of HandCount and CollectBoardPieces.
inline constexpr int KIFU_BOX = 2;

class KifuPosition {
 public:
  // board[rank * 11 + file]; files and ranks 1..9 are squares, 0 and 10 the
  // border (255). File 1 is the first player's right, rank 1 the second
  // player's back rank.
  KifuPieceCode board[121];
  // Counts by type 0..8 of the first player's hand, the second player's
  // hand and the piece box (pieces of a full set off the board and hands).
  int8_t hands[3][9];
  int32_t sideToMove;  // 0 first player, 1 second player
  HandicapFlags handicapFlags;

  // The even start position.
  KifuPosition() { SetStart(HANDICAP_NONE); }

  // Index of (file, rank) in board; both 0..10.
  static constexpr int SquareIndex(int file, int rank) { return rank * 11 + file; }
  // The code on (file, rank); the border code 255 for any square off the board.
  KifuPieceCode At(int file, int rank) const;

  // --- set-up, copy, comparison (kifu_position.cpp)
  // The start position with the handicap's pieces in the box; the handicap
  // giver (second player) moves first except in an even game or 0x400.
  void SetStart(HandicapFlags flags);
  // Copies the whole record.
  void CopyFrom(const KifuPosition& other);
  // Board, hands, box and side to move equal (the handicap is not compared).
  bool operator==(const KifuPosition& other) const;
  bool operator!=(const KifuPosition& other) const { return !(*this == other); }
  // Count of a type in hand 0, 1 or the box 2; 0 for any other side or type.
  int HandCount(int side, int type) const;

  // --- moves
  // Plays an ordinary move (kind 0, promote 0 or 1) that passes
  // IsValidMove(strict = 1); false and unchanged otherwise (markers too).
  bool DoMove(const KifuMove& move);
  // Takes back a move played by DoMove; false and unchanged when the board,
  // hands and side to move can't have come from it.
  bool UndoMove(const KifuMove& move);
  // Board editing: moves a piece between squares, hands and the box (with
  // a swap through the captured byte), or cycles a piece in place; the side
  // to move is kept. False and unchanged when it can't be done.
  bool EditMove(const KifuMove& move);

  // --- whole-position edits
  // Turns the board by 180 degrees, flips every piece's owner, swaps hands.
  void SwapSides();
  // Every board piece but the kings to hand side (0, 1, or 2 the box) as
  // its base type; false for another side.
  bool CollectBoardPieces(int side);
  // The other hand's pieces into hand side (0 or 1); false for another side.
  bool GatherHands(int side);
  // Recounts the box from the full set and rebuilds the handicap flags from it.
  void UpdateBoxAndHandicap();

  // --- key (kifu_position_key.cpp) and book form (kifu_book_position.cpp)
  // The 64-bit key seen from the side to move (colour-swapped turned
  // positions share it).
  void ComputeKey(KifuPositionKey& key) const;
  // The book's 45-byte record; false and out untouched when !IsValid().
  bool ToBookPosition(BookPosition& out) const;

  // --- rules: kifu_move_validity.cpp, kifu_position_validity.cpp,
  // kifu_check.cpp, kifu_move_generation.cpp, kifu_legal_moves.cpp,
  // kifu_impasse.cpp
  // 0 invalid, 1 valid and can't promote, 2 must promote, 3 may promote.
  // With strict a promote flag contradicting the class is invalid.
  int IsValidMove(const KifuMove& move, int strict) const;
  // Piece counts (kings in the box included), kings, pawn files, dead
  // pieces, and the side that has just moved not in check.
  bool IsValid() const;
  // The rule the position breaks, in words ("two unpromoted pawns of the
  // first player on file 2"); empty when it is valid.
  std::string InvalidReason() const;
  // Whether side's king is attacked (false without a king).
  bool IsInCheck(int side) const;
  // Writes the pseudo-legal moves matching the filters (-1 or 255 = any) and
  // returns their number, at most KIFU_MAX_MOVES. fromFile 1..9 board moves
  // from that file, 11 + side drops; piece and captured compare types;
  // promote 0 non-promotions only, 1 promotions only; side 0/1, else the
  // side to move. The order is fixed (notation relies on it): drops by type
  // pawn..rook, to rank, to file; then board moves by from rank, from file,
  // each piece's steps before its rays, without promotion before with.
  int GenerateMoves(KifuMove* out, int fromFile, int fromRank, int toFile, int toRank, KifuPieceCode piece,
                    KifuPieceCode captured, int promote, int side) const;
  // On the position after a pawn drop: whether the drop mates (forbidden).
  bool IsPawnDropMate(const KifuMove& drop) const;
  // Whether the side to move has a move that leaves its king unattacked.
  bool HasLegalMove() const;
  // Fills the piece bytes and kind of a move given by its squares; false and
  // the move untouched when the source holds nothing or a square is out of range.
  bool CompleteMove(KifuMove& move) const;
  // Judges an impasse declaration by the side to move against threshold 24
  // or 27: 0 not valid, 1 first player short of a win, 2 first player wins,
  // 3 second player wins, 4 impasse. *points gets the total (or -1).
  int CheckImpasseDeclaration(int threshold, int* points) const;

  // --- notation (move_notation.cpp)
  // The move's Japanese notation in this position (the one before the move),
  // with the relative words that tell it from the same type's other moves to
  // its square, written into out by KifuMove::FormatText.
  void MoveNotation(const KifuMove& move, int prevFile, int prevRank, SjisString& out) const;

  // --- CSA text (csa_writer.cpp)
  // The nine board rows, the hands and the side to move as CSA lines; 0, or
  // -1 when a write failed.
  int WriteCsaBlock(OutStream& out) const;

  // --- RVQ text (rvq_format.cpp)
  // The side to move, the second player's hand, the board and the first
  // player's hand as RVQ tags; 0, or -1 when a write failed.
  int WriteRvqBlock(OutStream& out) const;
};
