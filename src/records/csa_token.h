// The CSA text format's tokens: the reader that cuts lines into
// comma-separated tokens, and the parser of move and "%" tokens against a
// position. The whole-record reader and writers are Kifu::ReadCsa,
// Kifu::WriteCsa and Kifu::WriteCsaPosition (csa_reader.cpp, csa_writer.cpp).
#pragma once

#include "charset.h"
#include "records/kifu_piece.h"
#include "records/kifu_position.h"
#include "records/record_stream.h"
#include "records/sjis_string.h"

// The next token, blanks cut: `rest` keeps the unread part of the current
// line between calls of one read (start it empty). A line beginning with
// "'" is a comment, and so is everything from a "'" piece to the line end;
// a line beginning with "$" is one token, commas included. False at the end
// of input.
bool ReadCsaToken(InStream& in, SjisString& rest, SjisString& token);
// A move token ("+7776FU", "-0055KA") or a "%" token (%CHUDAN, %TORYO,
// %SENNICHITE) as a move against the position; false, and the move
// untouched, for any other token or one the position can't hold.
bool ParseCsaSpecialMove(const SjisString& token, const KifuPosition& position, KifuMove& move);
