// The record signature: the repository's game files and seeded records run
// through the readers, writers, rules, notation, graph, list and clocks of
// the record side, one digest per function.
#include "cli/record_signature.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <unordered_map>

#include <unistd.h>

#include "app/kifu_list_observer.h"
#include "engine/board/engine_perft.h"
#include "engine/board/make_move.h"
#include "engine/board/move_generators.h"
#include "engine/search/think_setup.h"
#include "engine/service/book_position.h"
#include "engine/service/record_bridge.h"
#include "records/csa_token.h"
#include "records/game_record.h"
#include "records/kifu.h"
#include "records/kifu_graph.h"
#include "records/kifu_legal_moves.h"
#include "records/kifu_list_text.h"
#include "records/move_phrase.h"
#include "records/read_report.h"
#include "records/record_files.h"
#include "records/record_stream.h"
#include "records/rvq_format.h"
#include "records/sjis_string.h"
#include "records/sjis_string_list.h"
#include "records/text_encoding.h"

namespace {

namespace fs = std::filesystem;

// Records drawn by seed after the files, and the seed of the draw.
constexpr int DRAWN_RECORDS = 24;
constexpr uint64_t DRAW_SEED = 20260526;
// Positions per record that get the per-move work (notation, phrases, make
// and take back of every legal move); every position gets the rest.
constexpr int DEEP_POSITIONS = 8;

enum Fn : int {
  READ, READ_REPORT, WRITE_KIF, WRITE_KIF_POSITION, WRITE_CKF, WRITE_KI2, WRITE_KI2_POSITION, WRITE_CSA,
  WRITE_CSA_POSITION, WRITE_RVQ, WRITE_RVQ_POSITION, CLIPBOARD, REREAD, PASTE, SAVE_LOAD, HOSTILE_READ,
  LEGAL_MOVES, COMPLETE_MOVE, MOVE_VALIDITY, NOTATION, PHRASE, POSITION_VALIDITY, KEY, BOOK_POSITION, CHECK,
  IMPASSE, DO_UNDO, POSITION_EDITS, REPETITION, LIST_TEXT, LABELS, NAVIGATION, SELECTION, EDITING, CLOCKS,
  SJIS_STRING, STRING_LIST, ENCODING, STREAMS, CSA_TOKENS, RVQ_TOKENS, FILE_TYPES, FN_COUNT
};
constexpr const char* kNames[FN_COUNT] = {
    "read", "read_report", "write_kif", "write_kif_position", "write_ckf", "write_ki2", "write_ki2_position",
    "write_csa", "write_csa_position", "write_rvq", "write_rvq_position", "clipboard", "reread", "paste",
    "save_load", "hostile_read", "record_legal_moves", "complete_move", "move_validity", "notation", "phrase",
    "position_validity", "position_key", "book_position", "check", "impasse", "do_undo", "position_edits", "repetition",
    "list_text", "labels", "navigation", "selection", "editing", "clocks", "sjis_string", "string_list",
    "encoding", "streams", "csa_tokens", "rvq_tokens", "file_types"};

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
    AddInt(fn, report.line);
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
};

// The position nodes reached from the start, breadth first by outgoing
// order: the same order for the same graph however its nodes were allocated.
std::vector<const KifuPositionNode*> PositionsOf(const Kifu& kifu) {
  std::vector<const KifuPositionNode*> order{kifu.StartNode()};
  std::unordered_map<const KifuPositionNode*, int> seen{{kifu.StartNode(), 0}};
  for (size_t i = 0; i < order.size(); ++i) {
    for (int j = 0; j < order[i]->outgoing.Count(); ++j) {
      const KifuPositionNode* next = order[i]->outgoing.At(j)->reachedNode;
      if (next != nullptr && seen.emplace(next, static_cast<int>(order.size())).second) order.push_back(next);
    }
  }
  return order;
}

// Headers, root, and every position with its moves out and in, nodes named
// by their place in PositionsOf.
void Digests::AddGraph(Fn fn, const Kifu& kifu) {
  AddHeaders(fn, kifu);
  AddMoveNode(fn, *kifu.Root());
  const std::vector<const KifuPositionNode*> nodes = PositionsOf(kifu);
  std::unordered_map<const KifuPositionNode*, int> index;
  for (size_t i = 0; i < nodes.size(); ++i) index[nodes[i]] = static_cast<int>(i);
  const auto id = [&](const KifuPositionNode* node) {
    const auto found = index.find(node);
    return found == index.end() ? -1 : found->second;
  };
  AddInt(fn, static_cast<int64_t>(nodes.size()));
  AddInt(fn, kifu.Table()->Count());
  for (const KifuPositionNode* node : nodes) {
    AddInt(fn, node->ply);
    AddKey(fn, node->key);
    AddPosition(fn, node->position);
    AddInt(fn, node->outgoing.Count() << 16 | node->outgoing.SelectedIndex());
    AddInt(fn, node->incoming.Count() << 16 | node->incoming.SelectedIndex());
    for (int j = 0; j < node->incoming.Count(); ++j) AddInt(fn, id(node->incoming.At(j)->leftNode));
    for (int j = 0; j < node->outgoing.Count(); ++j) {
      const KifuMoveNode* move = node->outgoing.At(j);
      AddMoveNode(fn, *move);
      AddInt(fn, id(move->reachedNode));
      AddInt(fn, move->reachedNode == nullptr ? -2 : move->reachedNode->incoming.IndexOf(move));
    }
  }
}

