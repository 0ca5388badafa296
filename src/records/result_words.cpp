// The result words of record texts and what each reads as.
#include "records/result_words.h"

#include <cstring>

#include "records/sjis_string.h"

namespace {

// The order matters where a line holds several words: the one that says how
// the game ended comes before the bare outcome inside it (反則勝ち, 入玉勝ち
// before 勝ち; 切れ負け before 時間切れ, so that 時間切れ負け names the
// loser), and 不詰 before 詰. Words the record has no kind for read as the
// nearest it has: a declared win, a try and a default as 勝ち, a default
// lost as 負け, the move limit as 持将棋, a problem without mate and a
// sealed move as 中断.
constexpr ResultWord kResultWords[] = {
    {"反則勝ち", KifuMoveKind::WinByFoul, false, false},    {"反則負け", KifuMoveKind::LossByFoul, true, false},
    {"切れ負け", KifuMoveKind::LossOnTime, true, false},    {"時間切れ", KifuMoveKind::LossOnTime, false, false},
    {"入玉勝ち", KifuMoveKind::Win, false, false},          {"宣言勝ち", KifuMoveKind::Win, false, false},
    {"トライ", KifuMoveKind::Win, false, false},            {"不戦勝", KifuMoveKind::Win, false, false},
    {"不戦敗", KifuMoveKind::Loss, true, false},            {"最大手数", KifuMoveKind::Impasse, false, false},
    {"千日手", KifuMoveKind::Repetition, false, false},     {"持将棋", KifuMoveKind::Impasse, false, false},
    {"引き分け", KifuMoveKind::Impasse, false, false},      {"不詰", KifuMoveKind::Interruption, false, false},
    {"封じ手", KifuMoveKind::Interruption, false, false},   {"中断", KifuMoveKind::Interruption, false, false},
    {"詰み", KifuMoveKind::Mate, true, false},              {"詰", KifuMoveKind::Mate, true, false},
    {"投了", KifuMoveKind::Resignation, true, false},       {"負け", KifuMoveKind::Loss, true, true},
    {"勝ち", KifuMoveKind::Win, false, true},
};

bool StartsWith(const char* text, const char* prefix) { return std::strncmp(text, prefix, std::strlen(prefix)) == 0; }

}  // namespace

const ResultWord* ResultWordAt(const char* text) {
  // Every KIF move line asks: its first byte alone turns most words away.
  for (const ResultWord& result : kResultWords) {
    if (text[0] == result.word[0] && StartsWith(text, result.word)) return &result;
  }
  return nullptr;
}

const ResultWord* ResultWordIn(const char* text, const char** at) {
  const ResultWord* found = nullptr;
  for (const char* p = text; *p != '\0'; p += SjisCharacterLength(p)) {
    const ResultWord* here = ResultWordAt(p);
    if (here == nullptr || (found != nullptr && here >= found)) continue;
    found = here;
    if (at != nullptr) *at = p;
  }
  return found;
}

bool IsWinKind(KifuMoveKind kind) { return kind == KifuMoveKind::Win || kind == KifuMoveKind::WinByFoul; }

bool NamesWinner(KifuMoveKind kind) { return kind >= KifuMoveKind::Mate && kind <= KifuMoveKind::Win; }

KifuPieceCode MarkerPiece(KifuMoveKind kind, int sideToMove) {
  if (kind == KifuMoveKind::Impasse || kind == KifuMoveKind::Repetition) return KifuPieceCode(0);
  return KifuPieceCode(KIFU_KING + (sideToMove == 1 ? KIFU_SECOND_PLAYER_BIT : 0));
}
