// The move oracle on its own, on the rules random games seldom reach: the
// pawn-drop mate, two pawns beside a tokin, drops and moves into dead ends.
// (Its legal moves equal the record rules' over random games in the bridge
// test; its move records and copy-apply equal MakeMove in the walk tests.)
#include <algorithm>
#include <vector>

#include <gtest/gtest.h>

#include "engine/board/position.h"
#include "support/engine_oracle.h"
#include "support/position_builder.h"

namespace {

// Moves from (fromFile, fromRank) to (toFile, toRank); a drop of type t is
// asked for as from (0, t). Count is how many the oracle must give (two
// when it may promote or not).
struct Query {
  int fromFile, fromRank, toFile, toRank, count;
};

int CountMoves(const std::vector<MoveRecord>& moves, const Query& query) {
  return static_cast<int>(std::count_if(moves.begin(), moves.end(), [&](const MoveRecord& move) {
    const bool sameFrom = query.fromFile == 0
                              ? move.IsDrop() && BaseTypeOf(move.pieceCode) == query.fromRank
                              : move.fromFile == query.fromFile && move.fromRank == query.fromRank;
    return sameFrom && move.toFile == query.toFile && move.toRank == query.toRank;
  }));
}

TEST(OracleRules, DropsPromotionsAndKingSafety) {
  const struct {
    const char* what;
    int side;
    std::vector<PlacedPiece> pieces;
    std::vector<HandPieces> hand;
    std::vector<Query> queries;
  } cases[] = {
      {"two pawns on a file: a tokin and the enemy's pawn do not count", 0,
       {{0, KING, 5, 9}, {1, KING, 5, 1}, {0, PAWN, 7, 7}, {0, TOKIN, 3, 4}, {1, PAWN, 2, 3}}, {{0, PAWN, 1}},
       {{0, PAWN, 7, 5, 0}, {0, PAWN, 3, 5, 1}, {0, PAWN, 2, 5, 1}}},
      {"a pawn drop may not mate, a lance drop may", 0,
       {{0, KING, 5, 9}, {1, KING, 1, 1}, {1, KNIGHT, 2, 1}, {0, GOLD, 2, 3}}, {{0, PAWN, 1}, {0, LANCE, 1}},
       {{0, PAWN, 1, 2, 0}, {0, PAWN, 1, 3, 1}, {0, LANCE, 1, 2, 1}}},
      {"a pawn drop check the king can take is no mate", 0,
       {{0, KING, 5, 9}, {1, KING, 1, 1}, {1, KNIGHT, 2, 1}}, {{0, PAWN, 1}}, {{0, PAWN, 1, 2, 1}}},
      {"no drop where the piece could never move", 0, {{0, KING, 5, 9}, {1, KING, 5, 1}},
       {{0, PAWN, 1}, {0, LANCE, 1}, {0, KNIGHT, 1}},
       {{0, PAWN, 4, 1, 0}, {0, LANCE, 4, 1, 0}, {0, LANCE, 4, 2, 1}, {0, KNIGHT, 4, 2, 0}, {0, KNIGHT, 4, 3, 1}}},
      {"promotion where the piece may, forced where it could never move again", 0,
       {{0, KING, 5, 9}, {1, KING, 9, 5}, {0, PAWN, 5, 2}, {0, PAWN, 4, 4}, {0, KNIGHT, 7, 4}, {0, KNIGHT, 2, 5},
        {0, LANCE, 1, 4}, {0, SILVER, 9, 3}, {0, GOLD, 6, 3}, {0, ROOK, 3, 6}},
       {},
       {{5, 2, 5, 1, 1}, {4, 4, 4, 3, 2}, {7, 4, 6, 2, 1}, {2, 5, 1, 3, 2}, {1, 4, 1, 1, 1}, {1, 4, 1, 2, 2},
        {9, 3, 8, 4, 2}, {6, 3, 6, 2, 1}, {3, 6, 3, 5, 1}, {3, 6, 3, 3, 2}}},
  };
  for (const auto& rule : cases) {
    const std::vector<MoveRecord> moves = OracleMoves(BuildPosition(rule.side, rule.pieces, rule.hand));
    for (const Query& query : rule.queries)
      EXPECT_EQ(CountMoves(moves, query), query.count) << rule.what << ": " << query.fromFile << "-" << query.fromRank
                                                        << " to " << query.toFile << "-" << query.toRank;
  }
}

}  // namespace
