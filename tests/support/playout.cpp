// Random games for the make/unmake tests: move choice, event counting and
// the game loop. Reads only the board and hands (never the attack records).
#include "support/playout.h"

#include "support/engine_oracle.h"

namespace {

enum MoveKind { kCapture, kPromotion, kDrop, kOther, kKindCount };

// Captures come first so that promoted pieces get taken back; drops are
// often the most numerous moves, so they are chosen by kind, not by count.
constexpr int kKindWeight[kKindCount] = {5, 3, 2, 3};

MoveKind KindOf(const MoveRecord& move) {
  if (move.IsCapture()) return kCapture;
  if (move.promote) return kPromotion;
  if (move.IsDrop()) return kDrop;
  return kOther;
}

bool SlidesToward(PieceCode code, int df, int dr) {
  // Unit step (df, dr) absolute; lance forward, rook and dragon straight,
  // bishop and horse diagonal.
  const int type = TypeOf(code);
  const int forward = SideSign(OwnerOf(code));
  const bool straight = df == 0 || dr == 0;
  if (type == ROOK || type == DRAGON) return straight;
  if (type == BISHOP || type == HORSE) return !straight;
  return type == LANCE && df == 0 && dr == forward;
}

// The first piece from (file, rank) in the step, or EMPTY_PIECE_ID at the edge.
int FirstPieceFrom(const Position& position, int file, int rank, int df, int dr, int& foundFile, int& foundRank) {
  for (int x = file + df, y = rank + dr; IsOnBoard(x, y); x += df, y += dr) {
    if (position.board[x][y] == EMPTY_PIECE_ID) continue;
    foundFile = x;
    foundRank = y;
    return position.board[x][y];
  }
  return EMPTY_PIECE_ID;
}

// Counts an enemy piece newly reached by an own slider through the vacated
// from-square, when the move leaves the slider's line.
void CountDiscoveries(const Position& before, const MoveRecord& move, PlayoutEvents& events) {
  const int side = before.sideToMove;
  for (int df = -1; df <= 1; ++df)
    for (int dr = -1; dr <= 1; ++dr) {
      if (df == 0 && dr == 0) continue;
      int sliderFile = 0, sliderRank = 0, targetFile = 0, targetRank = 0;
      const int slider = FirstPieceFrom(before, move.fromFile, move.fromRank, -df, -dr, sliderFile, sliderRank);
      if (slider == EMPTY_PIECE_ID) continue;
      const PieceCode sliderCode = before.pieces[slider].code;
      if (!IsOwnedBy(sliderCode, side) || !SlidesToward(sliderCode, df, dr)) continue;
      // Staying on the line keeps it closed.
      const int toDf = move.toFile - move.fromFile, toDr = move.toRank - move.fromRank;
      if (toDf * dr == toDr * df) continue;
      const int target = FirstPieceFrom(before, move.fromFile, move.fromRank, df, dr, targetFile, targetRank);
      if (target == EMPTY_PIECE_ID || IsOwnedBy(before.pieces[target].code, side)) continue;
      events.discoveredAttacks += 1;
      if (TypeOf(before.pieces[target].code) == KING) events.discoveredChecks += 1;
    }
}

}  // namespace

uint64_t PlayoutRandom::Next() {
  uint64_t z = (state_ += 0x9e3779b97f4a7c15ull);
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
  return z ^ (z >> 31);
}

int PlayoutRandom::Below(int bound) { return static_cast<int>(Next() % static_cast<uint64_t>(bound)); }

PlayoutEvents& PlayoutEvents::operator+=(const PlayoutEvents& other) {
  plies += other.plies;
  captures += other.captures;
  promotedCaptures += other.promotedCaptures;
  promotions += other.promotions;
  drops += other.drops;
  kingEscapes += other.kingEscapes;
  discoveredAttacks += other.discoveredAttacks;
  discoveredChecks += other.discoveredChecks;
  mates += other.mates;
  return *this;
}

const MoveRecord& PickPlayoutMove(const std::vector<MoveRecord>& moves, PlayoutRandom& random) {
  int countOfKind[kKindCount] = {};
  for (const MoveRecord& move : moves) countOfKind[KindOf(move)] += 1;
  int totalWeight = 0;
  for (int kind = 0; kind < kKindCount; ++kind)
    if (countOfKind[kind] > 0) totalWeight += kKindWeight[kind];
  int draw = random.Below(totalWeight);
  int chosenKind = 0;
  for (; chosenKind < kKindCount; ++chosenKind) {
    if (countOfKind[chosenKind] == 0) continue;
    if (draw < kKindWeight[chosenKind]) break;
    draw -= kKindWeight[chosenKind];
  }
  int index = random.Below(countOfKind[chosenKind]);
  for (const MoveRecord& move : moves)
    if (KindOf(move) == chosenKind && index-- == 0) return move;
  return moves.front();
}

void CountPlayoutEvents(const Position& before, const MoveRecord& move, PlayoutEvents& events) {
  events.plies += 1;
  if (move.IsCapture()) events.captures += 1;
  if (move.IsCapture() && IsPromoted(move.capturedCode)) events.promotedCaptures += 1;
  if (move.promote) events.promotions += 1;
  if (move.IsDrop()) return void(events.drops += 1);
  if (TypeOf(move.pieceCode) == KING && OracleInCheck(before, before.sideToMove)) events.kingEscapes += 1;
  CountDiscoveries(before, move, events);
}

std::vector<MoveRecord> PlayRandomGame(Position& position, uint64_t seed, int maxPlies, const PlayoutPlayer& play,
                                       PlayoutEvents& events) {
  PlayoutRandom random(seed);
  std::vector<MoveRecord> played;
  for (int ply = 0; ply < maxPlies; ++ply) {
    const std::vector<MoveRecord> moves = OracleLegalMoves(position);
    if (moves.empty()) {
      if (OracleInCheck(position, position.sideToMove)) events.mates += 1;
      break;
    }
    const MoveRecord move = PickPlayoutMove(moves, random);
    CountPlayoutEvents(position, move, events);
    const bool carryOn = play(position, move);
    played.push_back(move);
    if (!carryOn) break;
  }
  return played;
}
