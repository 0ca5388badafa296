// The engine signature: positions drawn by a fixed seed from the
// repository's games, and per function a digest of everything it returned.
#include "signature/signature.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "engine/board/attack_drop_proposers.h"
#include "engine/board/attacking_board_moves.h"
#include "engine/board/capture_generators.h"
#include "engine/board/check_generator.h"
#include "engine/board/defender_generator.h"
#include "engine/board/engine_perft.h"
#include "engine/board/engine_random.h"
#include "engine/board/evasion_generators.h"
#include "engine/board/king_attack_generator.h"
#include "engine/board/king_attack_shallow.h"
#include "engine/board/king_safety.h"
#include "engine/board/make_move.h"
#include "engine/board/mate_in_one.h"
#include "engine/board/move_gen_helpers.h"
#include "engine/board/move_generators.h"
#include "engine/board/move_tests.h"
#include "engine/board/board_move_generator.h"
#include "engine/board/position_key.h"
#include "engine/board/root_move_classification.h"
#include "engine/board/static_exchange.h"
#include "engine/board/tactical_generator.h"
#include "engine/board/threat_responses.h"
#include "engine/eval/evaluate_delta.h"
#include "engine/eval/evaluate_full.h"
#include "engine/eval/formation_adjusters.h"
#include "engine/eval/formation_root.h"
#include "engine/eval/move_ordering.h"
#include "engine/eval/pattern_eval.h"
#include "engine/eval/piece_square_table.h"
#include "engine/eval/quick_evaluate.h"
#include "engine/eval/root_evaluators.h"
#include "engine/eval/score_blend.h"
#include "engine/eval/strategy_redecision.h"
#include "engine/search/move_code_list.h"
#include "engine/search/root_screening.h"
#include "engine/search/search_globals.h"
#include "engine/search/think_setup.h"
#include "engine/service/record_bridge.h"
#include "records/kifu.h"
#include "records/kifu_graph.h"
#include "records/record_files.h"
#include "support/test_paths.h"

namespace {

// Reads a game of the set; an empty text on success.
std::string ReadGame(const std::string& path, Kifu& kifu) {
  if (ReadKifuFile(path.c_str(), KifuFileTypeOfPath(path.c_str()), kifu, false) != 0) return "cannot read '" + path + "'";
  kifu.SelectFirstMoves();
  return "";
}

// Plies drawn per game, and children of each position that get the
// node-search generators (every child gets make, keys and the delta).
constexpr int PLIES_PER_GAME = 5;
constexpr int DEEP_CHILDREN = 24;

enum Fn : int {
  THINK, STRATEGY, STAGE, KEYS, MAKE_UNMAKE, ALL_MOVES, LEGAL_MOVES, FROM_SQUARE, EVASIONS, CAPTURES,
  CAPTURES_CHANGED, CAPTURES_ON_SQUARE, RECAPTURES, MOVES_TO_SQUARE, PIECE_MOVES, CHECKS, BOARD_MOVES, TACTICAL,
  THREAT_RESPONSES, PIECE_ESCAPES, BISHOP_SIDESTEPS, BATTERY_MOVES, PROTECTED_MOVES, DEFENDING_MOVES,
  ATTACKED_ESCAPES, KING_ROOM, DEFENDERS, KING_ATTACK, KING_ATTACK_SHALLOW, ATTACK_BOARD_MOVES, DROP_PROPOSALS,
  ATTACK_TERMS, STATIC_EXCHANGE, EXCHANGE_FOR_EVAL, BEST_CAPTURE, MATE_IN_ONE, MATE_FILTERS, KING_SAFETY,
  MOVE_VALID, FORCING, THREAT_MOVE, FOLLOW_UP_KEYS, ROOT_BACK_FILTER, USELESS_LANCE, EVAL_FULL, EVAL_DELTA,
  ENEMY_KING_TERM, PATTERN_TERM, BLEND, ROOT_FORMATION, ROOT_MIDDLE, ROOT_END, QUICK_EVAL, SCREENING, ORDERING,
  POSITIONAL_GAIN, ROOT_CLASSIFICATION, FORMATION_ADJUSTERS, FN_COUNT
};
constexpr const char* kNames[FN_COUNT] = {
    "think", "strategy", "stage", "keys", "make_unmake", "all_moves", "legal_moves", "from_square", "evasions",
    "captures", "captures_changed", "captures_on_square", "recaptures", "moves_to_square", "piece_moves", "checks",
    "board_moves", "tactical", "threat_responses", "piece_escapes", "bishop_sidesteps", "battery_moves",
    "protected_moves", "defending_moves", "attacked_escapes", "king_room", "defenders", "king_attack",
    "king_attack_shallow", "attack_board_moves", "drop_proposals", "attack_terms", "static_exchange",
    "exchange_for_eval", "best_capture", "mate_in_one", "mate_filters", "king_safety", "move_valid", "forcing",
    "threat_move", "follow_up_keys", "root_back_filter", "useless_lance", "eval_full", "eval_delta",
    "enemy_king_term", "pattern_term", "blend", "root_formation", "root_middle", "root_end", "quick_eval",
    "screening", "ordering", "positional_gain", "root_classification", "formation_adjusters"};

struct Digests {
  uint64_t value[FN_COUNT];
  Digests() { std::fill(value, value + FN_COUNT, SIGNATURE_DIGEST_START); }
  void Add(Fn fn, uint64_t word) { value[fn] = FoldSignatureWord(value[fn], word); }
  void AddBytes(Fn fn, const void* data, size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; i += 8) {
      uint64_t word = 0;
      std::memcpy(&word, bytes + i, std::min<size_t>(8, size - i));
      Add(fn, word);
    }
  }
  // The move's identity; the order value is the search's scratch word, which
  // no generator writes.
  void AddMove(Fn fn, const MoveRecord& m) {
    Add(fn, static_cast<uint64_t>(static_cast<uint8_t>(m.fromFile)) | static_cast<uint64_t>(m.fromRank & 0xff) << 8 |
                static_cast<uint64_t>(m.toFile & 0xff) << 16 | static_cast<uint64_t>(m.toRank & 0xff) << 24 |
                static_cast<uint64_t>(m.pieceId) << 32 | static_cast<uint64_t>(m.capturedId) << 40 |
                static_cast<uint64_t>(m.pieceCode) << 48 | static_cast<uint64_t>(m.capturedCode) << 56);
    Add(fn, m.promote);
  }
  // The count, then each move in order.
  void AddMoves(Fn fn, const MoveRecord* moves, int count) {
    Add(fn, static_cast<uint64_t>(count));
    for (int i = 0; i < count; ++i) AddMove(fn, moves[i]);
  }
  void AddList(Fn fn, const MoveRecord* head, int count) {
    Add(fn, static_cast<uint64_t>(count));
    for (const MoveRecord* m = head; m != nullptr; m = m->next) AddMove(fn, *m);
  }
  void AddInt(Fn fn, int64_t v) { Add(fn, static_cast<uint64_t>(v)); }
};

