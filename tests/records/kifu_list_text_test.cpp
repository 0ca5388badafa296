// The kifu list: the variation text with a pass and the end of a variation
// that stops fitting the position, and the lines a record sends its
// observer (texts, flags, readings shown with their own or the next move,
// the display ply, a refresh past the line's end).
#include "records/kifu_list_text.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "records/kifu.h"
#include "support/kifu_builder.h"
#include "support/kifu_graph_checks.h"
#include "support/kifu_list_log.h"

namespace {

// Engine codes of the first moves: the first player's pieces carry 0x20,
// the second player's 0x40; pawn 7, bishop 2, silver 4.
constexpr MoveCode PAWN_76 = PackMoveCode(7, 7, 7, 6, 0x27, 0, false);
constexpr MoveCode PAWN_34 = PackMoveCode(3, 3, 3, 4, 0x47, 0, false);
constexpr MoveCode PAWN_26 = PackMoveCode(2, 7, 2, 6, 0x27, 0, false);
constexpr MoveCode BISHOP_22 = PackMoveCode(8, 8, 2, 2, 0x22, 0x42, true);
constexpr MoveCode SILVER_22 = PackMoveCode(3, 1, 2, 2, 0x44, 0x32, false);

TEST(KifuList, VariationText) {
  const struct {
    std::vector<MoveCode> pv;
    const char* text;
  } cases[] = {
      {{PAWN_76, PAWN_34, BISHOP_22, SILVER_22}, "▲７六歩△３四歩▲２二角成△同　銀"},
      // A pass, then the end at two non-moves.
      {{PAWN_76, NULL_MOVE_CODE, PAWN_26, NULL_MOVE_CODE, NULL_MOVE_CODE, PAWN_34}, "▲７六歩～▲２六歩"},
      {{PAWN_34, PAWN_76}, ""},  // a variation that doesn't fit ends
  };
  for (const auto& [pv, expected] : cases) {
    SjisString text("left over");
    FormatPvText(KifuPosition(), pv, 0, 0, text);
    EXPECT_STREQ(text.Text(), expected);
  }
}

// Pawns 7六, 3四, 2六 and, as the selected variation, 2六, 3四, 7六 merged
// into the first line's position. The first move shows its reading on the
// next move's line; the second has a comment with text behind a tag, the
// third only tags, and a stored reading text with the book marker.
TEST(KifuList, RefreshSendsTheSelectedLine) {
  Kifu kifu;
  KifuPlayLine(kifu, kifu.StartNode(), {{7, 7, 7, 6}, {3, 3, 3, 4}, {2, 7, 2, 6}});
  KifuMoveNode* third = KifuPlayLine(kifu, kifu.StartNode(), {{2, 7, 2, 6}, {3, 3, 3, 4}, {7, 7, 7, 6}});
  KifuMoveNode* second = third->leftNode->incoming.Selected();
  KifuMoveNode* first = second->leftNode->incoming.Selected();
  ASSERT_EQ(third->reachedNode->incoming.Count(), 2);
  first->consumedTime = 5;
  second->consumedTime = 7;
  third->consumedTime = 9;
  first->thinkResult.pv = {PAWN_34, PAWN_76};
  first->thinkResult.shownWithNextMove = 1;
  first->thinkResult.value = -50;
  first->thinkResult.status = 5;
  first->thinkResult.annotation = 1;
  second->thinkResult.pv = {PAWN_34, PAWN_76};
  second->thinkResult.value = 77;
  second->thinkResult.annotation = 2;
  second->comment.Assign("#12 word");
  third->comment.Assign("#12 [test] ");
  third->thinkResult.pvText.Assign("読み筋");
  third->thinkResult.status = 1;
  third->thinkResult.value = 300;
  kifu.Root()->thinkResult.value = 999;  // the start line shows 0

  KifuListLog log;
  kifu.SetObserver(&log);
  const std::string start = "Line 0|== 対局開始 ==|||0|0|-1";
  // The first move's reading waits for the second line, played from the
  // position after the first move: the start line's empty one and value
  // stand on the first line.
  const std::string firstShownLater = "Line 1|1：▲２六歩|好手||0|2|5";
  const std::string secondShowsFirst = "Line 2|2：△３四歩|疑問手|△３四歩▲７六歩(詰み)|-50|1|7";
  const std::string thirdLine = "Line 3|3：▲７六歩||読み筋(定跡)|300|4|9";
  EXPECT_EQ(log.Take(), (std::vector<std::string>{"Get", "Begin", "Current 0", "Truncate 0", start, firstShownLater,
                                                  secondShowsFirst, thirdLine, "End"}));

  // Each move shows its own reading, played from the position before it.
  first->thinkResult.shownWithNextMove = 0;
  first->thinkResult.pv = {PAWN_26, PAWN_34};
  kifu.RefreshList(1);
  EXPECT_EQ(log.Take(),
            (std::vector<std::string>{
                "Get", "Begin", "Current 1", "Truncate 1", "Line 1|1：▲２六歩|好手|▲２六歩△３四歩(詰み)|-50|2|5",
                "Line 2|2：△３四歩|疑問手|△３四歩▲７六歩|77|1|7", thirdLine, "End", "Current 0"}));

  kifu.SetDisplayPly(1);
  log.SetCurrent(3);
  log.Take();
  kifu.RefreshList(0);
  EXPECT_EQ(log.Take(false), (std::vector<std::string>{"Get", "Begin", "Current 0", "Truncate 0", "Line 0", "Line 1",
                                                       "End", "Current 3"}));
  kifu.RefreshList(2);  // past the display ply: nothing to send
  EXPECT_EQ(log.Take(false), (std::vector<std::string>{"Get", "Begin", "Current 2", "Truncate 2", "End", "Current 3"}));
  kifu.SetDisplayPly(-1);
  kifu.RefreshList(4);  // past the line's end
  EXPECT_EQ(log.Take(false), (std::vector<std::string>{"Get", "Begin", "End", "Current 3"}));
}

TEST(KifuList, AnnotationAndMarkerTexts) {
  const char* const labels[] = {"", "好手", "疑問手", "悪手", "逸機", "", ""};
  for (int code = 0; code <= 5; ++code) {
    SjisString label("left over");
    AnnotationLabel(code, label);
    EXPECT_STREQ(label.Text(), labels[code]) << code;
    EXPECT_EQ(AnnotationCode(SjisString(labels[code])), code <= 4 ? code : 0) << code;
  }
  SjisString label("left over");
  AnnotationLabel(-1, label);
  EXPECT_STREQ(label.Text(), "");
  EXPECT_EQ(AnnotationCode(SjisString("悪手 ")), 0) << "the comparison is exact";
  const std::pair<int, const char*> markers[] = {{0, ""}, {1, "(定跡)"}, {2, ""}, {5, "(詰み)"}, {6, ""}};
  for (const auto& [code, text] : markers) {
    SjisString marker("left over");
    MarkerLabel(code, marker);
    EXPECT_STREQ(marker.Text(), text) << code;
  }
}

// A move matches an engine code by its squares and promotion only.
TEST(KifuList, MovesAgainstTheVariationAndThePredictedReply) {
  const KifuMove pawn76 = KifuOrdinaryMove(7, 7, 7, 6, KIFU_PAWN, 0);
  const KifuMove bishop22 = KifuOrdinaryMove(8, 8, 2, 2, KIFU_BISHOP, KIFU_BISHOP + KIFU_SECOND_PLAYER_BIT);
  const KifuMove bishop22Promoted = KifuOrdinaryMove(8, 8, 2, 2, KIFU_BISHOP, KIFU_BISHOP + KIFU_SECOND_PLAYER_BIT, 1);
  ThinkResult result;
  EXPECT_FALSE(PvStartsWith(pawn76, result)) << "an empty variation";
  result.pv = {PAWN_76, PAWN_34};
  result.predictedReply = BISHOP_22;
  EXPECT_TRUE(PvStartsWith(pawn76, result));
  EXPECT_FALSE(PvStartsWith(KifuOrdinaryMove(7, 7, 7, 5, KIFU_PAWN, 0), result));
  EXPECT_FALSE(PvStartsWith(KifuOrdinaryMove(3, 3, 3, 4, KIFU_PAWN, 0), result)) << "only the first entry counts";
  EXPECT_TRUE(IsPredictedMove(bishop22Promoted, result));
  EXPECT_FALSE(IsPredictedMove(bishop22, result));
  EXPECT_FALSE(IsPredictedMove(pawn76, result));
  result.predictedReply = NULL_MOVE_CODE;
  EXPECT_FALSE(IsPredictedMove(KifuMove(), result));
}

}  // namespace
