// Formation adjusters: each reads the position from one side's view and
// nudges single entries of the active piece-square table toward the next
// move of the side's castle and attack plan. Rules run in the order written;
// a rule that sets an entry runs before the additions that follow it, and a
// copy reads the value an earlier copy has just written.
#include "engine/eval/formation_adjusters.h"

#include <cmath>
#include <initializer_list>
#include <utility>

#include "engine/eval/piece_square_table.h"
#include "engine/eval/side_view.h"
#include "engine/service/debug_trace.h"

namespace {

// ---------------------------------------------------------------------------
// Shared piece tests (squares seen from the side)

bool OwnGoldOrSilver(const SideView& v, int file, int rank) { return v.Own(GOLD, file, rank) || v.Own(SILVER, file, rank); }

bool FunaCastleReady(const SideView& v) {
  return v.Own(PAWN, 7, 5) || v.Own(SILVER, 7, 7) || OwnGoldOrSilver(v, 7, 8) ||
         (OwnGoldOrSilver(v, 6, 7) && v.Own(GOLD, 6, 9));
}
bool KingCastledLeft(const SideView& v) { return v.KingFile(v.side) >= 7; }
bool EnemySilverOn63(const SideView& v) { return v.EnemyOn(SILVER, 6, 3); }
bool DiagonalFreeOfEnemyBishop(const SideView& v) {
  for (int step = 1; step <= 6; ++step) {
    if (v.EnemyOn(BISHOP, step, step)) return false;
  }
  return true;
}
bool KingOn99(const SideView& v) { return v.Own(KING, 9, 9); }
bool KnightOn77(const SideView& v) { return v.Own(KNIGHT, 7, 7); }
bool KingOn88(const SideView& v) { return v.Own(KING, 8, 8); }
bool YaguraBishopLineOpen(const SideView& v) {
  return v.Own(BISHOP, 8, 8) && v.Empty(7, 7) && v.Empty(6, 6) && !v.Own(PAWN, 6, 7);
}
// The Mino castle: king 2八, silver 3八, gold 4九.
bool MinoCastleBuilt(const SideView& v) { return v.Own(KING, 2, 8) && v.Own(SILVER, 3, 8) && v.Own(GOLD, 4, 9); }
int EnemyRookFile(const SideView& v) {
  for (int id = 2; id <= 3; ++id) {
    const PieceListEntry& rook = v.position.pieces[id];
    if (rook.file >= 1 && IsOwnedBy(rook.code, v.Enemy()) && BaseTypeOf(rook.code) == ROOK) return v.File(rook.file);
  }
  return 0;
}

void AddEach(const SideView& v, int type, std::initializer_list<std::pair<int, int>> squares, int amount) {
  for (const auto& [file, rank] : squares) v.Add(type, file, rank, amount);
}

// ---------------------------------------------------------------------------
// 四間美濃 sub-adjusters

// The Mino's silver climbs to 5六 with the fourth-file rook behind it.
bool ShikenMinoSystemHolds(const SideView& v) {
  return v.Own(ROOK, 6, 8) && (v.Own(SILVER, 5, 7) || v.Own(SILVER, 4, 7)) && v.Own(KING, 2, 8);
}
void AdjustShikenMinoSystem(const SideView& v) {
  DebugTrace("[榎戸システム]");
  v.Add(SILVER, 5, 6, 6);
  v.Add(PAWN, 6, 5, 4);
  v.Add(PAWN, 5, 6, 3);
}

// Without a bishop to fear, the right silver may advance beside the rook.
bool SilverAdvanceHolds(const SideView& v) { return v.Own(SILVER, 6, 7) && v.Own(PAWN, 6, 6); }
void AdjustSilverAdvance(const SideView& v) {
  v.Add(SILVER, 5, 6, 5);
  v.Add(SILVER, 6, 5, 4);
  v.Add(PAWN, 6, 5, 3);
}

void AdjustGoldSilverGuard(const SideView& v) {
  v.Add(GOLD, 4, 7, -3);
  v.Add(SILVER, 4, 6, -4);
  v.Add(SILVER, 5, 6, -4);
}

// The next square of the Mino: the silver beside the king, then the second
// gold, then the high Mino.
void AdjustMinoNextSquare(const SideView& v) {
  if (v.Own(KING, 2, 8) && !v.Own(SILVER, 3, 8)) v.Add(SILVER, 3, 8, 8);
  if (v.Own(SILVER, 3, 8) && !v.Own(KING, 2, 8)) v.Add(KING, 2, 8, 8);
  if (MinoCastleBuilt(v) && !v.Own(GOLD, 5, 8)) v.Add(GOLD, 5, 8, 6);
}
void AdjustHighMino(const SideView& v) {
  if (!MinoCastleBuilt(v) || !v.Own(GOLD, 5, 8)) return;
  v.Add(GOLD, 4, 7, 5);
  v.Add(PAWN, 4, 6, 4);
  v.Add(SILVER, 2, 7, 3);
}

}  // namespace

