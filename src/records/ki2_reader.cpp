// The KI2 reader: the KIF header block, then lines of move phrases run
// together, comments, 変化 variations and the まで result line.
#include <algorithm>
#include <cstring>
#include <string>

#include "records/kif_format.h"
#include "records/kifu.h"
#include "records/move_phrase.h"
#include "records/read_graph.h"
#include "records/record_stream.h"

namespace {

// Whether word stands in the text at a character start.
bool ContainsWord(const SjisString& text, const char* word) {
  const size_t size = std::strlen(word);
  for (const char* p = text.Text(); *p != '\0'; p += static_cast<unsigned char>(*p) >= 0x80 && p[1] != '\0' ? 2 : 1) {
    if (std::strncmp(p, word, size) == 0) return true;
  }
  return false;
}

bool StartsWith(const char* text, const char* prefix) { return std::strncmp(text, prefix, std::strlen(prefix)) == 0; }
bool StartsWith(const SjisString& line, const char* prefix) { return StartsWith(line.Text(), prefix); }

// Comments ("*", and "#" as in KIF) and bookmarks ("&") hold no moves.
bool IsRemark(const SjisString& line) {
  return StartsWith(line, "*") || StartsWith(line, "#") || StartsWith(line, "&");
}

// What begins the moves: a side mark followed by what can begin a phrase
// ("▽" too, which marks the upper hand's first move in a handicap game),
// or the result line (a record with no moves has it right after the
// header). A mark before a name ("▽後手：森内俊之", "▲羽生善治　△森内俊之")
// is header text.
bool BeginsBody(const char* line) { return StartsWith(line, "まで") || BeginsMovePhrase(line); }

// Passes the header reader's lines through, noting whether one of them is
// KI2 header text (a "key：value" line, a board row or a side line), so
// that text without any of it is not taken for an empty record.
class HeaderWatch : public InStream {
 public:
  HeaderWatch(LineCountingInStream& in, ReadReport* report) : in_(in), report_(report) {}

  int ReadLine(SjisString& line) override {
    const int result = in_.ReadLine(line);
    SjisString trimmed(line);
    trimmed.TrimLeft();
    trimmed.TrimRight();
    lastRecognised_ = result == 0 && IsHeaderText(trimmed);
    recognised_ += lastRecognised_;
    // The header reader passes over other lines; one holding moves that
    // does not begin the moves is lost, and so is the first move line when
    // its mark was damaged. Other text before the moves (a diagram's frame
    // and its closing line "手数＝3  ▲２六歩  まで", a remark, a title
    // naming the players or the opening) is no loss.
    if (result == 0 && !lastRecognised_ && !BeginsBody(trimmed.Text()) && !IsRemark(trimmed) &&
        !StartsWith(trimmed, "手数＝") && HoldsMovePhrase(trimmed.Text())) {
      in_.Skip(report_, UnreadPhraseText(trimmed, 0, false));
    }
    return result;
  }
  // The header reader takes whole lines only; the stream's other operations
  // pass through for completeness and nothing calls them.
  char* Gets(char* buf, int size) override { return in_.Gets(buf, size); }
  int Read(void* buf, int size) override { return in_.Read(buf, size); }
  void Unget(char c) override { in_.Unget(c); }
  void Rewind() override { in_.Rewind(); }
  bool IsEof() override { return in_.IsEof(); }

  // Header lines seen, leaving out the last line read when it is the one
  // the header reader handed back (the body's first).
  int RecognisedHeaderLines(bool lastIsBody) const { return recognised_ - (lastIsBody && lastRecognised_); }

 private:
  static bool IsHeaderText(const SjisString& line) {
    if (line.Text()[0] == '|') return true;
    for (const char* side : {"先手番", "後手番", "下手番", "上手番"}) {
      if (std::strcmp(line.Text(), side) == 0) return true;
    }
    return ContainsWord(line, "：");
  }

