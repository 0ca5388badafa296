// The make/unmake checks: everything after a make is compared with a truth
// computed without the incremental code.
#include "support/make_unmake_checks.h"

#include <algorithm>
#include <array>
#include <set>
#include <sstream>

#include "engine/board/make_move.h"
#include "engine/board/position_key.h"
#include "support/engine_oracle.h"

namespace {

bool HasAttack(const SquareAttackRecord& record, int side, int id) {
  if (id >= 32) return (record.directSet[side].high >> (id - 32)) & 1;
  return ((record.directSet[side].low | record.xraySet[side]) >> id) & 1;
}

int AttackTotal(const SquareAttackRecord& record, int side) {
  return record.directCount[side] + record.xrayCount[side];
}

// The keys of the position with either side's hand packed in.
std::array<PositionKey, 2> FullKeys(const Position& position) {
  std::array<PositionKey, 2> keys;
  for (int handSide = 0; handSide < 2; ++handSide) ComputePositionKey(position, handSide, keys[handSide]);
  return keys;
}

std::string SquaresText(const std::set<int>& squares) {
  std::ostringstream text;
  for (int square : squares) text << " " << square / 9 + 1 << "-" << square % 9 + 1;
  return text.str();
}

}  // namespace

std::string DescribeMove(const MoveRecord& move) {
  std::ostringstream text;
  if (move.IsDrop()) text << "drop on ";
  else text << int{move.fromFile} << "-" << int{move.fromRank} << ">";
  text << int{move.toFile} << "-" << int{move.toRank} << (move.promote ? "+" : "") << " (id " << int{move.pieceId}
       << ")";
  return text.str();
}

::testing::AssertionResult LayerDescribesMove(const Position& before, const Position& after, const MoveRecord& move,
                                              int layer) {
  if (layer < 0 || layer >= ATTACK_HISTORY_LAYERS)
    return ::testing::AssertionFailure() << "no history layer " << layer;
  for (int square = 0; square < SQUARE_COUNT; ++square)
    for (int side = 0; side < 2; ++side)
      if (g_attackHistory.layer[layer][square].change[side] !=
          AttackTotal(after.attacks[square], side) - AttackTotal(before.attacks[square], side))
        return ::testing::AssertionFailure() << "layer " << layer << ": wrong change for side " << side << " on"
                                             << SquaresText({square});
  std::set<int> expected, listed;
  const int mover = before.sideToMove, other = 1 - mover;
  if (move.IsCapture()) {
    const SquareAttackRecord& from = *before.SquareRecord(move.fromFile, move.fromRank);
    const uint32_t directSliders = from.directSet[other].low & from.slidingSet[other];
    for (int square = 0; square < SQUARE_COUNT; ++square) {
      const SquareAttackRecord& was = before.attacks[square];
      const SquareAttackRecord& is = after.attacks[square];
      if (HasAttack(was, mover, move.pieceId) && !HasAttack(is, mover, move.pieceId)) expected.insert(square);
      for (int slider = 0; slider < 32; ++slider)
        if (((directSliders >> slider) & 1) && !HasAttack(was, other, slider) && HasAttack(is, other, slider))
          expected.insert(square);
    }
  }
  for (const AttackChangeRecord* entry = g_attackHistoryLists[layer + 1]; entry != nullptr; entry = entry->next)
    if (!listed.insert(SquareIndex(entry->file, entry->rank)).second)
      return ::testing::AssertionFailure() << "list of layer " << layer << " holds a square twice";
  if (listed == expected) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "list of layer " << layer << " holds {" << SquaresText(listed)
                                       << " }, expected {" << SquaresText(expected) << " }";
}

::testing::AssertionResult HistoryClearFromDepth() {
  for (int layer = std::max(g_attackHistoryDepth, 0); layer < ATTACK_HISTORY_LAYERS; ++layer)
    for (const AttackChangeRecord& record : g_attackHistory.layer[layer])
      if (record.change[0] != 0 || record.change[1] != 0)
        return ::testing::AssertionFailure() << "layer " << layer << " keeps a change at depth "
                                             << g_attackHistoryDepth;
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult CheckRecordedMakeAndUnmake(Position& position, const MoveRecord& move) {
  const Position before = position;
  std::array<PositionKey, 2> keys = FullKeys(before);
  for (int handSide = 0; handSide < 2; ++handSide) UpdatePositionKey(keys[handSide], handSide, move);
  Position expected;
  OracleApplyMove(before, move, expected);
  const int layer = g_attackHistoryDepth;
  MakeMove(position, move, 1);
  Position recounted = position;
  RecomputeAttacks(recounted);
  ::testing::AssertionResult made = EquivalentPositions(position, expected);
  if (made) made = PiecesConsistent(position);
  if (made) made = SameAttackRecords(position, recounted);
  if (made && keys != FullKeys(position)) made = ::testing::AssertionFailure() << "updated keys differ from full keys";
  if (made && g_attackHistoryDepth != layer + 1) made = ::testing::AssertionFailure() << "depth not raised";
  // Only depths 0..43 have a layer; beyond them nothing is recorded to compare.
  if (made && layer >= 0 && layer < ATTACK_HISTORY_LAYERS) made = LayerDescribesMove(before, position, move, layer);
  UnmakeMove(position, move, 1);
  if (!made) return ::testing::AssertionFailure() << "after making " << DescribeMove(move) << ": " << made.message();
  if (g_attackHistoryDepth != layer) return ::testing::AssertionFailure() << "depth not lowered";
  if (::testing::AssertionResult same = EquivalentPositions(position, before); !same)
    return ::testing::AssertionFailure() << "after unmaking " << DescribeMove(move) << ": " << same.message();
  return HistoryClearFromDepth();
}
