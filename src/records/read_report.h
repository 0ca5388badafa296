// What a record reader tells its caller besides 0 or -1: why it refused a
// text, or where it stopped reading one and what it could not read there.
#pragma once

#include <string>

#include "charset.h"
#include "records/record_stream.h"

enum class ReadProblem {
  None,
  Utf8Text,         // UTF-8 text where Shift-JIS is expected
  UnknownEncoding,  // NUL bytes: UTF-16 or binary data
  NotThisFormat,    // nothing of the reader's format
  NoMovesLine,      // a KIF header not followed by the moves line
  UnknownHandicap,
  BadDiagramRow,
  BadHand,
  InvalidStart,     // the reason names the rule the start position breaks
  UnreadableMove,
  ImpossibleMove,   // read, but not possible in the position
  SkippedLine,      // a line of moves passed over; reading went on after it
  // Bytes the file's format never holds where they stand, so that what was
  // written can't be read whole: a changed armour character, bytes after a
  // binary record's moves, a text cut inside a character, a move line with
  // more than its move and time, a time field on a line of its own, a
  // variation that does not begin with the move its header names.
  DamagedBytes,
  CrLineEnds,  // lines that end in CR alone, which end no line here
};

// What a report's number counts. Armoured and binary files have no lines of
// their own: their faults are named by character or by move record (the
// decoded text of an armoured file has lines, which are named as such).
enum class ReadUnit { Line, Character, Move };

struct ReadReport {
  ReadProblem problem = ReadProblem::None;
  // The place at fault, 1-based, counted in `unit`: a line, a character or
  // a move record; 0 for none.
  int at = 0;
  ReadUnit unit = ReadUnit::Line;
  std::string text;           // the line at fault as read (Shift-JIS), trailing blanks cut
  std::string reason;         // what is wrong (Shift-JIS)
  bool movesDropped = false;  // the read stopped early: later moves are not in the record
  // The problem is a line of moves that was passed over (reading went on),
  // and how many more lines were passed over after it.
  bool lineSkipped = false;
  int moreSkipped = 0;
  // The file holds bytes its format never has (at `at`, counted in
  // `unit`): what the record holds from there on may differ from what was
  // written, or lack it.
  bool damaged = false;

  // Records a problem at a line (0: none) with the reason text for it (the
  // problem's own words when reason is null); it replaces whatever the
  // report held.
  void Set(ReadProblem what, int atLine, const SjisString& lineText, const char* why = nullptr);
  // Records a line of moves passed over: the first one is kept with its
  // reason, later ones are only counted; after damaged bytes, none is.
  void Skip(int atLine, const SjisString& lineText, const std::string& why);
  // Records damaged bytes at `place`, counted in `where`, unless the read
  // already met a problem (the first one is named).
  void Damage(ReadUnit where, int place, const std::string& why, const SjisString& lineText = SjisString());
  // Whether the input was not read to its end: the read stopped early,
  // passed over lines of moves or met damaged bytes. Either way the record
  // may lack moves the file holds.
  bool Stopped() const { return movesDropped || lineSkipped || damaged; }
};

class KifuPosition;
// Whether a read start position is one the rules can play from (a mate
// problem may place its kings freely); when not, the report (when given)
// names the rule it breaks.
bool CheckReadStart(const KifuPosition& start, ReadReport* report);

// A square as the reasons name it: the file's digit and the rank's kanji ("2九").
std::string ReadSquareText(int file, int rank);

// The problem's reason in words, for a report that gives no other.
const char* ReadProblemText(ReadProblem problem);

// Passes another stream through, counting the lines read so far and keeping
// the last one, so that a reader can say where it stopped.
class LineCountingInStream : public InStream {
 public:
  explicit LineCountingInStream(InStream& in) : in_(in) {}
  int ReadLine(SjisString& line) override;
  char* Gets(char* buf, int size) override { return in_.Gets(buf, size); }
  int Read(void* buf, int size) override { return in_.Read(buf, size); }
  void Unget(char c) override { in_.Unget(c); }
  void Rewind() override;
  bool IsEof() override { return in_.IsEof(); }

  // Lines read (the number of the last one).
  int LineNumber() const { return lines_; }
  const SjisString& LastLine() const { return last_; }
  // Fills report (when given) with the problem at the last line read. A
  // stop after skipped lines or damaged bytes keeps the first of them as the problem.
  void Report(ReadReport* report, ReadProblem problem, const char* why = nullptr, bool stopped = false) const;
  // Notes in report (when given) that the last line read was passed over.
  void Skip(ReadReport* report, const std::string& why) const;
  // Notes in report (when given) that the last line read holds damaged text.
  void Damage(ReadReport* report, const std::string& why) const;

 private:
  InStream& in_;
  int lines_ = 0;
  SjisString last_;
};

// Notes in report (when given) damaged bytes at the last line read when it
// ends inside a double-byte character: the text was cut short. Called once
// the input is read to its end, where only the last line can lack its line
// end.
void ReportCutCharacter(const LineCountingInStream& in, ReadReport* report);
