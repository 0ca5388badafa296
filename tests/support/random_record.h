// Random game records for the format tests, and the equality of two
// records as a file can carry them. Shared by the KIF, CSA and KI2 tests
// (the graph invariants are kifu_graph_checks.h).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "records/kifu.h"
#include "records/record_stream.h"

// What a random record may hold beyond moves and branches; every format
// turns off what it can't carry.
struct RandomRecordOptions {
  bool transpositions = true;  // lines that transpose into each other, merged
  bool comments = true;        // comments of several lines on moves and the root
  bool analysis = true;        // values with principal variations (list or text)
  bool specialMoves = true;    // markers of every kind the formats write
  bool changedStarts = true;   // start positions off the handicap's standard, mate problems
  bool headers = true;         // names, date, title, event and extra pairs
  int maxMainLine = 70;        // moves of the main line at most
  int maxBranches = 6;         // variations added at most
};

// A record from the seed: a start of every handicap kind (or a position
// played from one, or a mate-problem set-up), a main line, branches and
// transpositions, times (some of 100 minutes and more), comments, values
// and principal variations, markers at line ends, neutral headers.
std::unique_ptr<Kifu> BuildRandomRecord(uint32_t seed, const RandomRecordOptions& options = {});

// Empty when the two records hold the same headers, root comment and graph
// (moves, times, comments, values, principal-variation texts, variation
// order, merges and incoming order), else the first difference. The
// repetition kinds 10 and 11 count as 9, the only kind a text keeps.
std::string CompareKifu(const Kifu& expected, const Kifu& actual);

// The record as one of its writers puts it down (e.g. &Kifu::WriteKif), LF
// line ends unless crlf.
std::string RecordText(const Kifu& kifu, int (Kifu::*write)(OutStream&) const, bool crlf = false);

// The text after one to four random edits: a byte flipped, a line cut
// short, doubled, dropped or swapped with another, a few bytes erased or
// copied elsewhere, one of the tokens inserted at a line start or anywhere.
std::string MutateRecordText(std::string text, std::mt19937& random, const std::vector<std::string>& tokens);

// Reads `cases` mutants of the seeds (in turn, MutateRecordText with the
// tokens) by read(kifu, text, index) into a record that holds `first` when
// it is given (read with index -1). A failed read must leave the record as
// it was; a successful one a sound graph, after which
// accepted(kifu, text) may check more. Returns how many mutants were read.
using RecordTextReader = std::function<int(Kifu&, const std::string& text, int index)>;
int FuzzRecordReader(const std::vector<std::string>& seeds, const std::vector<std::string>& tokens, int cases,
                     const RecordTextReader& read, const std::string& first = "",
                     const std::function<void(Kifu&, const std::string& text)>& accepted = nullptr);
