// Strategy adjustments of the active piece-square table: the per-think
// adjustment of both sides (the endgame king cap, then the family and
// strategy adjusters and the inline rules), the temporary adjustment of one
// root move, and the castle-loosening test of a root move.
#include <algorithm>

#include "engine/eval/formation_adjusters.h"
#include "engine/eval/piece_square_table.h"
#include "engine/eval/side_view.h"
#include "engine/service/debug_trace.h"

namespace {

// ---------------------------------------------------------------------------
// Endgame king cap

// Weight of a square by ranks ahead of the king (2-8) and |file offset| (0-2).
constexpr double kShelterWeight[9][3] = {
    {0, 0, 0},          {0, 0, 0},          {1.0, 0.95, 0.8},   {0.95, 0.9, 0.8},   {0.87, 0.84, 0.74},
    {0.79, 0.77, 0.69}, {0.71, 0.69, 0.64}, {0.64, 0.62, 0.59}, {0.6, 0.58, 0.56},
};

// Defenders and promoted pieces count three times a plain attacker.
int KindFactor(PieceCode code) {
  switch (TypeOf(code)) {
    case GOLD: case SILVER: case KING: case DRAGON: case HORSE:
    case PRO_SILVER: case PRO_KNIGHT: case PRO_LANCE: case TOKIN:
      return 3;
    default:
      return 1;
  }
}

// Who holds the files in front of a king standing back home late in the
// game; when the enemy does, the king must not step up toward ranks 5-7.
void CapKingAdvanceWhenOutnumbered(const SideView& view) {
  const int kingFile = view.KingFile(view.side);
  const int kingRank = view.KingRank(view.side);
  if (kingRank < 6) return;
  double balance = 0;
  for (int ahead = 2; ahead <= 8; ++ahead) {
    for (int offset = -2; offset <= 2; ++offset) {
      const int file = kingFile + offset;
      const int rank = kingRank - ahead;
      if (!IsOnBoard(file, rank)) continue;
      const PieceCode code = view.CodeAt(file, rank);
      const double weight = kShelterWeight[ahead][offset < 0 ? -offset : offset] * KindFactor(code);
      if (IsOwnedBy(code, view.side)) balance += weight;
      if (IsOwnedBy(code, view.Enemy())) balance -= weight;
    }
  }
  DebugTrace("V = %.1f", balance);
  if (balance >= 0) return;
  const int homeValue = view.Value(KING, kingFile >= 5 ? 8 : 2, 8);
  for (int file = 1; file <= 9; ++file) {
    for (int rank = 5; rank <= 7; ++rank) {
      int& entry = view.Value(KING, file, rank);
      entry = std::min(entry, homeValue - 150 * (8 - rank));
    }
  }
}

// ---------------------------------------------------------------------------
// Inline strategy rules

void AdjustKakuGawari(const SideView& v) {
  if (v.Own(SILVER, 3, 9)) {
    for (int file = 3; file <= 9; ++file) {
      for (int rank = 4; rank <= 9; ++rank) v.Add(ROOK, file, rank, -20);
    }
    v.Add(SILVER, 4, 8, 3);
  }
  if (v.EnemyOn(PAWN, 1, 4) && v.Own(KNIGHT, 2, 5)) v.Add(PAWN, 3, 6, -70);
}

void AdjustFuriAnaguma(const SideView& v) {
  if (v.Own(SILVER, 3, 9)) v.Add(GOLD, 3, 9, -5);
  const bool kingOn28 = v.Own(KING, 2, 8);
  const bool kingOn19 = v.Own(KING, 1, 9);
  if (!kingOn28) v.Add(LANCE, 1, 8, -10);
  if (!kingOn28 && !kingOn19) v.Add(SILVER, 2, 8, -20);
  if (!(kingOn19 && v.Own(SILVER, 2, 8))) {
    v.Add(PAWN, 4, 7, 10);
    v.Add(PAWN, 3, 7, 15);
  }
}

void AdjustShiibaGyoku(const SideView& v) {
  if (!v.Own(KING, 6, 9)) return;
  if (v.EnemyOn(KING, 5, 2)) {
    for (int rank = 7; rank <= 9; ++rank) v.Add(PAWN, 5, rank, -10);
    v.Add(PAWN, 5, 6, -8);
    v.Add(PAWN, 5, 5, -2);
  } else if (v.EnemyOn(KING, 4, 2)) {
    for (int rank = 6; rank <= 9; ++rank) v.Add(PAWN, 5, rank, -7);
    v.Add(PAWN, 5, 5, -2);
  }
  if (!v.Own(GOLD, 4, 9) && !v.Own(GOLD, 5, 9)) v.Add(SILVER, 4, 8, -10);
  for (int rank = 1; rank <= 8; ++rank) v.AddEnemy(PAWN, 8, rank, -15);
  if (v.EnemyOn(BISHOP, 2, 2)) v.AddEnemy(SILVER, 2, 2, 20);
}

void ApplyStrategyToSide(const Position& position, GameStage stage, const SenkeiId pair[2], int side) {
  const SideView v{position, side};
  const SenkeiId id = pair[side];
  if (stage == STAGE_ENDGAME) {
    if (position.sideToMove == side) CapKingAdvanceWhenOutnumbered(v);
    return;
  }
  if (v.Own(BISHOP, 8, 8)) v.Add(PAWN, 7, 7, -8);
  if (IsRangingRookSenkei(id)) {
    AdjustRangingRook(position, stage, side);
  } else if (IsStaticVsRangingSenkei(id)) {
    AdjustStaticVsRanging(position, stage, side);
  } else if ((id == SENKEI_I_YAGURA || id == SENKEI_KAKU_GAWARI) && v.Own(SILVER, 7, 7) && v.Own(SILVER, 6, 8)) {
    v.Add(SILVER, 6, 7, 10);
  }
  switch (id) {
    case SENKEI_UNDECIDED: AdjustUndecided(position, side, stage, pair); break;
    case SENKEI_I_YAGURA: AdjustIYagura(position, side); break;
    case SENKEI_KAKU_GAWARI: AdjustKakuGawari(v); break;
    case SENKEI_SHIKEN_MINO: AdjustShikenMino(position, stage, side); break;
    case SENKEI_FUNA_KYUSEN: AdjustFunaKyusen(position, stage, side); break;
    case SENKEI_AI_FURI_KIN_MUSO: AdjustAiFuriKinMuso(position, stage, side); break;
    case SENKEI_HIDARI_MINO: AdjustHidariMino(position, stage, side); break;
    case SENKEI_IBI_ANAGUMA: AdjustIbiAnaguma(position, stage, side); break;
    case SENKEI_FURI_ANAGUMA:
    case SENKEI_FURI_ANA_38_GOLD: AdjustFuriAnaguma(v); break;
    case SENKEI_NAKA_ZUMAI: AdjustNakaZumai(position, side); break;
    case SENKEI_SHIIBA_GYOKU: AdjustShiibaGyoku(v); break;
    default: break;
  }
}

// ---------------------------------------------------------------------------
// Root-move rules

// A root move seen from its mover: the moving type and both squares
// relative to the mover.
struct MoverMove {
  const SideView& v;
  int type;  // TypeOf the moving piece before promotion
  int fromFile, fromRank, toFile, toRank;
  bool isDrop;

