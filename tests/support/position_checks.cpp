// Consistency checks of engine positions for tests.
#include "support/position_checks.h"

#include <algorithm>
#include <cstring>
#include <sstream>

namespace {

std::string DescribeRecordDifference(const Position& actual, const Position& expected) {
  for (int file = 1; file <= 9; ++file) {
    for (int rank = 1; rank <= 9; ++rank) {
      const SquareAttackRecord& a = *actual.SquareRecord(file, rank);
      const SquareAttackRecord& e = *expected.SquareRecord(file, rank);
      if (std::memcmp(&a, &e, sizeof a) == 0) continue;
      std::ostringstream text;
      text << "attack record of " << file << "-" << rank << " differs:";
      for (int side = 0; side < 2; ++side) {
        text << " side " << side << " direct " << int{a.directCount[side]} << "/" << int{e.directCount[side]}
             << " set " << std::hex << a.directSet[side].high << ":" << a.directSet[side].low << "/"
             << e.directSet[side].high << ":" << e.directSet[side].low << std::dec << " xray "
             << int{a.xrayCount[side]} << "/" << int{e.xrayCount[side]} << " set " << std::hex << a.xraySet[side]
             << "/" << e.xraySet[side] << " sliding " << a.slidingSet[side] << "/" << e.slidingSet[side]
             << std::dec << ";";
      }
      return text.str();
    }
  }
  return {};
}

void SortTokins(TokinList& list) {
  std::sort(list.ids, list.ids + std::min<uint32_t>(list.count, 18));
  for (uint32_t n = list.count; n < 18; ++n) list.ids[n] = 0;
}

// Zeroes the data a position may leave stale, so equal positions compare equal.
void ClearStale(Position& position) {
  for (int baseType = ROOK; baseType <= KING; ++baseType) {
    const int inHand = position.hand[0][baseType - 1] + position.hand[1][baseType - 1];
    for (int slot = inHand; slot < g_handListSize[baseType]; ++slot) {
      position.handStack[g_handListStart[baseType] + slot] = 0;
    }
  }
  for (int id = 0; id < PIECE_COUNT; ++id) {
    if (position.pieces[id].file == IN_HAND_FILE) position.pieces[id] = {IN_HAND_FILE, 0, 0};
  }
  SortTokins(position.tokins[0]);
  SortTokins(position.tokins[1]);
}

}  // namespace

std::string DescribeInconsistency(const Position& position) {
  std::ostringstream text;
  for (int id = 0; id < PIECE_COUNT; ++id) {
    const PieceListEntry& entry = position.pieces[id];
    if (entry.file >= 1 && entry.file <= 9) {
      if (!IsOnBoard(entry.file, entry.rank) || position.board[entry.file][entry.rank] != id) {
        text << "piece " << id << " is not on the board at its square";
        return text.str();
      }
      if (((entry.code & 0x20) != 0) == ((entry.code & 0x40) != 0) ||
          (entry.code & 0x0f) != g_pieceIdBaseCode[id]) {
        text << "piece " << id << " has code " << int{entry.code};
        return text.str();
      }
    } else if (entry.file != IN_HAND_FILE && entry.file != OUT_OF_PLAY_FILE) {
      text << "piece " << id << " has file " << int{entry.file};
      return text.str();
    }
  }
  for (int file = 1; file <= 9; ++file) {
    for (int rank = 1; rank <= 9; ++rank) {
      const int id = position.board[file][rank];
      if (id == EMPTY_PIECE_ID) continue;
      if (id > EMPTY_PIECE_ID || position.pieces[id].file != file || position.pieces[id].rank != rank) {
        text << "square " << file << "-" << rank << " holds " << id << " whose entry is elsewhere";
        return text.str();
      }
    }
  }
  for (int side = 0; side < 2; ++side) {
    if (position.pieces[side].file >= 1 && OwnerOf(position.pieces[side].code) != side) {
      text << "king entry " << side << " is owned by the other side";
      return text.str();
    }
  }
  for (int baseType = ROOK; baseType <= KING; ++baseType) {
    const int start = g_handListStart[baseType];
    const int inHand = position.hand[0][baseType - 1] + position.hand[1][baseType - 1];
    int markedInHand = 0;
    for (int id = start; id < start + g_handListSize[baseType]; ++id) {
      markedInHand += position.pieces[id].file == IN_HAND_FILE ? 1 : 0;
    }
    if (position.hand[0][baseType - 1] < 0 || position.hand[1][baseType - 1] < 0 || markedInHand != inHand) {
      text << "type " << baseType << ": " << inHand << " in the hands, " << markedInHand << " pieces in hand";
      return text.str();
    }
    for (int slot = 0; slot < inHand; ++slot) {
      const int id = position.handStack[start + slot];
      const bool repeated = std::count(position.handStack + start, position.handStack + start + inHand, id) != 1;
      if (id < start || id >= start + g_handListSize[baseType] || position.pieces[id].file != IN_HAND_FILE ||
          repeated) {
        text << "type " << baseType << ": stack slot " << slot << " holds " << id;
        return text.str();
      }
    }
  }
  Position recount;
  std::memcpy(&recount, &position, sizeof recount);
  RecountPawnFiles(recount);
  if (std::memcmp(recount.pawnRank, position.pawnRank, sizeof recount.pawnRank) != 0) return "pawn ranks differ";
  RecountHandTotals(recount);
  if (std::memcmp(recount.handTotal, position.handTotal, sizeof recount.handTotal) != 0) return "hand totals differ";
  RecountTokins(recount);
  for (int side = 0; side < 2; ++side) {
    TokinList actual = position.tokins[side];
    TokinList expected = recount.tokins[side];
    if (actual.count != expected.count) return "tokin counts differ";
    SortTokins(actual);
    SortTokins(expected);
    if (std::memcmp(&actual, &expected, sizeof actual) != 0) return "tokin lists differ";
  }
  RecomputeAttacks(recount);
  return DescribeRecordDifference(position, recount);
}

bool SameLivePosition(const Position& a, const Position& b) {
  Position left, right;
  std::memcpy(&left, &a, sizeof left);
  std::memcpy(&right, &b, sizeof right);
  ClearStale(left);
  ClearStale(right);
  return std::memcmp(&left, &right, sizeof left) == 0;
}