// Every list call in order, arguments included.
class RecordingObserver : public KifuListObserver {
 public:
  RecordingObserver(Digests& d) : d_(d) {}
  void Clear() override { d_.AddInt(LIST_TEXT, 1); }
  void AddLine(int ply, const SjisString& text, const char* annotation, const SjisString& reading, int value,
               int flags, int time) override {
    d_.AddInt(LIST_TEXT, 2);
    d_.AddInt(LIST_TEXT, ply);
    d_.AddText(LIST_TEXT, text);
    d_.AddText(LIST_TEXT, annotation);
    d_.AddText(LIST_TEXT, reading);
    d_.AddInt(LIST_TEXT, value);
    d_.AddInt(LIST_TEXT, flags);
    d_.AddInt(LIST_TEXT, time);
    ++lines_;
  }
  void RemoveLast() override { d_.AddInt(LIST_TEXT, 3); }
  void TruncateFrom(int ply) override { d_.AddInt(LIST_TEXT, 4 | ply << 8); }
  void BeginUpdate() override { d_.AddInt(LIST_TEXT, 5); }
  void EndUpdate() override { d_.AddInt(LIST_TEXT, 6); }
  void SetCurrent(int ply) override {
    d_.AddInt(LIST_TEXT, 7 | ply << 8);
    current_ = ply;
  }
  void SetMark(int ply, int flags) override { d_.AddInt(LIST_TEXT, 8 | ply << 8 | flags << 24); }
  void SetRowValue(int ply, int value) override {
    d_.AddInt(LIST_TEXT, 9 | ply << 8);
    d_.AddInt(LIST_TEXT, value);
  }
  int GetCurrent() override { return current_; }

 private:
  Digests& d_;
  int lines_ = 0;
  int current_ = -1;
};

// The legal moves by the record rules, in generation order.
std::vector<KifuMove> LegalMoves(const KifuPosition& position) {
  KifuMove generated[KIFU_MAX_MOVES];
  const int count = position.GenerateMoves(generated, -1, -1, -1, -1, -1, -1, -1, -1);
  std::vector<KifuMove> legal;
  for (int i = 0; i < count; ++i) {
    KifuPosition after;
    if (PlayLegalRecordMove(position, generated[i], after)) legal.push_back(generated[i]);
  }
  return legal;
}

// --- drawn records

constexpr const char* kComments[] = {"研究手", "ここが勝負所　", "次の一手に注目", "a quiet move", "形勢互角\r\n先手やや有利",
                                     "#候補手", "同　歩とは取れない", "Ａ級の手順", "#12 [注]  ", "[注] 本譜"};
constexpr KifuMoveKind kMarkers[] = {
    KifuMoveKind::Mate,      KifuMoveKind::Resignation, KifuMoveKind::LossOnTime, KifuMoveKind::Loss,
    KifuMoveKind::LossByFoul, KifuMoveKind::WinByFoul,  KifuMoveKind::Win,        KifuMoveKind::Impasse,
    KifuMoveKind::Repetition, KifuMoveKind::TakeBack,   KifuMoveKind::Interruption};

class RecordDrawer {
 public:
  explicit RecordDrawer(uint32_t seed) : rng_{seed} {}

  void Draw(Kifu& kifu) {
    kifu.Reset(KIFU_KNOWN_HANDICAPS[rng_.Below(static_cast<int>(std::size(KIFU_KNOWN_HANDICAPS)))]);
    if (rng_.Below(4) == 0) kifu.SetStartPosition(EnteredKings());
    table_ = kifu.Table();
    if (rng_.Below(2) == 0) kifu.PlayerName(0).Assign("先手太郎");
    if (rng_.Below(2) == 0) kifu.PlayerName(1).Assign("Player B");
    if (rng_.Below(2) == 0) kifu.Date().Assign("2026/05/26");
    if (rng_.Below(3) == 0) kifu.Event().Assign("研究会");
    if (rng_.Below(3) == 0) kifu.SetHeader("場所", "道場");
    if (rng_.Below(3) == 0) kifu.Root()->comment.Assign(kComments[rng_.Below(static_cast<int>(std::size(kComments)))]);
    std::vector<KifuPositionNode*> line{kifu.StartNode()};
    Extend(line, rng_.Below(100));
    for (int branches = rng_.Below(5); branches > 0; --branches) {
      std::vector<KifuPositionNode*> branch{line[static_cast<size_t>(rng_.Below(static_cast<int>(line.size())))]};
      Extend(branch, 1 + rng_.Below(12));
      if (rng_.Below(2) == 0) AddMarker(branch.back());
    }
    if (rng_.Below(2) == 0) AddMarker(line.back());
    kifu.SelectFirstMoves();
  }

