// The engine signature: every board, evaluation and search-service function
// run over a fixed set of positions from the repository's games, one digest
// per function. A change meant to alter an output updates its row here in
// the same commit (the rows are `kifu signature`'s output as it stands).
#include <gtest/gtest.h>

#include <string>

#include "cli/signature.h"
#include "support/signature_table.h"
#include "support/test_paths.h"

namespace {

constexpr const char* kDigests = R"(
think 0x8139165c1fb16efd
strategy 0x288d591285e8363d
stage 0x75e6ec4470c1023e
keys 0xc428a4809e3ec22c
make_unmake 0x48dcdb6274f53542
all_moves 0xad21201c411ce903
legal_moves 0xde914dfe6ce162b9
from_square 0x075c5b64db20c28e
evasions 0x7c7d85ee5f0ba67e
captures 0x5a157cb0da30158f
captures_changed 0x0410e3d60207dee8
captures_on_square 0xf963c086dedeac09
recaptures 0xd8086f3e523e2a37
moves_to_square 0xf113e888875039d7
piece_moves 0xbdc848b875ef6a44
checks 0x6a708f588ea671eb
board_moves 0x146e20d0f8a8c34f
tactical 0x097a6c81c95394f2
threat_responses 0xd7fcbeeb158ee3cc
piece_escapes 0x68bc9a477c07aed3
bishop_sidesteps 0xd28a78ce056ba469
battery_moves 0x8c124d248e71b4e5
protected_moves 0x3ee72ad0c987e564
defending_moves 0xce8f089fd436f913
attacked_escapes 0xf41650b4b9d6441d
king_room 0x9c110cf86f16c816
defenders 0xd3e91e751d1edd99
king_attack 0x48cc7aabf88f86cc
king_attack_shallow 0xa94281cecd31c64e
attack_board_moves 0x42f72c04d4ac8c16
drop_proposals 0x0672ab8e1da4ad4b
attack_terms 0x45ac3ee5254d31e2
static_exchange 0x3f95bde7d6157f1b
exchange_for_eval 0x0eb3bf4db70aa2bd
best_capture 0xf3b43c66c13b3d56
mate_in_one 0xe95289ed1ba5737e
mate_filters 0xbc8692aa575e3595
king_safety 0x2f056a59ba280092
move_valid 0x43bee41baad432fe
forcing 0xe1e6457d5164a0ff
threat_move 0x8ee9e27d41fb1d03
follow_up_keys 0x058eb26f1e7a9e3b
root_back_filter 0xc8e0a0dcefa436e2
useless_lance 0x5c1625d1ab6463ef
eval_full 0xb4ea524f93763e8d
eval_delta 0x81493a9377a796ea
enemy_king_term 0xc9101da70775dd57
pattern_term 0xc276da02a9e3d9b8
blend 0x9848bceae9dbd76d
root_formation 0xa2ab60e1b8d19271
root_middle 0x9f993347b10319b1
root_end 0x8cdd6293ec57d32e
quick_eval 0xd0c413bfd15e9dc4
screening 0xd5bd4261266a5b09
ordering 0xe8d32aefc486a787
positional_gain 0x32c963701523ce0f
root_classification 0x7da67c6a91b4dcdc
formation_adjusters 0xa1c2942a48f66cbf
)";

const std::string kRoot = std::string(TestDataDir()) + "/../..";

std::vector<SignatureDigest> Compute(const std::vector<SignaturePosition>& positions) {
  std::vector<SignatureDigest> digests;
  EXPECT_EQ(ComputeSignature(kRoot, positions, digests, nullptr), "");
  return digests;
}

TEST(EngineSignature, EveryFunctionGivesItsRecordedDigest) {
  std::vector<SignaturePosition> positions;
  ASSERT_EQ(SignaturePositions(kRoot, positions), "");
  EXPECT_GE(positions.size(), 300u);
  const std::vector<SignatureDigest> digests = Compute(positions);
  ExpectSignatureTable(kDigests, digests);

  // Nothing a run leaves in the engine's globals changes the next run.
  const std::vector<SignatureDigest> again = Compute(positions);
  for (size_t i = 0; i < digests.size() && i < again.size(); ++i) {
    EXPECT_EQ(digests[i].value, again[i].value) << digests[i].name << " depends on what ran before it";
  }
}

}  // namespace
