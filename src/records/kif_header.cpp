// KIF header lines: the handicap line and board diagram written and read,
// hand lists, significant lines, comment lines and the header keys.
#include <algorithm>
#include <cstring>
#include <string>

#include "records/kif_format.h"
#include "records/kifu_graph.h"
#include "records/move_phrase.h"

namespace {

struct HandicapName {
  HandicapFlags flags;
  const char* name;     // as the reader takes it
  const char* written;  // padded with full-width blanks to four characters
};

constexpr HandicapName kHandicapNames[] = {
    {0x000, "平手", "平手　　"},         {0x001, "香落ち", "香落ち　"},       {0x100, "角落ち", "角落ち　"},
    {0x200, "飛車落ち", "飛車落ち"},     {0x201, "飛香落ち", "飛香落ち"},     {0x300, "二枚落ち", "二枚落ち"},
    {0x303, "四枚落ち", "四枚落ち"},     {0x30F, "六枚落ち", "六枚落ち"},     {0x33F, "八枚落ち", "八枚落ち"},
    {0x3FF, "十枚落ち", "十枚落ち"},     {0x800, "その他", "その他　"},       {0x400, "詰将棋", "詰将棋　"},
};

// Even games and mate problems name the players 先手/後手, handicap games
// 下手/上手.
bool UsesHandicapWords(HandicapFlags flags) { return flags != 0 && flags != HANDICAP_FIRST_KING; }

bool StartsWith(const char* text, const char* prefix) { return std::strncmp(text, prefix, std::strlen(prefix)) == 0; }

void WriteHand(const KifuPosition& position, int side, OutStream& out) {
  bool any = false;
  for (int type = KIFU_ROOK; type >= KIFU_PAWN; --type) {
    const int count = position.HandCount(side, type);
    if (count <= 0) continue;
    any = true;
    out.WriteString(KifuPieceCode(type).Name(0));
    if (count >= 2) {
      SjisString numeral;
      numeral.SetKanjiNumber(count);
      out.WriteString(numeral.Text());
    }
    out.WriteString("　");
  }
  if (!any) out.WriteString("なし");
  out.WriteString("\n");
}

// One header key and the hand side it names (-1 for other keys).
int HandSideOfKey(const char* key) {
  static constexpr const char* kFirst[] = {"先手の持駒", "先手持駒", "持駒", "下手の持駒", "下手持駒"};
  static constexpr const char* kSecond[] = {"後手の持駒", "後手持駒", "上手の持駒", "上手持駒"};
  for (const char* name : kFirst) {
    if (std::strcmp(key, name) == 0) return 0;
  }
  for (const char* name : kSecond) {
    if (std::strcmp(key, name) == 0) return 1;
  }
  return -1;
}

// A diagram row: "|" or the compact ":|".
bool IsBoardRow(const char* text) { return text[0] == '|' || (text[0] == ':' && text[1] == '|'); }

// Whether a header line begins as a line the header reader reads otherwise
// than as a key and its value: a comment ("*"), a remark ("#"), a diagram
// row or the moves line.
bool BeginsOtherLine(const char* text) {
  return text[0] == '*' || text[0] == '#' || IsBoardRow(text) || IsKifMovesLine(text);
}

// A KI2 text read as KIF ends its header at its first line of moves.
bool BeginsKi2Moves(const char* line) { return StartsWith(line, "▲") || StartsWith(line, "△"); }

// A mate problem leaves out the first player's king; the pieces no line
// placed belong to the defender's hand.
void FinishStartPosition(KifuPosition& position) {
  position.UpdateBoxAndHandicap();
  if (position.hands[KIFU_BOX][KIFU_KING] != 1) return;
  for (int type = KIFU_PAWN; type <= KIFU_ROOK; ++type) {
    if (position.hands[KIFU_BOX][type] > 0) position.hands[1][type] += position.hands[KIFU_BOX][type];
    position.hands[KIFU_BOX][type] = 0;
  }
  position.UpdateBoxAndHandicap();
}

}  // namespace