 private:
  // Random legal moves from the line's end; a third of them walk a piece
  // back where it came from two plies before, so lines repeat positions.
  void Extend(std::vector<KifuPositionNode*>& line, int plies) {
    for (; plies > 0; --plies) {
      KifuPositionNode* node = line.back();
      const std::vector<KifuMove> legal = LegalMoves(node->position);
      if (legal.empty()) return;
      KifuMove move = legal[static_cast<size_t>(rng_.Below(static_cast<int>(legal.size())))];
      if (line.size() >= 3 && rng_.Below(3) != 0) {
        const KifuMove& before = line[line.size() - 2]->incoming.Selected()->move;
        for (const KifuMove& m : legal) {
          if (!before.IsDrop() && m.fromFile == before.toFile && m.fromRank == before.toRank &&
              m.toFile == before.fromFile && m.toRank == before.fromRank && m.promote == 0) {
            move = m;
          }
        }
      }
      const ThinkResult result = DrawThink(node->position);
      const int time = rng_.Below(8) == 0 ? 3000 + rng_.Below(5000) : rng_.Below(120);
      KifuMoveNode* added = node->AddMove(move, time, &result, -1, table_, MergeChooser::TakeFirst(), false);
      if (added == nullptr || added->reachedNode == nullptr) return;
      if (rng_.Below(6) == 0) added->comment.Assign(kComments[rng_.Below(static_cast<int>(std::size(kComments)))]);
      line.push_back(added->reachedNode);
    }
  }

  // Both kings in the enemy camp with nine to twelve of their pieces, the
  // rest in hand: the positions an impasse declaration is judged on.
  KifuPosition EnteredKings() {
    for (;;) {
      KifuPosition start;
      for (int rank = 1; rank <= 9; ++rank) {
        for (int file = 1; file <= 9; ++file) start.board[KifuPosition::SquareIndex(file, rank)] = 0;
      }
      for (int side = 0; side <= 1; ++side) {
        const int campRank = side == 0 ? 1 : 7;
        const auto place = [&](int code) {
          for (;;) {
            const int square = KifuPosition::SquareIndex(1 + rng_.Below(9), campRank + rng_.Below(3));
            if (start.board[square].Code() != 0) continue;
            start.board[square] = code;
            return;
          }
        };
        place(side * KIFU_SECOND_PLAYER_BIT + KIFU_KING);
        static constexpr int kMajors[] = {KIFU_SILVER, KIFU_GOLD, KIFU_HORSE, KIFU_DRAGON};
        for (int i = 0, count = 9 + rng_.Below(4); i < count; ++i) {
          place(side * KIFU_SECOND_PLAYER_BIT + (i < 8 ? KIFU_PRO_PAWN : kMajors[rng_.Below(4)]));
        }
      }
      start.UpdateBoxAndHandicap();
      // More horses or dragons than a set holds: draw again.
      if (!std::all_of(start.hands[KIFU_BOX], start.hands[KIFU_BOX] + 9, [](int count) { return count >= 0; })) continue;
      for (int type = KIFU_PAWN; type <= KIFU_ROOK; ++type) {
        const int toFirst = rng_.Below(start.hands[KIFU_BOX][type] + 1);
        start.hands[0][type] = static_cast<int8_t>(toFirst);
        start.hands[1][type] = static_cast<int8_t>(start.hands[KIFU_BOX][type] - toFirst);
      }
      start.sideToMove = rng_.Below(2);
      start.UpdateBoxAndHandicap();
      if (start.IsValid()) return start;
    }
  }

  // A value, an annotation and a marker now and then, and a short principal
  // variation of the engine's legal moves.
  ThinkResult DrawThink(const KifuPosition& position) {
    ThinkResult result;
    if (rng_.Below(3) != 0) return result;
    result.value = rng_.Below(4001) - 2000;
    result.annotation = rng_.Below(6);
    result.status = rng_.Below(4) == 0 ? (rng_.Below(2) == 0 ? MOVE_MARKER_BOOK : MOVE_MARKER_MATE) : 0;
    static Position engine;
    static MoveRecord moves[MAX_GENERATED_MOVES];
    if (KifuPositionToEngine(engine, position) != 0 || !HasBothKings(engine)) return result;
    for (int length = rng_.Below(5); length > 0; --length) {
      const int count = GenerateLegalMoves(engine, moves);
      if (count == 0) break;
      const MoveRecord& move = moves[rng_.Below(count)];
      result.pv.push_back(ToMoveCode(move));
      MakeMove(engine, move, 0);
    }
    if (!result.pv.empty() && rng_.Below(3) == 0) result.predictedReply = result.pv.front();
    return result;
  }

