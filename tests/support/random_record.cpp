// Random game records for the record-format tests, and their comparison.
#include "support/random_record.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <random>
#include <vector>

#include "engine/board/position.h"
#include "engine/search/move_code.h"
#include "records/kifu_list_text.h"
#include "support/kifu_builder.h"
#include "support/kifu_graph_checks.h"
#include "support/kifu_perft.h"

namespace {

// Engine base type of each record base type (1 pawn .. 7 rook, 8 king).
constexpr PieceType kEngineBase[9] = {NO_TYPE, PAWN, LANCE, KNIGHT, SILVER, GOLD, BISHOP, ROOK, KING};

PieceCode EngineCode(KifuPieceCode code) {
  if (!code.IsPiece()) return 0;
  const int promoted = code.IsPromoted() ? PROMOTED_BIT : 0;
  return static_cast<PieceCode>(OwnerBit(code.Side()) | kEngineBase[KifuBaseType(code.Type())] | promoted);
}

MoveCode EngineMoveCode(const KifuMove& move) {
  if (move.IsDrop()) return PackMoveCode(0, 0, move.toFile, move.toRank, EngineCode(move.piece), 0, false);
  return PackMoveCode(move.fromFile, move.fromRank, move.toFile, move.toRank, EngineCode(move.piece),
                      EngineCode(move.captured), move.promote != 0);
}

constexpr const char* kCommentLines[] = {
    "研究手", "ここが勝負所", "次の一手に注目", "a quiet move", "[注] 定跡どおり", "#1 候補手",
    "形勢互角", "先手やや有利", "同　歩とは取れない", "Ａ級の手順",
};
constexpr const char* kPvTexts[] = {"▲７六歩△３四歩▲２六歩", "△同　銀▲同　角", "▲２二角成"};
// Markers as the writers put them down, the repetition kinds included.
constexpr KifuMoveKind kMarkers[] = {
    KifuMoveKind::Mate,       KifuMoveKind::Resignation,   KifuMoveKind::LossOnTime,
    KifuMoveKind::Loss,       KifuMoveKind::LossByFoul,    KifuMoveKind::WinByFoul,
    KifuMoveKind::Win,        KifuMoveKind::Impasse,       KifuMoveKind::Repetition,
    KifuMoveKind::RepetitionCheckBySecond, KifuMoveKind::RepetitionCheckByFirst,
    KifuMoveKind::TakeBack,   KifuMoveKind::Interruption,
};

KifuMoveKind NormalKind(KifuMoveKind kind) {
  return kind == KifuMoveKind::RepetitionCheckBySecond || kind == KifuMoveKind::RepetitionCheckByFirst
             ? KifuMoveKind::Repetition
             : kind;
}

class RecordBuilder {
 public:
  RecordBuilder(uint32_t seed, const RandomRecordOptions& options) : random_(seed), options_(options) {}

  std::unique_ptr<Kifu> Build() {
    auto kifu = std::make_unique<Kifu>();
    kifu->SetStartPosition(MakeStart());
    table_ = kifu->Table();
    if (options_.headers) AddHeaders(*kifu);
    if (options_.comments && Pick(3) == 0) kifu->Root()->comment.Assign(RandomComment().c_str());
    Extend(kifu->StartNode(), Pick(options_.maxMainLine + 1));
    for (int branch = Pick(options_.maxBranches + 1); branch > 0; --branch) AddBranch(*kifu);
    if (options_.transpositions) {
      for (int count = Pick(4); count > 0; --count) AddTransposition(*kifu);
    }
    if (options_.specialMoves) {
      for (KifuPositionNode* node : KifuReachableNodes(*kifu)) {
        if (node->outgoing.Count() == 0 && Pick(2) == 0) AddMarkers(node);
      }
    }
    kifu->SelectFirstMoves();
    return kifu;
  }

 private:
  int Pick(int n) { return n <= 1 ? 0 : static_cast<int>(random_() % static_cast<uint32_t>(n)); }

  KifuPosition MakeStart() {
    KifuPosition start;
    start.SetStart(KIFU_KNOWN_HANDICAPS[Pick(std::size(KIFU_KNOWN_HANDICAPS))]);
    if (!options_.changedStarts) return start;
    switch (Pick(5)) {
      case 0:  // a handicap's standard start
        return start;
      case 1:  // a pawn short of the full set: no known handicap
        start.SetStart(HANDICAP_NONE);
        start.board[KifuPosition::SquareIndex(1 + Pick(9), 3)] = 0;
        start.UpdateBoxAndHandicap();
        break;
      case 2:
        return MateProblemStart();
      default:
        break;
    }
    KifuRandomPlayout(start, 2 + Pick(30), static_cast<uint32_t>(random_()));
    return start;
  }

