// The KIF writers: the whole record graph as a depth-first listing of its
// lines with labels and gotos for merged positions, and the headers alone
// for one position.
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "records/kif_format.h"
#include "records/kifu.h"
#include "records/kifu_list_text.h"

namespace {

constexpr int kMoveTextColumns = 13;

// Texts of the markers. Take-back and resumption get words of their own so
// that a record read back keeps them (the reader stops at a line without
// text); the game start and unknown kinds have none.
const char* SpecialMoveText(KifuMoveKind kind) {
  switch (kind) {
    case KifuMoveKind::Mate: return "詰み";
    case KifuMoveKind::Resignation: return "投了";
    case KifuMoveKind::LossOnTime: return "切れ負け";
    case KifuMoveKind::Loss: return "負け";
    case KifuMoveKind::LossByFoul: return "反則負け";
    case KifuMoveKind::WinByFoul: return "反則勝ち";
    case KifuMoveKind::Win: return "勝ち";
    case KifuMoveKind::Impasse: return "持将棋";
    case KifuMoveKind::Repetition:
    case KifuMoveKind::RepetitionCheckBySecond:
    case KifuMoveKind::RepetitionCheckByFirst: return "千日手";
    case KifuMoveKind::TakeBack: return "待った";
    case KifuMoveKind::Interruption: return "中断";
    case KifuMoveKind::Resumption: return "再開";
    default: return "";
  }
}

// The destination, piece, promotion and source of an ordinary move.
void OrdinaryMoveText(const KifuMoveNode& node, SjisString& text) {
  const KifuMove& move = node.move;
  const KifuMoveNode* arrival = node.leftNode == nullptr ? nullptr : node.leftNode->incoming.At(0);
  if (arrival != nullptr && arrival->move.toFile == move.toFile && arrival->move.toRank == move.toRank) {
    text.Append("同　");
  } else {
    SjisString numeral;
    numeral.SetFullWidthNumber(move.toFile);
    text.Append(numeral);
    numeral.SetKanjiNumber(move.toRank);
    text.Append(numeral);
  }
  const char* name = move.piece.Name(1);
  text.Append(name == nullptr ? "" : name);
  if (move.promote != 0) text.Append("成");
  if (move.fromFile >= 1 && move.fromFile <= 9) {
    char source[16];
    std::snprintf(source, sizeof(source), "(%d%d)", int{move.fromFile}, int{move.fromRank});
    text.Append(source);
  } else {
    text.Append("打");
  }
}

class KifWriter {
 public:
  KifWriter(const Kifu& kifu, OutStream& out) : kifu_(kifu), out_(out) {}

  void WriteMoves() {
    // Each pending move with its number: the depth along the line written,
    // which the reader counts. A position's own ply follows its selected
    // incoming move and can differ after a merge of lines of unequal length.
    std::vector<std::pair<const KifuMoveNode*, int>> pending{{kifu_.Root(), 0}};
    while (!pending.empty()) {
      const auto [node, depth] = pending.back();
      pending.pop_back();
      if (node != kifu_.Root()) {
        WriteMoveLine(*node, depth);
        if (node->move.kind == KifuMoveKind::Ordinary) WriteKifAnalysis(out_, *node);
      }
      WriteKifComment(out_, node->comment);
      const KifuPositionNode* reached = node->reachedNode;
      if (reached == nullptr) {  // only a move node outside any table; a record's always reach a position
        out_.WriteString(KIF_SEPARATOR);
        out_.WriteString("\n");
        continue;
      }
      if (reached->incoming.Count() > 1) {
        char name[32];
        std::snprintf(name, sizeof(name), "kyoku%d", labelCounter_++);
        const auto key = reinterpret_cast<intptr_t>(reached);
        if (labels_.InsertByValue(name, key) == 0) {
          WriteLine("#% label ", name);
        } else {
          WriteLine("#% goto ", labels_.FindByValue(key));
          WriteLine(KIF_SEPARATOR, "");
          continue;
        }
      }
      const int count = reached->outgoing.Count();
      for (int index = count - 1; index >= 0; --index) pending.push_back({reached->outgoing.At(index), depth + 1});
      if (count == 0) WriteLine(KIF_SEPARATOR, "");
    }
  }

 private:
  void WriteLine(const char* head, const char* rest) {
    out_.WriteString(head);
    out_.WriteString(rest);
    out_.WriteString("\n");
  }

