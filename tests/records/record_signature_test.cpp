// The record signature: the repository's games and seeded records through
// every record function, one digest per function. A change meant to alter
// an output updates its row here in the same commit (the rows are the
// record rows of `kifu signature`'s output as it stands).
#include <gtest/gtest.h>

#include <string>

#include "cli/record_signature.h"
#include "support/signature_table.h"
#include "support/test_paths.h"

namespace {

constexpr const char* kDigests = R"(
read 0x5c9e7ec3a5ad6934
read_report 0x0cc41b1682dd5b73
write_kif 0x1290f757eb8d14a0
write_kif_position 0x1a5c9c781c1060b5
write_ckf 0x7f9b26d04af73821
write_ki2 0xa6cc1b809c8ab10b
write_ki2_position 0x5a77d40fb1571c8f
write_csa 0x82b958673bce8de0
write_csa_position 0xec715c0c9383cd36
write_rvq 0xe2abb7ab8c1c59e3
write_rvq_position 0xeb745e6f7995e5a1
clipboard 0x15c273c901af55a5
reread 0x5037f103311ccb6e
paste 0xd03db35d329b79b0
save_load 0x09b3ba578fbd9d25
hostile_read 0xfcb2b9cdd83d65e8
record_legal_moves 0x4d0053b5cd2f1533
complete_move 0x5345ce4268c4d9c4
move_validity 0x53d0a6c692e4500a
notation 0x31df1c12f5d30c38
phrase 0xad83e082045a4bd7
position_validity 0x8ccf5cdba1d1b06a
position_key 0xb1820382281588af
book_position 0xfca56e753a66d70e
check 0x95a085cadc50b9bb
impasse 0x8657a6110a11a0d1
do_undo 0xb0b0cd0e1133cf92
position_edits 0x63a577cb7bff0ebc
repetition 0x8d5fe0509339ce98
list_text 0x3302000e9d951f74
labels 0x4a67d8795d845c8e
navigation 0x309f7f1fc6b5032e
selection 0x46e3a6613a87fb35
editing 0x31d92c34292d01b7
clocks 0x01704f0cea65a643
sjis_string 0x8f7f30ee950ff5b8
string_list 0x35fc5bf84c468a4c
encoding 0xb71777f3210e423e
streams 0x2535220a6b0ca518
csa_tokens 0xa4da20d0b0fc5959
rvq_tokens 0xdd34faa0c3033484
file_types 0x6479e0ba199fb107
)";

const std::string kRoot = std::string(TestDataDir()) + "/../..";

TEST(RecordSignature, EveryFunctionGivesItsRecordedDigest) {
  std::vector<RecordSignatureItem> items;
  ASSERT_EQ(RecordSignatureItems(kRoot, items), "");
  // Every game of the corpus in its three formats, and the drawn records.
  EXPECT_GE(items.size(), 180u);
  std::vector<SignatureDigest> digests;
  ASSERT_EQ(ComputeRecordSignature(kRoot, items, digests, nullptr), "");
  ExpectSignatureTable(kDigests, digests);

  // Nothing a run leaves behind (the shared notation text, the scratch
  // files) changes the next run.
  std::vector<SignatureDigest> again;
  ASSERT_EQ(ComputeRecordSignature(kRoot, items, again, nullptr), "");
  ASSERT_EQ(again.size(), digests.size());
  for (size_t i = 0; i < digests.size(); ++i) {
    EXPECT_EQ(digests[i].value, again[i].value) << digests[i].name << " depends on what ran before it";
  }
}

TEST(RecordSignature, MissingGamesFailRatherThanShrinkTheSet) {
  std::vector<RecordSignatureItem> items;
  EXPECT_NE(RecordSignatureItems(kRoot + "/no-such-folder", items), "");
  std::vector<SignatureDigest> digests;
  EXPECT_NE(ComputeRecordSignature(kRoot, {{"tests/data/corpus/missing.kif", 0}}, digests, nullptr), "");
}

}  // namespace
