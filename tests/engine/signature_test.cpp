// The engine signature: every board, evaluation and search-service function
// run over a fixed set of positions from the repository's games, one digest
// per function. A change meant to alter an output updates its row here in
// the same commit (the rows are `kifu signature`'s output as it stands).
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>

#include "cli/signature.h"
#include "support/test_paths.h"

namespace {

constexpr const char* kDigests = R"(
think 0xda26453d48871462
strategy 0xa1b1b2017960676d
stage 0x471245329560e6d7
keys 0x41cf20f658e96a58
make_unmake 0x48dcdb6274f53542
all_moves 0xad21201c411ce903
legal_moves 0xde914dfe6ce162b9
from_square 0x075c5b64db20c28e
evasions 0xa0d98460400b845f
captures 0x2715d8a36e7a535b
captures_changed 0x3efabddc9abf34b7
captures_on_square 0x78d30d14a633689c
recaptures 0xe01c09d1430d96be
moves_to_square 0x4b95bf24ec558829
piece_moves 0xbdc848b875ef6a44
checks 0x6a708f588ea671eb
board_moves 0x0793a60445991f02
tactical 0x8f781c92c45f80cc
threat_responses 0x38d0a0bdc0d55a6d
piece_escapes 0x80d1d767b8b894e6
bishop_sidesteps 0x8be0cee1b4e3056e
battery_moves 0x8c124d248e71b4e5
protected_moves 0x3ee72ad0c987e564
defending_moves 0x3100c2317a33aa55
attacked_escapes 0x15350e485d445b56
king_room 0x9c110cf86f16c816
defenders 0x08886cbd83814e25
king_attack 0x9bbc96820a079212
king_attack_shallow 0xde888e41d3ec936c
attack_board_moves 0x0c8a395f46187b5f
drop_proposals 0xcc9d53da07ce2845
attack_terms 0x61062d1a2a3b172d
static_exchange 0x7cc9d14ff11457a2
exchange_for_eval 0x889dd61031575483
best_capture 0xd50f423921a88ad8
mate_in_one 0xe95289ed1ba5737e
mate_filters 0xbc8692aa575e3595
king_safety 0x2f056a59ba280092
move_valid 0x16985cdcd9b2bad6
forcing 0x58d7e4c21161eae9
threat_move 0x66d8cffc8e860041
follow_up_keys 0xdaa57f3cb95b2ecc
root_back_filter 0xc8e0a0dcefa436e2
useless_lance 0x5c1625d1ab6463ef
eval_full 0x94ac8a1d57ad5700
eval_delta 0xcd78294dafd27f24
enemy_king_term 0xb505d2e092867411
pattern_term 0x70ca93bc04476a7b
blend 0x11c152980e6efee1
root_formation 0xa2ab60e1b8d19271
root_middle 0xd0ff8fec26c91dd1
root_end 0xf7eda63b73a41df6
quick_eval 0xe43b20403577ea1e
screening 0x5b393dab0db1853b
ordering 0x8b90a053b4c67148
positional_gain 0x2f4bf34641435e36
root_classification 0xf61c97824ec13d5f
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
  std::map<std::string, std::string> expected;
  std::istringstream rows(kDigests);
  for (std::string name, value; rows >> name >> value;) expected[name] = value;

  const std::vector<SignatureDigest> digests = Compute(positions);
  for (const SignatureDigest& digest : digests) {
    char value[24];
    std::snprintf(value, sizeof value, "0x%016llx", static_cast<unsigned long long>(digest.value));
    const auto row = expected.find(digest.name);
    if (row == expected.end()) {
      ADD_FAILURE() << "no recorded digest for " << digest.name << ": add the row '" << digest.name << " " << value << "'";
      continue;
    }
    EXPECT_EQ(row->second, value) << digest.name << " returns something else now: 'kifu signature --trace "
                                  << digest.name << "' before and after the change shows the first position that "
                                  << "differs ('kifu signature --positions' lists them); if the change is meant, "
                                  << "copy 'kifu signature' output into this table";
    expected.erase(row);
  }
  for (const auto& [name, value] : expected) ADD_FAILURE() << "a recorded digest names no function: " << name;

  // Nothing a run leaves in the engine's globals changes the next run.
  const std::vector<SignatureDigest> again = Compute(positions);
  for (size_t i = 0; i < digests.size() && i < again.size(); ++i) {
    EXPECT_EQ(digests[i].value, again[i].value) << digests[i].name << " depends on what ran before it";
  }
}

}  // namespace
