// The CSA reader: header tokens (names, board rows, placements, hands, the
// side to move) into a start position, then moves, times and the special
// "%" moves along one line, built apart and installed by Kifu::Adopt.
#include <cctype>
#include <cstring>
#include <string>

#include "records/csa_token.h"
#include "records/kifu.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A CSA piece of two letters at text (which may end there); 0 when there is
// none. Kanji names are read too, but only as two bytes, so that a group of
// four characters stays four bytes long.
int PieceTypeAt(const char* text) {
  KifuPieceCode code(0);
  if (code.Parse(text) != 2 || !code.IsPiece()) return 0;
  return code.Type();
}

// How many pieces of a base type (pawn..king) the board and both hands hold.
int PlacedCount(const KifuPosition& position, int baseType) {
  int count = position.hands[0][baseType] + position.hands[1][baseType];
  for (int rank = 1; rank <= 9; ++rank) {
    for (int file = 1; file <= 9; ++file) {
      const KifuPieceCode code = position.At(file, rank);
      if (code.IsPiece() && KifuBaseType(code.Type()) == baseType) ++count;
    }
  }
  return count;
}

class CsaHeaderReader {
 public:
  // Ignored: a token of no header form, passed over (when not strict).
  // SideAgain: a second side-to-move line, which sets the side again (the
  // last one counts).
  enum class Step { Continue, Ignored, SideAgain, EndsHeader, Fail };

  // Takes one header token into the start position or the names.
  Step Read(const SjisString& token, bool strict) {
    const char* text = token.Text();
    switch (text[0]) {
      case 'N':
        if (text[1] != '+' && text[1] != '-') return Unknown(text, strict);
        recognised = true;
        if (!boardSeen_) names[text[1] == '-' ? 1 : 0].Assign(text + 2);
        return Step::Continue;
      case 'P':
        if (text[1] >= '1' && text[1] <= '9') {
          ReadRow(token, text[1] - '0');
        } else if (text[1] == '+' || text[1] == '-') {
          ReadPlacements(token, text[1] == '-' ? 1 : 0);
        } else if (text[1] == 'I') {
          ReadEvenStartWithRemovals(token);
        } else {
          return Unknown(text, strict);
        }
        boardSeen_ = true;
        recognised = true;
        return Step::Continue;
      case '+':
      case '-':
        // A longer token is the first move; it proves nothing until it is accepted.
        start.sideToMove = text[0] == '-' ? 1 : 0;
        if (text[1] != '\0') return Step::EndsHeader;
        recognised = true;
        if (sideSeen_) return Step::SideAgain;
        sideSeen_ = true;
        return Step::Continue;
      case '%':
      case 'T':
        return Step::EndsHeader;
      case '/':
        // The record ends here, before any move: the moves see it too.
        if (text[1] == '\0') return Step::EndsHeader;
        return Unknown(text, strict);
      default:
        return Unknown(text, strict);
    }
  }

  KifuPosition start;
  SjisString names[2];
  // A real CSA element was read (names, board, hands, side line).
  bool recognised = false;

 private:
  // The version line and "$" header lines other software writes are
  // accepted even when pasting, but they prove nothing.
  static Step Unknown(const char* text, bool strict) {
    const bool version = text[0] == 'V' && IsDigit(text[1]);
    const bool header = text[0] == '$' && std::strchr(text, ':') != nullptr;
    if (version || header) return Step::Continue;
    return strict ? Step::Fail : Step::Ignored;
  }

  void ClearBoard() {
    for (int rank = 1; rank <= 9; ++rank) {
      for (int file = 1; file <= 9; ++file) start.board[KifuPosition::SquareIndex(file, rank)] = 0;
    }
  }

  // Rows describe the whole board; placements given before them keep their hands.
  void DefineBoard(bool byRows) {
    if (!boardDefined_) {
      for (int type = 0; type <= KIFU_KING; ++type) start.hands[0][type] = start.hands[1][type] = 0;
    }
    if (!boardDefined_ || (byRows && !rowsSeen_)) ClearBoard();
    boardDefined_ = true;
    rowsSeen_ = rowsSeen_ || byRows;
  }

  void ReadRow(const SjisString& token, int rank) {
    DefineBoard(true);
    const char* text = token.Text();
    for (int column = 0; column < 9; ++column) {
      const int at = 2 + column * 3;
      KifuPieceCode code(0);
      if (at < token.Length() && (text[at] == '+' || text[at] == '-')) {
        const int type = PieceTypeAt(text + at + 1);
        if (type != 0) code = type + (text[at] == '-' ? KIFU_SECOND_PLAYER_BIT : 0);
      }
      start.board[KifuPosition::SquareIndex(9 - column, rank)] = code;
    }
  }

