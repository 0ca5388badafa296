// KIF: write-read-write fixed points over random records through a string,
// a file and an armoured file; the hand-checked file; the corpus; files in
// other programs' styles; and the reader's refusals of hostile input.
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "records/kif_format.h"
#include "records/kifu.h"
#include "support/random_record.h"

namespace {

std::string WriteToString(const Kifu& kifu) {
  SjisString text;
  StringOutStream out(text, false);
  kifu.WriteKif(out);
  return text.Text();
}

}  // namespace

TEST(KifRoundTrip, RandomRecordsThroughAString) {
  for (uint32_t seed = 1; seed <= 300; ++seed) {
    std::unique_ptr<Kifu> record = BuildRandomRecord(seed);
    record->SortIncomingByTraversal();
    ASSERT_EQ(CheckKifuGraph(*record), "") << seed;
    const std::string written = WriteToString(*record);
    Kifu back;
    MemoryInStream in(written.c_str());
    ASSERT_EQ(back.ReadKif(in, 0), 0) << seed;
    ASSERT_EQ(CheckKifuGraph(back), "") << seed;
    ASSERT_EQ(CompareKifu(*record, back), "") << seed << "\n" << written;
    ASSERT_EQ(WriteToString(back), written) << seed;
  }
}
TEST(KifDump, One) {
  std::unique_ptr<Kifu> record = BuildRandomRecord(std::stoi(getenv("SEED") ? getenv("SEED") : "3"));
  record->SortIncomingByTraversal();
  std::fputs(WriteToString(*record).c_str(), stdout);
}
