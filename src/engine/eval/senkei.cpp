// Strategy names and family tables.
#include "engine/eval/senkei.h"

#include "charset.h"

const char* const g_senkeiNames[SENKEI_NAME_COUNT] = {
    "未決定", "居矢倉", "角換わり", "四間美濃", "攻向飛車", "舟囲い急戦", "相振金無双", "ひだり美濃",
    "いびあな", "振飛車穴熊", "中住まい", "筋違い角(振飛車美濃風の囲い)", "２枚落上手", "２枚落下手",
    "飛車落上手", "飛車落下手", "角落上手", "力戦中飛車", "右玉", "振り穴３八金(暫定)", "玉頭位取り",
    "椎葉玉", "ミレニアム", "----", "----", "----", "----", "----", "----", "----", "----", "真矢倉",
};

//                                                  0  1  2  3  4  5  6  7  8  9 10 11 12 13 14 15 16 17 18 19 20 21 22
const int g_senkeiIsRangingRook[SENKEI_FAMILY_COUNT] = {0, 0, 0, 1, 1, 0, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0};
const int g_senkeiIsStaticVsRanging[SENKEI_FAMILY_COUNT] = {0, 0, 0, 0, 0, 1, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0};

bool IsRangingRookSenkei(SenkeiId id) {
  return id >= 0 && id < SENKEI_FAMILY_COUNT && g_senkeiIsRangingRook[id] != 0;
}

bool IsStaticVsRangingSenkei(SenkeiId id) {
  return id >= 0 && id < SENKEI_FAMILY_COUNT && g_senkeiIsStaticVsRanging[id] != 0;
}
