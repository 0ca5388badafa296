// Move phrases of relative Japanese notation: side mark, destination or 同,
// piece, qualifier words, 成 or 不成, an optional time. The candidates are
// the generated moves of that piece onto the square; the words narrow them.
#include "records/move_phrase.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <vector>

#include "board_geometry.h"
#include "records/kif_format.h"
#include "records/move_notation.h"

namespace {

// A read place in the phrase's text that never leaves it: bytes past the
// end read as 0 and steps stop at the end.
class PhraseCursor {
 public:
  PhraseCursor(const SjisString& text, int offset)
      : text_(text.Text()), length_(text.Length()), at_(std::clamp(offset, 0, text.Length())) {}

  int Offset() const { return at_; }
  // The NUL-terminated rest of the text.
  const char* Here() const { return text_ + at_; }
  unsigned char Byte(int ahead = 0) const {
    return at_ + ahead < length_ ? static_cast<unsigned char>(text_[at_ + ahead]) : 0;
  }
  // Steps over token when the text continues with it.
  bool Takes(const char* token) {
    const int size = static_cast<int>(std::strlen(token));
    if (length_ - at_ < size || std::memcmp(text_ + at_, token, static_cast<size_t>(size)) != 0) return false;
    at_ += size;
    return true;
  }
  void Skip(int count) { at_ = std::min(length_, at_ + count); }

