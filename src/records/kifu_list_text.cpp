// The kifu list's texts: annotation labels, marker texts, a principal
// variation in notation, the comparisons of a move with a think result, and
// the refresh that sends the selected line to the observer.
#include "records/kifu_list_text.h"

#include <cstring>

#include "app/kifu_list_observer.h"
#include "engine/service/record_bridge.h"
#include "records/kifu.h"

namespace {

const char* const kAnnotationLabels[] = {"", "好手", "疑問手", "悪手", "逸機"};
constexpr int ANNOTATION_COUNT = static_cast<int>(sizeof(kAnnotationLabels) / sizeof(kAnnotationLabels[0]));

// A blank at text: an ASCII blank or the full-width one; its length, or 0.
int BlankLength(const char* text) {
  if (text[0] == ' ' || text[0] == '\t' || text[0] == '\r' || text[0] == '\n') return 1;
  static const char kFullWidthBlank[] = "　";
  constexpr int FULL_WIDTH_LENGTH = static_cast<int>(sizeof(kFullWidthBlank) - 1);
  return std::strncmp(text, kFullWidthBlank, FULL_WIDTH_LENGTH) == 0 ? FULL_WIDTH_LENGTH : 0;
}

// One character's bytes: two for a lead byte of 0x80 or above (never past
// the NUL).
int CharLength(const char* text) {
  return static_cast<unsigned char>(text[0]) >= 0x80 && text[1] != '\0' ? 2 : 1;
}

// Whether a comment says something beyond the tags other programs put in
// front ("#" with digits, "[...]"), each followed by blanks.
bool CommentHasText(const SjisString& comment) {
  const char* text = comment.Text();
  for (;;) {
    if (text[0] == '#') {
      ++text;
      for (;;) {
        if (text[0] >= '0' && text[0] <= '9') {
          ++text;
        } else if (BlankLength(text) > 0) {
          text += BlankLength(text);
        } else {
          break;
        }
      }
      continue;
    }
    if (text[0] == '[') {
      const char* close = text;
      while (close[0] != '\0' && close[0] != ']') close += CharLength(close);
      if (close[0] == '\0') break;
      text = close + 1;
      while (BlankLength(text) > 0) text += BlankLength(text);
      continue;
    }
    break;
  }
  while (BlankLength(text) > 0) text += BlankLength(text);
  return text[0] != '\0';
}

// A think result's reading: its variation played from position (the first
// move after the square prevFile, prevRank), or its stored text when the
// list is empty, then the marker.
void ReadingText(const ThinkResult& result, const KifuPosition& position, int prevFile, int prevRank,
                 SjisString& out) {
  if (result.pv.empty()) {
    out = result.pvText;
  } else {
    FormatPvText(position, result.pv, prevFile, prevRank, out);
  }
  SjisString marker;
  MarkerLabel(result.status, marker);
  out.Append(marker);
}

// The list line of one move.
void SendLine(KifuListObserver& observer, KifuMoveNode& node) {
  const int ply = node.Ply();
  const bool isRoot = node.leftNode == nullptr;
  SjisString text;
  if (isRoot) {
    text = node.GetNotation();
    node.thinkResult.value = 0;
  } else {
    text.AppendNumber(ply);
    text.Append("：");
    text.Append(node.GetNotation());
  }
  int flags = CommentHasText(node.comment) ? KIFU_LINE_COMMENT : 0;
  if (!isRoot && node.leftNode->outgoing.Count() > 1) flags |= KIFU_LINE_BRANCH;
  if (node.reachedNode != nullptr && node.reachedNode->incoming.Count() > 1) flags |= KIFU_LINE_MERGED;

  const KifuMoveNode* previous = PreviousMoveNode(&node);
  const int prevFile = previous != nullptr ? previous->move.toFile : 0;
  const int prevRank = previous != nullptr ? previous->move.toRank : 0;
  SjisString reading;
  int value = THINK_NO_VALUE;
  const bool shownWithNext =
      node.thinkResult.shownWithNextMove != 0 || (previous != nullptr && previous->thinkResult.shownWithNextMove != 0);
  if (!shownWithNext) {
    // The move's own reading starts with the move, so it is played from
    // the position before it (the start position for the root line).
    const KifuPositionNode* before = isRoot ? node.reachedNode : node.leftNode;
    if (before != nullptr) ReadingText(node.thinkResult, before->position, prevFile, prevRank, reading);
    value = node.thinkResult.value;
  } else if (previous != nullptr) {
    // The previous move's reading continues from the position after it.
    ReadingText(previous->thinkResult, node.leftNode->position, prevFile, prevRank, reading);
    value = previous->thinkResult.value;
  }
  observer.AddLine(ply, text, AnnotationLabelText(node.thinkResult.annotation), reading, value, flags,
                   isRoot ? -1 : node.consumedTime);
}

// Whether a packed engine move has the record move's squares and promotion.
bool SameMove(MoveCode code, const KifuMove& move) {
  KifuMove converted;
  if (EngineMoveToUi(code, converted) != 0) return false;
  return converted.fromFile == move.fromFile && converted.fromRank == move.fromRank &&
         converted.toFile == move.toFile && converted.toRank == move.toRank &&
         (converted.promote != 0) == (move.promote != 0);
}

}  // namespace