// ---------------------------------------------------------------------------
// Public helpers

double KingLean(const Position& position, int side) {
  const SideView v{position, side};
  switch (v.KingFile(side)) {
    case 6: return 0.22;
    case 4: return -0.22;
    case 7: return 0.75;
    case 3: return -0.75;
    case 8: case 9: return 1.0;
    case 1: case 2: return -1.0;
    default: return 0;
  }
}

int Blend(double t, int a, int b) { return static_cast<int>((1 - t) * a + t * b); }

int KingSide(const Position& position, int side) {
  const int file = SideView{position, side}.KingFile(side);
  return file == 5 || file == 0 ? 0 : file >= 6 ? -1 : 1;
}

int MirrorFile(bool flag, int file) { return flag ? 10 - file : file; }

// ---------------------------------------------------------------------------
// 四間美濃

void AdjustShikenMino(const Position& position, GameStage stage, int side) {
  const SideView v{position, side};
  // 1. Opening nudges.
  if (v.EnemyOn(PAWN, 1, 4) && v.Own(PAWN, 1, 7)) v.Add(PAWN, 1, 6, 20);
  if (!v.Own(SILVER, 3, 8) && !v.Own(SILVER, 3, 9) &&
      !(v.Own(SILVER, 4, 7) && v.Own(GOLD, 4, 9) && (v.Own(GOLD, 5, 8) || v.Own(GOLD, 6, 9)))) {
    v.Set(GOLD, 4, 9, 0);
  }
  if (!v.Own(SILVER, 3, 8)) {
    if (v.Own(SILVER, 2, 7)) {
      v.Add(GOLD, 3, 8, 12);
    } else if (v.Own(SILVER, 3, 9)) {
      v.Add(GOLD, 3, 8, -8);
      v.Add(GOLD, 4, 7, -8);
    }
  }
  if (v.Own(GOLD, 3, 8)) {
    AddEach(v, GOLD, {{5, 6}, {6, 6}, {7, 6}}, -2);
    AddEach(v, GOLD, {{5, 7}, {5, 8}, {5, 9}, {6, 7}, {6, 8}, {6, 9}, {7, 7}, {7, 8}, {7, 9}}, -4);
  }
  if (v.Own(PAWN, 3, 7)) AddEach(v, PAWN, {{2, 6}, {2, 5}}, -5);
  if (v.Own(PAWN, 4, 6) && v.Own(PAWN, 3, 7) && OwnGoldOrSilver(v, 3, 8)) v.Add(PAWN, 3, 6, 5);
  for (int rank = 1; rank <= 5; ++rank) v.AddEnemy(PAWN, 8, rank, -10);
  if (!v.Own(SILVER, 2, 7)) v.Add(PAWN, 2, 5, -12);
  if (v.Own(GOLD, 4, 7) && v.Own(GOLD, 4, 9)) v.Add(GOLD, 5, 8, -9);
  // 2. The rook-exchange guard: facing the enemy rook on 3六, a rook on
  // rank 8 with an open way to 2八 stays where it is.
  if (stage == STAGE_OPENING && v.EnemyOn(ROOK, 3, 6)) {
    for (int file = 6; file <= 8; ++file) {
      if (!v.Own(ROOK, file, 8)) continue;
      bool open = true;
      for (int between = file - 1; between >= 2; --between) open = open && v.Empty(between, 8);
      if (!open) continue;
      v.Add(ROOK, file, 8, 200);
      DebugTrace("飛車ぶつけちゃいかんよ！");
    }
  }
  // 3. King nudges.
  if (v.Empty(5, 7)) {
    AddEach(v, KING, {{4, 8}, {3, 9}}, -5);
    AddEach(v, KING, {{5, 8}, {5, 9}}, -3);
  } else if (MinoCastleBuilt(v) && v.Own(PAWN, 5, 7)) {
    v.Add(KING, 2, 8, -5);
    v.Add(KING, 3, 9, 2);
    AddEach(v, PAWN, {{2, 6}, {2, 5}, {2, 4}}, 4);
    AddEach(v, KNIGHT, {{3, 7}, {4, 5}, {2, 5}}, 6);
  } else if (ShikenMinoSystemHolds(v)) {
    AdjustShikenMinoSystem(v);
  }
  // 4. By the opponent's hand.
  if (v.HandCount(v.Enemy(), BISHOP) == 0) {
    if (SilverAdvanceHolds(v)) AdjustSilverAdvance(v);
  } else {
    if (v.DirectAttackers(side, 5, 7) == 0) v.Add(PAWN, 5, 7, 6);
    v.Add(GOLD, 5, 8, -1);
    v.Add(GOLD, 6, 9, 4);
    v.Add(GOLD, 6, 8, 8);
    v.Add(GOLD, 7, 9, 4);
    v.Add(GOLD, 7, 8, 4);
    if (v.Own(ROOK, 7, 6) || v.Own(ROOK, 6, 6)) v.Add(GOLD, 7, 8, 9);
    v.Add(SILVER, 8, 8, 12);
    AddEach(v, SILVER, {{6, 8}, {5, 8}}, 3);
    v.Add(SILVER, 4, 7, 4);
    v.Add(SILVER, 2, 7, -3);
    v.Add(PAWN, 2, 6, -5);
    v.Add(PAWN, 2, 5, -7);
    AdjustGoldSilverGuard(v);
  }
  // 5. Castle completion.
  AdjustMinoNextSquare(v);
  AdjustHighMino(v);
}