// The board as the generators see it; in-hand stack slots above the tops and
// the tokin-list order are what unmake leaves free, so they are left out.
void AddPosition(Digests& d, Fn fn, const Position& p) {
  d.AddBytes(fn, p.board, sizeof p.board);
  d.AddBytes(fn, p.attacks, sizeof p.attacks);
  d.AddBytes(fn, p.hand, sizeof p.hand);
  d.AddBytes(fn, p.pawnRank, sizeof p.pawnRank);
  d.AddBytes(fn, p.handTotal, sizeof p.handTotal);
  for (int id = 0; id < PIECE_COUNT; ++id) {
    const PieceListEntry& e = p.pieces[id];
    if (IsOnBoard(e.file, e.rank)) d.AddInt(fn, id << 24 | e.file << 16 | e.rank << 8 | e.code);
  }
}

// The record move of the main line at ply as the engine's legal move in
// position; false when none matches.
bool FindEngineMove(Position& position, const KifuMove& recordMove, MoveRecord& out) {
  static MoveRecord moves[MAX_GENERATED_MOVES];
  const int count = GenerateLegalMoves(position, moves);
  for (int i = 0; i < count; ++i) {
    KifuMove m;
    if (EngineMoveToUi(ToMoveCode(moves[i]), m) != 0) continue;
    if (m.fromFile == recordMove.fromFile && m.fromRank == recordMove.fromRank && m.toFile == recordMove.toFile &&
        m.toRank == recordMove.toRank && (m.promote != 0) == (recordMove.promote != 0)) {
      out = moves[i];
      out.previous = out.next = nullptr;
      return true;
    }
  }
  return false;
}

// The engine position at the ply with the two moves before it made on the
// board, so that piece identities agree with the line; line[1] is the last
// move, line[0] the one before (null moves where the game has none).
bool PositionWithLine(const Kifu& kifu, int ply, Position& position, MoveRecord line[2]) {
  line[0].SetNull();
  line[1].SetNull();
  const int start = std::max(0, ply - 2);
  const KifuMoveNode* node = kifu.MoveAtPly(start);
  if (node == nullptr || node->reachedNode == nullptr) return false;
  if (KifuPositionToEngine(position, node->reachedNode->position) != 0) return false;
  for (int p = start + 1; p <= ply; ++p) {
    MoveRecord& slot = line[2 - (ply - p) - 1];
    const KifuMoveNode* next = kifu.MoveAtPly(p);
    if (next == nullptr || !FindEngineMove(position, next->move, slot)) return false;
    MakeMove(position, slot, 0);
  }
  return true;
}

// The side to move's own pieces, then the enemy's, on the board.
template <typename Visit>
void ForEachPiece(const Position& p, int side, Visit visit) {
  for (int id = 0; id < PIECE_COUNT; ++id) {
    const PieceListEntry& e = p.pieces[id];
    if (IsOnBoard(e.file, e.rank) && IsOwnedBy(e.code, side)) visit(id, e);
  }
}

struct Runner {
  Digests d;
  Position work, saved;
  MoveRecord legal[MAX_GENERATED_MOVES];
  MoveRecord out[AttackMoveStamps::kCandidateCapacity + MAX_GENERATED_MOVES];
  MoveRecord lists[MAX_GENERATED_MOVES];
  CandidateMoveNode nodes[MAX_GENERATED_MOVES];
  MoveCodeList done;
  NodeState root;
  SenkeiId pair[2];
  // The opponent's moves in the position, as codes: replies the side
  // recorded before its opponent moved, stale in every child.
  MoveCode enemyMoves[MAX_GENERATED_MOVES];
  int enemyMoveCount = 0;

  MoveRecord* Out() {
    std::memset(out, 0, sizeof(MoveRecord) * MAX_GENERATED_MOVES);
    ++g_nodeCount;
    return out;
  }

  void Run(const SignaturePosition& at, const Position& position, const MoveRecord line[2], SignatureRandom& rng);
  void RunBoard(const MoveRecord* line, int count, SignatureRandom& rng);
  void RunChild(const MoveRecord& move, bool deep, SignatureRandom rng);
  void RunAttackGenerators(const MoveRecord* line, int depth, uint32_t key, int doneStride);
  void AddStamps(Fn fn);
  void RunProposers(const MoveRecord* line);
  void AddTableChanges(const PieceSquareTable& before);
  void RunFormation(int count);
  void RunStaleReplies(const MoveRecord& move, int random, int ply, int depth);
  void RunExchanges(const MoveRecord& move, int level);
  void RunStaticExchanges(int side, SignatureRandom& rng);
  void RunLineAhead(const Kifu& kifu, int ply);
};