const char* AnnotationLabelText(int code) {
  return code > 0 && code < ANNOTATION_COUNT ? kAnnotationLabels[code] : kAnnotationLabels[0];
}

void AnnotationLabel(int code, SjisString& out) { out.Assign(AnnotationLabelText(code)); }

int AnnotationCode(const SjisString& text) {
  for (int code = 1; code < ANNOTATION_COUNT; ++code) {
    if (std::strcmp(text.Text(), kAnnotationLabels[code]) == 0) return code;
  }
  return 0;
}

void MarkerLabel(int code, SjisString& out) {
  if (code == MOVE_MARKER_BOOK) {
    out.Assign("(定跡)");
  } else if (code == MOVE_MARKER_MATE) {
    out.Assign("(詰み)");
  } else {
    out.Clear();
  }
}

void FormatPvText(const KifuPosition& pos, const std::vector<MoveCode>& pv, int prevFile, int prevRank,
                  SjisString& out) {
  out.Clear();
  KifuPosition played = pos;
  const int count = static_cast<int>(pv.size());
  SjisString moveText;
  for (int i = 0; i < count; ++i) {
    KifuMove move;
    if (EngineMoveToUi(pv[i], move) != 0) {
      // A lone non-move between moves is a pass; a non-move at the end or
      // two in a row end the variation.
      KifuMove following;
      if (i + 1 >= count || EngineMoveToUi(pv[i + 1], following) != 0) return;
      played.sideToMove = 1 - played.sideToMove;
      out.Append("～");
      prevFile = 0;
      prevRank = 0;
      continue;
    }
    // A variation that no longer fits the position (a stale or foreign
    // list) ends where it stops fitting.
    if (!played.CompleteMove(move)) return;
    played.MoveNotation(move, prevFile, prevRank, moveText);
    if (!played.DoMove(move)) return;
    out.Append(moveText);
    prevFile = move.toFile;
    prevRank = move.toRank;
  }
}

KifuMoveNode* PreviousMoveNode(const KifuMoveNode* node) {
  return node != nullptr && node->leftNode != nullptr ? node->leftNode->incoming.Selected() : nullptr;
}

bool PvStartsWith(const KifuMove& move, const ThinkResult& result) {
  return !result.pv.empty() && SameMove(result.pv.front(), move);
}

bool IsPredictedMove(const KifuMove& move, const ThinkResult& result) { return SameMove(result.predictedReply, move); }

void Kifu::RefreshList(int fromPly) {
  // A disabled observer is never called.
  if (!IsNotifying()) return;
  KifuListObserver& observer = *observer_;
  const int savedCurrent = observer.GetCurrent();
  observer.BeginUpdate();
  KifuMoveNode* walk = root_;
  while (walk != nullptr && walk->Ply() < fromPly) {
    walk = walk->reachedNode != nullptr ? walk->reachedNode->outgoing.Selected() : nullptr;
  }
  if (walk != nullptr && walk->Ply() == fromPly) {
    observer.SetCurrent(fromPly);
    observer.TruncateFrom(fromPly);
    for (; walk != nullptr; walk = walk->reachedNode != nullptr ? walk->reachedNode->outgoing.Selected() : nullptr) {
      if (displayPly_ >= 0 && walk->Ply() > displayPly_) break;
      SendLine(observer, *walk);
    }
  }
  observer.EndUpdate();
  if (savedCurrent >= 0) observer.SetCurrent(savedCurrent);
}
