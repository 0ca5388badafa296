// The KI2 writers: the header block (texts, handicap or diagram, players)
// and the selected line in relative notation, six moves a line, with the
// result line when the line ends in a marker.
#include "records/kif_format.h"
#include "records/kifu.h"
#include "records/record_stream.h"

namespace {

constexpr int MOVES_PER_LINE = 6;
constexpr int MOVE_FIELD_BYTES = 12;

// A header text as one line: CR and LF become blanks, so that no name or
// value starts a line of its own (a move line, say) in the file. Shift-JIS
// trail bytes are 0x40 and above, so the bytes can be looked at singly.
void WriteOneLine(OutStream& out, const SjisString& text) {
  for (const char* p = text.Text(); *p != '\0'; ++p) out.WriteChar(*p == '\r' || *p == '\n' ? ' ' : *p);
}

void WriteHeaderLine(OutStream& out, const char* key, const SjisString& value) {
  out.WriteString(key);
  out.WriteString("：");
  WriteOneLine(out, value);
  out.WriteString("\n");
}

// Handicap games call the players 下手 and 上手.
bool NamesHandicapPlayers(HandicapFlags flags) { return flags != HANDICAP_NONE && flags != HANDICAP_FIRST_KING; }

void WriteHeaderBlock(const Kifu& record, const KifuPosition& position, OutStream& out) {
  if (!record.Date().IsEmpty()) WriteHeaderLine(out, "対局日", record.Date());
  if (!record.Title().IsEmpty()) WriteHeaderLine(out, "表題", record.Title());
  if (!record.Event().IsEmpty()) WriteHeaderLine(out, "棋戦", record.Event());
  const SjisStringList& extra = record.ExtraHeaders();
  for (int i = 0; i + 1 < extra.Count(); i += 2) {
    WriteOneLine(out, extra.At(i));
    out.WriteString("：");
    WriteOneLine(out, extra.At(i + 1));
    out.WriteString("\n");
  }
  WriteKifHeader(position, out);
  const bool handicap = NamesHandicapPlayers(position.handicapFlags);
  WriteHeaderLine(out, handicap ? "下手" : "先手", record.PlayerName(0));
  WriteHeaderLine(out, handicap ? "上手" : "後手", record.PlayerName(1));
  out.WriteString("\n");
}

// The result of a marker by its kind; the side is the marker's owner bit.
const char* ResultText(const KifuMove& marker) {
  static const char* const kWinner[2] = {"先手の勝ち\n", "後手の勝ち\n"};
  const int side = marker.piece.Side();
  switch (marker.kind) {
    case KifuMoveKind::Mate:
    case KifuMoveKind::Resignation:
    case KifuMoveKind::LossOnTime:
    case KifuMoveKind::Loss:
    case KifuMoveKind::LossByFoul: return kWinner[1 - side];
    case KifuMoveKind::WinByFoul:
    case KifuMoveKind::Win: return kWinner[side];
    case KifuMoveKind::RepetitionCheckBySecond: return kWinner[0];  // the checking side loses
    case KifuMoveKind::RepetitionCheckByFirst: return kWinner[1];
    default: return "引き分け\n";
  }
}

}  // namespace

int Kifu::WriteKi2Position(OutStream& out, const KifuPosition& position) const {
  WriteHeaderBlock(*this, position, out);
  return 0;
}

int Kifu::WriteKi2(OutStream& out) const {
  WriteHeaderBlock(*this, StartNode()->position, out);
  const KifuMoveNode* node = Root();
  const KifuMoveNode* marker = nullptr;
  int ply = 0, onLine = 0;
  for (;;) {
    const KifuPositionNode* at = node->reachedNode;
    const KifuMoveNode* next = at != nullptr ? at->outgoing.Selected() : nullptr;
    if (next == nullptr) break;
    if (next->move.kind != KifuMoveKind::Ordinary) {
      marker = next;
      break;
    }
    SjisString text;
    at->position.MoveNotation(next->move, node->move.toFile, node->move.toRank, text);
    out.WriteString(text.Text());
    if (++onLine == MOVES_PER_LINE) {
      out.WriteString("\n");
      onLine = 0;
    } else {
      for (int pad = text.Length(); pad < MOVE_FIELD_BYTES; ++pad) out.WriteChar(' ');
    }
    node = next;
    ++ply;
  }
  if (onLine > 0) out.WriteString("\n");
  if (marker != nullptr) {
    out.WriteString("\nまで");
    out.WriteNumber(ply);
    out.WriteString("手で");
    out.WriteString(ResultText(marker->move));
  }
  return 0;
}
