// Damaged records never read as shorter games without a word. Every corpus
// game, in each format the readers take, is damaged at seeded places: a line
// deleted, swapped, doubled or given junk (a NUL among it), "まで" or a byte
// that starts no character put before a line's moves, junk put into a side
// mark, a cut at every byte of a move line, one byte changed, a byte put
// into a KIF move's time field; armoured KIF at any character (cut,
// inserted, changed) and old binary records at any byte. KI2 with
// variations after the result line, made of each game with a tree, is
// judged by its whole tree in text order. Each read either
// keeps every move of the game (and in KIF its time), or is refused, or
// reports that the input was not read to its end, naming a place at or
// before the first damage; a damage that leaves the bytes as they were
// reads whole and quietly. Damage that makes another valid file, which no
// reader can tell from the real one, is named (ValidDamage) and counted;
// each such excuse is checked against what the read holds (the moves before
// the damaged line, and for KI2 and Japanese text every side mark read, or
// the read reported), so it can't hide a read that lost moves otherwise.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "records/kifu.h"
#include "records/record_files.h"
#include "support/old_native_bytes.h"
#include "support/test_files.h"
#include "support/test_paths.h"

namespace {

std::string BaseName(const std::string& path) { return path.substr(path.rfind('/') + 1); }

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find('\n', start);
    lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return lines;
}

