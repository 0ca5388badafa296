// Locations of the corpus and of the test data, fixed at configure time.
#include "support/test_paths.h"

const char* CorpusDir() { return KIFU_CORPUS_DIR; }
const char* TestDataDir() { return KIFU_TEST_DATA_DIR; }
const char* KifuBinary() { return KIFU_BINARY; }