 private:
  const char* text_;
  int length_;
  int at_;
};

// The side a mark names: 0 for ▲, 1 for △ or ▽, -1 for no mark.
int TakeSideMark(PhraseCursor& cursor) {
  if (cursor.Takes("▲")) return 0;
  if (cursor.Takes("△") || cursor.Takes("▽")) return 1;
  return -1;
}

int TakeAsciiDigit(PhraseCursor& cursor) {
  const int byte = cursor.Byte();
  if (byte < '1' || byte > '9') return 0;
  cursor.Skip(1);
  return byte - '0';
}

// A file: "1".."9" or "１".."９"; 0 for anything else.
int TakeFile(PhraseCursor& cursor) {
  if (const int digit = TakeAsciiDigit(cursor)) return digit;
  int value = 0;
  const int used = ParseFullWidthDigit(cursor.Here(), value);
  cursor.Skip(used);
  return used > 0 ? value : 0;
}

// A rank: "1".."9" or "一".."九"; 0 for anything else. Ranks stop at 9, so
// 十 is no rank (it would name ranks 10-19 that no square has).
int TakeRank(PhraseCursor& cursor) {
  if (const int digit = TakeAsciiDigit(cursor)) return digit;
  static const char* const kRankNumerals[9] = {"一", "二", "三", "四", "五", "六", "七", "八", "九"};
  for (int rank = 1; rank <= 9; ++rank) {
    if (cursor.Takes(kRankNumerals[rank - 1])) return rank;
  }
  return 0;
}

struct QualifierWord {
  const char* word;
  int flag;
};
// 行 and 中 are older words for 直: each only asks for the destination's file.
constexpr QualifierWord kQualifierWords[] = {
    {"右", QUALIFIER_RIGHT}, {"左", QUALIFIER_LEFT},   {"直", QUALIFIER_STRAIGHT},  {"行", QUALIFIER_FORWARD},
    {"中", QUALIFIER_MIDDLE}, {"上", QUALIFIER_UP},     {"引", QUALIFIER_BACK},      {"寄", QUALIFIER_SIDEWAYS},
};
constexpr int SAME_FILE_QUALIFIERS = QUALIFIER_STRAIGHT | QUALIFIER_FORWARD | QUALIFIER_MIDDLE;

// The words after the piece: qualifiers, 打, and 成 / 不成 / 生 (生 is the
// older word for 不成). Reading stops at the first other character.
struct PhraseWords {
  int qualifiers = 0;
  bool drop = false;
  int promote = 0;
};

PhraseWords TakeWords(PhraseCursor& cursor, int pieceType) {
  PhraseWords words;
  while (cursor.Byte() >= 0x80) {
    if (cursor.Takes("不成") || cursor.Takes("生")) {
      words.promote = 0;
    } else if (cursor.Takes("成")) {
      words.promote = 1;
    } else if (pieceType >= KIFU_PAWN && pieceType <= KIFU_ROOK && cursor.Takes("打")) {
      words.drop = true;
    } else {
      const QualifierWord* found = std::find_if(std::begin(kQualifierWords), std::end(kQualifierWords),
                                                [&](const QualifierWord& entry) { return cursor.Takes(entry.word); });
      if (found == std::end(kQualifierWords)) break;
      words.qualifiers |= found->flag;
    }
  }
  return words;
}

// Whether a candidate meets one qualifier, by the table of the words: with
// d = +1 for the first player and -1 for the second, 右 keeps sources with
// file x d below the destination's, 上 sources with rank x d above it. A
// drop has no source square and meets none of them.
bool MeetsQualifier(const KifuMove& candidate, int flag, int side, int toFile, int toRank) {
  if (candidate.IsDrop()) return false;
  const int d = -SideSign(side);
  const int fromFile = candidate.fromFile * d, fromRank = candidate.fromRank * d;
  switch (flag) {
    case QUALIFIER_RIGHT: return fromFile < toFile * d;
    case QUALIFIER_LEFT: return fromFile > toFile * d;
    case QUALIFIER_UP: return fromRank > toRank * d;
    case QUALIFIER_BACK: return fromRank < toRank * d;
    case QUALIFIER_SIDEWAYS: return candidate.fromRank == toRank;
    default: return candidate.fromFile == toFile;  // 直 行 中
  }
}

using Candidates = std::vector<KifuMove>;

template <class Keep>
void KeepOnly(Candidates& candidates, Keep keep) {
  candidates.erase(std::remove_if(candidates.begin(), candidates.end(), [&](const KifuMove& m) { return !keep(m); }),
                   candidates.end());
}

// A dragon's or horse's 右 / 左 names the piece on the mover's right or left
// of the other one. Where that piece is also right or left of the
// destination the destination test finds it; where it stands on the
// destination's own file (the notation writes 右 / 左 there instead of 直)
// none passes that test, and the piece furthest to that side is the one.
void KeepFurthestToSide(Candidates& candidates, int flag, int side) {
  // file x toward is smallest for the piece furthest toward the named side.
  const int toward = flag == QUALIFIER_RIGHT ? -SideSign(side) : SideSign(side);
  KeepOnly(candidates, [](const KifuMove& m) { return !m.IsDrop(); });
  if (candidates.empty()) return;
  const auto furthest = std::min_element(candidates.begin(), candidates.end(), [&](const KifuMove& a, const KifuMove& b) {
    return a.fromFile * toward < b.fromFile * toward;
  });
  const int file = furthest->fromFile;
  KeepOnly(candidates, [&](const KifuMove& m) { return m.fromFile == file; });
}

void ApplyQualifiers(Candidates& candidates, int qualifiers, int pieceType, int side, int toFile, int toRank) {
  const bool majorPromoted = pieceType == KIFU_DRAGON || pieceType == KIFU_HORSE;
  for (const QualifierWord& entry : kQualifierWords) {
    if (!(qualifiers & entry.flag)) continue;
    const Candidates before = candidates;
    KeepOnly(candidates, [&](const KifuMove& m) { return MeetsQualifier(m, entry.flag, side, toFile, toRank); });
    if (candidates.empty() && majorPromoted && (entry.flag == QUALIFIER_RIGHT || entry.flag == QUALIFIER_LEFT)) {
      candidates = before;
      KeepFurthestToSide(candidates, entry.flag, side);
    }
  }
  // Two pieces on the destination's file both pass 直; the word means
  // moving straight forward, so the one coming from behind is meant.
  if ((qualifiers & SAME_FILE_QUALIFIERS) && candidates.size() > 1) {
    Candidates forward = candidates;
    KeepOnly(forward, [&](const KifuMove& m) { return MeetsQualifier(m, QUALIFIER_UP, side, toFile, toRank); });
    if (!forward.empty()) candidates = forward;
  }
}

bool LeavesKingSafe(const KifuPosition& position, const KifuMove& move) {
  KifuPosition after = position;
  return after.DoMove(move) && !after.IsInCheck(position.sideToMove);
}

// "(mm:ss)" after the phrase, read at fixed places: bytes 1, 2, 4 and 5
// after the "(" are the digits, any other byte counts 0. The cursor stays.
int ReadTime(const PhraseCursor& cursor) {
  if (cursor.Byte() != '(') return 0;
  const auto digit = [&](int ahead) {
    const int byte = cursor.Byte(ahead);
    return byte >= '0' && byte <= '9' ? byte - '0' : 0;
  };
  return (digit(1) * 10 + digit(2)) * 60 + digit(4) * 10 + digit(5);
}

// What a damaged side mark may leave before its phrase: two characters,
// or four bytes (junk put among the mark's bytes may pair with one of them
// into other characters).
constexpr int kDamagedMarkCharacters = 2;
constexpr int kDamagedMarkBytes = 4;

// The bytes of the piece name at the cursor, 0 when none is there (a side
// mark or an empty square's token is none).
int PieceNameBytes(const PhraseCursor& cursor, KifuPieceCode& piece) {
  const int used = piece.Parse(cursor.Here());
  return used > 0 && piece.IsPiece() ? used : 0;
}

// A phrase after its side mark: a destination (同 or a square), a piece
// name and the words after it; false, the cursor anywhere, when none is there.
bool TakePhraseBody(PhraseCursor& cursor) {
  const bool destination =
      cursor.Takes("同　") || cursor.Takes("同") || (TakeFile(cursor) != 0 && TakeRank(cursor) != 0);
  KifuPieceCode piece;
  const int used = destination ? PieceNameBytes(cursor, piece) : 0;
  if (used == 0) return false;
  cursor.Skip(used);
  TakeWords(cursor, piece.Type());
  return true;
}

// Whether the text after a phrase ends it as a phrase ends: at the line
// end, a blank, its time or the next mark. Words of other text may begin
// like one ("同竜王戦", "六角精児").
bool EndsAsPhrase(PhraseCursor& cursor) {
  const int next = cursor.Byte();
  return next <= ' ' || next == '(' || cursor.Takes("　") || StartsWithSideMark(cursor.Here());
}

// Whether a phrase without its file follows, where the file stood: what a
// phrase whose file was lost, or had bytes changed or put in, leaves after
// its mark. The file's place is as a damaged mark's: at most two
// characters, or a run of junk that holds no word.
bool FollowsDamagedFile(PhraseCursor cursor) {
  bool words = false;
  for (int skipped = 0; cursor.Byte() != 0 && (skipped <= kDamagedMarkCharacters || !words); ++skipped) {
    PhraseCursor rest = cursor;
    KifuPieceCode piece;
    const int used = TakeRank(rest) != 0 ? PieceNameBytes(rest, piece) : 0;
    if (used > 0) {
      rest.Skip(used);
      TakeWords(rest, piece.Type());
      if (EndsAsPhrase(rest)) return true;
    }
    words = words || IsWordCharacter(cursor.Here());
    cursor.Skip(SjisCharacterLength(cursor.Here()));
  }
  return false;
}

// Whether text holds a marked phrase, or with `markless` one whose mark was
// damaged.
bool FindMovePhrase(const char* text, bool markless) {
  const SjisString line(text);
  int characters = 0;
  bool words = false;
  for (int start = 0; start < line.Length(); start += SjisCharacterLength(line.Text() + start)) {
    PhraseCursor cursor(line, start);
    const bool marked = TakeSideMark(cursor) >= 0;
    // Without its mark, a phrase counts only where the mark stood; after
    // words, header prose such as 横歩取り８五飛 or 研究会 同金 の筋
    // merely names moves.
    const bool whereTheMarkStood = characters <= kDamagedMarkCharacters || start <= kDamagedMarkBytes || !words;
    ++characters;
    words = words || IsWordCharacter(line.Text() + start);
    if (!marked && !(markless && whereTheMarkStood)) continue;
    if (!TakePhraseBody(cursor)) continue;
    if (marked || EndsAsPhrase(cursor)) return true;
  }
  return false;
}

}  // namespace