  void AddMarker(KifuPositionNode* node) {
    const int side = node->position.sideToMove;
    const KifuMove marker(0, 0, 0, 0, side * KIFU_SECOND_PLAYER_BIT + KIFU_KING, 0, 0,
                          kMarkers[rng_.Below(static_cast<int>(std::size(kMarkers)))]);
    node->AddMove(marker, rng_.Below(30), nullptr, -1, table_, MergeChooser::None(), false);
  }

  SignatureRandom rng_;
  KifuPositionTable* table_ = nullptr;
};

// --- texts

template <typename Write>
std::string Written(Write write, int& result) {
  SjisString text;
  StringOutStream out(text, false);
  result = write(out);
  return text.Text();
}

std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// The descriptors the process holds (0 where the system doesn't list them).
int OpenFileCount() {
  std::error_code error;
  int count = 0;
  for (fs::directory_iterator it("/proc/self/fd", error), end; !error && it != end; it.increment(error)) ++count;
  return count;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class Runner {
 public:
  Runner(const std::string& scratch) : scratch_(scratch) {}
  void Run(const std::string& path, const Kifu* drawn, uint32_t seed);
  Digests d;

 private:
  void RunWriters(const Kifu& kifu, uint32_t seed);
  void RunPositions(const Kifu& kifu, uint32_t seed, int deepCount);
  void RunPosition(const KifuPosition& position, int prevFile, int prevRank, bool deep);
  void RunEdits(const KifuPosition& position);
  void RunGameRecord(GameRecord& game, const std::string& kifText);
  void RunNavigation(const Kifu& kifu);
  void RunSelection(const Kifu& kifu);
  void RunEditing(const Kifu& kifu);
  void RunLabels(const Kifu& kifu);
  void RunStrings(const std::string& text);
  void RunStreams(const std::string& text);
  void RunCsaTokens(const std::string& text, const KifuPosition& start);
  void RunRvqTokens(const std::string& text);
  void RunHostile(const Kifu& kifu, const std::string& text, int format, SignatureRandom& rng);
  int Reread(const std::string& text, int format, Kifu& into, bool merge, ReadReport& report);

  std::string scratch_;
};

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

void Runner::Run(const std::string& path, const Kifu* drawn, uint32_t seed) {
  Kifu read;
  const Kifu* kifu = drawn;
  if (drawn == nullptr) {
    ReadReport report;
    d.AddInt(READ, ReadKifuFile(path.c_str(), KifuFileTypeOfPath(path.c_str()), read, false, &report));
    d.AddReport(READ_REPORT, report);
    const std::string bytes = FileBytes(path);
    d.AddInt(ENCODING, StartsWithUtf8Bom(bytes.data(), bytes.size()));
    d.AddInt(ENCODING, HasNonAscii(bytes.data(), bytes.size()));
    d.AddInt(FILE_TYPES, KifuFileTypeOfPath(path.c_str()));
    kifu = &read;
  }
  d.AddGraph(READ, *kifu);
  // The corpus holds each game in KIF, KI2 and CSA: the KI2 and CSA copies
  // test their readers, the KIF one everything else.
  const bool copy = path.find("/corpus/") != std::string::npos && KifuFileTypeOfPath(path.c_str()) != KIFU_FILE_KIF;
  RunPositions(*kifu, seed, copy ? 0 : DEEP_POSITIONS);
  if (copy) return;
  RunWriters(*kifu, seed);
  RunNavigation(*kifu);
  RunSelection(*kifu);
  RunEditing(*kifu);
  RunLabels(*kifu);
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
      d.AddInt(REREAD, Reread(*written, format.type, back, false, report));
      d.AddReport(REREAD, report);
      d.AddGraph(REREAD, back);
      Kifu pasted;
      d.AddInt(PASTE, ReadKifuText(written->c_str(), pasted, &report));
      d.AddReport(PASTE, report);
      d.AddGraph(PASTE, pasted);
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
      d.AddInt(REREAD, Reread(rest, KIFU_FILE_CSA, back, false, report));
      d.AddReport(REREAD, report);
      d.AddGraph(REREAD, back);
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
  d.AddInt(PASTE, game.LoadFromText(SjisString(kifText.c_str()), &report));
  d.AddGraph(PASTE, *game.record);
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
    d.AddInt(HOSTILE_READ, Reread(joined, format, target, round == 2, report));
    d.AddReport(HOSTILE_READ, report);
    d.AddGraph(HOSTILE_READ, target);
  }
}