  // The defender's king near its edge, a few attacking pieces, a hand, and
  // every other piece in the defender's hand.
  KifuPosition MateProblemStart() {
    for (int attempt = 0; attempt < 1000; ++attempt) {
      KifuPosition start = BuildKifuPosition({}, 0);
      start.board[KifuPosition::SquareIndex(1 + Pick(9), 1 + Pick(2))] = KIFU_SECOND_PLAYER_BIT + KIFU_KING;
      static constexpr int kAttackers[] = {KIFU_GOLD, KIFU_SILVER, KIFU_ROOK, KIFU_BISHOP, KIFU_DRAGON, KIFU_HORSE};
      for (int count = 1 + Pick(3); count > 0; --count) {
        const int square = KifuPosition::SquareIndex(1 + Pick(9), 1 + Pick(5));
        if (start.board[square].IsEmpty()) start.board[square] = kAttackers[Pick(std::size(kAttackers))];
      }
      start.hands[0][1 + Pick(7)] = 1;
      start.UpdateBoxAndHandicap();
      for (int type = KIFU_PAWN; type <= KIFU_ROOK; ++type) {
        start.hands[1][type] = static_cast<int8_t>(start.hands[1][type] + start.hands[KIFU_BOX][type]);
      }
      start.UpdateBoxAndHandicap();
      if (start.handicapFlags == HANDICAP_FIRST_KING && start.IsValid()) return start;
    }
    // A fault in the validity rules must fail the test, not hang it.
    ADD_FAILURE() << "no valid mate-problem start";
    return KifuStartPosition();
  }

  void AddHeaders(Kifu& kifu) {
    static constexpr const char* kNames[] = {"Player A", "Player B", "テスト一号", "テスト二号"};
    if (Pick(4) != 0) kifu.PlayerName(0).Assign(kNames[Pick(4)]);
    if (Pick(4) != 0) kifu.PlayerName(1).Assign(kNames[Pick(4)]);
    if (Pick(2) == 0) kifu.Date().Assign("2026/01/02 10:00:00");
    if (Pick(2) == 0) kifu.Title().Assign("練習対局");
    if (Pick(2) == 0) kifu.Event().Assign("研究会");
    if (Pick(2) == 0) kifu.SetHeader("場所", "道場");
    if (Pick(2) == 0) kifu.SetHeader("持ち時間", "各10分");
  }

  std::string RandomComment() {
    std::string text = kCommentLines[Pick(std::size(kCommentLines))];
    for (int more = Pick(3); more > 0; --more) text += std::string("\r\n") + kCommentLines[Pick(std::size(kCommentLines))];
    return text;
  }

  ThinkResult RandomThinkResult(const KifuPositionNode* from, const KifuMove& move) {
    ThinkResult result;
    if (!options_.analysis || Pick(3) != 0) return result;
    result.value = Pick(60001) - 30000;
    if (Pick(3) == 0) {
      result.pvText.Assign(kPvTexts[Pick(std::size(kPvTexts))]);
    } else {
      KifuPosition position = from->position;
      result.pv.push_back(EngineMoveCode(move));
      position.DoMove(move);
      for (const KifuMove& next : KifuRandomPlayout(position, Pick(5), static_cast<uint32_t>(random_()))) result.pv.push_back(EngineMoveCode(next));
    }
    return result;
  }

  int RandomTime() { return Pick(10) == 0 ? 6000 + Pick(4000) : Pick(150); }

  // Adds a move at node (merging transpositions when allowed); null when it
  // could not be added.
  KifuMoveNode* Add(KifuPositionNode* node, const KifuMove& move) {
    const ThinkResult result = RandomThinkResult(node, move);
    const MergeChooser chooser = options_.transpositions ? MergeChooser::TakeFirst() : MergeChooser::None();
    KifuMoveNode* added = node->AddMove(move, RandomTime(), &result, -1, table_, chooser, false);
    if (added != nullptr && options_.comments && Pick(5) == 0) added->comment.Assign(RandomComment().c_str());
    return added;
  }

  void Extend(KifuPositionNode* node, int plies) {
    for (; plies > 0 && node != nullptr; --plies) {
      const std::vector<KifuMove> legal = KifuLegalMoves(node->position);
      if (legal.empty()) return;
      KifuMoveNode* added = Add(node, legal[static_cast<size_t>(Pick(static_cast<int>(legal.size())))]);
      node = added == nullptr ? nullptr : added->reachedNode;
    }
  }

  void AddBranch(Kifu& kifu) {
    const std::vector<KifuPositionNode*> nodes = KifuReachableNodes(kifu);
    KifuPositionNode* node = nodes[static_cast<size_t>(Pick(static_cast<int>(nodes.size())))];
    Extend(node, 1 + Pick(15));
  }

