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
read 0x66c82b5a991f7c54
read_report 0x0cc41b1682dd5b73
write_kif 0xe95ba636f8eb7af7
write_kif_position 0x0841340dbd18c52e
write_ckf 0x552e6e75e6917ff7
write_ki2 0x0c479331894b2211
write_ki2_position 0x00bee24787820291
write_csa 0xb399e8187a93a880
write_csa_position 0x924f1dcd1479eb5a
write_rvq 0xc0cfdd17aec4d394
write_rvq_position 0xe1b386263fde5624
clipboard 0xccab8dadeb5c18a8
reread 0x3668101cec20a877
paste 0xd24249187dfd807f
save_load 0x672b92866e307c3d
hostile_read 0x7857a9036ccc4566
record_legal_moves 0x50dc048e4da73f6c
complete_move 0x3e1a38efdf0163a3
move_validity 0x60e19985058ea8eb
notation 0x4ea727e3fbaaa208
phrase 0x8378f4daabbaa086
position_validity 0x260f6e0a315e9261
position_key 0xdb443f4e126a0faa
book_position 0x5b91755e9eb1693b
check 0x0cfa74c31e26395e
impasse 0xc60b5a37976a21f9
do_undo 0xbfdd5d7436f7c76f
position_edits 0x8779884c83160ed8
repetition 0x887faaea45a4a139
list_text 0xdaacaf347cd7977b
labels 0xc97a1853050dc177
navigation 0xd11e8fd1a95540fa
selection 0x778e0f05a7f111df
editing 0x7ba5239e7abc3db4
clocks 0x5d1488bba770b3fc
sjis_string 0x4ad7aabf65fe7238
string_list 0x27f7c04ff23f71e2
encoding 0x22b5596a0a48253e
streams 0xe821d3f7ff83ded0
csa_tokens 0xf0c79f3ef6e6022d
rvq_tokens 0xe3cedd53dc375811
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