void Runner::RunGameRecord(GameRecord& game, const std::string& kifText) {
  // The clipboard text of the whole record and of the position, every code.
  game.currentNode = game.record->MoveAtPly(game.record->LineLength());
  *game.currentPosition = game.currentNode->reachedNode->position;
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
    d.AddInt(SAVE_LOAD, back.Load(path.c_str(), &type, false, &report));
    d.AddReport(SAVE_LOAD, report);
    d.AddGraph(SAVE_LOAD, *back.record);
    d.AddInt(SAVE_LOAD, game.SavePosition(path.c_str(), &type));
    d.AddText(SAVE_LOAD, FileBytes(path));
  }
  d.AddInt(SAVE_LOAD, OpenFileCount() - openBefore);
  // Repetition and clocks at every ply of the line.
  static constexpr int kClocks[][3] = {{0, 0, 0}, {600, 30, 0}, {0, 10, 2}, {60, 0, 3}, {300, 0, 0}};
  const int length = game.record->LineLength();
  for (int ply = 0; ply <= length; ++ply) {
    game.currentNode = game.record->MoveAtPly(ply);
    *game.currentPosition = game.currentNode->reachedNode->position;
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
    other.currentNode = other.record->Root();
    *other.currentPosition = other.record->StartNode()->position;
    d.AddInt(EDITING, other.MergeLine(game.record->Root(), true));
    d.AddGraph(EDITING, *other.record);
  }
  game.ClearComments();
  d.AddGraph(EDITING, *game.record);
}

// Every position of the graph; the deep work on deepCount drawn by seed and
// on the last one reached.
void Runner::RunPositions(const Kifu& kifu, uint32_t seed, int deepCount) {
  const std::vector<const KifuPositionNode*> nodes = PositionsOf(kifu);
  SignatureRandom rng{seed ^ 0x5eed};
  std::vector<bool> deep(nodes.size(), false);
  for (int i = 0; i < deepCount; ++i) deep[static_cast<size_t>(rng.Below(static_cast<int>(nodes.size())))] = true;
  if (deepCount > 0) deep.back() = true;
  for (size_t i = 0; i < nodes.size(); ++i) {
    const KifuMoveNode* before = nodes[i]->incoming.Selected();
    const bool ordinary = before != nullptr && before->leftNode != nullptr && before->move.kind == KifuMoveKind::Ordinary;
    RunPosition(nodes[i]->position, ordinary ? before->move.toFile : 0, ordinary ? before->move.toRank : 0, deep[i]);
  }
}

void Runner::RunPosition(const KifuPosition& position, int prevFile, int prevRank, bool deep) {
  d.AddInt(POSITION_VALIDITY, position.IsValid());
  d.AddText(POSITION_VALIDITY, position.InvalidReason());
  KifuPositionKey key;
  position.ComputeKey(key);
  d.AddKey(KEY, key);
  BookPosition book{};
  d.AddInt(BOOK_POSITION, position.ToBookPosition(book));
  d.AddBytes(BOOK_POSITION, &book, sizeof book);
  d.AddInt(CHECK, position.IsInCheck(0) | position.IsInCheck(1) << 1 | position.HasLegalMove() << 2);
  for (int threshold : {24, 27}) {
    int points = 0;
    d.AddInt(IMPASSE, position.CheckImpasseDeclaration(threshold, &points));
    d.AddInt(IMPASSE, points);
  }
  KifuMove generated[KIFU_MAX_MOVES];
  const int count = position.GenerateMoves(generated, -1, -1, -1, -1, -1, -1, -1, -1);
  d.AddInt(LEGAL_MOVES, count);
  // The filters: the other side, promotions only and not, drops only.
  const int side = position.sideToMove;
  const int filters[][8] = {{-1, -1, -1, -1, -1, -1, -1, 1 - side}, {-1, -1, -1, -1, -1, -1, 1, -1},
                            {-1, -1, -1, -1, -1, -1, 0, -1}, {11 + side, -1, -1, -1, -1, -1, -1, -1}};
  for (const auto& f : filters) {
    KifuMove filtered[KIFU_MAX_MOVES];
    const int n = position.GenerateMoves(filtered, f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7]);
    d.AddInt(LEGAL_MOVES, n);
    for (int i = 0; i < n; ++i) d.AddMove(LEGAL_MOVES, filtered[i]);
  }
  if (!deep) {
    for (int i = 0; i < count; ++i) d.AddMove(LEGAL_MOVES, generated[i]);
    return;
  }
  RunEdits(position);
  for (int i = 0; i < count; ++i) {
    const KifuMove& move = generated[i];
    KifuPosition after;
    const bool legal = PlayLegalRecordMove(position, move, after);
    d.AddMove(LEGAL_MOVES, move);
    d.AddInt(LEGAL_MOVES, legal);
    KifuMove flipped = move;
    flipped.promote ^= 1;
    d.AddInt(MOVE_VALIDITY, position.IsValidMove(move, 0) | position.IsValidMove(move, 1) << 4 |
                                position.IsValidMove(flipped, 1) << 8);
    KifuMove bare;
    bare.fromFile = move.fromFile;
    bare.fromRank = move.fromRank;
    bare.toFile = move.toFile;
    bare.toRank = move.toRank;
    bare.promote = move.promote;
    d.AddInt(COMPLETE_MOVE, position.CompleteMove(bare));
    d.AddMove(COMPLETE_MOVE, bare);
    KifuPosition played = position;
    const bool done = played.DoMove(move);
    d.AddInt(DO_UNDO, done);
    d.AddPosition(DO_UNDO, played);
    if (done) {
      d.AddInt(CHECK, played.IsInCheck(played.sideToMove) | played.IsPawnDropMate(move) << 1);
      d.AddInt(DO_UNDO, played.UndoMove(move));
      d.AddInt(DO_UNDO, played == position && played.handicapFlags == position.handicapFlags);
    }
    if (!legal) continue;
    SjisString notation;
    position.MoveNotation(move, prevFile, prevRank, notation);
    d.AddText(NOTATION, notation);
    // The phrase the notation reads back as, with a time after it.
    notation.Append("(01:30)");
    int offset = 0, seconds = 0;
    KifuMove parsed;
    d.AddInt(PHRASE, ParseMovePhrase(parsed, position, prevFile, prevRank, notation, offset, seconds));
    d.AddMove(PHRASE, parsed);
    d.AddInt(PHRASE, offset << 16 | seconds);
  }
}

