// The castle-formation rules: per side, the silver grid is bent by where the
// golds, rook and king stand and by the side's strategy. Squares in the
// rules are seen from the side (its back rank is rank 9).
#include "engine/eval/eval_params.h"
#include "engine/eval/eval_setup.h"

namespace {

constexpr int FILL_VALUE = -30;

// One side's grid and pieces, addressed by squares seen from that side.
class SideView {
 public:
  SideView(const Position& position, int side, int32_t (&grid)[10][10])
      : position_(position), side_(side), grid_(grid) {}

  // A piece of exactly this type (code & 0x9f) of the side, or of its opponent.
  bool Own(int type, int file, int rank) const { return CodeAt(file, rank) == (type | OwnerBit(side_)); }
  bool Enemy(int type, int file, int rank) const { return CodeAt(file, rank) == (type | OwnerBit(1 - side_)); }
  bool Empty(int file, int rank) const { return CodeAt(file, rank) == 0; }
  // The opponent's king's file, seen from this side.
  int EnemyKingFile() const { return RelativeFile(side_, position_.pieces[1 - side_].file); }

  void Add(int file, int rank, int value) { At(file, rank) += value; }
  void Scale(double factor) {
    for (int file = 1; file <= 9; ++file) {
      for (int rank = 1; rank <= 9; ++rank) At(file, rank) = static_cast<int>(At(file, rank) * factor);
    }
  }
  // -30 everywhere, or everywhere but the back rank.
  void Fill(bool keepBackRank) {
    for (int file = 1; file <= 9; ++file) {
      for (int rank = 1; rank <= (keepBackRank ? 8 : 9); ++rank) At(file, rank) = FILL_VALUE;
    }
  }
  void Set(int value) {
    for (int file = 1; file <= 9; ++file) {
      for (int rank = 1; rank <= 9; ++rank) At(file, rank) = value;
    }
  }
  // Adds value[file] to every square of ranks first..last of the given files.
  void AddFiles(int firstFile, int lastFile, int firstRank, int lastRank, int value) {
    for (int file = firstFile; file <= lastFile; ++file) {
      for (int rank = firstRank; rank <= lastRank; ++rank) Add(file, rank, value);
    }
  }
  // Adds byRank[rank - 1] on every file.
  void AddByRank(const int (&byRank)[9]) {
    for (int file = 1; file <= 9; ++file) {
      for (int rank = 1; rank <= 9; ++rank) Add(file, rank, byRank[rank - 1]);
    }
  }

 private:
  PieceCode CodeAt(int file, int rank) const {
    return position_.PieceCodeAt(RelativeFile(side_, file), RelativeRank(side_, rank));
  }
  int32_t& At(int file, int rank) { return grid_[RelativeFile(side_, file)][RelativeRank(side_, rank)]; }

