// The record signature's reading and writing: each record written in every
// format and read back, damaged texts read over it, the document's clipboard,
// saves and clocks, and the strings, streams and tokens of the written texts.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "signature/record_signature_runner.h"
#include "records/csa_token.h"
#include "records/game_record.h"
#include "records/kifu.h"
#include "records/kifu_clock.h"
#include "records/read_report.h"
#include "records/record_files.h"
#include "records/record_stream.h"
#include "records/rvq_format.h"
#include "records/sjis_string.h"
#include "records/sjis_string_list.h"
#include "records/text_encoding.h"

namespace record_signature {
namespace {

namespace fs = std::filesystem;

// What write puts out, as text; its result into result.
template <typename Write>
std::string Written(Write write, int& result) {
  SjisString text;
  StringOutStream out(text, false);
  result = write(out);
  return text.Text();
}

// The descriptors the process holds (0 where the system doesn't list them).
int OpenFileCount() {
  std::error_code error;
  int count = 0;
  for (fs::directory_iterator it("/proc/self/fd", error), end; !error && it != end; it.increment(error)) ++count;
  return count;
}

// The text's lines, without their LF.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The document looking at the move and the position it reached.
void ViewAt(GameRecord& game, KifuMoveNode* move) {
  game.currentNode = move;
  *game.currentPosition = move->reachedNode->position;
}

}  // namespace

// Reads text with the reader of a file format (KIF, KI2, CSA, RVQ).
int Runner::Reread(const std::string& text, int format, Kifu& into, bool merge, ReadReport& report) {
  MemoryInStream in(text.c_str());
  switch (format) {
    case KIFU_FILE_KIF: return into.ReadKif(in, merge, &report);
    case KIFU_FILE_KI2: return into.ReadKi2(in, merge, &report);
    case KIFU_FILE_CSA: return into.ReadCsa(in, merge, 0, &report);
    default: return into.ReadRvq(in, merge, &report);
  }
}

void Runner::RunWriters(const Kifu& kifu, uint32_t seed) {
  const KifuMoveNode* last = kifu.MoveAtPly(kifu.LineLength());
  const KifuPosition& end = last->reachedNode->position;
  struct Format {
    Fn fn, positionFn;
    int type;
    int (Kifu::*write)(OutStream&) const;
    int (Kifu::*writePosition)(OutStream&, const KifuPosition&) const;
  };
  static constexpr Format kFormats[] = {
      {WRITE_KIF, WRITE_KIF_POSITION, KIFU_FILE_KIF, &Kifu::WriteKif, &Kifu::WriteKifPosition},
      {WRITE_KI2, WRITE_KI2_POSITION, KIFU_FILE_KI2, &Kifu::WriteKi2, &Kifu::WriteKi2Position},
      {WRITE_CSA, WRITE_CSA_POSITION, KIFU_FILE_CSA, &Kifu::WriteCsa, &Kifu::WriteCsaPosition},
      {WRITE_RVQ, WRITE_RVQ_POSITION, KIFU_FILE_RVQ, &Kifu::WriteRvq, &Kifu::WriteRvqPosition},
  };
  SignatureRandom rng{seed};
  std::string kifText;
  for (const Format& format : kFormats) {
    int result = 0;
    const std::string text = Written([&](OutStream& out) { return (kifu.*format.write)(out); }, result);
    d.AddInt(format.fn, result);
    d.AddText(format.fn, text);
    const std::string positionText =
        Written([&](OutStream& out) { return (kifu.*format.writePosition)(out, end); }, result);
    d.AddInt(format.positionFn, result);
    d.AddText(format.positionFn, positionText);
    for (const std::string* written : {&text, &positionText}) {
      Kifu back;
      ReadReport report;
      d.AddRead(REREAD, Reread(*written, format.type, back, false, report), report, back);
      Kifu pasted;
      d.AddRead(PASTE, ReadKifuText(written->c_str(), pasted, &report), report, pasted);
      d.AddInt(ENCODING, IsValidUtf8(written->data(), written->size(), false));
      d.AddInt(ENCODING, IsValidUtf8(written->data(), written->size() / 2, true));
    }
    if (format.type == KIFU_FILE_CSA) {
      // The second player's hand given as "every piece not yet placed".
      std::string rest;
      for (const std::string& line : Lines(positionText)) {
        if (line.rfind("P-00", 0) == 0) continue;
        if (line == "+" || line == "-") rest += "P-00AL\n";
        rest += line + "\n";
      }
      Kifu back;
      ReadReport report;
      d.AddRead(REREAD, Reread(rest, KIFU_FILE_CSA, back, false, report), report, back);
    }
    RunHostile(kifu, text, format.type, rng);
    if (format.type == KIFU_FILE_KIF) {
      kifText = text;
      RunStrings(text);
      RunStreams(text);
    }
    if (format.type == KIFU_FILE_CSA) RunCsaTokens(text, kifu.StartNode()->position);
    if (format.type == KIFU_FILE_RVQ) RunRvqTokens(text);
  }
  // The armoured form goes only to files.
  const std::string ckf = scratch_ + "/record.ckf";
  {
    ArmouredFileOutStream out;
    d.AddInt(WRITE_CKF, out.Open(ckf.c_str()));
    d.AddInt(WRITE_CKF, kifu.WriteKif(out));
    d.AddInt(WRITE_CKF, out.Close());
  }
  d.AddText(WRITE_CKF, FileBytes(ckf));
  Kifu back;
  ReadReport report;
  d.AddInt(WRITE_CKF, ReadKifuFile(ckf.c_str(), KIFU_FILE_CKF, back, false, &report));
  d.AddGraph(WRITE_CKF, back);

  GameRecord game;
  d.AddRead(PASTE, game.LoadFromText(SjisString(kifText.c_str()), &report), report, *game.record);
  RunGameRecord(game, kifText);
}

// Damaged texts read over a record that holds a game: a failed read must
// leave it as it was, a read that stops must say where.
void Runner::RunHostile(const Kifu& kifu, const std::string& text, int format, SignatureRandom& rng) {
  const std::vector<std::string> lines = Lines(text);
  if (lines.empty()) return;
  for (int round = 0; round < 3; ++round) {
    std::vector<std::string> damaged = lines;
    const size_t at = static_cast<size_t>(rng.Below(static_cast<int>(lines.size())));
    switch (rng.Below(4)) {
      case 0: damaged.erase(damaged.begin() + static_cast<long>(at)); break;
      case 1: damaged.insert(damaged.begin() + static_cast<long>(at), lines[at]); break;
      case 2: damaged.resize(at); break;
      default:
        if (!damaged[at].empty()) damaged[at][static_cast<size_t>(rng.Below(static_cast<int>(damaged[at].size())))] ^= 0x21;
        break;
    }
    std::string joined;
    for (const std::string& line : damaged) joined += line + "\n";
    Kifu target(kifu);
    ReadReport report;
    d.AddRead(HOSTILE_READ, Reread(joined, format, target, round == 2, report), report, target);
    // The document's loads pass the same report up.
    const std::string path = scratch_ + "/damaged";
    std::ofstream(path, std::ios::binary) << joined;
    GameRecord game;
    KifuFileType type = format;
    ReadReport loadReport;
    d.AddRead(HOSTILE_READ, game.Load(path.c_str(), &type, false, &loadReport), loadReport, *game.record);
    GameRecord pasted;
    d.AddRead(HOSTILE_READ, pasted.LoadFromText(SjisString(joined.c_str()), &loadReport), loadReport, *pasted.record);
  }
}

void Runner::RunGameRecord(GameRecord& game, const std::string& kifText) {
  // The clipboard text of the whole record and of the position, every code.
  ViewAt(game, game.record->MoveAtPly(game.record->LineLength()));
  for (int format = 1; format <= 6; ++format) {
    for (bool positionOnly : {false, true}) {
      SjisString text;
      d.AddInt(CLIPBOARD, game.WriteToString(text, format, positionOnly));
      d.AddText(CLIPBOARD, text);
    }
  }
  // Saved in every writable type and loaded again, leaving no file open.
  const int openBefore = OpenFileCount();
  for (const char* extension : {".kif", ".ckf", ".ki2", ".csa", ".rvq"}) {
    const std::string path = scratch_ + "/saved" + extension;
    KifuFileType type = 0;
    d.AddInt(SAVE_LOAD, game.Save(path.c_str(), &type));
    d.AddInt(SAVE_LOAD, type);
    d.AddText(SAVE_LOAD, FileBytes(path));
    GameRecord back;
    ReadReport report;
    type = 0;
    // Loaded first: the load may replace the record it is read into.
    const int loaded = back.Load(path.c_str(), &type, false, &report);
    d.AddRead(SAVE_LOAD, loaded, report, *back.record);
    d.AddInt(SAVE_LOAD, game.SavePosition(path.c_str(), &type));
    d.AddText(SAVE_LOAD, FileBytes(path));
  }
  d.AddInt(SAVE_LOAD, OpenFileCount() - openBefore);
  // Repetition and clocks at every ply of the line.
  static constexpr int kClocks[][3] = {{0, 0, 0}, {600, 30, 0}, {0, 10, 2}, {60, 0, 3}, {300, 0, 0}};
  const int length = game.record->LineLength();
  for (int ply = 0; ply <= length; ++ply) {
    ViewAt(game, game.record->MoveAtPly(ply));
    d.AddInt(REPETITION, game.CheckRepetition());
    for (const auto& setting : kClocks) {
      KifuClock clocks[2];
      clocks[0].Init(setting[0], setting[1], setting[2]);
      clocks[1].Init(setting[0] / 2, setting[1], setting[2]);
      game.ReplayClocks(clocks);
      d.AddBytes(CLOCKS, clocks, sizeof clocks);
    }
  }
  // The line grafted onto an emptied copy, then the comments cleared.
  GameRecord other;
  if (other.LoadFromText(SjisString(kifText.c_str()))) {
    other.record->ClearMoves();
    ViewAt(other, other.record->Root());
    d.AddInt(EDITING, other.MergeLine(game.record->Root(), true));
    d.AddGraph(EDITING, *other.record);
  }
  game.ClearComments();
  d.AddGraph(EDITING, *game.record);
}

// The string operations over every line of a written text.
void Runner::RunStrings(const std::string& text) {
  SjisStringList list;
  for (const std::string& line : Lines(text)) {
    SjisString s(line.c_str());
    list.Append(s);
    d.AddInt(SJIS_STRING, s.Length());
    d.AddInt(SJIS_STRING, s.FindByte(' ', 0) | s.FindByte(':', 1) << 12 | s.FindByte('\r', s.Length() - 1) << 24);
    SjisString trimmed(s);
    d.AddInt(SJIS_STRING, trimmed.TrimRight() | trimmed.TrimLeft() << 1);
    d.AddText(SJIS_STRING, trimmed);
    for (const char* separator : {"：", " ", "手"}) {
      SjisString rest;
      for (const auto split : {&SjisString::SplitAt, &SjisString::SplitAtChar}) {
        SjisString head(s);
        d.AddInt(SJIS_STRING, (head.*split)(separator, rest));
        d.AddText(SJIS_STRING, head);
        d.AddText(SJIS_STRING, rest);
      }
    }
    SjisString cut(s);
    d.AddInt(SJIS_STRING, cut.RemovePrefix(3));
    cut.Append(cut);
    cut.AppendChar('x');
    cut.AppendNumber(-s.Length());
    d.AddText(SJIS_STRING, cut);
    // Numbers written and read back in kanji and full-width digits.
    const int number = s.Length() * 131 + (s.Length() > 0 ? static_cast<unsigned char>(s.Text()[0]) : 0);
    SjisString numeral;
    numeral.SetKanjiNumber(number);
    int value = 0;
    d.AddText(SJIS_STRING, numeral);
    d.AddInt(SJIS_STRING, ParseKanjiNumber(numeral.Text(), value));
    d.AddInt(SJIS_STRING, value);
    numeral.SetFullWidthNumber(number);
    d.AddText(SJIS_STRING, numeral);
    for (int at = 0; at < numeral.Length(); at += 2) {
      d.AddInt(SJIS_STRING, ParseFullWidthDigit(numeral.Text() + at, value));
      d.AddInt(SJIS_STRING, value);
    }
    d.AddInt(SJIS_STRING, ParseKanjiNumber(s.Text(), value) << 16 | ParseFullWidthDigit(s.Text(), value));
  }
  d.AddInt(STRING_LIST, list.Count());
  const SjisStringList copy(list);
  for (int i = -1; i <= copy.Count(); ++i) d.AddText(STRING_LIST, copy.At(i));
  SjisStringList moved(std::move(list));
  d.AddInt(STRING_LIST, moved.Count() << 16 | list.Count());
  moved.Clear();
  d.AddInt(STRING_LIST, moved.Count());
}

void Runner::RunStreams(const std::string& text) {
  MemoryInStream in(text.c_str());
  SjisString line;
  while (in.ReadLine(line) == 0) d.AddText(STREAMS, line);
  d.AddInt(STREAMS, in.IsEof());
  in.Rewind();
  char buffer[17];
  while (in.Gets(buffer, sizeof buffer) != nullptr) d.AddText(STREAMS, buffer);
  in.Rewind();
  LineCountingInStream counted(in);
  char bytes[7];
  for (int n; (n = counted.Read(bytes, sizeof bytes)) > 0;) {
    d.AddBytes(STREAMS, bytes, static_cast<size_t>(n));
    counted.Unget(bytes[n - 1]);
    if (counted.Read(bytes, 1) != 1) d.AddInt(STREAMS, -1);
  }
  counted.Rewind();
  while (counted.ReadLine(line) == 0) {
  }
  d.AddInt(STREAMS, counted.LineNumber());
  d.AddText(STREAMS, counted.LastLine());
  SjisString out;
  StringOutStream stream(out, true);
  for (int style = 0; style <= 2; ++style) {
    stream.SetFormat(1, style);
    for (int width : {-1, 0, 3}) {
      stream.SetFormat(0, width);
      for (int n : {0, 7, 10, 42, 305, 2305, -3}) {
        d.AddInt(STREAMS, stream.WriteNumber(n));
        stream.WriteString("\n");
      }
    }
  }
  d.AddText(STREAMS, out);
}

// The CSA text's tokens, moves played as they come.
void Runner::RunCsaTokens(const std::string& text, const KifuPosition& start) {
  MemoryInStream in(text.c_str());
  CsaTokenReader reader;
  KifuPosition position = start;
  SjisString token;
  while (reader.ReadCsaToken(in, token)) {
    d.AddText(CSA_TOKENS, token);
    KifuMove move;
    const bool parsed = ParseCsaSpecialMove(token, position, move);
    d.AddInt(CSA_TOKENS, parsed);
    if (!parsed) continue;
    d.AddMove(CSA_TOKENS, move);
    if (move.kind == KifuMoveKind::Ordinary) d.AddInt(CSA_TOKENS, position.DoMove(move));
  }
}

void Runner::RunRvqTokens(const std::string& text) {
  MemoryInStream in(text.c_str());
  for (int token = NextRvqToken(in), count = 0; count < 4096; token = NextRvqToken(in), ++count) {
    d.AddInt(RVQ_TOKENS, token);
    if (token == RVQ_END) break;
  }
}

}  // namespace record_signature