// ---------------------------------------------------------------------------
// 舟囲い急戦

void AdjustFunaKyusen(const Position& position, GameStage /*stage*/, int side) {
  const SideView v{position, side};
  if (v.EnemyOn(PAWN, 9, 4) && v.Own(PAWN, 9, 7)) v.Add(PAWN, 9, 6, 20);
  if (v.Own(KING, 5, 9) || v.Own(KING, 6, 8)) v.Add(PAWN, 3, 7, 16);
  if (v.Own(PAWN, 3, 7)) v.Add(SILVER, 3, 6, -15);
  if (OwnGoldOrSilver(v, 7, 7)) v.Set(BISHOP, 8, 8, v.Value(BISHOP, 7, 9));
  if (FunaCastleReady(v)) {
    v.Add(PAWN, 3, 7, KingCastledLeft(v) ? 12 : 16);
    const struct { int type, file, rank, value; } castle[] = {
        {KING, 8, 8, 28},    {KING, 7, 8, 22},    {KING, 8, 7, 17},    {KING, 7, 9, 16},    {KING, 8, 9, 10},
        {KING, 6, 8, 9},     {GOLD, 7, 8, 15},    {GOLD, 6, 7, 10},    {GOLD, 6, 8, 5},     {GOLD, 5, 8, 4},
        {GOLD, 7, 7, 0},     {SILVER, 6, 7, 6},   {SILVER, 7, 7, 4},   {SILVER, 7, 8, 4},   {SILVER, 8, 7, 2},
        {SILVER, 6, 8, 1},   {SILVER, 5, 6, -3},  {SILVER, 5, 7, -3},  {SILVER, 5, 8, -6},  {SILVER, 7, 9, -7},
        {SILVER, 6, 9, -10}, {BISHOP, 7, 7, -4},
    };
    for (const auto& entry : castle) v.Set(entry.type, entry.file, entry.rank, entry.value);
  }
  // The rapid attack: the right silver climbs by 4七 to 4六 or 3五, unless
  // the enemy rook already faces it.
  const int enemyRook = EnemyRookFile(v);
  if (v.Own(SILVER, 4, 8) || v.Own(SILVER, 4, 7)) {
    v.Add(SILVER, 4, 7, 8);
    v.Add(SILVER, 4, 6, enemyRook == 4 ? -5 : 10);
  }
  if (enemyRook == 5) {
    v.Add(SILVER, 5, 6, -20);
    v.Add(PAWN, 5, 6, -15);
  }
  if (v.Own(SILVER, 4, 6) && v.Own(PAWN, 3, 7)) v.Add(PAWN, 3, 5, 27);
  if (v.Own(ROOK, 2, 8) && v.Own(PAWN, 2, 6)) v.Add(PAWN, 2, 5, 5);
  if (KingCastledLeft(v)) {
    v.Add(GOLD, 5, 8, 3);
    v.Add(GOLD, 6, 9, -5);
  }
}

