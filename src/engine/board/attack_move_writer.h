// The writer of the attacking board-move generators: the follow-up filter,
// the done list, no destination twice, and the null-move back rule of the
// sliders. Internal to the king-attack family.
#pragma once

#include "engine/board/attack_drop_proposers.h"
#include "engine/board/attacking_board_moves.h"
#include "engine/board/move_gen_helpers.h"
#include "engine/board/move_tests.h"

namespace attackmoves {

using namespace movegen;

class MoveWriter {
 public:
  MoveWriter(const AttackMoveInputs& in, int id, PieceCode code, int file, int rank, MoveRecord* out)
      : in_(in), id_(id), code_(code), file_(file), rank_(rank), out_(out) {}

  // Writes the move to (toFile, toRank) when the filter accepts it, the
  // done list does not hold it and it was not written already; true when written.
  bool Write(int toFile, int toRank, int promote) {
    const Position& p = in_.position;
    for (int n = 0; n < count_; ++n) {
      if (out_[n].toFile == toFile && out_[n].toRank == toRank && out_[n].promote == promote) return false;
    }
    if (in_.key != 0 && IsForcingMove(p, in_.last, id_, promote, 0, toFile, toRank, in_.depth) == 0) return false;
    const PieceCode captured = CodeAt(p, toFile, toRank);
    if (in_.done.Contains(file_, rank_, toFile, toRank, code_, captured, promote)) return false;
    out_[count_++].Set(file_, rank_, toFile, toRank, static_cast<PieceId>(id_), code_,
                       static_cast<PieceId>(p.PieceIdAt(toFile, toRank)), captured, promote);
    return true;
  }
  // Back-move rule 1 for this piece's move to (toFile, toRank).
  bool IsBackMove(int toFile, int toRank) const {
    return IsBackMoveRule1(in_.last, in_.prev, file_, rank_, toFile, toRank);
  }
  // After a null move: the piece the own previous quiet move moved goes on
  // along that same line.
  bool RepeatsLineAfterNull(int toFile, int toRank) const {
    const MoveRecord* last = in_.last;
    const MoveRecord* prev = in_.prev;
    if (last == nullptr || !last->IsNull() || prev == nullptr || prev->IsNull() || prev->IsDrop()) return false;
    if (prev->pieceId != id_ || prev->IsCapture() || prev->promote) return false;
    const int line = LineToward(prev->toFile - prev->fromFile, prev->toRank - prev->fromRank);
    const int now = LineToward(toFile - file_, toRank - rank_);
    return line >= 0 && (now == line || now == OppositeLine(line));
  }
  int Count() const { return count_; }

 private:
  const AttackMoveInputs& in_;
  int id_;
  PieceCode code_;
  int file_, rank_;
  MoveRecord* out_;
  int count_ = 0;
};

}  // namespace attackmoves
