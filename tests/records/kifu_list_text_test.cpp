// The kifu list: the observer calls a refresh makes after loading, adding,
// deleting and navigating, the reading and flags of each line, the texts of
// variations, annotations and markers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/kifu_list_observer.h"
#include "records/kifu.h"
#include "records/kifu_list_text.h"
#include "support/kifu_graph_checks.h"

namespace {

// Writes every call down as one line of text.
class RecordingObserver : public KifuListObserver {
 public:
  std::vector<std::string> calls;
  int current = -1;

  void Clear() override { Log("Clear"); }
  void AddLine(int ply, const SjisString& text, const char* annotation, const SjisString& reading, int value,
               int flags, int time) override {
    Log("AddLine", ply, std::string(text.Text()) + " [" + annotation + "] [" + reading.Text() + "] " +
                            std::to_string(value) + " " + std::to_string(flags) + " " + std::to_string(time));
  }
  void RemoveLast() override { Log("RemoveLast"); }
  void TruncateFrom(int ply) override { Log("TruncateFrom", ply); }
  void BeginUpdate() override { Log("BeginUpdate"); }
  void EndUpdate() override { Log("EndUpdate"); }
  void SetCurrent(int ply) override { Log("SetCurrent", ply); }
  void SetMark(int ply, int flags) override { Log("SetMark", ply, std::to_string(flags)); }
  void SetRowValue(int ply, int value) override { Log("SetRowValue", ply, std::to_string(value)); }
  int GetCurrent() override { return Log("GetCurrent"), current; }
  // The calls since the last look.
  std::vector<std::string> Take() { return std::exchange(calls, {}); }

 private:
  void Log(const char* call, int ply = -1, const std::string& rest = "") {
    std::string line(call);
    if (ply >= 0) line.append(" ").append(std::to_string(ply));
    if (!rest.empty()) line.append(" ").append(rest);
    calls.push_back(line);
  }
};

// Engine codes of the first moves: the first player's pieces carry 0x20,
// the second player's 0x40; pawn 7, bishop 2, silver 4.
constexpr MoveCode PAWN_76 = PackMoveCode(7, 7, 7, 6, 0x27, 0, false);
constexpr MoveCode PAWN_34 = PackMoveCode(3, 3, 3, 4, 0x47, 0, false);
constexpr MoveCode PAWN_26 = PackMoveCode(2, 7, 2, 6, 0x27, 0, false);
constexpr MoveCode BISHOP_22 = PackMoveCode(8, 8, 2, 2, 0x22, 0x42, true);
constexpr MoveCode SILVER_22 = PackMoveCode(3, 1, 2, 2, 0x44, 0x32, false);

const std::string START = "AddLine 0 == 対局開始 == [] [] 0 0 -1";

// Adds the move given by squares at ply of the selected line.
KifuMoveNode* Add(Kifu& kifu, int ply, int ff, int fr, int tf, int tr, int time = 0,
                  const MergeChooser& chooser = MergeChooser()) {
  const KifuPosition& at = kifu.MoveAtPly(ply)->reachedNode->position;
  return kifu.AddMove(ply, KifuMoveIn(at, ff, fr, tf, tr), time, nullptr, -1, chooser);
}

}  // namespace

TEST(KifuList, ObserverCallsAfterLoadAddDeleteAndNavigation) {
  using Calls = std::vector<std::string>;
  Kifu kifu;
  Add(kifu, 0, 7, 7, 7, 6, 5);
  Add(kifu, 1, 3, 3, 3, 4, 7);
  Add(kifu, 2, 2, 7, 2, 6, 3);
  kifu.StartNode()->AddMove(KifuMoveIn(KifuPosition(), 2, 7, 2, 6), 0, nullptr, -1, kifu.Table(), MergeChooser(),
                            false);
  RecordingObserver list;
  list.current = 1;
  kifu.SetObserver(&list);
  EXPECT_EQ(list.Take(), (Calls{"GetCurrent", "BeginUpdate", "SetCurrent 0", "TruncateFrom 0", START,
                                "AddLine 1 1：▲７六歩 [] [] 32767 2 5", "AddLine 2 2：△３四歩 [] [] 32767 0 7",
                                "AddLine 3 3：▲２六歩 [] [] 32767 0 3", "EndUpdate", "SetCurrent 1"}));

  // The variation transposes into the main line's position at ply 3.
  kifu.SelectBranch(0, 1, false);
  Add(kifu, 1, 3, 3, 3, 4);
  list.Take();
  Add(kifu, 2, 7, 7, 7, 6, 9, MergeChooser::TakeFirst());
  EXPECT_EQ(list.Take(), (Calls{"GetCurrent", "BeginUpdate", "SetCurrent 2", "TruncateFrom 2",
                                "AddLine 2 2：△３四歩 [] [] 32767 0 0", "AddLine 3 3：▲７六歩 [] [] 32767 4 9",
                                "EndUpdate", "SetCurrent 1"}));

  list.current = -1;
  EXPECT_TRUE(kifu.DeleteBranch(0, 0));
  EXPECT_EQ(list.Take(), (Calls{"GetCurrent", "BeginUpdate", "SetCurrent 0", "TruncateFrom 0", START,
                                "AddLine 1 1：▲２六歩 [] [] 32767 0 0", "AddLine 2 2：△３四歩 [] [] 32767 0 0",
                                "AddLine 3 3：▲７六歩 [] [] 32767 0 9", "EndUpdate"}));

  // Navigation rebuilds only while a display ply is set.
  KifuMoveNode* first = kifu.GoForward(kifu.Root(), 0);
  EXPECT_EQ(list.Take(), (Calls{"SetCurrent 1"}));
  kifu.SetDisplayPly(2);
  EXPECT_EQ(kifu.GoForward(first, 5), first->reachedNode->outgoing.Selected());
  EXPECT_EQ(list.Take(), (Calls{"GetCurrent", "BeginUpdate", "SetCurrent 1", "TruncateFrom 1",
                                "AddLine 1 1：▲２六歩 [] [] 32767 0 0", "AddLine 2 2：△３四歩 [] [] 32767 0 0",
                                "EndUpdate", "SetCurrent 2"}));
  kifu.RefreshList(7);
  EXPECT_EQ(list.Take(), (Calls{"GetCurrent", "BeginUpdate", "EndUpdate"}));
  // A comment marks its line; one differing only by trailing blanks is no change.
  EXPECT_TRUE(kifu.SetComment(1, "手筋  "));
  EXPECT_FALSE(kifu.SetComment(1, "手筋　"));
  EXPECT_EQ(list.Take(), (Calls{"SetMark 1 1"}));

  // A disabled observer hears nothing.
  kifu.EnableNotify(false);
  Add(kifu, 3, 8, 3, 8, 4);
  kifu.SetComment(1, "x");
  kifu.NotifyPly(1);
  kifu.GoBack(first, 0);
  kifu.Reset(HANDICAP_NONE);
  EXPECT_TRUE(list.Take().empty());
}