void Runner::Run(const SignaturePosition& at, const Position& position, const MoveRecord line[2], SignatureRandom& rng) {
  std::memcpy(&work, &position, sizeof work);
  ResetSearchGlobals();
  SetRandomSeed(at.randomSeed);
  const int side = work.sideToMove;
  // The think as a game sets it up (every strategy allowed), then, unless
  // the position keeps it, the drawn pair and stage.
  const ThinkRequest request{side, ALL_SENKEI_MASK, at.pair[side], 0};
  ThinkSetup setup;
  if (BeginThink(work, request, root, setup) != 0) return;
  d.AddInt(THINK, setup.senkei[0] << 16 | setup.senkei[1] << 8 | setup.stage);
  d.AddBytes(THINK, &root.eval, sizeof root.eval);
  for (int s = 0; s < 2; ++s) {
    d.AddInt(STRATEGY, ReconsiderStrategy(work, s, ALL_SENKEI_MASK, at.pair[s], 0));
    d.AddInt(STRATEGY, ReconsiderStrategy(work, s, static_cast<SenkeiMask>(rng.Next()) & ALL_SENKEI_MASK, 0,
                                          static_cast<SenkeiMask>(rng.Next()) & ALL_SENKEI_MASK));
    d.AddInt(STRATEGY, PositionSenkeiMask(work, s, ALL_SENKEI_MASK));
    // Every current id, so that each id's own re-decision rule runs.
    for (SenkeiId current = 0; current < SENKEI_FAMILY_COUNT; ++current) {
      d.AddInt(STRATEGY, ReconsiderStrategy(work, s, ALL_SENKEI_MASK, current, 0));
    }
    d.AddInt(STRATEGY, RookClass(work, s) << 24 | DetectCastle(work, s) << 16 | AnagumaObstacle(work, s) << 8 |
                           RangingAnagumaObstacle(work, s));
  }
  d.AddInt(STAGE, DetermineGameStage(work));
  if (!at.decided) {
    setup.senkei[0] = at.pair[0];
    setup.senkei[1] = at.pair[1];
    setup.stage = at.stage;
    PrepareThink(work, setup, root);
  }
  d.AddBytes(EVAL_FULL, &root.eval, sizeof root.eval);
  pair[0] = setup.senkei[0];
  pair[1] = setup.senkei[1];

  // The line of the search: g_lineMoves[-1] the own previous move, [0] the last.
  g_ply = 0;
  g_lineMoves[-1] = line[0];
  g_lineMoves[0] = line[1];
  const int count = GenerateLegalMoves(work, legal);
  d.AddMoves(LEGAL_MOVES, legal, count);
  const int deepStride = std::max(1, count / DEEP_CHILDREN);
  const int deepOffset = rng.Below(deepStride);
  SignatureRandom childSeeds{rng.Next()};
  RunBoard(g_lineMoves, count, rng);
  RunFormation(count);
  for (int i = 0; i < count; ++i) RunChild(legal[i], i % deepStride == deepOffset, SignatureRandom{childSeeds.Next()});
}

void Runner::AddStamps(Fn fn) {
  d.AddInt(fn, g_attackMoveStamps.count);
  for (uint32_t i = 0; i < g_attackMoveStamps.count; ++i) {
    const AttackMoveStamps::Candidate& c = g_attackMoveStamps.candidates[i];
    int slots = 0;
    for (int slot = 0; slot < AttackMoveStamps::kSlotCount; ++slot) {
      slots |= g_attackMoveStamps.IsMarked(static_cast<int>(c.pieceId), static_cast<int>(c.file),
                                           static_cast<int>(c.rank), static_cast<int>(c.promote), slot)
               << slot;
    }
    d.AddInt(fn, static_cast<int64_t>(slots) << 32 | c.pieceId << 24 | c.file << 16 | c.rank << 8 | c.promote);
  }
}

void Runner::RunAttackGenerators(const MoveRecord* line, int depth, uint32_t key, int doneStride) {
  done.Clear();
  // Moves the search has already tried are not proposed again: mark every
  // doneStride-th of the side's own moves as searched.
  if (doneStride > 0) {
    int moveCount = 0;
    for (const MoveRecord* m = GenerateAllMoves(work, moveCount, lists); m != nullptr; m = m->next) {
      if (--moveCount % doneStride == 0) done.Add(ToMoveCode(*m));
    }
  }
  ++g_searchGeneration;
  int n = GenerateKingAttackMoves(work, line, depth, key, done, Out());
  d.AddMoves(KING_ATTACK, out, n);
  AddStamps(DROP_PROPOSALS);
  n = GenerateKingAttackMovesShallow(work, line, line, line - 1, key, done, Out());
  d.AddMoves(KING_ATTACK_SHALLOW, out, n);
}

// Every drop proposer on its own, at every depth, against each enemy piece
// and each square next to the enemy king: the generator reaches each only
// under its own gating.
void Runner::RunProposers(const MoveRecord* line) {
  const Position& p = work;
  const MoveRecord *last = line, *prev = line - 1;
  const int side = p.sideToMove, enemy = side ^ 1;
  const PieceListEntry& king = p.pieces[enemy];
  auto propose = [&](int file, int rank) {
    const PieceCode code = p.PieceCodeAt(file, rank);
    for (int depth = 0; depth <= 6; ++depth) {
      ++g_searchGeneration;
      BeginAttackMoveStamps();
      const bool weak = depth & 1;
      ProposePawnDrops(p, depth, file, rank, last, prev, depth);
      ProposePawnDropsNear(p, depth, file, rank, last, prev);
      ProposeLanceDrops(p, depth, file, rank, last, prev, 4);
      ProposeLanceDropsOnPawn(p, depth, file, rank, last, prev, 6);
      ProposeKnightDrops(p, depth, file, rank, last, prev, weak, 5);
      ProposeSilverDrops(p, depth, file, rank, last, prev, weak, depth % 2, 4);
      ProposeGoldDrops(p, depth, file, rank, last, prev, !weak, 5);
      ProposeBishopDropChecks(p, depth, file, rank, last, prev);
      ProposeBishopDropsAt(p, depth, file, rank, last, prev, 6);
      ProposeRookDrops(p, depth, file, rank, last, prev, 4);
      ProposeRookDropLines(p, depth, file, rank, last, prev, 6);
      ProposeBishopDropInCamp(p, last, prev, depth, file, rank, 6);
      ProposeRookDropInCamp(p, last, prev, depth, file, rank, 6);
      if (BaseTypeOf(code) == ROOK) ProposeBishopDropsOnRook(p, depth, file, rank, last, prev);
      if (BaseTypeOf(code) == BISHOP) {
        ProposeBishopDropsOnBishop(p, depth, file, rank, code);
        ProposeBishopTrapRookDrops(p, depth, file, rank, p.PieceIdAt(file, rank), code, last, prev, 4);
      }
      AddStamps(DROP_PROPOSALS);
    }
  };
  ForEachPiece(p, enemy, [&](int, const PieceListEntry& e) { propose(e.file, e.rank); });
  for (const movegen::Step& step : movegen::kLineDirections) {
    if (IsOnBoard(king.file + step.df, king.rank + step.dr) && p.IsEmpty(king.file + step.df, king.rank + step.dr)) {
      propose(king.file + step.df, king.rank + step.dr);
    }
  }
  ForEachPiece(p, side, [&](int, const PieceListEntry& e) {
    if (BaseTypeOf(e.code) != LANCE && BaseTypeOf(e.code) != PAWN) return;
    ++g_searchGeneration;
    BeginAttackMoveStamps();
    for (int depth = 0; depth <= 6; depth += 3) ProposeRookDropBehind(p, side, depth, e.file, e.rank, last, prev);
    AddStamps(DROP_PROPOSALS);
  });
}