void WriteKifHeader(const KifuPosition& position, OutStream& out) {
  const char* handicap = "その他　";
  for (const HandicapName& entry : kHandicapNames) {
    if (entry.flags == position.handicapFlags) handicap = entry.written;
  }
  out.WriteString("手合割：");
  out.WriteString(handicap);
  out.WriteString("\n");

  KifuPosition standard;
  standard.SetStart(position.handicapFlags);
  if (position == standard) return;

  const bool handicapWords = UsesHandicapWords(position.handicapFlags);
  out.WriteString(handicapWords ? "上手の持駒：" : "後手の持駒：");
  WriteHand(position, 1, out);
  out.WriteString("  ９ ８ ７ ６ ５ ４ ３ ２ １\n+---------------------------+\n");
  for (int rank = 1; rank <= 9; ++rank) {
    out.WriteString("|");
    for (int file = 9; file >= 1; --file) {
      const KifuPieceCode code = position.At(file, rank);
      out.WriteString(code.Code() >= 17 && code.Code() <= 31 ? "v" : " ");
      out.WriteString(code.Code() <= 31 ? code.Name(0) : "・");
    }
    SjisString numeral;
    numeral.SetKanjiNumber(rank);
    out.WriteString("|");
    out.WriteString(numeral.Text());
    out.WriteString("\n");
  }
  out.WriteString("+---------------------------+\n");
  out.WriteString(handicapWords ? "下手の持駒：" : "先手の持駒：");
  WriteHand(position, 0, out);
  if (position.sideToMove == 0) {
    out.WriteString(handicapWords ? "下手番\n" : "先手番\n");
  } else {
    out.WriteString(handicapWords ? "上手番\n" : "後手番\n");
  }
}

void WriteKifComment(OutStream& out, const SjisString& comment) {
  if (comment.IsEmpty()) return;
  const char* text = comment.Text();
  for (;;) {
    const char* newline = std::strchr(text, '\n');
    SjisString piece(std::string(text, newline == nullptr ? std::strlen(text) : static_cast<size_t>(newline - text)).c_str());
    piece.TrimRight();
    // No line for an empty last piece (a comment ending in a line end).
    if (newline != nullptr || !piece.IsEmpty()) {
      out.WriteString("*");
      out.WriteString(piece.Text());
      out.WriteString("\n");
    }
    if (newline == nullptr) break;
    text = newline + 1;
  }
}

int ReadKifLine(InStream& in, SjisString& line) {
  for (;;) {
    if (in.ReadLine(line) != 0) return -1;
    line.TrimRight();
    if (line.IsEmpty()) continue;
    if (line.Text()[0] == '#' && line.Text()[1] != '%') continue;
    return 0;
  }
}

int ReadKifBoard(InStream& in, SjisString& line, KifuPosition& position) {
  for (int rank = 1; rank <= 9; ++rank) {
    if (rank > 1 && ReadKifLine(in, line) != 0) return -1;
    const int bar = line.FindByte('|', 0);
    if (bar < 0 || line.Length() - bar - 1 < 27) return -1;
    const char* cell = line.Text() + bar + 1;
    for (int file = 9; file >= 1; --file, cell += 3) {
      KifuPieceCode code(cell[0] == 'v' ? KIFU_SECOND_PLAYER_BIT : 0);
      if (code.Parse(cell + 1) != 2) return -1;
      // Side marks and blanks name no piece: the square is empty.
      if (code.IsEmpty()) code = 0;
      position.board[KifuPosition::SquareIndex(file, rank)] = code;
    }
  }
  return 0;
}

int ParseKifHand(const char* text, KifuPosition& position, int side) {
  if (side < 0 || side > 1) return -1;
  SjisString rest(text);
  rest.TrimLeft();
  if (rest.IsEmpty() || std::strcmp(rest.Text(), "なし") == 0) return 0;
  while (!rest.IsEmpty()) {
    KifuPieceCode code(0);
    if (code.Parse(rest.Text()) != 2) return -1;
    // Only pieces that can be held: no king, no promoted piece, no side mark.
    if (code.Type() < KIFU_PAWN || code.Type() > KIFU_ROOK) return -1;
    int count = 1;
    int used = 2;
    int numeral = 0;
    const int numeralBytes = ParseKanjiNumber(rest.Text() + 2, numeral);
    if (numeralBytes > 0) {
      count = numeral;
      used += numeralBytes;
    }
    // Saturates: any count beyond the full set fails the position's check later.
    position.hands[side][code.Type()] = static_cast<int8_t>(std::min(count, 127));
    rest.RemovePrefix(used);
    rest.TrimLeft();
  }
  return 0;
}

