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

bool StartsWith(const SjisString& line, const char* prefix) {
  return std::strncmp(line.Text(), prefix, std::strlen(prefix)) == 0;
}

// Comments ("*", and "#" as in KIF) and bookmarks ("&") hold no moves.
bool IsRemark(const SjisString& line) {
  return StartsWith(line, "*") || StartsWith(line, "#") || StartsWith(line, "&");
}

// Passes the header reader's lines through, noting whether one of them is
// KI2 header text (a "key：value" line, a board row or a side line), so
// that text without any of it is not taken for an empty record.
class HeaderWatch : public InStream {
 public:
  HeaderWatch(LineCountingInStream& in, ReadReport* report) : in_(in), report_(report) {}

  // A まで line ends the header as a move would (a record with no moves
  // has it right after the header), and so does a line of moves that
  // begins with "▽", which the shared header reader does not know as a
  // mark (a handicap game's first line, the upper hand moving first): it is
  // kept back, and the header reader sees the end of input.
  int ReadLine(SjisString& line) override {
    if (!bodyLine_.IsEmpty()) return -1;
    const int result = in_.ReadLine(line);
    SjisString trimmed(line);
    trimmed.TrimLeft();
    if (result == 0 && (StartsWith(trimmed, "まで") || StartsWith(trimmed, "▽"))) {
      bodyLine_ = trimmed;
      line.Clear();
      return -1;
    }
    lastRecognised_ = result == 0 && IsHeaderText(line);
    recognised_ += lastRecognised_;
    // The header reader passes over other lines; one holding moves that
    // does not begin the moves (with a mark) is lost, and so is the first
    // move line when its mark was damaged. Other text before the moves (a
    // diagram's frame, a remark, a title naming the players or the
    // opening) is no loss.
    if (result == 0 && !lastRecognised_ && !StartsWithSideMark(trimmed.Text()) && !IsRemark(trimmed) &&
        HoldsMovePhrase(trimmed.Text())) {
      in_.Skip(report_, UnreadPhraseText(trimmed, 0, false));
    }
    return result;
  }
  // The まで or "▽" line that ended the header, or empty.
  const SjisString& BodyLine() const { return bodyLine_; }
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
  static bool IsHeaderText(SjisString line) {
    line.TrimLeft();
    line.TrimRight();
    if (line.Text()[0] == '|') return true;
    for (const char* side : {"先手番", "後手番", "下手番", "上手番"}) {
      if (std::strcmp(line.Text(), side) == 0) return true;
    }
    return ContainsWord(line, "：");
  }

  LineCountingInStream& in_;
  ReadReport* report_;
  SjisString bodyLine_;
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
void ReadResultLine(ReadGraph& graph, const SjisString& line) {
  int winner = ContainsWord(line, "先手") ? 0 : ContainsWord(line, "後手") ? 1 : -1;
  if (winner < 0) return;
  if (ContainsWord(line, "負け")) winner = 1 - winner;
  const int toMove = graph.Working().sideToMove;
  const KifuPieceCode king(toMove * KIFU_SECOND_PLAYER_BIT + KIFU_KING);
  // A line naming the player to move as the winner means the other side's
  // last move lost by a foul: recorded as a foul win of the player to move,
  // which writes back as the same result (a resignation would reverse it).
  graph.AddMarker(winner == toMove ? KifuMoveKind::WinByFoul : KifuMoveKind::Resignation, king);
}

// Variations after the result line are not read; moves there before any
// "変化：" line are the game's own, put after its result: they are reported.
void ReportMovesAfterResult(LineCountingInStream& in, ReadReport* report) {
  SjisString line;
  while (in.ReadLine(line) == 0) {
    line.TrimLeft();
    if (StartsWith(line, "変化：")) return;
    if (!IsRemark(line) && HoldsMovePhrase(line.Text())) in.Skip(report, "moves after the result line");
  }
}

}  // namespace

int Kifu::ReadKi2(InStream& stream, bool merge, ReadReport* report) {
  LineCountingInStream in(stream);
  ReadGraph graph;
  SjisString line;
  HeaderWatch watch(in, report);
  ReadProblem problem = ReadProblem::None;
  if (ReadKifHeader(watch, line, *graph.Root(), graph.StartPosition(), graph.names, graph.date, graph.title,
                    graph.event, graph.ExtraHeaders(), &problem) != 0) {
    in.Report(report, problem);
    return -1;
  }
  if (!graph.HasPlayableStart(report)) return -1;
  bool recognised = watch.RecognisedHeaderLines(!line.IsEmpty()) > 0;
  if (!watch.BodyLine().IsEmpty()) line = watch.BodyLine();
  graph.BeginMoves();
  bool more = true;
  std::string skipped;
  while (more) {
    line.TrimLeft();
    line.TrimRight();
    if (StartsWith(line, "まで")) {
      // A real result line holds no move ("まで4手で△後手の勝ち" names a
      // side by its mark): one that does is a move line with "まで" put
      // before it, whose moves are lost.
      if (HoldsMovePhrase(line.Text())) in.Skip(report, "moves on a result line, which are not read");
      ReadResultLine(graph, line);
      recognised = true;
      ReportMovesAfterResult(in, report);
      break;
    }
    if (StartsWith(line, "*")) {
      graph.AppendComment(line.Text() + 1);
    } else if (StartsWith(line, "変化：")) {
      graph.BackTo(VariationHeaderPly(line.Text()));
    } else if (!IsRemark(line) && !ReadPhraseLine(graph, line, recognised, problem, skipped)) {
      // A failed first line with nothing of KI2 before it (a kept "▽"
      // line of other text) is no KI2: refused below, not a stop.
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