  // Number, move text padded to 13 columns, and the time field twice. A
  // Shift-JIS character's bytes are its columns, so the byte length is the width.
  void WriteMoveLine(const KifuMoveNode& node, int ply) {
    out_.SetFormat(0, 4);
    out_.WriteNumber(ply);
    out_.SetFormat(0, -1);
    out_.WriteString(" ");
    SjisString text;
    if (node.move.kind == KifuMoveKind::Ordinary) {
      OrdinaryMoveText(node, text);
    } else {
      text.Append(SpecialMoveText(node.move.kind));
    }
    out_.WriteString(text.Text());
    for (int column = text.Length(); column < kMoveTextColumns; ++column) out_.WriteString(" ");

    const int side = node.move.piece.Side();
    const int64_t seconds = node.consumedTime;
    totals_[side] += seconds;
    char field[96];
    std::snprintf(field, sizeof(field), "(%2" PRId64 ":%02" PRId64 "/%02" PRId64 ":%02" PRId64 ":%02" PRId64 ")",
                  seconds / 60, seconds % 60, totals_[side] / 3600, totals_[side] / 60 % 60, totals_[side] % 60);
    out_.WriteString(field);
    out_.WriteString(" ");
    out_.WriteString(field);
    out_.WriteString("\n");
  }

  const Kifu& kifu_;
  OutStream& out_;
  // Running totals per side over the whole writing order, variations included.
  int64_t totals_[2] = {0, 0};
  int labelCounter_ = 1;
  LabelTable labels_{997};
};

void WriteHeaderPair(OutStream& out, const char* key, const SjisString& value) {
  out.WriteString(key);
  out.WriteString(value.Text());
  out.WriteString("\n");
}

// Lines 1 to 6: the banner, date, title, event and the extra pairs.
void WriteLeadingHeaders(const Kifu& kifu, OutStream& out) {
  out.WriteString("# ---- 樫葉将棋形式棋譜ファイル\n");
  out.WriteString("# ----   generated by QX-SHOGI\n");
  if (!kifu.Date().IsEmpty()) WriteHeaderPair(out, "対局日：", kifu.Date());
  if (!kifu.Title().IsEmpty()) WriteHeaderPair(out, "表題：", kifu.Title());
  if (!kifu.Event().IsEmpty()) WriteHeaderPair(out, "棋戦：", kifu.Event());
  const SjisStringList& extra = kifu.ExtraHeaders();
  for (int index = 0; index + 1 < extra.Count(); index += 2) {
    out.WriteString(extra.At(index).Text());
    WriteHeaderPair(out, "：", extra.At(index + 1));
  }
}

// The header up to the "手数----" line for a start position.
void WriteHeadersFor(const Kifu& kifu, const KifuPosition& position, OutStream& out) {
  WriteLeadingHeaders(kifu, out);
  WriteKifHeader(position, out);
  const bool handicapWords = position.handicapFlags != 0 && position.handicapFlags != HANDICAP_FIRST_KING;
  WriteHeaderPair(out, handicapWords ? "下手：" : "先手：", kifu.PlayerName(0));
  WriteHeaderPair(out, handicapWords ? "上手：" : "後手：", kifu.PlayerName(1));
  out.WriteString(KIF_MOVES_HEADER);
  out.WriteString("\n");
}

}  // namespace

void WriteKifAnalysis(OutStream& out, const KifuMoveNode& node) {
  const ThinkResult& result = node.thinkResult;
  if (result.value == THINK_NO_VALUE) return;
  out.WriteString("*!VAL=");
  out.WriteNumber(result.value);
  out.WriteString("\n");
  SjisString text;
  if (!result.pv.empty() && node.leftNode != nullptr) {
    FormatPvText(node.leftNode->position, result.pv, 0, 0, text);
  } else {
    // A variation read from a file is kept only as its text.
    text = result.pvText;
  }
  out.WriteString("*!PV=");
  out.WriteString(text.Text());
  out.WriteString("\n");
}

int Kifu::WriteKif(OutStream& out) const {
  WriteHeadersFor(*this, StartNode()->position, out);
  KifWriter(*this, out).WriteMoves();
  return 0;
}

// The third header line is left to us: title and event are written under
// their own keys as the whole-record writer does, so that reading the text
// back gives the same headers.
int Kifu::WriteKifPosition(OutStream& out, const KifuPosition& position) const {
  WriteHeadersFor(*this, position, out);
  return 0;
}