// ---------------------------------------------------------------------------
// Ranging-rook family

void AdjustRangingRook(const Position& position, GameStage /*stage*/, int side) {
  const SideView v{position, side};
  if (v.Own(ROOK, 2, 8)) {
    // Nothing of the castle may move ahead of a rook that has not swung.
    AddEach(v, GOLD, {{7, 8}, {6, 8}, {5, 8}, {4, 8}, {3, 8}}, -35);
    AddEach(v, GOLD, {{2, 7}, {3, 7}, {4, 7}, {5, 7}, {6, 7}}, -20);
    AddEach(v, SILVER, {{3, 8}, {4, 8}, {5, 8}}, -35);
    AddEach(v, SILVER, {{3, 7}, {4, 7}, {5, 7}}, -20);
    for (int file = 1; file <= 9; ++file) {
      for (int rank = 1; rank <= 6; ++rank) {
        v.Add(GOLD, file, rank, -40);
        v.Add(SILVER, file, rank, -40);
      }
    }
    AddEach(v, KING, {{7, 8}, {6, 8}, {5, 8}, {4, 8}, {3, 8}}, -40);
    return;
  }
  // After the swing: castle on the right, keep the left quiet.
  if (v.Own(KING, 5, 9) || v.Own(KING, 4, 8)) {
    v.Add(KING, 3, 8, 10);
    v.Add(KING, 2, 8, 12);
    v.Add(SILVER, 3, 8, 6);
  }
  if (v.Own(KING, 2, 8) || v.Own(KING, 3, 8) || v.Own(KING, 3, 9)) {
    v.Add(ROOK, 4, 8, -200);  // a rook coming back would block the castle
    v.Add(GOLD, 4, 9, 3);
    v.Add(KING, 5, 8, -20);
  }
  v.Add(PAWN, 8, 5, -10);  // the bishop's side stays low against the static rook
  v.Add(PAWN, 7, 5, -5);
  if (v.EnemyOn(PAWN, 2, 4) || v.EnemyOn(PAWN, 2, 5)) v.Add(PAWN, 2, 6, -3);
  if (v.Own(ROOK, 5, 8)) v.Add(PAWN, 5, 5, -50);
  if (v.Own(BISHOP, 8, 8) && v.Empty(7, 7)) v.Add(BISHOP, 7, 7, 4);
}

// ---------------------------------------------------------------------------
// 中住まい

