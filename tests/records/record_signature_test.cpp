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
read 0x498ac18dcb047513
read_report 0x0cc41b1682dd5b73
write_kif 0x7857033facc19320
write_kif_position 0xd6b7c92c29e7a53c
write_ckf 0x8ddfa0eac0743735
write_ki2 0x0b4dfc34314668ae
write_ki2_position 0xf556b709236c2038
write_csa 0xf329203d30624296
write_csa_position 0xc648c23f9d7ad2ba
write_rvq 0xd793d45a0b5dc229
write_rvq_position 0xc6b77244c98a472d
clipboard 0x19c1290a1140680d
reread 0x6b81f263ef643805
paste 0xe07b8f624dbf7c59
save_load 0x24c8d0dd37c92013
hostile_read 0x0180fdd35fd2f9d0
record_legal_moves 0x4611ffd3321a4214
complete_move 0x582a86020ec78e47
move_validity 0xfcfae40918ecdc44
notation 0x054d2409efa94eb3
phrase 0x4b5ca310e2585266
position_validity 0x9d2aa63518ab5bd9
position_key 0x5f8ca9c1a1595348
book_position 0x0025542baf14d9ef
check 0xb4ba42139d61a013
impasse 0x6f17325b552294bd
do_undo 0xfd84ba06eeb94545
position_edits 0xf8e0f7e7305d76f1
repetition 0x4875981b7d48e389
list_text 0xe9932f6b62c614ce
labels 0xbbd3ef9f4827c915
navigation 0x538395c00d392a89
selection 0x830e6c8f5944c58e
editing 0xf6e4f87cc0cf2864
clocks 0x1d27ccf833c8b2bf
sjis_string 0x8998a57792fc4088
string_list 0x1116a72069c8e64b
encoding 0x1c8a02dc55862fa7
streams 0x35b83d41bf951d26
csa_tokens 0xe14c8ca874be49a7
rvq_tokens 0xb65e11d0a5117cec
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
