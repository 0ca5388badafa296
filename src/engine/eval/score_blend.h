// The static score of a position for one side from its EvalState: each
// side's material and positional total mixed by the strength of the
// opponent's attack, after fixed compressions of defence and material.
#pragma once

#include "engine/board/position.h"
#include "engine/eval/eval_state.h"

// One top-six list weighted by place: 1, 39/64, then 13/64 for places 3-6.
int SumSideGroup(const uint16_t* list);
// A side's attack total: its four weighted lists, attackSum and enemyKingTerm.
int SumSideTerms(const EvalSideTerms& terms);
// Defence compressed outside the band 2400-2900, plus the addend.
int CompressOutsideBand(const EvalValuePair& pair);
// Material compressed above 4500 (slope 205/256, then 1/2 above 6500), plus the addend.
int CompressAbove4500(const EvalValuePair& pair);
// Weight 0..512 of an attack against the opponent's (compressed) defence.
int AttackBlendWeight(int attack, int opponentDefence);
// A lead of value over reference compressed above 1980.
int CompressLead(int value, int reference);
// Score for the side, positive when good for it.
int BlendScore(const EvalState& state, int side);
// BlendScore with the side's tokins pressing on a defence counted 450 lower.
int BlendScoreTokinAware(const EvalState& state, const Position& position, int side);
