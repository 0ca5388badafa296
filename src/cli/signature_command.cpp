// kifu signature: the engine signature's digests, one line per function as
// the signature test's table writes them, the positions behind them, or one
// function's running digest position by position.
#include <cinttypes>
#include <cstdio>
#include <string>

#include "cli/command.h"
#include "cli/signature.h"

namespace {

constexpr const char* kUsage =
    "usage: kifu signature [ROOT] [--positions | --trace NAME]\n"
    "  ROOT          the repository (default .): its tests/data/corpus/*.kif and samples/*.kif\n"
    "  (no option)   one line per function: NAME 0xDIGEST\n"
    "  --positions   the positions: index, FILE --ply N, strategy pair, stage\n"
    "  --trace NAME  NAME's running digest after each position\n";

int Fail(const std::string& message) {
  std::fprintf(stderr, "kifu: signature: %s\n", message.c_str());
  return 1;
}

}  // namespace

int RunSignatureCommand(const CommandArgs& args) {
  std::string root = ".", trace;
  bool positionsOnly = false, haveRoot = false;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--help") {
      std::printf("%s", kUsage);
      return 0;
    } else if (args[i] == "--positions") {
      positionsOnly = true;
    } else if (args[i] == "--trace") {
      if (i + 1 >= args.size()) return UsageError("signature: --trace needs a function name");
      trace = args[++i];
    } else if (!haveRoot && !args[i].empty() && args[i][0] != '-') {
      root = args[i];
      haveRoot = true;
    } else {
      return UsageError("signature: unexpected argument '" + args[i] + "'");
    }
  }
  if (positionsOnly && !trace.empty()) return UsageError("signature: --positions and --trace exclude each other");

  std::vector<SignaturePosition> positions;
  if (std::string error = SignaturePositions(root, positions); !error.empty()) return Fail(error);
  if (positionsOnly) {
    for (size_t i = 0; i < positions.size(); ++i) {
      const SignaturePosition& at = positions[i];
      std::printf("%4zu %s --ply %d senkei %s stage %s seed 0x%08" PRIx32 "\n", i, at.file.c_str(), at.ply,
                  at.decided ? "decided" : (std::to_string(at.pair[0]) + "," + std::to_string(at.pair[1])).c_str(),
                  at.decided ? "decided" : std::to_string(at.stage).c_str(), at.randomSeed);
    }
    return 0;
  }
  std::vector<SignatureDigest> digests;
  bool traced = trace.empty();
  const auto afterPosition = [&](int index, const std::vector<SignatureDigest>& running) {
    for (const SignatureDigest& digest : running) {
      if (trace != digest.name) continue;
      std::printf("%4d 0x%016" PRIx64 "\n", index, digest.value);
      traced = true;
    }
  };
  if (std::string error = ComputeSignature(root, positions, digests, afterPosition); !error.empty()) return Fail(error);
  if (!traced) return UsageError("signature: no function named '" + trace + "'");
  if (trace.empty()) {
    for (const SignatureDigest& digest : digests) std::printf("%s 0x%016" PRIx64 "\n", digest.name, digest.value);
  }
  return 0;
}