// Board editing and whole-position edits on copies.
void Runner::RunEdits(const KifuPosition& position) {
  for (int side = -1; side <= 3; ++side) {
    for (int type = -1; type <= 9; ++type) d.AddInt(POSITION_EDITS, position.HandCount(side, type));
  }
  // Positions that break a rule: a king in either hand, a piece short.
  for (int store = 0; store <= KIFU_BOX; ++store) {
    for (int type : {KIFU_KING, KIFU_PAWN, KIFU_ROOK}) {
      KifuPosition broken = position;
      broken.hands[store][type] = static_cast<int8_t>(broken.hands[store][type] + (store == KIFU_BOX ? -1 : 1));
      d.AddInt(POSITION_VALIDITY, broken.IsValid());
      d.AddText(POSITION_VALIDITY, broken.InvalidReason());
    }
  }
  KifuPosition edited = position;
  edited.SwapSides();
  d.AddPosition(POSITION_EDITS, edited);
  for (int side = 0; side <= 3; ++side) {
    edited = position;
    d.AddInt(POSITION_EDITS, edited.CollectBoardPieces(side));
    d.AddInt(POSITION_EDITS, edited.GatherHands(side));
    edited.UpdateBoxAndHandicap();
    d.AddPosition(POSITION_EDITS, edited);
  }
  // Each piece cycled in place and sent to the box, and a hand piece placed.
  for (int rank = 1; rank <= 9; ++rank) {
    for (int file = 1; file <= 9; ++file) {
      const KifuPieceCode code = position.At(file, rank);
      edited = position;
      if (code.IsPiece()) {
        d.AddInt(POSITION_EDITS, edited.EditMove(KifuMove(file, rank, file, rank, code, 0, 0, KifuMoveKind::Ordinary)));
        d.AddInt(POSITION_EDITS, edited.EditMove(KifuMove(file, rank, KIFU_BOX_FILE, KifuBaseType(code.Type()), code,
                                                          0, 0, KifuMoveKind::Ordinary)));
      } else {
        for (int type = KIFU_PAWN; type <= KIFU_ROOK; type += 3) {
          d.AddInt(POSITION_EDITS, edited.EditMove(KifuMove(KIFU_FIRST_HAND_FILE, type, file, rank, type, 0, 0,
                                                            KifuMoveKind::Ordinary)));
        }
      }
      d.AddPosition(POSITION_EDITS, edited);
    }
  }
}

