// Strategy re-decision: the mask tests, the position mask, the random pick,
// the rook classes, the classifiers and the decision itself.
#include "engine/eval/strategy_redecision.h"

#include <initializer_list>
#include <utility>

#include "engine/board/engine_random.h"
#include "engine/eval/side_view.h"
#include "engine/service/debug_trace.h"

namespace {

constexpr SenkeiMask MaskOf(std::initializer_list<SenkeiId> ids) {
  SenkeiMask mask = 0;
  for (const SenkeiId id : ids) AddSenkei(mask, id);
  return mask;
}

constexpr SenkeiMask STATIC_ROOK_IDS = MaskOf({1, 2, 10, 21, 18});
constexpr SenkeiMask RANGING_ROOK_IDS = MaskOf({3, 9, 4, 11});
constexpr SenkeiMask AI_FURI_IDS = MaskOf({6});
constexpr SenkeiMask ANTI_RANGING_IDS = MaskOf({5, 7, 8, 22});
constexpr SenkeiMask HANDICAP_UPPER_IDS = MaskOf({12, 14, 16});
constexpr SenkeiMask HANDICAP_LOWER_IDS = MaskOf({13, 15});
// Ids the position mask never keeps: no table or no rule backs them yet.
constexpr SenkeiMask DROPPED_IDS = MaskOf({4, 11, 13, 15, 17, 20, 22});

constexpr int ROOK_CLASS_STATIC = 0, ROOK_CLASS_RANGING = 1, ROOK_CLASS_CENTRAL = 2;

int CountIds(SenkeiMask mask) { return __builtin_popcount(mask); }

// The r-th id of the mask counting from the lowest bit.
SenkeiId NthId(SenkeiMask mask, int r) {
  for (SenkeiId id = 1; id <= 32; ++id) {
    if ((mask >> (id - 1)) & 1) {
      if (r == 0) return id;
      --r;
    }
  }
  return 0;  // unreachable: the only caller draws r below the mask's count of ids
}

bool OnBoard(const PieceListEntry& entry) { return entry.file >= 1; }
bool BothBishopsOffBoard(const Position& position) {
  return !OnBoard(position.pieces[4]) && !OnBoard(position.pieces[5]);
}
bool EnemyHoldsBishop(const SideView& view) { return view.HandCount(view.Enemy(), BISHOP) > 0; }
bool OwnKingOn(const SideView& view, int file, int rank) { return view.Own(KING, file, rank); }
bool OwnSilverOnAny(const SideView& view, std::initializer_list<std::pair<int, int>> squares) {
  for (const auto& [file, rank] : squares) {
    if (view.Own(SILVER, file, rank)) return true;
  }
  return false;
}

// The side's rook: the last of the two rook pieces on the board that it
// owns; its file as the side sees it, 0 when it has none on the board.
int RookFile(const Position& position, int side) {
  int file = 0;
  for (int id = 2; id <= 3; ++id) {
    const PieceListEntry& rook = position.pieces[id];
    if (OnBoard(rook) && IsOwnedBy(rook.code, side)) file = RelativeFile(side, rook.file);
  }
  return file;
}

// The castle count of the static-rook game: how far the side has gone toward
// a 椎葉玉 set-up.
int CastleCount(const SideView& view) {
  int count = 2 * OwnKingOn(view, 6, 9) + 2 * view.Own(GOLD, 5, 9) + 2 * view.Own(SILVER, 4, 8) +
              view.Own(SILVER, 3, 9) + view.Own(GOLD, 4, 9) + view.Own(GOLD, 7, 8) + view.Own(SILVER, 8, 8) +
              view.Empty(8, 7) + view.Empty(7, 6);
  if (view.Own(ROOK, 2, 4) || view.Own(ROOK, 2, 5) || view.Own(ROOK, 2, 6)) ++count;
  return count;
}

// The two sides' pawns of a file on adjacent ranks: they are about to meet.
bool PawnsFaceOnFile(const SideView& view, int file) {
  for (int rank = 2; rank <= 9; ++rank) {
    if (view.Own(PAWN, file, rank) && view.EnemyOn(PAWN, file, rank - 1)) return true;
  }
  return false;
}

// Current 1 (居矢倉) against a ranging opponent.
SenkeiId ReconsiderYaguraAgainstRanging(const Position& position, const SideView& view, int ownClass,
                                        SenkeiMask preferred) {
  if (ownClass != ROOK_CLASS_STATIC) DebugTrace("矢倉のはずなのに飛車振っちまってるなあー, やばい！！");
  DebugTrace("あれ？相手振飛車か。戦形変更考えよう");
  if (!view.Own(GOLD, 8, 9) || view.Own(SILVER, 7, 7) || view.Own(SILVER, 8, 8)) {
    DebugTrace("→矢倉系舟囲い");
    return SENKEI_FUNA_KYUSEN;
  }
  DebugTrace("→ランダムに選択");
  return ClassifyStaticVsRanging(position, view.side, preferred);
}

// Current 9 (振飛車穴熊): given up for 四間美濃 when the enemy's silver comes
// forward before the corner is closed and the pawns are about to meet.
SenkeiId ReconsiderRangingAnaguma(const SideView& view) {
  if (!view.Own(LANCE, 1, 9) || !view.Own(SILVER, 3, 9)) return SENKEI_FURI_ANAGUMA;
  bool silverForward = false;
  for (int file = 5; file <= 8; ++file) silverForward = silverForward || view.EnemyOn(SILVER, file, 4);
  if (!silverForward) return SENKEI_FURI_ANAGUMA;
  bool pawnsFace = false;
  for (int file = 5; file <= 8; ++file) pawnsFace = pawnsFace || PawnsFaceOnFile(view, file);
  if (pawnsFace || (view.EnemyOn(ROOK, 6, 2) && view.EnemyOn(PAWN, 6, 4))) return SENKEI_SHIKEN_MINO;
  return SENKEI_FURI_ANAGUMA;
}

}  // namespace