// A damaged mark leaves ASCII, symbols, half-width kana or broken
// characters instead of a word's. The marks written among words (々, ー) are
// left out: a word holds other characters, and junk put into a mark's bytes
// may make one of them (0x81 0x58 is 々).
bool IsWordCharacter(const char* p) {
  const unsigned char lead = static_cast<unsigned char>(p[0]), trail = static_cast<unsigned char>(p[1]);
  if (!IsSjisLeadByte(lead) || trail < 0x40 || trail == 0x7F || trail > 0xFC) return false;
  const unsigned code = static_cast<unsigned>(lead) << 8 | trail;
  const bool kana = (code >= 0x829F && code <= 0x82F1) || (code >= 0x8340 && code <= 0x8396);
  // The kanji rows, with the few gaps and symbols among them.
  const bool kanji = (lead >= 0x88 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xEA) || lead == 0xED ||
                     lead == 0xEE || lead >= 0xFA;
  return kana || kanji;
}

bool ParseMovePhrase(KifuMove& move, const KifuPosition& position, int sameFile, int sameRank, const SjisString& text,
                     int& offset, int& seconds) {
  seconds = 0;
  PhraseCursor cursor(text, offset);
  const auto fail = [&] {
    offset = cursor.Offset();
    return false;
  };
  const int side = TakeSideMark(cursor);
  if (side != position.sideToMove) return fail();

  int toFile = 0, toRank = 0;
  if (cursor.Takes("同　") || cursor.Takes("同")) {
    toFile = sameFile;
    toRank = sameRank;
  } else {
    toFile = TakeFile(cursor);
    if (toFile != 0) toRank = TakeRank(cursor);
  }
  if (!IsOnBoard(toFile, toRank)) return fail();

  KifuPieceCode piece(side * KIFU_SECOND_PLAYER_BIT);
  const int used = piece.Parse(cursor.Here());
  if (used == 0) piece = KifuPieceCode(side * KIFU_SECOND_PLAYER_BIT + KIFU_KING);
  cursor.Skip(used);
  if (!piece.IsPiece()) return fail();  // a side mark or an empty-square token

  const PhraseWords words = TakeWords(cursor, piece.Type());
  const int fromFile = words.drop ? KIFU_FIRST_HAND_FILE + side : -1;
  const int fromRank = words.drop ? piece.Type() : -1;
  KifuMove generated[KIFU_MAX_MOVES];
  const int count =
      position.GenerateMoves(generated, fromFile, fromRank, toFile, toRank, piece, -1, words.promote, side);
  Candidates candidates(generated, generated + count);
  if (candidates.size() > 1) {
    ApplyQualifiers(candidates, words.qualifiers, piece.Type(), side, toFile, toRank);
    // A drop is written with 打 wherever a board piece could also go.
    if (candidates.size() > 1 && !words.drop) KeepOnly(candidates, [](const KifuMove& m) { return !m.IsDrop(); });
    if (candidates.size() > 1) KeepOnly(candidates, [&](const KifuMove& m) { return LeavesKingSafe(position, m); });
  }
  if (candidates.size() != 1) return fail();

  while (cursor.Byte() == ' ') cursor.Skip(1);
  offset = cursor.Offset();
  seconds = ReadTime(cursor);
  const KifuMove& chosen = candidates.front();
  move = KifuMove(chosen.fromFile, chosen.fromRank, toFile, toRank, piece, position.At(toFile, toRank), words.promote,
                  KifuMoveKind::Ordinary);
  return true;
}

