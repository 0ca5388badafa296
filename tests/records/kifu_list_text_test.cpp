// The variation text of the kifu list: a pass and the end of a variation
// that stops fitting the position (what the list shows of ordinary records
// is pinned by the record signature).
#include <gtest/gtest.h>

#include <vector>

#include "records/kifu_list_text.h"

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

}  // namespace
