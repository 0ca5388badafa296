// The binary record of the program's first version (.krs), read only: a
// fixed header with the position that was on the board when the file was
// saved, then 16-byte move records. Every field is checked before it is
// used, so a damaged file is refused instead of building a broken record;
// bytes past the moves the header counts stay out of the record and are
// reported as damage.
#include <cstdint>
#include <string>
#include <vector>

#include "records/kifu.h"
#include "records/read_graph.h"
#include "records/record_stream.h"

namespace {

constexpr int kMoveRecordBytes = 16;
// Only these bits name pieces of a handicap; the rest of the word is noise
// from the old program.
constexpr HandicapFlags kHandicapBits = 0xFFF;

// Reads exactly count bytes; false when the input ends first.
bool ReadExactly(InStream& in, void* buf, int count) { return in.Read(buf, count) == count; }

uint32_t LittleEndian(const unsigned char* bytes, int count) {
  uint32_t value = 0;
  for (int at = count - 1; at >= 0; --at) value = value << 8 | bytes[at];
  return value;
}

// Reads a little-endian field of 2 or 4 bytes.
bool ReadField(InStream& in, int count, uint32_t& value) {
  unsigned char bytes[4];
  if (!ReadExactly(in, bytes, count)) return false;
  value = LittleEndian(bytes, count);
  return true;
}

// Skips count bytes; false when the input ends first or right after them
// (every skipped field of the header is followed by more header).
bool SkipFieldNotLast(InStream& in, int count) {
  unsigned char bytes[8];
  return ReadExactly(in, bytes, count) && !in.IsEof();
}

struct StoredMove {
  KifuMove move;
  int seconds = 0;
};

KifuMoveKind KindOfResult(unsigned code, KifuPieceCode moving) {
  switch (code) {
    case 1: return KifuMoveKind::Resignation;
    case 2: return KifuMoveKind::Interruption;
    case 3: return KifuMoveKind::TakeBack;
    case 4: return KifuMoveKind::Win;
    case 5: return KifuMoveKind::LossOnTime;
    case 6: return KifuMoveKind::LossByFoul;
    case 7: return KifuMoveKind::Loss;
    case 8: return KifuMoveKind::Repetition;
    case 9:
      return moving.Side() == 1 ? KifuMoveKind::RepetitionCheckBySecond : KifuMoveKind::RepetitionCheckByFirst;
    default: return KifuMoveKind::Ordinary;
  }
}

// Names move record `index` (0-based) as the place of the problem, so that
// a caller can set it against where a file is damaged.
void SetAtMove(ReadReport& said, ReadProblem problem, int index, const std::string& why) {
  said.Set(problem, index + 1, SjisString(), why.c_str());
  said.unit = ReadUnit::Move;
}

// Reads move record `index` (0-based); false, with the reason in said,
// when the file ends before it is whole.
bool ReadStoredMove(InStream& in, StoredMove& record, int index, ReadReport& said) {
  unsigned char bytes[kMoveRecordBytes];
  const int read = in.Read(bytes, kMoveRecordBytes);
  if (read != kMoveRecordBytes) {
    SetAtMove(said, ReadProblem::UnreadableMove, index,
              "the file ends " + std::string(read > 0 ? "inside" : "before") + " move " + std::to_string(index + 1));
    return false;
  }
  record.move = KifuMove(static_cast<int8_t>(bytes[0]), static_cast<int8_t>(bytes[1]), static_cast<int8_t>(bytes[2]),
                         static_cast<int8_t>(bytes[3]), bytes[4], bytes[5], bytes[6],
                         KindOfResult(bytes[7], bytes[4]));
  record.seconds = static_cast<int>(LittleEndian(bytes + 8, 2));
  return true;
}

// The 11 x 16 position block: board codes at rows and columns 1-9, the
// hands and the box by kind in columns 11-13 of rows 1-8. False for a code
// that is no piece byte or a count beyond the full set of its kind.
bool ReadPositionBlock(InStream& in, KifuPosition& position) {
  unsigned char block[11][16];
  if (!ReadExactly(in, block, sizeof block)) return false;
  for (int rank = 1; rank <= 9; ++rank) {
    for (int file = 1; file <= 9; ++file) {
      if (block[rank][file] > 31) return false;
      position.board[KifuPosition::SquareIndex(file, rank)] = block[rank][file];
    }
  }
  for (int type = KIFU_PAWN; type <= KIFU_KING; ++type) {
    for (int store = 0; store < 3; ++store) {
      const int count = block[type][11 + store];
      if (count > KIFU_FULL_SET[type]) return false;
      position.hands[store][type] = static_cast<int8_t>(count);
    }
  }
  return true;
}

// Adds a marker after the line read, with the record's time.
void AddMarker(ReadGraph& graph, const StoredMove& record) {
  graph.AddMarker(record.move.kind, record.move.piece);
  if (KifuMoveNode* marker = graph.Current()->reachedNode->outgoing.Selected(); marker != nullptr) {
    marker->consumedTime = record.seconds;
  }
}

// Refuses the file for move record `index` (0-based) and the reason; -1.
int RefuseMove(ReadReport& said, ReadProblem problem, int index, const char* why) {
  SetAtMove(said, problem, index, "move " + std::to_string(index + 1) + " " + why);
  return -1;
}

// Bytes counted past the moves at most: an input that never ends (a device
// named as a record) must not keep the reader.
constexpr int64_t kMaxCountedBytes = int64_t{1} << 20;

// The count of bytes the input still holds, up to just past kMaxCountedBytes.
int64_t CountRemainingBytes(InStream& in) {
  int64_t count = 0;
  constexpr int kChunk = 4096;
  char bytes[kChunk];
  for (int read; count <= kMaxCountedBytes && (read = in.Read(bytes, kChunk)) > 0;) count += read;
  return count;
}

// Bytes after the last move the header announces: a lowered count or bytes
// appended to the file. The moves they may hold are not in the record.
void ReportTrailingBytes(ReadReport& said, int64_t count, int lastMove) {
  const std::string bytes = count > kMaxCountedBytes ? "more than " + std::to_string(kMaxCountedBytes) + " bytes"
                            : std::to_string(count) + (count == 1 ? " byte" : " bytes");
  said.Damage(ReadUnit::Move, lastMove,
              lastMove > 0 ? bytes + " after move " + std::to_string(lastMove)
                           : bytes + " after the header, which announces no moves");
}

constexpr char kNotPossible[] = "is not possible in the position";
constexpr char kMisplacedResult[] = "is a result, which only the last move may be";

}  // namespace

