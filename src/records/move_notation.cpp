// Japanese notation of record moves: the text of a move or a marker, and the
// relative words (右 左 直 上 引 寄 打) chosen from the generated moves of the
// same piece type onto the same square.
#include "records/move_notation.h"

#include "board_geometry.h"
#include "records/kifu_movement.h"
#include "records/sjis_string.h"

namespace {

// Words of the qualifier flags, bit 0 first.
const char* const kQualifierWords[] = {"右", "左", "中", "寄", "上", "引", "直", "行", "打"};
constexpr int QUALIFIER_COUNT = static_cast<int>(sizeof(kQualifierWords) / sizeof(kQualifierWords[0]));

// Words of the record's markers by kind; kind 0 is a move and has none.
const char* const kKindWords[16] = {
    "",
    "詰み",
    "投了",
    "切れ負け",
    "負け",
    "反則負け",
    "反則勝ち",
    "勝ち",
    "持将棋",
    "千日手",
    "千日手-後手連続王手",
    "千日手-先手連続王手",
    "== 対局開始 ==",
    "待った",
    "中断",
    "再開",
};
constexpr int KIND_COUNT = 16;

// Markers that stand for the game rather than one player: their word alone,
// without a side mark.
constexpr bool IsSidelessKind(int kind) { return kind >= 8 && kind <= 15 && kind != 13; }

// The first player's pieces are the codes 1..15; anything else (0, the
// second player's 16..31 and out-of-range bytes) is written as the second's.
constexpr bool IsFirstPlayerCode(int code) { return code >= 1 && code <= 15; }

// A board move that stays unpromoted where it could promote: an unpromoted
// piece other than gold or king starting or ending in the owner's far zone.
bool DeclinesPromotion(const KifuMove& move) {
  if (move.IsDrop()) return false;  // drops never promote
  const KifuPieceCode piece = move.piece;
  if (!piece.IsPiece()) return false;
  return CanPromote(piece.Type(), piece.Side(), move.fromRank, move.toRank);
}

// The destination as a full-width file digit and a kanji rank; the numeral
// writers take any number, so a stray byte gives odd text but no bad read.
void AppendSquare(int file, int rank, SjisString& out) {
  SjisString numeral;
  numeral.SetFullWidthNumber(file);
  out.Append(numeral);
  numeral.SetKanjiNumber(rank);
  out.Append(numeral);
}

// Where the piece stands seen from the destination, in the first player's
// view. Horizontal: left of it (moves toward file 1), on its file, right of it.
enum HorizontalClass : int { FROM_LEFT = 1, FROM_SAME_FILE = 2, FROM_RIGHT = 3 };
// Vertical: behind it (moves toward rank 1), on its rank, in front of it.
enum VerticalClass : int { FROM_BEHIND = 4, FROM_SAME_RANK = 8, FROM_AHEAD = 12 };

constexpr int HorizontalOf(int fromFile, int toFile) {
  return toFile < fromFile ? FROM_LEFT : (toFile == fromFile ? FROM_SAME_FILE : FROM_RIGHT);
}
constexpr int VerticalOf(int fromRank, int toRank) {
  return toRank < fromRank ? FROM_BEHIND : (toRank == fromRank ? FROM_SAME_RANK : FROM_AHEAD);
}

bool StartsOn(const KifuMove& move, int file, int rank) { return move.fromFile == file && move.fromRank == rank; }

// Whether a board rival from another square, coming from the same vertical
// class as the move (in the first player's view), stands on the mover's
// right: a lower file for the first player, a higher one for the second.
bool HasRivalOnRight(const KifuMove* rivals, int count, const KifuMove& move, int vertical, int side) {
  for (int i = 0; i < count; ++i) {
    const KifuMove& other = rivals[i];
    if (StartsOn(other, move.fromFile, move.fromRank) || VerticalOf(other.fromRank, move.toRank) != vertical) continue;
    if (side == 0 ? other.fromFile < move.fromFile : other.fromFile > move.fromFile) return true;
  }
  return false;
}

// The words that tell the move from the other moves of its piece type onto
// its square, as qualifier flags.
int ChooseQualifiers(const KifuPosition& position, const KifuMove& move) {
  // Only a move of a real piece onto a board square has rivals; an
  // out-of-range square or piece byte would read as "any" in the filters.
  if (move.kind != KifuMoveKind::Ordinary || !move.piece.IsPiece() || !IsOnBoard(move.toFile, move.toRank)) return 0;

  KifuMove rivals[KIFU_MAX_MOVES];
  const int count = position.GenerateMoves(rivals, -1, -1, move.toFile, move.toRank, move.piece, -1, -1, -1);
  int ownCount = 0;
  for (int i = 0; i < count; ++i) {
    if (StartsOn(rivals[i], move.fromFile, move.fromRank)) ++ownCount;
  }
  if (ownCount == count) return 0;  // only this piece (with or without promotion)
  if (move.IsDrop()) return QUALIFIER_DROP;

  // The drops come first in the generated list; a board move competes with
  // board moves only.
  int first = 0;
  while (first < count && rivals[first].IsDrop()) ++first;
  const int boardCount = count - first;
  int ownBoardCount = 0;
  for (int i = first; i < count; ++i) {
    if (StartsOn(rivals[i], move.fromFile, move.fromRank)) ++ownBoardCount;
  }
  if (boardCount <= 1 || ownBoardCount == boardCount) return 0;

  int horizontal = HorizontalOf(move.fromFile, move.toFile);
  int vertical = VerticalOf(move.fromRank, move.toRank);
  bool horizontalShared = false, verticalShared = false;
  for (int i = first; i < count; ++i) {
    const KifuMove& other = rivals[i];
    if (StartsOn(other, move.fromFile, move.fromRank)) continue;
    horizontalShared = horizontalShared || HorizontalOf(other.fromFile, move.toFile) == horizontal;
    verticalShared = verticalShared || VerticalOf(other.fromRank, move.toRank) == vertical;
  }
  // The vertical word alone when it is unique, else the horizontal alone
  // when that is, else both.
  const bool useHorizontal = verticalShared;
  const bool useVertical = !verticalShared || horizontalShared;

  // The words are the mover's: the second player looks down the board.
  if (position.sideToMove == 1) {
    horizontal = FROM_LEFT + FROM_RIGHT - horizontal;
    vertical = FROM_BEHIND + FROM_AHEAD - vertical;
  }
  int flags = 0;
  if (useHorizontal) {
    if (horizontal == FROM_SAME_FILE) {
      // A dragon or horse may come straight back as well as straight up, so
      // 直 would not say which; records name it 右 or 左 instead, by where
      // it stands beside the rival that shares its vertical class.
      if (move.piece.Type() == KIFU_DRAGON || move.piece.Type() == KIFU_HORSE) {
        const bool rivalOnRight = HasRivalOnRight(rivals + first, count - first, move,
                                                  VerticalOf(move.fromRank, move.toRank), position.sideToMove);
        return rivalOnRight ? QUALIFIER_LEFT : QUALIFIER_RIGHT;
      }
      return QUALIFIER_STRAIGHT;  // 直 says the vertical too
    }
    flags |= horizontal == FROM_LEFT ? QUALIFIER_LEFT : QUALIFIER_RIGHT;
  }
  if (useVertical) {
    flags |=
        vertical == FROM_BEHIND ? QUALIFIER_UP : (vertical == FROM_SAME_RANK ? QUALIFIER_SIDEWAYS : QUALIFIER_BACK);
  }
  return flags;
}

}  // namespace

