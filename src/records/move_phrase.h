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

// Whether the character at p belongs to words of prose: a kanji or a kana.
bool IsWordCharacter(const char* p);
// Whether text begins with a side mark (▲, △ or ▽).
bool StartsWithSideMark(const char* text);
// Whether a side mark stands at a character start of text, stepping by the
// code page: a damaged text may hold any bytes before it.
bool HoldsSideMark(const char* text);
// Whether text begins with a side mark followed by what can begin a phrase
// (a file, or 同), or by what a damaged phrase leaves: nothing (a phrase cut
// short), or a rank and a piece after junk or nothing (its file changed or
// lost). A mark before a name ("▲羽生善治", "▽後手：森内俊之") begins none.
bool BeginsMovePhrase(const char* text);
// Whether text holds a side mark followed by a destination and a piece
// anywhere, stepping by the code page. Prose that names sides ("▲羽生") or
// squares ("▲５五　の地点") holds none.
bool HoldsMarkedMovePhrase(const char* text);
// The same, or a phrase whose mark was damaged, which ends at the line end,
// a blank, a time or a mark: it stands where the mark stood, after at most
// two characters or four bytes (the mark's bytes changed, or two put in
// among them) or after a run of junk that holds no word (no kanji, no
// kana). Header prose that names openings or moves ("横歩取り８五飛",
// "研究 ７六歩") holds none.
bool HoldsMovePhrase(const char* text);
// What a reader of phrases lost on a line, as the reason to report, or
// empty when it lost nothing. afterPhrase: offset is just past the last
// phrase read from the line, and the closed time "(mm:ss)" of that phrase
// and blanks are no loss, any other text is (an unclosed "(" holds no time
// and hides nothing). Otherwise no rule read the line from offset on, and
// any text there is a loss: the moves of a line whose side mark was
// damaged look like that.
std::string UnreadPhraseText(const SjisString& line, int offset, bool afterPhrase);