bool StartsWithSideMark(const char* text) {
  return std::strncmp(text, "▲", 2) == 0 || std::strncmp(text, "△", 2) == 0 || std::strncmp(text, "▽", 2) == 0;
}

bool HoldsSideMark(const char* text) {
  for (const char* p = text; *p != '\0'; p += SjisCharacterLength(p)) {
    if (StartsWithSideMark(p)) return true;
  }
  return false;
}

bool BeginsMovePhrase(const char* text) {
  const SjisString line(text);
  PhraseCursor cursor(line, 0);
  if (TakeSideMark(cursor) < 0) return false;
  PhraseCursor file = cursor;
  // A phrase cut short after its mark (inside the character after it too),
  // or whose file was damaged, is a move line still: it fails where it
  // stands, and is named there.
  const bool cut =
      cursor.Byte() == 0 || (IsSjisLeadByte(static_cast<unsigned char>(cursor.Byte())) && cursor.Byte(1) == 0);
  return cut || cursor.Takes("同") || TakeFile(file) != 0 || FollowsDamagedFile(cursor);
}

bool HoldsMarkedMovePhrase(const char* text) { return FindMovePhrase(text, false); }

bool HoldsMovePhrase(const char* text) { return FindMovePhrase(text, true); }

std::string UnreadPhraseText(const SjisString& line, int offset, bool afterPhrase) {
  PhraseCursor cursor(line, offset);
  if (const char* timeEnd = afterPhrase ? TimeFieldEnd(cursor.Here()) : nullptr) {
    cursor.Skip(static_cast<int>(timeEnd - cursor.Here()));
  }
  while (cursor.Takes(" ") || cursor.Takes("　")) {
  }
  if (cursor.Byte() == 0) return "";
  if (afterPhrase) return std::string("'") + cursor.Here() + "' after the last move read";
  return HoldsSideMark(cursor.Here()) ? "moves on a line that does not begin with ▲ or △"
                                      : "a line that is no move, comment, variation or result";
}
