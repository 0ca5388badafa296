// The record signature: the repository's game files and seeded records run
// through the readers, writers, rules, notation, graph, list and clocks of
// the record side, one digest per function. This file holds the set, the
// records drawn by seed and the order each record goes through its steps.
#include "signature/record_signature.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

#include "signature/record_signature_runner.h"
#include "engine/board/engine_perft.h"
#include "engine/board/make_move.h"
#include "engine/board/move_generators.h"
#include "engine/search/think_setup.h"
#include "engine/service/record_bridge.h"
#include "records/kifu.h"
#include "records/kifu_graph.h"
#include "records/kifu_list_text.h"
#include "records/read_report.h"
#include "records/record_files.h"
#include "records/text_encoding.h"

namespace record_signature {
namespace {

namespace fs = std::filesystem;

// Records drawn by seed after the files, and the seed of the draw.
constexpr int DRAWN_RECORDS = 24;
constexpr uint64_t DRAW_SEED = 20260526;
// Positions per record that get the per-move work (notation, phrases, make
// and take back of every legal move); every position gets the rest.
constexpr int DEEP_POSITIONS = 8;

constexpr const char* kNames[FN_COUNT] = {
    "read", "read_report", "write_kif", "write_kif_position", "write_ckf", "write_ki2", "write_ki2_position",
    "write_csa", "write_csa_position", "write_rvq", "write_rvq_position", "clipboard", "reread", "paste",
    "save_load", "hostile_read", "record_legal_moves", "complete_move", "move_validity", "notation", "phrase",
    "position_validity", "position_key", "book_position", "check", "impasse", "do_undo", "position_edits", "repetition",
    "list_text", "labels", "navigation", "selection", "editing", "clocks", "sjis_string", "string_list",
    "encoding", "streams", "csa_tokens", "rvq_tokens", "file_types"};

// --- drawn records

constexpr const char* kComments[] = {"研究手", "ここが勝負所　", "次の一手に注目", "a quiet move", "形勢互角\r\n先手やや有利",
                                     "#候補手", "同　歩とは取れない", "Ａ級の手順", "#12 [注]  ", "[注] 本譜",
                                     "*注目の局面\r\n[参考] 別の手\r\n続きの一行\r\n#候補", "見落としａ@", "表ソ　"};
constexpr KifuMoveKind kMarkers[] = {
    KifuMoveKind::Mate,      KifuMoveKind::Resignation, KifuMoveKind::LossOnTime, KifuMoveKind::Loss,
    KifuMoveKind::LossByFoul, KifuMoveKind::WinByFoul,  KifuMoveKind::Win,        KifuMoveKind::Impasse,
    KifuMoveKind::Repetition, KifuMoveKind::TakeBack,   KifuMoveKind::Interruption};

class RecordDrawer {
 public:
  explicit RecordDrawer(uint32_t seed) : rng_{seed} {}

  void Draw(Kifu& kifu) {
    kifu.Reset(Pick(KIFU_KNOWN_HANDICAPS));
    if (rng_.Below(4) == 0) kifu.SetStartPosition(EnteredKings());
    table_ = kifu.Table();
    if (rng_.Below(2) == 0) kifu.PlayerName(0).Assign("先手太郎");
    if (rng_.Below(2) == 0) kifu.PlayerName(1).Assign("Player B");
    if (rng_.Below(2) == 0) kifu.Date().Assign("2026/05/26");
    if (rng_.Below(3) == 0) kifu.Event().Assign("研究会");
    if (rng_.Below(3) == 0) kifu.SetHeader("場所", "道場");
    if (rng_.Below(3) == 0) kifu.Root()->comment.Assign(Pick(kComments));
    std::vector<KifuPositionNode*> line{kifu.StartNode()};
    Extend(line, rng_.Below(100));
    for (int branches = rng_.Below(5); branches > 0; --branches) {
      std::vector<KifuPositionNode*> branch{Pick(line)};
      Extend(branch, 1 + rng_.Below(12));
      if (rng_.Below(2) == 0) AddMarker(branch.back());
    }
    for (int joins = rng_.Below(5); joins > 0; --joins) Rejoin(line);
    if (rng_.Below(2) == 0) AddMarker(line.back());
    kifu.SelectFirstMoves();
  }

 private:
  // One of the items, each as likely.
  template <typename Items>
  auto Pick(Items& items) -> decltype(items[0]) {
    return items[static_cast<size_t>(rng_.Below(static_cast<int>(std::size(items))))];
  }

  // Random legal moves from the line's end; a third of them walk a piece
  // back where it came from two plies before, so lines repeat positions.
  void Extend(std::vector<KifuPositionNode*>& line, int plies) {
    for (; plies > 0; --plies) {
      KifuPositionNode* node = line.back();
      const std::vector<KifuMove> legal = KifuLegalMoves(node->position);
      if (legal.empty()) return;
      KifuMove move = Pick(legal);
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
      if (rng_.Below(6) == 0) added->comment.Assign(Pick(kComments));
      line.push_back(added->reachedNode);
    }
  }

