// The words record texts end a game with, one table for every text reader,
// so that a word reads as the same result in KIF, KI2 and Japanese text.
#pragma once

#include "records/kifu_piece.h"

struct ResultWord {
  const char* word;
  // The result as a marker of the player to move, as KIF attributes it:
  // that player lost, won or neither.
  KifuMoveKind kind;
  // A player named beside the word is the loser ("先手の反則負け"), not
  // the winner ("時間切れにより後手の勝ち").
  bool namesLoser;
  // Says only who won or lost (勝ち, 負け), not how.
  bool outcomeOnly;
};

// The result word text begins with, or null.
const ResultWord* ResultWordAt(const char* text);
// The result word standing anywhere in text at a character start, the
// first of the table's order where text holds several ("反則勝ち" before
// "勝ち", "不詰" before "詰"), or null; `at`, when given, is set to where
// it stands.
const ResultWord* ResultWordIn(const char* text, const char** at = nullptr);
// Whether a marker of the kind is a win of its player (勝ち, 反則勝ち).
bool IsWinKind(KifuMoveKind kind);
// The moving-piece byte a marker of the kind carries: the king of the
// player to move, whose result it is; none for a repetition or an impasse,
// which are no player's.
KifuPieceCode MarkerPiece(KifuMoveKind kind, int sideToMove);
// Whether a marker of the kind names a winner at all (千日手, 持将棋 and
// 中断 name none).
bool NamesWinner(KifuMoveKind kind);
