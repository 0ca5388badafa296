// The KIF reader: header through ReadKifHeader, then move lines, result
// words, comments, analysis lines, variations by renumbered move lines and
// the label/goto lines that restore merges, all into a separate graph that
// Kifu::Adopt installs at the end.
#include <algorithm>
#include <climits>
#include <cstring>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "records/kif_format.h"
#include "records/kifu.h"
#include "records/result_words.h"

namespace {

// A minute count this large is no game's; capping it keeps seconds in range.
constexpr int kMaxMinutes = KIFU_MAX_CONSUMED_TIME / 60;

// Our writer's take-backs and resumptions, which only KIF records hold.
constexpr ResultWord kTakeBackWords[] = {
    {"待った", KifuMoveKind::TakeBack, false, false},
    {"再開", KifuMoveKind::Resumption, false, false},
};

bool StartsWith(const char* text, const char* prefix) { return std::strncmp(text, prefix, std::strlen(prefix)) == 0; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Decimal digits at p, saturating at `limit`; p is moved past them.
int ReadDigits(const char*& p, int limit) {
  int value = 0;
  for (; IsDigit(*p); ++p) value = value > (limit - (*p - '0')) / 10 ? limit : value * 10 + (*p - '0');
  return value;
}

// A decimal with an optional sign; no digits give 0; saturates at the int range.
int ReadSignedNumber(const char* p) {
  bool negative = false;
  if (*p == '-' || *p == '+') negative = *p++ == '-';
  const int magnitude = ReadDigits(p, INT_MAX);
  return negative ? -magnitude : magnitude;
}

// Where the text at p ends when it has the shape, else null. In the shape
// ' ' stands for any run of blanks (none too), 'N' for one or more digits,
// 'd' for one digit, and any other byte for itself.
const char* ShapeEnd(const char* p, const char* shape) {
  for (; *shape != '\0'; ++shape) {
    if (*shape == ' ') {
      while (*p == ' ') ++p;
    } else if (*shape == 'N' || *shape == 'd') {
      if (!IsDigit(*p)) return nullptr;
      for (++p; *shape == 'N' && IsDigit(*p); ++p) {
      }
    } else if (*p++ != *shape) {
      return nullptr;
    }
  }
  return p;
}

// Where a move's time field at p ends, just past its ")", when it has the
// shape every writer gives it: the minutes, two digits of seconds, "/" and
// the side's total as hours:mm:ss, blanks around them ("( 0:16/00:00:16)",
// "(00:16 / 00:00:16)", "( 0:16/0:00:16)"); else null. A field of any other
// shape may hold a damaged time, whatever the reader makes of it.
const char* WrittenTimeFieldEnd(const char* p) { return ShapeEnd(p, "( N:dd / N:dd:dd)"); }

// The time field "(mm:ss/..." after a move: minutes of any length (so 100
// minutes and more read back as written), then two digits of seconds; 0
// without a "(".
int ReadConsumedTime(const char* p) {
  while (*p == ' ') ++p;
  if (*p != '(') return 0;
  ++p;
  while (*p == ' ') ++p;
  const int minutes = ReadDigits(p, kMaxMinutes);
  int seconds = 0;
  if (*p == ':') {
    ++p;
    for (int i = 0; i < 2 && IsDigit(*p); ++i, ++p) seconds = seconds * 10 + (*p - '0');
  }
  // Two digits of seconds past a saturated minute count would read back
  // differently once written: the total is capped as every reader caps it.
  return std::min(minutes * 60 + seconds, KIFU_MAX_CONSUMED_TIME);
}

// A move text as written, before the position is looked at.
struct KifMoveText {
  bool sameSquare = false;  // "同": the destination of the move before
  int toFile = 0, toRank = 0;
  KifuPieceCode piece;
  int promote = 0;
  int fromFile = 0, fromRank = 0;  // a drop: file 0, rank the piece type
  const char* rest = nullptr;      // what follows the move (its time)
};

// Reads "７六歩(77)", "同　銀(31)", "２二角成(88)", "５五角打" with the
// side's pieces; false when the text is no move.
bool ReadKifMoveText(const char* p, int side, KifMoveText& text) {
  if (StartsWith(p, "同")) {
    text.sameSquare = true;
    // Other programs write "同歩(54)" without the full-width blank.
    p += StartsWith(p, "同　") ? 4 : 2;
  } else if (ParseFullWidthDigit(p, text.toFile) == 2) {
    if (ParseKanjiNumber(p + 2, text.toRank) == 0) return false;
    p += 4;
    if (text.toFile < 1 || text.toFile > 9 || text.toRank < 1 || text.toRank > 9) return false;
  } else {
    return false;
  }
  text.piece = KifuPieceCode(side == 1 ? KIFU_SECOND_PLAYER_BIT : 0);
  const int used = text.piece.Parse(p);
  if (used == 0 || text.piece.Type() == KIFU_EMPTY || text.piece.Type() == KIFU_NO_PIECE) return false;
  p += used;
  if (StartsWith(p, "不成")) {
    p += 4;
  } else if (StartsWith(p, "成")) {
    text.promote = 1;
    p += 2;
  }
  if (StartsWith(p, "打")) {
    text.fromRank = text.piece.Type();
    if (text.fromRank < KIFU_PAWN || text.fromRank > KIFU_ROOK) return false;
    p += 2;
  } else {
    if (p[0] != '(' || !IsDigit(p[1]) || !IsDigit(p[2]) || p[3] != ')') return false;
    text.fromFile = p[1] - '0';
    text.fromRank = p[2] - '0';
    if (text.fromFile < 1 || text.fromRank < 1) return false;
    p += 4;
  }
  text.rest = p;
  return true;
}

// The result or take-back word the text begins with, or null.
const ResultWord* MarkerWordAt(const char* p) {
  if (const ResultWord* result = ResultWordAt(p)) return result;
  for (const ResultWord& word : kTakeBackWords) {
    if (StartsWith(p, word.word)) return &word;
  }
  return nullptr;
}

// Whether the text after a move number reads as a move or a result word.
bool ReadsAsMove(const char* p) {
  KifMoveText text;
  return MarkerWordAt(p) != nullptr || ReadKifMoveText(p, 0, text);
}

// Where a numbered move line stands inside a line that does not begin with
// a number (text put before it), or null: "変化：" and "まで" lines hold none.
const char* NumberedMoveInside(const char* line) {
  for (const char* p = line; *p != '\0';) {
    if (!IsDigit(*p)) {
      p += SjisCharacterLength(p);
      continue;
    }
    const char* digits = p;
    while (IsDigit(*p)) ++p;
    const char* after = p;
    while (*after != '\0' && static_cast<unsigned char>(*after) <= 32) ++after;
    if (ReadsAsMove(after)) return digits;
  }
  return nullptr;
}

// Whether a move text ("７六歩(77)", "同　銀(31)", "５五角打") starts at any
// character of the text.
bool HoldsMoveText(const char* text) {
  for (const char* p = text; *p != '\0'; p += SjisCharacterLength(p)) {
    KifMoveText move;
    if (ReadKifMoveText(p, 0, move)) return true;
  }
  return false;
}

// Whether the text holds a whole time field ("( 0:16/00:00:16)"; a
// from-square "(77)" has no ":").
bool HoldsTimeField(const char* text) {
  for (const char* open = std::strchr(text, '('); open != nullptr; open = std::strchr(open + 1, '(')) {
    const char* end = TimeFieldEnd(open);
    if (end != nullptr && std::memchr(open, ':', static_cast<size_t>(end - open)) != nullptr) return true;
  }
  return false;
}

// Why a line of the move section that is passed over is reported, or
// nothing: a line that holds a move, or a numbered result word, is one the
// record lacks. Lines of other text ("変化：", "まで", "key：value") hold none.
std::string PassedOverReason(const char* line, int number, const char* afterNumber, size_t expected) {
  if (number > 0 && (ReadsAsMove(afterNumber) || HoldsMoveText(afterNumber))) {
    return "move " + std::to_string(number) + " where " + std::to_string(expected) + " was expected";
  }
  // A numbered line with a move's time field is a move line whose move text
  // was damaged past reading.
  if (number > 0 && HoldsTimeField(afterNumber)) {
    return "a line numbered " + std::to_string(number) + ", whose move can't be read, where move " +
           std::to_string(expected) + " was expected";
  }
  if (number == 0 && NumberedMoveInside(line) != nullptr) return "text before the move number";
  if (StartsWith(line, "変化") || StartsWith(line, "まで") || std::strstr(line, "：") != nullptr) return "";
  return HoldsMoveText(line) ? "a move without a readable move number" : "";
}

// Whether a line is a move's time field, or what is left of one, on its
// own: a move line cut in two by a line end ("( 0:16/00:00:16)+",
// "0:16/00:00:16)").
bool IsTimeFieldLine(const char* text) {
  if (TimeFieldEnd(text) != nullptr) return true;
  return (text[0] == '(' || std::strchr(text, ':') != nullptr) &&
         std::strspn(text, "( 0123456789:/)") == std::strlen(text);
}

// Why what follows a move on its line was not read whole, or nothing.
// Anything may follow a whole time field (other programs append a "+"). A
// second move or result (two lines run together), a field cut short or
// changed, or text before it is named: the move is kept, but what follows
// it is not read and its time may be wrong.
std::string MoveTailProblem(const char* tail) {
  // The usual tail, blanks and whole time fields (the writers give one or
  // two) with perhaps a "+", holds no move: the searches below are spared
  // on every well-formed line.
  const char* p = tail;
  for (const char* end; (end = WrittenTimeFieldEnd(p + std::strspn(p, " "))) != nullptr;) p = end;
  if (p[std::strspn(p, " +\r\n")] == '\0') return "";
  if (HoldsMoveText(tail) || NumberedMoveInside(tail) != nullptr) return "a second move on the line, which is not read";
  p = tail;
  while (*p == ' ') ++p;
  if (*p == '(') {
    if (WrittenTimeFieldEnd(p) == nullptr) {
      return "a time field not read to its end: the move is kept, its time may be wrong";
    }
  } else if (std::strpbrk(p, "()") != nullptr) {
    return "text before the time field: the move is kept, its time may be wrong";
  }
  return "";
}

bool IsWordBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

class KifReader {
 public:
  KifReader(KifuMoveNode* root, KifuPositionTable* table, bool merge)
      : root_(root), table_(table), merge_(merge) {}

  // Reads the move section; stops at the first move line that can't be
  // read, and says so in the report.
  void ReadMoves(LineCountingInStream& in, const KifuPosition& start, ReadReport* report) {
    working_ = start;
    SjisString line;
    while (ReadKifLine(in, line) == 0) {
      const char* text = line.Text();
      if (text[0] == '*') {
        ReadStarLine(text + 1);
      } else if (text[0] == '#' && text[1] == '%') {
        ReadLabelLine(text);
      } else if (text[0] == '&') {
        // A bookmark: a name for the position, which the record keeps none
        // of; whatever the name reads like, it is no move.
      } else if (!ReadMoveLine(line)) {
        in.Report(report, stopProblem_, stopReason_.c_str(), true);
        break;
      } else if (!skipReason_.empty()) {
        in.Skip(report, skipReason_);
      } else if (!damageReason_.empty()) {
        in.Damage(report, damageReason_);
      }
    }
  }

 private:
  KifuMoveNode* Current() const { return path_.empty() ? root_ : path_.back(); }

  // False with the problem kept for the report.
  bool Stop(ReadProblem problem, std::string reason = "") {
    stopProblem_ = problem;
    stopReason_ = reason.empty() ? ReadProblemText(problem) : reason;
    return false;
  }

  void ReadStarLine(const char* text) {
    KifuMoveNode* node = Current();
    if (StartsWith(text, "!PV=")) {
      node->thinkResult.pvText.Assign(text + 4);
      return;
    }
    if (StartsWith(text, "!VAL=")) {
      node->thinkResult.value = ReadSignedNumber(text + 5);
      return;
    }
    SjisString& comment = node->comment;
    if (comment.IsEmpty()) {
      // An empty line leaves the comment empty: a comment never starts with one.
      comment.Assign(text);
    } else if (text[0] == '#' || text[0] == '[' || text[0] == '*') {
      comment.Append("\r\n");
      comment.Append(text);
    } else if (comment.Text()[0] != '*') {
      comment.Append("\r\n");
      comment.Append(text);
    }
  }

  void ReadLabelLine(const char* text) {
    const char* p = text;
    while (*p != '\0' && !IsWordBlank(*p)) ++p;
    while (IsWordBlank(*p)) ++p;
    const char* keyword = p;
    while (*p != '\0' && !IsWordBlank(*p)) ++p;
    const std::string word(keyword, static_cast<size_t>(p - keyword));
    if (*p == '\0') return;
    const char* argumentStart = p + 1;
    const char* argumentEnd = argumentStart;
    while (*argumentEnd != '\0' && *argumentEnd != '\t' && *argumentEnd != '\r' && *argumentEnd != '\n') ++argumentEnd;
    const std::string argument(argumentStart, static_cast<size_t>(argumentEnd - argumentStart));
    if (argument.empty()) return;
    if (word == "label") {
      labels_.Insert(argument.c_str(), reinterpret_cast<intptr_t>(Current()->reachedNode));
    } else if (word == "goto") {
      Goto(reinterpret_cast<KifuPositionNode*>(labels_.Find(argument.c_str())));
    }
  }

  // Joins the current move to a labelled position. Refused, so that a
  // hostile file can't free a node still in use, make a cycle or join
  // different positions: at the root, onto the node the move reaches
  // already, onto the move's own position or an ancestor of it, onto a
  // position below the one it leaves behind (that could be deleted with
  // it), or onto a different position.
  void Goto(KifuPositionNode* target) {
    if (target == nullptr || path_.empty()) return;
    KifuMoveNode* move = path_.back();
    KifuPositionNode* reached = move->reachedNode;
    if (reached == nullptr || target == reached || target->position != working_) return;
    // A position on the line read is an ancestor: refused at once, without
    // a walk over the whole line (a long line with a goto after every move
    // would otherwise be read in quadratic time).
    if (target == root_->reachedNode || onPath_.count(target) != 0) return;
    if (move->leftNode->WouldMakeCycle(target) || target->WouldMakeCycle(reached)) return;

    Leave(reached);
    reached->RemoveIncoming(move);
    if (reached->incoming.Count() == 0) DeletePosition(reached);
    move->reachedNode = target;
    target->incoming.Insert(move, -1);
    ++onPath_[target];
    target->RaiseDepthBound(move->leftNode->depthBound + 1);
  }

  // Deletes a position no move reaches any more, with what only it reaches,
  // and forgets the labels of every deleted node so that a later goto can't
  // reach freed memory.
  void DeletePosition(KifuPositionNode* node) {
    const bool leaf = node->outgoing.Count() == 0;
    if (leaf) {
      const auto address = reinterpret_cast<intptr_t>(node);
      labels_.RemoveIf([address](intptr_t value) { return value == address; });
    }
    node->DeleteSubtrees(table_);
    table_->Remove(node);
    delete node;
    if (!leaf && labels_.Count() > 0) {
      // Labels whose node is no longer in the table, looked at before
      // anything new is made, so no live node has taken a freed address.
      std::unordered_set<intptr_t> live;
      for (int chain = 0; chain < KifuPositionTable::CHAIN_COUNT; ++chain) {
        for (const KifuPositionNode* at = table_->Head(chain); at != nullptr; at = at->chainNext) {
          live.insert(reinterpret_cast<intptr_t>(at));
        }
      }
      labels_.RemoveIf([&live](intptr_t value) { return live.count(value) == 0; });
    }
  }

  // Steps back along the line just read to depth `depth`.
  void StepBackTo(size_t depth) {
    while (path_.size() > depth) {
      const KifuMoveNode* node = path_.back();
      if (node->move.kind == KifuMoveKind::Ordinary) working_.UndoMove(node->move);
      Leave(node->reachedNode);
      path_.pop_back();
    }
  }

  // False when reading must stop. A line passed over that holds a move
  // leaves its reason in skipReason_; a move read whose line holds more
  // than was read leaves it in damageReason_.
  bool ReadMoveLine(SjisString& line) {
    skipReason_.clear();
    damageReason_.clear();
    line.TrimLeft();
    const char* p = line.Text();
    const int number = ReadDigits(p, INT_MAX);
    while (*p != '\0' && static_cast<unsigned char>(*p) <= 32) ++p;
    const size_t expected = path_.size() + 1;
    // "変化：" lines, "まで" lines and other text carry no usable number.
    if (number < 1 || static_cast<size_t>(number) > expected) {
      if (StartsWith(line.Text(), "変化：")) variationStart_ = VariationHeaderPly(line.Text());
      skipReason_ = PassedOverReason(line.Text(), number, p, expected);
      if (IsTimeFieldLine(line.Text())) {
        damageReason_ = "a time field on a line of its own, not read: the move before it keeps no time";
      }
      return true;
    }
    const std::string misplaced = VariationStartProblem(number);
    StepBackTo(static_cast<size_t>(number) - 1);

    bool read;
    if (const ResultWord* result = MarkerWordAt(p)) {
      const char* tail = p + std::strlen(result->word);
      damageReason_ = MoveTailProblem(tail);
      read = AddSpecialMove(result->kind, ReadConsumedTime(tail));
    } else {
      read = AddOrdinaryMove(p);
    }
    if (damageReason_.empty()) damageReason_ = misplaced;
    return read;
  }

  // A "変化：N手" line is followed by move N, the variation's first: a move
  // line with another number there means that move's line was lost, and
  // what follows is read at another ply. Empty when all is well.
  std::string VariationStartProblem(int number) {
    const int start = std::exchange(variationStart_, 0);
    if (start < 1 || number == start) return "";
    return "move " + std::to_string(number) + " begins a variation whose header names move " + std::to_string(start) +
           ": the variation's first move line may be lost";
  }

  bool AddSpecialMove(KifuMoveKind kind, int seconds) {
    const KifuMove move(0, 0, 0, 0, MarkerPiece(kind, working_.sideToMove), 0, 0, kind);
    KifuMoveNode* node = Current()->reachedNode->AddMove(move, seconds, nullptr, -1, table_, MergeChooser::None(), true);
    if (node == nullptr) return Stop(ReadProblem::ImpossibleMove);
    Enter(node);
    return true;
  }

  void Enter(KifuMoveNode* node) {
    path_.push_back(node);
    ++onPath_[node->reachedNode];
  }
  void Leave(KifuPositionNode* node) {
    const auto found = onPath_.find(node);
    if (found != onPath_.end() && --found->second == 0) onPath_.erase(found);
  }

  bool AddOrdinaryMove(const char* p) {
    const int side = working_.sideToMove == 1 ? 1 : 0;
    KifMoveText text;
    if (!ReadKifMoveText(p, side, text)) return Stop(ReadProblem::UnreadableMove);
    damageReason_ = MoveTailProblem(text.rest);
    if (text.sameSquare) {
      text.toFile = Current()->move.toFile;
      text.toRank = Current()->move.toRank;
      if (text.toFile < 1 || text.toRank < 1) return Stop(ReadProblem::UnreadableMove);
    }
    const KifuPieceCode piece = text.piece;
    if (text.fromFile == 0) {
      text.fromFile = side == 0 ? KIFU_FIRST_HAND_FILE : KIFU_SECOND_HAND_FILE;
      if (working_.hands[side][text.fromRank] <= 0) {
        return Stop(ReadProblem::ImpossibleMove, std::string("no ") + piece.Name(1) + " in hand");
      }
    } else if (working_.At(text.fromFile, text.fromRank) != piece) {
      return Stop(ReadProblem::ImpossibleMove, "no such piece on " + ReadSquareText(text.fromFile, text.fromRank));
    }

    const KifuMove move(text.fromFile, text.fromRank, text.toFile, text.toRank, piece,
                        working_.At(text.toFile, text.toRank), text.promote, KifuMoveKind::Ordinary);
    if (working_.IsValidMove(move, 1) == 0) return Stop(ReadProblem::ImpossibleMove);
    MergeChooser chooser = MergeChooser::None();
    if (merge_) {
      chooser = MergeChooser::TakeFirst([this](const KifuPositionNode* node) {
        return node == root_->reachedNode || onPath_.count(node) != 0;
      });
    }
    KifuMoveNode* node =
        Current()->reachedNode->AddMove(move, ReadConsumedTime(text.rest), nullptr, -1, table_, chooser, true);
    if (node == nullptr || !working_.DoMove(move)) return Stop(ReadProblem::ImpossibleMove);
    Enter(node);
    return true;
  }

  KifuMoveNode* root_;
  KifuPositionTable* table_;
  bool merge_;
  KifuPosition working_;
  // The moves of the line being read, from the first; stepping back follows
  // it, so a line joined to a merged position by a goto steps back the way
  // it came, whatever that position's own ply.
  std::vector<KifuMoveNode*> path_;
  // The positions the moves of path_ reach, counted (a line may pass one
  // position twice through a goto).
  std::unordered_map<const KifuPositionNode*, int> onPath_;
  LabelTable labels_{997};
  // The move number the last "変化：" line named, until a numbered line comes.
  int variationStart_ = 0;
  ReadProblem stopProblem_ = ReadProblem::None;
  std::string stopReason_;
  std::string skipReason_;
  std::string damageReason_;
};

}  // namespace

int Kifu::ReadKif(InStream& stream, int merge, ReadReport* report) {
  LineCountingInStream in(stream);
  // The header is read into locals, so a failure has nothing to free.
  KifuMoveNode headerRoot;
  KifuPosition start;
  SjisStringList extra;
  SjisString names[2], date, title, event, line;
  ReadProblem problem = ReadProblem::None;
  if (ReadKifHeader(in, line, headerRoot, start, names, date, title, event, extra, &problem) != 0) {
    in.Report(report, problem);
    return -1;
  }
  if (!IsKifMovesLine(line.Text())) {
    if (report != nullptr) report->Set(ReadProblem::NoMovesLine, 0, SjisString());
    return -1;
  }
  // The start must be a position the rules can play from; IsValid lets a
  // mate problem (flags 0x400) place the kings as it likes.
  if (!CheckReadStart(start, report)) return -1;

  auto* table = new KifuPositionTable;
  KifuMoveNode* root = NewKifuGraph(start, table);
  root->comment = static_cast<SjisString&&>(headerRoot.comment);
  KifReader reader(root, table, merge != 0);
  reader.ReadMoves(in, start, report);
  // A merge whose start position is not in this record fails here, and the
  // record keeps what it had.
  return Adopt(root, table, new SjisStringList(static_cast<SjisStringList&&>(extra)), names, date, title, event,
               merge != 0);
}