bool IsKifMovesLine(const char* line) { return StartsWith(line, KIF_MOVES_HEADER_SHORT); }

int VariationHeaderPly(const char* line, const char** end) {
  constexpr char kHeader[] = "変化：";
  if (!StartsWith(line, kHeader)) return 0;
  constexpr int CAP = 1 << 20;
  const char* p = line + std::strlen(kHeader);
  // Other programs align the number: "変化：   3手".
  while (*p == ' ' || StartsWith(p, "　")) p += *p == ' ' ? 1 : 2;
  int ply = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    ply = std::min(CAP, ply * 10 + (*p - '0'));
  }
  if (end != nullptr) *end = StartsWith(p, "手") ? p + 2 : nullptr;
  return ply;
}

const char* TimeFieldEnd(const char* p) {
  if (*p != '(') return nullptr;
  for (++p; *p == ' ' || *p == ':' || *p == '/' || (*p >= '0' && *p <= '9'); ++p) {
  }
  return *p == ')' ? p + 1 : nullptr;
}

int ReadKifHeader(InStream& in, SjisString& line, KifuMoveNode& root, KifuPosition& startPosition,
                  SjisString names[2], SjisString& date, SjisString& title, SjisString& event,
                  SjisStringList& extraList, ReadProblem* problem, bool (*beginsMoves)(const char* line)) {
  if (beginsMoves == nullptr) beginsMoves = BeginsKi2Moves;
  auto fail = [problem](ReadProblem what) {
    if (problem != nullptr) *problem = what;
    return -1;
  };
  for (;;) {
    if (ReadKifLine(in, line) != 0) {
      line.Clear();
      break;
    }
    line.TrimLeft();
    const char* text = line.Text();
    if (IsKifMovesLine(text) || beginsMoves(text)) break;
    if (text[0] == '*') {
      if (!root.comment.IsEmpty()) root.comment.Append("\r\n");
      root.comment.Append(text + 1);
      continue;
    }
    if (IsBoardRow(text)) {
      if (ReadKifBoard(in, line, startPosition) != 0) return fail(ReadProblem::BadDiagramRow);
      continue;
    }
    SjisString value;
    if (line.SplitAtChar("：", value) != 0) {
      if (std::strcmp(text, "先手番") == 0 || std::strcmp(text, "下手番") == 0) startPosition.sideToMove = 0;
      if (std::strcmp(text, "後手番") == 0 || std::strcmp(text, "上手番") == 0) startPosition.sideToMove = 1;
      continue;
    }
    // Some programs mark the players' lines with their side ("▲先手：…",
    // "△後手：…"): the key is what follows the mark, so the names reach the
    // players and no key written back begins with a mark. A key that would
    // begin a line of another kind once bared (a comment, a board row, the
    // moves line) is no header that could be written back, and is passed over.
    if (StartsWithSideMark(line.Text())) {
      while (StartsWithSideMark(line.Text())) {
        line.RemovePrefix(2);
        line.TrimLeft();
      }
      if (BeginsOtherLine(line.Text())) continue;
    }
    const char* key = line.Text();
    if (std::strcmp(key, "手合割") == 0) {
      const HandicapName* found = nullptr;
      for (const HandicapName& entry : kHandicapNames) {
        if (std::strcmp(value.Text(), entry.name) == 0) found = &entry;
      }
      if (found == nullptr) return fail(ReadProblem::UnknownHandicap);
      startPosition.SetStart(found->flags);
    } else if (const int side = HandSideOfKey(key); side >= 0) {
      if (ParseKifHand(value.Text(), startPosition, side) != 0) return fail(ReadProblem::BadHand);
    } else if (std::strcmp(key, "先手") == 0 || std::strcmp(key, "下手") == 0) {
      names[0] = value;
    } else if (std::strcmp(key, "後手") == 0 || std::strcmp(key, "上手") == 0) {
      names[1] = value;
    } else if (std::strcmp(key, "対局日") == 0 || std::strcmp(key, "開始日時") == 0) {
      date = value;
    } else if (std::strcmp(key, "表題") == 0) {
      title = value;
    } else if (std::strcmp(key, "棋戦") == 0) {
      event = value;
    } else {
      extraList.Append(line);
      extraList.Append(value);
    }
  }
  FinishStartPosition(startPosition);
  return 0;
}
