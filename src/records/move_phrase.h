// Reading one move phrase of relative Japanese notation ("▲７六歩",
// "△同　銀", "▲５二金右", "▲４五角打", "▲２二角成(01:30)") against a
// position: the legal moves that match, narrowed by the qualifier words.
#pragma once

#include <string>

#include "charset.h"
#include "records/kifu_position.h"
#include "records/read_report.h"
#include "records/sjis_string.h"

// Reads the phrase starting at byte `offset` of text in the position before
// the move, with (sameFile, sameRank) the previous move's destination for
// 同 (0, 0 when there is none). True when exactly one move matches: move is
// filled, offset is just past the phrase and the ASCII blanks after it, and
// seconds is the time in a following "(mm:ss)" (0 without one). False for a
// missing or wrong side mark, a bad square, no piece, or no single match;
// offset may then have advanced and move is untouched.
bool ParseMovePhrase(KifuMove& move, const KifuPosition& position, int sameFile, int sameRank, const SjisString& text,
                     int& offset, int& seconds);

// Whether text begins with a side mark (▲, △ or ▽).
bool StartsWithSideMark(const char* text);
// Whether a side mark stands at a character start of text, stepping by the
// code page: a damaged text may hold any bytes before it.
bool HoldsSideMark(const char* text);
// Whether text holds a move phrase, stepping by the code page: a side mark
// followed by a destination and a piece anywhere, or a phrase whose mark was
// damaged (changed, or broken up by junk bytes: no more than four bytes
// before it) that ends at the line end, a blank, a time or a mark. Text
// that names sides ("▲羽生") or openings ("横歩取り８五飛") holds none.
bool HoldsMovePhrase(const char* text);
// What a reader of phrases lost on a line, as the reason to report, or
// empty when it lost nothing. afterPhrase: offset is just past the last
// phrase read from the line, and the closed time "(mm:ss)" of that phrase
// and blanks are no loss, any other text is (an unclosed "(" holds no time
// and hides nothing). Otherwise no rule read the line from offset on, and
// any text there is a loss: the moves of a line whose side mark was
// damaged look like that.
std::string UnreadPhraseText(const SjisString& line, int offset, bool afterPhrase);