void Runner::RunNavigation(const Kifu& kifu) {
  const int length = kifu.LineLength();
  d.AddInt(NAVIGATION, length);
  for (int ply = -1; ply <= length + 1; ++ply) {
    const KifuMoveNode* node = kifu.MoveAtPly(ply);
    d.AddInt(NAVIGATION, node == nullptr ? -1 : node->reachedNode->ply);
    if (node != nullptr) d.AddMove(NAVIGATION, node->move);
    const KifuMoveNode* found = kifu.FindNodeAtPly(kifu.Root(), ply);
    d.AddInt(NAVIGATION, found == node);
    const KifuMoveNode* back = kifu.FindNodeAtPly(kifu.MoveAtPly(length), ply);
    d.AddMove(NAVIGATION, back->move);
  }
  int visited = 0;
  for (KifuMoveNode* node = kifu.NextNode(nullptr); node != nullptr; node = kifu.NextNode(node)) {
    d.AddMove(NAVIGATION, node->move);
    d.AddInt(NAVIGATION, node->reachedNode == nullptr ? -1 : node->reachedNode->ply);
    d.AddInt(NAVIGATION, kifu.FindOnSelectedLine(node) == node);
    for (int index : {0, 1, -1}) {
      const KifuMoveNode* previous = kifu.PreviousMoveAt(node, index);
      d.AddMove(NAVIGATION, previous == nullptr ? KifuMove() : previous->move);
    }
    const KifuMoveNode* previous = PreviousMoveNode(node);
    d.AddMove(NAVIGATION, previous == nullptr ? KifuMove() : previous->move);
    ++visited;
  }
  d.AddInt(NAVIGATION, visited);
  // The list as a window sees it, and the calls that move through it.
  Kifu copy(kifu);
  RecordingObserver observer(d);
  copy.SetObserver(&observer);
  copy.RefreshList(0);
  copy.SetDisplayPly(length / 2);
  copy.RefreshList(length / 3);
  copy.NotifyPly(length / 4);
  // Moving about with a display ply (the list follows) and without.
  for (int display : {length / 2, -1}) {
    copy.SetDisplayPly(display);
    KifuMoveNode* at = copy.GoToPly(copy.Root(), length);
    at = copy.GoBack(at, 0);
    at = copy.GoToPly(at, length / 3);
    at = copy.GoForward(at, 1);
    at = copy.GoForward(at, 0);
    d.AddMove(LIST_TEXT, at->move);
  }
  // Comments set and cleared along the line mark their lines.
  for (int ply = 1; ply <= length; ++ply) d.AddInt(LIST_TEXT, copy.SetComment(ply, ply % 3 == 0 ? "" : "研究"));
  copy.EnableNotify(false);
  copy.EnableNotify(true);
  copy.SetObserver(nullptr);
}

// Every branch and merge on the line selected in turn, then the line
// promoted and the incoming moves sorted.
void Runner::RunSelection(const Kifu& kifu) {
  Kifu copy(kifu);
  for (int ply = 0; ply <= copy.LineLength(); ++ply) {
    const KifuPositionNode* node = copy.MoveAtPly(ply)->reachedNode;
    const int outgoing = node->outgoing.Count(), incoming = node->incoming.Count();
    for (const auto& [value, step] : {std::pair{1, true}, std::pair{outgoing, false}, std::pair{-1, false},
                                      std::pair{outgoing - 1, false}, std::pair{-1, true}}) {
      d.AddInt(SELECTION, copy.SelectBranch(ply, value, step));
      d.AddInt(SELECTION, copy.LineLength());
    }
    if (incoming > 1) {
      for (const auto& [value, step] : {std::pair{1, true}, std::pair{incoming, false}, std::pair{0, false}}) {
        d.AddInt(SELECTION, copy.SelectMergeSource(ply, value, step));
        d.AddInt(SELECTION, copy.LineLength());
      }
    }
  }
  // Plies off the line select nothing.
  for (int ply : {-1, copy.LineLength() + 1}) {
    d.AddInt(SELECTION, copy.SelectBranch(ply, 0, false) | copy.SelectMergeSource(ply, 0, false) << 1);
  }
  d.AddGraph(SELECTION, copy);
  copy.PromoteLineToMain();
  d.AddGraph(SELECTION, copy);
  copy.SortIncomingByTraversal();
  d.AddGraph(SELECTION, copy);
}

void Runner::RunEditing(const Kifu& kifu) {
  Kifu copy(kifu);
  d.AddGraph(EDITING, copy);
  const int length = copy.LineLength();
  for (const char* key : {"先手", "後手", "下手", "上手", "対局日", "表題", "棋戦", "場所", "手合割", ""}) {
    d.AddText(EDITING, copy.GetHeader(key));
  }
  d.AddInt(EDITING, copy.SetHeader("場所", "将棋会館"));
  d.AddInt(EDITING, copy.SetHeader("", "x"));
  d.AddText(EDITING, copy.GetHeader("場所"));
  d.AddInt(EDITING, copy.SetComment(length / 2, "研究手　 "));
  d.AddInt(EDITING, copy.SetComment(length + 1, "none"));
  d.AddInt(EDITING, copy.SetConsumedTime(copy.MoveAtPly(length), 77));
  copy.ResetLineThinkResults();
  copy.ClearSideEvaluations(length % 2);
  d.AddGraph(EDITING, copy);
  const std::vector<KifuMove> legal = LegalMoves(copy.MoveAtPly(length / 2)->reachedNode->position);
  for (size_t i = 0; i < legal.size(); i += 7) {
    const KifuMoveNode* added = copy.AddMove(length / 2, legal[i], 5, nullptr, -1, MergeChooser::TakeFirst());
    d.AddInt(EDITING, added == nullptr ? -1 : added->reachedNode->ply);
  }
  d.AddGraph(EDITING, copy);
  d.AddInt(EDITING, copy.DeleteBranch(length / 2, 1));
  d.AddInt(EDITING, copy.DeleteBranch(length + 2, 0));
  d.AddInt(EDITING, copy.SetAllConsumedTimes(3));
  d.AddGraph(EDITING, copy);
  d.AddInt(EDITING, copy.ClearMoves());
  d.AddGraph(EDITING, copy);
}

