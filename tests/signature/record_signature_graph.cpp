// The record signature over the record's graph: its digest, the rules and
// notation at every position, and the graph's own functions (navigation,
// the list a window shows, selection, editing, labels).
#include <initializer_list>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "app/kifu_list_observer.h"
#include "signature/record_signature_runner.h"
#include "engine/service/book_position.h"
#include "records/kifu.h"
#include "records/kifu_graph.h"
#include "records/kifu_legal_moves.h"
#include "records/kifu_list_text.h"
#include "records/move_phrase.h"

namespace record_signature {
namespace {

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

// The position nodes reached from the start, breadth first by outgoing
// order: the same order for the same graph however its nodes were allocated.
struct PositionOrder {
  std::vector<const KifuPositionNode*> nodes;
  std::unordered_map<const KifuPositionNode*, int> place;

  explicit PositionOrder(const Kifu& kifu) : nodes{kifu.StartNode()}, place{{kifu.StartNode(), 0}} {
    for (size_t i = 0; i < nodes.size(); ++i) {
      for (int j = 0; j < nodes[i]->outgoing.Count(); ++j) {
        const KifuPositionNode* next = nodes[i]->outgoing.At(j)->reachedNode;
        if (next != nullptr && place.emplace(next, static_cast<int>(nodes.size())).second) nodes.push_back(next);
      }
    }
  }
  // The node's place in the order, -1 for none.
  int Of(const KifuPositionNode* node) const {
    const auto found = place.find(node);
    return found == place.end() ? -1 : found->second;
  }
};

// The square the move went to, which the next move's notation may call
// "same": (0, 0) for none, the root or a marker.
std::pair<int, int> SquareBefore(const KifuMoveNode* previous) {
  if (previous == nullptr || previous->leftNode == nullptr || previous->move.kind != KifuMoveKind::Ordinary) {
    return {0, 0};
  }
  return {previous->move.toFile, previous->move.toRank};
}

}  // namespace

// Headers, root, and every position with its moves out and in, nodes named
// by their place in the breadth-first order.
void Digests::AddGraph(Fn fn, const Kifu& kifu) {
  AddHeaders(fn, kifu);
  AddMoveNode(fn, *kifu.Root());
  const PositionOrder order(kifu);
  const std::vector<const KifuPositionNode*>& nodes = order.nodes;
  AddInt(fn, static_cast<int64_t>(nodes.size()));
  AddInt(fn, kifu.Table()->Count());
  for (const KifuPositionNode* node : nodes) {
    AddInt(fn, node->ply);
    AddKey(fn, node->key);
    AddPosition(fn, node->position);
    AddInt(fn, node->outgoing.Count() << 16 | node->outgoing.SelectedIndex());
    AddInt(fn, node->incoming.Count() << 16 | node->incoming.SelectedIndex());
    for (int j = 0; j < node->incoming.Count(); ++j) AddInt(fn, order.Of(node->incoming.At(j)->leftNode));
    for (int j = 0; j < node->outgoing.Count(); ++j) {
      const KifuMoveNode* move = node->outgoing.At(j);
      AddMoveNode(fn, *move);
      AddInt(fn, order.Of(move->reachedNode));
      AddInt(fn, move->reachedNode == nullptr ? -2 : move->reachedNode->incoming.IndexOf(move));
    }
  }
}

// Every position of the graph; the deep work on deepCount drawn by seed and
// on the last one reached.
void Runner::RunPositions(const Kifu& kifu, uint32_t seed, int deepCount) {
  const std::vector<const KifuPositionNode*> nodes = PositionOrder(kifu).nodes;
  SignatureRandom rng{seed ^ 0x5eed};
  std::vector<bool> deep(nodes.size(), false);
  for (int i = 0; i < deepCount; ++i) deep[static_cast<size_t>(rng.Below(static_cast<int>(nodes.size())))] = true;
  if (deepCount > 0) deep.back() = true;
  for (size_t i = 0; i < nodes.size(); ++i) {
    const auto [prevFile, prevRank] = SquareBefore(nodes[i]->incoming.Selected());
    RunPosition(nodes[i]->position, prevFile, prevRank, deep[i]);
  }
}

void Runner::RunPosition(const KifuPosition& position, int prevFile, int prevRank, bool deep) {
  d.AddValidity(POSITION_VALIDITY, position);
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
  // Counts one off in every hand and the box: a king in hand or in the box
  // beside two on the board, a piece short or over.
  for (int store = 0; store <= KIFU_BOX; ++store) {
    for (int type : {KIFU_KING, KIFU_PAWN, KIFU_ROOK}) {
      for (int change : {1, -1}) {
        KifuPosition broken = position;
        broken.hands[store][type] = static_cast<int8_t>(broken.hands[store][type] + change);
        d.AddValidity(POSITION_VALIDITY, broken);
      }
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
  // Each (value, step) selected in turn, and the line it leaves.
  const auto selectEach = [&](bool (Kifu::*select)(int, int, bool), int ply,
                              std::initializer_list<std::pair<int, bool>> choices) {
    for (const auto& [value, step] : choices) {
      d.AddInt(SELECTION, (copy.*select)(ply, value, step));
      d.AddInt(SELECTION, copy.LineLength());
    }
  };
  for (int ply = 0; ply <= copy.LineLength(); ++ply) {
    const KifuPositionNode* node = copy.MoveAtPly(ply)->reachedNode;
    const int outgoing = node->outgoing.Count(), incoming = node->incoming.Count();
    selectEach(&Kifu::SelectBranch, ply, {{1, true}, {outgoing, false}, {-1, false}, {outgoing - 1, false}, {-1, true}});
    if (incoming > 1) selectEach(&Kifu::SelectMergeSource, ply, {{1, true}, {incoming, false}, {0, false}});
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
  const std::vector<KifuMove> legal = KifuLegalMoves(copy.MoveAtPly(length / 2)->reachedNode->position);
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
    const auto [prevFile, prevRank] = SquareBefore(PreviousMoveNode(node));
    SjisString pv;
    FormatPvText(node->leftNode->position, result.pv, prevFile, prevRank, pv);
    d.AddText(LABELS, pv);
    d.AddInt(LABELS, PvStartsWith(node->move, result) | IsPredictedMove(node->move, result) << 1);
  }
}

}  // namespace record_signature
