// Telling UTF-8 from Shift-JIS: the well-formedness test against a model
// that decodes each character and checks its code point, over every one-
// and two-byte text, every three-byte one after a lead byte of 0xE0 or
// more, and four-byte ones at every range boundary; cut-off characters; the
// byte-order mark and the non-ASCII test.
#include <gtest/gtest.h>

#include <iterator>
#include <vector>

#include "records/text_encoding.h"

namespace {

// Continuation bytes at the edges of every range the second byte may have.
const unsigned char kEdges[] = {0x00, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xFF};

// The model: the lead byte's high bits give the length, the others are
// 10xxxxxx, and the code point is the shortest form, no surrogate, at most
// U+10FFFF. A cut-off last character counts when some ending completes it.
bool ModelValid(const std::vector<unsigned char>& bytes, bool cutAtEnd) {
  for (size_t at = 0; at < bytes.size();) {
    const unsigned char lead = bytes[at];
    const size_t length = lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : (lead & 0xF8) == 0xF0 ? 4 : 0;
    if (length == 0) return false;
    if (at + length > bytes.size()) {
      if (!cutAtEnd) return false;
      std::vector<unsigned char> completed(bytes.begin() + static_cast<long>(at), bytes.end());
      const size_t missing = at + length - bytes.size();
      // Every ending of the missing bytes drawn from the range edges.
      size_t endings = 1;
      for (size_t i = 0; i < missing; ++i) endings *= std::size(kEdges);
      for (size_t choice = 0; choice < endings; ++choice) {
        std::vector<unsigned char> tried = completed;
        for (size_t i = 0, c = choice; i < missing; ++i, c /= std::size(kEdges)) tried.push_back(kEdges[c % std::size(kEdges)]);
        if (ModelValid(tried, false)) return true;
      }
      return false;
    }
    unsigned long point = length == 1 ? lead : lead & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
      if ((bytes[at + i] & 0xC0) != 0x80) return false;
      point = point << 6 | (bytes[at + i] & 0x3F);
    }
    const unsigned long shortest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (point < shortest[length] || (point >= 0xD800 && point <= 0xDFFF) || point > 0x10FFFF) return false;
    at += length;
  }
  return true;
}

void ExpectAsModel(const std::vector<unsigned char>& bytes) {
  const char* text = reinterpret_cast<const char*>(bytes.data());
  for (bool cut : {false, true}) {
    if (IsValidUtf8(text, bytes.size(), cut) != ModelValid(bytes, cut)) {
      ::testing::Message message;
      for (unsigned char b : bytes) message << " " << int{b};
      ADD_FAILURE() << "bytes" << message << " cut " << cut;
    }
  }
}

}  // namespace

TEST(TextEncoding, Utf8WellFormednessMatchesTheDecodingModel) {
  for (int a = 0; a < 256; ++a) {
    ExpectAsModel({static_cast<unsigned char>(a)});
    for (int b = 0; b < 256; ++b) {
      ExpectAsModel({static_cast<unsigned char>(a), static_cast<unsigned char>(b)});
      if (a < 0xE0) continue;
      for (int c = 0; c < 256; c += a < 0xF0 ? 1 : 16) {
        ExpectAsModel({static_cast<unsigned char>(a), static_cast<unsigned char>(b), static_cast<unsigned char>(c)});
      }
      for (unsigned char c : kEdges) {
        for (unsigned char d : kEdges) ExpectAsModel({static_cast<unsigned char>(a), static_cast<unsigned char>(b), c, d});
      }
    }
    if (::testing::Test::HasFailure()) return;
  }
  // A fault anywhere in a longer text: "あ" (E3 81 82) around a bad byte.
  ExpectAsModel({0xE3, 0x81, 0x82, 0x41, 0xE3, 0x81, 0x82});
  ExpectAsModel({0xE3, 0x81, 0x82, 0xFF, 0xE3, 0x81, 0x82});
  ExpectAsModel({0xE3, 0x81, 0x82, 0xE3, 0x81});
  EXPECT_TRUE(IsValidUtf8("\xE3\x81\x82\xE3\x81", 5, true));
  EXPECT_FALSE(IsValidUtf8("\xE3\x81\x82\xE3\x81", 5, false));
}

TEST(TextEncoding, ByteOrderMarkAndNonAsciiBytes) {
  EXPECT_TRUE(StartsWithUtf8Bom("\xEF\xBB\xBF", 3));
  EXPECT_TRUE(StartsWithUtf8Bom("\xEF\xBB\xBFx", 4));
  for (const char* other : {"\xEF\xBB\xBE", "\xEE\xBB\xBF", "\xEF\xBA\xBF", "xEF"}) EXPECT_FALSE(StartsWithUtf8Bom(other, 3));
  EXPECT_FALSE(StartsWithUtf8Bom("\xEF\xBB\xBF", 2));
  for (int byte = 0; byte < 256; ++byte) {
    const char text[] = {'a', static_cast<char>(byte), 'b'};
    EXPECT_EQ(HasNonAscii(text, 3), byte >= 0x80) << byte;
    EXPECT_FALSE(HasNonAscii(text, 1));
  }
}