int Kifu::ReadOldNative(InStream& in, bool merge, ReadReport* report) {
  // Every refusal but an invalid start is a damaged or foreign file.
  ReadReport unused;
  ReadReport& said = report != nullptr ? *report : unused;
  said.Set(ReadProblem::NotThisFormat, 0, SjisString());
  ReadGraph graph;
  KifuPosition& root = graph.StartPosition();

  unsigned char leading[32];
  if (!ReadExactly(in, leading, sizeof leading) || in.IsEof()) return -1;
  uint32_t kinds[2];
  if (!ReadField(in, 2, kinds[0]) || !ReadField(in, 2, kinds[1]) || in.IsEof()) return -1;
  for (int side = 0; side < 2; ++side) graph.names[side].Assign(kinds[side] == 0 ? "人間" : "青嵐将棋");
  if (!SkipFieldNotLast(in, 4) || !SkipFieldNotLast(in, 2)) return -1;
  uint32_t side = 0;
  uint32_t flags = 0;
  if (!ReadField(in, 2, side) || !ReadField(in, 2, flags)) return -1;
  root.SetStart(static_cast<HandicapFlags>(flags) & kHandicapBits);
  root.sideToMove = side == 0 ? 0 : 1;
  if (!ReadPositionBlock(in, root) || in.IsEof()) return -1;

  uint32_t storedCount = 0;
  uint32_t recordCount = 0;
  unsigned char skipped[8];
  if (!ReadField(in, 4, storedCount) || !ReadExactly(in, skipped, sizeof skipped) || !ReadField(in, 4, recordCount)) {
    return -1;
  }
  const int n = static_cast<int32_t>(storedCount);
  const int m = static_cast<int32_t>(recordCount);
  if (n < 0 || n > m) return -1;
  const KifuPosition stored = root;

  // The records before the stored position are taken back to reach the
  // start. They are kept as read, one by one, so that a count larger than
  // the file allocates nothing beyond what the file holds.
  std::vector<StoredMove> before;
  for (int index = 0; index < n; ++index) {
    StoredMove record;
    if (!ReadStoredMove(in, record, index, said)) return -1;
    before.push_back(record);
  }
  for (int index = n - 1; index >= 0; --index) {
    const StoredMove& record = before[static_cast<size_t>(index)];
    if (record.move.kind != KifuMoveKind::Ordinary) {
      if (index != n - 1) return RefuseMove(said, ReadProblem::ImpossibleMove, index, kMisplacedResult);
      continue;
    }
    if (!root.UndoMove(record.move)) {
      return RefuseMove(said, ReadProblem::ImpossibleMove, index, "can't be taken back from the saved position");
    }
  }

  // The start must be one the rules can play from (a mate problem may
  // place its kings freely), as for every other reader.
  if (!graph.HasPlayableStart(&said)) return -1;
  graph.BeginMoves();
  for (int index = 0; index < n; ++index) {
    const StoredMove& record = before[static_cast<size_t>(index)];
    if (record.move.kind != KifuMoveKind::Ordinary) {
      if (index != m - 1) return RefuseMove(said, ReadProblem::ImpossibleMove, index, kMisplacedResult);
      AddMarker(graph, record);
    } else if (!graph.PlayMove(record.move, record.seconds)) {
      return RefuseMove(said, ReadProblem::ImpossibleMove, index, kNotPossible);
    }
  }
  // Replaying what was taken back must land on the stored position again.
  if (graph.Working() != stored) return -1;
  for (int index = n; index < m; ++index) {
    StoredMove record;
    if (!ReadStoredMove(in, record, index, said)) return -1;
    if (record.move.kind != KifuMoveKind::Ordinary) {
      if (index != m - 1) return RefuseMove(said, ReadProblem::ImpossibleMove, index, kMisplacedResult);
      AddMarker(graph, record);
    } else if (!graph.PlayMove(record.move, record.seconds)) {
      return RefuseMove(said, ReadProblem::ImpossibleMove, index, kNotPossible);
    }
  }
  const int64_t trailing = CountRemainingBytes(in);
  said = ReadReport{};
  // A merge that finds no equal position is reported, not taken for success.
  const int installed = graph.Install(*this, merge);
  if (installed == 0 && trailing > 0) ReportTrailingBytes(said, trailing, m);
  return installed;
}