// The entries an adjuster changed in the active table, then the table as it was.
void Runner::AddTableChanges(const PieceSquareTable& before) {
  const int* now = &g_activePieceSquareTable->value[0][0];
  const int* was = &before.value[0][0];
  constexpr int kCells = sizeof before.value / sizeof(int);
  for (int i = 0; i < kCells; ++i) {
    if (now[i] != was[i]) d.AddInt(FORMATION_ADJUSTERS, static_cast<int64_t>(i) << 32 | static_cast<uint32_t>(now[i]));
  }
  d.AddInt(FORMATION_ADJUSTERS, -1);
  std::memcpy(g_activePieceSquareTable->value, before.value, sizeof before.value);
}

// The formation adjusters of every strategy for both sides and stages, the
// per-move adjustment and the formation test of every move.
void Runner::RunFormation(int count) {
  static PieceSquareTable before;
  std::memcpy(&before, g_activePieceSquareTable, sizeof before);
  const Position& p = work;
  for (int side = 0; side < 2; ++side) {
    for (GameStage stage = 0; stage < GAME_STAGE_COUNT; ++stage) {
      AdjustRangingRook(p, stage, side), AddTableChanges(before);
      AdjustStaticVsRanging(p, stage, side), AddTableChanges(before);
      AdjustUndecided(p, side, stage, pair), AddTableChanges(before);
      AdjustShikenMino(p, stage, side), AddTableChanges(before);
      AdjustFunaKyusen(p, stage, side), AddTableChanges(before);
      AdjustAiFuriKinMuso(p, stage, side), AddTableChanges(before);
      AdjustHidariMino(p, stage, side), AddTableChanges(before);
      AdjustIbiAnaguma(p, stage, side), AddTableChanges(before);
    }
    AdjustIYagura(p, side), AddTableChanges(before);
    AdjustNakaZumai(p, side), AddTableChanges(before);
  }
  for (int i = 0; i < count; ++i) {
    d.AddInt(FORMATION_ADJUSTERS, WeakensFormation(p, legal[i], pair));
    AdjustTablesForMove(p, legal[i], static_cast<GameStage>(i % GAME_STAGE_COUNT), pair[p.sideToMove]);
    AddTableChanges(before);
  }
}

// The exchanges the side can start on each enemy piece, from each of its
// first three attackers.
void Runner::RunStaticExchanges(int side, SignatureRandom& rng) {
  const Position& p = work;
  ForEachPiece(p, side ^ 1, [&](int, const PieceListEntry& e) {
    for (int first = 0; first < 3; ++first) {
      const int attacker = movegen::NthAttacker(p, side, e.file, e.rank, first);
      if (attacker < 0) break;
      const int type = TypeOf(e.code);
      int firstGain = 0;
      d.AddInt(STATIC_EXCHANGE, StaticExchange(p, side, type, e.file, e.rank, attacker, &firstGain, 0));
      d.AddInt(STATIC_EXCHANGE, firstGain);
      d.AddInt(STATIC_EXCHANGE,
               StaticExchangeOpening(p, side, type, e.file, e.rank, attacker, &firstGain, rng.Below(300)));
      d.AddInt(STATIC_EXCHANGE, firstGain);
      d.AddInt(STATIC_EXCHANGE, StaticExchangeForStage(p, side, type, e.file, e.rank, attacker, &firstGain, 0));
      d.AddInt(STATIC_EXCHANGE, firstGain);
    }
  });
}