  bool Is(int pieceType, int file, int rank, int destFile, int destRank) const {
    return From(pieceType, file, rank) && toFile == destFile && toRank == destRank;
  }
  bool From(int pieceType, int file, int rank) const {
    return !isDrop && type == pieceType && fromFile == file && fromRank == rank;
  }
};

// Saves the mover's rows before the first change of this root move.
void Fire(int side, int code) {
  if (g_tableModified != 0) return;
  SaveEvalTableSide(side);
  g_tableModified = code;
}

bool RookSwungFromHome(const MoverMove& m) { return m.From(ROOK, 2, 8) && m.toFile >= 5; }

void StaticVsRangingMoveRules(const MoverMove& m) {
  const SideView& v = m.v;
  if (m.Is(PAWN, 1, 7, 1, 6)) {
    const int squares[4][2] = {{2, 4}, {3, 3}, {4, 2}, {5, 1}};
    for (const auto& [file, rank] : squares) {
      if (v.EnemyOn(BISHOP, file, rank) &&
          AttackedByPiece(v.position, v.Enemy(), v.File(1), v.Rank(5), v.position.PieceIdAt(v.File(file), v.Rank(rank)))) {
        Fire(v.side, 7);
        v.Add(KNIGHT, 3, 7, 10);
        break;
      }
    }
  } else if (m.Is(GOLD, 5, 8, 6, 8) && v.Own(KING, 5, 9)) {
    Fire(v.side, 9);
    v.Add(GOLD, 6, 8, -25);
  } else if (m.Is(PAWN, 2, 6, 2, 5) && v.Own(ROOK, 2, 8)) {
    Fire(v.side, 11);
    v.Add(PAWN, 2, 5, 5);
  } else if (m.Is(GOLD, 7, 8, 6, 7)) {
    Fire(v.side, 13);
    v.Add(GOLD, 6, 7, -20);
  }
}

void RangingRookMoveRules(const MoverMove& m) {
  const SideView& v = m.v;
  if (RookSwungFromHome(m) && v.Value(GOLD, 3, 8) < -10) {
    // The rook has swung: undo the ranging-rook adjuster's "castle stays
    // behind the rook" penalties for this root move.
    Fire(v.side, 1);
    for (int file = 3; file <= 7; ++file) v.Add(GOLD, file, 8, 35);
    for (int file = 2; file <= 6; ++file) v.Add(GOLD, file, 7, 20);
    for (int file = 3; file <= 5; ++file) v.Add(SILVER, file, 8, 35);
    for (int file = 2; file <= 5; ++file) v.Add(SILVER, file, 7, 20);
    for (int file = 1; file <= 9; ++file) {
      for (int rank = 1; rank <= 6; ++rank) {
        v.Add(GOLD, file, rank, 40);
        v.Add(SILVER, file, rank, 40);
      }
    }
    for (int file = 3; file <= 7; ++file) v.Add(KING, file, 8, 40);
    v.Add(KING, 3, 9, 20);
    v.Add(LANCE, 9, 8, 8);
  } else if (!m.isDrop && m.fromFile == 5 && m.fromRank == 8 && m.toFile == 4 && m.toRank == 8 && v.Own(KING, 5, 9)) {
    Fire(v.side, 3);
    v.Add(GOLD, 4, 8, -25);
  }
}

void IYaguraMoveRules(const MoverMove& m) {
  const SideView& v = m.v;
  const bool bishopTo26 = m.toFile == 2 && m.toRank == 6 &&
                          (m.From(BISHOP, 5, 9) || m.From(BISHOP, 4, 8) || m.From(BISHOP, 3, 7));
  if (bishopTo26) {
    Fire(v.side, 15);
    v.Add(KNIGHT, 3, 7, 30);
    v.Add(KNIGHT, 4, 5, 30);
    v.Add(KNIGHT, 2, 5, 30);
    if (m.fromFile == 5) {
      for (int rank = 5; rank <= 8; ++rank) v.Set(ROOK, 4, rank, 0);
    }
    return;
  }
  if (m.From(BISHOP, 7, 9) && v.Own(SILVER, 3, 7) && v.Own(KING, 6, 9)) {
    Fire(v.side, 17);
    v.Add(BISHOP, 3, 5, -17);
    v.Add(BISHOP, 4, 6, -17);
    v.Add(BISHOP, 5, 7, -17);
    if (v.Own(PAWN, 3, 6)) v.Add(PAWN, 3, 6, 5);
    return;
  }
  if (!m.isDrop && m.type == PAWN && m.fromFile == 2 && v.Own(ROOK, 2, 8)) {
    const int enemy = v.Enemy();
    const int file6 = v.File(6);
    const SquareAttackRecord* record = v.position.SquareRecord(file6, v.Rank(6));
    const uint32_t bishops = (record->directSet[enemy].low | record->xraySet[enemy]) & 0x30u;  // ids 4, 5
    const bool bishopAimsAt66 = bishops != 0 && (v.EnemyOn(PAWN, 6, 4) || v.EnemyOn(PAWN, 6, 5) ||
                                                 v.position.PawnRankOnFile(enemy, file6) == 0);
    const bool bishopFacesSilver = v.EnemyOn(BISHOP, 2, 2) && v.Empty(3, 3) && v.Own(SILVER, 4, 4);
    if (bishopAimsAt66 || bishopFacesSilver) {
      Fire(v.side, 19);
      v.Add(PAWN, 2, 5, -5);
      v.Add(PAWN, 2, 6, -20);
      v.Add(PAWN, 2, 7, -27);
    }
  }
}

void KakuGawariMoveRules(const MoverMove& m) {
  const SideView& v = m.v;
  if (m.Is(GOLD, 7, 8, 6, 7) || m.Is(GOLD, 7, 8, 6, 8) || m.Is(GOLD, 6, 9, 5, 8)) {
    Fire(v.side, 21);
    v.Add(GOLD, m.toFile, m.toRank, -15);
  } else if (m.Is(GOLD, 4, 9, 5, 8) && v.DirectAttackers(v.side, 6, 7) == 1) {
    Fire(v.side, 25);
    v.Add(GOLD, 6, 7, 8);
  } else if (m.Is(KING, 6, 9, 6, 8)) {
    Fire(v.side, 27);
    v.Add(KING, 6, 8, -20);
  }
}

void ShikenMinoMoveRules(const MoverMove& m) {
  const SideView& v = m.v;
  if (m.Is(SILVER, 3, 8, 4, 7) || m.Is(SILVER, 3, 8, 3, 7)) {
    Fire(v.side, 29);
    v.Add(SILVER, m.toFile, m.toRank, -20);
  } else if (m.Is(GOLD, 4, 9, 5, 8) || m.Is(GOLD, 4, 9, 4, 8) || m.Is(GOLD, 3, 8, 4, 7)) {
    Fire(v.side, 31);
    v.Add(GOLD, m.toFile, m.toRank, -28);
  } else if (m.Is(GOLD, 3, 8, 4, 8)) {
    Fire(v.side, 33);
    v.Add(GOLD, 5, 8, -15);
  } else if (m.Is(SILVER, 5, 6, 6, 7)) {
    Fire(v.side, 35);
    v.Add(SILVER, 6, 7, -10);
  }
}

void AiFuriKinMusoMoveRules(const MoverMove& m) {
  const SideView& v = m.v;
  if (RookSwungFromHome(m) && v.Value(GOLD, 3, 8) < -30) {
    Fire(v.side, 39);
    for (int file = 3; file <= 5; ++file) v.Add(GOLD, file, 8, 50);
    for (int file = 2; file <= 5; ++file) v.Add(SILVER, file, 8, 50);
    v.Add(KING, 5, 8, 50);
    v.Add(KING, 4, 8, 50);
  } else if (m.Is(GOLD, 4, 9, 5, 8)) {
    Fire(v.side, 41);
    v.Add(GOLD, 5, 8, -20);
  } else if (!m.isDrop && m.type == PAWN && m.fromRank == 5 && m.toRank == 4 && m.fromFile == m.toFile) {
    const PieceListEntry& rook2 = v.position.pieces[2];
    const int rookId = (rook2.file >= 1 && IsOwnedBy(rook2.code, v.side) && TypeOf(rook2.code) == ROOK) ? 2 : 3;
    const PieceListEntry& rook = v.position.pieces[rookId];
    if (rook.file < 1) return;
    const int rookFile = v.File(rook.file);
    if (rookFile == m.fromFile && rookFile >= 6 && rookFile <= 8 && v.EnemyOn(PAWN, rookFile, 3)) {
      Fire(v.side, 43);
      v.Add(PAWN, rookFile, 4, -15);
      v.Add(PAWN, rookFile, 5, -15);
    }
  }
}

}  // namespace