void AdjustNakaZumai(const Position& position, int side) {
  const SideView v{position, side};
  if (v.EnemyOn(PAWN, 1, 4) && v.Own(PAWN, 1, 7)) v.Add(PAWN, 1, 6, 10);
  if (v.EnemyOn(PAWN, 9, 4) && v.Own(PAWN, 9, 7)) v.Add(PAWN, 9, 6, 10);
  if (v.Own(KING, 5, 9)) {
    if (v.Own(GOLD, 4, 9)) v.Add(GOLD, 4, 9, 3);
    if (v.Own(SILVER, 3, 9)) v.Add(SILVER, 3, 9, 3);
  }
  // The opponent's pawns ahead of its king are worth less the farther they
  // stand from it. Without an enemy king there is no file to measure from.
  static constexpr int kDrop[5][9] = {{-6, -8, -24, -38, -48, -54, -58, -60, -62},
                                      {-1, -3, -24, -38, -48, -54, -58, -60, -62},
                                      {4, 2, -23, -38, -48, -54, -58, -60, -62},
                                      {4, 2, -23, -38, -48, -54, -58, -60, -62},
                                      {4, 2, -23, -38, -48, -54, -58, -60, -62}};
  const int enemyKingFile = v.KingFile(v.Enemy());
  if (enemyKingFile == 0) return;
  for (int file = 1; file <= 9; ++file) {
    const int distance = file > enemyKingFile ? file - enemyKingFile : enemyKingFile - file;
    for (int k = 0; k < 5; ++k) v.AddEnemy(PAWN, file, 5 - k, kDrop[k][distance]);
  }
}

// ---------------------------------------------------------------------------
// いびあな

void AdjustIbiAnaguma(const Position& position, GameStage /*stage*/, int side) {
  const SideView v{position, side};
  if (!KingOn99(v)) {
    v.Set(GOLD, 7, 9, v.Value(GOLD, 6, 9));
    v.Set(GOLD, 6, 8, v.Value(GOLD, 5, 8));
    v.Set(GOLD, 7, 8, v.Value(GOLD, 6, 8));
    v.Add(GOLD, 6, 7, -3);
    v.Add(GOLD, 7, 7, -8);
    AddEach(v, PAWN, {{6, 5}, {7, 5}}, -10);
    v.Add(PAWN, 5, 5, -5);
  }
  if (!KnightOn77(v)) {
    if (v.Own(SILVER, 7, 9)) v.Add(GOLD, 7, 9, -5);
    if (!KingOn88(v)) v.Add(LANCE, 9, 8, -10);
    if (!KingOn88(v) && !KingOn99(v)) {
      v.Add(SILVER, 8, 8, -30);
      v.Add(GOLD, 7, 8, -30);
      v.Add(GOLD, 8, 8, -30);
      return;
    }
  } else {
    v.Add(KNIGHT, 7, 7, 15);
  }
  if (KingOn99(v)) {
    // Close the hole: silver 8八, golds 7九 and 7八, then the Matsuo-style
    // silver to 7八 and the bishop's retreat square kept free.
    if (v.Own(LANCE, 9, 8) && !v.Own(SILVER, 8, 8)) v.Add(SILVER, 8, 8, 25);
    v.Add(GOLD, 7, 9, 8);
    v.Add(GOLD, 7, 8, 6);
    if (v.Own(SILVER, 8, 8) && v.Own(GOLD, 7, 9)) v.Add(SILVER, 7, 8, 5);
    v.Add(KING, 8, 8, -10);
    v.Add(KING, 8, 9, -3);
  } else {
    v.Add(KING, 9, 9, 20);
    v.Add(LANCE, 9, 8, 3);
    if (v.Own(BISHOP, 8, 8)) v.Add(BISHOP, 7, 7, 6);
  }
  if (v.Own(SILVER, 6, 8) && !v.Own(GOLD, 7, 8)) v.Add(SILVER, 6, 8, -20);
}

// ---------------------------------------------------------------------------
// ひだり美濃