  // "P+" or "P-" groups of file, rank and piece; "00" puts the piece in
  // hand and "00AL" every piece not yet placed. A group that fits nothing,
  // a partial group, or a piece beyond the full set ends the token.
  void ReadPlacements(const SjisString& token, int side) {
    DefineBoard(false);
    const char* text = token.Text();
    for (int at = 2; at + 4 <= token.Length(); at += 4) {
      if (!IsDigit(text[at]) || !IsDigit(text[at + 1])) return;
      const int file = text[at] - '0', rank = text[at + 1] - '0';
      if (file == 0 && rank == 0 && text[at + 2] == 'A' && text[at + 3] == 'L') {
        for (int type = KIFU_PAWN; type <= KIFU_ROOK; ++type) {
          const int missing = KIFU_FULL_SET[type] - PlacedCount(start, type);
          if (missing > 0) start.hands[side][type] = static_cast<int8_t>(start.hands[side][type] + missing);
        }
        continue;
      }
      const int type = PieceTypeAt(text + at + 2);
      if (type == 0) return;
      const int base = KifuBaseType(type);
      if (file == 0 && rank == 0) {
        if (type > KIFU_ROOK || PlacedCount(start, base) >= KIFU_FULL_SET[base]) return;
        start.hands[side][type] = static_cast<int8_t>(start.hands[side][type] + 1);
      } else if (file >= 1 && rank >= 1) {
        KifuPieceCode& square = start.board[KifuPosition::SquareIndex(file, rank)];
        const KifuPieceCode before = square;
        square = 0;
        if (PlacedCount(start, base) >= KIFU_FULL_SET[base]) {
          square = before;
          return;
        }
        square = type + (side == 1 ? KIFU_SECOND_PLAYER_BIT : 0);
      } else {
        return;
      }
    }
  }

  // "PI" and the squares whose pieces a handicap takes off ("PI82HI22KA").
  void ReadEvenStartWithRemovals(const SjisString& token) {
    const int side = start.sideToMove;
    start.SetStart(HANDICAP_NONE);
    start.sideToMove = side;
    boardDefined_ = true;
    const char* text = token.Text();
    for (int at = 2; at + 4 <= token.Length(); at += 4) {
      if (!IsDigit(text[at]) || !IsDigit(text[at + 1])) return;
      const KifuPieceCode piece = start.At(text[at] - '0', text[at + 1] - '0');
      if (!piece.IsPiece() || piece.Type() != PieceTypeAt(text + at + 2)) return;
      start.board[KifuPosition::SquareIndex(text[at] - '0', text[at + 1] - '0')] = 0;
    }
  }

  bool boardSeen_ = false;
  bool sideSeen_ = false;
  bool boardDefined_ = false;
  bool rowsSeen_ = false;
};

// The seconds after "T"; no digits give 0, and a huge count saturates at
// the readers' common cap (a KIF time field can't carry more).
int ReadSeconds(const char* p) {
  int value = 0;
  for (; IsDigit(*p); ++p) {
    value = value > (KIFU_MAX_CONSUMED_TIME - (*p - '0')) / 10 ? KIFU_MAX_CONSUMED_TIME : value * 10 + (*p - '0');
  }
  return value;
}

// Whether the token holds a move's squares and piece ("7776FU") after a
// "+" or "-" sign ("x+7776FU": text put before a move line), or, unless
// signed, also without one (the sign changed to something else).
bool HoldsMove(const char* text, bool withSign) {
  for (const char* p = text; *p != '\0'; ++p) {
    if (IsDigit(p[0]) && IsDigit(p[1]) && IsDigit(p[2]) && IsDigit(p[3]) &&
        std::isalpha(static_cast<unsigned char>(p[4])) && std::isalpha(static_cast<unsigned char>(p[5])) &&
        (!withSign || (p > text && (p[-1] == '+' || p[-1] == '-')))) {
      return true;
    }
  }
  return false;
}

// Whether a "T" token is a time as the format writes it: digits or nothing,
// with a fraction after a "." in newer files (read as its whole seconds).
bool IsTime(const char* text) {
  const char* p = text + 1;
  while (IsDigit(*p)) ++p;
  if (*p == '.' && p > text + 1) {
    for (++p; IsDigit(*p); ++p) {
    }
  }
  return *p == '\0';
}

// The "/" line that ends a record: a file may hold several records, and
// this reader reads the first. Another one after it is reported once, at
// its first token; trailing comments and blank lines are no record.
void ReportRecordAfterEnd(CsaTokenReader& tokens, LineCountingInStream& in, ReadReport* report) {
  SjisString token;
  if (tokens.ReadCsaToken(in, token)) in.Skip(report, "another record after the \"/\" line, which is not read");
}

// Why a token of the moves is passed over: what the record lacks for it.
std::string PassedOverReason(const SjisString& token) {
  const char* text = token.Text();
  if (HoldsMove(text, true)) return "a move after other text";
  if (HoldsMove(text, false)) return "a move without its + or - sign";
  if (text[0] == 'T') return "a time that is not a number; no time was changed";
  if (text[0] == '%') return "an unknown result word";
  return "text that is no move, time or result";
}

}  // namespace