TEST(KifuList, ReadingsValuesMarkersAndFlags) {
  Kifu kifu;
  KifuMoveNode* first = Add(kifu, 0, 7, 7, 7, 6);
  KifuMoveNode* second = Add(kifu, 1, 3, 3, 3, 4);
  first->thinkResult.pv = {PAWN_76, PAWN_34};
  first->thinkResult.status = MOVE_MARKER_BOOK;
  first->thinkResult.value = 120;
  first->thinkResult.annotation = MOVE_ANNOTATION_DUBIOUS;
  first->comment.Assign("#12 [test] ");
  second->thinkResult.pvText.Assign("stored");
  second->thinkResult.value = -40;
  second->comment.Assign("#12 [\x80]");  // the bracket is closed by no character: text
  RecordingObserver list;
  kifu.SetObserver(&list);
  std::vector<std::string> lines = list.Take();
  EXPECT_EQ(lines[5], "AddLine 1 1：▲７六歩 [疑問手] [▲７六歩△３四歩(定跡)] 120 0 0");
  EXPECT_EQ(lines[6], "AddLine 2 2：△３四歩 [] [stored] -40 1 0");

  // Shown with the next move: the line takes the previous move's reading,
  // played on from the position after it, and its value.
  first->thinkResult.pv = {PAWN_34, PAWN_26};
  second->thinkResult.shownWithNextMove = 1;
  kifu.RefreshList(2);
  lines = list.Take();
  EXPECT_EQ(lines[4], "AddLine 2 2：△３四歩 [] [△３四歩▲２六歩(定跡)] 120 1 0");
}

TEST(KifuList, VariationText) {
  SjisString text;
  FormatPvText(KifuPosition(), {PAWN_76, PAWN_34, BISHOP_22, SILVER_22}, 0, 0, text);
  EXPECT_STREQ(text.Text(), "▲７六歩△３四歩▲２二角成△同　銀");
  FormatPvText(KifuPosition(), {PAWN_76, NULL_MOVE_CODE, PAWN_26, NULL_MOVE_CODE, NULL_MOVE_CODE, PAWN_34}, 0, 0,
               text);
  EXPECT_STREQ(text.Text(), "▲７六歩～▲２六歩") << "a pass, then the end at two non-moves";
  FormatPvText(KifuPosition(), {PAWN_34, PAWN_76}, 0, 0, text);
  EXPECT_STREQ(text.Text(), "") << "a variation that doesn't fit ends";

  const KifuMove pawn = KifuMoveIn(KifuPosition(), 7, 7, 7, 6);
  ThinkResult result;
  EXPECT_FALSE(PvStartsWith(pawn, result));
  result.pv = {PAWN_76};
  result.predictedReply = PAWN_34;
  EXPECT_TRUE(PvStartsWith(pawn, result));
  EXPECT_FALSE(IsPredictedMove(pawn, result));
  EXPECT_TRUE(IsPredictedMove(KifuMoveIn(KifuPosition(), 3, 3, 3, 4), result));
  // Labels read back as their codes; the marker label is bracketed.
  for (int code = MOVE_ANNOTATION_NONE; code <= MOVE_ANNOTATION_MISSED; ++code) {
    AnnotationLabel(code, text);
    EXPECT_EQ(AnnotationCode(text), code);
  }
  MarkerLabel(5, text);
  EXPECT_STREQ(text.Text(), "(詰み)");
}

TEST(KifuList, NotationOfRecordNodes) {
  Kifu kifu;
  Add(kifu, 0, 7, 7, 7, 6);
  Add(kifu, 1, 3, 3, 3, 4);
  Add(kifu, 2, 8, 8, 2, 2);
  EXPECT_STREQ(Add(kifu, 3, 3, 1, 2, 2)->GetNotation().Text(), "△同　銀");
  EXPECT_STREQ(kifu.MoveAtPly(3)->GetNotationStatic().Text(), "▲２二角不成");
}