bool MaskHasStaticRook(SenkeiMask mask) { return (mask & STATIC_ROOK_IDS) != 0; }
bool MaskHasRangingRook(SenkeiMask mask) { return (mask & RANGING_ROOK_IDS) != 0; }
bool MaskHasAiFuri(SenkeiMask mask) { return (mask & AI_FURI_IDS) != 0; }
bool MaskHasAntiRanging(SenkeiMask mask) { return (mask & ANTI_RANGING_IDS) != 0; }
bool MaskHasHandicapUpper(SenkeiMask mask) { return (mask & HANDICAP_UPPER_IDS) != 0; }
bool MaskHasHandicapLower(SenkeiMask mask) { return (mask & HANDICAP_LOWER_IDS) != 0; }

bool SingleCampMask(SenkeiMask mask) {
  if (mask == 0) return false;
  const bool staticRook = MaskHasStaticRook(mask);
  const bool rangingOrAiFuri = MaskHasRangingRook(mask) || MaskHasAiFuri(mask);
  if (staticRook && rangingOrAiFuri) return false;
  if (MaskHasAntiRanging(mask) && (staticRook || rangingOrAiFuri)) return false;
  return true;
}

SenkeiId RandomPick(SenkeiMask mask, SenkeiMask preferred) {
  // Book masks may carry bit 30 (真矢倉), which is no id a decision may give.
  mask &= ALL_SENKEI_MASK;
  preferred &= ALL_SENKEI_MASK;
  const SenkeiMask both = mask & preferred;
  const SenkeiMask pool = both != 0 ? both : mask;
  if (pool == 0) return SENKEI_UNDECIDED;
  const int r = static_cast<int>((NextRandom() & 0xFFFF) % static_cast<uint32_t>(CountIds(pool)));
  return NthId(pool, r);
}

bool KingOnRightHalf(const Position& position, int side) {
  const int file = SideView{position, side}.KingFile(side);
  return file >= 1 && file <= 4;
}

bool KingOnLeftHalf(const Position& position, int side) { return SideView{position, side}.KingFile(side) >= 6; }

