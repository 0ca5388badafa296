// One property run over every generator the node search calls outside
// check: on random positions reached by two recorded moves, each writes
// only pseudo-legal moves (king-safe but for pinned pieces), within its
// capacity, without duplicates where it promises none, and leaves the
// position and the attack history byte-identical.
// Which moves each one writes is pinned by the engine signature.
#include <algorithm>
#include <cstring>
#include <set>

#include <gtest/gtest.h>

#include "engine/board/board_move_generator.h"
#include "engine/board/defender_generator.h"
#include "engine/board/king_attack_generator.h"
#include "engine/board/move_generators.h"
#include "engine/board/move_tests.h"
#include "engine/board/tactical_generator.h"
#include "engine/board/threat_responses.h"
#include "engine/search/search_globals.h"
#include "support/engine_oracle.h"
#include "support/generator_checks.h"
#include "support/make_unmake_checks.h"
#include "support/playout.h"

namespace {

// What one call of a row reads besides the position, drawn once so that the
// full call and the small-capacity call see the same arguments.
struct Draw {
  int file, rank, depth, firstOnly, exFile, exRank;
  uint32_t key;
  std::vector<MoveCode> threats;
};

struct Scene {
  const Position& position;
  const Draw& draw;
};

using Generate = std::function<int(const Scene&, MoveRecord* out, int capacity)>;
using Extra = std::function<void(const Scene&, const std::vector<MoveRecord>&)>;

struct Row {
  const char* name;
  bool bounded, duplicateFree;
  Generate generate;
  Extra extra;
};

MoveCodeList g_done;

// The king-attack generator skips the moves the search has already tried.
void SkipsSearchedMoves(const Scene&, const std::vector<MoveRecord>& moves) {
  for (const MoveRecord& move : moves) {
    ASSERT_FALSE(g_done.Contains(ToMoveCode(move))) << "already searched: " << DescribeMove(move);
  }
}

const Row kRows[] = {
    {"king attack", false, true,
     [](const Scene& s, MoveRecord* out, int) {
       return GenerateKingAttackMoves(s.position, g_lineMoves + 1, s.draw.depth - 1, s.draw.key, g_done, out);
     },
     SkipsSearchedMoves},
    {"defenders", true, false,
     [](const Scene& s, MoveRecord* out, int room) {
       return GenerateDefenders(s.position, s.draw.file, s.draw.rank, s.draw.depth, 7, s.draw.firstOnly, out, room);
     },
     nullptr},
    {"piece escapes", true, false,
     [](const Scene& s, MoveRecord* out, int room) {
       return GeneratePieceEscapes(s.position, s.draw.file, s.draw.rank, s.draw.depth % 6, s.draw.firstOnly,
                                   s.draw.exFile, s.draw.exRank, out, room);
     },
     nullptr},
    {"batteries, protected pieces, bishop sidesteps", true, false,
     [](const Scene& s, MoveRecord* out, int room) {
       const int battery = GenerateBatteryMoves(s.position, s.draw.file, s.draw.rank, out, room);
       const int guarded = GenerateMovesOfProtectedPieces(s.position, s.draw.file, s.draw.rank, out + battery,
                                                          room - battery);
       const int used = battery + guarded, d = 1 + s.draw.depth % 3;
       return used + GenerateBishopSidesteps(s.position, s.draw.file, s.draw.rank, s.draw.file + d, s.draw.rank + d, 4,
                                             s.draw.firstOnly, out + used, room - used);
     },
     nullptr},
    {"threat responses", true, true,
     [](const Scene& s, MoveRecord* out, int room) {
       return GenerateThreatResponses(s.position, s.draw.threats.data(), s.draw.depth % 7, s.draw.depth + 4, out, room);
     },
     nullptr},
    {"defending moves", true, true,
     [](const Scene& s, MoveRecord* out, int room) {
       int written = -1;
       const int kept = GenerateDefendingMoves(s.position, written, s.draw.depth % 6, out, room);
       return written >= kept ? kept : -1;
     },
     nullptr},
    {"escapes of attacked pieces", true, false,
     [](const Scene& s, MoveRecord* out, int room) {
       return GenerateEscapesOfAttackedPieces(s.position, s.draw.depth % 6, g_lineMoves[1].toFile,
                                              g_lineMoves[1].toRank, out, room);
     },
     nullptr},
    {"king room", true, false,
     [](const Scene& s, MoveRecord* out, int room) { return GenerateKingRoomMoves(s.position, out, room); }, nullptr},
    {"board moves", true, true,
     [](const Scene& s, MoveRecord* out, int room) {
       g_forcingMoveFilter = s.draw.key;
       const int count = GenerateBoardMoves(s.position, g_lineMoves + g_ply, 0, s.draw.depth, out, room);
       g_forcingMoveFilter = 0;
       return count;
     },
     nullptr},
    {"tactical moves", true, false,
     [](const Scene& s, MoveRecord* out, int room) {
       g_forcingMoveFilter = s.draw.key;
       const int count = GenerateTacticalMoves(s.position, g_lineMoves + g_ply, 3, out, room);
       g_forcingMoveFilter = 0;
       return count;
     },
     nullptr},
};

// A stale threat list: one of the side's own moves and a made-up code (the
// signature feeds the opponent's real replies).
std::vector<MoveCode> DrawThreats(const Position& position, PlayoutRandom& random) {
  const std::vector<MoveRecord> own = OracleMoves(position);
  if (own.empty()) return {NULL_MOVE_CODE};
  return {2, ToMoveCode(own[static_cast<size_t>(random.Below(static_cast<int>(own.size())))]),
          static_cast<MoveCode>(random.Next() & 0x7fffffff)};
}

void CheckRows(Position& position, PlayoutRandom& random, int stage, int counts[]) {
  SetUpUndecidedThink(position, stage);
  const std::vector<MoveKey> pseudo = SortedKeys(OracleMoves(position, MoveSet::kPseudoLegal));
  const std::vector<MoveKey> safe = SortedKeys(OracleMoves(position, MoveSet::kKingSafe));
  g_done.Clear();
  for (const MoveRecord& move : OracleMoves(position)) {
    if (random.Below(4) == 0) g_done.Add(ToMoveCode(move));
  }
  const int keyKind = random.Below(3);
  const Draw draw{1 + random.Below(9), 1 + random.Below(9), random.Below(10), random.Below(2), random.Below(10),
                  random.Below(10),
                  keyKind == 0   ? 0u
                  : keyKind == 1 ? RecaptureKey(g_lineMoves[0], g_lineMoves[1])
                                 : static_cast<uint32_t>(random.Next()),
                  DrawThreats(position, random)};
  const Scene scene{position, draw};
  for (size_t row = 0; row < std::size(kRows); ++row) {
    const Row& r = kRows[row];
    SCOPED_TRACE(r.name);
    ++g_searchGeneration;
    std::vector<MoveRecord> moves;
    ASSERT_TRUE(RunsCleanly(position, [&](MoveRecord* out) { return r.generate(scene, out, MAX_GENERATED_MOVES); },
                            moves));
    std::set<MoveKey> seen;
    for (const MoveRecord& move : moves) {
      const MoveKey key = KeyOf(move);
      ASSERT_TRUE(std::binary_search(pseudo.begin(), pseudo.end(), key)) << DescribeMove(move);
      // The one allowed exception to king safety: a pinned piece's move (no
      // generator here looks at pins; the search refuses them when it makes them).
      if (!std::binary_search(safe.begin(), safe.end(), key)) {
        ASSERT_FALSE(move.IsDrop() || move.pieceId == position.sideToMove) << DescribeMove(move);
      }
      ASSERT_TRUE(seen.insert(key).second || !r.duplicateFree) << "twice: " << DescribeMove(move);
    }
    if (r.extra) r.extra(scene, moves);
    if (::testing::Test::HasFatalFailure()) return;
    counts[row] += static_cast<int>(moves.size());
    if (!r.bounded) continue;
    MoveRecord small[8];
    std::memset(small, 0x5a, sizeof small);
    const int room = random.Below(5);
    ASSERT_LE(r.generate(scene, small, room), room);
    for (int i = room; i < 8; ++i) ASSERT_EQ(small[i].toFile, 0x5a) << "wrote past the capacity " << room;
  }
}

TEST(NodeGenerators, PseudoLegalCleanAndBoundedOverRandomPositions) {
  InitAttackMoveStamps();
  ResetSearchGlobals();
  PlayoutRandom random{5150};
  int counts[std::size(kRows)] = {};
  ForEachAttackScenario(SampleCount(2500), 5150, [&](Position& position, int sample) {
    if (!HasFatalFailure()) CheckRows(position, random, sample % 3, counts);
  });
  ResetSearchGlobals();
  for (size_t row = 0; row < std::size(kRows); ++row) EXPECT_GT(counts[row], 0) << kRows[row].name;
}

}  // namespace