void Runner::RunBoard(const MoveRecord* line, int count, SignatureRandom& rng) {
  const Position& p = work;
  const int side = p.sideToMove, enemy = 1 - side;
  int n = 0;
  MoveRecord* head = GenerateAllMoves(p, n, lists);
  d.AddList(ALL_MOVES, head, n);
  for (int level : {-1, 0, 1}) {
    n = 0;
    head = GenerateAllMoves(p, n, lists);
    head = RemoveIllegalMoves(work, head, n, level);
    d.AddList(ALL_MOVES, head, n);
  }
  for (int file = 1; file <= 9; ++file) {
    for (int rank = 1; rank <= 9; ++rank) {
      n = GenerateMovesFromSquare(p, file, rank, Out());
      d.AddMoves(FROM_SQUARE, out, n);
    }
  }
  if (IsKingAttacked(p, side)) {
    n = GenerateCheckEvasions(p, line, 0, Out());
    d.AddMoves(EVASIONS, out, n);
  }
  for (int level = 0; level < 5; ++level) {
    n = GenerateCaptures(p, line, level, Out());
    d.AddMoves(CAPTURES, out, n);
  }
  int bestValue = 0;
  ForEachPiece(p, enemy, [&](int, const PieceListEntry& e) {
    n = GenerateCapturesOnSquare(p, e.file, e.rank, Out(), &bestValue);
    d.AddMoves(CAPTURES_ON_SQUARE, out, n);
    d.AddInt(CAPTURES_ON_SQUARE, bestValue);
    n = GenerateMovesToSquare(p, line, e.file, e.rank, rng.Below(3), Out());
    d.AddMoves(MOVES_TO_SQUARE, out, n);
    n = GenerateDefenders(p, e.file, e.rank, rng.Below(6), 0, 0, Out());
    d.AddMoves(DEFENDERS, out, n);
  });
  ForEachPiece(p, side, [&](int id, const PieceListEntry& e) {
    n = GeneratePieceMoves(p, e.file, e.rank, Out());
    d.AddMoves(PIECE_MOVES, out, n);
    const int depth = rng.Below(8);
    n = GeneratePieceEscapes(p, e.file, e.rank, depth, rng.Below(2), rng.Below(10), rng.Below(10), Out());
    d.AddMoves(PIECE_ESCAPES, out, n);
    n = GenerateBatteryMoves(p, e.file, e.rank, Out());
    d.AddMoves(BATTERY_MOVES, out, n);
    n = GenerateMovesOfProtectedPieces(p, e.file, e.rank, Out());
    d.AddMoves(PROTECTED_MOVES, out, n);
    for (int firstOnly = 0; firstOnly < 2; ++firstOnly) {
      n = GenerateDefenders(p, e.file, e.rank, depth, 0, firstOnly, Out());
      d.AddMoves(DEFENDERS, out, n);
    }
    if (BaseTypeOf(e.code) == BISHOP) {
      ForEachPiece(p, enemy, [&](int, const PieceListEntry& b) {
        if (BaseTypeOf(b.code) != BISHOP) return;
        n = GenerateBishopSidesteps(p, e.file, e.rank, b.file, b.rank, depth, rng.Below(2), Out());
        d.AddMoves(BISHOP_SIDESTEPS, out, n);
      });
    }
    int rankStep = 0;
    d.AddInt(KING_SAFETY, LineAttackTest(p, enemy, p.pieces[side].file, p.pieces[side].rank, e.file, e.rank, id,
                                         &rankStep) * 16 + rankStep);
  });
  n = GenerateKingRoomMoves(p, Out());
  d.AddMoves(KING_ROOM, out, n);
  for (int flag = 0; flag < 2; ++flag) {
    n = 0;
    std::memset(lists, 0, sizeof lists);
    head = GenerateChecks(p, n, lists, flag);
    d.AddList(CHECKS, head, n);
  }
  head = FilterMateCandidateChecks(p, head, n);
  d.AddList(MATE_FILTERS, head, n);
  d.AddInt(MATE_FILTERS, MateInOnePretest(p) << 1 | KingEscapeQuickTest(p));
  MoveCode mate = NULL_MOVE_CODE;
  d.AddInt(MATE_IN_ONE, FindMateInOne(work, mate));
  d.AddInt(MATE_IN_ONE, mate);
  d.AddInt(KING_SAFETY, HasEvasion(p) << 2 | IsKingAttacked(p, 0) << 1 | IsKingAttacked(p, 1));
  MoveRecord best{};
  d.AddInt(BEST_CAPTURE, FindBestCapture(p, best));
  d.AddMove(BEST_CAPTURE, best);

  for (int depth : {0, 1, 3, 6}) {
    n = GenerateBoardMoves(p, line, rng.Below(8), depth, Out());
    d.AddMoves(BOARD_MOVES, out, n);
    n = GenerateTacticalMoves(p, line, depth, Out());
    d.AddMoves(TACTICAL, out, n);
  }
  for (int depth = 1; depth <= 7; ++depth) RunAttackGenerators(line, depth, 0, depth % 3);
  // The opponent's attack as if it were to move: the king under attack is
  // then the side's own.
  work.sideToMove = static_cast<uint8_t>(enemy);
  for (int depth = 1; depth <= 3; ++depth) RunAttackGenerators(line, depth, 0, depth - 1);
  work.sideToMove = static_cast<uint8_t>(side);
  RunProposers(line);
  // The slider, step and king attack writers piece by piece.
  done.Clear();
  const AttackMoveInputs inputs{p, line, line - 1, 2, 0, done};
  ForEachPiece(p, side, [&](int id, const PieceListEntry& e) {
    MoveRecord* o = Out();
    switch (BaseTypeOf(e.code)) {
      case KING: n = GenerateKingMoveAttacks(inputs, side, e.file, e.rank, o); break;
      case ROOK: n = GenerateRookMoveAttacks(inputs, id, e.code, e.file, e.rank, o); break;
      case BISHOP: n = GenerateBishopMoveAttacks(inputs, id, e.code, e.file, e.rank, o); break;
      case GOLD: n = GenerateGoldMoveAttacks(inputs, id, e.code, e.file, e.rank, o); break;
      default:
        if (IsPromoted(e.code)) n = GenerateGoldMoveAttacks(inputs, id, e.code, e.file, e.rank, o);
        else if (BaseTypeOf(e.code) == SILVER) n = GenerateSilverMoveAttacks(inputs, id, e.code, e.file, e.rank, o);
        else if (BaseTypeOf(e.code) == KNIGHT) n = GenerateKnightMoveAttacks(inputs, id, e.code, e.file, e.rank, o);
        else if (BaseTypeOf(e.code) == LANCE) n = GenerateLanceMoveAttacks(inputs, id, e.code, e.file, e.rank, o);
        else n = GeneratePawnMoveAttacks(inputs, id, e.code, e.file, e.rank, o);
    }
    d.AddMoves(ATTACK_BOARD_MOVES, out, n);
  });
  d.AddInt(ATTACK_TERMS, SafeCampSquareCount(p, side) << 8 | SafeCampSquareCount(p, enemy));
  for (int file = 1; file <= 9; ++file) {
    for (int rank = 1; rank <= 9; ++rank) {
      const PieceCode code = p.PieceCodeAt(file, rank);
      for (int type : {PAWN, SILVER, GOLD, BISHOP, ROOK}) {
        if (p.IsEmpty(file, rank) && p.hand[side][type - 1] > 0) {
          int dropValue = 0;
          d.AddInt(EXCHANGE_FOR_EVAL, ExchangeValueForEval(p, side, type, file, rank, &dropValue));
          d.AddInt(EXCHANGE_FOR_EVAL, dropValue);
        }
      }
      if (!IsOwnedBy(code, enemy)) continue;
      d.AddInt(ATTACK_TERMS, CaptureGainExceeds(p, side, code, file, rank, 0) |
                                 DropTradeGain(p, side, static_cast<PieceCode>(GOLD | OwnerBit(side)), file, rank,
                                               code) << 1);
      d.AddInt(ATTACK_TERMS, KingRelativeWorth(p, enemy, TypeOf(code) & 0x1f, file, rank));
    }
  }
  for (int s = 0; s < 2; ++s) RunStaticExchanges(side ^ s, rng);

  // Threats: the opponent's captures and a few of its other moves, as if it
  // moved again, with one of the side's moves as the reply between them.
  SignatureRandom threatRng{rng.Next()};
  for (int round = 0; round < 2; ++round) {
    MoveCode threats[8] = {0};
    work.sideToMove = static_cast<uint8_t>(enemy);
    const int captures = round == 0 ? std::min(GenerateCaptures(work, line, 3, Out()), 3) : 0;
    int moveCount = 0;
    GenerateAllMoves(work, moveCount, lists);
    work.sideToMove = static_cast<uint8_t>(side);
    enemyMoveCount = moveCount;
    for (int i = 0; i < moveCount; ++i) enemyMoves[i] = ToMoveCode(lists[i]);
    for (int i = 0; i < captures; ++i) threats[1 + 2 * i] = ToMoveCode(out[i]);
    for (int i = captures; i < 3 && moveCount > 0; ++i) threats[1 + 2 * i] = ToMoveCode(lists[threatRng.Below(moveCount)]);
    threats[0] = 5;
    threats[2] = count > 0 ? ToMoveCode(legal[threatRng.Below(count)]) : NULL_MOVE_CODE;
    threats[4] = NULL_MOVE_CODE;
    const int ply = threatRng.Below(7);
    const int written = GenerateThreatResponses(p, threats, ply, ply + 1 + threatRng.Below(6), Out());
    d.AddMoves(THREAT_RESPONSES, out, written);
  }

  // Move tests over this position's moves and the previous position's.
  for (int i = 0; i < count; ++i) {
    const MoveRecord& m = legal[i];
    d.AddInt(USELESS_LANCE, IsUselessLanceMove(p, m, rng.Below(3)));
    d.AddInt(ROOT_CLASSIFICATION, ClassifyRootMove(p, m, rng.Below(23)));
    if (!m.IsDrop()) {
      d.AddInt(POSITIONAL_GAIN, MovePositionalGain(p, side, TypeOf(m.pieceCode), m.capturedCode, m.fromFile,
                                                   m.fromRank, m.toFile, m.toRank, m.promote));
    }
    d.AddInt(FOLLOW_UP_KEYS, RecaptureKey(line[0], m));
    d.AddInt(FOLLOW_UP_KEYS, RecaptureKey3(line[-1], line[0], m));
    d.AddInt(MATE_FILTERS, KingCanAnswerCheck(p, m));
  }
  for (int s = 0; s < 2; ++s) {
    d.AddInt(ROOT_CLASSIFICATION, FormationDistance(p, s, 0) << 16 | FormationDistance(p, s, 1));
  }
  d.AddInt(MOVE_VALID, IsMoveValid(p, line[0]) << 1 | IsMoveValid(p, line[-1]));
  for (int i = 0; i < count; ++i) {
    MoveRecord shifted = legal[i];
    shifted.toRank = static_cast<int8_t>(1 + (shifted.toRank + rng.Below(2)) % 9);
    d.AddInt(MOVE_VALID, IsMoveValid(p, legal[i]) << 1 | IsMoveValid(p, shifted));
  }

  // Root work: back-move filter, screening, ordering, the root evaluators.
  std::memcpy(lists, legal, sizeof(MoveRecord) * static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    lists[i].previous = i > 0 ? &lists[i - 1] : nullptr;
    lists[i].next = i + 1 < count ? &lists[i + 1] : nullptr;
  }
  n = count;
  head = FilterRootList(count > 0 ? lists : nullptr, n, &line[0], &line[-1]);
  d.AddList(ROOT_BACK_FILTER, head, n);
  static RootScreenValue values[MAX_GENERATED_MOVES];
  QuickEvalResult rootQuick{};
  ScreenRootMoves(work, legal, count, &rootQuick, values);
  d.AddInt(SCREENING, rootQuick.finalDifference);
  for (int i = 0; i < count; ++i) d.AddInt(SCREENING, values[i].value << 16 ^ values[i].positional);
  for (int i = 0; i < count; ++i) {
    nodes[i] = {&legal[i], 0, {0, 0, 0}, i + 1 < count ? &nodes[i + 1] : nullptr, i > 0 ? &nodes[i - 1] : nullptr};
  }
  if (count > 0) {
    for (const CandidateMoveNode* node = OrderRootList(p, nodes); node != nullptr; node = node->next) {
      d.AddInt(ORDERING, node->value);
      d.AddMove(ORDERING, *node->move);
    }
  }
  for (int flag = 0; flag < 3; ++flag) {
    QuickEvalResult quick{};
    QuickEvaluate(p, flag, &quick);
    d.AddInt(QUICK_EVAL, quick.score);
    d.AddInt(QUICK_EVAL, quick.finalDifference);
    d.AddInt(QUICK_EVAL, static_cast<int64_t>(quick.guardValue[0] * 1024) << 24 ^
                             static_cast<int64_t>(quick.guardValue[1] * 1024));
  }
  MoveRecord nullMove;
  nullMove.SetNull();
  d.AddInt(ROOT_FORMATION, EvalFormationRoot(p, 0, &nullMove, &rootQuick));
  d.AddInt(ROOT_FORMATION, EvalFormationRoot(p, 0, &line[0], &rootQuick));
  d.AddInt(ROOT_MIDDLE, EvalMiddleGameRoot(p, &nullMove, &rootQuick));
  d.AddInt(ROOT_END, EvalEndGameRoot(p, &nullMove));
}

