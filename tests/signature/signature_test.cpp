// The engine and record signatures: every engine function over positions
// of the repository's games, every record function over its games and
// seeded records, one digest per function, against tests/data/signature.txt
// (build/bin/signature's output as it stands). A change meant to alter an
// output rewrites that file in the same commit and names the digests that
// changed and why.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "signature/record_signature.h"
#include "signature/signature.h"
#include "support/test_files.h"
#include "support/test_paths.h"

namespace {

const std::string kRoot = SignatureRepositoryRoot();

std::vector<SignatureDigest> EngineDigests() {
  std::vector<SignaturePosition> positions;
  std::vector<SignatureDigest> digests;
  EXPECT_EQ(SignaturePositions(kRoot, positions), "");
  // Every handicap and game of the corpus at several plies.
  EXPECT_GE(positions.size(), 300u);
  EXPECT_EQ(ComputeSignature(kRoot, positions, digests, nullptr), "");
  return digests;
}

std::vector<SignatureDigest> RecordDigests() {
  std::vector<RecordSignatureItem> items;
  std::vector<SignatureDigest> digests;
  EXPECT_EQ(RecordSignatureItems(kRoot, items), "");
  // Every game of the corpus in its three formats, and the drawn records.
  EXPECT_GE(items.size(), 180u);
  EXPECT_EQ(ComputeRecordSignature(kRoot, items, digests, nullptr), "");
  return digests;
}

// The digests against their rows of the file, which holds the engine's and
// then the record side's, in order; the record rows end the file.
void ExpectRecordedRows(const std::vector<SignatureDigest>& digests, bool lastTable) {
  std::istringstream rows(FileBytes(std::string(TestDataDir()) + "/signature.txt"));
  std::string name, value;
  while (rows >> name >> value && !digests.empty() && name != digests.front().name) {
  }
  for (const SignatureDigest& digest : digests) {
    ASSERT_EQ(name, digest.name) << "tests/data/signature.txt is not build/bin/signature's output: write it there";
    EXPECT_EQ(value, SignatureDigestText(digest.value))
        << name << " returns something else now: 'build/bin/signature --trace " << name << "' before and after the "
        << "change shows the first position or record that differs ('build/bin/signature --positions' lists them); if "
        << "the change is meant, write build/bin/signature's output to tests/data/signature.txt";
    if (!(rows >> name >> value)) name.clear();
  }
  if (lastTable) {
    EXPECT_TRUE(name.empty()) << "a recorded digest names no function: " << name;
  }
}

// Two runs that must agree; `differs` says what a difference would mean.
void ExpectSameDigests(const std::vector<SignatureDigest>& digests, const std::vector<SignatureDigest>& again,
                       const char* differs) {
  ASSERT_EQ(digests.size(), again.size());
  for (size_t i = 0; i < digests.size(); ++i) {
    EXPECT_EQ(digests[i].value, again[i].value) << digests[i].name << differs;
  }
}

// Nothing a run leaves in the engine's globals, the shared notation text or
// the scratch files changes the next run.
void ExpectSameAgain(const std::vector<SignatureDigest>& digests, const std::vector<SignatureDigest>& again) {
  ExpectSameDigests(digests, again, " depends on what ran before it");
}

TEST(Signature, EveryEngineFunctionGivesItsRecordedDigest) {
  const std::vector<SignatureDigest> digests = EngineDigests();
  ExpectRecordedRows(digests, false);
  ExpectSameAgain(digests, EngineDigests());
}

TEST(Signature, EveryRecordFunctionGivesItsRecordedDigest) {
  const std::vector<SignatureDigest> digests = RecordDigests();
  ExpectRecordedRows(digests, true);
  ExpectSameAgain(digests, RecordDigests());
}

TEST(Signature, MissingGamesFailRatherThanShrinkTheSet) {
  std::vector<RecordSignatureItem> items;
  EXPECT_NE(RecordSignatureItems(kRoot + "/no-such-folder", items), "");
  std::vector<SignatureDigest> digests;
  EXPECT_NE(ComputeRecordSignature(kRoot, {{"tests/data/corpus/missing.kif", 0}}, digests, nullptr), "");
}

// Only the corpus's KI2 and CSA copies skip what their KIF game covers, and
// a file is judged by its place in the repository: the same files in a
// repository inside a folder named corpus give the same digests.
TEST(Signature, TheRepositorysFolderChangesNoDigest) {
  namespace fs = std::filesystem;
  const fs::path scratch = ProcessTempPath("signature"), root = scratch / "corpus" / "repository";
  std::vector<RecordSignatureItem> items, outsideCorpus;
  ASSERT_EQ(RecordSignatureItems(kRoot, items), "");
  for (const RecordSignatureItem& item : items) {
    if (item.file.empty() || item.file.rfind("tests/data/corpus/", 0) == 0) continue;
    fs::create_directories((root / item.file).parent_path());
    fs::copy_file(fs::path(kRoot) / item.file, root / item.file, fs::copy_options::overwrite_existing);
    outsideCorpus.push_back(item);
  }
  // The CSA games and the armoured sample at least.
  ASSERT_GE(outsideCorpus.size(), 4u);
  std::vector<SignatureDigest> here, there;
  EXPECT_EQ(ComputeRecordSignature(kRoot, outsideCorpus, here, nullptr), "");
  EXPECT_EQ(ComputeRecordSignature(root.string(), outsideCorpus, there, nullptr), "");
  fs::remove_all(scratch);
  ExpectSameDigests(here, there, " depends on the folder the repository is in");
}

}  // namespace
