// Old binary records (.krs) built from their layout, for the tests that read
// them: a little-endian header, the 11 x 16 block of the stored position,
// then one 16-byte record per move.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "records/kifu_position.h"

// Stores value little-endian in count bytes at offset at.
void PutLittleEndian(std::string &bytes, size_t at, int64_t value, int count);

// The 16-byte record of a move: its seven bytes, the result code, the time.
std::string OldNativeMoveRecord(const KifuMove &move, int result, int seconds);

// A file of the moves timed 0, 1, ... and 0xFFFF last, stored after n of
// them at `stored`, with m = the records given plus `extra` (whole records
// of it).
std::string OldNativeGameBytes(const KifuPosition &stored,
                               const std::vector<KifuMove> &moves, int n,
                               const std::string &extra = "");

// Where the header keeps the stored ply and the record count, and where the
// move records begin.
constexpr size_t kOldNativeStoredPlyAt = 222;
constexpr size_t kOldNativeRecordCountAt = 234;
constexpr size_t kOldNativeHeaderBytes = 238;