// Labels, markers, variations and notations of every move.
void Runner::RunLabels(const Kifu& kifu) {
  for (int code = -1; code <= 6; ++code) {
    SjisString label, marker;
    AnnotationLabel(code, label);
    MarkerLabel(code, marker);
    d.AddText(LABELS, AnnotationLabelText(code));
    d.AddText(LABELS, label);
    d.AddText(LABELS, marker);
    d.AddInt(LABELS, AnnotationCode(label));
  }
  for (KifuMoveNode* node = kifu.NextNode(nullptr); node != nullptr; node = kifu.NextNode(node)) {
    d.AddText(NOTATION, node->GetNotation());
    d.AddText(NOTATION, node->GetNotationStatic());
    if (node->leftNode == nullptr) continue;  // the root
    const ThinkResult& result = node->thinkResult;
    const KifuMoveNode* previous = PreviousMoveNode(node);
    const bool hasPrevious = previous != nullptr && previous->move.kind == KifuMoveKind::Ordinary;
    SjisString pv;
    FormatPvText(node->leftNode->position, result.pv, hasPrevious ? previous->move.toFile : 0,
                 hasPrevious ? previous->move.toRank : 0, pv);
    d.AddText(LABELS, pv);
    d.AddInt(LABELS, PvStartsWith(node->move, result) | IsPredictedMove(node->move, result) << 1);
  }
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
      SjisString head(s), rest;
      d.AddInt(SJIS_STRING, head.SplitAt(separator, rest));
      d.AddText(SJIS_STRING, head);
      d.AddText(SJIS_STRING, rest);
      SjisString charHead(s);
      d.AddInt(SJIS_STRING, charHead.SplitAtChar(separator, rest));
      d.AddText(SJIS_STRING, charHead);
      d.AddText(SJIS_STRING, rest);
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

}  // namespace

// Text in the encodings other tools write, well formed and not.
constexpr const char* kForeignTexts[] = {
    "\xEF\xBB\xBF\xE5\x85\x88\xE6\x89\x8B", "\xC3\x9F\xDF\xBF\xC2\x80", "\xE0\xA0\x80\xED\x9F\xBF",
    "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80",
    "\xF5\x80\x80\x80", "\xE6\x89", "\xDF", "\x80" "abc", "plain"};

std::string RecordSignatureItems(const std::string& root, std::vector<RecordSignatureItem>& out) {
  out.clear();
  for (const char* dir : {"tests/data/corpus", "tests/data/kif", "tests/data/csa", "samples"}) {
    std::vector<std::string> files;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(fs::path(root) / dir, error)) {
      const std::string extension = entry.path().extension().string();
      if (extension == ".kif" || extension == ".ki2" || extension == ".csa" || extension == ".ckf") {
        files.push_back(std::string(dir) + "/" + entry.path().filename().string());
      }
    }
    if (error) return "cannot list " + (fs::path(root) / dir).string() + ": " + error.message();
    std::sort(files.begin(), files.end());
    for (const std::string& file : files) out.push_back({file, static_cast<uint32_t>(out.size())});
  }
  if (out.empty()) return "no records under " + root;
  SignatureRandom rng{DRAW_SEED};
  for (int i = 0; i < DRAWN_RECORDS; ++i) out.push_back({"", static_cast<uint32_t>(rng.Next())});
  return "";
}

std::string ComputeRecordSignature(const std::string& root, const std::vector<RecordSignatureItem>& items,
                                   std::vector<SignatureDigest>& digests, const SignatureProgress& afterItem) {
  std::error_code error;
  const fs::path scratch = fs::temp_directory_path(error) / ("kifu-signature-" + std::to_string(::getpid()));
  fs::create_directories(scratch, error);
  if (error) return "cannot make a scratch folder: " + error.message();
  Runner runner(scratch.string());
  for (const char* text : kForeignTexts) {
    const size_t size = std::strlen(text);
    runner.d.AddInt(ENCODING, StartsWithUtf8Bom(text, size) | IsValidUtf8(text, size, false) << 1 |
                                  IsValidUtf8(text, size, true) << 2 | HasNonAscii(text, size) << 3);
  }
  digests.assign(FN_COUNT, SignatureDigest{});
  for (size_t index = 0; index < items.size(); ++index) {
    const RecordSignatureItem& item = items[index];
    if (item.file.empty()) {
      Kifu drawn;
      RecordDrawer(item.seed).Draw(drawn);
      runner.Run("", &drawn, item.seed);
    } else {
      const std::string path = (fs::path(root) / item.file).string();
      if (!fs::is_regular_file(path, error)) return "cannot read '" + path + "'";
      runner.Run(path, nullptr, item.seed);
    }
    for (int fn = 0; fn < FN_COUNT; ++fn) digests[fn] = {kNames[fn], runner.d.value[fn]};
    if (afterItem) afterItem(static_cast<int>(index), digests);
  }
  fs::remove_all(scratch, error);
  return "";
}