  // Plays the three moves after a random position in the order third,
  // second, first: the last reaches the position the line reached.
  void AddTransposition(Kifu& kifu) {
    const std::vector<KifuPositionNode*> nodes = KifuReachableNodes(kifu);
    KifuPositionNode* node = nodes[static_cast<size_t>(Pick(static_cast<int>(nodes.size())))];
    std::vector<KifuMove> line;
    for (KifuPositionNode* at = node; line.size() < 3 && at->outgoing.Count() > 0;) {
      const KifuMoveNode* next = at->outgoing.At(0);
      if (next->move.kind != KifuMoveKind::Ordinary || next->reachedNode == nullptr) break;
      line.push_back(next->move);
      at = next->reachedNode;
    }
    if (line.size() < 3) return;
    KifuPositionNode* at = node;
    for (int index : {2, 1, 0}) {
      KifuMove move = line[static_cast<size_t>(index)];
      move.captured = at->position.At(move.toFile, move.toRank);
      KifuPosition after;
      if (!PlayLegalRecordMove(at->position, move, after)) return;
      KifuMoveNode* added = Add(at, move);
      if (added == nullptr) return;
      at = added->reachedNode;
    }
  }

  // A marker at a line's end: its moving piece is the king of the side to
  // move, or nothing for the draws, as the readers set it. An interruption
  // may be followed by a resumption and more moves.
  void AddMarkers(KifuPositionNode* node) {
    const KifuMoveKind kind = kMarkers[Pick(std::size(kMarkers))];
    KifuMoveNode* added = node->AddMove(MarkerMove(node->position, kind), Pick(60), nullptr, -1, table_,
                                        MergeChooser::None(), false);
    if (kind != KifuMoveKind::Interruption || Pick(2) == 0) return;
    KifuPositionNode* reached = added->reachedNode;
    added = reached->AddMove(MarkerMove(reached->position, KifuMoveKind::Resumption), Pick(60), nullptr, -1, table_,
                             MergeChooser::None(), false);
    Extend(added->reachedNode, Pick(4));
  }

  static KifuMove MarkerMove(const KifuPosition& position, KifuMoveKind kind) {
    const bool draw = kind >= KifuMoveKind::Impasse && kind <= KifuMoveKind::RepetitionCheckByFirst;
    const int king = draw ? 0 : KIFU_KING + (position.sideToMove == 1 ? KIFU_SECOND_PLAYER_BIT : 0);
    return KifuMove(0, 0, 0, 0, king, 0, 0, kind);
  }

  std::mt19937 random_;
  RandomRecordOptions options_;
  KifuPositionTable* table_ = nullptr;
};

std::string Describe(const KifuMove& move) {
  return std::to_string(move.fromFile * 10 + move.fromRank) + "-" + std::to_string(move.toFile * 10 + move.toRank);
}

// The principal-variation text a writer puts down for a node: the list
// formatted from the position before the move, else the stored text.
std::string EffectivePvText(const KifuMoveNode& node) {
  const ThinkResult& result = node.thinkResult;
  if (result.pv.empty() || node.leftNode == nullptr) return result.pvText.Text();
  SjisString text;
  FormatPvText(node.leftNode->position, result.pv, 0, 0, text);
  return text.Text();
}

}  // namespace

std::string RecordText(const Kifu& kifu, int (Kifu::*write)(OutStream&) const, bool crlf) {
  SjisString text;
  StringOutStream out(text, crlf);
  (kifu.*write)(out);
  return text.Text();
}

std::string MutateRecordText(std::string text, std::mt19937& random, const std::vector<std::string>& tokens) {
  auto pick = [&](size_t n) { return n == 0 ? size_t{0} : static_cast<size_t>(random() % n); };
  for (int edits = 1 + static_cast<int>(pick(4)); edits > 0; --edits) {
    const size_t at = pick(text.size() + 1), begin = text.rfind('\n', at == 0 ? 0 : at - 1) + 1;  // npos + 1: 0
    const size_t end = std::min(text.find('\n', at), text.size() - (text.empty() ? 0 : 1)) + 1;
    const std::string line = text.substr(begin, std::min(end, text.size()) - begin);
    switch (pick(9)) {
      case 0: if (at < text.size()) text[at] = static_cast<char>(random()); break;
      case 1: text.erase(at, end - at); break;  // cut a line short
      case 2: text.insert(begin, line); break;
      case 3: text.erase(begin, line.size()); break;
      case 4: {  // moved to another line start
        text.erase(begin, line.size());
        text.insert(text.rfind('\n', pick(text.size())) + 1, line);
        break;
      }
      case 5: text.erase(at, pick(16)); break;
      case 6: text.insert(at, text.substr(pick(text.size() + 1), pick(40))); break;
      case 7: text.insert(begin, tokens[pick(tokens.size())]); break;
      default: text.insert(at, tokens[pick(tokens.size())]); break;
    }
  }
  return text;
}

