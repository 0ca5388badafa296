// The signature program: the engine and record signatures' digests, one
// line per function as tests/data/signature.txt holds them, the positions
// and records behind them, or one function's running digest item by item.
#include <cinttypes>
#include <cstdio>
#include <string>
#include <vector>

#include "signature/record_signature.h"
#include "signature/signature.h"

namespace {

const char kUsage[] =
    "usage: signature [ROOT] [--positions | --trace NAME]\n"
    "one digest per engine and record function over the repository's games (NAME 0xDIGEST); --positions lists the "
    "positions and records, --trace NAME gives NAME's running digest after each (ROOT: the repository, default the "
    "one this program was built from)\n";

int UsageError(const std::string& message) {
  std::fprintf(stderr, "signature: %s\n(run 'signature --help' for the usage)\n", message.c_str());
  return 2;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "signature: %s\n", message.c_str());
  return 1;
}

void PrintRows(const std::vector<SignatureDigest>& digests) {
  for (const SignatureDigest& digest : digests) std::printf("%s %s\n", digest.name, SignatureDigestText(digest.value).c_str());
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  // --help or -h anywhere asks for the usage instead of a run.
  for (const std::string& arg : args) {
    if (arg == "--help" || arg == "-h") {
      std::printf("%s", kUsage);
      return 0;
    }
  }
  std::string root = SignatureRepositoryRoot(), trace;
  bool positionsOnly = false, haveRoot = false;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--positions") {
      positionsOnly = true;
    } else if (args[i] == "--trace") {
      if (i + 1 >= args.size()) return UsageError("--trace needs a function name");
      trace = args[++i];
    } else if (!haveRoot && !args[i].empty() && args[i][0] != '-') {
      root = args[i];
      haveRoot = true;
    } else {
      return UsageError("unexpected argument '" + args[i] + "'");
    }
  }
  if (positionsOnly && !trace.empty()) return UsageError("--positions and --trace exclude each other");

  std::vector<SignaturePosition> positions;
  if (std::string error = SignaturePositions(root, positions); !error.empty()) return Fail(error);
  std::vector<RecordSignatureItem> records;
  if (std::string error = RecordSignatureItems(root, records); !error.empty()) return Fail(error);
  if (positionsOnly) {
    for (size_t i = 0; i < positions.size(); ++i) {
      const SignaturePosition& at = positions[i];
      std::printf("%4zu %s --ply %d senkei %s stage %s seed 0x%08" PRIx32 "\n", i, at.file.c_str(), at.ply,
                  at.decided ? "decided" : (std::to_string(at.pair[0]) + "," + std::to_string(at.pair[1])).c_str(),
                  at.decided ? "decided" : std::to_string(at.stage).c_str(), at.randomSeed);
    }
    for (size_t i = 0; i < records.size(); ++i) {
      if (records[i].file.empty()) {
        std::printf("%4zu drawn seed 0x%08" PRIx32 "\n", i, records[i].seed);
      } else {
        std::printf("%4zu %s\n", i, records[i].file.c_str());
      }
    }
    return 0;
  }
  bool traced = trace.empty();
  const auto afterItem = [&](int index, const std::vector<SignatureDigest>& running) {
    for (const SignatureDigest& digest : running) {
      if (trace != digest.name) continue;
      std::printf("%4d %s\n", index, SignatureDigestText(digest.value).c_str());
      traced = true;
    }
  };
  std::vector<SignatureDigest> digests, recordDigests;
  if (std::string error = ComputeSignature(root, positions, digests, afterItem); !error.empty()) return Fail(error);
  if (std::string error = ComputeRecordSignature(root, records, recordDigests, afterItem); !error.empty()) {
    return Fail(error);
  }
  if (!traced) return UsageError("no function named '" + trace + "'");
  if (trace.empty()) {
    PrintRows(digests);
    PrintRows(recordDigests);
  }
  return 0;
}
