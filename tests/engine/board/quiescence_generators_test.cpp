// The quiescence search's generators and helpers against a model of their
// rules: the attackers come from the oracle's recounted attack records, the
// thresholds from a table typed in here, so that each capture the rules
// admit must be listed once and nothing else.
#include <algorithm>
#include <cstring>
#include <optional>
#include <tuple>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "engine/board/capture_generators.h"
#include "engine/board/make_move.h"
#include "engine/board/move_tests.h"
#include "engine/board/static_exchange.h"
#include "engine/eval/eval_params.h"
#include "engine/eval/game_stage.h"
#include "engine/eval/piece_square_table.h"
#include "engine/search/search_globals.h"
#include "support/engine_oracle.h"
#include "support/generator_checks.h"
#include "support/position_builder.h"

namespace {

// A capture passes when worth strictly more than [stage][min(level, 3)].
constexpr int kThreshold[3][4] = {{50, 50, 100, 200}, {100, 100, 250, 400}, {200, 200, 400, 600}};

int ThresholdFor(int level) { return kThreshold[g_gameStage][std::min(level, 3)]; }

// The rules read attackers and defenders from records the oracle counted.
struct ModelBoard {
  const Position& position;
  Position counted;
  int side;

  explicit ModelBoard(const Position& p) : position(p), side(p.sideToMove) {
    std::memcpy(&counted, &p, sizeof counted);
    OracleRecount(counted);
  }
  // Direct attackers of a side on the square, highest PieceId first.
  std::vector<int> Attackers(int owner, int file, int rank) const {
    const SquareAttackRecord& record = *counted.SquareRecord(file, rank);
    const uint64_t set = (uint64_t{record.directSet[owner].high} << 32) | record.directSet[owner].low;
    std::vector<int> ids;
    for (int id = 63; id >= 0; --id)
      if (set >> id & 1) ids.push_back(id);
    return ids;
  }
  bool Defended(int file, int rank) const { return counted.SquareRecord(file, rank)->directCount[side ^ 1] > 0; }
  bool MayPromote(int id, int toRank) const {
    const PieceListEntry& piece = position.pieces[id];
    const int base = BaseTypeOf(piece.code);
    return !IsPromoted(piece.code) && base != GOLD && base != KING &&
           (IsPromotionZone(side, piece.rank) || IsPromotionZone(side, toRank));
  }
  MoveRecord Onto(int id, int file, int rank, bool promote) const {
    const PieceListEntry& piece = position.pieces[id];
    return MoveOn(position, piece.file, piece.rank, file, rank, promote ? 1 : 0);
  }
  MoveRecord Capture(int id, int file, int rank) const { return Onto(id, file, rank, MayPromote(id, rank)); }
  // The exchange for the side to move with `id` first, by the stage's variant.
  int Exchange(int id, int file, int rank) const {
    const int captured = position.IsEmpty(file, rank) ? 0 : position.PieceCodeAt(file, rank) & 0x9f;
    int first = 0;
    return g_gameStage == 0 ? StaticExchangeOpening(position, side, captured, file, rank, id, &first, 0)
                            : StaticExchange(position, side, captured, file, rank, id, &first, 0);
  }
  // A piece's worth on a square: the piece-square entry plus the fixed
  // value in the opening, the king-relative value later.
  int Worth(int owner, int type, int file, int rank) const {
    const int row = g_pieceSquareRow[type];
    return (row < 0 ? 0 : g_activePieceSquareTable->At(row, owner, file, rank)) +
           RootPieceValue(position, owner, type, file, rank, g_gameStage != 0);
  }
  int UndefendedGain(int id, int file, int rank) const {
    const PieceListEntry& mover = position.pieces[id];
    const int type = mover.code & 0x9f;
    const bool majorFromZone = (type == ROOK || type == BISHOP) && IsPromotionZone(side, mover.rank);
    const int moverTerm =
        majorFromZone ? 0
                      : Worth(side, MayPromote(id, rank) ? type | PROMOTED_BIT : type, file, rank) -
                            Worth(side, type, mover.file, mover.rank);
    const PieceCode taken = position.PieceCodeAt(file, rank);
    const int base = BaseTypeOf(taken);
    return moverTerm + RootHandValue(base, position.hand[side][base - 1]) + Worth(side ^ 1, taken & 0x9f, file, rank);
  }
  bool HoldsEnemyKing(int file, int rank) const {
    return IsOnBoard(file, rank) && position.board[file][rank] == (side ^ 1);
  }
};

std::vector<MoveRecord> ModelCaptures(const Position& position, int level) {
  const ModelBoard model(position);
  const int side = model.side, forward = SideSign(side), threshold = ThresholdFor(level);
  std::vector<MoveRecord> moves;
  for (int id = 2; id < PIECE_COUNT; ++id) {
    const PieceListEntry& piece = position.pieces[id];
    if (!IsOnBoard(piece.file, piece.rank)) continue;
    const int file = piece.file, rank = piece.rank, type = piece.code & 0x9f;
    if (OwnerOf(piece.code) != side) {
      for (const int attacker : model.Attackers(side, file, rank)) {
        const int value = model.Defended(file, rank) ? model.Exchange(attacker, file, rank)
                                                     : model.UndefendedGain(attacker, file, rank);
        const bool knightFork = (position.pieces[attacker].code & 0x9f) == KNIGHT && value >= 1 &&
                                RelativeRank(side, rank) >= 3 &&
                                (model.HoldsEnemyKing(file - 1, rank + 2 * forward) ||
                                 model.HoldsEnemyKing(file + 1, rank + 2 * forward));
        if (value > threshold || knightFork) moves.push_back(model.Capture(attacker, file, rank));
      }
    } else if (type == PAWN) {
      const int ahead = rank + forward;
      if (IsPromotionZone(side, ahead) && position.IsEmpty(file, ahead) && model.Exchange(id, file, ahead) > threshold)
        moves.push_back(model.Onto(id, file, ahead, true));
    } else if (type == ROOK && !IsPromotionZone(side, rank)) {
      const int last = side == 0 ? 1 : 9, second = last - forward, third = second - forward;
      const std::vector<int> onLast = model.Attackers(side, file, last);
      if (std::find(onLast.begin(), onLast.end(), id) == onLast.end()) continue;
      const int there = position.board[file][last];
      if (there != EMPTY_PIECE_ID && OwnerOf(position.pieces[there].code) != side && !model.Defended(file, last))
        continue;
      if (!model.Defended(file, second)) moves.push_back(model.Onto(id, file, second, true));
      else if (!model.Defended(file, third)) moves.push_back(model.Onto(id, file, third, true));
    }
  }
  return moves;
}

std::vector<MoveRecord> ModelCapturesOnChangedSquares(const Position& position, int level) {
  const ModelBoard model(position);
  const int side = model.side, threshold = ThresholdFor(level);
  std::vector<MoveRecord> moves;
  for (const AttackChangeRecord* record = g_attackHistoryLists[g_attackHistoryDepth]; record != nullptr;
       record = record->next) {
    const int file = record->file, rank = record->rank;
    const int there = position.board[file][rank];
    if (there == EMPTY_PIECE_ID) {
      if (!IsPromotionZone(side, rank)) continue;
      for (const int attacker : model.Attackers(side, file, rank)) {
        const PieceListEntry& piece = position.pieces[attacker];
        const bool rookIn = (piece.code & 0x9f) == ROOK && !IsPromotionZone(side, piece.rank) && !model.Defended(file, rank);
        const bool pawnIn = (piece.code & 0x9f) == PAWN && model.Exchange(attacker, file, rank) > threshold;
        if (rookIn || pawnIn) moves.push_back(model.Onto(attacker, file, rank, true));
      }
    } else if (OwnerOf(position.pieces[there].code) != side) {
      for (const int attacker : model.Attackers(side, file, rank))
        if (model.Exchange(attacker, file, rank) > threshold) moves.push_back(model.Capture(attacker, file, rank));
    }
  }
  return moves;
}

::testing::AssertionResult NoneTwice(const std::vector<MoveRecord>& moves) {
  std::vector<MoveKey> keys = SortedKeys(moves);
  const auto twice = std::adjacent_find(keys.begin(), keys.end());
  if (twice == keys.end()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "a move listed twice, to " << (*twice)[2] << "-" << (*twice)[3];
}

// Every stage and every level (3 and beyond alike) on sample positions:
// the leaf captures are exactly the modelled ones, each once.
TEST(GenerateCaptures, ListsExactlyTheCapturesThatPassTheStageAndLevelThreshold) {
  int sample = 0, written = 0;
  ForEachSamplePosition(SampleCount(480), 880, [&](Position& position) {
    const int level = sample % 6;
    SetUpUndecidedThink(position, sample++ % 3);
    std::vector<MoveRecord> moves;
    ASSERT_TRUE(RunsCleanly(position, [&](MoveRecord* out) { return GenerateCaptures(position, nullptr, level, out); },
                            moves));
    ASSERT_TRUE(NoneTwice(moves));
    ASSERT_EQ(SortedKeys(moves), SortedKeys(ModelCaptures(position, level)))
        << "stage " << g_gameStage << " level " << level;
    written += static_cast<int>(moves.size());
  });
  EXPECT_GT(written, SampleCount(480) / 4);
}

// After two recorded moves: the captures on the squares the reply changed,
// each once; and the recapture of the reply's piece by the cheapest attacker.
TEST(GenerateCapturesOnChangedSquares, ListsTheChangedSquaresCapturesAndTheRecaptureTakesTheLastMover) {
  int written = 0, recaptures = 0;
  ForEachAttackScenario(SampleCount(2000), 881, [&](Position& position, int sample) {
    SetUpUndecidedThink(position, sample % 3);
    for (int level = 0; level <= 4; ++level) {
      std::vector<MoveRecord> moves;
      ASSERT_TRUE(RunsCleanly(position, [&](MoveRecord* out) {
        return GenerateCapturesOnChangedSquares(position, level, out);
      }, moves));
      ASSERT_TRUE(NoneTwice(moves));
      ASSERT_EQ(SortedKeys(moves), SortedKeys(ModelCapturesOnChangedSquares(position, level)))
          << "stage " << g_gameStage << " level " << level;
      written += static_cast<int>(moves.size());
    }

    const MoveRecord& last = g_lineMoves[1];
    const ModelBoard model(position);
    const std::vector<int> takers = model.Attackers(position.sideToMove, last.toFile, last.toRank);
    if (takers.empty()) return;
    std::vector<MoveRecord> moves;
    ASSERT_TRUE(RunsCleanly(position, [&](MoveRecord* out) { return GenerateRecaptures(position, last, out); }, moves));
    ASSERT_EQ(moves.size(), 1u);
    ASSERT_EQ(KeyOf(moves[0]), KeyOf(model.Capture(takers.front(), last.toFile, last.toRank)));
    ++recaptures;
  });
  // Only a capture reply lists squares: the sanitizers' shorter run may meet none.
  if (SampleCount(2000) == 2000) {
    EXPECT_GT(written, 50);
  }
  EXPECT_GT(recaptures, SampleCount(2000) / 10);
}

// Hand-worked rook pushes: to the second rank, to the third when the enemy
// holds the second, and none when the last-rank piece is there to take.
TEST(GenerateCaptures, RookGoesInToPromoteOnTheFirstSquareTheEnemyDoesNotHold) {
  // A rook pushing to promote does not depend on values: rook 5-9 sees 5-1
  // down an empty file; the enemy king on 1-1 guards 2-2 only.
  Position position = BuildPosition(0, {{0, KING, 9, 9}, {1, KING, 1, 1}, {0, ROOK, 5, 9}});
  SetUpUndecidedThink(position, 1);
  MoveRecord out[8];
  ASSERT_EQ(GenerateCaptures(position, nullptr, 9, out), 1);
  EXPECT_EQ(std::make_tuple(int{out[0].toFile}, int{out[0].toRank}, int{out[0].promote}), std::make_tuple(5, 2, 1));
  // A gold on 4-1 guards 5-2 but not 5-3: the rook goes to the third rank.
  Position guarded = BuildPosition(0, {{0, KING, 9, 9}, {1, KING, 1, 1}, {0, ROOK, 5, 9}, {1, GOLD, 4, 1}});
  SetUpUndecidedThink(guarded, 1);
  ASSERT_EQ(GenerateCaptures(guarded, nullptr, 0, out), 1);
  EXPECT_EQ(std::make_tuple(int{out[0].toFile}, int{out[0].toRank}), std::make_tuple(5, 3));
  // An undefended enemy gold on 5-1 is the rook's capture, not a push.
  Position prize = BuildPosition(0, {{0, KING, 9, 9}, {1, KING, 1, 1}, {0, ROOK, 5, 9}, {1, GOLD, 5, 1}});
  SetUpUndecidedThink(prize, 1);
  const int count = GenerateCaptures(prize, nullptr, 0, out);
  for (int n = 0; n < count; ++n) EXPECT_EQ(out[n].toRank, 1);
}

// Value tables of zeros but for the entries a case sets, so that a
// capture's worth can be worked by hand.
void ZeroValueTables(int stage) {
  SetUpUndecidedThink(BuildPosition(0, {{0, KING, 5, 9}, {1, KING, 5, 1}}), stage);
  g_activeRootEvalTables = &g_rootEvalTables;
  std::memset(&g_rootEvalTables, 0, sizeof g_rootEvalTables);
  std::memset(g_activePieceSquareTable->value, 0, sizeof g_activePieceSquareTable->value);
}

// An undefended gold taken by a rook off the zone is worth the gold's hand
// value alone; a pawn pushed undefended into the zone the tokin's value.
// Each is written only above the threshold of its stage and level.
TEST(GenerateCaptures, WritesAMoveOnlyAboveItsStagesThreshold) {
  const struct {
    int stage, level, value, written;
  } rows[] = {{0, 0, 50, 0},  {0, 0, 51, 1},  {0, 2, 100, 0}, {0, 2, 101, 1}, {0, 3, 200, 0},  {0, 5, 201, 1},
              {1, 1, 100, 0}, {1, 1, 101, 1}, {1, 2, 250, 0}, {1, 2, 251, 1}, {1, 7, 400, 0},  {1, 7, 401, 1},
              {2, 0, 200, 0}, {2, 1, 201, 1}, {2, 2, 400, 0}, {2, 2, 401, 1}, {2, 3, 600, 0},  {2, 4, 601, 1}};
  const Position gold = BuildPosition(0, {{0, KING, 9, 9}, {1, KING, 1, 1}, {0, ROOK, 5, 9}, {1, GOLD, 5, 5}});
  const Position pawn = BuildPosition(0, {{0, KING, 9, 9}, {1, KING, 1, 1}, {0, PAWN, 5, 4}});
  MoveRecord out[8];
  for (const auto& row : rows) {
    ZeroValueTables(row.stage);
    g_rootEvalTables.handValue[GOLD - 1][0] = row.value;
    ASSERT_EQ(GenerateCaptures(gold, nullptr, row.level, out), row.written) << row.stage << " " << row.value;
    if (row.written) {
      EXPECT_EQ(KeyOf(out[0]), KeyOf(MoveOn(gold, 5, 9, 5, 5)));
    }
    if (row.stage != 0) continue;  // later stages value the tokin by its king blocks
    g_rootEvalTables.pieceValue[TOKIN] = row.value;
    ASSERT_EQ(GenerateCaptures(pawn, nullptr, row.level, out), row.written) << "push " << row.value;
    if (row.written) {
      EXPECT_EQ(KeyOf(out[0]), KeyOf(MoveOn(pawn, 5, 4, 5, 3, 1)));
    }
  }
}

// A knight taking a pawn worth 1 off the zone is written below the
// threshold only when the enemy king stands a knight's jump further on.
TEST(GenerateCaptures, KeepsACheapKnightCaptureThatEyesTheKing) {
  const struct {
    int kingFile, kingRank, value, written;
  } rows[] = {{5, 3, 1, 1}, {3, 3, 1, 1}, {5, 3, 0, 0}, {4, 3, 1, 0}, {5, 2, 1, 0}};
  MoveRecord out[8];
  for (const auto& row : rows) {
    const Position position = BuildPosition(
        0, {{0, KING, 9, 9}, {1, KING, row.kingFile, row.kingRank}, {0, KNIGHT, 5, 7}, {1, PAWN, 4, 5}});
    ZeroValueTables(1);
    g_rootEvalTables.handValue[PAWN - 1][0] = row.value;
    EXPECT_EQ(GenerateCaptures(position, nullptr, 0, out), row.written) << row.kingFile << "-" << row.kingRank;
  }
}

// The enemy gold 5-2 takes a silver on 4-2: the rook on 5-9 now sees 5-1,
// which the gold no longer holds, and goes in there only. The enemy gold
// 2-2 takes a gold on 2-1: 3-3 is no longer held, and the pawn 3-4 goes in
// when the tokin is worth more than the threshold (50 in the opening).
TEST(GenerateCapturesOnChangedSquares, GoesInWhereTheLastCaptureLeftTheZoneOpen) {
  MoveRecord out[16];
  Position rook =
      BuildPosition(1, {{0, KING, 9, 9}, {1, KING, 9, 1}, {0, ROOK, 5, 9}, {0, SILVER, 4, 2}, {1, GOLD, 5, 2}});
  ZeroValueTables(1);
  InitAttackHistory();
  const MoveRecord take = MoveOn(rook, 5, 2, 4, 2);
  MakeMove(rook, take, 1);
  ASSERT_EQ(GenerateCapturesOnChangedSquares(rook, 0, out), 1);
  EXPECT_EQ(KeyOf(out[0]), KeyOf(MoveOn(rook, 5, 9, 5, 1, 1)));
  UnmakeMove(rook, take, 1);

  Position pawn =
      BuildPosition(1, {{0, KING, 9, 9}, {1, KING, 9, 1}, {0, PAWN, 3, 4}, {0, GOLD, 2, 1}, {1, GOLD, 2, 2}});
  const MoveRecord back = MoveOn(pawn, 2, 2, 2, 1);
  for (const int value : {50, 51}) {
    ZeroValueTables(0);
    g_rootEvalTables.pieceValue[TOKIN] = value;
    InitAttackHistory();
    MakeMove(pawn, back, 1);
    ASSERT_EQ(GenerateCapturesOnChangedSquares(pawn, 1, out), value > 50 ? 1 : 0);
    if (value > 50) {
      EXPECT_EQ(KeyOf(out[0]), KeyOf(MoveOn(pawn, 3, 4, 3, 3, 1)));
    }
    UnmakeMove(pawn, back, 1);
  }
  InitAttackHistory();
}

// The rook 5-9 takes the pawn 5-5 that the gold 5-4 guards: with only the
// rook's value set the exchange is minus the rook, -400 still written,
// -401 ending the list; an undefended target raises the best value to 101
// unless it is a pawn.
TEST(GenerateCapturesOnSquare, StopsBelowMinus400AndValuesUndefendedTargets) {
  MoveRecord out[8];
  int best = -1;
  const Position guarded =
      BuildPosition(0, {{0, KING, 9, 9}, {1, KING, 1, 1}, {0, ROOK, 5, 9}, {1, PAWN, 5, 5}, {1, GOLD, 5, 4}});
  for (const int rook : {400, 401}) {
    ZeroValueTables(0);
    g_rootEvalTables.pieceValue[ROOK] = rook;
    EXPECT_EQ(GenerateCapturesOnSquare(guarded, 5, 5, out, &best), rook == 400 ? 1 : 0);
    EXPECT_EQ(best, 0);
  }
  for (const int target : {PAWN, GOLD, SILVER}) {
    const Position open = BuildPosition(0, {{0, KING, 9, 9}, {1, KING, 1, 1}, {0, ROOK, 5, 9}, {1, target, 5, 5}});
    EXPECT_EQ(GenerateCapturesOnSquare(open, 5, 5, out, &best), 1);
    EXPECT_EQ(best, target == PAWN ? 0 : 101) << target;
  }
}

// RecordLineThreats after a recorded move: the side to move's sliders that
// directly attack the vacated square add the squares from it toward them,
// up to and with the first occupied one, never an own piece's square and
// never one already listed, after the list's last record.
TEST(RecordLineThreats, AppendsTheLinesFromTheSquareToTheSidesSliders) {
  int appended = 0;
  ForEachAttackScenario(SampleCount(600), 882, [&](Position& position, int) {
    const int side = position.sideToMove;
    const ModelBoard model(position);
    std::vector<std::pair<int, int>> before;
    for (const AttackChangeRecord* r = g_attackHistoryLists[g_attackHistoryDepth]; r != nullptr; r = r->next)
      before.emplace_back(r->file, r->rank);
    const int file = g_lineMoves[0].IsDrop() ? g_lineMoves[1].toFile : g_lineMoves[0].fromFile;
    const int rank = g_lineMoves[0].IsDrop() ? g_lineMoves[1].toRank : g_lineMoves[0].fromRank;
    std::vector<std::pair<int, int>> expected = before;
    const auto listed = [&](int f, int r) {
      return std::find(expected.begin(), expected.end(), std::make_pair(f, r)) != expected.end();
    };
    for (const int id : model.Attackers(side, file, rank)) {
      // Only the low word of the direct set, ids 0-31, counts.
      if (id >= 32 || (model.counted.SquareRecord(file, rank)->slidingSet[side] >> id & 1) == 0) continue;
      const int df = (position.pieces[id].file > file) - (position.pieces[id].file < file);
      const int dr = (position.pieces[id].rank > rank) - (position.pieces[id].rank < rank);
      for (int f = file, r = rank; IsOnBoard(f, r); f += df, r += dr) {
        const int there = position.board[f][r];
        if (there != EMPTY_PIECE_ID && OwnerOf(position.pieces[there].code) == side) break;
        if (!listed(f, r)) expected.emplace_back(f, r);
        if (there != EMPTY_PIECE_ID) break;
      }
    }
    RecordLineThreats(position, file, rank);
    std::vector<std::pair<int, int>> after;
    const AttackChangeRecord* previous = nullptr;
    for (const AttackChangeRecord* r = g_attackHistoryLists[g_attackHistoryDepth]; r != nullptr; r = r->next) {
      ASSERT_EQ(r->previous, previous);
      after.emplace_back(r->file, r->rank);
      previous = r;
      ASSERT_LE(after.size(), 81u);
    }
    // The list goes back with the layer; undo the appended tail by hand.
    ASSERT_EQ(after, expected) << "from " << file << "-" << rank;
    appended += static_cast<int>(after.size() - before.size());
    if (after.size() > before.size()) {
      AttackChangeRecord* r = g_attackHistoryLists[g_attackHistoryDepth];
      for (size_t n = 1; n < before.size(); ++n) r = r->next;
      if (before.empty()) g_attackHistoryLists[g_attackHistoryDepth] = nullptr;
      else r->next = nullptr;
    }
  });
  EXPECT_GT(appended, SampleCount(600) / 10);
}

// FindBestCapture: out of check, the best exchange over every enemy piece
// and every attacker that may leave its square; found only above 0, and
// the move written is one that reaches that value.
TEST(FindBestCapture, WritesACaptureOfTheBestPositiveExchange) {
  int found = 0;
  int sample = 0;
  ForEachSamplePosition(SampleCount(400), 883, [&](Position& position) {
    SetUpUndecidedThink(position, sample++ % 3);
    const int side = position.sideToMove;
    if (OracleInCheck(position, side)) return;
    const ModelBoard model(position);
    const auto exposesKing = [&](int id, int file, int rank) {
      Position after;
      OracleApplyMove(position, model.Onto(id, file, rank, false), after);
      return OracleInCheck(after, side);
    };
    std::optional<int> best;
    std::vector<std::tuple<int, int, int>> reaching;  // (value, square, id)
    for (int file = 1; file <= 9; ++file)
      for (int rank = 1; rank <= 9; ++rank) {
        const int there = position.board[file][rank];
        if (there == EMPTY_PIECE_ID || OwnerOf(position.pieces[there].code) == side) continue;
        for (const int id : model.Attackers(side, file, rank)) {
          if (id != side && exposesKing(id, file, rank)) continue;
          const int value = model.Exchange(id, file, rank);
          reaching.emplace_back(value, file * 16 + rank, id);
          if (value > 0 && (!best || value > *best)) best = value;
        }
      }
    MoveRecord out{};
    ASSERT_EQ(FindBestCapture(position, out), best ? 1 : 0);
    if (!best) return;
    ++found;
    ASSERT_NE(std::find(reaching.begin(), reaching.end(),
                        std::make_tuple(*best, out.toFile * 16 + out.toRank, int{out.pieceId})),
              reaching.end())
        << "not a capture worth " << *best;
    EXPECT_EQ(KeyOf(out), KeyOf(model.Capture(out.pieceId, out.toFile, out.toRank)));
    // On its square, no attacker earlier in attacker order reaches as much.
    const int square = out.toFile * 16 + out.toRank;
    for (const auto& [value, at, id] : reaching)
      if (at == square && id > out.pieceId) {
        ASSERT_LT(value, *best) << "an earlier attacker, " << id;
      }
  });
  EXPECT_GT(found, SampleCount(400) / 10);
}

// The pawn 6-8 stands on the bishop's line to its king 7-9: the undefended
// silver 6-7 is the gold's capture, though the pawn comes first in order.
TEST(FindBestCapture, PassesOverAPinnedAttacker) {
  const Position position = BuildPosition(0, {{0, KING, 7, 9}, {1, KING, 1, 1}, {0, PAWN, 6, 8}, {0, GOLD, 5, 8},
                                              {1, BISHOP, 3, 5}, {1, SILVER, 6, 7}});
  SetUpUndecidedThink(position, 1);
  MoveRecord out{};
  ASSERT_EQ(FindBestCapture(position, out), 1);
  EXPECT_EQ(KeyOf(out), KeyOf(MoveOn(position, 5, 8, 6, 7)));
}

}  // namespace
