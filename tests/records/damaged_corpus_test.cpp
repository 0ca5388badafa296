// Damaged records never read as shorter games without a word: over the
// corpus games with a line deleted, two lines swapped, a line duplicated or
// junk put into a line, each reader either keeps every move of the game or
// reports that the input was not read to its end, naming a line at or
// before the first damaged one. A refused file says so too; only a read
// that claims success with moves missing fails.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "records/kifu.h"
#include "records/record_files.h"
#include "support/test_files.h"
#include "support/test_paths.h"

namespace {

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

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

// The ordinary moves of the line of first moves: the game without its result.
std::vector<KifuMove> GameMoves(Kifu& kifu) {
  kifu.SelectFirstMoves();
  std::vector<KifuMove> moves;
  for (int ply = 1; ply <= kifu.LineLength(); ++ply) {
    const KifuMove& move = kifu.MoveAtPly(ply)->move;
    if (move.kind == KifuMoveKind::Ordinary) moves.push_back(move);
  }
  return moves;
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

// Character starts of a line before its line end, where junk may go.
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

// One damage of the four kinds at line `at`.
std::vector<std::string> Damaged(const std::vector<std::string>& lines, int kind, size_t at, std::mt19937& random) {
  std::vector<std::string> damaged = lines;
  switch (kind) {
    case 0: damaged.erase(damaged.begin() + static_cast<long>(at)); break;
    case 1: std::swap(damaged[at], damaged[std::min(lines.size() - 1, at + 1)]); break;
    case 2: damaged.insert(damaged.begin() + static_cast<long>(at), lines[at]); break;
    default: {
      static const char* const kJunk[] = {"xx", "?!", "＠", "x "};
      const std::vector<size_t> starts = CharacterStarts(damaged[at]);
      damaged[at].insert(starts[random() % starts.size()], kJunk[random() % 4]);
      break;
    }
  }
  return damaged;
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

// Reads the lines from a file of the path's type: the reader's result.
int ReadLines(const std::vector<std::string>& lines, const std::string& path, Kifu& read, ReadReport& report) {
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) return -2;
  const std::string bytes = JoinLines(lines);
  std::fwrite(bytes.data(), 1, bytes.size(), out);
  std::fclose(out);
  return ReadKifuFile(path.c_str(), KifuFileTypeOfPath(path.c_str()), read, false, &report);
}

bool HoldsGame(const std::vector<KifuMove>& moves, const std::vector<KifuMove>& game) {
  return moves.size() >= game.size() && std::equal(game.begin(), game.end(), moves.begin());
}

// Whether lines [0, count) read as a record that holds at least `moves` of the game.
bool PrefixHolds(const std::vector<std::string>& lines, size_t count, const std::vector<KifuMove>& game, size_t moves,
                 const std::string& path) {
  Kifu read;
  ReadReport report;
  const std::vector<std::string> prefix(lines.begin(), lines.begin() + static_cast<long>(count));
  if (ReadLines(prefix, path, read, report) != 0) return false;
  const std::vector<KifuMove> held = GameMoves(read);
  return held.size() >= moves && std::equal(game.begin(), game.begin() + static_cast<long>(moves), held.begin());
}

// The index of the line that holds the game's first `moves` moves (found by
// halving, as longer prefixes hold more).
size_t LineHolding(const std::vector<std::string>& lines, const std::vector<KifuMove>& game, size_t moves,
                   const std::string& path) {
  size_t low = 0, high = lines.size();  // lines [0, high) hold the moves; [0, low) do not
  while (high - low > 1) {
    const size_t middle = (low + high) / 2;
    (PrefixHolds(lines, middle, game, moves, path) ? high : low) = middle;
  }
  return high - 1;
}

// Reads the damaged lines and checks the outcome: the whole game, or a
// report at or before the first damaged line. True when the read was
// refused or reported incomplete.
bool ReadAndCheck(const std::vector<std::string>& damaged, const std::vector<std::string>& lines,
                  const std::vector<KifuMove>& game, const std::string& path, const std::string& what) {
  const int first = FirstDamagedLine(lines, damaged);
  Kifu read;
  ReadReport report;
  const int result = ReadLines(damaged, path, read, report);
  EXPECT_NE(result, -2) << path;
  // A refusal says so as well.
  if (result != 0) {
    EXPECT_NE(first, 0) << what << " undamaged is refused: " << report.reason;
    return true;
  }
  const bool whole = HoldsGame(GameMoves(read), game);
  if (first == 0) {
    EXPECT_TRUE(whole && !report.Stopped()) << what << " undamaged: " << report.line << " " << report.reason;
  } else if (!whole) {
    EXPECT_TRUE(report.Stopped()) << what << " at line " << first << " lost moves without a word";
    EXPECT_GE(report.line, 1) << what;
    EXPECT_LE(report.line, first) << what << " at line " << first << ": " << report.reason;
  }
  return report.Stopped();
}

// Every corpus game of the extension, as the text that `text` makes of it,
// damaged at seeded places in each of the four ways. The damage falls from
// the line of the first move on: a damaged header key reads as another
// header (any key is allowed), and the start it changes shows only at the
// first move. Deleting the line of the last move leaves a shorter game that
// nothing marks as cut, so that one damage is not made. numbered: the
// format numbers its moves (or has one a line), so that a whole line
// deleted, doubled or swapped shows at once. KI2 has neither: its moves
// are relative, so such a line may read as another game that no reader
// can tell from the real one; it is damaged only inside its lines.
template <class MakeText>
void ExpectDamageReported(const std::string& extension, const std::string& written, MakeText text,
                          bool numbered = true) {
  const std::vector<std::string> files = FilesWithExtension(CorpusDir(), extension);
  ASSERT_GE(files.size(), 50u);
  const std::string path = ProcessTempPath("damaged" + written);
  std::mt19937 random(20261207);
  int reported = 0, kept = 0;
  for (const std::string& file : files) {
    Kifu original;
    ASSERT_EQ(ReadKifuFile(file.c_str(), KifuFileTypeOfPath(file.c_str()), original, false), 0) << file;
    const std::vector<KifuMove> game = GameMoves(original);
    if (game.empty()) continue;
    const std::vector<std::string> lines = SplitLines(text(file, original));
    // Undamaged, the text reads whole and nothing is reported.
    ReadAndCheck(lines, lines, game, path, file);
    const size_t first = LineHolding(lines, game, 1, path), last = LineHolding(lines, game, game.size(), path);
    for (int kind = numbered ? 0 : 3; kind < 4; ++kind) {
      for (int round = 0; round < (numbered ? 2 : 6); ++round) {
        const size_t at = first + random() % (lines.size() - first);
        if (kind == 0 && at == last) continue;
        const std::vector<std::string> damaged = Damaged(lines, kind, at, random);
        const std::string what =
            file + " damage " + std::to_string(kind) + " at " + std::to_string(at + 1) + ": " + damaged[at];
        (ReadAndCheck(damaged, lines, game, path, what) ? reported : kept) += 1;
      }
    }
  }
  // Both outcomes happen, so neither branch is idle.
  EXPECT_GT(reported, 20);
  EXPECT_GT(kept, 0);
  std::remove(path.c_str());
}

std::string AsStored(const std::string& file, Kifu&) { return FileBytes(file); }

TEST(DamagedCorpus, KifReadsWholeOrReportsTheDamage) { ExpectDamageReported(".kif", ".kif", AsStored); }

TEST(DamagedCorpus, Ki2ReadsWholeOrReportsTheDamage) { ExpectDamageReported(".ki2", ".ki2", AsStored, false); }

TEST(DamagedCorpus, CsaReadsWholeOrReportsTheDamage) { ExpectDamageReported(".csa", ".csa", AsStored); }

TEST(DamagedCorpus, JapaneseTextReadsWholeOrReportsTheDamage) {
  ExpectDamageReported(".ki2", ".rvf", [](const std::string&, Kifu& kifu) { return JapaneseText(kifu); });
}

}  // namespace