void AdjustHidariMino(const Position& position, GameStage /*stage*/, int side) {
  const SideView v{position, side};
  if (v.Own(PAWN, 9, 7) && ((v.Own(PAWN, 8, 7) && v.Own(KING, 7, 8)) || v.EnemyOn(PAWN, 9, 4))) {
    v.Add(PAWN, 9, 7, -15);
    if (!v.EnemyOn(PAWN, 9, 5)) v.Add(PAWN, 8, 6, -5);
  }
  if (v.Own(PAWN, 9, 7) && !v.EnemyOn(PAWN, 9, 5)) v.Add(PAWN, 6, 7, 2);
  if (!v.Own(SILVER, 7, 8) && !v.Own(SILVER, 7, 9)) {
    v.Add(GOLD, 6, 9, -8);
    if (v.Own(SILVER, 8, 7)) v.Add(GOLD, 7, 8, 4);
  }
  // The left Mino: king 8八 behind silver 7八 and gold 6九; then the high
  // Mino with the gold on 6七.
  if (v.Own(KING, 8, 8) && v.Own(SILVER, 7, 8) && v.Own(GOLD, 6, 9)) {
    v.Add(GOLD, 5, 8, 6);
    v.Add(GOLD, 6, 7, 4);
    v.Add(PAWN, 6, 6, 3);
    v.Add(KING, 9, 8, -6);
  } else if (!v.Own(KING, 8, 8)) {
    v.Add(KING, 8, 8, 10);
    v.Add(KING, 7, 8, 1);
  }
  if (v.Own(BISHOP, 7, 7) && v.Own(KING, 8, 8)) v.Add(PAWN, 7, 6, -2);
  if (!v.Own(ROOK, 2, 8)) v.Add(SILVER, 4, 6, -10);
}

// ---------------------------------------------------------------------------
// Static rook against a ranging rook

void AdjustStaticVsRanging(const Position& position, GameStage /*stage*/, int side) {
  const SideView v{position, side};
  if (v.Own(KING, 5, 9)) AddEach(v, ROOK, {{5, 8}, {6, 8}, {7, 8}, {8, 8}, {9, 8}}, -10);
  if (v.Own(KING, 5, 9) || v.Own(KING, 6, 8)) {
    v.Add(PAWN, 5, 7, 8);
    v.Add(PAWN, 5, 6, -8);
  }
  if ((v.Own(SILVER, 4, 6) || v.Own(SILVER, 2, 6)) && v.Own(KNIGHT, 2, 9)) v.Add(KNIGHT, 3, 7, -20);
  // The wrong wing: away from the enemy king, an attack only weakens.
  const int enemyKing = v.KingFile(v.Enemy());
  if (enemyKing != 0 && enemyKing != 5) {
    const int near = enemyKing > 5 ? 1 : 9;  // the far edge file from the enemy king
    const int beside = enemyKing > 5 ? 2 : 8;
    v.Add(KNIGHT, beside, 5, -35);
    v.Add(KNIGHT, near, 5, -35);
    for (int rank = 1; rank <= 5; ++rank) v.Add(LANCE, near, rank, -50);
    v.Add(PAWN, near, 5, -35);
    v.Add(PAWN, near, 4, -35);
    v.Add(BISHOP, beside, 4, -50);
    for (int rank = 1; rank <= 3; ++rank) v.Add(ROOK, near, rank, -60);
  }
  if (v.Own(SILVER, 5, 7)) v.Add(SILVER, 4, 6, 8);
  if (v.Own(PAWN, 7, 6) && v.EnemyOn(BISHOP, 2, 2)) v.Add(PAWN, 6, 6, 2);
  if (!v.Own(ROOK, 2, 8)) v.Add(SILVER, 4, 6, -12);
}

// ---------------------------------------------------------------------------
// 居矢倉

