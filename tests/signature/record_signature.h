// The record signature: every game file of the repository and records drawn
// by seed, each read, written in every format and read again, every
// position along its lines run through the record rules and notation, and
// its graph navigated, listed and clocked; one 64-bit digest per function
// of all it returned, in order. The running digests point at the first
// record that differs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "signature/signature.h"

// One record of the set: a file relative to the repository root, or, when
// file is empty, a record drawn from seed.
struct RecordSignatureItem {
  std::string file;
  uint32_t seed = 0;
};

// The files of ROOT/tests/data/corpus, ROOT/tests/data/{kif,csa} and
// ROOT/samples, then the drawn records; an empty text on success, else what
// could not be listed.
std::string RecordSignatureItems(const std::string& root, std::vector<RecordSignatureItem>& out);

// Runs every record function over the items and returns the digests in a
// fixed order; afterItem (may be empty) sees the running digests after each
// item. An empty text on success, else the error.
std::string ComputeRecordSignature(const std::string& root, const std::vector<RecordSignatureItem>& items,
                                   std::vector<SignatureDigest>& digests, const SignatureProgress& afterItem);
