// The full evaluation against an independent model under random parameter
// tables, over sample positions: the king-relative values with their file
// weights and edge rules, the table of what each type adds, the top-six
// lists, hands, tokins and open files. The constant tables are typed in as
// the rule gives them.
#include "engine/eval/evaluate_full.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <vector>

#include "engine/eval/king_relative_tables.h"
#include "support/eval_params_fill.h"
#include "support/generator_checks.h"
#include "support/playout.h"
#include "support/position_builder.h"

namespace {

PieceSquareTable g_table;

constexpr int kFileDistanceWeight[9] = {128, 128, 192, 256, 384, 410, 430, 430, 430};
constexpr int kFileClassWeight[6][4] = {{38, 28, 18, 5}, {38, 28, 18, 5}, {12, 9, 5, 1},
                                        {9, 6, 4, 1},    {12, 9, 5, 1},   {12, 9, 5, 1}};
constexpr int kKingFileClass[10][10] = {
    {},
    {0, 3, 7, 6, 5, 4, 3, 2, 1, 0}, {0, 0, 3, 6, 5, 4, 3, 2, 1, 0}, {0, 0, 1, 3, 5, 4, 3, 2, 1, 0},
    {0, 0, 1, 2, 3, 4, 3, 2, 1, 0}, {0, 0, 1, 2, 3, 3, 3, 2, 1, 0}, {0, 0, 1, 2, 3, 4, 3, 2, 1, 0},
    {0, 0, 1, 2, 3, 4, 5, 3, 1, 0}, {0, 0, 1, 2, 3, 4, 5, 6, 3, 0}, {0, 0, 1, 2, 3, 4, 5, 6, 7, 3},
};

bool GoldLike(int type) { return type == GOLD || (type >= PRO_SILVER && type <= TOKIN); }

int DefenceRowOf(int type) {
  if (GoldLike(type)) return 0;
  switch (type) {
    case SILVER: return 1;
    case KNIGHT: return 2;
    case LANCE: return 3;
    case PAWN: return 4;
    default: return 5;  // horse
  }
}

int Defence(const EvalParams& p, int side, int type, int kf, int kr, int file, int rank) {
  const int row = DefenceRowOf(type);
  int d = std::abs(kf - file);
  if (d > 0 && (kf == 1 || kf == 9)) --d;
  const int c = kKingFileClass[kf][file];
  const int weight = c < 4 ? kFileClassWeight[row][c] : 0;
  return ((16384 - weight * kFileDistanceWeight[d]) * p.kingDefenceTable[side][row][rank - kr + 8][d]) >> 14;
}

// The edge-file step and the edge-rank step shared by attack and approach
// values; `entry` reads the table with the king's rank taken as given.
int EdgeFileStep(int v, int kf, int file, int d, const std::function<int(int, int)>& entry, int kr) {
  if ((kf == 1 && file > 1) || (kf == 9 && file < 9)) {
    const int w = entry(kr, d - 1);
    if (w > v) v = (v + w) / 2;
  }
  return v;
}

int Attack(const EvalParams& p, int side, int type, int kf, int kr, int file, int rank, int part) {
  const int row = type == TOKIN ? 1 : type == SILVER ? 2 : 0;
  const int d = std::abs(kf - file);
  const auto entry = [&](int asKr, int dist) { return p.kingAttackTable[side][row][asKr - rank + 8][dist][part]; };
  int v = EdgeFileStep(entry(kr, d), kf, file, d, entry, kr);
  const int w = kr == 1 && rank > 1 ? entry(2, d) : kr == 9 ? entry(8, d) : v;
  if ((kr == 1 && rank > 1) || kr == 9) v = w > v ? (v + w) / 2 : v;
  return v;
}

int Approach(const EvalParams& p, int side, int type, int kf, int kr, int file, int rank) {
  const int row = type == KNIGHT ? 0 : type == PAWN ? 1 : 2;
  const int d = std::abs(kf - file);
  const auto entry = [&](int asKr, int dist) { return p.kingApproachTable[side][row][asKr - rank + 8][dist]; };
  int v = EdgeFileStep(entry(kr, d), kf, file, d, entry, kr);
  if (kr == 1 && rank > 1 && entry(2, d) > v) v = (v + entry(2, d)) / 2;
  if (kr == 9 && rank < 9) v = (v + entry(8, d)) / 2;
  return v;
}

int TokinCrowding(int i) {
  constexpr int kFirst[4] = {0, 100, 300, 500};
  return i < 4 ? kFirst[i] : 600;
}

struct ModelSide {
  int defence = 0, material = 0, reserve = 0, attackSum = 0;
  unsigned openFiles = 0;
  std::vector<int> lists[4];
};

void ModelOf(const Position& position, const EvalParams& p, ModelSide out[2]) {
  for (int s = 0; s < 2; ++s) {
    const PieceListEntry& own = position.pieces[s];
    const PieceListEntry& enemy = position.pieces[1 - s];
    ModelSide& m = out[s];
    int tokins = 0;
    bool pawnOnFile[10] = {};
    for (int id = 0; id < PIECE_COUNT; ++id) {
      const PieceListEntry& piece = position.pieces[id];
      if (piece.file < 1 || OwnerOf(piece.code) != s) continue;
      const int t = piece.code & 0x9f, f = piece.file, r = piece.rank;
      const bool camp = s == 0 ? r <= 3 : r >= 7;
      const bool edgeFile = f == 1 || f == 9;
      if (t != KING) m.material += p.pieceValue[t];
      m.material += g_activePieceSquareTable->At(g_pieceSquareRow[t], s, f, r);
      if (t == TOKIN) ++tokins;
      if (t == PAWN) pawnOnFile[f] = true;
      if (t == ROOK) m.attackSum += camp ? 650 : 150, m.reserve += camp ? 100 : 400;
      if (t == BISHOP) m.attackSum += camp ? 200 : 100, m.reserve += 400;
      if (t == DRAGON) m.attackSum += 750, m.reserve += 135;
      if (t == HORSE) m.attackSum += 300;
      if (t == KING) m.defence += static_cast<int16_t>(p.kingSquareValue[s][f - 1][r - 1]);
      if (GoldLike(t) || t == SILVER || t == KNIGHT || t == LANCE || t == PAWN || t == HORSE) {
        int defence = Defence(p, s, t, own.file, own.rank, f, r);
        if ((GoldLike(t) || t == SILVER) && edgeFile) defence -= 40;
        if (GoldLike(t) && r == (s == 0 ? 1 : 9)) defence -= 20;
        if (t == SILVER && (r == 1 || r == 9)) defence -= 40;
        if (t == KNIGHT && edgeFile) defence -= 120;
        m.defence += defence;
      }
      if (GoldLike(t) || t == SILVER) {
        m.lists[f > enemy.file ? 0 : 1].push_back(Attack(p, s, t, enemy.file, enemy.rank, f, r, 0));
        m.lists[r > enemy.rank ? 2 : 3].push_back(Attack(p, s, t, enemy.file, enemy.rank, f, r, 1));
      }
      if (t == KNIGHT || t == PAWN) m.attackSum += Approach(p, s, t, enemy.file, enemy.rank, f, r);
    }
    for (int i = 0; i < tokins; ++i) m.material -= TokinCrowding(i);
    for (int t = ROOK; t <= PAWN; ++t) {
      for (int i = 0; i < position.hand[s][t - 1]; ++i) {
        m.material += p.handValue[t][i];
        m.attackSum += p.handSplit[t][i].handAttackValue;
        m.reserve += p.handSplit[t][i].handReserveValue;
      }
    }
    int handTotal = 0;
    for (int t = ROOK; t < PAWN; ++t) handTotal += position.hand[s][t - 1];
    for (int i = 1; i < handTotal; ++i) m.attackSum -= p.handCountPenalty[i];
    for (int f = 1; f <= 9; ++f) {
      if (!pawnOnFile[f]) m.openFiles += static_cast<unsigned>(p.openFileWeight[std::abs(enemy.file - f)]);
    }
    m.attackSum += static_cast<int>(std::min(m.openFiles, 320u)) * p.openFileScale[position.hand[s][PAWN - 1]] >> 8;
    for (std::vector<int>& list : m.lists) {
      std::erase_if(list, [](int v) { return v <= 0; });
      std::sort(list.rbegin(), list.rend());
      list.resize(TOP_SIX_SIZE, 0);
    }
  }
}

void ExpectModel(const Position& position) {
  EvalState state;
  EvaluateFull(position, &state);
  ModelSide model[2];
  ModelOf(position, g_evalParams, model);
  for (int s = 0; s < 2; ++s) {
    ASSERT_EQ(state.defence[s].value, static_cast<int16_t>(model[s].defence)) << "side " << s;
    ASSERT_EQ(state.material[s].value, static_cast<int16_t>(model[s].material)) << "side " << s;
    ASSERT_EQ(state.reserveValue[s], static_cast<int16_t>(model[s].reserve)) << "side " << s;
    ASSERT_EQ(state.side[s].attackSum, static_cast<int16_t>(model[s].attackSum)) << "side " << s;
    ASSERT_EQ(state.side[s].openFileAccumulator, model[s].openFiles) << "side " << s;
    for (int list = 0; list < 4; ++list) {
      ASSERT_EQ(std::vector<int>(state.side[s].attackList[list], state.side[s].attackList[list] + TOP_SIX_SIZE),
                model[s].lists[list])
          << "side " << s << " list " << list;
    }
  }
}

TEST(FullEvaluation, EveryWordFollowsTheModelUnderRandomTables) {
  int sample = 0;
  ForEachSamplePosition(SampleCount(300), 57, [&](Position& position) {
    if (sample % 25 == 0) FillRandomEvalParams(1000 + sample, g_evalParams, g_table);
    ++sample;
    ExpectModel(position);
  });
}

// Kings on every square, edges and corners included, among golds, silvers,
// knights, pawns, tokins and horses of both sides: the edge-file and
// edge-rank rules of the king-relative values.
TEST(FullEvaluation, KingsOnEveryFileAndRankFollowTheModel) {
  PlayoutRandom random{23};
  for (int trial = 0; trial < SampleCount(810); ++trial) {
    if (trial % 81 == 0) FillRandomEvalParams(77 + trial, g_evalParams, g_table);
    const int king0 = trial % 81;
    int king1 = random.Below(81);
    while (king1 == king0) king1 = random.Below(81);
    std::vector<PlacedPiece> pieces = {{0, KING, 1 + king0 / 9, 1 + king0 % 9},
                                       {1, KING, 1 + king1 / 9, 1 + king1 % 9}};
    bool taken[10][10] = {};
    taken[pieces[0].file][pieces[0].rank] = taken[pieces[1].file][pieces[1].rank] = true;
    for (int side = 0; side < 2; ++side) {
      bool pawnFile[10] = {};
      for (int type : {GOLD, GOLD, SILVER, SILVER, KNIGHT, PAWN, PAWN, TOKIN, HORSE}) {
        for (;;) {
          const int file = 1 + random.Below(9);
          // Knights and pawns keep off the ranks they could never leave.
          const int rank = type == KNIGHT || type == PAWN ? 3 - 2 * side + random.Below(7) : 1 + random.Below(9);
          if (taken[file][rank] || (type == PAWN && pawnFile[file])) continue;
          taken[file][rank] = true;
          if (type == PAWN) pawnFile[file] = true;
          pieces.push_back({side, type, file, rank});
          break;
        }
      }
    }
    ExpectModel(BuildPosition(trial % 2, pieces, {{0, ROOK, trial % 3}, {1, KNIGHT, trial % 3}, {1, PAWN, trial % 5}}));
  }
}

}  // namespace