int FuzzRecordReader(const std::vector<std::string>& seeds, const std::vector<std::string>& tokens, int cases,
                     const RecordTextReader& read, const std::string& first,
                     const std::function<void(Kifu&, const std::string& text)>& accepted) {
  std::mt19937 random(20261206);
  int readCount = 0;
  for (int index = 0; index < cases && !::testing::Test::HasFailure(); ++index) {
    const std::string text = MutateRecordText(seeds[static_cast<size_t>(index) % seeds.size()], random, tokens);
    SCOPED_TRACE(text);
    Kifu kifu;
    if (!first.empty()) {
      EXPECT_EQ(read(kifu, first, -1), 0);
    }
    const std::string before = DescribeKifuGraph(kifu) + RecordText(kifu, &Kifu::WriteKif);
    if (read(kifu, text, index) != 0) {
      EXPECT_EQ(DescribeKifuGraph(kifu) + RecordText(kifu, &Kifu::WriteKif), before);
      continue;
    }
    ++readCount;
    ExpectKifuGraphValid(kifu);
    if (accepted) accepted(kifu, text);
  }
  return readCount;
}

std::unique_ptr<Kifu> BuildRandomRecord(uint32_t seed, const RandomRecordOptions& options) {
  return RecordBuilder(seed, options).Build();
}

std::string CompareKifu(const Kifu& expected, const Kifu& actual) {
  auto texts = [](const Kifu& kifu) {
    std::vector<std::string> all{kifu.PlayerName(0).Text(), kifu.PlayerName(1).Text(), kifu.Date().Text(),
                                 kifu.Title().Text(),       kifu.Event().Text(),       kifu.Root()->comment.Text()};
    for (int index = 0; index < kifu.ExtraHeaders().Count(); ++index) all.push_back(kifu.ExtraHeaders().At(index).Text());
    return all;
  };
  if (texts(expected) != texts(actual)) return "headers or root comment differ";
  const KifuPositionNode* startE = expected.StartNode();
  const KifuPositionNode* startA = actual.StartNode();
  if (!(startE->position == startA->position) || startE->position.handicapFlags != startA->position.handicapFlags) {
    return "start position differs";
  }
  std::map<const KifuPositionNode*, const KifuPositionNode*> twin{{startE, startA}};
  std::vector<std::pair<const KifuPositionNode*, const KifuPositionNode*>> stack{{startE, startA}};
  while (!stack.empty()) {
    const auto [nodeE, nodeA] = stack.back();
    stack.pop_back();
    if (nodeE->outgoing.Count() != nodeA->outgoing.Count()) return "variation count differs";
    if (nodeE->incoming.Count() != nodeA->incoming.Count()) return "merge count differs";
    for (int index = 0; index < nodeE->outgoing.Count(); ++index) {
      const KifuMoveNode* moveE = nodeE->outgoing.At(index);
      const KifuMoveNode* moveA = nodeA->outgoing.At(index);
      KifuMove normalE = moveE->move, normalA = moveA->move;
      normalE.kind = NormalKind(normalE.kind);
      normalA.kind = NormalKind(normalA.kind);
      if (!(normalE == normalA)) return "move differs: " + Describe(moveE->move) + " / " + Describe(moveA->move);
      if (moveE->consumedTime != moveA->consumedTime) return "time differs at " + Describe(moveE->move);
      if (std::string(moveE->comment.Text()) != moveA->comment.Text()) return "comment differs at " + Describe(moveE->move);
      const bool analysed = moveE->thinkResult.value != THINK_NO_VALUE && moveE->move.kind == KifuMoveKind::Ordinary;
      if (analysed && (moveE->thinkResult.value != moveA->thinkResult.value ||
                       EffectivePvText(*moveE) != EffectivePvText(*moveA))) {
        return "analysis differs at " + Describe(moveE->move);
      }
      const KifuPositionNode* reachedE = moveE->reachedNode;
      const KifuPositionNode* reachedA = moveA->reachedNode;
      if (reachedE->incoming.IndexOf(moveE) != reachedA->incoming.IndexOf(moveA)) return "incoming order differs";
      const auto [at, fresh] = twin.insert({reachedE, reachedA});
      if (!fresh && at->second != reachedA) return "merges differ at " + Describe(moveE->move);
      if (fresh) stack.push_back({reachedE, reachedA});
    }
  }
  return "";
}
