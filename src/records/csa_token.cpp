// CSA tokens: lines cut at commas with comments dropped, and move tokens
// turned into record moves.
#include "records/csa_token.h"

#include <cstring>
#include <string>

namespace {

// Every result word of the format. The record keeps three of them as
// moves, taken as prefixes of the text after "%"; it has no kind for the
// others (Ordinary here), which are passed over: a file that ends with one
// of them is still whole.
struct ResultWord {
  const char* word;
  KifuMoveKind kind;
};
constexpr ResultWord kResultWords[] = {
    {"TORYO", KifuMoveKind::Resignation},        {"CHUDAN", KifuMoveKind::Interruption},
    {"SENNICHITE", KifuMoveKind::Repetition},    {"TIME_UP", KifuMoveKind::Ordinary},
    {"ILLEGAL_MOVE", KifuMoveKind::Ordinary},    {"+ILLEGAL_ACTION", KifuMoveKind::Ordinary},
    {"-ILLEGAL_ACTION", KifuMoveKind::Ordinary}, {"JISHOGI", KifuMoveKind::Ordinary},
    {"KACHI", KifuMoveKind::Ordinary},           {"HIKIWAKE", KifuMoveKind::Ordinary},
    {"MAX_MOVES", KifuMoveKind::Ordinary},       {"TSUMI", KifuMoveKind::Ordinary},
    {"FUZUMI", KifuMoveKind::Ordinary},          {"ERROR", KifuMoveKind::Ordinary},
    {"MATTA", KifuMoveKind::Ordinary},
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool IsCsaResultWord(const SjisString& token) {
  if (token.Text()[0] != '%') return false;
  for (const ResultWord& result : kResultWords) {
    if (std::strcmp(token.Text() + 1, result.word) == 0) return true;
  }
  return false;
}

bool CsaTokenReader::ReadCsaToken(InStream& in, SjisString& token) {
  for (;;) {
    if (position_ >= line_.Length()) {
      if (in.ReadLine(line_) != 0) return false;
      line_.TrimLeft();
      line_.TrimRight();
      position_ = 0;
      // A comment line may hold commas of its own; none of them starts a token.
      if (line_.Text()[0] == '\'') {
        line_.Clear();
        continue;
      }
      // "$KEY:value" header values may hold commas too.
      if (line_.Text()[0] == '$') {
        position_ = line_.Length();
        token = line_;
        return true;
      }
    }
    const int comma = line_.FindByte(',', position_);
    const int end = comma < 0 ? line_.Length() : comma;
    token.Assign(std::string(line_.Text() + position_, static_cast<size_t>(end - position_)).c_str());
    position_ = end + 1;
    token.TrimLeft();
    token.TrimRight();
    // A comment after a statement runs to the line end.
    if (token.Text()[0] == '\'') position_ = line_.Length();
    if (!token.IsEmpty() && token.Text()[0] != '\'') return true;
  }
}

bool ParseCsaSpecialMove(const SjisString& token, const KifuPosition& position, KifuMove& move) {
  const char* text = token.Text();
  const int mover = position.sideToMove == 1 ? 1 : 0;
  if (text[0] == '%') {
    for (const ResultWord& result : kResultWords) {
      if (result.kind != KifuMoveKind::Ordinary && std::strncmp(text + 1, result.word, std::strlen(result.word)) == 0) {
        const int king = KIFU_KING + (mover == 1 ? KIFU_SECOND_PLAYER_BIT : 0);
        move = KifuMove(0, 0, 0, 0, king, 0, 0, result.kind);
        return true;
      }
    }
    return false;
  }
  if (text[0] != '+' && text[0] != '-') return false;
  const int side = text[0] == '-' ? 1 : 0;
  const int sideBit = side == 1 ? KIFU_SECOND_PLAYER_BIT : 0;
  for (int index = 1; index <= 4; ++index) {
    if (!IsDigit(text[index])) return false;
  }
  const int fromFile = text[1] - '0', fromRank = text[2] - '0';
  const int toFile = text[3] - '0', toRank = text[4] - '0';
  if (toFile < 1 || toRank < 1) return false;

  KifuPieceCode named(0);
  const int used = named.Parse(text + 5);
  // Only the piece may follow the squares; side marks and blanks parse as no piece.
  if (used == 0 || text[5 + used] != '\0' || !named.IsPiece()) return false;
  const int type = named.Type();

  KifuMove parsed;
  if (fromFile >= 1 && fromRank >= 1) {
    const KifuPieceCode piece = position.At(fromFile, fromRank);
    if (!piece.IsPiece() || piece.Side() != side) return false;
    int promote;
    if (type == piece.Type()) {
      promote = 0;
    } else if (named.IsPromoted() && (type & 7) == piece.Type()) {
      promote = 1;
    } else {
      return false;
    }
    parsed = KifuMove(fromFile, fromRank, toFile, toRank, piece, 0, promote, KifuMoveKind::Ordinary);
  } else if (fromFile == 0 && fromRank == 0) {
    if (type < KIFU_PAWN || type > KIFU_ROOK) return false;
    parsed = KifuMove(side == 0 ? KIFU_FIRST_HAND_FILE : KIFU_SECOND_HAND_FILE, type, toFile, toRank, sideBit | type, 0,
                      0, KifuMoveKind::Ordinary);
  } else {
    return false;
  }
  const KifuPieceCode captured = position.At(toFile, toRank);
  if (captured.IsPiece() && captured.Side() == side) return false;
  // An empty square's code (0 or 13, either side) is captured as 0.
  parsed.captured = captured.IsPiece() ? captured : KifuPieceCode(0);
  move = parsed;
  return true;
}