void AdjustIYagura(const Position& position, int side) {
  const SideView v{position, side};
  // 4. First: the enemy bishop aiming down the long diagonal at 6六.
  if (!YaguraBishopLineOpen(v) && (v.Own(BISHOP, 8, 8) || v.Own(BISHOP, 9, 7))) {
    const int enemy = v.Enemy();
    const SquareAttackRecord* record = position.SquareRecord(v.File(6), v.Rank(6));
    bool bishopAims = false;
    for (int id = 4; id <= 5; ++id) {
      const bool attacks = (((record->directSet[enemy].low | record->xraySet[enemy]) >> id) & 1) != 0;
      bishopAims = bishopAims || (attacks && BaseTypeOf(position.pieces[id].code) == BISHOP);
    }
    if (bishopAims && (v.EnemyOn(PAWN, 6, 4) || v.EnemyOn(PAWN, 6, 5) || position.PawnRankOnFile(enemy, v.File(6)) == 0)) {
      v.Add(PAWN, 4, 6, -10);
      v.Add(SILVER, 7, 7, -12);
      v.Add(SILVER, 4, 7, -10);
      v.Add(GOLD, 6, 7, 5);
      if (v.EnemyOn(PAWN, 7, 3) || EnemySilverOn63(v)) v.Add(KING, 7, 9, -6);
    } else {
      v.Add(KING, 7, 9, -20);
    }
  }
  if (v.Own(BISHOP, 8, 8) && v.Own(PAWN, 6, 6) && v.Own(PAWN, 5, 6) && v.Own(PAWN, 4, 7) &&
      (v.Own(KING, 6, 9) || v.Own(KING, 5, 9))) {
    v.Add(PAWN, 4, 6, -6);
  }
  if (v.Own(BISHOP, 7, 7) && !v.Own(ROOK, 4, 8) && v.Own(SILVER, 7, 9)) {
    v.Add(SILVER, 6, 8, -5);
    v.Add(SILVER, 8, 8, 8);
  }
  if (v.Own(KING, 5, 9)) {
    v.Add(KING, 7, 8, -12);
    v.Add(KING, 7, 9, -15);
    v.Add(KING, 6, 8, -7);
    v.Add(KING, 6, 9, -9);
  }
  // Progress of the Yagura: each piece in place draws the king on to 8八.
  const int progress = v.Own(PAWN, 7, 6) + v.Own(PAWN, 6, 6) + v.Own(SILVER, 7, 7) + v.Own(GOLD, 7, 8) +
                       v.Own(GOLD, 6, 7);
  if (progress >= 1) {
    v.Add(KING, 8, 8, 4 * progress + 2);
    v.Add(KING, 7, 9, 2 * progress);
  }
  if (progress == 5 && v.Own(KING, 8, 8)) {
    v.Add(LANCE, 9, 9, 2);
    v.Add(KNIGHT, 3, 7, 8);
    v.Add(ROOK, 2, 6, -3);
  }
  if (v.Own(SILVER, 3, 7) && v.Own(PAWN, 3, 6)) v.Add(SILVER, 4, 6, 6);
  if (v.Own(PAWN, 2, 5) && DiagonalFreeOfEnemyBishop(v)) v.Add(PAWN, 2, 4, 3);
  if (!v.Own(PAWN, 7, 6)) v.Add(SILVER, 7, 6, -30);
}

// ---------------------------------------------------------------------------
// 相振金無双

void AdjustAiFuriKinMuso(const Position& position, GameStage /*stage*/, int side) {
  const SideView v{position, side};
  if (v.Own(BISHOP, 8, 8)) v.Add(SILVER, 7, 7, -20);
  const int kingFile = v.KingFile(side);
  if (kingFile == 5 || kingFile == 4) v.Add(GOLD, 3, 8, -20);
  if (v.Own(ROOK, 2, 8)) {
    AddEach(v, GOLD, {{3, 8}, {4, 8}, {5, 8}}, -50);
    AddEach(v, SILVER, {{2, 8}, {3, 8}, {4, 8}}, -50);
    AddEach(v, SILVER, {{2, 7}, {3, 7}, {4, 7}}, -50);
    return;
  }
  // After the swing: the twin golds beside a king on 2八, the left silver
  // and the rook's pawn leading the attack on the enemy's castle side.
  if (v.Own(KING, 2, 8)) {
    v.Add(GOLD, 3, 8, 10);
    v.Add(GOLD, 4, 8, 8);
    v.Add(LANCE, 1, 9, 3);
  } else {
    v.Add(KING, 2, 8, 12);
    v.Add(KING, 3, 8, 6);
  }
  const int rookFile = v.Own(ROOK, 8, 8) ? 8 : v.Own(ROOK, 7, 8) ? 7 : 0;
  if (rookFile != 0) {
    v.Add(PAWN, rookFile, 5, 6);
    v.Add(PAWN, rookFile, 4, 8);
    v.Add(SILVER, rookFile, 6, 5);
  }
  if (v.EnemyOn(PAWN, 8, 4)) v.Add(PAWN, 8, 5, -3);
  if (!v.Own(GOLD, 3, 8) && !v.Own(GOLD, 4, 8)) v.Add(KING, 2, 8, -10);
  if (v.Own(BISHOP, 7, 7)) v.Add(BISHOP, 9, 7, 5);
  if (v.HandCount(v.Enemy(), BISHOP) > 0) v.Add(ROOK, 8, 8, -5);
  v.Add(PAWN, 2, 6, -4);
  if (v.Own(SILVER, 3, 9) && v.Own(GOLD, 4, 8)) v.Add(SILVER, 2, 7, 27);  // the silver closes the gap
}

