// The Japanese-notation text reader: header lines up to an empty line, a
// nine-row board diagram (the "|" rows or the compact ":" rows), the two
// hand lines, an empty line, then one move phrase, result word, comment or
// variation marker a line.
#include <algorithm>
#include <cstring>
#include <string>

#include "records/kif_format.h"
#include "records/kifu.h"
#include "records/move_phrase.h"
#include "records/read_graph.h"
#include "records/record_stream.h"
#include "records/result_words.h"

namespace {

bool StartsWith(const char* text, const char* prefix) { return std::strncmp(text, prefix, std::strlen(prefix)) == 0; }

// The next line with its trailing blanks and control bytes cut, skipping
// "#" lines; false at the end of input.
bool NextLine(InStream& in, SjisString& line) {
  do {
    if (in.ReadLine(line) != 0) return false;
    line.TrimRight();
  } while (line.Text()[0] == '#');
  return true;
}

struct HandicapName {
  const char* name;
  HandicapFlags flags;
};
constexpr HandicapName kHandicapNames[] = {
    {"平手", 0},         {"香落ち", 0x1},     {"角落ち", 0x100},   {"飛車落ち", 0x200},
    {"飛香落ち", 0x201}, {"二枚落ち", 0x300}, {"四枚落ち", 0x303}, {"六枚落ち", 0x30f},
    {"八枚落ち", 0x33f}, {"十枚落ち", 0x3ff}, {"その他", 0x800},   {"詰将棋", 0x400},
};

bool IsOneOf(const SjisString& text, const char* first, const char* second) {
  return std::strcmp(text.Text(), first) == 0 || std::strcmp(text.Text(), second) == 0;
}

// One header line; false for a line that is neither "key：value" nor a side
// line, or an unknown handicap (then named in problem).
bool ReadHeaderLine(SjisString line, ReadGraph& graph, ReadProblem& problem) {
  KifuPosition& start = graph.StartPosition();
  SjisString value;
  if (line.SplitAtChar("：", value) != 0) {
    if (IsOneOf(line, "先手番", "下手番")) {
      start.sideToMove = 0;
    } else if (IsOneOf(line, "後手番", "上手番")) {
      start.sideToMove = 1;
    } else {
      return false;
    }
    return true;
  }
  if (std::strcmp(line.Text(), "手合割") == 0) {
    problem = ReadProblem::UnknownHandicap;
    for (const HandicapName& entry : kHandicapNames) {
      if (std::strcmp(value.Text(), entry.name) == 0) {
        start.SetStart(entry.flags);
        return true;
      }
    }
    return false;
  }
  if (IsOneOf(line, "先手", "下手")) {
    graph.names[0] = value;
  } else if (IsOneOf(line, "後手", "上手")) {
    graph.names[1] = value;
  } else if (IsOneOf(line, "対局日", "開始日付")) {
    graph.date = value;
  } else if (std::strcmp(line.Text(), "表題") == 0) {
    graph.title = value;
  } else if (std::strcmp(line.Text(), "棋戦") == 0) {
    graph.event = value;
  } else {
    graph.ExtraHeaders().Append(line);
    graph.ExtraHeaders().Append(value);
  }
  return true;
}

// A "|" row: nine cells of a mark byte ("v": the second player's) and a
// two-byte piece name, file 9 first.
bool ReadPipeRow(const SjisString& line, int rank, KifuPosition& position) {
  if (line.Length() < 28) return false;
  for (int cell = 0; cell < 9; ++cell) {
    const char* at = line.Text() + 1 + 3 * cell;
    KifuPieceCode piece(at[0] == 'v' ? KIFU_SECOND_PLAYER_BIT : 0);
    if (piece.Parse(at + 1) != 2) return false;
    if (piece.IsEmpty()) piece = 0;
    position.board[KifuPosition::SquareIndex(9 - cell, rank)] = piece;
  }
  return true;
}

// A compact ":" row: one byte a cell, file 9 first, blanks past the end.
// Byte c in 0x20-0x43 holds v = c - 0x20: the kind v / 4 (0 empty, 1-8 pawn
// to king), bit 0 the promotion (kinds 1-7), bit 1 the second player.
bool ReadCompactRow(const SjisString& line, int rank, KifuPosition& position) {
  for (int cell = 0; cell < 9; ++cell) {
    const int c = cell + 1 < line.Length() ? static_cast<unsigned char>(line.Text()[cell + 1]) : ' ';
    if (c < 0x20 || c > 0x43) return false;
    const int v = c - 0x20, kind = v / 4;
    int code = 0;
    if (kind != KIFU_EMPTY) {
      code = kind + ((v & 2) ? KIFU_SECOND_PLAYER_BIT : 0);
      if ((v & 1) && kind < KIFU_KING) code += KIFU_PROMOTED_BIT;
    }
    position.board[KifuPosition::SquareIndex(9 - cell, rank)] = code;
  }
  return true;
}

bool ReadBoard(InStream& in, KifuPosition& position) {
  SjisString line;
  for (int rank = 1; rank <= 9; ++rank) {
    if (!NextLine(in, line)) return false;
    const bool read = line.Text()[0] == '|'   ? ReadPipeRow(line, rank, position)
                      : line.Text()[0] == ':' ? ReadCompactRow(line, rank, position)
                                              : false;
    if (!read) return false;
  }
  return true;
}

// The two hand lines; the counts must fit a full set before anything is
// counted from them.
bool ReadHands(InStream& in, KifuPosition& position) {
  SjisString line, value;
  for (int handLine = 0; handLine < 2; ++handLine) {
    if (!NextLine(in, line) || line.SplitAtChar("：", value) != 0) return false;
    int side = -1;
    if (IsOneOf(line, "先手持駒", "下手持駒")) side = 0;
    if (IsOneOf(line, "後手持駒", "上手持駒")) side = 1;
    if (side < 0 || ParseKifHand(value.Text(), position, side) != 0) return false;
  }
  for (int type = KIFU_PAWN; type <= KIFU_ROOK; ++type) {
    if (position.hands[0][type] < 0 || position.hands[1][type] < 0 ||
        position.hands[0][type] + position.hands[1][type] > KIFU_FULL_SET[type]) {
      return false;
    }
  }
  return position.hands[0][KIFU_KING] == 0 && position.hands[1][KIFU_KING] == 0;
}

// The header, board and hands; false with the problem named.
bool ReadStart(InStream& in, ReadGraph& graph, ReadProblem& problem) {
  SjisString line;
  problem = ReadProblem::NotThisFormat;
  for (;;) {
    if (!NextLine(in, line)) return false;
    if (line.IsEmpty()) break;
    if (!ReadHeaderLine(line, graph, problem)) return false;
  }
  KifuPosition& start = graph.StartPosition();
  const bool otherSaid = start.handicapFlags == HANDICAP_OTHER;
  problem = ReadProblem::BadDiagramRow;
  if (!ReadBoard(in, start)) return false;
  problem = ReadProblem::BadHand;
  if (!ReadHands(in, start)) return false;
  start.UpdateBoxAndHandicap();
  problem = ReadProblem::InvalidStart;
  if (start.handicapFlags == HANDICAP_OTHER && !otherSaid) return false;
  problem = ReadProblem::NotThisFormat;
  return NextLine(in, line) && line.IsEmpty();
}

// The decimal number after leading blanks, capped; 0 without digits.
int NumberAt(const char* p) {
  constexpr int CAP = 1 << 20;
  while (*p == ' ') ++p;
  int number = 0;
  for (; *p >= '0' && *p <= '9'; ++p) number = std::min(CAP, number * 10 + (*p - '0'));
  return number;
}

// One body line; false ends the body, with the problem named. Text the
// line holds that was not read leaves its reason in skipped: a line that
// no rule reads may be a move line whose mark was damaged.
bool ReadBodyLine(const SjisString& line, ReadGraph& graph, ReadProblem& problem, std::string& skipped) {
  if (line.Text()[0] == '*') {
    graph.AppendComment(line.Text() + 1);
    return true;
  }
  int offset = 0;
  const char* text = line.Text();
  for (;;) {
    if (text[offset] == ' ' || text[offset] == '|') {
      ++offset;
    } else if (StartsWith(text + offset, "　")) {
      offset += 2;
    } else {
      break;
    }
  }
  const char* at = text + offset;
  const int mark = StartsWith(at, "▲") ? 0 : StartsWith(at, "△") ? 1 : -1;
  if (StartsWith(at, "MAKE")) return true;
  if (StartsWith(at, "変化")) {
    const int ply = std::strlen(at) >= 6 ? NumberAt(at + 6) : 0;
    if (ply > 0 && ply <= graph.Ply()) graph.BackTo(ply);
    return true;
  }
  const int toMove = graph.Working().sideToMove;
  if (const ResultWord* result = ResultWordAt(at)) {
    graph.AddMarker(result->kind, MarkerPiece(result->kind, toMove));
    return true;
  }
  if (mark < 0) {
    skipped = UnreadPhraseText(line, offset, false);
    return true;
  }
  // A phrase of the player not to move means a move is missing: what
  // follows would be played on the wrong position.
  problem = ReadProblem::ImpossibleMove;
  if (mark != toMove) return false;
  KifuMove move;
  int seconds = 0;
  const KifuMove& previous = graph.Current()->move;
  problem = ReadProblem::UnreadableMove;
  if (!ParseMovePhrase(move, graph.Working(), previous.toFile, previous.toRank, line, offset, seconds)) return false;
  problem = ReadProblem::ImpossibleMove;
  if (!graph.PlayMove(move, seconds)) return false;
  // One phrase a line: anything after it is not read.
  skipped = UnreadPhraseText(line, offset, true);
  return true;
}

}  // namespace

int Kifu::ReadJapaneseNotation(InStream& stream, bool merge, ReadReport* report) {
  LineCountingInStream in(stream);
  ReadGraph graph;
  ReadProblem problem = ReadProblem::None;
  if (!ReadStart(in, graph, problem)) {
    in.Report(report, problem,
              problem == ReadProblem::InvalidStart
                  ? "the board and hands make no standard handicap, and the header does not say その他"
                  : nullptr);
    return -1;
  }
  if (!graph.HasPlayableStart(report)) return -1;
  graph.BeginMoves();
  SjisString line;
  std::string skipped;
  while (NextLine(in, line)) {
    if (!ReadBodyLine(line, graph, problem, skipped)) {
      in.Report(report, problem, nullptr, true);
      break;
    }
    if (!skipped.empty()) {
      in.Skip(report, skipped);
      skipped.clear();
    }
  }
  ReportCutCharacter(in, report);
  return graph.Install(*this, merge);
}
