// The base piece-square diagrams of every strategy, drawn at compile time by
// the rule in docs/piece-square-tables.md: common terms by piece row and
// stage, plus each strategy's castle and attack squares with a short falloff.
// The two king diagrams of the opening that are fixed data stand verbatim.
#include "engine/eval/piece_square_table.h"

namespace {

using Diagram = int[9][9];  // [rank - 1][9 - file], seen from side 0

// King diagrams of the opening for base index 0 (undecided) and 1 (居矢倉).
constexpr int kUndecidedKingOpening[9][9] = {
    {980, 1000, 1000, 980, 970, 980, 1000, 1000, 980},
    {1000, 1000, 1000, 980, 970, 980, 1000, 1000, 1000},
    {800, 800, 790, 780, 770, 780, 790, 800, 800},
    {200, 200, 200, 200, 200, 200, 200, 200, 200},
    {-250, -250, -250, -250, -250, -250, -250, -250, -250},
    {-150, -150, -150, -150, -150, -150, -150, -150, -150},
    {-10, -10, -10, -10, -10, -10, -10, -10, -10},
    {0, 0, 0, 0, 0, 0, 0, 0, 0},
    {0, 0, 0, 0, 0, 0, 0, 0, 0},
};
constexpr int kYaguraKingOpening[9][9] = {
    {980, 1000, 1000, 980, 970, 980, 1000, 1000, 980},
    {1000, 1000, 1000, 980, 970, 980, 1000, 1000, 1000},
    {800, 800, 790, 780, 770, 780, 790, 800, 800},
    {200, 200, 200, 200, 200, 200, 200, 200, 200},
    {-250, -250, -250, -250, -250, -250, -250, -250, -250},
    {-150, -150, -150, -150, -150, -150, -150, -150, -150},
    {-30, -28, -28, -28, -28, -28, -28, -28, -28},
    {-10, 18, 2, -9, -21, -24, -25, -25, -25},
    {-10, -7, 10, -1, -21, -24, -25, -25, -25},
};

// A square a strategy wants a piece row on, with its worth there. Castle
// targets weigh most in the opening, attack targets in the middle game.
enum TargetKind : int { CASTLE, ATTACK };
struct Target {
  int row, file, rank, weight, kind;
};
constexpr Target K(int f, int r, int w) { return {ROW_KING, f, r, w, CASTLE}; }
constexpr Target G(int f, int r, int w) { return {ROW_GOLD, f, r, w, CASTLE}; }
constexpr Target S(int f, int r, int w) { return {ROW_SILVER, f, r, w, CASTLE}; }
constexpr Target SA(int f, int r, int w) { return {ROW_SILVER, f, r, w, ATTACK}; }
constexpr Target R(int f, int r, int w) { return {ROW_ROOK, f, r, w, ATTACK}; }
constexpr Target B(int f, int r, int w) { return {ROW_BISHOP, f, r, w, ATTACK}; }
constexpr Target N(int f, int r, int w) { return {ROW_KNIGHT, f, r, w, ATTACK}; }
constexpr Target L(int f, int r, int w) { return {ROW_LANCE, f, r, w, CASTLE}; }
constexpr Target P(int f, int r, int w) { return {ROW_PAWN, f, r, w, ATTACK}; }

constexpr int kMaxTargets = 24;
struct Formation {
  Target target[kMaxTargets];
};

// One formation per strategy with base tables of its own; squares seen from side 0.
constexpr Formation kUndecided{{K(5, 9, 10), K(6, 8, 12), K(4, 8, 12), G(4, 9, 8), G(6, 9, 8), G(5, 8, 10),
                                G(7, 8, 6), S(3, 8, 8), S(7, 7, 6), SA(4, 7, 6), R(2, 8, 8), B(8, 8, 6),
                                B(7, 7, 4), N(3, 7, 5), N(7, 7, 4), L(1, 9, 3), L(9, 9, 3), P(7, 6, 4),
                                P(2, 6, 4), P(2, 5, 3), P(5, 6, 2)}};
constexpr Formation kIYagura{{K(8, 8, 43), K(7, 9, 35), K(7, 8, 27), G(7, 8, 18), G(6, 7, 18), G(5, 8, 8),
                              S(7, 7, 20), SA(4, 6, 12), SA(3, 7, 12), R(2, 8, 10), B(4, 6, 10), B(7, 9, 6),
                              N(3, 7, 10), N(8, 9, 2), L(9, 9, 4), L(1, 9, 3), P(7, 6, 8), P(6, 6, 8),
                              P(5, 6, 4), P(2, 5, 10), P(1, 6, 3)}};
constexpr Formation kKakuGawari{{K(7, 9, 38), K(8, 8, 34), K(6, 9, 28), G(7, 8, 18), G(5, 8, 14), S(7, 7, 16),
                                 SA(5, 6, 14), SA(4, 7, 10), R(2, 9, 10), R(2, 8, 10), B(8, 8, 4), N(3, 7, 12),
                                 N(4, 5, 6), L(9, 9, 3), L(1, 9, 3), P(2, 5, 10), P(4, 5, 6), P(7, 6, 4),
                                 P(1, 6, 3), P(9, 6, 3)}};
constexpr Formation kShikenMino{{K(2, 8, 43), K(3, 8, 30), K(3, 9, 24), G(4, 9, 16), G(5, 8, 16), G(4, 8, 6),
                                 S(3, 8, 18), SA(5, 7, 8), SA(6, 7, 10), R(6, 8, 16), B(7, 7, 10), B(8, 8, 8),
                                 N(2, 9, 2), L(1, 9, 4), P(6, 6, 6), P(7, 6, 6), P(1, 6, 4), P(9, 6, 4),
                                 P(4, 6, 4)}};
constexpr Formation kFunaKyusen{{K(7, 8, 36), K(6, 8, 28), K(8, 8, 24), G(6, 9, 12), G(5, 8, 12), G(7, 8, 10),
                                 S(7, 9, 8), S(6, 7, 8), SA(4, 6, 14), R(2, 8, 12), B(8, 8, 8), B(7, 7, 6),
                                 N(3, 7, 12), L(9, 9, 3), L(1, 9, 3), P(3, 5, 8), P(2, 5, 10), P(4, 5, 8),
                                 P(7, 6, 4)}};
constexpr Formation kAiFuriKinMuso{{K(2, 8, 40), K(3, 9, 28), G(3, 8, 14), G(4, 8, 14), S(3, 9, 10), S(2, 7, 8),
                                    SA(7, 7, 10), R(8, 8, 14), R(7, 8, 12), B(9, 7, 8), B(7, 7, 6), N(7, 7, 6),
                                    L(9, 9, 2), L(1, 9, 3), P(8, 5, 8), P(7, 5, 8), P(8, 6, 6), P(1, 6, 3)}};
constexpr Formation kHidariMino{{K(8, 8, 40), K(7, 8, 28), K(9, 8, 20), G(6, 9, 14), G(5, 8, 14), S(7, 8, 16),
                                 SA(4, 6, 12), R(2, 8, 12), B(7, 7, 10), B(9, 7, 6), N(3, 7, 10), L(9, 9, 3),
                                 P(2, 5, 10), P(7, 6, 6), P(9, 6, 4), P(4, 5, 4)}};
constexpr Formation kIbiAnaguma{{K(9, 9, 45), K(8, 8, 22), G(7, 9, 16), G(7, 8, 14), G(6, 8, 8), S(8, 8, 18),
                                 SA(5, 7, 8), R(2, 8, 12), B(7, 7, 6), N(8, 9, 4), N(3, 7, 10), L(9, 8, 12),
                                 L(1, 9, 3), P(2, 5, 10), P(4, 5, 6), P(6, 6, 4)}};
constexpr Formation kFuriAnaguma{{K(1, 9, 45), K(2, 8, 22), G(3, 9, 16), G(4, 8, 12), G(3, 8, 8), S(2, 8, 18),
                                  SA(6, 7, 8), R(6, 8, 12), R(7, 8, 12), R(8, 8, 8), B(7, 7, 8), N(2, 9, 4),
                                  N(7, 7, 6), L(1, 8, 12), L(9, 9, 3), P(6, 6, 6), P(7, 6, 6), P(9, 6, 3)}};
constexpr Formation kNakaZumai{{K(5, 8, 30), K(5, 9, 18), G(7, 8, 16), G(3, 8, 16), S(6, 8, 8), SA(4, 7, 10),
                                SA(3, 6, 10), R(2, 8, 10), R(2, 6, 10), B(8, 8, 6), B(7, 7, 6), N(3, 7, 8),
                                N(7, 7, 6), L(9, 9, 3), L(1, 9, 3), P(2, 5, 8), P(7, 6, 6)}};
// Handicap givers: no rook and bishop of their own at the start, so silvers,
// golds and centre pawns carry the fight.
constexpr Formation kTwoPieceUpper{{K(6, 8, 22), K(5, 8, 18), G(7, 8, 14), G(4, 7, 10), SA(4, 7, 14),
                                    SA(6, 7, 14), SA(5, 6, 10), N(3, 7, 6), L(1, 9, 3), L(9, 9, 3), P(4, 6, 6),
                                    P(5, 6, 8), P(6, 6, 6), P(7, 6, 4)}};
constexpr Formation kRookUpper{{K(6, 8, 22), K(7, 8, 18), G(5, 8, 14), G(7, 8, 12), SA(4, 7, 12), S(6, 7, 10),
                                SA(5, 6, 10), B(8, 8, 8), B(7, 7, 8), N(7, 7, 6), N(3, 7, 6), L(9, 9, 3),
                                L(1, 9, 3), P(4, 6, 6), P(6, 6, 6), P(5, 6, 4), P(7, 6, 4)}};
constexpr Formation kBishopUpper{{K(6, 8, 20), K(7, 8, 16), G(7, 8, 12), G(5, 8, 12), SA(4, 7, 12), S(6, 7, 10),
                                  SA(5, 6, 8), R(2, 8, 10), R(4, 8, 8), N(3, 7, 8), L(1, 9, 3), L(9, 9, 3),
                                  P(4, 6, 6), P(5, 6, 6), P(2, 5, 6), P(7, 6, 4)}};
constexpr Formation kMigiGyoku{{K(4, 8, 24), K(3, 8, 20), K(4, 9, 16), G(5, 8, 14), G(3, 9, 10), G(6, 8, 8),
                                S(4, 7, 14), SA(6, 7, 12), R(2, 9, 8), R(2, 8, 8), B(8, 8, 4), N(3, 7, 8),
                                N(7, 7, 6), L(1, 9, 3), L(9, 9, 3), P(4, 6, 6), P(6, 6, 6), P(7, 6, 4),
                                P(1, 6, 3)}};
constexpr Formation kShiibaGyoku{{K(6, 9, 30), K(7, 9, 24), G(5, 9, 12), G(4, 9, 12), G(7, 8, 10), S(4, 8, 12),
                                  SA(5, 7, 10), R(2, 8, 12), B(8, 8, 8), B(7, 7, 6), N(3, 7, 8), L(1, 9, 3),
                                  L(9, 9, 3), P(2, 5, 8), P(7, 6, 6), P(5, 6, 4)}};

// Base slot -> formation. A strategy without tables of its own reads its
// nearest family's (see SenkeiBaseIndex); its slot holds that same formation
// so that no slot of the array is left empty.
constexpr const Formation* kSlotFormation[BASE_TABLE_COUNT] = {
    &kUndecided,      &kIYagura,     &kKakuGawari,   &kShikenMino,  &kShikenMino,  &kFunaKyusen,
    &kAiFuriKinMuso,  &kHidariMino,  &kIbiAnaguma,   &kFuriAnaguma, &kNakaZumai,   &kShikenMino,
    &kTwoPieceUpper,  &kIYagura,     &kRookUpper,    &kIYagura,     &kBishopUpper, &kShikenMino,
    &kMigiGyoku,      &kFuriAnaguma, &kHidariMino,   &kShiibaGyoku,
};

// Percent of a target's weight at Chebyshev distance 0, 1, 2 from it.
constexpr int kFalloff[3] = {100, 50, 25};
// Percent of castle and attack weights by stage: the castle first, the
// attack in the middle game, both fading before the endgame's activity.
constexpr int kKindScale[GAME_STAGE_COUNT][2] = {{100, 70}, {80, 100}, {40, 60}};

constexpr int Abs(int v) { return v < 0 ? -v : v; }
constexpr int Max(int a, int b) { return a > b ? a : b; }

// The strongest pull of the formation's targets of each row on each square
// ([row][file][rank]): every target spreads its weight over the squares
// within two steps, and the larger pull wins where two meet.
struct PullMap {
  int value[PIECE_ROW_COUNT][10][10];
};
constexpr PullMap FormationPull(const Formation& formation, int stage) {
  PullMap pull{};
  for (const Target& target : formation.target) {
    if (target.weight == 0) continue;
    for (int file = target.file - 2; file <= target.file + 2; ++file) {
      for (int rank = target.rank - 2; rank <= target.rank + 2; ++rank) {
        if (file < 1 || file > 9 || rank < 1 || rank > 9) continue;
        const int distance = Max(Abs(target.file - file), Abs(target.rank - rank));
        int& cell = pull.value[target.row][file][rank];
        cell = Max(cell, target.weight * kFalloff[distance] * kKindScale[stage][target.kind] / 10000);
      }
    }
  }
  return pull;
}

// Terms every strategy shares, by row, stage and square (side 0's view).
constexpr int CommonValue(int row, int stage, int file, int rank) {
  const bool edge = file == 1 || file == 9;
  const bool enemyCamp = rank <= 3;
  switch (row) {
    case ROW_ROOK:
      return (enemyCamp ? 15 + 10 * stage : 0) - (rank == 9 ? 8 : 0);
    case ROW_BISHOP:
      return (enemyCamp ? 10 + 5 * stage : 0) - (edge ? 4 : 0);
    case ROW_GOLD:
      // A gold leaving the castle early is a hole; late it joins the attack.
      if (stage == STAGE_ENDGAME) return (enemyCamp ? 10 : 0) - (edge ? 6 : 0);
      return -(rank <= 6 ? 6 * (7 - Max(rank, 4)) : 0) - (edge ? 6 : 0);
    case ROW_SILVER:
      if (stage == STAGE_ENDGAME) return (enemyCamp ? 10 : 2) - (edge ? 4 : 0);
      return (enemyCamp ? -6 : rank <= 6 ? 2 : 0) - (edge ? 4 : 0);
    case ROW_KNIGHT:
      if (rank <= 2) return -60;  // never stands there unpromoted
      if (rank == 3) return stage == STAGE_OPENING ? -20 : stage == STAGE_MIDDLE ? -5 : 10;
      return (rank == 4 || rank == 5 ? 3 : rank == 7 ? 4 : 0) - (edge && rank != 9 ? 6 : 0);
    case ROW_LANCE:
      if (rank == 1) return -40;  // never stands there unpromoted
      if (stage == STAGE_ENDGAME) return 2 * (9 - rank) > 14 ? 14 : 2 * (9 - rank);
      return rank == 8 ? -4 : 0;
    case ROW_PAWN: {
      if (rank == 1) return -40;  // never stands there unpromoted
      if (rank >= 8) return -4;
      const int advance = 7 - rank;  // 0 at home, 5 on rank 2
      if (stage == STAGE_OPENING) {
        constexpr int kOpening[6] = {0, 1, -2, -4, 4, 8};
        return kOpening[advance];
      }
      return (stage == STAGE_MIDDLE ? 2 : 4) * advance;
    }
    case ROW_PROMOTED_MAJOR: {
      const int centre = Max(Abs(file - 5), Abs(rank - 5));
      return 10 - 2 * centre + (enemyCamp ? 10 * (stage + 1) : 0);
    }
    default:
      return 0;
  }
}

// King diagram of the opening: the fixed ones where the formation is the
// undecided one or the Yagura (slots 0 and 1 and those reading them); for the
// others the far ranks of the fixed diagrams (entering the enemy camp is
// worth much, the middle ranks are dangerous) and the home ranks from the
// formation's king squares over a -25 floor.
constexpr int OpeningKingValue(int slot, const PullMap& openingPull, int file, int rank) {
  if (kSlotFormation[slot] == &kUndecided) return kUndecidedKingOpening[rank - 1][9 - file];
  if (kSlotFormation[slot] == &kIYagura) return kYaguraKingOpening[rank - 1][9 - file];
  if (rank <= 6) return kUndecidedKingOpening[rank - 1][9 - file];
  const int pull = openingPull.value[ROW_KING][file][rank];
  if (rank == 7) return -28 + pull / 2 < 0 ? -28 + pull / 2 : 0;
  return -25 + pull;
}

// Later stages keep the enemy camp's worth, soften the middle ranks (a king
// may walk out late) and flatten the castle's preferences.
constexpr int StagedKingValue(int stage, int opening, int rank) {
  if (stage == STAGE_OPENING || rank <= 3) return opening;
  if (stage == STAGE_MIDDLE) return rank >= 7 ? opening * 8 / 10 : opening;
  return rank >= 7 ? opening / 2 : opening * 6 / 10;
}

struct BaseData {
  int value[BASE_TABLE_COUNT][GAME_STAGE_COUNT][PIECE_ROW_COUNT][9][9];
};

constexpr BaseData Generate() {
  BaseData data{};
  for (int slot = 0; slot < BASE_TABLE_COUNT; ++slot) {
    const Formation& formation = *kSlotFormation[slot];
    const PullMap openingPull = FormationPull(formation, STAGE_OPENING);
    for (int stage = 0; stage < GAME_STAGE_COUNT; ++stage) {
      const PullMap pull = FormationPull(formation, stage);
      for (int row = 0; row < PIECE_ROW_COUNT; ++row) {
        for (int rank = 1; rank <= 9; ++rank) {
          for (int file = 1; file <= 9; ++file) {
            data.value[slot][stage][row][rank - 1][9 - file] =
                row == ROW_KING ? StagedKingValue(stage, OpeningKingValue(slot, openingPull, file, rank), rank)
                                : CommonValue(row, stage, file, rank) + pull.value[row][file][rank];
          }
        }
      }
    }
  }
  return data;
}

constexpr BaseData kBaseData = Generate();

}  // namespace

const int (&g_basePieceSquare)[BASE_TABLE_COUNT][GAME_STAGE_COUNT][PIECE_ROW_COUNT][9][9] = kBaseData.value;
