// The building blocks that the three root-screening evaluators share (rook
// lines, bishop diagonals, pawn chains, the attacking silver, knight pawns)
// with their constant tables by form. Internal to the evaluation.
#pragma once

#include <array>

#include "engine/board/position.h"

namespace root_eval {

// Which evaluator a block runs for; the tables hold one column per form.
enum RootForm : int { FORM_ENDGAME = 0, FORM_MIDDLE = 1, FORM_OPENING = 2, ROOT_FORM_COUNT = 3 };

extern const int RookRankValue[ROOT_FORM_COUNT][9];  // by rho of the first cell ahead, 0 the wall
extern const int RookStepValue[ROOT_FORM_COUNT][9];  // steps 1..9, stored from 1
using TypeTableByForm = std::array<std::array<int, TYPE_TABLE_SIZE>, ROOT_FORM_COUNT>;
extern const TypeTableByForm RookTargetValue;  // by type of the target
extern const int RookMobilityValue[ROOT_FORM_COUNT][14];
extern const int RookAheadOfPawnPenalty[ROOT_FORM_COUNT];
extern const TypeTableByForm BishopTargetValue;
extern const int PawnClassValue[ROOT_FORM_COUNT][4][9];  // [class][rho 1..9], stored from 1; endgame unused
extern const int KnightPawnValue[ROOT_FORM_COUNT][5];    // endgame unused
extern const double LineSupportFactor[4];
extern const double LineDistanceFactor[6];
extern const int DiagonalRankScale[37];
extern const int HorseProximity[37];
extern const int KingZoneFactor[4];

// One-based tables read with the base they are written in.
inline int RookStepValueAt(RootForm form, int steps) { return RookStepValue[form][steps - 1]; }
inline int PawnClassValueAt(RootForm form, int pawnClass, int rho) { return PawnClassValue[form][pawnClass][rho - 1]; }
// Type tables read 0 for anything past a board piece (the wall's type 9
// lies inside them and holds 0).
inline int RookTargetValueOf(RootForm form, int type) {
  return type < TYPE_TABLE_SIZE ? RookTargetValue[form][type] : 0;
}
inline int BishopTargetValueOf(RootForm form, int type) {
  return type < TYPE_TABLE_SIZE ? BishopTargetValue[form][type] : 0;
}

struct Accumulators {
  int activity[2] = {0, 0};
  int kingZone[2] = {0, 0};
};

// What the rook block learns for the later blocks of the opening evaluator.
struct RookSummary {
  int rookFile[2] = {0, 0};  // the file of the side's rook or dragon (PieceId 3 over 2), 0 none
  bool activeRook = false;   // some rook is a dragon or stands in its enemy camp
};

void RookLines(const Position& position, RootForm form, Accumulators& acc, RookSummary* summary);
// Bishops and horses alike along their forward diagonals (middle game and
// opening), with the RootLineWeight row and the x-ray factor of the form.
void BishopsMiddleForm(const Position& position, RootForm form, Accumulators& acc);
void PawnChainClasses(const Position& position, RootForm form, Accumulators& acc);
// Chooses each side's attacking silver and adds its value (middle game and
// opening); chosenRanks (may be null) gets each side's chosen rank, 0 none.
void AttackingSilver(const Position& position, RootForm form, Accumulators& acc, int* chosenRanks);
// Pawns beside knights on rank 5 or rho 7; the opening form also tests its
// knights on rank 5 for a pawn attack, which nullMove (the evaluator's move
// argument is the null move) widens to the side to move's knights.
void KnightPawns(const Position& position, RootForm form, bool nullMove, Accumulators& acc);
// The opening's rules that the pattern term shares: a bishop in hand
// against the enemy's rook on its third square; silver-drop forks of golds
// (nullMove: the golds of the side to move, else of the other side); a king
// on its second rank by an empty back-rank square; a gold with an own gold
// or silver diagonally behind it towards the king's file.
void BishopDrop(const Position& position, Accumulators& acc);
void SilverForks(const Position& position, bool nullMove, Accumulators& acc);
void KingOnSecondRank(const Position& position, Accumulators& acc);
void GoldBesideKingLine(const Position& position, Accumulators& acc);
// The yagura castle list of one side, written for side 0 and turned for
// side 1; patternForm adds the pattern term's knight-beside-silver bonus
// and its reading of a missing silver.
int CastleListAmount(const Position& position, int side, int rookFile, int chosenSilverRank, bool patternForm);
// Whether a tokin of the side finds one of the enemy's king, rooks,
// bishops, golds or silvers behind or beside it (towards the enemy king's
// file), directly or past a square it safely controls.
bool TokinReachesTarget(const Position& position, int side, int file, int rank, int enemyKingFile);
// The endgame's amount for own pieces hemming in a king on (file, rho) of
// its back two ranks (files absolute for both sides).
int HemmedKingAmount(const Position& position, int side, int kingFile, int kingRho);
// The amount for the square diagonally behind the king towards the centre
// when the king alone guards it: 0, -50, -100 or -150.
int EscapeSquareAmount(const Position& position, int side);
// The result of every evaluator: side to move minus the other side.
int SideToMoveDifference(const Position& position, const Accumulators& acc);

}  // namespace root_eval