void Runner::RunChild(const MoveRecord& move, bool deep, SignatureRandom rng) {
  // Every draw up front, so that one function's output never shifts the
  // arguments another one gets.
  const int handSide = rng.Below(2), silver = rng.Below(2), defendDepth = rng.Below(6), escapeDepth = rng.Below(6),
            keyDepth = rng.Below(6), boardDepth = 1 + rng.Below(4), tacticalDepth = 1 + rng.Below(4),
            extra = rng.Below(3), attackDepth = rng.Below(4), level = rng.Below(4),
            staleReply = enemyMoveCount > 0 ? rng.Below(enemyMoveCount) : 0, threatPly = rng.Below(7),
            threatDepth = 1 + rng.Below(6);
  PositionKey before, updated, after;
  ComputePositionKey(work, handSide, before);
  updated = before;
  UpdatePositionKey(updated, handSide, move);
  std::memcpy(&saved, &work, sizeof saved);
  MakeMove(work, move, 1);
  ComputePositionKey(work, handSide, after);
  d.AddBytes(KEYS, &after, sizeof after);
  d.AddInt(KEYS, (updated == after) | MatchPositionKey(before, after) << 1 | MatchPositionKeyAtLeast(after, before)
                                                                             << 3);
  AddPosition(d, MAKE_UNMAKE, work);
  EvalState child = root.eval;
  EvaluateMoveDelta(move, work, root.eval, &child);
  d.AddBytes(EVAL_DELTA, &child, sizeof child);
  d.AddInt(STAGE, DetermineGameStage(work));
  RunStaleReplies(move, staleReply, threatPly, threatDepth);
  // Every check the side can give: the answers, and whether any exists.
  if (IsKingAttacked(work, work.sideToMove)) {
    g_lineMoves[g_ply + 1] = move;
    const int n = GenerateCheckEvasions(work, g_lineMoves + g_ply + 1, 0, Out());
    d.AddMoves(EVASIONS, out, n);
    d.AddInt(KING_SAFETY, HasEvasion(work));
  }

  if (deep) {
    EvalEnemyKingTerm(work, &child);
    d.AddBytes(ENEMY_KING_TERM, &child, sizeof child);
    EvalPatternTerm(work, silver ? 16 * move.toFile + move.toRank : 0, &move, &child);
    d.AddBytes(PATTERN_TERM, &child, sizeof child);
    // Each silver on the board as the one that just advanced.
    for (int id = 10; id <= 13; ++id) {
      const PieceListEntry& s = work.pieces[id];
      if (!IsOnBoard(s.file, s.rank)) continue;
      EvalState term = root.eval;
      EvalPatternTerm(work, 16 * s.file + s.rank, &move, &term);
      d.AddBytes(PATTERN_TERM, &term, sizeof term);
    }
    d.AddInt(BLEND, BlendScore(child, 0) << 16 ^ BlendScore(child, 1));
    d.AddInt(BLEND, BlendScoreTokinAware(child, work, work.sideToMove));
    // The child seen by the node search one ply deeper.
    ++g_ply;
    g_lineMoves[g_ply] = move;
    const MoveRecord* childLine = g_lineMoves + g_ply;
    int n = 0;
    for (int captureLevel = 0; captureLevel < 4; captureLevel += 3) {
      n = GenerateCapturesOnChangedSquares(work, captureLevel, Out());
      d.AddMoves(CAPTURES_CHANGED, out, n);
    }
    n = GenerateRecaptures(work, move, Out());
    d.AddMoves(RECAPTURES, out, n);
    int written = 0;
    n = GenerateDefendingMoves(work, written, defendDepth, Out());
    d.AddMoves(DEFENDING_MOVES, out, n);
    d.AddInt(DEFENDING_MOVES, written);
    n = GenerateEscapesOfAttackedPieces(work, escapeDepth, 0, 0, Out());
    d.AddMoves(ATTACKED_ESCAPES, out, n);
    // A recapture sets the follow-up key under which the generators filter.
    MoveRecord answer{};
    uint32_t key = 0;
    if (GenerateRecaptures(work, move, &answer) == 1) {
      key = RecaptureKey(move, answer);
      d.AddInt(FOLLOW_UP_KEYS, RecaptureKeyLines(work, move, answer, keyDepth));
    }
    for (uint32_t filter : {0u, key}) {
      g_forcingMoveFilter = filter;
      if (IsKingAttacked(work, work.sideToMove)) {
        n = GenerateCheckEvasions(work, childLine, static_cast<int>(filter), Out());
        d.AddMoves(EVASIONS, out, n);
      }
      n = GenerateBoardMoves(work, childLine, g_ply, boardDepth, Out());
      d.AddMoves(BOARD_MOVES, out, n);
      n = GenerateTacticalMoves(work, childLine, tacticalDepth, Out());
      d.AddMoves(TACTICAL, out, n);
      n = GenerateMovesToSquare(work, childLine, move.toFile, move.toRank, extra, Out());
      d.AddMoves(MOVES_TO_SQUARE, out, n);
      if (filter == 0 && key == 0) break;
    }
    // The forcing and threat tests of every reply, against what the move changed.
    g_forcingMoveFilter = key != 0 ? key : RecaptureKey(move, move);
    int replies = 0;
    for (const MoveRecord* m = GenerateAllMoves(work, replies, lists); m != nullptr; m = m->next) {
      d.AddInt(FORCING, IsForcingMove(work, childLine, m->pieceId, m->promote, m->IsDrop(), m->toFile, m->toRank,
                                      (level + replies--) & 3));
      d.AddInt(THREAT_MOVE, IsThreatMove(work, m->IsDrop() ? -1 : m->pieceId, m->pieceCode, m->promote, m->toFile,
                                         m->toRank));
      d.AddInt(THREAT_MOVE, IsThreatSquare(m->toFile, m->toRank));
    }
    g_forcingMoveFilter = 0;
    RunAttackGenerators(childLine, attackDepth, key, attackDepth);
    --g_ply;
    MoveCode mate = NULL_MOVE_CODE;
    d.AddInt(MATE_IN_ONE, FindMateInOne(work, mate));
    d.AddInt(MATE_IN_ONE, mate);
    for (int s = 0; s < 2; ++s) RunStaticExchanges(s, rng);
  }
  if (deep || move.IsCapture()) RunExchanges(move, level);
  UnmakeMove(work, move, 1);
  d.AddInt(MAKE_UNMAKE, std::memcmp(work.board, saved.board, sizeof work.board) == 0 &&
                            std::memcmp(work.attacks, saved.attacks, sizeof work.attacks) == 0);
}

