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

// Cuts a CSA text into tokens: each line at its commas, blanks cut, empty
// pieces skipped. A line beginning with "'" is a comment, and so is the
// rest of a line from a "'" piece on; a line beginning with "$" is one
// token, commas included. One reader serves one read.
class CsaTokenReader {
 public:
  // The next token; false at the end of input.
  bool ReadCsaToken(InStream& in, SjisString& token);

 private:
  // The current line and where its unread rest begins (an offset, so that
  // a long line of many commas is cut in one pass).
  SjisString line_;
  int position_ = 0;
};

// A move token ("+7776FU", "-0055KA") or a "%" token (%CHUDAN, %TORYO,
// %SENNICHITE) as a move against the position; false, and the move
// untouched, for any other token or one the position can't hold.
bool ParseCsaSpecialMove(const SjisString& token, const KifuPosition& position, KifuMove& move);
// Whether a "%" token is one of the format's result words, read as a move
// or not ("%TORYO", "%KACHI"); false for any other "%" text.
bool IsCsaResultWord(const SjisString& token);