int RookClass(const Position& position, int side) {
  const SideView view{position, side};
  const int kingFile = view.KingFile(side);
  const int rookFile = RookFile(position, side);
  // A side without its king on the board is judged as if the king had not moved.
  if (kingFile == 5 || kingFile == 0) {
    if (rookFile == 0) return ROOK_CLASS_STATIC;
    if (rookFile >= 6) return ROOK_CLASS_RANGING;
    if (rookFile == 5) return ROOK_CLASS_CENTRAL;
    return ROOK_CLASS_STATIC;
  }
  if (kingFile >= 6) return ROOK_CLASS_STATIC;
  return rookFile == 5 ? ROOK_CLASS_CENTRAL : ROOK_CLASS_RANGING;
}

int AnagumaObstacle(const Position& position, int side) {
  const SideView view{position, side};
  if (KingOnRightHalf(position, side)) return 100;
  const bool lanceHome = view.Own(LANCE, 9, 9);
  if (lanceHome && !OwnSilverOnAny(view, {{7, 9}, {7, 7}, {8, 7}})) return 1;
  if (EnemyHoldsBishop(view) && (lanceHome || (view.Own(SILVER, 8, 8) && !OwnKingOn(view, 9, 9)))) return 2;
  for (int id = 6; id <= 9; ++id) {
    const PieceListEntry& gold = position.pieces[id];
    if (!OnBoard(gold) || !IsOwnedBy(gold.code, side)) continue;
    const int file = RelativeFile(side, gold.file);
    if (file <= 3) return 4;
    if (file <= 6) return 5;
  }
  return 0;
}

int RangingAnagumaObstacle(const Position& position, int side) {
  const SideView view{position, side};
  if (KingOnLeftHalf(position, side)) return 100;
  const bool lanceHome = view.Own(LANCE, 1, 9);
  if (lanceHome && !OwnSilverOnAny(view, {{3, 9}, {3, 7}, {2, 7}})) return 1;
  if (!lanceHome && (!view.Own(SILVER, 2, 8) || OwnKingOn(view, 1, 9))) return 0;
  if (EnemyHoldsBishop(view)) return 2;
  return 0;
}

SenkeiId DetectCastle(const Position& position, int side) {
  const SideView view{position, side};
  if (view.Own(LANCE, 1, 9) && view.Own(SILVER, 3, 8) && view.Own(GOLD, 4, 9)) return SENKEI_SHIKEN_MINO;
  if (OwnKingOn(view, 8, 7) && view.Own(SILVER, 7, 8) && view.Own(GOLD, 6, 9)) return SENKEI_HIDARI_MINO;
  if (OwnKingOn(view, 1, 9)) return SENKEI_FURI_ANAGUMA;
  if (OwnKingOn(view, 9, 9)) return SENKEI_IBI_ANAGUMA;
  return SENKEI_UNDECIDED;
}

SenkeiMask PositionSenkeiMask(const Position& position, int side, SenkeiMask allowed) {
  SenkeiMask m = allowed & ALL_SENKEI_MASK;
  for (SenkeiId id = 4; id <= 22; ++id) {
    if (!HasSenkei(m, id)) continue;
    if ((DROPPED_IDS & SenkeiBit(id)) != 0) {
      m = RemoveSenkei(m, id);
    } else if (id == SENKEI_IBI_ANAGUMA && AnagumaObstacle(position, side) != 0) {
      m = RemoveSenkei(m, id);
    } else if (id == SENKEI_FURI_ANAGUMA && RangingAnagumaObstacle(position, side) != 0) {
      m = RemoveSenkei(m, id);
    } else if (id == SENKEI_FURI_ANA_38_GOLD) {
      m = WithSenkei(RemoveSenkei(m, id), SENKEI_FURI_ANAGUMA);
    }
  }
  const SideView view{position, side};
  if (MaskHasStaticRook(m) && MaskHasAntiRanging(m)) return 0;
  if (MaskHasHandicapUpper(m) && MaskHasHandicapLower(m)) return 0;
  if (view.EnemyOn(ROOK, 8, 2) && MaskHasAntiRanging(m)) return 0;
  const SenkeiId castle = DetectCastle(position, side);
  if (castle != SENKEI_UNDECIDED && RemoveSenkei(m, castle) != 0) return 0;
  if (MaskHasHandicapUpper(m) && side == 0) return 0;
  return m;
}

