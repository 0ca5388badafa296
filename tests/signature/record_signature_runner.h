// What the record signature's files share: the functions it digests, the
// digests with the folds of the record types, and the runner that takes one
// record through every function (its steps live in the file of their kind).
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "signature/signature.h"
#include "support/kifu_perft.h"
#include "support/test_files.h"
#include "records/kifu.h"
#include "records/kifu_graph.h"
#include "records/read_report.h"
#include "records/sjis_string.h"
#include "records/sjis_string_list.h"

class GameRecord;

namespace record_signature {

enum Fn : int {
  READ, READ_REPORT, WRITE_KIF, WRITE_KIF_POSITION, WRITE_CKF, WRITE_KI2, WRITE_KI2_POSITION, WRITE_CSA,
  WRITE_CSA_POSITION, WRITE_RVQ, WRITE_RVQ_POSITION, CLIPBOARD, REREAD, PASTE, SAVE_LOAD, HOSTILE_READ,
  LEGAL_MOVES, COMPLETE_MOVE, MOVE_VALIDITY, NOTATION, PHRASE, POSITION_VALIDITY, KEY, BOOK_POSITION, CHECK,
  IMPASSE, DO_UNDO, POSITION_EDITS, REPETITION, LIST_TEXT, LABELS, NAVIGATION, SELECTION, EDITING, CLOCKS,
  SJIS_STRING, STRING_LIST, ENCODING, STREAMS, CSA_TOKENS, RVQ_TOKENS, FILE_TYPES, FN_COUNT
};

struct Digests {
  uint64_t value[FN_COUNT];
  Digests() { std::fill(value, value + FN_COUNT, SIGNATURE_DIGEST_START); }
  void Add(Fn fn, uint64_t word) { value[fn] = FoldSignatureWord(value[fn], word); }
  void AddInt(Fn fn, int64_t v) { Add(fn, static_cast<uint64_t>(v)); }
  // The size, then the bytes in words.
  void AddBytes(Fn fn, const void* data, size_t size) {
    Add(fn, size);
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; i += 8) {
      uint64_t word = 0;
      std::memcpy(&word, bytes + i, std::min<size_t>(8, size - i));
      Add(fn, word);
    }
  }
  void AddText(Fn fn, const char* text) { AddBytes(fn, text, text == nullptr ? 0 : std::strlen(text)); }
  void AddText(Fn fn, const SjisString& text) { AddBytes(fn, text.Text(), static_cast<size_t>(text.Length())); }
  void AddText(Fn fn, const std::string& text) { AddBytes(fn, text.data(), text.size()); }
  void AddMove(Fn fn, const KifuMove& move) {
    uint64_t word = 0;
    std::memcpy(&word, &move, sizeof move);
    Add(fn, word);
  }
  void AddPosition(Fn fn, const KifuPosition& p) {
    AddBytes(fn, p.board, sizeof p.board);
    AddBytes(fn, p.hands, sizeof p.hands);
    AddInt(fn, p.sideToMove);
    AddInt(fn, p.handicapFlags);
  }
  void AddValidity(Fn fn, const KifuPosition& p) {
    AddInt(fn, p.IsValid());
    AddText(fn, p.InvalidReason());
  }
  void AddKey(Fn fn, const KifuPositionKey& key) { Add(fn, static_cast<uint64_t>(key.first) << 32 | key.second); }
  void AddThink(Fn fn, const ThinkResult& r) {
    AddInt(fn, r.value);
    AddInt(fn, r.annotation);
    AddInt(fn, r.strategyBits);
    AddInt(fn, r.predictedReply);
    AddBytes(fn, r.pv.data(), r.pv.size() * sizeof(MoveCode));
    AddText(fn, r.pvText);
    AddInt(fn, r.status);
    AddInt(fn, r.shownWithNextMove);
    AddBytes(fn, r.serviceWords, sizeof r.serviceWords);
  }
  void AddMoveNode(Fn fn, const KifuMoveNode& node) {
    AddMove(fn, node.move);
    AddInt(fn, node.consumedTime);
    AddText(fn, node.comment);
    AddThink(fn, node.thinkResult);
  }
  void AddReport(Fn fn, const ReadReport& report) {
    AddInt(fn, static_cast<int>(report.problem));
    AddInt(fn, report.at);
    AddText(fn, report.text);
    AddText(fn, report.reason);
    AddInt(fn, report.movesDropped);
  }
  void AddHeaders(Fn fn, const Kifu& kifu) {
    AddText(fn, kifu.PlayerName(0));
    AddText(fn, kifu.PlayerName(1));
    AddText(fn, kifu.Date());
    AddText(fn, kifu.Title());
    AddText(fn, kifu.Event());
    const SjisStringList& extra = kifu.ExtraHeaders();
    AddInt(fn, extra.Count());
    for (int i = 0; i < extra.Count(); ++i) AddText(fn, extra.At(i));
  }
  void AddGraph(Fn fn, const Kifu& kifu);
  // A read: what it returned, its report and the record it left.
  void AddRead(Fn fn, int result, const ReadReport& report, const Kifu& kifu) {
    AddInt(fn, result);
    AddReport(fn, report);
    AddGraph(fn, kifu);
  }
};

class Runner {
 public:
  explicit Runner(const std::string& scratch) : scratch_(scratch) {}
  // inCorpus: the file is one of tests/data/corpus, whose KI2 and CSA copies
  // of a KIF game only test their readers.
  void Run(const std::string& path, bool inCorpus, const Kifu* drawn, uint32_t seed);
  Digests d;

 private:
  // record_signature_formats.cpp: reading and writing in every format.
  void RunWriters(const Kifu& kifu, uint32_t seed);
  void RunGameRecord(GameRecord& game, const std::string& kifText);
  void RunStrings(const std::string& text);
  void RunStreams(const std::string& text);
  void RunCsaTokens(const std::string& text, const KifuPosition& start);
  void RunRvqTokens(const std::string& text);
  void RunHostile(const Kifu& kifu, const std::string& text, int format, SignatureRandom& rng);
  int Reread(const std::string& text, int format, Kifu& into, bool merge, ReadReport& report);
  // record_signature_graph.cpp: the positions and the graph's own functions.
  void RunPositions(const Kifu& kifu, uint32_t seed, int deepCount);
  void RunPosition(const KifuPosition& position, int prevFile, int prevRank, bool deep);
  void RunEdits(const KifuPosition& position);
  void RunNavigation(const Kifu& kifu);
  void RunSelection(const Kifu& kifu);
  void RunEditing(const Kifu& kifu);
  void RunLabels(const Kifu& kifu);

  std::string scratch_;
};

}  // namespace record_signature