// ---------------------------------------------------------------------------
// 未決定

void AdjustUndecided(const Position& position, int side, GameStage /*stage*/, const SenkeiId pair[2]) {
  const SideView v{position, side};
  // A knight that jumps to rank 3 unpromoted is lost; ranks 1-2 it can
  // never stand on.
  for (int file = 1; file <= 9; ++file) {
    const bool edge = file == 1 || file == 9;
    v.Set(KNIGHT, file, 3, edge ? -369 : -249);
    v.Set(KNIGHT, file, 2, edge ? -158 : -146);
    v.Set(KNIGHT, file, 1, edge ? -150 : -135);
  }
  const SenkeiId opponent = pair[1 - side];
  if (opponent == SENKEI_I_YAGURA && KingSide(position, 0) == -1 && KingSide(position, 1) == -1) {
    // Both kings castle left against a Yagura: take the Yagura's own shape.
    const bool mirror = false;
    const int types[] = {KNIGHT, GOLD, SILVER, PAWN, BISHOP};
    for (int type : types) {
      for (int file = 1; file <= 9; ++file) {
        for (int rank = 4; rank <= 9; ++rank) {
          v.Set(type, file, rank,
                BaseSquareValue(SENKEI_I_YAGURA, STAGE_OPENING, static_cast<PieceCode>(type), MirrorFile(mirror, file), rank));
        }
      }
    }
    return;
  }
  if (opponent == SENKEI_AI_FURI_KIN_MUSO) {
    // Against a twin-gold ranging rook: a quiet Mino on the king's side.
    const bool mirror = KingSide(position, side) == -1;
    v.Add(SILVER, MirrorFile(mirror, 3), 8, 8);
    v.Add(GOLD, MirrorFile(mirror, 4), 9, 6);
    v.Add(PAWN, MirrorFile(mirror, 8), 5, -12);
    return;
  }
  if (IsRangingRookSenkei(opponent)) {
    v.Add(ROOK, 5, 8, -460);  // a central rook against a ranging rook is lost time
    AddEach(v, ROOK, {{6, 8}, {7, 8}, {8, 8}}, -60);
    v.Add(PAWN, 5, 6, -2);
  } else if (IsStaticVsRangingSenkei(opponent)) {
    v.Add(BISHOP, 7, 7, 5);
    v.Add(PAWN, 2, 5, -20);
  }
  // The defenders follow the king's lean: castle squares between a central
  // king's (a) and a castled king's (b), on the king's own wing.
  const double lean = KingLean(position, side);
  const bool mirror = lean < 0;
  const double t = std::fabs(lean);
  v.Add(GOLD, MirrorFile(mirror, 7), 8, Blend(t, 2, 12));
  v.Add(GOLD, MirrorFile(mirror, 6), 7, Blend(t, 1, 10));
  v.Add(SILVER, MirrorFile(mirror, 7), 7, Blend(t, 3, 23));
  v.Add(SILVER, MirrorFile(mirror, 6), 8, Blend(t, 6, 1));
  v.Add(PAWN, MirrorFile(mirror, 7), 6, Blend(t, 4, 8));
  v.Add(BISHOP, MirrorFile(mirror, 8), 8, Blend(t, 3, -12));
}
