// The CSA writers: the banner and header comments, the names, the position
// block (nine board rows, the hands, the side to move) and the main line
// with times and special moves. Every write is checked, so a failed write
// is reported rather than returned as success.
#include <string>

#include "records/checked_text_writer.h"
#include "records/csa_lines.h"
#include "records/csa_token.h"
#include "records/kifu.h"

namespace {

// A board cell: " * " for an empty square, else the owner's sign and letters.
std::string CellText(KifuPieceCode code) {
  if (!code.IsPiece()) return " * ";
  return std::string(code.Side() == 0 ? "+" : "-") + code.Name(2);
}

// The line of a special move; null for the kinds CSA does not keep.
const char* SpecialMoveLine(KifuMoveKind kind) {
  switch (kind) {
    case KifuMoveKind::Mate: return "%CHUDAN,'tsumi\n";
    case KifuMoveKind::Resignation: return "%TORYO\n";
    case KifuMoveKind::LossOnTime: return "%CHUDAN,'timeout\n";
    case KifuMoveKind::Loss: return "%CHUDAN,'lose\n";
    case KifuMoveKind::LossByFoul: return "%CHUDAN,'lose(foul)\n";
    case KifuMoveKind::WinByFoul: return "%CHUDAN,'win(foul)\n";
    case KifuMoveKind::Win: return "%CHUDAN,'win\n";
    case KifuMoveKind::Impasse: return "%CHUDAN,'jishogi\n";
    case KifuMoveKind::Repetition: return "%SENNICHITE,'draw\n";
    case KifuMoveKind::RepetitionCheckBySecond: return "%SENNICHITE,'sente win\n";
    case KifuMoveKind::RepetitionCheckByFirst: return "%SENNICHITE,'gote win\n";
    case KifuMoveKind::Interruption: return "%CHUDAN\n";
    default: return nullptr;
  }
}

// "+7776FU,T12,'": side, squares ("00" for a drop), the piece after the
// move, the seconds and an empty comment. The move's own comment is not put
// there: it may run over several lines, which one CSA line can't hold, and
// the reader takes no comments back.
void WriteMoveLine(CheckedTextWriter& writer, const KifuMoveNode& node) {
  const KifuMove& move = node.move;
  std::string line(move.piece.Side() == 0 ? "+" : "-");
  if (move.fromFile >= 10) {
    line += "00";
  } else {
    line += static_cast<char>('0' + move.fromFile);
    line += static_cast<char>('0' + move.fromRank);
  }
  line += static_cast<char>('0' + move.toFile);
  line += static_cast<char>('0' + move.toRank);
  const int type = move.piece.Type();
  const KifuPieceCode after = move.promote != 0 && IsKifuPromotableType(type) ? type + KIFU_PROMOTED_BIT : type;
  line += after.Name(2);
  line += ",T";
  writer.Write(line);
  writer.WriteNumber(node.consumedTime);
  writer.Write(",'\n");
}

// Banner, header comments, names and the position block: the file up to
// its moves. The position writer's banner has one blank less.
int WriteCsaHeader(const Kifu& kifu, const KifuPosition& position, const char* banner, OutStream& out) {
  CheckedTextWriter writer(out);
  writer.Write("'=== CSA-Format Kifu File\n");
  writer.Write(banner);
  const struct {
    const char* key;
    const SjisString& value;
  } headers[] = {{"'=== Game Date:", kifu.Date()}, {"'=== Title:", kifu.Title()}, {"'=== Kisen:", kifu.Event()}};
  for (const auto& header : headers) {
    if (header.value.IsEmpty()) continue;
    writer.Write(header.key);
    writer.WriteField(header.value, ",\r\n", "");
    writer.Write("\n");
  }
  const SjisStringList& extra = kifu.ExtraHeaders();
  for (int index = 0; index + 1 < extra.Count(); index += 2) {
    writer.Write("'=== ");
    writer.WriteField(extra.At(index), ",\r\n", "");
    writer.Write("：");
    writer.WriteField(extra.At(index + 1), ",\r\n", "");
    writer.Write("\n");
  }
  for (int side = 0; side < 2; ++side) {
    writer.Write(side == 0 ? "N+" : "N-");
    writer.WriteField(kifu.PlayerName(side), ",\r\n", "");
    writer.Write("\n");
  }
  const int block = position.WriteCsaBlock(out);
  return writer.Result() == 0 && block == 0 ? 0 : -1;
}

}  // namespace

int WriteCsaMainLine(const Kifu& kifu, OutStream& out) {
  CheckedTextWriter writer(out);
  for (const KifuPositionNode* at = kifu.StartNode(); at != nullptr && at->outgoing.Count() > 0;) {
    const KifuMoveNode* node = at->outgoing.At(0);
    if (node->move.kind == KifuMoveKind::Ordinary) {
      WriteMoveLine(writer, *node);
    } else if (const char* line = SpecialMoveLine(node->move.kind); line != nullptr) {
      writer.Write(line);
    }
    at = node->reachedNode;
  }
  return writer.Result();
}

int KifuPosition::WriteCsaBlock(OutStream& out) const {
  CheckedTextWriter writer(out);
  for (int rank = 1; rank <= 9; ++rank) {
    std::string line("P");
    line += static_cast<char>('0' + rank);
    for (int file = 9; file >= 1; --file) line += CellText(At(file, rank));
    line += "\n";
    writer.Write(line);
  }
  for (int side = 0; side < 2; ++side) {
    for (int type = KIFU_PAWN; type <= KIFU_ROOK; ++type) {
      if (hands[side][type] < 1) continue;
      std::string line(side == 0 ? "P+" : "P-");
      for (int count = 0; count < hands[side][type]; ++count) {
        line += "00";
        line += KifuPieceCode(type).Name(2);
      }
      line += "\n";
      writer.Write(line);
    }
  }
  writer.Write(sideToMove == 0 ? "+\n" : "-\n");
  return writer.Result();
}

int Kifu::WriteCsa(OutStream& out) const {
  const int header = WriteCsaHeader(*this, StartNode()->position, "'===   generated by QX-SHOGI\n", out);
  const int moves = WriteCsaMainLine(*this, out);
  return header == 0 && moves == 0 ? 0 : -1;
}

int Kifu::WriteCsaPosition(OutStream& out, const KifuPosition& position) const {
  return WriteCsaHeader(*this, position, "'===  generated by QX-SHOGI\n", out);
}