int KifuMove::FormatText(int prevFile, int prevRank, SjisString& out, int flags) const {
  const int kindCode = static_cast<int>(kind);
  out.Clear();
  if (IsSidelessKind(kindCode)) {
    out.Append(kKindWords[kindCode]);
    return 0;
  }
  out.Append(IsFirstPlayerCode(piece.Code()) ? "▲" : "△");
  if (kindCode >= KIND_COUNT) return -1;
  if (kindCode != 0) {
    out.Append(kKindWords[kindCode]);
    return 0;
  }
  if (toFile == prevFile && toRank == prevRank) {
    out.Append("同　");
  } else {
    AppendSquare(toFile, toRank, out);
  }
  out.Append(piece.Name(1));  // indexed by the low four bits: any byte has a name
  for (int bit = 0; bit < QUALIFIER_COUNT; ++bit) {
    if (flags & (1 << bit)) out.Append(kQualifierWords[bit]);
  }
  if (promote) {
    out.Append("成");
  } else if (DeclinesPromotion(*this)) {
    out.Append("不成");
  }
  return 0;
}

void KifuPosition::MoveNotation(const KifuMove& move, int prevFile, int prevRank, SjisString& out) const {
  move.FormatText(prevFile, prevRank, out, ChooseQualifiers(*this, move));
}
