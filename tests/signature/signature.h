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

// The repository the signature was built from: the ROOT whose games it
// reads unless told otherwise.
std::string SignatureRepositoryRoot();

// The positions drawn from ROOT/tests/data/corpus/*.kif and ROOT/samples/*.kif;
// an empty text on success, else what could not be read.
std::string SignaturePositions(const std::string& root, std::vector<SignaturePosition>& out);

struct SignatureDigest {
  const char* name;
  uint64_t value;
};

// The signatures' own generator: splitmix64, the same on every machine.
struct SignatureRandom {
  uint64_t state;
  uint64_t Next() {
    uint64_t z = (state += 0x9e3779b97f4a7c15ull);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
    return z ^ (z >> 31);
  }
  int Below(int n) { return static_cast<int>(Next() % static_cast<uint64_t>(n)); }
};

// A digest before anything is folded in.
inline constexpr uint64_t SIGNATURE_DIGEST_START = 0xcbf29ce484222325ull;
// FNV-1a over 64-bit words, each mixed first so that every bit of a word
// reaches the whole digest.
inline uint64_t FoldSignatureWord(uint64_t digest, uint64_t word) {
  SignatureRandom mix{word};
  return (digest ^ mix.Next()) * 0x100000001b3ull;
}
// The digest as the program and tests/data/signature.txt write it: 0x and 16 hex digits.
std::string SignatureDigestText(uint64_t digest);

// Called after each position (or record) with the running digests.
using SignatureProgress = std::function<void(int index, const std::vector<SignatureDigest>&)>;

// Runs every function over the positions and returns the digests in a fixed
// order; afterPosition (may be empty) sees the running digests after each
// position. An empty text on success, else the error.
std::string ComputeSignature(const std::string& root, const std::vector<SignaturePosition>& positions,
                             std::vector<SignatureDigest>& digests, const SignatureProgress& afterPosition);