// Replies the opponent recorded before the move: the ones aimed at the
// square the move left (their target is gone) or entered (now held by the
// move's piece), and one drawn at random.
void Runner::RunStaleReplies(const MoveRecord& move, int random, int ply, int depth) {
  for (int i = 0; i < enemyMoveCount; ++i) {
    const MoveCode reply = enemyMoves[i];
    const int toFile = MoveCodeToFile(reply), toRank = MoveCodeToRank(reply);
    const bool aimed = (toFile == move.fromFile && toRank == move.fromRank) ||
                       (toFile == move.toFile && toRank == move.toRank);
    if (!aimed && i != random) continue;
    const MoveCode threats[3] = {2, NULL_MOVE_CODE, reply};
    const int n = GenerateThreatResponses(work, threats, ply, ply + depth, Out());
    d.AddMoves(THREAT_RESPONSES, out, n);
  }
}

// Each recapture of the move played, then the side that moved searches on
// under the exchange's follow-up key, as the node search does.
void Runner::RunExchanges(const MoveRecord& move, int level) {
  static MoveRecord answers[MAX_GENERATED_MOVES], grand[MAX_GENERATED_MOVES];
  const int answerCount = GenerateRecaptures(work, move, answers);
  ++g_ply;
  g_lineMoves[g_ply] = move;
  for (int a = 0; a < answerCount; ++a) {
    const MoveRecord answer = answers[a];
    MakeMove(work, answer, 1);
    ++g_ply;
    g_lineMoves[g_ply] = answer;
    const MoveRecord* line = g_lineMoves + g_ply;
    const uint32_t key = RecaptureKeyLines(work, move, answer, 1 + (level + a) % 4);
    d.AddInt(FOLLOW_UP_KEYS, key);
    g_forcingMoveFilter = key;
    int replies = 0;
    for (const MoveRecord* m = GenerateAllMoves(work, replies, grand); m != nullptr; m = m->next) {
      d.AddInt(FORCING, IsForcingMove(work, line, m->pieceId, m->promote, m->IsDrop(), m->toFile, m->toRank,
                                      (level + replies--) % 6));
    }
    if (key != 0) {
      int n = GenerateBoardMoves(work, line, g_ply, 1 + (level + a) % 6, Out());
      d.AddMoves(BOARD_MOVES, out, n);
      n = GenerateTacticalMoves(work, line, 1 + (level + a) % 4, Out());
      d.AddMoves(TACTICAL, out, n);
      n = GenerateMovesToSquare(work, line, answer.toFile, answer.toRank, level % 3, Out());
      d.AddMoves(MOVES_TO_SQUARE, out, n);
      if (IsKingAttacked(work, work.sideToMove)) {
        n = GenerateCheckEvasions(work, line, static_cast<int>(key), Out());
        d.AddMoves(EVASIONS, out, n);
      }
    }
    g_forcingMoveFilter = 0;
    --g_ply;
    UnmakeMove(work, answer, 1);
  }
  --g_ply;
}

