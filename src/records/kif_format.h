// The KIF text format: the shared header and board-diagram writer and
// reader, the analysis and comment lines, and the label table that carries
// transposition labels between the writer and the reader. The whole-record
// writer and reader are Kifu::WriteKif, Kifu::WriteKifPosition and
// Kifu::ReadKif (kif_writer.cpp, kif_reader.cpp).
#pragma once

#include <cstdint>
#include <functional>

#include "charset.h"
#include "records/kifu_position.h"
#include "records/read_report.h"
#include "records/record_stream.h"
#include "records/sjis_string.h"
#include "records/sjis_string_list.h"

class KifuMoveNode;

// The column header that ends the header section and starts the moves.
inline constexpr char KIF_MOVES_HEADER[] = "手数----指手---------消費時間--";
// Its short form, without the time column, which other programs write for
// records without times: any line beginning so ends the header too.
inline constexpr char KIF_MOVES_HEADER_SHORT[] = "手数----指手--";
// The line that closes a line of play.
inline constexpr char KIF_SEPARATOR[] = "#--separator--";

// A chained hash table between label names and values (position nodes).
// Values are pointer-wide, so a node's address is kept whole on 64-bit.
class LabelTable {
 public:
  // A table of `buckets` chains (997 in every use).
  explicit LabelTable(int buckets);
  LabelTable(const LabelTable&) = delete;
  LabelTable& operator=(const LabelTable&) = delete;
  // Frees every entry and the chains.
  ~LabelTable();

  // Frees every entry; all chains empty.
  void Clear();
  // Adds name -> value; 0, or -1 when the name is already present (the
  // table keeps its own copy of the name).
  int Insert(const char* name, intptr_t value);
  // The value of the name, 0 when absent.
  intptr_t Find(const char* name) const;
  // Adds an entry keyed by its value; 0, or -1 when that value is present.
  int InsertByValue(const char* name, intptr_t value);
  // The name stored for the value, null when absent.
  const char* FindByValue(intptr_t value) const;
  // Drops every entry whose value `drop` accepts (labels of deleted nodes).
  void RemoveIf(const std::function<bool(intptr_t value)>& drop);
  // Entries held.
  int Count() const { return count_; }

  // The key of a name: its bytes in 32-bit chunks, most significant first,
  // XORed together (a last partial chunk of n bytes shifted left by
  // 8 x (3 - n) bits, as stored label files were keyed).
  static uint32_t LabelKey(const char* name);

 private:
  struct LabelEntry {
    uint32_t key;
    char* name;
    intptr_t value;
    LabelEntry* next;
  };

  int InsertEntry(uint32_t key, const char* name, intptr_t value, bool byValue);
  LabelEntry*& Bucket(uint32_t key) const { return heads_[key % static_cast<uint32_t>(bucketCount_)]; }

  int bucketCount_;
  LabelEntry** heads_;
  int count_ = 0;
};

// The handicap line and, when the position is not the standard start of its
// handicap, the board diagram with both hands and the side to move.
void WriteKifHeader(const KifuPosition& position, OutStream& out);
// "*!VAL=" and "*!PV=" lines of a move node; nothing when it has no value.
// A principal variation held only as text (read from a file) is written as
// that text.
void WriteKifAnalysis(OutStream& out, const KifuMoveNode& node);
// The comment as "*" lines, one per line of text, trailing blanks cut.
void WriteKifComment(OutStream& out, const SjisString& comment);

// The next line that is not empty and not a "#" remark ("#%" lines are
// kept), trailing blanks cut; 0, or -1 at the end of input.
int ReadKifLine(InStream& in, SjisString& line);
// The nine diagram rows, the first being `line`; 0, or -1 for a row too
// short, a cell that is no piece, or the end of input.
int ReadKifBoard(InStream& in, SjisString& line, KifuPosition& position);
// Sets one side's hand from a list such as "飛　金二　歩三"; 0, or -1 for a
// token that is no piece that can be held (types 1 to 7).
int ParseKifHand(const char* text, KifuPosition& position, int side);
// Reads header lines up to the move section into the start position, the
// root's comment, the names, date, title, event and the other key/value
// pairs; `line` then holds the line that ended the header (empty at the end
// of input). 0, or -1 for an unknown handicap, a bad hand or a bad diagram,
// which `problem` (when given) then names. Besides the moves line, a line
// for which `beginsMoves` holds ends the header: by default one beginning
// with ▲ or △ (a KI2 text read as KIF).
int ReadKifHeader(InStream& in, SjisString& line, KifuMoveNode& root, KifuPosition& startPosition,
                  SjisString names[2], SjisString& date, SjisString& title, SjisString& event,
                  SjisStringList& extraList, ReadProblem* problem = nullptr,
                  bool (*beginsMoves)(const char* line) = nullptr);
// Whether a header-ending line is the moves line, full or short.
bool IsKifMovesLine(const char* line);
// The move number N of a variation's header "変化：N手": its ASCII digits
// (blanks before them passed over), capped far above any ply so that they
// never overflow; 0 without digits, or for a line that does not begin so.
// `end`, when given, is set past the number and its "手", where moves
// written on the header's own line begin, or to null when no "手" follows
// the digits (a header cut short or damaged).
int VariationHeaderPly(const char* line, const char** end = nullptr);
// Where a move's time field that begins at p ends: just past its ")" when
// it is closed ("(" then blanks, digits, ":" and "/", then ")":
// "( 0:16/00:00:16)" after a KIF move, "(00:12)" after a phrase), else null
// (no "(" at p, or one never closed that way). The KIF reader takes a
// move's field as whole only in the stricter shape times are written in.
const char* TimeFieldEnd(const char* p);