  LineCountingInStream& in_;
  ReadReport* report_;
  int recognised_ = 0;
  bool lastRecognised_ = false;
};

// ASCII and full-width blanks from offset on.
int SkipBlanks(const SjisString& line, int offset) {
  for (;;) {
    if (line.Text()[offset] == ' ') {
      ++offset;
    } else if (std::strncmp(line.Text() + offset, "　", 2) == 0) {
      offset += 2;
    } else {
      return offset;
    }
  }
}

// Reads the phrases of one line; false when one of them does not read or
// play, which ends the moves (later ones would stand on a wrong position).
// Text the line holds that no phrase read leaves its reason in skipped: a
// line that begins with no side mark is no move line, whatever else it
// holds, and may be one whose mark was damaged.
bool ReadPhraseLine(ReadGraph& graph, const SjisString& line, bool& sawMove, ReadProblem& problem,
                    std::string& skipped) {
  int offset = 0;
  bool read = false;
  while (StartsWithSideMark(line.Text() + offset)) {
    KifuMove move;
    int seconds = 0;
    const KifuMove& previous = graph.Current()->move;
    problem = ReadProblem::UnreadableMove;
    if (!ParseMovePhrase(move, graph.Working(), previous.toFile, previous.toRank, line, offset, seconds)) return false;
    problem = ReadProblem::ImpossibleMove;
    if (!graph.PlayMove(move, seconds)) return false;
    sawMove = true;
    read = true;
    offset = SkipBlanks(line, offset);
  }
  skipped = UnreadPhraseText(line, offset, read);
  return true;
}

// The まで line: the winner is named by 先手 or 後手 (the loser with 負け);
// when the winner is the player not to move, the player to move resigned.
// A line without a winner says how the game ended otherwise (千日手,
// 持将棋 or 引き分け, 詰み; else it stopped: 中断, 封じ手): a result all
// the same, which holds its ply, so that a variation written there stays one.
void ReadResultLine(ReadGraph& graph, const SjisString& line) {
  const int toMove = graph.Working().sideToMove;
  const KifuPieceCode king(toMove * KIFU_SECOND_PLAYER_BIT + KIFU_KING);
  int winner = ContainsWord(line, "先手") ? 0 : ContainsWord(line, "後手") ? 1 : -1;
  if (winner < 0) {
    if (ContainsWord(line, "千日手")) {
      graph.AddMarker(KifuMoveKind::Repetition, KifuPieceCode(0));
    } else if (ContainsWord(line, "持将棋") || ContainsWord(line, "引き分け")) {
      graph.AddMarker(KifuMoveKind::Impasse, KifuPieceCode(0));
    } else {
      graph.AddMarker(ContainsWord(line, "詰み") ? KifuMoveKind::Mate : KifuMoveKind::Interruption, king);
    }
    return;
  }
  if (ContainsWord(line, "負け")) winner = 1 - winner;
  // A line naming the player to move as the winner means the other side's
  // last move lost by a foul: recorded as a foul win of the player to move,
  // which writes back as the same result (a resignation would reverse it).
  graph.AddMarker(winner == toMove ? KifuMoveKind::WinByFoul : KifuMoveKind::Resignation, king);
}

}  // namespace

int Kifu::ReadKi2(InStream& stream, bool merge, ReadReport* report) {
  LineCountingInStream in(stream);
  ReadGraph graph;
  SjisString line;
  HeaderWatch watch(in, report);
  ReadProblem problem = ReadProblem::None;
  if (ReadKifHeader(watch, line, *graph.Root(), graph.StartPosition(), graph.names, graph.date, graph.title,
                    graph.event, graph.ExtraHeaders(), &problem, BeginsBody) != 0) {
    in.Report(report, problem);
    return -1;
  }
  if (!graph.HasPlayableStart(report)) return -1;
  bool recognised = watch.RecognisedHeaderLines(!line.IsEmpty()) > 0;
  graph.BeginMoves();
  // After a result line, until a "変化：" line goes back along the line
  // read: variations are written after the game's result, and each may end
  // with its own.
  bool afterResult = false;
  bool more = !line.IsEmpty();
  std::string skipped;
  while (more) {
    line.TrimLeft();
    line.TrimRight();
    if (StartsWith(line, "変化：")) {
      const int ply = VariationHeaderPly(line.Text());
      graph.BackTo(ply);
      // One that names no ply goes back nowhere: after the result, what
      // follows it is no variation.
      afterResult = afterResult && ply < 1;
    } else if (afterResult) {
      // Moves there before any "変化：" line are the game's own, put after
      // its result; prose that merely names a move is no loss.
      if (!IsRemark(line) && HoldsMarkedMovePhrase(line.Text())) in.Skip(report, "moves after the result line");
    } else if (StartsWith(line, "まで")) {
      // A real result line holds no move ("まで4手で△後手の勝ち" names a
      // side by its mark): one that does is a move line with "まで" put
      // before it, whose moves are lost, and no result.
      if (HoldsMovePhrase(line.Text())) {
        in.Skip(report, "moves on a result line, which are not read");
      } else {
        ReadResultLine(graph, line);
      }
      recognised = true;
      afterResult = true;
    } else if (StartsWith(line, "*")) {
      graph.AppendComment(line.Text() + 1);
    } else if (!IsRemark(line) && !ReadPhraseLine(graph, line, recognised, problem, skipped)) {
      // A failed first line with nothing of KI2 before it (a line of other
      // text that begins like a move) is no KI2: refused below, not a stop.
      if (recognised) in.Report(report, problem, nullptr, true);
      break;
    } else if (!skipped.empty()) {
      in.Skip(report, skipped);
      skipped.clear();
    }
    more = in.ReadLine(line) == 0;
  }
  if (!recognised) {
    if (report != nullptr) report->Set(ReadProblem::NotThisFormat, 0, SjisString());
    return -1;
  }
  ReportCutCharacter(in, report);
  return graph.Install(*this, merge);
}