void ApplyStrategyToEvalTables(const Position& position, GameStage stage, const SenkeiId pair[2]) {
  for (int side = 0; side < 2; ++side) ApplyStrategyToSide(position, stage, pair, side);
}

void AdjustTablesForMove(const Position& position, const MoveRecord& move, GameStage stage, SenkeiId moverId) {
  g_tableModified = 0;
  if (stage >= STAGE_ENDGAME || move.IsNull()) return;
  const int mover = 1 - position.sideToMove;
  const SideView v{position, mover};
  const bool isDrop = move.IsDrop();
  const MoverMove m{v,
                    TypeOf(move.pieceCode),
                    isDrop ? 0 : v.File(move.fromFile),
                    isDrop ? 0 : v.Rank(move.fromRank),
                    v.File(move.toFile),
                    v.Rank(move.toRank),
                    isDrop};
  if (IsRangingRookSenkei(moverId)) RangingRookMoveRules(m);
  if (IsStaticVsRangingSenkei(moverId)) StaticVsRangingMoveRules(m);
  switch (moverId) {
    case SENKEI_I_YAGURA:
      IYaguraMoveRules(m);
      KakuGawariMoveRules(m);
      break;
    case SENKEI_KAKU_GAWARI: KakuGawariMoveRules(m); break;
    case SENKEI_SHIKEN_MINO: ShikenMinoMoveRules(m); break;
    case SENKEI_FUNA_KYUSEN:
      if (m.Is(PAWN, 3, 7, 3, 6)) {
        Fire(mover, 37);
        v.Add(PAWN, 3, 7, -8);
      }
      break;
    case SENKEI_AI_FURI_KIN_MUSO: AiFuriKinMusoMoveRules(m); break;
    case SENKEI_HIDARI_MINO:
      if (m.Is(SILVER, 7, 8, 6, 7) || m.Is(SILVER, 7, 8, 7, 7)) {
        Fire(mover, 45);
        v.Add(SILVER, m.toFile, m.toRank, -20);
      }
      break;
    case SENKEI_IBI_ANAGUMA:
      if (m.From(GOLD, 7, 8) && m.toRank == 9 && !v.Own(KING, 9, 9)) {
        Fire(mover, 47);
        v.Add(GOLD, m.toFile, m.toRank, -35);
      }
      break;
    default: break;
  }
}