SenkeiId ClassifyStaticVsStatic(const Position& position, int side, SenkeiMask preferred) {
  const SideView view{position, side};
  if (KingOnRightHalf(position, side)) return SENKEI_MIGI_GYOKU;
  if (BothBishopsOffBoard(position)) return SENKEI_KAKU_GAWARI;
  if (view.Own(ROOK, 2, 8) && view.Own(PAWN, 2, 7) && OwnKingOn(view, 5, 9) && view.Empty(5, 8) && view.Empty(4, 8) &&
      view.Empty(3, 8)) {
    const bool prefersMino = HasSenkei(preferred, SENKEI_SHIKEN_MINO) && !HasSenkei(preferred, SENKEI_I_YAGURA);
    return prefersMino ? SENKEI_SHIKEN_MINO : SENKEI_I_YAGURA;
  }
  return CastleCount(view) >= 7 ? SENKEI_SHIIBA_GYOKU : SENKEI_I_YAGURA;
}

SenkeiId ClassifyStaticVsRanging(const Position& position, int side, SenkeiMask preferred) {
  const SideView view{position, side};
  const bool bishopHome = view.Own(BISHOP, 8, 8) || view.Own(BISHOP, 7, 9);
  if ((OwnKingOn(view, 7, 8) || OwnKingOn(view, 8, 9)) && view.Own(KNIGHT, 7, 7) &&
      OwnSilverOnAny(view, {{8, 8}, {7, 9}}) && !bishopHome) {
    return SENKEI_IBI_ANAGUMA;
  }
  if (OwnKingOn(view, 9, 9) && view.Own(LANCE, 9, 8) && view.Own(KNIGHT, 8, 9)) return SENKEI_IBI_ANAGUMA;
  if (OwnSilverOnAny(view, {{7, 8}, {8, 7}})) return SENKEI_HIDARI_MINO;
  if (view.Own(SILVER, 7, 9) && view.Own(PAWN, 8, 6)) return SENKEI_HIDARI_MINO;
  int forwardSilvers = 0;
  for (const auto& [file, rank] : {std::pair{2, 6},
                                   {3, 8},
                                   {3, 7},
                                   {3, 6},
                                   {3, 5},
                                   {4, 8},
                                   {4, 7},
                                   {4, 6},
                                   {4, 5},
                                   {5, 7},
                                   {5, 6},
                                   {6, 8},
                                   {6, 7}}) {
    forwardSilvers += view.Own(SILVER, file, rank);
  }
  if (forwardSilvers == 2) return SENKEI_FUNA_KYUSEN;
  if (view.Own(LANCE, 9, 8) && view.Own(KNIGHT, 8, 9) && (OwnKingOn(view, 8, 8) || OwnKingOn(view, 9, 9))) {
    return SENKEI_IBI_ANAGUMA;
  }
  if (OwnKingOn(view, 8, 8) && view.Own(SILVER, 7, 9)) return SENKEI_HIDARI_MINO;
  if (OwnKingOn(view, 9, 8)) return SENKEI_HIDARI_MINO;
  if (OwnSilverOnAny(view, {{7, 6}, {6, 7}})) return SENKEI_FUNA_KYUSEN;
  if (bishopHome && view.Own(SILVER, 7, 7)) return SENKEI_FUNA_KYUSEN;
  SenkeiMask candidates = SenkeiBit(SENKEI_FUNA_KYUSEN);
  if (!EnemyHoldsBishop(view)) AddSenkei(candidates, SENKEI_HIDARI_MINO);
  if (AnagumaObstacle(position, side) == 0) AddSenkei(candidates, SENKEI_IBI_ANAGUMA);
  return RandomPick(candidates, preferred);
}

SenkeiId ClassifyRangingVsStatic(const Position& position, int side) {
  const SideView view{position, side};
  if (OwnKingOn(view, 1, 9)) return SENKEI_FURI_ANAGUMA;
  if (view.Own(LANCE, 1, 8) && view.Empty(1, 9) && OwnKingOn(view, 2, 8) && !view.Empty(2, 9)) {
    if (OwnSilverOnAny(view, {{3, 7}, {1, 7}, {3, 9}})) return SENKEI_FURI_ANAGUMA;
    if (view.Own(SILVER, 2, 7) && view.Own(GOLD, 3, 9)) return SENKEI_FURI_ANAGUMA;
  }
  return SENKEI_SHIKEN_MINO;
}