// Whether the line's text, after its blanks, begins with word.
bool TextBegins(const std::string& line, const char* word) {
  const size_t start = line.find_first_not_of(' ');
  return start != std::string::npos && line.compare(start, std::strlen(word), word) == 0;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

// The ordinary moves of the line of first moves: the game without its
// result; with times, the time of each too.
std::vector<KifuMove> GameMoves(Kifu& kifu, std::vector<int>* times = nullptr) {
  kifu.SelectFirstMoves();
  std::vector<KifuMove> moves;
  for (int ply = 1; ply <= kifu.LineLength(); ++ply) {
    const KifuMoveNode* node = kifu.MoveAtPly(ply);
    if (node->move.kind != KifuMoveKind::Ordinary) continue;
    moves.push_back(node->move);
    if (times != nullptr) times->push_back(node->consumedTime);
  }
  return moves;
}

// One move of a tree in text order, and whether a variation begins with it.
struct TextStep {
  const KifuMoveNode* node;
  bool beginsVariation;
};

// The line from `first` along first moves up to its end or result, then the
// variations that leave it, deepest branch first, each followed by its own:
// the order a KI2 or KIF text writes them in, and so the order a reader
// appends them in. A variation's own line leaves its branch position to it.
void AppendInTextOrder(const KifuMoveNode* first, bool variation, std::vector<TextStep>& steps) {
  std::vector<const KifuPositionNode*> branches;
  for (const KifuMoveNode* node = first; node != nullptr; node = node->reachedNode->outgoing.At(0)) {
    steps.push_back({node, variation && node == first});
    if (node != first || !variation) branches.push_back(node->leftNode);
    if (node->move.kind != KifuMoveKind::Ordinary) break;
  }
  for (auto branch = branches.rbegin(); branch != branches.rend(); ++branch) {
    for (int index = 1; index < (*branch)->outgoing.Count(); ++index) {
      AppendInTextOrder((*branch)->outgoing.At(index), true, steps);
    }
  }
}

std::vector<TextStep> InTextOrder(const Kifu& kifu) {
  std::vector<TextStep> steps;
  AppendInTextOrder(kifu.StartNode()->outgoing.At(0), false, steps);
  return steps;
}

// Where a variation begins in a flattened tree: a move of kind GameStart,
// which no read move is, holding the variation's first ply.
KifuMove VariationStart(int ply) {
  return KifuMove(ply & 0x7F, ply >> 7, 0, 0, KifuPieceCode(), KifuPieceCode(), 0, KifuMoveKind::GameStart);
}

// The whole tree as one sequence in text order: each variation's start,
// then its moves and, with `results`, the result that ends a line (by its
// kind and side).
std::vector<KifuMove> TextOrder(const Kifu& kifu, bool results) {
  std::vector<KifuMove> sequence;
  for (const TextStep& step : InTextOrder(kifu)) {
    const KifuMove& move = step.node->move;
    const bool result = move.kind != KifuMoveKind::Ordinary;
    if (result && !results) continue;
    if (step.beginsVariation) sequence.push_back(VariationStart(step.node->Ply()));
    sequence.push_back(result ? KifuMove(0, 0, 0, 0, move.piece, KifuPieceCode(), 0, move.kind) : move);
  }
  return sequence;
}

// A result line whose words are drawn by `draw`, from those the readers read
// quietly.
std::string ResultLine(int ply, int draw, bool handicap) {
  static const char* const kResults[] = {"%sの勝ち",     "時間切れにより%sの勝ち", "%sの反則勝ち",
                                         "%sの反則負け", "%sの入玉勝ち",           "千日手",
                                         "持将棋",       "中断",                   "詰み"};
  static const char* const kSides[] = {"先手", "後手", "下手", "上手"};
  std::string result = kResults[draw % std::size(kResults)];
  // '%' is never a Shift-JIS trail byte.
  if (const size_t side = result.find("%s"); side != std::string::npos) {
    result.replace(side, 2, kSides[draw / std::size(kResults) % (handicap ? 4 : 2)]);
  }
  return "まで" + std::to_string(ply) + "手で" + result + "\n";
}

// A game as other programs write KI2 with its variations: the header of its
// KIF file (these games start from a handicap it names, without a diagram),
// the main line six phrases a line, padded, the line broken after a move
// with its comment; the main line's result line; then after an empty line
// each variation's "変化：N手", its moves and, drawn by the game's number,
// its own result line. Some result lines are commented. Empty for a game
// whose tree merges a transposition, which KI2 can't write.
std::string Ki2WithVariations(const std::string& file, Kifu& kifu) {
  // The mate problems start from a diagram: left out.
  if (BaseName(file)[0] == 't') return "";
  std::string text;
  for (const std::string& line : SplitLines(FileBytes(file))) {
    if (TextBegins(line, "手数")) break;
    text += line.substr(0, line.find('\r')) + "\n";
  }
  const bool handicap = kifu.StartNode()->position.handicapFlags != HANDICAP_NONE;
  int draw = std::atoi(BaseName(file).c_str() + 1), onLine = 0, ply = 0;
  bool mainLine = true;
  const auto endLine = [&] {
    // The last phrase of a line is not padded.
    if (onLine > 0) text.erase(text.find_last_not_of(' ') + 1) += "\n";
    onLine = 0;
    if (mainLine || draw % 2 == 0) {
      text += ResultLine(ply, draw, handicap);
      if (draw % 3 == 0) text += "*この局面で終わり\n";
    }
    ++draw;
  };
  for (const TextStep& step : InTextOrder(kifu)) {
    const KifuMoveNode* node = step.node;
    if (node->reachedNode->incoming.Count() > 1) return "";
    if (node->move.kind != KifuMoveKind::Ordinary) continue;
    if (step.beginsVariation) {
      endLine();
      mainLine = false;
      text += "\n変化：" + std::to_string(node->Ply()) + "手\n";
    }
    SjisString phrase;
    const KifuMove& previous = node->leftNode->incoming.At(0)->move;
    node->leftNode->position.MoveNotation(node->move, previous.toFile, previous.toRank, phrase);
    text += phrase.Text();
    ply = node->Ply();
    if (++onLine == 6 || !node->comment.IsEmpty()) {
      text += "\n";
      onLine = 0;
    } else {
      text += std::string(static_cast<size_t>(std::max(0, 12 - phrase.Length())), ' ');
    }
    for (const std::string& comment : SplitLines(node->comment.Text())) {
      text.append("*").append(comment.substr(0, comment.find('\r'))).append("\n");
    }
  }
  endLine();
  return text;
}

// The game as Japanese-notation text: header, board, hands, one phrase a line.
std::string JapaneseText(Kifu& kifu) {
  KifuPosition position = kifu.StartNode()->position;
  std::string text = "手合割：その他\n";
  text += position.sideToMove == 1 ? "後手番\n\n" : "先手番\n\n";
  static const char* const kRanks[] = {"", "一", "二", "三", "四", "五", "六", "七", "八", "九"};
  for (int rank = 1; rank <= 9; ++rank) {
    text += "|";
    for (int file = 9; file >= 1; --file) {
      const KifuPieceCode piece = position.At(file, rank);
      text += piece.IsPiece() && piece.Side() == 1 ? "v" : " ";
      text += piece.IsPiece() ? piece.Name(0) : "・";
    }
    text += std::string("|") + kRanks[rank] + "\n";
  }
  for (int side = 0; side < 2; ++side) {
    text += side == 0 ? "先手持駒：" : "後手持駒：";
    std::string hand;
    for (int type = KIFU_ROOK; type >= KIFU_PAWN; --type) {
      const int count = position.hands[side][type];
      if (count == 0) continue;
      SjisString numeral;
      if (count > 1) numeral.SetKanjiNumber(count);
      hand += std::string(KifuPieceCode(type).Name(0)) + numeral.Text() + "　";
    }
    text += (hand.empty() ? "なし" : hand) + "\n";
  }
  text += "\n";
  int prevFile = 0, prevRank = 0;
  for (const KifuMove& move : GameMoves(kifu)) {
    SjisString phrase;
    position.MoveNotation(move, prevFile, prevRank, phrase);
    text += std::string(phrase.Text()) + "\n";
    position.DoMove(move);
    prevFile = move.toFile;
    prevRank = move.toRank;
  }
  return text;
}

// The game as our KIF writer writes it, line ends as the armoured writer
// passes them on.
std::string WrittenKif(const Kifu& kifu) {
  SjisString text;
  StringOutStream out(text, false);
  EXPECT_EQ(kifu.WriteKif(out), 0);
  return text.Text();
}

// Armour as the format packs it: three bytes to four characters of six bits,
// a group g written as g + 64 below 48 and as g itself from 48 on.
std::string Armoured(const std::string& bytes) {
  auto put = [](unsigned group) { return static_cast<char>(group < 48 ? group + 64 : group); };
  std::string text;
  for (size_t at = 0; at < bytes.size(); at += 3) {
    const size_t count = std::min<size_t>(3, bytes.size() - at);
    unsigned bits = 0;
    for (size_t i = 0; i < 3; ++i) bits = bits << 8 | (i < count ? static_cast<unsigned char>(bytes[at + i]) : 0u);
    for (size_t i = 0; i <= count; ++i) text += put(bits >> (18 - 6 * i) & 63u);
  }
  return text;
}

// What armoured characters mean: the low six bits of each, eight at a time
// (line ends carry none).
std::string Unarmoured(const std::string& text) {
  std::string bytes;
  unsigned bits = 0;
  int held = 0;
  for (const char c : text) {
    if (c == '\r' || c == '\n') continue;
    bits = (bits << 6 | (static_cast<unsigned char>(c) & 63u)) & 0x3FFFu;
    if ((held += 6) >= 8) bytes += static_cast<char>(bits >> (held -= 8) & 0xFFu);
  }
  return bytes;
}

bool IsSideMark(const std::string& line, size_t at) {
  static const std::string kMarks[] = {"▲", "△"};
  return line.compare(at, kMarks[0].size(), kMarks[0]) == 0 || line.compare(at, kMarks[1].size(), kMarks[1]) == 0;
}

// Character starts of a line before its line end.
std::vector<size_t> CharacterStarts(const std::string& line) {
  std::vector<size_t> starts;
  size_t end = line.size();
  while (end > 0 && line[end - 1] == '\r') --end;
  for (size_t at = 0; at <= end; at += static_cast<unsigned char>(line[at]) >= 0x80 ? 2 : 1) {
    starts.push_back(at);
    if (at == end) break;
  }
  return starts;
}

// Ki2Tree: KI2 whose whole tree is read, with variations written after the
// result line.
enum class Format { Kif, Ki2, Csa, JapaneseText, Ki2Tree };

// Moves a line of the format holds: a numbered KIF move, a CSA move, a
// side mark of KI2 or Japanese text each; in a KI2 tree, a result line and
// a variation's "変化" line hold one more each (its result, the start of the
// variation), as the tree is flattened in text order.
int MovesInLine(const std::string& line, Format format) {
  const size_t start = line.find_first_not_of(' ');
  if (start == std::string::npos) return 0;
  switch (format) {
    case Format::Kif: {
      const size_t text = line.find_first_not_of(' ', line.find_first_not_of("0123456789", start));
      return line[start] >= '0' && line[start] <= '9' && text != std::string::npos &&
                     (line.compare(text, 2, "同") == 0 || static_cast<unsigned char>(line[text]) == 0x82)
                 ? 1
                 : 0;
    }
    case Format::Csa: return (line[0] == '+' || line[0] == '-') && line.size() >= 7 ? 1 : 0;
    default: {
      int marks = 0;
      for (size_t at : CharacterStarts(line)) marks += IsSideMark(line, at) ? 1 : 0;
      if (format == Format::Ki2Tree && (TextBegins(line, "まで") || TextBegins(line, "変化"))) ++marks;
      return marks;
    }
  }
}

// The end of a line's text: its line end and trailing blanks left out.
size_t TextEnd(const std::string& line) {
  size_t end = line.size();
  while (end > 0 && (line[end - 1] == '\r' || line[end - 1] == ' ')) --end;
  return end;
}

// Where a KIF move line's move text ends: after its from-square "(77)", or
// after "打"; the text's end when it has neither.
size_t KifMoveEnd(const std::string& line) {
  const size_t end = TextEnd(line);
  size_t moveEnd = end;
  for (size_t open = line.find('('); open != std::string::npos; open = line.find('(', open + 1)) {
    if (open + 3 < end && std::isdigit(static_cast<unsigned char>(line[open + 1])) &&
        std::isdigit(static_cast<unsigned char>(line[open + 2])) && line[open + 3] == ')') {
      moveEnd = open + 4;
      break;
    }
  }
  if (const size_t drop = line.find("打"); drop != std::string::npos && drop + 2 < moveEnd) moveEnd = drop + 2;
  return moveEnd;
}

// Where a cut of a move line leaves a whole line of the format, so that the
// text is a valid shorter record: before the line's text, after a complete
// KIF move text and before its time field is opened, after the time field,
// after a CSA move, after a KI2 phrase (its padding blanks included).
// Japanese text has a phrase a line: only its line end.
bool CutLeavesWholeLine(const std::string& line, size_t cut, Format format) {
  const size_t end = TextEnd(line);
  if (cut >= end || cut <= line.find_first_not_of(' ')) return true;
  if (format == Format::Kif) {
    const size_t moveEnd = KifMoveEnd(line);
    // Before the time field is opened, or after it is closed (a "+" after
    // it marks that variations follow).
    const size_t timeOpen = line.find('(', moveEnd), timeClose = line.find(')', timeOpen);
    return (cut >= moveEnd && cut <= timeOpen) || (timeClose != std::string::npos && cut > timeClose);
  }
  if (format == Format::Ki2 || format == Format::Ki2Tree) {
    return line[cut - 1] == ' ' || line[cut] == ' ' || IsSideMark(line, cut);
  }
  return false;
}

// Whether a damaged KIF move line may give its move another time without a
// word: the time field after the move has the shape times are written in
// (a digit changed in it makes another time of that shape), or nothing
// follows the move (cut before the field, which reads as no time).
bool TimeMayReadOtherwise(const std::string& line) {
  static const std::regex kWrittenField(R"(^ *\( *[0-9]+:[0-9]{2} */ *[0-9]+:[0-9]{2}:[0-9]{2}\))");
  const size_t moveEnd = KifMoveEnd(line);
  return moveEnd >= TextEnd(line) || std::regex_search(line.substr(moveEnd), kWrittenField);
}

// Lines that hold no move: blank, comments, remarks and CSA time lines.
bool HoldsNoMove(const std::string& line) {
  const size_t start = line.find_first_not_of(" \r");
  return start == std::string::npos || line[start] == '*' || line[start] == '\'' || line[start] == '#' ||
         (line[start] == 'T' && start + 1 < line.size() && line[start + 1] >= '0' && line[start + 1] <= '9');
}

// 1-based number of the first damaged line: the first that differs from the
// original, or the first line holding a move after it (no reader can tell
// that a comment lost the move before it); 0 when nothing differs.
int FirstDamagedLine(const std::vector<std::string>& original, const std::vector<std::string>& damaged) {
  size_t index = 0;
  while (index < damaged.size() && index < original.size() && damaged[index] == original[index]) ++index;
  if (index == damaged.size() && index == original.size()) return 0;
  while (index < damaged.size() && HoldsNoMove(damaged[index])) ++index;
  return static_cast<int>(index) + 1;
}

// A byte value other than `old`, at random.
char OtherByte(char old, std::mt19937& random) {
  char value;
  do value = static_cast<char>(random() & 0xFF);
  while (value == old);
  return value;
}

// How many moves the lines before each line hold. A KI2 tree's variation
// start is held from the line of its first move or result on: the "変化"
// line of a variation without one begins nothing.
std::vector<size_t> MovesBefore(const std::vector<std::string>& lines, Format format) {
  std::vector<size_t> before{0};
  size_t variationStart = 0;
  for (const std::string& line : lines) {
    size_t moves = static_cast<size_t>(MovesInLine(line, format));
    if (format == Format::Ki2Tree && TextBegins(line, "変化")) {
      variationStart = 1;
      --moves;
    } else if (moves > 0) {
      moves += variationStart;
      variationStart = 0;
    }
    before.push_back(before.back() + moves);
  }
  return before;
}

// The leading move number of a line, -1 for none.
int LeadingNumber(const std::string& line) {
  const size_t start = line.find_first_not_of(' ');
  if (start == std::string::npos || line[start] < '0' || line[start] > '9') return -1;
  return std::atoi(line.c_str() + start);
}

// Damage that makes another valid file: a read may take it whole. Each is
// checked against what the read holds.
enum class ValidDamage {
  None,
  CutAtLineEnd,  // a cut where a line or a field of it ends: a shorter valid file
  CutPhraseStillReads,  // a cut inside a phrase that still reads ("▲３三桂成" to "▲３三桂", "▲同　玉" to "▲同")
  LastMoveDeleted,      // the line of the last move deleted
  OtherLegalMove,       // a byte changed that makes another legal move
  RenumberedVariation,  // a KIF move number lowered: a variation, as the format reads it
  WholeLineUnnumbered,  // a line of KI2 or Japanese text deleted, doubled or swapped
  OtherTime,            // a KIF move's time changed where the damaged line's field keeps its shape, or is cut off
};

const char* ValidDamageName(ValidDamage damage) {
  switch (damage) {
    case ValidDamage::None: return "none";
    case ValidDamage::CutAtLineEnd: return "cut at a line end";
    case ValidDamage::CutPhraseStillReads: return "cut phrase still read";
    case ValidDamage::LastMoveDeleted: return "last move deleted";
    case ValidDamage::OtherLegalMove: return "another legal move";
    case ValidDamage::RenumberedVariation: return "renumbered into a variation";
    case ValidDamage::WholeLineUnnumbered: return "whole line of unnumbered moves";
    case ValidDamage::OtherTime: return "another time of the written shape";
  }
  return "";
}

bool IsPrefixOfGame(const std::vector<KifuMove>& held, const std::vector<KifuMove>& game) {
  return held.size() <= game.size() && std::equal(held.begin(), held.end(), game.begin());
}

// The side marks of a KI2 or Japanese text's game: up to its result line or
// first variation, comments and bookmarks left out; of a KI2 tree, what its
// whole text holds.
size_t GameMarks(const std::string& text, Format format) {
  std::vector<std::string> counted;
  for (const std::string& line : SplitLines(text)) {
    const size_t start = line.find_first_not_of(' ');
    if (start == std::string::npos || std::string("*#&").find(line[start]) != std::string::npos) continue;
    const bool endsLine = TextBegins(line, "まで") || TextBegins(line, "変化");
    if (endsLine && format != Format::Ki2Tree) break;
    counted.push_back(line);
  }
  return MovesBefore(counted, format).back();
}

// One damaged file and where its damage begins.
struct DamagedFile {
  std::string bytes;
  std::string what;     // the damage, for messages
  bool changed = true;  // false: the bytes are the original's, which must read whole and quietly
  int firstLine = 0;    // 1-based first damaged line (of the decoded text when armoured); 0 for none
  int firstPlace = 0;   // armour: 1-based first damaged character; binary: damaged move record, 0 the header
  ValidDamage valid = ValidDamage::None;
  size_t damagedMove = 0;  // the first move the damaged line holds, and how many
  size_t damagedMoves = 0;
  size_t marks = 0;  // KI2 and Japanese text: the side marks of the damaged text's game
  bool wholeTree = false;  // KI2 tree: the read is held as its whole tree in text order
  bool timeMayChange = false;  // KIF: the damaged line, in place, may give its move another time in silence
};

DamagedFile Undamaged(const std::string& bytes) {
  DamagedFile file;
  file.bytes = bytes;
  file.changed = false;
  return file;
}

// Whether what the read holds is what the damage may make. Every excuse
// keeps the moves before the damaged line; a whole line of unnumbered
// moves, or a cut phrase, may change the game from there on only where the
// read says so or reads every side mark the damaged text holds (a read
// that stops in silence at a phrase holds fewer).
bool ReadFitsDamage(const DamagedFile& damaged, const std::vector<KifuMove>& held, const std::vector<KifuMove>& game,
                    bool reported) {
  const size_t before = damaged.damagedMove;
  if (held.size() < before || game.size() < before ||
      !std::equal(game.begin(), game.begin() + static_cast<long>(before), held.begin())) {
    return false;
  }
  const bool everyMark = reported || held.size() == damaged.marks;
  switch (damaged.valid) {
    case ValidDamage::CutAtLineEnd:
    case ValidDamage::LastMoveDeleted:
    case ValidDamage::RenumberedVariation: return IsPrefixOfGame(held, game);
    case ValidDamage::CutPhraseStillReads:
      // The cut phrase's move (a king's, without the piece; one that does
      // not promote, without 成) may be the game's or another: it is the
      // last one read.
      return everyMark && held.size() > before && held.size() <= game.size() &&
             std::equal(held.begin(), held.end() - 1, game.begin());
    case ValidDamage::OtherLegalMove: {
      // The read plays another move where the damaged line's moves stand
      // (what follows may then fail against its position, or read on).
      const size_t differs = static_cast<size_t>(
          std::mismatch(held.begin(), held.begin() + static_cast<long>(std::min(held.size(), game.size())),
                        game.begin())
              .first -
          held.begin());
      return differs < held.size() && differs < before + damaged.damagedMoves;
    }
    case ValidDamage::WholeLineUnnumbered: return everyMark;
    case ValidDamage::OtherTime:
    case ValidDamage::None: return false;
  }
  return false;
}

// Outcomes over one format, for the summary and the checks that every
// branch ran.
struct Tally {
  int whole = 0, reported = 0, refused = 0;
  int unchanged = 0;  // damage that left the bytes as they were, read as the original
  std::map<ValidDamage, int> valid;

  void Print(const std::string& format) const {
    std::string excuses;
    for (const auto& [damage, count] : valid)
      excuses += std::string(", ") + ValidDamageName(damage) + " " + std::to_string(count);
    std::printf("%s: %d read whole, %d reported, %d refused, %d unchanged%s\n", format.c_str(), whole, reported,
                refused, unchanged, excuses.c_str());
  }
};

// Whether the report names a place at or before the damage.
bool NamesPlaceBefore(const ReadReport& report, const DamagedFile& damaged) {
  switch (report.unit) {
    case ReadUnit::Line: return report.at >= 1 && report.at <= damaged.firstLine;
    case ReadUnit::Character: return report.at >= 1 && report.at <= damaged.firstPlace;
    case ReadUnit::Move: return damaged.firstPlace == 0 || (report.at >= 1 && report.at <= damaged.firstPlace);
  }
  return false;
}

// How the times of the game's moves a read holds compare with the game's:
// the same, changed only where the damage may change one in silence (on the
// damaged line, whose field keeps the written shape or is cut off), or lost.
enum class TimeChange { None, AsDamageMay, Lost };

TimeChange CompareTimes(const DamagedFile& damaged, const std::vector<KifuMove>& held,
                        const std::vector<int>& heldTimes, const std::vector<KifuMove>& game,
                        const std::vector<int>& times) {
  TimeChange change = TimeChange::None;
  for (size_t at = 0; at < times.size() && at < held.size(); ++at) {
    if (held[at] != game[at] || heldTimes[at] == times[at]) continue;
    const bool onDamagedLine = at >= damaged.damagedMove && at < damaged.damagedMove + damaged.damagedMoves;
    if (!damaged.timeMayChange || !onDamagedLine) return TimeChange::Lost;
    change = TimeChange::AsDamageMay;
  }
  return change;
}

// Reads the damaged file and checks the outcome; with times (KIF), each
// move's time as well as the move.
void ReadAndCheck(const DamagedFile& damaged, const std::vector<KifuMove>& game, const std::string& path,
                  Tally& tally, const std::vector<int>& times = {}) {
  ASSERT_TRUE(WriteFileBytes(path, damaged.bytes)) << path;
  Kifu read;
  ReadReport report;
  const bool undamaged = !damaged.changed;
  if (ReadKifuFile(path.c_str(), KifuFileTypeOfPath(path.c_str()), read, false, &report) != 0) {
    EXPECT_FALSE(undamaged) << path << " undamaged is refused: " << report.reason;
    ++tally.refused;
    return;
  }
  std::vector<int> heldTimes;
  const std::vector<KifuMove> held = damaged.wholeTree ? TextOrder(read, true) : GameMoves(read, &heldTimes);
  const bool whole = held.size() >= game.size() && std::equal(game.begin(), game.end(), held.begin());
  const TimeChange timeChange = CompareTimes(damaged, held, heldTimes, game, times);
  if (undamaged) {
    EXPECT_TRUE(whole && timeChange == TimeChange::None && !report.Stopped())
        << path << " undamaged " << damaged.what << ": " << report.at << " " << report.reason;
    if (!damaged.what.empty()) ++tally.unchanged;
    return;
  }
  if (whole && timeChange == TimeChange::None) {
    ++(report.Stopped() ? tally.reported : tally.whole);
  } else if (report.Stopped() && NamesPlaceBefore(report, damaged)) {
    ++tally.reported;
  } else if (timeChange != TimeChange::Lost && whole) {
    ++tally.valid[ValidDamage::OtherTime];
  } else if (timeChange != TimeChange::Lost && damaged.valid != ValidDamage::None &&
             ReadFitsDamage(damaged, held, game, report.Stopped())) {
    ++tally.valid[damaged.valid];
  } else {
    ADD_FAILURE() << damaged.what << " (first damaged line " << damaged.firstLine << ", place " << damaged.firstPlace
                  << "): " << held.size() << " of " << game.size() << " moves"
                  << (timeChange == TimeChange::Lost ? ", a time changed, " : ", ")
                  << (report.Stopped() ? "reported at " + std::to_string(report.at) + ": " + report.reason
                                       : std::string("nothing said"));
  }
}

std::string Escaped(const std::string& text) {
  std::string shown;
  for (const char c : text) {
    shown += c == '\0' ? std::string("\\0") : c == '\n' ? std::string("\\n") : std::string(1, c);
  }
  return shown;
}

// A damaged text: lines of the original changed, the first damaged line and
// the moves of the damaged line looked up.
DamagedFile DamagedText(const std::vector<std::string>& original, const std::string& bytes, const std::string& what,
                        const std::vector<size_t>& movesBefore, size_t at, Format format) {
  DamagedFile damaged;
  damaged.bytes = bytes;
  damaged.what = what;
  const std::vector<std::string> damagedLines = SplitLines(bytes);
  damaged.firstLine = FirstDamagedLine(original, damagedLines);
  damaged.changed = bytes != JoinLines(original);
  damaged.damagedMove = movesBefore[at];
  // The line of a KI2 tree variation's first move holds its start too.
  damaged.damagedMoves =
      std::max(static_cast<size_t>(MovesInLine(original[at], format)), movesBefore[at + 1] - movesBefore[at]);
  if (format == Format::Ki2 || format == Format::JapaneseText || format == Format::Ki2Tree) {
    damaged.marks = GameMarks(bytes, format);
  }
  damaged.wholeTree = format == Format::Ki2Tree;
  damaged.timeMayChange = format == Format::Kif && at < damagedLines.size() && TimeMayReadOtherwise(damagedLines[at]);
  return damaged;
}

// The damages of a text made of lines, from the line of the first move on.
// numbered: the format numbers its moves or has one a line, so that a whole
// line deleted, doubled or swapped shows at once; KI2 and Japanese text have
// neither, and such damage may read as another game (counted as such).
class TextDamage {
 public:
  TextDamage(const std::string& name, const std::vector<std::string>& lines, Format format, size_t first, size_t last,
             std::mt19937& random)
      : name_(name + ", "),
        lines_(lines),
        format_(format),
        first_(first),
        last_(last),
        random_(random),
        movesBefore_(MovesBefore(lines, format)) {}

  // A line deleted (0), swapped with the next (1), doubled (2), or junk put
  // into it (3).
  DamagedFile OfLine(int kind) {
    const size_t at = PickLine();
    std::vector<std::string> damaged = lines_;
    switch (kind) {
      case 0: damaged.erase(damaged.begin() + static_cast<long>(at)); break;
      case 1: std::swap(damaged[at], damaged[std::min(lines_.size() - 1, at + 1)]); break;
      case 2: damaged.insert(damaged.begin() + static_cast<long>(at), lines_[at]); break;
      default: {
        static const std::string kJunk[] = {"xx", "?!", "＠", "x ", std::string("\0", 1), "(", "（", "["};
        const std::vector<size_t> starts = CharacterStarts(damaged[at]);
        damaged[at].insert(starts[random_() % starts.size()], kJunk[random_() % std::size(kJunk)]);
        break;
      }
    }
    static const char* const kKinds[] = {"deleted", "swapped", "doubled", "junk"};
    // A deleted line is named as it was: the damaged text may end before it.
    const std::string& shown = kind == 0 ? lines_[at] : damaged[at];
    DamagedFile file =
        DamagedText(lines_, JoinLines(damaged),
                    name_ + kKinds[kind] + " line " + std::to_string(at + 1) + ": " + Escaped(shown), movesBefore_,
                    at, format_);
    if (kind == 0 && at == last_) file.valid = ValidDamage::LastMoveDeleted;
    // Lines moved as a whole, not changed: no time may change.
    if (kind < 3) file.timeMayChange = false;
    const bool unnumbered = format_ == Format::Ki2 || format_ == Format::JapaneseText || format_ == Format::Ki2Tree;
    if (kind < 3 && unnumbered) file.valid = ValidDamage::WholeLineUnnumbered;
    return file;
  }

  // A move line given "まで" (0), the word a result line begins with, or a
  // byte that starts no character (1) just before its first side mark, or
  // its text where it has none: the line of the first move (where a KI2
  // header may still be read), or any.
  DamagedFile BeforeTheMoves(int kind, bool firstMove) {
    const size_t at = firstMove ? first_ : PickMoveLine();
    std::vector<std::string> damaged = lines_;
    std::string& line = damaged[at];
    size_t where = line.find_first_not_of(' ');
    for (const size_t start : CharacterStarts(line)) {
      if (IsSideMark(line, start)) {
        where = start;
        break;
      }
    }
    // 0x80, 0xA0 and 0xFD-0xFF start no character; 0xA1-0xDF are half-width kana.
    static const std::string kNoCharacter = "\x80\xA0\xB1\xC3\xDF\xFD\xFE\xFF";
    const std::string put =
        kind == 0 ? std::string("まで") : std::string(1, kNoCharacter[random_() % kNoCharacter.size()]);
    line.insert(where, put);
    return DamagedText(lines_, JoinLines(damaged),
                       name_ + (kind == 0 ? "まで" : "byte " + std::to_string(static_cast<unsigned char>(put[0]))) +
                           " put before the moves of line " + std::to_string(at + 1) + ": " + line,
                       movesBefore_, at, format_);
  }

  // Three to five junk bytes (ASCII, half-width kana, bytes that start no
  // character) put between the two bytes of a side mark: the line of the
  // first move, where a KI2 header may still be read, or any.
  DamagedFile InTheMark(bool firstMove) {
    const size_t at = firstMove ? first_ : PickMoveLine();
    std::vector<std::string> damaged = lines_;
    std::string& line = damaged[at];
    std::vector<size_t> marks;
    for (const size_t start : CharacterStarts(line)) {
      if (IsSideMark(line, start)) marks.push_back(start);
    }
    if (marks.empty()) return OfLine(3);
    static const std::string kJunk = "abcxyz019!?.(-~\x80\xA0\xA3\xB1\xC3\xDF\xFD\xFE\xFF";
    std::string junk;
    for (size_t count = 3 + random_() % 3; junk.size() < count;) junk += kJunk[random_() % kJunk.size()];
    line.insert(marks[random_() % marks.size()] + 1, junk);
    return DamagedText(lines_, JoinLines(damaged),
                       name_ + "junk put into a mark of line " + std::to_string(at + 1) + ": " + line, movesBefore_,
                       at, format_);
  }

  // A blank, a bracket or a digit put inside the time field of a KIF move
  // line, where a reader that stops at what it does not expect would read
  // another time: only a digit put in may make another field of the shape.
  DamagedFile InTheTimeField() {
    const size_t at = PickMoveLine();
    std::vector<std::string> damaged = lines_;
    std::string& line = damaged[at];
    const size_t open = line.find('(', KifMoveEnd(line)), close = line.find(')', open);
    if (close == std::string::npos) return OfLine(3);
    static const char kPut[] = {' ', '(', ')', '1'};
    line.insert(open + 1 + random_() % (close - open), 1, kPut[random_() % std::size(kPut)]);
    return DamagedText(lines_, JoinLines(damaged),
                       name_ + "time field of line " + std::to_string(at + 1) + " given a byte: " + line, movesBefore_,
                       at, format_);
  }

  // The text cut at every byte of one move line.
  std::vector<DamagedFile> CutsOfALine() {
    const size_t at = PickMoveLine();
    const std::string head =
        JoinLines(std::vector<std::string>(lines_.begin(), lines_.begin() + static_cast<long>(at)));
    std::vector<DamagedFile> cuts;
    for (size_t cut = 0; cut < lines_[at].size(); ++cut) {
      const std::string partial = lines_[at].substr(0, cut);
      DamagedFile file = DamagedText(
          lines_, head + partial,
          name_ + "cut line " + std::to_string(at + 1) + " after byte " + std::to_string(cut) + ": " + partial,
          movesBefore_, at, format_);
      if (CutLeavesWholeLine(lines_[at], cut, format_)) {
        file.valid = ValidDamage::CutAtLineEnd;
      } else if ((format_ == Format::Ki2 || format_ == Format::JapaneseText || format_ == Format::Ki2Tree) &&
                 MovesInLine(lines_[at], Format::Ki2) > 0) {
        // A cut result or "変化" line is no phrase.
        file.valid = ValidDamage::CutPhraseStillReads;
      }
      cuts.push_back(file);
    }
    return cuts;
  }

  // One byte of a line changed to another value.
  DamagedFile ChangedByte() {
    const size_t at = PickLine();
    std::vector<std::string> damaged = lines_;
    std::string& line = damaged[at];
    if (line.empty()) return OfLine(3);
    const size_t where = random_() % line.size();
    const char value = OtherByte(line[where], random_);
    line[where] = value;
    DamagedFile file =
        DamagedText(lines_, JoinLines(damaged),
                    name_ + "byte " + std::to_string(where) + " of line " + std::to_string(at + 1) + " set to " +
                        std::to_string(static_cast<unsigned char>(value)) + ": " + Escaped(line),
                    movesBefore_, at, format_);
    file.valid = ValidDamage::OtherLegalMove;
    // A result's words make no other valid result when a byte changes.
    if (format_ == Format::Ki2Tree && TextBegins(lines_[at], "まで")) file.valid = ValidDamage::None;
    const int number = LeadingNumber(line);
    if (format_ == Format::Kif && number >= 0 && number < LeadingNumber(lines_[at])) {
      file.valid = ValidDamage::RenumberedVariation;
    }
    return file;
  }

 private:
  size_t PickLine() { return first_ + random_() % (lines_.size() - first_); }
  size_t PickMoveLine() {
    size_t at = PickLine();
    while (MovesInLine(lines_[at], format_) == 0) at = PickLine();
    return at;
  }

  const std::string name_;
  const std::vector<std::string>& lines_;
  Format format_;
  size_t first_, last_;
  std::mt19937& random_;
  std::vector<size_t> movesBefore_;  // moves held by the lines before each line
};

// Whether lines [0, count) read as a record that holds at least `moves` of the game.
bool PrefixHolds(const std::vector<std::string>& lines, size_t count, const std::vector<KifuMove>& game, size_t moves,
                 const std::string& path, Format format) {
  Kifu read;
  const std::vector<std::string> prefix(lines.begin(), lines.begin() + static_cast<long>(count));
  if (!WriteFileBytes(path, JoinLines(prefix)) ||
      ReadKifuFile(path.c_str(), KifuFileTypeOfPath(path.c_str()), read, false) != 0) {
    return false;
  }
  const std::vector<KifuMove> held = format == Format::Ki2Tree ? TextOrder(read, true) : GameMoves(read);
  return held.size() >= moves && std::equal(game.begin(), game.begin() + static_cast<long>(moves), held.begin());
}

// The index of the line that holds the game's first `moves` moves (found by
// halving, as longer prefixes hold more).
size_t LineHolding(const std::vector<std::string>& lines, const std::vector<KifuMove>& game, size_t moves,
                   const std::string& path, Format format) {
  size_t low = 0, high = lines.size();  // lines [0, high) hold the moves; [0, low) do not
  while (high - low > 1) {
    const size_t middle = (low + high) / 2;
    (PrefixHolds(lines, middle, game, moves, path, format) ? high : low) = middle;
  }
  return high - 1;
}

// Every corpus game of the extension, as the text that `text` makes of it,
// damaged at seeded places: each kind of line damage twice, a cut at every
// byte of one move line, and four changed bytes. The damage falls from the
// line of the first move on: a damaged header key reads as another header
// (any key is allowed), and the start it changes shows only at the first move.
template <class MakeText>
void ExpectDamageReported(const std::string& extension, const std::string& written, Format format, MakeText text) {
  const std::vector<std::string> files = FilesWithExtension(CorpusDir(), extension);
  ASSERT_GE(files.size(), 50u);
  const std::string path = ProcessTempPath("damaged" + written);
  const bool tree = format == Format::Ki2Tree;
  // A tree draws its own damage, so that the other formats' stays the same.
  std::mt19937 random(tree ? 20261211 : 20261207), markRandom(tree ? 20261212 : 20261210);
  Tally tally;
  for (const std::string& file : files) {
    Kifu original;
    ASSERT_EQ(ReadKifuFile(file.c_str(), KifuFileTypeOfPath(file.c_str()), original, false), 0) << file;
    // KIF keeps each move's time: a time changed in silence is lost too.
    std::vector<int> times;
    std::vector<KifuMove> game = GameMoves(original, format == Format::Kif ? &times : nullptr);
    if (game.empty()) continue;
    const std::vector<std::string> lines = SplitLines(text(file, original));
    if (lines.empty()) continue;  // a game the format can't write
    if (tree) {
      // The game is all the undamaged text reads to, quietly, results
      // included; its moves make the source's tree.
      Kifu read;
      ReadReport report;
      ASSERT_TRUE(WriteFileBytes(path, JoinLines(lines))) << path;
      ASSERT_EQ(ReadKifuFile(path.c_str(), KIFU_FILE_KI2, read, false, &report), 0) << file << ": " << report.reason;
      ASSERT_FALSE(report.Stopped()) << file << " at " << report.at << ": " << report.reason;
      ASSERT_EQ(TextOrder(read, false), TextOrder(original, false)) << file;
      game = TextOrder(read, true);
    }
    // Undamaged, the text reads whole and nothing is reported.
    DamagedFile undamaged = Undamaged(JoinLines(lines));
    undamaged.wholeTree = tree;
    ReadAndCheck(undamaged, game, path, tally, times);
    const size_t first = LineHolding(lines, game, 1, path, format),
                 last = LineHolding(lines, game, game.size(), path, format);
    // A tree's text is made of the KIF file: its damage names the text.
    const std::string name = BaseName(file) + (tree ? " as KI2 with variations" : "");
    TextDamage damage(name, lines, format, first, last, random);
    for (int kind = 0; kind < 4; ++kind) {
      for (int round = 0; round < 2; ++round) ReadAndCheck(damage.OfLine(kind), game, path, tally, times);
    }
    for (int kind = 0; kind < 2; ++kind) {
      for (const bool firstMove : {true, false}) {
        ReadAndCheck(damage.BeforeTheMoves(kind, firstMove), game, path, tally, times);
      }
    }
    for (const DamagedFile& cut : damage.CutsOfALine()) ReadAndCheck(cut, game, path, tally, times);
    for (int round = 0; round < 4; ++round) ReadAndCheck(damage.ChangedByte(), game, path, tally, times);
    if (format == Format::Kif) {
      for (int round = 0; round < 4; ++round) ReadAndCheck(damage.InTheTimeField(), game, path, tally, times);
    }
    // Drawn apart, so that the damage above stays the same.
    if (format == Format::Ki2 || format == Format::JapaneseText || tree) {
      TextDamage inMarks(name, lines, format, first, last, markRandom);
      for (int round = 0; round < 4; ++round) ReadAndCheck(inMarks.InTheMark(round == 0), game, path, tally, times);
    }
  }
  tally.Print(tree ? written + " with variations after the result" : written);
  // Every outcome happens, so no branch is idle.
  EXPECT_GT(tally.reported, 200);
  EXPECT_GT(tally.refused, 0);
  // Japanese text has a phrase a line and no comments: any damage shows.
  if (format != Format::JapaneseText) {
    EXPECT_GT(tally.whole, 0);
  }
  EXPECT_GT(tally.valid[ValidDamage::CutAtLineEnd], 20);
  std::remove(path.c_str());
}

std::string AsStored(const std::string& file, Kifu&) { return FileBytes(file); }

TEST(DamagedCorpus, KifReadsWholeOrReportsTheDamage) { ExpectDamageReported(".kif", ".kif", Format::Kif, AsStored); }

TEST(DamagedCorpus, Ki2ReadsWholeOrReportsTheDamage) { ExpectDamageReported(".ki2", ".ki2", Format::Ki2, AsStored); }

TEST(DamagedCorpus, CsaReadsWholeOrReportsTheDamage) { ExpectDamageReported(".csa", ".csa", Format::Csa, AsStored); }

// KI2 as other programs write it with variations after the result line,
// made of each corpus game with a tree: damage falls mostly in the
// variations, and the whole tree is compared in text order.
TEST(DamagedCorpus, Ki2WithVariationsAfterTheResultReadsWholeOrReportsTheDamage) {
  ExpectDamageReported(".kif", ".ki2", Format::Ki2Tree, Ki2WithVariations);
}

TEST(DamagedCorpus, JapaneseTextReadsWholeOrReportsTheDamage) {
  ExpectDamageReported(".ki2", ".rvf", Format::JapaneseText,
                       [](const std::string&, Kifu& kifu) { return JapaneseText(kifu); });
}

// Armoured KIF: the KIF text our writer makes of each corpus game, armoured,
// damaged at seeded characters from its first move on: cut, one character
// inserted, one changed (any byte value). A report names the character, or
// the line of the decoded text, at or before the first damage.
TEST(DamagedCorpus, ArmouredKifReadsWholeOrReportsTheDamage) {
  const std::vector<std::string> files = FilesWithExtension(CorpusDir(), ".kif");
  ASSERT_GE(files.size(), 50u);
  const std::string path = ProcessTempPath("damaged.ckf");
  std::mt19937 random(20261208);
  Tally tally;
  for (const std::string& file : files) {
    Kifu original;
    ASSERT_EQ(ReadKifuFile(file.c_str(), KIFU_FILE_KIF, original, false), 0) << file;
    std::vector<int> times;
    const std::vector<KifuMove> game = GameMoves(original, &times);
    if (game.empty()) continue;
    const std::string text = WrittenKif(original);
    const std::vector<std::string> lines = SplitLines(text);
    const std::string armour = Armoured(text);
    ReadAndCheck(Undamaged(armour), game, path, tally, times);
    const std::vector<size_t> movesBefore = MovesBefore(lines, Format::Kif);
    // Damage from the first move line's characters on.
    size_t firstLine = 0;
    while (MovesInLine(lines[firstLine], Format::Kif) == 0) ++firstLine;
    const size_t firstCharacter =
        JoinLines(std::vector<std::string>(lines.begin(), lines.begin() + firstLine)).size() * 4 / 3;
    for (int round = 0; round < 30; ++round) {
      const int kind = round % 3;
      const size_t at = firstCharacter + random() % (armour.size() - firstCharacter);
      std::string damagedArmour = armour;
      if (kind == 0) damagedArmour.resize(at);
      if (kind == 1) damagedArmour.insert(at, 1, static_cast<char>(random() & 0xFF));
      if (kind == 2) damagedArmour[at] = OtherByte(armour[at], random);
      static const char* const kKinds[] = {"cut", "inserted", "changed"};
      const std::string decoded = Unarmoured(damagedArmour);
      const std::vector<std::string> damagedLines = SplitLines(decoded);
      DamagedFile damaged;
      damaged.bytes = damagedArmour;
      damaged.what = BaseName(file) + " armoured, " + kKinds[kind] + " at character " + std::to_string(at + 1);
      damaged.changed = damagedArmour != armour;
      damaged.firstLine = FirstDamagedLine(lines, damagedLines);
      damaged.firstPlace = static_cast<int>(at) + 1;
      // The decoded line where the damage shows, and the valid file it may make.
      size_t line = 0;
      while (line < lines.size() && line < damagedLines.size() && lines[line] == damagedLines[line]) ++line;
      if (line < lines.size()) {
        damaged.what += ", decoded line " + std::to_string(line + 1) + " '" + lines[line] + "' now '" +
                        Escaped(line < damagedLines.size() ? damagedLines[line] : "") + "'";
        damaged.damagedMove = movesBefore[line];
        damaged.damagedMoves = static_cast<size_t>(MovesInLine(lines[line], Format::Kif));
        damaged.timeMayChange = line < damagedLines.size() && TimeMayReadOtherwise(damagedLines[line]);
        if (kind == 0) {
          // What is left of the cut line; a cut that ends inside a byte can't be whole.
          const size_t kept = line < damagedLines.size() ? damagedLines[line].size() : 0;
          if (at % 4 != 1 && CutLeavesWholeLine(lines[line], kept, Format::Kif)) {
            damaged.valid = ValidDamage::CutAtLineEnd;
          }
        } else if (kind == 2) {
          damaged.valid = ValidDamage::OtherLegalMove;
          if (line < damagedLines.size() && LeadingNumber(damagedLines[line]) >= 0 &&
              LeadingNumber(damagedLines[line]) < LeadingNumber(lines[line])) {
            damaged.valid = ValidDamage::RenumberedVariation;
          }
        }
      }
      ReadAndCheck(damaged, game, path, tally, times);
    }
  }
  tally.Print(".ckf");
  EXPECT_GT(tally.reported, 200);
  EXPECT_GT(tally.whole, 0);
  std::remove(path.c_str());
}

// Old binary records: each even game of the corpus, stored after a seeded
// ply, with a byte cut, inserted or changed anywhere, its record count
// lowered, or bytes appended. A report names the move record at or before
// the first damaged one (any, when the header is damaged).
TEST(DamagedCorpus, OldBinaryReadsWholeOrReportsTheDamage) {
  const std::vector<std::string> files = FilesWithExtension(CorpusDir(), ".csa");
  const std::string path = ProcessTempPath("damaged.krs");
  std::mt19937 random(20261209);
  Tally tally;
  int games = 0;
  for (const std::string& file : files) {
    if (BaseName(file)[0] != 'g') continue;
    Kifu original;
    ASSERT_EQ(ReadKifuFile(file.c_str(), KIFU_FILE_CSA, original, false), 0) << file;
    const std::vector<KifuMove> game = GameMoves(original);
    if (game.empty()) continue;
    ++games;
    const int stored = static_cast<int>(random() % (game.size() + 1));
    KifuPosition position = original.StartNode()->position;
    for (int ply = 0; ply < stored; ++ply) position.DoMove(game[static_cast<size_t>(ply)]);
    const std::string bytes = OldNativeGameBytes(position, game, stored);
    ReadAndCheck(Undamaged(bytes), game, path, tally);
    auto recordAt = [](size_t at) {
      return at < kOldNativeHeaderBytes ? 0 : static_cast<int>((at - kOldNativeHeaderBytes) / 16) + 1;
    };
    for (int round = 0; round < 12; ++round) {
      const int kind = round % 5;
      const size_t at = random() % bytes.size();
      DamagedFile damaged;
      damaged.bytes = bytes;
      damaged.firstPlace = recordAt(at);
      static const char* const kKinds[] = {"cut", "inserted", "changed", "count lowered", "bytes appended"};
      switch (kind) {
        case 0: damaged.bytes.resize(at); break;
        case 1: damaged.bytes.insert(at, 1, static_cast<char>(random() & 0xFF)); break;
        case 2: {
          damaged.bytes[at] = OtherByte(bytes[at], random);
          damaged.valid = ValidDamage::OtherLegalMove;
          damaged.damagedMove = static_cast<size_t>(std::max(0, damaged.firstPlace - 1));
          damaged.damagedMoves = 1;
          break;
        }
        case 3: {
          const int lowered = static_cast<int>(game.size()) - 1 - static_cast<int>(random() % 8);
          if (lowered < stored) continue;
          PutLittleEndian(damaged.bytes, kOldNativeRecordCountAt, lowered, 4);
          damaged.firstPlace = 0;
          break;
        }
        default: {
          const size_t count = 1 + random() % 40;
          for (size_t i = 0; i < count; ++i) damaged.bytes += static_cast<char>(random() & 0xFF);
          damaged.firstPlace = static_cast<int>(game.size()) + 1;
          break;
        }
      }
      damaged.what = BaseName(file) + " as .krs stored at " + std::to_string(stored) + ", " + kKinds[kind] +
                     " at byte " + std::to_string(at);
      damaged.changed = damaged.bytes != bytes;
      ReadAndCheck(damaged, game, path, tally);
    }
  }
  tally.Print(".krs");
  EXPECT_GE(games, 40);
  EXPECT_GT(tally.reported, 40);
  EXPECT_GT(tally.refused, 40);
  std::remove(path.c_str());
}

}  // namespace
