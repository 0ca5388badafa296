// The signature tests' comparison: digests computed now against the rows
// ("NAME 0xDIGEST") recorded in a test, with the way to trace a mismatch.
#pragma once

#include <vector>

#include "cli/signature.h"

// Fails once per function whose digest differs from its row, per function
// without a row and per row that names no function.
void ExpectSignatureTable(const char* rows, const std::vector<SignatureDigest>& digests);