SenkeiId ClassifyRangingVsRanging(const Position& /*position*/, int /*side*/) {
  // The draw is kept so that the random stream advances as the game expects.
  (void)NextRandom();
  return SENKEI_AI_FURI_KIN_MUSO;
}

SenkeiId ReconsiderStrategy(const Position& position, int side, SenkeiMask allowed, SenkeiId current,
                            SenkeiMask preferred) {
  // Book masks may carry bit 30 (真矢倉), which would come out as id 31.
  allowed &= ALL_SENKEI_MASK;
  preferred &= ALL_SENKEI_MASK;
  const SenkeiMask m = PositionSenkeiMask(position, side, allowed);
  if (current < SENKEI_UNDECIDED || current > SENKEI_MILLENNIUM) current = SENKEI_UNDECIDED;
  if (current == SENKEI_TWO_PIECE_UPPER || current == SENKEI_TWO_PIECE_LOWER) return current;
  if (!HasSenkei(m, SENKEI_SHIKEN_MINO)) {
    for (SenkeiId id = SENKEI_TWO_PIECE_UPPER; id <= SENKEI_BISHOP_UPPER; ++id) {
      if (HasSenkei(m, id)) return id;
    }
  }
  const SideView view{position, side};
  const int enemy = view.Enemy();
  for (int id = 2; id <= 3; ++id) {
    if (position.pieces[id].file == OUT_OF_PLAY_FILE && m != ALL_SENKEI_MASK && m != 0) {
      return RandomPick(m, preferred);
    }
  }
  const int ownClass = RookClass(position, side);
  const int enemyClass = RookClass(position, enemy);

  if (current == SENKEI_UNDECIDED && SingleCampMask(m)) {
    current = RandomPick(m, preferred);
    if (current > SENKEI_FURI_ANAGUMA) return current;
  }
  switch (current) {
    case SENKEI_UNDECIDED:
      if (OwnKingOn(view, 5, 8)) return SENKEI_NAKA_ZUMAI;
      if (ownClass == ROOK_CLASS_STATIC) {
        return enemyClass == ROOK_CLASS_STATIC ? ClassifyStaticVsStatic(position, side, preferred)
                                               : ClassifyStaticVsRanging(position, side, preferred);
      }
      return enemyClass == ROOK_CLASS_STATIC ? ClassifyRangingVsStatic(position, side)
                                             : ClassifyRangingVsRanging(position, side);
    case SENKEI_I_YAGURA:
      if (BothBishopsOffBoard(position)) return SENKEI_KAKU_GAWARI;
      if (enemyClass == ROOK_CLASS_STATIC) return SENKEI_I_YAGURA;
      return ReconsiderYaguraAgainstRanging(position, view, ownClass, preferred);
    case SENKEI_SHIKEN_MINO:
      if (enemyClass == ROOK_CLASS_RANGING && OwnSilverOnAny(view, {{3, 9}, {2, 8}}) && view.Own(GOLD, 4, 9)) {
        return SENKEI_AI_FURI_KIN_MUSO;
      }
      return SENKEI_SHIKEN_MINO;
    case SENKEI_SEME_MUKAIBISHA:
      if (view.Own(ROOK, 8, 8) || view.Own(ROOK, 8, 9)) return SENKEI_SEME_MUKAIBISHA;
      DebugTrace("→四間美濃に変更");
      return SENKEI_SHIKEN_MINO;
    case SENKEI_AI_FURI_KIN_MUSO:
      // The enemy's rook has stayed home and its static-rook moves have begun.
      if (view.EnemyOn(ROOK, 8, 2) &&
          (view.EnemyOn(SILVER, 6, 2) || view.EnemyOn(KING, 4, 3) || view.EnemyOn(PAWN, 8, 4))) {
        return SENKEI_SHIKEN_MINO;
      }
      return SENKEI_AI_FURI_KIN_MUSO;
    case SENKEI_FURI_ANAGUMA:
      return ReconsiderRangingAnaguma(view);
    default:
      return current;
  }
}
