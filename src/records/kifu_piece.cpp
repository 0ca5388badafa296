// Names of the record's pieces in the four styles, and the reader of one
// piece token (two ASCII letters or a Shift-JIS name or side mark).
#include "records/kifu_piece.h"

#include <cstring>

namespace {

// KifuPieceNames: [style][type]; style 1 writes empty squares as one
// full-width blank, style 3 a promoted piece as its base piece's capital.
const char* const KifuPieceNames[4][16] = {
    {"・", "歩", "香", "桂", "銀", "金", "角", "飛", "玉", "と", "杏", "圭", "全", "・", "馬", "龍"},
    {"　", "歩", "香", "桂", "銀", "金", "角", "飛", "玉", "と", "成香", "成桂", "成銀", "　", "馬", "龍"},
    {"--", "FU", "KY", "KE", "GI", "KI", "KA", "HI", "OU", "TO", "NY", "NK", "NG", "--", "UM", "RY"},
    {".", "p", "l", "n", "s", "g", "b", "r", "k", "P", "L", "N", "S", ".", "B", "R"},
};

struct TokenType {
  const char* token;
  int type;
};

// Two-letter tokens, compared after folding both letters to lower case.
constexpr TokenType kAsciiTokens[] = {
    {"fu", 1}, {"ky", 2}, {"ke", 3},  {"gi", 4},  {"ki", 5},  {"ka", 6},  {"hi", 7},
    {"ou", 8}, {"to", 9}, {"ny", 10}, {"nk", 11}, {"ng", 12}, {"um", 14}, {"ry", 15},
};

// One double-byte character each.
const TokenType kKanjiTokens[] = {
    {"歩", 1}, {"香", 2}, {"桂", 3},  {"銀", 4},  {"金", 5},  {"角", 6},  {"飛", 7},  {"王", 8},
    {"玉", 8}, {"と", 9}, {"杏", 10}, {"圭", 11}, {"全", 12}, {"馬", 14}, {"竜", 15}, {"龍", 15},
};

// Two double-byte characters each.
const TokenType kTwoKanjiTokens[] = {{"成香", 10}, {"成桂", 11}, {"成銀", 12}};

char FoldLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// strncmp stops at the text's NUL, so a short text is never read past its end.
bool StartsWith(const char* text, const char* token) { return std::strncmp(text, token, std::strlen(token)) == 0; }

}  // namespace

const char* KifuPieceCode::Name(int style) const {
  if (style < 0 || style > 3) return nullptr;
  return KifuPieceNames[style][Type()];
}

int KifuPieceCode::Parse(const char* text) {
  if (text == nullptr || text[0] == '\0') return 0;
  const int sideBit = code_ & KIFU_SECOND_PLAYER_BIT;
  const unsigned char first = static_cast<unsigned char>(text[0]);
  if (first >= 32 && first <= 126) {
    if (text[1] == '\0') return 0;
    const char letters[3] = {FoldLower(text[0]), FoldLower(text[1]), '\0'};
    for (const TokenType& entry : kAsciiTokens) {
      if (std::strcmp(letters, entry.token) == 0) {
        code_ = static_cast<uint8_t>(sideBit | entry.type);
        return 2;
      }
    }
    return 0;
  }
  for (const TokenType& entry : kKanjiTokens) {
    if (StartsWith(text, entry.token)) {
      code_ = static_cast<uint8_t>(sideBit | entry.type);
      return 2;
    }
  }
  for (const TokenType& entry : kTwoKanjiTokens) {
    if (StartsWith(text, entry.token)) {
      code_ = static_cast<uint8_t>(sideBit | entry.type);
      return 4;
    }
  }
  // A side mark sets the owner and clears the type.
  if (StartsWith(text, "▲")) {
    code_ = 0;
    return 2;
  }
  if (StartsWith(text, "△") || StartsWith(text, "▽")) {
    code_ = KIFU_SECOND_PLAYER_BIT;
    return 2;
  }
  // An empty square has no owner, so the whole code becomes 0 (a leftover
  // side bit would make an empty board compare unequal to another).
  if (StartsWith(text, "　") || StartsWith(text, "・")) {
    code_ = 0;
    return 2;
  }
  return 0;
}