  const Position& position_;
  int side_;
  int32_t (&grid_)[10][10];
};

void GoldRule(SideView& view, const Position& position, int side) {
  for (int id = 6; id <= 9; ++id) {
    const PieceListEntry& gold = position.pieces[id];
    if (gold.file < 1 || !IsOwnedBy(gold.code, side)) continue;
    const int rank = RelativeRank(side, gold.rank);
    if (rank == 6) view.Scale(0.5);
    if (rank <= 5) view.Scale(0.12);
  }
}

void RangingRookRule(SideView& view) {
  if (view.Own(ROOK, 4, 8) || view.Own(ROOK, 3, 8) || view.Own(ROOK, 2, 8) || view.Own(ROOK, 1, 8)) {
    view.Fill(false);
  } else if (view.Own(KING, 5, 9) || (view.Own(GOLD, 6, 9) && view.Own(GOLD, 4, 9)) ||
             ((view.EnemyKingFile() == 3 || view.EnemyKingFile() == 4) && view.Enemy(PAWN, 7, 4))) {
    view.Scale(0.25);
  }
  view.Scale(0.8);
  if (view.Own(KING, 3, 9) && view.Own(PAWN, 5, 7)) view.Add(6, 6, -5);
}

void UndecidedRule(SideView& view) {
  if (view.Own(KING, 5, 9)) {
    view.Fill(false);
    return;
  }
  const bool rookLeft = view.Own(ROOK, 6, 8) || view.Own(ROOK, 7, 8);
  const bool kingRight = view.Own(KING, 4, 8) || view.Own(KING, 3, 9) || view.Own(KING, 3, 8) ||
                         view.Own(KING, 2, 8) || view.Own(KING, 1, 9) || view.Own(KING, 1, 8);
  if (!rookLeft || !kingRight) return;
  for (int file = 5; file <= 8; ++file) {
    view.Add(file, 9, 9);
    view.Add(file, 8, 5);
  }
}

void IYaguraRule(SideView& view) {
  view.AddFiles(6, 9, 2, 9, -12);
  view.AddFiles(5, 5, 2, 9, -8);
  view.AddFiles(1, 4, 2, 9, 4);
  view.Add(3, 7, -4);
  if (view.Own(KING, 5, 9) || view.Own(GOLD, 4, 9) || view.Own(SILVER, 7, 9)) return;
  if (view.Enemy(KING, 2, 2)) {
    view.Add(1, 5, 10);
    view.Add(1, 4, 12);
  } else if (view.Enemy(KING, 3, 1)) {
    view.Add(1, 5, 4);
    view.Add(1, 4, 10);
  } else {
    view.Fill(true);
  }
}

void IbiAnagumaRule(SideView& view) {
  if (!view.Own(KING, 9, 9) || view.Empty(8, 8)) {
    view.Scale(0.5);
    return;
  }
  view.Add(4, 7, -10);
  view.Add(4, 6, -4);
  view.Add(3, 7, -9);
  view.Add(6, 8, 5);
}

constexpr int kNakaZumaiByRank[9] = {-6, -7, -8, -9, -10, -10, -6, -6, 0};
constexpr int kTwoPieceUpperByRank[9] = {-5, -5, -5, -5, -2, 1, 4, 7, 10};

void StrategyRule(SideView& view, SenkeiId id, bool rootGrid, GameStage stage) {
  switch (id) {
    case SENKEI_UNDECIDED: UndecidedRule(view); break;
    case SENKEI_I_YAGURA: IYaguraRule(view); break;
    case SENKEI_KAKU_GAWARI:
      view.AddFiles(6, 9, 2, 9, -10);
      view.AddFiles(1, 4, 2, 9, 4);
      break;
    case SENKEI_FUNA_KYUSEN:
      view.AddFiles(6, 9, 2, 9, -8);
      view.AddFiles(1, 4, 2, 9, 4);
      break;
    case SENKEI_IBI_ANAGUMA:
      if (!rootGrid || stage == STAGE_OPENING) IbiAnagumaRule(view);
      break;
    case SENKEI_NAKA_ZUMAI:
      if (view.Own(KING, 5, 9)) view.AddByRank(kNakaZumaiByRank);
      break;
    case SENKEI_TWO_PIECE_UPPER:
      if (view.Own(KING, 5, 9)) {
        view.Set(0);
      } else {
        view.AddByRank(kTwoPieceUpperByRank);
      }
      break;
    case SENKEI_RIKISEN_NAKABISHA:
      view.Add(7, 5, -6);
      view.Add(7, 6, -6);
      view.Add(7, 7, -6);
      view.Add(8, 7, -4);
      break;
    case SENKEI_SHIIBA_GYOKU: view.Scale(0.33); break;
    default: break;
  }
}

}  // namespace

void ApplyCastleFormationRules(int32_t (*grids)[10][10], const Position& position, const SenkeiId pair[2],
                               bool rootGrid, GameStage stage) {
  for (int side = 0; side < 2; ++side) {
    SideView view(position, side, grids[side]);
    if (!rootGrid || stage == STAGE_OPENING) GoldRule(view, position, side);
    if (IsRangingRookSenkei(pair[side])) RangingRookRule(view);
    StrategyRule(view, pair[side], rootGrid, stage);
  }
}

void ScoreCastleFormation(const Position& position, GameStage stage, const SenkeiId pair[2]) {
  ApplyCastleFormationRules(g_rootEvalTables.castleGrid, position, pair, true, stage);
}

void ScoreCastleFormationParams(const Position& position, const SenkeiId pair[2]) {
  ApplyCastleFormationRules(g_evalParams.sideGridWeight, position, pair, false, STAGE_OPENING);
}
