// Where the tests find their inputs and the kifu command.
#pragma once

// The corpus of games in KIF, KI2 and CSA written by another library (tests/data/corpus).
const char* CorpusDir();
// tests/data in the source tree.
const char* TestDataDir();
// The built kifu command.
const char* KifuBinary();