bool WeakensFormation(const Position& position, const MoveRecord& move, const SenkeiId pair[2]) {
  if (move.IsNull() || move.IsDrop() || move.IsCapture()) return false;
  const int mover = 1 - position.sideToMove;
  const int type = TypeOf(move.pieceCode);
  const PieceSquareTable& table = *g_activePieceSquareTable;
  auto valueTestHolds = [&] {
    const int row = g_pieceSquareRow[type];
    return table.At(row, mover, move.toFile, move.toRank) + 4 < table.At(row, mover, move.fromFile, move.fromRank);
  };
  const int fromRank = RelativeRank(mover, move.fromRank);
  const int toRank = RelativeRank(mover, move.toRank);
  switch (type) {
    case GOLD:
    case KING:
      return valueTestHolds();
    case SILVER: {
      const bool backward = toRank == 9 || (fromRank == 7 && toRank == 8);
      if (backward && valueTestHolds()) return true;
      if (pair[mover] != SENKEI_I_YAGURA) return false;
      const SideView v{position, mover};
      return backward || (RelativeFile(mover, move.fromFile) == 7 && fromRank == 7 &&
                          RelativeFile(mover, move.toFile) == 7 && toRank == 6 && !v.Own(PAWN, 7, 5));
    }
    case KNIGHT:
      return toRank == 7 && valueTestHolds();
    default:
      return false;
  }
}
