// The strategy vocabulary: strategy ids (senkei) with their names, the bit
// sets of still-possible strategies, and the two family tables that group
// the ranging-rook strategies and the static-rook answers to them.
#pragma once

#include <cstdint>

using SenkeiId = int;    // 0 undecided, 1-22 strategies, 31 only in book masks
using SenkeiMask = uint32_t;  // bit id - 1 for each id 1-22

enum : SenkeiId {
  SENKEI_UNDECIDED = 0,          // 未決定
  SENKEI_I_YAGURA = 1,           // 居矢倉
  SENKEI_KAKU_GAWARI = 2,        // 角換わり
  SENKEI_SHIKEN_MINO = 3,        // 四間美濃
  SENKEI_SEME_MUKAIBISHA = 4,    // 攻向飛車
  SENKEI_FUNA_KYUSEN = 5,        // 舟囲い急戦
  SENKEI_AI_FURI_KIN_MUSO = 6,   // 相振金無双
  SENKEI_HIDARI_MINO = 7,        // ひだり美濃
  SENKEI_IBI_ANAGUMA = 8,        // いびあな
  SENKEI_FURI_ANAGUMA = 9,       // 振飛車穴熊
  SENKEI_NAKA_ZUMAI = 10,        // 中住まい
  SENKEI_SUJICHIGAI_KAKU = 11,   // 筋違い角
  SENKEI_TWO_PIECE_UPPER = 12,   // ２枚落上手
  SENKEI_TWO_PIECE_LOWER = 13,   // ２枚落下手
  SENKEI_ROOK_UPPER = 14,        // 飛車落上手
  SENKEI_ROOK_LOWER = 15,        // 飛車落下手
  SENKEI_BISHOP_UPPER = 16,      // 角落上手
  SENKEI_RIKISEN_NAKABISHA = 17, // 力戦中飛車
  SENKEI_MIGI_GYOKU = 18,        // 右玉
  SENKEI_FURI_ANA_38_GOLD = 19,  // 振り穴３八金
  SENKEI_GYOKUTO_KURAIDORI = 20, // 玉頭位取り
  SENKEI_SHIIBA_GYOKU = 21,      // 椎葉玉
  SENKEI_MILLENNIUM = 22,        // ミレニアム
  SENKEI_SHIN_YAGURA = 31,       // 真矢倉, book masks only
};

inline constexpr int SENKEI_FAMILY_COUNT = 23;  // ids 0-22 have family flags
inline constexpr int SENKEI_NAME_COUNT = 32;
inline constexpr SenkeiMask ALL_SENKEI_MASK = 0x3FFFFF;

// The mask bit of a strategy id 1-31.
constexpr SenkeiMask SenkeiBit(SenkeiId id) { return SenkeiMask{1} << (id - 1); }

// Names by id 0-31; 23-30 read "----".
extern const char* const g_senkeiNames[SENKEI_NAME_COUNT];
// 1 for the ranging-rook strategies 3, 4, 9, 11, 17.
extern const int g_senkeiIsRangingRook[SENKEI_FAMILY_COUNT];
// 1 for the static-rook strategies against a ranging rook 5, 7, 8, 20.
extern const int g_senkeiIsStaticVsRanging[SENKEI_FAMILY_COUNT];

// Family tests for any id: ids past the tables (23-31) belong to neither family.
bool IsRangingRookSenkei(SenkeiId id);
bool IsStaticVsRangingSenkei(SenkeiId id);
