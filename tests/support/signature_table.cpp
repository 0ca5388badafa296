// Compares signature digests with the rows a test records.
#include "support/signature_table.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>

void ExpectSignatureTable(const char* rows, const std::vector<SignatureDigest>& digests) {
  std::map<std::string, std::string> expected;
  std::istringstream in(rows);
  for (std::string name, value; in >> name >> value;) expected[name] = value;
  for (const SignatureDigest& digest : digests) {
    const std::string value = SignatureDigestText(digest.value);
    const auto row = expected.find(digest.name);
    if (row == expected.end()) {
      ADD_FAILURE() << "no recorded digest for " << digest.name << ": add the row '" << digest.name << " " << value << "'";
      continue;
    }
    EXPECT_EQ(row->second, value) << digest.name << " returns something else now: 'kifu signature --trace "
                                  << digest.name << "' before and after the change shows the first position or "
                                  << "record that differs ('kifu signature --positions' lists them); if the change "
                                  << "is meant, copy 'kifu signature' output into this table";
    expected.erase(row);
  }
  for (const auto& [name, value] : expected) ADD_FAILURE() << "a recorded digest names no function: " << name;
}
