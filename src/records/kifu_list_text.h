// Texts of the kifu list: the user's move annotations and the engine's
// markers, a principal variation in notation, comparisons of a move with a
// think result. Kifu::RefreshList (kifu.h) sends the lines built from them.
#pragma once

#include <vector>

#include "charset.h"
#include "engine/search/move_code.h"
#include "engine/service/think_result.h"
#include "records/kifu_position.h"
#include "records/sjis_string.h"

class KifuMoveNode;

// The user's judgement of a move, kept in ThinkResult::annotation.
enum MoveAnnotation : int {
  MOVE_ANNOTATION_NONE = 0,
  MOVE_ANNOTATION_GOOD = 1,     // 好手
  MOVE_ANNOTATION_DUBIOUS = 2,  // 疑問手
  MOVE_ANNOTATION_BAD = 3,      // 悪手
  MOVE_ANNOTATION_MISSED = 4,   // 逸機
};

// The engine's marker in ThinkResult::status.
enum MoveMarker : int {
  MOVE_MARKER_NONE = 0,
  MOVE_MARKER_BOOK = 1,  // (定跡)
  MOVE_MARKER_MATE = 5,  // (詰み)
};

// The label of an annotation code; "" for other codes (never null).
const char* AnnotationLabelText(int code);
// The label of an annotation code into out; empty for other codes.
void AnnotationLabel(int code, SjisString& out);
// The code of a label (exact comparison), 0 for anything else.
int AnnotationCode(const SjisString& text);
// The marker text of a status code into out; empty for other codes.
void MarkerLabel(int code, SjisString& out);
// The notation of a principal variation played from pos, moves written
// with their side marks and no separators, "～" for a pass; prevFile and
// prevRank are the square of the move before it.
void FormatPvText(const KifuPosition& pos, const std::vector<MoveCode>& pv, int prevFile, int prevRank,
                  SjisString& out);
// The selected incoming move of the node's left position (null for the root).
KifuMoveNode* PreviousMoveNode(const KifuMoveNode* node);
// Whether the variation's first move has the move's squares and promotion.
bool PvStartsWith(const KifuMove& move, const ThinkResult& result);
// Whether the predicted reply has the move's squares and promotion.
bool IsPredictedMove(const KifuMove& move, const ThinkResult& result);