  // A branch that meets the line again: the line's next three moves in
  // reverse order, or two moves taken back before the line's next move, so
  // positions merge, get labels, and lines of unequal length meet.
  void Rejoin(const std::vector<KifuPositionNode*>& line) {
    if (line.size() < 4) return;
    const size_t at = static_cast<size_t>(rng_.Below(static_cast<int>(line.size()) - 3));
    const auto lineMove = [&](size_t i) { return line[i]->incoming.Selected()->move; };
    KifuPositionNode* node = line[at];
    // Plays the legal move between the squares of `wanted`; false when there is none.
    const auto play = [&](const KifuMove& wanted) {
      for (const KifuMove& move : KifuLegalMoves(node->position)) {
        if (move.fromFile == wanted.fromFile && move.fromRank == wanted.fromRank && move.toFile == wanted.toFile &&
            move.toRank == wanted.toRank && move.promote == wanted.promote) {
          KifuMoveNode* added = node->AddMove(move, rng_.Below(60), nullptr, -1, table_, MergeChooser::TakeFirst(), false);
          if (added == nullptr || added->reachedNode == nullptr) return false;
          node = added->reachedNode;
          return true;
        }
      }
      return false;
    };
    // A quiet board move, which the same piece can take back.
    const auto quiet = [&](KifuMove& out) {
      std::vector<KifuMove> moves;
      for (const KifuMove& m : KifuLegalMoves(node->position)) {
        if (!m.IsDrop() && m.promote == 0 && m.captured.IsEmpty()) moves.push_back(m);
      }
      if (moves.empty()) return false;
      out = Pick(moves);
      return true;
    };
    const auto back = [](const KifuMove& m) {
      return KifuMove(m.toFile, m.toRank, m.fromFile, m.fromRank, m.piece, 0, 0, KifuMoveKind::Ordinary);
    };
    if (rng_.Below(2) == 0) {
      for (size_t i : {at + 3, at + 2, at + 1}) {
        if (!play(lineMove(i))) return;
      }
      return;
    }
    KifuMove first, second;
    if (!quiet(first) || !play(first) || !quiet(second) || !play(second)) return;
    if (play(back(first)) && play(back(second))) play(lineMove(at + 1));
  }

  // Both kings in the enemy camp with nine to twelve of their pieces, the
  // rest in hand or the box: the positions an impasse declaration is judged on.
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
          place(side * KIFU_SECOND_PLAYER_BIT + (i < 8 ? KIFU_PRO_PAWN : Pick(kMajors)));
        }
      }
      start.UpdateBoxAndHandicap();
      // More horses or dragons than a set holds: draw again.
      if (!std::all_of(start.hands[KIFU_BOX], start.hands[KIFU_BOX] + 9, [](int count) { return count >= 0; })) continue;
      for (int type = KIFU_PAWN; type <= KIFU_ROOK; ++type) {
        const int toFirst = rng_.Below(start.hands[KIFU_BOX][type] + 1);
        const int toSecond = rng_.Below(start.hands[KIFU_BOX][type] - toFirst + 1);
        start.hands[0][type] = static_cast<int8_t>(toFirst);
        start.hands[1][type] = static_cast<int8_t>(toSecond);
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
                          Pick(kMarkers));
    node->AddMove(marker, rng_.Below(30), nullptr, -1, table_, MergeChooser::None(), false);
  }

  SignatureRandom rng_;
  KifuPositionTable* table_ = nullptr;
};

// The folder of the games held in KIF, KI2 and CSA alike.
constexpr char kCorpusDir[] = "tests/data/corpus";

// Text in the encodings other tools write, well formed and not.
constexpr const char* kForeignTexts[] = {
    "\xEF\xBB\xBF\xE5\x85\x88\xE6\x89\x8B", "\xC3\x9F\xDF\xBF\xC2\x80", "\xE0\xA0\x80\xED\x9F\xBF",
    "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80",
    "\xF5\x80\x80\x80", "\xE6\x89", "\xDF", "\x80" "abc", "plain"};

}  // namespace

void Runner::Run(const std::string& path, bool inCorpus, const Kifu* drawn, uint32_t seed) {
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
  const bool copy = inCorpus && KifuFileTypeOfPath(path.c_str()) != KIFU_FILE_KIF;
  RunPositions(*kifu, seed, copy ? 0 : DEEP_POSITIONS);
  if (copy) return;
  RunWriters(*kifu, seed);
  RunNavigation(*kifu);
  RunSelection(*kifu);
  RunEditing(*kifu);
  RunLabels(*kifu);
}

}  // namespace record_signature

using namespace record_signature;

std::string RecordSignatureItems(const std::string& root, std::vector<RecordSignatureItem>& out) {
  out.clear();
  for (const char* dir : {kCorpusDir, "tests/data/kif", "tests/data/csa", "samples"}) {
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
      runner.Run("", false, &drawn, item.seed);
    } else {
      const std::string path = (fs::path(root) / item.file).string();
      if (!fs::is_regular_file(path, error)) return "cannot read '" + path + "'";
      // Judged by the file's place in the repository, not by the whole path:
      // a repository inside a folder named corpus has the same digests.
      runner.Run(path, item.file.rfind(std::string(kCorpusDir) + "/", 0) == 0, nullptr, item.seed);
    }
    for (int fn = 0; fn < FN_COUNT; ++fn) digests[fn] = {kNames[fn], runner.d.value[fn]};
    if (afterItem) afterItem(static_cast<int>(index), digests);
  }
  fs::remove_all(scratch, error);
  return "";
}
