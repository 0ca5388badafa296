// The search's 32-bit packed move: squares, moving and captured PieceCode
// and the promote flag in one word, as kept in principal variations and in
// the record's think results.
#pragma once

#include <cstdint>

#include "engine/board/position.h"

using MoveCode = int32_t;

// No move (the end of a variation, or a pass).
inline constexpr MoveCode NULL_MOVE_CODE = -2;

// Bits 0-3 from file, 4-7 from rank, 8-11 to file, 12-15 to rank,
// 16-22 moving PieceCode, 23-29 captured PieceCode, 30 promote. A drop has
// from file and rank 0 and captured code 0.
constexpr MoveCode PackMoveCode(int fromFile, int fromRank, int toFile, int toRank, PieceCode moving,
                                PieceCode captured, bool promote) {
  return static_cast<MoveCode>(static_cast<uint32_t>(fromFile & 0xf) | static_cast<uint32_t>(fromRank & 0xf) << 4 |
                               static_cast<uint32_t>(toFile & 0xf) << 8 | static_cast<uint32_t>(toRank & 0xf) << 12 |
                               static_cast<uint32_t>(moving & 0x7f) << 16 |
                               static_cast<uint32_t>(captured & 0x7f) << 23 | (promote ? 1u << 30 : 0u));
}
constexpr int MoveCodeFromFile(MoveCode code) { return code & 0xf; }
constexpr int MoveCodeFromRank(MoveCode code) { return (code >> 4) & 0xf; }
constexpr int MoveCodeToFile(MoveCode code) { return (code >> 8) & 0xf; }
constexpr int MoveCodeToRank(MoveCode code) { return (code >> 12) & 0xf; }
constexpr PieceCode MoveCodePiece(MoveCode code) { return static_cast<PieceCode>((code >> 16) & 0x7f); }
constexpr PieceCode MoveCodeCaptured(MoveCode code) { return static_cast<PieceCode>((code >> 23) & 0x7f); }
constexpr bool MoveCodePromotes(MoveCode code) { return ((code >> 30) & 1) != 0; }

// The packed form of an engine move; NULL_MOVE_CODE for the null move.
inline MoveCode ToMoveCode(const MoveRecord& move) {
  if (move.IsNull()) return NULL_MOVE_CODE;
  return PackMoveCode(move.fromFile, move.fromRank, move.toFile, move.toRank, move.pieceCode,
                      move.IsDrop() ? PieceCode{0} : move.capturedCode, move.promote != 0);
}
