// The engine signature: a fixed set of positions from the repository's
// games, every board, evaluation and search-service function run over each,
// and one 64-bit digest per function of all it returned, in order. A change
// of behaviour anywhere in the engine shows as a changed digest, and the
// running digests point at the first position that differs.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/eval/game_stage.h"
#include "engine/eval/senkei.h"

// One position of the set: the record and the ply of its main line, the
// strategy pair and stage its think is set up with (drawn by seed, or the
// engine's own decision when decided is set), and the engine random seed.
struct SignaturePosition {
  std::string file;  // relative to the repository root
  int ply = 0;
  bool decided = false;
  SenkeiId pair[2] = {0, 0};
  GameStage stage = 0;
  uint32_t randomSeed = 0;
};

// The positions drawn from ROOT/tests/data/corpus/*.kif and ROOT/samples/*.kif;
// an empty text on success, else what could not be read.
std::string SignaturePositions(const std::string& root, std::vector<SignaturePosition>& out);

struct SignatureDigest {
  const char* name;
  uint64_t value;
};

// Runs every function over the positions and returns the digests in a fixed
// order; afterPosition (may be empty) sees the running digests after each
// position. An empty text on success, else the error.
std::string ComputeSignature(const std::string& root, const std::vector<SignaturePosition>& positions,
                             std::vector<SignatureDigest>& digests,
                             const std::function<void(int index, const std::vector<SignatureDigest>&)>& afterPosition);
