// Piece-square tables: the fixed king diagrams, ids without tables of their
// own, and the per-root-move adjustment over random openings (restored byte
// for byte).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <utility>
#include <vector>

#include "engine/eval/piece_square_table.h"
#include "support/engine_oracle.h"
#include "support/eval_params_fill.h"
#include "support/playout.h"
#include "support/position_builder.h"

namespace {

constexpr int kOwnTables[] = {0, 1, 2, 3, 5, 6, 7, 8, 9, 10, 12, 14, 16, 18, 21};

// Checksums of the two king diagrams as printed (the far ranks shared, the
// home ranks of the undecided and the Yagura strategies).
TEST(BasePieceSquare, FixedKingDiagramsStandVerbatim) {
  EXPECT_EQ(Checksum(g_basePieceSquare[0][STAGE_OPENING][ROW_KING]), 225540);
  EXPECT_EQ(Checksum(g_basePieceSquare[1][STAGE_OPENING][ROW_KING]), 197459);
  // Diagram column 1 is file 8: the Yagura king's 8八 is its best home square.
  EXPECT_EQ(BaseSquareValue(SENKEI_I_YAGURA, STAGE_OPENING, KING, 8, 8), 18);
}

// Mended: ids without diagrams (and 23-31) read their family's tables, and
// the unused slots hold those same diagrams.
TEST(PieceSquareTable, IdsWithoutTablesReadTheirFamilysTables) {
  const std::set<int> own(std::begin(kOwnTables), std::end(kOwnTables));
  for (SenkeiId id = 0; id < SENKEI_NAME_COUNT; ++id) {
    const int index = SenkeiBaseIndex(id);
    ASSERT_TRUE(own.count(index)) << id;
    EXPECT_TRUE(!own.count(id) || index == id) << id;
    EXPECT_TRUE(!IsRangingRookSenkei(id) || index == 3 || index == 9) << id;
    EXPECT_TRUE(!IsStaticVsRangingSenkei(id) || index == 5 || index == 7 || index == 8) << id;
    EXPECT_TRUE(id >= BASE_TABLE_COUNT ||
                std::memcmp(g_basePieceSquare[id], g_basePieceSquare[index], sizeof g_basePieceSquare[id]) == 0)
        << id;
  }
  for (SenkeiId id = 23; id <= 30; ++id) EXPECT_EQ(SenkeiBaseIndex(id), 0) << id;  // no strategy: undecided
  EXPECT_EQ(SenkeiBaseIndex(SENKEI_SHIN_YAGURA), 1);
  EXPECT_EQ(SenkeiBaseIndex(SENKEI_MILLENNIUM), 8);
}

TEST(PieceSquareTable, PromotedPiecesShareRowsAndOthersHaveNone) {
  const SenkeiId pair[2] = {SENKEI_I_YAGURA, SENKEI_UNDECIDED};
  BuildEvalTables(STAGE_MIDDLE, pair);
  EXPECT_EQ(TableEntry(g_activePieceSquareTable, 1, 0x40 | DRAGON, 3, 4),
            TableEntry(g_activePieceSquareTable, 1, 0x40 | HORSE, 3, 4));
  for (int type : {PRO_SILVER, PRO_KNIGHT, PRO_LANCE, TOKIN})
    EXPECT_EQ(TableEntry(g_activePieceSquareTable, 0, static_cast<PieceCode>(type), 5, 5),
              TableEntry(g_activePieceSquareTable, 0, GOLD, 5, 5));
  EXPECT_EQ(TableEntry(g_activePieceSquareTable, 0, 19, 5, 5), nullptr);
  EXPECT_EQ(BaseSquareValue(SENKEI_I_YAGURA, STAGE_MIDDLE, 9, 5, 5), 0);
}

bool SameRows(const PieceSquareTable& a, const PieceSquareTable& b, int side) {
  return std::memcmp(a.value[PIECE_ROW_COUNT * side], b.value[PIECE_ROW_COUNT * side],
                     sizeof(int) * PIECE_ROW_COUNT * SQUARE_COUNT) == 0;
}

// Every root move of random openings under every strategy with rules: a
// firing rule saves only the mover's rows under an odd code, and the
// restore gives the table back byte for byte.
TEST(RootMoveAdjustment, ChangesOnlyTheMoversRowsAndRestoresTheTable) {
  constexpr SenkeiId kIds[] = {1, 2, 3, 5, 6, 7, 8, 9, 20, 0};
  constexpr int kGames = 12;  // a fraction of a second even under the sanitizers
  std::set<int> codes;
  PlayoutRandom random{99};
  for (int game = 0; game < kGames; ++game) {
    for (const Position& position : RandomOpeningPositions(1000 + game, 36)) {
      const SenkeiId pair[2] = {kIds[random.Below(10)], kIds[random.Below(10)]};
      const GameStage stage = random.Below(2);
      BuildEvalTables(stage, pair);
      ApplyStrategyToEvalTables(position, stage, pair);
      const PieceSquareTable snapshot = *g_activePieceSquareTable;
      const int mover = position.sideToMove;
      for (const MoveRecord& move : OracleMoves(position)) {
        Position after{};
        OracleApplyMove(position, move, after);
        *g_activePieceSquareTable = snapshot;
        AdjustTablesForMove(after, move, stage, pair[mover]);
        const int code = g_tableModified;
        const PieceSquareTable adjusted = *g_activePieceSquareTable;
        RestoreEvalTableSide(mover);
        ASSERT_EQ(std::memcmp(g_activePieceSquareTable, &snapshot, sizeof snapshot), 0);
        ASSERT_EQ(g_tableModified, 0);
        if (code == 0) continue;
        codes.insert(code);
        ASSERT_EQ(code % 2, 1);
        ASSERT_TRUE(SameRows(adjusted, snapshot, 1 - mover));
      }
    }
  }
  EXPECT_GE(codes.size(), 14u);
}

// Mended: the rows go back to the side that was saved, whatever side the
// caller names; with nothing saved a restore changes nothing.
TEST(RootMoveAdjustment, RestoreGoesToTheSavedSide) {
  Position position = StartPosition();
  const SenkeiId pair[2] = {SENKEI_UNDECIDED, SENKEI_SHIKEN_MINO};
  BuildEvalTables(STAGE_OPENING, pair);
  ApplyStrategyToEvalTables(position, STAGE_OPENING, pair);
  const PieceSquareTable before = *g_activePieceSquareTable;
  RestoreEvalTableSide(0);
  EXPECT_EQ(std::memcmp(g_activePieceSquareTable, &before, sizeof before), 0);

  // Side 1's rook swings from its 2八 (8二) to 4二 (its 6八).
  position.sideToMove = 1;
  position.board[5][2] = position.board[6][2] = position.board[7][2] = EMPTY_PIECE_ID;  // clear the rank
  OracleRecount(position);
  const MoveRecord move = MoveOn(position, 8, 2, 4, 2);
  Position after{};
  OracleApplyMove(position, move, after);
  AdjustTablesForMove(after, move, STAGE_OPENING, SENKEI_SHIKEN_MINO);
  ASSERT_EQ(g_tableModified, 1);
  EXPECT_EQ(g_activePieceSquareTable->At(ROW_GOLD, 1, 7, 2) - before.At(ROW_GOLD, 1, 7, 2), 35);  // its 3八
  // The whole swing, squares seen from side 1: the castle may move up again.
  const struct {
    int row, fromFile, toFile, rank, amount;
  } swing[] = {{ROW_GOLD, 3, 7, 8, 35},   {ROW_GOLD, 2, 6, 7, 20}, {ROW_SILVER, 3, 5, 8, 35}, {ROW_SILVER, 2, 5, 7, 20},
               {ROW_GOLD, 1, 9, 4, 40},   {ROW_SILVER, 1, 9, 1, 40}, {ROW_KING, 3, 7, 8, 40}, {ROW_KING, 3, 3, 9, 20},
               {ROW_LANCE, 9, 9, 8, 8}};
  for (const auto& w : swing) {
    for (int file = w.fromFile; file <= w.toFile; ++file) {
      EXPECT_EQ(g_activePieceSquareTable->At(w.row, 1, 10 - file, 10 - w.rank) -
                    before.At(w.row, 1, 10 - file, 10 - w.rank),
                w.amount)
          << "row " << w.row << " " << file << w.rank;
    }
  }
  RestoreEvalTableSide(0);
  EXPECT_EQ(std::memcmp(g_activePieceSquareTable, &before, sizeof before), 0);
}

// A root-move case for the mover `side`: the case's pieces (written for
// side 0, turned for side 1), the mover's king on 9九 unless placed and the
// enemy king on 5一, and the tables built with the mover's id.
Position MoverPosition(std::vector<PlacedPiece> pieces, int side, SenkeiId id) {
  const bool ownKing = std::any_of(pieces.begin(), pieces.end(), [](const PlacedPiece& p) { return p.type == KING; });
  if (!ownKing) pieces.push_back({0, KING, 9, 9});
  pieces.push_back({1, KING, 5, 1});
  const Position home = BuildPosition(0, pieces);
  const SenkeiId pair[2] = {side == 0 ? id : SENKEI_UNDECIDED, side == 0 ? SENKEI_UNDECIDED : id};
  BuildEvalTables(STAGE_OPENING, pair);
  return side == 0 ? home : TurnedPosition(home);
}

// Makes the move (squares seen from the mover) and adjusts the tables for it.
void AdjustForMove(const Position& before, int side, int fromFile, int fromRank, int toFile, int toRank, SenkeiId id) {
  const MoveRecord move = MoveOn(before, RelativeFile(side, fromFile), RelativeRank(side, fromRank),
                                 RelativeFile(side, toFile), RelativeRank(side, toRank));
  Position after{};
  OracleApplyMove(before, move, after);
  AdjustTablesForMove(after, move, STAGE_OPENING, id);
}

// One root move per rule: the code it saves under and the changes of the
// mover's rows at squares seen from the mover (`set`: the value itself),
// worked from each rule's sentence; played by side 0 and turned for side 1.
TEST(RootMoveAdjustment, EachRuleChangesItsSquares) {
  struct Change {
    int type, file, rank, amount;
    bool set = false;
  };
  const struct Case {
    const char* what;
    SenkeiId id;
    std::vector<PlacedPiece> pieces;
    int fromFile, fromRank, toFile, toRank;
    int code;
    std::vector<Change> changes;
  } cases[] = {
      {"居矢倉 bishop 5九-2六", SENKEI_I_YAGURA, {{0, BISHOP, 5, 9}}, 5, 9, 2, 6, 15,
       {{KNIGHT, 3, 7, 30}, {KNIGHT, 4, 5, 30}, {KNIGHT, 2, 5, 30}, {ROOK, 4, 5, 0, true}, {ROOK, 4, 6, 0, true},
        {ROOK, 4, 7, 0, true}, {ROOK, 4, 8, 0, true}, {ROOK, 4, 9, 0}}},
      {"居矢倉 bishop 4八-2六 keeps the rook", SENKEI_I_YAGURA, {{0, BISHOP, 4, 8}}, 4, 8, 2, 6, 15,
       {{KNIGHT, 3, 7, 30}, {KNIGHT, 2, 5, 30}, {ROOK, 4, 6, 0}}},
      {"居矢倉 bishop 5九-3七 is no rule", SENKEI_I_YAGURA, {{0, BISHOP, 5, 9}}, 5, 9, 3, 7, 0, {}},
      {"居矢倉 bishop leaves 7九", SENKEI_I_YAGURA,
       {{0, BISHOP, 7, 9}, {0, SILVER, 3, 7}, {0, KING, 6, 9}, {0, PAWN, 3, 6}}, 7, 9, 6, 8, 17,
       {{BISHOP, 3, 5, -17}, {BISHOP, 4, 6, -17}, {BISHOP, 5, 7, -17}, {PAWN, 3, 6, 5}}},
      {"居矢倉 bishop leaves 7九, no pawn on 3六", SENKEI_I_YAGURA,
       {{0, BISHOP, 7, 9}, {0, SILVER, 3, 7}, {0, KING, 6, 9}}, 7, 9, 8, 8, 17,
       {{BISHOP, 4, 6, -17}, {PAWN, 3, 6, 0}}},
      {"居矢倉 bishop leaves 7九, king not on 6九", SENKEI_I_YAGURA,
       {{0, BISHOP, 7, 9}, {0, SILVER, 3, 7}, {0, KING, 5, 9}}, 7, 9, 6, 8, 0, {}},
      {"四間美濃 silver 3八-4七", SENKEI_SHIKEN_MINO, {{0, SILVER, 3, 8}}, 3, 8, 4, 7, 29, {{SILVER, 4, 7, -20}}},
      {"四間美濃 silver 3八-3七", SENKEI_SHIKEN_MINO, {{0, SILVER, 3, 8}}, 3, 8, 3, 7, 29, {{SILVER, 3, 7, -20}}},
      {"四間美濃 gold 3八-4八", SENKEI_SHIKEN_MINO, {{0, GOLD, 3, 8}}, 3, 8, 4, 8, 33,
       {{GOLD, 5, 8, -15}, {GOLD, 4, 8, 0}}},
      {"四間美濃 gold 3八-4七", SENKEI_SHIKEN_MINO, {{0, GOLD, 3, 8}}, 3, 8, 4, 7, 31, {{GOLD, 4, 7, -28}}},
      {"四間美濃 silver 5六-6七", SENKEI_SHIKEN_MINO, {{0, SILVER, 5, 6}}, 5, 6, 6, 7, 35, {{SILVER, 6, 7, -10}}},
      {"相振金無双 pawn 8五-8四 on the rook's file", SENKEI_AI_FURI_KIN_MUSO,
       {{0, ROOK, 8, 8}, {0, PAWN, 8, 5}, {1, PAWN, 8, 3}}, 8, 5, 8, 4, 43, {{PAWN, 8, 4, -15}, {PAWN, 8, 5, -15}}},
      // The first rook piece is the enemy's: the mover's rook is the second.
      {"相振金無双 pawn 6五-6四, the second rook", SENKEI_AI_FURI_KIN_MUSO,
       {{1, ROOK, 2, 2}, {0, ROOK, 6, 8}, {0, PAWN, 6, 5}, {1, PAWN, 6, 3}}, 6, 5, 6, 4, 43,
       {{PAWN, 6, 4, -15}, {PAWN, 6, 5, -15}}},
      {"相振金無双 rook file 9 is too far", SENKEI_AI_FURI_KIN_MUSO,
       {{0, ROOK, 9, 8}, {0, PAWN, 9, 5}, {1, PAWN, 9, 3}}, 9, 5, 9, 4, 0, {}},
      {"相振金無双 no enemy pawn ahead", SENKEI_AI_FURI_KIN_MUSO, {{0, ROOK, 7, 8}, {0, PAWN, 7, 5}}, 7, 5, 7, 4, 0, {}},
      {"相振金無双 pawn off the rook's file", SENKEI_AI_FURI_KIN_MUSO,
       {{0, ROOK, 8, 8}, {0, PAWN, 7, 5}, {1, PAWN, 7, 3}}, 7, 5, 7, 4, 0, {}},
  };
  for (const Case& c : cases) {
    for (int side = 0; side < 2; ++side) {
      const Position before = MoverPosition(c.pieces, side, c.id);
      const PieceSquareTable plain = *g_activePieceSquareTable;
      AdjustForMove(before, side, c.fromFile, c.fromRank, c.toFile, c.toRank, c.id);
      EXPECT_EQ(g_tableModified, c.code) << c.what << " side " << side;
      for (const Change& change : c.changes) {
        const int row = g_pieceSquareRow[change.type];
        const int file = RelativeFile(side, change.file), rank = RelativeRank(side, change.rank);
        const int got = g_activePieceSquareTable->At(row, side, file, rank) - (change.set ? 0 : plain.At(row, side, file, rank));
        EXPECT_EQ(got, change.amount) << c.what << " side " << side << " type " << change.type << " " << change.file
                                      << change.rank;
      }
      if (c.changes.empty()) {
        EXPECT_EQ(std::memcmp(g_activePieceSquareTable, &plain, sizeof plain), 0) << c.what;
      }
      RestoreEvalTableSide(side);
      EXPECT_EQ(std::memcmp(g_activePieceSquareTable, &plain, sizeof plain), 0) << c.what << " side " << side;
    }
  }
}

// Every rule family of the root-move adjustment against the whole table:
// the entries a rule names change by its amounts, every other entry of
// both sides stays. `preset` gives the mover's gold 3八 before the move
// (the swing rules read it; 0 leaves the built value).
TEST(RootMoveAdjustment, RulesTouchOnlyTheirSquares) {
  struct Change {
    int type, file, rank, amount;
  };
  const auto each = [](int type, std::vector<std::pair<int, int>> squares, int amount) {
    std::vector<Change> changes;
    for (const auto& [file, rank] : squares) changes.push_back({type, file, rank, amount});
    return changes;
  };
  const auto join = [](std::vector<std::vector<Change>> parts) {
    std::vector<Change> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
  };
  std::vector<Change> ranks1to6;
  for (int file = 1; file <= 9; ++file)
    for (int rank = 1; rank <= 6; ++rank) {
      ranks1to6.push_back({GOLD, file, rank, 40});
      ranks1to6.push_back({SILVER, file, rank, 40});
    }
  const std::vector<Change> rangingSwing = join(
      {each(GOLD, {{7, 8}, {6, 8}, {5, 8}, {4, 8}, {3, 8}}, 35), each(GOLD, {{2, 7}, {3, 7}, {4, 7}, {5, 7}, {6, 7}}, 20),
       each(SILVER, {{3, 8}, {4, 8}, {5, 8}}, 35), each(SILVER, {{2, 7}, {3, 7}, {4, 7}, {5, 7}}, 20), ranks1to6,
       each(KING, {{7, 8}, {6, 8}, {5, 8}, {4, 8}, {3, 8}}, 40), {{KING, 3, 9, 20}, {LANCE, 9, 8, 8}}});
  const std::vector<Change> twinGoldSwing =
      join({each(GOLD, {{3, 8}, {4, 8}, {5, 8}}, 50), each(SILVER, {{2, 8}, {3, 8}, {4, 8}, {5, 8}}, 50),
            each(KING, {{5, 8}, {4, 8}}, 50)});
  const std::vector<Change> pawnsOfFile2 = {{PAWN, 2, 5, -5}, {PAWN, 2, 6, -20}, {PAWN, 2, 7, -27}};
  const struct Case {
    const char* what;
    SenkeiId id;
    std::vector<PlacedPiece> pieces;
    int preset;
    int fromFile, fromRank, toFile, toRank;
    int code;
    std::vector<Change> changes;
  } cases[] = {
      {"対振り edge pawn under the bishop on 3三", SENKEI_FUNA_KYUSEN, {{0, PAWN, 1, 7}, {1, BISHOP, 3, 3}}, 0,
       1, 7, 1, 6, 7, {{KNIGHT, 3, 7, 10}}},
      {"対振り edge pawn under the bishop on 4二", SENKEI_GYOKUTO_KURAIDORI, {{0, PAWN, 1, 7}, {1, BISHOP, 4, 2}}, 0,
       1, 7, 1, 6, 7, {{KNIGHT, 3, 7, 10}}},
      {"対振り bishop on 4二 blocked on 3三", SENKEI_HIDARI_MINO,
       {{0, PAWN, 1, 7}, {1, BISHOP, 4, 2}, {1, PAWN, 3, 3}}, 0, 1, 7, 1, 6, 0, {}},
      {"対振り gold 5八-6八, king 5九", SENKEI_IBI_ANAGUMA, {{0, GOLD, 5, 8}, {0, KING, 5, 9}}, 0, 5, 8, 6, 8, 9,
       {{GOLD, 6, 8, -25}}},
      {"対振り gold 5八-6八, king 4九", SENKEI_IBI_ANAGUMA, {{0, GOLD, 5, 8}, {0, KING, 4, 9}}, 0, 5, 8, 6, 8, 0, {}},
      {"対振り pawn 2六-2五 with the rook", SENKEI_FUNA_KYUSEN, {{0, PAWN, 2, 6}, {0, ROOK, 2, 8}}, 0, 2, 6, 2, 5,
       11, {{PAWN, 2, 5, 5}}},
      {"対振り gold 7八-6七", SENKEI_HIDARI_MINO, {{0, GOLD, 7, 8}}, 0, 7, 8, 6, 7, 13, {{GOLD, 6, 7, -20}}},
      {"舟囲い急戦 pawn 3七-3六", SENKEI_FUNA_KYUSEN, {{0, PAWN, 3, 7}}, 0, 3, 7, 3, 6, 37, {{PAWN, 3, 7, -8}}},
      {"ひだり美濃 silver 7八-6七", SENKEI_HIDARI_MINO, {{0, SILVER, 7, 8}}, 0, 7, 8, 6, 7, 45, {{SILVER, 6, 7, -20}}},
      {"ひだり美濃 silver 7八-7七", SENKEI_HIDARI_MINO, {{0, SILVER, 7, 8}}, 0, 7, 8, 7, 7, 45, {{SILVER, 7, 7, -20}}},
      {"いびあな gold 7八-7九", SENKEI_IBI_ANAGUMA, {{0, GOLD, 7, 8}, {0, KING, 8, 8}}, 0, 7, 8, 7, 9, 47,
       {{GOLD, 7, 9, -35}}},
      {"いびあな gold 7八-7九 with the king in", SENKEI_IBI_ANAGUMA, {{0, GOLD, 7, 8}, {0, KING, 9, 9}}, 0, 7, 8, 7,
       9, 0, {}},
      {"振り飛車 rook swings to 5八", SENKEI_SEME_MUKAIBISHA, {{0, ROOK, 2, 8}}, -11, 2, 8, 5, 8, 1, rangingSwing},
      {"振り飛車 rook swings to 9八", SENKEI_FURI_ANAGUMA, {{0, ROOK, 2, 8}}, -11, 2, 8, 9, 8, 1, rangingSwing},
      {"振り飛車 swing with the gold at -10", SENKEI_SEME_MUKAIBISHA, {{0, ROOK, 2, 8}}, -10, 2, 8, 5, 8, 0, {}},
      {"振り飛車 rook to 4八 is no swing", SENKEI_SEME_MUKAIBISHA, {{0, ROOK, 2, 8}}, -11, 2, 8, 4, 8, 0, {}},
      {"振り飛車 5八-4八 with the king on 5九", SENKEI_SUJICHIGAI_KAKU, {{0, SILVER, 5, 8}, {0, KING, 5, 9}}, 0, 5,
       8, 4, 8, 3, {{GOLD, 4, 8, -25}}},
      {"振り飛車 5八-6七 is no rule", SENKEI_SUJICHIGAI_KAKU, {{0, SILVER, 5, 8}, {0, KING, 5, 9}}, 0, 5, 8, 6, 7, 0, {}},
      {"振り飛車 3八-4八 is no rule", SENKEI_SUJICHIGAI_KAKU, {{0, GOLD, 3, 8}, {0, KING, 5, 9}}, 0, 3, 8, 4, 8, 0, {}},
      {"振り飛車 5八-4八 with the king on 6九", SENKEI_SUJICHIGAI_KAKU, {{0, GOLD, 5, 8}, {0, KING, 6, 9}}, 0, 5, 8, 4,
       8, 0, {}},
      {"四間美濃 gold 4九-5八", SENKEI_SHIKEN_MINO, {{0, GOLD, 4, 9}}, 0, 4, 9, 5, 8, 31, {{GOLD, 5, 8, -28}}},
      {"四間美濃 gold 4九-4八", SENKEI_SHIKEN_MINO, {{0, GOLD, 4, 9}}, 0, 4, 9, 4, 8, 31, {{GOLD, 4, 8, -28}}},
      // The enemy bishop sees 6六 down an open diagonal; file 6 has no enemy pawn.
      {"居矢倉 pawn 2七-2六 under the bishop on 6六", SENKEI_I_YAGURA,
       {{0, PAWN, 2, 7}, {0, ROOK, 2, 8}, {1, BISHOP, 2, 2}}, 0, 2, 7, 2, 6, 19, pawnsOfFile2},
      {"居矢倉 pawn 2六-2五, bishop on 2二 facing the silver on 4四", SENKEI_I_YAGURA,
       {{0, PAWN, 2, 6}, {0, ROOK, 2, 8}, {1, BISHOP, 2, 2}, {0, SILVER, 4, 4}, {1, PAWN, 6, 3}}, 0, 2, 6, 2, 5, 19,
       pawnsOfFile2},
      {"居矢倉 pawn 2七-2六, file 6 pawn at home", SENKEI_I_YAGURA,
       {{0, PAWN, 2, 7}, {0, ROOK, 2, 8}, {1, BISHOP, 2, 2}, {1, PAWN, 6, 3}}, 0, 2, 7, 2, 6, 0, {}},
      {"居矢倉 then 角換わり's gold 7八-6七", SENKEI_I_YAGURA, {{0, GOLD, 7, 8}}, 0, 7, 8, 6, 7, 21,
       {{GOLD, 6, 7, -15}}},
      {"角換わり gold 7八-6八", SENKEI_KAKU_GAWARI, {{0, GOLD, 7, 8}}, 0, 7, 8, 6, 8, 21, {{GOLD, 6, 8, -15}}},
      {"角換わり gold 6九-5八", SENKEI_KAKU_GAWARI, {{0, GOLD, 6, 9}}, 0, 6, 9, 5, 8, 21, {{GOLD, 5, 8, -15}}},
      {"角換わり gold 4九-5八, alone on 6七", SENKEI_KAKU_GAWARI, {{0, GOLD, 4, 9}}, 0, 4, 9, 5, 8, 25,
       {{GOLD, 6, 7, 8}}},
      {"角換わり gold 4九-5八, 6七 held twice", SENKEI_KAKU_GAWARI, {{0, GOLD, 4, 9}, {0, GOLD, 7, 8}}, 0, 4, 9, 5, 8,
       0, {}},
      {"角換わり king 6九-6八", SENKEI_KAKU_GAWARI, {{0, KING, 6, 9}}, 0, 6, 9, 6, 8, 27, {{KING, 6, 8, -20}}},
      {"相振金無双 rook swings to 7八", SENKEI_AI_FURI_KIN_MUSO, {{0, ROOK, 2, 8}}, -31, 2, 8, 7, 8, 39, twinGoldSwing},
      {"相振金無双 swing with the gold at -30", SENKEI_AI_FURI_KIN_MUSO, {{0, ROOK, 2, 8}}, -30, 2, 8, 7, 8, 0, {}},
      {"相振金無双 gold 4九-5八", SENKEI_AI_FURI_KIN_MUSO, {{0, GOLD, 4, 9}}, 0, 4, 9, 5, 8, 41, {{GOLD, 5, 8, -20}}},
  };
  for (const Case& c : cases) {
    for (int side = 0; side < 2; ++side) {
      const Position before = MoverPosition(c.pieces, side, c.id);
      if (c.preset != 0) g_activePieceSquareTable->At(ROW_GOLD, side, RelativeFile(side, 3), RelativeRank(side, 8)) = c.preset;
      const PieceSquareTable plain = *g_activePieceSquareTable;
      PieceSquareTable expected = plain;
      for (const Change& change : c.changes)
        expected.At(g_pieceSquareRow[change.type], side, RelativeFile(side, change.file), RelativeRank(side, change.rank)) +=
            change.amount;
      AdjustForMove(before, side, c.fromFile, c.fromRank, c.toFile, c.toRank, c.id);
      EXPECT_EQ(g_tableModified, c.code) << c.what << " side " << side;
      for (int row = 0; row < 2 * PIECE_ROW_COUNT; ++row)
        for (int file = 1; file <= 9; ++file)
          for (int rank = 1; rank <= 9; ++rank)
            EXPECT_EQ(g_activePieceSquareTable->value[row][SquareIndex(file, rank)],
                      expected.value[row][SquareIndex(file, rank)])
                << c.what << " side " << side << ": row " << row << " at " << file << rank;
      RestoreEvalTableSide(side);
    }
  }
}

// A quiet move that leaves a castle square: value tests for golds, kings,
// silvers going back and knights to rank 7; the Yagura's silver rules.
TEST(WeakensFormation, CastleLooseningMoves) {
  const struct Case {
    SenkeiId id;
    std::vector<PlacedPiece> pieces;
    int fromFile, fromRank, toFile, toRank;
    bool expected;
  } cases[] = {
      {SENKEI_I_YAGURA, {{0, GOLD, 7, 8}}, 7, 8, 6, 7, false},   // the Yagura gold to 6七 is fine
      {SENKEI_I_YAGURA, {{0, KING, 8, 8}}, 8, 8, 7, 7, true},    // the king leaving 8八
      {SENKEI_I_YAGURA, {{0, SILVER, 7, 7}}, 7, 7, 7, 6, true},  // no pawn on 7五
      {SENKEI_I_YAGURA, {{0, SILVER, 7, 7}, {0, PAWN, 7, 5}}, 7, 7, 7, 6, false},
      {SENKEI_I_YAGURA, {{0, SILVER, 4, 8}}, 4, 8, 4, 9, true},  // back rank, no value test
      {SENKEI_UNDECIDED, {{0, SILVER, 4, 8}}, 4, 8, 5, 7, false},
      {SENKEI_IBI_ANAGUMA, {{0, KING, 9, 9}}, 9, 9, 8, 8, true},
      {SENKEI_IBI_ANAGUMA, {{0, ROOK, 2, 8}}, 2, 8, 2, 9, false},
  };
  for (const Case& c : cases) {
    const SenkeiId pair[2] = {c.id, SENKEI_UNDECIDED};
    for (int side = 0; side < 2; ++side) {
      const Position before =
          side == 0 ? BuildPosition(0, c.pieces) : TurnedPosition(BuildPosition(0, c.pieces));
      const SenkeiId sidePair[2] = {pair[side], pair[1 - side]};
      BuildEvalTables(STAGE_OPENING, sidePair);
      const MoveRecord move = MoveOn(before, RelativeFile(side, c.fromFile), RelativeRank(side, c.fromRank),
                                     RelativeFile(side, c.toFile), RelativeRank(side, c.toRank));
      Position after{};
      OracleApplyMove(before, move, after);
      EXPECT_EQ(WeakensFormation(after, move, sidePair), c.expected)
          << c.id << " " << c.fromFile << c.fromRank << "-" << c.toFile << c.toRank << " side " << side;
    }
  }
}

}  // namespace
