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
#include "records/result_words.h"

namespace {

bool StartsWith(const char* text, const char* prefix) { return std::strncmp(text, prefix, std::strlen(prefix)) == 0; }
bool StartsWith(const SjisString& line, const char* prefix) { return StartsWith(line.Text(), prefix); }

// Where word first stands in the text at a character start, or null.
const char* FindWord(const char* text, const char* word) {
  for (const char* p = text; *p != '\0'; p += SjisCharacterLength(p)) {
    if (StartsWith(p, word)) return p;
  }
  return nullptr;
}
bool ContainsWord(const SjisString& text, const char* word) { return FindWord(text.Text(), word) != nullptr; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Comments ("*", and "#" as in KIF) and bookmarks ("&") hold no moves.
bool IsRemark(const SjisString& line) {
  return StartsWith(line, "*") || StartsWith(line, "#") || StartsWith(line, "&");
}

// What begins the moves: a side mark followed by what can begin a phrase
// ("▽" too, which marks the upper hand's first move in a handicap game),
// or the result line (a record with no moves has it right after the
// header; a header key "まで：…" is none). A mark before a name
// ("▽後手：森内俊之", "▲羽生善治　△森内俊之") is header text.
bool BeginsBody(const char* line) {
  return (StartsWith(line, "まで") && !ContainsWord(SjisString(line), "：")) || BeginsMovePhrase(line);
}

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

// Reads the phrases of one line from offset on; false when one of them
// does not read or play, which ends the moves (later ones would stand on a
// wrong position). Text the line holds that no phrase read leaves its
// reason in skipped: a line that begins with no side mark is no move line,
// whatever else it holds, and may be one whose mark was damaged.
bool ReadPhraseLine(ReadGraph& graph, const SjisString& line, int offset, bool& sawMove, ReadProblem& problem,
                    std::string& skipped) {
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

// Whether the character before `at` in text is "の": a player was named
// there ("後手の反則負け").
bool FollowsNo(const char* text, const char* at) {
  const char* before = nullptr;
  for (const char* p = text; p < at; p += SjisCharacterLength(p)) before = p;
  return before != nullptr && before + 2 == at && StartsWith(before, "の");
}

// Whether only symbols, ASCII and broken characters, no word, stand in
// [from, to).
bool HoldsNoWord(const char* from, const char* to) {
  for (const char* p = from; p < to; p += SjisCharacterLength(p)) {
    if (IsWordCharacter(p)) return false;
  }
  return true;
}

// Whether a line is a variation header damaged or cut short: "変" or "変化"
// alone, or a number of moves ("64手") right after "：", or after "変化"
// and symbols or junk ("まで変化：64手", "変化＠：36手", "変嘉：61手"),
// where prose would have words ("次の変化は2手目から"). After a result line
// such a line would otherwise pass for prose, and its variation's moves be
// named a line late.
bool IsDamagedVariationHeader(const char* line) {
  if (std::strcmp(line, "変") == 0 || std::strcmp(line, "変化") == 0) return true;
  const char* word = FindWord(line, "変化");
  const char* before = nullptr;  // the character before p
  for (const char* p = line; *p != '\0'; before = p, p += SjisCharacterLength(p)) {
    if (!IsDigit(*p) || (before != nullptr && IsDigit(*before))) continue;
    const char* end = p;
    while (IsDigit(*end)) ++end;
    if (!StartsWith(end, "手")) continue;
    const bool afterColon = before != nullptr && StartsWith(before, "：");
    if (afterColon || (word != nullptr && word < p && HoldsNoWord(word + std::strlen("変化"), p))) return true;
  }
  return false;
}

// The player a result line names, and where the name ends.
struct NamedPlayer {
  int side = -1;  // 0 the first player, 1 the second, -1 none
  const char* end = nullptr;
};

// The player a result line names: the first by 先手 or 下手, the second by
// 後手 or 上手, else by a player's name as the header gives it, followed by
// "の" so that a short name is not found in the line's other words
// ("羽生善治の勝ち"; the longer name where one holds the other).
NamedPlayer FindNamedPlayer(const char* line, const SjisString names[2]) {
  for (const auto& [word, side] : {std::pair{"先手", 0}, {"下手", 0}, {"後手", 1}, {"上手", 1}}) {
    if (const char* at = FindWord(line, word)) return {side, at + std::strlen(word)};
  }
  NamedPlayer named;
  for (int side = 0; side < 2; ++side) {
    if (names[side].IsEmpty()) continue;
    const char* at = FindWord(line, (std::string(names[side].Text()) + "の").c_str());
    if (at == nullptr) continue;
    if (named.side >= 0 && names[side].Length() == names[named.side].Length()) return {};  // the same name for both
    if (named.side < 0 || names[side].Length() > names[named.side].Length()) named = {side, at + names[side].Length()};
  }
  return named;
}

// The kind with the other player as the winner, the marker staying the
// player to move's: the fouls are each other's, any other win is 負け and
// any other loss 勝ち.
KifuMoveKind OppositeKind(KifuMoveKind kind) {
  if (kind == KifuMoveKind::WinByFoul) return KifuMoveKind::LossByFoul;
  if (kind == KifuMoveKind::LossByFoul) return KifuMoveKind::WinByFoul;
  return IsWinKind(kind) ? KifuMoveKind::Loss : KifuMoveKind::Win;
}

// The まで line reads as the result its words name, a marker of the player
// to move as in KIF. A player named beside a loss word (負け, 投了, 詰み,
// 反則負け) is the loser, beside any other the winner; where the word's
// kind would make the other player the winner, the opposite kind stands. A
// line that names only the winner, or a winner beside a word that names
// none (千日手), keeps the older rule: the player to move resigned, or won
// by the other's foul (the line names the player to move as the winner
// after the other's last move). Without a player, the word's kind stands,
// as KIF reads it. A line whose words name no result (cut or damaged:
// "まで", "まで200手で先", "…X手の勝ち") holds its ply as 中断, and
// `damage` says why. Returns the marker added.
KifuMoveNode* ReadResultLine(ReadGraph& graph, const SjisString& line, std::string& damage) {
  const int toMove = graph.Working().sideToMove;
  const char* at = nullptr;
  const ResultWord* word = ResultWordIn(line.Text(), &at);
  const NamedPlayer player = FindNamedPlayer(line.Text(), graph.names);
  const int named = player.side;
  // What a player is named for follows at once ("後手の勝ち"): other text
  // there is damage ("先手の入玉(勝ち").
  const bool namedFor = player.end != nullptr && StartsWith(player.end, "の");
  const bool wordAfterName = !namedFor || ResultWordAt(player.end + std::strlen("の")) != nullptr;
  KifuMoveKind kind = KifuMoveKind::Interruption;
  if (word != nullptr && named >= 0 && wordAfterName) {
    const bool winnerToMove = (word->namesLoser ? 1 - named : named) == toMove;
    if (word->outcomeOnly || !NamesWinner(word->kind)) {
      kind = winnerToMove ? KifuMoveKind::WinByFoul : KifuMoveKind::Resignation;
    } else {
      kind = IsWinKind(word->kind) == winnerToMove ? word->kind : OppositeKind(word->kind);
    }
  } else if (word != nullptr && named < 0 && !word->outcomeOnly && !FollowsNo(line.Text(), at)) {
    kind = word->kind;
  } else {
    damage = "a result line whose words name no result the reader knows: read as 中断";
  }
  return graph.AddMarker(kind, MarkerPiece(kind, toMove));
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
  // Variations are written after the game's result, and each may end with
  // its own: after a result line its comments and prose follow, until a
  // "変化：" line goes back along the line read. The lines after a
  // "変化：" line whose move number can't be read are passed over, to the
  // next one, so that its moves join no other line.
  enum class Section { Moves, AfterResult, UnreadVariation };
  Section section = Section::Moves;
  KifuMoveNode* result = nullptr;  // what the last result line added, which its comments are about
  bool more = !line.IsEmpty();
  std::string skipped;
  while (more) {
    line.TrimLeft();
    line.TrimRight();
    // Where the moves of the line begin, and whether it holds moves at all.
    int movesAt = -1;
    if (StartsWith(line, "変化：")) {
      const char* moves = nullptr;
      const int ply = VariationHeaderPly(line.Text(), &moves);
      if (ply < 1 || moves == nullptr) {
        in.Skip(report, "a variation header whose move number can't be read, and the variation after it");
        section = Section::UnreadVariation;
      } else {
        graph.BackTo(ply);
        section = Section::Moves;
        result = nullptr;
        // Some programs write the variation's first moves on its header's line.
        const int after = SkipBlanks(line, static_cast<int>(moves - line.Text()));
        if (StartsWithSideMark(line.Text() + after)) {
          movesAt = after;
        } else if (HoldsMovePhrase(line.Text() + after)) {
          in.Skip(report, "moves after the variation header, which are not read");
        }
      }
    } else if (section == Section::UnreadVariation) {
      if (!IsRemark(line) && HoldsMarkedMovePhrase(line.Text())) in.Skip(report, "moves of an unread variation");
    } else if (StartsWith(line, "*")) {
      graph.AppendComment(line.Text() + 1, section == Section::AfterResult ? result : nullptr);
    } else if (section == Section::AfterResult) {
      // Moves there before any "変化：" line are the game's own, put after
      // its result; prose that merely names a move is no loss.
      if (IsRemark(line)) {
      } else if (IsDamagedVariationHeader(line.Text())) {
        in.Skip(report, "a variation header that can't be read, and the variation after it");
        section = Section::UnreadVariation;
      } else if (HoldsMarkedMovePhrase(line.Text())) {
        in.Skip(report, "moves after the result line");
      }
    } else if (StartsWith(line, "まで")) {
      // A real result line holds no move ("まで4手で△後手の勝ち" names a
      // side by its mark): one that does is a move line with "まで" put
      // before it, whose moves are lost, and no result.
      result = nullptr;
      if (HoldsMovePhrase(line.Text())) {
        in.Skip(report, "moves on a result line, which are not read");
      } else {
        std::string damage;
        result = ReadResultLine(graph, line, damage);
        if (!damage.empty()) in.Damage(report, damage);
      }
      recognised = true;
      section = Section::AfterResult;
    } else if (!IsRemark(line)) {
      movesAt = 0;
    }
    if (movesAt >= 0) {
      if (!ReadPhraseLine(graph, line, movesAt, recognised, problem, skipped)) {
        // A failed first line with nothing of KI2 before it (a line of other
        // text that begins like a move) is no KI2: refused below, not a stop.
        if (recognised) in.Report(report, problem, nullptr, true);
        break;
      }
      if (!skipped.empty()) {
        in.Skip(report, skipped);
        skipped.clear();
      }
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
