// Where the tests find their inputs and the kifu command.
#pragma once

// The shared corpus of games in KIF, KI2 and CSA (may be absent).
const char* CorpusDir();
// tests/data in the source tree.
const char* TestDataDir();
// The built kifu command.
const char* KifuBinary();