// The game's own continuation made move by move with the attack history
// kept, as a deep search line does, past the last layer the history holds;
// at each depth the captures on the squares the last move changed.
void Runner::RunLineAhead(const Kifu& kifu, int ply) {
  static MoveRecord made[ATTACK_HISTORY_LAYERS + 2];
  int depth = 0;
  for (const KifuMoveNode* next = kifu.MoveAtPly(ply + 1); next != nullptr && depth < ATTACK_HISTORY_LAYERS + 2;
       next = kifu.MoveAtPly(ply + 1 + depth)) {
    if (!FindEngineMove(work, next->move, made[depth])) break;
    MakeMove(work, made[depth++], 1);
    const int n = GenerateCapturesOnChangedSquares(work, depth & 3, Out());
    d.AddMoves(CAPTURES_CHANGED, out, n);
  }
  while (depth > 0) UnmakeMove(work, made[--depth], 1);
}

}  // namespace

std::string SignaturePositions(const std::string& root, std::vector<SignaturePosition>& out) {
  namespace fs = std::filesystem;
  std::vector<std::string> files;
  for (const char* dir : {"tests/data/corpus", "samples"}) {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(fs::path(root) / dir, error)) {
      if (entry.path().extension() == ".kif") files.push_back(std::string(dir) + "/" + entry.path().filename().string());
    }
    if (error) return "cannot list " + (fs::path(root) / dir).string() + ": " + error.message();
  }
  std::sort(files.begin(), files.end());
  if (files.empty()) return "no games under " + root;
  SignatureRandom rng{20240526};
  out.clear();
  for (const std::string& file : files) {
    Kifu kifu;
    if (std::string error = ReadGame((fs::path(root) / file).string(), kifu); !error.empty()) return error;
    const int length = kifu.LineLength();
    // The start of every game too, as each handicap has its own, and the
    // position before the last move, where the mates and checks are.
    for (int i = 0; i <= PLIES_PER_GAME; ++i) {
      SignaturePosition at;
      at.file = file;
      at.ply = i == 0 ? 0 : i == 1 ? std::max(0, length - 1) : rng.Below(length + 1);
      at.decided = rng.Below(4) == 0;
      at.pair[0] = rng.Below(SENKEI_FAMILY_COUNT);
      at.pair[1] = rng.Below(SENKEI_FAMILY_COUNT);
      at.stage = rng.Below(GAME_STAGE_COUNT);
      at.randomSeed = static_cast<uint32_t>(rng.Next());
      out.push_back(at);
    }
  }
  return "";
}

std::string SignatureRepositoryRoot() { return std::string(TestDataDir()) + "/../.."; }

std::string SignatureDigestText(uint64_t digest) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%016llx", static_cast<unsigned long long>(digest));
  return text;
}

std::string ComputeSignature(const std::string& root, const std::vector<SignaturePosition>& positions,
                             std::vector<SignatureDigest>& digests, const SignatureProgress& afterPosition) {
  static Runner runner;
  runner.d = Digests();
  std::string file;
  Kifu kifu;
  static Position position;
  digests.assign(FN_COUNT, SignatureDigest{});
  for (size_t index = 0; index < positions.size(); ++index) {
    const SignaturePosition& at = positions[index];
    if (at.file != file) {
      file = at.file;
      if (std::string error = ReadGame(root + "/" + file, kifu); !error.empty()) return error;
    }
    MoveRecord line[2];
    // A position the engine cannot hold (the mate problem has one king) is left out.
    if (PositionWithLine(kifu, at.ply, position, line) && HasBothKings(position)) {
      SignatureRandom rng{at.randomSeed};
      runner.Run(at, position, line, rng);
      if (at.ply == 0) runner.RunLineAhead(kifu, at.ply);
    }
    for (int fn = 0; fn < FN_COUNT; ++fn) digests[fn] = {kNames[fn], runner.d.value[fn]};
    if (afterPosition) afterPosition(static_cast<int>(index), digests);
  }
  return "";
}
