// Read reports and the line-counting stream the readers fill them through.
#include "records/read_report.h"

#include "records/kifu_position.h"

bool CheckReadStart(const KifuPosition& start, ReadReport* report) {
  const std::string rule = start.InvalidReason();
  if (rule.empty()) return true;
  if (report != nullptr) {
    report->Set(ReadProblem::InvalidStart, 0, SjisString());
    report->reason = rule + ": " + report->reason;
  }
  return false;
}

void ReadReport::Set(ReadProblem what, int atLine, const SjisString& lineText, const char* why) {
  problem = what;
  at = atLine;
  SjisString trimmed(lineText);
  trimmed.TrimRight();
  text = trimmed.Text();
  reason = why != nullptr ? why : ReadProblemText(what);
  unit = ReadUnit::Line;
  movesDropped = false;
  lineSkipped = false;
  moreSkipped = 0;
  damaged = false;
}

void ReadReport::Skip(int atLine, const SjisString& lineText, const std::string& why) {
  // The first problem of a read is the one named.
  if (damaged) return;
  if (lineSkipped) {
    ++moreSkipped;
    return;
  }
  Set(ReadProblem::SkippedLine, atLine, lineText, why.c_str());
  lineSkipped = true;
}

void ReadReport::Damage(ReadUnit where, int place, const std::string& why, const SjisString& lineText) {
  if (Stopped()) return;
  Set(ReadProblem::DamagedBytes, place, lineText, why.c_str());
  unit = where;
  damaged = true;
}

std::string ReadSquareText(int file, int rank) {
  SjisString numeral;
  numeral.SetKanjiNumber(rank);
  return std::to_string(file) + numeral.Text();
}

const char* ReadProblemText(ReadProblem problem) {
  switch (problem) {
    case ReadProblem::None: return "";
    case ReadProblem::Utf8Text: return "this is UTF-8 text; records are read as Shift-JIS (convert it to Shift-JIS first, without its byte-order mark)";
    case ReadProblem::UnknownEncoding: return "unknown text encoding (NUL bytes: UTF-16 or binary data)";
    case ReadProblem::NotThisFormat: return "holds no record of its format";
    case ReadProblem::NoMovesLine: return "no moves line (手数----指手--) after the header";
    case ReadProblem::UnknownHandicap: return "unknown handicap name";
    case ReadProblem::BadDiagramRow: return "bad board diagram row";
    case ReadProblem::BadHand: return "bad hand";
    case ReadProblem::InvalidStart: return "the start position is not valid";
    case ReadProblem::UnreadableMove: return "unreadable move";
    case ReadProblem::ImpossibleMove: return "the move is not possible in the position";
    case ReadProblem::SkippedLine: return "a line of moves that was not read";
    case ReadProblem::DamagedBytes: return "bytes that the format never holds";
    case ReadProblem::CrLineEnds: return "its lines end in CR alone, which ends no line here (convert the line ends to CR LF or LF first)";
  }
  return "";  // no value outside the enumeration is ever made
}

int LineCountingInStream::ReadLine(SjisString& line) {
  const int result = in_.ReadLine(line);
  if (result == 0) {
    ++lines_;
    last_ = line;
  }
  return result;
}

void LineCountingInStream::Rewind() {
  in_.Rewind();
  lines_ = 0;
  last_.Clear();
}

void LineCountingInStream::Report(ReadReport* report, ReadProblem problem, const char* why, bool stopped) const {
  if (report == nullptr) return;
  if (!(stopped && (report->lineSkipped || report->damaged))) report->Set(problem, lines_, last_, why);
  report->movesDropped = stopped;
}

void LineCountingInStream::Skip(ReadReport* report, const std::string& why) const {
  if (report != nullptr) report->Skip(lines_, last_, why);
}

void LineCountingInStream::Damage(ReadReport* report, const std::string& why) const {
  if (report != nullptr) report->Damage(ReadUnit::Line, lines_, why, last_);
}

void ReportCutCharacter(const LineCountingInStream& in, ReadReport* report) {
  if (EndsInsideCharacter(in.LastLine().Text())) {
    in.Damage(report, "the text ends inside a double-byte character: it was cut short");
  }
}