int Kifu::ReadCsa(InStream& stream, int merge, int strict, ReadReport* report) {
  LineCountingInStream in(stream);
  CsaHeaderReader header;
  CsaTokenReader tokens;
  SjisString token;
  bool kept = false;
  while (tokens.ReadCsaToken(in, token)) {
    const CsaHeaderReader::Step step = header.Read(token, strict != 0);
    if (step == CsaHeaderReader::Step::Fail) {
      in.Report(report, ReadProblem::NotThisFormat);
      return -1;
    }
    if (step == CsaHeaderReader::Step::EndsHeader) {
      kept = true;
      break;
    }
    // A move damaged into another kind of line would be lost without a
    // word: the sign changed ("x7776FU"), or a board line's letter put
    // before it ("P+7776FU"; a placement never holds four digits).
    const bool ignored = step == CsaHeaderReader::Step::Ignored;
    if (HoldsMove(token.Text(), !ignored) && (ignored || token.Text()[0] == 'P')) {
      in.Skip(report, PassedOverReason(token));
    }
    // A header has one side-to-move line: another is most likely the
    // first move cut after its sign.
    if (step == CsaHeaderReader::Step::SideAgain) in.Skip(report, "a second side-to-move line");
  }
  KifuPosition& start = header.start;
  start.UpdateBoxAndHandicap();
  // Whatever the text says, the start must be one the rules can play from.
  if (!CheckReadStart(start, report)) return -1;

  auto* table = new KifuPositionTable;
  KifuMoveNode* root = NewKifuGraph(start, table);
  KifuMoveNode* current = root;
  KifuPosition working = start;
  bool accepted = false;
  // The move the next time belongs to: none before the first move, nor
  // after a move or a result passed over, whose time would change the one
  // before it.
  KifuMoveNode* timed = nullptr;
  // After the header only moves, times and results are written: any other
  // token passed over is named by its own line, so that a damaged move is
  // not first noticed at the next move, which it makes impossible.
  const auto passOver = [&](const SjisString& passed) {
    in.Skip(report, PassedOverReason(passed));
    if (HoldsMove(passed.Text(), false)) timed = nullptr;
  };
  while (kept || tokens.ReadCsaToken(in, token)) {
    kept = false;
    const char first = token.Text()[0];
    if (std::strcmp(token.Text(), "/") == 0) {
      ReportRecordAfterEnd(tokens, in, report);
      break;
    }
    if (first == 'T') {
      // A time that is no number changes no time: it may be a damaged move.
      if (!IsTime(token.Text())) {
        passOver(token);
      } else if (timed != nullptr) {
        timed->consumedTime = ReadSeconds(token.Text() + 1);
      }
      continue;
    }
    if (first != '%' && first != '+' && first != '-') {
      passOver(token);
      continue;
    }
    KifuMove move;
    if (!ParseCsaSpecialMove(token, working, move)) {
      // Results a record has no kind for are passed over, others named; a
      // move that can't be read ends the line, so no later move is played
      // on the wrong position.
      if (first == '%') {
        if (!IsCsaResultWord(token)) passOver(token);
        timed = nullptr;
        continue;
      }
      in.Report(report, ReadProblem::UnreadableMove, nullptr, true);
      break;
    }
    const bool ordinary = move.kind == KifuMoveKind::Ordinary;
    KifuMoveNode* node = nullptr;
    if (!ordinary || working.IsValidMove(move, 1) != 0) {
      node = current->reachedNode->AddMove(move, 0, nullptr, 0, table, MergeChooser::None(), true);
    }
    if (node == nullptr || (ordinary && !working.DoMove(move))) {
      in.Report(report, ReadProblem::ImpossibleMove, nullptr, true);
      break;
    }
    current = node;
    timed = node;
    accepted = true;
    if (!ordinary) {
      // Nothing is read after the result; moves there, up to the end of
      // the record ("/"), are reported.
      while (tokens.ReadCsaToken(in, token)) {
        if (std::strcmp(token.Text(), "/") == 0) {
          ReportRecordAfterEnd(tokens, in, report);
          break;
        }
        const char mark = token.Text()[0];
        if (((mark == '+' || mark == '-') && IsDigit(token.Text()[1])) || HoldsMove(token.Text(), true)) {
          in.Skip(report, "a move after the result");
        }
      }
      break;
    }
  }
  if (!header.recognised && !accepted) {
    if (report != nullptr) *report = ReadReport{};
    in.Report(report, ReadProblem::NotThisFormat);
    FreeKifuGraph(root, table);
    return -1;
  }
  const SjisString none;
  // A merge whose start is not in this record fails, and says so.
  return Adopt(root, table, new SjisStringList, header.names, none, none, none, merge != 0);
}
